#include "framework/core/component/component.h"

#include <algorithm>
#include <utility>

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

bool IsValidIdent(std::string_view name) {
  if (name.empty() || !IsIdentStart(name.front())) return false;
  return std::all_of(name.begin(), name.end(), IsIdentChar);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

template <class T>
void EraseValue(std::vector<T*>& list, const T* value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

// The open loading scopes of this thread, innermost last.
thread_local std::vector<TLoadingScope*> tLoadingScopes;

}  // namespace

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* owner) {
  if (TLoadingScope* scope = TLoadingScope::Current()) scope->Add(this);
  if (!owner) return;
  try {
    owner->AttachOwned(this);
  } catch (...) {
    // No destructor runs for an object whose constructor throws: undo the
    // registrations by hand so that neither the owner nor the scope keeps us.
    EraseValue(owner->FComponents, this);
    FOwner = nullptr;
    if (FLoadingScope) FLoadingScope->Forget(this);
    throw;
  }
}

TComponent::~TComponent() {
  Destroying();
  NotifyFreePeers();
  DestroyComponents();
  if (FLoadingScope) FLoadingScope->Forget(this);
  if (TComponent* owner = FOwner) {
    // Leave the list before the owner tells the others, so that nobody
    // reaches this half-destroyed object through the owner's list.
    EraseValue(owner->FComponents, this);
    FOwner = nullptr;
    try {
      owner->Notification(this, opRemove);
    } catch (...) {
      // A destructor cannot report; the removal itself is complete.
    }
  }
  // A handler above may have asked for a new link; leave no peer pointing here.
  NotifyFreePeers();
}

void TComponent::Delete(TComponent* component) noexcept { delete component; }

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (FOwner) FOwner->ValidateRename(this, FName, name);
  FName = name;
}

void TComponent::ValidateRename(const TComponent* component, const std::string& current,
                                const std::string& wanted) const {
  if (component && !SameAsciiText(current, wanted) && FindComponent(wanted))
    throw EComponentError("A component named " + wanted + " already exists");
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FComponents[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  const auto& list = FOwner->FComponents;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameAsciiText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent>&& component) {
  if (!component) return;
  if (component->FOwner) throw EComponentError("Component " + component->FName + " already has an owner");
  ValidateRename(component.get(), std::string(), component->FName);
  AttachOwned(component.release());
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->FOwner != this)
    throw EComponentError("Component is not owned by " + (FName.empty() ? ClassName() : FName));
  Notification(component, opRemove);
  DetachOwned(component);
  return std::unique_ptr<TComponent>(component);
}

void TComponent::AttachOwned(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
  Notification(component, opInsert);
}

void TComponent::DetachOwned(TComponent* component) {
  EraseValue(FComponents, component);
  component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  // Each one leaves this list from its own destructor.
  while (!FComponents.empty()) Delete(FComponents.back());
}

void TComponent::Destroying() {
  if (FComponentState.Contains(TComponentStateItem::csDestroying)) return;
  FComponentState.Include(TComponentStateItem::csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Free() {
  // Already on its way out: its owner (or its own destructor) finishes it.
  if (FComponentState.Contains(TComponentStateItem::csDestroying)) return;
  if (!FOwner)
    throw EInvalidOperation("Component " + FName + " has no owner; it is freed by the pointer that holds it");
  Delete(this);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
  }
  FComponentState.Include(TComponentStateItem::csFreeNotification);
  component->FComponentState.Include(TComponentStateItem::csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component || component == this) return;
  DropFreeLink(component);
  component->DropFreeLink(this);
}

void TComponent::DropFreeLink(TComponent* peer) {
  EraseValue(FFreeNotifies, peer);
  if (FFreeNotifies.empty()) FComponentState.Exclude(TComponentStateItem::csFreeNotification);
}

void TComponent::NotifyFreePeers() {
  // The link is dropped on both sides before the peer hears of it, so that
  // a peer whose Notification does not call the inherited one still keeps
  // no pointer to this component.
  while (!FFreeNotifies.empty()) {
    TComponent* peer = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    peer->DropFreeLink(this);
    try {
      peer->Notification(this, opRemove);
    } catch (...) {
      // Only called from the destructor, which cannot report.
    }
  }
  FComponentState.Exclude(TComponentStateItem::csFreeNotification);
}

void TComponent::Loaded() { FComponentState.Exclude(TComponentStateItem::csLoading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) RemoveFreeNotification(component);
  // Last first; a handler may free components, so the index is re-clamped.
  for (int i = ComponentCount() - 1; i >= 0;) {
    FComponents[static_cast<std::size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

// ------------------------------------------------------------- TLoadingScope

TLoadingScope::TLoadingScope() { tLoadingScopes.push_back(this); }

TLoadingScope::~TLoadingScope() {
  Close();
  Release();
}

void TLoadingScope::Release() noexcept {
  for (TComponent*& c : FComponents) {
    if (!c) continue;
    c->FComponentState.Exclude(TComponentStateItem::csLoading);
    c->FComponentState.Exclude(TComponentStateItem::csReading);
    c->FLoadingScope = nullptr;
    c = nullptr;
  }
}

TLoadingScope* TLoadingScope::Current() { return tLoadingScopes.empty() ? nullptr : tLoadingScopes.back(); }

void TLoadingScope::Close() {
  if (!FOpen) return;
  FOpen = false;
  EraseValue(tLoadingScopes, this);
}

void TLoadingScope::Add(TComponent* component) {
  FComponents.push_back(component);
  component->FLoadingScope = this;
  component->FComponentState.Include(TComponentStateItem::csLoading);
  component->FComponentState.Include(TComponentStateItem::csReading);
}

void TLoadingScope::Forget(TComponent* component) {
  std::replace(FComponents.begin(), FComponents.end(), component, static_cast<TComponent*>(nullptr));
}

void TLoadingScope::Finish() {
  // Components a Loaded creates are not part of this load.
  Close();
  for (TComponent* c : FComponents)
    if (c) c->FComponentState.Exclude(TComponentStateItem::csReading);
  // Entries stay until their Loaded returns: one that a Loaded destroys is
  // nulled by its destructor and skipped.
  for (std::size_t i = 0; i < FComponents.size(); ++i) {
    TComponent* c = FComponents[i];
    if (!c) continue;
    auto leave = [&] {
      if (FComponents[i] != c) return;  // destroyed by its own Loaded
      FComponents[i] = nullptr;
      c->FLoadingScope = nullptr;
      c->FComponentState.Exclude(TComponentStateItem::csLoading);
    };
    try {
      c->Loaded();
    } catch (...) {
      leave();
      // The rest are not loaded, but none stays marked as loading.
      Release();
      throw;
    }
    leave();
  }
}

std::vector<TComponent*> TLoadingScope::Components() const {
  std::vector<TComponent*> result;
  for (TComponent* c : FComponents)
    if (c) result.push_back(c);
  return result;
}
