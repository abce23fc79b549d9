// The SQL text tools over any statement text: the normal form, the clause
// finder and the routines that read names out of a statement.
//
// Input: the statement text.
// Promises checked:
// - the normal form begins with a blank and is stable: normalising it
//   again gives the same text;
// - every position reported lies inside the text and points at what it
//   names (FROM, WHERE, the word searched);
// - in a well-formed text (closed quotes and comments, balanced
//   parentheses), a condition added or put in place of the
//   main WHERE clause reads back as (part of) the main WHERE clause.

#include <algorithm>
#include <string>
#include <string_view>

#include "dbaccess/sql/sql_lexer.h"
#include "dbaccess/sql/sql_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::string_view Condition = "FUZZ_COND = 1";

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = sqltext::AsciiUpperChar(c);
  return r;
}

bool WordIsAt(std::string_view text, int pos, std::string_view word) {
  return pos >= 1 && static_cast<std::size_t>(pos) - 1 + word.size() <= text.size() &&
         Upper(text.substr(static_cast<std::size_t>(pos) - 1, word.size())) == word;
}

// Literals, quoted names and block comments are closed; parentheses
// outside them never close more than they opened, and all are closed at
// the end. Conditions are added only to such texts.
bool WellFormed(std::string_view text) {
  const auto closed = sqltext::Classify(std::string(text) + ' ');
  if (closed.back() != sqltext::TCharClass::Code && closed.back() != sqltext::TCharClass::LineComment)
    return false;
  const auto cls = sqltext::Classify(text);
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (cls[i] != sqltext::TCharClass::Code) continue;
    if (text[i] == '(') ++depth;
    if (text[i] == ')' && --depth < 0) return false;
  }
  return depth == 0;
}

void CheckClauses(std::string_view text) {
  TSQLParser parser(text);
  const int length = parser.Length();
  FUZZ_CHECK(parser.FirstPos() >= 1 && parser.FirstPos() <= length + 1, FuzzShown(text));

  const TSQLTextRange from = parser.FromClauseBounds();
  if (from.Found()) {
    FUZZ_CHECK(from.Start <= from.End && from.End <= length && WordIsAt(text, from.Start, "FROM"),
               FuzzShown(text) + " FROM " + std::to_string(from.Start) + ".." + std::to_string(from.End));
  }

  const int count = parser.WhereCount();
  const int main = parser.MainWhereIndex();
  FUZZ_CHECK(count >= 0 && (main == -1 || (main >= 1 && main <= count)),
             FuzzShown(text) + " count " + std::to_string(count) + " main " + std::to_string(main));
  for (int k = 0; k <= std::min(count, 8) + 1; ++k) {
    const TWhereClause w = parser.WhereClause(k);
    if (!w.Found()) continue;
    FUZZ_CHECK(k <= count && WordIsAt(text, w.Start, "WHERE") && IsWhereAt(text, w.Start) &&
                   w.ConditionStart > w.Start + 4 && w.End >= w.ConditionStart - 1 && w.End <= length &&
                   w.Condition == text.substr(static_cast<std::size_t>(w.ConditionStart) - 1,
                                              static_cast<std::size_t>(w.End - w.ConditionStart + 1)),
               FuzzShown(text) + " WHERE " + std::to_string(k) + ": " + std::to_string(w.Start) + ", " +
                   std::to_string(w.ConditionStart) + ".." + std::to_string(w.End));
  }
  for (int pos = -1; pos <= length + 2; ++pos) {
    IsWhereAt(text, pos);
    IsWhereEnd(text, pos);
  }

  const std::string countSQL = parser.CountSQL();
  FUZZ_CHECK(countSQL.empty() == (parser.Kind() != TSQLStatementKind::Select || !from.Found()),
             FuzzShown(text) + " gave " + FuzzShown(countSQL));

  if (!WellFormed(text)) return;
  bool added = true;
  TSQLParser adding(text);
  try {
    adding.AddCondition(Condition, text.size() % 2 == 0);
  } catch (const ESQLTextError&) {
    added = false;
  }
  FUZZ_CHECK(added == (main > 0 || from.Found()), FuzzShown(text));
  if (added) {
    const std::string where = adding.MainWhereClause();
    FUZZ_CHECK(where.find(Condition) != std::string::npos,
               FuzzShown(text) + " became " + FuzzShown(adding.Text()) + " main WHERE " + FuzzShown(where));
  }
  if (main > 0) {
    TSQLParser replacing(text);
    replacing.ReplaceWhereClause(main, Condition);
    const std::string where = replacing.WhereClause(main).Condition;
    FUZZ_CHECK(where == Condition,
               FuzzShown(text) + " became " + FuzzShown(replacing.Text()) + " WHERE " + FuzzShown(where));
  }
}

void CheckNames(std::string_view text) {
  ModifyTableName(text, false);
  StatementTables(text);
  const auto items = FromItems(text);
  for (const std::string& item : items) {
    TableOfAlias(text, item);
    QualifyByTable(text, item + ".X");
  }
  OrderByFields(text);
  ColumnBeforeParam(text, "ID");
  for (std::string_view word : {"ORDER", "WHERE", "FROM"}) {
    const int pos = PosWord(word, text);
    FUZZ_CHECK(pos == 0 || WordIsAt(text, pos, word), FuzzShown(text) + " " + std::string(word));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = FuzzText(data, size);
  const std::string normal = NormalizeSqlText(text, '@');
  FUZZ_CHECK(normal.empty() == text.empty() && (normal.empty() || normal.front() == ' '), FuzzShown(text));
  const std::string again = NormalizeSqlText(normal, '@');
  FUZZ_CHECK(again == normal,
             FuzzShown(text) + "\nonce:  " + FuzzShown(normal) + "\ntwice: " + FuzzShown(again));

  CheckClauses(text);
  CheckClauses(normal);
  CheckNames(text);
  return 0;
}
