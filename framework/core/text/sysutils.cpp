#include "framework/core/text/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace {

using TKind = TFormatArg::TKind;

bool IsIntegerKind(TKind k) {
  return k == TKind::Int32 || k == TKind::Int64 || k == TKind::UInt32 || k == TKind::UInt64;
}

std::string UnsignedText(std::uint64_t v, int base) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, base);
  std::string s(buf, res.ptr);
  if (base == 16) {
    for (char& c : s) {
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    }
  }
  return s;
}

std::string PadLeft(std::string s, int digits, char fill) {
  if (static_cast<int>(s.size()) < digits) s.insert(0, std::size_t(digits) - s.size(), fill);
  return s;
}

// The two's complement bits of an integer argument, at its own width.
std::uint64_t UnsignedBits(const TFormatArg& a) {
  switch (a.Kind()) {
    case TKind::Int32:
      return static_cast<std::uint32_t>(a.Int());
    case TKind::Int64:
      return static_cast<std::uint64_t>(a.Int());
    default:
      return a.UInt();
  }
}

class TFormatter {
 public:
  TFormatter(const TFormatSettings& settings, std::string_view fmt, std::span<const TFormatArg> args)
      : FSettings(settings), FFormat(fmt), FArgs(args) {}

  std::string Run() {
    while (FPos < FFormat.size()) {
      const char c = FFormat[FPos++];
      if (c != '%') {
        FOut += c;
      } else if (FPos < FFormat.size() && FFormat[FPos] == '%') {
        FOut += '%';
        ++FPos;
      } else {
        Directive();
      }
    }
    return std::move(FOut);
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + std::string(FFormat) + "' invalid or incompatible with argument");
  }

  const TFormatArg& NextArg() {
    if (FArgIndex >= FArgs.size()) {
      throw EConvertError("No argument for format '" + std::string(FFormat) + "'");
    }
    return FArgs[FArgIndex++];
  }

  char Peek() const { return FPos < FFormat.size() ? FFormat[FPos] : '\0'; }

  // A decimal number or "*" (the value of the next argument); false when
  // neither is there.
  bool ReadNumber(long& value) {
    if (Peek() == '*') {
      ++FPos;
      const TFormatArg& a = NextArg();
      if (!IsIntegerKind(a.Kind())) Invalid();
      const std::int64_t v = a.Kind() == TKind::UInt64 || a.Kind() == TKind::UInt32
                                 ? static_cast<std::int64_t>(std::min<std::uint64_t>(a.UInt(), kMaxNumber))
                                 : a.Int();
      value = static_cast<long>(std::clamp<std::int64_t>(v, -kMaxNumber, kMaxNumber));
      return true;
    }
    if (Peek() < '0' || Peek() > '9') return false;
    value = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      value = std::min<long>(value * 10 + (FFormat[FPos++] - '0'), kMaxNumber);
    }
    return true;
  }

  void Directive() {
    long n = 0;
    bool haveNumber = ReadNumber(n);
    if (haveNumber && Peek() == ':') {
      ++FPos;
      if (n < 0) Invalid();
      FArgIndex = static_cast<std::size_t>(n);
      haveNumber = false;
    }
    bool left = false;
    if (!haveNumber && Peek() == '-') {
      left = true;
      ++FPos;
    }
    long width = 0;
    if (haveNumber) {
      width = n;
    } else {
      ReadNumber(width);
    }
    if (width < 0) {  // "*" with a negative width aligns left
      left = true;
      width = -width;
    }
    long precision = -1;
    if (Peek() == '.') {
      ++FPos;
      precision = 0;
      ReadNumber(precision);
      if (precision < 0) precision = -1;
    }
    if (FPos >= FFormat.size()) Invalid();
    char type = FFormat[FPos++];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type + 32);
    const std::string text = Convert(type, NextArg(), static_cast<int>(precision));
    if (static_cast<long>(text.size()) < width) {
      const std::string pad(std::size_t(width) - text.size(), ' ');
      FOut += left ? text + pad : pad + text;
    } else {
      FOut += text;
    }
  }

  std::string Convert(char type, const TFormatArg& a, int precision) {
    switch (type) {
      case 'd': {
        if (!IsIntegerKind(a.Kind())) Invalid();
        const bool isSigned = a.Kind() == TKind::Int32 || a.Kind() == TKind::Int64;
        const bool negative = isSigned && a.Int() < 0;
        std::uint64_t magnitude = isSigned ? static_cast<std::uint64_t>(a.Int()) : a.UInt();
        if (negative) magnitude = 0 - magnitude;
        const std::string digits = PadLeft(UnsignedText(magnitude, 10), precision, '0');
        return negative ? '-' + digits : digits;
      }
      case 'u':
        if (!IsIntegerKind(a.Kind())) Invalid();
        return PadLeft(UnsignedText(UnsignedBits(a), 10), precision, '0');
      case 'x':
        if (!IsIntegerKind(a.Kind())) Invalid();
        return PadLeft(UnsignedText(UnsignedBits(a), 16), precision, '0');
      case 'p': {
        if (a.Kind() != TKind::Pointer) Invalid();
        const auto bits = reinterpret_cast<std::uintptr_t>(a.Pointer());
        return PadLeft(UnsignedText(bits, 16), int(sizeof(void*) * 2), '0');
      }
      case 's': {
        std::string s;
        if (a.Kind() == TKind::String) {
          s = std::string(a.Text());
        } else if (a.Kind() == TKind::Char) {
          s = std::string(1, a.Char());
        } else {
          Invalid();
        }
        if (precision >= 0 && static_cast<int>(s.size()) > precision) s.resize(std::size_t(precision));
        return s;
      }
      case 'e':
        return Float(a, ffExponent, precision < 0 ? 15 : precision, 3);
      case 'f':
        return Float(a, ffFixed, 18, precision < 0 ? 2 : precision);
      case 'g':
        return Float(a, ffGeneral, precision < 0 ? 15 : precision, 3);
      case 'n':
        return Float(a, ffNumber, 18, precision < 0 ? 2 : precision);
      case 'm':
        return Float(a, ffCurrency, 18, precision < 0 ? FSettings.CurrencyDecimals : precision);
      default:
        Invalid();
    }
  }

  std::string Float(const TFormatArg& a, TFloatFormat format, int precision, int digits) {
    if (a.Kind() == TKind::Float) return FloatToStrF(a.Float(), format, precision, digits, FSettings);
    if (a.Kind() != TKind::Currency) Invalid();
    const TCurrency c{a.Int()};
    // Fixed forms of a currency are exact; the others go through a double.
    if (format == ffFixed || format == ffNumber || format == ffCurrency) {
      return CurrToStrF(c, format, digits, FSettings);
    }
    return FloatToStrF(CurrToFloat(c), format, precision, digits, FSettings);
  }

  static constexpr long kMaxNumber = 1'000'000;  // widths beyond this are mistakes

  const TFormatSettings& FSettings;
  std::string_view FFormat;
  std::span<const TFormatArg> FArgs;
  std::size_t FPos = 0;
  std::size_t FArgIndex = 0;
  std::string FOut;
};

