// The apartment grid painted into a picture and checked at known pixels:
// band and header backgrounds, header text, the fixed band's line, grid
// lines, the focused cell, a custom-draw colour and the empty areas; then
// the same through a real widget, the search overlay's colours and the
// canvas state a raising custom-draw handler leaves.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/standard/forms.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/grid/apartment_grid.h"

namespace {

TPoint Centre(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

// Pixels inside r dark enough to be text.
int DarkPixels(TBitmap& bitmap, const TRect& r) {
  int dark = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const TColor c = bitmap.Canvas().Pixels(x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 250) ++dark;
    }
  return dark;
}

class TreeListPaintTest : public ::testing::Test {
 protected:
  TApartmentGrid Grid;

  void SetUp() override {
    Grid.AddApartments(5);
    Grid.SetBandColor(clAqua);
    Grid.SetHeaderColor(clYellow);
    Grid.SetFixedBandLineColor(clRed);
    Grid.SetHideSelection(false);
    Grid.SetHideSelectionColor(clLime);
    // Cell focus, not row focus (the default selects whole rows).
    Grid.SetOptions(Grid.Options() & ~(1u << static_cast<int>(tloRowSelect)));
    Grid.SetFocusedNodeAndColumn(Grid.Items(1), Grid.GetVisibleColumnIndex(acName), false);
  }
  const TdxTreeListHeaderItem& Header(const TdxTreeListLayoutInfo& layout, TApartmentColumn column) {
    const TdxTreeListHeaderItem* item = layout.FindHeader(column);
    EXPECT_NE(item, nullptr);
    return *item;
  }
};

TEST_F(TreeListPaintTest, LayoutPlacesTheFixedBandAndTheApartmentColumns) {
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  ASSERT_EQ(layout.Bands.size(), 2u);
  EXPECT_EQ(layout.LeftFixedItem, 0);
  // A band is as wide as its row of columns (the default takes band widths
  // from the header): 53 + 107 and 156 + 100 + 42 + 100.
  EXPECT_EQ(layout.LeftFixedRect, Rect(0, 0, 160, layout.Rows.Top));
  EXPECT_EQ(layout.Bands[0].Rect.Right, 158) << "the fixed band's line takes its last two pixels";
  EXPECT_EQ(layout.Bands[1].Rect, Rect(160, 0, 558, layout.BandPanel.Bottom));
  EXPECT_EQ(layout.EmptyArea, Rect(558, 0, 640, layout.Rows.Bottom));
  ASSERT_EQ(layout.Headers.size(), 6u) << "the hidden key columns have no header";
  // Each band's header cells fill the band exactly.
  EXPECT_EQ(Header(layout, acPhone).Rect.Left, 0);
  EXPECT_EQ(Header(layout, acPhone).Rect.Right, Header(layout, acName).Rect.Left);
  EXPECT_EQ(Header(layout, acName).Rect.Right, 158);
  EXPECT_EQ(Header(layout, acStreetName).Rect, Rect(160, layout.HeaderPanel.Top, 316, layout.HeaderPanel.Bottom));
  EXPECT_EQ(Header(layout, acApartment).Rect.Right, 558);
  EXPECT_TRUE(Header(layout, acApartment).LastCell);
  EXPECT_TRUE(Header(layout, acPhone).FirstCell);
  EXPECT_EQ(layout.RowItems.size(), 5u);
  EXPECT_EQ(layout.EmptyRows.Top, layout.RowItems.back().Top + layout.RowItems.back().Height);
}

TEST_F(TreeListPaintTest, BandsHeadersLinesAndTheFocusedCellShowInTheirColours) {
  Grid.SetShowGrid(true);
  Grid.SetGridLineColor(clFuchsia);
  Grid.Column(acCorp).OnCustomDrawCell = [](TObject*, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn*,
                                            bool, bool, bool, std::string&, TColor& color, TFont*, TAlignment&,
                                            bool&) { color = clTeal; };
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  auto picture = Grid.Render();
  TCanvas& c = picture->Canvas();

  const TRect main = layout.Bands[1].Rect;
  EXPECT_EQ(c.Pixels(main.Left + 4, main.Top + 3), clAqua) << "band background";
  const TdxTreeListHeaderItem& name = Header(layout, acName);
  EXPECT_EQ(c.Pixels(name.Rect.Right - 5, name.Rect.Top + 3), clYellow) << "header background";
  TRect caption = name.Rect;
  InflateRect(caption, -2, -2);
  EXPECT_GT(DarkPixels(*picture, caption), 5) << "the caption NAME is drawn";
  TRect emptyCaption = Header(layout, acBuild).Rect;
  emptyCaption.Left += emptyCaption.Width() / 2;
  InflateRect(emptyCaption, -2, -2);
  EXPECT_EQ(DarkPixels(*picture, emptyCaption), 0) << "nothing right of a short left-aligned caption";

  const TdxTreeListRowItem& second = layout.RowItems[1];
  const int middle = second.Top + second.Height / 2;
  EXPECT_EQ(c.Pixels(layout.LeftFixedRect.Right - 1, middle), clRed) << "fixed band line in the rows";
  EXPECT_EQ(c.Pixels(layout.LeftFixedRect.Right - 1, layout.BandPanel.Top + 2), clRed) << "and in the band panel";
  const TdxTreeListHeaderItem& street = Header(layout, acStreetName);
  EXPECT_EQ(c.Pixels(street.Rect.Left + 30, second.Top + second.Height - 1), clFuchsia) << "row separator";
  EXPECT_EQ(c.Pixels(street.Rect.Right - 1, middle), clFuchsia) << "line between cells";

  const TRect focused = Grid.GetCellRect(layout, Grid.Items(1), acName);
  EXPECT_EQ(c.Pixels(focused.Right - 3, middle), clLime) << "the focused cell, shown while not focused";
  const TRect phone = Grid.GetCellRect(layout, Grid.Items(1), acPhone);
  EXPECT_EQ(c.Pixels(phone.Right - 3, middle), clWhite) << "its neighbour is a plain cell";
  const TRect corp = Grid.GetCellRect(layout, Grid.Items(0), acCorp);
  EXPECT_EQ(c.Pixels(corp.Right - 3, corp.Bottom - 2), clTeal) << "custom-draw colour";
  EXPECT_EQ(c.Pixels(20, layout.EmptyRows.Top + 5), RGB(160, 160, 160)) << "below the rows";
  EXPECT_EQ(c.Pixels(600, 5), RGB(160, 160, 160)) << "right of the bands";
  EXPECT_EQ(c.Pixels(600, middle), RGB(160, 160, 160)) << "right of the columns, in the rows";
}

// A custom-draw handler is told whether the row is selected and focused,
// in every cell of it, so that it can leave the whole focused row to the
// selection colours; the cell's own colours stay the painter's.
TEST_F(TreeListPaintTest, CustomDrawingHearsTheRowsSelectedAndFocusedStates) {
  std::map<std::pair<const TdxTreeListNode*, int>, std::string> heard;
  Grid.OnCustomDrawCell = [&](TObject*, TCanvas*, const TRect&, TdxTreeListNode* node, TdxTreeListColumn* column,
                              bool selected, bool focused, bool, std::string&, TColor&, TFont*, TAlignment&,
                              bool&) {
    heard[{node, column->Index()}] = std::string(selected ? "selected" : "-") + (focused ? " focused" : "");
  };
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  auto picture = Grid.Render();
  for (TApartmentColumn column : {acPhone, acName, acStreetName, acApartment}) {
    EXPECT_EQ((heard[{Grid.Items(1), column}]), "selected focused") << column;
    EXPECT_EQ((heard[{Grid.Items(0), column}]), "-") << column;
  }
  const int middle = layout.RowItems[1].Top + layout.RowItems[1].Height / 2;
  const TRect phone = Grid.GetCellRect(layout, Grid.Items(1), acPhone);
  EXPECT_EQ(picture->Canvas().Pixels(phone.Right - 3, middle), clWhite) << "still painted as a plain cell";
}

TEST_F(TreeListPaintTest, IndicatorMarksTheFocusedRowAndEndsAtTheLastRow) {
  Grid.SetShowIndicator(true);
  Grid.IndicatorKind = 1;  // the arrow
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  auto picture = Grid.Render();
  const TdxTreeListRowItem& focused = layout.RowItems[1];
  const TRect focusedCell = Rect(0, focused.Top + 2, layout.Indicator.Right - 2, focused.Top + focused.Height - 2);
  EXPECT_GT(DarkPixels(*picture, focusedCell), 3) << "the arrow";
  const TdxTreeListRowItem& other = layout.RowItems[2];
  EXPECT_EQ(DarkPixels(*picture, Rect(2, other.Top + 2, layout.Indicator.Right - 2, other.Top + other.Height - 2)), 0);
  EXPECT_EQ(picture->Canvas().Pixels(3, layout.EmptyRows.Top + 5), RGB(160, 160, 160));
}

TEST_F(TreeListPaintTest, HandlerThatSetsDoneLeavesTheBandAsItDrewIt) {
  Grid.OnCustomDrawBand = [](TObject*, TdxTreeListBand* band, TCanvas* canvas, const TRect& rect, std::string&,
                             TColor& color, TFont*, TAlignment&, bool& done) {
    if (band->Caption() == "Main") {
      canvas->Brush().SetColor(clNavy);
      canvas->FillRect(rect);
      done = true;
    } else {
      color = clOlive;
    }
  };
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  auto picture = Grid.Render();
  EXPECT_EQ(picture->Canvas().Pixels(Centre(layout.Bands[1].Rect).X, Centre(layout.Bands[1].Rect).Y), clNavy);
  EXPECT_EQ(picture->Canvas().Pixels(layout.Bands[0].Rect.Left + 4, layout.Bands[0].Rect.Top + 3), clOlive)
      << "a changed colour fills the button";
}

TEST_F(TreeListPaintTest, TheWidgetShowsWhatThePainterDraws) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 700, 300);
  Grid.SetParent(&form);
  form.Show();
  QWidget* client = ClientOf(Grid);
  ASSERT_NE(client, nullptr);
  const QImage image = client->grab().toImage();
  Grid.SetParent(nullptr);
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  const TRect main = layout.Bands[1].Rect;
  EXPECT_EQ(QColor(image.pixel(main.Left + 4, main.Top + 3)), QColor(0, 255, 255)) << "band background";
  const TRect phone = Grid.GetCellRect(layout, Grid.Items(0), acPhone);
  EXPECT_EQ(QColor(image.pixel(phone.Right - 3, phone.Bottom - 2)), QColor(255, 255, 255));
}

