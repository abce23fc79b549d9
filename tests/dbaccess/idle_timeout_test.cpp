// The idle time-outs of the connection and the transaction, on a clock that
// moves only when the test says so.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/system/timer.h"
#include "tests/dbaccess/fake_client.h"

namespace {

class IdleTimeoutTest : public FakeClientTest {
 protected:
  void SetUp() override {
    UseLibrary(FakeClientFull);
    FPrevious = SetTimerScheduler(&FClock);
    FDB = std::make_unique<TFIBDatabase>(nullptr);
    FDB->SetName("DB");
    FDB->SetDBName("fake.fdb");
    FDB->SetSynchronizeTime(false);
    FTR = std::make_unique<TFIBTransaction>(nullptr);
    FTR->SetName("TR");
    FTR->SetDefaultDatabase(FDB.get());
  }

  void TearDown() override {
    FTR.reset();
    FDB.reset();
    SetTimerScheduler(FPrevious);
    FakeClientTest::TearDown();
  }

  TManualTimerScheduler FClock;
  TTimerScheduler* FPrevious = nullptr;
  std::unique_ptr<TFIBDatabase> FDB;
  std::unique_ptr<TFIBTransaction> FTR;
};

TEST_F(IdleTimeoutTest, IdleConnectionClosesWithinTwoIntervalsThenReports) {
  FDB->SetTimeout(1000);
  std::vector<std::string> log;
  FDB->OnTimeout = [&](TObject* sender) {
    EXPECT_EQ(sender, FDB.get());
    log.push_back(FDB->Connected() ? "timeout while connected" : "timeout after close");
  };
  FDB->AfterDisconnect = [&](TObject*) { log.push_back("closed"); };
  FDB->SetConnected(true);

  FClock.Advance(1000);
  EXPECT_TRUE(FDB->Connected());
  FClock.Advance(1000);
  EXPECT_FALSE(FDB->Connected());
  EXPECT_EQ(log, (std::vector<std::string>{"closed", "timeout after close"}));

  // Closed, it stays quiet.
  FClock.Advance(5000);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(IdleTimeoutTest, ClientCallsKeepTheConnectionOpen) {
  FDB->SetTimeout(1000);
  FDB->SetConnected(true);
  for (int i = 0; i < 5; ++i) {
    FClock.Advance(1000);
    // A transaction's calls count for its connections too.
    if (i % 2 == 0)
      FDB->DatabaseDialect();
    else {
      FTR->StartTransaction();
      FTR->Commit();
    }
  }
  EXPECT_TRUE(FDB->Connected());
  FClock.Advance(2000);
  EXPECT_FALSE(FDB->Connected());
}

TEST_F(IdleTimeoutTest, TimeoutZeroStopsTheClock) {
  FDB->SetTimeout(1000);
  FDB->SetConnected(true);
  FDB->SetTimeout(0);
  FClock.Advance(10000);
  EXPECT_TRUE(FDB->Connected());
  EXPECT_EQ(FDB->Timeout(), 0);
  FDB->SetConnected(false);
}

TEST_F(IdleTimeoutTest, IdleTransactionEndsByItsTimeoutActionThenReports) {
  const TFakeClient fake(FakeClientFull);
  FTR->SetTimeout(1000);
  FTR->SetTimeoutAction(TACommit);
  std::vector<std::string> log;
  FTR->OnTimeout = [&](TObject*) {
    log.push_back(FTR->Active() ? "timeout while active" : "timeout after end");
  };
  FDB->SetConnected(true);
  FTR->StartTransaction();

  FClock.Advance(1000);
  EXPECT_TRUE(FTR->Active());
  FClock.Advance(1000);
  EXPECT_FALSE(FTR->Active());
  EXPECT_EQ(fake.Calls("isc_commit_transaction"), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"timeout after end"}));
}

TEST_F(IdleTimeoutTest, RetainingTimeoutActionKeepsTheTransaction) {
  const TFakeClient fake(FakeClientFull);
  FTR->SetTimeout(500);
  FTR->SetTimeoutAction(TACommitRetaining);
  FDB->SetConnected(true);
  FTR->StartTransaction();
  FClock.Advance(1000);
  EXPECT_TRUE(FTR->Active());
  EXPECT_EQ(fake.Calls("isc_commit_retaining"), 1);
  EXPECT_EQ(FTR->TransactionState(), tsActive);
  FTR->Rollback();
}

TEST_F(IdleTimeoutTest, ForcedEndThatFailsStillReportsTheTimeout) {
  const TFakeClient fake(FakeClientFull);
  FTR->SetTimeout(1000);
  FTR->SetTimeoutAction(TACommit);
  int timeouts = 0;
  FTR->OnTimeout = [&](TObject*) { ++timeouts; };
  FDB->SetConnected(true);
  FTR->StartTransaction();
  fake.Fail("isc_commit_transaction", isc_lock_conflict);
  FClock.Advance(1000);
  EXPECT_THROW(FClock.Advance(1000), EFIBInterBaseError);
  fake.Fail("isc_commit_transaction", 0);
  EXPECT_FALSE(FTR->Active());
  EXPECT_EQ(timeouts, 1);
}

TEST_F(IdleTimeoutTest, NegativeTimeoutsAreRefused) {
  TFIBDatabase& db = *FDB;
  TFIBTransaction& tr = *FTR;
  for (int which = 0; which < 2; ++which) {
    try {
      if (which == 0)
        db.SetTimeout(-1);
      else
        tr.SetTimeout(-1);
      ADD_FAILURE() << "negative time-out accepted";
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), ceTimeoutNegative);
      EXPECT_EQ(e.Message(), "Timeout values cannot be negative.");
    }
  }
}

}  // namespace
