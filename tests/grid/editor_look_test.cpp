// Editor state that needs no typing: the stored-values word, the outline
// geometry and window region, style fallbacks, the hint window.

#include <gtest/gtest.h>

#include "grid/editors/edit_styles.h"

#include <memory>

#include "framework/gui/standard/forms.h"
#include "framework/gui/application/screen.h"
#include "grid/editors/editor_host.h"
#include "grid/editors/text_editor.h"

namespace {

class TStandAlone : public TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  bool IsInplace() const override { return false; }
};

TEST(StoredValuesTest, ExplicitSettingsMarkTheirBitsAndResetClearsThem) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  EXPECT_EQ(editor->StoredValues(), 0);
  EXPECT_FALSE(editor->IsStoredValuesStored());

  editor->SetAlignment(taRightJustify);
  editor->SetMaxLength(10);
  editor->SetReadOnly(true);
  EXPECT_EQ(editor->StoredValues(), dxStoredAlignment | dxStoredMaxLength | dxStoredReadOnly);
  EXPECT_TRUE(editor->IsStoredValuesStored());
  EXPECT_TRUE(editor->ReadOnly());
  EXPECT_FALSE(editor->CanModify());

  editor->ResetStoredValues();
  EXPECT_EQ(editor->StoredValues(), 0);
  EXPECT_EQ(editor->Alignment(), taLeftJustify);
  EXPECT_EQ(editor->MaxLength(), 0);
  EXPECT_FALSE(editor->ReadOnly());
  EXPECT_TRUE(editor->CanModify());
}

TEST(StoredValuesTest, ReadOnlyCountsOnlyWhenStored) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  editor->SetReadOnlyFlag(true);
  EXPECT_FALSE(editor->ReadOnly());
  EXPECT_TRUE(editor->IsEditable());
  editor->SetStoredValues(dxStoredReadOnly);
  EXPECT_TRUE(editor->ReadOnly());
  EXPECT_FALSE(editor->IsEditable());
}

TEST(StoredValuesTest, HeightIsStoredOnlyWhenTheEditorDoesNotSizeItself) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* alone = new TStandAlone(&form);
  EXPECT_FALSE(alone->IsHeightStored());
  alone->SetAutoSize(false);
  EXPECT_TRUE(alone->IsHeightStored());
  auto* host = new TCustomdxContainer(&form);
  auto* inplace = new TdxInplaceTextEdit(host);
  EXPECT_TRUE(inplace->IsHeightStored());
}

// --- Geometry and region ---------------------------------------------------------------

struct TOutlineCase {
  const char* Name;
  TdxEditBorderStyle Border;
  TdxEditEdges Edges;
  bool Shadow;
  bool HasRegion;
  TRect BorderRect;  // for a 100 x 30 editor
};

class OutlineTest : public ::testing::TestWithParam<TOutlineCase> {};

