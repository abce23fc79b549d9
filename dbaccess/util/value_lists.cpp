#include "dbaccess/util/value_lists.h"

#include <algorithm>
#include <string>

#include "framework/core/base/exceptions.h"

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

int TFIBFieldDescrList::Add(std::uint16_t word1, std::uint16_t word2, std::uint8_t byte1, std::uint8_t byte2,
                            std::uint8_t byte3, std::int32_t long1) {
  FItems.push_back({word1, word2, byte1, byte2, byte3, long1});
  return Count() - 1;
}

void TFIBFieldDescrList::Clear() {
  FItems.clear();
  FItems.shrink_to_fit();
}

const TFIBFieldDescr& TFIBFieldDescrList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TFIBFieldDescrList::SetCapacity(int capacity) {
  if (capacity < Count()) throw EListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
  FItems.reserve(static_cast<std::size_t>(capacity));
}

bool TSortedList::Find(std::int32_t value, int& index) const {
  const auto it = std::lower_bound(FItems.begin(), FItems.end(), value);
  index = static_cast<int>(it - FItems.begin());
  return it != FItems.end() && *it == value;
}

int TSortedList::Add(std::int32_t value) {
  int index = 0;
  if (!Find(value, index)) FItems.insert(FItems.begin() + index, value);
  return index;
}

void TSortedList::Remove(std::int32_t value) {
  int index = 0;
  if (Find(value, index)) FItems.erase(FItems.begin() + index);
}

std::int32_t TSortedList::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TSortedList::Shift(std::int32_t value, std::int32_t delta) {
  int index = 0;
  Find(value, index);
  for (auto it = FItems.begin() + index; it != FItems.end(); ++it)
    *it = static_cast<std::int32_t>(static_cast<std::uint32_t>(*it) + static_cast<std::uint32_t>(delta));
}
