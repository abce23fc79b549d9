// The field classes: their native values, conversions and texts.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "framework/core/data/dataset.h"
#include "framework/core/text/datetime.h"
#include "framework/core/data/fields.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

namespace {

// --- Dates in the native formats -----------------------------------------

TTimeStamp ToTimeStamp(TDateTime value) {
  TTimeStamp stamp;
  const double days = std::trunc(value);
  long long msecs = std::llround(std::fabs(value - days) * MSecsPerDay);
  long long date = static_cast<long long>(days) + DateDelta;
  if (msecs >= MSecsPerDay) {
    msecs -= MSecsPerDay;
    date += value < 0 ? -1 : 1;
  }
  stamp.Date = static_cast<int>(date);
  stamp.Time = static_cast<int>(msecs);
  return stamp;
}

TDateTime FromTimeStamp(const TTimeStamp& stamp) {
  const double days = static_cast<double>(stamp.Date) - DateDelta;
  const double time = static_cast<double>(stamp.Time) / MSecsPerDay;
  return days >= 0 ? days + time : days - time;
}

double ToMSecs(const TTimeStamp& stamp) { return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time; }

TTimeStamp FromMSecs(double msecs) {
  TTimeStamp stamp;
  const double days = std::floor(msecs / MSecsPerDay);
  stamp.Date = static_cast<int>(days);
  stamp.Time = static_cast<int>(std::llround(msecs - days * MSecsPerDay));
  return stamp;
}

// --- Binary-coded decimals ------------------------------------------------

constexpr std::int64_t kPow10[] = {1LL,
                                   10LL,
                                   100LL,
                                   1000LL,
                                   10000LL,
                                   100000LL,
                                   1000000LL,
                                   10000000LL,
                                   100000000LL,
                                   1000000000LL,
                                   10000000000LL,
                                   100000000000LL,
                                   1000000000000LL,
                                   10000000000000LL,
                                   100000000000000LL,
                                   1000000000000000LL,
                                   10000000000000000LL,
                                   100000000000000000LL,
                                   1000000000000000000LL};

// The value of bcd times 10^places, rounded half away from zero; false
// when it does not fit 64 bits.
bool BcdToScaled(const TBcd& bcd, int places, std::int64_t& result) {
  const int precision = std::min<int>(bcd.Precision, 64);
  const int own = bcd.SignSpecialPlaces & 0x3F;
  const bool negative = (bcd.SignSpecialPlaces & 0x80) != 0;
  // Digits kept: all integer digits and min(own, places) fraction digits.
  const int keep = precision - own + std::min(own, places);
  unsigned long long magnitude = 0;
  int roundingDigit = 0;
  for (int i = 0; i < precision; ++i) {
    const std::uint8_t byte = bcd.Fraction[i / 2];
    const int digit = (i % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
    if (i < keep) {
      if (magnitude > (std::numeric_limits<unsigned long long>::max() - digit) / 10) return false;
      magnitude = magnitude * 10 + static_cast<unsigned>(digit);
    } else if (i == keep) {
      roundingDigit = digit;
    }
  }
  for (int i = own; i < places; ++i) {
    if (magnitude > std::numeric_limits<unsigned long long>::max() / 10) return false;
    magnitude *= 10;
  }
  if (roundingDigit >= 5) ++magnitude;
  const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  if (magnitude > limit) return false;
  result = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

TBcd ScaledToBcd(std::int64_t value, int places) {
  TBcd bcd;
  const bool negative = value < 0;
  unsigned long long magnitude =
      negative ? 0 - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  if (static_cast<int>(digits.size()) < places)
    digits.insert(0, static_cast<std::size_t>(places) - digits.size(), '0');
  bcd.Precision = static_cast<std::uint8_t>(digits.size());
  bcd.SignSpecialPlaces =
      static_cast<std::uint8_t>((negative && magnitude != 0 ? 0x80 : 0) | (places & 0x3F));
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const auto digit = static_cast<std::uint8_t>(digits[i] - '0');
    bcd.Fraction[i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? digit << 4 : digit);
  }
  return bcd;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// --- Strings --------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSize(20);
}

void TStringField::CheckTypeSize(int size) const {
  if (size < 0) throw EDatabaseError("Invalid field size");
}

bool TStringField::GetValue(std::string& value) const {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  if (!GetData(buffer.data())) return false;
  value.assign(buffer.c_str(), std::strlen(buffer.c_str()));
  return true;
}

void TStringField::GetText(std::string& text, bool) const {
  if (!GetValue(text)) text.clear();
}

std::string TStringField::AsString() const {
  std::string value;
  return GetValue(value) ? value : std::string();
}

void TStringField::SetAsString(const std::string& value) {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  std::memcpy(buffer.data(), value.data(),
              std::min<std::size_t>(value.size(), static_cast<std::size_t>(Size())));
  SetData(buffer.data());
}

int TStringField::AsInteger() const { return StrToInt(AsString()); }
void TStringField::SetAsInteger(int value) { SetAsString(IntToStr(value)); }
std::int64_t TStringField::AsLargeInt() const { return StrToInt64(AsString()); }
void TStringField::SetAsLargeInt(std::int64_t value) { SetAsString(IntToStr(value)); }
double TStringField::AsFloat() const { return StrToFloat(AsString()); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::AsBoolean() const {
  const std::string text = AsString();
  return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
TDateTime TStringField::AsDateTime() const { return StrToDateTime(AsString()); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::AsVariant() const {
  std::string value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TStringField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

// --- Numbers --------------------------------------------------------------

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetDefaultAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const std::string& format) {
  if (format == FDisplayFormat) return;
  FDisplayFormat = format;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const std::string& format) {
  if (format == FEditFormat) return;
  FEditFormat = format;
  PropertyChanged(false);
}

const std::string& TNumericField::FormatFor(bool displayText) const {
  return displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
}

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max()) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, std::int64_t minRange, std::int64_t maxRange)
    : TNumericField(owner), FMinRange(minRange), FMaxRange(maxRange) {
  SetDataType(type);
}

bool TIntegerField::GetValue(int& value) const {
  std::int32_t data = 0;
  if (!GetData(&data)) return false;
  value = data;
  return true;
}

void TIntegerField::CheckRange(std::int64_t value) const {
  std::int64_t low = FMinRange, high = FMaxRange;
  if (FMinValue != 0 || FMaxValue != 0) {
    low = std::max<std::int64_t>(low, FMinValue);
    high = std::min<std::int64_t>(high, FMaxValue);
  }
  if (value >= low && value <= high) return;
  const std::string message = IntToStr(value) + " is not a valid value for field '" + DisplayName() +
                              "'. The allowed range is " + IntToStr(low) + " to " + IntToStr(high);
  if (DataSet() != nullptr) DataSet()->DatabaseError(message);
  throw EDatabaseError(message);
}

std::string TIntegerField::AsString() const {
  int value = 0;
  return GetValue(value) ? IntToStr(value) : std::string();
}

void TIntegerField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  std::int64_t number = 0;
  if (!TryStrToInt64(value, number)) ConvertError(value, "integer");
  SetAsLargeInt(number);
}

int TIntegerField::AsInteger() const {
  int value = 0;
  return GetValue(value) ? value : 0;
}

void TIntegerField::SetAsInteger(int value) { SetAsLargeInt(value); }
std::int64_t TIntegerField::AsLargeInt() const { return AsInteger(); }

void TIntegerField::SetAsLargeInt(std::int64_t value) {
  CheckRange(value);
  const auto data = static_cast<std::int32_t>(value);
  SetData(&data);
}

double TIntegerField::AsFloat() const { return AsInteger(); }

void TIntegerField::SetAsFloat(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= -9.2e18 && rounded <= 9.2e18)) CheckRange(value < 0 ? FMinRange - 1 : FMaxRange + 1);
  SetAsLargeInt(static_cast<std::int64_t>(rounded));
}

