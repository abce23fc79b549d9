#include "dbaccess/filter/filter_expression.h"

#include "dbaccess/filter/filter_nodes.h"
#include "dbaccess/filter/filter_parser.h"

TFilterExpression::TFilterExpression(TFilterRecordSource& source, std::string_view text,
                                     TFilterExpressionOptions options)
    : FSource(source), FText(text), FOptions(options) {
  // Unknown fields are reported now, when the filter is set, rather than at
  // the first record.
  TFilterParseResult parsed = ParseFilterExpression(text, FOptions, FSource);
  FRoot = std::move(parsed.Root);
  FFields = std::move(parsed.Fields);
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
