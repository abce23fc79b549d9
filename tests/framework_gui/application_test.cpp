// The application object, message dialogs, the screen cursor and timers.

#include "framework/gui/application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/core/system/timer.h"
#include "framework/gui/dialogs.h"
#include "framework/gui/screen.h"

namespace {

// Reports the exception being thrown the way every event handler does.
void Report(TObject* sender, const std::function<void()>& f) {
  try {
    f();
  } catch (...) {
    Application->HandleException(sender);
  }
}

TEST(ApplicationTest, DefaultHandlingShowsTheMessageInAnErrorDialog) {
  TAnsweringDialogService dialogs;
  TMessageDialogScope scope(dialogs);
  Application->SetTitle("Tulvo Kelvorsk");
  Report(nullptr, [] { throw EDatabaseError("Unable to complete network request"); });
  Report(nullptr, [] { Abort(); });
  Report(nullptr, [] { throw std::runtime_error("plain failure"); });
  ASSERT_EQ(dialogs.Requests().size(), 2u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Unable to complete network request");
  EXPECT_EQ(dialogs.Requests()[0].Type, mtError);
  EXPECT_EQ(dialogs.Requests()[0].Caption, "Tulvo Kelvorsk");
  EXPECT_TRUE(dialogs.Requests()[0].Buttons == TMsgDlgButtons{mbOK});
  EXPECT_EQ(dialogs.Requests()[1].Text, "plain failure");
}

TEST(ApplicationTest, OnExceptionReplacesTheDialog) {
  TAnsweringDialogService dialogs;
  TMessageDialogScope scope(dialogs);
  TObject sender;
  std::vector<std::string> seen;
  Application->OnException = [&](TObject* s, const Exception& e) {
    EXPECT_EQ(s, &sender);
    seen.push_back(e.Message());
  };
  Report(&sender, [] { throw EConvertError("'x' is not a valid integer value"); });
  Application->OnException = nullptr;
  EXPECT_EQ(seen, std::vector<std::string>{"'x' is not a valid integer value"});
  EXPECT_TRUE(dialogs.Requests().empty());
}

TEST(ApplicationTest, AFailingExceptionHandlerDoesNotEscape) {
  Application->OnException = [](TObject*, const Exception&) { throw std::runtime_error("handler broke"); };
  EXPECT_NO_THROW(Report(nullptr, [] { throw Exception("first"); }));
  Application->OnException = nullptr;
}

TEST(ApplicationTest, OnlyOneApplicationAtATime) {
  int argc = 0;
  EXPECT_THROW(TApplication(argc, nullptr), EInvalidOperation);
}

TEST(ApplicationTest, ExeNameIsTheRunningProgram) {
  EXPECT_NE(Application->ExeName().find("framework_gui_tests"), std::string::npos);
}

TEST(DialogsTest, MessageDlgAsksTheServiceAndReturnsItsAnswer) {
  TAnsweringDialogService dialogs;
  TMessageDialogScope scope(dialogs);
  dialogs.Answer(mrNo);
  EXPECT_EQ(MessageDlg("Delete record?", mtConfirmation, {mbYes, mbNo}), mrNo);
  // Without a queued answer: the first button offered.
  EXPECT_EQ(MessageDlg("Delete record?", mtConfirmation, {mbYes, mbNo}), mrYes);
  EXPECT_EQ(MessageDlg("Read the About box", mtWarning, {mbOK}), mrOk);
  ASSERT_EQ(dialogs.Requests().size(), 3u);
  EXPECT_EQ(dialogs.Requests()[0].Caption, "Confirm");
  EXPECT_EQ(dialogs.Requests()[2].Caption, "Warning");
  EXPECT_EQ(dialogs.Requests()[2].Type, mtWarning);
}

TEST(DialogsTest, ScopesNestAndRestore) {
  TAnsweringDialogService outer;
  TAnsweringDialogService inner;
  TMessageDialogScope outerScope(outer);
  {
    TMessageDialogScope innerScope(inner);
    ShowMessage("inner");
  }
  ShowMessage("outer");
  EXPECT_EQ(inner.Requests().size(), 1u);
  ASSERT_EQ(outer.Requests().size(), 1u);
  EXPECT_EQ(outer.Requests()[0].Text, "outer");
}

TEST(ScreenTest, CursorScopeRestoresThePreviousCursorOnEveryPath) {
  ASSERT_NE(Screen, nullptr);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  try {
    TScreenCursorScope wait(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    {
      TScreenCursorScope sql(crSQLWait);
      EXPECT_EQ(Screen->Cursor(), crSQLWait);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    throw Exception("fail");
  } catch (const Exception&) {
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ScreenTest, WorkAreasAreNotEmpty) {
  EXPECT_FALSE(Screen->WorkAreaRect().IsEmpty());
  TRect far = Screen->MonitorWorkAreaAt(Point(100000, 100000));
  EXPECT_EQ(far, Screen->WorkAreaRect());
  EXPECT_GT(GetDoubleClickTime(), 0);
}

TEST(TimerTest, FiresWhileEnabledAndCanBeFiredDirectly) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.Timer();
  EXPECT_EQ(ticks, 1);
  timer.SetInterval(5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
  timer.SetEnabled(false);
  int stopped = ticks;
  QTest::qWait(30);
  EXPECT_EQ(ticks, stopped);
}

TEST(TimerTest, HandlerExceptionGoesToTheApplicationHandler) {
  std::vector<std::string> seen;
  Application->OnException = [&](TObject*, const Exception& e) { seen.push_back(e.Message()); };
  {
    TTimer timer(nullptr);
    timer.SetInterval(1);
    timer.OnTimer = [&](TObject*) {
      timer.SetEnabled(false);
      throw Exception("tick failed");
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 2000));
  }
  Application->OnException = nullptr;
  EXPECT_EQ(seen, std::vector<std::string>{"tick failed"});
}

TEST(TimerTest, ZeroIntervalNeverFires) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.SetInterval(0);
  QTest::qWait(20);
  EXPECT_EQ(ticks, 0);
}

// The termination is taken back after, so that tests running later (in a
// shuffled order) find an application that runs.
TEST(ApplicationRunTest, RunReturnsAtOnceAfterAnEarlyTerminate) {
  struct TTakeBack {
    ~TTakeBack() { Application->ResetTerminated(); }
  } takeBack;
  Application->Terminate();
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
}

}  // namespace
