#pragma once
// Character-level tools for statement texts. The layer never parses SQL
// fully: it normalises texts, finds the FROM and WHERE clauses while skipping
// quoted names, string literals, comments ("/* */" and "--") and
// parenthesised sub-queries, and builds changed texts from those positions.
// Positions are 1-based; keyword matching ignores ASCII letter case;
// whitespace is tab, line feed, carriage return and blank.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/sql/sql_lexer.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

// A statement text cannot take the change asked of it.
TULVO_DECLARE_EXCEPTION(ESQLTextError, Exception);

// The normal form: one leading blank, runs of whitespace and comments reduced
// to one blank, letters outside literals, quoted names and macros in upper
// case, operators set off by blanks, "!=", "^=" and "~=" written "<>", and
// every parameter written "?NAME" after a blank. Literals and quoted names are
// copied unchanged; macros (after macroChar) are copied unchanged as well.
std::string NormalizeSqlText(std::string_view text, char macroChar);

// A WHERE keyword at pos: whitespace or ")" before it, whitespace or "(" after it.
bool IsWhereAt(std::string_view text, int pos);
// Whether a WHERE clause ends at pos: the last position, or FOR, GROUP, ORDER,
// UNION, ROWS (then whitespace) or HAVING, PLAN (then whitespace or "(")
// starting at pos after whitespace or ")".
bool IsWhereEnd(std::string_view text, int pos);
// First position of word as a whole word outside literals, quoted names and
// comments (after whitespace, ")" or the start, before whitespace or the end); 0 when absent.
int PosWord(std::string_view word, std::string_view text);
int PosOrder(std::string_view text);

enum class TSQLStatementKind : std::uint8_t { Other, Select, Update, Insert, Delete, Execute, Ddl };

// A stretch of text, Start and End both included; Start 0 when absent.
struct TSQLTextRange {
  int Start = 0;
  int End = 0;
  bool Found() const { return Start > 0; }
};

// One WHERE clause: Start is the position of the keyword, the condition runs
// from ConditionStart to End (End = ConditionStart - 1 for an empty one).
// Comments between the condition and the next clause are not part of it.
struct TWhereClause {
  int Start = 0;
  int ConditionStart = 0;
  int End = 0;
  std::string Condition;
  bool Found() const { return Start > 0; }
};

struct TOrderByField {
  std::string Name;  // qualifier "." column, without double quotes
  bool Ascending = true;
};

// The clause finder over one statement text. It holds the text and what
// parsing found at its start; every query scans the text afresh. The
// operations that change the text replace the parser's text with the result
// and return it. Plain value object, owned by whoever creates it.
class TSQLParser : public TObject {
 public:
  explicit TSQLParser(std::string_view text = {});

  void Parse(std::string_view text);

  const std::string& Text() const { return FText; }
  int Length() const { return static_cast<int>(FText.size()); }
  // The first position that is neither whitespace nor part of a comment.
  int FirstPos() const { return static_cast<int>(FFirst) + 1; }
  // From the word at FirstPos, in any letter case; ALTER, CREATE and DROP
  // only with a capital first letter and whitespace after them.
  TSQLStatementKind Kind() const { return FKind; }

  // FROM keyword to the last character of the FROM clause. When another clause
  // follows, End is the whitespace character in front of it.
  TSQLTextRange FromClauseBounds() const;
  // The k-th WHERE keyword of the text (k = 0 and k = 1 both mean the first),
  // wherever it stands; not found for k < 0.
  TWhereClause WhereClause(int k) const;
  int WhereCount() const;
  // The number of the first WHERE keyword outside parentheses, -1 when none.
  int MainWhereIndex() const;
  std::string MainWhereClause() const;

  // The row-count statement for a SELECT, empty for other texts. Texts whose
  // rows are not the rows of their FROM clause (grouping, union, distinct,
  // row limits, aggregates) are counted as a derived table; columnCount, when
  // known, names its columns, else they are counted in the text.
  std::string CountSQL(int columnCount = 0) const;

  const std::string& ReplaceWhereClause(int k, std::string_view condition);
  const std::string& SetMainWhere(std::string_view condition);
  const std::string& AddCondition(std::string_view condition, bool newLine);

