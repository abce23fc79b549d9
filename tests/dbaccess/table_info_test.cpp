// The table information cache on the embedded engine: what it reads of a
// table's columns, views and stored procedures, primary keys, the
// repository table and its existence probe, entries per database, the lock
// two threads share, and the transactions it reads in.

#include "dbaccess/metadata/table_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/repository.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "dbaccess/statement/query.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/metadata_fixture.h"
#include "tests/support/listings.h"
#include "tests/support/raised.h"

namespace {

Names FieldNames(const TpFIBTableInfo& info) {
  Names names;
  for (int i = 0; i < info.FieldCount(); ++i) names.push_back(info.FieldName(i));
  return names;
}

// ---- One column of the sample table --------------------------------------------------------

struct TColumnCase {
  const char* Column;
  // A user domain's name, or "" for the server's own RDB$ domain.
  const char* Domain;
  bool Computed;
  const char* Default;
  bool EmptyDefault;
  bool UsableInWhere;
};

std::ostream& operator<<(std::ostream& os, const TColumnCase& c) { return os << c.Column; }

class ColumnInfoTest : public MetadataTest, public ::testing::WithParamInterface<TColumnCase> {};

TEST_P(ColumnInfoTest, IsReadFromTheSystemTables) {
  const TColumnCase& c = GetParam();
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  const TpFIBFieldInfo* info = ListTableInfo().GetFieldInfo(&db, "PEOPLE", false, c.Column);
  ASSERT_NE(info, nullptr);
  if (*c.Domain != '\0')
    EXPECT_EQ(info->DomainName(), c.Domain);
  else
    EXPECT_EQ(info->DomainName().rfind("RDB$", 0), 0u) << info->DomainName();
  EXPECT_EQ(info->IsComputed(), c.Computed);
  EXPECT_EQ(info->DefaultValue(), c.Default);
  EXPECT_EQ(info->DefaultValueEmptyString(), c.EmptyDefault);
  EXPECT_EQ(info->CanIncToWhereClause(), c.UsableInWhere);
  EXPECT_FALSE(info->WithAdditionalInfo());
}

INSTANTIATE_TEST_SUITE_P(
    People, ColumnInfoTest,
    ::testing::Values(TColumnCase{"ID1", "", false, "", false, true},
                      // A doubled quote inside the literal is one quote of the value.
                      TColumnCase{"NAME", "", false, "O'Brien", false, true},
                      TColumnCase{"EMPTY_TEXT", "", false, "", true, true},
                      TColumnCase{"PLAIN", "", false, "", false, true},
                      TColumnCase{"AMOUNT", "", false, "12.5", false, true},
                      TColumnCase{"CREATED", "", false, "CURRENT_TIMESTAMP", false, true},
                      // The domain's default, unless the column has its own.
                      TColumnCase{"FLAG", "D_BOOLEAN", false, "0", false, true},
                      TColumnCase{"FLAG_SET", "D_BOOLEAN", false, "1", false, true},
                      TColumnCase{"TITLE", "D_TITLE", false, "none", false, true},
                      TColumnCase{"NOTES", "", false, "", false, false},
                      TColumnCase{"SCORES", "", false, "", false, false},
                      TColumnCase{"FULL_NAME", "", true, "", false, true}),
    [](const auto& info) { return std::string(info.param.Column); });

// ---- Tables, views, procedures ---------------------------------------------------------------

TEST_F(MetadataTest, ATableListsItsColumnsInOrderWithItsFormatAndKey) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, " \"PEOPLE\" ", false);
  EXPECT_EQ(info->TableName(), "PEOPLE");
  EXPECT_EQ(info->DBName(), DatabasePath());
  EXPECT_EQ(FieldNames(*info), (Names{"ID1", "ID2", "NAME", "EMPTY_TEXT", "PLAIN", "AMOUNT", "CREATED", "FLAG",
                                      "FLAG_SET", "TITLE", "NOTES", "SCORES", "FULL_NAME"}));
  EXPECT_EQ(info->FormatVersion(),
            QueryInt64("select RDB$FORMAT from RDB$RELATIONS where RDB$RELATION_NAME = 'PEOPLE'"));
  // A column is found by any spelling the dataset may hold of it.
  EXPECT_EQ(info->FieldInfo("\"name\" "), info->FieldInfo("NAME"));
  EXPECT_EQ(info->FieldInfo("MISSING"), nullptr);

  EXPECT_EQ(info->StoredPrimaryKeyFields(), DeferredPrimaryKey);
  EXPECT_EQ(info->PrimaryKeyFields(), "ID2;ID1");
  EXPECT_EQ(info->StoredPrimaryKeyFields(), "ID2;ID1");
  // The second asker gets the same entry, read once.
  EXPECT_EQ(ListTableInfo().GetTableInfo(&db, "PEOPLE", false), info);
  EXPECT_EQ(ListTableInfo().Count(), 1);
}

