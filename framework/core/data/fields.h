#pragma once
// Fields: the typed view of one column of a dataset's current record.
//
// A `TField` is a component. A persistent field is created by the form (or
// any owner) before the dataset opens and attached with `SetDataSet`; a
// default field is made by the dataset from its field definitions when it
// opens without fields, held by the dataset and destroyed when it closes.
// A field never holds its value: it reads and writes the dataset's record
// buffer through `TDataSet::GetFieldData`/`SetFieldData`, in the field's
// native format:
//
//   string       characters, zero-terminated, in Size + 1 bytes
//   small int,
//   integer,
//   word, autoinc int32 (4 bytes, also for the 16-bit types)
//   large int    int64
//   Boolean      int16, non-zero = true
//   float,
//   currency     double
//   BCD          TBcd
//   date         int32: days since 0001-01-01, plus one (TTimeStamp.Date)
//   time         int32: milliseconds since midnight
//   date-time    double: milliseconds since 0001-01-01 plus one day
//   bytes        Size raw bytes; var bytes: uint16 length + Size bytes
//   blobs        no buffer value: read and written through blob streams
//
// Calculated and lookup fields have a negative field number and live in
// the dataset's calculated-field area at `Offset`.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/alignment.h"
#include "framework/core/component/component.h"
#include "framework/core/data/dataset_types.h"
#include "framework/core/data/provider.h"
#include "framework/core/base/types.h"
#include "framework/core/base/variant.h"

class TStream;

using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, std::string& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const std::string& Text)>;

