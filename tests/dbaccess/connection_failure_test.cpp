// The connection and the transaction when the client library fails calls on
// purpose (the fake client), for the failures a real engine will not stage.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/connection/transaction.h"
#include "tests/dbaccess/fake_client.h"

namespace {

constexpr ISC_STATUS LockConflict = isc_lock_conflict;

class ConnectionFailureTest : public FakeClientTest {
 protected:
  void SetUp() override { Use(FakeClientFull); }

  void Use(const char* library) {
    FLibrary = library;
    UseLibrary(library);
    FForm = std::make_unique<TComponent>(nullptr);
    FForm->SetName("MainForm");
    FDB = new TFIBDatabase(FForm.get());  // owned by the form
    FDB->SetName("DB");
    FDB->SetDBName("fake.fdb");
    FDB->SetSynchronizeTime(false);
    FTR = new TFIBTransaction(FForm.get());  // owned by the form
    FTR->SetName("TR");
    FTR->SetDefaultDatabase(FDB);
    FDB->SetConnected(true);
  }

  void TearDown() override {
    Fake().Fail("isc_commit_transaction", 0);
    Fake().Fail("isc_rollback_transaction", 0);
    Fake().Fail("isc_detach_database", 0);
    FForm.reset();
    FakeClientTest::TearDown();
  }

  TFakeClient Fake() const { return TFakeClient(FLibrary); }
  TFIBDatabase& DB() { return *FDB; }
  TFIBTransaction& TR() { return *FTR; }

 private:
  const char* FLibrary = nullptr;
  std::unique_ptr<TComponent> FForm;
  TFIBDatabase* FDB = nullptr;
  TFIBTransaction* FTR = nullptr;
};

// The states the links see in the two end hooks.
struct TStateLog {
  explicit TStateLog(TFIBTransaction& transaction) : Link(nullptr) {
    Link.SetTransaction(&transaction);
    Link.OnTransactionEnding = [this, &transaction](TObject*) {
      Seen.push_back("ending " + std::to_string(transaction.TransactionState()));
    };
    Link.OnTransactionEnded = [this, &transaction](TObject*) {
      Seen.push_back("ended " + std::to_string(transaction.TransactionState()));
    };
  }
  TFIBBase Link;
  std::vector<std::string> Seen;
};

TEST_F(ConnectionFailureTest, ForcedCommitThatFailsIsReportedAsRollback) {
  TStateLog log(TR());
  TR().StartTransaction();
  Fake().Fail("isc_commit_transaction", LockConflict);
  try {
    TR().EndTransaction(TACommit, true);
    ADD_FAILURE() << "a failed commit passed for a commit";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ServerErrorCode(), LockConflict);
    EXPECT_EQ(e.ErrorSender(), &TR());
    // The error comes after the clean-up.
    EXPECT_FALSE(TR().Active());
  }
  EXPECT_EQ(TR().TransactionState(), tsInactive);
  EXPECT_EQ(TR().Handle(), 0u);
  EXPECT_EQ(Fake().Calls("isc_rollback_transaction"), 1);
  EXPECT_EQ(log.Seen, (std::vector<std::string>{"ending 4", "ended 2"}));
}

TEST_F(ConnectionFailureTest, FailedCommitLeavesTheTransactionActive) {
  TStateLog log(TR());
  TR().StartTransaction();
  Fake().Fail("isc_commit_transaction", LockConflict);
  EXPECT_THROW(TR().Commit(), EFIBInterBaseError);
  EXPECT_TRUE(TR().Active());
  EXPECT_EQ(TR().TransactionState(), tsActive);
  EXPECT_EQ(log.Seen, (std::vector<std::string>{"ending 4"}));

  Fake().Fail("isc_commit_transaction", 0);
  TR().Commit();
  EXPECT_FALSE(TR().Active());
}

TEST_F(ConnectionFailureTest, ForcedRollbackThatFailsStillEndsQuietly) {
  TR().StartTransaction();
  Fake().Fail("isc_rollback_transaction", LockConflict);
  TR().EndTransaction(TARollback, true);
  EXPECT_FALSE(TR().Active());
  EXPECT_EQ(Fake().Calls("isc_rollback_transaction"), 2);
}

TEST_F(ConnectionFailureTest, FailedStartLeavesTheTransactionInactive) {
  Fake().Fail("isc_start_multiple", LockConflict);
  EXPECT_THROW(TR().StartTransaction(), EFIBInterBaseError);
  EXPECT_FALSE(TR().Active());
  EXPECT_EQ(TR().Handle(), 0u);
  Fake().Fail("isc_start_multiple", 0);
  TR().StartTransaction();
  EXPECT_TRUE(TR().Active());
  TR().Commit();
}

TEST_F(ConnectionFailureTest, ClosingWithAFailingCommitStopsUnlessForced) {
  TR().SetTimeoutAction(TACommit);
  TR().StartTransaction();
  Fake().Fail("isc_commit_transaction", LockConflict);
  // The transaction's end is always forced: it is rolled back, and the
  // failure of its commit stops the normal close.
  EXPECT_THROW(DB().SetConnected(false), EFIBInterBaseError);
  EXPECT_FALSE(TR().Active());
  EXPECT_TRUE(DB().Connected());

  TR().StartTransaction();
  DB().CloseConnection(true);
  EXPECT_FALSE(TR().Active());
  EXPECT_FALSE(DB().Connected());
}

TEST_F(ConnectionFailureTest, FailedDetachKeepsTheConnectionUnlessForced) {
  Fake().Fail("isc_detach_database", LockConflict);
  try {
    DB().CloseConnection(false);
    ADD_FAILURE() << "a failed detach passed";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.Message().rfind("MainForm.DB:\r\n", 0), 0u);
  }
  EXPECT_TRUE(DB().Connected());

  DB().CloseConnection(true);
  EXPECT_FALSE(DB().Connected());
  EXPECT_EQ(DB().Handle(), 0u);
}

TEST_F(ConnectionFailureTest, ReleasedHandleEndsWithoutTheServer) {
  TR().StartTransaction();
  TR().SetHandleReleased(true);
  EXPECT_EQ(TR().TimeoutAction(), TARollback);
  try {
    TR().Commit();
    ADD_FAILURE() << "ended a shared transaction by another action";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceCantEndSharedTransaction);
  }
  EXPECT_TRUE(TR().Active());
  TR().Rollback();
  EXPECT_FALSE(TR().Active());
  EXPECT_FALSE(TR().HandleReleased());
  EXPECT_EQ(Fake().Calls("isc_rollback_transaction"), 0);
}

TEST_F(ConnectionFailureTest, ClientCallRaisesOnlyWhenAsked) {
  Fake().Fail("isc_commit_retaining", LockConflict);
  TR().StartTransaction();
  EXPECT_EQ(DB().ClientCall(LockConflict, false), LockConflict);
  EXPECT_THROW(TR().CommitRetaining(), EFIBInterBaseError);
  EXPECT_TRUE(TR().Active());
  EXPECT_EQ(TR().TransactionState(), tsActive);
  TR().Rollback();
}

class OldClientTest : public ConnectionFailureTest {
 protected:
  void SetUp() override { Use(FakeClientVersion5); }
};

TEST_F(OldClientTest, RollbackRetainingNeedsANewerClient) {
  TR().StartTransaction();
  try {
    TR().RollbackRetaining();
    ADD_FAILURE() << "rolled back retaining on an old client";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceClientFunctionMissing);
  }
  EXPECT_TRUE(TR().Active());
  EXPECT_EQ(TR().TransactionState(), tsActive);
  TR().Rollback();
}

}  // namespace
