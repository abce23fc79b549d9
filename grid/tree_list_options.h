#pragma once
// The tree list's two option words, Options and OptionsEx: 32-bit sets whose
// bits are fixed (forms and the grid's grouped option sets map onto them by
// bit number), and the rules that couple some bits to others when a word is
// written. Everything here is plain data, so the rules are tested without a
// window; the tree list (tree_list.h) applies a TdxOptionsChange.

#include <cstdint>

#include "framework/core/base/set.h"

enum TdxTreeListOption : int {
  tloColumnSizing = 0,
  tloColumnMoving = 1,
  tloEditing = 2,
  tloTabs = 3,
  tloTabThrough = 4,
  tloRowSelect = 5,
  tloMultiSelect = 6,
  tloImmediateEditor = 7,
  tloPreview = 8,
  tloDrawEndEllipsis = 9,
  tloAutoWidth = 10,
  tloExtMultiSelect = 11,
  tloExtCustomizing = 12,
  tloHideFocusRect = 13,
  tloAutoSort = 14,
  tloCaseInsensitive = 15,
  tloStoreToRegistry = 16,
  tloStoreToIniFile = 17,
};

// Bit 23 has no option; it is kept as written and means nothing.
enum TdxTreeListOptionEx : int {
  tloInvertSelect = 0,
  tloUseBitmap = 1,
  tloBandHeaderWidth = 2,
  tloAutoCalcPreviewLines = 3,
  tloBandSizing = 4,
  tloBandMoving = 5,
  tloHorzThrough = 6,
  tloVertThrough = 7,
  tloCellMultiSelect = 8,
  tloEnterThrough = 9,
  tloEnterShowEditor = 10,
  tloFullSizing = 11,
  tloDragScroll = 12,
  tloDragExpand = 13,
  tloDragCollapse = 14,
  tloRowAutoHeight = 15,
  tloShowHourGlass = 16,
  tloBandButtonClicking = 17,
  tloBandPanelSizing = 18,
  tloHeaderButtonClicking = 19,
  tloHeaderPanelSizing = 20,
  tloRowSizing = 21,
  tloMultiSort = 22,
  tloShowButtonAlways = 24,
  tloAutoHeaderPanelHeight = 25,
  tloKeepColumnWidth = 26,
  tloAnsiSort = 27,
  tloMouseScroll = 28,
  tloAutoSearch = 29,
  tloHotTrack = 30,
  tloAutoCopySelectedToClipboard = 31,
};

using TdxTreeListOptions = TSet<TdxTreeListOption, 32>;
using TdxTreeListOptionsEx = TSet<TdxTreeListOptionEx, 32>;

// tloColumnSizing, tloColumnMoving, tloEditing, tloTabThrough, tloRowSelect.
inline constexpr std::uint32_t DefaultTreeListOptions = 55;
// tloUseBitmap, tloBandHeaderWidth, tloAutoCalcPreviewLines, tloBandSizing,
// tloBandMoving, tloDragScroll, tloDragExpand.
inline constexpr std::uint32_t DefaultTreeListOptionsEx = 12350;

inline TdxTreeListOptions TreeListOptionsFromBits(std::uint32_t bits) {
  return TdxTreeListOptions::FromBits(bits);
}
inline TdxTreeListOptionsEx TreeListOptionsExFromBits(std::uint32_t bits) {
  return TdxTreeListOptionsEx::FromBits(bits);
}

// What writing one option word does: the two words as they are to be
// stored (the written one with the other adjusted where the bits are
// coupled) and the follow-up work the tree list owes.
struct TdxOptionsChange {
  TdxTreeListOptions Options;
  TdxTreeListOptionsEx OptionsEx;
  // Nothing differs: the writer does nothing at all.
  bool Unchanged = true;
  // tloAutoSort newly set, tloMultiSort dropped or tloAnsiSort toggled: the
  // sort keys no longer mean what they meant.
  bool ClearSortedColumns = false;
  // tloAutoWidth dropped with tloKeepColumnWidth on: the widths on screen
  // become the stored widths.
  bool KeepDisplayedWidths = false;
  // tloAutoHeaderPanelHeight newly set.
  bool RecalcHeaderPanelRows = false;
  // tloAutoSearch is off after the write.
  bool EndAutoSearch = false;
  // Options (not OptionsEx) changed: the selection is reset to the focused
  // node.
  bool ResetSelection = false;
};

// Writing Options. tloRowSelect clears tloInvertSelect, so the two are
// never on together.
TdxOptionsChange ChangeOptions(TdxTreeListOptions current, TdxTreeListOptionsEx currentEx,
                               TdxTreeListOptions value);
// Writing OptionsEx. tloInvertSelect clears tloRowSelect.
TdxOptionsChange ChangeOptionsEx(TdxTreeListOptions current, TdxTreeListOptionsEx currentEx,
                                 TdxTreeListOptionsEx value);
