#include "framework/core/data/memory_dataset.h"

#include <algorithm>
#include <cstring>

#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"

// A record buffer: the row's id (int32), the bookmark flag, three spare
// bytes, then per column a null byte (1 = null) and the native value, then
// the calculated-field area. A row holds the same column part.

namespace {

constexpr int kHeaderSize = 8;
constexpr int kFlagOffset = 4;
constexpr int kBookmarkSize = 8;

int NativeSize(TFieldType type, int size) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return size + 1;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
      return 8;
    case ftBoolean:
      return 2;
    case ftBCD:
      return static_cast<int>(sizeof(TBcd));
    case ftBytes:
      return size;
    case ftVarBytes:
      return size + 2;
    default:
      return IsBlobFieldType(type) ? 8 : -1;
  }
}

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftMemo ||
         type == ftFmtMemo;
}

}  // namespace

// The blob stream of one field of one record buffer. Writes go through to
// the dataset at once, so nothing waits for the stream's end.
class TMemoryBlobStream : public TMemoryStream {
 public:
  TMemoryBlobStream(TMemoryDataSet& dataSet, TField* field, TRecordBuffer record, std::byte* cell,
                    bool writing)
      : FDataSet(dataSet), FField(field), FRecord(record), FCell(cell) {
    if (writing) {
      FModified = true;
      Commit();
    } else if (std::to_integer<int>(FCell[0]) == 0) {
      std::int64_t blob = 0;
      std::memcpy(&blob, FCell + 1, sizeof blob);
      if (blob >= 0 && blob < static_cast<std::int64_t>(FDataSet.FBlobs.size()))
        SetBytes(FDataSet.FBlobs[static_cast<std::size_t>(blob)]);
    }
  }

  ~TMemoryBlobStream() override {
    if (!FModified) return;
    // The value is stored already; only the controls are still to be told,
    // and a destructor cannot report their errors, so they are dropped.
    try {
      TDataEventInfo info;
      info.Field = FField;
      FDataSet.DataEvent(deFieldChange, info);
    } catch (...) {
    }
  }

  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t written = TMemoryStream::Write(buffer, count);
    FModified = true;
    Commit();
    return written;
  }

  void SetSize(std::int64_t size) override {
    TMemoryStream::SetSize(size);
    FModified = true;
    Commit();
  }

 private:
  void Commit() {
    if (FBlob < 0) {
      FDataSet.FBlobs.emplace_back();
      FBlob = static_cast<std::int64_t>(FDataSet.FBlobs.size()) - 1;
      std::memcpy(FCell + 1, &FBlob, sizeof FBlob);
    }
    FDataSet.FBlobs[static_cast<std::size_t>(FBlob)] = Bytes();
    // An empty blob is a null one.
    FCell[0] = std::byte{Bytes().empty() ? std::uint8_t{1} : std::uint8_t{0}};
    FDataSet.SetModified(true);
  }

  TMemoryDataSet& FDataSet;
  TField* FField;
  TRecordBuffer FRecord;
  std::byte* FCell;
  std::int64_t FBlob = -1;
  bool FModified = false;
};

TMemoryDataSet::TMemoryDataSet(TComponent* owner) : TDataSet(owner) { SetBookmarkSize(kBookmarkSize); }

TMemoryDataSet::~TMemoryDataSet() { CloseOnDestroy(); }

// --- Layout and rows ------------------------------------------------------

int TMemoryDataSet::RowId(const std::byte* record) {
  std::int32_t id = 0;
  std::memcpy(&id, record, sizeof id);
  return id;
}

int TMemoryDataSet::IndexOfId(int id) const {
  if (!FIndexValid) {
    FIndex.clear();
    for (std::size_t i = 0; i < FRows.size(); ++i) FIndex[FRows[i].Id] = static_cast<int>(i);
    FIndexValid = true;
  }
  const auto it = FIndex.find(id);
  return it == FIndex.end() ? -1 : it->second;
}

const TMemoryDataSet::Column* TMemoryDataSet::ColumnOf(const TField* field) const {
  const int number = field->FieldNo();
  if (number < 1 || number > static_cast<int>(FColumns.size())) return nullptr;
  return &FColumns[static_cast<std::size_t>(number - 1)];
}

void TMemoryDataSet::InternalInitFieldDefs() {
  if (FieldDefs().Count() > 0) return;
  FieldDefs().BeginUpdate();
  for (TField* field : Fields())
    if (field->FieldKind() == fkData)
      FieldDefs().Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
  FieldDefs().EndUpdate();
}

