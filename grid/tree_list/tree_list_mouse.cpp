// The tree list's mouse and focus: what a press does by the part of the
// control it hits (start sizing, press a band or header, focus and select
// nodes, expand, start the editor or panning), how moving the pointer
// follows the interaction under way, what the release ends, hot tracking,
// and the focus and cancel-mode messages. Sizing, dragging and editing
// themselves belong to their own files; the input calls their hooks.

#include <algorithm>
#include <cstdlib>

#include "framework/core/base/scope_exit.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/dragdrop/drag_drop.h"
#include "framework/gui/standard/forms.h"
#include "grid/tree_list/tree_list.h"

namespace {

// A drag starts once the pointer has moved further than this from the
// press, in X or in Y.
constexpr int DragThreshold = 5;

// The parts of a row a press focuses its node on.
bool IsNodeAreaHit(TdxTreeListHitTest code) {
  return code == htIcon || code == htStateIcon || code == htLabel || code == htRowFooter || code == htPreview ||
         code == htIndicator;
}

// Any part of a row (the indicator aside).
bool IsRowHit(TdxTreeListHitTest code) {
  return code == htButton || code == htIcon || code == htStateIcon || code == htIndent || code == htLabel ||
         code == htRight || code == htRowFooter || code == htPreview;
}

}  // namespace

// --- Messages -------------------------------------------------------------------------------

void TCustomdxTreeList::WndProc(TMessage& message) {
  const std::weak_ptr<char> life = LifeToken();
  switch (message.Msg) {
    case WM_CHAR:
    case WM_SYSCHAR:
      // KeyPress hears only the character; whether Ctrl made it travels
      // with the message.
      FCharShift = KeyDataToShiftState(message.LParam);
      break;
    case WM_SETFOCUS:
      TCustomdxContainer::WndProc(message);
      if (!life.expired()) WMSetFocusFrom(ControlOf(message.WParam));
      return;
    case WM_KILLFOCUS:
      TCustomdxContainer::WndProc(message);
      if (!life.expired()) WMKillFocusTo();
      return;
    case WM_LBUTTONDOWN:
      StopEditTimer();
      TCustomdxContainer::WndProc(message);
      if (life.expired()) return;
      if (TdxInplaceEdit* editor = InplaceEditor()) editor->SetClickTime(GetTickCount());
      return;
    case WM_IME_STARTCOMPOSITION:
      TCustomdxContainer::WndProc(message);
      if (!life.expired()) ShowEditor();
      return;
    case WM_CANCELMODE:
      CancelMouseState();
      break;
    case CM_CANCELMODE: {
      // Sent for every press on the form; a press of the control's own
      // starts its next interaction instead.
      TControl* sender = ControlOf(static_cast<std::uintptr_t>(message.LParam));
      if (sender != this) {
        TdxInplaceEdit* editor = InplaceEditor();
        if (editor != nullptr && sender != editor) editor->Perform(CM_CANCELMODE, message.WParam, message.LParam);
        if (life.expired()) return;
        CancelMouseState();
      }
      break;
    }
    case WM_NCHITTEST:
      FHitTestPoint = PointOf(message.LParam);
      break;
    case WM_DESTROY:
      HideHint();
      break;
    case WM_SETCURSOR:
      if (SetCursorForState(message)) return;
      break;
    default:
      break;
  }
  if (!life.expired()) TCustomdxContainer::WndProc(message);
}

// Sizing edges show the sizing cursors, before and while sizing.
bool TCustomdxTreeList::SetCursorForState(TMessage& message) {
  if (static_cast<int>(LoWord(static_cast<std::uintptr_t>(message.LParam))) != HTCLIENT) return false;
  TCursor cursor = crDefault;
  if (FState == tsNone || FState == tsEditing) {
    TdxTreeListHitInfo hit;
    HitTestPoint(ScreenToClient(FHitTestPoint), hit);
    if ((hit.HitTest == htBandEdge && hit.Band >= 0) || hit.HitTest == htColumnEdge)
      cursor = crHSplit;
    else if (hit.HitTest == htBandPanelEdge || hit.HitTest == htHeaderPanelEdge || hit.HitTest == htRowEdge)
      cursor = crVSplit;
  } else if (FState == tsColumnSizing || FState == tsBandSizing) {
    cursor = crHSplit;
  } else if (FState == tsBandPanelSizing || FState == tsHeaderPanelSizing || FState == tsRowSizing) {
    cursor = crVSplit;
  }
  if (cursor == crDefault) return false;
  SetWindowCursor(cursor);
  message.Result = 1;
  return true;
}

