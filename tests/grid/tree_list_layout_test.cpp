// Metrics and layout of a real tree list: heights from fonts and options,
// the user's row height, panel rectangles, band and column widths while the
// control is resized (with zero-width and fixed columns), row heights with
// row auto height and row footers, and cell and row rectangles.

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <vector>

#include "framework/gui/graphics/canvas.h"
#include "tests/grid/apartment_grid.h"

namespace {

int TextHeight(const TFont& font) {
  TCanvas canvas;
  canvas.Font().Assign(&font);
  return canvas.TextHeight("Wg");
}

TEST(TreeListMetrics, HeightsFollowTheFontsAndTheLook) {
  TApartmentGrid grid;
  const int text = TextHeight(grid.Font());
  const TdxTreeListMetrics& m = grid.Metrics();
  EXPECT_EQ(m.RowTextHeight, text);
  EXPECT_EQ(m.RowLineHeight, std::max(text + 3, 16));
  EXPECT_EQ(m.HeaderLineHeight, TextHeight(grid.HeaderFont()) + 5) << "ultra-flat: no extra pixel";
  EXPECT_EQ(m.BandPanelHeight, TextHeight(grid.BandFont()) + 5);
  grid.SetLookAndFeel(lfStandard);
  EXPECT_EQ(grid.Metrics().HeaderLineHeight, TextHeight(grid.HeaderFont()) + 6);
  grid.SetShowBands(false);
  EXPECT_EQ(grid.Metrics().BandPanelHeight, 0);
  grid.SetShowGrid(true);
  EXPECT_EQ(grid.Metrics().RowLineHeight, std::max(text + 3, 16) + 1) << "the grid line";
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloInvertSelect));
  EXPECT_EQ(grid.Metrics().RowLineHeight, std::max(text + 3, 16) + 3);
  grid.SetShowFooter(true);
  EXPECT_EQ(grid.Metrics().FooterHeight, text + 7 + 1 + 3);
}

TEST(TreeListMetrics, UserRowHeightIsNeverBelowTheMeasuredOne) {
  TApartmentGrid grid;
  const int measured = grid.Metrics().RowLineHeight;
  grid.SetDefaultRowHeight(measured - 5);
  EXPECT_EQ(grid.DefaultRowHeight(), measured);
  grid.SetDefaultRowHeight(measured + 10);
  EXPECT_EQ(grid.DefaultRowHeight(), measured + 10);
  EXPECT_TRUE(grid.IsDefaultRowHeightAssigned());
  EXPECT_EQ(grid.Metrics().RowLineHeight, measured + 10);
  grid.SetDefaultRowHeight(measured);
  EXPECT_FALSE(grid.IsDefaultRowHeightAssigned()) << "equal to the measured height: measured again";
  grid.HeaderFont().SetHeight(-30);
  EXPECT_EQ(grid.DefaultRowHeight(), measured);
}

TEST(TreeListMetrics, ImagesRaiseTheRowHeight) {
  TApartmentGrid grid;
  TImageList images(nullptr, 16, 40);
  grid.SetImages(&images);
  EXPECT_EQ(grid.Metrics().RowLineHeight, 40);
  EXPECT_EQ(grid.Metrics().ImageWidth, 16);
  images.SetSize(16, 10);
  EXPECT_EQ(grid.Metrics().RowLineHeight, std::max(grid.Metrics().RowTextHeight + 3, 16)) << "the change link";
}

TEST(TreeListMetrics, AFreedImageListIsForgotten) {
  TApartmentGrid grid;
  auto images = std::make_unique<TImageList>(nullptr, 16, 40);
  grid.SetStateImages(images.get());
  images.reset();
  EXPECT_EQ(grid.StateImages(), nullptr);
  EXPECT_EQ(grid.Metrics().StateImageHeight, 0);
}

TEST(TreeListLayout, PanelsStackFromTheTop) {
  TApartmentGrid grid;
  grid.SetShowIndicator(true);
  grid.SetShowFooter(true);
  const TdxTreeListLayoutInfo l = grid.Layout();
  const TdxTreeListMetrics& m = grid.Metrics();
  EXPECT_EQ(l.BandPanel, Rect(m.IndicatorWidth, 0, m.IndicatorWidth + 558, m.BandPanelHeight));
  EXPECT_EQ(l.BandButton, Rect(0, 0, m.IndicatorWidth, m.BandPanelHeight));
  EXPECT_EQ(l.HeaderPanel.Top, m.BandPanelHeight);
  EXPECT_EQ(l.HeaderPanel.Bottom, m.BandPanelHeight + m.HeaderPanelHeight);
  EXPECT_EQ(l.Rows.Top, l.HeaderPanel.Bottom);
  EXPECT_EQ(l.Rows.Bottom, grid.ClientHeight() - m.FooterHeight);
  EXPECT_EQ(l.Footer, Rect(0, l.Rows.Bottom, 640, grid.ClientHeight()));
  EXPECT_TRUE(l.NewItemRow.IsEmpty());
  grid.SetShowNewItemRow(true);
  EXPECT_EQ(grid.Layout().NewItemRow.Height(), m.RowLineHeight + m.NewItemRowSeparator);
  grid.SetHeaderPanelRowCount(2);
  EXPECT_TRUE(grid.Layout().NewItemRow.IsEmpty()) << "only with one header row";
}

