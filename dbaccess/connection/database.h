#pragma once
// The connection component. `TFIBDatabase` holds the database name and the
// connection's parameter lines, attaches to and detaches from the server
// through the client API, keeps the list of the transactions that use it and
// the list of the statement and dataset links (fib_base.h), closes itself
// after an idle time-out, keeps the difference between the local and the
// server clock, and tells listeners when it connects, disconnects and goes.
//
// It is a component: owned by its owner (a form or data module) or held in a
// unique_ptr. Every connection is listed in the process-wide `AllDatabases`
// while it lives; `ShutdownDatabases` at the end of the program closes those
// still connected, before `ShutdownClientLibrary`.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/client/client_handles.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/connection/link_key.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/component/component.h"
#include "framework/core/base/set.h"
#include "framework/core/base/types.h"

class TFIBTransaction;
class TIBBlobFilters;
class TNotifyEventList;
class TThreadList;
class TTimer;

enum class TDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword };
using TDesignDBOptions = TSet<TDesignDBOption>;

enum class TFIBUseRepository { urFieldsInfo, urDataSetInfo, urErrorMessagesInfo };
using TFIBUseRepositories = TSet<TFIBUseRepository>;

// The kinds of listener a connection keeps (RegisterCallback).
enum TFIBCallbackKind { cbConnect = 0, cbDisconnect = 1, cbDestroy = 2 };

class TFIBDatabase : public TComponent {
 public:
  explicit TFIBDatabase(TComponent* owner);
  ~TFIBDatabase() override;

  // ---- Properties ----
  bool Connected() const { return static_cast<bool>(FHandle); }
  // True opens, false closes (without force); while loading only remembers.
  void SetConnected(bool value);
  const std::string& DBName() const { return FDBName; }
  // Raises client error 13 while connected.
  void SetDBName(const std::string& name);
  // The parameter lines ("user_name=SYSDBA"); changing them while connected
  // raises client error 13.
  TDBParams& DBParams() const { return *FDBParams; }
  void SetDBParams(const TStrings& lines);
  TConnectParams& ConnectParams() const { return *FConnectParams; }
  TFIBTransaction* DefaultTransaction() const { return FDefaultTransaction; }
  void SetDefaultTransaction(TFIBTransaction* transaction);
  TFIBTransaction* DefaultUpdateTransaction() const { return FDefaultUpdateTransaction; }
  void SetDefaultUpdateTransaction(TFIBTransaction* transaction);
  int SQLDialect() const { return FSQLDialect; }
  // Below 1, or above the database's own dialect while connected: client error 61.
  void SetSQLDialect(int dialect);
  // Idle time-out in milliseconds, 0 for none; negative: client error 17.
  int Timeout() const { return FTimeout; }
  void SetTimeout(int milliseconds);
  bool UseLoginPrompt() const { return FUseLoginPrompt; }
  void SetUseLoginPrompt(bool value) { FUseLoginPrompt = value; }
  bool UpperOldNames() const { return FUpperOldNames; }
  void SetUpperOldNames(bool value) { FUpperOldNames = value; }
  bool SynchronizeTime() const { return FSynchronizeTime; }
  void SetSynchronizeTime(bool value) { FSynchronizeTime = value; }
  TDesignDBOptions DesignDBOptions() const { return FDesignDBOptions; }
  // Holding ddoIsDefaultDatabase makes this the GlobalDefaultDatabase (when
  // loading, once loading ends).
  void SetDesignDBOptions(TDesignDBOptions options);
  TFIBUseRepositories UseRepositories() const { return FUseRepositories; }
  void SetUseRepositories(TFIBUseRepositories value) { FUseRepositories = value; }

  TNotifyEvent OnConnect;
  TNotifyEvent BeforeDisconnect;
  TNotifyEvent AfterDisconnect;
  TNotifyEvent OnTimeout;

