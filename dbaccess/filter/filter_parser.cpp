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
//   "Type mismatch in expression"                   kinds that cannot meet (see
//                                                    filter_expression.h)
//   "Filter expression nested too deeply"            beyond FilterExpressionMaxDepth
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
      ReadQuotedName(token);
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

  // A doubled "]" inside the brackets stands for one, so that any name can
  // be written.
  void ReadQuotedName(TToken& token) {
    token.Kind = TTokenKind::QuotedName;
    ++FPos;
    for (;;) {
      const std::size_t close = FText.find(']', FPos);
      if (close == std::string_view::npos) Fail("Unterminated field name");
      token.Text.append(FText.substr(FPos, close - FPos));
      FPos = close + 1;
      if (FPos < FText.size() && FText[FPos] == ']') {
        token.Text.push_back(']');
        ++FPos;
      } else {
        return;
      }
    }
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
  TFilterType Result;
};

constexpr std::array<TFunctionInfo, 15> Functions = {{
    {"GETDATE", TFilterFunction::GetDate, 0, 0, TFilterType::Date},
    {"YEAR", TFilterFunction::Year, 1, 1, TFilterType::Number},
    {"MONTH", TFilterFunction::Month, 1, 1, TFilterType::Number},
    {"DAY", TFilterFunction::Day, 1, 1, TFilterType::Number},
    {"HOUR", TFilterFunction::Hour, 1, 1, TFilterType::Number},
    {"MINUTE", TFilterFunction::Minute, 1, 1, TFilterType::Number},
    {"SECOND", TFilterFunction::Second, 1, 1, TFilterType::Number},
    // DATE(x) gives a day number, but what it is compared with is read as
    // a date, so that DATE(BORN) = '15.03.1950' means that day.
    {"DATE", TFilterFunction::Date, 1, 2, TFilterType::Date},
    {"TIME", TFilterFunction::Time, 1, 1, TFilterType::Unknown},
    {"UPPER", TFilterFunction::Upper, 1, 1, TFilterType::Text},
    {"LOWER", TFilterFunction::Lower, 1, 1, TFilterType::Text},
    {"SUBSTRING", TFilterFunction::Substring, 2, 3, TFilterType::Text},
    {"TRIM", TFilterFunction::Trim, 1, 1, TFilterType::Text},
    {"TRIMLEFT", TFilterFunction::TrimLeft, 1, 1, TFilterType::Text},
    {"TRIMRIGHT", TFilterFunction::TrimRight, 1, 1, TFilterType::Text},
}};

constexpr std::array<std::string_view, 5> Aggregates = {"SUM", "MIN", "MAX", "AVG", "COUNT"};

[[noreturn]] void TooDeep() { Fail("Filter expression nested too deeply"); }
[[noreturn]] void TypeMismatch() { Fail("Type mismatch in expression"); }

// A part of the expression being compiled: its node, what it holds, and how
// many levels of the tree it makes.
struct TOperand {
  TFilterNodePtr Node;
  TFilterType Type = TFilterType::Unknown;
  int Depth = 1;

  bool IsTextConstant() const {
    const TFilterValue* constant = Node->ConstantValue();
    return constant && constant->IsString();
  }
};

TFilterType TypeOf(const TFilterValue& value) {
  switch (value.Kind()) {
    case TFilterValueKind::Boolean:
      return TFilterType::Boolean;
    case TFilterValueKind::Integer:
    case TFilterValueKind::Float:
    case TFilterValueKind::Currency:
      return TFilterType::Number;
    case TFilterValueKind::Date:
      return TFilterType::Date;
    case TFilterValueKind::String:
      return TFilterType::Text;
    case TFilterValueKind::Null:
      break;
  }
  return TFilterType::Unknown;
}

TOperand Constant(const TFilterValue& value) { return TOperand{MakeConstantNode(value), TypeOf(value), 1}; }

