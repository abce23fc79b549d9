#pragma once
// A criteria whose leaves read their row values from a map keyed by the
// item's key, as a grid's leaves read them from their column: enough to
// exercise evaluation, rendering and storage without a grid.

#include <map>
#include <memory>
#include <string>

#include "datagrid/criteria/criteria.h"
#include "framework/core/text/text.h"

using TTestRow = std::map<std::string, Variant>;

class TTestCriteriaItem : public TdxCriteriaItem {
 public:
  using TdxCriteriaItem::TdxCriteriaItem;

  Variant RowValue(TdxCriteriaRow row) const override {
    ++RowReads;
    const auto& values = *static_cast<const TTestRow*>(row);
    const auto it = values.find(Key());
    return it == values.end() ? Variant::Null() : it->second;
  }
  std::string Caption() const override { return "Column " + Key(); }
  std::string ExpressionName() const override { return dxExpressionFieldName(Key()); }
  void AfterLoad() override {
    ++AfterLoadCalls;
    NegatedAtLoad = Negated();
  }

  mutable int RowReads = 0;
  int AfterLoadCalls = 0;
  bool NegatedAtLoad = false;
};

// With CaseInsensitive set, string values are compared upper-cased by the
// code page's rules, both the row's and the condition's.
class TTestCriteria : public TdxCriteria {
 public:
  Variant ConvertValue(const Variant& value) const override {
    if (CaseInsensitive && VarIsStr(value)) return Variant(AnsiUpperCase(value.AsString()));
    return value;
  }

  bool CaseInsensitive = false;

 protected:
  std::unique_ptr<TdxCriteriaItem> CreateItem(TdxCriteriaItemList* parent) override {
    return std::make_unique<TTestCriteriaItem>(parent);
  }
};

inline TTestCriteriaItem& AsTestItem(TdxCustomCriteriaItem* node) {
  return dynamic_cast<TTestCriteriaItem&>(*node);
}
