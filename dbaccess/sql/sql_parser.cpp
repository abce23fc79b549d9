// The clause finder. Every scan walks the code characters of the text only:
// quoted names, string literals and comments are skipped as wholes, so a
// keyword or a parenthesis inside them never moves a clause boundary.

#include "dbaccess/util/helpers.h"
#include "dbaccess/sql/sql_text.h"
#include "framework/core/base/exceptions.h"

using namespace sqltext;

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool KeywordThen(std::string_view s, std::size_t i, std::string_view word, bool parenAfter) {
  if (!WordAt(s, i, word) || i + word.size() >= s.size()) return false;
  const char after = s[i + word.size()];
  return IsWhitespace(after) || (parenAfter && after == '(');
}

// A keyword that begins the clause after a FROM or WHERE clause.
bool ClauseKeywordAt(std::string_view s, std::size_t i, bool withWhere) {
  for (std::string_view w : {"FOR", "GROUP", "ORDER", "UNION", "ROWS"})
    if (KeywordThen(s, i, w, false)) return true;
  for (std::string_view w : {"HAVING", "PLAN"})
    if (KeywordThen(s, i, w, true)) return true;
  return withWhere && KeywordThen(s, i, "WHERE", true);
}

bool IsWhereAt0(std::string_view s, std::size_t i) {
  return i > 0 && i + 5 < s.size() && WordAt(s, i, "WHERE") && (IsWhitespace(s[i - 1]) || s[i - 1] == ')') &&
         (IsWhitespace(s[i + 5]) || s[i + 5] == '(');
}

// The end test of a WHERE clause inside the text (the end of the text is
// handled by the scanner, so that a text ending in a literal or a comment ends
// its clause as well).
bool IsWhereEnd0(std::string_view s, std::size_t i) {
  return i > 0 && i + 1 < s.size() && (IsWhitespace(s[i - 1]) || s[i - 1] == ')') &&
         ClauseKeywordAt(s, i, false);
}

// The schema statements are told by their first letter written as a capital
// ("Create", "ALTER"), and a blank or line break after the word.
bool IsSchemaWordAt(std::string_view s, std::size_t i, std::size_t length) {
  return s[i] >= 'A' && s[i] <= 'Z' && i + length < s.size() && IsWhitespace(s[i + length]);
}

}  // namespace

bool IsWhereAt(std::string_view text, int pos) {
  return pos > 1 && IsWhereAt0(text, static_cast<std::size_t>(pos - 1));
}

bool IsWhereEnd(std::string_view text, int pos) {
  if (pos == static_cast<int>(text.size())) return true;
  return pos > 1 && IsWhereEnd0(text, static_cast<std::size_t>(pos - 1));
}

// The scan state of one operation: the parenthesis depth is carried from one
// scan to the next, as clause ends are found relative to where the clause began.
struct TSQLParser::TScanner {
  enum class TStop { Hit, Bracket, TextEnd, None };
  struct TResult {
    TStop How;
    std::size_t Pos;
  };

  const std::string& S;
  const std::vector<TCharClass>& C;
  int Depth = 0;
  int DepthAtStart = 0;
  bool StopAtClosingBracket = false;

  template <class Test>
  TResult Scan(std::size_t from, Test&& test, bool endAtTextEnd) {
    DepthAtStart = Depth;
    for (std::size_t i = from; i < S.size(); ++i) {
      if (C[i] != TCharClass::Code) continue;
      const char c = S[i];
      if (c == '(') {
        ++Depth;
      } else if (c == ')') {
        if (StopAtClosingBracket && Depth - 1 < DepthAtStart) return {TStop::Bracket, i};
        --Depth;
      } else if (test(i)) {
        return {TStop::Hit, i};
      }
    }
    if (endAtTextEnd && Depth <= DepthAtStart) return {TStop::TextEnd, S.size()};
    return {TStop::None, npos};
  }

  bool FromAt(std::size_t i) const {
    return Depth == 0 && i > 0 && i + 4 < S.size() && WordAt(S, i, "FROM") &&
           (IsWhitespace(S[i - 1]) || S[i - 1] == ')') && IsWhitespace(S[i + 4]);
  }
  bool FromEndAt(std::size_t i) const {
    return Depth <= DepthAtStart && IsWhitespace(S[i]) && ClauseKeywordAt(S, i + 1, true);
  }
  // A keyword inside a nested sub-query (deeper than the clause began) does not
  // end the clause.
  bool WhereEndAt(std::size_t i) const { return Depth <= DepthAtStart && IsWhereEnd0(S, i); }
};