// A text constant read now as a Number, Date or Boolean: one that cannot be
// read is a mistake in the filter, reported once rather than by every
// record, and one that can is not read again for every record.
void ReadTextConstantAs(TOperand& operand, TFilterType type) {
  const TFilterValueKind kind = type == TFilterType::Number ? TFilterValueKind::Integer
                                : type == TFilterType::Date ? TFilterValueKind::Date
                                                            : TFilterValueKind::Boolean;
  TFilterValue value;
  try {
    ConvertTextForComparison(operand.Node->ConstantValue()->String(), kind, value);
  } catch (const EVariantError&) {
    TypeMismatch();
  } catch (const EConvertError&) {
    TypeMismatch();
  }
  operand = Constant(value);
}

// Two operands of a comparison or of IN.
void CheckComparable(TOperand& a, TOperand& b) {
  if (a.Type == TFilterType::Unknown || b.Type == TFilterType::Unknown || a.Type == b.Type) return;
  if (a.IsTextConstant()) return ReadTextConstantAs(a, b.Type);
  if (b.IsTextConstant()) return ReadTextConstantAs(b, a.Type);
  // A text from a record is read as the other kind when the record is tested.
  if (a.Type == TFilterType::Text || b.Type == TFilterType::Text) return;
  const auto isNumeric = [](TFilterType t) { return t == TFilterType::Number || t == TFilterType::Date; };
  if (!isNumeric(a.Type) || !isNumeric(b.Type)) TypeMismatch();
}

// An operand of NOT, AND or OR.
void CheckTruthValue(TOperand& operand) {
  switch (operand.Type) {
    case TFilterType::Unknown:
    case TFilterType::Boolean:
      return;
    case TFilterType::Text:
      if (operand.IsTextConstant()) ReadTextConstantAs(operand, TFilterType::Boolean);
      return;
    case TFilterType::Number:
    case TFilterType::Date:
      break;
  }
  TypeMismatch();
}

// The argument of a date or time function.
void CheckDateArgument(TOperand& operand) {
  if (operand.Type == TFilterType::Boolean) TypeMismatch();
  if (operand.IsTextConstant()) ReadTextConstantAs(operand, TFilterType::Date);
}

// An argument that must be a number (texts from records are read as one).
void CheckNumberArgument(TOperand& operand) {
  if (operand.Type == TFilterType::Boolean || operand.Type == TFilterType::Date) TypeMismatch();
  if (operand.IsTextConstant()) ReadTextConstantAs(operand, TFilterType::Number);
}

// SUBSTRING(s, 'from,count'): the text constant is read now as well.
void CheckSubstringSpec(const TOperand& operand) {
  const std::string_view spec = operand.Node->ConstantValue()->String();
  const std::size_t comma = spec.find(',');
  std::int64_t n = 0;
  if (!TryStrToInt64(Trim(spec.substr(0, comma)), n)) TypeMismatch();
  if (comma != std::string_view::npos && !TryStrToInt64(Trim(spec.substr(comma + 1)), n)) TypeMismatch();
}

// The type of a + - * / b. Texts stand for numbers, but for text + text,
// which joins them; dates take part where a date can be meant.
TFilterType ArithmeticType(TFilterArithmetic op, TOperand& a, TOperand& b) {
  if (a.Type == TFilterType::Boolean || b.Type == TFilterType::Boolean) TypeMismatch();
  if (a.Type == TFilterType::Unknown || b.Type == TFilterType::Unknown) return TFilterType::Unknown;
  if (op == TFilterArithmetic::Add && a.Type == TFilterType::Text && b.Type == TFilterType::Text)
    return TFilterType::Text;
  for (TOperand* operand : {&a, &b})
    if (operand->IsTextConstant()) ReadTextConstantAs(*operand, TFilterType::Number);
  const bool dateA = a.Type == TFilterType::Date, dateB = b.Type == TFilterType::Date;
  switch (op) {
    case TFilterArithmetic::Add:
      if (dateA && dateB) TypeMismatch();
      return dateA || dateB ? TFilterType::Date : TFilterType::Number;
    case TFilterArithmetic::Subtract:
      if (dateB && !dateA) TypeMismatch();
      return dateA && !dateB ? TFilterType::Date : TFilterType::Number;
    case TFilterArithmetic::Multiply:
    case TFilterArithmetic::Divide:
      break;
  }
  if (dateA || dateB) TypeMismatch();
  return TFilterType::Number;
}

class TParser {
 public:
  TParser(std::string_view text, const TFilterExpressionOptions& options, TFilterRecordSource& source)
      : FTokens(TLexer(text).Tokens()), FOptions(options), FSource(source) {}

