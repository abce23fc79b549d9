#include "grid/tree_list/tree_list_column.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "framework/core/text/text.h"
#include "grid/editors/mask_editor.h"
#include "grid/tree_list/tree_list.h"

TdxTreeListColumn* TdxTreeListColumnClass::Create(TComponent* owner) const {
  if (owner == nullptr) throw EInvalidOperation("A column made by its class needs an owner");
  return FCreate(owner);
}

TdxTreeListColumn::TdxTreeListColumn(TComponent* owner) : TComponent(owner) {}

TdxTreeListColumn::~TdxTreeListColumn() {
  if (FTreeList == nullptr) return;
  try {
    if (!FTreeList->IsDestroying()) FTreeList->DeleteColumnNodeData(Index());
    FTreeList->RemoveColumn(this);
  } catch (...) {
    // A change handler raised: a destructor cannot report it; the column
    // must leave the list all the same.
    if (FTreeList != nullptr) std::erase(FTreeList->FColumns, this);
  }
}

void TdxTreeListColumn::SetTreeList(TCustomdxTreeList* treeList) {
  if (treeList == FTreeList) return;
  if (FTreeList != nullptr) FTreeList->RemoveColumn(this);
  if (treeList != nullptr) treeList->AddColumn(this);
}

void TdxTreeListColumn::SetName(const std::string& name) {
  TComponent::SetName(name);
  if (OnNameChanged) OnNameChanged(this);
}

void TdxTreeListColumn::Changed(bool allColumns) {
  if (FTreeList != nullptr) FTreeList->ColumnsChanged(allColumns ? nullptr : this);
}

// --- Place ----------------------------------------------------------------------------

int TdxTreeListColumn::Index() const { return FTreeList != nullptr ? FTreeList->ColumnIndexOf(this) : -1; }

void TdxTreeListColumn::SetIndex(int newIndex) {
  const int current = Index();
  if (current < 0) return;
  newIndex = std::clamp(newIndex, 0, FTreeList->ColumnCount() - 1);
  if (newIndex == current) return;
  FTreeList->MoveColumn(current, newIndex);
  Changed(true);
}

int TdxTreeListColumn::ColIndex() const {
  if (FTreeList == nullptr) return -1;
  const int row = RowIndex();
  int position = 0;
  for (int i = 0; i < FTreeList->ColumnCount(); ++i) {
    const TdxTreeListColumn* column = FTreeList->Columns(i);
    if (column == this) return FVisible ? position : position - 1;
    if (column->Visible() && column->BandIndex() == FBandIndex && column->RowIndex() == row) ++position;
  }
  return -1;
}

// The place is found among the visible columns of the row; the column then
// moves in the list next to the one there.
void TdxTreeListColumn::SetColIndex(int value) {
  if (FTreeList == nullptr || FBandIndex == -1 || value == ColIndex()) return;
  const int row = RowIndex();
  std::vector<int> places;
  for (int i = 0; i < FTreeList->ColumnCount(); ++i) {
    const TdxTreeListColumn* column = FTreeList->Columns(i);
    if (column != this && column->Visible() && column->BandIndex() == FBandIndex && column->RowIndex() == row)
      places.push_back(i);
  }
  if (places.empty()) return;
  const int n = static_cast<int>(places.size()) + (FVisible ? 1 : 0);
  value = std::clamp(value, 0, n - 1);
  const int current = Index();
  int target;
  if (value >= static_cast<int>(places.size())) {
    target = places.back() + 1;
  } else {
    target = places[static_cast<std::size_t>(value)];
  }
  // Taking the column out first shifts the places after it.
  if (target > current) --target;
  SetIndex(target);
}

void TdxTreeListColumn::SetBandIndex(int value) {
  value = std::max(value, -1);
  if (FTreeList != nullptr) value = std::min(value, FTreeList->Bands().Count() - 1);
  if (value == FBandIndex) return;
  FBandIndex = value;
  Changed(false);
}

int TdxTreeListColumn::RowIndex() const {
  if (FTreeList == nullptr) return FStoredRowIndex;
  return std::min(FStoredRowIndex, FTreeList->HeaderPanelRowCount() - 1);
}

void TdxTreeListColumn::SetRowIndex(int value) {
  value = std::max(value, 0);
  if (FTreeList != nullptr) value = std::min(value, FTreeList->HeaderPanelRowCount() - 1);
  if (value == FStoredRowIndex) return;
  FStoredRowIndex = value;
  Changed(false);
}

// --- Own values with defaults -----------------------------------------------------------

