// The drag manager. It lives for the whole program and holds the one drag
// that may run: a hook in front of the source's window procedure hears
// its mouse (the source holds the capture, so the mouse of every window
// comes to it), an application filter hears Escape and Ctrl. The control
// under the pointer is found among the program's windows by hand, since
// Qt's own answer would be the drag image lying under the pointer.

#include "framework/gui/dragdrop/drag_drop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <exception>
#include <memory>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/dragdrop/drag_image_list.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

class TDragKeys : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace

class TDragManager {
 public:
  static TDragManager& Get() {
    static TDragManager manager;
    return manager;
  }

  void Begin(TControl& source, bool immediate, int threshold);
  void Finish(bool drop);
  // True when the key is taken.
  bool Key(QKeyEvent* event);
  bool IsSource(const TControl* control) {
    Check();
    return Source && Source == control;
  }
  TDragObject* Object() {
    Check();
    return Active ? FObject : nullptr;
  }
  TControl* SourceControl() {
    Check();
    return Source;
  }

  static void DragMessage(TControl& control, TMessage& message);
  static TDragImageList* ImagesOf(TControl& control) { return control.GetDragImages(); }

 private:
  void Start();
  void DragTo(TPoint pos);
  void SourceMessage(TMessage& message);
  // Forgets a drag whose source was freed meanwhile.
  void Check() {
    if (Source && SourceLife.expired()) Reset();
  }
  // Takes the manager out of the drag without telling anyone.
  void Reset();

  TWinControl* Source = nullptr;
  std::weak_ptr<char> SourceLife;
  bool Active = false;
  TPoint StartPos;
  TPoint LastPos;
  int Threshold = 5;
  TDragObject* FObject = nullptr;
  std::unique_ptr<TDragControlObject> OwnObject;
  TControl* Target = nullptr;
  std::weak_ptr<char> TargetLife;
  bool Accepted = false;
  TDragImageList* Images = nullptr;
  TCursor SavedCursor = crDefault;
  bool CursorSet = false;
  QPointer<TDragKeys> Keys;
  TWindowProcHook Hook{[this](TMessage& m) { SourceMessage(m); }};
};

// --- Drag objects -----------------------------------------------------------------------

TCursor TDragObject::GetDragCursor(bool accepted, int x, int y) { return accepted ? crDrag : crNoDrop; }

TCursor TDragControlObject::GetDragCursor(bool accepted, int x, int y) {
  return accepted ? FControl->DragCursor() : crNoDrop;
}

TDragImageList* TDragControlObject::GetDragImages() { return TDragManager::ImagesOf(*FControl); }

// --- The manager --------------------------------------------------------------------------

void TDragManager::Reset() {
  Hook.Unhook();
  if (Keys) {
    qApp->removeEventFilter(Keys);
    Keys->deleteLater();
  }
  Source = nullptr;
  SourceLife.reset();
  Active = false;
  FObject = nullptr;
  OwnObject.reset();
  Target = nullptr;
  TargetLife.reset();
  Accepted = false;
  Images = nullptr;
  if (CursorSet) SetScreenCursor(SavedCursor);
  CursorSet = false;
}

void TDragManager::Begin(TControl& source, bool immediate, int threshold) {
  Check();
  if (Source) return;
  auto* control = dynamic_cast<TWinControl*>(&source);
  if (!control) return;
  Source = control;
  SourceLife = control->LifeToken();
  Active = false;
  Threshold = threshold < 0 ? 5 : threshold;
  StartPos = LastPos = GetMessagePos();
  Hook.Hook(*control);
  // Parented to the application so that a drag cut short by the end of
  // the program leaves nothing behind.
  Keys = new TDragKeys(qApp);
  qApp->installEventFilter(Keys);
  if (!control->MouseCapture()) SetCapture(*control);
  if (immediate) Start();
}

