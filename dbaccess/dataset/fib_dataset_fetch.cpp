// TFIBCustomDataSet: rows from the select statement into the record cache,
// and records from the cache into the framework's buffers.
//
// The fetch path runs once per row of every result and allocates nothing:
// the column sources are looked up once when the cursor opens, each value
// is converted once into the cache record in place, and the long texts of a
// row go to the string store together.

#include <cmath>
#include <cstring>

#include "dbaccess/util/raw_bytes.h"
#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/base/scope_exit.h"

namespace {

// Days from 0001-01-01 (plus one) to the server's day 0, 1858-11-17.
constexpr std::int32_t ServerDayOffset = 678576;
constexpr double MSecsPerDayD = 86400000.0;

// Right-trimmed of characters below code 33.
std::size_t TrimmedLength(const char* text, std::size_t length) {
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 33) --length;
  return length;
}

}  // namespace

void TFIBCustomDataSet::PrepareFetchPlan() {
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  FFetchPlan.resize(static_cast<std::size_t>(columns.Count()));
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& var = columns[i];
    FFetchPlan[static_cast<std::size_t>(i)] = {var.Data(), var.NullIndicator()};
  }
}

bool TFIBCustomDataSet::StatementExhausted() const { return FSelectQuery->Eof(); }

void TFIBCustomDataSet::OnSelectFetch(int rowsFetched, bool& stop) {
  if (BeforeFetchRecord) BeforeFetchRecord(FSelectQuery, rowsFetched, stop);
}

bool TFIBCustomDataSet::FetchNextRow() {
  if (StatementExhausted()) return false;
  if (FSelectQuery->FetchNext() == nullptr) return false;
  const int index = FFetchedCount;
  FetchRowIntoCache(index);
  ++FFetchedCount;
  if (AfterFetchRecord) {
    bool stop = false;
    AfterFetchRecord(FSelectQuery, index, stop);
    if (stop) Abort();
  }
  return true;
}

void TFIBCustomDataSet::FetchRowIntoCache(int recordIndex) { StoreRow(recordIndex, FFetchPlan, false); }

void TFIBCustomDataSet::StoreRow(int recordIndex, const std::vector<TFetchSource>& plan, bool refresh) {
  using TConversion = TFIBColumnDescriptor::TConversion;
  const int slot = CacheSlot(recordIndex);
  // The slot may be a ring slot that the scratch copy still shows.
  if (FScratchIndex >= 0 && CacheSlot(FScratchIndex) == slot) FScratchIndex = -1;
  char* record = FCache->PrepareRecord(slot + 1);
  constexpr int base = TRecordsCache::RecordBufferOffset;
  // Rows of the select statement hold no blob streams yet; a refreshed row
  // drops the streams of the blob columns it brings (StoreStatementRow).
  if (FBlobColumnCount > 0 && !refresh)
    std::memset(record + (FFixedEnd - base), 0,
                static_cast<std::size_t>(FBlobColumnCount) * sizeof(TBlobStreamHandle));
  record[0] = static_cast<char>(cusUnmodified);
  const std::size_t count = FColumns.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TFIBColumnDescriptor& column = FColumns[i];
    const TFetchSource& source = plan[i];
    if (source.Data == nullptr) continue;
    const bool isNull = source.Indicator != nullptr && *source.Indicator == -1;
    record[1 + i] = static_cast<char>(isNull);
    if (column.StringStored) {
      std::string_view& text = FRowTexts[static_cast<std::size_t>(column.StringIndex)];
      if (isNull) {
        text = {};
      } else if (column.Conversion == TConversion::Varying) {
        // A length beyond the declared one is not trusted past the column.
        const auto length = static_cast<std::uint16_t>(LoadRaw<std::int16_t>(source.Data));
        text = {source.Data + 2, std::min<std::size_t>(length, static_cast<std::size_t>(column.DeclaredLength))};
      } else {
        const auto length = static_cast<std::size_t>(column.DeclaredLength);
        text = {source.Data, TrimmedLength(source.Data, length)};
      }
      if (refresh)
        FCache->SetStringBuffer(column.StringIndex, slot, false, static_cast<int>(text.size()), text.data());
      continue;
    }
    char* target = record + (column.Offset - base);
    const auto size = static_cast<std::size_t>(column.StorageSize);
    if (isNull) {
      // A reused slot must not show the values of the record it held.
      std::memset(target, 0, size);
      continue;
    }
    const char* data = source.Data;
    switch (column.Conversion) {
      case TConversion::Varying: {
        const std::size_t length = std::min<std::size_t>(
            static_cast<std::uint16_t>(LoadRaw<std::int16_t>(data)), size);
        std::memcpy(target, data + 2, length);
        std::memset(target + length, 0, size - length);
        break;
      }
      case TConversion::ShortToInt:
        StoreRaw<std::int32_t>(target, LoadRaw<std::int16_t>(data));
        break;
      case TConversion::ShortScaled:
        StoreRaw<double>(target, ScaledToDouble(LoadRaw<std::int16_t>(data), column.Scale));
        break;
      case TConversion::LongScaled:
        StoreRaw<double>(target, ScaledToDouble(LoadRaw<std::int32_t>(data), column.Scale));
        break;
      case TConversion::Int64Scaled:
        StoreRaw<double>(target, ScaledToDouble(LoadRaw<std::int64_t>(data), column.Scale));
        break;
      case TConversion::FloatToDouble:
        StoreRaw<double>(target, LoadRaw<float>(data));
        break;
      case TConversion::TimeStamp: {
        const auto date = LoadRaw<std::int32_t>(data);
        const auto time = LoadRaw<std::uint32_t>(data + 4);
        StoreRaw<double>(target, (static_cast<double>(date) + ServerDayOffset) * MSecsPerDayD + time / 10);
        break;
      }
      case TConversion::Time:
        StoreRaw<std::int32_t>(target, static_cast<std::int32_t>(LoadRaw<std::uint32_t>(data) / 10));
        break;
      case TConversion::Date:
        StoreRaw<std::int32_t>(target, LoadRaw<std::int32_t>(data) + ServerDayOffset);
        break;
      case TConversion::Boolean1:
        StoreRaw<std::int16_t>(target, data[0] != 0 ? 1 : 0);
        break;
      case TConversion::Text:
      case TConversion::Raw:
        std::memcpy(target, data, size);
        break;
    }
  }
  if (FStringColumnCount > 0 && !refresh) FCache->SetStringRow(slot, FRowTexts.data());
}

