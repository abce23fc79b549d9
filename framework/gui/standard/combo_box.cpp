// TComboBox over QComboBox: the list as TStrings, the edit part's text and
// selection, and the drop-down events.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

#include "framework/gui/graphics/qt_text.h"
#include "framework/gui/standard/std_controls.h"
#include "framework/gui/controls/win_control_p.h"

class TComboBoxAccess {
 public:
  static void DropDown(TComboBox& c) { c.DropDown(); }
  static void CloseUp(TComboBox& c) { c.CloseUp(); }
  static void Select(TComboBox& c) { c.Select(); }
  static void Change(TComboBox& c) { c.Change(); }
};

namespace {

class TQtComboBox : public QComboBox {
 public:
  explicit TQtComboBox(TComboBox& control) : FControl(control) {}

  void showPopup() override {
    TControlInput::Guard(&FControl, [&] { TComboBoxAccess::DropDown(FControl); });
    QComboBox::showPopup();
  }

  void hidePopup() override {
    QComboBox::hidePopup();
    // Qt closes the list before it takes the chosen item: the close-up is
    // reported once the choice is in the text.
    QTimer::singleShot(
        0, this, [this] { TControlInput::Guard(&FControl, [&] { TComboBoxAccess::CloseUp(FControl); }); });
  }

 private:
  TComboBox& FControl;
};

QComboBox* Combo(const TWinControl& c) { return static_cast<QComboBox*>(TWidgetAccess::Window(c)); }

// Reports the user's edits of the edit box, and hears its mouse. The box stays the same while
// the combo stays editable, so a style change that keeps it must not add a
// second report: only a box made anew is connected.
void ConnectEditBox(TComboBox& control, QComboBox* combo) {
  static const char* const connected = "tulvoChangeConnected";
  QLineEdit* edit = combo->lineEdit();
  if (!edit || edit->property(connected).toBool()) return;
  edit->setProperty(connected, true);
  // The edit part takes the mouse before the combo could hear it, and hands
  // Qt's own context-menu request on to the combo, where the message path
  // drops it: heard here, the right button's release asks for the menu as
  // in an edit box, and the combo passes it to its edit part. (While the
  // window is made, CreateWnd watches it once attached.)
  if (control.HandleAllocated()) TWidgetAccess::Watch(control, edit);
  QObject::connect(edit, &QLineEdit::textEdited, [&control] {
    TControlInput::Guard(&control, [&control] { TComboBoxAccess::Change(control); });
  });
}

// Keeps the edit text (and a selection that still names the same item)
// through a change of the list, as the platform's combo box does.
class TEditTextKeeper {
 public:
  explicit TEditTextKeeper(QComboBox* combo)
      : FCombo(combo), FBlock(combo), FText(combo->currentText()), FIndex(combo->currentIndex()) {}
  ~TEditTextKeeper() {
    if (!FCombo->isEditable()) return;
    int index = FCombo->currentIndex();
    if (FIndex < 0 || index < 0 || FCombo->itemText(index) != FText) FCombo->setCurrentIndex(-1);
    if (FCombo->currentText() != FText) FCombo->setEditText(FText);
  }
  TEditTextKeeper(const TEditTextKeeper&) = delete;
  TEditTextKeeper& operator=(const TEditTextKeeper&) = delete;

 private:
  QComboBox* FCombo;
  QSignalBlocker FBlock;
  QString FText;
  int FIndex;
};

}  // namespace

class TComboBoxStrings : public TStrings {
 public:
  explicit TComboBoxStrings(TComboBox& combo) : FCombo(combo) {}

  int Count() const override { return Combo(FCombo)->count(); }
  std::string Strings(int index) const override {
    Check(index);
    return FromQString(Combo(FCombo)->itemText(index));
  }
  void SetStrings(int index, std::string s) override {
    Check(index);
    TEditTextKeeper keep(Combo(FCombo));
    Combo(FCombo)->setItemText(index, ToQString(s));
  }
  TObject* Objects(int index) const override {
    Check(index);
    return reinterpret_cast<TObject*>(Combo(FCombo)->itemData(index).value<quintptr>());
  }
  void SetObjects(int index, TObject* object) override {
    Check(index);
    Combo(FCombo)->setItemData(index, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
  }
  void Insert(int index, std::string s) override {
    if (index < 0 || index > Count()) IndexError(index);
    TEditTextKeeper keep(Combo(FCombo));
    Combo(FCombo)->insertItem(index, ToQString(s));
  }
  void Delete(int index) override {
    Check(index);
    TEditTextKeeper keep(Combo(FCombo));
    Combo(FCombo)->removeItem(index);
  }
  void Clear() override {
    QSignalBlocker block(Combo(FCombo));
    Combo(FCombo)->clear();
    Combo(FCombo)->setEditText(QString());
  }

 private:
  void Check(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
  }
  TComboBox& FCombo;
};

TComboBox::TComboBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TComboBoxStrings>(*this)) {
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 145, 21);
}

