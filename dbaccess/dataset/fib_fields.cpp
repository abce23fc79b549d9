#include "dbaccess/dataset/fib_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/fib_array.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

namespace {

bool GlobalEmptyStrToNull = true;

const TFIBColumnDescriptor* ColumnOfField(const TField* field) {
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(field->DataSet());
  return dataSet != nullptr ? dataSet->ColumnOf(field) : nullptr;
}

// 10^n as a 64-bit integer, n in 0..18.
std::int64_t Pow10(int n) {
  std::int64_t result = 1;
  for (int i = 0; i < n; ++i) result *= 10;
  return result;
}

// value × 10^shift, exactly, rounding half away from zero when shift is
// negative; false when it does not fit 64 bits.
bool Rescale(std::int64_t value, int shift, std::int64_t& result) {
  if (shift >= 0) {
    if (shift > 18) return value == 0 ? (result = 0, true) : false;
    const std::int64_t factor = Pow10(shift);
    if (value > std::numeric_limits<std::int64_t>::max() / factor ||
        value < std::numeric_limits<std::int64_t>::min() / factor)
      return false;
    result = value * factor;
    return true;
  }
  if (-shift > 18) {
    result = 0;
    return true;
  }
  const std::int64_t divisor = Pow10(-shift);
  const std::int64_t quotient = value / divisor;
  const std::int64_t remainder = value % divisor;
  result = quotient;
  if (remainder >= 0 ? remainder * 2 >= divisor : -remainder * 2 >= divisor) result += value < 0 ? -1 : 1;
  return true;
}

// raw / 10^places in the settings' currency format, rounded half away from
// zero to the currency decimals. Exact: a NUMERIC(18,x) value may hold more
// digits than a double.
std::string CurrencyTextOf(std::int64_t raw, int places, const TFormatSettings& fs) {
  const int decimals = std::clamp(fs.CurrencyDecimals, 0, 18);
  std::int64_t value = raw;
  if (decimals < places) Rescale(raw, decimals - places, value);
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (decimals > places) digits.append(static_cast<std::size_t>(decimals - places), '0');
  const auto fraction = static_cast<std::size_t>(decimals);
  if (digits.size() <= fraction) digits.insert(0, fraction + 1 - digits.size(), '0');
  const std::size_t whole = digits.size() - fraction;
  std::string number;
  for (std::size_t i = 0; i < whole; ++i) {
    number += digits[i];
    const std::size_t left = whole - 1 - i;
    if (fs.ThousandSeparator != '\0' && left > 0 && left % 3 == 0) number += fs.ThousandSeparator;
  }
  if (fraction > 0) {
    number += fs.DecimalSeparator;
    number.append(digits, whole);
  }
  return CurrencyText(number, value < 0, fs);
}

// The edit text of a currency value: every digit the column holds, padded
// to the currency decimals it has room for, and no currency string, so that
// the text reads back as the value it came from.
std::string CurrencyEditTextOf(std::int64_t raw, int places, const TFormatSettings& fs) {
  std::string text = ScaledInt64ToText(places, fs.DecimalSeparator, raw);
  const int wanted = std::min(places, fs.CurrencyDecimals);
  if (wanted <= 0) return text;
  std::size_t point = text.find(fs.DecimalSeparator);
  if (point == std::string::npos) {
    point = text.size();
    text += fs.DecimalSeparator;
  }
  const std::size_t have = text.size() - point - 1;
  if (have < static_cast<std::size_t>(wanted)) text.append(static_cast<std::size_t>(wanted) - have, '0');
  return text;
}

}  // namespace

bool DefaultEmptyStrToNull() { return GlobalEmptyStrToNull; }
void SetDefaultEmptyStrToNull(bool value) { GlobalEmptyStrToNull = value; }

int FieldColumnScale(const TField* field) {
  if (field == nullptr || field->FieldKind() != fkData) return -15;
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(field->DataSet());
  const TFIBXSQLVAR* column = dataSet != nullptr ? dataSet->SelectColumnOf(field) : nullptr;
  return column != nullptr ? column->SQLScale() : 100;
}

