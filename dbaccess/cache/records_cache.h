#pragma once
// TRecordsCache: every row a dataset has fetched, as fixed-size cache records
// packed into large zero-filled blocks, with the long character columns in a
// string store beside them. It also keeps a change log of old versions (for
// cached updates and cancelled edits) and, once the order of records has
// changed (local sort, insertion in the middle), a map from logical positions
// to physical slots. The dataset creates it when it opens, decides the layout
// of a record and frees it when it closes.
//
// Numbers: a logical record number n is 1-based (position n in the dataset's
// order), a logical index is 0-based, a physical number p is the 1-based slot
// a record occupies for its whole life; bookmarks hold physical numbers, and
// 0 is never a record.
//
// Buffers handed to the transfers are the dataset's full record buffers
// (`BufferSize` bytes). The cache record is that buffer from byte
// `RecordBufferOffset` on (status byte, null flags, fixed-size columns, then
// the blob references) without the string columns, which sit contiguously
// between the fixed-size columns and the blob references of the buffer.

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "dbaccess/cache/cache_memory.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

class TCacheStringStore;

// The blocks of a cache (or of its change log): fixed-size, handed out from
// allocations of several blocks at a time that double in size up to a kept
// slab (cache_memory.h), so that a large result costs a few dozen
// allocations rather than one per block. A block is zero-filled when it is
// handed out, or (the change log's, written whole before they are read) not
// at all.
class TCacheBlocks {
 public:
  TCacheBlocks(int blockSize, bool zeroFilled)
      : FBlockSize(static_cast<std::size_t>(blockSize)), FZeroFilled(zeroFilled) {}
  int Count() const { return static_cast<int>(FBlocks.size()); }
  char* operator[](std::size_t index) const { return FBlocks[index]; }
  void Add();
  void Clear();
  // Bytes allocated, whether handed out yet or not.
  std::size_t Bytes() const { return FBytes; }

 private:
  std::size_t FBlockSize;
  bool FZeroFilled;
  std::vector<char*> FBlocks;
  std::vector<TCacheSlab> FSlabs;
  std::size_t FSlabBlocks = 0;  // blocks of the last allocation
  std::size_t FSlabLeft = 0;    // of them not handed out yet
  std::size_t FBytes = 0;
};

TULVO_DECLARE_EXCEPTION(EMemManagerError, Exception);

class TRecordsCache : public TObject {
 public:
  // Bytes of the dataset's buffer in front of the cache record: its record
  // index and bookmark flag stay with the dataset.
  static constexpr int RecordBufferOffset = 5;
  // Blocks are never smaller than this.
  static constexpr int MinBlockSize = 10240;

  // Raises EMemManagerError "Incompatible Sizes" when a record cannot fit a
  // block or the buffer, or a size is not positive. No block is allocated yet.
  TRecordsCache(int bufferChunks, int bufferSize, int recordSize, int stringFieldCount);
  ~TRecordsCache() override;

  int BlockSize() const { return FBlockSize; }
  int RecordsPerBlock() const { return FRecordsPerBlock; }
  int RecordSize() const { return FRecordSize; }
  int BufferSize() const { return FBufferSize; }
  int HighRecord() const { return FHighRecord; }
  int StringFieldCount() const { return FStringFieldCount; }
  bool KeepOldVersions() const { return FKeepOldVersions; }
  void SetKeepOldVersions(bool value) { FKeepOldVersions = value; }
  bool HasRecordMap() const { return FMapped; }

  int BlockCount() const { return FBlocks.Count(); }
  // Appends one block; returns the new block count.
  int AddBlock();

  // Records the buffer offset (counted from the status byte) and declared
  // length of string column `column` (1-based); other column numbers are
  // ignored. A column that would overlap another or reach outside the buffer
  // raises "Incompatible Sizes".
  void SetStringColumn(int column, int offset, int length);

  // Makes record n exist (appending map entries and blocks as needed) and
  // returns its cache record, for the dataset to fill in place.
  char* PrepareRecord(int recordNo);
  // Copies the current version of record n into a dataset buffer.
  void ReadRecord(int recordNo, char* buffer) const;
  // The logged old version; a record never logged yields its current one.
  void ReadOldRecord(int recordNo, char* buffer) const;
  // Stores a dataset buffer as record n; a null buffer zero-fills the cache
  // record and leaves the strings alone. With `prepare`, PrepareRecord first.
  void WriteRecord(int recordNo, const char* buffer, bool prepare);

  // Stores the text of string column `column` (0-based) of the record at
  // logical index `recordIndex`, trimmed and cut to the column's length.
  void SetString(int column, int recordIndex, std::string_view text);
  // Stores the texts of every string column of the record at logical index
  // `recordIndex` in one go (the fetch path), each cut to its column.
  void SetStringRow(int recordIndex, const std::string_view* texts);
  // Stores `length` characters (-1: the column length) of a character
  // buffer. With `trim`, trailing characters below code 33 are dropped;
  // without, a negative length means up to the first zero byte within the
  // column. Never reads past the column length and never writes to `chars`.
  void SetStringBuffer(int column, int recordIndex, bool trim, int length, const char* chars);

