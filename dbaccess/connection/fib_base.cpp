#include "dbaccess/connection/fib_base.h"

#include <algorithm>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/component/component.h"
#include "framework/core/base/exceptions.h"

// ---- TFIBLinkList -----------------------------------------------------------------

TFIBBase* TFIBLinkList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FLinks[static_cast<std::size_t>(index)];
}

int TFIBLinkList::Add(TFIBBase* link) {
  FLinks.push_back(link);
  return Count() - 1;
}

TFIBBase* TFIBLinkList::Remove(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  const auto slot = static_cast<std::size_t>(index);
  TFIBBase* moved = nullptr;
  if (slot + 1 < FLinks.size()) {
    moved = FLinks.back();
    FLinks[slot] = moved;
  }
  FLinks.pop_back();
  return moved;
}

bool TFIBLinkList::Contains(const TFIBBase* link) const {
  return std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end();
}

// ---- TFIBBase ---------------------------------------------------------------------

namespace {

std::string OwnerPath(const TObject* owner) { return ComponentPath(dynamic_cast<const TComponent*>(owner)); }

}  // namespace

TFIBBase::TFIBBase(TObject* owner) : FOwner(owner) {}

TFIBBase::~TFIBBase() {
  LeaveTransaction();
  LeaveDatabase();
}

void TFIBBase::LeaveDatabase() noexcept {
  if (FDatabase == nullptr) return;
  FDatabase->RemoveLink(FIndexInDatabase, TFIBListKey());
  FDatabase = nullptr;
  FIndexInDatabase = -1;
}

void TFIBBase::LeaveTransaction() noexcept {
  if (FTransaction == nullptr) return;
  FTransaction->RemoveLink(FIndexInTransaction, TFIBListKey());
  FTransaction = nullptr;
  FIndexInTransaction = -1;
}

void TFIBBase::SetDatabase(TFIBDatabase* database) {
  if (database == FDatabase) return;
  LeaveDatabase();
  if (database != nullptr) {
    FIndexInDatabase = database->AddLink(this, TFIBListKey());
    FDatabase = database;
    if (FTransaction == nullptr) SetTransaction(database->DefaultTransaction());
  }
}

void TFIBBase::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == FTransaction) return;
  LeaveTransaction();
  if (transaction == nullptr) return;
  FIndexInTransaction = transaction->AddLink(this, TFIBListKey());
  FTransaction = transaction;
  // A link works on one connection; when the transaction does not span the
  // current one, the link follows the transaction.
  if (transaction->DatabaseCount() > 0 &&
      (FDatabase == nullptr || transaction->FindDatabase(FDatabase) < 0)) {
    TFIBDatabase* database = transaction->DefaultDatabase();
    SetDatabase(database != nullptr ? database : transaction->Databases(0));
  }
}

void TFIBBase::CheckDatabase() {
  if (FDatabase == nullptr) RaiseClientError(ceDatabaseNotAssigned, OwnerPath(FOwner));
  FDatabase->EnsureConnected();
}

void TFIBBase::CheckTransaction() {
  if (FTransaction == nullptr) RaiseClientError(ceTransactionNotAssigned, OwnerPath(FOwner));
  FTransaction->EnsureActive();
}

TClientHandle* TFIBBase::DatabaseHandle() {
  CheckDatabase();
  return FDatabase->HandleAddress();
}

TClientHandle* TFIBBase::TransactionHandle() {
  CheckTransaction();
  return FTransaction->HandleAddress();
}

void TFIBBase::DatabaseFreeing(TFIBListKey) {
  DoFreeing(OnDatabaseFreeing);
  LeaveTransaction();
  LeaveDatabase();
}

void TFIBBase::TransactionFreeing(TFIBListKey) {
  DoFreeing(OnTransactionFreeing);
  // Leaves the list properly even though it is about to go: the list must
  // stay exact while the other links' handlers run.
  LeaveTransaction();
}

void TFIBBase::DoNotify(TFIBLinkNotification notification) {
  const TNotifyEvent* event = nullptr;
  switch (notification) {
    case TFIBLinkNotification::DatabaseConnecting:
      event = &OnDatabaseConnecting;
      break;
    case TFIBLinkNotification::DatabaseConnected:
      event = &OnDatabaseConnected;
      break;
    case TFIBLinkNotification::DatabaseDisconnecting:
      event = &OnDatabaseDisconnecting;
      break;
    case TFIBLinkNotification::DatabaseDisconnected:
      event = &OnDatabaseDisconnected;
      break;
    case TFIBLinkNotification::TransactionEnding:
      event = &OnTransactionEnding;
      break;
    case TFIBLinkNotification::TransactionEnded:
      event = &OnTransactionEnded;
      break;
    case TFIBLinkNotification::TransactionStarting:
      event = &OnTransactionStarting;
      break;
    case TFIBLinkNotification::TransactionStarted:
      event = &OnTransactionStarted;
      break;
    case TFIBLinkNotification::DatabaseLost:
      event = &OnDatabaseLost;
      break;
  }
  if (event != nullptr && *event) (*event)(this);
}

void TFIBBase::DoFreeing(const TNotifyEvent& event) {
  if (event) event(this);
}
