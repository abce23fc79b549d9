// The mouse capture across windows, what ends mouse modes (another holder,
// the application or a form going to the background), the frame's mouse
// messages, and pop-up windows. Input comes at the window level, as the
// window system delivers it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <memory>
#include <string>
#include <vector>

#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/controls/modal_loop.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/message_log.h"
#include "tests/framework_gui/window_input.h"

namespace {

using Ids = std::vector<unsigned>;

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 320, 200);
  }
  void TearDown() override { ReleaseCapture(); }

  TMessageLogControl* NewLog(TWinControl* parent, int left, std::set<unsigned> kept) {
    auto* log = new TMessageLogControl(Form.get());
    log->SetParent(parent);
    log->SetBounds(left, 10, 100, 80);
    log->Kept = std::move(kept);
    return log;
  }

  std::unique_ptr<TForm> Form;
};

const std::set<unsigned> MouseIds = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};

TPoint Shifted(TPoint p, int d) { return Point(p.X + d, p.Y + d); }

TEST_F(CaptureTest, TheHolderHearsTheMouseOfEveryWindowInItsClientCoordinates) {
  auto* a = NewLog(Form.get(), 10, MouseIds);
  auto* b = NewLog(Form.get(), 160, MouseIds);
  auto* popup = NewLog(nullptr, 0, MouseIds);
  popup->SetPopupWindow(true);
  popup->SetBounds(500, 500, 60, 60);
  TForm other(nullptr);
  other.SetBounds(500, 100, 120, 100);
  ASSERT_TRUE(ShowActive(*Form));
  other.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(WindowOf(*popup)));

  SetCapture(*a);
  EXPECT_EQ(GetCapture(), a);
  struct Where {
    const char* Name;
    TWinControl* Control;
    TPoint Client;
  };
  for (Where w : {Where{"another control", b, Point(5, 6)}, Where{"a pop-up", popup, Point(7, 8)},
                  Where{"another form", &other, Point(9, 10)}}) {
    a->Log.clear();
    MousePressAt(*w.Control, w.Client);
    MouseMoveTo(*w.Control, Shifted(w.Client, 1));
    MouseReleaseAt(*w.Control, Shifted(w.Client, 1));
    SetCapture(*a);  // the release let it go
    TPoint expected = a->ScreenToClient(w.Control->ClientToScreen(w.Client));
    std::vector<TLoggedMessage> presses = MessagesOf(a->Log, WM_LBUTTONDOWN);
    ASSERT_EQ(presses.size(), 1u) << w.Name;
    EXPECT_EQ(PointOf(presses[0].LParam), expected) << w.Name;
    ASSERT_EQ(MessagesOf(a->Log, WM_LBUTTONUP).size(), 1u) << w.Name;
    EXPECT_EQ(PointOf(MessagesOf(a->Log, WM_LBUTTONUP)[0].LParam), Shifted(expected, 1)) << w.Name;
  }
  EXPECT_TRUE(b->Log.empty());
  EXPECT_TRUE(popup->Log.empty());
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CaptureTest, TheApplicationGoingToTheBackgroundEndsMouseModes) {
  auto* holder = NewLog(Form.get(), 10, {WM_CANCELMODE, WM_CAPTURECHANGED});
  auto* focused = NewLog(Form.get(), 160, {WM_CANCELMODE});
  ASSERT_TRUE(ShowActive(*Form));
  focused->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return focused->Focused(); }));
  SetCapture(*holder);
  QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
  QCoreApplication::sendEvent(qApp, &inactive);
  EXPECT_EQ(IdsOf(holder->Log), (Ids{WM_CANCELMODE, WM_CAPTURECHANGED}));
  EXPECT_EQ(IdsOf(focused->Log), (Ids{WM_CANCELMODE}));
  EXPECT_EQ(GetCapture(), nullptr);
  QApplicationStateChangeEvent active(Qt::ApplicationActive);
  QCoreApplication::sendEvent(qApp, &active);
  EXPECT_EQ(focused->Log.size(), 1u) << "coming back ends nothing";
}

TEST_F(CaptureTest, AFormGoingToTheBackgroundTellsItsActiveControl) {
  auto* active = NewLog(Form.get(), 10, {CM_DEACTIVATE});
  TMessageSpy formSpy(*Form, {CM_DEACTIVATE});
  ASSERT_TRUE(ShowActive(*Form));
  active->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return active->Focused(); }));
  TForm other(nullptr);
  other.SetBounds(500, 100, 120, 100);
  ASSERT_TRUE(ShowActive(other));
  EXPECT_EQ(formSpy.Log.size(), 1u);
  EXPECT_EQ(active->Log.size(), 1u);
}

struct FrameCase {
  const char* Name;
  bool OnFrame;
  bool Double;
  bool Move;
  LRESULT HitAnswer;  // 0: the default answer
  Ids Heard;
  unsigned Code;  // WParam of the non-client message, hit code of WM_SETCURSOR
};
void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.Name; }

