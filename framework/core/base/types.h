#pragma once
// Value types shared by the whole framework: dates as days since 1899-12-30
// with the time as the fraction, currency as a 64-bit integer scaled by
// 10,000, time stamps, and the binary-coded decimal record.

#include <compare>
#include <cstdint>

using TDateTime = double;

// Days between 0001-01-01 and 1899-12-30, the origin of TDateTime.
inline constexpr int DateDelta = 693594;
inline constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;

struct TTimeStamp {
  int Time = 0;  // milliseconds since midnight
  int Date = 0;  // days since 0001-01-01, plus one
};

// Currency: a fixed-point value with four decimals.
struct TCurrency {
  std::int64_t Value = 0;  // the amount times 10,000
  static constexpr std::int64_t Scale = 10000;
  friend bool operator==(TCurrency a, TCurrency b) { return a.Value == b.Value; }
  friend auto operator<=>(TCurrency a, TCurrency b) { return a.Value <=> b.Value; }
};

// Binary-coded decimal: up to 64 digits, two per byte, most significant
// first. The top bit of SignSpecialPlaces is the sign, the low six bits the
// number of decimal places.
struct TBcd {
  std::uint8_t Precision = 0;
  std::uint8_t SignSpecialPlaces = 0;
  std::uint8_t Fraction[32] = {};
};
