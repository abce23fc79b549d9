#include "framework/core/text/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"

namespace {

struct TYmd {
  int Y, M, D;
};

TYmd Decoded(TDateTime dt) {
  TYmd r{};
  DecodeDate(dt, r.Y, r.M, r.D);
  return r;
}

std::string Hms(TDateTime dt) {
  int h, n, s, ms;
  DecodeTime(dt, h, n, s, ms);
  return std::to_string(h) + ":" + std::to_string(n) + ":" + std::to_string(s) + "." + std::to_string(ms);
}

// --- Calendar --------------------------------------------------------------

struct TKnownDate {
  int Y, M, D;
  double Serial;
  int WeekDay;  // 1 = Sunday
};

class KnownDates : public testing::TestWithParam<TKnownDate> {};

TEST_P(KnownDates, EncodeDecodeAndWeekDayAgree) {
  const TKnownDate& k = GetParam();
  EXPECT_EQ(EncodeDate(k.Y, k.M, k.D), k.Serial);
  const TYmd d = Decoded(k.Serial);
  EXPECT_EQ(d.Y, k.Y);
  EXPECT_EQ(d.M, k.M);
  EXPECT_EQ(d.D, k.D);
  EXPECT_EQ(DayOfWeek(k.Serial), k.WeekDay);
}

INSTANTIATE_TEST_SUITE_P(Cases, KnownDates,
                         testing::Values(TKnownDate{1899, 12, 30, 0, 7}, TKnownDate{1899, 12, 29, -1, 6},
                                         TKnownDate{1900, 1, 1, 2, 2}, TKnownDate{1900, 3, 1, 61, 5},
                                         TKnownDate{1800, 1, 1, -36522, 4}, TKnownDate{2000, 1, 1, 36526, 7},
                                         TKnownDate{2000, 2, 29, 36585, 3}, TKnownDate{2024, 3, 5, 45356, 3},
                                         TKnownDate{1, 1, 1, -693593, 2},
                                         TKnownDate{9999, 12, 31, 2958465, 6}));

TEST(Calendar, LeapYearsFollowTheGregorianRule) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_TRUE(IsLeapYear(1600));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_FALSE(IsLeapYear(1800));
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 4), 30);
}

TEST(Calendar, EveryDayFrom1583To2401FollowsTheDayBefore) {
  TDateTime expected = EncodeDate(1583, 1, 1);
  for (int y = 1583; y <= 2401; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInAMonth(y, m); ++d) {
        ASSERT_EQ(EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
        const TYmd back = Decoded(expected);
        ASSERT_TRUE(back.Y == y && back.M == m && back.D == d) << y << "-" << m << "-" << d;
        expected += 1;
      }
    }
  }
}