  // ---- Connecting ----
  // Raises client error 13 when connected, 14 without a DBName, 7 when the
  // login prompt is cancelled, and the server's error when the attach fails.
  virtual void OpenConnection();
  // Detaches. Without force the first failure propagates (and a failed
  // detach leaves the connection open); with force failures of the ends and
  // of the detach are dropped and the connection is closed afterwards.
  // Destruction closes with this class's own version: a descendant whose
  // override must run closes in its own destructor.
  virtual void CloseConnection(bool force);
  // Connects a pending stored Connected first; raises client error 12 with
  // this connection's path when not connected.
  void EnsureConnected();

  // The client handle, 0 when not connected, and where statements pass it.
  TClientHandle Handle() const { return FHandle.Value(); }
  TClientHandle* HandleAddress() { return FHandle.Address(); }

  // Every client call for this connection goes through here: restores the
  // floating-point control word, marks the connection busy for the idle
  // time-out and, when asked, raises the server's error for a result above 0.
  TStatusWord ClientCall(TStatusWord result, bool raise);

  // ---- Database information ----
  // The database's own SQL dialect (1 when the server does not say).
  int DatabaseDialect();
  // The server's clock, read in the internal transaction.
  TDateTime ServerNow();
  // Local time minus server time in days, taken at connect with
  // SynchronizeTime; 0 otherwise.
  TDateTime ServerTimeOffset() const { return FServerTimeOffset; }
  // The next value of a generator, stepped by step, in the first active
  // transaction of this connection, else transaction, else the internal one
  // (started and committed around the call when it was not active).
  std::int64_t NextGeneratorValue(std::string_view generatorName, TFIBTransaction* transaction,
                                  std::int64_t step);
  // The transaction the layer uses for its own reads.
  TFIBTransaction& InternalTransaction() const { return *FInternalTransaction; }

  // ---- Blob filters ----
  // The conversion routines of this connection's blobs, by sub-type.
  TIBBlobFilters& BlobFilters() const { return *FBlobFilters; }
  // Passes a blob's content through this connection's filter for the
  // sub-type (writing: before it goes to the server; reading: after it came).
  void ApplyBlobFilter(std::string& content, bool writing, int subType) const;

  // ---- Parameter lines ----
  // The first line whose name (before "=", trimmed, an "isc_dpb_" prefix
  // ignored on either side) equals name ignoring case; -1 when none.
  int ParamIndex(std::string_view name) const;
  // The value of the line of a DPB code 1..67; empty for another code or a
  // missing line.
  std::string ParamValue(int code) const;
  std::string ParamValue(std::string_view name) const;
  // Replaces the line with name=value, appends it when missing, deletes it
  // when the value is empty.
  void SetParamValue(int code, std::string_view value);
  void SetParamValue(std::string_view name, std::string_view value);

  // ---- Listeners ----
  // A handler already registered for the kind is not added again. A
  // handler bound to a component's method goes when that component does.
  void RegisterCallback(TFIBCallbackKind kind, const TNotifyEvent& handler);
  template <class C>
  void RegisterCallback(TFIBCallbackKind kind, C* object, void (C::*method)(TObject*)) {
    RegisterCallback(kind, TNotifyEvent(object, method));
  }
  // Removes every equal entry.
  void UnregisterCallback(TFIBCallbackKind kind, const TNotifyEvent& handler);

  // ---- Transactions and links ----
  // The transactions using this connection, the internal one among them.
  int TransactionCount() const { return static_cast<int>(FTransactions.size()); }
  // Raises EListError for an index out of range.
  TFIBTransaction* Transactions(int index) const;
  // Lists the transaction here and this connection in the transaction's
  // databases; returns its index here.
  int AddTransaction(TFIBTransaction* transaction);
  // Takes the transaction out of both lists and clears default references
  // between the two.
  void RemoveTransaction(int index);
  void RemoveTransactions();
  int FindTransaction(const TFIBTransaction* transaction) const;
  // The first active transaction listed, or nullptr.
  TFIBTransaction* FindActiveTransaction() const;

