// The one message path per control: Qt input as messages through WndProc,
// the default handling that lets a Qt event go on to its widget, hooks in
// front of a window procedure, posted messages, cancel mode and capture,
// the form's dialog keys, context menus and the cursor, all with real
// widgets.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application.h"
#include "framework/gui/dialogs.h"
#include "framework/gui/forms.h"
#include "framework/gui/menus.h"
#include "framework/gui/screen.h"
#include "framework/gui/std_controls.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/framework_gui/message_log.h"

namespace {

class MessagePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 300, 200);
  }
  void TearDown() override {
    Application->OnException = nullptr;
    if (TWinControl* c = GetCaptureControl()) c->SetMouseCapture(false);
  }

  TMessageLogControl* NewLog(int left = 10, int top = 10) {
    auto* log = new TMessageLogControl(Form.get());
    log->SetParent(Form.get());
    log->SetBounds(left, top, 100, 80);
    return log;
  }

  std::unique_ptr<TForm> Form;
};

// --- Input as messages ---------------------------------------------------------------------

TEST_F(MessagePathTest, MouseAndKeysReachWndProcAsMessagesInOrder) {
  auto* log = NewLog();
  log->Kept = {WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP};
  ASSERT_TRUE(ShowActive(*Form));
  log->SetFocus();
  QWidget* client = ClientOf(*log);
  // Qt reports no move to where the pointer already is.
  QTest::mouseMove(client, QPoint(1, 1));
  log->Log.clear();
  QTest::mouseMove(client, QPoint(7, 9));
  QTest::mouseClick(client, Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
  QTest::keyClick(client, Qt::Key_A);

  std::vector<unsigned> expected = {WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                    WM_KEYDOWN,   WM_CHAR,      WM_KEYUP};
  ASSERT_EQ(IdsOf(log->Log), expected);
  EXPECT_EQ(ControlOf(log->Log[0].WParam), log) << "WM_SETCURSOR names the control under the pointer";
  EXPECT_EQ(LoWord(static_cast<std::uintptr_t>(log->Log[0].LParam)), static_cast<unsigned>(HTCLIENT));
  EXPECT_EQ(PointOf(log->Log[2].LParam), Point(7, 9));
  EXPECT_EQ(log->Log[2].WParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(log->Log[3].WParam, MK_SHIFT) << "the released button is no longer held";
  EXPECT_EQ(log->Log[4].WParam, WPARAM('A'));
  EXPECT_EQ(log->Log[5].WParam, WPARAM('a'));
  EXPECT_EQ(GetMessagePos(), log->ClientToScreen(Point(7, 9)));
}

TEST_F(MessagePathTest, AltKeysAreSystemKeys) {
  auto* log = NewLog();
  log->Kept = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP};
  ASSERT_TRUE(ShowActive(*Form));
  log->SetFocus();
  QTest::keyClick(ClientOf(*log), Qt::Key_Down, Qt::AltModifier);
  // Alt itself goes down first, as a system key.
  ASSERT_EQ(IdsOf(log->Log), (std::vector<unsigned>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP}));
  EXPECT_EQ(log->Log[0].WParam, VK_MENU);
  EXPECT_EQ(log->Log[1].WParam, VK_DOWN);
  EXPECT_TRUE(KeyDataToShiftState(log->Log[1].LParam).Contains(ssAlt));
}

// A standard control whose WndProc takes some messages itself.
class TFilteringEdit : public TEdit {
 public:
  using TEdit::TEdit;
  std::function<bool(TMessage&)> Take;

 protected:
  void WndProc(TMessage& message) override {
    if (Take && Take(message)) return;
    TEdit::WndProc(message);
  }
};

