// The variable's record, null flag, data buffer and the primitives every
// writer goes through; copying values between variables; blob streams.

#include <algorithm>
#include <cmath>
#include <limits>

#include "dbaccess/client/errors.h"
#include "dbaccess/statement/fib_array.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/statement/sqlvar_record.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"

using namespace sqlvar;

static_assert(SQLTypeVarying == SQL_VARYING && SQLTypeText == SQL_TEXT && SQLTypeDouble == SQL_DOUBLE &&
              SQLTypeFloat == SQL_FLOAT && SQLTypeLong == SQL_LONG && SQLTypeShort == SQL_SHORT &&
              SQLTypeTimeStamp == SQL_TIMESTAMP && SQLTypeBlob == SQL_BLOB && SQLTypeDFloat == SQL_D_FLOAT &&
              SQLTypeArray == SQL_ARRAY && SQLTypeQuad == SQL_QUAD && SQLTypeTime == SQL_TYPE_TIME &&
              SQLTypeDate == SQL_TYPE_DATE && SQLTypeInt64 == SQL_INT64 && SQLTypeBoolean1 == SQL_BOOLEAN &&
              SQLTypeNull == SQL_NULL);

// ---- Scaled integers ---------------------------------------------------------------

namespace {

constexpr std::int64_t Pow10[19] = {1,
                                    10,
                                    100,
                                    1000,
                                    10000,
                                    100000,
                                    1000000,
                                    10000000,
                                    100000000,
                                    1000000000,
                                    10000000000,
                                    100000000000,
                                    1000000000000,
                                    10000000000000,
                                    100000000000000,
                                    1000000000000000,
                                    10000000000000000,
                                    100000000000000000,
                                    1000000000000000000};

}  // namespace

bool sqlvar::ScaleInt64(std::int64_t value, int scale, TRounding rounding, std::int64_t& result) {
  if (scale == 0 || value == 0) {
    result = value;
    return true;
  }
  if (scale > 0) {
    if (scale > 18) return false;
    return !__builtin_mul_overflow(value, Pow10[scale], &result);
  }
  if (scale < -18) {
    // Every 64-bit value is below 10^19: what is left is the rounding of a
    // fraction of at most ~0.92.
    result = 0;
    if (rounding == TRounding::HalfEven && scale == -19) {
      const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value;
      if (magnitude > 5'000'000'000'000'000'000ULL) result = value < 0 ? -1 : 1;
    }
    return true;
  }
  const std::int64_t divisor = Pow10[-scale];
  std::int64_t quotient = value / divisor;
  const std::int64_t remainder = value % divisor;
  if (rounding == TRounding::HalfEven && remainder != 0) {
    // Compare twice the remainder with the divisor without overflowing.
    const std::int64_t r = remainder < 0 ? -remainder : remainder;
    const std::int64_t rest = divisor - r;
    if (r > rest || (r == rest && (quotient % 2) != 0)) quotient += value < 0 ? -1 : 1;
  }
  result = quotient;
  return true;
}

bool sqlvar::RoundToInt64(long double x, std::int64_t& result) {
  if (!std::isfinite(x)) return false;
  const long double rounded = std::nearbyintl(x);  // the default mode rounds half to even
  // 2^63 is exact in a long double; the range is [-2^63, 2^63).
  constexpr long double limit = 9223372036854775808.0L;
  if (rounded >= limit || rounded < -limit) return false;
  result = static_cast<std::int64_t>(rounded);
  return true;
}

long double sqlvar::ScaledToFloat(std::int64_t value, int scale) {
  if (scale == 0) return static_cast<long double>(value);
  if (scale < 0 && scale >= -18)
    return static_cast<long double>(value) / static_cast<long double>(Pow10[-scale]);
  if (scale > 0 && scale <= 18)
    return static_cast<long double>(value) * static_cast<long double>(Pow10[scale]);
  return static_cast<long double>(value) * std::pow(10.0L, scale);
}

// ---- The variable ----------------------------------------------------------------------

TFIBXSQLVAR::TFIBXSQLVAR(TFIBXSQLDA* parent, int index) : FParent(parent), FIndex(index) {}

TFIBXSQLVAR::~TFIBXSQLVAR() = default;

TSQLDAOwner* TFIBXSQLVAR::Query() const { return FParent != nullptr ? FParent->Query() : nullptr; }

int TFIBXSQLVAR::Dialect() const {
  const TSQLDAOwner* owner = Query();
  return owner != nullptr ? owner->SQLDialect() : 0;
}

