#include "framework/core/text/datetime.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"

namespace {

// Days since 1970-01-01 of a Gregorian date, and back (H. Hinnant's
// algorithms; exact for every date of the calendar).
long DaysFromCivil(long y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& year, int& month, int& day) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr long kUnixEpochDay = 25569;  // 1970-01-01 as a TDateTime day
// Time stamp dates of the calendar's first and last day.
constexpr int kFirstDate = 1;
constexpr int kLastDate = 2958465 + DateDelta;

void DecodeStampDate(int stampDate, int& year, int& month, int& day) {
  if (stampDate < kFirstDate || stampDate > kLastDate) {
    year = month = day = 0;
    return;
  }
  CivilFromDays(long(stampDate) - DateDelta - kUnixEpochDay, year, month, day);
}

void DecodeStampTime(int stampTime, int& hour, int& min, int& sec, int& msec) {
  hour = stampTime / 3600000;
  min = stampTime / 60000 % 60;
  sec = stampTime / 1000 % 60;
  msec = stampTime % 1000;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month)) {
    return false;
  }
  date = static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d = 0;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000) {
    return false;
  }
  time = static_cast<TDateTime>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t = 0;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime) {
  TTimeStamp ts;
  // Beyond this nothing is a date; Date 0 marks the stamp as invalid.
  if (!(std::fabs(dateTime) < 2e9)) return ts;
  // The day is the integral part toward zero and the time the fraction's
  // magnitude, whatever the sign; a time that rounds up to 24:00 is midnight
  // of the next calendar day.
  double dayPart = std::trunc(dateTime);
  const long double fraction = std::fabs(static_cast<long double>(dateTime) - dayPart);
  long ms = std::lround(fraction * MSecsPerDay);
  if (ms >= MSecsPerDay) {
    ms -= MSecsPerDay;
    dayPart += 1;
  }
  ts.Date = static_cast<int>(dayPart) + DateDelta;
  ts.Time = static_cast<int>(ms);
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp) {
  if (timeStamp.Date <= 0 || timeStamp.Time < 0 || timeStamp.Time >= MSecsPerDay) {
    throw EConvertError("'" + std::to_string(timeStamp.Date) + "." + std::to_string(timeStamp.Time) +
                        "' is not a valid timestamp");
  }
  const double day = timeStamp.Date - DateDelta;
  const double time = static_cast<double>(timeStamp.Time) / MSecsPerDay;
  return day < 0 ? day - time : day + time;
}

std::int64_t TimeStampToMSecs(const TTimeStamp& timeStamp) {
  return std::int64_t(timeStamp.Date) * MSecsPerDay + timeStamp.Time;
}

TTimeStamp MSecsToTimeStamp(std::int64_t msecs) {
  std::int64_t date = msecs / MSecsPerDay;
  std::int64_t time = msecs % MSecsPerDay;
  if (time < 0) {
    time += MSecsPerDay;
    --date;
  }
  return TTimeStamp{static_cast<int>(time), static_cast<int>(date)};
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  DecodeStampDate(DateTimeToTimeStamp(date).Date, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
  DecodeStampTime(DateTimeToTimeStamp(time).Time, hour, min, sec, msec);
}

int DayOfWeek(TDateTime date) { return DateTimeToTimeStamp(date).Date % 7 + 1; }

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  TDateTime d = 0, t = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, d);
  // A leap second is shown as the last second of its minute.
  TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), int(now.tv_nsec / 1000000), t);
  return d + t;
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  const TDateTime now = Now();
  return now - std::trunc(now);
}

int ExpandTwoDigitYear(int year, int currentYear, int window) {
  if (window <= 0) return year + currentYear / 100 * 100;
  const int base = currentYear - window;
  int full = year + base / 100 * 100;
  if (full < base) full += 100;
  return full;
}

// --- Formatting ------------------------------------------------------------

