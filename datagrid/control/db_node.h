#pragma once
// The nodes of the dataset-bound tree list. A TdxDBTreeListControlNode is a
// text node (one display text per column) that keeps, beside each text, an
// optional typed record of the field's value (and a lookup field's key
// values), the record's key and its preview text. TdxDBGridNode adds what
// the data-aware grid needs: the record's position when it was loaded, a
// group row's grouping value and its summaries, and the bookmark of the
// record where the grid keeps one (the partial window).
//
// Nodes are made only by the tree list's node factory and owned by the tree
// like every node; a value record is allocated the first time one is
// stored for a column and goes with the node.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "datagrid/forward.h"
#include "framework/core/base/variant.h"
#include "framework/core/data/dataset_types.h"
#include "grid/nodes/tree_list_node.h"

// The typed value beside a cell text.
struct TdxDBNodeValue {
  static constexpr std::uint8_t HasValue = 1;
  static constexpr std::uint8_t HasLookupKey = 2;
  std::uint8_t Flags = 0;
  Variant Value = Variant::Null();
  Variant LookupKey = Variant::Null();
};

class TdxDBTreeListControlNode : public TdxTreeListTextNode {
 public:
  explicit TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner);
  ~TdxDBTreeListControlNode() override;

  // The record stored for the column; an all-empty one for a column beyond
  // the texts or never stored.
  const TdxDBNodeValue& ValueRecord(int columnIndex) const;
  // Stores the record, first growing the texts with empty ones up to the
  // column.
  void SetValueRecord(int columnIndex, TdxDBNodeValue value);
  // Text and record of a column at once (the load of one cell).
  void SetCell(int columnIndex, std::string text, TdxDBNodeValue value, bool keepValue);
  // The column's text and record leave this node and its whole subtree.
  void DropColumn(int columnIndex);

  const Variant& Key() const noexcept { return FKey; }
  void SetKey(Variant key) { FKey = std::move(key); }
  const std::string& PreviewText() const noexcept { return FPreviewText; }
  void SetPreviewText(std::string text) { FPreviewText = std::move(text); }

 private:
  void GrowTo(int columnIndex);

  std::vector<std::unique_ptr<TdxDBNodeValue>> FValues;
  Variant FKey = Variant::Null();
  std::string FPreviewText;
};

class TdxDBGridNode : public TdxDBTreeListControlNode {
 public:
  explicit TdxDBGridNode(TdxTreeListNodeOwner* owner);
  ~TdxDBGridNode() override;

  const Variant& GroupValue() const noexcept { return FGroupValue; }
  void SetGroupValue(Variant value) { FGroupValue = std::move(value); }
  long double SummaryValue() const noexcept { return FSummaryValue; }
  void SetSummaryValue(long double value) noexcept { FSummaryValue = value; }
  bool SummaryAssigned() const noexcept { return FSummaryAssigned; }
  void SetSummaryAssigned(bool value) noexcept { FSummaryAssigned = value; }
  int RecordIndex() const noexcept { return FRecordIndex; }
  void SetRecordIndex(int value) noexcept { FRecordIndex = value; }
  // One slot per summary item of a group row; made on first use.
  struct TSummarySlot {
    long double Value = 0;
    bool Assigned = false;
  };
  std::vector<TSummarySlot>& SummaryList() { return FSummaryList; }
  void ClearSummaryList() { FSummaryList.clear(); FSummaryList.shrink_to_fit(); }
  // The record's bookmark where the grid keeps one; empty otherwise.
  const TBookmark& Bookmark() const noexcept { return FBookmark; }
  void SetBookmark(TBookmark bookmark) { FBookmark = std::move(bookmark); }

  // Deletes the node's record from the dataset (the grid decides how).
  void DeleteRecord();

 private:
  Variant FGroupValue = Variant::Null();
  long double FSummaryValue = 0;
  bool FSummaryAssigned = false;
  int FRecordIndex = 0;
  std::vector<TSummarySlot> FSummaryList;
  TBookmark FBookmark;
};
