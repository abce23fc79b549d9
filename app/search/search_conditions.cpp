#include "app/search/search_conditions.h"

#include "framework/core/text/text.h"

namespace {

// Phones of this many digits or more are whole numbers, not prefixes.
constexpr std::size_t WholePhoneLength = 5;

// The box's text as an upper-case SQL string literal. The quotes inside are
// doubled: the text is a value to look for, never a piece of SQL.
std::string UpperLiteral(std::string_view text) {
  const std::string upper = AnsiUpperCase(text);
  std::string literal;
  literal.reserve(upper.size() + 2);
  literal += '\'';
  for (char c : upper) {
    if (c == '\'') literal += '\'';
    literal += c;
  }
  literal += '\'';
  return literal;
}

std::string AddCondition(std::string_view prev, std::string_view column, std::string_view op,
                         std::string_view text) {
  std::string result(prev);
  if (!result.empty()) result += ConditionSeparator;
  result += "UPPER(";
  result += column;
  result += ") ";
  result += op;
  result += ' ';
  result += UpperLiteral(text);
  return result;
}

}  // namespace

std::string AddStartingWithCondition(std::string_view prev, std::string_view column, std::string_view text) {
  return AddCondition(prev, column, "STARTING WITH", text);
}

std::string AddContainingCondition(std::string_view prev, std::string_view column, std::string_view text) {
  return AddCondition(prev, column, "CONTAINING", text);
}

std::string AddEqualsCondition(std::string_view prev, std::string_view column, std::string_view text) {
  return AddCondition(prev, column, "=", text);
}

TSearchConditions BuildSearchConditions(const TSearchBoxes& boxes) {
  std::string home;
  if (!boxes.Phone.empty())
    home = boxes.Phone.size() >= WholePhoneLength ? AddEqualsCondition(home, "PHONE", boxes.Phone)
                                                  : AddStartingWithCondition(home, "PHONE", boxes.Phone);
  if (!boxes.Street.empty()) home = AddStartingWithCondition(home, "STREET_NAME", boxes.Street);
  if (!boxes.Build.empty()) home = AddEqualsCondition(home, "BUILD", boxes.Build);
  std::string org = home;
  if (!boxes.Name.empty()) {
    home = AddStartingWithCondition(home, "NAME", boxes.Name);
    org = AddContainingCondition(org, "NAME", boxes.Name);
  }
  if (!boxes.Apartment.empty()) home = AddEqualsCondition(home, "APARTAMENT", boxes.Apartment);
  return {home, org};
}
