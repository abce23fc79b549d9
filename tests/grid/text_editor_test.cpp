// The text editor: character case, length limit, caret keys, undo after
// loading, password drawing, its own edit menu.

#include "grid/editors/text_editor.h"

#include <gtest/gtest.h>

#include "grid/editors/edit_styles.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/application/clipboard.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/menus.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/framework_gui/message_log.h"
#include "tests/grid/editor_test_host.h"

namespace {

class TextEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Host = new TTestHost(Form.get());
    Host->SetParent(Form.get());
    ASSERT_TRUE(ShowActive(*Form));
  }
  TdxInplaceTextEdit& Start(const std::string& value) {
    auto& editor = Host->StartEdit<TdxInplaceTextEdit>(Variant(value));
    EXPECT_TRUE(WaitFor([&] { return editor.Focused(); }));
    return editor;
  }

  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TTestHost* Host = nullptr;
};

using TPrepare = std::function<void(TdxInplaceTextEdit&)>;
void Type(TdxInplaceTextEdit& e, const char* text) { QTest::keyClicks(ClientOf(e), text); }
void TypeX(TdxInplaceTextEdit& e) { Type(e, "x"); }
void TypeXAndUndo(TdxInplaceTextEdit& e) { Type(e, "x"), e.UndoText(); }

TEST_F(TextEditorTest, UpperCaseConvertsTypedCharactersAndLoadedValues) {
  auto& editor = Start("");
  editor.SetCharCase(ecUpperCase);
  Type(editor, "ab");
  EXPECT_EQ(editor.Text(), "AB");
  editor.SetEditValue(Variant("abc"));
  editor.SetModified(false);
  editor.SetTextSelection(1, 2);
  editor.SetCharCase(ecLowerCase);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(editor.SelStart(), 1);
  EXPECT_EQ(editor.SelLength(), 1);
  EXPECT_FALSE(editor.GetModified()) << "converting the case is no change of the user's";
}

TEST_F(TextEditorTest, LoadingAValueIsNotAChangeAndLeavesNothingToUndo) {
  auto& editor = Start("abc");
  int changes = 0;
  editor.OnChange = [&](TObject*) { ++changes; };
  editor.SetEditValue(Variant("def"));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(editor.CanUndoText());
  Type(editor, "x");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(editor.CanUndoText());
}

TEST_F(TextEditorTest, MaxLengthLimitsTypingButNeverCutsALoadedValue) {
  auto& editor = Start("");
  editor.SetMaxLength(-5);
  EXPECT_EQ(editor.MaxLength(), 0);
  editor.SetMaxLength(3);
  Type(editor, "abcdef");
  EXPECT_EQ(editor.Text(), "abc");
  editor.SetEditValue(Variant("longer value"));
  EXPECT_EQ(editor.Text(), "longer value");
}

TEST_F(TextEditorTest, F2PutsTheCaretAtTheEndWithoutSelection) {
  auto& editor = Start("abcd");
  EXPECT_EQ(editor.SelLength(), 4);
  QTest::keyClick(ClientOf(editor), Qt::Key_F2);
  EXPECT_EQ(editor.SelStart(), 4);
  EXPECT_EQ(editor.SelLength(), 0);
}

TEST_F(TextEditorTest, ModifiedSurvivesWhatThePlatformWouldDoByMakingTheWindowAgain) {
  auto& editor = Start("abc");
  Type(editor, "x");
  editor.SetAlignment(taRightJustify);
  editor.SetOffsetRect(Rect(2, 0, 0, 0));
  EXPECT_TRUE(editor.GetModified());
  EXPECT_EQ(editor.Text(), "x");
}

TEST_F(TextEditorTest, ReadOnlyStopsTyping) {
  auto& editor = Start("abc");
  editor.SetReadOnly(true);
  editor.SetTextSelection(3, 3);
  Type(editor, "x");
  QTest::keyClick(ClientOf(editor), Qt::Key_Backspace);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_FALSE(editor.GetModified());
}

struct TShownMenu {
  bool Shown = false;
  QPoint At;
  std::vector<std::string> Captions;  // "-" for a line
  std::vector<bool> Enabled;
};

