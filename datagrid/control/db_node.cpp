#include "datagrid/control/db_node.h"

#include <algorithm>

#include "datagrid/control/db_tree_list_control.h"

TdxDBTreeListControlNode::TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner) : TdxTreeListNode(owner) {}

TdxDBTreeListControlNode::~TdxDBTreeListControlNode() = default;

TdxDBNodeValue TdxDBTreeListControlNode::ValueRecord(int columnIndex) const {
  TdxDBNodeValue record;
  if (columnIndex < 0 || columnIndex >= TextCount()) return record;
  if (std::optional<Variant> value = FCells.Value(columnIndex)) {
    record.Flags |= TdxDBNodeValue::HasValue;
    record.Value = std::move(*value);
  }
  if (std::optional<Variant> key = FCells.LookupKey(columnIndex)) {
    record.Flags |= TdxDBNodeValue::HasLookupKey;
    record.LookupKey = std::move(*key);
  }
  return record;
}

void TdxDBTreeListControlNode::SetValueRecord(int columnIndex, TdxDBNodeValue value) {
  if (columnIndex < 0) return;
  const bool hasValue = (value.Flags & TdxDBNodeValue::HasValue) != 0;
  const bool hasKey = (value.Flags & TdxDBNodeValue::HasLookupKey) != 0;
  FCells.SetValue(columnIndex, hasValue ? &value.Value : nullptr);
  FCells.SetLookupKey(columnIndex, hasKey ? &value.LookupKey : nullptr);
}

void TdxDBTreeListControlNode::SetCell(int columnIndex, std::string_view text, TdxDBNodeValue value, bool keepValue) {
  if (columnIndex < 0) return;
  FCells.SetText(columnIndex, text);
  if (!keepValue) value = TdxDBNodeValue();
  SetValueRecord(columnIndex, std::move(value));
}

void TdxDBTreeListControlNode::DropColumn(int columnIndex) {
  FCells.DropColumn(columnIndex);
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TdxDBTreeListControlNode*>(Items(i))) child->DropColumn(columnIndex);
}

TdxDBGridNode::TdxDBGridNode(TdxTreeListNodeOwner* owner) : TdxDBTreeListControlNode(owner) {}

TdxDBGridNode::TExtra& TdxDBGridNode::Extra() {
  if (!FExtra) FExtra = std::make_unique<TExtra>();
  return *FExtra;
}

const Variant& TdxDBGridNode::GroupValue() const noexcept {
  static const Variant null = Variant::Null();
  return FExtra ? FExtra->GroupValue : null;
}

void TdxDBGridNode::SetGroupValue(Variant value) {
  if (!FExtra && value.IsNull()) return;
  Extra().GroupValue = std::move(value);
}

void TdxDBGridNode::ClearSummaryList() {
  if (!FExtra) return;
  FExtra->SummaryList.clear();
  FExtra->SummaryList.shrink_to_fit();
}

const TBookmark& TdxDBGridNode::Bookmark() const noexcept {
  static const TBookmark none;
  return FExtra ? FExtra->Bookmark : none;
}

void TdxDBGridNode::SetBookmark(TBookmark bookmark) {
  if (!FExtra && bookmark.empty()) return;
  Extra().Bookmark = std::move(bookmark);
}

TdxDBGridNode::~TdxDBGridNode() = default;

void TdxDBGridNode::DeleteRecord() {
  if (auto* control = dynamic_cast<TCustomdxDBTreeListControl*>(Owner())) control->DeleteNodeRecord(this);
}
