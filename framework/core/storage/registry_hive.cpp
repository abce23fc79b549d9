#include "framework/core/storage/registry_hive.h"

#include <charconv>

#include "framework/core/text/text.h"

namespace {

constexpr std::string_view kHeader = "tulvo-registry 1";
constexpr char kHex[] = "0123456789ABCDEF";

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == 0x98 || c == '%' || c == '"' || c == '[' || c == ']';
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsPlain(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '%' && c != '"' && c != '[' && c != ']'; }

void AppendEscaped(std::string& out, std::string_view text) {
  // Names and data are mostly plain ASCII: copied by runs, not by bytes.
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && IsPlain(static_cast<unsigned char>(text[end]))) ++end;
    out.append(text, i, end - i);
    if (end == text.size()) return;
    auto c = static_cast<unsigned char>(text[end]);
    i = end + 1;
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      AppendUtf8(out, AnsiCharToUnicode(static_cast<char>(c)));
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Appends the Windows-1251 form of UTF-8 text. False when the text is not
// UTF-8 or names a character the code page lacks: read with replacement
// characters, two different names could become one and merge.
bool AppendAnsi(std::string& out, std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      std::size_t end = i + 1;
      while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) < 0x80) ++end;
      out.append(utf8.substr(i, end - i));
      i = end;
      continue;
    }
    // Every character of the code page lies below U+2200: two or three bytes.
    std::size_t extra;
    char32_t c, least;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, c = lead & 0x0F, least = 0x800;
    } else {
      return false;
    }
    if (utf8.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    char ansi = UnicodeToAnsiChar(c);
    if (c < least || ansi == '?') return false;  // c is above U+007F: never a real '?'
    out += ansi;
    i += extra + 1;
  }
  return true;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t run = 0;  // start of the pending run of UTF-8 text
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (!AppendAnsi(out, text.substr(run, i - run))) return std::nullopt;
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
    run = i + 1;
  }
  if (!AppendAnsi(out, text.substr(run))) return std::nullopt;
  return out;
}

std::optional<std::string> ParseHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::optional<TRegValue> ParseData(std::string_view type, std::string_view data) {
  if (type == "string") {
    if (data.size() < 2 || data.front() != '"' || data.back() != '"') return std::nullopt;
    data = data.substr(1, data.size() - 2);
    if (data.find('"') != std::string_view::npos) return std::nullopt;
    auto text = Unescape(data);
    if (!text) return std::nullopt;
    return TRegValue::String(std::move(*text));
  }
  if (type == "integer") {
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(data.data(), data.data() + data.size(), value);
    if (ec != std::errc() || end != data.data() + data.size() || data.empty()) return std::nullopt;
    return TRegValue::Int(value);
  }
  if (type == "binary") {
    auto bytes = ParseHex(data);
    if (!bytes) return std::nullopt;
    return TRegValue::Binary(std::move(*bytes));
  }
  return std::nullopt;
}

// Takes the next non-empty segment off the front of a key path; false when
// none is left.
bool NextSegment(std::string_view& path, std::string_view& segment) {
  while (!path.empty()) {
    std::size_t slash = path.find('\\');
    segment = path.substr(0, slash);
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    if (!segment.empty()) return true;
  }
  return false;
}

std::string Fold(std::string_view name) { return AnsiUpperCase(name); }

}  // namespace

TRegistryHive::TRegistryHive() : FKeys(1) {}

bool TRegistryHive::FitsKeyPath(std::string_view path) {
  std::size_t depth = 0, length = 0;
  for (std::string_view segment; NextSegment(path, segment);) {
    length += (depth == 0 ? 0 : 1) + segment.size();
    if (++depth > kMaxKeyDepth || segment.size() > kMaxKeyNameLength || length > kMaxKeyPathLength)
      return false;
  }
  return true;
}

bool TRegistryHive::FitsValue(std::string_view name, const TRegValue& value) {
  return name.size() <= kMaxValueNameLength && value.Data.size() <= kMaxDataSize;
}

std::size_t TRegistryHive::Find(std::string_view path) const {
  std::size_t key = 0;
  for (std::string_view segment; NextSegment(path, segment);) {
    const auto& subKeys = FKeys[key].SubKeys;
    auto it = subKeys.find(Fold(segment));
    if (it == subKeys.end()) return kNone;
    key = it->second;
  }
  return key;
}

