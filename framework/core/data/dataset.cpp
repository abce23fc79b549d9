// TDataSet: opening and closing, states, data events, controls, fields and
// calculated fields. Navigation and the record window are in
// dataset_navigation.cpp, editing in dataset_edit.cpp.

#include "framework/core/data/dataset.h"

#include <algorithm>
#include <cstring>

#include "framework/core/data/data_source.h"
#include "framework/core/text/text.h"

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
  FDestroying = true;
  // The descendant has closed the cursor in its own destructor; what is
  // left is released without calling it (its part is gone by now).
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
  for (TField* field : FFields.FList) {
    field->FDataSet = nullptr;
    RemoveFreeNotification(field);
  }
  FFields.FList.clear();
  FDefaultFieldStore.clear();
  FBuffers.clear();
  FBufferPool.clear();
}

void TDataSet::DatabaseError(const std::string& message) const {
  throw EDatabaseError(Name().empty() ? message : Name() + ": " + message);
}

void TDataSet::CheckActive() const {
  if (FState == dsInactive) DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
}

// --- Opening and closing --------------------------------------------------

void TDataSet::SetActive(bool active) {
  // While a form assigns its stored properties the dataset only remembers
  // the wish; Loaded opens it.
  if (ComponentState().Contains(TComponentStateItem::csReading)) {
    FStreamedActive = active;
    return;
  }
  if (Active() == active) return;
  if (active) {
    DoBeforeOpen();
    OpenCursor();
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    if (!FDestroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!FDestroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor() {
  try {
    FDefaultFields = FieldCount() == 0;
    InternalOpen();
    FInternalOpenComplete = true;
    UpdateBufferCount();
    FBOF = true;
  } catch (...) {
    // Leave nothing half open. The first error is the one reported; a
    // second one from closing the remains is dropped here.
    try {
      CloseCursor();
    } catch (...) {
    }
    throw;
  }
}

void TDataSet::CloseCursor() {
  FBufferCount = 0;
  ClearBuffers();
  SetBufListSize(0);
  FCalcBuffer = nullptr;
  FInternalOpenComplete = false;
  InternalClose();
}

void TDataSet::CloseOnDestroy() noexcept {
  FDestroying = true;
  // A destructor cannot report an error; the dataset is going away anyway.
  try {
    SetActive(false);
  } catch (...) {
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!FStreamedActive) return;
  try {
    SetActive(true);
  } catch (...) {
    if (!ComponentState().Contains(TComponentStateItem::csDesigning)) throw;
    InternalHandleException();
  }
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  // Compare pointers only: the component is being destroyed.
  auto& fields = FFields.FList;
  fields.erase(
      std::remove_if(fields.begin(), fields.end(),
                     [component](TField* field) { return static_cast<TComponent*>(field) == component; }),
      fields.end());
  FDataSources.erase(std::remove_if(FDataSources.begin(), FDataSources.end(),
                                    [component](TDataSource* source) {
                                      return static_cast<TComponent*>(source) == component;
                                    }),
                     FDataSources.end());
}

// --- States and data events ---------------------------------------------

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  FState = value;
  FModified = false;
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState saved = FState;
  FState = value;
  ++FTempStateDepth;
  return saved;
}

void TDataSet::RestoreState(TDataSetState value) {
  FState = value;
  if (FTempStateDepth > 0) --FTempStateDepth;
}

void TDataSet::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == deFieldChange && info.Field != nullptr) {
    const TFieldKind kind = info.Field->FieldKind();
    if (kind == fkData || kind == fkInternalCalc) SetModified(true);
    UpdateCalcFields();
    info.Field->DoChange();
  }
  const bool notify = FDisableCount == 0 && FState != dsBlockRead && FTempStateDepth == 0;
  if (notify)
    NotifyDataSources(event, info);
  else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange)
    FEnableEvent = deLayoutChange;
}

void TDataSet::NotifyDataSources(TDataEvent event, const TDataEventInfo& info) {
  // A handler may detach sources: walk a copy and skip the ones gone.
  const std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources)
    if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
      source->DataEvent(event, info);
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount != 0) return;
  // A control answering the first notification may disable and enable the
  // controls itself (a grid walking the records it reloads), and that
  // records a state of its own: what follows is decided by the state the
  // controls were disabled in, or the control would be told twice.
  const TDataSetState disabledIn = FDisableState;
  const TDataEvent pending = FEnableEvent;
  if (disabledIn != FState) DataEvent(deUpdateState);
  if (disabledIn != dsInactive && FState != dsInactive) DataEvent(pending);
}

void TDataSet::AddDataSource(TDataSource* source) {
  FDataSources.push_back(source);
  source->FDataSet = this;
  UpdateBufferCount();
  source->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  source->FDataSet = nullptr;
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
  source->UpdateState();
  if (!FDestroying) UpdateBufferCount();
}

// --- Filtering ------------------------------------------------------------

