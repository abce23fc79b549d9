// Texts the application dataset generates from the table's metadata, their
// exact form for each kind and key, and the same texts run against a
// writable database: deleting, modifying (also when the record is gone),
// inserting (also a record without values of its own), and the texts
// rewritten when the dataset opens.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

// Reaches the post step the core runs for an edited record, for the
// texts' own tests while the core posts nothing itself.
class TPostProbe : public TpFIBDataSet {
 public:
  using TpFIBDataSet::TpFIBDataSet;
  void PostActive() { PostBySQL(ActiveBuffer()); }
};

// Only the modified fields: the three switches together.
void OnlyModified(TpFIBDataSet& data) {
  data.AutoUpdateOptions().SetAutoReWriteSqls(true);
  data.AutoUpdateOptions().SetCanChangeSQLs(true);
  data.AutoUpdateOptions().SetUpdateOnlyModifiedFields(true);
}

class GeneratedSqlTest : public ProgramDataSetTest {
 protected:
  void SetUp() override {
    ProgramDataSetTest::SetUp();
    ExecuteSQL(
        "create table PARTS (ID integer not null primary key, CODE varchar(10) not null, NAME varchar(30),"
        " PRICE numeric(9,2), TOTAL computed by (PRICE * 2), \"Mixed\" integer)");
    ExecuteSQL("insert into PARTS values (1, 'A1', 'Bolt', 1.25, 7)");
    ExecuteSQL("insert into PARTS values (2, 'A2', 'Nut', 0.50, 8)");
    ExecuteSQL("insert into PARTS values (3, 'B1', 'Washer', null, null)");
    ExecuteSQL("create table MAKERS (PART_ID integer, MAKER varchar(20))");
    ExecuteSQL("insert into MAKERS values (1, 'Acme')");
  }

  TPostProbe& Parts(const std::string& keys = "ID") {
    auto* data = new TPostProbe(&Form());  // owned by the form
    data->SetName("fdsParts");
    data->SetDatabase(&DB());
    data->SetTransaction(&WriteTransaction());
    data->SelectSQL().SetText(
        "select P.ID, P.CODE, P.NAME, P.PRICE, P.TOTAL, P.\"Mixed\", M.MAKER from PARTS P"
        " left join MAKERS M on M.PART_ID = P.ID order by P.ID");
    data->AutoUpdateOptions().SetUpdateTableName("PARTS");
    data->AutoUpdateOptions().SetKeyFields(keys);
    return *data;
  }

  std::vector<std::vector<std::string>> ServerParts() {
    return QueryRows("select ID, CODE, NAME, PRICE from PARTS order by ID");
  }
};

struct TextCase {
  const char* Name;
  const char* Keys;
  TpSQLKind Kind;
  // Puts the dataset in the state the text is made in (open, on record 1).
  std::function<void(TpFIBDataSet&)> Prepare;
  const char* Expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.Name; }

