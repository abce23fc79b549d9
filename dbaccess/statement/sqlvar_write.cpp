// Writing a variable: the program's values become the SQL type the client
// sends. Every writer ends in SetRawData on each variable of the name, then
// AfterWrite (assigned flags, the macro change check).

#include <algorithm>
#include <cmath>
#include <string>

#include "dbaccess/client/errors.h"
#include "dbaccess/util/number_text.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/statement/sqlvar_record.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"

using namespace sqlvar;

namespace {

[[noreturn]] void InvalidConversion() { RaiseClientError(ceInvalidDataConversion); }

bool IsNumericCode(int type) {
  switch (type) {
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

// The framework's time stamp counts days from 0001-01-01 plus one.
constexpr int TimeStampDayOfServerDayZero = 678576;

// Longest text sent inline; longer ones go as a blob.
constexpr std::size_t MaxInlineText = 32767;

struct TServerStamp {
  std::int32_t Days = 0;
  std::uint32_t Time = 0;
};

TServerStamp ToServerStamp(TDateTime value) {
  const TTimeStamp ts = DateTimeToTimeStamp(value);
  if (ts.Date <= 0) InvalidConversion();
  return TServerStamp{ts.Date - TimeStampDayOfServerDayZero, static_cast<std::uint32_t>(ts.Time) * 10U};
}

}  // namespace

void TFIBXSQLVAR::SetAsInteger(int value) {
  ForAllNamed([value](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeLong, sizeof(value), &value); });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsInt64(std::int64_t value) {
  ForAllNamed([value](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeInt64, sizeof(value), &value); });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsDouble(double value) {
  ForAllNamed([value](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeDouble, sizeof(value), &value); });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsBoolean(bool value) {
  // A number column takes 0 or 1; a Boolean one its own width.
  if (IsNumericCode(FServerSQLType)) return SetAsInteger(value ? 1 : 0);
  if (FServerSQLType == SQLTypeBoolean || SQLType() == SQLTypeBoolean) {
    const std::int16_t flag = value ? 1 : 0;
    ForAllNamed([flag](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeBoolean, sizeof(flag), &flag); });
  } else {
    const std::uint8_t flag = value ? 1 : 0;
    ForAllNamed([flag](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeBoolean1, sizeof(flag), &flag); });
  }
  AfterWrite();
}

