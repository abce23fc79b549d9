#pragma once
// TdxTreeListNodeOwner: what a node tree needs of the tree list that owns
// it. The tree list (TCustomdxTreeList) derives from it beside its control
// base and overrides the virtual operations below; everything else about the
// tree list stays out of the nodes' sight.
//
// The base holds the node store: the top-level nodes, the detached nodes,
// the focused and top visible node references, and the update-lock count.
// Its virtual operations have the neutral answers a tree list without a
// window gives (no events, no repaint), except the cell data, which every
// kind of tree list must answer itself. It keeps its node references valid:
// a reference to a freed node moves to a neighbour or becomes nil.
//
// Destroying the owner frees what nodes are left without calling back; a
// tree list frees its nodes (FreeAllNodes) in its own destructor, while it
// can still answer.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/core/base/variant.h"
#include "grid/forward.h"
#include "grid/nodes/node_list.h"
#include "grid/nodes/tree_list_node.h"

struct TdxNodeSortBuffers;

// Sender, Node, Allow: a handler clears Allow to refuse the change.
using TTLExpandingEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, bool& Allow)>;
using TTLExpandedEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node)>;

class TdxTreeListNodeOwner {
 public:
  TdxTreeListNodeOwner();
  TdxTreeListNodeOwner(const TdxTreeListNodeOwner&) = delete;
  TdxTreeListNodeOwner& operator=(const TdxTreeListNodeOwner&) = delete;
  virtual ~TdxTreeListNodeOwner();

  // --- The node store ---------------------------------------------------------

  TdxTreeListNode* AddNode();
  // A new top-level node before `before` (a top-level node), or the last one
  // when `before` is nil.
  TdxTreeListNode* InsertNode(TdxTreeListNode* before);
  int Count() const noexcept { return FNodes.Count(); }
  // The top-level node at index, nil outside 0 .. Count - 1.
  TdxTreeListNode* Items(int index) const noexcept { return FNodes.Items(index); }
  TdxTreeListNode* FirstNode() const noexcept { return FNodes.First(); }
  // Nodes taken out of the tree by Detach, in the order they left it.
  int DetachedCount() const noexcept { return FDetached.Count(); }
  TdxTreeListNode* DetachedNodes(int index) const noexcept { return FDetached.Items(index); }

  TdxTreeListNode* FocusedNode() const noexcept { return FFocusedNode; }
  TdxTreeListNode* TopVisibleNode() const noexcept { return FTopVisibleNode; }

  // Puts the children of parent (the top-level nodes when parent is nil) in
  // the given order, which must hold each of them once. No events: the
  // caller repaints. Raises EInvaliddxTreeListOperation for a wrong order.
  void ReorderSiblings(TdxTreeListNode* parent, std::span<TdxTreeListNode* const> order);
  // The same by position: the node at index i moves from index from[i].
  // scratch, when given, is memory the caller keeps for such moves.
  void PermuteSiblings(TdxTreeListNode* parent, std::span<const std::uint32_t> from,
                       std::vector<TdxTreeListNode*>* scratch = nullptr);
  // Makes `shown` the children of parent (the top-level nodes when nil), in
  // that order, in one pass: each entry is a child of parent already or a
  // detached root (linked in again); the children left out are detached,
  // appended to the detached list in their order. A filter hides and shows
  // a million rows this way without moving the list once per node. No
  // events: the caller repaints and fixes its node references. An entry of
  // another list or given twice raises EInvaliddxTreeListOperation and
  // changes nothing.
  void ReplaceSiblings(TdxTreeListNode* parent, std::span<TdxTreeListNode* const> shown);
  // Keeps the children of parent (the top-level nodes when nil) that
  // keep(node) accepts, in their order, and detaches the others, appended
  // to the detached list in their order: ReplaceSiblings with the accepted
  // ones, in one pass that places each node while it is at hand (a filter
  // hiding a million rows reads each node once). ahead(node) is called
  // for the node some entries before its test (to ask for its memory).
  // keep must not change the tree; when it raises, the tree is as it was.
  // Returns whether any node left. No events, as ReplaceSiblings.
  template <class TKeep, class TAhead>
  bool DetachRefusedSiblings(TdxTreeListNode* parent, TKeep&& keep, TAhead&& ahead);

  // The update lock nests; a tree list overrides both to add its own work
  // (caches, editor, re-measuring) and calls these. An EndUpdate without a
  // BeginUpdate raises EInvaliddxTreeListOperation.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  bool IsUpdateLocked() const noexcept { return FUpdateLock > 0; }
  // Set while FreeAllNodes runs.
  bool IsClearing() const noexcept { return FClearing; }

