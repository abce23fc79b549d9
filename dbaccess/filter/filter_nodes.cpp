#include "dbaccess/filter/filter_nodes.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "framework/core/text/datetime.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"

void ResolveFilterField(TFilterRecordSource& source, TFilterFieldSlot& slot) {
  const int handle = source.FindField(slot.Name);
  if (handle < 0) throw EDatabaseError(Format("Field '%s' not found", slot.Name));
  if (!source.IsFilterable(handle))
    throw EDatabaseError(Format("Field '%s' cannot be used in a filter expression", slot.Name));
  slot.Handle = handle;
}

void TFilterEvalContext::ReadField(int slot, TFilterValue& value) {
  TFilterFieldSlot& field = FFields[static_cast<std::size_t>(slot)];
  if (field.Handle < 0) ResolveFilterField(FSource, field);
  FSource.ReadField(field.Handle, value);
}

namespace {

[[noreturn]] void IncorrectlyFormed() { throw EDatabaseError("Incorrectly formed filter expression"); }

void UpperInPlace(std::string& s) {
  for (char& c : s) c = AnsiUpperChar(c);
}

void LowerInPlace(std::string& s) {
  for (char& c : s) c = AnsiLowerChar(c);
}

// The value as text: a view of its own text, or its text form written into
// the caller's buffer.
std::string_view TextOf(const TFilterValue& value, std::string& buffer) {
  if (value.IsString()) return value.String();
  FilterValueText(value, buffer);
  return buffer;
}

// A text constant met by values of another kind is read as that kind once,
// and the reading is kept for as long as the other side keeps its kind.
class TConvertedConstant {
 public:
  explicit TConvertedConstant(const TFilterValue* constant) noexcept
      : FConstant(constant && constant->IsString() ? constant : nullptr) {}

  // The operand to compare with `other`: the value itself, or the
  // constant's reading for other's kind.
  const TFilterValue& Match(const TFilterValue& value, const TFilterValue& other) {
    if (!FConstant || other.IsNull() || other.IsString()) return value;
    // Integers and doubles read texts the same way; currency, dates and
    // Booleans each have their own reading.
    const TFilterValueKind key =
        other.Kind() == TFilterValueKind::Float ? TFilterValueKind::Integer : other.Kind();
    if (FKey != key) {
      FKey = TFilterValueKind::Null;
      ConvertTextForComparison(FConstant->String(), other.Kind(), FConverted);
      FKey = key;
    }
    return FConverted;
  }

 private:
  const TFilterValue* FConstant;
  TFilterValueKind FKey = TFilterValueKind::Null;
  TFilterValue FConverted;
};

class TConstantNode final : public TFilterNode {
 public:
  explicit TConstantNode(const TFilterValue& value) : FValue(value) {}
  const TFilterValue& Eval(TFilterEvalContext&) override { return FValue; }
  const TFilterValue* ConstantValue() const noexcept override { return &FValue; }

 private:
  TFilterValue FValue;
};

class TFieldNode final : public TFilterNode {
 public:
  explicit TFieldNode(int slot) : FSlot(slot) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    context.ReadField(FSlot, FValue);
    return FValue;
  }

 private:
  int FSlot;
  TFilterValue FValue;
};

class TBlankTestNode final : public TFilterNode {
 public:
  TBlankTestNode(TFilterNodePtr operand, bool blank) : FOperand(std::move(operand)), FBlank(blank) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    FResult.SetBoolean(FOperand->Eval(context).IsNull() == FBlank);
    return FResult;
  }

 private:
  TFilterNodePtr FOperand;
  bool FBlank;
  TFilterValue FResult;
};

class TNotNode final : public TFilterNode {
 public:
  explicit TNotNode(TFilterNodePtr operand) : FOperand(std::move(operand)) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    FResult.SetBoolean(!FilterTruth(FOperand->Eval(context)));
    return FResult;
  }

 private:
  TFilterNodePtr FOperand;
  TFilterValue FResult;
};

class TLogicalNode final : public TFilterNode {
 public:
  TLogicalNode(bool isAnd, std::vector<TFilterNodePtr> operands)
      : FAnd(isAnd), FOperands(std::move(operands)) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    // AND goes on only after a true operand, OR only after a false one.
    bool result = FAnd;
    for (const TFilterNodePtr& operand : FOperands) {
      result = FilterTruth(operand->Eval(context));
      if (result != FAnd) break;
    }
    FResult.SetBoolean(result);
    return FResult;
  }

 private:
  bool FAnd;
  std::vector<TFilterNodePtr> FOperands;
  TFilterValue FResult;
};

