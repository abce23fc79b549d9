#include "dbaccess/util/helpers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "framework/core/component/component.h"
#include "framework/core/text/datetime.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"

namespace {

// Bytes are compared as unsigned: Cyrillic letters (above 127) are never
// "control characters".
bool IsBlankChar(char c) { return static_cast<unsigned char>(c) < 33; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
char AsciiUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

int FoundPos(std::size_t p) { return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1; }

bool Contains(std::string_view chars, char c) { return chars.find(c) != std::string_view::npos; }

}  // namespace

// ---- Trimming and case --------------------------------------------------------

bool IsBlankText(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlankChar); }

void TrimRightInPlace(std::string& s) {
  while (!s.empty() && IsBlankChar(s.back())) s.pop_back();
}

void TrimInPlace(std::string& s) {
  TrimRightInPlace(s);
  auto first = std::find_if_not(s.begin(), s.end(), IsBlankChar);
  s.erase(s.begin(), first);
}

void TrimBounds(std::string_view s, int& first, int& last) {
  const int length = static_cast<int>(s.size());
  first = 1;
  while (first <= length && IsBlankChar(s[first - 1])) ++first;
  last = length;
  while (last >= first && IsBlankChar(s[last - 1])) --last;
}

std::size_t TrimmedCLength(const char* p) {
  if (!p) return 0;
  std::size_t length = std::strlen(p);
  while (length > 0 && IsBlankChar(p[length - 1])) --length;
  return length;
}

std::string AsciiUpper(std::string_view s) {
  std::string result(s);
  for (char& c : result) c = AsciiUpperChar(c);
  return result;
}

void AsciiLowerInPlace(std::string& s) {
  for (char& c : s) c = AsciiLowerChar(c);
}

// ---- Pieces -------------------------------------------------------------------

