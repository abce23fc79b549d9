#include "dbaccess/dataset/datasets_container.h"

#include <algorithm>

#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

TDataSetsContainer::TDataSetsContainer(TComponent* owner) : TComponent(owner) {}

TComponent* TDataSetsContainer::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<std::size_t>(index)];
}

bool TDataSetsContainer::IsRegistered(const TComponent* component) const {
  return std::find(FItems.begin(), FItems.end(), component) != FItems.end();
}

void TDataSetsContainer::SetMasterContainer(TDataSetsContainer* master) {
  if (master == FMasterContainer) return;
  for (TDataSetsContainer* link = master; link != nullptr; link = link->FMasterContainer)
    if (link == this) throw Exception("Circular link is not allowed.");
  if (FMasterContainer != nullptr) {
    for (TComponent* component : FItems) FMasterContainer->Unregister(component);
    RemoveFreeNotification(FMasterContainer);
  }
  FMasterContainer = master;
  if (FMasterContainer != nullptr) {
    FreeNotification(FMasterContainer);
    for (TComponent* component : FItems) FMasterContainer->Register(component);
  }
}

void TDataSetsContainer::Register(TComponent* component) {
  if (component == nullptr) return;
  if (!IsRegistered(component)) {
    FItems.push_back(component);
    FreeNotification(component);
  }
  if (FMasterContainer != nullptr) FMasterContainer->Register(component);
}

void TDataSetsContainer::Unregister(TComponent* component) {
  if (component == nullptr) return;
  const auto it = std::find(FItems.begin(), FItems.end(), component);
  if (it != FItems.end()) {
    FItems.erase(it);
    RemoveFreeNotification(component);
  }
  if (FMasterContainer != nullptr) FMasterContainer->Unregister(component);
}

void TDataSetsContainer::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMasterContainer) {
    FMasterContainer = nullptr;
    return;
  }
  FItems.erase(std::remove(FItems.begin(), FItems.end(), component), FItems.end());
}

void TDataSetsContainer::DataSetEvent(TDataSet* dataSet, TKindDataSetEvent event) {
  if (FMasterContainer != nullptr) FMasterContainer->DataSetEvent(dataSet, event);
  if (FActive && OnDataSetEvent) OnDataSetEvent(dataSet, event);
}

void TDataSetsContainer::DataSetError(TDataSet* dataSet, TKindDataSetError event, EDatabaseError& error,
                                      TDataAction& action) {
  if (FMasterContainer != nullptr) FMasterContainer->DataSetError(dataSet, event, error, action);
  if (FActive && OnDataSetError) OnDataSetError(dataSet, event, error, action);
}

void TDataSetsContainer::UserEvent(TObject* sender, TDataSet* receiver, const std::string& eventName,
                                   std::string& info) {
  if (FMasterContainer != nullptr) FMasterContainer->UserEvent(sender, receiver, eventName, info);
  if (FActive && OnUserEvent) OnUserEvent(sender, receiver, eventName, info);
}

void TDataSetsContainer::Broadcast(TObject* sender, const std::string& nameMask, const std::string& eventName,
                                   std::string& info) {
  const std::string mask = AnsiUpperCase(nameMask);
  // A receiver may open, close or unregister datasets: walk a copy and
  // skip those that left meanwhile.
  const std::vector<TComponent*> items = FItems;
  for (TComponent* component : items) {
    if (!IsRegistered(component)) continue;
    if (!mask.empty()) {
      // A dataset without owner has an empty owner name.
      const TComponent* owner = component->Owner();
      const std::string name = (owner != nullptr ? owner->Name() : std::string()) + "." + component->Name();
      if (!MatchesMask(AnsiUpperCase(name), mask)) continue;
    }
    auto* receiver = dynamic_cast<TUserEventReceiver*>(component);
    if (receiver == nullptr) continue;
    const TStrings& accepted = receiver->ReceiveEvents();
    if (accepted.Count() > 0 && IndexOfMask(accepted, eventName, false) < 0) continue;
    receiver->ReceiveUserEvent(sender, eventName, info);
  }
}
