#pragma once
// Memory of the record caches in slabs of one size. A dataset that is
// closed and opened again (every new search) would otherwise give its
// cache's memory back to the system and fault it in afresh, page by page,
// which costs a large result about as much as a fifth of its fetching. The
// slabs of closed caches are kept for the next cache, up to
// CacheSlabsKeptBytes for the process; the rest go back at once.
// `ReleaseCacheMemory()` gives back what is kept (ShutdownDatabaseLayer calls
// it). Any thread may take and return slabs.

#include <cstddef>
#include <memory>

inline constexpr std::size_t CacheSlabBytes = std::size_t{1} << 20;
inline constexpr std::size_t CacheSlabsKeptBytes = std::size_t{64} << 20;

// One allocation of a cache: a kept slab of CacheSlabBytes, or a smaller
// (or larger) block of memory of its own. Its bytes are not initialised.
class TCacheSlab {
 public:
  // CacheSlabBytes come from the kept slabs when there are any.
  explicit TCacheSlab(std::size_t bytes);
  ~TCacheSlab();
  TCacheSlab(TCacheSlab&&) noexcept = default;
  TCacheSlab& operator=(TCacheSlab&&) noexcept;
  TCacheSlab(const TCacheSlab&) = delete;
  TCacheSlab& operator=(const TCacheSlab&) = delete;

  char* Data() const { return FData.get(); }

 private:
  void Return() noexcept;

  std::unique_ptr<char[]> FData;
  bool FShared = false;
};

// Frees the slabs kept for later caches.
void ReleaseCacheMemory() noexcept;
// Bytes kept now.
std::size_t KeptCacheMemory();
