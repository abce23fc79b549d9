#pragma once
// Summaries of the data-aware grid: the rule that folds one value into a
// total, the finishing of counts and averages, the default format texts,
// and the named summary groups whose items a group row or a row footer
// shows. The grid (db_grid_summary.cpp) walks records and nodes; what is
// here knows nothing of nodes or windows, so it is tested on its own.
//
// Only numbers are totalled. A Null, an empty value or a value that does not
// read as a number is left out of sums, minimums, maximums and averages
// (an average divides by the values it took, not by the records), and this
// holds alike while records are loaded and while nodes are totalled again:
// a text that is no number must not abort a load.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "datagrid/control/db_column.h"
#include "datagrid/control/db_node.h"
#include "framework/core/base/variant.h"
#include "framework/core/component/collection.h"

// What the summary groups ask of the grid that owns them: the name their
// default names start with, and a new layout after a group or an item
// changed. The grid (datagrid/grid/db_grid.h) answers.
class TdxSummaryGroupsHost {
 public:
  virtual std::string SummaryGroupsHostName() const = 0;
  virtual void SummaryGroupsChanged() = 0;

 protected:
  ~TdxSummaryGroupsHost() = default;
};

using TdxSummaryAccumulator = TdxDBGridNode::TSummarySlot;

enum TdxSummaryStyle { ssGroupRow, ssFooter };

// Folds a value into the accumulator: the first value is stored as it is;
// later sums and averages add, minimum and maximum keep the extreme; count
// and none change nothing. Every call counts the value for the average.
void AccumulateSummary(TdxSummaryAccumulator& accumulator, TdxSummaryType type, long double value);

// The totals of one column over many records, each value read once and
// handed to every total of the column at the end, with the results of
// AccumulateSummary value by value into fresh totals. Whole numbers add up
// exactly in 64 bits until a value that is not whole comes (or the sum
// would overflow), and from then on in extended precision, one value after
// another as AccumulateSummary adds them: until then every partial sum is
// a whole number below 2^63, which the extended format holds exactly.
class TdxSummaryFold {
 public:
  void Add(std::int64_t value);
  void Add(long double value);
  // A batch of numbers read from the cells; other(i) gives the number of
  // the batch's ith record (an optional long double) where the read left
  // it open. Whole numbers stay in registers until one that is not.
  template <class F>
  void Add(const TdxCellNumber* numbers, std::size_t count, F&& other);
  // Hands the fold to one total of the column: sum, average, minimum or
  // maximum (a count counts the records, not the values).
  void Finish(TdxSummaryAccumulator& total, TdxSummaryType type);

 private:
  void Widen();

  bool FExact = true;
  int FTaken = 0;
  std::int64_t FWholeSum = 0;
  std::int64_t FWholeMin = std::numeric_limits<std::int64_t>::max();
  std::int64_t FWholeMax = std::numeric_limits<std::int64_t>::min();
  long double FSum = 0;
  long double FMin = 0;
  long double FMax = 0;
};

template <class F>
void TdxSummaryFold::Add(const TdxCellNumber* numbers, std::size_t count, F&& other) {
  std::size_t i = 0;
  while (i < count) {
    if (FExact) {
      std::int64_t sum = FWholeSum;
      std::int64_t low = FWholeMin;
      std::int64_t high = FWholeMax;
      int taken = FTaken;
      for (; i < count; ++i) {
        const TdxCellNumber& number = numbers[i];
        if (number.Kind == TdxCellNumber::Null) continue;
        std::int64_t next = 0;
        if (number.Kind != TdxCellNumber::Integer || __builtin_add_overflow(sum, number.Whole, &next)) break;
        sum = next;
        low = number.Whole < low ? number.Whole : low;
        high = number.Whole > high ? number.Whole : high;
        ++taken;
      }
      FWholeSum = sum;
      FWholeMin = low;
      FWholeMax = high;
      FTaken = taken;
      if (i == count) return;
    }
    const TdxCellNumber& number = numbers[i];
    if (number.Kind == TdxCellNumber::Integer) {
      Add(number.Whole);
    } else if (number.Kind == TdxCellNumber::Real) {
      Add(static_cast<long double>(number.Fraction));
    } else if (number.Kind == TdxCellNumber::Other) {
      if (const std::optional<long double> value = other(i)) Add(*value);
    }
    ++i;
  }
}

// The finished total: a count gives records; an average divides by the
// values it took (0 without any); the others are the accumulated value.
long double FinishSummary(const TdxSummaryAccumulator& accumulator, TdxSummaryType type, int records);

// The date kind of a summary: 9, 10 or 11 for a date, time or date-time
// field (not for a count), else 0.
int SummaryKind(TdxSummaryType type, const TField* field);