TComboBox::~TComboBox() = default;

void TComboBox::CreateWnd() {
  auto* combo = new TQtComboBox(*this);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setMaxVisibleItems(FDropDownCount);
  QObject::connect(combo, &QComboBox::activated,
                   [this] { TControlInput::Guard(this, [this] { TComboBoxAccess::Select(*this); }); });
  ConnectEditBox(*this, combo);
  TWidgetAccess::Attach(*this, combo);
  TWidgetAccess::PassMouse(*this);
  TWidgetAccess::Watch(*this, combo->lineEdit());
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  QComboBox* combo = Combo(*this);
  QString text = combo->currentText();
  combo->setEditable(style != csDropDownList);
  if (QLineEdit* edit = combo->lineEdit()) {
    combo->setCompleter(nullptr);
    edit->setMaxLength(FMaxLength == 0 ? 32767 : FMaxLength);
    edit->setText(text);
    ConnectEditBox(*this, combo);
  }
}

TStrings& TComboBox::Items() { return *FItems; }

int TComboBox::ItemIndex() const { return Combo(*this)->currentIndex(); }

void TComboBox::SetItemIndex(int index) {
  QSignalBlocker block(Combo(*this));
  Combo(*this)->setCurrentIndex(index < 0 || index >= Combo(*this)->count() ? -1 : index);
  if (index < 0 && Combo(*this)->isEditable()) Combo(*this)->setEditText(QString());
}

std::string TComboBox::Text() const { return FromQString(Combo(*this)->currentText()); }

void TComboBox::SetText(const std::string& text) {
  QComboBox* combo = Combo(*this);
  QSignalBlocker block(combo);
  QString q = ToQString(text);
  if (combo->isEditable()) {
    if (combo->currentIndex() >= 0 && combo->itemText(combo->currentIndex()) != q) combo->setCurrentIndex(-1);
    combo->setEditText(q);
  } else {
    combo->setCurrentIndex(combo->findText(q, Qt::MatchExactly));
  }
}

void TComboBox::SetMaxLength(int maxLength) {
  FMaxLength = std::max(0, maxLength);
  if (QLineEdit* edit = Combo(*this)->lineEdit()) edit->setMaxLength(FMaxLength == 0 ? 32767 : FMaxLength);
}

void TComboBox::SetDropDownCount(int count) {
  FDropDownCount = std::max(1, count);
  Combo(*this)->setMaxVisibleItems(FDropDownCount);
}

bool TComboBox::DroppedDown() const { return Combo(*this)->view()->isVisible(); }

void TComboBox::SetDroppedDown(bool droppedDown) {
  if (droppedDown == DroppedDown()) return;
  if (droppedDown)
    Combo(*this)->showPopup();
  else
    Combo(*this)->hidePopup();
}

int TComboBox::SelStart() const {
  QLineEdit* e = Combo(*this)->lineEdit();
  if (!e) return 0;
  return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TComboBox::SetSelStart(int start) {
  if (QLineEdit* e = Combo(*this)->lineEdit()) {
    e->deselect();
    e->setCursorPosition(start);
  }
}

int TComboBox::SelLength() const {
  QLineEdit* e = Combo(*this)->lineEdit();
  return e ? static_cast<int>(e->selectionLength()) : 0;
}

void TComboBox::SetSelLength(int length) {
  QLineEdit* e = Combo(*this)->lineEdit();
  if (!e) return;
  int start = SelStart();
  if (length <= 0)
    e->setCursorPosition(start);
  else
    e->setSelection(start, length);
}

std::string TComboBox::SelText() const {
  QLineEdit* e = Combo(*this)->lineEdit();
  return e ? FromQString(e->selectedText()) : std::string();
}

void TComboBox::SelectAll() {
  if (QLineEdit* e = Combo(*this)->lineEdit()) e->selectAll();
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}
