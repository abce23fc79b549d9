#include "grid/nodes/tree_list_node.h"

#include <utility>
#include <vector>

#include "grid/tree_list/tree_list_errors.h"
#include "grid/nodes/tree_list_node_owner.h"

namespace {

bool IsSiblingMode(TdxNodeMoveMode mode) {
  return mode == nmLastSibling || mode == nmFirstSibling || mode == nmBefore;
}

}  // namespace

TdxTreeListNode::TdxTreeListNode(TdxTreeListNodeOwner* owner) : FOwner(owner) {
  if (owner == nullptr) RaiseInvalidTreeListOperation(std::string(SdxInvalidNodeOwner));
}

// Only the subtree's memory goes here: a node that leaves through Free has
// told its owner already, and nodes left at the owner's destruction must not
// call back into a half-destroyed tree list.
TdxTreeListNode::~TdxTreeListNode() {
  // A subtree left here goes level by level, never one nested destructor
  // per level: a chain may be far deeper than the stack.
  std::vector<std::unique_ptr<TdxTreeListNode>> rest = FChildren.TakeAll();
  while (!rest.empty()) {
    std::unique_ptr<TdxTreeListNode> node = std::move(rest.back());
    rest.pop_back();
    for (std::unique_ptr<TdxTreeListNode>& child : node->FChildren.TakeAll()) rest.push_back(std::move(child));
  }
}

// --- Structure ----------------------------------------------------------------

TdxTreeListNode* TdxTreeListNode::AddChild() { return InsertChild(nullptr); }

TdxTreeListNode* TdxTreeListNode::InsertChild(TdxTreeListNode* before) {
  if (before != nullptr && !FChildren.Empty() && before->FList != &FChildren)
    RaiseInvalidTreeListOperation("The node to insert before is not a child of this node");
  std::unique_ptr<TdxTreeListNode> node = FOwner->NewNode();
  TdxTreeListNode* child = node.get();
  child->FParent = this;
  if (before == nullptr || FChildren.Empty())
    FChildren.Append(std::move(node));
  else
    FChildren.Insert(FChildren.IndexOf(*before), std::move(node));
  SetHasChildren(true);
  // A detached subtree is not on the tree list's rows.
  UpdatePlacement();
  child->FPlacementStamp = FPlacementStamp;
  child->FLevelCache = FLevelCache + 1;
  child->FDetachedCache = FDetachedCache;
  if (!FDetachedCache) FOwner->NodeAdded(child);
  return child;
}

// The subtree goes children first, child 0 first, as the tree's rules say,
// walked with a stack of its own (the nodes being freed, this node first):
// a chain of any depth costs no recursion per level, and each node's
// neighbours are found without a walk to the root.
void TdxTreeListNode::Free() {
  if (FDeleting) return;
  TdxTreeListNodeOwner& owner = *FOwner;
  struct TLevel {
    TdxTreeListNode* Node;
    // The node after Node's subtree in visible order once its children
    // are gone (its next sibling, else its parent's After); found when
    // first needed.
    TdxTreeListNode* After = nullptr;
    bool AfterKnown = false;
  };
  std::vector<TLevel> path;
  path.push_back({this});
  FDeleting = true;
  const auto pastSubtree = [](const TdxTreeListNode* node) -> TdxTreeListNode* {
    for (; node != nullptr; node = node->FParent)
      if (TdxTreeListNode* sibling = node->GetNextSibling()) return sibling;
    return nullptr;
  };
  const auto afterOf = [&path, &pastSubtree](std::size_t level) {
    std::size_t known = level;
    while (!path[known].AfterKnown && known > 0 && path[known].Node->GetNextSibling() == nullptr) --known;
    TdxTreeListNode* after = path[known].AfterKnown ? path[known].After : pastSubtree(path[known].Node);
    for (std::size_t k = known; k <= level; ++k) {
      if (!path[k].AfterKnown) {
        TdxTreeListNode* sibling = path[k].Node->GetNextSibling();
        path[k].After = sibling != nullptr ? sibling : after;
        path[k].AfterKnown = true;
      }
      after = path[k].After;
    }
    return after;
  };
  try {
    while (!path.empty()) {
      TdxTreeListNode* node = path.back().Node;
      // A child already being freed (a handler freed this node from inside
      // the child's own freeing) is passed over.
      TdxTreeListNode* child = nullptr;
      for (int i = 0; (child = node->FChildren.Items(i)) != nullptr; ++i)
        if (!child->FDeleting) break;
      if (child != nullptr) {
        child->FDeleting = true;
        path.push_back({child});
        continue;
      }
      // Freeing a node whose descendant is being freed further up the call
      // stack would free that one under its feet.
      if (!node->FChildren.Empty())
        RaiseInvalidTreeListOperation("A node cannot be freed while a node below it is being freed");
      const bool told = !owner.FClearing && !node->IsDetached();
      TdxTreeListNode* next = nullptr;
      if (told) {
        const std::size_t level = path.size() - 1;
        if (level == 0) {
          next = node->GetNextVisible();
        } else {
          TdxTreeListNode* sibling = node->GetNextSibling();
          next = sibling != nullptr ? sibling : afterOf(level - 1);
        }
      }
      path.pop_back();
      node->Unlink(told, next);
    }
  } catch (...) {
    // The nodes not yet freed stay in the tree.
    for (TLevel& level : path) level.Node->FDeleting = false;
    throw;
  }
}