int TFIBXSQLVAR::SQLType() const { return RecordOf(*this).sqltype & ~1; }
int TFIBXSQLVAR::SQLScale() const { return RecordOf(*this).sqlscale; }
int TFIBXSQLVAR::SQLSubtype() const { return RecordOf(*this).sqlsubtype; }
int TFIBXSQLVAR::SQLLen() const { return RecordOf(*this).sqllen; }
const char* TFIBXSQLVAR::Data() const { return RecordOf(*this).sqldata; }

namespace {
std::string_view NameField(const ISC_SCHAR* text, ISC_SHORT length) {
  return std::string_view(text, static_cast<std::size_t>(std::clamp<int>(length, 0, 31)));
}
}  // namespace

std::string_view TFIBXSQLVAR::AliasName() const {
  return NameField(RecordOf(*this).aliasname, RecordOf(*this).aliasname_length);
}
std::string_view TFIBXSQLVAR::FieldName() const {
  return NameField(RecordOf(*this).sqlname, RecordOf(*this).sqlname_length);
}
std::string_view TFIBXSQLVAR::RelationName() const {
  return NameField(RecordOf(*this).relname, RecordOf(*this).relname_length);
}
std::string_view TFIBXSQLVAR::OwnerName() const {
  return NameField(RecordOf(*this).ownname, RecordOf(*this).ownname_length);
}

bool TFIBXSQLVAR::IsNull() const {
  const XSQLVAR& record = RecordOf(*this);
  if ((record.sqltype & ~1) < 2) return true;
  if ((record.sqltype & 1) != 0 && record.sqlind != nullptr && *record.sqlind == -1) return true;
  if (FParent != nullptr && !FParent->IsParams()) {
    const TSQLDAOwner* owner = Query();
    return owner != nullptr && !owner->RowAvailable();
  }
  return false;
}

// The parameter of "? IS NULL" carries no value, only its null flag.
bool TFIBXSQLVAR::HasNoValue() const { return IsNull() || SQLType() == SQLTypeNull; }

bool TFIBXSQLVAR::IsNullable() const {
  XSQLVAR& record = RecordOf(*this);
  if ((record.sqltype & 1) == 0) return false;
  if (record.sqlind == nullptr) record.sqlind = const_cast<short*>(&FIndicator);
  return true;
}

const short* TFIBXSQLVAR::NullIndicator() const { return IsNullable() ? RecordOf(*this).sqlind : nullptr; }

bool TFIBXSQLVAR::IsNumericType() const {
  switch (SQLType()) {
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeLong:
    case SQLTypeShort:
    case SQLTypeDFloat:
    case SQLTypeInt64:
      return true;
    default:
      return false;
  }
}

bool TFIBXSQLVAR::IsDateTimeType() const {
  const int t = SQLType();
  return t == SQLTypeTimeStamp || t == SQLTypeTime || t == SQLTypeDate;
}

bool TFIBXSQLVAR::IsBlobOrArray() const {
  const int t = SQLType();
  return t == SQLTypeBlob || t == SQLTypeArray;
}

bool TFIBXSQLVAR::IsDbKey() const {
  return AnsiSameText(FName, "DB_KEY") || AnsiSameText(FName, "RDB$DB_KEY");
}

// ---- Buffers and primitives ----------------------------------------------------------------

void TFIBXSQLVAR::ReserveData(std::size_t size) {
  size = std::max<std::size_t>(size, 1);
  if (size > FDataCapacity) {
    ReallocZeroed(FData, FDataCapacity, size);
    FDataCapacity = size;
  }
  RecordOf(*this).sqldata = FData.get();
}

void TFIBXSQLVAR::AllocateForType() {
  XSQLVAR& record = RecordOf(*this);
  const int type = record.sqltype & ~1;
  const std::size_t length = static_cast<std::size_t>(std::max<int>(record.sqllen, 0));
  switch (type) {
    case SQLTypeVarying:
      ReserveData(length + 2);
      break;
    case SQLTypeText:
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeLong:
    case SQLTypeShort:
    case SQLTypeTimeStamp:
    case SQLTypeBlob:
    case SQLTypeDFloat:
    case SQLTypeArray:
    case SQLTypeQuad:
    case SQLTypeTime:
    case SQLTypeDate:
    case SQLTypeInt64:
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
    case SQLTypeNull:
      ReserveData(length);
      break;
    default:
      RaiseClientError(ceUnknownSQLDataType, type);
  }
  record.sqlind = (record.sqltype & 1) != 0 ? &FIndicator : nullptr;
}

