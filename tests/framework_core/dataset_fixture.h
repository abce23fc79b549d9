#pragma once
// Shared pieces of the dataset model tests: a data link that writes down
// every notification, and an in-memory table of numbered people.

#include <string>
#include <utility>
#include <vector>

#include "framework/core/data/data_source.h"
#include "framework/core/data/memory_dataset.h"

class RecordingLink : public TDataLink {
 public:
  explicit RecordingLink(bool visual = true) { SetVisualControl(visual); }

  std::vector<std::string> Events;
  // Prefix for the events when several links write into one list.
  std::string Tag;
  std::vector<std::string>* Shared = nullptr;
  // Browse-mode checks come before every move; noted only when asked.
  bool LogBrowseChecks = false;

  std::vector<std::string> Take() {
    std::vector<std::string> events = std::move(Events);
    Events.clear();
    return events;
  }
  int WindowStart() const { return FirstRecord(); }

 protected:
  void ActiveChanged() override { Note(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { Note("changed"); }
  void DataSetScrolled(int distance) override { Note("scrolled " + std::to_string(distance)); }
  void RecordChanged(TField* field) override {
    Note(field != nullptr ? "record " + field->FieldName() : "record");
  }
  void EditingChanged() override { Note(Editing() ? "editing" : "browsing"); }
  void LayoutChanged() override { Note("layout"); }
  void UpdateData() override { Note("update data"); }
  void CheckBrowseMode() override {
    if (LogBrowseChecks) Note("check browse");
  }
  void FocusControl(TField*& field) override {
    Note("focus " + (field != nullptr ? field->FieldName() : ""));
  }

 private:
  void Note(const std::string& event) {
    Events.push_back(event);
    if (Shared != nullptr) Shared->push_back(Tag + event);
  }
};

// ID integer (required), NAME string(20).
inline void DefinePeople(TMemoryDataSet& dataSet) {
  dataSet.FieldDefs().Add("ID", ftInteger, 0, true);
  dataSet.FieldDefs().Add("NAME", ftString, 20);
}

// Opens the dataset with records ID 1..count, NAME "Name<ID>", on the first.
inline void FillPeople(TMemoryDataSet& dataSet, int count) {
  if (dataSet.FieldDefs().Count() == 0) DefinePeople(dataSet);
  dataSet.Open();
  for (int id = 1; id <= count; ++id)
    dataSet.AppendRecord({Variant(id), Variant("Name" + std::to_string(id))});
  dataSet.First();
}

inline int CurrentId(const TDataSet& dataSet) { return dataSet.FieldByName("ID")->AsInteger(); }

// The IDs of the rows of a link's window, read through the link.
inline std::vector<int> WindowIds(RecordingLink& link) {
  std::vector<int> ids;
  const int saved = link.ActiveRecord();
  for (int row = 0; row < link.RecordCount(); ++row) {
    link.SetActiveRecord(row);
    ids.push_back(link.DataSet()->FieldByName("ID")->AsInteger());
  }
  link.SetActiveRecord(saved);
  return ids;
}

inline std::vector<int> Range(int first, int last) {
  std::vector<int> ids;
  for (int id = first; id <= last; ++id) ids.push_back(id);
  return ids;
}
