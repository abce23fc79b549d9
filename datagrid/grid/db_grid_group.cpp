// Grouping: the list of grouping columns, group rows built over the loaded
// records, their texts, and the group panel above the headers where a
// header is dropped to group by its column and a box is dragged out to
// ungroup.
//
// Group rows are built for all records at once: each level partitions the
// records of its parent group by their value (a hash of distinct values),
// orders the distinct values once, and moves the records behind their
// group rows with a stable counting pass. A million records with a few
// thousand distinct values thus cost one hash lookup each plus one sort of
// the distinct values, and the records move only from the front of the
// top-level list, which the node list does in constant time.

#include <algorithm>
#include <chrono>
#include <numeric>
#include <unordered_map>

#include "datagrid/grid/db_grid.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"
#include "grid/nodes/node_sorter.h"
#include "grid/nodes/sort_comparers.h"

namespace {

bool IsBlobColumn(const TdxDBTreeListColumn* column) {
  return column->Field() != nullptr && dynamic_cast<const TBlobField*>(column->Field()) != nullptr;
}

// The distinct-value key of a group value: texts folded when case does not
// count; every Null (and an empty text, which reads as Null) in one group.
std::string GroupKey(const Variant& value, bool caseInsensitive) {
  if (value.IsNull() || value.IsEmpty()) return std::string(1, '\0');
  if (const std::string* text = value.StringPtr()) return 'S' + (caseInsensitive ? AnsiUpperCase(*text) : *text);
  return 'V' + std::to_string(static_cast<int>(value.VarType())) + ':' + VarToStr(value);
}

}  // namespace

// --- The grouping columns ------------------------------------------------------------------

bool TCustomdxDBGrid::CanGroupColumn(TdxDBTreeListColumn* column) {
  if (column == nullptr || DefaultFields()) return false;
  if (!FRestoringGrouping) {
    if (ColumnIndexOf(column) < 0 || column->DisableGrouping() || IsBlobColumn(column)) return false;
    if (column->Visible() && GetVisibleColumnCount() <= 1) return false;
    for (const TdxDBTreeListColumn* other : FGroupColumns) {
      if (other == column) return false;
      if (other->Field() != nullptr ? other->Field() == column->Field()
                                    : AnsiSameText(other->FieldName(), column->FieldName()))
        return false;
    }
  }
  bool allow = true;
  if (OnAddGroupColumn) OnAddGroupColumn(this, column, allow);
  return allow;
}

void TCustomdxDBGrid::RenumberGroupColumns() {
  for (std::size_t i = 0; i < FGroupColumns.size(); ++i) FGroupColumns[i]->SetGroupIndexValue(static_cast<int>(i));
}

void TCustomdxDBGrid::AddGroupColumn(TdxDBTreeListColumn* column, int index) {
  if (!CanGroupColumn(column)) {
    // A refused column keeps no index it does not hold in the list.
    if (std::find(FGroupColumns.begin(), FGroupColumns.end(), column) == FGroupColumns.end())
      column->SetGroupIndexValue(-1);
    return;
  }
  const bool wasLoaded = IsLoadAllMode();
  index = std::clamp(index, 0, GroupColumnCount());
  TdxTreeListUpdateLock lock(*this);
  FGroupColumns.insert(FGroupColumns.begin() + index, column);
  RenumberGroupColumns();
  if (column->Sorted() == csNone) column->SetSorted(csUp);
  if (!FOptionsCustomize.Contains(edgoNotHideColumn)) column->SetVisible(false);
  if (wasLoaded) FGroupingChanged = true;
  if (FGroupingCount == 0) Reload();
  lock.Close();
}

void TCustomdxDBGrid::RemoveGroupColumn(int position) {
  if (position < 0 || position >= GroupColumnCount()) return;
  const bool wasLoaded = IsLoadAllMode();
  TdxTreeListUpdateLock lock(*this);
  TdxDBTreeListColumn* column = FGroupColumns[static_cast<std::size_t>(position)];
  FGroupColumns.erase(FGroupColumns.begin() + position);
  column->SetGroupIndexValue(-1);
  RenumberGroupColumns();
  column->SetVisible(true);
  column->SetSorted(csNone);
  if (IsBufferMode() || IsPartialMode()) ClearSortedColumns();
  if (wasLoaded) FGroupingChanged = true;
  if (FGroupingCount == 0) Reload();
  lock.Close();
}