  TFilterParseResult Parse() {
    TFilterParseResult result;
    result.Root = ParseOr().Node;
    if (Current().Kind != TTokenKind::End) Fail("Filter expression incorrectly terminated");
    result.Fields = std::move(FFields);
    return result;
  }

 private:
  // One level of brackets, NOT, unary minus, function call or IN list: the
  // parser recurses once for each, so their nesting is bounded.
  class TNestingScope {
   public:
    explicit TNestingScope(int& nesting) : FNesting(nesting) {
      if (FNesting >= FilterExpressionMaxDepth) TooDeep();
      ++FNesting;
    }
    ~TNestingScope() { --FNesting; }
    TNestingScope(const TNestingScope&) = delete;
    TNestingScope& operator=(const TNestingScope&) = delete;

   private:
    int& FNesting;
  };

  // A node over operands childDepth levels deep. The evaluator and the
  // node destructors recurse once per level, so the tree's depth is bounded
  // as well as the text's nesting: a chain of + builds depth without any.
  static TOperand Node(TFilterNodePtr node, TFilterType type, int childDepth) {
    if (childDepth >= FilterExpressionMaxDepth) TooDeep();
    return TOperand{std::move(node), type, childDepth + 1};
  }

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

  TOperand ParseOr() { return ParseChain("OR", false); }

  // A chain of OR, or of AND, as one node.
  TOperand ParseChain(std::string_view word, bool isAnd) {
    TOperand first = isAnd ? ParseNot() : ParseChain("AND", true);
    if (!IsWord(word)) return first;
    CheckTruthValue(first);
    int depth = first.Depth;
    std::vector<TFilterNodePtr> operands;
    operands.push_back(std::move(first.Node));
    while (IsWord(word)) {
      Advance();
      TOperand next = isAnd ? ParseNot() : ParseChain("AND", true);
      CheckTruthValue(next);
      depth = std::max(depth, next.Depth);
      operands.push_back(std::move(next.Node));
    }
    return Node(MakeLogicalNode(isAnd, std::move(operands)), TFilterType::Boolean, depth);
  }

  TOperand ParseNot() {
    if (!IsWord("NOT")) return ParsePredicate();
    TNestingScope nesting(FNesting);
    Advance();
    TOperand operand = ParseNot();
    CheckTruthValue(operand);
    const int depth = operand.Depth;
    return Node(MakeNotNode(std::move(operand.Node)), TFilterType::Boolean, depth);
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

  static TOperand BlankTest(TOperand operand, bool blank) {
    const int depth = operand.Depth;
    return Node(MakeBlankTestNode(std::move(operand.Node), blank), TFilterType::Boolean, depth);
  }

  // "x = NULL" and "x <> NULL" are the blank tests; NULL goes nowhere else.
  TOperand BlankTest(TFilterComparison op, TOperand operand) {
    if (op != TFilterComparison::Equal && op != TFilterComparison::NotEqual) NullMisplaced();
    return BlankTest(std::move(operand), op == TFilterComparison::Equal);
  }

  TOperand ParsePredicate() {
    if (IsWord("NULL")) {
      Advance();
      const std::optional<TFilterComparison> op = ComparisonOf(Current().Kind);
      if (!op) NullMisplaced();
      Advance();
      return BlankTest(*op, ParseSum());
    }
    TOperand left = ParseSum();
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
      TOperand pattern = ParseSum();
      const int depth = std::max(left.Depth, pattern.Depth);
      return Node(MakeLikeNode(std::move(left.Node), std::move(pattern.Node), FOptions.CaseInsensitive),
                  TFilterType::Boolean, depth);
    }
    if (IsWord("IN")) {
      Advance();
      return In(std::move(left));
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
      return BlankTest(std::move(left), blank);
    }
    return left;
  }

