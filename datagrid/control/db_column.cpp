#include "datagrid/control/db_column.h"

#include <algorithm>
#include <optional>

#include "datagrid/control/db_tree_list_control.h"
#include "framework/core/text/sysutils.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/editors/edit_mask.h"
#include "grid/editors/mask_editor.h"
#include "grid/tree_list/tree_list.h"

namespace {

// Field types whose value the node keeps beside the text.
bool KeepsValue(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftTimeStamp:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

}  // namespace

TdxDBTreeListColumn::TdxDBTreeListColumn(TComponent* owner) : TdxTreeListColumn(owner) {}

TdxDBTreeListColumn::~TdxDBTreeListColumn() {
  TCustomdxDBTreeListControl* grid = DBTreeList();
  if (grid == nullptr || grid->IsDestroying()) return;
  // A destructor must not throw: the grid's regrouping errors stay here.
  try {
    if (FGroupIndex >= 0) grid->ChangeGroupIndex(this, -1);
    grid->RenameSummaryColumn(Name(), std::string());
  } catch (...) {
  }
}

TCustomdxDBTreeListControl* TdxDBTreeListColumn::DBTreeList() const {
  return dynamic_cast<TCustomdxDBTreeListControl*>(TreeList());
}

bool TdxDBTreeListColumn::GridLoading() const {
  const TCustomdxDBTreeListControl* grid = DBTreeList();
  return grid != nullptr && grid->IsLoading();
}

void TdxDBTreeListColumn::SetFieldName(const std::string& name) {
  const std::string oldName = FFieldName;
  TCustomdxDBTreeListControl* grid = DBTreeList();
  TDataSet* dataSet = grid != nullptr ? grid->DataSet() : nullptr;
  if (FGroupIndex >= 0 && grid != nullptr && grid->LinkActive() && dataSet != nullptr && !GridLoading() &&
      dataSet->FindField(name) == nullptr)
    grid->ChangeGroupIndex(this, -1);
  TField* field = nullptr;
  if (dataSet != nullptr && !GridLoading() && !name.empty() && (dataSet->Active() || !dataSet->DefaultFields()))
    field = dataSet->LookupFieldByName(name);
  FFieldName = name;
  FField = field;
  FLoadKindOf = nullptr;
  if (field != nullptr && grid != nullptr) field->FreeNotification(grid);
  if (grid != nullptr && !grid->IsRebuildingColumns()) Changed(false);
  if (grid != nullptr && !GridLoading() && name != oldName) grid->ColumnFieldChanged(this);
}

void TdxDBTreeListColumn::SetDisableGrouping(bool value) {
  if (value == FDisableGrouping) return;
  FDisableGrouping = value;
  if (value && FGroupIndex >= 0 && DBTreeList() != nullptr)
    DBTreeList()->ChangeGroupIndex(this, -1);
  else
    Changed(false);
}

void TdxDBTreeListColumn::SetGroupIndex(int value) {
  if (value < -1 || value == FGroupIndex) return;
  if (DBTreeList() == nullptr || GridLoading()) {
    FGroupIndex = value;
    return;
  }
  DBTreeList()->ChangeGroupIndex(this, value);
}

void TdxDBTreeListColumn::SetSummaryType(TdxSummaryType value) {
  if (value == FSummaryType) return;
  FSummaryType = value;
  if (value == cstNone) FSortBySummary = false;
  Changed(false);
}

void TdxDBTreeListColumn::SetSummaryFooterType(TdxSummaryType value) {
  if (value == FSummaryFooterType) return;
  FSummaryFooterType = value;
  Changed(false);
}

void TdxDBTreeListColumn::LoadCellFromRecord(TdxDBTreeListControlNode& node, int index) {
  if (FField == nullptr || index < 0) return;
  if (FLoadKindOf != FField) {
    FLoadKindOf = FField;
    FLoadKeepsValue = KeepsValue(FField->DataType());
    FLoadStringField = dynamic_cast<const TStringField*>(FField) != nullptr;
  }
  // The text's room serves every record of a load; a kept number comes
  // from the same read as its text.
  std::string& text = FLoadText;
  TdxDBNodeValue value;
  if (FLoadKeepsValue) {
    FField->ReadDisplay(text, &value.Value);
    value.Flags |= TdxDBNodeValue::HasValue;
  } else {
    // The value-to-text operation of a string is the string itself.
    FField->ReadDisplay(text, nullptr);
    if ((FLoadStringField && (static_cast<bool>(FField->OnGetText) || !FField->EditMask().empty())) ||
        KeepValueForStrings() ||
        // Only an empty text can be a Null.
        (text.empty() && FField->IsNull())) {
      value.Flags |= TdxDBNodeValue::HasValue;
      value.Value = FField->Value();
    }
  }
  node.SetText(index, text);
  if (FField->IsLookupField()) {
    value.Flags |= TdxDBNodeValue::HasLookupKey;
    value.LookupKey = FField->DataSet()->ReadFieldValue(FField->KeyFields());
  }
  if (value.Flags == TdxDBNodeValue::HasValue)
    node.KeepValue(index, value.Value);
  else if (value.Flags != 0 || node.HoldsValue(index))
    // A record read again forgets a value it no longer keeps (a Null that
    // became a text).
    node.SetValueRecord(index, std::move(value));
}

bool TdxDBTreeListColumn::KeepsEveryValue() const {
  return FField != nullptr && (KeepsValue(FField->DataType()) || KeepValueForStrings());
}

int TdxDBTreeListColumn::FieldVariantType() const {
  if (FField == nullptr) return 13;
  switch (FField->DataType()) {
    case ftSmallint:
      return 2;
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return 3;
    case ftBoolean:
      return 256;
    case ftFloat:
    case ftFMTBcd:
      return 5;
    case ftCurrency:
    case ftBCD:
      return 6;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return 7;
    default:
      return 256;
  }
}

bool TdxDBTreeListColumn::ValueUnchanged(const Variant& value) const {
  if (FField == nullptr || value.IsEmpty()) return false;
  if (VarIsStr(value) && !BlobEditing()) return FField->EditTextOf() == value.AsString();
  return FField->Value() == value;
}

bool TdxDBTreeListColumn::MayTakeKey(char key) const {
  const TCustomdxDBTreeListControl* grid = DBTreeList();
  if (grid == nullptr || !grid->LinkActive() || FField == nullptr) return false;
  return FField->AcceptsCharacter(key);
}

void TdxDBTreeListColumn::GetDisplayText(const TdxTreeListNode* node, std::string& text) const {
  TdxTreeListColumn::GetDisplayText(node, text);
}

void TdxDBTreeListColumn::DoGetText(TdxTreeListNode* node, std::string& text) {
  if (OnGetText) OnGetText(this, node, text);
}

// --- Drawing: the column's own handler first -----------------------------------------------

bool TdxDBTreeListColumn::HasCustomDrawCell() const {
  return TdxTreeListColumn::HasCustomDrawCell() || static_cast<bool>(OnCustomDraw);
}

void TdxDBTreeListColumn::DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, bool selected,
                                           bool focused, bool newItemRow, std::string& text, TColor& color,
                                           TFont& font, TAlignment& alignment, bool& done) {
  if (OnCustomDraw) OnCustomDraw(this, &canvas, rect, node, this, text, &font, color, selected, focused, done);
  if (!done)
    TdxTreeListColumn::DoCustomDrawCell(canvas, rect, node, selected, focused, newItemRow, text, color, font,
                                        alignment, done);
}

