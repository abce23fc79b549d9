#pragma once
// TCustomdxDBGrid: the data-aware grid. It turns the records of its
// dataset into nodes in one of three record modes, decided afresh on every
// use:
//   record window (IsBufferMode): no grouping, neither load-all nor partial
//     load: one node per row of the link's buffer; scrolling moves the
//     dataset, not the nodes;
//   partial: a window of records around the current one, extended or
//     reloaded at its edges;
//   load-all: one node per record (plus group rows).
// It follows the dataset's current record by its key field, answers every
// notification of its link, keeps its selection as bookmarks, and deletes,
// inserts and appends records from the keyboard. TdxDBGrid adds no code.
//
// Owned like any control by its owner; it owns its data link. Every grid
// is listed in one process-wide list of live grids while it exists.
//
// Files: db_grid.cpp (life cycle, properties, notifications),
// db_grid_load.cpp (load-all and refresh), db_grid_window.cpp (partial
// window and record window), db_grid_focus.cpp (focus and the dataset's
// position), db_grid_edit.cpp (selection, deleting, inserting, keys, mouse).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datagrid/control/db_tree_list_control.h"
#include "datagrid/grid/db_grid_options.h"
#include "datagrid/summary/summary.h"

using TdxDBGridCanNodeSelected = TEvent<void(TObject* Sender, TdxTreeListNode* Node, bool& Allow)>;
using TdxDBGridGetTextEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, std::string& Text)>;
using TdxDBGridEditingEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, bool& Allow)>;
using TdxDBGridAddGroupColumnEvent = TEvent<void(TObject* Sender, TdxDBTreeListColumn* Column, bool& Allow)>;
using TdxDBGridEndDragGroupColumnEvent =
    TEvent<void(TObject* Sender, TdxDBTreeListColumn* Column, int Index, bool& Allow)>;
using TdxDBGridBackgroundDrawEvent = TEvent<void(TObject* Sender, TCanvas& Canvas, const TRect& Rect)>;
using TdxDBGridColumnSortingEvent = TEvent<void(TObject* Sender, TdxDBTreeListColumn* Column, bool& Allow)>;
using TdxDBGridGroupSummaryEvent =
    TEvent<void(TObject* Sender, TdxTreeListNode* Node, long double& Value, TDataSet* DataSet)>;
// The filter's expression on its way to the dataset (Text may be changed).
using TdxDBGridFilterChangedEvent = TEvent<void(TObject* Sender, TDataSet* DataSet, std::string& Text)>;
// Values for a column's filter drop-down outside load-all mode: called until
// Continue is left False; Text empty and Value Null before each call.
using TdxDBGridEnumFilterValuesEvent = TEvent<void(TObject* Sender, TdxDBTreeListColumn* Column, bool& Continue,
                                                   std::string& Text, Variant& Value)>;

class TdxDBGridFilter;
class TdxDBGridFilterPopupListBox;
class TdxDBGridFilterProgram;

class TCustomdxDBGrid : public TCustomdxDBTreeListControl, public TdxSummaryGroupsHost {
 public:
  explicit TCustomdxDBGrid(TComponent* owner);
  ~TCustomdxDBGrid() override;

  // --- Properties ------------------------------------------------------------------
  TDataSource* GetDataSource() const override;
  void SetDataSource(TDataSource* source);
  TdxDBTreeListControlDataLink* GetDataLink() const override { return FDataLink.get(); }
  bool GetDefaultFields() const override { return FDefaultFields; }
  void SetDefaultFields(bool value);
  const std::string& KeyField() const { return FKeyField; }
  void SetKeyField(const std::string& value);
  const std::string& PreviewFieldName() const { return FPreviewFieldName; }
  void SetPreviewFieldName(const std::string& value);
  int PartialLoadBufferCount() const { return FPartialLoadBufferCount; }
  void SetPartialLoadBufferCount(int value) { FPartialLoadBufferCount = value; }
  bool PartialLoad() const { return FOptionsDB.Contains(edgoPartialLoad); }
  void SetPartialLoad(bool value);
  bool UseBookmarks() const { return FOptionsDB.Contains(edgoUseBookmarks); }
  void SetUseBookmarks(bool value);

