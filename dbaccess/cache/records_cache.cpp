#include "dbaccess/cache/records_cache.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include "dbaccess/cache/records_cache_strings.h"
#include "dbaccess/util/string_collections.h"
#include "framework/core/text/sysutils.h"

namespace {

const char* const IncompatibleSizes = "Incompatible Sizes";
const char* const CantRead = "Can't read Buffer.Incorrect RecordNo";
const char* const CantReadLog = "Can't read LogBuffer.Incorrect RecordNo";
const char* const CantWrite = "Can't write to Buffer.Incorrect RecordNo";

[[noreturn]] void Broken(const std::string& what) {
  throw EMemManagerError("Records cache invariant broken: " + what);
}

// String columns that a transfer can hold: every column inside the buffer,
// the non-empty ones in ascending order without overlap, the fixed part in
// front of the first one inside the cache record, and the blob references
// behind the last one inside the buffer.
bool StringLayoutFits(const std::vector<int>& offsets, const std::vector<int>& lengths, int recordSize,
                      int bufferSize) {
  if (offsets.empty()) return true;
  const std::int64_t room = bufferSize - TRecordsCache::RecordBufferOffset;
  const int fixedBytes = offsets.front();
  if (fixedBytes > recordSize) return false;
  std::int64_t end = 0;
  for (std::size_t c = 0; c < offsets.size(); ++c) {
    if (offsets[c] < 0 || lengths[c] < 0 || std::int64_t{offsets[c]} + lengths[c] > room) return false;
    if (lengths[c] == 0) continue;
    if (offsets[c] < end) return false;
    end = std::int64_t{offsets[c]} + lengths[c];
  }
  const std::int64_t tail = std::int64_t{offsets.back()} + lengths.back();
  return tail + (recordSize - fixedBytes) <= room;
}

// Room for `size` elements, reserved ahead so that a failure comes before
// any change; capacity doubles, so appending one at a time stays linear.
template <class T>
void ReserveFor(std::vector<T>& v, std::size_t size) {
  if (size > v.capacity()) v.reserve(std::max(size, 2 * v.capacity()));
}

}  // namespace

TRecordsCache::TRecordsCache(int bufferChunks, int bufferSize, int recordSize, int stringFieldCount) {
  if (recordSize < 1 || stringFieldCount < 0 ||
      std::int64_t{bufferSize} < std::int64_t{recordSize} + RecordBufferOffset)
    throw EMemManagerError(IncompatibleSizes);
  std::int64_t blockSize = std::int64_t{bufferChunks} * recordSize;
  if (blockSize < MinBlockSize) blockSize = MinBlockSize + bufferSize - (MinBlockSize % bufferSize);
  if (blockSize < recordSize || blockSize > std::numeric_limits<int>::max())
    throw EMemManagerError(IncompatibleSizes);
  FBlockSize = static_cast<int>(blockSize);
  FBlocks = TCacheBlocks(FBlockSize, true);
  FLogBlocks = TCacheBlocks(FBlockSize, false);
  FRecordSize = recordSize;
  FRecordsPerBlock = FBlockSize / FRecordSize;
  FBufferSize = bufferSize;
  FStringFieldCount = stringFieldCount;
  FFixedBytes = recordSize;
  if (stringFieldCount > 0) {
    FStringOffsets.assign(static_cast<std::size_t>(stringFieldCount), 0);
    FStringLengths.assign(static_cast<std::size_t>(stringFieldCount), 0);
    FFixedBytes = 0;
    FStrings = std::make_unique<TCacheStringStore>(stringFieldCount);
  }
  FScratchBuffer = std::make_unique<char[]>(static_cast<std::size_t>(bufferSize));
}

TRecordsCache::~TRecordsCache() = default;