// The typed prefix of the incremental search shows in the cell's colours
// inverted; a system colour is resolved before its bits are inverted.
TEST_F(TreeListPaintTest, SearchOverlayInvertsTheResolvedCellColours) {
  Grid.SetHideSelectionColor(clBtnFace);
  Grid.SetHideSelectionTextColor(clBtnText);
  Grid.SearchText = "Na";
  Grid.SearchColumn = acName;
  const TdxTreeListLayoutInfo layout = Grid.Layout();
  auto picture = Grid.Render();
  const TRect cell = Grid.GetCellRect(layout, Grid.Items(1), acName);
  const TColor face = ColorToRGB(clBtnFace);
  const TColor inverted = RGB(255 - GetRValue(face), 255 - GetGValue(face), 255 - GetBValue(face));
  // The overlay starts at the text: 2 pixels in, 1 down.
  EXPECT_EQ(picture->Canvas().Pixels(cell.Left + 2, cell.Top + 2), inverted);
  EXPECT_EQ(picture->Canvas().Pixels(cell.Right - 4, cell.Top + 4), face) << "the rest of the cell is as it was";
}

TEST_F(TreeListPaintTest, HandlerThatRaisesLeavesTheCanvasAsItWas) {
  Grid.OnCustomDrawCell = [](TObject*, TCanvas* canvas, const TRect&, TdxTreeListNode*, TdxTreeListColumn*, bool,
                             bool, bool, std::string&, TColor&, TFont* font, TAlignment&, bool&) {
    canvas->IntersectClipRect(Rect(0, 0, 1, 1));
    canvas->Brush().SetColor(clMaroon);
    font->SetHeight(-30);
    throw std::runtime_error("custom draw failed");
  };
  TBitmap picture(Grid.ClientWidth(), Grid.ClientHeight());
  TCanvas& c = picture.Canvas();
  c.Brush().SetColor(clSilver);
  c.Font().SetHeight(-9);
  const TRect clipBefore = c.ClipRect();
  EXPECT_THROW(Grid.PaintTo(c), std::runtime_error);
  EXPECT_EQ(c.Brush().Color(), clSilver);
  EXPECT_EQ(c.Font().Height(), -9);
  EXPECT_EQ(c.ClipRect(), clipBefore);
  c.FillRect(Rect(5, 5, 10, 10));
  EXPECT_EQ(c.Pixels(7, 7), clSilver) << "drawing reaches past the handler's clip again";
}

