// Filtering in the data-aware grid over the in-memory dataset: the header
// drop-down's items and what choosing each does to the rows, the criteria
// bound to columns, the expression handed to the dataset, and the status
// panel.

#include "datagrid/filter/grid_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "datagrid/filter/filter_drop_down.h"
#include "datagrid/filter/filter_program.h"
#include "framework/core/text/format_settings.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/datagrid/grid_fixture.h"
#include "tests/support/city_lookup.h"
#include "tests/support/window_input.h"

namespace {

TPoint Center(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

class FilterTest : public GridTest {
 protected:
  // Rows 1..8, NAME by `names` (nullptr: Null), PHONE 200000 + id.
  void FillNames(const std::vector<const char*>& names) {
    Data->Open();
    int id = 0;
    for (const char* name : names) {
      ++id;
      Data->AppendRecord(
          {Variant(id), name == nullptr ? Variant::Null() : Variant(name), Variant(200000 + id)});
    }
    Data->First();
  }
  TdxDBGrid* MakeFilterGrid() {
    MakeGrid(DirectoryOptions());
    TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
    behavior.Include(edgoHeaderButtonClicking);
    Grid->SetOptionsBehavior(behavior);
    return Grid;
  }
  TdxDBTreeListColumn* Column(int index) const {
    return dynamic_cast<TdxDBTreeListColumn*>(Grid->Columns(index));
  }
  std::vector<std::string> DropDownItems() const {
    std::vector<std::string> items;
    const TdxDBGridFilterPopupListBox* list = Grid->FilterDropDown();
    for (int i = 0; list != nullptr && i < list->Count(); ++i) items.push_back(list->Items().Strings(i));
    return items;
  }
  // Opens the column's drop-down and accepts the item with this text.
  void Choose(int column, const std::string& text) {
    Grid->DropDownFilter(Column(column));
    ASSERT_TRUE(Grid->FilterDropDownOpen());
    const std::vector<std::string> items = DropDownItems();
    const auto it = std::find(items.begin(), items.end(), text);
    ASSERT_NE(it, items.end()) << text << " among " << ::testing::PrintToString(items);
    Grid->FilterDropDown()->SetItemIndex(static_cast<int>(it - items.begin()));
    TKey key = VK_RETURN;
    Grid->FilterDropDown()->KeyDown(key, {});
    EXPECT_FALSE(Grid->FilterDropDownOpen());
  }
  std::vector<int> AllIds() const {
    std::vector<int> ids;
    for (int i = 0; i < Grid->Count(); ++i) ids.push_back(NodeId(Grid->Items(i)));
    return ids;
  }
};

TEST_F(FilterTest, DropDownListsFixedItemsBlanksAndSortedDistinctValues) {
  FillNames({"Pine", nullptr, "Ash", "Pine", "", "Oak", "Ash", "Birch"});
  MakeFilterGrid();
  Grid->DropDownFilter(Column(1));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  EXPECT_EQ(DropDownItems(), (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)",
                                                       "Ash", "Birch", "Oak", "Pine"}));
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), 0);
  EXPECT_TRUE(Grid->FilterDropDown()->Visible());
  // Escape closes it and changes nothing.
  TKey key = VK_ESCAPE;
  Grid->KeyDown(key, {});
  EXPECT_FALSE(Grid->FilterDropDownOpen());
  EXPECT_FALSE(Grid->FilterDropDown()->Visible());
  EXPECT_TRUE(Grid->Filter().IsEmpty());

  // A column without blanks shows no blanks items; numbers sort as numbers.
  Grid->DropDownFilter(Column(2));
  const std::vector<std::string> phones = DropDownItems();
  ASSERT_EQ(phones.size(), 10u);
  EXPECT_EQ(phones[2], "200001");
  EXPECT_EQ(phones[9], "200008");
}

