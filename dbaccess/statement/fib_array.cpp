#include "dbaccess/util/raw_bytes.h"
#include "dbaccess/statement/fib_array.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <limits>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/base/variant_array.h"
#include "framework/core/data/fields.h"
#include "framework/core/text/datetime.h"

static_assert(sizeof(TArrayDesc) == sizeof(ISC_ARRAY_DESC));
static_assert(offsetof(TArrayDesc, Length) == offsetof(ISC_ARRAY_DESC, array_desc_length));
static_assert(offsetof(TArrayDesc, FieldName) == offsetof(ISC_ARRAY_DESC, array_desc_field_name));
static_assert(offsetof(TArrayDesc, RelationName) == offsetof(ISC_ARRAY_DESC, array_desc_relation_name));
static_assert(offsetof(TArrayDesc, Dimensions) == offsetof(ISC_ARRAY_DESC, array_desc_dimensions));
static_assert(offsetof(TArrayDesc, Bounds) == offsetof(ISC_ARRAY_DESC, array_desc_bounds));
static_assert(sizeof(TArrayBound) == sizeof(ISC_ARRAY_BOUND));
static_assert(sizeof(TISCQuad) == sizeof(ISC_QUAD));

namespace {

ISC_ARRAY_DESC* Native(TArrayDesc& desc) { return reinterpret_cast<ISC_ARRAY_DESC*>(&desc); }
const ISC_ARRAY_DESC* Native(const TArrayDesc& desc) { return reinterpret_cast<const ISC_ARRAY_DESC*>(&desc); }

ISC_QUAD ToQuad(const TISCQuad& id) {
  ISC_QUAD q{};
  q.gds_quad_high = id.High;
  q.gds_quad_low = id.Low;
  return q;
}

TISCQuad FromQuad(const ISC_QUAD& q) { return TISCQuad{q.gds_quad_high, q.gds_quad_low}; }

void Check(ISC_STATUS result, TObject* sender) {
  RestoreDefaultFPUControlWord();
  if (result > 0) RaiseStatusError(sender);
}

std::string NameOf(const char* field) { return std::string(field, strnlen(field, 32)); }

// The value × 10^-scale as the integer a scaled element stores, rounded
// half to even; client error 33 outside [low, high].
std::int64_t ScaledInteger(const Variant& value, int scale, std::int64_t low, std::int64_t high) {
  std::int64_t result = 0;
  if (scale == 0 && !VarIsFloat(value) && value.VarType() != TVarType::String) {
    result = value.AsInt64();
  } else {
    const long double x = static_cast<long double>(value.AsDouble()) * std::pow(10.0L, -scale);
    const long double rounded = std::nearbyintl(x);
    if (!std::isfinite(rounded) || rounded < static_cast<long double>(low) ||
        rounded > static_cast<long double>(high))
      RaiseClientError(ceInvalidDataConversion);
    result = static_cast<std::int64_t>(rounded);
  }
  if (result < low || result > high) RaiseClientError(ceInvalidDataConversion);
  return result;
}

// The server's day 0, 17 November 1858, at midnight: what a null element
// of a date or time type is written as.
std::tm ServerDayZero() {
  std::tm tm{};
  tm.tm_year = 1858 - 1900;
  tm.tm_mon = 10;
  tm.tm_mday = 17;
  return tm;
}

std::tm CalendarOf(TDateTime value) {
  int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0;
  DecodeDate(value, year, month, day);
  if (year == 0) RaiseClientError(ceInvalidDataConversion);
  DecodeTime(value, hour, min, sec, msec);
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = min;
  tm.tm_sec = sec;
  return tm;
}

// The client's time encoding keeps whole seconds; the milliseconds go in
// as the 1/10000 second units the server counts.
ISC_TIME MillisecondUnits(TDateTime value) {
  int hour = 0, min = 0, sec = 0, msec = 0;
  DecodeTime(value, hour, min, sec, msec);
  return static_cast<ISC_TIME>(msec) * 10U;
}

TDateTime DateOf(const std::tm& tm) { return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday); }

TDateTime TimeOf(const std::tm& tm, ISC_TIME units) {
  return EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>((units % 10000) / 10));
}

}  // namespace

