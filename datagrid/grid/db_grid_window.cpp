// The two modes that hold only part of the records: the partial window (a
// window of records around the current one, extended or reloaded at its
// edges) and the record window (one node per row of the link's buffer,
// read through the link's active record), and the cells of both.

#include <algorithm>
#include <optional>

#include "datagrid/grid/db_grid.h"
#include "framework/gui/controls/custom_control.h"

namespace {

// Restores the link's active record when a row has been read.
class TActiveRecordScope {
 public:
  TActiveRecordScope(TDataLink& link, int row) : FLink(link), FSaved(link.ActiveRecord()) {
    link.SetActiveRecord(row);
  }
  ~TActiveRecordScope() {
    try {
      FLink.SetActiveRecord(FSaved);
    } catch (...) {
      // The row read was the link's own; going back cannot fail in a way
      // worth more than the error already on its way.
    }
  }
  TActiveRecordScope(const TActiveRecordScope&) = delete;
  TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;

 private:
  TDataLink& FLink;
  int FSaved;
};

}  // namespace

int TCustomdxDBGrid::RowOfNode(const TdxTreeListNode* node) const {
  if (node == nullptr || node->Parent() != nullptr) return -1;
  return node->Index();
}

template <class F>
auto TCustomdxDBGrid::WithRow(const TdxTreeListNode* node, F&& read) const -> decltype(read()) {
  const int row = RowOfNode(node);
  if (row < 0 || !FDataLink->Active() || row >= FDataLink->RecordCount()) return decltype(read())();
  TActiveRecordScope scope(*FDataLink, row);
  return read();
}

int TCustomdxDBGrid::RowsInView() const {
  const int rowHeight = std::max(1, DefaultRowHeight());
  const int height = GetRowsAreaRect().Height();
  if (height <= 0) return 1;
  return std::max(1, (height + rowHeight - 1) / rowHeight);
}

// --- Cells ------------------------------------------------------------------------------------

std::string TCustomdxDBGrid::GetCellText(const TdxTreeListNode* node, int columnIndex) const {
  TdxDBTreeListColumn* column = DBColumn(columnIndex);
  std::string text;
  if (IsGroupNode(node)) return GetGroupRowText(node);
  if (IsBufferMode()) {
    if (column == nullptr || column->Field() == nullptr) return {};
    text = WithRow(node, [&] { return column->DisplayConversion(column->Field()->DisplayTextOf()); });
  } else {
    text = TCustomdxDBTreeListControl::GetCellText(node, columnIndex);
  }
  if (column != nullptr) column->DoGetText(const_cast<TdxTreeListNode*>(node), text);
  return text;
}

Variant TCustomdxDBGrid::GetCellVariant(const TdxTreeListNode* node, int columnIndex) const {
  if (IsBufferMode()) {
    const TdxDBTreeListColumn* column = DBColumn(columnIndex);
    if (column == nullptr || column->Field() == nullptr) return Variant::Null();
    return WithRow(node, [&] { return column->Field()->Value(); });
  }
  if (const TdxDBGridNode* gridNode = GridNode(node)) {
    if (std::optional<Variant> value = gridNode->HeldValue(columnIndex)) return std::move(*value);
  }
  return Variant(GetCellText(node, columnIndex));
}

std::string TCustomdxDBGrid::GetPreviewText(const TdxTreeListNode* node) const {
  std::string text;
  if (IsBufferMode()) {
    if (TField* field = PreviewFieldObj()) text = WithRow(node, [&] { return field->AsString(); });
  } else if (const TdxDBGridNode* gridNode = GridNode(node)) {
    text = gridNode->PreviewText();
  }
  if (OnGetPreviewText) OnGetPreviewText(const_cast<TCustomdxDBGrid*>(this), const_cast<TdxTreeListNode*>(node), text);
  return text;
}

TBookmark TCustomdxDBGrid::NodeBookmark(const TdxTreeListNode* node) const {
  if (!LinkActive()) return {};
  if (IsBufferMode()) return WithRow(node, [&] { return DataSet()->GetBookmark(); });
  if (const TdxDBGridNode* gridNode = GridNode(node); gridNode != nullptr && !gridNode->Bookmark().empty())
    return gridNode->Bookmark();
  if (node == FocusedNode()) return DataSet()->GetBookmark();
  // Another row's record: visit it and come back, unseen by the controls
  // and without the grid reloading when they are told.
  TDataSet* dataSet = DataSet();
  TdxGridBusyScope busy(const_cast<TCustomdxDBGrid&>(*this));
  TDisableControlsScope controls(*dataSet);
  const TBookmark saved = dataSet->GetBookmark();
  TBookmark bookmark;
  const auto* target = GridNode(node);
  if (target != nullptr && KeyFieldObj() != nullptr && !target->Key().IsNull() &&
      dataSet->Locate(KeyFieldObj()->FieldName(), target->Key(), {}))
    bookmark = dataSet->GetBookmark();
  if (!saved.empty() && dataSet->BookmarkValid(saved)) dataSet->GotoBookmark(saved);
  return bookmark;
}

