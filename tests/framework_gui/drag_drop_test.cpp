// Dragging one control onto another with the real mouse: the threshold,
// which controls accept, what the source hears at the end, the cursor, the
// drag image, and the ways a drag is cancelled.

#include "framework/gui/dragdrop/drag_drop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/system/screen_cursor.h"
#include "framework/gui/dragdrop/drag_image_list.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/standard/forms.h"
#include "tests/framework_gui/message_log.h"
#include "tests/framework_gui/window_input.h"

namespace {

class TDragSource : public TMessageLogControl {
 public:
  using TMessageLogControl::TMessageLogControl;
  TDragImageList* Images = nullptr;

 protected:
  TDragImageList* GetDragImages() override { return Images; }
};

struct TDropped {
  TObject* Target = nullptr;
  TObject* Source = nullptr;
  TPoint At;
};

class DragDropTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 220);
    Source = new TDragSource(Form.get());
    Source->SetParent(Form.get());
    Source->SetBounds(10, 10, 100, 80);
    Source->SetDragMode(dmAutomatic);
    Source->SetDragCursor(crMultiDrag);
    Source->OnStartDrag = [this](TObject*, TDragObject*&) { Events.push_back("start"); };
    Source->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
      Events.push_back("end");
      Ended = {target, nullptr, Point(x, y)};
    };
    Source->OnClick = [this](TObject*) { Events.push_back("click"); };
    Accepting = NewTarget(Form.get(), 150, 10, true);
    Refusing = NewTarget(Form.get(), 260, 10, false);
    Deaf = NewTarget(Form.get(), 150, 110, false);
    Deaf->OnDragOver = nullptr;
    Other = std::make_unique<TForm>(nullptr);
    Other->SetBounds(100, 400, 200, 150);
    OtherAccepting = NewTarget(Other.get(), 10, 10, true);
    Other->Show();
    ASSERT_TRUE(ShowActive(*Form));
  }
  void TearDown() override {
    CancelDrag();
    ReleaseCapture();
  }

  TMessageLogControl* NewTarget(TForm* form, int left, int top, bool accept) {
    auto* t = new TMessageLogControl(form);
    t->SetParent(form);
    t->SetBounds(left, top, 100, 80);
    t->Kept = {WM_USER};  // none
    t->OnDragOver = [this, accept](TObject*, TObject* source, int, int, TDragState state, bool& a) {
      States.push_back(state);
      OverSource = source;
      a = accept;
    };
    t->OnDragDrop = [this](TObject* sender, TObject* source, int x, int y) {
      Events.push_back("drop");
      Dropped = {sender, source, Point(x, y)};
    };
    return t;
  }

  std::unique_ptr<TForm> Form;
  std::unique_ptr<TForm> Other;
  TDragSource* Source = nullptr;
  TMessageLogControl* Accepting = nullptr;
  TMessageLogControl* Refusing = nullptr;
  TMessageLogControl* Deaf = nullptr;
  TMessageLogControl* OtherAccepting = nullptr;
  std::vector<std::string> Events;
  std::vector<TDragState> States;
  TObject* OverSource = nullptr;
  TDropped Dropped;
  TDropped Ended;
};

struct DropCase {
  const char* Name;
  // Where the drop goes (nullptr: the form's own empty area).
  TWinControl* (*Target)(DragDropTest& t);
  bool Accepted;
};
void PrintTo(const DropCase& c, std::ostream* os) { *os << c.Name; }