TEST_F(MetadataTest, AViewIsVersionedByItsRelationId) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "V_PEOPLE", false);
  EXPECT_EQ(FieldNames(*info), (Names{"ID1", "NAME"}));
  EXPECT_EQ(info->FormatVersion(),
            QueryInt64("select RDB$RELATION_ID from RDB$RELATIONS where RDB$RELATION_NAME = 'V_PEOPLE'"));
  EXPECT_EQ(info->PrimaryKeyFields(), "");
}

TEST_F(MetadataTest, ANameWithoutColumnsIsReadAsAStoredProceduresOutputs) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "P_NAMES", false);
  EXPECT_EQ(FieldNames(*info), (Names{"OUT_NAME", "OUT_COUNT"}));
  EXPECT_TRUE(info->FieldInfo("OUT_NAME")->CanIncToWhereClause());
  // Neither a table nor a procedure: an entry without columns.
  EXPECT_EQ(ListTableInfo().GetTableInfo(&db, "NOTHING_HERE", false)->FieldCount(), 0);
}

TEST_F(MetadataTest, ATableIsFoundByItsExactName) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  // The server knows no table "people": asked first, it must not stand in
  // for PEOPLE afterwards.
  TpFIBTableInfo* lower = ListTableInfo().GetTableInfo(&db, "people", false);
  TpFIBTableInfo* upper = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  EXPECT_NE(lower, upper);
  EXPECT_EQ(lower->FieldCount(), 0);
  EXPECT_EQ(upper->FieldCount(), 13);
}

TEST_F(MetadataTest, ADoubleQuotedDefaultIsUnquotedAndUnescaped) {
  const std::string path = CreateDatabase("dialect1.fdb", 1);
  TFIBDatabase& db = NewDatabase("DB", path);
  db.SetSQLDialect(1);
  db.OpenConnection();
  TFIBTransaction& tr = NewTransaction("TR", &db);
  tr.StartTransaction();
  {
    TFIBQuery ddl(nullptr);
    ddl.SetParamCheck(false);
    ddl.SetDatabase(&db);
    ddl.SetTransaction(&tr);
    ddl.SQL().SetText("CREATE TABLE SAYINGS (S VARCHAR(20) DEFAULT \"say \"\"hi\"\"\", E VARCHAR(5) DEFAULT \"\")");
    ddl.ExecQuery();
  }
  tr.Commit();
  const TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "SAYINGS", false);
  EXPECT_EQ(info->FieldInfo("S")->DefaultValue(), "say \"hi\"");
  EXPECT_FALSE(info->FieldInfo("S")->DefaultValueEmptyString());
  EXPECT_EQ(info->FieldInfo("E")->DefaultValue(), "");
  EXPECT_TRUE(info->FieldInfo("E")->DefaultValueEmptyString());
}

TEST_F(MetadataTest, ServerErrorsReachTheCallerAndLeaveNoEntry) {
  TFIBDatabase& db = NewDatabase("DB");  // not connected
  EXPECT_TRUE(RaisedBy([&] { ListTableInfo().GetTableInfo(&db, "PEOPLE", false); }).Caught);
  EXPECT_EQ(ListTableInfo().Count(), 0);
}

// ---- Entries per database ----------------------------------------------------------------------

