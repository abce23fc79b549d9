#include "framework/core/data/fields.h"

#include <algorithm>
#include <cstring>

#include "framework/core/data/dataset.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/text.h"

namespace {

const char* const kFieldTypeNames[FieldTypeCount] = {
    "Unknown",    "String",    "SmallInt",  "Integer",    "Word",      "Boolean",     "Float",   "Currency",
    "BCD",        "Date",      "Time",      "DateTime",   "Bytes",     "VarBytes",    "AutoInc", "Blob",
    "Memo",       "Graphic",   "FmtMemo",   "ParadoxOle", "DBaseOle",  "TypedBinary", "Cursor",  "FixedChar",
    "WideString", "Largeint",  "ADT",       "Array",      "Reference", "DataSet",     "OraBlob", "OraClob",
    "Variant",    "Interface", "IDispatch", "Guid",       "TimeStamp", "FMTBcd"};

}  // namespace

const char* FieldTypeName(TFieldType type) {
  const int index = static_cast<int>(type);
  return index >= 0 && index < FieldTypeCount ? kFieldTypeNames[index] : "Unknown";
}

bool IsBlobFieldType(TFieldType type) {
  return (type >= ftBlob && type <= ftTypedBinary) || type == ftOraBlob || type == ftOraClob;
}

// --- TField ---------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  // Leave the field list at once; the dataset still hears of the removal
  // through its free notification, after this object is gone.
  if (FDataSet != nullptr) {
    FDataSet->FFields.Remove(this);
    FDataSet = nullptr;
  }
}

TDataSet& TField::CheckDataSet() const {
  if (FDataSet == nullptr) throw EDatabaseError("Field '" + DisplayName() + "' has no dataset");
  return *FDataSet;
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  if (dataSet != nullptr) {
    dataSet->CheckInactive();
    if (!FFieldName.empty() && dataSet->FindField(FFieldName) != nullptr)
      dataSet->DatabaseError("Duplicate field name '" + FFieldName + "'");
  }
  if (FDataSet != nullptr) FDataSet->DetachField(this);
  if (dataSet != nullptr) dataSet->AttachField(this);
}

void TField::SetFieldName(const std::string& name) {
  if (name == FFieldName) return;
  if (FDataSet != nullptr) {
    FDataSet->CheckInactive();
    TField* other = FDataSet->FindField(name);
    if (other != nullptr && other != this) FDataSet->DatabaseError("Duplicate field name '" + name + "'");
  }
  FFieldName = name;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == FFieldKind) return;
  // The dataset decides: a database dataset switches its calculated fields
  // to internal calculation while it builds a filter, open as it is.
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  FFieldKind = kind;
}

void TField::SetSize(int size) {
  if (size == FSize) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  CheckTypeSize(size);
  FSize = size;
}

void TField::CheckTypeSize(int size) const {
  if (size != 0) throw EDatabaseError("Invalid field size");
}

int TField::Index() const { return FDataSet != nullptr ? FDataSet->FFields.IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (FDataSet == nullptr) return;
  TFields& fields = FDataSet->FFields;
  const int current = fields.IndexOf(this);
  if (current < 0) return;
  index = std::clamp(index, 0, fields.Count() - 1);
  if (index == current) return;
  fields.Move(current, index);
  FDataSet->DataEvent(deFieldListChange);
}

void TField::SetDisplayLabel(const std::string& label) {
  const std::string stored = label == FFieldName ? std::string() : label;
  if (stored == FDisplayLabel) return;
  FDisplayLabel = stored;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
  if (width == FDisplayWidth) return;
  FDisplayWidth = width;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment) return;
  FAlignment = alignment;
  PropertyChanged(false);
}

void TField::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool readOnly) {
  if (readOnly == FReadOnly) return;
  FReadOnly = readOnly;
  PropertyChanged(false);
}

void TField::SetEditMask(const std::string& mask) {
  if (mask == FEditMask) return;
  FEditMask = mask;
  PropertyChanged(false);
}

bool TField::CanModify() const {
  if (FReadOnly || FDataSet == nullptr) return false;
  switch (FFieldKind) {
    case fkData:
    case fkInternalCalc:
      return FDataSet->CanModify();
    case fkLookup: {
      if (FKeyFields.empty()) return false;
      for (TField* key : FDataSet->GetFieldList(FKeyFields))
        if (!key->CanModify()) return false;
      return true;
    }
    default:
      return false;
  }
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
  if (dataSet == FLookupDataSet) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  if (FLookupDataSet != nullptr) RemoveFreeNotification(FLookupDataSet);
  FLookupDataSet = dataSet;
  if (FLookupDataSet != nullptr) FreeNotification(FLookupDataSet);
}

void TField::SetKeyFields(const std::string& names) {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  FKeyFields = names;
}

void TField::SetLookupKeyFields(const std::string& names) {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  FLookupKeyFields = names;
}

void TField::SetLookupResultField(const std::string& name) {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  FLookupResultField = name;
}

void TField::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const auto* field = dynamic_cast<const TField*>(source)) {
    if (field->IsNull())
      Clear();
    else
      SetValue(field->Value());
    return;
  }
  TComponent::Assign(source);
}

