#pragma once
// Registry access over the per-user registry store (registry_store.h).
//
// `TRegistry` works on one open key at a time, the current key, under a root
// key. Key paths use backslashes: a path beginning with "\" is absolute
// (from the root), any other is relative to the current key (or to the root
// when no key is open). Empty segments are ignored, so "\Software\Tulvo\"
// and "Software\\Tulvo" name the same key. Key and value names ignore case.
// Only HKEY_CURRENT_USER is backed by a store; under the other roots no key
// exists and none can be created.
//
// Values are typed: strings, 32-bit integers and binary data. Booleans are
// integers; floats, currencies and date-times are 8-byte binary values.
// Reading a value of another type raises ERegistryException "Invalid data
// type for 'Name'". Every write goes to the store at once, or, inside a
// TRegistryUpdateScope (registry_store.h), with the scope's group; a save
// of many values (a grid layout, the settings) belongs in such a scope, so
// that it costs one locked rewrite of the file, not one per value. A store
// that cannot be read or written raises ERegistryException, except in
// OpenKey, which answers false. Keys deeper than 512 levels, key names over
// 255 bytes, key paths over 4,096 bytes, value names over 16,383 bytes and
// data over 1 MiB are refused like any other write that fails.
//
// `TRegIniFile` is the same object seen as an ini file: sections are
// subkeys of the current key, and every value is a string (integers as
// decimal text, Booleans "1"/"0").
//
// Objects are used on one thread; several objects (in one program or many)
// may work on the same store at the same time.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/object.h"
#include "framework/core/storage/registry_hive.h"
#include "framework/core/storage/registry_store.h"
#include "framework/core/base/types.h"

class TStrings;

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  // Bytes: a string counts its terminating zero, an integer 4.
  int DataSize = 0;
};

class TRegistry : public TObject {
 public:
  // Root HKEY_CURRENT_USER, no current key, the store of
  // TRegistryStore::DefaultPath().
  TRegistry();

  HKEY RootKey() const { return FRootKey; }
  // Closes the current key when the root changes.
  void SetRootKey(HKEY root);

  // Makes key the current key. A missing key is created when canCreate is
  // set (false when that fails), else the result is false and the current
  // key stays as it was.
  bool OpenKey(std::string_view key, bool canCreate);
  // As OpenKey without creating; writing values of this key then raises.
  bool OpenKeyReadOnly(std::string_view key);
  void CloseKey();
  bool HasCurrentKey() const { return FHasCurrentKey; }
  // The current key's path without the leading backslash ("" for the root
  // or when no key is open).
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Raises ERegistryException "Failed to create key X" when it cannot.
  bool CreateKey(std::string_view key);
  // Whether the store file, as last read, could not be parsed: every key
  // then reads as missing, and the next write keeps the file aside.
  bool StoreUnreadable();
  // Where this process kept the unreadable store file aside ("" when it did
  // not): TRegistryStore::KeptAsidePath of this object's store.
  std::string KeptAsidePath() const { return TRegistryStore::KeptAsidePath(FStore.Path()); }
  // Deletes the key with all its subkeys and values; false when missing.
  bool DeleteKey(std::string_view key);
  bool KeyExists(std::string_view key);
  bool HasSubKeys();
  // Clear the list, then fill it with the current key's subkey names (in
  // name order) or value names (in creation order).
  void GetKeyNames(TStrings& list);
  void GetValueNames(TStrings& list);

  bool ValueExists(std::string_view name);
  bool DeleteValue(std::string_view name);
  // false when the value is missing.
  bool GetDataInfo(std::string_view name, TRegDataInfo& info);
  // rdUnknown when missing.
  TRegDataType GetDataType(std::string_view name);
  // -1 when missing.
  int GetDataSize(std::string_view name);

  // "" when missing.
  std::string ReadString(std::string_view name);
  void WriteString(std::string_view name, std::string_view value);
  // A missing value raises ERegistryException "Failed to get data for 'X'".
  int ReadInteger(std::string_view name);
  void WriteInteger(std::string_view name, int value);
  bool ReadBool(std::string_view name) { return ReadInteger(name) != 0; }
  void WriteBool(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }
  double ReadFloat(std::string_view name);
  void WriteFloat(std::string_view name, double value);
  TCurrency ReadCurrency(std::string_view name);
  void WriteCurrency(std::string_view name, TCurrency value);
  TDateTime ReadDateTime(std::string_view name);
  void WriteDateTime(std::string_view name, TDateTime value);
  // Copies at most bufSize bytes of a binary value into buffer and returns
  // the number copied; 0 when the value is missing.
  int ReadBinaryData(std::string_view name, void* buffer, int bufSize);
  void WriteBinaryData(std::string_view name, const void* buffer, int size);

