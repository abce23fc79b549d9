#pragma once
// The database login dialog: the database's name, and boxes for the user
// name, the password and the role, with OK and Cancel. A connection with
// `UseLoginPrompt` asks it through the login hook that `TDatabaseUIScope`
// (database_ui.h) installs; `ShowLoginDialog` is that hook.
//
// The form is made, shown modally and freed by `ShowLoginDialog`; its
// controls are owned by the form and reachable as its fields.

#include <string>
#include <string_view>

#include "framework/gui/standard/forms.h"

class TButton;
class TEdit;
class TGroupBox;
class TLabel;

class TfrmFIBDBLoginDlg : public TForm {
 public:
  explicit TfrmFIBDBLoginDlg(TComponent* owner);

  // The stored components, in their stored order.
  TGroupBox* Bevel1 = nullptr;
  TGroupBox* Bevel2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* lbDBName = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TEdit* EdUserName = nullptr;
  TEdit* EdPassword = nullptr;
  TEdit* EdRole = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;

 private:
  // OnCreate: the texts of the window and its controls.
  void FormCreate(TObject* sender);
};

// The database name as the dialog shows it: a name longer than 45
// characters becomes its first 10, "..." and its last 33.
std::string ShortDatabaseName(std::string_view name);

// Shows the dialog for the database with the user name and role filled in
// (the password box starts empty). On OK returns true with the three
// values from the boxes; on Cancel returns false and leaves them alone.
bool ShowLoginDialog(const std::string& databaseName, std::string& userName, std::string& password,
                     std::string& roleName);
