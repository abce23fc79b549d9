// The application connection and transaction on the embedded engine: their
// events, the parameter presets, aliases in the registry, and a connection
// whose server drops it (another attachment deletes it from MON$ATTACHMENTS).

#include "dbaccess/connection/app_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/connection/reg_utils.h"
#include "dbaccess/statement/query.h"
#include "framework/core/component/strings.h"
#include "framework/core/system/timer.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/child_processes.h"
#include "tests/support/raised.h"

namespace {

std::vector<std::string> LinesOf(const TStrings& strings) {
  std::vector<std::string> lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
  return lines;
}

class AppDatabaseTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ::setenv("TULVO_REGISTRY", (std::filesystem::path(Folder()) / "registry").c_str(), 1);
    FPreviousScheduler = SetTimerScheduler(&FClock);
  }

  void TearDown() override {
    SetLostConnectionHooks({});
    ConnectionTest::TearDown();
    SetTimerScheduler(FPreviousScheduler);
    ::unsetenv("TULVO_REGISTRY");
  }

  // A connection as the program sets it up, not connected.
  TpFIBDatabase& NewAppDatabase(const std::string& name) {
    auto* database = new TpFIBDatabase(&Form());  // owned by the form
    database->SetName(name);
    database->SetDBName(DatabasePath());
    for (const std::string& line : ConnectionLines()) database->DBParams().Add(line);
    database->SetSQLDialect(3);
    database->SetSynchronizeTime(false);
    return *database;
  }

  TpFIBTransaction& NewAppTransaction(const std::string& name, TFIBDatabase* database) {
    auto* transaction = new TpFIBTransaction(&Form());  // owned by the form
    transaction->SetName(name);
    transaction->SetDefaultDatabase(database);
    return *transaction;
  }

  // Drops every other attachment of the test's database, as a server
  // administrator (or a server going down) would.
  void DropOtherAttachments() {
    ExecuteSQL("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
  }

  TManualTimerScheduler& Clock() { return FClock; }

 private:
  TManualTimerScheduler FClock;
  TTimerScheduler* FPreviousScheduler = nullptr;
};

// ---- Connecting and starting --------------------------------------------------------------

TEST_F(AppDatabaseTest, BeforeConnectCanCancelQuietlyAndSeesTheParameterLines) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  std::vector<std::string> seen;
  // The older name reaches the same handler.
  db.OnLogin = [&](TObject* sender, TStrings& params, bool& doConnect) {
    EXPECT_EQ(sender, &db);
    seen = LinesOf(params);
    doConnect = false;
  };
  ASSERT_TRUE(db.BeforeConnect);
  db.SetConnected(true);
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(seen, ConnectionLines());
}

TEST_F(AppDatabaseTest, AfterConnectIsTheConnectionsOnConnect) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  int connects = 0;
  db.AfterConnect = [&](TObject*) { ++connects; };
  db.OpenConnection();
  EXPECT_TRUE(db.OnConnect);
  EXPECT_EQ(connects, 1);
}

TEST_F(AppDatabaseTest, OpeningAnOpenConnectionOrClosingAClosedOneDoesNothing) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  EXPECT_NO_THROW(db.CloseConnection(false));
  db.OpenConnection();
  const TClientHandle handle = db.Handle();
  EXPECT_NO_THROW(db.OpenConnection());
  EXPECT_EQ(db.Handle(), handle);
  db.CloseConnection(false);
  EXPECT_FALSE(db.Connected());
  EXPECT_NO_THROW(db.CloseConnection(false));
}

TEST_F(AppDatabaseTest, StartingAnActiveTransactionDoesNothing) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  TpFIBTransaction& tr = NewAppTransaction("TR", &db);
  int starts = 0;
  tr.BeforeStart = [&](TObject*) { ++starts; };
  db.OpenConnection();
  tr.StartTransaction();
  const TClientHandle handle = tr.Handle();
  EXPECT_NO_THROW(tr.StartTransaction());
  EXPECT_EQ(tr.Handle(), handle);
  EXPECT_EQ(starts, 1);
  tr.Commit();
}

