// Loading every record into nodes, and reloading after a change of the
// dataset while keeping the top row, the focused record and the selection.
//
// A load can fail in the middle (a field that cannot be read, a fetch that
// breaks): every bracket it opens (busy mark, disabled dataset controls,
// the screen cursor, the update lock) is a scope, so the grid is never left
// busy, its dataset's controls never stay disabled and the cursor comes back.

#include <algorithm>
#include <optional>

#include "datagrid/grid/db_grid.h"
#include "datagrid/filter/filter_pass_scope.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/core/text/text.h"
#include "grid/nodes/node_sorter.h"
#include "grid/nodes/sort_comparers.h"

void TCustomdxDBGrid::LoadAll() {
  if (IsLoading()) return;
  TDataSet* dataSet = DataSet();
  if (IsPartialMode()) {
    SetKeyFieldObj(LinkActive() && !FKeyField.empty() ? dataSet->FindField(FKeyField) : nullptr);
    ResolvePreviewField(FPreviewFieldName);
    LoadPartial(pmAround);
    return;
  }
  TdxGridBusyScope busy(*this);
  SetKeyFieldObj(LinkActive() && !FKeyField.empty() ? dataSet->FindField(FKeyField) : nullptr);
  // Navigation moves the dataset by key: without one there is nothing the
  // grid could follow, so it shows nothing.
  if (KeyFieldObj() == nullptr && FOptionsDB.Contains(edgoCanNavigation)) return;
  if (IsBufferMode() || dataSet == nullptr || !dataSet->Active()) return;

  FAnchorBookmark.clear();
  ResolvePreviewField(FPreviewFieldName);
  BindGroupSummaries();
  BindFooterSummaries();
  if (FTopLevel < 0) {
    FTopKey = Variant::Null();
    FTopLevel = 0;
  }
  TdxTreeListUpdateLock lock(*this);
  TDisableControlsScope controls(*dataSet);
  if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
  const TBookmark saved = dataSet->GetBookmark();
  std::optional<TScreenCursorScope> cursor;
  if (OptionExOn(tloShowHourGlass)) cursor.emplace(crHourGlass);
  const bool wasBof = dataSet->Bof();
  const bool wasEof = dataSet->Eof();
  dataSet->First();
  if (OnClearNodeData) OnClearNodeData(this);
  DoBeforeCalcSummary();
  FNewTopNode = nullptr;
  int counter = 0;
  int passed = 0;
  const bool reselectBookmarks = UsesBookmarks() && !FSavedSelection.empty();
  const bool reselectKeys = !UsesBookmarks() && !FSavedKeys.empty();
  const std::vector<TdxDBTreeListColumn*> columns = BoundColumns();
  // Each record is filtered as it is loaded (the grouping comes after).
  const bool filtering = IsFiltering();
  if (filtering) Filter().CurrentCriteria();
  TFilterPassScope filterPass(*this);
  for (std::vector<TdxTreeListNode*> old = std::move(FHiddenNodes); TdxTreeListNode* hidden : old) hidden->Free();
  FHiddenNodes.clear();
  const bool grouping = HasGrouping();
  const bool footers = std::any_of(columns.begin(), columns.end(), [](const TdxDBTreeListColumn* column) {
    return column != nullptr && column->SummaryFooterType() != cstNone;
  });
  int summaryValues = 0;
  const std::vector<TSummaryLevel> summaryLevels = SummaryLevels(summaryValues);
  // Group totals are read from the record now and added once the records
  // stand under their group rows.
  std::vector<std::vector<std::optional<long double>>> groupValues;
  std::vector<TdxTreeListNode*> leaves;
  while (!dataSet->Eof()) {
    auto* node = static_cast<TdxDBGridNode*>(AddNode());
    LoadNodeFromRecord(*node, columns);
    node->SetRecordIndex(counter);
    DoRefreshNodeData(node);
    if (filtering && !FilterNodes(node, false)) {
      dataSet->Next();
      ++counter;
      continue;
    }
    ++passed;
    if (grouping) leaves.push_back(node);
    if (footers) AddFooterSummaries(node, true);
    if (summaryValues > 0) groupValues.push_back(GroupSummaryValues(node, true, summaryLevels, summaryValues));
    if (reselectBookmarks) {
      TBookmark bookmark = dataSet->GetBookmark();
      if (InSavedSelection(bookmark)) InsertSelected(SelectedBookmarkCount(), std::move(bookmark), node);
    } else if (reselectKeys && InSavedKeys(node->Key())) {
      InsertSelected(SelectedBookmarkCount(), {}, node);
    }
    if (FNewTopNode == nullptr && !FTopKey.IsNull() && CompareVariants(node->Key(), FTopKey) == 0)
      FNewTopNode = node;
    dataSet->Next();
    ++counter;
  }
  // The records the filter hides are loaded (they come back when it
  // changes) but neither shown nor counted: counts and averages are over
  // the records shown, as the sums are.
  FRecordCount = filtering ? passed : counter;
  if (!reselectBookmarks && reselectKeys) {
    // Kept without bookmarks, the entries go in address order.
    std::sort(SelectedList().begin(), SelectedList().end(),
              [](const TdxSelectedBookmark& a, const TdxSelectedBookmark& b) {
                return std::less<const TdxTreeListNode*>()(a.Node, b.Node);
              });
  }
  if (grouping) GroupLeaves(leaves);
  SortNodes();
  AddGroupSummaries(summaryValues > 0 ? &groupValues : nullptr);
  FinishSummaries(true);
  SortGroupsBySummary();
  PropagateGroupKeys();
  FAllLoaded = true;
  if (filtering && FocusedNode() == nullptr && FirstNode() != nullptr) {
    SetFocusedNodeField(FirstNode());
    if (TopVisibleNode() == nullptr) SetTopVisibleNode(FirstNode());
  }
  if (!saved.empty() && dataSet->BookmarkValid(saved)) dataSet->GotoBookmark(saved);
  if (wasBof != wasEof) {
    if (wasBof)
      dataSet->Prior();
    else
      dataSet->Next();
  }
  if (grouping && FOptionsBehavior.Contains(edgoCollapsedReload)) MoveIntoCollapsedGroup();
  RestoreTopRow();
  lock.Close();
}

