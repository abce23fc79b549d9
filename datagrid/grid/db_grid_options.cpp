#include "datagrid/grid/db_grid_options.h"

namespace {

// One grouped option and the tree-list bit it drives (Ex: the OptionsEx word).
template <class E>
struct TMapping {
  E Option;
  int Bit;
  bool Ex;
};

constexpr TMapping<TdxDBGridOptionBehavior> BehaviorMap[] = {
    {edgoAnsiSort, tloAnsiSort, true},
    {edgoAutoCopySelectedToClipboard, tloAutoCopySelectedToClipboard, true},
    {edgoAutoSearch, tloAutoSearch, true},
    // The word carries the option as set; the grid still answers tloAutoSort
    // itself, allowing sorts by a header click only in load-all mode.
    {edgoAutoSort, tloAutoSort, false},
    {edgoBandButtonClicking, tloBandButtonClicking, true},
    {edgoCaseInsensitive, tloCaseInsensitive, false},
    {edgoCellMultiSelect, tloCellMultiSelect, true},
    {edgoDragCollapse, tloDragCollapse, true},
    {edgoDragExpand, tloDragExpand, true},
    {edgoDragScroll, tloDragScroll, true},
    {edgoEditing, tloEditing, false},
    {edgoEnterShowEditor, tloEnterShowEditor, true},
    {edgoEnterThrough, tloEnterThrough, true},
    {edgoExtMultiSelect, tloExtMultiSelect, false},
    {edgoHeaderButtonClicking, tloHeaderButtonClicking, true},
    {edgoHorzThrough, tloHorzThrough, true},
    {edgoImmediateEditor, tloImmediateEditor, false},
    {edgoMouseScroll, tloMouseScroll, true},
    {edgoMultiSelect, tloMultiSelect, false},
    {edgoMultiSort, tloMultiSort, true},
    {edgoShowHourGlass, tloShowHourGlass, true},
    {edgoStoreToIniFile, tloStoreToIniFile, false},
    {edgoStoreToRegistry, tloStoreToRegistry, false},
    {edgoTabs, tloTabs, false},
    {edgoTabThrough, tloTabThrough, false},
    {edgoVertThrough, tloVertThrough, true},
};

constexpr TMapping<TdxDBGridOptionCustomize> CustomizeMap[] = {
    {edgoBandMoving, tloBandMoving, true},
    {edgoBandPanelSizing, tloBandPanelSizing, true},
    {edgoBandSizing, tloBandSizing, true},
    {edgoColumnMoving, tloColumnMoving, false},
    {edgoColumnSizing, tloColumnSizing, false},
    {edgoExtCustomizing, tloExtCustomizing, false},
    {edgoFullSizing, tloFullSizing, true},
    {edgoHeaderPanelSizing, tloHeaderPanelSizing, true},
    {edgoKeepColumnWidth, tloKeepColumnWidth, true},
    {edgoRowSizing, tloRowSizing, true},
};

constexpr TMapping<TdxDBGridOptionView> ViewMap[] = {
    {edgoAutoCalcPreviewLines, tloAutoCalcPreviewLines, true},
    {edgoAutoHeaderPanelHeight, tloAutoHeaderPanelHeight, true},
    {edgoAutoWidth, tloAutoWidth, false},
    {edgoBandHeaderWidth, tloBandHeaderWidth, true},
    {edgoDrawEndEllipsis, tloDrawEndEllipsis, false},
    {edgoHideFocusRect, tloHideFocusRect, false},
    {edgoHotTrack, tloHotTrack, true},
    {edgoInvertSelect, tloInvertSelect, true},
    {edgoPreview, tloPreview, false},
    {edgoRowAutoHeight, tloRowAutoHeight, true},
    {edgoRowSelect, tloRowSelect, false},
    {edgoShowButtonAlways, tloShowButtonAlways, true},
    {edgoUseBitmap, tloUseBitmap, true},
};

template <class E, std::size_t N, class Set>
void Apply(const TMapping<E> (&map)[N], const Set& set, TdxTreeListOptions& options,
           TdxTreeListOptionsEx& optionsEx) {
  for (const auto& entry : map) {
    const bool on = set.Contains(entry.Option);
    if (entry.Ex) {
      const auto bit = static_cast<TdxTreeListOptionEx>(entry.Bit);
      on ? optionsEx.Include(bit) : optionsEx.Exclude(bit);
    } else {
      const auto bit = static_cast<TdxTreeListOption>(entry.Bit);
      on ? options.Include(bit) : options.Exclude(bit);
    }
  }
}

// One combined bit and the grouped option of the same name.
enum TGroupedSet { gsBehavior, gsCustomize, gsDB, gsView };
struct TPair {
  int Combined;
  TGroupedSet Set;
  int Grouped;
};

constexpr TPair OptionsPairs[] = {
    {egoColumnSizing, gsCustomize, edgoColumnSizing},   {egoColumnMoving, gsCustomize, edgoColumnMoving},
    {egoEditing, gsBehavior, edgoEditing},              {egoTabs, gsBehavior, edgoTabs},
    {egoTabThrough, gsBehavior, edgoTabThrough},        {egoRowSelect, gsView, edgoRowSelect},
    {egoMultiSelect, gsBehavior, edgoMultiSelect},      {egoCanDelete, gsDB, edgoCanDelete},
    {egoConfirmDelete, gsDB, edgoConfirmDelete},        {egoCanNavigation, gsDB, edgoCanNavigation},
    {egoCanAppend, gsDB, edgoCanAppend},                {egoCancelOnExit, gsDB, edgoCancelOnExit},
    {egoImmediateEditor, gsBehavior, edgoImmediateEditor}, {egoCanInsert, gsDB, edgoCanInsert},
    {egoLoadAllRecords, gsDB, edgoLoadAllRecords},      {egoPreview, gsView, edgoPreview},
    {egoDrawEndEllipsis, gsView, edgoDrawEndEllipsis},  {egoStoreToRegistry, gsBehavior, edgoStoreToRegistry},
    {egoAutoWidth, gsView, edgoAutoWidth},              {egoShowHourGlass, gsBehavior, edgoShowHourGlass},
    {egoCaseInsensitive, gsBehavior, edgoCaseInsensitive}, {egoDblClick, gsBehavior, edgoDblClick},
    {egoIndicator, gsView, edgoIndicator},              {egoExtMultiSelect, gsBehavior, edgoExtMultiSelect},
    {egoResetColumnFocus, gsDB, edgoResetColumnFocus},  {egoExtCustomizing, gsCustomize, edgoExtCustomizing},
    {egoHideFocusRect, gsView, edgoHideFocusRect},      {egoStoreToIniFile, gsBehavior, edgoStoreToIniFile},
    {egoUseLocate, gsDB, edgoUseLocate},                {egoSmartReload, gsDB, edgoSmartReload},
    {egoSmartRefresh, gsDB, edgoSmartRefresh},          {egoSeekDetail, gsBehavior, edgoSeekDetail},
};

constexpr TPair OptionsExPairs[] = {
    {egoInvertSelect, gsView, edgoInvertSelect},
    {egoUseBitmap, gsView, edgoUseBitmap},
    {egoBandHeaderWidth, gsView, edgoBandHeaderWidth},
    {egoAutoCalcPreviewLines, gsView, edgoAutoCalcPreviewLines},
    {egoBandSizing, gsCustomize, edgoBandSizing},
    {egoBandMoving, gsCustomize, edgoBandMoving},
    {egoHorzThrough, gsBehavior, edgoHorzThrough},
    {egoVertThrough, gsBehavior, edgoVertThrough},
    {egoCellMultiSelect, gsBehavior, edgoCellMultiSelect},
    {egoEnterThrough, gsBehavior, edgoEnterThrough},
    {egoEnterShowEditor, gsBehavior, edgoEnterShowEditor},
    {egoFullSizing, gsCustomize, edgoFullSizing},
    {egoDragScroll, gsBehavior, edgoDragScroll},
    {egoDragExpand, gsBehavior, edgoDragExpand},
    {egoDragCollapse, gsBehavior, edgoDragCollapse},
    {egoRowAutoHeight, gsView, edgoRowAutoHeight},
    {egoBandButtonClicking, gsBehavior, edgoBandButtonClicking},
    {egoBandPanelSizing, gsCustomize, edgoBandPanelSizing},
    {egoHeaderButtonClicking, gsBehavior, edgoHeaderButtonClicking},
    {egoHeaderPanelSizing, gsCustomize, edgoHeaderPanelSizing},
    {egoRowSizing, gsCustomize, edgoRowSizing},
    {egoAutoSort, gsBehavior, edgoAutoSort},
    {egoNotHideColumn, gsCustomize, edgoNotHideColumn},
    {egoMultiSort, gsBehavior, edgoMultiSort},
    {egoShowButtonAlways, gsView, edgoShowButtonAlways},
    {egoAutoHeaderPanelHeight, gsView, edgoAutoHeaderPanelHeight},
    {egoKeepColumnWidth, gsCustomize, edgoKeepColumnWidth},
    {egoSyncSelection, gsDB, edgoSyncSelection},
    {egoCollapsedReload, gsBehavior, edgoCollapsedReload},
    {egoAnsiSort, gsBehavior, edgoAnsiSort},
    {egoMouseScroll, gsBehavior, edgoMouseScroll},
    {egoAutoSearch, gsBehavior, edgoAutoSearch},
};

bool GroupedOn(const TdxDBGridGroupedOptions& grouped, const TPair& pair) {
  switch (pair.Set) {
    case gsBehavior:
      return grouped.Behavior.Contains(static_cast<TdxDBGridOptionBehavior>(pair.Grouped));
    case gsCustomize:
      return grouped.Customize.Contains(static_cast<TdxDBGridOptionCustomize>(pair.Grouped));
    case gsDB:
      return grouped.DB.Contains(static_cast<TdxDBGridOptionDB>(pair.Grouped));
    case gsView:
      return grouped.View.Contains(static_cast<TdxDBGridOptionView>(pair.Grouped));
  }
  return false;
}

template <class E, std::size_t N>
void SetBit(TSet<E, N>& set, int bit, bool on) {
  on ? set.Include(static_cast<E>(bit)) : set.Exclude(static_cast<E>(bit));
}

void SetGrouped(TdxDBGridGroupedOptions& grouped, const TPair& pair, bool on) {
  switch (pair.Set) {
    case gsBehavior:
      SetBit(grouped.Behavior, pair.Grouped, on);
      break;
    case gsCustomize:
      SetBit(grouped.Customize, pair.Grouped, on);
      break;
    case gsDB:
      SetBit(grouped.DB, pair.Grouped, on);
      break;
    case gsView:
      SetBit(grouped.View, pair.Grouped, on);
      break;
  }
}

}  // namespace

