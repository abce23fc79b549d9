// Selection, deleting, inserting and appending records, and the keys and
// mouse clicks the data-aware grid answers before the tree list does.

#include <algorithm>
#include <exception>
#include <optional>

#include "datagrid/grid/db_grid.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"
#include "framework/gui/controls/custom_control.h"
#include "framework/gui/standard/dialogs.h"

namespace {

bool IsGroupRow(const TdxTreeListNode* node) { return node != nullptr && node->Count() > 0; }

}  // namespace

// --- Selection ------------------------------------------------------------------------------------

bool TCustomdxDBGrid::CanSelectNode(TdxTreeListNode* node) {
  if (node == nullptr) return false;
  bool allow = true;
  if (OnCanNodeSelected) OnCanNodeSelected(this, node, allow);
  if (!allow) return false;
  // Group rows and records are never selected together.
  if (!IsBufferMode() && SelectedCount() > 0) {
    const TdxTreeListNode* first = SelectedNodes(0);
    if (IsGroupRow(node) || IsGroupRow(first)) return false;
  }
  return true;
}

void TCustomdxDBGrid::SetNodeSelected(TdxTreeListNode* node, bool selected) {
  if (selected && !CanSelectNode(node)) return;
  TCustomdxDBTreeListControl::SetNodeSelected(node, selected);
}

void TCustomdxDBGrid::SelectRange(TdxTreeListNode* fromNode, TdxTreeListNode* toNode) {
  if (DataSetEditing() || !IsMultiSelect() || fromNode == nullptr || toNode == nullptr) return;
  TdxSelectionChangeScope scope(*this);
  if (IsBufferMode()) {
    TCustomdxDBTreeListControl::SelectRange(fromNode, toNode);
    scope.Close();
    return;
  }
  int low = GetAbsoluteIndex(fromNode);
  int high = GetAbsoluteIndex(toNode);
  if (low > high) std::swap(low, high);
  if (UsesBookmarks()) {
    TdxTreeListNode* focused = FocusedNode();
    TdxGridBusyScope busy(*this);
    TDisableControlsScope controls(*DataSet());
    TdxTreeListUpdateLock lock(*this);
    for (int i = low; i <= high; ++i) SetNodeSelected(GetAbsoluteNode(i), true);
    if (focused != nullptr) TCustomdxDBTreeListControl::SetFocusedNodeAndColumn(focused, FocusedColumnIndex(), false);
    lock.Close();
  } else {
    std::vector<TdxTreeListNode*> nodes;
    for (int i = low; i <= high; ++i)
      if (TdxTreeListNode* node = GetAbsoluteNode(i); CanSelectNode(node)) nodes.push_back(node);
    for (int i = 0; i < SelectedCount(); ++i) nodes.push_back(SelectedNodes(i));
    std::sort(nodes.begin(), nodes.end(), std::less<TdxTreeListNode*>());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    ClearSelectedList();
    for (TdxTreeListNode* node : nodes) InsertSelected(SelectedBookmarkCount(), {}, node);
    Invalidate();
  }
  scope.Close();
}

void TCustomdxDBGrid::SelectRecordRange(TKey key) {
  TDataSet* dataSet = DataSet();
  if (!IsBufferMode() || !LinkActive() || !IsMultiSelect()) return;
  TdxSelectionChangeScope scope(*this);
  std::vector<TBookmark> marks;
  {
    TDisableControlsScope controls(*dataSet);
    if (FAnchorBookmark.empty() || !dataSet->BookmarkValid(FAnchorBookmark))
      FAnchorBookmark = dataSet->GetBookmark();
    dataSet->GotoBookmark(FAnchorBookmark);
    marks.push_back(dataSet->GetBookmark());
    const int rows = RowsInView();
    switch (key) {
      case VK_NEXT:
        for (int i = 0; i < rows && dataSet->MoveBy(1) == 1; ++i) marks.push_back(dataSet->GetBookmark());
        break;
      case VK_PRIOR:
        for (int i = 0; i < rows && dataSet->MoveBy(-1) == -1; ++i) marks.push_back(dataSet->GetBookmark());
        break;
      case VK_HOME:
        while (dataSet->MoveBy(-1) == -1) marks.push_back(dataSet->GetBookmark());
        break;
      case VK_END:
        while (dataSet->MoveBy(1) == 1) marks.push_back(dataSet->GetBookmark());
        break;
      default:
        break;
    }
  }
  std::sort(marks.begin(), marks.end(),
            [&](const TBookmark& a, const TBookmark& b) { return CompareBookmarks(a, b) < 0; });
  ClearSelectedList();
  for (TBookmark& mark : marks)
    if (!mark.empty()) InsertSelected(SelectedBookmarkCount(), std::move(mark), nullptr);
  Invalidate();
  scope.Close();
}