TEST(Calendar, InvalidDatesRaiseTheEncodeError) {
  for (TYmd bad : {TYmd{2023, 2, 29}, TYmd{1900, 2, 29}, TYmd{2024, 13, 1}, TYmd{2024, 0, 1},
                   TYmd{2024, 4, 31}, TYmd{2024, 1, 0}, TYmd{0, 1, 1}, TYmd{10000, 1, 1}}) {
    try {
      EncodeDate(bad.Y, bad.M, bad.D);
      FAIL() << bad.Y << "-" << bad.M << "-" << bad.D;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    TDateTime d = 123;
    EXPECT_FALSE(TryEncodeDate(bad.Y, bad.M, bad.D, d));
    EXPECT_EQ(d, 123);
  }
}

TEST(Calendar, InvalidTimesRaiseTheEncodeError) {
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / MSecsPerDay);
  const int bad[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
  for (const auto& t : bad) {
    try {
      EncodeTime(t[0], t[1], t[2], t[3]);
      FAIL() << t[0] << ":" << t[1] << ":" << t[2] << "." << t[3];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
  }
}

// --- Values before 1899-12-30 and time stamps ------------------------------

TEST(NegativeDateTime, DayIsTruncatedTowardZeroAndTimeIsTheFractionsMagnitude) {
  const TYmd d = Decoded(-1.25);
  EXPECT_TRUE(d.Y == 1899 && d.M == 12 && d.D == 29);
  EXPECT_EQ(Hms(-1.25), "6:0:0.0");
  const TYmd e = Decoded(-0.5);  // the same day as 0.5
  EXPECT_TRUE(e.Y == 1899 && e.M == 12 && e.D == 30);
  EXPECT_EQ(Hms(-0.5), "12:0:0.0");
  const TTimeStamp ts = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(ts.Date, DateDelta - 1);
  EXPECT_EQ(ts.Time, 6 * 3600 * 1000);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.25);
}

TEST(NegativeDateTime, TimeStampsRoundTripForEveryDayAndTimeBefore1900) {
  const int times[] = {0, 1, 999, 43200000, 21600000 + 1234, MSecsPerDay - 1};
  for (int day = -40000; day <= 40000; day += 7) {
    for (int ms : times) {
      const TTimeStamp ts{ms, day + DateDelta};
      const TDateTime dt = TimeStampToDateTime(ts);
      const TTimeStamp back = DateTimeToTimeStamp(dt);
      ASSERT_EQ(back.Date, ts.Date) << day << " " << ms;
      ASSERT_EQ(back.Time, ts.Time) << day << " " << ms;
      ASSERT_EQ(std::trunc(dt), day) << day << " " << ms;
    }
  }
}

TEST(NegativeDateTime, EncodedDateMinusTimeDecodesToThatDateAndTime) {
  const TDateTime dt = EncodeDate(1812, 9, 7) - EncodeTime(14, 30, 15, 500);
  const TYmd d = Decoded(dt);
  EXPECT_TRUE(d.Y == 1812 && d.M == 9 && d.D == 7);
  EXPECT_EQ(Hms(dt), "14:30:15.500");
}

TEST(TimeStamp, TimeRoundingUpToMidnightMovesToTheNextCalendarDay) {
  const TDateTime almost = EncodeDate(2024, 2, 28) + 0.9999999999;
  const TYmd d = Decoded(almost);
  EXPECT_TRUE(d.Y == 2024 && d.M == 2 && d.D == 29);
  EXPECT_EQ(Hms(almost), "0:0:0.0");
  // Before 1899-12-30 the next calendar day is the one nearer to zero.
  const TYmd n = Decoded(-0.9999999999);
  EXPECT_TRUE(n.Y == 1899 && n.M == 12 && n.D == 31);
  const TYmd m = Decoded(-2.9999999999);
  EXPECT_TRUE(m.Y == 1899 && m.M == 12 && m.D == 29);
  EXPECT_EQ(Hms(-2.9999999999), "0:0:0.0");
}

TEST(TimeStamp, MillisecondsRoundTrip) {
  const TTimeStamp ts = DateTimeToTimeStamp(EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 45));
  const std::int64_t ms = TimeStampToMSecs(ts);
  EXPECT_EQ(ms, std::int64_t(45356 + DateDelta) * MSecsPerDay + 25689045);
  const TTimeStamp back = MSecsToTimeStamp(ms);
  EXPECT_EQ(back.Date, ts.Date);
  EXPECT_EQ(back.Time, ts.Time);
}

TEST(TimeStamp, InvalidStampsRaise) {
  try {
    TimeStampToDateTime(TTimeStamp{0, 0});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'0.0' is not a valid timestamp");
  }
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{MSecsPerDay, 5}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
}

TEST(TimeStamp, ValuesOutsideTheCalendarDecodeAsZeros) {
  for (double v : {1e12, -1e12, 3e6, -700000.0, std::nan(""), HUGE_VAL}) {
    const TYmd d = Decoded(v);
    EXPECT_TRUE(d.Y == 0 && d.M == 0 && d.D == 0) << v;
  }
}

// --- FormatDateTime --------------------------------------------------------

struct TDateFormatCase {
  const char* Name;
  const char* Format;  // UTF-8
  double Value;
  const char* Expected;  // UTF-8
};

// 2024-03-05 (a Tuesday) 07:08:09.045
const double kSample = 45356 + (7 * 3600000.0 + 8 * 60000 + 9 * 1000 + 45) / MSecsPerDay;
const double kEvening = 45356 + 19.5 / 24;  // 19:30
const double kMidnight = 45356;
const double kHalfPastMidnight = 45356 + 0.5 / 24;

class FormatDateTimeCase : public testing::TestWithParam<TDateFormatCase> {};