Variant TIntegerField::AsVariant() const {
  int value = 0;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TIntegerField::SetVarValue(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

bool TIntegerField::IsValidChar(char c) const {
  return static_cast<unsigned char>(c) < 32 || c == '+' || c == '-' || IsDigit(c);
}

void TIntegerField::GetText(std::string& text, bool displayText) const {
  int value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  FormatText(value, displayText, text);
}

void TIntegerField::FormatText(int value, bool displayText, std::string& text) const {
  const std::string& format = FormatFor(displayText);
  if (!format.empty()) {
    text = FormatFloat(format, value);
    return;
  }
  char digits[16];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  text.assign(digits, end.ptr);
}

void TIntegerField::ReadDisplay(std::string& text, Variant* value) const {
  if (OnGetText) {
    TField::ReadDisplay(text, value);
    return;
  }
  int data = 0;
  if (!GetValue(data)) {
    text.clear();
    if (value != nullptr) *value = Variant::Null();
    return;
  }
  FormatText(data, true, text);
  if (value != nullptr) *value = Variant(data);
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner, ftSmallint, -32768, 32767) {}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, 65535) {}

bool TWordField::IsValidChar(char c) const {
  return static_cast<unsigned char>(c) < 32 || c == '+' || IsDigit(c);
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

bool TLargeintField::GetValue(std::int64_t& value) const {
  std::int64_t data = 0;
  if (!GetData(&data)) return false;
  value = data;
  return true;
}

std::string TLargeintField::AsString() const {
  std::int64_t value = 0;
  return GetValue(value) ? IntToStr(value) : std::string();
}

void TLargeintField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  std::int64_t number = 0;
  if (!TryStrToInt64(value, number)) ConvertError(value, "integer");
  SetAsLargeInt(number);
}

int TLargeintField::AsInteger() const {
  const std::int64_t value = AsLargeInt();
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    throw EIntOverflow(IntToStr(value) + " of field '" + DisplayName() + "' does not fit an Integer");
  return static_cast<int>(value);
}

void TLargeintField::SetAsInteger(int value) { SetAsLargeInt(value); }

std::int64_t TLargeintField::AsLargeInt() const {
  std::int64_t value = 0;
  return GetValue(value) ? value : 0;
}

void TLargeintField::SetAsLargeInt(std::int64_t value) { SetData(&value); }
double TLargeintField::AsFloat() const { return static_cast<double>(AsLargeInt()); }

void TLargeintField::SetAsFloat(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= -9.2e18 && rounded <= 9.2e18))
    throw EIntOverflow(FloatToStr(value) + " does not fit field '" + DisplayName() + "'");
  SetAsLargeInt(static_cast<std::int64_t>(rounded));
}

