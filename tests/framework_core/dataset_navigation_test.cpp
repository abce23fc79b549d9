// The record window as data links see it: active record, scroll distances,
// bookmarks, record numbers and disabled controls.

#include <gtest/gtest.h>

#include "tests/framework_core/dataset_fixture.h"

namespace {

using Events = std::vector<std::string>;

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    DefinePeople(Data);
    Source.SetDataSet(&Data);
    Link.SetBufferCount(10);
    Link.SetDataSource(&Source);
    FillPeople(Data, 100);
    Link.Take();
  }

  // Moves, then checks what the link saw and where it stands.
  void Expect(const Events& events, int activeRow, int id, const std::vector<int>& window) {
    EXPECT_EQ(Link.Take(), events);
    EXPECT_EQ(Link.ActiveRecord(), activeRow);
    EXPECT_EQ(CurrentId(Data), id);
    EXPECT_EQ(WindowIds(Link), window);
    Data.CheckInvariants();
  }

  TMemoryDataSet Data{nullptr};
  TDataSource Source{nullptr};
  RecordingLink Link;
};

TEST_F(Window, LinkFollowsNextPriorMoveByLastAndFirstWithTheRightDistances) {
  Expect({}, 0, 1, Range(1, 10));
  for (int i = 0; i < 9; ++i) Data.Next();
  Expect(Events(9, "scrolled 0"), 9, 10, Range(1, 10));

  Data.Next();
  Expect({"scrolled 1"}, 9, 11, Range(2, 11));

  EXPECT_EQ(Data.MoveBy(5), 5);
  Expect({"scrolled 5"}, 9, 16, Range(7, 16));

  Data.Prior();
  Expect({"scrolled 0"}, 8, 15, Range(7, 16));

  EXPECT_EQ(Data.MoveBy(-8), -8);
  Expect({"scrolled 0"}, 0, 7, Range(7, 16));

  EXPECT_EQ(Data.MoveBy(-3), -3);
  Expect({"scrolled -3"}, 0, 4, Range(4, 13));

  EXPECT_EQ(Data.MoveBy(-10), -3);
  EXPECT_TRUE(Data.Bof());
  Expect({"scrolled -3"}, 0, 1, Range(1, 10));

  Data.Prior();
  Expect({}, 0, 1, Range(1, 10));

  Data.Last();
  EXPECT_TRUE(Data.Eof());
  Expect({"changed"}, 9, 100, Range(91, 100));

  EXPECT_EQ(Data.MoveBy(3), 0);
  Expect({}, 9, 100, Range(91, 100));

  EXPECT_EQ(Data.MoveBy(-15), -15);
  Expect({"scrolled -6"}, 0, 85, Range(85, 94));

  Data.First();
  EXPECT_TRUE(Data.Bof());
  Expect({"changed"}, 0, 1, Range(1, 10));
}

TEST_F(Window, LinksWithSmallerWindowsScrollByTheirOwnDistance) {
  RecordingLink small;
  small.SetBufferCount(3);
  small.SetDataSource(&Source);
  small.Take();
  EXPECT_EQ(Data.MoveBy(2), 2);
  EXPECT_EQ(small.Take(), Events({"scrolled 0"}));
  EXPECT_EQ(small.ActiveRecord(), 2);
  Data.Next();
  EXPECT_EQ(small.Take(), Events({"scrolled 1"}));
  EXPECT_EQ(small.ActiveRecord(), 2);
  EXPECT_EQ(WindowIds(small), Range(2, 4));
  // The big link did not move, the small one follows the active record.
  EXPECT_EQ(Link.ActiveRecord(), 3);
  Data.MoveBy(-3);
  EXPECT_EQ(small.Take(), Events({"scrolled -1"}));
  EXPECT_EQ(small.ActiveRecord(), 0);
  EXPECT_EQ(WindowIds(small), Range(1, 3));
  Data.CheckInvariants();
}

TEST_F(Window, BufferCountFollowsTheLargestLinkAndShrinksAroundTheActiveRecord) {
  Data.MoveBy(25);
  EXPECT_EQ(CurrentId(Data), 26);
  EXPECT_EQ(Link.ActiveRecord(), 9);
  Link.SetBufferCount(4);
  Data.CheckInvariants();
  EXPECT_EQ(CurrentId(Data), 26);
  EXPECT_EQ(Link.ActiveRecord(), 3);
  EXPECT_EQ(WindowIds(Link), Range(23, 26));
  Link.SetBufferCount(12);
  Data.CheckInvariants();
  EXPECT_EQ(CurrentId(Data), 26);
  EXPECT_EQ(Link.RecordCount(), 12);
  EXPECT_EQ(WindowIds(Link)[static_cast<std::size_t>(Link.ActiveRecord())], 26);
}

TEST_F(Window, GoingToABookmarkShowsTheRecordInTheSlotItHad) {
  Data.MoveBy(24);
  Data.MoveBy(-5);
  ASSERT_EQ(CurrentId(Data), 20);
  ASSERT_EQ(Link.ActiveRecord(), 4);
  const TBookmark mark = Data.Bookmark();
  ASSERT_FALSE(mark.empty());
  Data.Last();
  Link.Take();
  Data.GotoBookmark(mark);
  Expect({"changed"}, 4, 20, Range(16, 25));
  // Near the start the record cannot have as many before it; it comes as
  // close as it can.
  Data.First();
  Data.Next();
  const TBookmark second = Data.Bookmark();
  Data.MoveBy(50);
  Link.SetBufferCount(1);
  Link.SetBufferCount(10);
  Data.GotoBookmark(second);
  EXPECT_EQ(CurrentId(Data), 2);
  EXPECT_EQ(Link.ActiveRecord(), 1);
  Data.CheckInvariants();
}