struct ChoiceCase {
  const char* Name;
  int Column;
  std::string Item;
  std::vector<int> Shown;
  std::string Expression;
  int CurrentItem;  // the item the drop-down selects when opened again
};
void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.Name; }

class FilterChoice : public FilterTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(FilterChoice, HidesTheRowsThatFailAndTellsTheDataSet) {
  const ChoiceCase& c = GetParam();
  FillNames({"Pine", nullptr, "Ash", "Pine", "", "Oak", "Ash", "Birch"});
  MakeFilterGrid();
  Grid->Filter().SetAutoDataSetFilter(true);
  std::string heard = "-";
  Grid->OnFilterChanged = [&](TObject*, TDataSet* dataSet, std::string& text) {
    EXPECT_EQ(dataSet, Data);
    heard = text;
  };
  Choose(c.Column, c.Item);
  EXPECT_EQ(AllIds(), c.Shown);
  EXPECT_EQ(heard, c.Expression);
  EXPECT_EQ(Grid->HiddenNodeCount(), 8 - static_cast<int>(c.Shown.size()));
  EXPECT_EQ(Data->Filter(), c.Expression);
  EXPECT_EQ(Data->Filtered(), !c.Expression.empty());
  Grid->CheckInvariants();
  Grid->DropDownFilter(Column(c.Column));
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), c.CurrentItem);
  Grid->FilterDropDown()->CloseUp(false);

  // "(All)" brings every row back, in its order.
  Choose(c.Column, "(All)");
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Grid->HiddenNodeCount(), 0);
  EXPECT_EQ(Data->Filter(), "");
  EXPECT_FALSE(Data->Filtered());
  Grid->CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    Items, FilterChoice,
    ::testing::Values(ChoiceCase{"Value", 1, "Pine", {1, 4}, "(NAME = 'Pine')", 7},
                      ChoiceCase{"OtherValue", 1, "Ash", {3, 7}, "(NAME = 'Ash')", 4},
                      ChoiceCase{"Number", 2, "200006", {6}, "(PHONE = 200006)", 7},
                      ChoiceCase{"Blanks", 1, "(Blanks)", {2, 5}, "(NAME Is Null)", 2},
                      ChoiceCase{
                          "NonBlanks", 1, "(NonBlanks)", {1, 3, 4, 6, 7, 8}, "(NOT (NAME Is Null))", 3},
                      ChoiceCase{"All", 1, "(All)", {1, 2, 3, 4, 5, 6, 7, 8}, "", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FilterTest, TwoColumnsFilterTogetherAndTheFocusStaysOnAShownRow) {
  FillNames({"Pine", "Oak", "Ash", "Pine", "Oak", "Pine", "Ash", "Pine"});
  MakeFilterGrid();
  Grid->SetFocusedNodeAndColumn(Grid->Items(4), 0, true);  // id 5, an Oak
  Choose(1, "Pine");
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 4, 6, 8}));
  // The focused row went: the first shown row is focused, the dataset follows.
  EXPECT_EQ(FocusedId(), 1);
  EXPECT_EQ(CurrentId(), 1);
  Grid->SetFocusedNodeAndColumn(Grid->Items(2), 0, true);  // id 6
  EXPECT_EQ(CurrentId(), 6);
  Grid->Filter().ApplyValue(Column(2), Variant(200006), "200006");
  EXPECT_EQ(AllIds(), (std::vector<int>{6}));
  EXPECT_EQ(FocusedId(), 6);
  EXPECT_EQ(Grid->Filter().FilterText(), "(NAME = 'Pine') AND (PHONE = 200006)");
  // Dropping the second column's condition keeps the first.
  Grid->Filter().RemoveColumnFilter(Column(2));
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 4, 6, 8}));
  EXPECT_EQ(FocusedId(), 6);
  // The status panel's button clears everything.
  Grid->Filter().ClearAll();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_FALSE(Grid->FilterActive());
  Grid->CheckInvariants();
}

