// What the application dataset makes of its fields after opening: display
// and edit formats by column type and scale, required and read-only flags
// from the metadata, the stored description of the dataset applied from
// the repository, and select parameters linked to the fields they compare.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/query_conditions.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"
#include "tests/support/listings.h"

namespace {

class FieldPreparationTest : public ProgramDataSetTest {
 protected:
  void SetUp() override {
    ProgramDataSetTest::SetUp();
    ExecuteSQL(
        "create table MEASURES (ID integer not null primary key, S smallint, F double precision,"
        " N92 numeric(9,2), N184 numeric(18,4), N186 numeric(18,6), D date, T time, TS timestamp,"
        " NAME varchar(20) not null, NOTE varchar(20) default 'x' not null, HINT varchar(20),"
        " TWICE computed by (ID * 2))");
    ExecuteSQL("insert into MEASURES (ID, NAME) values (1, 'one')");
  }
};

struct FormatCase {
  const char* Name;
  const char* Field;
  const char* Display;
  const char* Edit;  // nullptr: not a numeric field
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.Name; }

class FieldFormats : public FieldPreparationTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FieldFormats, FollowTheColumnsTypeAndScale) {
  const FormatCase& c = GetParam();
  TpFIBDataSet& data = NewDataSet({"select * from MEASURES"}, "fdsMeasures");
  data.Open();
  TField* field = data.FieldByName(c.Field);
  if (auto* numeric = dynamic_cast<TNumericField*>(field)) {
    EXPECT_EQ(numeric->DisplayFormat(), c.Display);
    ASSERT_NE(c.Edit, nullptr);
    EXPECT_EQ(numeric->EditFormat(), c.Edit);
  } else {
    auto* dateTime = dynamic_cast<TDateTimeField*>(field);
    ASSERT_NE(dateTime, nullptr);
    EXPECT_EQ(dateTime->DisplayFormat(), c.Display);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, FieldFormats,
    ::testing::Values(FormatCase{"Integer", "ID", "", ""}, FormatCase{"SmallInt", "S", "", ""},
                      FormatCase{"Double", "F", "", ""},
                      FormatCase{"ScaledInteger", "N92", "#,##0.00", "0.00"},
                      FormatCase{"Bcd", "N184", "#,##0.0000", "0.0000"},
                      FormatCase{"ScaledInt64AsFloat", "N186", "#,##0.000000", "0.000000"},
                      FormatCase{"Date", "D", "dd.mm.yyyy", nullptr},
                      FormatCase{"Time", "T", "hh:mm AMPM", nullptr},
                      FormatCase{"TimeStamp", "TS", "dd.mm.yyyy hh:mm AMPM", nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FieldPreparationTest, TheDatasetsOwnFormatsAreExpandedAndAFieldsOwnFormatKept) {
  TpFIBDataSet& data = NewDataSet({"select ID, N92, N184, TS from MEASURES"}, "fdsMeasures");
  data.DefaultFormats().SetNumericDisplayFormat("#,##0.0");
  data.DefaultFormats().SetNumericEditFormat("0.#");
  data.DefaultFormats().SetDateTimeDisplayFormat(RU("d MMMM yyyy 'г.'"));
  auto* own = new TFIBFloatField(&Form());  // owned by the form
  own->SetFieldName("N92");
  own->SetDisplayFormat("0.0 'kg'");
  own->SetDataSet(&data);
  for (const char* name : {"ID", "N184", "TS"}) {
    TField* field = name == std::string("TS") ? static_cast<TField*>(new TFIBDateTimeField(&Form()))
                    : name == std::string("ID") ? static_cast<TField*>(new TFIBIntegerField(&Form()))
                                                : static_cast<TField*>(new TFIBBCDField(&Form()));
    field->SetFieldName(name);
    if (name == std::string("N184")) field->SetSize(4);
    field->SetDataSet(&data);
  }
  data.Open();
  EXPECT_EQ(own->DisplayFormat(), "0.0 'kg'");
  EXPECT_EQ(own->EditFormat(), "0.##");
  auto* bcd = dynamic_cast<TNumericField*>(data.FieldByName("N184"));
  EXPECT_EQ(bcd->DisplayFormat(), "#,##0.0000");
  EXPECT_EQ(dynamic_cast<TDateTimeField*>(data.FieldByName("TS"))->DisplayFormat(), RU("d MMMM yyyy 'г.'"));
  // Without poAutoFormatFields nothing is set.
  data.Close();
  data.SetOptions(data.Options() - poAutoFormatFields);
  bcd->SetDisplayFormat("");
  data.Open();
  EXPECT_EQ(bcd->DisplayFormat(), "");
}

TEST_F(FieldPreparationTest, RequiredAndReadOnlyComeFromTheMetadata) {
  ExecuteSQL("create table OWNERS (MEASURE_ID integer, OWNER varchar(20))");
  TpFIBDataSet& data = NewDataSet(
      {"select M.ID, M.NAME, M.NOTE, M.HINT, M.TWICE, O.OWNER from MEASURES M"
       " left join OWNERS O on O.MEASURE_ID = M.ID"},
      "fdsMeasures");
  data.SetPrepareOptions(data.PrepareOptions() + pfSetRequiredFields + pfSetReadOnlyFields);
  data.UpdateSQL().SetText("update MEASURES set NAME = ?NAME where ID = ?OLD_ID");
  data.Open();
  // Not null without a default: a value is required.
  EXPECT_TRUE(data.FieldByName("ID")->Required());
  EXPECT_TRUE(data.FieldByName("NAME")->Required());
  EXPECT_FALSE(data.FieldByName("NOTE")->Required());
  EXPECT_FALSE(data.FieldByName("HINT")->Required());
  // Another table than the one written, and a computed column, are read-only.
  EXPECT_TRUE(data.FieldByName("OWNER")->ReadOnly());
  EXPECT_TRUE(data.FieldByName("TWICE")->ReadOnly());
  EXPECT_FALSE(data.FieldByName("NAME")->ReadOnly());
  // A default becomes the field's default expression; a text stays a literal.
  EXPECT_EQ(data.FieldByName("NOTE")->DefaultExpression(), "'x'");
}

TEST_F(FieldPreparationTest, TheRepositorysDescriptionIsAppliedWhenPreparing) {
  ExecuteSQL(
      "CREATE TABLE FIB$DATASETS_INFO (DS_ID INTEGER NOT NULL, DESCRIPTION VARCHAR(60), "
      "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
      "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, NAME_GENERATOR CHAR(68), KEY_FIELD VARCHAR(60), "
      "UPDATE_TABLE_NAME VARCHAR(68), UPDATE_ONLY_MODIFIED_FIELDS SMALLINT, CONDITIONS BLOB SUB_TYPE 1)");
  ExecuteSQL(
      "INSERT INTO FIB$DATASETS_INFO VALUES (5, 'Measures', 'SELECT ID, NAME FROM MEASURES', "
      "'UPDATE MEASURES SET NAME = ?NAME WHERE ID = ?OLD_ID', NULL, NULL, NULL, 'GEN_MEASURES', 'ID', "
      "'MEASURES', 0, 'BIG#$#$ID > 100#$#$0')");
  TpFIBDataSet& data = NewDataSet({"select * from HOME_PHONES"}, "fdsRepository");
  // Prepared and opened once before it has an id.
  data.Open();
  data.Close();
  data.SetDataSet_ID(5);
  EXPECT_TRUE(data.PrepareOptions().Contains(psApplyRepositary));
  data.Open();
  EXPECT_EQ(Trim(data.SelectSQL().Text()), "SELECT ID, NAME FROM MEASURES");
  EXPECT_EQ(Trim(data.UpdateSQL().Text()), "UPDATE MEASURES SET NAME = ?NAME WHERE ID = ?OLD_ID");
  EXPECT_EQ(data.FieldCount(), 2);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "one");
  EXPECT_EQ(data.Description(), "Measures");
  EXPECT_EQ(data.AutoUpdateOptions().KeyFields(), "ID");
  EXPECT_EQ(data.AutoUpdateOptions().GeneratorName(), "GEN_MEASURES");
  EXPECT_EQ(data.AutoUpdateOptions().WhenGetGenID(), wgBeforePost);
  ASSERT_EQ(data.Conditions().Count(), 1);
  EXPECT_EQ(data.Conditions().Condition(0).Text(), "ID > 100");
  EXPECT_FALSE(data.Conditions().Condition(0).Enabled());
}

TEST_F(FieldPreparationTest, SelectParametersAreLinkedToTheirFieldsAndFillNewRecords) {
  TpFIBDataSet& data = NewDataSet({"select H.HOME_ID, H.STREET_ID, H.BUILD from HOME_PHONES H"
                                   " where H.STREET_ID = :SID and BUILD = ?B"},
                                  "fdsLinks", &WriteTransaction());
  data.AutoUpdateOptions().SetAutoParamsToFields(true);
  data.InsertSQL().SetText("insert into HOME_PHONES (HOME_ID, STREET_ID, BUILD) values (?HOME_ID, ?STREET_ID, ?BUILD)");
  data.OpenWithParams({Variant(3), Variant(11)});
  EXPECT_EQ(Lines(data.AutoUpdateOptions().ParamsToFieldsLinks()), (Names{"STREET_ID=SID", "BUILD=B"}));
  data.Insert();
  EXPECT_EQ(data.FieldByName("STREET_ID")->AsInteger(), 3);
  EXPECT_EQ(data.FieldByName("BUILD")->AsInteger(), 11);
  EXPECT_TRUE(data.FieldByName("HOME_ID")->IsNull());
  data.Cancel();
}

}  // namespace
