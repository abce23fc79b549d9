// Cached updates on the embedded engine: sequences of edits, inserts and
// deletes kept in the cache, with their counts and statuses, then cancelled
// or applied; reverting records; which statuses navigation shows; and the
// handlers that decide how each record is applied.

#include <gtest/gtest.h>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

using People = std::vector<std::string>;

const People OriginalPeople{"1|Person 1|101", "2|Person 2|102", "3|Person 3|103", "4|Person 4|104",
                            "5|Person 5|105"};

class CachedUpdatesTest : public EditDataSetTest {
 protected:
  // A dataset over PEOPLE with cached updates, opened with every record
  // read; the changes reach the server only when applied and committed.
  TFIBDataSet& OpenCached(const char* name) {
    TFIBDataSet& data = NewPeople(name);
    data.SetAutoCommit(false);
    data.SetCachedUpdates(true);
    data.Open();
    data.FetchAll();
    return data;
  }

  // Applies, commits the writing transaction and marks the records.
  void ApplyAndCommit(TFIBDataSet& data) {
    data.ApplyUpdates();
    WriteTR().CommitRetaining();
    data.CommitUpdates();
  }

  // One letter per step: E edit (NAME gets "+"), I insert before the
  // current record, A append, D delete, N next, P prior, F first, L last.
  static void Run(TFIBDataSet& data, const std::string& steps) {
    int added = 0;
    for (const char step : steps) {
      switch (step) {
        case 'E':
          data.Edit();
          data.FieldByName("NAME")->SetAsString(data.FieldByName("NAME")->AsString() + "+");
          data.Post();
          break;
        case 'I':
        case 'A':
          ++added;
          if (step == 'I')
            data.Insert();
          else
            data.Append();
          data.FieldByName("ID")->SetAsInteger(20 + added);
          data.FieldByName("NAME")->SetAsString("New " + std::to_string(added));
          data.FieldByName("PHONE")->SetAsInteger(200 + added);
          data.Post();
          break;
        case 'D':
          data.Delete();
          break;
        case 'N':
          data.Next();
          break;
        case 'P':
          data.Prior();
          break;
        case 'F':
          data.First();
          break;
        case 'L':
          data.Last();
          break;
        default:
          FAIL() << "unknown step " << step;
      }
    }
  }
};

struct SequenceCase {
  const char* Name;
  const char* Steps;
  int Pending;
  int Deleted;
  bool UpdatesPending;
  // What the dataset shows after the steps, and the table after applying.
  People Shown;
  People Applied;
};

