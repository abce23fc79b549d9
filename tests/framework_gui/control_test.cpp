// Windowed and painted controls: the control tree, alignment, painting
// through the back buffer, mouse, keyboard, focus, timers, capture and
// scroll bars, all through real Qt widgets.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/controls/custom_control.h"
#include "framework/gui/controls/custom_control_p.h"
#include "framework/gui/standard/forms.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

// Records what reaches its handlers.
class TProbe : public TCustomControl {
 public:
  explicit TProbe(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 100, 80); }

  std::vector<std::string> Log;
  std::vector<TRect> PaintClips;
  TColor Fill = clRed;
  std::function<void()> OnPaintHook;
  std::function<void(TMouseButton)> MouseDownHook;

  using TCustomControl::ScrollBarVisible;

 protected:
  void Paint() override {
    PaintClips.push_back(Canvas().ClipRect());
    Canvas().Brush().SetColor(Fill);
    Canvas().FillRect(ClientRect());
    if (OnPaintHook) OnPaintHook();
  }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    Log.push_back("down " + std::to_string(button) + (shift.Contains(ssDouble) ? " double" : "") + " " +
                  std::to_string(x) + "," + std::to_string(y));
    if (MouseDownHook) MouseDownHook(button);
    TCustomControl::MouseDown(button, shift, x, y);
  }
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    Log.push_back("up " + std::to_string(button) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void Click() override { Log.push_back("click"); }
  void DblClick() override { Log.push_back("dblclick"); }
  void KeyDown(TKey& key, TShiftState shift) override {
    Log.push_back("keydown " + std::to_string(key) + (shift.Contains(ssCtrl) ? " ctrl" : ""));
    TCustomControl::KeyDown(key, shift);
  }
  void KeyPress(char& key) override {
    Log.push_back(std::string("keypress ") + std::to_string(static_cast<unsigned char>(key)));
    TCustomControl::KeyPress(key);
  }
  void WMSetFocus() override { Log.push_back("setfocus"); }
  void WMKillFocus() override { Log.push_back("killfocus"); }
  void DoEnter() override { Log.push_back("enter"); }
  void DoExit() override { Log.push_back("exit"); }
  void WMTimer(int id) override { Log.push_back("timer " + std::to_string(id)); }
  void WMVScroll(int code, int pos) override {
    Log.push_back("vscroll " + std::to_string(code) + " " + std::to_string(pos));
  }
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FForm = std::make_unique<TForm>(nullptr);
    FForm->SetBounds(100, 100, 300, 200);
  }
  void TearDown() override { Application->OnException = nullptr; }

  TProbe* NewProbe() {
    auto* p = new TProbe(FForm.get());
    p->SetParent(FForm.get());
    return p;
  }

  QImage Grab(TWinControl& c) { return ClientOf(c)->grab().toImage(); }

  std::unique_ptr<TForm> FForm;
};

TColor PixelOf(const QImage& image, int x, int y) {
  QRgb p = image.pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

// --- Tree and alignment ------------------------------------------------------------

TEST_F(ControlTest, AlignedChildrenShareTheClientAreaInOrder) {
  auto* top = NewProbe();
  top->SetHeight(20);
  top->SetAlign(alTop);
  auto* bottom = NewProbe();
  bottom->SetHeight(10);
  bottom->SetAlign(alBottom);
  auto* left = NewProbe();
  left->SetWidth(30);
  left->SetAlign(alLeft);
  auto* client = NewProbe();
  client->SetAlign(alClient);

  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 190, 300, 200));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 30, 190));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 300, 190));

  FForm->SetBounds(100, 100, 400, 300);
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 400, 290));
  bottom->SetVisible(false);
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 400, 300));
}

TEST_F(ControlTest, AnchoredChildKeepsItsDistancesToTheEdges) {
  auto* p = NewProbe();
  p->SetBounds(10, 10, 50, 40);
  p->SetAnchors({akLeft, akTop, akRight, akBottom});
  auto* corner = NewProbe();
  corner->SetBounds(250, 150, 20, 20);
  corner->SetAnchors({akRight, akBottom});
  FForm->SetBounds(100, 100, 350, 260);
  EXPECT_EQ(p->BoundsRect(), Rect(10, 10, 110, 110));
  EXPECT_EQ(corner->BoundsRect(), Rect(300, 210, 320, 230));
}