TSQLParser::TSQLParser(std::string_view text) { Parse(text); }

int TSQLParser::Scan(int from, const std::function<bool(int)>& test) {
  FState = 0;
  FResultPos = 0;
  FDepthAtScanStart = FDepth;
  for (std::size_t i = from > 0 ? static_cast<std::size_t>(from - 1) : 0; i < FText.size(); ++i) {
    const TCharClass c = FClass[i];
    if (c != TCharClass::Code) {
      FState = c == TCharClass::QuotedName ? 1 : (IsComment(c) ? 2 : 0);
      continue;
    }
    FState = 0;
    const int pos = static_cast<int>(i) + 1;
    if (FText[i] == '(') {
      ++FDepth;
    } else if (FText[i] == ')') {
      if (FStopAtClosingBracket && FDepth - 1 < FDepthAtScanStart) return FResultPos = pos;
      --FDepth;
    } else if (test(pos)) {
      return FResultPos = pos;
    }
  }
  return 0;
}

bool TSQLParser::WantedWhereAt(int pos) {
  if (!IsWhereAt(FText, pos)) return false;
  return FWantedWhere <= 0 || ++FWhereCounter == FWantedWhere;
}

void TSQLParser::Parse(std::string_view text) {
  FText.assign(text);
  FClass = Classify(FText);
  FFirst = NextSignificant(0);
  FKind = TSQLStatementKind::Other;
  if (FFirst >= FText.size() || !IsIdentChar(FText[FFirst])) return;
  const std::string word = WordFrom(FText, FFirst);
  if (word == "SELECT")
    FKind = TSQLStatementKind::Select;
  else if (word == "UPDATE")
    FKind = TSQLStatementKind::Update;
  else if (word == "INSERT")
    FKind = TSQLStatementKind::Insert;
  else if (word == "DELETE")
    FKind = TSQLStatementKind::Delete;
  else if (word == "EXECUTE")
    FKind = TSQLStatementKind::Execute;
  else if ((word == "ALTER" || word == "CREATE" || word == "DROP") &&
           IsSchemaWordAt(FText, FFirst, word.size()))
    FKind = TSQLStatementKind::Ddl;
}

std::size_t TSQLParser::LastSignificant(std::size_t before) const {
  while (before > 0) {
    --before;
    const TCharClass c = FClass[before];
    if (!IsComment(c) && !(c == TCharClass::Code && IsWhitespace(FText[before]))) return before;
  }
  return npos;
}

TSQLParser::TZeroRange TSQLParser::FromBounds() const {
  TScanner sc{FText, FClass};
  const auto from = sc.Scan(
      FFirst, [&](std::size_t i) { return sc.FromAt(i); }, false);
  if (from.How != TScanner::TStop::Hit) return {};
  const auto end = sc.Scan(
      from.Pos + 5, [&](std::size_t i) { return sc.FromEndAt(i); }, true);
  if (end.How == TScanner::TStop::None) return {};
  // At the end of the text the clause ends with its last code, so that text
  // appended after it never lands in a trailing comment.
  std::size_t last = end.How == TScanner::TStop::TextEnd ? LastSignificant(FText.size()) : end.Pos;
  if (last == npos || last < from.Pos + 3) last = from.Pos + 3;
  return {from.Pos, last, true};
}

TSQLTextRange TSQLParser::FromClauseBounds() const {
  const TZeroRange r = FromBounds();
  if (!r.Found) return {};
  return {static_cast<int>(r.Start) + 1, static_cast<int>(r.End) + 1};
}

