#pragma once
// Binary search over positions 0 .. count - 1 of something sorted, by a
// comparison of the item at a position with the sought one (negative: the
// item sorts before it). Answers whether an equal item exists and sets
// index to the first equal item or, without one, to where the sought item
// would be inserted.

template <class CompareAt>
bool BinaryFind(int count, CompareAt compareAt, int& index) {
  int low = 0;
  int high = count - 1;
  bool found = false;
  while (low <= high) {
    const int middle = (low + high) / 2;
    const int result = compareAt(middle);
    if (result < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (result == 0) found = true;
    }
  }
  index = low;
  return found;
}
