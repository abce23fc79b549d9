#pragma once
// Data sources and data links: how controls follow a dataset.
//
// A `TDataSource` is a component that connects one dataset to any number
// of data links; it forwards the dataset's data events to them (links of
// non-visual objects first, then those of controls) and keeps a copy of the
// dataset's state. A `TDataLink` is an object a control or a detail dataset
// owns; attached to a source it receives the notifications below. Each link
// has its own window onto the dataset's record buffers: BufferCount records
// starting at a first slot that the link moves so that it always contains
// the dataset's active record. ActiveRecord is the active record's row in
// that window, and DataSetScrolled(distance) says by how many records the
// window moved.
//
// A link detaches itself when destroyed; a source detaches its links and
// its dataset when destroyed, and forgets a dataset that is destroyed.

#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/data/dataset_types.h"

class TDataLink;

using TDataChangeEvent = TEvent<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Raises EDatabaseError "Circular datalinks are not allowed" when the
  // dataset's master chain leads back to this source.
  void SetDataSet(TDataSet* dataSet);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool autoEdit) { FAutoEdit = autoEdit; }
  // The dataset's state as the links last saw it (dsInactive when disabled
  // or without dataset).
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit state when AutoEdit allows it.
  void Edit();
  // Whether dataSet's master chain leads to this source.
  bool IsLinkedTo(TDataSet* dataSet) const;
  int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void DataEvent(TDataEvent event, const TDataEventInfo& info);
  void NotifyDataLinks(TDataEvent event, const TDataEventInfo& info, bool visualControls);
  void NotifyAllLinks(TDataEvent event, const TDataEventInfo& info);
  void SetState(TDataSetState state);
  void UpdateState();
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  bool HasLink(const TDataLink* link) const;

  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  bool FAutoEdit = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
};

class TDataLink : public TObject {
 public:
  TDataLink();
  ~TDataLink() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // Attached to an open dataset through an enabled source.
  bool Active() const { return FActive; }
  // The dataset is being edited and the link is not read-only.
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  // A control's link (told after the others).
  bool VisualControl() const { return FVisualControl; }
  void SetVisualControl(bool visual) { FVisualControl = visual; }

  // The active record's row in the link's window (0 while inactive).
  int ActiveRecord() const;
  // Makes another row of the window the dataset's active record, e.g. to
  // read the fields of that row; raises EDatabaseError when the row holds
  // no record. Restore it afterwards.
  void SetActiveRecord(int row);
  int BufferCount() const { return FBufferCount; }
  void SetBufferCount(int count);
  // Records in the link's window.
  int RecordCount() const;
  // Asks the source to start editing; returns Editing().
  bool Edit();
  bool RequestEdit() { return Edit(); }
  // Asks the control to write its pending value (UpdateData).
  void UpdateRecord();
  // Action handling is not offered by links here.
  virtual bool ExecuteAction(TObject* action) { return false; }
  virtual bool UpdateAction(TObject* action) { return false; }

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField*& field) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) {}
  virtual void UpdateData() {}
  virtual void DataEvent(TDataEvent event, const TDataEventInfo& info);
  // The first dataset slot of the link's window.
  int FirstRecord() const { return FFirstRecord; }

 private:
  friend class TDataSource;
  friend class TDataSet;

  void UpdateState();
  void SetActive(bool active);
  void SetEditing(bool editing);
  void UpdateRange();

  TDataSource* FDataSource = nullptr;
  int FBufferCount = 1;
  int FFirstRecord = 0;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FVisualControl = false;
  bool FUpdating = false;
};

// The link of a detail dataset to its master's source.
class TDetailDataLink : public TDataLink {
 public:
  virtual TDataSet* DetailDataSet() const { return nullptr; }
};
