// Grouping, group rows, the group panel and the grid's totals over the
// in-memory dataset, on real widgets: apartments with a street, a house
// number and an amount kept as text (so that numbers, blanks and words
// that are no numbers meet the totals).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "datagrid/grid/db_grid.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "grid/tree_list/tree_list_errors.h"
#include "tests/datagrid/grid_fixture.h"
#include "framework/core/storage/registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_input.h"

namespace {

// Numbers as the locale writes them.
std::string Local(std::string text) {
  std::replace(text.begin(), text.end(), '.', FormatSettings().DecimalSeparator);
  return text;
}

struct TRow {
  int Id;
  const char* Street;  // nullptr: Null
  int House;
  const char* Amount;  // nullptr: Null
};

// Streets in load order Mira, Lenina, (none), Mira, Lenina, Mira.
const std::vector<TRow> Rows = {
    {1, "Mira", 2, "10"},   {2, "Lenina", 1, "2.5"}, {3, nullptr, 1, nullptr},
    {4, "Mira", 1, "abc"},  {5, "Lenina", 1, "-4"},  {6, "Mira", 2, nullptr},
};

class GroupTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    Data->FieldDefs().Add("STREET", ftString, 40, false);
    Data->FieldDefs().Add("HOUSE", ftInteger, 0, false);
    Data->FieldDefs().Add("AMOUNT", ftString, 20, false);
    Data->Open();
    for (const TRow& row : Rows)
      Data->AppendRecord({Variant(row.Id), Variant("Resident " + std::to_string(row.Id)), Variant(200000 + row.Id),
                          row.Street != nullptr ? Variant(row.Street) : Variant::Null(), Variant(row.House),
                          row.Amount != nullptr ? Variant(Local(row.Amount)) : Variant::Null()});
    Data->First();
  }

  TdxDBGrid* Make(TdxDBGridOptionsDB options = DirectoryOptions()) {
    TdxDBGrid* grid = MakeGrid(options, "HOME_ID", 14);
    for (const char* name : {"STREET", "HOUSE", "AMOUNT"}) {
      auto* column = grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
      column->SetName(std::string("col") + name);
      column->SetFieldName(name);
    }
    // Every header within the grid's 500 pixels.
    for (int i = 0; i < grid->ColumnCount(); ++i) grid->Columns(i)->SetWidth(70);
    grid->ActiveChanged(true);
    return grid;
  }
  TdxDBTreeListColumn* Col(const std::string& field) const {
    for (int i = 0; i < Grid->ColumnCount(); ++i)
      if (Grid->DBColumn(i)->FieldName() == field) return Grid->DBColumn(i);
    return nullptr;
  }
  // The tree as text: group rows by their value, records by id, children
  // in brackets.
  std::string Tree(const TdxTreeListNode* parent = nullptr) const {
    std::string text;
    const int count = parent != nullptr ? parent->Count() : Grid->Count();
    for (int i = 0; i < count; ++i) {
      const TdxTreeListNode* node = parent != nullptr ? parent->Items(i) : Grid->Items(i);
      if (!text.empty()) text += ' ';
      if (node->Count() > 0) {
        const Variant& value = static_cast<const TdxDBGridNode*>(node)->GroupValue();
        text += (value.IsNull() ? std::string("-") : VarToStr(value)) + "[" + Tree(node) + "]";
      } else {
        text += std::to_string(NodeId(node));
      }
    }
    return text;
  }
  int Height() const { return Grid->Metrics().HeaderLineHeight; }
};

TEST_F(GroupTest, OneColumnGroupsRecordsUnderValueRowsWithNullFirst) {
  Make();
  Col("STREET")->SetGroupIndex(0);
  EXPECT_EQ(Tree(), "-[3] Lenina[2 5] Mira[1 4 6]");
  EXPECT_EQ(Grid->GroupColumnCount(), 1);
  EXPECT_FALSE(Col("STREET")->Visible()) << "a grouping column hides";
  EXPECT_EQ(Col("STREET")->Sorted(), csUp);
  EXPECT_TRUE(Grid->IsLoadAllMode());
  const auto* lenina = static_cast<const TdxDBGridNode*>(Grid->Items(1));
  EXPECT_EQ(lenina->Key().AsInteger(), 2) << "a group row takes its first record's key";
  EXPECT_EQ(Grid->GetCellText(lenina, 0), "STREET : Lenina ");
  EXPECT_TRUE(Grid->IsGroupNode(lenina));
  EXPECT_FALSE(Grid->IsGroupNode(lenina->Items(0)));

  Col("STREET")->SetSorted(csDown);
  EXPECT_EQ(Tree(), "Mira[1 4 6] Lenina[2 5] -[3]") << "a grouping column's direction orders its level";
}

TEST_F(GroupTest, AGroupRowsCaptionStartsAtItsLeftUnderANumberColumn) {
  Make();
  ASSERT_EQ(Grid->Columns(0)->Alignment(), taRightJustify) << "HOME_ID, a number, leads";
  Col("STREET")->SetGroupIndex(0);
  std::vector<TAlignment> groupRows;
  Grid->OnCustomDrawCell = [&](TObject*, TCanvas*, const TRect&, TdxTreeListNode* node, TdxTreeListColumn*, bool,
                               bool, bool, std::string&, TColor&, TFont*, TAlignment& alignment, bool&) {
    if (Grid->IsGroupNode(node)) groupRows.push_back(alignment);
  };
  WindowOf(*Grid)->grab();
  EXPECT_EQ(groupRows, (std::vector<TAlignment>{taLeftJustify, taLeftJustify, taLeftJustify}));
}

TEST_F(GroupTest, TwoColumnsNestAndRecordsSortInsideTheirGroup) {
  Make();
  Col("NAME")->SetSorted(csDown);
  Col("STREET")->SetGroupIndex(0);
  Col("HOUSE")->SetGroupIndex(1);
  EXPECT_EQ(Tree(), "-[1[3]] Lenina[1[5 2]] Mira[1[4] 2[6 1]]");
  EXPECT_EQ(Grid->GroupColumns(1), Col("HOUSE"));
  EXPECT_EQ(Grid->Items(2)->Items(1)->Items(0)->Level(), 2);

  // Moving the second level to the top regroups the other way round.
  Col("HOUSE")->SetGroupIndex(0);
  EXPECT_EQ(Col("STREET")->GroupIndex(), 1);
  EXPECT_EQ(Tree(), "1[-[3] Lenina[5 2] Mira[4]] 2[Mira[6 1]]");

  Grid->ClearGrouping();
  EXPECT_EQ(Grid->GroupColumnCount(), 0);
  EXPECT_EQ(Tree(), "6 5 4 3 2 1") << "a flat list again, still sorted";
  EXPECT_TRUE(Col("STREET")->Visible());
  EXPECT_EQ(Col("STREET")->Sorted(), csNone);
}

