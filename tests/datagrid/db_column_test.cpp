// Data-aware columns: what they take from their field and what they keep in
// the nodes.

#include <gtest/gtest.h>

#include "framework/gui/graphics/canvas.h"
#include "tests/datagrid/grid_fixture.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

struct FieldCase {
  const char* Name;
  TFieldType Type;
  int Size;
  Variant Value;
  int VariantType;
  bool KeepsValue;
  TAlignment Alignment;
};

class ColumnField : public GridTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(ColumnField, TakesTypeAlignmentAndValueFromItsField) {
  const FieldCase& field = GetParam();
  Data->FieldDefs().Add("VALUE", field.Type, field.Size, false);
  Data->Open();
  std::vector<Variant> row{Variant(1), Variant("Name"), Variant(2), field.Value};
  Data->AppendRecord(row);
  Data->First();
  MakeGrid(DirectoryOptions());
  auto* column = Grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
  column->SetFieldName("VALUE");
  Grid->Reload();
  ASSERT_NE(column->Field(), nullptr);
  EXPECT_EQ(column->FieldVariantType(), field.VariantType);
  EXPECT_EQ(column->Alignment(), field.Alignment);
  const auto* node = static_cast<TdxDBGridNode*>(Grid->Items(0));
  const TdxDBNodeValue value = node->ValueRecord(column->Index());
  EXPECT_EQ((value.Flags & TdxDBNodeValue::HasValue) != 0, field.KeepsValue);
  EXPECT_EQ(Grid->GetCellText(node, column->Index()), column->Field()->DisplayText());
  if (field.KeepsValue && !field.Value.IsNull()) {
    EXPECT_EQ(Grid->GetCellVariant(node, column->Index()), field.Value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ColumnField,
    ::testing::Values(FieldCase{"Integer", ftInteger, 0, Variant(42), 3, true, taRightJustify},
                      FieldCase{"Smallint", ftSmallint, 0, Variant(7), 2, true, taRightJustify},
                      FieldCase{"Float", ftFloat, 0, Variant(2.5), 5, true, taRightJustify},
                      FieldCase{"Boolean", ftBoolean, 0, Variant(true), 256, true, taLeftJustify},
                      FieldCase{"String", ftString, 20, Variant("text"), 256, false, taLeftJustify},
                      FieldCase{"NullString", ftString, 20, Variant::Null(), 256, true, taLeftJustify}),
    [](const auto& info) { return std::string(info.param.Name); });

// A column bound to another field keeps values as the new field's kind
// asks, not as the field it was loaded from before; a text handler given
// to a string field after a load makes the next load keep its values.
struct RebindCase {
  const char* From;
  const char* To;
  bool TextHandler;  // given to the new field before the second load
  bool KeepsValue;
};

class ColumnRebind : public GridTest, public ::testing::WithParamInterface<RebindCase> {};

TEST_P(ColumnRebind, KeptValuesFollowTheFieldBoundNow) {
  const RebindCase& c = GetParam();
  Fill(3);
  MakeGrid(DirectoryOptions());
  auto* column = Grid->CreateColumn<TdxDBGridColumn>(Form.get());
  column->SetFieldName(c.From);
  Grid->Reload();
  column->SetFieldName(c.To);
  if (c.TextHandler)
    column->Field()->OnGetText = [](TField* field, std::string& text, bool) { text = "<" + field->AsString() + ">"; };
  Grid->Reload();
  ASSERT_EQ(Grid->Count(), 3);
  // The grid must not follow the dataset while its records are visited.
  TDisableControlsScope controls(*Data);
  for (int i = 0; i < Grid->Count(); ++i) {
    const auto* node = static_cast<const TdxDBGridNode*>(Grid->Items(i));
    EXPECT_EQ(node->HeldValue(column->Index()).has_value(), c.KeepsValue) << i;
    Data->SetRecNo(i + 1);
    EXPECT_EQ(Grid->GetCellText(node, column->Index()), column->Field()->DisplayText()) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, ColumnRebind,
                         ::testing::Values(RebindCase{"PHONE", "NAME", false, false},
                                           RebindCase{"NAME", "PHONE", false, true},
                                           RebindCase{"NAME", "NAME", true, true},
                                           RebindCase{"PHONE", "NAME", true, true}),
                         [](const auto& info) {
                           return std::string(info.param.From) + "To" + info.param.To +
                                  (info.param.TextHandler ? "WithHandler" : "");
                         });

// A loaded row keeps a Null beside the empty text of a text column and of
// a number column alike, numbers as themselves, texts not at all; a
// dropped column takes its kept value away and the later ones move down.
struct KeptCellCase {
  const char* Name;
  int Dropped;  // column dropped from the node after the load; -1: none
};

class KeptCells : public GridTest, public ::testing::WithParamInterface<KeptCellCase> {};

TEST_P(KeptCells, NullsNumbersAndTextsAreKeptAsTheirKindAsks) {
  const KeptCellCase& c = GetParam();
  Data->Open();
  Data->AppendRecord({Variant(1), Variant("Resident 1"), Variant(200001)});
  Data->AppendRecord({Variant(2), Variant::Null(), Variant::Null()});
  Data->First();
  MakeGrid(DirectoryOptions());
  ASSERT_EQ(Grid->Count(), 2);
  // Per row and column (HOME_ID, NAME, PHONE): "" nothing kept, "null",
  // or the number kept.
  std::vector<std::vector<std::string>> expected = {{"1", "", "200001"}, {"2", "null", "null"}};
  for (int row = 0; row < 2; ++row) {
    auto* node = static_cast<TdxDBGridNode*>(Grid->Items(row));
    std::vector<std::string> cells = expected[static_cast<std::size_t>(row)];
    if (c.Dropped >= 0) {
      node->DropColumn(c.Dropped);
      cells.erase(cells.begin() + c.Dropped);
    }
    for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
      SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
      const std::optional<Variant> held = node->HeldValue(column);
      const std::string& want = cells[static_cast<std::size_t>(column)];
      const TdxDBNodeValue record = node->ValueRecord(column);
      EXPECT_EQ((record.Flags & TdxDBNodeValue::HasValue) != 0, !want.empty());
      if (want.empty()) {
        EXPECT_FALSE(held.has_value());
      } else if (want == "null") {
        ASSERT_TRUE(held.has_value());
        EXPECT_TRUE(held->IsNull());
        EXPECT_TRUE(record.Value.IsNull());
        EXPECT_EQ(node->Text(column), "");
      } else {
        ASSERT_TRUE(held.has_value());
        EXPECT_EQ(held->AsString(), want);
        EXPECT_EQ(node->Text(column), want);
      }
    }
    EXPECT_FALSE(node->HeldValue(static_cast<int>(cells.size())).has_value());
  }
  // A stored value replaces a kept Null; nothing stored forgets it.
  auto* node = static_cast<TdxDBGridNode*>(Grid->Items(1));
  const int last = c.Dropped >= 0 ? 1 : 2;  // the last column, a kept Null in this row
  TdxDBNodeValue value;
  value.Flags = TdxDBNodeValue::HasValue;
  value.Value = Variant(7);
  node->SetValueRecord(last, value);
  ASSERT_TRUE(node->HeldValue(last).has_value());
  EXPECT_EQ(node->HeldValue(last)->AsInteger(), 7);
  node->SetValueRecord(last, TdxDBNodeValue());
  EXPECT_FALSE(node->HeldValue(last).has_value());
}

INSTANTIATE_TEST_SUITE_P(Drops, KeptCells,
                         ::testing::Values(KeptCellCase{"NoneDropped", -1}, KeptCellCase{"FirstDropped", 0},
                                           KeptCellCase{"TextDropped", 1}, KeptCellCase{"LastDropped", 2}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GridTest, UnboundColumnIsEmptyReadOnlyAndLeavesItsDefaultsAlone) {
  Fill(3);
  MakeGrid(DirectoryOptions());
  auto* column = Grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
  column->SetFieldName("MISSING");
  Grid->Reload();
  EXPECT_EQ(column->Field(), nullptr);
  EXPECT_EQ(column->Caption(), "MISSING");
  EXPECT_FALSE(column->ReadOnly());
  EXPECT_EQ(column->MaxLength(), 0);
  EXPECT_EQ(Grid->GetCellText(Grid->Items(0), column->Index()), "");
  auto* name = static_cast<TdxDBGridMaskColumn*>(Grid->Columns(1));
  EXPECT_EQ(name->MaxLength(), 40);
  Data->FieldByName("NAME")->SetReadOnly(true);
  Data->FieldByName("NAME")->SetDisplayLabel("Resident");
  EXPECT_TRUE(name->ReadOnly());
  EXPECT_EQ(name->Caption(), "Resident");
}

TEST_F(GridTest, GroupingAndSummarySettingsKeepTheirRules) {
  Fill(2);
  MakeGrid(DirectoryOptions());
  auto* column = static_cast<TdxDBGridMaskColumn*>(Grid->Columns(0));
  column->SetGroupIndex(-2);
  EXPECT_EQ(column->GroupIndex(), -1);
  column->SetSortBySummary(true);
  EXPECT_FALSE(column->SortBySummary());
  column->SetSummaryType(cstSum);
  EXPECT_TRUE(column->SortBySummary());
  column->SetSummaryType(cstNone);
  column->SetSummaryType(cstCount);
  EXPECT_FALSE(column->SortBySummary());
}

TEST_F(GridTest, MaskColumnFollowsTheFieldsMaskUntilItHasItsOwn) {
  Fill(2);
  Data->FieldByName("PHONE")->SetEditMask("999-999;0;_");
  MakeGrid(DirectoryOptions());
  auto* phone = static_cast<TdxDBGridMaskColumn*>(Grid->Columns(2));
  EXPECT_EQ(phone->EditMask(), "999-999;0;_");
  EXPECT_FALSE(phone->IsEditMaskStored());
  phone->SetEditMask("99-99-99;0;_");
  EXPECT_TRUE(phone->IsEditMaskStored());
  phone->RestoreDefaults();
  EXPECT_EQ(phone->EditMask(), "999-999;0;_");
  EXPECT_FALSE(phone->IsEditMaskStored());
}

TEST_F(GridTest, DefaultWidthOfABoundColumnCountsDisplayDigits) {
  Fill(2);
  MakeGrid(DirectoryOptions());
  Data->FieldByName("PHONE")->SetDisplayWidth(10);
  auto* column = Grid->CreateColumn<TdxDBGridColumn>(Form.get());
  column->SetFieldName("PHONE");
  TCanvas canvas;
  canvas.Font().Assign(&Grid->Font());
  const int digits = canvas.TextWidth("0") * 10 + 4;
  canvas.Font().Assign(&Grid->HeaderFont());
  const int caption = canvas.TextWidth("PHONE") + 6;
  EXPECT_EQ(column->Width(), std::max(std::max(digits, caption), column->MinWidth()));
}

}  // namespace

namespace {

// How often each drawing handler of a cell, a header and a summary footer
// cell ran during one paint.
struct DrawCounts {
  int ColumnCell = 0, TreeListCell = 0, GridBefore = 0;
  int ColumnHeader = 0, TreeListHeader = 0;
  int ColumnFooter = 0, TreeListFooter = 0;
};

TEST_F(GridTest, AColumnsOwnDrawingComesFirstAndItsDoneSkipsTheRest) {
  Fill(3);
  MakeGrid(DirectoryOptions());
  Grid->SetShowSummaryFooter(true);
  auto* name = static_cast<TdxDBTreeListColumn*>(Grid->Columns(1));
  auto* phone = static_cast<TdxDBTreeListColumn*>(Grid->Columns(2));
  phone->SetSummaryFooterType(cstSum);
  DrawCounts counts;
  bool done = false;
  Grid->OnCustomDraw = [&](TObject* sender, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn*, bool, bool,
                           bool, std::string&, TColor&, TFont*, TAlignment&, bool&) {
    EXPECT_EQ(sender, Grid);
    ++counts.GridBefore;
  };
  name->OnCustomDraw = [&](TObject* sender, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn* column,
                           std::string& text, TFont*, TColor&, bool, bool, bool& cellDone) {
    EXPECT_EQ(sender, name);
    EXPECT_EQ(column, name);
    EXPECT_FALSE(text.empty());
    ++counts.ColumnCell;
    cellDone = done;
  };
  name->OnCustomDrawCell = [&](TObject*, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn*, bool, bool,
                               bool, std::string&, TColor&, TFont*, TAlignment&, bool&) { ++counts.TreeListCell; };
  name->OnCustomDrawHeader = [&](TObject*, TCanvas*, const TRect&, TdxTreeListColumn*, std::string& text, TFont*,
                                 TColor&, bool& headerDone) {
    EXPECT_EQ(text, "NAME");
    ++counts.ColumnHeader;
    headerDone = done;
  };
  name->OnCustomDrawColumnHeader = [&](TObject*, TdxTreeListColumn*, TCanvas*, const TRect&, std::string&, TColor&,
                                       TFont*, TAlignment&, TdxTreeListColumnSort&, bool&) { ++counts.TreeListHeader; };
  phone->OnDrawSummaryFooter = [&](TObject* sender, TCanvas*, const TRect&, std::string&, TFont*, TColor&,
                                   TAlignment&, bool& footerDone) {
    EXPECT_EQ(sender, phone);
    ++counts.ColumnFooter;
    footerDone = done;
  };
  Grid->OnCustomDrawFooter = [&](TObject*, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn* column,
                                 std::string&, TColor&, TFont*, TAlignment&, bool&) {
    if (column == phone) ++counts.TreeListFooter;
  };
  for (const bool columnDone : {false, true}) {
    SCOPED_TRACE(columnDone);
    done = columnDone;
    counts = {};
    Grid->Invalidate();
    WindowOf(*Grid)->grab();
    EXPECT_EQ(counts.ColumnCell, 3);
    EXPECT_EQ(counts.TreeListCell, columnDone ? 0 : 3);
    EXPECT_GE(counts.GridBefore, 3) << "the grid's own event runs for every cell";
    EXPECT_EQ(counts.ColumnHeader, 1);
    EXPECT_EQ(counts.TreeListHeader, columnDone ? 0 : 1);
    EXPECT_EQ(counts.ColumnFooter, 1);
    EXPECT_EQ(counts.TreeListFooter, columnDone ? 0 : 1);
  }
}

}  // namespace
