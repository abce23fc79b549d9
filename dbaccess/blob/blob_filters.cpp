#include "dbaccess/blob/blob_filters.h"

#include <utility>

void TIBBlobFilters::RegisterFilter(int subType, TBlobFilterRoutine writeRoutine,
                                    TBlobFilterRoutine readRoutine) {
  int index = 0;
  if (Find(subType, index)) {
    TEntry& entry = FEntries[static_cast<std::size_t>(index)];
    entry.Write = std::move(writeRoutine);
    entry.Read = std::move(readRoutine);
    return;
  }
  FEntries.insert(FEntries.begin() + index, TEntry{subType, std::move(writeRoutine), std::move(readRoutine)});
}

void TIBBlobFilters::UnregisterFilter(int subType) {
  int index = 0;
  if (Find(subType, index)) FEntries.erase(FEntries.begin() + index);
}

bool TIBBlobFilters::Find(int subType, int& index) const {
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int at = FEntries[static_cast<std::size_t>(mid)].SubType;
    if (at < subType) {
      lo = mid + 1;
    } else {
      // On a match the search goes on to the left: the first entry wins.
      if (at == subType) found = true;
      hi = mid - 1;
    }
  }
  index = lo;
  return found;
}

TBlobFilterRoutine TIBBlobFilters::Routine(int subType, bool writing) const {
  int index = 0;
  if (!Find(subType, index)) return {};
  const TEntry& entry = FEntries[static_cast<std::size_t>(index)];
  return writing ? entry.Write : entry.Read;
}

bool TIBBlobFilters::HasFilter(int subType, bool writing) const {
  return subType < 0 && static_cast<bool>(Routine(subType, writing));
}

void TIBBlobFilters::Apply(std::string& content, bool writing, int subType) const {
  if (subType >= 0 || content.empty()) return;
  // A copy: the routine may register or unregister filters while it runs.
  const TBlobFilterRoutine routine = Routine(subType, writing);
  if (routine) routine(content);
}
