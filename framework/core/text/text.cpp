#include "framework/core/text/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

using Byte = unsigned char;

Byte B(char c) { return static_cast<Byte>(c); }

// Unicode of bytes 0x80..0xFF. 0x98 is the code page's one hole.
constexpr char16_t kHighHalf[128] = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',  // 80
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',  // 88
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',  // 90
    u'\uFFFD', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',  // 98
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',  // A0
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',  // A8
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',  // B0
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',  // B8
    u'\u0410', u'\u0411', u'\u0412', u'\u0413', u'\u0414', u'\u0415', u'\u0416', u'\u0417',  // C0
    u'\u0418', u'\u0419', u'\u041A', u'\u041B', u'\u041C', u'\u041D', u'\u041E', u'\u041F',  // C8
    u'\u0420', u'\u0421', u'\u0422', u'\u0423', u'\u0424', u'\u0425', u'\u0426', u'\u0427',  // D0
    u'\u0428', u'\u0429', u'\u042A', u'\u042B', u'\u042C', u'\u042D', u'\u042E', u'\u042F',  // D8
    u'\u0430', u'\u0431', u'\u0432', u'\u0433', u'\u0434', u'\u0435', u'\u0436', u'\u0437',  // E0
    u'\u0438', u'\u0439', u'\u043A', u'\u043B', u'\u043C', u'\u043D', u'\u043E', u'\u043F',  // E8
    u'\u0440', u'\u0441', u'\u0442', u'\u0443', u'\u0444', u'\u0445', u'\u0446', u'\u0447',  // F0
    u'\u0448', u'\u0449', u'\u044A', u'\u044B', u'\u044C', u'\u044D', u'\u044E', u'\u044F',  // F8
};

constexpr Byte kHole = 0x98;

// Upper- and lower-case forms of the Cyrillic letters outside А..я.
constexpr std::pair<Byte, Byte> kOtherCyrillicPairs[] = {
    {0x80, 0x90},  // Ђ ђ
    {0x81, 0x83},  // Ѓ ѓ
    {0x8A, 0x9A},  // Љ љ
    {0x8C, 0x9C},  // Њ њ
    {0x8D, 0x9D},  // Ќ ќ
    {0x8E, 0x9E},  // Ћ ћ
    {0x8F, 0x9F},  // Џ џ
    {0xA1, 0xA2},  // Ў ў
    {0xA3, 0xBC},  // Ј ј
    {0xA5, 0xB4},  // Ґ ґ
    {0xA8, 0xB8},  // Ё ё
    {0xAA, 0xBA},  // Є є
    {0xAF, 0xBF},  // Ї ї
    {0xB2, 0xB3},  // І і
    {0xBD, 0xBE},  // Ѕ ѕ
};

// Upper-case Cyrillic letters in alphabetical order. Ё shares the weight of
// Е and is told apart on the second level.
constexpr Byte kCyrillicOrder[] = {
    0xC0,                                            // А
    0xC1,                                            // Б
    0xC2,                                            // В
    0xC3, 0xA5, 0x81,                                // Г Ґ Ѓ
    0xC4, 0x80,                                      // Д Ђ
    0xC5, 0xAA,                                      // Е(Ё) Є
    0xC6,                                            // Ж
    0xC7, 0xBD,                                      // З Ѕ
    0xC8, 0xB2, 0xAF,                                // И І Ї
    0xC9, 0xA3,                                      // Й Ј
    0xCA, 0x8D,                                      // К Ќ
    0xCB, 0x8A,                                      // Л Љ
    0xCC,                                            // М
    0xCD, 0x8C,                                      // Н Њ
    0xCE, 0xCF, 0xD0, 0xD1,                          // О П Р С
    0xD2, 0x8E,                                      // Т Ћ
    0xD3, 0xA1,                                      // У Ў
    0xD4, 0xD5, 0xD6,                                // Ф Х Ц
    0xD7, 0x8F,                                      // Ч Џ
    0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,  // Ш Щ Ъ Ы Ь Э Ю Я
};

struct TTables {
  Byte Upper[256];
  Byte Lower[256];
  Byte Primary[256];    // letter level: equal for both cases, and for Е and Ё
  Byte Accent[256];     // 1 for Ё/ё
  Byte CaseLevel[256];  // 1 for upper-case letters
};