void TCustomdxDBGrid::ChangeGroupIndex(TdxDBTreeListColumn* column, int index) {
  if (column == nullptr) return;
  const auto found = std::find(FGroupColumns.begin(), FGroupColumns.end(), column);
  const int current = found == FGroupColumns.end() ? -1 : static_cast<int>(found - FGroupColumns.begin());
  if (index == current && !FRestoringGrouping) return;
  TdxTreeListUpdateLock lock(*this);
  BeginGrouping();
  try {
    if (current >= 0) RemoveGroupColumn(current);
    if (index != -1) AddGroupColumn(column, index);
  } catch (...) {
    LeaveGrouping();
    throw;
  }
  EndGrouping();
  lock.Close();
}

void TCustomdxDBGrid::ClearGrouping() {
  if (FGroupColumns.empty()) return;
  BeginSortUpdate();
  TAtScopeExit sort([&] { EndSortUpdate(); });
  TdxTreeListUpdateLock lock(*this);
  BeginGrouping();
  try {
    while (!FGroupColumns.empty()) RemoveGroupColumn(0);
  } catch (...) {
    LeaveGrouping();
    throw;
  }
  EndGrouping();
  lock.Close();
}

void TCustomdxDBGrid::ColumnFieldChanged(TdxDBTreeListColumn* column) {
  if (column == nullptr || FLoadingLayout || column->GroupIndex() < 0) return;
  const TDataSet* dataSet = DataSet();
  const bool lost = column->FieldName().empty() || IsBlobColumn(column) ||
                    (dataSet != nullptr && LinkActive() && dataSet->FindField(column->FieldName()) == nullptr);
  if (lost) ChangeGroupIndex(column, -1);
}

void TCustomdxDBGrid::BeginGrouping() {
  if (FGroupingCount++ > 0) return;
  FSavedGroupNames.clear();
  for (const TdxDBTreeListColumn* column : FGroupColumns) FSavedGroupNames.push_back(column->Name());
  FGroupingBufferMode = IsBufferMode();
}

void TCustomdxDBGrid::LeaveGrouping() noexcept {
  if (FGroupingCount > 0 && --FGroupingCount == 0) FSavedGroupNames.clear();
}

void TCustomdxDBGrid::EndGrouping() {
  if (--FGroupingCount > 0) return;
  FGroupingCount = 0;
  bool changed = FSavedGroupNames.size() != FGroupColumns.size();
  for (std::size_t i = 0; !changed && i < FGroupColumns.size(); ++i)
    changed = !AnsiSameText(FSavedGroupNames[i], FGroupColumns[i]->Name());
  FSavedGroupNames.clear();
  if (FGroupingBufferMode) FGroupingChanged = false;
  if (changed)
    Reload();
  else if (LinkActive() && !IsLoading())
    RefreshKeepingView();
}

void TCustomdxDBGrid::RestoreGrouping() {
  std::vector<std::pair<int, TdxDBTreeListColumn*>> stored;
  for (int i = 0; i < ColumnCount(); ++i)
    if (TdxDBTreeListColumn* column = DBColumn(i); column != nullptr && column->GroupIndex() >= 0)
      stored.emplace_back(column->GroupIndex(), column);
  std::stable_sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  FGroupColumns.clear();
  if (stored.empty()) return;
  TRestoreOnExit<bool> restoring(FRestoringGrouping);
  FRestoringGrouping = true;
  TdxTreeListUpdateLock lock(*this);
  BeginGrouping();
  try {
    for (const auto& [index, column] : stored) {
      column->SetGroupIndexValue(-1);
      AddGroupColumn(column, index);
    }
  } catch (...) {
    LeaveGrouping();
    throw;
  }
  FGroupingChanged = false;
  EndGrouping();
  lock.Close();
}

void TCustomdxDBGrid::AssignColumns(const TCustomdxTreeListControl& source) {
  if (&source == this) return;
  // The copies stand in the source's order, so the copy of a grouping
  // column has its index even where the owner gave it another name.
  std::vector<int> grouping;
  if (const auto* grid = dynamic_cast<const TCustomdxDBGrid*>(&source))
    for (int k = 0; k < grid->GroupColumnCount(); ++k) grouping.push_back(grid->GroupColumns(k)->Index());
  TdxTreeListUpdateLock lock(*this);
  BeginGrouping();
  try {
    ClearGrouping();
    TCustomdxDBTreeListControl::AssignColumns(source);
    for (std::size_t k = 0; k < grouping.size(); ++k)
      if (TdxDBTreeListColumn* column = DBColumn(grouping[k])) column->SetGroupIndex(static_cast<int>(k));
  } catch (...) {
    LeaveGrouping();
    throw;
  }
  EndGrouping();
  lock.Close();
}