void TDataSet::SetFilterText(const std::string& text) { FFilterText = text; }
void TDataSet::SetFiltered(bool value) { FFiltered = value; }
void TDataSet::SetFilterOptions(TFilterOptions options) { FFilterOptions = options; }

void TDataSet::DoFilterRecord(bool& accept) {
  if (OnFilterRecord) OnFilterRecord(this, accept);
}

// --- Fields ---------------------------------------------------------------

void TDataSet::AttachField(TField* field) {
  FFields.Add(field);
  field->FDataSet = this;
  field->FreeNotification(this);
}

void TDataSet::DetachField(TField* field) {
  FFields.Remove(field);
  field->FDataSet = nullptr;
  field->RemoveFreeNotification(this);
}

TField* TDataSet::FieldByName(std::string_view name) const { return FFields.FieldByName(name); }

std::vector<TField*> TDataSet::GetFieldList(const std::string& names) const {
  std::vector<TField*> result;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    const std::string name = Trim(std::string_view(names).substr(start, end - start));
    if (!name.empty()) result.push_back(FieldByName(name));
    start = end + 1;
  }
  return result;
}

Variant TDataSet::FieldValues(const std::string& names) const {
  const std::vector<TField*> fields = GetFieldList(names);
  if (fields.size() == 1) return fields[0]->Value();
  Variant values = VarArrayCreate(0, static_cast<int>(fields.size()) - 1);
  for (std::size_t i = 0; i < fields.size(); ++i) values[static_cast<int>(i)] = fields[i]->Value();
  return values;
}

void TDataSet::SetFieldValues(const std::string& names, const Variant& values) {
  const std::vector<TField*> fields = GetFieldList(names);
  if (fields.size() == 1 && !values.IsArray()) {
    fields[0]->SetValue(values);
    return;
  }
  const int low = VarArrayLowBound(values);
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(values[low + static_cast<int>(i)]);
}

TFieldClass TDataSet::GetFieldClass(TFieldType type) const {
  switch (type) {
    case ftString:
    case ftFixedChar:
      return &MakeField<TStringField>;
    case ftWideString:
      return &MakeField<TWideStringField>;
    case ftSmallint:
      return &MakeField<TSmallintField>;
    case ftInteger:
      return &MakeField<TIntegerField>;
    case ftWord:
      return &MakeField<TWordField>;
    case ftAutoInc:
      return &MakeField<TAutoIncField>;
    case ftLargeint:
      return &MakeField<TLargeintField>;
    case ftBoolean:
      return &MakeField<TBooleanField>;
    case ftFloat:
      return &MakeField<TFloatField>;
    case ftCurrency:
      return &MakeField<TCurrencyField>;
    case ftBCD:
      return &MakeField<TBCDField>;
    case ftDate:
      return &MakeField<TDateField>;
    case ftTime:
      return &MakeField<TTimeField>;
    case ftDateTime:
      return &MakeField<TDateTimeField>;
    case ftBytes:
      return &MakeField<TBytesField>;
    case ftVarBytes:
      return &MakeField<TVarBytesField>;
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return &MakeField<TBlobField>;
    case ftMemo:
    case ftFmtMemo:
      return &MakeField<TMemoField>;
    case ftGraphic:
      return &MakeField<TGraphicField>;
    default:
      return nullptr;
  }
}

void TDataSet::CreateFields() {
  for (const auto& def : FFieldDefs) def->CreateField();
}

void TDataSet::DestroyFields() {
  for (const auto& field : FDefaultFieldStore) {
    FFields.Remove(field.get());
    field->FDataSet = nullptr;
    field->RemoveFreeNotification(this);
  }
  FDefaultFieldStore.clear();
}

namespace {

// Field classes that may stand for a definition of another type because
// they read and write the same native value.
int TypeFamily(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return 1;
    case ftInteger:
    case ftAutoInc:
      return 2;
    default:
      return IsBlobFieldType(type) ? 3 : 100 + static_cast<int>(type);
  }
}

}  // namespace

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  for (TField* field : FFields) {
    if (!binding) {
      field->FFieldNo = 0;
      field->FOffset = 0;
      continue;
    }
    const TFieldKind kind = field->FieldKind();
    if (kind == fkCalculated || kind == fkLookup) {
      if (kind == fkLookup && (field->LookupDataSet() == nullptr || field->KeyFields().empty() ||
                               field->LookupKeyFields().empty() || field->LookupResultField().empty()))
        DatabaseError("Lookup information for field '" + field->DisplayName() + "' is incomplete");
      field->FFieldNo = -1;
      field->FOffset = FCalcFieldsSize;
      FCalcFieldsSize += field->DataSize() + 1;
      continue;
    }
    const TFieldDef* def = FFieldDefs.Find(field->FieldName());
    if (def == nullptr) DatabaseError("Field '" + field->DisplayName() + "' not found");
    if (TypeFamily(def->DataType()) != TypeFamily(field->DataType()))
      DatabaseError("Type mismatch for field '" + field->DisplayName() + "', expecting: " +
                    FieldTypeName(field->DataType()) + " actual: " + FieldTypeName(def->DataType()));
    field->FFieldNo = def->FieldNo();
  }
}