bool TCustomdxTreeList::IsOwnEditor(const TControl* control) const {
  return control != nullptr && control == InplaceEditor();
}

void TCustomdxTreeList::InvalidateNewItemRow() {
  if (!FShowNewItemRow) return;
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  InvalidateRect(layout.NewItemRow);
}

void TCustomdxTreeList::WMSetFocusFrom(TControl* previous) {
  if (FocusedNode() == nullptr) {
    TdxTreeListNode* top = TopVisibleNode() != nullptr ? TopVisibleNode() : FirstNode();
    if (top != nullptr) SetFocusedNodeAndColumn(top, FocusedColumnIndex(), false);
  }
  if (!IsOwnEditor(previous)) {
    if (FocusedNode() != nullptr) NodeChanged(FocusedNode(), false);
    UpdateEditor(true);
  }
  if (IsMultiSelect() && SelectedCount() > 0) InvalidateSelection();
  InvalidateNewItemRow();
}

void TCustomdxTreeList::WMKillFocusTo() {
  // Qt names the widget that takes the focus before telling this one.
  TdxInplaceEdit* editor = InplaceEditor();
  if (editor != nullptr && editor->Focused()) return;
  if (FocusedNode() != nullptr) NodeChanged(FocusedNode(), false);
  EditingFocusLost();
  if (IsMultiSelect()) InvalidateSelection();
  InvalidateNewItemRow();
  if (FState == tsNodeDown) {
    SetInteractionState(tsNone);
    KillTimer(TreeListSelectScrollTimer);
  }
}

void TCustomdxTreeList::DoExit() {
  {
    TRestoreOnExit<bool> losing(FLosingFocus);
    FLosingFocus = true;
    CloseEditor();
  }
  TCustomdxContainer::DoExit();
}

// --- Hot tracking ---------------------------------------------------------------------------

void TCustomdxTreeList::InvalidateHeader(int absoluteIndex) {
  if (absoluteIndex < 0) return;
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  if (const TdxTreeListHeaderItem* cell = layout.FindHeader(absoluteIndex)) InvalidateRect(cell->Rect);
}

void TCustomdxTreeList::InvalidateBand(int visibleBandIndex) {
  if (visibleBandIndex < 0) return;
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  for (const TdxTreeListBandItem& band : layout.Bands)
    if (band.BandIndex == visibleBandIndex) InvalidateRect(band.Rect);
}

bool TCustomdxTreeList::IsCellHotTracked(const TdxTreeListNode* node, int absoluteIndex) const {
  return node != nullptr && node == FHotTrackNode && absoluteIndex == FHotColumn;
}

void TCustomdxTreeList::DoHotTrackNode(const TdxTreeListHitInfo& hit) {
  if (!OnHotTrackNode) return;
  TCursor cursor = Cursor();
  OnHotTrackNode(this, hit, cursor);
  SetCursor(cursor);
}

void TCustomdxTreeList::UpdateHotTrack(const TdxTreeListHitInfo& hit) {
  if (FState == tsNone || FState == tsBottomPanelButtonDown) {
    const TRect button = GetBottomPanelButtonRect();
    const bool over = hit.HitTest == htBottomPanel && button.Contains(Point(hit.X, hit.Y));
    if (over != FBottomButtonHot) {
      FBottomButtonHot = over;
      InvalidateRect(button);
    }
  }
  UpdateHint(hit);
  if (!OptionExOn(tloHotTrack) && !IsHeaderButtonMode()) return;
  TdxTreeListNode* node = nullptr;
  int column = -1;
  int header = -1;
  int headerState = 0;
  if (hit.Node != nullptr && hit.Column >= 0 && CanHotTrackCell(hit.Node, hit.Column)) {
    node = hit.Node;
    column = hit.Column;
  } else if (hit.HitTest == htColumn && hit.Column >= 0 && CanHotTrackHeader(hit.Column)) {
    header = hit.Column;
    headerState = 1;
    // The drop-down box: the right 15 pixels of the cell inset by 2, in a
    // cell wide enough for it.
    TdxTreeListLayoutInfo layout;
    CalculateLayout(layout);
    if (const TdxTreeListHeaderItem* cell = layout.FindHeader(header)) {
      TRect inner = cell->Rect;
      InflateRect(inner, -2, -2);
      if (inner.Width() >= 16 && Rect(inner.Right - 15, inner.Top, inner.Right, inner.Bottom).Contains(Point(hit.X, hit.Y)))
        headerState = 2;
    }
  }
  if (node != FHotTrackNode || column != FHotColumn || header != FHotHeaderColumn) {
    if (FHotTrackNode != nullptr) NodeChanged(FHotTrackNode, false);
    InvalidateHeader(FHotHeaderColumn);
    FHotTrackNode = node;
    FHotColumn = column;
    FHotHeaderColumn = header;
    FHotHeaderState = headerState;
    DoHotTrackNode(hit);
    if (FHotTrackNode != nullptr) NodeChanged(FHotTrackNode, false);
    InvalidateHeader(FHotHeaderColumn);
  } else if (headerState != FHotHeaderState) {
    FHotHeaderState = headerState;
    InvalidateHeader(header);
  }
}

