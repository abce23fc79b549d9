// The login dialog, answered by the test through its real widgets, and its
// place as the connection's login prompt.

#include "dbaccess_ui/login_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess_ui/database_ui.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/support/raised.h"

namespace {

// The login dialog on the screen, or nullptr.
TfrmFIBDBLoginDlg* OpenDialog() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* dialog = dynamic_cast<TfrmFIBDBLoginDlg*>(Screen->Forms(i)); dialog && dialog->Visible())
      return dialog;
  return nullptr;
}

// Runs answer on the dialog once it shows; a dialog that never shows is a
// failure (and is then left to its own Cancel, so the test ends).
void WhenShown(std::function<void(TfrmFIBDBLoginDlg&)> answer) {
  QTimer::singleShot(0, [answer = std::move(answer)] {
    if (!WaitFor([] { return OpenDialog() != nullptr; })) {
      ADD_FAILURE() << "the login dialog did not show";
      return;
    }
    answer(*OpenDialog());
  });
}

void Click(TButton& button) { QTest::mouseClick(WindowOf(button), Qt::LeftButton); }

void Type(TEdit& edit, const char* text) {
  edit.SetText("");
  QTest::keyClicks(WindowOf(edit), text);
}

struct TShownName {
  const char* Name;
  std::string Given;
  std::string Shown;
};

void PrintTo(const TShownName& c, std::ostream* os) { *os << c.Name; }

class ShortDatabaseNameTest : public ::testing::TestWithParam<TShownName> {};

TEST_P(ShortDatabaseNameTest, LongNamesKeepTheirEnds) {
  EXPECT_EQ(ShortDatabaseName(GetParam().Given), GetParam().Shown);
}

const std::string Digits50 = "01234567890123456789012345678901234567890123456789";

INSTANTIATE_TEST_SUITE_P(
    Names, ShortDatabaseNameTest,
    ::testing::Values(TShownName{"Empty", "", ""},
                      TShownName{"FortyFiveCharactersStay", Digits50.substr(0, 45), Digits50.substr(0, 45)},
                      TShownName{"FortySixAreShortened", Digits50.substr(0, 46),
                                 "0123456789..." + Digits50.substr(13, 33)},
                      TShownName{"FiftyAreShortened", Digits50, "0123456789..." + Digits50.substr(17)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LoginDialogTest, ShowsWhatIsKnownAndReturnsTheAnswers) {
  std::string user = "SYSDBA";
  std::string password = "old secret";
  std::string role = "READER";
  WhenShown([](TfrmFIBDBLoginDlg& dialog) {
    EXPECT_EQ(dialog.Caption(), "Database login");
    EXPECT_EQ(dialog.Label1->Caption(), "Database:");
    EXPECT_EQ(dialog.lbDBName->Caption(), "/srv/phones.fdb");
    EXPECT_EQ(dialog.EdUserName->Text(), "SYSDBA");
    // The password is never shown back.
    EXPECT_EQ(dialog.EdPassword->Text(), "");
    EXPECT_EQ(dialog.EdPassword->PasswordChar(), '*');
    EXPECT_EQ(dialog.EdRole->Text(), "READER");
    EXPECT_EQ(dialog.ActiveControl(), dialog.EdPassword);
    Type(*dialog.EdPassword, "quartz");
    Type(*dialog.EdRole, "WRITER");
    Click(*dialog.Button1);
  });
  EXPECT_TRUE(ShowLoginDialog("/srv/phones.fdb", user, password, role));
  EXPECT_EQ(user, "SYSDBA");
  EXPECT_EQ(password, "quartz");
  EXPECT_EQ(role, "WRITER");
  EXPECT_EQ(OpenDialog(), nullptr);
}

TEST(LoginDialogTest, CancelLeavesTheValuesAlone) {
  std::string user = "SYSDBA";
  std::string password = "old secret";
  std::string role;
  WhenShown([](TfrmFIBDBLoginDlg& dialog) {
    Type(*dialog.EdUserName, "GUEST");
    Click(*dialog.Button2);
  });
  EXPECT_FALSE(ShowLoginDialog("phones.fdb", user, password, role));
  EXPECT_EQ(user, "SYSDBA");
  EXPECT_EQ(password, "old secret");
  EXPECT_EQ(role, "");
}

TEST(LoginDialogTest, ANameIsShownAsItIsWrittenAndShortened) {
  std::string user, password, role;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a & b.fdb", "a & b.fdb"},
      {"/srv/a&b/directories/of/the/whole/town/phone_3.gdb",
       "/srv/a&b/d...ies/of/the/whole/town/phone_3.gdb"},
  };
  for (const auto& [name, shown] : cases) {
    WhenShown([&shown = shown](TfrmFIBDBLoginDlg& dialog) {
      auto* label = static_cast<QLabel*>(WindowOf(*dialog.lbDBName));
      EXPECT_EQ(label->text().toStdString(), shown);
      Click(*dialog.Button2);
    });
    ShowLoginDialog(name, user, password, role);
  }
}

// A connection that asks the user before it attaches; its parameter lines
// end in one the client cannot send, so nothing is attached afterwards.
std::unique_ptr<TFIBDatabase> PromptingConnection() {
  auto database = std::make_unique<TFIBDatabase>(nullptr);
  database->SetDBName("nowhere.fdb");
  database->SetUseLoginPrompt(true);
  for (const char* line : {"user_name=SYSDBA", "password=old", "lc_ctype=WIN1251", "no_such_parameter=1"})
    database->DBParams().Add(line);
  return database;
}

TEST(LoginDialogTest, TheScopeMakesTheDialogTheConnectionsLoginPrompt) {
  const auto database = PromptingConnection();
  {
    TDatabaseUIScope ui;
    WhenShown([](TfrmFIBDBLoginDlg& dialog) {
      EXPECT_EQ(dialog.lbDBName->Caption(), "nowhere.fdb");
      EXPECT_EQ(dialog.EdUserName->Text(), "SYSDBA");
      Click(*dialog.Button2);
    });
    EXPECT_EQ(ClientErrorOf([&] { database->OpenConnection(); }), ceOperationCancelled);  // cancelled by the user

    WhenShown([](TfrmFIBDBLoginDlg& dialog) {
      Type(*dialog.EdUserName, "ANNA");
      Type(*dialog.EdPassword, "quartz");
      Type(*dialog.EdRole, "CLERK");
      Click(*dialog.Button1);
    });
    EXPECT_EQ(ClientErrorOf([&] { database->OpenConnection(); }),
              9);  // accepted; the odd line stops the attach
    std::vector<std::string> lines;
    for (int i = 0; i < database->DBParams().Count(); ++i) lines.push_back(database->DBParams().Strings(i));
    EXPECT_EQ(lines, (std::vector<std::string>{"user_name=ANNA", "password=quartz", "lc_ctype=WIN1251",
                                               "no_such_parameter=1", "sql_role_name=CLERK"}));
  }
  // Without the scope there is no dialog to ask.
  EXPECT_THROW(database->OpenConnection(), Exception);
  EXPECT_EQ(OpenDialog(), nullptr);
}

}  // namespace
