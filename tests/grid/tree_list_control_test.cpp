// The column-owning control: columns made and named by class, column sets
// copied from another control, header rows kept in order, the default
// layout, sort keys, text nodes and the editor cache.

#include "grid/tree_list/tree_list_control.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "grid/editors/mask_editor.h"
#include "grid/editors/text_editor.h"
#include "tests/grid/test_control_form.h"

namespace {

// A column whose copying fails when its source carries the tag 13.
class TFailingColumn : public TdxTreeListColumn {
 public:
  using TdxTreeListColumn::TdxTreeListColumn;
  TdxTreeListColumnClass ClassType() const override { return TdxTreeListColumnClass::Of<TFailingColumn>(); }
  void Assign(const TPersistent* source) override {
    TdxTreeListColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TComponent*>(source);
        column != nullptr && column->Tag() == 13)
      throw std::runtime_error("column cannot be copied");
  }
};

// A column class that forgets to name itself.
class TNamelessColumn : public TdxTreeListColumn {
 public:
  using TdxTreeListColumn::TdxTreeListColumn;
};

class ControlTest : public ControlFormTest {
 protected:
  static std::string Names(const TCustomdxTreeListControl& grid) {
    std::string names;
    for (int i = 0; i < grid.ColumnCount(); ++i) names += (i > 0 ? " " : "") + grid.Columns(i)->Name();
    return names;
  }
  static std::string Rows(const TCustomdxTreeListControl& grid) {
    std::string rows;
    for (int i = 0; i < grid.ColumnCount(); ++i) rows += std::to_string(grid.Columns(i)->RowIndex());
    return rows;
  }
};

TEST_F(ControlTest, NewColumnsAreNamedAfterTheControlWithTheFirstFreeNumber) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  for (int i = 0; i < 3; ++i) grid->CreateColumn<TdxTreeListColumn>(Form.get());
  EXPECT_EQ(Names(*grid), "Grid1Column1 Grid1Column2 Grid1Column3");
  EXPECT_EQ(grid->CreateColumn<TdxTreeListColumn>(Form.get())->Name(), "Grid1Column4");

  grid->Columns(3)->Free();
  // Another component of the form has the name 4 would give.
  (new TComponent(Form.get()))->SetName("Grid1Column4");
  TdxTreeListColumn* next = grid->CreateColumn<TdxTreeListMaskColumn>(Form.get());
  EXPECT_EQ(next->Name(), "Grid1Column5");
  EXPECT_NE(dynamic_cast<TdxTreeListMaskColumn*>(next), nullptr);
  EXPECT_EQ(grid->ColumnByName("grid1column5"), next);
  // Without an owner, the control owns its columns.
  EXPECT_EQ(grid->CreateColumn<TdxTreeListColumn>()->Owner(), grid);
}

TEST_F(ControlTest, AssignedColumnsKeepGeneratedNamesWhereTheSourceNamesAreTaken) {
  TCustomdxTreeListControl* source = AddGrid("Grid1");
  source->SetOptionsEx(source->OptionsEx() | (1u << tloMultiSort));
  source->Bands().Add();
  AddColumn(source, "Name")->SetWidth(70);
  AddColumn<TdxTreeListMaskColumn>(source, "Phone", 1)->SetEditMask("000-00-00");
  AddColumn(source, "Street", 1);
  source->ColumnByName("Street")->SetSorted(csDown);
  source->ColumnByName("Name")->SetSorted(csUp);

  TCustomdxTreeListControl* target = AddGrid("Grid2");
  target->SetOptionsEx(target->OptionsEx() | (1u << tloMultiSort));
  target->Bands().Add();
  AddColumn(target, "Old");
  const int components = Form->ComponentCount();
  target->AssignColumns(*source);

  EXPECT_EQ(Names(*target), "Grid2Column1 Grid2Column2 Grid2Column3");
  EXPECT_EQ(Form->ComponentCount(), components + 2);
  EXPECT_EQ(Form->FindComponent("Old"), nullptr);
  EXPECT_EQ(target->Columns(0)->Width(), 70);
  auto* phone = dynamic_cast<TdxTreeListMaskColumn*>(target->Columns(1));
  ASSERT_NE(phone, nullptr);
  EXPECT_EQ(phone->EditMask(), "000-00-00");
  EXPECT_EQ(phone->BandIndex(), 1);
  ASSERT_EQ(target->SortedColumnCount(), 2);
  EXPECT_EQ(target->SortedColumns(0), target->Columns(2));
  EXPECT_EQ(target->SortedColumns(1), target->Columns(0));
  target->CheckInvariants();
}

