#include "grid/nodes/tree_list_node_owner.h"

#include <functional>
#include <iterator>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "grid/nodes/node_sorter.h"
#include "grid/tree_list/tree_list_errors.h"

TdxTreeListNodeOwner::TdxTreeListNodeOwner() = default;

// The lists free what is left without calling back: the derived tree list
// is gone by now, and its overrides with it.
TdxTreeListNodeOwner::~TdxTreeListNodeOwner() = default;

std::unique_ptr<TdxNodeSortBuffers> TdxTreeListNodeOwner::TakeSortBuffers() {
  if (FSortBuffers == nullptr) return std::make_unique<TdxNodeSortBuffers>();
  return std::move(FSortBuffers);
}

void TdxTreeListNodeOwner::ReturnSortBuffers(std::unique_ptr<TdxNodeSortBuffers> buffers) noexcept {
  // Of two sorts' buffers (a nested sort), one is kept.
  if (FSortBuffers == nullptr) FSortBuffers = std::move(buffers);
}

// --- The node store -------------------------------------------------------------

std::unique_ptr<TdxTreeListNode> TdxTreeListNodeOwner::NewNode() {
  std::unique_ptr<TdxTreeListNode> node = CreateNode();
  if (node == nullptr || node->Owner() != this)
    RaiseInvalidTreeListOperation(std::string(SdxInvalidNodeOwner));
  return node;
}

TdxTreeListNode* TdxTreeListNodeOwner::AddNode() { return InsertNode(nullptr); }

TdxTreeListNode* TdxTreeListNodeOwner::InsertNode(TdxTreeListNode* before) {
  if (before != nullptr && before->FList != &FNodes)
    RaiseInvalidTreeListOperation("The node to insert before is not a top-level node");
  std::unique_ptr<TdxTreeListNode> node = NewNode();
  TdxTreeListNode* added = node.get();
  if (before == nullptr)
    FNodes.Append(std::move(node));
  else
    FNodes.Insert(FNodes.IndexOf(*before), std::move(node));
  NodeAdded(added);
  return added;
}

void TdxTreeListNodeOwner::ReorderSiblings(TdxTreeListNode* parent, std::span<TdxTreeListNode* const> order) {
  if (parent != nullptr && parent->Owner() != this)
    RaiseInvalidTreeListOperation("The node belongs to another tree list");
  (parent != nullptr ? parent->FChildren : FNodes).Reorder(order);
}

void TdxTreeListNodeOwner::PermuteSiblings(TdxTreeListNode* parent, std::span<const std::uint32_t> from,
                                           std::vector<TdxTreeListNode*>* scratch) {
  if (parent != nullptr && parent->Owner() != this)
    RaiseInvalidTreeListOperation("The node belongs to another tree list");
  (parent != nullptr ? parent->FChildren : FNodes).Permute(from, scratch);
}