// --- Deleting ---------------------------------------------------------------------------------------

void TCustomdxDBGrid::DeleteSelection() {
  if (!LinkActive()) return;
  TDataSet* dataSet = DataSet();
  CloseEditor();
  int failed = 0;
  std::exception_ptr firstError;
  std::string firstMessage;
  {
    TDisableControlsScope controls(*dataSet);
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
    TBookmark saved = dataSet->GetBookmark();
    for (int i = SelectedBookmarkCount() - 1; i >= 0; --i) {
      const TdxSelectedBookmark entry = SelectedBookmarks(i);
      if (!IsBufferMode() && IsGroupRow(entry.Node)) {
        RemoveSelected(i);
        continue;
      }
      try {
        if (UsesBookmarks()) {
          dataSet->GotoBookmark(entry.Bookmark);
        } else {
          const TdxDBGridNode* node = GridNode(entry.Node);
          if (node == nullptr || KeyFieldObj() == nullptr ||
              !dataSet->Locate(KeyFieldObj()->FieldName(), node->Key(), {}))
            dataSet->DatabaseError("Record not found");
        }
        const bool wasSaved = !saved.empty() && CompareBookmarks(saved, dataSet->GetBookmark()) == 0;
        dataSet->Delete();
        if (wasSaved) saved.clear();
      } catch (const Exception& error) {
        // With extended multi-select the loop goes on; what could not be
        // deleted is reported once when it ends.
        if (!FOptionsBehavior.Contains(edgoExtMultiSelect)) throw;
        if (failed++ == 0) {
          firstError = std::current_exception();
          firstMessage = error.Message();
        }
      }
      RemoveSelected(i);
    }
    ClearSelectedList();
    if (!saved.empty() && dataSet->BookmarkValid(saved)) dataSet->GotoBookmark(saved);
  }
  if (failed == 1) std::rethrow_exception(firstError);
  if (failed > 1)
    throw Exception(std::to_string(failed) + " of the selected records could not be deleted: " + firstMessage);
}

void TCustomdxDBGrid::DeleteNodeRecord(TdxDBGridNode* node) {
  TDataSet* dataSet = DataSet();
  if (node == nullptr || !LinkActive()) return;
  if (IsBufferMode()) {
    const int row = RowOfNode(node);
    if (row < 0) return;
    dataSet->MoveBy(row - FDataLink->ActiveRecord());
    FInsertedNode = node;
    FInsertedKey = node->Key();
    try {
      dataSet->Delete();
    } catch (...) {
      FInsertedNode = nullptr;
      FInsertedKey = Variant();
      throw;
    }
    return;
  }
  if (IsGroupRow(node) || !FOptionsDB.Contains(edgoCanNavigation)) return;
  if (node != FocusedNode() || KeyFieldObj() == nullptr ||
      CompareVariants(KeyFieldObj()->Value(), node->Key()) != 0)
    MoveDataSetToNode(node);
  dataSet->Delete();
}

bool TCustomdxDBGrid::CanEditorModify() {
  // A program may move the dataset onto a record the filter hides; the
  // focus then stays on a shown row, and the editor, which writes into the
  // current record, would change a record the user does not see.
  if (IsFiltering() && !DataSetEditing() && KeyFieldObj() != nullptr) {
    const TdxDBGridNode* focused = GridNode(FocusedNode());
    if (focused != nullptr && focused->Count() == 0 &&
        CompareVariants(KeyFieldObj()->Value(), focused->Key()) != 0)
      MoveDataSetToNode(FocusedNode());
  }
  return TCustomdxDBTreeListControl::CanEditorModify();
}

void TCustomdxDBGrid::DeleteWithConfirmation() {
  TDataSet* dataSet = DataSet();
  if (!LinkActive() || dataSet->IsEmpty() || !dataSet->CanModify()) return;
  if (FOptionsDB.Contains(edgoConfirmDelete)) {
    const char* text = SelectedCount() > 0 ? "Delete all selected records?" : "Delete record?";
    if (MessageDlg(text, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) != mrOk) return;
  }
  if (SelectedCount() > 0)
    DeleteSelection();
  else
    DeleteNodeRecord(GridNode(FocusedNode()));
}