  // Raises EInvaliddxTreeListOperation when the tree breaks one of its rules
  // or a node reference does not point at a node of this tree.
  void CheckInvariants() const;

  // --- Virtual operations the nodes call --------------------------------------

  // A new node of the tree list's node class, owned by this owner.
  virtual std::unique_ptr<TdxTreeListNode> CreateNode() = 0;
  // After a node was linked into the tree. Base: the first node added becomes
  // the top visible node, and the focused one when none is.
  virtual void NodeAdded(TdxTreeListNode* node);
  // While a node is freed, after it left its list and before it is
  // destroyed; `before` is its previous sibling or parent, `next` the node
  // after it in visible order, both still alive. Base: without top-level
  // nodes the references become nil; otherwise a reference to the node moves
  // to `before`, else to `next`. Nothing more while clearing.
  virtual void NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next,
                           bool wasLast, bool wasVisible);
  // A node's look (relayout False) or the rows from it down (relayout True)
  // changed. Base: nothing.
  virtual void NodeChanged(TdxTreeListNode* node, bool relayout);
  // Whether a node that just lost its last child keeps its expand button.
  // Base: it has children.
  virtual bool CanHaveChildren(const TdxTreeListNode* node) const;
  virtual void DoExpanding(TdxTreeListNode* node, bool& allow);
  virtual void DoCollapsing(TdxTreeListNode* node, bool& allow);
  virtual void DoExpanded(TdxTreeListNode* node);
  virtual void DoCollapsed(TdxTreeListNode* node);
  // A node is collapsing over the focused node; False keeps it expanded.
  // Base: the node is focused.
  virtual bool FocusNodeOnCollapse(TdxTreeListNode* node);
  // The visible order changed as a whole. Base: nothing.
  virtual void RebuildVisibleOrder();
  virtual bool IsDestroying() const;
  virtual void SetTopVisibleNode(TdxTreeListNode* node);
  // Base: stores the focused node and makes it visible when asked.
  virtual void SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible);
  virtual int FocusedColumnIndex() const;
  virtual bool IsMultiSelect() const;
  virtual bool IsNodeSelected(const TdxTreeListNode* node) const;
  virtual void SetNodeSelected(TdxTreeListNode* node, bool selected);
  // Visible order; base: walks the tree.
  virtual TdxTreeListNode* GetNextVisibleNode(const TdxTreeListNode* node) const;
  virtual TdxTreeListNode* GetPrevVisibleNode(const TdxTreeListNode* node) const;
  // -1 for nil or a hidden node; base: counts while walking the tree.
  virtual int GetAbsoluteIndex(const TdxTreeListNode* node) const;
  // Base: expands the collapsed ancestors inside one update lock.
  virtual void MakeNodeVisible(TdxTreeListNode* node);
  // The last word when every sort key is equal: negative, 0 or positive.
  // Base: the nodes' addresses, a fixed if arbitrary order.
  virtual int CompareEqualNodes(const TdxTreeListNode* node1, const TdxTreeListNode* node2) const;
  // The key a node sorts by in a column. Base: the cell value.
  virtual Variant GetSortValue(const TdxTreeListNode* node, int columnIndex) const;

  virtual int GetImageIndex(const TdxTreeListNode* node) const = 0;
  virtual int GetSelectedIndex(const TdxTreeListNode* node) const = 0;
  virtual int GetStateIndex(const TdxTreeListNode* node) const = 0;
  virtual std::string GetCellText(const TdxTreeListNode* node, int columnIndex) const = 0;
  virtual Variant GetCellVariant(const TdxTreeListNode* node, int columnIndex) const = 0;
  virtual void SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) = 0;

  // The sort's working memory, kept from one sort to the next: a list of a
  // million nodes needs some hundred megabytes, and fresh pages cost more
  // than the sort itself. A sort takes them (new ones when another sort
  // holds them, as a handler's nested sort would) and gives them back.
  std::unique_ptr<TdxNodeSortBuffers> TakeSortBuffers();
  void ReturnSortBuffers(std::unique_ptr<TdxNodeSortBuffers> buffers) noexcept;

 protected:
  // Frees every node, top-level and detached, children before parents, with
  // IsClearing set: each is told to NodeDeleted with nil neighbours. The node
  // references become nil. The tree list's ClearNodes wraps it.
  void FreeAllNodes();
  // The focused node without events or scrolling.
  void SetFocusedNodeField(TdxTreeListNode* node) noexcept { FFocusedNode = node; }

 private:
  friend class TdxTreeListNode;

  // CreateNode, refusing a node that does not belong to this owner.
  std::unique_ptr<TdxTreeListNode> NewNode();
  // A freed node must not stay referenced, whatever NodeDeleted did.
  void ForgetNode(const TdxTreeListNode* node) noexcept;
  void CheckList(const TdxNodeList& list, const TdxTreeListNode* parent) const;
  // A node changed its parent or its list: what every node remembers of its
  // place (its level, whether it is detached) is out of date.
  void PlacementChanged();
  void SiblingsChanged(TdxNodeList& list, TdxTreeListNode* parent);
  TdxNodeList& SiblingList(TdxTreeListNode* parent);
  // DetachRefusedSiblings' ends: the nodes tested before a failure get
  // their places back; the list and the detached list take what the pass
  // decided (refused marks each entry from the list's head).
  void RestoreSiblings(TdxNodeList& list, TdxTreeListNode* parent, std::size_t end) noexcept;
  void FinishDetaching(TdxNodeList& list, TdxTreeListNode* parent, const std::vector<bool>& refused,
                       std::size_t detachedEnd);

  TdxNodeList FNodes;
  TdxNodeList FDetached;
  std::unique_ptr<TdxNodeSortBuffers> FSortBuffers;
  TdxTreeListNode* FFocusedNode = nullptr;
  TdxTreeListNode* FTopVisibleNode = nullptr;
  int FUpdateLock = 0;
  // Moves on with every change of a node's parent or list; what a node
  // remembers of its place counts only under the current mark.
  std::uint32_t FPlacementStamp = 1;
  bool FClearing = false;
};

