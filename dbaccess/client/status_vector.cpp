#include "dbaccess/client/status_vector.h"

#include <ibase.h>

#include <algorithm>
#include <type_traits>

static_assert(std::is_same_v<TStatusWord, ISC_STATUS>, "status words must have the client API's layout");
static_assert(StatusVectorLength == ISC_STATUS_LENGTH);
static_assert(StatusArgGds == isc_arg_gds && StatusArgCString == isc_arg_cstring &&
              StatusArgNumber == isc_arg_number);

namespace {
thread_local TStatusWord tStatusVector[StatusVectorLength] = {};
}

TStatusWord* StatusVector() { return tStatusVector; }

bool StatusVectorHasCode(std::span<const TStatusWord> codes) {
  const TStatusWord* v = StatusVector();
  // A vector that lost its end marker must not make the walk leave the array.
  int i = 0;
  while (i < StatusVectorLength && v[i] != StatusArgEnd) {
    const TStatusWord kind = v[i];
    if (i + 1 >= StatusVectorLength) break;
    if ((kind == StatusArgGds || kind == StatusArgNumber) &&
        std::find(codes.begin(), codes.end(), v[i + 1]) != codes.end())
      return true;
    i += kind == StatusArgCString ? 3 : 2;
  }
  return false;
}

bool StatusVectorHasCode(std::initializer_list<TStatusWord> codes) {
  return StatusVectorHasCode(std::span<const TStatusWord>(codes.begin(), codes.size()));
}
