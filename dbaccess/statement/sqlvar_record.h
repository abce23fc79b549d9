#pragma once
// Inside the SQL variable: its record in the client API's layout, and the
// exact arithmetic of scaled integers. Included by the descriptor's sources
// only.

#include <cstdint>
#include <cstring>
#include <vector>

#include "dbaccess/client/client_api.h"
#include "dbaccess/statement/sqlda.h"

namespace sqlvar {

inline XSQLVAR& RecordOf(const TFIBXSQLVAR& var) { return *static_cast<XSQLVAR*>(var.Record()); }

template <class T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

enum class TRounding { Truncate, HalfEven };

// value × 10^scale, exactly; false when the result does not fit 64 bits.
// A negative scale divides, truncating or rounding half to even.
bool ScaleInt64(std::int64_t value, int scale, TRounding rounding, std::int64_t& result);

// x rounded half to even into the 64-bit range; false when out of range or
// not a number.
bool RoundToInt64(long double x, std::int64_t& result);

// value × 10^scale as a long double: dividing by an exact power of ten
// keeps the decimal value closer than multiplying by its inverse.
long double ScaledToFloat(std::int64_t value, int scale);

}  // namespace sqlvar

// A writer's primitive applied to this variable or, when the descriptor ties
// several variables to its name, to each of them in list order.
template <class Op>
void TFIBXSQLVAR::ForAllNamed(Op op) {
  if (FParent != nullptr && FParent->HasEqualNames() && !FName.empty()) {
    const std::vector<int> indices = FParent->EqualIndices(FName);
    if (!indices.empty()) {
      for (int index : indices) op(FParent->Vars(index));
      return;
    }
  }
  op(*this);
}