// --- The record window ----------------------------------------------------------------------------

void TCustomdxDBGrid::LayoutRecordWindow() {
  if (!FDataLink->Active() || !IsBufferMode()) {
    if (IsBufferMode()) ClearNodes();
    return;
  }
  FDataLink->SetBufferCount(RowsInView());
  const int records = FDataLink->RecordCount();
  while (Count() < records) AddNode();
  while (Count() > records) Items(Count() - 1)->Free();
  if (Count() == 0) return;
  SetTopVisibleNode(Items(0));
  TdxTreeListNode* row = Items(std::clamp(FDataLink->ActiveRecord(), 0, Count() - 1));
  if (row != FocusedNode()) {
    CloseEditor();
    FFollowing = true;
    struct TReset {
      bool& Value;
      ~TReset() { Value = false; }
    } reset{FFollowing};
    SetFocusedNodeAndColumn(row, FocusedColumnIndex(), false);
  }
  UpdateScrollBars();
}

void TCustomdxDBGrid::UpdateScrollBars() {
  TCustomdxDBTreeListControl::UpdateScrollBars();
  if (!IsBufferMode() || !LinkActive() || !HandleAllocated()) return;
  // The record window shows where the dataset stands, not where the nodes
  // are: by record number when the dataset knows it, else by its ends.
  TDataSet* dataSet = DataSet();
  TScrollInfo info;
  info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (!dataSet->IsSequenced()) {
    info.Min = 0;
    info.Max = 4;
    info.Page = 0;
    info.Pos = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
  } else {
    const int rows = RowsInView();
    info.Min = 1;
    info.Max = std::max(1, dataSet->RecordCount() + rows - 1);
    info.Page = rows;
    if (dataSet->State() == dsBrowse) {
      try {
        info.Pos = dataSet->RecNo();
      } catch (const Exception&) {
        // A dataset that cannot tell its record number leaves the thumb
        // where it was; the scroll bar is only a picture of the position.
        info.Mask &= ~SIF_POS;
      }
    } else {
      info.Mask &= ~SIF_POS;
    }
  }
  SetScrollInfo(sbVertical, info, true);
}

void TCustomdxDBGrid::FocusRowIndex(int index) {
  if (IsBufferMode()) {
    if (LinkActive()) DataSet()->MoveBy(index - FDataLink->ActiveRecord());
    return;
  }
  const int count = VisibleNodeCount();
  if (count == 0) return;
  SetFocusedNodeAndColumn(GetAbsoluteNode(std::clamp(index, 0, count - 1)), FocusedColumnIndex(), true);
}

void TCustomdxDBGrid::WMVScroll(int code, int pos) {
  if (!IsBufferMode() || !LinkActive()) {
    TCustomdxDBTreeListControl::WMVScroll(code, pos);
    return;
  }
  if (!CanFocus()) return;
  CloseEditor();
  TDataSet* dataSet = DataSet();
  const int rows = RowsInView();
  switch (code) {
    case SB_LINEUP:
      dataSet->MoveBy(-(FDataLink->ActiveRecord() + 1));
      break;
    case SB_LINEDOWN:
      dataSet->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord());
      break;
    case SB_PAGEUP:
      dataSet->MoveBy(-rows);
      break;
    case SB_PAGEDOWN:
      dataSet->MoveBy(rows);
      break;
    case SB_TOP:
      dataSet->First();
      break;
    case SB_BOTTOM:
      dataSet->Last();
      break;
    case SB_THUMBPOSITION:
      if (dataSet->IsSequenced()) {
        if (pos <= 1)
          dataSet->First();
        else if (pos >= dataSet->RecordCount())
          dataSet->Last();
        else
          dataSet->SetRecNo(pos);
      } else {
        if (pos == 0) dataSet->First();
        if (pos == 4) dataSet->Last();
        if (pos == 1) dataSet->MoveBy(-rows);
        if (pos == 3) dataSet->MoveBy(rows);
      }
      break;
    default:
      break;
  }
}

// --- The partial window ---------------------------------------------------------------------------

