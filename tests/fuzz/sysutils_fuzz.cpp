// Format and the conversions between numbers and text: integers, floating
// point and currency, with the Russian settings and with "." settings.
//
// Input: a Format pattern on the first line, a FormatFloat picture on the
// second, a number text on the third. The values formatted are read from
// the number text where it holds one, and from the input's bytes.
// Promises checked:
// - Format fails only with the conversion error, and its directives agree
//   with the routines they stand for (%d, %x, %.Nf, %s);
// - integers, currency and 18-digit floating point texts read back as the
//   value written, in either notation the settings give;
// - a 15-digit floating point text reads back as a value written the same;
// - a text read as currency and as floating point gives the same amount,
//   to the fourth decimal;
// - FormatFloat with a plain picture writes what the fixed and number
//   formats write.

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

TFormatSettings DotSettings() {
  TFormatSettings s = TFormatSettings::Russian();
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  return s;
}

void CheckFormat(std::string_view pattern, std::int64_t i, double d, TCurrency c, const std::string& text,
                 const TFormatSettings& fs) {
  try {
    Format(fs, pattern, static_cast<int>(i), i, static_cast<unsigned>(i), d, c, text, 'x', 7);
  } catch (const EConvertError&) {
  }
  FUZZ_CHECK(Format(fs, "%d", i) == IntToStr(i), std::to_string(i));
  FUZZ_CHECK(Format(fs, "%x", i) == IntToHex(i, 0), std::to_string(i));
  FUZZ_CHECK(Format(fs, "%s|%5s|%-5s", text, text, text) ==
                 text + "|" + std::string(text.size() < 5 ? 5 - text.size() : 0, ' ') + text + "|" + text +
                     std::string(text.size() < 5 ? 5 - text.size() : 0, ' '),
             FuzzShown(text));
  const int decimals = static_cast<int>(static_cast<std::uint64_t>(i) % 19);
  FUZZ_CHECK(Format(fs, "%.*f", decimals, d) == FloatToStrF(d, ffFixed, 18, decimals, fs),
             FuzzShown(Format(fs, "%.*f", decimals, d)) + " " +
                 FuzzShown(FloatToStrF(d, ffFixed, 18, decimals, fs)));
}

void CheckInteger(std::int64_t i) {
  FUZZ_CHECK(StrToInt64(IntToStr(i)) == i, std::to_string(i));
  FUZZ_CHECK(StrToInt64("$" + IntToHex(i, 16)) == i && StrToInt64("0x" + IntToHex(i, 1)) == i,
             std::to_string(i));
  const int n = static_cast<int>(i);
  FUZZ_CHECK(StrToInt(IntToStr(n)) == n && StrToInt("$" + IntToHex(n, 8)) == n, std::to_string(n));
}

void CheckIntegerText(std::string_view s) {
  std::int64_t v = 0;
  const bool ok = TryStrToInt64(s, v);
  bool raised = false;
  try {
    StrToInt64(s);
  } catch (const EConvertError&) {
    raised = true;
  }
  FUZZ_CHECK(ok != raised, FuzzShown(s));
  if (ok) CheckInteger(v);
  int n = 0;
  if (TryStrToInt(s, n) && s.find_first_of("$xX") == std::string_view::npos)
    FUZZ_CHECK(ok && v == n, FuzzShown(s));
}

