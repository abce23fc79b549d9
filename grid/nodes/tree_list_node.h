#pragma once
// TdxTreeListNode: one row of a tree-list grid. Nodes form an ordered tree:
// the tree list (through its TdxTreeListNodeOwner base) holds the top-level
// nodes, each node holds its children. A node holds no cell data; texts,
// values, images and selection are asked of the owner, so each kind of tree
// list decides where its cells live.
//
// Ownership: every node sits in exactly one TdxNodeList (its parent's
// children, the owner's top-level nodes, or the owner's detached nodes),
// which owns it. Nodes are made only by the owner's CreateNode, on behalf of
// AddChild, InsertChild, AddNode and InsertNode, and end with Free (or with
// the owner's FreeAllNodes); freeing a node frees its subtree first.
//
// TdxTreeListTextNode adds the image indexes and the cell texts the
// column-owning tree list keeps in the node itself.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/object.h"
#include "framework/core/component/strings.h"
#include "framework/core/base/variant.h"
#include "grid/forward.h"
#include "grid/nodes/node_list.h"

// Where MoveTo and Relink put a node, relative to the target node.
enum TdxNodeMoveMode : int {
  nmLastSibling = 0,   // last of the target's siblings
  nmFirstSibling = 1,  // first of the target's siblings
  nmLastChild = 2,     // last child of the target
  nmFirstChild = 3,    // first child of the target
  nmBefore = 4,        // immediately before the target
};

class TdxTreeListNode : public TObject {
 public:
  // Called by the owner's CreateNode only; a nil owner raises
  // EInvaliddxTreeListOperation "Invalid Owner TdxTreeListNode".
  explicit TdxTreeListNode(TdxTreeListNodeOwner* owner);
  ~TdxTreeListNode() override;

  TdxTreeListNodeOwner* Owner() const noexcept { return FOwner; }
  TdxTreeListNode* Parent() const noexcept { return FParent; }

  // --- Structure ------------------------------------------------------------

  TdxTreeListNode* AddChild();
  // A new child before `before`, or the last child when `before` is nil or
  // this node has no children yet; the owner hears NodeAdded unless this node
  // is detached. A `before` that is not a child of this node raises
  // EInvaliddxTreeListOperation.
  TdxTreeListNode* InsertChild(TdxTreeListNode* before);
  // Frees this node: its children first, then itself, telling the owner of
  // each (NodeDeleted). Nothing when the node is already being freed. The
  // pointer is dangling afterwards.
  void Free();
  void DeleteChildren();

  // Moves this node (with its subtree) relative to target inside one update
  // lock, focuses it and makes it visible; nothing when CanMoveTo says no.
  void MoveTo(TdxTreeListNode* target, TdxNodeMoveMode mode);
  // False for a nil target, a target of another tree, this node itself with
  // a child or "before" mode, a target inside this node's subtree, sibling
  // modes beside a detached node, or a mode outside TdxNodeMoveMode.
  bool CanMoveTo(const TdxTreeListNode* target, TdxNodeMoveMode mode) const;

  // The quiet structural moves used by the grids; no events, no repaint.
  // Detach takes the node out of the tree and keeps it, with its subtree, in
  // the owner's detached list until it is linked in again or freed.
  void Detach();
  // Links the node relative to target wherever it is now. A move CanMoveTo
  // refuses raises EInvaliddxTreeListOperation instead of breaking the tree.
  void Relink(TdxTreeListNode* target, TdxNodeMoveMode mode);
  // Makes the node newParent's last child (Relink with nmLastChild); the
  // grids use it to put top-level leaves under their group rows.
  void MoveTopLevelUnder(TdxTreeListNode* newParent);
  // Makes the node the last top-level node and returns its index.
  int AppendToTopLevel();
  // Moves every child, in order, to the end of the top-level list; the node
  // is left collapsed and becomes the focused node (without events).
  void PromoteChildren();
  void AppendChildrenTo(std::vector<TdxTreeListNode*>& list) const;

  // --- Navigation -----------------------------------------------------------

  int Count() const noexcept { return FChildren.Count(); }
  // The child at index, nil outside 0 .. Count - 1.
  TdxTreeListNode* Items(int index) const noexcept { return FChildren.Items(index); }
  // -1 when child is not a child of this node.
  int IndexOf(const TdxTreeListNode* child) const noexcept;
  // Position among the siblings (the top-level nodes for a top-level node);
  // -1 for a detached node.
  int Index() const noexcept;
  // Number of ancestors; remembered like IsDetached, so a row thousands of
  // levels deep costs no walk to the root each time it is painted.
  int Level() const noexcept;
  TdxTreeListNode* GetFirstChild() const noexcept { return FChildren.First(); }
  TdxTreeListNode* GetLastChild() const noexcept { return FChildren.Last(); }
  TdxTreeListNode* GetNextSibling() const noexcept;
  TdxTreeListNode* GetPrevSibling() const noexcept;
  TdxTreeListNode* GetPrevSiblingOrParent() const noexcept;
  // Full tree order, expanded or not.
  TdxTreeListNode* GetNext() const noexcept;
  TdxTreeListNode* GetPrev() const noexcept;
  // Visible order, as the owner keeps it (GetNextVisibleNode).
  TdxTreeListNode* GetNextVisible() const;
  TdxTreeListNode* GetPrevVisible() const;
  // Visible order found by walking the tree; the owner's default answers.
  TdxTreeListNode* NextVisibleInTree() const noexcept;
  TdxTreeListNode* PrevVisibleInTree() const noexcept;
  // node is this node's parent, grandparent, ...
  bool HasAsParent(const TdxTreeListNode* node) const noexcept;
  bool IsLast() const noexcept;
  // Every ancestor is expanded and the node is in the tree (not detached).
  bool IsVisible() const noexcept;
  // The node or an ancestor of it lies in the owner's detached list. The
  // answer is remembered along the way up until some node changes its
  // parent or its list, so asking costs no walk to the root for each node.
  bool IsDetached() const noexcept;
  // Position in visible order (the owner's GetAbsoluteIndex); -1 when hidden.
  int AbsoluteIndex() const;
  // Expands the collapsed ancestors (the owner's MakeNodeVisible).
  void MakeVisible();

