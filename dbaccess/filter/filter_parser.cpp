#include "dbaccess/filter/filter_parser.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

// Messages raised while a text is compiled (EDatabaseError):
//   "Filter expression incorrectly terminated"      text left after a whole expression
//   "Invalid filter expression character: '%s'"
//   "Unterminated field name"                        "[" without "]"
//   "Unterminated string constant"
//   "'(' expected but %s found"                      after IN
//   "')' expected but %s found"
//   "')' or ',' expected but %s found"
//   "'NULL' expected but %s found"                   after IS [NOT]
//   "Expression expected but %s found"               also for unknown functions
//   "NULL only allowed with '=' and '<>'"
//   "Constant out of range"
//   "Aggregate expressions not allowed in filters"
//   "IN predicate list may not be empty"
// The token found is shown between quotes, the end of the text as
// "nothing".

namespace {

enum class TTokenKind {
  End,
  Name,        // an identifier: a field, a word or a function
  QuotedName,  // a field name in square brackets
  String,
  Integer,
  Float,
  LeftParen,
  RightParen,
  Comma,
  Equal,
  NotEqual,
  Less,
  Greater,
  LessOrEqual,
  GreaterOrEqual,
  Plus,
  Minus,
  Star,
  Slash
};

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  std::string Text;  // names and strings as meant; other tokens as written
  std::int64_t Integer = 0;
  double Float = 0;
};

[[noreturn]] void Fail(const std::string& message) { throw EDatabaseError(message); }

bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || u >= 0x80;
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '$'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TLexer {
 public:
  explicit TLexer(std::string_view text) : FText(text) {}

  std::vector<TToken> Tokens() {
    std::vector<TToken> tokens;
    for (;;) {
      tokens.push_back(Next());
      if (tokens.back().Kind == TTokenKind::End) return tokens;
    }
  }

 private:
  TToken Next() {
    while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
    TToken token;
    if (FPos >= FText.size()) return token;
    const std::size_t start = FPos;
    const char c = FText[FPos];
    if (c == '[') {
      const std::size_t close = FText.find(']', FPos + 1);
      if (close == std::string_view::npos) Fail("Unterminated field name");
      token.Kind = TTokenKind::QuotedName;
      token.Text = FText.substr(FPos + 1, close - FPos - 1);
      FPos = close + 1;
    } else if (c == '\'') {
      ReadString(token);
    } else if (IsDigit(c) || (c == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1]))) {
      ReadNumber(token);
    } else if (IsNameStart(c)) {
      while (FPos < FText.size() && IsNameChar(FText[FPos])) ++FPos;
      token.Kind = TTokenKind::Name;
      token.Text = FText.substr(start, FPos - start);
    } else {
      ReadSymbol(token);
    }
    return token;
  }

  // A doubled quote inside the constant stands for one quote.
  void ReadString(TToken& token) {
    token.Kind = TTokenKind::String;
    ++FPos;
    for (;;) {
      const std::size_t quote = FText.find('\'', FPos);
      if (quote == std::string_view::npos) Fail("Unterminated string constant");
      token.Text.append(FText.substr(FPos, quote - FPos));
      FPos = quote + 1;
      if (FPos < FText.size() && FText[FPos] == '\'') {
        token.Text.push_back('\'');
        ++FPos;
      } else {
        return;
      }
    }
  }

  // Always "." as the decimal separator: the text means the same number
  // whatever the format settings of the process that reads it.
  void ReadNumber(TToken& token) {
    const std::size_t start = FPos;
    bool isFloat = false;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    if (FPos < FText.size() && FText[FPos] == '.') {
      isFloat = true;
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    if (FPos < FText.size() && (FText[FPos] == 'E' || FText[FPos] == 'e')) {
      std::size_t p = FPos + 1;
      if (p < FText.size() && (FText[p] == '+' || FText[p] == '-')) ++p;
      if (p < FText.size() && IsDigit(FText[p])) {
        isFloat = true;
        while (p < FText.size() && IsDigit(FText[p])) ++p;
        FPos = p;
      }
    }
    token.Text = FText.substr(start, FPos - start);
    const char* first = token.Text.data();
    const char* last = first + token.Text.size();
    if (!isFloat) {
      const auto [end, error] = std::from_chars(first, last, token.Integer);
      if (error == std::errc() && end == last) {
        token.Kind = TTokenKind::Integer;
        return;
      }
      // Too long for 64 bits: kept as a double.
    }
    const auto [end, error] = std::from_chars(first, last, token.Float);
    if (error != std::errc() || end != last || !std::isfinite(token.Float)) Fail("Constant out of range");
    token.Kind = TTokenKind::Float;
  }

  void ReadSymbol(TToken& token) {
    const char c = FText[FPos];
    const char next = FPos + 1 < FText.size() ? FText[FPos + 1] : '\0';
    std::size_t length = 1;
    switch (c) {
      case '(':
        token.Kind = TTokenKind::LeftParen;
        break;
      case ')':
        token.Kind = TTokenKind::RightParen;
        break;
      case ',':
        token.Kind = TTokenKind::Comma;
        break;
      case '=':
        token.Kind = TTokenKind::Equal;
        break;
      case '+':
        token.Kind = TTokenKind::Plus;
        break;
      case '-':
        token.Kind = TTokenKind::Minus;
        break;
      case '*':
        token.Kind = TTokenKind::Star;
        break;
      case '/':
        token.Kind = TTokenKind::Slash;
        break;
      case '<':
        if (next == '>' || next == '=') length = 2;
        token.Kind = next == '>'   ? TTokenKind::NotEqual
                     : next == '=' ? TTokenKind::LessOrEqual
                                   : TTokenKind::Less;
        break;
      case '>':
        if (next == '=') length = 2;
        token.Kind = next == '=' ? TTokenKind::GreaterOrEqual : TTokenKind::Greater;
        break;
      default:
        Fail(Format("Invalid filter expression character: '%s'", std::string(1, c)));
    }
    token.Text = FText.substr(FPos, length);
    FPos += length;
  }

  std::string_view FText;
  std::size_t FPos = 0;
};