void TMemoryDataSet::InternalOpen() {
  InternalInitFieldDefs();
  FColumns.clear();
  std::vector<std::pair<TFieldType, int>> layout;
  int offset = 0;
  for (const auto& def : FieldDefs()) {
    const int size = NativeSize(def->DataType(), def->Size());
    if (size < 0) DatabaseError("Field '" + def->Name() + "' is of an unknown type");
    FColumns.push_back(Column{offset, size, def->DataType()});
    layout.emplace_back(def->DataType(), def->Size());
    offset += 1 + size;
  }
  // Rows kept from an earlier opening are only valid in their layout.
  if (layout != FLayout) {
    FRows.clear();
    FBlobs.clear();
    FIndexValid = false;
    FLayout = layout;
  }
  FDataSize = offset;
  if (DefaultFields()) CreateFields();
  BindFields(true);
  FCalcStart = kHeaderSize + FDataSize;
  FRecordSize = FCalcStart + CalcFieldsSize();
  FScratch = AllocRecordBuffer();
  FOldBuffer = AllocRecordBuffer();
  FCursor = -1;
  FGotoSlot = -1;
  FCursorOpen = true;
}

void TMemoryDataSet::InternalClose() {
  if (FScratch != nullptr) FreeRecordBuffer(FScratch);
  if (FOldBuffer != nullptr) FreeRecordBuffer(FOldBuffer);
  FFilterBuffer = nullptr;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FCursorOpen = false;
  FCursor = -1;
}

void TMemoryDataSet::EmptyDataSet() {
  if (Active()) CheckBrowseMode();
  FRows.clear();
  FBlobs.clear();
  FIndexValid = false;
  if (Active()) First();
}

void TMemoryDataSet::LoadRow(int index, TRecordBuffer buffer) {
  const Row& row = FRows[static_cast<std::size_t>(index)];
  const std::int32_t id = row.Id;
  std::memcpy(buffer, &id, sizeof id);
  buffer[kFlagOffset] = std::byte{static_cast<std::uint8_t>(bfCurrent)};
  std::memcpy(buffer + kHeaderSize, row.Data.data(), row.Data.size());
  GetCalcFields(buffer);
}

bool TMemoryDataSet::RecordAccepted(TRecordBuffer buffer) {
  if (!Filtered() || !OnFilterRecord) return true;
  TTempState state(*this, dsFilter);
  const TRecordBuffer saved = FFilterBuffer;
  FFilterBuffer = buffer;
  bool accept = true;
  try {
    DoFilterRecord(accept);
  } catch (...) {
    FFilterBuffer = saved;
    throw;
  }
  FFilterBuffer = saved;
  return accept;
}

bool TMemoryDataSet::RowVisible(int index) {
  if (!Filtered() || !OnFilterRecord) return true;
  LoadRow(index, FScratch);
  return RecordAccepted(FScratch);
}

int TMemoryDataSet::InsertRow(int position, TRecordBuffer buffer) {
  position = std::clamp(position, 0, static_cast<int>(FRows.size()));
  Row row;
  row.Id = FNextId++;
  row.Data.assign(buffer + kHeaderSize, buffer + kHeaderSize + FDataSize);
  const bool atEnd = position == static_cast<int>(FRows.size());
  FRows.insert(FRows.begin() + position, std::move(row));
  // Appending keeps the positions of the others: the index only grows.
  if (atEnd && FIndexValid)
    FIndex[FRows.back().Id] = position;
  else
    FIndexValid = false;
  const std::int32_t id = FRows[static_cast<std::size_t>(position)].Id;
  std::memcpy(buffer, &id, sizeof id);
  return position;
}

// --- The cursor -----------------------------------------------------------

TGetResult TMemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  const int count = static_cast<int>(FRows.size());
  int position = std::clamp(FCursor, -1, count);
  if (mode == gmNext) position = std::min(position + 1, count);
  if (mode == gmPrior) position = std::max(position - 1, -1);
  const int step = mode == gmPrior ? -1 : 1;
  for (;;) {
    if (position < 0) {
      FCursor = -1;
      return grBOF;
    }
    if (position >= count) {
      FCursor = count;
      return grEOF;
    }
    LoadRow(position, buffer);
    if (RecordAccepted(buffer)) {
      FCursor = position;
      return grOK;
    }
    position += step;
  }
}

void TMemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  const int index = IndexOfId(RowId(buffer));
  if (index >= 0) FCursor = index;
}

void TMemoryDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  if (bookmark.size() != kBookmarkSize) DatabaseError("Invalid bookmark");
  std::int32_t id = 0, slot = 0;
  std::memcpy(&id, bookmark.data(), sizeof id);
  std::memcpy(&slot, bookmark.data() + 4, sizeof slot);
  const int index = IndexOfId(id);
  if (index < 0) DatabaseError("Record not found");
  FCursor = index;
  FGotoSlot = std::max<int>(slot, 0);
}

void TMemoryDataSet::Resync(TResyncMode mode) {
  if (FGotoSlot < 0) {
    TDataSet::Resync(mode);
    return;
  }
  // After going to a bookmark the record returns to the slot it had.
  const int slot = FGotoSlot;
  FGotoSlot = -1;
  SetActiveRecord(slot);
  TDataSet::Resync(TResyncMode{rmExact});
}

void TMemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(FRecordSize));
  for (const Column& column : FColumns) buffer[kHeaderSize + column.Offset] = std::byte{1};
}

void TMemoryDataSet::GetBookmarkData(TRecordBuffer buffer, std::byte* data) const {
  const std::int32_t id = RowId(buffer);
  const std::int32_t slot = ActiveRecord();
  std::memcpy(data, &id, sizeof id);
  std::memcpy(data + 4, &slot, sizeof slot);
}

void TMemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const std::byte* data) {
  std::memcpy(buffer, data, 4);
}

TBookmarkFlag TMemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
  return static_cast<TBookmarkFlag>(std::to_integer<int>(buffer[kFlagOffset]));
}

void TMemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  buffer[kFlagOffset] = std::byte{static_cast<std::uint8_t>(value)};
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) const {
  if (bookmark.size() != kBookmarkSize || !FCursorOpen) return false;
  std::int32_t id = 0;
  std::memcpy(&id, bookmark.data(), sizeof id);
  return IndexOfId(id) >= 0;
}

int TMemoryDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? 1 : -1);
  std::int32_t ida = 0, idb = 0;
  std::memcpy(&ida, a.data(), std::min<std::size_t>(a.size(), 4));
  std::memcpy(&idb, b.data(), std::min<std::size_t>(b.size(), 4));
  return ida < idb ? -1 : (ida > idb ? 1 : 0);
}

// --- Field data -----------------------------------------------------------

TRecordBuffer TMemoryDataSet::RecordForState() {
  switch (State()) {
    case dsCalcFields:
    case dsInternalCalc:
      return CalcBuffer();
    case dsFilter:
      return FFilterBuffer;
    case dsOldValue:
      return OldValueRecord();
    case dsBrowse:
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue:
      return IsEmpty() ? nullptr : ActiveBuffer();
    default:
      return nullptr;
  }
}

TRecordBuffer TMemoryDataSet::OldValueRecord() {
  if (IsEmpty()) return nullptr;
  TRecordBuffer active = ActiveBuffer();
  if (GetBookmarkFlag(active) != bfCurrent) return nullptr;
  const int index = IndexOfId(RowId(active));
  if (index < 0) return nullptr;
  std::memcpy(FOldBuffer, active, static_cast<std::size_t>(FRecordSize));
  const Row& row = FRows[static_cast<std::size_t>(index)];
  std::memcpy(FOldBuffer + kHeaderSize, row.Data.data(), row.Data.size());
  return FOldBuffer;
}

bool TMemoryDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = RecordForState();
  if (record == nullptr) {
    if (IsEmpty() && State() != dsInactive) ++FInvalidReads;
    return false;
  }
  if (field->FieldNo() < 0) {
    const std::byte* cell = record + FCalcStart + field->Offset();
    if (std::to_integer<int>(cell[0]) == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, cell + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }
  const Column* column = ColumnOf(field);
  if (column == nullptr) return false;
  const std::byte* cell = record + kHeaderSize + column->Offset;
  if (std::to_integer<int>(cell[0]) != 0) return false;
  if (buffer == nullptr || IsBlobFieldType(column->Type)) return true;
  const int wanted = field->DataSize();
  const int copied = std::min(wanted, column->Size);
  auto* out = static_cast<std::byte*>(buffer);
  std::memcpy(out, cell + 1, static_cast<std::size_t>(copied));
  if (copied < wanted) std::memset(out + copied, 0, static_cast<std::size_t>(wanted - copied));
  // A text cut to a shorter field still ends with its terminator.
  if (IsTextType(column->Type) && wanted > 0) out[wanted - 1] = std::byte{0};
  return true;
}