void TCustomdxDBGrid::CanNavigationChanged() {
  if (IsBufferMode()) {
    LayoutChanged();
    return;
  }
  RestoreGrouping();
}

// --- Group rows -----------------------------------------------------------------------------

int TCustomdxDBGrid::CompareGroupValues(const Variant& a, const Variant& b) const {
  Variant x = a;
  Variant y = b;
  const bool texts = x.StringPtr() != nullptr && y.StringPtr() != nullptr;
  if (texts && OptionOn(tloCaseInsensitive)) {
    x = Variant(AnsiUpperCase(*x.StringPtr()));
    y = Variant(AnsiUpperCase(*y.StringPtr()));
  }
  const bool xNull = x.IsNull() || x.IsEmpty();
  const bool yNull = y.IsNull() || y.IsEmpty();
  if (xNull && yNull) return 0;
  if (xNull) return -1;
  if (yNull) return 1;
  // Texts compare by the locale whatever the ANSI sort option says: the
  // group rows stand in the tree's order, which sorts texts so, and a
  // search that compared them byte by byte would miss the row of a value
  // ("ёлочная" past "Абрикосовая", "apple" before "Apple") and add a
  // second row for it.
  if (texts) return AnsiCompareStr(*x.StringPtr(), *y.StringPtr());
  // Values the variant cannot compare take the tree's order by kind, the
  // same answer from either side.
  return CompareVariants(x, y);
}

bool TCustomdxDBGrid::IsGroupNode(const TdxTreeListNode* node) const {
  return node != nullptr && node->Count() > 0 && node->Level() < GroupColumnCount() && !IsBufferMode();
}

int TCustomdxDBGrid::GetGroupIndent() const { return GroupColumnCount() * IndentDesc(); }

