// Editing a dataset through its modify statements on the embedded engine:
// what another connection sees after edit, insert, append and delete, the
// OLD_/NEW_ parameters, refreshing a record, the update transaction, the
// error actions of a post the server refuses, and the mended faults.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

using People = std::vector<std::string>;

const People OriginalPeople{"1|Person 1|101", "2|Person 2|102", "3|Person 3|103", "4|Person 4|104",
                            "5|Person 5|105"};

void SetPerson(TDataSet& data, int id, const std::string& name, int phone) {
  data.FieldByName("ID")->SetAsInteger(id);
  data.FieldByName("NAME")->SetAsString(name);
  data.FieldByName("PHONE")->SetAsInteger(phone);
}

TEST_F(EditDataSetTest, EditInsertAppendAndDeleteReachAnotherConnection) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  // An open cursor of the writing transaction would show the rows inserted
  // through it once more: the records are all read first.
  data.FetchAll();
  data.MoveBy(1);
  data.Edit();
  data.FieldByName("NAME")->SetAsString("Renamed");
  data.Post();
  EXPECT_EQ(data.CachedUpdateStatus(), cusUnmodified);
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(ServerPeople()[1], "2|Renamed|102");

  // Insert goes before the current record (the third).
  data.Next();
  data.Insert();
  SetPerson(data, 10, "Inserted", 110);
  data.Post();
  EXPECT_EQ(data.RecNo(), 3);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 10);
  data.Append();
  SetPerson(data, 11, "Appended", 111);
  data.Post();
  EXPECT_EQ(data.RecNo(), 7);
  EXPECT_EQ(data.RecordCount(), 7);
  EXPECT_EQ(DataSetPeople(data), People({"1|Person 1|101", "2|Renamed|102", "10|Inserted|110", "3|Person 3|103",
                                         "4|Person 4|104", "5|Person 5|105", "11|Appended|111"}));

  data.First();
  data.Delete();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(data.RecordCount(), 6);
  EXPECT_EQ(data.DeletedCount(), 1);
  EXPECT_FALSE(data.UpdatesPending());
  EXPECT_EQ(ServerPeople(), People({"2|Renamed|102", "3|Person 3|103", "4|Person 4|104", "5|Person 5|105",
                                    "10|Inserted|110", "11|Appended|111"}));
  data.CheckInvariants();
}

TEST_F(EditDataSetTest, WholeRecordsInsertedAndAppendedArePostedAtOnce) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  data.FetchAll();
  data.Next();
  data.InsertRecord({Variant(7), Variant("Seventh"), Variant(107)});
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(data.RecNo(), 2);
  data.AppendRecord({Variant(8), Variant("Eighth"), Variant::Null()});
  EXPECT_EQ(data.RecNo(), 7);
  EXPECT_EQ(DataSetPeople(data), People({"1|Person 1|101", "7|Seventh|107", "2|Person 2|102", "3|Person 3|103",
                                         "4|Person 4|104", "5|Person 5|105", "8|Eighth|<null>"}));
  EXPECT_EQ(ServerPeople().back(), "8|Eighth|<null>");
  EXPECT_EQ(ServerPeople().size(), 7U);
  data.CheckInvariants();
}

// A record inserted (directly, or cached and applied) while the cursor, which
// walks the table or an index, still has rows to give is held once.
class EarlyInsert : public EditDataSetTest, public ::testing::WithParamInterface<std::pair<const char*, bool>> {};

TEST_P(EarlyInsert, TheNewRowComesOnce) {
  TFIBDataSet& data = NewPeople();
  data.SelectSQL().SetText(std::string("select ID, NAME, PHONE, NOTE, NAME_UPPER, MEMO from PEOPLE") + GetParam().first);
  data.SetCachedUpdates(GetParam().second);
  data.Open();
  data.Next();
  data.Insert();
  SetPerson(data, 10, "Inserted", 110);
  data.Post();
  if (GetParam().second) data.ApplyUpdates();
  EXPECT_EQ(DataSetPeople(data), People({"1|Person 1|101", "10|Inserted|110", "2|Person 2|102", "3|Person 3|103",
                                         "4|Person 4|104", "5|Person 5|105"}));
}

INSTANTIATE_TEST_SUITE_P(Walks, EarlyInsert,
                         ::testing::Values(std::pair(" order by ID", false), std::pair("", false),
                                           std::pair(" order by ID", true)));

TEST_F(EditDataSetTest, WithoutAutoCommitOthersSeeTheChangeOnlyAfterTheCommit) {
  TFIBDataSet& data = NewPeople();
  data.SetAutoCommit(false);
  data.Open();
  data.Edit();
  data.FieldByName("PHONE")->SetAsInteger(999);
  data.Post();
  EXPECT_EQ(ServerPeople()[0], "1|Person 1|101");
  WriteTR().CommitRetaining();
  EXPECT_EQ(ServerPeople()[0], "1|Person 1|999");
  EXPECT_TRUE(data.Active());
}

