// A server that dies in the middle of a fetch and comes back: the fetch
// fails with the layer's error, closing the application connection finds it
// lost and lets it go without server calls, and the re-connect timer brings
// it back once the server answers again. Only against the test server, which
// the test kills and starts through the run's control command; CTest runs
// these tests while no other test runs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/statement/query.h"
#include "framework/core/system/timer.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

// More rows than the client fetches ahead in one network round.
constexpr int Rows = 20000;

class ServerRestartTest : public ConnectionTest {
 protected:
  void SetUp() override {
    TULVO_SKIP_UNLESS_ON_TEST_SERVER();
    ConnectionTest::SetUp();
    ExecuteSQL("create table T (ID integer not null, NAME varchar(40))");
    ExecuteSQL("execute block as declare i integer = 0; begin while (i < " + std::to_string(Rows) +
               ") do begin insert into T values (:i, 'row ' || :i); i = i + 1; end end");
    FPreviousScheduler = SetTimerScheduler(&FClock);
    FClockSet = true;
  }

  void TearDown() override {
    // A test stopped half-way must not leave the next ones without a server.
    if (OnTestServer()) ControlTestServer("start");
    ConnectionTest::TearDown();
    if (FClockSet) SetTimerScheduler(FPreviousScheduler);
  }

  TpFIBDatabase& NewAppDatabase() {
    auto* db = new TpFIBDatabase(&Form());  // owned by the form
    db->SetName("DB");
    db->SetDBName(DatabasePath());
    for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
    db->SetSQLDialect(3);
    db->SetSynchronizeTime(false);
    return *db;
  }

  TManualTimerScheduler FClock;
  TTimerScheduler* FPreviousScheduler = nullptr;
  bool FClockSet = false;
};

TEST_F(ServerRestartTest, AConnectionLostMidFetchIsReleasedAndRestoredWhenTheServerIsBack) {
  TpFIBDatabase& db = NewAppDatabase();
  db.SetWaitForRestoreConnect(1000);
  auto* tr = new TpFIBTransaction(&Form());  // owned by the form
  tr->SetName("TR");
  tr->SetDefaultDatabase(&db);
  auto* q = new TFIBQuery(&Form());  // owned by the form
  q->SetName("Q");
  q->SetDatabase(&db);
  q->SetTransaction(tr);
  q->SQL().SetText("select ID, NAME from T order by ID");

  std::vector<std::string> events;
  db.OnLostConnect = [&](TObject* sender, const EFIBError& e, TOnLostConnectActions& action) {
    EXPECT_EQ(sender, &db);
    EXPECT_EQ(action, laCloseConnect);
    EXPECT_NE(e.ServerErrorCode(), 0);
    events.push_back("lost");
    action = laWaitRestore;
  };
  db.OnErrorRestoreConnect = [&](TObject* sender, const EFIBError& e, TOnLostConnectActions& action) {
    EXPECT_EQ(sender, &db);
    EXPECT_EQ(action, laIgnore);
    EXPECT_NE(e.ServerErrorCode(), 0);
    events.push_back("still down");
  };
  db.AfterRestoreConnect = [&] { events.push_back("restored"); };

  db.OpenConnection();
  tr->StartTransaction();
  q->ExecQuery();
  int fetched = 1;
  for (; fetched < 10; ++fetched) ASSERT_NE(q->FetchNext(), nullptr);

  ASSERT_TRUE(ControlTestServer("kill"));
  // The rows the client holds already come first; then it asks the server.
  try {
    while (q->FetchNext() != nullptr) ++fetched;
    ADD_FAILURE() << "all " << fetched << " rows came from a server that was killed";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), q);
    EXPECT_EQ(e.Message().rfind("MainForm.Q:\r\n", 0), 0u) << e.Message();
    EXPECT_NE(e.ServerErrorCode(), 0);
  }
  EXPECT_LT(fetched, Rows);

  // Closing finds the connection gone: released without a word to the
  // server, waiting for it to come back.
  EXPECT_NO_THROW(db.CloseConnection(false));
  EXPECT_EQ(events, std::vector<std::string>{"lost"});
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.Handle(), 0u);
  EXPECT_FALSE(tr->Active());
  EXPECT_FALSE(tr->HandleReleased());
  EXPECT_FALSE(q->Open());
  EXPECT_FALSE(q->Prepared());

  FClock.Advance(1000);
  EXPECT_EQ(events, (std::vector<std::string>{"lost", "still down"}));
  EXPECT_FALSE(db.Connected());

  ASSERT_TRUE(ControlTestServer("start"));
  FClock.Advance(1000);
  EXPECT_EQ(events, (std::vector<std::string>{"lost", "still down", "restored"}));
  ASSERT_TRUE(db.Connected());
  // Once back, the timer stays quiet.
  FClock.Advance(5000);
  EXPECT_EQ(events.size(), 3u);

  // The same transaction and statement work on the new attachment, and the
  // rows are all there.
  tr->StartTransaction();
  q->ExecQuery();
  int rows = 0;
  while (!q->Eof()) {
    ++rows;
    q->FetchNext();
  }
  EXPECT_EQ(rows, Rows);
  q->CloseCursor();
  tr->Commit();
  db.CloseConnection(false);
}

}  // namespace
