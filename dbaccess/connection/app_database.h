#pragma once
// The connection and the transaction that the program places on its forms.
//
// `TpFIBDatabase` extends the connection with application events around
// connecting and around its transactions, connection aliases kept in the
// current user's registry, a local schema cache file (the metadata caches'
// table information, read at connect and written at close), and the
// handling of a lost connection: before it
// closes, it asks the server whether it is still there; when it is not, the
// connection is given up without server calls and `OnLostConnect` chooses
// what follows (end the program, stay closed, ignore, or re-connect by a
// timer every `WaitForRestoreConnect` milliseconds).
//
// `TpFIBTransaction` extends the transaction with events around starting,
// ending and the statements it runs, and with fixed parameter presets
// (`TPBMode`) that replace `TRParams` at each start.
//
// Both are components owned by their form (or held in a unique_ptr). Ending
// the program or showing a message to the user is not this layer's to do:
// the program lends those through `SetLostConnectionHooks` (dbaccess_ui
// installs the GUI's); without them a lost connection that should end the
// program only closes it.

#include <functional>
#include <memory>
#include <string>

#include "dbaccess/connection/database.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "framework/core/base/event.h"

class EFIBError;
class TFIBQuery;
class TStrings;
class TTimer;

// What follows a lost connection (or a failed re-connect).
enum TOnLostConnectActions { laTerminateApp = 0, laCloseConnect = 1, laIgnore = 2, laWaitRestore = 3 };

// The parameter lines a transaction starts with: its own TRParams, or a
// fixed set that replaces them: "write", "nowait", "rec_version",
// "read_committed" for read committed; "write", "nowait", "concurrency"
// (the snapshot) for repeatable read.
enum TTPBMode { tpbDefault, tpbReadCommitted, tpbRepeatableRead };

using TFIBLoginEvent = TEvent<void(TObject* Database, TStrings& LoginParams, bool& DoConnect)>;
using TFIBLostConnectEvent =
    TEvent<void(TObject* Database, const EFIBError& E, TOnLostConnectActions& Actions)>;
using TFIBRestoreConnectEvent = TEvent<void()>;
using TEndTrEvent = TEvent<void(TFIBTransaction* EndingTR, TTransactionAction Action, bool Force)>;
using TOnSQLExecute = TEvent<void(TFIBQuery* Query, TFIBSQLTypes SQLType)>;

// Where aliases and transaction kinds live, under HKEY_CURRENT_USER.
inline constexpr const char* AliasesRegistryKey = "Software\\DAZA_Roruzure\\Aliases";
inline constexpr const char* TransactionKindsRegistryKey = "Software\\DAZA_Roruzure\\Transation Kinds";

// ---- The program's part in a lost connection ------------------------------------------

struct TLostConnectionHooks {
  // Shows a failed re-connect's message to the user and returns once read.
  std::function<void(const std::string& message)> ShowMessage;
  // Ends the program's message loop (when the program agrees to end).
  std::function<void()> Terminate;
};
// Installs the hooks for the whole process; empty members uninstall.
void SetLostConnectionHooks(TLostConnectionHooks hooks);

// ---- TpFIBDatabase ----------------------------------------------------------------------

class TpFIBDatabase : public TFIBDatabase {
 public:
  explicit TpFIBDatabase(TComponent* owner);
  // Closes the connection through this class's CloseConnection (the base
  // destructor would reach only its own).
  ~TpFIBDatabase() override;

  // ---- Properties ----
  // Settings of the local schema cache file: the table information of the
  // metadata caches, read at connect and written at close, with the error
  // messages beside it (the same name with the extension ".err").
  TCacheSchemaOptions& CacheSchemaOptions() const { return *FCacheSchemaOptions; }
  void SetCacheSchemaOptions(const TCacheSchemaOptions& options) { FCacheSchemaOptions->Assign(&options); }
  const std::string& AliasName() const { return FAliasName; }
  // Outside loading requires a closed connection (client error 13); a
  // non-empty name reads the alias (ReadAlias).
  void SetAliasName(const std::string& name);
  // Whether a successful connect writes the alias back (when one is named).
  bool SaveDBParams() const { return FSaveDBParams; }
  void SetSaveDBParams(bool value) { FSaveDBParams = value; }
  // The re-connect timer's interval in milliseconds; 0 while there is no
  // timer. A non-zero value creates the (disabled) timer, 0 frees it.
  unsigned WaitForRestoreConnect() const;
  void SetWaitForRestoreConnect(unsigned milliseconds);
  std::string About() const { return "5.0.0 RC 1.11"; }

  // Before the attach, with DBParams; clearing DoConnect cancels quietly.
  TFIBLoginEvent BeforeConnect;
  // The older name of BeforeConnect: one handler.
  TFIBLoginEvent& OnLogin = BeforeConnect;
  // After the attach: the base connection's OnConnect under its other name.
  TNotifyEvent& AfterConnect = OnConnect;
  TFIBLostConnectEvent OnLostConnect;
  TFIBLostConnectEvent OnErrorRestoreConnect;
  TFIBRestoreConnectEvent AfterRestoreConnect;
  // Fired by each TpFIBTransaction whose default database this is, with the
  // transaction as the sender.
  TNotifyEvent BeforeStartTransaction;
  TNotifyEvent AfterStartTransaction;
  TEndTrEvent BeforeEndTransaction;
  TEndTrEvent AfterEndTransaction;
  // Asked per cached table when the cache read at connect is validated;
  // without a handler each table is checked against the database instead.
  TpFIBAcceptCacheSchema OnAcceptCacheSchema;

