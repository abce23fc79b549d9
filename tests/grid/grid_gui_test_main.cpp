// The application object for the grid's window tests, made before the
// first test and destroyed after the last: a control's window needs Qt's
// application, which exists once per process.

#include <gtest/gtest.h>

#include <memory>

#include "framework/gui/application.h"

namespace {

class TGridGuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "grid_gui_tests";
    static char* argv[] = {name, nullptr};
    FApplication = std::make_unique<TApplication>(argc, argv);
  }
  void TearDown() override { FApplication.reset(); }

 private:
  std::unique_ptr<TApplication> FApplication;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TGridGuiEnvironment);

}  // namespace
