// Dataset descriptions read from the FIB$DATASETS_INFO repository on the
// embedded engine: the row of an id, kept once read, read again while
// designing, and the refusals when there is nothing to read from.

#include "dbaccess/metadata/dataset_info.h"

#include <gtest/gtest.h>

#include <string>

#include "dbaccess/metadata/metadata_caches.h"
#include "tests/dbaccess/metadata_fixture.h"
#include "tests/support/listings.h"
#include "tests/support/raised.h"

namespace {

class DataSetInfoTest : public MetadataTest {
 protected:
  void CreateDataSetsInfo() {
    ExecuteSQL(
        "CREATE TABLE FIB$DATASETS_INFO (DS_ID INTEGER NOT NULL, DESCRIPTION VARCHAR(60), "
        "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
        "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, NAME_GENERATOR CHAR(68), KEY_FIELD VARCHAR(60), "
        "UPDATE_TABLE_NAME VARCHAR(68), UPDATE_ONLY_MODIFIED_FIELDS SMALLINT, CONDITIONS BLOB SUB_TYPE 1)");
    ExecuteSQL(
        "INSERT INTO FIB$DATASETS_INFO VALUES (5, 'Phones at home', 'SELECT * FROM HOME_PHONES' || ascii_char(13) "
        "|| ascii_char(10) || 'WHERE 1 = 1', 'UPDATE HOME_PHONES SET PHONE = ?PHONE WHERE ID = ?OLD_ID', NULL, "
        "NULL, NULL, 'GEN_HOME_ID', 'ID', 'HOME_PHONES', 1, 'CITY=CITY_ID = 1')");
  }

  // The description of the id as the dataset would be handed it.
  std::string Describe(TFIBDatabase* db, int id, bool designing = false) {
    std::string seen;
    ListDataSetInfo().ApplyDataSetInfo(db, id, "fdsHome", designing,
                                       [&](const TpDataSetInfo& info) { seen = info.Description(); });
    return seen;
  }
};

TEST_F(DataSetInfoTest, TheRowOfTheIdIsReadOnceAndKept) {
  CreateDataSetsInfo();
  TFIBDatabase& db = OpenDatabase("DB");
  const TpDataSetInfo* read = nullptr;
  ListDataSetInfo().ApplyDataSetInfo(&db, 5, "fdsHome", false, [&](const TpDataSetInfo& info) { read = &info; });
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->DBName(), DatabasePath());
  EXPECT_EQ(Lines(read->SelectSQL()), (Names{"SELECT * FROM HOME_PHONES", "WHERE 1 = 1"}));
  EXPECT_EQ(Lines(read->UpdateSQL()), (Names{"UPDATE HOME_PHONES SET PHONE = ?PHONE WHERE ID = ?OLD_ID"}));
  EXPECT_EQ(read->InsertSQL().Count(), 0);
  EXPECT_EQ(read->KeyField(), "ID");
  EXPECT_EQ(read->GeneratorName(), "GEN_HOME_ID");
  EXPECT_EQ(read->UpdateTableName(), "HOME_PHONES");
  EXPECT_TRUE(read->UpdateOnlyModifiedFields());
  EXPECT_EQ(read->Conditions(), "CITY=CITY_ID = 1");
  EXPECT_EQ(ListDataSetInfo().FindDataSetInfo(5, DatabasePath()), read);

  ExecuteSQL("UPDATE FIB$DATASETS_INFO SET DESCRIPTION = 'Changed'");
  EXPECT_EQ(Describe(&db, 5), "Phones at home");
  // While designing the row is read again.
  EXPECT_EQ(Describe(&db, 5, true), "Changed");
  EXPECT_EQ(ListDataSetInfo().Count(), 1);

  // An id without a row has an empty description, kept as well.
  EXPECT_EQ(Describe(&db, 6), "");
  EXPECT_EQ(ListDataSetInfo().Count(), 2);
}

TEST_F(DataSetInfoTest, ReadingIsRefusedWithoutADatabaseAnIdOrTheRepository) {
  TFIBDatabase& db = OpenDatabase("DB");
  EXPECT_EQ(MessageOf([&] { Describe(&db, 5); }), "Table FIB$DATASETS_INFO does not exist.");
  EXPECT_EQ(MessageOf([&] { Describe(nullptr, 5); }), "Can't get info for 5\r\nDatabase is not assigned");
  CreateDataSetsInfo();
  EXPECT_EQ(MessageOf([&] { Describe(&db, 0); }), "fdsHome.DataSet_ID should be greater than 0");
  EXPECT_EQ(ListDataSetInfo().Count(), 0);
}

}  // namespace
