// TFIBCustomDataSet: field values in the record buffer, the columns behind
// fields, and the filter expression.

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/filter/expression_parser.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/text/text.h"

namespace {

std::size_t TrimmedLength(const char* text, std::size_t length) {
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 33) --length;
  return length;
}

}  // namespace

// ---- Columns of fields ------------------------------------------------------------------

const TFIBColumnDescriptor* TFIBCustomDataSet::ColumnOf(const TField* field) const {
  if (field == nullptr || field->DataSet() != this) return nullptr;
  const int number = field->FieldNo();
  if (number < 1 || number > static_cast<int>(FColumnOfFieldNo.size())) return nullptr;
  const auto column = static_cast<std::size_t>(FColumnOfFieldNo[static_cast<std::size_t>(number - 1)]);
  return column < FColumns.size() ? &FColumns[column] : nullptr;
}

TFIBXSQLVAR* TFIBCustomDataSet::SelectColumnOf(const TField* field) const {
  if (field == nullptr || field->FieldKind() != fkData) return nullptr;
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  const int number = field->FieldNo();
  if (field->DataSet() == this && number >= 1 && number <= static_cast<int>(FColumnOfFieldNo.size())) {
    const int column = FColumnOfFieldNo[static_cast<std::size_t>(number - 1)];
    if (column < columns.Count()) return &columns[column];
  }
  const int index = columns.IndexOfName(field->FieldName());
  return index >= 0 ? &columns[index] : nullptr;
}

// ---- Reading -------------------------------------------------------------------------------

TRecordBuffer TFIBCustomDataSet::ReadBufferFor(bool& visible) {
  visible = true;
  if (!FCache) return nullptr;
  TRecordBuffer record = nullptr;
  // A record read by number (RecordFieldValue), or in the filter state the
  // record under test: both outside the window, in the scratch buffer.
  const int outside = FValueAtRecord >= 0 ? FValueAtRecord : (State() == dsFilter ? FCurrentRecord : -1);
  if (outside >= 0 || State() == dsFilter) {
    if (!IsHeld(outside)) return nullptr;
    if (FScratchIndex != outside || (State() == dsFilter && !FScratchCalculated)) {
      ReadCachedRecord(outside, FScratch.get());
      FScratchIndex = outside;
      FScratchCalculated = false;
      // A record under test (filter, locate, lookup) answers for its
      // calculated fields too; a value read by number leaves them alone,
      // since it never shows the record.
      if (State() == dsFilter && CalcFieldsSize() > 0) {
        GetCalcFields(FScratch.get());
        FScratchCalculated = true;
      }
    }
    record = FScratch.get();
  } else {
    switch (State()) {
      case dsCalcFields:
        record = CalcBuffer();
        break;
      case dsOldValue: {
        if (IsEmpty()) return nullptr;
        const int index = RecordIndexOf(ActiveBuffer());
        if (!IsHeld(index)) return ActiveBuffer();
        FCache->ReadOldVersion(CacheSlot(index) + 1, reinterpret_cast<char*>(FScratch.get()));
        FScratchIndex = -1;
        return FScratch.get();
      }
      default:
        if (IsEmpty()) return nullptr;
        record = ActiveBuffer();
        break;
    }
  }
  if (record != nullptr) visible = RecordIsVisible(record);
  return record;
}

bool TFIBCustomDataSet::GetFieldData(TField* field, void* buffer) {
  bool visible = true;
  TRecordBuffer record = ReadBufferFor(visible);
  if (record == nullptr || !visible) return false;
  if (field->FieldNo() < 0) {
    const std::byte* calc = record + (FRecordBufferSize - CalcFieldsSize()) + field->Offset();
    const bool has = calc[0] != std::byte{0};
    if (has && buffer != nullptr) std::memcpy(buffer, calc + 1, static_cast<std::size_t>(field->DataSize()));
    return has;
  }
  const TFIBColumnDescriptor* column = ColumnOf(field);
  if (column == nullptr) return false;
  const auto index = static_cast<std::size_t>(column - FColumns.data());
  const bool has = record[6 + index] == std::byte{0};
  if (!has || buffer == nullptr) return has;
  return ReadColumn(field, *column, record, buffer);
}

