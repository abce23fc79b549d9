#pragma once
// A column-owning control on a shown form for the sizing, moving, sorting
// and dragging tests: its own mouse and keyboard handling starts, follows
// and ends those interactions, and the tests drive it with real window
// input.
//
// Helpers find the points of bands, header cells, edges and rows from the
// control's own layout, so the tests do not depend on font sizes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/dragdrop/drag_drop.h"
#include "framework/gui/dragdrop/drag_image_list.h"
#include "framework/gui/standard/forms.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_control.h"
#include "tests/support/window_input.h"

class TMouseGrid : public TCustomdxTreeListControl {
 public:
  using TCustomdxTreeList::DragNode;
  using TCustomdxTreeList::GetDragImages;
  using TCustomdxTreeListControl::TCustomdxTreeListControl;

  // What the drag cursor asks: how many nodes are selected (the control
  // keeps no selection) and whether a drop may copy.
  int Selected = 0;
  bool Copying = false;
  int SelectedCount() const override { return Selected; }
  bool CanDragCopy() const override { return Copying; }

  TdxTreeListLayoutInfo Layout() const {
    TdxTreeListLayoutInfo layout;
    CalculateLayout(layout);
    return layout;
  }
  // A top-level text node (or parent's last child) with these cell texts.
  TdxTreeListNode* AddRow(std::initializer_list<std::string> texts, TdxTreeListNode* parent = nullptr) {
    TdxTreeListNode* node = parent != nullptr ? parent->AddChild() : AddNode();
    int i = 0;
    for (const std::string& text : texts) SetCellText(node, i++, text);
    return node;
  }
  // Column 0's texts of the top-level rows (or of parent's children).
  std::string Order(const TdxTreeListNode* parent = nullptr) const {
    std::string order;
    const int count = parent != nullptr ? parent->Count() : Count();
    for (int i = 0; i < count; ++i) {
      const TdxTreeListNode* node = parent != nullptr ? parent->Items(i) : Items(i);
      order += (i > 0 ? " " : "") + GetCellText(node, 0);
    }
    return order;
  }

};

// A form with one such grid: three columns A, B and C of widths 60, 80 and
// 100 in one band 240 wide without a border, nothing sorted, no rows.
class MouseGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(50, 50, 500, 300);
    Grid = new TMouseGrid(Form.get());
    Grid->SetName("Grid");
    Grid->SetParent(Form.get());
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, 480, 260);
    for (const char* name : {"A", "B", "C"}) {
      TdxTreeListColumn* column = Grid->CreateColumn<TdxTreeListColumn>(Form.get());
      column->SetName(name);
      column->SetCaption(name);
    }
    Column(0)->SetWidth(60);
    Column(1)->SetWidth(80);
    Column(2)->SetWidth(100);
    // A band that cannot be sized is never narrower than its own width.
    Grid->Bands().Items(0)->SetWidth(240);
    ASSERT_TRUE(ShowActive(*Form));
  }
  void TearDown() override {
    CancelDrag();
    ReleaseCapture();
    SetScreenCursor(crDefault);
    Form.reset();
  }

  TdxTreeListColumn* Column(int i) const { return Grid->Columns(i); }
  const TdxTreeListHeaderItem& Cell(int column) const {
    FLayout = Grid->Layout();
    const TdxTreeListHeaderItem* cell = FLayout.FindHeader(column);
    if (cell == nullptr) throw std::runtime_error("column " + std::to_string(column) + " has no header cell");
    return *cell;
  }
  TRect BandRect(int visibleBand) const {
    FLayout = Grid->Layout();
    for (const TdxTreeListBandItem& band : FLayout.Bands)
      if (band.BandIndex == visibleBand) return band.Rect;
    throw std::runtime_error("band " + std::to_string(visibleBand) + " is not placed");
  }
  TPoint CellCentre(int column) const {
    const TRect r = Cell(column).Rect;
    return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  // A point just inside the right edge of a column's header cell.
  TPoint CellEdge(int column) const {
    const TRect r = Cell(column).Rect;
    return Point(r.Right - 2, (r.Top + r.Bottom) / 2);
  }
  std::string Widths() const {
    std::string widths;
    for (int i = 0; i < Grid->ColumnCount(); ++i)
      widths += (i > 0 ? " " : "") + std::to_string(Grid->GetColumnWidth(i));
    return widths;
  }
  std::string Captions() const {
    std::string captions;
    for (int i = 0; i < Grid->ColumnCount(); ++i)
      if (Grid->IsColumnShown(Column(i))) captions += Column(i)->Caption();
    return captions;
  }

  // Press at from, move to to in two steps (past the drag threshold), and
  // release there unless asked not to.
  void Drag(TPoint from, TPoint to, bool release = true, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    MousePressAt(*Grid, from, Qt::LeftButton, modifiers);
    MouseMoveTo(*Grid, Point((from.X + to.X) / 2, (from.Y + to.Y) / 2));
    MouseMoveTo(*Grid, to);
    if (release) MouseReleaseAt(*Grid, to, Qt::LeftButton, modifiers);
  }
  void Click(TPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    MousePressAt(*Grid, at, Qt::LeftButton, modifiers);
    MouseReleaseAt(*Grid, at, Qt::LeftButton, modifiers);
  }

  std::unique_ptr<TForm> Form;
  TMouseGrid* Grid = nullptr;

 private:
  mutable TdxTreeListLayoutInfo FLayout;
};
