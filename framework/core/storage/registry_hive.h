#pragma once
// The content of one registry hive in memory, and its text form.
//
// Keys are named by paths: non-empty segments joined by "\" ("Software\Tulvo");
// "" is the hive's root key, which always exists. Key and value names compare
// ignoring case (Windows-1251 rules) and keep the case they were created with.
// Subkeys are listed in name order, values in the order they were created.
// Callers (TRegistry) pass paths already split and joined; the hive does not
// interpret a leading backslash, and skips empty segments.
//
// The text form (what `Serialize` writes and `Parse` reads), line by line:
//   tulvo-registry 1                 first line, the format's name and version
//   [Software\Tulvo\Placement]       a key; parents before their subkeys
//   "Left" string "120"              a value of the key above: name, type, data
//   "Count" integer -5               32-bit signed decimal
//   "Filter" binary 0A1BFF           bytes in hexadecimal (nothing when empty)
// A key line creates the key's missing parents, so the writer lists only
// keys that hold values or have no subkeys: the file grows with what it
// holds, not with the square of its keys' depth. Blank lines and lines
// starting with "#" are ignored; "\r\n" line ends are
// accepted. Names, key segments and string data are Windows-1251 text written
// as UTF-8, except that control characters, byte 0x98 (no character in the
// code page) and the four characters % " [ ] are written as "%" and two
// hexadecimal digits of the byte. So every byte string survives the round
// trip, and the file reads as ordinary Cyrillic text in an editor.
// An empty file is an empty hive; anything else that does not follow this
// form makes `Parse` fail as a whole: text that is not UTF-8 or names a
// character the code page lacks (a file saved in another encoding), a key
// segment holding a backslash, a line longer than kMaxLineLength, or a key
// or value beyond what writers may store (`FitsKeyPath`, `FitsValue`). Reading never guesses, so a file it cannot take
// whole is never written back changed.
//
// Keys form a tree held in one vector, walked without recursion, so neither
// a deep key nor a damaged file can exhaust the stack, and memory grows with
// the number of keys, not with the square of their depth.

#include <cstddef>
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
  // No line of a file is longer.
  static constexpr std::size_t kMaxLineLength = std::size_t{4} << 20;
  // What writers keep within (`FitsKeyPath`, `FitsValue`), and the reader
  // too, so that every line they cause stays below kMaxLineLength even with
  // every byte escaped.
  static constexpr std::size_t kMaxKeyDepth = 512;
  static constexpr std::size_t kMaxKeyNameLength = 255;
  static constexpr std::size_t kMaxKeyPathLength = 4096;
  static constexpr std::size_t kMaxValueNameLength = 16383;
  static constexpr std::size_t kMaxDataSize = std::size_t{1} << 20;

  TRegistryHive();

  // Whether a key at path may be created: at most kMaxKeyDepth segments of at
  // most kMaxKeyNameLength bytes each, kMaxKeyPathLength bytes in all.
  static bool FitsKeyPath(std::string_view path);
  // Whether a value of that name and content may be written.
  static bool FitsValue(std::string_view name, const TRegValue& value);

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
  // The same into out, whose buffer is reused (a store rewritten again and
  // again keeps one buffer of its size).
  void SerializeInto(std::string& out) const;
  // nullopt when the text does not follow the form described above.
  static std::optional<TRegistryHive> Parse(std::string_view text);

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // A key with fewer values than this finds them by looking at each: that
  // is faster than an index for the handful a key usually holds.
  static constexpr std::size_t kIndexedFrom = 16;

  struct TKey {
    std::string Name;  // the last segment, as created
    // Subkeys by folded name, so in name order.
    std::map<std::string, std::size_t> SubKeys;
    std::vector<std::pair<std::string, TRegValue>> Values;
    // Positions in Values by folded name, once there are kIndexedFrom values.
    std::map<std::string, std::size_t> ValueIndex;
  };

  std::size_t Find(std::string_view path) const;
  std::size_t Ensure(std::string_view path);
  std::size_t EnsureSubKey(std::size_t parent, std::string_view name);
  // The position of the value in the key's Values, or kNone.
  std::size_t PositionIn(std::size_t key, std::string_view name) const;
  const TRegValue* FindIn(std::size_t key, std::string_view name) const;
  void SetIn(std::size_t key, std::string_view name, TRegValue value);

  // FKeys[0] is the root; the slots of deleted keys wait in FFree for reuse.
  std::vector<TKey> FKeys;
  std::vector<std::size_t> FFree;
};
