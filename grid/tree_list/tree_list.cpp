#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

#include <unordered_set>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/tree_list/tree_list_errors.h"

TCustomdxTreeList::TCustomdxTreeList(TComponent* owner)
    : TCustomdxContainer(owner),
      FOptions(TreeListOptionsFromBits(DefaultTreeListOptions)),
      FOptionsEx(TreeListOptionsExFromBits(DefaultTreeListOptionsEx)) {
  SetControlStyle({csCaptureMouse, csOpaque, csDoubleClicks});
  SetBounds(Left(), Top(), 250, 150);
  SetTabStop(true);
  // A composition begun over the grid opens the editor, which then takes
  // the composed text.
  SetAcceptsInputMethod(true);
  SetBorderStyle(bsSingle);
  FPreviewFont.SetColor(clBlue);
  const TNotifyEvent fontChanged(this, &TCustomdxTreeList::DrawingFontChanged);
  FBandFont.OnChange = fontChanged;
  FHeaderFont.OnChange = fontChanged;
  FPreviewFont.OnChange = fontChanged;
  FBands = std::make_unique<TdxTreeListBands>(this);
  FBands->Add();
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = TNotifyEvent(this, &TCustomdxTreeList::ImagesChanged);
  FStateImageChangeLink = std::make_unique<TChangeLink>();
  FStateImageChangeLink->OnChange = TNotifyEvent(this, &TCustomdxTreeList::ImagesChanged);
  FCellViewData = std::make_unique<TdxTreeListCellViewData>();
  MakeExpandButtonBitmaps();
}

TCustomdxTreeList::~TCustomdxTreeList() {
  Destroying();
  FVisibleOrder.Drop();
  try {
    ClearNodes();
  } catch (...) {
    // An OnDeletion handler raised: a destructor cannot report it. The nodes
    // left are freed by the node store without calling back.
  }
  // Columns that outlive the tree list (owned by the form) forget it.
  for (TdxTreeListColumn* column : FColumns) column->FTreeList = nullptr;
  FColumns.clear();
  FSortedColumns.clear();
  FBands.reset();
  SetImages(nullptr);
  SetStateImages(nullptr);
}

bool TCustomdxTreeList::IsDestroying() const {
  return ComponentState().Contains(TComponentStateItem::csDestroying);
}

bool TCustomdxTreeList::IsLoading() const {
  return ComponentState().Contains(TComponentStateItem::csLoading);
}

void TCustomdxTreeList::Loaded() {
  TCustomdxContainer::Loaded();
  LayoutChanged();
}

// --- Update lock ------------------------------------------------------------------

void TCustomdxTreeList::BeginUpdate() {
  if (FState == tsNodeDown) FUpdatedWhileSelecting = true;
  TdxTreeListNodeOwner::BeginUpdate();
  try {
    ForgetEditCell();
    // A sizing line, drop arrows or a dragged picture would stay behind.
    CancelLayoutInteraction();
    SetInteractionState(tsNone);
    HideEditor(false);
    ClearCaches();
    BeginSelectionChange();
  } catch (...) {
    TdxTreeListNodeOwner::EndUpdate();
    throw;
  }
}

void TCustomdxTreeList::EndUpdate() {
  TdxTreeListNodeOwner::EndUpdate();
  try {
    LayoutChanged();
  } catch (...) {
    // The bracket BeginUpdate opened closes on every path; the re-measuring
    // error is the one to report.
    try {
      EndSelectionChange();
    } catch (...) {
    }
    throw;
  }
  EndSelectionChange();
}

void TCustomdxTreeList::UnlockUpdate() {
  TdxTreeListNodeOwner::EndUpdate();
  EndSelectionChange();
}

void TCustomdxTreeList::LayoutChanged() {
  if (IsUpdateLocked()) return;
  // Only the count is held: the full BeginUpdate would drop what
  // re-measuring is about to build, and EndUpdate would re-measure again.
  TdxTreeListNodeOwner::BeginUpdate();
  try {
    RecalcMetrics();
  } catch (...) {
    TdxTreeListNodeOwner::EndUpdate();
    throw;
  }
  TdxTreeListNodeOwner::EndUpdate();
  // An open editor follows its cell to where the new layout put it.
  EditorLayoutChanged();
}