// ---- Description ------------------------------------------------------------------------

TpFIBArray::TpFIBArray(TClientHandle* database, TClientHandle* transaction, std::string_view relationName,
                       std::string_view fieldName, TObject* sender)
    : FSender(sender) {
  const std::string relation(relationName);
  const std::string field(fieldName);
  Check(ClientAPI().isc_array_lookup_bounds(StatusVector(), database, transaction, relation.c_str(), field.c_str(),
                                            Native(FDesc)),
        FSender);
  Describe();
}

TpFIBArray::TpFIBArray(const TArrayDesc& desc, TObject* sender) : FDesc(desc), FSender(sender) { Describe(); }

std::unique_ptr<TpFIBArray> TpFIBArray::Clone() const { return std::make_unique<TpFIBArray>(FDesc, FSender); }

void TpFIBArray::Describe() {
  FDesc.Dimensions = std::clamp<std::int16_t>(FDesc.Dimensions, 0, 16);
  FRelationName = NameOf(FDesc.RelationName);
  FFieldName = NameOf(FDesc.FieldName);
  switch (FDesc.DataType) {
    case blr_short:
      FFieldType = FDesc.Scale != 0 ? ftFloat : ftSmallint;
      break;
    case blr_long:
      FFieldType = FDesc.Scale != 0 ? ftFloat : ftInteger;
      break;
    case blr_int64:
      FFieldType = FDesc.Scale != 0 ? ftFloat : ftLargeint;
      break;
    case blr_float:
    case blr_d_float:
    case blr_double:
      FFieldType = ftFloat;
      break;
    case blr_sql_date:
      FFieldType = ftDate;
      break;
    case blr_sql_time:
      FFieldType = ftTime;
      break;
    case blr_timestamp:
      FFieldType = ftDateTime;
      break;
    case blr_text:
    case blr_varying:
      FFieldType = ftString;
      break;
    default:
      FFieldType = ftUnknown;
  }
}

void TpFIBArray::RaiseNoDimension(int d) const {
  RaiseClientError(ceDimensionNotExists, d, FRelationName + "." + FFieldName);
}

TVarArrayBound TpFIBArray::DimensionBounds(int d) const {
  if (d < 0 || d >= DimensionCount()) RaiseNoDimension(d);
  const TArrayBound& bound = FDesc.Bounds[d];
  return TVarArrayBound{bound.Lower, bound.Upper};
}

int TpFIBArray::ElementCount() const {
  int count = 1;
  for (int d = 0; d < DimensionCount(); ++d) count *= std::max(0, FDesc.Bounds[d].Upper - FDesc.Bounds[d].Lower + 1);
  return count;
}

int TpFIBArray::ElementStride() const { return FDesc.Length + (FDesc.DataType == blr_varying ? 2 : 0); }

int TpFIBArray::SliceSize() const {
  return ElementStride() * ElementCount() + (FDesc.DataType == blr_varying ? 2 : 0);
}

// ---- Reading ----------------------------------------------------------------------------

int TpFIBArray::ReadSlice(TClientHandle* database, TClientHandle* transaction, const TISCQuad& id,
                          std::vector<char>& buffer) const {
  buffer.assign(static_cast<std::size_t>(SliceSize()) + 1, '\0');
  // No identifier names no array: nothing to ask the server for.
  if (id.IsZero()) return 0;
  if (id == FWritten.Id && *database == FWritten.Database && *transaction == FWritten.Transaction &&
      FWritten.Content.size() == buffer.size()) {
    buffer = FWritten.Content;
    return SliceSize();
  }
  ISC_QUAD quad = ToQuad(id);
  ISC_LONG length = SliceSize();
  Check(ClientAPI().isc_array_get_slice(StatusVector(), database, transaction, &quad, Native(FDesc), buffer.data(),
                                        &length),
        FSender);
  return std::clamp<int>(length, 0, SliceSize());
}