// A summary value as text in a group row or a footer (format empty: the
// default of the type and style).
std::string FormatSummaryValue(TdxSummaryType type, const std::string& format, int kind, TdxSummaryStyle style,
                               long double value);

// --- Summary groups ----------------------------------------------------------------------

using TdxDBGridSummaryEvent = TdxDBColumnSummaryEvent;

class TdxDBGridSummaryItem : public TCollectionItem {
 public:
  // The column whose row-footer cell shows the item; empty: the group row.
  const std::string& ColumnName() const { return FColumnName; }
  void SetColumnName(const std::string& value);
  // The field totalled; empty: the field of the column named ColumnName.
  const std::string& SummaryField() const { return FSummaryField; }
  void SetSummaryField(const std::string& value);
  const std::string& SummaryFormat() const { return FSummaryFormat; }
  void SetSummaryFormat(const std::string& value);
  TdxSummaryType SummaryType() const { return FSummaryType; }
  void SetSummaryType(TdxSummaryType value);
  // Resolved by the grid when summaries are bound.
  TField* Field() const { return FField; }
  void SetField(TField* field) { FField = field; }
  void Assign(const TPersistent* source) override;

  TdxDBGridSummaryEvent OnSummary;

 private:
  std::string FColumnName;
  std::string FSummaryField;
  std::string FSummaryFormat;
  TdxSummaryType FSummaryType = cstNone;
  TField* FField = nullptr;
};

class TdxDBGridSummaryGroup;

class TdxDBGridSummaryItems : public TCollectionOf<TdxDBGridSummaryItem> {
 public:
  explicit TdxDBGridSummaryItems(TdxDBGridSummaryGroup* group);
  TdxDBGridSummaryItem* Add() { return static_cast<TdxDBGridSummaryItem*>(TCollection::Add()); }
  TdxDBGridSummaryItem* Items(int index) const { return static_cast<TdxDBGridSummaryItem*>(TCollection::Items(index)); }
  // Some item shows in a row footer (a type other than none).
  bool HasFooterItems() const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TdxDBGridSummaryGroup* FGroup;
};

class TdxDBGridSummaryGroups;

class TdxDBGridSummaryGroup : public TCollectionItem {
 public:
  TdxDBGridSummaryGroup();
  ~TdxDBGridSummaryGroup() override;

  const std::string& BeginSummaryText() const { return FBeginSummaryText; }
  void SetBeginSummaryText(const std::string& value);
  const std::string& EndSummaryText() const { return FEndSummaryText; }
  void SetEndSummaryText(const std::string& value);
  bool DefaultGroup() const { return FDefaultGroup; }
  // True first clears the mark of every other group of the collection.
  void SetDefaultGroup(bool value);
  TdxDBGridSummaryItems& SummaryItems() { return *FItems; }
  const TdxDBGridSummaryItems& SummaryItems() const { return *FItems; }
  void SetSummaryItems(const TdxDBGridSummaryItems& value) { FItems->Assign(&value); }
  const std::string& Name() const { return FName; }
  // Empty, or equal (with case) to another group's: EInvaliddxTreeListOperation.
  void SetName(const std::string& value);
  void Assign(const TPersistent* source) override;
  // The grid the group belongs to; nil when none.
  TdxSummaryGroupsHost* Grid() const;

  TNotifyEvent OnNameChanged;

 protected:
  std::string GetDisplayName() const override { return FName; }

 private:
  friend class TdxDBGridSummaryGroups;
  std::string FBeginSummaryText;
  std::string FEndSummaryText;
  bool FDefaultGroup = false;
  std::unique_ptr<TdxDBGridSummaryItems> FItems;
  std::string FName;
};

class TdxDBGridSummaryGroups : public TCollectionOf<TdxDBGridSummaryGroup> {
 public:
  // owner: the collection's owner in the component tree; grid: whom the
  // groups ask (the same grid, or nil).
  TdxDBGridSummaryGroups(TPersistent* owner, TdxSummaryGroupsHost* grid);
  // A new group named after the grid (the first one of Grid1:
  // Grid1SummaryGroup2, numbered by the count with it and onwards until free).
  TdxDBGridSummaryGroup* Add();
  // Adds groups until there are count, each named as Add names it; the
  // names in use are gathered once, so that many additions (a stored
  // layout's) cost no more each than one.
  void Grow(int count);
  TdxDBGridSummaryGroup* Items(int index) const {
    return static_cast<TdxDBGridSummaryGroup*>(TCollection::Items(index));
  }
  // By name without case; nil when none.
  TdxDBGridSummaryGroup* FindByName(const std::string& name) const;
  TdxDBGridSummaryGroup* DefaultGroup() const;
  TdxSummaryGroupsHost* Grid() const { return FGrid; }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TdxSummaryGroupsHost* FGrid;
};
