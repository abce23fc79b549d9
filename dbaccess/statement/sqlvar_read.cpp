// Reading a variable: from the SQL type the record holds to the program's
// values. Integers of every width and scale convert exactly; a value that
// does not fit its target raises client error 33.

#include <algorithm>
#include <cmath>
#include <limits>

#include "dbaccess/client/errors.h"
#include "dbaccess/util/number_text.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/statement/sqlvar_record.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"

using namespace sqlvar;

namespace {

[[noreturn]] void InvalidConversion() { RaiseClientError(ceInvalidDataConversion); }

bool IsIntegerType(int type) { return type == SQLTypeLong || type == SQLTypeShort || type == SQLTypeInt64; }
bool IsFloatType(int type) { return type == SQLTypeDouble || type == SQLTypeFloat || type == SQLTypeDFloat; }
bool IsBooleanType(int type) { return type == SQLTypeBoolean || type == SQLTypeBoolean1; }
bool IsTextType(int type) { return type == SQLTypeText || type == SQLTypeVarying; }

// Server dates and times as the framework's date-time. Before 1899-12-30
// the day counts down while the time of day still counts up.
TDateTime ServerDateTime(std::int32_t days, std::uint32_t time) {
  const double day = static_cast<double>(days) - SQLDateDelta;
  const double fraction = static_cast<double>(time) / static_cast<double>(SQLTimeUnitsPerDay);
  return day < 0 ? day - fraction : day + fraction;
}

}  // namespace

// The characters of a text column (a varying text's length is read from its
// 2-byte prefix and kept within the buffer).
std::string_view TFIBXSQLVAR::TextView() const {
  const XSQLVAR& record = RecordOf(*this);
  std::size_t length = 0;
  const char* start = record.sqldata;
  if ((record.sqltype & ~1) == SQLTypeVarying) {
    length = static_cast<std::size_t>(std::clamp<int>(Load<std::uint16_t>(record.sqldata), 0, record.sqllen));
    start += 2;
  } else {
    length = static_cast<std::size_t>(std::max<int>(record.sqllen, 0));
  }
  std::string_view text(start, length);
  const TSQLDAOwner* owner = Query();
  if (owner != nullptr && owner->TrimCharFields()) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.remove_suffix(1);
  }
  return text;
}

std::int64_t TFIBXSQLVAR::IntegerValue() const {
  const char* data = Data();
  switch (SQLType()) {
    case SQLTypeShort:
      return Load<std::int16_t>(data);
    case SQLTypeLong:
      return Load<std::int32_t>(data);
    default:
      return Load<std::int64_t>(data);
  }
}

double TFIBXSQLVAR::FloatValue() const {
  return SQLType() == SQLTypeFloat ? Load<float>(Data()) : Load<double>(Data());
}

bool TFIBXSQLVAR::AsBoolean() const {
  if (HasNoValue()) return false;
  switch (SQLType()) {
    case SQLTypeBoolean:
      return Load<std::int16_t>(Data()) == 1;
    case SQLTypeBoolean1:
      return Load<std::uint8_t>(Data()) == 1;
    default:
      InvalidConversion();
  }
}

long double TFIBXSQLVAR::AsExtended() const {
  if (HasNoValue()) return 0;
  const int type = SQLType();
  if (IsTextType(type)) {
    double value = 0;
    if (!TryStrToFloat(TextView(), value)) InvalidConversion();
    return value;
  }
  if (IsFloatType(type)) return FloatValue();
  if (IsIntegerType(type)) return ScaledToFloat(IntegerValue(), SQLScale());
  InvalidConversion();
}

double TFIBXSQLVAR::AsDouble() const {
  if (!HasNoValue() && IsBooleanType(SQLType())) return AsBoolean() ? 1.0 : 0.0;
  return static_cast<double>(AsExtended());
}

std::int64_t TFIBXSQLVAR::AsInt64() const {
  if (HasNoValue()) return 0;
  const int type = SQLType();
  std::int64_t result = 0;
  if (IsTextType(type)) {
    if (!TryStrToInt64(TextView(), result)) InvalidConversion();
  } else if (IsFloatType(type)) {
    if (!RoundToInt64(FloatValue(), result)) InvalidConversion();
  } else if (IsIntegerType(type)) {
    if (!ScaleInt64(IntegerValue(), SQLScale(), TRounding::Truncate, result)) InvalidConversion();
  } else if (IsBooleanType(type)) {
    result = AsBoolean() ? 1 : 0;
  } else {
    InvalidConversion();
  }
  return result;
}

int TFIBXSQLVAR::AsInteger() const {
  if (HasNoValue()) return 0;
  const int type = SQLType();
  std::int64_t result = 0;
  if (IsTextType(type)) {
    int value = 0;
    if (!TryStrToInt(TextView(), value)) InvalidConversion();
    return value;
  }
  if (IsFloatType(type)) {
    if (!RoundToInt64(FloatValue(), result)) InvalidConversion();
  } else if (IsIntegerType(type)) {
    if (!ScaleInt64(IntegerValue(), SQLScale(), TRounding::HalfEven, result)) InvalidConversion();
  } else if (IsBooleanType(type)) {
    return AsBoolean() ? 1 : 0;
  } else {
    InvalidConversion();
  }
  if (result < std::numeric_limits<int>::min() || result > std::numeric_limits<int>::max())
    InvalidConversion();
  return static_cast<int>(result);
}