// Runs action; when a menu opens meanwhile, records it and chooses the
// item with caption choose (none when empty), as a user would.
TShownMenu WhileMenuOpens(const std::function<void()>& action, const std::string& choose = "") {
  TShownMenu shown;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    timer.stop();
    shown.Shown = true;
    shown.At = menu->pos();
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions()) {
      std::string caption = a->isSeparator() ? "-" : a->text().toStdString();
      shown.Captions.push_back(caption);
      shown.Enabled.push_back(a->isEnabled());
      if (!choose.empty() && caption == choose) chosen = a;
    }
    menu->close();
    if (chosen) chosen->trigger();
  });
  timer.start(0);
  action();
  QCoreApplication::processEvents();
  return shown;
}

TShownMenu OpenFromKeys(TdxInplaceTextEdit& editor, const std::string& choose = "") {
  return WhileMenuOpens([&] { editor.Perform(WM_CONTEXTMENU, ControlParam(&editor), PointParam(-1, -1)); },
                        choose);
}

const std::vector<std::string> kMenuCaptions = {"&Undo", "&Redo",   "-", "Cu&t", "&Copy",
                                                "&Paste", "&Delete", "-", "Select &All"};

TEST_F(TextEditorTest, TheMenuKeyAndTheRightButtonOpenTheEditMenu) {
  auto& editor = Start("abc");
  QCoreApplication::processEvents();  // the text window places its caret when it paints
  TPoint caret = editor.ClientToScreen(editor.TextCaretPoint());
  TShownMenu fromKeys = WhileMenuOpens([&] { QTest::keyClick(ClientOf(editor), Qt::Key_Menu); });
  ASSERT_TRUE(fromKeys.Shown);
  EXPECT_EQ(fromKeys.Captions, kMenuCaptions);
  EXPECT_EQ(fromKeys.At, QPoint(caret.X, caret.Y)) << "at the caret";

  TShownMenu fromMouse =
      WhileMenuOpens([&] { QTest::mouseClick(ClientOf(editor), Qt::RightButton, Qt::NoModifier, QPoint(12, 6)); });
  ASSERT_TRUE(fromMouse.Shown) << "the release posts the request";
  EXPECT_EQ(fromMouse.At, ClientOf(editor)->mapToGlobal(QPoint(12, 6)));
  EXPECT_TRUE(editor.Shown()) << "choosing nothing leaves the edit as it was";
}

TEST_F(TextEditorTest, AMenuOfTheEditorOrAParentReplacesTheEditMenu) {
  auto& editor = Start("abc");
  auto* menu = new TRecordingPopupMenu(Form.get());
  Host->SetPopupMenu(menu);
  EXPECT_FALSE(OpenFromKeys(editor).Shown);
  EXPECT_EQ(menu->Shown.size(), 1u);
  menu->SetAutoPopup(false);
  EXPECT_FALSE(OpenFromKeys(editor).Shown) << "a menu that does not pop up by itself still keeps the edit menu away";
  EXPECT_EQ(menu->Shown.size(), 1u);
}

struct TMenuStateCase {
  const char* Name;
  TPrepare Prepare;
  std::vector<bool> Enabled;  // Undo, Redo, Cut, Copy, Paste, Delete, Select All
};
void PrintTo(const TMenuStateCase& c, std::ostream* os) { *os << c.Name; }

class EditMenuStateTest : public TextEditorTest, public ::testing::WithParamInterface<TMenuStateCase> {};

TEST_P(EditMenuStateTest, ItemsAreEnabledForTheEditorsState) {
  Clipboard().SetAsText("clip");
  auto& editor = Start("abc");
  if (GetParam().Prepare) GetParam().Prepare(editor);
  TShownMenu shown = OpenFromKeys(editor);
  ASSERT_TRUE(shown.Shown);
  ASSERT_EQ(shown.Enabled.size(), 9u);
  std::vector<bool> items;
  for (std::size_t i = 0; i < shown.Enabled.size(); ++i)
    if (shown.Captions[i] != "-") items.push_back(shown.Enabled[i]);
  EXPECT_EQ(items, GetParam().Enabled);
}

