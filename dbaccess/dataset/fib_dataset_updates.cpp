// TFIBCustomDataSet: cached updates. With CachedUpdates a post or delete
// changes only the record cache: the record's status says what happened
// (modified, inserted, deleted, un-inserted) and the cache's log keeps the
// version each record had before its first change. Applying runs the modify
// statements for the changed records; committing makes the changes the
// records' state and clears the log; cancelling and reverting put the
// logged versions back.

#include <cstring>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"

namespace {

[[noreturn]] void RaiseUserAbort(const TFIBCustomDataSet& dataSet) {
  const TComponent* owner = dataSet.Owner();
  const std::string ownerPath = owner != nullptr ? ComponentPath(owner) + "." : std::string();
  throw EAbort("User abort apply updates for " + ownerPath + " " + dataSet.Name());
}

}  // namespace

// ---- Reverting -------------------------------------------------------------------------------

void TFIBCustomDataSet::RevertRecord() {
  CheckOpen(" revert record ");
  CheckBrowseMode();
  if (IsEmpty()) return;
  RevertRecord(RecordIndexOf(ActiveBuffer()), false);
  UpdateCursorPos();
  Resync(TResyncMode{});
}

void TFIBCustomDataSet::RevertRecord(int recordIndex, bool alsoUninserted) {
  if (!FCache || !IsHeld(recordIndex)) return;
  const int number = CacheSlot(recordIndex) + 1;
  const auto status = static_cast<TCachedUpdateStatus>(FCache->RecordPointer(number)[0]);
  TCachedUpdateStatus reverted = cusUnmodified;
  switch (status) {
    case cusInserted:
      reverted = cusUninserted;
      ++FDeletedCount;
      break;
    case cusDeleted:
      reverted = cusUnmodified;
      --FDeletedCount;
      break;
    case cusUninserted:
      if (alsoUninserted) {
        reverted = cusInserted;
        --FDeletedCount;
        // The record is pending once again, as once before its deletion.
        ++FPendingUpdateCount;
      } else {
        reverted = cusUninserted;
      }
      break;
    case cusModified:
      reverted = cusUnmodified;
      break;
    default:
      reverted = status;
      break;
  }
  // The logged version comes back with the status the revert gives it (the
  // log holds the status of the time it was taken).
  TRecordBuffer old = OldVersionBuffer(recordIndex);
  old[5] = static_cast<std::byte>(reverted);
  FCache->WriteRecord(number, reinterpret_cast<const char*>(old), false);
  if (FScratchIndex == recordIndex) FScratchIndex = -1;
}

void TFIBCustomDataSet::CancelUpdates() {
  if (!Active()) {
    FPendingUpdateCount = 0;
    FUpdatesPending = false;
    return;
  }
  if (State() == dsEdit || State() == dsInsert) Cancel();
  if (!FCachedUpdates) {
    FPendingUpdateCount = 0;
    FUpdatesPending = false;
    return;
  }
  const bool wasVisible = !IsEmpty();
  for (int index = FirstHeldRecord(); index < FFetchedCount; ++index) {
    const auto status = static_cast<TCachedUpdateStatus>(FCache->RecordPointer(CacheSlot(index) + 1)[0]);
    if (status == cusModified || status == cusInserted || status == cusDeleted || status == cusUninserted)
      RevertRecord(index, false);
  }
  FPendingUpdateCount = 0;
  FUpdatesPending = false;
  FCache->ClearLog();
  // The window keeps its record and slot; the controls hear of a scroll
  // only when that record went away.
  bool currentGone = !wasVisible;
  if (wasVisible) {
    const int index = RecordIndexOf(ActiveBuffer());
    if (IsHeld(index)) {
      ReadCachedRecord(index, TempBuffer());
      currentGone = !RecordIsVisible(TempBuffer());
    }
  }
  if (currentGone) DoBeforeScroll();
  UpdateCursorPos();
  Resync(TResyncMode{});
  if (currentGone || IsEmpty()) DoAfterScroll();
}

// ---- Applying and committing -------------------------------------------------------------

void TFIBCustomDataSet::DoUpdateRecord(TUpdateKind kind, TUpdateAction& action) {
  if (OnUpdateRecord) OnUpdateRecord(this, kind, action);
}

void TFIBCustomDataSet::DoUpdateError(EDatabaseError& error, TUpdateKind kind, TUpdateAction& action) {
  if (OnUpdateError) OnUpdateError(this, error, kind, action);
}

