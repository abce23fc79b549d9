#include "datagrid/summary/summary.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "framework/core/text/datetime.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/text.h"
#include "grid/tree_list/tree_list_errors.h"

// --- Totals ----------------------------------------------------------------------------------

void AccumulateSummary(TdxSummaryAccumulator& accumulator, TdxSummaryType type, long double value) {
  ++accumulator.Count;
  if (!accumulator.Assigned) {
    accumulator.Value = value;
    accumulator.Assigned = true;
    return;
  }
  switch (type) {
    case cstSum:
    case cstAvg:
      accumulator.Value += value;
      break;
    case cstMin:
      if (value < accumulator.Value) accumulator.Value = value;
      break;
    case cstMax:
      if (value > accumulator.Value) accumulator.Value = value;
      break;
    default:
      break;
  }
}

void TdxSummaryFold::Add(std::int64_t value) {
  if (FExact) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(FWholeSum, value, &sum)) {
      FWholeSum = sum;
      FWholeMin = std::min(FWholeMin, value);
      FWholeMax = std::max(FWholeMax, value);
      ++FTaken;
      return;
    }
  }
  Add(static_cast<long double>(value));
}

void TdxSummaryFold::Add(long double value) {
  if (FExact) Widen();
  if (FTaken == 0) {
    // The first value is kept as it is (a negative zero, a NaN).
    FSum = FMin = FMax = value;
  } else {
    FSum += value;
    if (value < FMin) FMin = value;
    if (value > FMax) FMax = value;
  }
  ++FTaken;
}

void TdxSummaryFold::Finish(TdxSummaryAccumulator& total, TdxSummaryType type) {
  if (FTaken == 0) return;
  if (FExact) Widen();
  const long double value = type == cstMin ? FMin : type == cstMax ? FMax : FSum;
  total.Count += FTaken;
  if (!total.Assigned) {
    total.Value = value;
    total.Assigned = true;
  } else if (type == cstSum || type == cstAvg) {
    total.Value += value;
  } else if ((type == cstMin && value < total.Value) || (type == cstMax && value > total.Value)) {
    total.Value = value;
  }
}

void TdxSummaryFold::Widen() {
  FExact = false;
  if (FTaken == 0) return;
  FSum = static_cast<long double>(FWholeSum);
  FMin = static_cast<long double>(FWholeMin);
  FMax = static_cast<long double>(FWholeMax);
}

long double FinishSummary(const TdxSummaryAccumulator& accumulator, TdxSummaryType type, int records) {
  switch (type) {
    case cstCount:
      return records;
    case cstAvg:
      return accumulator.Count > 0 ? accumulator.Value / accumulator.Count : 0;
    case cstNone:
      return 0;
    default:
      return accumulator.Value;
  }
}

int SummaryKind(TdxSummaryType type, const TField* field) {
  if (type == cstCount || field == nullptr) return 0;
  switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
      return static_cast<int>(field->DataType());
    default:
      return 0;
  }
}

namespace {

struct TDefaultFormat {
  const char* GroupRow;
  const char* Footer;
  const char* GroupPrefix;
  const char* FooterPrefix;
};

// Indexed by TdxSummaryType; cstNone has no text.
constexpr TDefaultFormat DefaultFormats[] = {
    {"", "", "", ""},
    {"(SUM=0.00);(SUM=-0.00)", "0.00;-0.00", "(SUM=", ""},
    {"(MIN=0.00);(MIN=-0.00)", "MIN=0.00;MIN=-0.00", "(MIN=", "MIN="},
    {"(MAX=0.00);(MAX=-0.00)", "MAX=0.00;MAX=-0.00", "(MAX=", "MAX="},
    {"(COUNT=0)", "0", "(COUNT=", ""},
    {"(AVG=0.00);(AVG=-0.00)", "AVG=0.00;AVG=-0.00", "(AVG=", "AVG="},
};

}  // namespace

std::string FormatSummaryValue(TdxSummaryType type, const std::string& format, int kind, TdxSummaryStyle style,
                               long double value) {
  if (type == cstNone || type > cstAvg) return {};
  const TDefaultFormat& defaults = DefaultFormats[type];
  const bool groupRow = style == ssGroupRow;
  if (type == cstCount || kind == 0) {
    const std::string picture = !format.empty() ? format : (groupRow ? defaults.GroupRow : defaults.Footer);
    return FormatFloat(picture, static_cast<double>(value));
  }
  const std::string prefix = !format.empty() ? format : (groupRow ? defaults.GroupPrefix : defaults.FooterPrefix);
  const std::string suffix = groupRow && format.empty() ? ")" : "";
  const auto moment = static_cast<TDateTime>(static_cast<double>(value));
  std::string text;
  if (kind == ftDate)
    text = DateToStr(moment);
  else if (kind == ftTime)
    text = TimeToStr(moment);
  else
    text = DateTimeToStr(moment);
  return prefix + text + suffix;
}

// --- Items ------------------------------------------------------------------------------------

void TdxDBGridSummaryItem::SetColumnName(const std::string& value) {
  if (value == FColumnName) return;
  FColumnName = value;
  Changed(false);
}

void TdxDBGridSummaryItem::SetSummaryField(const std::string& value) {
  if (value == FSummaryField) return;
  FSummaryField = value;
  Changed(false);
}

void TdxDBGridSummaryItem::SetSummaryFormat(const std::string& value) {
  if (value == FSummaryFormat) return;
  FSummaryFormat = value;
  Changed(false);
}

void TdxDBGridSummaryItem::SetSummaryType(TdxSummaryType value) {
  if (value == FSummaryType) return;
  FSummaryType = value;
  Changed(false);
}

