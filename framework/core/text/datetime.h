#pragma once
// Dates and times. A TDateTime counts days since 1899-12-30 in its integral
// part; its fraction is the time of day, whatever the sign: -1.25 is
// 1899-12-29 06:00 (the day is the integral part truncated toward zero, the
// time the fraction's absolute value). Dates run from 0001-01-01 to
// 9999-12-31 in the Gregorian calendar. Texts follow a TFormatSettings (the
// process-wide FormatSettings() when none is given).

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/text/format_settings.h"
#include "framework/core/base/types.h"

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// Raises EConvertError "Invalid argument to date encode" for a date outside
// the calendar (month 13, 29 February of a common year, year 0 or 10000).
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Raises EConvertError "Invalid argument to time encode" unless hour < 24,
// min < 60, sec < 60 and msec < 1000.
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
// Values outside the calendar decode as 0, 0, 0. Both round the value to the
// nearest millisecond first, so 23:59:59.9999 decodes as the next day.
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);
// 1 = Sunday … 7 = Saturday.
int DayOfWeek(TDateTime date);

// Date and time rounded to the millisecond; Time is never negative.
TTimeStamp DateTimeToTimeStamp(TDateTime dateTime);
// Raises EConvertError "'<date>.<time>' is not a valid timestamp" unless
// Date > 0 and 0 <= Time < MSecsPerDay.
TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp);
std::int64_t TimeStampToMSecs(const TTimeStamp& timeStamp);
TTimeStamp MSecsToTimeStamp(std::int64_t msecs);

// Local date and time of the system clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Format letters (either case; "'text'" and "\"text\"" are copied as is):
//   c       ShortDateFormat, then " " and LongTimeFormat unless at midnight
//   d dd    day; ddd dddd short/long day name; ddddd ShortDateFormat;
//           dddddd LongDateFormat
//   m mm    month; mmm mmmm short/long month name; right after an hour
//           letter (h), m and mm are minutes
//   yy yyyy two-digit / four-digit year
//   h hh    hour (12-hour clock when an am/pm specifier follows)
//   n nn    minutes; s ss seconds; z zzz milliseconds
//   t tt    ShortTimeFormat / LongTimeFormat
//   am/pm a/p   as written, for before/after noon; ampm TimeAMString/TimePMString
//   /       DateSeparator; :  TimeSeparator
// An empty format is "c".
std::string FormatDateTime(std::string_view format, TDateTime dateTime);
std::string FormatDateTime(std::string_view format, TDateTime dateTime, const TFormatSettings& settings);
std::string DateToStr(TDateTime date);
std::string DateToStr(TDateTime date, const TFormatSettings& settings);
std::string TimeToStr(TDateTime time);
std::string TimeToStr(TDateTime time, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime dateTime);
std::string DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings);

// Dates are two or three numbers separated by DateSeparator, in the order in
// which ShortDateFormat names day, month and year (two numbers: day and
// month, or month and day, of the current year). A year of one or two digits
// is placed by TwoDigitYearCenturyWindow. Times are hours, optionally
// minutes, seconds and a decimal fraction of seconds separated by
// TimeSeparator and DecimalSeparator, optionally with AM/PM (or
// TimeAMString/TimePMString) before or after. Blanks around the parts are
// allowed. Failures raise EConvertError "'<s>' is not a valid date",
// "'<s>' is not a valid time" or "'<s>' is not a valid date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings);
bool TryStrToDate(std::string_view s, TDateTime& value);
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(std::string_view s, TDateTime& value);
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(std::string_view s, TDateTime& value);
bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);

// The full year of a one- or two-digit year, given the current year: the
// year in [currentYear - window, currentYear - window + 99], or in the
// current century when window is 0.
int ExpandTwoDigitYear(int year, int currentYear, int window);