void CopyInto(std::string_view src, std::string& dst, int start, int count) {
  if (start < 1) start = 1;
  const int length = static_cast<int>(src.size());
  if (start > length || count <= 0) {
    dst.clear();
    return;
  }
  count = std::min(count, length - start + 1);
  dst.assign(src.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

std::string ValueAfterEquals(std::string_view s) {
  const std::size_t p = s.find('=');
  return p == std::string_view::npos ? std::string() : std::string(s.substr(p + 1));
}

void SplitNameValue(std::string_view s, std::string& name, std::string& value) {
  const std::size_t p = s.find('=');
  if (p == std::string_view::npos) {
    name.assign(s);
    value.clear();
  } else {
    name.assign(s.substr(0, p));
    value.assign(s.substr(p + 1));
  }
}

std::string IfThen(bool flag, std::string_view a, std::string_view b) { return std::string(flag ? a : b); }

// ---- Comparing ----------------------------------------------------------------

bool SameWord(bool ignoreCase, std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return ignoreCase ? AnsiSameText(a, b) : a == b;
}

bool SameTextAscii(std::string_view a, std::string_view b, bool exact) {
  if (exact) return a == b;
  if (a.size() != b.size()) return false;
  // Only letters have a case: "0" and "P", or "@" and "`", are 32 apart too
  // but are different characters.
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (!IsAsciiLetter(a[i]) || AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

bool IsInWordList(std::string_view s, std::span<const std::string_view> list) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

bool IsInWordList(std::string_view s, std::initializer_list<std::string_view> list) {
  return IsInWordList(s, std::span<const std::string_view>(list.begin(), list.size()));
}

// ---- Searching ----------------------------------------------------------------

int PosNoCase(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  return FoundPos(AnsiUpperCase(s).find(AnsiUpperCase(sub)));
}

int PosFrom(std::string_view sub, std::string_view s, int from) {
  return PosEx(sub, s, from, static_cast<int>(s.size()));
}

int PosEx(std::string_view sub, std::string_view s, int from, int count) {
  if (sub.empty() || count <= 0) return 0;
  if (from < 1) from = 1;
  if (from > static_cast<int>(s.size())) return 0;
  const std::string_view window =
      s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
  const std::size_t p = window.find(sub);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + from;
}

int PosWholeWord(std::string_view word, std::string_view s, std::string_view before, std::string_view after) {
  if (word.empty()) return 0;
  const std::string w = AnsiUpperCase(word);
  const std::string text = AnsiUpperCase(s);
  for (std::size_t p = text.find(w); p != std::string::npos; p = text.find(w, p + 1)) {
    const std::size_t end = p + w.size();
    const bool startOk = p == 0 || Contains(before, text[p - 1]);
    const bool endOk = end == text.size() || Contains(after, text[end]);
    if (startOk && endOk) return static_cast<int>(p) + 1;
  }
  return 0;
}

int FirstPosOfAny(std::string_view chars, std::string_view s) {
  if (chars.empty()) return 0;
  return FoundPos(s.find_first_of(chars));
}

// ---- Replacing and words --------------------------------------------------------

namespace {

// Replaces every occurrence found in `searched` (of the same length as s) in s.
std::string ReplaceFound(std::string_view s, std::string_view searched, std::string_view pattern,
                         std::string_view replacement) {
  if (pattern.empty()) return std::string(s);
  std::string result;
  result.reserve(s.size());
  std::size_t from = 0;
  for (std::size_t p = searched.find(pattern); p != std::string_view::npos;
       p = searched.find(pattern, from)) {
    result.append(s.substr(from, p - from));
    result.append(replacement);
    from = p + pattern.size();
  }
  result.append(s.substr(from));
  return result;
}

}  // namespace

std::string ReplaceAll(std::string_view s, std::string_view pattern, std::string_view replacement) {
  return ReplaceFound(s, s, pattern, replacement);
}

std::string ReplaceAllNoCase(std::string_view s, std::string_view pattern, std::string_view replacement) {
  // Windows-1251 case folding maps byte to byte, so positions carry over.
  return ReplaceFound(s, AnsiUpperCase(s), AnsiUpperCase(pattern), replacement);
}

int WordCount(std::string_view s, std::string_view delimiters) {
  int count = 0;
  std::size_t p = s.find_first_not_of(delimiters);
  while (p != std::string_view::npos) {
    ++count;
    p = s.find_first_of(delimiters, p);
    if (p == std::string_view::npos) break;
    p = s.find_first_not_of(delimiters, p);
  }
  return count;
}

std::string WordAt(int n, std::string_view s, std::string_view delimiters) {
  if (n < 1) return {};
  std::size_t p = s.find_first_not_of(delimiters);
  for (int i = 1; p != std::string_view::npos; ++i) {
    const std::size_t end = s.find_first_of(delimiters, p);
    if (i == n) return std::string(s.substr(p, end == std::string_view::npos ? end : end - p));
    if (end == std::string_view::npos) break;
    p = s.find_first_not_of(delimiters, end);
  }
  return {};
}

// ---- String lists -------------------------------------------------------------

bool IsEmptyStrings(const TStrings& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (!list.Strings(i).empty()) return false;
  return true;
}

void DeleteEmptyLines(TStrings& list) {
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.Strings(i).empty()) list.Delete(i);
}

void NamesMissingFrom(const TStrings& a, const TStrings& b, TStrings& result) {
  const auto* sorted = dynamic_cast<const TStringList*>(&b);
  const bool useFind = sorted && sorted->Sorted();
  result.Clear();
  for (int i = 0; i < a.Count(); ++i) {
    const std::string line = a.Strings(i);
    int index = -1;
    const bool held = useFind ? sorted->Find(line, index) : b.IndexOf(line) >= 0;
    if (!held) result.AddObject(line, a.Objects(i));
  }
}

bool FindInSortedRange(const TStringList& list, std::string_view s, int low, int& index, int high) {
  low = std::max(low, 0);
  high = std::min(high, list.Count() - 1);
  bool found = false;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const std::string item = list.Strings(mid);
    const int c = list.CaseSensitive() ? AnsiCompareStr(item, s) : AnsiCompareText(item, s);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = low;
  return found;
}

// ---- Wildcards ----------------------------------------------------------------

std::string CompressWildcards(std::string_view mask, char anyRun, char anyOne) {
  std::string result;
  result.reserve(mask.size());
  std::size_t i = 0;
  while (i < mask.size()) {
    if (mask[i] != anyRun && mask[i] != anyOne) {
      result += mask[i++];
      continue;
    }
    // A run of wildcards: it needs as many characters as it has single
    // wildcards, and any number more when it holds a run wildcard.
    int singles = 0;
    bool hasRun = false;
    for (; i < mask.size() && (mask[i] == anyRun || mask[i] == anyOne); ++i) {
      if (mask[i] == anyRun)
        hasRun = true;
      else
        ++singles;
    }
    result.append(static_cast<std::size_t>(singles), anyOne);
    if (hasRun) result += anyRun;
  }
  return result;
}

bool MatchesLike(std::string_view s, std::string_view mask, char anyRun, char anyOne) {
  // Greedy match with one backtracking point, the last run wildcard: a
  // later run wildcard makes earlier choices irrelevant.
  std::size_t si = 0, mi = 0;
  std::size_t runMask = std::string_view::npos, runData = 0;
  while (si < s.size()) {
    if (mi < mask.size() && mask[mi] == anyRun) {
      runMask = mi++;
      runData = si;
    } else if (mi < mask.size() && (mask[mi] == anyOne || mask[mi] == s[si])) {
      ++mi;
      ++si;
    } else if (runMask != std::string_view::npos) {
      mi = runMask + 1;
      si = ++runData;
    } else {
      return false;
    }
  }
  while (mi < mask.size() && mask[mi] == anyRun) ++mi;
  return mi == mask.size();
}

bool MatchesMask(std::string_view s, std::string_view mask) { return MatchesLike(s, mask, '*', '?'); }

bool MatchesPercent(std::string_view s, std::string_view mask) { return MatchesLike(s, mask, '%', '%'); }

int IndexOfMask(const TStrings& list, std::string_view s, bool caseSensitive) {
  const std::string text = caseSensitive ? std::string(s) : AnsiUpperCase(s);
  for (int i = 0; i < list.Count(); ++i) {
    const std::string mask = caseSensitive ? list.Strings(i) : AnsiUpperCase(list.Strings(i));
    if (MatchesMask(text, mask)) return i;
  }
  return -1;
}

// ---- Small numbers --------------------------------------------------------------

std::int64_t MakeInt64(std::int32_t hi, std::uint32_t lo) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(hi)) << 32) | lo);
}

