#pragma once
// The data link of the dataset-bound tree list: it receives the framework's
// data-link notifications and hands them to the control's virtual
// operations, and it keeps the field map (for each column, or each visible
// field when the grid makes its columns from the fields, the index of its
// field in the dataset, -1 when the dataset has none of that name).
// TdxGridDataLink, the grid's link, passes focus-control and layout-changed
// on to the control's LinkFocusControl and LinkLayoutChanged, which the
// grid answers. Owned by the control (a std::unique_ptr member).

#include <cstdint>
#include <vector>

#include "datagrid/forward.h"
#include "framework/core/data/data_source.h"

class TdxDBTreeListControlDataLink : public TDataLink {
 public:
  explicit TdxDBTreeListControlDataLink(TCustomdxDBTreeListControl* control);
  ~TdxDBTreeListControlDataLink() override;

  TCustomdxDBTreeListControl* Control() const { return FControl; }
  // An edit was started through the link; every notification clears it.
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  // Esc: a modified row takes the record's values again; otherwise the
  // dataset's edit or insert is cancelled.
  void Reset();

  // --- Field map
  int FieldMapCount() const { return static_cast<int>(FFieldMap.size()); }
  int FieldMapCapacity() const { return FCapacity; }
  // The entry's field index, -1 outside the map.
  int FieldMapEntry(int index) const;
  // The entry's field; nil out of range or for -1.
  TField* Fields(int index) const;
  // Appends the field's index (-1 for nil); the control asks for free
  // notice of the field.
  void AddMapping(TField* field);
  void ClearMapping();

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  TCustomdxDBTreeListControl* FControl;
  bool FModified = false;
  std::vector<std::int32_t> FFieldMap;
  int FCapacity = 0;
};

class TdxGridDataLink : public TdxDBTreeListControlDataLink {
 public:
  explicit TdxGridDataLink(TCustomdxDBTreeListControl* control);

 protected:
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
};
