// TEdit and TMemo over QLineEdit and QPlainTextEdit.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/standard/std_controls.h"
#include "framework/gui/controls/win_control_p.h"

namespace {

QLineEdit* LineEdit(const TWinControl& c) { return static_cast<QLineEdit*>(TWidgetAccess::Window(c)); }
QPlainTextEdit* TextEdit(const TWinControl& c) {
  return static_cast<QPlainTextEdit*>(TWidgetAccess::Window(c));
}

}  // namespace

// --- TEdit ------------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 121, 21);
}

TEdit::~TEdit() = default;

void TEdit::CreateWnd() {
  auto* edit = new QLineEdit;
  QObject::connect(edit, &QLineEdit::textChanged,
                   [this] { TControlInput::Guard(this, [this] { Change(); }); });
  TWidgetAccess::Attach(*this, edit);
  TWidgetAccess::PassMouse(*this);
}

std::string TEdit::Text() const { return FromQString(LineEdit(*this)->text()); }

void TEdit::SetText(const std::string& text) {
  QString q = ToQString(text);
  if (LineEdit(*this)->text() != q) LineEdit(*this)->setText(q);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::SetMaxLength(int maxLength) {
  FMaxLength = std::max(0, maxLength);
  LineEdit(*this)->setMaxLength(FMaxLength == 0 ? 32767 : FMaxLength);
}

bool TEdit::ReadOnly() const { return LineEdit(*this)->isReadOnly(); }
void TEdit::SetReadOnly(bool readOnly) { LineEdit(*this)->setReadOnly(readOnly); }

void TEdit::SetPasswordChar(char c) {
  FPasswordChar = c;
  LineEdit(*this)->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

void TEdit::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  LineEdit(*this)->setFrame(style != bsNone);
}

bool TEdit::Modified() const { return LineEdit(*this)->isModified(); }
void TEdit::SetModified(bool modified) { LineEdit(*this)->setModified(modified); }

int TEdit::SelStart() const {
  QLineEdit* e = LineEdit(*this);
  return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TEdit::SetSelStart(int start) {
  LineEdit(*this)->deselect();
  LineEdit(*this)->setCursorPosition(start);
}

int TEdit::SelLength() const { return static_cast<int>(LineEdit(*this)->selectionLength()); }

void TEdit::SetSelLength(int length) {
  QLineEdit* e = LineEdit(*this);
  int start = SelStart();
  if (length <= 0)
    e->setCursorPosition(start);
  else
    e->setSelection(start, length);
}

std::string TEdit::SelText() const { return FromQString(LineEdit(*this)->selectedText()); }
void TEdit::SelectAll() { LineEdit(*this)->selectAll(); }
void TEdit::ClearSelection() { LineEdit(*this)->del(); }

// --- TMemo ------------------------------------------------------------------------------

// The memo's lines, read from and written to its text. A break at the very
// end of the text does not count as another line.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo& memo) : FMemo(memo) {}

  int Count() const override { return static_cast<int>(Read().size()); }
  std::string Strings(int index) const override {
    std::vector<std::string> lines = Read();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    return lines[static_cast<std::size_t>(index)];
  }
  void SetStrings(int index, std::string s) override {
    std::vector<std::string> lines = Read();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    lines[static_cast<std::size_t>(index)] = std::move(s);
    Write(lines);
  }
  void Insert(int index, std::string s) override {
    std::vector<std::string> lines = Read();
    if (index < 0 || index > static_cast<int>(lines.size())) IndexError(index);
    lines.insert(lines.begin() + index, std::move(s));
    Write(lines);
  }
  void Delete(int index) override {
    std::vector<std::string> lines = Read();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    lines.erase(lines.begin() + index);
    Write(lines);
  }
  void Clear() override { FMemo.SetText(""); }

 private:
  std::vector<std::string> Read() const {
    std::string text = FMemo.Text();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(text.substr(start));
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  void Write(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) text += "\r\n";
      text += lines[i];
    }
    FMemo.SetText(text);
  }

  TMemo& FMemo;
};

TMemo::TMemo(TComponent* owner) : TWinControl(owner), FLines(std::make_unique<TMemoStrings>(*this)) {
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

void TMemo::CreateWnd() {
  auto* edit = new QPlainTextEdit;
  edit->setTabChangesFocus(true);
  QObject::connect(edit, &QPlainTextEdit::textChanged,
                   [this] { TControlInput::Guard(this, [this] { Change(); }); });
  TWidgetAccess::Attach(*this, edit);
  TWidgetAccess::PassMouse(*this);
}

std::string TMemo::Text() const {
  QString text = TextEdit(*this)->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return FromQString(text);
}

void TMemo::SetText(const std::string& text) {
  QString q = ToQString(text);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (TextEdit(*this)->toPlainText() != q) TextEdit(*this)->setPlainText(q);
}

TStrings& TMemo::Lines() { return *FLines; }

void TMemo::Change() {
  if (OnChange) OnChange(this);
}

bool TMemo::ReadOnly() const { return TextEdit(*this)->isReadOnly(); }
void TMemo::SetReadOnly(bool readOnly) { TextEdit(*this)->setReadOnly(readOnly); }

void TMemo::SetWordWrap(bool wordWrap) {
  FWordWrap = wordWrap;
  TextEdit(*this)->setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
  FScrollBars = scrollBars;
  QPlainTextEdit* e = TextEdit(*this);
  bool h = scrollBars == ssHorizontal || scrollBars == ssBoth;
  bool v = scrollBars == ssVertical || scrollBars == ssBoth;
  e->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  e->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  TextEdit(*this)->setFrameShape(style == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}