Variant TLargeintField::AsVariant() const {
  std::int64_t value = 0;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TLargeintField::SetVarValue(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

bool TLargeintField::IsValidChar(char c) const {
  return static_cast<unsigned char>(c) < 32 || c == '+' || c == '-' || IsDigit(c);
}

void TLargeintField::GetText(std::string& text, bool displayText) const {
  std::int64_t value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const std::string& format = FormatFor(displayText);
  text = format.empty() ? IntToStr(value) : FormatFloat(format, static_cast<double>(value));
}

TFloatField::TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner) { SetDataType(type); }

void TFloatField::SetCurrency(bool currency) {
  if (currency == FCurrency) return;
  FCurrency = currency;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int precision) {
  precision = std::clamp(precision, 2, 15);
  if (precision == FPrecision) return;
  FPrecision = precision;
  PropertyChanged(false);
}

bool TFloatField::GetValue(double& value) const {
  double data = 0;
  if (!GetData(&data)) return false;
  value = data;
  return true;
}

std::string TFloatField::AsString() const {
  double value = 0;
  return GetValue(value) ? FloatToStr(value) : std::string();
}

void TFloatField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  double number = 0;
  if (!TryStrToFloat(value, number)) ConvertError(value, "floating point");
  SetAsFloat(number);
}

int TFloatField::AsInteger() const {
  const double value = std::round(AsFloat());
  if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()))
    throw EIntOverflow(FloatToStr(value) + " of field '" + DisplayName() + "' does not fit an Integer");
  return static_cast<int>(value);
}

void TFloatField::SetAsInteger(int value) { SetAsFloat(value); }

double TFloatField::AsFloat() const {
  double value = 0;
  return GetValue(value) ? value : 0;
}

void TFloatField::SetAsFloat(double value) {
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue)) {
    const std::string message = FloatToStr(value) + " is not a valid value for field '" + DisplayName() +
                                "'. The allowed range is " + FloatToStr(FMinValue) + " to " +
                                FloatToStr(FMaxValue);
    if (DataSet() != nullptr) DataSet()->DatabaseError(message);
    throw EDatabaseError(message);
  }
  SetData(&value);
}

TCurrency TFloatField::AsCurrency() const { return FloatToCurr(AsFloat()); }
void TFloatField::SetAsCurrency(TCurrency value) { SetAsFloat(CurrToFloat(value)); }

