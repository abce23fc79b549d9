// The one message path per control, with real widgets: Qt input as
// messages through WndProc, hooks, posted messages, cancel mode and
// capture, the form's dialog keys, context menus and the cursor.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/framework_gui/message_log.h"

namespace {

using Ids = std::vector<unsigned>;

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

  TMessageLogControl* NewLog(std::set<unsigned> kept = {}, int left = 10) {
    auto* log = new TMessageLogControl(Form.get());
    log->SetParent(Form.get());
    log->SetBounds(left, 10, 100, 80);
    log->Kept = std::move(kept);
    return log;
  }
  TButton* NewButton(int left, std::function<void()> click) {
    auto* button = new TButton(Form.get());
    button->SetParent(Form.get());
    button->SetBounds(left, 150, 75, 25);
    button->OnClick = [click](TObject*) { click(); };
    return button;
  }
  // Shows the form with control focused.
  bool ShowFocused(TWinControl& control) {
    if (!ShowActive(*Form)) return false;
    control.SetFocus();
    return WaitFor([&] { return control.Focused(); });
  }
  // From now on the application's exception reports go to Reported.
  void CatchReports() {
    Application->OnException = [this](TObject*, const Exception& e) { Reported.push_back(e.Message()); };
  }

  std::unique_ptr<TForm> Form;
  std::vector<std::string> Reported;
};

TEST_F(MessagePathTest, MouseAndKeysReachWndProcAsMessagesInOrderAltKeysAsSystemKeys) {
  const Ids expected = {WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP};
  auto* log = NewLog({expected.begin(), expected.end()});
  ASSERT_TRUE(ShowFocused(*log));
  QWidget* client = ClientOf(*log);
  QTest::mouseMove(client, QPoint(1, 1));  // Qt reports no move to where the pointer already is
  log->Log.clear();
  QTest::mouseMove(client, QPoint(7, 9));
  QTest::mouseClick(client, Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
  QTest::keyClick(client, Qt::Key_A);
  ASSERT_EQ(IdsOf(log->Log), expected);
  EXPECT_EQ(ControlOf(log->Log[0].WParam), log) << "WM_SETCURSOR names the control under the pointer";
  EXPECT_EQ(LoWord(static_cast<std::uintptr_t>(log->Log[0].LParam)), static_cast<unsigned>(HTCLIENT));
  EXPECT_EQ(PointOf(log->Log[2].LParam), Point(7, 9));
  EXPECT_EQ(log->Log[2].WParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(log->Log[3].WParam, MK_SHIFT) << "the released button is no longer held";
  EXPECT_EQ(log->Log[4].WParam, WPARAM('A'));
  EXPECT_EQ(log->Log[5].WParam, WPARAM('a'));
  EXPECT_EQ(GetMessagePos(), log->ClientToScreen(Point(7, 9)));

  log->Kept = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP};
  log->Log.clear();
  QTest::keyClick(client, Qt::Key_Down, Qt::AltModifier);
  ASSERT_EQ(IdsOf(log->Log), (Ids{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP}));
  EXPECT_EQ(log->Log[0].WParam, VK_MENU) << "Alt itself goes down first";
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
    if (!Take || !Take(message)) TEdit::WndProc(message);
  }
};

TEST_F(MessagePathTest, AMessageTakenInWndProcNeverReachesTheQtWidget) {
  auto* edit = new TFilteringEdit(Form.get());
  edit->SetParent(Form.get());
  edit->Take = [](TMessage& m) {
    return (m.Msg == WM_CHAR && m.WParam == 'x') || (m.Msg == WM_KEYDOWN && m.WParam == VK_DELETE);
  };
  ASSERT_TRUE(ShowFocused(*edit));
  QTest::keyClicks(WindowOf(*edit), "axb");
  EXPECT_EQ(edit->Text(), "ab");
  edit->SetSelStart(0);
  QTest::keyClick(WindowOf(*edit), Qt::Key_Delete);
  EXPECT_EQ(edit->Text(), "ab");
  edit->SetSelStart(2);
  edit->Perform(WM_CHAR, 'c');
  EXPECT_EQ(edit->Text(), "abc") << "sent, not typed: the default handling types it";
}

