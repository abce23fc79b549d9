// Scrolling a shown tree list: the top row and LeftCoord and their limits,
// the window's scroll bars and the wheel at the ends, bars that come and
// go, automatic scrolling while dragging, and middle-button panning.

#include <gtest/gtest.h>

#include <QCursor>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cstdlib>
#include <ostream>
#include <string>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/application/screen.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_panning.h"
#include "tests/support/window_input.h"
#include "tests/grid/input_grid.h"

namespace {

std::uint32_t Bit(int option) { return 1u << option; }

QScrollBar* Bar(const TWinControl& control, Qt::Orientation orientation) {
  for (QScrollBar* bar : WindowOf(control)->findChildren<QScrollBar*>())
    if (bar->orientation() == orientation) return bar;
  return nullptr;
}

// Turns of the wheel over a client point, as the window system sends them.
void Wheel(const TWinControl& control, TPoint client, int notches) {
  QWindow* window = QtWindowOf(control);
  const QPointF local = WindowPointOf(control, client);
  for (int i = 0; i < std::abs(notches); ++i) {
    QWheelEvent event(local, window->mapToGlobal(local), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
  }
}

TScrollInfo VertInfo(const TInputGrid& grid) {
  TScrollInfo info;
  info.Mask = SIF_ALL;
  grid.GetScrollInfo(sbVertical, info);
  return info;
}

// --- The top row ----------------------------------------------------------------------------

TEST(TreeListScroll, TheTopRowKeepsTheLastPageFull) {
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  grid.SetTopIndex(100);
  EXPECT_EQ(grid.TopIndex(), 20);
  grid.SetTopIndex(-3);
  EXPECT_EQ(grid.TopIndex(), 0);
  grid.SetTopIndex(7);
  const TScrollInfo info = VertInfo(grid);
  EXPECT_EQ(info.Min, 0);
  EXPECT_EQ(info.Max, 29);
  EXPECT_EQ(info.Page, 10);
  EXPECT_EQ(info.Pos, 7);
  EXPECT_TRUE(grid.ScrollBarVisible(sbVertical));
  EXPECT_FALSE(grid.ScrollBarVisible(sbHorizontal));
}

TEST(TreeListScroll, OneRowNeverScrolls) {
  TInputForm form(1);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  grid.SetTopIndex(5);
  EXPECT_EQ(grid.TopIndex(), 0);
  EXPECT_FALSE(grid.ScrollBarVisible(sbVertical));
}

TEST(TreeListScroll, AFocusedRowIsScrolledIntoViewTheLeastWay) {
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  grid.FocusAbsoluteIndex(15);
  EXPECT_EQ(grid.TopIndex(), 6) << "the last fully visible row";
  grid.FocusAbsoluteIndex(8);
  EXPECT_EQ(grid.TopIndex(), 6);
  grid.FocusAbsoluteIndex(3);
  EXPECT_EQ(grid.TopIndex(), 3) << "the top row";
}

TEST(TreeListScroll, WheelAndBarStopAtTheEnds) {
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  const int lines = GetWheelScrollLines();
  ASSERT_GT(lines, 0);
  Wheel(grid, grid.CellPoint(2), -1);
  EXPECT_EQ(grid.TopIndex(), lines);
  Wheel(grid, grid.CellPoint(2), -20);
  EXPECT_EQ(grid.TopIndex(), 20);
  Wheel(grid, grid.CellPoint(2), 40);
  EXPECT_EQ(grid.TopIndex(), 0);

  QScrollBar* bar = Bar(grid, Qt::Vertical);
  ASSERT_NE(bar, nullptr);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(grid.TopIndex(), 20);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid.TopIndex(), 20);
  EXPECT_EQ(bar->value(), 20) << "the thumb goes back where the grid is";
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(grid.TopIndex(), 10);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(grid.TopIndex(), 0);
  bar->setSliderDown(true);
  bar->setSliderPosition(13);
  bar->setSliderDown(false);
  EXPECT_EQ(grid.TopIndex(), 13);
}

TEST(TreeListScroll, TheHorizontalThumbMovesInStepsOfFourUntilTheEnd) {
  TInputForm form(5, 10, 150);
  TInputGrid& grid = *form.Grid;
  int changes = 0;
  grid.OnChangeLeftCoord = [&](TObject*) { ++changes; };
  ASSERT_TRUE(form.Show());
  ASSERT_TRUE(grid.ScrollBarVisible(sbHorizontal));
  const int end = grid.GetScrollingBandsWidth() - grid.GetScrollAreaWidth();
  ASSERT_GT(end, 40);
  QScrollBar* bar = Bar(grid, Qt::Horizontal);
  ASSERT_NE(bar, nullptr);
  bar->setSliderDown(true);
  bar->setSliderPosition(37);
  bar->setSliderDown(false);
  EXPECT_EQ(grid.LeftCoord(), 36);
  bar->setSliderDown(true);
  bar->setSliderPosition(end);
  bar->setSliderDown(false);
  EXPECT_EQ(grid.LeftCoord(), end) << "the exact end";
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid.LeftCoord(), end);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(grid.LeftCoord(), 0);
  EXPECT_EQ(changes, 3);
}

