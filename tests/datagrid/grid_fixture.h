#pragma once
// The data-aware grid on a real form over the in-memory dataset: a table of
// apartments (HOME_ID, NAME, PHONE) filled with a given number of rows,
// a data source, and a grid with one column per field, sized so that a
// known number of rows fits. Message dialogs are answered from the test's
// own queue.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "datagrid/grid/db_grid.h"
#include "framework/core/data/data_source.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"

class GridTest : public ::testing::Test {
 public:
  // The options of the directory's grids.
  static TdxDBGridOptionsDB DirectoryOptions() {
    return {edgoCancelOnExit, edgoCanDelete,      edgoCanInsert,    edgoCanNavigation,
            edgoConfirmDelete, edgoLoadAllRecords, edgoUseBookmarks};
  }
  static TdxDBGridOptionsDB RecordWindowOptions() {
    return {edgoCancelOnExit, edgoCanDelete, edgoCanInsert, edgoCanNavigation, edgoConfirmDelete, edgoUseBookmarks};
  }
  static TdxDBGridOptionsDB PartialOptions() {
    TdxDBGridOptionsDB options = RecordWindowOptions();
    options.Include(edgoPartialLoad);
    return options;
  }

 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetName("Form1");
    Form->SetBounds(0, 0, 600, 600);
    Form->Show();
    Data = new TMemoryDataSet(Form.get());
    Data->SetName("mdHome");
    Data->FieldDefs().Add("HOME_ID", ftInteger, 0, true);
    Data->FieldDefs().Add("NAME", ftString, 40, false);
    Data->FieldDefs().Add("PHONE", ftInteger, 0, false);
    Source = new TDataSource(Form.get());
    Source->SetName("dsHome");
    Source->SetDataSet(Data);
  }
  void TearDown() override { Form.reset(); }

  // Rows 1..count: NAME "Resident <id>", PHONE 200000 + id.
  void Fill(int count) {
    if (!Data->Active()) Data->Open();
    for (int id = 1; id <= count; ++id)
      Data->AppendRecord({Variant(id), Variant("Resident " + std::to_string(id)), Variant(200000 + id)});
    Data->First();
  }

  // A grid on the form with columns for the three fields, showing `rows`
  // rows (wide enough for the columns, so no horizontal bar takes a row's
  // room); options are set before the source, as a stored form does.
  TdxDBGrid* MakeGrid(const TdxDBGridOptionsDB& optionsDB, const std::string& keyField = "HOME_ID",
                      int rows = 10) {
    auto* grid = new TdxDBGrid(Form.get());
    grid->SetName("GridHome");
    grid->SetParent(Form.get());
    grid->SetOptionsDB(optionsDB);
    for (const char* name : {"HOME_ID", "NAME", "PHONE"}) {
      auto* column = grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
      column->SetFieldName(name);
    }
    const int header = grid->ShowHeader() ? grid->GetRowsAreaRect().Top : 0;
    grid->SetBounds(0, 0, 500, header + rows * grid->DefaultRowHeight());
    grid->SetKeyField(keyField);
    grid->SetDataSource(Source);
    Grid = grid;
    return grid;
  }

  int CurrentId() const { return Data->FieldByName("HOME_ID")->AsInteger(); }
  int NodeId(const TdxTreeListNode* node) const {
    return node == nullptr ? -1 : std::stoi(Grid->GetCellText(node, 0));
  }
  int FocusedId() const { return NodeId(Grid->FocusedNode()); }
  std::vector<int> VisibleIds() const {
    std::vector<int> ids;
    for (int i = 0; i < Grid->VisibleNodeCount(); ++i) ids.push_back(NodeId(Grid->GetAbsoluteNode(i)));
    return ids;
  }
  int RecordCount() const {
    TDisableControlsScope scope(*Data);
    return Data->RecordCount();
  }

  std::unique_ptr<TForm> Form;
  TMemoryDataSet* Data = nullptr;
  TDataSource* Source = nullptr;
  TdxDBGrid* Grid = nullptr;
};