TEST_F(ControlTest, DisabledAlignWaitsForTheLastEnable) {
  auto* p = NewProbe();
  FForm->DisableAlign();
  p->SetAlign(alClient);
  EXPECT_EQ(p->Width(), 100);
  FForm->EnableAlign();
  EXPECT_EQ(p->BoundsRect(), Rect(0, 0, 300, 200));
}

TEST_F(ControlTest, ParentCannotBeTheControlOrItsChild) {
  auto* outer = NewProbe();
  auto* inner = new TProbe(FForm.get());
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), FForm.get());
}

TEST_F(ControlTest, ParentThatDiesLetsGoOfChildrenOwnedElsewhere) {
  TForm owner(nullptr);
  auto* child = new TProbe(&owner);
  {
    auto parent = std::make_unique<TProbe>(nullptr);
    child->SetParent(parent.get());
    auto* owned = new TProbe(parent.get());
    owned->SetParent(parent.get());
    EXPECT_EQ(parent->ControlCount(), 2);
  }
  EXPECT_EQ(child->Parent(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST_F(ControlTest, ParentFontAndColourFollowTheParentUntilSetOwnFont) {
  auto* p = NewProbe();
  p->SetParentColor(true);
  FForm->Font().SetHeight(-20);
  FForm->SetColor(clYellow);
  EXPECT_EQ(p->Font().Height(), -20);
  EXPECT_EQ(p->Color(), clYellow);
  p->Font().SetHeight(-9);
  EXPECT_FALSE(p->ParentFont());
  FForm->Font().SetHeight(-30);
  EXPECT_EQ(p->Font().Height(), -9);
}

// --- Painting ----------------------------------------------------------------------

TEST_F(ControlTest, PaintDrawsThroughTheBackBuffer) {
  auto* p = NewProbe();
  ASSERT_TRUE(ShowActive(*FForm));
  ASSERT_TRUE(WaitFor([&] { return !p->PaintClips.empty(); }));
  QImage image = Grab(*p);
  EXPECT_EQ(PixelOf(image, 5, 5), clRed);
  EXPECT_EQ(PixelOf(image, 99, 79), clRed);
}

TEST_F(ControlTest, InvalidateRectRepaintsOnlyThatPart) {
  auto* p = NewProbe();
  ASSERT_TRUE(ShowActive(*FForm));
  ASSERT_TRUE(WaitFor([&] { return !p->PaintClips.empty(); }));
  p->PaintClips.clear();
  p->Fill = clBlue;
  p->InvalidateRect(Rect(10, 10, 20, 30));
  p->Update();
  ASSERT_EQ(p->PaintClips.size(), 1u);
  EXPECT_EQ(p->PaintClips[0], Rect(10, 10, 20, 30));
  QImage image = Grab(*p);
  EXPECT_EQ(PixelOf(image, 15, 15), clBlue);
  EXPECT_EQ(PixelOf(image, 50, 50), clRed);
}

TEST_F(ControlTest, ScrollWindowMovesPixelsAndRepaintsTheUncoveredStrip) {
  auto* p = NewProbe();
  p->OnPaintHook = [p] {
    p->Canvas().Brush().SetColor(clBlack);
    p->Canvas().FillRect(Rect(0, 0, 100, 10));
  };
  ASSERT_TRUE(ShowActive(*FForm));
  ASSERT_TRUE(WaitFor([&] { return !p->PaintClips.empty(); }));
  p->PaintClips.clear();
  p->OnPaintHook = nullptr;
  p->Fill = clLime;
  p->ScrollWindowEx(0, 20, nullptr, nullptr, SW_INVALIDATE);
  p->Update();
  ASSERT_EQ(p->PaintClips.size(), 1u);
  EXPECT_EQ(p->PaintClips[0], Rect(0, 0, 100, 20));
  QImage image = Grab(*p);
  EXPECT_EQ(PixelOf(image, 5, 25), clBlack);  // the black band moved down
  EXPECT_EQ(PixelOf(image, 5, 5), clLime);    // the strip it left was repainted
  EXPECT_EQ(PixelOf(image, 5, 50), clRed);    // the rest was only moved
}

TEST_F(ControlTest, ExceptionInPaintGoesToTheApplicationHandler) {
  auto* p = NewProbe();
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const Exception& e) { reported.push_back(e.Message()); };
  p->OnPaintHook = [] { throw EInvalidOperation("paint failed"); };
  ASSERT_TRUE(ShowActive(*FForm));
  ASSERT_TRUE(WaitFor([&] { return !reported.empty(); }));
  EXPECT_EQ(reported[0], "paint failed");
}

TEST_F(ControlTest, SingleBorderAndScrollBarsLieOutsideTheClientArea) {
  auto* p = NewProbe();
  p->SetBorderStyle(bsSingle);
  EXPECT_EQ(p->ClientRect(), Rect(0, 0, 96, 76));
  TScrollInfo info;
  info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.Min = 0;
  info.Max = 99;
  info.Page = 10;
  info.Pos = 500;
  EXPECT_EQ(p->SetScrollInfo(sbVertical, info), 90);
  EXPECT_TRUE(p->ScrollBarVisible(sbVertical));
  EXPECT_EQ(p->ClientWidth(), 96 - GetScrollBarExtent());
  EXPECT_EQ(ClientOf(*p)->width(), p->ClientWidth());

  TScrollInfo back;
  back.Mask = SIF_ALL;
  p->GetScrollInfo(sbVertical, back);
  EXPECT_EQ(back.Max, 99);
  EXPECT_EQ(back.Page, 10);
  EXPECT_EQ(back.Pos, 90);

  // Nothing to scroll: the bar goes away.
  info.Page = 100;
  p->SetScrollInfo(sbVertical, info);
  EXPECT_FALSE(p->ScrollBarVisible(sbVertical));
  EXPECT_EQ(p->ClientWidth(), 96);
}

TEST_F(ControlTest, ScrollBarRequestsReachTheControlWhichPlacesTheThumb) {
  auto* p = NewProbe();
  TScrollInfo info;
  info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.Max = 99;
  info.Page = 10;
  info.Pos = 5;
  p->SetScrollInfo(sbVertical, info);
  QScrollBar* bar = TCustomControlAccess::Private(*p).Bars[1];
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(p->Log.size(), 1u);
  EXPECT_EQ(p->Log[0], "vscroll 1 6");
  // The control did not move: the thumb stays where the control put it.
  EXPECT_EQ(bar->value(), 5);
}

// --- Mouse -------------------------------------------------------------------------

TEST_F(ControlTest, PressAndReleaseGiveClientCoordinatesAndOneClick) {
  auto* p = NewProbe();
  p->SetBorderStyle(bsSingle);
  ASSERT_TRUE(ShowActive(*FForm));
  QTest::mousePress(ClientOf(*p), Qt::LeftButton, Qt::NoModifier, QPoint(10, 12));
  EXPECT_TRUE(p->MouseCapture());
  QTest::mouseRelease(ClientOf(*p), Qt::LeftButton, Qt::NoModifier, QPoint(11, 12));
  EXPECT_FALSE(p->MouseCapture());
  EXPECT_EQ(p->Log, (std::vector<std::string>{"down 0 10,12", "click", "up 0 11,12"}));
}

TEST_F(ControlTest, DoubleClickIsDblClickThenPressWithDouble) {
  auto* p = NewProbe();
  ASSERT_TRUE(ShowActive(*FForm));
  QTest::mouseDClick(ClientOf(*p), Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
  // The widget form of the double click leaves the button down in the test
  // library's state; a user's double click ends with a release, and without
  // it every later test's moves would carry a held button.
  QTest::mouseRelease(ClientOf(*p), Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
  auto it = std::find(p->Log.begin(), p->Log.end(), "dblclick");
  ASSERT_NE(it, p->Log.end());
  ASSERT_NE(it + 1, p->Log.end());
  EXPECT_EQ(*(it + 1), "down 0 double 3,4");
}

TEST_F(ControlTest, ExceptionFromAHandlerIsReportedAndAbortIsSilent) {
  auto* p = NewProbe();
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    EXPECT_EQ(sender, p);
    reported.push_back(e.Message());
  };
  ASSERT_TRUE(ShowActive(*FForm));
  p->MouseDownHook = [](TMouseButton b) {
    if (b == mbLeft) throw EConvertError("bad value");
    Abort();
  };
  QTest::mouseClick(ClientOf(*p), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseClick(ClientOf(*p), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(reported, std::vector<std::string>{"bad value"});
}

TEST_F(ControlTest, WheelTurnsGoUpTheParentsUntilOneUsesThem) {
  auto* p = NewProbe();
  int formDelta = 0;
  FForm->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
    formDelta = delta;
    handled = true;
  };
  ASSERT_TRUE(ShowActive(*FForm));
  QPoint local(5, 5);
  QWheelEvent wheel(local, ClientOf(*p)->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(ClientOf(*p), &wheel);
  EXPECT_EQ(formDelta, -120);
}

TEST_F(ControlTest, EveryWheelTurnIsHeardWhenQtReusesTheEventsAddress) {
  // Qt makes each wheel event on its stack, so turns one after another
  // often come at one address.
  auto* p = NewProbe();
  int turns = 0;
  FForm->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
    ++turns;
    handled = true;
  };
  ASSERT_TRUE(ShowActive(*FForm));
  QPoint local(5, 5);
  QWheelEvent wheel(local, ClientOf(*p)->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(ClientOf(*p), &wheel);
  QApplication::sendEvent(ClientOf(*p), &wheel);
  EXPECT_EQ(turns, 2);
}

// --- Keyboard and focus ------------------------------------------------------------

TEST_F(ControlTest, KeysArriveAsKeyDownThenTheCharacter) {
  auto* p = NewProbe();
  ASSERT_TRUE(ShowActive(*FForm));
  p->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return p->Focused(); }));
  p->Log.clear();
  QTest::keyClick(ClientOf(*p), Qt::Key_A);
  QTest::keyClick(ClientOf(*p), Qt::Key_Return);
  QTest::keyClick(ClientOf(*p), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(ClientOf(*p), Qt::Key_Down);
  // The Ctrl key itself comes first, as a key of its own.
  EXPECT_EQ(p->Log,
            (std::vector<std::string>{"keydown 65", "keypress 97", "keydown 13", "keypress 13",
                                      "keydown 17 ctrl", "keydown 67 ctrl", "keypress 3", "keydown 40"}));
}

TEST_F(ControlTest, FocusMovesFireExitAndEnter) {
  auto* a = NewProbe();
  auto* b = NewProbe();
  b->SetLeft(150);
  ASSERT_TRUE(ShowActive(*FForm));
  a->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return a->Focused(); }));
  a->Log.clear();
  b->Log.clear();
  b->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return b->Focused(); }));
  EXPECT_EQ(a->Log, (std::vector<std::string>{"killfocus", "exit"}));
  EXPECT_EQ(b->Log, (std::vector<std::string>{"setfocus", "enter"}));
  EXPECT_EQ(FForm->ActiveControl(), b);
}

