// The application object for a GUI test program, made before the first
// test and destroyed after the last: widgets, fonts and the screen need
// Qt's application, and both exist once per process. Message dialogs are
// answered automatically so that no test waits for a person; a test that
// looks at dialogs opens its own scope. Every GUI test program links it.

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QWidget>
#include <memory>

#include "framework/gui/application/application.h"
#include "framework/gui/standard/dialogs.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

class TGuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    FApplication = std::make_unique<TApplication>(argc, argv);
    FDialogs = std::make_unique<TMessageDialogScope>(FAnswers);
  }
  void TearDown() override {
    FDialogs.reset();
    FApplication.reset();
  }

 private:
  TAnsweringDialogService FAnswers;
  std::unique_ptr<TApplication> FApplication;
  std::unique_ptr<TMessageDialogScope> FDialogs;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

// The test library keeps the buttons it pressed in a state of its own, and
// its widget double click leaves the button down. A test that ends with a
// button held (that way, or a drag cut short by a failed assertion) would
// hand it to the next test, whose moves then go to a grabbing widget and
// never arrive: each test starts with no button held and no grab. The
// system pointer, which some tests move, is parked away from every window:
// a window that appears or goes under it would otherwise send the next
// test's controls a move to wherever the last test left it.
class TMouseStateReset : public ::testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const ::testing::TestInfo&) override {
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    QCursor::setPos(-10000, -10000);
  }
};

const bool mouseStateReset = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TMouseStateReset);
  return true;
}();

}  // namespace