TEST_F(AppDatabaseTest, StartAndEndRunBetweenTheDatabasesAndTheTransactionsEvents) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  TpFIBTransaction& tr = NewAppTransaction("TR", &db);
  std::vector<std::string> log;
  auto notify = [&](const char* what) {
    return [&log, &tr, what](TObject* sender) {
      EXPECT_EQ(sender, &tr);
      log.push_back(std::string(what) + (tr.Active() ? " active" : " inactive"));
    };
  };
  auto ending = [&](const char* what) {
    return [&log, &tr, what](TFIBTransaction* sender, TTransactionAction action, bool force) {
      EXPECT_EQ(sender, &tr);
      log.push_back(std::string(what) + " " + std::to_string(action) + (force ? " forced" : "") +
                    (tr.Active() ? " active" : " inactive"));
    };
  };
  db.BeforeStartTransaction = notify("db before start");
  tr.BeforeStart = notify("before start");
  tr.AfterStart = notify("after start");
  db.AfterStartTransaction = notify("db after start");
  db.BeforeEndTransaction = ending("db before end");
  tr.BeforeEnd = ending("before end");
  tr.AfterEnd = ending("after end");
  db.AfterEndTransaction = ending("db after end");
  db.OpenConnection();

  tr.StartTransaction();
  tr.CommitRetaining();
  tr.EndTransaction(TARollback, true);
  EXPECT_EQ(log,
            (std::vector<std::string>{"db before start inactive", "before start inactive",
                                      "after start active", "db after start active", "db before end 3 active",
                                      "before end 3 active", "after end 3 active", "db after end 3 active",
                                      "db before end 0 forced active", "before end 0 forced active",
                                      "after end 0 forced inactive", "db after end 0 forced inactive"}));
}

TEST_F(AppDatabaseTest, DestroyingAnActiveTransactionEndsItThroughItsEvents) {
  ExecuteSQL("CREATE TABLE T (N INTEGER)");
  TpFIBDatabase& db = NewAppDatabase("DB");
  auto tr = std::make_unique<TpFIBTransaction>(nullptr);
  tr->SetDefaultDatabase(&db);
  tr->SetTPBMode(tpbDefault);
  tr->SetTimeoutAction(TACommitRetaining);
  std::vector<std::string> log;
  db.AfterEndTransaction = [&](TFIBTransaction*, TTransactionAction action, bool force) {
    log.push_back("db after end " + std::to_string(action) + (force ? " forced" : ""));
  };
  db.OpenConnection();
  tr->StartTransaction();
  Execute(db, *tr, "INSERT INTO T VALUES (1)");
  tr.reset();
  EXPECT_EQ(log, std::vector<std::string>{"db after end 2 forced"});
  EXPECT_EQ(QueryInt64("SELECT COUNT(*) FROM T"), 1);
}

TEST_F(AppDatabaseTest, StatementsAreAnnouncedBeforeAndAfterTheyRun) {
  TpFIBTransaction tr(nullptr);
  std::vector<std::string> log;
  tr.BeforeSQLExecute = [&](TFIBQuery*, TFIBSQLTypes type) {
    log.push_back("before " + std::to_string(type));
  };
  tr.AfterSQLExecute = [&](TFIBQuery*, TFIBSQLTypes type) { log.push_back("after " + std::to_string(type)); };
  TFIBTransaction& base = tr;
  base.SQLExecuteNotification(nullptr, SQLInsert, 0);
  base.SQLExecuteNotification(nullptr, SQLInsert, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"before 2", "after 2"}));
}

// ---- Parameter presets ----------------------------------------------------------------------

struct TPBModeCase {
  const char* Name;
  TTPBMode Mode;
  std::vector<std::string> Lines;    // TRParams before the start
  std::vector<std::string> Started;  // TRParams after it
  bool CanWrite;
  bool SeesLaterCommits;  // read committed rather than a snapshot
};