class DropTest : public DragDropTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, ADropGoesToTheControlThatAcceptsIt) {
  const DropCase& c = GetParam();
  TWinControl* target = c.Target(*this);
  TWinControl& at = target ? *target : static_cast<TWinControl&>(*Form);
  TPoint drop = target ? Point(20, 30) : Point(50, 190);  // an empty place of the form

  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Source, Point(43, 42));
  EXPECT_TRUE(Events.empty()) << "within the threshold the drag has not begun";
  EXPECT_TRUE(Source->Dragging());
  MouseMoveTo(at, drop);
  ASSERT_EQ(Events, std::vector<std::string>{"start"});
  MouseMoveTo(at, Point(drop.X + 1, drop.Y));
  EXPECT_EQ(ScreenCursor(), c.Accepted ? crMultiDrag : crNoDrop) << "the source's drag cursor where it is accepted";
  MouseReleaseAt(at, Point(drop.X + 1, drop.Y));

  TPoint released = Point(drop.X + 1, drop.Y);
  if (c.Accepted) {
    EXPECT_EQ(Events, (std::vector<std::string>{"start", "drop", "end"}));
    EXPECT_EQ(Dropped.Target, target);
    EXPECT_EQ(Dropped.Source, Source) << "a control dragging itself is the source";
    EXPECT_EQ(Dropped.At, released) << "in the target's client coordinates";
    EXPECT_EQ(Ended.Target, target);
    EXPECT_EQ(Ended.At, released);
    EXPECT_EQ(States, (std::vector<TDragState>{dsDragEnter, dsDragMove})) << "no leave after a drop";
  } else {
    EXPECT_EQ(Events, (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(Ended.Target, nullptr);
    EXPECT_EQ(Ended.At, Source->ScreenToClient(at.ClientToScreen(released)));
  }
  EXPECT_FALSE(Source->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(ScreenCursor(), crDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DropTest,
    ::testing::Values(DropCase{"AcceptingControl", [](DragDropTest& t) -> TWinControl* { return t.Accepting; }, true},
                      DropCase{"ControlOnAnotherForm",
                               [](DragDropTest& t) -> TWinControl* { return t.OtherAccepting; }, true},
                      DropCase{"RefusingControl", [](DragDropTest& t) -> TWinControl* { return t.Refusing; }, false},
                      DropCase{"ControlWithoutDragOver", [](DragDropTest& t) -> TWinControl* { return t.Deaf; },
                               false},
                      DropCase{"EmptyPlaceOfTheForm", [](DragDropTest&) -> TWinControl* { return nullptr; },
                               false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DragDropTest, AClickWithoutMovingIsNotADrag) {
  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Source, Point(42, 41));
  MouseReleaseAt(*Source, Point(42, 41));
  EXPECT_EQ(Events, std::vector<std::string>{"click"});
  EXPECT_FALSE(Source->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
}

struct CancelCase {
  const char* Name;
  void (*Cancel)(DragDropTest& t);
};
void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.Name; }

class CancelTest : public DragDropTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, ACancelledDragLeavesTheTargetAndEndsWithoutOne) {
  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Accepting, Point(20, 20));
  ASSERT_EQ(States, std::vector<TDragState>{dsDragEnter});
  GetParam().Cancel(*this);
  EXPECT_EQ(Events, (std::vector<std::string>{"start", "end"}));
  EXPECT_EQ(Ended.Target, nullptr);
  EXPECT_EQ(States, (std::vector<TDragState>{dsDragEnter, dsDragLeave}));
  EXPECT_FALSE(Source->Dragging());
  EXPECT_EQ(ScreenCursor(), crDefault);
  MouseReleaseAt(*Accepting, Point(20, 20));
  EXPECT_EQ(Events.size(), 2u) << "the release after the end drops nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CancelTest,
    ::testing::Values(CancelCase{"Escape", [](DragDropTest& t) { KeyInto(*t.Source, Qt::Key_Escape); }},
                      CancelCase{"CancelMode", [](DragDropTest&) { CancelModes(); }},
                      CancelCase{"AnotherControlTakingTheCapture",
                                 [](DragDropTest& t) { SetCapture(*t.Refusing); }},
                      CancelCase{"EndDragWithoutDrop", [](DragDropTest& t) { t.Source->EndDrag(false); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DragDropTest, TheDragImageFollowsThePointerAndGoesWithTheDrag) {
  TDragImageList images(nullptr, 16, 16);
  TBitmap picture(16, 16);
  picture.Canvas().Brush().SetColor(clGreen);
  picture.Canvas().FillRect(Rect(0, 0, 16, 16));
  images.AddMasked(picture, clFuchsia);
  images.SetDragImage(0, 8, 8);
  Source->Images = &images;

  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Accepting, Point(20, 20));
  ASSERT_TRUE(images.DragImageShown());
  TPoint pointer = Accepting->ClientToScreen(Point(20, 20));
  EXPECT_EQ(images.DragImageRect(), Rect(pointer.X - 8, pointer.Y - 8, pointer.X + 8, pointer.Y + 8));
  EXPECT_EQ(FindDragTarget(pointer), Accepting) << "the image under the pointer is passed through";
  MouseMoveTo(*Accepting, Point(30, 25));
  pointer = Accepting->ClientToScreen(Point(30, 25));
  EXPECT_EQ(images.DragImageRect().Left, pointer.X - 8);
  EXPECT_EQ(images.DragImageRect().Top, pointer.Y - 8);
  MouseReleaseAt(*Accepting, Point(30, 25));
  EXPECT_FALSE(images.DragImageShown());
  EXPECT_FALSE(images.Dragging());
}

TEST_F(DragDropTest, AStartHandlerMaySupplyTheDragObject) {
  TDragObject own;
  Source->OnStartDrag = [&](TObject*, TDragObject*& object) { object = &own; };
  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Accepting, Point(20, 20));
  EXPECT_EQ(CurrentDragObject(), &own);
  EXPECT_EQ(OverSource, &own);
  EXPECT_EQ(ScreenCursor(), crDrag) << "the object's own cursor";
  EXPECT_EQ(own.DragTarget(), Accepting);
  EXPECT_EQ(own.DragTargetPos(), Point(20, 20));
  MouseReleaseAt(*Accepting, Point(20, 20));
  EXPECT_TRUE(own.Dropped());
  EXPECT_EQ(Dropped.Source, &own);
  EXPECT_EQ(CurrentDragObject(), nullptr);
}

TEST_F(DragDropTest, CtrlAsksTheTargetAgainAndOtherKeysGoToTheFocusedControl) {
  Source->Kept = {WM_KEYDOWN};
  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Accepting, Point(20, 20));
  std::size_t asked = States.size();
  QTest::keyPress(QtWindowOf(*Source), Qt::Key_Control);
  EXPECT_EQ(States.size(), asked + 1);
  QTest::keyRelease(QtWindowOf(*Source), Qt::Key_Control);
  EXPECT_EQ(States.size(), asked + 2);
  Source->Log.clear();
  KeyInto(*Source, Qt::Key_Plus);
  EXPECT_EQ(MessagesOf(Source->Log, WM_KEYDOWN).size(), 1u) << "the focused source hears other keys";
  EXPECT_TRUE(Source->Dragging());
}

TEST_F(DragDropTest, AManualDragStartsAtOnceAndOnlyOnce) {
  Source->SetDragMode(dmManual);
  MousePressAt(*Source, Point(40, 40));
  Source->BeginDrag(true);
  EXPECT_EQ(Events, std::vector<std::string>{"start"});
  Accepting->BeginDrag(true);
  EXPECT_FALSE(Accepting->Dragging()) << "one drag at a time";
  MouseMoveTo(*Accepting, Point(20, 20));
  MouseReleaseAt(*Accepting, Point(20, 20));
  EXPECT_EQ(Events, (std::vector<std::string>{"start", "drop", "end"}));
}

TEST_F(DragDropTest, ASourceFreedDuringItsDragLeavesNoDragBehind) {
  MousePressAt(*Source, Point(40, 40));
  MouseMoveTo(*Accepting, Point(20, 20));
  Source->Free();
  EXPECT_EQ(CurrentDragSource(), nullptr);
  EXPECT_EQ(ScreenCursor(), crDefault);
  MouseReleaseAt(*Accepting, Point(20, 20));
  Accepting->BeginDrag(true);
  EXPECT_TRUE(Accepting->Dragging()) << "a new drag may begin";
  Accepting->EndDrag(false);
}

TEST(DragImageListTest, TheImageShowsAtItsHotSpotInWindowCoordinatesAndHidesForAWhile) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 200, 150);
  ASSERT_TRUE(ShowActive(form));
  TDragImageList images(nullptr, 10, 6);
  TBitmap picture(10, 6);
  picture.Canvas().Brush().SetColor(clFuchsia);
  picture.Canvas().FillRect(Rect(0, 0, 10, 6));
  picture.Canvas().Brush().SetColor(clBlue);
  picture.Canvas().FillRect(Rect(5, 0, 10, 6));
  EXPECT_EQ(images.AddMasked(picture, clFuchsia), 0);
  EXPECT_FALSE(images.SetDragImage(1, 0, 0));
  ASSERT_TRUE(images.SetDragImage(0, 2, 3));

  ASSERT_TRUE(images.BeginDrag(&form, 20, 30));
  TPoint origin = form.ClientToScreen(Point(0, 0));
  EXPECT_EQ(images.DragImageRect(), Rect(origin.X + 18, origin.Y + 27, origin.X + 28, origin.Y + 33));
  images.DragMove(40, 30);
  EXPECT_EQ(images.DragImageRect().Left, origin.X + 38);
  images.HideDragImage();
  EXPECT_FALSE(images.DragImageShown());
  EXPECT_TRUE(images.Dragging());
  images.ShowDragImage();
  EXPECT_TRUE(images.DragImageShown());
  images.EndDrag();
  EXPECT_FALSE(images.DragImageShown());
  images.Clear();
  EXPECT_FALSE(images.BeginDrag(nullptr, 0, 0)) << "nothing to show";
}

}  // namespace