// ---- TFIBStringField --------------------------------------------------------------------

TFIBStringField::TFIBStringField(TComponent* owner)
    : TStringField(owner), FEmptyStrToNull(GlobalEmptyStrToNull) {}

bool TFIBStringField::IsDbKey() const {
  if (FieldKind() != fkData) return false;
  const TFIBColumnDescriptor* column = ColumnOfField(this);
  return column != nullptr && column->IsDbKey;
}

bool TFIBStringField::GetValue(std::string& value) const {
  // Most texts fit the stack; a read never allocates for them.
  const auto size = static_cast<std::size_t>(DataSize()) + 1;
  char small[256];
  std::unique_ptr<char[]> large;
  char* buffer = small;
  if (size > sizeof small) {
    large = std::make_unique<char[]>(size);
    buffer = large.get();
  }
  buffer[0] = '\0';
  FValueLength = -1;
  if (!GetData(buffer)) return false;
  if (FValueLength >= 0 ? FValueIsDbKey : IsDbKey()) {
    // Each 4 bytes of the key are shown as a 32-bit number.
    value.clear();
    const auto size = static_cast<std::size_t>(Size());
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
      std::uint32_t group;
      std::memcpy(&group, buffer + at, sizeof group);
      char text[16];
      std::snprintf(text, sizeof text, "%-8.8x", group);
      value += text;
    }
    return !value.empty();
  }
  const std::size_t length = FValueLength >= 0 ? static_cast<std::size_t>(FValueLength) : strnlen(buffer, size);
  value.assign(buffer, std::min(length, static_cast<std::size_t>(Size())));
  return true;
}

// ---- TFIBIntegerField -------------------------------------------------------------------

void TFIBIntegerField::SetIsTimeField(bool value) {
  if (value == FIsTimeField) return;
  FIsTimeField = value;
  PropertyChanged(false);
}

bool TFIBIntegerField::IsValidChar(char c) const {
  return TIntegerField::IsValidChar(c) || (FIsTimeField && c == FormatSettings().TimeSeparator);
}

void TFIBIntegerField::FormatText(int seconds, bool displayText, std::string& text) const {
  if (!FIsTimeField) {
    TIntegerField::FormatText(seconds, displayText, text);
    return;
  }
  const int hours = seconds / 3600;
  const int minutes = seconds / 60 - hours * 60;
  text = Format("%.2d", hours) + FormatSettings().TimeSeparator + Format("%.2d", minutes);
}

void TFIBIntegerField::SetTextValue(const std::string& text) {
  if (!FIsTimeField) {
    TIntegerField::SetTextValue(text);
    return;
  }
  // Hours, minutes, seconds and tenths; missing or empty parts are 0.
  static constexpr int Weights[] = {3600, 60, 1, 10};
  const char separator = FormatSettings().TimeSeparator;
  std::int64_t total = 0;
  std::size_t start = 0;
  for (int part = 0; part < 4 && start <= text.size(); ++part) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    const std::string piece = Trim(std::string_view(text).substr(start, end - start));
    if (!piece.empty()) total += static_cast<std::int64_t>(StrToInt(piece)) * Weights[part];
    start = end + 1;
  }
  SetAsLargeInt(total);
}

// ---- TFIBFloatField ---------------------------------------------------------------------

void TFIBFloatField::SetAsFloat(double value) {
  // Only a known column scale rounds: a column that was not found says
  // nothing about decimal places.
  if (FRoundByScale && FieldKind() == fkData) {
    const int scale = FieldColumnScale(this);
    if (scale < 0 && scale >= -18) value = RoundFraction(value, -scale);
  }
  TFloatField::SetAsFloat(value);
}

void TFIBFloatField::GetText(std::string& text, bool displayText) const {
  TFloatField::GetText(text, displayText);
  text = Trim(text);
}

// ---- TFIBBooleanField -------------------------------------------------------------------

