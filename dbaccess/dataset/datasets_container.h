#pragma once
// The dataset container: one place that hears the events and errors of a
// group of application datasets and sends named user events to a chosen
// set of them. Containers chain to a master container, which hears
// everything its subordinates hear, before them.
//
// The container does not own the datasets registered with it; each side
// learns of the other's destruction through free notification. A dataset
// takes part in user events by implementing TUserEventReceiver.

#include <string>
#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/data/dataset.h"
#include "framework/core/component/strings.h"

enum TKindDataSetEvent {
  deBeforeOpen = 0,
  deAfterOpen = 1,
  deBeforeClose = 2,
  deAfterClose = 3,
  deBeforeInsert = 4,
  deAfterInsert = 5,
  deBeforeEdit = 6,
  deAfterEdit = 7,
  deBeforePost = 8,
  deAfterPost = 9,
  deBeforeCancel = 10,
  deAfterCancel = 11,
  deBeforeDelete = 12,
  deAfterDelete = 13,
  deBeforeScroll = 14,
  deAfterScroll = 15,
  deOnNewRecord = 16,
  deOnCalcFields = 17,
  deBeforeRefresh = 18,
  deAfterRefresh = 19
};

enum TKindDataSetError { deOnEditError = 0, deOnPostError = 1, deOnDeleteError = 2 };

using TOnDataSetEvent = TEvent<void(TDataSet* DataSet, TKindDataSetEvent Event)>;
using TOnDataSetError =
    TEvent<void(TDataSet* DataSet, TKindDataSetError Event, EDatabaseError& E, TDataAction& Action)>;
using TUserEvent =
    TEvent<void(TObject* Sender, TDataSet* Receiver, const std::string& EventName, std::string& Info)>;

// A dataset that accepts user events broadcast by a container.
class TUserEventReceiver {
 public:
  virtual ~TUserEventReceiver() = default;
  // Masks of the event names accepted; an empty list accepts every name.
  virtual const TStrings& ReceiveEvents() const = 0;
  virtual void ReceiveUserEvent(TObject* sender, const std::string& eventName, std::string& info) = 0;
};

class TDataSetsContainer : public TComponent {
 public:
  explicit TDataSetsContainer(TComponent* owner);

  // An inactive container still passes everything to its master but fires
  // no handler of its own.
  bool Active() const { return FActive; }
  void SetActive(bool active) { FActive = active; }
  TDataSetsContainer* MasterContainer() const { return FMasterContainer; }
  // Raises Exception "Circular link is not allowed." when the chain would
  // close into a ring; the master is then unchanged.
  void SetMasterContainer(TDataSetsContainer* master);

  // Registers a dataset here and with every master; each only once.
  void Register(TComponent* component);
  // Removes it here and from every master.
  void Unregister(TComponent* component);
  int Count() const { return static_cast<int>(FItems.size()); }
  TComponent* Items(int index) const;

  // The masters hear each of these first, then this container's handler
  // runs when Active.
  void DataSetEvent(TDataSet* dataSet, TKindDataSetEvent event);
  void DataSetError(TDataSet* dataSet, TKindDataSetError event, EDatabaseError& error, TDataAction& action);
  void UserEvent(TObject* sender, TDataSet* receiver, const std::string& eventName, std::string& info);
  // Sends a user event to every registered receiver, in registration
  // order, whose "<owner name>.<name>" matches nameMask (ignoring case;
  // an empty mask matches all) and that accepts the event's name.
  void Broadcast(TObject* sender, const std::string& nameMask, const std::string& eventName,
                 std::string& info);

  TOnDataSetEvent OnDataSetEvent;
  TOnDataSetError OnDataSetError;
  TUserEvent OnUserEvent;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool IsRegistered(const TComponent* component) const;

  bool FActive = true;
  TDataSetsContainer* FMasterContainer = nullptr;
  std::vector<TComponent*> FItems;
};

// The name the application's forms use for the container.
using TpFIBDatasetsContainer = TDataSetsContainer;
