#include "framework/core/storage/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/sysutils.h"

namespace {

[[noreturn]] void InvalidType(std::string_view name) {
  throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
}

[[noreturn]] void GetDataFailed(std::string_view name) {
  throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
}

[[noreturn]] void SetDataFailed(std::string_view name) {
  throw ERegistryException("Failed to set data for '" + std::string(name) + "'");
}

void AppendSegments(std::string& path, std::string_view key) {
  while (!key.empty()) {
    std::size_t slash = key.find('\\');
    std::string_view segment = key.substr(0, slash);
    if (!segment.empty()) {
      if (!path.empty()) path += '\\';
      path += segment;
    }
    if (slash == std::string_view::npos) break;
    key.remove_prefix(slash + 1);
  }
}

void FillList(TStrings& list, const std::vector<std::string>& names) {
  TStringsUpdateScope update(list);
  list.Clear();
  for (const auto& name : names) list.Add(name);
  update.Finish();
}

}  // namespace

// --- TRegistry ---------------------------------------------------------------

TRegistry::TRegistry() : FStore(TRegistryStore::DefaultPath()) {}

void TRegistry::SetRootKey(HKEY root) {
  if (root == FRootKey) return;
  FRootKey = root;
  CloseKey();
}

std::string TRegistry::ResolvePath(std::string_view key) const {
  bool absolute = !key.empty() && key.front() == '\\';
  std::string path = absolute || !FHasCurrentKey ? std::string() : FCurrentPath;
  AppendSegments(path, key);
  return path;
}

const TRegistryHive& TRegistry::Hive() { return StoreBacked() ? FStore.Read() : FEmptyHive; }

const TRegValue* TRegistry::FindValue(const std::string& path, std::string_view name) {
  return Hive().FindValue(path, name);
}

void TRegistry::PutValue(const std::string& path, std::string_view name, TRegValue value) {
  if (!TRegistryHive::FitsKeyPath(path) || !TRegistryHive::FitsValue(name, value)) SetDataFailed(name);
  // Layouts are saved value by value on every exit, mostly unchanged: such a
  // write costs neither the lock nor a rewrite (each rewrite waits for the
  // disk).
  if (const TRegValue* current = Hive().FindValue(path, name); current && *current == value) return;
  FStore.Modify([&](TRegistryHive& hive) {
    const TRegValue* old = hive.FindValue(path, name);
    if (old && *old == value) return false;
    hive.SetValue(path, name, std::move(value));
    return true;
  });
}

