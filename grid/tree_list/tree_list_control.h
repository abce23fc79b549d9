#pragma once
// TCustomdxTreeListControl: the tree list that makes and names its columns
// and stores its layout. The core (TCustomdxTreeList) keeps the columns,
// bands, sorted columns and header rows and answers the geometry from them;
// this class adds what only a control that owns columns has: creating
// columns by class with unique generated names, copying a column set from
// another control, text nodes (one text per column and three image
// indexes), the in-place editor cache, the header rows' normalising and
// automatic height, the sort update bracket, the band and header
// operations of customizing, and its events.
//
// Layout storage (tree_list_layout_store.cpp): the control values, the
// bands and the columns go to the registry (a key below HKEY_CURRENT_USER)
// or to an ini file (a section per control), and come back from there; with
// tloStoreToRegistry / tloStoreToIniFile the layout is loaded once when the
// control is loaded and saved once when it goes. Owned like any control by
// its owner component; its columns by the owner given when they were made
// (the control itself or the form).

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "framework/core/base/event.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

class TCustomIniFile;
class TRegIniFile;
class TdxRegIniWrapper;

using TdxTLBandEvent = TEvent<void(TObject* Sender, TdxTreeListBand* Band)>;
using TdxTLColumnEvent = TEvent<void(TObject* Sender, TdxTreeListColumn* Column)>;
using TdxTLCanBandDragEvent = TEvent<void(TObject* Sender, TdxTreeListBand* Band, bool& Allow)>;
using TdxTLCanHeaderDragEvent = TEvent<void(TObject* Sender, TdxTreeListColumn* Column, bool& Allow)>;
using TdxTLDragOverBandEvent = TEvent<void(TObject* Sender, TdxTreeListBand* Band, TPoint P, bool& Accept)>;
using TdxTLDragOverHeaderEvent =
    TEvent<void(TObject* Sender, TdxTreeListColumn* Column, TPoint P, bool& Accept)>;
using TdxTLDragEndBandEvent =
    TEvent<void(TObject* Sender, TdxTreeListBand* Band, int& NewIndex, bool& Accept)>;
using TdxTLDragEndHeaderEvent = TEvent<void(TObject* Sender, TdxTreeListColumn* Column, TPoint P,
                                            TdxHeaderPosInfo& PosInfo, bool& Accept)>;
using TdxTLShowHeaderEvent =
    TEvent<void(TObject* Sender, TdxTreeListColumn* Column, int BandIndex, int RowIndex, int ColIndex)>;
using TdxTLColumnMovedEvent = TEvent<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TdxTLColumnMovedAtEvent = TEvent<void(TObject* Sender, TdxTreeListColumn* Column, TPoint P)>;
using TdxTLIsExistFooterCellEvent = TEvent<void(TObject* Sender, int Index, bool& Exists)>;
using TdxTLCanSortColumnEvent = TEvent<void(TObject* Sender, int ColumnIndex, bool& Allow)>;
using TdxTLGetSortedEvent =
    TEvent<void(TObject* Sender, TdxTreeListColumn* Column, TdxTreeListColumnSort& Sorted)>;
using TdxTLGetImageIndexEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, int& Index)>;

class TCustomdxTreeListControl : public TCustomdxTreeList {
 public:
  explicit TCustomdxTreeListControl(TComponent* owner);
  // Saves the layout first (AutoSaveLayout; a storage error cannot be
  // reported from here and is dropped: call AutoSaveLayout before freeing
  // the control to hear of it), then destroys its columns.
  ~TCustomdxTreeListControl() override;

