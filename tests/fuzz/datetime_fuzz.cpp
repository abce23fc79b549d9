// Dates and times as text, with the Russian settings and two others.
//
// Input: a FormatDateTime format on the first line and a date or time text
// on the second. The dates and times formatted come from the input's bytes.
// Promises checked:
// - dates and times encode and decode to the same parts;
// - the short date, long time and date-and-time texts read back as the
//   value written (to the second);
// - a text read as a date, a time or both is one of the calendar and reads
//   back the same once written; the Try forms agree with the raising ones;
// - any format writes any value, in the calendar or not, without failing.

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

TFormatSettings American() {
  TFormatSettings s = TFormatSettings::Russian();
  s.DateSeparator = '/';
  s.ShortDateFormat = "M/d/yyyy";
  s.LongTimeFormat = "h:mm:ss AMPM";
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.DecimalSeparator = '.';
  return s;
}

TFormatSettings Iso() {
  TFormatSettings s = TFormatSettings::Russian();
  s.DateSeparator = '-';
  s.ShortDateFormat = "yyyy-MM-dd";
  s.LongTimeFormat = "HH:mm:ss";
  return s;
}

struct TParts {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;
  bool operator==(const TParts&) const = default;
  std::string Text() const {
    return std::to_string(Year) + "-" + std::to_string(Month) + "-" + std::to_string(Day) + " " +
           std::to_string(Hour) + ":" + std::to_string(Min) + ":" + std::to_string(Sec) + "." +
           std::to_string(MSec);
  }
};

// The parts shown to the second.
TParts PartsOf(TDateTime dt) {
  TParts p;
  DecodeDate(dt, p.Year, p.Month, p.Day);
  DecodeTime(dt, p.Hour, p.Min, p.Sec, p.MSec);
  p.MSec = 0;
  return p;
}

void CheckValue(int year, int month, int day, int hour, int min, int sec, int msec,
                const TFormatSettings& fs) {
  const TDateTime date = EncodeDate(year, month, day);
  const TDateTime time = EncodeTime(hour, min, sec, msec);
  TParts parts;
  DecodeDate(date, parts.Year, parts.Month, parts.Day);
  DecodeTime(time, parts.Hour, parts.Min, parts.Sec, parts.MSec);
  const TParts wanted{year, month, day, hour, min, sec, msec};
  FUZZ_CHECK(parts == wanted, wanted.Text() + " decoded as " + parts.Text());
  const int weekDay = DayOfWeek(date);
  FUZZ_CHECK(weekDay >= 1 && weekDay <= 7, wanted.Text());

  const std::string dateText = DateToStr(date, fs);
  TDateTime back = 0;
  FUZZ_CHECK(TryStrToDate(dateText, back, fs) && back == date, wanted.Text() + " as " + FuzzShown(dateText));

  const std::string timeText = TimeToStr(time, fs);
  FUZZ_CHECK(TryStrToTime(timeText, back, fs) && PartsOf(back) == PartsOf(time),
             wanted.Text() + " as " + FuzzShown(timeText) + " read " + PartsOf(back).Text());

  // A time of day belongs to its date whatever the date's sign.
  const TDateTime dateTime = date < 0 ? date - time : date + time;
  FUZZ_CHECK(PartsOf(dateTime) == (TParts{year, month, day, hour, min, sec, 0}),
             wanted.Text() + " joined " + PartsOf(dateTime).Text());
  const std::string both = DateTimeToStr(dateTime, fs);
  FUZZ_CHECK(TryStrToDateTime(both, back, fs) && PartsOf(back) == PartsOf(dateTime),
             wanted.Text() + " as " + FuzzShown(both) + " read " + PartsOf(back).Text());
}

template <class Try, class Raise>
void CheckText(std::string_view s, const TFormatSettings& fs, Try tryRead, Raise read,
               std::string (*write)(TDateTime, const TFormatSettings&)) {
  TDateTime value = 0;
  const bool ok = tryRead(s, value, fs);
  bool raised = false;
  try {
    read(s, fs);
  } catch (const EConvertError&) {
    raised = true;
  }
  FUZZ_CHECK(ok != raised, FuzzShown(s));
  if (!ok) return;
  const TParts parts = PartsOf(value);
  FUZZ_CHECK(parts.Year >= 1, FuzzShown(s) + " read as " + parts.Text());
  const std::string text = write(value, fs);
  TDateTime back = 0;
  FUZZ_CHECK(tryRead(text, back, fs) && PartsOf(back) == parts, FuzzShown(s) + " read as " + parts.Text() +
                                                                    ", written " + FuzzShown(text) +
                                                                    ", read " + PartsOf(back).Text());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = FuzzText(data, size);
  const auto lines = FuzzLines(input, 2);
  const std::uint64_t h = FuzzHash(input, 0xCBF29CE484222325ull);
  const int year = 1 + static_cast<int>(h % 9999);
  const int month = 1 + static_cast<int>((h >> 14) % 12);
  const int day = 1 + static_cast<int>((h >> 18) % 31) % DaysInAMonth(year, month);
  const int hour = static_cast<int>((h >> 23) % 24), min = static_cast<int>((h >> 28) % 60),
            sec = static_cast<int>((h >> 34) % 60), msec = static_cast<int>((h >> 40) % 1000);

  for (const TFormatSettings& fs : {TFormatSettings::Russian(), American(), Iso()}) {
    CheckValue(year, month, day, hour, min, sec, msec, fs);
    const TDateTime any = std::bit_cast<double>(FuzzHash(input, h));
    for (TDateTime value : {EncodeDate(year, month, day) + EncodeTime(hour, min, sec, msec), any,
                            std::isfinite(any) ? std::fmod(any, 3e6) : 0.0})
      FormatDateTime(lines[0], value, fs);
    CheckText(
        lines[1], fs,
        [](std::string_view s, TDateTime& v, const TFormatSettings& f) { return TryStrToDate(s, v, f); },
        [](std::string_view s, const TFormatSettings& f) { return StrToDate(s, f); },
        [](TDateTime v, const TFormatSettings& f) { return DateToStr(v, f); });
    CheckText(
        lines[1], fs,
        [](std::string_view s, TDateTime& v, const TFormatSettings& f) { return TryStrToTime(s, v, f); },
        [](std::string_view s, const TFormatSettings& f) { return StrToTime(s, f); },
        [](TDateTime v, const TFormatSettings& f) { return TimeToStr(v, f); });
    CheckText(
        lines[1], fs,
        [](std::string_view s, TDateTime& v, const TFormatSettings& f) { return TryStrToDateTime(s, v, f); },
        [](std::string_view s, const TFormatSettings& f) { return StrToDateTime(s, f); },
        [](TDateTime v, const TFormatSettings& f) { return DateTimeToStr(v, f); });
  }
  return 0;
}