struct TFunctionInfo {
  std::string_view Name;
  TFilterFunction Function;
  std::size_t MinArguments, MaxArguments;
};

constexpr std::array<TFunctionInfo, 15> Functions = {{
    {"GETDATE", TFilterFunction::GetDate, 0, 0},
    {"YEAR", TFilterFunction::Year, 1, 1},
    {"MONTH", TFilterFunction::Month, 1, 1},
    {"DAY", TFilterFunction::Day, 1, 1},
    {"HOUR", TFilterFunction::Hour, 1, 1},
    {"MINUTE", TFilterFunction::Minute, 1, 1},
    {"SECOND", TFilterFunction::Second, 1, 1},
    {"DATE", TFilterFunction::Date, 1, 2},
    {"TIME", TFilterFunction::Time, 1, 1},
    {"UPPER", TFilterFunction::Upper, 1, 1},
    {"LOWER", TFilterFunction::Lower, 1, 1},
    {"SUBSTRING", TFilterFunction::Substring, 2, 3},
    {"TRIM", TFilterFunction::Trim, 1, 1},
    {"TRIMLEFT", TFilterFunction::TrimLeft, 1, 1},
    {"TRIMRIGHT", TFilterFunction::TrimRight, 1, 1},
}};

constexpr std::array<std::string_view, 5> Aggregates = {"SUM", "MIN", "MAX", "AVG", "COUNT"};

class TParser {
 public:
  TParser(std::string_view text, const TFilterExpressionOptions& options)
      : FTokens(TLexer(text).Tokens()), FOptions(options) {}

  TFilterParseResult Parse() {
    TFilterParseResult result;
    result.Root = ParseOr();
    if (Current().Kind != TTokenKind::End) Fail("Filter expression incorrectly terminated");
    result.Fields = std::move(FFields);
    return result;
  }

 private:
  const TToken& Current() const { return FTokens[FIndex]; }
  const TToken& Peek() const { return FTokens[std::min(FIndex + 1, FTokens.size() - 1)]; }
  void Advance() {
    if (FIndex + 1 < FTokens.size()) ++FIndex;
  }

  bool IsWord(std::string_view word) const {
    return Current().Kind == TTokenKind::Name && SameText(Current().Text, word);
  }

  std::string Found() const {
    return Current().Kind == TTokenKind::End ? std::string("nothing") : "'" + Current().Text + "'";
  }

  void Expect(TTokenKind kind, std::string_view what) {
    if (Current().Kind != kind) Fail(Format("%s expected but %s found", what, Found()));
    Advance();
  }

  [[noreturn]] void NullMisplaced() { Fail("NULL only allowed with '=' and '<>'"); }

  TFilterNodePtr ParseOr() {
    TFilterNodePtr left = ParseAnd();
    while (IsWord("OR")) {
      Advance();
      left = MakeOrNode(std::move(left), ParseAnd());
    }
    return left;
  }