int TFIBBooleanField::DataSize() const {
  const TFIBColumnDescriptor* column = FieldKind() == fkData ? ColumnOfField(this) : nullptr;
  return column != nullptr ? column->StorageSize : 2;
}

void TFIBBooleanField::SetStringTrue(const std::string& text) {
  FStringTrue = text;
  PropertyChanged(true);
}

void TFIBBooleanField::SetStringFalse(const std::string& text) {
  FStringFalse = text;
  PropertyChanged(true);
}

bool TFIBBooleanField::ReadValue(bool& value) const {
  std::int64_t data = 0;
  if (!GetData(&data)) return false;
  const int size = DataSize();
  if (size == 1)
    value = static_cast<std::int8_t>(data) != 0;
  else if (size == 2)
    value = static_cast<std::int16_t>(data) != 0;
  else if (size == 4)
    value = static_cast<std::int32_t>(data) != 0;
  else
    value = data != 0;
  return true;
}

bool TFIBBooleanField::AsBoolean() const {
  bool value = false;
  return ReadValue(value) && value;
}

void TFIBBooleanField::SetAsBoolean(bool value) {
  const std::int64_t data = value ? 1 : 0;  // little-endian: any size reads 1 or 0
  SetData(&data);
}

std::string TFIBBooleanField::AsString() const {
  bool value = false;
  if (!ReadValue(value)) return {};
  return value ? FStringTrue : FStringFalse;
}

void TFIBBooleanField::SetAsString(const std::string& value) {
  if (value == "1" || AnsiSameText(value, FStringTrue)) {
    SetAsBoolean(true);
  } else if (value == "0" || AnsiSameText(value, FStringFalse)) {
    SetAsBoolean(false);
  } else {
    TBooleanField::SetAsString(value);
  }
}

Variant TFIBBooleanField::AsVariant() const {
  bool value = false;
  return ReadValue(value) ? Variant(value) : Variant::Null();
}

void TFIBBooleanField::SetVarValue(const Variant& value) { SetAsBoolean(value.AsBoolean()); }

// ---- TFIBArrayField ---------------------------------------------------------------------

TFIBArrayField::TFIBArrayField(TComponent* owner) : TBytesField(owner) {}

TFIBArrayField::~TFIBArrayField() = default;

void TFIBArrayField::GetText(std::string& text, bool) const { text = IsNull() ? "(Array)" : "(ARRAY)"; }

Variant TFIBArrayField::AsVariant() const {
  if (DataSet() == nullptr) return Variant(0);
  return ReadArrayValues();
}

void TFIBArrayField::SetVarValue(const Variant& value) { WriteArrayValues(value); }

namespace {

// The array object of the field's select column; nil for a field without a
// dataset of ours or a column without an array descriptor.
TpFIBArray* ArrayObjectOf(const TField* field, TFIBCustomDataSet*& dataSet) {
  dataSet = dynamic_cast<TFIBCustomDataSet*>(field->DataSet());
  const TFIBXSQLVAR* column = dataSet != nullptr ? dataSet->SelectColumnOf(field) : nullptr;
  return column != nullptr ? column->ArrayObject() : nullptr;
}

}  // namespace

Variant TFIBArrayField::ReadArrayValues() const {
  TFIBCustomDataSet* dataSet = nullptr;
  TpFIBArray* array = ArrayObjectOf(this, dataSet);
  if (array == nullptr) return Variant(false);
  return array->GetFieldArrayValues(const_cast<TFIBArrayField*>(this), dataSet->Base().DatabaseHandle(),
                                    dataSet->Base().TransactionHandle());
}

void TFIBArrayField::WriteArrayValues(const Variant& value) {
  // Checked before anything reaches the server: a slice written outside an
  // edit would stay there, owned by no record.
  if (TDataSet* dataSet = DataSet(); dataSet != nullptr && dataSet->State() != dsEdit && dataSet->State() != dsInsert)
    RaiseClientError(ceNotInEditMode, ComponentPath(dataSet));
  if (value.IsEmpty() || value.IsNull()) {
    Clear();
    return;
  }
  TFIBCustomDataSet* dataSet = nullptr;
  TpFIBArray* array = ArrayObjectOf(this, dataSet);
  if (array == nullptr) return;
  array->SetFieldArrayValue(value, this, dataSet->Base().DatabaseHandle(), dataSet->Base().TransactionHandle());
}