void PrintTo(const TPBModeCase& c, std::ostream* os) { *os << c.Name; }

class TPBModeTest : public AppDatabaseTest, public ::testing::WithParamInterface<TPBModeCase> {};

TEST_P(TPBModeTest, TheModeDecidesTheParametersOfTheStart) {
  const TPBModeCase& c = GetParam();
  ExecuteSQL("CREATE TABLE T (N INTEGER)");
  TpFIBDatabase& db = NewAppDatabase("DB");
  TpFIBTransaction& tr = NewAppTransaction("TR", &db);
  TFIBTransaction& writer = NewTransaction("Writer", &db);
  writer.TRParams().Add("write");
  writer.TRParams().Add("read_committed");
  writer.TRParams().Add("rec_version");
  writer.TRParams().Add("nowait");
  for (const std::string& line : c.Lines) tr.TRParams().Add(line);
  tr.SetTPBMode(c.Mode);
  db.OpenConnection();

  tr.StartTransaction();
  EXPECT_EQ(LinesOf(tr.TRParams()), c.Started);
  EXPECT_EQ(Query(db, tr, "SELECT COUNT(*) FROM T"), 0);
  writer.StartTransaction();
  Execute(db, writer, "INSERT INTO T VALUES (1)");
  writer.Commit();
  EXPECT_EQ(Query(db, tr, "SELECT COUNT(*) FROM T"), c.SeesLaterCommits ? 1 : 0);
  if (c.CanWrite) {
    EXPECT_NO_THROW(Execute(db, tr, "INSERT INTO T VALUES (2)"));
  } else {
    EXPECT_THROW(Execute(db, tr, "INSERT INTO T VALUES (2)"), EFIBInterBaseError);
  }
  tr.Rollback();
}

const std::vector<std::string> ProgramLines = {"read", "nowait", "rec_version", "read_committed"};

