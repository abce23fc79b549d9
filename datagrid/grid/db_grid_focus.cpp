// The focused row and the dataset's current record follow each other:
// focusing a row moves the dataset onto its record, and a dataset that
// moved (Locate, a scroll elsewhere) moves the focus to its record's row,
// found by the key field.

#include <algorithm>

#include "datagrid/grid/db_grid.h"
#include "framework/core/base/scope_exit.h"
#include "grid/nodes/sort_comparers.h"

TdxDBGridNode* TCustomdxDBGrid::FindNodeByKey(const Variant& key) const {
  if (key.IsNull() || key.IsEmpty()) return nullptr;
  auto matches = [&](const TdxTreeListNode* node) {
    const TdxDBGridNode* gridNode = GridNode(node);
    return gridNode != nullptr && node->Count() == 0 && !gridNode->Key().IsNull() &&
           CompareVariants(gridNode->Key(), key) == 0;
  };
  // The record is most often the focused row or a neighbour of it.
  if (TdxTreeListNode* focused = FocusedNode()) {
    for (TdxTreeListNode* node : {focused, focused->GetNext(), focused->GetPrev()})
      if (node != nullptr && matches(node)) return const_cast<TdxDBGridNode*>(GridNode(node));
  }
  for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext())
    if (matches(node)) return const_cast<TdxDBGridNode*>(GridNode(node));
  return nullptr;
}

void TCustomdxDBGrid::FocusNodeOfCurrentRecord() {
  TDataSet* dataSet = DataSet();
  if (!LinkActive() || !dataSet->Active() || IsBusy()) return;
  TdxTreeListNode* node = nullptr;
  if (IsPartialMode()) {
    const TBookmark current = dataSet->GetBookmark();
    for (int i = 0; i < Count() && node == nullptr; ++i)
      if (CompareBookmarks(GridNode(Items(i))->Bookmark(), current) == 0) node = Items(i);
  } else if (KeyFieldObj() != nullptr && FOptionsDB.Contains(edgoCanNavigation)) {
    node = FindNodeByKey(KeyFieldObj()->Value());
    if (node != nullptr && FOptionsBehavior.Contains(edgoSeekDetail))
      while (node->Count() > 0) node = node->GetFirstChild();
  }
  if (node == nullptr || node == FocusedNode()) return;
  const TRestoreOnExit<bool> following(FFollowing, true);
  SetFocusedNodeAndColumn(node, FocusedColumnIndex(), true);
}

void TCustomdxDBGrid::FollowCurrentRecord() {
  TDataSet* dataSet = DataSet();
  if (!LinkActive() || !dataSet->Active() || IsLoading()) return;
  if (IsBufferMode()) {
    LayoutRecordWindow();
  } else if (!FRefreshing) {
    FocusNodeOfCurrentRecord();
  }
  RecheckEditValue();
}

bool TCustomdxDBGrid::MoveDataSetToNode(TdxTreeListNode* node) {
  TDataSet* dataSet = DataSet();
  TdxDBGridNode* target = GridNode(node);
  if (IsBusy() || target == nullptr || !LinkActive() || !FOptionsDB.Contains(edgoCanNavigation)) return false;
  if (target == FInsertedNode && dataSet->State() == dsInsert) return false;
  if (KeyFieldObj() != nullptr && node == FocusedNode() && CompareVariants(KeyFieldObj()->Value(), target->Key()) == 0)
    return false;
  // A group row stands for its first record.
  while (target->Count() > 0) target = GridNode(target->GetFirstChild());
  if (target == nullptr) return false;
  std::optional<TdxGridBusyScope> busy;
  if (dataSet->State() == dsBrowse) busy.emplace(*this);
  if (IsPartialMode() && !target->Bookmark().empty()) {
    dataSet->GotoBookmark(target->Bookmark());
    return true;
  }
  if (UsesLocate() && KeyFieldObj() != nullptr) {
    const bool found = dataSet->Locate(KeyFieldObj()->FieldName(), target->Key(), {});
    FLocatedJustNow = found;
    return found;
  }
  const TRestoreOnExit<bool> moving(FMoving, true);
  if (dataSet->State() == dsInsert && target != LastVisibleNode()) {
    if (TdxTreeListNode* next = target->GetNextVisible()) target = GridNode(next) != nullptr ? GridNode(next) : target;
  }
  // The dataset stands on the focused row's record when that row's key is
  // the key field's; otherwise it is counted from the first record.
  const TdxDBGridNode* from = GridNode(FocusedNode());
  while (from != nullptr && from->Count() > 0) from = GridNode(from->GetFirstChild());
  if (from == nullptr || KeyFieldObj() == nullptr || CompareVariants(KeyFieldObj()->Value(), from->Key()) != 0) {
    dataSet->First();
    dataSet->MoveBy(target->RecordIndex());
  } else {
    dataSet->MoveBy(target->RecordIndex() - from->RecordIndex());
  }
  DataSetScrolled(0);
  return true;
}

void TCustomdxDBGrid::SetFocusedNodeAndColumn(TdxTreeListNode* node, int columnIndex, bool makeVisible) {
  if (node != nullptr && node != FocusedNode() && !FFollowing && !FRefreshing && !IsUpdateLocked() &&
      LinkActive()) {
    AddPendingRefresh(node);
    if (IsBufferMode()) {
      const int row = RowOfNode(node);
      if (row >= 0) DataSet()->MoveBy(row - FDataLink->ActiveRecord());
      return;
    }
    MoveDataSetToNode(node);
  }
  TCustomdxDBTreeListControl::SetFocusedNodeAndColumn(node, columnIndex, makeVisible);
}

TdxTreeListNode* TCustomdxDBGrid::GetRelativeNode(TdxTreeListNode* node, TdxRelativeNodeKind kind, bool flag) const {
  if (AllRecordsLoaded() || !LinkActive()) return TCustomdxDBTreeListControl::GetRelativeNode(node, kind, flag);
  TDataSet* dataSet = DataSet();
  switch (kind) {
    case rnFirst:
      dataSet->First();
      break;
    case rnLast:
      dataSet->Last();
      break;
    case rnPrev:
      dataSet->Prior();
      if (dataSet->Bof()) return nullptr;
      break;
    case rnNext:
      dataSet->Next();
      if (dataSet->Eof()) return nullptr;
      break;
  }
  return FocusedNode();
}

bool TCustomdxDBGrid::IsAtFirstNode() const {
  if (IsBufferMode()) return !LinkActive() || DataSet()->Bof();
  const bool first = FocusedNode() == nullptr || FocusedAbsoluteIndex() == 0;
  return IsPartialMode() ? first && FPartialBOF : first;
}

bool TCustomdxDBGrid::IsAtLastNode() const {
  if (IsBufferMode()) return !LinkActive() || DataSet()->Eof();
  const bool last = FocusedNode() == nullptr || FocusedNode() == LastVisibleNode();
  return IsPartialMode() ? last && FPartialEOF : last;
}

void TCustomdxDBGrid::DoChangeTopVisibleNode() {
  TCustomdxDBTreeListControl::DoChangeTopVisibleNode();
  ExtendPartialWindow();
}