TEST_F(ControlTest, AssignedColumnsTakeTheSourceNamesWhereTheyAreFree) {
  TCustomdxTreeListControl* source = AddGrid("Grid1");
  AddColumn(source, "Name");
  AddColumn(source, "Phone");
  auto target = std::make_unique<TCustomdxTreeListControl>(nullptr);
  target->SetName("Other");
  target->AssignColumns(*source);
  EXPECT_EQ(Names(*target), "Name Phone");
  EXPECT_EQ(target->Columns(0)->Owner(), target.get());
}

TEST_F(ControlTest, ColumnThatCannotBeCopiedLeavesTheColumnsAsTheyWere) {
  TCustomdxTreeListControl* source = AddGrid("Grid1");
  AddColumn(source, "Name");
  AddColumn<TFailingColumn>(source, "Broken")->SetTag(13);
  TCustomdxTreeListControl* target = AddGrid("Grid2");
  AddColumn(target, "Old")->SetWidth(55);
  const int components = Form->ComponentCount();

  EXPECT_THROW(target->AssignColumns(*source), std::runtime_error);
  EXPECT_EQ(Names(*target), "Old");
  EXPECT_EQ(target->Columns(0)->Width(), 55);
  EXPECT_EQ(Form->ComponentCount(), components);
  EXPECT_FALSE(target->IsUpdateLocked());

  AddColumn<TNamelessColumn>(source, "Nameless");
  source->ColumnByName("Broken")->SetTag(0);
  const int withNameless = Form->ComponentCount();
  EXPECT_THROW(target->AssignColumns(*source), EInvalidOperation);
  EXPECT_EQ(Names(*target), "Old");
  EXPECT_EQ(Form->ComponentCount(), withNameless);
}

TEST_F(ControlTest, EmptyHeaderRowsCloseUpAboveAColumn) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetHeaderPanelRowCount(3);
  grid->Bands().Add();
  AddColumn(grid, "Name", 0);
  TdxTreeListColumn* phone = AddColumn(grid, "Phone", 1);
  TdxTreeListColumn* street = AddColumn(grid, "Street", 1);
  // Setting a row normalises at once: Street alone in row 2 moves up to
  // row 1 below Phone; its stored row goes with it.
  street->SetRowIndex(2);
  EXPECT_EQ(Rows(*grid), "001");
  EXPECT_EQ(street->StoredRowIndex(), 1);
  // Phone leaves band 1: Street, now alone there, moves to row 0.
  phone->SetBandIndex(0);
  EXPECT_EQ(Rows(*grid), "000");
  phone->SetRowIndex(2);
  EXPECT_EQ(Rows(*grid), "010");
  EXPECT_EQ(phone->StoredRowIndex(), 1);
  // A hidden column of a band without visible ones: row 0.
  street->SetVisible(false);
  street->SetRowIndex(2);
  EXPECT_EQ(street->RowIndex(), 0);
}

TEST_F(ControlTest, HiddenColumnsMoveToTheLastRowTheirBandUses) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetHeaderPanelRowCount(3);
  AddColumn(grid, "Name");
  TdxTreeListColumn* phone = AddColumn(grid, "Phone");
  phone->SetRowIndex(1);
  TdxTreeListColumn* hidden = AddColumn(grid, "Hidden");
  hidden->SetVisible(false);
  hidden->SetRowIndex(2);
  EXPECT_EQ(Rows(*grid), "011");
}

struct HeaderRowsCase {
  int Value;
  int Expected;
};

class HeaderPanelRowsTest : public ControlTest, public ::testing::WithParamInterface<HeaderRowsCase> {};

INSTANTIATE_TEST_SUITE_P(Values, HeaderPanelRowsTest,
                         ::testing::Values(HeaderRowsCase{0, 1}, HeaderRowsCase{-3, 1}, HeaderRowsCase{1, 1},
                                           HeaderRowsCase{3, 3}, HeaderRowsCase{5, 5}, HeaderRowsCase{9, 5}),
                         [](const auto& info) {
                           return "Set" + std::string(info.param.Value < 0 ? "Minus" : "") +
                                  std::to_string(std::abs(info.param.Value));
                         });

