#include "datagrid/filter/filter_drop_down.h"

#include "datagrid/control/db_column.h"
#include "datagrid/grid/db_grid.h"
#include "framework/gui/controls/keys.h"
#include "framework/gui/controls/messages.h"

TdxDBGridFilterPopupListBox::TdxDBGridFilterPopupListBox(TComponent* owner)
    : TCustomdxPopupPickListBox(owner) {
  OnPopupMouseUp = [this](TObject* sender, bool inside) { PopupMouseUp(sender, inside); };
}

TCustomdxDBGrid* TdxDBGridFilterPopupListBox::Grid() const {
  return FColumn == nullptr ? nullptr : dynamic_cast<TCustomdxDBGrid*>(FColumn->DBTreeList());
}

void TdxDBGridFilterPopupListBox::FillItems(bool hasBlanks) {
  TStringsUpdateScope update(Items());
  Items().Clear();
  FValueIndex.clear();
  auto add = [this](const std::string& text, int valueIndex) {
    Items().Add(text);
    FValueIndex.push_back(valueIndex);
  };
  add(AllText, -1);
  add(CustomText, -1);
  if (hasBlanks) {
    add(BlanksText, -1);
    add(NonBlanksText, -1);
  }
  for (int i = 0; i < FValues.Count(); ++i) add(FValues.Strings(i), i);
  update.Finish();
}

int TdxDBGridFilterPopupListBox::ValueIndexOf(int item) const {
  if (item < 0 || item >= static_cast<int>(FValueIndex.size())) return -1;
  return FValueIndex[static_cast<std::size_t>(item)];
}

void TdxDBGridFilterPopupListBox::CloseUp(bool accept) {
  TCustomdxDBGrid* grid = Grid();
  if (grid == nullptr || !grid->FilterDropDownOpen()) return;
  // Closed before the cancel mode goes out: the grid, holding the mouse
  // while the list is open, closes the list on that message too.
  grid->SetFilterDropDownOpen(false);
  if (TWinControl* capture = GetCapture(); capture != nullptr) capture->Perform(WM_CANCELMODE);
  SetVisible(false);
  const int item = ItemIndex();
  if (!accept || item < 0 || FColumn == nullptr) return;
  TdxDBGridFilter& filter = grid->Filter();
  const int valueIndex = ValueIndexOf(item);
  if (item == 0) {
    filter.RemoveColumnFilter(FColumn);
  } else if (item == 1) {
    filter.EditCustomFilter(FColumn);
  } else if (item == 2 && valueIndex < 0) {
    filter.ApplyBlanks(FColumn, false);
  } else if (item == 3 && valueIndex < 0) {
    filter.ApplyBlanks(FColumn, true);
  } else if (valueIndex >= 0) {
    filter.ApplyValue(FColumn, FValues.Values(valueIndex), FValues.Strings(valueIndex));
  }
}

void TdxDBGridFilterPopupListBox::KeyDown(TKey& key, TShiftState shift) {
  TCustomdxPopupPickListBox::KeyDown(key, shift);
  if (key == VK_RETURN || key == VK_ESCAPE || key == VK_F4) {
    const bool accept = key == VK_RETURN;
    // The grid must not see the key as well.
    key = 0;
    CloseUp(accept);
  }
}

void TdxDBGridFilterPopupListBox::PopupMouseUp(TObject*, bool inside) { CloseUp(inside); }