void TCustomdxDBGrid::GroupLeaves(std::vector<TdxTreeListNode*>& leaves) {
  const int levels = GroupColumnCount();
  if (levels == 0 || leaves.empty()) return;
  const bool caseInsensitive = OptionOn(tloCaseInsensitive);
  const bool ansi = OptionExOn(tloAnsiSort);
  const std::size_t total = leaves.size();
  std::vector<std::uint32_t> order(total);
  std::iota(order.begin(), order.end(), 0U);
  struct TRange {
    std::size_t Begin;
    std::size_t End;
    TdxTreeListNode* Parent;
  };
  std::vector<TRange> ranges{{0, total, nullptr}};
  std::vector<TdxTreeListNode*> topGroups;
  std::vector<std::uint32_t> ids;
  std::vector<std::uint32_t> scratch;

  struct TDistinct {
    Variant Value;
    std::string SortKey;
    std::uint32_t First;  // position in order of the first record
  };
  for (int level = 0; level < levels; ++level) {
    TdxDBTreeListColumn* column = FGroupColumns[static_cast<std::size_t>(level)];
    const int columnIndex = column->Index();
    const bool descending = column->Sorted() == csDown;
    const bool bySummary = column->SortBySummary();
    std::vector<TRange> next;
    for (const TRange& range : ranges) {
      std::unordered_map<std::string, std::uint32_t> byKey;
      std::unordered_map<std::string_view, std::uint32_t> byText;
      std::vector<TDistinct> distinct;
      ids.resize(range.End - range.Begin);
      for (std::size_t i = range.Begin; i < range.End; ++i) {
        const auto* leaf = static_cast<const TdxDBTreeListControlNode*>(leaves[order[i]]);
        std::uint32_t id;
        if (!leaf->HoldsValue(columnIndex) && !caseInsensitive) {
          // A text cell (the common case) is looked up without copying it.
          const std::string_view text = leaf->Text(columnIndex);
          auto at = byText.find(text);
          if (at == byText.end()) {
            Variant value = text.empty() ? Variant::Null() : Variant(text);
            auto [keyAt, added] = byKey.try_emplace(GroupKey(value, false), static_cast<std::uint32_t>(distinct.size()));
            if (added) distinct.push_back({std::move(value), std::string(), static_cast<std::uint32_t>(i)});
            at = byText.emplace(text, keyAt->second).first;
          }
          id = at->second;
        } else {
          Variant value = GetNodeValue(leaf, columnIndex);
          auto [at, added] =
              byKey.try_emplace(GroupKey(value, caseInsensitive), static_cast<std::uint32_t>(distinct.size()));
          if (added) distinct.push_back({std::move(value), std::string(), static_cast<std::uint32_t>(i)});
          id = at->second;
        }
        ids[i - range.Begin] = id;
      }
      // The distinct values in the column's order (by summary: as met, and
      // sorted once the totals are known).
      std::vector<std::uint32_t> ranked(distinct.size());
      std::iota(ranked.begin(), ranked.end(), 0U);
      if (!bySummary) {
        const bool keys = ansi;
        if (keys)
          for (TDistinct& d : distinct)
            if (const std::string* text = d.Value.StringPtr())
              d.SortKey = AnsiSortKeyStr(caseInsensitive ? AnsiUpperCase(*text) : *text);
        std::sort(ranked.begin(), ranked.end(), [&](std::uint32_t a, std::uint32_t b) {
          const TDistinct& x = distinct[a];
          const TDistinct& y = distinct[b];
          int result;
          if (keys && x.Value.StringPtr() != nullptr && y.Value.StringPtr() != nullptr)
            result = x.SortKey.compare(y.SortKey);
          else
            result = CompareGroupValues(x.Value, y.Value);
          if (result == 0) return a < b;
          return descending ? result > 0 : result < 0;
        });
      }
      std::vector<std::uint32_t> rank(distinct.size());
      for (std::uint32_t r = 0; r < ranked.size(); ++r) rank[ranked[r]] = r;
      // One group row per value, in rank order.
      std::vector<TdxTreeListNode*> groups(distinct.size());
      for (std::uint32_t r = 0; r < ranked.size(); ++r) {
        const TDistinct& d = distinct[ranked[r]];
        TdxTreeListNode* group = range.Parent != nullptr ? range.Parent->AddChild() : AddNode();
        auto* grid = static_cast<TdxDBGridNode*>(group);
        const auto* first = static_cast<const TdxDBGridNode*>(leaves[order[d.First]]);
        grid->SetGroupValue(d.Value);
        grid->SetKey(first->Key());
        grid->SetRecordIndex(first->RecordIndex());
        grid->SetValueRecord(columnIndex, first->ValueRecord(columnIndex));
        grid->SetText(columnIndex, first->Text(columnIndex));
        DoRefreshNodeData(group);
        groups[r] = group;
        if (range.Parent == nullptr) topGroups.push_back(group);
      }
      // A stable counting pass puts the records of each value together.
      std::vector<std::size_t> starts(distinct.size() + 1, 0);
      for (std::uint32_t id : ids) ++starts[rank[id] + 1];
      for (std::size_t r = 1; r < starts.size(); ++r) starts[r] += starts[r - 1];
      scratch.resize(range.End - range.Begin);
      std::vector<std::size_t> fill(starts.begin(), starts.end() - 1);
      for (std::size_t i = range.Begin; i < range.End; ++i) scratch[fill[rank[ids[i - range.Begin]]]++] = order[i];
      std::copy(scratch.begin(), scratch.end(), order.begin() + static_cast<std::ptrdiff_t>(range.Begin));
      for (std::size_t r = 0; r < groups.size(); ++r)
        next.push_back({range.Begin + starts[r], range.Begin + starts[r + 1], groups[r]});
    }
    ranges = std::move(next);
  }
  // The top level now holds the records and then the first level's group
  // rows. Taken in their own order, each record stands first in the top
  // level when it moves under its deepest group row, which the node list
  // does in constant time, and the records are visited in the order they
  // lie in memory; each group row receives its records in their order,
  // as the stable pass above ordered them.
  std::vector<TdxTreeListNode*> deepest(total, nullptr);
  for (const TRange& range : ranges)
    for (std::size_t i = range.Begin; i < range.End; ++i) deepest[order[i]] = range.Parent;
  for (std::size_t i = 0; i < total; ++i) leaves[i]->MoveTopLevelUnder(deepest[i]);
}

std::vector<TdxTreeListNode*> TCustomdxDBGrid::FlattenGroups() {
  std::vector<TdxTreeListNode*> leaves;
  int groups = 0;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Count() > 0) ++groups;
  if (groups == 0) {
    // A flat list keeps its order (load order, or the order a sort gave).
    leaves.reserve(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i) leaves.push_back(Items(i));
    return leaves;
  } else {
    for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext())
      if (node->Count() == 0) leaves.push_back(node);
  }
  for (TdxTreeListNode* leaf : leaves)
    if (leaf->Parent() != nullptr) leaf->AppendToTopLevel();
  // The group rows, left holding only emptied group rows, stand before the
  // records.
  while (Count() > 0 && groups-- > 0) Items(0)->Free();
  // The records go back to the order they were read in, as a reload would
  // give them; the sorted columns order them afterwards.
  const auto byRecord = [](const TdxTreeListNode* a, const TdxTreeListNode* b) {
    return static_cast<const TdxDBGridNode*>(a)->RecordIndex() < static_cast<const TdxDBGridNode*>(b)->RecordIndex();
  };
  if (!std::is_sorted(leaves.begin(), leaves.end(), byRecord)) {
    std::stable_sort(leaves.begin(), leaves.end(), byRecord);
    if (static_cast<std::size_t>(Count()) == leaves.size()) ReorderSiblings(nullptr, leaves);
  }
  return leaves;
}