void TDragManager::Start() {
  TDragObject* object = nullptr;
  std::weak_ptr<char> life = SourceLife;
  try {
    Source->DoStartDrag(object);
  } catch (...) {
    if (!life.expired() && Source) Finish(false);
    throw;
  }
  if (life.expired() || !Source) {
    Reset();
    return;
  }
  if (!object) {
    OwnObject = std::make_unique<TDragControlObject>(Source);
    object = OwnObject.get();
  }
  FObject = object;
  Active = true;
  SavedCursor = ScreenCursor();
  CursorSet = true;
  Images = object->GetDragImages();
  if (Images && !Images->BeginDrag(nullptr, LastPos.X, LastPos.Y)) Images = nullptr;
  DragTo(LastPos);
}

void TDragManager::DragTo(TPoint pos) {
  LastPos = pos;
  if (Images) Images->DragMove(pos.X, pos.Y);
  if (Target && TargetLife.expired()) Target = nullptr;
  TControl* target = FindDragTarget(pos);
  if (!Active) return;
  TDragRec rec{pos, FObject, target};
  if (target != Target) {
    if (Target) {
      TDragRec leave{pos, FObject, Target};
      Target->Perform(CM_DRAG, dmDragLeave, reinterpret_cast<LPARAM>(&leave));
      if (!Active) return;
    }
    Target = target;
    TargetLife = target ? target->LifeToken() : std::weak_ptr<char>();
    Accepted = target && target->Perform(CM_DRAG, dmDragEnter, reinterpret_cast<LPARAM>(&rec)) != 0;
  } else {
    Accepted = target && target->Perform(CM_DRAG, dmDragMove, reinterpret_cast<LPARAM>(&rec)) != 0;
  }
  if (!Active) return;
  if (Target && TargetLife.expired()) {
    Target = nullptr;
    Accepted = false;
  }
  TPoint local = Target ? Target->ScreenToClient(pos) : pos;
  FObject->FDragPos = pos;
  FObject->FDragTarget = Target;
  FObject->FDragTargetPos = local;
  SetScreenCursor(FObject->GetDragCursor(Accepted, local.X, local.Y));
}