TCurrency TFIBXSQLVAR::AsCurrency() const {
  if (HasNoValue()) return {};
  const int type = SQLType();
  TCurrency result;
  if (IsIntegerType(type)) {
    // Four decimals more than the column's scale, exactly.
    if (!ScaleInt64(IntegerValue(), SQLScale() + 4, TRounding::HalfEven, result.Value)) InvalidConversion();
  } else if (IsTextType(type)) {
    if (!TryStrToCurr(TextView(), result)) InvalidConversion();
  } else if (!TryFloatToCurr(AsDouble(), result)) {
    InvalidConversion();
  }
  return result;
}

double TFIBXSQLVAR::AsWholeNumber() const {
  if (HasNoValue()) return 0;
  if (IsIntegerType(SQLType())) {
    std::int64_t whole = 0;
    if (!ScaleInt64(IntegerValue(), SQLScale(), TRounding::HalfEven, whole)) InvalidConversion();
    return static_cast<double>(whole);
  }
  return std::nearbyint(AsDouble());
}

TBcd TFIBXSQLVAR::AsBcd() const {
  TBcd bcd;
  if (HasNoValue()) {
    Int64ToBcd(0, bcd, 0);
    return bcd;
  }
  if (IsIntegerType(SQLType())) {
    const int scale = SQLScale();
    std::int64_t value = IntegerValue();
    if (scale > 0 && !ScaleInt64(value, scale, TRounding::Truncate, value)) InvalidConversion();
    Int64ToBcd(scale < 0 ? -scale : 0, bcd, value);
    return bcd;
  }
  Int64ToBcd(4, bcd, AsCurrency().Value);
  return bcd;
}

TDateTime TFIBXSQLVAR::AsDateTime() const {
  if (HasNoValue()) return 0;
  const char* data = Data();
  switch (SQLType()) {
    case SQLTypeText:
    case SQLTypeVarying: {
      TDateTime value = 0;
      if (!TryStrToDateTime(TextView(), value)) InvalidConversion();
      return value;
    }
    case SQLTypeTimeStamp:
      return ServerDateTime(Load<std::int32_t>(data), Load<std::uint32_t>(data + 4));
    case SQLTypeTime:
      return ServerDateTime(SQLDateDelta, Load<std::uint32_t>(data));
    case SQLTypeDate:
      return ServerDateTime(Load<std::int32_t>(data), 0);
    default:
      InvalidConversion();
  }
}

TISCQuad TFIBXSQLVAR::AsQuad() const {
  if (HasNoValue()) return {};
  const int type = SQLType();
  if (type != SQLTypeBlob && type != SQLTypeArray && type != SQLTypeQuad) InvalidConversion();
  const char* data = Data();
  return TISCQuad{Load<std::int32_t>(data), Load<std::uint32_t>(data + 4)};
}

std::string TFIBXSQLVAR::AsString() const {
  if (HasNoValue()) return {};
  const int type = SQLType();
  switch (type) {
    case SQLTypeText:
    case SQLTypeVarying:
      return std::string(TextView());
    case SQLTypeShort:
    case SQLTypeLong:
    case SQLTypeInt64: {
      const int scale = SQLScale();
      std::int64_t value = IntegerValue();
      if (scale <= 0) return ScaledInt64ToText(-scale, FormatSettings().DecimalSeparator, value);
      if (!ScaleInt64(value, scale, TRounding::Truncate, value)) InvalidConversion();
      return Int64ToText(value);
    }
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
      return FloatToStr(FloatValue());
    case SQLTypeTimeStamp:
      return DateTimeToStr(AsDateTime());
    case SQLTypeDate:
      return DateToStr(AsDateTime());
    case SQLTypeTime:
      return TimeToStr(AsDateTime());
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      return AsBoolean() ? "True" : "False";
    case SQLTypeArray:
      return "(Array)";
    case SQLTypeBlob:
      return BlobOwner().ReadBlob(AsQuad(), SQLSubtype());
    default:
      InvalidConversion();
  }
}

Variant TFIBXSQLVAR::AsVariant() const {
  if (HasNoValue()) return Variant::Null();
  const int type = SQLType();
  const int scale = SQLScale();
  switch (type) {
    case SQLTypeBlob:
      return Variant("(BLOB)");
    case SQLTypeArray:
      return Variant("(Array)");
    case SQLTypeText:
    case SQLTypeVarying:
      return Variant(std::string(TextView()));
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
      return Variant(FloatValue());
    case SQLTypeShort:
    case SQLTypeLong:
      if (scale != 0) return Variant(AsDouble());
      return Variant(static_cast<int>(IntegerValue()));
    case SQLTypeInt64:
      // A BIGINT stays a whole 64-bit number and up to four decimals go as
      // currency, both exact; a double would lose digits beyond 2^53. Only
      // values currency cannot hold, and longer fractions, are doubles.
      if (scale == 0) return Variant(IntegerValue());
      if (scale >= -4) {
        TCurrency value;
        if (ScaleInt64(IntegerValue(), scale + 4, TRounding::HalfEven, value.Value)) return Variant(value);
      }
      return Variant(AsDouble());
    case SQLTypeTimeStamp:
    case SQLTypeTime:
    case SQLTypeDate:
      return Variant::FromDate(AsDateTime());
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      return Variant(AsBoolean());
    default:
      InvalidConversion();
  }
}
