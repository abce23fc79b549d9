// The standard controls over their Qt widgets: texts in Windows-1251,
// limits, selection, key filtering, combo box lists and close-up, memo
// lines, labels, group boxes and page controls.

#include "framework/gui/standard/std_controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QRadioButton>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/application/clipboard.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/check_controls.h"
#include "framework/gui/standard/page_control.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

class StdControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FForm = std::make_unique<TForm>(nullptr);
    FForm->SetBounds(100, 100, 400, 300);
  }
  template <class T>
  T* Make() {
    auto* c = new T(FForm.get());
    c->SetParent(FForm.get());
    return c;
  }
  std::unique_ptr<TForm> FForm;
};

TEST_F(StdControlsTest, EditTextCrossesToQtAsWindows1251) {
  auto* edit = Make<TEdit>();
  std::string name = RU("Иванов Пётр");
  edit->SetText(name);
  EXPECT_EQ(edit->Text(), name);
  EXPECT_EQ(static_cast<QLineEdit*>(WindowOf(*edit))->text(), QString::fromUtf8("Иванов Пётр"));
}

TEST_F(StdControlsTest, EditMaxLengthLimitsTyping) {
  auto* edit = Make<TEdit>();
  edit->SetMaxLength(4);
  ASSERT_TRUE(ShowActive(*FForm));
  edit->SetFocus();
  QTest::keyClicks(WindowOf(*edit), "123456");
  EXPECT_EQ(edit->Text(), "1234");
}

TEST_F(StdControlsTest, KeyPressCanSwallowOrChangeCharacters) {
  auto* edit = Make<TEdit>();
  edit->OnKeyPress = [](TObject*, char& key) {
    if (key == 'x') key = 'y';
    if (key != '\b' && key != 'y' && (key < '0' || key > '9')) key = 0;
  };
  ASSERT_TRUE(ShowActive(*FForm));
  edit->SetFocus();
  QTest::keyClicks(WindowOf(*edit), "1a2 x.3");
  EXPECT_EQ(edit->Text(), "12y3");
  QTest::keyClick(WindowOf(*edit), Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "12y");
}

TEST_F(StdControlsTest, EnterReachesKeyPressOfAnEdit) {
  auto* edit = Make<TEdit>();
  std::vector<int> keys;
  edit->OnKeyPress = [&](TObject*, char& key) { keys.push_back(key); };
  ASSERT_TRUE(ShowActive(*FForm));
  edit->SetFocus();
  QTest::keyClick(WindowOf(*edit), Qt::Key_Return);
  EXPECT_EQ(keys, std::vector<int>{13});
}

TEST_F(StdControlsTest, HintShowsItsShortPartWhereShowHintIsOn) {
  auto* edit = Make<TEdit>();
  edit->SetHint(RU("Enter - Искать|Начинает поиск"));
  EXPECT_TRUE(WindowOf(*edit)->toolTip().isEmpty());
  FForm->SetShowHint(true);
  EXPECT_EQ(WindowOf(*edit)->toolTip(), QString::fromUtf8("Enter - Искать"));
  edit->SetShowHint(false);
  EXPECT_TRUE(WindowOf(*edit)->toolTip().isEmpty());
}

TEST_F(StdControlsTest, EditSelection) {
  auto* edit = Make<TEdit>();
  edit->SetText("hello");
  edit->SelectAll();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 5);
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "ell");
  edit->SetSelLength(0);
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(StdControlsTest, EditOnChangeFiresForEveryChange) {
  auto* edit = Make<TEdit>();
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("a");
  edit->SetText("a");
  edit->SetText("b");
  EXPECT_EQ(changes, 2);
}

TEST_F(StdControlsTest, ComboListChangesKeepTheEditText) {
  auto* combo = Make<TComboBox>();
  combo->SetText("typed");
  combo->Items().Add("first");
  combo->Items().Insert(0, "second");
  EXPECT_EQ(combo->Text(), "typed");
  EXPECT_EQ(combo->ItemIndex(), -1);
  ASSERT_EQ(combo->Items().Count(), 2);
  EXPECT_EQ(combo->Items().Strings(0), "second");
  combo->Items().Move(1, 0);
  EXPECT_EQ(combo->Items().Strings(0), "first");
  EXPECT_EQ(combo->Text(), "typed");
  combo->Items().Delete(0);
  EXPECT_EQ(combo->Text(), "typed");
  combo->Items().Clear();
  EXPECT_EQ(combo->Items().Count(), 0);
  EXPECT_EQ(combo->Text(), "");
}