  // The grouped option sets; each writer sets the tree list's words.
  const TdxDBGridOptionsBehavior& OptionsBehavior() const { return FOptionsBehavior; }
  void SetOptionsBehavior(const TdxDBGridOptionsBehavior& value);
  const TdxDBGridOptionsCustomize& OptionsCustomize() const { return FOptionsCustomize; }
  void SetOptionsCustomize(const TdxDBGridOptionsCustomize& value);
  const TdxDBGridOptionsDB& OptionsDB() const { return FOptionsDB; }
  void SetOptionsDB(const TdxDBGridOptionsDB& value);
  const TdxDBGridOptionsView& OptionsView() const { return FOptionsView; }
  void SetOptionsView(const TdxDBGridOptionsView& value);
  bool OptionOn(TdxTreeListOption option) const override;

  // --- Modes ---------------------------------------------------------------------------
  bool HasGrouping() const;
  bool IsBufferMode() const override;
  bool IsPartialMode() const;
  bool IsLoadAllMode() const { return !IsBufferMode() && !IsPartialMode(); }
  bool AllRecordsLoaded() const override;
  bool UsesBookmarks() const override;
  bool IsKeyless() const override;
  bool CanNavigate() const override;
  bool IsCancelOnExit() const override { return FOptionsDB.Contains(edgoCancelOnExit); }
  bool CanInsert() const override { return FOptionsDB.Contains(edgoCanInsert); }
  void SetBusy(bool value) override { FBusy = value; }
  bool IsBusy() const override { return FBusy || FLocatePending; }
  // Records loaded (passing the filter when filtering).
  int RecordCount() const { return FRecordCount; }
  // The partial window reaches the first / last record.
  bool PartialBOF() const { return FPartialBOF; }
  bool PartialEOF() const { return FPartialEOF; }

  // --- The link's notifications ---------------------------------------------------------
  void ActiveChanged(bool active) override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void RecordChanged(TField* field) override;
  void RefreshNode(TdxTreeListNode*& node) override;
  void LinkFocusControl(TField*& field) override;
  bool LinkLayoutChanged() override;

  // --- Loading (db_grid_load.cpp, db_grid_window.cpp) ------------------------------------
  // Everything again from the dataset.
  void Reload();
  // One node per record (load-all); in partial mode the window around the
  // current record.
  void LoadAll();
  // After a dataset change: reload keeping the top row, the focus and the
  // selection.
  void RefreshKeepingView();
  enum TPartialMode { pmAround, pmAfter, pmBefore, pmAll };
  void LoadPartial(TPartialMode mode);
  // Rows the rows area shows (the partially visible one counts).
  int RowsInView() const;
  // The record window's nodes again, one per row of the link's buffer.
  void LayoutRecordWindow();

