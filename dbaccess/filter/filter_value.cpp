#include "dbaccess/filter/filter_value.h"

#include <cmath>

#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"

bool TFilterValue::IsNumber() const noexcept {
  return FKind == TFilterValueKind::Integer || FKind == TFilterValueKind::Float ||
         FKind == TFilterValueKind::Currency;
}

void TFilterValue::SetBoolean(bool value) noexcept {
  FKind = TFilterValueKind::Boolean;
  FInt = value ? 1 : 0;
}

void TFilterValue::SetInteger(std::int64_t value) noexcept {
  FKind = TFilterValueKind::Integer;
  FInt = value;
}

void TFilterValue::SetFloat(double value) noexcept {
  FKind = TFilterValueKind::Float;
  FFloat = value;
}

void TFilterValue::SetCurrency(TCurrency value) noexcept {
  FKind = TFilterValueKind::Currency;
  FInt = value.Value;
}

void TFilterValue::SetDate(TDateTime value) noexcept {
  FKind = TFilterValueKind::Date;
  FFloat = value;
}

void TFilterValue::SetString(std::string_view value) {
  FText.assign(value);
  FKind = TFilterValueKind::String;
}

std::string& TFilterValue::StartString() {
  FText.clear();
  FKind = TFilterValueKind::String;
  return FText;
}

Variant TFilterValue::ToVariant() const {
  switch (FKind) {
    case TFilterValueKind::Null:
      return Variant::Null();
    case TFilterValueKind::Boolean:
      return Variant(Boolean());
    case TFilterValueKind::Integer:
      return Variant(FInt);
    case TFilterValueKind::Float:
      return Variant(FFloat);
    case TFilterValueKind::Currency:
      return Variant(Currency());
    case TFilterValueKind::Date:
      return Variant::FromDate(FFloat);
    case TFilterValueKind::String:
      break;
  }
  return Variant(FText);
}

void TFilterValue::Assign(const Variant& value) {
  switch (value.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
      SetNull();
      return;
    case TVarType::Boolean:
      SetBoolean(value.AsBoolean());
      return;
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      SetInteger(value.AsInt64());
      return;
    case TVarType::Double:
      SetFloat(value.AsDouble());
      return;
    case TVarType::Currency:
      SetCurrency(value.AsCurrency());
      return;
    case TVarType::Date:
      SetDate(value.AsDateTime());
      return;
    case TVarType::String:
      SetString(value.AsString());
      return;
    case TVarType::Array:
      break;
  }
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(value.VarType()) +
                              ") into type (String)");
}

TFilterOrder CompareFilterValues(const TFilterValue& a, const TFilterValue& b, bool ignoreCase) {
  if (a.IsNull() || b.IsNull()) {
    if (a.IsNull() == b.IsNull()) return TFilterOrder::Equal;
    return a.IsNull() ? TFilterOrder::Less : TFilterOrder::Greater;
  }
  int r = 0;
  if (a.IsString() && b.IsString()) {
    r = ignoreCase ? AnsiCompareText(a.String(), b.String()) : AnsiCompareStr(a.String(), b.String());
  } else if (a.Kind() == TFilterValueKind::Integer && b.Kind() == TFilterValueKind::Integer) {
    r = (a.Integer() > b.Integer()) - (a.Integer() < b.Integer());
  } else {
    // Scalars make variants without allocating; the variant's rules give
    // exact comparisons across number kinds and read texts as it reads them.
    const Variant va = a.ToVariant(), vb = b.ToVariant();
    r = va == vb ? 0 : (va < vb ? -1 : 1);
  }
  return r < 0 ? TFilterOrder::Less : (r > 0 ? TFilterOrder::Greater : TFilterOrder::Equal);
}

