// TRadioButton over QRadioButton; TBevel over QFrame.

#include "framework/gui/standard/check_controls.h"

#include <QFrame>
#include <QRadioButton>

#include "framework/gui/controls/win_control_p.h"
#include "framework/gui/graphics/qt_text.h"

// --- TRadioButton -------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  // Qt's clicked signal is the click; the mouse release must not count twice.
  SetControlStyle(ControlStyle() - csClickEvents - csDoubleClicks);
  SetParentColor(true);
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateWnd() {
  auto* button = new QRadioButton;
  // The group is kept here, by parent, not by Qt's widget siblings.
  button->setAutoExclusive(false);
  QObject::connect(button, &QRadioButton::clicked, [this] {
    TControlInput::Guard(this, [this] {
      // A click on a checked radio button leaves it checked.
      if (FChecked) {
        ApplyChecked();
        return;
      }
      SetChecked(true);
    });
  });
  TWidgetAccess::Attach(*this, button);
  TWidgetAccess::PassMouse(*this);
  ApplyChecked();
}

void TRadioButton::ApplyChecked() {
  static_cast<QRadioButton*>(TWidgetAccess::Window(*this))->setChecked(FChecked);
}

void TRadioButton::TextChanged() {
  // Qt marks the access character with '&' as the caption does.
  static_cast<QRadioButton*>(TWidgetAccess::Window(*this))->setText(ToQString(Text()));
}

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  ApplyChecked();
  if (!value) return;
  if (TWinControl* parent = Parent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i));
      if (other != nullptr && other != this) other->SetChecked(false);
    }
  }
  Click();
}

// --- TBevel -------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TWinControl(owner) {
  SetParentColor(true);
  HandleNeeded();
  SetBounds(0, 0, 50, 50);
}

void TBevel::CreateWnd() {
  TWidgetAccess::Attach(*this, new QFrame);
  ApplyShape();
}

void TBevel::SetShape(TBevelShape value) {
  FShape = value;
  ApplyShape();
}

void TBevel::SetStyle(TBevelStyle value) {
  FStyle = value;
  ApplyShape();
}

void TBevel::ApplyShape() {
  auto* frame = static_cast<QFrame*>(TWidgetAccess::Window(*this));
  switch (FShape) {
    case bsTopLine:
    case bsBottomLine:
      frame->setFrameShape(QFrame::HLine);
      break;
    case bsLeftLine:
    case bsRightLine:
      frame->setFrameShape(QFrame::VLine);
      break;
    case bsSpacer:
      frame->setFrameShape(QFrame::NoFrame);
      break;
    default:
      frame->setFrameShape(QFrame::Box);
      break;
  }
  frame->setFrameShadow(FStyle == bsLowered ? QFrame::Sunken : QFrame::Raised);
}