struct RefusalCase {
  const char* Name;
  std::function<void(TdxDBGrid&, TdxDBTreeListColumn& target)> Prepare;
};

class GroupRefusalTest : public GroupTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(GroupRefusalTest, ColumnStaysOutOfTheGrouping) {
  Make();
  Col("STREET")->SetGroupIndex(0);
  TdxDBTreeListColumn& target = *Col("AMOUNT");
  GetParam().Prepare(*Grid, target);
  target.SetGroupIndex(1);
  EXPECT_EQ(target.GroupIndex(), -1);
  EXPECT_EQ(Grid->GroupColumnCount(), 1);
  EXPECT_TRUE(target.Visible());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, GroupRefusalTest,
    ::testing::Values(
        RefusalCase{"DisableGrouping", [](TdxDBGrid&, TdxDBTreeListColumn& c) { c.SetDisableGrouping(true); }},
        RefusalCase{"SameFieldAsAGroupingColumn",
                    [](TdxDBGrid&, TdxDBTreeListColumn& c) { c.SetFieldName("STREET"); }},
        RefusalCase{"HandlerRefuses",
                    [](TdxDBGrid& g, TdxDBTreeListColumn&) {
                      g.OnAddGroupColumn = [](TObject*, TdxDBTreeListColumn*, bool& allow) { allow = false; };
                    }},
        RefusalCase{"OnlyVisibleColumn",
                    [](TdxDBGrid& g, TdxDBTreeListColumn& c) {
                      for (int i = 0; i < g.ColumnCount(); ++i)
                        if (g.Columns(i) != &c) g.Columns(i)->SetVisible(false);
                    }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GroupTest, SmartRefreshMovesAChangedRecordToItsNewGroupAndTotalsAgain) {
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoSmartRefresh);
  Make(options);
  Col("HOUSE")->SetSummaryFooterType(cstSum);
  Col("STREET")->SetGroupIndex(0);
  ASSERT_EQ(Grid->FooterSummaryText(Col("HOUSE")->Index()), Local("8.00"));
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(4), {}));
  Data->Edit();
  Data->FieldByName("STREET")->SetAsString("Lenina");
  Data->FieldByName("HOUSE")->SetAsInteger(5);
  Data->Post();
  EXPECT_EQ(Tree(), "-[3] Lenina[2 5 4] Mira[1 6]") << "moved as the last record of its new group, no other record touched";
  EXPECT_EQ(Grid->FooterSummaryText(Col("HOUSE")->Index()), Local("12.00"));
  Data->Edit();
  Data->FieldByName("STREET")->SetAsString("Gagarina");
  Data->Post();
  EXPECT_EQ(Tree(), "-[3] Gagarina[4] Lenina[2 5] Mira[1 6]") << "a new group row in its place, the emptied one not";
}

// A record edited into a value that has a group row joins that row,
// wherever the tree's order (locale, case, totals) puts it.
struct RegroupCase {
  const char* Name;
  std::vector<const char*> Streets;  // of records 1..6
  bool CaseInsensitive, BySummary;   // the level ordered by its counts
  int Edited;
  const char *Street, *Before, *After;
};

class SmartRegroupTest : public GroupTest, public ::testing::WithParamInterface<RegroupCase> {};

TEST_P(SmartRegroupTest, AChangedRecordJoinsTheGroupRowOfItsValue) {
  const RegroupCase& c = GetParam();
  const auto setStreet = [&](const char* street) {
    Data->Edit();
    Data->FieldByName("STREET")->SetAsString(RU(street));
    Data->Post();
  };
  Data->First();
  for (const char* street : c.Streets) {
    setStreet(street);
    Data->Next();
  }
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoSmartRefresh);
  Make(options);
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  if (c.CaseInsensitive) behavior.Include(edgoCaseInsensitive);
  Grid->SetOptionsBehavior(behavior);
  Col("STREET")->SetSummaryType(cstCount);
  Col("STREET")->SetSortBySummary(c.BySummary);
  Col("STREET")->SetGroupIndex(0);
  ASSERT_EQ(Tree(), RU(c.Before));
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(c.Edited), {}));
  setStreet(c.Street);
  EXPECT_EQ(Tree(), RU(c.After));
  Grid->CheckInvariants();
}

const std::vector<const char*> Cyrillic = {"Zeta", "Абрикосовая", "ёлочная", "Ёлочная", "Абрикосовая", "Zeta"};
INSTANTIATE_TEST_SUITE_P(
    Orders, SmartRegroupTest,
    ::testing::Values(
        RegroupCase{"CyrillicByLocale", Cyrillic, false, false, 1, "ёлочная",
                    "Zeta[1 6] Абрикосовая[2 5] ёлочная[3] Ёлочная[4]",
                    "Zeta[6] Абрикосовая[2 5] ёлочная[3 1] Ёлочная[4]"},
        RegroupCase{"CyrillicCaseInsensitive", Cyrillic, true, false, 1, "Ёлочная",
                    "Zeta[1 6] Абрикосовая[2 5] ёлочная[3 4]", "Zeta[6] Абрикосовая[2 5] ёлочная[3 4 1]"},
        RegroupCase{"LatinMixedCase", {"Banana", "apple", "Apple", "cherry", "Banana", "cherry"}, false, false, 1,
                    "apple", "apple[2] Apple[3] Banana[1 5] cherry[4 6]", "apple[2 1] Apple[3] Banana[5] cherry[4 6]"},
        RegroupCase{"OrderedByTotals", {"C", "B", "B", "A", "A", "A"}, false, true, 4, "C", "C[1] B[2 3] A[4 5 6]",
                    "C[1 4] B[2 3] A[5 6]"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A record read again forgets the Null its blank cell kept: given a street,
// it leaves the blanks group for that street's.
TEST_F(GroupTest, SmartRefreshTakesARecordGivenAValueOutOfTheBlanks) {
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoSmartRefresh);
  Make(options);
  Col("STREET")->SetGroupIndex(0);
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(3), {}));
  Data->Edit();
  Data->FieldByName("STREET")->SetAsString("Lenina");
  Data->Post();
  EXPECT_EQ(Tree(), "Lenina[2 5 3] Mira[1 4 6]");
}

TEST_F(GroupTest, WithSmartRefreshTheFocusStillFollowsTheDataSet) {
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoSmartRefresh);
  Make(options);
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(4), {}));
  EXPECT_EQ(FocusedId(), 4);
  Col("STREET")->SetGroupIndex(0);
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(5), {}));
  EXPECT_EQ(FocusedId(), 5) << "into a collapsed group too";
  EXPECT_TRUE(Grid->Items(1)->Expanded());
}