TEST_F(ControlTest, HiddenOrDisabledControlCannotTakeTheFocus) {
  auto* p = NewProbe();
  p->SetVisible(false);
  EXPECT_FALSE(p->CanFocus());
  EXPECT_THROW(p->SetFocus(), EInvalidOperation);
  p->SetVisible(true);
  FForm->SetEnabled(false);
  EXPECT_THROW(p->SetFocus(), EInvalidOperation);
}

// --- Timers and capture ------------------------------------------------------------

TEST_F(ControlTest, WindowTimersFireByIdUntilKilled) {
  auto* p = NewProbe();
  p->SetTimer(7, 5);
  EXPECT_TRUE(p->TimerActive(7));
  ASSERT_TRUE(WaitFor([&] { return !p->Log.empty(); }));
  EXPECT_EQ(p->Log[0], "timer 7");
  p->KillTimer(7);
  EXPECT_FALSE(p->TimerActive(7));
  std::size_t count = p->Log.size();
  QTest::qWait(30);
  EXPECT_EQ(p->Log.size(), count);
}

TEST_F(ControlTest, CaptureBelongsToOneControlAtATime) {
  auto* a = NewProbe();
  auto* b = NewProbe();
  ASSERT_TRUE(ShowActive(*FForm));
  a->SetMouseCapture(true);
  EXPECT_EQ(GetCaptureControl(), a);
  b->SetMouseCapture(true);
  EXPECT_FALSE(a->MouseCapture());
  EXPECT_EQ(GetCaptureControl(), b);
  b->SetMouseCapture(false);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

}  // namespace

namespace {

TEST_F(ControlTest, PopupWindowShowsAtScreenCoordinatesWithoutParent) {
  TProbe hint(nullptr);
  hint.SetPopupWindow(true);
  hint.SetBounds(300, 200, 50, 20);
  hint.Show();
  QWidget* w = WindowOf(hint);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->isWindow());
  EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w->geometry(), QRect(300, 200, 50, 20));
  hint.Hide();
  EXPECT_FALSE(w->isVisible());
}

}  // namespace