void TdxDBGridSummaryItem::Assign(const TPersistent* source) {
  const auto* item = dynamic_cast<const TdxDBGridSummaryItem*>(source);
  if (item == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  std::optional<TCollection::TUpdateLock> lock;
  if (Collection() != nullptr) lock.emplace(*Collection());
  SetColumnName(item->ColumnName());
  SetSummaryType(item->SummaryType());
  SetSummaryField(item->SummaryField());
  SetSummaryFormat(item->SummaryFormat());
  if (lock) lock->Close();
}

TdxDBGridSummaryItems::TdxDBGridSummaryItems(TdxDBGridSummaryGroup* group)
    : TCollectionOf<TdxDBGridSummaryItem>(group), FGroup(group) {}

bool TdxDBGridSummaryItems::HasFooterItems() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->SummaryType() != cstNone) return true;
  return false;
}

void TdxDBGridSummaryItems::Update(TCollectionItem* item) {
  (void)item;
  if (TdxSummaryGroupsHost* grid = FGroup != nullptr ? FGroup->Grid() : nullptr) grid->SummaryGroupsChanged();
}

// --- Groups -----------------------------------------------------------------------------------

TdxDBGridSummaryGroup::TdxDBGridSummaryGroup() : FItems(std::make_unique<TdxDBGridSummaryItems>(this)) {}

TdxDBGridSummaryGroup::~TdxDBGridSummaryGroup() = default;

TdxSummaryGroupsHost* TdxDBGridSummaryGroup::Grid() const {
  const auto* groups = dynamic_cast<const TdxDBGridSummaryGroups*>(Collection());
  return groups != nullptr ? groups->Grid() : nullptr;
}

void TdxDBGridSummaryGroup::SetBeginSummaryText(const std::string& value) {
  if (value == FBeginSummaryText) return;
  FBeginSummaryText = value;
  Changed(false);
}

void TdxDBGridSummaryGroup::SetEndSummaryText(const std::string& value) {
  if (value == FEndSummaryText) return;
  FEndSummaryText = value;
  Changed(false);
}

void TdxDBGridSummaryGroup::SetDefaultGroup(bool value) {
  if (value == FDefaultGroup) return;
  if (value && Collection() != nullptr)
    for (int i = 0; i < Collection()->Count(); ++i)
      if (auto* other = dynamic_cast<TdxDBGridSummaryGroup*>(Collection()->Items(i)); other != nullptr)
        other->FDefaultGroup = false;
  FDefaultGroup = value;
  Changed(false);
}

void TdxDBGridSummaryGroup::SetName(const std::string& value) {
  if (value == FName) return;
  if (value.empty()) throw EInvaliddxTreeListOperation("Invalidate group name!");
  if (Collection() != nullptr)
    for (int i = 0; i < Collection()->Count(); ++i) {
      const auto* other = dynamic_cast<const TdxDBGridSummaryGroup*>(Collection()->Items(i));
      if (other != nullptr && other != this && other->FName == value)
        throw EInvaliddxTreeListOperation("Invalidate group name: duplicate!");
    }
  FName = value;
  Changed(false);
  if (OnNameChanged) OnNameChanged(this);
}

void TdxDBGridSummaryGroup::Assign(const TPersistent* source) {
  const auto* group = dynamic_cast<const TdxDBGridSummaryGroup*>(source);
  if (group == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  SetBeginSummaryText(group->BeginSummaryText());
  SetEndSummaryText(group->EndSummaryText());
  SetDefaultGroup(group->DefaultGroup());
  FItems->Assign(&group->SummaryItems());
  SetName(group->Name());
}

TdxDBGridSummaryGroups::TdxDBGridSummaryGroups(TPersistent* owner, TdxSummaryGroupsHost* grid)
    : TCollectionOf<TdxDBGridSummaryGroup>(owner), FGrid(grid) {}

TdxDBGridSummaryGroup* TdxDBGridSummaryGroups::Add() {
  auto* group = static_cast<TdxDBGridSummaryGroup*>(TCollection::Add());
  const std::string base = (FGrid != nullptr ? FGrid->SummaryGroupsHostName() : std::string()) + "SummaryGroup";
  for (int number = Count() + 1;; ++number) {
    const std::string name = base + std::to_string(number);
    if (FindByName(name) == nullptr) {
      group->FName = name;
      break;
    }
  }
  return group;
}

void TdxDBGridSummaryGroups::Grow(int count) {
  if (count <= Count()) return;
  std::unordered_set<std::string> used;
  for (int i = 0; i < Count(); ++i) used.insert(AnsiUpperCase(Items(i)->Name()));
  const std::string base = (FGrid != nullptr ? FGrid->SummaryGroupsHostName() : std::string()) + "SummaryGroup";
  // Add tries the numbers from the count onwards; every number between
  // there and the last one given is taken, so the search goes on from it.
  int number = 0;
  while (Count() < count) {
    auto* group = static_cast<TdxDBGridSummaryGroup*>(TCollection::Add());
    number = std::max(number + 1, Count() + 1);
    while (used.count(AnsiUpperCase(base + std::to_string(number))) != 0) ++number;
    group->FName = base + std::to_string(number);
    used.insert(AnsiUpperCase(group->FName));
  }
}

TdxDBGridSummaryGroup* TdxDBGridSummaryGroups::FindByName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TdxDBGridSummaryGroup* TdxDBGridSummaryGroups::DefaultGroup() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->DefaultGroup()) return Items(i);
  return nullptr;
}

void TdxDBGridSummaryGroups::Update(TCollectionItem* item) {
  (void)item;
  if (FGrid != nullptr) FGrid->SummaryGroupsChanged();
}