void TdxTreeListNodeOwner::ReplaceSiblings(TdxTreeListNode* parent, std::span<TdxTreeListNode* const> shown) {
  if (parent != nullptr && parent->Owner() != this)
    RaiseInvalidTreeListOperation("The node belongs to another tree list");
  TdxNodeList& list = parent != nullptr ? parent->FChildren : FNodes;
  // Checked whole first, so a wrong entry leaves the tree as it was: one
  // mark per slot of the two lists the entries may come from.
  std::vector<bool> listTaken(list.FSlots.size()), detachedTaken(FDetached.FSlots.size());
  // A million rows shown again lie scattered in memory: each pass over
  // them asks for the nodes some entries ahead.
  constexpr std::size_t Ahead = 16;
  const auto ahead = [&](std::size_t i) {
    if (i + Ahead < shown.size()) __builtin_prefetch(shown[i + Ahead]);
  };
  std::size_t at = 0;
  for (TdxTreeListNode* node : shown) {
    ahead(at++);
    if (node == nullptr || node->FOwner != this) RaiseInvalidTreeListOperation("The node cannot be shown there");
    std::vector<bool>* taken = node->FList == &list ? &listTaken : node->FList == &FDetached ? &detachedTaken : nullptr;
    if (taken == nullptr || (*taken)[node->FSlot]) RaiseInvalidTreeListOperation("The node cannot be shown there");
    if (parent != nullptr && (node == parent || parent->HasAsParent(node)))
      RaiseInvalidTreeListOperation("The node cannot be shown there");
    (*taken)[node->FSlot] = true;
  }
  std::vector<std::unique_ptr<TdxTreeListNode>> children = list.TakeAll();
  std::vector<std::unique_ptr<TdxTreeListNode>> detached = FDetached.TakeAll();
  const std::size_t listHead = listTaken.size() - children.size();
  const std::size_t detachedHead = detachedTaken.size() - detached.size();
  std::vector<std::unique_ptr<TdxTreeListNode>> result(shown.size());
  // Each node's slot still tells where it stood in the vectors taken above.
  std::size_t i = 0;
  for (TdxTreeListNode* node : shown) {
    ahead(i);
    const std::size_t slot = node->FSlot;
    std::unique_ptr<TdxTreeListNode> owned;
    if (slot >= listHead && slot - listHead < children.size() && children[slot - listHead].get() == node)
      owned = std::move(children[slot - listHead]);
    else
      owned = std::move(detached[slot - detachedHead]);
    owned->FParent = parent;
    result[i++] = std::move(owned);
  }
  std::vector<std::unique_ptr<TdxTreeListNode>> stayDetached;
  stayDetached.reserve(detached.size() + children.size());
  for (auto& node : detached)
    if (node) stayDetached.push_back(std::move(node));
  for (auto& node : children)
    if (node) {
      // Each node touched once more only: a million of them may leave.
      if (parent != nullptr) node->FParent = nullptr;
      stayDetached.push_back(std::move(node));
    }
  FDetached.AppendAll(std::move(stayDetached));
  list.AppendAll(std::move(result));
  SiblingsChanged(list, parent);
}

// After a list of siblings lost some of its nodes: the parent learns whether
// it still has children, and the visible order follows.
void TdxTreeListNodeOwner::SiblingsChanged(TdxNodeList& list, TdxTreeListNode* parent) {
  PlacementChanged();
  if (parent != nullptr) {
    if (list.Empty())
      parent->ChildLeft(false);
    else
      parent->FHasChildren = true;
  }
  RebuildVisibleOrder();
}

TdxNodeList& TdxTreeListNodeOwner::SiblingList(TdxTreeListNode* parent) {
  if (parent != nullptr && parent->Owner() != this)
    RaiseInvalidTreeListOperation("The node belongs to another tree list");
  return parent != nullptr ? parent->FChildren : FNodes;
}

void TdxTreeListNodeOwner::RestoreSiblings(TdxNodeList& list, TdxTreeListNode* parent, std::size_t end) noexcept {
  for (std::size_t slot = list.FHead; slot < end; ++slot) {
    TdxTreeListNode* node = list.FSlots[slot].get();
    node->FList = &list;
    node->FSlot = slot;
    node->FParent = parent;
  }
}

void TdxTreeListNodeOwner::FinishDetaching(TdxNodeList& list, TdxTreeListNode* parent, const std::vector<bool>& refused,
                                           std::size_t detachedEnd) {
  std::vector<std::unique_ptr<TdxTreeListNode>> leaving;
  leaving.reserve(refused.size());
  // Compacted in place towards slot 0, the order kept: only the entries
  // move, the nodes already know their new slots.
  std::size_t write = 0;
  for (std::size_t i = 0; i < refused.size(); ++i) {
    std::unique_ptr<TdxTreeListNode>& entry = list.FSlots[list.FHead + i];
    if (refused[i])
      leaving.push_back(std::move(entry));
    else
      list.FSlots[write++] = std::move(entry);
  }
  list.FSlots.resize(write);
  list.FHead = 0;
  if (write == 0)
    list.Release();
  else if (write < list.FSlots.capacity() / 4)
    list.FSlots.shrink_to_fit();
  if (FDetached.FSlots.size() == detachedEnd) {
    // The slots the nodes were given are where they land.
    if (FDetached.Empty())
      FDetached.FSlots = std::move(leaving);
    else
      FDetached.FSlots.insert(FDetached.FSlots.end(), std::make_move_iterator(leaving.begin()),
                              std::make_move_iterator(leaving.end()));
  } else {
    FDetached.AppendAll(std::move(leaving));
  }
  SiblingsChanged(list, parent);
}

void TdxTreeListNodeOwner::BeginUpdate() { ++FUpdateLock; }