  // --- Columns ----------------------------------------------------------------------
  // The n-th visible column in column order; nil when none.
  TdxTreeListColumn* VisibleColumns(int index) const;
  // The first column named name, ignoring case; nil when none.
  TdxTreeListColumn* ColumnByName(const std::string& name) const;
  // A new column of the class, owned by owner (the control when nil), named
  // control name + "Column" + n with the first free n from ColumnCount + 1,
  // and added last.
  TdxTreeListColumn* CreateColumn(const TdxTreeListColumnClass& columnClass, TComponent* owner = nullptr);
  template <class T>
  T* CreateColumn(TComponent* owner = nullptr) {
    return static_cast<T*>(CreateColumn(TdxTreeListColumnClass::Of<T>(), owner));
  }
  // Takes every column out of the list, last first, and frees those that
  // have an owner (a column without one belongs to whoever holds it).
  virtual void DestroyColumns();
  // Replaces the columns by copies of source's: same classes, values, places,
  // sort keys and, where the owner has no component of that name yet, names
  // (otherwise the generated one stays). The copies are made before the old
  // columns go: when one cannot be made or copied, the control keeps its
  // columns and the error passes on.
  virtual void AssignColumns(const TCustomdxTreeListControl& source);
  // Columns whose width was never set take their default width again.
  void RestoreDefaultWidths();

  // Visible, in a band, and that band visible.
  bool IsColumnShown(const TdxTreeListColumn* column) const;

  // --- Header and band rows ----------------------------------------------------------
  // Clamped to 1 .. HeaderPanelMaxRowCount. Setting it by hand turns the
  // automatic header panel height off; above 1 it ends the default layout.
  void SetHeaderPanelRowCount(int value) override;
  int HeaderPanelMaxRowCount() const override { return FHeaderPanelMaxRowCount; }
  // Below 1 becomes 1; the row count is clamped again.
  void SetHeaderPanelMaxRowCount(int value);
  int HeaderMinRowCount() const override {
    return std::max(FHeaderMinRowCount, TCustomdxTreeList::HeaderMinRowCount());
  }
  void SetHeaderMinRowCount(int value);
  int BandRowCount() const override { return FBandRowCount; }
  // Clamped to 1 .. BandMaxRowCount.
  void SetBandRowCount(int value) override;
  int BandMaxRowCount() const override { return FBandMaxRowCount; }
  void SetBandMaxRowCount(int value);
  // True: one visible band holds every column in one header row.
  void SetDefaultLayout(bool value) override;
  void SetBands(const TdxTreeListBands& bands) { Bands().Assign(&bands); }
  // Moves every column into the rows its band uses, top rows first, and
  // fits the header panel to them when its height is automatic.
  void NormaliseHeaderRows();
  bool ShowHiddenInCustomizeBox() const { return FShowHiddenInCustomizeBox; }
  void SetShowHiddenInCustomizeBox(bool value) { FShowHiddenInCustomizeBox = value; }

  // --- Sorting ------------------------------------------------------------------------
  // Nested; the outermost end calls SortUpdateEnded.
  void BeginSortUpdate() { ++FSortUpdateCount; }
  void EndSortUpdate();
  bool IsSortUpdating() const { return FSortUpdateCount > 0; }
  bool IsMultiSort() const { return OptionExOn(tloMultiSort); }
  bool IsSortOnClick() const { return OptionOn(tloAutoSort); }
  // True unless the can-sort event refuses.
  virtual bool CanSortColumn(int columnIndex);
  // A header click: the column-click event, then with sort-on-click the
  // column's sort turns (up, down, up...), or ends when clearSorting.
  void ColumnClick(TdxTreeListColumn* column, bool clearSorting) override;
  virtual void ColumnSortClick(TdxTreeListColumn* column, bool clearSorting);
  // The column's sort as shown: its Sorted, through the sorted-state event.
  TdxTreeListColumnSort GetColumnSorted(int absoluteIndex);
  // The sorted columns again: every sorted column joins the list, which is
  // then ordered by the positions a stored layout gave (StoredSortedOrder).
  void RebuildSortedColumns();
  // A header click without the multi-sort flag sorts by its column alone:
  // the other sorted columns are dropped first.
  void BeforeColumnSort(TdxTreeListColumn* column) override;

