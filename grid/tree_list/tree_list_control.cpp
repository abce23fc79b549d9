#include "grid/tree_list/tree_list_control.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"
#include "framework/gui/standard/forms.h"
#include "grid/tree_list/tree_list_bands.h"

TCustomdxTreeListControl::TCustomdxTreeListControl(TComponent* owner)
    : TCustomdxTreeList(owner), FCreatedLoading(IsLoading()) {}

TCustomdxTreeListControl::~TCustomdxTreeListControl() {
  AutoSaveLayoutQuietly();
  // From here on nothing re-lays out or saves again.
  Destroying();
  try {
    ClearNodes();
    DestroyColumns();
  } catch (...) {
    // A deletion or change handler raised; the core frees the nodes and
    // lets go of the columns still listed.
  }
  FEditors.clear();
}

void TCustomdxTreeListControl::Loaded() {
  {
    TdxTreeListUpdateLock lock(*this);
    TCustomdxTreeList::Loaded();
    NormaliseHeaderRows();
    RebuildSortedColumns();
    lock.Close();
  }
  AutoLoadLayout();
  FLoadedFinished = true;
}

// The form's name is asked for while the control has one; a control taken
// down with its form no longer reaches it and uses the remembered name.
void TCustomdxTreeListControl::ParentChanged() {
  TCustomdxTreeList::ParentChanged();
  if (Parent() == nullptr) return;
  if (const TForm* form = GetParentForm(this)) FParentFormName = form->Name();
}

std::string TCustomdxTreeListControl::ParentFormName() const {
  if (!IsDestroying() && Parent() != nullptr)
    if (const TForm* form = GetParentForm(this)) return form->Name();
  return FParentFormName;
}

void TCustomdxTreeListControl::Notification(TComponent* component, TOperation operation) {
  TCustomdxTreeList::Notification(component, operation);
  if (operation == opRemove)
    std::erase_if(FEditors, [component](const auto& entry) {
      return static_cast<TComponent*>(entry.second) == component;
    });
}

// --- Columns ---------------------------------------------------------------------------

TdxTreeListColumn* TCustomdxTreeListControl::VisibleColumns(int index) const {
  if (index < 0) return nullptr;
  for (int i = 0; i < ColumnCount(); ++i)
    if (Columns(i)->Visible() && index-- == 0) return Columns(i);
  return nullptr;
}

TdxTreeListColumn* TCustomdxTreeListControl::ColumnByName(const std::string& name) const {
  for (int i = 0; i < ColumnCount(); ++i)
    if (SameText(Columns(i)->Name(), name)) return Columns(i);
  return nullptr;
}

std::string TCustomdxTreeListControl::NextColumnName(const TComponent* owner, int first) const {
  for (int n = first;; ++n) {
    std::string name = Name() + "Column" + std::to_string(n);
    if (owner == nullptr || owner->FindComponent(name) == nullptr) return name;
  }
}

TdxTreeListColumn* TCustomdxTreeListControl::CreateColumn(const TdxTreeListColumnClass& columnClass,
                                                          TComponent* owner) {
  if (owner == nullptr) owner = this;
  TdxTreeListColumn* column = columnClass.Create(owner);
  try {
    column->SetName(NextColumnName(owner, ColumnCount() + 1));
    column->SetTreeList(this);
  } catch (...) {
    column->Free();
    throw;
  }
  return column;
}

void TCustomdxTreeListControl::DestroyColumns() {
  while (ColumnCount() > 0) {
    TdxTreeListColumn* column = Columns(ColumnCount() - 1);
    column->SetTreeList(nullptr);
    if (column->Owner() != nullptr) column->Free();
  }
}

namespace {

// Columns made for a copy that are not the control's yet; they go again
// unless the copy is kept.
class TColumnDraft {
 public:
  TColumnDraft() = default;
  TColumnDraft(const TColumnDraft&) = delete;
  TColumnDraft& operator=(const TColumnDraft&) = delete;
  ~TColumnDraft() {
    for (auto it = FColumns.rbegin(); it != FColumns.rend(); ++it) (*it)->Free();
  }
  void Add(TdxTreeListColumn* column) { FColumns.push_back(column); }
  std::vector<TdxTreeListColumn*> Keep() { return std::exchange(FColumns, {}); }