class CachedSequence : public CachedUpdatesTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(CachedSequence, CountsThenCancelsOrApplies) {
  const SequenceCase& c = GetParam();
  {
    SCOPED_TRACE("cancel");
    TFIBDataSet& data = OpenCached("fdsCancelled");
    Run(data, c.Steps);
    EXPECT_EQ(data.PendingUpdateCount(), c.Pending);
    EXPECT_EQ(data.DeletedCount(), c.Deleted);
    EXPECT_EQ(data.UpdatesPending(), c.UpdatesPending);
    EXPECT_EQ(DataSetPeople(data), c.Shown);
    EXPECT_EQ(data.RecordCount(), static_cast<int>(c.Shown.size()));
    EXPECT_EQ(ServerPeople(), OriginalPeople);
    data.CancelUpdates();
    EXPECT_EQ(DataSetPeople(data), OriginalPeople);
    EXPECT_EQ(data.RecordCount(), PeopleRows);
    EXPECT_EQ(data.PendingUpdateCount(), 0);
    EXPECT_FALSE(data.UpdatesPending());
    EXPECT_EQ(data.Cache()->LogEntryCount(), 0);
    data.CheckInvariants();
    data.Close();
  }
  {
    SCOPED_TRACE("apply");
    TFIBDataSet& data = OpenCached("fdsApplied");
    Run(data, c.Steps);
    ApplyAndCommit(data);
    EXPECT_EQ(ServerPeople(), c.Applied);
    EXPECT_EQ(DataSetPeople(data), c.Shown);
    EXPECT_EQ(data.PendingUpdateCount(), 0);
    EXPECT_FALSE(data.UpdatesPending());
    EXPECT_EQ(data.Cache()->LogEntryCount(), 0);
    // Every record shown is as the server has it now.
    for (data.First(); !data.Eof(); data.Next()) EXPECT_EQ(data.CachedUpdateStatus(), cusUnmodified);
    data.CheckInvariants();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CachedSequence,
    ::testing::Values(
        SequenceCase{"EditTwo", "ENE", 2, 0, true,
                     People{"1|Person 1+|101", "2|Person 2+|102", "3|Person 3|103", "4|Person 4|104",
                            "5|Person 5|105"},
                     People{"1|Person 1+|101", "2|Person 2+|102", "3|Person 3|103", "4|Person 4|104",
                            "5|Person 5|105"}},
        // The delete of an edited record finds the row by its values before
        // the edit, and cancelling brings those values back.
        SequenceCase{"EditPostThenDelete", "NEED", 2, 1, true,
                     People{"1|Person 1|101", "3|Person 3|103", "4|Person 4|104", "5|Person 5|105"},
                     People{"1|Person 1|101", "3|Person 3|103", "4|Person 4|104", "5|Person 5|105"}},
        // A record inserted and deleted again was never there.
        SequenceCase{"InsertThenDelete", "NID", 0, 1, false, OriginalPeople, OriginalPeople},
        SequenceCase{"AppendAndDeleteTheFirst", "AFD", 2, 1, true,
                     People{"2|Person 2|102", "3|Person 3|103", "4|Person 4|104", "5|Person 5|105", "21|New 1|201"},
                     People{"2|Person 2|102", "3|Person 3|103", "4|Person 4|104", "5|Person 5|105",
                            "21|New 1|201"}},
        SequenceCase{"EditAnInsertedRecord", "LIE", 1, 0, true,
                     People{"1|Person 1|101", "2|Person 2|102", "3|Person 3|103", "4|Person 4|104",
                            "21|New 1+|201", "5|Person 5|105"},
                     People{"1|Person 1|101", "2|Person 2|102", "3|Person 3|103", "4|Person 4|104",
                            "5|Person 5|105", "21|New 1+|201"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CachedUpdatesTest, RevertingAnUninsertedRecordCountsItPendingOnce) {
  TFIBDataSet& data = OpenCached("fdsRevert");
  Run(data, "I");
  EXPECT_EQ(data.PendingUpdateCount(), 1);
  data.Delete();
  EXPECT_EQ(data.PendingUpdateCount(), 0);
  EXPECT_EQ(data.RecordCount(), PeopleRows);
  data.RevertRecord(0, true);
  EXPECT_EQ(data.PendingUpdateCount(), 1);
  EXPECT_EQ(data.DeletedCount(), 0);
  data.First();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 21);
  EXPECT_EQ(data.CachedUpdateStatus(), cusInserted);
  EXPECT_EQ(data.RecordCount(), PeopleRows + 1);
  // Without the flag an un-inserted record stays as it is.
  data.Delete();
  data.RevertRecord(0, false);
  EXPECT_EQ(data.PendingUpdateCount(), 0);
  EXPECT_EQ(data.RecordCount(), PeopleRows);
}

TEST_F(CachedUpdatesTest, RevertRecordTakesBackTheCurrentRecordsChange) {
  TFIBDataSet& data = OpenCached("fdsRevert");
  data.Next();
  Run(data, "E");
  EXPECT_EQ(data.UpdateStatus(), usModified);
  data.RevertRecord();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Person 2");
  EXPECT_EQ(data.UpdateStatus(), usUnmodified);
  Run(data, "D");
  EXPECT_EQ(data.RecordCount(), PeopleRows - 1);
  // Record numbers count the deleted record still held: the last stays.
  Run(data, "L");
  data.SetRecNo(data.RecNo());
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 5);
  data.RevertRecord(1, false);
  EXPECT_EQ(DataSetPeople(data), OriginalPeople);
}

TEST_F(CachedUpdatesTest, UpdateRecordTypesChooseTheStatusesShown) {
  TFIBDataSet& data = OpenCached("fdsTypes");
  Run(data, "DNNDFE");
  // Left: 2 (edited), 3, 5; deleted: 1 and 4.
  EXPECT_EQ(DataSetPeople(data), People({"2|Person 2+|102", "3|Person 3|103", "5|Person 5|105"}));
  data.SetUpdateRecordTypes(TFIBUpdateRecordTypes{cusDeleted});
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(DataSetPeople(data), People({"1|Person 1|101", "4|Person 4|104"}));
  data.SetUpdateRecordTypes(TFIBUpdateRecordTypes{cusModified});
  EXPECT_EQ(DataSetPeople(data), People({"2|Person 2+|102"}));
  data.SetUpdateRecordTypes(TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted});
  EXPECT_EQ(DataSetPeople(data).size(), 3U);
}

TEST_F(CachedUpdatesTest, SwitchingCachedUpdatesOffCancelsThem) {
  TFIBDataSet& data = OpenCached("fdsSwitch");
  Run(data, "EN");
  data.SetCachedUpdates(false);
  EXPECT_EQ(DataSetPeople(data), OriginalPeople);
  EXPECT_FALSE(data.UpdatesPending());
}

TEST_F(CachedUpdatesTest, OnUpdateRecordSeesEachChangeInTheOrderItEnteredTheCache) {
  TFIBDataSet& data = OpenCached("fdsHandled");
  std::vector<std::string> seen;
  data.OnUpdateRecord = [&](TDataSet* dataSet, TUpdateKind kind, TUpdateAction& action) {
    EXPECT_EQ(action, uaFail);
    static const char* const kinds[] = {"modify", "insert", "delete"};
    seen.push_back(std::string(kinds[kind]) + " " + dataSet->FieldByName("ID")->AsString());
    // The first change is taken as done elsewhere; the rest run.
    action = seen.size() == 1 ? uaApplied : uaApply;
  };
  // Edit 4, delete 2, edit 1, append 21 (inserted records come last: they
  // entered the cache last).
  Run(data, "LPEFNDFEA");
  ApplyAndCommit(data);
  EXPECT_EQ(seen, std::vector<std::string>({"modify 1", "delete 2", "modify 4", "insert 21"}));
  EXPECT_EQ(ServerPeople(), People({"1|Person 1|101", "3|Person 3|103", "4|Person 4+|104", "5|Person 5|105",
                                    "21|New 1|201"}));
  // The handler's choice counts as applied all the same.
  data.First();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Person 1+");
  EXPECT_EQ(data.CachedUpdateStatus(), cusUnmodified);
}

struct UpdateErrorCase {
  const char* Name;
  std::vector<TUpdateAction> Actions;
  // 0 the rest applied, 1 the server's error, 2 the silent abort.
  int Outcome;
};

class UpdateError : public CachedUpdatesTest, public ::testing::WithParamInterface<UpdateErrorCase> {};

TEST_P(UpdateError, DecidesWhatAFailedRecordDoes) {
  const UpdateErrorCase& c = GetParam();
  TFIBDataSet& data = OpenCached("fdsErrors");
  std::size_t offered = 0;
  data.OnUpdateError = [&](TDataSet*, EDatabaseError& e, TUpdateKind kind, TUpdateAction& action) {
    EXPECT_NE(dynamic_cast<EFIBInterBaseError*>(&e), nullptr);
    EXPECT_EQ(kind, ukModify);
    EXPECT_EQ(action, uaFail);
    action = c.Actions[std::min(offered, c.Actions.size() - 1)];
    ++offered;
  };
  // The first record breaks the PHONE check; the second is fine.
  data.Edit();
  data.FieldByName("PHONE")->SetAsInteger(-5);
  data.Post();
  data.Next();
  Run(data, "E");
  std::string message;
  int outcome = 0;
  try {
    data.ApplyUpdates();
  } catch (const EAbort& e) {
    outcome = 2;
    message = e.Message();
  } catch (const EFIBInterBaseError&) {
    outcome = 1;
  }
  EXPECT_EQ(outcome, c.Outcome);
  EXPECT_EQ(offered, c.Actions.size());
  if (outcome == 2) {
    EXPECT_EQ(message, "User abort apply updates for MainForm. fdsErrors");
  }
  WriteTR().CommitRetaining();
  EXPECT_EQ(ServerPeople()[0], "1|Person 1|101");
  EXPECT_EQ(ServerPeople()[1], outcome == 0 ? "2|Person 2+|102" : "2|Person 2|102");
  // Nothing is marked applied until CommitUpdates.
  EXPECT_TRUE(data.UpdatesPending());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, UpdateError,
    ::testing::Values(UpdateErrorCase{"Fail", {uaFail}, 1}, UpdateErrorCase{"Abort", {uaAbort}, 2},
                      UpdateErrorCase{"Skip", {uaSkip}, 0},
                      UpdateErrorCase{"RetryThenSkip", {uaRetry, uaRetry, uaSkip}, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