bool Holds(TFilterComparison op, TFilterOrder order) {
  switch (op) {
    case TFilterComparison::Equal:
    case TFilterComparison::NotEqual:
      break;  // answered without ordering
    case TFilterComparison::Less:
      return order == TFilterOrder::Less;
    case TFilterComparison::Greater:
      return order == TFilterOrder::Greater;
    case TFilterComparison::LessOrEqual:
      return order == TFilterOrder::Less || order == TFilterOrder::Equal;
    case TFilterComparison::GreaterOrEqual:
      return order == TFilterOrder::Greater || order == TFilterOrder::Equal;
  }
  return false;
}

class TComparisonNode final : public TFilterNode {
 public:
  TComparisonNode(TFilterComparison op, TFilterNodePtr left, TFilterNodePtr right, bool ignoreCase,
                  int partialLength)
      : FOp(op),
        FLeft(std::move(left)),
        FRight(std::move(right)),
        FLeftConstant(FLeft->ConstantValue()),
        FRightConstant(FRight->ConstantValue()),
        FIgnoreCase(ignoreCase),
        FPartialLength(partialLength) {}

  const TFilterValue& Eval(TFilterEvalContext& context) override {
    const TFilterValue& left = FLeft->Eval(context);
    const TFilterValue& right = FRight->Eval(context);
    const TFilterValue& a = FLeftConstant.Match(left, right);
    const TFilterValue& b = FRightConstant.Match(right, a);
    if (FOp == TFilterComparison::Equal || FOp == TFilterComparison::NotEqual) {
      bool same;
      if (FPartialLength > 0 && a.IsString() && b.IsString()) {
        const auto n = static_cast<std::size_t>(FPartialLength);
        const std::string_view sa = a.String().substr(0, n), sb = b.String().substr(0, n);
        same = FIgnoreCase ? AnsiSameText(sa, sb) : sa == sb;
      } else {
        same = SameFilterValues(a, b, FIgnoreCase);
      }
      FResult.SetBoolean(same == (FOp == TFilterComparison::Equal));
    } else {
      FResult.SetBoolean(Holds(FOp, CompareFilterValues(a, b, FIgnoreCase)));
    }
    return FResult;
  }

 private:
  TFilterComparison FOp;
  TFilterNodePtr FLeft, FRight;
  TConvertedConstant FLeftConstant, FRightConstant;
  bool FIgnoreCase;
  int FPartialLength;
  TFilterValue FResult;
};

class TLikeNode final : public TFilterNode {
 public:
  TLikeNode(TFilterNodePtr text, TFilterNodePtr pattern, bool ignoreCase)
      : FText(std::move(text)), FPattern(std::move(pattern)), FIgnoreCase(ignoreCase) {
    // A constant pattern is prepared once.
    if (const TFilterValue* constant = FPattern->ConstantValue(); constant && !constant->IsNull()) {
      FilterValueText(*constant, FConstantPattern);
      if (FIgnoreCase) UpperInPlace(FConstantPattern);
      FPatternIsConstant = true;
    }
  }

  const TFilterValue& Eval(TFilterEvalContext& context) override {
    const TFilterValue& text = FText->Eval(context);
    const TFilterValue& pattern = FPattern->Eval(context);
    if (text.IsNull() || pattern.IsNull()) {
      FResult.SetBoolean(text.IsNull() && pattern.IsNull());
      return FResult;
    }
    const TFilterLikeMatcher like = context.Options().Like;
    if (!like) IncorrectlyFormed();
    std::string_view t = TextOf(text, FTextBuffer);
    std::string_view p =
        FPatternIsConstant ? std::string_view(FConstantPattern) : TextOf(pattern, FPatternBuffer);
    if (FIgnoreCase) {
      t = UpperCopy(t, FTextBuffer);
      if (!FPatternIsConstant) p = UpperCopy(p, FPatternBuffer);
    }
    FResult.SetBoolean(like(t, p));
    return FResult;
  }

 private:
  // s upper-cased into buffer (s may already be a view of buffer).
  static std::string_view UpperCopy(std::string_view s, std::string& buffer) {
    if (s.data() != buffer.data()) buffer.assign(s);
    UpperInPlace(buffer);
    return buffer;
  }

  TFilterNodePtr FText, FPattern;
  bool FIgnoreCase;
  bool FPatternIsConstant = false;
  std::string FConstantPattern, FTextBuffer, FPatternBuffer;
  TFilterValue FResult;
};

class TInNode final : public TFilterNode {
 public:
  TInNode(TFilterNodePtr value, std::vector<TFilterNodePtr> list, bool ignoreCase)
      : FValue(std::move(value)), FValueConstant(FValue->ConstantValue()), FIgnoreCase(ignoreCase) {
    FList.reserve(list.size());
    for (TFilterNodePtr& node : list) {
      const TFilterValue* constant = node->ConstantValue();
      FList.push_back(TElement{std::move(node), TConvertedConstant(constant)});
    }
  }