void CheckFloat(double d, const TFormatSettings& fs) {
  if (!std::isfinite(d)) {
    FUZZ_CHECK(!TryStrToFloat(FloatToStr(d, fs), d, fs), std::to_string(d));
    return;
  }
  for (TFloatFormat format : {ffGeneral, ffExponent}) {
    const std::string text = FloatToStrF(d, format, 18, 0, fs);
    double back = 0;
    FUZZ_CHECK(TryStrToFloat(text, back, fs) && back == d,
               FuzzShown(text) + " for " + std::to_string(std::bit_cast<std::uint64_t>(d)));
  }
  const std::string shown = FloatToStr(d, fs);
  double read = 0;
  FUZZ_CHECK(TryStrToFloat(shown, read, fs) && FloatToStr(read, fs) == shown,
             FuzzShown(shown) + " read back as " + FuzzShown(FloatToStr(read, fs)));

  if (std::fabs(d) < 1e15) {
    const int decimals = static_cast<int>(std::bit_cast<std::uint64_t>(d) % 7);
    const std::string picture =
        decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
    FUZZ_CHECK(FormatFloat(picture, d, fs) == FloatToStrF(d, ffFixed, 18, decimals, fs),
               FuzzShown(picture) + " " + FuzzShown(FormatFloat(picture, d, fs)) + " fixed " +
                   FuzzShown(FloatToStrF(d, ffFixed, 18, decimals, fs)));
    FUZZ_CHECK(FormatFloat("#,##0.00", d, fs) == FloatToStrF(d, ffNumber, 18, 2, fs),
               FuzzShown(FormatFloat("#,##0.00", d, fs)) + " number " +
                   FuzzShown(FloatToStrF(d, ffNumber, 18, 2, fs)));
  }
}

void CheckCurrency(TCurrency c, const TFormatSettings& fs) {
  for (const std::string& text :
       {CurrToStr(c, fs), CurrToStrF(c, ffFixed, 4, fs), CurrToStrF(c, ffGeneral, 4, fs)}) {
    TCurrency back{0};
    FUZZ_CHECK(TryStrToCurr(text, back, fs) && back.Value == c.Value,
               FuzzShown(text) + " for " + std::to_string(c.Value) + " read " + std::to_string(back.Value));
  }
  if (c.Value > -(std::int64_t{1} << 52) && c.Value < (std::int64_t{1} << 52)) {
    FUZZ_CHECK(FloatToCurr(CurrToFloat(c)).Value == c.Value, std::to_string(c.Value));
  }
}

void CheckNumberText(std::string_view s, const TFormatSettings& fs) {
  double d = 0;
  TCurrency c{0};
  const bool isFloat = TryStrToFloat(s, d, fs);
  const bool isCurrency = TryStrToCurr(s, c, fs);
  FUZZ_CHECK(!isCurrency || isFloat, FuzzShown(s));
  if (isFloat) CheckFloat(d, fs);
  if (isCurrency) CheckCurrency(c, fs);
  if (isFloat && isCurrency) {
    const double amount = CurrToFloat(c);
    FUZZ_CHECK(
        std::fabs(amount - d) <= 0.00005 + std::fabs(d) * 1e-15,
        FuzzShown(s) + " currency " + CurrToStr(c, fs) + " float " + FloatToStrF(d, ffGeneral, 18, 0, fs));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = FuzzText(data, size);
  const auto lines = FuzzLines(input, 3);
  const std::string number(lines[2]);
  const std::uint64_t h1 = FuzzHash(input, 0xCBF29CE484222325ull), h2 = FuzzHash(input, h1);

  std::int64_t i = static_cast<std::int64_t>(h1);
  TryStrToInt64(number, i);
  double d = std::bit_cast<double>(h2);
  TryStrToFloat(number, d);

  for (const TFormatSettings& fs : {TFormatSettings::Russian(), DotSettings()}) {
    CheckFormat(lines[0], i, d, TCurrency{static_cast<std::int64_t>(h2)}, number, fs);
    try {
      FormatFloat(lines[1], d, fs);
      FormatFloat(lines[1], -d, fs);
      FormatFloat(lines[1], 0.0, fs);
    } catch (const EConvertError&) {
    }
    CheckFloat(d, fs);
    CheckFloat(std::bit_cast<double>(h1), fs);
    CheckCurrency(TCurrency{static_cast<std::int64_t>(h1)}, fs);
    CheckCurrency(TCurrency{static_cast<std::int64_t>(h2 % 100000000000ull) - 50000000000}, fs);
    CheckNumberText(number, fs);
  }
  CheckInteger(static_cast<std::int64_t>(h1));
  CheckIntegerText(number);
  return 0;
}
