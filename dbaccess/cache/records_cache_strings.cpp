#include "dbaccess/cache/records_cache_strings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/util/string_collections.h"

// A row is a sequence of cells, one per column in column order, each a length
// (one byte below 128, else two bytes: low seven bits with the high bit set,
// then the high eight bits) followed by the text. Cells at the end of a row
// may be missing; a missing cell is empty. Ends[slot] is the page offset just
// behind row `slot` of the page, so a row spans Ends[slot - 1] .. Ends[slot].
// The bytes lie in one of the store's shared buffers, or in Owned.
struct TCacheStringStore::TPage {
  std::uint32_t Ends[RowsPerPage] = {};
  char* Data = nullptr;
  std::unique_ptr<char[]> Owned;
  std::uint32_t Size = 0;
  std::uint32_t Capacity = 0;
};

namespace {

// Shared buffers double with the store, between these sizes.
constexpr std::size_t MinSharedBytes = 4096;
constexpr std::size_t MaxSharedBytes = CacheSlabBytes;
// Pages made at a time: from some 4 kB to some 75 kB.
constexpr std::size_t FirstBatchPages = 16;
constexpr std::size_t LastBatchPages = 256;

// Pages held by the first `batches` batches.
std::size_t BatchedPages(std::size_t batches) {
  std::size_t pages = 0;
  for (std::size_t b = 0, size = FirstBatchPages; b < batches; ++b, size = std::min(size * 2, LastBatchPages))
    pages += size;
  return pages;
}

constexpr std::uint32_t LengthSize(std::uint32_t length) { return length < 0x80 ? 1 : 2; }

std::uint32_t CellSize(const char* cell, std::uint32_t& textLength) {
  const auto b0 = static_cast<unsigned char>(cell[0]);
  if (b0 < 0x80) {
    textLength = b0;
    return 1 + textLength;
  }
  textLength = (b0 & 0x7Fu) | (static_cast<std::uint32_t>(static_cast<unsigned char>(cell[1])) << 7);
  return 2 + textLength;
}

char* PutCell(char* out, std::string_view text) {
  const auto length = static_cast<std::uint32_t>(text.size());
  if (length < 0x80) {
    *out++ = static_cast<char>(length);
  } else {
    *out++ = static_cast<char>(0x80u | (length & 0x7Fu));
    *out++ = static_cast<char>(length >> 7);
  }
  if (length) std::memcpy(out, text.data(), length);
  return out + length;
}

[[noreturn]] void Broken(const std::string& what) {
  throw EMemManagerError("String store invariant broken: " + what);
}

}  // namespace

TCacheStringStore::TCacheStringStore(int columnCount) : FColumns(columnCount) {
  if (columnCount < 1) throw EStringCollectionError("Can't create StrCollection. Bad column count");
}

TCacheStringStore::~TCacheStringStore() = default;

void TCacheStringStore::CheckCell(int row, int column, TAccess access) const {
  if (column >= 0 && column < FColumns && row >= 0 && row < FRows) return;
  std::string what = access == TAccess::Read ? "Can't read value to StrCollection. Bad "
                                             : "Can't write value to StrCollection. Bad ";
  what += column < 0 || column >= FColumns ? "X-Index (pFIBLists)" : "Y-Index (pFIBLists)";
  throw EStringCollectionError(what);
}

TCacheStringStore::TRowBounds TCacheStringStore::Locate(int row) const {
  TPage* page = FPages[static_cast<std::size_t>(row / RowsPerPage)];
  const int slot = row % RowsPerPage;
  return {page, slot, slot ? page->Ends[slot - 1] : 0, page->Ends[slot]};
}

int TCacheStringStore::LastSlotOf(const TPage* page) const {
  return page == FPages.back() ? (FRows - 1) % RowsPerPage : RowsPerPage - 1;
}

TCacheStringStore::TPage* TCacheStringStore::NewPage() {
  // Batches double from FirstBatchPages to LastBatchPages pages, then stay:
  // a small store takes a few kilobytes, a large one an allocation per
  // sixteen thousand rows.
  std::size_t index = FPages.size();
  std::size_t batch = 0;
  std::size_t size = FirstBatchPages;
  while (index >= size && size < LastBatchPages) {
    index -= size;
    ++batch;
    size *= 2;
  }
  batch += index / size;
  index %= size;
  if (batch == FPageBatches.size()) FPageBatches.push_back(std::make_unique<TPage[]>(size));
  return &FPageBatches[batch][index];
}