void TdxTreeListNodeOwner::EndUpdate() {
  if (FUpdateLock == 0) RaiseInvalidTreeListOperation("EndUpdate without BeginUpdate");
  --FUpdateLock;
}

void TdxTreeListNodeOwner::FreeAllNodes() {
  struct TClearingScope {
    bool& Flag;
    bool Saved;
    ~TClearingScope() { Flag = Saved; }
  } clearing{FClearing, FClearing};
  FClearing = true;
  // Memory sized for the nodes that go.
  FSortBuffers.reset();
  FFocusedNode = nullptr;
  FTopVisibleNode = nullptr;
  for (TdxNodeList* list : {&FNodes, &FDetached}) {
    // A node still in the list while being freed is one whose freeing is
    // further up the call stack (a handler cleared the tree); it leaves when
    // that freeing ends.
    int index = 0;
    while (TdxTreeListNode* node = list->Items(index)) {
      if (node->Deleting())
        ++index;
      else
        node->Free();
    }
  }
}

void TdxTreeListNodeOwner::PlacementChanged() {
  if (++FPlacementStamp != 0) return;
  // The mark went round: old marks could match again.
  std::vector<TdxTreeListNode*> pending;
  for (TdxNodeList* list : {&FNodes, &FDetached})
    for (int i = 0; TdxTreeListNode* root = list->Items(i); ++i) pending.push_back(root);
  while (!pending.empty()) {
    TdxTreeListNode* node = pending.back();
    pending.pop_back();
    node->FPlacementStamp = 0;
    for (int i = 0; TdxTreeListNode* child = node->Items(i); ++i) pending.push_back(child);
  }
  FPlacementStamp = 1;
}

void TdxTreeListNodeOwner::ForgetNode(const TdxTreeListNode* node) noexcept {
  if (FFocusedNode == node) FFocusedNode = nullptr;
  if (FTopVisibleNode == node) FTopVisibleNode = nullptr;
}

// --- Default answers -------------------------------------------------------------

void TdxTreeListNodeOwner::NodeAdded(TdxTreeListNode* node) {
  if (FTopVisibleNode == nullptr) SetTopVisibleNode(node);
  if (FFocusedNode == nullptr) FFocusedNode = FTopVisibleNode;
}

void TdxTreeListNodeOwner::NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next,
                                       bool wasLast, bool wasVisible) {
  if (FClearing) return;
  if (FNodes.Empty()) {
    SetTopVisibleNode(nullptr);
    FFocusedNode = nullptr;
    return;
  }
  TdxTreeListNode* replacement = before != nullptr ? before : next;
  if (FTopVisibleNode == node) SetTopVisibleNode(replacement);
  if (FFocusedNode == node) FFocusedNode = replacement;
}

void TdxTreeListNodeOwner::NodeChanged(TdxTreeListNode* node, bool relayout) {}

bool TdxTreeListNodeOwner::CanHaveChildren(const TdxTreeListNode* node) const { return node->Count() != 0; }

void TdxTreeListNodeOwner::DoExpanding(TdxTreeListNode* node, bool& allow) {}
void TdxTreeListNodeOwner::DoCollapsing(TdxTreeListNode* node, bool& allow) {}
void TdxTreeListNodeOwner::DoExpanded(TdxTreeListNode* node) {}
void TdxTreeListNodeOwner::DoCollapsed(TdxTreeListNode* node) {}

bool TdxTreeListNodeOwner::FocusNodeOnCollapse(TdxTreeListNode* node) {
  node->SetFocused(true);
  return true;
}

void TdxTreeListNodeOwner::RebuildVisibleOrder() {}

bool TdxTreeListNodeOwner::IsDestroying() const { return false; }

void TdxTreeListNodeOwner::SetTopVisibleNode(TdxTreeListNode* node) { FTopVisibleNode = node; }

void TdxTreeListNodeOwner::SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible) {
  FFocusedNode = node;
  if (node != nullptr && makeVisible) MakeNodeVisible(node);
}

int TdxTreeListNodeOwner::FocusedColumnIndex() const { return 0; }

bool TdxTreeListNodeOwner::IsMultiSelect() const { return false; }

bool TdxTreeListNodeOwner::IsNodeSelected(const TdxTreeListNode* node) const { return false; }

void TdxTreeListNodeOwner::SetNodeSelected(TdxTreeListNode* node, bool selected) {}