bool TFIBCustomDataSet::ReadColumn(TField* field, const TFIBColumnDescriptor& column, TRecordBuffer record,
                                   void* buffer) {
  const char* source = reinterpret_cast<const char*>(record) + column.Offset;
  const auto declared = static_cast<std::size_t>(column.DeclaredLength);
  if (column.SQLType == SQLTypeVarying || column.SQLType == SQLTypeText) {
    auto* text = static_cast<char*>(buffer);
    if (field->Size() < column.DeclaredLength)
      RaiseClientError(ceFieldSizeTooSmall, Name(), field->FieldName());
    std::size_t length;
    if (column.IsDbKey) {
      length = declared;
    } else {
      // A value that fills its column has no terminator: the column's
      // length bounds it.
      const void* zero = std::memchr(source, 0, declared);
      length = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - source) : declared;
      if (FOptions.Contains(poTrimCharFields)) length = TrimmedLength(source, length);
    }
    length = std::min(length, static_cast<std::size_t>(field->Size()));
    std::memcpy(text, source, length);
    text[length] = '\0';
    // Read once per cell of every record a grid loads: the usual class is
    // told apart without a walk of the class tree.
    auto* fibString = typeid(*field) == typeid(TFIBStringField) ? static_cast<TFIBStringField*>(field)
                                                                 : dynamic_cast<TFIBStringField*>(field);
    if (fibString != nullptr) fibString->SetValueLength(static_cast<int>(length), column.IsDbKey);
    return true;
  }
  if (field->DataType() == ftBCD) {
    auto* fibBcd = dynamic_cast<TFIBBCDField*>(field);
    if (fibBcd == nullptr || !fibBcd->ReadingRaw()) {
      std::int64_t raw = 0;
      std::memcpy(&raw, source, sizeof raw);
      TBcd bcd;
      Int64ToBcd(-column.Scale, bcd, raw);
      std::memcpy(buffer, &bcd, sizeof bcd);
      return true;
    }
  }
  const auto size = static_cast<std::size_t>(std::max(field->DataSize(), 0));
  const std::size_t copied = std::min(size, static_cast<std::size_t>(column.StorageSize));
  std::memcpy(buffer, source, copied);
  if (copied < size) std::memset(static_cast<char*>(buffer) + copied, 0, size - copied);
  return true;
}

bool TFIBCustomDataSet::GetStateFieldData(TDataSetState state, TField* field, void* buffer) {
  if (State() == state) return GetFieldData(field, buffer);
  TTempState scope(*this, state);
  return GetFieldData(field, buffer);
}

// ---- Writing -------------------------------------------------------------------------------

void TFIBCustomDataSet::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (field->FieldNo() < 0) {
    TRecordBuffer record = state == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (record == nullptr) return;
    std::byte* calc = record + (FRecordBufferSize - CalcFieldsSize()) + field->Offset();
    calc[0] = buffer != nullptr ? std::byte{1} : std::byte{0};
    if (buffer != nullptr) std::memcpy(calc + 1, buffer, static_cast<std::size_t>(field->DataSize()));
  } else {
    CheckEditState();
    const TFIBColumnDescriptor* column = ColumnOf(field);
    if (column == nullptr) return;
    field->Validate(buffer);
    TRecordBuffer record = ActiveBuffer();
    const auto index = static_cast<std::size_t>(column - FColumns.data());
    char* target = reinterpret_cast<char*>(record) + column->Offset;
    if (buffer != nullptr) {
      auto* fibString = dynamic_cast<TFIBStringField*>(field);
      if (fibString != nullptr && fibString->EmptyStrToNull() && static_cast<const char*>(buffer)[0] == '\0' &&
          !(ColumnDefaultsToEmptyString(*column, field) && !column->Nullable))
        buffer = nullptr;
    }
    if (buffer == nullptr) {
      record[6 + index] = std::byte{1};
    } else {
      const auto storage = static_cast<std::size_t>(column->StorageSize);
      if (column->SQLType == SQLTypeVarying || column->SQLType == SQLTypeText) {
        const auto* text = static_cast<const char*>(buffer);
        const std::size_t length = column->IsDbKey ? storage : strnlen(text, storage);
        std::memcpy(target, text, length);
        std::memset(target + length, 0, storage - length);
      } else if (field->DataType() == ftBCD && dynamic_cast<TFIBBCDField*>(field) == nullptr) {
        TBcd bcd;
        std::memcpy(&bcd, buffer, sizeof bcd);
        std::int64_t value = 0;
        int places = 0;
        BcdToInt64(bcd, value, places);
        for (; places < -column->Scale; ++places) value *= 10;
        for (; places > -column->Scale; --places) value /= 10;
        std::memcpy(target, &value, sizeof value);
      } else {
        const std::size_t copied = std::min(storage, static_cast<std::size_t>(std::max(field->DataSize(), 0)));
        std::memcpy(target, buffer, copied);
        std::memset(target + copied, 0, storage - copied);
      }
      record[6 + index] = std::byte{0};
    }
    auto& status = reinterpret_cast<std::uint8_t&>(record[5]);
    if (status == cusUnmodified) {
      status = state == dsInsert ? cusInserted : cusModified;
      ++FPendingUpdateCount;
    }
    SetModified(true);
  }
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue) {
    TDataEventInfo info;
    info.Field = field;
    DataEvent(deFieldChange, info);
  }
}