  // ---- The scan under the clause finders, for tests of the caller's own
  // Walks the code characters from position from (1-based) to the end;
  // parentheses move Depth (kept from scan to scan), every other character
  // goes to test(pos). Stops at the first hit, or with StopAtClosingBracket
  // at the parenthesis that closes the depth the scan began at. Returns
  // ResultPos: the stop position, 0 when the scan ran out.
  int Scan(int from, const std::function<bool(int)>& test);
  int ResultPos() const { return FResultPos; }
  // Where the last scan ended: 0 in code, 1 in a quoted name, 2 in a comment.
  int State() const { return FState; }
  int Depth() const { return FDepth; }
  void SetDepth(int value) { FDepth = value; }
  int DepthAtScanStart() const { return FDepthAtScanStart; }
  bool StopAtClosingBracket() const { return FStopAtClosingBracket; }
  void SetStopAtClosingBracket(bool value) { FStopAtClosingBracket = value; }
  // The WHERE test for Scan: a WHERE keyword at pos; with WantedWhere above
  // 0 each one counts in WhereCounter and only the WantedWhere-th is a hit.
  bool WantedWhereAt(int pos);
  int WantedWhere() const { return FWantedWhere; }
  void SetWantedWhere(int value) {
    FWantedWhere = value;
    FWhereCounter = 0;
  }
  int WhereCounter() const { return FWhereCounter; }

 private:
  struct TScanner;
  struct TZeroRange {
    std::size_t Start = 0, End = 0;
    bool Found = false;
  };
  TZeroRange FromBounds() const;
  TWhereClause FindWhere(int k) const;
  bool NeedsDerivedCount(std::size_t fromStart) const;
  int SelectListColumns(std::size_t fromStart) const;
  std::size_t LastSignificant(std::size_t before) const;
  std::size_t NextSignificant(std::size_t from) const;

  std::string FText;
  std::vector<sqltext::TCharClass> FClass;
  std::size_t FFirst = 0;
  TSQLStatementKind FKind = TSQLStatementKind::Other;
  int FResultPos = 0;
  int FState = 0;
  int FDepth = 0;
  int FDepthAtScanStart = 0;
  int FWantedWhere = 0;
  int FWhereCounter = 0;
  bool FStopAtClosingBracket = false;
};

// Shorthands over a TSQLParser.
TSQLTextRange FromClauseBounds(std::string_view text);
std::string CountSQL(std::string_view text, int columnCount = 0);
int MainWhereIndex(std::string_view text);
int WhereCount(std::string_view text);
std::string WhereClause(std::string_view text, int k);
std::string AddCondition(std::string_view text, std::string_view condition, bool newLine);

// The table an INSERT, UPDATE (also UPDATE OR INSERT) or DELETE statement
// writes, without quotes; empty for other statements. The text is normalised
// first unless `normalized` says it already is (macro character "@").
std::string ModifyTableName(std::string_view text, bool normalized);
// The written table, or else the tables of the FROM clause.
std::vector<std::string> StatementTables(std::string_view text);
// The FROM clause items of the normal form ("TABLE ALIAS"), joins flattened,
// parenthesised items and AS left out.
std::vector<std::string> FromItems(std::string_view text);
// The table of the FROM item whose alias is exactly `alias`; else alias itself.
std::string TableOfAlias(std::string_view text, std::string_view alias);
// "ALIAS.COLUMN" with the alias resolved to its table; names without "." unchanged.
std::string QualifyByTable(std::string_view text, std::string_view name);
// The items of the outermost ORDER BY clause; empty when there is none.
std::vector<TOrderByField> OrderByFields(std::string_view text);
// The column compared with the parameter `name` (":NAME" or "?NAME") in some
// WHERE clause of the text; empty when none.
std::string ColumnBeforeParam(std::string_view text, std::string_view name);
// Every "?" of the code (not inside literals, quoted names or comments)
// written ":<prefix><n>", numbered from 0 in order of appearance.
std::string NameQuestionMarks(std::string_view text, std::string_view prefix);
