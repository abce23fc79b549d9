// The drop-down editors with real input offscreen: the image editor's list
// opened, chosen from and closed with keys and the mouse, its value stepped
// and chosen by letters; the pick editor's list searched by typed Cyrillic;
// the lists' sizes and places; and a list never staying on the screen after
// its editor.

#include "grid/editors/dropdown_editors.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/std_controls.h"
#include "grid/editors/edit_styles.h"
#include "grid/support/draw_helpers.h"
#include "tests/support/window_input.h"
#include "tests/grid/editor_test_host.h"

namespace {

// Types text (UTF-8) as key events that carry it, as a keyboard layout does.
void TypeText(const TWinControl& control, const char* utf8) {
  for (QChar ch : QString::fromUtf8(utf8))
    QTest::sendKeyEvent(QTest::Click, QtWindowOf(control), Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// A press and a release at a window point of control's frame (outside its
// client area), where the buttons are.
void ClickFrame(TWinControl& control, TPoint windowPoint) {
  QWidget* frame = WindowOf(control);
  QPoint at = frame->mapTo(frame->window(), QPoint(windowPoint.X, windowPoint.Y));
  QWindow* window = QtWindowOf(control);
  QTest::mouseMove(window, at);
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
}

TPoint Centre(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

class DropDownTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(200, 10, 100, 24);
  }
  // A stand-alone image editor with four values (the first chosen).
  TdxInplaceImageEdit* MakeImageEdit() {
    auto* edit = new TdxInplaceImageEdit(Form.get());
    edit->SetParent(Form.get());
    edit->SetBounds(10, 10, 150, 21);
    for (const char* v : {"1", "2", "3", "4"}) edit->Values().Add(v);
    for (const char* d : {"One", "Two", "Three", "Four"}) edit->Descriptions().Add(d);
    edit->SetText("1");
    edit->OnCloseUp = [this](TObject*, Variant& value, bool& accept) {
      CloseUps.push_back(VarToStr(value) + (accept ? "+" : "-"));
    };
    return edit;
  }
  // A stand-alone pick editor offering streets.
  TdxInplacePickEdit* MakePickEdit() {
    auto* edit = new TdxInplacePickEdit(Form.get());
    edit->SetParent(Form.get());
    edit->SetBounds(10, 40, 150, 21);
    for (const char* street : {"Арбат", "Балтийская", "Бауманская", "Вокзальная", "Ватутина"})
      edit->Items().Add(RU(street));
    return edit;
  }
  void Focus(TWinControl& control) {
    ASSERT_TRUE(ShowActive(*Form));
    control.SetFocus();
    ASSERT_TRUE(WaitFor([&] { return control.Focused(); }));
  }
  // The list of an open editor: shown, told it has the focus, the editor
  // keeping the real one.
  static void ExpectOpen(TdxInplaceDropDownEdit& edit) {
    ASSERT_TRUE(edit.PopupOpen());
    auto* list = dynamic_cast<TCustomListBox*>(edit.ActiveList());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->Visible());
    EXPECT_TRUE(list->ShowsFocus());
    EXPECT_FALSE(list->Focused());
    EXPECT_TRUE(edit.Focused());
    EXPECT_TRUE(edit.ListVisible());
  }

  TdxDefaultEditStyleControllerScope Styles;
  TdxDrawingBrushesScope Brushes;
  std::unique_ptr<TForm> Form;
  TEdit* Other = nullptr;
  std::vector<std::string> CloseUps;
};

// --- Keys ------------------------------------------------------------------------------------

struct KeyStep {
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
};
struct KeyCase {
  const char* Name;
  std::vector<KeyStep> Keys;  // the first opens the list
  bool OpenAfter;
  const char* Value;
  std::vector<std::string> CloseUps;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.Name; }

class DropDownKeyTest : public DropDownTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DropDownKeyTest, KeysOpenChooseInAndCloseTheList) {
  const KeyCase& c = GetParam();
  TdxInplaceImageEdit* edit = MakeImageEdit();
  Focus(*edit);
  const KeyStep& open = c.Keys.front();
  KeyInto(*edit, open.Key, open.Modifiers);
  ExpectOpen(*edit);
  EXPECT_EQ(edit->PopupList().ItemIndex(), 0) << "the value's item is chosen at first";
  for (std::size_t i = 1; i < c.Keys.size(); ++i) KeyInto(*edit, c.Keys[i].Key, c.Keys[i].Modifiers);
  EXPECT_EQ(edit->PopupOpen(), c.OpenAfter);
  EXPECT_EQ(edit->PopupList().Visible(), c.OpenAfter);
  EXPECT_EQ(edit->Value(), c.Value);
  EXPECT_EQ(CloseUps, c.CloseUps);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(edit->Modified(), std::string(c.Value) != "1");
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DropDownKeyTest,
    ::testing::Values(
        KeyCase{"AltDownDownEnter", {{Qt::Key_Down, Qt::AltModifier}, {Qt::Key_Down, {}}, {Qt::Key_Return, {}}},
                false, "2", {"2+"}},
        KeyCase{"F4DownEscape", {{Qt::Key_F4, {}}, {Qt::Key_Down, {}}, {Qt::Key_Escape, {}}}, false, "1", {"2-"}},
        KeyCase{"AltDownTwiceAccepts",
                {{Qt::Key_Down, Qt::AltModifier}, {Qt::Key_End, {}}, {Qt::Key_Down, Qt::AltModifier}},
                false, "4", {"4+"}},
        KeyCase{"AltUpClosesToo", {{Qt::Key_Up, Qt::AltModifier}, {Qt::Key_Down, {}}, {Qt::Key_Up, Qt::AltModifier}},
                false, "2", {"2+"}},
        KeyCase{"F4F4Accepts", {{Qt::Key_F4, {}}, {Qt::Key_Down, {}}, {Qt::Key_Down, {}}, {Qt::Key_F4, {}}}, false,
                "3", {"3+"}},
        KeyCase{"ArrowsStayInTheOpenList", {{Qt::Key_F4, {}}, {Qt::Key_Down, {}}, {Qt::Key_PageDown, {}}}, true,
                "1", {}}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.Name); });