TEST_F(MessagePathTest, AMessageTakenInWndProcNeverReachesTheQtWidget) {
  auto* edit = new TFilteringEdit(Form.get());
  edit->SetParent(Form.get());
  edit->Take = [](TMessage& m) {
    return (m.Msg == WM_CHAR && m.WParam == 'x') || (m.Msg == WM_KEYDOWN && m.WParam == VK_DELETE);
  };
  ASSERT_TRUE(ShowActive(*Form));
  edit->SetFocus();
  QTest::keyClicks(WindowOf(*edit), "axb");
  EXPECT_EQ(edit->Text(), "ab");
  edit->SetSelStart(0);
  QTest::keyClick(WindowOf(*edit), Qt::Key_Delete);
  EXPECT_EQ(edit->Text(), "ab");
  // Sent, not typed: the default handling types it.
  edit->SetSelStart(2);
  edit->Perform(WM_CHAR, 'c');
  EXPECT_EQ(edit->Text(), "abc");
}

// --- Hooks ---------------------------------------------------------------------------------

TEST_F(MessagePathTest, AHookSeesMessagesFirstAndPassesOnWhatItDoesNotTake) {
  auto* log = NewLog();
  log->Kept = {WM_USER};
  std::vector<WPARAM> hooked;
  TWindowProcHook hook([&](TMessage& m) {
    if (m.Msg != WM_USER) return hook.CallPrevious(m);
    hooked.push_back(m.WParam);
    if (m.WParam == 1) {
      m.Result = 42;
      return;  // taken
    }
    hook.CallPrevious(m);
  });
  hook.Hook(*log);
  EXPECT_EQ(log->Perform(WM_USER, 1), 42);
  log->Perform(WM_USER, 2);
  EXPECT_EQ(hooked, (std::vector<WPARAM>{1, 2}));
  ASSERT_EQ(log->Log.size(), 1u);
  EXPECT_EQ(log->Log[0].WParam, 2u);

  hook.Unhook();
  EXPECT_EQ(hook.Target(), nullptr);
  EXPECT_EQ(log->Perform(WM_USER, 1), 0);
  EXPECT_EQ(hooked.size(), 2u);
  EXPECT_EQ(log->Log.size(), 2u);
}

// Two hooks on one control; either may come off first.
class HookOrderTest : public MessagePathTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HookOrderTest, StackedHooksComeOffInAnyOrder) {
  auto* log = NewLog();
  log->Kept = {WM_USER};
  std::string order;
  TWindowProcHook first([&](TMessage& m) {
    order += "1";
    first.CallPrevious(m);
  });
  TWindowProcHook second([&](TMessage& m) {
    order += "2";
    second.CallPrevious(m);
  });
  first.Hook(*log);
  second.Hook(*log);
  log->Perform(WM_USER);
  EXPECT_EQ(order, "21") << "the latest hook sees a message first";

  bool firstOffFirst = GetParam();
  (firstOffFirst ? first : second).Unhook();
  order.clear();
  log->Perform(WM_USER);
  EXPECT_EQ(order, firstOffFirst ? "2" : "1");
  (firstOffFirst ? second : first).Unhook();
  order.clear();
  log->Perform(WM_USER);
  EXPECT_EQ(order, "");
  EXPECT_EQ(log->Log.size(), 3u) << "every message still reached the control";
}

