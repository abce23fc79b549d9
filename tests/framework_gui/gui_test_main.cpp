// One QApplication for the whole test program, made before the first test
// and destroyed after the last: widgets need it, and Qt allows only one.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "framework_gui_tests";
    static char* argv[] = {name, nullptr};
    FApp = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { FApp.reset(); }

 private:
  std::unique_ptr<QApplication> FApp;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
