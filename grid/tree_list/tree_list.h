#pragma once
// TCustomdxTreeList: the grid control's core. A windowed control that shows
// a tree of nodes (TdxTreeListNode, owned through its TdxTreeListNodeOwner
// base) as rows, with its properties and defaults, the two option words, the
// update lock, focus, the selection protocol and the flattened visible order.
//
// It makes no columns of its own: it lists the columns that joined it
// (TdxTreeListColumn::SetTreeList; their owner component frees them) and
// owns the bands, because its layout, painting, input and editing, which
// live in its own files, read them cell by cell. A tree list no column
// joined has none. The column questions its subclasses answer otherwise
// (visible count, header rows of a band, columns of a header row, widths,
// cell data) are virtual hooks with neutral base answers. It is abstract
// (CreateNode and the cell data are for the subclass). It descends from the in-place editor host and answers the
// host questions its options decide. Owned like any control by its owner component; its destructor
// frees the nodes while the tree list can still answer them.
//
// Its concerns live in files of their own: tree_list.cpp (life cycle, update
// lock, caches, node notifications and navigation), tree_list_properties.cpp
// (property writers and options), tree_list_selection.cpp (focus and
// selection), tree_list_columns.cpp (column order and the text export),
// tree_list_visible_order.h (the flattened rows) and tree_list_options.h
// (the option words).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/component/strings.h"
#include "framework/gui/controls/custom_control.h"
#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"
#include "framework/gui/graphics/image_list.h"
#include "framework/gui/standard/std_controls.h"
#include "grid/editors/editor_host.h"
#include "grid/editors/inplace_editor.h"
#include "grid/forward.h"
#include "grid/nodes/sort_comparers.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_drawing.h"
#include "grid/tree_list/tree_list_layout.h"
#include "grid/nodes/tree_list_node.h"
#include "grid/nodes/tree_list_node_owner.h"
#include "grid/tree_list/tree_list_options.h"
#include "grid/tree_list/tree_list_visible_order.h"
#include "grid/tree_list/tree_list_widths.h"

enum TdxLookAndFeel { lfStandard, lfFlat, lfUltraFlat };

// The one mouse or editing interaction the tree list is in.
enum TdxTreeListState : int {
  tsNone = 0,
  tsColumnSizing = 1,
  tsEditing = 2,
  tsColumnDragging = 3,
  tsColumnDown = 4,
  tsNodeDragging = 5,
  tsNodeDown = 6,  // selecting with the mouse
  tsColumnButtonDown = 7,
  tsBandSizing = 8,
  tsBandDragging = 9,
  tsBandDown = 10,
  tsBandButtonDown = 11,
  tsBandPanelSizing = 12,
  tsHeaderPanelSizing = 13,
  tsRowSizing = 14,
  tsColumnDownInButtonMode = 15,
  tsBottomPanelButtonDown = 16,
};

// What DrawCellText and DrawCell draw.
enum TdxCellKind : int { ckCell = 0, ckFooter = 1, ckNewItemRow = 2, ckGroupRow = 3 };

// One cell as the row painting hands it to DrawCellText and DrawCell.
struct TdxCellPaintInfo {
  TRect Rect;
  TdxTreeListNode* Node = nullptr;
  int Column = -1;  // absolute index
  TdxCellKind Kind = ckCell;
  int FooterIndex = -1;  // footers: -1 the footer, else a row footer
  bool Selected = false;
  bool Focused = false;  // the focused cell (or row)
  // The row's own states, which custom drawing hears for every cell of it.
  bool RowSelected = false;
  bool RowFocused = false;
  bool FirstInRow = false;
  bool LastInRow = false;
  bool MultiLine = false;
  TColor Color = clWindow;  // background, as the tree list names it
  TColor TextColor = clWindowText;
};

// Kinds of GetRelativeNode.
enum TdxRelativeNodeKind : int { rnFirst = 0, rnPrev = 1, rnNext = 2, rnLast = 3 };

// Where a dragged header lands: the band (visible index), the header row
// and the position in that row it takes, and the column at the drop place
// (DropTarget; -1: dropped outside the headers, -2: no change). Every
// field is -1 until filled.
struct TdxHeaderPosInfo {
  int BandIndex = -1;
  int RowIndex = -1;
  int ColIndex = -1;
  int DropTarget = -1;
};

// The grid's own cursors while bands, headers and nodes are dragged: an
// item dropped here is hidden; a node drop copies (one node, several).
inline constexpr TCursor crDxTLDelete = -1124;
inline constexpr TCursor crDxTLDragCopy = -1138;
inline constexpr TCursor crDxTLMultiDragCopy = -1139;

using TTLChangeNodeEvent = TEvent<void(TObject* Sender, TdxTreeListNode* OldNode, TdxTreeListNode* Node)>;
using TTLChangeColumnEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, int Column)>;
using TdxTLCanNodeSelected = TEvent<void(TObject* Sender, TdxTreeListNode* Node, bool& Allow)>;
using TdxTLGetLevelColor = TEvent<void(TObject* Sender, int Level, TColor& Color)>;

class TCustomdxTreeList : public TCustomdxContainer, public TdxTreeListNodeOwner {
 public:
  explicit TCustomdxTreeList(TComponent* owner);
  ~TCustomdxTreeList() override;

  // --- Update lock ----------------------------------------------------------
  // BeginUpdate drops the caches, ends any interaction, hides the editor
  // without validating it and opens a selection-change bracket. The
  // outermost EndUpdate re-measures (LayoutChanged), which rebuilds the
  // visible order once.
  void BeginUpdate() override;
  void EndUpdate() override;
  // Ends the lock without re-measuring.
  void UnlockUpdate();
  // Nothing while locked; else, under the lock, RecalcMetrics.
  virtual void LayoutChanged();
  // Drops the visible order, the focused column's cached index and the row
  // heights; nothing while ClearNodes runs.
  virtual void ClearCaches();
  // While it lasts, update brackets keep a built visible order: for work
  // that leaves every row where it stands (totals recomputed), where a
  // rebuild would cost a walk and a sort of the whole tree.
  class TKeepVisibleOrderScope {
   public:
    explicit TKeepVisibleOrderScope(TCustomdxTreeList& treeList) : FRestore(treeList.FKeepVisibleOrder) {
      treeList.FKeepVisibleOrder = true;
    }

   private:
    TRestoreOnExit<bool> FRestore;
  };
  // Every node's cached row height becomes 0.
  virtual void ResetRowHeights();
  // A column's texts leave every text node (the texts after it move down).
  virtual void DeleteColumnNodeData(int absoluteIndex);

  // --- Nodes ----------------------------------------------------------------
  // Frees every node, inside the update lock (unless destroying); node
  // references become nil; OnDeletion fires for each node.
  void ClearNodes();
  // The last row: the last top-level node, descended through last children
  // while expanded.
  TdxTreeListNode* LastVisibleNode() const;
  virtual TdxTreeListNode* GetRelativeNode(TdxTreeListNode* node, TdxRelativeNodeKind kind, bool flag) const;
  bool IsNodeVisible(const TdxTreeListNode* node) const { return node != nullptr && node->IsVisible(); }
  int GetAbsoluteIndex(const TdxTreeListNode* node) const override;
  // nil outside 0 .. VisibleNodeCount - 1.
  TdxTreeListNode* GetAbsoluteNode(int index) const;
  int VisibleNodeCount() const;
  TdxTreeListNode* GetNextVisibleNode(const TdxTreeListNode* node) const override;
  TdxTreeListNode* GetPrevVisibleNode(const TdxTreeListNode* node) const override;
  // The top visible node's row, -1 without one; the focused node's, 0
  // without one.
  int TopIndex() const;
  int FocusedAbsoluteIndex() const;
  // Rebuilds the flattened visible order from the tree.
  void RebuildVisibleOrder() override;

