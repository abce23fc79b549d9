#include "dbaccess/statement/query_cache.h"

#include <algorithm>
#include <utility>

#include "dbaccess/connection/database.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/text/text.h"

std::string CachedQueryKey(std::string_view text) { return Trim(NormalizeSqlText(text, '@')); }

// ---- TCacheQueries --------------------------------------------------------------------

// The idle queries of one key. The index holds each key once, yet one text
// may be handed out several times at once: each of those queries comes back
// into its key's bucket, so none is lost or freed while another takes its
// place.
class TCacheQueries::TIdleQueries : public TObject {
 public:
  std::vector<TpFIBQuery*> Queries;
};

TCacheQueries::TCacheQueries(TFIBDatabase* database, std::recursive_mutex& lock)
    : TComponent(nullptr), FDatabase(database), FLock(lock), FFreeQueries(this, true) {}

TCacheQueries::~TCacheQueries() {
  // The queries die while the lists they would be taken out of still live;
  // nobody needs to hear of them one by one.
  FDestroying = true;
  Destroying();
  DestroyComponents();
}

TCacheQueries::TIdleQueries* TCacheQueries::Idle(const std::string& key) const {
  int index = 0;
  if (!FFreeQueries.Find(key, index)) return nullptr;
  return static_cast<TIdleQueries*>(FFreeQueries.Objects(index));
}

TpFIBQuery* TCacheQueries::Acquire(TFIBTransaction* transaction, const std::string& key) {
  int index = 0;
  if (FFreeQueries.Find(key, index)) {
    auto& idle = *static_cast<TIdleQueries*>(FFreeQueries.Objects(index));
    TpFIBQuery* query = idle.Queries.back();
    // Should this fail, the query stays idle rather than lost to everyone.
    if (query->Transaction() != transaction) query->SetTransaction(transaction);
    FUsedQueries.push_back(query);
    idle.Queries.pop_back();
    if (idle.Queries.empty()) FFreeQueries.Delete(index);
    return query;
  }

  auto* query = new TpFIBQuery(this);  // owned by this cache
  try {
    query->SetDatabase(FDatabase);
    query->SetTransaction(transaction);
    query->SQL().SetText(key);
    FUsedQueries.push_back(query);
  } catch (...) {
    query->Free();
    throw;
  }
  return query;
}

bool TCacheQueries::Release(TpFIBQuery* query) {
  const auto used = std::find(FUsedQueries.begin(), FUsedQueries.end(), query);
  if (used == FUsedQueries.end()) return false;
  FUsedQueries.erase(used);
  // A query of a connection that is gone, or moved by its caller to another
  // one, is no use to the callers of this connection.
  if (!FDatabase || query->Database() != FDatabase) {
    query->Free();
    return true;
  }
  const std::string key = Trim(query->NormalizedSQL());
  TIdleQueries* idle = Idle(key);
  if (!idle) {
    const int index = FFreeQueries.Add(key, std::make_unique<TIdleQueries>());
    idle = static_cast<TIdleQueries*>(FFreeQueries.Objects(index));
  }
  idle->Queries.push_back(query);
  return true;
}

bool TCacheQueries::Uses(const TpFIBQuery* query) const {
  return std::find(FUsedQueries.begin(), FUsedQueries.end(), query) != FUsedQueries.end();
}

std::unique_ptr<TpFIBQuery> TCacheQueries::TakeUsed(TpFIBQuery* query) {
  const auto used = std::find(FUsedQueries.begin(), FUsedQueries.end(), query);
  if (used == FUsedQueries.end()) return nullptr;
  FUsedQueries.erase(used);
  std::unique_ptr<TComponent> owned = RemoveComponent(query);
  owned.release();  // now held by the typed pointer below
  return std::unique_ptr<TpFIBQuery>(query);
}

void TCacheQueries::MoveUsedTo(TCacheQueries& other) {
  while (!FUsedQueries.empty()) {
    TpFIBQuery* query = FUsedQueries.back();
    std::unique_ptr<TpFIBQuery> owned = TakeUsed(query);
    other.InsertComponent(std::move(owned));
    other.FUsedQueries.push_back(query);
  }
}

void TCacheQueries::FreeUsed() {
  std::vector<TpFIBQuery*> used;
  used.swap(FUsedQueries);
  for (TpFIBQuery* query : used) query->Free();
}

int TCacheQueries::IdleCount() const {
  int count = 0;
  for (int i = 0; i < FFreeQueries.Count(); ++i)
    count += static_cast<int>(static_cast<const TIdleQueries*>(FFreeQueries.Objects(i))->Queries.size());
  return count;
}

int TCacheQueries::IdleCount(const std::string& key) const {
  const TIdleQueries* idle = Idle(key);
  return idle ? static_cast<int>(idle->Queries.size()) : 0;
}

void TCacheQueries::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || FDestroying) return;
  // A caller may free its query on any thread.
  std::lock_guard lock(FLock);
  Forget(component);
}