TdxTreeListNode* TdxTreeListNodeOwner::GetNextVisibleNode(const TdxTreeListNode* node) const {
  return node != nullptr ? node->NextVisibleInTree() : nullptr;
}

TdxTreeListNode* TdxTreeListNodeOwner::GetPrevVisibleNode(const TdxTreeListNode* node) const {
  return node != nullptr ? node->PrevVisibleInTree() : nullptr;
}

int TdxTreeListNodeOwner::GetAbsoluteIndex(const TdxTreeListNode* node) const {
  if (node == nullptr || !node->IsVisible()) return -1;
  int index = 0;
  for (const TdxTreeListNode* n = FNodes.First(); n != nullptr; n = n->NextVisibleInTree(), ++index)
    if (n == node) return index;
  return -1;
}

void TdxTreeListNodeOwner::MakeNodeVisible(TdxTreeListNode* node) {
  if (node == nullptr) return;
  std::vector<TdxTreeListNode*> collapsed;
  for (TdxTreeListNode* p = node->Parent(); p != nullptr; p = p->Parent())
    if (!p->Expanded()) collapsed.push_back(p);
  if (collapsed.empty()) return;
  TdxTreeListUpdateLock lock(*this);
  for (auto it = collapsed.rbegin(); it != collapsed.rend(); ++it) (*it)->SetExpanded(true);
  lock.Close();
}

int TdxTreeListNodeOwner::CompareEqualNodes(const TdxTreeListNode* node1,
                                            const TdxTreeListNode* node2) const {
  const std::less<const TdxTreeListNode*> less;
  if (less(node1, node2)) return -1;
  return less(node2, node1) ? 1 : 0;
}

Variant TdxTreeListNodeOwner::GetSortValue(const TdxTreeListNode* node, int columnIndex) const {
  return GetCellVariant(node, columnIndex);
}

// --- Checks ---------------------------------------------------------------------

void TdxTreeListNodeOwner::CheckList(const TdxNodeList& list, const TdxTreeListNode* parent) const {
  list.CheckSlots();
  for (int i = 0; const TdxTreeListNode* node = list.Items(i); ++i) {
    if (node->Parent() != parent) RaiseInvalidTreeListOperation("Node tree: a root node has a parent");
    if (node->Owner() != this)
      RaiseInvalidTreeListOperation("Node tree: a node belongs to another tree list");
    node->CheckSubtree();
  }
}

void TdxTreeListNodeOwner::CheckInvariants() const {
  if (FUpdateLock < 0) RaiseInvalidTreeListOperation("Node tree: the update lock is negative");
  CheckList(FNodes, nullptr);
  CheckList(FDetached, nullptr);
  // The references are checked against the nodes found, never followed:
  // a dangling one must be reported, not read.
  std::unordered_set<const TdxTreeListNode*> nodes;
  std::vector<const TdxTreeListNode*> pending;
  for (const TdxNodeList* list : {&FNodes, &FDetached})
    for (int i = 0; const TdxTreeListNode* root = list->Items(i); ++i) pending.push_back(root);
  while (!pending.empty()) {
    const TdxTreeListNode* node = pending.back();
    pending.pop_back();
    nodes.insert(node);
    for (int i = 0; const TdxTreeListNode* child = node->Items(i); ++i) pending.push_back(child);
  }
  if (FFocusedNode != nullptr && !nodes.contains(FFocusedNode))
    RaiseInvalidTreeListOperation("Node tree: the focused node is not a node of the tree");
  if (FTopVisibleNode != nullptr && !nodes.contains(FTopVisibleNode))
    RaiseInvalidTreeListOperation("Node tree: the top visible node is not a node of the tree");
}

// --- Update lock scope --------------------------------------------------------------

TdxTreeListUpdateLock::TdxTreeListUpdateLock(TdxTreeListNodeOwner& owner, bool open)
    : FOwner(open ? &owner : nullptr) {
  if (FOwner != nullptr) FOwner->BeginUpdate();
}

TdxTreeListUpdateLock::~TdxTreeListUpdateLock() {
  if (FOwner == nullptr) return;
  try {
    FOwner->EndUpdate();
  } catch (...) {
    // Reached only while an exception leaves the scope; that one is the
    // error to report, so this one is dropped.
  }
}

void TdxTreeListUpdateLock::Close() {
  if (TdxTreeListNodeOwner* owner = std::exchange(FOwner, nullptr)) owner->EndUpdate();
}