class GeneratedText : public GeneratedSqlTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(GeneratedText, IsExactlyTheExpectedText) {
  const TextCase& c = GetParam();
  TPostProbe& data = Parts(c.Keys);
  data.Open();
  if (c.Prepare) c.Prepare(data);
  EXPECT_EQ(data.GenerateSQLText("PARTS", c.Keys, c.Kind), c.Expected);
  data.Cancel();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GeneratedText,
    ::testing::Values(
        TextCase{"Delete", "ID", skDelete, nullptr, "Delete from PARTS\r\nwhere PARTS.ID=?OLD_ID"},
        TextCase{"DeleteByTwoKeysInReverse", "ID;CODE", skDelete, nullptr,
                 "Delete from PARTS\r\nwhere PARTS.CODE=?OLD_CODE and PARTS.ID=?OLD_ID"},
        TextCase{"KeyOfAnotherTableIsLeftOut", "MAKER;ID", skDelete, nullptr,
                 "Delete from PARTS\r\nwhere PARTS.ID=?OLD_ID"},
        TextCase{"ModifyEveryColumnButComputedAndJoined", "ID", skModify, nullptr,
                 "Update PARTS Set\r\n"
                 "     ID=?NEW_ID,\r\n"
                 "     CODE=?NEW_CODE,\r\n"
                 "     NAME=?NEW_NAME,\r\n"
                 "     PRICE=?NEW_PRICE,\r\n"
                 "     \"Mixed\"=?\"NEW_Mixed\"\r\n"
                 "where PARTS.ID=?OLD_ID"},
        TextCase{"Insert", "ID", skInsert, nullptr,
                 "Insert into PARTS(\r\n"
                 "     ID,\r\n"
                 "     CODE,\r\n"
                 "     NAME,\r\n"
                 "     PRICE,\r\n"
                 "     \"Mixed\"\r\n"
                 ")\r\n"
                 "values (\r\n"
                 "     ?NEW_ID,\r\n"
                 "     ?NEW_CODE,\r\n"
                 "     ?NEW_NAME,\r\n"
                 "     ?NEW_PRICE,\r\n"
                 "     ?\"NEW_Mixed\"\r\n"
                 ")"},
        // The select knows the table by its alias only.
        TextCase{"RefreshByTheTablesAlias", "ID", skRefresh, nullptr,
                 "select P.ID, P.CODE, P.NAME, P.PRICE, P.TOTAL, P.\"Mixed\", M.MAKER from PARTS P left join MAKERS M "
                 "on M.PART_ID = P.ID  WHERE \r\n    P.ID=?OLD_ID\r\norder by P.ID\r\n"},
        TextCase{"ModifyOnlyWhatChanged", "ID", skModify,
                 [](TpFIBDataSet& d) {
                   OnlyModified(d);
                   d.Edit();
                   d.FieldByName("NAME")->SetAsString("Big bolt");
                 },
                 "Update PARTS Set\r\n     NAME=?NEW_NAME\r\nwhere PARTS.ID=?OLD_ID"},
        TextCase{"ModifyNothingChanged", "ID", skModify,
                 [](TpFIBDataSet& d) {
                   OnlyModified(d);
                   d.Edit();
                   d.FieldByName("NAME")->SetAsString("Bolt");
                 },
                 "No Action"},
        TextCase{"InsertOnlyWhatIsSet", "ID", skInsert,
                 [](TpFIBDataSet& d) {
                   OnlyModified(d);
                   d.Insert();
                   d.FieldByName("ID")->SetAsInteger(9);
                   d.FieldByName("CODE")->SetAsString("Z9");
                 },
                 "Insert into PARTS(\r\n     ID,\r\n     CODE\r\n)\r\nvalues (\r\n     ?NEW_ID,\r\n     ?NEW_CODE\r\n)"},
        TextCase{"InsertWithoutValuesIsStillSent", "ID", skInsert,
                 [](TpFIBDataSet& d) {
                   OnlyModified(d);
                   d.Insert();
                 },
                 "Insert into PARTS\r\nDEFAULT VALUES"},
        TextCase{"NoTableNoText", "", skDelete, nullptr, ""}));

TEST_F(GeneratedSqlTest, KeysWithoutAFieldOfTheTableRaiseNamingTheKindsProperty) {
  TPostProbe& data = Parts("MAKER");
  data.Open();
  EXPECT_EQ(MessageOf<Exception>([&] { data.GenerateSQLText("PARTS", "MAKER", skModify); }),
            "MainForm.fdsParts: unable to generate UpdateSQL because fields for \"PARTS\" do not exist in dataset.");
  EXPECT_EQ(MessageOf<Exception>([&] { data.GenerateSQLText("PARTS", "MAKER", skRefresh); }),
            "MainForm.fdsParts: unable to generate RefreshSQL because fields for \"PARTS\" do not exist in dataset.");
  // A key naming no field at all gives no text.
  EXPECT_EQ(data.GenerateSQLText("PARTS", "NOTHING", skModify), "");
}

// ---- Running the texts ------------------------------------------------------------------------

