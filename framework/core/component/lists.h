#pragma once
// Pointer lists. `TList` is an ordered list of untyped pointers that owns
// none of them: node children, sort key records, component lists. Storage is
// one contiguous array that grows geometrically. Index errors raise
// `EListError` "List index out of bounds (<index>)".
// `TListOf<T>` is the same list seen through typed pointers.
// `TThreadList` guards a `TList` with a recursive mutex for lists shared
// between threads; hold it through `TThreadListLock`.

#include <cstddef>
#include <functional>
#include <iterator>
#include <mutex>
#include <vector>

#include "framework/core/base/object.h"

// What a list that rejects duplicates does with one: skip it quietly,
// accept it, or raise.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// Negative when item1 goes before item2, positive when after, 0 when equal.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
 public:
  TList() = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Shrinks, or grows with nullptr entries.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(FItems.capacity()); }
  // Raises "List capacity out of bounds (<n>)" below Count.
  void SetCapacity(int capacity);

  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Deletes the first entry equal to item; its former index, or -1.
  int Remove(const void* item);
  // Deletes the first entry equal to item and returns it (nullptr when absent).
  void* Extract(const void* item);
  void Clear();

  int IndexOf(const void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  // Removes every nullptr entry.
  void Pack();
  // Stable; a compare that contradicts itself gives some order, never a crash.
  void Sort(const TListSortCompare& compare);

  void* const* begin() const { return FItems.data(); }
  void* const* end() const { return FItems.data() + FItems.size(); }

 private:
  void CheckIndex(int index) const;
  void Grow();

  std::vector<void*> FItems;
};

// A `TList` of T*: the same behaviour and errors, with typed items.
template <class T>
class TListOf {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T* const*;
    using reference = T*;

    const_iterator() = default;
    explicit const_iterator(void* const* p) : FPos(p) {}
    T* operator*() const { return static_cast<T*>(*FPos); }
    const_iterator& operator++() {
      ++FPos;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++FPos;
      return old;
    }
    friend bool operator==(const_iterator a, const_iterator b) { return a.FPos == b.FPos; }

   private:
    void* const* FPos = nullptr;
  };

  int Count() const { return FList.Count(); }
  void SetCount(int count) { FList.SetCount(count); }
  int Capacity() const { return FList.Capacity(); }
  void SetCapacity(int capacity) { FList.SetCapacity(capacity); }

  T* Items(int index) const { return static_cast<T*>(FList.Items(index)); }
  T* operator[](int index) const { return Items(index); }
  void SetItems(int index, T* item) { FList.SetItems(index, item); }
  T* First() const { return static_cast<T*>(FList.First()); }
  T* Last() const { return static_cast<T*>(FList.Last()); }

  int Add(T* item) { return FList.Add(item); }
  void Insert(int index, T* item) { FList.Insert(index, item); }
  void Delete(int index) { FList.Delete(index); }
  int Remove(const T* item) { return FList.Remove(item); }
  T* Extract(const T* item) { return static_cast<T*>(FList.Extract(item)); }
  void Clear() { FList.Clear(); }

  int IndexOf(const T* item) const { return FList.IndexOf(item); }
  void Exchange(int index1, int index2) { FList.Exchange(index1, index2); }
  void Move(int curIndex, int newIndex) { FList.Move(curIndex, newIndex); }
  void Pack() { FList.Pack(); }
  void Sort(const std::function<int(T* item1, T* item2)>& compare) {
    FList.Sort([&compare](void* a, void* b) { return compare(static_cast<T*>(a), static_cast<T*>(b)); });
  }

  const_iterator begin() const { return const_iterator(FList.begin()); }
  const_iterator end() const { return const_iterator(FList.end()); }

  // The untyped list, for routines written against `TList`.
  TList& List() { return FList; }
  const TList& List() const { return FList; }

 private:
  TList FList;
};

// A `TList` shared between threads. `LockList` enters the mutex (the same
// thread may enter again) and returns the list; every `LockList` needs its
// `UnlockList`, which `TThreadListLock` provides. Add and Remove lock by
// themselves. Duplicates starts as dupIgnore and governs `Add` only.
class TThreadList : public TObject {
 public:
  TThreadList() = default;

  // dupIgnore skips an item already present; dupError raises `EListError`.
  void Add(void* item);
  void Remove(const void* item);
  void Clear();

  TList* LockList();
  void UnlockList();

  TDuplicates Duplicates() const;
  void SetDuplicates(TDuplicates duplicates);

 private:
  mutable std::recursive_mutex FLock;
  TList FList;
  TDuplicates FDuplicates = dupIgnore;
};

// Holds a `TThreadList` locked for its lifetime.
class TThreadListLock {
 public:
  explicit TThreadListLock(TThreadList& list) : FOwner(list), FList(list.LockList()) {}
  ~TThreadListLock() { FOwner.UnlockList(); }
  TThreadListLock(const TThreadListLock&) = delete;
  TThreadListLock& operator=(const TThreadListLock&) = delete;

  TList& List() const { return *FList; }
  TList* operator->() const { return FList; }

 private:
  TThreadList& FOwner;
  TList* FList;
};
