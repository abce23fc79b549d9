#include "framework/core/data/field_defs.h"

#include <algorithm>

#include "framework/core/data/dataset.h"
#include "framework/core/text/text.h"

TFieldDef::TFieldDef(TFieldDefs* owner, std::string name, TFieldType type, int size, bool required,
                     int fieldNo)
    : FOwner(owner),
      FName(std::move(name)),
      FDataType(type),
      FSize(size),
      FRequired(required),
      FFieldNo(fieldNo) {}

int TFieldDef::Index() const {
  for (int i = 0; i < FOwner->Count(); ++i)
    if (FOwner->Items(i) == this) return i;
  return -1;
}

TFieldClass TFieldDef::FieldClass() const {
  TDataSet* dataSet = FOwner->DataSet();
  return dataSet != nullptr ? dataSet->GetFieldClass(FDataType) : nullptr;
}

TField* TFieldDef::CreateField() {
  TDataSet* dataSet = FOwner->DataSet();
  const TFieldClass fieldClass = FieldClass();
  if (dataSet == nullptr || fieldClass == nullptr) {
    const std::string message = "Field '" + FName + "' is of an unknown type";
    if (dataSet != nullptr) dataSet->DatabaseError(message);
    throw EDatabaseError(message);
  }
  std::unique_ptr<TField> field = fieldClass();
  // Only the kinds that have a size take the definition's; the others
  // refuse any but 0.
  const bool sized = FDataType == ftString || FDataType == ftFixedChar || FDataType == ftWideString ||
                     FDataType == ftBCD || FDataType == ftFMTBcd || FDataType == ftBytes ||
                     FDataType == ftVarBytes || IsBlobFieldType(FDataType);
  if (sized) field->SetSize(FSize);
  field->SetFieldName(FName);
  field->SetRequired(FRequired);
  if (auto* bcd = dynamic_cast<TBCDField*>(field.get())) bcd->SetPrecision(FPrecision);
  TField* result = field.get();
  result->SetDataSet(dataSet);
  dataSet->FDefaultFieldStore.push_back(std::move(field));
  return result;
}

TFieldDef* TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<std::size_t>(index)].get();
}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  if (IndexOf(name) >= 0) {
    const std::string message = "Duplicate field name '" + name + "'";
    if (FDataSet != nullptr) FDataSet->DatabaseError(message);
    throw EDatabaseError(message);
  }
  FItems.push_back(std::make_unique<TFieldDef>(this, name, type, size, required, Count() + 1));
  return FItems.back().get();
}

void TFieldDefs::Clear() { FItems.clear(); }

int TFieldDefs::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(FItems[static_cast<std::size_t>(i)]->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : FItems[static_cast<std::size_t>(index)].get();
}

void TFieldDefs::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
}