TEST_F(GroupTest, AGroupingBracketReloadsOnceAtItsEnd) {
  Make();
  int reloads = 0;
  Grid->OnReloadGroupList = [&](TObject*) { ++reloads; };
  Grid->BeginGrouping();
  Col("STREET")->SetGroupIndex(0);
  Col("HOUSE")->SetGroupIndex(1);
  EXPECT_EQ(reloads, 0) << "nothing reloads while the bracket is open";
  Grid->EndGrouping();
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(Tree(), "-[1[3]] Lenina[1[2 5]] Mira[1[4] 2[1 6]]");
}

TEST_F(GroupTest, DisableGroupingUngroupsAGroupingColumn) {
  Make();
  Col("STREET")->SetGroupIndex(0);
  Col("STREET")->SetDisableGrouping(true);
  EXPECT_EQ(Col("STREET")->GroupIndex(), -1);
  EXPECT_EQ(Tree(), "1 2 3 4 5 6");
}

TEST_F(GroupTest, GroupRowsExpandAndCollapse) {
  Make();
  Col("STREET")->SetGroupIndex(0);
  ASSERT_EQ(Grid->VisibleNodeCount(), 3) << "group rows start collapsed";
  Grid->Items(2)->SetExpanded(true);
  EXPECT_EQ(Grid->VisibleNodeCount(), 6);
  EXPECT_EQ(NodeId(Grid->GetAbsoluteNode(3)), 1);
  Grid->Items(2)->SetExpanded(false);
  EXPECT_EQ(Grid->VisibleNodeCount(), 3);
}

TEST_F(GroupTest, SmartReloadRegroupsLoadedRecordsWithoutReadingThemAgain) {
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoSmartReload);
  Make(options);
  int refreshed = 0;
  Grid->OnRefreshNodeData = [&](TObject*, TdxTreeListNode*) { ++refreshed; };
  Col("STREET")->SetGroupIndex(0);
  EXPECT_EQ(refreshed, 3) << "only the new group rows were filled, no record was loaded again";
  EXPECT_EQ(Tree(), "-[3] Lenina[2 5] Mira[1 4 6]");
  Col("HOUSE")->SetGroupIndex(0);
  EXPECT_EQ(Tree(), "1[-[3] Lenina[2 5] Mira[4]] 2[Mira[1 6]]");
  Col("HOUSE")->SetGroupIndex(-1);
  Col("STREET")->SetGroupIndex(-1);
  EXPECT_EQ(refreshed, 3 + 6 + 3);
  EXPECT_EQ(Tree(), "1 2 3 4 5 6");
}

TEST_F(GroupTest, StoredGroupIndexesRebuildTheGroupingInTheirOrder) {
  {
    TLoadingScope loading;
    auto* grid = new TdxDBGrid(Form.get());
    grid->SetName("GridHome");
    grid->SetParent(Form.get());
    grid->SetOptionsDB(DirectoryOptions());
    const std::pair<const char*, int> stored[] = {{"HOME_ID", -1}, {"NAME", 1}, {"STREET", 2}, {"HOUSE", 0}};
    for (const auto& [name, index] : stored) {
      auto* column = grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
      column->SetFieldName(name);
      column->SetGroupIndex(index);
    }
    grid->SetKeyField("HOME_ID");
    grid->SetDataSource(Source);
    Grid = grid;
    loading.Finish();
  }
  ASSERT_EQ(Grid->GroupColumnCount(), 3);
  EXPECT_EQ(Grid->GroupColumns(0), Col("HOUSE"));
  EXPECT_EQ(Grid->GroupColumns(1), Col("NAME"));
  EXPECT_EQ(Grid->GroupColumns(2), Col("STREET"));
  EXPECT_EQ(Col("STREET")->GroupIndex(), 2);
  EXPECT_EQ(Tree(), "1[Resident 2[Lenina[2]] Resident 3[-[3]] Resident 4[Mira[4]] Resident 5[Lenina[5]]] "
                    "2[Resident 1[Mira[1]] Resident 6[Mira[6]]]");
}

TEST_F(GroupTest, AReloadMovesACurrentRecordOutOfACollapsedGroupOntoItsFirstRecord) {
  Make();
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  behavior.Include(edgoCollapsedReload);
  Grid->SetOptionsBehavior(behavior);
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(5), {}));
  Col("STREET")->SetGroupIndex(0);
  EXPECT_EQ(CurrentId(), 2) << "record 5 is hidden in the collapsed Lenina group, which starts with 2";
}

TEST_F(GroupTest, ColumnSortingHandlerMayRefuseAHeaderClick) {
  Make();
  std::vector<std::string> asked;
  bool allow = false;
  Grid->OnColumnSorting = [&](TObject*, TdxDBTreeListColumn* column, bool& a) {
    asked.push_back(column->FieldName());
    a = allow;
  };
  Grid->ColumnClick(Col("NAME"), false);
  EXPECT_EQ(Col("NAME")->Sorted(), csNone);
  allow = true;
  Grid->ColumnClick(Col("NAME"), false);
  EXPECT_EQ(Col("NAME")->Sorted(), csUp);
  EXPECT_EQ(asked, (std::vector<std::string>{"NAME", "NAME"}));
}

// --- The group panel --------------------------------------------------------------------------

TEST_F(GroupTest, PanelGrowsByHalfARowPerGroupingColumnAndHitsAsTopPanel) {
  Make();
  EXPECT_EQ(Grid->GroupPanelHeight(), 0);
  Grid->SetShowGroupPanel(true);
  const int h = Height();
  EXPECT_EQ(Grid->GroupPanelHeight(), h - h / 2 + 16);
  EXPECT_EQ(Grid->GetRowsAreaRect().Top - Grid->GroupPanelRect().Bottom, h) << "the headers move down";
  Col("STREET")->SetGroupIndex(0);
  Col("HOUSE")->SetGroupIndex(1);
  EXPECT_EQ(Grid->GroupPanelHeight(), h / 2 + h + 16);
  const TRect panel = Grid->GroupPanelRect();
  EXPECT_EQ(Grid->GroupBoxRect(1), Rect(panel.Left + 112, panel.Top + 8 + h / 2, panel.Left + 212, panel.Top + 8 + h / 2 + h));
  TdxTreeListHitInfo hit;
  Grid->HitTestPoint(Point(panel.Left + 150, panel.Top + 8 + h / 2 + 2), hit);
  EXPECT_EQ(hit.HitTest, htTopPanel);
  EXPECT_EQ(hit.Column, Col("HOUSE")->Index());
  EXPECT_EQ(Grid->GroupPanelDropIndex(Point(panel.Left + 10, panel.Top + 4)), 0);
  EXPECT_EQ(Grid->GroupPanelDropIndex(Point(panel.Left + 100, panel.Top + 4)), 1);
  EXPECT_EQ(Grid->GroupPanelDropIndex(Point(panel.Left + 300, panel.Top + 4)), 2);
}