TEST_F(EditDataSetTest, OldParametersReadTheRecordBeforeTheEdit) {
  TFIBDataSet& data = NewPeople();
  data.UpdateSQL().SetText("update PEOPLE set NAME = :NEW_NAME, NOTE = cast(:OLD_NAME as varchar(20)) || '>' || cast(:NAME as varchar(20))"
      " where ID = :OLD_ID");
  data.Open();
  data.Last();
  data.Edit();
  data.FieldByName("NAME")->SetAsString("Fifth");
  data.Post();
  EXPECT_EQ(QueryRows("select NAME, NOTE from PEOPLE where ID = 5"),
            std::vector<std::vector<std::string>>({{"Fifth", "Person 5>Fifth"}}));
}

TEST_F(EditDataSetTest, ChangingTheKeyFindsTheRowByItsOldKey) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  data.Edit();
  data.FieldByName("ID")->SetAsInteger(50);
  data.Post();
  EXPECT_EQ(ServerPeople().back(), "50|Person 1|101");
  // The delete finds the row by the ID it has now.
  data.Delete();
  EXPECT_EQ(ServerPeople().size(), 4U);
}

TEST_F(EditDataSetTest, RefreshAfterPostReadsWhatTheServerComputed) {
  for (const bool refresh : {false, true}) {
    SCOPED_TRACE(refresh);
    TFIBDataSet& data = NewPeople(refresh ? "fdsRefreshing" : "fdsPlain");
    TpFIBDsOptions options = data.Options();
    if (!refresh) options.Exclude(poRefreshAfterPost);
    data.SetOptions(options);
    data.Open();
    data.Edit();
    data.FieldByName("NAME")->SetAsString(refresh ? "anna" : "olga");
    data.Post();
    EXPECT_EQ(data.FieldByName("NAME_UPPER")->AsString(), refresh ? "ANNA" : "PERSON 1");
    data.Close();
  }
}

struct RefreshCase {
  const char* Name;
  bool RowGone;
  bool RefreshDeleted;
  int RecordCount;
  const char* Shown;
};

class RefreshRecord : public EditDataSetTest, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshRecord, ReadsTheCurrentRowAgain) {
  const RefreshCase& c = GetParam();
  TFIBDataSet& data = NewPeople();
  if (c.RefreshDeleted) data.SetOptions(data.Options() + poRefreshDeletedRecord);
  data.Open();
  data.MoveBy(2);
  if (c.RowGone)
    ExecuteSQL("delete from PEOPLE where ID = 3");
  else
    ExecuteSQL("update PEOPLE set NAME = 'Elsewhere', PHONE = null where ID = 3");
  int refreshed = 0;
  data.AfterRefresh = [&](TDataSet*) { ++refreshed; };
  data.Refresh();
  const People shown = DataSetPeople(data);
  EXPECT_EQ(shown.size(), static_cast<std::size_t>(c.RecordCount));
  EXPECT_EQ(data.RecordCount(), c.RecordCount);
  EXPECT_EQ(shown[2], c.Shown);
  EXPECT_GE(refreshed, 1);
  data.CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    ChangedOrGone, RefreshRecord,
    ::testing::Values(RefreshCase{"Changed", false, false, 5, "3|Elsewhere|<null>"},
                      RefreshCase{"GoneAndKept", true, false, 5, "3|Person 3|103"},
                      RefreshCase{"GoneAndRemoved", true, true, 4, "4|Person 4|104"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditDataSetTest, RefreshWithoutRefreshTextRaises) {
  TFIBDataSet& data = NewPeople();
  data.RefreshSQL().Clear();
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.Refresh(); }), ceCannotRefresh);
}

struct UpdateTransactionCase {
  const char* Name;
  TTransactionAction TimeoutAction;
  // The update transaction is still running after the auto-commit.
  bool ActiveAfter;
};

class SeparateUpdateTransaction : public EditDataSetTest,
                                  public ::testing::WithParamInterface<UpdateTransactionCase> {};

TEST_P(SeparateUpdateTransaction, StartsBeforeTheChangeAndCommitsAfter) {
  const UpdateTransactionCase& c = GetParam();
  TFIBTransaction& updates = NewTransaction("UpdateTR", &DB());
  updates.TRParams().SetText("write\nread_committed\nrec_version\nnowait");
  updates.SetTimeoutAction(c.TimeoutAction);
  TFIBDataSet& data = NewPeople();
  data.SetTransaction(&TR());
  data.SetUpdateTransaction(&updates);
  data.Open();
  EXPECT_FALSE(updates.Active());
  data.Edit();
  data.FieldByName("PHONE")->SetAsInteger(77);
  data.Post();
  EXPECT_EQ(updates.Active(), c.ActiveAfter);
  EXPECT_EQ(ServerPeople()[0], "1|Person 1|77");
  if (updates.Active()) updates.Commit();
}

