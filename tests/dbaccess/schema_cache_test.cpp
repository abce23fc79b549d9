// The schema cache on the embedded engine: written to its file and read
// back whole, checked against the database it was read from (by a handler,
// one entry at a time, or against the server's listings), and kept by the
// application connection across a close and the next connect.

#include "dbaccess/metadata/table_info_collect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/metadata/error_messages.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "framework/core/storage/file_io.h"
#include "tests/dbaccess/metadata_fixture.h"
#include "tests/support/listings.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace {

class SchemaCacheTest : public MetadataTest {
 protected:
  std::string CacheFile() const { return (std::filesystem::path(Folder()) / "schema.mcf").string(); }

  // The table names of the cache's entries, in its order.
  static Names Entries() {
    Names names;
    for (int i = 0; i < ListTableInfo().Count(); ++i) names.push_back(ListTableInfo().Items(i).TableName());
    return names;
  }

  // Tables T01..Tnn with one column each.
  void CreateTables(int count) {
    for (int i = 1; i <= count; ++i) ExecuteSQL("CREATE TABLE " + TableName(i) + " (ID INTEGER)");
  }
  static std::string TableName(int i) { return (i < 10 ? "T0" : "T") + std::to_string(i); }
};

TEST_F(SchemaCacheTest, WhatIsSavedLoadsBackTheSame) {
  CreatePeople();
  CreateFieldsInfo();
  ExecuteSQL(
      "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, VISIBLE, DISPLAY_WIDTH, FIB$VERSION, "
      "HINT) VALUES ('PEOPLE', 'NAME', 'Name', 1, 12, 4, 'a hint')");
  TFIBDatabase& db = OpenDatabase("DB");
  ListTableInfo().GetTableInfo(&db, "PEOPLE", true)->PrimaryKeyFields();
  ListTableInfo().GetTableInfo(&db, "V_PEOPLE", false);
  ListTableInfo().GetTableInfo(&db, "P_NAMES", false);
  const std::string saved = ListTableInfo().SaveToBytes();
  ListTableInfo().SaveToFile(CacheFile());
  EXPECT_EQ(ReadFileText(CacheFile()), saved);
  // Written beside it and renamed: nothing else is left in the folder.
  EXPECT_EQ(FilesIn(Folder()), (Names{"schema.mcf", "test.fdb"}));

  ListTableInfo().Clear();
  ASSERT_TRUE(ListTableInfo().LoadFromFile(CacheFile()));
  EXPECT_EQ(ListTableInfo().SaveToBytes(), saved);
  EXPECT_EQ(Entries(), (Names{"PEOPLE", "P_NAMES", "V_PEOPLE"}));
  TpFIBTableInfo* people = ListTableInfo().FindTableInfo(DatabasePath(), "PEOPLE");
  ASSERT_NE(people, nullptr);
  EXPECT_TRUE(people->WithRepository());
  EXPECT_EQ(people->RepositoryVersion(), 4);
  EXPECT_EQ(people->StoredPrimaryKeyFields(), "ID2;ID1");
  const TpFIBFieldInfo& name = *people->FieldInfo("NAME");
  EXPECT_EQ(name.DefaultValue(), "O'Brien");
  EXPECT_EQ(name.DisplayLabel(), "Name");
  EXPECT_EQ(name.DisplayWidth(), 12);
  EXPECT_EQ(Lines(name.OtherInfo()), (Names{"HINT=a hint"}));
  EXPECT_EQ(people->FieldInfo("FLAG")->DomainName(), "D_BOOLEAN");
  EXPECT_FALSE(people->FieldInfo("NOTES")->CanIncToWhereClause());
  EXPECT_TRUE(people->FieldInfo("FULL_NAME")->IsComputed());
  EXPECT_TRUE(people->FieldInfo("EMPTY_TEXT")->DefaultValueEmptyString());

  // An empty cache leaves no file behind.
  ListTableInfo().Clear();
  ListTableInfo().SaveToFile(CacheFile());
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));
  EXPECT_FALSE(ListTableInfo().LoadFromFile(CacheFile()));
}

TEST_F(SchemaCacheTest, AnEntryReadFromTheFileReadsItsKeyWhenAskedForOnAConnection) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  ListTableInfo().GetTableInfo(&db, "PEOPLE", false);  // its key not read yet
  ListTableInfo().SaveToFile(CacheFile());
  ASSERT_TRUE(ListTableInfo().LoadFromFile(CacheFile()));
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  EXPECT_EQ(info->StoredPrimaryKeyFields(), DeferredPrimaryKey);
  EXPECT_EQ(info->PrimaryKeyFields(), "ID2;ID1");
}

// ---- Validation ---------------------------------------------------------------------------------