 protected:
  // The normalised path of key, resolved against the current key.
  std::string ResolvePath(std::string_view key) const;
  bool StoreBacked() const { return FRootKey == HKEY_CURRENT_USER; }
  // The hive as the store holds it now (empty under other roots).
  const TRegistryHive& Hive();
  // The value at path, or nullptr.
  const TRegValue* FindValue(const std::string& path, std::string_view name);
  // Writes value under the key at path, creating the key when it is missing.
  void PutValue(const std::string& path, std::string_view name, TRegValue value);
  // Deletes the value at path; false when it is missing.
  bool RemoveValue(const std::string& path, std::string_view name);
  bool IsReadOnly() const { return FReadOnly; }

 private:
  friend class TRegistryKeyScope;
  friend class TRegistryUpdateScope;

  // The current key's value for reading: nullptr when missing or no key is open.
  const TRegValue* CurrentValue(std::string_view name);
  // Raises "Failed to set data for 'X'" when the current key cannot be written.
  void CheckWritable(std::string_view name) const;
  // The 8 bytes of a float, currency or date-time value.
  std::uint64_t ReadEightBytes(std::string_view name);
  void WriteEightBytes(std::string_view name, std::uint64_t bits);

  TRegistryStore FStore;
  TRegistryHive FEmptyHive;
  HKEY FRootKey = HKEY_CURRENT_USER;
  bool FHasCurrentKey = false;
  bool FReadOnly = false;
  std::string FCurrentPath;
};

// Remembers a registry object's root and current key, and restores them when
// it ends: for code that opens another key for a moment.
class TRegistryKeyScope {
 public:
  explicit TRegistryKeyScope(TRegistry& registry);
  ~TRegistryKeyScope();
  TRegistryKeyScope(const TRegistryKeyScope&) = delete;
  TRegistryKeyScope& operator=(const TRegistryKeyScope&) = delete;

 private:
  TRegistry& FRegistry;
  HKEY FRootKey;
  bool FHasCurrentKey;
  bool FReadOnly;
  std::string FCurrentPath;
};

// The registry as an ini file. The constructor opens (creating when missing)
// the key named by fileName; an empty name opens the root key. Sections are
// paths relative to the current key (or absolute with a leading "\").
class TRegIniFile : public TRegistry {
 public:
  explicit TRegIniFile(std::string_view fileName = {});

  const std::string& FileName() const { return FFileName; }

  using TRegistry::DeleteKey;
  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::ValueExists;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;

  // The string value ident of the section; defaultValue when the section or
  // the value is missing. A value of another type raises.
  std::string ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue);
  // Creates the section when it is missing.
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  // The string converted to an integer; defaultValue when it is missing,
  // empty or not a number.
  int ReadInteger(std::string_view section, std::string_view ident, int defaultValue);
  void WriteInteger(std::string_view section, std::string_view ident, int value);
  // The integer reading, non-zero = true.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue);
  void WriteBool(std::string_view section, std::string_view ident, bool value);

  // The section's value names / subkey names of the current key /
  // "name=value" lines of the section's string values. Each clears the list
  // first.
  void ReadSection(std::string_view section, TStrings& list);
  void ReadSections(TStrings& list);
  void ReadSectionValues(std::string_view section, TStrings& list);
  // Deletes the section's key with everything below it.
  void EraseSection(std::string_view section);
  // Deletes the value ident of the section.
  void DeleteKey(std::string_view section, std::string_view ident);
  bool SectionExists(std::string_view section) { return KeyExists(section); }
  bool ValueExists(std::string_view section, std::string_view ident);

  // The names the grids' storage facade uses for the operations above.
  std::string ReadTextValue(std::string_view section, std::string_view ident, std::string_view defaultValue) {
    return ReadString(section, ident, defaultValue);
  }
  void WriteTextValue(std::string_view section, std::string_view ident, std::string_view value) {
    WriteString(section, ident, value);
  }
  void ListSectionNames(TStrings& list) { ReadSections(list); }
  void RemoveSection(std::string_view section) { EraseSection(section); }

 private:
  std::string FFileName;
};
