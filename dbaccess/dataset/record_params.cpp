// TpFIBDataSet: the parameters of the modify statements filled from a
// record buffer, and an output row written back into one. Both work on the
// columns as the record buffer holds them (fib_dataset.h), so any buffer
// will do, not only the one the fields show.

#include <cmath>
#include <cstring>

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/util/number_text.h"
#include "dbaccess/util/raw_bytes.h"
#include "framework/core/data/data_source.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/text.h"

namespace {

int IndexInBuffer(TRecordBuffer buffer) { return LoadRaw<std::int32_t>(reinterpret_cast<const char*>(buffer)); }

bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && AsciiUpper(name.substr(0, prefix.size())) == prefix;
}

// The column's value in the record into the parameter, by the column's type.
void SetColumnParam(TFIBXSQLVAR& var, const TFIBColumnDescriptor& column, std::size_t columnIndex,
                    TRecordBuffer record) {
  if (record[6 + columnIndex] != std::byte{0}) {
    var.SetIsNull(true);
    return;
  }
  const char* data = reinterpret_cast<const char*>(record) + column.Offset;
  switch (column.SQLType) {
    case SQLTypeVarying:
    case SQLTypeText: {
      const char* text = data;
      const auto declared = static_cast<std::size_t>(column.DeclaredLength);
      if (column.IsDbKey) {
        var.SetRawData(SQLTypeText, column.DeclaredLength, text);
      } else {
        var.SetAsString(std::string_view(text, strnlen(text, declared)));
      }
      break;
    }
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
      var.SetAsDouble(LoadRaw<double>(data));
      break;
    case SQLTypeLong:
    case SQLTypeShort:
      var.SetAsInteger(LoadRaw<std::int32_t>(data));
      break;
    case SQLTypeTimeStamp:
      var.SetAsDateTime(
          TimeStampToDateTime(MSecsToTimeStamp(static_cast<std::int64_t>(std::llround(LoadRaw<double>(data))))));
      break;
    case SQLTypeTime:
      var.SetAsTime(TimeStampToDateTimeSafe(TTimeStamp{LoadRaw<std::int32_t>(data), 0}));
      break;
    case SQLTypeDate:
      var.SetAsDate(TimeStampToDateTime(TTimeStamp{0, LoadRaw<std::int32_t>(data)}));
      break;
    case SQLTypeInt64:
      if (column.Conversion == TFIBColumnDescriptor::TConversion::Int64Scaled) {
        var.SetAsDouble(LoadRaw<double>(data));
      } else if (column.Scale == 0) {
        var.SetAsInt64(LoadRaw<std::int64_t>(data));
      } else {
        TBcd bcd;
        Int64ToBcd(-column.Scale, bcd, LoadRaw<std::int64_t>(data));
        var.SetAsBcd(bcd);
      }
      break;
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      var.SetAsBoolean(LoadRaw<std::int16_t>(data) == 1);
      break;
    case SQLTypeBlob:
    case SQLTypeArray:
    case SQLTypeQuad:
      var.SetAsQuad(LoadRaw<TISCQuad>(data));
      break;
    default:
      var.SetRawData(column.SQLType, column.StorageSize, data);
      break;
  }
}

// The parameter's value into the column of the record (the reverse of the
// above), for rows that modify statements and procedures hand back.
void StoreColumnValue(const TFIBXSQLVAR& var, const TFIBColumnDescriptor& column, std::size_t columnIndex,
                      TRecordBuffer record) {
  char* data = reinterpret_cast<char*>(record) + column.Offset;
  const auto size = static_cast<std::size_t>(column.SQLType == SQLTypeVarying || column.SQLType == SQLTypeText
                                                 ? column.DeclaredLength
                                                 : column.StorageSize);
  const bool isNull = var.IsNull();
  record[6 + columnIndex] = isNull ? std::byte{1} : std::byte{0};
  std::memset(data, 0, size);
  if (isNull) return;
  switch (column.SQLType) {
    case SQLTypeVarying:
    case SQLTypeText: {
      const std::string text = var.AsString();
      std::memcpy(data, text.data(), std::min(text.size(), size));
      break;
    }
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
      StoreRaw<double>(data, var.AsDouble());
      break;
    case SQLTypeLong:
    case SQLTypeShort:
      StoreRaw<std::int32_t>(data, var.AsInteger());
      break;
    case SQLTypeTimeStamp:
      StoreRaw<double>(data, static_cast<double>(TimeStampToMSecs(DateTimeToTimeStamp(var.AsDateTime()))));
      break;
    case SQLTypeTime:
      StoreRaw<std::int32_t>(data, DateTimeToTimeStamp(var.AsDateTime()).Time);
      break;
    case SQLTypeDate:
      StoreRaw<std::int32_t>(data, DateTimeToTimeStamp(var.AsDateTime()).Date);
      break;
    case SQLTypeInt64:
      if (column.Conversion == TFIBColumnDescriptor::TConversion::Int64Scaled) {
        StoreRaw<double>(data, var.AsDouble());
      } else {
        std::int64_t value = 0;
        int places = 0;
        BcdToInt64(var.AsBcd(), value, places);
        for (; places < -column.Scale; ++places) value *= 10;
        for (; places > -column.Scale; --places) value /= 10;
        StoreRaw<std::int64_t>(data, value);
      }
      break;
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      StoreRaw<std::int16_t>(data, var.AsBoolean() ? 1 : 0);
      break;
    case SQLTypeBlob:
    case SQLTypeArray:
    case SQLTypeQuad:
      StoreRaw<TISCQuad>(data, var.AsQuad());
      break;
    default:
      break;
  }
}

}  // namespace