void TCustomdxDBGrid::MoveIntoCollapsedGroup() {
  // A current record hidden in a collapsed first-level group: the dataset
  // goes to that group's first record, which its group row shows.
  TField* key = KeyFieldObj();
  TDataSet* dataSet = DataSet();
  if (key == nullptr || dataSet == nullptr || dataSet->IsEmpty()) return;
  TdxTreeListNode* node = FindNodeByKey(key->Value());
  if (node == nullptr) return;
  while (node->Parent() != nullptr) node = node->Parent();
  if (node->Count() == 0 || node->Expanded()) return;
  const auto* group = static_cast<const TdxDBGridNode*>(node);
  if (CompareVariants(group->Key(), key->Value()) == 0) return;
  if (UsesLocate()) {
    dataSet->Locate(FKeyField, group->Key(), {});
  } else {
    dataSet->First();
    dataSet->MoveBy(group->RecordIndex());
  }
}

void TCustomdxDBGrid::RestoreTopRow() {
  TdxTreeListNode* top = FNewTopNode;
  FNewTopNode = nullptr;
  const int level = FTopLevel;
  FTopLevel = -1;
  FTopKey = Variant();
  if (top == nullptr) return;
  while (top->Level() > level && top->Parent() != nullptr) top = top->Parent();
  SetTopVisibleNode(top);
}

