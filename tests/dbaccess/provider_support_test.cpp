// The application dataset's provider-support group: statements a provider
// runs through it (question marks as parameters, with and without rows
// wanted), the parameters and statement it hands out and takes, its table
// and key, transactions, errors, and changes applied from a delta with
// their values exact.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

class ProviderSupportTest : public ProgramDataSetTest {
 protected:
  void SetUp() override {
    ProgramDataSetTest::SetUp();
    ExecuteSQL("create table NOTES (A integer, T varchar(20))");
    ExecuteSQL("create table AMOUNTS (ID integer not null primary key, V numeric(18,2))");
    ExecuteSQL("insert into AMOUNTS values (1, 0)");
  }
};

TEST_F(ProviderSupportTest, QuestionMarksInTextAreNotParameters) {
  TpFIBDataSet& data = NewDataSet({"select A from NOTES"}, "fdsNotes", &WriteTransaction());
  TParams params;
  params.CreateParam(ftInteger, "A", ptInput).SetValue(Variant(7));
  params.CreateParam(ftString, "B", ptInput).SetValue(Variant("yes?"));
  EXPECT_EQ(data.PSExecuteStatement("insert into NOTES (A, T) values (?, 'what?') /* why? */", &params), 1);
  EXPECT_EQ(data.PSExecuteStatement("insert into NOTES (A, T) values (? -- and not ?\r\n, ?)", &params), 1);
  WriteTransaction().Commit();
  EXPECT_EQ(QueryRows("select A, T from NOTES order by T"),
            (std::vector<std::vector<std::string>>{{"7", "what?"}, {"7", "yes?"}}));
}

TEST_F(ProviderSupportTest, AStatementWithRowsWantedHandsOverADataset) {
  TParams params;
  params.CreateParam(ftInteger, "", ptInput).SetValue(Variant(5));
  std::unique_ptr<TDataSet> rows;
  EXPECT_EQ(Home().PSExecuteStatement("select HOME_ID from HOME_PHONES where HOME_ID < ? and NAME <> 'who?'",
                                      &params, &rows),
            4);
  ASSERT_NE(rows, nullptr);
  EXPECT_TRUE(rows->Active());
  EXPECT_EQ(rows->RecordCount(), 4);
  rows->Last();
  EXPECT_EQ(rows->FieldByName("HOME_ID")->AsInteger(), 4);
  // Without rows wanted a select is read to its end: the count of its rows.
  EXPECT_EQ(Home().PSExecuteStatement("select HOME_ID from HOME_PHONES where HOME_ID < ?", &params), 4);
}

TEST_F(ProviderSupportTest, TheSelectsParametersGoOutTypedAndComeBackByName) {
  TpFIBDataSet& data = NewDataSet(
      {"select HOME_ID from HOME_PHONES where HOME_ID = :ID and NAME = :NAME and PHONE > :PHONE"}, "fdsParams");
  data.SelectQuery().Prepare();
  data.SelectQuery().ParamByName("ID").SetAsInteger(3);
  const TParams* params = data.PSGetParams();
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->Count(), 3);
  EXPECT_EQ((*params)[0].Name(), "ID");
  EXPECT_EQ((*params)[0].DataType(), ftInteger);
  EXPECT_EQ((*params)[0].ParamType(), ptInputOutput);
  EXPECT_EQ((*params)[0].Value().AsInteger(), 3);
  EXPECT_EQ((*params)[1].DataType(), ftString);
  TParams values;
  values.CreateParam(ftString, "name", ptInput).SetValue(Variant(RU("Жилец 3")));
  values.CreateParam(ftInteger, "UNKNOWN", ptInput).SetValue(Variant(1));
  values.CreateParam(ftInteger, "PHONE", ptInput).SetValue(Variant(0));
  data.PSSetParams(values);
  data.Open();
  EXPECT_EQ(data.RecordCount(), 1);
  data.Close();
  data.PSSetCommandText("");
  EXPECT_EQ(data.SelectSQL().Count(), 1);
  data.PSSetCommandText("select ORG_ID from ORG_PHONES");
  EXPECT_EQ(Trim(data.SelectSQL().Text()), "select ORG_ID from ORG_PHONES");
}

TEST_F(ProviderSupportTest, TableKeyQuoteAndTransaction) {
  TpFIBDataSet& data = NewDataSet({"select H.HOME_ID, O.ORG_ID from HOME_PHONES H, ORG_PHONES O"}, "fdsTables",
                                  &WriteTransaction());
  EXPECT_EQ(data.PSGetTableName(), "HOME_PHONES");
  data.AutoUpdateOptions().SetUpdateTableName("ORG_PHONES");
  EXPECT_EQ(data.PSGetTableName(), "ORG_PHONES");
  data.AutoUpdateOptions().SetUpdateTableName("STREETS");
  EXPECT_EQ(data.PSGetTableName(), "HOME_PHONES");
  data.AutoUpdateOptions().SetKeyFields("HOME_ID");
  EXPECT_EQ(data.PSGetKeyFields(), "HOME_ID");
  EXPECT_EQ(data.PSGetQuoteChar(), "\"");
  EXPECT_TRUE(data.PSIsSQLBased());
  EXPECT_FALSE(data.PSInTransaction());
  data.PSStartTransaction();
  EXPECT_TRUE(data.PSInTransaction());
  data.PSEndTransaction(false);
  EXPECT_FALSE(data.PSInTransaction());
  TpFIBDataSet& loose = NewDataSet({"select 1 from RDB$DATABASE"}, "fdsLoose");
  loose.SetDatabase(nullptr);
  EXPECT_EQ(ClientErrorOf([&] { loose.PSStartTransaction(); }), ceDatabaseNotAssigned);
}

