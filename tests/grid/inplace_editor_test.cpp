// The editor-host protocol with real widgets: an editor shown over a cell,
// typed into, validated, its value taken back, Escape, focus loss, keys.

#include "grid/editors/inplace_editor.h"

#include <gtest/gtest.h>

#include "grid/editors/edit_styles.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "framework/gui/application/clipboard.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/std_controls.h"
#include "grid/editors/text_editor.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/framework_gui/message_log.h"
#include "tests/grid/editor_test_host.h"

namespace {

// The kind of editor a dialog places on a form.
class TStandAloneTextEdit : public TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  bool IsInplace() const override { return false; }
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Host = new TTestHost(Form.get());
    Host->SetParent(Form.get());
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(10, 250, 100, 21);
    ASSERT_TRUE(ShowActive(*Form));
    Host->SetFocus();
  }
  void TearDown() override { Form.reset(); }

  TdxInplaceTextEdit& Start(const std::string& value) {
    auto& editor = Host->StartEdit<TdxInplaceTextEdit>(Variant(value));
    EXPECT_TRUE(WaitFor([&] { return editor.Focused(); }));
    return editor;
  }
  QWidget* Window(TdxInplaceEdit& e) { return ClientOf(e); }

  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TTestHost* Host = nullptr;
  TEdit* Other = nullptr;
};

TEST_F(EditorTest, ShowAtPlacesTheEditorOverTheCellGrownByTwoAndFocusesIt) {
  auto& editor = Start("abc");
  EXPECT_EQ(editor.BoundsRect(), Rect(18, 18, 122, 42));
  EXPECT_TRUE(editor.Shown());
  EXPECT_TRUE(editor.Showing());
  EXPECT_FALSE(Host->InitializingEditor());
  EXPECT_EQ(editor.SelLength(), 3) << "the whole value is selected when shown";
  EXPECT_GE(Host->FocusChanges, 1);
}

TEST_F(EditorTest, TypedTextIsTakenBackWhenModified) {
  auto& editor = Start("abc");
  QTest::keyClicks(Window(editor), "xyz");
  EXPECT_EQ(editor.Text(), "xyz");
  EXPECT_TRUE(editor.GetModified());
  QTest::keyClick(Window(editor), Qt::Key_Return);
  ASSERT_TRUE(Host->Stored.has_value());
  EXPECT_EQ(*Host->Stored, "xyz");
  EXPECT_FALSE(editor.Shown());
  EXPECT_TRUE(Host->Focused());
  EXPECT_EQ(Host->HostKeys, std::vector<TKey>{VK_RETURN});
}

TEST_F(EditorTest, AnUnmodifiedEditStoresNothing) {
  auto& editor = Start("abc");
  QTest::keyClick(Window(editor), Qt::Key_Return);
  EXPECT_FALSE(Host->Stored.has_value());
  EXPECT_FALSE(editor.Shown());
}

TEST_F(EditorTest, EscapeRestoresTheLoadedValueAndIsNeverRefused) {
  auto& editor = Start("abc");
  int refusals = 0;
  editor.OnValidate = [&](TObject*, std::string&, bool& accept) {
    ++refusals;
    accept = false;
  };
  QTest::keyClicks(Window(editor), "zz");
  int beeps = MessageBeepCount();
  QTest::keyClick(Window(editor), Qt::Key_Escape);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_FALSE(editor.GetModified());
  EXPECT_EQ(refusals, 0);
  EXPECT_EQ(MessageBeepCount(), beeps);
  EXPECT_EQ(Host->HostKeys, std::vector<TKey>{VK_ESCAPE});
  EXPECT_FALSE(Host->Stored.has_value());
  EXPECT_FALSE(editor.Shown());
}

TEST_F(EditorTest, ARefusedValueKeepsTheEditorOpenWithItsMessage) {
  auto& editor = Start("abc");
  editor.OnValidate = [](TObject*, std::string& error, bool& accept) {
    error = "Number expected";
    accept = false;
  };
  QTest::keyClicks(Window(editor), "q");
  int beeps = MessageBeepCount();
  try {
    Host->CloseEdit();
    FAIL() << "validation passed";
  } catch (const EdxEditInvalidInput& e) {
    EXPECT_EQ(e.Message(), "Number expected");
  }
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  EXPECT_TRUE(editor.Shown());
  EXPECT_TRUE(editor.Focused());
  EXPECT_FALSE(Host->Stored.has_value());
  // The key that asked for the close does not reach the host either.
  QTest::keyClick(Window(editor), Qt::Key_Return);
  EXPECT_TRUE(Host->HostKeys.empty());
  EXPECT_TRUE(editor.Shown());
  EXPECT_EQ(editor.Text(), "q");
}

TEST_F(EditorTest, TheDefaultRefusalTextTellsHowToAbandon) {
  auto& editor = Start("abc");
  editor.OnValidate = [](TObject*, std::string&, bool& accept) { accept = false; };
  editor.SetModified(true);
  try {
    editor.ValidateEdit();
    FAIL();
  } catch (const EdxEditInvalidInput& e) {
    EXPECT_EQ(e.Message(), "Invalid input value. Use escape key to abandon changes");
  }
}

