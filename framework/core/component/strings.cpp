#include "framework/core/component/strings.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "framework/core/component/merge_sort.h"
#include "framework/core/text/text.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Quoted(std::string_view s, char quote) {
  std::string result;
  result.reserve(s.size() + 2);
  result += quote;
  for (const char c : s) {
    if (c == quote) result += quote;
    result += c;
  }
  result += quote;
  return result;
}

}  // namespace

// ---------------------------------------------------------------- TStrings

void TStrings::IndexError(int index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStrings::SetStrings(int index, std::string s) {
  TStringsUpdateScope update(*this);
  TObject* object = Objects(index);
  Delete(index);
  InsertObject(index, std::move(s), object);
  update.Finish();
}

TObject* TStrings::Objects(int index) const { return nullptr; }

void TStrings::SetObjects(int index, TObject* object) {}

int TStrings::Add(std::string s) {
  const int index = Count();
  Insert(index, std::move(s));
  return index;
}

int TStrings::AddObject(std::string s, TObject* object) {
  const int index = Add(std::move(s));
  SetObjects(index, object);
  return index;
}

void TStrings::InsertObject(int index, std::string s, TObject* object) {
  Insert(index, std::move(s));
  SetObjects(index, object);
}

void TStrings::Exchange(int index1, int index2) {
  TStringsUpdateScope update(*this);
  TObject* object1 = Objects(index1);
  std::string s1 = Strings(index1);
  SetStrings(index1, Strings(index2));
  SetObjects(index1, Objects(index2));
  SetStrings(index2, std::move(s1));
  SetObjects(index2, object1);
  update.Finish();
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
  TStringsUpdateScope update(*this);
  std::string s = Strings(curIndex);
  TObject* object = Objects(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, std::move(s), object);
  update.Finish();
}

void TStrings::AddStrings(const TStrings& strings) {
  const int count = strings.Count();
  if (&strings == this) {
    // Adding a list to itself adds its lines once, as they were before.
    std::vector<std::pair<std::string, TObject*>> copy;
    copy.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) copy.emplace_back(Strings(i), Objects(i));
    TStringsUpdateScope update(*this);
    for (auto& [s, object] : copy) AddObject(std::move(s), object);
    update.Finish();
    return;
  }
  TStringsUpdateScope update(*this);
  for (int i = 0; i < count; ++i) AddObject(strings.Strings(i), strings.Objects(i));
  update.Finish();
}

int TStrings::IndexOf(std::string_view s) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    const std::string s = Strings(i);
    const auto separator = s.find(FNameValueSeparator);
    if (separator != std::string::npos && CompareStrings(std::string_view(s).substr(0, separator), name) == 0)
      return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (Objects(i) == object) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& strings) const {
  const int count = Count();
  if (count != strings.Count()) return false;
  for (int i = 0; i < count; ++i)
    if (Strings(i) != strings.Strings(i)) return false;
  return true;
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return AnsiCompareText(a, b); }

std::string TStrings::Names(int index) const {
  std::string s = Strings(index);
  const auto separator = s.find(FNameValueSeparator);
  if (separator == std::string::npos) return {};
  s.resize(separator);
  return s;
}

std::string TStrings::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

std::string TStrings::ValueFromIndex(int index) const {
  if (index < 0) return {};
  // The value starts after the line's own separator, so a line without one
  // has no value (rather than losing its first character).
  const std::string s = Strings(index);
  const auto separator = s.find(FNameValueSeparator);
  return separator == std::string::npos ? std::string() : s.substr(separator + 1);
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line;
  line.reserve(name.size() + 1 + value.size());
  line.append(name).append(1, FNameValueSeparator).append(value);
  if (index < 0)
    Add(std::move(line));
  else
    ReplaceLine(index, std::move(line));
}

void TStrings::ReplaceLine(int index, std::string s) { SetStrings(index, std::move(s)); }