TEST(TreeListScroll, BothBarsGoWhenEachWasThereOnlyForTheOther) {
  // Ten rows and 300 pixels of columns fit exactly; an eleventh row brings
  // the vertical bar, which brings the horizontal one.
  TInputForm form(11, 10, 300);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  ASSERT_TRUE(grid.ScrollBarVisible(sbVertical));
  ASSERT_TRUE(grid.ScrollBarVisible(sbHorizontal));
  grid.Row(10)->Free();
  EXPECT_FALSE(grid.ScrollBarVisible(sbVertical));
  EXPECT_FALSE(grid.ScrollBarVisible(sbHorizontal));
  EXPECT_EQ(grid.ClientWidth(), 300);
}

TEST(TreeListScroll, TheScrollBarsPropertyLimitsTheBars) {
  TInputForm form(30, 10, 150);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  EXPECT_TRUE(grid.ScrollBarVisible(sbVertical));
  EXPECT_TRUE(grid.ScrollBarVisible(sbHorizontal));
  grid.SetScrollBars(ssVertical);
  EXPECT_TRUE(grid.ScrollBarVisible(sbVertical));
  EXPECT_FALSE(grid.ScrollBarVisible(sbHorizontal));
  grid.SetScrollBars(ssNone);
  EXPECT_FALSE(grid.ScrollBarVisible(sbVertical));
}

TEST(TreeListScroll, AGrowingWindowMovesTheTopRowBack) {
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  grid.SetTopIndex(20);
  grid.SetHeight(grid.HeightFor(15));
  EXPECT_EQ(grid.TopIndex(), 15);
  EXPECT_EQ(VertInfo(grid).Page, 15);
}

TEST(TreeListScroll, DraggingNearTheRightBorderScrollsUntilTheEnd) {
  TInputForm form(5, 10, 150);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  const int end = grid.GetScrollingBandsWidth() - grid.GetScrollAreaWidth();
  grid.SetInteractionState(tsColumnDragging);
  grid.CheckHorzAutoScroll(Point(grid.ClientWidth() - 5, 5));
  ASSERT_TRUE(grid.TimerActive(TreeListHorzScrollTimer));
  grid.Perform(WM_TIMER, TreeListHorzScrollTimer);
  EXPECT_EQ(grid.LeftCoord(), 32);
  for (int i = 0; i < 10; ++i) grid.Perform(WM_TIMER, TreeListHorzScrollTimer);
  EXPECT_EQ(grid.LeftCoord(), end);
  EXPECT_FALSE(grid.TimerActive(TreeListHorzScrollTimer)) << "nothing left to scroll";
  grid.CheckHorzAutoScroll(Point(5, 5));
  grid.SetInteractionState(tsNone);
  grid.Perform(WM_TIMER, TreeListHorzScrollTimer);
  EXPECT_EQ(grid.LeftCoord(), end) << "the drag ended: the timer stops at its next tick";
  EXPECT_FALSE(grid.TimerActive(TreeListHorzScrollTimer));
}

TEST(TreeListScroll, ANodeDraggedIntoACornerScrollsBothWaysWithATimerEach) {
  TInputForm form(30, 10, 150);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  const TPoint inside = grid.ClientToScreen(grid.CellPoint(2, 0));
  QCursor::setPos(inside.X, inside.Y);
  grid.SetInteractionState(tsNodeDragging);
  grid.CalcRowsInView();
  TdxTreeListNode* lastFullRow = grid.Row(grid.TopIndex() + grid.FullRowsInView() - 1);
  grid.CheckHorzAutoScroll(Point(grid.ClientWidth() - 5, 5));
  grid.CheckVertDragAutoScroll(lastFullRow);
  ASSERT_TRUE(grid.TimerActive(TreeListHorzScrollTimer));
  ASSERT_TRUE(grid.TimerActive(TreeListVertScrollTimer));
  grid.Perform(WM_TIMER, TreeListVertScrollTimer);
  grid.Perform(WM_TIMER, TreeListHorzScrollTimer);
  EXPECT_EQ(grid.FocusedName(), "r1");
  EXPECT_EQ(grid.LeftCoord(), 32);
  grid.CheckVertDragAutoScroll(grid.Row(grid.TopIndex() + 2));  // away from the edges
  EXPECT_FALSE(grid.TimerActive(TreeListVertScrollTimer));
  EXPECT_TRUE(grid.TimerActive(TreeListHorzScrollTimer));
  grid.SetInteractionState(tsNone);
  grid.Perform(WM_TIMER, TreeListHorzScrollTimer);
  EXPECT_FALSE(grid.TimerActive(TreeListHorzScrollTimer));
  QCursor::setPos(0, 0);
}