void TdxTreeListNode::Unlink(bool told, TdxTreeListNode* next) {
  TdxTreeListNodeOwner& owner = *FOwner;
  TdxTreeListNode* before = nullptr;
  bool wasLast = false;
  bool wasVisible = false;
  if (told) {
    before = GetPrevSiblingOrParent();
    wasLast = IsLast();
    // A node of a subtree that goes with its root had no row of its own
    // to repaint.
    wasVisible = !(FParent != nullptr && FParent->FDeleting) && IsVisible();
  } else {
    next = nullptr;
  }
  TdxTreeListNode* parent = FParent;
  // From here the node is held only by `self` and dies with it, whatever
  // the owner's handlers do.
  std::unique_ptr<TdxTreeListNode> self = FList->Extract(FList->IndexOf(*this));
  try {
    if (parent != nullptr) parent->ChildLeft(true);
    owner.NodeDeleted(this, before, next, wasLast, wasVisible);
  } catch (...) {
    owner.ForgetNode(this);
    throw;
  }
  owner.ForgetNode(this);
}

// Child 0 goes first, as the tree's rules say; taking from the front of a
// list costs O(1). A child already being freed (a handler freed this node
// from inside the child's own freeing) is passed over.
void TdxTreeListNode::DeleteChildren() {
  int index = 0;
  while (TdxTreeListNode* child = FChildren.Items(index)) {
    if (child->FDeleting)
      ++index;
    else
      child->Free();
  }
}

void TdxTreeListNode::ChildLeft(bool notify) {
  if (!FChildren.Empty()) return;
  const bool keepButton = FOwner->CanHaveChildren(this);
  FExpanded = false;
  if (notify)
    SetHasChildren(keepButton);
  else
    FHasChildren = keepButton;
}

bool TdxTreeListNode::CanMoveTo(const TdxTreeListNode* target, TdxNodeMoveMode mode) const {
  if (target == nullptr || target->FOwner != FOwner) return false;
  if (mode < nmLastSibling || mode > nmBefore) return false;
  if (target == this && mode != nmLastSibling && mode != nmFirstSibling) return false;
  if (target->HasAsParent(this)) return false;
  // A detached node has no siblings to be put beside.
  if (IsSiblingMode(mode) && target->IsDetachedRoot()) return false;
  return target->FList != nullptr;
}

void TdxTreeListNode::MoveTo(TdxTreeListNode* target, TdxNodeMoveMode mode) {
  if (!CanMoveTo(target, mode)) return;
  TdxTreeListNodeOwner& owner = *FOwner;
  TdxTreeListUpdateLock lock(owner);
  Relink(target, mode);
  owner.FFocusedNode = this;
  owner.RebuildVisibleOrder();
  MakeVisible();
  lock.Close();
}

void TdxTreeListNode::Detach() {
  if (IsDetachedRoot()) return;
  TdxTreeListNode* parent = FParent;
  std::unique_ptr<TdxTreeListNode> self = FList->Extract(FList->IndexOf(*this));
  FParent = nullptr;
  FOwner->FDetached.Append(std::move(self));
  FOwner->PlacementChanged();
  if (parent != nullptr) parent->ChildLeft(false);
}

