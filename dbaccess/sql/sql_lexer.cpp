#include "dbaccess/sql/sql_lexer.h"

#include "dbaccess/util/helpers.h"

namespace sqltext {

bool IsOperatorChar(char c) noexcept {
  switch (c) {
    case '!':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case ';':
    case '<':
    case '=':
    case '>':
    case '^':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

bool IsTwoCharOperator(char first, char second) noexcept {
  switch (first) {
    case '|':
      return second == '|';
    case '<':
      return second == '>' || second == '=';
    case '>':
      return second == '=';
    case '!':
    case '^':
    case '~':
      return second == '=' || second == '<' || second == '>';
    default:
      return false;
  }
}

bool SameAsciiText(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
  return true;
}

bool WordAt(std::string_view s, std::size_t i, std::string_view word) noexcept {
  if (i > s.size() || s.size() - i < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (AsciiUpperChar(s[i + k]) != word[k]) return false;
  return true;
}

std::vector<TCharClass> Classify(std::string_view s) {
  std::vector<TCharClass> cls(s.size(), TCharClass::Code);
  TCharClass state = TCharClass::Code;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const char next = i + 1 < s.size() ? s[i + 1] : '\0';
    switch (state) {
      case TCharClass::Code:
        if (c == '"') {
          state = TCharClass::QuotedName;
        } else if (c == '\'') {
          state = TCharClass::Literal;
        } else if (c == '/' && next == '*') {
          state = TCharClass::BlockComment;
          cls[i++] = state;
        } else if (c == '-' && next == '-') {
          state = TCharClass::LineComment;
          cls[i++] = state;
        }
        cls[i] = state;
        break;
      case TCharClass::QuotedName:
        cls[i] = state;
        if (c == '"') state = TCharClass::Code;
        break;
      case TCharClass::Literal:
        cls[i] = state;
        if (c == '\'') state = TCharClass::Code;
        break;
      case TCharClass::BlockComment:
        cls[i] = state;
        if (c == '*' && next == '/') {
          cls[++i] = state;
          state = TCharClass::Code;
        }
        break;
      case TCharClass::LineComment:
        if (c == '\r' || c == '\n') state = TCharClass::Code;
        cls[i] = state;
        break;
    }
  }
  return cls;
}

bool EndsInLineComment(std::string_view s) {
  if (s.empty()) return false;
  return Classify(s).back() == TCharClass::LineComment;
}

std::string CloseLineComment(std::string_view s) {
  std::string r(s);
  if (EndsInLineComment(s)) r += "\r\n";
  return r;
}

bool IsWordStart(std::string_view s, std::size_t i) noexcept {
  return i < s.size() && IsIdentChar(s[i]) && (i == 0 || !IsIdentChar(s[i - 1]));
}

std::string WordFrom(std::string_view s, std::size_t i) {
  std::size_t e = i;
  while (e < s.size() && IsIdentChar(s[e])) ++e;
  return AsciiUpper(s.substr(i, e - i));
}

std::vector<std::string> Tokens(std::string_view s) {
  const auto cls = Classify(s);
  std::vector<std::string> tokens;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) tokens.push_back(std::move(current));
    current.clear();
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (IsComment(cls[i])) {
      flush();
    } else if (cls[i] != TCharClass::Code) {
      current += c;
    } else if (IsWhitespace(c)) {
      flush();
    } else if (IsOperatorChar(c)) {
      flush();
      tokens.emplace_back(1, c);
    } else {
      current += c;
    }
  }
  flush();
  return tokens;
}

std::string Unquoted(std::string_view name) {
  std::string r;
  bool quoted = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c != '"') {
      r += c;
    } else if (quoted && i + 1 < name.size() && name[i + 1] == '"') {
      r += '"';
      ++i;
    } else {
      quoted = !quoted;
    }
  }
  return r;
}

namespace {

// Folds a name to the form the server compares: unquoted parts upper case.
std::string IdentifierKey(std::string_view name) {
  std::string r;
  bool quoted = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c != '"') {
      r += quoted ? c : AsciiUpperChar(c);
    } else if (quoted && i + 1 < name.size() && name[i + 1] == '"') {
      r += '"';
      ++i;
    } else {
      quoted = !quoted;
    }
  }
  return r;
}

}  // namespace

bool SameIdentifier(std::string_view a, std::string_view b) { return IdentifierKey(a) == IdentifierKey(b); }

}  // namespace sqltext