TEST(TreeListLayout, WithoutVisibleBandsThereIsNothingToPlace) {
  TApartmentGrid grid;
  grid.SetShowNewItemRow(true);
  grid.Bands().Items(0)->SetVisible(false);
  grid.Bands().Items(1)->SetVisible(false);
  const TdxTreeListLayoutInfo l = grid.Layout();
  EXPECT_TRUE(l.Bands.empty());
  EXPECT_TRUE(l.Headers.empty());
  EXPECT_EQ(grid.GetTotalBandsWidth(), 0);
  EXPECT_EQ(grid.Metrics().NewItemRowHeight, 0);
}

// Auto width while the control is resized: every band row's columns fill
// their band, none is below its minimum, a non-sizable column keeps its
// width, and the bands never get narrower than their minimums.
class AutoWidthResize : public ::testing::TestWithParam<int> {};

TEST_P(AutoWidthResize, ColumnsFillTheirBandsAndKeepTheirLimits) {
  TApartmentGrid grid;
  grid.SetOptions(grid.Options() | (1u << tloAutoWidth));
  grid.SetOptionsEx(grid.OptionsEx() & ~(1u << tloBandHeaderWidth));
  grid.Column(acCorp).SetMinWidth(0);
  grid.Column(acCorp).SetWidth(0);
  grid.Column(acBuild).SetSizing(false);
  grid.Column(acBuild).SetWidth(60);
  grid.Bands().Items(0)->SetSizing(false);
  grid.Bands().Items(0)->SetWidth(160);
  grid.SetBounds(0, 0, GetParam(), 200);
  const int band0 = grid.GetBandDisplayWidth(0);
  const int band1 = grid.GetBandDisplayWidth(1);
  EXPECT_EQ(band0, 160) << "a band that is not sizable keeps its width";
  EXPECT_EQ(grid.GetTotalBandsWidth(), std::max(GetParam(), 160 + grid.GetBandMinWidth(1)));
  EXPECT_EQ(band0 + band1, grid.GetTotalBandsWidth());
  // Every column but the row's last keeps its minimum; the last takes what
  // is left, never less than nothing.
  const std::vector<int> main{acStreetName, acBuild, acCorp, acApartment};
  int sum = 0;
  for (int column : main) {
    const int width = grid.GetColumnWidth(column);
    if (column != acApartment) {
      EXPECT_GE(width, grid.Column(static_cast<TApartmentColumn>(column)).MinWidth()) << column;
    }
    EXPECT_GE(width, 0) << column;
    sum += width;
  }
  EXPECT_EQ(grid.GetColumnWidth(acBuild), 60);
  if (grid.GetColumnWidth(acApartment) > 0) {
    EXPECT_EQ(sum, band1);
  }
  EXPECT_EQ(grid.GetColumnWidth(acPhone) + grid.GetColumnWidth(acName), band0);
  // The header cells place the same band edge to edge, the fixed column
  // at its width and every share at its minimum or more.
  const TdxTreeListLayoutInfo l = grid.Layout();
  if (const TdxTreeListHeaderItem* last = l.FindHeader(acApartment)) {
    EXPECT_EQ(last->Rect.Right, l.Bands.back().Rect.Right);
    EXPECT_EQ(l.FindHeader(acBuild)->Rect.Width(), 60);
    EXPECT_GE(l.FindHeader(acStreetName)->Rect.Width(), 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, AutoWidthResize, ::testing::Values(120, 300, 385, 640, 1000));

TEST(TreeListRows, AutoHeightRowsGrowWithTheirTallestCell) {
  TApartmentGrid grid;
  grid.AddApartments(3);
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloRowAutoHeight));
  int asked = 0;
  grid.OnCalcRowLineHeight = [&](TObject*, TdxTreeListNode* node, TdxTreeListColumn* column, const std::string&, int,
                                 int, int, bool, bool, int& lines, int&, bool& done) {
    ++asked;
    if (node == grid.Items(1) && column == &grid.Column(acName)) {
      lines = 3;
      done = true;
    }
  };
  // The scroll bars measured the rows before the handler came.
  grid.ResetRowHeights();
  const int line = grid.Metrics().RowLineHeight;
  const int text = grid.Metrics().RowTextHeight;
  EXPECT_EQ(grid.GetNodeHeight(grid.Items(1), line, true), line + 2 * text);
  EXPECT_EQ(grid.GetNodeHeight(grid.Items(0), line, true), line);
  EXPECT_GT(asked, 0);
  // Cached until the caches are dropped.
  grid.GetNodeHeight(grid.Items(1), line, false);
  asked = 0;
  EXPECT_EQ(grid.GetNodeHeight(grid.Items(1), line, false), line + 2 * text);
  EXPECT_EQ(asked, 0);
  grid.SetShowGrid(true);
  grid.GetNodeHeight(grid.Items(1), grid.Metrics().RowLineHeight, false);
  EXPECT_GT(asked, 0) << "re-measuring drops every cached height";
}