  // With partial comparison, a text constant ending in "*" on one side of =
  // or <> with a text compares only the characters before the "*".
  TOperand Comparison(TFilterComparison op, TOperand left, TOperand right) {
    CheckComparable(left, right);
    int partial = 0;
    if (FOptions.PartialCompare && (op == TFilterComparison::Equal || op == TFilterComparison::NotEqual)) {
      for (TOperand* side : {&right, &left}) {
        if (!side->IsTextConstant()) continue;
        const std::string_view text = side->Node->ConstantValue()->String();
        if (text.size() < 2 || text.back() != '*') continue;
        partial = static_cast<int>(text.size() - 1);
        TFilterValue stripped;
        stripped.SetString(text.substr(0, text.size() - 1));
        side->Node = MakeConstantNode(stripped);
        break;
      }
    }
    const int depth = std::max(left.Depth, right.Depth);
    return Node(MakeComparisonNode(op, std::move(left.Node), std::move(right.Node), FOptions.CaseInsensitive,
                                   partial),
                TFilterType::Boolean, depth);
  }

  // As many values as written: the list has no fixed length.
  TOperand In(TOperand value) {
    TNestingScope nesting(FNesting);
    Expect(TTokenKind::LeftParen, "'('");
    if (Current().Kind == TTokenKind::RightParen) Fail("IN predicate list may not be empty");
    std::vector<TFilterNodePtr> list;
    int depth = value.Depth;
    for (;;) {
      TOperand element = ParseSum();
      CheckComparable(value, element);
      depth = std::max(depth, element.Depth);
      list.push_back(std::move(element.Node));
      if (Current().Kind == TTokenKind::RightParen) break;
      if (Current().Kind != TTokenKind::Comma) Fail(Format("')' or ',' expected but %s found", Found()));
      Advance();
    }
    Advance();
    return Node(MakeInNode(std::move(value.Node), std::move(list), FOptions.CaseInsensitive),
                TFilterType::Boolean, depth);
  }

  TOperand Arithmetic(TFilterArithmetic op, TOperand left, TOperand right) {
    const TFilterType type = ArithmeticType(op, left, right);
    const int depth = std::max(left.Depth, right.Depth);
    return Node(MakeArithmeticNode(op, std::move(left.Node), std::move(right.Node)), type, depth);
  }

  TOperand ParseSum() {
    TOperand left = ParseTerm();
    for (;;) {
      TFilterArithmetic op;
      if (Current().Kind == TTokenKind::Plus)
        op = TFilterArithmetic::Add;
      else if (Current().Kind == TTokenKind::Minus)
        op = TFilterArithmetic::Subtract;
      else
        return left;
      Advance();
      left = Arithmetic(op, std::move(left), ParseTerm());
    }
  }

  TOperand ParseTerm() {
    TOperand left = ParseUnary();
    for (;;) {
      TFilterArithmetic op;
      if (Current().Kind == TTokenKind::Star)
        op = TFilterArithmetic::Multiply;
      else if (Current().Kind == TTokenKind::Slash)
        op = TFilterArithmetic::Divide;
      else
        return left;
      Advance();
      left = Arithmetic(op, std::move(left), ParseUnary());
    }
  }

  TOperand ParseUnary() {
    if (Current().Kind != TTokenKind::Minus) return ParsePrimary();
    TNestingScope nesting(FNesting);
    Advance();
    TOperand operand = ParseUnary();
    CheckNumberArgument(operand);
    // A negative number stays a constant, so that comparisons with it can
    // convert text once.
    if (const TFilterValue* constant = operand.Node->ConstantValue(); constant && constant->IsNumber()) {
      TFilterValue negated;
      FilterNegate(*constant, negated);
      return Constant(negated);
    }
    const TFilterType type =
        operand.Type == TFilterType::Unknown ? TFilterType::Unknown : TFilterType::Number;
    const int depth = operand.Depth;
    return Node(MakeNegateNode(std::move(operand.Node)), type, depth);
  }

  TOperand ParsePrimary() {
    const TToken& token = Current();
    TFilterValue value;
    switch (token.Kind) {
      case TTokenKind::String:
        value.SetString(token.Text);
        Advance();
        return Constant(value);
      case TTokenKind::Integer:
        value.SetInteger(token.Integer);
        Advance();
        return Constant(value);
      case TTokenKind::Float:
        value.SetFloat(token.Float);
        Advance();
        return Constant(value);
      case TTokenKind::QuotedName:
        return Field();
      case TTokenKind::LeftParen: {
        TNestingScope nesting(FNesting);
        Advance();
        TOperand inner = ParseOr();
        Expect(TTokenKind::RightParen, "')'");
        return inner;
      }
      case TTokenKind::Name:
        if (Peek().Kind == TTokenKind::LeftParen) return Function();
        if (IsWord("TRUE") || IsWord("FALSE")) {
          value.SetBoolean(IsWord("TRUE"));
          Advance();
          return Constant(value);
        }
        if (IsWord("NULL")) NullMisplaced();
        return Field();
      default:
        Fail(Format("Expression expected but %s found", Found()));
    }
  }

