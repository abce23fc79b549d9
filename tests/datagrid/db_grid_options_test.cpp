// The grid's grouped option sets against the tree list's two option words
// and the combined words: which bit each option drives, the defaults, and
// how a combined word reaches the grouped sets.

#include <gtest/gtest.h>

#include <string>

#include "datagrid/grid/db_grid_options.h"

namespace {

enum class TSetKind { Behavior, Customize, View };

struct MappingCase {
  const char* Name;
  TSetKind Set;
  int Option;
  int Bit;  // -1: drives none
  bool Ex;
};

class OptionMappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(OptionMappingTest, AnOptionAloneDrivesItsOwnBitOnly) {
  const MappingCase& c = GetParam();
  TdxDBGridOptionsBehavior behavior;
  TdxDBGridOptionsCustomize customize;
  TdxDBGridOptionsView view;
  switch (c.Set) {
    case TSetKind::Behavior:
      behavior.Include(static_cast<TdxDBGridOptionBehavior>(c.Option));
      break;
    case TSetKind::Customize:
      customize.Include(static_cast<TdxDBGridOptionCustomize>(c.Option));
      break;
    case TSetKind::View:
      view.Include(static_cast<TdxDBGridOptionView>(c.Option));
      break;
  }
  TdxTreeListOptions options;
  TdxTreeListOptionsEx optionsEx;
  ApplyGroupedOptions(behavior, customize, view, options, optionsEx);
  const std::uint64_t expected = c.Bit < 0 ? 0 : std::uint64_t{1} << c.Bit;
  EXPECT_EQ(options.Bits(), c.Ex ? 0 : expected);
  EXPECT_EQ(optionsEx.Bits(), c.Ex ? expected : 0);

  // Off again, the bit goes, whatever the word held before.
  TdxTreeListOptions full = TdxTreeListOptions::FromBits(0xFFFFFFFFu);
  TdxTreeListOptionsEx fullEx = TdxTreeListOptionsEx::FromBits(0xFFFFFFFFu);
  ApplyGroupedOptions({}, {}, {}, full, fullEx);
  if (c.Bit >= 0) {
    EXPECT_EQ(((c.Ex ? fullEx.Bits() : full.Bits()) >> c.Bit) & 1u, 0u);
  }
}

#define B(name, bit, ex) MappingCase{#name, TSetKind::Behavior, name, bit, ex}
#define C(name, bit, ex) MappingCase{#name, TSetKind::Customize, name, bit, ex}
#define V(name, bit, ex) MappingCase{#name, TSetKind::View, name, bit, ex}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionMappingTest,
    ::testing::Values(
        B(edgoAnsiSort, 27, true), B(edgoAutoCopySelectedToClipboard, 31, true), B(edgoAutoSearch, 29, true),
        B(edgoAutoSort, 14, false), B(edgoBandButtonClicking, 17, true), B(edgoCaseInsensitive, 15, false),
        B(edgoCellMultiSelect, 8, true), B(edgoCollapsedReload, -1, false), B(edgoDblClick, -1, false),
        B(edgoDragCollapse, 14, true), B(edgoDragExpand, 13, true), B(edgoDragScroll, 12, true),
        B(edgoEditing, 2, false), B(edgoEnterShowEditor, 10, true), B(edgoEnterThrough, 9, true),
        B(edgoExtMultiSelect, 11, false), B(edgoHeaderButtonClicking, 19, true), B(edgoHorzThrough, 6, true),
        B(edgoImmediateEditor, 7, false), B(edgoMouseScroll, 28, true), B(edgoMultiSelect, 6, false),
        B(edgoMultiSort, 22, true), B(edgoSeekDetail, -1, false), B(edgoShowHourGlass, 16, true),
        B(edgoStoreToIniFile, 17, false), B(edgoStoreToRegistry, 16, false), B(edgoTabs, 3, false),
        B(edgoTabThrough, 4, false), B(edgoVertThrough, 7, true), C(edgoBandMoving, 5, true),
        C(edgoBandPanelSizing, 18, true), C(edgoBandSizing, 4, true), C(edgoColumnMoving, 1, false),
        C(edgoColumnSizing, 0, false), C(edgoExtCustomizing, 12, false), C(edgoFullSizing, 11, true),
        C(edgoHeaderPanelSizing, 20, true), C(edgoKeepColumnWidth, 26, true), C(edgoNotHideColumn, -1, false),
        C(edgoRowSizing, 21, true), V(edgoAutoCalcPreviewLines, 3, true), V(edgoAutoHeaderPanelHeight, 25, true),
        V(edgoAutoWidth, 10, false), V(edgoBandHeaderWidth, 2, true), V(edgoDrawEndEllipsis, 9, false),
        V(edgoHideFocusRect, 13, false), V(edgoHotTrack, 30, true), V(edgoIndicator, -1, false),
        V(edgoInvertSelect, 0, true), V(edgoPreview, 8, false), V(edgoRowAutoHeight, 15, true),
        V(edgoRowSelect, 5, false), V(edgoShowButtonAlways, 24, true), V(edgoUseBitmap, 1, true)),
    [](const auto& info) { return std::string(info.param.Name); });

