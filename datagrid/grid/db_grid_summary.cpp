// The grid's totals: the footer row under all records, each group row's
// own total and the items of its summary group (in the group row's text or
// in the row footer under the group), made while records load or again
// from the nodes after a regroup.

#include <algorithm>
#include <array>

#include "datagrid/grid/db_grid.h"
#include "framework/core/text/text.h"

namespace {

// Visits the group rows only (records never), each before its children,
// in tree order: a million records cost nothing here.
template <class F>
void VisitGroupRows(const TCustomdxDBGrid& grid, F&& visit) {
  const int levels = grid.GroupColumnCount();
  if (levels == 0) return;
  std::vector<TdxTreeListNode*> stack;
  for (int i = grid.Count() - 1; i >= 0; --i) stack.push_back(grid.Items(i));
  while (!stack.empty()) {
    TdxTreeListNode* node = stack.back();
    stack.pop_back();
    if (node->Count() == 0 || node->Level() >= levels) continue;
    visit(node);
    if (node->Level() < levels - 1)
      for (int i = node->Count() - 1; i >= 0; --i) stack.push_back(node->Items(i));
  }
}

// The cells of count records from the given ones, or from the grid's
// top-level nodes from start; out does not alias the grid, so the list's
// bounds are read once.
void GatherCells(TdxTreeListNode* const* records, std::size_t count, const TdxNodeCells** __restrict out) {
  for (std::size_t i = 0; i < count; ++i)
    out[i] = &static_cast<const TdxDBTreeListControlNode*>(records[i])->Cells();
}
void GatherCells(const TCustomdxDBGrid& grid, std::size_t start, std::size_t count,
                 const TdxNodeCells** __restrict out) {
  for (std::size_t i = 0; i < count; ++i)
    out[i] = &static_cast<const TdxDBTreeListControlNode*>(grid.Items(static_cast<int>(start + i)))->Cells();
}

}  // namespace

void TCustomdxDBGrid::SetSummarySeparator(const std::string& value) {
  if (value == FSummarySeparator) return;
  FSummarySeparator = value;
  Invalidate();
}

int TCustomdxDBGrid::ColumnIndexOfField(const std::string& fieldName) const {
  if (fieldName.empty()) return -1;
  // Asked once per record and value while totalling: the answers of one
  // pass are kept (the binding empties the list).
  for (const auto& [name, index] : FFieldColumns)
    if (name == fieldName) return index;
  int found = -1;
  for (int i = 0; i < ColumnCount() && found < 0; ++i)
    if (const TdxDBTreeListColumn* column = DBColumn(i); column != nullptr && AnsiSameText(column->FieldName(), fieldName))
      found = i;
  FFieldColumns.emplace_back(fieldName, found);
  return found;
}

// --- Binding ----------------------------------------------------------------------------------

void TCustomdxDBGrid::SummaryGroupsChanged() {
  if (!IsLoading()) LayoutChanged();
}

void TCustomdxDBGrid::BindFooterSummaries() {
  FFieldColumns.clear();
  FFooterPlanReady = false;
  const auto count = static_cast<std::size_t>(ColumnCount());
  FFooterFields.assign(count, nullptr);
  FFooterTotals.assign(count, TdxSummaryAccumulator{});
  FFooterValues.assign(count, 0);
  TDataSet* dataSet = LinkActive() ? DataSet() : nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const TdxDBTreeListColumn* column = DBColumn(static_cast<int>(i));
    if (column == nullptr || dataSet == nullptr) continue;
    const std::string& name = column->SummaryFooterField().empty() ? column->FieldName() : column->SummaryFooterField();
    if (!name.empty()) FFooterFields[i] = dataSet->FindField(name);
  }
}

