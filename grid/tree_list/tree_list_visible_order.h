#pragma once
// TdxVisibleOrder: the tree list's rows flattened into one list, so that a
// node's row number, the node of a row number and the row count are answered
// without walking the tree. The rows are the top-level nodes in order, each
// followed by its children in visible order when it is expanded.
//
// Two arrays: the nodes by position, and the same nodes by identity (their
// address) with each one's position, searched by bisection. A full rebuild
// costs a walk of the tree and a few linear passes ordering the addresses;
// one node added or removed costs O(n) in plain moves of
// integers. A tree list therefore drops the order (Drop) for the duration of
// bulk work under its update lock and rebuilds it once at the end.
//
// The order holds plain pointers and never follows one it was not given by
// the tree: the tree list tells it of every node that leaves while it is
// built (NodeDeleted) or drops it. Owned by the tree list, window-free.

#include <vector>

#include "grid/forward.h"

class TdxVisibleOrder {
 public:
  // Built by Rebuild, until Drop or a change it cannot follow.
  bool Built() const noexcept { return FBuilt; }
  void Drop() noexcept;
  // The rows of owner's tree, from scratch.
  void Rebuild(const TdxTreeListNodeOwner& owner);

  // A node was linked into the tree. A visible leaf is inserted in its
  // place; a hidden node changes nothing; anything the order cannot place
  // (a node with rows below it, a node it holds already) drops it.
  void NodeAdded(TdxTreeListNode* node);
  // A node left the tree (unlinked, not yet destroyed); its row goes and
  // the rows below it move up. False when it had no row.
  bool NodeDeleted(const TdxTreeListNode* node);

  int Count() const noexcept { return static_cast<int>(FByPosition.size()); }
  // -1 when the node has no row.
  int IndexOf(const TdxTreeListNode* node) const noexcept;
  bool Contains(const TdxTreeListNode* node) const noexcept { return IndexOf(node) >= 0; }
  // nil outside 0 .. Count - 1.
  TdxTreeListNode* NodeAt(int index) const noexcept;

  // Raises EInvaliddxTreeListOperation when a built order differs from the
  // rows of owner's tree or its two arrays disagree.
  void CheckInvariants(const TdxTreeListNodeOwner& owner) const;

 private:
  struct TEntry {
    const TdxTreeListNode* Node;
    int Position;
  };
  // The first entry whose node is not below node's address.
  std::vector<TEntry>::const_iterator Find(const TdxTreeListNode* node) const noexcept;
  void ShiftPositions(int from, int delta) noexcept;

  std::vector<TdxTreeListNode*> FByPosition;
  std::vector<TEntry> FByIdentity;
  bool FBuilt = false;
};
