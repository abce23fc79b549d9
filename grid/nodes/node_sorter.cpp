#include "grid/nodes/node_sorter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "framework/core/component/merge_sort.h"
#include "framework/core/text/text.h"
#include "grid/nodes/tree_list_node.h"
#include "grid/nodes/tree_list_node_owner.h"

namespace {

// Kinds of value whose members compare among themselves as one number (or
// one text) under the variant's rules.
enum class TValueClass { Null, Empty, Integer, Currency, Boolean, Float, Text, Other };

TValueClass ClassOf(const Variant& v) {
  switch (v.VarType()) {
    case TVarType::Null:
      return TValueClass::Null;
    case TVarType::Empty:
      return TValueClass::Empty;
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      return TValueClass::Integer;
    case TVarType::Currency:
      return TValueClass::Currency;
    case TVarType::Boolean:
      return TValueClass::Boolean;
    case TVarType::Double:
    case TVarType::Date:
      return TValueClass::Float;
    case TVarType::String:
      return TValueClass::Text;
    case TVarType::Array:
      break;
  }
  return TValueClass::Other;
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

std::uint64_t SignedWord(std::int64_t value) { return static_cast<std::uint64_t>(value) ^ kSignBit; }

// Unsigned order of the words = the variant's order of doubles: -0 equals
// 0, and every not-a-number equals every other and follows all numbers.
std::uint64_t FloatWord(double value) {
  if (std::isnan(value)) return ~std::uint64_t{0};
  if (value == 0) value = 0;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return (bits & kSignBit) != 0 ? ~bits : bits | kSignBit;
}

std::uint64_t OrderWord(const Variant& v, TValueClass valueClass) {
  switch (valueClass) {
    case TValueClass::Integer:
      return SignedWord(v.AsInt64());
    case TValueClass::Currency:
      return SignedWord(v.AsCurrency().Value);
    case TValueClass::Boolean:
      return v.AsBoolean() ? 1 : 0;
    case TValueClass::Float:
      return FloatWord(v.AsDouble());
    default:
      return 0;
  }
}

// The word an Empty stands for among values of a class: that class's zero.
std::uint64_t ZeroWord(TValueClass valueClass) {
  switch (valueClass) {
    case TValueClass::Boolean:
    case TValueClass::Null:
      return 0;
    case TValueClass::Float:
      return FloatWord(0);
    default:
      return SignedWord(0);
  }
}

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareWords(std::uint64_t a, std::uint64_t b) { return (a > b) - (a < b); }

int CompareBytes(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  if (n != 0) {
    if (const int r = std::memcmp(a.data(), b.data(), n)) return Sign(r);
  }
  return (a.size() > b.size()) - (a.size() < b.size());
}

// Up to eight bytes of a key from offset, big-endian, zeros after its end.
std::uint64_t HeadBytes(std::string_view key, std::size_t offset) {
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t at = offset + i;
    head = (head << 8) | (at < key.size() ? static_cast<unsigned char>(key[at]) : 0u);
  }
  return head;
}

}  // namespace

// --- Key table ------------------------------------------------------------------

void TdxSortKeyTable::Build(const TdxTreeListNodeOwner& owner, std::span<TdxTreeListNode* const> nodes,
                            std::span<const TdxSortColumn> columns, bool textKeys,
                            std::vector<TdxTreeListNode*>* parents) {
  FTextKeys = textKeys;
  FArena.clear();
  FColumnCount = columns.size();
  // Columns stay from one list to the next, with the capacity of their
  // vectors.
  if (FColumns.size() < FColumnCount) FColumns.resize(FColumnCount);
  for (std::size_t k = 0; k < FColumnCount; ++k) {
    FColumns[k].Descending = columns[k].Descending;
    BuildColumn(FColumns[k], owner, nodes, columns[k].ColumnIndex, textKeys, k == 0 ? parents : nullptr);
  }
  if (FColumnCount == 0 && parents != nullptr)
    for (TdxTreeListNode* node : nodes)
      if (node->Count() > 0) parents->push_back(node);
  FHeads.assign(nodes.size(), 0);
  FTailsMade = FColumnCount != 0 && FColumns[0].Kind == kTexts;
  if (FTailsMade) FTails.resize(nodes.size());
  if (FColumnCount != 0) BuildHeads(FColumns[0]);
}