#undef B
#undef C
#undef V

TdxDBGridGroupedOptions Defaults() {
  return {DefaultOptionsBehavior(), DefaultOptionsCustomize(), DefaultOptionsDB(), DefaultOptionsView()};
}

TEST(GridOptions, DefaultsMatchTheirStoredValuesAndCombinedWords) {
  const TdxDBGridGroupedOptions defaults = Defaults();
  EXPECT_EQ(defaults.Behavior.Bits(), 0x18043808u);
  EXPECT_EQ(defaults.Customize.Bits(), 29u);
  EXPECT_EQ(defaults.DB.Bits(), 4158u);
  EXPECT_EQ(defaults.View.Bits(), 8200u);
  EXPECT_EQ(CombinedOptions(defaults).Bits(), 15255u);
  EXPECT_EQ(CombinedOptionsEx(defaults).Bits(), 2102454u);
  // The tree list's words as the defaults set them. Automatic sorting is
  // carried in the word like every mapped option (151 with bit 14), so
  // reading the word and asking the option agree.
  TdxTreeListOptions options;
  TdxTreeListOptionsEx optionsEx;
  ApplyGroupedOptions(defaults.Behavior, defaults.Customize, defaults.View, options, optionsEx);
  EXPECT_EQ(options.Bits(), 151u | (1u << tloAutoSort));
  EXPECT_EQ(optionsEx.Bits(), 5302u);
}

TEST(GridOptions, ACombinedWordSetsEveryCounterpartAndKeepsTheFourWithout) {
  TdxDBGridGroupedOptions start = Defaults();
  start.DB.Include(edgoPartialLoad);
  start.Behavior.Include(edgoAutoCopySelectedToClipboard);
  start.View.Include(edgoHotTrack);
  const TdxDBGridGroupedOptions result = ApplyCombinedOptions(start, TdxDBGridOptions{egoLoadAllRecords});
  TdxDBGridOptionsDB db{edgoLoadAllRecords, edgoPartialLoad, edgoUseBookmarks};
  EXPECT_EQ(result.DB, db);
  const TdxDBGridOptionsCustomize bands{edgoBandMoving, edgoBandSizing};
  EXPECT_EQ(result.Customize, bands)
      << "options of the other word keep their value";
  EXPECT_TRUE(result.Behavior.Contains(edgoAutoCopySelectedToClipboard));
  EXPECT_TRUE(result.Behavior.Contains(edgoAutoSort)) << "an OptionsEx option";
  EXPECT_FALSE(result.Behavior.Contains(edgoEditing));
  EXPECT_TRUE(result.View.Contains(edgoHotTrack));

  const TdxDBGridGroupedOptions ex = ApplyCombinedOptionsEx(Defaults(), TdxDBGridOptionsEx{egoCollapsedReload});
  const TdxDBGridOptionsBehavior kept{edgoEditing, edgoImmediateEditor, edgoTabThrough, edgoCollapsedReload};
  EXPECT_EQ(ex.Behavior, kept);
  const TdxDBGridOptionsEx only{egoCollapsedReload};
  EXPECT_EQ(CombinedOptionsEx(ex), only);
}

}  // namespace
