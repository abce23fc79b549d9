#include "dbaccess/statement/query_ext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

class ExecutionEventsTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL("create table PEOPLE (ID integer not null primary key, NAME varchar(5))");
    ExecuteSQL("insert into PEOPLE values (1, 'Ann')");
    FDatabase = &NewDatabase("Db");
    FDatabase->OpenConnection();
    FTransaction = &NewTransaction("Tr", FDatabase);
    FTransaction->StartTransaction();
    FQuery = new TpFIBQuery(&Form());  // owned by the form
    FQuery->SetName("Insert");
    FQuery->SetDatabase(FDatabase);
    FQuery->SetTransaction(FTransaction);
    FQuery->SQL().SetText("insert into PEOPLE (ID, NAME) values (:ID, :NAME)");
    FQuery->BeforeExecute = [this](TObject*) { Log.push_back("before"); };
    FQuery->AfterExecute = [this](TObject*) { Log.push_back("after"); };
  }

  TpFIBQuery& Query() { return *FQuery; }
  TFIBTransaction& Transaction() { return *FTransaction; }
  // Parameters that break the primary key.
  void SetDuplicate() {
    Query().ParamByName("ID").SetAsInteger(1);
    Query().ParamByName("NAME").SetAsString("Bob");
  }
  std::int64_t Count() { return Query(*FDatabase, *FTransaction, "select count(*) from PEOPLE"); }
  using ConnectionTest::Query;

  std::vector<std::string> Log;

 private:
  TFIBDatabase* FDatabase = nullptr;
  TFIBTransaction* FTransaction = nullptr;
  TpFIBQuery* FQuery = nullptr;
};

// The SQL codes of the two failures the tests provoke.
constexpr int DuplicateKey = -803;
constexpr int StringTruncation = -303;

TEST_F(ExecutionEventsTest, EventsSurroundASuccessfulExecution) {
  Query().ParamByName("ID").SetAsInteger(2);
  Query().ParamByName("NAME").SetAsString("Bob");
  Query().ExecQuery();
  EXPECT_EQ(Log, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(Count(), 2);
}

TEST_F(ExecutionEventsTest, WithoutAHandlerTheErrorPropagatesAndAfterExecuteIsNotRaised) {
  SetDuplicate();
  try {
    Query().ExecQuery();
    FAIL() << "the duplicate was inserted";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), DuplicateKey);
  }
  EXPECT_EQ(Log, (std::vector<std::string>{"before"}));
}

TEST_F(ExecutionEventsTest, RetryThenFailRunsTwiceAndRaisesTheSecondError) {
  SetDuplicate();
  std::vector<int> seen;
  Query().OnExecuteError = [&](TpFIBQuery* query, EFIBError& e, TDataAction& action) {
    EXPECT_EQ(query, &Query());
    EXPECT_EQ(action, daFail);
    seen.push_back(e.SQLCode());
    if (seen.size() == 1) {
      // A new key, but a name too long for the column: the next run fails
      // otherwise.
      query->ParamByName("ID").SetAsInteger(3);
      query->ParamByName("NAME").SetAsString("Christopher");
      action = daRetry;
    }
  };
  try {
    Query().ExecQuery();
    FAIL() << "the second run succeeded";
  } catch (const EFIBError& e) {
    EXPECT_EQ(e.SQLCode(), StringTruncation);
  }
  EXPECT_EQ(seen, (std::vector<int>{DuplicateKey, StringTruncation}));
  EXPECT_EQ(Log, (std::vector<std::string>{"before"}));
  EXPECT_EQ(Count(), 1);
}

TEST_F(ExecutionEventsTest, RetryAfterARepairSucceedsAndRaisesAfterExecuteOnce) {
  SetDuplicate();
  int calls = 0;
  Query().OnExecuteError = [&](TpFIBQuery* query, EFIBError&, TDataAction& action) {
    ++calls;
    query->ParamByName("ID").SetAsInteger(4);
    action = daRetry;
  };
  Query().ExecQuery();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(Count(), 2);
}

TEST_F(ExecutionEventsTest, AbortEndsSilently) {
  SetDuplicate();
  Query().OnExecuteError = [](TpFIBQuery*, EFIBError&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(Query().ExecQuery(), EAbort);
  EXPECT_EQ(Log, (std::vector<std::string>{"before"}));
}

TEST_F(ExecutionEventsTest, AboutCannotBeChanged) {
  const std::string about = Query().About();
  EXPECT_FALSE(about.empty());
  Query().SetAbout("something else");
  EXPECT_EQ(Query().About(), about);
}

// ---- Text blobs -------------------------------------------------------------------------

class TextBlobFieldTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL(
        "create table NOTES (ID integer, MEMO blob sub_type 1, DATA blob sub_type 0, EMPTY_MEMO blob "
        "sub_type 1)");
    ExecuteSQL(
        "insert into NOTES (ID, MEMO, DATA) values (1, 'first line' || ascii_char(13) || ascii_char(10) || "
        "'second line', 'bytes')");
    FDatabase = &NewDatabase("Db");
    FDatabase->OpenConnection();
    FTransaction = &NewTransaction("Tr", FDatabase);
    FTransaction->StartTransaction();
    FQuery = new TFIBQuery(&Form());  // owned by the form
    FQuery->SetDatabase(FDatabase);
    FQuery->SetTransaction(FTransaction);
    FQuery->SQL().SetText("select ID, MEMO, DATA, EMPTY_MEMO from NOTES");
  }
  TFIBQuery& Query() { return *FQuery; }

 private:
  TFIBDatabase* FDatabase = nullptr;
  TFIBTransaction* FTransaction = nullptr;
  TFIBQuery* FQuery = nullptr;
};

TEST_F(TextBlobFieldTest, ATextBlobOfTheCurrentRowLoadsIntoTheList) {
  Query().ExecQuery();
  TStringList list;
  list.Add("left over");
  ASSERT_TRUE(ReadTextBlobField(Query(), "MEMO", &list));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), "first line");
  EXPECT_EQ(list.Strings(1), "second line");
  EXPECT_EQ(TextBlobFieldValue(Query(), "MEMO"), "first line\r\nsecond line");
  ASSERT_TRUE(ReadTextBlobField(Query(), "EMPTY_MEMO", &list));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(TextBlobFieldTest, OtherColumnsAndAClosedQueryGiveFalseAndLeaveTheList) {
  TStringList list;
  list.Add("kept");
  EXPECT_FALSE(ReadTextBlobField(Query(), "MEMO", &list));  // no cursor
  Query().ExecQuery();
  for (const char* column : {"DATA", "ID", "MISSING"}) {
    EXPECT_FALSE(ReadTextBlobField(Query(), column, &list)) << column;
    EXPECT_EQ(TextBlobFieldValue(Query(), column), "") << column;
  }
  EXPECT_FALSE(ReadTextBlobField(Query(), "MEMO", nullptr));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Strings(0), "kept");
}

}  // namespace
