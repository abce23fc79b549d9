#include "datagrid/control/db_node.h"

#include <algorithm>

#include "datagrid/control/db_tree_list_control.h"

TdxDBTreeListControlNode::TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner) : TdxTreeListNode(owner) {}

TdxDBTreeListControlNode::~TdxDBTreeListControlNode() = default;

const std::string& TdxDBTreeListControlNode::Text(int columnIndex) const noexcept {
  static const std::string empty;
  if (columnIndex < 0 || columnIndex >= TextCount()) return empty;
  return FTexts[static_cast<std::size_t>(columnIndex)];
}

void TdxDBTreeListControlNode::SetText(int columnIndex, std::string text) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  FTexts[static_cast<std::size_t>(columnIndex)] = std::move(text);
}

TdxDBNodeValue TdxDBTreeListControlNode::ValueRecord(int columnIndex) const {
  TdxDBNodeValue record;
  if (columnIndex < 0 || columnIndex >= TextCount()) return record;
  const auto index = static_cast<std::size_t>(columnIndex);
  if (NullBit(index)) {
    record.Flags |= TdxDBNodeValue::HasValue;
    record.Value = Variant::Null();
  } else if (index < FValues.size() && !FValues[index].IsEmpty()) {
    record.Flags |= TdxDBNodeValue::HasValue;
    record.Value = FValues[index];
  }
  if (FLookupKeys && index < FLookupKeys->size() && !(*FLookupKeys)[index].IsEmpty()) {
    record.Flags |= TdxDBNodeValue::HasLookupKey;
    record.LookupKey = (*FLookupKeys)[index];
  }
  return record;
}

const Variant* TdxDBTreeListControlNode::HeldValue(int columnIndex) const noexcept {
  static const Variant null = Variant::Null();
  if (columnIndex < 0 || columnIndex >= TextCount()) return nullptr;
  if (NullBit(static_cast<std::size_t>(columnIndex))) return &null;
  if (static_cast<std::size_t>(columnIndex) >= FValues.size()) return nullptr;
  const Variant& value = FValues[static_cast<std::size_t>(columnIndex)];
  return value.IsEmpty() ? nullptr : &value;
}

void TdxDBTreeListControlNode::GrowTo(int columnIndex) {
  if (TextCount() <= columnIndex) FTexts.resize(static_cast<std::size_t>(columnIndex) + 1);
}

void TdxDBTreeListControlNode::SetValueRecord(int columnIndex, TdxDBNodeValue value) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  const auto index = static_cast<std::size_t>(columnIndex);
  const bool hasValue = (value.Flags & TdxDBNodeValue::HasValue) != 0;
  const bool hasKey = (value.Flags & TdxDBNodeValue::HasLookupKey) != 0;
  ClearNullBit(index);
  if (hasValue || index < FValues.size()) {
    if (FValues.size() <= index) FValues.resize(index + 1);
    // A kept Null stays distinguishable from "nothing kept".
    FValues[index] = hasValue ? std::move(value.Value) : Variant();
    if (hasValue && FValues[index].IsEmpty()) FValues[index] = Variant::Null();
  }
  if (hasKey || (FLookupKeys && index < FLookupKeys->size())) {
    if (!FLookupKeys) FLookupKeys = std::make_unique<std::vector<Variant>>();
    if (FLookupKeys->size() <= index) FLookupKeys->resize(index + 1);
    (*FLookupKeys)[index] = hasKey ? std::move(value.LookupKey) : Variant();
    if (hasKey && (*FLookupKeys)[index].IsEmpty()) (*FLookupKeys)[index] = Variant::Null();
  }
}

void TdxDBTreeListControlNode::SetCell(int columnIndex, std::string text, TdxDBNodeValue value, bool keepValue) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  FTexts[static_cast<std::size_t>(columnIndex)] = std::move(text);
  if (!keepValue) value = TdxDBNodeValue();
  SetValueRecord(columnIndex, std::move(value));
}

void TdxDBTreeListControlNode::DropColumn(int columnIndex) {
  if (columnIndex >= 0) {
    const auto index = static_cast<std::size_t>(columnIndex);
    if (index < FTexts.size()) FTexts.erase(FTexts.begin() + columnIndex);
    if (index < FValues.size()) FValues.erase(FValues.begin() + columnIndex);
    if (index < NullBits) {
      // The bits above the column move down one place.
      const std::uint64_t below = FNulls & ((std::uint64_t{1} << index) - 1);
      const std::uint64_t above = index + 1 < NullBits ? (FNulls >> (index + 1)) << index : 0;
      FNulls = below | above;
    }
    if (FLookupKeys && index < FLookupKeys->size()) FLookupKeys->erase(FLookupKeys->begin() + columnIndex);
  }
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TdxDBTreeListControlNode*>(Items(i))) child->DropColumn(columnIndex);
}

void TdxDBTreeListControlNode::KeepValue(int columnIndex, Variant value) {
  if (columnIndex < 0) return;
  GrowTo(columnIndex);
  const auto index = static_cast<std::size_t>(columnIndex);
  if ((value.IsNull() || value.IsEmpty()) && index < NullBits) {
    if (index < FValues.size()) FValues[index] = Variant();
    FNulls |= std::uint64_t{1} << index;
    return;
  }
  ClearNullBit(index);
  // Beyond the room the loader made, the whole row's width at once.
  if (FValues.capacity() <= index) FValues.reserve(std::max(FTexts.capacity(), index + 1));
  if (FValues.size() <= index) FValues.resize(index + 1);
  FValues[index] = value.IsEmpty() ? Variant::Null() : std::move(value);
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
