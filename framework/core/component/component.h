#pragma once
// Components: named objects in an ownership tree, with loading state and
// free notification.
//
// A component created with an owner (`new TFoo(owner)`) is owned by it: the
// owner keeps its components in creation order and frees them, last first,
// when it dies. That `new` is the one sanctioned form of it; a component
// without owner is held in a `std::unique_ptr`. Other components refer to a
// component by plain pointer and learn of its end through `Notification`:
// either because they share its owner (the owner passes every insertion and
// removal of one of its components on to all the others) or because they
// asked for `FreeNotification`.
//
// Destruction in C++ runs derived destructors first. ~TComponent then marks
// the component and everything it owns csDestroying, tells its free-
// notification peers `Notification(this, opRemove)`, frees its owned
// components and leaves its owner. Two consequences:
// - A derived class whose owned components use its own members while they
//   die (for example by calling back into it from their destructors or
//   through its `Notification` override) must call `Destroying()` and
//   `DestroyComponents()` in its own destructor, while those members live.
// - In `Notification(c, opRemove)` for a component being destroyed, and in
//   `Notification(c, opInsert)` for a component being constructed, `c` is
//   not a whole object of its class: compare the pointer, never cast it or
//   call its virtual functions.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/persistent.h"
#include "framework/core/base/set.h"

enum class TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TLoadingScope;

class TComponent : public TPersistent {
 public:
  // Registers with owner (when given), which then owns and frees it.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  TPersistent* GetOwner() const override { return FOwner; }
  // The component's name (a component's name path is its name).
  std::string GetNamePath() const override { return FName; }

  const std::string& Name() const { return FName; }
  // An identifier (ASCII letters, digits, underscore, not starting with a
  // digit) or empty, unique among the owner's components ignoring ASCII
  // case; raises EComponentError otherwise.
  virtual void SetName(const std::string& name);

  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }

  // Owned components, in insertion order.
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int index) const;
  // Position in the owner's list; -1 without owner.
  int ComponentIndex() const;
  // The owned component with that name (ignoring ASCII case), or nullptr;
  // an empty name finds nothing.
  TComponent* FindComponent(std::string_view name) const;

  // Takes ownership of component (which must have no owner). The name is
  // checked first; when it clashes EComponentError is raised and component
  // stays with the caller.
  void InsertComponent(std::unique_ptr<TComponent>&& component);
  // Gives up ownership of one of this component's components.
  [[nodiscard]] std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and (recursively) its owned ones csDestroying.
  void Destroying();
  // Frees this component now; nothing when it is already being destroyed.
  // Only for owned components: an unowned one is freed by its unique_ptr,
  // and this raises EInvalidOperation for it.
  void Free();

  TComponentState ComponentState() const { return FComponentState; }

  // Asks that component and this one notify each other, with
  // Notification(x, opRemove), when either is destroyed.
  void FreeNotification(TComponent* component);
  // Drops such a mutual registration.
  void RemoveFreeNotification(TComponent* component);

  // Called once loading is over (see TLoadingScope); clears csLoading.
  // Overrides call the inherited one first.
  virtual void Loaded();
  // Hears of components inserted into or removed from this one's owned list
  // and of the destruction of free-notification peers. The inherited one
  // drops the free-notification link of a removed component and passes the
  // notification on to every owned component; overrides call it.
  virtual void Notification(TComponent* component, TOperation operation);

 protected:
  void IncludeComponentState(TComponentStateItem item) { FComponentState.Include(item); }
  void ExcludeComponentState(TComponentStateItem item) { FComponentState.Exclude(item); }

 private:
  friend class TLoadingScope;

  void ValidateRename(const TComponent* component, const std::string& current,
                      const std::string& wanted) const;
  void AttachOwned(TComponent* component);
  void DetachOwned(TComponent* component);
  void DropFreeLink(TComponent* peer);
  void NotifyFreePeers();
  static void Delete(TComponent* component) noexcept;

  TComponent* FOwner = nullptr;
  std::string FName;
  std::intptr_t FTag = 0;
  TComponentState FComponentState;
  // Owned: freed by this component only (DestroyComponents, Free).
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TLoadingScope* FLoadingScope = nullptr;
};

// The loading bracket of a form built in code. Open it before creating the
// components; every component created on this thread while it is the
// innermost open scope gets csLoading and csReading. After the stored
// properties are assigned, `Finish()` clears csReading and calls `Loaded()`
// on each of them in creation order. When a Loaded throws, the rest are not
// loaded, but none of them is left csLoading, and the exception propagates.
// A scope that is left without `Finish()` (an exception during building)
// clears both flags and calls no Loaded. Components created by a Loaded
// belong to the next enclosing scope, if any.
class TLoadingScope {
 public:
  TLoadingScope();
  ~TLoadingScope();
  TLoadingScope(const TLoadingScope&) = delete;
  TLoadingScope& operator=(const TLoadingScope&) = delete;

  void Finish();

  // The components registered so far and still alive, in creation order.
  std::vector<TComponent*> Components() const;

 private:
  friend class TComponent;

  static TLoadingScope* Current();
  void Close();
  void Release() noexcept;
  void Add(TComponent* component);
  void Forget(TComponent* component);

  // Entries of components destroyed meanwhile are nullptr.
  std::vector<TComponent*> FComponents;
  bool FOpen = true;
};