INSTANTIATE_TEST_SUITE_P(
    Modes, TPBModeTest,
    ::testing::Values(TPBModeCase{"ReadCommittedReplacesTheLines",
                                  tpbReadCommitted,
                                  ProgramLines,
                                  {"write", "nowait", "rec_version", "read_committed"},
                                  true,
                                  true},
                      // The server refuses rec_version without read committed.
                      TPBModeCase{"RepeatableReadIsASnapshot",
                                  tpbRepeatableRead,
                                  ProgramLines,
                                  {"write", "nowait", "concurrency"},
                                  true,
                                  false},
                      TPBModeCase{"DefaultKeepsTheProgramsReadOnlyLines", tpbDefault, ProgramLines,
                                  ProgramLines, false, true},
                      TPBModeCase{"DefaultWithoutLinesIsTheServersDefault", tpbDefault, {}, {}, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Aliases --------------------------------------------------------------------------------

TEST_F(AppDatabaseTest, AConnectWritesTheAliasAndAnotherConnectionReadsIt) {
  TpFIBDatabase& first = NewAppDatabase("First");
  first.SetParamValue(std::string_view("sql_role_name"), "READER");
  first.SetAliasName("phones");  // nothing stored yet: nothing changes
  EXPECT_EQ(first.DBName(), DatabasePath());
  first.OpenConnection();

  const auto stored =
      ReadRegValues("Software\\DAZA_Roruzure\\Aliases\\phones",
                    {"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT", "password"});
  ASSERT_TRUE(stored);
  std::vector<std::string> texts;
  for (const TRegReadValue& value : *stored) texts.push_back(value.Found ? value.Value.AsString() : "(none)");
  EXPECT_EQ(texts, (std::vector<std::string>{DatabasePath(), TestServerUser(), "WIN1251", "READER", "3", "(none)"}));

  auto* second = new TpFIBDatabase(&Form());  // owned by the form
  second->SetName("Second");
  second->SetAliasName("phones");
  EXPECT_EQ(second->DBName(), DatabasePath());
  EXPECT_EQ(second->ParamValue(std::string_view("user_name")), TestServerUser());
  EXPECT_EQ(second->ParamValue(std::string_view("lc_ctype")), "WIN1251");
  EXPECT_EQ(second->ParamValue(std::string_view("sql_role_name")), "READER");
  EXPECT_EQ(second->SQLDialect(), 3);
}

TEST_F(AppDatabaseTest, WithoutSaveDBParamsAConnectLeavesTheRegistryAlone) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.SetSaveDBParams(false);
  db.SetAliasName("phones");
  db.OpenConnection();
  EXPECT_FALSE(ReadRegValues("Software\\DAZA_Roruzure\\Aliases\\phones", {"Database Name"}));
}

TEST_F(AppDatabaseTest, AMissingAliasLeavesTheConnectionAsItWas) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.SetAliasName("nowhere");
  EXPECT_EQ(db.AliasName(), "nowhere");
  EXPECT_EQ(db.DBName(), DatabasePath());
  EXPECT_EQ(LinesOf(db.DBParams()), ConnectionLines());
  EXPECT_FALSE(db.ReadAlias());
}

TEST_F(AppDatabaseTest, AnAliasWithoutADatabaseNameStillGivesItsOtherValues) {
  WriteRegValues("Software\\DAZA_Roruzure\\Aliases\\partial", {"user_name", "SQL_DIALECT"},
                 {Variant("GUEST"), Variant("1")});
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.SetAliasName("partial");
  EXPECT_EQ(db.DBName(), DatabasePath());
  EXPECT_EQ(db.ParamValue(std::string_view("user_name")), "GUEST");
  EXPECT_EQ(db.SQLDialect(), 1);
  EXPECT_FALSE(db.ReadAlias());
}

TEST_F(AppDatabaseTest, TheAliasCannotChangeUnderAnOpenConnection) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.OpenConnection();
  EXPECT_EQ(ClientErrorOf([&] { db.SetAliasName("phones"); }), ceDatabaseOpen);
  EXPECT_EQ(db.AliasName(), "");
}

// ---- A lost connection -----------------------------------------------------------------------

// What the lost-connection handling did, as the events and hooks saw it.
struct TLossLog {
  std::vector<std::string> Events;
  int Terminations = 0;
  std::vector<std::string> Messages;
};

class LostConnectionTest : public AppDatabaseTest {
 protected:
  void SetUp() override {
    AppDatabaseTest::SetUp();
    FDB = &NewAppDatabase("DB");
    FTR = &NewAppTransaction("TR", FDB);
    FLink = std::make_unique<TFIBBase>(nullptr);
    FLink->OnDatabaseLost = [this](TObject*) { FLog.Events.push_back("link lost"); };
    FLink->SetDatabase(FDB);
    SetLostConnectionHooks({[this](const std::string& text) { FLog.Messages.push_back(text); },
                            [this] { ++FLog.Terminations; }});
    FDB->OpenConnection();
    FTR->StartTransaction();
  }

  void TearDown() override {
    FLink.reset();
    AppDatabaseTest::TearDown();
  }

  // Drops the connection and then closes it, choosing the given action.
  void LoseAndClose(TOnLostConnectActions choice) {
    FDB->OnLostConnect = [this, choice](TObject* sender, const EFIBError& e, TOnLostConnectActions& action) {
      EXPECT_EQ(sender, FDB);
      EXPECT_EQ(action, laCloseConnect);
      EXPECT_NE(e.ServerErrorCode(), 0);
      FLog.Events.push_back("lost");
      action = choice;
    };
    DropOtherAttachments();
    EXPECT_NO_THROW(FDB->CloseConnection(false));
  }

  TpFIBDatabase& DB() { return *FDB; }
  TpFIBTransaction& TR() { return *FTR; }
  TLossLog& Log() { return FLog; }

 private:
  TpFIBDatabase* FDB = nullptr;
  TpFIBTransaction* FTR = nullptr;
  std::unique_ptr<TFIBBase> FLink;
  TLossLog FLog;
};