TEST_F(MetadataTest, TwoDatabasesKeepTheirOwnEntriesForOneTableName) {
  CreatePeople();
  const std::string otherPath = CreateDatabase("other.fdb");
  TFIBDatabase& db = OpenDatabase("DB");
  TFIBDatabase& other = OpenDatabase("Other", otherPath);
  TFIBTransaction& tr = NewTransaction("TR", &other);
  tr.StartTransaction();
  Execute(other, tr, "CREATE TABLE PEOPLE (CODE INTEGER)");
  tr.Commit();

  TpFIBTableInfo* here = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  TpFIBTableInfo* there = ListTableInfo().GetTableInfo(&other, "PEOPLE", false);
  EXPECT_NE(here, there);
  EXPECT_EQ(FieldNames(*there), (Names{"CODE"}));
  EXPECT_EQ(ListTableInfo().FindTableInfo(otherPath, "PEOPLE"), there);
  EXPECT_EQ(ListTableInfo().FindTableInfo(DatabasePath(), "PEOPLE"), here);
  EXPECT_EQ(ListTableInfo().GetFieldInfo(&other, "PEOPLE", false, "NAME"), nullptr);
  EXPECT_EQ(Lines(ListTableInfo().DatabaseNames()), (Names{otherPath, DatabasePath()}));  // sorted

  // A connection that goes takes its entries along, and only its own.
  other.Free();
  EXPECT_EQ(ListTableInfo().FindTableInfo(otherPath, "PEOPLE"), nullptr);
  EXPECT_EQ(ListTableInfo().FindTableInfo(DatabasePath(), "PEOPLE"), here);
}

// ---- The repository ------------------------------------------------------------------------------

TEST_F(MetadataTest, TheRepositoryProbeAsksOncePerConnectionAndOnlyWhenTheRepositoryIsUsed) {
  TFIBDatabase& db = OpenDatabase("DB");
  EXPECT_FALSE(RepositoryTableExists(&db, rtFieldsInfo));
  EXPECT_EQ(RepositoryExistence().Line(&db), "022");
  CreateFieldsInfo();
  // The answer stands for the connection's life.
  EXPECT_FALSE(RepositoryTableExists(&db, rtFieldsInfo));

  TFIBDatabase& second = OpenDatabase("Second");
  second.SetUseRepositories({TFIBUseRepository::urDataSetInfo});
  EXPECT_FALSE(RepositoryTableExists(&second, rtFieldsInfo));
  EXPECT_EQ(RepositoryExistence().Line(&second), "222");
  second.SetUseRepositories({TFIBUseRepository::urFieldsInfo, TFIBUseRepository::urDataSetInfo});
  EXPECT_TRUE(RepositoryTableExists(&second, rtFieldsInfo));
  EXPECT_FALSE(RepositoryTableExists(&second, rtDataSetsInfo));
  EXPECT_FALSE(RepositoryTableExists(&second, rtErrorMessages));
  EXPECT_EQ(RepositoryExistence().Line(&second), "102");

  // The line goes with its connection.
  second.Free();
  EXPECT_EQ(RepositoryExistence().Line(&second), "222");
}

class RepositoryTest : public MetadataTest {
 protected:
  void SetUp() override {
    MetadataTest::SetUp();
    CreatePeople();
    CreateFieldsInfo();
    ExecuteSQL(
        "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, VISIBLE, DISPLAY_FORMAT, "
        "EDIT_FORMAT, TRIGGERED, DISPLAY_WIDTH, FIB$VERSION, HINT) VALUES ('PEOPLE', 'NAME', '" +
        RU("Фамилия") + "', 1, 'fmt', 'edit', 0, 25, 7, 'the family name')");
    ExecuteSQL(
        "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, VISIBLE, TRIGGERED, FIB$VERSION) "
        "VALUES ('PEOPLE', 'ID1', 0, 1, 3)");
    ExecuteSQL(
        "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, FIB$VERSION) "
        "VALUES ('ALIAS', 'CITY', 'Town', 2)");
  }
};

