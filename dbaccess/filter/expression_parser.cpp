#include "dbaccess/filter/expression_parser.h"

#include <cstring>

#include "framework/core/data/dataset.h"
#include "framework/core/data/fields.h"
#include "framework/core/text/text.h"
#include "framework/core/base/variant.h"

namespace {

TFilterExpressionOptions ExpressionOptions(TFilterOptions options, TFilterLikeMatcher like,
                                           TFilterDateConverter dateFromText) {
  TFilterExpressionOptions result;
  result.CaseInsensitive = options.Contains(foCaseInsensitive);
  result.PartialCompare = !options.Contains(foNoPartialCompare);
  result.Like = like;
  result.DateFromText = dateFromText;
  return result;
}

}  // namespace

int TExpressionParser::TFieldSource::FindField(std::string_view name) {
  // The dataset's own lookup, with its own message for a missing field.
  TField* field = FDataSet.FieldNamed(name);
  for (std::size_t i = 0; i < FFields.size(); ++i)
    if (FFields[i].Field == field) return static_cast<int>(i);
  FFields.push_back(TCachedField{field, dynamic_cast<const TStringField*>(field) != nullptr});
  return static_cast<int>(FFields.size() - 1);
}

bool TExpressionParser::TFieldSource::IsFilterable(int field) {
  const TField& f = *FFields[static_cast<std::size_t>(field)].Field;
  // A calculated or lookup field has no value in the record being tested:
  // it is worked out only for records that are shown.
  if (f.FieldKind() == fkCalculated || f.FieldKind() == fkLookup) return false;
  return FieldType(field) != TFilterType::Unknown;
}

TFilterType TExpressionParser::TFieldSource::FieldType(int field) {
  switch (FFields[static_cast<std::size_t>(field)].Field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return TFilterType::Text;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return TFilterType::Number;
    case ftBoolean:
      return TFilterType::Boolean;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TFilterType::Date;
    default:
      // Blobs, raw bytes and the rest cannot be tested.
      return TFilterType::Unknown;
  }
}

void TExpressionParser::TFieldSource::ReadField(int handle, TFilterValue& value) {
  const TCachedField& cached = FFields[static_cast<std::size_t>(handle)];
  const TField& field = *cached.Field;
  if (cached.Text) {
    // Straight from the record in the field's native form (zero-terminated
    // characters), into buffers that keep their size from record to record.
    FBuffer.resize(static_cast<std::size_t>(field.DataSize()) + 1);
    FBuffer.back() = '\0';
    if (!field.GetData(FBuffer.data())) {
      value.SetNull();
      return;
    }
    value.SetString(std::string_view(FBuffer.data(), std::strlen(FBuffer.data())));
    return;
  }
  value.Assign(field.AsVariant());
}

void TExpressionParser::TFieldSource::Clear() noexcept { FFields.clear(); }

TExpressionParser::TExpressionParser(TDataSet& dataSet, std::string_view text, TFilterOptions options,
                                     TFilterLikeMatcher like, TFilterDateConverter dateFromText)
    : FText(text), FOptions(options), FSource(dataSet) {
  FExpression = std::make_unique<TFilterExpression>(FSource, Trim(text),
                                                    ExpressionOptions(options, like, dateFromText));
}

TExpressionParser::~TExpressionParser() = default;

Variant TExpressionParser::Evaluate() { return FExpression->Evaluate().ToVariant(); }

bool TExpressionParser::Accepts() { return FExpression->Accepts(); }

void TExpressionParser::ClearFieldCache() noexcept {
  FExpression->ClearFieldCache();
  FSource.Clear();
}
