// The pessimistic record lock of the application dataset, seen from a
// second connection: the locked row is held and no other, every failure
// (a row another user holds, a row gone, a condition that finds several
// rows) is told apart and leaves nothing behind, and the lock error
// handler decides what a failure does.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

class RecordLockTest : public ProgramDataSetTest {
 protected:
  void SetUp() override {
    ProgramDataSetTest::SetUp();
    ExecuteSQL("create table LOCKED (ID integer not null primary key, GRP integer, NAME varchar(20))");
    ExecuteSQL("insert into LOCKED values (1, 10, 'one')");
    ExecuteSQL("insert into LOCKED values (2, 10, 'two')");
    ExecuteSQL("insert into LOCKED values (3, 30, 'three')");
  }

  // On the writable transaction, on record 1; the modify text finds the
  // record by `where`.
  TpFIBDataSet& Locked(const std::string& where = "ID = ?OLD_ID") {
    TpFIBDataSet& data = NewDataSet({"select ID, GRP, NAME from LOCKED order by ID"}, "fdsLocked",
                                    &WriteTransaction());
    data.UpdateSQL().SetText("update LOCKED set NAME = ?NAME where " + where);
    data.Open();
    return data;
  }

  // Whether the other connection may change the row now (without waiting).
  bool OtherCanUpdate(int id) {
    try {
      OtherExecute("update LOCKED set NAME = NAME where ID = " + std::to_string(id));
      return true;
    } catch (const EFIBInterBaseError&) {
      return false;
    }
  }

  std::vector<std::vector<std::string>> Names() { return QueryRows("select ID, NAME from LOCKED order by ID"); }
};

TEST_F(RecordLockTest, TheLockedRowIsHeldAndNoOther) {
  TpFIBDataSet& data = Locked();
  EXPECT_EQ(data.LockRecord(true), lsSuccess);
  EXPECT_FALSE(OtherCanUpdate(1));
  EXPECT_TRUE(OtherCanUpdate(2));
  EXPECT_TRUE(OtherCanUpdate(3));
  OtherTR().Rollback();
  OtherTR().StartTransaction();
  // Ending the transaction lets the row go, unchanged.
  WriteTransaction().Rollback();
  EXPECT_TRUE(OtherCanUpdate(1));
  EXPECT_EQ(Names(), (std::vector<std::vector<std::string>>{{"1", "one"}, {"2", "two"}, {"3", "three"}}));
}

TEST_F(RecordLockTest, ProtectedEditLocksTheRecordBeforeEditing) {
  TpFIBDataSet& data = Locked();
  data.SetOptions(data.Options() + poProtectedEdit);
  data.Edit();
  EXPECT_EQ(data.State(), dsEdit);
  EXPECT_FALSE(OtherCanUpdate(1));
  data.Cancel();
  // Another user's change stops the edit before it begins.
  data.Next();
  OtherExecute("update LOCKED set NAME = 'mine' where ID = 2");
  EXPECT_EQ(MessageOf<Exception>([&] { data.Edit(); }), "Error of record updating:Deadlock detected");
  EXPECT_EQ(data.State(), dsBrowse);
}

struct LockCase {
  const char* Name;
  const char* Where;
  // What the other user does first.
  const char* Other;
  bool OtherCommits;
  TLockStatus Status;
  const char* Message;
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.Name; }

class LockFailure : public RecordLockTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockFailure, IsToldApartAndLeavesNothingBehind) {
  const LockCase& c = GetParam();
  TpFIBDataSet& data = Locked(c.Where);
  if (*c.Other != '\0') {
    OtherExecute(c.Other);
    if (c.OtherCommits) {
      OtherTR().Commit();
      OtherTR().StartTransaction();
    }
  }
  EXPECT_EQ(data.LockRecord(false), c.Status);
  EXPECT_EQ(MessageOf<Exception>([&] { data.LockRecord(true); }), c.Message);
  if (!c.OtherCommits && *c.Other != '\0') {
    OtherTR().Rollback();
    OtherTR().StartTransaction();
  }
  // No row stays held by the failed lock.
  for (int id : {1, 2, 3}) EXPECT_TRUE(OtherCanUpdate(id)) << id;
  OtherTR().Rollback();
  OtherTR().StartTransaction();
  WriteTransaction().Commit();
  EXPECT_EQ(QueryInt64("select count(*) from LOCKED where ID = 2 and NAME = 'two'"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LockFailure,
    ::testing::Values(
        LockCase{"HeldByAnotherUser", "ID = ?OLD_ID", "update LOCKED set NAME = 'x' where ID = 1", false,
                 lsDeadLock, "Error of record updating:Deadlock detected"},
        LockCase{"DeletedByAnotherUser", "ID = ?OLD_ID", "delete from LOCKED where ID = 1", true, lsNotExist,
                 "Error of record updating:Record does not exist"},
        LockCase{"ConditionFindsSeveralRows", "GRP = ?OLD_GRP", "", false, lsMultiply,
                 "Error of record updating:Attempt to edit multiple records"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RecordLockTest, TheLockErrorHandlerMayRetryAbortOrChangeTheMessage) {
  TpFIBDataSet& data = Locked();
  OtherExecute("update LOCKED set NAME = 'x' where ID = 1");
  std::vector<TLockStatus> seen;
  data.OnLockError = [&](TDataSet*, TLockStatus status, std::string& message, TDataAction& action) {
    seen.push_back(status);
    if (seen.size() == 1) {
      message = "held: " + message;
      return;
    }
    // The other user gives the row up; the lock is tried again.
    OtherTR().Rollback();
    OtherTR().StartTransaction();
    action = daRetry;
  };
  EXPECT_EQ(MessageOf<Exception>([&] { data.LockRecord(true); }), "held: Error of record updating:Deadlock detected");
  EXPECT_EQ(data.LockRecord(true), lsSuccess);
  EXPECT_EQ(seen, (std::vector<TLockStatus>{lsDeadLock, lsDeadLock}));
  EXPECT_FALSE(OtherCanUpdate(1));
  data.OnLockError = [](TDataSet*, TLockStatus, std::string&, TDataAction& action) { action = daAbort; };
  // Ending the transaction closes the dataset with it.
  WriteTransaction().Rollback();
  EXPECT_EQ(ClientErrorOf([&] { data.LockRecord(true); }), ceDatasetClosed);
  data.Open();
  OtherExecute("update LOCKED set NAME = 'x' where ID = 1");
  EXPECT_THROW(data.LockRecord(true), EAbort);
}

TEST_F(RecordLockTest, WithoutAModifyTextThereIsNothingToLockWith) {
  TpFIBDataSet& data = Locked();
  data.UpdateSQL().Clear();
  EXPECT_EQ(MessageOf<Exception>([&] { data.LockRecord(true); }), "Unable to lock record. Update query is empty");
}

}  // namespace
