// The connection's and the transaction's trace points reaching a monitor.

#include "dbaccess/trace/trace_hooks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/trace/sql_monitor.h"
#include "dbaccess/connection/transaction.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/dbaccess/monitor_thread.h"

namespace {

class TraceHooksTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    // A hook an earlier case made traces to its own channel: start afresh.
    RestartSQLMonitor();
    SetSQLMonitorChannelSuffix(FSuffix);
  }
  void TearDown() override {
    RestartSQLMonitor();
    ConnectionTest::TearDown();
  }

  const std::string FSuffix = ".trace-hooks." + std::to_string(getpid());
};

TEST_F(TraceHooksTest, ConnectionAndTransactionReportTheirWork) {
  TMonitorThread monitor(FSuffix);
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  db.SetConnected(true);
  tr.StartTransaction();
  tr.CommitRetaining();
  tr.Rollback();
  db.SetConnected(false);

  const std::vector<std::string> expected{R"(DB: \[Connect\])", R"(TR: \[Start transaction\]\([1-9]\d*\))",
                                          R"(TR: \[Commit retaining \(Soft commit\)\]\([1-9]\d*\))",
                                          R"(TR: \[Rollback\]\(\d+\))", R"(DB: \[Disconnect\])"};
  const std::vector<TMonitorChunk> chunks = monitor.WaitFor(expected.size());
  ASSERT_EQ(chunks.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::regex text("\r\n\\[Application: dbaccess_db_tests\\]\r\n" + expected[i]);
    EXPECT_TRUE(std::regex_match(chunks[i].Text, text)) << chunks[i].Text;
  }
}

TEST_F(TraceHooksTest, NothingIsTracedWhileTheSwitchesAreOff) {
  TMonitorThread monitor(FSuffix, false);
  monitor.Reader().SetSwitch(TTraceKind::Transaction, true);
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  db.SetConnected(true);
  tr.StartTransaction();
  tr.Commit();
  db.SetConnected(false);

  const std::vector<TMonitorChunk> chunks = monitor.WaitFor(2);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].Kind, TTraceKind::Transaction);
  EXPECT_EQ(chunks[1].Kind, TTraceKind::Transaction);
  EXPECT_EQ(monitor.WaitFor(3, std::chrono::milliseconds(300)).size(), 2u);
}

}  // namespace