 private:
  std::vector<TdxTreeListColumn*> FColumns;
};

}  // namespace

void TCustomdxTreeListControl::AssignColumns(const TCustomdxTreeListControl& source) {
  if (&source == this) return;
  TComponent* owner = ColumnCount() > 0 && Columns(0)->Owner() != nullptr ? Columns(0)->Owner() : this;
  // Everything that can fail happens to the copies, before the control's
  // columns are touched: a failure leaves the old set whole.
  TColumnDraft draft;
  for (int i = 0; i < source.ColumnCount(); ++i) {
    const TdxTreeListColumn* from = source.Columns(i);
    const TdxTreeListColumnClass columnClass = from->ClassType();
    if (columnClass.Type() != std::type_index(typeid(*from)))
      throw EInvalidOperation("Column " + from->Name() + " does not name its own class");
    TdxTreeListColumn* column = columnClass.Create(owner);
    draft.Add(column);
    column->Assign(from);
    column->SetStoredSortedOrder(from->SortedOrder());
  }
  TdxTreeListUpdateLock lock(*this);
  DestroyColumns();
  const std::vector<TdxTreeListColumn*> columns = draft.Keep();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TdxTreeListColumn* column = columns[i];
    column->SetName(NextColumnName(owner, static_cast<int>(i) + 1));
    // The source's name where the owner has no component of that name (a
    // copy among the source's columns on one form keeps the generated one).
    const std::string& wanted = source.Columns(static_cast<int>(i))->Name();
    if (!wanted.empty() && owner->FindComponent(wanted) == nullptr) column->SetName(wanted);
    column->SetTreeList(this);
    // The copy's band was clamped to no band count while it had no control.
    column->SetBandIndex(column->BandIndex());
  }
  RebuildSortedColumns();
  lock.Close();
}

void TCustomdxTreeListControl::RestoreDefaultWidths() {
  TdxTreeListUpdateLock lock(*this);
  for (int i = 0; i < ColumnCount(); ++i)
    if (!Columns(i)->IsAssigned(cavWidth)) Columns(i)->Changed(false);
  lock.Close();
}

bool TCustomdxTreeListControl::IsColumnShown(const TdxTreeListColumn* column) const {
  if (column == nullptr || !column->Visible()) return false;
  const int band = column->BandIndex();
  return band >= 0 && band < Bands().Count() && Bands().Items(band)->Visible();
}

void TCustomdxTreeListControl::ColumnsChanged(TdxTreeListColumn* column) {
  if (IsDestroying() || IsLoading()) return;
  if (!IsLoadingColumnPositions()) NormaliseHeaderRows();
  TCustomdxTreeList::ColumnsChanged(column);
}

void TCustomdxTreeListControl::ColumnRemoving(TdxTreeListColumn* column) {
  // The form frees its components last first, so columns made after the
  // control leave it before its own destructor runs: the layout is saved
  // while the first of them is still listed.
  if (IsDestroying()) AutoSaveLayoutQuietly();
  TCustomdxTreeList::ColumnRemoving(column);
}

// --- Header and band rows -----------------------------------------------------------------

void TCustomdxTreeListControl::SetHeaderPanelRowCount(int value) {
  value = std::clamp(value, 1, FHeaderPanelMaxRowCount);
  if (value == HeaderPanelRowCount()) return;
  if (!FAutoHeaderGuard) ClearAutoHeaderPanelHeight();
  if (value > 1) SetDefaultLayout(false);
  // The core stores it and reports the columns changed: the rows are
  // normalised and the control re-measures.
  TCustomdxTreeList::SetHeaderPanelRowCount(value);
  if (IsLoading()) NormaliseHeaderRows();
}

void TCustomdxTreeListControl::SetHeaderPanelMaxRowCount(int value) {
  FHeaderPanelMaxRowCount = std::max(value, 1);
  SetHeaderPanelRowCount(HeaderPanelRowCount());
}

