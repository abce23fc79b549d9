#pragma once
// The link of a statement, a dataset, a blob or an array object to its
// connection and its transaction. The owner (the statement or dataset) holds
// the link by value or unique_ptr; the link joins the link lists of both
// components, so that they can tell it before and after they connect,
// disconnect, start and end, and when either of them is destroyed. The owner
// assigns the notifications it cares about; each is called with the link as
// the sender. Destroying the link leaves both lists.

#include <cstddef>
#include <vector>

#include "dbaccess/client/client_handles.h"
#include "dbaccess/connection/link_key.h"
#include "framework/core/base/object.h"

class TFIBDatabase;
class TFIBTransaction;

// The notifications that the connection and the transaction send around
// their operations; the two "freeing" ones have their own entries.
// DatabaseLost comes alone, when the application connection finds its
// server gone: the link must drop what it holds on the server without a
// server call (a statement forgets its handle and is closed and unprepared).
enum class TFIBLinkNotification {
  DatabaseConnecting,
  DatabaseConnected,
  DatabaseDisconnecting,
  DatabaseDisconnected,
  TransactionEnding,
  TransactionEnded,
  TransactionStarting,
  TransactionStarted,
  DatabaseLost,
};

class TFIBBase : public TObject {
 public:
  // The owner is used for messages only; it may be any object, or nullptr.
  explicit TFIBBase(TObject* owner);
  ~TFIBBase() override;

  TObject* Owner() const { return FOwner; }

  TFIBDatabase* Database() const { return FDatabase; }
  // Leaves the old connection's list and joins the new one's; without a
  // transaction, takes the new connection's DefaultTransaction.
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return FTransaction; }
  // Leaves the old transaction's list and joins the new one's; when the new
  // transaction lists databases and the current connection is not one of
  // them, moves to its DefaultDatabase (or its first listed database).
  void SetTransaction(TFIBTransaction* transaction);

  // Raise client error 21 (22) naming the owner without a connection
  // (transaction), else make sure it is connected (active).
  virtual void CheckDatabase();
  virtual void CheckTransaction();

  // The handles' addresses, after the checks above, for the client API.
  TClientHandle* DatabaseHandle();
  TClientHandle* TransactionHandle();

  // This link's slots in the two lists; -1 when not linked.
  int IndexInDatabase() const { return FIndexInDatabase; }
  int IndexInTransaction() const { return FIndexInTransaction; }

  TNotifyEvent OnDatabaseConnecting;
  TNotifyEvent OnDatabaseConnected;
  TNotifyEvent OnDatabaseDisconnecting;
  TNotifyEvent OnDatabaseDisconnected;
  TNotifyEvent OnDatabaseLost;
  TNotifyEvent OnDatabaseFreeing;
  TNotifyEvent OnTransactionEnding;
  TNotifyEvent OnTransactionEnded;
  TNotifyEvent OnTransactionStarting;
  TNotifyEvent OnTransactionStarted;
  TNotifyEvent OnTransactionFreeing;

  // ---- Called by the connection and the transaction only ----
  void Notify(TFIBLinkNotification notification, TFIBListKey) { DoNotify(notification); }
  // The connection is being destroyed: OnDatabaseFreeing, then both
  // references are dropped.
  void DatabaseFreeing(TFIBListKey);
  // The transaction is being destroyed: OnTransactionFreeing, then the
  // reference is dropped.
  void TransactionFreeing(TFIBListKey);
  void SetIndexInDatabase(int index, TFIBListKey) { FIndexInDatabase = index; }
  void SetIndexInTransaction(int index, TFIBListKey) { FIndexInTransaction = index; }

 protected:
  void DoNotify(TFIBLinkNotification notification);
  void DoFreeing(const TNotifyEvent& event);

 private:
  void LeaveDatabase() noexcept;
  void LeaveTransaction() noexcept;

  TObject* FOwner;
  TFIBDatabase* FDatabase = nullptr;
  int FIndexInDatabase = -1;
  TFIBTransaction* FTransaction = nullptr;
  int FIndexInTransaction = -1;
};

// The passes of the connection and the transaction over their link lists
// work on a copy taken at the start, and skip a link that has left the list
// meanwhile: a handler that unlinks itself or another link neither makes
// the pass skip a link nor repeat one.
class TFIBLinkList {
 public:
  int Count() const { return static_cast<int>(FLinks.size()); }
  TFIBBase* Items(int index) const;
  // Appends; returns the new link's index.
  int Add(TFIBBase* link);
  // Removes the entry at index; the last entry moves into the hole. Returns
  // the moved link (its index is now `index`), or nullptr.
  TFIBBase* Remove(int index);
  bool Contains(const TFIBBase* link) const;

  // Calls f(link) for each link listed when the pass starts and still listed
  // when its turn comes, in index order or (backwards) from the last down.
  template <class F>
  void ForEach(F f, bool backwards = false) const {
    const std::vector<TFIBBase*> snapshot = FLinks;
    const std::size_t n = snapshot.size();
    for (std::size_t k = 0; k < n; ++k) {
      TFIBBase* link = snapshot[backwards ? n - 1 - k : k];
      if (Contains(link)) f(link);
    }
  }

 private:
  std::vector<TFIBBase*> FLinks;
};
