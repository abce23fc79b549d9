// The application object for a GUI test program, made before the first
// test and destroyed after the last: widgets, fonts and the screen need
// Qt's application, and both exist once per process. Message dialogs are
// answered automatically so that no test waits for a person; a test that
// looks at dialogs opens its own scope. Every GUI test program links it.

#include <gtest/gtest.h>

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

}  // namespace