void TCustomdxDBGrid::PropagateGroupKeys() {
  if (FGroupColumns.empty()) return;
  // Only group rows are visited: records below the deepest level are
  // never walked.
  const int deepest = GroupColumnCount() - 1;
  const auto propagate = [deepest](auto& self, TdxTreeListNode* node) -> void {
    if (node->Count() == 0) return;
    if (node->Level() < deepest)
      for (int i = 0; i < node->Count(); ++i) self(self, node->Items(i));
    auto* group = static_cast<TdxDBGridNode*>(node);
    const auto* first = static_cast<const TdxDBGridNode*>(group->GetFirstChild());
    group->SetKey(first->Key());
    group->SetRecordIndex(first->RecordIndex());
  };
  for (int i = 0; i < Count(); ++i) propagate(propagate, Items(i));
}

void TCustomdxDBGrid::SortGroupsBySummary() {
  for (int level = 0; level < GroupColumnCount(); ++level) {
    const TdxDBTreeListColumn* column = FGroupColumns[static_cast<std::size_t>(level)];
    if (!column->SortBySummary() || column->Sorted() == csNone) continue;
    const TdxSortColumn key{column->Index(), column->Sorted() == csDown};
    const TdxNodeSortComparer compare(*this, false);
    ::SortNodes(*this, level, std::span<const TdxSortColumn>(&key, 1), compare);
  }
}

void TCustomdxDBGrid::RegroupAll() {
  TdxTreeListUpdateLock lock(*this);
  CloseEditor();
  TdxTreeListNode* focused = FocusedNode();
  if (focused != nullptr && focused->Count() > 0) focused = nullptr;
  std::vector<TdxTreeListNode*> leaves = FlattenGroups();
  GroupLeaves(leaves);
  SortNodes();
  // The records are the ones loaded: the footers keep their totals.
  RecalcSummaries(false);
  if (focused != nullptr) {
    focused->MakeVisible();
    focused->SetFocused(true);
  }
  lock.Close();
}

void TCustomdxDBGrid::RegroupNode(TdxTreeListNode* node) {
  if (node == nullptr || node->Count() > 0) return;
  if (FGroupColumns.empty()) {
    RecalcSummaries();
    return;
  }
  TdxTreeListUpdateLock lock(*this);
  TdxTreeListNode* parent = nullptr;
  for (int level = 0; level < GroupColumnCount(); ++level) {
    TdxDBTreeListColumn* column = FGroupColumns[static_cast<std::size_t>(level)];
    const Variant value = GetNodeValue(node, column->Index());
    const bool descending = column->Sorted() == csDown;
    const int count = parent != nullptr ? parent->Count() : Count();
    TdxTreeListNode* found = nullptr;
    TdxTreeListNode* before = nullptr;
    int low = 0;
    int high = count - 1;
    if (column->SortBySummary()) {
      // Ordered by their totals, the group rows say nothing about where a
      // value stands: each is looked at. A new row goes after the others
      // (before records not yet placed); the sort by summary places it.
      low = count;
      for (int i = 0; i < count && found == nullptr; ++i) {
        TdxTreeListNode* candidate = parent != nullptr ? parent->Items(i) : Items(i);
        if (candidate->Count() == 0 || candidate == node) {
          low = std::min(low, i);
          continue;
        }
        if (CompareGroupValues(static_cast<TdxDBGridNode*>(candidate)->GroupValue(), value) == 0) found = candidate;
      }
      high = -1;
    }
    while (low <= high && found == nullptr) {
      const int middle = (low + high) / 2;
      TdxTreeListNode* candidate = parent != nullptr ? parent->Items(middle) : Items(middle);
      if (candidate->Count() == 0 || candidate == node) {
        // Records beside group rows (not yet placed) sort after them.
        high = middle - 1;
        continue;
      }
      int result = CompareGroupValues(static_cast<TdxDBGridNode*>(candidate)->GroupValue(), value);
      if (descending) result = -result;
      if (result == 0)
        found = candidate;
      else if (result < 0)
        low = middle + 1;
      else
        high = middle - 1;
    }
    if (found == nullptr) {
      if (low < count) before = parent != nullptr ? parent->Items(low) : Items(low);
      TdxTreeListNode* group = parent != nullptr ? parent->InsertChild(before) : InsertNode(before);
      auto* grid = static_cast<TdxDBGridNode*>(group);
      const auto* leaf = static_cast<const TdxDBGridNode*>(node);
      grid->SetGroupValue(value);
      grid->SetKey(leaf->Key());
      grid->SetRecordIndex(leaf->RecordIndex());
      grid->SetValueRecord(column->Index(), leaf->ValueRecord(column->Index()));
      grid->SetText(column->Index(), leaf->Text(column->Index()));
      DoRefreshNodeData(group);
      found = group;
    }
    parent = found;
  }
  if (node->Parent() != parent) {
    TdxTreeListNode* old = node->Parent();
    node->Relink(parent, nmLastChild);
    while (old != nullptr && old->Count() == 0) {
      TdxTreeListNode* up = old->Parent();
      old->Free();
      old = up;
    }
  }
  SortNodes();
  RecalcSummaries();
  lock.Close();
}