TEST_F(MessagePathTest, AHookSeesMessagesFirstAndPassesOnWhatItDoesNotTake) {
  auto* log = NewLog({WM_USER});
  std::vector<WPARAM> hooked;
  TWindowProcHook hook([&](TMessage& m) {
    if (m.Msg == WM_USER) hooked.push_back(m.WParam);
    if (m.Msg == WM_USER && m.WParam == 1)
      m.Result = 42;
    else
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

class HookOrderTest : public MessagePathTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HookOrderTest, StackedHooksComeOffInAnyOrder) {
  auto* log = NewLog({WM_USER});
  std::string order;
  TWindowProcHook first([&](TMessage& m) { order += "1", first.CallPrevious(m); });
  TWindowProcHook second([&](TMessage& m) { order += "2", second.CallPrevious(m); });
  first.Hook(*log);
  second.Hook(*log);
  auto sent = [&] { order.clear(), log->Perform(WM_USER); return order; };
  EXPECT_EQ(sent(), "21") << "the latest hook sees a message first";
  const bool firstOffFirst = GetParam();
  (firstOffFirst ? first : second).Unhook();
  EXPECT_EQ(sent(), firstOffFirst ? "2" : "1");
  (firstOffFirst ? second : first).Unhook();
  EXPECT_EQ(sent(), "");
  EXPECT_EQ(log->Log.size(), 3u) << "every message still reached the control";
}

INSTANTIATE_TEST_SUITE_P(Removal, HookOrderTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FirstOffFirst" : "SecondOffFirst"; });

// Keeps another control's window procedure hooked while it lives, as a
// drop-down does with its editor.
class THookingControl : public TMessageLogControl {
 public:
  THookingControl(TComponent* owner, TControl& target)
      : TMessageLogControl(owner), FHook([this](TMessage& m) { ++Seen, FHook.CallPrevious(m); }) {
    FHook.Hook(target);
  }
  int Seen = 0;
  TControl* Hooked() const { return FHook.Target(); }

 private:
  TWindowProcHook FHook;
};

TEST_F(MessagePathTest, AHookComesOffWhenEitherControlIsFreed) {
  auto* target = NewLog({WM_USER});
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

TEST_F(MessagePathTest, PostedMessagesArriveLaterInOrderThroughTheHooks) {
  auto* log = NewLog({WM_USER + 1, WM_USER + 2});
  TMessageSpy spy(*log, {WM_USER + 1, WM_USER + 2});
  PostMessage(*log, WM_USER + 1, 10, 20);
  PostMessage(*log, WM_USER + 2);
  EXPECT_TRUE(log->Log.empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(IdsOf(log->Log), (Ids{WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(log->Log[0].WParam, 10u);
  EXPECT_EQ(log->Log[0].LParam, 20);
  EXPECT_EQ(spy.Log.size(), 2u);
}

TEST_F(MessagePathTest, AMessagePostedToAControlFreedBeforeItArrivesIsDropped) {
  int delivered = 0;
  auto* log = NewLog();
  auto* other = NewLog();
  log->React = other->React = [&](TMessage& m) { return m.Msg == WM_USER && ++delivered; };
  PostMessage(*log, WM_USER);
  PostMessage(*other, WM_USER);
  log->Free();
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 1) << "only the living control's message arrives";
}

TEST_F(MessagePathTest, AnExceptionFromAPostedMessageGoesToTheApplication) {
  auto* log = NewLog();
  log->React = [](TMessage& m) { return m.Msg == WM_USER ? throw EInvalidOperation("posted failed") : false; };
  CatchReports();
  PostMessage(*log, WM_USER);
  QCoreApplication::processEvents();
  EXPECT_EQ(Reported, std::vector<std::string>{"posted failed"});
  EXPECT_THROW(log->Perform(WM_USER), EInvalidOperation) << "a sent message raises to its sender";
}

TEST_F(MessagePathTest, APressTellsTheActiveControlWhoWasPressed) {
  auto* active = NewLog({CM_CANCELMODE});
  auto* other = NewLog({CM_CANCELMODE}, 150);
  ASSERT_TRUE(ShowFocused(*active));
  QTest::mouseClick(ClientOf(*other), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(active->Log.size(), 1u);
  EXPECT_EQ(LParamControl(active->Log[0]), other);
  EXPECT_TRUE(other->Log.empty());
  ASSERT_TRUE(other->Focused()) << "the press took the focus: now the other one hears, of itself";
  QTest::mouseClick(ClientOf(*other), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(other->Log.size(), 1u);
  EXPECT_EQ(LParamControl(other->Log[0]), other);
}

TEST_F(MessagePathTest, TheControlLosingTheCaptureHearsWhoTookIt) {
  auto* a = NewLog({WM_CAPTURECHANGED});
  auto* b = NewLog({WM_CAPTURECHANGED}, 150);
  a->SetMouseCapture(true);
  EXPECT_TRUE(a->Log.empty());
  b->SetMouseCapture(true);
  ASSERT_EQ(a->Log.size(), 1u);
  EXPECT_EQ(LParamControl(a->Log[0]), b);
  b->SetMouseCapture(false);
  ASSERT_EQ(b->Log.size(), 1u);
  EXPECT_EQ(b->Log[0].LParam, 0);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(MessagePathTest, AMessageBoxEndsTheMouseModeOfTheCaptureHolder) {
  auto* a = NewLog({WM_CANCELMODE, WM_CAPTURECHANGED});
  a->SetMouseCapture(true);
  MessageDlg("Stop", mtWarning, {mbOK});
  EXPECT_EQ(IdsOf(a->Log), (Ids{WM_CANCELMODE, WM_CAPTURECHANGED}));
  EXPECT_FALSE(a->MouseCapture()) << "the default handling of WM_CANCELMODE lets the capture go";
}

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
  auto* log = NewLog({WM_KEYDOWN});
  log->DlgCode = c.DlgCode;
  log->React = [&](TMessage& m) {
    const bool claim = m.Msg == CM_WANTSPECIALKEY && c.ClaimEscape && m.WParam == VK_ESCAPE;
    if (claim) m.Result = 1;
    return claim;
  };
  std::string clicked;
  NewButton(10, [&] { clicked += "ok"; })->SetDefault(true);
  TButton* cancel = NewButton(100, [&] { clicked += "cancel"; });
  cancel->SetCancel(true);
  TWinControl* focus = c.FocusCancelButton ? static_cast<TWinControl*>(cancel) : log;
  ASSERT_TRUE(ShowFocused(*focus));
  QTest::keyClick(ClientOf(*focus), c.Key);
  EXPECT_EQ(clicked, c.Clicked);
  EXPECT_EQ(!log->Log.empty(), c.ControlGetsKey);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeyTest,
    ::testing::Values(
        DialogKeyCase{"EnterClicksTheDefault", 0, false, false, Qt::Key_Return, "ok", false},
        DialogKeyCase{"EscapeClicksTheCancel", 0, false, false, Qt::Key_Escape, "cancel", false},
        DialogKeyCase{"AControlWantingAllKeysKeepsEscape", DLGC_WANTALLKEYS, false, false, Qt::Key_Escape, "", true},
        DialogKeyCase{"AControlClaimingEscapeKeepsIt", 0, true, false, Qt::Key_Escape, "", true},
        DialogKeyCase{"AClaimOfEscapeLeavesEnterToTheForm", 0, true, false, Qt::Key_Return, "ok", false},
        DialogKeyCase{"EnterClicksTheFocusedButton", 0, false, true, Qt::Key_Return, "cancel", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MessagePathTest, AButtonFailingOnItsDialogKeyEndsTheKeyWithOneReport) {
  auto* log = NewLog({WM_KEYDOWN, WM_CHAR});
  NewButton(10, [] { throw EInvalidOperation("ok failed"); })->SetDefault(true);
  CatchReports();
  ASSERT_TRUE(ShowFocused(*log));
  QTest::keyClick(ClientOf(*log), Qt::Key_Return);
  EXPECT_EQ(Reported, std::vector<std::string>{"ok failed"});
  EXPECT_TRUE(log->Log.empty()) << "the key went no further than the failing button";
}

TEST_F(MessagePathTest, TheRightButtonsReleaseAndTheMenuKeyAskForTheContextMenu) {
  auto* log = NewLog();
  auto* menu = new TRecordingPopupMenu(Form.get());
  log->SetPopupMenu(menu);
  ASSERT_TRUE(ShowFocused(*log));
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
  QContextMenuEvent qtRequest(QContextMenuEvent::Mouse, QPoint(20, 30), client->mapToGlobal(QPoint(20, 30)));
  QApplication::sendEvent(client, &qtRequest);
  EXPECT_EQ(menu->Shown.size(), 2u) << "Qt's own request would be a second menu for the same click";
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

TEST_F(MessagePathTest, APointerMoveShowsTheControlsCursorUnlessAHandlerSetsOne) {
  auto* log = NewLog();
  log->SetCursor(crHandPoint);
  ASSERT_TRUE(ShowActive(*Form));
  QTest::mouseMove(ClientOf(*log), QPoint(1, 1));  // Qt reports no move to where the pointer already is
  QTest::mouseMove(ClientOf(*log), QPoint(5, 5));
  EXPECT_EQ(log->WindowCursor(), crHandPoint);
  EXPECT_EQ(ClientOf(*log)->cursor().shape(), Qt::PointingHandCursor);

  // Answered: the control's own cursor does not come back.
  TWindowProcHook hook([&](TMessage& m) { m.Msg == WM_SETCURSOR ? void(m.Result = 1) : hook.CallPrevious(m); });
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
