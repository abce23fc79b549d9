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

// The node keeps its texts and values itself, in plain vectors rather than
// in a string list: a grid holds one node per record, and for a large
// listing the node's size and the time to fill it are most of what the grid
// adds to the dataset's own cost.
class TdxDBTreeListControlNode : public TdxTreeListNode {
 public:
  explicit TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner);
  ~TdxDBTreeListControlNode() override;

  int TextCount() const noexcept { return static_cast<int>(FTexts.size()); }
  // Empty beyond the texts.
  const std::string& Text(int columnIndex) const noexcept;
  // Grows the texts with empty ones up to the column.
  void SetText(int columnIndex, std::string text);

  // The record stored for the column; an all-empty one for a column beyond
  // the texts or never stored.
  TdxDBNodeValue ValueRecord(int columnIndex) const;
  // The kept value of the column; nil when none is kept.
  const Variant* HeldValue(int columnIndex) const noexcept;
  // Asks the processor for the column's kept value ahead of its use: a
  // pass over a million nodes (totals) waits on memory, not on work.
  void PrefetchValue(int columnIndex) const noexcept {
    if (columnIndex >= 0 && static_cast<std::size_t>(columnIndex) < FValues.size())
      __builtin_prefetch(FValues.data() + columnIndex);
  }
  // Stores the record, first growing the texts with empty ones up to the
  // column.
  void SetValueRecord(int columnIndex, TdxDBNodeValue value);
  // Text and record of a column at once (the load of one cell); without
  // keepValue the column holds its text only.
  void SetCell(int columnIndex, std::string text, TdxDBNodeValue value, bool keepValue);
  // Room for the texts of a row, made once before its cells are loaded.
  void ReserveTexts(int count) { FTexts.reserve(static_cast<std::size_t>(count)); }
  // Room for the kept values of a row, made once before its cells are
  // loaded: as many as the columns whose fields keep theirs always.
  void ReserveValues(int count) { FValues.reserve(static_cast<std::size_t>(count)); }
  // A cell's value beside its text (a loaded cell's fast path).
  void KeepValue(int columnIndex, Variant value);
  // The column's text and record leave this node and its whole subtree.
  void DropColumn(int columnIndex);

  const Variant& Key() const noexcept { return FKey; }
  void SetKey(Variant key) { FKey = std::move(key); }
  const std::string& PreviewText() const noexcept { return FPreviewText; }
  void SetPreviewText(std::string text) { FPreviewText = std::move(text); }

 private:
  void GrowTo(int columnIndex);

  std::vector<std::string> FTexts;
  // Per column: the field's value, Empty where none is kept; only as long
  // as the last column that keeps one.
  std::vector<Variant> FValues;
  // Kept Nulls of the first 64 columns, as bits rather than value slots:
  // a Null in a text column would otherwise widen the row's values.
  std::uint64_t FNulls = 0;
  static constexpr std::size_t NullBits = 64;
  bool NullBit(std::size_t index) const noexcept { return index < NullBits && ((FNulls >> index) & 1U) != 0; }
  void ClearNullBit(std::size_t index) noexcept {
    if (index < NullBits) FNulls &= ~(std::uint64_t{1} << index);
  }
  // Lookup fields' key values, per column (rare: made on first use).
  std::unique_ptr<std::vector<Variant>> FLookupKeys;
  Variant FKey = Variant::Null();
  std::string FPreviewText;
};

// A record's node carries only its record index beside its cells; what
// group rows and the partial window need (grouping value, summaries,
// bookmark) lives in a part made on first use, so a million record nodes do
// not each pay for it.
class TdxDBGridNode : public TdxDBTreeListControlNode {
 public:
  explicit TdxDBGridNode(TdxTreeListNodeOwner* owner);
  ~TdxDBGridNode() override;

  // A total being made: the value, whether a first value was stored, and
  // how many values were taken (an average divides by it).
  struct TSummarySlot {
    long double Value = 0;
    bool Assigned = false;
    int Count = 0;
  };

  const Variant& GroupValue() const noexcept;
  void SetGroupValue(Variant value);
  long double SummaryValue() const noexcept { return FExtra ? FExtra->Summary.Value : 0; }
  void SetSummaryValue(long double value) { Extra().Summary.Value = value; }
  bool SummaryAssigned() const noexcept { return FExtra && FExtra->Summary.Assigned; }
  void SetSummaryAssigned(bool value) { Extra().Summary.Assigned = value; }
  // The group row's own total (value, assigned mark and count together).
  TSummarySlot& Summary() { return Extra().Summary; }
  int RecordIndex() const noexcept { return FRecordIndex; }
  void SetRecordIndex(int value) noexcept { FRecordIndex = value; }
  std::vector<TSummarySlot>& SummaryList() { return Extra().SummaryList; }
  void ClearSummaryList();
  // The record's bookmark where the grid keeps one; empty otherwise.
  const TBookmark& Bookmark() const noexcept;
  void SetBookmark(TBookmark bookmark);

  // Deletes the node's record from the dataset (the grid decides how).
  void DeleteRecord();

 private:
  struct TExtra {
    Variant GroupValue = Variant::Null();
    TSummarySlot Summary;
    std::vector<TSummarySlot> SummaryList;
    TBookmark Bookmark;
  };
  TExtra& Extra();

  int FRecordIndex = 0;
  std::unique_ptr<TExtra> FExtra;
};