  const TFilterValue& Eval(TFilterEvalContext& context) override {
    const TFilterValue& value = FValue->Eval(context);
    bool found = false;
    for (TElement& element : FList) {
      const TFilterValue& e = element.Node->Eval(context);
      const TFilterValue& a = FValueConstant.Match(value, e);
      const TFilterValue& b = element.Constant.Match(e, a);
      if (SameFilterValues(a, b, FIgnoreCase)) {
        found = true;
        break;
      }
    }
    FResult.SetBoolean(found);
    return FResult;
  }

 private:
  struct TElement {
    TFilterNodePtr Node;
    TConvertedConstant Constant;
  };
  TFilterNodePtr FValue;
  TConvertedConstant FValueConstant;
  std::vector<TElement> FList;
  bool FIgnoreCase;
  TFilterValue FResult;
};

class TArithmeticNode final : public TFilterNode {
 public:
  TArithmeticNode(TFilterArithmetic op, TFilterNodePtr left, TFilterNodePtr right)
      : FOp(op), FLeft(std::move(left)), FRight(std::move(right)) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    const TFilterValue& left = FLeft->Eval(context);
    FilterArithmetic(FOp, left, FRight->Eval(context), FResult);
    return FResult;
  }

 private:
  TFilterArithmetic FOp;
  TFilterNodePtr FLeft, FRight;
  TFilterValue FResult;
};

class TNegateNode final : public TFilterNode {
 public:
  explicit TNegateNode(TFilterNodePtr operand) : FOperand(std::move(operand)) {}
  const TFilterValue& Eval(TFilterEvalContext& context) override {
    FilterNegate(FOperand->Eval(context), FResult);
    return FResult;
  }

 private:
  TFilterNodePtr FOperand;
  TFilterValue FResult;
};

// The 1-based Copy of a text, as a view: a start below 1 counts from the
// first character, a negative count gives nothing.
std::string_view SubText(std::string_view s, std::int64_t from, std::int64_t count) {
  const std::int64_t start = std::max<std::int64_t>(from, 1) - 1;
  const auto size = static_cast<std::int64_t>(s.size());
  if (start >= size || count <= 0) return {};
  return s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(std::min(count, size - start)));
}

class TFunctionNode final : public TFilterNode {
 public:
  TFunctionNode(TFilterFunction function, std::vector<TFilterNodePtr> arguments)
      : FFunction(function), FArguments(std::move(arguments)) {}

  const TFilterValue& Eval(TFilterEvalContext& context) override {
    switch (FFunction) {
      case TFilterFunction::GetDate:
        FResult.SetDate(Now());
        return FResult;
      case TFilterFunction::Time:
        // Known to the parser, never implemented by the evaluator.
        throw EDatabaseError("Expression expected but TIME found");
      case TFilterFunction::Substring:
        return Substring(context);
      case TFilterFunction::Date:
        if (FArguments.size() == 2) return DateFromText(context);
        break;
      default:
        break;
    }
    const TFilterValue& a = FArguments[0]->Eval(context);
    if (a.IsNull()) {
      FResult.SetNull();
      return FResult;
    }
    switch (FFunction) {
      case TFilterFunction::Year:
      case TFilterFunction::Month:
      case TFilterFunction::Day: {
        int year = 0, month = 0, day = 0;
        DecodeDate(FilterDateTime(a), year, month, day);
        FResult.SetInteger(FFunction == TFilterFunction::Year    ? year
                           : FFunction == TFilterFunction::Month ? month
                                                                 : day);
        break;
      }
      case TFilterFunction::Hour:
      case TFilterFunction::Minute:
      case TFilterFunction::Second: {
        int hour = 0, minute = 0, second = 0, msec = 0;
        DecodeTime(FilterDateTime(a), hour, minute, second, msec);
        FResult.SetInteger(FFunction == TFilterFunction::Hour     ? hour
                           : FFunction == TFilterFunction::Minute ? minute
                                                                  : second);
        break;
      }
      case TFilterFunction::Date:
        // The whole day number; a date text it is compared with was read as
        // a date when the expression was compiled, so it compares as that
        // day. Through Variant so that a day beyond 64 bits raises.
        FResult.SetInteger(Variant(std::trunc(FilterDateTime(a))).AsInt64());
        break;
      case TFilterFunction::Upper:
      case TFilterFunction::Lower: {
        std::string& out = FResult.StartString();
        FilterValueText(a, out);
        if (FFunction == TFilterFunction::Upper)
          UpperInPlace(out);
        else
          LowerInPlace(out);
        break;
      }
      case TFilterFunction::Trim:
      case TFilterFunction::TrimLeft:
      case TFilterFunction::TrimRight: {
        std::string_view s = TextOf(a, FBuffer);
        if (FFunction != TFilterFunction::TrimRight)
          while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
        if (FFunction != TFilterFunction::TrimLeft)
          while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
        FResult.SetString(s);
        break;
      }
      default:
        IncorrectlyFormed();
    }
    return FResult;
  }