std::size_t TRegistryHive::EnsureSubKey(std::size_t parent, std::string_view name) {
  std::string folded = Fold(name);
  if (auto it = FKeys[parent].SubKeys.find(folded); it != FKeys[parent].SubKeys.end()) return it->second;
  std::size_t key;
  if (FFree.empty()) {
    key = FKeys.size();
    FKeys.emplace_back();
  } else {
    key = FFree.back();
    FFree.pop_back();
  }
  FKeys[key].Name = std::string(name);
  FKeys[parent].SubKeys.emplace(std::move(folded), key);
  return key;
}

std::size_t TRegistryHive::Ensure(std::string_view path) {
  std::size_t key = 0;
  for (std::string_view segment; NextSegment(path, segment);) key = EnsureSubKey(key, segment);
  return key;
}

bool TRegistryHive::KeyExists(std::string_view path) const { return Find(path) != kNone; }

bool TRegistryHive::CreateKey(std::string_view path) {
  if (KeyExists(path)) return false;
  Ensure(path);
  return true;
}

bool TRegistryHive::DeleteKey(std::string_view path) {
  std::size_t parent = kNone, key = 0;
  std::string folded;
  for (std::string_view segment; NextSegment(path, segment);) {
    folded = Fold(segment);
    auto it = FKeys[key].SubKeys.find(folded);
    if (it == FKeys[key].SubKeys.end()) return false;
    parent = key;
    key = it->second;
  }
  if (parent == kNone) return false;  // the root
  FKeys[parent].SubKeys.erase(folded);
  std::vector<std::size_t> pending{key};
  while (!pending.empty()) {
    std::size_t next = pending.back();
    pending.pop_back();
    for (const auto& [name, sub] : FKeys[next].SubKeys) pending.push_back(sub);
    FKeys[next] = TKey();
    FFree.push_back(next);
  }
  return true;
}

std::vector<std::string> TRegistryHive::SubKeyNames(std::string_view path) const {
  std::vector<std::string> names;
  if (std::size_t key = Find(path); key != kNone)
    for (const auto& [folded, sub] : FKeys[key].SubKeys) names.push_back(FKeys[sub].Name);
  return names;
}

std::vector<std::string> TRegistryHive::ValueNames(std::string_view path) const {
  std::vector<std::string> names;
  if (std::size_t key = Find(path); key != kNone)
    for (const auto& [name, value] : FKeys[key].Values) names.push_back(name);
  return names;
}

std::size_t TRegistryHive::PositionIn(std::size_t key, std::string_view name) const {
  const TKey& k = FKeys[key];
  if (k.Values.size() < kIndexedFrom) {
    for (std::size_t i = 0; i < k.Values.size(); ++i)
      if (AnsiSameText(k.Values[i].first, name)) return i;
    return kNone;
  }
  auto it = k.ValueIndex.find(Fold(name));
  return it == k.ValueIndex.end() ? kNone : it->second;
}

const TRegValue* TRegistryHive::FindIn(std::size_t key, std::string_view name) const {
  std::size_t position = PositionIn(key, name);
  return position == kNone ? nullptr : &FKeys[key].Values[position].second;
}

void TRegistryHive::SetIn(std::size_t key, std::string_view name, TRegValue value) {
  std::size_t position = PositionIn(key, name);
  TKey& k = FKeys[key];
  if (position != kNone) {
    k.Values[position].second = std::move(value);
    return;
  }
  k.Values.emplace_back(std::string(name), std::move(value));
  if (k.Values.size() > kIndexedFrom) {
    k.ValueIndex.emplace(Fold(name), k.Values.size() - 1);
  } else if (k.Values.size() == kIndexedFrom) {
    for (std::size_t i = 0; i < k.Values.size(); ++i) k.ValueIndex.emplace(Fold(k.Values[i].first), i);
  }
}

const TRegValue* TRegistryHive::FindValue(std::string_view path, std::string_view name) const {
  std::size_t key = Find(path);
  return key == kNone ? nullptr : FindIn(key, name);
}

void TRegistryHive::SetValue(std::string_view path, std::string_view name, TRegValue value) {
  SetIn(Ensure(path), name, std::move(value));
}

bool TRegistryHive::DeleteValue(std::string_view path, std::string_view name) {
  std::size_t key = Find(path);
  std::size_t position = key == kNone ? kNone : PositionIn(key, name);
  if (position == kNone) return false;
  TKey& k = FKeys[key];
  k.Values.erase(k.Values.begin() + static_cast<std::ptrdiff_t>(position));
  k.ValueIndex.clear();
  if (k.Values.size() >= kIndexedFrom)
    for (std::size_t i = 0; i < k.Values.size(); ++i) k.ValueIndex.emplace(Fold(k.Values[i].first), i);
  return true;
}

