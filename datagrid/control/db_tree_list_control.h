#pragma once
// TCustomdxDBTreeListControl: the tree list bound to a dataset. It adds to
// the column-owning control a data link (made by the concrete grid), the
// field map from columns to fields, nodes that keep a typed value beside
// each text, a selection kept as dataset bookmarks, searching by text
// through the dataset, in-place editing that writes into the fields, and
// the virtual operations through which the link's notifications reach the
// concrete grid (TCustomdxDBGrid, datagrid/grid/db_grid.h), which gives
// most of them their behaviour.
//
// Owned like any control by its owner component. Its columns are data-aware
// columns (db_column.h) owned by the form or the control; the key and
// preview fields are referred to, not owned, and forgotten when they go.
//
// Files: db_tree_list_control.cpp (life cycle, nodes, fields, editing),
// db_tree_list_selection.cpp (bookmarks, selection), db_tree_list_search.cpp
// (searching by text, horizontal scrolling by columns).

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "datagrid/control/data_link.h"
#include "datagrid/control/db_column.h"
#include "datagrid/control/db_node.h"
#include "framework/core/data/dataset.h"
#include "grid/tree_list/tree_list_control.h"

using TdxDBTreeListNodeEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node)>;
using TdxDBTreeListEditColorEvent =
    TEvent<void(TObject* Sender, TdxTreeListNode* Node, TColor& Color, TdxTreeListColumn* Column)>;

// One entry of the selection: a dataset bookmark and the node that shows
// the record (nil where no node is kept, as in the record window).
struct TdxSelectedBookmark {
  TBookmark Bookmark;
  TdxTreeListNode* Node = nullptr;
};

class TCustomdxDBTreeListControl : public TCustomdxTreeListControl {
 public:
  explicit TCustomdxDBTreeListControl(TComponent* owner);
  ~TCustomdxDBTreeListControl() override;

  // --- The link and the dataset --------------------------------------------------
  virtual TdxDBTreeListControlDataLink* GetDataLink() const = 0;
  virtual TDataSource* GetDataSource() const = 0;
  virtual bool GetDefaultFields() const = 0;
  TDataSource* DataSource() const { return GetDataSource(); }
  bool DefaultFields() const { return GetDefaultFields(); }
  // The link's dataset; nil without a link or source.
  TDataSet* DataSet() const;
  bool LinkActive() const;
  // The dataset is in edit, insert or set-key state.
  bool DataSetEditing() const;
  // An action (the framework's action objects) is offered to the control
  // and then to its data link's own handling; true when one took it.
  virtual bool ExecuteAction(TObject* action);
  virtual bool UpdateAction(TObject* action);

  // --- Queries the grid answers ----------------------------------------------------
  virtual bool IsCancelOnExit() const { return true; }
  virtual bool CanInsert() const = 0;
  virtual bool CanNavigate() const = 0;
  virtual bool IsBufferMode() const { return false; }
  virtual bool IsKeyless() const = 0;
  virtual bool AllRecordsLoaded() const = 0;
  virtual bool UsesBookmarks() const = 0;
  virtual void SetBusy(bool value) {}
  virtual bool IsBusy() const { return false; }
  // True while the link is active, the dataset open, inserting not allowed,
  // the dataset at both ends and browsing.
  virtual bool IsDataEmpty() const;

  // --- The link's notifications (the grid answers them) ----------------------------
  virtual void ActiveChanged(bool active) {}
  virtual void DataSetChanged() {}
  virtual void DataSetScrolled(int distance) {}
  virtual void RecordChanged(TField* field) {}
  // Closes the editor, posting its value.
  virtual void UpdateData();
  // The grid's link (TdxGridDataLink) passes on focus-control and
  // layout-changed; LinkLayoutChanged tells whether the framework's own
  // handling should follow. Neutral here.
  virtual void LinkFocusControl(TField*& field) {}
  virtual bool LinkLayoutChanged() { return true; }
  // A node's delete operation: deletes its record from the dataset.
  // Nothing here.
  virtual void DeleteNodeRecord(TdxDBGridNode* node) {}
  virtual void RefreshNode(TdxTreeListNode*& node) {}
  virtual void RecheckEditValue();

