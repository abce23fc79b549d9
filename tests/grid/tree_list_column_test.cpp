// Columns of a real tree list: placement by band, row and position, own
// values over defaults, clamping writers, and changes held by the update
// lock.

#include "grid/tree_list_column.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/gui/bitmap.h"
#include "grid/tree_list.h"
#include "grid/tree_list_bands.h"
#include "grid/text_editor.h"
#include "tests/grid/test_column_grid.h"

namespace {

class ColumnTest : public ::testing::Test {
 protected:
  TColumnGrid Grid;
  std::vector<std::unique_ptr<TdxTreeListColumn>> Owned;

  TdxTreeListColumn* Column(const std::string& caption, int band = 0, int row = 0) {
    Owned.push_back(std::make_unique<TdxTreeListColumn>(nullptr));
    TdxTreeListColumn* column = Owned.back().get();
    column->SetTreeList(&Grid);
    column->SetCaption(caption);
    column->SetBandIndex(band);
    column->SetRowIndex(row);
    return column;
  }
  void Bands(int count) {
    while (Grid.Bands().Count() < count) Grid.Bands().Add();
  }
  std::string Order() const {
    std::string s;
    for (int i = 0; i < Grid.ColumnCount(); ++i) s += (i ? " " : "") + Grid.Columns(i)->Caption();
    return s;
  }
  std::string BandsOf() const {
    std::string s;
    for (int i = 0; i < Grid.ColumnCount(); ++i) s += (i ? " " : "") + std::to_string(Grid.Columns(i)->BandIndex());
    return s;
  }
};

TEST_F(ColumnTest, HeaderPlacesFollowBandRowAndListOrder) {
  Bands(2);
  Grid.SetHeaderPanelRowCount(2);
  Column("a", 1, 0);
  Column("b", 0, 1);
  Column("c", 0, 0);
  TdxTreeListColumn* d = Column("d", 1, 0);
  EXPECT_EQ(Grid.GetHeaderColumnCount(1, 0), 2);
  EXPECT_EQ(Grid.GetHeaderAbsoluteIndex(1, 0, 1), 3);
  EXPECT_EQ(Grid.GetHeaderAbsoluteIndex(0, 1, 0), 1);
  EXPECT_EQ(d->ColIndex(), 1);
  // Visible columns row by row, band by band.
  EXPECT_EQ(Grid.GetAbsoluteColumnIndex(0), 2);
  EXPECT_EQ(Grid.GetAbsoluteColumnIndex(1), 0);
  EXPECT_EQ(Grid.GetAbsoluteColumnIndex(2), 3);
  EXPECT_EQ(Grid.GetAbsoluteColumnIndex(3), 1);
  EXPECT_EQ(Grid.Bands().Items(1)->Columns(0, 1), d);
}

TEST_F(ColumnTest, HiddenBandAndColumnLeaveTheVisibleOrder) {
  Bands(2);
  Column("a", 0);
  TdxTreeListColumn* b = Column("b", 0);
  Column("c", 1);
  b->SetVisible(false);
  EXPECT_EQ(Grid.GetVisibleColumnCount(), 2);
  EXPECT_EQ(b->ColIndex(), 0);  // visible columns before it, less one
  Grid.Bands().Items(0)->SetVisible(false);
  EXPECT_EQ(Grid.Bands().VisibleCount(), 1);
  EXPECT_EQ(Grid.Bands().GetAbsoluteIndex(0), 1);
  EXPECT_EQ(Grid.Bands().Items(0)->VisibleIndex(), -1);
  EXPECT_EQ(Grid.GetAbsoluteColumnIndex(0), 2);
}

TEST_F(ColumnTest, ColIndexMovesWithinTheBandRowAndClamps) {
  Bands(2);
  TdxTreeListColumn* a = Column("a", 0);
  Column("x", 1);
  Column("b", 0);
  Column("c", 0);
  a->SetColIndex(99);
  EXPECT_EQ(Order(), "x b c a");
  EXPECT_EQ(a->ColIndex(), 2);
  a->SetColIndex(1);
  EXPECT_EQ(Order(), "x b a c");
  a->SetColIndex(-5);
  EXPECT_EQ(Order(), "x a b c");
}

TEST_F(ColumnTest, MovingAColumnCarriesItsCells) {
  TdxTreeListColumn* a = Column("a");
  Column("b");
  Column("c");
  auto* node = static_cast<TdxTreeListTextNode*>(Grid.AddNode());
  node->Strings().Add("1");
  node->Strings().Add("2");
  node->Strings().Add("3");
  a->SetIndex(7);
  EXPECT_EQ(Order(), "b c a");
  EXPECT_EQ(Grid.GetCellText(node, 2), "1");
  EXPECT_EQ(Grid.GetCellText(node, 0), "2");
  Owned[1].reset();  // b goes, and its cells with it
  EXPECT_EQ(Order(), "c a");
  EXPECT_EQ(Grid.GetCellText(node, 0), "3");
}

TEST_F(ColumnTest, BandAndRowIndexesClamp) {
  Bands(3);
  TdxTreeListColumn* a = Column("a");
  a->SetBandIndex(9);
  EXPECT_EQ(a->BandIndex(), 2);
  a->SetBandIndex(-7);
  EXPECT_EQ(a->BandIndex(), -1);
  Grid.SetHeaderPanelRowCount(2);
  a->SetRowIndex(3);
  EXPECT_EQ(a->RowIndex(), 1);
  Grid.SetHeaderPanelRowCount(4);
  EXPECT_EQ(a->RowIndex(), 1);
  a->SetRowIndex(3);
  Grid.SetHeaderPanelRowCount(2);
  EXPECT_EQ(a->RowIndex(), 1);  // remembered, shown in the last row
  Grid.SetHeaderPanelRowCount(4);
  EXPECT_EQ(a->RowIndex(), 3);
}

TEST_F(ColumnTest, WidthKeepsToMinWidth) {
  TdxTreeListColumn* a = Column("a");
  a->SetWidth(5);
  EXPECT_EQ(a->Width(), 20);
  a->SetMinWidth(50);
  EXPECT_EQ(a->Width(), 50);
  a->SetMinWidth(-3);
  EXPECT_EQ(a->MinWidth(), 0);
}

TEST_F(ColumnTest, UnassignedValuesFollowTheirDefaultAndAreNotStored) {
  TdxTreeListColumn column(nullptr);
  column.SetTreeList(&Grid);
  EXPECT_EQ(column.AssignedValues(), 0);
  EXPECT_EQ(column.Caption(), "");
  EXPECT_FALSE(column.IsCaptionStored());
  Grid.SetColor(clYellow);
  EXPECT_EQ(column.Color(), clYellow);
  EXPECT_FALSE(column.IsColorStored());

  column.SetCaption("");  // the default, written explicitly
  EXPECT_TRUE(column.IsAssigned(cavCaption));
  EXPECT_FALSE(column.IsCaptionStored());
  column.SetColor(clRed);
  Grid.SetColor(clBlue);
  EXPECT_EQ(column.Color(), clRed);
  EXPECT_TRUE(column.IsColorStored());

  column.SetWidth(100);  // the default width does not make it the column's own
  EXPECT_FALSE(column.IsAssigned(cavWidth));
  column.SetWidth(120);
  EXPECT_TRUE(column.IsWidthStored());

  column.RestoreDefaults();
  EXPECT_EQ(column.AssignedValues(), 0);
  EXPECT_EQ(column.Color(), clBlue);
  EXPECT_EQ(column.Width(), 100);
}

TEST_F(ColumnTest, FontFollowsTheTreeListUntilChanged) {
  TdxTreeListColumn* a = Column("a");
  Grid.Font().SetHeight(-20);
  EXPECT_EQ(a->Font().Height(), -20);
  EXPECT_FALSE(a->IsAssigned(cavFont));
  a->Font().SetHeight(-9);
  EXPECT_TRUE(a->IsAssigned(cavFont));
  Grid.Font().SetHeight(-30);
  EXPECT_EQ(a->Font().Height(), -9);
}

TEST_F(ColumnTest, ReadOnlyTreeListMakesColumnsReadOnly) {
  TdxTreeListColumn* a = Column("a");
  EXPECT_FALSE(a->ReadOnly());
  a->SetReadOnly(true);
  EXPECT_TRUE(a->ReadOnly());
  EXPECT_TRUE(a->IsReadOnlyStored());
}

TEST_F(ColumnTest, ChangesUnderTheUpdateLockReMeasureOnce) {
  TdxTreeListColumn* a = Column("a");
  Grid.RecalcCount = 0;
  a->SetWidth(150);
  EXPECT_EQ(Grid.RecalcCount, 1);
  Grid.RecalcCount = 0;
  Grid.BeginUpdate();
  a->SetWidth(160);
  a->SetCaption("b");
  a->SetVisible(false);
  Grid.Bands().Items(0)->SetWidth(300);
  Grid.EndUpdate();
  EXPECT_EQ(Grid.RecalcCount, 1);
  Grid.RecalcCount = 0;
  a->SetWidth(160);  // unchanged
  EXPECT_EQ(Grid.RecalcCount, 0);
}

TEST_F(ColumnTest, AssignCopiesOnlyAssignedOwnValues) {
  Bands(2);
  TdxTreeListColumn* a = Column("a", 1);
  a->SetColor(clRed);
  a->SetMinWidth(40);
  TdxTreeListColumn* b = Column("b");
  b->Assign(a);
  EXPECT_EQ(b->Caption(), "a");
  EXPECT_EQ(b->Color(), clRed);
  EXPECT_FALSE(b->IsAssigned(cavWidth));
  EXPECT_EQ(b->MinWidth(), 40);
  EXPECT_EQ(b->BandIndex(), 1);
}

TEST_F(ColumnTest, EditorEventsReachTheTreeListThenTheColumn) {
  TdxTreeListColumn* a = Column("a");
  a->SetMaxLength(4);
  a->SetReadOnly(true);
  std::unique_ptr<TdxInplaceEdit> editor = a->CreateEditor(nullptr);
  a->InitEditor(*editor);
  EXPECT_TRUE(editor->ReadOnly());
  EXPECT_EQ(static_cast<TdxInplaceTextEdit&>(*editor).MaxLength(), 4);
  std::vector<std::string> heard;
  struct TListener : TObject {
    std::vector<std::string>* Heard;
    TObject* Column;
    void TreeList(TObject* sender) { Heard->push_back(sender == Column ? "tree list" : "?"); }
    void Own(TObject* sender) { Heard->push_back(sender == Column ? "column" : "?"); }
    void Validate(TObject*, std::string& error, bool& accept) {
      accept = false;
      error = "no";
    }
  } listener;
  listener.Heard = &heard;
  listener.Column = a;
  Grid.OnEditChange = TNotifyEvent(&listener, &TListener::TreeList);
  a->OnChange = TNotifyEvent(&listener, &TListener::Own);
  Grid.OnEditValidate = TdxEditValidateEvent(&listener, &TListener::Validate);
  editor->OnChange(editor.get());
  EXPECT_EQ(heard, (std::vector<std::string>{"tree list", "column"}));
  std::string error;
  bool accept = true;
  editor->OnValidate(editor.get(), error, accept);
  EXPECT_FALSE(accept);
  EXPECT_EQ(error, "no");
}

TEST_F(ColumnTest, SortedColumnsKeepTheOrderTheyWereSortedIn) {
  TdxTreeListColumn* a = Column("a");
  TdxTreeListColumn* b = Column("b");
  Grid.RecalcCount = 0;
  b->SetSorted(csDown);
  EXPECT_EQ(Grid.RecalcCount, 1);
  a->SetSorted(csUp);
  b->SetSorted(csUp);  // only the direction changes
  EXPECT_EQ(b->SortedOrder(), 0);
  EXPECT_EQ(a->SortedOrder(), 1);
  b->SetSorted(csNone);
  EXPECT_EQ(b->SortedOrder(), -1);
  EXPECT_EQ(a->SortedOrder(), 0);
  Owned[0].reset();  // a sorted column that goes leaves the list
  EXPECT_EQ(Grid.SortedColumnCount(), 0);
}

TEST_F(ColumnTest, ColumnsOutlivingTheTreeListForgetIt) {
  auto grid = std::make_unique<TColumnGrid>();
  TdxTreeListColumn column(nullptr);
  column.SetTreeList(grid.get());
  grid.reset();
  EXPECT_EQ(column.TreeList(), nullptr);
  EXPECT_EQ(column.Index(), -1);
}

TEST_F(ColumnTest, RestoringDefaultsTakesTheColumnOutOfTheSortedColumns) {
  TdxTreeListColumn* a = Column("a");
  TdxTreeListColumn* b = Column("b");
  a->SetSorted(csUp);
  b->SetSorted(csDown);
  a->RestoreDefaults();
  EXPECT_EQ(a->Sorted(), csNone);
  EXPECT_EQ(Grid.SortedColumnCount(), 1) << "an unsorted column must not stay a sort key";
  EXPECT_EQ(Grid.SortedColumns(0), b);
  b->Assign(a);  // the copy of an unsorted column is unsorted too
  EXPECT_EQ(Grid.SortedColumnCount(), 0);
}

TEST_F(ColumnTest, RenamingTellsTheNameChangeNotification) {
  TComponent form(nullptr);
  TdxTreeListColumn a(&form);
  TdxTreeListColumn b(&form);
  std::vector<std::string> heard;
  a.OnNameChanged = [&heard](TObject* sender) { heard.push_back(static_cast<TComponent*>(sender)->Name()); };
  a.SetName("Phone");
  b.SetName("Street");
  EXPECT_THROW(a.SetName("street"), EComponentError);
  EXPECT_EQ(heard, std::vector<std::string>{"Phone"}) << "a refused name changes nothing";
}

// What the painter will call: the tree list's handler first, the column's
// after it unless the first one drew the cell; group rows and a new-item
// row without data never reach the column's.
TEST_F(ColumnTest, CustomDrawingGoesThroughTheTreeListThenTheColumn) {
  TdxTreeListColumn* a = Column("a");
  TdxTreeListNode* node = Grid.AddRow({"x"});
  TdxTreeListNode* group = Grid.AddRow({"g"});
  Grid.GroupNode = group;
  EXPECT_FALSE(Grid.IsCustomDrawCell(node, a));
  std::vector<std::string> heard;
  bool treeListDone = false;
  Grid.OnCustomDrawCell = [&](TObject* sender, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn* column,
                              bool, bool, bool, std::string& text, TColor& color, TFont*, TAlignment&, bool& done) {
    heard.push_back(sender == &Grid && column == a ? "tree list" : "?");
    text += "1";
    color = clRed;
    done = treeListDone;
  };
  EXPECT_TRUE(Grid.IsCustomDrawCell(node, a));
  a->OnCustomDrawCell = [&](TObject* sender, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn* column,
                            bool, bool, bool, std::string& text, TColor& color, TFont*, TAlignment& alignment,
                            bool&) {
    heard.push_back(sender == a && column == a && color == clRed ? "column" : "?");
    text += "2";
    alignment = taCenter;
  };
  EXPECT_TRUE(a->HasCustomDrawCell());
  TBitmap bitmap(10, 10);
  auto draw = [&](TdxTreeListNode* row, bool newItemRow) {
    std::string text = "t";
    TColor color = clWindow;
    TAlignment alignment = taLeftJustify;
    bool done = false;
    Grid.DoCustomDrawCell(bitmap.Canvas(), Rect(0, 0, 10, 10), row, a, false, false, newItemRow, text, color,
                          Grid.Font(), alignment, done);
    return text + (alignment == taCenter ? " centred" : "");
  };
  EXPECT_EQ(draw(node, false), "t12 centred");
  EXPECT_EQ(heard, (std::vector<std::string>{"tree list", "column"}));
  EXPECT_EQ(draw(group, false), "t1");
  Grid.NewItemRowData = false;
  EXPECT_EQ(draw(node, true), "t1");
  Grid.NewItemRowData = true;
  treeListDone = true;
  EXPECT_EQ(draw(node, false), "t1");

  TdxTreeListColumnSort sorted = csNone;
  a->OnCustomDrawColumnHeader = [&](TObject*, TdxTreeListColumn* column, TCanvas*, const TRect&, std::string& text,
                                    TColor&, TFont*, TAlignment&, TdxTreeListColumnSort& mark, bool&) {
    text = column->Caption() + "!";
    mark = csUp;
  };
  EXPECT_TRUE(Grid.IsCustomDrawColumnHeader(a));
  std::string caption = "a";
  TColor color = clBtnFace;
  TAlignment alignment = taLeftJustify;
  bool done = false;
  Grid.DoCustomDrawColumnHeader(bitmap.Canvas(), Rect(0, 0, 10, 10), a, caption, color, Grid.Font(), alignment,
                                sorted, done);
  EXPECT_EQ(caption, "a!");
  EXPECT_EQ(sorted, csUp);
}

TEST_F(ColumnTest, ViewDataOfTheEditorKindIsFilledFromTheCell) {
  TdxTreeListColumn* a = Column("a");
  TdxEditViewData& viewData = a->GetViewData();
  ASSERT_NE(dynamic_cast<TdxTextEditViewData*>(&viewData), nullptr);
  EXPECT_EQ(&a->GetViewData(), &viewData) << "one view data per column, reused for every cell";
  a->SetCharCase(ecUpperCase);
  a->SetVertAlignment(tlCenter);
  TdxTreeListCellViewData cell;
  cell.Text = "abc";
  a->PrepareViewData(viewData, cell);
  auto& text = static_cast<TdxTextEditViewData&>(viewData);
  EXPECT_EQ(VarToStr(text.Value), "abc");
  EXPECT_EQ(text.CharCase, ecUpperCase);
  EXPECT_EQ(text.DrawAlignment, daVCenter);
  EXPECT_FALSE(text.Transparent);
  cell.MultiLine = true;
  cell.Overlay = true;
  cell.NewItemRowWithoutData = true;
  a->PrepareViewData(viewData, cell);
  EXPECT_EQ(text.DrawAlignment, daMultiLine);
  EXPECT_TRUE(text.Transparent) << "the search overlay paints no background";
  EXPECT_TRUE(text.Value.IsEmpty()) << "a new-item row without data shows no text";
}

}  // namespace