TEST_F(LostConnectionTest, ProbingALiveConnectionSucceeds) {
  EXPECT_TRUE(DB().ProbeConnection(laCloseConnect));
  EXPECT_TRUE(Log().Events.empty());
  EXPECT_TRUE(DB().Connected());
}

TEST_F(LostConnectionTest, ClosingALostConnectionReleasesItWithoutAnError) {
  std::vector<std::string> ends;
  TR().AfterEnd = [&](TFIBTransaction*, TTransactionAction action, bool force) {
    ends.push_back(std::to_string(action) + (force ? " forced" : ""));
  };
  int disconnects = 0;
  DB().AfterDisconnect = [&](TObject*) { ++disconnects; };
  LoseAndClose(laCloseConnect);
  EXPECT_EQ(Log().Events, (std::vector<std::string>{"lost", "link lost"}));
  EXPECT_FALSE(DB().Connected());
  EXPECT_FALSE(TR().Active());
  EXPECT_FALSE(TR().HandleReleased());
  EXPECT_EQ(TR().TransactionState(), tsInactive);
  EXPECT_EQ(ends, std::vector<std::string>{"2 forced"});
  // The close itself never reached the server: no disconnect events.
  EXPECT_EQ(disconnects, 0);
  EXPECT_EQ(Log().Terminations, 0);

  // The connection can be opened again by hand.
  DB().OpenConnection();
  TR().StartTransaction();
  EXPECT_EQ(Query(DB(), TR(), "SELECT COUNT(*) FROM RDB$DATABASE"), 1);
  TR().Commit();
}

TEST_F(LostConnectionTest, IgnoringALostConnectionKeepsItAsItIs) {
  LoseAndClose(laIgnore);
  EXPECT_EQ(Log().Events, std::vector<std::string>{"lost"});
  EXPECT_TRUE(DB().Connected());
  EXPECT_TRUE(TR().Active());
  // The next probe finds it lost again; this time it is given up.
  DB().OnLostConnect = nullptr;
  EXPECT_FALSE(DB().ProbeConnection(laCloseConnect));
  EXPECT_FALSE(DB().Connected());
  EXPECT_FALSE(TR().Active());
}

TEST_F(LostConnectionTest, TerminatingAsksTheProgramToEnd) {
  LoseAndClose(laTerminateApp);
  EXPECT_FALSE(DB().Connected());
  EXPECT_FALSE(TR().Active());
  EXPECT_EQ(Log().Terminations, 1);
}

TEST_F(LostConnectionTest, WithoutTheProgramsHooksTerminatingOnlyCloses) {
  SetLostConnectionHooks({});
  LoseAndClose(laTerminateApp);
  EXPECT_FALSE(DB().Connected());
  EXPECT_EQ(Log().Terminations, 0);
}

TEST_F(LostConnectionTest, WaitingReconnectsOnTheTimer) {
  DB().SetWaitForRestoreConnect(5000);
  int restored = 0;
  DB().AfterRestoreConnect = [&] { ++restored; };
  LoseAndClose(laWaitRestore);
  EXPECT_FALSE(DB().Connected());
  Clock().Advance(4999);
  EXPECT_FALSE(DB().Connected());
  Clock().Advance(1);
  EXPECT_TRUE(DB().Connected());
  EXPECT_EQ(restored, 1);
  // Once restored, the timer stays quiet.
  DB().SetConnected(false);
  Clock().Advance(20000);
  EXPECT_FALSE(DB().Connected());
  EXPECT_EQ(restored, 1);
}

TEST_F(LostConnectionTest, WaitingWithoutATimerOnlyCloses) {
  EXPECT_EQ(DB().WaitForRestoreConnect(), 0u);
  LoseAndClose(laWaitRestore);
  Clock().Advance(60000);
  EXPECT_FALSE(DB().Connected());
}