  // --- Focus ----------------------------------------------------------------
  // Closes the editor; under the update lock only stores node and column;
  // otherwise scrolls the column into view, repaints both rows, makes the
  // node visible when asked, and fires OnChangeNode and then OnChangeColumn
  // for what changed.
  void SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible) override;
  void SetTopVisibleNode(TdxTreeListNode* node) override;
  // The stored focused visible column; 0 with tloRowSelect or when it lies
  // outside the visible columns.
  int FocusedColumnIndex() const override;
  // Ignored unless index differs and is a visible column.
  void SetFocusedColumnIndex(int index);
  // The focused column's absolute index (-1 without one), cached until
  // ClearCaches.
  int FocusedColumnAbsoluteIndex() const;

  // --- Selection ------------------------------------------------------------
  // The base keeps no selection: the primitives below answer "nothing
  // selected", and the tree lists that keep one override them. The rest
  // (range selection, clearing, anchor, bracket) works over the primitives.
  bool IsMultiSelect() const override { return OptionOn(tloMultiSelect); }
  virtual int SelectedCount() const { return 0; }
  virtual TdxTreeListNode* SelectedNodes(int index) const { return nullptr; }
  virtual void ClearSelection();
  // Selects the rows from one node to the other (either order), each that
  // CanSelectNode allows.
  virtual void SelectRange(TdxTreeListNode* fromNode, TdxTreeListNode* toNode);
  TdxTreeListNode* SelectionAnchor() const { return FSelectionAnchor; }
  virtual void SetSelectionAnchor(TdxTreeListNode* node);
  // -1, 0 or 1 as node's row lies before, at or after the anchor's.
  virtual int CompareWithAnchor(const TdxTreeListNode* node) const;
  virtual bool CanExtendSelection() const { return true; }
  // OnCanNodeSelected may refuse; without tloExtMultiSelect only siblings of
  // the first selected node (or of a range's first node) can be selected.
  virtual bool CanSelectNode(TdxTreeListNode* node);
  // Repaints the focused and the selected rows (everything past 10).
  virtual void InvalidateSelection();
  // Frees the selected nodes (a selected node inside a selected subtree goes
  // with it), inside the update lock.
  virtual void DeleteSelection();
  // Nested; the outermost close fires OnSelectedCountChange when the
  // selected count differs from the one at the outermost open.
  virtual void BeginSelectionChange();
  virtual void EndSelectionChange();

  // --- Column order -----------------------------------------------------------
  // Visible columns counted header row by header row (every band's row 0,
  // then row 1, ...), band by band, left to right; -1 outside them.
  int GetAbsoluteColumnIndex(int visibleIndex) const;
  // 0 for a column that is not visible.
  int GetVisibleColumnIndex(int absoluteIndex) const;
  virtual int GetVisibleColumnCount() const;

  // --- Bands and columns ---------------------------------------------------------
  // The tree list owns its bands; its columns belong to their owner
  // component and are only listed here (TdxTreeListColumn::SetTreeList).
  TdxTreeListBands& Bands() { return *FBands; }
  const TdxTreeListBands& Bands() const { return *FBands; }
  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  // nil outside 0 .. ColumnCount - 1.
  TdxTreeListColumn* Columns(int index) const;
  // -1 for a column not in the list.
  int ColumnIndexOf(const TdxTreeListColumn* column) const;
  // The list order (and so the header order); the cells' data follow.
  virtual void MoveColumn(int fromIndex, int toIndex);
  // Header rows every band has; 1 and up.
  int HeaderPanelRowCount() const { return FHeaderPanelRowCount; }
  virtual void SetHeaderPanelRowCount(int value);
  // Cleared once the bands are other than the one band a new tree list has.
  bool DefaultLayout() const { return FDefaultLayout; }
  virtual void SetDefaultLayout(bool value) { FDefaultLayout = value; }
  // Row limits of the band and header panels; the column-owning control
  // keeps its own.
  virtual int BandRowCount() const { return 1; }
  virtual int BandMaxRowCount() const { return 5; }
  virtual int HeaderPanelMaxRowCount() const { return 4; }
  virtual int HeaderMinRowCount() const { return 1; }
  // Sorted columns, in the order they were sorted by.
  int SortedColumnCount() const { return static_cast<int>(FSortedColumns.size()); }
  TdxTreeListColumn* SortedColumns(int index) const;
  // -1 for a column that is not sorted.
  int SortedColumnIndexOf(const TdxTreeListColumn* column) const;
  // Around a column's sort direction being set (inside the update lock):
  // before it, and after it (the column joins the sorted columns and the
  // nodes are sorted again).
  virtual void BeforeColumnSort(TdxTreeListColumn* column) {}
  virtual void ColumnSorted(TdxTreeListColumn* column);
  // A column that is no longer sorted leaves the list.
  void ColumnUnsorted(TdxTreeListColumn* column);
  // A column (nil: all of them) or the bands changed: re-measure (once,
  // when the update lock ends).
  virtual void ColumnsChanged(TdxTreeListColumn* column);
  virtual void BandsChanged();

  // --- Custom drawing -------------------------------------------------------------
  // Whether a handler draws the cell (the column's header): the tree list's
  // event or the column's is assigned.
  virtual bool IsCustomDrawCell(const TdxTreeListNode* node, const TdxTreeListColumn* column) const;
  virtual bool IsCustomDrawColumnHeader(const TdxTreeListColumn* column) const;
  // The tree list's event, then (unless it set done) the column's; a group
  // row never reaches the column's, a new-item row only while it shows data.
  virtual void DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                TdxTreeListColumn* column, bool selected, bool focused, bool newItemRow,
                                std::string& text, TColor& color, TFont& font, TAlignment& alignment, bool& done);
  virtual void DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, TdxTreeListColumn* column,
                                        std::string& text, TColor& color, TFont& font, TAlignment& alignment,
                                        TdxTreeListColumnSort& sorted, bool& done);

  // --- Metrics and layout ------------------------------------------------------------
  // Heights and widths from the fonts and options, as RecalcMetrics left them.
  const TdxTreeListMetrics& Metrics() const { return FMetrics; }
  // The panel rectangles of the client area.
  void CalcAreaRects(TdxTreeListLayoutInfo& layout) const;
  // Panels, placed bands, header cells and displayed rows.
  void CalculateLayout(TdxTreeListLayoutInfo& layout) const;
  static void FreeLayout(TdxTreeListLayoutInfo& layout);
  // A cell's rectangle in its node's row; (-1, -1, -1, -1) when it is not
  // displayed. The editor's rectangle is the cell's, narrowed for the
  // editor's border.
  TRect GetCellRect(const TdxTreeListNode* node, int visibleColumnIndex) const;
  TRect GetEditorRect(const TdxTreeListNode* node, int visibleColumnIndex) const;
  TRect GetCellRect(const TdxTreeListLayoutInfo& layout, const TdxTreeListNode* node, int absoluteIndex) const;
  virtual int GetBandDisplayWidth(int visibleBandIndex) const;
  int GetTotalBandsWidth() const;
  int GetBandMinWidth(int visibleBandIndex) const;
  // A column's displayed width by the column sizing rules.
  virtual int GetColumnWidth(int absoluteIndex) const;
  int GetScrollingBandsWidth() const;
  int GetScrollAreaWidth() const;
  int GetBandScrollOffset(int visibleBandIndex) const;
  // The row's height: lines, preview, separator and row footers; cached in
  // the node unless noCache.
  int GetNodeHeight(TdxTreeListNode* node, int lineHeight, bool noCache) const;
  int GetRowFooterCount(const TdxTreeListNode* node) const;
  int GetRowFooterLevel(const TdxTreeListNode* node, int footerIndex) const;
  int GetPreviewLineCount(const TdxTreeListNode* node) const;
  // The parts of the node's indent, from the tree column's left.
  TdxNodeIndentParts GetNodeIndentParts(const TdxTreeListNode* node) const;
  // The node's row; (-1, -1, -1, -1) when it is not on screen.
  virtual TRect GetNodeRowRect(const TdxTreeListNode* node) const;
  virtual TRect GetRowsAreaRect() const;

  // --- Hit-testing ----------------------------------------------------------------
  virtual void HitTestPoint(TPoint point, TdxTreeListHitInfo& hitInfo) const;
  TdxTreeListHitTest GetHitCodeAt(int x, int y) const;
  TdxTreeListNode* GetNodeAt(int x, int y) const;

  // --- Images -----------------------------------------------------------------------
  // Referred to, not owned: cleared when the image list goes.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* value);
  // The scratch record of the cell being drawn.
  TdxTreeListCellViewData& CellViewData() { return *FCellViewData; }
  // The 12 x 12 expand-button pictures (collapsed and expanded), drawn anew
  // with the look and on a system colour change.
  const TBitmap& ExpandButtonBitmap(bool expanded) const { return expanded ? *FMinusBitmap : *FPlusBitmap; }
  void SysColorChanged();

  // --- Text export --------------------------------------------------------------
  // A header line (captions of the visible columns, tab-separated), then one
  // line per row in visible order.
  virtual void SaveAllToStrings(TStrings& strings) const;
  // The header line, then the selected nodes in tree order (multi-select)
  // or the focused node.
  virtual void SaveSelectedToStrings(TStrings& strings) const;
  void CopySelectedToClipboard() const;

  // --- Interaction and editing --------------------------------------------------
  TdxTreeListState State() const { return FState; }
  virtual void SetInteractionState(TdxTreeListState state);
  // Closes the in-place editor after validating it. Base: leaves the
  // editing state and hides it.
  virtual void CloseEditor();
  // Ends editing of the set-up cell and hides the editor. Base: forgets the
  // cell.
  virtual void HideEditor(bool focus);
  TdxTreeListNode* EditNode() const { return FEditNode; }
  int EditColumn() const { return FEditColumn; }

  // --- Keyboard, mouse, focus and selection (tree_list_keys.cpp,
  // tree_list_mouse.cpp) ----------------------------------------------------------
  // Abandons the mouse interaction under way (sizing, pressing, dragging,
  // a pressed button) and hides the hint.
  virtual void CancelMouseState();
  // Clamped into the rows; a row other than the focused one becomes
  // focused with the focused column kept, and is scrolled into view.
  virtual void FocusAbsoluteIndex(int index);
  // One row down (full tree order with fullTree) / up; when exactly the old
  // focused node was selected (multi-select), the selection moves along.
  bool FocusNext(bool fullTree);
  bool FocusPrior(bool fullTree);
  // True without nodes or on the first / last row.
  virtual bool AtFirstNode() const;
  virtual bool AtLastNode() const;
  // A False answer turns the key into 0 before KeyDown acts on it.
  virtual bool IsKeyAllowed(TKey key, TShiftState shift) { return true; }
  // The item under the pointer (a cell, a header and its drop-down box,
  // the bottom-panel button) becomes the hot one; OnHotTrackNode may pick
  // the cursor for it.
  virtual void UpdateHotTrack(const TdxTreeListHitInfo& hitInfo);
  // The hot item: a cell (node and absolute column) or a header (absolute
  // column, state 1 over it, 2 over its drop-down box); nothing: -1.
  int HotColumn() const { return FHotColumn; }
  int HotHeaderColumn() const { return FHotHeaderColumn; }
  int HotHeaderState() const { return FHotHeaderState; }
  bool BottomPanelButtonHot() const { return FBottomButtonHot; }
  // The last press: its hit record and point.
  const TdxTreeListHitInfo& DownHitInfo() const { return FDownHitInfo; }

  // Incremental search. StartAutoSearch searches the column (the focused
  // one for -1) for text and answers whether text is not empty;
  // AutoSearchStep looks for text from the focused node (mode 0 from it,
  // 1 backwards from the one before, 2 forwards from the one after),
  // focuses what it finds, and on failure empties the text (clearOnFail)
  // or, in mode 0, takes its last character back. LocateByText walks the
  // rows (the whole tree with AutoExpandOnSearch) once round from the
  // focused node for a cell whose text begins with text, case aside.
  bool StartAutoSearch(int columnIndex, const std::string& text);
  virtual void AutoSearchStep(std::string& text, int mode, bool clearOnFail);
  virtual bool LocateByText(int columnIndex, const std::string& text, int mode, TdxTreeListNode*& node);
  bool Searching() const { return FSearching; }

  // --- Scrolling and panning (tree_list_scroll.cpp, tree_list_panning.cpp) ------
  // The top row by index, clamped so that the last page stays full;
  // nothing with fewer than two rows. Small moves scroll the pixels.
  void SetTopIndex(int index);
  // The scrolling bands' offset in pixels, clamped into what they exceed
  // the visible width by; fires OnChangeLeftCoord on a change.
  void SetLeftCoord(int x);
  // Expands the node's collapsed ancestors, then scrolls the least that
  // shows its whole row.
  void MakeNodeVisible(TdxTreeListNode* node) override;
  // Scrolls the least that shows a scrolling band or column (nothing for
  // fixed bands and indexes out of range).
  void MakeBandVisible(int visibleBandIndex);
  // Rows at least partly / fully in the rows area from the top row (each
  // at least 1), as CalcRowsInView last counted them.
  int RowsInView() const { return FRowsInView; }
  int FullRowsInView() const { return FFullRowsInView; }
  virtual void CalcRowsInView();
  // Counts again and answers the fully visible rows.
  virtual int RowsInViewCount();
  // Rows from start down that fit into height: at least partly, and fully
  // (each at least 1).
  void CountRowsInHeight(TdxTreeListNode* start, int height, int& partlyVisible, int& fullyVisible) const;
  // The vertical bar: 0 .. rows - 1 (0 when all rows fit), the top index,
  // a page of the fully visible rows.
  virtual void GetVertScrollInfo(int& min, int& max, int& pos, int& page, unsigned& mask);
  // The middle-button panning mode: a modal loop until a button, a key or
  // the loss of the capture ends it.
  void RunPanningMode();
  bool Panning() const { return FPanning != nullptr; }
  // Automatic scrolling while something is dragged near the scrolling
  // area's left or right border, and (node dragging) over the top or the
  // last row. Each kind has a timer of its own in this control.
  void CheckHorzAutoScroll(TPoint p);
  void StopHorzAutoScroll();
  void CheckVertDragAutoScroll(TdxTreeListNode* nodeUnderPointer);
  void StopVertDragAutoScroll();

  // --- Options --------------------------------------------------------------
  std::uint32_t Options() const { return static_cast<std::uint32_t>(FOptions.Bits()); }
  void SetOptions(std::uint32_t value);
  std::uint32_t OptionsEx() const { return static_cast<std::uint32_t>(FOptionsEx.Bits()); }
  void SetOptionsEx(std::uint32_t value);
  void SetOptions(TdxTreeListOptions value) { SetOptions(static_cast<std::uint32_t>(value.Bits())); }
  void SetOptionsEx(TdxTreeListOptionsEx value) { SetOptionsEx(static_cast<std::uint32_t>(value.Bits())); }
  // Each option is read through these, so a subclass can answer one option
  // its own way. Coupled answers: tloMouseScroll only with tloRowSelect or
  // without tloEditing; tloEnterThrough only with tloEnterShowEditor;
  // tloBandSizing with tloBandHeaderWidth only while ShowBands.
  virtual bool OptionOn(TdxTreeListOption option) const;
  virtual bool OptionExOn(TdxTreeListOptionEx option) const;

  // The editor host's questions.
  // The editor may change the cell unless the focused column is missing or
  // read-only; every character may be typed.
  bool CanEditorModify() override;
  bool IsEditorCharAllowed(char ch) override { return true; }
  // The editors' look follows the tree list's (TdxTreeListEditStyle).
  std::unique_ptr<TdxEditStyle> CreateEditStyle(TdxInplaceEdit* editor) override;
  bool GetHideFocusRect() override { return OptionOn(tloHideFocusRect); }
  bool IsImmediateEditor() override { return OptionOn(tloImmediateEditor); }
  bool ShowButtonAlways() override { return OptionExOn(tloShowButtonAlways); }

  // --- Properties -------------------------------------------------------------
  TdxLookAndFeel LookAndFeel() const { return FLookAndFeel; }
  void SetLookAndFeel(TdxLookAndFeel value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);

  TColor ArrowsColor() const { return FArrowsColor; }
  void SetArrowsColor(TColor value) { FArrowsColor = value; }
  TColor BandColor() const { return FBandColor; }
  void SetBandColor(TColor value);
  TColor HeaderColor() const { return FHeaderColor; }
  void SetHeaderColor(TColor value);
  TColor GroupNodeColor() const { return FGroupNodeColor; }
  void SetGroupNodeColor(TColor value);
  TColor GroupNodeTextColor() const { return FGroupNodeTextColor; }
  void SetGroupNodeTextColor(TColor value);
  TColor GridLineColor() const { return FGridLineColor; }
  void SetGridLineColor(TColor value);
  TColor AutoSearchColor() const { return FAutoSearchColor; }
  void SetAutoSearchColor(TColor value);
  TColor AutoSearchTextColor() const { return FAutoSearchTextColor; }
  void SetAutoSearchTextColor(TColor value);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor value);
  TColor HighlightTextColor() const { return FHighlightTextColor; }
  void SetHighlightTextColor(TColor value);
  TColor HideSelectionColor() const { return FHideSelectionColor; }
  void SetHideSelectionColor(TColor value);
  TColor HideSelectionTextColor() const { return FHideSelectionTextColor; }
  void SetHideSelectionTextColor(TColor value);
  TColor FixedBandLineColor() const { return FFixedBandLineColor; }
  void SetFixedBandLineColor(TColor value);
  TColor RowFooterColor() const { return FRowFooterColor; }
  void SetRowFooterColor(TColor value);
  TColor RowFooterTextColor() const { return FRowFooterTextColor; }
  void SetRowFooterTextColor(TColor value);

  // Any change of these fonts re-measures.
  TFont& BandFont() { return FBandFont; }
  const TFont& BandFont() const { return FBandFont; }
  void SetBandFont(const TFont& font) { FBandFont.Assign(&font); }
  TFont& HeaderFont() { return FHeaderFont; }
  const TFont& HeaderFont() const { return FHeaderFont; }
  void SetHeaderFont(const TFont& font) { FHeaderFont.Assign(&font); }
  TFont& PreviewFont() { return FPreviewFont; }
  const TFont& PreviewFont() const { return FPreviewFont; }
  void SetPreviewFont(const TFont& font) { FPreviewFont.Assign(&font); }

  bool ShowBands() const { return FShowBands; }
  void SetShowBands(bool value);
  bool ShowHeader() const { return FShowHeader; }
  void SetShowHeader(bool value);
  bool ShowGrid() const { return FShowGrid; }
  void SetShowGrid(bool value);
  bool ShowPreviewGrid() const { return FShowPreviewGrid; }
  void SetShowPreviewGrid(bool value);
  bool ShowNewItemRow() const { return FShowNewItemRow; }
  void SetShowNewItemRow(bool value);
  bool ShowRowFooter() const { return FShowRowFooter; }
  void SetShowRowFooter(bool value);
  bool HideFocusRect() const { return FHideFocusRect; }
  void SetHideFocusRect(bool value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);
  bool DblClkExpanding() const { return FDblClkExpanding; }
  void SetDblClkExpanding(bool value) { FDblClkExpanding = value; }
  bool AutoExpandOnSearch() const { return FAutoExpandOnSearch; }
  void SetAutoExpandOnSearch(bool value) { FAutoExpandOnSearch = value; }

  // Writers clamp: IndentDesc to 0 and up, PreviewLines and MaxRowLineCount
  // to -1 and up, CustomizingRowCount to 2 and up, the line widths to 1
  // and up.
  int IndentDesc() const { return FIndentDesc; }
  void SetIndentDesc(int value);
  int PreviewLines() const { return FPreviewLines; }
  void SetPreviewLines(int value);
  int MaxRowLineCount() const { return FMaxRowLineCount; }
  void SetMaxRowLineCount(int value);
  int CustomizingRowCount() const { return FCustomizingRowCount; }
  void SetCustomizingRowCount(int value);
  int FixedBandLineWidth() const { return FFixedBandLineWidth; }
  void SetFixedBandLineWidth(int value);
  int RowSeparatorLineWidth() const { return FRowSeparatorLineWidth; }
  void SetRowSeparatorLineWidth(int value);
  // The row height; set by hand it is marked so (and stored in forms).
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  bool IsDefaultRowHeightAssigned() const { return FDefaultRowHeightAssigned; }
  virtual int GrIndicatorWidth() const { return FGrIndicatorWidth; }
  // Values below MinIndicatorWidth become it.
  void SetGrIndicatorWidth(int value);
  static constexpr int MinIndicatorWidth = 12;
  unsigned WaitForExpandNodeTime() const { return FWaitForExpandNodeTime; }
  void SetWaitForExpandNodeTime(unsigned value) { FWaitForExpandNodeTime = value; }
  int LeftCoord() const { return FLeftCoord; }

  bool ShowFooter() const { return FShowFooter; }
  bool ShowIndicator() const { return FShowIndicator; }
  bool NodeIndentMode() const { return FNodeIndentMode; }

  bool IsDestroying() const override;
  bool IsLoading() const;

  // Raises EInvaliddxTreeListOperation when the node tree, the visible
  // order or a node reference of the tree list is broken.
  void CheckInvariants() const;

  // --- Events -----------------------------------------------------------------
  TTLExpandingEvent OnExpanding;
  TTLExpandingEvent OnCollapsing;
  TTLExpandingEvent OnEditing;
  TTLExpandedEvent OnExpanded;
  TTLExpandedEvent OnCollapsed;
  TTLExpandedEvent OnDeletion;
  TTLExpandedEvent OnEdited;
  TTLExpandedEvent OnBeginDragNode;
  TTLChangeNodeEvent OnChangeNode;
  TTLChangeColumnEvent OnChangeColumn;
  TNotifyEvent OnChangeLeftCoord;
  TNotifyEvent OnChangeTopVisibleNode;
  TNotifyEvent OnSelectedCountChange;
  TNotifyEvent OnEditChange;
  // Validation of a column's editor (Sender: the column).
  TdxEditValidateEvent OnEditValidate;
  TNotifyEvent OnEndColumnsCustomizing;
  TdxTLCompareEvent OnCompare;
  TdxTLCanNodeSelected OnCanNodeSelected;
  TdxTLGetLevelColor OnGetLevelColor;
  TdxTLCustomDrawCell OnCustomDrawCell;
  TdxTLCustomDrawHeader OnCustomDrawColumnHeader;
  TdxTLCustomDrawBand OnCustomDrawBand;
  TdxTLCustomDrawFooter OnCustomDrawFooter;
  TdxTLCustomDrawFooterNode OnCustomDrawFooterNode;
  TdxTLCustomDrawPreview OnCustomDrawPreviewCell;
  TTLCustomDrawPreviewEvent OnCustomDrawPreview;
  TdxTLHotTrackNode OnHotTrackNode;
  TdxTLCalcRowLineHeight OnCalcRowLineHeight;
  TdxTLGetNodeDragText OnGetNodeDragText;

  // --- Sizing, moving, sorting and dragging -----------------------------------------
  // (tree_list_sizing.cpp, tree_list_moving.cpp, tree_list_sorting.cpp,
  // tree_list_drag.cpp.) The mouse handling hands these interactions over:
  // a left press in state 0 on a band or header, on their edges, or on a
  // panel or row edge starts one (true when it did; a double click on an
  // edge applies best fit instead); every move and the release in the
  // states they own (IsLayoutInteractionState) come here; CancelMouseState
  // ends them without applying anything (as does BeginUpdate). A press in
  // a header's drop-down box (header-button mode) stays with the caller.
  bool StartLayoutInteraction(const TdxTreeListHitInfo& hit, TShiftState shift);
  void LayoutInteractionMove(TShiftState shift, int x, int y);
  void EndLayoutInteraction(TShiftState shift, int x, int y);
  // True when an interaction of these states was running.
  bool CancelLayoutInteraction();
  static bool IsLayoutInteractionState(TdxTreeListState state);
  // The sizing line (client coordinates: X of the new right edge for bands
  // and columns, Y of the new bottom for panels and rows) while sizing.
  int SizingLinePos() const;
  bool SizingLineShown() const;
  // Whether the pressed band or header is drawn pressed: the pointer is
  // still over it.
  bool PressedItemDown() const;
  // Where the drop arrows stand on the screen (empty when hidden).
  TRect DropArrowsRect() const;
  // The drag image's place on the screen while a band or header is dragged.
  TRect HeaderDragImageRect() const;

  // Drop place of the dragged band at a client point: its new visible
  // index, -1 outside the band panel, -2 for no change.
  virtual int GetDropPosition(TPoint p) const;
  // Drop place of the dragged column at a client point: band (visible
  // index), row and position it would take, and the column at that place
  // (-1 outside the headers, -2 for no change).
  virtual void FillHeaderPosInfo(TPoint p, TdxHeaderPosInfo& info) const;
  // May change the cursor a header or band drag shows at p.
  virtual void GetDragCursor(TPoint p, TCursor& cursor) const;
  // A dragged header may be dropped at p onto something of a descendant's
  // own (a panel of its own): item is then the rectangle the drop arrows
  // stand before (left edge - 5, from top - 9 to bottom + 9).
  virtual bool GetOwnHeaderDropItem(TPoint p, TRect& item) const { return false; }
  // A band or column dropped outside is hidden only when these allow:
  // customizing (the box or tloExtCustomizing), the item's own
  // DisableCustomizing, and never the last visible one.
  virtual bool CanHideBandByDrag(TdxTreeListBand* band) const;
  virtual bool CanHideHeaderByDrag(TdxTreeListColumn* column) const;
  // The customizing box: this system makes none, so nothing is ever over it.
  virtual bool IsCustomizing() const { return false; }
  virtual bool PointInCustomizeBox(TPoint p) const { return false; }

  // What the interactions ask of the control that owns the bands and the
  // columns; neutral here (nothing can be dragged, moved or hidden).
  virtual bool CanDragBand(TdxTreeListBand* band) { return false; }
  virtual bool CanDragHeader(TdxTreeListColumn* column) { return false; }
  virtual bool CanHideBand(const TdxTreeListBand* band) const { return false; }
  virtual void MoveBand(int fromVisibleIndex, int toVisibleIndex) {}
  virtual void HideBand(TdxTreeListBand* band) {}
  virtual void ShowBandAt(TdxTreeListBand* band, int visibleIndex) {}
  virtual void MoveHeader(TdxTreeListColumn* column, int bandIndex, int rowIndex, int colIndex) {}
  virtual void HideHeader(TdxTreeListColumn* column) {}
  virtual void ShowHeaderAt(TdxTreeListColumn* column, int bandIndex, int rowIndex, int colIndex) {}
  virtual void DoStartBandDragging(TdxTreeListBand* band) {}
  virtual void DoStartHeaderDragging(TdxTreeListColumn* column) {}
  virtual void DoDragOverBand(TdxTreeListBand* band, TPoint p, bool& accept) {}
  virtual void DoDragOverHeader(TdxTreeListColumn* column, TPoint p, bool& accept) {}
  virtual void DoDragEndBand(TdxTreeListBand* band, int& newIndex, bool& accept) {}
  virtual void DoDragEndHeader(TdxTreeListColumn* column, TPoint p, TdxHeaderPosInfo& posInfo,
                               bool& accept) {}
  virtual void DoColumnMoved(TdxTreeListColumn* column, int fromIndex, TPoint p) {}
  virtual void DoBandClick(TdxTreeListBand* band) {}
  virtual void DoChangedColumnsWidth() {}
  virtual void ColumnClick(TdxTreeListColumn* column, bool clearSorting) {}
  virtual void SetBandRowCount(int value) {}
  // Columns follow their band's width: sizing a band scales its columns,
  // and sizing a column of a one-row band (without tloAutoWidth) widens
  // the band. Here: while bands take their width from their columns.
  virtual bool IsColumnAutoWidth() const { return OptionExOn(tloBandHeaderWidth); }
  // A double click on a band's or a column's edge.
  virtual void ApplyBandBestFit(int visibleBandIndex) {}
  virtual void ApplyColumnBestFit(int absoluteIndex) {}
  // A band's new width; with column auto width its columns (the hidden
  // ones too) are scaled to it.
  void ApplyBandWidth(int visibleBandIndex, int width);
  // Automatic scrolling while something is dragged over the control
  // (horizontal near the scrolling area's borders; vertical, for a node
  // drag, over the top or the last row), and its end.
  void DragScroll(TPoint p, bool vertical);
  void StopDragScroll();

  // Sorting. A release over the pressed header: the column click with the
  // click flags set for its duration (multi-sort: Shift with tloMultiSort;
  // clear: Ctrl).
  void HeaderClick(TdxTreeListColumn* column, TShiftState shift);
  bool IsMultiSortClick() const { return FMultiSortClick; }
  bool IsClearSortClick() const { return FClearSortClick; }
  bool IsHeaderSortClick() const { return FHeaderSortClick; }
  // Sorts the lists of a level (-1: every list; n: the lists n levels below
  // the top) by the column, or in multi-key mode by the sorted columns
  // each in its own direction; the hourglass shows with tloShowHourGlass.
  virtual void SortNodes(int level, int columnIndex, bool descending);
  // One list: the children of parent, or the top-level nodes for nil.
  virtual void SortNodeList(TdxTreeListNode* parent, int columnIndex, bool descending);
  // Several sort keys apply (base: tloMultiSort).
  virtual bool CanMultiSort(int columnIndex) const { return OptionExOn(tloMultiSort); }

  // Node dragging. The node a drag takes along (DragNode) gets its picture
  // from the focused column's cell; the node under a drag over this
  // control, and whether copying is allowed with Ctrl.
  TdxTreeListNode* DragOverNode() const { return FDragOverNode; }
  virtual bool CanDragCopy() const { return false; }
  // The keypad's plus and minus expand and collapse the node under a drag
  // of this control; true when the key was taken.
  bool DragKeyDown(TKey key);

  // --- In-place editing (tree_list_editing.cpp) ------------------------------------
  // One editor at a time edits the focused cell; the editors themselves are
  // kept per editor class (GetEditorObject) and live as long as the
  // control. Editing starts with ShowEditor (or one of the variants that
  // hand the editor what started it) and ends with CloseEditor (validating)
  // or HideEditor (not validating); either way the value goes back through
  // SaveEditorValue when the editor was modified, and OnEdited fires.
  //
  // Starts editing the focused cell: with tloEditing, outside row select,
  // with a focused node that OnEditing (and the new-item row) allows, in
  // state 0, with a focused column: scrolls the cell into view, enters
  // state 2 and shows the editor over it.
  virtual void ShowEditor();
  // ShowEditor, then the character (Ctrl+V pastes, Ctrl+X cuts) is typed
  // into the editor once the waiting messages are handled.
  virtual void ShowEditorWithChar(char ch);
  // ShowEditor, then the editor hears the press at (x, y) (client
  // coordinates of the tree list), so that it may act on its own parts.
  virtual void ShowEditorWithMouse(int x, int y);
  // ShowEditor, then the editor is told that the user opened it.
  virtual void ShowEditorWithClick();
  // Sets the editor up for the focused cell (reusing it when it is set up
  // for that cell already) and places it over the cell: shown, or with
  // show false only moved, kept hidden. Only while CanShowEditor.
  virtual void UpdateEditor(bool show);
  // CloseEditor, then the tree list takes the focus.
  virtual void CloseEditorAndFocus();
  // Forgets the set-up cell and sets the editor up again (kept hidden).
  virtual void RefreshEditor();
  // State 2, not designing, not under the update lock, a window to show in.
  virtual bool CanShowEditor() const;
  // The editor set up last (nil before the first edit); whether it is
  // shown now.
  virtual TdxInplaceEdit* InplaceEditor() const { return FInplaceEditor; }
  bool EditorShown() const;
  // The editor for the focused column: made on first use / nil when none
  // was made yet. The core keeps one text editor; the column-owning
  // control one per editor class.
  virtual TdxInplaceEdit* GetEditorObject();
  virtual TdxInplaceEdit* FindEditorObject() const;
  // Set-up of the editor: colour, font and margins / the cell's value into
  // the editor / the editor's value back into the cell. The core loads an
  // empty text and stores nothing.
  virtual void InitEditor(TdxInplaceEdit& editor);
  virtual void InitEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor, Variant& value);
  virtual void SaveEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor, Variant& value);
  // Whether the new-item row may be edited; the data-aware tree list decides.
  virtual void DoNewItemRowEditing(bool& allow) {}
  // The row being edited is the new-item row (the data-aware tree list).
  virtual bool IsNewItemRowActive() const { return false; }
  // While editing, the editor's text; empty otherwise.
  std::string GetEditingText() const;
  void SetEditingText(const std::string& text);

  // The delayed edit start: a second click on the focused cell starts the
  // editor once the double-click time has passed without another press.
  // The timer (TreeListEditTimer) belongs to this control alone.
  void StartEditTimer();
  void StopEditTimer();
  bool EditTimerRunning() const;

  // The editor host's answers (see also the ones above).
  // The focused column's colour (the control's without one).
  TColor GetEditColor() override;
  // The focused column's own font, else the control's.
  const TFont& GetEditFont() override;
  // Tab stays in the editor's host with tloTabs, unless Ctrl is held.
  bool WantsTabs() override;
  // Closes the editor and focuses the column left (prev) or right of it.
  void FocusNextColumn(bool prev) override;
  void EditorFocusChanged() override;
  // The focused column is another than the one the editor was set up for.
  bool EditColumnChanged() const;
  // Where the input meets editing and hints: the layout or the size
  // changed (the editor follows its cell); a window timer of the hints
  // (false for another id); the control is losing the focus (not to its
  // own editor).
  void EditorLayoutChanged();
  bool EditingTimer(int id);
  void EditingFocusLost();

  // --- Hints (tree_list_hints.cpp) ----------------------------------------------------
  // A small window over everything shows the bottom-panel button's hint
  // (GetBottomPanelButtonHint) and the whole text of a cell that its
  // column cuts short, 1000 ms after the pointer came to rest there; it
  // goes after 5000 ms, when the pointer leaves, on a press, on cancel
  // mode and when the control goes.
  // The pointer moved (hit: where it is now; htNowhere when it left).
  void UpdateHint(const TdxTreeListHitInfo& hit);
  // The pointer came onto the bottom-panel button (UpdateHint, knowing only
  // that).
  virtual void StartHintTimer();
  virtual void HideHint();
  // The window while a hint shows; nil otherwise.
  TdxContainerHintWindow* HintWindow() const { return FHintWindow.get(); }
  bool ShowCellHints() const { return FShowCellHints; }
  void SetShowCellHints(bool value);
  // The bottom panel's button, in client coordinates (empty when it is
  // not shown).
  TRect GetBottomPanelButtonRect() const;
  // The text of the bottom-panel button's hint; none in the core.
  virtual std::string GetBottomPanelButtonHint() const { return {}; }
  // The whole text of a cell when its column cuts it short; empty when it
  // fits (or is no text cell).
  virtual std::string GetCellHintText(TdxTreeListNode* node, int absoluteIndex) const;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;
  // The whole client area onto canvas (Paint's work; tests and off-screen
  // pictures call it with a bitmap's canvas).
  void PaintTo(TCanvas& canvas);

  // --- Painting hooks ---------------------------------------------------------------
  virtual void DrawTopPanel(TCanvas& canvas, const TRect& rect) {}
  // A lone column header as the header panel draws it (a grid's group
  // boxes, a drag picture).
  void PaintColumnButton(TCanvas& canvas, const TRect& rect, int absoluteColumn) {
    PaintButtonPicture(canvas, rect, -1, absoluteColumn);
  }
  virtual void DrawBottomPanel(TCanvas& canvas, const TRect& rect);
  virtual void DrawCellText(TCanvas& canvas, const TdxCellPaintInfo& cell);
  virtual void DrawCell(TCanvas& canvas, const TdxCellPaintInfo& cell);
  // Draws the cell record through the column's editor look; base: the
  // record's text in its colours.
  virtual void DrawCellByEditor(TCanvas& canvas, TdxTreeListColumn* column, const TRect& rect,
                                TdxTreeListCellViewData& viewData);
  virtual void DrawPreview(TCanvas& canvas, const TRect& rect, bool selected, TColor textColor, TColor color,
                           TdxTreeListNode* node);
  // Around the drawing of anything that belongs to a node (after also on
  // failure).
  virtual void BeforeDrawNode(TdxTreeListNode* node) {}
  virtual void AfterDrawNode(TdxTreeListNode* node) {}
  // The row's indicator image: 0 none, else its position in the indicator
  // images + 1.
  virtual int GetRowIndicatorKind(const TdxTreeListNode* node) const { return 0; }
  virtual TColor GetGridLineColor() const;
  virtual bool IsCustomDrawBand(int visibleBandIndex) const { return static_cast<bool>(OnCustomDrawBand); }
  virtual bool IsCustomDrawFooter(const TdxTreeListNode* node, int absoluteIndex, int footerIndex) const;
  virtual bool IsLevelColorEventAssigned() const { return static_cast<bool>(OnGetLevelColor); }
  virtual void DoCustomDrawBand(int visibleBandIndex, TCanvas& canvas, const TRect& rect, std::string& text,
                                TColor& color, TFont& font, TAlignment& alignment, bool& done);
  virtual void DoCustomDrawFooter(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, int absoluteIndex,
                                  int footerIndex, std::string& text, TColor& color, TFont& font,
                                  TAlignment& alignment, bool& done);
  virtual void DoCustomDrawPreview(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, bool selected,
                                   std::string& text, TColor& color, TColor& textColor, TFont& font, bool& done);
  virtual void DoGetLevelColor(int level, TColor& color);
  // The colour of a row's group level (OnGetLevelColor, else
  // GroupNodeColor).
  virtual TColor GetLevelColor(const TdxTreeListNode* node, bool selected) const;
  virtual bool IsRowSelected(const TdxTreeListNode* node) const;
  virtual bool IsCellHotTracked(const TdxTreeListNode* node, int absoluteIndex) const;
  // 0 none; else bits: 1 shown, 2 pressed, 4 pointer over it (the drop-down
  // button of a header).
  virtual int GetColumnHeaderButtonState(int absoluteIndex) const { return 0; }
  // The incremental search: its text (empty when none is active) and the
  // absolute column it searches.
  virtual std::string AutoSearchText() const;
  virtual int AutoSearchColumn() const;
  virtual std::string GetFooterText(const TdxTreeListNode* node, int absoluteIndex, int footerIndex) const {
    return {};
  }
  virtual TAlignment GetFooterAlignment(int absoluteIndex) const { return taLeftJustify; }
  virtual std::string GetNewItemRowText(int absoluteIndex) const { return {}; }
  virtual std::string GetPreviewText(const TdxTreeListNode* node) const { return {}; }
  virtual std::string GetBottomPanelText() const { return {}; }
  virtual bool IsBottomPanelShown() const { return false; }
  virtual bool IsBottomPanelButtonShown() const { return false; }
  virtual int GetTopPanelHeight() const { return 0; }
  // The largest height of "Wg" + 3 over the shown columns with their own
  // font; 0 when none has one.
  virtual int GetMinRowHeight(TCanvas& canvas) const;
  // Whether row footers show for this level.
  virtual bool IsLevelFooter(int level) const { return true; }
  virtual bool CanCacheRowHeights() const { return true; }
  // Row auto height: a cell's line count and line height (OnCalcRowLineHeight,
  // else the text measured in the column's font).
  virtual void CalcRowLineHeight(TdxTreeListNode* node, int absoluteIndex, const std::string& text, int width,
                                 int textHeight, int maxLineCount, bool inflate, bool grid, int& lineCount,
                                 int& lineHeight) const;
  // Row auto height for the node: the line count (-1 when no column
  // answers); lineHeight grows to the tallest answer.
  int CalcNodeLineCount(TdxTreeListNode* node, int& lineHeight) const;
  // The pressed band and column (-1: none), kept by the input.
  int PressedBand() const { return FPressedBand; }
  void SetPressedBand(int value) { FPressedBand = value; }
  int PressedColumn() const { return FPressedColumn; }
  void SetPressedColumn(int value) { FPressedColumn = value; }
  virtual std::string GetNodeDragText(TdxTreeListNode* node, int absoluteIndex) const;
  void Loaded() override;

  // --- Node notifications (see tree_list_node_owner.h) ------------------------
  void NodeAdded(TdxTreeListNode* node) override;
  void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next, bool wasLast,
                   bool wasVisible) override;
  // Ignored for a node being freed, under the lock, while destroying or for
  // a hidden node. Repaints the node's row, or with relayout the rows from
  // it down after updating the scroll bars.
  void NodeChanged(TdxTreeListNode* node, bool relayout) override;
  void DoExpanding(TdxTreeListNode* node, bool& allow) override;
  void DoCollapsing(TdxTreeListNode* node, bool& allow) override;
  void DoExpanded(TdxTreeListNode* node) override;
  void DoCollapsed(TdxTreeListNode* node) override;

  // --- Event dispatchers --------------------------------------------------------
  virtual void DoChangeNode(TdxTreeListNode* oldNode, TdxTreeListNode* node);
  virtual void DoChangeColumn(TdxTreeListNode* node, int column);
  virtual void DoChangeLeftCoord();
  virtual void DoChangeTopVisibleNode();
  virtual void DoSelectedCountChange();
  virtual void DoEditing(TdxTreeListNode* node, bool& allow);
  virtual void DoEdited(TdxTreeListNode* node);
  virtual void DoEditChange();
  void DoDeletion(TdxTreeListNode* node);

  // --- Hooks for the layout, painting, scrolling and input ------------------------
  // Neutral here: a tree list without those parts has nothing to measure,
  // scroll or paint.
  // Re-measures; base: drops the caches, tells LayoutRecalculated, updates
  // the scroll bars, rebuilds the visible order and repaints.
  virtual void RecalcMetrics();
  virtual void LayoutRecalculated() {}
  virtual void MetricsChanged() {}
  virtual void UpdateScrollBars();
  // Moves the top row back so the last page stays full, and LeftCoord so no
  // empty space shows right of the bands.
  virtual void CorrectScrollPosition();
  virtual void MakeColumnVisible(int absoluteColumnIndex);
  // The look changed: drawing objects (expand buttons) are made anew.
  virtual void LookAndFeelChanged();
  virtual void LeaveNewItemRow() {}
  virtual void EndAutoSearch();
  virtual void ClearSortedColumns() {}
  virtual void CalcHeaderPanelRowCount() {}
  // A column is about to leave the list (also when it is being freed).
  virtual void ColumnRemoving(TdxTreeListColumn* column) {}
  // Group rows export only their first cell.
  virtual bool IsGroupNode(const TdxTreeListNode* node) const { return false; }
  // Whether the new-item row's cells show the data of a record.
  virtual bool NewItemRowHasData() const { return true; }

  // --- Band and column geometry, from the bands and the column list ----------------
  virtual int GetVisibleBandCount() const;
  // Header rows a visible band uses.
  virtual int GetBandHeaderRowCount(int visibleBandIndex) const;
  virtual int GetHeaderColumnCount(int visibleBandIndex, int rowIndex) const;
  // The absolute index of the column at that place, -1 when none.
  virtual int GetHeaderAbsoluteIndex(int visibleBandIndex, int rowIndex, int position) const;
  virtual std::string GetColumnCaption(int absoluteIndex) const;
  virtual int GetGroupIndent() const { return 0; }
  virtual int GetLeftFixedBandIndex() const;
  virtual int GetRightFixedBandIndex() const;
  virtual std::string GetBandCaption(int visibleBandIndex) const;
  virtual TAlignment GetBandAlignment(int visibleBandIndex) const;
  // Stored widths and minimums, and whether sizing is allowed (the option
  // and the band's or column's own Sizing).
  virtual TdxWidthItem GetBandWidthItem(int visibleBandIndex) const;
  virtual TdxWidthItem GetColumnWidthItem(int absoluteIndex) const;
  virtual int GetColumnHeaderMaxLineCount(int absoluteIndex) const;
  // Header lines per header row.
  virtual int GetHeaderLineCount() const { return 1; }
  // The visible band and header row of a column; false when not placed.
  bool FindColumnPlace(int absoluteIndex, int& visibleBandIndex, int& rowIndex, int& position) const;
  virtual void SetBandWidth(int visibleBandIndex, int width);
  virtual void SetColumnWidth(int absoluteIndex, int width);

  // --- For the classes built on the core ------------------------------------------
  void SetShowFooter(bool value);
  void SetShowIndicator(bool value);
  void SetNodeIndentMode(bool value);
  // The measured row height, not marked as set by hand.
  void SetMeasuredRowHeight(int value) { FDefaultRowHeight = value; }
  void ClearDefaultRowHeightMark() { FDefaultRowHeightAssigned = false; }
  void SetLeftCoordValue(int value) { FLeftCoord = value; }
  // Forgets the cell the in-place editor was set up for.
  void ForgetEditCell();
  void SetEditCell(TdxTreeListNode* node, int column);
  // An update lock came while selecting with the mouse.
  bool UpdatedWhileSelecting() const { return FUpdatedWhileSelecting; }
  void ResetUpdatedWhileSelecting() { FUpdatedWhileSelecting = false; }
  // Row auto height applies: tloRowAutoHeight and MaxRowLineCount not 0.
  bool RowAutoHeight() const { return OptionExOn(tloRowAutoHeight) && FMaxRowLineCount != 0; }
  bool CachesFrozen() const { return FCachesFrozen; }
  // Node references the input keeps; each moves off a node that is freed.
  TdxTreeListNode* FocusedBeforePress() const { return FFocusedBeforePress; }
  void SetFocusedBeforePress(TdxTreeListNode* node) { FFocusedBeforePress = node; }
  TdxTreeListNode* DragNode() const { return FDragNode; }
  void SetDragNode(TdxTreeListNode* node) { FDragNode = node; }
  TdxTreeListNode* HotTrackNode() const { return FHotTrackNode; }
  void SetHotTrackNode(TdxTreeListNode* node) { FHotTrackNode = node; }
  bool ShiftExtending() const { return FShiftExtending; }
  void SetShiftExtending(bool value) { FShiftExtending = value; }
  // Every remembered node reference becomes nil.
  void ResetNodeReferences();

  // --- Input: the framework's handlers and messages ---------------------------------
  void WndProc(TMessage& message) override;
  void KeyDown(TKey& key, TShiftState shift) override;
  // What the tree list does with a key once OnKeyDown has heard it (a
  // subclass that fires OnKeyDown itself goes on here).
  void HandleKey(TKey& key, TShiftState shift);
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void DoExit() override;
  void WMTimer(int id) override;
  void WMVScroll(int code, int pos) override;
  void WMHScroll(int code, int pos) override;
  // The size changed (the platform's WM_SIZE): caches, editor, scroll bars
  // and the scroll position follow.
  void Resize() override;
  // Arrows always; characters while editing is allowed or a search runs
  // (or may start, Alt up); Tab with tloTabs while Ctrl is up.
  unsigned GetDlgCode() const override;
  void FontChanged() override;
  void ColorChanged() override;
  void ParentFontChanged() override;
  // The flat looks draw their own border: ultra-flat a frame in the button
  // shadow colour, flat a sunken outer edge.
  void PaintNonClient(TCanvas& canvas, const TRect& windowRect) override;
  // Scrolling by the bars, the wheel and panning; True here.
  virtual bool IsScrollingAllowed() const { return true; }
  // Keeps both bars when everything fits without them; False here.
  virtual bool KeepScrollBars() const { return false; }
  // Scrolls the rows area by dy pixels (new rows painted).
  void ScrollRows(int dy);

  // --- Hooks the input calls -------------------------------------------------------
  // Neutral here; the column-owning and data-aware controls answer them.
  virtual bool CanDblClick() { return true; }
  // The column's own test of a press in its cell (an editor button drawn
  // there); False here.
  virtual bool CellMouseTest(TdxTreeListNode* node, int absoluteIndex, int x, int y) { return false; }
  // The new-item row of the data-aware tree list.
  virtual void ActivateNewItemRow() {}
  // Focuses a node for the new-item row when none is focused.
  virtual void FocusNewItemRowNode() {}
  // Header-button mode and a header's button state in it: 0 plain, 1
  // pressed (a press enters tsColumnDownInButtonMode), 2 a header a press
  // leaves alone.
  virtual bool IsHeaderButtonMode() const { return false; }
  virtual int GetHeaderButtonModeState(int absoluteIndex) const { return 0; }
  // Whether a cell (base: tloHotTrack) or a header (base: always) may be
  // hot.
  virtual bool CanHotTrackCell(const TdxTreeListNode* node, int absoluteIndex) const {
    return OptionExOn(tloHotTrack);
  }
  virtual bool CanHotTrackHeader(int absoluteIndex) const { return true; }
  // Releases over what was pressed.
  virtual void HeaderButtonModeClick(int absoluteIndex) {}
  virtual void HeaderButtonClick() {}
  virtual void BandButtonClick() {}
  virtual void BottomPanelButtonClick() {}

 private:
  // Change hooks of the property writers, each effect in one place.
  void SetColorRepaint(TColor& field, TColor value);
  void Remeasure(bool& field, bool value);
  void Remeasure(int& field, int value);
  void DrawingFontChanged(TObject* sender);
  void ApplyOptions(const TdxOptionsChange& change);
  void KeepDisplayedWidths();
  // The visible order when it is built, or (with build) rebuilt when it may
  // be (not locked, not clearing); nil when the tree must be walked instead.
  const TdxVisibleOrder* Order(bool build) const;
  void SelectFocusedAgain();
  std::vector<int> VisibleColumnsInOrder() const;
  std::string HeaderLine(const std::vector<int>& columns) const;
  std::string NodeLine(const TdxTreeListNode* node, const std::vector<int>& columns) const;
  void CheckReference(const TdxTreeListNode* node, const char* what) const;

  friend class TdxTreeListColumn;
  friend class TdxTreeListBand;
  // The column list itself; the column keeps its side (SetTreeList).
  void AddColumn(TdxTreeListColumn* column);
  void RemoveColumn(TdxTreeListColumn* column);
  // The visible columns of a band's header row, in list order.
  std::vector<int> RowColumns(int bandIndex, int rowIndex) const;

  // Layout and painting helpers (tree_list_layout.cpp, tree_list_paint.cpp).
  friend class TdxTreeListPainter;
  int MeasureTextHeight(const TFont& font) const;
  std::vector<int> BandDisplayWidthsNow(int& total) const;
  int BandNaturalWidth(int visibleBandIndex) const;
  void PlaceBands(TdxTreeListLayoutInfo& layout) const;
  void PlaceHeaders(TdxTreeListLayoutInfo& layout) const;
  void PlaceRows(TdxTreeListLayoutInfo& layout) const;
  void ImagesChanged(TObject* sender);
  void PaintCellContent(TCanvas& canvas, const TdxCellPaintInfo& cell, bool throughEditor);
  void MakeExpandButtonBitmaps();

  std::unique_ptr<TdxTreeListBands> FBands;
  TdxTreeListMetrics FMetrics;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  std::unique_ptr<TChangeLink> FStateImageChangeLink;
  std::unique_ptr<TdxTreeListCellViewData> FCellViewData;
  std::unique_ptr<TBitmap> FPlusBitmap;
  std::unique_ptr<TBitmap> FMinusBitmap;
  // Measures without a window (the platform's screen context).
  mutable std::unique_ptr<TCanvas> FMeasureCanvas;
  int FPressedBand = -1;
  int FPressedColumn = -1;
  // Stamp of the row heights cached in the nodes: ResetRowHeights moves it
  // on instead of visiting every node.
  std::uint32_t FRowHeightStamp = 1;
  // Set while re-measuring drops the caches: the visible order stays.
  bool FKeepVisibleOrder = false;
  std::vector<TdxTreeListColumn*> FColumns;
  std::vector<TdxTreeListColumn*> FSortedColumns;
  int FHeaderPanelRowCount = 1;
  bool FDefaultLayout = true;

  TdxTreeListOptions FOptions;
  TdxTreeListOptionsEx FOptionsEx;
  TdxLookAndFeel FLookAndFeel = lfStandard;
  TScrollStyle FScrollBars = ssBoth;

  TColor FArrowsColor = clLime;
  TColor FBandColor = clBtnFace;
  TColor FHeaderColor = clBtnFace;
  TColor FGroupNodeColor = clBtnFace;
  TColor FGroupNodeTextColor = clNone;
  TColor FGridLineColor = clNone;
  TColor FAutoSearchColor = clNone;
  TColor FAutoSearchTextColor = clNone;
  TColor FHighlightColor = clHighlight;
  TColor FHighlightTextColor = clHighlightText;
  TColor FHideSelectionColor = clBtnFace;
  TColor FHideSelectionTextColor = clBtnText;
  TColor FFixedBandLineColor = clWindowFrame;
  TColor FRowFooterColor = cl3DLight;
  TColor FRowFooterTextColor = clWindowText;
  TFont FBandFont;
  TFont FHeaderFont;
  TFont FPreviewFont;

  bool FShowBands = false;
  bool FShowHeader = true;
  bool FShowGrid = false;
  bool FShowPreviewGrid = true;
  bool FShowNewItemRow = false;
  bool FShowRowFooter = false;
  bool FHideFocusRect = true;
  bool FHideSelection = true;
  bool FDblClkExpanding = true;
  bool FAutoExpandOnSearch = true;
  bool FShowFooter = false;
  bool FShowIndicator = false;
  bool FNodeIndentMode = false;
  int FIndentDesc = 20;
  int FPreviewLines = 2;
  int FMaxRowLineCount = -1;
  int FCustomizingRowCount = 11;
  int FFixedBandLineWidth = 2;
  int FRowSeparatorLineWidth = 1;
  int FDefaultRowHeight = 18;
  bool FDefaultRowHeightAssigned = false;
  int FGrIndicatorWidth = MinIndicatorWidth;
  unsigned FWaitForExpandNodeTime = 500;
  int FLeftCoord = 0;

  mutable TdxVisibleOrder FVisibleOrder;
  bool FCachesFrozen = false;
  TdxTreeListState FState = tsNone;
  bool FUpdatedWhileSelecting = false;
  TdxTreeListNode* FEditNode = nullptr;
  int FEditColumn = -1;
  int FFocusedColumn = 0;
  mutable int FFocusedColumnAbsolute = -2;  // -2: not cached

  int FSelectionChangeDepth = 0;
  int FSelectedCountAtOpen = 0;
  TdxTreeListNode* FSelectionAnchor = nullptr;
  TdxTreeListNode* FRangeFirst = nullptr;
  bool FShiftExtending = false;
  TdxTreeListNode* FFocusedBeforePress = nullptr;
  TdxTreeListNode* FDragNode = nullptr;
  TdxTreeListNode* FHotTrackNode = nullptr;

  // --- Sizing, moving, sorting and dragging (see the public block) -----------------
 protected:
  // Node dragging through the framework's drag manager.
  void DoStartDrag(TDragObject*& dragObject) override;
  void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
  void DragDrop(TObject* source, int x, int y) override;
  void DoEndDrag(TObject* target, int x, int y) override;
  TDragImageList* GetDragImages() override;
  // Node drags start from the selecting state, never from a press alone.
  void BeginAutoDrag() override {}
  // The drag image of a node: its cell in the focused column.
  virtual void MakeNodeDragImage(TdxTreeListNode* node);
  // TreeListDragExpandTimer: the node under a drag expands (or toggles)
  // after resting.
  void DragExpandTimer();
  // The drop arrows follow a drop place that automatic scrolling moved.
  void UpdateDragFeedback();
  // The pressed header of header-button mode is drawn down while the
  // pointer stays over it.
  void SetPressedItemDown(bool value);

 private:
  struct TdxLayoutInteractionDeleter {
    void operator()(TdxLayoutInteraction* interaction) const noexcept;
  };
  TdxLayoutInteraction& Interaction() const;
  void StartSizing(TdxTreeListState state, const TdxTreeListHitInfo& hit);
  void MoveSizingLine(int x, int y);
  void EndSizing(int x, int y);
  void ShowSizingLine(int pos);
  void HideSizingLine();
  void StartBandDrag(int x, int y);
  void StartHeaderDrag(int x, int y);
  void DragHeaderMove(int x, int y);
  void EndBandDrag(bool accept, TPoint p);
  void EndHeaderDrag(bool accept, TPoint p);
  void EndHeaderFeedback();
  void PlaceDropArrows(TPoint p);
  void ShowDropArrows(const TRect& rect);
  void HideDropArrows();
  void ApplyBandSizing(int visibleBandIndex, int delta);
  void ApplyColumnSizing(int absoluteIndex, int delta);
  void ApplyRowSizing(int linePos);
  int BandDropPlace(TPoint p, TRect* arrows) const;
  void HeaderDropPlace(TPoint p, TdxHeaderPosInfo& info, TRect* arrows) const;
  // Draws a lone band (visibleBand) or header (absoluteColumn) button as a
  // drag picture (tree_list_paint.cpp).
  void PaintButtonPicture(TCanvas& canvas, const TRect& rect, int visibleBand, int absoluteColumn);
  // Forgets the nodes the interactions remember (a node is being freed).
  void ForgetInteractionNodes();

  mutable std::unique_ptr<TdxLayoutInteraction, TdxLayoutInteractionDeleter> FInteraction;
  bool FMultiSortClick = false;
  bool FClearSortClick = false;
  bool FHeaderSortClick = false;
  TdxTreeListNode* FDragOverNode = nullptr;
  TdxTreeListNode* FExpandNode = nullptr;
  TdxTreeListNode* FSizingNode = nullptr;
  // --- Input (tree_list_keys.cpp, tree_list_mouse.cpp) -------------------------------
  struct TPanningRun;
  void MoveFocusByRow(int direction, TShiftState shift);
  void MoveFocusByPage(int direction);
  bool MoveThroughHeaderRows(int direction);
  void MoveToTabStop(bool backwards, bool keepRow);
  void KeyDownWithCtrl(TKey key);
  bool SearchKeyDown(TKey key, TShiftState shift);
  void KeyDownPlain(TKey& key, TShiftState shift);
  void ExtendFromAnchor(TShiftState shift, TdxTreeListNode* before);
  void PressNodeArea(TMouseButton button, TShiftState shift, int x, int y, bool hadFocus);
  void PressHeaderArea(TShiftState shift);
  void TrackPressed(const TdxTreeListHitInfo& hit);
  void SelectWhileMoving(const TdxTreeListHitInfo& hit, int y);
  void InvalidateHeader(int absoluteIndex);
  void InvalidateBand(int visibleBandIndex);
  void DoHotTrackNode(const TdxTreeListHitInfo& hit);
  bool SetCursorForState(TMessage& message);
  void InvalidateNewItemRow();
  void WMSetFocusFrom(TControl* previous);
  void WMKillFocusTo();
  bool IsOwnEditor(const TControl* control) const;
  // --- Scrolling (tree_list_scroll.cpp, tree_list_panning.cpp) -------------------------
  int MaxTopIndex() const;
  int MaxLeftCoord() const;
  void UpdateVertScrollBar();
  void UpdateHorzScrollBar();
  void RemoveScrollBarsWhenAllFits();
  void SelectScrollTick();
  void HorzScrollTick();
  void VertScrollTick();
  bool PanningMessage(TMessage& message);
  void PanningTick();

  TdxTreeListHitInfo FDownHitInfo;
  int FPressedButtonModeColumn = -1;
  bool FPressedButtonOver = false;  // band, header or bottom-panel button
  bool FSelectionChangedAtPress = false;
  bool FPressedWasSelected = false;
  bool FPressOnNewItemRow = false;
  TShiftState FCharShift;
  TPoint FHitTestPoint;  // screen point of the last WM_NCHITTEST
  int FHotColumn = -1;
  int FHotHeaderColumn = -1;
  int FHotHeaderState = 0;
  bool FBottomButtonHot = false;
  bool FSearching = false;
  std::string FSearchText;
  int FSearchColumn = -1;
  int FSearchStepDepth = 0;
  int FRowsInView = 1;
  int FFullRowsInView = 1;
  // Nested scroll-bar updates (a bar shown or hidden resizes the client);
  // the outermost one runs again when an inner one was asked for.
  int FScrollBarDepth = 0;
  bool FScrollBarsAgain = false;
  // Auto-scroll directions, -1 left / up, +1 right / down, one per timer.
  int FSelectScrollDirection = 0;
  int FHorzScrollDirection = 0;
  int FVertScrollDirection = 0;
  // The panning loop running now (it lives on RunPanningMode's stack).
  TPanningRun* FPanning = nullptr;
  // In-place editing and hints.
  void EditorRemoved(TComponent* component);
  // The column at index leaves the list: an edit of its cell ends without
  // storing (its cells go), and the editor keeps no handler of it.
  void ColumnLeavesEditor(TdxTreeListColumn* column, int index);
  void PlaceEditor(bool show);
  TdxInplaceEdit* FInplaceEditor = nullptr;
  TdxInplaceEdit* FDefaultEditor = nullptr;
  bool FHidingEditor = false;
  bool FLosingFocus = false;
  std::unique_ptr<TdxContainerHintWindow> FHintWindow;
  // What the hint is (to be) shown for: 0 none, 1 the bottom-panel button,
  // 2 a cell.
  int FHintKind = 0;
  TdxTreeListNode* FHintNode = nullptr;
  int FHintColumn = -1;
  bool FShowCellHints = true;
};

