// The error actions around edit, post and delete, value-copying field
// assignment, the blob fields' modified flag, a field's own change notice,
// and an insert beside a record that has no bookmark.

#include <gtest/gtest.h>

#include <functional>

#include "tests/framework_core/dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

// Fails the next steps of edit, post or delete with a database error.
class TFlakyDataSet : public TMemoryDataSet {
 public:
  using TMemoryDataSet::TMemoryDataSet;
  int Failures = 0;
  int Attempts = 0;

 protected:
  void InternalEdit() override { Step([] {}); }
  void InternalPost() override { Step([this] { TMemoryDataSet::InternalPost(); }); }
  void InternalDelete() override { Step([this] { TMemoryDataSet::InternalDelete(); }); }

 private:
  void Step(const std::function<void()>& step) {
    ++Attempts;
    if (Failures > 0) {
      --Failures;
      throw EDatabaseError("lock conflict");
    }
    step();
  }
};

enum class TStep { Edit, Post, Delete };

struct ErrorActionCase {
  const char* Name;
  TStep Step;
  TDataAction Action;
  // What the step ends with: 0 done, 1 the error, 2 the silent abort.
  int Outcome;
  int Attempts;
};

class ErrorActions : public ::testing::TestWithParam<ErrorActionCase> {};

TEST_P(ErrorActions, DecideWhatAFailedStepDoes) {
  const ErrorActionCase& c = GetParam();
  TFlakyDataSet data(nullptr);
  FillPeople(data, 3);
  int offered = 0;
  std::string message;
  const TDataSetErrorEvent handler = [&](TDataSet* dataSet, EDatabaseError& e, TDataAction& action) {
    EXPECT_EQ(dataSet, &data);
    EXPECT_EQ(action, daFail);
    message = e.Message();
    ++offered;
    action = c.Action;
  };
  data.OnEditError = handler;
  data.OnPostError = handler;
  data.OnDeleteError = handler;
  if (c.Step == TStep::Post) {
    data.Edit();
    data.FieldByName("NAME")->SetAsString("Changed");
  }
  data.Attempts = 0;
  // A retry meets the error once more and the handler lets it go on.
  data.Failures = c.Action == daRetry ? 1 : 2;
  const std::function<void()> run = [&] {
    switch (c.Step) {
      case TStep::Edit:
        data.Edit();
        break;
      case TStep::Post:
        data.Post();
        break;
      case TStep::Delete:
        data.Delete();
        break;
    }
  };
  bool failed = false;
  bool aborted = false;
  try {
    run();
  } catch (const EAbort&) {
    aborted = true;
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "lock conflict");
    failed = true;
  }
  EXPECT_EQ(failed, c.Outcome == 1);
  EXPECT_EQ(aborted, c.Outcome == 2);
  EXPECT_EQ(data.Attempts, c.Attempts);
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(message, "lock conflict");
  switch (c.Step) {
    case TStep::Edit:
      EXPECT_EQ(data.State(), c.Outcome == 0 ? dsEdit : dsBrowse);
      break;
    case TStep::Post:
      EXPECT_EQ(data.State(), c.Outcome == 0 ? dsBrowse : dsEdit);
      if (c.Outcome == 0) {
        EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Changed");
      }
      break;
    case TStep::Delete:
      EXPECT_EQ(data.RecordCount(), c.Outcome == 0 ? 2 : 3);
      break;
  }
  data.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    EditPostDelete, ErrorActions,
    ::testing::Values(ErrorActionCase{"EditFails", TStep::Edit, daFail, 1, 1},
                      ErrorActionCase{"EditAborts", TStep::Edit, daAbort, 2, 1},
                      ErrorActionCase{"EditRetries", TStep::Edit, daRetry, 0, 2},
                      ErrorActionCase{"PostFails", TStep::Post, daFail, 1, 1},
                      ErrorActionCase{"PostAborts", TStep::Post, daAbort, 2, 1},
                      ErrorActionCase{"PostRetries", TStep::Post, daRetry, 0, 2},
                      ErrorActionCase{"DeleteFails", TStep::Delete, daFail, 1, 1},
                      ErrorActionCase{"DeleteAborts", TStep::Delete, daAbort, 2, 1},
                      ErrorActionCase{"DeleteRetries", TStep::Delete, daRetry, 0, 2}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ErrorActionsWithoutHandler, LetTheErrorGoOn) {
  TFlakyDataSet data(nullptr);
  FillPeople(data, 2);
  data.Failures = 1;
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { data.Delete(); }), "lock conflict");
  EXPECT_EQ(data.Attempts, 1);
  EXPECT_EQ(data.RecordCount(), 2);
}

