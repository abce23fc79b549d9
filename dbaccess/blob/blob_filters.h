#pragma once
// The blob filters of a connection: conversion routines by blob sub-type
// that a connection applies to a blob's whole content after reading it and
// before writing it (an encryption or a compression of the program's own
// kinds of blob, say). Only user-defined sub-types, the negative numbers,
// are ever filtered; the server's own kinds (0 binary, 1 text, ...) pass
// untouched, whatever is registered for them.
//
// Each `TFIBDatabase` owns one list, empty until the program registers
// routines on it; the list lives and dies with its connection.

#include <functional>
#include <string>
#include <vector>

#include "framework/core/base/object.h"

// Takes the content and may replace it (length included).
using TBlobFilterRoutine = std::function<void(std::string& content)>;

class TIBBlobFilters : public TObject {
 public:
  // Registers the routines of a sub-type, replacing those registered for it
  // before; either routine may be empty (that direction is not converted).
  void RegisterFilter(int subType, TBlobFilterRoutine writeRoutine, TBlobFilterRoutine readRoutine);
  // Forgets the routines of the sub-type; nothing when none are registered.
  void UnregisterFilter(int subType);

  int Count() const { return static_cast<int>(FEntries.size()); }
  // The sub-types are kept in ascending order; index is the first entry of
  // the sub-type when found, else where it would be inserted.
  bool Find(int subType, int& index) const;
  // The routine for the direction; empty when none is registered.
  TBlobFilterRoutine Routine(int subType, bool writing) const;
  // True when Apply would convert content of the sub-type.
  bool HasFilter(int subType, bool writing) const;
  // Passes non-empty content of a negative sub-type through its routine.
  void Apply(std::string& content, bool writing, int subType) const;

 private:
  struct TEntry {
    int SubType = 0;
    TBlobFilterRoutine Write;
    TBlobFilterRoutine Read;
  };
  std::vector<TEntry> FEntries;
};