void TCacheBlocks::Add() {
  // Room first, so that a failure leaves the list as it was.
  if (FBlocks.size() == FBlocks.capacity()) FBlocks.reserve(FBlocks.capacity() + 1000);
  if (FSlabLeft == 0) {
    // Doubling: a result of a few rows takes one block, a large one a few
    // dozen allocations.
    const std::size_t most = std::max<std::size_t>(1, CacheSlabBytes / FBlockSize);
    const std::size_t blocks = std::clamp<std::size_t>(FBlocks.size(), 1, most);
    // A full-sized allocation is a kept slab, its tail shorter than a block.
    const std::size_t bytes =
        blocks == most && FBlockSize <= CacheSlabBytes ? CacheSlabBytes : blocks * FBlockSize;
    FSlabs.emplace_back(bytes);
    FBytes += bytes;
    FSlabBlocks = blocks;
    FSlabLeft = blocks;
  }
  char* block = FSlabs.back().Data() + (FSlabBlocks - FSlabLeft) * FBlockSize;
  // Zeroed one block at a time, just ahead of the records written into it:
  // the memory is touched once, while it is in the processor's cache.
  if (FZeroFilled) std::memset(block, 0, FBlockSize);
  FBlocks.push_back(block);
  --FSlabLeft;
}

void TCacheBlocks::Clear() {
  FBlocks.clear();
  FSlabs.clear();
  FSlabBlocks = 0;
  FSlabLeft = 0;
  FBytes = 0;
}

int TRecordsCache::AddBlock() {
  FBlocks.Add();
  return BlockCount();
}

void TRecordsCache::SetStringColumn(int column, int offset, int length) {
  if (column < 1 || column > FStringFieldCount) return;
  if (length > TCacheStringStore::MaxTextLength) throw EMemManagerError(IncompatibleSizes);
  std::vector<int> offsets = FStringOffsets;
  std::vector<int> lengths = FStringLengths;
  offsets[static_cast<std::size_t>(column - 1)] = offset;
  lengths[static_cast<std::size_t>(column - 1)] = length;
  if (!StringLayoutFits(offsets, lengths, FRecordSize, FBufferSize))
    throw EMemManagerError(IncompatibleSizes);
  FStringOffsets = std::move(offsets);
  FStringLengths = std::move(lengths);
  FFixedBytes = FStringOffsets.front();
  FTailOffset = FStringOffsets.back() + FStringLengths.back();
}

// ---- Numbers and places -------------------------------------------------------

int TRecordsCache::PhysicalOf(int recordNo) const {
  if (recordNo < 1 || recordNo > LogicalCount()) return 0;
  return FMapped ? FRecordMap[static_cast<std::size_t>(recordNo - 1)] : recordNo;
}

char* TRecordsCache::SlotAddress(const TCacheBlocks& blocks, int slot) const {
  const auto index = static_cast<std::size_t>(slot - 1);
  const auto perBlock = static_cast<std::size_t>(FRecordsPerBlock);
  return blocks[index / perBlock] + (index % perBlock) * static_cast<std::size_t>(FRecordSize);
}

void TRecordsCache::EnsureBlocksFor(int physicalNumber) {
  while (std::int64_t{BlockCount()} * FRecordsPerBlock < physicalNumber) AddBlock();
}

void TRecordsCache::GrowStringRows(int rows) {
  if (FStrings && FStrings->RowCount() < rows) FStrings->AddRows(rows - FStrings->RowCount());
}

int TRecordsCache::PhysicalNumber(int logicalIndex) const {
  if (logicalIndex < 0 || logicalIndex >= LogicalCount()) return 0;
  return PhysicalOf(logicalIndex + 1);
}

int TRecordsCache::LogicalIndex(int physicalNumber) const {
  // Physical number 0 is no record: it would address the slot in front of
  // the first block.
  if (physicalNumber < 1 || physicalNumber > FHighRecord) return -1;
  if (!FMapped) return physicalNumber - 1;
  const auto quick = static_cast<std::size_t>(physicalNumber - 1);
  if (quick < FRecordMap.size() && FRecordMap[quick] == physicalNumber) return physicalNumber - 1;
  const auto it = std::find(FRecordMap.begin(), FRecordMap.end(), physicalNumber);
  return it == FRecordMap.end() ? -1 : static_cast<int>(it - FRecordMap.begin());
}