  TFilterNodePtr ParseAnd() {
    TFilterNodePtr left = ParseNot();
    while (IsWord("AND")) {
      Advance();
      left = MakeAndNode(std::move(left), ParseNot());
    }
    return left;
  }

  TFilterNodePtr ParseNot() {
    if (IsWord("NOT")) {
      Advance();
      return MakeNotNode(ParseNot());
    }
    return ParsePredicate();
  }

  static std::optional<TFilterComparison> ComparisonOf(TTokenKind kind) {
    switch (kind) {
      case TTokenKind::Equal:
        return TFilterComparison::Equal;
      case TTokenKind::NotEqual:
        return TFilterComparison::NotEqual;
      case TTokenKind::Less:
        return TFilterComparison::Less;
      case TTokenKind::Greater:
        return TFilterComparison::Greater;
      case TTokenKind::LessOrEqual:
        return TFilterComparison::LessOrEqual;
      case TTokenKind::GreaterOrEqual:
        return TFilterComparison::GreaterOrEqual;
      default:
        return std::nullopt;
    }
  }

  // "x = NULL" and "x <> NULL" are the blank tests; NULL goes nowhere else.
  TFilterNodePtr BlankTest(TFilterComparison op, TFilterNodePtr operand) {
    if (op != TFilterComparison::Equal && op != TFilterComparison::NotEqual) NullMisplaced();
    return MakeBlankTestNode(std::move(operand), op == TFilterComparison::Equal);
  }

  TFilterNodePtr ParsePredicate() {
    if (IsWord("NULL")) {
      Advance();
      const std::optional<TFilterComparison> op = ComparisonOf(Current().Kind);
      if (!op) NullMisplaced();
      Advance();
      return BlankTest(*op, ParseSum());
    }
    TFilterNodePtr left = ParseSum();
    if (const std::optional<TFilterComparison> op = ComparisonOf(Current().Kind)) {
      Advance();
      if (IsWord("NULL")) {
        Advance();
        return BlankTest(*op, std::move(left));
      }
      return Comparison(*op, std::move(left), ParseSum());
    }
    if (IsWord("LIKE")) {
      Advance();
      return MakeLikeNode(std::move(left), ParseSum(), FOptions.CaseInsensitive);
    }
    if (IsWord("IN")) {
      Advance();
      return MakeInNode(std::move(left), ParseInList(), FOptions.CaseInsensitive);
    }
    if (IsWord("IS")) {
      Advance();
      bool blank = true;
      if (IsWord("NOT")) {
        Advance();
        blank = false;
      }
      if (!IsWord("NULL")) Fail(Format("'NULL' expected but %s found", Found()));
      Advance();
      return MakeBlankTestNode(std::move(left), blank);
    }
    return left;
  }

  // With partial comparison, a text constant ending in "*" on one side of =
  // or <> compares only the characters before the "*".
  TFilterNodePtr Comparison(TFilterComparison op, TFilterNodePtr left, TFilterNodePtr right) {
    int partial = 0;
    if (FOptions.PartialCompare && (op == TFilterComparison::Equal || op == TFilterComparison::NotEqual)) {
      for (TFilterNodePtr* side : {&right, &left}) {
        const TFilterValue* constant = (*side)->ConstantValue();
        if (!constant || !constant->IsString()) continue;
        const std::string_view text = constant->String();
        if (text.size() < 2 || text.back() != '*') continue;
        partial = static_cast<int>(text.size() - 1);
        TFilterValue stripped;
        stripped.SetString(text.substr(0, text.size() - 1));
        *side = MakeConstantNode(stripped);
        break;
      }
    }
    return MakeComparisonNode(op, std::move(left), std::move(right), FOptions.CaseInsensitive, partial);
  }

  // As many values as written: the list has no fixed length.
  std::vector<TFilterNodePtr> ParseInList() {
    Expect(TTokenKind::LeftParen, "'('");
    if (Current().Kind == TTokenKind::RightParen) Fail("IN predicate list may not be empty");
    std::vector<TFilterNodePtr> list;
    for (;;) {
      list.push_back(ParseSum());
      if (Current().Kind == TTokenKind::RightParen) break;
      if (Current().Kind != TTokenKind::Comma) Fail(Format("')' or ',' expected but %s found", Found()));
      Advance();
    }
    Advance();
    return list;
  }