class FrameMouseTest : public CaptureTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameMouseTest, TheFrameHearsNonClientMessagesAfterTheHitTest) {
  const FrameCase& c = GetParam();
  const std::set<unsigned> kept = {WM_NCHITTEST,       WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK,
                                   WM_NCLBUTTONUP,     WM_SETCURSOR,   WM_MOUSEMOVE,     WM_LBUTTONDOWN,
                                   WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  auto* log = NewLog(Form.get(), 10, kept);
  log->SetBorderStyle(bsSingle);
  if (c.HitAnswer) {
    log->React = [&](TMessage& m) {
      if (m.Msg != WM_NCHITTEST) return false;
      m.Result = c.HitAnswer;
      return true;
    };
  }
  ASSERT_TRUE(ShowActive(*Form));
  QWidget* frame = WindowOf(*log);
  // A frame point (the border is 2 pixels wide) or a client point, in the
  // form window's coordinates.
  QPoint at = c.OnFrame ? frame->mapTo(frame->window(), QPoint(1, 20)) : WindowPointOf(*log, Point(20, 20));
  QWindow* window = QtWindowOf(*log);
  // Qt moves the pointer to a press's point first; the moves of a case
  // are its own.
  QTest::mouseMove(window, c.Move ? at + QPoint(0, 1) : at);
  log->Log.clear();
  if (c.Move) {
    QTest::mouseMove(window, at);
  } else if (c.Double) {
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at);
    std::vector<TLoggedMessage> all = log->Log;
    log->Log.clear();
    for (const TLoggedMessage& m : all)
      if (m.Msg == WM_NCLBUTTONDBLCLK || m.Msg == WM_LBUTTONDBLCLK) log->Log.push_back(m);
  } else {
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
    std::vector<TLoggedMessage> pressed = log->Log;
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
    log->Log = pressed;
  }
  ASSERT_EQ(IdsOf(log->Log), c.Heard);
  TPoint screen = FromQPoint(window->mapToGlobal(at));
  for (const TLoggedMessage& m : log->Log) {
    if (m.Msg == WM_NCHITTEST) {
      EXPECT_EQ(PointOf(m.LParam), screen) << "the hit test is asked a screen point";
    }
    if (m.Msg == WM_SETCURSOR) {
      EXPECT_EQ(LoWord(static_cast<std::uintptr_t>(m.LParam)), c.Code);
    }
    if (m.Msg >= WM_NCMOUSEMOVE && m.Msg <= WM_NCLBUTTONDBLCLK) {
      EXPECT_EQ(m.WParam, c.Code);
      EXPECT_EQ(PointOf(m.LParam), screen);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Frame, FrameMouseTest,
    ::testing::Values(
        FrameCase{"PressOnTheBorder", true, false, false, 0, Ids{WM_NCHITTEST, WM_NCLBUTTONDOWN}, HTBORDER},
        FrameCase{"PressWhereTheControlAnswersItsOwnCode", true, false, false, 42,
                  Ids{WM_NCHITTEST, WM_NCLBUTTONDOWN}, 42},
        FrameCase{"DoubleClickOnTheBorder", true, true, false, 0, Ids{WM_NCLBUTTONDBLCLK}, HTBORDER},
        FrameCase{"MoveOverTheBorder", true, false, true, 0, Ids{WM_NCHITTEST, WM_SETCURSOR, WM_NCMOUSEMOVE},
                  HTBORDER},
        FrameCase{"MoveInTheClientAsksTheHitTestFirst", false, false, true, 0,
                  Ids{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}, HTCLIENT},
        FrameCase{"PressInTheClientIsAClientPress", false, false, false, 0, Ids{WM_LBUTTONDOWN}, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CaptureTest, APopupWithAParentIsAWindowOfItsOwnThatClosesByHiding) {
  auto* owner = new TEdit(Form.get());
  owner->SetParent(Form.get());
  auto* popup = NewLog(nullptr, 0, {});
  popup->SetPopupWindow(true);
  popup->SetParent(owner);
  popup->SetBounds(400, 450, 80, 60);
  ASSERT_TRUE(ShowActive(*Form));
  owner->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return owner->Focused(); }));
  popup->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(WindowOf(*popup)));
  EXPECT_TRUE(WindowOf(*popup)->isWindow());
  EXPECT_EQ(popup->ClientToScreen(Point(0, 0)), Point(400, 450)) << "Left and Top are screen coordinates";
  EXPECT_TRUE(owner->Focused());
  EXPECT_EQ(QApplication::activeWindow(), WindowOf(*Form));
  PostMessage(*popup, WM_CLOSE);
  QCoreApplication::processEvents();
  EXPECT_FALSE(popup->Visible());
  EXPECT_FALSE(WindowOf(*popup)->isVisible());
}

}  // namespace
