// The data-aware grid: life cycle, properties, option sets and the answers
// to the data link's notifications.

#include "datagrid/grid/db_grid.h"
#include "datagrid/filter/filter_drop_down.h"
#include "datagrid/filter/grid_filter.h"

#include <algorithm>
#include <memory>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/scope_exit.h"

namespace {

// Every data-aware grid that exists, for IsDataSetBusyInGrid; made with the
// first grid and freed with the last.
std::unique_ptr<std::vector<TCustomdxDBGrid*>> LiveGrids;

void JoinLiveGrids(TCustomdxDBGrid* grid) {
  if (!LiveGrids) LiveGrids = std::make_unique<std::vector<TCustomdxDBGrid*>>();
  LiveGrids->push_back(grid);
}

void LeaveLiveGrids(TCustomdxDBGrid* grid) noexcept {
  if (!LiveGrids) return;
  std::erase(*LiveGrids, grid);
  if (LiveGrids->empty()) LiveGrids.reset();
}

}  // namespace

bool IsDataSetBusyInGrid(const TDataSet* dataSet) {
  if (!LiveGrids || dataSet == nullptr) return false;
  return std::any_of(LiveGrids->begin(), LiveGrids->end(),
                     [&](const TCustomdxDBGrid* grid) { return grid->DataSet() == dataSet && grid->IsBusy(); });
}

int LiveGridCount() { return LiveGrids ? static_cast<int>(LiveGrids->size()) : 0; }

TCustomdxDBGrid::TCustomdxDBGrid(TComponent* owner)
    : TCustomdxDBTreeListControl(owner),
      FDataLink(std::make_unique<TdxGridDataLink>(this)),
      FOptionsBehavior(DefaultOptionsBehavior()),
      FOptionsCustomize(DefaultOptionsCustomize()),
      FOptionsDB(DefaultOptionsDB()),
      FOptionsView(DefaultOptionsView()) {
  FSummaryGroups = std::make_unique<TdxDBGridSummaryGroups>(this, this);
  ApplyTreeListOptions();
  SetHideFocusRect(false);
  SetHideSelection(false);
  SetNodeIndentMode(true);
  SetShowGrid(true);
  SetHideSelectionColor(HighlightColor());
  SetHideSelectionTextColor(HighlightTextColor());
  JoinLiveGrids(this);
}

TCustomdxDBGrid::~TCustomdxDBGrid() {
  LeaveLiveGrids(this);
  // The columns may go before the grid does.
  FGroupColumns.clear();
  // No notification may reach a grid that is half gone.
  FDataLink->SetDataSource(nullptr);
  FInsertedNode = nullptr;
  // The nodes go while this class can still answer for them.
  ClearNodes();
}

// --- Properties ---------------------------------------------------------------------------------

TDataSource* TCustomdxDBGrid::GetDataSource() const { return FDataLink->DataSource(); }

void TCustomdxDBGrid::SetDataSource(TDataSource* source) {
  if (source == FDataLink->DataSource()) return;
  ClearSelection();
  FDataLink->SetDataSource(source);
  if (source != nullptr) source->FreeNotification(this);
  if (IsBufferMode()) ActiveChanged(FDataLink->Active());
}

void TCustomdxDBGrid::SetDefaultFields(bool value) {
  if (value == FDefaultFields) return;
  {
    TdxTreeListUpdateLock lock(*this);
    FOptionsDB.Exclude(edgoLoadAllRecords);
    ClearGrouping();
    TCustomdxTreeListControl::DestroyColumns();
    FDefaultFields = value;
    SetDefaultLayout(true);
    lock.Close();
  }
}

void TCustomdxDBGrid::SetKeyField(const std::string& value) {
  if (value == FKeyField) return;
  FKeyField = value;
  ActiveChanged(FDataLink->Active());
}

void TCustomdxDBGrid::SetPreviewFieldName(const std::string& value) {
  if (value == FPreviewFieldName) return;
  FPreviewFieldName = value;
  ActiveChanged(FDataLink->Active());
}