std::string TCustomdxDBGrid::GetGroupRowText(const TdxTreeListNode* node) const {
  const int level = node->Level();
  if (level >= GroupColumnCount()) return {};
  TdxDBTreeListColumn* column = FGroupColumns[static_cast<std::size_t>(level)];
  std::string value = column->DisplayConversion(TCustomdxDBTreeListControl::GetCellText(node, column->Index()));
  column->DoGetText(const_cast<TdxTreeListNode*>(node), value);
  std::string text = column->Caption() + " : " + value + " " + GroupSummaryText(node);
  if (OnGetGroupRowText) {
    std::string extra;
    OnGetGroupRowText(const_cast<TCustomdxDBGrid*>(this), const_cast<TdxTreeListNode*>(node), extra);
    text += extra;
  }
  return text;
}

// --- The group panel -----------------------------------------------------------------------

void TCustomdxDBGrid::SetShowGroupPanel(bool value) {
  if (value == FShowGroupPanel) return;
  const bool slide = HandleAllocated() && !ComponentState().Contains(TComponentStateItem::csDesigning) && !IsLoading() && State() == tsNone;
  FShowGroupPanel = value;
  if (slide) ScrollForGroupPanel(ShownGroupPanelHeight(), value);
  LayoutChanged();
}

std::vector<int> GroupPanelScrollSteps(int clientHeight, int distance) {
  std::vector<int> steps;
  int step = std::max(1, clientHeight / 256);
  for (int done = 0; done < distance;) {
    const int remaining = distance - done;
    const int now = step > remaining / 2 ? remaining : step;
    steps.push_back(now);
    done += now;
    if (done >= 20) ++step;
  }
  return steps;
}

void TCustomdxDBGrid::ScrollForGroupPanel(int distance, bool showing) {
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  TRect area = ClientRect();
  if (!layout.Footer.IsEmpty()) area.Bottom = std::min(area.Bottom, layout.Footer.Top);
  if (area.IsEmpty() || distance <= 0) return;
  const auto start = std::chrono::steady_clock::now();
  TCanvas& canvas = Canvas();
  int done = 0;
  for (const int step : GroupPanelScrollSteps(area.Height(), distance)) {
    ScrollWindowEx(0, showing ? step : -step, &area, &area, 0);
    done += step;
    if (showing) {
      canvas.Brush().SetColor(clBtnShadow);
      canvas.FillRect(Rect(area.Left, area.Top, area.Right, std::min(area.Bottom, area.Top + done)));
    } else {
      canvas.Brush().SetColor(Color());
      canvas.FillRect(Rect(area.Left, std::max(area.Top, area.Bottom - done), area.Right, area.Bottom));
    }
    if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(400)) break;
  }
}

void TCustomdxDBGrid::SetGroupPanelColor(TColor value) {
  if (value == FGroupPanelColor) return;
  FGroupPanelColor = value;
  Invalidate();
}

void TCustomdxDBGrid::SetGroupPanelFontColor(TColor value) {
  if (value == FGroupPanelFontColor) return;
  FGroupPanelFontColor = value;
  Invalidate();
}

namespace {
int HeaderHeight(const TCustomdxTreeList& grid) {
  const int h = grid.Metrics().HeaderLineHeight;
  return h > 0 ? h : grid.DefaultRowHeight();
}
}  // namespace

