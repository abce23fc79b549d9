#include "datagrid/filter/grid_criteria.h"

#include "datagrid/control/db_column.h"
#include "datagrid/control/db_node.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/data/dataset.h"
#include "framework/core/text/text.h"

Variant dxFilterCellValue(const TCustomdxDBGrid& grid, const TdxDBTreeListColumn& column,
                          const TdxTreeListNode* node) {
  if (node == nullptr) return Variant::Null();
  const int index = column.Index();
  const TField* field = column.Field();
  if (field != nullptr && field->IsLookupField() && !grid.IsBufferMode()) {
    if (const auto* dbNode = dynamic_cast<const TdxDBTreeListControlNode*>(node)) {
      TdxDBNodeValue record = dbNode->ValueRecord(index);
      if ((record.Flags & TdxDBNodeValue::HasLookupKey) != 0) return record.LookupKey;
      return Variant::Null();
    }
  }
  return grid.GetCellVariant(node, index);
}

std::string TdxDBGridCriteriaItem::Caption() const {
  return FColumn == nullptr ? std::string() : FColumn->Caption();
}

Variant TdxDBGridCriteriaItem::RowValue(TdxCriteriaRow row) const {
  if (FColumn == nullptr) return Variant::Null();
  const TCustomdxDBTreeListControl* control = FColumn->DBTreeList();
  const auto* grid = dynamic_cast<const TCustomdxDBGrid*>(control);
  if (grid == nullptr) return Variant::Null();
  return dxFilterCellValue(*grid, *FColumn, static_cast<const TdxTreeListNode*>(row));
}

std::string TdxDBGridCriteriaItem::ExpressionName() const {
  if (FColumn == nullptr || FColumn->Field() == nullptr) return {};
  const TField* field = FColumn->Field();
  // The field's name, never its origin: the dataset's filter names its own
  // fields, and an origin ("TABLE.COLUMN") is no name it knows.
  std::string name = field->FieldName();
  if (field->IsLookupField() && field->DataSet() != nullptr) {
    if (const TField* key = field->DataSet()->FindField(field->KeyFields())) name = key->FieldName();
  }
  return dxExpressionFieldName(name);
}

TdxCriteriaItem* TdxDBGridCriteria::ColumnItem(const TdxTreeListColumn* column) const {
  return column == nullptr ? nullptr : FindItem(column->Name());
}

bool TdxDBGridCriteria::HasCustomFilter(const TdxTreeListColumn* column) const {
  const TdxCriteriaItem* item = ColumnItem(column);
  if (item == nullptr) return false;
  // A negated equality is "does not equal": no single value stands for it.
  return !(item->OperatorCode() == ocEqual && !item->Negated() && item->Parent() == &Root());
}

void TdxDBGridCriteria::RemoveColumn(const TdxTreeListColumn* column) {
  if (column != nullptr) RemoveItems(column->Name());
}

TdxCriteriaItem* TdxDBGridCriteria::AddColumnItem(TdxCriteriaItemList* list, const TdxTreeListColumn* column,
                                                  bool negated, const std::string& displayText,
                                                  const Variant& value, int operatorCode) {
  if (list == nullptr) list = &Root();
  TdxCriteriaItem* item = list->AddItem(column->Name(), operatorCode, displayText, value);
  item->SetNegated(negated);
  return item;
}

namespace {
void BindList(const TCustomdxDBGrid* grid, TdxCriteriaItemList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    TdxCustomCriteriaItem* child = list.Items(i);
    if (child->IsList()) {
      BindList(grid, static_cast<TdxCriteriaItemList&>(*child));
    } else if (auto* item = dynamic_cast<TdxDBGridCriteriaItem*>(child)) {
      item->SetColumn(grid == nullptr ? nullptr
                                      : dynamic_cast<TdxDBTreeListColumn*>(grid->ColumnByName(item->Key())));
    }
  }
}
}  // namespace

void TdxDBGridCriteria::Changed() { BindList(FGrid, Root()); }

Variant TdxDBGridCriteria::ConvertValue(const Variant& value) const {
  if (value.VarType() == TVarType::Currency) return Variant(value.AsDouble());
  if (FCaseInsensitive) {
    if (const std::string* text = value.StringPtr()) return Variant(AnsiUpperCase(*text));
  }
  return value;
}

std::unique_ptr<TdxCriteriaItem> TdxDBGridCriteria::CreateItem(TdxCriteriaItemList* parent) {
  return std::make_unique<TdxDBGridCriteriaItem>(parent);
}