void TCustomdxTreeList::MouseEnter() {
  TCustomdxContainer::MouseEnter();
  TdxTreeListHitInfo hit;
  HitTestPoint(ScreenToClient(GetCursorPos()), hit);
  UpdateHotTrack(hit);
}

void TCustomdxTreeList::MouseLeave() {
  TCustomdxContainer::MouseLeave();
  UpdateHotTrack(TdxTreeListHitInfo{});
  HideHint();
}

// --- Pressing -------------------------------------------------------------------------------

void TCustomdxTreeList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const std::weak_ptr<char> life = LifeToken();
  TdxInplaceEdit* editor = InplaceEditor();
  // The editor is busy with a press of its own.
  if (FState == tsEditing && editor != nullptr && editor->MouseCapture()) return;
  HideHint();
  if (editor != nullptr && !editor->IsCloseLocked()) CloseEditorAndFocus();
  if (life.expired()) return;
  const bool hadFocus = Focused();
  if (CanFocus() || GetParentForm(this) == nullptr) {
    if (!hadFocus && CanFocus()) SetFocus();
    if (life.expired()) return;
    if (!Focused()) {
      if (MouseCapture()) SetMouseCapture(false);
      return;
    }
  }

  HitTestPoint(Point(x, y), FDownHitInfo);
  const TdxTreeListHitInfo hit = FDownHitInfo;
  FSelectionChangedAtPress = false;
  FPressedWasSelected = false;
  FPressOnNewItemRow = false;
  if (button == mbRight && FState != tsNone) CancelMouseState();
  const bool left = button == mbLeft;
  const bool twice = shift.Contains(ssDouble);
  if (left && FState == tsNone) PressHeaderArea(shift);
  if (life.expired()) return;

  bool inArea = false;
  if (hit.Node != nullptr && IsNodeAreaHit(hit.HitTest) && ((left && FState == tsNone) || button == mbRight)) {
    inArea = true;
    PressNodeArea(button, shift, x, y, hadFocus);
    if (life.expired()) return;
  }
  if (left && hit.Node != nullptr && (hit.HitTest == htButton || (twice && IsRowHit(hit.HitTest)))) {
    inArea = true;
    StopEditTimer();
    TdxTreeListNode* node = hit.Node;
    if ((DblClkExpanding() || hit.HitTest == htButton) && (node->HasChildren() || node->Count() > 0))
      node->SetExpanded(!node->Expanded());
    if (life.expired()) return;
    if (twice && CanDblClick()) DblClick();
    if (life.expired()) return;
  }
  if (left && hit.HitTest == htNewItemRow) {
    inArea = true;
    const bool wasActive = IsNewItemRowActive();
    if (FocusedNode() == nullptr) FocusNewItemRowNode();
    const int column = hit.Column >= 0 ? GetVisibleColumnIndex(hit.Column) : FocusedColumnIndex();
    const bool sameCell = wasActive && column == FocusedColumnIndex();
    SetFocusedColumnIndex(column);
    ActivateNewItemRow();
    FPressOnNewItemRow = true;
    if (life.expired()) return;
    if (sameCell && hadFocus && !(editor != nullptr && editor->Shown()) && !EditTimerRunning() &&
        !OptionOn(tloRowSelect))
      StartEditTimer();
  }
  if (FState == tsEditing && !inArea) CloseEditor();
  if (life.expired()) return;
  if (left && twice && (hit.HitTest == htNowhere || hit.HitTest == htColumn || hit.HitTest == htIndicator) &&
      CanDblClick())
    DblClick();
  if (life.expired()) return;
  // Panning follows the option that lets the mouse scroll the rows.
  if (button == mbMiddle && FState == tsNone && OptionExOn(tloMouseScroll)) RunPanningMode();
  if (life.expired()) return;
  TCustomdxContainer::MouseDown(button, shift, x, y);
}

