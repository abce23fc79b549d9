#pragma once
// The SQL descriptor through which a statement exchanges values with the
// server. `TFIBXSQLDA` owns a buffer in the client API's native descriptor
// layout (a header and one record per column or parameter, see
// DescriptorLength) and one `TFIBXSQLVAR` per record. A variable is the
// typed view of one record: it converts between the SQL type the server
// described and the program's values, keeps the null indicator and owns the
// data buffer its record points at. Each statement owns three descriptors:
// the parameters the user sees, the parameters actually sent and the output
// columns. Descriptors and variables live as long as their statement;
// variables are reused when a descriptor shrinks and grows again.
//
// Conversions follow one rule set (see the readers and writers below).
// Scaled integers (NUMERIC and DECIMAL of up to 18 digits) convert with
// exact integer arithmetic; a value that does not fit its target raises
// client error 33 ("Invalid data conversion."), never wraps or reads as 0.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbaccess/blob/blob_io.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/object.h"
#include "framework/core/base/types.h"
#include "framework/core/base/variant.h"

class TStream;
class TFIBXSQLDA;
class TFIBXSQLVAR;
class TpFIBArray;

// SQL type codes without the null bit (the low bit of a record's type marks
// a column that accepts null).
inline constexpr int SQLTypeVarying = 448;
inline constexpr int SQLTypeText = 452;
inline constexpr int SQLTypeDouble = 480;
inline constexpr int SQLTypeFloat = 482;
inline constexpr int SQLTypeLong = 496;
inline constexpr int SQLTypeShort = 500;
inline constexpr int SQLTypeTimeStamp = 510;
inline constexpr int SQLTypeBlob = 520;
inline constexpr int SQLTypeDFloat = 530;
inline constexpr int SQLTypeArray = 540;
inline constexpr int SQLTypeQuad = 550;
inline constexpr int SQLTypeTime = 560;
inline constexpr int SQLTypeDate = 570;
inline constexpr int SQLTypeInt64 = 580;
// A 2-byte Boolean (1 = true) of older servers.
inline constexpr int SQLTypeBoolean = 590;
// The server's own 1-byte Boolean.
inline constexpr int SQLTypeBoolean1 = 32764;
// The type the server gives the parameter of "? IS NULL": only its null
// flag matters.
inline constexpr int SQLTypeNull = 32766;

// Dates count days from 17 November 1858; times count 1/10000 seconds.
inline constexpr std::int64_t SQLTimeUnitsPerDay = 864'000'000;
// Days between the server's day 0 and the framework's date 0 (1899-12-30).
inline constexpr int SQLDateDelta = 15018;

// The statement as its descriptors see it: the settings of its connection,
// whether a row is there to read, the macro bookkeeping and the parameters
// actually sent. `TFIBQuery` implements it; a descriptor without an owner
// behaves as one of a statement without a connection whose output always
// holds a row.
class TSQLDAOwner {
 public:
  // The connection's SQL dialect; 0 without a connection.
  virtual int SQLDialect() const = 0;
  virtual bool UpperOldNames() const = 0;
  // qoTrimCharFields: text values lose their trailing blanks and controls.
  virtual bool TrimCharFields() const = 0;
  // The output columns hold a row: one was fetched, or a procedure ran.
  virtual bool RowAvailable() const = 0;
  // A macro's value text differs from its last substitution; set by the
  // variables, cleared by the statement once it re-substituted.
  virtual bool MacrosChanged() const = 0;
  virtual void SetMacrosChanged() = 0;
  // For a name that `asking` lacks, when it is the statement's
  // user-visible parameters: the sent parameter of that name (brought in by
  // a macro value), after re-substituting changed macros; else nullptr.
  virtual TFIBXSQLVAR* FindSentParam(const TFIBXSQLDA& asking, std::string_view name) = 0;
  // The sent parameter of this name is a blob.
  virtual bool SentParamIsBlob(std::string_view name) = 0;
  // The whole content of a blob, read on the statement's connection and
  // transaction (started first when the statement's options say so),
  // through the connection's filter for the sub-type. Raises client error
  // 21 or 22 when either is missing.
  virtual std::string ReadBlob(const TISCQuad& id, int subType) = 0;
  // A new blob holding the content (through the same filter); its identifier.
  virtual TISCQuad WriteBlob(std::string_view content, int subType) = 0;
  // Where arrays are looked up, read and written: the statement's connection
  // and transaction handles (the transaction started first when the
  // statement's options say so) and the component errors are raised for.
  // Raises client error 21 or 22 when either is missing; an owner that has
  // no connection at all answers with null handles, and its array columns
  // get no array object.
  virtual TBlobPlace ArrayPlace() = 0;

