// The modal loop around a control holding the mouse capture: what ends it,
// what its body hears (and in which coordinates), nesting, its timer, and
// failures inside it. Input comes at the window level, from steps run by
// the loop itself.

#include "framework/gui/controls/modal_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"
#include "tests/framework_gui/message_log.h"
#include "tests/framework_gui/window_input.h"

namespace {

using Ids = std::vector<unsigned>;

// The ids of log without pointer moves (Qt adds one before a press at a
// new place).
Ids WithoutMoves(const std::vector<TLoggedMessage>& log) {
  Ids ids;
  for (const TLoggedMessage& m : log)
    if (m.Msg != WM_MOUSEMOVE) ids.push_back(m.Msg);
  return ids;
}
bool HeardTheMouse(const std::vector<TLoggedMessage>& log) {
  for (const TLoggedMessage& m : log)
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) return true;
  return false;
}

class ModalLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 320, 200);
    A = NewLog(10);
    B = NewLog(160);
    ASSERT_TRUE(ShowActive(*Form));
    A->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return A->Focused(); }));
  }
  void TearDown() override {
    ReleaseCapture();
    Application->ResetTerminated();
  }
  TMessageLogControl* NewLog(int left) {
    auto* log = new TMessageLogControl(Form.get());
    log->SetParent(Form.get());
    log->SetBounds(left, 10, 100, 80);
    log->Kept = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CAPTURECHANGED, WM_CANCELMODE};
    return log;
  }

  std::unique_ptr<TForm> Form;
  TMessageLogControl* A = nullptr;
  TMessageLogControl* B = nullptr;
};

struct EndCase {
  const char* Name;
  // The loop's input, run from inside it.
  std::function<std::vector<std::function<void()>>(ModalLoopTest& t, TMessageLogControl& a, TMessageLogControl& b)>
      Steps;
  bool StopOnRelease;
  TModalLoopEnd End;
  Ids BodyHeard;  // pointer moves left out
  Ids AHeard;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.Name; }

class ModalLoopEndTest : public ModalLoopTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ModalLoopEndTest, TheLoopEndsAsItsInputSays) {
  const EndCase& c = GetParam();
  A->Log.clear();
  std::vector<TLoggedMessage> heard;
  TInputSteps steps(c.Steps(*this, *A, *B));
  TModalLoopEnd end = RunModalLoop(*A, [&](TModalLoop& loop, TMessage& m) {
    heard.push_back({m.Msg, m.WParam, m.LParam});
    if (m.Msg == WM_LBUTTONUP && c.StopOnRelease) loop.Stop();
    // The mouse belongs to the loop; keys go their usual way.
    return m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST;
  });
  EXPECT_FALSE(steps.WatchdogFired());
  EXPECT_EQ(end, c.End);
  EXPECT_EQ(WithoutMoves(heard), c.BodyHeard);
  EXPECT_EQ(IdsOf(A->Log), c.AHeard);
  EXPECT_FALSE(A->MouseCapture()) << "the capture the loop took is given back";
  EXPECT_FALSE(HeardTheMouse(B->Log)) << "B heard nothing of the mouse over it";
}

