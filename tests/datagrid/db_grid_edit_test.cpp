// Selection by bookmarks, deleting with confirmation, the editing keys, and
// the grid's behaviour when the dataset fails under it.

#include <gtest/gtest.h>

#include <set>

#include "framework/core/system/screen_cursor.h"
#include "tests/datagrid/grid_fixture.h"

namespace {

class GridEditTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    Scope = std::make_unique<TMessageDialogScope>(Dialogs);
  }
  void TearDown() override {
    Scope.reset();
    GridTest::TearDown();
  }
  void MultiSelect(bool extended = false) {
    TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
    behavior.Include(edgoMultiSelect);
    if (extended) behavior.Include(edgoExtMultiSelect);
    Grid->SetOptionsBehavior(behavior);
    // Changing the options leaves the focused row selected.
    Grid->ClearSelection();
  }
  std::set<int> AllIds() {
    std::set<int> ids;
    TDisableControlsScope controls(*Data);
    const TBookmark saved = Data->GetBookmark();
    for (Data->First(); !Data->Eof(); Data->Next()) ids.insert(CurrentId());
    if (!saved.empty() && Data->BookmarkValid(saved)) Data->GotoBookmark(saved);
    return ids;
  }
  std::vector<int> SelectedIds() {
    std::vector<int> ids;
    for (int i = 0; i < Grid->SelectedCount(); ++i) ids.push_back(NodeId(Grid->SelectedNodes(i)));
    return ids;
  }
  void Press(TKey key, TShiftState shift = {}) { Grid->KeyDown(key, shift); }

  TAnsweringDialogService Dialogs;
  std::unique_ptr<TMessageDialogScope> Scope;
};

TEST_F(GridEditTest, RangeSelectionKeepsBookmarksInDataSetOrderAcrossAReload) {
  Fill(60);
  MakeGrid(DirectoryOptions());
  MultiSelect();
  Grid->SelectRange(Grid->Items(19), Grid->Items(15));
  EXPECT_EQ(SelectedIds(), std::vector<int>({16, 17, 18, 19, 20}));
  for (int i = 1; i < Grid->SelectedCount(); ++i)
    EXPECT_LT(Data->CompareBookmarks(Grid->SelectedBookmarks(i - 1).Bookmark, Grid->SelectedBookmarks(i).Bookmark),
              0);
  Grid->SetNodeSelected(Grid->Items(40), true);
  EXPECT_EQ(Grid->SelectedCount(), 6);
  Data->Refresh();
  EXPECT_EQ(SelectedIds(), std::vector<int>({16, 17, 18, 19, 20, 41}));
  EXPECT_TRUE(Grid->IsNodeSelected(Grid->Items(40)));
  EXPECT_FALSE(Grid->IsNodeSelected(Grid->Items(39)));
  Grid->ClearSelection();
  EXPECT_EQ(Grid->SelectedCount(), 0);
}

// A second grid showing a record window makes the dataset read records into
// many slots, so a reload meets the selected records under other bytes.
TEST_F(GridEditTest, SavedSelectionIsFoundAgainUnderOtherBookmarkBytes) {
  Fill(40);
  auto* window = new TdxDBGrid(Form.get());
  window->SetParent(Form.get());
  window->SetOptionsDB(RecordWindowOptions());
  window->CreateColumn<TdxDBGridColumn>(Form.get())->SetFieldName("HOME_ID");
  window->SetBounds(0, 0, 200, 300);
  window->SetDataSource(Source);
  MakeGrid(DirectoryOptions());
  MultiSelect();
  Data->MoveBy(20);
  Grid->SelectRange(Grid->Items(25), Grid->Items(28));
  Grid->SetNodeSelected(Grid->Items(3), true);
  ASSERT_EQ(Grid->SelectedCount(), 5);
  Data->Refresh();
  EXPECT_EQ(SelectedIds(), std::vector<int>({4, 26, 27, 28, 29}));
}

TEST_F(GridEditTest, SelectionWithoutBookmarksKeepsNodesByKeyAcrossAReload) {
  Fill(30);
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Exclude(edgoUseBookmarks);
  MakeGrid(options);
  MultiSelect();
  Grid->SelectRange(Grid->Items(2), Grid->Items(4));
  EXPECT_EQ(Grid->SelectedCount(), 3);
  EXPECT_TRUE(Grid->SelectedBookmarks(0).Bookmark.empty());
  Data->Refresh();
  std::vector<int> ids = SelectedIds();
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, std::vector<int>({3, 4, 5}));
}

