// Two connections after the same row on the test server. A transaction that
// does not wait is refused at once with the server's update conflict,
// through the layer's exception with the transaction as its sender; one that
// waits blocks until the holder ends, and is then refused the same way when
// the holder committed, or goes ahead when it rolled back. (The parameter
// lines have no lock time-out, so a waiting statement waits for the holder.)

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <ostream>
#include <string>
#include <thread>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/errors.h"
#include "framework/core/component/strings.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

const char* const TheUpdate = "update T set NAME = 'other' where ID = 1";

class LockConflictTest : public ConnectionTest {
 protected:
  void SetUp() override {
    TULVO_SKIP_UNLESS_ON_TEST_SERVER();
    ConnectionTest::SetUp();
    ExecuteSQL("create table T (ID integer not null primary key, NAME varchar(20))");
    ExecuteSQL("insert into T values (1, 'first')");
    FHolder = &NewDatabase("Holder");
    FHolderTR = &Transaction("HolderTR", *FHolder, "wait");
    FHolder->OpenConnection();
    FHolderTR->StartTransaction();
    Execute(*FHolder, *FHolderTR, "update T set NAME = 'holder' where ID = 1");
    FHolderNumber = FHolderTR->TransactionNumber();
  }

  // A snapshot transaction of its own connection that waits for locks or not.
  TFIBTransaction& Transaction(const std::string& name, TFIBDatabase& db, const std::string& waiting) {
    TFIBTransaction& tr = NewTransaction(name, &db);
    for (const char* line : {"write", "concurrency"}) tr.TRParams().Add(line);
    tr.TRParams().Add(waiting);
    return tr;
  }

  // What the server says to an update of a row that the holder changed.
  std::string UpdateConflict() {
    return "deadlock.\r\nupdate conflicts with concurrent update.\r\nconcurrent transaction number is " +
           std::to_string(FHolderNumber) + ".\r\n";
  }

  // The row's name as committed.
  std::string CommittedName() { return QueryRows("select NAME from T where ID = 1").at(0).at(0); }

  TFIBDatabase* FHolder = nullptr;
  TFIBTransaction* FHolderTR = nullptr;
  std::int64_t FHolderNumber = 0;
};

TEST_F(LockConflictTest, ATransactionThatDoesNotWaitIsRefusedAtOnce) {
  TFIBDatabase& db = NewDatabase("Other");
  TFIBTransaction& tr = Transaction("OtherTR", db, "nowait");
  db.OpenConnection();
  tr.StartTransaction();
  try {
    Execute(db, tr, TheUpdate);
    ADD_FAILURE() << "updated a row another transaction holds";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &tr);
    EXPECT_EQ(e.SQLCode(), -913);
    EXPECT_EQ(e.ServerErrorCode(), isc_deadlock);
    EXPECT_EQ(e.ServerText(), UpdateConflict());
    EXPECT_EQ(e.Message(), "MainForm.OtherTR:\r\n" + e.SQLCodeText() + e.ServerText());
  }
  // The refused statement leaves the transaction usable.
  EXPECT_TRUE(tr.Active());
  EXPECT_EQ(Query(db, tr, "select count(*) from T"), 1);
  tr.Rollback();
  FHolderTR->Commit();
  EXPECT_EQ(CommittedName(), "holder");
}

// How the holder ends, and what the waiting update then meets.
struct TWaitCase {
  const char* Name;
  bool HolderCommits;
};
void PrintTo(const TWaitCase& wait, std::ostream* os) { *os << wait.Name; }

class LockWait : public LockConflictTest, public ::testing::WithParamInterface<TWaitCase> {};

TEST_P(LockWait, AWaitingTransactionBlocksUntilTheHolderEnds) {
  TFIBDatabase& db = NewDatabase("Other");
  TFIBTransaction& tr = Transaction("OtherTR", db, "wait");
  db.OpenConnection();
  tr.StartTransaction();
  const std::int64_t waiter = Query(db, tr, "select current_connection from rdb$database");

  // Only this thread uses the waiting connection until it is joined.
  std::future<std::string> outcome = std::async(std::launch::async, [&]() -> std::string {
    try {
      Execute(db, tr, TheUpdate);
      return "updated";
    } catch (const EFIBInterBaseError& e) {
      EXPECT_EQ(e.ErrorSender(), &tr);
      return e.ServerText();
    }
  });

  // The server shows the update running, held by the lock.
  const std::string running = "select count(*) from mon$statements where mon$state = 1 and mon$attachment_id = " +
                              std::to_string(waiter);
  bool waiting = false;
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
       !waiting && std::chrono::steady_clock::now() < deadline;) {
    waiting = QueryInt64(running) == 1;
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(waiting);
  EXPECT_EQ(outcome.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);

  // Ending the holder releases the waiter whatever happened above.
  if (GetParam().HolderCommits)
    FHolderTR->Commit();
  else
    FHolderTR->Rollback();
  const std::string result = outcome.get();
  if (GetParam().HolderCommits) {
    EXPECT_EQ(result, UpdateConflict());
    tr.Rollback();
    EXPECT_EQ(CommittedName(), "holder");
  } else {
    EXPECT_EQ(result, "updated");
    tr.Commit();
    EXPECT_EQ(CommittedName(), "other");
  }
}

INSTANTIATE_TEST_SUITE_P(HolderEnds, LockWait,
                         ::testing::Values(TWaitCase{"ByCommit", true}, TWaitCase{"ByRollback", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
