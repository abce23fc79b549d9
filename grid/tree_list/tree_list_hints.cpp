// TCustomdxTreeList: the hint window over the bottom-panel button and over
// cells whose text their column cuts short.

#include <string>

#include "framework/gui/graphics/bitmap.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

constexpr int HintShowDelay = 1000;
constexpr int HintHideDelay = 5000;

enum THintKind { hkNone = 0, hkBottomPanelButton = 1, hkCell = 2 };

}  // namespace

TRect TCustomdxTreeList::GetBottomPanelButtonRect() const {
  if (!IsBottomPanelShown() || !IsBottomPanelButtonShown()) return TRect();
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  const TRect& panel = layout.BottomPanel;
  if (panel.IsEmpty()) return TRect();
  // Where the bottom panel's painting puts the button.
  const int top = (panel.Top + panel.Bottom - 11) / 2;
  return Rect(panel.Left + 3, top, panel.Left + 15, top + 11);
}

std::string TCustomdxTreeList::GetCellHintText(TdxTreeListNode* node, int absoluteIndex) const {
  TdxTreeListColumn* column = Columns(absoluteIndex);
  if (column == nullptr || node == nullptr) return {};
  std::string text;
  column->GetDisplayText(node, text);
  if (text.empty()) return {};
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  const TdxTreeListRowItem* row = layout.FindRow(node);
  // Rows of several lines break their texts instead of cutting them.
  if (row == nullptr || row->LineCount > 1) return {};
  const TRect cell = GetCellRect(layout, node, absoluteIndex);
  if (cell.Left == -1 && cell.Top == -1) return {};
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(column->IsAssigned(cavFont) ? &column->Font() : &Font());
  // The painter keeps 2 pixels free on either side of a cell's text.
  const int room = cell.Width() - 4;
  return probe.Canvas().TextWidth(text) > room ? text : std::string();
}

void TCustomdxTreeList::SetShowCellHints(bool value) {
  if (value == FShowCellHints) return;
  FShowCellHints = value;
  if (!value && FHintKind == hkCell) HideHint();
}

void TCustomdxTreeList::UpdateHint(const TdxTreeListHitInfo& hit) {
  THintKind kind = hkNone;
  const TPoint p = Point(hit.X, hit.Y);
  if (FState == tsNone && hit.HitTest != htNowhere) {
    if (hit.HitTest == htBottomPanel && GetBottomPanelButtonRect().Contains(p))
      kind = hkBottomPanelButton;
    else if (FShowCellHints && hit.HitTest == htLabel && hit.Node != nullptr && hit.Column >= 0)
      kind = hkCell;
  }
  TdxTreeListNode* node = kind == hkCell ? hit.Node : nullptr;
  const int column = kind == hkCell ? hit.Column : -1;
  if (kind == FHintKind && node == FHintNode && column == FHintColumn) return;
  if (kind == hkBottomPanelButton) {
    StartHintTimer();
    return;
  }
  HideHint();
  if (kind == hkNone) return;
  FHintKind = kind;
  FHintNode = node;
  FHintColumn = column;
  SetTimer(TreeListHintShowTimer, HintShowDelay);
}

void TCustomdxTreeList::StartHintTimer() {
  if (FHintKind == hkBottomPanelButton) return;
  HideHint();
  FHintKind = hkBottomPanelButton;
  SetTimer(TreeListHintShowTimer, HintShowDelay);
}

void TCustomdxTreeList::HideHint() {
  KillTimer(TreeListHintShowTimer);
  KillTimer(TreeListHintHideTimer);
  FHintWindow.reset();
  FHintKind = hkNone;
  FHintNode = nullptr;
  FHintColumn = -1;
}

bool TCustomdxTreeList::EditingTimer(int id) {
  switch (id) {
    case TreeListHintShowTimer: {
      KillTimer(id);
      std::string text;
      TPoint at;
      const TFont* font = &Font();
      bool ownSize = false;
      if (FHintKind == hkBottomPanelButton) {
        const TRect button = GetBottomPanelButtonRect();
        text = button.IsEmpty() ? std::string() : GetBottomPanelButtonHint();
        at = ClientToScreen(Point(button.Right + 4, button.Top - (FMetrics.RowTextHeight + 7)));
      } else if (FHintKind == hkCell && FHintNode != nullptr) {
        // The node is still this tree list's: a node that goes takes the
        // hint with it (NodeDeleted).
        text = GetCellHintText(FHintNode, FHintColumn);
        const TRect cell = GetCellRect(FHintNode, GetVisibleColumnIndex(FHintColumn));
        // The hint's text lies 3 pixels in from its window's corner, the
        // cell's 2 pixels from the cell's: the two texts meet.
        at = ClientToScreen(Point(cell.Left - 1, cell.Top - 2));
        TdxTreeListColumn* column = Columns(FHintColumn);
        if (column != nullptr && column->IsAssigned(cavFont)) font = &column->Font();
        ownSize = true;
      }
      if (text.empty()) {
        HideHint();
        return true;
      }
      if (!FHintWindow) {
        FHintWindow = std::make_unique<TdxContainerHintWindow>(nullptr);
        // Kept above this control's window.
        FHintWindow->SetParent(this);
      }
      FHintWindow->ShowHintEx(at, 0, ownSize, *font, text);
      SetTimer(TreeListHintHideTimer, HintHideDelay);
      return true;
    }
    case TreeListHintHideTimer:
      HideHint();
      return true;
    default:
      return false;
  }
}