std::string TStrings::Text() const {
  const int count = Count();
  std::string result;
  for (int i = 0; i < count; ++i) {
    result += Strings(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(std::string_view text) {
  TStringsUpdateScope update(*this);
  Clear();
  const std::size_t n = text.size();
  std::size_t pos = 0;
  while (pos < n) {
    const std::size_t start = pos;
    while (pos < n && text[pos] != '\r' && text[pos] != '\n') ++pos;
    Add(std::string(text.substr(start, pos - start)));
    if (pos < n && text[pos] == '\r') ++pos;
    if (pos < n && text[pos] == '\n') ++pos;
  }
  update.Finish();
}

std::string TStrings::JoinDelimited(char delimiter, char quote) const {
  const int count = Count();
  // A single empty line must not read back as no lines.
  if (count == 1 && Strings(0).empty()) return std::string(2, quote);
  std::string result;
  for (int i = 0; i < count; ++i) {
    if (i > 0) result += delimiter;
    const std::string s = Strings(i);
    const bool needsQuotes =
        std::any_of(s.begin(), s.end(), [&](char c) { return IsBlank(c) || c == quote || c == delimiter; });
    if (needsQuotes)
      result += Quoted(s, quote);
    else
      result += s;
  }
  return result;
}

void TStrings::SplitDelimited(std::string_view text, char delimiter, char quote) {
  TStringsUpdateScope update(*this);
  Clear();
  const std::size_t n = text.size();
  std::size_t pos = 0;
  while (pos < n && IsBlank(text[pos])) ++pos;
  while (pos < n) {
    std::string s;
    if (text[pos] == quote) {
      // Quoted: up to the closing quote, a doubled quote standing for one;
      // an unclosed quote runs to the end.
      ++pos;
      while (pos < n) {
        if (text[pos] == quote) {
          if (pos + 1 < n && text[pos + 1] == quote) {
            s += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        s += text[pos++];
      }
    } else {
      const std::size_t start = pos;
      while (pos < n && !IsBlank(text[pos]) && text[pos] != delimiter) ++pos;
      s.assign(text.substr(start, pos - start));
    }
    Add(std::move(s));
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos < n && text[pos] == delimiter) {
      // A delimiter at the very end stands before one more, empty, line.
      if (pos + 1 == n) Add(std::string());
      do ++pos;
      while (pos < n && IsBlank(text[pos]));
    }
  }
  update.Finish();
}

std::string TStrings::DelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(std::string_view text) { SplitDelimited(text, FDelimiter, FQuoteChar); }

std::string TStrings::CommaText() const { return JoinDelimited(',', '"'); }

void TStrings::SetCommaText(std::string_view text) { SplitDelimited(text, ',', '"'); }

void TStrings::BeginUpdate() {
  // The state changes before the count, so a refusing handler leaves no
  // bracket open.
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source) {
  if (const auto* strings = dynamic_cast<const TStrings*>(source)) {
    // Clearing first would lose the lines being copied.
    if (strings == this) return;
    TStringsUpdateScope update(*this);
    Clear();
    AddStrings(*strings);
    update.Finish();
    return;
  }
  TPersistent::Assign(source);
}

TStringsUpdateScope::~TStringsUpdateScope() {
  if (!FStrings) return;
  try {
    FStrings->EndUpdate();
  } catch (...) {
    // Swallowed: a destructor may not throw, and the bracket is closed
    // anyway; the normal path reports through Finish().
  }
}

void TStringsUpdateScope::Finish() {
  TStrings* strings = std::exchange(FStrings, nullptr);
  if (strings) strings->EndUpdate();
}

// ------------------------------------------------------------- TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (!FOwnsObjects) return;
  for (const std::uint32_t slot : FOrder) DestroyObject(std::exchange(FStore[slot].FObject, nullptr));
}

void TStringList::DestroyObject(TObject* object) noexcept { std::unique_ptr<TObject> owned(object); }

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
}

void TStringList::CheckUnsorted() const {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::CheckCanTakeObjectsOf(const TStrings& strings) const {
  // Taking another list's objects into an owning list would free them twice.
  if (!FOwnsObjects) return;
  const int count = strings.Count();
  for (int i = 0; i < count; ++i)
    if (strings.Objects(i))
      throw EStringListError("A string list that owns its objects cannot take the objects of another list");
}

std::string TStringList::Strings(int index) const {
  CheckIndex(index);
  return Item(index).FString;
}

void TStringList::SetStrings(int index, std::string s) {
  CheckUnsorted();
  CheckIndex(index);
  Changing();
  Item(index).FString = std::move(s);
  Changed();
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return Item(index).FObject;
}

void TStringList::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  TObject* old = std::exchange(Item(index).FObject, object);
  if (FOwnsObjects && old != object) DestroyObject(old);
  Changed();
}

void TStringList::SetCapacity(int capacity) {
  if (capacity < Count())
    throw EStringListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
  FOrder.reserve(static_cast<std::size_t>(capacity));
  FStore.reserve(static_cast<std::size_t>(capacity));
}

int TStringList::Add(std::string s) { return AddObject(std::move(s), nullptr); }

int TStringList::AddObject(std::string s, TObject* object) {
  std::unique_ptr<TObject> owned(FOwnsObjects ? object : nullptr);
  return AddItem(std::move(s), owned, object);
}

int TStringList::AddObject(std::string s, std::unique_ptr<TObject> object) {
  if (!FOwnsObjects) throw EStringListError("The string list does not own its objects");
  TObject* raw = object.get();
  return AddItem(std::move(s), object, raw);
}

int TStringList::AddItem(std::string s, std::unique_ptr<TObject>& owned, TObject* object) {
  int index = Count();
  if (FSorted && Find(s, index)) {
    if (FDuplicates == dupIgnore) {
      // The line is already there; an owned object handed with it is freed
      // (by the caller's guard) unless it is that line's own.
      if (owned && owned.get() == Item(index).FObject) owned.release();
      return index;
    }
    if (FDuplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, std::move(s), owned, object);
  return index;
}

void TStringList::Insert(int index, std::string s) { InsertObject(index, std::move(s), nullptr); }

void TStringList::InsertObject(int index, std::string s, TObject* object) {
  std::unique_ptr<TObject> owned(FOwnsObjects ? object : nullptr);
  CheckUnsorted();
  if (index < 0 || index > Count()) IndexError(index);
  InsertItem(index, std::move(s), owned, object);
}

void TStringList::InsertItem(int index, std::string s, std::unique_ptr<TObject>& owned, TObject* object) {
  Changing();
  // Make room first, so that nothing below can fail half-way.
  if (FOrder.size() == FOrder.capacity()) FOrder.reserve(std::max<std::size_t>(16, FOrder.size() * 3 / 2));
  const std::uint32_t slot = TakeSlot(std::move(s), object);
  FOrder.insert(FOrder.begin() + index, slot);
  owned.release();
  Changed();
}

std::uint32_t TStringList::TakeSlot(std::string s, TObject* object) {
  if (FFreeSlots.empty()) {
    FStore.push_back(TItem{std::move(s), object});
    return static_cast<std::uint32_t>(FStore.size() - 1);
  }
  const std::uint32_t slot = FFreeSlots.back();
  FFreeSlots.pop_back();
  FStore[slot] = TItem{std::move(s), object};
  return slot;
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  const std::uint32_t slot = FOrder[static_cast<std::size_t>(index)];
  FFreeSlots.push_back(slot);
  FOrder.erase(FOrder.begin() + index);
  TItem& item = FStore[slot];
  TObject* object = std::exchange(item.FObject, nullptr);
  std::string().swap(item.FString);
  if (FOrder.empty()) {
    FStore.clear();
    FFreeSlots.clear();
  }
  // The line is gone before its object dies, so the object's destructor
  // never finds itself in the list.
  if (FOwnsObjects) DestroyObject(object);
  Changed();
}

void TStringList::Clear() {
  if (FOrder.empty()) {
    std::vector<TItem>().swap(FStore);
    std::vector<std::uint32_t>().swap(FFreeSlots);
    return;
  }
  Changing();
  std::vector<TItem> store;
  std::vector<std::uint32_t> order;
  store.swap(FStore);
  order.swap(FOrder);
  std::vector<std::uint32_t>().swap(FFreeSlots);
  if (FOwnsObjects)
    for (const std::uint32_t slot : order) DestroyObject(std::exchange(store[slot].FObject, nullptr));
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckUnsorted();
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(FOrder[static_cast<std::size_t>(index1)], FOrder[static_cast<std::size_t>(index2)]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckUnsorted();
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  // Moving the slot number, not delete-and-insert: an owned object survives.
  Changing();
  const auto first = FOrder.begin();
  if (curIndex < newIndex)
    std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
  else
    std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
  Changed();
}

void TStringList::ReplaceLine(int index, std::string s) {
  if (!FSorted) {
    SetStrings(index, std::move(s));
    return;
  }
  // A sorted list cannot change a line in place: the line leaves and comes
  // back at its sorted place, with its object.
  CheckIndex(index);
  TStringsUpdateScope update(*this);
  TObject* object = std::exchange(Item(index).FObject, nullptr);
  Delete(index);
  AddObject(std::move(s), object);
  update.Finish();
}

void TStringList::AddStrings(const TStrings& strings) {
  CheckCanTakeObjectsOf(strings);
  TStrings::AddStrings(strings);
}

void TStringList::Assign(const TPersistent* source) {
  if (const auto* strings = dynamic_cast<const TStrings*>(source); strings && strings != this)
    CheckCanTakeObjectsOf(*strings);
  TStrings::Assign(source);
}

int TStringList::IndexOf(std::string_view s) const {
  if (FSorted) {
    int index = 0;
    return Find(s, index) ? index : -1;
  }
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Item(i).FString, s) == 0) return i;
  return -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  const int count = Count();
  const char separator = NameValueSeparator();
  for (int i = 0; i < count; ++i) {
    const std::string_view s = Item(i).FString;
    const auto pos = s.find(separator);
    if (pos != std::string_view::npos && CompareStrings(s.substr(0, pos), name) == 0) return i;
  }
  return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  bool found = false;
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    const int c = CompareStrings(Item(middle).FString, s);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        // Under dupAccept the search goes on to the first of equal lines.
        if (FDuplicates != dupAccept) low = middle;
      }
    }
  }
  index = low;
  return found;
}

