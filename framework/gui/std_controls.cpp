// TLabel, TButton and TGroupBox over QLabel, QPushButton and QGroupBox.

#include "framework/gui/std_controls.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "framework/gui/forms.h"
#include "framework/gui/qt_graphics.h"
#include "framework/gui/qt_text.h"
#include "framework/gui/screen.h"
#include "framework/gui/win_control_p.h"

namespace {

// The caption as shown: access marks removed, "&&" kept as one '&'.
QString DisplayText(const std::string& caption) {
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        shown += '&';
        ++i;
      }
      continue;
    }
    shown += caption[i];
  }
  return ToQString(shown);
}

}  // namespace

// --- TLabel -----------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
  SetParentColor(true);
  HandleNeeded();
  SetBounds(0, 0, 65, 13);
  AdjustSize();
}

void TLabel::CreateWnd() {
  auto* label = new QLabel;
  label->setTextFormat(Qt::PlainText);
  TWidgetAccess::Attach(*this, label);
  ApplyLabel();
}

void TLabel::ApplyLabel() {
  auto* label = static_cast<QLabel*>(TWidgetAccess::Window(*this));
  label->setText(DisplayText(Text()));
  label->setWordWrap(FWordWrap);
  Qt::Alignment align = FAlignment == taCenter         ? Qt::AlignHCenter
                        : FAlignment == taRightJustify ? Qt::AlignRight
                                                       : Qt::AlignLeft;
  align |= FLayout == tlCenter ? Qt::AlignVCenter : FLayout == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
  label->setAlignment(align);
  label->setAutoFillBackground(!FTransparent);
}

void TLabel::AdjustSize() {
  if (!FAutoSize || FAdjusting || !HandleAllocated()) return;
  FAdjusting = true;
  QFontMetrics fm(ToQFont(Font()));
  QString text = DisplayText(Text());
  int w, h;
  if (FWordWrap) {
    w = Width();
    h = fm.boundingRect(QRect(0, 0, std::max(1, w), 1 << 20), Qt::TextWordWrap, text).height();
  } else {
    w = fm.horizontalAdvance(text);
    h = fm.height();
  }
  try {
    SetBounds(Left(), Top(), w, std::max(h, fm.height()));
  } catch (...) {
    FAdjusting = false;
    throw;
  }
  FAdjusting = false;
}

void TLabel::TextChanged() {
  ApplyLabel();
  AdjustSize();
}

void TLabel::FontChanged() {
  TWinControl::FontChanged();
  AdjustSize();
}

void TLabel::Resize() {
  TWinControl::Resize();
  if (FWordWrap) AdjustSize();
}

void TLabel::SetAutoSize(bool autoSize) {
  FAutoSize = autoSize;
  AdjustSize();
}

void TLabel::SetWordWrap(bool wordWrap) {
  FWordWrap = wordWrap;
  ApplyLabel();
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  FAlignment = alignment;
  ApplyLabel();
}

void TLabel::SetLayout(TTextLayout layout) {
  FLayout = layout;
  ApplyLabel();
}

void TLabel::SetTransparent(bool transparent) {
  FTransparent = transparent;
  ApplyLabel();
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (control == FFocusControl) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = control;
  if (control) control->FreeNotification(this);
  static_cast<QLabel*>(TWidgetAccess::Window(*this))
      ->setBuddy(control ? TWidgetAccess::Window(*control) : nullptr);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) {
    FFocusControl = nullptr;
    if (HandleAllocated()) static_cast<QLabel*>(TWidgetAccess::Window(*this))->setBuddy(nullptr);
  }
}

// --- TButton ----------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  // Qt's clicked signal is the click (mouse or keyboard); the release of the
  // mouse must not count twice.
  SetControlStyle(ControlStyle() - csClickEvents - csDoubleClicks);
  SetColor(clBtnFace);
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateWnd() {
  auto* button = new QPushButton;
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked,
                   [this] { TControlInput::Guard(this, [this] { Click(); }); });
  TWidgetAccess::Attach(*this, button);
  TWidgetAccess::PassMouse(*this);
}

void TButton::WndProc(TMessage& message) {
  if (message.Msg == CM_DIALOGKEY && KeyDataToShiftState(message.LParam).Empty() && CanFocus()) {
    bool take = false;
    if (message.WParam == VK_RETURN) {
      // The focused button answers Enter; the default one only while no
      // button has the focus.
      auto* focused = dynamic_cast<TButton*>(Screen ? Screen->ActiveControl() : nullptr);
      take = focused ? focused == this : FDefault;
    } else if (message.WParam == VK_ESCAPE) {
      take = FCancel;
    }
    if (take) {
      Click();
      message.Result = 1;
      return;
    }
  }
  TWinControl::WndProc(message);
}

void TButton::TextChanged() {
  static_cast<QPushButton*>(TWidgetAccess::Window(*this))->setText(ToQString(Text()));
}

void TButton::SetDefault(bool isDefault) {
  FDefault = isDefault;
  static_cast<QPushButton*>(TWidgetAccess::Window(*this))->setDefault(isDefault);
}

void TButton::Click() {
  if (FModalResult != 0)
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TWinControl::Click();
}

// --- TGroupBox --------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + csAcceptsControls);
  SetParentColor(true);
  HandleNeeded();
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::CreateWnd() { TWidgetAccess::Attach(*this, new QGroupBox); }

void TGroupBox::TextChanged() {
  static_cast<QGroupBox*>(TWidgetAccess::Window(*this))->setTitle(DisplayText(Text()));
  Realign();
}

void TGroupBox::AdjustClientRect(TRect& rect) const {
  QRect inner = static_cast<QGroupBox*>(TWidgetAccess::Window(*this))->contentsRect();
  TRect r = FromQRect(inner);
  IntersectRect(rect, rect, r);
}