INSTANTIATE_TEST_SUITE_P(Removal, HookOrderTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FirstOffFirst" : "SecondOffFirst"; });

// A control that keeps another control's window procedure hooked while it
// lives, as a drop-down does with its editor.
class THookingControl : public TMessageLogControl {
 public:
  THookingControl(TComponent* owner, TControl& target)
      : TMessageLogControl(owner), FHook([this](TMessage& m) {
          ++Seen;
          FHook.CallPrevious(m);
        }) {
    FHook.Hook(target);
  }
  int Seen = 0;
  TControl* Hooked() const { return FHook.Target(); }

 private:
  TWindowProcHook FHook;
};

TEST_F(MessagePathTest, AHookComesOffWhenEitherControlIsFreed) {
  auto* target = NewLog();
  target->Kept = {WM_USER};
  auto* hooking = new THookingControl(Form.get(), *target);
  target->Perform(WM_USER);
  EXPECT_EQ(hooking->Seen, 1);
  hooking->Free();
  target->Perform(WM_USER);
  EXPECT_EQ(target->Log.size(), 2u) << "the target works on without the freed hook";

  auto* other = NewLog();
  auto* survivor = new THookingControl(Form.get(), *other);
  other->Free();
  EXPECT_EQ(survivor->Hooked(), nullptr);
  survivor->Free();  // letting go of a freed target touches nothing
}

// --- Posted messages -------------------------------------------------------------------------

TEST_F(MessagePathTest, PostedMessagesArriveLaterInOrderThroughTheHooks) {
  auto* log = NewLog();
  log->Kept = {WM_USER + 1, WM_USER + 2};
  TMessageSpy spy(*log, {WM_USER + 1, WM_USER + 2});
  PostMessage(*log, WM_USER + 1, 10, 20);
  PostMessage(*log, WM_USER + 2);
  EXPECT_TRUE(log->Log.empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(IdsOf(log->Log), (std::vector<unsigned>{WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(log->Log[0].WParam, 10u);
  EXPECT_EQ(log->Log[0].LParam, 20);
  EXPECT_EQ(spy.Log.size(), 2u);
}

TEST_F(MessagePathTest, AMessagePostedToAControlFreedBeforeItArrivesIsDropped) {
  auto* log = NewLog();
  int delivered = 0;
  log->React = [&](TMessage& m) { return m.Msg == WM_USER && ++delivered; };
  PostMessage(*log, WM_USER);
  auto* other = NewLog();
  other->React = [&](TMessage& m) { return m.Msg == WM_USER && ++delivered; };
  PostMessage(*other, WM_USER);
  log->Free();
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 1) << "only the living control's message arrives";
}

TEST_F(MessagePathTest, AnExceptionFromAPostedMessageGoesToTheApplication) {
  auto* log = NewLog();
  log->React = [](TMessage& m) {
    if (m.Msg == WM_USER) throw EInvalidOperation("posted failed");
    return false;
  };
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  PostMessage(*log, WM_USER);
  QCoreApplication::processEvents();
  EXPECT_EQ(reported, std::vector<std::string>{"posted failed"});
  EXPECT_THROW(log->Perform(WM_USER), EInvalidOperation) << "a sent message raises to its sender";
}

// --- Cancel mode and capture ---------------------------------------------------------------

TEST_F(MessagePathTest, APressTellsTheActiveControlWhoWasPressed) {
  auto* active = NewLog(10, 10);
  auto* other = NewLog(150, 10);
  active->Kept = other->Kept = {CM_CANCELMODE};
  ASSERT_TRUE(ShowActive(*Form));
  active->SetFocus();
  QTest::mouseClick(ClientOf(*other), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(active->Log.size(), 1u);
  EXPECT_EQ(ControlOf(static_cast<std::uintptr_t>(active->Log[0].LParam)), other);
  EXPECT_TRUE(other->Log.empty());
  // The press took the focus: now the other one hears, of itself.
  ASSERT_TRUE(other->Focused());
  QTest::mouseClick(ClientOf(*other), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(other->Log.size(), 1u);
  EXPECT_EQ(ControlOf(static_cast<std::uintptr_t>(other->Log[0].LParam)), other);
}

TEST_F(MessagePathTest, TheControlLosingTheCaptureHearsWhoTookIt) {
  auto* a = NewLog(10, 10);
  auto* b = NewLog(150, 10);
  a->Kept = b->Kept = {WM_CAPTURECHANGED};
  a->SetMouseCapture(true);
  EXPECT_TRUE(a->Log.empty());
  b->SetMouseCapture(true);
  ASSERT_EQ(a->Log.size(), 1u);
  EXPECT_EQ(ControlOf(static_cast<std::uintptr_t>(a->Log[0].LParam)), b);
  b->SetMouseCapture(false);
  ASSERT_EQ(b->Log.size(), 1u);
  EXPECT_EQ(b->Log[0].LParam, 0);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(MessagePathTest, AMessageBoxEndsTheMouseModeOfTheCaptureHolder) {
  auto* a = NewLog();
  a->Kept = {WM_CANCELMODE, WM_CAPTURECHANGED};
  a->SetMouseCapture(true);
  MessageDlg("Stop", mtWarning, {mbOK});
  EXPECT_EQ(IdsOf(a->Log), (std::vector<unsigned>{WM_CANCELMODE, WM_CAPTURECHANGED}));
  EXPECT_FALSE(a->MouseCapture()) << "the default handling of WM_CANCELMODE lets the capture go";
}

// --- Dialog keys ------------------------------------------------------------------------------

struct DialogKeyCase {
  const char* Name;
  unsigned DlgCode;
  bool ClaimEscape;
  bool FocusCancelButton;
  Qt::Key Key;
  const char* Clicked;  // "ok", "cancel" or ""
  bool ControlGetsKey;
};
void PrintTo(const DialogKeyCase& c, std::ostream* os) { *os << c.Name; }

class DialogKeyTest : public MessagePathTest, public ::testing::WithParamInterface<DialogKeyCase> {};

TEST_P(DialogKeyTest, EnterAndEscapeGoToTheFormsButtonsUnlessTheControlKeepsThem) {
  const DialogKeyCase& c = GetParam();
  auto* log = NewLog();
  log->Kept = {WM_KEYDOWN};
  log->DlgCode = c.DlgCode;
  log->React = [&](TMessage& m) {
    if (m.Msg != CM_WANTSPECIALKEY || !c.ClaimEscape || m.WParam != VK_ESCAPE) return false;
    m.Result = 1;
    return true;
  };
  std::string clicked;
  auto* ok = new TButton(Form.get());
  ok->SetParent(Form.get());
  ok->SetBounds(10, 150, 75, 25);
  ok->SetDefault(true);
  ok->OnClick = [&](TObject*) { clicked += "ok"; };
  auto* cancel = new TButton(Form.get());
  cancel->SetParent(Form.get());
  cancel->SetBounds(100, 150, 75, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [&](TObject*) { clicked += "cancel"; };
  ASSERT_TRUE(ShowActive(*Form));
  TWinControl* focus = c.FocusCancelButton ? static_cast<TWinControl*>(cancel) : log;
  focus->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return focus->Focused(); }));

  QTest::keyClick(ClientOf(*focus), c.Key);
  EXPECT_EQ(clicked, c.Clicked);
  EXPECT_EQ(!log->Log.empty(), c.ControlGetsKey);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeyTest,
    ::testing::Values(
        DialogKeyCase{"EnterClicksTheDefault", 0, false, false, Qt::Key_Return, "ok", false},
        DialogKeyCase{"EscapeClicksTheCancel", 0, false, false, Qt::Key_Escape, "cancel", false},
        DialogKeyCase{"AControlWantingAllKeysKeepsEscape", DLGC_WANTALLKEYS, false, false, Qt::Key_Escape, "",
                      true},
        DialogKeyCase{"AControlClaimingEscapeKeepsIt", 0, true, false, Qt::Key_Escape, "", true},
        DialogKeyCase{"AClaimOfEscapeLeavesEnterToTheForm", 0, true, false, Qt::Key_Return, "ok", false},
        DialogKeyCase{"EnterClicksTheFocusedButton", 0, false, true, Qt::Key_Return, "cancel", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MessagePathTest, AButtonFailingOnItsDialogKeyEndsTheKeyWithOneReport) {
  auto* log = NewLog();
  log->Kept = {WM_KEYDOWN, WM_CHAR};
  auto* ok = new TButton(Form.get());
  ok->SetParent(Form.get());
  ok->SetBounds(10, 150, 75, 25);
  ok->SetDefault(true);
  ok->OnClick = [](TObject*) { throw EInvalidOperation("ok failed"); };
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  ASSERT_TRUE(ShowActive(*Form));
  log->SetFocus();
  QTest::keyClick(ClientOf(*log), Qt::Key_Return);
  EXPECT_EQ(reported, std::vector<std::string>{"ok failed"});
  EXPECT_TRUE(log->Log.empty()) << "the key went no further than the failing button";
}

// --- Context menus -----------------------------------------------------------------------------

// Records where it would open instead of opening.
class TRecordingPopupMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  std::vector<TPoint> Shown;
  void Popup(int x, int y) override { Shown.push_back(Point(x, y)); }
};

TEST_F(MessagePathTest, TheRightButtonsReleaseAndTheMenuKeyAskForTheContextMenu) {
  auto* log = NewLog();
  auto* menu = new TRecordingPopupMenu(Form.get());
  log->SetPopupMenu(menu);
  ASSERT_TRUE(ShowActive(*Form));
  log->SetFocus();
  QWidget* client = ClientOf(*log);

  QTest::mousePress(client, Qt::RightButton, Qt::NoModifier, QPoint(20, 30));
  EXPECT_TRUE(menu->Shown.empty()) << "not on the press";
  QTest::mouseRelease(client, Qt::RightButton, Qt::NoModifier, QPoint(20, 30));
  ASSERT_EQ(menu->Shown.size(), 1u);
  EXPECT_EQ(menu->Shown[0], log->ClientToScreen(Point(20, 30)));
  EXPECT_EQ(menu->PopupComponent(), log);

  QTest::keyClick(client, Qt::Key_Menu);
  ASSERT_EQ(menu->Shown.size(), 2u);
  EXPECT_EQ(menu->Shown[1], log->ClientToScreen(Point(0, 0))) << "a request from the keys has no point";

  // Qt's own request would be a second menu for the same click.
  QContextMenuEvent qtRequest(QContextMenuEvent::Mouse, QPoint(20, 30), client->mapToGlobal(QPoint(20, 30)));
  QApplication::sendEvent(client, &qtRequest);
  EXPECT_EQ(menu->Shown.size(), 2u);
}

TEST_F(MessagePathTest, AControlWithoutAMenuUsesItsParentsForItself) {
  auto* log = NewLog();
  auto* menu = new TRecordingPopupMenu(Form.get());
  Form->SetPopupMenu(menu);
  EXPECT_EQ(log->Perform(WM_CONTEXTMENU, ControlParam(log), PointParam(-1, -1)), 1);
  ASSERT_EQ(menu->Shown.size(), 1u);
  EXPECT_EQ(menu->PopupComponent(), log);
  menu->SetAutoPopup(false);
  EXPECT_EQ(log->Perform(WM_CONTEXTMENU, ControlParam(log), PointParam(-1, -1)), 0);
  EXPECT_EQ(menu->Shown.size(), 1u);
}

// --- Cursor -------------------------------------------------------------------------------

TEST_F(MessagePathTest, APointerMoveShowsTheControlsCursorUnlessAHandlerSetsOne) {
  auto* log = NewLog();
  log->SetCursor(crHandPoint);
  ASSERT_TRUE(ShowActive(*Form));
  // Two moves: Qt reports no move to where the pointer already is.
  QTest::mouseMove(ClientOf(*log), QPoint(1, 1));
  QTest::mouseMove(ClientOf(*log), QPoint(5, 5));
  EXPECT_EQ(log->WindowCursor(), crHandPoint);
  EXPECT_EQ(ClientOf(*log)->cursor().shape(), Qt::PointingHandCursor);

  TWindowProcHook hook([&](TMessage& m) {
    if (m.Msg == WM_SETCURSOR) {
      m.Result = 1;  // answered: the control's own cursor does not come back
      return;
    }
    hook.CallPrevious(m);
  });
  hook.Hook(*log);
  log->SetCursor(crCross);
  QTest::mouseMove(ClientOf(*log), QPoint(6, 6));
  EXPECT_EQ(log->WindowCursor(), crCross) << "set by the property";
}

TEST_F(MessagePathTest, AStandardControlKeepsItsOwnCursorForTheDefault) {
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  EXPECT_EQ(ClientOf(*edit)->cursor().shape(), Qt::IBeamCursor);
  edit->SetCursor(crHandPoint);
  edit->SetCursor(crDefault);
  EXPECT_EQ(ClientOf(*edit)->cursor().shape(), Qt::IBeamCursor);
}

}  // namespace