void TdxSortKeyTable::BuildColumn(TColumn& column, const TdxTreeListNodeOwner& owner,
                                  std::span<TdxTreeListNode* const> nodes, int columnIndex, bool textKeys,
                                  std::vector<TdxTreeListNode*>* parents) {
  const std::size_t n = nodes.size();
  column.Kind = kWords;
  column.Words.resize(n);
  column.Nulls.assign(n, 0);
  column.Values.clear();
  column.Texts.clear();
  column.HasTexts.clear();
  column.TextsBase = FArena.size();
  column.CommonPrefix = 0;
  FEmptyRows.clear();

  // The first value that is neither Null nor Empty decides the column's
  // class (Null while none has come); a value of another class sends the
  // column back to variants.
  TValueClass columnClass = TValueClass::Null;
  for (std::size_t row = 0; row < n; ++row) {
    // While the node is at hand: it is read here anyway.
    if (parents != nullptr && nodes[row]->Count() > 0) parents->push_back(nodes[row]);
    const Variant value = owner.GetSortValue(nodes[row], columnIndex);
    const TValueClass valueClass = ClassOf(value);
    const bool isValue = valueClass != TValueClass::Null && valueClass != TValueClass::Empty;
    if (isValue && columnClass == TValueClass::Null) columnClass = valueClass;
    if (valueClass == TValueClass::Other || (isValue && valueClass != columnClass)) {
      FArena.resize(column.TextsBase);
      if (parents != nullptr)
        for (std::size_t rest = row + 1; rest < n; ++rest)
          if (nodes[rest]->Count() > 0) parents->push_back(nodes[rest]);
      BuildVariants(column, owner, nodes, columnIndex, textKeys);
      return;
    }
    if (valueClass == TValueClass::Text) {
      // The empty text keeps an empty key, as an Empty does: both sort
      // before every other text and equal each other.
      const std::string& text = *value.StringPtr();
      if (!text.empty()) AppendAnsiSortKey(FArena, text, true);
      column.Words[row] = FArena.size();
    } else if (isValue) {
      column.Words[row] = OrderWord(value, valueClass);
    } else {
      if (valueClass == TValueClass::Null)
        column.Nulls[row] = 1;
      else
        FEmptyRows.push_back(static_cast<std::uint32_t>(row));
      column.Words[row] = FArena.size();  // an empty key, should the column hold texts
    }
  }
  if (columnClass == TValueClass::Text) {
    column.Kind = kTexts;
    // The bytes every non-empty key starts with (a column of
    // "Name 1" .. "Name N") would otherwise fill every head.
    std::string_view first;
    std::size_t prefix = 0;
    for (std::uint32_t row = 0; row < n; ++row) {
      const std::string_view key = TextKey(column, row);
      if (key.empty()) continue;
      if (first.empty()) {
        first = key;
        prefix = key.size();
        continue;
      }
      std::size_t i = 0;
      const std::size_t limit = std::min(prefix, key.size());
      while (i < limit && key[i] == first[i]) ++i;
      prefix = i;
    }
    column.CommonPrefix = prefix;
  } else {
    for (std::uint32_t row : FEmptyRows) column.Words[row] = ZeroWord(columnClass);
  }
}

void TdxSortKeyTable::BuildVariants(TColumn& column, const TdxTreeListNodeOwner& owner,
                                    std::span<TdxTreeListNode* const> nodes, int columnIndex, bool textKeys) {
  const std::size_t n = nodes.size();
  column.Kind = kVariants;
  column.Values.resize(n);
  for (std::size_t row = 0; row < n; ++row) {
    column.Values[row] = owner.GetSortValue(nodes[row], columnIndex);
    column.Nulls[row] = column.Values[row].IsNull() ? 1 : 0;
  }
  if (!textKeys) return;
  // Text forms made once here, not at every comparison.
  column.Texts.resize(n);
  column.HasTexts.assign(n, 0);
  for (std::size_t row = 0; row < n; ++row) {
    if (column.Nulls[row]) continue;
    try {
      column.Texts[row] = VarToStr(column.Values[row]);
      column.HasTexts[row] = 1;
    } catch (const EVariantError&) {
      // An array: no text form; the variant order places it.
    }
  }
}