TEST_F(DropDownTest, EnterThatClosesTheListIsNotTypedAfterwards) {
  TdxInplacePickEdit* edit = MakePickEdit();
  int enters = 0;
  edit->OnKeyPress = [&](TObject*, char& key) { enters += key == '\r'; };
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  KeyInto(*edit, Qt::Key_Down);
  KeyInto(*edit, Qt::Key_Return);
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_EQ(edit->Text(), RU("Арбат"));
  EXPECT_EQ(enters, 0);
  KeyInto(*edit, Qt::Key_Return);
  EXPECT_EQ(enters, 1) << "a later Enter is the editor's again";
}

// --- Mouse -----------------------------------------------------------------------------------

TEST_F(DropDownTest, TheButtonOpensTheListAClickInItChoosesAndTheButtonClosesIt) {
  TdxInplaceImageEdit* edit = MakeImageEdit();
  int buttonClicks = 0;
  edit->OnEditButtonClick = [&](TObject*) { ++buttonClicks; };
  Focus(*Other);
  std::vector<TRect> buttons = edit->ButtonRects();
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].Right, edit->Width() - 2) << "inside the border, at the right";
  EXPECT_EQ(buttons[0].Width(), GetScrollBarExtent());
  ClickFrame(*edit, Centre(buttons[0]));
  ASSERT_TRUE(WaitFor([&] { return edit->PopupOpen(); }));
  ExpectOpen(*edit);
  EXPECT_EQ(buttonClicks, 1);
  EXPECT_EQ(edit->PressedButton(), -1) << "the release let the button go";

  TdxPopupImageListBox& list = edit->PopupList();
  TPoint item = Centre(list.ItemRect(2));
  MouseMoveTo(list, item);
  EXPECT_EQ(list.ItemIndex(), 2) << "the item under the pointer is chosen as it moves";
  MousePressAt(list, item);
  MouseReleaseAt(list, item);
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(edit->Value(), "3");
  EXPECT_EQ(CloseUps, (std::vector<std::string>{"3+"}));
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(QApplication::activeWindow(), WindowOf(*Form)) << "the list never took the activation";

  // A click into the editor presses its button too (an image editor); the
  // button closes the list again without choosing.
  MousePressAt(*edit, Point(5, 5));
  MouseReleaseAt(*edit, Point(5, 5));
  ASSERT_TRUE(WaitFor([&] { return edit->PopupOpen(); }));
  ClickFrame(*edit, Centre(buttons[0]));
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_EQ(CloseUps.back(), "3-");
  EXPECT_EQ(edit->Value(), "3");
}

