#pragma once
// `TBlobStreamRegistry`: the blob streams a dataset keeps open for its
// records, owned, and reached only through handles. A record buffer (and the
// cache record behind it) holds a 4-byte handle per blob field, never a
// pointer: a handle names a slot and the generation the slot had when the
// stream was registered, so a handle whose stream was freed (the record was
// refreshed, an edit was cancelled, the dataset closed) finds nothing instead
// of freed memory, wherever a copy of it still lies.
//
// A slot whose generation would wrap is retired instead of reused, so a
// stale handle can never come to name a later stream. One thread at a time
// (the dataset's).

#include <cstdint>
#include <memory>
#include <vector>

class TFIBBlobStream;

// 0 is no stream.
using TBlobStreamHandle = std::uint32_t;

class TBlobStreamRegistry {
 public:
  // Handles: slot number in the high 24 bits, generation (1..255) in the low 8.
  static constexpr int GenerationBits = 8;
  static constexpr std::uint32_t MaxSlots = 1u << (32 - GenerationBits);

  TBlobStreamRegistry();
  ~TBlobStreamRegistry();
  TBlobStreamRegistry(const TBlobStreamRegistry&) = delete;
  TBlobStreamRegistry& operator=(const TBlobStreamRegistry&) = delete;

  // A new stream for the blob field of that number; its handle goes to
  // `handle`. Raises EListError when every slot is taken.
  TFIBBlobStream& Add(int fieldNumber, TBlobStreamHandle& handle);
  // The stream of a handle; nullptr for 0 and for a handle whose stream was
  // freed.
  TFIBBlobStream* Find(TBlobStreamHandle handle) const;
  // The field number the stream was registered for; -1 for a stale handle.
  int FieldNumberOf(TBlobStreamHandle handle) const;
  // Frees the stream; nothing for a stale handle.
  void Free(TBlobStreamHandle handle) noexcept;
  // Frees every stream; every handle handed out so far goes stale.
  void Clear() noexcept;
  // Streams held.
  int Count() const { return FCount; }

 private:
  struct TSlot {
    std::unique_ptr<TFIBBlobStream> Stream;
    int FieldNumber = -1;
    std::uint8_t Generation = 1;
  };
  // The slot a live handle names, or nullptr.
  const TSlot* SlotOf(TBlobStreamHandle handle) const;
  void Release(std::uint32_t index) noexcept;

  std::vector<TSlot> FSlots;
  std::vector<std::uint32_t> FFree;
  int FCount = 0;
};