TAlignment TdxTreeListColumn::Alignment() const {
  return IsAssigned(cavAlignment) ? FAlignment : GetDefaultAlignment();
}

void TdxTreeListColumn::SetAlignment(TAlignment value) {
  if (IsAssigned(cavAlignment) && FAlignment == value) return;
  FAlignment = value;
  Assigned(cavAlignment);
  Changed(false);
}

std::string TdxTreeListColumn::Caption() const { return IsAssigned(cavCaption) ? FCaption : GetDefaultCaption(); }

void TdxTreeListColumn::SetCaption(const std::string& value) {
  if (IsAssigned(cavCaption) && FCaption == value) return;
  FCaption = value;
  Assigned(cavCaption);
  // The default width may depend on the caption (data-aware columns).
  if (!IsAssigned(cavWidth)) FWidth = std::max(GetDefaultWidth(), FMinWidth);
  Changed(false);
}

// A read-only tree list makes every column read-only.
bool TdxTreeListColumn::ReadOnly() const {
  const bool own = IsAssigned(cavReadOnly) ? FReadOnly : GetDefaultReadOnly();
  return own || (FTreeList != nullptr && FTreeList->IsReadOnly());
}

void TdxTreeListColumn::SetReadOnly(bool value) {
  if (IsAssigned(cavReadOnly) && FReadOnly == value) return;
  FReadOnly = value;
  Assigned(cavReadOnly);
  Changed(false);
}

int TdxTreeListColumn::Width() const {
  return IsAssigned(cavWidth) ? FWidth : std::max(GetDefaultWidth(), FMinWidth);
}

void TdxTreeListColumn::SetWidth(int value) {
  value = std::max(value, FMinWidth);
  if (IsAssigned(cavWidth) && FWidth == value) return;
  if (!IsAssigned(cavWidth) && value == Width()) return;
  FWidth = value;
  Assigned(cavWidth);
  Changed(false);
}

TColor TdxTreeListColumn::DefaultColor() const { return FTreeList != nullptr ? FTreeList->Color() : clWindow; }

TColor TdxTreeListColumn::Color() const { return IsAssigned(cavColor) ? FColor : DefaultColor(); }

bool TdxTreeListColumn::IsColorStored() const { return IsAssigned(cavColor) && FColor != DefaultColor(); }

void TdxTreeListColumn::SetColor(TColor value) {
  if (IsAssigned(cavColor) && FColor == value) return;
  FColor = value;
  Assigned(cavColor);
  Changed(false);
}

int TdxTreeListColumn::MaxLength() const { return IsAssigned(cavMaxLength) ? FMaxLength : GetDefaultMaxLength(); }

void TdxTreeListColumn::SetMaxLength(int value) {
  value = std::max(value, 0);
  if (IsAssigned(cavMaxLength) && FMaxLength == value) return;
  FMaxLength = value;
  Assigned(cavMaxLength);
  Changed(false);
}

void TdxTreeListColumn::SyncFont() {
  if (FFont == nullptr) {
    FFont = std::make_unique<TFont>();
    if (FTreeList != nullptr) FFont->Assign(&FTreeList->Font());
    FFont->OnChange = TNotifyEvent(this, &TdxTreeListColumn::FontChangedHandler);
    return;
  }
  if (IsAssigned(cavFont) || FTreeList == nullptr || FFont->SameAs(FTreeList->Font())) return;
  // A copy of the tree list's font, not a change of the column's own.
  const TNotifyEvent handler = FFont->OnChange;
  FFont->OnChange = TNotifyEvent();
  FFont->Assign(&FTreeList->Font());
  FFont->OnChange = handler;
}

TFont& TdxTreeListColumn::Font() {
  SyncFont();
  return *FFont;
}

void TdxTreeListColumn::SetFont(const TFont& value) { Font().Assign(&value); }

void TdxTreeListColumn::FontChangedHandler(TObject* /*sender*/) { FontChanged(); }

void TdxTreeListColumn::FontChanged() {
  Assigned(cavFont);
  Changed(true);
}

// --- Plain values -------------------------------------------------------------------

