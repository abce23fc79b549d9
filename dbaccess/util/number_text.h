#pragma once
// Numbers as the database layer writes and reads them: powers of ten,
// 64-bit integers scaled by a number of decimal places (the server's NUMERIC
// and DECIMAL columns), the framework's BCD record, and floating-point values
// formatted with a fixed number of exact fraction digits.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/types.h"

struct TFormatSettings;

// 10^n: exact from a table for 0..18, 1 / 10^-n for negative n.
double PowerOfTen(int n);
// Number of decimal digits of the integer part of |x|: 0 below 1.
int DecimalDigits(double x);
// The integer part of x plus its fraction rounded to d decimals.
double RoundFraction(double x, int d);

// Decimal text with "-" for negative values.
std::string Int64ToText(std::int64_t v);
// v / 10^places as text with the separator: trailing fraction zeros and a
// separator with nothing after it are dropped; 0 gives "0".
std::string ScaledInt64ToText(int places, char separator, std::int64_t v);

// A BCD of precision 32 holding v / 10^places.
void Int64ToBcd(int places, TBcd& bcd, std::int64_t v);
// The BCD's value as v / 10^places; a BCD marked special (64 or more places)
// gives 0. Trailing fraction zeros are given up when the digits would not
// fit in 64 bits otherwise; a value that still does not fit raises
// EConvertError "BCD overflow".
void BcdToInt64(const TBcd& bcd, std::int64_t& v, int& places);
// With the framework's decimal separator.
std::string BcdToText(const TBcd& bcd);
std::string BcdToTextDot(const TBcd& bcd);
double BcdToExtended(const TBcd& bcd);
// -1, 0 or 1 by value.
int CompareBcd(const TBcd& a, const TBcd& b);

// A 64-bit integer from text; raises EConvertError "Invalid comp value".
std::int64_t StrToComp(std::string_view s);

// Formats x with a framework float format, but writes exactly `digits`
// fraction digits of x's decimal expansion (rounded) instead of the format's
// count: "0" places of the pattern pad with zeros, "#" places let trailing
// zeros drop. Formats with an exponent, and 0, go to FormatFloat unchanged.
std::string FormatFloatDigits(std::string_view format, int digits, double x);
std::string FormatFloatDigits(std::string_view format, int digits, double x, const TFormatSettings& settings);