void TdxSortKeyTable::BuildHeads(const TColumn& first) {
  const std::size_t n = FHeads.size();
  if (first.Kind == kVariants) return;  // nothing to read ahead: every head stays 0
  for (std::uint32_t row = 0; row < n; ++row) {
    std::uint64_t head = 0;  // Null: before every value
    if (!first.Nulls[row])
      head = first.Kind == kWords ? first.Words[row] : HeadBytes(TextKey(first, row), first.CommonPrefix);
    FHeads[row] = first.Descending ? ~head : head;
    if (FTailsMade) FTails[row] = MakeTail(first, row);
  }
}

std::string_view TdxSortKeyTable::TextKey(const TColumn& column, std::uint32_t row) const noexcept {
  const std::size_t begin = row == 0 ? column.TextsBase : column.Words[row - 1];
  return std::string_view(FArena).substr(begin, column.Words[row] - begin);
}

int TdxSortKeyTable::CompareColumn(const TColumn& column, std::uint32_t a, std::uint32_t b,
                                   std::size_t skip) const {
  const bool nullA = column.Nulls[a] != 0;
  const bool nullB = column.Nulls[b] != 0;
  if (nullA || nullB) return static_cast<int>(nullB) - static_cast<int>(nullA);
  switch (column.Kind) {
    case kWords:
      return CompareWords(column.Words[a], column.Words[b]);
    case kTexts: {
      std::string_view keyA = TextKey(column, a);
      std::string_view keyB = TextKey(column, b);
      skip = std::min({skip, keyA.size(), keyB.size()});
      return CompareBytes(keyA.substr(skip), keyB.substr(skip));
    }
    case kVariants:
      break;
  }
  if (!FTextKeys) return CompareVariants(column.Values[a], column.Values[b]);
  return CompareKeysAsText(column.Values[a], column.HasTexts[a] ? &column.Texts[a] : nullptr,
                           column.Values[b], column.HasTexts[b] ? &column.Texts[b] : nullptr);
}

bool TdxSortKeyTable::HasVariants() const noexcept {
  for (std::size_t k = 0; k < FColumnCount; ++k)
    if (FColumns[k].Kind == kVariants) return true;
  return false;
}

TdxSortKeyTable::TTail TdxSortKeyTable::MakeTail(const TColumn& first, std::uint32_t row) const {
  TTail tail;
  tail.Null = first.Nulls[row] != 0;
  if (first.Kind != kTexts || tail.Null) return tail;
  const std::string_view key = TextKey(first, row);
  const std::size_t end = TailEnd();
  tail.Next = HeadBytes(key, HeadEnd());
  tail.Length = static_cast<std::uint32_t>(key.size());
  // Only the empty key may miss the common prefix; it must then be read.
  tail.Complete = key.size() >= first.CommonPrefix && key.size() <= end;
  return tail;
}

std::size_t TdxSortKeyTable::HeadEnd() const noexcept {
  return FColumnCount != 0 ? FColumns[0].CommonPrefix + 8 : 0;
}

int TdxSortKeyTable::CompareKey(std::size_t key, std::uint32_t a, std::uint32_t b,
                                std::size_t knownBytes) const {
  return CompareColumn(FColumns[key], a, b, knownBytes);
}

int TdxSortKeyTable::CompareRows(std::uint32_t a, std::uint32_t b, std::size_t fromKey,
                                 std::size_t knownBytes) const {
  for (std::size_t k = fromKey; k < FColumnCount; ++k) {
    const TColumn& column = FColumns[k];
    if (const int r = CompareColumn(column, a, b, k == 0 ? knownBytes : 0)) return column.Descending ? -r : r;
  }
  return 0;
}

// --- Sorter -----------------------------------------------------------------------

