// The connection component on the embedded engine.

#include "dbaccess/connection/database.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/text/datetime.h"
#include "framework/core/component/lists.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

constexpr TDateTime OneMinute = 1.0 / 1440;

bool Listed(const TFIBDatabase* database) {
  TThreadListLock lock(AllDatabases());
  return lock->IndexOf(const_cast<TFIBDatabase*>(database)) >= 0;
}

TEST_F(ConnectionTest, AttachesReadsTheDialectAndTheServerClockAndDetaches) {
  TFIBDatabase& db = NewDatabase("DB");
  db.SetSynchronizeTime(true);
  db.SetConnected(true);
  ASSERT_TRUE(db.Connected());
  EXPECT_NE(db.Handle(), 0u);
  EXPECT_EQ(db.DatabaseDialect(), 3);
  EXPECT_EQ(db.SQLDialect(), 3);
  // The embedded engine shares this machine's clock.
  EXPECT_LT(std::fabs(db.ServerTimeOffset()), OneMinute);
  EXPECT_LT(std::fabs(db.ServerNow() - Now()), OneMinute);
  EXPECT_FALSE(db.InternalTransaction().Active());

  db.SetConnected(false);
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.Handle(), 0u);
}

TEST_F(ConnectionTest, TwoConnectionsShareOneBinding) {
  TFIBDatabase& first = NewDatabase("First");
  first.SetConnected(true);
  const TClientEntryPoints* table = &ClientAPI();
  TFIBDatabase& second = NewDatabase("Second");
  second.SetConnected(true);
  EXPECT_EQ(&ClientAPI(), table);
  EXPECT_NE(first.Handle(), second.Handle());
  EXPECT_TRUE(Listed(&first));
  EXPECT_TRUE(Listed(&second));
  second.SetConnected(false);
  EXPECT_TRUE(first.Connected());
  first.SetConnected(false);
}

TEST_F(ConnectionTest, DialectIsLoweredToTheDatabasesOwn) {
  TFIBDatabase& db = NewDatabase("DB", CreateDatabase("dialect1.fdb", 1));
  ASSERT_EQ(db.SQLDialect(), 3);
  db.SetConnected(true);
  EXPECT_EQ(db.SQLDialect(), 1);
  EXPECT_EQ(ClientErrorOf([&] { db.SetSQLDialect(3); }), ceInvalidSQLDialect);
  EXPECT_EQ(db.SQLDialect(), 1);
  // The server clock in dialect 1 comes through its DATE type.
  EXPECT_LT(std::fabs(db.ServerNow() - Now()), OneMinute);
  db.SetConnected(false);
  db.SetSQLDialect(3);
  EXPECT_EQ(ClientErrorOf([&] { db.SetSQLDialect(0); }), ceInvalidSQLDialect);
}

TEST_F(ConnectionTest, ServerTimeOffsetStaysZeroWithoutSynchronizeTime) {
  TFIBDatabase& db = NewDatabase("DB");
  db.SetConnected(true);
  EXPECT_EQ(db.ServerTimeOffset(), 0.0);
  db.SetConnected(false);
}

// A database that cannot be opened is reported with the connection's path
// and the engine's words, and leaves the connection closed.
class MissingDatabaseFile : public ConnectionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingDatabaseFile, IsReportedWithTheConnectionsPath) {
  const std::string path = Folder() + GetParam();
  TFIBDatabase& db = NewDatabase("DB", DatabaseName(path));
  try {
    db.OpenConnection();
    ADD_FAILURE() << "attached to " << path;
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &db);
    EXPECT_EQ(e.SQLCode(), -902);
    EXPECT_EQ(e.ServerText(),
              "I/O error during \"open\" operation for file \"" + path +
                  "\".\r\nError while trying to open file.\r\nNo such file or directory.\r\n");
    EXPECT_EQ(e.Message(), "MainForm.DB:\r\n" + e.SQLCodeText() + e.ServerText());
  }
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.Handle(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Paths, MissingDatabaseFile,
                         ::testing::Values("/missing.fdb", "/no-such-folder/test.fdb"),
                         [](const auto& info) { return info.index == 0 ? "MissingFile" : "MissingFolder"; });

