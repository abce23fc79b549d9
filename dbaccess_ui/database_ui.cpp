#include "dbaccess_ui/database_ui.h"

#include <string>
#include <utility>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess_ui/login_dialog.h"
#include "framework/gui/application.h"
#include "framework/gui/dialogs.h"

TDatabaseUIScope::TDatabaseUIScope() {
  SetDatabaseLoginHook(&ShowLoginDialog);
  TLostConnectionHooks hooks;
  hooks.ShowMessage = [](const std::string& message) { MessageDlg(message, mtError, {mbOK}); };
  hooks.Terminate = [] {
    if (Application != nullptr) Application->Terminate();
  };
  SetLostConnectionHooks(std::move(hooks));
}

TDatabaseUIScope::~TDatabaseUIScope() {
  SetLostConnectionHooks({});
  SetDatabaseLoginHook(nullptr);
}