TEST_F(ProviderSupportTest, ServerErrorsBecomeUpdateErrorsWithTheirCode) {
  bool raised = false;
  try {
    Home().PSExecuteStatement("delete from NOTHING", nullptr);
  } catch (const EFIBError& e) {
    const EUpdateError previous("before", "", -803, 0);
    const std::unique_ptr<EUpdateError> error = Home().PSGetUpdateException(e, &previous);
    EXPECT_EQ(error->ErrorCode(), e.SQLCode());
    EXPECT_EQ(error->ErrorCode(), -204);
    EXPECT_EQ(error->PreviousError(), -803);
    EXPECT_EQ(error->Message(), e.Message());
    raised = true;
  }
  EXPECT_TRUE(raised);
}

TEST_F(ProviderSupportTest, ABigDecimalFromTheDeltaIsWrittenExactly) {
  // More than a currency holds, exactly as many digits as the column takes.
  ExecuteSQL("update AMOUNTS set V = 9999999999999999.99 where ID = 1");
  TpFIBDataSet& source = NewDataSet({"select ID, V from AMOUNTS"}, "fdsSource");
  source.SetPrepareOptions(source.PrepareOptions() + psSQLINT64ToBCD);
  source.Open();
  ExecuteSQL("update AMOUNTS set V = 0 where ID = 1");
  TpFIBDataSet& target = NewDataSet({"select ID, V from AMOUNTS"}, "fdsTarget", &WriteTransaction());
  target.UpdateSQL().SetText("update AMOUNTS set V = ?NEW_V where ID = ?OLD_ID");
  EXPECT_TRUE(target.PSUpdateRecord(ukModify, source));
  WriteTransaction().Commit();
  EXPECT_EQ(QueryRows("select V from AMOUNTS"), (std::vector<std::vector<std::string>>{{"9999999999999999.99"}}));
}

// With OnUpdateRecord the handler takes the change over (its action starts
// at uaFail): the answer is whether it applied it; no statement runs.
TEST_F(ProviderSupportTest, AnUpdateRecordHandlerDecidesTheAnswer) {
  TpFIBDataSet& target = NewDataSet({"select ID, V from AMOUNTS"}, "fdsTarget", &WriteTransaction());
  target.UpdateSQL().SetText("update AMOUNTS set V = 5 where ID = ?OLD_ID");
  for (const TUpdateAction given : {uaFail, uaSkip, uaApplied}) {
    target.OnUpdateRecord = [&](TDataSet*, TUpdateKind, TUpdateAction& action) {
      action = action == uaFail ? given : uaAbort;
    };
    EXPECT_EQ(target.PSUpdateRecord(ukModify, Home()), given == uaApplied);
  }
  if (WriteTransaction().Active()) WriteTransaction().Commit();
  EXPECT_EQ(QueryRows("select count(*) from AMOUNTS where V = 5"), (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST_F(ProviderSupportTest, ADecimalThatOverflowsIsAnErrorNotANull) {
  TMemoryDataSet delta(nullptr);
  delta.FieldDefs().Add("ID", ftInteger, 0, false);
  delta.FieldDefs().Add("V", ftBCD, 2, false);
  delta.Open();
  delta.Append();
  delta.FieldByName("ID")->SetAsInteger(1);
  TBcd big;
  Int64ToBcd(2, big, 999999999999999999);
  // Written as the field's native value: more than its currency reads.
  delta.FieldByName("V")->SetData(&big);
  delta.Post();
  TpFIBDataSet& target = NewDataSet({"select ID, V from AMOUNTS"}, "fdsTarget", &WriteTransaction());
  target.UpdateSQL().SetText("update AMOUNTS set V = ?NEW_V where ID = ?OLD_ID");
  EXPECT_THROW(target.PSUpdateRecord(ukModify, delta), EDatabaseError);
  if (WriteTransaction().Active()) WriteTransaction().Commit();
  EXPECT_EQ(QueryRows("select V from AMOUNTS"), (std::vector<std::vector<std::string>>{{"0.00"}}));
}

TEST_F(ProviderSupportTest, ResetReadsTheRowsAgain) {
  Home().OpenWithParams({Variant("HOME_ID < 4")});
  Home().Last();
  ExecuteSQL("delete from HOME_PHONES where HOME_ID = 2");
  Home().PSReset();
  int rows = 0;
  for (Home().First(); !Home().Eof(); Home().Next()) ++rows;
  EXPECT_EQ(rows, 2);
  EXPECT_FALSE(Home().DefaultFields());
}

}  // namespace