  // The scratch buffer (`BufferSize` bytes): with KeepOldVersions it first
  // receives the old version of record n, otherwise it holds whatever
  // SaveOldRecord last put there.
  char* OldRecordBuffer(int recordNo);
  // The old version of record n into a buffer: the logged one with
  // KeepOldVersions, the one SaveOldRecord put aside when that was record
  // n's, else (never saved) its current version.
  void ReadOldVersion(int recordNo, char* buffer) const;
  // Before a change: logs record n with KeepOldVersions, else copies it to
  // the scratch buffer.
  void SaveOldRecord(int recordNo);
  // Logs the current version of record n, replacing an earlier log of it.
  void LogOldRecord(int recordNo);
  // Whether record n has a logged old version.
  bool IsLogged(int recordNo) const;
  // Puts the saved version of record n back.
  void RestoreRecord(int recordNo);
  void ClearLog();
  // Number of log blocks (0 without a log); LogEntryCount: records logged.
  int LogCount() const { return FLogBlocks.Count(); }
  int LogEntryCount() const { return static_cast<int>(FLogEntries.size()); }

  // The current text of string column `column` (0-based) of record n, cut
  // to the column's length; valid until the cache next changes. Empty when
  // n is no record or the column no string column.
  std::string_view StringAt(int column, int recordNo) const;

  // The cache record of record n, or nullptr when n is no record.
  char* RecordPointer(int recordNo);
  const char* RecordPointer(int recordNo) const;

  // Physical number at a logical index, 0 when the index holds no record.
  int PhysicalNumber(int logicalIndex) const;
  // Logical index of a physical number, -1 when it is no record.
  int LogicalIndex(int physicalNumber) const;
  // Whether a physical number (a bookmark) names a record of the cache.
  bool IsValidRecord(int physicalNumber) const;

  // Reordering works on logical indexes; the first one creates the map.
  void SwapRecords(int index1, int index2);
  // The entry at `from` ends up at `to`; those between shift by one.
  void MoveRecord(int from, int to);
  // A new, zero-filled record with empty strings at a logical index
  // (0 .. record count).
  void InsertRecord(int index);
  // Takes back the entry that InsertRecord made at logical number n; without
  // a map there is nothing to take back.
  void DeleteRecord(int recordNo);

  // The bytes the cache holds: blocks, string stores, log and map.
  std::size_t MemoryBytes() const;

  // Throws EMemManagerError naming the first broken rule of the blocks, the
  // map, the log or the string stores.
  void CheckInvariants() const;

 private:
  struct TLogEntry {
    int Physical;
    int Slot;
  };

  int LogicalCount() const { return FMapped ? static_cast<int>(FRecordMap.size()) : FHighRecord; }
  // Physical number of logical number n, 0 when n is no record.
  int PhysicalOf(int recordNo) const;
  char* SlotAddress(const TCacheBlocks& blocks, int slot) const;
  void EnsureBlocksFor(int physicalNumber);
  void GrowStringRows(int rows);
  void BuildMap();
  std::vector<TLogEntry>::const_iterator FindLogEntry(int physicalNumber) const;
  std::string_view StoredText(int column, std::string_view text) const;
  void CheckStringTarget(int column, int recordIndex, int& row) const;

  // Transfers between a cache record (with its string row) and a buffer.
  void CopyOut(const char* record, const TCacheStringStore* strings, int row, char* buffer) const;
  void CopyIn(char* record, TCacheStringStore* strings, int row, const char* buffer);

  int FBlockSize = 0;
  int FRecordsPerBlock = 0;
  int FRecordSize = 0;
  int FBufferSize = 0;
  int FHighRecord = 0;
  int FStringFieldCount = 0;
  bool FKeepOldVersions = false;

  TCacheBlocks FBlocks{1, true};
  std::unique_ptr<char[]> FScratchBuffer;
  // The physical record whose version SaveOldRecord put in the scratch
  // buffer (0: none).
  int FScratchPhysical = 0;

  // String columns: offset in the buffer counted from the status byte, and
  // declared length; FTailOffset is where the blob references follow them.
  std::vector<int> FStringOffsets;
  std::vector<int> FStringLengths;
  int FFixedBytes = 0;
  int FTailOffset = 0;
  std::unique_ptr<TCacheStringStore> FStrings;

  TCacheBlocks FLogBlocks{1, false};
  std::vector<TLogEntry> FLogEntries;  // ascending by physical number
  int FLogSlots = 0;                   // slots handed out; rows of FLogStrings
  std::unique_ptr<TCacheStringStore> FLogStrings;

  bool FMapped = false;
  std::vector<int> FRecordMap;  // logical index -> physical number
};
