#include "datagrid/control/data_link.h"

#include "datagrid/control/db_tree_list_control.h"
#include "framework/core/data/dataset.h"

namespace {
constexpr int MaxFieldMapCapacity = 0x0FFFFFFF;
}

TdxDBTreeListControlDataLink::TdxDBTreeListControlDataLink(TCustomdxDBTreeListControl* control)
    : FControl(control) {
  SetVisualControl(true);
}

TdxDBTreeListControlDataLink::~TdxDBTreeListControlDataLink() { ClearMapping(); }

void TdxDBTreeListControlDataLink::Reset() {
  if (FModified) {
    RecordChanged(nullptr);
  } else if (TDataSet* dataSet = DataSet()) {
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
  }
}

int TdxDBTreeListControlDataLink::FieldMapEntry(int index) const {
  if (index < 0 || index >= FieldMapCount()) return -1;
  return FFieldMap[static_cast<std::size_t>(index)];
}

TField* TdxDBTreeListControlDataLink::Fields(int index) const {
  const int entry = FieldMapEntry(index);
  TDataSet* dataSet = DataSet();
  if (entry < 0 || dataSet == nullptr || entry >= dataSet->FieldCount()) return nullptr;
  return dataSet->Fields()[entry];
}

void TdxDBTreeListControlDataLink::AddMapping(TField* field) {
  if (FieldMapCount() == FCapacity) {
    const int grown = FCapacity == 0 ? 8 : FCapacity * 2;
    if (FCapacity >= MaxFieldMapCapacity) return;
    FCapacity = grown > MaxFieldMapCapacity ? MaxFieldMapCapacity : grown;
    FFieldMap.reserve(static_cast<std::size_t>(FCapacity));
  }
  FFieldMap.push_back(field == nullptr ? -1 : field->Index());
  if (field != nullptr && FControl != nullptr) field->FreeNotification(FControl);
}

void TdxDBTreeListControlDataLink::ClearMapping() {
  FFieldMap.clear();
  FFieldMap.shrink_to_fit();
  FCapacity = 0;
}

void TdxDBTreeListControlDataLink::ActiveChanged() { FControl->ActiveChanged(Active()); }

void TdxDBTreeListControlDataLink::DataSetChanged() {
  FControl->DataSetChanged();
  FModified = false;
}

void TdxDBTreeListControlDataLink::DataSetScrolled(int distance) { FControl->DataSetScrolled(-distance); }

void TdxDBTreeListControlDataLink::RecordChanged(TField* field) {
  FControl->RecordChanged(field);
  FModified = false;
}

void TdxDBTreeListControlDataLink::UpdateData() {
  if (FModified) FControl->UpdateData();
  FModified = false;
}

TdxGridDataLink::TdxGridDataLink(TCustomdxDBTreeListControl* control) : TdxDBTreeListControlDataLink(control) {}

void TdxGridDataLink::FocusControl(TField*& field) { Control()->LinkFocusControl(field); }

void TdxGridDataLink::LayoutChanged() {
  if (Control()->LinkLayoutChanged()) TdxDBTreeListControlDataLink::LayoutChanged();
}