// A node linked under its own descendant would cut its subtree off the tree
// (lost for good), so such a move raises rather than being done blindly.
void TdxTreeListNode::Relink(TdxTreeListNode* target, TdxNodeMoveMode mode) {
  if (!CanMoveTo(target, mode)) RaiseInvalidTreeListOperation("The node cannot be moved there");
  TdxTreeListNode* newParent = IsSiblingMode(mode) ? target->FParent : target;
  TdxNodeList& destination = newParent != nullptr ? newParent->FChildren : FOwner->FNodes;
  if (&destination == FList) {
    // Staying in its list, the node only changes place: the parent keeps its
    // children, its expand button and its expanded state.
    const int from = destination.IndexOf(*this);
    int to = 0;
    switch (mode) {
      case nmLastSibling:
      case nmLastChild:
        to = destination.Count() - 1;
        break;
      case nmFirstSibling:
      case nmFirstChild:
        to = 0;
        break;
      case nmBefore: {
        const int at = destination.IndexOf(*target);
        to = at > from ? at - 1 : at;
        break;
      }
    }
    destination.Move(from, to);
  } else {
    TdxTreeListNode* oldParent = FParent;
    std::unique_ptr<TdxTreeListNode> self = FList->Extract(FList->IndexOf(*this));
    FParent = newParent;
    switch (mode) {
      case nmLastSibling:
      case nmLastChild:
        destination.Append(std::move(self));
        break;
      case nmFirstSibling:
      case nmFirstChild:
        destination.Insert(0, std::move(self));
        break;
      case nmBefore:
        destination.Insert(destination.IndexOf(*target), std::move(self));
        break;
    }
    if (oldParent != nullptr) oldParent->ChildLeft(false);
    FOwner->PlacementChanged();
  }
  // Whatever the mode, a node that receives a child shows its button.
  if (newParent != nullptr) newParent->FHasChildren = true;
}

void TdxTreeListNode::MoveTopLevelUnder(TdxTreeListNode* newParent) { Relink(newParent, nmLastChild); }

int TdxTreeListNode::AppendToTopLevel() {
  TdxNodeList& top = FOwner->FNodes;
  if (FList == &top) {
    top.Move(top.IndexOf(*this), top.Count() - 1);
  } else {
    TdxTreeListNode* oldParent = FParent;
    std::unique_ptr<TdxTreeListNode> self = FList->Extract(FList->IndexOf(*this));
    FParent = nullptr;
    top.Append(std::move(self));
    FOwner->PlacementChanged();
    if (oldParent != nullptr) oldParent->ChildLeft(false);
  }
  return top.Count() - 1;
}

void TdxTreeListNode::PromoteChildren() {
  TdxTreeListNodeOwner& owner = *FOwner;
  while (!FChildren.Empty()) {
    std::unique_ptr<TdxTreeListNode> child = FChildren.Extract(0);
    child->FParent = nullptr;
    owner.FNodes.Append(std::move(child));
    owner.PlacementChanged();
  }
  FExpanded = false;
  FHasChildren = owner.CanHaveChildren(this);
  owner.FFocusedNode = this;
}

void TdxTreeListNode::AppendChildrenTo(std::vector<TdxTreeListNode*>& list) const {
  list.reserve(list.size() + static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) list.push_back(Items(i));
}

// --- Navigation ---------------------------------------------------------------

int TdxTreeListNode::IndexOf(const TdxTreeListNode* child) const noexcept {
  if (child == nullptr || child->FList != &FChildren) return -1;
  return FChildren.IndexOf(*child);
}

bool TdxTreeListNode::IsDetachedRoot() const noexcept {
  return FList != nullptr && FList == &FOwner->FDetached;
}

int TdxTreeListNode::Index() const noexcept {
  if (FList == nullptr || IsDetachedRoot()) return -1;
  return FList->IndexOf(*this);
}

int TdxTreeListNode::Level() const noexcept {
  UpdatePlacement();
  return FLevelCache;
}

TdxTreeListNode* TdxTreeListNode::GetNextSibling() const noexcept {
  if (FList == nullptr || IsDetachedRoot()) return nullptr;
  return FList->Items(FList->IndexOf(*this) + 1);
}

TdxTreeListNode* TdxTreeListNode::GetPrevSibling() const noexcept {
  if (FList == nullptr || IsDetachedRoot()) return nullptr;
  return FList->Items(FList->IndexOf(*this) - 1);
}

TdxTreeListNode* TdxTreeListNode::GetPrevSiblingOrParent() const noexcept {
  TdxTreeListNode* prev = GetPrevSibling();
  return prev != nullptr ? prev : FParent;
}

