// TDataSet: the record-buffer window, navigation, resynchronisation and
// bookmarks.

#include <algorithm>
#include <exception>
#include <set>

#include "framework/core/data/data_source.h"
#include "framework/core/data/dataset.h"

// --- The window -----------------------------------------------------------

TRecordBuffer TDataSet::Buffers(int index) const {
  if (index < 0 || index >= static_cast<int>(FBuffers.size()))
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FBuffers[static_cast<std::size_t>(index)];
}

void TDataSet::SetActiveRecord(int slot) {
  FActiveRecord = std::clamp(slot, 0, std::max(FBufferCount - 1, 0));
}

void TDataSet::SetBufListSize(int value) {
  const std::size_t wanted = value > 0 ? static_cast<std::size_t>(value) + 1 : 0;
  while (FBuffers.size() < wanted) {
    TRecordBuffer buffer = AllocRecordBuffer();
    FBuffers.push_back(buffer);
  }
  while (FBuffers.size() > wanted) {
    TRecordBuffer buffer = FBuffers.back();
    FBuffers.pop_back();
    FreeRecordBuffer(buffer);
  }
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::MoveBuffer(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  const auto first = FBuffers.begin();
  if (currentIndex < newIndex)
    std::rotate(first + currentIndex, first + currentIndex + 1, first + newIndex + 1);
  else
    std::rotate(first + newIndex, first + currentIndex, first + currentIndex + 1);
}

void TDataSet::SetCurrentRecord(int index) {
  if (FCurrentRecord == index) return;
  TRecordBuffer buffer = FBuffers[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  if (FRecordCount > 0) SetCurrentRecord(FRecordCount - 1);
  if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmNext, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0)
    ActivateBuffers();
  else if (FRecordCount < FBufferCount)
    ++FRecordCount;
  else
    MoveBuffer(0, FRecordCount);
  FCurrentRecord = FRecordCount - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(FRecordCount, 0);
    if (FRecordCount < FBufferCount) {
      ++FRecordCount;
      ++FActiveRecord;
    }
  }
  FCurrentRecord = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++count;
  return count;
}

void TDataSet::AdjustFirstRecords(int delta) {
  if (delta == 0) return;
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks)
      if (link->FActive) link->FFirstRecord += delta;
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int wanted = 1;
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks) wanted = std::max(wanted, link->FBufferCount);
  SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int value) {
  if (value == FBufferCount) return;
  if (value < FBufferCount && FRecordCount > 0) {
    // Keep the slots the links look at, as far as they fit, and always the
    // active record.
    int start = FActiveRecord;
    for (TDataSource* source : FDataSources)
      for (TDataLink* link : source->FDataLinks)
        if (link->FActive) start = std::min(start, link->FFirstRecord);
    start = std::max(start, FActiveRecord - value + 1);
    start = std::min(start, std::max(0, FRecordCount - value));
    start = std::max(start, 0);
    std::rotate(FBuffers.begin(), FBuffers.begin() + start, FBuffers.end());
    FActiveRecord -= start;
    FRecordCount = std::min(FRecordCount - start, value);
    if (FCurrentRecord >= 0) {
      FCurrentRecord -= start;
      if (FCurrentRecord < 0 || FCurrentRecord >= FRecordCount) FCurrentRecord = -1;
    }
    AdjustFirstRecords(-start);
  }
  SetBufListSize(value);
  FBufferCount = value;
  if (FDestroying) return;
  GetNextRecords();
  AdjustFirstRecords(GetPriorRecords());
}

