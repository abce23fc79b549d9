#pragma once
// The transaction component. `TFIBTransaction` turns its parameter lines
// (`TRParams`: "write", "read_committed", ...) into a transaction parameter
// block, starts one client transaction over every connection in its database
// list, ends it by one of four actions, may end it by itself after an idle
// time-out, and tells the statement and dataset links (fib_base.h) before
// and after starting and ending. While it ends, `TransactionState` says how,
// so that linked datasets can act accordingly.
//
// A component: owned by its owner or held in a unique_ptr. A connection and
// a transaction list each other (the connection's transactions, the
// transaction's databases) and both lists are kept in step; destroying
// either side takes it out of the other's list.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/client/client_handles.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/connection/link_key.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/component/component.h"
#include "framework/core/component/strings.h"

class TFIBDatabase;
class TFIBQuery;
class TNotifyEventList;
class TTimer;

// What kind of statement a query runs, as its preparation finds it.
enum TFIBSQLTypes {
  SQLUnknown,
  SQLSelect,
  SQLInsert,
  SQLUpdate,
  SQLDelete,
  SQLDDL,
  SQLGetSegment,
  SQLPutSegment,
  SQLExecProcedure,
  SQLStartTransaction,
  SQLCommit,
  SQLRollback,
  SQLSelectForUpdate,
  SQLSetGenerator,
  SQLSavePointOperation
};

enum TTransactionAction { TARollback = 0, TARollbackRetaining = 1, TACommit = 2, TACommitRetaining = 3 };

// What a transaction is doing, for the links that look during its hooks.
enum TTransactionState : std::uint8_t {
  tsActive = 0,
  tsInactive = 1,
  tsDoRollback = 2,
  tsDoRollbackRetaining = 3,
  tsDoCommit = 4,
  tsDoCommitRetaining = 5,
};

class TFIBTransaction : public TComponent {
 public:
  explicit TFIBTransaction(TComponent* owner);
  ~TFIBTransaction() override;

  // ---- Properties ----
  bool Active() const { return static_cast<bool>(FHandle); }
  // True starts an inactive transaction, false rolls back an active one;
  // while loading only remembers the value.
  void SetActive(bool value);
  TFIBDatabase* DefaultDatabase() const { return FDefaultDatabase; }
  // Raises client error 16 while active. The new database takes the old
  // one's place in the database list.
  void SetDefaultDatabase(TFIBDatabase* database);
  int Timeout() const { return FTimeout; }
  // Idle time-out in milliseconds, 0 for none; negative: client error 17.
  void SetTimeout(int milliseconds);
  // The action of the idle time-out, of forced ends and of destruction.
  TTransactionAction TimeoutAction() const { return FTimeoutAction; }
  void SetTimeoutAction(TTransactionAction action) { FTimeoutAction = action; }
  // The parameter lines; changing them while active raises client error 16.
  TStrings& TRParams() const;
  void SetTRParams(const TStrings& lines);
  TTransactionState TransactionState() const { return FTransactionState; }

  TNotifyEvent OnTimeout;

  // ---- Starting and ending ----
  // Raises client error 16 when active, 18 without databases, 12 for a
  // database that is not connected, and the server's error when the start
  // fails (leaving the transaction inactive).
  virtual void StartTransaction();
  virtual void Commit();
  virtual void CommitRetaining();
  virtual void Rollback();
  virtual void RollbackRetaining();
  // Ends by the action. A failed commit or rollback raises and leaves the
  // transaction active, unless forced: then a failed commit is rolled back,
  // the transaction ends inactive either way, the links see a rollback, and
  // the commit's error is raised after that clean-up.
  virtual void EndTransaction(TTransactionAction action, bool force);
  // Called by statements around their execution (phase 0 before, 1 after)
  // with the kind of statement; nothing here.
  virtual void SQLExecuteNotification(TFIBQuery* query, TFIBSQLTypes sqlType, int phase);

