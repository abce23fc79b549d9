// Hit-testing the apartment grid: points on cells, headers and their
// edges, bands, the indicator, row edges and empty areas give their codes,
// with the band, column, node and row they name.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "tests/grid/apartment_grid.h"

namespace {

TPoint Centre(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

struct THitCase {
  std::string Name;
  // Sets the grid up beyond the defaults (may be empty).
  std::function<void(TApartmentGrid&)> Prepare;
  std::function<TPoint(const TdxTreeListLayoutInfo&, TApartmentGrid&)> Where;
  TdxTreeListHitTest Code;
  int Band;
  int Column;
  int Row;  // line index; -1: no node
  friend std::ostream& operator<<(std::ostream& os, const THitCase& c) { return os << c.Name; }
};

const TdxTreeListHeaderItem& Header(const TdxTreeListLayoutInfo& layout, int column) {
  return *layout.FindHeader(column);
}
int RowMiddle(const TdxTreeListLayoutInfo& layout, int line) {
  const TdxTreeListRowItem& row = layout.RowItems[static_cast<std::size_t>(line)];
  return row.Top + row.Height / 2;
}

class HitTest : public ::testing::TestWithParam<THitCase> {};

TEST_P(HitTest, PointGivesItsCodeAndItems) {
  const THitCase& c = GetParam();
  TApartmentGrid grid;
  grid.AddApartments(4);
  if (c.Prepare) c.Prepare(grid);
  const TdxTreeListLayoutInfo layout = grid.Layout();
  const TPoint p = c.Where(layout, grid);
  TdxTreeListHitInfo info;
  grid.HitTestPoint(p, info);
  EXPECT_EQ(info.X, p.X);
  EXPECT_EQ(info.Y, p.Y);
  EXPECT_EQ(static_cast<int>(info.HitTest), static_cast<int>(c.Code));
  EXPECT_EQ(info.Band, c.Band);
  EXPECT_EQ(info.Column, c.Column);
  EXPECT_EQ(info.LineIndex, c.Row);
  EXPECT_EQ(info.Node, c.Row >= 0 ? grid.Items(c.Row) : nullptr);
  EXPECT_EQ(grid.GetHitCodeAt(p.X, p.Y), info.HitTest);
}

const auto Indicator = [](TApartmentGrid& g) { g.SetShowIndicator(true); };
const auto RowSizing = [](TApartmentGrid& g) { g.SetOptionsEx(g.OptionsEx() | (1u << tloRowSizing)); };

INSTANTIATE_TEST_SUITE_P(
    Table, HitTest,
    ::testing::Values(
        THitCase{"Cell", nullptr,
                 [](const auto& l, auto&) { return Point(Header(l, acStreetName).Rect.Left + 20, RowMiddle(l, 2)); },
                 htLabel, 1, acStreetName, 2},
        THitCase{"CellOfTheFixedBand", nullptr,
                 [](const auto& l, auto&) { return Point(Header(l, acName).Rect.Left + 20, RowMiddle(l, 0)); },
                 htLabel, 0, acName, 0},
        THitCase{"RightOfTheLastColumn", nullptr, [](const auto& l, auto&) { return Point(600, RowMiddle(l, 1)); },
                 htRight, -1, -1, 1},
        THitCase{"Indent", nullptr, [](const auto& l, auto&) { return Point(5, RowMiddle(l, 3)); }, htIndent, -1, -1, 3},
        THitCase{"BelowTheRows", nullptr, [](const auto& l, auto&) { return Point(300, l.Rows.Bottom - 2); },
                 htNowhere, -1, -1, -1},
        THitCase{"Header", nullptr,
                 [](const auto& l, auto&) { return Centre(Header(l, acBuild).Rect); }, htColumn, 1, acBuild, -1},
        THitCase{"HeaderThreeLeftOfTheEdge", nullptr,
                 [](const auto& l, auto&) {
                   return Point(Header(l, acBuild).Rect.Right - 3, Centre(Header(l, acBuild).Rect).Y);
                 },
                 htColumnEdge, 1, acBuild, -1},
        THitCase{"HeaderFiveLeftOfTheEdge", nullptr,
                 [](const auto& l, auto&) {
                   return Point(Header(l, acBuild).Rect.Right - 5, Centre(Header(l, acBuild).Rect).Y);
                 },
                 htColumn, 1, acBuild, -1},
        THitCase{"HeaderJustRightOfTheEdgeBelongsToTheLeftColumn", nullptr,
                 [](const auto& l, auto&) {
                   return Point(Header(l, acBuild).Rect.Right + 1, Centre(Header(l, acBuild).Rect).Y);
                 },
                 htColumnEdge, 1, acBuild, -1},
        THitCase{"FixedColumnHasNoEdge",
                 [](TApartmentGrid& g) { g.Column(acBuild).SetSizing(false); },
                 [](const auto& l, auto&) {
                   return Point(Header(l, acBuild).Rect.Right - 2, Centre(Header(l, acBuild).Rect).Y);
                 },
                 htColumn, 1, acBuild, -1},
        THitCase{"LastHeaderOfABandIsTheBandEdge", nullptr,
                 [](const auto& l, auto&) {
                   return Point(Header(l, acApartment).Rect.Right - 2, Centre(Header(l, acApartment).Rect).Y);
                 },
                 htBandEdge, 1, -1, -1},
        THitCase{"Band", nullptr, [](const auto& l, auto&) { return Centre(l.Bands[1].Rect); }, htBand, 1, -1, -1},
        THitCase{"BandEdge", nullptr,
                 [](const auto& l, auto&) { return Point(l.Bands[1].Rect.Right - 2, l.Bands[1].Rect.Top + 3); },
                 htBandEdge, 1, -1, -1},
        THitCase{"IndicatorRow", Indicator, [](const auto& l, auto&) { return Point(5, RowMiddle(l, 1)); },
                 htIndicator, -1, -1, 1},
        THitCase{"IndicatorBelowTheRows", Indicator, [](const auto& l, auto&) { return Point(5, l.Rows.Bottom - 2); },
                 htIndicator, -1, -1, -1},
        THitCase{"BandButton", Indicator, [](const auto& l, auto&) { return Centre(l.BandButton); }, htBandButton, -1,
                 -1, -1},
        THitCase{"HeaderButton", Indicator, [](const auto& l, auto&) { return Centre(l.HeaderButton); },
                 htHeaderButton, -1, -1, -1},
        THitCase{"RowEdgeWithoutIndicator", RowSizing,
                 [](const auto& l, auto&) {
                   const auto& row = l.RowItems[1];
                   return Point(300, row.Top + row.Height + 2);
                 },
                 htRowEdge, -1, -1, 1},
        THitCase{"RowEdgeAboveTheBoundary", RowSizing,
                 [](const auto& l, auto&) {
                   const auto& row = l.RowItems[1];
                   return Point(300, row.Top + row.Height - 2);
                 },
                 htRowEdge, -1, -1, 1},
        THitCase{"Outside", nullptr, [](const auto&, auto& g) { return Point(g.ClientWidth() + 3, 10); }, htOutside,
                 -1, -1, -1},
        THitCase{"FooterCell", [](TApartmentGrid& g) { g.SetShowFooter(true); },
                 [](const auto& l, auto&) { return Point(Header(l, acCorp).Rect.Left + 5, l.Footer.Top + 4); },
                 htSummaryFooter, 1, acCorp, -1}));

TEST(HitTestScrolled, CellsMoveWithTheScrollingBandsButNotWithTheFixedOne) {
  TApartmentGrid grid;
  grid.AddApartments(2);
  grid.SetBounds(0, 0, 300, 200);
  grid.SetLeftCoordValue(100);
  const TdxTreeListLayoutInfo layout = grid.Layout();
  const int y = RowMiddle(layout, 0);
  EXPECT_EQ(Header(layout, acPhone).Rect.Left, 0);
  EXPECT_EQ(Header(layout, acStreetName).Rect.Left, 160 - 100);
  TdxTreeListHitInfo info;
  grid.HitTestPoint(Point(165, y), info);
  EXPECT_EQ(info.Column, acStreetName) << "the scrolled part shows under the fixed band's right";
  grid.HitTestPoint(Point(20, y), info);
  EXPECT_EQ(info.Column, acPhone);
}

}  // namespace

namespace {

// A parent with two children, images and state images: the indent of a
// row holds its button, state image and image, left to right.
TEST(HitTestIndent, ButtonStateImageAndImageOfATreeRow) {
  TApartmentGrid grid;
  TImageList images(nullptr, 10, 10);
  TImageList states(nullptr, 8, 8);
  grid.SetImages(&images);
  grid.SetStateImages(&states);
  TdxTreeListTextNode* parent = grid.AddApartment("1", "Parent", "", "", "", "");
  auto* child = static_cast<TdxTreeListTextNode*>(parent->AddChild());
  parent->AddChild();
  parent->SetExpanded(true);
  child->SetStateIndex(0);
  child->SetImageIndex(0);
  const TdxTreeListLayoutInfo layout = grid.Layout();
  const int parentY = RowMiddle(layout, 0);
  const int childY = RowMiddle(layout, 1);
  EXPECT_EQ(grid.GetHitCodeAt(8, parentY), htButton);
  EXPECT_EQ(grid.GetHitCodeAt(8, childY), htIndent) << "the parent's level slot";
  EXPECT_EQ(grid.GetHitCodeAt(16 + 3, childY), htIndent) << "the child's own slot holds no button";
  EXPECT_EQ(grid.GetHitCodeAt(32 + 3, childY), htStateIcon);
  EXPECT_EQ(grid.GetHitCodeAt(32 + 8 + 3, childY), htIcon);
  EXPECT_EQ(grid.GetHitCodeAt(32 + 18 + 3, childY), htLabel) << "the cell after the indent";
  const TdxNodeIndentParts parts = grid.GetNodeIndentParts(child);
  EXPECT_EQ(parts.ButtonLeft, -1);
  EXPECT_EQ(parts.StateImageLeft, 32);
  EXPECT_EQ(parts.ImageLeft, 40);
  EXPECT_EQ(parts.End, 50);
  EXPECT_EQ(grid.GetCellRect(layout, child, acPhone).Left, 50);
}

}  // namespace