namespace {

struct TParts {
  int Year, Month, Day, Hour, Min, Sec, MSec, WeekDay;
};

TParts PartsOf(TDateTime dt) {
  const TTimeStamp ts = DateTimeToTimeStamp(dt);
  TParts p{};
  DecodeStampDate(ts.Date, p.Year, p.Month, p.Day);
  DecodeStampTime(ts.Time, p.Hour, p.Min, p.Sec, p.MSec);
  p.WeekDay = ts.Date > 0 ? ts.Date % 7 : 0;  // 0 = Sunday
  return p;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool StartsWithNoCase(std::string_view s, std::size_t i, std::string_view what) {
  if (s.size() - i < what.size()) return false;
  for (std::size_t k = 0; k < what.size(); ++k) {
    if (Upper(s[i + k]) != what[k]) return false;
  }
  return true;
}

class TDateFormatter {
 public:
  TDateFormatter(TDateTime dt, const TFormatSettings& fs) : FSettings(fs), FParts(PartsOf(dt)) {}

  // Nested formats (ddddd, c, t) are expanded two levels deep at most, so a
  // format that names itself cannot recurse forever.
  void Append(std::string_view f, int level) {
    if (level >= 2) return;
    char lastToken = ' ';
    std::size_t i = 0;
    while (i < f.size()) {
      const char starter = f[i];
      char token = Upper(starter);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      const std::size_t count = RunLength(f, i);
      switch (token) {
        case 'Y':
          i += count;
          AppendNumber(count <= 2 ? FParts.Year % 100 : FParts.Year, count <= 2 ? 2 : 4);
          break;
        case 'M':
          i += count;
          if (count <= 2) {
            AppendNumber(FParts.Month, int(count));
          } else if (FParts.Month > 0) {
            const std::string* names = count == 3 ? FSettings.ShortMonthNames : FSettings.LongMonthNames;
            FOut += names[FParts.Month - 1];
          }
          break;
        case 'D':
          i += count;
          if (count <= 2) {
            AppendNumber(FParts.Day, int(count));
          } else if (count <= 4) {
            const std::string* names = count == 3 ? FSettings.ShortDayNames : FSettings.LongDayNames;
            FOut += names[FParts.WeekDay];
          } else {
            Append(count == 5 ? FSettings.ShortDateFormat : FSettings.LongDateFormat, level + 1);
          }
          break;
        case 'H': {
          i += count;
          int hour = FParts.Hour;
          if (TwelveHourClockAhead(f, i)) hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
          AppendNumber(hour, count >= 2 ? 2 : 1);
          break;
        }
        case 'N':
          i += count;
          AppendNumber(FParts.Min, count >= 2 ? 2 : 1);
          break;
        case 'S':
          i += count;
          AppendNumber(FParts.Sec, count >= 2 ? 2 : 1);
          break;
        case 'Z':
          i += count;
          AppendNumber(FParts.MSec, count >= 3 ? 3 : 1);
          break;
        case 'T':
          i += count;
          Append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, level + 1);
          break;
        case 'C':
          i += count;
          Append(FSettings.ShortDateFormat, level + 1);
          if (FParts.Hour || FParts.Min || FParts.Sec || FParts.MSec) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat, level + 1);
          }
          break;
        case 'A':
          i += AppendAmPm(f, i);
          break;
        case '/':
          ++i;
          FOut += FSettings.DateSeparator;
          break;
        case ':':
          ++i;
          FOut += FSettings.TimeSeparator;
          break;
        case '\'':
        case '"': {
          const std::size_t close = f.find(starter, i + 1);
          const std::size_t end = close == std::string_view::npos ? f.size() : close;
          FOut.append(f.substr(i + 1, end - i - 1));
          i = end + 1;
          break;
        }
        default:
          FOut += starter;
          ++i;
      }
    }
  }

  std::string Result() { return std::move(FOut); }

 private:
  static std::size_t RunLength(std::string_view f, std::size_t i) {
    std::size_t n = 1;
    while (i + n < f.size() && Upper(f[i + n]) == Upper(f[i])) ++n;
    return n;
  }

  void AppendNumber(int value, int digits) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits) s.insert(0, std::size_t(digits) - s.size(), '0');
    FOut += s;
  }

  // True when an am/pm specifier follows before the next hour letter.
  static bool TwelveHourClockAhead(std::string_view f, std::size_t i) {
    char quote = 0;
    for (; i < f.size(); ++i) {
      const char c = f[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == 'h' || c == 'H') {
        return false;
      } else if (c == 'a' || c == 'A') {
        return StartsWithNoCase(f, i, "AM/PM") || StartsWithNoCase(f, i, "A/P") ||
               StartsWithNoCase(f, i, "AMPM");
      }
    }
    return false;
  }

  // Returns the number of format characters consumed.
  std::size_t AppendAmPm(std::string_view f, std::size_t i) {
    const bool pm = FParts.Hour >= 12;
    if (StartsWithNoCase(f, i, "AM/PM")) {
      FOut.append(f.substr(i + (pm ? 3 : 0), 2));
      return 5;
    }
    if (StartsWithNoCase(f, i, "A/P")) {
      FOut += f[i + (pm ? 2 : 0)];
      return 3;
    }
    if (StartsWithNoCase(f, i, "AMPM")) {
      FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
      return 4;
    }
    FOut += f[i];
    return 1;
  }

  const TFormatSettings& FSettings;
  TParts FParts;
  std::string FOut;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dateTime, const TFormatSettings& settings) {
  TDateFormatter f(dateTime, settings);
  f.Append(format.empty() ? std::string_view("c") : format, 0);
  return f.Result();
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
  return FormatDateTime(format, dateTime, FormatSettings());
}