TEST_F(GeneratedSqlTest, RewrittenAtOpenTheTextsDeleteAndModifyOnTheServer) {
  TPostProbe& data = Parts("");
  data.AutoUpdateOptions().SetAutoReWriteSqls(true);
  // Rewriting is no change the statements' own handlers hear of.
  int heard = 0;
  data.UpdateQuery().OnSQLChanging = [&](TObject*) { ++heard; };
  data.Open();
  EXPECT_EQ(heard, 0);
  // The key comes from the table's primary key.
  EXPECT_EQ(data.AutoUpdateOptions().KeyFields(), "ID");
  EXPECT_EQ(data.DeleteSQL().Text(), "Delete from PARTS\r\nwhere PARTS.ID=?OLD_ID\r\n");
  EXPECT_FALSE(data.UpdateSQL().Text().empty());
  EXPECT_FALSE(data.InsertSQL().Text().empty());
  EXPECT_FALSE(data.RefreshSQL().Text().empty());
  // Each text is one the server takes.
  for (TFIBQuery* query : {&data.UpdateQuery(), &data.InsertQuery(), &data.RefreshQuery()}) {
    query->SetTransaction(&WriteTransaction());
    EXPECT_NO_THROW(query->Prepare()) << query->SQL().Text();
  }
  data.Locate("ID", Variant(2), {});
  data.Delete();
  data.First();
  data.Edit();
  data.FieldByName("NAME")->SetAsString(RU("Болт"));
  data.FieldByName("PRICE")->SetAsFloat(2.75);
  data.PostActive();
  data.Cancel();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), RU("Болт"));
  WriteTransaction().Commit();
  EXPECT_EQ(ServerParts(), (std::vector<std::vector<std::string>>{{"1", "A1", RU("Болт"), "2.75"},
                                                                   {"3", "B1", "Washer", "<null>"}}));
}

TEST_F(GeneratedSqlTest, APostThatFindsNoRowRaisesAndTheRecordStaysInEdit) {
  TPostProbe& data = Parts();
  data.Open();
  data.UpdateSQL().SetText(data.GenerateSQLText("PARTS", "ID", skModify));
  data.Edit();
  data.FieldByName("NAME")->SetAsString("Gone");
  // Another user deletes the record meanwhile.
  OtherExecute("delete from PARTS where ID = 1");
  OtherTR().Commit();
  const std::string message = MessageOf<EDatabaseError>([&] { data.PostActive(); });
  EXPECT_NE(message.find("MainForm.fdsParts:\r\nCan't update the record: the statement changed no row"),
            std::string::npos)
      << message;
  EXPECT_EQ(data.State(), dsEdit);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Gone");
  data.Cancel();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "Bolt");
}

TEST_F(GeneratedSqlTest, ADeleteThatFindsNoRowRaisesAndKeepsTheRecord) {
  TPostProbe& data = Parts();
  data.Open();
  data.DeleteSQL().SetText(data.GenerateSQLText("PARTS", "ID", skDelete));
  OtherExecute("delete from PARTS where ID = 1");
  OtherTR().Commit();
  EXPECT_NE(MessageOf<EDatabaseError>([&] { data.Delete(); }).find("Can't delete the record"), std::string::npos);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
  data.Last();
  EXPECT_EQ(data.RecNo(), 3);
}

TEST_F(GeneratedSqlTest, ValuesAModifyStatementReturnsGoIntoTheRecord) {
  TPostProbe& data = Parts();
  data.UpdateSQL().SetText(
      "update PARTS set NAME = upper(?NAME), PRICE = ?PRICE * 2 where ID = ?OLD_ID returning NAME, PRICE");
  data.Open();
  data.Edit();
  data.FieldByName("NAME")->SetAsString("long bolt");
  data.FieldByName("PRICE")->SetAsFloat(1.5);
  data.PostActive();
  data.Cancel();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "LONG BOLT");
  EXPECT_EQ(data.FieldByName("PRICE")->AsFloat(), 3.0);
  EXPECT_EQ(data.UpdateStatus(), usUnmodified);
}

