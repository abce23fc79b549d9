#include "datagrid/criteria/criteria_operators.h"

#include <array>

#include "framework/core/text/sysutils.h"

int dxCompareValues(const Variant& a, const Variant& b) {
  try {
    if (a == b) return 0;
    if (a.IsNull()) return -1;
    if (b.IsNull()) return 1;
    return a < b ? -1 : 1;
  } catch (const EVariantError&) {
    // A value of one kind that cannot be read as the other ("abc" against a
    // number) sorts before it rather than aborting a whole filter pass.
    return -1;
  }
}

bool TdxNullOperator::Compare(const Variant& rowValue, const Variant& /*value*/) const {
  if (rowValue.IsNull()) return true;
  return VarIsStr(rowValue) && rowValue.AsString().empty();
}

bool TdxEqualOperator::Compare(const Variant& rowValue, const Variant& value) const {
  return rowValue == value;
}

bool TdxGreaterOperator::Compare(const Variant& rowValue, const Variant& value) const {
  return dxCompareValues(rowValue, value) > 0;
}

bool TdxLessOperator::Compare(const Variant& rowValue, const Variant& value) const {
  return dxCompareValues(rowValue, value) < 0;
}

bool TdxGreaterEqualOperator::Compare(const Variant& rowValue, const Variant& value) const {
  return dxCompareValues(rowValue, value) >= 0;
}

bool TdxLessEqualOperator::Compare(const Variant& rowValue, const Variant& value) const {
  return dxCompareValues(rowValue, value) <= 0;
}

const TdxAbstractOperator& dxOperator(int code) {
  // Constant, stateless objects: built on first use, never changed.
  static const TdxNullOperator isNull;
  static const TdxEqualOperator equal;
  static const TdxGreaterOperator greater;
  static const TdxLessOperator less;
  static const TdxGreaterEqualOperator greaterEqual;
  static const TdxLessEqualOperator lessEqual;
  static const std::array<const TdxAbstractOperator*, dxOperatorCount> operators = {
      &isNull, &equal, &greater, &less, &greaterEqual, &lessEqual};
  if (!IsValidOperatorCode(code)) throw EListError(Format("List index out of bounds (%d)", code));
  return *operators[static_cast<std::size_t>(code)];
}
