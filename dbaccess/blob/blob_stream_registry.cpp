#include "dbaccess/blob/blob_stream_registry.h"

#include "dbaccess/blob/blob_stream.h"
#include "framework/core/base/exceptions.h"

namespace {

constexpr std::uint32_t GenerationMask = (1u << TBlobStreamRegistry::GenerationBits) - 1;

}  // namespace

TBlobStreamRegistry::TBlobStreamRegistry() = default;
TBlobStreamRegistry::~TBlobStreamRegistry() { Clear(); }

TFIBBlobStream& TBlobStreamRegistry::Add(int fieldNumber, TBlobStreamHandle& handle) {
  std::uint32_t index;
  if (!FFree.empty()) {
    index = FFree.back();
  } else {
    if (FSlots.size() >= MaxSlots) throw EListError("Too many blob streams");
    // Room for every slot on the free list, so that freeing never allocates.
    FFree.reserve(FSlots.size() + 1);
    index = static_cast<std::uint32_t>(FSlots.size());
    FSlots.emplace_back();
  }
  TSlot& slot = FSlots[index];
  slot.Stream = std::make_unique<TFIBBlobStream>();
  // Taken off the free list only once the stream exists: a failed
  // allocation leaves the slot free.
  if (!FFree.empty() && FFree.back() == index) FFree.pop_back();
  slot.FieldNumber = fieldNumber;
  ++FCount;
  handle = (index << GenerationBits) | slot.Generation;
  return *slot.Stream;
}

const TBlobStreamRegistry::TSlot* TBlobStreamRegistry::SlotOf(TBlobStreamHandle handle) const {
  if (handle == 0) return nullptr;
  const std::uint32_t index = handle >> GenerationBits;
  if (index >= FSlots.size()) return nullptr;
  const TSlot& slot = FSlots[index];
  if (!slot.Stream || slot.Generation != (handle & GenerationMask)) return nullptr;
  return &slot;
}

TFIBBlobStream* TBlobStreamRegistry::Find(TBlobStreamHandle handle) const {
  const TSlot* slot = SlotOf(handle);
  return slot != nullptr ? slot->Stream.get() : nullptr;
}

int TBlobStreamRegistry::FieldNumberOf(TBlobStreamHandle handle) const {
  const TSlot* slot = SlotOf(handle);
  return slot != nullptr ? slot->FieldNumber : -1;
}

void TBlobStreamRegistry::Release(std::uint32_t index) noexcept {
  TSlot& slot = FSlots[index];
  // Moved out first: the slot is free by the time the stream goes.
  std::unique_ptr<TFIBBlobStream> doomed = std::move(slot.Stream);
  slot.FieldNumber = -1;
  --FCount;
  if (slot.Generation == GenerationMask) {
    // Retired: a further generation would repeat one that handles may
    // still carry.
    slot.Generation = 0;
    return;
  }
  ++slot.Generation;
  FFree.push_back(index);
}

void TBlobStreamRegistry::Free(TBlobStreamHandle handle) noexcept {
  if (SlotOf(handle) == nullptr) return;
  Release(handle >> GenerationBits);
}

void TBlobStreamRegistry::Clear() noexcept {
  for (std::uint32_t index = 0; index < FSlots.size(); ++index)
    if (FSlots[index].Stream) Release(index);
}
