#pragma once
// Sorting sibling lists by column keys made once per node.
//
// TdxSortKeyTable holds the keys of one sibling list: each node's sort value
// for each key column, read once (the owner's GetSortValue) and kept in the
// cheapest form that still compares exactly as the comparers compare the
// variants (sort_comparers.h):
// - a column whose values are all of one kind of number (integer kinds,
//   currency, floats and dates, Booleans) holds one 64-bit word per node
//   whose unsigned order is the values' order;
// - a column of texts holds collation keys side by side in one byte arena;
// - any other column (kinds mixed, arrays) keeps its variants and compares
//   them by the comparer's own rule for two keys.
// Empty counts as the column's zero ("" for texts), as the variant's
// comparison has it; Nulls are flagged and come first. Each node also gets
// a head word from its first key, ordered as that key, that decides most
// comparisons without reading the table.
//
// TdxNodeSorter sorts one list, or a level of the tree, with such a table
// and the owner's CompareEqualNodes for nodes whose keys are all equal. It
// keeps its buffers from one list to the next. The order it gives is the
// one TdxNodeSortComparer gives over TdxNodeSortKeys records (SortNodeList
// with records): a long list is first put in the order of its head words
// (a stable radix sort), and only nodes with equal heads are compared. That
// is the same order wherever the comparisons make one; where a column of
// mixed kinds may compare a > b > c > a, the whole list goes through the
// records' merge sort with the same answers, so even then nothing differs.
// An OnCompare handler is asked directly, without keys.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/core/base/variant.h"
#include "grid/forward.h"
#include "grid/nodes/sort_comparers.h"

class TdxSortKeyTable {
 public:
  // Reads the keys of nodes for columns. textKeys: the comparer compares
  // keys as texts where either is one (its AnsiSort option); only columns
  // of mixed kinds feel it. When parents is given, the nodes that have
  // children are added to it on the way (each node is read once).
  void Build(const TdxTreeListNodeOwner& owner, std::span<TdxTreeListNode* const> nodes,
             std::span<const TdxSortColumn> columns, bool textKeys,
             std::vector<TdxTreeListNode*>* parents = nullptr);

  int RowCount() const noexcept { return static_cast<int>(FHeads.size()); }
  // When Head(a) < Head(b), row a sorts before row b.
  std::uint64_t Head(std::uint32_t row) const noexcept { return FHeads[row]; }

  // The first key past its head, for telling rows with equal heads apart
  // without the table: Null or not; for a text key the next eight bytes,
  // its length, and whether the head and these bytes hold all of it. Not
  // made for a first key of variants (nothing is read ahead of those).
  struct TTail {
    std::uint64_t Next = 0;
    std::uint32_t Length = 0;
    bool Null = false;
    bool Complete = true;
  };
  // A first key of numbers has its whole key in the head: only its Null
  // mark is read, from the column's small array of marks.
  TTail Tail(std::uint32_t row) const noexcept {
    if (!FTailsMade) return TTail{0, 0, FColumnCount != 0 && FColumns[0].Nulls[row] != 0, true};
    return FTails[row];
  }
  // Leading bytes of the first key that the head holds, and with the tail.
  std::size_t HeadEnd() const noexcept;
  std::size_t TailEnd() const noexcept { return HeadEnd() + 8; }
  bool FirstDescending() const noexcept { return FColumnCount != 0 && FColumns[0].Descending; }

  // Negative, 0 or positive over the keys from fromKey on, each in its
  // direction, as the comparer orders the rows' variants; 0 leaves the
  // order to the nodes. knownBytes: leading bytes of the first key already
  // found equal in both rows.
  int CompareRows(std::uint32_t a, std::uint32_t b, std::size_t fromKey = 0,
                  std::size_t knownBytes = 0) const;
  // One key in ascending order.
  int CompareKey(std::size_t key, std::uint32_t a, std::uint32_t b, std::size_t knownBytes = 0) const;
  // A column keeps variants, which may compare in a circle.
  bool HasVariants() const noexcept;

 private:
  enum TKind : std::uint8_t { kWords, kTexts, kVariants };

  struct TColumn {
    TKind Kind = kWords;
    bool Descending = false;
    // kWords: the order word of each row. kTexts: the arena offset where
    // each row's key ends (it starts where the previous row's ends, the
    // first at TextsBase).
    std::vector<std::uint64_t> Words;
    std::vector<std::uint8_t> Nulls;
    std::size_t TextsBase = 0;
    // Bytes every non-empty key of the column starts with; the head words
    // hold the bytes after them.
    std::size_t CommonPrefix = 0;
    std::vector<Variant> Values;         // kVariants
    std::vector<std::string> Texts;      // kVariants under texts: VarToStr of each value
    std::vector<std::uint8_t> HasTexts;  // ... 0 where the value has no text form
  };