// Val-style integer text: blanks, sign, then decimal digits or "$"/"0x"
// hexadecimal. Hexadecimal may use the full unsigned range of the width
// (its bits are the value), decimal only the signed range.
template <class T>
bool ParseInteger(std::string_view s, T& value) {
  using U = std::make_unsigned_t<T>;
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i >= s.size()) return false;
  U magnitude = 0;
  const auto res = std::from_chars(s.data() + i, s.data() + s.size(), magnitude, base);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
  const U maxPositive = static_cast<U>(std::numeric_limits<T>::max());
  if (base == 10) {
    if (negative ? magnitude > maxPositive + 1 : magnitude > maxPositive) return false;
  }
  const U bits = negative ? static_cast<U>(0 - magnitude) : magnitude;
  value = static_cast<T>(bits);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

std::string FormatArgs(const TFormatSettings& settings, std::string_view fmt,
                       std::span<const TFormatArg> args) {
  return TFormatter(settings, fmt, args).Run();
}

std::string FormatArgs(std::string_view fmt, std::span<const TFormatArg> args) {
  return FormatArgs(FormatSettings(), fmt, args);
}

std::string IntToStr(std::int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string IntToHex(int value, int digits) {
  return PadLeft(UnsignedText(static_cast<std::uint32_t>(value), 16), digits, '0');
}
std::string IntToHex(unsigned value, int digits) { return PadLeft(UnsignedText(value, 16), digits, '0'); }
std::string IntToHex(std::int64_t value, int digits) {
  return PadLeft(UnsignedText(static_cast<std::uint64_t>(value), 16), digits, '0');
}
std::string IntToHex(std::uint64_t value, int digits) {
  return PadLeft(UnsignedText(value, 16), digits, '0');
}

bool TryStrToInt(std::string_view s, int& value) { return ParseInteger(s, value); }
bool TryStrToInt64(std::string_view s, std::int64_t& value) { return ParseInteger(s, value); }

int StrToInt(std::string_view s) {
  int v = 0;
  if (!ParseInteger(s, v)) InvalidInteger(s);
  return v;
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t v = 0;
  if (!ParseInteger(s, v)) InvalidInteger(s);
  return v;
}

int StrToIntDef(std::string_view s, int def) {
  int v = 0;
  return ParseInteger(s, v) ? v : def;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t def) {
  std::int64_t v = 0;
  return ParseInteger(s, v) ? v : def;
}
