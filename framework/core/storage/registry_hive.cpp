#include "framework/core/storage/registry_hive.h"

#include <charconv>

#include "framework/core/text/text.h"

namespace {

constexpr std::string_view kHeader = "tulvo-registry 1";
constexpr char kHex[] = "0123456789ABCDEF";

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == 0x98 || c == '%' || c == '"' || c == '[' || c == ']';
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c < 0x80) {
      out += ch;
    } else {
      out += AnsiToUtf8(std::string_view(&ch, 1));
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  std::size_t run = 0;  // start of the pending run of UTF-8 text
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    out += Utf8ToAnsi(text.substr(run, i - run));
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
    run = i + 1;
  }
  out += Utf8ToAnsi(text.substr(run));
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

// Splits "a\b\c"; nullopt when a segment is empty or malformed.
std::optional<std::vector<std::string>> ParseKeyPath(std::string_view path) {
  std::vector<std::string> segments;
  if (path.empty()) return segments;
  for (;;) {
    std::size_t slash = path.find('\\');
    auto segment = Unescape(path.substr(0, slash));
    if (!segment || segment->empty()) return std::nullopt;
    segments.push_back(std::move(*segment));
    if (slash == std::string_view::npos) return segments;
    path.remove_prefix(slash + 1);
  }
}

bool IsChildOf(const std::string& folded, const std::string& parentPrefix) {
  return folded.size() > parentPrefix.size() && folded.compare(0, parentPrefix.size(), parentPrefix) == 0 &&
         folded.find('\\', parentPrefix.size()) == std::string::npos;
}

}  // namespace

TRegistryHive::TRegistryHive() { FKeys.emplace("", TKey{}); }

std::string TRegistryHive::Fold(std::string_view path) { return AnsiUpperCase(path); }

const TRegistryHive::TKey* TRegistryHive::Find(std::string_view path) const {
  auto it = FKeys.find(Fold(path));
  return it == FKeys.end() ? nullptr : &it->second;
}

TRegistryHive::TKey& TRegistryHive::Ensure(std::string_view path) {
  std::string folded = Fold(path);
  if (auto it = FKeys.find(folded); it != FKeys.end()) return it->second;
  std::size_t slash = path.rfind('\\');
  if (slash != std::string_view::npos) Ensure(path.substr(0, slash));
  TKey key;
  key.Name = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  return FKeys.emplace(std::move(folded), std::move(key)).first->second;
}

bool TRegistryHive::KeyExists(std::string_view path) const { return Find(path) != nullptr; }

bool TRegistryHive::CreateKey(std::string_view path) {
  if (KeyExists(path)) return false;
  Ensure(path);
  return true;
}

bool TRegistryHive::DeleteKey(std::string_view path) {
  if (path.empty()) return false;
  std::string folded = Fold(path);
  auto first = FKeys.find(folded);
  if (first == FKeys.end()) return false;
  FKeys.erase(first);
  // The descendants follow one another, though not always the key itself:
  // "A!" sorts between "A" and "A\B".
  std::string prefix = folded + '\\';
  auto begin = FKeys.lower_bound(prefix), end = begin;
  while (end != FKeys.end() && end->first.compare(0, prefix.size(), prefix) == 0) ++end;
  FKeys.erase(begin, end);
  return true;
}

std::vector<std::string> TRegistryHive::SubKeyNames(std::string_view path) const {
  std::vector<std::string> names;
  std::string folded = Fold(path);
  if (!FKeys.count(folded)) return names;
  std::string prefix = folded.empty() ? "" : folded + '\\';
  for (auto it = FKeys.lower_bound(prefix); it != FKeys.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (IsChildOf(it->first, prefix)) names.push_back(it->second.Name);
  }
  return names;
}

std::vector<std::string> TRegistryHive::ValueNames(std::string_view path) const {
  std::vector<std::string> names;
  if (const TKey* key = Find(path))
    for (const auto& [name, value] : key->Values) names.push_back(name);
  return names;
}

const TRegValue* TRegistryHive::FindValue(std::string_view path, std::string_view name) const {
  const TKey* key = Find(path);
  if (!key) return nullptr;
  for (const auto& [existing, value] : key->Values)
    if (AnsiSameText(existing, name)) return &value;
  return nullptr;
}

void TRegistryHive::SetValue(std::string_view path, std::string_view name, TRegValue value) {
  TKey& key = Ensure(path);
  for (auto& [existing, old] : key.Values) {
    if (AnsiSameText(existing, name)) {
      old = std::move(value);
      return;
    }
  }
  key.Values.emplace_back(std::string(name), std::move(value));
}

bool TRegistryHive::DeleteValue(std::string_view path, std::string_view name) {
  auto it = FKeys.find(Fold(path));
  if (it == FKeys.end()) return false;
  auto& values = it->second.Values;
  for (auto v = values.begin(); v != values.end(); ++v) {
    if (AnsiSameText(v->first, name)) {
      values.erase(v);
      return true;
    }
  }
  return false;
}

std::string TRegistryHive::DisplayPath(const std::string& folded) const {
  std::string display;
  for (std::size_t end = 0; end != std::string::npos;) {
    end = folded.find('\\', end + 1);
    const TKey& key = FKeys.at(folded.substr(0, end));
    if (!display.empty()) display += '\\';
    AppendEscaped(display, key.Name);
  }
  return display;
}

std::string TRegistryHive::Serialize() const {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [folded, key] : FKeys) {
    if (folded.empty() && key.Values.empty()) continue;
    out += '[';
    if (!folded.empty()) out += DisplayPath(folded);
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
        case rdInteger:
          out += " integer " + std::to_string(value.Integer);
          break;
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
  }
  return out;
}

std::optional<TRegistryHive> TRegistryHive::Parse(std::string_view text) {
  TRegistryHive hive;
  bool headerSeen = false;
  std::optional<std::string> current;  // the key that value lines belong to
  while (!text.empty()) {
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;

    if (!headerSeen) {
      if (line != kHeader) return std::nullopt;
      headerSeen = true;
    } else if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 2) return std::nullopt;
      auto segments = ParseKeyPath(line.substr(1, line.size() - 2));
      if (!segments) return std::nullopt;
      std::string path;
      for (const auto& segment : *segments) path += (path.empty() ? "" : "\\") + segment;
      hive.Ensure(path);
      current = std::move(path);
    } else if (line.front() == '"') {
      std::size_t close = line.find('"', 1);
      if (!current || close == std::string_view::npos) return std::nullopt;
      auto name = Unescape(line.substr(1, close - 1));
      std::string_view rest = line.substr(close + 1);
      if (!name || rest.empty() || rest.front() != ' ') return std::nullopt;
      rest.remove_prefix(1);
      std::size_t space = rest.find(' ');
      std::string_view type = rest.substr(0, space);
      std::string_view data = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
      auto value = ParseData(type, data);
      if (!value) return std::nullopt;
      hive.SetValue(*current, *name, std::move(*value));
    } else {
      return std::nullopt;
    }
  }
  return hive;
}
