#include "framework/core/text/format_settings.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/core/text/text.h"

namespace {

TEST(FormatSettings, RussianConventions) {
  const TFormatSettings s = TFormatSettings::Russian();
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.ThousandSeparator, '\xA0');
  EXPECT_EQ(s.DateSeparator, '.');
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.ShortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(s.ShortTimeFormat, "H:mm");
  EXPECT_EQ(s.LongTimeFormat, "H:mm:ss");
  EXPECT_EQ(s.LongMonthNames[0], RU("Январь"));
  EXPECT_EQ(s.LongMonthNames[11], RU("Декабрь"));
  EXPECT_EQ(s.ShortMonthNames[4], RU("май"));
  EXPECT_EQ(s.ShortDayNames[0], RU("Вс"));
  EXPECT_EQ(s.LongDayNames[6], RU("суббота"));
  EXPECT_EQ(s.CurrencyString, RU("р."));
  EXPECT_EQ(s.TwoDigitYearCenturyWindow, 50);
}

TEST(FormatSettings, ProcessSettingsStartRussian) {
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.MM.yyyy");
}

TEST(FormatSettingsScope, RestoresTheSettingsEvenWhenLeftByAnException) {
  const TFormatSettings before = FormatSettings();
  try {
    TFormatSettingsScope scope;
    FormatSettings().DecimalSeparator = '.';
    FormatSettings().LongMonthNames[0] = "January";
    throw std::runtime_error("leave");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, before.DecimalSeparator);
  EXPECT_EQ(FormatSettings().LongMonthNames[0], before.LongMonthNames[0]);
}

TEST(FormatSettingsScope, InstallsAReplacementAndNests) {
  TFormatSettings dot = TFormatSettings::Russian();
  dot.DecimalSeparator = '.';
  {
    TFormatSettingsScope outer(dot);
    EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
    {
      TFormatSettingsScope inner;
      FormatSettings().DecimalSeparator = ';';
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

}  // namespace