// The dataset may stand on a record the filter hides (a program located
// it); the focused row is still the record the grid edits.
TEST_F(FilterTest, TheEditorEditsTheFocusedRowWhileTheDataSetStandsOnAHiddenRecord) {
  FillNames({"Pine", "Oak", "Ash", "Pine"});
  MakeFilterGrid();
  Choose(1, "Pine");
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(2), {}));
  ASSERT_EQ(FocusedId(), 1) << "the hidden record has no row to focus";
  Grid->SetFocusedColumnIndex(1);
  Grid->ShowEditor();
  Grid->SetEditingText("Fir");
  Grid->CloseEditor();
  Data->Post();
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(2), {}));
  EXPECT_EQ(Data->FieldByName("NAME")->AsString(), "Oak") << "the hidden record is untouched";
  ASSERT_TRUE(Data->Locate("HOME_ID", Variant(1), {}));
  EXPECT_EQ(Data->FieldByName("NAME")->AsString(), "Fir");
}

TEST_F(FilterTest, AReloadKeepsTheFilterAndTheDataSetsFilterStaysAloneWithoutAutoFilter) {
  FillNames({"Pine", "Oak", "Ash", "Pine"});
  MakeFilterGrid();
  Column(2)->SetSummaryFooterType(cstCount);
  Column(0)->SetSummaryFooterType(cstAvg);
  Grid->SetShowSummaryFooter(true);
  Data->SetFilter("HOME_ID > 0");
  Choose(1, "Oak");
  EXPECT_EQ(AllIds(), (std::vector<int>{2}));
  EXPECT_EQ(Data->Filter(), "HOME_ID > 0");
  // Counts and averages are over the rows shown, however they were loaded.
  const auto expectTotals = [&](int count, std::string average, const char* when) {
    std::replace(average.begin(), average.end(), '.', FormatSettings().DecimalSeparator);
    EXPECT_EQ(Grid->FooterSummaryText(2) + " " + Grid->FooterSummaryText(0), std::to_string(count) + " " + average)
        << when;
  };
  expectTotals(1, "AVG=2.00", "filtered");
  Data->AppendRecord({Variant(5), Variant("Oak"), Variant(200005)});
  Data->AppendRecord({Variant(6), Variant("Elm"), Variant(200006)});
  EXPECT_EQ(AllIds(), (std::vector<int>{2, 5}));
  EXPECT_EQ(Grid->HiddenNodeCount(), 4);
  expectTotals(2, "AVG=3.50", "refreshed");
  Grid->Reload();
  EXPECT_EQ(AllIds(), (std::vector<int>{2, 5}));
  expectTotals(2, "AVG=3.50", "reloaded");
  Grid->CheckInvariants();
}

struct StatusCase {
  const char* Name;
  TdxDBGridFilterStatus Status;
  bool WithCriteria;
  bool Shown;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.Name; }

class FilterStatusPanel : public FilterTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(FilterStatusPanel, ShowsAsItsStatusSays) {
  const StatusCase& c = GetParam();
  FillNames({"Pine", "Oak"});
  MakeFilterGrid();
  const int rowsBottom = Grid->GetRowsAreaRect().Bottom;
  Grid->Filter().SetFilterStatus(c.Status);
  if (c.WithCriteria) Grid->Filter().ApplyValue(Column(1), Variant("Oak"), "Oak");
  TdxTreeListLayoutInfo layout;
  Grid->CalcAreaRects(layout);
  EXPECT_EQ(!layout.BottomPanel.IsEmpty(), c.Shown);
  EXPECT_EQ(Grid->GetRowsAreaRect().Bottom < rowsBottom, c.Shown);
}