TEST_F(GroupTest, DraggingAHeaderIntoThePanelGroupsAndABoxOutUngroups) {
  Make();
  Grid->SetShowGroupPanel(true);
  ASSERT_TRUE(ShowActive(*Form));
  std::vector<std::string> events;
  Grid->OnEndDragGroupColumn = [&](TObject*, TdxDBTreeListColumn* column, int index, bool&) {
    events.push_back(column->FieldName() + "@" + std::to_string(index));
  };
  Grid->OnHideHeader = [&](TObject*, TdxTreeListColumn* column) { events.push_back("hide " + column->Caption()); };
  TdxTreeListLayoutInfo layout;
  Grid->CalculateLayout(layout);
  const TdxTreeListHeaderItem* header = layout.FindHeader(Col("STREET")->Index());
  ASSERT_NE(header, nullptr);
  const TPoint from = Point((header->Rect.Left + header->Rect.Right) / 2, (header->Rect.Top + header->Rect.Bottom) / 2);
  const TRect panel = Grid->GroupPanelRect();
  const TPoint into = Point(panel.Left + 40, panel.Top + 10);
  MousePressAt(*Grid, from);
  EXPECT_EQ(Grid->State(), tsColumnDown) << from.X << "," << from.Y << " focused " << Grid->Focused();
  MouseMoveTo(*Grid, Point(from.X, from.Y - 10));
  MouseMoveTo(*Grid, into);
  EXPECT_EQ(Grid->State(), tsColumnDragging);
  MouseReleaseAt(*Grid, into);
  ASSERT_EQ(Col("STREET")->GroupIndex(), 0);
  EXPECT_EQ(Tree(), "-[3] Lenina[2 5] Mira[1 4 6]");
  EXPECT_EQ(Grid->State(), tsNone);

  // The box, dragged down onto the rows, leaves the panel.
  const TRect box = Grid->GroupBoxRect(0);
  const TPoint boxCentre = Point((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2);
  const TPoint rows = Point(200, Grid->GetRowsAreaRect().Top + 30);
  MousePressAt(*Grid, boxCentre);
  MouseMoveTo(*Grid, Point(boxCentre.X, boxCentre.Y + 10));
  MouseMoveTo(*Grid, rows);
  MouseReleaseAt(*Grid, rows);
  EXPECT_EQ(Col("STREET")->GroupIndex(), -1);
  EXPECT_EQ(Grid->GroupColumnCount(), 0);
  EXPECT_TRUE(Col("STREET")->Visible());
  EXPECT_EQ(Tree(), "1 2 3 4 5 6") << "the last box out gives the flat list back";
  EXPECT_EQ(events, std::vector<std::string>{"STREET@0"});
}

TEST_F(GroupTest, AHandlerMayRefuseTheDropOnThePanel) {
  Make();
  Grid->SetShowGroupPanel(true);
  ASSERT_TRUE(ShowActive(*Form));
  Grid->OnEndDragGroupColumn = [](TObject*, TdxDBTreeListColumn*, int, bool& allow) { allow = false; };
  TdxTreeListLayoutInfo layout;
  Grid->CalculateLayout(layout);
  const TdxTreeListHeaderItem* header = layout.FindHeader(Col("HOUSE")->Index());
  ASSERT_NE(header, nullptr);
  const TPoint from = Point(header->Rect.Left + 5, header->Rect.Top + 3);
  const TPoint into = Point(Grid->GroupPanelRect().Left + 20, Grid->GroupPanelRect().Top + 5);
  MousePressAt(*Grid, from);
  MouseMoveTo(*Grid, Point(from.X + 10, from.Y));
  MouseMoveTo(*Grid, into);
  MouseReleaseAt(*Grid, into);
  EXPECT_EQ(Col("HOUSE")->GroupIndex(), -1);
  EXPECT_TRUE(Col("HOUSE")->Visible());
}

TEST_F(GroupTest, CopiedColumnsBringTheSourceGridsGroupingInItsOrder) {
  Make();
  TdxDBGrid* source = Grid;
  Col("HOUSE")->SetGroupIndex(0);
  Col("STREET")->SetGroupIndex(1);
  const std::string grouped = Tree();
  // Both grids on one form: the copies cannot keep the source's names.
  source->SetName("GridSource");
  for (int i = 0; i < source->ColumnCount(); ++i) source->Columns(i)->SetName("src" + std::to_string(i));
  // The target grid groups by something else first; that grouping goes.
  TdxDBGrid* target = Make();
  Col("AMOUNT")->SetGroupIndex(0);
  target->AssignColumns(*source);
  ASSERT_EQ(target->GroupColumnCount(), 2);
  EXPECT_EQ(target->GroupColumns(0)->FieldName(), "HOUSE");
  EXPECT_EQ(target->GroupColumns(1)->FieldName(), "STREET");
  EXPECT_EQ(target->GroupColumns(0)->GroupIndex(), 0);
  EXPECT_EQ(target->GroupColumns(1)->GroupIndex(), 1);
  EXPECT_EQ(Tree(), grouped) << "the copy is grouped as its source";
  EXPECT_EQ(source->GroupColumnCount(), 2) << "the source keeps its grouping";

  // A flat source gives a flat copy.
  Grid = source;
  Grid->ClearGrouping();
  Grid = target;
  target->AssignColumns(*source);
  EXPECT_EQ(target->GroupColumnCount(), 0);
  EXPECT_EQ(Tree(), "1 2 3 4 5 6");
}

TEST_F(GroupTest, SwitchingNavigationKeepsTheGroupingOfTheColumns) {
  Make();
  Col("STREET")->SetGroupIndex(0);
  Col("HOUSE")->SetGroupIndex(1);
  const std::string grouped = Tree();
  for (bool navigation : {false, true}) {
    TdxDBGridOptionsDB options = Grid->OptionsDB();
    if (navigation)
      options.Include(edgoCanNavigation);
    else
      options.Exclude(edgoCanNavigation);
    Grid->SetOptionsDB(options);
    ASSERT_EQ(Grid->GroupColumnCount(), 2);
    EXPECT_EQ(Grid->GroupColumns(0), Col("STREET"));
    EXPECT_EQ(Grid->GroupColumns(1), Col("HOUSE"));
    EXPECT_EQ(Tree(), grouped) << navigation;
  }
}

// While a header is dragged over the panel: the drop arrows before the box
// it would become, and the cursor.
struct PanelDragCase {
  const char* Name;
  std::vector<const char*> Grouped;  // grouping at the start, in order
  const char* Dragged;               // field of the header (or box) dragged
  bool NotGroupable;                 // the dragged column has DisableGrouping
  int Towards;                       // the box whose left part the pointer ends over; may be past the last
  int ArrowsBefore;                  // box the arrows stand before; -1: no arrows
  TCursor Cursor;
};

void PrintTo(const PanelDragCase& c, std::ostream* os) { *os << c.Name; }

class PanelDragTest : public GroupTest, public ::testing::WithParamInterface<PanelDragCase> {};

TEST_P(PanelDragTest, ArrowsStandBeforeTheTargetBoxAndTheCursorTellsWhetherItGroups) {
  const PanelDragCase& c = GetParam();
  Make();
  for (std::size_t k = 0; k < c.Grouped.size(); ++k) Col(c.Grouped[k])->SetGroupIndex(static_cast<int>(k));
  Col(c.Dragged)->SetDisableGrouping(c.NotGroupable);
  Grid->SetShowGroupPanel(true);
  ASSERT_TRUE(ShowActive(*Form));
  TdxDBTreeListColumn* dragged = Col(c.Dragged);
  TPoint from;
  if (dragged->GroupIndex() >= 0) {
    const TRect box = Grid->GroupBoxRect(dragged->GroupIndex());
    from = Point(box.Left + 10, box.Top + 5);
  } else {
    TdxTreeListLayoutInfo layout;
    Grid->CalculateLayout(layout);
    const TdxTreeListHeaderItem* header = layout.FindHeader(dragged->Index());
    ASSERT_NE(header, nullptr);
    from = Point(header->Rect.Left + 10, header->Rect.Top + 3);
  }
  const TRect target = Grid->GroupBoxRect(c.Towards);
  const TPoint over = Point(target.Left + 10, Grid->GroupPanelRect().Top + 4);
  ASSERT_TRUE(Grid->GroupPanelRect().Contains(over));
  MousePressAt(*Grid, from);
  MouseMoveTo(*Grid, Point(from.X + 8, from.Y + 8));
  MouseMoveTo(*Grid, over);
  ASSERT_EQ(Grid->State(), tsColumnDragging);
  if (c.ArrowsBefore < 0) {
    EXPECT_TRUE(Grid->DropArrowsRect().IsEmpty());
  } else {
    const TRect box = Grid->GroupBoxRect(c.ArrowsBefore);
    const TRect arrows = Grid->DropArrowsRect();
    EXPECT_EQ(arrows.TopLeft(), Grid->ClientToScreen(Point(box.Left - 5, box.Top - 9)));
    EXPECT_EQ(arrows.Bottom, Grid->ClientToScreen(Point(0, box.Bottom + 9)).Y);
  }
  EXPECT_EQ(ScreenCursor(), c.Cursor);
  KeyInto(*Grid, Qt::Key_Escape);
  MouseReleaseAt(*Grid, over);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelDragTest,
    ::testing::Values(PanelDragCase{"IntoTheEmptyPanel", {}, "STREET", false, 0, 0, crDxTLDelete},
                      PanelDragCase{"AfterTheOnlyBox", {"HOUSE"}, "STREET", false, 1, 1, crDxTLDelete},
                      PanelDragCase{"BeforeTheFirstBox", {"HOUSE"}, "STREET", false, 0, 0, crDxTLDelete},
                      PanelDragCase{"NotGroupable", {"HOUSE"}, "STREET", true, 1, -1, crDxTLDelete},
                      PanelDragCase{"BoxPastTheEndStaysLast", {"HOUSE", "STREET"}, "HOUSE", false, 2, 1, crArrow}),
    [](const auto& info) { return std::string(info.param.Name); });

// The steps of the panel's slide.
struct SlideCase {
  int ClientHeight;
  int Distance;
  std::vector<int> Steps;
};

class PanelSlideStepsTest : public ::testing::TestWithParam<SlideCase> {};

TEST_P(PanelSlideStepsTest, StepsGrowPastTwentyAndTheLastTakesWhatRemains) {
  const SlideCase& c = GetParam();
  EXPECT_EQ(GroupPanelScrollSteps(c.ClientHeight, c.Distance), c.Steps);
}

std::vector<int> Ones(int n, std::vector<int> tail) {
  std::vector<int> steps(static_cast<std::size_t>(n), 1);
  steps.insert(steps.end(), tail.begin(), tail.end());
  return steps;
}

INSTANTIATE_TEST_SUITE_P(Cases, PanelSlideStepsTest,
                         ::testing::Values(SlideCase{300, 10, Ones(10, {})},
                                           SlideCase{100, 25, Ones(20, {2, 3})},
                                           SlideCase{1024, 40, {4, 4, 4, 4, 4, 5, 6, 9}},
                                           SlideCase{2048, 3, {3}},
                                           SlideCase{0, 2, {1, 1}},
                                           SlideCase{500, 0, {}}));

TEST_F(GroupTest, ShowingThePanelSlidesTheRowsDownAndHidingSlidesThemUp) {
  Make();
  ASSERT_TRUE(ShowActive(*Form));
  Grid->SetGroupPanelColor(clYellow);
  Grid->Update();
  TCanvas& canvas = Grid->Canvas();
  const int x = Grid->ClientWidth() / 2;
  const TColor headerPixel = canvas.Pixels(x, 2);
  const int height = Grid->ShownGroupPanelHeight();
  Grid->SetShowGroupPanel(true);
  // Before the next paint the slid pixels show: the header one panel
  // height lower, the strip above it in the button shadow's colour.
  EXPECT_EQ(ColorToRGB(canvas.Pixels(x, 2)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(canvas.Pixels(x, height + 2)), ColorToRGB(headerPixel));
  QTest::qWait(20);
  EXPECT_EQ(ColorToRGB(canvas.Pixels(x, 2)), ColorToRGB(clYellow)) << "then the panel is painted";

  Grid->SetColor(clAqua);
  const int bottom = Grid->ClientHeight() - 2;
  ASSERT_NE(ColorToRGB(canvas.Pixels(x, bottom)), ColorToRGB(clAqua));
  Grid->SetShowGroupPanel(false);
  EXPECT_EQ(ColorToRGB(canvas.Pixels(x, bottom)), ColorToRGB(clAqua)) << "the strip below in the grid's colour";
  EXPECT_EQ(ColorToRGB(canvas.Pixels(x, 2)), ColorToRGB(headerPixel)) << "the header slid back to the top";
}

// --- Totals ----------------------------------------------------------------------------------------

struct TotalCase {
  TdxSummaryType Type;
  const char* Footer;    // AMOUNT over all rows: 10, 2.5, -4 count; Null and "abc" do not
  const char* Lenina;    // group row text of Lenina (2.5 and -4)
};

class TotalTest : public GroupTest, public ::testing::WithParamInterface<TotalCase> {};

TEST_P(TotalTest, NullsAndWordsAreLeftOutAlikeWhenLoadingAndRecomputing) {
  const TotalCase& c = GetParam();
  Make();
  Col("AMOUNT")->SetSummaryFooterType(c.Type);
  Col("STREET")->SetSummaryType(c.Type);
  Col("STREET")->SetSummaryField("AMOUNT");
  Grid->SetShowSummaryFooter(true);
  // Loading reads the records' fields.
  Col("STREET")->SetGroupIndex(0);
  EXPECT_EQ(Grid->FooterSummaryText(Col("AMOUNT")->Index()), Local(c.Footer));
  EXPECT_EQ(Grid->GroupSummaryText(Grid->Items(1)), Local(c.Lenina));
  // Recomputing reads the nodes' cells: the same totals.
  Grid->RecalcSummaries();
  EXPECT_EQ(Grid->FooterSummaryText(Col("AMOUNT")->Index()), Local(c.Footer));
  EXPECT_EQ(Grid->GroupSummaryText(Grid->Items(1)), Local(c.Lenina));
  EXPECT_EQ(Grid->RecordCount(), 6);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TotalTest,
                         ::testing::Values(TotalCase{cstSum, "8.50", "(SUM=-1.50) "},
                                           TotalCase{cstMin, "MIN=-4.00", "(MIN=-4.00) "},
                                           TotalCase{cstMax, "MAX=10.00", "(MAX=2.50) "},
                                           TotalCase{cstCount, "6", "(COUNT=2) "},
                                           TotalCase{cstAvg, "AVG=2.83", "(AVG=-0.75) "},
                                           TotalCase{cstNone, "", ""}),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param.Type)); });

