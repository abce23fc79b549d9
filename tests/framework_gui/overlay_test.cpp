// Marks inverted over a control and pictures shown over the screen, checked
// on the screen itself (what the windows' buffers show), and what they
// leave alone: the focus, the active window, the mouse.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <memory>

#include "framework/gui/controls/custom_control.h"
#include "framework/gui/dragdrop/drag_drop.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/overlays/screen_overlay.h"
#include "framework/gui/overlays/screen_overlay_p.h"
#include "framework/gui/overlays/xor_overlay.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

// Paints itself in one colour.
class TSolid : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor Fill = clRed;

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(Fill);
    Canvas().FillRect(ClientRect());
  }
};

// The screen's pixel at a screen point, once pending paints are done.
TColor ScreenPixel(TPoint p) {
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  return FromQRgb(screen.pixel(p.X, p.Y));
}

TColor Inverted(TColor c) { return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)); }

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Solid = new TSolid(Form.get());
    Solid->SetParent(Form.get());
    Solid->SetBounds(10, 10, 120, 80);
    ASSERT_TRUE(ShowActive(*Form));
  }
  TColor At(int x, int y) { return ScreenPixel(Solid->ClientToScreen(Point(x, y))); }

  std::unique_ptr<TForm> Form;
  TSolid* Solid = nullptr;
};

TEST_F(OverlayTest, XorMarksInvertTheControlCancelWhereTheyMeetAndOutliveItsRepaints) {
  ASSERT_EQ(At(10, 5), clRed);
  TXorOverlay marks(*Solid);
  marks.Toggle(Rect(10, 0, 12, 80));  // the two-pixel line of a band edge
  EXPECT_EQ(At(10, 5), Inverted(clRed));
  EXPECT_EQ(At(11, 70), Inverted(clRed));
  EXPECT_EQ(At(12, 5), clRed);

  marks.Toggle(Rect(11, 0, 13, 80));  // drawn again one pixel on
  EXPECT_EQ(At(10, 5), Inverted(clRed));
  EXPECT_EQ(At(11, 5), clRed) << "inverted twice";
  EXPECT_EQ(At(12, 5), Inverted(clRed));

  Solid->Fill = clBlue;
  Solid->Invalidate();
  Solid->Update();
  EXPECT_EQ(At(10, 5), Inverted(clBlue)) << "the marks stay over what the control paints anew";
  EXPECT_EQ(At(11, 5), clBlue);

  marks.Clear();
  EXPECT_TRUE(marks.Empty());
  EXPECT_EQ(At(10, 5), clBlue);
  EXPECT_EQ(At(12, 5), clBlue);
}

TEST_F(OverlayTest, XorMarksLieOverChildControlsAndLetTheMouseThrough) {
  auto* child = new TSolid(Form.get());
  child->SetParent(Solid);
  child->Fill = clGreen;
  child->SetBounds(40, 20, 30, 30);
  TXorOverlay marks(*Solid);
  marks.Toggle(Rect(50, 0, 51, 80));
  EXPECT_EQ(At(50, 30), Inverted(clGreen));
  EXPECT_EQ(FindDragTarget(Solid->ClientToScreen(Point(50, 30))), child);
  marks.Toggle(Rect(50, 0, 51, 80));
  EXPECT_EQ(At(50, 30), clGreen);
}

TEST_F(OverlayTest, XorMarksOfAFreedControlAreGoneWithIt) {
  auto marks = std::make_unique<TXorOverlay>(*Solid);
  marks->Toggle(Rect(0, 0, 5, 5));
  Solid->Free();
  marks->Toggle(Rect(0, 0, 5, 5));  // touches nothing that died
  marks->Clear();
  marks.reset();
}

TEST_F(OverlayTest, AScreenOverlayShowsItsPictureWithoutTakingFocusActivationOrTheMouse) {
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(150, 20, 100, 24);
  edit->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return edit->Focused(); }));

  // Green on the right, the transparent colour on the left.
  TBitmap picture(20, 10);
  picture.Canvas().Brush().SetColor(clFuchsia);
  picture.Canvas().FillRect(Rect(0, 0, 10, 10));
  picture.Canvas().Brush().SetColor(clLime);
  picture.Canvas().FillRect(Rect(10, 0, 20, 10));
  picture.SetTransparent(true);
  picture.SetTransparentColor(clFuchsia);
  TScreenOverlay overlay;
  overlay.SetPicture(picture);
  TPoint at = edit->ClientToScreen(Point(5, 5));
  overlay.SetPosition(at);
  overlay.SetOwner(Form.get());
  overlay.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(TScreenOverlayAccess::Widget(overlay)));

  EXPECT_EQ(overlay.BoundsRect(), Rect(at.X, at.Y, at.X + 20, at.Y + 10));
  EXPECT_EQ(ScreenPixel(Point(at.X + 15, at.Y + 5)), clLime);
  QRegion shape = TScreenOverlayAccess::Widget(overlay)->mask();
  EXPECT_FALSE(shape.contains(QPoint(5, 5))) << "transparent pixels are not part of the window";
  EXPECT_TRUE(shape.contains(QPoint(15, 5)));
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(QApplication::activeWindow(), WindowOf(*Form));
  EXPECT_EQ(FindDragTarget(Point(at.X + 15, at.Y + 5)), edit) << "the mouse goes to what lies below";

  TRegion band(Rect(10, 0, 20, 4));
  overlay.SetShape(&band);
  EXPECT_EQ(TScreenOverlayAccess::Widget(overlay)->mask(), QRegion(10, 0, 10, 4));

  overlay.Hide();
  EXPECT_NE(ScreenPixel(Point(at.X + 15, at.Y + 5)), clLime);
  EXPECT_TRUE(edit->Focused());
}

}  // namespace
