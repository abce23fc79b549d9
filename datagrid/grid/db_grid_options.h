#pragma once
// The data-aware grid's grouped option sets (stored in forms) and how each
// option maps onto a bit of the tree list's own two option words. The
// grid's writers (db_grid.h) apply the mapping; the table here is plain data
// so that it can be tested without a window.

#include <cstdint>

#include "framework/core/base/set.h"
#include "grid/tree_list/tree_list_options.h"

enum TdxDBGridOptionBehavior : int {
  edgoAnsiSort = 0,
  edgoAutoCopySelectedToClipboard = 1,
  edgoAutoSearch = 2,
  edgoAutoSort = 3,
  edgoBandButtonClicking = 4,
  edgoCaseInsensitive = 5,
  edgoCellMultiSelect = 6,
  edgoCollapsedReload = 7,
  edgoDblClick = 8,
  edgoDragCollapse = 9,
  edgoDragExpand = 10,
  edgoDragScroll = 11,
  edgoEditing = 12,
  edgoEnterShowEditor = 13,
  edgoEnterThrough = 14,
  edgoExtMultiSelect = 15,
  edgoHeaderButtonClicking = 16,
  edgoHorzThrough = 17,
  edgoImmediateEditor = 18,
  edgoMouseScroll = 19,
  edgoMultiSelect = 20,
  edgoMultiSort = 21,
  edgoSeekDetail = 22,
  edgoShowHourGlass = 23,
  edgoStoreToIniFile = 24,
  edgoStoreToRegistry = 25,
  edgoTabs = 26,
  edgoTabThrough = 27,
  edgoVertThrough = 28,
};

enum TdxDBGridOptionCustomize : int {
  edgoBandMoving = 0,
  edgoBandPanelSizing = 1,
  edgoBandSizing = 2,
  edgoColumnMoving = 3,
  edgoColumnSizing = 4,
  edgoExtCustomizing = 5,
  edgoFullSizing = 6,
  edgoHeaderPanelSizing = 7,
  edgoKeepColumnWidth = 8,
  edgoNotHideColumn = 9,
  edgoRowSizing = 10,
};

enum TdxDBGridOptionDB : int {
  edgoCanAppend = 0,
  edgoCancelOnExit = 1,
  edgoCanDelete = 2,
  edgoCanInsert = 3,
  edgoCanNavigation = 4,
  edgoConfirmDelete = 5,
  edgoLoadAllRecords = 6,
  edgoPartialLoad = 7,
  edgoResetColumnFocus = 8,
  edgoSmartRefresh = 9,
  edgoSmartReload = 10,
  edgoSyncSelection = 11,
  edgoUseBookmarks = 12,
  edgoUseLocate = 13,
};

enum TdxDBGridOptionView : int {
  edgoAutoCalcPreviewLines = 0,
  edgoAutoHeaderPanelHeight = 1,
  edgoAutoWidth = 2,
  edgoBandHeaderWidth = 3,
  edgoDrawEndEllipsis = 4,
  edgoHideFocusRect = 5,
  edgoHotTrack = 6,
  edgoIndicator = 7,
  edgoInvertSelect = 8,
  edgoPreview = 9,
  edgoRowAutoHeight = 10,
  edgoRowSelect = 11,
  edgoShowButtonAlways = 12,
  edgoUseBitmap = 13,
};

using TdxDBGridOptionsBehavior = TSet<TdxDBGridOptionBehavior, 32>;
using TdxDBGridOptionsCustomize = TSet<TdxDBGridOptionCustomize, 16>;
using TdxDBGridOptionsDB = TSet<TdxDBGridOptionDB, 16>;
using TdxDBGridOptionsView = TSet<TdxDBGridOptionView, 16>;

// The combined words (not stored): each egoX is the same-named edgoX,
// except that edgoAutoCopySelectedToClipboard, edgoPartialLoad,
// edgoUseBookmarks and edgoHotTrack have no counterpart.
enum TdxDBGridOption : int {
  egoColumnSizing, egoColumnMoving, egoEditing, egoTabs, egoTabThrough, egoRowSelect, egoMultiSelect,
  egoCanDelete, egoConfirmDelete, egoCanNavigation, egoCanAppend, egoCancelOnExit, egoImmediateEditor,
  egoCanInsert, egoLoadAllRecords, egoPreview, egoDrawEndEllipsis, egoStoreToRegistry, egoAutoWidth,
  egoShowHourGlass, egoCaseInsensitive, egoDblClick, egoIndicator, egoExtMultiSelect, egoResetColumnFocus,
  egoExtCustomizing, egoHideFocusRect, egoStoreToIniFile, egoUseLocate, egoSmartReload, egoSmartRefresh,
  egoSeekDetail,
};

enum TdxDBGridOptionEx : int {
  egoInvertSelect, egoUseBitmap, egoBandHeaderWidth, egoAutoCalcPreviewLines, egoBandSizing, egoBandMoving,
  egoHorzThrough, egoVertThrough, egoCellMultiSelect, egoEnterThrough, egoEnterShowEditor, egoFullSizing,
  egoDragScroll, egoDragExpand, egoDragCollapse, egoRowAutoHeight, egoBandButtonClicking, egoBandPanelSizing,
  egoHeaderButtonClicking, egoHeaderPanelSizing, egoRowSizing, egoAutoSort, egoNotHideColumn, egoMultiSort,
  egoShowButtonAlways, egoAutoHeaderPanelHeight, egoKeepColumnWidth, egoSyncSelection, egoCollapsedReload,
  egoAnsiSort, egoMouseScroll, egoAutoSearch,
};

using TdxDBGridOptions = TSet<TdxDBGridOption, 32>;
using TdxDBGridOptionsEx = TSet<TdxDBGridOptionEx, 32>;

// The four grouped sets as one of them sees them.
struct TdxDBGridGroupedOptions {
  TdxDBGridOptionsBehavior Behavior;
  TdxDBGridOptionsCustomize Customize;
  TdxDBGridOptionsDB DB;
  TdxDBGridOptionsView View;
};

// The combined words of the grouped sets.
TdxDBGridOptions CombinedOptions(const TdxDBGridGroupedOptions& grouped);
TdxDBGridOptionsEx CombinedOptionsEx(const TdxDBGridGroupedOptions& grouped);
// The grouped sets after writing one combined word: every option with a
// counterpart in that word takes its bit; the others keep their value.
TdxDBGridGroupedOptions ApplyCombinedOptions(TdxDBGridGroupedOptions grouped, const TdxDBGridOptions& options);
TdxDBGridGroupedOptions ApplyCombinedOptionsEx(TdxDBGridGroupedOptions grouped, const TdxDBGridOptionsEx& options);

TdxDBGridOptionsBehavior DefaultOptionsBehavior();
TdxDBGridOptionsCustomize DefaultOptionsCustomize();
TdxDBGridOptionsDB DefaultOptionsDB();
TdxDBGridOptionsView DefaultOptionsView();

// The tree list's option words as the four grouped sets set them; bits the
// sets do not drive keep their value from options / optionsEx.
void ApplyGroupedOptions(const TdxDBGridOptionsBehavior& behavior, const TdxDBGridOptionsCustomize& customize,
                         const TdxDBGridOptionsView& view, TdxTreeListOptions& options,
                         TdxTreeListOptionsEx& optionsEx);