// Several footer totals reading one field share the number read from each
// record; a footer handler changes only its own total's copy of it.
struct SharedFieldCase {
  bool Grouped;
  bool Handler;  // doubles the numbers of the HOUSE column's maximum
};

class SharedFieldTotalTest : public GroupTest, public ::testing::WithParamInterface<SharedFieldCase> {};

TEST_P(SharedFieldTotalTest, TotalsOfOneFieldAgreeWhenLoadingAndRecomputing) {
  const SharedFieldCase& c = GetParam();
  Make();
  Col("AMOUNT")->SetSummaryFooterType(cstSum);
  Col("HOUSE")->SetSummaryFooterType(cstMax);
  Col("HOUSE")->SetSummaryFooterField("AMOUNT");
  Col("PHONE")->SetSummaryFooterType(cstAvg);
  Col("PHONE")->SetSummaryFooterField("AMOUNT");
  Col("STREET")->SetSummaryFooterType(cstCount);
  Col("STREET")->SetSummaryFooterField("AMOUNT");
  if (c.Handler)
    Col("HOUSE")->OnSummaryFooter = [](TObject*, TDataSet*, long double& value) { value *= 2; };
  Grid->SetShowSummaryFooter(true);
  if (c.Grouped) Col("STREET")->SetGroupIndex(0);
  Grid->ActiveChanged(true);
  const auto expectTotals = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(Grid->FooterSummaryText(Col("AMOUNT")->Index()), Local("8.50"));
    EXPECT_EQ(Grid->FooterSummaryText(Col("HOUSE")->Index()), Local(c.Handler ? "MAX=20.00" : "MAX=10.00"));
    EXPECT_EQ(Grid->FooterSummaryText(Col("PHONE")->Index()), Local("AVG=2.83"));
    EXPECT_EQ(Grid->FooterSummaryText(Col("STREET")->Index()), "6");
  };
  expectTotals("loaded");
  const std::string tree = Tree();
  Grid->RecalcSummaries();
  expectTotals("recomputed");
  Grid->RecalcSummaries();
  expectTotals("recomputed twice");
  EXPECT_EQ(Tree(), tree);
}

