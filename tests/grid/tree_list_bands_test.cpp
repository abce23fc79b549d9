// Bands of a real tree list: their columns follow them when they move or go,
// fixed sides stay at the ends, and widths keep to their minimum.

#include "grid/tree_list/tree_list_bands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

class TBandGrid : public TCustomdxTreeList {
 public:
  TBandGrid() : TCustomdxTreeList(nullptr) {}
  ~TBandGrid() override { ClearNodes(); }
  std::unique_ptr<TdxTreeListNode> CreateNode() override { return std::make_unique<TdxTreeListTextNode>(this); }
  int GetImageIndex(const TdxTreeListNode*) const override { return -1; }
  int GetSelectedIndex(const TdxTreeListNode*) const override { return -1; }
  int GetStateIndex(const TdxTreeListNode*) const override { return -1; }
  std::string GetCellText(const TdxTreeListNode*, int) const override { return {}; }
  Variant GetCellVariant(const TdxTreeListNode*, int) const override { return Variant(std::string()); }
  void SetCellText(TdxTreeListNode*, int, const std::string&) override {}
};

class BandTest : public ::testing::Test {
 protected:
  TBandGrid Grid;
  std::vector<std::unique_ptr<TdxTreeListColumn>> Columns;

  void SetUp() override {
    while (Grid.Bands().Count() < 3) Grid.Bands().Add();
    for (int band = 0; band < 3; ++band) {
      Columns.push_back(std::make_unique<TdxTreeListColumn>(nullptr));
      Columns.back()->SetTreeList(&Grid);
      Columns.back()->SetBandIndex(band);
      Grid.Bands().Items(band)->SetCaption("b" + std::to_string(band));
    }
  }
  std::string ColumnBands() const {
    std::string s;
    for (const auto& c : Columns) s += std::to_string(c->BandIndex());
    return s;
  }
  std::string Captions() const {
    std::string s;
    for (int i = 0; i < Grid.Bands().Count(); ++i) s += Grid.Bands().Items(i)->Caption();
    return s;
  }
  TdxTreeListBand* Band(int i) { return Grid.Bands().Items(i); }
};

TEST_F(BandTest, DeletingABandRenumbersTheColumns) {
  Grid.Bands().Delete(1);
  EXPECT_EQ(ColumnBands(), "0-11");
}

TEST_F(BandTest, DeletingABandInsideTheUpdateLockStillRenumbersColumns) {
  Grid.BeginUpdate();
  Grid.Bands().Delete(0);
  Grid.EndUpdate();
  EXPECT_EQ(ColumnBands(), "-101");
}

TEST_F(BandTest, MovingABandCarriesItsColumns) {
  Band(0)->SetIndex(2);
  EXPECT_EQ(Captions(), "b1b2b0");
  EXPECT_EQ(ColumnBands(), "201");
  Band(2)->SetIndex(-4);  // clamped to the first place
  EXPECT_EQ(Captions(), "b0b1b2");
  EXPECT_EQ(ColumnBands(), "012");
}

TEST_F(BandTest, FixedBandsGoToTheEndsAndDoNotMove) {
  Band(2)->SetFixed(bfLeft);
  EXPECT_EQ(Captions(), "b2b0b1");
  EXPECT_EQ(ColumnBands(), "120");
  Band(0)->SetIndex(2);
  EXPECT_EQ(Captions(), "b2b0b1");
  Band(1)->SetFixed(bfLeft);  // takes the side over
  EXPECT_EQ(Captions(), "b0b2b1");
  EXPECT_EQ(Band(0)->Fixed(), bfLeft);
  EXPECT_EQ(Band(1)->Fixed(), bfNone);
}

TEST_F(BandTest, InvisibleBandMovesButIsNotFixed) {
  Band(0)->SetFixed(bfLeft);
  Band(2)->SetVisible(false);
  Band(2)->SetFixed(bfLeft);
  EXPECT_EQ(Captions(), "b2b0b1");
  EXPECT_EQ(Band(0)->Fixed(), bfNone);
  EXPECT_EQ(Band(1)->Fixed(), bfNone);
}

TEST_F(BandTest, HidingAFixedBandUnfixesIt) {
  Band(2)->SetFixed(bfRight);
  EXPECT_EQ(Band(2)->Fixed(), bfRight);
  Band(2)->SetVisible(false);
  EXPECT_EQ(Band(2)->Fixed(), bfNone);
}

TEST_F(BandTest, WidthKeepsToMinWidth) {
  Band(0)->SetWidth(5);
  EXPECT_EQ(Band(0)->Width(), 30);
  Band(0)->SetMinWidth(400);
  EXPECT_EQ(Band(0)->Width(), 400);
  Band(0)->SetMinWidth(-1);
  EXPECT_EQ(Band(0)->MinWidth(), 0);
}

TEST_F(BandTest, AssignCopiesValuesAndLeavesOtherBandsInPlace) {
  Band(1)->SetCaption("x");
  Band(1)->SetWidth(77);
  Band(1)->SetAlignment(taRightJustify);
  Band(0)->Assign(Band(1));
  EXPECT_EQ(Band(0)->Caption(), "x");
  EXPECT_EQ(Band(0)->Width(), 77);
  EXPECT_EQ(Band(0)->Alignment(), taRightJustify);
}

TEST_F(BandTest, OneBandIsTheDefaultLayout) {
  TBandGrid fresh;
  EXPECT_EQ(fresh.Bands().Count(), 1);
  EXPECT_TRUE(fresh.DefaultLayout());
  EXPECT_FALSE(Grid.DefaultLayout());
}

}  // namespace