void TFIBXSQLVAR::ClearToUntyped() {
  XSQLVAR& record = RecordOf(*this);
  record.sqltype = 0;
  record.sqlscale = 0;
  record.sqlsubtype = 0;
  record.sqllen = 0;
  record.sqlind = nullptr;
  ReserveData(1);
  FIndicator = -1;
}

void TFIBXSQLVAR::ResetNull() {
  XSQLVAR& record = RecordOf(*this);
  if ((record.sqltype & 1) != 0) {
    record.sqlind = &FIndicator;
    FIndicator = -1;
  }
}

void TFIBXSQLVAR::SetNullFlag(bool isNull) {
  XSQLVAR& record = RecordOf(*this);
  if (isNull) {
    if ((record.sqltype & ~1) < 2) {
      record.sqltype = static_cast<ISC_SHORT>(SQLTypeText | (record.sqltype & 1));
      record.sqllen = 0;
      ReserveData(1);
    }
    if ((record.sqltype & 1) == 0) SetNullability(true);
    record.sqlind = &FIndicator;
    FIndicator = -1;
  } else if ((record.sqltype & 1) != 0) {
    record.sqlind = &FIndicator;
    FIndicator = 0;
  }
  FModified = true;
}

void TFIBXSQLVAR::SetNullability(bool nullable) {
  XSQLVAR& record = RecordOf(*this);
  if (((record.sqltype & 1) != 0) == nullable) return;
  if (nullable) {
    record.sqltype = static_cast<ISC_SHORT>(record.sqltype | 1);
    record.sqlind = &FIndicator;
    FIndicator = 0;
  } else {
    record.sqltype = static_cast<ISC_SHORT>(record.sqltype & ~1);
    record.sqlind = nullptr;
  }
}

void TFIBXSQLVAR::SetRawData(int type, int length, const void* bytes) {
  XSQLVAR& record = RecordOf(*this);
  if (IsNull()) SetNullFlag(false);
  record.sqlscale = 0;
  const std::size_t n = static_cast<std::size_t>(std::max(length, 0));
  ReserveData(n);
  record.sqllen = static_cast<ISC_SHORT>(n);
  record.sqltype = static_cast<ISC_SHORT>(type | (record.sqltype & 1));
  if (n > 0) std::memmove(record.sqldata, bytes, n);
  FModified = true;
}

void TFIBXSQLVAR::CopyRecordFrom(const TFIBXSQLVAR& source) {
  if (&source == this) return;
  XSQLVAR& record = RecordOf(*this);
  const XSQLVAR& from = RecordOf(source);
  // Everything but this variable's own data and indicator addresses.
  std::memcpy(&record, &from, sizeof(XSQLVAR));
  record.sqldata = nullptr;
  record.sqlind = nullptr;
  const int type = from.sqltype & ~1;
  const std::size_t length =
      static_cast<std::size_t>(std::max<int>(from.sqllen, 0)) + (type == SQLTypeVarying ? 2 : 0);
  ReserveData(length);
  if (length > 0 && from.sqldata != nullptr) std::memcpy(record.sqldata, from.sqldata, length);
  if ((from.sqltype & 1) != 0) {
    record.sqlind = &FIndicator;
    FIndicator = from.sqlind != nullptr ? *from.sqlind : 0;
  }
  FModified = true;
}

void TFIBXSQLVAR::TakeDescription(const TFIBXSQLVAR& described) {
  XSQLVAR& record = RecordOf(*this);
  const XSQLVAR& from = RecordOf(described);
  record.sqltype = static_cast<ISC_SHORT>(from.sqltype | 1);
  record.sqlscale = from.sqlscale;
  record.sqlsubtype = from.sqlsubtype;
  record.sqllen = from.sqllen;
  AllocateForType();
  FIndicator = -1;
}

// ---- One value for every variable of the name ------------------------------------------------

void TFIBXSQLVAR::AfterWrite() {
  auto note = [](TFIBXSQLVAR& v) { v.FAssigned = true; };
  ForAllNamed(note);
  TSQLDAOwner* owner = Query();
  if (FIsMacro && owner != nullptr && !owner->MacrosChanged() && AsString() != VarToStr(FOldValue))
    owner->SetMacrosChanged();
}