namespace {

template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

void TdxTreeListColumn::SetCharCase(TEditCharCase value) {
  if (Store(FCharCase, value)) Changed(true);
}
void TdxTreeListColumn::SetDisableCaption(bool value) {
  if (Store(FDisableCaption, value)) Changed(true);
}
void TdxTreeListColumn::SetDisableCustomizing(bool value) {
  if (Store(FDisableCustomizing, value)) Changed(true);
}
void TdxTreeListColumn::SetDisableFilter(bool value) {
  if (Store(FDisableFilter, value)) Changed(true);
}
void TdxTreeListColumn::SetHeaderAlignment(TAlignment value) {
  if (Store(FHeaderAlignment, value)) Changed(true);
}
void TdxTreeListColumn::SetHeaderMaxLineCount(int value) {
  if (Store(FHeaderMaxLineCount, std::max(value, 0))) Changed(true);
}
void TdxTreeListColumn::SetOEMConvert(bool value) {
  if (Store(FOEMConvert, value)) Changed(false);
}
void TdxTreeListColumn::SetPasswordChar(char value) {
  if (Store(FPasswordChar, value)) Changed(false);
}
void TdxTreeListColumn::SetSizing(bool value) {
  if (Store(FSizing, value)) Changed(false);
}
void TdxTreeListColumn::SetVertAlignment(TTextLayout value) {
  if (Store(FVertAlignment, value)) Changed(false);
}
void TdxTreeListColumn::SetVisible(bool value) {
  if (Store(FVisible, value)) Changed(false);
}

void TdxTreeListColumn::SetMinWidth(int value) {
  FMinWidth = std::max(value, 0);
  if (IsAssigned(cavWidth) && FWidth < FMinWidth) {
    FWidth = FMinWidth;
    Changed(false);
  } else if (!IsAssigned(cavWidth)) {
    Changed(false);
  }
}

TBitmap& TdxTreeListColumn::HeaderGlyph() {
  if (FHeaderGlyph == nullptr) FHeaderGlyph = std::make_unique<TBitmap>();
  return *FHeaderGlyph;
}

void TdxTreeListColumn::SetHeaderGlyph(const TBitmap* value) {
  if (value == nullptr) {
    if (FHeaderGlyph == nullptr) return;
    FHeaderGlyph.reset();
  } else {
    HeaderGlyph().Assign(value);
  }
  Changed(true);
}

void TdxTreeListColumn::SetSorted(TdxTreeListColumnSort value) {
  if (FSorted == value) return;
  if (FTreeList == nullptr || FTreeList->IsLoading()) {
    FSorted = value;
    Changed(false);
    return;
  }
  TdxTreeListUpdateLock lock(*FTreeList);
  if (value != csNone) {
    FTreeList->BeforeColumnSort(this);
    FSorted = value;
    FTreeList->ColumnSorted(this);
  } else {
    FSorted = csNone;
    FTreeList->ColumnUnsorted(this);
    Changed(false);
  }
  lock.Close();
}

int TdxTreeListColumn::SortedOrder() const {
  return FTreeList != nullptr ? FTreeList->SortedColumnIndexOf(this) : -1;
}

bool TdxTreeListColumn::IsSortedOrderStored() const {
  return FTreeList != nullptr && FTreeList->OptionExOn(tloMultiSort) && FTreeList->SortedColumnCount() > 1 &&
         FSorted != csNone;
}

bool TdxTreeListColumn::CanShowHeaderButton() const {
  return !FDisableFilter && !ComponentState().Contains(TComponentStateItem::csDesigning);
}

// --- Editing ------------------------------------------------------------------------

std::unique_ptr<TdxInplaceEdit> TdxTreeListColumn::CreateEditor(TComponent* owner) const {
  return std::make_unique<TdxInplaceTreeListTextEdit>(owner);
}

void TdxTreeListColumn::InitEditor(TdxInplaceEdit& editor) {
  editor.SetReadOnly(ReadOnly());
  editor.OnChange = TNotifyEvent(this, &TdxTreeListColumn::DoChange);
  editor.OnValidate = TdxEditValidateEvent(this, &TdxTreeListColumn::DoValidate);
  if (auto* text = dynamic_cast<TdxInplaceTextEdit*>(&editor)) {
    text->SetCharCase(FCharCase);
    text->SetMaxLength(MaxLength());
    text->SetOEMConvert(FOEMConvert);
    text->SetPasswordChar(FPasswordChar);
    // The editor is shared by the cells of its kind: Undo must not bring
    // back a text of the cell edited before.
    if (text->HandleAllocated()) text->EmptyTextUndoBuffer();
  }
}

void TdxTreeListColumn::InitEditorValue(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) {
  std::string text;
  if (FTreeList != nullptr && node != nullptr && Index() >= 0) text = FTreeList->GetCellText(node, Index());
  // SetText is the editor's own: a mask editor lays the text into its mask.
  editor.SetText(text);
  value = editor.GetTextValue();
}

void TdxTreeListColumn::SetCellValueFromEditor(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) {
  if (FTreeList == nullptr || node == nullptr || Index() < 0) return;
  const int index = Index();
  if (dynamic_cast<TdxInplaceTextEdit*>(&editor) != nullptr) FTreeList->SetCellText(node, index, editor.GetEditText());
  value = FTreeList->GetCellVariant(node, index);
}

// --- Cell text and drawing -------------------------------------------------------------

void TdxTreeListColumn::GetDisplayText(const TdxTreeListNode* node, std::string& text) const {
  const int index = Index();
  text = FTreeList != nullptr && node != nullptr && index >= 0 ? FTreeList->GetCellText(node, index) : std::string();
}

int TdxTreeListColumn::GetCellTextWidth(TCanvas& canvas, const TdxTreeListNode* node) const {
  const int index = Index();
  if (FTreeList == nullptr || node == nullptr || index < 0) return 0;
  std::string text = FTreeList->GetCellText(node, index);
  if (FCharCase == ecUpperCase) text = AnsiUpperCase(text);
  if (FCharCase == ecLowerCase) text = AnsiLowerCase(text);
  return canvas.TextWidth(text);
}

std::unique_ptr<TdxEditViewData> TdxTreeListColumn::CreateViewData() const {
  return std::make_unique<TdxTextEditViewData>();
}

// Made on first use rather than by the constructor: only a finished column
// can say which editor (and so which view data) it uses.
TdxEditViewData& TdxTreeListColumn::GetViewData() {
  if (FViewData == nullptr) FViewData = CreateViewData();
  return *FViewData;
}

void TdxTreeListColumn::PrepareViewData(TdxEditViewData& viewData, const TdxTreeListCellViewData& cellInfo) {
  viewData.Enabled = true;
  viewData.Focused = false;
  viewData.Hot = cellInfo.HotTracked;
  // A cell has no border of its own: the grid lines (or nothing) frame it.
  viewData.BorderStyle = xbsNone;
  viewData.Edges = TdxEditEdges();
  viewData.Shadow = false;
  viewData.ButtonTransparent = false;
  viewData.Transparent = cellInfo.Overlay;
  viewData.Bounds = cellInfo.Bounds;
  // The editor's look writes text one pixel and the offset inside its
  // bounds, which lie 2 pixels outside the cell: these offsets keep the
  // margins of plain cell text (2 pixels at the sides, 1 at the top, 2 with
  // inverted selection).
  viewData.OffsetRect = Rect(3, cellInfo.InvertSelect ? 3 : 2, 2, 0);
  switch (FVertAlignment) {
    case tlTop: viewData.DrawAlignment = cellInfo.MultiLine ? daMultiLine : daSingleLine; break;
    case tlCenter: viewData.DrawAlignment = cellInfo.MultiLine ? daMultiLine : daVCenter; break;
    case tlBottom: viewData.DrawAlignment = cellInfo.MultiLine ? daMultiLine : daBottom; break;
  }
  viewData.Font = cellInfo.Font;
  viewData.BrushColor = cellInfo.BrushColor;
  viewData.BkColor = cellInfo.BkColor;
  viewData.TextColor = cellInfo.TextColor;
  viewData.Alignment = cellInfo.Alignment;
  viewData.HasTextWindow = false;
  viewData.Value = cellInfo.NewItemRowWithoutData ? Variant() : Variant(cellInfo.Text);
  viewData.Cursor = crDefault;
  if (auto* text = dynamic_cast<TdxTextEditViewData*>(&viewData)) {
    text->CharCase = FCharCase;
    text->EndEllipsis = cellInfo.EndEllipsis;
    text->PasswordChar = FPasswordChar;
    text->SelectionBar = false;
    text->StandAloneWithoutText = false;
  }
}

void TdxTreeListColumn::DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, bool selected,
                                         bool focused, bool newItemRow, std::string& text, TColor& color,
                                         TFont& font, TAlignment& alignment, bool& done) {
  if (OnCustomDrawCell)
    OnCustomDrawCell(this, &canvas, rect, node, this, selected, focused, newItemRow, text, color, &font, alignment,
                     done);
}