void TCustomdxTreeList::ClearCaches() {
  if (FCachesFrozen) return;
  if (!FKeepVisibleOrder) FVisibleOrder.Drop();
  FFocusedColumnAbsolute = -2;
  ResetRowHeights();
}

// A cached height counts only under the current stamp, so dropping every
// row's height costs the same for a million rows as for ten.
void TCustomdxTreeList::ResetRowHeights() {
  if (IsClearing() || IsDestroying()) return;
  ++FRowHeightStamp;
  if (FRowHeightStamp == 0) {
    // The stamp went round: old marks could match again.
    for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext()) node->SetCachedStamp(0);
    FRowHeightStamp = 1;
  }
}

void TCustomdxTreeList::DrawingFontChanged(TObject* sender) { LayoutChanged(); }

// --- Image lists and drawing objects -------------------------------------------------

void TCustomdxTreeList::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages != nullptr) {
    FImages->UnRegisterChanges(FImageChangeLink.get());
    RemoveFreeNotification(FImages);
  }
  FImages = value;
  if (FImages != nullptr) {
    FImages->RegisterChanges(FImageChangeLink.get());
    FreeNotification(FImages);
  }
  if (!IsDestroying()) LayoutChanged();
}

void TCustomdxTreeList::SetStateImages(TCustomImageList* value) {
  if (value == FStateImages) return;
  if (FStateImages != nullptr) {
    FStateImages->UnRegisterChanges(FStateImageChangeLink.get());
    RemoveFreeNotification(FStateImages);
  }
  FStateImages = value;
  if (FStateImages != nullptr) {
    FStateImages->RegisterChanges(FStateImageChangeLink.get());
    FreeNotification(FStateImages);
  }
  if (!IsDestroying()) LayoutChanged();
}

void TCustomdxTreeList::Notification(TComponent* component, TOperation operation) {
  TCustomdxContainer::Notification(component, operation);
  if (operation != opRemove) return;
  EditorRemoved(component);
  // The list is past its own destructor (it has let its links go): only
  // the references are dropped.
  if (component != FImages && component != FStateImages) return;
  if (component == FImages) FImages = nullptr;
  if (component == FStateImages) FStateImages = nullptr;
  if (!IsDestroying()) LayoutChanged();
}

void TCustomdxTreeList::ImagesChanged(TObject* /*sender*/) { LayoutChanged(); }

void TCustomdxTreeList::LookAndFeelChanged() { MakeExpandButtonBitmaps(); }

void TCustomdxTreeList::SysColorChanged() {
  MakeExpandButtonBitmaps();
  Invalidate();
}