std::string DateToStr(TDateTime date, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", date, settings);
}
std::string DateToStr(TDateTime date) { return DateToStr(date, FormatSettings()); }
std::string TimeToStr(TDateTime time, const TFormatSettings& settings) {
  return FormatDateTime("tt", time, settings);
}
std::string TimeToStr(TDateTime time) { return TimeToStr(time, FormatSettings()); }
std::string DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
  return FormatDateTime("c", dateTime, settings);
}
std::string DateTimeToStr(TDateTime dateTime) { return DateTimeToStr(dateTime, FormatSettings()); }

// --- Parsing ---------------------------------------------------------------

namespace {

enum class TDateOrder { DMY, MDY, YMD };

// The order of the first day, month and year letters of the short format.
TDateOrder DateOrderOf(std::string_view format) {
  for (char c : format) {
    switch (Upper(c)) {
      case 'Y':
        return TDateOrder::YMD;
      case 'M':
        return TDateOrder::MDY;
      case 'D':
        return TDateOrder::DMY;
      default:
        break;
    }
  }
  return TDateOrder::DMY;
}

class TDateScanner {
 public:
  TDateScanner(std::string_view s, const TFormatSettings& fs) : FText(s), FSettings(fs) {}

  bool AtEnd() {
    SkipBlanks();
    return FPos >= FText.size();
  }
  void Restart() { FPos = 0; }

  bool Date(TDateTime& result) {
    int n1, n2, n3, l1, l2, l3;
    if (!Number(n1, l1) || !Char(FSettings.DateSeparator) || !Number(n2, l2)) return false;
    int year, month, day;
    const TDateOrder order = DateOrderOf(FSettings.ShortDateFormat);
    if (Char(FSettings.DateSeparator)) {
      if (!Number(n3, l3)) return false;
      int yearLength;
      switch (order) {
        case TDateOrder::YMD:
          year = n1, yearLength = l1, month = n2, day = n3;
          break;
        case TDateOrder::MDY:
          month = n1, day = n2, year = n3, yearLength = l3;
          break;
        default:
          day = n1, month = n2, year = n3, yearLength = l3;
          break;
      }
      if (yearLength <= 2) {
        int currentYear, m, d;
        DecodeDate(::Date(), currentYear, m, d);
        year = ExpandTwoDigitYear(year, currentYear, FSettings.TwoDigitYearCenturyWindow);
      }
    } else {
      DecodeDate(::Date(), year, month, day);
      if (order == TDateOrder::DMY) {
        day = n1, month = n2;
      } else {
        month = n1, day = n2;
      }
    }
    return TryEncodeDate(year, month, day, result);
  }

