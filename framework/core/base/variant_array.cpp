#include "framework/core/base/variant_array.h"

#include <string>

namespace {

[[noreturn]] void NotAnArray() { throw EVariantInvalidArgError("Variant is not an array."); }
[[noreturn]] void OutOfBounds() { throw EVariantBadIndexError("Variant array index out of bounds."); }

void CheckIndices(const Variant& array, std::span<const int> indices) {
  if (!VarIsArray(array)) NotAnArray();
  const int dims = VarArrayDimCount(array);
  if (static_cast<int>(indices.size()) != dims) OutOfBounds();
  for (int d = 0; d < dims; ++d) {
    const int index = indices[static_cast<std::size_t>(d)];
    if (index < VarArrayLowBound(array, d + 1) || index > VarArrayHighBound(array, d + 1)) OutOfBounds();
  }
}

}  // namespace

Variant CreateVarArray(std::span<const TVarArrayBound> bounds, int elementType) {
  try {
    return VarArrayCreate(bounds, elementType);
  } catch (const EVariantArrayCreateError&) {
    throw EVariantArrayCreateError("Unable to create variant array.");
  }
}

Variant GetVarArrayElement(const Variant& array, std::span<const int> indices) {
  CheckIndices(array, indices);
  return VarArrayGet(array, indices);
}

void PutVarArrayElement(Variant& array, const Variant& value, std::span<const int> indices) {
  CheckIndices(array, indices);
  VarArrayPut(array, value, indices);
}

// ---- Walks ---------------------------------------------------------------------------

TVarArrayWalk::TVarArrayWalk(const Variant& array) {
  if (!VarIsArray(array)) NotAnArray();
  const int dims = VarArrayDimCount(array);
  FBounds.reserve(static_cast<std::size_t>(dims));
  for (int d = 1; d <= dims; ++d) {
    const TVarArrayBound bound{VarArrayLowBound(array, d), VarArrayHighBound(array, d)};
    if (bound.High < bound.Low) FHasElements = false;
    FBounds.push_back(bound);
  }
  Reset();
}

void TVarArrayWalk::Reset() {
  FIndices.fill(0);
  for (std::size_t d = 0; d < FBounds.size(); ++d) FIndices[d] = FBounds[d].Low;
}

bool TVarArrayWalk::Next() {
  if (!FHasElements) return false;
  for (std::size_t d = FBounds.size(); d-- > 0;) {
    if (FIndices[d] < FBounds[d].High) {
      ++FIndices[d];
      return true;
    }
    FIndices[d] = FBounds[d].Low;
  }
  return false;
}

bool ForEachVarArrayElement(const Variant& array, const TVarArrayElementProc& proc) {
  TVarArrayWalk walk(array);
  bool proceed = true;
  if (!walk.HasElements()) return proceed;
  do {
    proc(VarArrayGet(array, walk.Indices()), walk.Indices(), proceed);
  } while (proceed && walk.Next());
  return proceed;
}

bool ForEachVarArrayElement(Variant& array, const TVarArrayUpdateProc& proc) {
  TVarArrayWalk walk(array);
  bool proceed = true;
  if (!walk.HasElements()) return proceed;
  do {
    Variant value = VarArrayGet(array, walk.Indices());
    proc(value, walk.Indices(), proceed);
    VarArrayPut(array, value, walk.Indices());
  } while (proceed && walk.Next());
  return proceed;
}

bool VarArraysEqualUpTo(const Variant& a, const Variant& b, int n) noexcept {
  try {
    for (int i = 0; i <= n; ++i) {
      const int index[] = {i};
      if (GetVarArrayElement(a, index) != GetVarArrayElement(b, index)) return false;
    }
    return true;
  } catch (...) {
    // An element that is not there or does not compare is a difference.
    return false;
  }
}

Variant OleText(std::string_view text) { return Variant(std::string(text)); }