TEST_P(OutlineTest, GeometryAndRegionFollowTheStyle) {
  TdxDefaultEditStyleControllerScope styles;
  const TOutlineCase& c = GetParam();
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  editor->SetAutoSize(false);
  editor->SetBounds(0, 0, 100, 30);
  editor->Style().SetBorderStyle(c.Border);
  editor->Style().SetEdges(c.Edges);
  editor->Style().SetShadow(c.Shadow);
  std::unique_ptr<TdxEditViewData> vd = editor->CreateViewData(false);
  TdxEditBorderGeometry g;
  editor->CalcGeometry(*vd, false, g);
  int s = c.Shadow ? 2 : 0;
  EXPECT_EQ(g.InnerRect, Rect(2, 2, 98 - s, 28 - s));
  EXPECT_EQ(g.BorderRect, c.BorderRect);
  EXPECT_EQ(editor->HasWindowRegion(), c.HasRegion);
  EXPECT_EQ(editor->ClientRect(), Rect(0, 0, 96 - s, 26 - s));
  if (c.Shadow) {
    TRegion expected(g.BorderRect);
    TRect shadow = g.BorderRect;
    OffsetRect(shadow, 2, 2);
    EXPECT_EQ(g.ShadowRect, shadow);
    expected.Combine(TRegion(shadow), rcOr);
    EXPECT_TRUE(editor->WindowRegion() == expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, OutlineTest,
    ::testing::Values(TOutlineCase{"Sunken", xbs3D, dxAllEdges, false, false, Rect(0, 0, 100, 30)},
                      TOutlineCase{"NoTopEdge", xbs3D, {edgLeft, edgRight, edgBottom}, false, true, Rect(0, 2, 100, 30)},
                      TOutlineCase{"Shadow", xbs3D, dxAllEdges, true, true, Rect(0, 0, 98, 28)},
                      TOutlineCase{"Single", xbsSingle, dxAllEdges, false, true, Rect(1, 1, 99, 29)},
                      TOutlineCase{"None", xbsNone, dxAllEdges, false, true, Rect(2, 2, 98, 28)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(OutlineTest, AutoSizeTakesTheRequiredHeightOfTheFont) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  std::unique_ptr<TdxEditViewData> vd = editor->CreateViewData(false);
  int required = editor->GetRequiredHeight(*vd);
  EXPECT_EQ(editor->Height(), required + 4);
  EXPECT_EQ(editor->Width(), 121);
}

TEST(OutlineTest, HotTrackingRaisesTheBorderOfAHotEditor) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  editor->Style().SetHotTrack(true);
  editor->Style().SetBorderStyle(xbsSingle);
  editor->SetHot(true);
  std::unique_ptr<TdxEditViewData> vd = editor->CreateViewData(false);
  EXPECT_EQ(vd->BorderStyle, xbsThick);
  EXPECT_EQ(vd->ButtonStyle, bts3D);
  editor->SetHot(false);
  vd = editor->CreateViewData(false);
  EXPECT_EQ(vd->BorderStyle, xbsSingle);
  EXPECT_EQ(vd->ButtonStyle, btsHotFlat);
}

// --- Styles ---------------------------------------------------------------------------------

TEST(EditStyleTest, EditorsFollowTheirControllerAndFallBackWhenItDies) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  auto controller = std::make_unique<TdxEditStyleController>(nullptr);
  controller->SetBorderStyle(xbsFlat);
  editor->SetStyleController(controller.get());
  EXPECT_EQ(editor->Style().BorderStyle(), xbsFlat);
  // The default controller's changes no longer reach it.
  DefaultEditStyleController()->SetShadow(true);
  EXPECT_FALSE(editor->Style().Shadow());
  DefaultEditStyleController()->SetShadow(false);
  controller.reset();
  EXPECT_EQ(editor->StyleController(), nullptr);
  EXPECT_EQ(editor->Style().BorderStyle(), DefaultEditStyleController()->BorderStyle());
}

TEST(EditStyleTest, AnAssignedValueStaysAndClearingItFallsBackAgain) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  editor->Style().SetBorderStyle(xbs3D);
  DefaultEditStyleController()->SetBorderStyle(xbsSingle);
  EXPECT_EQ(editor->Style().BorderStyle(), xbs3D);
  editor->Style().RestoreDefaults();
  EXPECT_EQ(editor->Style().BorderStyle(), xbsSingle);
  DefaultEditStyleController()->RestoreDefaults();
}

TEST(EditStyleTest, ChangingTheDefaultControllerReshapesEditorsWithoutController) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* editor = new TStandAlone(&form);
  editor->SetAutoSize(false);
  editor->SetBounds(0, 0, 100, 30);
  EXPECT_FALSE(editor->HasWindowRegion());
  DefaultEditStyleController()->SetShadow(true);
  EXPECT_TRUE(editor->HasWindowRegion());
  DefaultEditStyleController()->RestoreDefaults();
  EXPECT_FALSE(editor->HasWindowRegion());
}

// --- Hint window --------------------------------------------------------------------------

TEST(HintWindowTest, StaysInsideTheScreenAndWrapsAtItsWidth) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* hint = new TdxContainerHintWindow(&form);
  TFont font;
  int w = Screen->Width(), h = Screen->Height();
  hint->ShowHint(Point(w - 5, h - 5), "Some text", font);
  EXPECT_LE(hint->Left() + hint->Width(), w);
  EXPECT_LE(hint->Top() + hint->Height(), h);
  EXPECT_GE(hint->Left(), 0);
  std::string longText;
  for (int i = 0; i < 400; ++i) longText += "word ";
  hint->ShowHint(Point(-50, -50), longText, font);
  EXPECT_EQ(hint->Left(), 0);
  EXPECT_EQ(hint->Top(), 0);
  EXPECT_LE(hint->Width(), w + 6);
  EXPECT_GT(hint->Height(), 30) << "the long text wraps onto several lines";
}

}  // namespace
