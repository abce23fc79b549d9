// TDataSet: the edit state machine (edit, insert, append, post, cancel,
// delete, refresh) with its before and after events.

#include "framework/core/data/dataset.h"

namespace {

bool IsEditing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

}  // namespace

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!IsEditing(FState) && FState != dsSetKey) DatabaseError("Dataset not in edit or insert mode");
  DataEvent(deUpdateRecord);
}

void TDataSet::Edit() {
  if (IsEditing(FState)) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  // BeforeEdit first: a database dataset refuses there, silently, what it
  // may not change; a dataset that cannot change anything says so after.
  DoBeforeEdit();
  CheckCanModify();
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  DoBeforeInsert();
  CheckCanModify();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync(TResyncMode{});
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const TBookmark current = GetBookmark();
  // The new buffer takes the active slot; the records from there on move
  // one slot down (the last one leaves a full window).
  MoveBuffer(FRecordCount, FActiveRecord);
  CursorPosChanged();
  try {
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    // The new record goes before the current one, which the buffer's
    // bookmark names; in an empty dataset it is the first. A current record
    // without a bookmark names no place: the new one goes after the last.
    if (FRecordCount == 0)
      SetBookmarkFlag(buffer, bfBOF);
    else if (current.empty())
      SetBookmarkFlag(buffer, bfEOF);
    else
      SetBookmarkData(buffer, reinterpret_cast<const std::byte*>(current.data()));
    InternalInsert();
  } catch (...) {
    MoveBuffer(FActiveRecord, FRecordCount);
    throw;
  }
  if (FRecordCount < FBufferCount) ++FRecordCount;
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  try {
    TRecordBuffer buffer = FBuffers[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    // The after-last flag puts the cursor past the last record, so the
    // window fills with the records before the new one.
    GetPriorRecords();
    InternalInsert();
  } catch (...) {
    ClearBuffers();
    InternalLast();
    GetPriorRecords();
    DataEvent(deDataSetChange);
    throw;
  }
  EndInsertAppend();
}

void TDataSet::Post() {
  UpdateRecord();
  if (!IsEditing(FState)) return;
  DataEvent(deCheckBrowseMode);
  DoBeforePost();
  CheckRequiredFields();
  CheckOperation([this] { InternalPost(); }, OnPostError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (!IsEditing(FState)) return;
  DataEvent(deCheckBrowseMode);
  DoBeforeCancel();
  const bool scrolls = FState == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterCancel();
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError("Cannot perform this operation on an empty dataset");
  DataEvent(deCheckBrowseMode);
  DoBeforeDelete();
  CheckCanModify();
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    InternalRefresh();
  } catch (...) {
    Resync(TResyncMode{});
    throw;
  }
  Resync(TResyncMode{});
  DoAfterRefresh();
}

void TDataSet::FreeFieldBuffers() {
  for (TField* field : FFields)
    if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetModified(false);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i].IsEmpty()) continue;
    FFields.Fields(static_cast<int>(i))->SetValue(values[i]);
  }
}

void TDataSet::AddRecord(const std::vector<Variant>& values, bool append) {
  BeginInsertAppend();
  if (!append) UpdateCursorPos();
  DisableControls();
  try {
    const int filled = FRecordCount;
    MoveBuffer(FRecordCount, FActiveRecord);
    if (FRecordCount < FBufferCount) ++FRecordCount;
    CursorPosChanged();
    try {
      TRecordBuffer buffer = ActiveBuffer();
      InitRecord(buffer);
      // Inserted and posted in one go: the controls, disabled, hear only
      // the result.
      FState = dsInsert;
      try {
        DoOnNewRecord();
        DoAfterInsert();
        SetFields(values);
        DoBeforePost();
        CheckRequiredFields();
        InternalAddRecord(buffer, append);
      } catch (...) {
        FState = dsBrowse;
        FModified = false;
        throw;
      }
      FState = dsBrowse;
      FModified = false;
    } catch (...) {
      MoveBuffer(FActiveRecord, filled);
      FRecordCount = filled;
      throw;
    }
    Resync(TResyncMode{});
    DoAfterPost();
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}
