#include "dbaccess/connection/reg_utils.h"

#include <algorithm>
#include <utility>

#include "framework/core/base/exceptions.h"
#include "framework/core/storage/registry.h"
#include "framework/core/storage/registry_store.h"
#include "framework/core/component/strings.h"

namespace {

void WriteOne(TRegistry& registry, const std::string& name, const Variant& value) {
  switch (value.VarType()) {
    case TVarType::SmallInt:
    case TVarType::Integer:
      registry.WriteInteger(name, value.AsInteger());
      break;
    case TVarType::Double:
      registry.WriteFloat(name, value.AsDouble());
      break;
    case TVarType::Currency:
      registry.WriteCurrency(name, value.AsCurrency());
      break;
    case TVarType::Date:
      registry.WriteDateTime(name, value.AsDateTime());
      break;
    case TVarType::Boolean:
      registry.WriteBool(name, value.AsBoolean());
      break;
    case TVarType::String:
      registry.WriteString(name, value.AsString());
      break;
    default:
      // No registry type stands for it.
      break;
  }
}

TRegReadValue ReadOne(TRegistry& registry, const std::string& name) {
  TRegReadValue result;
  try {
    switch (registry.GetDataType(name)) {
      case rdString: {
        std::string text = registry.ReadString(name);
        result.Found = !text.empty();
        result.Value = Variant(std::move(text));
        break;
      }
      case rdInteger:
        result.Value = Variant(registry.ReadInteger(name));
        result.Found = true;
        break;
      default:
        break;
    }
  } catch (const ERegistryException&) {
    // A value that cannot be read is as good as missing.
    result = TRegReadValue();
  }
  return result;
}

}  // namespace

void WriteRegValues(std::string_view keyPath, const std::vector<std::string>& names,
                    const std::vector<Variant>& values) {
  TRegistry registry;
  if (!registry.OpenKey(keyPath, true))
    throw ERegistryException("Failed to create key " + std::string(keyPath));
  // One locked rewrite of the store for the whole group, not one per value.
  TRegistryUpdateScope update(registry);
  const std::size_t count = std::min(names.size(), values.size());
  for (std::size_t i = 0; i < count; ++i) WriteOne(registry, names[i], values[i]);
  update.Commit();
}

std::optional<std::vector<TRegReadValue>> ReadRegValues(std::string_view keyPath,
                                                        const std::vector<std::string>& names) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(keyPath)) return std::nullopt;
  std::vector<TRegReadValue> values;
  values.reserve(names.size());
  for (const std::string& name : names) values.push_back(ReadOne(registry, name));
  return values;
}

std::vector<std::string> ListRegSubKeys(std::string_view keyPath) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(keyPath)) return {};
  TStringList names;
  registry.GetKeyNames(names);
  std::vector<std::string> result;
  result.reserve(static_cast<std::size_t>(names.Count()));
  for (int i = 0; i < names.Count(); ++i) result.push_back(names.Strings(i));
  return result;
}

std::string FindRegSubKeyByValue(std::string_view keyPath, std::string_view valueName,
                                 std::string_view value) {
  const std::string parent(keyPath);
  for (const std::string& subKey : ListRegSubKeys(keyPath)) {
    const auto values = ReadRegValues(parent + "\\" + subKey, {std::string(valueName)});
    if (!values) continue;
    const TRegReadValue& found = values->front();
    if (found.Found && found.Value.VarType() == TVarType::String && found.Value.AsString() == value)
      return subKey;
  }
  return {};
}