TEST_F(RepositoryTest, AttributesOfTheColumnsRowsAreRead) {
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", true);
  EXPECT_TRUE(info->WithRepository());
  EXPECT_EQ(info->RepositoryVersion(), 7);
  const TpFIBFieldInfo& name = *info->FieldInfo("NAME");
  EXPECT_TRUE(name.WithAdditionalInfo());
  EXPECT_EQ(name.DisplayLabel(), RU("Фамилия"));
  EXPECT_TRUE(name.Visible());
  EXPECT_EQ(name.DisplayFormat(), "fmt");
  EXPECT_EQ(name.EditFormat(), "edit");
  EXPECT_FALSE(name.IsTriggered());
  EXPECT_EQ(name.DisplayWidth(), 25);
  EXPECT_EQ(Lines(name.OtherInfo()), (Names{"HINT=the family name"}));
  // The system tables' part is there as without the repository.
  EXPECT_EQ(name.DefaultValue(), "O'Brien");

  const TpFIBFieldInfo& id = *info->FieldInfo("ID1");
  EXPECT_TRUE(id.WithAdditionalInfo());
  EXPECT_FALSE(id.Visible());
  EXPECT_TRUE(id.IsTriggered());
  EXPECT_EQ(Lines(id.OtherInfo()), (Names{"HINT="}));
  EXPECT_FALSE(info->FieldInfo("PLAIN")->WithAdditionalInfo());

  // The pseudo-table ALIAS is made of its rows alone.
  TpFIBTableInfo* alias = ListTableInfo().GetTableInfo(&db, "ALIAS", true);
  EXPECT_EQ(FieldNames(*alias), (Names{"CITY"}));
  EXPECT_EQ(alias->FieldInfo("CITY")->DisplayLabel(), "Town");
}

TEST_F(RepositoryTest, AnEntryReadWithoutTheRepositoryReadsItWhenAskedWithIt) {
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  EXPECT_FALSE(info->FieldInfo("NAME")->WithAdditionalInfo());
  EXPECT_EQ(ListTableInfo().GetTableInfo(&db, "PEOPLE", true), info);
  EXPECT_TRUE(info->WithRepository());
  EXPECT_EQ(info->RepositoryVersion(), 7);
  EXPECT_EQ(info->FieldInfo("NAME")->DisplayWidth(), 25);
  EXPECT_EQ(Lines(info->FieldInfo("NAME")->OtherInfo()), (Names{"HINT=the family name"}));
}

TEST_F(RepositoryTest, WithoutUseRepositoriesTheRepositoryIsLeftAlone) {
  TFIBDatabase& db = OpenDatabase("DB");
  db.SetUseRepositories({});
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", true);
  EXPECT_FALSE(info->FieldInfo("NAME")->WithAdditionalInfo());
  EXPECT_EQ(info->RepositoryVersion(), 0);
}

TEST_F(MetadataTest, RepositoryRowsOfATableWhoseNameHoldsAQuoteAreRead) {
  ExecuteSQL("CREATE TABLE \"O'Table\" (ID INTEGER)");
  CreateFieldsInfo();
  ExecuteSQL(
      "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, FIB$VERSION) "
      "VALUES ('O''Table', 'ID', 'Key', 1)");
  // Another table's row that a name pasted into the text could reach.
  ExecuteSQL(
      "INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, FIB$VERSION) "
      "VALUES ('X', 'ID', 'Other', 2)");
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "\"O'Table\"", true);
  EXPECT_EQ(info->TableName(), "O'Table");
  EXPECT_EQ(info->RepositoryVersion(), 1);
  EXPECT_EQ(info->FieldInfo("ID")->DisplayLabel(), "Key");
}

TEST_F(MetadataTest, AnOlderRepositoryIsUpgradedWhenItsVersionCannotBeRead) {
  CreatePeople();
  CreateFieldsInfo(false);
  ExecuteSQL("INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL) VALUES ('PEOPLE', 'NAME', 'N')");
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  ListTableInfo().GetTableInfo(&db, "PEOPLE", true);
  EXPECT_EQ(info->RepositoryVersion(), 0);
  EXPECT_EQ(info->FieldInfo("NAME")->DisplayLabel(), "N");

  EXPECT_EQ(QueryRows("select trim(RDB$FIELD_NAME) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = "
                      "'FIB$FIELDS_INFO' and RDB$FIELD_NAME in ('DISPLAY_WIDTH', 'FIB$VERSION') order by 1"),
            (std::vector<std::vector<std::string>>{{"DISPLAY_WIDTH"}, {"FIB$VERSION"}}));
  EXPECT_EQ(QueryInt64("select count(*) from RDB$TRIGGERS where RDB$TRIGGER_NAME in ('FIB$FIELDS_INFO_BI', "
                       "'FIB$FIELDS_INFO_BU') and RDB$TRIGGER_INACTIVE = 0"),
            2);
  // The triggers number every change from the generator.
  ExecuteSQL("INSERT INTO FIB$FIELDS_INFO (TABLE_NAME, FIELD_NAME) VALUES ('PEOPLE', 'PLAIN')");
  EXPECT_EQ(QueryInt64("select FIB$VERSION from FIB$FIELDS_INFO where FIELD_NAME = 'PLAIN'"),
            QueryInt64("select gen_id(FIB$FIELD_INFO_VERSION, 0) from RDB$DATABASE"));
}

