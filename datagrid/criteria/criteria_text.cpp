// The two renderings of the criteria: the caption the filter status panel
// shows and the expression a dataset's filter parser reads.

#include <charconv>
#include <cmath>
#include <system_error>

#include "datagrid/criteria/criteria.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

namespace {

enum class TTextMode { Caption, Expression };

// The shortest text that reads back as the same double, in plain decimals:
// the grid compares the exact value, so the dataset must see it too, and
// the filter parser takes "." whatever the user's decimal separator is.
std::string FloatLiteral(double value) {
  if (!std::isfinite(value)) return FloatToStr(value);
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return FloatToStr(value);
  return std::string(buffer, result.ptr);
}

std::string ExpressionLiteral(const Variant& value) {
  switch (value.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
      // Without a value the text would end at the operator and the dataset
      // would refuse the whole filter.
      return "NULL";
    case TVarType::String: {
      // Inner quotes doubled, or the literal would end early.
      const std::string text = value.AsString();
      // The dataset takes a text constant ending in "*" beside "=" as a
      // prefix to match; the grid compares the whole value, "*" included.
      // Spelt as a sum the constant is no longer one, and means the same.
      if (text.size() >= 2 && text.back() == '*')
        return QuotedStr(text.substr(0, text.size() - 1)) + " + '*'";
      return QuotedStr(text);
    }
    case TVarType::Date:
      return QuotedStr(value.AsString());
    case TVarType::Double:
      return FloatLiteral(value.AsDouble());
    case TVarType::Currency: {
      TFormatSettings settings = TFormatSettings::Russian();
      settings.DecimalSeparator = '.';
      return CurrToStr(value.AsCurrency(), settings);
    }
    default:
      return value.AsString();
  }
}

// A leaf for the dataset. The dataset takes NULL only beside = and <>, so
// a condition without a value under another operator is written as what
// the criteria make of it: Null orders before every value, so "> Null"
// holds for every value, "<= Null" only for Null, ">= Null" always and
// "< Null" never. An unassigned value, which only a program can store, is
// written as Null too.
std::string ExpressionCondition(const TdxCriteriaItem& item) {
  const std::string name = item.ExpressionName();
  const TdxOperatorCode code = item.OperatorCode();
  if (code == ocIsNull) return name + " " + dxOperator(code).Text();
  const Variant& value = item.Value();
  if (value.IsNull() || value.IsEmpty()) {
    switch (code) {
      case ocEqual:
      case ocLessEqual:
        return name + " = NULL";
      case ocGreater:
        return name + " <> NULL";
      case ocGreaterEqual:
        return name + " = NULL OR " + name + " <> NULL";
      case ocLess:
        return name + " = NULL AND " + name + " <> NULL";
      case ocIsNull:
        break;
    }
  }
  return name + " " + dxOperator(code).Text() + " " + ExpressionLiteral(value);
}

std::string ListText(const TdxCriteriaItemList& list, TTextMode mode) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* child = list.Items(i);
    if (child->IsList()) {
      text += "(" + ListText(static_cast<const TdxCriteriaItemList&>(*child), mode) + ")";
    } else {
      const auto& item = static_cast<const TdxCriteriaItem&>(*child);
      std::string t;
      if (mode == TTextMode::Expression) {
        t = ExpressionCondition(item);
      } else {
        t = item.Caption() + " " + dxOperator(item.OperatorCode()).Text();
        if (item.OperatorCode() != ocIsNull) t += " " + item.DisplayText();
      }
      if (item.Negated()) t = "NOT (" + t + ")";
      text += "(" + t + ")";
    }
    if (i < list.Count() - 1) text += list.Junction() == jtOr ? " OR " : " AND ";
  }
  // An empty list passes every row; the dataset needs that said, where an
  // empty text would be a mistake. Only the whole filter may be empty: then
  // the dataset is not filtered at all.
  if (mode == TTextMode::Expression && list.Count() == 0 && (list.Parent() != nullptr || list.Negated()))
    text = "True";
  if (list.Negated()) text = "NOT (" + text + ")";
  return text;
}

}  // namespace

std::string TdxCriteria::DisplayText() const { return ListText(Root(), TTextMode::Caption); }

std::string TdxCriteria::FilterText() const { return ListText(Root(), TTextMode::Expression); }