TEST_F(GeneratedSqlTest, ANewRecordIsNeverSkippedAsNoAction) {
  TPostProbe& data = Parts();
  data.Open();
  data.InsertSQL().SetText("No Action");
  data.UpdateSQL().SetText("No Action");
  data.Edit();
  data.PostActive();  // an unchanged record: nothing to write
  data.Cancel();
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(9);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { data.PostActive(); }),
            "MainForm.fdsParts:\r\nCan't insert the record: the insert statement is \"No Action\".");
  data.Cancel();
  EXPECT_EQ(QueryInt64("select count(*) from PARTS"), 3);
}

// The provider's way: one change at a time, values from a delta.
TEST_F(GeneratedSqlTest, ARecordWithoutValuesIsInsertedWithTheServersDefaults) {
  ExecuteSQL("create table NOTES (N integer default 7, T varchar(10) default 'empty')");
  TpFIBDataSet& data = NewDataSet({"select N, T from NOTES"}, "fdsNotes", &WriteTransaction());
  data.AutoUpdateOptions().SetUpdateTableName("NOTES");
  data.AutoUpdateOptions().SetKeyFields("N");
  OnlyModified(data);
  data.Open();
  data.Insert();
  // The client takes the defaults too; here the record holds no value.
  data.FieldByName("N")->Clear();
  data.FieldByName("T")->Clear();
  const std::string text = data.GenerateSQLText("NOTES", "N", skInsert);
  data.Cancel();
  EXPECT_EQ(text, "Insert into NOTES\r\nDEFAULT VALUES");
  data.InsertSQL().SetText(text);
  TMemoryDataSet delta(nullptr);
  delta.FieldDefs().Add("N", ftInteger, 0, false);
  delta.FieldDefs().Add("T", ftString, 10, false);
  delta.Open();
  delta.Append();
  delta.Post();
  EXPECT_TRUE(data.PSUpdateRecord(ukInsert, delta));
  WriteTransaction().Commit();
  EXPECT_EQ(QueryRows("select N, T from NOTES"), (std::vector<std::vector<std::string>>{{"7", "empty"}}));
}

TEST_F(GeneratedSqlTest, GeneratedTextsApplyAProvidersChanges) {
  TPostProbe& data = Parts();
  data.Open();
  data.InsertSQL().SetText(data.GenerateSQLText("PARTS", "ID", skInsert));
  data.UpdateSQL().SetText(data.GenerateSQLText("PARTS", "ID", skModify));
  data.DeleteSQL().SetText(data.GenerateSQLText("PARTS", "ID", skDelete));
  TMemoryDataSet delta(nullptr);
  delta.FieldDefs().Add("ID", ftInteger, 0, false);
  delta.FieldDefs().Add("CODE", ftString, 10, false);
  delta.FieldDefs().Add("NAME", ftString, 30, false);
  delta.FieldDefs().Add("PRICE", ftFloat, 0, false);
  delta.FieldDefs().Add("Mixed", ftInteger, 0, false);
  delta.Open();
  delta.AppendRecord({Variant(5), Variant("C5"), Variant(RU("Гайка")), Variant(3.5), Variant(1)});
  EXPECT_TRUE(data.PSUpdateRecord(ukInsert, delta));
  delta.AppendRecord({Variant(3), Variant("B1"), Variant("Ring"), Variant::Null(), Variant(2)});
  EXPECT_TRUE(data.PSUpdateRecord(ukModify, delta));
  delta.AppendRecord({Variant(2)});
  EXPECT_TRUE(data.PSUpdateRecord(ukDelete, delta));
  WriteTransaction().Commit();
  EXPECT_EQ(ServerParts(), (std::vector<std::vector<std::string>>{{"1", "A1", "Bolt", "1.25"},
                                                                   {"3", "B1", "Ring", "<null>"},
                                                                   {"5", "C5", RU("Гайка"), "3.50"}}));
}

}  // namespace