  // --- Sizing (tree_list_control_sizing.cpp) -----------------------------------------------
  // The default layout's one band always follows its columns.
  bool IsColumnAutoWidth() const override {
    return DefaultLayout() || TCustomdxTreeList::IsColumnAutoWidth();
  }
  // Each sizable column (nil: every column, in one update) takes the width
  // its widest cell text and its caption need.
  virtual void ApplyBestFit(TdxTreeListColumn* column);
  // The columns of the band / the column, then OnChangedColumnsWidth.
  void ApplyBandBestFit(int visibleBandIndex) override;
  void ApplyColumnBestFit(int absoluteIndex) override;

  // --- Bands and headers while customizing ----------------------------------------------
  bool CanDragBand(TdxTreeListBand* band) override;
  bool CanHideBand(const TdxTreeListBand* band) const override;
  // From one visible position to another.
  void MoveBand(int fromVisibleIndex, int toVisibleIndex) override;
  void HideBand(TdxTreeListBand* band) override;
  // Visible again, before the band now at that visible position (last
  // when there is none).
  void ShowBandAt(TdxTreeListBand* band, int visibleIndex) override;
  bool CanDragHeader(TdxTreeListColumn* column) override;
  // Band, row and position at once, then OnHeaderMoved.
  void MoveHeader(TdxTreeListColumn* column, int bandIndex, int rowIndex, int colIndex) override;
  void HideHeader(TdxTreeListColumn* column) override;
  void ShowHeaderAt(TdxTreeListColumn* column, int bandIndex, int rowIndex, int colIndex) override;

