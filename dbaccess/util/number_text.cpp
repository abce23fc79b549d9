#include "dbaccess/util/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "dbaccess/util/helpers.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"

namespace {

constexpr std::array<std::int64_t, 19> PowersOfTen = [] {
  std::array<std::int64_t, 19> table{};
  table[0] = 1;
  for (std::size_t i = 1; i < table.size(); ++i) table[i] = table[i - 1] * 10;
  return table;
}();

std::uint64_t Magnitude(std::int64_t v) {
  // Unsigned negation keeps the smallest 64-bit value representable.
  return v < 0 ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
}

std::string UnsignedText(std::uint64_t v) {
  std::array<char, 24> buffer{};
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  return std::string(buffer.data(), end);
}

// digits / 10^places as text, trailing fraction zeros and leading integer
// zeros dropped; "-" only in front of a value that is not zero.
std::string ScaledDigitsText(bool negative, std::string digits, int places, char separator) {
  places = std::max(places, 0);
  if (static_cast<int>(digits.size()) <= places) digits.insert(0, places + 1 - digits.size(), '0');
  std::string integer = digits.substr(0, digits.size() - static_cast<std::size_t>(places));
  std::string fraction = digits.substr(integer.size());
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string text = integer;
  if (!fraction.empty()) text += separator + fraction;
  if (negative && text != "0") text.insert(0, 1, '-');
  return text;
}

// ---- BCD digits ----

struct TBcdDigits {
  bool Negative = false;
  bool Special = false;
  std::string Digits;  // Precision digits, most significant first
  int Places = 0;
};

TBcdDigits ReadBcd(const TBcd& bcd) {
  TBcdDigits d;
  d.Places = bcd.SignSpecialPlaces & 0x7F;
  if (d.Places >= 64) {
    d.Special = true;
    d.Places = 0;
    d.Digits = "0";
    return d;
  }
  d.Negative = (bcd.SignSpecialPlaces & 0x80) != 0;
  const int precision = std::min<int>(bcd.Precision, 64);
  for (int i = 0; i < precision; ++i) {
    const std::uint8_t byte = bcd.Fraction[i / 2];
    const int digit = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
    d.Digits += static_cast<char>('0' + std::min(digit, 9));
  }
  if (d.Digits.empty()) d.Digits = "0";
  return d;
}

// The integer and fraction digits without leading and trailing zeros.
struct TNormalized {
  bool Negative = false;
  std::string Integer;
  std::string Fraction;
};

TNormalized Normalize(const TBcdDigits& d) {
  std::string digits = d.Digits;
  if (static_cast<int>(digits.size()) <= d.Places) digits.insert(0, d.Places + 1 - digits.size(), '0');
  TNormalized n;
  n.Integer = digits.substr(0, digits.size() - static_cast<std::size_t>(d.Places));
  n.Fraction = digits.substr(n.Integer.size());
  n.Integer.erase(0, n.Integer.find_first_not_of('0') == std::string::npos
                         ? n.Integer.size()
                         : n.Integer.find_first_not_of('0'));
  while (!n.Fraction.empty() && n.Fraction.back() == '0') n.Fraction.pop_back();
  n.Negative = d.Negative && !(n.Integer.empty() && n.Fraction.empty());
  return n;
}

int CompareMagnitude(const TNormalized& a, const TNormalized& b) {
  if (a.Integer.size() != b.Integer.size()) return a.Integer.size() < b.Integer.size() ? -1 : 1;
  if (int c = a.Integer.compare(b.Integer); c != 0) return c < 0 ? -1 : 1;
  if (int c = a.Fraction.compare(b.Fraction); c != 0) return c < 0 ? -1 : 1;
  return 0;
}

}  // namespace

// ---- Powers and rounding --------------------------------------------------------

double PowerOfTen(int n) {
  if (n >= 0 && n < static_cast<int>(PowersOfTen.size())) return static_cast<double>(PowersOfTen[n]);
  if (n < 0 && -n < static_cast<int>(PowersOfTen.size())) return 1.0 / static_cast<double>(PowersOfTen[-n]);
  return std::pow(10.0, n);
}

