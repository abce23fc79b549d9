#include "datagrid/control/node_cells.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/core/text/float_text.h"

std::optional<long double> SummaryNumber(const Variant& value) {
  switch (value.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
    case TVarType::Array:
      return std::nullopt;
    case TVarType::String: {
      const std::string* text = value.StringPtr();
      double number = 0;
      if (text == nullptr || !TryStrToFloat(*text, number)) return std::nullopt;
      return number;
    }
    default:
      try {
        return value.AsDouble();
      } catch (const EVariantError&) {
        return std::nullopt;
      }
  }
}

// The block, in order:
//   u16 count of texts, u16 count of value slots, u8 flags, u8 key kind,
//   u16 the key's column (key kind ColumnKey);
//   u8 kind of each column's kept value;
//   padding to 8 bytes;
//   u64 value slot of each column up to the last one that needs a slot;
//   u64 the key's slot (flag KeySlot), u64 the lookup keys' box (flag
//   Lookup);
//   the end offset in the arena of each text (and of the preview when there
//   is one), u16 each, u32 when the arena is wider than 64 KiB;
//   the arena: the texts, the preview, the texts of kept string values.
// The kinds and the slots come first, so that a pass over one column's
// numbers (totals) mostly finds kind and slot in the block's first line.
namespace {

enum TKind : std::uint8_t {
  kNone,
  kNull,
  kBoolean,
  kSmallInt,
  kInteger,
  kInt64,
  kCurrency,
  kByte,
  kWord,
  kLongWord,
  kDouble,
  kDate,
  kString,  // slot: arena offset << 32 | length
  kBoxed,   // slot: a Variant allocated on its own
  kColumnKey,
};

enum TFlag : std::uint8_t {
  fWide = 1,
  fPreview = 2,
  fLookup = 4,
  fBoxed = 8,
  fKeySlot = 16,
};

constexpr std::size_t HeaderBytes = 8;
constexpr int MaxColumns = 0xFFFF;

bool HasSlot(std::uint8_t kind) { return kind >= kBoolean && kind <= kBoxed; }
bool IsNumberKind(std::uint8_t kind) { return kind >= kBoolean && kind <= kDate; }

template <class T>
T Load(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
template <class T>
void Store(unsigned char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

// A view of a packed block.
struct TBlockView {
  const unsigned char* B;
  int Count;
  int Slots;
  std::uint8_t Flags;
  std::uint8_t KeyKind;
  int Offsets;  // entries of the offset table
  std::size_t Width;
  std::size_t SlotsAt;

  explicit TBlockView(const unsigned char* block)
      : B(block),
        Count(Load<std::uint16_t>(block)),
        Slots(Load<std::uint16_t>(block + 2)),
        Flags(block[4]),
        KeyKind(block[5]),
        Offsets(Count + ((Flags & fPreview) != 0 ? 1 : 0)),
        Width((Flags & fWide) != 0 ? 4 : 2),
        SlotsAt((HeaderBytes + static_cast<std::size_t>(Count) + 7) & ~std::size_t{7}) {}

  std::uint8_t Kind(int column) const { return column < Count ? B[HeaderBytes + column] : std::uint8_t{kNone}; }
  std::uint64_t Slot(int column) const { return Load<std::uint64_t>(B + SlotsAt + 8 * column); }
  std::size_t ExtraAt() const { return SlotsAt + 8 * static_cast<std::size_t>(Slots); }
  std::uint64_t KeySlot() const { return Load<std::uint64_t>(B + ExtraAt()); }
  std::vector<Variant>* Lookups() const {
    if ((Flags & fLookup) == 0) return nullptr;
    const std::size_t at = ExtraAt() + ((Flags & fKeySlot) != 0 ? 8 : 0);
    return reinterpret_cast<std::vector<Variant>*>(Load<std::uintptr_t>(B + at));
  }
  std::size_t OffsetsAt() const {
    return ExtraAt() + ((Flags & fKeySlot) != 0 ? 8 : 0) + ((Flags & fLookup) != 0 ? 8 : 0);
  }
  const char* Arena() const {
    return reinterpret_cast<const char*>(B + OffsetsAt() + static_cast<std::size_t>(Offsets) * Width);
  }
  std::size_t End(int entry) const {
    const unsigned char* at = B + OffsetsAt() + static_cast<std::size_t>(entry) * Width;
    return Width == 2 ? Load<std::uint16_t>(at) : Load<std::uint32_t>(at);
  }
  std::string_view Piece(int entry) const {
    const std::size_t start = entry == 0 ? 0 : End(entry - 1);
    return {Arena() + start, End(entry) - start};
  }
  std::string_view Text(int column) const { return column < Count ? Piece(column) : std::string_view(); }
  std::string_view Preview() const { return (Flags & fPreview) != 0 ? Piece(Count) : std::string_view(); }
  Variant Decode(std::uint8_t kind, std::uint64_t slot) const;
  std::size_t Bytes() const;
};

Variant TBlockView::Decode(std::uint8_t kind, std::uint64_t slot) const {
  switch (kind) {
    case kNull:
      return Variant::Null();
    case kBoolean:
      return Variant(slot != 0);
    case kSmallInt:
      return Variant(static_cast<std::int16_t>(slot));
    case kInteger:
      return Variant(static_cast<int>(static_cast<std::int64_t>(slot)));
    case kInt64:
      return Variant(static_cast<std::int64_t>(slot));
    case kCurrency:
      return Variant(TCurrency{static_cast<std::int64_t>(slot)});
    case kByte:
      return Variant::FromByte(static_cast<std::uint8_t>(slot));
    case kWord:
      return Variant::FromWord(static_cast<std::uint16_t>(slot));
    case kLongWord:
      return Variant::FromLongWord(static_cast<std::uint32_t>(slot));
    case kDouble:
      return Variant(std::bit_cast<double>(slot));
    case kDate:
      return Variant::FromDate(std::bit_cast<double>(slot));
    case kString:
      return Variant(std::string_view(Arena() + (slot >> 32), slot & 0xFFFFFFFFU));
    case kBoxed:
      return *reinterpret_cast<const Variant*>(static_cast<std::uintptr_t>(slot));
    default:
      return Variant();
  }
}

std::size_t TBlockView::Bytes() const {
  std::size_t bytes = reinterpret_cast<const unsigned char*>(Arena()) - B;
  if (Offsets > 0) bytes += End(Offsets - 1);
  for (int c = 0; c < Slots; ++c)
    if (Kind(c) == kString) bytes = std::max<std::size_t>(bytes, (Arena() - reinterpret_cast<const char*>(B)) + (Slot(c) >> 32) + (Slot(c) & 0xFFFFFFFFU));
  if ((Flags & fKeySlot) != 0 && KeyKind == kString)
    bytes = std::max<std::size_t>(bytes, (Arena() - reinterpret_cast<const char*>(B)) + (KeySlot() >> 32) + (KeySlot() & 0xFFFFFFFFU));
  return bytes;
}

// The compact form of a value with one: kind and slot bits.
bool Encode(const Variant& value, std::uint8_t& kind, std::uint64_t& slot) {
  slot = 0;
  switch (value.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
      kind = kNull;
      return true;
    case TVarType::Boolean:
      kind = kBoolean;
      slot = value.AsBoolean() ? 1 : 0;
      return true;
    case TVarType::SmallInt:
      kind = kSmallInt;
      break;
    case TVarType::Integer:
      kind = kInteger;
      break;
    case TVarType::Int64:
      kind = kInt64;
      break;
    case TVarType::Byte:
      kind = kByte;
      break;
    case TVarType::Word:
      kind = kWord;
      break;
    case TVarType::LongWord:
      kind = kLongWord;
      break;
    case TVarType::Currency:
      kind = kCurrency;
      slot = static_cast<std::uint64_t>(value.AsCurrency().Value);
      return true;
    case TVarType::Double:
      kind = kDouble;
      slot = std::bit_cast<std::uint64_t>(value.AsDouble());
      return true;
    case TVarType::Date:
      kind = kDate;
      slot = std::bit_cast<std::uint64_t>(value.AsDateTime());
      return true;
    default:
      return false;
  }
  slot = static_cast<std::uint64_t>(value.AsInt64());
  return true;
}

void FreeBlock(const unsigned char* block) noexcept {
  if (block == nullptr) return;
  const TBlockView view(block);
  if ((view.Flags & fBoxed) != 0) {
    for (int c = 0; c < view.Slots; ++c)
      if (view.Kind(c) == kBoxed) delete reinterpret_cast<Variant*>(static_cast<std::uintptr_t>(view.Slot(c)));
    if ((view.Flags & fKeySlot) != 0 && view.KeyKind == kBoxed)
      delete reinterpret_cast<Variant*>(static_cast<std::uintptr_t>(view.KeySlot()));
  }
  delete view.Lookups();
  std::free(const_cast<unsigned char*>(block));
}

}  // namespace

// The cells of one node unpacked, while they change. Builders are kept for
// reuse, so a load of many records allocates only the blocks.
class TdxNodeCellsBuilder {
 public:
  struct TCell {
    std::string Text;
    Variant Value;   // Empty: nothing kept
    Variant Lookup;  // Empty: none
  };

  static TdxNodeCellsBuilder* Take() {
    auto& pool = Pool();
    if (pool.empty()) return new TdxNodeCellsBuilder;
    TdxNodeCellsBuilder* builder = pool.back().release();
    pool.pop_back();
    return builder;
  }
  static void Give(TdxNodeCellsBuilder* builder) noexcept {
    try {
      auto& pool = Pool();
      if (pool.size() < 4) {
        pool.emplace_back(builder);
        return;
      }
    } catch (...) {
    }
    delete builder;
  }

  void Clear() {
    for (int c = 0; c < FCount; ++c) {
      TCell& cell = FCells[static_cast<std::size_t>(c)];
      cell.Text.clear();
      cell.Value = Variant();
      cell.Lookup = Variant();
    }
    FCount = 0;
    FKey = Variant::Null();
    FPreview.clear();
  }

  int Count() const { return FCount; }
  const TCell* Find(int column) const {
    return column >= 0 && column < FCount ? &FCells[static_cast<std::size_t>(column)] : nullptr;
  }
  // Grows the count up to column; nil for a column out of reach.
  TCell* At(int column) {
    if (column < 0 || column >= MaxColumns) return nullptr;
    if (column >= FCount) {
      if (FCells.size() <= static_cast<std::size_t>(column)) FCells.resize(static_cast<std::size_t>(column) + 1);
      FCount = column + 1;
    }
    return &FCells[static_cast<std::size_t>(column)];
  }
  void Drop(int column) {
    if (column < 0 || column >= FCount) return;
    for (int c = column; c + 1 < FCount; ++c)
      std::swap(FCells[static_cast<std::size_t>(c)], FCells[static_cast<std::size_t>(c) + 1]);
    TCell& last = FCells[static_cast<std::size_t>(FCount) - 1];
    last.Text.clear();
    last.Value = Variant();
    last.Lookup = Variant();
    --FCount;
  }
  Variant& Key() { return FKey; }
  std::string& Preview() { return FPreview; }

  void Unpack(const unsigned char* block);
  unsigned char* Pack() const;

 private:
  static std::vector<std::unique_ptr<TdxNodeCellsBuilder>>& Pool() {
    static thread_local std::vector<std::unique_ptr<TdxNodeCellsBuilder>> pool;
    return pool;
  }

  std::vector<TCell> FCells;
  int FCount = 0;
  // Room the packing reuses from row to row.
  mutable std::vector<std::uint8_t> FKinds;
  mutable std::vector<std::uint64_t> FSlots;
  Variant FKey = Variant::Null();
  std::string FPreview;
};

void TdxNodeCellsBuilder::Unpack(const unsigned char* block) {
  Clear();
  if (block == nullptr) return;
  const TBlockView view(block);
  if (view.Count > 0) At(view.Count - 1);
  const std::vector<Variant>* lookups = view.Lookups();
  for (int c = 0; c < view.Count; ++c) {
    TCell& cell = FCells[static_cast<std::size_t>(c)];
    cell.Text.assign(view.Text(c));
    const std::uint8_t kind = view.Kind(c);
    if (kind != kNone) cell.Value = view.Decode(kind, HasSlot(kind) ? view.Slot(c) : 0);
    if (lookups != nullptr && static_cast<std::size_t>(c) < lookups->size()) cell.Lookup = (*lookups)[static_cast<std::size_t>(c)];
  }
  if (view.KeyKind == kColumnKey)
    FKey = view.Decode(view.Kind(Load<std::uint16_t>(block + 6)), view.Slot(Load<std::uint16_t>(block + 6)));
  else
    FKey = view.Decode(view.KeyKind, (view.Flags & fKeySlot) != 0 ? view.KeySlot() : 0);
  FPreview.assign(view.Preview());
}

unsigned char* TdxNodeCellsBuilder::Pack() const {
  const bool preview = !FPreview.empty();
  if (FCount == 0 && !preview && FKey.IsNull()) return nullptr;
  // Kinds and slots of the columns, then of the key.
  std::vector<std::uint8_t>& kinds = FKinds;
  std::vector<std::uint64_t>& slots = FSlots;
  kinds.assign(static_cast<std::size_t>(FCount), kNone);
  slots.assign(static_cast<std::size_t>(FCount), 0);
  int slotCount = 0;
  std::size_t arena = 0;
  std::uint8_t flags = 0;
  bool lookup = false;
  for (int c = 0; c < FCount; ++c) {
    const TCell& cell = FCells[static_cast<std::size_t>(c)];
    arena += cell.Text.size();
    if (!cell.Lookup.IsEmpty()) lookup = true;
    if (cell.Value.IsEmpty()) continue;
    std::uint8_t& kind = kinds[static_cast<std::size_t>(c)];
    if (!Encode(cell.Value, kind, slots[static_cast<std::size_t>(c)]))
      kind = cell.Value.StringPtr() != nullptr ? kString : kBoxed;
    if (HasSlot(kind)) slotCount = c + 1;
  }
  arena += FPreview.size();
  const std::size_t textBytes = arena;
  for (int c = 0; c < slotCount; ++c)
    if (kinds[static_cast<std::size_t>(c)] == kString) arena += FCells[static_cast<std::size_t>(c)].Value.StringPtr()->size();
  std::uint8_t keyKind = kNull;
  std::uint64_t keySlot = 0;
  int keyColumn = -1;
  if (!Encode(FKey, keyKind, keySlot)) keyKind = FKey.StringPtr() != nullptr ? kString : kBoxed;
  if (keyKind == kString) arena += FKey.StringPtr()->size();
  if (IsNumberKind(keyKind)) {
    // The key field shown in a column: the key is that cell's value.
    for (int c = 0; c < slotCount && keyColumn < 0; ++c)
      if (kinds[static_cast<std::size_t>(c)] == keyKind && slots[static_cast<std::size_t>(c)] == keySlot) keyColumn = c;
  }
  if (keyColumn >= 0) keyKind = kColumnKey;
  if (HasSlot(keyKind)) flags |= fKeySlot;
  if (textBytes > 0xFFFF) flags |= fWide;
  if (preview) flags |= fPreview;
  if (lookup) flags |= fLookup;
  const int offsets = FCount + (preview ? 1 : 0);
  const std::size_t width = (flags & fWide) != 0 ? 4 : 2;
  const std::size_t slotsAt = (HeaderBytes + static_cast<std::size_t>(FCount) + 7) & ~std::size_t{7};
  const std::size_t offsetsAt =
      slotsAt + 8 * static_cast<std::size_t>(slotCount) + ((flags & fKeySlot) != 0 ? 8 : 0) + (lookup ? 8 : 0);
  const std::size_t arenaAt = offsetsAt + static_cast<std::size_t>(offsets) * width;
  auto* block = static_cast<unsigned char*>(std::malloc(arenaAt + arena));
  if (block == nullptr) throw std::bad_alloc();
  // What can still fail (the boxes) comes before the block is written.
  std::unique_ptr<std::vector<Variant>> lookups;
  std::vector<std::unique_ptr<Variant>> boxes;
  try {
    if (lookup) {
      lookups = std::make_unique<std::vector<Variant>>(static_cast<std::size_t>(FCount));
      for (int c = 0; c < FCount; ++c) (*lookups)[static_cast<std::size_t>(c)] = FCells[static_cast<std::size_t>(c)].Lookup;
    }
    for (int c = 0; c < slotCount; ++c)
      if (kinds[static_cast<std::size_t>(c)] == kBoxed) {
        boxes.push_back(std::make_unique<Variant>(FCells[static_cast<std::size_t>(c)].Value));
        slots[static_cast<std::size_t>(c)] = reinterpret_cast<std::uintptr_t>(boxes.back().get());
      }
    if (keyKind == kBoxed) {
      boxes.push_back(std::make_unique<Variant>(FKey));
      keySlot = reinterpret_cast<std::uintptr_t>(boxes.back().get());
    }
  } catch (...) {
    std::free(block);
    throw;
  }
  if (!boxes.empty()) flags |= fBoxed;
  Store<std::uint16_t>(block, static_cast<std::uint16_t>(FCount));
  Store<std::uint16_t>(block + 2, static_cast<std::uint16_t>(slotCount));
  block[4] = flags;
  block[5] = keyKind;
  Store<std::uint16_t>(block + 6, static_cast<std::uint16_t>(keyColumn < 0 ? 0 : keyColumn));
  if (FCount > 0) std::memcpy(block + HeaderBytes, kinds.data(), kinds.size());
  std::memset(block + HeaderBytes + FCount, 0, slotsAt - HeaderBytes - static_cast<std::size_t>(FCount));
  // Texts, the preview, then the string values, each at its offset.
  char* text = reinterpret_cast<char*>(block + arenaAt);
  std::size_t at = 0;
  const auto put = [&](std::string_view piece) {
    if (!piece.empty()) std::memcpy(text + at, piece.data(), piece.size());
    at += piece.size();
  };
  const auto end = [&](int entry) {
    unsigned char* slot = block + offsetsAt + static_cast<std::size_t>(entry) * width;
    if (width == 2)
      Store<std::uint16_t>(slot, static_cast<std::uint16_t>(at));
    else
      Store<std::uint32_t>(slot, static_cast<std::uint32_t>(at));
  };
  for (int c = 0; c < FCount; ++c) {
    put(FCells[static_cast<std::size_t>(c)].Text);
    end(c);
  }
  if (preview) {
    put(FPreview);
    end(FCount);
  }
  for (int c = 0; c < slotCount; ++c) {
    if (kinds[static_cast<std::size_t>(c)] != kString) continue;
    const std::string& value = *FCells[static_cast<std::size_t>(c)].Value.StringPtr();
    slots[static_cast<std::size_t>(c)] = (static_cast<std::uint64_t>(at) << 32) | value.size();
    put(value);
  }
  if (keyKind == kString) {
    keySlot = (static_cast<std::uint64_t>(at) << 32) | FKey.StringPtr()->size();
    put(*FKey.StringPtr());
  }
  if (slotCount > 0) std::memcpy(block + slotsAt, slots.data(), 8 * static_cast<std::size_t>(slotCount));
  std::size_t extra = slotsAt + 8 * static_cast<std::size_t>(slotCount);
  if ((flags & fKeySlot) != 0) {
    Store<std::uint64_t>(block + extra, keySlot);
    extra += 8;
  }
  if (lookup) Store<std::uintptr_t>(block + extra, reinterpret_cast<std::uintptr_t>(lookups.release()));
  for (auto& box : boxes) box.release();
  return block;
}

// --- TdxNodeCells -----------------------------------------------------------------------------

TdxNodeCells::~TdxNodeCells() {
  if (TdxNodeCellsBuilder* builder = Builder())
    TdxNodeCellsBuilder::Give(builder);
  else
    FreeBlock(Block());
}

template <class F>
void TdxNodeCells::Change(F&& change) {
  if (TdxNodeCellsBuilder* builder = Builder()) {
    change(*builder);
    return;
  }
  TdxNodeCellsBuilder* builder = TdxNodeCellsBuilder::Take();
  unsigned char* packed = nullptr;
  try {
    builder->Unpack(Block());
    change(*builder);
    packed = builder->Pack();
  } catch (...) {
    TdxNodeCellsBuilder::Give(builder);
    throw;
  }
  TdxNodeCellsBuilder::Give(builder);
  FreeBlock(Block());
  FBits = reinterpret_cast<std::uintptr_t>(packed);
}

void TdxNodeCells::BeginBuild() {
  if (Building()) return;
  TdxNodeCellsBuilder* builder = TdxNodeCellsBuilder::Take();
  try {
    builder->Unpack(Block());
  } catch (...) {
    TdxNodeCellsBuilder::Give(builder);
    throw;
  }
  FreeBlock(Block());
  FBits = reinterpret_cast<std::uintptr_t>(builder) | BuildTag;
}

void TdxNodeCells::EndBuild() noexcept {
  TdxNodeCellsBuilder* builder = Builder();
  if (builder == nullptr) return;
  unsigned char* packed = nullptr;
  try {
    packed = builder->Pack();
  } catch (...) {
    // Out of memory while packing: the row is left empty rather than torn.
  }
  TdxNodeCellsBuilder::Give(builder);
  FBits = reinterpret_cast<std::uintptr_t>(packed);
}

int TdxNodeCells::Count() const noexcept {
  if (const TdxNodeCellsBuilder* builder = Builder()) return builder->Count();
  return FBits == 0 ? 0 : Load<std::uint16_t>(Block());
}

std::string_view TdxNodeCells::Text(int column) const noexcept {
  if (column < 0) return {};
  if (const TdxNodeCellsBuilder* builder = Builder()) {
    const auto* cell = builder->Find(column);
    return cell != nullptr ? std::string_view(cell->Text) : std::string_view();
  }
  return FBits == 0 ? std::string_view() : TBlockView(Block()).Text(column);
}

bool TdxNodeCells::HasValue(int column) const noexcept {
  if (column < 0) return false;
  if (const TdxNodeCellsBuilder* builder = Builder()) {
    const auto* cell = builder->Find(column);
    return cell != nullptr && !cell->Value.IsEmpty();
  }
  return FBits != 0 && TBlockView(Block()).Kind(column) != kNone;
}

bool TdxNodeCells::PlainText(int column, std::string_view& text) const noexcept {
  if (column < 0) return false;
  if (FBits == 0 || Building()) {
    if (HasValue(column)) return false;
    text = Text(column);
    return true;
  }
  const TBlockView view(Block());
  if (view.Kind(column) != kNone) return false;
  text = view.Text(column);
  return true;
}

std::optional<Variant> TdxNodeCells::Value(int column) const {
  if (column < 0) return std::nullopt;
  if (const TdxNodeCellsBuilder* builder = Builder()) {
    const auto* cell = builder->Find(column);
    if (cell == nullptr || cell->Value.IsEmpty()) return std::nullopt;
    return cell->Value;
  }
  if (FBits == 0) return std::nullopt;
  const TBlockView view(Block());
  const std::uint8_t kind = view.Kind(column);
  if (kind == kNone) return std::nullopt;
  return view.Decode(kind, HasSlot(kind) ? view.Slot(column) : 0);
}

bool TdxNodeCells::SummaryNumber(int column, std::optional<long double>& number) const {
  if (FBits == 0 || Building() || column < 0) {
    std::optional<Variant> value = Value(column);
    if (!value) return false;
    number = ::SummaryNumber(*value);
    return true;
  }
  const TBlockView view(Block());
  const std::uint8_t kind = view.Kind(column);
  switch (kind) {
    case kNone:
      return false;
    case kNull:
      number = std::nullopt;
      return true;
    case kSmallInt:
    case kInteger:
    case kInt64:
    case kByte:
    case kWord:
    case kLongWord:
      // As the variant's conversion: through a double.
      number = static_cast<long double>(static_cast<double>(static_cast<std::int64_t>(view.Slot(column))));
      return true;
    case kDouble:
    case kDate:
      number = static_cast<long double>(std::bit_cast<double>(view.Slot(column)));
      return true;
    default:
      number = ::SummaryNumber(view.Decode(kind, HasSlot(kind) ? view.Slot(column) : 0));
      return true;
  }
}

void TdxNodeCells::SummaryNumbers(const TdxNodeCells* const* cells, std::size_t count, std::size_t given,
                                  int column, TdxCellNumber* numbers) noexcept {
  // Doubles hold whole numbers up to 2^53 exactly: within it an integer kind
  // reads as the same number whether or not it goes through a double.
  constexpr std::int64_t Exact = std::int64_t{1} << 53;
  // Each record waits on two reads, its cells' field and then their block.
  // Records loaded one after another mostly keep their blocks at one
  // distance from their fields, so the block of a record far ahead is
  // asked for at the distance the last record had, beside its field,
  // without waiting for the field; where that guess fails, the block is
  // asked for again from the field, which has come by then, nearer ahead.
  // The column's kind lies in the block's first line and its slot mostly
  // there too; where the slot lies is taken from the last record.
  constexpr std::size_t Far = NumbersAhead;
  constexpr std::size_t Near = NumbersAhead / 4;
  std::uintptr_t distance = 0;
  std::uintptr_t slotAt = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + Far < given) {
      const auto far = reinterpret_cast<std::uintptr_t>(cells[i + Far]);
      __builtin_prefetch(reinterpret_cast<const void*>(far));
      __builtin_prefetch(reinterpret_cast<const void*>(far + distance));
      __builtin_prefetch(reinterpret_cast<const void*>(far + distance + slotAt));
    }
    if (i + Near < given) {
      const std::uintptr_t near = cells[i + Near]->FBits & ~BuildTag;
      if (near != 0) {
        __builtin_prefetch(reinterpret_cast<const void*>(near));
        __builtin_prefetch(reinterpret_cast<const void*>(near + slotAt));
      }
    }
    TdxCellNumber& number = numbers[i];
    number.Kind = TdxCellNumber::Other;
    const std::uintptr_t bits = cells[i]->FBits;
    if (bits == 0 || (bits & BuildTag) != 0 || column < 0) continue;
    distance = bits - reinterpret_cast<std::uintptr_t>(cells[i]);
    const TBlockView view(reinterpret_cast<const unsigned char*>(bits));
    slotAt = view.SlotsAt + 8 * static_cast<std::size_t>(column);
    const std::uint8_t kind = view.Kind(column);
    switch (kind) {
      case kNull:
        number.Kind = TdxCellNumber::Null;
        break;
      case kSmallInt:
      case kInteger:
      case kInt64:
      case kByte:
      case kWord:
      case kLongWord: {
        const auto whole = static_cast<std::int64_t>(view.Slot(column));
        if (whole >= -Exact && whole <= Exact) {
          number.Kind = TdxCellNumber::Integer;
          number.Whole = whole;
        } else {
          number.Kind = TdxCellNumber::Real;
          number.Fraction = static_cast<double>(whole);
        }
        break;
      }
      case kDouble:
      case kDate:
        number.Kind = TdxCellNumber::Real;
        number.Fraction = std::bit_cast<double>(view.Slot(column));
        break;
      default:
        break;
    }
  }
}