namespace {

// Lists up to this long go straight to the merge sort.
constexpr std::size_t kRadixMinimum = 256;

}  // namespace

TdxNodeSorter::TdxNodeSorter(TdxTreeListNodeOwner& owner, std::span<const TdxSortColumn> columns,
                             const TdxNodeSortComparer& compare)
    : FOwner(&owner),
      FColumns(columns.begin(), columns.end()),
      FCompare(&compare),
      FBuffers(owner.TakeSortBuffers()),
      FTable(FBuffers->Table),
      FNodes(FBuffers->Nodes),
      FRows(FBuffers->Rows),
      FScratch(FBuffers->Scratch),
      FRun(FBuffers->Run),
      FOrder(FBuffers->Order),
      FPending(FBuffers->Pending) {}

TdxNodeSorter::~TdxNodeSorter() {
  // No node is kept: the next sort may find any of them freed.
  FNodes.clear();
  FRun.clear();
  FPending.clear();
  FOwner->ReturnSortBuffers(std::move(FBuffers));
}

void TdxNodeSorter::SortList(TdxTreeListNode* parent) { SortList(parent, nullptr); }

void TdxNodeSorter::SortList(TdxTreeListNode* parent, std::vector<TdxTreeListNode*>* parents) {
  const int count = parent != nullptr ? parent->Count() : FOwner->Count();
  FNodes.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    FNodes[static_cast<std::size_t>(i)] = parent != nullptr ? parent->Items(i) : FOwner->Items(i);
  if (count < 2 || FCompare->Kind() == TdxNodeSortComparer::ckEvent) {
    if (parents != nullptr)
      for (TdxTreeListNode* node : FNodes)
        if (node->Count() > 0) parents->push_back(node);
    if (count < 2) return;
    SortByEvent();
  } else {
    SortByKeys(parents);
  }
  // The list's nodes are no longer needed in their old order: their vector
  // is the move's scratch memory.
  FOwner->PermuteSiblings(parent, FOrder, &FNodes);
}

void TdxNodeSorter::SortByKeys(std::vector<TdxTreeListNode*>* parents) {
  FTable.Build(*FOwner, FNodes, FColumns, FCompare->Kind() == TdxNodeSortComparer::ckAnsiString, parents);
  const std::size_t n = FNodes.size();
  FRows.resize(n);
  for (std::uint32_t row = 0; row < n; ++row) FRows[row] = {FTable.Head(row), row};
  if (n <= kRadixMinimum || FTable.HasVariants()) {
    SortAll();
  } else {
    RadixSortByHead();
    for (std::size_t begin = 0; begin < n;) {
      std::size_t end = begin + 1;
      while (end < n && FRows[end].Head == FRows[begin].Head) ++end;
      if (end - begin > 1) SortRun(begin, end);
      begin = end;
    }
  }
  FOrder.resize(n);
  for (std::size_t i = 0; i < n; ++i) FOrder[i] = FRows[i].Row;
}

// The same merge sort as the records get, with the same answers, so the
// same order even where the answers make none.
void TdxNodeSorter::SortAll() {
  const TdxTreeListNodeOwner& owner = FCompare->Owner();
  const std::size_t knownBytes = FTable.HeadEnd();
  MergeSortStable(FRows, [&](const TRow& a, const TRow& b) {
    if (a.Head != b.Head) return a.Head < b.Head;
    int r = FTable.CompareRows(a.Row, b.Row, 0, knownBytes);
    if (r == 0) r = owner.CompareEqualNodes(FNodes[a.Row], FNodes[b.Row]);
    return r < 0;
  });
}

