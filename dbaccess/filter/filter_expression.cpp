#include "dbaccess/filter/filter_expression.h"

#include "dbaccess/filter/filter_nodes.h"
#include "dbaccess/filter/filter_parser.h"

TFilterExpression::TFilterExpression(TFilterRecordSource& source, std::string_view text,
                                     TFilterExpressionOptions options)
    : FSource(source), FText(text), FOptions(options) {
  TFilterParseResult parsed = ParseFilterExpression(text, FOptions);
  FRoot = std::move(parsed.Root);
  FFields = std::move(parsed.Fields);
  // Unknown fields are reported now, when the filter is set, rather than at
  // the first record.
  for (TFilterFieldSlot& slot : FFields) ResolveFilterField(FSource, slot);
}

TFilterExpression::~TFilterExpression() = default;

const TFilterValue& TFilterExpression::Evaluate() {
  TFilterEvalContext context(FSource, FFields, FOptions);
  return FRoot->Eval(context);
}

bool TFilterExpression::Accepts() { return FilterTruth(Evaluate()); }

void TFilterExpression::ClearFieldCache() noexcept {
  for (TFilterFieldSlot& slot : FFields) slot.Handle = -1;
}