  // Each field is looked up when first named, so that its kind is known to
  // the checks and an unknown name is reported now.
  TOperand Field() {
    const std::string& name = Current().Text;
    std::size_t slot = 0;
    while (slot < FFields.size() && FFields[slot].Name != name) ++slot;
    if (slot == FFields.size()) {
      TFilterFieldSlot field{name, -1};
      ResolveFilterField(FSource, field);
      FFields.push_back(std::move(field));
    }
    const TFilterType type = FSource.FieldType(FFields[slot].Handle);
    Advance();
    return TOperand{MakeFieldNode(static_cast<int>(slot)), type, 1};
  }

  TOperand Function() {
    const std::string name = AnsiUpperCase(Current().Text);
    for (std::string_view aggregate : Aggregates)
      if (name == aggregate) Fail("Aggregate expressions not allowed in filters");
    const TFunctionInfo* info = nullptr;
    for (const TFunctionInfo& f : Functions)
      if (name == f.Name) info = &f;
    if (!info) Fail(Format("Expression expected but %s found", Found()));
    TNestingScope nesting(FNesting);
    Advance();  // the name
    Advance();  // "("
    std::vector<TOperand> arguments;
    if (info->MaxArguments == 0) {
      Expect(TTokenKind::RightParen, "')'");
    } else {
      for (;;) {
        arguments.push_back(ParseSum());
        const bool more = arguments.size() < info->MaxArguments;
        if (Current().Kind == TTokenKind::RightParen) {
          if (arguments.size() < info->MinArguments)
            Fail(Format("Expression expected but %s found", Found()));
          break;
        }
        if (Current().Kind == TTokenKind::Comma && more) {
          Advance();
          continue;
        }
        Fail(Format(more ? "')' or ',' expected but %s found" : "')' expected but %s found", Found()));
      }
      Advance();
    }
    CheckArguments(info->Function, arguments);
    int depth = 0;
    std::vector<TFilterNodePtr> nodes;
    for (TOperand& argument : arguments) {
      depth = std::max(depth, argument.Depth);
      nodes.push_back(std::move(argument.Node));
    }
    return Node(MakeFunctionNode(info->Function, std::move(nodes)), info->Result, depth);
  }

  static void CheckArguments(TFilterFunction function, std::vector<TOperand>& arguments) {
    switch (function) {
      case TFilterFunction::Year:
      case TFilterFunction::Month:
      case TFilterFunction::Day:
      case TFilterFunction::Hour:
      case TFilterFunction::Minute:
      case TFilterFunction::Second:
        CheckDateArgument(arguments[0]);
        return;
      case TFilterFunction::Date:
        // DATE(format, text) reads both as texts.
        if (arguments.size() == 1) CheckDateArgument(arguments[0]);
        return;
      case TFilterFunction::Substring:
        // SUBSTRING(s, 'from,count') takes both numbers in one text.
        if (arguments.size() == 2 && arguments[1].IsTextConstant())
          CheckSubstringSpec(arguments[1]);
        else
          for (std::size_t i = 1; i < arguments.size(); ++i) CheckNumberArgument(arguments[i]);
        return;
      default:
        return;  // texts, or nothing to check
    }
  }

  std::vector<TToken> FTokens;
  std::size_t FIndex = 0;
  const TFilterExpressionOptions& FOptions;
  TFilterRecordSource& FSource;
  std::vector<TFilterFieldSlot> FFields;
  int FNesting = 0;
};

}  // namespace

TFilterParseResult ParseFilterExpression(std::string_view text, const TFilterExpressionOptions& options,
                                         TFilterRecordSource& source) {
  return TParser(text, options, source).Parse();
}