TEST_F(EditorTest, LosingTheFocusEndsTheEdit) {
  auto& editor = Start("abc");
  QTest::keyClicks(Window(editor), "new");
  Other->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return Other->Focused(); }));
  ASSERT_TRUE(Host->Stored.has_value());
  EXPECT_EQ(*Host->Stored, "new");
  EXPECT_FALSE(editor.Shown());
  EXPECT_TRUE(Other->Focused());
}

TEST_F(EditorTest, EnterIsNotTypedAndShiftTabReachesTheHostButAltTabDoesNot) {
  Host->Tabs = true;
  auto& editor = Start("abc");
  QTest::keyClick(Window(editor), Qt::Key_Tab, Qt::AltModifier);
  EXPECT_TRUE(Host->HostKeys.empty());
  EXPECT_TRUE(editor.Shown());
  QTest::keyClick(Window(editor), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Host->HostKeys, std::vector<TKey>{VK_TAB});
  EXPECT_EQ(editor.Text(), "abc");
}

TEST_F(EditorTest, ATypedCharacterHandedOverByTheHostIsTyped) {
  auto& editor = Start("abc");
  editor.PostChar('k');
  ASSERT_TRUE(WaitFor([&] { return editor.Text() == "k"; }));
  EXPECT_TRUE(editor.GetModified());
}

TEST_F(EditorTest, AClickSoonAfterTheStartingClickIsADoubleClickForAnImmediateEditor) {
  Host->Immediate = true;
  auto& editor = Start("abc");
  editor.SetClickTime(GetTickCount());
  QTest::mouseClick(Window(editor), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(Host->DblClicks, 1);
  // The click time is used once.
  QTest::mouseClick(Window(editor), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(Host->DblClicks, 1);
}

TEST(EditorHostTest, APlainHostAllowsNoCharacterAndEachRefusalBeeps) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* host = new TCustomdxContainer(&form);
  host->SetParent(&form);
  host->SetBounds(0, 0, 200, 100);
  ASSERT_TRUE(ShowActive(form));
  auto* editor = new TdxInplaceTextEdit(host);
  editor->SetParent(host);
  editor->SetEditValue(Variant("abc"));
  editor->ShowAt(Rect(10, 10, 100, 30));
  ASSERT_TRUE(WaitFor([&] { return editor->Focused(); }));
  int beeps = MessageBeepCount();
  QTest::keyClicks(ClientOf(*editor), "xy");
  EXPECT_EQ(editor->Text(), "abc");
  EXPECT_FALSE(editor->GetModified());
  EXPECT_EQ(MessageBeepCount(), beeps + 2);
}

TEST(EditorHostTest, ShowAtDoesNothingForAnEmptyRectOrAStandAloneEditor) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* host = new TCustomdxContainer(&form);
  auto* editor = new TdxInplaceTextEdit(host);
  editor->SetParent(host);
  editor->ShowAt(Rect(10, 10, 10, 30));
  EXPECT_FALSE(editor->Shown());
  auto* alone = new TStandAloneTextEdit(&form);
  alone->SetParent(&form);
  TRect before = alone->BoundsRect();
  alone->ShowAt(Rect(10, 10, 100, 30));
  EXPECT_EQ(alone->BoundsRect(), before);
  EXPECT_EQ(alone->Width(), 121);
  EXPECT_TRUE(alone->TabStop());
  EXPECT_FALSE(editor->TabStop());
}

// --- Keys that modify, while the host forbids modifying -----------------------------

struct TEditKeyCase {
  const char* Name;
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
};

class EditKeyTest : public EditorTest, public ::testing::WithParamInterface<TEditKeyCase> {};

TEST_P(EditKeyTest, DoesNothingWhileTheHostForbidsModifying) {
  TdxDefaultEditStyleControllerScope styles;
  Clipboard().SetAsText("PASTED");
  Host->AllowModify = false;
  auto& editor = Start("abc");
  editor.SetSelStart(1);
  QTest::keyClick(Window(editor), GetParam().Key, GetParam().Modifiers);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_FALSE(editor.GetModified());
  EXPECT_EQ(Clipboard().AsText(), "PASTED");
}

