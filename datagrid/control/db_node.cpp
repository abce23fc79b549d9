#include "datagrid/control/db_node.h"

#include "datagrid/grid/db_grid.h"

TdxDBTreeListControlNode::TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner) : TdxTreeListTextNode(owner) {}

TdxDBTreeListControlNode::~TdxDBTreeListControlNode() = default;

const TdxDBNodeValue& TdxDBTreeListControlNode::ValueRecord(int columnIndex) const {
  static const TdxDBNodeValue empty;
  if (columnIndex < 0 || columnIndex >= Strings().Count() || columnIndex >= static_cast<int>(FValues.size()))
    return empty;
  const auto& value = FValues[static_cast<std::size_t>(columnIndex)];
  return value ? *value : empty;
}

void TdxDBTreeListControlNode::GrowTo(int columnIndex) {
  while (Strings().Count() <= columnIndex) Strings().Add(std::string());
  if (static_cast<int>(FValues.size()) <= columnIndex) FValues.resize(static_cast<std::size_t>(columnIndex) + 1);
}

void TdxDBTreeListControlNode::SetValueRecord(int columnIndex, TdxDBNodeValue value) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  auto& slot = FValues[static_cast<std::size_t>(columnIndex)];
  if (slot)
    *slot = std::move(value);
  else
    slot = std::make_unique<TdxDBNodeValue>(std::move(value));
}

void TdxDBTreeListControlNode::SetCell(int columnIndex, std::string text, TdxDBNodeValue value, bool keepValue) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  Strings().SetStrings(columnIndex, std::move(text));
  auto& slot = FValues[static_cast<std::size_t>(columnIndex)];
  if (keepValue) {
    if (slot)
      *slot = std::move(value);
    else
      slot = std::make_unique<TdxDBNodeValue>(std::move(value));
  } else {
    slot.reset();
  }
}

void TdxDBTreeListControlNode::DropColumn(int columnIndex) {
  if (columnIndex >= 0) {
    if (columnIndex < static_cast<int>(FValues.size()))
      FValues.erase(FValues.begin() + columnIndex);
    if (columnIndex < Strings().Count()) Strings().Delete(columnIndex);
  }
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TdxDBTreeListControlNode*>(Items(i))) child->DropColumn(columnIndex);
}

TdxDBGridNode::TdxDBGridNode(TdxTreeListNodeOwner* owner) : TdxDBTreeListControlNode(owner) {}

TdxDBGridNode::~TdxDBGridNode() = default;

void TdxDBGridNode::DeleteRecord() {
  if (auto* grid = dynamic_cast<TCustomdxDBGrid*>(Owner())) grid->DeleteNodeRecord(this);
}