TEST_F(SchemaCacheTest, AnAcceptHandlerDecidesForEveryEntry) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  for (const char* table : {"PEOPLE", "V_PEOPLE", "P_NAMES"}) ListTableInfo().GetTableInfo(&db, table, false);
  Names asked;
  ListTableInfo().ValidateSchemaCache(&db, [&](const std::string& name, bool& accept) {
    asked.push_back(name);
    accept = name == "PEOPLE";
  });
  EXPECT_EQ(asked, (Names{"V_PEOPLE", "P_NAMES", "PEOPLE"}));  // last first
  EXPECT_EQ(Entries(), (Names{"PEOPLE"}));
  // A handler that leaves Accept alone drops everything.
  ListTableInfo().ValidateSchemaCache(&db, [](const std::string&, bool&) {});
  EXPECT_EQ(ListTableInfo().Count(), 0);
}

TEST_F(SchemaCacheTest, FewEntriesAreCheckedOneByOne) {
  CreatePeople();
  CreateFieldsInfo();
  ExecuteSQL("INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, FIB$VERSION) VALUES ('V_PEOPLE', 'ID1', 1)");
  const std::string otherPath = CreateDatabase("other.fdb");
  TFIBDatabase& db = OpenDatabase("DB");
  TFIBDatabase& other = OpenDatabase("Other", otherPath);
  for (const char* table : {"PEOPLE", "V_PEOPLE", "P_NAMES"}) ListTableInfo().GetTableInfo(&db, table, true);
  ListTableInfo().GetTableInfo(&other, "RDB$DATABASE", false);
  ListTableInfo().ValidateSchemaCache(&db, {});
  EXPECT_EQ(Entries(), (Names{"PEOPLE", "P_NAMES", "RDB$DATABASE", "V_PEOPLE"}));

  // A table whose format changed, and a view whose repository rows did.
  ExecuteSQL("ALTER TABLE PEOPLE ALTER COLUMN EMPTY_TEXT TYPE VARCHAR(20)");
  ExecuteSQL("UPDATE FIB$FIELDS_INFO SET FIB$VERSION = 2 WHERE TABLE_NAME = 'V_PEOPLE'");
  ListTableInfo().ValidateSchemaCache(&db, {});
  // The other database's entry is not this database's to judge.
  EXPECT_EQ(Entries(), (Names{"P_NAMES", "RDB$DATABASE"}));
}

TEST_F(SchemaCacheTest, ManyEntriesAreCheckedAgainstTheServersListings) {
  CreateTables(12);
  const std::string otherPath = CreateDatabase("other.fdb");
  TFIBDatabase& db = OpenDatabase("DB");
  TFIBDatabase& other = OpenDatabase("Other", otherPath);
  for (int i = 1; i <= 12; ++i) ListTableInfo().GetTableInfo(&db, TableName(i), false);
  TFIBTransaction& tr = NewTransaction("TR", &other);
  tr.StartTransaction();
  Execute(other, tr, "CREATE TABLE ONLY_THERE (ID INTEGER)");
  tr.Commit();
  ListTableInfo().GetTableInfo(&other, "ONLY_THERE", false);

  ExecuteSQL("ALTER TABLE T05 ADD NAME VARCHAR(10)");
  ExecuteSQL("DROP TABLE T07");
  ListTableInfo().ValidateSchemaCache(&db, {});
  Names expected{"ONLY_THERE"};
  for (int i = 1; i <= 12; ++i)
    if (i != 5 && i != 7) expected.push_back(TableName(i));
  EXPECT_EQ(Entries(), expected);
}

TEST_F(SchemaCacheTest, WithARepositoryManyEntriesMustMatchItsVersionsToo) {
  CreateTables(11);
  CreateFieldsInfo();
  ExecuteSQL("INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, FIB$VERSION) VALUES ('T01', 'ID', 5)");
  ExecuteSQL("INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, FIB$VERSION) VALUES ('T02', 'ID', 6)");
  TFIBDatabase& db = OpenDatabase("DB");
  for (int i = 1; i <= 11; ++i) ListTableInfo().GetTableInfo(&db, TableName(i), true);
  ExecuteSQL("UPDATE FIB$FIELDS_INFO SET FIB$VERSION = 8 WHERE TABLE_NAME = 'T02'");
  ListTableInfo().ValidateSchemaCache(&db, {});
  // A table without repository rows has no version there to match.
  EXPECT_EQ(Entries(), (Names{"T01"}));
}

// ---- The application connection ---------------------------------------------------------------

class AppSchemaCacheTest : public SchemaCacheTest {
 protected:
  TpFIBDatabase& NewCachingDatabase(const std::string& name) {
    TpFIBDatabase& db = NewAppDatabase(name);
    TCacheSchemaOptions& options = db.CacheSchemaOptions();
    options.SetLocalCacheFile(CacheFile());
    options.SetAutoLoadFromFile(true);
    options.SetAutoSaveToFile(true);
    return db;
  }
  std::string ErrorFile() const { return (std::filesystem::path(Folder()) / "schema.err").string(); }
};

