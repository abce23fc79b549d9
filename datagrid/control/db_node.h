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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datagrid/control/node_cells.h"
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

// The node keeps its cells itself, packed by kind in one block
// (TdxNodeCells) rather than in a string list of texts with a variant
// record beside each: a grid holds one node per record, and for a large
// listing the node's size and the time to fill it are most of what the
// grid adds to the dataset's own cost.
class TdxDBTreeListControlNode : public TdxTreeListNode {
 public:
  explicit TdxDBTreeListControlNode(TdxTreeListNodeOwner* owner);
  ~TdxDBTreeListControlNode() override;

  int TextCount() const noexcept { return FCells.Count(); }
  // Empty beyond the texts.
  std::string_view Text(int columnIndex) const noexcept { return FCells.Text(columnIndex); }
  // Grows the texts with empty ones up to the column.
  void SetText(int columnIndex, std::string_view text) { FCells.SetText(columnIndex, text); }

  // The record stored for the column; an all-empty one for a column beyond
  // the texts or never stored.
  TdxDBNodeValue ValueRecord(int columnIndex) const;
  // The kept value of the column; none when none is kept.
  std::optional<Variant> HeldValue(int columnIndex) const { return FCells.Value(columnIndex); }
  bool HoldsValue(int columnIndex) const noexcept { return FCells.HasValue(columnIndex); }
  // True, with the text, when the column keeps no value beside it.
  bool PlainText(int columnIndex, std::string_view& text) const noexcept {
    return FCells.PlainText(columnIndex, text);
  }
  // The kept value as a summary number (see TdxNodeCells::SummaryNumber).
  bool HeldSummaryNumber(int columnIndex, std::optional<long double>& number) const {
    return FCells.SummaryNumber(columnIndex, number);
  }
  // The packed cells, for passes that read many records at once.
  const TdxNodeCells& Cells() const noexcept { return FCells; }
  // Asks the processor for the kept values ahead of their use: a pass over
  // a million nodes (totals) waits on memory, not on work.
  void PrefetchValue(int /*columnIndex*/) const noexcept { FCells.Prefetch(); }
  // Stores the record, first growing the texts with empty ones up to the
  // column.
  void SetValueRecord(int columnIndex, TdxDBNodeValue value);
  // Text and record of a column at once; without keepValue the column
  // holds its text only.
  void SetCell(int columnIndex, std::string_view text, TdxDBNodeValue value, bool keepValue);
  // A cell's value beside its text (a loaded cell's fast path).
  void KeepValue(int columnIndex, const Variant& value) { FCells.SetValue(columnIndex, &value); }
  // The column's text and record leave this node and its whole subtree.
  void DropColumn(int columnIndex);

  Variant Key() const { return FCells.Key(); }
  void SetKey(const Variant& key) { FCells.SetKey(key); }
  // The key is the value the column keeps (the key field shown in a
  // column); false when it keeps none.
  bool SetKeyFromColumn(int columnIndex) { return FCells.SetKeyFromColumn(columnIndex); }
  std::string_view PreviewText() const noexcept { return FCells.Preview(); }
  void SetPreviewText(std::string_view text) { FCells.SetPreview(text); }

  // A record's cells are loaded one by one inside this scope and packed
  // once when it closes.
  class TLoadScope {
   public:
    explicit TLoadScope(TdxDBTreeListControlNode& node) : FNode(node) { node.FCells.BeginBuild(); }
    ~TLoadScope() { FNode.FCells.EndBuild(); }
    TLoadScope(const TLoadScope&) = delete;
    TLoadScope& operator=(const TLoadScope&) = delete;

   private:
    TdxDBTreeListControlNode& FNode;
  };

  // Heap bytes of the packed cells (tests of the packing).
  std::size_t CellBytes() const noexcept { return FCells.BlockBytes(); }

 private:
  TdxNodeCells FCells;
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