void TCustomdxTreeListControl::SetHeaderMinRowCount(int value) {
  value = std::max(value, 1);
  if (value == FHeaderMinRowCount) return;
  FHeaderMinRowCount = value;
  HeaderRowsChanged();
}

void TCustomdxTreeListControl::SetBandRowCount(int value) {
  value = std::clamp(value, 1, FBandMaxRowCount);
  if (value == FBandRowCount) return;
  FBandRowCount = value;
  BandRowCountChanged();
}

void TCustomdxTreeListControl::SetBandMaxRowCount(int value) {
  FBandMaxRowCount = std::max(value, 1);
  SetBandRowCount(FBandRowCount);
}

void TCustomdxTreeListControl::BandRowCountChanged() {
  if (OptionExOn(tloAutoHeaderPanelHeight)) {
    TdxTreeListUpdateLock lock(*this);
    CalcHeaderPanelRowCount();
    lock.Close();
  } else {
    LayoutChanged();
  }
}

void TCustomdxTreeListControl::ClearAutoHeaderPanelHeight() {
  if (OptionExOn(tloAutoHeaderPanelHeight))
    SetOptionsEx(OptionsEx() & ~(std::uint32_t{1} << tloAutoHeaderPanelHeight));
}

void TCustomdxTreeListControl::CalcHeaderPanelRowCount() {
  int rows = 0;
  bool shown = false;
  for (int i = 0; i < ColumnCount(); ++i)
    if (IsColumnShown(Columns(i))) {
      shown = true;
      rows = std::max(rows, Columns(i)->StoredRowIndex() + 1);
    }
  if (!shown) return;
  const bool guard = std::exchange(FAutoHeaderGuard, true);
  try {
    SetHeaderPanelRowCount(rows);
  } catch (...) {
    FAutoHeaderGuard = guard;
    throw;
  }
  FAutoHeaderGuard = guard;
}

void TCustomdxTreeListControl::NormaliseHeaderRows() {
  if (FNormalising) return;
  const bool outer = !std::exchange(FNormalising, true);
  struct TReset {
    bool& Flag;
    bool Outer;
    ~TReset() {
      if (Outer) Flag = false;
    }
  } reset{FNormalising, outer};
  const int rows = HeaderPanelRowCount();
  const int bands = Bands().Count();
  auto columnsOf = [this](int band, bool visibleOnly) {
    std::vector<TdxTreeListColumn*> result;
    for (int i = 0; i < ColumnCount(); ++i) {
      TdxTreeListColumn* column = Columns(i);
      if (column->BandIndex() == band && (!visibleOnly || column->Visible())) result.push_back(column);
    }
    return result;
  };
  // Empty rows of a visible band close up: the visible columns below an
  // empty row move one row up, from the bottom row to the top one.
  for (int band = 0; band < bands; ++band) {
    if (!Bands().Items(band)->Visible()) continue;
    const std::vector<TdxTreeListColumn*> visible = columnsOf(band, true);
    int used = 0;
    for (const TdxTreeListColumn* column : visible) used = std::max(used, column->RowIndex() + 1);
    for (int row = used - 1; row >= 0; --row) {
      const bool empty = std::none_of(visible.begin(), visible.end(),
                                      [row](const TdxTreeListColumn* c) { return c->RowIndex() == row; });
      if (!empty) continue;
      for (TdxTreeListColumn* column : visible)
        if (column->RowIndex() > row) column->PlaceInRow(column->RowIndex() - 1);
    }
  }
  // A column below the rows its band's visible columns use (a hidden one,
  // or one of a hidden band) moves up to the last of them.
  for (int band = 0; band < bands; ++band) {
    std::set<int> usedRows;
    for (const TdxTreeListColumn* column : columnsOf(band, true))
      if (column->RowIndex() < rows) usedRows.insert(column->RowIndex());
    const int count = static_cast<int>(usedRows.size());
    const int last = count > 0 ? count - 1 : 0;
    for (TdxTreeListColumn* column : columnsOf(band, false))
      if (column->RowIndex() >= count && column->RowIndex() != last) column->PlaceInRow(last);
  }
  if (OptionExOn(tloAutoHeaderPanelHeight) && !FAutoHeaderGuard) CalcHeaderPanelRowCount();
}

