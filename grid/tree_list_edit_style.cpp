#include "grid/tree_list_edit_style.h"

#include "grid/tree_list.h"

TdxTreeListEditStyle::TdxTreeListEditStyle(TdxEditStyleLink* editor, const TCustomdxTreeList* treeList)
    : TdxEditStyle(editor), FTreeList(treeList) {}

// Grid lines already frame the cell; without them the editor draws its own
// line.
TdxEditBorderStyle TdxTreeListEditStyle::DefaultBorderStyle() const {
  return FTreeList != nullptr && FTreeList->ShowGrid() ? xbsNone : xbsSingle;
}

TdxEditButtonViewStyle TdxTreeListEditStyle::DefaultButtonStyle() const {
  switch (FTreeList != nullptr ? FTreeList->LookAndFeel() : lfStandard) {
    case lfFlat: return btsFlat;
    case lfUltraFlat: return btsHotFlat;
    case lfStandard: break;
  }
  return bts3D;
}
