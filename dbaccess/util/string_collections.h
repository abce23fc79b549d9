#pragma once
// String-keyed containers of the database layer.
// TObjStringList: texts with owned objects, in text order or, with hashing,
// in the order of a 32-bit hash of the text (the query cache's index).
// TStringCollection: a table of strings with a fixed number of columns and
// rows added one at a time, grown in blocks (the record cache's store of long
// strings). Both are plain objects owned by whoever creates them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

// A column or row index outside a TStringCollection: a programming error.
TULVO_DECLARE_EXCEPTION(EStringCollectionError, EListError);

class TObjStringList : public TObject {
 public:
  TObjStringList(TObject* owner, bool useHash);
  ~TObjStringList() override;

  // Adds the text with its object, which the list then owns, unless the text
  // is present already: then the given object is freed and the index of the
  // present entry returned. Hashed, texts compare exactly, with case;
  // unhashed, the list is sorted and compares without case.
  int Add(std::string_view text, std::unique_ptr<TObject> object);
  // Deletes the text's entry and frees its object, when present.
  void Remove(std::string_view text);
  // Whether the text is present; index is its position or where it would go.
  bool Find(std::string_view text, int& index) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int index) const;
  TObject* Objects(int index) const;
  // Deletes the entry and frees its object.
  void Delete(int index);
  // Takes the entry's object out of the list without freeing it.
  std::unique_ptr<TObject> Extract(int index);
  // Frees every object and empties the list.
  void Clear();

  TObject* Owner() const { return FOwner; }
  bool UseHash() const { return FUseHash; }

  // The 32-bit hash that orders a hashed list.
  static std::int32_t HashOf(std::string_view text);

 private:
  struct TEntry {
    std::string Text;
    std::unique_ptr<TObject> Object;
    std::int32_t Hash;
  };
  const TEntry& Entry(int index) const;

  TObject* FOwner;
  bool FUseHash;
  std::vector<TEntry> FItems;
};

class TStringCollection : public TObject {
 public:
  explicit TStringCollection(int columns);

  int ColumnCount() const { return FColumns; }
  int RowCount() const { return FRows; }
  int Capacity() const { return FCapacity; }
  int Delimiter() const { return FDelimiter; }
  void SetDelimiter(int delimiter) { FDelimiter = delimiter; }

  // Appends an empty row; returns the new row count.
  int AddRow();
  void DeleteRow(int row);
  const std::string& Get(int column, int row) const;
  void Set(int column, int row, std::string_view text);
  // Stores `length` bytes from address; a negative length means up to the
  // terminating zero byte.
  void SetFromBuffer(int column, int row, const char* address, int length);
  std::string* CellAddress(int column, int row);
  // Empties every cell and releases the storage: row count and capacity 0.
  void Clear();

 private:
  enum class TAccess { Read, Write };
  void Check(int column, int row, TAccess access) const;

  int FColumns;
  int FRows = 0;
  int FCapacity = 0;
  int FDelimiter = 1;
  std::vector<std::vector<std::string>> FCells;  // per column, FCapacity cells
};