void TFIBXSQLVAR::SetAsCurrency(TCurrency value) {
  if (Dialect() < 3) return SetAsDouble(static_cast<double>(value.Value) / TCurrency::Scale);
  ForAllNamed([value](TFIBXSQLVAR& v) {
    v.SetRawData(SQLTypeInt64, sizeof(value.Value), &value.Value);
    RecordOf(v).sqlscale = -4;
  });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsExtended(long double value) {
  if (!std::isfinite(value)) InvalidConversion();
  if (Dialect() >= 3) {
    // As many decimals as 18 digits leave beside the integer part.
    const int digits = DecimalDigits(static_cast<double>(value));
    std::int64_t scaled = 0;
    if (digits <= 18 && RoundToInt64(value * std::pow(10.0L, 18 - digits), scaled)) {
      const int scale = digits - 18;
      ForAllNamed([scaled, scale](TFIBXSQLVAR& v) {
        v.SetRawData(SQLTypeInt64, sizeof(scaled), &scaled);
        RecordOf(v).sqlscale = static_cast<ISC_SHORT>(scale);
      });
      AfterWrite();
      return;
    }
  }
  SetAsDouble(static_cast<double>(value));
}

void TFIBXSQLVAR::SetAsBcd(const TBcd& value) {
  if (Dialect() < 3) return SetAsExtended(BcdToExtended(value));
  std::int64_t scaled = 0;
  int places = 0;
  try {
    BcdToInt64(value, scaled, places);
  } catch (const EConvertError&) {
    InvalidConversion();
  }
  ForAllNamed([scaled, places](TFIBXSQLVAR& v) {
    v.SetRawData(SQLTypeInt64, sizeof(scaled), &scaled);
    RecordOf(v).sqlscale = static_cast<ISC_SHORT>(-places);
  });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsTimeStampParts(std::int32_t days, std::uint32_t time, int type) {
  char bytes[8];
  int length = 0;
  if (type == SQLTypeTimeStamp) {
    std::memcpy(bytes, &days, 4);
    std::memcpy(bytes + 4, &time, 4);
    length = 8;
  } else if (type == SQLTypeDate) {
    std::memcpy(bytes, &days, 4);
    length = 4;
  } else {
    std::memcpy(bytes, &time, 4);
    length = 4;
  }
  ForAllNamed([&bytes, type, length](TFIBXSQLVAR& v) { v.SetRawData(type, length, bytes); });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsDate(TDateTime value) {
  const TServerStamp stamp = ToServerStamp(value);
  SetAsTimeStampParts(stamp.Days, 0, Dialect() >= 3 ? SQLTypeDate : SQLTypeTimeStamp);
}

void TFIBXSQLVAR::SetAsTime(TDateTime value) {
  const TServerStamp stamp = ToServerStamp(value);
  SetAsTimeStampParts(stamp.Days, stamp.Time, Dialect() >= 3 ? SQLTypeTime : SQLTypeTimeStamp);
}

void TFIBXSQLVAR::SetAsDateTime(TDateTime value) {
  const TServerStamp stamp = ToServerStamp(value);
  const bool dateOnly = Dialect() >= 3 && stamp.Time == 0;
  SetAsTimeStampParts(stamp.Days, stamp.Time, dateOnly ? SQLTypeDate : SQLTypeTimeStamp);
}

void TFIBXSQLVAR::SetAsQuad(const TISCQuad& value) {
  char bytes[8];
  std::memcpy(bytes, &value.High, 4);
  std::memcpy(bytes + 4, &value.Low, 4);
  ForAllNamed([&bytes](TFIBXSQLVAR& v) {
    v.SetRawData(v.SQLType() == SQLTypeArray ? SQLTypeArray : SQLTypeBlob, sizeof(bytes), bytes);
  });
  AfterWrite();
}

void TFIBXSQLVAR::WriteBlobText(std::string_view text) {
  SetAsQuad(BlobOwner().WriteBlob(text, SQLSubtype()));
}

void TFIBXSQLVAR::SetAsString(std::string_view value) {
  if (value.size() > MaxInlineText || FServerSQLType == SQLTypeBlob) return WriteBlobText(value);
  if (IsDbKey() && SQLType() == SQLTypeText && SQLLen() > 0) {
    // A record key keeps its binary length; a shorter text (one whose
    // trailing bytes were trimmed) is filled up with zeros, never read past.
    std::string key(static_cast<std::size_t>(SQLLen()), '\0');
    std::copy_n(value.begin(), std::min(value.size(), key.size()), key.begin());
    ForAllNamed(
        [&key](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeText, static_cast<int>(key.size()), key.data()); });
    AfterWrite();
    return;
  }
  std::string text(value);
  if (IsNumericCode(FServerSQLType)) {
    // The server reads numbers with a decimal point only.
    const char separator = FormatSettings().DecimalSeparator;
    for (char& c : text) {
      if (c == ',' || (c == separator && separator != '.')) c = '.';
    }
  }
  ForAllNamed(
      [&text](TFIBXSQLVAR& v) { v.SetRawData(SQLTypeText, static_cast<int>(text.size()), text.data()); });
  AfterWrite();
}

void TFIBXSQLVAR::SetAsVariant(const Variant& value) {
  // The server takes no number for a Boolean column: 0 is false, else true.
  if (VarIsOrdinal(value) && (FServerSQLType == SQLTypeBoolean || FServerSQLType == SQLTypeBoolean1))
    return SetAsBoolean(value.AsInt64() != 0);
  switch (value.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
      return SetIsNull(true);
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Byte:
    case TVarType::Word:
      return SetAsInteger(value.AsInteger());
    // Wider than the integer writer: sent whole as a 64-bit integer.
    case TVarType::Int64:
    case TVarType::LongWord:
      return SetAsInt64(value.AsInt64());
    case TVarType::Double:
      if (FServerSQLType == SQLTypeTimeStamp || FServerSQLType == SQLTypeDate)
        return SetAsDateTime(value.AsDouble());
      return SetAsDouble(value.AsDouble());
    case TVarType::Currency:
      return SetAsCurrency(value.AsCurrency());
    case TVarType::Date:
      if (FServerSQLType == SQLTypeTime) return SetAsTime(value.AsDateTime());
      if (FServerSQLType == SQLTypeDate) return SetAsDate(value.AsDateTime());
      return SetAsDateTime(value.AsDateTime());
    case TVarType::String:
      return SetAsString(value.AsString());
    case TVarType::Boolean: {
      const int type = FServerSQLType != 0 ? FServerSQLType : SQLType();
      if (type == SQLTypeBoolean || type == SQLTypeBoolean1) return SetAsBoolean(value.AsBoolean());
      return SetAsVariant(value.AsBoolean() ? TrueValue() : FalseValue());
    }
    case TVarType::Array:
      return SetArrayValues(value);
  }
  RaiseClientError(ceNotPermitted);
}
