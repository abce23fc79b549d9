// The tree list's mouse, driven by real presses into a shown grid: node
// selection with Shift and Ctrl, double clicks, headers, sizing cursors and
// cancelling, hot tracking, the editor's start, and selecting past the
// rows' edge with each grid's own timer.

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <ostream>
#include <string>
#include <vector>

#include "framework/gui/application/screen.h"
#include "framework/gui/controls/win_control.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list.h"
#include "tests/support/window_input.h"
#include "tests/grid/input_grid.h"

namespace {

std::uint32_t Bit(int option) { return 1u << option; }

const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;

TPoint CellPoint(const TInputGrid& grid, int row, int column = 1) { return grid.CellPoint(row, column); }
TPoint HeaderPoint(const TInputGrid& grid, int column, int dx) { return grid.HeaderPoint(column, dx); }

void Click(const TInputGrid& grid, TPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  MousePressAt(grid, p, Qt::LeftButton, modifiers);
  MouseReleaseAt(grid, p, Qt::LeftButton, modifiers);
}

// --- Selecting with clicks ----------------------------------------------------------------------

struct TClick {
  int Row;
  Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};

struct TClickCase {
  const char* Name;
  bool MultiSelect;
  std::vector<TClick> Clicks;
  const char* Focused;
  const char* Selected;
};

std::ostream& operator<<(std::ostream& out, const TClickCase& c) { return out << c.Name; }

class ClickSequence : public ::testing::TestWithParam<TClickCase> {};

TEST_P(ClickSequence, FocusesAndSelects) {
  const TClickCase& c = GetParam();
  TInputForm form(12);
  TInputGrid& grid = *form.Grid;
  if (c.MultiSelect) grid.SetOptions(grid.Options() | Bit(tloMultiSelect));
  ASSERT_TRUE(form.Show());
  for (const TClick& click : c.Clicks) Click(grid, CellPoint(grid, click.Row), click.Modifiers);
  EXPECT_EQ(grid.FocusedName(), c.Focused);
  EXPECT_EQ(grid.SelectedNames(), c.Selected);
  EXPECT_EQ(grid.State(), tsNone);
  grid.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ClickSequence,
    ::testing::Values(TClickCase{"AClickSelectsTheRow", true, {{3}}, "r3", "r3"},
                      TClickCase{"ShiftClickSelectsFromTheFirstClick", true, {{2}, {5, Shift}}, "r5", "r2 r3 r4 r5"},
                      TClickCase{"AnotherShiftClickKeepsTheAnchor", true, {{4}, {6, Shift}, {2, Shift}}, "r2",
                                 "r2 r3 r4"},
                      TClickCase{"CtrlClicksAddAndRemoveRows", true, {{2}, {4, Ctrl}, {6, Ctrl}, {4, Ctrl}}, "r4",
                                 "r2 r6"},
                      TClickCase{"CtrlShiftClickAddsTheRangeFromTheFocusedRow", true,
                                 {{2}, {4, Ctrl}, {6, Ctrl | Shift}}, "r6", "r2 r4 r5 r6"},
                      TClickCase{"WithoutMultiSelectOnlyTheFocusMoves", false, {{2}, {5, Shift}}, "r5", ""}),
    [](const ::testing::TestParamInfo<TClickCase>& info) { return std::string(info.param.Name); });

TEST(TreeListMouse, APressOnTheSelectionKeepsItUntilTheRelease) {
  TInputForm form(12);
  TInputGrid& grid = *form.Grid;
  grid.SetOptions(grid.Options() | Bit(tloMultiSelect));
  ASSERT_TRUE(form.Show());
  Click(grid, CellPoint(grid, 2));
  Click(grid, CellPoint(grid, 5), Shift);
  MousePressAt(grid, CellPoint(grid, 3));
  EXPECT_EQ(grid.SelectedNames(), "r2 r3 r4 r5") << "kept while pressed (it may be dragged)";
  EXPECT_EQ(grid.FocusedName(), "r3");
  EXPECT_EQ(grid.State(), tsNodeDown);
  MouseReleaseAt(grid, CellPoint(grid, 3));
  EXPECT_EQ(grid.SelectedNames(), "r3");
  // The next Shift click extends from the row the release kept.
  Click(grid, CellPoint(grid, 1), Shift);
  EXPECT_EQ(grid.SelectedNames(), "r1 r2 r3");
}

TEST(TreeListMouse, DoubleClickExpandsTheRowAndIsHeard) {
  TInputForm form(0);
  TInputGrid& grid = *form.Grid;
  TdxTreeListNode* parent = grid.AddRow({"p"});
  parent->AddChild();
  grid.AddRow({"q"});
  int doubles = 0;
  grid.OnDblClick = [&](TObject*) { ++doubles; };
  ASSERT_TRUE(form.Show());
  QTest::mouseDClick(QtWindowOf(grid), Qt::LeftButton, Qt::NoModifier, WindowPointOf(grid, CellPoint(grid, 0)));
  EXPECT_TRUE(parent->Expanded());
  EXPECT_EQ(doubles, 1);
  grid.SetDblClkExpanding(false);
  QTest::qWait(GetDoubleClickTime() + 50);
  QTest::mouseDClick(QtWindowOf(grid), Qt::LeftButton, Qt::NoModifier, WindowPointOf(grid, CellPoint(grid, 0)));
  EXPECT_TRUE(parent->Expanded()) << "a double click expands only with DblClkExpanding";
  EXPECT_EQ(doubles, 2);
}

TEST(TreeListMouse, OneClickOnTheExpandButtonToggles) {
  TInputForm form(0);
  TInputGrid& grid = *form.Grid;
  TdxTreeListNode* parent = grid.AddRow({"p"});
  parent->AddChild();
  ASSERT_TRUE(form.Show());
  const TPoint button = Point(TreeButtonSize / 2, CellPoint(grid, 0).Y);
  ASSERT_EQ(grid.GetHitCodeAt(button.X, button.Y), htButton);
  Click(grid, button);
  EXPECT_TRUE(parent->Expanded());
  QTest::qWait(GetDoubleClickTime() + 50);
  Click(grid, button);
  EXPECT_FALSE(parent->Expanded());
}

// --- Headers, sizing and cursors ------------------------------------------------------------------

TEST(TreeListMouse, AHeaderClicksOnlyWhenReleasedOverItself) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  MousePressAt(grid, HeaderPoint(grid, 1, 20), Qt::LeftButton);
  EXPECT_EQ(grid.State(), tsColumnDown);
  EXPECT_EQ(grid.PressedColumn(), 1);
  MouseReleaseAt(grid, HeaderPoint(grid, 1, 20), Qt::LeftButton, Ctrl);
  EXPECT_EQ(grid.Log, std::vector<std::string>{"header click 1 ctrl"});
  EXPECT_EQ(grid.State(), tsNone);
  grid.Log.clear();
  MousePressAt(grid, HeaderPoint(grid, 1, 20));
  MouseMoveTo(grid, HeaderPoint(grid, 2, 20));  // nothing may be dragged here
  EXPECT_FALSE(grid.PressedItemDown());
  MouseReleaseAt(grid, HeaderPoint(grid, 2, 20));
  EXPECT_TRUE(grid.Log.empty());
  EXPECT_EQ(grid.State(), tsNone);
}