Variant TFloatField::AsVariant() const {
  double value = 0;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TFloatField::SetVarValue(const Variant& value) { SetAsFloat(value.AsDouble()); }

bool TFloatField::IsValidChar(char c) const {
  return static_cast<unsigned char>(c) < 32 || c == '+' || c == '-' || c == 'E' || c == 'e' || IsDigit(c) ||
         c == FormatSettings().DecimalSeparator;
}

void TFloatField::GetText(std::string& text, bool displayText) const {
  double value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const std::string& format = FormatFor(displayText);
  const int decimals = FormatSettings().CurrencyDecimals;
  if (!format.empty())
    text = FormatFloat(format, value);
  else if (FCurrency)
    text = FloatToStrF(value, displayText ? ffCurrency : ffFixed, 15, decimals);
  else
    text = FloatToStrF(value, ffGeneral, FPrecision, 0);
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) { SetCurrency(true); }

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftBCD);
  SetSize(4);
}

void TBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > 32) throw EDatabaseError("Invalid field size");
}

void TBCDField::SetCurrency(bool currency) {
  if (currency == FCurrency) return;
  FCurrency = currency;
  PropertyChanged(false);
}

bool TBCDField::GetValue(TCurrency& value) const {
  TBcd bcd;
  if (!GetData(&bcd)) return false;
  std::int64_t scaled = 0;
  if (!BcdToScaled(bcd, 4, scaled)) throw EDatabaseError("BCD overflow in field '" + DisplayName() + "'");
  value.Value = scaled;
  return true;
}

TCurrency TBCDField::AsCurrency() const {
  TCurrency value;
  return GetValue(value) ? value : TCurrency{};
}

void TBCDField::SetAsCurrency(TCurrency value) {
  if ((FMinValue.Value != 0 || FMaxValue.Value != 0) && (value < FMinValue || value > FMaxValue)) {
    const std::string message = CurrToStr(value) + " is not a valid value for field '" + DisplayName() +
                                "'. The allowed range is " + CurrToStr(FMinValue) + " to " +
                                CurrToStr(FMaxValue);
    if (DataSet() != nullptr) DataSet()->DatabaseError(message);
    throw EDatabaseError(message);
  }
  // Stored with Size decimals: rounded (half away from zero) below four,
  // widened above.
  const int places = Size();
  std::int64_t scaled = value.Value;
  if (places < 4) {
    const std::int64_t divisor = kPow10[4 - places];
    const std::int64_t half = divisor / 2;
    scaled = scaled >= 0 ? (scaled + half) / divisor : -((-scaled + half) / divisor);
  } else if (places > 4) {
    const std::int64_t factor = kPow10[std::min(places - 4, 18)];
    if (places - 4 > 18 || scaled > std::numeric_limits<std::int64_t>::max() / factor ||
        scaled < std::numeric_limits<std::int64_t>::min() / factor)
      throw EDatabaseError("BCD overflow in field '" + DisplayName() + "'");
    scaled *= factor;
  }
  const TBcd bcd = ScaledToBcd(scaled, places);
  SetData(&bcd);
}

TBcd TBCDField::AsBCD() const {
  TBcd bcd;
  return GetData(&bcd) ? bcd : TBcd{};
}

void TBCDField::SetAsBCD(const TBcd& value) {
  std::int64_t scaled = 0;
  if (!BcdToScaled(value, 4, scaled)) throw EDatabaseError("BCD overflow in field '" + DisplayName() + "'");
  SetAsCurrency(TCurrency{scaled});
}

std::string TBCDField::AsString() const {
  TCurrency value;
  return GetValue(value) ? CurrToStr(value) : std::string();
}

void TBCDField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  SetAsCurrency(StrToCurr(value));
}

int TBCDField::AsInteger() const {
  const std::int64_t value = AsCurrency().Value;
  const std::int64_t rounded = value >= 0 ? (value + 5000) / 10000 : -((-value + 5000) / 10000);
  if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
    throw EIntOverflow(IntToStr(rounded) + " of field '" + DisplayName() + "' does not fit an Integer");
  return static_cast<int>(rounded);
}

void TBCDField::SetAsInteger(int value) {
  SetAsCurrency(TCurrency{static_cast<std::int64_t>(value) * 10000});
}
double TBCDField::AsFloat() const { return CurrToFloat(AsCurrency()); }
void TBCDField::SetAsFloat(double value) { SetAsCurrency(FloatToCurr(value)); }

