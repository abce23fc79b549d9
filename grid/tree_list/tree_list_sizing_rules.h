#pragma once
// The arithmetic of sizing and moving bands and columns by the mouse,
// window-free: how a range of items absorbs a width change, where a
// dragged band or header lands, and how many panel rows a sizing line
// stands for. The tree list's interactions (tree_list_sizing.cpp,
// tree_list_moving.cpp) call these with what the layout shows.

#include <vector>

// The widths of a range of bands or columns after the range as a whole
// was given newTotal: each keeps its share of the old total (the
// platform's MulDiv), the last takes what remains, so the widths add up to
// newTotal. A range whose widths add up to 0 has no shares: it splits
// newTotal evenly.
std::vector<int> ScaleWidths(const std::vector<int>& widths, int newTotal);

// The visible index a dragged band takes when dropped before (after) the
// visible band target, or -2 when that changes nothing: a drop next to its
// own place, before the left-fixed band or after the right-fixed one (-1
// for no fixed band there). from is the dragged band's visible index, -1
// for a band not shown (it goes in before the band now at the result).
int BandDropIndex(int from, int target, bool after, int leftFixed, int rightFixed);

// The position a dragged column takes in a header row when dropped at
// slot (0 before the row's first column .. the row's count after its
// last), where own is its position in that row (-1 when it stands
// elsewhere); -2 when that changes nothing.
int HeaderDropPosition(int own, int slot);

// The band rows a sizing line at y stands for: rows of rowHeight below
// top, after extra pixels of frame, rounded to the nearer boundary,
// 1 .. maxRows.
int PanelRowsAt(int y, int top, int rowHeight, int extra, int maxRows);
