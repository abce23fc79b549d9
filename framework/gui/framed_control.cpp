// TFramedControl over a frame widget that paints through the control and
// holds the client: a painted widget or a QLineEdit.

#include "framework/gui/framed_control.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <algorithm>

#include "framework/gui/bitmap.h"
#include "framework/gui/bitmap_p.h"
#include "framework/gui/qt_graphics.h"
#include "framework/gui/qt_text.h"
#include "framework/gui/win_control_p.h"

class TFramedControlAccess {
 public:
  static void TextChanged(TFramedControl& c) { c.TextWindowChanged(); }
  static void SelectionChanged(TFramedControl& c) { c.TextSelectionChanged(); }
};

namespace {

// Paints widget's area from a canvas that the control draws on in answer
// to msg (WM_PAINT or WM_NCPAINT).
void PaintThroughCanvas(QWidget* widget, QPaintEvent* event, TFramedControl& control, unsigned msg) {
  if (widget->width() <= 0 || widget->height() <= 0) return;
  TBitmap image(widget->width(), widget->height());
  TRect r = Rect(0, 0, widget->width(), widget->height());
  control.Perform(msg, reinterpret_cast<WPARAM>(&image.Canvas()), reinterpret_cast<LPARAM>(&r));
  QPainter p(widget);
  p.drawImage(event->rect(), TBitmapAccess::Image(image), event->rect());
}

class TFrameWidget : public QWidget {
 public:
  explicit TFrameWidget(TFramedControl& control) : FControl(control) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    TControlInput::Guard(&FControl, [&] { PaintThroughCanvas(this, event, FControl, WM_NCPAINT); });
  }

 private:
  TFramedControl& FControl;
};

class TPaintedClient : public QWidget {
 public:
  TPaintedClient(TFramedControl& control, QWidget* parent) : QWidget(parent), FControl(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    TControlInput::Guard(&FControl, [&] { PaintThroughCanvas(this, event, FControl, WM_PAINT); });
  }

 private:
  TFramedControl& FControl;
};

// Shows a chosen character for every character of a password.
class TPasswordStyle : public QProxyStyle {
 public:
  explicit TPasswordStyle(char c) : FChar(ToQString(std::string(1, c)).at(0)) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return FChar.unicode();
    return QProxyStyle::styleHint(hint, option, widget, data);
  }

 private:
  QChar FChar;
};

class TTextClient : public QLineEdit {
 public:
  TTextClient(TFramedControl& control, QWidget* parent) : QLineEdit(parent), FControl(control) {
    setFrame(false);
    setDragEnabled(false);
    setAcceptDrops(false);
  }
  QRect CaretRect() const { return cursorRect(); }

 protected:
  // The platform's own edit menu would bypass the owner's checks; menus
  // come from the control (its PopupMenu) or not at all.
  void contextMenuEvent(QContextMenuEvent* event) override { event->accept(); }

 private:
  TFramedControl& FControl;
};

}  // namespace

class TFramedControlPrivate {
 public:
  QPointer<QWidget> Frame;
  QPointer<QWidget> Painted;
  QPointer<TTextClient> Edit;
  std::unique_ptr<TPasswordStyle> PasswordStyle;
  bool SettingText = false;

  // Typing may not pass the limit, but a text set by code that is longer
  // stays whole. The line edit forgets its undo history whenever its limit
  // is set, so it is set only when it changes.
  void ApplyLimit(int limit) {
    if (!Edit) return;
    int most = std::max(limit > 0 ? limit : 32767, static_cast<int>(Edit->text().size()));
    if (Edit->maxLength() != most) Edit->setMaxLength(most);
  }
};

TFramedControl::TFramedControl(TComponent* owner, TFramedClient client)
    : TWinControl(owner), FClientKind(client), FPrivate(std::make_unique<TFramedControlPrivate>()) {
  HandleNeeded();
}

TFramedControl::~TFramedControl() = default;

void TFramedControl::CreateWnd() {
  auto* frame = new TFrameWidget(*this);
  FPrivate->Frame = frame;
  QWidget* client = nullptr;
  if (FClientKind == fcText) {
    auto* edit = new TTextClient(*this, frame);
    FPrivate->Edit = edit;
    client = edit;
    QObject::connect(edit, &QLineEdit::textChanged, [this] {
      TControlInput::Guard(this, [this] {
        if (!FPrivate->SettingText) FTextModified = true;
        TFramedControlAccess::TextChanged(*this);
      });
    });
    auto selection = [this] { TControlInput::Guard(this, [this] { TFramedControlAccess::SelectionChanged(*this); }); };
    QObject::connect(edit, &QLineEdit::selectionChanged, selection);
    QObject::connect(edit, &QLineEdit::cursorPositionChanged, selection);
    FPrivate->ApplyLimit(FTextLimit);
  } else {
    client = new TPaintedClient(*this, frame);
  }
  FPrivate->Painted = client;
  TWidgetAccess::Attach(*this, frame, client);
  if (FClientKind == fcText) TWidgetAccess::PassMouse(*this);
}