TEST_P(HeaderPanelRowsTest, HeaderPanelRowsAreClampedAndEndTheAutomaticHeight) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetOptionsEx(grid->OptionsEx() | (1u << tloAutoHeaderPanelHeight));
  AddColumn(grid, "Name");
  grid->SetHeaderPanelRowCount(GetParam().Value);
  EXPECT_EQ(grid->HeaderPanelRowCount(), GetParam().Expected);
  // Only a change is a choice of the user's.
  EXPECT_EQ(grid->OptionExOn(tloAutoHeaderPanelHeight), GetParam().Expected == 1);
  EXPECT_EQ(grid->DefaultLayout(), GetParam().Expected == 1);
}

TEST_F(ControlTest, AutomaticHeaderHeightFollowsTheLowestShownColumn) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetHeaderPanelRowCount(3);
  AddColumn(grid, "Name");
  AddColumn(grid, "Phone")->SetRowIndex(1);
  AddColumn(grid, "Street")->SetRowIndex(2);
  grid->SetOptionsEx(grid->OptionsEx() | (1u << tloAutoHeaderPanelHeight));
  EXPECT_EQ(grid->HeaderPanelRowCount(), 3);
  grid->ColumnByName("Street")->SetVisible(false);
  EXPECT_EQ(grid->HeaderPanelRowCount(), 2);
  EXPECT_TRUE(grid->OptionExOn(tloAutoHeaderPanelHeight));
}

// Dropping the extra bands one by one must not leave the flag cleared by
// the bands' own report of "more than one band".
TEST_F(ControlTest, DefaultLayoutPutsEveryColumnIntoOneBand) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->Bands().Add();
  grid->Bands().Add();
  grid->Bands().Items(0)->SetVisible(false);
  grid->SetShowBands(true);
  grid->SetHeaderPanelRowCount(2);
  AddColumn(grid, "Name", 2);
  AddColumn(grid, "Phone", 1)->SetRowIndex(1);
  ASSERT_FALSE(grid->DefaultLayout());

  grid->SetDefaultLayout(true);
  EXPECT_TRUE(grid->DefaultLayout());
  EXPECT_EQ(grid->Bands().Count(), 1);
  EXPECT_TRUE(grid->Bands().Items(0)->Visible());
  EXPECT_FALSE(grid->ShowBands());
  EXPECT_EQ(grid->HeaderPanelRowCount(), 1);
  EXPECT_EQ(grid->ColumnByName("Name")->BandIndex(), 0);
  EXPECT_EQ(grid->ColumnByName("Phone")->BandIndex(), 0);
}

TEST_F(ControlTest, DroppingMultiSortEndsEverySort) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetOptionsEx(grid->OptionsEx() | (1u << tloMultiSort));
  AddColumn(grid, "Name")->SetSorted(csUp);
  AddColumn(grid, "Phone")->SetSorted(csDown);
  ASSERT_EQ(grid->SortedColumnCount(), 2);
  grid->SetOptionsEx(grid->OptionsEx() & ~(1u << tloMultiSort));
  EXPECT_EQ(grid->SortedColumnCount(), 0);
  EXPECT_EQ(grid->ColumnByName("Name")->Sorted(), csNone);
  EXPECT_EQ(grid->ColumnByName("Phone")->Sorted(), csNone);
}

TEST_F(ControlTest, HeaderClicksTurnTheSortUnlessRefused) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  grid->SetOptions(grid->Options() | (1u << tloAutoSort));
  TdxTreeListColumn* name = AddColumn(grid, "Name");
  std::vector<std::string> log;
  grid->OnColumnClick = [&](TObject*, TdxTreeListColumn* column) {
    log.push_back("click " + column->Name());
  };
  bool allow = true;
  grid->OnCanSortColumn = [&](TObject*, int index, bool& result) {
    log.push_back("can sort " + std::to_string(index));
    result = allow;
  };
  grid->ColumnClick(name, false);
  EXPECT_EQ(name->Sorted(), csUp);
  grid->ColumnClick(name, false);
  EXPECT_EQ(name->Sorted(), csDown);
  allow = false;
  grid->ColumnClick(name, true);
  EXPECT_EQ(name->Sorted(), csDown);
  allow = true;
  grid->ColumnClick(name, true);
  EXPECT_EQ(name->Sorted(), csNone);
  EXPECT_EQ(log.size(), 8u);
  EXPECT_EQ(log[0], "click Name");
  EXPECT_EQ(log[1], "can sort 0");
  grid->OnGetColumnSorted = [](TObject*, TdxTreeListColumn*, TdxTreeListColumnSort& sorted) {
    sorted = csUp;
  };
  EXPECT_EQ(grid->GetColumnSorted(0), csUp);
}

