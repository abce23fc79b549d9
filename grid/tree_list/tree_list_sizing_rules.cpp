#include "grid/tree_list/tree_list_sizing_rules.h"

#include <algorithm>

#include "framework/gui/graphics/geometry.h"

std::vector<int> ScaleWidths(const std::vector<int>& widths, int newTotal) {
  std::vector<int> result(widths.size(), 0);
  if (widths.empty()) return result;
  long long total = 0;
  for (int width : widths) total += width;
  const int count = static_cast<int>(widths.size());
  int given = 0;
  for (int i = 0; i + 1 < count; ++i) {
    // Items of no width have no share to keep: MulDiv would divide by 0
    // and answer -1 for each of them.
    const int share = total == 0
                          ? newTotal / count
                          : MulDiv(widths[static_cast<std::size_t>(i)], newTotal, static_cast<int>(total));
    result[static_cast<std::size_t>(i)] = share;
    given += share;
  }
  result.back() = newTotal - given;
  return result;
}

int BandDropIndex(int from, int target, bool after, int leftFixed, int rightFixed) {
  if (target == from && from >= 0) return -2;
  if (!after && target == leftFixed) return -2;
  if (after && target == rightFixed) return -2;
  const int slot = after ? target + 1 : target;
  if (from < 0) return slot;
  // Taking the band out first moves the places after it one to the left.
  const int index = slot > from ? slot - 1 : slot;
  return index == from ? -2 : index;
}

int HeaderDropPosition(int own, int slot) {
  if (own < 0) return slot;
  const int position = slot > own ? slot - 1 : slot;
  return position == own ? -2 : position;
}

int PanelRowsAt(int y, int top, int rowHeight, int extra, int maxRows) {
  if (rowHeight <= 0) return 1;
  const int rows = (y - top - extra + rowHeight / 2) / rowHeight;
  return std::clamp(rows, 1, std::max(1, maxRows));
}