// --- Messages ----------------------------------------------------------------------------

void TFramedControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
    case WM_NCPAINT:
      if (message.WParam && message.LParam) {
        auto& canvas = *reinterpret_cast<TCanvas*>(message.WParam);
        const auto& r = *reinterpret_cast<const TRect*>(message.LParam);
        if (message.Msg == WM_PAINT)
          PaintClient(canvas, r);
        else
          PaintFrame(canvas, r);
      }
      return;
    default:
      TWinControl::WndProc(message);
  }
}

void TFramedControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_CUT:
      CutText();
      return;
    case WM_COPY:
      CopyText();
      return;
    case WM_PASTE:
      PasteText();
      return;
    case WM_CLEAR:
      ClearText();
      return;
    case WM_UNDO:
      message.Result = CanUndoText();
      UndoText();
      return;
    default:
      TWinControl::DefaultHandler(message);
  }
}

// --- Frame -------------------------------------------------------------------------------

void TFramedControl::SetFrameInsets(const TRect& insets) {
  if (insets == FFrameInsets) return;
  FFrameInsets = insets;
  LayoutWindow();
  Realign();
}

TRect TFramedControl::ClientRect() const {
  int w = std::max(0, Width() - FFrameInsets.Left - FFrameInsets.Right);
  int h = std::max(0, Height() - FFrameInsets.Top - FFrameInsets.Bottom);
  return Rect(0, 0, w, h);
}

void TFramedControl::LayoutWindow() {
  if (!HandleAllocated() || !FPrivate->Painted) return;
  TRect client = ClientRect();
  TWinControlHandle& h = TWidgetAccess::Handle(*this);
  h.SettingGeometry = true;
  FPrivate->Painted->setGeometry(FFrameInsets.Left, FFrameInsets.Top, client.Width(), client.Height());
  h.SettingGeometry = false;
  InvalidateFrame();
}

void TFramedControl::InvalidateFrame() {
  if (FPrivate->Frame) FPrivate->Frame->update();
}

void TFramedControl::SetWindowRegion(const TRegion* region) {
  FHasRegion = region != nullptr;
  FRegion = region ? *region : TRegion();
  if (!FPrivate->Frame) return;
  if (region)
    FPrivate->Frame->setMask(TRegionAccess::Region(*region));
  else
    FPrivate->Frame->clearMask();
}

// --- Showing -------------------------------------------------------------------------------

void TFramedControl::SetShowsItself(bool value) {
  FShowsItself = value;
  ApplyWindowVisibility();
}

void TFramedControl::SetWindowShown(bool shown) {
  FWindowShown = shown;
  ApplyWindowVisibility();
}

void TFramedControl::ApplyWindowVisibility() {
  if (!FPrivate->Frame || !(Parent() || PopupWindow())) return;
  FPrivate->Frame->setVisible(FShowsItself ? FWindowShown : Visible());
}

void TFramedControl::ParentChanged() {
  TWinControl::ParentChanged();
  ApplyWindowVisibility();
}

void TFramedControl::VisibleChanged() {
  if (FShowsItself) return;
  TWinControl::VisibleChanged();
}

// --- Text window ---------------------------------------------------------------------------

std::string TFramedControl::Text() const {
  if (!FPrivate->Edit) return TWinControl::Text();
  return FromQString(FPrivate->Edit->text());
}

void TFramedControl::SetText(const std::string& text) {
  if (!FPrivate->Edit) {
    TWinControl::SetText(text);
    return;
  }
  QString q = ToQString(text);
  if (FPrivate->Edit->text() == q) return;
  FPrivate->SettingText = true;
  try {
    if (FPrivate->Edit->maxLength() < q.size()) FPrivate->Edit->setMaxLength(static_cast<int>(q.size()));
    FPrivate->Edit->setText(q);
  } catch (...) {
    FPrivate->SettingText = false;
    throw;
  }
  FPrivate->SettingText = false;
  FPrivate->ApplyLimit(FTextLimit);
}