// Marks the active record as having no bookmark, and writes down what
// each bookmark given to a new record held.
class TNoBookmarkDataSet : public TMemoryDataSet {
 public:
  using TMemoryDataSet::TMemoryDataSet;
  void ForgetActiveBookmark() { SetBookmarkFlag(ActiveBuffer(), bfEOF); }
  int BookmarksGiven = 0;

 protected:
  void SetBookmarkData(TRecordBuffer buffer, const std::byte* data) override {
    ++BookmarksGiven;
    TMemoryDataSet::SetBookmarkData(buffer, data);
  }
};

TEST(InsertBesideARecordWithoutBookmark, GoesAfterTheLastRecord) {
  TNoBookmarkDataSet data(nullptr);
  FillPeople(data, 3);
  data.Next();
  data.ForgetActiveBookmark();
  ASSERT_TRUE(data.Bookmark().empty());
  data.Insert();
  // There was no bookmark to give: the new record is told where it goes
  // by its flag alone.
  EXPECT_EQ(data.BookmarksGiven, 0);
  data.FieldByName("ID")->SetAsInteger(9);
  data.FieldByName("NAME")->SetAsString("Nine");
  data.Post();
  std::vector<int> ids;
  for (data.First(); !data.Eof(); data.Next()) ids.push_back(CurrentId(data));
  EXPECT_EQ(ids, std::vector<int>({1, 2, 3, 9}));
  data.CheckInvariants();
}

TEST(FieldAssign, CopiesTheValueOfAnotherField) {
  TMemoryDataSet source(nullptr);
  FillPeople(source, 2);
  TMemoryDataSet target(nullptr);
  FillPeople(target, 2);
  target.Edit();
  target.FieldByName("NAME")->Assign(source.FieldByName("NAME"));
  source.Next();
  target.FieldByName("ID")->Assign(source.FieldByName("ID"));
  EXPECT_EQ(target.FieldByName("NAME")->AsString(), "Name1");
  EXPECT_EQ(target.FieldByName("ID")->AsInteger(), 2);
  source.Edit();
  source.FieldByName("NAME")->Clear();
  target.FieldByName("NAME")->Assign(source.FieldByName("NAME"));
  EXPECT_TRUE(target.FieldByName("NAME")->IsNull());
  target.FieldByName("ID")->Assign(nullptr);
  EXPECT_TRUE(target.FieldByName("ID")->IsNull());
  source.Cancel();
  target.Cancel();
}

TEST(BlobFieldModified, IsForgottenAfterPostAndCancel) {
  TMemoryDataSet data(nullptr);
  data.FieldDefs().Add("ID", ftInteger, 0, true);
  data.FieldDefs().Add("NOTE", ftMemo);
  data.Open();
  data.AppendRecord({Variant(1), Variant("first")});
  auto* note = dynamic_cast<TBlobField*>(data.FieldByName("NOTE"));
  ASSERT_NE(note, nullptr);
  for (const bool post : {true, false}) {
    SCOPED_TRACE(post);
    data.Edit();
    note->SetAsString("changed");
    note->SetModified(true);
    if (post)
      data.Post();
    else
      data.Cancel();
    EXPECT_FALSE(note->Modified());
  }
  EXPECT_EQ(note->AsString(), "changed");
}

TEST(FieldDataChanged, SendsTheFieldChangeToTheControls) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 2);
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  RecordingLink link;
  link.SetDataSource(&source);
  int changes = 0;
  data.FieldByName("NAME")->OnChange = [&](TField*) { ++changes; };
  data.Edit();
  link.Take();
  data.FieldByName("NAME")->DataChanged();
  EXPECT_EQ(link.Take(), std::vector<std::string>({"record NAME"}));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(data.Modified());
  data.Cancel();
  link.SetDataSource(nullptr);
}

}  // namespace