TEST(TreeListMouse, SizingShowsItsCursorAndTheRightButtonCancelsIt) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  const TPoint edge = HeaderPoint(grid, 0, -2);
  ASSERT_EQ(grid.GetHitCodeAt(edge.X, edge.Y), htColumnEdge);
  MouseMoveTo(grid, CellPoint(grid, 1));
  EXPECT_EQ(grid.WindowCursor(), crDefault);
  MouseMoveTo(grid, edge);
  EXPECT_EQ(grid.WindowCursor(), crHSplit);
  MousePressAt(grid, edge);
  EXPECT_EQ(grid.State(), tsColumnSizing);
  MouseMoveTo(grid, CellPoint(grid, 1));
  EXPECT_EQ(grid.WindowCursor(), crHSplit) << "the sizing cursor stays while sizing";
  MousePressAt(grid, CellPoint(grid, 1), Qt::RightButton);
  EXPECT_EQ(grid.State(), tsNone);
  EXPECT_EQ(grid.WindowCursor(), crDefault);
  MouseReleaseAt(grid, CellPoint(grid, 1), Qt::RightButton);
  MouseReleaseAt(grid, CellPoint(grid, 1));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"start sizing 1", "stop sizing"}));
}

TEST(TreeListMouse, CancelModeEndsSizing) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  MousePressAt(grid, HeaderPoint(grid, 0, -2));
  ASSERT_EQ(grid.State(), tsColumnSizing);
  CancelModes();
  EXPECT_EQ(grid.State(), tsNone);
  MouseReleaseAt(grid, CellPoint(grid, 1));
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"start sizing 1", "stop sizing"}));
}

// --- Hot tracking -------------------------------------------------------------------------------

