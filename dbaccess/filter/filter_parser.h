#pragma once
// The parser of filter expressions: text in, a tree of filter nodes and the
// list of fields it names out. The language is described in
// filter_expression.h. Internal to the filter evaluator.

#include <string_view>
#include <vector>

#include "dbaccess/filter/filter_expression.h"
#include "dbaccess/filter/filter_nodes.h"

struct TFilterParseResult {
  TFilterNodePtr Root;
  // Every field the text names, once each, resolved through the source;
  // field nodes refer to them by position.
  std::vector<TFilterFieldSlot> Fields;
};

// Raises EDatabaseError for a mistake in the text, a type mismatch, a text
// nested too deeply, or a field the source lacks or cannot test.
TFilterParseResult ParseFilterExpression(std::string_view text, const TFilterExpressionOptions& options,
                                         TFilterRecordSource& source);
