// Property writers of the tree list core and the option words. Writers
// clamp out-of-range values; those that change geometry re-measure
// (LayoutChanged), those that change only colours repaint.

#include <algorithm>
#include <utility>
#include <vector>

#include "grid/tree_list/tree_list.h"

// --- Change hooks ------------------------------------------------------------------

void TCustomdxTreeList::SetColorRepaint(TColor& field, TColor value) {
  if (field == value) return;
  field = value;
  Invalidate();
}

void TCustomdxTreeList::Remeasure(bool& field, bool value) {
  if (field == value) return;
  field = value;
  LayoutChanged();
}

void TCustomdxTreeList::Remeasure(int& field, int value) {
  if (field == value) return;
  field = value;
  LayoutChanged();
}

// --- Look -------------------------------------------------------------------------

void TCustomdxTreeList::SetLookAndFeel(TdxLookAndFeel value) {
  if (value == FLookAndFeel) return;
  CloseEditor();
  ForgetEditCell();
  FLookAndFeel = value;
  // The editors take the flat look with the ultra-flat one.
  SetScrollBarStyle(value == lfUltraFlat ? 2 : 0);
  LookAndFeelChanged();
  FrameChanged();
  LayoutChanged();
}

void TCustomdxTreeList::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  if (value != ssBoth && value != ssHorizontal) ShowScrollBar(sbHorizontal, false);
  if (value != ssBoth && value != ssVertical) ShowScrollBar(sbVertical, false);
  UpdateScrollBars();
}

void TCustomdxTreeList::SetBandColor(TColor value) { SetColorRepaint(FBandColor, value); }
void TCustomdxTreeList::SetHeaderColor(TColor value) { SetColorRepaint(FHeaderColor, value); }
void TCustomdxTreeList::SetGroupNodeColor(TColor value) { SetColorRepaint(FGroupNodeColor, value); }
void TCustomdxTreeList::SetGroupNodeTextColor(TColor value) { SetColorRepaint(FGroupNodeTextColor, value); }
void TCustomdxTreeList::SetGridLineColor(TColor value) { SetColorRepaint(FGridLineColor, value); }
void TCustomdxTreeList::SetAutoSearchColor(TColor value) { SetColorRepaint(FAutoSearchColor, value); }
void TCustomdxTreeList::SetAutoSearchTextColor(TColor value) { SetColorRepaint(FAutoSearchTextColor, value); }
void TCustomdxTreeList::SetHighlightColor(TColor value) { SetColorRepaint(FHighlightColor, value); }
void TCustomdxTreeList::SetHighlightTextColor(TColor value) { SetColorRepaint(FHighlightTextColor, value); }
void TCustomdxTreeList::SetHideSelectionColor(TColor value) { SetColorRepaint(FHideSelectionColor, value); }
void TCustomdxTreeList::SetHideSelectionTextColor(TColor value) {
  SetColorRepaint(FHideSelectionTextColor, value);
}
void TCustomdxTreeList::SetFixedBandLineColor(TColor value) { SetColorRepaint(FFixedBandLineColor, value); }
void TCustomdxTreeList::SetRowFooterColor(TColor value) { SetColorRepaint(FRowFooterColor, value); }
void TCustomdxTreeList::SetRowFooterTextColor(TColor value) { SetColorRepaint(FRowFooterTextColor, value); }

// --- Panels and rows -----------------------------------------------------------------

void TCustomdxTreeList::SetShowBands(bool value) { Remeasure(FShowBands, value); }
void TCustomdxTreeList::SetShowHeader(bool value) { Remeasure(FShowHeader, value); }
void TCustomdxTreeList::SetShowGrid(bool value) { Remeasure(FShowGrid, value); }
void TCustomdxTreeList::SetShowPreviewGrid(bool value) { Remeasure(FShowPreviewGrid, value); }
void TCustomdxTreeList::SetShowRowFooter(bool value) { Remeasure(FShowRowFooter, value); }
void TCustomdxTreeList::SetShowFooter(bool value) { Remeasure(FShowFooter, value); }
void TCustomdxTreeList::SetShowIndicator(bool value) { Remeasure(FShowIndicator, value); }
void TCustomdxTreeList::SetNodeIndentMode(bool value) { Remeasure(FNodeIndentMode, value); }

