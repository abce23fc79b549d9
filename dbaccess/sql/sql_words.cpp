#include "dbaccess/sql/sql_words.h"

#include <algorithm>
#include <array>
#include <vector>

#include "dbaccess/util/helpers.h"

namespace {

// clang-format off
constexpr std::string_view FunctionWords[] = {
    "AVG", "CAST", "COUNT", "GEN_ID", "MAX", "MIN", "SUM", "UPPER", "IIF", "SUBSTRING"};

// The keyword list carries one empty entry, which is no word (see IsSqlWord).
constexpr std::string_view KeywordWords[] = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO", "AUTODDL",
    "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOBEDIT", "BUFFER", "BY", "CASE",
    "CACHE", "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CHECK_POINT_LEN", "CHECK_POINT_LENGTH", "COLLATE",
    "COLLATION", "COLUMN", "COMMIT", "COMMITED", "COMPILETIME", "COMPUTED", "CLOSE", "CONDITIONAL",
    "CONNECT", "CONSTRAINT", "CONTAINING", "CONTINUE", "CREATE", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURSOR", "DATABASE", "DAY", "DB_KEY", "DEBUG", "DEC", "DECLARE", "DEFAULT",
    "DELETE", "DESC", "DESCENDING", "DESCRIBE", "DESCRIPTOR", "DISCONNECT", "DISTINCT", "DO", "DOMAIN",
    "DROP", "ECHO", "EDIT", "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EVENT", "EXCEPTION", "EXECUTE",
    "EXISTS", "EXIT", "EXTERN", "EXTERNAL", "EXTRACT", "FETCH", "FILE", "FILTER", "FOR", "FOREIGN", "FOUND",
    "FROM", "FULL", "FUNCTION", "GDSCODE", "GENERATOR", "GLOBAL", "GOTO", "GRANT", "GROUP",
    "GROUP_COMMIT_WAIT", "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IMMEDIATE", "IN",
    "INACTIVE", "INDEX", "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INT", "INTO", "IS",
    "ISOLATION", "ISQL", "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH", "LEV", "LEVEL", "LIKE",
    "LOGFILE", "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL", "MAXIMUM", "MAXIMUM_SEGMENT",
    "MAX_SEGMENT", "MERGE", "MESSAGE", "MINIMUM", "MINUTE", "MODULE_NAME", "MONTH", "NAMES", "NATIONAL",
    "NATURAL", "NCHAR", "NO", "NOAUTO", "NOT", "NULL", "NUM_LOG_BUFFS", "NUM_LOG_BUFFERS", "OCTET_LENGTH",
    "OF", "ON", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE",
    "PAGELENGTH", "PAGES", "PAGE_SIZE", "PARAMETER", "PASSWORD", "PLAN", "POSITION", "POST_EVENT",
    "PRECISION", "PREPARE", "PROCEDURE", "PROTECTED", "PRIMARY", "PRIVILEGES", "PUBLIC", "QUIT",
    "RAW_PARTITIONS", "READ", "REAL", "RECORD_VERSION", "REFERENCES", "RELEASE", "RESERV", "RESERVING",
    "RETAIN", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK", "RUNTIME", "SAVEPOINT",
    "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SET", "SHADOW", "SHARED", "SHELL", "SHOW", "SINGULAR", "SIZE",
    "SNAPSHOT", "SOME", "SORT", "SQL", "SQLCODE", "SQLERROR", "SQLWARNING", "STABILITY", "STARTING",
    "STARTS", "STATEMENT", "STATIC", "STATISTICS", "SUB_TYPE", "SUSPEND", "TABLE", "TERMINATOR", "THEN",
    "TO", "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TYPE", "UNCOMMITTED", "UNION",
    "UNIQUE", "UPDATE", "USER", "USING", "VALUE", "VALUES", "VARIABLE", "VARYING", "VERSION", "VIEW", "WAIT",
    "WEEKDAY", "WHEN", "WHENEVER", "WHERE", "", "WHILE", "WITH", "WORK", "WRITE", "YEAR", "YEARDAY", "FIRST",
    "SKIP", "RECREATE", "CURRENT_USER", "CURRENT_ROLE", "PLANONLY", "LIMIT", "SECONDS", "ROWS", "PERCENT",
    "TIES", "NEW", "OLD", "CURRENT_CONNECTION", "CURRENT_TRANSACTION", "INSERTING", "UPDATING", "DELETING",
    "ROW_COUNT", "FREE_IT"};

constexpr std::string_view TypeWords[] = {
    "BLOB", "CHAR", "CHARACTER", "DATE", "DECIMAL", "DOUBLE", "FLOAT", "INTEGER", "NUMERIC", "SMALLINT", "TIME",
    "TIMESTAMP", "VARCHAR", "INT64", "BIGINT", "BOOLEAN", "CSTRING"};
// clang-format on

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool AsciiLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
}

// The three lists as one sorted list, built on first use.
const std::vector<std::string_view>& SqlWords() {
  static const std::vector<std::string_view> words = [] {
    std::vector<std::string_view> all;
    all.reserve(std::size(FunctionWords) + std::size(KeywordWords) + std::size(TypeWords));
    all.insert(all.end(), std::begin(FunctionWords), std::end(FunctionWords));
    all.insert(all.end(), std::begin(KeywordWords), std::end(KeywordWords));
    all.insert(all.end(), std::begin(TypeWords), std::end(TypeWords));
    std::sort(all.begin(), all.end(), AsciiLess);
    return all;
  }();
  return words;
}

bool IsNameChar(char c, bool allowLower) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#' || c == '$' || c == '%' || c == '_' ||
         (allowLower && c >= 'a' && c <= 'z');
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Quoted identifiers double their own double quotes.
std::string Quoted(std::string_view name) { return '"' + ReplaceAll(name, "\"", "\"\"") + '"'; }

std::string TrimmedUpper(std::string_view name) {
  std::string s = AsciiUpper(name);
  TrimInPlace(s);
  return s;
}

}  // namespace

bool IsSqlWord(std::string_view s) {
  if (s.empty()) return false;  // the list's one empty entry is no word
  const auto& words = SqlWords();
  return std::binary_search(words.begin(), words.end(), s, AsciiLess);
}

bool NeedsQuotes(std::string_view name, bool allowLower) {
  if (name.empty()) return false;
  if (name.front() == '"') return true;
  if (!std::all_of(name.begin(), name.end(), [&](char c) { return IsNameChar(c, allowLower); })) return true;
  if (IsDigit(name[0])) return true;
  if (name.size() > 1 && IsDigit(name[1])) return false;
  // The word list compares ignoring case, which is the upper-cased lookup
  // that lower-case names need.
  return IsSqlWord(name);
}

std::string FormatIdentifier(int dialect, std::string_view name) {
  if (dialect == 1) return TrimmedUpper(name);
  if (!name.empty() && name.front() == '"') return std::string(name);
  return NeedsQuotes(name, false) ? Quoted(name) : std::string(name);
}

std::string FormatIdentifierUpper(int dialect, std::string_view name, bool allowLower) {
  if (dialect == 1) return TrimmedUpper(name);
  if (NeedsQuotes(name, allowLower)) {
    if (name.empty() || name.front() == '"') return std::string(name);
    return Quoted(name);
  }
  return AsciiUpper(name);
}