INSTANTIATE_TEST_SUITE_P(
    TimeoutActions, SeparateUpdateTransaction,
    ::testing::Values(UpdateTransactionCase{"RollsBackOnTimeout", TARollback, true},
                      UpdateTransactionCase{"CommitsOnTimeout", TACommit, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditDataSetTest, EmptyModifyTextsStopEditingSilently) {
  TFIBDataSet& data = NewPeople();
  data.UpdateSQL().Clear();
  data.DeleteSQL().Clear();
  data.Open();
  EXPECT_TRUE(data.CanModify());
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.Edit(); }).Caught);
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.Delete(); }).Caught);
  data.InsertSQL().Clear();
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.Insert(); }).Caught);
  EXPECT_FALSE(data.CanModify());
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_TRUE(RaisedBy<EAbort>([&] { data.AppendRecord({Variant(9)}); }).Caught);
}

TEST_F(EditDataSetTest, CheckEditStateNamesWhatIsMissing) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.CheckEditState(); }), ceNotInEditMode);
  data.Edit();
  EXPECT_NO_THROW(data.CheckEditState());
  data.UpdateSQL().Clear();
  EXPECT_EQ(ClientErrorOf([&] { data.CheckEditState(); }), ceCannotUpdate);
  EXPECT_EQ(ClientErrorOf([&] { data.Post(); }), ceCannotUpdate);
  data.Cancel();
  data.Insert();
  data.InsertSQL().Clear();
  EXPECT_EQ(ClientErrorOf([&] { data.CheckEditState(); }), ceCannotInsert);
  data.Cancel();
  EXPECT_EQ(DataSetPeople(data), OriginalPeople);
}

TEST_F(EditDataSetTest, CancelTakesTheTypedValuesAndTheirCountBack) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  data.Edit();
  data.FieldByName("NAME")->SetAsString("Typed");
  EXPECT_EQ(data.PendingUpdateCount(), 1);
  data.Cancel();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Person 1");
  EXPECT_EQ(data.PendingUpdateCount(), 0);
  data.Last();
  data.Append();
  SetPerson(data, 20, "Gone", 120);
  data.Cancel();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(data.RecordCount(), PeopleRows);
  EXPECT_EQ(data.PendingUpdateCount(), 0);
  EXPECT_EQ(ServerPeople(), OriginalPeople);
}

struct PostErrorCase {
  const char* Name;
  TDataAction Action;
  bool Append;
  // What Post ends with: 0 posted, 1 the server's error, 2 the silent abort.
  int Outcome;
};

class PostError : public EditDataSetTest, public ::testing::WithParamInterface<PostErrorCase> {};

TEST_P(PostError, DecidesWhatAPostTheServerRefusesDoes) {
  const PostErrorCase& c = GetParam();
  TFIBDataSet& data = NewPeople();
  data.Open();
  data.FetchAll();
  const int highBefore = data.Cache()->HighRecord();
  int offered = 0;
  data.OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
    ++offered;
    EXPECT_NE(dynamic_cast<EFIBInterBaseError*>(&e), nullptr);
    action = c.Action;
    // A retry after the value is put right succeeds.
    if (action == daRetry) data.FieldByName("PHONE")->SetAsInteger(130);
  };
  data.MoveBy(2);
  if (c.Append)
    data.Append();
  else
    data.Insert();
  SetPerson(data, 30, "Refused", -1);
  bool failed = false;
  bool aborted = false;
  try {
    data.Post();
  } catch (const EAbort&) {
    aborted = true;
  } catch (const EFIBInterBaseError&) {
    failed = true;
  }
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(failed, c.Outcome == 1);
  EXPECT_EQ(aborted, c.Outcome == 2);
  if (c.Outcome == 0) {
    EXPECT_EQ(data.State(), dsBrowse);
    EXPECT_EQ(ServerPeople().back(), "30|Refused|130");
    EXPECT_EQ(DataSetPeople(data).size(), static_cast<std::size_t>(PeopleRows + 1));
  } else {
    // The cache is as it was before the insert, and the insert goes on.
    EXPECT_EQ(data.State(), dsInsert);
    EXPECT_EQ(data.Cache()->HighRecord(), highBefore);
    data.Cancel();
    EXPECT_EQ(DataSetPeople(data), OriginalPeople);
    EXPECT_EQ(ServerPeople(), OriginalPeople);
  }
  data.CheckInvariants();
  data.Cache()->CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    FailAbortRetry, PostError,
    ::testing::Values(PostErrorCase{"InsertFails", daFail, false, 1},
                      PostErrorCase{"InsertAborts", daAbort, false, 2},
                      PostErrorCase{"InsertRetries", daRetry, false, 0},
                      PostErrorCase{"AppendFails", daFail, true, 1},
                      PostErrorCase{"AppendAborts", daAbort, true, 2},
                      PostErrorCase{"AppendRetries", daRetry, true, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditDataSetTest, FailedAppendIsTakenBackFromTheCache) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  data.Last();
  const int highBefore = data.Cache()->HighRecord();
  data.Append();
  SetPerson(data, 1, "Duplicate key", 150);
  EXPECT_TRUE(RaisedBy<EFIBInterBaseError>([&] { data.Post(); }).Caught);
  EXPECT_EQ(data.Cache()->HighRecord(), highBefore);
  data.FieldByName("ID")->SetAsInteger(6);
  data.Post();
  EXPECT_EQ(data.RecordCount(), PeopleRows + 1);
  EXPECT_EQ(DataSetPeople(data).back(), "6|Duplicate key|150");
  EXPECT_EQ(data.Cache()->HighRecord(), highBefore + 1);
  data.Cache()->CheckInvariants();
}

