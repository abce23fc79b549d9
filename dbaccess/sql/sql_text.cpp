// Text routines that read names out of statements: the written table, the
// FROM items and their aliases, the ORDER BY list and the column a parameter
// is compared with. They work on tokens, so quoted names, literals and
// comments are never taken apart.

#include "dbaccess/sql/sql_text.h"

#include "dbaccess/util/helpers.h"

using namespace sqltext;

namespace {

bool IsParamNameChar(char c) { return IsIdentChar(c) || c == '#' || c == '%' || c == '.'; }

bool IsOneOf(const std::string& word, std::initializer_list<std::string_view> words) {
  for (std::string_view w : words)
    if (word == w) return true;
  return false;
}

// Tokens joined by blanks, except around the "." of a qualified name.
std::string JoinTokens(const std::vector<std::string>& tokens, std::size_t from, std::size_t to) {
  std::string r;
  for (std::size_t i = from; i < to; ++i) {
    if (!r.empty() && r.back() != '.' && tokens[i].front() != '.') r += ' ';
    r += tokens[i];
  }
  return r;
}

std::vector<std::string> FromItemsOfNormal(const std::string& norm) {
  const TSQLTextRange range = TSQLParser(norm).FromClauseBounds();
  if (!range.Found()) return {};
  const std::size_t begin = static_cast<std::size_t>(range.Start - 1) + 4;  // after FROM
  const std::size_t end = static_cast<std::size_t>(range.End);
  const std::vector<std::string> tokens = Tokens(std::string_view(norm).substr(begin, end - begin));

  std::vector<std::string> items;
  std::vector<std::string> item;
  int depth = 0;
  bool skipping = false;       // inside a join condition
  bool parenthesised = false;  // derived tables and procedure calls are left out
  auto finish = [&] {
    if (!item.empty() && !parenthesised) {
      items.push_back(JoinTokens(item, 0, item.size()));
    }
    item.clear();
    skipping = parenthesised = false;
  };
  for (const std::string& token : tokens) {
    const std::string up = AsciiUpper(token);
    if (depth == 0) {
      if (token == "," || up == "JOIN") {
        finish();
        continue;
      }
      if (up == "ON" || up == "USING") skipping = true;
      if (!skipping && IsOneOf(up, {"LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL", "AS"}))
        continue;
    }
    if (token == "(") {
      parenthesised = parenthesised || !skipping;
      ++depth;
    } else if (token == ")") {
      --depth;
    }
    if (!skipping) item.push_back(token);
  }
  finish();
  return items;
}

}  // namespace

int PosWord(std::string_view word, std::string_view text) {
  if (word.empty()) return 0;
  const std::string up = AsciiUpper(word);
  const auto cls = Classify(text);
  for (std::size_t i = 0; i + up.size() <= text.size(); ++i) {
    if (cls[i] != TCharClass::Code || !WordAt(text, i, up)) continue;
    const bool before = i == 0 || IsWhitespace(text[i - 1]) || text[i - 1] == ')';
    const std::size_t e = i + up.size();
    if (before && (e == text.size() || IsWhitespace(text[e]))) return static_cast<int>(i) + 1;
  }
  return 0;
}

int PosOrder(std::string_view text) { return PosWord("ORDER", text); }

std::string ModifyTableName(std::string_view text, bool normalized) {
  const std::vector<std::string> t = Tokens(normalized ? std::string(text) : NormalizeSqlText(text, '@'));
  auto up = [&](std::size_t i) { return i < t.size() ? AsciiUpper(t[i]) : std::string(); };
  std::size_t k = 0;
  if (up(0) == "INSERT" && up(1) == "INTO")
    k = 2;
  else if (up(0) == "DELETE" && up(1) == "FROM")
    k = 2;
  else if (up(0) == "UPDATE")
    k = up(1) == "OR" && up(2) == "INSERT" && up(3) == "INTO" ? 4 : 1;
  if (k == 0 || k >= t.size() || (t[k].size() == 1 && IsOperatorChar(t[k][0]))) return {};
  return Unquoted(t[k]);
}

std::vector<std::string> FromItems(std::string_view text) {
  if (IsBlankText(text)) return {};
  return FromItemsOfNormal(NormalizeSqlText(text, '@'));
}

std::vector<std::string> StatementTables(std::string_view text) {
  const std::string norm = NormalizeSqlText(text, '@');
  if (std::string table = ModifyTableName(norm, true); !table.empty()) return {table};
  std::vector<std::string> tables;
  for (const std::string& item : FromItemsOfNormal(norm)) tables.push_back(Tokens(item).front());
  return tables;
}

std::string TableOfAlias(std::string_view text, std::string_view alias) {
  for (const std::string& item : FromItems(text)) {
    const std::vector<std::string> words = Tokens(item);
    if (words.size() >= 2 && SameIdentifier(words.back(), alias))
      return JoinTokens(words, 0, words.size() - 1);
  }
  return std::string(alias);
}

std::string QualifyByTable(std::string_view text, std::string_view name) {
  bool quoted = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '"') quoted = !quoted;
    if (name[i] == '.' && !quoted) return TableOfAlias(text, name.substr(0, i)) + std::string(name.substr(i));
  }
  return std::string(name);
}