template <class TKeep, class TAhead>
bool TdxTreeListNodeOwner::DetachRefusedSiblings(TdxTreeListNode* parent, TKeep&& keep, TAhead&& ahead) {
  TdxNodeList& list = SiblingList(parent);
  const std::size_t head = list.FHead;
  const std::size_t end = list.FSlots.size();
  std::vector<bool> refused(end - head);
  // Each node takes its new list and slot as it is tested: a refused one
  // the detached list's next, a kept one its place in the list compacted
  // from slot 0 (as FinishDetaching leaves it).
  const std::size_t detachedEnd = FDetached.FSlots.size();
  std::size_t left = 0;
  std::size_t kept = 0;
  constexpr std::size_t NodesAhead = 16;
  constexpr std::size_t CallAhead = 8;
  std::size_t slot = head;
  try {
    for (; slot < end; ++slot) {
      if (slot + NodesAhead < end) {
        // A node spans two cache lines at least; what keep reads of a
        // derived node often lies in the second.
        const char* upcoming = reinterpret_cast<const char*>(list.FSlots[slot + NodesAhead].get());
        __builtin_prefetch(upcoming, 1);
        if constexpr (sizeof(TdxTreeListNode) > 64) __builtin_prefetch(upcoming + 64);
      }
      if (slot + CallAhead < end) ahead(static_cast<const TdxTreeListNode*>(list.FSlots[slot + CallAhead].get()));
      TdxTreeListNode* node = list.FSlots[slot].get();
      if (keep(node)) {
        if (node->FSlot != kept) node->FSlot = kept;
        ++kept;
        continue;
      }
      refused[slot - head] = true;
      node->FList = &FDetached;
      node->FSlot = detachedEnd + left++;
      node->FParent = nullptr;
    }
  } catch (...) {
    RestoreSiblings(list, parent, slot);
    throw;
  }
  if (left == 0) {
    // Nothing left: the kept slots were not moved (each stayed at its index
    // from the head), so only a list with a gap before its head needs them
    // back.
    if (head != 0) RestoreSiblings(list, parent, end);
    return false;
  }
  FinishDetaching(list, parent, refused, detachedEnd);
  return true;
}

// Holds the owner's update lock for a scope. Close() ends it and lets an
// error of EndUpdate reach the caller; a scope left by an exception ends the
// lock quietly, since an error is already on its way.
class TdxTreeListUpdateLock {
 public:
  // With open False the scope holds nothing (the lock was already held).
  explicit TdxTreeListUpdateLock(TdxTreeListNodeOwner& owner, bool open = true);
  TdxTreeListUpdateLock(const TdxTreeListUpdateLock&) = delete;
  TdxTreeListUpdateLock& operator=(const TdxTreeListUpdateLock&) = delete;
  ~TdxTreeListUpdateLock();
  void Close();

 private:
  TdxTreeListNodeOwner* FOwner;
};