TEST_F(StdControlsTest, ComboItemsTakeRussianText) {
  auto* combo = Make<TComboBox>();
  combo->Items().Add(RU("Ёлкин"));
  EXPECT_EQ(combo->Items().Strings(0), RU("Ёлкин"));
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->Text(), RU("Ёлкин"));
}

TEST_F(StdControlsTest, ComboMaxLengthAndSelection) {
  auto* combo = Make<TComboBox>();
  combo->SetMaxLength(5);
  ASSERT_TRUE(ShowActive(*FForm));
  combo->SetFocus();
  QTest::keyClicks(WindowOf(*combo), "1234567");
  EXPECT_EQ(combo->Text(), "12345");
  combo->SelectAll();
  EXPECT_EQ(combo->SelLength(), 5);
  combo->SetSelLength(0);
  EXPECT_EQ(combo->SelLength(), 0);
}

TEST_F(StdControlsTest, ChoosingFromTheListClosesItWithTheChosenText) {
  auto* combo = Make<TComboBox>();
  combo->Items().Add("11111");
  combo->Items().Add("22222");
  std::vector<std::string> seen;
  combo->OnCloseUp = [&](TObject*) { seen.push_back(combo->Text()); };
  ASSERT_TRUE(ShowActive(*FForm));
  combo->SetDroppedDown(true);
  ASSERT_TRUE(WaitFor([&] { return combo->DroppedDown(); }));
  QAbstractItemView* view = static_cast<QComboBox*>(WindowOf(*combo))->view();
  view->setCurrentIndex(view->model()->index(1, 0));
  QTest::keyClick(view, Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }));
  EXPECT_EQ(seen, std::vector<std::string>{"22222"});
}

TEST_F(StdControlsTest, EnterInAComboReachesKeyPressAndAddsNoItem) {
  auto* combo = Make<TComboBox>();
  std::vector<int> keys;
  combo->OnKeyPress = [&](TObject*, char& key) { keys.push_back(key); };
  ASSERT_TRUE(ShowActive(*FForm));
  combo->SetFocus();
  QTest::keyClicks(WindowOf(*combo), "77");
  QTest::keyClick(WindowOf(*combo), Qt::Key_Return);
  EXPECT_EQ(keys, (std::vector<int>{'7', '7', 13}));
  EXPECT_EQ(combo->Items().Count(), 0);
  EXPECT_EQ(combo->Text(), "77");
}

// Switching between the editable styles keeps the edit box; each keystroke
// must still be one change, whatever styles the combo went through.
struct StyleSwitches {
  const char* Name;
  std::vector<TComboBoxStyle> Styles;
};
void PrintTo(const StyleSwitches& s, std::ostream* os) { *os << s.Name; }

class ComboStyleTest : public StdControlsTest, public ::testing::WithParamInterface<StyleSwitches> {};

TEST_P(ComboStyleTest, EachKeystrokeIsOneChange) {
  auto* combo = Make<TComboBox>();
  for (TComboBoxStyle style : GetParam().Styles) combo->SetStyle(style);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  ASSERT_TRUE(ShowActive(*FForm));
  combo->SetFocus();
  QTest::keyClicks(WindowOf(*combo), "ab");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(combo->Text(), "ab");
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ComboStyleTest,
    ::testing::Values(StyleSwitches{"AsMade", {}}, StyleSwitches{"Simple", {csSimple}},
                      StyleSwitches{"SimpleThenDropDown", {csSimple, csDropDown}},
                      StyleSwitches{"ThroughTheListOnlyStyle", {csDropDownList, csDropDown}},
                      StyleSwitches{"ThroughBoth", {csSimple, csDropDownList, csSimple, csDropDown}}),
    [](const auto& info) { return std::string(info.param.Name); });