Variant TBCDField::AsVariant() const {
  TCurrency value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TBCDField::SetVarValue(const Variant& value) { SetAsCurrency(value.AsCurrency()); }

bool TBCDField::IsValidChar(char c) const {
  return static_cast<unsigned char>(c) < 32 || c == '+' || c == '-' || IsDigit(c) ||
         c == FormatSettings().DecimalSeparator;
}

void TBCDField::GetText(std::string& text, bool displayText) const {
  TCurrency value;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const std::string& format = FormatFor(displayText);
  if (!format.empty())
    text = FormatFloat(format, CurrToFloat(value));
  else if (FCurrency)
    text = CurrToStrF(value, displayText ? ffCurrency : ffFixed, FormatSettings().CurrencyDecimals);
  else
    text = CurrToStr(value);
}

// --- Booleans -------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const std::string& values) {
  FDisplayValues = values;
  const std::size_t separator = values.find(';');
  if (values.empty()) {
    FTrueText = "True";
    FFalseText = "False";
  } else if (separator == std::string::npos) {
    FTrueText = values;
    FFalseText.clear();
  } else {
    FTrueText = values.substr(0, separator);
    FFalseText = values.substr(separator + 1);
  }
  PropertyChanged(true);
}

int TBooleanField::DefaultDisplayWidth() const {
  return static_cast<int>(std::max(FTrueText.size(), FFalseText.size()));
}

bool TBooleanField::GetValue(bool& value) const {
  std::int16_t data = 0;
  if (!GetData(&data)) return false;
  value = data != 0;
  return true;
}

std::string TBooleanField::AsString() const {
  bool value = false;
  if (!GetValue(value)) return std::string();
  return value ? FTrueText : FFalseText;
}

void TBooleanField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  // A typed prefix of either text will do; the false text is tried first.
  const auto prefixOf = [&](const std::string& text) {
    return value.size() <= text.size() && AnsiSameText(value, text.substr(0, value.size()));
  };
  if (prefixOf(FFalseText))
    SetAsBoolean(false);
  else if (prefixOf(FTrueText))
    SetAsBoolean(true);
  else
    ConvertError(value, "boolean");
}

bool TBooleanField::AsBoolean() const {
  bool value = false;
  return GetValue(value) && value;
}

void TBooleanField::SetAsBoolean(bool value) {
  const std::int16_t data = value ? 1 : 0;
  SetData(&data);
}

Variant TBooleanField::AsVariant() const {
  bool value = false;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TBooleanField::SetVarValue(const Variant& value) { SetAsBoolean(value.AsBoolean()); }

void TBooleanField::GetText(std::string& text, bool) const { text = AsString(); }

// --- Dates and times ------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner) { SetDataType(type); }

void TDateTimeField::SetDisplayFormat(const std::string& format) {
  if (format == FDisplayFormat) return;
  FDisplayFormat = format;
  PropertyChanged(false);
}

bool TDateTimeField::GetValue(TDateTime& value) const {
  switch (DataType()) {
    case ftDate: {
      std::int32_t days = 0;
      if (!GetData(&days)) return false;
      TTimeStamp stamp;
      stamp.Date = days;
      value = FromTimeStamp(stamp);
      return true;
    }
    case ftTime: {
      std::int32_t msecs = 0;
      if (!GetData(&msecs)) return false;
      value = static_cast<double>(msecs) / MSecsPerDay;
      return true;
    }
    default: {
      double msecs = 0;
      if (!GetData(&msecs)) return false;
      value = FromTimeStamp(FromMSecs(msecs));
      return true;
    }
  }
}

TDateTime TDateTimeField::AsDateTime() const {
  TDateTime value = 0;
  return GetValue(value) ? value : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
  const TTimeStamp stamp = ToTimeStamp(value);
  switch (DataType()) {
    case ftDate: {
      const std::int32_t days = stamp.Date;
      SetData(&days);
      break;
    }
    case ftTime: {
      const std::int32_t msecs = stamp.Time;
      SetData(&msecs);
      break;
    }
    default: {
      const double msecs = ToMSecs(stamp);
      SetData(&msecs);
      break;
    }
  }
}

double TDateTimeField::AsFloat() const { return AsDateTime(); }
void TDateTimeField::SetAsFloat(double value) { SetAsDateTime(value); }

std::string TDateTimeField::AsString() const {
  std::string text;
  GetText(text, false);
  return text;
}

void TDateTimeField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  switch (DataType()) {
    case ftDate:
      SetAsDateTime(StrToDate(value));
      break;
    case ftTime:
      SetAsDateTime(StrToTime(value));
      break;
    default:
      SetAsDateTime(StrToDateTime(value));
      break;
  }
}

