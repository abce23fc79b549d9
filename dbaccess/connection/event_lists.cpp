#include "dbaccess/connection/event_lists.h"

TCallBackList::TCallBackList(TComponent* owner) : TComponent(owner) {}

int TCallBackList::Add(const TNotifyEvent& handler, TComponent* target) {
  if (const int i = IndexOf(handler); i >= 0) return i;
  if (target == nullptr) target = dynamic_cast<TComponent*>(handler.BoundObject());
  FEntries.push_back({handler, target});
  if (target) target->FreeNotification(this);
  return Count() - 1;
}

void TCallBackList::Remove(const TNotifyEvent& handler) {
  for (int i = Count() - 1; i >= 0; --i) {
    if (!(FEntries[static_cast<std::size_t>(i)].Handler == handler)) continue;
    TComponent* target = FEntries[static_cast<std::size_t>(i)].Target;
    FEntries.erase(FEntries.begin() + i);
    ForgetTarget(target);
  }
}

int TCallBackList::IndexOf(const TNotifyEvent& handler) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (FEntries[static_cast<std::size_t>(i)].Handler == handler) return i;
  return -1;
}

TNotifyEvent TCallBackList::Get(int index) const {
  if (index < 0 || index >= Count()) return {};
  return FEntries[static_cast<std::size_t>(index)].Handler;
}

void TCallBackList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  std::erase_if(FEntries, [component](const TEntry& e) { return e.Target == component; });
}

// Stops listening to a component once none of its handlers is listed.
void TCallBackList::ForgetTarget(TComponent* target) {
  if (!target) return;
  for (const TEntry& e : FEntries)
    if (e.Target == target) return;
  target->RemoveFreeNotification(this);
}
