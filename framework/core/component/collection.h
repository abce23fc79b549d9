#pragma once
// Collections: ordered lists of items of one kind that report every change.
//
// A TCollection owns its items. It makes them with its item factory (or, in
// TCollectionOf<T>, as T), numbers them with an ID that is never reused in
// that collection, and frees them when they are deleted or when it dies.
// Every change ends in the virtual `Update(item)` (nullptr: "all items or
// the list itself"), held back while a BeginUpdate bracket is open; the
// outermost EndUpdate then sends one Update(nullptr). An owned collection
// (a grid's bands, a group's summary items) answers its owner.
//
// Items are destroyed while still in the list, so a derived item's
// destructor sees its own Index. A derived collection whose Update or
// Notify must hear of the items it frees on its own destruction calls
// Clear() in its own destructor; ~TCollection frees them silently.

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/persistent.h"

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  TCollectionItem() = default;
  // Leaves its collection (only the collection frees its items).
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to the end of another collection, which takes it over.
  // Raises EInvalidOperation for nullptr or an item in no collection, and
  // EListError when that collection holds items of another kind.
  void SetCollection(TCollection* collection);

  // Position in the collection; -1 in none.
  int Index() const;
  // Moves the item to index (raises EListError out of range).
  virtual void SetIndex(int index);
  // Unique within the collection, in order of creation; never reused.
  int ID() const { return FID; }

  std::string DisplayName() const { return GetDisplayName(); }
  virtual void SetDisplayName(const std::string& value);

  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 protected:
  // The class name unless overridden.
  virtual std::string GetDisplayName() const;
  // Reports a change: Update(this), or Update(nullptr) with allItems.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
 public:
  using TItemFactory = std::function<std::unique_ptr<TCollectionItem>()>;

  explicit TCollection(TItemFactory factory, TPersistent* owner = nullptr);
  ~TCollection() override;

  // A new item from the factory, appended.
  TCollectionItem* Add();
  // A new item at index (0 .. Count; raises EListError otherwise).
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError for an index out of range.
  TCollectionItem* Items(int index) const;
  TCollectionItem* FindItemID(int id) const;

  void BeginUpdate() { ++FUpdateCount; }
  // Raises EInvalidOperation without a matching BeginUpdate.
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  TPersistent* Owner() const { return GetOwner(); }
  TPersistent* GetOwner() const override { return FOwner; }

  // From another collection: clears this one and adds one item per source
  // item through the item's Assign, inside one update bracket.
  void Assign(const TPersistent* source) override;

  // Holds a BeginUpdate bracket open until Close() or its end. Close()
  // lets an exception of the final Update through; the destructor, which
  // closes the bracket on every other path, cannot and swallows it.
  class TUpdateLock {
   public:
    explicit TUpdateLock(TCollection& collection) : FCollection(&collection) { FCollection->BeginUpdate(); }
    ~TUpdateLock();
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;
    void Close();

   private:
    TCollection* FCollection;
  };

 protected:
  // A change of item, or of the whole collection when item is nullptr.
  virtual void Update(TCollectionItem* /*item*/) {}
  virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}
  // Whether item is of the kind this collection keeps.
  virtual bool CanHold(const TCollectionItem& /*item*/) const { return true; }
  // Update(nullptr) unless an update bracket is open.
  void Changed();

 private:
  friend class TCollectionItem;

  void CheckIndex(int index, int count) const;
  void InsertItem(std::unique_ptr<TCollectionItem> item);
  std::unique_ptr<TCollectionItem> ExtractItem(TCollectionItem* item);
  void ForgetItem(TCollectionItem* item) noexcept;
  void DestroyItem(int index) noexcept;

  TItemFactory FFactory;
  TPersistent* FOwner;
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

// A collection of T items, made with T's default constructor or a factory.
template <class T>
class TCollectionOf : public TCollection {
  static_assert(std::is_base_of_v<TCollectionItem, T>);

 public:
  explicit TCollectionOf(TPersistent* owner = nullptr)
      : TCollection([] { return std::make_unique<T>(); }, owner) {}
  TCollectionOf(std::function<std::unique_ptr<T>()> factory, TPersistent* owner)
      : TCollection([f = std::move(factory)]() -> std::unique_ptr<TCollectionItem> { return f(); }, owner) {}

  T* Add() { return static_cast<T*>(TCollection::Add()); }
  T* Insert(int index) { return static_cast<T*>(TCollection::Insert(index)); }
  T* Items(int index) const { return static_cast<T*>(TCollection::Items(index)); }
  T* FindItemID(int id) const { return static_cast<T*>(TCollection::FindItemID(id)); }

 protected:
  bool CanHold(const TCollectionItem& item) const override {
    return dynamic_cast<const T*>(&item) != nullptr;
  }
};