bool TdxDBTreeListColumn::HasCustomDrawColumnHeader() const {
  return TdxTreeListColumn::HasCustomDrawColumnHeader() || static_cast<bool>(OnCustomDrawHeader);
}

void TdxDBTreeListColumn::DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, std::string& text,
                                                   TColor& color, TFont& font, TAlignment& alignment,
                                                   TdxTreeListColumnSort& sorted, bool& done) {
  if (OnCustomDrawHeader) OnCustomDrawHeader(this, &canvas, rect, this, text, &font, color, done);
  if (!done) TdxTreeListColumn::DoCustomDrawColumnHeader(canvas, rect, text, color, font, alignment, sorted, done);
}

void TdxDBTreeListColumn::DoDrawSummaryFooter(TCanvas& canvas, const TRect& rect, std::string& text, TColor& color,
                                              TFont& font, TAlignment& alignment, bool& done) {
  if (OnDrawSummaryFooter) OnDrawSummaryFooter(this, &canvas, rect, text, &font, color, alignment, done);
}

void TdxDBTreeListColumn::InitEditorValue(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) {
  if (FField == nullptr) {
    TdxTreeListColumn::InitEditorValue(node, editor, value);
    return;
  }
  editor.SetText(FField->EditTextOf());
  value = editor.GetTextValue();
}

void TdxDBTreeListColumn::SetCellValueFromEditor(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) {
  if (FField == nullptr) {
    value = Variant(std::string());
    return;
  }
  FField->ApplyEditText(editor.GetEditText());
  TCustomdxDBTreeListControl* grid = DBTreeList();
  value = grid != nullptr ? grid->GetCellVariant(node, Index()) : FField->Value();
}

TAlignment TdxDBTreeListColumn::GetDefaultAlignment() const {
  return FField != nullptr ? FField->Alignment() : taLeftJustify;
}

std::string TdxDBTreeListColumn::GetDefaultCaption() const {
  return FField != nullptr ? FField->DisplayNameOf() : FFieldName;
}

int TdxDBTreeListColumn::GetDefaultMaxLength() const {
  if (FField == nullptr) return 0;
  return FField->DataType() == ftString || FField->DataType() == ftWideString ? FField->Size() : 0;
}

bool TdxDBTreeListColumn::GetDefaultReadOnly() const { return FField != nullptr && FField->ReadOnly(); }

