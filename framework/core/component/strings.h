#pragma once
// String lists: lines of Windows-1251 text, each with an optional object
// pointer. `TStrings` is the abstract interface (SQL texts, parameter lines,
// combo box items) with everything that can be said in terms of its
// primitives: name=value lines, the text and comma forms, copying and the
// update bracket. `TStringList` is the concrete list: optionally sorted
// (with binary search and a duplicates rule), change events, and optional
// ownership of its objects.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/lists.h"
#include "framework/core/base/object.h"
#include "framework/core/component/persistent.h"

// Lines are compared by `CompareStrings`: without regard to case (Windows-1251
// rules) unless a subclass says otherwise. Index errors raise
// `EStringListError` "List index out of bounds (<index>)".
// Several changes can be bracketed by BeginUpdate/EndUpdate (or a
// `TStringsUpdateScope`); brackets nest, and a list reports one change for the
// outermost bracket.
class TStrings : public TPersistent {
 public:
  TStrings() = default;
  ~TStrings() override = default;

  // Primitives.
  virtual int Count() const = 0;
  virtual std::string Strings(int index) const = 0;
  virtual void SetStrings(int index, std::string s);
  virtual TObject* Objects(int index) const;
  virtual void SetObjects(int index, TObject* object);
  virtual int Capacity() const { return Count(); }
  virtual void SetCapacity(int capacity) {}

  // Returns the index the line was added at.
  virtual int Add(std::string s);
  virtual int AddObject(std::string s, TObject* object);
  virtual void Insert(int index, std::string s) = 0;
  virtual void InsertObject(int index, std::string s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);
  // Adds every line of strings with its object.
  virtual void AddStrings(const TStrings& strings);

  virtual int IndexOf(std::string_view s) const;
  // The first line whose text before `NameValueSeparator` is name; lines
  // without the separator have no name. -1 when none.
  virtual int IndexOfName(std::string_view name) const;
  int IndexOfObject(const TObject* object) const;
  // Same count and the same lines, compared exactly.
  bool Equals(const TStrings& strings) const;

  // Negative, 0 or positive as a goes before, with or after b in this list's
  // order; public so that search helpers use the list's own rules.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;

  // name=value lines.
  std::string Names(int index) const;
  // The text after the separator of the named line; "" when there is none.
  std::string Values(std::string_view name) const;
  // Replaces or appends the named line; an empty value deletes it.
  void SetValues(std::string_view name, std::string_view value);
  // The text after the separator of line index; "" when it has none.
  std::string ValueFromIndex(int index) const;
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char separator) { FNameValueSeparator = separator; }

  // Every line followed by CR LF.
  virtual std::string Text() const;
  // Replaces the lines; a line ends at CR LF, LF or CR, and a break at the
  // very end does not start another line.
  virtual void SetText(std::string_view text);

  // Lines separated by Delimiter; a line holding a character up to ' ', the
  // quote or the delimiter, is quoted with QuoteChar (inner quotes doubled).
  // Reading splits on delimiters and on blanks outside quotes.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  // DelimitedText with ',' and '"'.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char delimiter) { FDelimiter = delimiter; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char quote) { FQuoteChar = quote; }

  void BeginUpdate();
  // Does nothing when no bracket is open.
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // From another `TStrings`: the lines and their objects, nothing else.
  void Assign(const TPersistent* source) override;

 protected:
  // Called when the outermost bracket opens (true) and closes (false).
  virtual void SetUpdateState(bool updating) {}
  // Gives line index the text s on behalf of SetValues.
  virtual void ReplaceLine(int index, std::string s);

  [[noreturn]] static void IndexError(int index);

 private:
  std::string JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(std::string_view text, char delimiter, char quote);

  int FUpdateCount = 0;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
};