// The tree list's window timers, one per purpose, each belonging to the
// control that started it.
inline constexpr int TreeListSelectScrollTimer = 1;  // selecting above or below the rows (60 ms)
inline constexpr int TreeListEditTimer = 2;          // the delayed start of the editor
inline constexpr int TreeListHorzScrollTimer = 3;    // dragging near the left or right border (100 ms)
inline constexpr int TreeListVertScrollTimer = 4;    // dragging a node over the top or last row (100 ms)
inline constexpr int TreeListDragExpandTimer = 101;  // a node drag resting on an expand button
inline constexpr int TreeListHintShowTimer = 110;    // the pointer rests on a hint's place (1000 ms)
inline constexpr int TreeListHintHideTimer = 111;    // a shown hint goes (5000 ms)

// Holds a tree list's selection-change bracket for a scope.
class TdxSelectionChangeScope {
 public:
  explicit TdxSelectionChangeScope(TCustomdxTreeList& treeList);
  TdxSelectionChangeScope(const TdxSelectionChangeScope&) = delete;
  TdxSelectionChangeScope& operator=(const TdxSelectionChangeScope&) = delete;
  // A scope left by an exception closes quietly: that error is the one to
  // report.
  ~TdxSelectionChangeScope();
  void Close();

 private:
  TCustomdxTreeList* FTreeList;
};