// ---- Origins --------------------------------------------------------------------------------

std::string TFIBCustomDataSet::OriginTableOf(const TField* field) const {
  if (field == nullptr) return {};
  if (field->FieldKind() == fkCalculated) return "CALCULATED";
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    TField* result = lookup != nullptr ? lookup->FindField(field->LookupResultField()) : nullptr;
    return result != nullptr ? lookup->OriginTableOf(result) : std::string();
  }
  const TFIBXSQLVAR* column = SelectColumnOf(field);
  return column != nullptr ? std::string(column->RelationName()) : std::string();
}

std::string TFIBCustomDataSet::OriginColumnOf(const TField* field) const {
  if (field == nullptr) return {};
  if (field->FieldKind() == fkCalculated) return field->FieldName();
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    TField* result = lookup != nullptr ? lookup->FindField(field->LookupResultField()) : nullptr;
    return result != nullptr ? lookup->OriginColumnOf(result) : std::string();
  }
  const TFIBXSQLVAR* column = SelectColumnOf(field);
  return column != nullptr ? std::string(column->FieldName()) : std::string();
}

std::string TFIBCustomDataSet::OriginOf(TField* field) {
  if (!Active() && field->FieldNo() == 0 && field->FieldKind() == fkData) {
    if (!FPrepared || FieldDefs().Count() == 0) InternalPrepare();
    BindFields(true);
  }
  return OriginTableOf(field) + "." + OriginColumnOf(field);
}

TField* TFIBCustomDataSet::FieldByOrigin(std::string_view origin) {
  for (TField* field : Fields())
    if (OriginOf(field) == origin) return field;
  return nullptr;
}

// ---- Filtering ------------------------------------------------------------------------------

void TFIBCustomDataSet::BuildFilterExpression(const std::string& text, TFilterOptions options) {
  std::vector<TField*> switched;
  ++FFilterBuildDepth;
  struct TRestore {
    TFIBCustomDataSet& DataSet;
    std::vector<TField*>& Switched;
    ~TRestore() {
      for (TField* field : Switched) field->SetFieldKind(fkCalculated);
      --DataSet.FFilterBuildDepth;
    }
  } restore{*this, switched};
  // Calculated fields take part in a filter as internally calculated ones.
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkCalculated) continue;
    field->SetFieldKind(fkInternalCalc);
    switched.push_back(field);
  }
  FFilterExpression.reset();
  if (IsBlankText(text)) return;
  FFilterExpression = std::make_unique<TExpressionParser>(*this, Trim(text), options);
}

void TFIBCustomDataSet::UpdateFilter(const std::string& text, TFilterOptions options, bool) {
  if (Active()) {
    CheckBrowseMode();
    if (!FFilterExpression || FFilterExpression->Text() != Trim(text) || !(FFilterExpression->Options() == options))
      BuildFilterExpression(text, options);
  }
  TDataSet::SetFilterText(text);
  TDataSet::SetFilterOptions(options);
  if (Active() && Filtered()) First();
}

void TFIBCustomDataSet::SetFilterText(const std::string& text) { UpdateFilter(text, FilterOptions(), true); }

void TFIBCustomDataSet::SetFilterOptions(TFilterOptions options) { UpdateFilter(Filter(), options, false); }
