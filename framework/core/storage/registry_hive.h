#pragma once
// The content of one registry hive in memory, and its text form.
//
// Keys are named by paths: non-empty segments joined by "\" ("Software\Tulvo");
// "" is the hive's root key, which always exists. Key and value names compare
// ignoring case (Windows-1251 rules) and keep the case they were created with.
// Subkeys are listed in name order, values in the order they were created.
// Callers (TRegistry) pass paths already split and joined; the hive does not
// interpret a leading backslash.
//
// The text form (what `Serialize` writes and `Parse` reads), line by line:
//   tulvo-registry 1                 first line, the format's name and version
//   [Software\Tulvo\Placement]       a key; every key is listed, parents first
//   "Left" string "120"              a value of the key above: name, type, data
//   "Count" integer -5               32-bit signed decimal
//   "Filter" binary 0A1BFF           bytes in hexadecimal (nothing when empty)
// Blank lines and lines starting with "#" are ignored; "\r\n" line ends are
// accepted. Names, key segments and string data are Windows-1251 text written
// as UTF-8, except that control characters, byte 0x98 (no character in the
// code page) and the four characters % " [ ] are written as "%" and two
// hexadecimal digits of the byte. So every byte string survives the round
// trip, and the file reads as ordinary Cyrillic text in an editor.
// An empty file is an empty hive; anything else that does not follow this
// form makes `Parse` fail as a whole.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum TRegDataType { rdUnknown, rdString, rdInteger, rdBinary };

struct TRegValue {
  TRegDataType Type = rdUnknown;
  // The text of a string value, the bytes of a binary value.
  std::string Data;
  std::int32_t Integer = 0;

  static TRegValue String(std::string text) { return {rdString, std::move(text), 0}; }
  static TRegValue Int(std::int32_t value) { return {rdInteger, {}, value}; }
  static TRegValue Binary(std::string bytes) { return {rdBinary, std::move(bytes), 0}; }
  friend bool operator==(const TRegValue&, const TRegValue&) = default;
};

class TRegistryHive {
 public:
  TRegistryHive();

  bool KeyExists(std::string_view path) const;
  // Creates the key and every missing parent. Returns true when anything
  // was created.
  bool CreateKey(std::string_view path);
  // Deletes the key with its subkeys and values; false when it is missing.
  // The root key cannot be deleted.
  bool DeleteKey(std::string_view path);

  // Names of the direct subkeys, in name order; empty for a missing key.
  std::vector<std::string> SubKeyNames(std::string_view path) const;
  std::vector<std::string> ValueNames(std::string_view path) const;

  // nullptr when the key or the value is missing.
  const TRegValue* FindValue(std::string_view path, std::string_view name) const;
  // Sets the value, creating the key when it is missing.
  void SetValue(std::string_view path, std::string_view name, TRegValue value);
  bool DeleteValue(std::string_view path, std::string_view name);

  std::string Serialize() const;
  // nullopt when the text does not follow the form described above.
  static std::optional<TRegistryHive> Parse(std::string_view text);

 private:
  struct TKey {
    std::string Name;  // the last segment, as created
    std::vector<std::pair<std::string, TRegValue>> Values;
  };

  // The map key of a path: its case-folded form.
  static std::string Fold(std::string_view path);
  const TKey* Find(std::string_view path) const;
  TKey& Ensure(std::string_view path);
  std::string DisplayPath(const std::string& folded) const;

  // By folded path, so the descendants of a key (the paths that begin with
  // its path and a backslash) form one run.
  std::map<std::string, TKey> FKeys;
};