// Puts a blob stream of the test's into the current record, as the
// dataset's blob streams sit in their records.
// A dataset that shows the blob id its active buffer holds.
class TBlobProbe : public TFIBDataSet {
 public:
  using TFIBDataSet::TFIBDataSet;
  TISCQuad ActiveBlobId(int column) const {
    TISCQuad id;
    const std::byte* at = ActiveBuffer() + ColumnDescriptors()[static_cast<std::size_t>(column)].Offset;
    std::memcpy(&id.High, at, 4);
    std::memcpy(&id.Low, at + 4, 4);
    return id;
  }
};

TEST_F(EditDataSetTest, ModifiedBlobStreamsAreWrittenBeforeTheStatementRuns) {
  ExecuteSQL("update PEOPLE set MEMO = 'old memo' where ID = 1");
  auto* data = new TBlobProbe(&Form());
  data->SetName("fdsBlob");
  data->SetDatabase(&DB());
  data->SetTransaction(&WriteTR());
  data->SelectSQL().SetText("select ID, MEMO from PEOPLE order by ID");
  data->UpdateSQL().SetText("update PEOPLE set MEMO = :MEMO where ID = :OLD_ID");
  data->SetAutoCommit(true);
  data->Open();
  const TISCQuad oldId = data->ActiveBlobId(1);
  data->Edit();
  {
    std::unique_ptr<TStream> stream = data->CreateBlobStream(data->FieldByName("MEMO"), bmWrite);
    const std::string text = "new memo";
    stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }
  data->Post();
  EXPECT_FALSE(data->ActiveBlobId(1) == oldId);
  EXPECT_EQ(QueryRows("select cast(MEMO as varchar(20)) from PEOPLE where ID = 1"),
            std::vector<std::vector<std::string>>({{"new memo"}}));
  data->Close();
}

TEST_F(EditDataSetTest, ChangedPropertiesOfAnOpenDatasetAreRefused) {
  TFIBDataSet& data = NewPeople();
  data.Open();
  EXPECT_EQ(ClientErrorOf([&] { data.SetPrepareOptions(data.PrepareOptions() + psSQLINT64ToBCD); }), ceDatasetOpen);
  EXPECT_NO_THROW(data.SetPrepareOptions(data.PrepareOptions() + pfSetRequiredFields));
  EXPECT_EQ(ClientErrorOf([&] { data.SetCachedUpdates(true); }), ceDatasetOpen);
  EXPECT_EQ(ClientErrorOf([&] { data.SetDatabase(nullptr); }), ceDatasetOpen);
  EXPECT_EQ(ClientErrorOf([&] { data.SetTransaction(&TR()); }), ceDatasetOpen);
  EXPECT_EQ(ClientErrorOf([&] { data.SetUniDirectional(true); }), ceDatasetOpen);
  data.Close();
  data.SetBufferChunks(0);
  EXPECT_EQ(data.BufferChunks(), 32);
  data.SetCachedUpdates(true);
  EXPECT_FALSE(data.SelectQuery().CloseOnTransactionEnd());
  data.SetCachedUpdates(false);
  EXPECT_TRUE(data.SelectQuery().CloseOnTransactionEnd());
}

TEST_F(EditDataSetTest, ADatabaseWithAnUpdateTransactionGivesItToTheDataset) {
  TFIBDatabase& other = NewDatabase("OtherDB");
  TFIBTransaction& updates = NewTransaction("OtherUpdates", &other);
  other.SetDefaultUpdateTransaction(&updates);
  TFIBDataSet& data = NewPeople();
  data.SetDatabase(&other);
  EXPECT_EQ(data.UpdateTransaction(), &updates);
  EXPECT_EQ(data.InsertQuery().Transaction(), &updates);
}

}  // namespace
