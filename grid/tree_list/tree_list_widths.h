#pragma once
// The width-sharing rules of the tree list's bands and header columns,
// window-free: the layout, the column sizing and the benchmarks call them
// with the widths the column-owning control answers.
//
// Every share a x b / c is the platform's MulDiv (rounded), except the
// header cells' own sharing, which truncates. A share whose divisor is 0
// (zero-width columns, a pass that left no column to share with) gives
// the column or band its minimum width.

#include <vector>

// One band or column as the sharing sees it: its own (natural) width, its
// minimum, and whether it may be sized.
struct TdxWidthItem {
  int Width = 0;
  int MinWidth = 0;
  bool Sizable = true;
};

// The widths of one header row's columns in a band bandWidth wide: the
// fixed (non-sizable) columns keep theirs, the others share the rest in
// proportion to their widths, none below its minimum. The widths are the
// columns' shares; placing them (the last taking what remains) is the
// caller's.
std::vector<int> ShareHeaderRowWidths(const std::vector<TdxWidthItem>& columns, int bandWidth);

// The display widths of the visible bands, their natural widths given.
// Without autoWidth each band keeps its natural width and total is
// groupIndent plus their sum (0 without bands). With autoWidth the bands
// share available (less groupIndent), none below its minimum; when the
// minimums do not fit, or no band is sizable, total is groupIndent plus
// the minimums.
std::vector<int> BandDisplayWidths(const std::vector<TdxWidthItem>& bands, bool autoWidth, int available,
                                   int groupIndent, int& total);

// The width of column `position` of a header row in a band bandWidth
// wide (the display width), by the column sizing rules; the row's last
// column takes what the others leave.
int HeaderColumnWidth(const std::vector<TdxWidthItem>& row, int position, int bandWidth);