constexpr TTables MakeTables() {
  TTables t{};
  for (int i = 0; i < 256; ++i) {
    t.Upper[i] = t.Lower[i] = static_cast<Byte>(i);
  }
  auto pair = [&t](Byte upper, Byte lower) {
    t.Upper[lower] = upper;
    t.Lower[upper] = lower;
    t.CaseLevel[upper] = 1;
  };
  for (int i = 0; i < 26; ++i) pair(static_cast<Byte>('A' + i), static_cast<Byte>('a' + i));
  for (int i = 0; i < 32; ++i) pair(static_cast<Byte>(0xC0 + i), static_cast<Byte>(0xE0 + i));
  for (auto [upper, lower] : kOtherCyrillicPairs) pair(upper, lower);

  // Everything that is neither digit nor letter comes first, in code order.
  bool isLetterOrDigit[256] = {};
  for (int i = 0; i < 256; ++i) {
    isLetterOrDigit[i] = (i >= '0' && i <= '9') || t.Upper[i] != i || t.Lower[i] != i;
  }
  Byte weight = 1;
  for (int i = 0; i < 256; ++i) {
    if (!isLetterOrDigit[i]) t.Primary[i] = weight++;
  }
  for (int c = '0'; c <= '9'; ++c) t.Primary[c] = weight++;
  for (int c = 'A'; c <= 'Z'; ++c) {
    t.Primary[c] = t.Primary[c + 32] = weight++;
  }
  for (Byte upper : kCyrillicOrder) {
    t.Primary[upper] = t.Primary[t.Lower[upper]] = weight++;
  }
  t.Primary[0xA8] = t.Primary[0xB8] = t.Primary[0xC5];
  t.Accent[0xA8] = t.Accent[0xB8] = 1;
  return t;
}

constexpr TTables kTables = MakeTables();

int Sign(int v) { return (v > 0) - (v < 0); }

// The three-level comparison described in the header, in one pass.
int Collate(std::string_view a, std::string_view b, bool caseSensitive) {
  const std::size_t n = std::min(a.size(), b.size());
  int accent = 0;
  int caseDiff = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Byte x = B(a[i]);
    const Byte y = B(b[i]);
    if (x == y) continue;
    const Byte px = kTables.Primary[x];
    const Byte py = kTables.Primary[y];
    if (px != py) return px < py ? -1 : 1;
    if (accent == 0) accent = kTables.Accent[x] - kTables.Accent[y];
    if (caseDiff == 0) caseDiff = kTables.CaseLevel[x] - kTables.CaseLevel[y];
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  if (accent != 0) return Sign(accent);
  return caseSensitive ? Sign(caseDiff) : 0;
}

// Code points 0x80 and above that the code page holds, sorted, for the way
// back from Unicode.
struct TReverseEntry {
  char32_t Code;
  Byte Value;
};