void TCustomdxDBGrid::BindGroupSummaries() {
  TDataSet* dataSet = LinkActive() ? DataSet() : nullptr;
  const auto levels = static_cast<std::size_t>(GroupColumnCount());
  FGroupSummaryFields.assign(levels, nullptr);
  FGroupSummaryGroups.assign(levels, nullptr);
  for (std::size_t k = 0; k < levels; ++k) {
    const TdxDBTreeListColumn* column = FGroupColumns[k];
    if (dataSet != nullptr && !column->SummaryField().empty())
      FGroupSummaryFields[k] = dataSet->FindField(column->SummaryField());
    if (column->SummaryGroupName().empty())
      FGroupSummaryGroups[k] = column->SummaryType() == cstNone ? FSummaryGroups->DefaultGroup() : nullptr;
    else
      FGroupSummaryGroups[k] = FSummaryGroups->FindByName(column->SummaryGroupName());
  }
  if (FSummaryGroups->Count() > 0) {
    VisitGroupRows(*this, [](TdxTreeListNode* node) { static_cast<TdxDBGridNode*>(node)->ClearSummaryList(); });
    for (int g = 0; g < FSummaryGroups->Count(); ++g) {
      TdxDBGridSummaryItems& items = FSummaryGroups->Items(g)->SummaryItems();
      for (int i = 0; i < items.Count(); ++i) {
        TdxDBGridSummaryItem* item = items.Items(i);
        TField* field = nullptr;
        if (dataSet != nullptr) {
          std::string name = item->SummaryField();
          if (name.empty())
            for (int c = 0; c < ColumnCount(); ++c)
              if (const TdxDBTreeListColumn* column = DBColumn(c);
                  column != nullptr && AnsiSameText(column->Name(), item->ColumnName()))
                name = column->FieldName();
          if (!name.empty()) field = dataSet->FindField(name);
        }
        item->SetField(field);
      }
    }
  }
  FRecordCount = 0;
}

void TCustomdxDBGrid::RenameSummaryColumn(const std::string& oldName, const std::string& newName) {
  if (!FSummaryGroups) return;
  for (int g = 0; g < FSummaryGroups->Count(); ++g) {
    TdxDBGridSummaryItems& items = FSummaryGroups->Items(g)->SummaryItems();
    for (int i = 0; i < items.Count(); ++i)
      if (AnsiSameText(items.Items(i)->ColumnName(), oldName)) items.Items(i)->SetColumnName(newName);
  }
}

// --- Accumulating -------------------------------------------------------------------------------

void TCustomdxDBGrid::AddFooterSummaries(TdxTreeListNode* leaf, bool loading) {
  TDataSet* dataSet = DataSet();
  // Every node of the grid is made by its node factory.
  const auto* node = static_cast<const TdxDBTreeListControlNode*>(leaf);
  PrepareFooterPlan();
  // Several totals of one field (a sum and an average of the same amount)
  // read and convert its value once per record.
  for (std::size_t p = 0; p < FFooterPlan.size(); ++p) {
    const TFooterPlan& plan = FFooterPlan[p];
    const TdxSummaryType type = plan.Column->SummaryFooterType();
    std::optional<long double>& value = FFooterNumbers[p];
    value = 0.0L;
    if (type != cstCount) {
      const int twin = loading ? plan.FieldTwin : plan.SourceTwin;
      if (twin >= 0) {
        value = FFooterNumbers[static_cast<std::size_t>(twin)];
      } else if (loading) {
        if (TField* field = FFooterFields[static_cast<std::size_t>(plan.Index)]) value = SummaryNumber(field->Value());
      } else if (plan.Source >= 0) {
        if (node == nullptr || !node->HeldSummaryNumber(plan.Source, value))
          value = SummaryNumber(GetNodeValue(leaf, plan.Source));
      }
    }
    if (!value) continue;
    long double v = *value;
    if (plan.Column->OnSummaryFooter && dataSet != nullptr) plan.Column->OnSummaryFooter(plan.Column, dataSet, v);
    AccumulateSummary(FFooterTotals[static_cast<std::size_t>(plan.Index)], type, v);
  }
}

