#pragma once
// TdxDBGridFilter: the grid's Filter property. It owns the grid's criteria
// (TdxDBGridCriteria), carries the filter options a user sets on the grid,
// and offers what the header drop-down and the custom dialog use to change
// a column's condition; every change ends in the grid's FilterChanged
// (active flag, refilter, the expression passed to the dataset).
//
// TdxDBGridFilterValues: the drop-down's sorted list of a column's distinct
// values, each with the text it shows.
//
// The filter is made by its grid on first use and goes with it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "datagrid/filter/grid_criteria.h"
#include "framework/core/component/persistent.h"

class TStream;

enum TdxDBGridFilterStatus : std::uint8_t { fsAuto = 0, fsNone = 1, fsAlways = 2 };

// What the drop-down shows as the column's current item.
enum TdxColumnFilterState : std::uint8_t {
  cfsNone = 0,       // no condition: "(All)"
  cfsBlanks = 1,     // Is Null
  cfsNonBlanks = 2,  // not Is Null
  cfsValue = 3,      // one equality in the root
  cfsCustom = 4,     // anything else: "(Custom...)"
};

class TdxDBGridFilter : public TPersistent {
 public:
  explicit TdxDBGridFilter(TCustomdxDBGrid* grid);

  TCustomdxDBGrid* Grid() const { return FGrid; }
  // Copies the options and the criteria; no notification.
  void Assign(const TPersistent* source) override;

  // --- Options (each writer as the grid expects: see the source)
  bool Active() const { return FActive; }
  void SetActive(bool value);
  bool AutoDataSetFilter() const { return FAutoDataSetFilter; }
  void SetAutoDataSetFilter(bool value);
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value) { FDropDownCount = value; }
  int DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(int value) { FDropDownWidth = value; }
  TdxDBGridFilterStatus FilterStatus() const { return FFilterStatus; }
  void SetFilterStatus(TdxDBGridFilterStatus value);
  // Most values the drop-down collects; 0: no limit.
  int MaxDropDownCount() const { return FMaxDropDownCount; }
  void SetMaxDropDownCount(int value) { FMaxDropDownCount = value; }

  TdxDBGridCriteria& Criteria() { return FCriteria; }
  const TdxDBGridCriteria& Criteria() const { return FCriteria; }
  // The criteria with every leaf bound to its column again.
  TdxDBGridCriteria& CurrentCriteria();

  // The status panel's caption and the dataset's expression.
  std::string DisplayText() const { return FCriteria.DisplayText(); }
  std::string FilterText() const { return FCriteria.FilterText(); }

  // --- A column's condition; each change tells the grid
  // The column's condition becomes "equals Value" shown as Text.
  virtual void ApplyValue(const TdxTreeListColumn* column, const Variant& value, const std::string& text);
  virtual void ApplyBlanks(const TdxTreeListColumn* column, bool negated);
  virtual void ClearAll();
  bool HasColumnFilter(const TdxTreeListColumn* column) const {
    return FCriteria.ColumnItem(column) != nullptr;
  }
  bool IsEmpty() const { return FCriteria.Root().Count() == 0; }
  virtual void RemoveColumnFilter(const TdxTreeListColumn* column);
  // The custom dialog; the grid hears of it only when confirmed.
  virtual bool EditCustomFilter(TdxDBTreeListColumn* column);
  // Value: the first item's value (Null without one).
  TdxColumnFilterState ColumnFilterState(const TdxTreeListColumn* column, Variant& value) const;

  bool NodePasses(const TdxTreeListNode* node) const { return FCriteria.Evaluate(node); }

  // The stored form kept in the grid's layout: the options, then the
  // criteria. Reading raises EReadError on anything malformed and then
  // leaves this filter as it was.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 protected:
  virtual void DoChanged();

 private:
  TCustomdxDBGrid* FGrid;
  TdxDBGridCriteria FCriteria;
  bool FActive = false;
  bool FAutoDataSetFilter = false;
  bool FCaseInsensitive = false;
  int FDropDownCount = 12;
  int FDropDownWidth = 0;
  TdxDBGridFilterStatus FFilterStatus = fsAuto;
  int FMaxDropDownCount = 1000;
};

// The distinct values of a column, sorted, each with its text.
class TdxDBGridFilterValues {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int index) const { return FItems.at(static_cast<std::size_t>(index)).first; }
  const Variant& Values(int index) const { return FItems.at(static_cast<std::size_t>(index)).second; }
  void Clear() { FItems.clear(); }

  // Compare string values by the locale's case-sensitive order.
  bool LocaleCompare() const { return FLocaleCompare; }
  void SetLocaleCompare(bool value) { FLocaleCompare = value; }
  // Values and texts of strings are kept upper-cased.
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool value) { FCaseInsensitive = value; }
  // 0: no limit; values beyond it are dropped.
  int MaxCount() const { return FMaxCount; }
  void SetMaxCount(int value) { FMaxCount = value; }

  // Added in order and once (Append: at the end, unchecked).
  void AddValue(std::string text, Variant value, bool append = false);
  // Index: the first equal line when found, else where it would go.
  bool FindValue(const Variant& value, int& index) const;

 private:
  int CompareValues(const Variant& a, const Variant& b) const;
  std::vector<std::pair<std::string, Variant>> FItems;
  bool FLocaleCompare = false;
  bool FCaseInsensitive = false;
  int FMaxCount = 0;
};