  // --- Grouping and summary hooks (neutral here) ------------------------------------
  virtual void ColumnFieldChanged(TdxDBTreeListColumn* column) {}
  virtual void ChangeGroupIndex(TdxDBTreeListColumn* column, int index) {}
  virtual void BindGroupSummaries() {}
  virtual void BindFooterSummaries() {}
  virtual void RenameSummaryColumn(const std::string& oldName, const std::string& newName) {}
  virtual void ClearGrouping() {}
  virtual void CanNavigationChanged() { LayoutChanged(); }
  void DoBeforeCalcSummary();
  void DoRefreshNodeData(TdxTreeListNode* node);
  virtual void DoChangeNodeEx();

  // --- Records into nodes -----------------------------------------------------------
  // Key, the bound columns' cells and the preview text from the current record.
  virtual void LoadNodeFromRecord(TdxDBTreeListControlNode& node);
  // The same with the bound columns worked out once (BoundColumns) for a
  // whole load.
  void LoadNodeFromRecord(TdxDBTreeListControlNode& node, const std::vector<TdxDBTreeListColumn*>& columns);
  virtual void LoadColumnValue(TdxDBTreeListControlNode& node, TdxDBTreeListColumn& column, int columnIndex);
  // Per column index: the data-aware column when it has a field, else nil.
  std::vector<TdxDBTreeListColumn*> BoundColumns() const;
  // The node's own texts (the nodes are not text nodes).
  std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const override;
  Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const override;
  void SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) override;
  // A cell's value for summaries and grouping: the held value, else the
  // cell text (an empty one is Null).
  Variant GetNodeValue(const TdxTreeListNode* node, int columnIndex) const;
  // The resolved key and preview fields (nil when none).
  TField* KeyFieldObj() const { return FKeyFieldObj; }
  TField* PreviewFieldObj() const { return FPreviewFieldObj; }
  int PreviewMaxLength() const { return FPreviewMaxLength; }
  // Below 0 reads as 0; a change re-lays out.
  void SetPreviewMaxLength(int value) {
    value = std::max(value, 0);
    if (value == FPreviewMaxLength) return;
    FPreviewMaxLength = value;
    LayoutChanged();
  }

  // --- Columns ---------------------------------------------------------------------
  virtual TdxTreeListColumnClass GetDefaultColumnClass() const;
  virtual TdxTreeListColumnClass GetColumnClassForField(TField* field) const;
  // With DefaultFields the columns follow the fields: refused with
  // "DefaultFields property should be set to False".
  TdxTreeListColumn* CreateColumnForClass(const TdxTreeListColumnClass& columnClass, TComponent* owner = nullptr);
  TdxDBTreeListColumn* CreateColumnOfClass(const TdxTreeListColumnClass& columnClass);
  // One column per field, in field order.
  void CreateFieldColumns(TDataSet& dataSet, TComponent* owner = nullptr);
  void DestroyColumns() override;
  virtual void BuildFieldMap();
  // The grid's data-aware column at an absolute index; nil for another kind.
  TdxDBTreeListColumn* DBColumn(int index) const;
  // The first column bound to field.
  TdxDBTreeListColumn* ColumnByField(const TField* field) const;
  // Runs while the grid is rebuilding its columns.
  bool IsRebuildingColumns() const { return FRebuildingColumns; }

  // --- Selection kept as bookmarks (db_tree_list_selection.cpp) -------------------------
  // The dataset's order of two bookmarks; -1 while the link is inactive.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
  // Binary search in bookmark order; index is the insert position when not
  // found. Asking for the same bookmark again answers from a one-entry cache
  // that every change of the list empties.
  bool FindBookmark(const TBookmark& bookmark, int& index) const;
  int SelectedBookmarkCount() const { return static_cast<int>(FSelected.size()); }
  const TdxSelectedBookmark& SelectedBookmarks(int index) const { return FSelected.at(static_cast<std::size_t>(index)); }
  // Whether the last FindBookmark was answered from the cache (tests).
  bool LastSearchCached() const { return FLastSearchCached; }
  int SelectedCount() const override { return SelectedBookmarkCount(); }
  TdxTreeListNode* SelectedNodes(int index) const override;
  // Ends the range selection: the list empties (one selection change).
  void ClearSelection() override;
  bool IsNodeSelected(const TdxTreeListNode* node) const override;
  void SetNodeSelected(TdxTreeListNode* node, bool selected) override;
  // With multi-select, unfocused and no editor: the focused node becomes
  // the only selected one.
  void SyncSelection();

  // --- Searching by text and scrolling by columns (db_tree_list_search.cpp) -------------
  // Finds the next record whose column text starts with text (ignoring
  // case): over the nodes when every record is loaded, else through the
  // dataset, going round once at most.
  virtual bool LocateByText(int absoluteColumn, const std::string& text, bool forward, bool next);
  void WMHScroll(int code, int pos) override;

  // --- Editing and the tree list's questions -------------------------------------------
  bool CanEditorModify() override;
  bool IsEditorCharAllowed(char ch) override;
  const Variant& LastEditValue() const { return FLastEditValue; }
  // Writes the editor's value into the node's field (the store of an edited
  // cell).
  void StoreEditorValue(TdxTreeListNode* node, int absoluteColumn, TdxInplaceEdit& editor, Variant& value);
  bool IsPendingRefresh(const TdxTreeListNode* node) const;
  void AddPendingRefresh(TdxTreeListNode* node);
  void RemovePendingRefresh(const TdxTreeListNode* node);
  // Focuses the node; true when it is still waiting for its cells.
  bool FocusNode(TdxTreeListNode* node);

  // --- Events ---------------------------------------------------------------------------
  TNotifyEvent OnBeforeCalcSummary;
  TdxDBTreeListNodeEvent OnRefreshNodeData;
  TNotifyEvent OnChangeNodeEx;
  TdxDBTreeListEditColorEvent OnGetEditColor;

 protected:
  // The summary footer's cells: the column's OnDrawSummaryFooter first,
  // then the tree list's footer drawing while Done stays False.
  bool IsCustomDrawFooter(const TdxTreeListNode* node, int absoluteIndex, int footerIndex) const override;
  void DoCustomDrawFooter(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, int absoluteIndex,
                          int footerIndex, std::string& text, TColor& color, TFont& font, TAlignment& alignment,
                          bool& done) override;
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override;
  void DeleteColumnNodeData(int absoluteIndex) override;
  int CompareEqualNodes(const TdxTreeListNode* node1, const TdxTreeListNode* node2) const override;
  void LayoutRecalculated() override;
  void DoExit() override;
  int GetRowIndicatorKind(const TdxTreeListNode* node) const override;
  void DoEditing(TdxTreeListNode* node, bool& allow) override;

  // Resolves the preview field (a blob other than text kinds gives none).
  void ResolvePreviewField(const std::string& name);
  void SetKeyFieldObj(TField* field);
  // The field's free notice asked on behalf of the control.
  void WatchField(TField* field);
  void ForgetField(const TField* field);

  // Selection list changes (each empties the search cache).
  void InsertSelected(int index, TBookmark bookmark, TdxTreeListNode* node);
  void RemoveSelected(int index);
  void ClearSelectedList();
  std::vector<TdxSelectedBookmark>& SelectedList() { return FSelected; }
  // The node's record bookmark: the record-window row, the node's own
  // (where kept), or the dataset's current one.
  virtual TBookmark NodeBookmark(const TdxTreeListNode* node) const;
  // Selection entries of nodes that are going are forgotten.
  void ForgetSelectedNode(const TdxTreeListNode* node);

  bool FExiting = false;
  bool FInKeyHandler = false;
  bool FInternalNoEndSearch = false;

 private:
  void RebindColumns();

  std::vector<TdxSelectedBookmark> FSelected;
  std::unordered_set<const TdxTreeListNode*> FSelectedNodes;
  mutable TBookmark FCacheBookmark;
  mutable int FCacheIndex = -1;
  mutable bool FCacheFound = false;
  mutable bool FLastSearchCached = false;
  std::vector<TdxTreeListNode*> FPendingRefreshNodes;
  Variant FLastEditValue;
  TField* FKeyFieldObj = nullptr;
  TField* FPreviewFieldObj = nullptr;
  int FPreviewMaxLength = 0;
  bool FRebuildingColumns = false;
};

// The column name generation refused a name; the next one is tried.
std::string DefaultFieldsMessage();