void TCustomdxTreeList::PressHeaderArea(TShiftState shift) {
  const TdxTreeListHitInfo& hit = FDownHitInfo;
  TdxTreeListLayoutInfo layout;
  // A header of header-button mode is pressed here; everything else of
  // the band and header panels (edges, bands, headers) starts sizing,
  // moving or sorting.
  if (hit.HitTest == htColumn && hit.Column >= 0 && IsHeaderButtonMode()) {
    const int kind = GetHeaderButtonModeState(hit.Column);
    if (kind == 2) return;
    if (kind == 1) {
      SetPressedColumn(hit.Column);
      FPressedButtonModeColumn = hit.Column;
      SetPressedItemDown(true);
      SetInteractionState(tsColumnDownInButtonMode);
      InvalidateHeader(hit.Column);
      return;
    }
  }
  if (StartLayoutInteraction(hit, shift)) return;
  switch (hit.HitTest) {
    case htBandButton:
      if (!OptionExOn(tloBandButtonClicking)) break;
      FPressedButtonOver = true;
      SetInteractionState(tsBandButtonDown);
      CalcAreaRects(layout);
      InvalidateRect(layout.BandButton);
      break;
    case htHeaderButton:
      if (!OptionExOn(tloHeaderButtonClicking)) break;
      FPressedButtonOver = true;
      SetInteractionState(tsColumnButtonDown);
      CalcAreaRects(layout);
      InvalidateRect(layout.HeaderButton);
      break;
    case htBottomPanel:
      if (!GetBottomPanelButtonRect().Contains(Point(hit.X, hit.Y))) break;
      FPressedButtonOver = true;
      SetInteractionState(tsBottomPanelButtonDown);
      InvalidateRect(GetBottomPanelButtonRect());
      break;
    default:
      break;
  }
}

void TCustomdxTreeList::PressNodeArea(TMouseButton button, TShiftState shift, int x, int y, bool hadFocus) {
  const std::weak_ptr<char> life = LifeToken();
  const TdxTreeListHitInfo hit = FDownHitInfo;
  TdxTreeListNode* node = hit.Node;
  const bool left = button == mbLeft;
  LeaveNewItemRow();
  if (left && hit.HitTest != htIndicator) {
    SetInteractionState(tsNodeDown);
    FDragNode = node;
  }
  FFocusedBeforePress = FocusedNode();
  // In row select the row is the focus: the column under the point is no
  // change of column.
  const int column =
      hit.Column >= 0 && !OptionOn(tloRowSelect) ? GetVisibleColumnIndex(hit.Column) : FocusedColumnIndex();
  const bool sameCell = node == FocusedNode() && column == FocusedColumnIndex();
  {
    TdxSelectionChangeScope bracket(*this);
    SetFocusedNodeAndColumn(node, column, true);
    if (life.expired()) return;
    if (IsMultiSelect()) {
      TdxSelectionChangeScope inner(*this);
      const auto toggle = [this](TdxTreeListNode* n) {
        const bool select = !IsNodeSelected(n);
        if (!select || CanSelectNode(n)) SetNodeSelected(n, select);
      };
      if (shift.Contains(ssShift)) {
        if (FSelectionAnchor == nullptr || !IsNodeSelected(FSelectionAnchor)) SetSelectionAnchor(FFocusedBeforePress);
        TdxTreeListNode* from = shift.Contains(ssCtrl) ? FFocusedBeforePress : FSelectionAnchor;
        if (!shift.Contains(ssCtrl)) ClearSelection();
        if (from != nullptr)
          SelectRange(from, node);
        else
          toggle(node);
        FSelectionChangedAtPress = true;
      } else if (shift.Contains(ssCtrl)) {
        toggle(node);
        FSelectionChangedAtPress = true;
      } else if (IsNodeSelected(node)) {
        // A press on the selection keeps it (it may be dragged); a left
        // release reduces it to the node.
        FPressedWasSelected = left;
      } else {
        ClearSelection();
        if (CanSelectNode(node)) SetNodeSelected(node, true);
      }
      inner.Close();
    }
    bracket.Close();
  }
  if (life.expired()) return;
  if (!left || hit.HitTest != htLabel || hit.Column < 0 || OptionOn(tloRowSelect)) return;
  if (OptionExOn(tloShowButtonAlways) && CellMouseTest(node, hit.Column, x, y)) {
    SetInteractionState(tsNone);
    ShowEditorWithMouse(x, y);
    return;
  }
  TdxInplaceEdit* editor = InplaceEditor();
  if (sameCell && hadFocus && !(editor != nullptr && editor->Shown()) && !EditTimerRunning()) StartEditTimer();
}