// A right click on the text of an edit box or of a combo box's edit part
// opens the same standard menu, so that a number can be pasted by mouse.
class EditContextMenu : public StdControlsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EditContextMenu, OffersTheStandardEditActions) {
  TWinControl* box = GetParam() ? static_cast<TWinControl*>(Make<TComboBox>()) : Make<TEdit>();
  ASSERT_TRUE(ShowActive(*FForm));
  auto* text = qobject_cast<QLineEdit*>(WindowOf(*box));
  if (!text) text = WindowOf(*box)->findChild<QLineEdit*>();
  ASSERT_TRUE(text);
  const QPoint at = text->rect().center();
  QTest::mouseClick(text, Qt::RightButton, Qt::NoModifier, at);
  // Qt's own request, as the window system sends it beside the click.
  QContextMenuEvent request(QContextMenuEvent::Mouse, at, text->mapToGlobal(at));
  QApplication::sendEvent(text, &request);
  int menus = 0;
  QStringList actions;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->isVisible()) {
      ++menus;
      for (QAction* a : menu->actions())
        if (!a->isSeparator()) actions << a->text().remove('&').section('\t', 0, 0);
      menu->close();
    }
  EXPECT_EQ(menus, 1) << "one menu for one click";
  EXPECT_EQ(actions, (QStringList{"Undo", "Redo", "Cut", "Copy", "Paste", "Delete", "Select All"}));
}

INSTANTIATE_TEST_SUITE_P(StdControls, EditContextMenu, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "ComboBox" : "Edit"); });

TEST_F(StdControlsTest, MemoLinesAndText) {
  auto* memo = Make<TMemo>();
  EXPECT_EQ(memo->Lines().Count(), 0);
  memo->Lines().Add("one");
  memo->Lines().Add(RU("два"));
  EXPECT_EQ(memo->Text(), "one\r\n" + RU("два"));
  memo->SetText("a\r\nb\r\n");
  EXPECT_EQ(memo->Lines().Count(), 2);
  EXPECT_EQ(memo->Lines().Strings(1), "b");
  memo->Lines().Delete(0);
  EXPECT_EQ(memo->Text(), "b");
}

TEST_F(StdControlsTest, AutoSizedLabelTakesTheSizeOfItsText) {
  auto* label = Make<TLabel>();
  label->SetCaption("Short");
  int shortWidth = label->Width();
  label->SetCaption("A much longer caption");
  EXPECT_GT(label->Width(), shortWidth);
  label->SetCaption("&Phone");
  TLabel plain(nullptr);
  plain.SetCaption("Phone");
  EXPECT_EQ(label->Width(), plain.Width());

  label->SetWordWrap(true);
  label->SetAutoSize(false);
  label->SetWidth(40);
  label->SetAutoSize(true);
  label->SetCaption("several words that wrap");
  EXPECT_EQ(label->Width(), 40);
  EXPECT_GT(label->Height(), plain.Height());
}

TEST_F(StdControlsTest, GroupBoxAlignsChildrenInsideItsFrame) {
  auto* box = Make<TGroupBox>();
  box->SetCaption("Search");
  box->SetAlign(alTop);
  box->SetHeight(105);
  EXPECT_EQ(box->BoundsRect(), Rect(0, 0, 400, 105));
  auto* inner = new TEdit(FForm.get());
  inner->SetParent(box);
  inner->SetAlign(alClient);
  EXPECT_GT(inner->Top(), 0);
  EXPECT_LT(inner->Top() + inner->Height(), 105);
  EXPECT_GT(inner->Width(), 0);
}

TEST_F(StdControlsTest, PageControlShowsOnePageAndReportsUserChanges) {
  auto* pages = Make<TPageControl>();
  pages->SetAlign(alClient);
  auto* home = new TTabSheet(FForm.get());
  home->SetCaption(RU("Квартиры"));
  home->SetPageControl(pages);
  auto* org = new TTabSheet(FForm.get());
  org->SetCaption(RU("Организации"));
  org->SetPageControl(pages);
  int changes = 0;
  pages->OnChange = [&](TObject*) { ++changes; };

  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(org->PageIndex(), 1);
  pages->SetActivePage(org);
  EXPECT_EQ(pages->ActivePage(), org);
  EXPECT_TRUE(org->Visible());
  EXPECT_FALSE(home->Visible());
  EXPECT_EQ(changes, 0);

  auto* tabs = static_cast<QTabWidget*>(WindowOf(*pages));
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("Квартиры"));
  ASSERT_TRUE(ShowActive(*FForm));
  QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(0).center());
  EXPECT_EQ(pages->ActivePage(), home);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(home->Visible());

  // A control aligned to fill a shown page gets the page's size.
  auto* edit = new TEdit(FForm.get());
  edit->SetParent(home);
  edit->SetAlign(alClient);
  EXPECT_GT(edit->Width(), 100);

  delete org;
  EXPECT_EQ(pages->PageCount(), 1);
}

}  // namespace

