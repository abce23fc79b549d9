#include "grid/nodes/node_list.h"

#include <algorithm>
#include <utility>

#include "grid/tree_list/tree_list_errors.h"
#include "grid/nodes/tree_list_node.h"

TdxNodeList::TdxNodeList() = default;
TdxNodeList::~TdxNodeList() = default;

int TdxNodeList::IndexOf(const TdxTreeListNode& node) const noexcept {
  return static_cast<int>(node.FSlot - FHead);
}

void TdxNodeList::Place(std::size_t slot, std::unique_ptr<TdxTreeListNode> node) noexcept {
  node->FList = this;
  node->FSlot = slot;
  FSlots[slot] = std::move(node);
}

void TdxNodeList::Renumber(std::size_t from, std::size_t to) noexcept {
  for (std::size_t slot = from; slot < to; ++slot) FSlots[slot]->FSlot = slot;
}

void TdxNodeList::Append(std::unique_ptr<TdxTreeListNode> node) {
  FSlots.emplace_back();
  Place(FSlots.size() - 1, std::move(node));
}

// A gap as large as the list lets the next Count insertions at the front
// take O(1) each, which pays for the O(Count) move made here.
void TdxNodeList::OpenFrontGap() {
  const std::size_t count = FSlots.size() - FHead;
  const std::size_t gap = std::max<std::size_t>(count, 8);
  std::vector<std::unique_ptr<TdxTreeListNode>> slots(gap + count);
  std::move(FSlots.begin() + static_cast<std::ptrdiff_t>(FHead), FSlots.end(),
            slots.begin() + static_cast<std::ptrdiff_t>(gap));
  FSlots = std::move(slots);
  FHead = gap;
  Renumber(FHead, FSlots.size());
}

// Called once the gap fills more than three quarters of the slots, so a
// list that shrinks from the front gives its memory back, while alternating
// front insertions and removals never copy the list on every step.
void TdxNodeList::CloseFrontGap() {
  FSlots.erase(FSlots.begin(), FSlots.begin() + static_cast<std::ptrdiff_t>(FHead));
  FHead = 0;
  Renumber(0, FSlots.size());
}

void TdxNodeList::Insert(int index, std::unique_ptr<TdxTreeListNode> node) {
  const int count = Count();
  if (index < 0 || index > count) RaiseInvalidTreeListOperation("Node list index out of bounds");
  if (index == count) {
    Append(std::move(node));
    return;
  }
  if (index < count / 2 + 1) {
    if (FHead == 0) OpenFrontGap();
    // The entries before index move one slot towards the front.
    const std::size_t at = FHead + static_cast<std::size_t>(index);
    for (std::size_t slot = FHead; slot < at; ++slot) {
      FSlots[slot - 1] = std::move(FSlots[slot]);
      FSlots[slot - 1]->FSlot = slot - 1;
    }
    --FHead;
    Place(at - 1, std::move(node));
    return;
  }
  const std::size_t at = FHead + static_cast<std::size_t>(index);
  FSlots.emplace(FSlots.begin() + static_cast<std::ptrdiff_t>(at));
  Place(at, std::move(node));
  Renumber(at + 1, FSlots.size());
}

std::unique_ptr<TdxTreeListNode> TdxNodeList::Extract(int index) {
  const int count = Count();
  if (index < 0 || index >= count) RaiseInvalidTreeListOperation("Node list index out of bounds");
  const std::size_t at = FHead + static_cast<std::size_t>(index);
  std::unique_ptr<TdxTreeListNode> node = std::move(FSlots[at]);
  if (index < count / 2) {
    // The entries before index move one slot towards the back.
    for (std::size_t slot = at; slot > FHead; --slot) {
      FSlots[slot] = std::move(FSlots[slot - 1]);
      FSlots[slot]->FSlot = slot;
    }
    ++FHead;
  } else {
    FSlots.erase(FSlots.begin() + static_cast<std::ptrdiff_t>(at));
    Renumber(at, FSlots.size());
  }
  node->FList = nullptr;
  node->FSlot = 0;
  if (Empty())
    Release();
  else if (FHead > 16 && FHead * 4 > FSlots.size() * 3)
    CloseFrontGap();
  return node;
}

void TdxNodeList::Move(int from, int to) {
  const int count = Count();
  if (from < 0 || from >= count || to < 0 || to >= count)
    RaiseInvalidTreeListOperation("Node list index out of bounds");
  if (from == to) return;
  auto first = FSlots.begin() + static_cast<std::ptrdiff_t>(FHead);
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
  Renumber(FHead + static_cast<std::size_t>(std::min(from, to)),
           FHead + static_cast<std::size_t>(std::max(from, to)) + 1);
}