TdxTreeListNode* TdxTreeListNode::GetNext() const noexcept {
  if (TdxTreeListNode* child = GetFirstChild()) return child;
  for (const TdxTreeListNode* n = this; n != nullptr; n = n->FParent)
    if (TdxTreeListNode* sibling = n->GetNextSibling()) return sibling;
  return nullptr;
}

TdxTreeListNode* TdxTreeListNode::GetPrev() const noexcept {
  TdxTreeListNode* prev = GetPrevSibling();
  if (prev == nullptr) return FParent;
  while (TdxTreeListNode* last = prev->GetLastChild()) prev = last;
  return prev;
}

TdxTreeListNode* TdxTreeListNode::GetNextVisible() const { return FOwner->GetNextVisibleNode(this); }

TdxTreeListNode* TdxTreeListNode::GetPrevVisible() const { return FOwner->GetPrevVisibleNode(this); }

TdxTreeListNode* TdxTreeListNode::NextVisibleInTree() const noexcept {
  if (FExpanded)
    if (TdxTreeListNode* child = GetFirstChild()) return child;
  for (const TdxTreeListNode* n = this; n != nullptr; n = n->FParent)
    if (TdxTreeListNode* sibling = n->GetNextSibling()) return sibling;
  return nullptr;
}

TdxTreeListNode* TdxTreeListNode::PrevVisibleInTree() const noexcept {
  TdxTreeListNode* prev = GetPrevSibling();
  if (prev == nullptr) return FParent;
  while (prev->FExpanded && prev->GetLastChild() != nullptr) prev = prev->GetLastChild();
  return prev;
}

bool TdxTreeListNode::HasAsParent(const TdxTreeListNode* node) const noexcept {
  if (node == nullptr) return false;
  for (const TdxTreeListNode* p = FParent; p != nullptr; p = p->FParent)
    if (p == node) return true;
  return false;
}

bool TdxTreeListNode::IsLast() const noexcept {
  if (FList == nullptr) return false;
  if (IsDetachedRoot()) return true;
  return FList->IndexOf(*this) == FList->Count() - 1;
}

bool TdxTreeListNode::IsVisible() const noexcept {
  const TdxTreeListNode* root = this;
  for (const TdxTreeListNode* p = FParent; p != nullptr; p = p->FParent) {
    if (!p->FExpanded) return false;
    root = p;
  }
  return root->FList == &FOwner->FNodes;
}

void TdxTreeListNode::UpdatePlacement() const noexcept {
  const std::uint32_t stamp = FOwner->FPlacementStamp;
  if (FPlacementStamp == stamp) return;
  const TdxTreeListNode* known = this;
  int steps = 0;
  while (known->FPlacementStamp != stamp && known->FParent != nullptr) {
    known = known->FParent;
    ++steps;
  }
  const bool knew = known->FPlacementStamp == stamp;
  const bool detached = knew ? known->FDetachedCache : known->IsDetachedRoot();
  const int knownLevel = knew ? known->FLevelCache : 0;
  for (const TdxTreeListNode* node = this;; node = node->FParent, --steps) {
    node->FPlacementStamp = stamp;
    node->FLevelCache = knownLevel + steps;
    node->FDetachedCache = detached;
    if (node == known) break;
  }
}

bool TdxTreeListNode::IsDetached() const noexcept {
  UpdatePlacement();
  return FDetachedCache;
}

int TdxTreeListNode::AbsoluteIndex() const { return FOwner->GetAbsoluteIndex(this); }

void TdxTreeListNode::MakeVisible() { FOwner->MakeNodeVisible(this); }

// --- State --------------------------------------------------------------------

void TdxTreeListNode::SetExpanded(bool value) {
  if (!FHasChildren || FExpanded == value) return;
  TdxTreeListNodeOwner& owner = *FOwner;
  bool allow = true;
  if (value)
    owner.DoExpanding(this, allow);
  else
    owner.DoCollapsing(this, allow);
  if (!allow) return;
  // The handler may have loaded the children, found none (so the node lost
  // its button) or changed the state itself; an expanded node without a
  // button would be a row that can never be collapsed.
  if (value && !FHasChildren) return;
  if (FExpanded == value) return;
  if (!value) {
    TdxTreeListNode* top = owner.TopVisibleNode();
    if (top != nullptr && top->HasAsParent(this)) owner.SetTopVisibleNode(this);
    TdxTreeListNode* focused = owner.FocusedNode();
    if (focused != nullptr && focused->HasAsParent(this) && !owner.FocusNodeOnCollapse(this)) return;
  }
  FExpanded = value;
  if (!owner.IsUpdateLocked() && !owner.IsDestroying()) owner.RebuildVisibleOrder();
  owner.NodeChanged(this, true);
  if (value)
    owner.DoExpanded(this);
  else
    owner.DoCollapsed(this);
}

