#include "grid/edit_styles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/base/exceptions.h"

namespace {

// An editor as the styles see it: it owns its style, links itself to a
// controller the way the in-place editor does, and counts the times it was
// told to repaint.
class TTestEditor : public TComponent, public TdxEditStyleLink {
 public:
  explicit TTestEditor(TComponent* owner = nullptr)
      : TComponent(owner), FStyle(std::make_unique<TdxEditStyle>(this)) {}
  ~TTestEditor() override {
    if (FStyleController && !FStyleController->ComponentState().Contains(TComponentStateItem::csDestroying))
      FStyleController->RemoveLink(this);
    FStyle.reset();
  }

  TdxEditStyleController* StyleController() const override { return FStyleController; }
  void StyleChanged() override { ++Repaints; }

  void SetStyleController(TdxEditStyleController* value) {
    if (value == FStyleController) return;
    if (FStyleController) {
      if (!FStyleController->ComponentState().Contains(TComponentStateItem::csDestroying))
        FStyleController->RemoveLink(this);
      RemoveFreeNotification(FStyleController);
    }
    FStyleController = value;
    if (value) {
      value->AddLink(this);
      FreeNotification(value);
      value->NotifyLink(this);
    } else {
      StyleChanged();
    }
  }

  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FStyleController) {
      FStyleController = nullptr;
      StyleChanged();
    }
  }

  TdxEditStyle& Style() { return *FStyle; }

  int Repaints = 0;

 private:
  TdxEditStyleController* FStyleController = nullptr;
  std::unique_ptr<TdxEditStyle> FStyle;
};

// Every test runs with the default controller unless it closes it.
class EditStylesTest : public ::testing::Test {
 protected:
  TdxEditStyleController& Default() { return FDefault->Controller(); }
  void CloseDefault() { FDefault.reset(); }

  std::unique_ptr<TdxDefaultEditStyleControllerScope> FDefault =
      std::make_unique<TdxDefaultEditStyleControllerScope>();
};

TEST_F(EditStylesTest, WithoutAnyControllerValuesAreTheFixedDefaults) {
  CloseDefault();
  ASSERT_EQ(DefaultEditStyleController(), nullptr);
  TTestEditor editor;
  TdxEditStyle& style = editor.Style();
  EXPECT_EQ(style.BorderColor(), clWindowFrame);
  EXPECT_EQ(style.BorderStyle(), xbs3D);
  EXPECT_EQ(style.ButtonStyle(), btsDefault);
  EXPECT_EQ(style.ButtonTransparence(), ebtNone);
  EXPECT_EQ(style.Edges().Bits(), 15u);
  EXPECT_FALSE(style.HotTrack());
  EXPECT_FALSE(style.Shadow());
  EXPECT_TRUE(style.AssignedValues().Empty());
}

TEST_F(EditStylesTest, ControllerDefaultsAreThePublishedOnes) {
  TdxEditStyleController edit(nullptr);
  EXPECT_EQ(edit.BorderColor(), clWindowFrame);
  EXPECT_EQ(edit.BorderStyle(), xbs3D);
  EXPECT_EQ(edit.ButtonStyle(), btsDefault);
  EXPECT_EQ(edit.Edges(), dxAllEdges);
  TdxCheckEditStyleController check(nullptr);
  EXPECT_EQ(check.BorderStyle(), xbsNone);
  EXPECT_EQ(check.ButtonStyle(), bts3D);
  EXPECT_EQ(check.BorderColor(), clWindowFrame);
}

// One look value: how to give the controller and the style a value that
// differs from every default, and how to read it back.
struct StyleValueCase {
  const char* Name;
  TdxEditStyleValue Member;
  std::function<void(TdxEditStyleController&)> SetOnController;
  std::function<void(TdxEditStyle&)> SetOnStyle;
  // 0: the fixed default; 1: the controller's value; 2: the style's value.
  std::function<int(const TdxEditStyle&)> Which;
};

void PrintTo(const StyleValueCase& c, std::ostream* os) { *os << c.Name; }