  // ---- Connecting ----
  // Nothing when connected. BeforeConnect may cancel (quietly); after the
  // attach, reads the schema cache file (CacheSchemaOptions) and, when asked
  // to, validates it and writes it again; then saves the alias when
  // SaveDBParams is set and one is named.
  void OpenConnection() override;
  // Writes the schema cache file when CacheSchemaOptions asks to. Then,
  // when connected, probes the server first; when it is gone, the
  // lost-connection handling runs (starting from laCloseConnect) instead of
  // the close, and nothing is raised for it.
  void CloseConnection(bool force) override;
  // Asks the server for a database information item. False when not
  // connected or when the server answers with an error; that error then
  // runs the lost-connection handling starting from initialAction.
  bool ProbeConnection(TOnLostConnectActions initialAction);

  // ---- Aliases ----
  // Applies the alias's stored values to DBName, the user_name, lc_ctype
  // and sql_role_name lines and SQLDialect. False when the alias is missing
  // or holds no database name.
  bool ReadAlias();
  // Writes DBName, those three lines' values and SQLDialect to the alias,
  // creating its key. A registry failure raises.
  void SaveAlias();

 protected:
  friend class TpFIBTransaction;

  // A lost connection: OnLostConnect chooses, then the choice is carried out.
  virtual void LostConnection(const EFIBError& e, TOnLostConnectActions action);
  // A re-connect failed: OnErrorRestoreConnect chooses whether to end the program.
  virtual void ErrorRestoreConnect(const EFIBError& e, TOnLostConnectActions& action);
  void DoAfterRestoreConnect();
  void DoBeforeStartTransaction(TFIBTransaction* transaction);
  void DoAfterStartTransaction(TFIBTransaction* transaction);
  void DoBeforeEndTransaction(TFIBTransaction* transaction, TTransactionAction action, bool force);
  void DoAfterEndTransaction(TFIBTransaction* transaction, TTransactionAction action, bool force);

 private:
  std::string AliasKey() const;
  bool UsesSchemaCacheFile() const;
  void LoadSchemaCache();
  void SaveSchemaCacheFiles();
  void RestoreConnectTick(TObject* sender);
  void StopRestoreTimer();

  std::unique_ptr<TCacheSchemaOptions> FCacheSchemaOptions;
  std::string FAliasName;
  bool FSaveDBParams = true;
  std::unique_ptr<TTimer> FRestoreTimer;
};

// ---- TpFIBTransaction -------------------------------------------------------------------

class TpFIBTransaction : public TFIBTransaction {
 public:
  explicit TpFIBTransaction(TComponent* owner);
  // Ends an active transaction through this class's EndTransaction, so its
  // events fire (the base destructor would reach only its own).
  ~TpFIBTransaction() override;

  TTPBMode TPBMode() const { return FTPBMode; }
  void SetTPBMode(TTPBMode mode) { FTPBMode = mode; }
  // A name of the transaction kinds kept in the registry for the designer;
  // "NoUserKind" for none. In the designer, a kind with parameters sets
  // TPBMode to tpbDefault and TRParams to them.
  const std::string& UserKindTransaction() const { return FUserKindTransaction; }
  void SetUserKindTransaction(const std::string& kind);
  std::string About() const { return "5.0.0"; }

  TNotifyEvent BeforeStart;
  TNotifyEvent AfterStart;
  TEndTrEvent BeforeEnd;
  TEndTrEvent AfterEnd;
  TOnSQLExecute BeforeSQLExecute;
  TOnSQLExecute AfterSQLExecute;

  // Nothing when active. Puts the TPBMode's lines into TRParams (unless
  // tpbDefault), then starts between the database's and its own events.
  void StartTransaction() override;
  // Ends between the database's and its own events.
  void EndTransaction(TTransactionAction action, bool force) override;
  // Phase 0 fires BeforeSQLExecute, phase 1 AfterSQLExecute.
  void SQLExecuteNotification(TFIBQuery* query, TFIBSQLTypes sqlType, int phase) override;

 protected:
  void DoBeforeStart();
  void DoAfterStart();
  void DoBeforeEnd(TTransactionAction action, bool force);
  void DoAfterEnd(TTransactionAction action, bool force);
  void DoSQLExecute(const TOnSQLExecute& event, TFIBQuery* query, TFIBSQLTypes sqlType);

 private:
  // The default database when it is an application connection.
  TpFIBDatabase* AppDatabase() const;
  void ApplyTPBMode();

  TTPBMode FTPBMode = tpbReadCommitted;
  std::string FUserKindTransaction = "NoUserKind";
};