void TCustomdxTreeListControl::SetDefaultLayout(bool value) {
  if (value == DefaultLayout()) return;
  if (value) ResetToDefaultLayout();
  TCustomdxTreeList::SetDefaultLayout(value);
}

// One collection update: the bands' own report would otherwise clear the
// flag again while more than one band is left.
void TCustomdxTreeListControl::ResetToDefaultLayout() {
  TdxTreeListUpdateLock lock(*this);
  SetShowBands(false);
  SetHeaderPanelRowCount(1);
  {
    TCollection::TUpdateLock bandsLock(Bands());
    while (Bands().Count() > 1) Bands().Delete(Bands().Count() - 1);
    if (Bands().Count() == 0) Bands().Add();
    Bands().Items(0)->SetVisible(true);
    bandsLock.Close();
  }
  for (int i = 0; i < ColumnCount(); ++i) Columns(i)->SetBandIndex(0);
  lock.Close();
}

// --- Sorting ------------------------------------------------------------------------------

void TCustomdxTreeListControl::EndSortUpdate() {
  if (FSortUpdateCount == 0) return;
  if (--FSortUpdateCount == 0) SortUpdateEnded();
}

bool TCustomdxTreeListControl::CanSortColumn(int columnIndex) {
  bool allow = true;
  if (OnCanSortColumn) OnCanSortColumn(this, columnIndex, allow);
  return allow;
}

void TCustomdxTreeListControl::ColumnClick(TdxTreeListColumn* column, bool clearSorting) {
  if (column == nullptr) return;
  if (OnColumnClick) OnColumnClick(this, column);
  if (IsSortOnClick()) ColumnSortClick(column, clearSorting);
}

void TCustomdxTreeListControl::ColumnSortClick(TdxTreeListColumn* column, bool clearSorting) {
  if (column == nullptr || !CanSortColumn(ColumnIndexOf(column))) return;
  if (clearSorting)
    column->SetSorted(csNone);
  else
    column->SetSorted(column->Sorted() == csUp ? csDown : csUp);
}

TdxTreeListColumnSort TCustomdxTreeListControl::GetColumnSorted(int absoluteIndex) {
  TdxTreeListColumn* column = Columns(absoluteIndex);
  if (column == nullptr) return csNone;
  TdxTreeListColumnSort sorted = column->Sorted();
  if (OnGetColumnSorted) OnGetColumnSorted(this, column, sorted);
  return sorted;
}

void TCustomdxTreeListControl::RebuildSortedColumns() {
  std::vector<TdxTreeListColumn*> sorted;
  for (int i = 0; i < SortedColumnCount(); ++i) sorted.push_back(SortedColumns(i));
  for (int i = 0; i < ColumnCount(); ++i)
    if (Columns(i)->Sorted() != csNone && std::find(sorted.begin(), sorted.end(), Columns(i)) == sorted.end())
      sorted.push_back(Columns(i));
  std::stable_sort(sorted.begin(), sorted.end(), [](const TdxTreeListColumn* a, const TdxTreeListColumn* b) {
    return a->StoredSortedOrder() < b->StoredSortedOrder();
  });
  TdxTreeListUpdateLock lock(*this);
  while (SortedColumnCount() > 0) ColumnUnsorted(SortedColumns(SortedColumnCount() - 1));
  for (TdxTreeListColumn* column : sorted) TCustomdxTreeList::ColumnSorted(column);
  lock.Close();
}

void TCustomdxTreeListControl::ClearSortedColumns() {
  BeginSortUpdate();
  try {
    while (SortedColumnCount() > 0) SortedColumns(SortedColumnCount() - 1)->SetSorted(csNone);
  } catch (...) {
    EndSortUpdate();
    throw;
  }
  EndSortUpdate();
}

// --- Bands and headers while customizing ------------------------------------------------------

bool TCustomdxTreeListControl::CanDragBand(TdxTreeListBand* band) {
  if (band == nullptr || band->Fixed() != bfNone || band->DisableDragging()) return false;
  bool allow = true;
  if (OnCanBandDragging) OnCanBandDragging(this, band, allow);
  return allow;
}