  // --- Text nodes -----------------------------------------------------------------------
  std::unique_ptr<TdxTreeListNode> CreateNode() override;
  // The node's indexes, each through its event.
  int GetImageIndex(const TdxTreeListNode* node) const override;
  int GetSelectedIndex(const TdxTreeListNode* node) const override;
  int GetStateIndex(const TdxTreeListNode* node) const override;
  // Empty beyond the node's texts.
  std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const override;
  Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const override;
  // The node's texts grow with empty ones up to the column.
  void SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) override;
  void SetCellValue(TdxTreeListNode* node, int columnIndex, const Variant& value);
  // Each repaints the row when the index changes.
  void SetNodeImageIndex(TdxTreeListNode* node, int index);
  void SetNodeSelectedIndex(TdxTreeListNode* node, int index);
  void SetNodeStateIndex(TdxTreeListNode* node, int index);

  // --- In-place editors -------------------------------------------------------------------
  // The editor of the column's editor class, made (owned by the control)
  // the first time and kept for every column of that class.
  TdxInplaceEdit* GetEditorObject(const TdxTreeListColumn& column);
  // The kept editor for the focused column's class; nil when none.
  TdxInplaceEdit* FindEditorObject() const override;
  int EditorCacheCount() const { return static_cast<int>(FEditors.size()); }
  // The editor of the focused column's class (nil without a focused column).
  TdxInplaceEdit* GetEditorObject() override;
  // The focused column sets the editor up, loads the cell into it and takes
  // its value back; a column with DisableEditor refuses editing.
  void InitEditor(TdxInplaceEdit& editor) override;
  void InitEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor, Variant& value) override;
  void SaveEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor, Variant& value) override;
  void DoEditing(TdxTreeListNode* node, bool& allow) override;

  // --- Layout storage (tree_list_layout_store.cpp) --------------------------------------------
  // From a key below HKEY_CURRENT_USER; nothing when the key is missing.
  void LoadLayoutFromRegistry(const std::string& key);
  // One write of the store for the whole layout.
  void SaveLayoutToRegistry(const std::string& key);
  // From the ini file's section IniSectionName, or "\" + form name + "_" +
  // Name when that is empty.
  void LoadLayoutFromIniFile(const std::string& fileName);
  // Replaces the section and its subsections ("section\...") of that name;
  // one write of the file.
  void SaveLayoutToIniFile(const std::string& fileName);
  // The layout below base (a key path, or a section name). Storage errors
  // pass on; the update lock taken for loading is released in every case.
  void LoadLayout(TRegIniFile& registry, const std::string& base);
  void LoadLayout(TCustomIniFile& iniFile, const std::string& base);
  void SaveLayout(TRegIniFile& registry, const std::string& base);
  void SaveLayout(TCustomIniFile& iniFile, const std::string& base);
  // Once per control: with tloStoreToRegistry (and a RegistryPath) from the
  // registry, then with tloStoreToIniFile (and an IniFileName) from the ini
  // file. Not while designing.
  void AutoLoadLayout();
  // Once per control, the same way to both stores; both are tried, the
  // first error passes on. Nothing from a control read from a form that was
  // never finished (and whose layout was never loaded): its values are the
  // half-built ones, not the user's.
  void AutoSaveLayout();
  // "\Base" without trailing "\"; empty stays empty.
  static std::string NormaliseLayoutBase(const std::string& base);
  // The ini section the layout goes to.
  std::string IniLayoutSection() const;

  const std::string& IniFileName() const { return FIniFileName; }
  void SetIniFileName(const std::string& value) { FIniFileName = value; }
  const std::string& IniSectionName() const { return FIniSectionName; }
  void SetIniSectionName(const std::string& value) { FIniSectionName = value; }
  const std::string& RegistryPath() const { return FRegistryPath; }
  void SetRegistryPath(const std::string& value) { FRegistryPath = value; }
  // The parent form's name: the form's now, or the one remembered when the
  // control last got a parent on a form.
  std::string ParentFormName() const;

  // --- Events -----------------------------------------------------------------------------
  TNotifyEvent OnBandButtonClick;
  TdxTLBandEvent OnBandClick;
  TdxTLCanBandDragEvent OnCanBandDragging;
  TdxTLCanHeaderDragEvent OnCanHeaderDragging;
  TNotifyEvent OnChangedColumnsWidth;
  TdxTLColumnMovedEvent OnColumnMoved;
  TdxTLDragEndBandEvent OnDragEndBand;
  TdxTLDragEndHeaderEvent OnDragEndHeader;
  TdxTLDragOverBandEvent OnDragOverBand;
  TdxTLDragOverHeaderEvent OnDragOverHeader;
  TdxTLColumnEvent OnHeaderButtonClick;
  TdxTLColumnEvent OnHeaderMoved;
  TdxTLBandEvent OnHideBand;
  TdxTLColumnEvent OnHideHeader;
  TdxTLIsExistFooterCellEvent OnIsExistFooterCell;
  TdxTLBandEvent OnShowBand;
  TdxTLShowHeaderEvent OnShowHeader;
  TdxTLBandEvent OnStartBandDragging;
  TdxTLColumnEvent OnStartHeaderDragging;
  // Not published: for the classes and programs built on the control.
  TdxTLColumnEvent OnColumnClick;
  TdxTLCanSortColumnEvent OnCanSortColumn;
  TdxTLGetSortedEvent OnGetColumnSorted;
  TdxTLColumnMovedAtEvent OnColumnMovedAt;
  TdxTLGetImageIndexEvent OnGetImageIndex;
  TdxTLGetImageIndexEvent OnGetSelectedIndex;
  TdxTLGetImageIndexEvent OnGetStateIndex;
  // Fired before OnCustomDrawCell; done here skips the rest.
  TdxTLCustomDrawCell OnBeforeCustomDrawCell;

  // Dispatchers of the drag and click events, for the mouse handling.
  void DoBandButtonClick();
  void DoBandClick(TdxTreeListBand* band) override;
  void DoHeaderButtonClick(TdxTreeListColumn* column);
  void DoChangedColumnsWidth() override;
  void DoDragOverBand(TdxTreeListBand* band, TPoint p, bool& accept) override;
  void DoDragOverHeader(TdxTreeListColumn* column, TPoint p, bool& accept) override;
  void DoDragEndBand(TdxTreeListBand* band, int& newIndex, bool& accept) override;
  void DoDragEndHeader(TdxTreeListColumn* column, TPoint p, TdxHeaderPosInfo& posInfo, bool& accept) override;
  // After a dragged header moved: with one visible band, OnColumnMoved and
  // the column-moved event with the drop point.
  void DoColumnMoved(TdxTreeListColumn* column, int fromIndex, TPoint p) override;
  void DoStartBandDragging(TdxTreeListBand* band) override;
  void DoStartHeaderDragging(TdxTreeListColumn* column) override;
  // OnIsExistFooterCell; false without a handler.
  bool IsExistFooterCell(int index);

  void DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, TdxTreeListColumn* column,
                        bool selected, bool focused, bool newItemRow, std::string& text, TColor& color,
                        TFont& font, TAlignment& alignment, bool& done) override;
  bool IsCustomDrawCell(const TdxTreeListNode* node, const TdxTreeListColumn* column) const override;

  void ColumnsChanged(TdxTreeListColumn* column) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Loaded() override;
  void ParentChanged() override;
  void CalcHeaderPanelRowCount() override;
  void ClearSortedColumns() override;
  void ColumnRemoving(TdxTreeListColumn* column) override;

  // --- Layout hooks (the data-aware grid adds its values after these) --------------------------
  virtual void BeginLayoutLoad();
  virtual void EndLayoutLoad();
  virtual void SaveControlLayout(TdxRegIniWrapper& store, const std::string& base);
  virtual void LoadControlLayout(TdxRegIniWrapper& store, const std::string& base);
  virtual void SaveColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                const std::string& section);
  virtual void LoadColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                const std::string& section);
  // Switches the automatic header panel height off.
  virtual void ClearAutoHeaderPanelHeight();
  virtual void BandRowCountChanged();
  virtual void HeaderRowsChanged() { LayoutChanged(); }
  virtual void SortUpdateEnded() {}

  // Reading positions: header-row normalising waits until the stored rows
  // are all in.
  bool IsLoadingColumnPositions() const { return FLayoutLoadDepth > 0; }

 private:
  class TLayoutLoadScope;
  class TColumnPositionScope;

  bool IsDesigning() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  // Whether a save at destruction would store the user's layout.
  bool CanAutoSave() const { return !FCreatedLoading || FLoadedFinished || FLayoutLoaded; }
  void AutoSaveLayoutQuietly() noexcept;
  void LoadLayoutFrom(TdxRegIniWrapper& store, const std::string& base);
  void SaveLayoutTo(TdxRegIniWrapper& store, const std::string& base);
  void LoadBandLayouts(TdxRegIniWrapper& store, const std::string& base);
  void LoadColumnPositions(TdxRegIniWrapper& store, const std::string& base);
  void ResetToDefaultLayout();
  std::string NextColumnName(const TComponent* owner, int first) const;
  // The sender of the node events, which the const queries fire.
  TObject* Self() const { return const_cast<TCustomdxTreeListControl*>(this); }
  static TdxTreeListTextNode* TextNode(TdxTreeListNode* node);
  static const TdxTreeListTextNode* TextNode(const TdxTreeListNode* node);

  int FBandRowCount = 1;
  int FBandMaxRowCount = 5;
  int FHeaderMinRowCount = 1;
  int FHeaderPanelMaxRowCount = 5;
  bool FShowHiddenInCustomizeBox = false;
  std::string FIniFileName;
  std::string FIniSectionName;
  std::string FRegistryPath;
  std::string FParentFormName;
  std::vector<std::pair<std::type_index, TdxInplaceEdit*>> FEditors;

  bool FAutoLoaded = false;
  bool FAutoSaved = false;
  // Made inside a form being read; Loaded finished; a layout was loaded.
  bool FCreatedLoading = false;
  bool FLoadedFinished = false;
  bool FLayoutLoaded = false;
  int FSortUpdateCount = 0;
  int FLayoutLoadDepth = 0;
  bool FAutoHeaderGuard = false;
  bool FNormalising = false;
};