TEST_F(ConnectionTest, BadParameterLineFailsEveryAttachUntilItIsMended) {
  TFIBDatabase& db = NewDatabase("DB");
  db.SetConnected(true);
  db.SetConnected(false);

  db.DBParams().Add("no_such_item=1");
  // The block built for the first attach must not stand in for the new lines.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      db.OpenConnection();
      ADD_FAILURE() << "attached with a bad line, attempt " << attempt;
      db.SetConnected(false);
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), ceDPBConstantUnknown);
      EXPECT_EQ(e.Message(), "DPB Constant (no_such_item) is unknown.");
    }
    EXPECT_FALSE(db.Connected());
  }

  db.DBParams().Delete(db.DBParams().Count() - 1);
  db.SetConnected(true);
  EXPECT_TRUE(db.Connected());
  db.SetConnected(false);
}

TEST_F(ConnectionTest, MisuseRaisesTheNumberedClientErrors) {
  TFIBDatabase& db = NewDatabase("DB");
  EXPECT_EQ(MessageOf([&] { db.CloseConnection(false); }),
            "MainForm.DB: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(ClientErrorOf([&] { db.EnsureConnected(); }), ceDatabaseClosed);
  EXPECT_EQ(ClientErrorOf([&] { db.SetTimeout(-1); }), ceTimeoutNegative);

  db.SetConnected(true);
  EXPECT_EQ(ClientErrorOf([&] { db.OpenConnection(); }), ceDatabaseOpen);
  EXPECT_EQ(ClientErrorOf([&] { db.SetDBName(DatabasePath() + ".other"); }), ceDatabaseOpen);
  db.SetDBName(DatabasePath());  // the same name is no change
  const std::string lines = db.DBParams().Text();
  EXPECT_EQ(ClientErrorOf([&] { db.DBParams().Add("sql_dialect=1"); }), ceDatabaseOpen);
  EXPECT_EQ(ClientErrorOf([&] { db.SetParamValue("user_name", "OTHER"); }), ceDatabaseOpen);
  EXPECT_EQ(db.DBParams().Text(), lines);
  db.SetConnected(false);

  db.SetDBName("");
  EXPECT_EQ(ClientErrorOf([&] { db.OpenConnection(); }), ceDatabaseNameMissing);
}

TEST_F(ConnectionTest, ConnectAndDisconnectEventsComeInOrder) {
  TFIBDatabase& db = NewDatabase("DB");
  std::vector<std::string> seen;
  struct TListener {
    std::vector<std::string>* Seen;
    std::string Name;
    void Heard(TObject*) { Seen->push_back(Name); }
  };
  TListener first{&seen, "first"}, second{&seen, "second"};
  db.OnConnect = [&](TObject* sender) {
    EXPECT_EQ(sender, &db);
    EXPECT_TRUE(db.Connected());
    seen.push_back("OnConnect");
  };
  db.BeforeDisconnect = [&](TObject*) {
    EXPECT_TRUE(db.Connected());
    seen.push_back("BeforeDisconnect");
  };
  db.AfterDisconnect = [&](TObject*) {
    EXPECT_FALSE(db.Connected());
    seen.push_back("AfterDisconnect");
  };
  db.RegisterCallback(cbConnect, &first, &TListener::Heard);
  db.RegisterCallback(cbConnect, &second, &TListener::Heard);
  db.RegisterCallback(cbConnect, &first, &TListener::Heard);  // already there
  db.RegisterCallback(cbDisconnect, &second, &TListener::Heard);

  db.SetConnected(true);
  db.SetConnected(false);
  EXPECT_EQ(seen, (std::vector<std::string>{"OnConnect", "first", "second", "BeforeDisconnect", "second",
                                            "AfterDisconnect"}));

  seen.clear();
  db.UnregisterCallback(cbConnect, TNotifyEvent(&first, &TListener::Heard));
  db.SetConnected(true);
  db.SetConnected(false);
  EXPECT_EQ(seen, (std::vector<std::string>{"OnConnect", "second", "BeforeDisconnect", "second",
                                            "AfterDisconnect"}));
}

TEST_F(ConnectionTest, DisconnectHandlerErrorsNameTheEventAndTheConnection) {
  TFIBDatabase& db = NewDatabase("DB");
  db.SetConnected(true);
  db.AfterDisconnect = [](TObject*) { throw Exception("boom"); };
  EXPECT_EQ(MessageOf([&] { db.SetConnected(false); }), "Error of MainForm.DB.AfterDisconnect. boom");
  EXPECT_FALSE(db.Connected());
  db.AfterDisconnect = nullptr;

  db.SetConnected(true);
  db.BeforeDisconnect = [](TObject*) { throw Exception("not now"); };
  EXPECT_EQ(MessageOf([&] { db.SetConnected(false); }), "Error of MainForm.DB.BeforeDisconnect. not now");
  EXPECT_TRUE(db.Connected());
  db.BeforeDisconnect = nullptr;
  db.SetConnected(false);
}

// Closing a connection ends its active transactions by their TimeoutAction,
// the retaining actions counting as their hard ones.
struct TCloseCase {
  const char* Name;
  TTransactionAction Action;
  std::int64_t RowsKept;
};
void PrintTo(const TCloseCase& c, std::ostream* os) { *os << c.Name; }

class ClosingEndsTransactions : public ConnectionTest, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(ClosingEndsTransactions, ByTheirTimeoutAction) {
  ExecuteSQL("CREATE TABLE T (ID INTEGER)");
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  tr.SetTimeoutAction(GetParam().Action);
  db.SetConnected(true);
  tr.StartTransaction();
  Execute(db, tr, "INSERT INTO T VALUES (1)");

  db.SetConnected(false);
  EXPECT_FALSE(tr.Active());
  EXPECT_EQ(tr.TransactionState(), tsInactive);
  EXPECT_EQ(QueryInt64("SELECT COUNT(*) FROM T"), GetParam().RowsKept);
}

INSTANTIATE_TEST_SUITE_P(Actions, ClosingEndsTransactions,
                         ::testing::Values(TCloseCase{"Commit", TACommit, 1},
                                           TCloseCase{"CommitRetaining", TACommitRetaining, 1},
                                           TCloseCase{"Rollback", TARollback, 0},
                                           TCloseCase{"RollbackRetaining", TARollbackRetaining, 0}),
                         [](const auto& info) { return info.param.Name; });

TEST_F(ConnectionTest, NextGeneratorValueStepsTheGenerator) {
  ExecuteSQL("CREATE SEQUENCE G_ROWS");
  TFIBDatabase& db = NewDatabase("DB");
  db.SetConnected(true);
  EXPECT_EQ(db.NextGeneratorValue("G_ROWS", nullptr, 1), 1);
  EXPECT_EQ(db.NextGeneratorValue("G_ROWS", nullptr, 10), 11);
  EXPECT_FALSE(db.InternalTransaction().Active());

  // In an active transaction of the connection, which stays active.
  TFIBTransaction& tr = NewTransaction("TR", &db);
  tr.StartTransaction();
  db.SetUpperOldNames(true);
  EXPECT_EQ(db.NextGeneratorValue("g_rows", nullptr, 1), 12);
  EXPECT_TRUE(tr.Active());
  tr.Commit();
  db.SetConnected(false);
}

TEST_F(ConnectionTest, ShutdownClosesEveryConnectionAndLetsNoErrorOut) {
  TFIBDatabase& plain = NewDatabase("Plain");
  TFIBDatabase& failingAfter = NewDatabase("FailingAfter");
  TFIBDatabase& refusing = NewDatabase("Refusing");
  TFIBDatabase& closed = NewDatabase("Closed");
  for (TFIBDatabase* db : {&plain, &failingAfter, &refusing}) db->SetConnected(true);
  failingAfter.AfterDisconnect = [](TObject*) { throw Exception("after"); };
  refusing.BeforeDisconnect = [](TObject*) { throw Exception("never"); };

  ShutdownDatabases();
  EXPECT_FALSE(plain.Connected());
  EXPECT_FALSE(failingAfter.Connected());
  EXPECT_FALSE(closed.Connected());
  // Its handler refuses even the forced close; the list is still usable.
  EXPECT_TRUE(refusing.Connected());
  EXPECT_TRUE(Listed(&refusing));
  refusing.BeforeDisconnect = nullptr;
  refusing.SetConnected(false);
}

// A listener registered as a plain event bound to a component is dropped
// when that component goes, from each list of the connection and the
// transaction; nothing calls into it afterwards.
enum class TListenerList { Connect, Disconnect, DatabaseDestroy, TransactionDestroy };
void PrintTo(TListenerList list, std::ostream* os) {
  constexpr const char* Names[] = {"Connect", "Disconnect", "DatabaseDestroy", "TransactionDestroy"};
  *os << Names[static_cast<int>(list)];
}

class FreedListener : public ConnectionTest, public ::testing::WithParamInterface<TListenerList> {};

int GFreedListenerCalls = 0;

struct TFreedListener : TComponent {
  using TComponent::TComponent;
  // Touches nothing of the object: a call after it was freed shows in the
  // count instead of reading freed memory.
  void Heard(TObject*) { ++GFreedListenerCalls; }
};

TEST_P(FreedListener, IsNotCalled) {
  GFreedListenerCalls = 0;
  auto db = std::make_unique<TFIBDatabase>(nullptr);
  db->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
  db->SetSynchronizeTime(false);
  auto tr = std::make_unique<TFIBTransaction>(nullptr);
  tr->SetDefaultDatabase(db.get());
  auto listener = std::make_unique<TFreedListener>(nullptr);
  auto survivor = std::make_unique<TFreedListener>(nullptr);
  for (TFreedListener* l : {listener.get(), survivor.get()}) {
    const TNotifyEvent handler(l, &TFreedListener::Heard);
    switch (GetParam()) {
      case TListenerList::Connect:
        db->RegisterCallback(cbConnect, handler);
        break;
      case TListenerList::Disconnect:
        db->RegisterCallback(cbDisconnect, handler);
        break;
      case TListenerList::DatabaseDestroy:
        db->RegisterCallback(cbDestroy, handler);
        break;
      case TListenerList::TransactionDestroy:
        tr->RegisterDestroyCallback(handler);
        break;
    }
  }
  listener.reset();
  db->SetConnected(true);
  db->SetConnected(false);
  tr.reset();
  db.reset();
  EXPECT_EQ(GFreedListenerCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(Lists, FreedListener,
                         ::testing::Values(TListenerList::Connect, TListenerList::Disconnect,
                                           TListenerList::DatabaseDestroy, TListenerList::TransactionDestroy),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST_F(ConnectionTest, DestroyingAConnectionUnlistsItEverywhere) {
  auto db = std::make_unique<TFIBDatabase>(nullptr);
  db->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
  db->SetSynchronizeTime(false);
  TFIBTransaction& tr = NewTransaction("TR", db.get());
  db->SetDefaultTransaction(&tr);
  db->SetConnected(true);
  tr.StartTransaction();

  std::vector<int> order;
  db->RegisterCallback(cbDestroy, TNotifyEvent(&order, [&](TObject*) { order.push_back(1); }));
  db->RegisterCallback(cbDestroy, TNotifyEvent(&tr, [&](TObject*) { order.push_back(2); }));
  const TFIBDatabase* gone = db.get();
  db.reset();

  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_FALSE(Listed(gone));
  EXPECT_FALSE(tr.Active());
  EXPECT_EQ(tr.DefaultDatabase(), nullptr);
  EXPECT_EQ(tr.DatabaseCount(), 0);
}

TEST_F(ConnectionTest, LoadingKeepsConnectedAndActiveUntilLoaded) {
  TFIBDatabase* db = nullptr;
  TFIBTransaction* tr = nullptr;
  {
    TLoadingScope loading;
    db = &NewDatabase("DB");
    tr = &NewTransaction("TR", db);
    db->SetDefaultTransaction(tr);
    db->SetConnected(true);
    tr->SetActive(true);
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(tr->Active());
    loading.Finish();
  }
  EXPECT_TRUE(db->Connected());
  EXPECT_TRUE(tr->Active());
  tr->Commit();
  db->SetConnected(false);
}

TEST_F(ConnectionTest, EnsureConnectedOpensAStoredConnectionStillPending) {
  TFIBDatabase* db = nullptr;
  TLoadingScope loading;
  db = &NewDatabase("DB");
  db->SetConnected(true);
  EXPECT_FALSE(db->Connected());
  db->EnsureConnected();
  EXPECT_TRUE(db->Connected());
  loading.Finish();
  EXPECT_TRUE(db->Connected());
  db->SetConnected(false);
}

TEST_F(ConnectionTest, LoginPromptAsksTheHookAndWritesTheAnswer) {
  TFIBDatabase& db = NewDatabase("DB");
  db.SetUseLoginPrompt(true);
  SetDatabaseLoginHook(nullptr);
  EXPECT_EQ(MessageOf([&] { db.OpenConnection(); }).rfind("Unable to find Database login dialog. ", 0), 0u);

  std::string shownName;
  SetDatabaseLoginHook(
      [&](const std::string& name, std::string& user, std::string& password, std::string& role) {
        shownName = name;
        EXPECT_EQ(user, TestServerUser());
        EXPECT_EQ(password, TestServerPassword());
        EXPECT_EQ(role, "");
        return false;
      });
  EXPECT_EQ(ClientErrorOf([&] { db.OpenConnection(); }), ceOperationCancelled);
  EXPECT_EQ(shownName, DatabasePath());
  EXPECT_FALSE(db.Connected());

  const std::string clerk = CreateUser("secret");
  SetDatabaseLoginHook([&](const std::string&, std::string& user, std::string& password, std::string& role) {
    user = clerk;
    password = "secret";
    role = "";
    return true;
  });
  db.OpenConnection();
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(db.ConnectParams().UserName(), clerk);
  EXPECT_EQ(db.ConnectParams().Password(), "secret");
  EXPECT_GE(db.ParamIndex("sql_role_name"), 0);
  db.SetConnected(false);
  SetDatabaseLoginHook(nullptr);
}

TEST_F(ConnectionTest, OneConnectionAtATimeIsTheDefault) {
  TFIBDatabase& first = NewDatabase("First");
  TFIBDatabase& second = NewDatabase("Second");
  first.SetDesignDBOptions({TDesignDBOption::ddoIsDefaultDatabase});
  EXPECT_EQ(GlobalDefaultDatabase(), &first);
  second.SetDesignDBOptions({TDesignDBOption::ddoIsDefaultDatabase, TDesignDBOption::ddoStoreConnected});
  EXPECT_EQ(GlobalDefaultDatabase(), &second);
  EXPECT_FALSE(first.DesignDBOptions().Contains(TDesignDBOption::ddoIsDefaultDatabase));
  Form().RemoveComponent(&second).reset();
  EXPECT_EQ(GlobalDefaultDatabase(), nullptr);
}

// ---- Parameter lines --------------------------------------------------------------------

struct TParamIndexCase {
  const char* Name;
  const char* Wanted;
  int Index;
};
void PrintTo(const TParamIndexCase& c, std::ostream* os) { *os << c.Name; }

class ParamIndex : public ConnectionTest, public ::testing::WithParamInterface<TParamIndexCase> {};

TEST_P(ParamIndex, ComparesWholeNames) {
  TFIBDatabase& db = NewDatabase("DB");
  db.DBParams().Clear();
  for (const char* line : {"password_enc=xyz", " User_Name = SYSDBA", "isc_dpb_password=secret", "lc_ctype"})
    db.DBParams().Add(line);
  EXPECT_EQ(db.ParamIndex(GetParam().Wanted), GetParam().Index);
}

INSTANTIATE_TEST_SUITE_P(Names, ParamIndex,
                         ::testing::Values(TParamIndexCase{"PrefixOfALongerName", "password", 2},
                                           TParamIndexCase{"LongerName", "password_enc", 0},
                                           TParamIndexCase{"CaseAndBlanks", "USER_NAME", 1},
                                           TParamIndexCase{"WithPrefix", "isc_dpb_user_name", 1},
                                           TParamIndexCase{"LineWithoutValue", "lc_ctype", 3},
                                           TParamIndexCase{"PartOfAName", "user", -1},
                                           TParamIndexCase{"Empty", "", -1}),
                         [](const auto& info) { return info.param.Name; });

TEST_F(ConnectionTest, ParamValuesAreReadAndWrittenByCodeAndName) {
  TFIBDatabase& db = NewDatabase("DB");
  db.DBParams().Clear();
  db.DBParams().Add("password_enc=xyz");
  EXPECT_EQ(db.ParamValue(29), "");  // password
  db.SetParamValue(29, "masterkey");
  EXPECT_EQ(db.DBParams().Strings(1), "password=masterkey");
  EXPECT_EQ(db.ConnectParams().Password(), "masterkey");
  db.ConnectParams().SetUserName("SYSDBA");
  db.ConnectParams().SetCharSet("WIN1251");
  EXPECT_EQ(db.ParamValue(28), "SYSDBA");
  const std::string clerk = CreateUser("secret");
  db.SetParamValue("user_name", clerk);
  EXPECT_EQ(db.DBParams().Strings(2), "user_name=" + clerk);
  db.ConnectParams().SetPassword("");
  EXPECT_EQ(db.ParamIndex("password"), -1);
  EXPECT_EQ(db.DBParams().Count(), 3);
  EXPECT_EQ(db.ParamValue(0), "");
  EXPECT_EQ(db.ParamValue(99), "");
  // The lines still make an attachment.
  db.DBParams().Delete(0);
  db.SetParamValue("password", "secret");
  db.SetConnected(true);
  EXPECT_TRUE(db.Connected());
  db.SetConnected(false);
}

}  // namespace
