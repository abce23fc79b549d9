// The statement component on the embedded engine: prepare, execute, fetch,
// parameters and macros, the IS NULL rewrite, plans, row counts, automatic
// commits, and what happens when the transaction or the connection goes.

#include "dbaccess/statement/query.h"

#include <gtest/gtest.h>

#include <ostream>

#include "dbaccess/client/errors.h"
#include "dbaccess/statement/query_conditions.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

class QueryTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL("create table T (ID integer, NAME varchar(20))");
    ExecuteSQL("insert into T values (1, 'one')");
    ExecuteSQL("insert into T values (2, 'two')");
    ExecuteSQL("insert into T values (3, 'three')");
    ExecuteSQL("insert into T values (null, 'none')");
  }

  TFIBQuery& NewQuery(std::string_view sql, const std::string& name = "Q") {
    return NewStatement(FDB, FTR, sql, name);
  }

  // The first column of every row the query gives, as text.
  static std::string Column(TFIBQuery& query) {
    std::string rows;
    query.ExecQuery();
    for (TFIBXSQLDA* row = query.Open() && !query.Eof() ? &query.Fields() : nullptr; row != nullptr;
         row = query.FetchNext()) {
      if (!rows.empty()) rows += ",";
      rows += (*row)[0].IsNull() ? "null" : (*row)[0].AsString();
    }
    query.CloseCursor();
    return rows;
  }

  TFormatSettingsScope FRussian{TFormatSettings::Russian()};
};

// ---- Prepare, execute, fetch -------------------------------------------------------------

TEST_F(QueryTest, SelectFetchesRowByRow) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID, NAME from T where ID is not null order by ID");
  q.ExecQuery();
  EXPECT_EQ(q.SQLType(), SQLSelect);
  EXPECT_TRUE(q.Open());
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_FALSE(q.Bof());
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "one");
  ASSERT_NE(q.FetchNext(), nullptr);
  ASSERT_NE(q.FetchNext(), nullptr);
  EXPECT_EQ(q.Fields(0).AsInteger(), 3);
  EXPECT_EQ(q.FetchNext(), nullptr);
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.FetchNext(), nullptr);
  q.CloseCursor();
  EXPECT_FALSE(q.Open());
  EXPECT_TRUE(q.Prepared());
}

TEST_F(QueryTest, SelectWithoutRowsIsAtTheEndRightAfterExecuting) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T where 1 = 0");
  q.ExecQuery();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_TRUE(q.Fields(0).IsNull());
}

TEST_F(QueryTest, WithoutGoingToTheFirstRowColumnsReadNullUntilFetched) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T where ID = 2");
  q.SetGoToFirstRecordOnExecute(false);
  q.ExecQuery();
  EXPECT_TRUE(q.Bof());
  EXPECT_TRUE(q.Fields(0).IsNull());
  ASSERT_NE(q.FetchNext(), nullptr);
  EXPECT_EQ(q.Fields(0).AsInteger(), 2);
}

TEST_F(QueryTest, BlankTextFailsToPrepare) {
  MakeConnection();
  TFIBQuery& q = NewQuery("  \r\n \t");
  try {
    q.Prepare();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceEmptyQuery);
    EXPECT_EQ(e.Message(), "Can't Prepare , because  query is empty");
  }
}

TEST_F(QueryTest, StatementNeedsConnectionAndTransaction) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.SetTransaction(nullptr);
  q.SetDatabase(nullptr);
  try {
    q.Prepare();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Database not assigned for MainForm.Q.");
  }
  FDB->SetDefaultTransaction(nullptr);
  q.SetDatabase(FDB);
  try {
    q.Prepare();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Transaction not assigned for MainForm.Q.");
  }
}

// A prepared statement whose transaction has gone is refused before
// anything reaches the transaction, whether or not it has parameters.
enum class TTransactionLoss { SetToNone, Freed };

struct TLossCase {
  const char* Name;
  TTransactionLoss Loss;
  const char* Text;
};
void PrintTo(const TLossCase& c, std::ostream* os) { *os << c.Name; }