TEST_F(DropDownTest, APressElsewhereOnTheFormOrLosingTheFocusClosesTheList) {
  TdxInplaceImageEdit* edit = MakeImageEdit();
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  edit->Perform(CM_CANCELMODE, 0, static_cast<LPARAM>(ControlParam(edit)));
  EXPECT_TRUE(edit->PopupOpen()) << "the editor's own press";
  MousePressAt(*Other, Point(3, 3));
  MouseReleaseAt(*Other, Point(3, 3));
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_EQ(edit->Value(), "1");
}

TEST_F(DropDownTest, AnEditorWithoutValuesOpensNoListButTellsOfItsButton) {
  TdxInplaceImageEdit* edit = MakeImageEdit();
  edit->Values().Clear();
  int clicks = 0, dropDowns = 0;
  edit->OnEditButtonClick = [&](TObject*) { ++clicks; };
  edit->OnDropDown = [&](TObject*) { ++dropDowns; };
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_FALSE(edit->PopupList().Visible());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dropDowns, 1);
}

// --- Values ----------------------------------------------------------------------------------

// An image editor that is never a cell's editor, as a dialog's combo box is.
class TLoneImageEdit : public TdxInplaceImageEdit {
 public:
  using TdxInplaceImageEdit::TdxInplaceImageEdit;
  bool IsInplace() const override { return false; }
};

TEST_F(DropDownTest, KeysAndTheWheelStepThroughTheValuesOfALoneImageEditor) {
  auto* edit = new TLoneImageEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(10, 10, 150, 21);
  edit->Descriptions().Clear();
  for (int i = 1; i <= 10; ++i) edit->Values().Add(std::to_string(i));
  edit->SetText("1");
  ASSERT_EQ(edit->DropDownRows(), 7);
  Focus(*edit);
  KeyInto(*edit, Qt::Key_PageDown);
  EXPECT_EQ(edit->Value(), "7") << "a page is the rows less one";
  KeyInto(*edit, Qt::Key_PageDown);
  EXPECT_EQ(edit->Value(), "10") << "stops at the last";
  KeyInto(*edit, Qt::Key_Up);
  EXPECT_EQ(edit->Value(), "9");
  KeyInto(*edit, Qt::Key_Home);
  EXPECT_EQ(edit->Value(), "1");
  edit->Perform(WM_MOUSEWHEEL, MakeLong(0, static_cast<unsigned>(-120)), 0);
  EXPECT_EQ(edit->Value(), "2") << "the wheel turned towards the user steps on";
  KeyInto(*edit, Qt::Key_F4);
  edit->Perform(WM_MOUSEWHEEL, MakeLong(0, static_cast<unsigned>(-120)), 0);
  EXPECT_EQ(edit->Value(), "2") << "the open list scrolls instead";
}