void TMemoryDataSet::CheckWritable(const TField* field) {
  const TDataSetState state = State();
  if (field->FieldNo() < 0) {
    if (state != dsCalcFields && state != dsInternalCalc && state != dsEdit && state != dsInsert &&
        state != dsNewValue)
      DatabaseError("Dataset not in edit or insert mode");
    return;
  }
  if (state != dsEdit && state != dsInsert && state != dsNewValue)
    DatabaseError("Dataset not in edit or insert mode");
  if (field->ReadOnly()) DatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
}

void TMemoryDataSet::SetFieldData(TField* field, const void* buffer) {
  CheckWritable(field);
  TRecordBuffer record = RecordForState();
  if (record == nullptr) DatabaseError("No current record");
  field->Validate(buffer);
  if (field->FieldNo() < 0) {
    std::byte* cell = record + FCalcStart + field->Offset();
    const auto size = static_cast<std::size_t>(field->DataSize());
    cell[0] = std::byte{buffer != nullptr ? std::uint8_t{1} : std::uint8_t{0}};
    if (buffer != nullptr)
      std::memcpy(cell + 1, buffer, size);
    else
      std::memset(cell + 1, 0, size);
  } else {
    const Column* column = ColumnOf(field);
    if (column == nullptr) DatabaseError("Field '" + field->DisplayName() + "' is not bound");
    std::byte* cell = record + kHeaderSize + column->Offset;
    std::memset(cell + 1, 0, static_cast<std::size_t>(column->Size));
    if (buffer == nullptr || IsBlobFieldType(column->Type)) {
      cell[0] = std::byte{1};
    } else {
      cell[0] = std::byte{0};
      const int copied = std::min(field->DataSize(), column->Size);
      std::memcpy(cell + 1, buffer, static_cast<std::size_t>(copied));
      if (IsTextType(column->Type)) cell[column->Size] = std::byte{0};
    }
  }
  const TDataSetState state = State();
  if (state != dsCalcFields && state != dsInternalCalc && state != dsFilter && state != dsNewValue) {
    TDataEventInfo info;
    info.Field = field;
    DataEvent(deFieldChange, info);
  }
}

std::unique_ptr<TStream> TMemoryDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  const Column* column = ColumnOf(field);
  if (column == nullptr || !IsBlobFieldType(column->Type))
    DatabaseError("Field '" + field->DisplayName() + "' is not a blob field");
  const bool writing = mode != bmRead;
  if (writing) CheckWritable(field);
  TRecordBuffer record = RecordForState();
  if (record == nullptr) {
    if (writing) DatabaseError("No current record");
    if (IsEmpty()) ++FInvalidReads;
    return std::make_unique<TMemoryStream>();
  }
  return std::make_unique<TMemoryBlobStream>(*this, field, record, record + kHeaderSize + column->Offset,
                                             mode == bmWrite);
}

bool TMemoryDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  std::memcpy(buffer, ActiveBuffer(), static_cast<std::size_t>(FRecordSize));
  return true;
}

TUpdateStatus TMemoryDataSet::UpdateStatus() const { return State() == dsInsert ? usInserted : usUnmodified; }

// --- Changes --------------------------------------------------------------

void TMemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  const int count = static_cast<int>(FRows.size());
  FCursor = InsertRow(append ? count : std::clamp(FCursor, 0, count), buffer);
}

void TMemoryDataSet::InternalPost() {
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsEdit) {
    const int index = IndexOfId(RowId(buffer));
    if (index < 0) DatabaseError("Record not found");
    Row& row = FRows[static_cast<std::size_t>(index)];
    std::memcpy(row.Data.data(), buffer + kHeaderSize, static_cast<std::size_t>(FDataSize));
    FCursor = index;
    return;
  }
  // A new record goes before the record it was inserted at, or at the end
  // when appended, or first into an empty dataset.
  const int count = static_cast<int>(FRows.size());
  int position = count;
  switch (GetBookmarkFlag(buffer)) {
    case bfBOF:
      position = 0;
      break;
    case bfEOF:
      position = count;
      break;
    default: {
      const int index = IndexOfId(RowId(buffer));
      position = index < 0 ? count : index;
      break;
    }
  }
  FCursor = InsertRow(position, buffer);
}

void TMemoryDataSet::InternalDelete() {
  const int index = IndexOfId(RowId(ActiveBuffer()));
  if (index < 0) DatabaseError("Record not found");
  FRows.erase(FRows.begin() + index);
  FIndexValid = false;
  // The cursor now stands on the record that followed.
  FCursor = index;
}