// Holds a `TStrings` in its update bracket. Call Finish() on the normal path:
// it closes the bracket and lets a failing change handler be reported; the
// destructor closes an unfinished bracket and swallows such a failure,
// because another error is then usually on its way.
class TStringsUpdateScope {
 public:
  explicit TStringsUpdateScope(TStrings& strings) : FStrings(&strings) { strings.BeginUpdate(); }
  ~TStringsUpdateScope();
  TStringsUpdateScope(const TStringsUpdateScope&) = delete;
  TStringsUpdateScope& operator=(const TStringsUpdateScope&) = delete;

  void Finish();

 private:
  TStrings* FStrings;
};

class TStringList;

// Negative, 0 or positive as the line at index1 goes before, with or after
// the line at index2. The list does not change while it is being sorted.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

// The string list. Unsorted by default; when `Sorted`, every added line goes
// to its sorted place, `Find` searches by halves, and `Duplicates` decides
// about equal lines (dupIgnore by default). Operations that would put a line
// out of place (Insert, SetStrings, Exchange, Move, CustomSort) raise
// "Operation not allowed on sorted list" on a sorted list.
// OnChanging fires before and OnChange after every change, once per
// outermost update bracket. With `OwnsObjects` the list frees the objects of
// deleted lines, of lines it clears, and its own at destruction; it takes
// ownership of an object at the moment it is handed one.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  explicit TStringList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FOrder.size()); }
  std::string Strings(int index) const override;
  void SetStrings(int index, std::string s) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  int Capacity() const override { return static_cast<int>(FOrder.capacity()); }
  // Raises "List capacity out of bounds (<n>)" below Count.
  void SetCapacity(int capacity) override;

  using TStrings::AddObject;
  int Add(std::string s) override;
  int AddObject(std::string s, TObject* object) override;
  // For a list that owns its objects; raises `EStringListError` otherwise.
  int AddObject(std::string s, std::unique_ptr<TObject> object);
  void Insert(int index, std::string s) override;
  void InsertObject(int index, std::string s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  void AddStrings(const TStrings& strings) override;
  void Assign(const TPersistent* source) override;

  int IndexOf(std::string_view s) const override;
  int IndexOfName(std::string_view name) const override;
  // Binary search of a sorted list: true when s is there, with index at it
  // (at the first of equal lines under dupAccept); otherwise false with index
  // where s would be inserted.
  virtual bool Find(std::string_view s, int& index) const;
  // Sorts an unsorted list by CompareStrings (a sorted list is in order).
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  int CompareStrings(std::string_view a, std::string_view b) const override;

  bool Sorted() const { return FSorted; }
  // Switching on sorts the lines; switching off keeps their order.
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // A sorted list is sorted again by the new rule.
  void SetCaseSensitive(bool caseSensitive);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool ownsObjects) { FOwnsObjects = ownsObjects; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Fire OnChanging / OnChange unless an update bracket is open.
  virtual void Changing();
  virtual void Changed();
  void SetUpdateState(bool updating) override;
  void ReplaceLine(int index, std::string s) override;

 private:
  // Lines live in slots of one array; FOrder lists the slots in line order,
  // so inserting and deleting in the middle moves 4-byte slot numbers, not
  // strings. Freed slots are reused.
  struct TItem {
    std::string FString;
    TObject* FObject = nullptr;
  };

  const TItem& Item(int index) const { return FStore[FOrder[static_cast<std::size_t>(index)]]; }
  TItem& Item(int index) { return FStore[FOrder[static_cast<std::size_t>(index)]]; }
  void CheckIndex(int index) const;
  void CheckUnsorted() const;
  void CheckCanTakeObjectsOf(const TStrings& strings) const;
  int AddItem(std::string s, std::unique_ptr<TObject>& owned, TObject* object);
  void InsertItem(int index, std::string s, std::unique_ptr<TObject>& owned, TObject* object);
  void SortOrder();
  std::uint32_t TakeSlot(std::string s, TObject* object);
  void FreeSlot(std::uint32_t slot);
  static void DestroyObject(TObject* object) noexcept;

  std::vector<TItem> FStore;
  std::vector<std::uint32_t> FOrder;
  std::vector<std::uint32_t> FFreeSlots;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  TDuplicates FDuplicates = dupIgnore;
};
