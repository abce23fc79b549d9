// The program's settings in the registry store, without a window: the
// placement values with their defaults, and the histories' stored form.

#include "app/settings/program_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/forms/main_form.h"
#include "app/search/search_history.h"
#include "framework/core/component/strings.h"
#include "framework/core/storage/registry.h"
#include "framework/gui/standard/forms.h"
#include "tests/support/temp_folder.h"

namespace {

class ProgramSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* saved = std::getenv("TULVO_REGISTRY")) FSaved = saved;
    ::setenv("TULVO_REGISTRY", FFolder.File("registry").c_str(), 1);
  }
  void TearDown() override {
    if (FSaved.empty())
      ::unsetenv("TULVO_REGISTRY");
    else
      ::setenv("TULVO_REGISTRY", FSaved.c_str(), 1);
  }
  TTempFolder FFolder;
  std::string FSaved;
};

struct TPlacementCase {
  const char* Title;
  const char* Left;  // nullptr: not stored
  int ExpectedLeft;
};

class PlacementValues : public ProgramSettingsTest, public ::testing::WithParamInterface<TPlacementCase> {};

TEST_P(PlacementValues, ReadAsNumbersOrKeepTheDefault) {
  {
    TRegIniFile registry(ProgramRegistryKey);
    if (GetParam().Left) registry.WriteString("Placement", "Left", GetParam().Left);
    registry.WriteString("Placement", "Top", "20");
  }
  TRegIniFile registry(ProgramRegistryKey);
  TWindowPlacement placement;
  placement.rcNormalPosition = Rect(5, 6, 7, 8);
  ReadPlacement(registry, placement);
  EXPECT_EQ(placement.rcNormalPosition.Left, GetParam().ExpectedLeft);
  EXPECT_EQ(placement.rcNormalPosition.Top, 20);
  EXPECT_EQ(placement.rcNormalPosition.Right, 7);
  EXPECT_EQ(placement.rcNormalPosition.Bottom, 8);
}

INSTANTIATE_TEST_SUITE_P(Values, PlacementValues,
                         ::testing::Values(TPlacementCase{"Number", "120", 120},
                                           TPlacementCase{"Negative", "-30", -30},
                                           TPlacementCase{"Missing", nullptr, 5},
                                           TPlacementCase{"NotANumber", "abc", 5},
                                           TPlacementCase{"Empty", "", 5}),
                         [](const auto& info) { return std::string(info.param.Title); });

TEST_F(ProgramSettingsTest, PlacementIsStoredAsDecimalStrings) {
  TWindowPlacement placement;
  placement.flags = 2;
  placement.showCmd = 3;
  placement.rcNormalPosition = Rect(-10, 20, 430, 320);
  {
    TRegIniFile registry(ProgramRegistryKey);
    WritePlacement(registry, placement);
  }
  TRegistry raw;
  ASSERT_TRUE(raw.OpenKey("\\Software\\Tulvo\\Placement", false));
  EXPECT_EQ(raw.ReadString("Flags"), "2");
  EXPECT_EQ(raw.ReadString("Left"), "-10");
  EXPECT_EQ(raw.ReadString("Bottom"), "320");
  EXPECT_FALSE(raw.ValueExists("ShowCmd"));
}

TEST_F(ProgramSettingsTest, HistoryRoundTripsAndAShorterOneLeavesOldEntriesUnread) {
  TStringList first;
  for (const char* text : {"a", "b", "c"}) first.Add(text);
  {
    TRegIniFile registry(ProgramRegistryKey);
    SaveHistory(registry, "Names", first);
    TStringList second;
    second.Add("z");
    SaveHistory(registry, "Names", second);
  }
  TRegIniFile registry(ProgramRegistryKey);
  EXPECT_EQ(registry.ReadString("Names", "ItemCount", ""), "1");
  EXPECT_EQ(registry.ReadString("Names", "Item2", ""), "c");  // left behind
  TStringList loaded;
  loaded.Add("kept");  // loading appends
  LoadHistory(registry, "Names", loaded);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Strings(1), "z");
}

TEST_F(ProgramSettingsTest, MissingHistoryEntryIsAnEmptyLineMissingCountNoEntryAndNoMoreThanAHistoryKeeps) {
  {
    TRegIniFile registry(ProgramRegistryKey);
    registry.WriteString("Phones", "ItemCount", "2");
    registry.WriteString("Phones", "Item1", "12345");
    // Damaged: read whole, such a count filled the memory with empty lines.
    registry.WriteString("Names", "ItemCount", "1000");
  }
  TRegIniFile registry(ProgramRegistryKey);
  TStringList phones;
  LoadHistory(registry, "Phones", phones);
  ASSERT_EQ(phones.Count(), 2);
  EXPECT_EQ(phones.Strings(0), "");
  EXPECT_EQ(phones.Strings(1), "12345");
  TStringList names;
  LoadHistory(registry, "Names", names);
  EXPECT_EQ(names.Count(), HistoryLimit);
  TStringList none;
  LoadHistory(registry, "Missing", none);
  EXPECT_EQ(none.Count(), 0);
}

}  // namespace