INSTANTIATE_TEST_SUITE_P(Statuses, FilterStatusPanel,
                         ::testing::Values(StatusCase{"AutoEmpty", fsAuto, false, false},
                                           StatusCase{"AutoFiltered", fsAuto, true, true},
                                           StatusCase{"AlwaysEmpty", fsAlways, false, true},
                                           StatusCase{"NoneFiltered", fsNone, true, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FilterTest, StatusPanelShowsTheCaptionAndItsButtonClearsTheFilter) {
  FillNames({"Pine", "Oak", "Ash"});
  MakeFilterGrid();
  ASSERT_TRUE(ShowActive(*Form));
  Grid->Filter().ApplyBlanks(Column(1), true);
  EXPECT_EQ(Grid->Filter().DisplayText(), "(NOT (NAME Is Null))");
  const TRect button = Grid->GetBottomPanelButtonRect();
  ASSERT_FALSE(button.IsEmpty());
  TdxTreeListHitInfo hit;
  Grid->HitTestPoint(Center(button), hit);
  EXPECT_EQ(hit.HitTest, htBottomPanel);
  MousePressAt(*Grid, Center(button));
  EXPECT_EQ(Grid->State(), tsBottomPanelButtonDown);
  MouseReleaseAt(*Grid, Center(button));
  EXPECT_TRUE(Grid->Filter().IsEmpty());
  EXPECT_TRUE(Grid->GetBottomPanelButtonRect().IsEmpty());
}

TEST_F(FilterTest, HeaderButtonOpensTheDropDownAndAClickOnAValueFilters) {
  FillNames({"Pine", "Oak", "Ash", "Oak"});
  MakeFilterGrid();
  ASSERT_TRUE(ShowActive(*Form));
  const TRect box = Grid->FilterButtonRect(Column(1));
  ASSERT_FALSE(box.IsEmpty());
  MousePressAt(*Grid, Center(box));
  MouseReleaseAt(*Grid, Center(box));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  TdxDBGridFilterPopupListBox& list = *Grid->FilterDropDown();
  // Items: (All), (Custom...), Ash, Oak, Pine.
  const TRect oak = list.ItemRect(3);
  MousePressAt(list, Center(oak));
  MouseReleaseAt(list, Center(oak));
  EXPECT_FALSE(Grid->FilterDropDownOpen());
  EXPECT_EQ(AllIds(), (std::vector<int>{2, 4}));
  EXPECT_EQ(Grid->GetColumnHeaderButtonState(1) & 8, 8);
  EXPECT_EQ(Grid->GetColumnHeaderButtonState(2) & 8, 0);
}

TEST_F(FilterTest, OpenDropDownTakesTheKeysAndLosingTheFocusClosesItUnapplied) {
  FillNames({"Pine", "Oak"});
  MakeFilterGrid();
  auto* other = new TEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(10, 520, 100, 24);
  ASSERT_TRUE(ShowActive(*Form));
  Grid->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return Grid->Focused(); }));
  Grid->DropDownFilter(Column(1));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  // Keys and characters typed into the grid reach the list.
  KeyInto(*Grid, Qt::Key_Down);
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), 1);
  QTest::keyClick(QtWindowOf(*Grid), Qt::Key_O);
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), 2);  // (All), (Custom...), Oak, Pine
  other->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return other->Focused(); }));
  EXPECT_FALSE(Grid->FilterDropDownOpen());
  EXPECT_FALSE(Grid->FilterDropDown()->Visible());
  EXPECT_TRUE(Grid->Filter().IsEmpty());
}

// While the drop-down is open the grid holds the mouse: what reaches the
// grid's window over the list goes to the list, a press elsewhere closes it.
struct DropDownMouseCase {
  const char* Name;
  enum TWhere { OverOak, OverRows } Where;
  Qt::MouseButton Button;
  bool Press;                 // press and release, or only move there and release
  bool Open;                  // still open afterwards
  std::vector<int> Ids;       // the rows left
};

void PrintTo(const DropDownMouseCase& c, std::ostream* os) { *os << c.Name; }

class DropDownMouse : public FilterTest, public ::testing::WithParamInterface<DropDownMouseCase> {};