void TDragManager::Finish(bool drop) {
  Check();
  if (!Source) return;
  TWinControl* source = Source;
  std::weak_ptr<char> sourceLife = SourceLife;
  bool wasActive = Active;
  TControl* target = TargetLife.expired() ? nullptr : Target;
  bool accepted = Accepted && target;
  TDragObject* object = FObject;
  std::unique_ptr<TDragControlObject> own = std::move(OwnObject);
  TDragImageList* images = Images;
  TPoint pos = LastPos;
  // The drag is over before anyone hears of it: their handlers may start
  // another one.
  Reset();
  if (source->MouseCapture()) source->SetMouseCapture(false);
  if (images) images->EndDrag();
  if (!wasActive) return;

  TControl* dropTarget = nullptr;
  TPoint endPos = sourceLife.expired() ? pos : source->ScreenToClient(pos);
  std::exception_ptr failure;
  try {
    if (target) {
      TDragRec rec{pos, object, target};
      if (drop && accepted) {
        object->FDropped = true;
        dropTarget = target;
        endPos = target->ScreenToClient(pos);
        target->Perform(CM_DRAG, dmDragDrop, reinterpret_cast<LPARAM>(&rec));
      } else {
        target->Perform(CM_DRAG, dmDragLeave, reinterpret_cast<LPARAM>(&rec));
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  // The source hears the end whatever the target did.
  if (!sourceLife.expired()) source->DoEndDrag(dropTarget, endPos.X, endPos.Y);
  if (failure) std::rethrow_exception(failure);
}

void TDragManager::SourceMessage(TMessage& m) {
  Check();
  TWinControl* source = Source;
  if (!source) {
    Hook.CallPrevious(m);
    return;
  }
  switch (m.Msg) {
    case WM_MOUSEMOVE: {
      TPoint pos = source->ClientToScreen(PointOf(m.LParam));
      if (!Active) {
        if (std::abs(pos.X - StartPos.X) <= Threshold && std::abs(pos.Y - StartPos.Y) <= Threshold) {
          Hook.CallPrevious(m);
          return;
        }
        LastPos = pos;
        Start();
        return;
      }
      DragTo(pos);
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (!Active) {
        // Not a drag after all: the control hears its release.
        Reset();
        source->WindowProc(m);
        return;
      }
      if (TPoint pos = source->ClientToScreen(PointOf(m.LParam)); pos != LastPos) DragTo(pos);
      Finish(m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP);
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (Active) return;  // the drag has the mouse
      Hook.CallPrevious(m);
      return;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      Hook.CallPrevious(m);
      if (Source == source && (m.Msg == WM_CANCELMODE || !source->MouseCapture())) Finish(false);
      return;
    default:
      Hook.CallPrevious(m);
  }
}

bool TDragManager::Key(QKeyEvent* event) {
  Check();
  if (!Source) return false;
  if (event->key() == Qt::Key_Escape) {
    if (event->type() == QEvent::KeyPress) Finish(false);
    return true;
  }
  // Ctrl may change what a drop would do: the target is asked again.
  if (event->key() == Qt::Key_Control && Active) DragTo(LastPos);
  return false;
}

bool TDragKeys::eventFilter(QObject* watched, QEvent* event) {
  // A key reaches a Qt window once before Qt hands it to widgets.
  if (!watched->isWindowType() || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
    return false;
  bool taken = false;
  TControlInput::Guard(nullptr, [&] { taken = TDragManager::Get().Key(static_cast<QKeyEvent*>(event)); });
  return taken;
}

void TDragManager::DragMessage(TControl& control, TMessage& message) {
  auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
  if (!rec) return;
  TObject* source = rec->Source;
  if (auto* own = dynamic_cast<TDragControlObject*>(rec->Source)) source = own->Control();
  TPoint p = control.ScreenToClient(rec->Pos);
  switch (message.WParam) {
    case dmFindTarget:
      message.Result = static_cast<LRESULT>(ControlParam(&control));
      break;
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      TDragState state = message.WParam == dmDragEnter   ? dsDragEnter
                         : message.WParam == dmDragLeave ? dsDragLeave
                                                         : dsDragMove;
      bool accept = true;
      control.DragOver(source, p.X, p.Y, state, accept);
      message.Result = accept ? 1 : 0;
      break;
    }
    case dmDragDrop:
      control.DragDrop(source, p.X, p.Y);
      break;
    default:
      break;
  }
}

// --- Free functions -----------------------------------------------------------------------

TDragObject* CurrentDragObject() { return TDragManager::Get().Object(); }
TControl* CurrentDragSource() { return TDragManager::Get().SourceControl(); }
void CancelDrag() { TDragManager::Get().Finish(false); }

TControl* FindDragTarget(TPoint screenPos) {
  QPoint p = ToQPoint(screenPos);
  QWidget* active = QApplication::activeWindow();
  QWidget* best = nullptr;
  int bestRank = -1;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible() || top->testAttribute(Qt::WA_TransparentForMouseEvents) ||
        top->windowFlags().testFlag(Qt::WindowTransparentForInput) || !top->geometry().contains(p))
      continue;
    QPoint local = top->mapFromGlobal(p);
    if (!top->mask().isEmpty() && !top->mask().contains(local)) continue;
    // Windows kept on top (pop-ups) lie over the active form, which lies
    // over the others.
    int rank = top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 2 : top == active ? 1 : 0;
    if (rank > bestRank) {
      best = top;
      bestRank = rank;
    }
  }
  if (!best) return nullptr;
  QWidget* under = best->childAt(best->mapFromGlobal(p));
  TWinControl* control = TWidgetAccess::ControlOf(under ? under : best);
  while (control && !control->Enabled()) control = control->Parent();
  if (!control) return nullptr;
  TDragRec rec{screenPos, CurrentDragObject(), control};
  LRESULT found = control->Perform(CM_DRAG, dmFindTarget, reinterpret_cast<LPARAM>(&rec));
  return found ? ControlOf(static_cast<std::uintptr_t>(found)) : control;
}

// --- TControl's side -----------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, int threshold) { TDragManager::Get().Begin(*this, immediate, threshold); }

void TControl::EndDrag(bool drop) {
  if (Dragging()) TDragManager::Get().Finish(drop);
}

bool TControl::Dragging() const { return TDragManager::Get().IsSource(this); }

void TControl::BeginAutoDrag() { BeginDrag(false); }

void TControl::DoStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DragMessage(TMessage& message) { TDragManager::DragMessage(*this, message); }