void TpFIBDataSet::SetRecordParams(TFIBQuery& query, TRecordBuffer buffer) {
  if (buffer == nullptr) RaiseClientError(ceBufferNotSet);
  TFIBXSQLDA& columns = SelectQuery().Fields();
  const std::vector<TFIBColumnDescriptor>& descriptors = ColumnDescriptors();
  // The old version is read only when a parameter asks for it; a record
  // not in the cache (a new one) is its own old version.
  std::vector<std::byte> old;
  const auto oldBuffer = [&]() -> TRecordBuffer {
    if (old.empty()) {
      old.resize(static_cast<std::size_t>(RecordBufferSize()));
      const int index = IndexInBuffer(buffer);
      if (index >= FirstRecordIndex() && index < FetchedCount())
        ReadOldRecordAt(index, old.data());
      else
        std::memcpy(old.data(), buffer, old.size());
    }
    return old.data();
  };
  TDataSet* master = GetDataSource() != nullptr ? GetDataSource()->DataSet() : nullptr;

  const auto fill = [&](TFIBXSQLVAR& var) {
    const std::string& name = var.Name();
    std::string_view columnName = name;
    TRecordBuffer source = buffer;
    if (HasPrefix(name, "OLD_")) {
      columnName = std::string_view(name).substr(4);
      source = oldBuffer();
    } else if (HasPrefix(name, "NEW_")) {
      columnName = std::string_view(name).substr(4);
    } else if (HasPrefix(name, "MAS_") && master != nullptr) {
      if (TField* field = master->FindField(std::string_view(name).substr(4))) var.SetAsVariant(field->AsVariant());
      return;
    }
    const int index = columns.IndexOfName(columnName);
    if (index < 0 || static_cast<std::size_t>(index) >= descriptors.size()) {
      // A name that is no column may be one of the select's parameters.
      if (&query != &SelectQuery())
        if (TFIBXSQLVAR* selectParam = SelectQuery().FindParam(name)) var.SetAsVariant(selectParam->AsVariant());
      return;
    }
    SetColumnParam(var, descriptors[static_cast<std::size_t>(index)], static_cast<std::size_t>(index), source);
  };

  TFIBXSQLDA& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) {
    if (!params[i].IsMacro()) fill(params[i]);
  }
  for (const std::string& name : query.ExtraParamNames()) {
    const int index = query.SentParams().IndexOfName(name);
    if (index >= 0) fill(query.SentParams()[index]);
  }
}

void TpFIBDataSet::StoreOutputRow(TFIBQuery& query, TRecordBuffer buffer) {
  TFIBXSQLDA& columns = SelectQuery().Fields();
  const std::vector<TFIBColumnDescriptor>& descriptors = ColumnDescriptors();
  TFIBXSQLDA& output = query.Fields();
  for (int i = 0; i < output.Count(); ++i) {
    const int index = columns.IndexOfName(output[i].Name());
    if (index < 0 || static_cast<std::size_t>(index) >= descriptors.size()) continue;
    const TFIBColumnDescriptor& column = descriptors[static_cast<std::size_t>(index)];
    if (column.IsDbKey) continue;
    StoreColumnValue(output[i], column, static_cast<std::size_t>(index), buffer);
  }
}
