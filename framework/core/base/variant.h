#pragma once
// Variant: the framework's tagged value, used where values really are
// dynamic (field values, parameters, sort keys, filter values). A plain value
// type: scalars live inline (no heap), strings in a std::string, arrays
// behind a shared pointer that is copied on write, so copying a Variant is
// cheap and copies never alias each other.
//
// Conversion rules (the As... readers and VarAsType):
// - Empty reads as 0, 0.0, "" and false; Null raises EVariantTypeCastError
//   "Could not convert variant of type (Null) into type (Integer)" for every
//   target but Null and Empty.
// - Booleans read as -1 / 0 and as the strings "True" / "False"; strings read
//   as Booleans accept "True" / "False" in any case and numbers (non-zero is
//   true).
// - Numbers and dates read from and write to strings with the process format
//   settings (FormatSettings(): decimal separator, short date and long time
//   formats). A string that does not parse raises EVariantTypeCastError.
// - Doubles, currencies and dates round to integers half to even. A value
//   outside the target's range raises EVariantOverflowError
//   "Overflow while converting variant of type (X) into type (Y)"; nothing
//   wraps silently.
//
// Comparison rules (==, !=, <, <=, >, >=):
// - Null equals only Null and orders before every other value (Empty too).
// - Empty equals Empty; against any other value it stands for that kind's
//   zero: 0, "", false.
// - Strings compare with AnsiCompareStr (case-sensitive Windows-1251 order).
// - Numbers compare by value across kinds, exactly: two integer kinds as
//   64-bit integers, currency against integers and integers against doubles
//   without rounding, currency against a double after the double is rounded
//   to currency. Not-a-number equals itself and follows every number.
// - A string against a number is parsed as a number, against a date as a
//   date, against a Boolean as a Boolean; a failed parse raises
//   EVariantTypeCastError.
// - Booleans order false before true; against a number a Boolean counts as
//   -1 / 0.
// - Arrays are not comparable: EVariantInvalidOpError.
// VarCompareValue differs only for Empty and Null: either of them against
// anything but itself gives vrNotEqual (Null = Null and Empty = Empty give
// vrEqual). Callers that order nulls their own way test for Null first.
//
// Arithmetic (+, -, *, /, %, unary -): Null in gives Null out; Empty counts as
// 0 (or "" for a string + string). Integer kinds give Integer when the
// result fits and Int64 otherwise (Int64 stays exact); a currency makes the
// result Currency, a double Double, a date Date (date - date is a Double). A
// result out of its kind's range raises EVariantOverflowError
// "Variant overflow". "/" always gives a Double; "%" works on integers.
// string + string concatenates; otherwise strings are parsed as numbers.
// Division by zero raises EZeroDivide.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/types.h"

enum class TVarType {
  Empty,
  Null,
  SmallInt,
  Integer,
  Int64,
  Double,
  Currency,
  Date,
  String,
  Boolean,
  Byte,
  Word,
  LongWord,
  Array
};

TULVO_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
TULVO_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
TULVO_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError);
TULVO_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
TULVO_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// One dimension of an array: its lowest and highest index (High = Low - 1 for
// an empty dimension).
struct TVarArrayBound {
  int Low = 0;
  int High = -1;
};

// Most dimensions an array may have.
inline constexpr int VarArrayMaxDims = 64;

// The numeric type codes of automation variants, as VarTypeCode reports
// them. The framework has one text kind, 8-bit text, which reports itself
// as varOleStr: the only text an array element may hold. An array reports
// its element type or varArray.
inline constexpr int varEmpty = 0x0000;
inline constexpr int varNull = 0x0001;
inline constexpr int varSmallint = 0x0002;
inline constexpr int varInteger = 0x0003;
inline constexpr int varSingle = 0x0004;
inline constexpr int varDouble = 0x0005;
inline constexpr int varCurrency = 0x0006;
inline constexpr int varDate = 0x0007;
inline constexpr int varOleStr = 0x0008;
inline constexpr int varDispatch = 0x0009;
inline constexpr int varError = 0x000A;
inline constexpr int varBoolean = 0x000B;
inline constexpr int varVariant = 0x000C;
inline constexpr int varUnknown = 0x000D;
inline constexpr int varByte = 0x0011;
inline constexpr int varWord = 0x0012;
inline constexpr int varLongWord = 0x0013;
inline constexpr int varInt64 = 0x0014;
inline constexpr int varTypeMask = 0x0FFF;
inline constexpr int varArray = 0x2000;

