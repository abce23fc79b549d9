// Sizing bands, columns, panels and rows by dragging their edges with the
// real mouse: the widths that result under each width rule, the limits of
// the sizing line, and the ways a sizing ends without a change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "framework/gui/graphics/canvas.h"
#include "tests/grid/mouse_grid.h"

namespace {

struct ColumnSizingCase {
  const char* Name;
  std::function<void(TMouseGrid&)> Setup;
  int Column;
  int Dx;
  const char* Widths;  // every column's shown width afterwards
};
void PrintTo(const ColumnSizingCase& c, std::ostream* os) { *os << c.Name; }

class ColumnSizingTest : public MouseGridTest, public ::testing::WithParamInterface<ColumnSizingCase> {};

// One band without band header width (its own width): it keeps that width.
void OwnBandWidth(TMouseGrid& grid) {
  grid.SetDefaultLayout(false);
  grid.SetOptionsEx(grid.OptionsEx() & ~(1u << tloBandHeaderWidth));
  grid.Bands().Items(0)->SetWidth(240);
}

TEST_P(ColumnSizingTest, DraggingAHeaderEdgeSizesTheColumn) {
  const ColumnSizingCase& c = GetParam();
  if (c.Setup) c.Setup(*Grid);
  int changed = 0;
  Grid->OnChangedColumnsWidth = [&](TObject*) { ++changed; };
  const TPoint from = CellEdge(c.Column);
  const int edge = Cell(c.Column).Rect.Right;

  Drag(from, Point(from.X + c.Dx, from.Y), false);
  EXPECT_EQ(Grid->State(), tsColumnSizing);
  EXPECT_TRUE(Grid->SizingLineShown());
  const int line = Grid->SizingLinePos();
  MouseReleaseAt(*Grid, Point(from.X + c.Dx, from.Y));

  EXPECT_EQ(Widths(), c.Widths);
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_FALSE(Grid->SizingLineShown()) << "the line goes with the release";
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(Cell(c.Column).Rect.Right, line) << "the edge lands where the line stood";
  EXPECT_GT(std::abs(line - edge), 0);
}

INSTANTIATE_TEST_SUITE_P(Rules, ColumnSizingTest,
                         ::testing::Values(
                             // The default layout's band follows its columns: it grows.
                             ColumnSizingCase{"DefaultLayoutBandGrows", nullptr, 0, 30, "90 80 100"},
                             ColumnSizingCase{"ShrinkingStopsAtTheMinimum", nullptr, 0, -100, "20 80 100"},
                             // A band of its own width: the columns right of the sized one give
                             // the difference in proportion (80:100 of 30).
                             ColumnSizingCase{"ColumnsRightOfItGiveWay", OwnBandWidth, 0, 30, "90 67 83"},
                             ColumnSizingCase{"ColumnsRightOfItTakeTheRest", OwnBandWidth, 1, -36,
                                              "60 44 136"},
                             // With tloAutoWidth the columns fill the client (480): 120 160 200.
                             ColumnSizingCase{"AutoWidthKeepsTheClientWidth",
                                              [](TMouseGrid& g) {
                                                g.SetShowBands(true);
                                                g.SetOptions(g.Options() | (1u << tloAutoWidth));
                                              },
                                              0, 30, "150 147 183"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MouseGridTest, SizingNextToColumnsOfNoWidthSharesTheSpaceEvenly) {
  OwnBandWidth(*Grid);
  for (int i : {1, 2}) {
    Column(i)->SetMinWidth(0);
    Column(i)->SetWidth(0);
  }
  Grid->Bands().Items(0)->SetWidth(60);
  ASSERT_EQ(Widths(), "60 0 0");
  const TPoint from = CellEdge(0);
  Drag(from, Point(from.X - 20, from.Y));
  EXPECT_EQ(Widths(), "40 10 10") << "columns of no width share the 20 pixels, none goes below 0";
}

TEST_F(MouseGridTest, BandSizingStopsTwoPixelsShortOfTheClientEdge) {
  Grid->SetDefaultLayout(false);
  Grid->SetShowBands(true);
  const TRect band = BandRect(0);
  const TPoint from = Point(band.Right - 2, (band.Top + band.Bottom) / 2);
  Drag(from, Point(from.X + 1000, from.Y), false);
  EXPECT_EQ(Grid->SizingLinePos(), Grid->ClientWidth() - 2);
  MouseReleaseAt(*Grid, Point(from.X + 1000, from.Y));
  EXPECT_EQ(Grid->GetBandDisplayWidth(0), Grid->ClientWidth() - 2);
  EXPECT_EQ(Widths(), "120 159 199") << "the band's columns keep their proportions";

  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloFullSizing));
  const TRect wider = BandRect(0);
  const TPoint again = Point(wider.Right - 2, (wider.Top + wider.Bottom) / 2);
  Drag(again, Point(again.X + 100, again.Y));
  EXPECT_EQ(Grid->GetBandDisplayWidth(0), Grid->ClientWidth() - 2 + 100) << "full sizing passes the client";
}

TEST_F(MouseGridTest, AutoWidthBandsAfterTheSizedOneGiveTheDifference) {
  Grid->SetDefaultLayout(false);
  Grid->SetShowBands(true);
  Grid->Bands().Add();
  Grid->Bands().Add();
  Column(1)->SetBandIndex(1);
  Column(2)->SetBandIndex(2);
  Grid->SetOptions(Grid->Options() | (1u << tloAutoWidth));
  ASSERT_EQ(Grid->GetBandDisplayWidth(0), 120);
  int changed = 0;
  Grid->OnChangedColumnsWidth = [&](TObject*) { ++changed; };
  const TRect band = BandRect(0);
  const TPoint from = Point(band.Right - 2, (band.Top + band.Bottom) / 2);
  Drag(from, Point(from.X + 40, from.Y));
  EXPECT_EQ(Grid->GetBandDisplayWidth(0), 160);
  EXPECT_EQ(Grid->GetBandDisplayWidth(1), 142);
  EXPECT_EQ(Grid->GetBandDisplayWidth(2), 178);
  EXPECT_EQ(Widths(), "160 142 178");
  EXPECT_EQ(changed, 1);

  // The last band takes from the bands before it.
  const TRect last = BandRect(2);
  Drag(Point(last.Right - 2, (last.Top + last.Bottom) / 2),
       Point(last.Right - 2 - 30, (last.Top + last.Bottom) / 2));
  EXPECT_EQ(Grid->GetBandDisplayWidth(2), 148);
  EXPECT_EQ(Grid->GetBandDisplayWidth(0) + Grid->GetBandDisplayWidth(1), 332);
}

struct CancelCase {
  const char* Name;
  void (*Cancel)(MouseGridTest& t, TMouseGrid& grid);
};
void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.Name; }