void TFIBCustomDataSet::ApplyRecordUpdate(TRecordBuffer buffer, TUpdateKind kind) {
  // The status stays as it was: committing, not applying, changes it.
  const std::byte status = buffer[5];
  if (kind == ukDelete)
    DeleteRecordBySQL(buffer);
  else
    PostBySQL(buffer);
  buffer[5] = status;
  WriteRecordToCache(buffer);
}

// While a handler decides on a record being applied, the fields read that
// record: it stands in the active buffer, visible whatever its status.
class TFIBCustomDataSet::TShownRecord {
 public:
  TShownRecord(TFIBCustomDataSet& dataSet, TRecordBuffer record) : FDataSet(dataSet) {
    FSavedShowAll = dataSet.FShowAllRecords;
    if (dataSet.IsEmpty()) return;
    FActive = dataSet.ActiveBuffer();
    const auto size = static_cast<std::size_t>(dataSet.FRecordBufferSize);
    FSaved.assign(FActive, FActive + size);
    std::memcpy(FActive, record, size);
    dataSet.FShowAllRecords = true;
  }
  ~TShownRecord() {
    FDataSet.FShowAllRecords = FSavedShowAll;
    if (FActive != nullptr) std::memcpy(FActive, FSaved.data(), FSaved.size());
  }
  TShownRecord(const TShownRecord&) = delete;
  TShownRecord& operator=(const TShownRecord&) = delete;

 private:
  TFIBCustomDataSet& FDataSet;
  TRecordBuffer FActive = nullptr;
  std::vector<std::byte> FSaved;
  bool FSavedShowAll = false;
};

void TFIBCustomDataSet::ApplyUpdates() {
  CheckOpen(" apply updates ");
  CheckBrowseMode();
  if (!FCachedUpdates) return;
  if (!FSelectQuery->Prepared()) FSelectQuery->Prepare();
  TDisableControlsScope controls(*this);
  FetchRestBeforeServerInsert();
  std::vector<std::byte> record(static_cast<std::size_t>(FRecordBufferSize));
  TRecordBuffer buffer = record.data();
  // Physical order is the order in which the records entered the cache.
  for (int physical = 1; physical <= FCache->HighRecord(); ++physical) {
    const int index = FUniDirectional ? physical - 1 : FCache->LogicalIndex(physical);
    if (index < 0 || !IsHeld(index)) continue;
    ReadCachedRecord(index, buffer);
    TUpdateKind kind;
    switch (static_cast<TCachedUpdateStatus>(buffer[5])) {
      case cusModified:
        kind = ukModify;
        break;
      case cusInserted:
        kind = ukInsert;
        break;
      case cusDeleted:
        kind = ukDelete;
        break;
      default:
        continue;
    }
    TUpdateAction action = uaApply;
    if (OnUpdateRecord) {
      action = uaFail;
      try {
        TShownRecord shown(*this, buffer);
        DoUpdateRecord(kind, action);
      } catch (EFIBError& e) {
        action = uaFail;
        TShownRecord shown(*this, buffer);
        DoUpdateError(e, kind, action);
        if (action == uaFail) throw;
        if (action == uaAbort) RaiseUserAbort(*this);
      }
      if (action == uaFail)
        throw EDatabaseError(ComponentPath(this) + ":\r\nUpdate of a cached record failed.");
      if (action == uaAbort) RaiseUserAbort(*this);
    }
    while (action == uaApply || action == uaRetry) {
      try {
        ApplyRecordUpdate(buffer, kind);
        action = uaApplied;
      } catch (EFIBError& e) {
        action = uaFail;
        {
          TShownRecord shown(*this, buffer);
          DoUpdateError(e, kind, action);
        }
        if (action == uaFail) throw;
        if (action == uaAbort) RaiseUserAbort(*this);
        // A retry runs the statement again from the record as cached.
        if (action == uaRetry) ReadCachedRecord(index, buffer);
      }
    }
  }
}

void TFIBCustomDataSet::CommitUpdates() {
  if (!FCache) return;
  for (int index = FirstHeldRecord(); index < FFetchedCount; ++index) {
    char* record = FCache->RecordPointer(CacheSlot(index) + 1);
    if (record == nullptr) continue;
    switch (static_cast<TCachedUpdateStatus>(record[0])) {
      case cusModified:
      case cusInserted:
        record[0] = static_cast<char>(cusUnmodified);
        break;
      case cusDeleted:
        record[0] = static_cast<char>(cusDeletedApplied);
        break;
      default:
        break;
    }
  }
  FScratchIndex = -1;
  FCache->ClearLog();
  FPendingUpdateCount = 0;
  FUpdatesPending = false;
  if (Active() && State() == dsBrowse) {
    UpdateCursorPos();
    Resync(TResyncMode{});
  }
}