bool TCustomdxTreeListControl::CanHideBand(const TdxTreeListBand* band) const {
  return band != nullptr && band->Visible() && !band->DisableCustomizing();
}

void TCustomdxTreeListControl::MoveBand(int fromVisibleIndex, int toVisibleIndex) {
  TdxTreeListBand* band = Bands().VisibleItems(fromVisibleIndex);
  const int to = Bands().GetAbsoluteIndex(toVisibleIndex);
  if (band == nullptr || to < 0) return;
  band->SetIndex(to);
}

void TCustomdxTreeListControl::HideBand(TdxTreeListBand* band) {
  if (band == nullptr) return;
  band->SetVisible(false);
  if (OnHideBand) OnHideBand(this, band);
}

void TCustomdxTreeListControl::ShowBandAt(TdxTreeListBand* band, int visibleIndex) {
  if (band == nullptr) return;
  TdxTreeListUpdateLock lock(*this);
  const int before = Bands().GetAbsoluteIndex(visibleIndex);
  band->SetVisible(true);
  if (before < 0)
    band->SetIndex(Bands().Count() - 1);
  else
    band->SetIndex(before > band->Index() ? before - 1 : before);
  lock.Close();
  if (OnShowBand) OnShowBand(this, band);
}

bool TCustomdxTreeListControl::CanDragHeader(TdxTreeListColumn* column) {
  if (column == nullptr || !OptionOn(tloColumnMoving) || column->DisableDragging()) return false;
  bool allow = true;
  if (OnCanHeaderDragging) OnCanHeaderDragging(this, column, allow);
  return allow;
}

void TCustomdxTreeListControl::MoveHeader(TdxTreeListColumn* column, int bandIndex, int rowIndex,
                                          int colIndex) {
  if (column == nullptr) return;
  TdxTreeListUpdateLock lock(*this);
  column->SetBandIndex(bandIndex);
  column->SetRowIndex(rowIndex);
  column->SetColIndex(colIndex);
  lock.Close();
  if (OnHeaderMoved) OnHeaderMoved(this, column);
}

void TCustomdxTreeListControl::HideHeader(TdxTreeListColumn* column) {
  if (column == nullptr) return;
  column->SetVisible(false);
  if (OnHideHeader) OnHideHeader(this, column);
}

void TCustomdxTreeListControl::ShowHeaderAt(TdxTreeListColumn* column, int bandIndex, int rowIndex,
                                            int colIndex) {
  if (column == nullptr) return;
  TdxTreeListUpdateLock lock(*this);
  column->SetBandIndex(bandIndex);
  column->SetVisible(true);
  column->SetRowIndex(rowIndex);
  column->SetColIndex(colIndex);
  lock.Close();
  if (OnShowHeader) OnShowHeader(this, column, bandIndex, rowIndex, colIndex);
}

// --- Event dispatchers ---------------------------------------------------------------------------

void TCustomdxTreeListControl::DoBandButtonClick() {
  if (OnBandButtonClick) OnBandButtonClick(this);
}

void TCustomdxTreeListControl::DoBandClick(TdxTreeListBand* band) {
  if (OnBandClick) OnBandClick(this, band);
}

void TCustomdxTreeListControl::DoHeaderButtonClick(TdxTreeListColumn* column) {
  if (OnHeaderButtonClick) OnHeaderButtonClick(this, column);
}

void TCustomdxTreeListControl::DoChangedColumnsWidth() {
  if (OnChangedColumnsWidth) OnChangedColumnsWidth(this);
}

void TCustomdxTreeListControl::DoDragOverBand(TdxTreeListBand* band, TPoint p, bool& accept) {
  if (OnDragOverBand) OnDragOverBand(this, band, p, accept);
}

void TCustomdxTreeListControl::DoDragOverHeader(TdxTreeListColumn* column, TPoint p, bool& accept) {
  if (OnDragOverHeader) OnDragOverHeader(this, column, p, accept);
}

void TCustomdxTreeListControl::DoDragEndBand(TdxTreeListBand* band, int& newIndex, bool& accept) {
  if (OnDragEndBand) OnDragEndBand(this, band, newIndex, accept);
}

