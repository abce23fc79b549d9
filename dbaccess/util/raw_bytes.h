#pragma once
// Values at any byte offset of a record or slice buffer (no alignment
// assumed), and the double a scaled integer stands for.

#include <cstdint>
#include <cstring>

#include "dbaccess/util/number_text.h"

template <class T>
T LoadRaw(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

template <class T>
void StoreRaw(char* at, T value) {
  std::memcpy(at, &value, sizeof(T));
}

// value × 10^scale: dividing by the exact power of ten gives the double
// nearest the decimal value, which multiplying by an inexact inverse does not.
inline double ScaledToDouble(std::int64_t value, int scale) {
  return scale < 0 ? static_cast<double>(value) / PowerOfTen(-scale)
                   : static_cast<double>(value) * PowerOfTen(scale);
}