// --- Moving ---------------------------------------------------------------------------------

void TCustomdxTreeList::MouseMove(TShiftState shift, int x, int y) {
  const std::weak_ptr<char> life = LifeToken();
  TdxTreeListHitInfo hit;
  HitTestPoint(Point(x, y), hit);
  if (FState == tsNodeDown && !shift.Contains(ssLeft)) {
    SetInteractionState(tsNone);
    KillTimer(TreeListSelectScrollTimer);
  }
  const bool pastThreshold =
      std::abs(x - FDownHitInfo.X) > DragThreshold || std::abs(y - FDownHitInfo.Y) > DragThreshold;
  switch (FState) {
    case tsNodeDown:
      if (DragMode() == dmAutomatic) {
        if (pastThreshold && FDragNode != nullptr) {
          TdxTreeListNode* node = FDragNode;
          SetFocusedNodeAndColumn(node, FocusedColumnIndex(), true);
          if (life.expired()) return;
          if (IsMultiSelect()) {
            TdxSelectionChangeScope bracket(*this);
            if (!FSelectionChangedAtPress) ClearSelection();
            if (CanSelectNode(node)) SetNodeSelected(node, true);
            bracket.Close();
          }
          FPressedWasSelected = false;
          BeginDrag(true);
        }
      } else if (OptionExOn(tloMouseScroll)) {
        SelectWhileMoving(hit, y);
      }
      break;
    case tsColumnDownInButtonMode:
    case tsBandButtonDown:
    case tsColumnButtonDown:
    case tsBottomPanelButtonDown:
      TrackPressed(hit);
      break;
    default:
      if (IsLayoutInteractionState(FState)) LayoutInteractionMove(shift, x, y);
      break;
  }
  if (life.expired()) return;
  UpdateHotTrack(hit);
  if (life.expired()) return;
  TCustomdxContainer::MouseMove(shift, x, y);
}

// Whether the pointer is still over what was pressed; the item is drawn
// again when that changes.
void TCustomdxTreeList::TrackPressed(const TdxTreeListHitInfo& hit) {
  TdxTreeListLayoutInfo layout;
  const TPoint p = Point(hit.X, hit.Y);
  switch (FState) {
    case tsColumnDownInButtonMode: {
      const bool over = hit.HitTest == htColumn && hit.Column == PressedColumn();
      if (over == PressedItemDown()) return;
      SetPressedItemDown(over);
      InvalidateHeader(PressedColumn());
      return;
    }
    case tsBandButtonDown:
    case tsColumnButtonDown: {
      const bool over = hit.HitTest == (FState == tsBandButtonDown ? htBandButton : htHeaderButton);
      if (over == FPressedButtonOver) return;
      FPressedButtonOver = over;
      CalcAreaRects(layout);
      InvalidateRect(FState == tsBandButtonDown ? layout.BandButton : layout.HeaderButton);
      return;
    }
    case tsBottomPanelButtonDown: {
      const TRect button = GetBottomPanelButtonRect();
      const bool over = hit.HitTest == htBottomPanel && button.Contains(p);
      if (over == FPressedButtonOver) return;
      FPressedButtonOver = over;
      InvalidateRect(button);
      return;
    }
    default:
      return;
  }
}