void TdxNodeList::Reorder(std::span<TdxTreeListNode* const> order) {
  const std::size_t count = FSlots.size() - FHead;
  if (order.size() != count) RaiseInvalidTreeListOperation("The new order must hold every node of the list");
  std::vector<bool> seen(count, false);
  for (TdxTreeListNode* node : order) {
    if (node == nullptr || node->FList != this || seen[node->FSlot - FHead])
      RaiseInvalidTreeListOperation("The new order must hold every node of the list once");
    seen[node->FSlot - FHead] = true;
  }
  std::vector<std::unique_ptr<TdxTreeListNode>> slots(count);
  for (std::size_t i = 0; i < count; ++i) slots[i] = std::move(FSlots[order[i]->FSlot]);
  FSlots = std::move(slots);
  FHead = 0;
  Renumber(0, count);
}

void TdxNodeList::Permute(std::span<const std::uint32_t> from, std::vector<TdxTreeListNode*>* scratch) {
  const std::size_t count = FSlots.size() - FHead;
  if (from.size() != count) RaiseInvalidTreeListOperation("The new order must hold every node of the list");
  std::vector<bool> seen(count, false);
  for (std::uint32_t index : from) {
    if (index >= count || seen[index])
      RaiseInvalidTreeListOperation("The new order must hold every node of the list once");
    seen[index] = true;
  }
  // The nodes are let go and taken again in their new places: reads from
  // anywhere but one after the other, independent of each other, into the
  // same slots.
  std::vector<TdxTreeListNode*> local;
  std::vector<TdxTreeListNode*>& nodes = scratch != nullptr ? *scratch : local;
  nodes.resize(count);
  std::unique_ptr<TdxTreeListNode>* slots = FSlots.data() + FHead;
  for (std::size_t i = 0; i < count; ++i) nodes[i] = slots[i].release();
  for (std::size_t i = 0; i < count; ++i) slots[i].reset(nodes[from[i]]);
  Renumber(FHead, FSlots.size());
}

void TdxNodeList::Release() noexcept {
  FSlots.clear();
  FSlots.shrink_to_fit();
  FHead = 0;
}

std::vector<std::unique_ptr<TdxTreeListNode>> TdxNodeList::TakeAll() noexcept {
  std::vector<std::unique_ptr<TdxTreeListNode>> nodes = std::move(FSlots);
  if (FHead > 0) nodes.erase(nodes.begin(), nodes.begin() + static_cast<std::ptrdiff_t>(FHead));
  // The nodes keep their old list and slot until AppendAll places them
  // again (ReplaceSiblings reads the slots meanwhile).
  Release();
  return nodes;
}

void TdxNodeList::AppendAll(std::vector<std::unique_ptr<TdxTreeListNode>> nodes) {
  if (nodes.empty()) return;
  if (Empty()) {
    FSlots = std::move(nodes);
    FHead = 0;
    // A million nodes scattered in memory (records a filter hides) are
    // each written once: asked for some entries ahead.
    constexpr std::size_t Ahead = 16;
    for (std::size_t slot = 0; slot < FSlots.size(); ++slot) {
      if (slot + Ahead < FSlots.size()) __builtin_prefetch(FSlots[slot + Ahead].get(), 1);
      FSlots[slot]->FList = this;
      FSlots[slot]->FSlot = slot;
    }
    return;
  }
  FSlots.reserve(FSlots.size() + nodes.size());
  constexpr std::size_t Ahead = 16;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (i + Ahead < nodes.size()) __builtin_prefetch(nodes[i + Ahead].get(), 1);
    Append(std::move(nodes[i]));
  }
}

void TdxNodeList::CheckSlots() const {
  if (Empty() && (FHead != 0 || FSlots.capacity() != 0))
    RaiseInvalidTreeListOperation("Node tree: an empty list keeps storage");
  for (std::size_t slot = 0; slot < FSlots.size(); ++slot) {
    const TdxTreeListNode* node = FSlots[slot].get();
    if (slot < FHead) {
      if (node != nullptr) RaiseInvalidTreeListOperation("Node tree: a node before the list's head");
      continue;
    }
    if (node == nullptr) RaiseInvalidTreeListOperation("Node tree: an empty entry in a list");
    if (node->FList != this || node->FSlot != slot)
      RaiseInvalidTreeListOperation("Node tree: a node does not know its place in its list");
  }
}
