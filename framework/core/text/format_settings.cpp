#include "framework/core/text/format_settings.h"

#include <type_traits>
#include <utility>

#include "framework/core/text/text.h"

TFormatSettings TFormatSettings::Russian() {
  TFormatSettings s;
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '\xA0';  // no-break space, so a number never wraps
  s.DateSeparator = '.';
  s.TimeSeparator = ':';
  s.ShortDateFormat = "dd.MM.yyyy";
  s.LongDateFormat = RU("d MMMM yyyy 'г.'");
  s.ShortTimeFormat = "H:mm";
  s.LongTimeFormat = "H:mm:ss";
  s.TimeAMString = "";
  s.TimePMString = "";
  s.CurrencyString = RU("р.");
  s.CurrencyFormat = 1;  // "1р."
  s.NegCurrFormat = 5;   // "-1р."
  s.CurrencyDecimals = 2;
  const char* shortMonths[12] = {"янв", "фев", "мар", "апр", "май", "июн",
                                 "июл", "авг", "сен", "окт", "ноя", "дек"};
  const char* longMonths[12] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
  const char* shortDays[7] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  const char* longDays[7] = {"воскресенье", "понедельник", "вторник", "среда",
                             "четверг",     "пятница",     "суббота"};
  for (int i = 0; i < 12; ++i) {
    s.ShortMonthNames[i] = RU(shortMonths[i]);
    s.LongMonthNames[i] = RU(longMonths[i]);
  }
  for (int i = 0; i < 7; ++i) {
    s.ShortDayNames[i] = RU(shortDays[i]);
    s.LongDayNames[i] = RU(longDays[i]);
  }
  s.TwoDigitYearCenturyWindow = 50;
  return s;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = TFormatSettings::Russian();
  return settings;
}

TFormatSettingsScope::TFormatSettingsScope() : FSaved(FormatSettings()) {}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& replacement) : FSaved(FormatSettings()) {
  FormatSettings() = replacement;
}

TFormatSettingsScope::~TFormatSettingsScope() {
  // Swapping moves strings only, so restoring cannot fail.
  static_assert(std::is_nothrow_swappable_v<TFormatSettings>);
  std::swap(FormatSettings(), FSaved);
}