void TCustomdxDBGrid::SaveSelection() {
  FSavedSelection.clear();
  FSavedKeys.clear();
  for (int i = 0; i < SelectedBookmarkCount(); ++i) {
    const TdxSelectedBookmark& entry = SelectedBookmarks(i);
    if (UsesBookmarks()) {
      if (!entry.Bookmark.empty()) FSavedSelection.push_back(entry.Bookmark);
    } else if (const TdxDBGridNode* node = GridNode(entry.Node)) {
      FSavedKeys.push_back(node->Key());
    }
  }
  // The list is in bookmark order already; keys need sorting.
  std::sort(FSavedKeys.begin(), FSavedKeys.end(),
            [](const Variant& a, const Variant& b) { return CompareVariants(a, b) < 0; });
}

bool TCustomdxDBGrid::InSavedSelection(const TBookmark& bookmark) const {
  int low = 0;
  int high = static_cast<int>(FSavedSelection.size()) - 1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    const int result = CompareBookmarks(FSavedSelection[static_cast<std::size_t>(middle)], bookmark);
    if (result == 0) return true;
    if (result < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return false;
}

bool TCustomdxDBGrid::InSavedKeys(const Variant& key) const {
  return std::binary_search(FSavedKeys.begin(), FSavedKeys.end(), key,
                            [](const Variant& a, const Variant& b) { return CompareVariants(a, b) < 0; });
}

void TCustomdxDBGrid::RefreshKeepingView() {
  FTopKey = Variant();
  FTopLevel = -1;
  if (const TdxDBGridNode* top = GridNode(TopVisibleNode())) {
    FTopKey = top->Key();
    FTopLevel = top->Level();
  }
  if (IsBufferMode()) {
    ClearNodes();
    RemoveAdjacentDuplicateBookmarks();
    LayoutRecordWindow();
    return;
  }
  FRefreshing = true;
  struct TReset {
    bool& Value;
    ~TReset() { Value = false; }
  } reset{FRefreshing};
  TdxTreeListUpdateLock lock(*this);
  SaveSelection();
  FInsertedNode = nullptr;
  ClearNodes();
  ClearSelectedList();
  try {
    LoadAll();
  } catch (...) {
    FSavedSelection.clear();
    FSavedKeys.clear();
    throw;
  }
  FSavedSelection.clear();
  FSavedKeys.clear();
  lock.Close();
}

void TCustomdxDBGrid::RemoveAdjacentDuplicateBookmarks() {
  auto& list = SelectedList();
  for (std::size_t i = 0; i < list.size(); ++i) list[i].Node = nullptr;
  for (int i = SelectedBookmarkCount() - 1; i > 0; --i)
    if (CompareBookmarks(SelectedBookmarks(i - 1).Bookmark, SelectedBookmarks(i).Bookmark) == 0) RemoveSelected(i);
}

void TCustomdxDBGrid::BeforeColumnSort(TdxTreeListColumn* column) {
  TCustomdxDBTreeListControl::BeforeColumnSort(column);
  const auto* dbColumn = dynamic_cast<const TdxDBTreeListColumn*>(column);
  if (!OptionOn(tloAutoSort) || (dbColumn != nullptr && dbColumn->GroupIndex() >= 0) || IsSortUpdating() ||
      IsMultiSort())
    return;
  for (int i = 0; i < ColumnCount(); ++i) {
    TdxTreeListColumn* other = Columns(i);
    const auto* dbOther = dynamic_cast<const TdxDBTreeListColumn*>(other);
    if (other != column && other->Sorted() != csNone && (dbOther == nullptr || dbOther->GroupIndex() < 0))
      other->SetSorted(csNone);
  }
}

void TCustomdxDBGrid::ColumnSorted(TdxTreeListColumn* column) {
  TCustomdxDBTreeListControl::ColumnSorted(column);
  // The sort runs once, when the lock the column's writer holds ends.
  FSortPending = true;
  if (!IsUpdateLocked()) EndUpdateSort();
}

void TCustomdxDBGrid::EndUpdate() {
  TCustomdxDBTreeListControl::EndUpdate();
  if (!IsUpdateLocked()) EndUpdateSort();
}

void TCustomdxDBGrid::EndUpdateSort() {
  if (!FSortPending) return;
  FSortPending = false;
  if (!IsLoadAllMode()) return;
  SortNodes();
  Invalidate();
}

void TCustomdxDBGrid::ColumnSortClick(TdxTreeListColumn* column, bool clearSorting) {
  auto* dbColumn = dynamic_cast<TdxDBTreeListColumn*>(column);
  if (dbColumn != nullptr && OnColumnSorting) {
    bool allow = true;
    OnColumnSorting(this, dbColumn, allow);
    if (!allow) return;
  }
  TCustomdxDBTreeListControl::ColumnSortClick(column, clearSorting);
}

void TCustomdxDBGrid::SortNodes(int level, int columnIndex, bool descending) {
  if (!IsLoadAllMode()) {
    TCustomdxDBTreeListControl::SortNodes(level, columnIndex, descending);
    return;
  }
  FSortPending = true;
  if (!IsUpdateLocked()) EndUpdateSort();
}

void TCustomdxDBGrid::SortNodes() {
  if (!IsLoadAllMode() || (Count() < 2 && GroupColumnCount() == 0)) return;
  // Group rows keep the order they were built in; the records sort by the
  // sorted columns that do not group.
  std::vector<TdxSortColumn> keys;
  for (int i = 0; i < SortedColumnCount(); ++i) {
    const TdxTreeListColumn* column = SortedColumns(i);
    if (column == nullptr || column->Sorted() == csNone) continue;
    if (const auto* dbColumn = dynamic_cast<const TdxDBTreeListColumn*>(column); dbColumn != nullptr && dbColumn->GroupIndex() >= 0)
      continue;
    keys.push_back(TdxSortColumn{column->Index(), column->Sorted() == csDown});
  }
  const TdxNodeSortComparer compare(*this, OptionExOn(tloAnsiSort), OnCompare, this);
  // A grouping column whose direction changed orders its level again, by
  // the group values' own order (CompareGroupValues, which the group rows'
  // sort values follow) and never by an OnCompare handler: a group row is
  // searched by value, and must stand where the search looks for it.
  const TdxNodeSortComparer groupOrder(*this, false);
  for (int level = 0; level < GroupColumnCount(); ++level) {
    const TdxDBTreeListColumn* column = GroupColumns(level);
    if (column->SortBySummary()) continue;
    const TdxSortColumn key{column->Index(), column->Sorted() == csDown};
    ::SortNodes(*this, level, std::span<const TdxSortColumn>(&key, 1), groupOrder);
  }
  if (keys.empty()) {
    PropagateGroupKeys();
    RebuildVisibleOrder();
    return;
  }
  if (GroupColumnCount() > 0)
    ::SortNodes(*this, GroupColumnCount(), keys, compare);
  else
    ::SortNodeList(*this, nullptr, keys, compare);
  PropagateGroupKeys();
  RebuildVisibleOrder();
}

Variant TCustomdxDBGrid::GetSortValue(const TdxTreeListNode* node, int columnIndex) const {
  const TdxDBTreeListColumn* column = DBColumn(columnIndex);
  if (IsGroupNode(node)) {
    const auto* group = static_cast<const TdxDBGridNode*>(node);
    if (column != nullptr && column->SortBySummary()) return Variant(static_cast<double>(group->SummaryValue()));
    // Case folded as CompareGroupValues folds it, so that the rows stand
    // in the order a search by value expects.
    if (const std::string* text = group->GroupValue().StringPtr(); text != nullptr && OptionOn(tloCaseInsensitive))
      return Variant(AnsiUpperCase(*text));
    return group->GroupValue();
  }
  if (column != nullptr && column->FieldVariantType() == 256) {
    std::string text = GetCellText(node, columnIndex);
    if (OptionOn(tloCaseInsensitive)) text = AnsiUpperCase(text);
    return Variant(std::move(text));
  }
  return GetNodeValue(node, columnIndex);
}