std::vector<StyleValueCase> StyleValueCases() {
  return {
      {"BorderColor", svBorderColor, [](auto& c) { c.SetBorderColor(clRed); },
       [](auto& s) { s.SetBorderColor(clBlue); },
       [](const auto& s) { return s.BorderColor() == clRed    ? 1
                                  : s.BorderColor() == clBlue ? 2
                                                              : 0; }},
      {"BorderStyle", svBorderStyle, [](auto& c) { c.SetBorderStyle(xbsFlat); },
       [](auto& s) { s.SetBorderStyle(xbsThick); },
       [](const auto& s) { return s.BorderStyle() == xbsFlat    ? 1
                                  : s.BorderStyle() == xbsThick ? 2
                                                                : 0; }},
      {"ButtonStyle", svButtonStyle, [](auto& c) { c.SetButtonStyle(btsFlat); },
       [](auto& s) { s.SetButtonStyle(btsHotFlat); },
       [](const auto& s) { return s.ButtonStyle() == btsFlat      ? 1
                                  : s.ButtonStyle() == btsHotFlat ? 2
                                                                  : 0; }},
      {"ButtonTransparence", svButtonTransparence, [](auto& c) { c.SetButtonTransparence(ebtAlways); },
       [](auto& s) { s.SetButtonTransparence(ebtInactive); },
       [](const auto& s) {
         return s.ButtonTransparence() == ebtAlways ? 1 : s.ButtonTransparence() == ebtInactive ? 2 : 0;
       }},
      {"Edges", svEdges, [](auto& c) { c.SetEdges({edgLeft}); }, [](auto& s) { s.SetEdges({edgTop}); },
       [](const auto& s) {
         return s.Edges() == TdxEditEdges{edgLeft} ? 1 : s.Edges() == TdxEditEdges{edgTop} ? 2 : 0;
       }},
      // Booleans have one non-default value: the style writes false over a
      // controller's true.
      {"HotTrack", svHotTrack, [](auto& c) { c.SetHotTrack(true); }, [](auto& s) { s.SetHotTrack(false); },
       [](const auto& s) { return s.HotTrack()                              ? 1
                                  : s.AssignedValues().Contains(svHotTrack) ? 2
                                                                            : 0; }},
      {"Shadow", svShadow, [](auto& c) { c.SetShadow(true); }, [](auto& s) { s.SetShadow(false); },
       [](const auto& s) { return s.Shadow()                              ? 1
                                  : s.AssignedValues().Contains(svShadow) ? 2
                                                                          : 0; }},
  };
}

class StyleValueTest : public EditStylesTest, public ::testing::WithParamInterface<StyleValueCase> {};

TEST_P(StyleValueTest, OwnValueWinsOverOwnControllerWhichWinsOverTheDefault) {
  const StyleValueCase& value = GetParam();
  TTestEditor editor;
  TdxEditStyleController placed(nullptr);
  EXPECT_EQ(value.Which(editor.Style()), 0);

  value.SetOnController(Default());
  EXPECT_EQ(value.Which(editor.Style()), 1) << "the default controller's value";

  TTestEditor linked;
  linked.SetStyleController(&placed);
  EXPECT_EQ(value.Which(linked.Style()), 0) << "its own controller hides the default's";
  value.SetOnController(placed);
  EXPECT_EQ(value.Which(linked.Style()), 1);

  const int before = linked.Repaints;
  value.SetOnStyle(linked.Style());
  EXPECT_EQ(value.Which(linked.Style()), 2);
  EXPECT_EQ(linked.Style().AssignedValues(), TdxEditStyleValues{value.Member});
  EXPECT_EQ(linked.Repaints, before + 1);

  // Removing the member lets the value fall back again.
  linked.Style().SetAssignedValues({});
  EXPECT_EQ(value.Which(linked.Style()), 1);
}

