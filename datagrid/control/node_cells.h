#pragma once
// TdxNodeCells: what a record node keeps of its record (one display text
// per column, the values kept beside them, a lookup field's key values,
// the record's key and its preview text) packed in one allocation.
//
// A grid holds one node per record, so a cell costs what its kind needs:
// numbers as eight bytes, texts side by side in the block's own arena (the
// offsets two bytes each while the row's texts are short), Nulls as a kind
// byte, and nothing at all past the last column that keeps a value. Only
// values with no compact form (arrays) and lookup keys are boxed.
//
// Changing one cell rewrites the block; a node filled cell by cell (a
// record being loaded) first opens a build (BeginBuild), which gathers the
// cells in a reusable builder and packs them once at EndBuild. Reads and
// writes give the same answers while a build is open.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/core/base/variant.h"

// The value as a summary number; nothing for Null, Empty, or what does not
// read as a number (a text is read with the locale's decimal separator).
std::optional<long double> SummaryNumber(const Variant& value);

class TdxNodeCellsBuilder;

// A kept value as a summary number, as a pass over many records reads it:
// Integer when the value is a whole number that a double holds exactly,
// Real (a double) for the other numbers; Other where the pass must ask
// the cells one by one (nothing kept, a text, a boxed value, a build open).
struct TdxCellNumber {
  enum TKind : std::uint8_t { Other, Null, Integer, Real };
  TKind Kind = Other;
  union {
    std::int64_t Whole = 0;
    double Fraction;
  };
};

class TdxNodeCells {
 public:
  TdxNodeCells() noexcept = default;
  TdxNodeCells(const TdxNodeCells&) = delete;
  TdxNodeCells& operator=(const TdxNodeCells&) = delete;
  ~TdxNodeCells();

  // Columns with a text (the last one set decides).
  int Count() const noexcept;
  // Empty beyond Count.
  std::string_view Text(int column) const noexcept;
  // The value kept beside the column's text; none when nothing is kept (a
  // kept Null is a Null).
  std::optional<Variant> Value(int column) const;
  bool HasValue(int column) const noexcept;
  // True, with the column's text, when the column keeps no value (a
  // filter's usual read: one look at the block).
  bool PlainText(int column, std::string_view& text) const noexcept;
  // The kept value as a summary number, without making a Variant for the
  // numeric kinds: false when nothing is kept, else number is the value
  // as SummaryNumber gives it (none for a Null).
  bool SummaryNumber(int column, std::optional<long double>& number) const;
  // The same for the first count of cells at once, into numbers (as
  // many): a pass over a million records reads one block after another
  // without a call or a Variant each, and decides nothing for an Other.
  // The cell sets from count up to given are only asked for ahead of their
  // reading (NumbersAhead of them are enough).
  static void SummaryNumbers(const TdxNodeCells* const* cells, std::size_t count, std::size_t given,
                             int column, TdxCellNumber* numbers) noexcept;
  // How far ahead SummaryNumbers asks for the cell sets.
  static constexpr std::size_t NumbersAhead = 64;
  std::optional<Variant> LookupKey(int column) const;
  Variant Key() const;
  std::string_view Preview() const noexcept;

  // Texts grow the count with empty texts up to the column.
  void SetText(int column, std::string_view text);
  // Keeps value beside the column's text (an Empty one as a Null); nil
  // keeps nothing. Both grow the count up to the column.
  void SetValue(int column, const Variant* value);
  void SetLookupKey(int column, const Variant* key);
  void SetKey(const Variant& key);
  // The key is the value kept for column (the key field shown in a
  // column); false, with nothing changed, when the column keeps none.
  bool SetKeyFromColumn(int column);
  void SetPreview(std::string_view text);
  // The column's text, value and lookup key leave; the columns after it
  // move down one place.
  void DropColumn(int column);

  // Gathers every change until EndBuild, which packs the cells once.
  // Builds do not nest on one node.
  void BeginBuild();
  void EndBuild() noexcept;
  bool Building() const noexcept { return (FBits & BuildTag) != 0; }

  // The first bytes of the block (kinds and numbers) ahead of a read.
  void Prefetch() const noexcept {
    if (FBits != 0) __builtin_prefetch(reinterpret_cast<const void*>(FBits & ~BuildTag));
  }
  // Heap bytes of the block (tests of the packing).
  std::size_t BlockBytes() const noexcept;

 private:
  friend class TdxNodeCellsBuilder;
  static constexpr std::uintptr_t BuildTag = 1;

  const unsigned char* Block() const noexcept {
    return Building() ? nullptr : reinterpret_cast<const unsigned char*>(FBits);
  }
  TdxNodeCellsBuilder* Builder() const noexcept {
    return Building() ? reinterpret_cast<TdxNodeCellsBuilder*>(FBits & ~BuildTag) : nullptr;
  }
  // One change outside a build: unpack, change, pack.
  template <class F>
  void Change(F&& change);

  // A packed block, or a builder tagged with BuildTag, or 0 (nothing).
  std::uintptr_t FBits = 0;
};
