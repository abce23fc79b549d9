#pragma once
// The filter criteria bound to a data-aware grid: each leaf belongs to a
// grid column (its key is the column's component name), reads its row value
// from the column's cell of the node being tested, shows the column's
// caption, and names the column's field in the dataset expression.
//
// A lookup column is filtered by its key: the row value is the node's
// lookup key and the expression names the key field, so the condition means
// the same in the grid and in the dataset, whatever texts the lookup shows.
//
// Owned by the grid's filter object (TdxDBGridFilter); the grid outlives it.

#include <memory>
#include <string>

#include "datagrid/criteria/criteria.h"
#include "datagrid/forward.h"
#include "grid/forward.h"

class TdxDBGridCriteriaItem : public TdxCriteriaItem {
 public:
  using TdxCriteriaItem::TdxCriteriaItem;

  // Resolved from the key by the criteria's Changed; nil when none.
  TdxDBTreeListColumn* Column() const { return FColumn; }
  void SetColumn(TdxDBTreeListColumn* column) { FColumn = column; }

  std::string Caption() const override;
  // Row: the grid's node (const TdxTreeListNode*).
  Variant RowValue(TdxCriteriaRow row) const override;
  std::string ExpressionName() const override;

 private:
  TdxDBTreeListColumn* FColumn = nullptr;
};

class TdxDBGridCriteria : public TdxCriteria {
 public:
  explicit TdxDBGridCriteria(TCustomdxDBGrid* grid) : FGrid(grid) {}

  TCustomdxDBGrid* Grid() const { return FGrid; }
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool value) { FCaseInsensitive = value; }

  // --- A column's conditions, by the column's name
  TdxCriteriaItem* ColumnItem(const TdxTreeListColumn* column) const;
  // The column has a condition other than one equality in the root (what
  // the drop-down shows as one value).
  bool HasCustomFilter(const TdxTreeListColumn* column) const;
  void RemoveColumn(const TdxTreeListColumn* column);
  // Adds to list (the root when nil).
  TdxCriteriaItem* AddColumnItem(TdxCriteriaItemList* list, const TdxTreeListColumn* column, bool negated,
                                 const std::string& displayText, const Variant& value, int operatorCode);
  // Runs the custom filter dialog on the column; true when confirmed.
  bool EditColumnFilter(TdxDBTreeListColumn* column);

  // Binds every leaf to its column again.
  void Changed() override;
  // Currency as double; strings upper-cased when case does not matter.
  Variant ConvertValue(const Variant& value) const override;

 protected:
  std::unique_ptr<TdxCriteriaItem> CreateItem(TdxCriteriaItemList* parent) override;

 private:
  TCustomdxDBGrid* FGrid;
  bool FCaseInsensitive = false;
};

// The value a column's cell holds for filtering: a lookup column's key, else
// the grid's cell value. Null without a node or column.
Variant dxFilterCellValue(const TCustomdxDBGrid& grid, const TdxDBTreeListColumn& column,
                          const TdxTreeListNode* node);
