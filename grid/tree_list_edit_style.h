#pragma once
// TdxTreeListEditStyle: the edit style a tree list gives its in-place
// editors. Values the editor's style has not been given follow the tree
// list's look instead of a style controller: a single border only where no
// grid lines frame the cell, buttons in the tree list's LookAndFeel. The
// editor owns its style; the tree list owns the editor, so the tree list
// outlives the style.

#include "grid/edit_styles.h"
#include "grid/forward.h"

class TdxTreeListEditStyle : public TdxEditStyle {
 public:
  TdxTreeListEditStyle(TdxEditStyleLink* editor, const TCustomdxTreeList* treeList);

  const TCustomdxTreeList* TreeList() const { return FTreeList; }

 protected:
  TColor DefaultBorderColor() const override { return clWindowFrame; }
  TdxEditBorderStyle DefaultBorderStyle() const override;
  TdxEditButtonViewStyle DefaultButtonStyle() const override;
  TdxEditButtonTransparence DefaultButtonTransparence() const override { return ebtNone; }
  TdxEditEdges DefaultEdges() const override { return dxAllEdges; }
  bool DefaultHotTrack() const override { return false; }
  bool DefaultShadow() const override { return false; }

 private:
  const TCustomdxTreeList* FTreeList;
};