  TFilterNodePtr ParseSum() {
    TFilterNodePtr left = ParseTerm();
    for (;;) {
      TFilterArithmetic op;
      if (Current().Kind == TTokenKind::Plus)
        op = TFilterArithmetic::Add;
      else if (Current().Kind == TTokenKind::Minus)
        op = TFilterArithmetic::Subtract;
      else
        return left;
      Advance();
      left = MakeArithmeticNode(op, std::move(left), ParseTerm());
    }
  }

  TFilterNodePtr ParseTerm() {
    TFilterNodePtr left = ParseUnary();
    for (;;) {
      TFilterArithmetic op;
      if (Current().Kind == TTokenKind::Star)
        op = TFilterArithmetic::Multiply;
      else if (Current().Kind == TTokenKind::Slash)
        op = TFilterArithmetic::Divide;
      else
        return left;
      Advance();
      left = MakeArithmeticNode(op, std::move(left), ParseUnary());
    }
  }

  TFilterNodePtr ParseUnary() {
    if (Current().Kind != TTokenKind::Minus) return ParsePrimary();
    Advance();
    TFilterNodePtr operand = ParseUnary();
    // A negative number stays a constant, so that comparisons with it can
    // convert text once.
    if (const TFilterValue* constant = operand->ConstantValue(); constant && constant->IsNumber()) {
      TFilterValue negated;
      FilterNegate(*constant, negated);
      return MakeConstantNode(negated);
    }
    return MakeNegateNode(std::move(operand));
  }

  TFilterNodePtr ParsePrimary() {
    const TToken& token = Current();
    TFilterValue value;
    switch (token.Kind) {
      case TTokenKind::String:
        value.SetString(token.Text);
        Advance();
        return MakeConstantNode(value);
      case TTokenKind::Integer:
        value.SetInteger(token.Integer);
        Advance();
        return MakeConstantNode(value);
      case TTokenKind::Float:
        value.SetFloat(token.Float);
        Advance();
        return MakeConstantNode(value);
      case TTokenKind::QuotedName:
        return Field();
      case TTokenKind::LeftParen: {
        Advance();
        TFilterNodePtr inner = ParseOr();
        Expect(TTokenKind::RightParen, "')'");
        return inner;
      }
      case TTokenKind::Name:
        if (Peek().Kind == TTokenKind::LeftParen) return Function();
        if (IsWord("TRUE") || IsWord("FALSE")) {
          value.SetBoolean(IsWord("TRUE"));
          Advance();
          return MakeConstantNode(value);
        }
        if (IsWord("NULL")) NullMisplaced();
        return Field();
      default:
        Fail(Format("Expression expected but %s found", Found()));
    }
  }

  TFilterNodePtr Field() {
    const std::string& name = Current().Text;
    int slot = 0;
    while (slot < static_cast<int>(FFields.size()) && FFields[static_cast<std::size_t>(slot)].Name != name)
      ++slot;
    if (slot == static_cast<int>(FFields.size())) FFields.push_back(TFilterFieldSlot{name, -1});
    Advance();
    return MakeFieldNode(slot);
  }

  TFilterNodePtr Function() {
    const std::string name = AnsiUpperCase(Current().Text);
    for (std::string_view aggregate : Aggregates)
      if (name == aggregate) Fail("Aggregate expressions not allowed in filters");
    const TFunctionInfo* info = nullptr;
    for (const TFunctionInfo& f : Functions)
      if (name == f.Name) info = &f;
    if (!info) Fail(Format("Expression expected but %s found", Found()));
    Advance();  // the name
    Advance();  // "("
    std::vector<TFilterNodePtr> arguments;
    if (info->MaxArguments == 0) {
      Expect(TTokenKind::RightParen, "')'");
      return MakeFunctionNode(info->Function, std::move(arguments));
    }
    for (;;) {
      arguments.push_back(ParseSum());
      const bool more = arguments.size() < info->MaxArguments;
      if (Current().Kind == TTokenKind::RightParen) {
        if (arguments.size() < info->MinArguments) Fail(Format("Expression expected but %s found", Found()));
        break;
      }
      if (Current().Kind == TTokenKind::Comma && more) {
        Advance();
        continue;
      }
      Fail(Format(more ? "')' or ',' expected but %s found" : "')' expected but %s found", Found()));
    }
    Advance();
    return MakeFunctionNode(info->Function, std::move(arguments));
  }

  std::vector<TToken> FTokens;
  std::size_t FIndex = 0;
  const TFilterExpressionOptions& FOptions;
  std::vector<TFilterFieldSlot> FFields;
};

}  // namespace

TFilterParseResult ParseFilterExpression(std::string_view text, const TFilterExpressionOptions& options) {
  return TParser(text, options).Parse();
}
