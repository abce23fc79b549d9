// Dragging nodes with the framework's drag manager. The tree list is the
// source: it names the dragged node, makes its picture (the cell of the
// focused column inside three focus rectangles) and chooses the cursor
// (one node or several, moving or copying). As a target, a drag resting
// on an expand button expands the node after WaitForExpandNodeTime, the
// node under the pointer takes the focus with tloDragScroll, and the
// keypad's plus and minus expand and collapse it; OnDragOver and
// OnDragDrop decide about the drop as for any control.

#include <algorithm>
#include <memory>
#include <string>

#include "framework/gui/application/screen.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_interaction_p.h"

namespace {

// The pictures of the grid's drag cursors: an arrow with a cross (the
// dragged item goes) or with one or two boxes and a plus (a copy).
void DrawCursorArrow(TCanvas& canvas) {
  canvas.Pen().SetColor(clBlack);
  canvas.Brush().SetColor(clWhite);
  canvas.Polygon(
      {Point(0, 0), Point(0, 15), Point(4, 11), Point(7, 17), Point(9, 16), Point(6, 10), Point(11, 10)});
}

void DrawCursorPicture(TBitmap& picture, TCursor cursor) {
  picture.SetSize(32, 32);
  TCanvas& canvas = picture.Canvas();
  canvas.Brush().SetColor(clFuchsia);
  canvas.FillRect(Rect(0, 0, 32, 32));
  DrawCursorArrow(canvas);
  canvas.Pen().SetColor(clBlack);
  if (cursor == crDxTLDelete) {
    canvas.Pen().SetWidth(2);
    canvas.MoveTo(14, 14);
    canvas.LineTo(24, 24);
    canvas.MoveTo(24, 14);
    canvas.LineTo(14, 24);
  } else {
    canvas.Brush().SetColor(clWhite);
    if (cursor == crDxTLMultiDragCopy) canvas.Rectangle(Rect(15, 15, 27, 25));
    canvas.Rectangle(Rect(12, 18, 24, 28));
    canvas.MoveTo(15, 23);
    canvas.LineTo(22, 23);
    canvas.MoveTo(18, 20);
    canvas.LineTo(18, 27);
  }
  picture.SetTransparentColor(clFuchsia);
  picture.SetTransparent(true);
}

}  // namespace

void RegisterTreeListDragCursors() {
  if (Screen == nullptr) return;
  for (TCursor cursor : {crDxTLDelete, crDxTLDragCopy, crDxTLMultiDragCopy})
    if (!Screen->HasCursorImage(cursor)) {
      TBitmap picture;
      DrawCursorPicture(picture, cursor);
      Screen->SetCursorImage(cursor, picture, Point(0, 0));
    }
}

TCursor TdxNodeDragObject::GetDragCursor(bool accepted, int x, int y) {
  if (!accepted) return crNoDrop;
  const bool several = FTreeList.SelectedCount() > 1;
  if (GetShiftState().Contains(ssCtrl) && FTreeList.CanDragCopy()) {
    RegisterTreeListDragCursors();
    return several ? crDxTLMultiDragCopy : crDxTLDragCopy;
  }
  return several ? crMultiDrag : crDrag;
}

// --- The source -----------------------------------------------------------------------------

TDragImageList* TCustomdxTreeList::GetDragImages() {
  if (!FInteraction || !FInteraction->NodeImages || FInteraction->NodeImages->Count() == 0) return nullptr;
  return FInteraction->NodeImages.get();
}

void TCustomdxTreeList::DoStartDrag(TDragObject*& dragObject) {
  CloseEditor();
  StopEditTimer();
  if (DragNode() == nullptr) {
    const TPoint p = ScreenToClient(GetMessagePos());
    SetDragNode(GetNodeAt(p.X, p.Y));
  }
  TdxLayoutInteraction& in = Interaction();
  in.NodeImages.reset();
  if (TdxTreeListNode* node = DragNode()) {
    if (OnBeginDragNode) OnBeginDragNode(this, node);
    // The handler may have freed the node (every node reference then goes).
    if (DragNode() != nullptr) MakeNodeDragImage(DragNode());
  }
  SetInteractionState(tsNodeDragging);
  TCustomdxContainer::DoStartDrag(dragObject);
  if (dragObject == nullptr) {
    if (!in.DragObject) in.DragObject = std::make_unique<TdxNodeDragObject>(*this);
    dragObject = in.DragObject.get();
  }
}

