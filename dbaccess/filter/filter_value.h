#pragma once
// TFilterValue: one value inside a filter expression while a record is
// tested: Null, a Boolean, a 64-bit integer, a double, a currency amount, a
// date-time or a Windows-1251 text. It is the evaluator's own scalar rather
// than a Variant so that a value can be overwritten record after record
// without allocating: a text is copied into the value's own buffer, which
// keeps its capacity whatever kind the value holds next.
//
// The rules between kinds are the framework variant's (variant.h): a text
// against a number is read as a number, against a date as a date, against a
// Boolean as a Boolean, with the process format settings; a Boolean counts
// as -1 / 0 against a number; a text that cannot be read raises
// EVariantTypeCastError. Texts and integers are compared here directly;
// other pairs go through Variant, which holds scalars without allocating.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/types.h"

class Variant;

enum class TFilterValueKind : std::uint8_t { Null, Boolean, Integer, Float, Currency, Date, String };

class TFilterValue {
 public:
  TFilterValue() noexcept = default;

  TFilterValueKind Kind() const noexcept { return FKind; }
  bool IsNull() const noexcept { return FKind == TFilterValueKind::Null; }
  bool IsString() const noexcept { return FKind == TFilterValueKind::String; }
  // Integer, Float or Currency.
  bool IsNumber() const noexcept;

  void SetNull() noexcept { FKind = TFilterValueKind::Null; }
  void SetBoolean(bool value) noexcept;
  void SetInteger(std::int64_t value) noexcept;
  void SetFloat(double value) noexcept;
  void SetCurrency(TCurrency value) noexcept;
  void SetDate(TDateTime value) noexcept;
  // Copies the text into the value's buffer; no allocation once the buffer
  // has grown to the longest text it held.
  void SetString(std::string_view value);
  // The buffer itself, for writers that build a text in place; the value
  // becomes a (for now empty) text.
  std::string& StartString();

  // Readers of the kind held (no conversion).
  bool Boolean() const noexcept { return FInt != 0; }
  std::int64_t Integer() const noexcept { return FInt; }
  double Float() const noexcept { return FFloat; }  // Float and Date
  TCurrency Currency() const noexcept { return TCurrency{FInt}; }
  std::string_view String() const noexcept { return FText; }

  Variant ToVariant() const;
  // Empty reads as Null; an array raises EVariantTypeCastError, as no
  // array fits one filter value.
  void Assign(const Variant& value);

 private:
  TFilterValueKind FKind = TFilterValueKind::Null;
  std::int64_t FInt = 0;  // Boolean (0 / 1), Integer, Currency (times 10,000)
  double FFloat = 0;      // Float, Date
  std::string FText;      // String; keeps its capacity across kinds
};

// The order of two values. Null equals Null and orders before every other
// value, as in the framework variant.
enum class TFilterOrder { Less, Equal, Greater };

// Texts compare by the Windows-1251 collation, ignoring case when asked.
TFilterOrder CompareFilterValues(const TFilterValue& a, const TFilterValue& b, bool ignoreCase);

// CompareFilterValues(a, b, ignoreCase) == Equal, quicker for texts.
bool SameFilterValues(const TFilterValue& a, const TFilterValue& b, bool ignoreCase);

// The value where a truth value is needed: Null is false; numbers are true
// when not zero; texts are read as Booleans ("True", "False", numbers).
bool FilterTruth(const TFilterValue& value);

// The value as text, into a buffer the caller reuses: texts as they are,
// numbers and dates with the process format settings, Booleans as "True"
// and "False". Not for Null (the caller decides what Null gives).
void FilterValueText(const TFilterValue& value, std::string& text);

// The value as a date-time (texts parsed with the format settings).
TDateTime FilterDateTime(const TFilterValue& value);

// The value as a whole number, rounded half to even.
std::int64_t FilterInteger(const TFilterValue& value);

// A text converted to the kind of another value for comparing with it:
// to a number (Integer when it is a whole number, else Float) for the three
// number kinds, to a date, or to a Boolean. Other kinds leave it a text.
void ConvertTextForComparison(std::string_view text, TFilterValueKind other, TFilterValue& result);

enum class TFilterArithmetic { Add, Subtract, Multiply, Divide };
// The framework's variant arithmetic: Null in gives Null out, text + text
// joins, a date plus a number is a date, "/" gives a double, division by
// zero raises EZeroDivide.
void FilterArithmetic(TFilterArithmetic op, const TFilterValue& a, const TFilterValue& b,
                      TFilterValue& result);
void FilterNegate(const TFilterValue& a, TFilterValue& result);