TEST_F(DropDownTest, TypingTheFirstLetterOfADescriptionChoosesItAndCyclesOnRepeat) {
  TdxInplaceImageEdit* edit = MakeImageEdit();
  edit->Descriptions().Clear();
  for (const char* d : {"Дом", "Тупик", "дача", "Двор"}) edit->Descriptions().Add(RU(d));
  Focus(*edit);
  TypeText(*edit, "д");
  EXPECT_EQ(edit->Value(), "3") << "the next after the value, without regard to case";
  TypeText(*edit, "Д");
  EXPECT_EQ(edit->Value(), "4");
  TypeText(*edit, "д");
  EXPECT_EQ(edit->Value(), "1") << "round to the start";
  TypeText(*edit, "ж");
  EXPECT_EQ(edit->Value(), "1") << "no description begins with it";
}

// The list is built from the values, so that whatever item is chosen names
// a value, however many descriptions there are.
TEST_F(DropDownTest, TheListHasOneItemPerValueWhateverTheDescriptions) {
  for (int descriptions : {1, 6}) {
    TdxInplaceImageEdit* edit = MakeImageEdit();
    edit->Descriptions().Clear();
    for (int i = 0; i < descriptions; ++i) edit->Descriptions().Add("D" + std::to_string(i));
    Focus(*edit);
    KeyInto(*edit, Qt::Key_F4);
    ExpectOpen(*edit);
    EXPECT_EQ(edit->PopupList().Count(), 4) << descriptions << " descriptions";
    KeyInto(*edit, Qt::Key_End);
    KeyInto(*edit, Qt::Key_Return);
    EXPECT_EQ(edit->Value(), "4") << descriptions << " descriptions";
    edit->Free();
  }
}

struct RowsCase {
  int Values;
  int Rows;
  int ShownRows;
};
void PrintTo(const RowsCase& c, std::ostream* os) { *os << c.Values << " values, " << c.Rows << " rows"; }

class DropDownRowsTest : public DropDownTest, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(DropDownRowsTest, TheListIsAsTallAsItsItemsUpToDropDownRowsAndAtLeastOne) {
  const RowsCase& c = GetParam();
  TdxInplaceImageEdit* edit = MakeImageEdit();
  edit->Values().Clear();
  for (int i = 0; i < c.Values; ++i) edit->Values().Add(std::to_string(i));
  edit->SetDropDownRows(c.Rows);
  EXPECT_GE(edit->DropDownRows(), 1);
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  TdxPopupImageListBox& list = edit->PopupList();
  EXPECT_EQ(list.ClientHeight(), c.ShownRows * list.MeasuredItemHeight());
  EXPECT_GE(list.Width(), edit->Width() - 2) << "at least as wide as the editor's border";
}

INSTANTIATE_TEST_SUITE_P(Rows, DropDownRowsTest,
                         ::testing::Values(RowsCase{3, 7, 3}, RowsCase{20, 7, 7}, RowsCase{5, 0, 1},
                                           RowsCase{5, -3, 1}));

TEST_F(DropDownTest, AListThatDoesNotFitBelowItsEditorOpensAboveIt) {
  const TRect area = Screen->WorkAreaRect();
  Form->SetBounds(100, area.Bottom - 80, 400, 70);
  TdxInplaceImageEdit* edit = MakeImageEdit();
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  TdxPopupImageListBox& list = edit->PopupList();
  const TPoint editorTop = edit->ClientToScreen(Point(0, 0));
  EXPECT_LE(list.Top() + list.Height(), editorTop.Y);
  EXPECT_LE(list.Top() + list.Height(), area.Bottom);

  Form->SetBounds(100, 100, 400, 300);
  KeyInto(*edit, Qt::Key_F4);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  const TPoint editorBottom = edit->ClientToScreen(Point(0, edit->ClientHeight()));
  EXPECT_GE(list.Top(), editorBottom.Y - 2) << "below the editor";
}

// --- Look --------------------------------------------------------------------------------------