// --- Inserting and appending ----------------------------------------------------------------------

void TCustomdxDBGrid::AppendRecord() { DataSet()->Append(); }

void TCustomdxDBGrid::InsertRecord() { DataSet()->Insert(); }

void TCustomdxDBGrid::CreateInsertedNode() {
  TDataSet* dataSet = DataSet();
  TdxTreeListNode* leaf = FocusedNode();
  while (leaf != nullptr && leaf->Count() > 0) leaf = leaf->GetFirstChild();
  TdxTreeListNode* parent = leaf != nullptr ? leaf->Parent() : nullptr;
  TdxTreeListNode* created = nullptr;
  if (dataSet->Eof() || leaf == nullptr)
    created = parent != nullptr ? parent->AddChild() : AddNode();
  else
    created = parent != nullptr ? parent->InsertChild(leaf) : InsertNode(leaf);
  auto* node = GridNode(created);
  node->MakeVisible();
  node->SetKey(Variant::Null());
  node->SetGroupValue(Variant::Null());
  node->SetRecordIndex(FRecordCount);
  LoadNodeFromRecord(*node);
  FInsertedNode = node;
  FInsertedKey = node->Key();
  const TRestoreOnExit<bool> following(FFollowing, true);
  SetFocusedNodeAndColumn(node, FocusedColumnIndex(), true);
}

// --- Keys -------------------------------------------------------------------------------------------

// OnKeyDown hears the key first, once: the tree list's own handling
// follows through HandleKey, which does not fire it again.
void TCustomdxDBGrid::KeyDown(TKey& key, TShiftState shift) {
  // An open filter drop-down takes the keys.
  if (FilterDropDownKey(key)) return;
  if (DragKeyDown(key)) {
    key = 0;
    return;
  }
  TdxSelectionChangeScope scope(*this);
  const TRestoreOnExit<bool> inKeyHandler(FInKeyHandler, true);
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0) return;
  if (IsPartialMode() && shift.Contains(ssShift) && FAnchorBookmark.empty() && LinkActive() && FocusedNode())
    FAnchorBookmark = NodeBookmark(FocusedNode());
  const bool searching = !AutoSearchText().empty();
  const bool enterWithModifier = key == VK_RETURN && (shift.Contains(ssCtrl) || shift.Contains(ssShift));
  if (searching && (key == VK_BACK || key == VK_ESCAPE || key == VK_DELETE || enterWithModifier)) {
    HandleKey(key, shift);
    scope.Close();
    return;
  }
  if (LinkActive()) {
    const bool readOnly = FDataLink->ReadOnly() || IsDataEmpty() || IsKeyless();
    if (key == VK_DELETE && shift == TShiftState{ssCtrl} && State() != tsEditing &&
        FOptionsDB.Contains(edgoCanDelete) && FOptionsDB.Contains(edgoCanNavigation) && !readOnly &&
        FocusedNode() != nullptr && !IsGroupRow(FocusedNode())) {
      key = 0;
      DeleteWithConfirmation();
      scope.Close();
      return;
    }
    if (key == VK_ESCAPE) FDataLink->Reset();
  }
  const bool consumed = IsBufferMode() ? KeyDownRecordWindow(key, shift) : KeyDownLoaded(key, shift);
  if (!consumed && FOptionsView.Contains(edgoRowSelect) && (key == VK_LEFT || key == VK_RIGHT) &&
      FocusedNode() != nullptr && !IsGroupRow(FocusedNode())) {
    WMHScroll(key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0);
    key = 0;
  }
  if (key != 0 && !consumed) HandleKey(key, shift);
  scope.Close();
}