Variant TpFIBArray::ElementAt(const char* at) const {
  const int length = FDesc.Length;
  const int scale = FDesc.Scale;
  switch (FDesc.DataType) {
    case blr_text: {
      // A text that fills its element has no terminator.
      std::string text(at, strnlen(at, static_cast<std::size_t>(length)));
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return Variant(std::move(text));
    }
    case blr_varying:
      return Variant(std::string(at, strnlen(at, static_cast<std::size_t>(length))));
    case blr_short: {
      const auto value = LoadRaw<std::int16_t>(at);
      if (scale != 0) return Variant(ScaledToDouble(value, scale));
      return Variant(value);
    }
    case blr_long: {
      const auto value = LoadRaw<std::int32_t>(at);
      if (scale != 0) return Variant(ScaledToDouble(value, scale));
      return Variant(static_cast<int>(value));
    }
    case blr_int64: {
      const auto value = LoadRaw<std::int64_t>(at);
      if (scale != 0) return Variant(ScaledToDouble(value, scale));
      return Variant(value);
    }
    case blr_float:
      return Variant(static_cast<double>(LoadRaw<float>(at)));
    case blr_double:
    case blr_d_float:
      return Variant(LoadRaw<double>(at));
    case blr_sql_date: {
      const auto date = LoadRaw<ISC_DATE>(at);
      std::tm tm{};
      ClientAPI().isc_decode_sql_date(&date, &tm);
      return Variant::FromDate(DateOf(tm));
    }
    case blr_sql_time: {
      const auto time = LoadRaw<ISC_TIME>(at);
      std::tm tm{};
      ClientAPI().isc_decode_sql_time(&time, &tm);
      return Variant::FromDate(TimeOf(tm, time));
    }
    case blr_timestamp: {
      const auto stamp = LoadRaw<ISC_TIMESTAMP>(at);
      std::tm tm{};
      ClientAPI().isc_decode_timestamp(&stamp, &tm);
      const TDateTime date = DateOf(tm);
      const TDateTime time = TimeOf(tm, stamp.timestamp_time);
      // Before the framework's day 0 the time of day counts away from it.
      return Variant::FromDate(date < 0 ? date - time : date + time);
    }
    default:
      return Variant();
  }
}

Variant TpFIBArray::GetArrayValues(TClientHandle* database, TClientHandle* transaction, const TISCQuad& id) const {
  std::vector<TVarArrayBound> bounds;
  for (int d = 0; d < DimensionCount(); ++d) bounds.push_back(DimensionBounds(d));
  Variant result = CreateVarArray(bounds, varVariant);
  std::vector<char> buffer;
  const int returned = ReadSlice(database, transaction, id, buffer);
  const int stride = ElementStride();
  TVarArrayWalk walk(result);
  if (!walk.HasElements()) return result;
  std::size_t position = 0;
  do {
    Variant element = Variant::Null();
    if (returned > 0) {
      try {
        element = ElementAt(buffer.data() + position);
      } catch (const Exception&) {
        // A value outside the framework's calendar: the element stays Empty.
        element = Variant();
      }
    }
    VarArrayPut(result, element, walk.Indices());
    position += static_cast<std::size_t>(stride);
  } while (walk.Next());
  return result;
}

// ---- Writing ----------------------------------------------------------------------------

