// The two renderings of the criteria: the caption the filter status panel
// shows and the expression a dataset's filter parser reads.

#include <charconv>
#include <cmath>
#include <system_error>

#include "datagrid/criteria.h"
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

std::string ListText(const TdxCriteriaItemList& list, TTextMode mode) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* child = list.Items(i);
    if (child->IsList()) {
      text += "(" + ListText(static_cast<const TdxCriteriaItemList&>(*child), mode) + ")";
    } else {
      const auto& item = static_cast<const TdxCriteriaItem&>(*child);
      std::string t = mode == TTextMode::Caption ? item.Caption() : item.ExpressionName();
      t += " " + dxOperator(item.OperatorCode()).Text();
      if (item.OperatorCode() != ocIsNull)
        t += " " + (mode == TTextMode::Caption ? item.DisplayText() : ExpressionLiteral(item.Value()));
      if (item.Negated()) t = "NOT (" + t + ")";
      text += "(" + t + ")";
    }
    if (i < list.Count() - 1) text += list.Junction() == jtOr ? " OR " : " AND ";
  }
  if (list.Negated()) text = "NOT (" + text + ")";
  return text;
}

}  // namespace

std::string TdxCriteria::DisplayText() const { return ListText(Root(), TTextMode::Caption); }

std::string TdxCriteria::FilterText() const { return ListText(Root(), TTextMode::Expression); }
