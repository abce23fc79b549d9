#include "grid/support/reg_ini_wrapper.h"

#include <memory>

#include "framework/core/base/exceptions.h"
#include "framework/core/storage/ini_files.h"
#include "framework/core/storage/registry.h"
#include "framework/core/component/strings.h"

std::string TdxRegIniWrapper::ReadTextValue(std::string_view section, std::string_view ident,
                                            std::string_view defaultValue) {
  if (FRegistry) return FRegistry->ReadTextValue(section, ident, defaultValue);
  return FIniFile->ReadString(section, ident, defaultValue);
}

void TdxRegIniWrapper::WriteTextValue(std::string_view section, std::string_view ident,
                                      std::string_view value) {
  if (FRegistry)
    FRegistry->WriteTextValue(section, ident, value);
  else
    FIniFile->WriteString(section, ident, value);
}

int TdxRegIniWrapper::ReadIntegerValue(std::string_view section, std::string_view ident, int defaultValue) {
  if (FRegistry) return FRegistry->ReadInteger(section, ident, defaultValue);
  return FIniFile->ReadInteger(section, ident, defaultValue);
}

void TdxRegIniWrapper::WriteIntegerValue(std::string_view section, std::string_view ident, int value) {
  if (FRegistry)
    FRegistry->WriteInteger(section, ident, value);
  else
    FIniFile->WriteInteger(section, ident, value);
}

bool TdxRegIniWrapper::ReadBooleanValue(std::string_view section, std::string_view ident, bool defaultValue) {
  if (FRegistry) return FRegistry->ReadBool(section, ident, defaultValue);
  return FIniFile->ReadBool(section, ident, defaultValue);
}

void TdxRegIniWrapper::WriteBooleanValue(std::string_view section, std::string_view ident, bool value) {
  if (FRegistry)
    FRegistry->WriteBool(section, ident, value);
  else
    FIniFile->WriteBool(section, ident, value);
}

void TdxRegIniWrapper::ReadSections(TStrings& list) {
  if (FRegistry)
    FRegistry->ListSectionNames(list);
  else
    FIniFile->ReadSections(list);
}

void TdxRegIniWrapper::EraseSection(std::string_view section) {
  if (FRegistry)
    FRegistry->RemoveSection(section);
  else
    FIniFile->EraseSection(section);
}

void TdxRegIniWrapper::EraseSectionsWithPrefix(std::string_view prefix) {
  if (!FIniFile) return;
  TStringList sections;
  FIniFile->ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string name = sections.Strings(i);
    if (std::string_view(name).starts_with(prefix)) FIniFile->EraseSection(name);
  }
}

int TdxRegIniWrapper::ReadBinaryValue(std::string_view key, std::string_view name, void* buffer, int size) {
  if (!FRegistry) return 0;
  TRegistryKeyScope restore(*FRegistry);
  if (!FRegistry->OpenKey(key, false)) return 0;
  if (!FRegistry->ValueExists(name)) return 0;
  if (size <= 0 || !buffer) return FRegistry->GetDataSize(name);
  return FRegistry->ReadBinaryData(name, buffer, size);
}

void TdxRegIniWrapper::WriteBinaryValue(std::string_view key, std::string_view name, const void* buffer,
                                        int size) {
  if (!FRegistry) return;
  // Fewer bytes than claimed would be read past the caller's buffer.
  if (size > 0 && !buffer) throw EInvalidPointer("Invalid pointer operation");
  TRegistryKeyScope restore(*FRegistry);
  if (!FRegistry->OpenKey(key, true)) throw ERegistryException("Failed to create key " + std::string(key));
  FRegistry->WriteBinaryData(name, buffer, size);
}

void TdxRegIniWrapper::DeleteBinaryValue(std::string_view key, std::string_view name) {
  if (!FRegistry) return;
  TRegistryKeyScope restore(*FRegistry);
  if (!FRegistry->OpenKey(key, false) || !FRegistry->ValueExists(name)) return;
  FRegistry->DeleteValue(name);
}