TEST_F(GridEditTest, OnKeyDownHearsEachKeyOnceFromTheGridAndFromItsEditor) {
  Fill(5);
  MakeGrid(DirectoryOptions());
  std::vector<TKey> heard;
  Grid->OnKeyDown = [&](TObject* sender, TKey& key, TShiftState) {
    EXPECT_EQ(sender, Grid);
    heard.push_back(key);
  };
  TKey down = VK_DOWN;
  Grid->KeyDown(down, {});
  EXPECT_EQ(heard, std::vector<TKey>{VK_DOWN});
  EXPECT_EQ(CurrentId(), 2);
  TKey f5 = VK_F5;
  Grid->EditorKeyDown(f5, {});
  EXPECT_EQ(heard, (std::vector<TKey>{VK_DOWN, VK_F5})) << "a key of the in-place editor";
}

TEST_F(GridEditTest, ShiftPageDownSelectsAPageOfRecordsInTheRecordWindow) {
  Fill(50);
  MakeGrid(RecordWindowOptions());
  MultiSelect();
  Data->MoveBy(4);
  Press(VK_NEXT, {ssShift});
  EXPECT_EQ(Grid->SelectedCount(), 11);
  EXPECT_EQ(Grid->AnchorBookmark().empty(), false);
  Press(VK_END, {ssShift});
  EXPECT_EQ(Grid->SelectedCount(), 46);
  EXPECT_EQ(CurrentId(), 50);
}

