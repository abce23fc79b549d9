// The selection of the dataset-bound tree list: a list of bookmarks kept in
// the dataset's order, each with the node that shows its record where one
// is kept. Bookmarks are binary and a dataset may give the same record
// different bytes (the slot it was read in), so they are only ever compared
// by the dataset's CompareBookmarks, never as text.

#include <algorithm>

#include "datagrid/control/db_tree_list_control.h"
#include "framework/core/base/binary_find.h"

int TCustomdxDBTreeListControl::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (!LinkActive()) return -1;
  return DataSet()->CompareBookmarks(a, b);
}

bool TCustomdxDBTreeListControl::FindBookmark(const TBookmark& bookmark, int& index) const {
  // The cache is keyed by the exact bytes asked for: the same bytes mean the
  // same record, and the answer stays right until the list changes.
  if (FCacheIndex >= 0 && bookmark == FCacheBookmark) {
    FLastSearchCached = true;
    index = FCacheIndex;
    return FCacheFound;
  }
  FLastSearchCached = false;
  const bool found = BinaryFind(
      static_cast<int>(FSelected.size()),
      [&](int i) { return CompareBookmarks(FSelected[static_cast<std::size_t>(i)].Bookmark, bookmark); }, index);
  FCacheBookmark = bookmark;
  FCacheIndex = index;
  FCacheFound = found;
  return found;
}

void TCustomdxDBTreeListControl::InsertSelected(int index, TBookmark bookmark, TdxTreeListNode* node) {
  index = std::clamp(index, 0, SelectedBookmarkCount());
  FSelected.insert(FSelected.begin() + index, TdxSelectedBookmark{std::move(bookmark), node});
  if (node != nullptr) FSelectedNodes.insert(node);
  FCacheIndex = -1;
}

void TCustomdxDBTreeListControl::RemoveSelected(int index) {
  if (index < 0 || index >= SelectedBookmarkCount()) return;
  if (const TdxTreeListNode* node = FSelected[static_cast<std::size_t>(index)].Node) FSelectedNodes.erase(node);
  FSelected.erase(FSelected.begin() + index);
  FCacheIndex = -1;
}

void TCustomdxDBTreeListControl::ClearSelectedList() {
  FSelected.clear();
  FSelectedNodes.clear();
  FCacheIndex = -1;
}

void TCustomdxDBTreeListControl::ForgetSelectedNode(const TdxTreeListNode* node) {
  if (FSelectedNodes.erase(node) == 0) return;
  for (std::size_t i = 0; i < FSelected.size(); ++i)
    if (FSelected[i].Node == node) {
      FSelected.erase(FSelected.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  FCacheIndex = -1;
}

TdxTreeListNode* TCustomdxDBTreeListControl::SelectedNodes(int index) const {
  if (index < 0 || index >= SelectedBookmarkCount()) return nullptr;
  return FSelected[static_cast<std::size_t>(index)].Node;
}

void TCustomdxDBTreeListControl::ClearSelection() {
  if (!FSelected.empty()) {
    if (!IsDestroying()) {
      TdxSelectionChangeScope scope(*this);
      InvalidateSelection();
      ClearSelectedList();
      scope.Close();
    } else {
      ClearSelectedList();
    }
  }
  SetSelectionAnchor(nullptr);
}

TBookmark TCustomdxDBTreeListControl::NodeBookmark(const TdxTreeListNode*) const {
  return LinkActive() ? DataSet()->GetBookmark() : TBookmark();
}

bool TCustomdxDBTreeListControl::IsNodeSelected(const TdxTreeListNode* node) const {
  if (node == nullptr || FSelected.empty()) return false;
  if (FSelectedNodes.contains(node)) return true;
  if (!IsBufferMode()) return false;
  // The record window keeps no nodes in the list: the row's record decides.
  int index = 0;
  return FindBookmark(NodeBookmark(node), index);
}

void TCustomdxDBTreeListControl::SetNodeSelected(TdxTreeListNode* node, bool selected) {
  if (node == nullptr) return;
  TdxSelectionChangeScope scope(*this);
  if (!UsesBookmarks()) {
    // Nodes without bookmarks, in address order.
    auto position = std::lower_bound(FSelected.begin(), FSelected.end(), node,
                                     [](const TdxSelectedBookmark& entry, const TdxTreeListNode* n) {
                                       return std::less<const TdxTreeListNode*>()(entry.Node, n);
                                     });
    const bool present = position != FSelected.end() && position->Node == node;
    if (selected && !present) InsertSelected(static_cast<int>(position - FSelected.begin()), {}, node);
    if (!selected && present) RemoveSelected(static_cast<int>(position - FSelected.begin()));
  } else {
    const TBookmark bookmark = NodeBookmark(node);
    if (bookmark.empty()) return;
    int index = 0;
    const bool present = FindBookmark(bookmark, index);
    TdxTreeListNode* kept = IsBufferMode() ? nullptr : node;
    if (selected && !present) InsertSelected(index, bookmark, kept);
    if (!selected && present) RemoveSelected(index);
  }
  NodeChanged(node, false);
  scope.Close();
}

void TCustomdxDBTreeListControl::SyncSelection() {
  if (!IsMultiSelect() || Focused() || State() == tsEditing || FocusedNode() == nullptr) return;
  if (SelectedCount() == 1 && IsNodeSelected(FocusedNode())) return;
  TdxSelectionChangeScope scope(*this);
  ClearSelection();
  SetNodeSelected(FocusedNode(), true);
  scope.Close();
}