void TpFIBArray::StoreElement(char* at, const Variant& value) const {
  const bool null = value.IsNull();
  const int length = FDesc.Length;
  const int scale = FDesc.Scale;
  switch (FDesc.DataType) {
    case blr_text:
    case blr_varying: {
      const std::string text = null ? std::string(1, '\0') : value.AsString();
      const std::size_t n = std::min(text.size(), static_cast<std::size_t>(length));
      std::memcpy(at, text.data(), n);
      // A fixed text is padded as the server pads it; a varying one ends
      // with its terminator (its stride leaves room for one).
      std::memset(at + n, FDesc.DataType == blr_text ? ' ' : '\0', static_cast<std::size_t>(ElementStride()) - n);
      break;
    }
    case blr_short:
      StoreRaw(at, static_cast<std::int16_t>(null ? 0 : ScaledInteger(value, scale, INT16_MIN, INT16_MAX)));
      break;
    case blr_long:
      StoreRaw(at, static_cast<std::int32_t>(null ? 0 : ScaledInteger(value, scale, INT32_MIN, INT32_MAX)));
      break;
    case blr_int64:
      StoreRaw(at, null ? std::int64_t{0} : ScaledInteger(value, scale, INT64_MIN, INT64_MAX));
      break;
    case blr_float:
      StoreRaw(at, static_cast<float>(null ? 0.0 : value.AsDouble()));
      break;
    case blr_double:
    case blr_d_float:
      StoreRaw(at, null ? 0.0 : value.AsDouble());
      break;
    case blr_sql_date: {
      const std::tm tm = null ? ServerDayZero() : CalendarOf(value.AsDateTime());
      ISC_DATE date = 0;
      ClientAPI().isc_encode_sql_date(&tm, &date);
      StoreRaw(at, date);
      break;
    }
    case blr_sql_time: {
      const std::tm tm = null ? ServerDayZero() : CalendarOf(value.AsDateTime());
      ISC_TIME time = 0;
      ClientAPI().isc_encode_sql_time(&tm, &time);
      StoreRaw(at, static_cast<ISC_TIME>(time + (null ? 0 : MillisecondUnits(value.AsDateTime()))));
      break;
    }
    case blr_timestamp: {
      const std::tm tm = null ? ServerDayZero() : CalendarOf(value.AsDateTime());
      ISC_TIMESTAMP stamp{};
      ClientAPI().isc_encode_timestamp(&tm, &stamp);
      if (!null) stamp.timestamp_time += MillisecondUnits(value.AsDateTime());
      StoreRaw(at, stamp);
      break;
    }
    default:
      // An element type this class cannot convert keeps what it held.
      break;
  }
}

void TpFIBArray::SetArrayValues(const Variant& values, TClientHandle* database, TClientHandle* transaction,
                                TISCQuad& id) const {
  if (!VarIsArray(values)) return;
  if (VarArrayDimCount(values) > DimensionCount()) RaiseNoDimension(DimensionCount());
  std::vector<char> buffer;
  // The elements the value leaves Empty keep what the array held.
  ReadSlice(database, transaction, id, buffer);
  const int stride = ElementStride();
  const int count = ElementCount();
  TVarArrayWalk walk(values);
  if (walk.HasElements()) {
    int position = 0;
    do {
      // Never past the slice: a value with more elements than the column
      // cannot be written.
      if (position >= count) RaiseClientError(ceInvalidDataConversion);
      const Variant& element = VarArrayGet(values, walk.Indices());
      if (!element.IsEmpty()) StoreElement(buffer.data() + static_cast<std::size_t>(position) * stride, element);
      ++position;
    } while (walk.Next());
  }
  ISC_QUAD quad = ToQuad(id);
  ISC_LONG length = SliceSize();
  Check(ClientAPI().isc_array_put_slice(StatusVector(), database, transaction, &quad, Native(FDesc), buffer.data(),
                                        &length),
        FSender);
  id = FromQuad(quad);
  FWritten = TWrittenSlice{*database, *transaction, id, std::move(buffer)};
}

// ---- Fields -----------------------------------------------------------------------------

namespace {

TISCQuad FieldArrayId(TField* field) {
  // The field's data is the 8-byte identifier; a wider field gives its
  // first 8 bytes.
  std::vector<char> data(std::max<std::size_t>(sizeof(TISCQuad), static_cast<std::size_t>(field->DataSize())));
  TISCQuad id;
  if (!field->GetData(data.data())) return id;
  std::memcpy(&id, data.data(), sizeof(id));
  return id;
}

}  // namespace

Variant TpFIBArray::GetFieldArrayValues(TField* field, TClientHandle* database, TClientHandle* transaction) const {
  return GetArrayValues(database, transaction, FieldArrayId(field));
}

void TpFIBArray::SetFieldArrayValue(const Variant& value, TField* field, TClientHandle* database,
                                    TClientHandle* transaction) const {
  if (!VarIsArray(value)) return;
  TISCQuad id = FieldArrayId(field);
  SetArrayValues(value, database, transaction, id);
  std::vector<char> data(std::max<std::size_t>(sizeof(TISCQuad), static_cast<std::size_t>(field->DataSize())));
  std::memcpy(data.data(), &id, sizeof(id));
  field->SetData(data.data());
}