// Stable, by bytes of the head from the lowest; a byte that is the same in
// every head is passed over (the high bytes of small numbers, the end of
// short texts).
void TdxNodeSorter::RadixSortByHead() {
  const std::size_t n = FRows.size();
  std::vector<std::array<std::uint32_t, 256>> counts(8);
  for (auto& digit : counts) digit.fill(0);
  for (const TRow& row : FRows)
    for (int digit = 0; digit < 8; ++digit) ++counts[digit][(row.Head >> (8 * digit)) & 0xFF];
  FScratch.resize(n);
  for (int digit = 0; digit < 8; ++digit) {
    std::array<std::uint32_t, 256>& count = counts[digit];
    const int shift = 8 * digit;
    if (count[(FRows[0].Head >> shift) & 0xFF] == n) continue;
    std::uint32_t next = 0;
    for (std::uint32_t& c : count) next += std::exchange(c, next);
    for (const TRow& row : FRows) FScratch[count[(row.Head >> shift) & 0xFF]++] = row;
    FRows.swap(FScratch);
  }
}

// Rows [begin, end) share their head. What tells them apart is read once
// per row (rows of a run lie anywhere in the table), then compared as the
// whole rows would be.
void TdxNodeSorter::SortRun(std::size_t begin, std::size_t end) {
  FRun.resize(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    const std::uint32_t row = FRows[i].Row;
    FRun[i - begin] = {FTable.Tail(row), FNodes[row], row};
  }
  const TdxTreeListNodeOwner& owner = FCompare->Owner();
  const bool descending = FTable.FirstDescending();
  const std::size_t tailEnd = FTable.TailEnd();
  MergeSortStable(FRun, [&](const TRunRow& a, const TRunRow& b) {
    int r = 0;
    if (a.Tail.Null != b.Tail.Null)
      r = a.Tail.Null ? -1 : 1;
    else if (a.Tail.Null)
      r = 0;
    else if (a.Tail.Next != b.Tail.Next)
      r = a.Tail.Next < b.Tail.Next ? -1 : 1;
    else if (!a.Tail.Complete || !b.Tail.Complete)
      r = FTable.CompareKey(0, a.Row, b.Row, tailEnd);
    else
      r = (a.Tail.Length > b.Tail.Length) - (a.Tail.Length < b.Tail.Length);
    if (r != 0) return (descending ? -r : r) < 0;
    r = FTable.CompareRows(a.Row, b.Row, 1);
    if (r == 0) r = owner.CompareEqualNodes(a.Node, b.Node);
    return r < 0;
  });
  for (std::size_t i = begin; i < end; ++i) FRows[i].Row = FRun[i - begin].Row;
}

// The handler alone decides; the keys would not be looked at, so the
// records hold none.
void TdxNodeSorter::SortByEvent() {
  const std::size_t n = FNodes.size();
  std::vector<TdxNodeSortKeys> records(n);
  FRows.resize(n);
  for (std::uint32_t row = 0; row < n; ++row) {
    records[row].Node = FNodes[row];
    FRows[row] = {0, row};
  }
  MergeSortStable(
      FRows, [&](const TRow& a, const TRow& b) { return (*FCompare)(records[a.Row], records[b.Row]) < 0; });
  FOrder.resize(n);
  for (std::size_t i = 0; i < n; ++i) FOrder[i] = FRows[i].Row;
}

void TdxNodeSorter::SortLevel(int level) {
  if (level >= 0) {
    if (level == 0)
      SortList(nullptr);
    else
      SortLevelBelow(nullptr, -1, level);
    return;
  }
  // Every list, each found while its parent's list was read for sorting,
  // so no node is visited twice.
  FPending.assign(1, nullptr);
  while (!FPending.empty()) {
    TdxTreeListNode* parent = FPending.back();
    FPending.pop_back();
    SortList(parent, &FPending);
  }
}

void TdxNodeSorter::SortLevelBelow(TdxTreeListNode* parent, int parentLevel, int level) {
  const int count = parent != nullptr ? parent->Count() : FOwner->Count();
  for (int i = 0; i < count; ++i) {
    TdxTreeListNode* node = parent != nullptr ? parent->Items(i) : FOwner->Items(i);
    if (parentLevel + 1 == level - 1)
      SortList(node);
    else
      SortLevelBelow(node, parentLevel + 1, level);
  }
}

void SortNodes(TdxTreeListNodeOwner& owner, int level, std::span<const TdxSortColumn> keys,
               const TdxNodeSortComparer& compare) {
  TdxNodeSorter(owner, keys, compare).SortLevel(level);
}