bool TRecordsCache::IsValidRecord(int physicalNumber) const { return LogicalIndex(physicalNumber) >= 0; }

char* TRecordsCache::RecordPointer(int recordNo) {
  return const_cast<char*>(std::as_const(*this).RecordPointer(recordNo));
}

const char* TRecordsCache::RecordPointer(int recordNo) const {
  const int p = PhysicalOf(recordNo);
  if (!p || (p - 1) / FRecordsPerBlock >= BlockCount()) return nullptr;
  return SlotAddress(FBlocks, p);
}

std::string_view TRecordsCache::StringAt(int column, int recordNo) const {
  const int p = PhysicalOf(recordNo);
  if (!p || !FStrings || column < 0 || column >= FStringFieldCount || p > FStrings->RowCount()) return {};
  // A text stored longer than its column reads cut, as a record read gives it.
  return FStrings->Get(p - 1, column)
      .substr(0, static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(column)]));
}

// ---- Transfers ------------------------------------------------------------------

namespace {

// Views of one row's texts, on the stack for the usual handful of columns.
class TTextViews {
 public:
  explicit TTextViews(int count) {
    if (count > Inline) FHeap.resize(static_cast<std::size_t>(count));
    FData = count > Inline ? FHeap.data() : FInline;
  }
  TTextViews(const TTextViews&) = delete;
  TTextViews& operator=(const TTextViews&) = delete;
  std::string_view* Data() { return FData; }
  std::string_view& operator[](int i) { return FData[i]; }

 private:
  static constexpr int Inline = 8;
  std::string_view FInline[Inline];
  std::vector<std::string_view> FHeap;
  std::string_view* FData;
};

}  // namespace

void TRecordsCache::CopyOut(const char* record, const TCacheStringStore* strings, int row,
                            char* buffer) const {
  char* out = buffer + RecordBufferOffset;
  if (!strings) {
    std::memcpy(out, record, static_cast<std::size_t>(FRecordSize));
    return;
  }
  std::memcpy(out, record, static_cast<std::size_t>(FFixedBytes));
  TTextViews texts(FStringFieldCount);
  strings->GetRow(row, texts.Data());
  for (int c = 0; c < FStringFieldCount; ++c) {
    // The store holds each text with its length, so a text that fills its
    // column is copied whole and nothing is written behind the column.
    const auto length = static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(c)]);
    const std::size_t size = std::min(texts[c].size(), length);
    char* column = out + FStringOffsets[static_cast<std::size_t>(c)];
    if (size) std::memcpy(column, texts[c].data(), size);
    std::memset(column + size, 0, length - size);
  }
  std::memcpy(out + FTailOffset, record + FFixedBytes, static_cast<std::size_t>(FRecordSize - FFixedBytes));
}

void TRecordsCache::CopyIn(char* record, TCacheStringStore* strings, int row, const char* buffer) {
  const char* in = buffer + RecordBufferOffset;
  if (!strings) {
    std::memcpy(record, in, static_cast<std::size_t>(FRecordSize));
    return;
  }
  TTextViews texts(FStringFieldCount);
  for (int c = 0; c < FStringFieldCount; ++c) {
    // Up to the first zero byte, but never past the column: a text that
    // fills its column has no terminator.
    const char* column = in + FStringOffsets[static_cast<std::size_t>(c)];
    const auto length = static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(c)]);
    const void* zero = length ? std::memchr(column, 0, length) : nullptr;
    texts[c] = {column, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - column) : length};
  }
  strings->SetRow(row, texts.Data());  // first: the only step that can fail
  std::memcpy(record, in, static_cast<std::size_t>(FFixedBytes));
  std::memcpy(record + FFixedBytes, in + FTailOffset, static_cast<std::size_t>(FRecordSize - FFixedBytes));
}