TEST_F(LostConnectionTest, AFailedReconnectIsReportedAndTriedAgain) {
  DB().SetWaitForRestoreConnect(1000);
  LoseAndClose(laWaitRestore);
  const std::string path = DB().DBName();
  DB().SetDBName(path + ".moved");
  std::vector<TOnLostConnectActions> offered;
  DB().OnErrorRestoreConnect = [&](TObject* sender, const EFIBError& e, TOnLostConnectActions& action) {
    EXPECT_EQ(sender, &DB());
    EXPECT_NE(e.ServerErrorCode(), 0);
    offered.push_back(action);
  };
  Clock().Advance(1000);
  Clock().Advance(1000);
  EXPECT_EQ(offered, (std::vector<TOnLostConnectActions>{laIgnore, laIgnore}));
  EXPECT_FALSE(DB().Connected());

  DB().SetDBName(path);
  Clock().Advance(1000);
  EXPECT_TRUE(DB().Connected());
  EXPECT_EQ(offered.size(), 2u);
  EXPECT_TRUE(Log().Messages.empty());
}

TEST_F(LostConnectionTest, AFailedReconnectCanEndTheProgramAfterSayingWhy) {
  DB().SetWaitForRestoreConnect(1000);
  LoseAndClose(laWaitRestore);
  DB().SetDBName(DB().DBName() + ".moved");
  std::string reported;
  DB().OnErrorRestoreConnect = [&](TObject*, const EFIBError& e, TOnLostConnectActions& action) {
    reported = e.Message();
    action = laTerminateApp;
  };
  Clock().Advance(1000);
  EXPECT_EQ(Log().Messages, std::vector<std::string>{reported});
  EXPECT_FALSE(reported.empty());
  EXPECT_EQ(Log().Terminations, 1);
  // No second message while the program ends.
  Clock().Advance(5000);
  EXPECT_EQ(Log().Messages.size(), 1u);
}

TEST_F(LostConnectionTest, AFailedReconnectThatShouldEndTheProgramWithoutHooksIsRaised) {
  DB().SetWaitForRestoreConnect(1000);
  LoseAndClose(laWaitRestore);
  SetLostConnectionHooks({});
  DB().SetDBName(DB().DBName() + ".moved");
  DB().OnErrorRestoreConnect = [&](TObject*, const EFIBError&, TOnLostConnectActions& action) {
    action = laTerminateApp;
  };
  EXPECT_THROW(Clock().Advance(1000), EFIBInterBaseError);
}

TEST_F(LostConnectionTest, ATimerLeftFromALossDoesNotReopenAConnectionClosedOnPurpose) {
  DB().SetWaitForRestoreConnect(1000);
  LoseAndClose(laWaitRestore);
  // The program connects again by itself before the timer does, and closes
  // on purpose: the connection stays closed.
  DB().OpenConnection();
  DB().SetConnected(false);
  Clock().Advance(5000);
  EXPECT_FALSE(DB().Connected());
}

TEST_F(LostConnectionTest, DestroyingALostConnectionGoesThroughTheLostConnectionHandling) {
  TComponent owner(nullptr);
  auto* db = new TpFIBDatabase(&owner);  // owned by owner
  db->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
  db->SetSynchronizeTime(false);
  int lost = 0;
  db->OnLostConnect = [&](TObject*, const EFIBError&, TOnLostConnectActions&) { ++lost; };
  db->OpenConnection();
  DB().CloseConnection(false);  // the fixture's own attachment stays out of it
  DropOtherAttachments();
  EXPECT_NO_THROW(owner.DestroyComponents());
  EXPECT_EQ(lost, 1);
}

// ---- Statements and transactions of a lost connection -----------------------------------

class LostStatementTest : public AppDatabaseTest {
 protected:
  void SetUp() override {
    AppDatabaseTest::SetUp();
    ExecuteSQL("create table T (ID integer)");
    for (int id = 1; id <= 5; ++id) ExecuteSQL("insert into T values (" + std::to_string(id) + ")");
    FDB = &NewAppDatabase("DB");
    FTR = &NewAppTransaction("TR", FDB);
    FDB->OpenConnection();
    FTR->StartTransaction();
  }

