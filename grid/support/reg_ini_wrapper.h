#pragma once
// TdxRegIniWrapper: the one door through which the grids read and write
// their stored layouts, whatever holds them: the registry (a `TRegIniFile`,
// where every text, integer and Boolean is a string value in a subkey per
// section) or an ini file (a `TMemIniFile` or `TIniFile`). Binary values
// exist only in the registry; on an ini file they read as nothing and are
// not written.
//
// The wrapper does not own the storage object; whoever made both keeps the
// storage alive as long as the wrapper. Registry paths are relative to the
// storage object's current key, which the caller opens first.

#include <string>
#include <string_view>

#include "framework/core/base/object.h"

class TRegIniFile;
class TCustomIniFile;
class TStrings;

class TdxRegIniWrapper : public TObject {
 public:
  explicit TdxRegIniWrapper(TRegIniFile& registry) : FRegistry(&registry) {}
  explicit TdxRegIniWrapper(TCustomIniFile& iniFile) : FIniFile(&iniFile) {}

  std::string ReadTextValue(std::string_view section, std::string_view ident, std::string_view defaultValue);
  void WriteTextValue(std::string_view section, std::string_view ident, std::string_view value);
  // defaultValue when missing or not a number.
  int ReadIntegerValue(std::string_view section, std::string_view ident, int defaultValue);
  void WriteIntegerValue(std::string_view section, std::string_view ident, int value);
  // The integer reading, non-zero = true; defaultValue when missing or not
  // a number. Written as "1" or "0".
  bool ReadBooleanValue(std::string_view section, std::string_view ident, bool defaultValue);
  void WriteBooleanValue(std::string_view section, std::string_view ident, bool value);

  // Clears list, then fills it with the section names (the subkeys of the
  // current key in the registry).
  void ReadSections(TStrings& list);
  // Erases the section with everything below it.
  void EraseSection(std::string_view section);
  // Ini files only: erases every section whose name begins with prefix
  // (case-sensitively). The registry is left as it is.
  void EraseSectionsWithPrefix(std::string_view prefix);

  // Registry only: the binary value name of the subkey key, read into
  // buffer (at most size bytes); the number of bytes read. With size 0 or
  // less, or no buffer, nothing is read and the value's size is returned.
  // 0 when the key or value is missing, and always on an ini file.
  int ReadBinaryValue(std::string_view key, std::string_view name, void* buffer, int size);
  // Registry only: writes size bytes of buffer as the binary value name of
  // the subkey key, creating the key when missing. Nothing on an ini file.
  void WriteBinaryValue(std::string_view key, std::string_view name, const void* buffer, int size);
  // Registry only: removes the value name of the subkey key when it is
  // there. Nothing on an ini file.
  void DeleteBinaryValue(std::string_view key, std::string_view name);

 private:
  // Exactly one of the two is set.
  TRegIniFile* FRegistry = nullptr;
  TCustomIniFile* FIniFile = nullptr;
};