TEST_P(DropDownMouse, InputThroughTheGridsWindowIsRoutedToTheList) {
  const DropDownMouseCase& c = GetParam();
  FillNames({"Pine", "Oak", "Ash", "Oak"});
  MakeFilterGrid();
  ASSERT_TRUE(ShowActive(*Form));
  const TRect box = Grid->FilterButtonRect(Column(1));
  MousePressAt(*Grid, Center(box));
  MouseReleaseAt(*Grid, Center(box));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  TdxDBGridFilterPopupListBox& list = *Grid->FilterDropDown();
  // Items: (All), (Custom...), Ash, Oak, Pine.
  const TRect rows = Grid->GetRowsAreaRect();
  const TPoint elsewhere = Point(rows.Right - 10, rows.Bottom - 5);
  ASSERT_FALSE(list.BoundsRect().Contains(Grid->ClientToScreen(elsewhere)));
  const TPoint at = c.Where == DropDownMouseCase::OverOak
                        ? Grid->ScreenToClient(list.ClientToScreen(Center(list.ItemRect(3))))
                        : elsewhere;
  MouseMoveTo(*Grid, at);
  if (c.Press) MousePressAt(*Grid, at, c.Button);
  MouseReleaseAt(*Grid, at, c.Button);
  EXPECT_EQ(Grid->FilterDropDownOpen(), c.Open);
  EXPECT_EQ(list.Visible(), c.Open);
  EXPECT_EQ(AllIds(), c.Ids);
  if (Grid->FilterDropDownOpen()) list.CloseUp(false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DropDownMouse,
    ::testing::Values(
        DropDownMouseCase{"ClickOnAValueChoosesIt", DropDownMouseCase::OverOak, Qt::LeftButton, true, false, {2, 4}},
        DropDownMouseCase{"LeftPressElsewhereCloses", DropDownMouseCase::OverRows, Qt::LeftButton, true, false,
                          {1, 2, 3, 4}},
        DropDownMouseCase{"RightPressElsewhereCloses", DropDownMouseCase::OverRows, Qt::RightButton, true, false,
                          {1, 2, 3, 4}},
        DropDownMouseCase{"MoveAndReleaseElsewhereAreDropped", DropDownMouseCase::OverRows, Qt::LeftButton, false,
                          true, {1, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FilterTest, TheFormGoingToTheBackgroundClosesTheDropDownUnapplied) {
  FillNames({"Pine", "Oak"});
  MakeFilterGrid();
  ASSERT_TRUE(ShowActive(*Form));
  Grid->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return Grid->Focused(); }));
  Grid->DropDownFilter(Column(1));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  Grid->FilterDropDown()->SetItemIndex(2);
  auto other = std::make_unique<TForm>(nullptr);
  other->SetBounds(700, 0, 200, 200);
  ASSERT_TRUE(ShowActive(*other));
  EXPECT_TRUE(WaitFor([&] { return !Grid->FilterDropDownOpen(); }));
  EXPECT_FALSE(Grid->FilterDropDown()->Visible());
  EXPECT_TRUE(Grid->Filter().IsEmpty());
}

TEST_F(FilterTest, ValuesComeFromTheEventOutsideLoadAllMode) {
  FillNames({"Pine", "Oak"});
  MakeGrid(RecordWindowOptions());
  int calls = 0;
  Grid->OnEnumFilterValues = [&](TObject*, TdxDBTreeListColumn* column, bool& more, std::string& text,
                                 Variant& value) {
    EXPECT_EQ(column, Column(1));
    EXPECT_TRUE(more);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(value.IsNull());
    static const char* names[] = {"Yew", "", "Elm", "Yew"};
    if (calls < 4) {
      text = names[calls];
      value = Variant(names[calls]);
    } else {
      more = false;
    }
    ++calls;
  };
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  behavior.Include(edgoHeaderButtonClicking);
  Grid->SetOptionsBehavior(behavior);
  Grid->DropDownFilter(Column(1));
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(DropDownItems(),
            (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "Elm", "Yew"}));
}