TWhereClause TSQLParser::FindWhere(int k) const {
  if (k < 0) return {};
  TScanner sc{FText, FClass};
  int counter = 0;
  const auto where = sc.Scan(
      FFirst,
      [&](std::size_t i) {
        if (!IsWhereAt0(FText, i)) return false;
        return k == 0 || ++counter == k;
      },
      false);
  if (where.How != TScanner::TStop::Hit) return {};
  // A WHERE inside a sub-query ends at the parenthesis that closes it.
  sc.StopAtClosingBracket = sc.Depth > 0;
  const std::size_t cond = NextSignificant(where.Pos + 5);
  const auto end = sc.Scan(
      cond, [&](std::size_t i) { return sc.WhereEndAt(i); }, true);
  if (end.How == TScanner::TStop::None) return {};
  std::size_t stop = end.Pos;  // one past the condition
  while (stop > cond && (IsComment(FClass[stop - 1]) ||
                         (FClass[stop - 1] == TCharClass::Code && IsWhitespace(FText[stop - 1]))))
    --stop;
  TWhereClause r;
  r.Start = static_cast<int>(where.Pos) + 1;
  r.ConditionStart = static_cast<int>(cond) + 1;
  r.End = static_cast<int>(stop);
  r.Condition = FText.substr(cond, stop - cond);
  return r;
}

TWhereClause TSQLParser::WhereClause(int k) const { return FindWhere(k); }

int TSQLParser::MainWhereIndex() const {
  TScanner sc{FText, FClass};
  int count = 0;
  for (std::size_t from = FFirst;;) {
    const auto where = sc.Scan(
        from, [&](std::size_t i) { return IsWhereAt0(FText, i); }, false);
    if (where.How != TScanner::TStop::Hit) return -1;
    ++count;
    if (sc.Depth == 0) return count;
    from = where.Pos + 5;
  }
}

int TSQLParser::WhereCount() const {
  TScanner sc{FText, FClass};
  int count = 0;
  sc.Scan(
      FFirst, [&](std::size_t i) { return IsWhereAt0(FText, i) && (++count, false); }, false);
  return count;
}

std::string TSQLParser::MainWhereClause() const {
  const int k = MainWhereIndex();
  return k > 0 ? FindWhere(k).Condition : std::string();
}

const std::string& TSQLParser::ReplaceWhereClause(int k, std::string_view condition) {
  const TWhereClause w = FindWhere(k);
  if (!w.Found()) return FText;
  const std::string before = FText.substr(0, static_cast<std::size_t>(w.Start - 1));
  const std::string rest = FText.substr(static_cast<std::size_t>(w.End));
  std::string r = before;
  if (IsBlankText(condition)) {
    r += "\r\n";
  } else {
    if (before.empty() || before.back() != '\n') r += "\r\n";
    r += "WHERE ";
    r += CloseLineComment(condition);
    if (rest.empty() || rest.front() != '\r') r += "\r\n";
  }
  r += rest;
  Parse(r);
  return FText;
}

const std::string& TSQLParser::SetMainWhere(std::string_view condition) {
  const int k = MainWhereIndex();
  return k > 0 ? ReplaceWhereClause(k, condition) : AddCondition(condition, false);
}

const std::string& TSQLParser::AddCondition(std::string_view condition, bool newLine) {
  if (IsBlankText(condition)) return FText;
  const std::string sep = newLine ? "\r\n    " : "";
  const std::string added = CloseLineComment(condition);
  std::string r;
  if (const int k = MainWhereIndex(); k > 0) {
    const TWhereClause w = FindWhere(k);
    r = FText.substr(0, static_cast<std::size_t>(w.Start + 4));
    r += "( " + CloseLineComment(w.Condition) + " )" + sep + "and ( " + added + " )" + sep;
    r += FText.substr(static_cast<std::size_t>(w.End));
  } else {
    const TZeroRange from = FromBounds();
    // A condition cannot be added to a statement without a FROM clause;
    // dropping it silently would widen what the statement touches.
    if (!from.Found) throw ESQLTextError("Can't add a condition to a statement without a FROM clause");
    r = FText.substr(0, from.End + 1) + " WHERE " + sep + added + "\r\n" + FText.substr(from.End + 1);
  }
  Parse(r);
  return FText;
}

std::size_t TSQLParser::NextSignificant(std::size_t i) const {
  while (i < FText.size() &&
         (IsComment(FClass[i]) || (FClass[i] == TCharClass::Code && IsWhitespace(FText[i]))))
    ++i;
  return i;
}

