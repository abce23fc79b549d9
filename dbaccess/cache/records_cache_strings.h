#pragma once
// The record cache's store of long character columns. One row per physical
// record (or per slot of the change log) holds the texts of every string
// column. Rows are packed into pages of RowsPerPage rows: a text costs its
// bytes plus a one- or two-byte length, a row four bytes of page index, and
// nothing is allocated per row. The page being filled grows in place at the
// end of a large shared buffer, so filling a store in row order allocates
// only now and then and leaves every page exactly as long as its texts; a
// page rewritten later moves to a buffer of its own. TRecordsCache owns its
// stores; rows are appended and removed only at the end, and cells are
// rewritten in place.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "dbaccess/cache/cache_memory.h"

class TCacheStringStore {
 public:
  static constexpr int RowsPerPage = 64;
  // The longest text a cell holds: the length must fit in fifteen bits.
  static constexpr int MaxTextLength = 0x7FFF;

  explicit TCacheStringStore(int columnCount);
  TCacheStringStore(const TCacheStringStore&) = delete;
  TCacheStringStore& operator=(const TCacheStringStore&) = delete;
  ~TCacheStringStore();

  int ColumnCount() const { return FColumns; }
  int RowCount() const { return FRows; }

  // Appends `count` rows of empty texts.
  void AddRows(int count);
  void RemoveLastRow();
  // Empties every row and releases the pages.
  void Clear();

  std::string_view Get(int row, int column) const;
  // The texts of every column of the row, into texts[0 .. ColumnCount-1];
  // the views stay valid until the store next changes.
  void GetRow(int row, std::string_view* texts) const;
  // Texts longer than MaxTextLength are refused.
  void Set(int row, int column, std::string_view text);
  void SetRow(int row, const std::string_view* texts);
  // Empties every text of the row.
  void ClearRow(int row);
  // Copies a whole row of another store with the same columns.
  void CopyRow(int row, const TCacheStringStore& source, int sourceRow);

  // The bytes the pages hold, with their bookkeeping.
  std::size_t MemoryBytes() const;

  // Throws EMemManagerError naming the first broken rule.
  void CheckInvariants() const;

 private:
  struct TPage;
  struct TRowBounds {
    TPage* Page;
    int Slot;
    std::uint32_t Start;
    std::uint32_t End;
  };

  enum class TAccess { Read, Write };
  void CheckCell(int row, int column, TAccess access) const;
  TRowBounds Locate(int row) const;
  TPage* NewPage();
  int LastSlotOf(const TPage* page) const;
  // Replaces `oldLength` bytes at `pos` of the row's page with `newLength`
  // bytes, moving the rest of the page, and returns where they go.
  char* Splice(const TRowBounds& row, std::uint32_t pos, std::uint32_t oldLength, std::uint32_t newLength);
  // n bytes at the end of the shared buffers, starting a new one if needed.
  char* TakeShared(std::uint32_t n);

  int FColumns;
  int FRows = 0;
  // Page i lives in FPageBatches[i / PagesPerBatch]: pages come a batch
  // at a time, and a page taken back is reset and used again.
  std::vector<TPage*> FPages;
  std::vector<std::unique_ptr<TPage[]>> FPageBatches;
  // The shared buffers; the last one is filled up to FSharedFree.
  std::vector<TCacheSlab> FShared;
  char* FSharedFree = nullptr;
  std::size_t FSharedLeft = 0;
  std::size_t FSharedBytes = 0;
};