class PreparedStatementLosingItsTransaction : public QueryTest,
                                              public ::testing::WithParamInterface<TLossCase> {};

TEST_P(PreparedStatementLosingItsTransaction, RefusesToExecuteWithClientError22) {
  MakeConnection();
  TFIBQuery& q = NewQuery(GetParam().Text);
  if (q.Params().Count() > 0) q.Params()[0].SetAsInteger(1);
  q.Prepare();
  ASSERT_TRUE(q.Prepared());
  if (GetParam().Loss == TTransactionLoss::SetToNone) {
    q.SetTransaction(nullptr);
  } else {
    FTR->Free();
    FTR = nullptr;
  }
  try {
    q.ExecQuery();
    FAIL() << "executed without a transaction";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceTransactionNotAssigned);
    EXPECT_EQ(e.Message(), "Transaction not assigned for MainForm.Q.");
  }
  EXPECT_FALSE(q.Open());
}

INSTANTIATE_TEST_SUITE_P(
    Losses, PreparedStatementLosingItsTransaction,
    ::testing::Values(
        TLossCase{"SetToNone", TTransactionLoss::SetToNone, "select ID from T"},
        TLossCase{"Freed", TTransactionLoss::Freed, "select ID from T"},
        TLossCase{"SetToNoneWithParameter", TTransactionLoss::SetToNone, "select ID from T where ID = :ID"},
        TLossCase{"FreedWithParameter", TTransactionLoss::Freed, "select ID from T where ID = :ID"},
        TLossCase{"FreedUpdate", TTransactionLoss::Freed, "update T set NAME = NAME"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The text executed is the text the statement holds, also when it changed
// while no connection was assigned.
struct TTextSwapCase {
  const char* Name;
  const char* Before;
  const char* After;
  bool ParamCheck;
  const char* Param;  // set to Value when not empty
  const char* Value;
  const char* Rows;
};
void PrintTo(const TTextSwapCase& c, std::ostream* os) { *os << c.Name; }

class TextChangedWithoutAConnection : public QueryTest,
                                      public ::testing::WithParamInterface<TTextSwapCase> {};

TEST_P(TextChangedWithoutAConnection, IsTheTextExecutedOnceConnected) {
  const TTextSwapCase& c = GetParam();
  MakeConnection();
  TFIBQuery& q = NewQuery(c.Before);
  q.SetParamCheck(c.ParamCheck);
  if (q.Params().Count() > 0) q.Params()[0].SetAsInteger(1);
  EXPECT_EQ(Column(q), "one");
  q.SetDatabase(nullptr);
  q.SQL().SetText(c.After);
  q.SetDatabase(FDB);
  if (*c.Param != '\0') q.ParamByName(c.Param).SetAsString(c.Value);
  EXPECT_EQ(Column(q), c.Rows);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextChangedWithoutAConnection,
    ::testing::Values(TTextSwapCase{"Plain", "select NAME from T where ID = 1",
                                    "select NAME from T where ID = 2", true, "", "", "two"},
                      TTextSwapCase{"WithoutParamCheck", "select NAME from T where ID = 1",
                                    "select NAME from T where ID = 2", false, "", "", "two"},
                      TTextSwapCase{"OtherParameter", "select NAME from T where ID = :ID",
                                    "select NAME from T where NAME = :N", true, "N", "three", "three"},
                      TTextSwapCase{"ParameterToNone", "select NAME from T where ID = :ID",
                                    "select NAME from T where ID = 2", true, "", "", "two"},
                      TTextSwapCase{"NoneToMacro", "select NAME from T where ID = 1",
                                    "select NAME from T where @@W%ID=3@", true, "", "", "three"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(QueryTest, FailedPrepareDropsTheStatementAndNamesIt) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NOPE from T");
  try {
    q.Prepare();
    FAIL();
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.Message().rfind("MainForm.Q:\r\n", 0), 0u) << e.Message();
  }
  EXPECT_FALSE(q.Prepared());
  EXPECT_EQ(q.Handle(), 0u);
  q.SQL().SetText("select ID from T");
  q.Prepare();
  EXPECT_TRUE(q.Prepared());
}

TEST_F(QueryTest, ChangingTheTextOfAnOpenStatementIsRefused) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.ExecQuery();
  try {
    q.SQL().SetText("select NAME from T");
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceDatasetOpen);
    EXPECT_EQ(e.Message(), "Can't change sql text because MainForm.Q dataset open.");
  }
  EXPECT_EQ(q.SQL().Text(), "select ID from T\r\n");
  EXPECT_TRUE(q.Open());
}

TEST_F(QueryTest, FieldsOutsideTheColumnsRaise) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.Prepare();
  EXPECT_EQ(q.FieldIndex("id"), 0);
  EXPECT_EQ(q.FieldIndex("NAME"), -1);
  try {
    q.Fields(5);
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Field \"Field No: 5\" not found.");
  }
  EXPECT_EQ(ClientErrorOf([&] { q.FieldByName("NAME"); }), ceFieldNotFound);
}

