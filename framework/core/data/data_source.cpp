#include "framework/core/data/data_source.h"

#include <algorithm>

#include "framework/core/data/dataset.h"

namespace {

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert || state == dsSetKey; }

}  // namespace

// --- TDataSource ----------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  // Handlers of this source must not run while it dies.
  OnStateChange = nullptr;
  OnDataChange = nullptr;
  OnUpdateData = nullptr;
  while (!FDataLinks.empty()) {
    TDataLink* link = FDataLinks.back();
    RemoveDataLink(link);
  }
  SetDataSet(nullptr);
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  while (dataSet != nullptr) {
    TDataSource* master = dataSet->GetDataSource();
    if (master == nullptr) return false;
    if (master == this) return true;
    dataSet = master->DataSet();
  }
  return false;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (IsLinkedTo(dataSet)) {
    const std::string message = "Circular datalinks are not allowed";
    throw EDatabaseError(Name().empty() ? message : Name() + ": " + message);
  }
  if (FDataSet != nullptr) {
    RemoveFreeNotification(FDataSet);
    FDataSet->RemoveDataSource(this);
  }
  if (dataSet != nullptr) {
    dataSet->AddDataSource(this);
    FreeNotification(dataSet);
  }
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse && FDataSet != nullptr) FDataSet->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && FDataSet != nullptr && static_cast<TComponent*>(FDataSet) == component) {
    // The dataset detaches its sources while it can; this only covers a
    // dataset that is already beyond that.
    FDataSet = nullptr;
    UpdateState();
  }
}

void TDataSource::UpdateState() {
  SetState(FEnabled && FDataSet != nullptr ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState state) {
  if (state == FState) return;
  const TDataSetState prior = FState;
  FState = state;
  NotifyAllLinks(deUpdateState, {});
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

bool TDataSource::HasLink(const TDataLink* link) const {
  return std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end();
}

void TDataSource::NotifyDataLinks(TDataEvent event, const TDataEventInfo& info, bool visualControls) {
  // A link may detach itself or others while it is told: walk a copy.
  const std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links)
    if (link->FVisualControl == visualControls && HasLink(link)) link->DataEvent(event, info);
}

void TDataSource::NotifyAllLinks(TDataEvent event, const TDataEventInfo& info) {
  const std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links)
    if (HasLink(link)) link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  // Detail datasets and other non-visual followers first, then controls.
  NotifyDataLinks(event, info, false);
  NotifyDataLinks(event, info, true);
  switch (event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, info.Field);
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::AddDataLink(TDataLink* link) {
  FDataLinks.push_back(link);
  link->FDataSource = this;
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  link->FDataSource = nullptr;
  FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), link), FDataLinks.end());
  link->UpdateState();
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
}

// --- TDataLink ------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  // Leave the source without being told anything: the derived part of
  // this link is gone.
  if (FDataSource == nullptr) return;
  TDataSource* source = FDataSource;
  FDataSource = nullptr;
  FActive = false;
  source->FDataLinks.erase(std::remove(source->FDataLinks.begin(), source->FDataLinks.end(), this),
                           source->FDataLinks.end());
  if (source->FDataSet != nullptr) {
    // Shrinking the window may fetch; a destructor cannot report that.
    try {
      source->FDataSet->UpdateBufferCount();
    } catch (...) {
    }
  }
}

TDataSet* TDataLink::DataSet() const { return FDataSource != nullptr ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == FDataSource) return;
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
  if (source != nullptr) source->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool readOnly) {
  if (readOnly == FReadOnly) return;
  FReadOnly = readOnly;
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(FDataSource != nullptr && FDataSource->State() != dsInactive);
  SetEditing(FDataSource != nullptr && IsEditState(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool active) {
  if (active == FActive) return;
  FActive = active;
  if (active)
    UpdateRange();
  else
    FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool editing) {
  if (editing == FEditing) return;
  FEditing = editing;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  const int active = dataSet->FActiveRecord;
  const int low = std::max(0, active - FBufferCount + 1);
  const int high = std::max(low, std::min(active, std::max(0, dataSet->FBufferCount - FBufferCount)));
  FFirstRecord = std::clamp(FFirstRecord, low, high);
}

int TDataLink::ActiveRecord() const {
  TDataSet* dataSet = DataSet();
  if (!FActive || dataSet == nullptr || dataSet->State() == dsSetKey) return 0;
  return dataSet->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int row) {
  TDataSet* dataSet = DataSet();
  if (!FActive || dataSet == nullptr || dataSet->State() == dsSetKey) return;
  if (row < 0 || row >= RecordCount())
    throw EDatabaseError("Row " + std::to_string(row) + " of a data link holds no record");
  dataSet->FActiveRecord = row + FFirstRecord;
}

int TDataLink::RecordCount() const {
  TDataSet* dataSet = DataSet();
  if (!FActive || dataSet == nullptr) return 0;
  if (dataSet->State() == dsSetKey) return 1;
  return std::clamp(dataSet->FRecordCount - FFirstRecord, 0, FBufferCount);
}

void TDataLink::SetBufferCount(int count) {
  count = std::max(count, 1);
  if (count == FBufferCount) return;
  FBufferCount = count;
  if (!FActive) return;
  UpdateRange();
  DataSet()->UpdateBufferCount();
  UpdateRange();
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  struct Reset {
    bool& Flag;
    ~Reset() { Flag = false; }
  } reset{FUpdating};
  UpdateData();
}

void TDataLink::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(info.Field);
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int distance = 0;
      TDataSet* dataSet = DataSet();
      if (dataSet->State() != dsSetKey) {
        // The records moved through the slots by info.Distance; move the
        // window with them, then just far enough to hold the active record.
        const int active = dataSet->FActiveRecord;
        const int first = FFirstRecord + info.Distance;
        int wanted = first;
        if (active > first + FBufferCount - 1)
          wanted = active - FBufferCount + 1;
        else if (active < first)
          wanted = active;
        wanted = std::max(wanted, 0);
        distance = wanted - first;
        FFirstRecord = wanted;
      }
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(distance);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      if (info.FocusField != nullptr) FocusControl(*info.FocusField);
      break;
    default:
      break;
  }
}