void TStringList::SortOrder() {
  MergeSortStable(FOrder, [this](std::uint32_t a, std::uint32_t b) {
    return CompareStrings(FStore[a].FString, FStore[b].FString) < 0;
  });
}

void TStringList::Sort() {
  if (FSorted || Count() < 2) return;
  Changing();
  SortOrder();
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  CheckUnsorted();
  const std::size_t count = FOrder.size();
  if (count < 2 || !compare) return;
  Changing();
  // Sorting positions leaves the list as the comparison sees it until the end.
  std::vector<int> positions(count);
  std::iota(positions.begin(), positions.end(), 0);
  MergeSortStable(positions, [&](int a, int b) { return compare(this, a, b) < 0; });
  if (FOrder.size() != count) throw EStringListError("String list changed while it was being sorted");
  std::vector<std::uint32_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = FOrder[static_cast<std::size_t>(positions[i])];
  FOrder.swap(order);
  Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::SetSorted(bool sorted) {
  if (FSorted == sorted) return;
  if (sorted) Sort();
  FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (FCaseSensitive == caseSensitive) return;
  if (!FSorted || Count() < 2) {
    FCaseSensitive = caseSensitive;
    return;
  }
  // The order depends on the rule: a sorted list is sorted again, or Find
  // would search a list that is out of order.
  Changing();
  FCaseSensitive = caseSensitive;
  SortOrder();
  Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}