void TCustomdxTreeListControl::DoDragEndHeader(TdxTreeListColumn* column, TPoint p, TdxHeaderPosInfo& posInfo,
                                               bool& accept) {
  if (OnDragEndHeader) OnDragEndHeader(this, column, p, posInfo, accept);
}

void TCustomdxTreeListControl::DoColumnMoved(TdxTreeListColumn* column, int fromIndex, TPoint p) {
  if (column == nullptr || GetVisibleBandCount() != 1) return;
  if (OnColumnMoved) OnColumnMoved(this, fromIndex, column->Index());
  if (OnColumnMovedAt) OnColumnMovedAt(this, column, p);
}

void TCustomdxTreeListControl::DoStartBandDragging(TdxTreeListBand* band) {
  if (OnStartBandDragging) OnStartBandDragging(this, band);
}

void TCustomdxTreeListControl::DoStartHeaderDragging(TdxTreeListColumn* column) {
  if (OnStartHeaderDragging) OnStartHeaderDragging(this, column);
}

bool TCustomdxTreeListControl::IsExistFooterCell(int index) {
  bool exists = false;
  if (OnIsExistFooterCell) OnIsExistFooterCell(this, index, exists);
  return exists;
}

bool TCustomdxTreeListControl::IsCustomDrawCell(const TdxTreeListNode* node,
                                                const TdxTreeListColumn* column) const {
  return static_cast<bool>(OnBeforeCustomDrawCell) || TCustomdxTreeList::IsCustomDrawCell(node, column);
}

void TCustomdxTreeListControl::DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                                TdxTreeListColumn* column, bool selected, bool focused,
                                                bool newItemRow, std::string& text, TColor& color,
                                                TFont& font, TAlignment& alignment, bool& done) {
  if (OnBeforeCustomDrawCell)
    OnBeforeCustomDrawCell(this, &canvas, rect, node, column, selected, focused, newItemRow, text, color,
                           &font, alignment, done);
  if (done) return;
  TCustomdxTreeList::DoCustomDrawCell(canvas, rect, node, column, selected, focused, newItemRow, text, color,
                                      font, alignment, done);
}

// --- Text nodes -------------------------------------------------------------------------------------

std::unique_ptr<TdxTreeListNode> TCustomdxTreeListControl::CreateNode() {
  return std::make_unique<TdxTreeListTextNode>(this);
}

TdxTreeListTextNode* TCustomdxTreeListControl::TextNode(TdxTreeListNode* node) {
  return dynamic_cast<TdxTreeListTextNode*>(node);
}

const TdxTreeListTextNode* TCustomdxTreeListControl::TextNode(const TdxTreeListNode* node) {
  return dynamic_cast<const TdxTreeListTextNode*>(node);
}

int TCustomdxTreeListControl::GetImageIndex(const TdxTreeListNode* node) const {
  const TdxTreeListTextNode* text = TextNode(node);
  int index = text != nullptr ? text->ImageIndex() : -1;
  if (OnGetImageIndex) OnGetImageIndex(Self(), const_cast<TdxTreeListNode*>(node), index);
  return index;
}

int TCustomdxTreeListControl::GetSelectedIndex(const TdxTreeListNode* node) const {
  const TdxTreeListTextNode* text = TextNode(node);
  int index = text != nullptr ? text->SelectedIndex() : -1;
  if (OnGetSelectedIndex) OnGetSelectedIndex(Self(), const_cast<TdxTreeListNode*>(node), index);
  return index;
}

int TCustomdxTreeListControl::GetStateIndex(const TdxTreeListNode* node) const {
  const TdxTreeListTextNode* text = TextNode(node);
  int index = text != nullptr ? text->StateIndex() : -1;
  if (OnGetStateIndex) OnGetStateIndex(Self(), const_cast<TdxTreeListNode*>(node), index);
  return index;
}

std::string TCustomdxTreeListControl::GetCellText(const TdxTreeListNode* node, int columnIndex) const {
  const TdxTreeListTextNode* text = TextNode(node);
  if (text == nullptr || columnIndex < 0 || columnIndex >= text->Strings().Count()) return {};
  return text->Strings().Strings(columnIndex);
}