void TCustomdxDBGrid::SetPartialLoad(bool value) {
  TdxDBGridOptionsDB options = FOptionsDB;
  value ? options.Include(edgoPartialLoad) : options.Exclude(edgoPartialLoad);
  SetOptionsDB(options);
}

void TCustomdxDBGrid::SetUseBookmarks(bool value) {
  TdxDBGridOptionsDB options = FOptionsDB;
  value ? options.Include(edgoUseBookmarks) : options.Exclude(edgoUseBookmarks);
  SetOptionsDB(options);
}

void TCustomdxDBGrid::ApplyTreeListOptions() {
  TdxTreeListOptions options = TreeListOptionsFromBits(Options());
  TdxTreeListOptionsEx optionsEx = TreeListOptionsExFromBits(OptionsEx());
  ApplyGroupedOptions(FOptionsBehavior, FOptionsCustomize, FOptionsView, options, optionsEx);
  SetOptions(options);
  SetOptionsEx(optionsEx);
}

void TCustomdxDBGrid::SetOptionsBehavior(const TdxDBGridOptionsBehavior& value) {
  if (value == FOptionsBehavior) return;
  TdxTreeListUpdateLock lock(*this);
  const bool sortingChanged = value.Contains(edgoAutoSort) != FOptionsBehavior.Contains(edgoAutoSort) ||
                              value.Contains(edgoMultiSort) != FOptionsBehavior.Contains(edgoMultiSort);
  FOptionsBehavior = value;
  ApplyTreeListOptions();
  if (sortingChanged) ClearSortedColumns();
  lock.Close();
}

void TCustomdxDBGrid::SetOptionsCustomize(const TdxDBGridOptionsCustomize& value) {
  if (value == FOptionsCustomize) return;
  TdxTreeListUpdateLock lock(*this);
  FOptionsCustomize = value;
  ApplyTreeListOptions();
  lock.Close();
}

void TCustomdxDBGrid::SetOptionsView(const TdxDBGridOptionsView& value) {
  if (value == FOptionsView) return;
  TdxTreeListUpdateLock lock(*this);
  FOptionsView = value;
  ApplyTreeListOptions();
  SetShowIndicator(value.Contains(edgoIndicator));
  lock.Close();
}

void TCustomdxDBGrid::SetOptionsDB(const TdxDBGridOptionsDB& value) {
  TdxDBGridOptionsDB options = value;
  // The two exclude each other, and loading all records wins, whatever
  // the grid held before.
  if (options.Contains(edgoLoadAllRecords)) options.Exclude(edgoPartialLoad);
  if (options == FOptionsDB) return;
  const TdxDBGridOptionsDB old = FOptionsDB;
  TdxTreeListUpdateLock lock(*this);
  FOptionsDB = options;
  bool reload = false;
  if (old.Contains(edgoPartialLoad) != options.Contains(edgoPartialLoad) && !HasGrouping() &&
      !options.Contains(edgoLoadAllRecords)) {
    if (options.Contains(edgoPartialLoad) && FDefaultFields) SetDefaultFields(false);
    FPartialBOF = FPartialEOF = false;
    reload = true;
  }
  if (options.Contains(edgoUseBookmarks) && !old.Contains(edgoUseBookmarks)) ClearSelection();
  if (options.Contains(edgoLoadAllRecords) && FDefaultFields) {
    SetDefaultFields(false);
    FOptionsDB = options;
  }
  if (old.Contains(edgoLoadAllRecords) != options.Contains(edgoLoadAllRecords) && !HasGrouping()) {
    ClearSortedColumns();
    reload = true;
    ReapplyFilter();
  }
  if (old.Contains(edgoCanNavigation) != options.Contains(edgoCanNavigation)) {
    CanNavigationChanged();
    reload = true;
  }
  lock.Close();
  if (reload && !IsLoading()) ActiveChanged(FDataLink->Active());
}

TdxDBGridOptions TCustomdxDBGrid::GridOptions() const {
  return CombinedOptions({FOptionsBehavior, FOptionsCustomize, FOptionsDB, FOptionsView});
}