  int LinkCount() const { return FLinks.Count(); }
  TFIBBase* Links(int index) const { return FLinks.Items(index); }

  void Loaded() override;

  // ---- Bookkeeping for transactions and links ----
  int AddLink(TFIBBase* link, TFIBListKey);
  void RemoveLink(int index, TFIBListKey);
  void InsertTransactionEntry(TFIBTransaction* transaction, TFIBListKey);
  void EraseTransactionEntry(TFIBTransaction* transaction, TFIBListKey);
  void ClearDefaultTransaction(TFIBTransaction* transaction, TFIBListKey);
  void MarkBusy(TFIBListKey) { FIdle = false; }

 protected:
  // Asks the process's login hook for user, password and role and writes
  // them into DBParams; without a hook raises Exception.
  virtual bool AskLogin();
  void DoOnConnect();
  void DoOnTimeout();
  void DoBeforeDisconnect();
  void DoAfterDisconnect();
  // For a connection whose server is gone: lets the handle go, tells the
  // links (DatabaseLost) and ends every active transaction by letting its
  // handle go too, all without a server call. Every step runs even when an
  // earlier one fails; nothing is raised.
  void ReleaseLostConnection() noexcept;

 private:
  TNotifyEventList& Callbacks(TFIBCallbackKind kind) const;
  void FireCallbacks(TFIBCallbackKind kind, bool backwards);
  // With swallow, a failing handler does not keep the others from hearing.
  void NotifyLinks(TFIBLinkNotification notification, bool swallow);
  void ConnectStored();
  void PrepareDPB();
  void EndTransactionsForClose(bool force);
  void IdleTimerTick(TObject* sender);
  void SetDefaultTransactionSlot(TFIBTransaction*& slot, TFIBTransaction* transaction);
  void DestroyQuietly() noexcept;

  TDatabaseHandle FHandle;
  std::string FDBName;
  std::unique_ptr<TDBParams> FDBParams;
  std::unique_ptr<TConnectParams> FConnectParams;
  std::string FDPB;
  TFIBTransaction* FDefaultTransaction = nullptr;
  TFIBTransaction* FDefaultUpdateTransaction = nullptr;
  int FSQLDialect = 1;
  int FTimeout = 0;
  std::unique_ptr<TTimer> FTimer;
  bool FIdle = false;
  bool FUseLoginPrompt = false;
  bool FUpperOldNames = false;
  bool FSynchronizeTime = true;
  bool FStoredConnected = false;
  TDesignDBOptions FDesignDBOptions{TDesignDBOption::ddoStoreConnected};
  TFIBUseRepositories FUseRepositories{TFIBUseRepository::urFieldsInfo, TFIBUseRepository::urDataSetInfo,
                                       TFIBUseRepository::urErrorMessagesInfo};
  TDateTime FServerTimeOffset = 0;
  std::unique_ptr<TFIBTransaction> FInternalTransaction;
  std::vector<TFIBTransaction*> FTransactions;
  TFIBLinkList FLinks;
  std::unique_ptr<TNotifyEventList> FCallbacks[3];
  std::unique_ptr<TIBBlobFilters> FBlobFilters;
};

// ---- Process-wide ----

// Every connection alive, as `TFIBDatabase*` items; lock it to walk it.
TThreadList& AllDatabases();

// The connection holding ddoIsDefaultDatabase, or nullptr.
TFIBDatabase* GlobalDefaultDatabase();

// Closes every connection still connected, at the end of the program: each
// is closed normally and, when that fails, by force; nothing escapes.
void ShutdownDatabases() noexcept;

// The login dialog's entry: shows the database name, fills in user name,
// password and role, and answers whether the user accepted. Installed by the
// dialog's unit; an empty hook uninstalls it.
using TDatabaseLoginHook = std::function<bool(const std::string& databaseName, std::string& userName,
                                              std::string& password, std::string& roleName)>;
void SetDatabaseLoginHook(TDatabaseLoginHook hook);