// --- Panning ----------------------------------------------------------------------------------

TEST(TreeListPanning, AMiddleClickPansUntilTheNextButtonWhichGoesNoFurther) {
  TInputForm form(60);
  TInputGrid& grid = *form.Grid;
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloMouseScroll));
  int leftPresses = 0;
  grid.OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft) ++leftPresses;
  };
  ASSERT_TRUE(form.Show());
  const TPoint start = grid.CellPoint(4);
  bool panningAfterRelease = false;
  TCursor cursor = crDefault;
  int topWhilePanning = -1;
  TInputSteps steps({
      [&] { MouseReleaseAt(grid, start, Qt::MiddleButton); },
      [&] {
        panningAfterRelease = grid.Panning();
        cursor = ScreenCursor();
        MouseMoveTo(grid, Point(start.X, start.Y + 100));
      },
      [&] {
        WaitFor([&] { return grid.TopIndex() >= 5; });
        topWhilePanning = grid.TopIndex();
        MousePressAt(grid, grid.CellPoint(1));
      },
  });
  MousePressAt(grid, start, Qt::MiddleButton);
  EXPECT_TRUE(panningAfterRelease) << "a click without moving keeps the mode";
  EXPECT_EQ(cursor, crdxTLVertScroll);
  EXPECT_GE(topWhilePanning, 5);
  EXPECT_FALSE(grid.Panning());
  EXPECT_FALSE(steps.WatchdogFired());
  EXPECT_EQ(ScreenCursor(), crDefault);
  EXPECT_EQ(leftPresses, 0) << "the press that ended panning reached nothing";
  EXPECT_EQ(grid.FocusedName(), "r0");
  EXPECT_FALSE(grid.MouseCapture());
  MouseReleaseAt(grid, grid.CellPoint(1));
}

TEST(TreeListPanning, EscapeEndsPanning) {
  TInputForm form(60);
  TInputGrid& grid = *form.Grid;
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloMouseScroll));
  ASSERT_TRUE(form.Show());
  bool panning = false;
  TInputSteps steps({[&] {
    panning = grid.Panning();
    KeyInto(grid, Qt::Key_Escape);
  }});
  MousePressAt(grid, grid.CellPoint(3), Qt::MiddleButton);
  EXPECT_TRUE(panning);
  EXPECT_FALSE(grid.Panning());
  EXPECT_FALSE(steps.WatchdogFired());
  EXPECT_EQ(ScreenCursor(), crDefault);
  MouseReleaseAt(grid, grid.CellPoint(3), Qt::MiddleButton);
}

struct TPanOption {
  const char* Name;
  bool RowSelect;
  bool Editing;
  bool MouseScroll;
  bool Pans;
};

std::ostream& operator<<(std::ostream& out, const TPanOption& c) { return out << c.Name; }

class PanningOption : public ::testing::TestWithParam<TPanOption> {};

// The middle button pans exactly when the mouse may scroll the rows:
// tloMouseScroll, with row select or without editing.
TEST_P(PanningOption, DecidesWhetherTheMiddleButtonPans) {
  const TPanOption& c = GetParam();
  TInputForm form(60);
  TInputGrid& grid = *form.Grid;
  std::uint32_t options = grid.Options() & ~(Bit(tloRowSelect) | Bit(tloEditing));
  if (c.RowSelect) options |= Bit(tloRowSelect);
  if (c.Editing) options |= Bit(tloEditing);
  grid.SetOptions(options);
  grid.SetOptionsEx(c.MouseScroll ? grid.OptionsEx() | Bit(tloMouseScroll) : grid.OptionsEx() & ~Bit(tloMouseScroll));
  ASSERT_TRUE(form.Show());
  bool panning = false;
  TInputSteps steps({[&] {
    panning = grid.Panning();
    KeyInto(grid, Qt::Key_Escape);
  }});
  MousePressAt(grid, grid.CellPoint(3), Qt::MiddleButton);
  MouseReleaseAt(grid, grid.CellPoint(3), Qt::MiddleButton);
  ASSERT_TRUE(WaitFor([&] { return steps.Done() == 1; }));
  EXPECT_EQ(panning, c.Pans);
  EXPECT_FALSE(grid.Panning());
}

INSTANTIATE_TEST_SUITE_P(Options, PanningOption,
                         ::testing::Values(TPanOption{"RowSelect", true, true, true, true},
                                           TPanOption{"NoEditing", false, false, true, true},
                                           TPanOption{"EditingCells", false, true, true, false},
                                           TPanOption{"NoMouseScroll", true, true, false, false}),
                         [](const ::testing::TestParamInfo<TPanOption>& info) { return std::string(info.param.Name); });

}  // namespace
