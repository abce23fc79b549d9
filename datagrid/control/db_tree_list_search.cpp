// Searching by text through the dataset, and horizontal scrolling that
// stops at column edges.

#include <algorithm>
#include <climits>

#include "datagrid/control/db_tree_list_control.h"
#include "framework/gui/controls/custom_control.h"
#include "grid/nodes/sort_comparers.h"

namespace {

bool StartsWithIgnoringCase(const std::string& value, const std::string& text) {
  return TextEqualsIgnoringCase(std::string_view(value).substr(0, text.size()), text);
}

}  // namespace

bool TCustomdxDBTreeListControl::LocateByText(int absoluteColumn, const std::string& text, bool forward,
                                             bool next) {
  if (AllRecordsLoaded()) {
    // Over the nodes in visible order, round once from the focused row.
    const int count = VisibleNodeCount();
    if (count == 0) return false;
    const int start = std::max(0, FocusedAbsoluteIndex());
    for (int step = next ? 1 : 0; step <= count; ++step) {
      const int index = ((forward ? start + step : start - step) % count + count) % count;
      TdxTreeListNode* node = GetAbsoluteNode(index);
      if (node != nullptr && StartsWithIgnoringCase(GetCellText(node, absoluteColumn), text)) {
        SetFocusedNodeAndColumn(node, FocusedColumnIndex(), true);
        return true;
      }
      if (step > 0 && index == start) break;
    }
    return false;
  }

  TDataSet* dataSet = DataSet();
  const TdxDBTreeListColumn* column = DBColumn(absoluteColumn);
  if (DataSource() == nullptr || dataSet == nullptr || !dataSet->Active() || DataSetEditing() ||
      (dataSet->Bof() && dataSet->Eof()) || column == nullptr || column->Field() == nullptr)
    return false;
  TField* field = column->Field();
  if (!next && StartsWithIgnoringCase(field->AsString(), text)) return true;

  const TBookmark start = dataSet->GetBookmark();
  bool found = false;
  {
    TDisableControlsScope controls(*dataSet);
    // One round at most: the walk ends where it began, found by the
    // dataset's comparison (a bookmark's bytes may differ for the same
    // record), and in any case after every record was visited once, so a
    // dataset whose bookmarks never compare equal still cannot keep it going.
    const int records = dataSet->RecordCount();
    const int limit = records >= 0 ? records + 1 : INT_MAX;
    for (int step = 0; step < limit; ++step) {
      if (forward) {
        dataSet->MoveToNext();
        if (dataSet->Eof()) dataSet->MoveToFirst();
      } else {
        dataSet->MoveToPrior();
        if (dataSet->Bof()) dataSet->MoveToLast();
      }
      if (dataSet->CompareBookmarks(dataSet->GetBookmark(), start) == 0) break;
      if (StartsWithIgnoringCase(field->AsString(), text)) {
        found = true;
        break;
      }
    }
    if (!found && dataSet->BookmarkValid(start)) dataSet->GotoBookmark(start);
  }
  return found;
}

void TCustomdxDBTreeListControl::WMHScroll(int code, int pos) {
  if (!CanFocus() || GetVisibleColumnCount() == 0 ||
      (code != SB_LINELEFT && code != SB_LINERIGHT && code != SB_THUMBPOSITION && code != SB_THUMBTRACK)) {
    TCustomdxTreeListControl::WMHScroll(code, pos);
    return;
  }
  // Left edges of the columns of the scrolling bands, from their left.
  std::vector<int> edges;
  const int leftFixed = GetLeftFixedBandIndex();
  const int rightFixed = GetRightFixedBandIndex();
  int bandLeft = 0;
  for (int band = 0; band < GetVisibleBandCount(); ++band) {
    if (band == leftFixed || band == rightFixed) continue;
    int left = bandLeft;
    for (int position = 0; position < GetHeaderColumnCount(band, 0); ++position) {
      edges.push_back(left);
      left += GetColumnWidth(GetHeaderAbsoluteIndex(band, 0, position));
    }
    bandLeft += GetBandDisplayWidth(band);
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end());
  const int scrollingWidth = std::max(0, GetScrollingBandsWidth() - GetScrollAreaWidth());
  auto setLeft = [&](int value) {
    value = std::clamp(value, 0, std::max(0, scrollingWidth));
    if (value == LeftCoord()) return;
    SetLeftCoordValue(value);
    UpdateScrollBars();
    Invalidate();
    DoChangeLeftCoord();
  };
  auto step = [&](bool toLeft) {
    // The column under the left coordinate, then one further.
    int current = 0;
    while (current + 1 < static_cast<int>(edges.size()) && edges[static_cast<std::size_t>(current) + 1] <= LeftCoord())
      ++current;
    if (toLeft) {
      if (edges[static_cast<std::size_t>(current)] == LeftCoord()) current = std::max(0, current - 1);
    } else {
      current = std::min(static_cast<int>(edges.size()) - 1, current + 1);
    }
    setLeft(edges[static_cast<std::size_t>(current)]);
  };
  if (code == SB_LINELEFT || code == SB_LINERIGHT) {
    step(code == SB_LINELEFT);
    return;
  }
  if (pos < 1) {
    setLeft(0);
  } else if (pos >= scrollingWidth) {
    setLeft(scrollingWidth);
  } else if (pos != LeftCoord()) {
    // Towards the thumb: the side the thumb was dragged to, whatever half
    // of the bands it lies in, so the thumb never springs back.
    step(pos < LeftCoord());
  }
}