char* TCacheStringStore::TakeShared(std::uint32_t n) {
  if (FSharedLeft < n) {
    const std::size_t size =
        std::max<std::size_t>(std::clamp(FSharedBytes, MinSharedBytes, MaxSharedBytes), n);
    FShared.emplace_back(size);
    FSharedBytes += size;
    FSharedFree = FShared.back().Data();
    FSharedLeft = size;
  }
  char* at = FSharedFree;
  FSharedFree += n;
  FSharedLeft -= n;
  return at;
}

void TCacheStringStore::AddRows(int count) {
  for (int i = 0; i < count; ++i) {
    const int slot = FRows % RowsPerPage;
    if (slot == 0) {
      FPages.push_back(NewPage());
    }
    TPage& page = *FPages.back();
    page.Ends[slot] = slot ? page.Ends[slot - 1] : 0;
    ++FRows;
  }
}

void TCacheStringStore::RemoveLastRow() {
  if (FRows == 0) throw EStringCollectionError("Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  --FRows;
  const int slot = FRows % RowsPerPage;
  if (slot == 0) {
    // The bytes of the last page at the end of the shared buffer come back.
    const TPage& page = *FPages.back();
    if (!page.Owned && page.Data && page.Data + page.Capacity == FSharedFree) {
      FSharedFree = page.Data;
      FSharedLeft += page.Capacity;
    }
    *FPages.back() = TPage();
    FPages.pop_back();
  } else {
    TPage& page = *FPages.back();
    page.Size = page.Ends[slot - 1];
  }
}

std::size_t TCacheStringStore::MemoryBytes() const {
  std::size_t bytes = FPages.capacity() * sizeof(FPages[0]) + FSharedBytes +
                      BatchedPages(FPageBatches.size()) * sizeof(TPage);
  for (const TPage* page : FPages) bytes += page->Owned ? page->Capacity : 0;
  return bytes;
}

void TCacheStringStore::Clear() {
  FPages.clear();
  FPageBatches.clear();
  FShared.clear();
  FSharedFree = nullptr;
  FSharedLeft = 0;
  FSharedBytes = 0;
  FRows = 0;
}

char* TCacheStringStore::Splice(const TRowBounds& row, std::uint32_t pos, std::uint32_t oldLength,
                                std::uint32_t newLength) {
  TPage& page = *row.Page;
  const std::uint32_t tail = page.Size - pos - oldLength;
  const std::uint32_t newSize = page.Size - oldLength + newLength;
  const bool filling = !page.Owned && &page == FPages.back();
  const bool atSharedEnd = filling && (page.Capacity == 0 || page.Data + page.Capacity == FSharedFree);
  if (newSize > page.Capacity && atSharedEnd && FSharedLeft >= newSize - page.Capacity) {
    // The page being filled grows where it lies, by exactly what it needs.
    if (page.Capacity == 0) page.Data = FSharedFree;
    TakeShared(newSize - page.Capacity);
    page.Capacity = newSize;
  }
  if (newSize > page.Capacity) {
    char* data;
    std::unique_ptr<char[]> owned;
    std::uint32_t capacity = newSize;
    if (filling) {
      // Moves to a fresh shared buffer; what it leaves behind is not reused.
      data = TakeShared(newSize);
    } else {
      // A complete page that grows is being edited: it gets a buffer of
      // its own, with room for more edits.
      capacity = std::max({newSize, page.Capacity + page.Capacity / 2, 256u});
      owned = std::make_unique_for_overwrite<char[]>(capacity);
      data = owned.get();
    }
    if (pos) std::memcpy(data, page.Data, pos);
    if (tail) std::memcpy(data + pos + newLength, page.Data + pos + oldLength, tail);
    page.Data = data;
    page.Owned = std::move(owned);
    page.Capacity = capacity;
  } else if (tail && newLength != oldLength) {
    std::memmove(page.Data + pos + newLength, page.Data + pos + oldLength, tail);
  }
  page.Size = newSize;
  if (newLength != oldLength) {
    const int last = LastSlotOf(&page);
    for (int slot = row.Slot; slot <= last; ++slot) page.Ends[slot] = page.Ends[slot] - oldLength + newLength;
  }
  return page.Data + pos;
}

std::string_view TCacheStringStore::Get(int row, int column) const {
  CheckCell(row, column, TAccess::Read);
  const TRowBounds bounds = Locate(row);
  const char* data = bounds.Page->Data;
  std::uint32_t pos = bounds.Start;
  for (int c = 0; pos < bounds.End; ++c) {
    std::uint32_t length;
    const std::uint32_t size = CellSize(data + pos, length);
    if (c == column) return {data + pos + size - length, length};
    pos += size;
  }
  return {};
}

void TCacheStringStore::GetRow(int row, std::string_view* texts) const {
  CheckCell(row, 0, TAccess::Read);
  const TRowBounds bounds = Locate(row);
  const char* data = bounds.Page->Data;
  std::uint32_t pos = bounds.Start;
  int c = 0;
  for (; pos < bounds.End; ++c) {
    std::uint32_t length;
    pos += CellSize(data + pos, length);
    texts[c] = {data + pos - length, length};
  }
  for (; c < FColumns; ++c) texts[c] = {};
}

void TCacheStringStore::Set(int row, int column, std::string_view text) {
  CheckCell(row, column, TAccess::Write);
  if (text.size() > static_cast<std::size_t>(MaxTextLength))
    throw EStringCollectionError("Can't write value to StrCollection. Text too long");
  const TRowBounds bounds = Locate(row);
  const char* data = bounds.Page->Data;
  std::uint32_t pos = bounds.Start;
  int c = 0;
  for (; c < column && pos < bounds.End; ++c) {
    std::uint32_t length;
    pos += CellSize(data + pos, length);
  }
  const auto missing = static_cast<std::uint32_t>(column - c);  // cells absent before this one
  std::uint32_t oldSize = 0;
  if (pos < bounds.End) {
    std::uint32_t length;
    oldSize = CellSize(data + pos, length);
  }
  const bool lastCell = pos + oldSize == bounds.End;
  if (text.empty() && lastCell) {
    // A row keeps no empty cells at its end.
    if (oldSize) Splice(bounds, pos, oldSize, 0);
    return;
  }
  const auto length = static_cast<std::uint32_t>(text.size());
  char* out = Splice(bounds, pos, oldSize, missing + LengthSize(length) + length);
  if (missing) {
    std::memset(out, 0, missing);
    out += missing;
  }
  PutCell(out, text);
}

void TCacheStringStore::SetRow(int row, const std::string_view* texts) {
  CheckCell(row, 0, TAccess::Write);
  int used = FColumns;
  while (used > 0 && texts[used - 1].empty()) --used;
  std::uint32_t size = 0;
  for (int c = 0; c < used; ++c) {
    if (texts[c].size() > static_cast<std::size_t>(MaxTextLength))
      throw EStringCollectionError("Can't write value to StrCollection. Text too long");
    const auto length = static_cast<std::uint32_t>(texts[c].size());
    size += LengthSize(length) + length;
  }
  const TRowBounds bounds = Locate(row);
  char* out = Splice(bounds, bounds.Start, bounds.End - bounds.Start, size);
  for (int c = 0; c < used; ++c) out = PutCell(out, texts[c]);
}

void TCacheStringStore::ClearRow(int row) {
  CheckCell(row, 0, TAccess::Write);
  const TRowBounds bounds = Locate(row);
  if (bounds.End != bounds.Start) Splice(bounds, bounds.Start, bounds.End - bounds.Start, 0);
}

void TCacheStringStore::CopyRow(int row, const TCacheStringStore& source, int sourceRow) {
  CheckCell(row, 0, TAccess::Write);
  source.CheckCell(sourceRow, 0, TAccess::Read);
  if (source.FColumns != FColumns)
    throw EStringCollectionError("Can't write value to StrCollection. Bad X-Index (pFIBLists)");
  const TRowBounds from = source.Locate(sourceRow);
  const TRowBounds to = Locate(row);
  const std::uint32_t size = from.End - from.Start;
  char* out = Splice(to, to.Start, to.End - to.Start, size);
  if (size) std::memcpy(out, from.Page->Data + from.Start, size);
}

void TCacheStringStore::CheckInvariants() const {
  const std::size_t pages = static_cast<std::size_t>((FRows + RowsPerPage - 1) / RowsPerPage);
  if (FPages.size() != pages) Broken("page count does not match the row count");
  for (std::size_t p = 0; p < FPages.size(); ++p) {
    const TPage& page = *FPages[p];
    if (page.Size > page.Capacity) Broken("page size beyond its capacity");
    if (page.Capacity && !page.Data) Broken("page capacity without data");
    const int last = LastSlotOf(&page);
    std::uint32_t start = 0;
    for (int slot = 0; slot <= last; ++slot) {
      const std::uint32_t end = page.Ends[slot];
      if (end < start || end > page.Size) Broken("row bounds out of order");
      std::uint32_t pos = start;
      int cells = 0;
      while (pos < end) {
        if (end - pos < 2 && static_cast<unsigned char>(page.Data[pos]) >= 0x80)
          Broken("cell length cut off");
        std::uint32_t length;
        pos += CellSize(page.Data + pos, length);
        ++cells;
      }
      if (pos != end) Broken("cell runs past the end of its row");
      if (cells > FColumns) Broken("row with more cells than columns");
      start = end;
    }
    if (start != page.Size) Broken("page size differs from the end of its last row");
  }
}