// A field class: makes an unowned field of one class.
using TFieldClass = std::unique_ptr<TField> (*)();
template <class F>
std::unique_ptr<TField> MakeField() {
  return std::make_unique<F>(nullptr);
}

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  // Binding. Changing these requires a closed dataset.
  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& name);
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return FFieldKind == fkCalculated; }
  bool Lookup() const { return FFieldKind == fkLookup; }
  bool IsLookupField() const { return Lookup(); }
  // The column's number in the field definitions (from 1), negative for
  // calculated and lookup fields, 0 while unbound.
  int FieldNo() const { return FFieldNo; }
  TFieldType DataType() const { return FDataType; }
  int Size() const { return FSize; }
  void SetSize(int size);
  // Bytes of the native value (see above).
  virtual int DataSize() const { return 0; }
  // Position in the calculated-field area (calculated and lookup fields).
  int Offset() const { return FOffset; }
  // Position in the dataset's field list; setting it moves the field.
  int Index() const;
  void SetIndex(int index);
  const std::string& Origin() const { return FOrigin; }
  void SetOrigin(const std::string& origin) { FOrigin = origin; }

  // Presentation.
  std::string DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const std::string& label);
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }
  void SetDisplayWidth(int width);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  bool Required() const { return FRequired; }
  void SetRequired(bool required) { FRequired = required; }
  // Whether a value may be written now: not read-only, and the dataset can
  // modify (a lookup field: its key fields can be modified).
  virtual bool CanModify() const;
  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& mask);
  const std::string& DefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const std::string& text) { FDefaultExpression = text; }
  // How a provider uses the field: in the written columns, in the WHERE
  // clause that finds the record, as part of its key.
  TProviderFlags ProviderFlags() const { return FProviderFlags; }
  void SetProviderFlags(TProviderFlags flags) { FProviderFlags = flags; }

  // Lookup fields: the value of LookupResultField in LookupDataSet for the
  // record whose LookupKeyFields equal this dataset's KeyFields.
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* dataSet);
  const std::string& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const std::string& names);
  const std::string& LookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const std::string& names);
  const std::string& LookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const std::string& name);

  // Values. Reading a null gives the type's zero ("", 0, false); a
  // conversion the class does not offer raises EDatabaseError
  // "Cannot access field '<name>' as type <type>".
  bool IsNull() const;
  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& value);
  virtual int AsInteger() const;
  virtual void SetAsInteger(int value);
  virtual std::int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(std::int64_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual TCurrency AsCurrency() const;
  virtual void SetAsCurrency(TCurrency value);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime value);
  virtual TBcd AsBCD() const;
  virtual void SetAsBCD(const TBcd& value);
  // Null or the value; a null or empty variant clears the field.
  virtual Variant AsVariant() const;
  void SetAsVariant(const Variant& value);
  Variant Value() const { return AsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }
  // The value before the current edit, and the value being written.
  Variant OldValue() const;
  Variant NewValue() const;
  void SetNewValue(const Variant& value);
  void Clear() { SetData(nullptr); }
  // Another field as source copies its value (a null one clears this);
  // nullptr clears. Other sources go to the persistent rules.
  void Assign(const TPersistent* source) override;
  // Tells the dataset that this field's value changed by a way other than
  // SetData (a blob stream written directly): the dataset sends its
  // field-change data event, as SetData does.
  void DataChanged();

  // Texts: Text is the edit text, DisplayText the shown one; both pass
  // through OnGetText when assigned. SetText goes through OnSetText.
  std::string Text() const;
  void SetText(const std::string& text);
  std::string DisplayText() const;
  // Whether the character may be typed into the value's text (control
  // characters always may: they are editing keys).
  virtual bool IsValidChar(char c) const;
  // Asks the controls showing this field to take the focus.
  void FocusControl();

  // Native data (see above); buffer nullptr asks only whether there is a
  // value, or writes null.
  bool GetData(void* buffer) const;
  void SetData(const void* buffer);
  // Runs OnValidate with the field reading the value about to be written.
  void Validate(const void* buffer);

  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;
  TFieldNotifyEvent OnChange;

  // The names under which the data-aware controls use these operations.
  std::string DisplayNameOf() const { return DisplayName(); }
  std::string DisplayTextOf() const { return DisplayText(); }
  // The display text into text, reusing its room, and the value into
  // value when one is asked for: what a load of many records reads from
  // each. A class that can reads the record's data once for both.
  virtual void ReadDisplay(std::string& text, Variant* value) const;
  std::string EditTextOf() const { return Text(); }
  void ApplyEditText(const std::string& text) { SetText(text); }
  bool AcceptsCharacter(char c) const { return IsValidChar(c); }

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void SetDataType(TFieldType type) { FDataType = type; }
  // The text of the value; displayText asks for the shown form.
  virtual void GetText(std::string& text, bool displayText) const;
  // Stores a text typed by the user; the default is SetAsString.
  virtual void SetTextValue(const std::string& text);
  // Stores a variant that is neither null nor empty.
  virtual void SetVarValue(const Variant& value);
  virtual int DefaultDisplayWidth() const { return 10; }
  // Refuses a size the class cannot hold: EDatabaseError "Invalid field size".
  virtual void CheckTypeSize(int size) const;
  // Tells the controls: a layout change or a plain redisplay.
  void PropertyChanged(bool layoutAffected);
  // Fires OnChange.
  void DoChange();
  void SetDefaultAlignment(TAlignment alignment) { FAlignment = alignment; }

  [[noreturn]] void AccessError(const char* typeName) const;
  // Raises "'<text>' is not a valid <what> value for field '<name>'".
  [[noreturn]] void ConvertError(const std::string& text, const char* what) const;
  // The dataset or raises "Field '<name>' has no dataset".
  TDataSet& CheckDataSet() const;

 private:
  friend class TDataSet;
  friend class TFields;

  void CalcLookupValue();

  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  TFieldKind FFieldKind = fkData;
  TFieldType FDataType = ftUnknown;
  int FFieldNo = 0;
  int FSize = 0;
  int FOffset = 0;
  std::string FOrigin;
  std::string FDisplayLabel;
  int FDisplayWidth = 0;
  TAlignment FAlignment = taLeftJustify;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  std::string FEditMask;
  std::string FDefaultExpression;
  TProviderFlags FProviderFlags{pfInUpdate, pfInWhere};
  TDataSet* FLookupDataSet = nullptr;
  std::string FKeyFields;
  std::string FLookupKeyFields;
  std::string FLookupResultField;
  // While OnValidate runs, reads come from the value being written.
  bool FValidating = false;
  const void* FValueBuffer = nullptr;
};