void TdxTreeListNode::Expand(bool recurse) {
  if (!FHasChildren) return;
  TdxTreeListUpdateLock lock(*FOwner, !FOwner->IsUpdateLocked());
  SetExpanded(true);
  if (recurse) {
    // Each child in order, its whole subtree before the next one, with a
    // stack of its own (node, next child index): no recursion per level.
    std::vector<std::pair<TdxTreeListNode*, int>> stack{{this, 0}};
    while (!stack.empty()) {
      TdxTreeListNode* child = stack.back().first->Items(stack.back().second++);
      if (child == nullptr) {
        stack.pop_back();
      } else if (child->FHasChildren) {
        child->SetExpanded(true);
        stack.emplace_back(child, 0);
      }
    }
  }
  lock.Close();
}

void TdxTreeListNode::SetHasChildren(bool value) {
  if (FHasChildren == value) return;
  FHasChildren = value || !FChildren.Empty();
  if (!FHasChildren) FExpanded = false;
  FOwner->NodeChanged(this, false);
}

bool TdxTreeListNode::IsFocused() const { return FOwner->FocusedNode() == this; }

void TdxTreeListNode::SetFocused(bool value) {
  if (value == IsFocused()) return;
  FOwner->SetFocusedNodeAndColumn(value ? this : nullptr, FOwner->FocusedColumnIndex(), true);
}

bool TdxTreeListNode::IsSelected() const {
  return FOwner->IsMultiSelect() ? FOwner->IsNodeSelected(this) : IsFocused();
}

void TdxTreeListNode::SetSelected(bool value) { FOwner->SetNodeSelected(this, value); }

int TdxTreeListNode::ImageIndex() const { return FOwner->GetImageIndex(this); }
int TdxTreeListNode::SelectedIndex() const { return FOwner->GetSelectedIndex(this); }
int TdxTreeListNode::StateIndex() const { return FOwner->GetStateIndex(this); }

std::string TdxTreeListNode::CellText(int columnIndex) const {
  return FOwner->GetCellText(this, columnIndex);
}

Variant TdxTreeListNode::CellValue(int columnIndex) const {
  return FOwner->GetCellVariant(this, columnIndex);
}

void TdxTreeListNode::SetCellText(int columnIndex, const std::string& text) {
  FOwner->SetCellText(this, columnIndex, text);
}

// --- Checks -------------------------------------------------------------------

void TdxTreeListNode::CheckInvariants() const {
  if (FList == nullptr || FList->Items(FList->IndexOf(*this)) != this)
    RaiseInvalidTreeListOperation("Node tree: a node is not in a list");
  if (FParent != nullptr && FList != &FParent->FChildren)
    RaiseInvalidTreeListOperation("Node tree: a node is not in its parent's list");
  CheckSubtree();
}

void TdxTreeListNode::CheckSubtree() const {
  std::vector<const TdxTreeListNode*> pending{this};
  while (!pending.empty()) {
    const TdxTreeListNode* node = pending.back();
    pending.pop_back();
    if (node->FDeleting)
      RaiseInvalidTreeListOperation("Node tree: a node marked as being freed is still in the tree");
    if (!node->FChildren.Empty() && !node->FHasChildren)
      RaiseInvalidTreeListOperation("Node tree: a node with children has no expand button");
    if (node->FExpanded && !node->FHasChildren)
      RaiseInvalidTreeListOperation("Node tree: a node without expand button is expanded");
    node->FChildren.CheckSlots();
    for (int i = 0; const TdxTreeListNode* child = node->Items(i); ++i) {
      if (child->FParent != node)
        RaiseInvalidTreeListOperation("Node tree: a child does not know its parent");
      if (child->FOwner != FOwner)
        RaiseInvalidTreeListOperation("Node tree: a child belongs to another tree list");
      pending.push_back(child);
    }
  }
}

// --- Text node ------------------------------------------------------------------

TdxTreeListTextNode::TdxTreeListTextNode(TdxTreeListNodeOwner* owner) : TdxTreeListNode(owner) {}

TdxTreeListTextNode::~TdxTreeListTextNode() = default;