std::vector<TOrderByField> OrderByFields(std::string_view text) {
  const std::string norm = NormalizeSqlText(text, '@');
  const auto cls = Classify(norm);
  // The outermost ORDER BY: it orders the whole result, also of a union.
  std::size_t listStart = std::string::npos;
  int depth = 0;
  for (std::size_t i = 0; i < norm.size() && listStart == std::string::npos; ++i) {
    if (cls[i] != TCharClass::Code) continue;
    if (norm[i] == '(') ++depth;
    if (norm[i] == ')') --depth;
    if (depth == 0 && IsWordStart(norm, i) && WordFrom(norm, i) == "ORDER") {
      std::size_t j = i + 5;
      while (j < norm.size() && IsWhitespace(norm[j])) ++j;
      if (IsWordStart(norm, j) && WordFrom(norm, j) == "BY") listStart = j + 2;
    }
  }
  if (listStart == std::string::npos) return {};

  const std::vector<std::string> tokens = Tokens(std::string_view(norm).substr(listStart));
  std::vector<TOrderByField> fields;
  std::vector<std::string> item;
  depth = 0;
  auto finish = [&] {
    std::size_t nameEnd = item.size();
    bool ascending = true;
    for (std::size_t i = 0; i < item.size(); ++i) {
      const std::string up = AsciiUpper(item[i]);
      if (IsOneOf(up, {"ASC", "ASCENDING", "DESC", "DESCENDING", "COLLATE", "NULLS"}) &&
          nameEnd == item.size())
        nameEnd = i;
      if (up == "DESC" || up == "DESCENDING") ascending = false;
    }
    std::vector<std::string> name(item.begin(), item.begin() + static_cast<std::ptrdiff_t>(nameEnd));
    for (std::string& token : name) token = Unquoted(token);
    if (!name.empty()) fields.push_back({JoinTokens(name, 0, name.size()), ascending});
    item.clear();
  };
  for (const std::string& token : tokens) {
    if (depth == 0) {
      if (token == ",") {
        finish();
        continue;
      }
      // Clauses that may follow the list end it.
      if (!item.empty() && IsOneOf(AsciiUpper(token), {"ROWS", "OFFSET", "FETCH", "FOR", "WITH"})) break;
      if (token == ")") break;
    }
    if (token == "(") ++depth;
    if (token == ")") --depth;
    item.push_back(token);
  }
  finish();
  return fields;
}

namespace {

// The word in front of the parameter mark at `mark` (over whitespace and
// operators), or empty.
std::string WordBefore(std::string_view s, const std::vector<TCharClass>& cls, std::size_t mark) {
  auto separator = [&](std::size_t i) {
    return IsComment(cls[i]) || (cls[i] == TCharClass::Code && (IsWhitespace(s[i]) || IsOperatorChar(s[i])));
  };
  std::size_t end = mark;
  while (end > 0 && separator(end - 1)) --end;
  std::size_t begin = end;
  while (begin > 0 && !separator(begin - 1)) --begin;
  return std::string(s.substr(begin, end - begin));
}

std::string ColumnBeforeMark(std::string_view s, char markChar, std::string_view name) {
  const auto cls = Classify(s);
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (cls[i] != TCharClass::Code || s[i] != markChar) continue;
    if (i > 0 && !IsWhitespace(s[i - 1]) && !IsOperatorChar(s[i - 1])) continue;
    std::size_t e = i + 1;
    bool same = false;
    if (s[e] == '"') {
      while (e < s.size() && cls[e] == TCharClass::QuotedName) ++e;
      same = Unquoted(s.substr(i + 1, e - i - 1)) == name;
    } else {
      while (e < s.size() && IsParamNameChar(s[e])) ++e;
      same = SameAsciiText(s.substr(i + 1, e - i - 1), name);
    }
    if (!same || (e < s.size() && !IsWhitespace(s[e]) && !IsOperatorChar(s[e]))) continue;
    if (std::string column = WordBefore(s, cls, i); !column.empty()) return column;
  }
  return {};
}

}  // namespace

std::string ColumnBeforeParam(std::string_view text, std::string_view name) {
  if (name.empty()) return {};
  const TSQLParser parser(text);
  const int count = parser.WhereCount();
  for (int k = 1; k <= count; ++k) {
    const std::string condition = parser.WhereClause(k).Condition;
    for (char mark : {':', '?'})
      if (std::string column = ColumnBeforeMark(condition, mark, name); !column.empty()) return column;
  }
  return {};
}

std::string NameQuestionMarks(std::string_view text, std::string_view prefix) {
  const std::vector<TCharClass> cls = Classify(text);
  std::string result;
  result.reserve(text.size() + 16);
  int number = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Only a mark in the code is a parameter: one inside a literal, a
    // quoted name or a comment is text.
    if (text[i] == '?' && cls[i] == TCharClass::Code) {
      result += ':';
      result += prefix;
      result += std::to_string(number++);
    } else {
      result += text[i];
    }
  }
  return result;
}