TEST_F(QueryTest, FetchAfterTheTransactionEndedUnderTheCursorRaises) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.SetCloseOnTransactionEnd(false);
  q.ExecQuery();
  FTR->Commit();
  FTR->StartTransaction();
  // The server says the cursor is not open (SQL code -504, status
  // 335544572): the rows were not all read, so this is no end of the result.
  try {
    q.FetchNext();
    FAIL() << "a cut-off result read as complete";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -504);
  }
  EXPECT_FALSE(q.Open());
}

TEST_F(QueryTest, EndingTheTransactionClosesTheCursor) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.ExecQuery();
  FTR->CommitRetaining();
  EXPECT_TRUE(q.Open());
  FTR->Commit();
  EXPECT_FALSE(q.Open());
  EXPECT_TRUE(q.Eof());
}

TEST_F(QueryTest, DisconnectingDropsTheStatement) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  q.ExecQuery();
  FDB->CloseConnection(false);
  EXPECT_FALSE(q.Open());
  EXPECT_FALSE(q.Prepared());
  EXPECT_EQ(q.Handle(), 0u);
}

TEST_F(QueryTest, FetchCallbackMayStopTheFetching) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  int calls = 0;
  q.FetchCallback = [&](int fetched, bool& stop) {
    ++calls;
    stop = fetched >= 2;
  };
  q.ExecQuery();
  q.FetchNext();
  EXPECT_THROW(q.FetchNext(), EAbort);
  EXPECT_EQ(calls, 3);
}

// ---- Other statements -------------------------------------------------------------------

TEST_F(QueryTest, RowsAffectedCountsWhatTheStatementChanged) {
  MakeConnection();
  TFIBQuery& q = NewQuery("update T set NAME = 'x' where ID > 1");
  EXPECT_EQ(q.RowsAffected(), -1);
  q.ExecQuery();
  EXPECT_EQ(q.SQLType(), SQLUpdate);
  EXPECT_EQ(q.RowsAffected(), 2);
  TFIBQuery& insert = NewQuery("insert into T (ID) values (9)", "I");
  insert.ExecQuery();
  EXPECT_EQ(insert.RowsAffected(), 1);
  TFIBQuery& select = NewQuery("select ID from T", "S");
  select.ExecQuery();
  EXPECT_EQ(select.RowsAffected(), -1);
}

TEST_F(QueryTest, PlanOfAPreparedSelect) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T");
  EXPECT_EQ(q.Plan(), "");
  q.Prepare();
  EXPECT_EQ(q.Plan(), "PLAN (T NATURAL)");
}

TEST_F(QueryTest, SelectForUpdateKeepsItsCursorName) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T for update");
  q.Prepare();
  EXPECT_EQ(q.SQLType(), SQLSelectForUpdate);
  const std::string name = q.CursorName();
  ASSERT_EQ(name.size(), 10u);
  EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos);
  q.DropStatement();
  q.Prepare();
  EXPECT_EQ(q.CursorName(), name);
}