void TCustomdxDBGrid::ReadPartialRecord(TdxDBGridNode* node, int recordIndex) {
  TDataSet* dataSet = DataSet();
  LoadNodeFromRecord(*node);
  node->SetRecordIndex(recordIndex);
  TBookmark bookmark = dataSet->GetBookmark();
  if (UsesBookmarks() && InSavedSelection(bookmark)) {
    int index = 0;
    if (!FindBookmark(bookmark, index)) InsertSelected(index, bookmark, node);
  }
  node->SetBookmark(std::move(bookmark));
  DoRefreshNodeData(node);
}

void TCustomdxDBGrid::LoadPartial(TPartialMode mode) {
  TDataSet* dataSet = DataSet();
  if (!LinkActive() || !dataSet->Active()) return;
  const int window = std::max(RowsInView() * 5, FPartialLoadBufferCount);
  TdxGridBusyScope busy(*this);
  TdxTreeListUpdateLock lock(*this);
  TDisableControlsScope controls(*dataSet);
  if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
  FDataLink->SetBufferCount(1);
  const TBookmark saved = dataSet->GetBookmark();
  TdxTreeListNode* focusTop = nullptr;
  int offset = 0;
  if ((mode == pmAfter || mode == pmBefore) && Count() == 0) mode = pmAround;
  if (mode == pmAfter) {
    dataSet->GotoBookmark(GridNode(Items(Count() - 1))->Bookmark());
    dataSet->Next();
    for (int i = 0; i < window && !dataSet->Eof(); ++i) {
      ReadPartialRecord(static_cast<TdxDBGridNode*>(AddNode()), ++FPartialCounterHigh);
      dataSet->Next();
    }
    FPartialEOF = dataSet->Eof();
  } else if (mode == pmBefore) {
    dataSet->GotoBookmark(GridNode(Items(0))->Bookmark());
    dataSet->Prior();
    for (int i = 0; i < window && !dataSet->Bof(); ++i) {
      ReadPartialRecord(static_cast<TdxDBGridNode*>(InsertNode(Items(0))), --FPartialCounterLow);
      dataSet->Prior();
    }
    FPartialBOF = dataSet->Bof();
  } else {
    if (FocusedNode() != nullptr && TopVisibleNode() != nullptr)
      offset = std::max(0, FocusedAbsoluteIndex() - TopIndex());
    FInsertedNode = nullptr;
    ClearNodes();
    FPartialBOF = FPartialEOF = false;
    if (dataSet->Bof() && dataSet->Eof()) {
      FPartialBOF = FPartialEOF = true;
    } else {
      if (mode == pmAll) {
        dataSet->First();
        FPartialBOF = true;
      } else {
        const int half = window / 2;
        const int moved = -dataSet->MoveBy(-half);
        FPartialBOF = moved < half || dataSet->Bof();
      }
      FPartialCounterLow = 0;
      FPartialCounterHigh = -1;
      const int limit = mode == pmAll ? INT_MAX : window;
      for (int i = 0; i < limit && !dataSet->Eof(); ++i) {
        ReadPartialRecord(static_cast<TdxDBGridNode*>(AddNode()), ++FPartialCounterHigh);
        dataSet->Next();
      }
      FPartialEOF = dataSet->Eof();
    }
  }
  if (!saved.empty() && dataSet->BookmarkValid(saved)) dataSet->GotoBookmark(saved);
  // The row of the current record, at the offset from the top it had.
  for (int i = 0; i < Count() && focusTop == nullptr; ++i)
    if (CompareBookmarks(GridNode(Items(i))->Bookmark(), saved) == 0) focusTop = Items(i);
  if (focusTop != nullptr) {
    FFollowing = true;
    struct TReset {
      bool& Value;
      ~TReset() { Value = false; }
    } reset{FFollowing};
    SetFocusedNodeAndColumn(focusTop, FocusedColumnIndex(), false);
    if (mode == pmAround || mode == pmAll) {
      const int topIndex = std::max(0, focusTop->Index() - offset);
      SetTopVisibleNode(Items(topIndex));
    }
  }
  lock.Close();
}

void TCustomdxDBGrid::ExtendPartialWindow() {
  if (!IsPartialMode() || FBusy || IsLoading() || !HandleAllocated() || Count() == 0) return;
  const int rows = RowsInView();
  const int top = TopIndex();
  if (!FPartialEOF && VisibleNodeCount() - (top + rows) < 2 * rows)
    LoadPartial(pmAfter);
  else if (!FPartialBOF && top < rows)
    LoadPartial(pmBefore);
}