  TFIBQuery& NewQuery(const std::string& name, std::string_view sql) {
    auto* query = new TFIBQuery(&Form());  // owned by the form
    query->SetName(name);
    query->SetDatabase(FDB);
    query->SetTransaction(FTR);
    query->SQL().SetText(sql);
    return *query;
  }

  // The server drops this connection's attachment alone, as an
  // administrator would; the next close finds it gone.
  void DropTheConnection() {
    TFIBQuery& self = NewQuery("Self", "select current_connection from rdb$database");
    self.ExecQuery();
    const std::int64_t id = self.Fields(0).AsInt64();
    self.CloseCursor();
    ExecuteSQL("delete from mon$attachments where mon$attachment_id = " + std::to_string(id));
    EXPECT_NO_THROW(FDB->CloseConnection(false));
    EXPECT_FALSE(FDB->Connected());
  }

  // Rows of the select, fetched to the end.
  static int CountRows(TFIBQuery& query) {
    query.ExecQuery();
    int rows = 0;
    while (!query.Eof()) {
      ++rows;
      query.FetchNext();
    }
    return rows;
  }

  // The transaction is over, and a new connection works as if nothing happened.
  void ExpectAFreshStart(TFIBQuery& query) {
    EXPECT_FALSE(FTR->Active());
    EXPECT_FALSE(FTR->HandleReleased());
    EXPECT_EQ(FTR->TransactionState(), tsInactive);
    FDB->OpenConnection();
    FTR->StartTransaction();
    EXPECT_TRUE(FTR->Active());
    EXPECT_EQ(CountRows(query), 5);
    FTR->Commit();
    EXPECT_FALSE(FTR->Active());
  }

  TpFIBDatabase* FDB = nullptr;
  TpFIBTransaction* FTR = nullptr;
};

TEST_F(LostStatementTest, PreparedStatementForgetsItsHandleAndPreparesAgainAfterReconnecting) {
  TFIBQuery& q = NewQuery("Q", "select ID from T");
  q.Prepare();
  ASSERT_NE(q.Handle(), 0u);
  DropTheConnection();
  EXPECT_FALSE(q.Prepared());
  EXPECT_EQ(q.Handle(), 0u);
  EXPECT_FALSE(q.Open());
  ExpectAFreshStart(q);
}

TEST_F(LostStatementTest, OpenCursorLeavesNeitherStatementNorTransactionStuck) {
  TFIBQuery& q = NewQuery("Q", "select ID from T");
  q.ExecQuery();
  ASSERT_TRUE(q.Open());
  ASSERT_FALSE(q.Eof());
  DropTheConnection();
  EXPECT_FALSE(q.Open());
  EXPECT_TRUE(q.Eof());
  EXPECT_FALSE(q.Prepared());
  EXPECT_EQ(q.Handle(), 0u);
  ExpectAFreshStart(q);
}

// The client library keeps its own record of an attachment and of its
// statements; one left behind by a lost connection with an open cursor
// brought the program down as it ended. The test above, in a program of its
// own, must end cleanly.
TEST_F(LostStatementTest, AProgramThatLostAConnectionWithAnOpenCursorEndsCleanly) {
  const std::string output = (std::filesystem::path(Folder()) / "child.txt").string();
  const int code = RunThisProgram(
      {"--gtest_filter=LostStatementTest.OpenCursorLeavesNeitherStatementNorTransactionStuck"}, output);
  EXPECT_EQ(code, 0) << ReadFileText(output);
}

// Whatever a hook of the ending raises, the transaction of a lost
// connection ends.
enum class TRaisingHook { LinkEnding, LinkEnded, BeforeEnd, AfterEnd, DatabaseBeforeEnd, DatabaseAfterEnd };
void PrintTo(TRaisingHook hook, std::ostream* os) {
  constexpr const char* Names[] = {"LinkEnding", "LinkEnded",         "BeforeEnd",
                                   "AfterEnd",   "DatabaseBeforeEnd", "DatabaseAfterEnd"};
  *os << Names[static_cast<int>(hook)];
}

