#include "tests/dbaccess/metadata_fixture.h"

#include "dbaccess/metadata/metadata_caches.h"

void MetadataTest::SetUp() {
  ConnectionTest::SetUp();
  RestartMetadataCaches();
}

void MetadataTest::TearDown() {
  ConnectionTest::TearDown();
  RestartMetadataCaches();
}

void MetadataTest::CreatePeople() {
  ExecuteSQL("CREATE DOMAIN D_BOOLEAN AS SMALLINT DEFAULT 0 CHECK (VALUE IN (0, 1))");
  ExecuteSQL("CREATE DOMAIN D_TITLE AS VARCHAR(20) DEFAULT 'none'");
  ExecuteSQL(
      "CREATE TABLE PEOPLE ("
      "  ID1 INTEGER NOT NULL,"
      "  ID2 INTEGER NOT NULL,"
      "  NAME VARCHAR(30) DEFAULT 'O''Brien',"
      "  EMPTY_TEXT VARCHAR(10) DEFAULT '',"
      "  PLAIN VARCHAR(10),"
      "  AMOUNT NUMERIC(10, 2) DEFAULT 12.5,"
      "  CREATED TIMESTAMP DEFAULT CURRENT_TIMESTAMP,"
      "  FLAG D_BOOLEAN,"
      "  FLAG_SET D_BOOLEAN DEFAULT 1,"
      "  TITLE D_TITLE,"
      "  NOTES BLOB SUB_TYPE 1,"
      "  SCORES INTEGER[3],"
      "  FULL_NAME COMPUTED BY (NAME || ' ' || PLAIN),"
      "  CONSTRAINT PK_PEOPLE PRIMARY KEY (ID2, ID1))");
  ExecuteSQL("CREATE VIEW V_PEOPLE AS SELECT ID1, NAME FROM PEOPLE");
  ExecuteSQL(
      "CREATE PROCEDURE P_NAMES (NAME_LIKE VARCHAR(30)) RETURNS (OUT_NAME VARCHAR(30), OUT_COUNT INTEGER) "
      "AS BEGIN SUSPEND; END");
}

void MetadataTest::CreateFieldsInfo(bool versioned) {
  std::string columns =
      "TABLE_NAME VARCHAR(31), FIELD_NAME VARCHAR(31), DISPLAY_LABEL VARCHAR(25), VISIBLE SMALLINT, "
      "DISPLAY_FORMAT VARCHAR(15), EDIT_FORMAT VARCHAR(15), TRIGGERED SMALLINT, HINT VARCHAR(40)";
  if (versioned) columns += ", DISPLAY_WIDTH INTEGER, FIB$VERSION INTEGER";
  ExecuteSQL("CREATE TABLE FIB$FIELDS_INFO (" + columns + ")");
}

TFIBDatabase& MetadataTest::OpenDatabase(const std::string& name, const std::string& path) {
  TFIBDatabase& database = NewDatabase(name, path);
  database.OpenConnection();
  return database;
}

TpFIBDatabase& MetadataTest::NewAppDatabase(const std::string& name) {
  auto* database = new TpFIBDatabase(&Form());  // owned by the form
  database->SetName(name);
  database->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) database->DBParams().Add(line);
  database->SetSQLDialect(3);
  database->SetSynchronizeTime(false);
  return *database;
}