int TdxDBTreeListColumn::GetDefaultWidth() const {
  TCustomdxTreeList* grid = TreeList();
  if (grid == nullptr) return 64;
  TCanvas canvas;
  int width = 0;
  const std::string caption = Caption();
  if (!caption.empty()) {
    canvas.Font().Assign(&grid->HeaderFont());
    width = canvas.TextWidth(caption) + 6;
  }
  if (FField != nullptr) {
    const TFont& font = IsAssigned(cavFont) ? const_cast<TdxDBTreeListColumn*>(this)->Font() : grid->Font();
    canvas.Font().Assign(&font);
    // The platform's fonts have no overhang.
    width = std::max(width, canvas.TextWidth("0") * FField->DisplayWidth() + 4);
  }
  return width;
}

void TdxDBTreeListColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  FDisableGrouping = false;
  FSummaryGroupName.clear();
}

void TdxDBTreeListColumn::SetIndex(int newIndex) {
  TCustomdxDBTreeListControl* grid = DBTreeList();
  if (grid != nullptr && grid->DefaultFields() && grid->LinkActive() && FField != nullptr) {
    TField* target = grid->GetDataLink()->Fields(newIndex);
    FField->SetIndex(target != nullptr ? target->Index() : grid->DataSet()->FieldCount() - 1);
  }
  TdxTreeListColumn::SetIndex(newIndex);
}

void TdxDBTreeListColumn::SetName(const std::string& name) {
  const std::string oldName = Name();
  TdxTreeListColumn::SetName(name);
  if (ComponentState().Contains(TComponentStateItem::csLoading)) return;
  if (oldName != Name() && DBTreeList() != nullptr) DBTreeList()->RenameSummaryColumn(oldName, Name());
}

void TdxDBTreeListColumn::Assign(const TPersistent* source) {
  const auto* column = dynamic_cast<const TdxDBTreeListColumn*>(source);
  if (column == nullptr) {
    TdxTreeListColumn::Assign(source);
    return;
  }
  std::optional<TdxTreeListUpdateLock> lock;
  if (TreeList() != nullptr) lock.emplace(*TreeList());
  TdxTreeListColumn::Assign(source);
  SetDisableGrouping(column->DisableGrouping());
  SetFieldName(column->FieldName());
  SetSummaryGroupName(column->SummaryGroupName());
  if (lock) lock->Close();
}

// --- TdxDBTreeListMaskColumn ----------------------------------------------------------------

std::string TdxDBTreeListMaskColumn::EditMask() const {
  if (FOwnMask) return FEditMask;
  return Field() != nullptr ? Field()->EditMask() : std::string();
}

void TdxDBTreeListMaskColumn::SetEditMask(const std::string& value) {
  if (value == EditMask()) return;
  FEditMask = value;
  FOwnMask = true;
}

bool TdxDBTreeListMaskColumn::IsEditMaskStored() const {
  return FOwnMask && (Field() == nullptr || FEditMask != Field()->EditMask());
}

void TdxDBTreeListMaskColumn::Assign(const TPersistent* source) {
  TdxDBTreeListColumn::Assign(source);
  if (const auto* column = dynamic_cast<const TdxDBTreeListMaskColumn*>(source)) {
    FEditMask = column->FEditMask;
    FOwnMask = column->FOwnMask;
    FIgnoreMaskBlank = column->FIgnoreMaskBlank;
  }
}

void TdxDBTreeListMaskColumn::RestoreDefaults() {
  TdxDBTreeListColumn::RestoreDefaults();
  FEditMask = Field() != nullptr ? Field()->EditMask() : std::string();
  FOwnMask = false;
  FIgnoreMaskBlank = false;
}

std::type_index TdxDBTreeListMaskColumn::GetEditorClass() const { return typeid(TdxInplaceTreeListMaskEdit); }

std::unique_ptr<TdxInplaceEdit> TdxDBTreeListMaskColumn::CreateEditor(TComponent* owner) const {
  return std::make_unique<TdxInplaceTreeListMaskEdit>(owner);
}

void TdxDBTreeListMaskColumn::InitEditor(TdxInplaceEdit& editor) {
  TdxDBTreeListColumn::InitEditor(editor);
  if (auto* mask = dynamic_cast<TdxInplaceMaskEdit*>(&editor)) {
    mask->SetEditMask(EditMask());
    mask->SetIgnoreMaskBlank(FIgnoreMaskBlank);
  }
}

bool TdxDBTreeListMaskColumn::ValueUnchanged(const Variant& value) const {
  if (Field() == nullptr || value.IsEmpty()) return TdxDBTreeListColumn::ValueUnchanged(value);
  if (!VarIsStr(value) || BlobEditing()) return Field()->Value() == value;
  const std::string text = value.AsString();
  if (Field()->EditTextOf().empty()) {
    // The mask laid over an empty text is what an untouched editor shows.
    TEditMask mask(EditMask());
    if (text == mask.EmptyText()) return true;
  }
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  return Field()->EditTextOf() == trimmed;
}