const std::array<TReverseEntry, 127>& ReverseTable() {
  static const std::array<TReverseEntry, 127> table = [] {
    std::array<TReverseEntry, 127> t{};
    std::size_t n = 0;
    for (int i = 0; i < 128; ++i) {
      if (0x80 + i == kHole) continue;
      t[n++] = {kHighHalf[i], static_cast<Byte>(0x80 + i)};
    }
    std::sort(t.begin(), t.end(),
              [](const TReverseEntry& x, const TReverseEntry& y) { return x.Code < y.Code; });
    return t;
  }();
  return table;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 character at s[i]; advances i past it (or past the
// malformed part) and returns U+FFFD for a malformed sequence.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const Byte lead = B(s[i++]);
  if (lead < 0x80) return lead;
  int extra;
  char32_t c;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, c = lead & 0x07, min = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (B(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (B(s[i++]) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}

template <class Map>
std::string MapBytes(std::string_view s, Map map) {
  std::string r(s);
  for (char& c : r) c = map(c);
  return r;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsBlank(char c) { return B(c) <= ' '; }

}  // namespace

char32_t AnsiCharToUnicode(char c) {
  const Byte b = B(c);
  return b < 0x80 ? char32_t(b) : char32_t(kHighHalf[b - 0x80]);
}

char UnicodeToAnsiChar(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  if (c >= 0x410 && c <= 0x44F) return static_cast<char>(0xC0 + (c - 0x410));
  const auto& table = ReverseTable();
  auto it = std::lower_bound(table.begin(), table.end(), c,
                             [](const TReverseEntry& e, char32_t code) { return e.Code < code; });
  return (it != table.end() && it->Code == c) ? static_cast<char>(it->Value) : '?';
}

std::string AnsiToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (char c : s) AppendUtf8(out, AnsiCharToUnicode(c));
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = DecodeUtf8(utf8, i);
    out += c == 0xFFFD ? '?' : UnicodeToAnsiChar(c);
  }
  return out;
}

char AnsiUpperChar(char c) { return static_cast<char>(kTables.Upper[B(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(kTables.Lower[B(c)]); }
std::string AnsiUpperCase(std::string_view s) { return MapBytes(s, AnsiUpperChar); }
std::string AnsiLowerCase(std::string_view s) { return MapBytes(s, AnsiLowerChar); }
std::string UpperCase(std::string_view s) { return MapBytes(s, AsciiUpper); }
std::string LowerCase(std::string_view s) { return MapBytes(s, AsciiLower); }

int AnsiCompareStr(std::string_view a, std::string_view b) { return Collate(a, b, true); }
int AnsiCompareText(std::string_view a, std::string_view b) { return Collate(a, b, false); }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }
bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (kTables.Upper[B(a[i])] != kTables.Upper[B(b[i])]) return false;
  }
  return true;
}

// The levels of Collate written one after another. Letter weights are never
// 0, so the 0 after them puts a text before every longer one that starts
// with the same letters. A mark level is read only when everything before it
// is equal, and then both texts have the same length; its places are 1
// (unmarked) or 2, and dropping the trailing 1s keeps the order, since where
// one trimmed level stops the other has a 1 or 2 against a 0 or the end.
void AppendAnsiSortKey(std::string& out, std::string_view s, bool caseSensitive) {
  const std::size_t n = s.size();
  std::size_t accents = 0;  // places up to the last Ё
  std::size_t capitals = 0;  // places up to the last capital
  for (std::size_t i = 0; i < n; ++i) {
    const Byte c = B(s[i]);
    if (kTables.Accent[c]) accents = i + 1;
    if (kTables.CaseLevel[c]) capitals = i + 1;
  }
  if (!caseSensitive) capitals = 0;
  const std::size_t start = out.size();
  out.resize(start + n + 1 + accents + (caseSensitive ? 1 + capitals : 0));
  char* p = out.data() + start;
  for (std::size_t i = 0; i < n; ++i) *p++ = static_cast<char>(kTables.Primary[B(s[i])]);
  *p++ = 0;
  for (std::size_t i = 0; i < accents; ++i) *p++ = static_cast<char>(1 + kTables.Accent[B(s[i])]);
  if (!caseSensitive) return;
  *p++ = 0;
  for (std::size_t i = 0; i < capitals; ++i) *p++ = static_cast<char>(1 + kTables.CaseLevel[B(s[i])]);
}

std::string AnsiSortKeyStr(std::string_view s) {
  std::string key;
  AppendAnsiSortKey(key, s, true);
  return key;
}

std::string AnsiSortKeyText(std::string_view s) {
  std::string key;
  AppendAnsiSortKey(key, s, false);
  return key;
}

int CompareStr(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return int(B(a[i])) - int(B(b[i]));
  }
  return Sign(int(a.size() > b.size()) - int(a.size() < b.size()));
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = AsciiUpper(a[i]);
    const char y = AsciiUpper(b[i]);
    if (x != y) return int(B(x)) - int(B(y));
  }
  return Sign(int(a.size() > b.size()) - int(a.size() < b.size()));
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const std::size_t p = s.find(sub);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

// One byte is one character in this code page, so the search is the same.
int AnsiPos(std::string_view sub, std::string_view s) { return Pos(sub, s); }

std::string Copy(std::string_view s, int index1, int count) {
  if (count <= 0) return {};
  const std::size_t start = index1 < 1 ? 0 : static_cast<std::size_t>(index1) - 1;
  if (start >= s.size()) return {};
  return std::string(s.substr(start, static_cast<std::size_t>(count)));
}

std::string StringOfChar(char c, int count) {
  return count > 0 ? std::string(std::size_t(count), c) : std::string();
}

std::string StringReplace(std::string_view s, std::string_view old, std::string_view with,
                          TReplaceFlags flags) {
  if (old.empty()) return std::string(s);
  const bool ignoreCase = flags.Contains(TReplaceFlag::rfIgnoreCase);
  const bool all = flags.Contains(TReplaceFlag::rfReplaceAll);
  // Upper-casing keeps every byte in place, so positions found in the
  // folded text are positions in s.
  std::string foldedText, foldedOld;
  std::string_view text = s, pattern = old;
  if (ignoreCase) {
    foldedText = AnsiUpperCase(s);
    foldedOld = AnsiUpperCase(old);
    text = foldedText;
    pattern = foldedOld;
  }
  std::string out;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t p = text.find(pattern, from);
    if (p == std::string_view::npos) break;
    out.append(s.substr(from, p - from));
    out.append(with);
    from = p + pattern.size();
    if (!all) break;
  }
  out.append(s.substr(from));
  return out;
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out;
  out.reserve(s.size() + 2);
  out += quote;
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

std::string AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] != quote) {
      out += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == quote) {
      out += quote;
      ++i;
    } else {
      return out;  // the closing quote; anything after it is not part of the text
    }
  }
  return std::string(s);  // no closing quote: not a quoted text
}