TdxDBGridOptionsEx TCustomdxDBGrid::GridOptionsEx() const {
  return CombinedOptionsEx({FOptionsBehavior, FOptionsCustomize, FOptionsDB, FOptionsView});
}

void TCustomdxDBGrid::SetGridOptions(const TdxDBGridOptions& value) {
  SetGroupedOptions(ApplyCombinedOptions({FOptionsBehavior, FOptionsCustomize, FOptionsDB, FOptionsView}, value));
}

void TCustomdxDBGrid::SetGridOptionsEx(const TdxDBGridOptionsEx& value) {
  SetGroupedOptions(
      ApplyCombinedOptionsEx({FOptionsBehavior, FOptionsCustomize, FOptionsDB, FOptionsView}, value));
}

// The four grouped writers in their order, inside one update lock.
void TCustomdxDBGrid::SetGroupedOptions(const TdxDBGridGroupedOptions& grouped) {
  TdxTreeListUpdateLock lock(*this);
  SetOptionsBehavior(grouped.Behavior);
  SetOptionsCustomize(grouped.Customize);
  SetOptionsDB(grouped.DB);
  SetOptionsView(grouped.View);
  lock.Close();
}

void TCustomdxDBGrid::ClearAutoHeaderPanelHeight() {
  TCustomdxDBTreeListControl::ClearAutoHeaderPanelHeight();
  FOptionsView.Exclude(edgoAutoHeaderPanelHeight);
}

bool TCustomdxDBGrid::OptionOn(TdxTreeListOption option) const {
  // Sorting by a header click works on loaded records only.
  if (option == tloAutoSort) return FOptionsBehavior.Contains(edgoAutoSort) && IsLoadAllMode();
  return TCustomdxDBTreeListControl::OptionOn(option);
}

// --- Modes ------------------------------------------------------------------------------------

bool TCustomdxDBGrid::HasGrouping() const {
  if (!FDataLink->Active()) return false;
  for (int i = 0; i < ColumnCount(); ++i)
    if (const TdxDBTreeListColumn* column = DBColumn(i); column != nullptr && column->GroupIndex() >= 0) return true;
  return false;
}

bool TCustomdxDBGrid::IsBufferMode() const {
  return !HasGrouping() && !FOptionsDB.Contains(edgoLoadAllRecords) && !FOptionsDB.Contains(edgoPartialLoad);
}

bool TCustomdxDBGrid::IsPartialMode() const {
  return !HasGrouping() && !FOptionsDB.Contains(edgoLoadAllRecords) && FOptionsDB.Contains(edgoPartialLoad);
}

bool TCustomdxDBGrid::AllRecordsLoaded() const {
  return IsLoadAllMode() || (IsPartialMode() && FPartialBOF && FPartialEOF);
}

bool TCustomdxDBGrid::UsesBookmarks() const { return FOptionsDB.Contains(edgoUseBookmarks) || IsBufferMode(); }

bool TCustomdxDBGrid::IsKeyless() const { return KeyFieldObj() == nullptr && !IsBufferMode(); }

bool TCustomdxDBGrid::CanNavigate() const { return IsBufferMode() || FOptionsDB.Contains(edgoCanNavigation); }

// While filtering the rows' record indexes (counted over every record when
// loading) no longer count the dataset's records, which the dataset's own
// filter may thin out as well: the dataset is moved by key.
bool TCustomdxDBGrid::UsesLocate() const {
  return FOptionsDB.Contains(edgoUseLocate) || FOptionsDB.Contains(edgoSmartRefresh) || IsFiltering();
}

bool TCustomdxDBGrid::DataSetModifiable() const {
  const TDataSet* dataSet = DataSet();
  return LinkActive() && dataSet->CanModify() && !FDataLink->ReadOnly();
}

TdxDBGridNode* TCustomdxDBGrid::GridNode(TdxTreeListNode* node) const { return dynamic_cast<TdxDBGridNode*>(node); }

const TdxDBGridNode* TCustomdxDBGrid::GridNode(const TdxTreeListNode* node) const {
  return dynamic_cast<const TdxDBGridNode*>(node);
}

