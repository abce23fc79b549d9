// Linked into every program of widget tests: after each test, a mouse
// button the test left pressed (a press whose release never came, as when
// a drag or a modal loop ends by another way) is let go. Qt keeps which
// buttons are down for the whole process, so the next test's controls
// would otherwise see a button held: a move becomes a drag, a text editor
// focused keeps its caret instead of selecting its text.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

namespace {

class TReleasedButtons : public ::testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const ::testing::TestInfo&) override {
    if (QGuiApplication::instance() == nullptr) return;
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    if (held == Qt::NoButton) return;
    // The test's windows are gone: a window of its own takes the releases.
    QWindow window;
    window.setGeometry(-200, -200, 10, 10);
    window.create();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
      if (held & button) QTest::mouseRelease(&window, button, Qt::NoModifier, QPoint(1, 1));
  }
};

const bool GRegistered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TReleasedButtons);
  return true;
}();

}  // namespace