TEST_F(FilterTest, RemovedColumnLeavesTheFilterAndHiddenRowsKeepTheirCellsInPlace) {
  FillNames({"Pine", "Oak", "Ash", "Oak"});
  MakeFilterGrid();
  Grid->Filter().ApplyValue(Column(1), Variant("Oak"), "Oak");
  Grid->Filter().ApplyValue(Column(2), Variant(200004), "200004");
  EXPECT_EQ(AllIds(), (std::vector<int>{4}));
  Grid->DropDownFilter(Column(1));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  delete Column(1);
  EXPECT_FALSE(Grid->FilterDropDownOpen());
  // The phone condition alone: every row with that phone, read from the
  // right cells of shown and hidden rows alike.
  EXPECT_EQ(Grid->Filter().FilterText(), "(PHONE = 200004)");
  EXPECT_EQ(AllIds(), (std::vector<int>{4}));
  Grid->Filter().ApplyValue(Column(1), Variant(200002), "200002");
  EXPECT_EQ(AllIds(), (std::vector<int>{2}));
  Grid->Filter().ClearAll();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Grid->GetCellText(Grid->Items(2), 1), "200003");
  Grid->CheckInvariants();
}

TEST_F(FilterTest, AValueThatDoesNotCompareRaisesAndLosesNoRow) {
  // The hidden rows compare with a number; the shown ones raise.
  FillNames({"7", "Oak", "9", "Oak"});
  MakeFilterGrid();
  Grid->Filter().ApplyValue(Column(1), Variant("Oak"), "Oak");
  ASSERT_EQ(AllIds(), (std::vector<int>{2, 4}));
  // Equality raises when a text does not convert to the condition's number.
  TdxDBGridCriteria& criteria = Grid->Filter().Criteria();
  criteria.RemoveColumn(Column(1));
  criteria.AddColumnItem(nullptr, Column(1), false, "5", Variant(5), ocEqual);
  EXPECT_THROW(Grid->FilterChanged(), EVariantError);
  Grid->Filter().ClearAll();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Grid->HiddenNodeCount(), 0);
  Grid->CheckInvariants();
}

TEST_F(FilterTest, AGroupWhoseRecordsAreAllHiddenGoesAndComesBackWithThem) {
  FillNames({"Pine", "Oak", "Ash", "Oak", "Pine", "Ash"});
  MakeFilterGrid();
  Column(1)->SetGroupIndex(0);
  ASSERT_EQ(Grid->Count(), 3);  // Ash, Oak, Pine
  auto groups = [this] {
    std::vector<std::string> names;
    for (int i = 0; i < Grid->Count(); ++i)
      names.push_back(Grid->GetCellText(Grid->Items(i)->Items(0), 1) + ":" +
                      std::to_string(Grid->Items(i)->Count()));
    return names;
  };
  // Phones above 200004: rows 5 (Pine) and 6 (Ash); the Oak group goes.
  TdxDBGridCriteria& criteria = Grid->Filter().Criteria();
  criteria.AddColumnItem(nullptr, Column(2), false, "200004", Variant(200004), ocGreater);
  Grid->FilterChanged();
  EXPECT_EQ(groups(), (std::vector<std::string>{"Ash:1", "Pine:1"}));
  EXPECT_EQ(Grid->HiddenNodeCount(), 4);
  Grid->CheckInvariants();
  Grid->Filter().ClearAll();
  EXPECT_EQ(groups(), (std::vector<std::string>{"Ash:2", "Oak:2", "Pine:2"}));
  EXPECT_EQ(Grid->HiddenNodeCount(), 0);
  Grid->CheckInvariants();
  // A reload with the filter on builds only the groups of shown rows.
  Grid->Filter().ApplyValue(Column(1), Variant("Oak"), "Oak");
  Grid->Reload();
  EXPECT_EQ(groups(), (std::vector<std::string>{"Oak:2"}));
  Grid->CheckInvariants();
}