 protected:
  ~TSQLDAOwner() = default;
};

// One column or parameter. Created by its descriptor only.
class TFIBXSQLVAR : public TObject {
 public:
  TFIBXSQLVAR(TFIBXSQLDA* parent, int index);
  ~TFIBXSQLVAR() override;

  int Index() const { return FIndex; }
  // The normalised name (see TFIBXSQLDA::ByName).
  const std::string& Name() const { return FName; }
  TFIBXSQLDA* Parent() const { return FParent; }
  TSQLDAOwner* Query() const;

  // Set by every assignment, cleared after each execution.
  bool Modified() const { return FModified; }
  void SetModified(bool modified) { FModified = modified; }
  // A value was assigned since the parameter list was built.
  bool Assigned() const { return FAssigned; }
  void SetAssigned(bool assigned) { FAssigned = assigned; }

  // Parameter bookkeeping of the scanner and the statement.
  bool IsMacro() const { return FIsMacro; }
  void SetIsMacro(bool isMacro) { FIsMacro = isMacro; }
  // The value goes between single quotes when substituted.
  bool QuotedMacro() const { return FQuotedMacro; }
  void SetQuotedMacro(bool quoted) { FQuotedMacro = quoted; }
  const std::string& MacroDefault() const { return FMacroDefault; }
  void SetMacroDefault(std::string text) { FMacroDefault = std::move(text); }
  // The value at the last execution or substitution.
  const Variant& OldValue() const { return FOldValue; }
  void SetOldValue(Variant value) { FOldValue = std::move(value); }
  bool InWhereClause() const { return FInWhereClause; }
  void SetInWhereClause(bool inWhere) { FInWhereClause = inWhere; }
  // The type the server described, without the null bit; 0 before.
  int ServerSQLType() const { return FServerSQLType; }
  void SetServerSQLType(int type) { FServerSQLType = type; }
  // Used when a Boolean variant is assigned to a non-Boolean parameter.
  Variant FalseValue() const { return Variant(0); }
  Variant TrueValue() const { return Variant(1); }

  // ---- The record ----
  // The client API's record (XSQLVAR) inside the descriptor's buffer.
  void* Record() const { return FRecord; }
  // The type without the null bit; below 2 means not yet typed.
  int SQLType() const;
  int SQLScale() const;
  int SQLSubtype() const;
  int SQLLen() const;
  // The data buffer (for a varying text: the 2-byte length, then the text).
  const char* Data() const;
  std::string_view AliasName() const;
  std::string_view FieldName() const;
  std::string_view RelationName() const;
  std::string_view OwnerName() const;

  bool IsNull() const;
  // Reading nullability gives a nullable record its indicator.
  bool IsNullable() const;
  // The null indicator the server fills for a nullable column (-1: null),
  // nullptr for a column that cannot be null. Readers on the fetch path
  // keep it once instead of asking IsNull per row.
  const short* NullIndicator() const;
  bool IsNumericType() const;
  bool IsDateTimeType() const;
  bool IsBlobOrArray() const;