void TCustomdxDBGrid::PrepareFooterPlan() {
  if (FFooterPlanReady) return;
  FFooterPlan.clear();
  const std::size_t count = std::min(FFooterTotals.size(), static_cast<std::size_t>(ColumnCount()));
  for (std::size_t i = 0; i < count; ++i) {
    TdxDBTreeListColumn* column = DBColumn(static_cast<int>(i));
    if (column == nullptr || column->SummaryFooterType() == cstNone) continue;
    const std::string& name =
        column->SummaryFooterField().empty() ? column->FieldName() : column->SummaryFooterField();
    TFooterPlan plan{column, static_cast<int>(i), ColumnIndexOfField(name)};
    // Counts read nothing, so they lend no number; a handler may change
    // the number it is given, but only its own total's copy.
    for (std::size_t p = 0; p < FFooterPlan.size(); ++p) {
      const TFooterPlan& earlier = FFooterPlan[p];
      if (earlier.Column->SummaryFooterType() == cstCount) continue;
      if (plan.FieldTwin < 0 && FFooterFields[static_cast<std::size_t>(earlier.Index)] != nullptr &&
          FFooterFields[static_cast<std::size_t>(earlier.Index)] == FFooterFields[i])
        plan.FieldTwin = static_cast<int>(p);
      if (plan.SourceTwin < 0 && plan.Source >= 0 && earlier.Source == plan.Source)
        plan.SourceTwin = static_cast<int>(p);
    }
    FFooterPlan.push_back(plan);
  }
  FFooterNumbers.assign(FFooterPlan.size(), std::nullopt);
  FFooterPlanReady = true;
}

void TCustomdxDBGrid::FoldFooterTotals(const std::vector<TdxTreeListNode*>* leaves) {
  PrepareFooterPlan();
  const std::size_t count = leaves != nullptr ? leaves->size() : static_cast<std::size_t>(Count());
  const auto leaf = [&](std::size_t i) { return leaves != nullptr ? (*leaves)[i] : Items(static_cast<int>(i)); };
  // The totals of one source column fold together in one pass over the
  // records.
  std::vector<int> sources;
  for (const TFooterPlan& plan : FFooterPlan) {
    const TdxSummaryType type = plan.Column->SummaryFooterType();
    TdxSummaryAccumulator& total = FFooterTotals[static_cast<std::size_t>(plan.Index)];
    if (type == cstCount || plan.Source < 0) {
      // Every record counts with 0: the steps of count records at once.
      if (count == 0) continue;
      total.Count += static_cast<int>(count);
      if (!total.Assigned) {
        total.Value = 0;
        total.Assigned = true;
      } else if (type == cstSum || type == cstAvg) {
        total.Value += 0.0L;
      } else if ((type == cstMin && 0 < total.Value) || (type == cstMax && 0 > total.Value)) {
        total.Value = 0;
      }
      continue;
    }
    if (std::find(sources.begin(), sources.end(), plan.Source) == sources.end()) sources.push_back(plan.Source);
  }
  // A million records wait on memory, not on work: their numbers are read
  // a batch at a time, each batch with the cells of the records after it
  // that the read asks for ahead, and folded without a call each.
  constexpr std::size_t Batch = 512;
  constexpr std::size_t Ahead = TdxNodeCells::NumbersAhead;
  std::array<const TdxNodeCells*, Batch + Ahead> cells{};
  std::array<TdxCellNumber, Batch> numbers{};
  for (const int source : sources) {
    TdxSummaryFold fold;
    for (std::size_t start = 0; start < count; start += Batch) {
      const std::size_t size = std::min(Batch, count - start);
      const std::size_t given = std::min(Batch + Ahead, count - start);
      if (leaves != nullptr)
        GatherCells(leaves->data() + start, given, cells.data());
      else
        GatherCells(*this, start, given, cells.data());
      TdxNodeCells::SummaryNumbers(cells.data(), size, given, source, numbers.data());
      fold.Add(numbers.data(), size, [&](std::size_t i) {
        TdxTreeListNode* record = leaf(start + i);
        std::optional<long double> value;
        if (!static_cast<const TdxDBTreeListControlNode*>(record)->HeldSummaryNumber(source, value))
          value = SummaryNumber(GetNodeValue(record, source));
        return value;
      });
    }
    for (const TFooterPlan& plan : FFooterPlan)
      if (plan.Source == source && plan.Column->SummaryFooterType() != cstCount)
        fold.Finish(FFooterTotals[static_cast<std::size_t>(plan.Index)], plan.Column->SummaryFooterType());
  }
}

