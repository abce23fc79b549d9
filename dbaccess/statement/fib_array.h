#pragma once
// An array column as the client reads and writes it: `TpFIBArray` holds the
// column's array descriptor (looked up on the server by relation and column
// name) and converts between the column's slices and variant arrays. A
// slice is always read and written whole, through the client's slice calls.
//
// The SQL descriptor creates one for each array column or parameter and
// owns it (`TFIBXSQLVAR::ArrayObject`); the dataset's array fields read and
// write through it with the dataset's handles. It keeps no handles of its
// own: every call borrows the connection's and the transaction's.
//
// A slice lays its elements out in index order, the last dimension moving
// fastest, each at a fixed stride: the element length, or for a varying
// text the element length + 2, holding a zero-terminated text (the
// client's layout). Fixed texts are read up to their length or their first
// zero and lose their trailing blanks; written, they are cut to the element
// and padded with blanks. Scaled integers (NUMERIC, DECIMAL) read as
// floats and are scaled back when written.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/blob/blob_io.h"
#include "dbaccess/client/client_handles.h"
#include "framework/core/base/object.h"
#include "framework/core/base/variant.h"
#include "framework/core/data/dataset_types.h"

class TField;

// The client's array descriptor (ISC_ARRAY_DESC) in its native layout;
// fib_array.cpp checks the layout against the client header.
struct TArrayBound {
  std::int16_t Lower = 0;
  std::int16_t Upper = 0;
};

struct TArrayDesc {
  // The element's type in the server's own codes (blr): 7 small integer,
  // 8 integer, 10 float, 11 d_float, 12 date, 13 time, 14 fixed text,
  // 16 64-bit integer, 27 double, 35 time stamp, 37 varying text.
  std::uint8_t DataType = 0;
  std::int8_t Scale = 0;
  std::uint16_t Length = 0;
  char FieldName[32] = {};
  char RelationName[32] = {};
  std::int16_t Dimensions = 0;
  std::int16_t Flags = 0;
  TArrayBound Bounds[16] = {};
};

class TpFIBArray : public TObject {
 public:
  // Looks the column's descriptor up on the server; a server error is
  // raised for the sender (may be null).
  TpFIBArray(TClientHandle* database, TClientHandle* transaction, std::string_view relationName,
             std::string_view fieldName, TObject* sender = nullptr);
  // From a descriptor known already.
  explicit TpFIBArray(const TArrayDesc& desc, TObject* sender = nullptr);

  // Another object of the same column and sender.
  std::unique_ptr<TpFIBArray> Clone() const;

  const TArrayDesc& Desc() const { return FDesc; }
  const std::string& RelationName() const { return FRelationName; }
  const std::string& FieldName() const { return FFieldName; }
  // The framework's type of one element: ftString, ftSmallint, ftInteger,
  // ftLargeint, ftFloat (also for scaled integers), ftDate, ftTime,
  // ftDateTime; ftUnknown for an element this class cannot convert.
  TFieldType FieldType() const { return FFieldType; }
  int DimensionCount() const { return FDesc.Dimensions; }
  // The (lower, upper) bounds of dimension d, from 0; client error 60 for a
  // dimension the column does not have.
  TVarArrayBound DimensionBounds(int d) const;
  int ElementCount() const;
  // Bytes from one element to the next in a slice.
  int ElementStride() const;
  // Bytes of a whole slice: the element length (+ 2 for a varying text)
  // times the element count, + 2 for a varying text.
  int SliceSize() const;
  int ArraySize() const { return SliceSize(); }

  // The array with this identifier as a variant array of variant elements
  // with the column's bounds; a zero identifier (no array) gives Null
  // elements. An element that does not convert stays Empty.
  Variant GetArrayValues(TClientHandle* database, TClientHandle* transaction, const TISCQuad& id) const;
  // Writes a variant array as a new array and puts its identifier in id;
  // the elements are taken in index order into consecutive element places,
  // an Empty element leaving its place as it was (as the array id held it,
  // zeros for a new one). A value that is not an array is ignored. More
  // dimensions than the column has raise client error 60; more elements,
  // or an element outside its type's range, client error 33.
  void SetArrayValues(const Variant& values, TClientHandle* database, TClientHandle* transaction,
                      TISCQuad& id) const;

  // The same for a field holding an array identifier as its data (Null
  // reads as no array); writing stores the new identifier as its data.
  Variant GetFieldArrayValues(TField* field, TClientHandle* database, TClientHandle* transaction) const;
  void SetFieldArrayValue(const Variant& value, TField* field, TClientHandle* database,
                          TClientHandle* transaction) const;

 private:
  void Describe();
  // Reads the slice into buffer; the bytes the server returned.
  int ReadSlice(TClientHandle* database, TClientHandle* transaction, const TISCQuad& id,
                std::vector<char>& buffer) const;
  Variant ElementAt(const char* at) const;
  void StoreElement(char* at, const Variant& value) const;
  [[noreturn]] void RaiseNoDimension(int d) const;

  // The last array this object wrote. The server reads no array back
  // before a row holds it, yet a field that is being edited holds such an
  // array: its content is kept here, for that connection and transaction.
  struct TWrittenSlice {
    TClientHandle Database = 0;
    TClientHandle Transaction = 0;
    TISCQuad Id;
    std::vector<char> Content;
  };

  TArrayDesc FDesc;
  mutable TWrittenSlice FWritten;
  std::string FRelationName;
  std::string FFieldName;
  TFieldType FFieldType = ftUnknown;
  // Server errors are raised for it; not owned.
  TObject* FSender = nullptr;
};