  // --- State ----------------------------------------------------------------

  // Set while the node is being freed; the owner repaints nothing for it.
  bool Deleting() const noexcept { return FDeleting; }
  bool Expanded() const noexcept { return FExpanded; }
  // Asks the owner (DoExpanding / DoCollapsing may refuse; collapsing over
  // the focused node asks FocusNodeOnCollapse), then tells it. Nothing
  // without HasChildren.
  void SetExpanded(bool value);
  // Expands the node and, with recurse, its whole subtree, inside one update
  // lock.
  void Expand(bool recurse);
  // True whenever the node has children; may be True without children
  // (children loaded on expanding).
  bool HasChildren() const noexcept { return FHasChildren; }
  // False is ignored while the node has children; a node that loses its
  // expand button is collapsed.
  void SetHasChildren(bool value);

  // Caches of the owner's row measuring; 0 = not measured.
  int CachedRowHeight() const noexcept { return FCachedRowHeight; }
  void SetCachedRowHeight(int height) noexcept { FCachedRowHeight = height; }
  std::uint32_t CachedLineCount() const noexcept { return FCachedLineCount; }
  void SetCachedLineCount(std::uint32_t count) noexcept { FCachedLineCount = count; }
  // The owner's mark of when the caches were filled: an owner that drops
  // every row's caches at once moves its own mark on instead of visiting
  // every node.
  std::uint32_t CachedStamp() const noexcept { return FCachedStamp; }
  void SetCachedStamp(std::uint32_t stamp) noexcept { FCachedStamp = stamp; }

  // --- Asked of the owner -----------------------------------------------------

  bool IsFocused() const;
  void SetFocused(bool value);
  bool IsSelected() const;
  void SetSelected(bool value);
  int ImageIndex() const;
  int SelectedIndex() const;
  int StateIndex() const;
  std::string CellText(int columnIndex) const;
  Variant CellValue(int columnIndex) const;
  void SetCellText(int columnIndex, const std::string& text);

  // Raises EInvaliddxTreeListOperation when the subtree breaks a rule of the
  // tree (parents, positions, HasChildren, Expanded). Tests call it after
  // every change.
  void CheckInvariants() const;

 private:
  friend class TdxNodeList;
  friend class TdxTreeListNodeOwner;

  bool IsDetachedRoot() const noexcept;
  // Brings FLevelCache and FDetachedCache up to date: up to the first node
  // that knows them (or the root), then written on the way back.
  void UpdatePlacement() const noexcept;
  // The last step of freeing, once the children are gone: takes the node
  // out of its list and tells the owner (with next, before and the rest
  // when told). The node is destroyed on return.
  void Unlink(bool told, TdxTreeListNode* next);
  // After a child left: a node left without children is collapsed and keeps
  // its expand button only as the owner's CanHaveChildren says (through
  // SetHasChildren, with its repaint, when notify).
  void ChildLeft(bool notify);
  void CheckSubtree() const;

  TdxTreeListNodeOwner* FOwner;
  TdxTreeListNode* FParent = nullptr;
  TdxNodeList* FList = nullptr;
  std::size_t FSlot = 0;
  TdxNodeList FChildren;
  int FCachedRowHeight = 0;
  std::uint32_t FCachedLineCount = 0;
  std::uint32_t FCachedStamp = 0;
  // Where the node last was (its level and whether it lay in a detached
  // subtree), good while FPlacementStamp is the owner's.
  mutable std::uint32_t FPlacementStamp = 0;
  mutable int FLevelCache = 0;
  mutable bool FDetachedCache = false;
  bool FDeleting = false;
  bool FExpanded = false;
  bool FHasChildren = false;
};

// A node with image indexes and one text per column (in column-index order),
// for the column-owning tree list. Its ImageIndex, SelectedIndex and
// StateIndex are the values stored here, which that tree list answers the
// base node's queries with.
class TdxTreeListTextNode : public TdxTreeListNode {
 public:
  explicit TdxTreeListTextNode(TdxTreeListNodeOwner* owner);
  ~TdxTreeListTextNode() override;

  int ImageIndex() const noexcept { return FImageIndex; }
  void SetImageIndex(int index) noexcept { FImageIndex = index; }
  int SelectedIndex() const noexcept { return FSelectedIndex; }
  void SetSelectedIndex(int index) noexcept { FSelectedIndex = index; }
  int StateIndex() const noexcept { return FStateIndex; }
  void SetStateIndex(int index) noexcept { FStateIndex = index; }
  TStringList& Strings() noexcept { return FStrings; }
  const TStringList& Strings() const noexcept { return FStrings; }

 private:
  int FImageIndex = 0;
  int FSelectedIndex = -1;
  int FStateIndex = -1;
  TStringList FStrings;
};