char* TRecordsCache::PrepareRecord(int recordNo) {
  if (recordNo < 1) throw EMemManagerError(CantWrite);
  if (FMapped) {
    const int count = static_cast<int>(FRecordMap.size());
    if (recordNo > count) {
      // New positions behind the map get fresh physical numbers.
      const int high = FHighRecord + (recordNo - count);
      ReserveFor(FRecordMap, static_cast<std::size_t>(recordNo));
      EnsureBlocksFor(high);
      GrowStringRows(high);
      for (int p = FHighRecord + 1; p <= high; ++p) FRecordMap.push_back(p);
      FHighRecord = high;
    }
  } else if (recordNo > FHighRecord) {
    EnsureBlocksFor(recordNo);
    GrowStringRows(recordNo);
    FHighRecord = recordNo;
  }
  return SlotAddress(FBlocks, PhysicalOf(recordNo));
}

void TRecordsCache::ReadRecord(int recordNo, char* buffer) const {
  const int p = PhysicalOf(recordNo);
  if (!p || (p - 1) / FRecordsPerBlock >= BlockCount()) throw EMemManagerError(CantRead);
  CopyOut(SlotAddress(FBlocks, p), FStrings.get(), p - 1, buffer);
}

void TRecordsCache::WriteRecord(int recordNo, const char* buffer, bool prepare) {
  if (prepare) PrepareRecord(recordNo);
  // Without a map a record may be written anywhere inside the allocated
  // blocks; the high-water mark moves only once the write is known to fit.
  const int p = FMapped ? PhysicalOf(recordNo) : std::max(recordNo, 0);
  if (p < 1 || (p - 1) / FRecordsPerBlock >= BlockCount()) throw EMemManagerError(CantWrite);
  if (p > FHighRecord) {
    GrowStringRows(p);
    FHighRecord = p;
  }
  char* record = SlotAddress(FBlocks, p);
  if (!buffer) {
    std::memset(record, 0, static_cast<std::size_t>(FRecordSize));
    return;
  }
  CopyIn(record, FStrings.get(), p - 1, buffer);
}

// ---- Strings ----------------------------------------------------------------------

void TRecordsCache::CheckStringTarget(int column, int recordIndex, int& row) const {
  if (column < 0 || column >= FStringFieldCount)
    throw EStringCollectionError("Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  // A record that does not exist has no row in the store.
  const int p = PhysicalNumber(recordIndex);
  if (!p) throw EStringCollectionError("Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  row = p - 1;
}

std::string_view TRecordsCache::StoredText(int column, std::string_view text) const {
  const auto length = static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(column)]);
  const auto trimRight = [](std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) < 33) s.remove_suffix(1);
    return s;
  };
  // A text longer than its column keeps only what the column can show: what
  // a read would cut anyway is never stored.
  if (text.size() > length) return trimRight(text.substr(0, length));
  if (!text.empty() && text.back() == ' ') return trimRight(text);
  return text;
}

void TRecordsCache::SetString(int column, int recordIndex, std::string_view text) {
  int row;
  CheckStringTarget(column, recordIndex, row);
  FStrings->Set(row, column, StoredText(column, text));
}

void TRecordsCache::SetStringRow(int recordIndex, const std::string_view* texts) {
  int row;
  CheckStringTarget(0, recordIndex, row);
  TTextViews bounded(FStringFieldCount);
  for (int c = 0; c < FStringFieldCount; ++c) {
    const auto length = static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(c)]);
    bounded[c] = texts[c].size() > length ? texts[c].substr(0, length) : texts[c];
  }
  FStrings->SetRow(row, bounded.Data());
}

