// The list box: item places by style, the list-box messages, keys and the
// mouse, owner drawing, the scroll bar, and the list as a pop-up that
// leaves the focus with its editor.

#include "framework/gui/standard/list_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/window_input.h"

namespace {

class ListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 300, 300);
    List = new TListBox(Form.get());
    List->SetParent(Form.get());
    List->SetLeft(10);
    List->SetTop(10);
    List->OnClick = [this](TObject*) { ++Clicks; };
  }
  void Fill(int count) {
    TStringsUpdateScope scope(List->Items());
    for (int i = 0; i < count; ++i) List->Items().Add("Item " + std::to_string(i));
    scope.Finish();
  }
  // Owner-drawn items of one height, with a client area showing `shown`.
  void FixedItems(int count, int height, int shown) {
    List->SetStyle(lbOwnerDrawFixed);
    List->SetItemHeight(height);
    List->SetClientSize(150, height * shown);
    Fill(count);
  }

  std::unique_ptr<TForm> Form;
  TListBox* List = nullptr;
  int Clicks = 0;
};

struct PlaceCase {
  const char* Name;
  TListBoxStyle Style;
  int (*Height)(int index);  // nullptr: the font's line
};
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.Name; }

class ItemPlaceTest : public ListBoxTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ItemPlaceTest, ItemRectsAndHitsFollowTheItemHeights) {
  const PlaceCase& c = GetParam();
  List->SetStyle(c.Style);
  List->SetItemHeight(15);
  if (c.Height) List->OnMeasureItem = [&](TWinControl*, int index, int& height) { height = c.Height(index); };
  List->SetClientSize(150, 400);
  Fill(6);
  std::vector<int> heights;
  for (int i = 0; i < 6; ++i) heights.push_back(c.Height ? c.Height(i) : List->ItemHeight());
  if (c.Style == lbOwnerDrawFixed) {
    EXPECT_EQ(heights[0], 15);
  }
  if (c.Style == lbStandard) {
    EXPECT_GT(heights[0], 5) << "the font's line";
  }

  int top = 0;
  for (int i = 0; i < 6; ++i) {
    TRect expected = Rect(0, top, List->ClientWidth(), top + heights[i]);
    EXPECT_EQ(List->ItemRect(i), expected) << i;
    TRect sent;
    EXPECT_EQ(List->Perform(LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&sent)), 1);
    EXPECT_EQ(sent, expected) << i;
    EXPECT_EQ(List->ItemAtPos(Point(5, expected.Top), true), i);
    EXPECT_EQ(List->ItemAtPos(Point(5, expected.Bottom - 1), true), i);
    top = expected.Bottom;
  }
  EXPECT_EQ(List->ItemAtPos(Point(5, top), true), -1) << "below the last item";
  EXPECT_EQ(List->ItemAtPos(Point(5, top), false), 6) << "the place after the last";
  EXPECT_EQ(List->ItemAtPos(Point(-1, 2), false), -1) << "outside the client area";
  TRect none;
  EXPECT_EQ(List->Perform(LB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&none)), LB_ERR);
  EXPECT_TRUE(List->ItemRect(-1).IsEmpty());
  EXPECT_EQ(List->Perform(LB_GETITEMHEIGHT, 3), heights[3]);

  List->SetClientHeight(heights[2] + heights[3]);
  List->SetTopIndex(2);
  ASSERT_EQ(List->TopIndex(), 2);
  EXPECT_EQ(List->ItemRect(2).Top, 0);
  EXPECT_EQ(List->ItemRect(1).Bottom, 0) << "items above the top lie above the client area";
  EXPECT_EQ(List->ItemAtPos(Point(5, heights[2]), true), 3);
}

