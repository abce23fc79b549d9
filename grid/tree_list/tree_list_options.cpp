#include "grid/tree_list/tree_list_options.h"

TdxOptionsChange ChangeOptions(TdxTreeListOptions current, TdxTreeListOptionsEx currentEx,
                               TdxTreeListOptions value) {
  TdxOptionsChange change;
  change.Options = current;
  change.OptionsEx = currentEx;
  if (value == current) return change;
  change.Unchanged = false;
  change.Options = value;
  if (value.Contains(tloRowSelect)) change.OptionsEx.Exclude(tloInvertSelect);
  change.ClearSortedColumns = value.Contains(tloAutoSort) && !current.Contains(tloAutoSort);
  change.KeepDisplayedWidths = current.Contains(tloAutoWidth) && !value.Contains(tloAutoWidth) &&
                               change.OptionsEx.Contains(tloKeepColumnWidth);
  change.ResetSelection = true;
  return change;
}

TdxOptionsChange ChangeOptionsEx(TdxTreeListOptions current, TdxTreeListOptionsEx currentEx,
                                 TdxTreeListOptionsEx value) {
  TdxOptionsChange change;
  change.Options = current;
  change.OptionsEx = currentEx;
  if (value == currentEx) return change;
  change.Unchanged = false;
  change.OptionsEx = value;
  if (value.Contains(tloInvertSelect)) change.Options.Exclude(tloRowSelect);
  const bool multiSortDropped = currentEx.Contains(tloMultiSort) && !value.Contains(tloMultiSort);
  const bool ansiSortToggled = currentEx.Contains(tloAnsiSort) != value.Contains(tloAnsiSort);
  change.ClearSortedColumns = multiSortDropped || ansiSortToggled;
  change.RecalcHeaderPanelRows =
      value.Contains(tloAutoHeaderPanelHeight) && !currentEx.Contains(tloAutoHeaderPanelHeight);
  change.EndAutoSearch = !value.Contains(tloAutoSearch);
  // Row select switched off through tloInvertSelect changes the selection
  // unit as much as writing Options would.
  change.ResetSelection = !(change.Options == current);
  return change;
}