std::vector<TCustomdxDBGrid::TSummaryLevel> TCustomdxDBGrid::SummaryLevels(int& valueCount) const {
  std::vector<TSummaryLevel> levels(static_cast<std::size_t>(GroupColumnCount()));
  valueCount = 0;
  for (std::size_t k = 0; k < levels.size(); ++k) {
    TSummaryLevel& level = levels[k];
    level.Offset = valueCount;
    level.Own = FGroupColumns[k]->SummaryType() != cstNone || static_cast<bool>(OnGroupSummary);
    if (level.Own) ++valueCount;
    if (k < FGroupSummaryGroups.size()) level.Group = FGroupSummaryGroups[k];
    if (level.Group != nullptr) valueCount += level.Group->SummaryItems().Count();
  }
  return levels;
}

std::vector<std::optional<long double>> TCustomdxDBGrid::GroupSummaryValues(TdxTreeListNode* leaf, bool loading,
                                                                            const std::vector<TSummaryLevel>& levels,
                                                                            int valueCount) {
  std::vector<std::optional<long double>> values(static_cast<std::size_t>(valueCount));
  TDataSet* dataSet = DataSet();
  // The value of a field: the current record's while loading, else the
  // leaf's cell in the column bound to a field of that name.
  const auto read = [&](TField* field, const std::string& name) -> std::optional<long double> {
    if (loading) return field != nullptr ? SummaryNumber(field->Value()) : std::optional<long double>(0.0L);
    const int index = ColumnIndexOfField(field != nullptr ? field->FieldName() : name);
    return index >= 0 ? SummaryNumber(GetNodeValue(leaf, index)) : std::optional<long double>(0.0L);
  };
  for (std::size_t k = 0; k < levels.size(); ++k) {
    const TSummaryLevel& level = levels[k];
    TdxDBTreeListColumn* column = FGroupColumns[k];
    auto slot = static_cast<std::size_t>(level.Offset);
    if (level.Own) {
      std::optional<long double> value = 0.0L;
      if (column->SummaryType() != cstCount) value = read(FGroupSummaryFields[k], column->SummaryField());
      if (value && column->OnSummary && dataSet != nullptr) column->OnSummary(column, dataSet, *value);
      values[slot++] = value;
    }
    if (level.Group == nullptr) continue;
    TdxDBGridSummaryItems& items = level.Group->SummaryItems();
    for (int i = 0; i < items.Count(); ++i, ++slot) {
      TdxDBGridSummaryItem* item = items.Items(i);
      std::optional<long double> value = 0.0L;
      if (item->SummaryType() != cstNone && item->SummaryType() != cstCount)
        value = read(item->Field(), item->SummaryField());
      if (value && item->OnSummary && dataSet != nullptr) item->OnSummary(column, dataSet, *value);
      values[slot] = value;
    }
  }
  return values;
}

