#include "grid/tree_list/tree_list_widths.h"

#include <algorithm>
#include <cstdint>

#include "framework/gui/graphics/geometry.h"

namespace {

// a x b / c, rounded; a zero divisor has no share to give (the caller
// falls back to the minimum).
bool Share(int a, int b, int c, int& result) {
  if (c == 0) return false;
  result = MulDiv(a, b, c);
  return true;
}

}  // namespace

std::vector<int> ShareHeaderRowWidths(const std::vector<TdxWidthItem>& columns, int bandWidth) {
  const std::size_t n = columns.size();
  std::vector<int> widths(n, 0);
  std::vector<bool> fixed(n, false);
  long long available = bandWidth;
  for (std::size_t i = 0; i < n; ++i)
    if (!columns[i].Sizable) {
      fixed[i] = true;
      widths[i] = columns[i].Width;
      available -= columns[i].Width;
    }
  available = std::max(available, 0LL);
  for (;;) {
    long long sum = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (!fixed[i]) sum += columns[i].Width;
    bool fixedOne = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (fixed[i]) continue;
      const long long share = sum < 1 ? 0 : static_cast<long long>(columns[i].Width) * available / sum;
      if (share < columns[i].MinWidth) {
        fixed[i] = true;
        widths[i] = columns[i].MinWidth;
        available -= columns[i].MinWidth;
        fixedOne = true;
        break;
      }
      widths[i] = static_cast<int>(share);
    }
    if (!fixedOne) break;
  }
  return widths;
}

std::vector<int> BandDisplayWidths(const std::vector<TdxWidthItem>& bands, bool autoWidth, int available,
                                   int groupIndent, int& total) {
  std::vector<int> widths(bands.size(), 0);
  if (bands.empty()) {
    total = 0;
    return widths;
  }
  if (!autoWidth) {
    total = groupIndent;
    for (std::size_t i = 0; i < bands.size(); ++i) {
      widths[i] = bands[i].Width;
      total += widths[i];
    }
    return widths;
  }
  int minimums = 0;
  int naturals = 0;
  bool anySizable = false;
  for (const TdxWidthItem& band : bands) {
    minimums += band.MinWidth;
    naturals += band.Width;
    anySizable = anySizable || band.Sizable;
  }
  total = available < groupIndent + minimums || !anySizable ? groupIndent + minimums : available;
  const int n = total - groupIndent;
  int sizableShortNaturals = 0;
  for (const TdxWidthItem& band : bands) {
    int share = 0;
    if (band.Sizable && Share(n, band.Width, naturals, share) && band.MinWidth < share)
      sizableShortNaturals += band.Width;
  }
  int used = 0;
  for (std::size_t i = 0; i + 1 < bands.size(); ++i) {
    const TdxWidthItem& band = bands[i];
    int width = band.MinWidth;
    int share = 0;
    if (!band.Sizable) {
      width = band.Width;
    } else if (Share(n, band.Width, naturals, share)) {
      int extra = 0;
      if (sizableShortNaturals == naturals)
        width = share;
      else if (band.MinWidth < share && Share(n - minimums, band.Width, sizableShortNaturals, extra))
        width = band.MinWidth + extra;
    }
    widths[i] = std::max(width, band.MinWidth);
    used += widths[i];
  }
  widths.back() = total - groupIndent - used;
  return widths;
}

int HeaderColumnWidth(const std::vector<TdxWidthItem>& row, int position, int bandWidth) {
  if (position < 0 || position >= static_cast<int>(row.size())) return 0;
  long long a = bandWidth;
  long long s = 0;
  long long m = 0;
  for (const TdxWidthItem& column : row) {
    s += column.Width;
    m += column.Sizable ? column.MinWidth : column.Width;
  }
  long long s2 = 0;
  bool shortfall = false;
  for (const TdxWidthItem& column : row) {
    if (!column.Sizable) continue;
    int share = 0;
    if (!Share(static_cast<int>(a), column.Width, static_cast<int>(s), share) || share < column.MinWidth)
      shortfall = true;
    else
      s2 += column.Width;
  }
  int given = 0;
  const int last = static_cast<int>(row.size()) - 1;
  for (int i = 0; i <= position; ++i) {
    const TdxWidthItem& column = row[static_cast<std::size_t>(i)];
    int width = 0;
    if (i == last) {
      width = bandWidth - given;
    } else if (!column.Sizable) {
      width = column.Width;
      a -= column.Width;
      s -= column.Width;
      m -= column.Width;
    } else {
      int share = 0;
      int extra = 0;
      if (!Share(static_cast<int>(a), column.Width, static_cast<int>(s), share))
        width = column.MinWidth;
      else if (s2 == s)
        width = share;
      else if (share <= column.MinWidth)
        width = column.MinWidth;
      else if (shortfall && Share(static_cast<int>(a - m), column.Width, static_cast<int>(s2), extra))
        width = column.MinWidth + extra;
      else if (shortfall)
        width = column.MinWidth;
      else
        width = share;
      width = std::max(width, column.MinWidth);
    }
    if (i == last) width = std::max(width, 0);
    if (i == position) return width;
    given += width;
  }
  return 0;
}