std::string TRegistryHive::Serialize() const {
  std::string out;
  SerializeInto(out);
  return out;
}

void TRegistryHive::SerializeInto(std::string& out) const {
  out.assign(kHeader);
  out += '\n';
  auto appendKey = [&out](const TKey& key, std::string_view path) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [name, value] : key.Values) {
      out += '"';
      AppendEscaped(out, name);
      out += '"';
      switch (value.Type) {
        case rdString:
          out += " string \"";
          AppendEscaped(out, value.Data);
          out += '"';
          break;
        case rdInteger: {
          char digits[16];
          auto end = std::to_chars(digits, digits + sizeof digits, value.Integer).ptr;
          out += " integer ";
          out.append(digits, end);
          break;
        }
        case rdBinary:
        case rdUnknown:
          out += " binary ";
          for (char ch : value.Data) {
            auto c = static_cast<unsigned char>(ch);
            out += kHex[c >> 4];
            out += kHex[c & 15];
          }
          break;
      }
      out += '\n';
    }
  };
  if (!FKeys[0].Values.empty()) appendKey(FKeys[0], "");

  // Depth first, parents before their subkeys, each level in name order. The
  // path grows by a segment on the way down and is cut back on the way up.
  struct TLevel {
    std::map<std::string, std::size_t>::const_iterator Next, End;
    std::size_t PathLength;  // of the path of the key whose subkeys these are
  };
  std::string path;
  std::vector<TLevel> levels{{FKeys[0].SubKeys.begin(), FKeys[0].SubKeys.end(), 0}};
  while (!levels.empty()) {
    TLevel& level = levels.back();
    if (level.Next == level.End) {
      levels.pop_back();
      continue;
    }
    const TKey& key = FKeys[(level.Next++)->second];
    path.resize(level.PathLength);
    if (!path.empty()) path += '\\';
    AppendEscaped(path, key.Name);
    // A key without values is implied by its subkeys' lines: listing every
    // ancestor with its whole path made a chain of n keys cost n * n / 2.
    if (!key.Values.empty() || key.SubKeys.empty()) appendKey(key, path);
    levels.push_back({key.SubKeys.begin(), key.SubKeys.end(), path.size()});
  }
}

std::optional<TRegistryHive> TRegistryHive::Parse(std::string_view text) {
  TRegistryHive hive;
  bool headerSeen = false;
  std::size_t current = kNone;  // the key that value lines belong to
  while (!text.empty()) {
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.size() > kMaxLineLength) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;

    if (!headerSeen) {
      if (line != kHeader) return std::nullopt;
      headerSeen = true;
    } else if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 2) return std::nullopt;
      std::string_view path = line.substr(1, line.size() - 2);
      std::size_t key = 0, depth = 0, length = 0;
      while (!path.empty()) {
        std::size_t slash = path.find('\\');
        auto segment = Unescape(path.substr(0, slash));
        if (!segment || segment->empty() || segment->find('\\') != std::string::npos) return std::nullopt;
        // A writer never makes such a key; a file that holds one was not
        // written by us and is not taken.
        length += (depth == 0 ? 0 : 1) + segment->size();
        if (++depth > kMaxKeyDepth || segment->size() > kMaxKeyNameLength || length > kMaxKeyPathLength)
          return std::nullopt;
        key = hive.EnsureSubKey(key, *segment);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
        if (path.empty()) return std::nullopt;  // a trailing backslash
      }
      current = key;
    } else if (line.front() == '"') {
      std::size_t close = line.find('"', 1);
      if (current == kNone || close == std::string_view::npos) return std::nullopt;
      auto name = Unescape(line.substr(1, close - 1));
      std::string_view rest = line.substr(close + 1);
      if (!name || rest.empty() || rest.front() != ' ') return std::nullopt;
      rest.remove_prefix(1);
      std::size_t space = rest.find(' ');
      std::string_view type = rest.substr(0, space);
      std::string_view data = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
      auto value = ParseData(type, data);
      if (!value || !FitsValue(*name, *value)) return std::nullopt;
      hive.SetIn(current, *name, std::move(*value));
    } else {
      return std::nullopt;
    }
  }
  return hive;
}