void TdxTreeListColumn::DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, std::string& text,
                                                 TColor& color, TFont& font, TAlignment& alignment,
                                                 TdxTreeListColumnSort& sorted, bool& done) {
  if (OnCustomDrawColumnHeader)
    OnCustomDrawColumnHeader(this, this, &canvas, rect, text, color, &font, alignment, sorted, done);
}

// --- Events of the editor ---------------------------------------------------------------

void TdxTreeListColumn::DoChange(TObject* /*sender*/) {
  if (FTreeList == nullptr || FTreeList->InitializingEditor()) return;
  if (FTreeList->OnEditChange) FTreeList->OnEditChange(this);
  if (OnChange) OnChange(this);
}

void TdxTreeListColumn::DoValidate(TObject* /*sender*/, std::string& errorText, bool& accept) {
  if (FTreeList == nullptr || FTreeList->InitializingEditor()) return;
  if (FTreeList->OnEditValidate) FTreeList->OnEditValidate(this, errorText, accept);
  if (OnValidate) OnValidate(this, errorText, accept);
}

// --- Copying and defaults -------------------------------------------------------------

void TdxTreeListColumn::RestoreDefaults() {
  FAssignedValues = 0;
  if (FFont != nullptr && FTreeList != nullptr) {
    const TNotifyEvent handler = FFont->OnChange;
    FFont->OnChange = TNotifyEvent();
    FFont->Assign(&FTreeList->Font());
    FFont->OnChange = handler;
  }
  FWidth = GetDefaultWidth();
  FDisableEditor = false;
  FDisableCaption = false;
  FDisableCustomizing = false;
  FHeaderAlignment = taLeftJustify;
  FMinWidth = 20;
  FSizing = true;
  // Through the writer: a sorted column must leave the tree list's sort keys.
  SetSorted(csNone);
  FTabStop = true;
  FVertAlignment = tlTop;
  Changed(true);
}

