// The statement's trace points reaching a monitor: prepare, execute and
// fetch messages with the statement's values, named after the dataset that
// owns the statement.

#include "dbaccess/trace/statement_trace_hooks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "dbaccess/statement/query.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/data/memory_dataset.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/dbaccess/monitor_thread.h"
#include "tests/support/text_query.h"

namespace {

class StatementTraceTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL("create table T (ID integer, NAME varchar(20))");
    ExecuteSQL("insert into T values (1, 'one')");
    ExecuteSQL("insert into T values (2, 'two')");
    // A hook an earlier test made writes to another channel.
    RestartSQLMonitor();
    SetSQLMonitorChannelSuffix(FSuffix);
    MakeConnection(false);
  }
  void TearDown() override {
    if (FTR->Active()) FTR->Rollback();
    FDB->SetConnected(false);
    RestartSQLMonitor();
    ConnectionTest::TearDown();
  }

  void Connect() {
    FDB->SetConnected(true);
    FTR->StartTransaction();
  }

  TFIBQuery& NewQuery(TComponent* owner, std::string_view sql) {
    auto* query = new TFIBQuery(owner);  // owned by owner
    query->SetName("Q");
    query->SetDatabase(FDB);
    query->SetTransaction(FTR);
    query->SQL().SetText(sql);
    return *query;
  }

  // The statement messages among the chunks, with the monitor's header cut.
  static std::vector<std::string> StatementTexts(const std::vector<TMonitorChunk>& chunks) {
    const std::string header = "\r\n[Application: dbaccess_db_tests]\r\n";
    std::vector<std::string> texts;
    for (const TMonitorChunk& chunk : chunks) {
      if (chunk.Kind != TTraceKind::Prepare && chunk.Kind != TTraceKind::Execute &&
          chunk.Kind != TTraceKind::Fetch)
        continue;
      EXPECT_EQ(chunk.Text.substr(0, header.size()), header);
      texts.push_back(chunk.Text.substr(header.size()));
    }
    return texts;
  }

  // The execution time varies: written "N".
  static std::string WithoutTicks(const std::string& text) {
    return std::regex_replace(text, std::regex("tick count \\d+"), "tick count N");
  }

  const std::string FSuffix = ".statement-trace." + std::to_string(getpid());
};

TEST_F(StatementTraceTest, PrepareExecuteAndFetchAreReportedInOrderWithTheirValues) {
  TMonitorThread monitor(FSuffix, false);
  for (TTraceKind kind : {TTraceKind::Prepare, TTraceKind::Execute, TTraceKind::Fetch})
    monitor.Reader().SetSwitch(kind, true);
  Connect();
  TFIBQuery& q = NewQuery(&Form(), "select ID, NAME from T\nwhere ID = :ID");
  q.SetGoToFirstRecordOnExecute(false);
  q.ParamByName("ID").SetAsInteger(2);
  q.ExecQuery();
  ASSERT_NE(q.FetchNext(), nullptr);
  EXPECT_EQ(q.FetchNext(), nullptr);
  q.CloseCursor();

  const std::vector<std::string> texts = StatementTexts(monitor.WaitFor(4));
  const std::string sql = "select ID, NAME from T\r\nwhere ID = :ID\r\n";
  const std::vector<std::string> expected{
      "Q: [Prepare] " + sql + "\r\n  Plan: PLAN (T NATURAL)",
      "Q: [Execute] " + sql + "\r\n  ID = 2\r\nExecute tick count N",
      "\r\nQ: [Fetch] " + sql + "ID = 2\r\nNAME = two\r\n",
      "\r\nQ: [Fetch] " + sql + "ID = 2\r\nNAME = two\r\n\r\n  End of file reached"};
  ASSERT_EQ(texts.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(WithoutTicks(texts[i]), expected[i]);
}

TEST_F(StatementTraceTest, AnUpdateReportsTheRowsItTouched) {
  TMonitorThread monitor(FSuffix, false);
  monitor.Reader().SetSwitch(TTraceKind::Execute, true);
  Connect();
  TFIBQuery& q = NewQuery(&Form(), "update T set NAME = :NAME");
  q.ParamByName("NAME").SetAsString("x");
  q.ExecQuery();

  const std::vector<std::string> texts = StatementTexts(monitor.WaitFor(1));
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(WithoutTicks(texts[0]),
            "Q: [Execute] update T set NAME = :NAME\r\n\r\n  NAME = 'x'\r\nRows Affected:  2\r\n"
            "Execute tick count N");
}

TEST_F(StatementTraceTest, AStatementOfADataSetGoesByTheDataSetsName) {
  TMonitorThread monitor(FSuffix, false);
  monitor.Reader().SetSwitch(TTraceKind::Prepare, true);
  Connect();
  TMemoryDataSet& dataset = *new TMemoryDataSet(&Form());  // owned by the form
  dataset.SetName("Phones");
  NewQuery(&dataset, "select ID from T").Prepare();

  const std::vector<std::string> texts = StatementTexts(monitor.WaitFor(1));
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Phones: [Prepare] select ID from T\r\n", 0), 0u) << texts[0];
}

TEST_F(StatementTraceTest, NothingIsSentForKindsTheMonitorDoesNotWant) {
  TMonitorThread monitor(FSuffix, false);
  monitor.Reader().SetSwitch(TTraceKind::Execute, true);
  Connect();
  TFIBQuery& q = NewQuery(&Form(), "select ID from T");
  q.ExecQuery();
  while (q.FetchNext() != nullptr) {
  }
  q.CloseCursor();

  const std::vector<TMonitorChunk> chunks = monitor.WaitFor(2, std::chrono::milliseconds(500));
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].Kind, TTraceKind::Execute);
}

// The trace channel is a local affair whatever the connection reaches: a
// statement over the network to the test server is traced as on the
// embedded engine, the server's plan included.
TEST_F(StatementTraceTest, AStatementOverTheNetworkIsTracedAsALocalOne) {
  TULVO_SKIP_UNLESS_ON_TEST_SERVER();
  TMonitorThread monitor(FSuffix, false);
  for (TTraceKind kind : {TTraceKind::Connect, TTraceKind::Prepare, TTraceKind::Execute})
    monitor.Reader().SetSwitch(kind, true);
  Connect();
  EXPECT_EQ(TTextQuery(FDB->HandleAddress(), FTR->HandleAddress())
                .WholeNumber("select count(*) from mon$attachments where mon$attachment_id = current_connection"
                             " and mon$remote_protocol starting with 'TCP'"),
            1);
  TFIBQuery& q = NewQuery(&Form(), "select NAME from T where ID = :ID");
  q.ParamByName("ID").SetAsInteger(1);
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsString(), "one");
  q.CloseCursor();

  const std::vector<TMonitorChunk> chunks = monitor.WaitFor(3);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Kind, TTraceKind::Connect);
  EXPECT_EQ(chunks[0].Text, "\r\n[Application: dbaccess_db_tests]\r\nDB: [Connect]");
  const std::vector<std::string> texts = StatementTexts(chunks);
  const std::string sql = "select NAME from T where ID = :ID\r\n";
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Q: [Prepare] " + sql + "\r\n  Plan: PLAN (T NATURAL)");
  EXPECT_EQ(WithoutTicks(texts[1]), "Q: [Execute] " + sql + "\r\n  ID = 1\r\nExecute tick count N");
}

}  // namespace
