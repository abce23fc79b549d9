// Sorting the rows: a click on a header turns its column's sort (up,
// down, up...; cleared with Ctrl), which re-sorts the nodes by that
// column, or with tloMultiSort by every sorted column in the order they
// were sorted. The sort itself reads each node's keys once and keeps the
// comparers' order (grid/nodes/node_sorter.h).

#include <optional>
#include <vector>

#include "framework/core/system/screen_cursor.h"
#include "grid/nodes/node_sorter.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// Sets a flag for a scope and clears it again, also when the scope is left
// by an exception.
class TFlagScope {
 public:
  TFlagScope(bool& flag, bool value) : FFlag(flag) { FFlag = value; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;
  ~TFlagScope() { FFlag = false; }

 private:
  bool& FFlag;
};

}  // namespace

void TCustomdxTreeList::HeaderClick(TdxTreeListColumn* column, TShiftState shift) {
  if (column == nullptr) return;
  TFlagScope multi(FMultiSortClick, OptionExOn(tloMultiSort) && shift.Contains(ssShift));
  TFlagScope clear(FClearSortClick, shift.Contains(ssCtrl));
  TFlagScope click(FHeaderSortClick, true);
  ColumnClick(column, FClearSortClick);
}

namespace {

// The keys of one sort: the column asked for, or in multi-key mode every
// sorted column, first sorted first, each in its own direction.
std::vector<TdxSortColumn> SortKeys(const TCustomdxTreeList& treeList, int columnIndex, bool descending) {
  std::vector<TdxSortColumn> keys;
  const int count = treeList.SortedColumnCount();
  if (treeList.CanMultiSort(columnIndex) && count > 1) {
    for (int i = 0; i < count; ++i) {
      const TdxTreeListColumn* column = treeList.SortedColumns(i);
      keys.push_back({treeList.ColumnIndexOf(column), column->Sorted() == csDown});
    }
  } else {
    keys.push_back({columnIndex, descending});
  }
  return keys;
}

}  // namespace

void TCustomdxTreeList::SortNodes(int level, int columnIndex, bool descending) {
  if (columnIndex < 0 || Count() == 0) return;
  std::optional<TScreenCursorScope> hourglass;
  if (OptionExOn(tloShowHourGlass)) hourglass.emplace(crHourGlass);
  const std::vector<TdxSortColumn> keys = SortKeys(*this, columnIndex, descending);
  const TdxNodeSortComparer compare(*this, OptionExOn(tloAnsiSort), OnCompare, this);
  // The rows change places: the visible order and the screen follow once.
  TdxTreeListUpdateLock lock(*this);
  ::SortNodes(*this, level, keys, compare);
  lock.Close();
}

void TCustomdxTreeList::SortNodeList(TdxTreeListNode* parent, int columnIndex, bool descending) {
  const int count = parent != nullptr ? parent->Count() : Count();
  if (columnIndex < 0 || count < 2) return;
  std::optional<TScreenCursorScope> hourglass;
  if (OptionExOn(tloShowHourGlass)) hourglass.emplace(crHourGlass);
  const std::vector<TdxSortColumn> keys = SortKeys(*this, columnIndex, descending);
  const TdxNodeSortComparer compare(*this, OptionExOn(tloAnsiSort), OnCompare, this);
  TdxTreeListUpdateLock lock(*this);
  ::SortNodeList(*this, parent, keys, compare);
  lock.Close();
}