TEST(TreeListMouse, HotTrackingFollowsCellsHeadersAndTheHeadersDropDownBox) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloHotTrack));
  // A narrow column the band does not widen.
  grid.Column(1).SetSizing(false);
  grid.Column(1).SetMinWidth(10);
  grid.Column(1).SetWidth(19);
  std::vector<std::string> events;
  grid.OnHotTrackNode = [&](TObject*, const TdxTreeListHitInfo& hit, TCursor& cursor) {
    events.push_back(TInputGrid::Name(hit.Node) + " " + std::to_string(hit.Column));
    cursor = hit.Node != nullptr ? crHandPoint : crDefault;
  };
  // The pointer away from the grid when it shows (a window's entering
  // asks where the pointer is).
  QCursor::setPos(0, 0);
  ASSERT_TRUE(form.Show());
  events.clear();
  const TPoint cell = CellPoint(grid, 1, 2);
  MouseMoveTo(grid, cell);
  MouseMoveTo(grid, Point(cell.X + 10, cell.Y));  // the same cell
  EXPECT_EQ(grid.HotColumn(), 2);
  EXPECT_EQ(TInputGrid::Name(grid.HotTrackNode()), "r1");
  EXPECT_EQ(grid.Cursor(), crHandPoint);
  MouseMoveTo(grid, HeaderPoint(grid, 0, 20));
  EXPECT_EQ(grid.HotHeaderColumn(), 0);
  EXPECT_EQ(grid.HotHeaderState(), 1);
  EXPECT_EQ(grid.HotColumn(), -1);
  EXPECT_EQ(grid.Cursor(), crDefault);
  MouseMoveTo(grid, HeaderPoint(grid, 0, -8));  // the drop-down box
  EXPECT_EQ(grid.HotHeaderState(), 2);
  ASSERT_LT(grid.HeaderRect(1).Width(), 20);
  MouseMoveTo(grid, HeaderPoint(grid, 1, -5));  // too narrow for a box
  EXPECT_EQ(grid.HotHeaderColumn(), 1);
  EXPECT_EQ(grid.HotHeaderState(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"r1 2", "- 0", "- 1"})) << "a box alone asks for no cursor";
}

TEST(TreeListMouse, WithoutHotTrackingNothingIsHot) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  int events = 0;
  grid.OnHotTrackNode = [&](TObject*, const TdxTreeListHitInfo&, TCursor&) { ++events; };
  ASSERT_TRUE(form.Show());
  MouseMoveTo(grid, CellPoint(grid, 1));
  MouseMoveTo(grid, HeaderPoint(grid, 0, 20));
  EXPECT_EQ(events, 0);
  EXPECT_EQ(grid.HotHeaderColumn(), -1);
}

// --- The editor's start -----------------------------------------------------------------------------

TEST(TreeListMouse, ASecondClickOnTheFocusedCellStartsTheEditTimerAndADoubleClickStopsIt) {
  TInputForm form(5);
  TInputGrid& grid = *form.Grid;
  grid.SetOptions(grid.Options() & ~Bit(tloRowSelect));
  ASSERT_TRUE(form.Show());
  Click(grid, CellPoint(grid, 2));
  EXPECT_FALSE(grid.TimerActive(TreeListEditTimer)) << "the first click only focuses";
  QTest::qWait(GetDoubleClickTime() + 50);
  Click(grid, CellPoint(grid, 2));
  EXPECT_TRUE(grid.TimerActive(TreeListEditTimer));
  grid.Perform(WM_TIMER, TreeListEditTimer);
  EXPECT_FALSE(grid.TimerActive(TreeListEditTimer));
  EXPECT_EQ(grid.Log, std::vector<std::string>{"show editor"});
  QTest::qWait(GetDoubleClickTime() + 50);
  QTest::mouseDClick(QtWindowOf(grid), Qt::LeftButton, Qt::NoModifier, WindowPointOf(grid, CellPoint(grid, 2)));
  EXPECT_FALSE(grid.TimerActive(TreeListEditTimer));
}

TEST(TreeListMouse, AReleaseOnThePressedCellShowsTheImmediateEditor) {
  TInputForm form(5);
  TInputGrid& grid = *form.Grid;
  grid.SetOptions((grid.Options() & ~Bit(tloRowSelect)) | Bit(tloImmediateEditor));
  ASSERT_TRUE(form.Show());
  Click(grid, CellPoint(grid, 2), Ctrl);
  EXPECT_TRUE(grid.Log.empty()) << "not with Ctrl";
  MousePressAt(grid, CellPoint(grid, 3));
  MouseReleaseAt(grid, CellPoint(grid, 4));
  EXPECT_TRUE(grid.Log.empty()) << "released on another cell";
  Click(grid, CellPoint(grid, 1, 2));
  EXPECT_EQ(grid.Log, std::vector<std::string>{"show editor with click"});
}