int TFIBArrayField::ArraySize() const {
  TFIBCustomDataSet* dataSet = nullptr;
  const TpFIBArray* array = ArrayObjectOf(this, dataSet);
  return array != nullptr ? array->ArraySize() : 0;
}

void TFIBArrayField::LoadElementBuffer() {
  // At least the array id, which is what a cancel puts back.
  FElements.assign(std::max<std::size_t>(static_cast<std::size_t>(ArraySize()), sizeof(TISCQuad)), std::byte{0});
  FElementsNull = !GetData(FElements.data());
}

void TFIBArrayField::RestoreElementBuffer() {
  if (FElements.empty()) return;
  SetData(FElementsNull ? nullptr : FElements.data());
}

// ---- TFIBBCDField -----------------------------------------------------------------------

TFIBBCDField::TFIBBCDField(TComponent* owner) : TBCDField(owner) { SetSize(8); }

int TFIBBCDField::DataSize() const { return IsData() ? 8 : TBCDField::DataSize(); }

int TFIBBCDField::ColumnSQLType() const {
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
  const TFIBXSQLVAR* column = dataSet != nullptr ? dataSet->SelectColumnOf(this) : nullptr;
  return column != nullptr ? column->SQLType() : SQLTypeDouble;
}

bool TFIBBCDField::GetRawValue(std::int64_t& value) const {
  struct TRawScope {
    bool& Flag;
    explicit TRawScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TRawScope() { Flag = false; }
  } scope(FReadingRaw);
  std::int64_t data = 0;
  if (!GetData(&data)) return false;
  value = data;
  return true;
}

void TFIBBCDField::SetRawValue(std::int64_t value) { SetData(&value); }

void TFIBBCDField::RaiseWithPath(const std::string& message) const {
  const std::string where =
      Name().empty() ? FieldName() + "." + ComponentPath(DataSet()) : ComponentPath(this);
  throw Exception(message + "\r\n" + where);
}

std::string TFIBBCDField::AsString() const {
  if (!IsData()) return TBCDField::AsString();
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) return {};
  return Size() != 0 ? ScaledInt64ToText(Size(), FormatSettings().DecimalSeparator, raw) : Int64ToText(raw);
}