// The dataset reads a record into whichever buffer slot is free, and its
// bookmark carries the slot: the same record, scrolled elsewhere in the
// window, gives other bytes. The selection must still know it.
TEST_F(GridEditTest, SelectionFollowsRecordsAcrossBufferSlots) {
  Fill(50);
  MakeGrid(RecordWindowOptions());
  MultiSelect();
  Data->MoveBy(2);
  Press(VK_NEXT, {ssShift});  // records 3 .. 13
  ASSERT_EQ(Grid->SelectedCount(), 11);
  // Records 11 and 12 were read into the last slot while the walk went on;
  // now they show higher up.
  Data->First();
  Data->MoveBy(12);
  std::vector<int> selectedOnScreen;
  for (int i = 0; i < Grid->Count(); ++i)
    if (Grid->IsNodeSelected(Grid->Items(i))) selectedOnScreen.push_back(NodeId(Grid->Items(i)));
  EXPECT_EQ(selectedOnScreen, std::vector<int>({4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
  int index = 0;
  const TBookmark again = Grid->SelectedBookmarks(0).Bookmark;
  EXPECT_TRUE(Grid->FindBookmark(again, index));
  EXPECT_TRUE(Grid->FindBookmark(again, index));
  EXPECT_TRUE(Grid->LastSearchCached());
  Grid->ClearSelection();
  EXPECT_FALSE(Grid->FindBookmark(again, index));
  EXPECT_FALSE(Grid->LastSearchCached());
}

struct DeleteAnswer {
  const char* Name;
  TModalResult Answer;
  bool Deleted;
};

class DeleteConfirmation : public GridEditTest, public ::testing::WithParamInterface<DeleteAnswer> {};

TEST_P(DeleteConfirmation, CtrlDeleteAsksAndObeys) {
  Fill(20);
  MakeGrid(DirectoryOptions());
  Grid->SetFocusedNodeAndColumn(Grid->Items(6), 0, true);
  Dialogs.Answer(GetParam().Answer);
  Press(VK_DELETE, {ssCtrl});
  ASSERT_EQ(Dialogs.Requests().size(), 1u);
  EXPECT_EQ(Dialogs.Requests()[0].Caption, "Confirm");
  EXPECT_EQ(Dialogs.Requests()[0].Text, "Delete record?");
  EXPECT_EQ(Dialogs.Requests()[0].Type, mtConfirmation);
  EXPECT_EQ(AllIds().contains(7), !GetParam().Deleted);
  EXPECT_EQ(Grid->Count(), GetParam().Deleted ? 19 : 20);
  EXPECT_FALSE(Data->ControlsDisabled());
  Grid->CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteConfirmation,
                         ::testing::Values(DeleteAnswer{"Ok", mrOk, true}, DeleteAnswer{"Cancel", mrCancel, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GridEditTest, CtrlDeleteWithSelectedRowsDeletesThemAll) {
  Fill(20);
  MakeGrid(DirectoryOptions());
  MultiSelect();
  Grid->SelectRange(Grid->Items(2), Grid->Items(5));
  Dialogs.Answer(mrOk);
  Press(VK_DELETE, {ssCtrl});
  ASSERT_EQ(Dialogs.Requests().size(), 1u);
  EXPECT_EQ(Dialogs.Requests()[0].Text, "Delete all selected records?");
  const std::set<int> ids = AllIds();
  EXPECT_EQ(ids.size(), 16u);
  for (int id : {3, 4, 5, 6}) EXPECT_FALSE(ids.contains(id));
  EXPECT_EQ(Grid->SelectedCount(), 0);
  EXPECT_EQ(Grid->Count(), 16);
}

TEST_F(GridEditTest, RecordsThatCouldNotBeDeletedAreReportedOnce) {
  Fill(10);
  MakeGrid(DirectoryOptions());
  MultiSelect(true);
  Data->BeforeDelete = [&](TDataSet*) {
    const int id = CurrentId();
    if (id == 3 || id == 5) throw EDatabaseError("record " + std::to_string(id) + " is locked");
  };
  Grid->SelectRange(Grid->Items(2), Grid->Items(5));
  try {
    Grid->DeleteSelection();
    FAIL() << "the failed deletions were not reported";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "2 of the selected records could not be deleted: record 5 is locked");
  }
  const std::set<int> ids = AllIds();
  EXPECT_TRUE(ids.contains(3));
  EXPECT_TRUE(ids.contains(5));
  EXPECT_FALSE(ids.contains(4));
  EXPECT_FALSE(ids.contains(6));
  EXPECT_FALSE(Data->ControlsDisabled());
  EXPECT_EQ(Grid->Count(), 8);
}

TEST_F(GridEditTest, ASingleRecordThatCouldNotBeDeletedReportsItsOwnError) {
  Fill(10);
  MakeGrid(DirectoryOptions());
  MultiSelect(true);
  Data->BeforeDelete = [&](TDataSet*) {
    if (CurrentId() == 4) throw EDatabaseError("record 4 is locked");
  };
  Grid->SelectRange(Grid->Items(2), Grid->Items(4));
  EXPECT_THROW(Grid->DeleteSelection(), EDatabaseError);
  EXPECT_EQ(AllIds().size(), 8u);
}

TEST_F(GridEditTest, WithoutExtendedSelectionTheFirstFailureStopsDeleting) {
  Fill(10);
  MakeGrid(DirectoryOptions());
  MultiSelect(false);
  Data->BeforeDelete = [&](TDataSet*) {
    if (CurrentId() == 5) throw EDatabaseError("record 5 is locked");
  };
  Grid->SelectRange(Grid->Items(2), Grid->Items(5));
  EXPECT_THROW(Grid->DeleteSelection(), EDatabaseError);
  const std::set<int> ids = AllIds();
  EXPECT_FALSE(ids.contains(6));
  EXPECT_TRUE(ids.contains(5));
  EXPECT_TRUE(ids.contains(3));
  EXPECT_FALSE(Data->ControlsDisabled());
}

TEST_F(GridEditTest, DownOnTheLastRowAppendsOnceAndEscapeCancels) {
  Fill(5);
  TdxDBGridOptionsDB options = DirectoryOptions();
  options.Include(edgoCanAppend);
  MakeGrid(options);
  Grid->SetFocusedNodeAndColumn(Grid->Items(4), 0, true);
  Press(VK_DOWN);
  EXPECT_EQ(Data->State(), dsInsert);
  ASSERT_NE(Grid->InsertedNode(), nullptr);
  EXPECT_EQ(Grid->FocusedNode(), Grid->InsertedNode());
  EXPECT_EQ(Grid->Count(), 6);
  Press(VK_DOWN);
  EXPECT_EQ(Data->State(), dsInsert);
  EXPECT_EQ(Grid->Count(), 6);
  Press(VK_ESCAPE);
  EXPECT_EQ(Data->State(), dsBrowse);
  EXPECT_EQ(Grid->Count(), 5);
  EXPECT_EQ(AllIds().size(), 5u);
}

TEST_F(GridEditTest, InsertKeyInsertsBeforeTheFocusedRecord) {
  Fill(5);
  MakeGrid(DirectoryOptions());
  Grid->SetFocusedNodeAndColumn(Grid->Items(2), 0, true);
  Press(VK_INSERT);
  ASSERT_EQ(Data->State(), dsInsert);
  EXPECT_EQ(Grid->InsertedNode(), Grid->Items(2));
  Data->FieldByName("HOME_ID")->SetAsInteger(99);
  Data->FieldByName("NAME")->SetAsString("New tenant");
  Data->Post();
  EXPECT_EQ(Grid->Count(), 6);
  EXPECT_EQ(FocusedId(), 99);
  EXPECT_EQ(Grid->GetCellText(Grid->FocusedNode(), 1), "New tenant");
}

// A field that fails while the grid reads the records.
TEST_F(GridEditTest, ALoadThatFailsLeavesTheGridAndTheDataSetUsable) {
  Fill(50);
  TdxDBGridOptionsBehavior behavior = DefaultOptionsBehavior();
  behavior.Include(edgoShowHourGlass);
  TField* name = Data->FieldByName("NAME");
  name->OnGetText = [&](TField*, std::string& text, bool) {
    if (CurrentId() == 25) throw EDatabaseError("cannot read record 25");
    text = Data->FieldByName("NAME")->AsString();
  };
  auto* grid = new TdxDBGrid(Form.get());
  grid->SetParent(Form.get());
  grid->SetOptionsBehavior(behavior);
  grid->SetOptionsDB(DirectoryOptions());
  grid->CreateColumn<TdxDBGridMaskColumn>(Form.get())->SetFieldName("NAME");
  grid->SetKeyField("HOME_ID");
  const TCursor before = ScreenCursor();
  EXPECT_THROW(grid->SetDataSource(Source), EDatabaseError);
  EXPECT_FALSE(grid->IsBusy());
  EXPECT_FALSE(IsDataSetBusyInGrid(Data));
  EXPECT_FALSE(Data->ControlsDisabled());
  EXPECT_FALSE(grid->IsUpdateLocked());
  EXPECT_EQ(ScreenCursor(), before);
  grid->CheckInvariants();
  // Once the field reads again, so does the grid.
  name->OnGetText = {};
  grid->Reload();
  EXPECT_EQ(grid->Count(), 50);
}

// A dataset whose bookmarks never compare equal, as a dataset whose
// bookmark bytes differ for one record would look to a text comparison.
class UncomparableDataSet : public TMemoryDataSet {
 public:
  using TMemoryDataSet::TMemoryDataSet;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override {
    const int result = TMemoryDataSet::CompareBookmarks(a, b);
    return result == 0 && Uncomparable ? 1 : result;
  }
  bool Uncomparable = false;
};

struct SearchCase {
  const char* Name;
  const char* Text;
  bool Forward;
  bool Found;
  int Expected;  // the record the dataset stands on afterwards
};

class SearchThroughDataSet : public GridEditTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchThroughDataSet, GoesRoundOnceAtMost) {
  const SearchCase& search = GetParam();
  auto* data = new UncomparableDataSet(Form.get());
  data->FieldDefs().Add("HOME_ID", ftInteger, 0, true);
  data->FieldDefs().Add("NAME", ftString, 40, false);
  data->FieldDefs().Add("PHONE", ftInteger, 0, false);
  data->Open();
  for (int id = 1; id <= 30; ++id)
    data->AppendRecord({Variant(id), Variant("Resident " + std::to_string(id)), Variant(id)});
  data->First();
  Source->SetDataSet(data);
  Data = data;
  MakeGrid(RecordWindowOptions());
  data->MoveBy(9);
  data->Uncomparable = true;
  int scrolls = 0;
  data->AfterScroll = [&](TDataSet*) { ++scrolls; };
  EXPECT_EQ(Grid->LocateByText(1, search.Text, search.Forward, true), search.Found);
  EXPECT_EQ(CurrentId(), search.Expected);
  EXPECT_LE(scrolls, 30 + 3);
  EXPECT_FALSE(data->ControlsDisabled());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SearchThroughDataSet,
    ::testing::Values(SearchCase{"ForwardFound", "resident 2", true, true, 20},
                      SearchCase{"ForwardWraps", "RESIDENT 5", true, true, 5},
                      SearchCase{"BackwardFound", "resident 7", false, true, 7},
                      SearchCase{"BackwardWraps", "resident 12", false, true, 12},
                      SearchCase{"ForwardMissing", "nobody", true, false, 10},
                      SearchCase{"BackwardMissing", "nobody", false, false, 10}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ThumbCase {
  const char* Name;
  int Start;  // LeftCoord before
  int Pos;    // the thumb's place
  int Direction;  // -1, 0, 1: where LeftCoord must go
};

class ThumbDrag : public GridEditTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ThumbDrag, StepsTowardsTheThumb) {
  const ThumbCase& drag = GetParam();
  Fill(5);
  MakeGrid(DirectoryOptions());
  Grid->SetBounds(0, 0, 400, Grid->Height());
  for (int i = 0; i < 3; ++i) {
    Grid->Columns(i)->SetWidth(150);
    auto* more = Grid->CreateColumn<TdxDBGridMaskColumn>(Form.get());
    more->SetFieldName("NAME");
    more->SetWidth(150);
  }
  // 6 columns of 150 in a 400 wide grid.
  const int scrolling = Grid->GetScrollingBandsWidth() - Grid->GetScrollAreaWidth();
  ASSERT_GT(scrolling, 300);
  while (Grid->LeftCoord() < drag.Start) Grid->WMHScroll(SB_LINERIGHT, 0);
  ASSERT_EQ(Grid->LeftCoord(), drag.Start);
  Grid->WMHScroll(SB_THUMBTRACK, drag.Pos);
  const int moved = Grid->LeftCoord() - drag.Start;
  EXPECT_EQ(moved > 0 ? 1 : moved < 0 ? -1 : 0, drag.Direction) << "now at " << Grid->LeftCoord();
}

INSTANTIATE_TEST_SUITE_P(Drags, ThumbDrag,
                         ::testing::Values(ThumbCase{"RightInTheLeftHalf", 0, 40, 1},
                                           ThumbCase{"RightInTheRightHalf", 150, 400, 1},
                                           ThumbCase{"LeftInTheRightHalf", 450, 300, -1},
                                           ThumbCase{"LeftInTheLeftHalf", 300, 160, -1},
                                           ThumbCase{"OnTheSpot", 150, 150, 0},
                                           ThumbCase{"ToTheStart", 300, 0, -1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GridEditTest, ColumnsRefusedWhileTheyFollowTheFields) {
  Fill(3);
  MakeGrid(RecordWindowOptions());
  Grid->SetDefaultFields(true);
  EXPECT_EQ(Grid->ColumnCount(), 3);
  try {
    Grid->CreateColumnForClass(TdxTreeListColumnClass::Of<TdxDBGridColumn>());
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "DefaultFields property should be set to False");
  }
  EXPECT_THROW(Grid->DestroyColumns(), Exception);
}

TEST_F(GridEditTest, FieldMapGrowsByDoublingAndMapsMissingFieldsToNothing) {
  Fill(3);
  MakeGrid(DirectoryOptions());
  for (int i = 0; i < 5; ++i) Grid->CreateColumn<TdxDBGridColumn>(Form.get())->SetFieldName("PHONE");
  Grid->Reload();
  TdxDBTreeListControlDataLink& link = *Grid->GetDataLink();
  EXPECT_EQ(link.FieldMapCount(), 8);
  EXPECT_EQ(link.FieldMapCapacity(), 8);
  Grid->CreateColumn<TdxDBGridColumn>(Form.get())->SetFieldName("NO_SUCH");
  Grid->Reload();
  EXPECT_EQ(link.FieldMapCount(), 9);
  EXPECT_EQ(link.FieldMapCapacity(), 16);
  EXPECT_EQ(link.FieldMapEntry(8), -1);
  EXPECT_EQ(link.Fields(8), nullptr);
  EXPECT_EQ(link.Fields(1), Data->FieldByName("NAME"));
  EXPECT_EQ(Grid->DBColumn(8)->Field(), nullptr);
  EXPECT_EQ(Grid->GetCellText(Grid->Items(0), 8), "");
}

}  // namespace