  // ---- Readers ----
  // A null variable reads as 0, 0.0, "", a zero identifier, false or Null.
  // A type the reader cannot convert raises client error 33.
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  double AsFloat() const { return AsDouble(); }
  long double AsExtended() const;
  TCurrency AsCurrency() const;
  // The value rounded to a whole number, held in a double.
  double AsWholeNumber() const;
  TBcd AsBcd() const;
  TDateTime AsDateTime() const;
  // Text columns as stored; numbers and dates in the framework's formats;
  // a blob's whole content, read on the statement's transaction.
  std::string AsString() const;
  Variant AsVariant() const;
  bool AsBoolean() const;
  TISCQuad AsQuad() const;

  // ---- Writers ----
  // Each writes this variable or, when its descriptor holds several
  // variables of its name, every one of them.
  void SetAsInteger(int value);
  void SetAsInt64(std::int64_t value);
  void SetAsDouble(double value);
  void SetAsFloat(double value) { SetAsDouble(value); }
  void SetAsExtended(long double value);
  void SetAsCurrency(TCurrency value);
  void SetAsBcd(const TBcd& value);
  void SetAsDate(TDateTime value);
  void SetAsTime(TDateTime value);
  void SetAsDateTime(TDateTime value);
  void SetAsString(std::string_view value);
  void SetAsVariant(const Variant& value);
  void SetAsBoolean(bool value);
  void SetAsQuad(const TISCQuad& value);
  void SetIsNull(bool isNull);
  void SetIsNullable(bool nullable);
  void SetSQLScale(int scale);
  // The whole record of source (type, scale, names, data, nullability).
  void AssignRecord(const TFIBXSQLVAR& source);
  // The value of source; blob content moves as bytes between blob and
  // non-blob variables.
  void Assign(const TFIBXSQLVAR& source);
  // A new blob holding the stream's content, from its start.
  void LoadFromStream(TStream& stream);
  // The content of the blob the variable holds.
  void SaveToStream(TStream& stream) const;
  // The array column's descriptor, created by the descriptor when the
  // server describes the variable as an array of a table's column (owned);
  // null for other variables.
  TpFIBArray* ArrayObject() const { return FArrayObject.get(); }
  void SetArrayObject(std::unique_ptr<TpFIBArray> array);
  // Writes a variant array as a new array of the column and holds its
  // identifier; a value that is not an array changes nothing. Both raise
  // client error 59 naming the column when it is not an array column.
  void SetArrayValues(const Variant& values);
  int ArrayDimensions() const;

  // ---- Used by the descriptor and the parameter scanner ----
  void SetName(std::string name) { FName = std::move(name); }
  void SetIndex(int index) { FIndex = index; }
  void SetParent(TFIBXSQLDA* parent) { FParent = parent; }
  void SetRecord(void* record) { FRecord = record; }
  // Data buffer and indicator for the type the record now holds; raises
  // client error 30 for a type outside the table.
  void AllocateForType();
  // Type 0, length 0, null: a parameter before its statement is prepared.
  void ClearToUntyped();
  // Null without the bookkeeping of an assignment.
  void ResetNull();
  // Sets the raw value of this one variable (the primitive the writers use).
  void SetRawData(int type, int length, const void* bytes);
  // The whole record of source, to this one variable, without the
  // bookkeeping of an assignment.
  void CopyRecordFrom(const TFIBXSQLVAR& source);
  // The type, scale, sub-type and length the server described for a
  // parameter, with a data buffer of that length; null.
  void TakeDescription(const TFIBXSQLVAR& described);

 private:
  template <class Op>
  void ForAllNamed(Op op);
  void AfterWrite();
  void SetNullFlag(bool isNull);
  void SetNullability(bool nullable);
  void ReserveData(std::size_t size);
  void WriteBlobText(std::string_view text);
  void SetAsTimeStampParts(std::int32_t days, std::uint32_t time, int type);
  bool IsDbKey() const;
  bool HasNoValue() const;
  std::string_view TextView() const;
  std::int64_t IntegerValue() const;
  double FloatValue() const;
  int Dialect() const;
  // The statement that reads and writes blobs; client error 21 without one.
  TSQLDAOwner& BlobOwner() const;
  [[noreturn]] void RaiseNotArray() const;

