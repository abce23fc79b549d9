#include "framework/core/component/lists.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/merge_sort.h"

namespace {

[[noreturn]] void ListError(const char* text, long long value) {
  throw EListError(std::string(text) + " (" + std::to_string(value) + ")");
}

}  // namespace

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListError("List index out of bounds", index);
}

void TList::Grow() {
  // Half again each time: appending n items costs O(n) moves overall.
  const std::size_t capacity = FItems.capacity();
  if (FItems.size() < capacity) return;
  FItems.reserve(std::max<std::size_t>(16, capacity + capacity / 2));
}

void TList::SetCount(int count) {
  if (count < 0) ListError("List count out of bounds", count);
  FItems.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) ListError("List capacity out of bounds", capacity);
  const auto wanted = static_cast<std::size_t>(capacity);
  if (wanted > FItems.capacity()) {
    FItems.reserve(wanted);
  } else if (wanted < FItems.capacity()) {
    std::vector<void*> smaller;
    smaller.reserve(wanted);
    smaller.assign(FItems.begin(), FItems.end());
    FItems.swap(smaller);
  }
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  FItems[static_cast<std::size_t>(index)] = item;
}

int TList::Add(void* item) {
  Grow();
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) ListError("List index out of bounds", index);
  Grow();
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

int TList::Remove(const void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(const void* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  void* found = FItems[static_cast<std::size_t>(index)];
  Delete(index);
  return found;
}

void TList::Clear() {
  // Like the platform's list, a cleared list gives its memory back.
  std::vector<void*>().swap(FItems);
}

int TList::IndexOf(const void* item) const {
  const auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FItems[static_cast<std::size_t>(index1)], FItems[static_cast<std::size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  const auto first = FItems.begin();
  if (curIndex < newIndex)
    std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
  else
    std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TList::Pack() { std::erase(FItems, nullptr); }

void TList::Sort(const TListSortCompare& compare) {
  if (!compare) return;
  MergeSortStable(FItems, [&compare](void* a, void* b) { return compare(a, b) < 0; });
}

void TThreadList::Add(void* item) {
  std::lock_guard lock(FLock);
  if (FDuplicates != dupAccept && FList.IndexOf(item) >= 0) {
    if (FDuplicates == dupIgnore) return;
    char text[64];
    std::snprintf(text, sizeof text, "List does not allow duplicates ($0%jx)",
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(item)));
    throw EListError(text);
  }
  FList.Add(item);
}

void TThreadList::Remove(const void* item) {
  std::lock_guard lock(FLock);
  FList.Remove(item);
}

void TThreadList::Clear() {
  std::lock_guard lock(FLock);
  FList.Clear();
}

TList* TThreadList::LockList() {
  FLock.lock();
  return &FList;
}

void TThreadList::UnlockList() { FLock.unlock(); }

TDuplicates TThreadList::Duplicates() const {
  std::lock_guard lock(FLock);
  return FDuplicates;
}

void TThreadList::SetDuplicates(TDuplicates duplicates) {
  std::lock_guard lock(FLock);
  FDuplicates = duplicates;
}