INSTANTIATE_TEST_SUITE_P(
    States, EditMenuStateTest,
    ::testing::Values(
        TMenuStateCase{"LoadedAndAllSelected", nullptr, {false, false, true, true, true, true, false}},
        TMenuStateCase{"CaretWithoutSelection", [](TdxInplaceTextEdit& e) { e.SetTextSelection(1, 1); },
                       {false, false, false, false, true, false, true}},
        TMenuStateCase{"AfterTyping", [](TdxInplaceTextEdit& e) { Type(e, "xy"); },
                       {true, false, false, false, true, false, true}},
        TMenuStateCase{"AfterUndo", TypeXAndUndo, {false, true, true, true, true, true, false}},
        TMenuStateCase{"PasswordHidesTheSelection", [](TdxInplaceTextEdit& e) { e.SetPasswordChar('*'); },
                       {false, false, false, false, true, true, false}},
        TMenuStateCase{"ReadOnly", [](TdxInplaceTextEdit& e) { e.SetReadOnly(true); },
                       {false, false, false, true, false, false, false}},
        TMenuStateCase{"NothingToPaste", [](TdxInplaceTextEdit&) { Clipboard().SetAsText(""); },
                       {false, false, true, true, false, true, false}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TMenuCommandCase {
  const char* Name;
  TPrepare Prepare;
  const char* Choose;
  const char* Text;
  const char* Clipboard;
};
void PrintTo(const TMenuCommandCase& c, std::ostream* os) { *os << c.Name; }

class EditMenuCommandTest : public TextEditorTest, public ::testing::WithParamInterface<TMenuCommandCase> {};

TEST_P(EditMenuCommandTest, ChoosingAnItemActsOnTheText) {
  const TMenuCommandCase& c = GetParam();
  Clipboard().SetAsText("clip");
  auto& editor = Start("abcd");
  editor.SetTextSelection(1, 3);
  if (c.Prepare) c.Prepare(editor);
  ASSERT_TRUE(OpenFromKeys(editor, c.Choose).Shown);
  EXPECT_EQ(editor.Text(), c.Text);
  EXPECT_EQ(Clipboard().AsText(), c.Clipboard);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EditMenuCommandTest,
    ::testing::Values(
        TMenuCommandCase{"Cut", nullptr, "Cu&t", "ad", "bc"},
        TMenuCommandCase{"Copy", nullptr, "&Copy", "abcd", "bc"},
        TMenuCommandCase{"Paste", nullptr, "&Paste", "aclipd", "clip"},
        TMenuCommandCase{"Delete", nullptr, "&Delete", "ad", "clip"},
        TMenuCommandCase{"Undo", TypeX, "&Undo", "abcd", "clip"},
        TMenuCommandCase{"Redo", TypeXAndUndo, "&Redo", "axd", "clip"},
        TMenuCommandCase{"CutRefusedByTheHost",
                         [](TdxInplaceTextEdit& e) { static_cast<TTestHost*>(e.Owner())->AllowModify = false; },
                         "Cu&t", "abcd", "clip"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TextEditorTest, SelectAllFromTheMenuSelectsTheWholeText) {
  auto& editor = Start("abcd");
  editor.SetTextSelection(2, 2);
  OpenFromKeys(editor, "Select &All");
  EXPECT_EQ(editor.SelStart(), 0);
  EXPECT_EQ(editor.SelLength(), 4);
}

TEST(TextEditorPaintTest, PaintedCellsShowOnePasswordCharacterPerCharacter) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* host = new TCustomdxContainer(&form);
  auto* editor = new TdxInplaceTextEdit(host);
  TBitmap plain(80, 20), masked(80, 20), stars(80, 20);
  auto draw = [&](const char* value, char passwordChar, TBitmap& into) {
    editor->SetEditValue(Variant(value));
    editor->SetPasswordChar(passwordChar);
    editor->DrawContent(into.Canvas(), Rect(0, 0, 80, 20), *editor->CreateViewData(true));
  };
  draw("secret", 0, plain);
  draw("secret", '*', masked);
  draw("******", 0, stars);
  auto same = [](TBitmap& a, TBitmap& b) {
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 80; ++x)
        if (a.Canvas().Pixels(x, y) != b.Canvas().Pixels(x, y)) return false;
    return true;
  };
  EXPECT_TRUE(same(masked, stars));
  EXPECT_FALSE(same(masked, plain));
}

}  // namespace
