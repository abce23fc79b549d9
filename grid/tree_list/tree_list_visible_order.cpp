#include "grid/tree_list/tree_list_visible_order.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "grid/tree_list/tree_list_errors.h"
#include "grid/nodes/tree_list_node.h"
#include "grid/nodes/tree_list_node_owner.h"

namespace {

// Addresses of unrelated objects are ordered through std::less, which
// gives a total order where the built-in < does not promise one.
bool Before(const TdxTreeListNode* a, const TdxTreeListNode* b) noexcept {
  return std::less<const TdxTreeListNode*>()(a, b);
}

// Sorts entries by their node's address, digit by digit from the lowest
// of the bits in which the addresses differ: a few linear passes where a
// comparison sort of a million entries scattered over the heap costs tens
// of milliseconds.
template <class TEntry>
void SortByAddress(std::vector<TEntry>& entries) {
  if (entries.size() < 2) return;
  std::uintptr_t low = UINTPTR_MAX;
  std::uintptr_t high = 0;
  for (const TEntry& e : entries) {
    const auto a = reinterpret_cast<std::uintptr_t>(e.Node);
    low = std::min(low, a);
    high = std::max(high, a);
  }
  const std::uintptr_t span = high - low;
  int bits = 0;
  while (bits < 64 && (span >> bits) != 0) ++bits;
  constexpr int DigitBits = 11;
  constexpr std::size_t Digits = std::size_t{1} << DigitBits;
  std::vector<TEntry> other(entries.size());
  for (int shift = 0; shift < bits; shift += DigitBits) {
    std::array<std::size_t, Digits> count{};
    for (const TEntry& e : entries) ++count[((reinterpret_cast<std::uintptr_t>(e.Node) - low) >> shift) & (Digits - 1)];
    std::size_t at = 0;
    for (std::size_t& c : count) {
      const std::size_t n = c;
      c = at;
      at += n;
    }
    for (const TEntry& e : entries) other[count[((reinterpret_cast<std::uintptr_t>(e.Node) - low) >> shift) & (Digits - 1)]++] = e;
    entries.swap(other);
  }
}

}  // namespace

void TdxVisibleOrder::Drop() noexcept {
  FByPosition.clear();
  FByIdentity.clear();
  FBuilt = false;
}

void TdxVisibleOrder::Rebuild(const TdxTreeListNodeOwner& owner) {
  Drop();
  for (TdxTreeListNode* node = owner.FirstNode(); node != nullptr; node = node->NextVisibleInTree())
    FByPosition.push_back(node);
  FByIdentity.reserve(FByPosition.size());
  for (int i = 0; i < Count(); ++i) FByIdentity.push_back({FByPosition[static_cast<std::size_t>(i)], i});
  // Nodes made one after another mostly lie in rising addresses: a few
  // rising runs are merged in linear passes instead of sorting a million
  // entries from scratch.
  const auto before = [](const TEntry& a, const TEntry& b) { return Before(a.Node, b.Node); };
  constexpr std::size_t MostRuns = 8;
  std::vector<std::size_t> runEnds;
  for (auto at = FByIdentity.begin(); at != FByIdentity.end() && runEnds.size() <= MostRuns;) {
    at = std::is_sorted_until(at, FByIdentity.end(), before);
    runEnds.push_back(static_cast<std::size_t>(at - FByIdentity.begin()));
  }
  if (runEnds.size() <= MostRuns) {
    for (std::size_t r = 1; r < runEnds.size(); ++r)
      std::inplace_merge(FByIdentity.begin(), FByIdentity.begin() + static_cast<std::ptrdiff_t>(runEnds[r - 1]),
                         FByIdentity.begin() + static_cast<std::ptrdiff_t>(runEnds[r]), before);
  } else {
    SortByAddress(FByIdentity);
  }
  FBuilt = true;
}

std::vector<TdxVisibleOrder::TEntry>::const_iterator TdxVisibleOrder::Find(
    const TdxTreeListNode* node) const noexcept {
  return std::lower_bound(
      FByIdentity.begin(), FByIdentity.end(), node,
      [](const TEntry& entry, const TdxTreeListNode* n) { return Before(entry.Node, n); });
}

int TdxVisibleOrder::IndexOf(const TdxTreeListNode* node) const noexcept {
  if (node == nullptr) return -1;
  auto it = Find(node);
  return it != FByIdentity.end() && it->Node == node ? it->Position : -1;
}

TdxTreeListNode* TdxVisibleOrder::NodeAt(int index) const noexcept {
  if (index < 0 || index >= Count()) return nullptr;
  return FByPosition[static_cast<std::size_t>(index)];
}

void TdxVisibleOrder::ShiftPositions(int from, int delta) noexcept {
  for (TEntry& entry : FByIdentity)
    if (entry.Position >= from) entry.Position += delta;
}

void TdxVisibleOrder::NodeAdded(TdxTreeListNode* node) {
  if (!FBuilt || node == nullptr || !node->IsVisible()) return;
  if (Contains(node) || (node->Expanded() && node->Count() > 0)) {
    Drop();
    return;
  }
  // The row goes before the first row after it that is not below it: its
  // next sibling's, or that of the nearest ancestor that has one. Those are
  // rows, since the node's ancestors are expanded.
  int position = Count();
  for (const TdxTreeListNode* n = node; n != nullptr; n = n->Parent()) {
    if (const TdxTreeListNode* sibling = n->GetNextSibling()) {
      position = IndexOf(sibling);
      break;
    }
  }
  if (position < 0) {
    Drop();
    return;
  }
  ShiftPositions(position, 1);
  FByPosition.insert(FByPosition.begin() + position, node);
  FByIdentity.insert(Find(node), {node, position});
}

bool TdxVisibleOrder::NodeDeleted(const TdxTreeListNode* node) {
  if (!FBuilt || node == nullptr) return false;
  auto it = Find(node);
  if (it == FByIdentity.end() || it->Node != node) return false;
  const int position = it->Position;
  FByIdentity.erase(it);
  FByPosition.erase(FByPosition.begin() + position);
  ShiftPositions(position + 1, -1);
  return true;
}

void TdxVisibleOrder::CheckInvariants(const TdxTreeListNodeOwner& owner) const {
  if (!FBuilt) {
    if (!FByPosition.empty() || !FByIdentity.empty())
      RaiseInvalidTreeListOperation("Visible order: a dropped order keeps rows");
    return;
  }
  if (FByIdentity.size() != FByPosition.size())
    RaiseInvalidTreeListOperation("Visible order: the two lists differ in length");
  // The rows are compared with the tree by address first, so a stale entry
  // is reported before it could be read.
  int index = 0;
  for (const TdxTreeListNode* node = owner.FirstNode(); node != nullptr;
       node = node->NextVisibleInTree(), ++index)
    if (index >= Count() || FByPosition[static_cast<std::size_t>(index)] != node)
      RaiseInvalidTreeListOperation("Visible order: the rows differ from the tree");
  if (index != Count()) RaiseInvalidTreeListOperation("Visible order: rows left over that the tree lacks");
  for (std::size_t i = 0; i < FByIdentity.size(); ++i) {
    const TEntry& entry = FByIdentity[i];
    if (i > 0 && !Before(FByIdentity[i - 1].Node, entry.Node))
      RaiseInvalidTreeListOperation("Visible order: the identity list is out of order");
    if (entry.Position < 0 || entry.Position >= Count() ||
        FByPosition[static_cast<std::size_t>(entry.Position)] != entry.Node)
      RaiseInvalidTreeListOperation("Visible order: a stored position is wrong");
  }
}
