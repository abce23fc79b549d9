#include "grid/nodes/sort_comparers.h"

#include <algorithm>
#include <utility>

#include "framework/core/component/merge_sort.h"
#include "framework/core/text/text.h"
#include "grid/nodes/node_sorter.h"
#include "grid/nodes/tree_list_node.h"
#include "grid/nodes/tree_list_node_owner.h"
#include "grid/tree_list/tree_list_errors.h"

namespace {

// Where the variant gives up, kinds order among themselves.
int KindRank(TVarType type) {
  switch (type) {
    case TVarType::Null:
      return 0;
    case TVarType::Empty:
      return 1;
    case TVarType::Boolean:
      return 2;
    case TVarType::Date:
      return 4;
    case TVarType::String:
      return 5;
    case TVarType::Array:
      return 6;
    default:
      return 3;  // every number kind
  }
}

int Sign(int value) { return (value > 0) - (value < 0); }

// Equality that counts values the variant cannot compare as different, so a
// sort over mixed keys never stops with a conversion error.
bool SameKey(const Variant& v1, const Variant& v2) {
  try {
    return v1 == v2;
  } catch (const EVariantError&) {
    return false;
  }
}

// Texts are made only where they are compared.
int CompareTextKeys(const Variant& k1, const Variant& k2) {
  if (SameKey(k1, k2)) return 0;
  if (!k1.IsNull() && !k2.IsNull() && (VarIsStr(k1) || VarIsStr(k2))) {
    std::string text1, text2;
    try {
      text1 = VarToStr(k1);
      text2 = VarToStr(k2);
    } catch (const EVariantError&) {
      // An array beside a text: the variant order places it.
      return CompareVariants(k1, k2);
    }
    return CompareKeysAsText(k1, &text1, k2, &text2);
  }
  return CompareVariants(k1, k2);
}

// Both records hold the same columns in the same order; the first record's
// direction is the column's.
template <class CompareKeys>
int CompareKeyChains(const TdxTreeListNodeOwner& owner, const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2,
                     CompareKeys compareKeys) {
  const std::size_t count = std::min(r1.Keys.size(), r2.Keys.size());
  for (std::size_t i = 0; i < count; ++i) {
    const int result = compareKeys(r1.Keys[i].Value, r2.Keys[i].Value);
    if (result != 0) return r1.Keys[i].Descending ? -result : result;
  }
  return owner.CompareEqualNodes(r1.Node, r2.Node);
}

}  // namespace

int CompareVariants(const Variant& v1, const Variant& v2) {
  try {
    if (v1.IsNull() || v2.IsNull() || v1.IsEmpty() || v2.IsEmpty()) {
      if (v1 == v2) return 0;
      if (v1.IsNull()) return -1;
      if (v2.IsNull()) return 1;
      return v1 < v2 ? -1 : 1;
    }
    // One three-way comparison: texts beside numbers are parsed only once.
    switch (VarCompareValue(v1, v2)) {
      case vrEqual:
        return 0;
      case vrLessThan:
        return -1;
      default:
        return 1;
    }
  } catch (const EVariantError&) {
    // Answering -1 both ways would make the order depend on where the sort
    // happens to start; the kinds give the same answer from either side.
    return Sign(KindRank(v1.VarType()) - KindRank(v2.VarType()));
  }
}

int CompareKeysAsText(const Variant& k1, const std::string* text1, const Variant& k2, const std::string* text2) {
  if (SameKey(k1, k2)) return 0;
  if (text1 != nullptr && text2 != nullptr && !k1.IsNull() && !k2.IsNull() && (VarIsStr(k1) || VarIsStr(k2))) {
    if (const int result = AnsiCompareStr(*text1, *text2)) return Sign(result);
  }
  return CompareVariants(k1, k2);
}

int CompareByVariant(const TdxTreeListNodeOwner& owner, const TdxNodeSortKeys& r1,
                     const TdxNodeSortKeys& r2) {
  return CompareKeyChains(owner, r1, r2, CompareVariants);
}

int CompareByAnsiString(const TdxTreeListNodeOwner& owner, const TdxNodeSortKeys& r1,
                        const TdxNodeSortKeys& r2) {
  return CompareKeyChains(owner, r1, r2, CompareTextKeys);
}

int CompareByEvent(const TdxTLCompareEvent& onCompare, TObject* sender, const TdxTreeListNodeOwner& owner,
                   const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2) {
  int compare = 0;
  onCompare(sender, r1.Node, r2.Node, compare);
  return compare != 0 ? compare : owner.CompareEqualNodes(r1.Node, r2.Node);
}

TdxNodeSortComparer::TdxNodeSortComparer(const TdxTreeListNodeOwner& owner, bool ansiSort,
                                         TdxTLCompareEvent onCompare, TObject* sender)
    : FOwner(&owner),
      FOnCompare(std::move(onCompare)),
      FSender(sender),
      FKind(FOnCompare ? ckEvent
            : ansiSort ? ckAnsiString
                       : ckVariant) {}

int TdxNodeSortComparer::operator()(const TdxNodeSortKeys& r1, const TdxNodeSortKeys& r2) const {
  switch (FKind) {
    case ckEvent:
      return CompareByEvent(FOnCompare, FSender, *FOwner, r1, r2);
    case ckAnsiString:
      return CompareByAnsiString(*FOwner, r1, r2);
    case ckVariant:
      break;
  }
  return CompareByVariant(*FOwner, r1, r2);
}

void SortNodeList(TdxTreeListNodeOwner& owner, TdxTreeListNode* parent, std::span<const TdxSortColumn> keys,
                  const TdxNodeSortComparer& compare) {
  TdxNodeSorter(owner, keys, compare).SortList(parent);
}

void SortNodeList(TdxTreeListNodeOwner& owner, TdxTreeListNode* parent, std::vector<TdxNodeSortKeys> records,
                  const TdxNodeSortComparer& compare) {
  if (records.size() < 2) return;
  MergeSortStable(
      records, [&compare](const TdxNodeSortKeys& a, const TdxNodeSortKeys& b) { return compare(a, b) < 0; });
  std::vector<TdxTreeListNode*> order;
  order.reserve(records.size());
  for (const TdxNodeSortKeys& record : records) order.push_back(record.Node);
  owner.ReorderSiblings(parent, order);
}

int CompareNodePositions(const TdxTreeListNode* node1, const TdxTreeListNode* node2) {
  if (node1 == nullptr || node2 == nullptr) RaiseInvalidTreeListOperation("Nodes to compare must not be nil");
  if (node1 == node2) return 0;
  if (node1->HasAsParent(node2)) return 1;
  if (node2->HasAsParent(node1)) return -1;
  int level1 = node1->Level();
  int level2 = node2->Level();
  for (; level1 > level2; --level1) node1 = node1->Parent();
  for (; level2 > level1; --level2) node2 = node2->Parent();
  while (node1->Parent() != node2->Parent()) {
    node1 = node1->Parent();
    node2 = node2->Parent();
  }
  return node1->Index() - node2->Index();
}

bool TextEqualsIgnoringCase(std::string_view a, std::string_view b) { return AnsiSameText(a, b); }