// The ordered field list of a dataset. Fields enter and leave it through
// TField::SetDataSet; the list does not own them.
class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  int Count() const { return static_cast<int>(FList.size()); }
  // Raises EListError "List index out of bounds (<i>)".
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  // By name, ignoring case; nullptr when there is none.
  TField* FindField(std::string_view name) const;
  // Raises EDatabaseError "Field '<name>' not found".
  TField* FieldByName(std::string_view name) const;
  TField* FieldByNumber(int fieldNo) const;
  int IndexOf(const TField* field) const;

  std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
  std::vector<TField*>::const_iterator end() const { return FList.end(); }

 private:
  friend class TField;
  friend class TDataSet;

  void Add(TField* field);
  void Remove(TField* field);
  void Move(int current, int wanted);

  TDataSet* FDataSet;
  std::vector<TField*> FList;
};

// --- The field classes --------------------------------------------------

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* owner);
  int DataSize() const override { return Size() + 1; }
  // The value and whether there is one.
  virtual bool GetValue(std::string& value) const;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime value) override;
  Variant AsVariant() const override;

 protected:
  // The value itself, read into text's own room.
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  int DefaultDisplayWidth() const override { return Size(); }
  void CheckTypeSize(int size) const override;
};

// Text is 8-bit everywhere here; this class exists for the type code.
class TWideStringField : public TStringField {
 public:
  explicit TWideStringField(TComponent* owner);
};

// Numeric fields: right aligned, with display and edit formats (format
// strings of FormatFloat).
class TNumericField : public TField {
 public:
  explicit TNumericField(TComponent* owner);
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& format);
  const std::string& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const std::string& format);

 protected:
  // The format for the text asked for, or empty.
  const std::string& FormatFor(bool displayText) const;

 private:
  std::string FDisplayFormat;
  std::string FEditFormat;
};

// int32 storage; MinValue/MaxValue (both 0 = no limit) narrow the type's
// own range.
class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* owner);
  int DataSize() const override { return 4; }
  bool GetValue(int& value) const;
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value) { FMinValue = value; }
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value) { FMaxValue = value; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  Variant AsVariant() const override;
  bool IsValidChar(char c) const override;
  // One read for the text and the value (AsVariant's: a subclass that
  // changes the value changes the text's forming only).
  void ReadDisplay(std::string& text, Variant* value) const override;

 protected:
  TIntegerField(TComponent* owner, TFieldType type, std::int64_t minRange, std::int64_t maxRange);
  void GetText(std::string& text, bool displayText) const override;
  // The text of a value read.
  virtual void FormatText(int value, bool displayText, std::string& text) const;
  void SetVarValue(const Variant& value) override;
  int DefaultDisplayWidth() const override { return 11; }
  void CheckRange(std::int64_t value) const;

 private:
  std::int64_t FMinRange;
  std::int64_t FMaxRange;
  int FMinValue = 0;
  int FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* owner);

 protected:
  int DefaultDisplayWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* owner);
  bool IsValidChar(char c) const override;

 protected:
  int DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
 public:
  explicit TLargeintField(TComponent* owner);
  int DataSize() const override { return 8; }
  bool GetValue(std::int64_t& value) const;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  Variant AsVariant() const override;
  bool IsValidChar(char c) const override;

 protected:
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  int DefaultDisplayWidth() const override { return 15; }
};

// double storage. Currency makes the texts use the currency format.
// MinValue/MaxValue (both 0 = no limit) bound the values written.
class TFloatField : public TNumericField {
 public:
  explicit TFloatField(TComponent* owner);
  int DataSize() const override { return 8; }
  bool GetValue(double& value) const;
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool currency);
  // Significant digits of the general format (2..15).
  int Precision() const { return FPrecision; }
  void SetPrecision(int precision);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double value) { FMinValue = value; }
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double value) { FMaxValue = value; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TCurrency AsCurrency() const override;
  void SetAsCurrency(TCurrency value) override;
  Variant AsVariant() const override;
  bool IsValidChar(char c) const override;

 protected:
  TFloatField(TComponent* owner, TFieldType type);
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;

 private:
  bool FCurrency = false;
  int FPrecision = 15;
  double FMinValue = 0;
  double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* owner);
};