// --- Criteria bound to columns ----------------------------------------------------------------

TEST_F(FilterTest, ExpressionNamesTheFieldNeverItsOrigin) {
  FillNames({"Pine", "Oak"});
  MakeFilterGrid();
  Data->FieldByName("NAME")->SetOrigin("HOME.NAME");
  Grid->Filter().ApplyValue(Column(1), Variant("Oak"), "Oak");
  EXPECT_EQ(Grid->Filter().FilterText(), "(NAME = 'Oak')");
}

TEST_F(FilterTest, NegatedEqualityInTheRootIsACustomFilter) {
  FillNames({"Pine", "Oak"});
  MakeFilterGrid();
  TdxDBGridCriteria& criteria = Grid->Filter().Criteria();
  criteria.AddColumnItem(nullptr, Column(1), true, "Oak", Variant("Oak"), ocEqual);
  Grid->FilterChanged();
  EXPECT_TRUE(criteria.HasCustomFilter(Column(1)));
  Variant value;
  EXPECT_EQ(Grid->Filter().ColumnFilterState(Column(1), value), cfsCustom);
  EXPECT_EQ(AllIds(), (std::vector<int>{1}));
  Grid->DropDownFilter(Column(1));
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), 1);
}

TEST_F(FilterTest, CaseInsensitiveFilterIgnoresCaseOfValuesAndRows) {
  FillNames({"Pine", "PINE", "pine", "Oak"});
  MakeFilterGrid();
  Grid->Filter().SetCaseInsensitive(true);
  Grid->DropDownFilter(Column(1));
  EXPECT_EQ(DropDownItems(), (std::vector<std::string>{"(All)", "(Custom...)", "OAK", "PINE"}));
  Grid->FilterDropDown()->CloseUp(false);
  Choose(1, "PINE");
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3}));
}

TEST_F(FilterTest, LookupColumnFiltersByItsKey) {
  TCityLookup cities;
  auto* form = Form.get();
  cities.People.Open();
  cities.People.AppendRecord({Variant(1), Variant(2)});
  cities.People.AppendRecord({Variant(2), Variant(1)});
  cities.People.AppendRecord({Variant(3), Variant(2)});
  cities.People.First();
  auto* source = new TDataSource(form);
  source->SetDataSet(&cities.People);
  auto* grid = new TdxDBGrid(form);
  grid->SetParent(form);
  grid->SetOptionsDB(DirectoryOptions());
  for (const char* name : {"ID", "CITY_TITLE"})
    grid->CreateColumn<TdxDBGridMaskColumn>(form)->SetFieldName(name);
  grid->SetBounds(0, 0, 400, 300);
  grid->SetKeyField("ID");
  grid->SetDataSource(source);
  Grid = grid;
  TdxDBGridOptionsBehavior behavior = grid->OptionsBehavior();
  behavior.Include(edgoHeaderButtonClicking);
  grid->SetOptionsBehavior(behavior);
  ASSERT_EQ(grid->Count(), 3);
  auto* title = dynamic_cast<TdxDBTreeListColumn*>(grid->Columns(1));
  grid->DropDownFilter(title);
  // The texts shown are the titles; the values kept are the keys.
  EXPECT_EQ(DropDownItems(), (std::vector<std::string>{"(All)", "(Custom...)", "Tulvo", "Kelvorsk"}));
  grid->FilterDropDown()->CloseUp(false);
  Choose(1, "Kelvorsk");
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 3}));
  EXPECT_EQ(grid->Filter().FilterText(), "(CITY = 2)");
  EXPECT_EQ(grid->Filter().DisplayText(), "(CITY_TITLE = Kelvorsk)");
  grid->Filter().ClearAll();
  source->SetDataSet(nullptr);
}