INSTANTIATE_TEST_SUITE_P(Styles, ItemPlaceTest,
                         ::testing::Values(PlaceCase{"Standard", lbStandard, nullptr},
                                           PlaceCase{"OwnerDrawFixed", lbOwnerDrawFixed, nullptr},
                                           PlaceCase{"OwnerDrawVariable", lbOwnerDrawVariable,
                                                     [](int index) { return 10 + 3 * index; }}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct SelectCase {
  const char* Name;
  int Start;
  const char* Prefix;  // UTF-8
  LRESULT Found;
};
void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.Name; }

class SelectStringTest : public ListBoxTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(SelectStringTest, TheFirstItemAfterTheStartBeginningWithThePrefixIsSelected) {
  const SelectCase& c = GetParam();
  for (const char* item : {"Апрель", "август", "Берёза", "бор", "Ёлка", "ель", "Zeta", "zero"})
    List->Items().Add(RU(item));
  List->SetItemIndex(2);
  std::string prefix = RU(c.Prefix);
  auto start = static_cast<WPARAM>(static_cast<std::intptr_t>(c.Start));
  EXPECT_EQ(List->Perform(LB_FINDSTRING, start, reinterpret_cast<LPARAM>(prefix.c_str())), c.Found);
  EXPECT_EQ(List->ItemIndex(), 2) << "finding selects nothing";
  EXPECT_EQ(List->Perform(LB_SELECTSTRING, start, reinterpret_cast<LPARAM>(prefix.c_str())), c.Found);
  EXPECT_EQ(List->ItemIndex(), c.Found == LB_ERR ? 2 : c.Found);
  EXPECT_EQ(Clicks, 0) << "a selection by message is not the user's";
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, SelectStringTest,
    ::testing::Values(SelectCase{"LowerCaseFindsCapital", -1, "а", 0}, SelectCase{"FromAfterTheStart", 0, "А", 1},
                      SelectCase{"RoundToTheBeginning", 1, "а", 0}, SelectCase{"SeveralLetters", -1, "БО", 3},
                      SelectCase{"LetterWithDiaeresis", -1, "бер", 2}, SelectCase{"CapitalYo", -1, "ё", 4},
                      SelectCase{"YeIsNotYo", -1, "Е", 5}, SelectCase{"Latin", -1, "ZE", 6},
                      SelectCase{"LatinAfterTheStart", 6, "z", 7}, SelectCase{"NoMatchKeepsTheSelection", -1, "x", LB_ERR},
                      SelectCase{"LongerThanTheItem", -1, "апрельский", LB_ERR}),
    [](const auto& info) { return std::string(info.param.Name); });

struct KeyCase {
  const char* Name;
  int Index;
  int Top;
  Qt::Key Key;
  int NewIndex;
  int NewTop;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.Name; }

class ListKeyTest : public ListBoxTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ListKeyTest, KeysMoveTheSelectionAndScrollItIntoView) {
  const KeyCase& c = GetParam();
  FixedItems(20, 10, 7);
  List->SetItemIndex(c.Index);
  List->SetTopIndex(c.Top);
  ASSERT_TRUE(ShowActive(*Form));
  List->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return List->Focused(); }));
  QTest::keyClick(ClientOf(*List), c.Key);
  EXPECT_EQ(List->ItemIndex(), c.NewIndex);
  EXPECT_EQ(List->TopIndex(), c.NewTop);
  EXPECT_EQ(Clicks, c.NewIndex != c.Index ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, ListKeyTest,
                         ::testing::Values(KeyCase{"DownWithoutSelection", -1, 0, Qt::Key_Down, 0, 0},
                                           KeyCase{"Down", 0, 0, Qt::Key_Down, 1, 0},
                                           KeyCase{"DownPastTheLastShown", 6, 0, Qt::Key_Down, 7, 1},
                                           KeyCase{"UpAtTheFirst", 0, 0, Qt::Key_Up, 0, 0},
                                           KeyCase{"PageDownIsAPageLessOne", 3, 0, Qt::Key_PageDown, 9, 3},
                                           KeyCase{"PageDownStopsAtTheLast", 15, 10, Qt::Key_PageDown, 19, 13},
                                           KeyCase{"PageUp", 10, 8, Qt::Key_PageUp, 4, 4},
                                           KeyCase{"PageUpStopsAtTheFirst", 2, 0, Qt::Key_PageUp, 0, 0},
                                           KeyCase{"Home", 12, 6, Qt::Key_Home, 0, 0},
                                           KeyCase{"End", 0, 0, Qt::Key_End, 19, 13}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TDrawn {
  int Index;
  TRect Rect;
  TOwnerDrawState State;
};

TEST_F(ListBoxTest, OwnerDrawingHearsEveryShownItemWithItsState) {
  List->SetStyle(lbOwnerDrawVariable);
  List->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 12 + 2 * index; };
  List->SetClientSize(120, 40);  // items 0 (12) and 1 (14) whole, 2 (16) in part
  Fill(5);
  std::vector<TDrawn> drawn;
  List->OnDrawItem = [&](TWinControl* control, int index, TRect rect, TOwnerDrawState state) {
    EXPECT_EQ(control, List);
    drawn.push_back({index, rect, state});
  };
  List->SetItemIndex(1);
  ASSERT_TRUE(ShowActive(*Form));
  auto repaint = [&] {
    drawn.clear();
    List->Invalidate();
    List->Update();
  };

  List->Perform(WM_SETFOCUS);
  repaint();
  ASSERT_EQ(drawn.size(), 3u);
  for (const TDrawn& d : drawn) EXPECT_EQ(d.Rect, List->ItemRect(d.Index)) << d.Index;
  EXPECT_EQ(drawn[0].State, TOwnerDrawState{});
  EXPECT_EQ(drawn[1].State, (TOwnerDrawState{odSelected, odFocused})) << "told it has the focus";

  List->Perform(WM_KILLFOCUS);
  repaint();
  EXPECT_EQ(drawn[1].State, TOwnerDrawState{odSelected});

  List->SetEnabled(false);
  repaint();
  EXPECT_EQ(drawn[0].State, TOwnerDrawState{odDisabled});
}

TEST_F(ListBoxTest, AStandardListPaintsTheSelectionInTheHighlightColours) {
  Fill(3);
  List->SetClientSize(120, List->ItemHeight() * 5);
  List->SetItemIndex(1);
  ASSERT_TRUE(ShowActive(*Form));
  QImage image = ClientOf(*List)->grab().toImage();
  auto pixel = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
  TRect selected = List->ItemRect(1);
  EXPECT_EQ(pixel(selected.Right - 3, selected.Top + 1), ColorToRGB(clHighlight));
  EXPECT_EQ(pixel(selected.Right - 3, List->ItemRect(0).Top + 1), ColorToRGB(clWindow));
  EXPECT_EQ(pixel(5, List->ClientHeight() - 2), ColorToRGB(clWindow)) << "below the last item";
  bool text = false;
  for (int x = 2; x < 60 && !text; ++x)
    for (int y = List->ItemRect(0).Top; y < List->ItemRect(0).Bottom && !text; ++y)
      text = pixel(x, y) != ColorToRGB(clWindow);
  EXPECT_TRUE(text) << "the first item's text is drawn";
}

TEST_F(ListBoxTest, TheScrollBarShowsWhileTheItemsDoNotFit) {
  FixedItems(5, 10, 7);
  EXPECT_FALSE(List->ScrollBarVisible(sbVertical));
  Fill(10);
  EXPECT_TRUE(List->ScrollBarVisible(sbVertical));
  TScrollInfo info;
  List->GetScrollInfo(sbVertical, info);
  EXPECT_EQ(info.Max, 14);
  EXPECT_EQ(info.Page, 7);
  List->Perform(WM_VSCROLL, ScrollParam(SB_LINEDOWN, 0));
  EXPECT_EQ(List->TopIndex(), 1);
  List->Perform(WM_VSCROLL, ScrollParam(SB_BOTTOM, 0));
  EXPECT_EQ(List->TopIndex(), 8) << "the last page stays full";
  List->Perform(WM_VSCROLL, ScrollParam(SB_THUMBTRACK, 3));
  EXPECT_EQ(List->TopIndex(), 3);
  EXPECT_EQ(List->Perform(LB_GETTOPINDEX), 3);
  while (List->Count() > 4) List->Items().Delete(List->Count() - 1);
  EXPECT_FALSE(List->ScrollBarVisible(sbVertical));
  EXPECT_EQ(List->TopIndex(), 0);
}

TEST_F(ListBoxTest, AnItemGoneTakesTheSelectionWithIt) {
  Fill(4);
  List->SetItemIndex(3);
  EXPECT_EQ(List->Perform(LB_GETCURSEL), 3);
  List->Items().Delete(3);
  EXPECT_EQ(List->ItemIndex(), -1);
  EXPECT_EQ(List->Perform(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 9), LB_ERR);
  EXPECT_EQ(List->Perform(LB_SETCURSEL, 2), 2);
  EXPECT_EQ(List->ItemIndex(), 2);
}

TEST_F(ListBoxTest, ThePointerSelectsAndMovingWithTheButtonHeldFollowsIt) {
  FixedItems(10, 10, 7);
  ASSERT_TRUE(ShowActive(*Form));
  MousePressAt(*List, Point(20, 25));
  EXPECT_EQ(List->ItemIndex(), 2);
  MouseMoveTo(*List, Point(20, 45));
  EXPECT_EQ(List->ItemIndex(), 4);
  MouseMoveTo(*List, Point(20, 200));  // below the list
  EXPECT_EQ(List->ItemIndex(), 6) << "the last item shown";
  MouseMoveTo(*List, Point(20, 45));
  MouseReleaseAt(*List, Point(20, 45));
  EXPECT_EQ(List->ItemIndex(), 4);
  EXPECT_EQ(Clicks, 1);
  EXPECT_TRUE(List->Focused()) << "a list on a form takes the focus";
}

// A frame one pixel wide with a shadow of two more at the right and bottom.
class TShadowedList : public TListBox {
 public:
  using TListBox::TListBox;

 protected:
  TRect NonClientInsets() const override { return Rect(1, 1, 3, 3); }
};

TEST_F(ListBoxTest, AFrameWiderAtTheRightAndBottomKeepsTheClientAndTheBarInsideIt) {
  auto* list = new TShadowedList(Form.get());
  list->SetParent(Form.get());
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(10);
  list->SetBounds(10, 10, 100, 60);
  EXPECT_EQ(list->ClientRect(), Rect(0, 0, 96, 56));
  EXPECT_EQ(ClientOf(*list)->geometry(), QRect(1, 1, 96, 56));
  for (int i = 0; i < 20; ++i) list->Items().Add("x");
  ASSERT_TRUE(list->ScrollBarVisible(sbVertical));
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : WindowOf(*list)->findChildren<QScrollBar*>())
    if (b->isVisibleTo(WindowOf(*list))) bar = b;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->geometry().right() + 1, 97) << "the bar ends where the shadow begins";
  EXPECT_EQ(list->ClientWidth(), 96 - bar->width());

  TRegion shape(Rect(0, 0, 98, 58));
  shape.Combine(TRegion(Rect(2, 2, 100, 60)), rcOr);
  list->SetWindowRegion(&shape);
  EXPECT_TRUE(list->HasWindowRegion());
  EXPECT_FALSE(WindowOf(*list)->mask().contains(QPoint(99, 0))) << "the corner the shadow leaves out";
  EXPECT_TRUE(WindowOf(*list)->mask().contains(QPoint(99, 30)));
  list->SetWindowRegion(nullptr);
  EXPECT_TRUE(WindowOf(*list)->mask().isEmpty());
}