// ---- Cache to buffer -----------------------------------------------------------------------

void TFIBCustomDataSet::ReadCachedRecord(int recordIndex, TRecordBuffer buffer) const {
  FCache->ReadRecord(CacheSlot(recordIndex) + 1, reinterpret_cast<char*>(buffer));
  SetRecordIndexOf(buffer, recordIndex);
}

void TFIBCustomDataSet::ReadOldRecordAt(int recordIndex, TRecordBuffer buffer) const {
  FCache->ReadOldVersion(CacheSlot(recordIndex) + 1, reinterpret_cast<char*>(buffer));
  SetRecordIndexOf(buffer, recordIndex);
}

void TFIBCustomDataSet::FetchUpTo(int recordIndex) {
  while (FFetchedCount <= recordIndex && FetchNextRow()) {
  }
}

void TFIBCustomDataSet::FetchAllQuietly() {
  TScreenCursorScope cursor(FSQLScreenCursor);
  // A handler's silent abort (AfterFetchRecord asking to stop) ends the
  // fetching; a failed fetch is not a short result and is raised.
  try {
    while (FetchNextRow()) {
    }
  } catch (const EAbort&) {
  }
}

void TFIBCustomDataSet::FetchAll() {
  CheckOpen(" fetch all ");
  FetchAllQuietly();
}

int TFIBCustomDataSet::FetchMore(int count) {
  int fetched = 0;
  try {
    while (fetched < count && FetchNextRow()) ++fetched;
  } catch (...) {
    // Fetching ahead is a convenience: the rows not read now are read
    // when navigation reaches them, and any error shows then.
  }
  return fetched;
}

void TFIBCustomDataSet::InternalLast() {
  // A fetch that fails still leaves the cursor after the records it read:
  // they stay the dataset's, and the error goes on to the caller.
  const TAtScopeExit toEnd([this] { FCurrentRecord = FFetchedCount; });
  if (!StatementExhausted()) FetchAllQuietly();
}

// ---- Get record ------------------------------------------------------------------------------

TGetResult TFIBCustomDataSet::GetRecordUnchecked(TRecordBuffer buffer, TGetMode mode) {
  const int first = FirstHeldRecord();
  switch (mode) {
    case gmCurrent:
      if (FCurrentRecord < 0) return grBOF;
      if (FCurrentRecord >= FFetchedCount) {
        FetchUpTo(FCurrentRecord);
        if (FCurrentRecord >= FFetchedCount) FCurrentRecord = FFetchedCount - 1;
      }
      // Nothing fetched is no record; a ring slot written over since is
      // not this record any more.
      if (FCurrentRecord < first) return grBOF;
      break;
    case gmNext:
      if (FCurrentRecord >= FFetchedCount) return grEOF;
      if (FCurrentRecord == FFetchedCount - 1 && !FetchNextRow()) return grEOF;
      ++FCurrentRecord;
      if (FCurrentRecord < first) RaiseClientError(ceDataSetUniDirectional);
      break;
    case gmPrior:
      if (FCurrentRecord > FFetchedCount) FCurrentRecord = FFetchedCount;
      if (FCurrentRecord <= first) {
        FCurrentRecord = first - 1;
        return grBOF;
      }
      --FCurrentRecord;
      break;
  }
  ReadCachedRecord(FCurrentRecord, buffer);
  return StepToVisible(buffer, mode);
}

TGetResult TFIBCustomDataSet::StepToVisible(TRecordBuffer buffer, TGetMode mode) {
  while (!RecordPassesFilter(buffer)) {
    if (mode == gmPrior) {
      if (FCurrentRecord <= FirstHeldRecord()) {
        FCurrentRecord = FirstHeldRecord() - 1;
        return grBOF;
      }
      --FCurrentRecord;
    } else {
      if (FCurrentRecord >= FFetchedCount - 1 && !FetchNextRow()) return grEOF;
      ++FCurrentRecord;
    }
    ReadCachedRecord(FCurrentRecord, buffer);
  }
  return grOK;
}

TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  TGetResult result;
  try {
    result = GetRecordUnchecked(buffer, mode);
  } catch (EDatabaseError& e) {
    if (!OnGetRecordError) throw;
    TDataAction action = daFail;
    OnGetRecordError(this, e, action);
    if (action == daFail) throw;
    if (action == daAbort) Abort();
    result = grError;
  }
  switch (result) {
    case grOK:
      SetBookmarkFlag(buffer, bfCurrent);
      GetCalcFields(buffer);
      break;
    case grBOF:
      SetBookmarkFlag(buffer, bfBOF);
      break;
    default:
      SetBookmarkFlag(buffer, bfEOF);
      break;
  }
  return result;
}