// The compiled form answers as the criteria do, for every row, over
// conditions of every operator, negated or not, nested, case-insensitive.
struct ProgramCase {
  const char* Name;
  std::function<void(TdxDBGridCriteria&, TdxDBTreeListColumn* id, TdxDBTreeListColumn* name,
                     TdxDBTreeListColumn* phone)>
      Build;
  bool CaseInsensitive;
};
void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.Name; }

class FilterProgramMatches : public FilterTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(FilterProgramMatches, TheCriteria) {
  FillNames({"Pine", nullptr, "Ash", "pine", "", "Oak", "Ash", "Birch"});
  MakeFilterGrid();
  TdxDBGridCriteria& criteria = Grid->Filter().Criteria();
  GetParam().Build(criteria, Column(0), Column(1), Column(2));
  criteria.SetCaseInsensitive(GetParam().CaseInsensitive);
  criteria.Changed();
  const TdxDBGridFilterProgram program(criteria);
  int passed = 0;
  for (int i = 0; i < Grid->Count(); ++i) {
    const TdxTreeListNode* node = Grid->Items(i);
    EXPECT_EQ(program.Passes(node), criteria.Evaluate(node)) << "row " << NodeId(node);
    passed += criteria.Evaluate(node) ? 1 : 0;
  }
  // And the grid shows those rows.
  Grid->FilterChanged();
  EXPECT_EQ(Grid->Count(), passed);
}

using C = TdxDBGridCriteria;
using Col = TdxDBTreeListColumn*;
INSTANTIATE_TEST_SUITE_P(
    Conditions, FilterProgramMatches,
    ::testing::Values(
        ProgramCase{"TextEquals",
                    [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, false, "", "Ash", ocEqual); },
                    false},
        ProgramCase{"TextEqualsNoCase",
                    [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, false, "", "PINE", ocEqual); },
                    true},
        ProgramCase{
            "TextBlanks",
            [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, false, "", Variant::Null(), ocIsNull); },
            false},
        ProgramCase{
            "TextNotBlanks",
            [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, true, "", Variant::Null(), ocIsNull); },
            false},
        ProgramCase{"TextGreater",
                    [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, false, "", "Birch", ocGreater); },
                    false},
        // Texts that do not convert compare as less.
        ProgramCase{
            "TextGreaterNumber",
            [](C& c, Col, Col n, Col) { c.AddColumnItem(nullptr, n, false, "", Variant(5), ocGreater); },
            false},
        ProgramCase{
            "NumberLessEqual",
            [](C& c, Col i, Col, Col) { c.AddColumnItem(nullptr, i, false, "", Variant(4), ocLessEqual); },
            false},
        ProgramCase{
            "NumberAsText",
            [](C& c, Col, Col, Col p) { c.AddColumnItem(nullptr, p, false, "", Variant("200003"), ocEqual); },
            false},
        ProgramCase{"NegatedOrList",
                    [](C& c, Col i, Col n, Col) {
                      TdxCriteriaItemList* list = c.Root().AddList(jtOr);
                      c.AddColumnItem(list, i, false, "", Variant(2), ocLess);
                      c.AddColumnItem(list, n, true, "", "Ash", ocEqual);
                      list->SetNegated(true);
                      c.AddColumnItem(nullptr, i, false, "", Variant(8), ocLess);
                    },
                    false},
        ProgramCase{"OrRootNested",
                    [](C& c, Col i, Col n, Col p) {
                      c.Root().SetJunction(jtOr);
                      TdxCriteriaItemList* list = c.Root().AddList(jtAnd);
                      c.AddColumnItem(list, p, false, "", Variant(200002), ocGreaterEqual);
                      c.AddColumnItem(list, n, false, "", Variant::Null(), ocIsNull);
                      c.AddColumnItem(nullptr, i, false, "", Variant(1), ocEqual);
                    },
                    false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
