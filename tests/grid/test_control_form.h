#pragma once
// Column-owning controls on a real form, for the control and layout tests:
// a registry file and a folder for ini files of the test's own, a form
// named Form1, controls and columns owned by it, and a text that describes
// a control's whole layout in one comparable line per part.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "framework/gui/standard/forms.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_control.h"
#include "tests/support/temp_folder.h"

class ControlFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TULVO_REGISTRY", FFolder.File("registry").c_str(), 1);
    Form = std::make_unique<TForm>(nullptr);
    Form->SetName("Form1");
  }
  void TearDown() override {
    Form.reset();
    ::unsetenv("TULVO_REGISTRY");
  }

  std::string IniPath() const { return FFolder.File("layout.ini"); }
  std::string File(const std::string& name) const { return FFolder.File(name); }

  // A control of the form, on the form.
  TCustomdxTreeListControl* AddGrid(const std::string& name, TForm* form = nullptr) {
    if (form == nullptr) form = Form.get();
    auto* grid = new TCustomdxTreeListControl(form);
    grid->SetName(name);
    grid->SetParent(form);
    return grid;
  }
  // A column owned by the grid's owner (by the grid itself when ownedByGrid),
  // with a name and caption of its own.
  template <class T = TdxTreeListColumn>
  T* AddColumn(TCustomdxTreeListControl* grid, const std::string& name, int band = 0,
               bool ownedByGrid = false) {
    T* column = grid->CreateColumn<T>(ownedByGrid ? grid : grid->Owner());
    column->SetName(name);
    column->SetCaption(name);
    column->SetBandIndex(band);
    return column;
  }

  // "ShowGrid, ShowPreviewGrid, BandRowCount, DefaultRowHeight, header
  // rows (A when automatic)", then the bands in order ("id:width", "-"
  // before a hidden one), then the columns in order ("name:band.row:width"
  // with "-" before a hidden one and the sort and its position after it).
  static std::string Describe(const TCustomdxTreeListControl& grid) {
    std::string text = std::to_string(grid.ShowGrid()) + std::to_string(grid.ShowPreviewGrid()) + " " +
                       std::to_string(grid.BandRowCount()) + " " + std::to_string(grid.DefaultRowHeight()) +
                       " " + (grid.OptionExOn(tloAutoHeaderPanelHeight) ? "A" : "") +
                       std::to_string(grid.HeaderPanelRowCount()) + " |";
    for (int i = 0; i < grid.Bands().Count(); ++i) {
      const TdxTreeListBand& band = *grid.Bands().Items(i);
      text += std::string(" ") + (band.Visible() ? "" : "-") + std::to_string(band.ID()) + ":" +
              std::to_string(band.Width());
    }
    text += " |";
    for (int i = 0; i < grid.ColumnCount(); ++i) {
      const TdxTreeListColumn& column = *grid.Columns(i);
      text += std::string(" ") + (column.Visible() ? "" : "-") + column.Name() + ":" +
              std::to_string(column.BandIndex()) + "." + std::to_string(column.RowIndex()) + ":" +
              std::to_string(column.Width());
      if (column.Sorted() != csNone)
        text += std::string(column.Sorted() == csUp ? "^" : "v") + std::to_string(column.SortedOrder());
    }
    return text;
  }

  std::unique_ptr<TForm> Form;

 private:
  TTempFolder FFolder;
};