TEST_F(QueryTest, ProcedureOutputByParameterName) {
  ExecuteSQL("create procedure TWICE (A integer) returns (B integer) as begin B = A * 2; end");
  MakeConnection();
  TFIBQuery& q = NewQuery("execute procedure TWICE :A");
  q.ParamByName("A").SetAsInteger(21);
  q.ExecQuery();
  EXPECT_EQ(q.SQLType(), SQLExecProcedure);
  EXPECT_EQ(q.ParamByName("B").AsInteger(), 42);
  q.ParamByName("A").SetAsInteger(5);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("B").AsInteger(), 10);
  TFIBQuery& other = NewQuery("select ID from T where ID = :A", "O");
  try {
    other.ParamByName("B");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Parameter \"B\" does not exist in MainForm.O");
  }
}

TEST_F(QueryTest, AutoCommitMakesTheChangeVisible) {
  MakeConnection();
  TFIBQuery& q = NewQuery("insert into T (ID, NAME) values (7, 'seven')");
  q.SetOptions({TpFIBQueryOption::qoAutoCommit});
  q.ExecQuery();
  EXPECT_FALSE(FTR->Active());
  EXPECT_EQ(QueryInt64("select count(*) from T where ID = 7"), 1);
}

TEST_F(QueryTest, StatementStartsItsTransactionWhenAsked) {
  MakeConnection();
  FTR->Commit();
  TFIBQuery& q = NewQuery("select count(*) from T");
  q.SetOptions({TpFIBQueryOption::qoStartTransaction});
  q.ExecQuery();
  EXPECT_TRUE(FTR->Active());
  EXPECT_EQ(q.Fields(0).AsInteger(), 4);
}

// ---- Parameters ------------------------------------------------------------------------------

TEST_F(QueryTest, NullParameterIsComparedWithIsNullAndSwitchingPreparesAgain) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NAME from T where ID = :ID");
  EXPECT_EQ(Column(q), "none");
  EXPECT_EQ(q.ProcessedSQL(), " SELECT NAME FROM T WHERE ID IS NULL  ");
  q.ParamByName("ID").SetAsInteger(2);
  EXPECT_EQ(Column(q), "two");
  EXPECT_EQ(q.ProcessedSQL(), " SELECT NAME FROM T WHERE ID = ? ");
  // The same text again runs on the same prepared statement.
  const TClientHandle valueHandle = q.Handle();
  q.ParamByName("ID").SetAsInteger(3);
  EXPECT_EQ(Column(q), "three");
  EXPECT_EQ(q.Handle(), valueHandle);
  q.ParamByName("ID").SetIsNull(true);
  EXPECT_EQ(Column(q), "none");
}

TEST_F(QueryTest, WithoutForcedIsNullANullMatchesNothing) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NAME from T where ID = :ID");
  q.SetOptions({TpFIBQueryOption::qoNoForceIsNull});
  EXPECT_EQ(Column(q), "");
  q.ParamByName("ID").SetAsInteger(1);
  EXPECT_EQ(Column(q), "one");
}

TEST_F(QueryTest, ParameterWrittenTwiceTakesOneValue) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NAME from T where ID = :N or ID = :N + 1 order by ID");
  q.ParamByName("N").SetAsInteger(2);
  EXPECT_EQ(Column(q), "two,three");
}

TEST_F(QueryTest, MacroValueReachesTheTextAndTheSameValuePreparesNothing) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NAME from T where @@cond%0=1@ order by ID");
  EXPECT_EQ(Column(q), "");
  const Variant values[] = {Variant("ID > 1")};
  q.SetParamValues(values);
  EXPECT_EQ(Column(q), "two,three");
  const TClientHandle handle = q.Handle();
  q.SetParamValues(values);
  EXPECT_EQ(Column(q), "two,three");
  EXPECT_EQ(q.Handle(), handle);
}

TEST_F(QueryTest, ParameterBroughtByAMacroTakesItsValue) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select NAME from T where @@cond%0=1@");
  q.ParamByName("cond").SetAsString("ID = :WANTED");
  q.ParamByName("WANTED").SetAsInteger(3);
  EXPECT_EQ(Column(q), "three");
  EXPECT_EQ(q.ExtraParamNames(), std::vector<std::string>{"WANTED"});
}

