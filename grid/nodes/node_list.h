#pragma once
// TdxNodeList: one ordered list of sibling nodes (a node's children, the
// tree list's top-level nodes or its detached nodes), which owns them.
//
// Grids hold tens of thousands of rows, and the tree's own algorithms take
// nodes off the front of a list one by one (freeing a node frees child 0
// until none is left; grouping moves top-level leaves from the front under
// their group rows). So the list is a vector with a gap before its first
// entry: taking from either end and putting at either end cost O(1)
// amortised, work in the middle moves only the shorter side, and every node
// knows its own slot, which makes `Index` O(1).
//
// Only TdxTreeListNode and TdxTreeListNodeOwner change a list, so its
// entries always agree with their nodes' parent and position.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "grid/forward.h"

class TdxNodeList {
 public:
  TdxNodeList();
  TdxNodeList(const TdxNodeList&) = delete;
  TdxNodeList& operator=(const TdxNodeList&) = delete;
  ~TdxNodeList();

  int Count() const noexcept { return static_cast<int>(FSlots.size() - FHead); }
  bool Empty() const noexcept { return FSlots.size() == FHead; }
  // The node at index, nil outside 0 .. Count - 1.
  // Inline: filtering and totals walk a million of them.
  TdxTreeListNode* Items(int index) const noexcept {
    if (index < 0 || index >= Count()) return nullptr;
    return FSlots[FHead + static_cast<std::size_t>(index)].get();
  }
  TdxTreeListNode* First() const noexcept { return Items(0); }
  TdxTreeListNode* Last() const noexcept { return Items(Count() - 1); }

 private:
  friend class TdxTreeListNode;
  friend class TdxTreeListNodeOwner;

  // Position of a node of this list.
  int IndexOf(const TdxTreeListNode& node) const noexcept;
  // index in 0 .. Count.
  void Insert(int index, std::unique_ptr<TdxTreeListNode> node);
  void Append(std::unique_ptr<TdxTreeListNode> node);
  // index in 0 .. Count - 1; the node leaves with no list.
  std::unique_ptr<TdxTreeListNode> Extract(int index);
  // Moves the entry at from to index to, shifting the ones between.
  void Move(int from, int to);
  // Puts the nodes in the given order, which must hold each node of the
  // list exactly once (raises EInvaliddxTreeListOperation otherwise and
  // leaves the list as it was).
  void Reorder(std::span<TdxTreeListNode* const> order);
  // The same by position: entry i takes the node that stood at from[i]
  // (which must name each index once). Only the moved nodes are touched.
  // scratch, when given, is memory the caller keeps for such moves.
  void Permute(std::span<const std::uint32_t> from, std::vector<TdxTreeListNode*>* scratch = nullptr);
  // Frees the storage of an empty list.
  void Release() noexcept;
  // Takes every node out (the list is left empty, its storage released);
  // the nodes still name this list and their slots until placed again.
  std::vector<std::unique_ptr<TdxTreeListNode>> TakeAll() noexcept;
  // Appends the nodes in order (an empty list takes the vector as it is).
  void AppendAll(std::vector<std::unique_ptr<TdxTreeListNode>> nodes);
  // Raises EInvaliddxTreeListOperation when an entry disagrees with its node.
  void CheckSlots() const;

  void Place(std::size_t slot, std::unique_ptr<TdxTreeListNode> node) noexcept;
  void Renumber(std::size_t from, std::size_t to) noexcept;
  void OpenFrontGap();
  void CloseFrontGap();

  // Entries live in FSlots[FHead ..]; the slots before FHead are empty.
  std::vector<std::unique_ptr<TdxTreeListNode>> FSlots;
  std::size_t FHead = 0;
};