int DecimalDigits(double x) {
  if (!std::isfinite(x)) return 0;
  const double a = std::fabs(std::trunc(x));
  if (a >= 1e18) {
    int digits = 19;
    for (double limit = 1e19; a >= limit; limit *= 10) ++digits;
    return digits;
  }
  // The count of table entries not above a.
  int low = 0, high = static_cast<int>(PowersOfTen.size()) - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    if (static_cast<double>(PowersOfTen[mid]) <= a)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

double RoundFraction(double x, int d) {
  const double integer = std::trunc(x);
  const double scale = PowerOfTen(d);
  return integer + std::round((x - integer) * scale) / scale;
}

// ---- 64-bit integers --------------------------------------------------------------

std::string Int64ToText(std::int64_t v) { return (v < 0 ? "-" : "") + UnsignedText(Magnitude(v)); }

std::string ScaledInt64ToText(int places, char separator, std::int64_t v) {
  return ScaledDigitsText(v < 0, UnsignedText(Magnitude(v)), places, separator);
}

// ---- BCD ----------------------------------------------------------------------------

void Int64ToBcd(int places, TBcd& bcd, std::int64_t v) {
  places = std::clamp(places, 0, 63);
  bcd = TBcd{};
  const int precision = std::max(32, places);
  bcd.Precision = static_cast<std::uint8_t>(precision);
  bcd.SignSpecialPlaces = static_cast<std::uint8_t>((v < 0 ? 0x80 : 0) | places);
  std::uint64_t m = Magnitude(v);
  for (int i = precision - 1; i >= 0 && m != 0; --i, m /= 10) {
    const auto digit = static_cast<std::uint8_t>(m % 10);
    bcd.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(digit << 4) : digit;
  }
}

void BcdToInt64(const TBcd& bcd, std::int64_t& v, int& places) {
  const TBcdDigits d = ReadBcd(bcd);
  std::string digits = d.Digits;
  int p = d.Places;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  // Zeros at the end of the fraction carry no value; give them up before
  // giving up on the value.
  while (digits.size() > 19 && p > 0 && digits.back() == '0') {
    digits.pop_back();
    --p;
  }
  std::uint64_t m = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), m);
  constexpr std::uint64_t limit = std::uint64_t(1) << 63;  // the magnitude of the smallest value
  if (ec != std::errc() || m > limit || (!d.Negative && m == limit)) throw EConvertError("BCD overflow");
  v = d.Negative ? static_cast<std::int64_t>(~m + 1) : static_cast<std::int64_t>(m);
  places = p;
}

std::string BcdToText(const TBcd& bcd) {
  const TBcdDigits d = ReadBcd(bcd);
  return ScaledDigitsText(d.Negative, d.Digits, d.Places, FormatSettings().DecimalSeparator);
}

std::string BcdToTextDot(const TBcd& bcd) {
  const TBcdDigits d = ReadBcd(bcd);
  return ScaledDigitsText(d.Negative, d.Digits, d.Places, '.');
}

double BcdToExtended(const TBcd& bcd) {
  const std::string text = BcdToTextDot(bcd);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

int CompareBcd(const TBcd& a, const TBcd& b) {
  const TNormalized x = Normalize(ReadBcd(a));
  const TNormalized y = Normalize(ReadBcd(b));
  if (x.Negative != y.Negative) return x.Negative ? -1 : 1;
  const int c = CompareMagnitude(x, y);
  return x.Negative ? -c : c;
}

std::int64_t StrToComp(std::string_view s) {
  std::string text(s);
  TrimInPlace(text);
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
      (digits.front() == '-' && text.front() == '+'))
    throw EConvertError("Invalid comp value");
  return value;
}

// ---- Formatting with exact fraction digits ------------------------------------------