TEST_F(ControlTest, BandsAndHeadersAreMovedHiddenAndShown) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  for (int i = 0; i < 2; ++i) grid->Bands().Add();
  for (int i = 0; i < 3; ++i) grid->Bands().Items(i)->SetCaption("b" + std::to_string(i));
  TdxTreeListColumn* name = AddColumn(grid, "Name", 0);
  std::vector<std::string> log;
  grid->OnHideBand = [&](TObject*, TdxTreeListBand* band) { log.push_back("hide " + band->Caption()); };
  grid->OnShowBand = [&](TObject*, TdxTreeListBand* band) { log.push_back("show " + band->Caption()); };
  grid->OnShowHeader = [&](TObject*, TdxTreeListColumn* column, int band, int row, int col) {
    log.push_back("show " + column->Name() + " " + std::to_string(band) + std::to_string(row) +
                  std::to_string(col));
  };

  grid->MoveBand(0, 2);
  EXPECT_EQ(name->BandIndex(), 2);
  TdxTreeListBand* b0 = grid->Bands().Items(2);
  EXPECT_TRUE(grid->CanHideBand(b0));
  grid->HideBand(b0);
  EXPECT_FALSE(grid->CanHideBand(b0));
  grid->ShowBandAt(b0, 0);
  EXPECT_EQ(b0->Index(), 0);
  EXPECT_TRUE(b0->Visible());
  b0->SetFixed(bfLeft);
  EXPECT_FALSE(grid->CanDragBand(b0));
  EXPECT_TRUE(grid->CanDragBand(grid->Bands().Items(1)));

  grid->HideHeader(name);
  EXPECT_FALSE(grid->IsColumnShown(name));
  grid->ShowHeaderAt(name, 1, 0, 0);
  EXPECT_TRUE(grid->IsColumnShown(name));
  EXPECT_EQ(name->BandIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"hide b0", "show b0", "show Name 100"}));
}

TEST_F(ControlTest, TextNodesKeepTextsAndImageIndexes) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  TdxTreeListNode* node = grid->AddNode();
  EXPECT_EQ(grid->GetCellText(node, 3), "");
  grid->SetCellText(node, 2, "Lenina");
  EXPECT_EQ(grid->GetCellText(node, 0), "");
  EXPECT_EQ(grid->GetCellText(node, 2), "Lenina");
  grid->SetCellValue(node, 1, Variant(42));
  EXPECT_EQ(VarToStr(grid->GetCellVariant(node, 1)), "42");
  EXPECT_EQ(grid->GetImageIndex(node), 0);
  EXPECT_EQ(grid->GetSelectedIndex(node), -1);
  grid->SetNodeStateIndex(node, 4);
  grid->OnGetStateIndex = [](TObject*, TdxTreeListNode*, int& index) { index += 10; };
  EXPECT_EQ(grid->GetStateIndex(node), 14);
}

TEST_F(ControlTest, OneEditorIsKeptPerEditorClass) {
  TCustomdxTreeListControl* grid = AddGrid("Grid1");
  TdxTreeListColumn* name = AddColumn(grid, "Name");
  TdxTreeListColumn* street = AddColumn(grid, "Street");
  auto* phone = AddColumn<TdxTreeListMaskColumn>(grid, "Phone");
  EXPECT_EQ(grid->FindEditorObject(), nullptr);
  TdxInplaceEdit* text = grid->GetEditorObject(*name);
  EXPECT_NE(dynamic_cast<TdxInplaceTreeListTextEdit*>(text), nullptr);
  EXPECT_EQ(grid->GetEditorObject(*street), text);
  TdxInplaceEdit* mask = grid->GetEditorObject(*phone);
  EXPECT_NE(dynamic_cast<TdxInplaceTreeListMaskEdit*>(mask), nullptr);
  EXPECT_EQ(grid->EditorCacheCount(), 2);
  EXPECT_EQ(grid->FindEditorObject(), text);
  EXPECT_EQ(text->Owner(), grid);
  mask->Free();
  EXPECT_EQ(grid->EditorCacheCount(), 1);
}

}  // namespace
