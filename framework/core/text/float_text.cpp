#include "framework/core/text/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"

namespace {

// A value as decimal digits: 0.D1D2…Dn × 10^Exponent. Count 0 is zero.
struct TDecimal {
  bool Negative = false;
  int Exponent = 0;
  int Count = 0;
  char Digits[24] = {};

  bool IsZero() const { return Count == 0; }
  char Digit(int i) const { return i >= 0 && i < Count ? Digits[i] : '0'; }
};

constexpr int kMaxFloatDigits = 18;     // what a double's text is rounded from
constexpr int kMaxCurrencyDigits = 19;  // every digit of a 64-bit integer

void StripTrailingZeros(TDecimal& d) {
  while (d.Count > 0 && d.Digits[d.Count - 1] == '0') --d.Count;
  if (d.Count == 0) d.Exponent = 0;
}

// The first 18 significant digits of a finite double, correctly rounded.
TDecimal DecimalOf(double value) {
  TDecimal d;
  d.Negative = std::signbit(value);
  if (value == 0) return d;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                 kMaxFloatDigits - 1);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  // "d.ddddde+XX"
  const std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') d.Digits[d.Count++] = text[i];
  }
  int exp = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exp);
  d.Exponent = exp + 1;
  StripTrailingZeros(d);
  return d;
}

TDecimal DecimalOf(TCurrency value) {
  TDecimal d;
  d.Negative = value.Value < 0;
  std::uint64_t magnitude =
      d.Negative ? 0 - static_cast<std::uint64_t>(value.Value) : std::uint64_t(value.Value);
  if (magnitude == 0) return d;
  char buf[24] = {};
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude);
  const int n = static_cast<int>(res.ptr - buf);
  std::copy(buf, res.ptr, d.Digits);
  d.Count = n;
  d.Exponent = n - 4;
  StripTrailingZeros(d);
  return d;
}

// Keeps at most `precision` significant digits and at most `decimals`
// digits after the point, rounding half away from zero.
void Round(TDecimal& d, int precision, int decimals) {
  if (d.IsZero()) return;
  const long keepLong = std::min<long>(precision, long(d.Exponent) + decimals);
  if (keepLong >= d.Count) return;
  const int keep = static_cast<int>(std::max<long>(keepLong, -1));
  if (keep < 0 || (keep == 0 && d.Digits[0] < '5')) {
    d.Count = 0;
    d.Exponent = 0;
    return;
  }
  const bool up = d.Digits[keep] >= '5';
  d.Count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[i] == '9') d.Digits[i--] = '0';
    if (i >= 0) {
      ++d.Digits[i];
    } else {  // 999 → 1000, or 0.5 → 1 when nothing was kept
      d.Digits[0] = '1';
      d.Count = std::max(d.Count, 1);
      ++d.Exponent;
    }
  }
  StripTrailingZeros(d);
}

void AppendGrouped(std::string& out, std::string_view digits, char separator) {
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[i];
    const std::size_t left = n - 1 - i;
    if (separator != '\0' && left > 0 && left % 3 == 0) out += separator;
  }
}

std::string IntegerDigits(const TDecimal& d) {
  if (d.Exponent <= 0) return "0";
  std::string s;
  for (int i = 0; i < d.Exponent; ++i) s += d.Digit(i);
  return s;
}

std::string FractionDigits(const TDecimal& d, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += d.Digit(d.Exponent + i);
  return s;
}

void AppendExponent(std::string& out, int exponent, bool forceSign, int minDigits) {
  if (exponent < 0) {
    out += '-';
  } else if (forceSign) {
    out += '+';
  }
  std::string digits = std::to_string(std::abs(exponent));
  if (static_cast<int>(digits.size()) < minDigits)
    digits.insert(0, std::size_t(minDigits) - digits.size(), '0');
  out += digits;
}