TdxDBGridOptions CombinedOptions(const TdxDBGridGroupedOptions& grouped) {
  TdxDBGridOptions result;
  for (const TPair& pair : OptionsPairs)
    if (GroupedOn(grouped, pair)) result.Include(static_cast<TdxDBGridOption>(pair.Combined));
  return result;
}

TdxDBGridOptionsEx CombinedOptionsEx(const TdxDBGridGroupedOptions& grouped) {
  TdxDBGridOptionsEx result;
  for (const TPair& pair : OptionsExPairs)
    if (GroupedOn(grouped, pair)) result.Include(static_cast<TdxDBGridOptionEx>(pair.Combined));
  return result;
}

TdxDBGridGroupedOptions ApplyCombinedOptions(TdxDBGridGroupedOptions grouped, const TdxDBGridOptions& options) {
  for (const TPair& pair : OptionsPairs)
    SetGrouped(grouped, pair, options.Contains(static_cast<TdxDBGridOption>(pair.Combined)));
  return grouped;
}

TdxDBGridGroupedOptions ApplyCombinedOptionsEx(TdxDBGridGroupedOptions grouped, const TdxDBGridOptionsEx& options) {
  for (const TPair& pair : OptionsExPairs)
    SetGrouped(grouped, pair, options.Contains(static_cast<TdxDBGridOptionEx>(pair.Combined)));
  return grouped;
}