INSTANTIATE_TEST_SUITE_P(
    Ends, ModalLoopEndTest,
    ::testing::Values(
        EndCase{"ReleaseOfTheButton",
                [](ModalLoopTest&, TMessageLogControl& a, TMessageLogControl& b) {
                  return std::vector<std::function<void()>>{
                      [&] { MousePressAt(a, Point(10, 10)); }, [&] { MouseMoveTo(b, Point(5, 5)); },
                      [&] { MouseReleaseAt(b, Point(5, 5)); }};
                },
                true, mleStopped, Ids{WM_LBUTTONDOWN, WM_LBUTTONUP}, Ids{WM_CAPTURECHANGED}},
        EndCase{"Escape",
                [](ModalLoopTest&, TMessageLogControl& a, TMessageLogControl&) {
                  return std::vector<std::function<void()>>{[&] { KeyInto(a, Qt::Key_Escape); }};
                },
                false, mleCancelled, Ids{WM_KEYDOWN}, Ids{WM_CAPTURECHANGED}},
        EndCase{"OtherKeysGoToTheFocusedControlAndTheLoopGoesOn",
                [](ModalLoopTest&, TMessageLogControl& a, TMessageLogControl& b) {
                  return std::vector<std::function<void()>>{
                      [&] { KeyInto(a, Qt::Key_X); }, [&] { MousePressAt(b, Point(1, 1)); },
                      [&] { MouseReleaseAt(b, Point(1, 1)); }};
                },
                true, mleStopped, Ids{WM_KEYDOWN, WM_KEYUP, WM_LBUTTONDOWN, WM_LBUTTONUP},
                Ids{WM_KEYDOWN, WM_CAPTURECHANGED}},
        EndCase{"CaptureTakenByAnotherControl",
                [](ModalLoopTest&, TMessageLogControl&, TMessageLogControl& b) {
                  return std::vector<std::function<void()>>{[&] { SetCapture(b); }, [&] { ReleaseCapture(); }};
                },
                false, mleCaptureLost, Ids{}, Ids{WM_CAPTURECHANGED}},
        EndCase{"AMessageBoxCancelsTheMode",
                [](ModalLoopTest&, TMessageLogControl&, TMessageLogControl&) {
                  return std::vector<std::function<void()>>{[] { MessageDlg("Stop", mtWarning, {mbOK}); }};
                },
                false, mleCaptureLost, Ids{}, Ids{WM_CANCELMODE, WM_CAPTURECHANGED}},
        EndCase{"TheApplicationTerminating",
                [](ModalLoopTest&, TMessageLogControl& a, TMessageLogControl&) {
                  return std::vector<std::function<void()>>{[] { Application->Terminate(); },
                                                            [&] { MouseMoveTo(a, Point(3, 3)); }};
                },
                // The move after the end goes its usual way, to the capture holder.
                false, mleTerminated, Ids{}, Ids{WM_MOUSEMOVE, WM_CAPTURECHANGED}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ModalLoopTest, TheBodyHearsTheMouseInItsControlsClientCoordinatesWhereverItIs) {
  std::vector<TPoint> points;
  TForm other(nullptr);
  other.SetBounds(500, 400, 100, 100);
  other.Show();
  TInputSteps steps({[&] { MouseMoveTo(*B, Point(5, 6)); }, [&] { MouseMoveTo(other, Point(7, 8)); },
                     [&] { KeyInto(*A, Qt::Key_Escape); }});
  TModalLoopEnd end = RunModalLoop(*A, [&](TModalLoop&, TMessage& m) {
    if (m.Msg == WM_MOUSEMOVE) {
      points.push_back(PointOf(m.LParam));
      EXPECT_EQ(GetMessagePos(), A->ClientToScreen(PointOf(m.LParam)));
    }
    return m.Msg == WM_MOUSEMOVE;
  });
  EXPECT_EQ(end, mleCancelled);
  EXPECT_EQ(points, (std::vector<TPoint>{A->ScreenToClient(B->ClientToScreen(Point(5, 6))),
                                         A->ScreenToClient(other.ClientToScreen(Point(7, 8)))}));
}

struct NestCase {
  const char* Name;
  bool InnerOnOtherControl;
  TModalLoopEnd OuterEnd;
  Ids OuterHeard;
};
void PrintTo(const NestCase& c, std::ostream* os) { *os << c.Name; }

class ModalLoopNestTest : public ModalLoopTest, public ::testing::WithParamInterface<NestCase> {};

TEST_P(ModalLoopNestTest, TheInnermostLoopHearsTheInputAndTheOuterOneGoesOnIfItKeptTheCapture) {
  const NestCase& c = GetParam();
  Ids outer, inner;
  TModalLoopEnd innerEnd = mleStopped;
  TInputSteps steps({[&] { MousePressAt(*A, Point(10, 10)); }, [&] { MouseMoveTo(*A, Point(20, 20)); },
                     [&] { KeyInto(*A, Qt::Key_Escape); }, [&] { MouseReleaseAt(*A, Point(20, 20)); }});
  TModalLoopEnd outerEnd = RunModalLoop(*A, [&](TModalLoop& loop, TMessage& m) {
    if (m.Msg != WM_MOUSEMOVE) outer.push_back(m.Msg);
    if (m.Msg == WM_LBUTTONDOWN) {
      innerEnd = RunModalLoop(c.InnerOnOtherControl ? *B : *A, [&](TModalLoop&, TMessage& n) {
        inner.push_back(n.Msg);
        return n.Msg == WM_MOUSEMOVE;
      });
    }
    if (m.Msg == WM_LBUTTONUP) loop.Stop();
    return true;
  });
  EXPECT_FALSE(steps.WatchdogFired());
  EXPECT_EQ(innerEnd, mleCancelled);
  EXPECT_EQ(inner, (Ids{WM_MOUSEMOVE, WM_KEYDOWN}));
  EXPECT_EQ(outerEnd, c.OuterEnd);
  EXPECT_EQ(outer, c.OuterHeard);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, ModalLoopNestTest,
    ::testing::Values(NestCase{"OnTheSameControl", false, mleStopped, Ids{WM_LBUTTONDOWN, WM_LBUTTONUP}},
                      NestCase{"OnAnotherControl", true, mleCaptureLost, Ids{WM_LBUTTONDOWN}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ModalLoopTest, TheTimerTicksInsideTheLoopOnly) {
  int ticks = 0;
  TModalLoopEnd end = RunModalLoop(
      *A,
      [&](TModalLoop& loop, TMessage& m) {
        if (m.Msg == WM_TIMER && m.WParam == ModalLoopTimerId && ++ticks == 3) loop.Stop();
        return true;
      },
      5);
  EXPECT_EQ(end, mleStopped);
  QTest::qWait(30);
  EXPECT_EQ(ticks, 3) << "no tick after the loop";
}

TEST_F(ModalLoopTest, AFailingBodyEndsTheLoopAndRaisesToItsCaller) {
  TInputSteps steps({[&] { MouseMoveTo(*A, Point(4, 4)); }});
  EXPECT_THROW(RunModalLoop(*A,
                            [](TModalLoop&, TMessage& m) -> bool {
                              if (m.Msg == WM_MOUSEMOVE) throw EInvalidOperation("body failed");
                              return false;
                            }),
               EInvalidOperation);
  EXPECT_FALSE(A->MouseCapture());
}

TEST_F(ModalLoopTest, AControlFreedInsideItsLoopEndsTheLoop) {
  TInputSteps steps({[&] { A->Free(); }});
  EXPECT_EQ(RunModalLoop(*A, [](TModalLoop&, TMessage&) { return false; }), mleCaptureLost);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(ModalLoopTest, ALoopKeepsACaptureItFoundAndRefusesToRunTwice) {
  SetCapture(*A);
  TModalLoop loop(*A, [](TModalLoop& self, TMessage& m) {
    if (m.Msg == WM_KEYDOWN) {
      EXPECT_THROW(self.Run(), EInvalidOperation);
    }
    return false;
  });
  TInputSteps steps({[&] { KeyInto(*A, Qt::Key_Escape); }});
  EXPECT_EQ(loop.Run(), mleCancelled);
  EXPECT_TRUE(A->MouseCapture()) << "not the loop's to give back";
}

}  // namespace