Variant TDateTimeField::AsVariant() const {
  TDateTime value = 0;
  return GetValue(value) ? Variant::FromDate(value) : Variant::Null();
}

void TDateTimeField::SetVarValue(const Variant& value) { SetAsDateTime(value.AsDateTime()); }

void TDateTimeField::GetText(std::string& text, bool displayText) const {
  TDateTime value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  if (displayText && !FDisplayFormat.empty()) {
    text = FormatDateTime(FDisplayFormat, value);
    return;
  }
  switch (DataType()) {
    case ftDate:
      text = DateToStr(value);
      break;
    case ftTime:
      text = TimeToStr(value);
      break;
    default:
      text = DateTimeToStr(value);
      break;
  }
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

// --- Bytes and blobs ------------------------------------------------------

TBinaryField::TBinaryField(TComponent* owner, TFieldType type, int defaultSize) : TField(owner) {
  SetDataType(type);
  SetSize(defaultSize);
}

void TBinaryField::CheckTypeSize(int size) const {
  if (size < 0 || size > 65535) throw EDatabaseError("Invalid field size");
}

std::string TBinaryField::AsString() const {
  std::string bytes;
  return GetBytes(bytes) ? bytes : std::string();
}

void TBinaryField::SetAsString(const std::string& value) {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  std::memcpy(buffer.data(), value.data(), std::min(value.size(), buffer.size()));
  SetData(buffer.data());
}

Variant TBinaryField::AsVariant() const {
  std::string bytes;
  return GetBytes(bytes) ? Variant(bytes) : Variant::Null();
}

void TBinaryField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

void TBinaryField::GetText(std::string& text, bool) const {
  const std::string name = FieldTypeName(DataType());
  text = "(" + (IsNull() ? name : UpperCase(name)) + ")";
}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes, 16) {}

bool TBytesField::GetBytes(std::string& bytes) const {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  if (!GetData(buffer.data())) return false;
  bytes = std::move(buffer);
  return true;
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner, ftVarBytes, 16) {}

bool TVarBytesField::GetBytes(std::string& bytes) const {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  if (!GetData(buffer.data())) return false;
  std::uint16_t length = 0;
  std::memcpy(&length, buffer.data(), 2);
  length = std::min<std::uint16_t>(length, static_cast<std::uint16_t>(Size()));
  bytes = buffer.substr(2, length);
  return true;
}

void TVarBytesField::SetAsString(const std::string& value) {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  const auto length =
      static_cast<std::uint16_t>(std::min<std::size_t>(value.size(), static_cast<std::size_t>(Size())));
  std::memcpy(buffer.data(), &length, 2);
  std::memcpy(buffer.data() + 2, value.data(), length);
  SetData(buffer.data());
}

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) { SetDataType(type); }

void TBlobField::CheckTypeSize(int size) const {
  if (size < 0) throw EDatabaseError("Invalid field size");
}

void TBlobField::SetBlobType(TFieldType type) {
  if (!IsBlobFieldType(type)) throw EDatabaseError("Invalid blob type for field '" + DisplayName() + "'");
  SetDataType(type);
}

std::string TBlobField::AsString() const {
  TDataSet& dataSet = CheckDataSet();
  std::unique_ptr<TStream> stream = dataSet.CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  return stream ? stream->ReadRest() : std::string();
}

void TBlobField::SetAsString(const std::string& value) {
  TDataSet& dataSet = CheckDataSet();
  std::unique_ptr<TStream> stream = dataSet.CreateBlobStream(this, bmWrite);
  if (!stream) AccessError("String");
  stream->WriteString(value);
}

std::int64_t TBlobField::BlobSize() const {
  std::unique_ptr<TStream> stream = CheckDataSet().CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  return stream ? stream->Size() : 0;
}

Variant TBlobField::AsVariant() const { return IsNull() ? Variant::Null() : Variant(AsString()); }

void TBlobField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

void TBlobField::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  SetAsString(stream.ReadRest());
}

void TBlobField::SaveToStream(TStream& stream) const { stream.WriteString(AsString()); }

void TBlobField::GetText(std::string& text, bool) const {
  const std::string name = FieldTypeName(DataType());
  text = "(" + (IsNull() ? name : UpperCase(name)) + ")";
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}
