#pragma once
// Small typed lists of the database layer: a list of field description
// records and a sorted list of 32-bit integers without duplicates (a
// dataset's record numbers). Plain value holders, owned by whoever creates them.

#include <cstdint>
#include <vector>

#include "framework/core/base/object.h"

struct TFIBFieldDescr {
  std::uint16_t Word1 = 0;
  std::uint16_t Word2 = 0;
  std::uint8_t Byte1 = 0;
  std::uint8_t Byte2 = 0;
  std::uint8_t Byte3 = 0;
  std::int32_t Long1 = 0;
};

class TFIBFieldDescrList : public TObject {
 public:
  int Add(std::uint16_t word1, std::uint16_t word2, std::uint8_t byte1, std::uint8_t byte2,
          std::uint8_t byte3, std::int32_t long1);
  void Clear();
  // The number of records held (never the reserved capacity).
  int Count() const { return static_cast<int>(FItems.size()); }
  const TFIBFieldDescr& Get(int index) const;
  int Capacity() const { return static_cast<int>(FItems.capacity()); }
  // Reserves room; a capacity below Count raises EListError.
  void SetCapacity(int capacity);

 private:
  std::vector<TFIBFieldDescr> FItems;
};

class TSortedList : public TObject {
 public:
  // Inserts the value when absent; returns its index either way.
  int Add(std::int32_t value);
  void Remove(std::int32_t value);
  // Whether value is held; index is its position, or where it would go.
  bool Find(std::int32_t value, int& index) const;
  std::int32_t Items(int index) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }
  // The largest value, or -1 when empty.
  std::int32_t Last() const { return FItems.empty() ? -1 : FItems.back(); }
  // Adds delta (wrapping at 32 bits) to every value from value's position
  // (found or insertion position) to the end.
  void Shift(std::int32_t value, std::int32_t delta);

 private:
  std::vector<std::int32_t> FItems;
};
