// Focus and the selection protocol of the tree list core. The base keeps no
// selected nodes itself (SelectedCount, SelectedNodes, IsNodeSelected and
// SetNodeSelected answer "none"); what is here works over those primitives,
// so a tree list that keeps a selection overrides only them.

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_errors.h"

// --- Focus ------------------------------------------------------------------------

void TCustomdxTreeList::SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible) {
  CloseEditor();
  TdxTreeListNode* const oldNode = FocusedNode();
  // The column as it was answered, so that a stored index out of range (or
  // row select) does not count as a change.
  const int oldColumn = FocusedColumnIndex();
  SetFocusedNodeField(node);
  FFocusedColumn = columnIndex;
  FFocusedColumnAbsolute = -2;
  if (IsUpdateLocked()) return;
  const bool nodeChanged = oldNode != node;
  const bool columnChanged = oldColumn != columnIndex;
  if (columnChanged) MakeColumnVisible(FocusedColumnAbsoluteIndex());
  if (oldNode != nullptr && nodeChanged) NodeChanged(oldNode, false);
  if (node != nullptr) NodeChanged(node, false);
  LeaveNewItemRow();
  if (makeVisible && node != nullptr) MakeNodeVisible(node);
  // A search step moves the focus itself; that move keeps the search.
  if ((nodeChanged && FSearchStepDepth == 0) || columnChanged) EndAutoSearch();
  if (nodeChanged) DoChangeNode(oldNode, node);
  if (columnChanged) DoChangeColumn(node, columnIndex);
}

void TCustomdxTreeList::SetTopVisibleNode(TdxTreeListNode* node) {
  if (node == TopVisibleNode()) return;
  TdxTreeListNodeOwner::SetTopVisibleNode(node);
  DoChangeTopVisibleNode();
}

int TCustomdxTreeList::FocusedColumnIndex() const {
  if (OptionOn(tloRowSelect)) return 0;
  if (FFocusedColumn < 0 || FFocusedColumn >= GetVisibleColumnCount()) return 0;
  return FFocusedColumn;
}

void TCustomdxTreeList::SetFocusedColumnIndex(int index) {
  if (index == FFocusedColumn || index < 0 || index >= GetVisibleColumnCount()) return;
  SetFocusedNodeAndColumn(FocusedNode(), index, true);
}

int TCustomdxTreeList::FocusedColumnAbsoluteIndex() const {
  if (FFocusedColumnAbsolute == -2) FFocusedColumnAbsolute = GetAbsoluteColumnIndex(FocusedColumnIndex());
  return FFocusedColumnAbsolute;
}

// --- Selection-change bracket ----------------------------------------------------------

void TCustomdxTreeList::BeginSelectionChange() {
  const int count = FSelectionChangeDepth == 0 ? SelectedCount() : FSelectedCountAtOpen;
  FSelectedCountAtOpen = count;
  ++FSelectionChangeDepth;
}

void TCustomdxTreeList::EndSelectionChange() {
  if (FSelectionChangeDepth == 0)
    RaiseInvalidTreeListOperation("EndSelectionChange without BeginSelectionChange");
  if (--FSelectionChangeDepth > 0 || IsDestroying()) return;
  if (SelectedCount() != FSelectedCountAtOpen) DoSelectedCountChange();
}

TdxSelectionChangeScope::TdxSelectionChangeScope(TCustomdxTreeList& treeList) : FTreeList(&treeList) {
  treeList.BeginSelectionChange();
}

TdxSelectionChangeScope::~TdxSelectionChangeScope() {
  if (FTreeList == nullptr) return;
  try {
    FTreeList->EndSelectionChange();
  } catch (...) {
    // Reached only while an exception leaves the scope; that one is the
    // error to report.
  }
}

void TdxSelectionChangeScope::Close() {
  if (TCustomdxTreeList* treeList = std::exchange(FTreeList, nullptr)) treeList->EndSelectionChange();
}