void TFramedControl::SetTextLimit(int limit) {
  FTextLimit = std::max(0, limit);
  FPrivate->ApplyLimit(FTextLimit);
}

bool TFramedControl::TextReadOnly() const { return FPrivate->Edit && FPrivate->Edit->isReadOnly(); }

void TFramedControl::SetTextReadOnly(bool readOnly) {
  if (FPrivate->Edit) FPrivate->Edit->setReadOnly(readOnly);
}

void TFramedControl::SetTextPasswordChar(char c) {
  FPasswordChar = c;
  TTextClient* edit = FPrivate->Edit;
  if (!edit) return;
  if (c == 0) {
    edit->setEchoMode(QLineEdit::Normal);
    edit->setStyle(QApplication::style());
    FPrivate->PasswordStyle.reset();
    return;
  }
  auto style = std::make_unique<TPasswordStyle>(c);
  edit->setStyle(style.get());
  FPrivate->PasswordStyle = std::move(style);
  edit->setEchoMode(QLineEdit::Password);
}

void TFramedControl::SetTextAlignment(TAlignment alignment) {
  if (!FPrivate->Edit) return;
  Qt::Alignment h = alignment == taRightJustify ? Qt::AlignRight
                    : alignment == taCenter     ? Qt::AlignHCenter
                                                : Qt::AlignLeft;
  FPrivate->Edit->setAlignment(h | Qt::AlignVCenter);
}

void TFramedControl::SetTextMargins(const TRect& margins) {
  if (FPrivate->Edit) FPrivate->Edit->setTextMargins(margins.Left, margins.Top, margins.Right, margins.Bottom);
}

void TFramedControl::GetTextSelection(int& start, int& end) const {
  start = end = 0;
  QLineEdit* e = FPrivate->Edit;
  if (!e) return;
  if (e->hasSelectedText()) {
    start = e->selectionStart();
    end = e->selectionEnd();
  } else {
    start = end = e->cursorPosition();
  }
}

void TFramedControl::SetTextSelection(int start, int end) {
  QLineEdit* e = FPrivate->Edit;
  if (!e) return;
  int length = static_cast<int>(e->text().size());
  if (start < 0) {
    e->deselect();
    e->setCursorPosition(length);
    return;
  }
  int s = std::min(start, length);
  int t = end < 0 || end > length ? length : end;
  if (s == t) {
    e->deselect();
    e->setCursorPosition(s);
  } else {
    e->setSelection(s, t - s);
  }
}

std::string TFramedControl::SelectedText() const {
  return FPrivate->Edit ? FromQString(FPrivate->Edit->selectedText()) : std::string();
}

TPoint TFramedControl::TextCaretPoint() const {
  if (!FPrivate->Edit) return {};
  QRect r = FPrivate->Edit->CaretRect();
  return Point(r.left(), r.top());
}

bool TFramedControl::CanUndoText() const { return FPrivate->Edit && FPrivate->Edit->isUndoAvailable(); }
bool TFramedControl::CanRedoText() const { return FPrivate->Edit && FPrivate->Edit->isRedoAvailable(); }

void TFramedControl::UndoText() {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->undo();
}

void TFramedControl::RedoText() {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->redo();
}

void TFramedControl::EmptyTextUndoBuffer() {
  QLineEdit* e = FPrivate->Edit;
  if (!e) return;
  // Setting the text is the one way the line edit forgets its history.
  int start = 0, end = 0;
  GetTextSelection(start, end);
  bool backwards = e->hasSelectedText() && e->cursorPosition() == start;
  FPrivate->SettingText = true;
  {
    QSignalBlocker block(e);
    e->setText(e->text());
  }
  FPrivate->SettingText = false;
  if (backwards)
    e->setSelection(end, start - end);
  else
    SetTextSelection(start, end);
}

void TFramedControl::CutText() {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->cut();
}

void TFramedControl::CopyText() {
  if (FPrivate->Edit && FPrivate->Edit->echoMode() == QLineEdit::Normal) FPrivate->Edit->copy();
}

void TFramedControl::PasteText() {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->paste();
}

void TFramedControl::ClearText() {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->del();
}

bool TFramedControl::CanPasteText() const {
  if (!FPrivate->Edit || FPrivate->Edit->isReadOnly()) return false;
  const QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard && !clipboard->text().isEmpty();
}

void TFramedControl::InsertText(const std::string& text) {
  if (FPrivate->Edit && !FPrivate->Edit->isReadOnly()) FPrivate->Edit->insert(ToQString(text));
}