 private:
  // SUBSTRING(s, from, count), or SUBSTRING(s, 'from,count'); without a
  // count, the rest of s.
  const TFilterValue& Substring(TFilterEvalContext& context) {
    const TFilterValue& s = FArguments[0]->Eval(context);
    const TFilterValue& from = FArguments[1]->Eval(context);
    const TFilterValue* count = FArguments.size() > 2 ? &FArguments[2]->Eval(context) : nullptr;
    if (s.IsNull() || from.IsNull() || (count && count->IsNull())) {
      FResult.SetNull();
      return FResult;
    }
    std::int64_t first = 0;
    std::int64_t length = INT64_MAX;
    if (from.IsNumber()) {
      first = FilterInteger(from);
      if (count) length = FilterInteger(*count);
    } else {
      const std::string_view spec = TextOf(from, FBuffer);
      const std::size_t comma = spec.find(',');
      first = StrToInt64(Trim(spec.substr(0, comma)));
      if (comma != std::string_view::npos) length = StrToInt64(Trim(spec.substr(comma + 1)));
    }
    const std::string_view text = TextOf(s, FBuffer);
    FResult.SetString(SubText(text, first, length));
    return FResult;
  }

  // DATE(format, text): the creator's converter reads text in format.
  const TFilterValue& DateFromText(TFilterEvalContext& context) {
    const TFilterValue& format = FArguments[0]->Eval(context);
    const TFilterValue& text = FArguments[1]->Eval(context);
    if (format.IsNull() || text.IsNull()) {
      FResult.SetNull();
      return FResult;
    }
    const TFilterDateConverter convert = context.Options().DateFromText;
    if (!convert) IncorrectlyFormed();
    const std::string_view f = TextOf(format, FBuffer);
    const std::string_view t = TextOf(text, FBuffer2);
    FResult.SetDate(convert(t, f));
    return FResult;
  }

  TFilterFunction FFunction;
  std::vector<TFilterNodePtr> FArguments;
  std::string FBuffer, FBuffer2;
  TFilterValue FResult;
};

}  // namespace

TFilterNodePtr MakeConstantNode(const TFilterValue& value) { return std::make_unique<TConstantNode>(value); }
TFilterNodePtr MakeFieldNode(int slot) { return std::make_unique<TFieldNode>(slot); }
TFilterNodePtr MakeBlankTestNode(TFilterNodePtr operand, bool blank) {
  return std::make_unique<TBlankTestNode>(std::move(operand), blank);
}
TFilterNodePtr MakeNotNode(TFilterNodePtr operand) { return std::make_unique<TNotNode>(std::move(operand)); }
TFilterNodePtr MakeLogicalNode(bool isAnd, std::vector<TFilterNodePtr> operands) {
  return std::make_unique<TLogicalNode>(isAnd, std::move(operands));
}
TFilterNodePtr MakeComparisonNode(TFilterComparison op, TFilterNodePtr left, TFilterNodePtr right,
                                  bool ignoreCase, int partialLength) {
  return std::make_unique<TComparisonNode>(op, std::move(left), std::move(right), ignoreCase, partialLength);
}
TFilterNodePtr MakeLikeNode(TFilterNodePtr text, TFilterNodePtr pattern, bool ignoreCase) {
  return std::make_unique<TLikeNode>(std::move(text), std::move(pattern), ignoreCase);
}
TFilterNodePtr MakeInNode(TFilterNodePtr value, std::vector<TFilterNodePtr> list, bool ignoreCase) {
  return std::make_unique<TInNode>(std::move(value), std::move(list), ignoreCase);
}
TFilterNodePtr MakeArithmeticNode(TFilterArithmetic op, TFilterNodePtr left, TFilterNodePtr right) {
  return std::make_unique<TArithmeticNode>(op, std::move(left), std::move(right));
}
TFilterNodePtr MakeNegateNode(TFilterNodePtr operand) {
  return std::make_unique<TNegateNode>(std::move(operand));
}
TFilterNodePtr MakeFunctionNode(TFilterFunction function, std::vector<TFilterNodePtr> arguments) {
  return std::make_unique<TFunctionNode>(function, std::move(arguments));
}