// --- Selecting past the rows ------------------------------------------------------------------------

TEST(TreeListMouse, DraggingBelowTheRowsScrollsWithTheSelectingTimer) {
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloMouseScroll));
  ASSERT_TRUE(form.Show());
  MousePressAt(grid, CellPoint(grid, 5));
  MouseMoveTo(grid, CellPoint(grid, 11));  // below the rows
  EXPECT_EQ(grid.FocusedName(), "r9");
  EXPECT_TRUE(grid.TimerActive(TreeListSelectScrollTimer));
  grid.Perform(WM_TIMER, TreeListSelectScrollTimer);
  EXPECT_EQ(grid.FocusedName(), "r10");
  EXPECT_EQ(grid.TopIndex(), 1);
  MouseMoveTo(grid, CellPoint(grid, 2));  // back inside: the row under the pointer
  EXPECT_FALSE(grid.TimerActive(TreeListSelectScrollTimer));
  EXPECT_EQ(grid.FocusedName(), "r3");
  MouseReleaseAt(grid, CellPoint(grid, 2));
  EXPECT_EQ(grid.State(), tsNone);
}

TEST(TreeListMouse, AGridThatGoesWhileSelectingLeavesTheNextOneItsOwnTimer) {
  auto first = std::make_unique<TInputForm>(30);
  first->Grid->SetOptionsEx(first->Grid->OptionsEx() | Bit(tloMouseScroll));
  ASSERT_TRUE(first->Show());
  MousePressAt(*first->Grid, CellPoint(*first->Grid, 5));
  MouseMoveTo(*first->Grid, CellPoint(*first->Grid, 11));
  ASSERT_TRUE(first->Grid->TimerActive(TreeListSelectScrollTimer));
  first.reset();  // freed while its timer runs

  TInputForm second(30);
  TInputGrid& grid = *second.Grid;
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloMouseScroll));
  ASSERT_TRUE(second.Show());
  MouseReleaseAt(grid, CellPoint(grid, 0));  // the button the first grid never heard go up
  MousePressAt(grid, CellPoint(grid, 0));
  MouseMoveTo(grid, Point(CellPoint(grid, 0).X, -5));  // above the rows
  EXPECT_TRUE(grid.TimerActive(TreeListSelectScrollTimer));
  MouseMoveTo(grid, CellPoint(grid, 12));  // and below
  grid.Perform(WM_TIMER, TreeListSelectScrollTimer);
  EXPECT_EQ(grid.FocusedName(), "r10");
  MouseReleaseAt(grid, CellPoint(grid, 12));
}

// --- The border of the flat looks ----------------------------------------------------------------

TColor BorderPixel(TInputGrid& grid, int x, int y) {
  TBitmap frame(grid.Width(), grid.Height());
  TRect window = Rect(0, 0, grid.Width(), grid.Height());
  grid.Perform(WM_NCPAINT, reinterpret_cast<WPARAM>(&frame.Canvas()), reinterpret_cast<LPARAM>(&window));
  return frame.Canvas().Pixels(x < 0 ? grid.Width() + x : x, y);
}

TEST(TreeListMessages, TheFlatLooksDrawTheirOwnBorder) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  grid.SetBorderStyle(bsSingle);
  grid.SetLookAndFeel(lfUltraFlat);
  EXPECT_EQ(BorderPixel(grid, 0, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(BorderPixel(grid, -1, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(BorderPixel(grid, 1, 5), ColorToRGB(grid.Color())) << "the inner pixel";
  grid.SetLookAndFeel(lfFlat);
  EXPECT_EQ(BorderPixel(grid, 0, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(BorderPixel(grid, -1, 5), ColorToRGB(clBtnHighlight)) << "a sunken edge";
  EXPECT_EQ(grid.ClientWidth(), grid.Width() - 4) << "two pixels of border on each side";
}

TEST(TreeListMessages, ThePanelFontsFollowTheParentsFont) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  form.Form->Font().SetSize(14);
  EXPECT_EQ(grid.Font().Size(), 14);
  EXPECT_EQ(grid.BandFont().Size(), 14);
  EXPECT_EQ(grid.HeaderFont().Size(), 14);
  EXPECT_EQ(grid.PreviewFont().Size(), 14);
  EXPECT_EQ(grid.PreviewFont().Color(), clBlue);
  grid.HeaderFont().SetSize(9);
  grid.SetParentFont(false);
  form.Form->Font().SetSize(16);
  EXPECT_EQ(grid.HeaderFont().Size(), 9) << "not without ParentFont";
}

}  // namespace
