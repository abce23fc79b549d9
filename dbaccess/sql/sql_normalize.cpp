// The normal form of statement texts: the key of the query cache and the text
// the parameter and macro scanner reads (and from which the text sent to the
// server is built), so it must never change what the statement means.

#include "dbaccess/sql/sql_lexer.h"
#include "dbaccess/sql/sql_text.h"

using namespace sqltext;

namespace {

constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Whether the written text ends in the mantissa and "E" of a numeric literal,
// so that a following sign belongs to the exponent ("1.5E-3" must stay whole).
bool EndsInMantissa(const std::string& r) {
  if (r.size() < 2 || r.back() != 'E') return false;
  std::size_t i = r.size() - 1;
  bool digits = false;
  while (i > 0 && (IsDigit(r[i - 1]) || r[i - 1] == '.')) {
    digits = digits || IsDigit(r[i - 1]);
    --i;
  }
  return digits && (i == 0 || !IsIdentChar(r[i - 1]));
}

class TNormalizer {
 public:
  TNormalizer(std::string_view text, char macroChar) : FText(text), FMacro(macroChar) {}

  std::string Run() {
    FOut.reserve(FText.size() + FText.size() / 4 + 2);
    FOut += ' ';
    while (FPos < FText.size()) Step();
    return std::move(FOut);
  }

 private:
  char Current() const { return FText[FPos]; }
  char Next() const { return FPos + 1 < FText.size() ? FText[FPos + 1] : '\0'; }
  bool HasNext() const { return FPos + 1 < FText.size(); }
  char Last() const { return FOut.back(); }
  void Blank() {
    if (Last() != ' ') FOut += ' ';
  }

  void Step() {
    const char c = Current();
    if (c == '/' && Next() == '*') return SkipBlockComment();
    if (c == '-' && Next() == '-') return SkipLineComment();
    if (c == '\'' || c == '"') return CopyQuoted(c);
    if (IsWhitespace(c)) {
      Blank();
      ++FPos;
      return;
    }
    const bool markPlace = Last() == ' ' || IsOperatorChar(Last());
    if (c == FMacro && markPlace) return CopyMacro();
    if ((c == ':' || c == '?') && markPlace) {
      Blank();
      FOut += '?';
      ++FPos;
      return;
    }
    if (IsOperatorChar(c)) return WriteOperator(c);
    FOut += c == ':' ? '?' : AsciiUpperChar(c);
    ++FPos;
  }

  // A comment separates what stands around it, as it does for the server.
  void SkipBlockComment() {
    const std::size_t end = FText.find("*/", FPos + 2);
    FPos = end == std::string_view::npos ? FText.size() : end + 2;
    if (FPos < FText.size()) Blank();
  }

  void SkipLineComment() {
    while (FPos < FText.size() && FText[FPos] != '\r' && FText[FPos] != '\n') ++FPos;
  }

  // Literals and quoted names are copied as they are; a doubled quote simply
  // closes and reopens them.
  void CopyQuoted(char quote) {
    const std::size_t end = FText.find(quote, FPos + 1);
    const std::size_t stop = end == std::string_view::npos ? FText.size() : end + 1;
    FOut.append(FText.substr(FPos, stop - FPos));
    FPos = stop;
  }

  void WriteOperator(char c) {
    if ((c == '+' || c == '-') && IsDigit(Next()) && EndsInMantissa(FOut)) {
      FOut += c;
      ++FPos;
      return;
    }
    if (c == '=' && (Last() == '!' || Last() == '^' || Last() == '~')) {
      FOut.back() = '<';
      FOut += '>';
    } else {
      if (Last() != ' ' && !IsTwoCharOperator(Last(), c)) FOut += ' ';
      FOut += c;
    }
    if (HasNext() && Next() != ' ' && !IsTwoCharOperator(c, Next())) FOut += ' ';
    ++FPos;
  }

  // A macro is copied without upper-casing. "@@name%default@" ends at the
  // next macro character; "@name" ends at any whitespace or an operator, and
  // once it has shown its "%" only at whitespace. A named macro is always
  // followed by a blank, also at the end of the text, so that the parameter
  // scanner, which ends such a macro at a blank, always sees its end.
  void CopyMacro() {
    Blank();
    FOut += FMacro;
    ++FPos;
    if (FPos < FText.size() && Current() == FMacro) {
      FOut += FMacro;
      ++FPos;
      while (FPos < FText.size()) {
        const char c = FText[FPos++];
        FOut += c;
        if (c == FMacro) break;
      }
      return;
    }
    bool defaultShown = false;
    while (FPos < FText.size()) {
      const char c = Current();
      if (IsWhitespace(c) || (!defaultShown && IsOperatorChar(c))) break;
      defaultShown = defaultShown || c == '%';
      FOut += c;
      ++FPos;
    }
    FOut += ' ';
  }

  std::string_view FText;
  char FMacro;
  std::size_t FPos = 0;
  std::string FOut;
};

}  // namespace

std::string NormalizeSqlText(std::string_view text, char macroChar) {
  if (text.empty()) return {};
  return TNormalizer(text, macroChar).Run();
}