TEST_F(QueryTest, QuotedMacroIsOneLiteral) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T where NAME = @@who%#two@");
  EXPECT_EQ(Column(q), "2");
  q.Params()[0].SetAsString("it's");
  EXPECT_EQ(Column(q), "");
}

// The application's form of text: the condition macro stays in the main
// WHERE clause and the applied conditions join it.
TEST_F(QueryTest, AppliedConditionsNarrowTheRowsUntilCancelled) {
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from T\r\nwhere\r\n   @@where%ID is not null@\r\norder by ID");
  EXPECT_EQ(Column(q), "1,2,3");
  q.Conditions().AddCondition("from", "ID >= :LOW", true);
  q.Conditions().AddCondition("name", "NAME <> 'three'", true);
  q.Conditions().Apply();
  q.ParamByName("LOW").SetAsInteger(2);
  EXPECT_EQ(Column(q), "2");
  q.Params()[0].SetAsString("ID < 3");
  EXPECT_EQ(Column(q), "2");
  q.Conditions().CancelApply();
  EXPECT_EQ(Column(q), "1,2");
}

TEST_F(QueryTest, DateParameterGivenAsFloatIsSentAsDate) {
  ExecuteSQL("create table D (ID integer, D date)");
  ExecuteSQL("insert into D values (1, '2024-02-29')");
  MakeConnection();
  TFIBQuery& q = NewQuery("select ID from D where D = :D");
  q.Prepare();
  q.ParamByName("D").SetAsDouble(EncodeDate(2024, 2, 29));
  EXPECT_EQ(Column(q), "1");
}

TEST_F(QueryTest, DecimalCommaTextReachesANumericParameter) {
  ExecuteSQL("create table N (ID integer, V numeric(9,2))");
  MakeConnection();
  TFIBQuery& insert = NewQuery("insert into N (ID, V) values (:ID, :V)", "I");
  // Set before the server described the parameter, and after.
  insert.SetParamValues({Variant(1), Variant("12,5")});
  insert.ExecQuery();
  insert.SetParamValues({Variant(2), Variant("-0,25")});
  insert.ExecQuery();
  TFIBQuery& select = NewQuery("select V from N order by ID", "S");
  EXPECT_EQ(Column(select), "12,5,-0,25");
}

TEST_F(QueryTest, LongTextGoesToABlobParameterAndBack) {
  ExecuteSQL("create table B (ID integer, BT blob sub_type text, VC varchar(10))");
  MakeConnection();
  const std::string text = RU("Длинный текст ") + std::string(40000, 'x');
  TFIBQuery& insert = NewQuery("insert into B (ID, BT, VC) values (1, :BT, :VC)", "I");
  insert.ParamByName("BT").SetAsString(text);
  insert.ParamByName("VC").SetAsString("short");
  insert.ExecQuery();
  TFIBQuery& select = NewQuery("select BT from B where VC = :VC", "S");
  select.ParamByName("VC").SetAsString("short");
  select.ExecQuery();
  EXPECT_EQ(select.Fields(0).AsString(), text);
}

// ---- Every column type, through the statement's parameters ------------------------------------