std::unique_ptr<TdxTreeListNode> TCustomdxDBGrid::CreateNode() { return std::make_unique<TdxDBGridNode>(this); }

// --- Notifications --------------------------------------------------------------------------------

void TCustomdxDBGrid::ActiveChanged(bool active) {
  if (!active) CloseEditor();
  Reload();
}

void TCustomdxDBGrid::Reload() {
  if (IsLoading() || IsDestroying()) return;
  // The grouping changed over records that are all loaded: with smart
  // reload they are regrouped where they are instead of read again.
  if (FOptionsDB.Contains(edgoSmartReload) && FGroupingChanged && FAllLoaded && IsLoadAllMode() &&
      FDataLink->Active()) {
    FGroupingChanged = false;
    RegroupAll();
    if (OnReloadGroupList) OnReloadGroupList(this);
    return;
  }
  FGroupingChanged = false;
  FAllLoaded = false;
  TdxTreeListUpdateLock lock(*this);
  CloseEditor();
  FInsertedNode = nullptr;
  FNewTopNode = nullptr;
  ClearNodes();
  ClearSelection();
  FAnchorBookmark.clear();
  FDataLink->ClearMapping();
  if (FDataLink->Active()) BuildFieldMap();
  for (int i = 0; i < ColumnCount(); ++i)
    if (TdxDBTreeListColumn* column = DBColumn(i)) column->SetFieldName(column->FieldName());
  if (IsBufferMode()) {
    FDataLink->SetBufferCount(1);
    SetKeyFieldObj(nullptr);
    if (FDataLink->Active()) {
      SetKeyFieldObj(FKeyField.empty() ? nullptr : DataSet()->FindField(FKeyField));
      ResolvePreviewField(FPreviewFieldName);
      LayoutRecordWindow();
    }
  } else {
    LoadAll();
  }
  if (OnReloadGroupList) OnReloadGroupList(this);
  lock.Close();
}

bool TCustomdxDBGrid::SmartRefreshApplies() const {
  const TDataSet* dataSet = DataSet();
  return FOptionsDB.Contains(edgoSmartRefresh) && !FLayoutChanging && dataSet != nullptr && !dataSet->Bof() &&
         !dataSet->Eof() && !(Count() == 1 && !HasGrouping()) && !IsPartialMode();
}

void TCustomdxDBGrid::DataSetChanged() {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  if (OnChangeNodeEx && !IsDestroying()) {
    const TdxTreeListNode* focused = FocusedNode();
    const int level = focused != nullptr ? focused->Level() : -1;
    const bool selected = focused != nullptr && IsNodeSelected(focused);
    const Variant key = KeyFieldObj() != nullptr && dataSet->Active() ? KeyFieldObj()->Value() : Variant::Null();
    if (level != FSnapshotLevel || selected != FSnapshotSelected || CompareVariants(key, FSnapshotKey) != 0) {
      FSnapshotLevel = level;
      FSnapshotSelected = selected;
      FSnapshotKey = key;
      DoChangeNodeEx();
    }
  }
  const bool smart = SmartRefreshApplies() && KeyFieldObj() != nullptr && CanNavigate() && !IsBufferMode();
  if (smart && !IsBusy() && !FLocatedJustNow) {
    TdxTreeListNode* node = FindNodeByKey(KeyFieldObj()->Value());
    if (node != nullptr) {
      RefreshNode(node);
      // The changed record may belong to another group now, and the totals
      // changed with it.
      RegroupNode(node);
    }
  }
  FLocatedJustNow = false;
  if (dataSet->State() != dsInsert) FInsertedNode = nullptr;
  if (IsBusy()) return;
  if (IsDataSetBusyInGrid(dataSet) && IsLoadAllMode()) {
    DataSetScrolled(0);
    return;
  }
  if (IsBufferMode()) {
    if (!(dataSet->IsEmpty() && dataSet->State() == dsInsert)) LayoutRecordWindow();
    if (dataSet->State() == dsInsert) {
      EndAutoSearch();
      if (FOptionsDB.Contains(edgoResetColumnFocus)) SetFocusedColumnIndex(0);
    }
    Invalidate();
    return;
  }
  if (dataSet->State() == dsEdit || dataSet->State() == dsSetKey) return;
  if (KeyFieldObj() != nullptr && dataSet->State() == dsInsert) {
    if (FInsertedNode == nullptr) CreateInsertedNode();
    if (FOptionsDB.Contains(edgoResetColumnFocus)) SetFocusedColumnIndex(0);
    return;
  }
  // A smart refresh spares the reload, not the following of the record.
  if (!smart) RefreshKeepingView();
  if (!FMoving) FocusNodeOfCurrentRecord();
}

