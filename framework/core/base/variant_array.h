#pragma once
// Variant arrays of any number of dimensions as the database layer's array
// columns use them: created with bounds and an element type, read and
// written element by element with the messages callers show, and walked in
// index order (the last dimension moving fastest, as a slice lays its
// elements out).
//
// A walk keeps its index vector in a `TVarArrayWalk` that the caller owns,
// so two threads may walk two arrays at the same time.

#include <array>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "framework/core/base/variant.h"

// A new array with one (Low, High) pair per dimension and elements of the
// type code (variant.h). More than VarArrayMaxDims dimensions, impossible
// bounds or an element type no array may hold raise EVariantArrayCreateError
// "Unable to create variant array.".
Variant CreateVarArray(std::span<const TVarArrayBound> bounds, int elementType);

// One element. Not an array: EVariantInvalidArgError "Variant is not an
// array."; a count of indices other than the array's dimensions, or an
// index outside its bounds: EVariantBadIndexError "Variant array index out
// of bounds.".
Variant GetVarArrayElement(const Variant& array, std::span<const int> indices);
// Stores the value converted to the element type; the same checks.
void PutVarArrayElement(Variant& array, const Variant& value, std::span<const int> indices);

// The position of a walk over every element of an array, in index order.
class TVarArrayWalk {
 public:
  // Positioned on the first element (Reset). Not an array: "Variant is not
  // an array.".
  explicit TVarArrayWalk(const Variant& array);

  // Every dimension at its low bound; the entries past the dimensions are 0.
  void Reset();
  // Advances the last dimension, carrying into earlier ones; false after the
  // last element, when the position is back at the first.
  bool Next();
  // False when some dimension has no element: there is nothing to walk.
  bool HasElements() const { return FHasElements; }
  int DimCount() const { return static_cast<int>(FBounds.size()); }
  // One index per dimension.
  std::span<const int> Indices() const { return std::span<const int>(FIndices.data(), FBounds.size()); }

 private:
  std::vector<TVarArrayBound> FBounds;
  // One entry beyond the most dimensions, as the walk's callers expect.
  std::array<int, VarArrayMaxDims + 1> FIndices{};
  bool FHasElements = true;
};

// Called once per element with its value and indices; clearing `proceed`
// ends the walk.
using TVarArrayElementProc = std::function<void(const Variant& value, std::span<const int> indices, bool& proceed)>;
// The same, with the value open to change; the changed value is written back.
using TVarArrayUpdateProc = std::function<void(Variant& value, std::span<const int> indices, bool& proceed)>;

// Walks every element in index order until the routine clears `proceed`;
// returns the last value of `proceed` (true when the walk ran to its end).
bool ForEachVarArrayElement(const Variant& array, const TVarArrayElementProc& proc);
bool ForEachVarArrayElement(Variant& array, const TVarArrayUpdateProc& proc);

// Elements 0 … n of two one-dimensional arrays are equal. Anything that
// raises on the way (an index outside either array, values that do not
// compare) counts as unequal.
bool VarArraysEqualUpTo(const Variant& a, const Variant& b, int n) noexcept;

// The text as an automation string variant.
Variant OleText(std::string_view text);
