#pragma once
// TdxDBGridFilterPopupListBox: the list a column header's filter button
// drops down: "(All)", "(Custom...)", "(Blanks)" and "(NonBlanks)" when the
// column has blanks, then the column's distinct values. Accepting an item
// changes the column's condition through the grid's filter object.
//
// Made once by its grid (owned by it as a component) and refilled each time
// it opens; the grid keeps the open mark and routes its keys and presses to
// it while it is open.

#include <string>
#include <vector>

#include "datagrid/filter/grid_filter.h"
#include "grid/editors/popup_lists.h"

class TdxDBGridFilterPopupListBox : public TCustomdxPopupPickListBox {
 public:
  static constexpr const char* AllText = "(All)";
  static constexpr const char* CustomText = "(Custom...)";
  static constexpr const char* BlanksText = "(Blanks)";
  static constexpr const char* NonBlanksText = "(NonBlanks)";

  explicit TdxDBGridFilterPopupListBox(TComponent* owner);

  TdxDBTreeListColumn* Column() const { return FColumn; }
  void SetColumn(TdxDBTreeListColumn* column) { FColumn = column; }
  // The column's grid; nil without a column.
  TCustomdxDBGrid* Grid() const;
  TdxDBGridFilterValues& Values() { return FValues; }

  // The items from the value list (blanks: the blanks items are shown).
  void FillItems(bool hasBlanks);
  // The value list's index of an item; -1 for the fixed items.
  int ValueIndexOf(int item) const;
  // Closes (only when open in its grid); with accept, applies the
  // selected item to the filter.
  void CloseUp(bool accept);

  void KeyDown(TKey& key, TShiftState shift) override;

 private:
  void PopupMouseUp(TObject* sender, bool inside);

  TdxDBTreeListColumn* FColumn = nullptr;
  TdxDBGridFilterValues FValues;
  // Per item: its index in the values, -1 for a fixed item.
  std::vector<int> FValueIndex;
};