void TFIBXSQLVAR::SetIsNull(bool isNull) {
  ForAllNamed([isNull](TFIBXSQLVAR& v) { v.SetNullFlag(isNull); });
  AfterWrite();
}

void TFIBXSQLVAR::SetIsNullable(bool nullable) {
  ForAllNamed([nullable](TFIBXSQLVAR& v) { v.SetNullability(nullable); });
}

void TFIBXSQLVAR::SetSQLScale(int scale) {
  ForAllNamed([scale](TFIBXSQLVAR& v) { RecordOf(v).sqlscale = static_cast<ISC_SHORT>(scale); });
}

void TFIBXSQLVAR::AssignRecord(const TFIBXSQLVAR& source) {
  ForAllNamed([&source](TFIBXSQLVAR& v) { v.CopyRecordFrom(source); });
  AfterWrite();
}

// ---- Copying values ---------------------------------------------------------------------------

void TFIBXSQLVAR::Assign(const TFIBXSQLVAR& source) {
  if (&source == this) return;
  FOldValue = source.FOldValue;
  if (source.IsNull()) {
    SetIsNull(true);
    return;
  }
  const bool sourceBlob = source.SQLType() == SQLTypeBlob;
  const bool targetBlob = SQLType() == SQLTypeBlob;
  const bool anyArray = source.SQLType() == SQLTypeArray || SQLType() == SQLTypeArray;
  if (anyArray || (!sourceBlob && !targetBlob)) {
    AssignRecord(source);
    return;
  }
  // Between a blob and a non-blob the content moves as bytes.
  std::string bytes;
  if (sourceBlob) {
    bytes = source.BlobOwner().ReadBlob(source.AsQuad(), source.SQLSubtype());
  } else if (source.SQLType() == SQLTypeVarying) {
    bytes = std::string(source.TextView());
  } else {
    bytes.assign(source.Data(), static_cast<std::size_t>(std::max(source.SQLLen(), 0)));
  }
  bool writeBlob = targetBlob;
  if (!writeBlob && FParent != nullptr && FParent->IsParams() && Query() != nullptr)
    writeBlob = Query()->SentParamIsBlob(FName);
  if (writeBlob) {
    SetAsQuad(BlobOwner().WriteBlob(bytes, SQLSubtype()));
  } else if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<ISC_SHORT>::max())) {
    RaiseClientError(ceInvalidDataConversion);
  } else {
    ForAllNamed([&bytes](TFIBXSQLVAR& v) {
      v.SetRawData(SQLTypeText, static_cast<int>(bytes.size()), bytes.data());
    });
    AfterWrite();
  }
}

TSQLDAOwner& TFIBXSQLVAR::BlobOwner() const {
  TSQLDAOwner* owner = Query();
  if (owner == nullptr) RaiseClientError(ceDatabaseNotAssigned, "BlobStream");
  return *owner;
}

void TFIBXSQLVAR::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const std::string content = stream.ReadRest();
  SetAsQuad(BlobOwner().WriteBlob(content, SQLSubtype()));
}

void TFIBXSQLVAR::SaveToStream(TStream& stream) const {
  stream.WriteString(BlobOwner().ReadBlob(AsQuad(), SQLSubtype()));
}

void TFIBXSQLVAR::RaiseNotArray() const {
  RaiseClientError(ceFieldIsNotArray, std::string(RelationName()) + "." + std::string(FieldName()));
}

void TFIBXSQLVAR::SetArrayObject(std::unique_ptr<TpFIBArray> array) { FArrayObject = std::move(array); }

void TFIBXSQLVAR::SetArrayValues(const Variant& values) {
  if (FArrayObject == nullptr) RaiseNotArray();
  if (!VarIsArray(values)) return;
  TSQLDAOwner* owner = Query();
  if (owner == nullptr) RaiseNotArray();
  const TBlobPlace place = owner->ArrayPlace();
  // Always a new array: an identifier the variable still holds may belong
  // to a row of another transaction.
  TISCQuad id;
  FArrayObject->SetArrayValues(values, place.Database, place.Transaction, id);
  char bytes[8];
  std::memcpy(bytes, &id.High, 4);
  std::memcpy(bytes + 4, &id.Low, 4);
  ForAllNamed([&bytes](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeArray, sizeof(bytes), bytes); });
  AfterWrite();
}

int TFIBXSQLVAR::ArrayDimensions() const {
  if (FArrayObject == nullptr) RaiseNotArray();
  return FArrayObject->DimensionCount();
}
