// The parameter collection of the provider group, and the answers of
// TDataSet's provider group for a dataset that knows no SQL.

#include "framework/core/data/provider.h"

#include "framework/core/data/dataset.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

// ---- TParams ----------------------------------------------------------------------------

TParam& TParams::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return *FItems[static_cast<std::size_t>(index)];
}

TParam* TParams::FindParam(std::string_view name) const {
  for (const auto& item : FItems)
    if (AnsiSameText(item->Name(), name)) return item.get();
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) const {
  if (TParam* param = FindParam(name)) return *param;
  throw EDatabaseError(Format("Parameter '%s' not found", name));
}

TParam& TParams::CreateParam(TFieldType dataType, std::string name, TParamType paramType) {
  FItems.push_back(std::make_unique<TParam>(std::move(name), dataType, paramType));
  return *FItems.back();
}

void TParams::Assign(const TParams& other) {
  std::vector<std::unique_ptr<TParam>> items;
  items.reserve(other.FItems.size());
  for (const auto& item : other.FItems) items.push_back(std::make_unique<TParam>(*item));
  FItems = std::move(items);
}

// ---- TDataSet's provider group -------------------------------------------------------------

int TDataSet::PSExecuteStatement(const std::string&, const TParams*, std::unique_ptr<TDataSet>*) {
  DatabaseError("The dataset cannot execute statements");
}

void TDataSet::PSExecute() { DatabaseError("The dataset cannot execute statements"); }

std::string TDataSet::PSGetKeyFields() {
  std::string names;
  for (TField* field : Fields()) {
    if (!field->ProviderFlags().Contains(pfInKey)) continue;
    if (!names.empty()) names += ';';
    names += field->FieldName();
  }
  return names;
}

std::unique_ptr<EUpdateError> TDataSet::PSGetUpdateException(const Exception& error,
                                                             const EUpdateError* previous) {
  if (const auto* update = dynamic_cast<const EUpdateError*>(&error)) return std::make_unique<EUpdateError>(*update);
  return std::make_unique<EUpdateError>(error.Message(), std::string(),
                                        0, previous != nullptr ? previous->ErrorCode() : 0);
}