namespace {

TEST(ClipboardTest, TextRoundTripsInWindows1251) {
  Clipboard().SetAsText(RU("Телефон\t12345"));
  EXPECT_TRUE(Clipboard().HasText());
  EXPECT_EQ(Clipboard().AsText(), RU("Телефон\t12345"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Телефон\t12345"));
}

// Radio buttons of one parent form a group, by click and by SetChecked;
// those of another parent are left alone.
TEST_F(StdControlsTest, RadioButtonsOfOneParentExcludeEachOther) {
  auto* a = Make<TRadioButton>();
  auto* b = Make<TRadioButton>();
  a->SetBounds(10, 10, 80, 17);
  b->SetBounds(10, 40, 80, 17);
  b->SetText("&Or");
  auto* box = Make<TGroupBox>();
  box->SetBounds(150, 10, 200, 100);
  auto* other = new TRadioButton(FForm.get());
  other->SetParent(box);
  other->SetChecked(true);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  a->SetChecked(true);
  EXPECT_TRUE(a->Checked());
  ASSERT_TRUE(ShowActive(*FForm));
  QTest::mouseClick(WindowOf(*b), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_EQ(clicks, 1);
  // A click on the checked one keeps it checked.
  QTest::mouseClick(WindowOf(*b), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(static_cast<QRadioButton*>(WindowOf(*b))->isChecked(), true);
  a->SetChecked(true);
  EXPECT_FALSE(b->Checked());
  EXPECT_FALSE(static_cast<QRadioButton*>(WindowOf(*b))->isChecked());
}

TEST_F(StdControlsTest, BevelDrawsItsShapeAsAFrame) {
  auto* bevel = Make<TBevel>();
  bevel->SetBounds(8, 34, 396, 2);
  bevel->SetShape(bsTopLine);
  auto* frame = static_cast<QFrame*>(WindowOf(*bevel));
  EXPECT_EQ(frame->frameShape(), QFrame::HLine);
  EXPECT_EQ(frame->frameShadow(), QFrame::Sunken);
  bevel->SetShape(bsBox);
  bevel->SetStyle(bsRaised);
  EXPECT_EQ(frame->frameShape(), QFrame::Box);
  EXPECT_EQ(frame->frameShadow(), QFrame::Raised);
  EXPECT_EQ(bevel->Width(), 396);
}

}  // namespace

namespace {

// Every windowed control's widget carries the component's name, whichever
// came first: the widget or the name, and after a rename.
TEST_F(StdControlsTest, WindowCarriesTheComponentNameAsObjectName) {
  const std::vector<std::pair<TWinControl*, std::string>> cases = {
      {Make<TEdit>(), "edStreet"},       {Make<TComboBox>(), "cbPhone"}, {Make<TLabel>(), "Label1"},
      {Make<TGroupBox>(), "gbSearch"},   {Make<TPageControl>(), "pcPhones"}, {Make<TButton>(), "Button1"},
      {Make<TMemo>(), "Memo1"}};
  for (const auto& [control, name] : cases) {
    control->SetName(name);
    EXPECT_EQ(WindowOf(*control)->objectName().toStdString(), name);
    EXPECT_EQ(WindowOf(*FForm)->findChild<QWidget*>(QString::fromStdString(name)), WindowOf(*control)) << name;
  }
  cases[0].first->SetName("edBuild");
  EXPECT_EQ(WindowOf(*cases[0].first)->objectName().toStdString(), "edBuild");
  FForm->SetName("MainForm");
  EXPECT_EQ(WindowOf(*FForm)->objectName().toStdString(), "MainForm");
}

}  // namespace
