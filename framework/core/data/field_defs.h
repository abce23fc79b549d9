#pragma once
// Field definitions: the columns a dataset's cursor delivers, as the
// dataset describes them when it opens (name, type, size, required). The
// dataset makes its default fields from them and binds persistent fields
// to them by name. `TFieldDefs` belongs to its dataset and owns its
// definitions; field numbers count from 1 in definition order.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/data/dataset_types.h"
#include "framework/core/data/fields.h"

class TFieldDefs;

class TFieldDef {
 public:
  TFieldDef(TFieldDefs* owner, std::string name, TFieldType type, int size, bool required, int fieldNo);
  TFieldDef(const TFieldDef&) = delete;
  TFieldDef& operator=(const TFieldDef&) = delete;

  TFieldDefs* Collection() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType type) { FDataType = type; }
  int Size() const { return FSize; }
  void SetSize(int size) { FSize = size; }
  bool Required() const { return FRequired; }
  void SetRequired(bool required) { FRequired = required; }
  int Precision() const { return FPrecision; }
  void SetPrecision(int precision) { FPrecision = precision; }
  int FieldNo() const { return FFieldNo; }
  int Index() const;

  // The class the dataset makes for this type (nullptr: none).
  TFieldClass FieldClass() const;
  // Makes the dataset's default field for this definition and attaches it;
  // raises EDatabaseError "Field '<name>' is of an unknown type" when the
  // dataset has no class for the type.
  TField* CreateField();

 private:
  TFieldDefs* FOwner;
  std::string FName;
  TFieldType FDataType;
  int FSize;
  bool FRequired;
  int FPrecision = 0;
  int FFieldNo;
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}
  TFieldDefs(const TFieldDefs&) = delete;
  TFieldDefs& operator=(const TFieldDefs&) = delete;

  TDataSet* DataSet() const { return FDataSet; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (<i>)".
  TFieldDef* Items(int index) const;
  TFieldDef* operator[](int index) const { return Items(index); }

  // Appends a definition numbered Count() + 1; a name already defined
  // (ignoring case) raises EDatabaseError "Duplicate field name '<name>'".
  TFieldDef* Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  void Clear();
  int IndexOf(std::string_view name) const;
  TFieldDef* Find(std::string_view name) const;  // nullptr when absent

  // A bracket around a batch of changes; UpdateCount() > 0 inside.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  std::vector<std::unique_ptr<TFieldDef>>::const_iterator begin() const { return FItems.begin(); }
  std::vector<std::unique_ptr<TFieldDef>>::const_iterator end() const { return FItems.end(); }

 private:
  TDataSet* FDataSet;
  std::vector<std::unique_ptr<TFieldDef>> FItems;
  int FUpdateCount = 0;
};
