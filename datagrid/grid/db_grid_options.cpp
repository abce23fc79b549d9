#include "datagrid/grid/db_grid_options.h"

namespace {

// edgoAutoSort drives no bit: the grid answers tloAutoSort itself (sorting by
// a header click only in load-all mode).
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

}  // namespace

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
