#pragma once
// Character-level facts about SQL text shared by the normaliser, the clause
// finder and the text routines: which characters are whitespace or operators,
// and which characters of a text are code as opposed to the inside of a
// quoted name, a string literal or a comment. Internal to the database layer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqltext {

// Tab, line feed, carriage return and blank; nothing else counts.
constexpr bool IsWhitespace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// ! ( ) * + , - / ; < = > ^ | ~
bool IsOperatorChar(char c) noexcept;

// "||", "<>", ">=", "<=", "!=", "!<", "!>", "^=", "~=", "^>", "~>", "^<", "~<".
bool IsTwoCharOperator(char first, char second) noexcept;

// Letters, digits and the characters "_" and "$" make up unquoted names.
constexpr bool IsIdentChar(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

constexpr char AsciiUpperChar(char c) noexcept { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
bool SameAsciiText(std::string_view a, std::string_view b) noexcept;

// Whether `word` (upper case) starts at 0-based index i of s, ignoring ASCII case.
bool WordAt(std::string_view s, std::size_t i, std::string_view word) noexcept;

enum class TCharClass : std::uint8_t {
  Code,          // outside quotes and comments (line breaks ending a line comment are code)
  QuotedName,    // a double-quoted name, quotes included
  Literal,       // a single-quoted string, quotes included
  BlockComment,  // "/*" to "*/", both included
  LineComment,   // "--" up to the end of the line
};

// Classifies every character of s. Doubled quotes inside a name or a literal
// close and reopen it, so they stay inside.
std::vector<TCharClass> Classify(std::string_view s);

inline bool IsComment(TCharClass c) noexcept {
  return c == TCharClass::BlockComment || c == TCharClass::LineComment;
}

// True when text appended right after s would land inside a "--" comment.
bool EndsInLineComment(std::string_view s);

// s followed by a line break when it ends inside a "--" comment, so that what
// the caller appends next stays code.
std::string CloseLineComment(std::string_view s);

// Whether an unquoted name or keyword begins at 0-based index i.
bool IsWordStart(std::string_view s, std::size_t i) noexcept;
// The name or keyword beginning at i, in upper case.
std::string WordFrom(std::string_view s, std::size_t i);

// Splits s into tokens: each operator character alone, and runs of other
// characters up to whitespace or an operator, a quoted name or literal staying
// whole together with what is glued to it ("P.\"My Name\""). Comments separate
// tokens and are dropped.
std::vector<std::string> Tokens(std::string_view s);

// A name without its double quotes (a doubled quote inside becomes one);
// unquoted parts are kept as they are.
std::string Unquoted(std::string_view name);

// Whether two names denote the same identifier: quoted parts compare exactly,
// unquoted parts without regard to ASCII case.
bool SameIdentifier(std::string_view a, std::string_view b);

}  // namespace sqltext