  // --- Focus and the dataset's position (db_grid_focus.cpp) -------------------------------
  void SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible) override;
  TdxTreeListNode* GetRelativeNode(TdxTreeListNode* node, TdxRelativeNodeKind kind, bool flag) const override;
  // The node of the current record found by its key and focused.
  void FocusNodeOfCurrentRecord();
  // Moves the dataset onto the node's record; false when it did not move.
  bool MoveDataSetToNode(TdxTreeListNode* node);
  // The first node whose key equals key (a leaf below group rows).
  TdxDBGridNode* FindNodeByKey(const Variant& key) const;
  bool IsAtFirstNode() const;
  bool IsAtLastNode() const;
  void WMVScroll(int code, int pos) override;
  // Record window: the vertical bar follows the dataset's record number.
  void UpdateScrollBars() override;
  // Moves the focus to a row (record window: the dataset moves).
  void FocusRowIndex(int index);

  // --- Cells ------------------------------------------------------------------------------
  std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const override;
  Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const override;
  Variant GetSortValue(const TdxTreeListNode* node, int columnIndex) const override;
  std::string GetPreviewText(const TdxTreeListNode* node) const override;
  std::unique_ptr<TdxTreeListNode> CreateNode() override;
  void ColumnSorted(TdxTreeListColumn* column) override;
  void BeforeColumnSort(TdxTreeListColumn* column) override;
  void EndUpdate() override;
  // Sorts the leaves by the sorted columns.
  void SortNodes();
  // The tree list's sort of one column: loaded records wait for SortNodes
  // at the end of the change, which sorts once by every sorted column and
  // never moves group rows out of their groups.
  void SortNodes(int level, int columnIndex, bool descending) override;
  // A header click's sort, once OnColumnSorting allowed it.
  void ColumnSortClick(TdxTreeListColumn* column, bool clearSorting) override;

  // --- Selection, deleting, inserting, keys (db_grid_edit.cpp) ------------------------------
  void SetNodeSelected(TdxTreeListNode* node, bool selected) override;
  bool CanSelectNode(TdxTreeListNode* node) override;
  void SelectRange(TdxTreeListNode* fromNode, TdxTreeListNode* toNode) override;
  // Shift+PgUp/PgDn/Home/End in the record window: from the anchor bookmark
  // over a page or to an end.
  void SelectRecordRange(TKey key);
  const TBookmark& AnchorBookmark() const { return FAnchorBookmark; }
  // Deletes the selected records (or, without a selection, nothing); see the
  // source for errors.
  void DeleteSelection() override;
  // Deletes the record of the node (the node's delete operation).
  void DeleteNodeRecord(TdxDBGridNode* node) override;
  // Ctrl+Delete: asks with confirmation, then deletes.
  void DeleteWithConfirmation();
  // The editor edits the focused row's record: the dataset goes there
  // first when it stands on a record the filter hides.
  bool CanEditorModify() override;
  void KeyDown(TKey& key, TShiftState shift) override;
  void DblClick() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // The node made for the record being inserted (nil when none).
  TdxDBGridNode* InsertedNode() const { return FInsertedNode; }

  void Notification(TComponent* component, TOperation operation) override;

  // --- Combined option words (not stored) -------------------------------------------------
  // The grid's Options and OptionsEx words; named apart from the tree
  // list's own two words, which they drive through the grouped sets.
  TdxDBGridOptions GridOptions() const;
  void SetGridOptions(const TdxDBGridOptions& value);
  TdxDBGridOptionsEx GridOptionsEx() const;
  void SetGridOptionsEx(const TdxDBGridOptionsEx& value);

  // --- Grouping and the group panel (db_grid_group.cpp) ------------------------------------
  int GroupColumnCount() const { return static_cast<int>(FGroupColumns.size()); }
  TdxDBTreeListColumn* GroupColumns(int index) const { return FGroupColumns.at(static_cast<std::size_t>(index)); }
  void ChangeGroupIndex(TdxDBTreeListColumn* column, int index) override;
  void ClearGrouping() override;
  // Copies another grid's columns; a data-aware grid's grouping comes
  // along, level by level, on the copies of its grouping columns.
  void AssignColumns(const TCustomdxTreeListControl& source) override;
  // Outside the record window the grouping is rebuilt from the columns'
  // GroupIndex before the grid reloads.
  void CanNavigationChanged() override;
  void ColumnFieldChanged(TdxDBTreeListColumn* column) override;
  // Whether the column may join the grouping (OnAddGroupColumn decides last).
  bool CanGroupColumn(TdxDBTreeListColumn* column);
  // The grouping bracket: the grid reloads at the outermost end when the
  // grouping columns differ from those at the start, else refreshes.
  void BeginGrouping();
  void EndGrouping();
  // Places every loaded record again under its group rows (smart reload).
  void RegroupAll();
  // Moves one record node under the group path of its cells and totals
  // the summaries again.
  void RegroupNode(TdxTreeListNode* node);
  // Group values compared: Null first, texts by the locale (case folded
  // with the case-insensitive option), other values by the variant's order.
  // It is the order the group rows of a level stand in (their sort values
  // compare the same way), so a search for a group row by value finds it.
  int CompareGroupValues(const Variant& a, const Variant& b) const;
  // A group row's text: caption, " : ", value, summaries, the event's text.
  std::string GetGroupRowText(const TdxTreeListNode* node) const;
  bool IsGroupNode(const TdxTreeListNode* node) const override;
  int GetGroupIndent() const override;

  bool ShowGroupPanel() const { return FShowGroupPanel; }
  void SetShowGroupPanel(bool value);
  TColor GroupPanelColor() const { return FGroupPanelColor; }
  void SetGroupPanelColor(TColor value);
  TColor GroupPanelFontColor() const { return FGroupPanelFontColor; }
  void SetGroupPanelFontColor(TColor value);
  int GroupPanelHeight() const;
  // The panel's height when shown.
  int ShownGroupPanelHeight() const;
  // Box k of the panel, in client coordinates.
  TRect GroupBoxRect(int index) const;
  TRect GroupPanelRect() const;
  // Where a header dropped at p would join the grouping.
  int GroupPanelDropIndex(TPoint p) const;
  // The grouping column whose box lies under p; nil when none.
  TdxDBTreeListColumn* GroupBoxAt(TPoint p) const;
  void HitTestPoint(TPoint point, TdxTreeListHitInfo& hitInfo) const override;

  // --- Summaries (db_grid_summary.cpp) ------------------------------------------------------
  TdxDBGridSummaryGroups& SummaryGroups() { return *FSummaryGroups; }
  // What the summary groups ask: the grid's name, and a new layout after a
  // change (not while loading).
  std::string SummaryGroupsHostName() const override { return Name(); }
  void SummaryGroupsChanged() override;
  const TdxDBGridSummaryGroups& SummaryGroups() const { return *FSummaryGroups; }
  void SetSummaryGroups(const TdxDBGridSummaryGroups& value) { FSummaryGroups->Assign(&value); }
  const std::string& SummarySeparator() const { return FSummarySeparator; }
  void SetSummarySeparator(const std::string& value);
  bool ShowSummaryFooter() const { return ShowFooter(); }
  void SetShowSummaryFooter(bool value) { SetShowFooter(value); }
  void BindGroupSummaries() override;
  void BindFooterSummaries() override;
  void RenameSummaryColumn(const std::string& oldName, const std::string& newName) override;
  // Every total again from the nodes (the footers' only when asked).
  void RecalcSummaries(bool footers = true);
  // The finished footer total of a column and its text.
  long double FooterSummaryValue(int columnIndex) const;
  std::string FooterSummaryText(int columnIndex) const;
  // The summary part of a group row's text.
  std::string GroupSummaryText(const TdxTreeListNode* node) const;
  // A row footer's cell under the group of that level.
  std::string RowFooterText(const TdxTreeListNode* node, int columnIndex, int footerIndex) const;
  // --- Filtering (datagrid/filter/grid_filtering.cpp) ---------------------------------------
  // Made on first use, freed with the grid.
  TdxDBGridFilter& Filter();
  const TdxDBGridFilter& Filter() const { return const_cast<TCustomdxDBGrid*>(this)->Filter(); }
  void SetFilter(const TdxDBGridFilter& value);
  // Set while the filter has criteria; filtering is this in load-all mode.
  bool FilterActive() const { return FFilterActive; }
  bool IsFiltering() const { return FFilterActive && IsLoadAllMode(); }
  bool NodePassesFilter(const TdxTreeListNode* node) const;
  // The criteria changed: hide and show nodes again, tell the dataset.
  void FilterChanged();
  // Forget the active flag, then FilterChanged.
  void ResetFilter();
  void Refilter();
  // With a node: hides it when it does not pass. Without: every record node
  // again, hidden ones shown when they pass now. True when none was hidden.
  bool FilterNodes(TdxTreeListNode* node, bool regroup);
  // The records the filter hides (detached from the tree, data kept).
  int HiddenNodeCount() const { return static_cast<int>(FHiddenNodes.size()); }
  TdxTreeListNode* HiddenNodes(int index) const { return FHiddenNodes.at(static_cast<std::size_t>(index)); }
  // The header drop-down of a column's values (a header button click).
  void DropDownFilter(TdxDBTreeListColumn* column);
  // An open filter drop-down closes with the mouse state.
  void CancelMouseState() override;
  TdxDBGridFilterPopupListBox* FilterDropDown() const { return FFilterDropDown; }
  bool FilterDropDownOpen() const { return FFilterDropDownOpen; }
  void SetFilterDropDownOpen(bool value) { FFilterDropDownOpen = value; }
  // The drop-down box's rectangle in a column's header (client
  // coordinates); empty when the header shows none.
  TRect FilterButtonRect(const TdxTreeListColumn* column);
  // The filter's header buttons and status panel.
  int GetColumnHeaderButtonState(int absoluteIndex) const override;
  bool IsBottomPanelShown() const override;
  bool IsBottomPanelButtonShown() const override;
  std::string GetBottomPanelText() const override;
  std::string GetBottomPanelButtonHint() const override;
  void BottomPanelButtonClick() override;
  // The "Filter" value of the stored layout at base: written only in
  // load-all mode (removed otherwise, so a cleared filter stays cleared),
  // always read; a value that does not read is ignored.
  void SaveFilterLayout(TdxRegIniWrapper& store, const std::string& base);
  void LoadFilterLayout(TdxRegIniWrapper& store, const std::string& base);
  TdxDBGridFilterChangedEvent OnFilterChanged;
  TdxDBGridEnumFilterValuesEvent OnEnumFilterValues;

  TdxDBGridGetTextEvent OnGetPreviewText;
  TNotifyEvent OnClearNodeData;
  TNotifyEvent OnReloadGroupList;
  // The grid's published names of the column-owning control's events: the
  // cell drawing before OnCustomDrawCell, and a column shown or hidden by
  // the user (dragged from or out of the header, grouping).
  TdxTLCustomDrawCell& OnCustomDraw = OnBeforeCustomDrawCell;
  TdxTLShowHeaderEvent& OnShowColumn = OnShowHeader;
  TdxTLColumnEvent& OnHideColumn = OnHideHeader;
  TdxDBGridEditingEvent OnEditingNode;
  TdxDBGridAddGroupColumnEvent OnAddGroupColumn;
  TdxDBGridEndDragGroupColumnEvent OnEndDragGroupColumn;
  TdxDBGridBackgroundDrawEvent OnBackgroundDrawEvent;
  TdxDBGridColumnSortingEvent OnColumnSorting;
  TdxDBGridGetTextEvent OnGetGroupRowText;
  TNotifyEvent OnCalcSummary;
  // The grid-level group summary (not stored in forms).
  TdxDBGridGroupSummaryEvent OnGroupSummary;

 protected:
  void Loaded() override;
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override;
  bool CanCacheRowHeights() const override { return !IsBufferMode(); }
  TBookmark NodeBookmark(const TdxTreeListNode* node) const override;
  void Resize() override;
  void DoChangeTopVisibleNode() override;
  // The tree list turned the automatic header height off (the user sized
  // the panel): the grouped option follows.
  void ClearAutoHeaderPanelHeight() override;
  // Grouping and the panel (db_grid_group.cpp).
  int GetTopPanelHeight() const override;
  void DrawTopPanel(TCanvas& canvas, const TRect& rect) override;
  TColor GetGridLineColor() const override;
  void DoDragOverHeader(TdxTreeListColumn* column, TPoint p, bool& accept) override;
  // Over the shown panel the drop arrows stand before the box the dragged
  // header would become, and a column that may join the grouping shows
  // the grid's drop cursor there.
  bool GetOwnHeaderDropItem(TPoint p, TRect& item) const override;
  void GetDragCursor(TPoint p, TCursor& cursor) const override;
  void DoDragEndHeader(TdxTreeListColumn* column, TPoint p, TdxHeaderPosInfo& posInfo, bool& accept) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Summaries (db_grid_summary.cpp).
  std::string GetFooterText(const TdxTreeListNode* node, int absoluteIndex, int footerIndex) const override;
  bool IsLevelFooter(int level) const override;
  // Stored layout (db_grid_layout.cpp).
  void SaveControlLayout(TdxRegIniWrapper& store, const std::string& base) override;
  void LoadControlLayout(TdxRegIniWrapper& store, const std::string& base) override;
  void SaveColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column, const std::string& section) override;
  void LoadColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column, const std::string& section) override;
  // A column that goes leaves the filter and the drop-down; hidden records
  // lose its cells as shown ones do.
  void ColumnRemoving(TdxTreeListColumn* column) override;
  void DeleteColumnNodeData(int absoluteIndex) override;
  void ColumnsChanged(TdxTreeListColumn* column) override;
  // Filtering many nodes: NodePassesFilter runs the criteria compiled once
  // while the returned scope lives.
  class TFilterPassScope;
  // Focus loss, cancel mode and deactivation close an open filter
  // drop-down (unless the drop-down itself sent them).
  void WndProc(TMessage& message) override;
  // Routes input to the open filter drop-down; true when it took it.
  bool FilterDropDownKey(TKey& key);
  bool FilterDropDownPress(int x, int y);
  void PassFilterToDataSet();

 private:
  // Grouping and option changes that owe the filter a new pass call this
  // (grid_filtering.cpp).
  void ReapplyFilter();
  void SetGroupedOptions(const TdxDBGridGroupedOptions& grouped);
  // Grouping (db_grid_group.cpp).
  void AddGroupColumn(TdxDBTreeListColumn* column, int index);
  void RemoveGroupColumn(int position);
  void RenumberGroupColumns();
  // Closes a grouping bracket on an error path, without its reload.
  void LeaveGrouping() noexcept;
  void RestoreGrouping();
  // Puts the top-level leaves (all of them, in order) under new group rows.
  void GroupLeaves(std::vector<TdxTreeListNode*>& leaves);
  // Every leaf out of its group rows, which are freed; the leaves in tree
  // order.
  std::vector<TdxTreeListNode*> FlattenGroups();
  void PropagateGroupKeys();
  void SortGroupsBySummary();
  bool PanelPressStart(TShiftState shift, int x, int y);
  // Slides the client area down (showing) or up (hiding) by the panel's
  // height, for at most 400 ms.
  void ScrollForGroupPanel(int distance, bool showing);
  // The header being dragged over the shown panel at p and whether it may
  // be dropped there (a box moved, or a column that may group); nil when
  // no header drag is over the panel.
  TdxDBTreeListColumn* PanelDragColumn(TPoint p, bool& droppable) const;
  // edgoCollapsedReload after a load.
  void MoveIntoCollapsedGroup();
  // Summaries (db_grid_summary.cpp).
  // Which values a record gives to the group totals of each level.
  struct TSummaryLevel {
    bool Own = false;
    TdxDBGridSummaryGroup* Group = nullptr;
    int Offset = 0;  // of the level's first value in a record's values
  };
  std::vector<TSummaryLevel> SummaryLevels(int& valueCount) const;
  // The totals of one record: loading reads the current record's fields,
  // otherwise the leaf's cells (the column with the field's name).
  void AddFooterSummaries(TdxTreeListNode* leaf, bool loading);
  // The columns with a footer total, worked out once per pass.
  void PrepareFooterPlan();
  // The footer totals of the leaves from their kept values, column by
  // column (no column has a footer handler), into totals bound empty just
  // before. The records are leaves, or the top-level nodes when leaves is
  // nil.
  void FoldFooterTotals(const std::vector<TdxTreeListNode*>* leaves);
  std::vector<std::optional<long double>> GroupSummaryValues(TdxTreeListNode* leaf, bool loading,
                                                             const std::vector<TSummaryLevel>& levels,
                                                             int valueCount);
  // Group totals over the grouped records (from the values read while
  // loading when given), then finished with the footers.
  void AddGroupSummaries(const std::vector<std::vector<std::optional<long double>>>* loaded);
  void FinishSummaries(bool footers);
  int ColumnIndexOfField(const std::string& fieldName) const;

  friend class TdxGridBusyScope;
  void ApplyTreeListOptions();
  void EndUpdateSort();
  bool SmartRefreshApplies() const;
  void CreateInsertedNode();
  void FollowCurrentRecord();
  void ExtendPartialWindow();
  void ReadPartialRecord(TdxDBGridNode* node, int recordIndex);
  void SaveSelection();
  bool InSavedSelection(const TBookmark& bookmark) const;
  bool InSavedKeys(const Variant& key) const;
  void RestoreTopRow();
  void RemoveAdjacentDuplicateBookmarks();
  TdxDBGridNode* GridNode(TdxTreeListNode* node) const;
  const TdxDBGridNode* GridNode(const TdxTreeListNode* node) const;
  bool UsesLocate() const;
  bool DataSetModifiable() const;
  void AppendRecord();
  void InsertRecord();
  bool KeyDownRecordWindow(TKey& key, TShiftState shift);
  bool KeyDownLoaded(TKey& key, TShiftState shift);
  // Reads a field's value or text through a record-window row.
  template <class F>
  auto WithRow(const TdxTreeListNode* node, F&& read) const -> decltype(read());
  int RowOfNode(const TdxTreeListNode* node) const;

  std::unique_ptr<TdxGridDataLink> FDataLink;
  // Filtering.
  std::unique_ptr<TdxDBGridFilter> FFilter;
  TdxDBGridFilterPopupListBox* FFilterDropDown = nullptr;  // owned as a component
  std::vector<TdxTreeListNode*> FHiddenNodes;
  bool FFilterActive = false;
  bool FFilterDropDownOpen = false;
  // A removed column took conditions with it: refilter once it is gone.
  bool FFilterColumnGone = false;
  // The criteria compiled for the filtering pass under way; nil outside one.
  const TdxDBGridFilterProgram* FFilterProgram = nullptr;
  TPoint FLastPress{0, 0};
  // Grouping and the group panel.
  std::vector<TdxDBTreeListColumn*> FGroupColumns;
  int FGroupingCount = 0;
  std::vector<std::string> FSavedGroupNames;
  bool FGroupingBufferMode = false;
  bool FGroupingChanged = false;
  bool FRestoringGrouping = false;
  bool FAllLoaded = false;
  bool FShowGroupPanel = false;
  TColor FGroupPanelColor = clBtnShadow;
  TColor FGroupPanelFontColor = clBtnFace;
  TdxDBTreeListColumn* FPanelPressed = nullptr;
  // Summaries.
  std::unique_ptr<TdxDBGridSummaryGroups> FSummaryGroups;
  std::string FSummarySeparator = ", ";
  std::vector<TField*> FFooterFields;
  std::vector<TdxSummaryAccumulator> FFooterTotals;
  std::vector<long double> FFooterValues;
  mutable std::vector<std::pair<std::string, int>> FFieldColumns;
  // A footer total: its column, the column's index, and the index of the
  // column whose cells it reads (-1: none).
  struct TFooterPlan {
    TdxDBTreeListColumn* Column;
    int Index;
    int Source;
    // An earlier plan reading the same field (while loading) or the same
    // cell (from the nodes), whose number this one takes; -1 for none.
    int FieldTwin = -1;
    int SourceTwin = -1;
  };
  // The numbers of one record, per footer plan.
  std::vector<std::optional<long double>> FFooterNumbers;
  std::vector<TFooterPlan> FFooterPlan;
  bool FFooterPlanReady = false;
  std::vector<TField*> FGroupSummaryFields;
  std::vector<TdxDBGridSummaryGroup*> FGroupSummaryGroups;

  bool FDefaultFields = false;
  std::string FKeyField;
  std::string FPreviewFieldName;
  int FPartialLoadBufferCount = 100;
  TdxDBGridOptionsBehavior FOptionsBehavior;
  TdxDBGridOptionsCustomize FOptionsCustomize;
  TdxDBGridOptionsDB FOptionsDB;
  TdxDBGridOptionsView FOptionsView;

  bool FBusy = false;
  bool FLocatePending = false;
  bool FLocatedJustNow = false;
  bool FFollowing = false;
  bool FRefreshing = false;
  bool FLayoutChanging = false;
  bool FMoving = false;
  bool FLoadingLayout = false;
  bool FSortPending = false;
  int FRecordCount = 0;
  bool FPartialBOF = false;
  bool FPartialEOF = false;
  int FPartialCounterLow = 0;
  int FPartialCounterHigh = 0;

  // The top row kept across a reload: its key and level (level -1: none).
  Variant FTopKey = Variant();
  int FTopLevel = -1;
  TdxTreeListNode* FNewTopNode = nullptr;
  TdxDBGridNode* FInsertedNode = nullptr;
  Variant FInsertedKey;
  TBookmark FAnchorBookmark;
  // Kept across a reload: bookmarks (sorted by the dataset) or keys.
  std::vector<TBookmark> FSavedSelection;
  std::vector<Variant> FSavedKeys;
  // The focus snapshot of OnChangeNodeEx.
  int FSnapshotLevel = -1;
  bool FSnapshotSelected = false;
  Variant FSnapshotKey = Variant::Null();
};

class TdxDBGrid : public TCustomdxDBGrid {
 public:
  using TCustomdxDBGrid::TCustomdxDBGrid;
};

// The steps by which showing or hiding the group panel scrolls a client
// area clientHeight high over distance pixels: from max(1, clientHeight /
// 256), one pixel more each once 20 are scrolled, the step that would pass
// half of what remains taking all of it.
std::vector<int> GroupPanelScrollSteps(int clientHeight, int distance);

// The live grids, for the test whether a dataset is busy in some grid.
bool IsDataSetBusyInGrid(const TDataSet* dataSet);
int LiveGridCount();

// Marks the grid busy for a scope; the mark goes on every path.
class TdxGridBusyScope {
 public:
  explicit TdxGridBusyScope(TCustomdxDBGrid& grid) : FGrid(grid), FSaved(grid.FBusy) { grid.FBusy = true; }
  ~TdxGridBusyScope() { FGrid.FBusy = FSaved; }
  TdxGridBusyScope(const TdxGridBusyScope&) = delete;
  TdxGridBusyScope& operator=(const TdxGridBusyScope&) = delete;

 private:
  TCustomdxDBGrid& FGrid;
  bool FSaved;
};
