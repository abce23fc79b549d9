#pragma once
// The directory program's apartment grid as a plain tree list for the
// layout, painting and hit-test tests: two bands, "Left" fixed on the
// left and "Main", the apartment columns in stored order (two of them
// hidden), text nodes with one text per column, and the look of the
// program (ultra-flat). Everything the painting asks is reachable here.

#include <memory>
#include <string>
#include <vector>

#include "framework/gui/graphics/bitmap.h"
#include "tests/grid/test_column_grid.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"

enum TApartmentColumn { acHomeId, acStreetId, acPhone, acName, acStreetName, acBuild, acCorp, acApartment };

class TApartmentGrid : public TColumnGrid {
 public:
  TApartmentGrid() {
    SetBounds(0, 0, 640, 240);
    SetBorderStyle(bsNone);
    SetLookAndFeel(lfUltraFlat);
    SetShowBands(true);
    Bands().Items(0)->SetCaption("Left");
    Bands().Items(0)->SetFixed(bfLeft);
    Bands().Add()->SetCaption("Main");
    SetDefaultLayout(false);
    struct TSpec {
      const char* Name;
      int Band;
      int Width;  // 0: the default
      bool Visible;
    };
    const TSpec specs[] = {{"HOME_ID", 0, 34, false},      {"STREET_ID", 0, 35, false}, {"PHONE", 0, 53, true},
                           {"NAME", 0, 107, true},         {"STREET_NAME", 1, 156, true}, {"BUILD", 1, 0, true},
                           {"CORP", 1, 42, true},          {"APARTAMENT", 1, 0, true}};
    for (const TSpec& spec : specs) {
      auto column = std::make_unique<TdxTreeListColumn>(nullptr);
      column->SetTreeList(this);
      column->SetBandIndex(spec.Band);
      column->SetCaption(spec.Name);
      if (spec.Width > 0) column->SetWidth(spec.Width);
      column->SetVisible(spec.Visible);
      FColumns.push_back(std::move(column));
    }
  }
  ~TApartmentGrid() override {
    ClearNodes();
    for (auto& column : FColumns) column->SetTreeList(nullptr);
  }

  TdxTreeListColumn& Column(TApartmentColumn c) { return *FColumns[static_cast<std::size_t>(c)]; }

  // An apartment row: phone, name, street, house, building, flat.
  TdxTreeListTextNode* AddApartment(const std::string& phone, const std::string& name, const std::string& street,
                                    const std::string& build, const std::string& corp, const std::string& flat) {
    return AddRow({"1", "2", phone, name, street, build, corp, flat});
  }
  void AddApartments(int count) {
    for (int i = 0; i < count; ++i)
      AddApartment(std::to_string(200000 + i), "Name" + std::to_string(i), "Street" + std::to_string(i % 7),
                   std::to_string(i % 90 + 1), i % 3 == 0 ? "2" : "", std::to_string(i + 1));
  }

  // The whole client area painted into a bitmap of its size.
  std::unique_ptr<TBitmap> Render() {
    auto bitmap = std::make_unique<TBitmap>(ClientWidth(), ClientHeight());
    PaintTo(bitmap->Canvas());
    return bitmap;
  }
  TdxTreeListLayoutInfo Layout() const {
    TdxTreeListLayoutInfo layout;
    CalculateLayout(layout);
    return layout;
  }

  std::string SearchText;
  int SearchColumn = -1;
  int IndicatorKind = 0;

  using TCustomdxTreeList::PaintTo;
  using TCustomdxTreeList::SetShowFooter;
  using TCustomdxTreeList::SetShowIndicator;
  using TCustomdxTreeList::SetNodeIndentMode;
  using TCustomdxTreeList::SetLeftCoordValue;
  using TdxTreeListNodeOwner::SetFocusedNodeField;
  using TCustomdxTreeList::SetFocusedColumnIndex;

 public:
  // Text nodes keep their own image indexes.
  int GetImageIndex(const TdxTreeListNode* node) const override { return Text(node).ImageIndex(); }
  int GetSelectedIndex(const TdxTreeListNode* node) const override { return Text(node).SelectedIndex(); }
  int GetStateIndex(const TdxTreeListNode* node) const override { return Text(node).StateIndex(); }

 protected:
  std::string AutoSearchText() const override { return SearchText; }
  int AutoSearchColumn() const override { return SearchColumn; }
  int GetRowIndicatorKind(const TdxTreeListNode* node) const override {
    return node == FocusedNode() ? IndicatorKind : 0;
  }

 private:
  static const TdxTreeListTextNode& Text(const TdxTreeListNode* node) {
    return static_cast<const TdxTreeListTextNode&>(*node);
  }
  std::vector<std::unique_ptr<TdxTreeListColumn>> FColumns;
};