std::optional<Variant> TdxNodeCells::LookupKey(int column) const {
  if (column < 0) return std::nullopt;
  if (const TdxNodeCellsBuilder* builder = Builder()) {
    const auto* cell = builder->Find(column);
    if (cell == nullptr || cell->Lookup.IsEmpty()) return std::nullopt;
    return cell->Lookup;
  }
  if (FBits == 0) return std::nullopt;
  const std::vector<Variant>* lookups = TBlockView(Block()).Lookups();
  if (lookups == nullptr || static_cast<std::size_t>(column) >= lookups->size() ||
      (*lookups)[static_cast<std::size_t>(column)].IsEmpty())
    return std::nullopt;
  return (*lookups)[static_cast<std::size_t>(column)];
}

Variant TdxNodeCells::Key() const {
  if (TdxNodeCellsBuilder* builder = Builder()) return builder->Key();
  if (FBits == 0) return Variant::Null();
  const TBlockView view(Block());
  if (view.KeyKind == kColumnKey) {
    const int column = Load<std::uint16_t>(Block() + 6);
    return view.Decode(view.Kind(column), view.Slot(column));
  }
  return view.Decode(view.KeyKind, (view.Flags & fKeySlot) != 0 ? view.KeySlot() : 0);
}

std::string_view TdxNodeCells::Preview() const noexcept {
  if (TdxNodeCellsBuilder* builder = Builder()) return builder->Preview();
  return FBits == 0 ? std::string_view() : TBlockView(Block()).Preview();
}