// --- Navigation -----------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecords();
  } catch (...) {
    FBOF = true;
    DataEvent(deDataSetChange);
    throw;
  }
  FBOF = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecords();
    GetNextRecords();
  } catch (...) {
    // The records read before the failure stay in view, the window ending
    // where the cursor stopped; the first error is the one that goes on.
    const std::exception_ptr error = std::current_exception();
    try {
      if (FRecordCount == 0) GetPriorRecords();
    } catch (...) {
      ClearBuffers();
    }
    FEOF = true;
    DataEvent(deDataSetChange);
    std::rethrow_exception(error);
  }
  FEOF = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  DoBeforeScroll();
  // Nothing to move: no notification and no AfterScroll.
  if ((distance > 0 && FEOF) || (distance < 0 && FBOF) || distance == 0) return 0;
  FBOF = false;
  FEOF = false;
  // How far the records moved through the slots: the links follow them.
  int shift = 0;
  try {
    while (distance > 0) {
      if (FActiveRecord < FRecordCount - 1) {
        ++FActiveRecord;
      } else {
        const bool full = FRecordCount == FBufferCount;
        if (!GetNextRecord()) {
          FEOF = true;
          break;
        }
        if (full) --shift;
        FActiveRecord = FRecordCount - 1;
      }
      --distance;
      ++moved;
    }
    while (distance < 0) {
      if (FActiveRecord > 0) {
        --FActiveRecord;
      } else {
        if (!GetPriorRecord()) {
          FBOF = true;
          break;
        }
        ++shift;
        FActiveRecord = 0;
      }
      ++distance;
      --moved;
    }
  } catch (...) {
    TDataEventInfo info;
    info.Distance = shift;
    DataEvent(deDataSetScroll, info);
    throw;
  }
  TDataEventInfo info;
  info.Distance = shift;
  DataEvent(deDataSetScroll, info);
  DoAfterScroll();
  return moved;
}

void TDataSet::SetRecNo(int) {}

bool TDataSet::Locate(const std::string&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const std::string&, const Variant&, const std::string&) { return Variant::Null(); }

void TDataSet::Resync(TResyncMode mode) {
  if (FBuffers.empty()) return;
  TRecordBuffer spare = FBuffers[static_cast<std::size_t>(FRecordCount)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError("Record not found");
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange);
    return;
  }
  int count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  // The cursor stands on the record just read, now in slot 0.
  FCurrentRecord = 0;
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange);
    throw;
  }
  DataEvent(deDataSetChange);
}

// --- Bookmarks ------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
  return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  if (!BookmarkAvailable()) return TBookmark();
  TBookmark bookmark(static_cast<std::size_t>(FBookmarkSize), '\0');
  GetBookmarkData(ActiveBuffer(), reinterpret_cast<std::byte*>(bookmark.data()));
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) const { return false; }

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) const { return 0; }

// --- Consistency ----------------------------------------------------------

void TDataSet::CheckInvariants() const {
  const auto fail = [this](const std::string& rule) { DatabaseError("Broken record window: " + rule); };
  if (!Active()) {
    if (FRecordCount != 0 || !FBuffers.empty()) fail("a closed dataset holds buffers");
    return;
  }
  if (FBufferCount < 1) fail("no buffers");
  if (static_cast<int>(FBuffers.size()) != FBufferCount + 1) fail("buffer list size");
  if (FRecordCount < 0 || FRecordCount > FBufferCount) fail("record count outside the window");
  if (FRecordCount == 0 ? FActiveRecord != 0 : (FActiveRecord < 0 || FActiveRecord >= FRecordCount))
    fail("active record outside the filled slots");
  if (FCurrentRecord < -1 || FCurrentRecord >= std::max(FRecordCount, 1))
    fail("cursor slot outside the window");
  std::set<TRecordBuffer> distinct(FBuffers.begin(), FBuffers.end());
  if (distinct.size() != FBuffers.size() || distinct.count(nullptr) != 0) fail("buffers not distinct");
  int wanted = 1;
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks) {
      wanted = std::max(wanted, link->FBufferCount);
      if (!link->FActive || FState == dsSetKey) continue;
      if (link->FFirstRecord < 0 || link->FFirstRecord > FActiveRecord ||
          FActiveRecord >= link->FFirstRecord + link->FBufferCount)
        fail("a link's window misses the active record");
    }
  if (wanted != FBufferCount) fail("buffer count differs from the links' largest");
}