class SizingCancelTest : public MouseGridTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(SizingCancelTest, ACancelledSizingChangesNothing) {
  int changed = 0;
  Grid->OnChangedColumnsWidth = [&](TObject*) { ++changed; };
  const TPoint from = CellEdge(1);
  Drag(from, Point(from.X + 40, from.Y), false);
  ASSERT_EQ(Grid->State(), tsColumnSizing);
  GetParam().Cancel(*this, *Grid);
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_FALSE(Grid->SizingLineShown());
  MouseReleaseAt(*Grid, Point(from.X + 40, from.Y));
  EXPECT_EQ(Widths(), "60 80 100");
  EXPECT_EQ(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SizingCancelTest,
    ::testing::Values(CancelCase{"Escape", [](MouseGridTest&, TMouseGrid& g) { KeyInto(g, Qt::Key_Escape); }},
                      CancelCase{"RightButton",
                                 [](MouseGridTest&, TMouseGrid& g) {
                                   MousePressAt(g, Point(200, 100), Qt::RightButton);
                                   MouseReleaseAt(g, Point(200, 100), Qt::RightButton);
                                 }},
                      CancelCase{"CancelMode", [](MouseGridTest&, TMouseGrid&) { CancelModes(); }},
                      CancelCase{"UpdateLock",
                                 [](MouseGridTest&, TMouseGrid& g) {
                                   g.BeginUpdate();
                                   g.EndUpdate();
                                 }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MouseGridTest, HeaderPanelRowsFollowTheDraggedEdge) {
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloHeaderPanelSizing) | (1u << tloAutoHeaderPanelHeight));
  const int line = Grid->Metrics().HeaderLineHeight;
  const int bottom = Grid->Layout().HeaderPanel.Bottom;
  const TPoint from = Point(100, bottom - 1);
  // A little more than half a line down snaps to the next boundary.
  Drag(from, Point(100, bottom - 1 + line / 2 + 2), false);
  EXPECT_EQ(Grid->SizingLinePos(), bottom + line);
  MouseReleaseAt(*Grid, Point(100, bottom - 1 + line / 2 + 2));
  EXPECT_EQ(Grid->HeaderPanelRowCount(), 2);
  EXPECT_FALSE(Grid->OptionExOn(tloAutoHeaderPanelHeight))
      << "a row count set by hand ends the automatic one";

  const int newBottom = Grid->Layout().HeaderPanel.Bottom;
  Drag(Point(100, newBottom - 1), Point(100, newBottom - 1 - 3 * line));
  EXPECT_EQ(Grid->HeaderPanelRowCount(), 1) << "never fewer than one row";
}

TEST_F(MouseGridTest, BandPanelRowsFollowTheDraggedEdge) {
  Grid->SetDefaultLayout(false);
  Grid->SetShowBands(true);
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloBandPanelSizing));
  const int row = Grid->Metrics().BandTextHeight;
  const int bottom = Grid->Layout().BandPanel.Bottom;
  Drag(Point(100, bottom - 1), Point(100, bottom - 1 + 2 * row));
  EXPECT_EQ(Grid->BandRowCount(), 3);
  const int newBottom = Grid->Layout().BandPanel.Bottom;
  Drag(Point(100, newBottom - 1), Point(100, newBottom - 1 + 10 * row));
  EXPECT_EQ(Grid->BandRowCount(), Grid->BandMaxRowCount()) << "never more than BandMaxRowCount";
}