TEST_F(ListBoxTest, APopupListNeverTakesTheFocusFromItsEditor) {
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(10, 200, 120, 24);
  ASSERT_TRUE(ShowActive(*Form));
  edit->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return edit->Focused(); }));

  FixedItems(10, 10, 5);
  List->SetVisible(false);
  List->SetPopupWindow(true);
  List->SetParent(edit);
  TPoint below = edit->ClientToScreen(Point(0, edit->Height()));
  List->SetLeft(below.X);
  List->SetTop(below.Y);
  List->Show();
  List->Perform(WM_SETFOCUS);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(WindowOf(*List)));

  MousePressAt(*List, Point(20, 35));
  MouseReleaseAt(*List, Point(20, 35));
  EXPECT_EQ(List->ItemIndex(), 3);
  EXPECT_TRUE(edit->Focused());
  EXPECT_FALSE(List->Focused());
  EXPECT_TRUE(List->ShowsFocus());
  EXPECT_EQ(QApplication::activeWindow(), WindowOf(*Form));

  // The editor passes its keys on.
  List->Perform(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(List->ItemIndex(), 4);
  List->Perform(WM_KEYDOWN, VK_NEXT);
  EXPECT_EQ(List->ItemIndex(), 8);
  EXPECT_EQ(List->TopIndex(), 4);
  EXPECT_TRUE(edit->Focused());
}

}  // namespace