bool TCustomdxDBGrid::KeyDownRecordWindow(TKey& key, TShiftState shift) {
  if (!LinkActive()) return false;
  TDataSet* dataSet = DataSet();
  const bool ctrl = shift.Contains(ssCtrl);
  const bool withShift = shift.Contains(ssShift);
  if (IsMultiSelect() && withShift && (key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END)) {
    SelectRecordRange(key);
    key = 0;
    return true;
  }
  if ((key == VK_HOME || key == VK_END) && !withShift && (FOptionsView.Contains(edgoRowSelect) || ctrl)) {
    key == VK_HOME ? dataSet->First() : dataSet->Last();
    if (!ctrl && IsMultiSelect()) {
      ClearSelection();
      SetNodeSelected(FocusedNode(), true);
    }
    key = 0;
    return true;
  }
  const bool editing = FOptionsBehavior.Contains(edgoEditing) && DataSetModifiable() &&
                       !FOptionsView.Contains(edgoRowSelect);
  const bool untouchedInsert = dataSet->State() == dsInsert && !dataSet->Modified();
  switch (key) {
    case VK_UP:
      if (editing && untouchedInsert && dataSet->Eof())
        dataSet->Cancel();
      else
        dataSet->MoveBy(-1);
      key = 0;
      return true;
    case VK_DOWN:
      if (editing && untouchedInsert && !dataSet->Eof()) {
        dataSet->Cancel();
      } else if (!(editing && untouchedInsert)) {
        dataSet->MoveBy(1);
        if (editing && dataSet->Eof() && FOptionsDB.Contains(edgoCanAppend) && FOptionsDB.Contains(edgoCanInsert))
          AppendRecord();
      }
      key = 0;
      return true;
    case VK_PRIOR:
    case VK_NEXT:
      dataSet->MoveBy(key == VK_PRIOR ? -RowsInView() : RowsInView());
      key = 0;
      return true;
    case VK_INSERT:
      if (editing && !ctrl && FOptionsDB.Contains(edgoCanInsert) && FOptionsDB.Contains(edgoCanNavigation)) {
        InsertRecord();
        key = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool TCustomdxDBGrid::KeyDownLoaded(TKey& key, TShiftState shift) {
  TdxTreeListNode* focused = FocusedNode();
  if (!FOptionsView.Contains(edgoRowSelect) && IsGroupRow(focused) && (key == VK_LEFT || key == VK_RIGHT)) {
    focused->SetExpanded(key == VK_RIGHT);
    key = 0;
    return true;
  }
  if (!LinkActive()) return false;
  TDataSet* dataSet = DataSet();
  const bool navigate = FOptionsDB.Contains(edgoCanNavigation);
  if (key == VK_INSERT && !shift.Contains(ssCtrl) && DataSetModifiable() && FOptionsDB.Contains(edgoCanInsert) &&
      navigate) {
    CloseEditor();
    InsertRecord();
    key = 0;
    return true;
  }
  const bool untouchedInsert = dataSet->State() == dsInsert && !dataSet->Modified();
  if (key == VK_UP && DataSetEditing()) {
    if (untouchedInsert && dataSet->Eof()) {
      dataSet->Cancel();
      if (TdxTreeListNode* last = LastVisibleNode()) SetFocusedNodeAndColumn(last, FocusedColumnIndex(), true);
      key = 0;
      return true;
    }
    if (focused != nullptr && FocusedAbsoluteIndex() == 0) dataSet->Post();
    return false;
  }
  if (key == VK_DOWN && focused != nullptr && focused == LastVisibleNode()) {
    if (untouchedInsert) {
      key = 0;
      return true;
    }
    if (FOptionsDB.Contains(edgoCanAppend) && FOptionsDB.Contains(edgoCanInsert) && navigate &&
        DataSetModifiable()) {
      CloseEditor();
      AppendRecord();
      key = 0;
      return true;
    }
    if (DataSetEditing()) dataSet->Post();
  }
  return false;
}

// --- Mouse ------------------------------------------------------------------------------------------

void TCustomdxDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  // A filter button opens its drop-down; a press elsewhere closes an open one.
  if (button == mbLeft && FilterDropDownPress(x, y)) return;
  if (button != mbLeft && FilterDropDownOpen()) FilterDropDownPress(x, y);
  FLastPress = TPoint{x, y};
  FPanelPressed = nullptr;
  TCustomdxDBTreeListControl::MouseDown(button, shift, x, y);
  if (button == mbLeft) PanelPressStart(shift, x, y);
}

void TCustomdxDBGrid::DblClick() {
  if (State() == tsNone) {
    TdxTreeListHitInfo hit;
    HitTestPoint(FLastPress, hit);
    const int code = hit.HitTest;
    const bool onRecord = hit.Node != nullptr && !IsGroupRow(hit.Node) &&
                          (code == htIcon || code == htStateIcon || code == htLabel || code == htIndicator ||
                           code == htNewItemRow || code == htRowFooter || code == htPreview);
    if (onRecord) {
      // The double click is the program's: no editor starts from it.
      TWinControl::DblClick();
      return;
    }
  }
  TCustomdxDBTreeListControl::DblClick();
}