TEST_P(FormatDateTimeCase, WritesTheExpectedText) {
  const TDateFormatCase& c = GetParam();
  EXPECT_EQ(FormatDateTime(RU(c.Format), c.Value, TFormatSettings::Russian()), RU(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatDateTimeCase,
    testing::Values(TDateFormatCase{"ShortDate", "dd.mm.yyyy", kSample, "05.03.2024"},
                    TDateFormatCase{"ShortDateSingleDigits", "d.m.yy", kSample, "5.3.24"},
                    TDateFormatCase{"UpperCaseLetters", "DD.MM.YYYY", kSample, "05.03.2024"},
                    TDateFormatCase{"SlashIsTheDateSeparator", "yyyy/mm/dd", kSample, "2024.03.05"},
                    TDateFormatCase{"FullTime", "hh:nn:ss.zzz", kSample, "07:08:09.045"},
                    TDateFormatCase{"ShortTimeParts", "h:n:s z", kSample, "7:8:9 45"},
                    TDateFormatCase{"MAfterHourIsMinutes", "h:mm", kSample, "7:08"},
                    TDateFormatCase{"MAfterHourAcrossBlank", "hh mm", kSample, "07 08"},
                    TDateFormatCase{"MAfterAnotherLetterIsMonth", "hh dd mm", kSample, "07 05 03"},
                    TDateFormatCase{"MonthNames", "mmm mmmm", kSample, "мар Март"},
                    TDateFormatCase{"DayNames", "ddd dddd", kSample, "Вт вторник"},
                    TDateFormatCase{"ShortDateFormatExpanded", "ddddd", kSample, "05.03.2024"},
                    TDateFormatCase{"LongDateFormatExpanded", "dddddd", kSample, "5 Март 2024 г."},
                    TDateFormatCase{"DateAndTime", "c", kSample, "05.03.2024 7:08:09"},
                    TDateFormatCase{"DateOnlyAtMidnight", "c", kMidnight, "05.03.2024"},
                    TDateFormatCase{"EmptyFormatIsC", "", kSample, "05.03.2024 7:08:09"},
                    TDateFormatCase{"ShortAndLongTime", "t|tt", kSample, "7:08|7:08:09"},
                    TDateFormatCase{"AmPmAsWritten", "h:nn am/pm", kSample, "7:08 am"},
                    TDateFormatCase{"AmPmUpperCaseEvening", "h:nn AM/PM", kEvening, "7:30 PM"},
                    TDateFormatCase{"APShort", "hh a/p", kEvening, "07 p"},
                    TDateFormatCase{"TwelveAfterMidnight", "h:nn am/pm", kHalfPastMidnight, "12:30 am"},
                    TDateFormatCase{"AmPmOfSettingsIsEmptyInRussian", "h:nn ampm", kEvening, "7:30 "},
                    TDateFormatCase{"TwentyFourHourWithoutAmPm", "hh:nn", kEvening, "19:30"},
                    TDateFormatCase{"QuotedTextIsCopied", "'mm:' mm \"d\" d", kSample, "mm: 03 d 5"},
                    TDateFormatCase{"OtherCharactersAreCopied", "[dd]-{mm}", kSample, "[05]-{03}"},
                    TDateFormatCase{"CyrillicTextIsCopied", "d mmmm yyyy 'г.'", kSample, "5 Март 2024 г."},
                    TDateFormatCase{"BeforeTheEpoch", "dd.mm.yyyy hh:nn", -1.25, "29.12.1899 06:00"},
                    TDateFormatCase{"FirstDay", "dd.mm.yyyy", -693593, "01.01.0001"},
                    TDateFormatCase{"YearWithFewerDigits", "yyyy|yy", -693593 + 365 * 50, "0050|50"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FormatDateTime, SelfReferringFormatsStopExpanding) {
  TFormatSettings s = TFormatSettings::Russian();
  s.ShortDateFormat = "ddddd|c";
  EXPECT_EQ(FormatDateTime("c", kMidnight, s), "|");  // nested twice, then nothing
  EXPECT_EQ(DateToStr(kSample, TFormatSettings::Russian()), "05.03.2024");
  EXPECT_EQ(TimeToStr(kSample, TFormatSettings::Russian()), "7:08:09");
  EXPECT_EQ(DateTimeToStr(kSample, TFormatSettings::Russian()), "05.03.2024 7:08:09");
}

// --- Parsing ---------------------------------------------------------------

int CurrentYear() {
  int y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

TEST(ExpandTwoDigitYear, KeepsTheYearInsideTheWindow) {
  EXPECT_EQ(ExpandTwoDigitYear(24, 2025, 50), 2024);
  EXPECT_EQ(ExpandTwoDigitYear(75, 2025, 50), 1975);
  EXPECT_EQ(ExpandTwoDigitYear(74, 2025, 50), 2074);
  EXPECT_EQ(ExpandTwoDigitYear(0, 2025, 50), 2000);
  EXPECT_EQ(ExpandTwoDigitYear(99, 2025, 0), 2099);
  EXPECT_EQ(ExpandTwoDigitYear(5, 2099, 10), 2105);
}

struct TDateParseCase {
  const char* Text;
  bool Valid;
  int Y, M, D;  // Y = -1: current year; Y < -1: two-digit year -Y - 2 expanded
};

class StrToDateRussian : public testing::TestWithParam<TDateParseCase> {};

TEST_P(StrToDateRussian, ReadsDayMonthYear) {
  const TDateParseCase& c = GetParam();
  const TFormatSettings ru = TFormatSettings::Russian();
  TDateTime v = 0;
  ASSERT_EQ(TryStrToDate(c.Text, v, ru), c.Valid) << c.Text;
  if (c.Valid) {
    const int year = c.Y == -1  ? CurrentYear()
                     : c.Y < -1 ? ExpandTwoDigitYear(-c.Y - 2, CurrentYear(), 50)
                                : c.Y;
    EXPECT_EQ(v, EncodeDate(year, c.M, c.D)) << c.Text;
  } else {
    try {
      StrToDate(c.Text, ru);
      FAIL() << c.Text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid date");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToDateRussian,
    testing::Values(
        TDateParseCase{"05.03.2024", true, 2024, 3, 5}, TDateParseCase{"5.3.2024", true, 2024, 3, 5},
        TDateParseCase{" 5 . 3 . 2024 ", true, 2024, 3, 5}, TDateParseCase{"29.02.2024", true, 2024, 2, 29},
        TDateParseCase{"29.12.1899", true, 1899, 12, 29}, TDateParseCase{"01.01.0001", true, 1, 1, 1},
        TDateParseCase{"5.3", true, -1, 3, 5}, TDateParseCase{"5.3.24", true, -26, 3, 5},
        TDateParseCase{"5.3.99", true, -101, 3, 5}, TDateParseCase{"5.3.124", true, 124, 3, 5},
        TDateParseCase{"29.02.2023", false, 0, 0, 0}, TDateParseCase{"32.01.2024", false, 0, 0, 0},
        TDateParseCase{"05/03/2024", false, 0, 0, 0}, TDateParseCase{"5.", false, 0, 0, 0},
        TDateParseCase{"5.3.", false, 0, 0, 0}, TDateParseCase{"05.03.20245", false, 0, 0, 0},
        TDateParseCase{"05.03.2024 10:00", false, 0, 0, 0}, TDateParseCase{"", false, 0, 0, 0},
        TDateParseCase{"abc", false, 0, 0, 0}, TDateParseCase{"1.2.3.4", false, 0, 0, 0}));

TEST(StrToDate, FollowsTheOrderOfTheShortDateFormat) {
  TFormatSettings us = TFormatSettings::Russian();
  us.ShortDateFormat = "M/d/yyyy";
  us.DateSeparator = '/';
  EXPECT_EQ(StrToDate("3/5/2024", us), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("3/5", us), EncodeDate(CurrentYear(), 3, 5));
  TFormatSettings iso = TFormatSettings::Russian();
  iso.ShortDateFormat = "yyyy-mm-dd";
  iso.DateSeparator = '-';
  EXPECT_EQ(StrToDate("2024-03-05", iso), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("24-03-05", iso), EncodeDate(ExpandTwoDigitYear(24, CurrentYear(), 50), 3, 5));
}

TEST(StrToDate, UsesTheProcessSettingsByDefault) {
  TFormatSettingsScope scope(TFormatSettings::Russian());
  EXPECT_EQ(StrToDate("05.03.2024"), EncodeDate(2024, 3, 5));
  FormatSettings().DateSeparator = '/';
  EXPECT_EQ(StrToDate("05/03/2024"), EncodeDate(2024, 3, 5));
  EXPECT_THROW(StrToDate("05.03.2024"), EConvertError);
}

struct TTimeParseCase {
  const char* Text;
  bool Valid;
  int H, N, S, Ms;
};

class StrToTimeRussian : public testing::TestWithParam<TTimeParseCase> {};

TEST_P(StrToTimeRussian, ReadsHoursMinutesSecondsAndFraction) {
  const TTimeParseCase& c = GetParam();
  const TFormatSettings ru = TFormatSettings::Russian();
  TDateTime v = -1;
  ASSERT_EQ(TryStrToTime(c.Text, v, ru), c.Valid) << c.Text;
  if (c.Valid) {
    EXPECT_EQ(v, EncodeTime(c.H, c.N, c.S, c.Ms)) << c.Text;
  } else {
    try {
      StrToTime(c.Text, ru);
      FAIL() << c.Text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid time");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToTimeRussian,
    testing::Values(
        TTimeParseCase{"7:08", true, 7, 8, 0, 0}, TTimeParseCase{"7", true, 7, 0, 0, 0},
        TTimeParseCase{"07:08:09", true, 7, 8, 9, 0}, TTimeParseCase{" 7 : 08 ", true, 7, 8, 0, 0},
        TTimeParseCase{"7:08:09,5", true, 7, 8, 9, 500}, TTimeParseCase{"7:08:09,05", true, 7, 8, 9, 50},
        TTimeParseCase{"7:08:09,045", true, 7, 8, 9, 45},
        TTimeParseCase{"23:59:59,999", true, 23, 59, 59, 999}, TTimeParseCase{"7 PM", true, 19, 0, 0, 0},
        TTimeParseCase{"7:30 pm", true, 19, 30, 0, 0}, TTimeParseCase{"AM 7:30", true, 7, 30, 0, 0},
        TTimeParseCase{"12 AM", true, 0, 0, 0, 0}, TTimeParseCase{"12:15 PM", true, 12, 15, 0, 0},
        TTimeParseCase{"13 PM", false, 0, 0, 0, 0}, TTimeParseCase{"0 AM", false, 0, 0, 0, 0},
        TTimeParseCase{"24:00", false, 0, 0, 0, 0}, TTimeParseCase{"7:60", false, 0, 0, 0, 0},
        TTimeParseCase{"7:08:09,1234", false, 0, 0, 0, 0}, TTimeParseCase{"7:08:09.5", false, 0, 0, 0, 0},
        TTimeParseCase{"7:", false, 0, 0, 0, 0}, TTimeParseCase{"", false, 0, 0, 0, 0},
        TTimeParseCase{"abc", false, 0, 0, 0, 0}));

TEST(StrToDateTime, ReadsDateTimeOrEither) {
  const TFormatSettings ru = TFormatSettings::Russian();
  EXPECT_EQ(StrToDateTime("05.03.2024 7:08:09", ru), EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 0));
  EXPECT_EQ(StrToDateTime("05.03.2024", ru), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("7:08", ru), EncodeTime(7, 8, 0, 0));
  EXPECT_EQ(StrToDateTime("29.12.1899 06:00", ru), -1.25);
  try {
    StrToDateTime("05.03.2024 25:00", ru);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'05.03.2024 25:00' is not a valid date and time");
  }
}

TEST(StrToDateTime, ReadsBackWhatDateTimeToStrWroteAcrossTheEpoch) {
  const TFormatSettings ru = TFormatSettings::Russian();
  for (int day = -3000; day <= 3000; day += 37) {
    for (int seconds : {0, 1, 3600, 45296, 86399}) {
      TDateTime time = double(seconds) / 86400;
      const TDateTime dt = day < 0 ? day - time : day + time;
      const std::string text = DateTimeToStr(dt, ru);
      ASSERT_EQ(StrToDateTime(text, ru), dt) << text;
      ASSERT_EQ(StrToDate(DateToStr(dt, ru), ru), day) << text;
    }
  }
}

}  // namespace
