#pragma once
// The dataset's own field classes. Each derives from the framework field
// class of the same kind and changes only what the database dataset needs:
// db-key texts and the measured read length of character columns, integer
// seconds shown as times, floats rounded to the column's scale, Booleans
// held in integer columns, NUMERIC(18,x) values held as raw scaled 64-bit
// integers, and the text and element buffer of array columns.
//
// Fields are components: a persistent field belongs to its form, a default
// field to the dataset that made it (TFIBCustomDataSet::GetFieldClass). The
// column behind a data field is found through its dataset's descriptors.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/data/fields.h"

class TFIBCustomDataSet;
struct TFIBColumnDescriptor;

// The starting value of every new string field's EmptyStrToNull.
bool DefaultEmptyStrToNull();
void SetDefaultEmptyStrToNull(bool value);

class TFIBStringField : public TStringField {
 public:
  explicit TFIBStringField(TComponent* owner);
  // An empty text written to the field is stored as null.
  bool EmptyStrToNull() const { return FEmptyStrToNull; }
  void SetEmptyStrToNull(bool value) { FEmptyStrToNull = value; }
  // A data field over a column named DB_KEY or RDB$DB_KEY.
  bool IsDbKey() const;
  bool GetValue(std::string& value) const override;

 protected:
  // Any size goes: the dataset sizes the field to its column.
  void CheckTypeSize(int) const override {}

 private:
  friend class TFIBCustomDataSet;
  void SetValueLength(int length, bool dbKey) const {
    FValueLength = length;
    FValueIsDbKey = dbKey;
  }

  bool FEmptyStrToNull;
  // The length the dataset measured at the last read (-1: none measured)
  // and whether it read a record key, so that a read asks neither again.
  mutable int FValueLength = -1;
  mutable bool FValueIsDbKey = false;
};

// Seconds shown as hours and minutes when IsTimeField is set.
class TFIBIntegerField : public TIntegerField {
 public:
  explicit TFIBIntegerField(TComponent* owner) : TIntegerField(owner) {}
  bool IsTimeField() const { return FIsTimeField; }
  void SetIsTimeField(bool value);
  bool AsBoolean() const override { return AsInteger() > 0; }
  void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }
  bool IsValidChar(char c) const override;

 protected:
  void FormatText(int value, bool displayText, std::string& text) const override;
  void SetTextValue(const std::string& text) override;

 private:
  bool FIsTimeField = false;
};

class TFIBSmallIntField : public TSmallintField {
 public:
  explicit TFIBSmallIntField(TComponent* owner) : TSmallintField(owner) {}
  bool AsBoolean() const override { return AsInteger() > 0; }
  void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }
};

class TFIBFloatField : public TFloatField {
 public:
  explicit TFIBFloatField(TComponent* owner) : TFloatField(owner) {}
  // Round written values to the column's decimal places.
  bool RoundByScale() const { return FRoundByScale; }
  void SetRoundByScale(bool value) { FRoundByScale = value; }
  void SetAsFloat(double value) override;

 protected:
  void GetText(std::string& text, bool displayText) const override;

 private:
  bool FRoundByScale = true;
};

// A Boolean held in its column's integer (1 true, 0 false).
class TFIBBooleanField : public TBooleanField {
 public:
  explicit TFIBBooleanField(TComponent* owner) : TBooleanField(owner) {}
  // The column's storage size (2 without a column).
  int DataSize() const override;
  const std::string& StringTrue() const { return FStringTrue; }
  void SetStringTrue(const std::string& text);
  const std::string& StringFalse() const { return FStringFalse; }
  void SetStringFalse(const std::string& text);
  bool IsStringTrueStored() const { return FStringTrue != "True"; }
  bool IsStringFalseStored() const { return FStringFalse != "False"; }

  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
  int AsInteger() const override { return AsBoolean() ? 1 : 0; }
  void SetAsInteger(int value) override { SetAsBoolean(value != 0); }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  Variant AsVariant() const override;

 protected:
  void GetText(std::string& text, bool displayText) const override { text = AsString(); }
  void SetVarValue(const Variant& value) override;

 private:
  bool ReadValue(bool& value) const;

  std::string FStringTrue = "True";
  std::string FStringFalse = "False";
};

// The 8-byte identifier of an array column, and a buffer for its elements
// while a record is edited.
class TFIBArrayField : public TBytesField {
 public:
  explicit TFIBArrayField(TComponent* owner);
  ~TFIBArrayField() override;
  Variant AsVariant() const override;

  // The element buffer (empty until loaded).
  const std::vector<std::byte>& ElementBuffer() const { return FElements; }
  // Before editing and after inserting: sizes the buffer to the array's
  // bytes and reads the elements into it.
  void LoadElementBuffer();
  // After a cancel: writes the buffer back as the field's data.
  void RestoreElementBuffer();
  // The array's size in bytes (0 while the array object is not there).
  int ArraySize() const;

 protected:
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;

 private:
  // The array column's elements as a variant array, and their writer,
  // through the select column's array object; a column without one answers
  // false and takes nothing.
  Variant ReadArrayValues() const;
  void WriteArrayValues(const Variant& value);

  std::vector<std::byte> FElements;
  bool FElementsNull = true;
};

// NUMERIC(18,x) held as a raw 64-bit integer equal to value × 10^Size. Data
// fields read and write the raw value exactly; calculated fields behave as
// the framework's BCD field.
class TFIBBCDField : public TBCDField {
 public:
  explicit TFIBBCDField(TComponent* owner);
  int DataSize() const override;
  bool RoundByScale() const { return FRoundByScale; }
  void SetRoundByScale(bool value) { FRoundByScale = value; }
  // Set while the raw value is read, so that the dataset copies the 8
  // bytes instead of converting them.
  bool ReadingRaw() const { return FReadingRaw; }
  // The raw value and whether there is one.
  bool GetRawValue(std::int64_t& value) const;
  void SetRawValue(std::int64_t value);

  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TCurrency AsCurrency() const override;
  void SetAsCurrency(TCurrency value) override;
  TBcd AsBCD() const override;
  void SetAsBCD(const TBcd& value) override;
  Variant AsVariant() const override;
  void Assign(const TPersistent* source) override;

 protected:
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;

 private:
  bool IsData() const { return FieldKind() == fkData; }
  int ColumnSQLType() const;
  [[noreturn]] void RaiseWithPath(const std::string& message) const;
  void WriteFloat(double value);

  bool FRoundByScale = true;
  mutable bool FReadingRaw = false;
};

class TFIBDateField : public TDateField {
 public:
  explicit TFIBDateField(TComponent* owner) : TDateField(owner) {}
};

class TFIBTimeField : public TTimeField {
 public:
  explicit TFIBTimeField(TComponent* owner) : TTimeField(owner) {}
};

class TFIBDateTimeField : public TDateTimeField {
 public:
  explicit TFIBDateTimeField(TComponent* owner) : TDateTimeField(owner) {}
};

class TFIBBlobField : public TBlobField {
 public:
  explicit TFIBBlobField(TComponent* owner) : TBlobField(owner) {}
};

// The scale of a field's column: -15 for a field that is not a data field,
// 100 for a data field whose column is not known.
int FieldColumnScale(const TField* field);

// The field's native data, read in the dataset's old-value state when old
// is asked (and the dataset is not in it already).
bool ReadOldFieldValue(TField* field, bool old, void* buffer);
// Unassigned when the field has no value, else its BCD value as text, with
// "." when dot is asked, else the framework's decimal separator.
Variant FieldBcdAsVariant(TField* field, bool old, bool dot);
