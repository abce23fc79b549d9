#pragma once
// TExpressionParser: a dataset's Filter text compiled against the dataset's
// fields, answering for the current record whether it passes. The dataset
// builds one when Filter or FilterOptions change on an open dataset, or when
// it opens, holds it in a std::unique_ptr, and asks Accepts for each record
// it would show (in its filtering state, so that the fields read the record
// being tested). The language and its rules are TFilterExpression's
// (filter_expression.h); this class only maps the dataset's fields onto it.
//
// Fields are looked up by name once and then kept as pointers: the dataset
// calls ClearFieldCache before its fields are rebuilt or destroyed (when it
// closes), after which they are looked up again at the next record.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/filter/filter_expression.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/data/dataset_types.h"

class TDataSet;
class TField;
class Variant;

class TExpressionParser {
 public:
  // Compiles the trimmed text; raises EDatabaseError for a mistake in it, a
  // type mismatch, or a field the dataset lacks or cannot filter on (blobs,
  // raw bytes, calculated and lookup fields). The LIKE matcher and the
  // date converter default to the database layer's "%" matcher and
  // date-with-format reader.
  TExpressionParser(TDataSet& dataSet, std::string_view text, TFilterOptions options,
                    TFilterLikeMatcher like = MatchesPercent,
                    TFilterDateConverter dateFromText = StrToDateWithFormat);
  ~TExpressionParser();
  TExpressionParser(const TExpressionParser&) = delete;
  TExpressionParser& operator=(const TExpressionParser&) = delete;

  // The text as passed in, untrimmed, for the dataset to detect a change.
  const std::string& Text() const noexcept { return FText; }
  TFilterOptions Options() const noexcept { return FOptions; }

  // The expression's value for the current record.
  Variant Evaluate();
  // Whether the current record passes.
  bool Accepts();
  void ClearFieldCache() noexcept;

 private:
  // The dataset's fields as the expression sees them.
  class TFieldSource final : public TFilterRecordSource {
   public:
    explicit TFieldSource(TDataSet& dataSet) : FDataSet(dataSet) {}
    int FindField(std::string_view name) override;
    bool IsFilterable(int field) override;
    TFilterType FieldType(int field) override;
    void ReadField(int field, TFilterValue& value) override;
    void Clear() noexcept;

   private:
    struct TCachedField {
      TField* Field;
      bool Text;  // a string field: its value is read as raw characters
    };
    TDataSet& FDataSet;
    std::vector<TCachedField> FFields;
    // Raw bytes of text fields, read without allocating.
    std::vector<char> FBuffer;
  };

  std::string FText;
  TFilterOptions FOptions;
  TFieldSource FSource;
  std::unique_ptr<TFilterExpression> FExpression;
};