// TBcd storage. Size is the number of decimal places (0..32, default 4);
// values are handled as currency (four decimals).
class TBCDField : public TNumericField {
 public:
  explicit TBCDField(TComponent* owner);
  int DataSize() const override { return static_cast<int>(sizeof(TBcd)); }
  bool GetValue(TCurrency& value) const;
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool currency);
  int Precision() const { return FPrecision; }
  void SetPrecision(int precision) { FPrecision = precision; }
  TCurrency MinValue() const { return FMinValue; }
  void SetMinValue(TCurrency value) { FMinValue = value; }
  TCurrency MaxValue() const { return FMaxValue; }
  void SetMaxValue(TCurrency value) { FMaxValue = value; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int AsInteger() const override;
  void SetAsInteger(int value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TCurrency AsCurrency() const override;
  void SetAsCurrency(TCurrency value) override;
  TBcd AsBCD() const override;
  void SetAsBCD(const TBcd& value) override;
  Variant AsVariant() const override;
  bool IsValidChar(char c) const override;

 protected:
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  void CheckTypeSize(int size) const override;

 private:
  bool FCurrency = false;
  int FPrecision = 0;
  TCurrency FMinValue;
  TCurrency FMaxValue;
};

// int16 storage. DisplayValues is "<true text>;<false text>".
class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* owner);
  int DataSize() const override { return 2; }
  bool GetValue(bool& value) const;
  const std::string& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const std::string& values);
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
  Variant AsVariant() const override;

 protected:
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  int DefaultDisplayWidth() const override;

 private:
  std::string FDisplayValues;
  std::string FTrueText = "True";
  std::string FFalseText = "False";
};

// Dates and times; DisplayFormat is a FormatDateTime format.
class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* owner);
  int DataSize() const override { return 8; }
  bool GetValue(TDateTime& value) const;
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& format);
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime value) override;
  Variant AsVariant() const override;

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  int DefaultDisplayWidth() const override { return 18; }

 private:
  std::string FDisplayFormat;
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* owner);
  int DataSize() const override { return 4; }

 protected:
  int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* owner);
  int DataSize() const override { return 4; }

 protected:
  int DefaultDisplayWidth() const override { return 10; }
};

// Raw bytes; AsString gives them unchanged.
class TBinaryField : public TField {
 public:
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  Variant AsVariant() const override;

 protected:
  TBinaryField(TComponent* owner, TFieldType type, int defaultSize);
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  void CheckTypeSize(int size) const override;
  // The bytes and whether there is a value.
  virtual bool GetBytes(std::string& bytes) const = 0;
};

class TBytesField : public TBinaryField {
 public:
  explicit TBytesField(TComponent* owner);
  int DataSize() const override { return Size(); }

 protected:
  bool GetBytes(std::string& bytes) const override;
};

class TVarBytesField : public TBinaryField {
 public:
  explicit TVarBytesField(TComponent* owner);
  int DataSize() const override { return Size() + 2; }
  void SetAsString(const std::string& value) override;

 protected:
  bool GetBytes(std::string& bytes) const override;
};

// Blob data is reached through the dataset's blob streams. The display
// text names the blob type: "(Blob)" when null, "(BLOB)" otherwise.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* owner);
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType type);
  std::int64_t BlobSize() const;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  Variant AsVariant() const override;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  // The blob was written since the record was last posted or cancelled;
  // the dataset's blob streams set it, the dataset clears it.
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

 protected:
  TBlobField(TComponent* owner, TFieldType type);
  void GetText(std::string& text, bool displayText) const override;
  void SetVarValue(const Variant& value) override;
  void CheckTypeSize(int size) const override;

 private:
  bool FModified = false;
};

class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* owner);
};

class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* owner);
};
