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
struct TCacheStringStore::TPage {
  std::uint32_t Ends[RowsPerPage] = {};
  std::unique_ptr<char[]> Data;
  std::uint32_t Size = 0;
  std::uint32_t Capacity = 0;
};

namespace {

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
  TPage* page = FPages[static_cast<std::size_t>(row / RowsPerPage)].get();
  const int slot = row % RowsPerPage;
  return {page, slot, slot ? page->Ends[slot - 1] : 0, page->Ends[slot]};
}

int TCacheStringStore::LastSlotOf(const TPage* page) const {
  return page == FPages.back().get() ? (FRows - 1) % RowsPerPage : RowsPerPage - 1;
}

void TCacheStringStore::ShrinkToFit(TPage& page) {
  if (page.Capacity == page.Size) return;
  std::unique_ptr<char[]> data;
  if (page.Size) {
    data = std::make_unique_for_overwrite<char[]>(page.Size);
    std::memcpy(data.get(), page.Data.get(), page.Size);
  }
  page.Data = std::move(data);
  page.Capacity = page.Size;
}

void TCacheStringStore::AddRows(int count) {
  for (int i = 0; i < count; ++i) {
    const int slot = FRows % RowsPerPage;
    if (slot == 0) {
      // Rows are filled in ascending order, so a page is complete once the
      // next one starts: give back the slack its growth left behind.
      if (!FPages.empty()) {
        ShrinkToFit(*FPages.back());
        FPageHint = FPages.back()->Size;
      }
      FPages.push_back(std::make_unique<TPage>());
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
    FPages.pop_back();
  } else {
    TPage& page = *FPages.back();
    page.Size = page.Ends[slot - 1];
  }
}

std::size_t TCacheStringStore::MemoryBytes() const {
  std::size_t bytes = FPages.capacity() * sizeof(FPages[0]);
  for (const auto& page : FPages) bytes += sizeof(TPage) + page->Capacity;
  return bytes;
}

void TCacheStringStore::Clear() {
  FPages.clear();
  FRows = 0;
}

char* TCacheStringStore::Splice(const TRowBounds& row, std::uint32_t pos, std::uint32_t oldLength,
                                std::uint32_t newLength) {
  TPage& page = *row.Page;
  const std::uint32_t tail = page.Size - pos - oldLength;
  const std::uint32_t newSize = page.Size - oldLength + newLength;
  if (newSize > page.Capacity) {
    // A fresh page is likely to hold about as much as the one before it.
    const std::uint32_t guess =
        page.Capacity ? page.Capacity + page.Capacity / 2 : FPageHint + FPageHint / 16;
    const std::uint32_t capacity = std::max({newSize, guess, 256u});
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    if (pos) std::memcpy(data.get(), page.Data.get(), pos);
    if (tail) std::memcpy(data.get() + pos + newLength, page.Data.get() + pos + oldLength, tail);
    page.Data = std::move(data);
    page.Capacity = capacity;
  } else if (tail && newLength != oldLength) {
    std::memmove(page.Data.get() + pos + newLength, page.Data.get() + pos + oldLength, tail);
  }
  page.Size = newSize;
  if (newLength != oldLength) {
    const int last = LastSlotOf(&page);
    for (int slot = row.Slot; slot <= last; ++slot) page.Ends[slot] = page.Ends[slot] - oldLength + newLength;
  }
  return page.Data.get() + pos;
}

std::string_view TCacheStringStore::Get(int row, int column) const {
  CheckCell(row, column, TAccess::Read);
  const TRowBounds bounds = Locate(row);
  const char* data = bounds.Page->Data.get();
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
  const char* data = bounds.Page->Data.get();
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
  const char* data = bounds.Page->Data.get();
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
  if (size) std::memcpy(out, from.Page->Data.get() + from.Start, size);
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
        pos += CellSize(page.Data.get() + pos, length);
        ++cells;
      }
      if (pos != end) Broken("cell runs past the end of its row");
      if (cells > FColumns) Broken("row with more cells than columns");
      start = end;
    }
    if (start != page.Size) Broken("page size differs from the end of its last row");
  }
}