TEST_F(DropDownTest, TheArrowButtonIsRaisedInsideTheBorderAndSinksWhilePressed) {
  TdxInplacePickEdit* edit = MakePickEdit();
  const TRect face = edit->ButtonRects().at(0);
  EXPECT_EQ(edit->ClientWidth(), edit->Width() - 4 - face.Width()) << "the button's strip is not the text's";
  auto paint = [&](bool pressed) {
    auto bitmap = std::make_unique<TBitmap>(edit->Width(), edit->Height());
    std::unique_ptr<TdxEditViewData> vd = edit->CreateViewData(true);
    auto& dd = dynamic_cast<TdxDropDownEditViewData&>(*vd);
    dd.ActiveButton = pressed ? 0 : -1;
    dd.PressedButton = pressed ? 0 : -1;
    edit->PaintCopy(bitmap->Canvas(), Rect(0, 0, edit->Width(), edit->Height()), nullptr, *vd);
    return bitmap;
  };
  int base = face.Width() / 2;
  if (base % 2 == 0) --base;
  const int height = (base + 1) / 2;
  const int apexX = face.Left + (face.Width() - base) / 2 + base / 2;
  const int topY = face.Top + (face.Height() - height) / 2;

  std::unique_ptr<TBitmap> up = paint(false);
  EXPECT_EQ(up->Canvas().Pixels(face.Left, face.Top), ColorToRGB(cl3DLight));
  EXPECT_EQ(up->Canvas().Pixels(face.Right - 1, face.Bottom - 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(up->Canvas().Pixels(apexX, topY), ColorToRGB(clBtnText)) << "the arrow's base";
  EXPECT_EQ(up->Canvas().Pixels(apexX, topY + height - 1), ColorToRGB(clBtnText)) << "its point";
  EXPECT_EQ(up->Canvas().Pixels(apexX - base / 2, topY + height - 1), ColorToRGB(clBtnFace));

  std::unique_ptr<TBitmap> down = paint(true);
  EXPECT_EQ(down->Canvas().Pixels(face.Left, face.Top), ColorToRGB(clBtnShadow)) << "sunk";
  EXPECT_EQ(down->Canvas().Pixels(apexX + 1, topY + height), ColorToRGB(clBtnText)) << "the arrow moved down";
}

TEST_F(DropDownTest, AShadowedListHasItsBorderItsShadowAndAShapeWithoutTheBareCorners) {
  auto* list = new TdxPopupPickListBox(Form.get());
  list->SetPopupBorderStyle(pbsThick);
  list->SetShadow(true);
  list->SetBounds(0, 0, 100, 60);
  EXPECT_EQ(list->ClientRect(), Rect(0, 0, 100 - 4 - 4 - 2, 60 - 4 - 4 - 2));
  ASSERT_TRUE(list->HasWindowRegion());
  EXPECT_FALSE(WindowOf(*list)->mask().contains(QPoint(99, 0))) << "no shadow at the top right";
  EXPECT_FALSE(WindowOf(*list)->mask().contains(QPoint(0, 59)));
  EXPECT_TRUE(WindowOf(*list)->mask().contains(QPoint(99, 30)));
  list->SetShadow(false);
  EXPECT_FALSE(list->HasWindowRegion());
  list->SetPopupBorderStyle(pbsFlat);
  EXPECT_EQ(list->ClientWidth(), 100 - 2 * 2);
}

// --- Pick list -------------------------------------------------------------------------------

TEST_F(DropDownTest, TypingCyrillicIntoTheOpenPickListChoosesByTheBeginning) {
  TdxInplacePickEdit* edit = MakePickEdit();
  Focus(*edit);
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  TdxPopupPickListBox& list = edit->PickList();
  TypeText(*edit, "ба");
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.SearchText(), RU("ба"));
  TypeText(*edit, "У");
  EXPECT_EQ(list.ItemIndex(), 2) << "Бау...";
  TypeText(*edit, "щ");
  EXPECT_EQ(list.SearchText(), RU("баУ")) << "a character that finds nothing is taken off";
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(edit->Text(), "") << "the editor's text stays while the list is searched";
  KeyInto(*edit, Qt::Key_Backspace);
  EXPECT_EQ(list.SearchText(), "");
  TypeText(*edit, "ВАТ");
  EXPECT_EQ(list.ItemIndex(), 4);
  KeyInto(*edit, Qt::Key_Return);
  EXPECT_FALSE(edit->PopupOpen());
  EXPECT_EQ(edit->Text(), RU("Ватутина"));
  EXPECT_TRUE(edit->Modified());
}

// A pick list whose clock the test sets.
class TClockedPickList : public TdxPopupPickListBox {
 public:
  using TdxPopupPickListBox::TdxPopupPickListBox;
  std::uint64_t Now = 100000;

 protected:
  std::uint64_t CurrentTick() const override { return Now; }
};

class PickSearchTest : public DropDownTest {
 protected:
  void SetUp() override {
    DropDownTest::SetUp();
    List = new TClockedPickList(Form.get());
    for (const char* item : {"aardvark", "abacus", "abbey", "badger", "bat"}) List->Items().Add(item);
  }
  void Type(const std::string& text) {
    for (char c : text) List->Perform(WM_CHAR, static_cast<unsigned char>(c));
  }
  std::string Chosen() const { return List->ItemIndex() < 0 ? "-" : List->Items().Strings(List->ItemIndex()); }
  TClockedPickList* List = nullptr;
};

TEST_F(PickSearchTest, TypedCharactersSearchUntilAPauseAndAreTakenOffWhenTheyFindNothing) {
  Type("ab");
  EXPECT_EQ(Chosen(), "abacus");
  Type("b");
  EXPECT_EQ(Chosen(), "abbey");
  List->Now += TdxPopupPickListBox::SearchPause + 1;
  Type("b");
  EXPECT_EQ(List->SearchText(), "b") << "after a pause the search begins anew";
  EXPECT_EQ(Chosen(), "badger");
  List->Now += 10;
  Type("ax");
  EXPECT_EQ(List->SearchText(), "ba");
  List->Perform(WM_CHAR, 27);
  EXPECT_EQ(List->SearchText(), "");
}

// At the length limit a character is not added, and one that was not added
// is not taken off either: the search keeps what was typed.
TEST_F(PickSearchTest, ACharacterPastTheLimitIsNotAddedAndTakesNothingOff) {
  const std::string longest(40, 'z');
  List->Items().Add(longest);
  Type(std::string(TdxPopupPickListBox::MaxSearchLength, 'z'));
  ASSERT_EQ(List->SearchText().size(), TdxPopupPickListBox::MaxSearchLength);
  EXPECT_EQ(Chosen(), longest);
  Type("z");
  EXPECT_EQ(List->SearchText().size(), TdxPopupPickListBox::MaxSearchLength) << "a thirty-third is not added";
  // The items change under the search (a list filled anew); a character
  // past the limit that finds nothing leaves the typed text alone.
  List->Items().Clear();
  List->Items().Add("other");
  Type("q");
  EXPECT_EQ(List->SearchText(), std::string(TdxPopupPickListBox::MaxSearchLength, 'z'));
}

// --- Lifetime --------------------------------------------------------------------------------

// A drop-down editor that shows a list owned by the form, not by itself.
class TBorrowingEdit : public TdxInplaceDropDownEdit {
 public:
  TBorrowingEdit(TComponent* owner, TdxPopupPickListBox& list) : TdxInplaceDropDownEdit(owner), FList(list) {}
  void DropDown() override {
    SetActiveList(&FList);
    FList.SetParent(this);
    FList.SetClientSize(100, 3 * FList.MeasuredItemHeight());
    PositionPopup(FList, true);
    ShowPopup(FList);
  }

 private:
  TdxPopupPickListBox& FList;
};

enum TEnd { enFreed, enHiddenByItsHost };
struct LifeCase {
  const char* Name;
  int Kind;  // 0 image, 1 pick, 2 a borrowed list
  TEnd End;
};
void PrintTo(const LifeCase& c, std::ostream* os) { *os << c.Name; }

class PopupLifeTest : public DropDownTest, public ::testing::WithParamInterface<LifeCase> {};

TEST_P(PopupLifeTest, AnOpenListNeverStaysOnTheScreenAfterItsEditor) {
  const LifeCase& c = GetParam();
  auto* host = new TTestHost(Form.get());
  host->SetParent(Form.get());
  auto* borrowed = new TdxPopupPickListBox(Form.get());
  borrowed->Items().Add("x");
  TdxInplaceDropDownEdit* edit = nullptr;
  switch (c.Kind) {
    case 0: {
      auto* image = new TdxInplaceImageEdit(host);
      image->Values().Add("1");
      edit = image;
      break;
    }
    case 1: {
      auto* pick = new TdxInplacePickEdit(host);
      pick->Items().Add("x");
      edit = pick;
      break;
    }
    default:
      edit = new TBorrowingEdit(host, *borrowed);
      break;
  }
  host->Editor = edit;
  ASSERT_TRUE(ShowActive(*Form));
  host->StartEdit<TdxInplaceDropDownEdit>(Variant(std::string("1")));
  ASSERT_TRUE(WaitFor([&] { return edit->Focused(); }));
  KeyInto(*edit, Qt::Key_F4);
  ExpectOpen(*edit);
  TWinControl* list = edit->ActiveList();
  QPointer<QWidget> window = WindowOf(*list);
  ASSERT_TRUE(window->isVisible());

  if (c.End == enFreed) {
    // The host lets go first: it would close the edit when the focus
    // leaves the dying editor.
    host->Editor = nullptr;
    host->Editing = false;
    edit->Free();
  } else {
    host->CloseEdit();
    EXPECT_FALSE(edit->Shown());
    EXPECT_FALSE(edit->ListVisible());
  }
  QApplication::processEvents();
  EXPECT_TRUE(window.isNull() || !window->isVisible());
  if (c.Kind == 2) {
    EXPECT_FALSE(borrowed->Visible());
    if (c.End == enFreed) {
      EXPECT_EQ(borrowed->Parent(), nullptr) << "not left a child of a freed editor";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PopupLifeTest,
                         ::testing::Values(LifeCase{"ImageEditFreed", 0, enFreed},
                                           LifeCase{"PickEditFreed", 1, enFreed},
                                           LifeCase{"BorrowedListEditFreed", 2, enFreed},
                                           LifeCase{"ImageEditHidden", 0, enHiddenByItsHost},
                                           LifeCase{"BorrowedListEditHidden", 2, enHiddenByItsHost}),
                         [](const ::testing::TestParamInfo<LifeCase>& info) { return std::string(info.param.Name); });

TEST_F(DropDownTest, AClickThatStartedAnInPlaceEditOnItsButtonOpensTheList) {
  auto* host = new TTestHost(Form.get());
  host->SetParent(Form.get());
  ASSERT_TRUE(ShowActive(*Form));
  auto& edit = host->StartEdit<TdxInplaceImageEdit>(Variant(std::string("1")), Rect(20, 20, 140, 38));
  edit.Values().Add("1");
  edit.Values().Add("2");
  std::vector<TRect> buttons = edit.ButtonRects();
  ASSERT_EQ(buttons.size(), 1u);
  // The host's point of the click, over the editor's button.
  const TPoint button = Centre(buttons[0]);
  const TPoint at = host->ScreenToClient(edit.ClientToScreen(Point(button.X - edit.FrameInsets().Left,
                                                                   button.Y - edit.FrameInsets().Top)));
  edit.MouseClickAt(at.X, at.Y);
  ASSERT_TRUE(WaitFor([&] { return edit.PopupOpen(); }));
  ExpectOpen(edit);
  MouseReleaseAt(edit, Point(2, 2));
  KeyInto(edit, Qt::Key_Down);
  KeyInto(edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), "2");
  EXPECT_TRUE(host->Editing) << "Enter closed the list, not the edit";
  KeyInto(edit, Qt::Key_Return);
  EXPECT_FALSE(host->Editing);
  EXPECT_EQ(host->Stored, "2");
}

}  // namespace