void TCustomdxDBGrid::AddGroupSummaries(const std::vector<std::vector<std::optional<long double>>>* loaded) {
  int valueCount = 0;
  const std::vector<TSummaryLevel> levels = SummaryLevels(valueCount);
  if (valueCount == 0) return;
  TDataSet* dataSet = DataSet();
  std::vector<TdxTreeListNode*> leaves;
  const int deepest = GroupColumnCount() - 1;
  VisitGroupRows(*this, [&](TdxTreeListNode* group) {
    if (group->Level() == deepest)
      for (int i = 0; i < group->Count(); ++i) leaves.push_back(group->Items(i));
  });
  for (TdxTreeListNode* node : leaves) {
    if (node->Count() > 0) continue;
    auto* leaf = static_cast<TdxDBGridNode*>(node);
    const auto index = static_cast<std::size_t>(leaf->RecordIndex());
    std::vector<std::optional<long double>> computed;
    const std::vector<std::optional<long double>>* values = nullptr;
    if (loaded != nullptr && index < loaded->size()) {
      values = &(*loaded)[index];
    } else {
      computed = GroupSummaryValues(node, false, levels, valueCount);
      values = &computed;
    }
    for (TdxTreeListNode* up = node->Parent(); up != nullptr; up = up->Parent()) {
      const auto k = static_cast<std::size_t>(up->Level());
      if (k >= levels.size()) continue;
      auto* group = static_cast<TdxDBGridNode*>(up);
      const TSummaryLevel& level = levels[k];
      auto slot = static_cast<std::size_t>(level.Offset);
      if (level.Own) {
        std::optional<long double> value = (*values)[slot++];
        if (value && OnGroupSummary) OnGroupSummary(this, up, *value, dataSet);
        if (value) AccumulateSummary(group->Summary(), FGroupColumns[k]->SummaryType(), *value);
      }
      if (level.Group == nullptr) continue;
      const TdxDBGridSummaryItems& items = level.Group->SummaryItems();
      if (items.Count() == 0) continue;
      std::vector<TdxDBGridNode::TSummarySlot>& list = group->SummaryList();
      if (list.size() != static_cast<std::size_t>(items.Count()))
        list.assign(static_cast<std::size_t>(items.Count()), TdxDBGridNode::TSummarySlot{});
      for (int i = 0; i < items.Count(); ++i, ++slot)
        if (const std::optional<long double>& value = (*values)[slot])
          AccumulateSummary(list[static_cast<std::size_t>(i)], items.Items(i)->SummaryType(), *value);
    }
  }
}

void TCustomdxDBGrid::FinishSummaries(bool footers) {
  // Records below each group row, through all lower levels; only group
  // rows are visited.
  std::vector<TdxTreeListNode*> groups;
  std::vector<int> records;
  const auto count = [&](auto& self, TdxTreeListNode* node) -> int {
    if (node->Count() == 0 || node->Level() >= GroupColumnCount()) return 1;
    const std::size_t slot = groups.size();
    groups.push_back(node);
    records.push_back(0);
    int total = 0;
    if (node->Level() == GroupColumnCount() - 1)
      total = node->Count();
    else
      for (int i = 0; i < node->Count(); ++i) total += self(self, node->Items(i));
    records[slot] = total;
    return total;
  };
  if (GroupColumnCount() > 0)
    for (int i = 0; i < Count(); ++i) count(count, Items(i));
  for (std::size_t g = 0; g < groups.size(); ++g) {
    auto* group = static_cast<TdxDBGridNode*>(groups[g]);
    const auto k = static_cast<std::size_t>(group->Level());
    const TdxSummaryType type = FGroupColumns[k]->SummaryType();
    if (type != cstNone && (type == cstCount || type == cstAvg)) {
      TdxSummaryAccumulator& own = group->Summary();
      own.Value = FinishSummary(own, type, records[g]);
    }
    const TdxDBGridSummaryGroup* summaryGroup = k < FGroupSummaryGroups.size() ? FGroupSummaryGroups[k] : nullptr;
    if (summaryGroup == nullptr || group->SummaryList().empty()) continue;
    std::vector<TdxDBGridNode::TSummarySlot>& list = group->SummaryList();
    const TdxDBGridSummaryItems& items = summaryGroup->SummaryItems();
    for (int i = 0; i < items.Count() && static_cast<std::size_t>(i) < list.size(); ++i) {
      const TdxSummaryType itemType = items.Items(i)->SummaryType();
      if (itemType == cstCount || itemType == cstAvg)
        list[static_cast<std::size_t>(i)].Value = FinishSummary(list[static_cast<std::size_t>(i)], itemType, records[g]);
    }
  }
  for (std::size_t i = 0; footers && i < FFooterTotals.size(); ++i) {
    const TdxDBTreeListColumn* column = DBColumn(static_cast<int>(i));
    FFooterValues[i] = column == nullptr ? 0 : FinishSummary(FFooterTotals[i], column->SummaryFooterType(), FRecordCount);
  }
  if (OnCalcSummary) OnCalcSummary(this);
}

