// The grid's filter over the directory program's apartments dataset on the
// embedded engine: the expression the grid hands to the dataset, read by the
// dataset's own evaluator, leaves the rows the grid itself keeps.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/data/data_source.h"
#include "framework/core/text/text.h"
#include "framework/gui/standard/forms.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"

namespace {

struct FibFilterCase {
  const char* Name;
  const char* Field;
  int Operator;
  bool Negated;
  Variant Value;
  std::string Expression;  // UTF-8
};
void PrintTo(const FibFilterCase& c, std::ostream* os) { *os << c.Name; }

class FibGridFilter : public ProgramDataSetTest, public ::testing::WithParamInterface<FibFilterCase> {
 protected:
  void SetUp() override {
    ProgramDataSetTest::SetUp();
    Window = std::make_unique<TForm>(nullptr);
    Window->SetBounds(0, 0, 600, 500);
    Window->Show();
    Source = new TDataSource(Window.get());
    Source->SetDataSet(&Home());
    Grid = new TdxDBGrid(Window.get());
    Grid->SetName("GridHome");
    Grid->SetParent(Window.get());
    Grid->SetBounds(0, 0, 500, 400);
    Grid->SetOptionsDB({edgoCanNavigation, edgoLoadAllRecords, edgoUseBookmarks});
    for (const char* name : {"HOME_ID", "STREET_ID", "PHONE", "NAME", "STREET_NAME", "CORP"})
      Grid->CreateColumn<TdxDBGridMaskColumn>(Window.get())->SetFieldName(name);
    Grid->SetKeyField("HOME_ID");
    Grid->SetDataSource(Source);
  }
  void TearDown() override {
    Window.reset();
    if (Home().Active()) Home().Close();
    ProgramDataSetTest::TearDown();
  }
  std::set<int> ShownIds() const {
    std::set<int> ids;
    for (int i = 0; i < Grid->Count(); ++i) ids.insert(std::stoi(Grid->GetCellText(Grid->Items(i), 0)));
    return ids;
  }
  TdxTreeListColumn* ColumnOf(const char* field) const {
    for (int i = 0; i < Grid->ColumnCount(); ++i)
      if (auto* column = dynamic_cast<TdxDBTreeListColumn*>(Grid->Columns(i)); column->FieldName() == field)
        return column;
    return nullptr;
  }

  std::unique_ptr<TForm> Window;
  TDataSource* Source = nullptr;
  TdxDBGrid* Grid = nullptr;
};

TEST_P(FibGridFilter, DataSetLeavesTheRowsTheGridKeeps) {
  const FibFilterCase& c = GetParam();
  // The search condition the program puts into its select: every row.
  Home().OpenWithParams({Variant("HOME_ID > 0")});
  ASSERT_EQ(Grid->Count(), HomeRows);
  TdxDBGridFilter& filter = Grid->Filter();
  filter.Criteria().AddColumnItem(nullptr, ColumnOf(c.Field), c.Negated, VarToStr(c.Value), c.Value,
                                  c.Operator);
  Grid->FilterChanged();
  const std::set<int> kept = ShownIds();
  ASSERT_FALSE(kept.empty());
  ASSERT_LT(static_cast<int>(kept.size()), HomeRows);
  EXPECT_EQ(Home().Filter(), "") << "without AutoDataSetFilter the dataset's filter is left alone";
  EXPECT_EQ(filter.FilterText(), RU(c.Expression));

  filter.SetAutoDataSetFilter(true);
  EXPECT_EQ(Home().Filter(), RU(c.Expression));
  EXPECT_TRUE(Home().Filtered());
  std::set<int> left;
  {
    TDisableControlsScope scope(Home());
    for (Home().First(); !Home().Eof(); Home().Next())
      left.insert(Home().FieldByName("HOME_ID")->AsInteger());
  }
  EXPECT_EQ(left, kept);
  Grid->Reload();
  EXPECT_EQ(ShownIds(), kept);
  filter.ClearAll();
  EXPECT_EQ(Home().Filter(), "");
  EXPECT_FALSE(Home().Filtered());
  EXPECT_EQ(Grid->Count(), HomeRows);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, FibGridFilter,
    ::testing::Values(
        FibFilterCase{"Number", "STREET_ID", ocEqual, false, Variant(3), "(STREET_ID = 3)"},
        FibFilterCase{"NumberAbove", "PHONE", ocGreater, false, Variant(200100), "(PHONE > 200100)"},
        FibFilterCase{"Text", "STREET_NAME", ocEqual, false, Variant(RU("Улица 2")),
                      "(STREET_NAME = 'Улица 2')"},
        FibFilterCase{"TextNot", "STREET_NAME", ocEqual, true, Variant(RU("Улица 2")),
                      "(NOT (STREET_NAME = 'Улица 2'))"},
        FibFilterCase{"Blanks", "CORP", ocIsNull, false, Variant::Null(), "(CORP Is Null)"},
        FibFilterCase{"NonBlanks", "CORP", ocIsNull, true, Variant::Null(), "(NOT (CORP Is Null))"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