  TFIBXSQLDA* FParent;
  void* FRecord = nullptr;
  int FIndex;
  int FServerSQLType = 0;
  std::string FName;
  Variant FOldValue;
  std::string FMacroDefault;
  // The data buffer the record points at, never shrunk.
  TMallocPtr<char> FData;
  std::size_t FDataCapacity = 0;
  // The record points here while its type is nullable.
  short FIndicator = 0;
  bool FModified = false;
  bool FIsMacro = false;
  bool FQuotedMacro = false;
  bool FInWhereClause = false;
  bool FAssigned = false;
  std::unique_ptr<TpFIBArray> FArrayObject;
};

// The descriptor: its buffer in the client API's layout and its variables.
// Names are looked up without regard to case.
class TFIBXSQLDA : public TObject {
 public:
  TFIBXSQLDA(TSQLDAOwner* query, bool isParams);
  ~TFIBXSQLDA() override;

  TSQLDAOwner* Query() const { return FQuery; }
  bool IsParams() const { return FIsParams; }
  int Count() const { return FCount; }
  // Records and variables allocated; never shrinks.
  int Size() const { return FSize; }

  // Clears the names; grows the buffer and the variables when n exceeds
  // Size, keeping what they hold.
  void SetCount(int n);
  // Raises client error 23 for an index outside 0 .. Count - 1.
  TFIBXSQLVAR& Vars(int index) const;
  TFIBXSQLVAR& operator[](int index) const { return Vars(index); }

  // The variable of that name, or nullptr. For the user-visible parameters
  // a name they lack is looked for among the parameters actually sent.
  TFIBXSQLVAR* ByName(std::string_view name);
  // Registers a variable's name; a parameter name met before ties the
  // variables so that they share one value.
  void AddName(std::string_view name, int index);
  // The names of the descriptor as the lists hold them.
  std::string NormalizeName(std::string_view name) const;
  // The index of the first variable of that name, -1 when none; looks only
  // here, caches nothing.
  int IndexOfName(std::string_view name) const;

  // After the server described the records: server types, names for
  // output columns, data buffers and indicators.
  void InitializeFromServer();
  // Values by name from another descriptor (the user-visible parameters
  // into the parameters sent).
  void AssignValues(const TFIBXSQLDA& source);
  void ResetNulls();
  void ClearModified();

  // The descriptor as passed to the client API (XSQLDA).
  void* RawBuffer() const { return FBuffer.get(); }

  // The indices of the variables sharing this name's value, in list order;
  // empty when the name is used once.
  std::vector<int> EqualIndices(std::string_view name) const;
  bool HasEqualNames() const { return !FEqualNames.empty(); }

  // Moves variable `index` of `other` into this descriptor at `at`, with its
  // record, giving `other` this descriptor's variable in its place (the
  // scanner keeps values across rebuilds this way). Names are not touched.
  void ExchangeVar(int at, TFIBXSQLDA& other, int index);

 private:
  struct TNameEntry {
    std::string Name;
    int Index = 0;
    TFIBXSQLVAR* Var = nullptr;
  };
  using TNameList = std::vector<TNameEntry>;
  static TNameList::const_iterator Lower(const TNameList& list, std::string_view name);
  static void InsertSorted(TNameList& list, TNameEntry entry);
  void* RecordAt(int index) const;
  std::string UniqueColumnName(std::string_view alias, int& unnamed) const;
  // The array object of a variable the server described as an array; null
  // when its column is not a table's or the owner has no connection.
  std::unique_ptr<TpFIBArray> CreateArrayObject(const TFIBXSQLVAR& var) const;

  TSQLDAOwner* FQuery;
  bool FIsParams;
  int FCount = 0;
  int FSize = 0;
  TMallocPtr<char> FBuffer;
  std::vector<std::unique_ptr<TFIBXSQLVAR>> FVars;
  // Sorted without regard to case; duplicates accepted.
  TNameList FNames;
  // Every name used by more than one parameter, once per variable.
  TNameList FEqualNames;
  // Names as callers spelled them, with the variable found.
  TNameList FNameCache;
};