void TCustomdxDBGrid::DataSetScrolled(int distance) {
  if (!IsBufferMode()) {
    if (IsPartialMode() && distance != 0 && !FBusy && LinkActive() && Count() > 0) {
      TDataSet* dataSet = DataSet();
      const TBookmark current = dataSet->GetBookmark();
      const TdxDBGridNode* first = GridNode(Items(0));
      const TdxDBGridNode* last = GridNode(Items(Count() - 1));
      // A record beyond either end of the window: the window moves to it.
      if ((first != nullptr && CompareBookmarks(current, first->Bookmark()) < 0) ||
          (last != nullptr && CompareBookmarks(current, last->Bookmark()) > 0))
        LoadPartial(pmAround);
    }
    FFollowing = true;
    struct TReset {
      bool& Value;
      ~TReset() { Value = false; }
    } reset{FFollowing};
    FollowCurrentRecord();
  } else if (HandleAllocated()) {
    TdxTreeListNode* oldFocused = FocusedNode();
    LayoutRecordWindow();
    if (oldFocused != nullptr && oldFocused != FocusedNode()) NodeChanged(oldFocused, false);
    if (std::abs(distance) >= RowsInView())
      Invalidate();
    else
      Invalidate();
  } else {
    LayoutRecordWindow();
  }
  if (FOptionsDB.Contains(edgoSyncSelection)) SyncSelection();
  DoChangeNodeEx();
}

void TCustomdxDBGrid::RecordChanged(TField* field) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || !LinkActive()) return;
  if (IsBufferMode()) {
    Invalidate();
    return;
  }
  if ((dataSet->State() == dsInsert && FInsertedNode == nullptr) || dataSet->State() == dsSetKey) return;
  TdxTreeListNode* node = FocusedNode();
  // The focus may stand on another record (a group row, or a record of a
  // collapsed group the focus did not follow into): the changed record's
  // own node is the one refreshed, never another record's.
  if (KeyFieldObj() != nullptr && dataSet->State() != dsInsert && CanNavigate())
    if (TdxTreeListNode* own = FindNodeByKey(KeyFieldObj()->Value())) node = own;
  if (node == nullptr) return;
  RefreshNode(node);
  if (dataSet->State() == dsInsert) {
    if (FInsertedNode == nullptr || FInsertedNode == node) {
      FInsertedNode = GridNode(node);
      if (FInsertedKey.IsEmpty() && FInsertedNode != nullptr) FInsertedKey = FInsertedNode->Key();
    }
  }
  (void)field;
}

void TCustomdxDBGrid::RefreshNode(TdxTreeListNode*& node) {
  if (node == nullptr || !LinkActive()) return;
  if (!IsBufferMode() && KeyFieldObj() != nullptr && FOptionsDB.Contains(edgoCanNavigation) && node->Count() > 0) {
    const Variant key = KeyFieldObj()->Value();
    for (TdxTreeListNode* leaf = node->GetFirstChild(); leaf != nullptr && leaf->HasAsParent(node);
         leaf = leaf->GetNext()) {
      const TdxDBGridNode* grid = GridNode(leaf);
      if (leaf->Count() == 0 && grid != nullptr && CompareVariants(grid->Key(), key) == 0) {
        node = leaf;
        break;
      }
    }
  }
  if (auto* dbNode = dynamic_cast<TdxDBTreeListControlNode*>(node)) {
    LoadNodeFromRecord(*dbNode);
    RemovePendingRefresh(node);
  }
  DoRefreshNodeData(node);
  NodeChanged(node, RowAutoHeight());
}