TdxDBGridOptionsBehavior DefaultOptionsBehavior() {
  return {edgoAutoSort,         edgoDragScroll,  edgoEditing,    edgoEnterShowEditor,
          edgoImmediateEditor, edgoTabThrough, edgoVertThrough};
}

TdxDBGridOptionsCustomize DefaultOptionsCustomize() {
  return {edgoBandMoving, edgoBandSizing, edgoColumnMoving, edgoColumnSizing};
}

TdxDBGridOptionsDB DefaultOptionsDB() {
  return {edgoCancelOnExit,  edgoCanDelete,      edgoCanInsert,
          edgoCanNavigation, edgoConfirmDelete, edgoUseBookmarks};
}

TdxDBGridOptionsView DefaultOptionsView() { return {edgoBandHeaderWidth, edgoUseBitmap}; }

void ApplyGroupedOptions(const TdxDBGridOptionsBehavior& behavior, const TdxDBGridOptionsCustomize& customize,
                         const TdxDBGridOptionsView& view, TdxTreeListOptions& options,
                         TdxTreeListOptionsEx& optionsEx) {
  Apply(BehaviorMap, behavior, options, optionsEx);
  Apply(CustomizeMap, customize, options, optionsEx);
  Apply(ViewMap, view, options, optionsEx);
}