TEST_F(Window, BookmarksCompareByRecordAndStayValidWhileTheRecordExists) {
  const TBookmark first = Data.Bookmark();
  Data.MoveBy(30);
  const TBookmark later = Data.Bookmark();
  EXPECT_LT(Data.CompareBookmarks(first, later), 0);
  EXPECT_GT(Data.CompareBookmarks(later, first), 0);
  EXPECT_EQ(Data.CompareBookmarks(later, later), 0);
  EXPECT_GT(Data.CompareBookmarks(TBookmark(), first), 0);
  EXPECT_LT(Data.CompareBookmarks(first, TBookmark()), 0);
  EXPECT_EQ(Data.CompareBookmarks(TBookmark(), TBookmark()), 0);
  EXPECT_TRUE(Data.BookmarkValid(later));
  Data.Delete();
  EXPECT_FALSE(Data.BookmarkValid(later));
  EXPECT_THROW(Data.GotoBookmark(later), EDatabaseError);
  EXPECT_FALSE(Data.BookmarkValid("abc"));
}

TEST_F(Window, RecordNumbersAndCountsFollowTheCursor) {
  EXPECT_TRUE(Data.IsSequenced());
  EXPECT_EQ(Data.RecordCount(), 100);
  EXPECT_EQ(Data.RecNo(), 1);
  Data.MoveBy(41);
  EXPECT_EQ(Data.RecNo(), 42);
  Data.SetRecNo(77);
  EXPECT_EQ(CurrentId(Data), 77);
  EXPECT_EQ(Data.RecNo(), 77);
  Data.SetRecNo(1000);
  EXPECT_EQ(CurrentId(Data), 100);
  Data.SetRecNo(-5);
  EXPECT_EQ(CurrentId(Data), 1);
  Data.CheckInvariants();
}

TEST_F(Window, EnablingControlsSendsOneDataSetChangeForEverythingMeanwhile) {
  Data.DisableControls();
  Data.DisableControls();
  EXPECT_TRUE(Data.ControlsDisabled());
  for (int i = 0; i < 15; ++i) Data.Next();
  Data.Edit();
  Data.FieldByName("NAME")->SetAsString("changed");
  Data.Post();
  Data.MoveBy(-2);
  Data.EnableControls();
  EXPECT_EQ(Link.Take(), Events());
  Data.EnableControls();
  EXPECT_FALSE(Data.ControlsDisabled());
  Expect({"changed"}, 7, 14, Range(7, 16));
}

TEST_F(Window, EnablingControlsReportsAChangedStateFirst) {
  Data.DisableControls();
  Data.Edit();
  Data.EnableControls();
  EXPECT_EQ(Link.Take(), Events({"editing", "changed"}));
  EXPECT_TRUE(Link.Editing());
  Data.Cancel();
}

TEST_F(Window, ClosingAndReopeningWhileDisabledEndsWithALayoutChange) {
  {
    TDisableControlsScope disabled(Data);
    Data.Close();
    Data.Open();
  }
  EXPECT_EQ(Link.Take(), Events({"layout"}));
  EXPECT_TRUE(Link.Active());
}

// Opened while disabled, a control that walks the records as it becomes
// active (disabling the controls itself, as a loading grid does) hears the
// activation and its own walk's end, and nothing after: it would reload.
TEST(EnablingControls, AControlThatWalksTheRecordsWhenOpenedIsToldOnce) {
  struct TWalkingLink : RecordingLink {
    void ActiveChanged() override {
      RecordingLink::ActiveChanged();
      if (!Active()) return;
      TDisableControlsScope walking(*DataSet());
      for (DataSet()->First(); !DataSet()->Eof(); DataSet()->Next()) {
      }
    }
  };
  TMemoryDataSet data(nullptr);
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  TWalkingLink link;
  link.SetDataSource(&source);
  {
    TDisableControlsScope disabled(data);
    FillPeople(data, 20);
  }
  EXPECT_EQ(link.Take(), Events({"active", "changed"}));
}

TEST_F(Window, EmptyDatasetHasNoWindowAndReadsNothing) {
  TMemoryDataSet empty(nullptr);
  DefinePeople(empty);
  TDataSource source(nullptr);
  source.SetDataSet(&empty);
  RecordingLink link;
  link.SetBufferCount(5);
  link.SetDataSource(&source);
  empty.Open();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_EQ(link.RecordCount(), 0);
  EXPECT_EQ(empty.MoveBy(3), 0);
  empty.Last();
  empty.First();
  EXPECT_TRUE(empty.Bookmark().empty());
  EXPECT_EQ(empty.RecNo(), 0);
  EXPECT_EQ(empty.InvalidReadCount(), 0);
  EXPECT_TRUE(empty.FieldByName("NAME")->IsNull());
  EXPECT_EQ(empty.InvalidReadCount(), 1);
  empty.CheckInvariants();
}

TEST_F(Window, ScrollEventsComeOncePerMove) {
  int before = 0, after = 0;
  Data.BeforeScroll = [&](TDataSet*) { ++before; };
  Data.AfterScroll = [&](TDataSet*) { ++after; };
  Data.Next();
  Data.MoveBy(20);
  Data.Last();
  Data.First();
  EXPECT_EQ(before, 4);
  EXPECT_EQ(after, 4);
}

}  // namespace