INSTANTIATE_TEST_SUITE_P(Passes, SharedFieldTotalTest,
                         ::testing::Values(SharedFieldCase{false, false}, SharedFieldCase{false, true},
                                           SharedFieldCase{true, false}, SharedFieldCase{true, true}),
                         [](const auto& info) {
                           return std::string(info.param.Grouped ? "Grouped" : "Flat") +
                                  (info.param.Handler ? "WithHandler" : "Plain");
                         });

// Totals made again from the nodes read the records a batch at a time,
// each batch asking for the records after it ahead: around a batch's
// edges, grouped or not, the five totals are those of every record.
struct ManyRecordsCase {
  int Records;
  bool Grouped;
};

class ManyRecordsTotalTest : public GridTest, public ::testing::WithParamInterface<ManyRecordsCase> {};

TEST_P(ManyRecordsTotalTest, RecomputedTotalsTakeEveryRecordOnce) {
  const ManyRecordsCase& c = GetParam();
  Data->Open();
  // PHONE runs up and down; every seventh is Null.
  std::vector<Variant> phones;
  for (int id = 1; id <= c.Records; ++id) {
    phones.push_back(id % 7 == 0 ? Variant::Null() : Variant((id * 7919) % 1000 - 500));
    Data->AppendRecord({Variant(id), Variant("Resident " + std::to_string(id % 10)), phones.back()});
  }
  Data->First();
  MakeGrid(DirectoryOptions());
  const TdxSummaryType types[] = {cstSum, cstMin, cstMax, cstAvg, cstCount};
  for (const TdxSummaryType type : types) {
    auto* column = Grid->CreateColumn<TdxDBGridColumn>(Form.get());
    column->SetFieldName("PHONE");
    column->SetSummaryFooterType(type);
  }
  if (c.Grouped) Grid->DBColumn(1)->SetGroupIndex(0);
  Grid->RecalcSummaries();
  for (int t = 0; t < 5; ++t) {
    SCOPED_TRACE(static_cast<int>(types[t]));
    TdxSummaryAccumulator want;
    for (const Variant& phone : phones)
      if (!phone.IsNull()) AccumulateSummary(want, types[t], phone.AsInteger());
    EXPECT_EQ(Grid->FooterSummaryValue(3 + t), FinishSummary(want, types[t], c.Records));
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, ManyRecordsTotalTest,
                         ::testing::Values(ManyRecordsCase{1, false}, ManyRecordsCase{512, false},
                                           ManyRecordsCase{513, false}, ManyRecordsCase{577, false},
                                           ManyRecordsCase{1300, false}, ManyRecordsCase{1300, true}),
                         [](const auto& info) {
                           return std::to_string(info.param.Records) +
                                  (info.param.Grouped ? "Grouped" : "Flat");
                         });

TEST_F(GroupTest, EmptyDatasetCountsZeroAndAveragesZero) {
  Data->First();
  while (!Data->IsEmpty()) Data->Delete();
  Make();
  Col("HOUSE")->SetSummaryFooterType(cstCount);
  Col("PHONE")->SetSummaryFooterType(cstAvg);
  Grid->ActiveChanged(true);
  EXPECT_EQ(Grid->FooterSummaryText(Col("HOUSE")->Index()), "0");
  EXPECT_EQ(Grid->FooterSummaryText(Col("PHONE")->Index()), Local("AVG=0.00"));
}

TEST_F(GroupTest, SummaryGroupItemsFillTheGroupRowAndTheRowFooters) {
  Make();
  TdxDBGridSummaryGroup* group = Grid->SummaryGroups().Add();
  group->SetDefaultGroup(true);
  group->SetBeginSummaryText("{");
  group->SetEndSummaryText("}");
  auto addItem = [&](const char* column, const char* field, TdxSummaryType type) {
    TdxDBGridSummaryItem* item = group->SummaryItems().Add();
    item->SetColumnName(column);
    item->SetSummaryField(field);
    item->SetSummaryType(type);
  };
  addItem("", "AMOUNT", cstSum);
  addItem("", "AMOUNT", cstNone);
  addItem("", "HOUSE", cstMax);
  addItem("colHOUSE", "", cstCount);
  Grid->SetSummarySeparator(" | ");
  Grid->SetShowRowFooter(true);
  Col("STREET")->SetGroupIndex(0);
  const TdxTreeListNode* mira = Grid->Items(2);
  EXPECT_EQ(Grid->GetCellText(mira, 0), Local("STREET : Mira {(SUM=10.00) | (MAX=2.00)}"))
      << "an item naming a column shows only in the row footer";
  const TdxTreeListNode* last = mira->Items(2);
  ASSERT_EQ(Grid->GetRowFooterCount(last), 1);
  EXPECT_EQ(Grid->RowFooterText(last, Col("HOUSE")->Index(), 0), "3");
  EXPECT_EQ(Grid->RowFooterText(last, Col("AMOUNT")->Index(), 0), "");
}

TEST_F(GroupTest, SummaryGroupNamesAreUniqueAndNeverEmpty) {
  Make();
  Grid->SetName("Grid1");
  TdxDBGridSummaryGroup* first = Grid->SummaryGroups().Add();
  EXPECT_EQ(first->Name(), "Grid1SummaryGroup2");
  TdxDBGridSummaryGroup* second = Grid->SummaryGroups().Add();
  EXPECT_NE(second->Name(), first->Name());
  try {
    second->SetName(first->Name());
    FAIL() << "a duplicate name was taken";
  } catch (const EInvaliddxTreeListOperation& e) {
    EXPECT_STREQ(e.what(), "Invalidate group name: duplicate!");
  }
  try {
    second->SetName("");
    FAIL() << "an empty name was taken";
  } catch (const EInvaliddxTreeListOperation& e) {
    EXPECT_STREQ(e.what(), "Invalidate group name!");
  }
  second->SetDefaultGroup(true);
  first->SetDefaultGroup(true);
  EXPECT_FALSE(second->DefaultGroup()) << "one default group at most";
}

// --- Option sets on the grid ------------------------------------------------------------------

TEST_F(GroupTest, TheTreeListWordCarriesAutoSortAsTheGroupedSetHasIt) {
  Make(RecordWindowOptions());
  EXPECT_EQ(Grid->Options(), 151u | (1u << tloAutoSort));
  EXPECT_EQ(Grid->OptionsEx(), 5302u);
  EXPECT_FALSE(Grid->OptionOn(tloAutoSort)) << "no sorting by a click on a record window";
  Grid->SetOptionsDB(DirectoryOptions());
  EXPECT_TRUE(Grid->OptionOn(tloAutoSort));
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  behavior.Exclude(edgoAutoSort);
  Grid->SetOptionsBehavior(behavior);
  EXPECT_EQ(Grid->Options() & (1u << tloAutoSort), 0u);
  EXPECT_FALSE(Grid->OptionOn(tloAutoSort));
  EXPECT_FALSE(Grid->GridOptionsEx().Contains(egoAutoSort));
}

TEST_F(GroupTest, CombinedWordsReachTheGroupedSetsAndTheTreeList) {
  Make();
  EXPECT_EQ(Grid->GridOptions().Bits(), 15255u | (1u << egoLoadAllRecords));
  Grid->SetGridOptions(TdxDBGridOptions{egoLoadAllRecords, egoIndicator, egoRowSelect});
  const TdxDBGridOptionsDB db{edgoLoadAllRecords, edgoUseBookmarks};
  EXPECT_EQ(Grid->OptionsDB(), db);
  EXPECT_TRUE(Grid->ShowIndicator());
  EXPECT_TRUE(Grid->OptionOn(tloRowSelect));
  EXPECT_FALSE(Grid->OptionOn(tloEditing));
  Grid->SetOptionsDB(TdxDBGridOptionsDB{edgoLoadAllRecords, edgoPartialLoad});
  EXPECT_FALSE(Grid->OptionsDB().Contains(edgoPartialLoad)) << "load-all wins over partial loading";
}

// --- The stored layout -------------------------------------------------------------------------

constexpr const char* LayoutKey = "\\Software\\Tulvo\\HOME";

class GroupLayoutTest : public GroupTest {
 protected:
  void SetUp() override {
    ::setenv("TULVO_REGISTRY", Folder.File("registry").c_str(), 1);
    GroupTest::SetUp();
  }
  void TearDown() override {
    GroupTest::TearDown();
    ::unsetenv("TULVO_REGISTRY");
  }
  std::string Stored(const std::string& section, const std::string& name) {
    return TRegIniFile().ReadString(std::string(LayoutKey) + section, name, "?");
  }
  TTempFolder Folder;
};

TEST_F(GroupLayoutTest, GroupingPanelsAndSummaryGroupsComeBackOntoTheGroupsThatExist) {
  Make();
  int handled = 0;
  TdxDBGridSummaryGroup* totals = Grid->SummaryGroups().Add();
  totals->SetName("Totals");
  totals->SetBeginSummaryText("[");
  totals->SetDefaultGroup(true);
  TdxDBGridSummaryItem* amount = totals->SummaryItems().Add();
  amount->SetSummaryField("AMOUNT");
  amount->SetSummaryFormat("0.0");
  amount->SetSummaryType(cstSum);
  amount->OnSummary = [&](TObject*, TDataSet*, long double&) { ++handled; };
  Grid->SummaryGroups().Add()->SummaryItems().Add()->SetColumnName("colHOUSE");
  Col("STREET")->SetGroupIndex(0);
  Col("HOUSE")->SetGroupIndex(1);
  Col("AMOUNT")->SetSummaryFooterType(cstMax);
  Col("AMOUNT")->SetSummaryFooterField("HOUSE");
  Grid->SetShowGroupPanel(true);
  Grid->SetShowSummaryFooter(true);
  Grid->SaveLayoutToRegistry(LayoutKey);

  EXPECT_EQ(Stored("", "ShowGroupPanel"), "1");
  EXPECT_EQ(Stored("", "CountSummaryGroups"), "2");
  EXPECT_EQ(Stored("\\SumGroups\\0", "Defaul"), "1");
  EXPECT_EQ(Stored("\\SumGroups\\1", "CountSummaryItems"), "1");
  EXPECT_EQ(Stored("\\SumGroups\\1\\Items\\0", "ColumnName"), "colHOUSE");
  EXPECT_EQ(Stored("\\SumGroups\\0\\Items\\0", "SummaryType"), "1");

  // Everything changed, then read back.
  Grid->ClearGrouping();
  Grid->SetShowGroupPanel(false);
  Grid->SetShowSummaryFooter(false);
  Col("AMOUNT")->SetSummaryFooterType(cstNone);
  amount->SetSummaryType(cstAvg);
  Grid->SummaryGroups().Items(1)->SummaryItems().Add();
  Grid->SummaryGroups().Add();
  Grid->LoadLayoutFromRegistry(LayoutKey);

  ASSERT_EQ(Grid->GroupColumnCount(), 2);
  EXPECT_EQ(Grid->GroupColumns(0), Col("STREET"));
  EXPECT_EQ(Grid->GroupColumns(1), Col("HOUSE"));
  EXPECT_TRUE(Grid->ShowGroupPanel());
  EXPECT_TRUE(Grid->ShowSummaryFooter());
  EXPECT_EQ(Col("AMOUNT")->SummaryFooterType(), cstMax);
  EXPECT_EQ(Col("AMOUNT")->SummaryFooterField(), "HOUSE");
  ASSERT_EQ(Grid->SummaryGroups().Count(), 2);
  ASSERT_EQ(Grid->SummaryGroups().Items(0), totals) << "the same group, not a new one";
  EXPECT_EQ(totals->Name(), "Totals");
  EXPECT_EQ(totals->BeginSummaryText(), "[");
  ASSERT_EQ(totals->SummaryItems().Items(0), amount);
  EXPECT_EQ(amount->SummaryType(), cstSum);
  EXPECT_EQ(amount->SummaryFormat(), "0.0");
  EXPECT_EQ(Grid->SummaryGroups().Items(1)->SummaryItems().Count(), 1);

  // The restored grouping totals with the kept handler and format.
  handled = 0;
  Grid->ActiveChanged(true);
  EXPECT_EQ(handled, 6) << "once per record with a number, for each of the two levels";
  EXPECT_EQ(Grid->GetCellText(Grid->Items(2), 0), Local("STREET : Mira [10.0"));
  EXPECT_EQ(Grid->FooterSummaryText(Col("AMOUNT")->Index()), Local("MAX=2.00"));
}

// No summary groups, and counts of groups or items beyond what the store
// holds (a damaged store; read as counts, they would make two billion).
TEST_F(GroupLayoutTest, ALayoutWithoutSummaryGroupsGivesOneDefaultGroupNamingTheKey) {
  const struct {
    const char* Section;
    const char* Name;
    const char* Value;
  } cases[] = {{"", "CountSummaryGroups", "0"},
               {"", "CountSummaryGroups", "2147483647"},
               {"\\SumGroups\\0", "CountSummaryItems", "2147483647"}};
  Make();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + " " + c.Value);
    Grid->SaveLayoutToRegistry(LayoutKey);
    TRegIniFile().WriteString(std::string(LayoutKey) + c.Section, c.Name, c.Value);
    Grid->LoadLayoutFromRegistry(LayoutKey);
    ASSERT_EQ(Grid->SummaryGroups().Count(), 1);
    EXPECT_TRUE(Grid->SummaryGroups().Items(0)->DefaultGroup());
    ASSERT_EQ(Grid->SummaryGroups().Items(0)->SummaryItems().Count(), 1);
    EXPECT_EQ(Grid->SummaryGroups().Items(0)->SummaryItems().Items(0)->ColumnName(), "HOME_ID");
  }
}