std::string SpecialText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string DecimalToText(TDecimal d, TFloatFormat format, int precision, int digits, int maxDigits,
                          const TFormatSettings& fs) {
  precision = std::clamp(precision, 1, maxDigits);
  std::string out;
  switch (format) {
    case ffExponent: {
      Round(d, precision, std::numeric_limits<int>::max() / 2);
      if (d.Negative && !d.IsZero()) out += '-';
      out += d.Digit(0);
      if (precision > 1) {
        out += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) out += d.Digit(i);
      }
      out += 'E';
      AppendExponent(out, d.IsZero() ? 0 : d.Exponent - 1, true, std::clamp(digits, 0, 4));
      return out;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, kMaxFloatDigits);
      Round(d, precision, digits);
      if (d.Exponent > precision) return DecimalToText(d, ffGeneral, precision, 0, maxDigits, fs);
      const bool negative = d.Negative && !d.IsZero();
      std::string number;
      if (format == ffFixed) {
        number = IntegerDigits(d);
      } else {
        AppendGrouped(number, IntegerDigits(d), fs.ThousandSeparator);
      }
      if (digits > 0) {
        number += fs.DecimalSeparator;
        number += FractionDigits(d, digits);
      }
      if (format == ffCurrency) return CurrencyText(number, negative, fs);
      return negative ? '-' + number : number;
    }
    case ffGeneral:
    default: {
      Round(d, precision, std::numeric_limits<int>::max() / 2);
      if (d.IsZero()) return "0";
      if (d.Negative) out += '-';
      if (d.Exponent > precision || d.Exponent < -3) {
        out += d.Digits[0];
        if (d.Count > 1) {
          out += fs.DecimalSeparator;
          out.append(d.Digits + 1, d.Digits + d.Count);
        }
        out += 'E';
        AppendExponent(out, d.Exponent - 1, false, std::clamp(digits, 0, 4));
        return out;
      }
      out += IntegerDigits(d);
      const int decimals = d.Count - d.Exponent;
      if (decimals > 0) {
        out += fs.DecimalSeparator;
        out += FractionDigits(d, decimals);
      }
      return out;
    }
  }
}

// --- FormatFloat ---------------------------------------------------------

// Splits "positive;negative;zero", keeping semicolons inside quotes.
std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < format.size() && sections.size() < 2; ++i) {
    const char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  std::string_view last = format.substr(start);
  if (sections.size() == 2) {
    // A fourth section and beyond are ignored.
    quote = 0;
    for (std::size_t i = 0; i < last.size(); ++i) {
      const char c = last[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == ';') {
        last = last.substr(0, i);
        break;
      }
    }
  }
  sections.push_back(last);
  return sections;
}

bool IsExponentAt(std::string_view s, std::size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

// What a section asks for, read before any digit is placed.
struct TPicture {
  int IntPlaceholders = 0;
  int MinIntDigits = 0;  // placeholders from the first '0' to the point
  int FracPlaceholders = 0;
  int MinFracDigits = 0;  // up to the last '0' after the point
  bool Thousands = false;
  bool Scientific = false;
};

TPicture ReadPicture(std::string_view s) {
  TPicture p;
  bool afterPoint = false;
  int firstZero = -1;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
      const std::size_t close = s.find(c, i + 1);
      i = close == std::string_view::npos ? s.size() : close;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.FracPlaceholders;
        if (c == '0') p.MinFracDigits = p.FracPlaceholders;
      } else {
        if (c == '0' && firstZero < 0) firstZero = p.IntPlaceholders;
        ++p.IntPlaceholders;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      p.Thousands = true;
    } else if (IsExponentAt(s, i)) {
      p.Scientific = true;
      break;  // the zeros after "E+" are the exponent's, not the mantissa's
    }
  }
  if (firstZero >= 0) p.MinIntDigits = p.IntPlaceholders - firstZero;
  return p;
}