void TCustomdxTreeList::MakeNodeDragImage(TdxTreeListNode* node) {
  const int visibleColumn = FocusedColumnIndex();
  const int absolute = GetVisibleColumnCount() > 0 ? GetAbsoluteColumnIndex(visibleColumn) : -1;
  TRect cell = absolute >= 0 ? GetCellRect(node, visibleColumn) : Rect(-1, -1, -1, -1);
  const bool placed = !(cell.Left == -1 && cell.Top == -1);
  int width = 16;
  int height = Metrics().RowLineHeight;
  std::string text;
  if (absolute >= 0) {
    width = placed ? cell.Width() : GetColumnWidth(absolute);
    if (placed) height = cell.Height();
    text = GetNodeDragText(node, absolute);
  }
  width = std::max(width, 1) + 26;
  height = std::max(height, 1) + 6;
  if (Screen != nullptr) width = std::min(width, Screen->Width());

  TBitmap picture(width, height);
  TCanvas& canvas = picture.Canvas();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(Rect(0, 0, width, height));
  TRect frame = Rect(20, 0, width, height);
  for (int i = 0; i < 3; ++i) {
    canvas.DrawFocusRect(frame);
    InflateRect(frame, -1, -1);
  }
  int x = frame.Left + 1;
  if (StateImages() != nullptr && GetStateIndex(node) != -1) {
    StateImages()->Draw(canvas, x, frame.Top + (frame.Height() - StateImages()->Height()) / 2,
                        GetStateIndex(node));
    x += StateImages()->Width();
  }
  if (Images() != nullptr && GetImageIndex(node) != -1) {
    Images()->Draw(canvas, x, frame.Top + (frame.Height() - Images()->Height()) / 2, GetImageIndex(node));
    x += Images()->Width();
  }
  if (!text.empty()) {
    canvas.Font().Assign(&Font());
    canvas.SetBkMode(bkTransparent);
    TRect textRect = Rect(x + 1, frame.Top, frame.Right - 1, frame.Bottom);
    canvas.DrawText(text, textRect, DT_END_ELLIPSIS | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK);
  }

  TdxLayoutInteraction& in = Interaction();
  in.NodeImages = std::make_unique<TDragImageList>(nullptr, width, height);
  in.NodeImages->AddMasked(picture, Color());
  // The picture lies where the cell lay: the pointer holds it at the same
  // place of the cell.
  TPoint hot = Point(20, height / 2);
  if (placed) {
    const TPoint p = ScreenToClient(GetMessagePos());
    hot =
        Point(std::clamp(p.X - cell.Left + 20, 0, width - 1), std::clamp(p.Y - cell.Top + 3, 0, height - 1));
  }
  in.NodeImages->SetDragImage(0, hot.X, hot.Y);
}

void TCustomdxTreeList::DoEndDrag(TObject* target, int x, int y) {
  // The drag is over whatever the end handler does.
  struct TCleanup {
    TCustomdxTreeList& T;
    ~TCleanup() {
      T.SetDragNode(nullptr);
      T.FDragOverNode = nullptr;
      T.FExpandNode = nullptr;
      T.KillTimer(TreeListDragExpandTimer);
      T.StopDragScroll();
      if (T.State() == tsNodeDragging) T.SetInteractionState(tsNone);
      if (T.FInteraction) T.FInteraction->NodeImages.reset();
      T.Invalidate();
    }
  } cleanup{*this};
  TCustomdxContainer::DoEndDrag(target, x, y);
}

bool TCustomdxTreeList::DragKeyDown(TKey key) {
  if ((key != VK_ADD && key != VK_SUBTRACT) || !Dragging()) return false;
  if (FDragOverNode != nullptr) FDragOverNode->SetExpanded(key == VK_ADD);
  return true;
}

// --- The target -----------------------------------------------------------------------------

void TCustomdxTreeList::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  if (state == dsDragLeave) {
    KillTimer(TreeListDragExpandTimer);
    FExpandNode = nullptr;
    FDragOverNode = nullptr;
    StopDragScroll();
    TCustomdxContainer::DragOver(source, x, y, state, accept);
    return;
  }
  const TPoint p = Point(x, y);
  Interaction().DragOverPoint = p;
  TdxTreeListHitInfo hit;
  HitTestPoint(p, hit);
  FDragOverNode = hit.Node;
  if (OptionExOn(tloDragExpand)) {
    if (hit.HitTest == htButton && hit.Node != nullptr) {
      // Resting on the same button lets the running timer go on.
      if (hit.Node != FExpandNode || !TimerActive(TreeListDragExpandTimer)) {
        FExpandNode = hit.Node;
        SetTimer(TreeListDragExpandTimer, static_cast<int>(WaitForExpandNodeTime()));
      }
    } else {
      KillTimer(TreeListDragExpandTimer);
      FExpandNode = nullptr;
    }
  }
  if (OptionExOn(tloDragScroll)) {
    DragScroll(p, false);
    if (hit.Node != nullptr) {
      int column = FocusedColumnIndex();
      if (!OptionOn(tloRowSelect) && hit.Column >= 0) column = GetVisibleColumnIndex(hit.Column);
      if (hit.Node != FocusedNode() || column != FocusedColumnIndex())
        SetFocusedNodeAndColumn(hit.Node, column, false);
      DragScroll(p, true);
    }
  }
  TCustomdxContainer::DragOver(source, x, y, state, accept);
}

void TCustomdxTreeList::DragDrop(TObject* source, int x, int y) {
  struct TCleanup {
    TCustomdxTreeList& T;
    ~TCleanup() {
      T.KillTimer(TreeListDragExpandTimer);
      T.FExpandNode = nullptr;
      T.FDragOverNode = nullptr;
      T.StopDragScroll();
    }
  } cleanup{*this};
  TCustomdxContainer::DragDrop(source, x, y);
}

void TCustomdxTreeList::DragExpandTimer() {
  KillTimer(TreeListDragExpandTimer);
  TdxTreeListNode* node = FExpandNode;
  FExpandNode = nullptr;
  if (node == nullptr || !FInteraction) return;
  TdxTreeListHitInfo hit;
  HitTestPoint(FInteraction->DragOverPoint, hit);
  if (hit.HitTest != htButton || hit.Node != node) return;
  if (OptionExOn(tloDragCollapse)) {
    node->SetExpanded(!node->Expanded());
    // The node may not survive its expanding handlers' work.
    if (FDragOverNode == nullptr) return;
    FExpandNode = node;
    SetTimer(TreeListDragExpandTimer, 2 * static_cast<int>(WaitForExpandNodeTime()));
  } else if (!node->Expanded()) {
    node->SetExpanded(true);
  }
}