TEST_F(QueryTest, EveryColumnTypeRoundTripsThroughParameters) {
  ExecuteSQL(
      "create table ALL_TYPES (ID integer, SM smallint, BI bigint, N92 numeric(9,2), N184 numeric(18,4),"
      " F float, DP double precision, C char(4), VC varchar(20), DT date, TM time, TS timestamp, B boolean,"
      " BT blob sub_type text)");
  MakeConnection();
  TFIBQuery& insert = NewQuery(
      "insert into ALL_TYPES values (:ID, :SM, :BI, :N92, :N184, :F, :DP, :C, :VC, :DT, :TM, :TS, :B, :BT)",
      "I");
  const TDateTime when = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 250);
  const Variant values[] = {Variant(1),
                            Variant(std::int16_t{-5}),
                            Variant(std::int64_t{-9223372036854775807}),
                            Variant("-1234567,89"),
                            Variant(TCurrency{-9223372036854775807}),
                            Variant(0.25),
                            Variant(1e300),
                            Variant(RU("Ёж")),
                            Variant(RU("Ёлка зелёная")),
                            Variant::FromDate(EncodeDate(1999, 12, 31)),
                            Variant::FromDate(EncodeTime(23, 59, 58, 250)),
                            Variant::FromDate(when),
                            Variant(true),
                            Variant(RU("текст"))};
  insert.SetParamValues(values);
  insert.ExecQuery();
  // The second row leaves every column but the key unset: the server's
  // description types the nulls.
  for (int i = 1; i < insert.Params().Count(); ++i) insert.Params()[i].SetIsNull(true);
  insert.ParamByName("ID").SetAsInteger(2);
  insert.ExecQuery();

  TFIBQuery& select = NewQuery("select * from ALL_TYPES order by ID", "S");
  select.ExecQuery();
  EXPECT_EQ(select.FieldByName("SM").AsVariant(), Variant(-5));
  EXPECT_EQ(select.FieldByName("BI").AsVariant(), Variant(std::int64_t{-9223372036854775807}));
  EXPECT_EQ(select.FieldByName("N92").AsString(), "-1234567,89");
  EXPECT_EQ(select.FieldByName("N184").AsCurrency().Value, -9223372036854775807);
  EXPECT_EQ(select.FieldByName("F").AsDouble(), 0.25);
  EXPECT_EQ(select.FieldByName("DP").AsDouble(), 1e300);
  EXPECT_EQ(select.FieldByName("C").AsString(), RU("Ёж  "));
  EXPECT_EQ(select.FieldByName("VC").AsString(), RU("Ёлка зелёная"));
  EXPECT_EQ(select.FieldByName("DT").AsDateTime(), EncodeDate(1999, 12, 31));
  EXPECT_NEAR(select.FieldByName("TM").AsDateTime(), EncodeTime(23, 59, 58, 250), 1e-9);
  EXPECT_NEAR(select.FieldByName("TS").AsDateTime(), when, 1e-9);
  EXPECT_TRUE(select.FieldByName("B").AsBoolean());
  EXPECT_EQ(select.FieldByName("BT").AsString(), RU("текст"));
  ASSERT_NE(select.FetchNext(), nullptr);
  for (int i = 1; i < select.FieldCount(); ++i)
    EXPECT_TRUE(select.Fields(i).IsNull()) << select.Fields(i).Name();
  EXPECT_EQ(select.FetchNext(), nullptr);
}

TEST_F(QueryTest, DatesInDialectOneThroughTheStatement) {
  const std::string path = CreateDatabase("dialect1.fdb", 1);
  FDB = &NewDatabase("DB", path);
  FTR = &NewTransaction("TR", FDB);
  FDB->OpenConnection();
  EXPECT_EQ(FDB->SQLDialect(), 1);
  FTR->StartTransaction();
  TFIBQuery& create = NewQuery("create table D1 (ID integer, D date)", "C");
  create.ExecQuery();
  FTR->Commit();
  FTR->StartTransaction();
  // Before 1899-12-30 the time of day counts away from zero.
  const TDateTime when = EncodeDate(1858, 11, 16) - EncodeTime(12, 0, 0, 0);
  TFIBQuery& insert = NewQuery("insert into D1 (ID, D) values (:ID, :D)", "I");
  insert.ParamByName("ID").SetAsInteger(1);
  insert.ParamByName("D").SetAsDateTime(when);
  EXPECT_EQ(insert.ParamByName("D").SQLType(), SQLTypeTimeStamp);
  insert.ExecQuery();
  TFIBQuery& select = NewQuery("select D from D1 where D = :D", "S");
  select.ParamByName("D").SetAsVariant(Variant::FromDate(when));
  select.ExecQuery();
  ASSERT_FALSE(select.Eof());
  EXPECT_EQ(select.Fields(0).ServerSQLType(), SQLTypeTimeStamp);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", select.Fields(0).AsDateTime()), "1858-11-16 12:00");
}

}  // namespace