// Places the digits of d into the section. d is the rounded magnitude.
std::string RenderSection(std::string_view s, const TPicture& p, const TDecimal& d, int shownExponent,
                          bool minus, const TFormatSettings& fs) {
  std::string intText;
  std::string fracText;
  if (p.Scientific) {
    for (int i = 0; i < p.IntPlaceholders; ++i) intText += d.Digit(i);
    for (int i = 0; i < p.FracPlaceholders; ++i) fracText += d.Digit(p.IntPlaceholders + i);
  } else {
    if (d.Exponent > 0) intText = IntegerDigits(d);
    fracText = FractionDigits(d, p.FracPlaceholders);
  }
  if (static_cast<int>(intText.size()) < p.MinIntDigits) {
    intText.insert(0, std::size_t(p.MinIntDigits) - intText.size(), '0');
  }
  while (static_cast<int>(fracText.size()) > p.MinFracDigits && fracText.back() == '0') fracText.pop_back();

  const bool group = p.Thousands && !p.Scientific && fs.ThousandSeparator != '\0';
  const int n = static_cast<int>(intText.size());
  std::string out;
  if (minus) out += '-';
  // Emits the integer digit at `position` (1 = units) and a separator after
  // it when the group it closes is complete.
  auto emitDigit = [&](int position) {
    out += intText[std::size_t(n - position)];
    if (group && position > 1 && (position - 1) % 3 == 0) out += fs.ThousandSeparator;
  };
  auto emitAllIntegerDigits = [&] {
    for (int q = n; q >= 1; --q) emitDigit(q);
  };

  bool afterPoint = false;
  bool pointSeen = false;
  bool integerDone = p.IntPlaceholders == 0 && n == 0;
  int intIndex = 0;
  int fracIndex = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
      const std::size_t close = s.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      out.append(s.substr(i + 1, end - i - 1));
      i = end;
    } else if ((c == '0' || c == '#') && !afterPoint && !integerDone) {
      const int position = p.IntPlaceholders - intIndex;
      if (intIndex == 0) {
        for (int q = n; q >= std::max(position, 1); --q) emitDigit(q);
      } else if (position <= n) {
        emitDigit(position);
      }
      if (++intIndex == p.IntPlaceholders) integerDone = true;
    } else if ((c == '0' || c == '#') && afterPoint && fracIndex < p.FracPlaceholders) {
      if (fracIndex < static_cast<int>(fracText.size())) out += fracText[std::size_t(fracIndex)];
      ++fracIndex;
    } else if (c == '.') {
      if (pointSeen) continue;
      pointSeen = afterPoint = true;
      if (!integerDone) {  // no integer placeholders: the digits go before the point
        emitAllIntegerDigits();
        integerDone = true;
      }
      if (!fracText.empty()) out += fs.DecimalSeparator;
    } else if (c == ',') {
      // Only switches grouping on.
    } else if (p.Scientific && IsExponentAt(s, i)) {
      out += c;
      const bool forceSign = s[i + 1] == '+';
      i += 2;
      int zeros = 0;
      while (i < s.size() && s[i] == '0') ++zeros, ++i;
      --i;
      AppendExponent(out, shownExponent, forceSign, std::clamp(zeros, 1, 4));
      afterPoint = true;  // what follows is literal text
      integerDone = true;
      fracIndex = p.FracPlaceholders;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

// The placements of the currency formats, C for the currency string and
// # for the number; the first of each list also stands for a format out of
// range.
constexpr std::string_view PositiveCurrency[] = {"C#", "#C", "C #", "# C"};
constexpr std::string_view NegativeCurrency[] = {"(C#)", "-C#",  "C-#",   "C#-",  "(#C)", "-#C",
                                                 "#-C",  "#C-",  "-# C",  "-C #", "# C-", "C #-",
                                                 "C -#", "#- C", "(C #)", "(# C)"};

std::string CurrencyText(const std::string& number, bool negative, const TFormatSettings& fs) {
  const std::span<const std::string_view> patterns =
      negative ? std::span<const std::string_view>(NegativeCurrency)
               : std::span<const std::string_view>(PositiveCurrency);
  // A format out of range (a negative one wraps far past the end) takes the first.
  const auto format = static_cast<std::size_t>(negative ? fs.NegCurrFormat : fs.CurrencyFormat);
  const std::string_view pattern = patterns[format < patterns.size() ? format : 0];
  std::string text;
  text.reserve(pattern.size() + number.size() + fs.CurrencyString.size());
  for (const char c : pattern) {
    if (c == 'C')
      text += fs.CurrencyString;
    else if (c == '#')
      text += number;
    else
      text += c;
  }
  return text;
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
  if (!std::isfinite(value)) return SpecialText(value);
  return DecimalToText(DecimalOf(value), format, precision, digits, kMaxFloatDigits, settings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return SpecialText(value);
  if (format.empty()) return FloatToStr(value, settings);
  const std::vector<std::string_view> sections = SplitSections(format);
  auto hasSection = [&](std::size_t i) { return i < sections.size() && !sections[i].empty(); };

  std::size_t index = 0;
  if (value < 0 && hasSection(1)) {
    index = 1;
  } else if (value == 0 && hasSection(2)) {
    index = 2;
  }
  for (;;) {
    const std::string_view section = sections[index];
    const TPicture picture = ReadPicture(section);
    TDecimal d = DecimalOf(value);
    d.Negative = false;
    int shownExponent = 0;
    if (picture.Scientific) {
      const int wanted = std::clamp(picture.IntPlaceholders + picture.FracPlaceholders, 1, kMaxFloatDigits);
      Round(d, wanted, std::numeric_limits<int>::max() / 2);
      if (!d.IsZero()) shownExponent = d.Exponent - picture.IntPlaceholders;
    } else {
      Round(d, kMaxFloatDigits, picture.FracPlaceholders);
      if (d.Exponent > kMaxFloatDigits) return FloatToStrF(value, ffGeneral, 15, 0, settings);
    }
    if (d.IsZero() && index != 2 && hasSection(2)) {
      index = 2;  // rounds to zero: the zero section speaks for it
      continue;
    }
    const bool minus = index == 0 && value < 0 && !d.IsZero();
    return RenderSection(section, picture, d, shownExponent, minus, settings);
  }
}

std::string FormatFloat(std::string_view format, double value) {
  return FormatFloat(format, value, FormatSettings());
}

// --- Parsing ---------------------------------------------------------------

namespace {

// The parts of a number text: sign, all mantissa digits (without the
// point), the count of digits before the point, and the written exponent.
struct TNumberText {
  bool Negative = false;
  std::string Digits;
  int IntDigits = 0;
  long Exponent = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool ParseNumberText(std::string_view s, char decimalSeparator, TNumberText& n) {
  std::size_t i = 0, end = s.size();
  while (i < end && IsBlank(s[i])) ++i;
  while (end > i && IsBlank(s[end - 1])) --end;
  if (i < end && (s[i] == '+' || s[i] == '-')) n.Negative = s[i++] == '-';
  while (i < end && IsDigit(s[i])) n.Digits += s[i++];
  n.IntDigits = static_cast<int>(n.Digits.size());
  if (i < end && s[i] == decimalSeparator) {
    ++i;
    while (i < end && IsDigit(s[i])) n.Digits += s[i++];
  }
  if (n.Digits.empty()) return false;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i >= end || !IsDigit(s[i])) return false;
    long e = 0;
    while (i < end && IsDigit(s[i])) {
      e = std::min(e * 10 + (s[i++] - '0'), 100000L);
    }
    n.Exponent = negative ? -e : e;
  }
  return i == end;
}

[[noreturn]] void InvalidFloat(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
}

}  // namespace

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
  TNumberText n;
  if (!ParseNumberText(s, settings.DecimalSeparator, n)) return false;
  // Rebuilt in the one notation from_chars reads, whatever the separator.
  const std::size_t intDigits = std::min(std::size_t(n.IntDigits), n.Digits.size());
  std::string text;
  text.reserve(n.Digits.size() + 24);
  if (intDigits == 0) text += '0';
  text.append(n.Digits, 0, intDigits);
  text += '.';
  text.append(n.Digits, intDigits, std::string::npos);
  text += 'e';
  text += std::to_string(n.Exponent);
  double result = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), result);
  if (res.ec == std::errc::result_out_of_range) {
    // Tiny values underflow to zero; huge ones are not valid.
    const std::size_t firstSignificant = n.Digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos) {
      result = 0;
    } else if (n.IntDigits - long(firstSignificant) + n.Exponent < 0) {
      result = 0;
    } else {
      return false;
    }
  } else if (res.ec != std::errc() || !std::isfinite(result)) {
    return false;
  }
  value = n.Negative ? -result : result;
  return true;
}