// Selecting with the button held: above or below the rows the focus moves
// on by itself (the selecting timer); inside them it follows the pointer.
void TCustomdxTreeList::SelectWhileMoving(const TdxTreeListHitInfo& hit, int y) {
  const TRect rows = GetRowsAreaRect();
  int direction = 0;
  TdxTreeListNode* target = nullptr;
  if (y < rows.Top) {
    direction = -1;
    target = TopVisibleNode();
  } else if (y >= rows.Bottom) {
    direction = 1;
    CalcRowsInView();
    const int count = VisibleNodeCount();
    target = GetAbsoluteNode(std::min(std::max(TopIndex(), 0) + FFullRowsInView - 1, count - 1));
  }
  if (direction != 0) {
    if (target != nullptr && target != FocusedNode()) SetFocusedNodeAndColumn(target, FocusedColumnIndex(), true);
    if (direction != FSelectScrollDirection || !TimerActive(TreeListSelectScrollTimer)) {
      FSelectScrollDirection = direction;
      SetTimer(TreeListSelectScrollTimer, 60);
    }
    return;
  }
  KillTimer(TreeListSelectScrollTimer);
  FSelectScrollDirection = 0;
  TdxTreeListNode* node = hit.Node;
  if (node == nullptr || node == FocusedNode()) return;
  TdxSelectionChangeScope bracket(*this);
  SetFocusedNodeAndColumn(node, FocusedColumnIndex(), true);
  if (IsMultiSelect()) {
    ClearSelection();
    if (CanSelectNode(node)) SetNodeSelected(node, true);
  }
  bracket.Close();
}

// --- Releasing ------------------------------------------------------------------------------

void TCustomdxTreeList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const std::weak_ptr<char> life = LifeToken();
  const TdxTreeListState state = FState;
  TdxTreeListHitInfo hit;
  HitTestPoint(Point(x, y), hit);
  {
    TdxSelectionChangeScope bracket(*this);
    TdxTreeListLayoutInfo layout;
    switch (state) {
      case tsColumnDownInButtonMode: {
        const int column = PressedColumn();
        const bool over = hit.HitTest == htColumn && hit.Column == column;
        SetInteractionState(tsNone);
        SetPressedColumn(-1);
        FPressedButtonModeColumn = -1;
        InvalidateHeader(column);
        if (over && !ComponentState().Contains(TComponentStateItem::csDesigning)) HeaderButtonModeClick(column);
        break;
      }
      case tsBottomPanelButtonDown: {
        const TRect rect = GetBottomPanelButtonRect();
        const bool over = hit.HitTest == htBottomPanel && rect.Contains(Point(x, y));
        SetInteractionState(tsNone);
        InvalidateRect(rect);
        if (over) BottomPanelButtonClick();
        break;
      }
      case tsBandButtonDown:
      case tsColumnButtonDown: {
        const bool band = state == tsBandButtonDown;
        const bool over = hit.HitTest == (band ? htBandButton : htHeaderButton);
        SetInteractionState(tsNone);
        CalcAreaRects(layout);
        InvalidateRect(band ? layout.BandButton : layout.HeaderButton);
        if (over && band)
          BandButtonClick();
        else if (over)
          HeaderButtonClick();
        break;
      }
      default:
        if (IsLayoutInteractionState(state)) EndLayoutInteraction(shift, x, y);
        break;
    }
    if (life.expired()) return;
    if (FPressedWasSelected && button == mbLeft) {
      FPressedWasSelected = false;
      ClearSelection();
      if (TdxTreeListNode* focused = FocusedNode()) {
        if (CanSelectNode(focused)) SetNodeSelected(focused, true);
        SetSelectionAnchor(focused);
      }
    }
    const bool editable = state == tsEditing || state == tsNodeDragging || state == tsNodeDown || FPressOnNewItemRow;
    if (editable && button == mbLeft && OptionOn(tloImmediateEditor) && !OptionOn(tloRowSelect)) {
      const TdxTreeListHitInfo& down = FDownHitInfo;
      const bool sameCell = hit.HitTest == htLabel && down.HitTest == htLabel && hit.Node == down.Node &&
                            hit.Column == down.Column;
      const bool sameNewItem = hit.HitTest == htNewItemRow && down.HitTest == htNewItemRow && hit.Column == down.Column;
      if (sameCell || sameNewItem) {
        SetInteractionState(tsNone);
        if (!shift.Contains(ssShift) && !shift.Contains(ssCtrl)) {
          // The editor is open already: the delayed start has nothing left
          // to do.
          StopEditTimer();
          ShowEditorWithClick();
          if (life.expired()) return;
          // The editor counts a second click soon after this one as a
          // double click.
          if (FState == tsEditing && FInplaceEditor != nullptr) FInplaceEditor->SetClickTime(GetTickCount());
        }
        if (life.expired()) return;
      }
    }
    if (FState == tsNodeDown) {
      SetInteractionState(tsNone);
      KillTimer(TreeListSelectScrollTimer);
      FSelectScrollDirection = 0;
    }
    bracket.Close();
  }
  FPressOnNewItemRow = false;
  FSelectionChangedAtPress = false;
  if (state == tsEditing || state == tsNodeDragging || state == tsNodeDown) Click();
  if (life.expired()) return;
  TCustomdxContainer::MouseUp(button, shift, x, y);
}