TEST_F(MouseGridTest, RowHeightFollowsTheDraggedRowEdge) {
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloRowSizing));
  Grid->AddRow({"a"});
  Grid->AddRow({"b"});
  const int height = Grid->DefaultRowHeight();
  const TdxTreeListRowItem row = Grid->Layout().RowItems[0];
  const int bottom = row.Top + row.Height;
  Drag(Point(150, bottom - 2), Point(150, bottom - 2 + 10));
  EXPECT_EQ(Grid->DefaultRowHeight(), height + 10);
  EXPECT_TRUE(Grid->IsDefaultRowHeightAssigned());

  const TdxTreeListRowItem taller = Grid->Layout().RowItems[0];
  const int tallerBottom = taller.Top + taller.Height;
  Drag(Point(150, tallerBottom - 2), Point(150, taller.Top + 2));
  EXPECT_EQ(Grid->DefaultRowHeight(), Grid->Metrics().MinRowLineHeight) << "never below what the font needs";
  EXPECT_FALSE(Grid->IsDefaultRowHeightAssigned());
}

TEST_F(MouseGridTest, DoubleClickOnAnEdgeFitsTheColumnToItsTexts) {
  Grid->AddRow({"a", "x"});
  const std::string longest = "a rather longer text than the others";
  Grid->AddRow({"b", longest});
  int changed = 0;
  Grid->OnChangedColumnsWidth = [&](TObject*) { ++changed; };
  const TPoint edge = CellEdge(1);
  QTest::mouseDClick(QtWindowOf(*Grid), Qt::LeftButton, Qt::NoModifier, WindowPointOf(*Grid, edge));
  TCanvas canvas;
  canvas.Font().Assign(&Column(1)->Font());
  const int text = canvas.TextWidth(longest);
  EXPECT_GT(Column(1)->Width(), text) << "the widest text fits with a margin";
  EXPECT_LT(Column(1)->Width(), text + 30);
  EXPECT_EQ(Column(0)->Width(), 60);
  EXPECT_EQ(Column(2)->Width(), 100);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(Grid->State(), tsNone);
}

}  // namespace