bool SameFilterValues(const TFilterValue& a, const TFilterValue& b, bool ignoreCase) {
  if (!a.IsString() || !b.IsString()) return CompareFilterValues(a, b, ignoreCase) == TFilterOrder::Equal;
  // The collation holds two texts equal only when they are identical, or
  // identical once upper-cased when case is ignored.
  const std::string_view sa = a.String(), sb = b.String();
  if (sa.size() != sb.size()) return false;
  if (!ignoreCase) return sa == sb;
  for (std::size_t i = 0; i < sa.size(); ++i)
    if (sa[i] != sb[i] && AnsiUpperChar(sa[i]) != AnsiUpperChar(sb[i])) return false;
  return true;
}

bool FilterTruth(const TFilterValue& value) {
  switch (value.Kind()) {
    case TFilterValueKind::Null:
      return false;
    case TFilterValueKind::Boolean:
    case TFilterValueKind::Integer:
    case TFilterValueKind::Currency:
      return value.Integer() != 0;
    case TFilterValueKind::Float:
    case TFilterValueKind::Date:
      return value.Float() != 0;
    case TFilterValueKind::String:
      break;
  }
  return Variant(value.String()).AsBoolean();
}

void FilterValueText(const TFilterValue& value, std::string& text) {
  switch (value.Kind()) {
    case TFilterValueKind::String:
      text.assign(value.String());
      return;
    case TFilterValueKind::Integer:
      text = IntToStr(value.Integer());
      return;
    default:
      text = value.ToVariant().AsString();
      return;
  }
}

TDateTime FilterDateTime(const TFilterValue& value) {
  switch (value.Kind()) {
    case TFilterValueKind::Date:
    case TFilterValueKind::Float:
      return value.Float();
    case TFilterValueKind::Integer:
      return static_cast<TDateTime>(value.Integer());
    default:
      return value.ToVariant().AsDateTime();
  }
}

std::int64_t FilterInteger(const TFilterValue& value) {
  if (value.Kind() == TFilterValueKind::Integer) return value.Integer();
  return value.ToVariant().AsInt64();
}

void ConvertTextForComparison(std::string_view text, TFilterValueKind other, TFilterValue& result) {
  // The same readings as the variant's comparison of a string with a value
  // of the other kind, so a converted constant compares exactly as the
  // string itself would.
  switch (other) {
    case TFilterValueKind::Currency:
      result.SetCurrency(Variant(text).AsCurrency());
      return;
    case TFilterValueKind::Date:
      result.SetDate(Variant(text).AsDateTime());
      return;
    case TFilterValueKind::Boolean:
      result.SetBoolean(Variant(text).AsBoolean());
      return;
    case TFilterValueKind::Integer:
    case TFilterValueKind::Float: {
      std::int64_t i = 0;
      if (TryStrToInt64(text, i)) {
        result.SetInteger(i);
        return;
      }
      double d = 0;
      if (TryStrToFloat(text, d)) {
        result.SetFloat(d);
        return;
      }
      throw EVariantTypeCastError("Could not convert variant of type (String) into type (Double)");
    }
    case TFilterValueKind::Null:
    case TFilterValueKind::String:
      break;
  }
  result.SetString(text);
}

void FilterArithmetic(TFilterArithmetic op, const TFilterValue& a, const TFilterValue& b,
                      TFilterValue& result) {
  if (a.IsNull() || b.IsNull()) {
    result.SetNull();
    return;
  }
  if (op == TFilterArithmetic::Add && a.IsString() && b.IsString()) {
    std::string& text = result.StartString();
    text.append(a.String());
    text.append(b.String());
    return;
  }
  const Variant va = a.ToVariant(), vb = b.ToVariant();
  switch (op) {
    case TFilterArithmetic::Add:
      result.Assign(va + vb);
      return;
    case TFilterArithmetic::Subtract:
      result.Assign(va - vb);
      return;
    case TFilterArithmetic::Multiply:
      result.Assign(va * vb);
      return;
    case TFilterArithmetic::Divide:
      result.Assign(va / vb);
      return;
  }
}

void FilterNegate(const TFilterValue& a, TFilterValue& result) {
  if (a.IsNull()) {
    result.SetNull();
    return;
  }
  result.Assign(-a.ToVariant());
}
