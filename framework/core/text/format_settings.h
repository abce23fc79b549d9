#pragma once
// The number and date conventions every conversion follows: separators,
// date and time formats, month and day names, currency. One process-wide
// instance (FormatSettings()) starts with the Russian conventions; each
// conversion also has a form that takes a TFormatSettings explicitly, which
// is what code running on other threads should use. Texts are Windows-1251.
//
// Date and time format strings use the framework's letters: d day, m month
// (minutes right after an hour), y year, h hour, n minutes, s seconds,
// z milliseconds (see FormatDateTime in datetime.h).

#include <string>

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat;
  std::string LongDateFormat;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  std::string TimeAMString;
  std::string TimePMString;
  std::string CurrencyString;
  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  int CurrencyFormat = 0;
  // 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-",
  // 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $",
  // 14 "($ 1)", 15 "(1 $)".
  int NegCurrFormat = 0;
  int CurrencyDecimals = 2;
  std::string ShortMonthNames[12];  // [0] is January
  std::string LongMonthNames[12];
  std::string ShortDayNames[7];  // [0] is Sunday
  std::string LongDayNames[7];
  // A two-digit year is put in the century that keeps it within this many
  // years before the current year (0: always the current century).
  int TwoDigitYearCenturyWindow = 50;

  // Russian conventions: "1 234,5", "31.12.2024", "9:05:07", "12,50р.".
  static TFormatSettings Russian();
};

// The process-wide settings. Mutable, and not synchronised: change it only at
// start-up or on the main thread, or use a TFormatSettingsScope in tests.
TFormatSettings& FormatSettings();

// Saves the process-wide settings and restores them when it goes out of
// scope, whatever happened in between.
class TFormatSettingsScope {
 public:
  TFormatSettingsScope();
  // Saves the current settings, then installs `replacement`.
  explicit TFormatSettingsScope(const TFormatSettings& replacement);
  ~TFormatSettingsScope();
  TFormatSettingsScope(const TFormatSettingsScope&) = delete;
  TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

 private:
  TFormatSettings FSaved;
};