// The rows of a SELECT are the rows of its FROM clause unless it groups,
// unites, removes duplicates, limits the rows or aggregates them into one.
bool TSQLParser::NeedsDerivedCount(std::size_t fromStart) const {
  auto charAt = [&](std::size_t i) { return i < FText.size() ? FText[i] : '\0'; };
  const std::size_t afterSelect = NextSignificant(FFirst + 6);
  if (afterSelect < FText.size() && IsIdentChar(FText[afterSelect])) {
    const std::string word = WordFrom(FText, afterSelect);
    const char value = charAt(NextSignificant(afterSelect + word.size()));
    if (word == "DISTINCT") return true;
    if ((word == "FIRST" || word == "SKIP") &&
        ((value >= '0' && value <= '9') || value == '?' || value == ':' || value == '(' || value == '@'))
      return true;
  }
  int depth = 0;
  for (std::size_t i = FFirst; i < FText.size(); ++i) {
    if (FClass[i] != TCharClass::Code) continue;
    if (FText[i] == '(') ++depth;
    if (FText[i] == ')') --depth;
    if (depth != 0 || !IsWordStart(FText, i)) continue;
    const std::string word = WordFrom(FText, i);
    if (word == "GROUP" || word == "HAVING" || word == "UNION" || word == "ROWS" || word == "OFFSET" ||
        word == "FETCH")
      return true;
    if (i < fromStart && charAt(NextSignificant(i + word.size())) == '(' &&
        (word == "COUNT" || word == "SUM" || word == "MIN" || word == "MAX" || word == "AVG" ||
         word == "LIST"))
      return true;
    i += word.size() - 1;
  }
  return false;
}

// Counts the items of the first select list; 0 when an item is "*" or "X.*",
// whose width the text does not tell.
int TSQLParser::SelectListColumns(std::size_t fromStart) const {
  int depth = 0, items = 1;
  char lastCode = '\0';
  for (std::size_t i = FFirst + 6; i < fromStart; ++i) {
    if (IsComment(FClass[i])) continue;
    const char c = FText[i];
    if (FClass[i] == TCharClass::Code) {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == ',' && depth == 0) {
        if (lastCode == '*') return 0;
        ++items;
        lastCode = '\0';
        continue;
      }
    }
    if (!(FClass[i] == TCharClass::Code && IsWhitespace(c)))
      lastCode = FClass[i] == TCharClass::Code ? c : 'x';
  }
  return lastCode == '*' ? 0 : items;
}

std::string TSQLParser::CountSQL(int columnCount) const {
  if (FKind != TSQLStatementKind::Select) return {};
  const TZeroRange from = FromBounds();
  if (!from.Found) return {};
  if (!NeedsDerivedCount(from.Start)) {
    std::string clause = FText.substr(from.Start, from.End - from.Start + 1);
    TrimRightInPlace(clause);
    std::string r = "Select Count(*) " + clause;
    const std::string where = MainWhereClause();
    if (!IsBlankText(where)) r += "\r\n WHERE " + where;
    return r;
  }
  std::string body = FText;
  if (const std::size_t last = LastSignificant(FText.size());
      last != npos && FText[last] == ';' && FClass[last] == TCharClass::Code)
    body.erase(last, 1);
  // The derived table's columns are named here, as the server wants a
  // distinct name for each and expressions have none.
  std::string r = "SELECT COUNT(*) FROM (\r\n" + body + "\r\n) COUNTED_ROWS";
  const int columns = columnCount > 0 ? columnCount : SelectListColumns(from.Start);
  if (columns > 0) {
    r += " (";
    for (int i = 1; i <= columns; ++i) r += (i > 1 ? ", C" : "C") + std::to_string(i);
    r += ")";
  }
  return r;
}

TSQLTextRange FromClauseBounds(std::string_view text) { return TSQLParser(text).FromClauseBounds(); }
std::string CountSQL(std::string_view text, int columnCount) {
  return TSQLParser(text).CountSQL(columnCount);
}
int MainWhereIndex(std::string_view text) { return TSQLParser(text).MainWhereIndex(); }
int WhereCount(std::string_view text) { return TSQLParser(text).WhereCount(); }
std::string WhereClause(std::string_view text, int k) { return TSQLParser(text).WhereClause(k).Condition; }
std::string AddCondition(std::string_view text, std::string_view condition, bool newLine) {
  TSQLParser parser(text);
  return parser.AddCondition(condition, newLine);
}