void TField::DataChanged() {
  TDataEventInfo info;
  info.Field = this;
  CheckDataSet().DataEvent(deFieldChange, info);
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FLookupDataSet) FLookupDataSet = nullptr;
  if (component == FDataSet) FDataSet = nullptr;
}

// --- Values ---------------------------------------------------------------

bool TField::IsNull() const {
  if (FValidating) return FValueBuffer == nullptr;
  return !GetData(nullptr);
}

bool TField::GetData(void* buffer) const {
  if (FValidating) {
    if (FValueBuffer == nullptr) return false;
    if (buffer != nullptr) std::memcpy(buffer, FValueBuffer, static_cast<std::size_t>(DataSize()));
    return true;
  }
  TDataSet& dataSet = CheckDataSet();
  dataSet.CheckActive();
  return dataSet.GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  TDataSet& dataSet = CheckDataSet();
  dataSet.CheckActive();
  dataSet.SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  struct Redirect {
    TField& Field;
    Redirect(TField& field, const void* value) : Field(field) {
      Field.FValidating = true;
      Field.FValueBuffer = value;
    }
    ~Redirect() {
      Field.FValidating = false;
      Field.FValueBuffer = nullptr;
    }
  } redirect(*this, buffer);
  OnValidate(this);
}

void TField::AccessError(const char* typeName) const {
  const std::string message = "Cannot access field '" + DisplayName() + "' as type " + typeName;
  if (FDataSet != nullptr) FDataSet->DatabaseError(message);
  throw EDatabaseError(message);
}

void TField::ConvertError(const std::string& text, const char* what) const {
  const std::string message =
      "'" + text + "' is not a valid " + what + " value for field '" + DisplayName() + "'";
  if (FDataSet != nullptr) FDataSet->DatabaseError(message);
  throw EDatabaseError(message);
}

std::string TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
int TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int) { AccessError("Integer"); }
std::int64_t TField::AsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeInt(std::int64_t) { AccessError("LargeInt"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
TCurrency TField::AsCurrency() const { return FloatToCurr(AsFloat()); }
void TField::SetAsCurrency(TCurrency value) { SetAsFloat(CurrToFloat(value)); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
TBcd TField::AsBCD() const { AccessError("BCD"); }
void TField::SetAsBCD(const TBcd&) { AccessError("BCD"); }
Variant TField::AsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& value) {
  if (value.IsNull() || value.IsEmpty())
    Clear();
  else
    SetVarValue(value);
}

Variant TField::OldValue() const {
  return CheckDataSet().GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}
Variant TField::NewValue() const {
  return CheckDataSet().GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}
void TField::SetNewValue(const Variant& value) { CheckDataSet().SetStateFieldValue(dsNewValue, this, value); }

void TField::GetText(std::string& text, bool) const { text = AsString(); }
void TField::SetTextValue(const std::string& text) { SetAsString(text); }

std::string TField::Text() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, false);
  else
    GetText(text, false);
  return text;
}

void TField::ReadDisplay(std::string& text, Variant* value) const {
  text.clear();
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, true);
  else
    GetText(text, true);
  if (value != nullptr) *value = Value();
}

std::string TField::DisplayText() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, true);
  else
    GetText(text, true);
  return text;
}

void TField::SetText(const std::string& text) {
  if (OnSetText)
    OnSetText(this, text);
  else
    SetTextValue(text);
}

bool TField::IsValidChar(char) const { return true; }

void TField::FocusControl() {
  TField* field = this;
  TDataEventInfo info;
  info.FocusField = &field;
  CheckDataSet().DataEvent(deFocusControl, info);
}

void TField::DoChange() {
  if (OnChange) OnChange(this);
}

void TField::PropertyChanged(bool layoutAffected) {
  if (FDataSet != nullptr && FDataSet->Active())
    FDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange);
}

void TField::CalcLookupValue() {
  if (FLookupDataSet == nullptr || !FLookupDataSet->Active() || FKeyFields.empty()) return;
  const Variant key = FDataSet->FieldValues(FKeyFields);
  // A record without a key refers to nothing.
  if (key.IsNull()) return;
  SetAsVariant(FLookupDataSet->Lookup(FLookupKeyFields, key, FLookupResultField));
}

// --- TFields --------------------------------------------------------------

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FList[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* field : FList)
    if (AnsiSameText(field->FieldName(), name)) return field;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field != nullptr) return field;
  const std::string message = "Field '" + std::string(name) + "' not found";
  if (FDataSet != nullptr) FDataSet->DatabaseError(message);
  throw EDatabaseError(message);
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* field : FList)
    if (field->FieldNo() == fieldNo) return field;
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  const auto it = std::find(FList.begin(), FList.end(), field);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TFields::Add(TField* field) { FList.push_back(field); }

void TFields::Remove(TField* field) {
  const auto it = std::find(FList.begin(), FList.end(), field);
  if (it != FList.end()) FList.erase(it);
}

void TFields::Move(int current, int wanted) {
  TField* field = FList[static_cast<std::size_t>(current)];
  FList.erase(FList.begin() + current);
  FList.insert(FList.begin() + wanted, field);
}
