#pragma once
// Text formatting and number conversions of the framework: Format with its
// directive syntax, integers to and from text, and (through float_text.h)
// floating point and currency values. Every conversion reads the
// process-wide FormatSettings() unless given a TFormatSettings explicitly;
// none depends on the C locale.

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/base/types.h"

// One argument of Format, captured by value or by view: strings are viewed,
// not copied, so a TFormatArg must not outlive the argument it was made from.
class TFormatArg {
 public:
  enum class TKind : std::uint8_t { Int32, Int64, UInt32, UInt64, Float, Currency, String, Char, Pointer };

  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, wchar_t> &&
           !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>)
      TFormatArg(T v) {  // NOLINT(google-explicit-constructor): built from Format's arguments
    if constexpr (std::is_signed_v<T>) {
      FKind = sizeof(T) <= 4 ? TKind::Int32 : TKind::Int64;
      FInt = static_cast<std::int64_t>(v);
    } else {
      FKind = sizeof(T) <= 4 ? TKind::UInt32 : TKind::UInt64;
      FUInt = static_cast<std::uint64_t>(v);
    }
  }
  // A Boolean has no directive of its own: write it with an explicit text.
  TFormatArg(bool) = delete;
  TFormatArg(double v) : FKind(TKind::Float), FFloat(v) {}
  TFormatArg(float v) : FKind(TKind::Float), FFloat(v) {}
  TFormatArg(long double v) : FKind(TKind::Float), FFloat(static_cast<double>(v)) {}
  TFormatArg(TCurrency v) : FKind(TKind::Currency), FInt(v.Value) {}
  TFormatArg(char v) : FKind(TKind::Char), FChar(v) {}
  TFormatArg(const char* v) : FKind(TKind::String), FText(v ? std::string_view(v) : std::string_view()) {}
  TFormatArg(const std::string& v) : FKind(TKind::String), FText(v) {}
  TFormatArg(std::string_view v) : FKind(TKind::String), FText(v) {}
  TFormatArg(std::nullptr_t) : FKind(TKind::Pointer), FPointer(nullptr) {}
  template <class T>
  requires(!std::same_as<std::remove_cv_t<T>, char>) TFormatArg(T* v)
      : FKind(TKind::Pointer), FPointer(static_cast<const volatile void*>(v)) {}

  TKind Kind() const { return FKind; }
  std::int64_t Int() const { return FInt; }        // Int32, Int64, Currency (scaled)
  std::uint64_t UInt() const { return FUInt; }     // UInt32, UInt64
  double Float() const { return FFloat; }          // Float
  std::string_view Text() const { return FText; }  // String
  char Char() const { return FChar; }              // Char
  const volatile void* Pointer() const { return FPointer; }

 private:
  TKind FKind;
  union {
    std::int64_t FInt;
    std::uint64_t FUInt;
    double FFloat;
    char FChar;
    const volatile void* FPointer;
  };
  std::string_view FText;
};

// The formatting engine behind Format, for argument lists built at run time.
//
// A directive is %[index:][-][width][.precision]type, with "*" in place of
// index, width or precision taking the value from the next argument (an
// integer). "index:" selects the (0-based) argument for this directive and
// the following ones; "-" aligns left within width; "%%" is a percent sign.
// Types (either case):
//   d  integer; precision = minimum digits (zeros after the sign)
//   u  integer as unsigned (32 or 64 bits, as the argument's width)
//   x  integer as upper-case hexadecimal, two's complement; precision as d
//   e  scientific "-d.ddd…E+ddd"; precision = significant digits (15)
//   f  fixed; precision = decimals (2), "%.f" none; rounded half away from 0
//   g  the shortest of fixed and scientific; precision = significant (15)
//   n  as f, with thousand separators
//   m  currency: decimals default to CurrencyDecimals, CurrencyString placed
//      by CurrencyFormat / NegCurrFormat, thousand separators
//   p  pointer, as hexadecimal digits of the pointer's full width
//   s  string or character; precision = at most that many characters
// e f g n m take floating point or TCurrency values; d u x take integers.
// A directive whose argument does not fit raises EConvertError
// "Format '<fmt>' invalid or incompatible with argument"; a directive
// without an argument raises EConvertError "No argument for format '<fmt>'".
std::string FormatArgs(const TFormatSettings& settings, std::string_view fmt,
                       std::span<const TFormatArg> args);
std::string FormatArgs(std::string_view fmt, std::span<const TFormatArg> args);

template <class... Args>
std::string Format(const TFormatSettings& settings, std::string_view fmt, const Args&... args) {
  const std::array<TFormatArg, sizeof...(Args)> list{TFormatArg(args)...};
  return FormatArgs(settings, fmt, std::span<const TFormatArg>(list.data(), list.size()));
}

template <class... Args>
std::string Format(std::string_view fmt, const Args&... args) {
  return Format(FormatSettings(), fmt, args...);
}

// --- Integers ----------------------------------------------------------------

std::string IntToStr(std::int64_t value);
// Upper-case hexadecimal, at least `digits` digits; negative values as two's
// complement of the argument's width (8 digits for int, 16 for int64).
std::string IntToHex(int value, int digits);
std::string IntToHex(unsigned value, int digits);
std::string IntToHex(std::int64_t value, int digits);
std::string IntToHex(std::uint64_t value, int digits);

// Decimal text with an optional sign after leading blanks, or hexadecimal
// after "$" or "0x"; anything else, or a value out of range, raises
// EConvertError "'<s>' is not a valid integer value".
int StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int def);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t def);
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, std::int64_t& value);