void TCustomdxTreeList::SetShowNewItemRow(bool value) {
  if (value == FShowNewItemRow) return;
  LeaveNewItemRow();
  Remeasure(FShowNewItemRow, value);
}

void TCustomdxTreeList::SetHideFocusRect(bool value) {
  if (value == FHideFocusRect) return;
  FHideFocusRect = value;
  Invalidate();
}

void TCustomdxTreeList::SetHideSelection(bool value) {
  if (value == FHideSelection) return;
  FHideSelection = value;
  Invalidate();
}

void TCustomdxTreeList::SetIndentDesc(int value) { Remeasure(FIndentDesc, std::max(value, 0)); }
void TCustomdxTreeList::SetPreviewLines(int value) { Remeasure(FPreviewLines, std::max(value, -1)); }
void TCustomdxTreeList::SetMaxRowLineCount(int value) { Remeasure(FMaxRowLineCount, std::max(value, -1)); }
void TCustomdxTreeList::SetCustomizingRowCount(int value) { FCustomizingRowCount = std::max(value, 2); }
void TCustomdxTreeList::SetFixedBandLineWidth(int value) {
  Remeasure(FFixedBandLineWidth, std::max(value, 1));
}
void TCustomdxTreeList::SetRowSeparatorLineWidth(int value) {
  Remeasure(FRowSeparatorLineWidth, std::max(value, 1));
}

void TCustomdxTreeList::SetDefaultRowHeight(int value) {
  FDefaultRowHeight = value;
  FDefaultRowHeightAssigned = true;
  LayoutChanged();
}

void TCustomdxTreeList::SetGrIndicatorWidth(int value) {
  Remeasure(FGrIndicatorWidth, std::max(value, MinIndicatorWidth));
}

// --- Options ----------------------------------------------------------------------

bool TCustomdxTreeList::OptionOn(TdxTreeListOption option) const { return FOptions.Contains(option); }

bool TCustomdxTreeList::OptionExOn(TdxTreeListOptionEx option) const {
  if (!FOptionsEx.Contains(option)) return false;
  switch (option) {
    case tloMouseScroll:
      return OptionOn(tloRowSelect) || !OptionOn(tloEditing);
    case tloEnterThrough:
      return OptionExOn(tloEnterShowEditor);
    case tloBandSizing:
      return !OptionExOn(tloBandHeaderWidth) || FShowBands;
    default:
      return true;
  }
}

void TCustomdxTreeList::SetOptions(std::uint32_t value) {
  ApplyOptions(ChangeOptions(FOptions, FOptionsEx, TreeListOptionsFromBits(value)));
}

void TCustomdxTreeList::SetOptionsEx(std::uint32_t value) {
  ApplyOptions(ChangeOptionsEx(FOptions, FOptionsEx, TreeListOptionsExFromBits(value)));
}

void TCustomdxTreeList::ApplyOptions(const TdxOptionsChange& change) {
  if (change.Unchanged) return;
  CloseEditor();
  TdxTreeListUpdateLock lock(*this);
  if (change.ClearSortedColumns) ClearSortedColumns();
  // Read while the widths are still shared out by tloAutoWidth.
  if (change.KeepDisplayedWidths) KeepDisplayedWidths();
  FOptions = change.Options;
  FOptionsEx = change.OptionsEx;
  lock.Close();
  if (change.ResetSelection && !IsLoading()) {
    ClearSelection();
    SelectFocusedAgain();
  }
  if (change.RecalcHeaderPanelRows) CalcHeaderPanelRowCount();
  if (change.EndAutoSearch) EndAutoSearch();
}

void TCustomdxTreeList::KeepDisplayedWidths() {
  const int bands = GetVisibleBandCount();
  if (bands == 0) return;
  if (OptionExOn(tloBandHeaderWidth) && bands == 1) {
    // Every width is read before any is written: writing one may share the
    // band out again.
    std::vector<std::pair<int, int>> widths;
    for (int row = 0; row < GetBandHeaderRowCount(0); ++row)
      for (int position = 0; position < GetHeaderColumnCount(0, row); ++position) {
        const int column = GetHeaderAbsoluteIndex(0, row, position);
        if (column >= 0) widths.emplace_back(column, GetColumnWidth(column));
      }
    for (const auto& [column, width] : widths) SetColumnWidth(column, width);
  } else {
    SetBandWidth(0, GetBandDisplayWidth(0) + GetGroupIndent());
  }
}
