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
  // A save writes every group and item it counts: a count whose last entry
  // was never stored comes from a damaged store and is taken as none.
  int stored = std::max(0, store.ReadIntegerValue(base, "CountSummaryGroups", 0));
  if (stored > 0 && store.ReadIntegerValue(GroupSection(base, stored - 1), "CountSummaryItems", -1) == -1) stored = 0;
  for (int g = 0; g < stored; ++g) {
    TdxDBGridSummaryGroup& group = g < groups.Count() ? *groups.Items(g) : *groups.Add();
    const std::string section = GroupSection(base, g);
    group.SetDefaultGroup(store.ReadBooleanValue(section, "Defaul", false));
    TdxDBGridSummaryItems& items = group.SummaryItems();
    TCollection::TUpdateLock itemsLock(items);
    int storedItems = std::max(0, store.ReadIntegerValue(section, "CountSummaryItems", 0));
    if (storedItems > 0 && store.ReadIntegerValue(ItemSection(base, g, storedItems - 1), "SummaryType", -1) == -1)
      storedItems = 0;
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