Variant TCustomdxTreeListControl::GetCellVariant(const TdxTreeListNode* node, int columnIndex) const {
  return Variant(GetCellText(node, columnIndex));
}

void TCustomdxTreeListControl::SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) {
  TdxTreeListTextNode* textNode = TextNode(node);
  if (textNode == nullptr || columnIndex < 0) return;
  TStringList& strings = textNode->Strings();
  while (strings.Count() <= columnIndex) strings.Add("");
  strings.SetStrings(columnIndex, text);
}

void TCustomdxTreeListControl::SetCellValue(TdxTreeListNode* node, int columnIndex, const Variant& value) {
  SetCellText(node, columnIndex, VarToStr(value));
  NodeChanged(node, false);
}

void TCustomdxTreeListControl::SetNodeImageIndex(TdxTreeListNode* node, int index) {
  TdxTreeListTextNode* text = TextNode(node);
  if (text == nullptr || text->ImageIndex() == index) return;
  text->SetImageIndex(index);
  NodeChanged(node, false);
}

void TCustomdxTreeListControl::SetNodeSelectedIndex(TdxTreeListNode* node, int index) {
  TdxTreeListTextNode* text = TextNode(node);
  if (text == nullptr || text->SelectedIndex() == index) return;
  text->SetSelectedIndex(index);
  NodeChanged(node, false);
}

void TCustomdxTreeListControl::SetNodeStateIndex(TdxTreeListNode* node, int index) {
  TdxTreeListTextNode* text = TextNode(node);
  if (text == nullptr || text->StateIndex() == index) return;
  text->SetStateIndex(index);
  NodeChanged(node, false);
}

// --- In-place editors ----------------------------------------------------------------------------------

TdxInplaceEdit* TCustomdxTreeListControl::GetEditorObject(const TdxTreeListColumn& column) {
  const std::type_index editorClass = column.GetEditorClass();
  for (const auto& [type, editor] : FEditors)
    if (type == editorClass) return editor;
  std::unique_ptr<TdxInplaceEdit> editor = column.CreateEditor(this);
  // The cache is keyed by the class the column names: an editor of another
  // class would be handed to columns it was never made for.
  if (editor == nullptr || std::type_index(typeid(*editor)) != editorClass)
    throw EInvalidOperation("Column " + column.Name() + " makes editors of another class than it names");
  // Owned by the control from here on: freed with it.
  FEditors.emplace_back(editorClass, editor.get());
  return editor.release();
}

TdxInplaceEdit* TCustomdxTreeListControl::FindEditorObject() const {
  const TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  if (column == nullptr) return nullptr;
  const std::type_index editorClass = column->GetEditorClass();
  for (const auto& [type, editor] : FEditors)
    if (type == editorClass) return editor;
  return nullptr;
}

TdxInplaceEdit* TCustomdxTreeListControl::GetEditorObject() {
  const TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  return column != nullptr ? GetEditorObject(*column) : nullptr;
}

void TCustomdxTreeListControl::InitEditor(TdxInplaceEdit& editor) {
  TCustomdxTreeList::InitEditor(editor);
  if (TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex())) column->InitEditor(editor);
}

void TCustomdxTreeListControl::InitEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor,
                                               Variant& value) {
  if (TdxTreeListColumn* column = Columns(columnIndex))
    column->InitEditorValue(node, editor, value);
  else
    TCustomdxTreeList::InitEditorValue(node, columnIndex, editor, value);
}

void TCustomdxTreeListControl::SaveEditorValue(TdxTreeListNode* node, int columnIndex, TdxInplaceEdit& editor,
                                               Variant& value) {
  if (TdxTreeListColumn* column = Columns(columnIndex)) column->SetCellValueFromEditor(node, editor, value);
}

void TCustomdxTreeListControl::DoEditing(TdxTreeListNode* node, bool& allow) {
  const TdxTreeListColumn* column = Columns(FocusedColumnAbsoluteIndex());
  if (column != nullptr && !column->CanEditing()) allow = false;
  if (allow) TCustomdxTreeList::DoEditing(node, allow);
}