void TCustomdxDBGrid::LinkFocusControl(TField*& field) {
  if (field == nullptr || !FOptionsDB.Contains(edgoCanNavigation)) return;
  if (!IsBufferMode() && FocusedNode() != nullptr) {
    TdxTreeListNode* leaf = FocusedNode();
    while (leaf->Count() > 0) leaf = leaf->GetFirstChild();
    SetFocusedNodeAndColumn(leaf, FocusedColumnIndex(), true);
  }
  if (FOptionsView.Contains(edgoRowSelect)) return;
  TdxDBTreeListColumn* column = ColumnByField(field);
  if (column == nullptr || !column->Visible()) return;
  const int visible = GetVisibleColumnIndex(column->Index());
  SetFocusedColumnIndex(visible);
  if (FocusedColumnAbsoluteIndex() == column->Index() && CanFocus()) {
    SetFocus();
    field = nullptr;
  }
}

bool TCustomdxDBGrid::LinkLayoutChanged() {
  FLayoutChanging = true;
  struct TReset {
    bool& Value;
    ~TReset() { Value = false; }
  } reset{FLayoutChanging};
  LayoutChanged();
  return true;
}

void TCustomdxDBGrid::Notification(TComponent* component, TOperation operation) {
  TCustomdxDBTreeListControl::Notification(component, operation);
  if (operation != opRemove || component == nullptr) return;
  if (FDataLink && component == FDataLink->DataSource()) {
    SetDataSource(nullptr);
    return;
  }
  auto* field = dynamic_cast<TField*>(component);
  if (field == nullptr) return;
  const bool wasKey = field == KeyFieldObj();
  const bool wasPreview = field == PreviewFieldObj();
  bool lost = false;
  for (int i = 0; i < ColumnCount(); ++i) {
    TdxDBTreeListColumn* column = DBColumn(i);
    if (column == nullptr || column->Field() == nullptr) continue;
    if (column->Field() == field || wasPreview || (wasKey && !IsBufferMode() && LinkActive())) {
      column->ClearField();
      lost = true;
    }
  }
  ForgetField(field);
  if (lost && wasKey && !IsBufferMode() && LinkActive() && !DataSet()->ControlsDisabled())
    ActiveChanged(true);
}

void TCustomdxDBGrid::Loaded() {
  FLoadingLayout = true;
  struct TReset {
    bool& Value;
    ~TReset() { Value = false; }
  } reset{FLoadingLayout};
  TdxTreeListUpdateLock lock(*this);
  TCustomdxDBTreeListControl::Loaded();
  // Without multi-sort only the first sorted column keeps its sort.
  if (!OptionExOn(tloMultiSort)) {
    bool first = true;
    for (int i = 0; i < ColumnCount(); ++i) {
      TdxTreeListColumn* column = Columns(i);
      if (column->Sorted() == csNone) continue;
      if (!first) column->SetSorted(csNone);
      first = false;
    }
  }
  {
    TRestoreOnExit<bool> changing(FLayoutChanging);
    FLayoutChanging = true;
    RestoreGrouping();
  }
  lock.Close();
  if (FDataLink->Active()) ActiveChanged(true);
}

void TCustomdxDBGrid::NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next,
                                  bool wasLast, bool wasVisible) {
  if (node == FInsertedNode) FInsertedNode = nullptr;
  if (node == FNewTopNode) FNewTopNode = nullptr;
  if (IsClearing()) {
    FHiddenNodes.clear();
  } else if (!FHiddenNodes.empty() && node->Parent() == nullptr && node->IsDetached()) {
    std::erase(FHiddenNodes, node);
  }
  TCustomdxDBTreeListControl::NodeDeleted(node, before, next, wasLast, wasVisible);
}

void TCustomdxDBGrid::Resize() {
  TCustomdxDBTreeListControl::Resize();
  if (IsBufferMode() && LinkActive()) LayoutRecordWindow();
}