namespace {

// Splits at the character outside quoted literals.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char at) {
  std::vector<std::string_view> parts;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (quote) {
      if (s[i] == quote) quote = 0;
    } else if (s[i] == '"' || s[i] == '\'') {
      quote = s[i];
    } else if (s[i] == at) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

bool HasExponent(std::string_view section) {
  char quote = 0;
  for (char c : section) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == 'E' || c == 'e') {
      return true;
    }
  }
  return false;
}

// Literal text of a format: quoted parts without their quotes.
std::string Literal(std::string_view s) {
  std::string text;
  for (char c : s)
    if (c != '"' && c != '\'') text += c;
  return text;
}

}  // namespace

std::string FormatFloatDigits(std::string_view format, int digits, double x) {
  return FormatFloatDigits(format, digits, x, FormatSettings());
}

std::string FormatFloatDigits(std::string_view format, int digits, double x,
                              const TFormatSettings& settings) {
  const auto whole = [&] { return FormatFloat(format, x, settings); };
  if (x == 0 || !std::isfinite(x)) return whole();
  const std::vector<std::string_view> sections = SplitOutsideQuotes(format, ';');
  // A negative section of its own writes the value without its minus sign.
  const bool ownNegative = x < 0 && sections.size() > 1 && !sections[1].empty();
  const std::string_view section = ownNegative ? sections[1] : sections[0];
  const double value = ownNegative ? -x : x;
  if (section.empty() || HasExponent(section)) return whole();
  const std::vector<std::string_view> halves = SplitOutsideQuotes(section, '.');
  if (halves.size() < 2) return whole();
  const std::string_view intPattern = halves[0];
  const std::string_view fracPattern = section.substr(intPattern.size() + 1);

  // The exact decimal expansion, rounded to the digits asked for; a carry
  // has already moved into the integer part.
  digits = std::clamp(digits, 0, 300);
  std::string expansion(400, '\0');
  auto [end, ec] = std::to_chars(expansion.data(), expansion.data() + expansion.size(), std::fabs(value),
                                 std::chars_format::fixed, digits);
  expansion.resize(ec == std::errc() ? static_cast<std::size_t>(end - expansion.data()) : 0);
  const std::size_t dot = expansion.find('.');
  const std::string integerDigits = expansion.substr(0, dot);
  std::string fraction = dot == std::string::npos ? std::string() : expansion.substr(dot + 1);

  double integer = 0;
  std::from_chars(integerDigits.data(), integerDigits.data() + integerDigits.size(), integer);
  const bool negative = value < 0;
  std::string text = FormatFloat(intPattern.empty() ? std::string_view("#") : intPattern,
                                 negative && integer != 0 ? -integer : integer, settings);

  // The fraction's digit pattern and the literal text around it.
  std::size_t first = std::string_view::npos, last = std::string_view::npos;
  int zeros = 0;
  bool hash = false;
  char quote = 0;
  for (std::size_t i = 0; i < fracPattern.size(); ++i) {
    const char c = fracPattern[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '0' || c == '#') {
      if (first == std::string_view::npos) first = i;
      last = i;
      if (c == '0')
        ++zeros;
      else
        hash = true;
    }
  }
  if (static_cast<int>(fraction.size()) < zeros) fraction.append(zeros - fraction.size(), '0');
  if (hash)
    while (static_cast<int>(fraction.size()) > zeros && fraction.back() == '0') fraction.pop_back();
  const std::string_view before =
      first == std::string_view::npos ? fracPattern : fracPattern.substr(0, first);
  const std::string_view after =
      last == std::string_view::npos ? std::string_view() : fracPattern.substr(last + 1);

  // Formatting the integer part alone loses the sign of values above -1.
  const bool showsValue = integer != 0 || fraction.find_first_not_of('0') != std::string::npos;
  if (negative && integer == 0 && showsValue) text.insert(0, 1, '-');
  if (!fraction.empty()) text += settings.DecimalSeparator;
  text += Literal(before);
  text += fraction;
  text += Literal(after);
  return text;
}
