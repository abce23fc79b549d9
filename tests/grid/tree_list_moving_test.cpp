// Moving bands and headers by dragging them with the real mouse: where
// they land, the arrows and the picture that follow the pointer, hiding
// by dragging out (and the items that stay), the events that may refuse,
// and a drag cancelled with Escape.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/grid/mouse_grid.h"

namespace {

class MovingTest : public MouseGridTest {
 protected:
  // A point under the headers, in the rows area: outside every panel.
  TPoint Outside() const { return Point(100, Grid->Layout().HeaderPanel.Bottom + 40); }
  TPoint LeftHalf(int column) const {
    const TRect r = Cell(column).Rect;
    return Point(r.Left + 3, (r.Top + r.Bottom) / 2);
  }
  TPoint RightHalf(int column) const {
    const TRect r = Cell(column).Rect;
    return Point(r.Right - 6, (r.Top + r.Bottom) / 2);
  }
  std::string BandCaptions() const {
    std::string captions;
    for (int i = 0; i < Grid->Bands().Count(); ++i)
      if (Grid->Bands().Items(i)->Visible()) captions += Grid->Bands().Items(i)->Caption();
    return captions;
  }
  // Three visible bands X, Y and Z holding A, B and C.
  void ThreeBands() {
    Grid->SetDefaultLayout(false);
    Grid->SetShowBands(true);
    Grid->Bands().Items(0)->SetCaption("X");
    Grid->Bands().Add()->SetCaption("Y");
    Grid->Bands().Add()->SetCaption("Z");
    Column(1)->SetBandIndex(1);
    Column(2)->SetBandIndex(2);
  }
  TPoint BandPoint(int visibleBand, bool rightHalf) const {
    const TRect r = BandRect(visibleBand);
    return Point(rightHalf ? r.Right - 8 : r.Left + 8, (r.Top + r.Bottom) / 2);
  }
};

struct HeaderDropCase {
  const char* Name;
  int Column;
  // Where it goes: column and half.
  int Target;
  bool RightHalf;
  const char* Order;  // the shown captions afterwards
};
void PrintTo(const HeaderDropCase& c, std::ostream* os) { *os << c.Name; }

class HeaderDropTest : public MovingTest, public ::testing::WithParamInterface<HeaderDropCase> {};

TEST_P(HeaderDropTest, ADroppedHeaderTakesThePlaceTheArrowsShow) {
  const HeaderDropCase& c = GetParam();
  std::vector<std::string> events;
  Grid->OnStartHeaderDragging = [&](TObject*, TdxTreeListColumn* column) {
    events.push_back("start " + column->Caption());
  };
  Grid->OnHeaderMoved = [&](TObject*, TdxTreeListColumn* column) {
    events.push_back("moved " + column->Caption());
  };
  Grid->OnColumnMoved = [&](TObject*, int from, int to) {
    events.push_back("column " + std::to_string(from) + ">" + std::to_string(to));
  };
  const bool moves = std::string(c.Order) != "ABC";
  const std::string name = Column(c.Column)->Caption();
  const TRect target = Cell(c.Target).Rect;
  const TPoint drop = c.RightHalf ? RightHalf(c.Target) : LeftHalf(c.Target);

  Drag(CellCentre(c.Column), drop, false);
  ASSERT_EQ(Grid->State(), tsColumnDragging);
  const TRect image = Grid->HeaderDragImageRect();
  EXPECT_EQ(image.Width(), Cell(c.Column).Rect.Width()) << "the picture is the header cell's";
  EXPECT_TRUE(image.Contains(Grid->ClientToScreen(drop))) << "it follows the pointer";
  const TRect arrows = Grid->DropArrowsRect();
  if (moves) {
    const int edge = c.RightHalf ? target.Right : target.Left;
    // The arrows point at the drop edge (at the last pixel of the panel).
    EXPECT_NEAR(arrows.Left + 5, Grid->ClientToScreen(Point(edge, 0)).X, 1);
    EXPECT_EQ(arrows.Height(), Grid->Metrics().HeaderLineHeight + 18);
  } else {
    EXPECT_TRUE(arrows.IsEmpty()) << "no arrows where the drop changes nothing";
  }
  MouseReleaseAt(*Grid, drop);

  EXPECT_EQ(Captions(), c.Order);
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_TRUE(Grid->DropArrowsRect().IsEmpty());
  EXPECT_TRUE(Grid->HeaderDragImageRect().IsEmpty());
  EXPECT_EQ(ScreenCursor(), crDefault) << "the cursor is given back";
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0], "start " + name);
  if (moves) {
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], "moved " + name);
  } else {
    EXPECT_EQ(events.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Places, HeaderDropTest,
                         ::testing::Values(HeaderDropCase{"FirstAfterTheLast", 0, 2, true, "BCA"},
                                           HeaderDropCase{"FirstBeforeTheLast", 0, 2, false, "BAC"},
                                           HeaderDropCase{"LastBeforeTheFirst", 2, 0, false, "CAB"},
                                           HeaderDropCase{"LastAfterTheFirst", 2, 0, true, "ACB"},
                                           HeaderDropCase{"OntoItsOwnRightNeighboursLeftHalf", 0, 1, false,
                                                          "ABC"},
                                           HeaderDropCase{"OntoItself", 1, 1, true, "ABC"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MovingTest, ColumnMovedEventNamesTheListPositions) {
  std::vector<std::string> moved;
  Grid->OnColumnMoved = [&](TObject*, int from, int to) {
    moved.push_back(std::to_string(from) + ">" + std::to_string(to));
  };
  Drag(CellCentre(0), RightHalf(2));
  EXPECT_EQ(moved, std::vector<std::string>{"0>2"});
}

TEST_F(MovingTest, ABandDroppedElsewhereMovesWithItsColumns) {
  ThreeBands();
  std::vector<std::string> events;
  Grid->OnStartBandDragging = [&](TObject*, TdxTreeListBand* band) {
    events.push_back("start " + band->Caption());
  };
  Drag(BandPoint(0, false), BandPoint(2, true), false);
  ASSERT_EQ(Grid->State(), tsBandDragging);
  const TRect band = BandRect(2);
  EXPECT_NEAR(Grid->DropArrowsRect().Left + 5, Grid->ClientToScreen(Point(band.Right, 0)).X, 1);
  EXPECT_EQ(Grid->DropArrowsRect().Height(), Grid->Metrics().BandPanelHeight + 18);
  MouseReleaseAt(*Grid, BandPoint(2, true));
  EXPECT_EQ(BandCaptions(), "YZX");
  EXPECT_EQ(Captions(), "ABC");
  EXPECT_EQ(Column(0)->BandIndex(), 2) << "the column went along with its band";
  EXPECT_EQ(events, std::vector<std::string>{"start X"});

  // Between two bands from the right.
  Drag(BandPoint(2, true), BandPoint(1, false));
  EXPECT_EQ(BandCaptions(), "YXZ");
}

TEST_F(MovingTest, FixedOrUndraggableBandsStayPressedInsteadOfMoving) {
  ThreeBands();
  Grid->Bands().Items(0)->SetFixed(bfLeft);
  Grid->Bands().Items(1)->SetDisableDragging(true);
  for (int band : {0, 1}) {
    Drag(BandPoint(band, false), BandPoint(2, true), false);
    EXPECT_EQ(Grid->State(), tsBandDown) << band;
    EXPECT_FALSE(Grid->PressedItemDown()) << "released look away from the band";
    MouseReleaseAt(*Grid, BandPoint(2, true));
  }
  EXPECT_EQ(BandCaptions(), "XYZ");
  Grid->OnCanBandDragging = [](TObject*, TdxTreeListBand*, bool& allow) { allow = false; };
  Drag(BandPoint(2, false), BandPoint(0, true));
  EXPECT_EQ(BandCaptions(), "XYZ");
}

struct HideCase {
  const char* Name;
  std::function<void(TMouseGrid&)> Setup;
  bool Hidden;
};
void PrintTo(const HideCase& c, std::ostream* os) { *os << c.Name; }

class HeaderHideTest : public MovingTest, public ::testing::WithParamInterface<HideCase> {};

void ExtCustomizing(TMouseGrid& grid) { grid.SetOptions(grid.Options() | (1u << tloExtCustomizing)); }

TEST_P(HeaderHideTest, AHeaderDraggedOutIsHiddenWhenCustomizingAllows) {
  const HideCase& c = GetParam();
  if (c.Setup) c.Setup(*Grid);
  int hidden = 0;
  Grid->OnHideHeader = [&](TObject*, TdxTreeListColumn*) { ++hidden; };
  Drag(CellCentre(0), Outside(), false);
  EXPECT_EQ(ScreenCursor(), crDxTLDelete) << "outside the headers the cursor says the header would go";
  EXPECT_TRUE(Grid->DropArrowsRect().IsEmpty());
  MouseReleaseAt(*Grid, Outside());
  EXPECT_EQ(!Column(0)->Visible(), c.Hidden);
  EXPECT_EQ(hidden, c.Hidden ? 1 : 0);
  EXPECT_EQ(ScreenCursor(), crDefault);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderHideTest,
                         ::testing::Values(HideCase{"ExtCustomizing", ExtCustomizing, true},
                                           HideCase{"WithoutCustomizing", nullptr, false},
                                           HideCase{"DisableCustomizing",
                                                    [](TMouseGrid& g) {
                                                      ExtCustomizing(g);
                                                      g.Columns(0)->SetDisableCustomizing(true);
                                                    },
                                                    false},
                                           HideCase{"TheOnlyVisibleColumn",
                                                    [](TMouseGrid& g) {
                                                      ExtCustomizing(g);
                                                      g.Columns(1)->SetVisible(false);
                                                      g.Columns(2)->SetVisible(false);
                                                    },
                                                    false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MovingTest, TheLastVisibleBandStaysWhenDraggedOut) {
  ThreeBands();
  ExtCustomizing(*Grid);
  std::vector<std::string> hidden;
  Grid->OnHideBand = [&](TObject*, TdxTreeListBand* band) { hidden.push_back(band->Caption()); };
  const TPoint out = Point(100, Grid->Layout().Rows.Top + 40);
  Drag(BandPoint(2, false), out);
  Drag(BandPoint(1, false), out);
  EXPECT_EQ(BandCaptions(), "X");
  Drag(BandPoint(0, false), out);
  EXPECT_EQ(BandCaptions(), "X") << "the last band would take every header with it";
  EXPECT_EQ(hidden, (std::vector<std::string>{"Z", "Y"}));
}

TEST_F(MovingTest, EscapeEndsAHeaderDragWithTheLayoutAsItWas) {
  Drag(CellCentre(0), RightHalf(2), false);
  ASSERT_EQ(Grid->State(), tsColumnDragging);
  ASSERT_NE(ScreenCursor(), crDefault);
  KeyInto(*Grid, Qt::Key_Escape);
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_TRUE(Grid->DropArrowsRect().IsEmpty());
  EXPECT_TRUE(Grid->HeaderDragImageRect().IsEmpty());
  EXPECT_EQ(ScreenCursor(), crDefault);
  MouseReleaseAt(*Grid, RightHalf(2));
  EXPECT_EQ(Captions(), "ABC");
}

TEST_F(MovingTest, TheDragEndEventMayRefuseOrMoveTheDrop) {
  Grid->OnDragEndHeader = [](TObject*, TdxTreeListColumn*, TPoint, TdxHeaderPosInfo&, bool& accept) {
    accept = false;
  };
  Drag(CellCentre(0), RightHalf(2));
  EXPECT_EQ(Captions(), "ABC");

  TdxHeaderPosInfo seen;
  Grid->OnDragEndHeader = [&](TObject*, TdxTreeListColumn*, TPoint, TdxHeaderPosInfo& info, bool&) {
    seen = info;
    info.ColIndex = 1;
  };
  Drag(CellCentre(0), RightHalf(2));
  EXPECT_EQ(seen.BandIndex, 0);
  EXPECT_EQ(seen.RowIndex, 0);
  EXPECT_EQ(seen.ColIndex, 2);
  EXPECT_EQ(seen.DropTarget, 2) << "the column at the drop place";
  EXPECT_EQ(Captions(), "BAC") << "where the handler put it";
}

TEST_F(MovingTest, ABandKeepingItsOwnColumnsTakesNoOthers) {
  ThreeBands();
  Grid->Bands().Items(1)->SetOnlyOwnColumns(true);
  TdxHeaderPosInfo info;
  Drag(CellCentre(0), RightHalf(1), false);
  Grid->FillHeaderPosInfo(RightHalf(1), info);
  EXPECT_EQ(info.DropTarget, -2);
  EXPECT_TRUE(Grid->DropArrowsRect().IsEmpty());
  MouseReleaseAt(*Grid, RightHalf(1));
  EXPECT_EQ(Column(0)->BandIndex(), 0);
  // Into a band without the restriction it goes.
  Drag(CellCentre(0), LeftHalf(2));
  EXPECT_EQ(Column(0)->BandIndex(), 2);
}

TEST_F(MovingTest, ColumnMovingOffLeavesAPressedHeader) {
  Grid->SetOptions(Grid->Options() & ~(1u << tloColumnMoving));
  Drag(CellCentre(0), RightHalf(2), false);
  EXPECT_EQ(Grid->State(), tsColumnDown);
  MouseReleaseAt(*Grid, RightHalf(2));
  EXPECT_EQ(Captions(), "ABC");
  EXPECT_EQ(Grid->State(), tsNone);
}

}  // namespace