// ---- Two threads, one cache ---------------------------------------------------------------------

// Holds the first thread that reaches a point there until a second thread
// has finished what it does, or a while has passed: with the cache's lock
// held at that point the second thread cannot finish, without it it can.
class TRendezvous {
 public:
  // Called at the point: holds the first thread that comes, once.
  void Hold() {
    std::unique_lock lock(FMutex);
    if (FHeld) return;
    FHeld = true;
    FChanged.notify_all();
    FChanged.wait_for(lock, std::chrono::milliseconds(300), [&] { return FSecondDone; });
  }
  void WaitUntilHeld() {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [&] { return FHeld; });
  }
  void SecondDone() {
    std::lock_guard lock(FMutex);
    FSecondDone = true;
    FChanged.notify_all();
  }

 private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FHeld = false;
  bool FSecondDone = false;
};

TEST_F(MetadataTest, TwoThreadsAskingForOneTableShareOneEntry) {
  CreatePeople();
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.OpenConnection();
  TRendezvous rendezvous;
  // The first thread stops while it reads the table, inside the cache.
  db.BeforeStartTransaction = [&](TObject*) { rendezvous.Hold(); };
  TpFIBTableInfo* first = nullptr;
  TpFIBTableInfo* second = nullptr;
  std::thread reader([&] { first = ListTableInfo().GetTableInfo(&db, "PEOPLE", false); });
  rendezvous.WaitUntilHeld();
  std::thread other([&] {
    second = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
    rendezvous.SecondDone();
  });
  reader.join();
  other.join();
  EXPECT_EQ(first, second);
  EXPECT_EQ(ListTableInfo().Count(), 1);
}

TEST_F(MetadataTest, TwoThreadsAskingForAPrimaryKeyReadItOnce) {
  CreatePeople();
  TFIBDatabase& db = OpenDatabase("DB");
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", false);
  TRendezvous rendezvous;
  std::mutex countLock;
  int reads = 0;
  info->Transaction().BeforeSQLExecute = [&](TFIBQuery*, TFIBSQLTypes) {
    {
      std::lock_guard lock(countLock);
      ++reads;
    }
    rendezvous.Hold();
  };
  std::string first;
  std::string second;
  std::thread reader([&] { first = info->PrimaryKeyFields(); });
  rendezvous.WaitUntilHeld();
  std::thread other([&] {
    second = info->PrimaryKeyFields();
    rendezvous.SecondDone();
  });
  reader.join();
  other.join();
  EXPECT_EQ(first, "ID2;ID1");
  EXPECT_EQ(second, "ID2;ID1");
  EXPECT_EQ(reads, 1);
}

// ---- The transactions it reads in -----------------------------------------------------------------

TEST_F(MetadataTest, MetadataIsReadInReadOnlyTransactions) {
  CreatePeople();
  CreateFieldsInfo();
  TpFIBDatabase& db = NewAppDatabase("DB");
  db.OpenConnection();
  std::vector<std::int64_t> readOnly;
  db.AfterStartTransaction = [&](TObject* sender) {
    auto* transaction = static_cast<TFIBTransaction*>(sender);
    readOnly.push_back(Query(db, *transaction,
                             "select MON$READ_ONLY from MON$TRANSACTIONS "
                             "where MON$TRANSACTION_ID = CURRENT_TRANSACTION"));
  };
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(&db, "PEOPLE", true);
  info->PrimaryKeyFields();
  ListTableInfo().GetTableInfo(&db, "V_PEOPLE", false);
  ListTableInfo().ValidateSchemaCache(&db, {});
  // The probe, the table, the key and a check of each of the two entries.
  ASSERT_GE(readOnly.size(), 5u);
  EXPECT_EQ(readOnly, std::vector<std::int64_t>(readOnly.size(), 1));
}

}  // namespace
