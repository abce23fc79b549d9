#include "dbaccess/util/string_collections.h"

#include <algorithm>

#include "framework/core/text/text.h"

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

TObjStringList::TObjStringList(TObject* owner, bool useHash) : FOwner(owner), FUseHash(useHash) {}

TObjStringList::~TObjStringList() = default;

// Short texts hash every byte after the first, and the terminating zero;
// longer ones about eight bytes spread over the text.
std::int32_t TObjStringList::HashOf(std::string_view text) {
  const std::size_t n = text.size();
  auto byte = [&](std::size_t k) -> std::uint32_t {
    return k < n ? static_cast<unsigned char>(text[k]) : 0u;
  };
  std::uint32_t h = 0;
  if (n < 16) {
    for (std::size_t k = 1; k <= n; ++k) h = h * 37u + byte(k) - 32u;
  } else {
    const std::size_t step = n / 8;
    std::size_t k = 1;
    for (std::ptrdiff_t r = static_cast<std::ptrdiff_t>(n) - 1; r >= 0;
         r -= static_cast<std::ptrdiff_t>(step)) {
      h = h * 39u + byte(k) - 32u;
      k += step;
    }
  }
  return static_cast<std::int32_t>(h);
}

bool TObjStringList::Find(std::string_view text, int& index) const {
  if (!FUseHash) {
    // A sorted string list: ordered without case, and a text that differs
    // from an entry only in case is that entry.
    const auto it = std::lower_bound(FItems.begin(), FItems.end(), text, [](const TEntry& e, std::string_view t) {
      return AnsiCompareText(e.Text, t) < 0;
    });
    index = static_cast<int>(it - FItems.begin());
    return it != FItems.end() && AnsiCompareText(it->Text, text) == 0;
  }
  // Entries with one hash form a run in insertion order; a different text
  // with the same hash goes after the run.
  const std::int32_t hash = HashOf(text);
  auto it = std::lower_bound(FItems.begin(), FItems.end(), hash,
                             [](const TEntry& e, std::int32_t h) { return e.Hash < h; });
  for (; it != FItems.end() && it->Hash == hash; ++it) {
    if (it->Text == text) {
      index = static_cast<int>(it - FItems.begin());
      return true;
    }
  }
  index = static_cast<int>(it - FItems.begin());
  return false;
}

int TObjStringList::Add(std::string_view text, std::unique_ptr<TObject> object) {
  int index = 0;
  if (Find(text, index)) return index;
  FItems.insert(FItems.begin() + index, TEntry{std::string(text), std::move(object), HashOf(text)});
  return index;
}

void TObjStringList::Remove(std::string_view text) {
  int index = 0;
  if (Find(text, index)) Delete(index);
}

const TObjStringList::TEntry& TObjStringList::Entry(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<std::size_t>(index)];
}

const std::string& TObjStringList::Strings(int index) const { return Entry(index).Text; }

TObject* TObjStringList::Objects(int index) const { return Entry(index).Object.get(); }

void TObjStringList::Delete(int index) {
  Entry(index);
  FItems.erase(FItems.begin() + index);
}

std::unique_ptr<TObject> TObjStringList::Extract(int index) {
  Entry(index);
  std::unique_ptr<TObject> object = std::move(FItems[static_cast<std::size_t>(index)].Object);
  FItems.erase(FItems.begin() + index);
  return object;
}

void TObjStringList::Clear() { FItems.clear(); }

TStringCollection::TStringCollection(int columns) : FColumns(columns) {
  if (columns < 0) throw EStringCollectionError("Can't create StrCollection. Bad column count");
  FCells.resize(static_cast<std::size_t>(columns));
}

// Out-of-range indexes are refused here, whoever calls: negative ones and
// the column equal to the column count included.
void TStringCollection::Check(int column, int row, TAccess access) const {
  const char* what = access == TAccess::Read ? "Can't read value to StrCollection. Bad "
                                             : "Can't write value to StrCollection. Bad ";
  if (column < 0 || column >= FColumns)
    throw EStringCollectionError(std::string(what) + "X-Index (pFIBLists)");
  if (row < 0 || row >= FRows) throw EStringCollectionError(std::string(what) + "Y-Index (pFIBLists)");
}

int TStringCollection::AddRow() {
  if (FRows == FCapacity) {
    FCapacity = FCapacity < 1024 ? 1024 : FCapacity + FCapacity / 2;
    for (auto& column : FCells) column.resize(static_cast<std::size_t>(FCapacity));
  }
  for (auto& column : FCells) column[static_cast<std::size_t>(FRows)].clear();
  return ++FRows;
}

void TStringCollection::DeleteRow(int row) {
  if (row < 0 || row >= FRows)
    throw EStringCollectionError("Can't write value to StrCollection. Bad Y-Index (pFIBLists)");
  for (auto& column : FCells) {
    const auto first = column.begin() + row;
    first->clear();
    std::rotate(first, first + 1, column.begin() + FRows);
  }
  --FRows;
}

const std::string& TStringCollection::Get(int column, int row) const {
  Check(column, row, TAccess::Read);
  return FCells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
}

void TStringCollection::Set(int column, int row, std::string_view text) {
  Check(column, row, TAccess::Write);
  FCells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)].assign(text);
}

void TStringCollection::SetFromBuffer(int column, int row, const char* address, int length) {
  Check(column, row, TAccess::Write);
  std::string& cell = FCells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
  if (!address) {
    cell.clear();
  } else if (length < 0) {
    cell.assign(address);
  } else {
    cell.assign(address, static_cast<std::size_t>(length));
  }
}

std::string* TStringCollection::CellAddress(int column, int row) {
  Check(column, row, TAccess::Write);
  return &FCells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
}

void TStringCollection::Clear() {
  for (auto& column : FCells) std::vector<std::string>().swap(column);
  FRows = 0;
  FCapacity = 0;
}