// --- Selection ----------------------------------------------------------------------

void TCustomdxTreeList::ClearSelection() {
  TdxSelectionChangeScope bracket(*this);
  // Taken first: unselecting changes the indexes.
  std::vector<TdxTreeListNode*> selected;
  for (int i = 0; i < SelectedCount(); ++i)
    if (TdxTreeListNode* node = SelectedNodes(i)) selected.push_back(node);
  for (TdxTreeListNode* node : selected) SetNodeSelected(node, false);
  bracket.Close();
}

void TCustomdxTreeList::SelectRange(TdxTreeListNode* fromNode, TdxTreeListNode* toNode) {
  if (fromNode == nullptr || toNode == nullptr) return;
  int first = GetAbsoluteIndex(fromNode);
  int last = GetAbsoluteIndex(toNode);
  if (first < 0 || last < 0) return;
  if (first > last) std::swap(first, last);
  TdxSelectionChangeScope bracket(*this);
  struct TRangeScope {
    TdxTreeListNode*& Field;
    ~TRangeScope() { Field = nullptr; }
  } range{FRangeFirst};
  FRangeFirst = fromNode;
  // Walked row by row from the first: cheap with or without the flattened
  // order.
  TdxTreeListNode* node = GetAbsoluteNode(first);
  for (int i = first; i <= last && node != nullptr; ++i, node = GetNextVisibleNode(node))
    if (CanSelectNode(node)) SetNodeSelected(node, true);
  bracket.Close();
}

void TCustomdxTreeList::SetSelectionAnchor(TdxTreeListNode* node) { FSelectionAnchor = node; }

int TCustomdxTreeList::CompareWithAnchor(const TdxTreeListNode* node) const {
  const int index = GetAbsoluteIndex(node);
  const int anchor = GetAbsoluteIndex(FSelectionAnchor);
  return (index > anchor) - (index < anchor);
}

bool TCustomdxTreeList::CanSelectNode(TdxTreeListNode* node) {
  if (node == nullptr) return false;
  bool allow = true;
  if (OnCanNodeSelected) OnCanNodeSelected(this, node, allow);
  if (!allow) return false;
  if (OptionOn(tloExtMultiSelect)) return true;
  const TdxTreeListNode* first = SelectedCount() > 0 ? SelectedNodes(0) : FRangeFirst;
  return first == nullptr || first->Parent() == node->Parent();
}

void TCustomdxTreeList::InvalidateSelection() {
  if (SelectedCount() > 10) {
    Invalidate();
    return;
  }
  if (FocusedNode() != nullptr) NodeChanged(FocusedNode(), false);
  for (int i = 0; i < SelectedCount(); ++i) NodeChanged(SelectedNodes(i), false);
}

void TCustomdxTreeList::DeleteSelection() {
  std::vector<TdxTreeListNode*> selected;
  for (int i = 0; i < SelectedCount(); ++i)
    if (TdxTreeListNode* node = SelectedNodes(i)) selected.push_back(node);
  const std::unordered_set<const TdxTreeListNode*> all(selected.begin(), selected.end());
  // A selected node inside a selected subtree goes with its ancestor;
  // freeing it on its own afterwards would touch a freed node.
  std::vector<TdxTreeListNode*> roots;
  for (TdxTreeListNode* node : selected) {
    bool inside = false;
    for (const TdxTreeListNode* p = node->Parent(); p != nullptr && !inside; p = p->Parent())
      inside = all.contains(p);
    if (!inside) roots.push_back(node);
  }
  if (roots.empty()) return;
  TdxTreeListUpdateLock lock(*this);
  for (TdxTreeListNode* node : roots) node->Free();
  lock.Close();
}

void TCustomdxTreeList::SelectFocusedAgain() {
  if (FocusedNode() != nullptr) SetNodeSelected(FocusedNode(), true);
}