struct TVarArrayData;

class Variant {
 public:
  Variant() noexcept = default;
  Variant(bool value) noexcept : FType(TVarType::Boolean), FValue(std::int64_t{value}) {}
  Variant(std::int16_t value) noexcept : FType(TVarType::SmallInt), FValue(std::int64_t{value}) {}
  Variant(int value) noexcept : FType(TVarType::Integer), FValue(std::int64_t{value}) {}
  Variant(std::int64_t value) noexcept : FType(TVarType::Int64), FValue(value) {}
  Variant(double value) noexcept : FType(TVarType::Double), FValue(value) {}
  Variant(TCurrency value) noexcept : FType(TVarType::Currency), FValue(value.Value) {}
  Variant(std::string value) noexcept : FType(TVarType::String), FValue(std::move(value)) {}
  Variant(std::string_view value) : FType(TVarType::String), FValue(std::string(value)) {}
  Variant(const char* value) : FType(TVarType::String), FValue(std::string(value)) {}
  // Any other pointer would quietly become a Boolean.
  Variant(const void*) = delete;

  static Variant Null() noexcept;
  static Variant FromDate(TDateTime value) noexcept;
  static Variant FromByte(std::uint8_t value) noexcept;
  static Variant FromWord(std::uint16_t value) noexcept;
  static Variant FromLongWord(std::uint32_t value) noexcept;

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() = default;

  TVarType VarType() const noexcept { return FType; }
  bool IsNull() const noexcept { return FType == TVarType::Null; }
  bool IsEmpty() const noexcept { return FType == TVarType::Empty; }
  bool IsArray() const noexcept { return FType == TVarType::Array; }

  bool AsBoolean() const;
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  TCurrency AsCurrency() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;
  // The text of a String variant, read in place (sort keys are made from
  // many of them); nil for every other kind.
  const std::string* StringPtr() const noexcept {
    return FType == TVarType::String ? std::get_if<std::string>(&FValue) : nullptr;
  }

  // Elements of a one-dimensional array, by index between its bounds. The
  // non-const form unshares the array first.
  Variant& operator[](int index);
  const Variant& operator[](int index) const;

 private:
  friend struct TVariantAccess;

  Variant(TVarType type, std::int64_t value) noexcept : FType(type), FValue(value) {}
  Variant(TVarType type, double value) noexcept : FType(type), FValue(value) {}
  explicit Variant(std::shared_ptr<TVarArrayData> array) noexcept;
  void Swap(Variant& other) noexcept;
  void ShareArrayFrom(const Variant& other);
  TVarArrayData& MutableArray();
  const TVarArrayData& Array() const;

  // Booleans, every integer kind and currency (×10,000) as int64; doubles and
  // dates as double.
  TVarType FType = TVarType::Empty;
  std::variant<std::int64_t, double, std::string, std::shared_ptr<TVarArrayData>> FValue;
};

inline Variant Variant::Null() noexcept { return Variant(TVarType::Null, std::int64_t{0}); }
inline Variant Variant::FromDate(TDateTime value) noexcept { return Variant(TVarType::Date, value); }
inline Variant Variant::FromByte(std::uint8_t value) noexcept {
  return Variant(TVarType::Byte, std::int64_t{value});
}
inline Variant Variant::FromWord(std::uint16_t value) noexcept {
  return Variant(TVarType::Word, std::int64_t{value});
}
inline Variant Variant::FromLongWord(std::uint32_t value) noexcept {
  return Variant(TVarType::LongWord, std::int64_t{value});
}

