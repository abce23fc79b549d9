#pragma once
// Drag and drop between controls of the program. A control starts a drag
// with `BeginDrag` (or by itself on a left press, with DragMode
// dmAutomatic); from then on the drag holds the mouse capture on it and
// follows the pointer:
//   - the control under the pointer is asked through CM_DRAG (dmDragEnter,
//     dmDragMove, dmDragLeave), which reaches its `DragOver` and OnDragOver;
//     its answer decides the cursor: the drag object's `GetDragCursor`
//     (the source's DragCursor when accepted, crNoDrop when not);
//   - the source's drag images (`GetDragImages`) follow the pointer;
//   - releasing the button drops: the target that accepted gets dmDragDrop
//     (`DragDrop`, OnDragDrop); then the source hears `DoEndDrag` /
//     OnEndDrag with that target, or with nullptr when none took it;
//   - Escape, losing the capture (cancel mode, another control taking it)
//     or `EndDrag(false)` cancel: the target hears dmDragLeave, the source
//     OnEndDrag with no target.
// Ctrl going down or up asks the target again (so that the cursor can
// show copying); other keys go to the focused control as usual. One drag
// runs at a time.

#include "framework/core/base/object.h"
#include "framework/gui/controls/control.h"

class TDragImageList;

// WParam of CM_DRAG.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

class TDragObject : public TObject {
 public:
  ~TDragObject() override = default;

  // The pointer shape over the current target.
  virtual TCursor GetDragCursor(bool accepted, int x, int y);
  virtual TDragImageList* GetDragImages() { return nullptr; }

  // Screen point of the pointer, the control under it and the point in its
  // client coordinates, as of the last move.
  TPoint DragPos() const { return FDragPos; }
  TControl* DragTarget() const { return FDragTarget; }
  TPoint DragTargetPos() const { return FDragTargetPos; }
  // Set once the drag ended by a drop that a target accepted.
  bool Dropped() const { return FDropped; }

 private:
  friend class TDragManager;
  TPoint FDragPos;
  TControl* FDragTarget = nullptr;
  TPoint FDragTargetPos;
  bool FDropped = false;
};

// The drag object of a control that drags itself.
class TDragControlObject : public TDragObject {
 public:
  explicit TDragControlObject(TControl* control) : FControl(control) {}
  TControl* Control() const { return FControl; }
  TCursor GetDragCursor(bool accepted, int x, int y) override;
  TDragImageList* GetDragImages() override;

 private:
  TControl* FControl;
};

// LParam of CM_DRAG.
struct TDragRec {
  TPoint Pos;  // screen
  TDragObject* Source = nullptr;
  TControl* Target = nullptr;
};

// The running drag's object (also while it waits for its threshold: then
// nullptr), and its source control.
TDragObject* CurrentDragObject();
TControl* CurrentDragSource();
// Where a drop at this screen point would go: the enabled control under
// it (pop-ups and forms alike; overlays are passed through), as its
// dmFindTarget answer names it. nullptr outside the program's windows.
TControl* FindDragTarget(TPoint screenPos);
// Cancels the drag that runs, if any.
void CancelDrag();