  // Starts a pending stored Active first; raises client error 15 when inactive.
  void EnsureActive();
  // Raises client error 16 when active.
  void EnsureInactive() const;

  // The server's number of the transaction, read once; 0 when inactive.
  std::int64_t TransactionNumber();
  // TRParams holds the line "read_committed" or "isc_tpb_read_committed".
  bool IsReadCommitted() const;

  // The client handle, 0 when inactive, and where statements pass it.
  TClientHandle Handle() const { return FHandle.Value(); }
  TClientHandle* HandleAddress() { return FHandle.Address(); }
  // Set when the connection was lost: the next end lets the handle go
  // without a server call.
  bool HandleReleased() const { return FHandleReleased; }
  void SetHandleReleased(bool value) { FHandleReleased = value; }

  // Every client call of the transaction goes through here: restores the
  // floating-point control word, marks the transaction and its databases
  // busy and, when asked, raises the server's error for a result above 0.
  TStatusWord ClientCall(TStatusWord result, bool raise);

  // ---- Databases ----
  int DatabaseCount() const { return static_cast<int>(FDatabases.size()); }
  // Raises EListError for an index out of range.
  TFIBDatabase* Databases(int index) const;
  // Lists the database (once) and this transaction in the database's
  // transactions; returns the database's index here.
  int AddDatabase(TFIBDatabase* database);
  // Takes the database out of both lists and clears default references
  // between the two.
  void RemoveDatabase(int index);
  void RemoveDatabases();
  int FindDatabase(const TFIBDatabase* database) const;

  // ---- Listeners and links ----
  // Destroy listeners, called from the last to the first; a handler bound
  // to a component's method goes when that component does.
  void RegisterDestroyCallback(const TNotifyEvent& handler);
  void UnregisterDestroyCallback(const TNotifyEvent& handler);

  int LinkCount() const { return FLinks.Count(); }
  TFIBBase* Links(int index) const { return FLinks.Items(index); }

  void Loaded() override;

  // ---- Bookkeeping for connections and links ----
  int AddLink(TFIBBase* link, TFIBListKey);
  void RemoveLink(int index, TFIBListKey);
  // Ends an active transaction for a closing connection: forced, by the
  // TimeoutAction with the retaining actions mapped to their hard ones.
  void EndOnDisconnect(TFIBListKey);
  // Ends the transaction of a lost connection: marks the handle released
  // and ends by TACommit, forced, so that the links and events hear of it
  // and no server call is made; the transaction is inactive afterwards
  // whatever a hook raised.
  void ReleaseLost(TFIBListKey) noexcept;
  bool StoredActive(TFIBListKey) const { return FStoredActive; }
  void MarkBusy(TFIBListKey) { FIdle = false; }

 protected:
  void DoOnTimeout();

 private:
  class TTRParamsList;
  friend class TTRParamsList;

  void PrepareTPB();
  void NotifyLinks(TFIBLinkNotification notification);
  void EndHard(TTransactionAction action, bool force);
  void IdleTimerTick(TObject* sender);
  void DestroyQuietly() noexcept;

  TTransactionHandle FHandle;
  TFIBDatabase* FDefaultDatabase = nullptr;
  int FTimeout = 0;
  std::unique_ptr<TTimer> FTimer;
  bool FIdle = false;
  TTransactionAction FTimeoutAction = TARollback;
  std::unique_ptr<TStringList> FTRParams;
  std::string FTPB;
  bool FTPBChanged = true;
  bool FHandleReleased = false;
  bool FStoredActive = false;
  TTransactionState FTransactionState = tsInactive;
  std::int64_t FTransactionNumber = 0;
  std::vector<TFIBDatabase*> FDatabases;
  TFIBLinkList FLinks;
  std::unique_ptr<TNotifyEventList> FDestroyCallbacks;
};

// The hard action a retaining one stands for where the transaction must end
// (a closing connection, destruction).
TTransactionAction HardAction(TTransactionAction action);
