#pragma once
// The compiled form of a filter expression: a tree of nodes that the parser
// (filter_parser.cpp) builds and TFilterExpression runs. Internal to the
// filter evaluator.
//
// Each node evaluates into a value it owns and returns a reference to it
// (or to a child's value, or to its constant), so a record is tested
// without copying values from node to node; buffers inside the values keep
// their capacity from one record to the next.

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/filter/filter_expression.h"
#include "dbaccess/filter/filter_value.h"

// What the nodes see while a record is evaluated.
class TFilterEvalContext {
 public:
  TFilterEvalContext(TFilterRecordSource& source, std::vector<TFilterFieldSlot>& fields,
                     const TFilterExpressionOptions& options)
      : FSource(source), FFields(fields), FOptions(options) {}

  // The current record's value of the field in that slot, looking the field
  // up first when its handle was forgotten.
  void ReadField(int slot, TFilterValue& value);
  const TFilterExpressionOptions& Options() const noexcept { return FOptions; }

 private:
  TFilterRecordSource& FSource;
  std::vector<TFilterFieldSlot>& FFields;
  const TFilterExpressionOptions& FOptions;
};

// Looks the slot's field up by name; raises EDatabaseError when the source
// has no such field or cannot test it.
void ResolveFilterField(TFilterRecordSource& source, TFilterFieldSlot& slot);

class TFilterNode {
 public:
  virtual ~TFilterNode() = default;
  virtual const TFilterValue& Eval(TFilterEvalContext& context) = 0;
  // The value of a constant node; nullptr for every other node.
  virtual const TFilterValue* ConstantValue() const noexcept { return nullptr; }
};

using TFilterNodePtr = std::unique_ptr<TFilterNode>;

enum class TFilterComparison { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual };

enum class TFilterFunction {
  GetDate,
  Year,
  Month,
  Day,
  Hour,
  Minute,
  Second,
  Date,
  Time,
  Upper,
  Lower,
  Substring,
  Trim,
  TrimLeft,
  TrimRight
};

TFilterNodePtr MakeConstantNode(const TFilterValue& value);
TFilterNodePtr MakeFieldNode(int slot);
// IS NULL (blank true) and IS NOT NULL (blank false).
TFilterNodePtr MakeBlankTestNode(TFilterNodePtr operand, bool blank);
TFilterNodePtr MakeNotNode(TFilterNodePtr operand);
// A chain of AND (isAnd) or of OR, evaluated from the first operand on and
// only as far as needed; one node however long the chain, so that a long
// chain does not make a deep tree.
TFilterNodePtr MakeLogicalNode(bool isAnd, std::vector<TFilterNodePtr> operands);
// partialLength > 0: = and <> compare only that many leading characters of
// two texts.
TFilterNodePtr MakeComparisonNode(TFilterComparison op, TFilterNodePtr left, TFilterNodePtr right,
                                  bool ignoreCase, int partialLength);
TFilterNodePtr MakeLikeNode(TFilterNodePtr text, TFilterNodePtr pattern, bool ignoreCase);
TFilterNodePtr MakeInNode(TFilterNodePtr value, std::vector<TFilterNodePtr> list, bool ignoreCase);
TFilterNodePtr MakeArithmeticNode(TFilterArithmetic op, TFilterNodePtr left, TFilterNodePtr right);
TFilterNodePtr MakeNegateNode(TFilterNodePtr operand);
// The arguments are as many as the parser allows for the function.
TFilterNodePtr MakeFunctionNode(TFilterFunction function, std::vector<TFilterNodePtr> arguments);
