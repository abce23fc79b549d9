#pragma once
// The rules that order nodes when a tree list sorts a sibling list, and the
// small comparisons the tree list shares.
//
// A sort takes, for every node of one sibling list, its keys (one variant
// per sorted column, each with its direction: TdxNodeSortKeys), orders
// those records with one comparer chosen by the tree list's options
// (TdxNodeSortComparer) and writes the nodes back in that order. Keys that
// are all equal fall back to the owner's CompareEqualNodes, so a sort always
// gives one order, and the same order again. The comparers define that
// order; SortNodeList reaches it without records, reading each key once
// (node_sorter.h). Either way the sort is O(n log n) and safe whatever a
// custom comparison answers.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/core/base/variant.h"
#include "grid/forward.h"

// Sender, Node1, Node2, Compare: the handler sets Compare negative, 0 or
// positive; 0 leaves the order to CompareEqualNodes.
using TdxTLCompareEvent =
    TEvent<void(TObject* Sender, TdxTreeListNode* Node1, TdxTreeListNode* Node2, int& Compare)>;

struct TdxSortKey {
  Variant Value;
  bool Descending = false;
};

// One node's keys for one sort: the first sorted column's key first, then
// those of the further sorted columns in sort order.
struct TdxNodeSortKeys {
  TdxTreeListNode* Node = nullptr;
  std::vector<TdxSortKey> Keys;
};

// -1, 0 or 1. Equal values (by the variant's equality) give 0; Null comes
// before every other value; otherwise the variant's ordering decides. Values
// the variant cannot compare (text that is no number beside a number, an
// array) order by kind: Empty, Boolean, numbers, dates, texts, arrays, the
// same way from either side.
int CompareVariants(const Variant& v1, const Variant& v2);

// The first differing key decides, negated for a descending key; all keys
// equal: CompareEqualNodes.
int CompareByVariant(const TdxTreeListNodeOwner& owner, const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2);
// As CompareByVariant, but where either of two differing keys is a text
// (and neither is Null), both compare as texts with AnsiCompareStr.
int CompareByAnsiString(const TdxTreeListNodeOwner& owner, const TdxNodeSortKeys& r1,
                        const TdxNodeSortKeys& r2);
// How CompareByAnsiString compares two keys (0 when they are equal), with
// their text forms (VarToStr) made beforehand; nil for a key that has none.
int CompareKeysAsText(const Variant& k1, const std::string* text1, const Variant& k2, const std::string* text2);
// The handler alone decides (the keys are not looked at); where it leaves
// 0, CompareEqualNodes.
int CompareByEvent(const TdxTLCompareEvent& onCompare, TObject* sender, const TdxTreeListNodeOwner& owner,
                   const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2);

// The comparer a tree list's options choose: its OnCompare handler when one
// is assigned, else texts by the code page's collation with its AnsiSort
// option, else the variant order. Holds a reference to the owner, which must
// outlive it.
class TdxNodeSortComparer {
 public:
  enum TKind { ckEvent, ckAnsiString, ckVariant };

  TdxNodeSortComparer(const TdxTreeListNodeOwner& owner, bool ansiSort, TdxTLCompareEvent onCompare = {},
                      TObject* sender = nullptr);

  TKind Kind() const noexcept { return FKind; }
  const TdxTreeListNodeOwner& Owner() const noexcept { return *FOwner; }
  // Negative, 0 or positive as r1 goes before, with or after r2.
  int operator()(const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2) const;

 private:
  const TdxTreeListNodeOwner* FOwner;
  TdxTLCompareEvent FOnCompare;
  TObject* FSender;
  TKind FKind;
};

// One sort key: a column and its direction.
struct TdxSortColumn {
  int ColumnIndex = 0;
  bool Descending = false;
};

// Sorts the children of parent (the top-level nodes when parent is nil) by
// the columns' sort values (the owner's GetSortValue), first column first.
// Only the order changes; no events (the caller repaints).
void SortNodeList(TdxTreeListNodeOwner& owner, TdxTreeListNode* parent, std::span<const TdxSortColumn> keys,
                  const TdxNodeSortComparer& compare);
// The same for key records already built for every node of the list.
void SortNodeList(TdxTreeListNodeOwner& owner, TdxTreeListNode* parent, std::vector<TdxNodeSortKeys> records,
                  const TdxNodeSortComparer& compare);

// Tree order of two nodes of one tree: negative when node1 comes first, 0
// for the same node, positive when it comes after; an ancestor comes before
// its descendants.
int CompareNodePositions(const TdxTreeListNode* node1, const TdxTreeListNode* node2);

// Equal after upper-casing by the code page (the incremental search's test).
bool TextEqualsIgnoringCase(std::string_view a, std::string_view b);