void TRecordsCache::SetStringBuffer(int column, int recordIndex, bool trim, int length, const char* chars) {
  int row;
  CheckStringTarget(column, recordIndex, row);
  const auto columnLength = static_cast<std::size_t>(FStringLengths[static_cast<std::size_t>(column)]);
  std::size_t size = 0;
  if (!chars) {
    size = 0;
  } else if (trim) {
    size = length < 0 ? columnLength : std::min(static_cast<std::size_t>(length), columnLength);
    while (size > 0 && static_cast<unsigned char>(chars[size - 1]) < 33) --size;
  } else if (length < 0) {
    const void* zero = columnLength ? std::memchr(chars, 0, columnLength) : nullptr;
    size = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - chars) : columnLength;
  } else {
    size = std::min(static_cast<std::size_t>(length), columnLength);
  }
  FStrings->Set(row, column, std::string_view(chars, size));
}

// ---- Old versions -------------------------------------------------------------------

std::vector<TRecordsCache::TLogEntry>::const_iterator TRecordsCache::FindLogEntry(int physicalNumber) const {
  return std::lower_bound(FLogEntries.begin(), FLogEntries.end(), physicalNumber,
                          [](const TLogEntry& e, int p) { return e.Physical < p; });
}

void TRecordsCache::ReadOldRecord(int recordNo, char* buffer) const {
  const int p = PhysicalOf(recordNo);
  if (!p) throw EMemManagerError(CantRead);
  const auto it = FindLogEntry(p);
  if (it == FLogEntries.end() || it->Physical != p) {
    ReadRecord(recordNo, buffer);
    return;
  }
  if ((it->Slot - 1) / FRecordsPerBlock >= LogCount()) throw EMemManagerError(CantReadLog);
  CopyOut(SlotAddress(FLogBlocks, it->Slot), FLogStrings.get(), it->Slot - 1, buffer);
}

void TRecordsCache::LogOldRecord(int recordNo) {
  const char* record = RecordPointer(recordNo);
  if (!record) throw EMemManagerError(CantRead);
  const int p = PhysicalOf(recordNo);
  const auto it = FindLogEntry(p);
  const auto place = it - FLogEntries.begin();
  int slot;
  if (it != FLogEntries.end() && it->Physical == p) {
    slot = it->Slot;
  } else {
    // Slots are handed out in the order records are first logged, and a
    // record keeps its slot until the log is cleared.
    slot = FLogSlots + 1;
    ReserveFor(FLogEntries, FLogEntries.size() + 1);
    // A log slot is written whole before it is ever read.
    while (std::int64_t{LogCount()} * FRecordsPerBlock < slot) FLogBlocks.Add();
    if (FStrings) {
      if (!FLogStrings) FLogStrings = std::make_unique<TCacheStringStore>(FStringFieldCount);
      FLogStrings->AddRows(slot - FLogStrings->RowCount());
    }
    FLogEntries.insert(FLogEntries.begin() + place, {p, slot});
    FLogSlots = slot;
  }
  std::memcpy(SlotAddress(FLogBlocks, slot), record, static_cast<std::size_t>(FRecordSize));
  if (FStrings) FLogStrings->CopyRow(slot - 1, *FStrings, p - 1);
}

void TRecordsCache::ClearLog() {
  FLogBlocks.Clear();
  FLogEntries.clear();
  FLogSlots = 0;
  if (FLogStrings) FLogStrings->Clear();
}

char* TRecordsCache::OldRecordBuffer(int recordNo) {
  if (FKeepOldVersions) ReadOldRecord(recordNo, FScratchBuffer.get());
  return FScratchBuffer.get();
}

void TRecordsCache::SaveOldRecord(int recordNo) {
  if (FKeepOldVersions) {
    LogOldRecord(recordNo);
  } else {
    ReadRecord(recordNo, FScratchBuffer.get());
    FScratchPhysical = PhysicalOf(recordNo);
  }
}