// The 12 x 12 raised buttons with a minus (expanded) or a plus (collapsed)
// in the current button colours.
void TCustomdxTreeList::MakeExpandButtonBitmaps() {
  auto make = [](bool plus) {
    auto bitmap = std::make_unique<TBitmap>(12, 12);
    TCanvas& canvas = bitmap->Canvas();
    TRect r = Rect(0, 0, 12, 12);
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(r);
    canvas.DrawEdge(r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
    TRect inner = Rect(0, 0, 11, 11);
    canvas.DrawEdge(inner, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
    canvas.Brush().SetColor(clBtnText);
    canvas.FillRect(Rect(3, 5, 9, 6));
    if (plus) canvas.FillRect(Rect(5, 3, 6, 9));
    return bitmap;
  };
  FPlusBitmap = make(true);
  FMinusBitmap = make(false);
}

// --- Nodes ------------------------------------------------------------------------

void TCustomdxTreeList::ClearNodes() {
  TdxTreeListUpdateLock lock(*this, !IsDestroying());
  ClearCaches();
  FVisibleOrder.Drop();
  ClearSelection();
  ResetNodeReferences();
  struct TFreezeScope {
    bool& Flag;
    bool Saved;
    ~TFreezeScope() { Flag = Saved; }
  } freeze{FCachesFrozen, FCachesFrozen};
  FCachesFrozen = true;
  FreeAllNodes();
  lock.Close();
}

void TCustomdxTreeList::ResetNodeReferences() {
  SetTopVisibleNode(nullptr);
  SetFocusedNodeField(nullptr);
  ForgetEditCell();
  FSelectionAnchor = nullptr;
  FRangeFirst = nullptr;
  FShiftExtending = false;
  FFocusedBeforePress = nullptr;
  FDragNode = nullptr;
  FHotTrackNode = nullptr;
  ForgetInteractionNodes();
}

void TCustomdxTreeList::NodeAdded(TdxTreeListNode* node) {
  CloseEditor();
  ForgetEditCell();
  TdxTreeListNodeOwner::NodeAdded(node);
  // Under the lock (and while loading) the order is dropped instead of
  // being followed node by node; the outermost EndUpdate rebuilds it once.
  if (IsUpdateLocked() || IsLoading() || IsDestroying()) {
    FVisibleOrder.Drop();
    if (IsUpdateLocked()) return;
  } else if (FVisibleOrder.Built()) {
    FVisibleOrder.NodeAdded(node);
    // The child before a new last child no longer ends its parent, so its
    // row footers (and height) change.
    TdxTreeListNode* parent = node->Parent();
    if (parent != nullptr && parent->Count() > 1 && node->IsLast())
      node->GetPrevSibling()->SetCachedRowHeight(0);
    if (RowAutoHeight() && !FCachesFrozen) ResetRowHeights();
  }
  TdxTreeListNode* from = node->GetPrevSiblingOrParent();
  NodeChanged(from != nullptr ? from : node, true);
}

void TCustomdxTreeList::NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before, TdxTreeListNode* next,
                                    bool wasLast, bool wasVisible) {
  try {
    if (node == FHintNode) HideHint();
    DoDeletion(node);
    if (IsClearing()) return;
    if (IsNodeSelected(node)) SetNodeSelected(node, false);
    if (Count() == 0) {
      if (!IsDestroying()) ClearCaches();
      FVisibleOrder.Drop();
      ResetNodeReferences();
      if (!IsUpdateLocked() && !IsDestroying()) {
        UpdateScrollBars();
        Invalidate();
      }
      return;
    }
    const bool wasTop = TopVisibleNode() == node;
    const bool wasFocused = FocusedNode() == node;
    TdxTreeListNode* replacement = before != nullptr ? before : next;
    TdxTreeListNodeOwner::NodeDeleted(node, before, next, wasLast, wasVisible);
    if (FSelectionAnchor == node) FSelectionAnchor = replacement;
    if (FRangeFirst == node) FRangeFirst = nullptr;
    FFocusedBeforePress = nullptr;
    FDragNode = nullptr;
    FHotTrackNode = nullptr;
    ForgetInteractionNodes();
    CloseEditor();
    ForgetEditCell();
    if (FVisibleOrder.Contains(node)) {
      // A node whose parent is going too is one of a subtree leaving row by
      // row; one rebuild later is cheaper than moving every row each time.
      const bool subtreeGoing = node->Parent() != nullptr && node->Parent()->Deleting();
      if (IsUpdateLocked() || IsDestroying() || subtreeGoing)
        FVisibleOrder.Drop();
      else
        FVisibleOrder.NodeDeleted(node);
    }
    // The rows of a subtree that goes are laid out again once, when its
    // root goes: the scroll bars count the rows, which row by row would
    // cost the whole tree for each.
    const bool insideGoingSubtree = node->Parent() != nullptr && node->Parent()->Deleting();
    if (wasVisible && !insideGoingSubtree) {
      TdxTreeListNode* from = wasTop ? TopVisibleNode() : wasFocused ? FocusedNode() : replacement;
      if (from != nullptr) NodeChanged(from, true);
    }
  } catch (...) {
    // The node is freed whatever a handler did: nothing may keep pointing
    // at it.
    if (FVisibleOrder.Contains(node)) FVisibleOrder.Drop();
    if (FSelectionAnchor == node) FSelectionAnchor = nullptr;
    if (FRangeFirst == node) FRangeFirst = nullptr;
    if (FEditNode == node) ForgetEditCell();
    if (FFocusedBeforePress == node) FFocusedBeforePress = nullptr;
    if (FDragNode == node) FDragNode = nullptr;
    if (FHotTrackNode == node) FHotTrackNode = nullptr;
    throw;
  }
}

void TCustomdxTreeList::NodeChanged(TdxTreeListNode* node, bool relayout) {
  if (node == nullptr || node->Deleting() || IsUpdateLocked() || IsDestroying() || !node->IsVisible()) return;
  if (relayout) {
    UpdateScrollBars();
    CorrectScrollPosition();
  }
  TRect row = GetNodeRowRect(node);
  if (row.Left == -1 && row.Top == -1 && row.Right == -1 && row.Bottom == -1) return;
  if (relayout) row.Bottom = GetRowsAreaRect().Bottom;
  InvalidateRect(row);
}

TdxTreeListNode* TCustomdxTreeList::LastVisibleNode() const {
  TdxTreeListNode* node = Items(Count() - 1);
  while (node != nullptr && node->Expanded() && node->Count() > 0) node = node->GetLastChild();
  return node;
}

TdxTreeListNode* TCustomdxTreeList::GetRelativeNode(TdxTreeListNode* node, TdxRelativeNodeKind kind,
                                                    bool flag) const {
  if (node == nullptr) return nullptr;
  switch (kind) {
    case rnFirst:
      return FirstNode();
    case rnPrev:
      return node->GetPrevVisible();
    case rnNext:
      return flag ? node->GetNext() : node->GetNextVisible();
    case rnLast: {
      TdxTreeListNode* last = LastVisibleNode();
      if (flag)
        while (last != nullptr && last->Count() > 0) last = last->GetLastChild();
      return last;
    }
  }
  return nullptr;
}

// --- Visible order --------------------------------------------------------------

const TdxVisibleOrder* TCustomdxTreeList::Order(bool build) const {
  if (IsDestroying()) return nullptr;
  if (!FVisibleOrder.Built()) {
    if (!build || IsUpdateLocked() || IsClearing()) return nullptr;
    FVisibleOrder.Rebuild(*this);
  }
  return &FVisibleOrder;
}

void TCustomdxTreeList::RebuildVisibleOrder() {
  if (IsDestroying()) {
    FVisibleOrder.Drop();
    return;
  }
  FVisibleOrder.Rebuild(*this);
  if (RowAutoHeight() && !FCachesFrozen) ResetRowHeights();
}

int TCustomdxTreeList::GetAbsoluteIndex(const TdxTreeListNode* node) const {
  if (node == nullptr) return -1;
  if (const TdxVisibleOrder* order = Order(true)) return order->IndexOf(node);
  return TdxTreeListNodeOwner::GetAbsoluteIndex(node);
}

TdxTreeListNode* TCustomdxTreeList::GetAbsoluteNode(int index) const {
  if (index < 0) return nullptr;
  if (const TdxVisibleOrder* order = Order(true)) return order->NodeAt(index);
  TdxTreeListNode* node = FirstNode();
  for (; node != nullptr && index > 0; --index) node = node->NextVisibleInTree();
  return node;
}

int TCustomdxTreeList::VisibleNodeCount() const {
  if (const TdxVisibleOrder* order = Order(true)) return order->Count();
  int count = 0;
  for (const TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->NextVisibleInTree()) ++count;
  return count;
}

// The neighbours never rebuild the order: a subtree being freed asks for
// them node by node while the order is dropped, and the tree answers them
// cheaply. A node without a row (inside a collapsed parent) has no
// neighbour in the order either; the tree answers for it too.
TdxTreeListNode* TCustomdxTreeList::GetNextVisibleNode(const TdxTreeListNode* node) const {
  if (node == nullptr) return nullptr;
  if (const TdxVisibleOrder* order = Order(false)) {
    const int index = order->IndexOf(node);
    if (index >= 0) return order->NodeAt(index + 1);
  }
  return node->NextVisibleInTree();
}

TdxTreeListNode* TCustomdxTreeList::GetPrevVisibleNode(const TdxTreeListNode* node) const {
  if (node == nullptr) return nullptr;
  if (const TdxVisibleOrder* order = Order(false)) {
    const int index = order->IndexOf(node);
    if (index >= 0) return order->NodeAt(index - 1);
  }
  return node->PrevVisibleInTree();
}

int TCustomdxTreeList::TopIndex() const {
  return TopVisibleNode() != nullptr ? GetAbsoluteIndex(TopVisibleNode()) : -1;
}

int TCustomdxTreeList::FocusedAbsoluteIndex() const {
  return FocusedNode() != nullptr ? GetAbsoluteIndex(FocusedNode()) : 0;
}

// --- Interaction and editing --------------------------------------------------------

void TCustomdxTreeList::SetInteractionState(TdxTreeListState state) {
  FState = state;
  if (state != tsEditing) return;
  // Editing may be asked for before any editor was made.
  if (TdxInplaceEdit* editor = InplaceEditor()) editor->EditButtonKey();
  if (FSearching) EndAutoSearch();
}

void TCustomdxTreeList::ForgetEditCell() {
  FEditNode = nullptr;
  FEditColumn = -1;
}

void TCustomdxTreeList::SetEditCell(TdxTreeListNode* node, int column) {
  FEditNode = node;
  FEditColumn = column;
}

// --- Events -------------------------------------------------------------------------

void TCustomdxTreeList::DoExpanding(TdxTreeListNode* node, bool& allow) {
  if (OnExpanding) OnExpanding(this, node, allow);
}

void TCustomdxTreeList::DoCollapsing(TdxTreeListNode* node, bool& allow) {
  if (OnCollapsing) OnCollapsing(this, node, allow);
}

void TCustomdxTreeList::DoExpanded(TdxTreeListNode* node) {
  if (OnExpanded) OnExpanded(this, node);
}

void TCustomdxTreeList::DoCollapsed(TdxTreeListNode* node) {
  if (OnCollapsed) OnCollapsed(this, node);
}

void TCustomdxTreeList::DoDeletion(TdxTreeListNode* node) {
  if (OnDeletion) OnDeletion(this, node);
}

void TCustomdxTreeList::DoChangeNode(TdxTreeListNode* oldNode, TdxTreeListNode* node) {
  if (OnChangeNode) OnChangeNode(this, oldNode, node);
}

void TCustomdxTreeList::DoChangeColumn(TdxTreeListNode* node, int column) {
  if (OnChangeColumn) OnChangeColumn(this, node, column);
}

void TCustomdxTreeList::DoChangeLeftCoord() {
  if (OnChangeLeftCoord) OnChangeLeftCoord(this);
}

void TCustomdxTreeList::DoChangeTopVisibleNode() {
  if (OnChangeTopVisibleNode && !IsDestroying()) OnChangeTopVisibleNode(this);
}

void TCustomdxTreeList::DoSelectedCountChange() {
  if (OnSelectedCountChange) OnSelectedCountChange(this);
}

void TCustomdxTreeList::DoEditing(TdxTreeListNode* node, bool& allow) {
  if (OnEditing) OnEditing(this, node, allow);
}

void TCustomdxTreeList::DoEdited(TdxTreeListNode* node) {
  if (OnEdited) OnEdited(this, node);
}

void TCustomdxTreeList::DoEditChange() {
  if (OnEditChange) OnEditChange(this);
}

// --- Checks ----------------------------------------------------------------------

void TCustomdxTreeList::CheckReference(const TdxTreeListNode* node, const char* what) const {
  if (node == nullptr) return;
  std::unordered_set<const TdxTreeListNode*> nodes;
  for (const TdxTreeListNode* n = FirstNode(); n != nullptr; n = n->GetNext()) nodes.insert(n);
  for (int i = 0; i < DetachedCount(); ++i)
    for (const TdxTreeListNode* n = DetachedNodes(i); n != nullptr; n = n->GetNext()) nodes.insert(n);
  if (!nodes.contains(node))
    RaiseInvalidTreeListOperation(std::string("Tree list: the ") + what + " is not a node of the tree");
}

void TCustomdxTreeList::CheckInvariants() const {
  TdxTreeListNodeOwner::CheckInvariants();
  FVisibleOrder.CheckInvariants(*this);
  if (FSelectionChangeDepth < 0)
    RaiseInvalidTreeListOperation("Tree list: the selection bracket is negative");
  CheckReference(FSelectionAnchor, "selection anchor");
  CheckReference(FEditNode, "edited node");
  CheckReference(FFocusedBeforePress, "node focused before the press");
  CheckReference(FDragNode, "drag node");
  CheckReference(FHotTrackNode, "hot-tracked node");
}