void TCustomdxDBGrid::RecalcSummaries(bool footers) {
  // Totals move no row, unless group rows are ordered by them: only then
  // does the lock drop the visible order (a handler's own brackets still
  // drop it as they always do).
  const bool reorders = std::any_of(FGroupColumns.begin(), FGroupColumns.end(), [](const TdxDBTreeListColumn* column) {
    return column->SortBySummary() && column->Sorted() != csNone;
  });
  std::optional<TKeepVisibleOrderScope> keep;
  if (!reorders) keep.emplace(*this);
  TdxTreeListUpdateLock lock(*this);
  keep.reset();
  VisitGroupRows(*this, [](TdxTreeListNode* node) {
    auto* group = static_cast<TdxDBGridNode*>(node);
    if (group->SummaryAssigned() || group->SummaryValue() != 0) group->Summary() = TdxDBGridNode::TSummarySlot{};
    group->ClearSummaryList();
  });
  const std::vector<TdxSummaryAccumulator> totals = FFooterTotals;
  const std::vector<long double> values = FFooterValues;
  const std::vector<TField*> fields = FFooterFields;
  BindFooterSummaries();
  BindGroupSummaries();
  DoBeforeCalcSummary();
  int records = 0;
  const bool anyFooter = footers && std::any_of(FFooterFields.begin(), FFooterFields.end(),
                                                [](const TField* field) { return field != nullptr; });
  // Without groups the records are the top-level nodes themselves.
  std::vector<TdxTreeListNode*> leaves;
  const bool grouped = GroupColumnCount() > 0;
  if (!grouped) {
    records = Count();
  } else {
    const int deepest = GroupColumnCount() - 1;
    VisitGroupRows(*this, [&](TdxTreeListNode* node) {
      if (node->Level() != deepest) return;
      records += node->Count();
      if (anyFooter)
        for (int i = 0; i < node->Count(); ++i) leaves.push_back(node->Items(i));
    });
  }
  if (anyFooter && records > 0) {
    PrepareFooterPlan();
    // Footer handlers see the records one by one, every column in turn;
    // without any, the totals fold column by column.
    const bool handled = std::any_of(FFooterPlan.begin(), FFooterPlan.end(),
                                     [](const TFooterPlan& plan) { return static_cast<bool>(plan.Column->OnSummaryFooter); });
    if (handled) {
      for (int i = 0; i < records; ++i)
        AddFooterSummaries(grouped ? leaves[static_cast<std::size_t>(i)] : Items(i), false);
    } else {
      FoldFooterTotals(grouped ? &leaves : nullptr);
    }
  }
  FRecordCount = records;
  AddGroupSummaries(nullptr);
  if (!footers && totals.size() == FFooterTotals.size()) {
    FFooterTotals = totals;
    FFooterValues = values;
    FFooterFields = fields;
  }
  FinishSummaries(footers);
  SortGroupsBySummary();
  PropagateGroupKeys();
  lock.Close();
}

// --- Texts ------------------------------------------------------------------------------------------

long double TCustomdxDBGrid::FooterSummaryValue(int columnIndex) const {
  if (columnIndex < 0 || static_cast<std::size_t>(columnIndex) >= FFooterValues.size()) return 0;
  return FFooterValues[static_cast<std::size_t>(columnIndex)];
}

std::string TCustomdxDBGrid::FooterSummaryText(int columnIndex) const {
  const TdxDBTreeListColumn* column = DBColumn(columnIndex);
  if (column == nullptr || column->SummaryFooterType() == cstNone) return {};
  const TField* field =
      static_cast<std::size_t>(columnIndex) < FFooterFields.size() ? FFooterFields[static_cast<std::size_t>(columnIndex)] : nullptr;
  const TdxSummaryType type = column->SummaryFooterType();
  return FormatSummaryValue(type, column->SummaryFooterFormat(), SummaryKind(type, field), ssFooter,
                            FooterSummaryValue(columnIndex));
}