namespace {

// A decimal text as value × 10^places, exactly (rounded half away from
// zero past the places); false when it is no number or does not fit.
bool ParseScaled(std::string_view text, int places, char separator, std::int64_t& result) {
  std::string trimmed = Trim(text);
  std::size_t at = 0;
  bool negative = false;
  if (at < trimmed.size() && (trimmed[at] == '-' || trimmed[at] == '+')) negative = trimmed[at++] == '-';
  unsigned long long magnitude = 0;
  int fraction = -1;  // digits after the separator, -1 before it
  bool digits = false;
  int roundDigit = -1;
  for (; at < trimmed.size(); ++at) {
    const char c = trimmed[at];
    if (c == separator || (c == '.' && separator != '.')) {
      if (fraction >= 0) return false;
      fraction = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    digits = true;
    if (fraction >= places) {
      if (roundDigit < 0) roundDigit = c - '0';
      continue;
    }
    if (magnitude > (std::numeric_limits<unsigned long long>::max() - 9) / 10) return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    if (fraction >= 0) ++fraction;
  }
  if (!digits) return false;
  for (int f = fraction < 0 ? 0 : fraction; f < places; ++f) {
    if (magnitude > std::numeric_limits<unsigned long long>::max() / 10) return false;
    magnitude *= 10;
  }
  if (roundDigit >= 5) ++magnitude;
  const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  if (magnitude > limit) return false;
  result = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace

void TFIBBCDField::SetAsString(const std::string& value) {
  if (!IsData()) {
    TBCDField::SetAsString(value);
    return;
  }
  if (value.empty()) {
    Clear();
    return;
  }
  if (ColumnSQLType() != SQLTypeInt64) {
    TBCDField::SetAsString(value);
    return;
  }
  // Read exactly: a NUMERIC(18,x) value may hold more digits than a double.
  std::int64_t raw = 0;
  if (!ParseScaled(value, Size(), FormatSettings().DecimalSeparator, raw)) ConvertError(value, "BCD");
  SetRawValue(raw);
}

std::int64_t TFIBBCDField::AsLargeInt() const {
  if (!IsData()) return TBCDField::AsLargeInt();
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) return 0;
  std::int64_t result = raw;
  Rescale(raw, -Size(), result);
  return result;
}

void TFIBBCDField::SetAsLargeInt(std::int64_t value) {
  if (!IsData()) {
    TBCDField::SetAsLargeInt(value);
    return;
  }
  std::int64_t raw = 0;
  if (!Rescale(value, Size(), raw)) RaiseWithPath("BCD overflow");
  SetRawValue(raw);
}

int TFIBBCDField::AsInteger() const {
  if (!IsData()) return TBCDField::AsInteger();
  const std::int64_t value = AsLargeInt();
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    throw EIntOverflow(IntToStr(value) + " of field '" + DisplayName() + "' does not fit an Integer");
  return static_cast<int>(value);
}

void TFIBBCDField::SetAsInteger(int value) {
  if (!IsData()) {
    TBCDField::SetAsInteger(value);
    return;
  }
  SetAsLargeInt(value);
}

double TFIBBCDField::AsFloat() const {
  if (!IsData()) return TBCDField::AsFloat();
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) return 0;
  return static_cast<double>(raw) / PowerOfTen(Size());
}

void TFIBBCDField::WriteFloat(double value) {
  const double scaled = std::round(value * PowerOfTen(Size()));
  if (!(scaled >= -9.2233720368547758e18 && scaled < 9.2233720368547758e18))
    throw EConvertError(FloatToStr(value) + " is not a valid BCD value");
  SetRawValue(static_cast<std::int64_t>(scaled));
}

void TFIBBCDField::SetAsFloat(double value) {
  if (!IsData()) {
    TBCDField::SetAsFloat(value);
    return;
  }
  try {
    WriteFloat(value);
  } catch (const Exception& e) {
    RaiseWithPath(e.Message());
  }
}

TCurrency TFIBBCDField::AsCurrency() const {
  if (!IsData()) return TBCDField::AsCurrency();
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) return {};
  // Currency keeps four decimals: rescale the integer, never through a double.
  TCurrency result;
  if (!Rescale(raw, 4 - Size(), result.Value))
    throw EConvertError(AsString() + " is not a valid currency value for field '" + DisplayName() + "'");
  return result;
}

void TFIBBCDField::SetAsCurrency(TCurrency value) {
  if (!IsData()) {
    TBCDField::SetAsCurrency(value);
    return;
  }
  try {
    std::int64_t raw = 0;
    if (!Rescale(value.Value, Size() - 4, raw)) throw EConvertError("BCD overflow");
    if (Size() != 0 && (MinValue().Value != 0 || MaxValue().Value != 0)) {
      // The value as it will be stored, at Size decimals, must lie in range.
      TCurrency stored;
      if (Rescale(raw, 4 - Size(), stored.Value) && (stored < MinValue() || stored > MaxValue())) {
        const std::string message = CurrToStr(value) + " is not a valid value for field '" + DisplayName() +
                                    "'. The allowed range is " + CurrToStr(MinValue()) + " to " +
                                    CurrToStr(MaxValue());
        if (DataSet() != nullptr) DataSet()->DatabaseError(message);
        throw EDatabaseError(message);
      }
    }
    SetRawValue(raw);
  } catch (const EDatabaseError&) {
    throw;
  } catch (const Exception& e) {
    RaiseWithPath(e.Message());
  }
}