int TCustomdxDBGrid::GroupPanelHeight() const { return FShowGroupPanel ? ShownGroupPanelHeight() : 0; }

int TCustomdxDBGrid::ShownGroupPanelHeight() const {
  const int h = HeaderHeight(*this);
  return (GroupColumnCount() - 1) * (h / 2) + h + 16;
}

int TCustomdxDBGrid::GetTopPanelHeight() const { return GroupPanelHeight(); }

TRect TCustomdxDBGrid::GroupPanelRect() const {
  TdxTreeListLayoutInfo layout;
  CalcAreaRects(layout);
  return layout.TopPanel;
}

TRect TCustomdxDBGrid::GroupBoxRect(int index) const {
  const TRect panel = GroupPanelRect();
  const int h = HeaderHeight(*this);
  const int top = panel.Top + 8 + index * (h / 2);
  return Rect(panel.Left + 8 + 104 * index, top, panel.Left + 108 + 104 * index, top + h);
}

int TCustomdxDBGrid::GroupPanelDropIndex(TPoint p) const {
  for (int k = 0; k < GroupColumnCount(); ++k) {
    const TRect box = GroupBoxRect(k);
    if ((box.Left + box.Right) / 2 > p.X) return k;
  }
  return GroupColumnCount();
}

TdxDBTreeListColumn* TCustomdxDBGrid::GroupBoxAt(TPoint p) const {
  if (!FShowGroupPanel) return nullptr;
  // The later boxes lie over the earlier ones.
  for (int k = GroupColumnCount() - 1; k >= 0; --k)
    if (GroupBoxRect(k).Contains(p)) return FGroupColumns[static_cast<std::size_t>(k)];
  return nullptr;
}

void TCustomdxDBGrid::HitTestPoint(TPoint point, TdxTreeListHitInfo& hitInfo) const {
  TCustomdxDBTreeListControl::HitTestPoint(point, hitInfo);
  if (hitInfo.HitTest != htTopPanel) return;
  if (const TdxDBTreeListColumn* column = GroupBoxAt(point)) hitInfo.Column = column->Index();
}

void TCustomdxDBGrid::DrawTopPanel(TCanvas& canvas, const TRect& rect) {
  if (OnBackgroundDrawEvent) {
    OnBackgroundDrawEvent(this, canvas, rect);
  } else {
    canvas.Brush().SetColor(FGroupPanelColor);
    canvas.FillRect(rect);
    if (FGroupColumns.empty()) {
      canvas.Font().Assign(&HeaderFont());
      canvas.Font().SetColor(FGroupPanelFontColor);
      canvas.SetBkMode(bkTransparent);
      TRect text = rect;
      canvas.DrawText(" Drag a column header here to group by that column", text,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS);
    }
  }
  canvas.Pen().SetColor(clBtnText);
  for (int k = 0; k + 1 < GroupColumnCount(); ++k) {
    const TRect box = GroupBoxRect(k);
    const TRect next = GroupBoxRect(k + 1);
    const int x = (box.Left + box.Right) / 2;
    canvas.MoveTo(x, box.Bottom);
    canvas.LineTo(x, box.Bottom + 3);
    canvas.LineTo(next.Left + 1, box.Bottom + 3);
  }
  for (int k = 0; k < GroupColumnCount(); ++k)
    PaintColumnButton(canvas, GroupBoxRect(k), FGroupColumns[static_cast<std::size_t>(k)]->Index());
}

TColor TCustomdxDBGrid::GetGridLineColor() const {
  if (GridLineColor() != clNone || !FGroupColumns.empty()) return TCustomdxDBTreeListControl::GetGridLineColor();
  const TColor face = ColorToRGB(clBtnFace);
  return face != ColorToRGB(clBlack) && face != ColorToRGB(clWhite) ? clBtnFace : clBtnShadow;
}

bool TCustomdxDBGrid::PanelPressStart(TShiftState shift, int x, int y) {
  TdxDBTreeListColumn* column = GroupBoxAt(Point(x, y));
  if (column == nullptr || State() != tsNone || !CanDragHeader(column)) return false;
  // The box is pressed as a header is: moving past the drag threshold
  // starts the tree list's header drag of that column.
  TdxTreeListHitInfo hit;
  hit.X = x;
  hit.Y = y;
  hit.Column = column->Index();
  hit.HitTest = htColumn;
  shift.Exclude(ssDouble);
  if (!StartLayoutInteraction(hit, shift)) return false;
  FPanelPressed = column;
  return true;
}

void TCustomdxDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TdxDBTreeListColumn* pressed = FPanelPressed;
  const bool clicked = pressed != nullptr && State() == tsColumnDown && GroupBoxAt(Point(x, y)) == pressed;
  FPanelPressed = nullptr;
  TCustomdxDBTreeListControl::MouseUp(button, shift, x, y);
  if (clicked && button == mbLeft) HeaderClick(pressed, shift);
}

TdxDBTreeListColumn* TCustomdxDBGrid::PanelDragColumn(TPoint p, bool& droppable) const {
  droppable = false;
  if (!FShowGroupPanel || State() != tsColumnDragging || PointInCustomizeBox(p) || !GroupPanelRect().Contains(p))
    return nullptr;
  TdxDBTreeListColumn* column = DBColumn(PressedColumn());
  if (column == nullptr) return nullptr;
  // The test may ask OnAddGroupColumn, which is no change of the grid.
  droppable = column->GroupIndex() >= 0 || const_cast<TCustomdxDBGrid*>(this)->CanGroupColumn(column);
  return column;
}

bool TCustomdxDBGrid::GetOwnHeaderDropItem(TPoint p, TRect& item) const {
  bool droppable = false;
  const TdxDBTreeListColumn* column = PanelDragColumn(p, droppable);
  if (column == nullptr || !droppable) return false;
  int index = GroupPanelDropIndex(p);
  if (column->GroupIndex() >= 0) index = std::min(index, GroupColumnCount() - 1);
  item = GroupBoxRect(index);
  return true;
}

void TCustomdxDBGrid::GetDragCursor(TPoint p, TCursor& cursor) const {
  TCustomdxDBTreeListControl::GetDragCursor(p, cursor);
  bool droppable = false;
  const TdxDBTreeListColumn* column = PanelDragColumn(p, droppable);
  if (column == nullptr) return;
  if (column->GroupIndex() < 0 && FPanelPressed == nullptr && droppable)
    cursor = crDxTLDelete;
  else if (column->GroupIndex() >= 0)
    cursor = Cursor();
}

void TCustomdxDBGrid::DoDragOverHeader(TdxTreeListColumn* column, TPoint p, bool& accept) {
  bool droppable = false;
  if (PanelDragColumn(p, droppable) != nullptr) accept = droppable;
  TCustomdxDBTreeListControl::DoDragOverHeader(column, p, accept);
}

void TCustomdxDBGrid::DoDragEndHeader(TdxTreeListColumn* column, TPoint p, TdxHeaderPosInfo& posInfo,
                                      bool& accept) {
  FPanelPressed = nullptr;
  auto* dbColumn = dynamic_cast<TdxDBTreeListColumn*>(column);
  if (dbColumn == nullptr) {
    TCustomdxDBTreeListControl::DoDragEndHeader(column, p, posInfo, accept);
    return;
  }
  const bool grouping = dbColumn->GroupIndex() >= 0;
  if (FShowGroupPanel && !PointInCustomizeBox(p) && GroupPanelRect().Contains(p)) {
    accept = false;
    int index = GroupPanelDropIndex(p);
    if (grouping) index = std::min(index, GroupColumnCount() - 1);
    bool allow = true;
    if (OnEndDragGroupColumn) OnEndDragGroupColumn(this, dbColumn, index, allow);
    if (!allow) return;
    const bool wasHidden = !dbColumn->Visible() && !grouping;
    dbColumn->SetGroupIndex(index);
    if (wasHidden && dbColumn->GroupIndex() >= 0 && OnShowHeader) OnShowHeader(this, dbColumn, -1, -1, -1);
    return;
  }
  if (!grouping) {
    TCustomdxDBTreeListControl::DoDragEndHeader(column, p, posInfo, accept);
    return;
  }
  // A box dragged out of the panel: the column leaves the grouping, and
  // goes where it was dropped among the headers, or stays hidden when it
  // was hidden and is put away in the customizing box.
  const bool wasHidden = !dbColumn->Visible();
  dbColumn->SetGroupIndex(-1);
  if (wasHidden && PointInCustomizeBox(p) && !dbColumn->DisableCustomizing() && GetVisibleColumnCount() > 1)
    dbColumn->SetVisible(false);
  if (!dbColumn->Visible()) {
    accept = false;
    if (OnHideHeader) OnHideHeader(this, dbColumn);
    return;
  }
  accept = posInfo.DropTarget >= 0;
  TCustomdxDBTreeListControl::DoDragEndHeader(column, p, posInfo, accept);
}
