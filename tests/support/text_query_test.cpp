// The tests' own reader of SELECT results: what it makes of each column type
// decides whether other tests compare the right texts.

#include "tests/support/text_query.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/base/exceptions.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

using TRows = std::vector<std::vector<std::string>>;

struct TValueCase {
  const char* Name;
  const char* Expression;
  const char* Text;
};

void PrintTo(const TValueCase& c, std::ostream* os) { *os << c.Name; }

class TextQueryValue : public DatabaseTest, public testing::WithParamInterface<TValueCase> {};

TEST_P(TextQueryValue, ReadsAsText) {
  const std::string select = std::string("SELECT ") + GetParam().Expression + " FROM RDB$DATABASE";
  EXPECT_EQ(QueryRows(select), (TRows{{GetParam().Text}})) << select;
}

const TValueCase ValueCases[] = {
    {"SmallInt", "CAST(-123 AS SMALLINT)", "-123"},
    {"ScaledSmallInt", "CAST(-0.05 AS NUMERIC(4,2))", "-0.05"},
    {"ScaledInteger", "CAST(-12.5 AS NUMERIC(9,2))", "-12.50"},
    {"ScaledBelowOne", "CAST(0.05 AS NUMERIC(18,4))", "0.0500"},
    {"LargestBigInt", "CAST(9223372036854775807 AS BIGINT)", "9223372036854775807"},
    {"SmallestScaledBigInt", "CAST(-92233720368547758.08 AS NUMERIC(18,2))", "-92233720368547758.08"},
    {"Double", "CAST(1.5 AS DOUBLE PRECISION)", "1.5"},
    {"FloatInItsOwnPrecision", "CAST(0.1 AS FLOAT)", "0.1"},
    {"CharKeepsItsPadding", "CAST('ab' AS CHAR(4))", "ab  "},
    {"Varchar", "CAST('ab' AS VARCHAR(4))", "ab"},
    {"EmptyVarchar", "CAST('' AS VARCHAR(4))", ""},
    {"LeapDay", "DATE '2024-02-29'", "2024-02-29"},
    {"DayBeforeTheEnginesDayZero", "DATE '1858-11-16'", "1858-11-16"},
    {"FirstDay", "DATE '0001-01-01'", "0001-01-01"},
    {"Time", "TIME '23:59:59.9999'", "23:59:59.9999"},
    {"Timestamp", "TIMESTAMP '1999-12-31 00:00:01.5'", "1999-12-31 00:00:01.5000"},
    {"True", "TRUE", "true"},
    {"False", "1 = 0", "false"},
    {"Null", "CAST(NULL AS INTEGER)", "<null>"},
    {"Blob", "CAST('x' AS BLOB SUB_TYPE TEXT)", "<type 520>"},
};
INSTANTIATE_TEST_SUITE_P(TextQuery, TextQueryValue, testing::ValuesIn(ValueCases),
                         [](const testing::TestParamInfo<TValueCase>& info) { return info.param.Name; });

TEST_F(DatabaseTest, TextQueryGivesRowsInOrderAndRefusesTheWrongShape) {
  ExecuteSQL("CREATE TABLE T (ID INTEGER, NAME VARCHAR(10))");
  ExecuteSQL("INSERT INTO T VALUES (2, 'two')");
  ExecuteSQL("INSERT INTO T VALUES (1, NULL)");
  TTextQuery query(DatabasePath(), ConnectionLines());
  EXPECT_EQ(query.Rows("SELECT ID, NAME FROM T ORDER BY ID"), (TRows{{"1", "<null>"}, {"2", "two"}}));
  EXPECT_EQ(query.Column("SELECT NAME FROM T ORDER BY ID DESC"), (std::vector<std::string>{"two", "<null>"}));
  EXPECT_EQ(query.WholeNumber("SELECT COUNT(*) FROM T"), 2);
  EXPECT_TRUE(query.Rows("SELECT ID FROM T WHERE ID > 2").empty());

  EXPECT_EQ(MessageOf([&] { query.Value("SELECT ID FROM T"); }),
            "Not one value (2 rows of 1 columns) from: SELECT ID FROM T");
  EXPECT_EQ(MessageOf([&] { query.Value("SELECT ID FROM T WHERE ID > 2"); }),
            "Not one value (0 rows of 0 columns) from: SELECT ID FROM T WHERE ID > 2");
  EXPECT_EQ(MessageOf([&] { query.WholeNumber("SELECT NAME FROM T WHERE ID = 1"); }),
            "Not a whole number (<null>) from: SELECT NAME FROM T WHERE ID = 1");
  EXPECT_EQ(MessageOf([&] { query.WholeNumber("SELECT CAST(1.5 AS NUMERIC(9,2)) FROM RDB$DATABASE"); }),
            "Not a whole number (1.50) from: SELECT CAST(1.5 AS NUMERIC(9,2)) FROM RDB$DATABASE");
  // A statement the engine refuses leaves the query usable.
  EXPECT_TRUE(RaisedBy<EFIBInterBaseError>([&] { query.Rows("SELECT NOTHING FROM T"); }).Caught);
  EXPECT_EQ(query.WholeNumber("SELECT MAX(ID) FROM T"), 2);

  const std::vector<TQueryColumn> columns = query.Describe("SELECT ID, NAME AS LABEL FROM T");
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].Name, "ID");
  EXPECT_EQ(columns[1].Name, "LABEL");
  EXPECT_EQ(columns[1].Length, 10);
  EXPECT_EQ(columns[1].CharSet, 52);  // WIN1251, the database's default
}

// In a connection component's own transaction the query sees what that
// transaction has not committed yet; a query of its own does not.
TEST_F(ConnectionTest, TextQueryInAComponentsTransactionSeesItsWork) {
  ExecuteSQL("CREATE TABLE T (ID INTEGER)");
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  db.SetConnected(true);
  tr.StartTransaction();
  Execute(db, tr, "INSERT INTO T VALUES (7)");
  EXPECT_EQ(TTextQuery(db.HandleAddress(), tr.HandleAddress()).Column("SELECT ID FROM T"),
            std::vector<std::string>{"7"});
  EXPECT_TRUE(QueryRows("SELECT ID FROM T").empty());
  tr.Rollback();
  db.SetConnected(false);
}

TEST_F(DatabaseTest, TextQueryOnAMissingFileRaisesTheServersError) {
  const TRaised raised =
      RaisedBy<EFIBInterBaseError>([&] { TTextQuery(Folder() + "/missing.fdb", ConnectionLines()); });
  EXPECT_TRUE(raised.Caught);
  EXPECT_NE(raised.Message.find("missing.fdb"), std::string::npos) << raised.Message;
}

}  // namespace