TBcd TFIBBCDField::AsBCD() const {
  if (!IsData()) return TBCDField::AsBCD();
  std::int64_t raw = 0;
  GetRawValue(raw);
  TBcd bcd;
  Int64ToBcd(Size(), bcd, raw);
  return bcd;
}

void TFIBBCDField::SetAsBCD(const TBcd& value) {
  if (!IsData()) {
    TBCDField::SetAsBCD(value);
    return;
  }
  std::int64_t integer = 0;
  int places = 0;
  BcdToInt64(value, integer, places);
  std::int64_t raw = 0;
  if (!Rescale(integer, Size() - places, raw)) RaiseWithPath("BCD overflow");
  SetRawValue(raw);
}

Variant TFIBBCDField::AsVariant() const {
  if (!IsData()) return TBCDField::AsVariant();
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) return Variant::Null();
  // Exact where the variant can hold it: whole numbers as 64-bit integers,
  // up to four decimals as currency when in its range.
  if (Size() == 0) return Variant(raw);
  TCurrency value;
  if (Size() <= 4 && Rescale(raw, 4 - Size(), value.Value)) return Variant(value);
  return Variant(static_cast<double>(raw) / PowerOfTen(Size()));
}

void TFIBBCDField::SetVarValue(const Variant& value) {
  if (!IsData()) {
    TBCDField::SetVarValue(value);
    return;
  }
  switch (value.VarType()) {
    case TVarType::String:
      SetAsString(value.AsString());
      break;
    case TVarType::Int64:
    case TVarType::Integer:
    case TVarType::SmallInt:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      SetAsLargeInt(value.AsInt64());
      break;
    case TVarType::Currency:
      SetAsCurrency(value.AsCurrency());
      break;
    default:
      SetAsFloat(value.AsDouble());
      break;
  }
}

void TFIBBCDField::GetText(std::string& text, bool displayText) const {
  if (!IsData()) {
    TBCDField::GetText(text, displayText);
    return;
  }
  std::int64_t raw = 0;
  if (!GetRawValue(raw)) {
    text.clear();
    return;
  }
  if (Size() == 0) {
    text = Int64ToText(raw);
    return;
  }
  const std::string& format = FormatFor(displayText);
  const double value = static_cast<double>(raw) / PowerOfTen(Size());
  if (!format.empty()) {
    text = FormatFloat(format, RoundFraction(value, Size()));
  } else if (Currency()) {
    // The edit text keeps every digit (the currency format's string and
    // rounding would not read back as the value it was).
    text = displayText ? CurrencyTextOf(raw, Size(), FormatSettings())
                       : CurrencyEditTextOf(raw, Size(), FormatSettings());
  } else {
    text = ScaledInt64ToText(Size(), FormatSettings().DecimalSeparator, raw);
  }
}

void TFIBBCDField::Assign(const TPersistent* source) {
  const auto* bcd = dynamic_cast<const TBCDField*>(source);
  if (bcd != nullptr && IsData()) {
    if (bcd->IsNull())
      Clear();
    else
      SetAsString(bcd->AsString());
    return;
  }
  if (const auto* field = dynamic_cast<const TField*>(source)) {
    SetValue(field->Value());
    return;
  }
  TBCDField::Assign(source);
}

// ---- Helpers of the layer ----------------------------------------------------------------

bool ReadOldFieldValue(TField* field, bool old, void* buffer) {
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(field->DataSet());
  if (!old || dataSet == nullptr) return field->GetData(buffer);
  return dataSet->GetStateFieldData(dsOldValue, field, buffer);
}

Variant FieldBcdAsVariant(TField* field, bool old, bool dot) {
  // The dataset hands a BCD-typed field its value as a BCD record (a raw
  // read is the typed field's own business).
  if (field->DataType() != ftBCD) return field->IsNull() ? Variant() : Variant(field->AsString());
  TBcd bcd;
  if (!ReadOldFieldValue(field, old, &bcd)) return Variant();
  return Variant(dot ? BcdToTextDot(bcd) : BcdToText(bcd));
}