// A query of this cache is being destroyed: only its pointer may be
// compared. Other idle queries of its key stay.
void TCacheQueries::Forget(const TComponent* query) {
  std::erase(FUsedQueries, query);
  for (int i = FFreeQueries.Count() - 1; i >= 0; --i) {
    auto& idle = *static_cast<TIdleQueries*>(FFreeQueries.Objects(i));
    if (std::erase(idle.Queries, query) > 0 && idle.Queries.empty()) FFreeQueries.Delete(i);
  }
}

// ---- TCacheList -------------------------------------------------------------------------

TCacheList::TCacheList() : TComponent(nullptr) {}

TCacheList::~TCacheList() {
  std::lock_guard lock(FLock);
  FOrphans.reset();
  FCaches.clear();
}

TCacheQueries* TCacheList::FindCache(const TFIBDatabase* database) const {
  std::lock_guard lock(FLock);
  for (const auto& cache : FCaches)
    if (cache->Database() == database) return cache.get();
  return nullptr;
}

TCacheQueries& TCacheList::CacheFor(TFIBDatabase* database) {
  std::lock_guard lock(FLock);
  if (TCacheQueries* cache = FindCache(database)) return *cache;
  // The cache goes when the database does.
  FreeNotification(database);
  FCaches.push_back(std::make_unique<TCacheQueries>(database, FLock));
  return *FCaches.back();
}

int TCacheList::CacheCount() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FCaches.size());
}

TpFIBQuery* TCacheList::Acquire(TFIBTransaction* transaction, std::string_view text) {
  if (!transaction || !transaction->DefaultDatabase()) return nullptr;
  const std::string key = CachedQueryKey(text);
  TpFIBQuery* query = nullptr;
  {
    std::lock_guard lock(FLock);
    query = CacheFor(transaction->DefaultDatabase()).Acquire(transaction, key);
  }
  if (query->Open()) {
    try {
      query->CloseCursor();
    } catch (...) {
      // The caller never got it: it must not stay handed out.
      std::lock_guard lock(FLock);
      if (TCacheQueries* cache = CacheHolding(query)) {
        const std::unique_ptr<TpFIBQuery> failed = cache->TakeUsed(query);  // freed here
      }
      throw;
    }
  }
  return query;
}

TCacheQueries* TCacheList::CacheHolding(const TpFIBQuery* query) const {
  for (const auto& cache : FCaches)
    if (cache->Uses(query)) return cache.get();
  if (FOrphans && FOrphans->Uses(query)) return FOrphans.get();
  return nullptr;
}

void TCacheList::Release(TpFIBQuery* query) {
  if (!query) return;
  std::lock_guard lock(FLock);
  if (TCacheQueries* cache = FindCache(query->Database()); cache && cache->Release(query)) return;
  // Handed out for a connection that is gone since, or moved by its caller.
  if (TCacheQueries* cache = CacheHolding(query)) cache->Release(query);
}

void TCacheList::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) DropCacheOf(component);
  TComponent::Notification(component, operation);
}

// The database is being destroyed: only its pointer may be compared. Its
// idle queries go with it; those still handed out wait for their callers.
void TCacheList::DropCacheOf(const TComponent* database) {
  std::lock_guard lock(FLock);
  const auto found = std::find_if(FCaches.begin(), FCaches.end(), [database](const auto& cache) {
    return static_cast<const TComponent*>(cache->Database()) == database;
  });
  if (found == FCaches.end()) return;
  std::unique_ptr<TCacheQueries> cache = std::move(*found);
  FCaches.erase(found);
  if (cache->UsedCount() == 0) return;
  if (!FOrphans) FOrphans = std::make_unique<TCacheQueries>(nullptr, FLock);
  cache->MoveUsedTo(*FOrphans);
}

// ---- The process's cache -------------------------------------------------------------------

namespace {

struct TQueryCacheState {
  std::mutex Lock;
  std::unique_ptr<TCacheList> List;
  bool ShuttingDown = false;
};

TQueryCacheState& CacheState() {
  static TQueryCacheState state;
  return state;
}

}  // namespace

TCacheList* QueryCache() {
  TQueryCacheState& state = CacheState();
  std::lock_guard lock(state.Lock);
  if (state.ShuttingDown) return nullptr;
  if (!state.List) state.List = std::make_unique<TCacheList>();
  return state.List.get();
}

TpFIBQuery* AcquireCachedQuery(TFIBTransaction* transaction, std::string_view text) {
  TCacheList* cache = QueryCache();
  return cache ? cache->Acquire(transaction, text) : nullptr;
}

void ReleaseCachedQuery(TpFIBQuery* query) {
  if (!query) return;
  if (TCacheList* cache = QueryCache()) cache->Release(query);
}

void ShutdownQueryCache() noexcept {
  TQueryCacheState& state = CacheState();
  std::unique_ptr<TCacheList> list;
  {
    std::lock_guard lock(state.Lock);
    state.ShuttingDown = true;
    list = std::move(state.List);
  }
  // The list and its queries are freed here, outside the state's lock.
}

void RestartQueryCache() noexcept {
  ShutdownQueryCache();
  TQueryCacheState& state = CacheState();
  std::lock_guard lock(state.Lock);
  state.ShuttingDown = false;
}
