#pragma once
// The sort behind `TList::Sort` and `TStringList`'s orders: a stable,
// bottom-up merge sort that never leaves its range, whatever the comparison
// answers. Comparisons come from callers (column comparers, custom list
// orders) and may be inconsistent; std::sort would then read outside the
// range, this one only produces some permutation.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Sorts items so that less(b, a) is false for every a before b, keeping the
// order of equal items. T must be default-constructible and movable.
template <class T, class Less>
void MergeSortStable(std::vector<T>& items, Less less) {
  const std::size_t n = items.size();
  if (n < 2) return;

  // Short runs by insertion; every step is bounded by the run's start.
  constexpr std::size_t kRun = 16;
  for (std::size_t lo = 0; lo < n; lo += kRun) {
    const std::size_t hi = std::min(lo + kRun, n);
    for (std::size_t i = lo + 1; i < hi; ++i) {
      if (!less(items[i], items[i - 1])) continue;
      T value = std::move(items[i]);
      std::size_t j = i;
      do {
        items[j] = std::move(items[j - 1]);
        --j;
      } while (j > lo && less(value, items[j - 1]));
      items[j] = std::move(value);
    }
  }
  if (n <= kRun) return;

  // Merge passes ping-pong between the items and one buffer.
  std::vector<T> buffer(n);
  std::vector<T>* from = &items;
  std::vector<T>* to = &buffer;
  for (std::size_t width = kRun; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, n);
      const std::size_t hi = std::min(lo + 2 * width, n);
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        // Taking the right item only when strictly less keeps equal items in order.
        if (less((*from)[j], (*from)[i]))
          (*to)[k++] = std::move((*from)[j++]);
        else
          (*to)[k++] = std::move((*from)[i++]);
      }
      while (i < mid) (*to)[k++] = std::move((*from)[i++]);
      while (j < hi) (*to)[k++] = std::move((*from)[j++]);
    }
    std::swap(from, to);
  }
  // Moving back, rather than swapping vectors, keeps the caller's capacity.
  if (from != &items) std::move(buffer.begin(), buffer.end(), items.begin());
}