void TdxTreeListColumn::Assign(const TPersistent* source) {
  const auto* column = dynamic_cast<const TdxTreeListColumn*>(source);
  if (column == nullptr) {
    TComponent::Assign(source);
    return;
  }
  std::optional<TdxTreeListUpdateLock> lock;
  if (FTreeList != nullptr) lock.emplace(*FTreeList);
  RestoreDefaults();
  if (column->IsAssigned(cavAlignment)) SetAlignment(column->Alignment());
  if (column->IsAssigned(cavCaption)) SetCaption(column->Caption());
  if (column->IsAssigned(cavReadOnly)) SetReadOnly(column->FReadOnly);
  if (column->IsAssigned(cavWidth)) SetWidth(column->Width());
  if (column->IsAssigned(cavColor)) SetColor(column->Color());
  if (column->IsAssigned(cavFont)) SetFont(*column->FFont);
  SetDisableCaption(column->DisableCaption());
  SetDisableCustomizing(column->DisableCustomizing());
  SetDisableEditor(column->DisableEditor());
  SetDisableFilter(column->DisableFilter());
  SetHeaderAlignment(column->HeaderAlignment());
  if (column->HasHeaderGlyph()) SetHeaderGlyph(column->FHeaderGlyph.get());
  SetMinWidth(column->MinWidth());
  SetSizing(column->Sizing());
  SetSorted(column->Sorted());
  SetVertAlignment(column->VertAlignment());
  SetVisible(column->Visible());
  SetTabStop(column->TabStop());
  SetBandIndex(column->BandIndex());
  SetRowIndex(column->RowIndex());
  SetColIndex(column->ColIndex());
  SetHeaderMaxLineCount(column->HeaderMaxLineCount());
  if (lock) lock->Close();
}

// --- TdxTreeListMaskColumn ---------------------------------------------------------------

void TdxTreeListMaskColumn::Assign(const TPersistent* source) {
  TdxTreeListColumn::Assign(source);
  if (const auto* column = dynamic_cast<const TdxTreeListMaskColumn*>(source)) {
    FEditMask = column->EditMask();
    FIgnoreMaskBlank = column->IgnoreMaskBlank();
  }
}

void TdxTreeListMaskColumn::RestoreDefaults() {
  FEditMask.clear();
  TdxTreeListColumn::RestoreDefaults();
}

std::type_index TdxTreeListMaskColumn::GetEditorClass() const { return typeid(TdxInplaceTreeListMaskEdit); }

std::unique_ptr<TdxInplaceEdit> TdxTreeListMaskColumn::CreateEditor(TComponent* owner) const {
  return std::make_unique<TdxInplaceTreeListMaskEdit>(owner);
}

void TdxTreeListMaskColumn::InitEditor(TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  if (auto* mask = dynamic_cast<TdxInplaceMaskEdit*>(&editor)) {
    mask->SetEditMask(FEditMask);
    mask->SetIgnoreMaskBlank(FIgnoreMaskBlank);
  }
}
