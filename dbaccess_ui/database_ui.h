#pragma once
// The GUI's part in the database layer, which cannot show a window or stop
// the message loop itself. While a `TDatabaseUIScope` lives:
// - a connection with `UseLoginPrompt` asks the login dialog
//   (login_dialog.h) for the user name, password and role;
// - a lost connection that should end the program ends the application's
//   message loop (`Application->Terminate`), and a failed re-connect that
//   should end it first shows its message in an error box.
// The program makes one in main() after the application object and keeps it
// until the end; the destructor uninstalls both.

class TDatabaseUIScope {
 public:
  TDatabaseUIScope();
  ~TDatabaseUIScope();
  TDatabaseUIScope(const TDatabaseUIScope&) = delete;
  TDatabaseUIScope& operator=(const TDatabaseUIScope&) = delete;
};