// Damaged counts in a stored layout: a count the layout cannot hold reads
// as a missing one, and costs no more than what is stored.
struct DamagedLayoutCase {
  const char* Name;
  const char* Section;  // below the layout's key; empty: the group count
  const char* Value;
  int Groups;                           // summary groups after the load
  std::vector<std::string> FirstItems;  // column names of the first group's items
};

class DamagedLayoutTest : public GroupLayoutTest, public ::testing::WithParamInterface<DamagedLayoutCase> {};

TEST_P(DamagedLayoutTest, AnImpossibleCountReadsAsAMissingOne) {
  const DamagedLayoutCase& c = GetParam();
  Make();
  TdxDBGridSummaryGroup* first = Grid->SummaryGroups().Add();
  first->SummaryItems().Add()->SetColumnName("colHOUSE");
  first->SummaryItems().Add()->SetColumnName("colAMOUNT");
  Grid->SummaryGroups().Add()->SummaryItems().Add()->SetColumnName("colSTREET");
  Grid->SaveLayoutToRegistry(LayoutKey);
  const std::string section(c.Section);
  TRegIniFile().WriteString(LayoutKey + section, section.empty() ? "CountSummaryGroups" : "CountSummaryItems", c.Value);
  Grid->LoadLayoutFromRegistry(LayoutKey);
  ASSERT_EQ(Grid->SummaryGroups().Count(), c.Groups);
  std::vector<std::string> items;
  for (int i = 0; i < first->SummaryItems().Count(); ++i) items.push_back(first->SummaryItems().Items(i)->ColumnName());
  EXPECT_EQ(items, c.FirstItems);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, DamagedLayoutTest,
    ::testing::Values(
        DamagedLayoutCase{"GroupsPastTheStoredOnes", "", "3", 1, {"colHOUSE", "colAMOUNT"}},
        DamagedLayoutCase{"ThousandsOfGroups", "", "4000", 1, {"colHOUSE", "colAMOUNT"}},
        DamagedLayoutCase{"LargestGroupCount", "", "2147483647", 1, {"colHOUSE", "colAMOUNT"}},
        DamagedLayoutCase{"ItemsPastTheStoredOnes", "\\SumGroups\\0", "3", 2, {"HOME_ID"}},
        DamagedLayoutCase{"HundredsOfThousandsOfItems", "\\SumGroups\\0", "200000", 2, {"HOME_ID"}},
        DamagedLayoutCase{"NegativeItemCount", "\\SumGroups\\1", "-1", 2, {"colHOUSE", "colAMOUNT"}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
