// The fetching thread and its reader; see fetch_ahead.h.

#include "dbaccess/statement/fetch_ahead.h"

#include <algorithm>
#include <cstring>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"

namespace {

std::size_t DataLength(const XSQLVAR& var) {
  const std::size_t length = static_cast<std::size_t>(var.sqllen);
  return (var.sqltype & ~1) == SQL_VARYING ? length + sizeof(short) : length;
}

std::size_t Aligned(std::size_t n) { return (n + 7) & ~std::size_t(7); }

}  // namespace

TFetchAhead::~TFetchAhead() {
  Stop();
  if (!FThread.joinable()) return;
  {
    const std::lock_guard lock(FMutex);
    FQuit = true;
  }
  FWake.notify_all();
  FThread.join();
}

void TFetchAhead::Start(TClientHandle* handle, const void* layout, unsigned short dialect) {
  Stop();
  FHandle = handle;
  FDialect = dialect;
  const std::size_t bytes = XSQLDA_LENGTH(static_cast<const XSQLDA*>(layout)->sqln);
  FLayout.assign(static_cast<const char*>(layout), static_cast<const char*>(layout) + bytes);
  auto* own = reinterpret_cast<XSQLDA*>(FLayout.data());
  FOffsets.clear();
  std::size_t size = 0;
  for (int i = 0; i < own->sqld; ++i) {
    FOffsets.push_back(size);
    size += Aligned(DataLength(own->sqlvar[i])) + Aligned(sizeof(short));
  }
  FRow.assign(std::max<std::size_t>(size, 1), 0);
  for (int i = 0; i < own->sqld; ++i) {
    XSQLVAR& var = own->sqlvar[i];
    var.sqldata = FRow.data() + FOffsets[static_cast<std::size_t>(i)];
    var.sqlind = reinterpret_cast<short*>(var.sqldata + Aligned(DataLength(var)));
  }
  {
    const std::lock_guard lock(FMutex);
    FFilled = 0;
    FConsumed = 0;
    FEnded = false;
    FStop = false;
    FCursor = true;
    ++FGeneration;
  }
  FReading = true;
  FHolding = false;
  if (!FThread.joinable())
    FThread = std::thread([this] { Run(); });
  else
    FWake.notify_all();
}

bool TFetchAhead::BatchesReady() const {
  // The reader, faster than the fetching, would otherwise be woken for
  // every batch: past the first it waits for several at a time, or the end.
  return FFilled > FConsumed && (FEnded || FConsumed == 0 || FFilled - FConsumed >= ReaderWakeBatches);
}

bool TFetchAhead::ReaderWaits() const { return FFilled == FConsumed; }

void TFetchAhead::Stop() noexcept {
  if (!FReading) return;
  std::unique_lock lock(FMutex);
  FStop = true;
  FCursor = false;
  FWake.notify_all();
  FDone.wait(lock, [&] { return !FFetching; });
  FReading = false;
}

void TFetchAhead::Run() {
  std::unique_lock lock(FMutex);
  std::uint64_t served = 0;
  for (;;) {
    // Parked until the reader starts another cursor.
    FWake.wait(lock, [&] { return FQuit || (FCursor && FGeneration != served); });
    if (FQuit) return;
    served = FGeneration;
    FFetching = true;
    lock.unlock();
    FetchCursor();
    lock.lock();
    FFetching = false;
    FDone.notify_all();
  }
}

void TFetchAhead::FetchCursor() {
  const TClientEntryPoints& api = ClientAPI();
  auto* layout = reinterpret_cast<XSQLDA*>(FLayout.data());
  int rows = FirstBatchRows;
  for (std::uint64_t n = 0;; ++n) {
    {
      std::unique_lock lock(FMutex);
      FWake.wait(lock, [&] { return FStop || FFilled - FConsumed < BatchCount; });
      if (FStop) return;
    }
    // Unseen by the reader until it is handed on.
    TBatch& batch = FBatches[n % BatchCount];
    batch.Count = 0;
    batch.Result = 0;
    batch.Rows.resize(FRow.size() * static_cast<std::size_t>(rows));
    while (batch.Count < rows && !FStop) {
      const TStatusWord result = api.isc_dsql_fetch(StatusVector(), FHandle, FDialect, layout);
      if (result != 0) {
        batch.Result = result;
        std::copy_n(StatusVector(), StatusVectorLength, batch.Status.begin());
        break;
      }
      std::memcpy(batch.Rows.data() + FRow.size() * static_cast<std::size_t>(batch.Count), FRow.data(),
                  FRow.size());
      ++batch.Count;
    }
    std::unique_lock lock(FMutex);
    ++FFilled;
    if (batch.Result != 0) FEnded = true;
    if (BatchesReady()) FDone.notify_all();
    if (batch.Result != 0) {
      // The status vector's texts belong to this thread: it stays, idle,
      // until the reader has reported them and stops the cursor.
      FWake.wait(lock, [&] { return FStop.load(); });
      return;
    }
    rows = std::min(rows * 4, LargestBatchRows);
  }
}

void TFetchAhead::CopyRow(const char* row, void* target) const {
  XSQLDA& descriptor = *static_cast<XSQLDA*>(target);
  for (int i = 0; i < descriptor.sqld; ++i) {
    XSQLVAR& var = descriptor.sqlvar[i];
    const char* from = row + FOffsets[static_cast<std::size_t>(i)];
    const std::size_t length = DataLength(var);
    std::memcpy(var.sqldata, from, length);
    if ((var.sqltype & 1) != 0 && var.sqlind != nullptr)
      std::memcpy(var.sqlind, from + Aligned(length), sizeof(short));
  }
}

TStatusWord TFetchAhead::Next(void* target) {
  for (;;) {
    if (!FHolding) {
      // A batch handed on is read at once; only a reader with none left
      // waits, and then for several.
      std::unique_lock lock(FMutex);
      if (ReaderWaits()) FDone.wait(lock, [&] { return BatchesReady(); });
      FHolding = true;
      FPosition = 0;
    }
    const TBatch& batch = FBatches[FConsumed % BatchCount];
    if (FPosition < batch.Count) {
      CopyRow(batch.Rows.data() + FRow.size() * static_cast<std::size_t>(FPosition++), target);
      return 0;
    }
    if (batch.Result != 0) {
      std::copy(batch.Status.begin(), batch.Status.end(), StatusVector());
      return batch.Result;
    }
    {
      const std::lock_guard lock(FMutex);
      ++FConsumed;
    }
    FWake.notify_all();
    FHolding = false;
  }
}
