#pragma once
// The query cache: prepared `TpFIBQuery` objects for the layer's short
// internal statements (the server clock, metadata lookups), kept per
// connection and keyed by the statement's normal form, so that a text
// prepared once is not prepared again.
//
// `AcquireCachedQuery` hands out a query for a text (an idle one of that key
// when there is one, else a new one); the caller uses it and gives it back
// with `ReleaseCachedQuery`, after which it waits, still prepared, for the
// next caller of that text. One text may be handed out many times at once:
// each caller gets a query of its own, and every one of them is kept for
// reuse when released.
//
// Ownership: each connection's `TCacheQueries` owns its queries (as their
// component owner) and is owned by the process's `TCacheList`, which lives
// from the first acquisition to `ShutdownQueryCache` at the end of the
// program. When a connection is destroyed its idle queries go with it; one
// still handed out stays valid for its caller and is freed when released.
// A caller may also free a query it holds (`Free()`): the cache forgets that
// one query and nothing else. One lock guards the whole cache, so threads
// may share it; a query handed out belongs to its caller alone.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/statement/query_ext.h"
#include "dbaccess/util/string_collections.h"
#include "framework/core/component/component.h"

class TFIBDatabase;
class TFIBTransaction;

// The key of a text: its normal form with "@" as the macro character,
// trimmed of blanks and control characters at both ends.
std::string CachedQueryKey(std::string_view text);

// The cached queries of one connection. Made and owned by the cache list.
class TCacheQueries : public TComponent {
 public:
  // A cache without a database holds the queries still handed out when
  // their connection went; it frees each as it comes back. The lock is the
  // cache list's, held by every caller of the operations below.
  TCacheQueries(TFIBDatabase* database, std::recursive_mutex& lock);
  ~TCacheQueries() override;

  TFIBDatabase* Database() const { return FDatabase; }

  // An idle query of the key, else a new one for the key's text; in use
  // from now on, on the transaction.
  TpFIBQuery* Acquire(TFIBTransaction* transaction, const std::string& key);
  // Takes back a query handed out here: idle under the key of its current
  // text when it still serves this cache's connection, else freed. Returns
  // false for a query not handed out here.
  bool Release(TpFIBQuery* query);
  // Whether the query is handed out from here.
  bool Uses(const TpFIBQuery* query) const;
  // Takes a query handed out here away, with its ownership.
  std::unique_ptr<TpFIBQuery> TakeUsed(TpFIBQuery* query);
  // Hands every query handed out here over to other, as handed out there.
  void MoveUsedTo(TCacheQueries& other);
  // Frees every query handed out.
  void FreeUsed();

  int UsedCount() const { return static_cast<int>(FUsedQueries.size()); }
  int IdleCount() const;
  // The idle queries of a key.
  int IdleCount(const std::string& key) const;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  class TIdleQueries;
  TIdleQueries* Idle(const std::string& key) const;
  void Forget(const TComponent* query);

  TFIBDatabase* FDatabase;
  std::recursive_mutex& FLock;
  // Key to the idle queries of that key (the buckets are owned here, the
  // queries by this component).
  TObjStringList FFreeQueries;
  std::vector<TpFIBQuery*> FUsedQueries;
  bool FDestroying = false;
};

// The process's cache: one TCacheQueries per connection, under one lock.
class TCacheList : public TComponent {
 public:
  TCacheList();
  ~TCacheList() override;

  // The cache of the database, made when missing.
  TCacheQueries& CacheFor(TFIBDatabase* database);
  // Nil when the transaction is nil or has no default database.
  TpFIBQuery* Acquire(TFIBTransaction* transaction, std::string_view text);
  // Nothing for a query the cache did not hand out.
  void Release(TpFIBQuery* query);

  int CacheCount() const;
  // The cache of the database, or nullptr.
  TCacheQueries* FindCache(const TFIBDatabase* database) const;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  TCacheQueries* CacheHolding(const TpFIBQuery* query) const;
  void DropCacheOf(const TComponent* database);

  mutable std::recursive_mutex FLock;
  std::vector<std::unique_ptr<TCacheQueries>> FCaches;
  // Queries still handed out when their connection was destroyed.
  std::unique_ptr<TCacheQueries> FOrphans;
};

// The process's cache list, made on first use; nullptr once
// ShutdownQueryCache has begun.
TCacheList* QueryCache();

// A query ready for the text on the transaction (an open cursor closed), or
// nullptr when the transaction is nil, has no default database, or the cache
// has been shut down.
TpFIBQuery* AcquireCachedQuery(TFIBTransaction* transaction, std::string_view text);
// Gives a query back; nothing for nullptr or a query not handed out.
void ReleaseCachedQuery(TpFIBQuery* query);

// Frees the cache and every query in it, at the end of the program (before
// ShutdownClientLibrary); later acquisitions give nullptr.
void ShutdownQueryCache() noexcept;
// Shuts the cache down and lets the next acquisition make a new one: a test
// program lives many programs' lives in one process.
void RestartQueryCache() noexcept;