INSTANTIATE_TEST_SUITE_P(EachValue, StyleValueTest, ::testing::ValuesIn(StyleValueCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditStylesTest, DefaultControllerChangeRepaintsOnlyEditorsWithoutOwnController) {
  TComponent form(nullptr);
  auto* placed = new TdxEditStyleController(&form);
  TTestEditor free1, free2, linked;
  linked.SetStyleController(placed);
  free1.Repaints = free2.Repaints = linked.Repaints = 0;
  std::vector<TObject*> reported;
  Default().OnStyleChanged = [&](TObject* sender, TObject* link) {
    EXPECT_EQ(sender, &Default());
    reported.push_back(link);
  };

  Default().SetBorderStyle(xbsSingle);

  EXPECT_EQ(free1.Repaints, 1);
  EXPECT_EQ(free2.Repaints, 1);
  EXPECT_EQ(linked.Repaints, 0);
  EXPECT_EQ(linked.Style().BorderStyle(), xbs3D);
  EXPECT_EQ(reported, (std::vector<TObject*>{&free1, &free2}));
}

TEST_F(EditStylesTest, EqualValueWrittenToAControllerTellsNobody) {
  TTestEditor editor;
  editor.Repaints = 0;
  Default().SetBorderColor(Default().BorderColor());
  Default().SetEdges(dxAllEdges);
  Default().SetShadow(false);
  EXPECT_EQ(editor.Repaints, 0);
}

TEST_F(EditStylesTest, AssignBetweenControllersChangesSevenValuesButNotifiesEachLinkOnce) {
  TdxEditStyleController source(nullptr), target(nullptr);
  source.SetBorderColor(clGreen);
  source.SetBorderStyle(xbsThick);
  source.SetButtonStyle(btsSimple);
  source.SetButtonTransparence(ebtHideInactive);
  source.SetEdges({edgBottom, edgRight});
  source.SetHotTrack(true);
  source.SetShadow(true);
  TTestEditor a, b;
  a.SetStyleController(&target);
  b.SetStyleController(&target);
  a.Repaints = b.Repaints = 0;
  int events = 0;
  target.OnStyleChanged = [&](TObject*, TObject*) { ++events; };

  target.Assign(&source);

  EXPECT_EQ(a.Repaints, 1);
  EXPECT_EQ(b.Repaints, 1);
  EXPECT_EQ(events, 2);
  TdxEditStyle& style = a.Style();
  EXPECT_EQ(style.BorderColor(), clGreen);
  EXPECT_EQ(style.BorderStyle(), xbsThick);
  EXPECT_EQ(style.ButtonStyle(), btsSimple);
  EXPECT_EQ(style.ButtonTransparence(), ebtHideInactive);
  EXPECT_EQ(style.Edges(), (TdxEditEdges{edgBottom, edgRight}));
  EXPECT_TRUE(style.HotTrack());
  EXPECT_TRUE(style.Shadow());
}

TEST_F(EditStylesTest, ControllerAssignRefusesOtherKinds) {
  TdxEditStyleController controller(nullptr);
  TTestEditor editor;
  EXPECT_THROW(controller.Assign(&editor.Style()), EConvertError);
}

TEST_F(EditStylesTest, UpdateBracketsNestAndReportOnceAtTheOutermostEnd) {
  TdxEditStyleController controller(nullptr);
  TTestEditor editor;
  editor.SetStyleController(&controller);
  editor.Repaints = 0;
  controller.BeginUpdate();
  {
    TdxStyleControllerUpdateScope inner(controller);
    controller.SetShadow(true);
    controller.SetHotTrack(true);
    inner.Finish();
  }
  EXPECT_EQ(editor.Repaints, 0);
  controller.EndUpdate();
  EXPECT_EQ(editor.Repaints, 1);
  // An end without a beginning must not leave the lock below zero and
  // silence the next change.
  controller.EndUpdate();
  editor.Repaints = 0;
  controller.SetShadow(false);
  EXPECT_EQ(editor.Repaints, 1);
}

TEST_F(EditStylesTest, LoadingControllerReportsOnlyWhenLoaded) {
  TTestEditor editor;
  TComponent form(nullptr);
  TLoadingScope loading;
  auto* controller = new TdxEditStyleController(&form);
  editor.SetStyleController(controller);
  editor.Repaints = 0;
  controller->SetBorderStyle(xbsFlat);
  controller->SetHotTrack(true);
  EXPECT_EQ(editor.Repaints, 0);
  loading.Finish();
  EXPECT_EQ(editor.Repaints, 1);
  EXPECT_EQ(editor.Style().BorderStyle(), xbsFlat);
}

TEST_F(EditStylesTest, RestoreDefaultsOfAControllerIsOneNotification) {
  TdxCheckEditStyleController controller(nullptr);
  controller.SetBorderStyle(xbsThick);
  controller.SetButtonStyle(btsFlat);
  controller.SetBorderColor(clRed);
  TTestEditor editor;
  editor.SetStyleController(&controller);
  editor.Repaints = 0;
  controller.RestoreDefaults();
  EXPECT_EQ(editor.Repaints, 1);
  EXPECT_EQ(controller.BorderStyle(), xbsNone);
  EXPECT_EQ(controller.ButtonStyle(), bts3D);
  EXPECT_EQ(controller.BorderColor(), clWindowFrame);
}

TEST_F(EditStylesTest, ValueEqualToTheFallbackStillBecomesTheStylesOwn) {
  TTestEditor editor;
  TdxEditStyle& style = editor.Style();
  editor.Repaints = 0;
  style.SetBorderStyle(Default().BorderStyle());
  EXPECT_TRUE(style.AssignedValues().Contains(svBorderStyle));
  EXPECT_EQ(editor.Repaints, 1);
  // Writing the same own value again changes nothing.
  style.SetBorderStyle(xbs3D);
  EXPECT_EQ(editor.Repaints, 1);

  Default().SetBorderStyle(xbsNone);
  EXPECT_EQ(style.BorderStyle(), xbs3D) << "the controller no longer reaches an assigned value";
}

TEST_F(EditStylesTest, RestoreDefaultsOfAStyleFollowsTheControllerAgain) {
  TTestEditor editor;
  TdxEditStyle& style = editor.Style();
  style.SetShadow(false);
  style.SetButtonStyle(btsSimple);
  editor.Repaints = 0;
  style.RestoreDefaults();
  EXPECT_TRUE(style.AssignedValues().Empty());
  EXPECT_EQ(editor.Repaints, 1);
  Default().SetShadow(true);
  Default().SetButtonStyle(bts3D);
  EXPECT_TRUE(style.Shadow());
  EXPECT_EQ(style.ButtonStyle(), bts3D);
}

TEST_F(EditStylesTest, StyleAssignCopiesEffectiveValuesAndAssignsAllSeven) {
  TdxEditStyleController placed(nullptr);
  placed.SetBorderColor(clTeal);
  placed.SetHotTrack(true);
  TTestEditor source, target;
  source.SetStyleController(&placed);
  source.Style().SetButtonStyle(btsFlat);

  target.Style().Assign(&source.Style());

  const TdxEditStyle& style = target.Style();
  EXPECT_EQ(style.AssignedValues().Bits(), 127u);
  EXPECT_EQ(style.BorderColor(), clTeal);
  EXPECT_TRUE(style.HotTrack());
  EXPECT_EQ(style.ButtonStyle(), btsFlat);
  EXPECT_EQ(style.BorderStyle(), xbs3D);
  // Assigned: later changes of the controllers do not reach them.
  Default().SetBorderColor(clRed);
  EXPECT_EQ(style.BorderColor(), clTeal);
}

TEST_F(EditStylesTest, DestroyedControllerDetachesItsEditorsWhichFallBackToTheDefault) {
  Default().SetBorderStyle(xbsSingle);
  auto form = std::make_unique<TComponent>(nullptr);
  auto* placed = new TdxEditStyleController(form.get());
  placed->SetBorderStyle(xbsThick);
  TTestEditor editor;
  editor.SetStyleController(placed);
  ASSERT_EQ(editor.Style().BorderStyle(), xbsThick);

  form.reset();

  EXPECT_EQ(editor.StyleController(), nullptr);
  EXPECT_EQ(editor.Style().BorderStyle(), xbsSingle);
  editor.Repaints = 0;
  Default().SetBorderStyle(xbsFlat);
  EXPECT_EQ(editor.Repaints, 1) << "the editor is still a link of the default controller";
}

TEST_F(EditStylesTest, EditorStaysALinkOfTheDefaultControllerForItsWholeLife) {
  TdxEditStyleController placed(nullptr);
  {
    TTestEditor editor;
    EXPECT_TRUE(Default().HasLink(&editor));
    editor.SetStyleController(&placed);
    EXPECT_TRUE(Default().HasLink(&editor));
    EXPECT_TRUE(placed.HasLink(&editor));
  }
  EXPECT_EQ(Default().LinkCount(), 0);
  EXPECT_EQ(placed.LinkCount(), 0);
  EXPECT_THROW(placed.Links(0), EListError);
}

TEST_F(EditStylesTest, SettingNoControllerRepaintsAndFallsBack) {
  TdxEditStyleController placed(nullptr);
  placed.SetShadow(true);
  TTestEditor editor;
  editor.SetStyleController(&placed);
  EXPECT_TRUE(editor.Style().Shadow());
  editor.Repaints = 0;
  editor.SetStyleController(nullptr);
  EXPECT_EQ(editor.Repaints, 1);
  EXPECT_FALSE(editor.Style().Shadow());
  EXPECT_FALSE(placed.HasLink(&editor));
}

TEST_F(EditStylesTest, EditorFreedWhileBeingToldIsNotToldAgain) {
  TdxEditStyleController placed(nullptr);
  auto first = std::make_unique<TTestEditor>();
  auto second = std::make_unique<TTestEditor>();
  first->SetStyleController(&placed);
  second->SetStyleController(&placed);
  // The first editor's handler frees the second one.
  placed.OnStyleChanged = [&](TObject*, TObject* link) {
    if (link == first.get()) second.reset();
  };
  placed.SetHotTrack(true);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(placed.LinkCount(), 1);
}

TEST_F(EditStylesTest, DefaultControllerScopesNest) {
  TdxEditStyleController* outer = DefaultEditStyleController();
  {
    TdxDefaultEditStyleControllerScope inner;
    EXPECT_EQ(&inner.Controller(), outer);
  }
  EXPECT_EQ(DefaultEditStyleController(), outer);
  CloseDefault();
  EXPECT_EQ(DefaultEditStyleController(), nullptr);
}

TEST_F(EditStylesTest, StyleOutlivingTheDefaultControllerIsFreedSafely) {
  auto editor = std::make_unique<TTestEditor>();
  CloseDefault();
  EXPECT_EQ(editor->Style().BorderStyle(), xbs3D);
  editor.reset();
}

}  // namespace