inline Variant::Variant(const Variant& other) : FType(other.FType), FValue(other.FValue) {
  if (FType == TVarType::Array) ShareArrayFrom(other);
}
inline Variant::Variant(Variant&& other) noexcept : FType(other.FType), FValue(std::move(other.FValue)) {
  other.FType = TVarType::Empty;
}
// With an array on either side, assignment goes through a temporary: the
// source may be an element of the array this variant is about to release,
// and arrays are shared, not copied. Without one it assigns in place (a
// load of many records assigns a value or two for every cell).
inline Variant& Variant::operator=(const Variant& other) {
  if (FType != TVarType::Array && other.FType != TVarType::Array) {
    FValue = other.FValue;
    FType = other.FType;
    return *this;
  }
  Variant copy(other);
  Swap(copy);
  return *this;
}
inline Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other) return *this;
  if (FType != TVarType::Array && other.FType != TVarType::Array) {
    FValue = std::move(other.FValue);
    FType = other.FType;
    other.FType = TVarType::Empty;
    return *this;
  }
  Variant moved(std::move(other));
  Swap(moved);
  return *this;
}
inline void Variant::Swap(Variant& other) noexcept {
  std::swap(FType, other.FType);
  FValue.swap(other.FValue);
}

// The platform's name of a kind, as error messages show it ("Smallint",
// "Integer", "Date", "String", ...; an array is "Array Variant").
std::string VarTypeAsText(TVarType type);

inline bool VarIsNull(const Variant& v) noexcept { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) noexcept { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) noexcept { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) noexcept { return v.IsArray(); }
inline bool VarIsStr(const Variant& v) noexcept { return v.VarType() == TVarType::String; }
// SmallInt, Integer, Int64, Byte, Word, LongWord.
bool VarIsOrdinal(const Variant& v) noexcept;
// Double and Currency.
bool VarIsFloat(const Variant& v) noexcept;
// Ordinal or float (not Date, not Boolean).
bool VarIsNumeric(const Variant& v) noexcept;

// The string form; Null gives "".
std::string VarToStr(const Variant& v);
// The value converted to another kind by the rules above. Converting to
// Empty or Null gives that value; an array converts only to Array.
Variant VarAsType(const Variant& v, TVarType type);

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

bool operator==(const Variant& a, const Variant& b);
inline bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);

Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);
Variant operator%(const Variant& a, const Variant& b);
Variant operator-(const Variant& a);

// The kind as an automation type code (above); an array gives its element
// type or varArray.
int VarTypeCode(const Variant& v) noexcept;

// Arrays with any low bound. Element errors raise EVariantBadIndexError
// "Variant or safe array index out of bounds"; array operations on a
// non-array raise EVariantInvalidArgError "Variant is not an array";
// impossible bounds raise EVariantArrayCreateError.
//
// An array holds elements of one type code. Elements of varVariant (the
// default) hold any value and start Empty; elements of another type start
// as that kind's zero, and VarArrayPut converts what it stores to that kind
// (varSingle elements keep a single's precision, held as Double). Element
// types are those VarTypeCode can report, plus varSingle and varVariant;
// others raise EVariantArrayCreateError.
Variant VarArrayCreate(int low, int high);
Variant VarArrayCreate(std::span<const TVarArrayBound> bounds, int elementType = varVariant);
Variant VarArrayCreate(std::initializer_list<TVarArrayBound> bounds, int elementType = varVariant);
// A one-dimensional array with bounds 0 .. count - 1.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(std::vector<Variant> values);
// Dimensions are numbered from 1.
int VarArrayDimCount(const Variant& a);
int VarArrayLowBound(const Variant& a, int dim = 1);
int VarArrayHighBound(const Variant& a, int dim = 1);
// One index per dimension.
const Variant& VarArrayGet(const Variant& a, std::span<const int> indices);
const Variant& VarArrayGet(const Variant& a, std::initializer_list<int> indices);
// Converts the value to the element type first (see above).
void VarArrayPut(Variant& a, const Variant& value, std::span<const int> indices);
void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<int> indices);