// --- Cancelling -----------------------------------------------------------------------------

void TCustomdxTreeList::CancelMouseState() {
  TdxTreeListLayoutInfo layout;
  const TdxTreeListState state = FState;
  if (CancelLayoutInteraction()) {
    const bool sizing = state == tsColumnSizing || state == tsBandSizing || state == tsBandPanelSizing ||
                        state == tsHeaderPanelSizing || state == tsRowSizing;
    if (sizing) SetWindowCursor(Cursor());
  }
  switch (FState) {
    case tsColumnDownInButtonMode: {
      const int column = PressedColumn();
      SetInteractionState(tsNone);
      SetPressedColumn(-1);
      FPressedButtonModeColumn = -1;
      InvalidateHeader(column);
      break;
    }
    case tsBottomPanelButtonDown:
      SetInteractionState(tsNone);
      InvalidateRect(GetBottomPanelButtonRect());
      break;
    case tsBandButtonDown:
    case tsColumnButtonDown:
      CalcAreaRects(layout);
      InvalidateRect(FState == tsBandButtonDown ? layout.BandButton : layout.HeaderButton);
      SetInteractionState(tsNone);
      break;
    case tsNodeDown:
      // The capture went (a dialog opened): the selecting ends with it.
      SetInteractionState(tsNone);
      KillTimer(TreeListSelectScrollTimer);
      FSelectScrollDirection = 0;
      break;
    default:
      break;
  }
  HideHint();
}

// --- Hooks with a base behaviour --------------------------------------------------------------

void TCustomdxTreeList::StartEditTimer() { SetTimer(TreeListEditTimer, GetDoubleClickTime()); }

void TCustomdxTreeList::StopEditTimer() { KillTimer(TreeListEditTimer); }

bool TCustomdxTreeList::EditTimerRunning() const { return TimerActive(TreeListEditTimer); }

// --- Look, fonts and colours ------------------------------------------------------------------

void TCustomdxTreeList::PaintNonClient(TCanvas& canvas, const TRect& windowRect) {
  if (BorderStyle() != bsSingle || FLookAndFeel == lfStandard) {
    TCustomdxContainer::PaintNonClient(canvas, windowRect);
    return;
  }
  TRect r = windowRect;
  if (FLookAndFeel == lfUltraFlat) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FrameRect(r);
  } else {
    canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
  }
  InflateRect(r, -1, -1);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FrameRect(r);
  if (ScrollBarVisible(sbHorizontal) && ScrollBarVisible(sbVertical)) {
    const int extent = GetScrollBarExtent();
    const TRect in = NonClientInsets();
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(Rect(windowRect.Right - in.Right - extent, windowRect.Bottom - in.Bottom - extent,
                         windowRect.Right - in.Right, windowRect.Bottom - in.Bottom));
  }
}

void TCustomdxTreeList::FontChanged() {
  TCustomdxContainer::FontChanged();
  if (FBands) LayoutChanged();
}

void TCustomdxTreeList::ColorChanged() {
  TCustomdxContainer::ColorChanged();
  if (FBands) LayoutChanged();
}

// With the parent's font the band, header and preview fonts follow it too
// (the preview keeps its blue).
void TCustomdxTreeList::ParentFontChanged() {
  TCustomdxContainer::ParentFontChanged();
  if (!ParentFont() || !FBands) return;
  TdxTreeListNodeOwner::BeginUpdate();
  try {
    FBandFont.Assign(&Font());
    FHeaderFont.Assign(&Font());
    FPreviewFont.SetName(Font().Name());
    FPreviewFont.SetSize(Font().Size());
    FPreviewFont.SetStyle(Font().Style());
    FPreviewFont.SetColor(clBlue);
  } catch (...) {
    TdxTreeListNodeOwner::EndUpdate();
    throw;
  }
  TdxTreeListNodeOwner::EndUpdate();
  LayoutChanged();
}