TEST(TreeListRows, RowFootersCloseTheLastChildOfEachLevel) {
  TApartmentGrid grid;
  grid.SetShowRowFooter(true);
  TdxTreeListNode* group = grid.AddRow({"g"});
  TdxTreeListNode* inner = group->AddChild();
  TdxTreeListNode* a = inner->AddChild();
  TdxTreeListNode* b = inner->AddChild();
  group->SetExpanded(true);
  inner->SetExpanded(true);
  EXPECT_EQ(grid.GetRowFooterCount(a), 0);
  EXPECT_EQ(grid.GetRowFooterCount(b), 2);
  EXPECT_EQ(grid.GetRowFooterLevel(b, 0), 1);
  EXPECT_EQ(grid.GetRowFooterLevel(b, 1), 0);
  EXPECT_EQ(grid.GetRowFooterLevel(b, 5), 0) << "past the last: the outermost";
  EXPECT_EQ(grid.GetRowFooterLevel(a, 0), -1);
  const int line = grid.Metrics().RowLineHeight;
  EXPECT_EQ(grid.GetNodeHeight(b, line, true), line + 2 * grid.Metrics().RowFooterHeight);
}

TEST(TreeListRows, PreviewLinesMinusOneShowNoPreview) {
  TApartmentGrid grid;
  grid.AddApartments(1);
  grid.SetOptions(grid.Options() | (1u << tloPreview));
  grid.SetOptionsEx(grid.OptionsEx() & ~(1u << tloAutoCalcPreviewLines));
  const int line = grid.Metrics().RowLineHeight;
  EXPECT_EQ(grid.GetNodeHeight(grid.Items(0), line, true), line + 2 * grid.Metrics().PreviewLineHeight + 2);
  grid.SetPreviewLines(-1);
  EXPECT_EQ(grid.GetPreviewLineCount(grid.Items(0)), 0);
  EXPECT_EQ(grid.GetNodeHeight(grid.Items(0), line, true), line);
}

TEST(TreeListRows, RowAndCellRectanglesFollowTheTopRow) {
  TApartmentGrid grid;
  grid.AddApartments(50);
  const TdxTreeListLayoutInfo l = grid.Layout();
  const int line = grid.Metrics().RowLineHeight;
  // The rows reach the vertical scroll bar.
  EXPECT_EQ(grid.GetNodeRowRect(grid.Items(2)),
            Rect(0, l.Rows.Top + 2 * line, grid.ClientWidth(), l.Rows.Top + 3 * line));
  EXPECT_EQ(grid.GetNodeRowRect(grid.Items(49)), Rect(-1, -1, -1, -1)) << "below the screen";
  grid.SetTopVisibleNode(grid.Items(40));
  EXPECT_EQ(grid.GetNodeRowRect(grid.Items(41)).Top, l.Rows.Top + line);
  EXPECT_EQ(grid.GetCellRect(grid.Items(2), 0), Rect(-1, -1, -1, -1)) << "above the screen";
  const TRect cell = grid.GetCellRect(grid.Items(41), grid.GetVisibleColumnIndex(acStreetName));
  EXPECT_EQ(cell, Rect(160, l.Rows.Top + line, 316, l.Rows.Top + 2 * line));
  // The first cell starts after the row's indent (the expand button's slot).
  EXPECT_EQ(grid.GetCellRect(grid.Items(41), 0).Left, 16);
  EXPECT_EQ(grid.GetHitCodeAt(cell.Left + 3, cell.Top + 3), htLabel);
  EXPECT_EQ(grid.GetNodeAt(cell.Left + 3, cell.Top + 3), grid.Items(41));
}

}  // namespace
