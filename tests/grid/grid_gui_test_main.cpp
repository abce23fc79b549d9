// The application object for the whole test program, made before the first
// test and destroyed after the last: fonts and the screen need Qt's
// application, which exists once per process. Message dialogs (an
// editor's refused value reported through the application) are answered
// automatically so that no test waits for a person.

#include <gtest/gtest.h>

#include <memory>

#include "framework/gui/application.h"
#include "framework/gui/dialogs.h"

namespace {

class TGridGuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "grid_gui_tests";
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

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TGridGuiEnvironment);

}  // namespace