  void BuildColumn(TColumn& column, const TdxTreeListNodeOwner& owner,
                   std::span<TdxTreeListNode* const> nodes, int columnIndex, bool textKeys,
                   std::vector<TdxTreeListNode*>* parents);
  void BuildVariants(TColumn& column, const TdxTreeListNodeOwner& owner,
                     std::span<TdxTreeListNode* const> nodes, int columnIndex, bool textKeys);
  void BuildHeads(const TColumn& first);
  TTail MakeTail(const TColumn& first, std::uint32_t row) const;
  int CompareColumn(const TColumn& column, std::uint32_t a, std::uint32_t b, std::size_t skip) const;
  std::string_view TextKey(const TColumn& column, std::uint32_t row) const noexcept;

  std::vector<TColumn> FColumns;
  std::size_t FColumnCount = 0;
  std::string FArena;
  std::vector<std::uint64_t> FHeads;
  // Made with the heads, in row order: a run of equal heads, read in sorted
  // order, finds each row's tail in one place.
  std::vector<TTail> FTails;
  bool FTailsMade = false;  // the first key holds texts
  std::vector<std::uint32_t> FEmptyRows;
  bool FTextKeys = false;
};

// The working memory of TdxNodeSorter: the key table and the row vectors,
// kept by the tree list between sorts (TdxTreeListNodeOwner::TakeSortBuffers).
struct TdxNodeSortBuffers {
  struct TRow {
    std::uint64_t Head = 0;
    std::uint32_t Row = 0;
  };
  // A row of a run of equal heads, with what its comparisons read.
  struct TRunRow {
    TdxSortKeyTable::TTail Tail;
    TdxTreeListNode* Node = nullptr;
    std::uint32_t Row = 0;
  };

  TdxSortKeyTable Table;
  std::vector<TdxTreeListNode*> Nodes;
  std::vector<TRow> Rows;
  std::vector<TRow> Scratch;
  std::vector<TRunRow> Run;
  std::vector<std::uint32_t> Order;
  std::vector<TdxTreeListNode*> Pending;
};

class TdxNodeSorter {
 public:
  // The owner and the comparer must outlive the sorter. The sorter works in
  // the owner's sort buffers and gives them back when it goes.
  TdxNodeSorter(TdxTreeListNodeOwner& owner, std::span<const TdxSortColumn> columns,
                const TdxNodeSortComparer& compare);
  TdxNodeSorter(const TdxNodeSorter&) = delete;
  TdxNodeSorter& operator=(const TdxNodeSorter&) = delete;
  ~TdxNodeSorter();

  // The children of parent (the top-level nodes when nil). Only the order
  // changes; no events (the caller repaints).
  void SortList(TdxTreeListNode* parent);
  // Level -1: the top-level list and every child list below it. Level n:
  // every child list whose nodes stand at that level (0: the top-level list,
  // 1: the children of top-level nodes, ...).
  void SortLevel(int level);

 private:
  using TRow = TdxNodeSortBuffers::TRow;
  using TRunRow = TdxNodeSortBuffers::TRunRow;

  // With parents, the list's nodes that have children are added there.
  void SortList(TdxTreeListNode* parent, std::vector<TdxTreeListNode*>* parents);
  void SortByKeys(std::vector<TdxTreeListNode*>* parents);
  void SortByEvent();
  void RadixSortByHead();
  void SortAll();
  void SortRun(std::size_t begin, std::size_t end);
  void SortLevelBelow(TdxTreeListNode* parent, int parentLevel, int level);

  TdxTreeListNodeOwner* FOwner;
  std::vector<TdxSortColumn> FColumns;
  const TdxNodeSortComparer* FCompare;
  std::unique_ptr<TdxNodeSortBuffers> FBuffers;
  TdxSortKeyTable& FTable;
  std::vector<TdxTreeListNode*>& FNodes;
  std::vector<TRow>& FRows;
  std::vector<TRow>& FScratch;
  std::vector<TRunRow>& FRun;
  std::vector<std::uint32_t>& FOrder;
  std::vector<TdxTreeListNode*>& FPending;
};

// Sorts the lists of a level of the tree (see TdxNodeSorter::SortLevel).
void SortNodes(TdxTreeListNodeOwner& owner, int level, std::span<const TdxSortColumn> keys,
               const TdxNodeSortComparer& compare);
