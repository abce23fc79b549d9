#include "grid/tree_list/tree_list_options.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TreeListOptions, DefaultWordsHoldTheDocumentedBits) {
  const TdxTreeListOptions options = TreeListOptionsFromBits(DefaultTreeListOptions);
  EXPECT_EQ(options,
            (TdxTreeListOptions{tloColumnSizing, tloColumnMoving, tloEditing, tloTabThrough, tloRowSelect}));
  const TdxTreeListOptionsEx ex = TreeListOptionsExFromBits(DefaultTreeListOptionsEx);
  EXPECT_EQ(ex, (TdxTreeListOptionsEx{tloUseBitmap, tloBandHeaderWidth, tloAutoCalcPreviewLines,
                                      tloBandSizing, tloBandMoving, tloDragScroll, tloDragExpand}));
}

TEST(TreeListOptions, TheUnnamedBit23IsKeptAsWritten) {
  const TdxTreeListOptionsEx ex = TreeListOptionsExFromBits(1u << 23);
  const TdxOptionsChange change = ChangeOptionsEx({}, {}, ex);
  EXPECT_EQ(change.OptionsEx.Bits(), 1u << 23);
}

TEST(TreeListOptions, WritingTheSameWordChangesNothing) {
  const TdxTreeListOptions options = TreeListOptionsFromBits(DefaultTreeListOptions);
  const TdxTreeListOptionsEx ex = TreeListOptionsExFromBits(DefaultTreeListOptionsEx);
  EXPECT_TRUE(ChangeOptions(options, ex, options).Unchanged);
  EXPECT_TRUE(ChangeOptionsEx(options, ex, ex).Unchanged);
  EXPECT_FALSE(ChangeOptions(options, ex, options).ResetSelection);
}

// One write of one word, from given words, and what it must lead to.
struct TOptionsCase {
  std::string Name;
  TdxTreeListOptions Options;
  TdxTreeListOptionsEx OptionsEx;
  bool WriteEx;  // the written word is OptionsEx (else Options)
  TdxTreeListOptions NewOptions;
  TdxTreeListOptionsEx NewOptionsEx;
  // Expected:
  TdxTreeListOptions Options2;
  TdxTreeListOptionsEx OptionsEx2;
  bool ClearSorted;
  bool KeepWidths;
  bool RecalcHeaderRows;
  bool EndSearch;
  bool ResetSelection;
};

class TreeListOptionsCoupling : public ::testing::TestWithParam<TOptionsCase> {};

TEST_P(TreeListOptionsCoupling, WritingAWordAdjustsTheCoupledBits) {
  const TOptionsCase& c = GetParam();
  const TdxOptionsChange change = c.WriteEx ? ChangeOptionsEx(c.Options, c.OptionsEx, c.NewOptionsEx)
                                            : ChangeOptions(c.Options, c.OptionsEx, c.NewOptions);
  EXPECT_FALSE(change.Unchanged);
  EXPECT_EQ(change.Options.Bits(), c.Options2.Bits());
  EXPECT_EQ(change.OptionsEx.Bits(), c.OptionsEx2.Bits());
  EXPECT_EQ(change.ClearSortedColumns, c.ClearSorted);
  EXPECT_EQ(change.KeepDisplayedWidths, c.KeepWidths);
  EXPECT_EQ(change.RecalcHeaderPanelRows, c.RecalcHeaderRows);
  EXPECT_EQ(change.EndAutoSearch, c.EndSearch);
  EXPECT_EQ(change.ResetSelection, c.ResetSelection);
}

using O = TdxTreeListOptions;
using X = TdxTreeListOptionsEx;

INSTANTIATE_TEST_SUITE_P(Cases, TreeListOptionsCoupling,
                         ::testing::Values(TOptionsCase{"RowSelectClearsInvertSelect",
                                                        {},
                                                        {tloInvertSelect, tloUseBitmap},
                                                        false,
                                                        {tloRowSelect},
                                                        {},
                                                        {tloRowSelect},
                                                        {tloUseBitmap},
                                                        false,
                                                        false,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"InvertSelectClearsRowSelect",
                                                        {tloRowSelect, tloEditing},
                                                        {tloAutoSearch},
                                                        true,
                                                        {},
                                                        {tloInvertSelect, tloAutoSearch},
                                                        {tloEditing},
                                                        {tloInvertSelect, tloAutoSearch},
                                                        false,
                                                        false,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"AutoSortNewlySetClearsSorting",
                                                        {},
                                                        {},
                                                        false,
                                                        {tloAutoSort},
                                                        {},
                                                        {tloAutoSort},
                                                        {},
                                                        true,
                                                        false,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"AutoSortKeptSortsNothingAway",
                                                        {tloAutoSort},
                                                        {},
                                                        false,
                                                        {tloAutoSort, tloEditing},
                                                        {},
                                                        {tloAutoSort, tloEditing},
                                                        {},
                                                        false,
                                                        false,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"MultiSortDroppedClearsSorting",
                                                        {},
                                                        {tloMultiSort, tloAutoSearch},
                                                        true,
                                                        {},
                                                        {tloAutoSearch},
                                                        {},
                                                        {tloAutoSearch},
                                                        true,
                                                        false,
                                                        false,
                                                        false,
                                                        false},
                                           TOptionsCase{"AnsiSortSetClearsSorting",
                                                        {},
                                                        {tloAutoSearch},
                                                        true,
                                                        {},
                                                        {tloAnsiSort, tloAutoSearch},
                                                        {},
                                                        {tloAnsiSort, tloAutoSearch},
                                                        true,
                                                        false,
                                                        false,
                                                        false,
                                                        false},
                                           TOptionsCase{"AnsiSortDroppedClearsSorting",
                                                        {},
                                                        {tloAnsiSort, tloAutoSearch},
                                                        true,
                                                        {},
                                                        {tloAutoSearch},
                                                        {},
                                                        {tloAutoSearch},
                                                        true,
                                                        false,
                                                        false,
                                                        false,
                                                        false},
                                           TOptionsCase{"AutoWidthDroppedKeepsWidthsWithKeepColumnWidth",
                                                        {tloAutoWidth},
                                                        {tloKeepColumnWidth},
                                                        false,
                                                        {},
                                                        {},
                                                        {},
                                                        {tloKeepColumnWidth},
                                                        false,
                                                        true,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"AutoWidthDroppedWithoutKeepColumnWidth",
                                                        {tloAutoWidth},
                                                        {},
                                                        false,
                                                        {},
                                                        {},
                                                        {},
                                                        {},
                                                        false,
                                                        false,
                                                        false,
                                                        false,
                                                        true},
                                           TOptionsCase{"AutoHeaderPanelHeightNewlySetRecalculatesRows",
                                                        {},
                                                        {tloAutoSearch},
                                                        true,
                                                        {},
                                                        {tloAutoHeaderPanelHeight, tloAutoSearch},
                                                        {},
                                                        {tloAutoHeaderPanelHeight, tloAutoSearch},
                                                        false,
                                                        false,
                                                        true,
                                                        false,
                                                        false},
                                           TOptionsCase{"AutoSearchDroppedEndsTheSearch",
                                                        {},
                                                        {tloAutoSearch, tloHotTrack},
                                                        true,
                                                        {},
                                                        {tloHotTrack},
                                                        {},
                                                        {tloHotTrack},
                                                        false,
                                                        false,
                                                        false,
                                                        true,
                                                        false}),
                         [](const ::testing::TestParamInfo<TOptionsCase>& info) { return info.param.Name; });

}  // namespace