bool TRegistry::RemoveValue(const std::string& path, std::string_view name) {
  if (!FindValue(path, name)) return false;
  bool deleted = false;
  FStore.Modify([&](TRegistryHive& hive) { return deleted = hive.DeleteValue(path, name); });
  return deleted;
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  if (!StoreBacked()) return false;
  std::string path = ResolvePath(key);
  try {
    if (!Hive().KeyExists(path)) {
      if (!canCreate || !TRegistryHive::FitsKeyPath(path)) return false;
      FStore.Modify([&](TRegistryHive& hive) { return hive.CreateKey(path); });
    }
  } catch (const ERegistryException&) {
    return false;  // the documented way this call reports that it cannot read or create
  }
  FHasCurrentKey = true;
  FReadOnly = false;
  FCurrentPath = std::move(path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  if (!OpenKey(key, false)) return false;
  FReadOnly = true;
  return true;
}

void TRegistry::CloseKey() {
  FHasCurrentKey = false;
  FReadOnly = false;
  FCurrentPath.clear();
}

bool TRegistry::CreateKey(std::string_view key) {
  std::string path = ResolvePath(key);
  if (!StoreBacked() || !TRegistryHive::FitsKeyPath(path))
    throw ERegistryException("Failed to create key " + std::string(key));
  FStore.Modify([&](TRegistryHive& hive) { return hive.CreateKey(path); });
  return true;
}

bool TRegistry::DeleteKey(std::string_view key) {
  std::string path = ResolvePath(key);
  if (!StoreBacked() || path.empty() || !Hive().KeyExists(path)) return false;
  bool deleted = false;
  FStore.Modify([&](TRegistryHive& hive) { return deleted = hive.DeleteKey(path); });
  return deleted;
}

bool TRegistry::KeyExists(std::string_view key) {
  return StoreBacked() && Hive().KeyExists(ResolvePath(key));
}

bool TRegistry::StoreUnreadable() {
  if (!StoreBacked()) return false;
  FStore.Read();
  return FStore.Unreadable();
}

bool TRegistry::HasSubKeys() { return FHasCurrentKey && !Hive().SubKeyNames(FCurrentPath).empty(); }

void TRegistry::GetKeyNames(TStrings& list) {
  FillList(list, FHasCurrentKey ? Hive().SubKeyNames(FCurrentPath) : std::vector<std::string>());
}

void TRegistry::GetValueNames(TStrings& list) {
  FillList(list, FHasCurrentKey ? Hive().ValueNames(FCurrentPath) : std::vector<std::string>());
}

const TRegValue* TRegistry::CurrentValue(std::string_view name) {
  return FHasCurrentKey ? FindValue(FCurrentPath, name) : nullptr;
}

void TRegistry::CheckWritable(std::string_view name) const {
  if (!FHasCurrentKey || FReadOnly || !StoreBacked()) SetDataFailed(name);
}

bool TRegistry::ValueExists(std::string_view name) { return CurrentValue(name) != nullptr; }

bool TRegistry::DeleteValue(std::string_view name) {
  return FHasCurrentKey && !FReadOnly && RemoveValue(FCurrentPath, name);
}

bool TRegistry::GetDataInfo(std::string_view name, TRegDataInfo& info) {
  const TRegValue* value = CurrentValue(name);
  if (!value) {
    info = {};
    return false;
  }
  info.RegData = value->Type;
  switch (value->Type) {
    case rdString:
      info.DataSize = static_cast<int>(value->Data.size()) + 1;
      break;
    case rdInteger:
      info.DataSize = 4;
      break;
    default:
      info.DataSize = static_cast<int>(value->Data.size());
      break;
  }
  return true;
}

TRegDataType TRegistry::GetDataType(std::string_view name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

int TRegistry::GetDataSize(std::string_view name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

std::string TRegistry::ReadString(std::string_view name) {
  const TRegValue* value = CurrentValue(name);
  if (!value) return {};
  if (value->Type != rdString) InvalidType(name);
  return value->Data;
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  CheckWritable(name);
  PutValue(FCurrentPath, name, TRegValue::String(std::string(value)));
}

int TRegistry::ReadInteger(std::string_view name) {
  const TRegValue* value = CurrentValue(name);
  if (!value) GetDataFailed(name);
  if (value->Type != rdInteger) InvalidType(name);
  return value->Integer;
}

void TRegistry::WriteInteger(std::string_view name, int value) {
  CheckWritable(name);
  PutValue(FCurrentPath, name, TRegValue::Int(value));
}

std::uint64_t TRegistry::ReadEightBytes(std::string_view name) {
  const TRegValue* value = CurrentValue(name);
  if (!value) GetDataFailed(name);
  if (value->Type != rdBinary || value->Data.size() != 8) InvalidType(name);
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(value->Data[i]);
  return bits;
}

void TRegistry::WriteEightBytes(std::string_view name, std::uint64_t bits) {
  CheckWritable(name);
  std::string bytes(8, '\0');
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
  PutValue(FCurrentPath, name, TRegValue::Binary(std::move(bytes)));
}

double TRegistry::ReadFloat(std::string_view name) {
  std::uint64_t bits = ReadEightBytes(name);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void TRegistry::WriteFloat(std::string_view name, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteEightBytes(name, bits);
}

TCurrency TRegistry::ReadCurrency(std::string_view name) {
  return TCurrency{static_cast<std::int64_t>(ReadEightBytes(name))};
}

void TRegistry::WriteCurrency(std::string_view name, TCurrency value) {
  WriteEightBytes(name, static_cast<std::uint64_t>(value.Value));
}

TDateTime TRegistry::ReadDateTime(std::string_view name) { return ReadFloat(name); }

void TRegistry::WriteDateTime(std::string_view name, TDateTime value) { WriteFloat(name, value); }

int TRegistry::ReadBinaryData(std::string_view name, void* buffer, int bufSize) {
  const TRegValue* value = CurrentValue(name);
  if (!value) return 0;
  if (value->Type != rdBinary) InvalidType(name);
  int count = std::clamp(static_cast<int>(value->Data.size()), 0, std::max(bufSize, 0));
  if (count > 0) std::memcpy(buffer, value->Data.data(), static_cast<std::size_t>(count));
  return count;
}

void TRegistry::WriteBinaryData(std::string_view name, const void* buffer, int size) {
  CheckWritable(name);
  std::string bytes;
  if (size > 0) bytes.assign(static_cast<const char*>(buffer), static_cast<std::size_t>(size));
  PutValue(FCurrentPath, name, TRegValue::Binary(std::move(bytes)));
}

// --- TRegistryKeyScope -------------------------------------------------------

TRegistryKeyScope::TRegistryKeyScope(TRegistry& registry)
    : FRegistry(registry),
      FRootKey(registry.FRootKey),
      FHasCurrentKey(registry.FHasCurrentKey),
      FReadOnly(registry.FReadOnly),
      FCurrentPath(registry.FCurrentPath) {}

TRegistryKeyScope::~TRegistryKeyScope() {
  FRegistry.FRootKey = FRootKey;
  FRegistry.FHasCurrentKey = FHasCurrentKey;
  FRegistry.FReadOnly = FReadOnly;
  FRegistry.FCurrentPath = std::move(FCurrentPath);
}

// --- TRegistryUpdateScope ------------------------------------------------------

TRegistryUpdateScope::TRegistryUpdateScope(TRegistry& registry) : TRegistryUpdateScope(registry.FStore) {}

// --- TRegIniFile -------------------------------------------------------------

TRegIniFile::TRegIniFile(std::string_view fileName) : FFileName(fileName) { OpenKey(fileName, true); }

std::string TRegIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view defaultValue) {
  const TRegValue* value = FindValue(ResolvePath(section), ident);
  if (!value) return std::string(defaultValue);
  if (value->Type != rdString) InvalidType(ident);
  return value->Data;
}

void TRegIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  if (IsReadOnly() || !StoreBacked()) SetDataFailed(ident);
  PutValue(ResolvePath(section), ident, TRegValue::String(std::string(value)));
}

int TRegIniFile::ReadInteger(std::string_view section, std::string_view ident, int defaultValue) {
  std::string text = ReadString(section, ident, "");
  return text.empty() ? defaultValue : StrToIntDef(text, defaultValue);
}

void TRegIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TRegIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::ReadSection(std::string_view section, TStrings& list) {
  FillList(list, Hive().ValueNames(ResolvePath(section)));
}

void TRegIniFile::ReadSections(TStrings& list) { GetKeyNames(list); }

void TRegIniFile::ReadSectionValues(std::string_view section, TStrings& list) {
  std::string path = ResolvePath(section);
  const TRegistryHive& hive = Hive();
  std::vector<std::string> lines;
  for (const auto& name : hive.ValueNames(path)) {
    const TRegValue* value = hive.FindValue(path, name);
    if (value->Type != rdString) InvalidType(name);
    lines.push_back(name + '=' + value->Data);
  }
  FillList(list, lines);
}

void TRegIniFile::EraseSection(std::string_view section) { TRegistry::DeleteKey(section); }

void TRegIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  std::string path = ResolvePath(section);
  if (IsReadOnly() && FindValue(path, ident)) SetDataFailed(ident);
  RemoveValue(path, ident);
}

bool TRegIniFile::ValueExists(std::string_view section, std::string_view ident) {
  return FindValue(ResolvePath(section), ident) != nullptr;
}