// --- Calculated fields ----------------------------------------------------

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize > 0 && buffer != nullptr)
    std::memset(buffer + GetRecordSize() - FCalcFieldsSize, 0, static_cast<std::size_t>(FCalcFieldsSize));
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize == 0) return;
  struct CalcScope {
    TDataSet& DataSet;
    TRecordBuffer Saved;
    TDataSetState SavedState;
    CalcScope(TDataSet& dataSet, TRecordBuffer buffer)
        : DataSet(dataSet), Saved(dataSet.FCalcBuffer), SavedState(dataSet.SetTempState(dsCalcFields)) {
      DataSet.FCalcBuffer = buffer;
    }
    ~CalcScope() {
      DataSet.FCalcBuffer = Saved;
      DataSet.RestoreState(SavedState);
    }
  } scope(*this, buffer);
  // The buffer may still hold another record's calculated values (buffers
  // are reused as the window moves); a calculation that sets only some
  // fields must not show them.
  ClearCalcFields(buffer);
  CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer) {
  for (TField* field : FFields)
    if (field->FieldKind() == fkLookup) field->CalcLookupValue();
  DoOnCalcFields();
}

void TDataSet::UpdateCalcFields() {
  if (FAutoCalcFields && FCalcFieldsSize > 0 && (FState == dsEdit || FState == dsInsert))
    GetCalcFields(ActiveBuffer());
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : FFields) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      throw EDatabaseError("Field '" + field->DisplayName() + "' must have a value");
    }
  }
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  TTempState scope(*this, state);
  return field->Value();
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  TTempState scope(*this, state);
  field->SetValue(value);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

bool TDataSet::GetCurrentRecord(TRecordBuffer) { return false; }

int TDataSet::Translate(const char* source, char* dest, bool) {
  if (source == nullptr) return 0;
  const std::size_t length = std::strlen(source);
  if (dest != nullptr && dest != source) std::memmove(dest, source, length + 1);
  return static_cast<int>(length);
}

// --- Record buffers -------------------------------------------------------

TRecordBuffer TDataSet::AllocRecordBuffer() {
  const int size = std::max(GetRecordSize(), 1);
  FBufferPool.push_back(std::make_unique<std::byte[]>(static_cast<std::size_t>(size)));
  return FBufferPool.back().get();
}

void TDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  const auto it =
      std::find_if(FBufferPool.begin(), FBufferPool.end(),
                   [buffer](const std::unique_ptr<std::byte[]>& owned) { return owned.get() == buffer; });
  if (it != FBufferPool.end()) FBufferPool.erase(it);
  buffer = nullptr;
}

// --- Event firers ---------------------------------------------------------

void TDataSet::DoBeforeOpen() {
  if (BeforeOpen) BeforeOpen(this);
}
void TDataSet::DoAfterOpen() {
  if (AfterOpen) AfterOpen(this);
}
void TDataSet::DoBeforeClose() {
  if (BeforeClose) BeforeClose(this);
}
void TDataSet::DoAfterClose() {
  if (AfterClose) AfterClose(this);
}
void TDataSet::DoBeforeInsert() {
  if (BeforeInsert) BeforeInsert(this);
}
void TDataSet::DoAfterInsert() {
  if (AfterInsert) AfterInsert(this);
}
void TDataSet::DoBeforeEdit() {
  if (BeforeEdit) BeforeEdit(this);
}
void TDataSet::DoAfterEdit() {
  if (AfterEdit) AfterEdit(this);
}
void TDataSet::DoBeforePost() {
  if (BeforePost) BeforePost(this);
}
void TDataSet::DoAfterPost() {
  if (AfterPost) AfterPost(this);
}
void TDataSet::DoBeforeCancel() {
  if (BeforeCancel) BeforeCancel(this);
}
void TDataSet::DoAfterCancel() {
  if (AfterCancel) AfterCancel(this);
}
void TDataSet::DoBeforeDelete() {
  if (BeforeDelete) BeforeDelete(this);
}
void TDataSet::DoAfterDelete() {
  if (AfterDelete) AfterDelete(this);
}
void TDataSet::DoBeforeScroll() {
  if (BeforeScroll) BeforeScroll(this);
}
void TDataSet::DoAfterScroll() {
  if (AfterScroll) AfterScroll(this);
}
void TDataSet::DoBeforeRefresh() {
  if (BeforeRefresh) BeforeRefresh(this);
}
void TDataSet::DoAfterRefresh() {
  if (AfterRefresh) AfterRefresh(this);
}
void TDataSet::DoOnCalcFields() {
  if (OnCalcFields) OnCalcFields(this);
}
void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(this);
}