void TRecordsCache::ReadOldVersion(int recordNo, char* buffer) const {
  if (FKeepOldVersions) {
    ReadOldRecord(recordNo, buffer);
    return;
  }
  const int p = PhysicalOf(recordNo);
  if (!p) throw EMemManagerError(CantRead);
  // The scratch buffer holds another record's saved version, or nothing:
  // a record never saved has only its current version.
  if (p != FScratchPhysical) {
    ReadRecord(recordNo, buffer);
    return;
  }
  std::memcpy(buffer, FScratchBuffer.get(), static_cast<std::size_t>(FBufferSize));
}

std::size_t TRecordsCache::MemoryBytes() const {
  std::size_t bytes = FBlocks.Bytes() + FLogBlocks.Bytes();
  bytes += static_cast<std::size_t>(FBufferSize);
  bytes += FRecordMap.capacity() * sizeof(int) + FLogEntries.capacity() * sizeof(TLogEntry);
  if (FStrings) bytes += FStrings->MemoryBytes();
  if (FLogStrings) bytes += FLogStrings->MemoryBytes();
  return bytes;
}

bool TRecordsCache::IsLogged(int recordNo) const {
  const int p = PhysicalOf(recordNo);
  if (!p) return false;
  const auto it = FindLogEntry(p);
  return it != FLogEntries.end() && it->Physical == p;
}

void TRecordsCache::RestoreRecord(int recordNo) { WriteRecord(recordNo, OldRecordBuffer(recordNo), false); }

// ---- Order --------------------------------------------------------------------------

void TRecordsCache::BuildMap() {
  if (FMapped) return;
  FRecordMap.resize(static_cast<std::size_t>(FHighRecord));
  std::iota(FRecordMap.begin(), FRecordMap.end(), 1);
  FMapped = true;
}

void TRecordsCache::SwapRecords(int index1, int index2) {
  const int count = LogicalCount();
  if (index1 < 0 || index1 >= count || index2 < 0 || index2 >= count)
    throw EMemManagerError("Can't swap records.Incorrect RecordNo");
  BuildMap();
  std::swap(FRecordMap[static_cast<std::size_t>(index1)], FRecordMap[static_cast<std::size_t>(index2)]);
}

void TRecordsCache::MoveRecord(int from, int to) {
  const int count = LogicalCount();
  if (from < 0 || from >= count || to < 0 || to >= count)
    throw EMemManagerError("Can't move record.Incorrect RecordNo");
  if (from == to) return;
  BuildMap();
  const auto first = FRecordMap.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else {
    std::rotate(first + to, first + from, first + from + 1);
  }
}

void TRecordsCache::InsertRecord(int index) {
  if (index < 0 || index > LogicalCount()) throw EMemManagerError("Can't insert record.Incorrect RecordNo");
  BuildMap();
  const int p = FHighRecord + 1;
  ReserveFor(FRecordMap, FRecordMap.size() + 1);
  EnsureBlocksFor(p);
  // Only a cache with string columns has a string store to grow.
  GrowStringRows(p);
  // A physical number given back by DeleteRecord may come round again; its
  // string row went with it, its slot is cleared here.
  std::memset(SlotAddress(FBlocks, p), 0, static_cast<std::size_t>(FRecordSize));
  FRecordMap.insert(FRecordMap.begin() + index, p);
  FHighRecord = p;
}

void TRecordsCache::DeleteRecord(int recordNo) {
  if (!FMapped) return;
  const int p = PhysicalOf(recordNo);
  if (!p) throw EMemManagerError("Can't delete record.Incorrect RecordNo");
  FRecordMap.erase(FRecordMap.begin() + (recordNo - 1));
  // A logged version must not come back for another record that later gets
  // the same physical number.
  const auto it = FindLogEntry(p);
  if (it != FLogEntries.end() && it->Physical == p) FLogEntries.erase(it);
  if (p == FHighRecord) {
    --FHighRecord;
    if (FStrings) FStrings->RemoveLastRow();
  }
}

