#include "dbaccess/cache/cache_memory.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct TKeptSlabs {
  std::mutex Lock;
  std::vector<std::unique_ptr<char[]>> Slabs;
};

TKeptSlabs& Kept() {
  static TKeptSlabs kept;
  return kept;
}

}  // namespace

TCacheSlab::TCacheSlab(std::size_t bytes) : FShared(bytes == CacheSlabBytes) {
  if (FShared) {
    TKeptSlabs& kept = Kept();
    std::lock_guard lock(kept.Lock);
    if (!kept.Slabs.empty()) {
      FData = std::move(kept.Slabs.back());
      kept.Slabs.pop_back();
      return;
    }
  }
  FData = std::make_unique_for_overwrite<char[]>(bytes);
}

TCacheSlab::~TCacheSlab() { Return(); }

TCacheSlab& TCacheSlab::operator=(TCacheSlab&& other) noexcept {
  if (this != &other) {
    Return();
    FData = std::move(other.FData);
    FShared = other.FShared;
  }
  return *this;
}

void TCacheSlab::Return() noexcept {
  if (!FShared || !FData) return;
  TKeptSlabs& kept = Kept();
  try {
    std::lock_guard lock(kept.Lock);
    if (kept.Slabs.size() < CacheSlabsKeptBytes / CacheSlabBytes) kept.Slabs.push_back(std::move(FData));
  } catch (...) {
    // No room in the list (or the lock failed): the slab is simply freed.
  }
  FData.reset();
}

void ReleaseCacheMemory() noexcept {
  std::vector<std::unique_ptr<char[]>> slabs;
  TKeptSlabs& kept = Kept();
  try {
    std::lock_guard lock(kept.Lock);
    slabs.swap(kept.Slabs);
  } catch (...) {
    // The lock failed: what is kept stays kept, and is freed at exit.
  }
}

std::size_t KeptCacheMemory() {
  TKeptSlabs& kept = Kept();
  std::lock_guard lock(kept.Lock);
  return kept.Slabs.size() * CacheSlabBytes;
}