std::string TCustomdxDBGrid::GroupSummaryText(const TdxTreeListNode* node) const {
  const auto* group = dynamic_cast<const TdxDBGridNode*>(node);
  if (group == nullptr) return {};
  const auto level = static_cast<std::size_t>(node->Level());
  if (level >= FGroupColumns.size()) return {};
  const TdxDBTreeListColumn* column = FGroupColumns[level];
  std::string text;
  if (column->SummaryType() != cstNone) {
    const TField* field = level < FGroupSummaryFields.size() ? FGroupSummaryFields[level] : nullptr;
    // Shown through a double: precision beyond it is dropped.
    const double shown = static_cast<double>(group->SummaryValue());
    text += FormatSummaryValue(column->SummaryType(), column->SummaryFormat(),
                               SummaryKind(column->SummaryType(), field), ssGroupRow, shown) +
            " ";
  }
  const TdxDBGridSummaryGroup* summaryGroup = level < FGroupSummaryGroups.size() ? FGroupSummaryGroups[level] : nullptr;
  if (summaryGroup == nullptr || summaryGroup->SummaryItems().Count() == 0) return text;
  text += summaryGroup->BeginSummaryText();
  auto* mutableGroup = const_cast<TdxDBGridNode*>(group);
  const std::vector<TdxDBGridNode::TSummarySlot>& list = mutableGroup->SummaryList();
  const TdxDBGridSummaryItems& items = summaryGroup->SummaryItems();
  bool written = false;
  for (int i = 0; i < items.Count(); ++i) {
    const TdxDBGridSummaryItem* item = items.Items(i);
    if (!item->ColumnName().empty() || static_cast<std::size_t>(i) >= list.size()) continue;
    const TdxSummaryType type = item->SummaryType();
    if (type != cstNone && written) text += FSummarySeparator;
    text += FormatSummaryValue(type, item->SummaryFormat(), SummaryKind(type, item->Field()), ssGroupRow,
                               list[static_cast<std::size_t>(i)].Value);
    if (type != cstNone) written = true;
  }
  text += summaryGroup->EndSummaryText();
  return text;
}

std::string TCustomdxDBGrid::RowFooterText(const TdxTreeListNode* node, int columnIndex, int footerIndex) const {
  const int level = GetRowFooterLevel(node, footerIndex);
  const TdxDBTreeListColumn* column = DBColumn(columnIndex);
  if (level < 0 || column == nullptr || static_cast<std::size_t>(level) >= FGroupSummaryGroups.size()) return {};
  const TdxDBGridSummaryGroup* summaryGroup = FGroupSummaryGroups[static_cast<std::size_t>(level)];
  if (summaryGroup == nullptr) return {};
  const TdxTreeListNode* up = node;
  while (up != nullptr && up->Level() > level) up = up->Parent();
  auto* group = const_cast<TdxDBGridNode*>(dynamic_cast<const TdxDBGridNode*>(up));
  if (group == nullptr) return {};
  const std::vector<TdxDBGridNode::TSummarySlot>& list = group->SummaryList();
  const TdxDBGridSummaryItems& items = summaryGroup->SummaryItems();
  for (int i = 0; i < items.Count(); ++i) {
    const TdxDBGridSummaryItem* item = items.Items(i);
    if (item->SummaryType() == cstNone || !AnsiSameText(item->ColumnName(), column->Name())) continue;
    if (static_cast<std::size_t>(i) >= list.size()) return {};
    return FormatSummaryValue(item->SummaryType(), item->SummaryFormat(), SummaryKind(item->SummaryType(), item->Field()),
                              ssFooter, list[static_cast<std::size_t>(i)].Value);
  }
  return {};
}

std::string TCustomdxDBGrid::GetFooterText(const TdxTreeListNode* node, int absoluteIndex, int footerIndex) const {
  if (footerIndex < 0) return FooterSummaryText(absoluteIndex);
  return RowFooterText(node, absoluteIndex, footerIndex);
}

bool TCustomdxDBGrid::IsLevelFooter(int level) const {
  if (level < 0 || static_cast<std::size_t>(level) >= FGroupSummaryGroups.size()) return false;
  const TdxDBGridSummaryGroup* group = FGroupSummaryGroups[static_cast<std::size_t>(level)];
  return group != nullptr && group->SummaryItems().HasFooterItems();
}
