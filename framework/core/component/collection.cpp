#include "framework/core/component/collection.h"

#include <algorithm>
#include <utility>

// ----------------------------------------------------------- TCollectionItem

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->ForgetItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == FCollection) return;
  if (!collection)
    throw EInvalidOperation("A collection item cannot leave its collection without being freed");
  if (!FCollection)
    throw EInvalidOperation("Only an item of a collection can be moved to another collection");
  if (!collection->CanHold(*this)) throw EListError("Invalid property value");
  collection->InsertItem(FCollection->ExtractItem(this));
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  auto it = std::find_if(items.begin(), items.end(), [this](const auto& p) { return p.get() == this; });
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  const int current = Index();
  if (current < 0 || current == index) return;
  FCollection->CheckIndex(index, FCollection->Count());
  auto& items = FCollection->FItems;
  auto from = items.begin() + current;
  auto to = items.begin() + index;
  if (current < index)
    std::rotate(from, from + 1, to + 1);
  else
    std::rotate(to, from, from + 1);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const std::string& /*value*/) { Changed(false); }

std::string TCollectionItem::GetDisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// --------------------------------------------------------------- TCollection

TCollection::TCollection(TItemFactory factory, TPersistent* owner)
    : FFactory(std::move(factory)), FOwner(owner) {}

TCollection::~TCollection() {
  // Derived overrides are gone by now; the items go without notifications.
  FUpdateCount = 1;
  while (!FItems.empty()) DestroyItem(Count() - 1);
}

TCollectionItem* TCollection::Add() {
  if (!FFactory) throw EInvalidOperation("Collection " + ClassName() + " cannot make items");
  std::unique_ptr<TCollectionItem> item = FFactory();
  if (!item) throw EInvalidOperation("Collection " + ClassName() + " was given no item");
  TCollectionItem* result = item.get();
  InsertItem(std::move(item));
  return result;
}

TCollectionItem* TCollection::Insert(int index) {
  // Checked before adding, so that a wrong index leaves no stray item.
  CheckIndex(index, Count() + 1);
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  CheckIndex(index, Count());
  TCollectionItem* item = FItems[static_cast<std::size_t>(index)].get();
  Notify(item, cnDeleting);
  // Told before the item's destructors run, while it is still whole.
  Notify(item, cnExtracting);
  DestroyItem(index);
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  TUpdateLock lock(*this);
  while (!FItems.empty()) Delete(Count() - 1);
  lock.Close();
}

TCollectionItem* TCollection::Items(int index) const {
  CheckIndex(index, Count());
  return FItems[static_cast<std::size_t>(index)].get();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (const auto& item : FItems)
    if (item->FID == id) return item.get();
  return nullptr;
}

void TCollection::EndUpdate() {
  if (FUpdateCount <= 0) throw EInvalidOperation("EndUpdate without BeginUpdate");
  --FUpdateCount;
  Changed();
}

void TCollection::TUpdateLock::Close() {
  if (TCollection* collection = std::exchange(FCollection, nullptr)) collection->EndUpdate();
}

TCollection::TUpdateLock::~TUpdateLock() {
  try {
    Close();
  } catch (...) {
    // A failing Update cannot be reported from a destructor; the bracket
    // itself is closed by then. Close() is the way to hear of it.
  }
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  // Clearing first would lose the very items to copy.
  if (other == this) return;
  TUpdateLock lock(*this);
  Clear();
  for (const auto& item : other->FItems) Add()->Assign(item.get());
  lock.Close();
}

void TCollection::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count)
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TCollection::InsertItem(std::unique_ptr<TCollectionItem> item) {
  if (!CanHold(*item)) throw EListError("Invalid property value");
  TCollectionItem* p = item.get();
  FItems.push_back(std::move(item));
  p->FCollection = this;
  p->FID = FNextID++;
  Notify(p, cnAdded);
  Changed();
}

std::unique_ptr<TCollectionItem> TCollection::ExtractItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find_if(FItems.begin(), FItems.end(), [item](const auto& p) { return p.get() == item; });
  std::unique_ptr<TCollectionItem> result = std::move(*it);
  FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
  return result;
}

void TCollection::DestroyItem(int index) noexcept {
  // The item is destroyed in place, still listed, so that its destructors see
  // its index; ~TCollectionItem then takes it out (ForgetItem).
  auto& slot = FItems[static_cast<std::size_t>(index)];
  slot.get_deleter()(slot.get());
}

void TCollection::ForgetItem(TCollectionItem* item) noexcept {
  auto it = std::find_if(FItems.begin(), FItems.end(), [item](const auto& p) { return p.get() == item; });
  if (it == FItems.end()) return;
  (void)it->release();  // the item is being destroyed by DestroyItem already
  FItems.erase(it);
  item->FCollection = nullptr;
  try {
    Changed();
  } catch (...) {
    // Reached from the item's destructor, which cannot report.
  }
}