std::size_t TdxNodeCells::BlockBytes() const noexcept {
  return FBits == 0 || Building() ? 0 : TBlockView(Block()).Bytes();
}

void TdxNodeCells::SetText(int column, std::string_view text) {
  if (column < 0 || column >= MaxColumns) return;
  Change([&](TdxNodeCellsBuilder& b) { b.At(column)->Text.assign(text); });
}

void TdxNodeCells::SetValue(int column, const Variant* value) {
  if (column < 0 || column >= MaxColumns) return;
  if (value == nullptr && !HasValue(column)) {
    // Nothing kept stays nothing kept, but the column is there.
    if (column >= Count()) Change([&](TdxNodeCellsBuilder& b) { b.At(column); });
    return;
  }
  Change([&](TdxNodeCellsBuilder& b) {
    Variant& kept = b.At(column)->Value;
    if (value == nullptr)
      kept = Variant();
    else
      kept = value->IsEmpty() ? Variant::Null() : *value;
  });
}

void TdxNodeCells::SetLookupKey(int column, const Variant* key) {
  if (column < 0 || column >= MaxColumns) return;
  if (key == nullptr && !LookupKey(column)) {
    if (column >= Count()) Change([&](TdxNodeCellsBuilder& b) { b.At(column); });
    return;
  }
  Change([&](TdxNodeCellsBuilder& b) {
    Variant& kept = b.At(column)->Lookup;
    if (key == nullptr)
      kept = Variant();
    else
      kept = key->IsEmpty() ? Variant::Null() : *key;
  });
}

void TdxNodeCells::SetKey(const Variant& key) {
  Change([&](TdxNodeCellsBuilder& b) { b.Key() = key.IsEmpty() ? Variant::Null() : key; });
}

bool TdxNodeCells::SetKeyFromColumn(int column) {
  if (TdxNodeCellsBuilder* builder = Builder()) {
    const auto* cell = builder->Find(column);
    if (cell == nullptr || cell->Value.IsEmpty()) return false;
    builder->Key() = cell->Value;
    return true;
  }
  std::optional<Variant> value = Value(column);
  if (!value) return false;
  SetKey(*value);
  return true;
}

void TdxNodeCells::SetPreview(std::string_view text) {
  if (text.empty() && Preview().empty()) return;
  Change([&](TdxNodeCellsBuilder& b) { b.Preview().assign(text); });
}

void TdxNodeCells::DropColumn(int column) {
  if (column < 0 || column >= Count()) return;
  Change([&](TdxNodeCellsBuilder& b) { b.Drop(column); });
}