int MinInt(int a, int b) { return std::min(a, b); }

int SignOf(std::int64_t a) { return (a > 0) - (a < 0); }

// ---- Dates ----------------------------------------------------------------------

TDateTime TimeStampToDateTimeSafe(const TTimeStamp& ts) {
  if (ts.Date == 0) return static_cast<TDateTime>(ts.Time) / MSecsPerDay;
  return TimeStampToDateTime(ts);
}

TDateTime StrToDateWithFormat(std::string_view s, std::string_view format) {
  // A private copy of the settings: the process settings are never touched,
  // so other threads and a failing parse cannot see the temporary format.
  TFormatSettings settings = FormatSettings();
  settings.ShortDateFormat = std::string(format);
  return StrToDate(s, settings);
}

std::string MonthNamesToNumbers(std::string_view s) { return MonthNamesToNumbers(s, FormatSettings()); }

std::string MonthNamesToNumbers(std::string_view s, const TFormatSettings& settings) {
  static constexpr std::array<std::string_view, 12> Months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  static constexpr std::array<std::string_view, 12> Numbers = {"01", "02", "03", "04", "05", "06",
                                                               "07", "08", "09", "10", "11", "12"};
  std::string result(s);
  std::replace(result.begin(), result.end(), '-', settings.DateSeparator);
  const std::string upper = AsciiUpper(result);
  for (std::size_t m = 0; m < Months.size(); ++m) {
    const std::size_t p = upper.find(Months[m]);
    if (p != std::string::npos) {
      result.replace(p, Months[m].size(), Numbers[m]);
      break;
    }
  }
  return result;
}

void NormalizeDateTimeText(std::string_view s, TDateTimeTextKind kind, std::string& result) {
  if (IsBlankText(s)) return;
  // Parsing works on a copy of the settings, so the process settings are
  // "restored" on every path by never being changed.
  TFormatSettings settings = FormatSettings();
  std::string text(s);
  if (kind != TDateTimeTextKind::Time) {
    if (Contains(text, '.')) {
      settings.ShortDateFormat = "dd.mm.yyyy";
      settings.DateSeparator = '.';
    } else if (Contains(text, '/')) {
      settings.ShortDateFormat = "mm/dd/yyyy";
      settings.DateSeparator = '/';
    } else if (Contains(text, '-')) {
      settings.ShortDateFormat = "dd.mm.yyyy";
      settings.DateSeparator = '.';
      text = MonthNamesToNumbers(text, settings);
    } else {
      result = AnsiUpperCase(s);
      return;
    }
  }
  settings.TimeSeparator = ':';
  settings.LongTimeFormat = "h:m:s";
  switch (kind) {
    case TDateTimeTextKind::DateTime:
      result = DateTimeToStr(StrToDateTime(text, settings));
      break;
    case TDateTimeTextKind::Date:
      result = DateToStr(StrToDate(text, settings));
      break;
    case TDateTimeTextKind::Time:
      result = TimeToStr(StrToTime(text, settings));
      break;
  }
}

// ---- Components -----------------------------------------------------------------

std::string ComponentPath(const TComponent* component) {
  std::string path;
  for (const TComponent* c = component; c; c = c->Owner()) {
    if (c->Name().empty()) continue;
    path = path.empty() ? c->Name() : c->Name() + "." + path;
  }
  return path;
}

bool IsLoadingOwner(const TComponent* component) {
  for (const TComponent* c = component; c; c = c->Owner())
    if (c->ComponentState().Contains(TComponentStateItem::csLoading)) return true;
  return false;
}

// ---- Random digits ----------------------------------------------------------------

std::string RandomDigits(int n) {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> below(0, 0x7FFFFFFE);
  std::string digits;
  while (static_cast<int>(digits.size()) < n) digits += std::to_string(below(generator));
  if (n > 0) digits.resize(static_cast<std::size_t>(n));
  return digits;
}

// ---- Raw buffers ----------------------------------------------------------------

void* ReallocZeroedRaw(void* p, std::size_t oldSize, std::size_t newSize) {
  if (newSize == 0) {
    std::free(p);
    return nullptr;
  }
  if (!p) oldSize = 0;
  void* moved = std::realloc(p, newSize);
  if (!moved) throw EOutOfMemory("Out of memory");
  if (newSize > oldSize) std::memset(static_cast<char*>(moved) + oldSize, 0, newSize - oldSize);
  return moved;
}