  bool Time(TDateTime& result) {
    int baseHour = AmPm();
    int hour, min = 0, sec = 0, msec = 0, length;
    if (!Number(hour, length)) return false;
    if (Char(FSettings.TimeSeparator)) {
      if (!Number(min, length)) return false;
      if (Char(FSettings.TimeSeparator)) {
        if (!Number(sec, length)) return false;
        if (Char(FSettings.DecimalSeparator)) {
          // A decimal fraction of a second: ",5" is half a second.
          if (!Number(msec, length) || length > 3) return false;
          for (int k = length; k < 3; ++k) msec *= 10;
        }
      }
    }
    if (baseHour < 0) baseHour = AmPm();
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour += baseHour;
    }
    return TryEncodeTime(hour, min, sec, msec, result);
  }

 private:
  void SkipBlanks() {
    while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
  }

  // Up to four digits after optional blanks; length is the digit count.
  bool Number(int& value, int& length) {
    SkipBlanks();
    value = 0;
    length = 0;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9' && length < 4) {
      value = value * 10 + (FText[FPos++] - '0');
      ++length;
    }
    return length > 0;
  }

  bool Char(char c) {
    SkipBlanks();
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }

  bool Word(std::string_view word) {
    if (word.empty()) return false;
    SkipBlanks();
    if (FText.size() - FPos < word.size() || !AnsiSameText(FText.substr(FPos, word.size()), word))
      return false;
    FPos += word.size();
    return true;
  }

  // 0 before noon, 12 after, -1 when no marker is there.
  int AmPm() {
    if (Word(FSettings.TimeAMString) || Word("AM")) return 0;
    if (Word(FSettings.TimePMString) || Word("PM")) return 12;
    return -1;
  }

  std::string_view FText;
  const TFormatSettings& FSettings;
  std::size_t FPos = 0;
};

[[noreturn]] void Invalid(std::string_view s, const char* what) {
  throw EConvertError("'" + std::string(s) + "' is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime d = 0;
  if (!scan.Date(d) || !scan.AtEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime t = 0;
  if (!scan.Time(t) || !scan.AtEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime d = 0, t = 0;
  if (scan.Date(d) && (scan.AtEnd() || (scan.Time(t) && scan.AtEnd()))) {
    value = d < 0 ? d - t : d + t;
    return true;
  }
  scan.Restart();
  if (scan.Time(t) && scan.AtEnd()) {
    value = t;
    return true;
  }
  return false;
}

bool TryStrToDate(std::string_view s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings()); }
bool TryStrToTime(std::string_view s, TDateTime& value) { return TryStrToTime(s, value, FormatSettings()); }
bool TryStrToDateTime(std::string_view s, TDateTime& value) {
  return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDate(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToDate(s, v, settings)) Invalid(s, "date");
  return v;
}
TDateTime StrToDate(std::string_view s) { return StrToDate(s, FormatSettings()); }

TDateTime StrToTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToTime(s, v, settings)) Invalid(s, "time");
  return v;
}
TDateTime StrToTime(std::string_view s) { return StrToTime(s, FormatSettings()); }

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToDateTime(s, v, settings)) Invalid(s, "date and time");
  return v;
}
TDateTime StrToDateTime(std::string_view s) { return StrToDateTime(s, FormatSettings()); }
