// Logins that a real server checks: the right password connects as its
// user; a wrong one, or a user the server does not know, is refused in the
// server's own words through the layer's exception; and what the login
// prompt or OnLogin answers is what reaches the server. Only against the
// test server: the embedded engine checks no password.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database_options.h"
#include "framework/core/component/strings.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/text_query.h"

namespace {

const std::string RefusedLogin =
    "Your user name and password are not defined. Ask your database administrator to set up a Firebird "
    "login.\r\n";

// Where the login comes from: the connection's lines, the answer of the
// login prompt, or OnLogin rewriting the lines just before the attach.
enum class TLoginBy { Lines, Prompt, OnLogin };

struct TLoginCase {
  const char* Name;
  TLoginBy By;
  bool KnownUser;
  bool RightPassword;
};
void PrintTo(const TLoginCase& login, std::ostream* os) { *os << login.Name; }

class ServerLoginTest : public ConnectionTest, public ::testing::WithParamInterface<TLoginCase> {
 protected:
  void SetUp() override {
    TULVO_SKIP_UNLESS_ON_TEST_SERVER();
    ConnectionTest::SetUp();
  }
  void TearDown() override {
    SetDatabaseLoginHook(nullptr);
    ConnectionTest::TearDown();
  }

  // A connection whose lines log in as the administrator; the case's login
  // replaces that by the way it names.
  TpFIBDatabase& NewLogin(const std::string& user, const std::string& password) {
    auto* db = new TpFIBDatabase(&Form());  // owned by the form
    db->SetName("DB");
    db->SetDBName(DatabasePath());
    for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
    db->SetSQLDialect(3);
    db->SetSynchronizeTime(false);
    switch (GetParam().By) {
      case TLoginBy::Lines:
        db->ConnectParams().SetUserName(user);
        db->ConnectParams().SetPassword(password);
        break;
      case TLoginBy::Prompt:
        db->SetUseLoginPrompt(true);
        SetDatabaseLoginHook([=](const std::string&, std::string& userName, std::string& answer, std::string&) {
          userName = user;
          answer = password;
          return true;
        });
        break;
      case TLoginBy::OnLogin:
        db->OnLogin = [=](TObject*, TStrings& lines, bool&) {
          lines.SetValues("user_name", user);
          lines.SetValues("password", password);
        };
        break;
    }
    return *db;
  }

  // The user the server sees on the connection.
  std::string CurrentUser(TFIBDatabase& db) {
    TFIBTransaction& tr = NewTransaction("TR", &db);
    tr.StartTransaction();
    const std::string user = TTextQuery(db.HandleAddress(), tr.HandleAddress()).Value(
        "select current_user from rdb$database");
    tr.Commit();
    return user;
  }
};

TEST_P(ServerLoginTest, TheServerDecides) {
  const TLoginCase& login = GetParam();
  const std::string user =
      login.KnownUser ? CreateUser("quartz") : "TULVO_NOBODY_" + std::to_string(::getpid());
  TpFIBDatabase& db = NewLogin(user, login.RightPassword ? "quartz" : "granite");

  if (login.KnownUser && login.RightPassword) {
    db.OpenConnection();
    ASSERT_TRUE(db.Connected());
    EXPECT_EQ(CurrentUser(db), user);
    db.CloseConnection(false);
    return;
  }
  try {
    db.OpenConnection();
    ADD_FAILURE() << "the server let " << user << " in";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &db);
    EXPECT_EQ(e.ServerText(), RefusedLogin);
    EXPECT_EQ(e.Message(), "MainForm.DB:\r\n" + e.SQLCodeText() + e.ServerText());
  }
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.Handle(), 0u);

  // The refusal leaves nothing stale behind: the corrected login connects.
  if (login.KnownUser) {
    SetDatabaseLoginHook(nullptr);
    db.OnLogin = nullptr;
    db.SetUseLoginPrompt(false);
    db.ConnectParams().SetUserName(user);
    db.ConnectParams().SetPassword("quartz");
    db.OpenConnection();
    EXPECT_EQ(CurrentUser(db), user);
    db.CloseConnection(false);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Logins, ServerLoginTest,
    ::testing::Values(TLoginCase{"RightPassword", TLoginBy::Lines, true, true},
                      TLoginCase{"WrongPassword", TLoginBy::Lines, true, false},
                      TLoginCase{"UnknownUser", TLoginBy::Lines, false, true},
                      TLoginCase{"PromptAnswer", TLoginBy::Prompt, true, true},
                      TLoginCase{"WrongPromptAnswer", TLoginBy::Prompt, true, false},
                      TLoginCase{"OnLoginAnswer", TLoginBy::OnLogin, true, true},
                      TLoginCase{"WrongOnLoginAnswer", TLoginBy::OnLogin, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
