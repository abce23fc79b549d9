#pragma once
// Floating point and currency values as text, with the decimal and thousand
// separators of a TFormatSettings (the process-wide FormatSettings() when
// none is given). Values are rounded in decimal, half away from zero, from
// the value's first 18 significant digits; FloatToStr shows at most 15.
// Not-a-number and the infinities are written "NAN", "INF", "-INF".

#include <string>
#include <string_view>

#include "framework/core/text/format_settings.h"
#include "framework/core/base/types.h"

enum TFloatFormat {
  ffGeneral,   // shortest of fixed and scientific, `precision` significant digits
  ffExponent,  // "-d.ddd…E+dddd", `precision` digits, exponent at least `digits` digits
  ffFixed,     // `digits` decimals; scientific when the integer part exceeds `precision` digits
  ffNumber,    // as ffFixed with thousand separators
  ffCurrency   // as ffNumber placed with the currency string
};

// 15 significant digits, fixed notation unless the value needs more than 15
// integer digits or is below 0.0001: FloatToStr(1.5) = "1,5" (Russian
// settings), FloatToStr(1e20) = "1E20", FloatToStr(1e-5) = "1E-5".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);

// Formats by a picture of up to three sections "positive;negative;zero":
//   0      a digit, shown even when it is a leading or trailing zero
//   #      a digit, shown only when significant
//   .      the decimal separator (the first one)
//   ,      thousand separators in the integer part (anywhere in the section)
//   E+ E-  scientific notation (E+ always writes the exponent's sign, E-
//          only a minus); the zeros after it give the exponent's digits
//   'x' "x" literal text; any other character is copied
// The negative section formats the value without its minus sign; the zero
// section is used when the value rounds to zero. An empty section falls
// back to the first; an empty picture gives FloatToStr.
std::string FormatFloat(std::string_view format, double value);
std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings);

// Optional blanks, a sign, digits with at most one decimal separator of the
// settings, an optional exponent ("E+12"), optional blanks. Failures and
// values out of range raise EConvertError
// "'<s>' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
double StrToFloatDef(std::string_view s, double def);
double StrToFloatDef(std::string_view s, double def, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings);

// Currency texts are exact: no binary floating point is involved.
// CurrToStr gives the shortest text ("12,5", "-0,0001").
std::string CurrToStr(TCurrency value);
std::string CurrToStr(TCurrency value, const TFormatSettings& settings);
std::string CurrToStrF(TCurrency value, TFloatFormat format, int digits);
std::string CurrToStrF(TCurrency value, TFloatFormat format, int digits, const TFormatSettings& settings);
// Parses like StrToFloat, rounding to four decimals half to even; raises
// EConvertError "'<s>' is not a valid floating point value".
TCurrency StrToCurr(std::string_view s);
TCurrency StrToCurr(std::string_view s, const TFormatSettings& settings);
bool TryStrToCurr(std::string_view s, TCurrency& value);
bool TryStrToCurr(std::string_view s, TCurrency& value, const TFormatSettings& settings);

// A number already written (digits and separators, without its sign) placed
// with the currency string by CurrencyFormat, or by NegCurrFormat when
// negative: how ffCurrency ends.
std::string CurrencyText(const std::string& number, bool negative, const TFormatSettings& settings);

// Rounds to four decimals half to even; values outside the currency range
// (and NAN, INF) raise EConvertError "'<value>' is not a valid currency value".
TCurrency FloatToCurr(double value);
bool TryFloatToCurr(double value, TCurrency& result);
double CurrToFloat(TCurrency value);