INSTANTIATE_TEST_SUITE_P(Keys, EditKeyTest,
                         ::testing::Values(TEditKeyCase{"Delete", Qt::Key_Delete, Qt::NoModifier},
                                           TEditKeyCase{"Backspace", Qt::Key_Backspace, Qt::NoModifier},
                                           TEditKeyCase{"Paste", Qt::Key_V, Qt::ControlModifier},
                                           TEditKeyCase{"Cut", Qt::Key_X, Qt::ControlModifier},
                                           TEditKeyCase{"ShiftInsert", Qt::Key_Insert, Qt::ShiftModifier},
                                           TEditKeyCase{"Letter", Qt::Key_A, Qt::NoModifier}),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Messages ----------------------------------------------------------------------------

// The clipboard messages pass the host's rights: cut, paste and clear only
// while the editor may modify; copy always.
struct TClipboardMessageCase {
  const char* Name;
  unsigned Msg;
  bool AllowModify;
  const char* Text;
  const char* Clipboard;
};
void PrintTo(const TClipboardMessageCase& c, std::ostream* os) { *os << c.Name; }

class ClipboardMessageTest : public EditorTest,
                             public ::testing::WithParamInterface<TClipboardMessageCase> {};

TEST_P(ClipboardMessageTest, FollowsTheHostsRights) {
  const TClipboardMessageCase& c = GetParam();
  Clipboard().SetAsText("PASTED");
  Host->AllowModify = c.AllowModify;
  auto& editor = Start("abc");
  ASSERT_EQ(editor.SelLength(), 3);
  editor.Perform(c.Msg);
  EXPECT_EQ(editor.Text(), c.Text);
  EXPECT_EQ(Clipboard().AsText(), c.Clipboard);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ClipboardMessageTest,
    ::testing::Values(TClipboardMessageCase{"CutAllowed", WM_CUT, true, "", "abc"},
                      TClipboardMessageCase{"CutForbidden", WM_CUT, false, "abc", "PASTED"},
                      TClipboardMessageCase{"PasteAllowed", WM_PASTE, true, "PASTED", "PASTED"},
                      TClipboardMessageCase{"PasteForbidden", WM_PASTE, false, "abc", "PASTED"},
                      TClipboardMessageCase{"ClearAllowed", WM_CLEAR, true, "", "PASTED"},
                      TClipboardMessageCase{"ClearForbidden", WM_CLEAR, false, "abc", "PASTED"},
                      TClipboardMessageCase{"CopyForbiddenToo", WM_COPY, false, "abc", "abc"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The pointer over an editor: what GetCursorAt answers, else the editor's
// own cursor.
struct TEditorCursorCase {
  const char* Name;
  bool TextWindow;
  TCursor Cursor;
  TCursor Shown;
  Qt::CursorShape Shape;
};
void PrintTo(const TEditorCursorCase& c, std::ostream* os) { *os << c.Name; }

class EditorCursorTest : public EditorTest, public ::testing::WithParamInterface<TEditorCursorCase> {};

TEST_P(EditorCursorTest, TheEditorAnswersWhichPointerShows) {
  const TEditorCursorCase& c = GetParam();
  TdxInplaceEdit& editor = c.TextWindow ? static_cast<TdxInplaceEdit&>(Start("abc"))
                                        : Host->StartEdit<TdxInplaceEdit>(Variant("abc"));
  editor.SetCursor(c.Cursor);
  // Moves delivered to the editor's window, as the other input tests do:
  // the system pointer is shared by every test and may lie anywhere.
  QWidget* client = ClientOf(editor);
  QWindow* window = client->window()->windowHandle();
  QTest::mouseMove(window, client->mapTo(client->window(), QPoint(2, 2)));
  QTest::mouseMove(window, client->mapTo(client->window(), QPoint(5, 5)));
  EXPECT_EQ(editor.WindowCursor(), c.Shown);
  EXPECT_EQ(ClientOf(editor)->cursor().shape(), c.Shape);
}

INSTANTIATE_TEST_SUITE_P(
    Editors, EditorCursorTest,
    ::testing::Values(TEditorCursorCase{"PaintedShowsTheArrow", false, crDefault, crArrow, Qt::ArrowCursor},
                      TEditorCursorCase{"PaintedShowsItsOwnCursor", false, crHandPoint, crHandPoint,
                                        Qt::PointingHandCursor},
                      TEditorCursorCase{"TextWindowKeepsItsIBeam", true, crDefault, crDefault, Qt::IBeamCursor},
                      TEditorCursorCase{"TextWindowShowsItsOwnCursor", true, crCross, crCross, Qt::CrossCursor}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditorTest, AWheelTurnInTheEditorEndsTheHostsMouseModeAndScrollsIt) {
  auto& editor = Start("abc");
  TMessageSpy spy(*Host, {CM_CANCELMODE, WM_VSCROLL});
  QPoint local(5, 5);
  QWheelEvent wheel(local, ClientOf(editor)->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(ClientOf(editor), &wheel);
  ASSERT_EQ(spy.Log.size(), 1u + static_cast<std::size_t>(GetWheelScrollLines()));
  EXPECT_EQ(spy.Log[0].Msg, CM_CANCELMODE);
  EXPECT_EQ(ControlOf(static_cast<std::uintptr_t>(spy.Log[0].LParam)), &editor) << "the editor names itself";
  for (std::size_t i = 1; i < spy.Log.size(); ++i) {
    EXPECT_EQ(spy.Log[i].Msg, WM_VSCROLL);
    EXPECT_EQ(ScrollCodeOf(spy.Log[i].WParam), SB_LINEDOWN);
  }
}

}  // namespace