TEST_F(TreeListPaintTest, ExpandButtonsFollowTheSystemButtonColours) {
  const TColor saved = GetSysColor(COLOR_BTNFACE);
  SetSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
  Grid.SysColorChanged();
  const TColor face = const_cast<TBitmap&>(Grid.ExpandButtonBitmap(false)).Canvas().Pixels(6, 2);
  SetSysColor(COLOR_BTNFACE, saved);
  Grid.SysColorChanged();
  EXPECT_EQ(face, RGB(1, 2, 3));
  TBitmap& plus = const_cast<TBitmap&>(Grid.ExpandButtonBitmap(false));
  EXPECT_EQ(plus.Canvas().Pixels(5, 4), ColorToRGB(clBtnText)) << "the plus has its vertical bar";
  TBitmap& minus = const_cast<TBitmap&>(Grid.ExpandButtonBitmap(true));
  EXPECT_EQ(minus.Canvas().Pixels(5, 4), ColorToRGB(clBtnFace));
  EXPECT_EQ(minus.Canvas().Pixels(4, 5), ColorToRGB(clBtnText));
}

}  // namespace

namespace {

// A group's last child closes it with a row footer in RowFooterColor; the
// parent shows its expand button, the rows their dotted tree lines.
TEST(TreeListTreePaint, RowFootersButtonsAndTreeLines) {
  TApartmentGrid grid;
  grid.SetShowRowFooter(true);
  grid.SetRowFooterColor(clOlive);
  TdxTreeListTextNode* parent = grid.AddApartment("1", "Parent", "", "", "", "");
  parent->AddChild();
  parent->AddChild();
  parent->SetExpanded(true);
  const TdxTreeListLayoutInfo layout = grid.Layout();
  ASSERT_EQ(layout.RowItems.size(), 3u);
  const TdxTreeListRowItem& last = layout.RowItems[2];
  EXPECT_EQ(last.FooterCount, 1);
  auto picture = grid.Render();
  TCanvas& c = picture->Canvas();
  const int footerTop = last.Top + last.Height - last.FootersHeight;
  EXPECT_EQ(c.Pixels(300, footerTop + last.FootersHeight / 2), clOlive);
  const TdxTreeListRowItem& first = layout.RowItems[0];
  const int cy = first.Top + first.Height / 2;
  // The 9 x 9 button of the expanded parent: its frame and its minus bar.
  EXPECT_EQ(c.Pixels(4, cy), ColorToRGB(clGrayText)) << "frame";
  EXPECT_EQ(c.Pixels(8, cy), clBlack) << "minus";
  EXPECT_EQ(c.Pixels(8, cy - 2), clWhite) << "no plus bar";
  // A child's horizontal tree line is dotted.
  const TdxTreeListRowItem& child = layout.RowItems[1];
  const int y = child.Top + child.Height / 2;
  int dots = 0;
  for (int x = 24; x < 32; ++x) dots += c.Pixels(x, y) == ColorToRGB(clGrayText) ? 1 : 0;
  EXPECT_EQ(dots, 4);
}

}  // namespace