bool TryStrToFloat(std::string_view s, double& value) { return TryStrToFloat(s, value, FormatSettings()); }

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
  double v = 0;
  if (!TryStrToFloat(s, v, settings)) InvalidFloat(s);
  return v;
}

double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings()); }

double StrToFloatDef(std::string_view s, double def, const TFormatSettings& settings) {
  double v = 0;
  return TryStrToFloat(s, v, settings) ? v : def;
}

double StrToFloatDef(std::string_view s, double def) { return StrToFloatDef(s, def, FormatSettings()); }

// --- Currency --------------------------------------------------------------

std::string CurrToStrF(TCurrency value, TFloatFormat format, int digits, const TFormatSettings& settings) {
  return DecimalToText(DecimalOf(value), format, kMaxCurrencyDigits, digits, kMaxCurrencyDigits, settings);
}

std::string CurrToStrF(TCurrency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings());
}

std::string CurrToStr(TCurrency value, const TFormatSettings& settings) {
  return CurrToStrF(value, ffGeneral, 0, settings);
}

std::string CurrToStr(TCurrency value) { return CurrToStr(value, FormatSettings()); }

bool TryStrToCurr(std::string_view s, TCurrency& value, const TFormatSettings& settings) {
  TNumberText n;
  if (!ParseNumberText(s, settings.DecimalSeparator, n)) return false;
  // value × 10^4 = Digits × 10^shift
  const long shift = n.Exponent - (long(n.Digits.size()) - n.IntDigits) + 4;
  const long length = static_cast<long>(n.Digits.size());
  const long intLength = std::clamp(length + shift, 0L, length);  // digits before the scaled point
  unsigned __int128 scaled = 0;
  const unsigned __int128 limit =
      static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + 1;
  for (long i = 0; i < intLength; ++i) {
    scaled = scaled * 10 + unsigned(n.Digits[std::size_t(i)] - '0');
    if (scaled > limit) return false;
  }
  for (long k = 0; k < shift; ++k) {
    if (scaled == 0) break;
    scaled *= 10;
    if (scaled > limit) return false;
  }
  // Round half to even on the digits that fall after the scaled point.
  if (intLength < length && shift < 0) {
    const long first = intLength;
    // Digits implied between the scaled point and the first written one.
    const long implied = std::max(0L, -(length + shift));
    if (implied == 0) {
      const char d = n.Digits[std::size_t(first)];
      bool restNonZero = false;
      for (long i = first + 1; i < length; ++i) restNonZero |= n.Digits[std::size_t(i)] != '0';
      if (d > '5' || (d == '5' && (restNonZero || (scaled & 1)))) ++scaled;
    }
  }
  if (scaled > limit || (scaled == limit && !n.Negative)) return false;
  const std::int64_t magnitude =
      scaled == limit ? std::numeric_limits<std::int64_t>::min() : static_cast<std::int64_t>(scaled);
  value.Value = (n.Negative && scaled != limit) ? -magnitude : magnitude;
  return true;
}

bool TryStrToCurr(std::string_view s, TCurrency& value) { return TryStrToCurr(s, value, FormatSettings()); }

TCurrency StrToCurr(std::string_view s, const TFormatSettings& settings) {
  TCurrency v;
  if (!TryStrToCurr(s, v, settings)) InvalidFloat(s);
  return v;
}

TCurrency StrToCurr(std::string_view s) { return StrToCurr(s, FormatSettings()); }

bool TryFloatToCurr(double value, TCurrency& result) {
  if (!std::isfinite(value)) return false;
  // Half to even, as the currency type has always rounded.
  const long double scaled = std::nearbyint(static_cast<long double>(value) * 10000.0L);
  constexpr long double kLimit = 9223372036854775808.0L;  // 2^63
  if (scaled >= kLimit || scaled < -kLimit) return false;
  result.Value = static_cast<std::int64_t>(scaled);
  return true;
}

TCurrency FloatToCurr(double value) {
  TCurrency c;
  if (!TryFloatToCurr(value, c)) {
    throw EConvertError("'" + FloatToStr(value) + "' is not a valid currency value");
  }
  return c;
}

double CurrToFloat(TCurrency value) { return static_cast<double>(value.Value) / TCurrency::Scale; }