// --- Positions, filtering, searching --------------------------------------

int TMemoryDataSet::GetRecordCount() const {
  if (!FCursorOpen) return 0;
  auto* self = const_cast<TMemoryDataSet*>(this);
  if (!Filtered() || !OnFilterRecord) return static_cast<int>(FRows.size());
  int count = 0;
  for (int i = 0; i < static_cast<int>(FRows.size()); ++i)
    if (self->RowVisible(i)) ++count;
  return count;
}

int TMemoryDataSet::GetRecNo() const {
  if (!FCursorOpen || IsEmpty()) return 0;
  TRecordBuffer active = ActiveBuffer();
  if (GetBookmarkFlag(active) != bfCurrent) return 0;
  const int index = IndexOfId(RowId(active));
  if (index < 0) return 0;
  if (!Filtered() || !OnFilterRecord) return index + 1;
  auto* self = const_cast<TMemoryDataSet*>(this);
  int number = 0;
  for (int i = 0; i <= index; ++i)
    if (self->RowVisible(i)) ++number;
  return number;
}

void TMemoryDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  const int count = GetRecordCount();
  if (count == 0) return;
  value = std::clamp(value, 1, count);
  if (value == GetRecNo()) return;
  int index = -1;
  for (int i = 0, seen = 0; i < static_cast<int>(FRows.size()); ++i) {
    if (!RowVisible(i)) continue;
    if (++seen == value) {
      index = i;
      break;
    }
  }
  DoBeforeScroll();
  FCursor = index;
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

bool TMemoryDataSet::IsSequenced() const { return !Filtered() || !OnFilterRecord; }

void TMemoryDataSet::SetFiltered(bool value) {
  if (value == Filtered()) return;
  if (Active()) CheckBrowseMode();
  TDataSet::SetFiltered(value);
  if (Active()) First();
}

bool TMemoryDataSet::RowMatches(const std::vector<TField*>& fields, const Variant& keys,
                                TLocateOptions options) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i];
    const Variant key = keys.IsArray() ? keys[VarArrayLowBound(keys) + static_cast<int>(i)] : keys;
    const Variant value = field->Value();
    if (key.IsNull() || value.IsNull()) {
      if (key.IsNull() && value.IsNull()) continue;
      return false;
    }
    if (IsTextType(field->DataType())) {
      std::string text = field->AsString();
      std::string wanted = key.AsString();
      if (options.Contains(loCaseInsensitive)) {
        text = AnsiUpperCase(text);
        wanted = AnsiUpperCase(wanted);
      }
      const bool match =
          options.Contains(loPartialKey) ? text.compare(0, wanted.size(), wanted) == 0 : text == wanted;
      if (!match) return false;
      continue;
    }
    try {
      if (VarCompareValue(value, key) != vrEqual) return false;
    } catch (const EVariantError&) {
      return false;
    } catch (const EConvertError&) {
      return false;
    }
  }
  return true;
}

int TMemoryDataSet::FindRow(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckActive();
  const std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.empty()) return -1;
  for (int i = 0; i < static_cast<int>(FRows.size()); ++i) {
    LoadRow(i, FScratch);
    if (!RecordAccepted(FScratch)) continue;
    TTempState state(*this, dsFilter);
    const TRecordBuffer saved = FFilterBuffer;
    FFilterBuffer = FScratch;
    bool match = false;
    try {
      match = RowMatches(fields, keyValues, options);
    } catch (...) {
      FFilterBuffer = saved;
      throw;
    }
    FFilterBuffer = saved;
    if (match) return i;
  }
  return -1;
}

bool TMemoryDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  const int index = FindRow(keyFields, keyValues, options);
  if (index < 0) return false;
  FCursor = index;
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TMemoryDataSet::Lookup(const std::string& keyFields, const Variant& keyValues,
                               const std::string& resultFields) {
  CheckActive();
  const int index = FindRow(keyFields, keyValues, TLocateOptions{});
  if (index < 0) return Variant::Null();
  LoadRow(index, FScratch);
  TTempState state(*this, dsFilter);
  const TRecordBuffer saved = FFilterBuffer;
  FFilterBuffer = FScratch;
  Variant result;
  try {
    result = FieldValues(resultFields);
  } catch (...) {
    FFilterBuffer = saved;
    throw;
  }
  FFilterBuffer = saved;
  return result;
}