TEST_F(AppSchemaCacheTest, TheCacheIsSavedAtCloseAndReadAtTheNextConnect) {
  CreatePeople();
  TpFIBDatabase& db = NewCachingDatabase("DB");
  db.OpenConnection();
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));
  ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  ListTableInfo().GetTableInfo(&db, "V_PEOPLE", false);
  ListErrorMessages().AddMessage(DatabasePath(), "PK_PEOPLE", 3, "The person is there already");
  const std::string saved = ListTableInfo().SaveToBytes();
  db.CloseConnection(false);
  EXPECT_EQ(ReadFileText(CacheFile()), saved);
  EXPECT_TRUE(std::filesystem::exists(ErrorFile()));

  // The next run of the program.
  RestartMetadataCaches();
  ExecuteSQL("ALTER TABLE PEOPLE ADD EXTRA INTEGER");
  Names asked;
  db.OnAcceptCacheSchema = [&](const std::string& name, bool& accept) {
    asked.push_back(name);
    accept = true;
  };
  db.OpenConnection();
  EXPECT_EQ(asked, (Names{"V_PEOPLE", "PEOPLE"}));
  EXPECT_EQ(Entries(), (Names{"PEOPLE", "V_PEOPLE"}));
  ASSERT_NE(ListErrorMessages().FindMessage(DatabasePath(), "PK_PEOPLE"), nullptr);
  EXPECT_EQ(ListErrorMessages().FindMessage(DatabasePath(), "PK_PEOPLE")->Text(), "The person is there already");

  // Without a handler the changed table is found out and the file written
  // again without it.
  db.CloseConnection(false);
  RestartMetadataCaches();
  db.OnAcceptCacheSchema = nullptr;
  db.OpenConnection();
  EXPECT_EQ(Entries(), (Names{"V_PEOPLE"}));
  EXPECT_EQ(ReadFileText(CacheFile()), ListTableInfo().SaveToBytes());
}

TEST_F(AppSchemaCacheTest, WithoutValidationTheFileIsTakenAsItIs) {
  CreatePeople();
  TpFIBDatabase& db = NewCachingDatabase("DB");
  db.CacheSchemaOptions().SetValidateAfterLoad(false);
  db.OpenConnection();
  ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  db.CloseConnection(false);
  RestartMetadataCaches();
  ExecuteSQL("ALTER TABLE PEOPLE ADD EXTRA INTEGER");
  db.OpenConnection();
  ASSERT_EQ(Entries(), (Names{"PEOPLE"}));
  EXPECT_EQ(ListTableInfo().Items(0).FieldInfo("EXTRA"), nullptr);
}

TEST_F(AppSchemaCacheTest, WithoutAutomaticLoadAndSaveNoFileIsTouched) {
  CreatePeople();
  TpFIBDatabase& db = NewCachingDatabase("DB");
  db.CacheSchemaOptions().SetAutoSaveToFile(false);
  db.OpenConnection();
  ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  db.CloseConnection(false);
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));

  WriteFileText(CacheFile(), "not a cache");
  db.CacheSchemaOptions().SetAutoLoadFromFile(false);
  db.OpenConnection();
  EXPECT_EQ(Entries(), (Names{"PEOPLE"}));
  EXPECT_EQ(ReadFileText(CacheFile()), "not a cache");
}

TEST_F(AppSchemaCacheTest, ACacheTheServerCannotCheckIsDroppedAndTheConnectionStands) {
  CreateTables(11);
  // A repository from before versions were kept: the listing of its
  // versions fails.
  CreateFieldsInfo(false);
  TpFIBDatabase& db = NewCachingDatabase("DB");
  db.OpenConnection();
  for (int i = 1; i <= 11; ++i) ListTableInfo().GetTableInfo(&db, TableName(i), false);
  db.CloseConnection(false);
  ASSERT_TRUE(std::filesystem::exists(CacheFile()));

  RestartMetadataCaches();
  EXPECT_NO_THROW(db.OpenConnection());
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(ListTableInfo().Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));

  // A handler's own error is the program's to hear.
  ListTableInfo().GetTableInfo(&db, "T01", false);
  db.CloseConnection(false);
  RestartMetadataCaches();
  db.OnAcceptCacheSchema = [](const std::string&, bool&) { throw Exception("refused"); };
  EXPECT_EQ(MessageOf([&] { db.OpenConnection(); }), "refused");
}

TEST_F(AppSchemaCacheTest, AConnectionFreedAfterTheLayersShutdownWritesNothing) {
  TpFIBDatabase& db = NewCachingDatabase("DB");
  db.OpenConnection();
  ListTableInfo().GetTableInfo(&db, "RDB$DATABASE", false);
  ShutdownMetadataCaches();
  EXPECT_NO_THROW(db.Free());
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));
}

}  // namespace
