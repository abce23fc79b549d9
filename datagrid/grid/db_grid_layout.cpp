// What the grid adds to the stored layout of its control: the panels'
// switches, the summary groups with their items, and per column its
// grouping and footer total. The values follow the control's own (see
// tree_list_layout_store.cpp) under the same base key.
//
// Summary groups are read onto the groups and items that exist, by
// position: a layout stores only each group's default mark and each item's
// column and type, so the names, texts, formats and handlers the program
// gave them must outlive a save and a load. Only what the layout has more
// of is added, and what it has less of is removed.

#include <algorithm>
#include <string>

#include "datagrid/grid/db_grid.h"
#include "grid/support/reg_ini_wrapper.h"

namespace {

std::string GroupSection(const std::string& base, int group) { return base + "\\SumGroups\\" + std::to_string(group); }

std::string ItemSection(const std::string& base, int group, int item) {
  return GroupSection(base, group) + "\\Items\\" + std::to_string(item);
}

TdxSummaryType SummaryTypeOf(int value) {
  return value >= cstNone && value <= cstAvg ? static_cast<TdxSummaryType>(value) : cstNone;
}

// A stored count of numbered sections, checked against the sections the
// layout holds: each is written with a number under ident, so a count
// past the first section without one (or below 0) cannot have been
// written, and reads as 0, as a missing count does. The look stops at the
// first missing section, so a damaged count costs no more than what is
// stored.
template <class SectionOf>
int StoredCount(TdxRegIniWrapper& store, const std::string& section, const char* countIdent, const char* ident,
                SectionOf sectionOf) {
  const int count = store.ReadIntegerValue(section, countIdent, 0);
  if (count <= 0) return 0;
  for (int i = 0; i < count; ++i)
    if (store.ReadIntegerValue(sectionOf(i), ident, -1) < 0) return 0;
  return count;
}

}  // namespace

void TCustomdxDBGrid::SaveControlLayout(TdxRegIniWrapper& store, const std::string& base) {
  TCustomdxDBTreeListControl::SaveControlLayout(store, base);
  store.WriteBooleanValue(base, "ShowGroupPanel", ShowGroupPanel());
  store.WriteBooleanValue(base, "ShowNewItemRow", ShowNewItemRow());
  store.WriteBooleanValue(base, "ShowRowFooter", ShowRowFooter());
  store.WriteBooleanValue(base, "ShowSummaryFooter", ShowSummaryFooter());
  store.WriteIntegerValue(base, "CountSummaryGroups", FSummaryGroups->Count());
  for (int g = 0; g < FSummaryGroups->Count(); ++g) {
    const TdxDBGridSummaryGroup& group = *FSummaryGroups->Items(g);
    const std::string section = GroupSection(base, g);
    // The stored name of the default mark has always been cut to six letters.
    store.WriteBooleanValue(section, "Defaul", group.DefaultGroup());
    store.WriteIntegerValue(section, "CountSummaryItems", group.SummaryItems().Count());
    for (int i = 0; i < group.SummaryItems().Count(); ++i) {
      const TdxDBGridSummaryItem& item = *group.SummaryItems().Items(i);
      const std::string itemSection = ItemSection(base, g, i);
      store.WriteTextValue(itemSection, "ColumnName", item.ColumnName());
      store.WriteIntegerValue(itemSection, "SummaryType", static_cast<int>(item.SummaryType()));
    }
  }
  SaveFilterLayout(store, base);
}

void TCustomdxDBGrid::LoadControlLayout(TdxRegIniWrapper& store, const std::string& base) {
  TCustomdxDBTreeListControl::LoadControlLayout(store, base);
  SetShowGroupPanel(store.ReadBooleanValue(base, "ShowGroupPanel", ShowGroupPanel()));
  SetShowNewItemRow(store.ReadBooleanValue(base, "ShowNewItemRow", ShowNewItemRow()));
  SetShowRowFooter(store.ReadBooleanValue(base, "ShowRowFooter", ShowRowFooter()));
  SetShowSummaryFooter(store.ReadBooleanValue(base, "ShowSummaryFooter", ShowSummaryFooter()));

  TdxDBGridSummaryGroups& groups = *FSummaryGroups;
  TCollection::TUpdateLock lock(groups);
  const int stored = StoredCount(store, base, "CountSummaryGroups", "Defaul",
                                 [&](int g) { return GroupSection(base, g); });
  groups.Grow(stored);
  for (int g = 0; g < stored; ++g) {
    TdxDBGridSummaryGroup& group = *groups.Items(g);
    const std::string section = GroupSection(base, g);
    group.SetDefaultGroup(store.ReadBooleanValue(section, "Defaul", false));
    TdxDBGridSummaryItems& items = group.SummaryItems();
    TCollection::TUpdateLock itemsLock(items);
    const int storedItems = StoredCount(store, section, "CountSummaryItems", "SummaryType",
                                        [&](int i) { return ItemSection(base, g, i); });
    for (int i = 0; i < storedItems; ++i) {
      TdxDBGridSummaryItem& item = i < items.Count() ? *items.Items(i) : *items.Add();
      const std::string itemSection = ItemSection(base, g, i);
      item.SetColumnName(store.ReadTextValue(itemSection, "ColumnName", ""));
      item.SetSummaryType(SummaryTypeOf(store.ReadIntegerValue(itemSection, "SummaryType", 0)));
    }
    while (items.Count() > storedItems) items.Delete(items.Count() - 1);
    itemsLock.Close();
  }
  while (groups.Count() > std::max(stored, 1)) groups.Delete(groups.Count() - 1);
  if (stored == 0) {
    if (groups.Count() == 0) groups.Add();
    groups.Items(0)->SetDefaultGroup(true);
  }
  TdxDBGridSummaryItems& first = groups.Items(0)->SummaryItems();
  if (first.Count() == 0) first.Add()->SetColumnName(FKeyField);
  lock.Close();
  LoadFilterLayout(store, base);
}

void TCustomdxDBGrid::SaveColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                       const std::string& section) {
  TCustomdxDBTreeListControl::SaveColumnLayout(store, column, section);
  const auto* dbColumn = dynamic_cast<const TdxDBTreeListColumn*>(&column);
  if (dbColumn == nullptr) return;
  store.WriteIntegerValue(section, "GroupIndex", dbColumn->GroupIndex());
  store.WriteTextValue(section, "SummaryFooterField", dbColumn->SummaryFooterField());
  store.WriteIntegerValue(section, "SummaryFooterType", static_cast<int>(dbColumn->SummaryFooterType()));
}

void TCustomdxDBGrid::LoadColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                       const std::string& section) {
  TCustomdxDBTreeListControl::LoadColumnLayout(store, column, section);
  auto* dbColumn = dynamic_cast<TdxDBTreeListColumn*>(&column);
  if (dbColumn == nullptr) return;
  dbColumn->SetGroupIndex(store.ReadIntegerValue(section, "GroupIndex", dbColumn->GroupIndex()));
  dbColumn->SetSummaryFooterField(store.ReadTextValue(section, "SummaryFooterField", dbColumn->SummaryFooterField()));
  dbColumn->SetSummaryFooterType(
      SummaryTypeOf(store.ReadIntegerValue(section, "SummaryFooterType", dbColumn->SummaryFooterType())));
}
