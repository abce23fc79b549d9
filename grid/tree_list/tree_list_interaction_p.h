#pragma once
// What a tree list keeps while its bands, columns, panels or rows are
// sized, its bands and headers moved or its nodes dragged: the press, the
// sizing line, the drop arrows, the drag images and the drag object. Made
// on the first interaction and kept with the tree list; private to the
// files that run the interactions (tree_list_sizing.cpp,
// tree_list_moving.cpp, tree_list_drag.cpp).

#include <memory>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/dragdrop/drag_drop.h"
#include "framework/gui/dragdrop/drag_image_list.h"
#include "framework/gui/overlays/screen_overlay.h"
#include "framework/gui/overlays/xor_overlay.h"
#include "grid/tree_list/tree_list.h"

// The drag object of a node drag: the tree list is the source, and the
// cursor tells one node from several and a move from a copy.
class TdxNodeDragObject : public TDragControlObject {
 public:
  explicit TdxNodeDragObject(TCustomdxTreeList& treeList)
      : TDragControlObject(&treeList), FTreeList(treeList) {}
  TCursor GetDragCursor(bool accepted, int x, int y) override;

 private:
  TCustomdxTreeList& FTreeList;
};

class TdxLayoutInteraction {
 public:
  TdxLayoutInteraction() = default;
  TdxLayoutInteraction(const TdxLayoutInteraction&) = delete;
  TdxLayoutInteraction& operator=(const TdxLayoutInteraction&) = delete;
  // A tree list freed in the middle of a header drag gives the screen
  // cursor back; its overlays and pictures go with it.
  ~TdxLayoutInteraction() {
    if (CursorSet) SetScreenCursor(SavedCursor);
  }

  // The press that started the interaction, and whether the pointer is
  // still over the pressed band or header.
  TPoint PressPoint;
  bool PressedDown = true;

  // Sizing: the line and its limits (client coordinates), the pointer's
  // offset from it, and the marks that show it.
  int LinePos = 0;
  int LineStart = 0;
  int LineMin = 0;
  int LineMax = 0;
  int Offset = 0;
  bool LineShown = false;
  // Panel sizing: the panel's top, its row height and the frame pixels
  // below the rows; row sizing: the pressed row's top.
  int PanelTop = 0;
  int RowHeight = 0;
  int Extra = 0;
  int RowTop = 0;
  std::unique_ptr<TXorOverlay> Xor;

  // Band and header dragging: the image that follows the pointer, the
  // arrows at the drop place, the screen cursor to give back.
  std::unique_ptr<TDragImageList> HeaderImages;
  std::unique_ptr<TScreenOverlay> Arrows;
  TRect ArrowsRect;  // client coordinates; empty when hidden
  TCursor SavedCursor = crDefault;
  bool CursorSet = false;
  // The dragged column (absolute) or band (visible index).
  int DragColumn = -1;
  int DragBand = -1;

  // Node dragging.
  std::unique_ptr<TDragImageList> NodeImages;
  std::unique_ptr<TdxNodeDragObject> DragObject;
  TPoint DragOverPoint;
};

// Gives the screen pictures of the grid's drag cursors once (crDxTLDelete,
// crDxTLDragCopy, crDxTLMultiDragCopy).
void RegisterTreeListDragCursors();