// ---- Invariants -------------------------------------------------------------------

void TRecordsCache::CheckInvariants() const {
  if (FRecordSize < 1 || FBlockSize < FRecordSize || FRecordsPerBlock != FBlockSize / FRecordSize)
    Broken("block geometry");
  if (FBufferSize < FRecordSize + RecordBufferOffset) Broken("record larger than the buffer");
  if (!FScratchBuffer) Broken("no scratch buffer");
  if (FHighRecord < 0) Broken("negative high record");
  if (std::int64_t{BlockCount()} * FRecordsPerBlock < FHighRecord) Broken("a record without its block");
  for (int b = 0; b < BlockCount(); ++b)
    if (!FBlocks[static_cast<std::size_t>(b)]) Broken("a missing block");

  if (FMapped) {
    if (static_cast<int>(FRecordMap.size()) > FHighRecord) Broken("map longer than the records");
    std::vector<bool> seen(static_cast<std::size_t>(FHighRecord) + 1);
    for (const int p : FRecordMap) {
      if (p < 1 || p > FHighRecord) Broken(Format("map entry %d out of range", p));
      if (seen[static_cast<std::size_t>(p)]) Broken(Format("physical number %d mapped twice", p));
      seen[static_cast<std::size_t>(p)] = true;
    }
  } else if (!FRecordMap.empty()) {
    Broken("map entries without a map");
  }

  if (static_cast<int>(FStringOffsets.size()) != FStringFieldCount ||
      static_cast<int>(FStringLengths.size()) != FStringFieldCount)
    Broken("string column arrays");
  if (!StringLayoutFits(FStringOffsets, FStringLengths, FRecordSize, FBufferSize)) Broken("string layout");
  const auto checkStore = [&](const TCacheStringStore& store, int rows, const char* name) {
    store.CheckInvariants();
    if (store.RowCount() != rows)
      Broken(Format("%s has %d rows for %d records", name, store.RowCount(), rows));
    TTextViews texts(FStringFieldCount);
    for (int row = 0; row < rows; ++row) {
      store.GetRow(row, texts.Data());
      for (int c = 0; c < FStringFieldCount; ++c)
        if (static_cast<int>(texts[c].size()) > FStringLengths[static_cast<std::size_t>(c)])
          Broken(Format("%s row %d column %d longer than its column", name, row, c));
    }
  };
  if (FStringFieldCount == 0) {
    if (FStrings || FLogStrings) Broken("a string store without string columns");
  } else {
    if (!FStrings) Broken("string columns without a string store");
    checkStore(*FStrings, FHighRecord, "string store");
    if (FLogSlots > 0 && !FLogStrings) Broken("logged records without logged strings");
    if (FLogStrings) checkStore(*FLogStrings, FLogSlots, "log string store");
  }

  if (std::int64_t{LogCount()} * FRecordsPerBlock < FLogSlots) Broken("a log slot without its block");
  if (static_cast<int>(FLogEntries.size()) > FLogSlots) Broken("more log entries than slots");
  std::vector<bool> slots(static_cast<std::size_t>(FLogSlots) + 1);
  for (std::size_t i = 0; i < FLogEntries.size(); ++i) {
    const TLogEntry& e = FLogEntries[i];
    if (i > 0 && FLogEntries[i - 1].Physical >= e.Physical) Broken("log entries out of order");
    if (!IsValidRecord(e.Physical)) Broken(Format("log entry for physical number %d, no record", e.Physical));
    if (e.Slot < 1 || e.Slot > FLogSlots || slots[static_cast<std::size_t>(e.Slot)])
      Broken(Format("log slot %d out of range or shared", e.Slot));
    slots[static_cast<std::size_t>(e.Slot)] = true;
  }
}