class LostConnectionWithARaisingHook : public LostStatementTest,
                                       public ::testing::WithParamInterface<TRaisingHook> {
 protected:
  // Makes the parameter's hook raise; the link stands for a statement or dataset.
  void RaiseIn(TFIBBase& link) {
    const auto raise = [] { throw Exception("hook failed"); };
    switch (GetParam()) {
      case TRaisingHook::LinkEnding:
        link.OnTransactionEnding = [=](TObject*) { raise(); };
        break;
      case TRaisingHook::LinkEnded:
        link.OnTransactionEnded = [=](TObject*) { raise(); };
        break;
      case TRaisingHook::BeforeEnd:
        FTR->BeforeEnd = [=](TFIBTransaction*, TTransactionAction, bool) { raise(); };
        break;
      case TRaisingHook::AfterEnd:
        FTR->AfterEnd = [=](TFIBTransaction*, TTransactionAction, bool) { raise(); };
        break;
      case TRaisingHook::DatabaseBeforeEnd:
        FDB->BeforeEndTransaction = [=](TFIBTransaction*, TTransactionAction, bool) { raise(); };
        break;
      case TRaisingHook::DatabaseAfterEnd:
        FDB->AfterEndTransaction = [=](TFIBTransaction*, TTransactionAction, bool) { raise(); };
        break;
    }
  }

  void Quieten(TFIBBase& link) {
    link.OnTransactionEnding = nullptr;
    link.OnTransactionEnded = nullptr;
    FTR->BeforeEnd = nullptr;
    FTR->AfterEnd = nullptr;
    FDB->BeforeEndTransaction = nullptr;
    FDB->AfterEndTransaction = nullptr;
  }
};

TEST_P(LostConnectionWithARaisingHook, StillEndsTheTransaction) {
  TFIBQuery& q = NewQuery("Q", "select ID from T");
  q.ExecQuery();
  TFIBBase link(nullptr);
  link.SetTransaction(FTR);
  RaiseIn(link);
  DropTheConnection();
  Quieten(link);
  ExpectAFreshStart(q);
}

// A forced close, on a live connection, ends its transactions whatever their
// hooks raise: a transaction left active would keep a handle of a detached
// connection that nothing can end.
TEST_P(LostConnectionWithARaisingHook, AForcedCloseStillEndsTheTransaction) {
  TFIBQuery& q = NewQuery("Q", "select ID from T");
  q.ExecQuery();
  TFIBBase link(nullptr);
  link.SetTransaction(FTR);
  RaiseIn(link);
  try {
    FDB->CloseConnection(true);
  } catch (const Exception&) {
  }
  Quieten(link);
  EXPECT_FALSE(FDB->Connected());
  ExpectAFreshStart(q);
}

INSTANTIATE_TEST_SUITE_P(Hooks, LostConnectionWithARaisingHook,
                         ::testing::Values(TRaisingHook::LinkEnding, TRaisingHook::LinkEnded,
                                           TRaisingHook::BeforeEnd, TRaisingHook::AfterEnd,
                                           TRaisingHook::DatabaseBeforeEnd, TRaisingHook::DatabaseAfterEnd),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST_F(AppDatabaseTest, TheRestoreIntervalReadsZeroUntilATimerIsMade) {
  TpFIBDatabase& db = NewAppDatabase("DB");
  EXPECT_EQ(db.WaitForRestoreConnect(), 0u);
  db.SetWaitForRestoreConnect(30000);
  EXPECT_EQ(db.WaitForRestoreConnect(), 30000u);
  db.SetWaitForRestoreConnect(0);
  EXPECT_EQ(db.WaitForRestoreConnect(), 0u);
}

}  // namespace