namespace {

// Header panels of more rows than the bands use: the apartment columns
// stand in row 0 (PHONE in PhoneRow), NAME spans MaxLines header lines (0:
// to the panel's bottom) when its row is the band's last, and a third band
// has no columns. Painted over a colour the grid never uses, no pixel of
// the header panel or of any row line stays.
TEST(TreeListHeaderRows, CellsReachTheirLinesAndNothingIsLeftUnpainted) {
  const struct {
    int PanelRows, MaxLines, Lines;
    bool RowSelect;
    int PhoneRow;
  } cases[] = {{1, 1, 1, false, 0}, {2, 1, 1, false, 0}, {2, 0, 2, true, 0}, {3, 0, 3, false, 0},
               {3, 2, 2, true, 0},  {3, 1, 1, false, 0}, {3, 5, 3, false, 0}, {3, 0, 1, true, 1}};
  constexpr TColor Marker = RGB(1, 254, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.PanelRows) + " rows, NAME's line count " + std::to_string(c.MaxLines));
    TApartmentGrid grid;
    grid.AddApartments(4);
    grid.SetShowGrid(true);
    if (!c.RowSelect) grid.SetOptions(grid.Options() & ~(1u << static_cast<int>(tloRowSelect)));
    grid.SetHideSelection(false);
    grid.SetFocusedNodeAndColumn(grid.Items(1), grid.GetVisibleColumnIndex(acName), false);
    grid.Column(acName).SetHeaderMaxLineCount(c.MaxLines);
    grid.SetHeaderPanelRowCount(c.PanelRows);
    grid.Column(acPhone).SetRowIndex(c.PhoneRow);
    grid.Bands().Add();
    const TdxTreeListLayoutInfo layout = grid.Layout();
    const TdxTreeListHeaderItem* name = layout.FindHeader(acName);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->Rect.Height(), grid.Metrics().HeaderLineHeight * c.Lines);
    EXPECT_EQ(name->FillRect.IsEmpty() ? layout.HeaderPanel.Bottom : name->FillRect.Bottom, layout.HeaderPanel.Bottom);
    ASSERT_EQ(layout.EmptyBandHeaders.size(), 1u) << "the band without columns uses no header row";
    const TRect cell = grid.GetCellRect(layout, grid.Items(0), acName);
    EXPECT_EQ(cell.Height(), grid.Metrics().RowLineHeight * c.Lines - (grid.ShowPreviewGrid() ? 1 : 0));
    EXPECT_EQ(cell.Right, name->Rect.Right) << "the grid line is the cell's last pixel";

    TBitmap picture(grid.ClientWidth(), grid.ClientHeight());
    TCanvas& canvas = picture.Canvas();
    canvas.Brush().SetColor(Marker);
    canvas.FillRect(Rect(0, 0, picture.Width(), picture.Height()));
    grid.PaintTo(canvas);
    const TRect street = layout.FindHeader(acStreetName)->Rect;
    const TRect empty = layout.EmptyBandHeaders[0].Rect;
    const int bottom = std::min(layout.Rows.Bottom, layout.RowItems.back().Top + layout.RowItems.back().Height);
    int unpainted = 0;
    for (int x : {Centre(name->Rect).X, Centre(street).X, Centre(empty).X})
      for (int y = layout.HeaderPanel.Top; y < bottom; ++y) unpainted += canvas.Pixels(x, y) == Marker;
    EXPECT_EQ(unpainted, 0);
    // Below a NAME cell, the focused row goes on in the cell's colour.
    const TdxTreeListRowItem& focused = layout.RowItems[1];
    EXPECT_EQ(canvas.Pixels(name->Rect.Left + 20, focused.Top + focused.Height - 3),
              ColorToRGB(grid.HideSelectionColor()));
  }
}

}  // namespace
