// The tree list's keyboard, driven by real key presses into a shown grid:
// focus moves, Shift and Ctrl selection, columns and Tab, expanding, the
// incremental search (Cyrillic, in the code page's case rules) and Esc.

#include <gtest/gtest.h>

#include <QTest>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "framework/gui/application/clipboard.h"
#include "grid/editors/text_editor.h"
#include "grid/tree_list/tree_list.h"
#include "tests/grid/input_grid.h"

namespace {

struct TPress {
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};

const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;

std::uint32_t Bit(int option) { return 1u << option; }

struct TKeyCase {
  const char* Name;
  bool MultiSelect;
  bool RowSelect;
  std::uint32_t Options;    // set besides
  std::uint32_t OptionsEx;  // set besides
  int StartRow;
  int StartColumn;
  std::vector<TPress> Keys;
  const char* Focused;
  int Column;            // -1: not checked
  const char* Selected;  // nullptr: not checked
  int Top;               // -1: not checked
  std::uint32_t OptionsOff = 0;  // cleared besides
};

std::ostream& operator<<(std::ostream& out, const TKeyCase& c) { return out << c.Name; }

class KeySequence : public ::testing::TestWithParam<TKeyCase> {};

// Thirty rows, ten on the screen, the focus on StartRow.
TEST_P(KeySequence, MovesFocusAndSelection) {
  const TKeyCase& c = GetParam();
  TInputForm form(30);
  TInputGrid& grid = *form.Grid;
  std::uint32_t options = (grid.Options() | c.Options) & ~c.OptionsOff;
  options = c.MultiSelect ? options | Bit(tloMultiSelect) : options & ~Bit(tloMultiSelect);
  options = c.RowSelect ? options | Bit(tloRowSelect) : options & ~Bit(tloRowSelect);
  grid.SetOptions(options);
  grid.SetOptionsEx(grid.OptionsEx() | c.OptionsEx);
  ASSERT_TRUE(form.Show());
  grid.SetFocusedNodeAndColumn(grid.Row(c.StartRow), c.StartColumn, true);
  grid.Selection.clear();
  for (const TPress& press : c.Keys) form.Key(press.Key, press.Modifiers);
  EXPECT_EQ(grid.FocusedName(), c.Focused);
  if (c.Column >= 0) {
    EXPECT_EQ(grid.FocusedColumnIndex(), c.Column);
  }
  if (c.Selected != nullptr) {
    EXPECT_EQ(grid.SelectedNames(), c.Selected);
  }
  if (c.Top >= 0) {
    EXPECT_EQ(grid.TopIndex(), c.Top);
  }
  grid.CheckInvariants();
}

const std::uint32_t Tabs = Bit(tloTabs);
const std::uint32_t TabThrough = Bit(tloTabThrough);

INSTANTIATE_TEST_SUITE_P(
    Keys, KeySequence,
    ::testing::Values(
        TKeyCase{"DownMovesOneRow", false, true, 0, 0, 0, 0, {{Qt::Key_Down}}, "r1", -1, nullptr, 0},
        TKeyCase{"UpOnTheFirstRowStays", false, true, 0, 0, 0, 0, {{Qt::Key_Up}}, "r0", -1, nullptr, 0},
        TKeyCase{"PageDownFromTheTopRowMovesAPageLessOne", false, true, 0, 0, 0, 0, {{Qt::Key_PageDown}}, "r9",
                 -1, nullptr, 0},
        TKeyCase{"PageDownInsideThePageGoesToItsLastRowThenOnByAPageLessOne",
                 false, true, 0, 0, 4, 0, {{Qt::Key_PageDown}, {Qt::Key_PageDown}}, "r18", -1, nullptr, 9},
        TKeyCase{"PageUpFromTheLastRowOfThePage", false, true, 0, 0, 25, 0,
                 {{Qt::Key_PageUp}, {Qt::Key_PageUp}}, "r7", -1, nullptr, 7},
        TKeyCase{"PageDownAtTheEndStaysOnTheLastRow", false, true, 0, 0, 28, 0,
                 {{Qt::Key_PageDown}, {Qt::Key_PageDown}}, "r29", -1, nullptr, 20},
        TKeyCase{"CtrlEndGoesToTheLastRow", false, true, 0, 0, 5, 0, {{Qt::Key_End, Ctrl}}, "r29", -1, nullptr, 20},
        TKeyCase{"HomeInRowSelect", false, true, 0, 0, 25, 0, {{Qt::Key_Home}}, "r0", -1, nullptr, 0},
        TKeyCase{"ShiftDownThreeTimesThenShiftUpKeepsTheAnchorAndTwoRows", true, true, 0, 0, 2, 0,
                 {{Qt::Key_Down, Shift}, {Qt::Key_Down, Shift}, {Qt::Key_Down, Shift}, {Qt::Key_Up, Shift}}, "r4",
                 -1, "r2 r3 r4", -1},
        TKeyCase{"ShiftUpFromBelowTheAnchorShrinksThenGrowsUpwards", true, true, 0, 0, 5, 0,
                 {{Qt::Key_Down, Shift}, {Qt::Key_Up, Shift}, {Qt::Key_Up, Shift}, {Qt::Key_Up, Shift}}, "r3", -1,
                 "r3 r4 r5", -1},
        TKeyCase{"PlainDownMovesASingleSelection", true, true, 0, 0, 2, 0, {{Qt::Key_Down}, {Qt::Key_Down}}, "r4",
                 -1, "r4", -1},
        TKeyCase{"PlainDownLeavesARangeAndMovesOnlyTheFocus", true, true, 0, 0, 0, 0,
                 {{Qt::Key_Down, Shift}, {Qt::Key_Down, Shift}, {Qt::Key_Down}}, "r3", -1, "r0 r1 r2", -1},
        TKeyCase{"CtrlSpaceTogglesAndCtrlArrowsKeepTheSelection", true, true, 0, 0, 1, 0,
                 {{Qt::Key_Space, Ctrl},
                  {Qt::Key_Down, Ctrl},
                  {Qt::Key_Space, Ctrl},
                  {Qt::Key_Down, Ctrl},
                  {Qt::Key_Space, Ctrl},
                  {Qt::Key_Space, Ctrl}},
                 "r3", -1, "r1 r2", -1},
        TKeyCase{"CtrlSpaceWithEditingInCellModeDoesNothing", true, false, 0, 0, 1, 0, {{Qt::Key_Space, Ctrl}},
                 "r1", -1, "r1", -1},
        TKeyCase{"CtrlShiftDownExtendsLikeShiftDown", true, true, 0, 0, 5, 0,
                 {{Qt::Key_Down, Ctrl | Shift}, {Qt::Key_Down, Ctrl | Shift}}, "r7", -1, "r5 r6 r7", -1},
        TKeyCase{"ShiftEndSelectsToTheLastRow", true, true, 0, 0, 27, 0, {{Qt::Key_End, Shift}}, "r29", -1,
                 "r27 r28 r29", -1},
        TKeyCase{"ShiftPageDownSelectsThePage", true, true, 0, 0, 0, 0, {{Qt::Key_PageDown, Shift}}, "r9", -1,
                 "r0 r1 r2 r3 r4 r5 r6 r7 r8 r9", 0},
        TKeyCase{"PageDownWithoutShiftClearsTheSelection", true, true, 0, 0, 0, 0,
                 {{Qt::Key_Down, Shift}, {Qt::Key_PageDown}}, "r9", -1, "r9", 0},
        TKeyCase{"RightAndLeftMoveBetweenColumns", false, false, 0, 0, 0, 0,
                 {{Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Left}}, "r0", 1, nullptr, -1},
        TKeyCase{"CtrlRightAndCtrlLeftGoToTheEndColumns", false, false, 0, 0, 0, 1, {{Qt::Key_Right, Ctrl}}, "r0",
                 2, nullptr, -1},
        TKeyCase{"EndAndHomeInCellModeMoveColumns", false, false, 0, 0, 3, 1, {{Qt::Key_End}}, "r3", 2, nullptr,
                 -1},
        TKeyCase{"RightAtTheLastColumnGoesOnWithHorzThrough", false, false, 0, Bit(tloHorzThrough), 0, 2,
                 {{Qt::Key_Right}}, "r1", 0, nullptr, -1},
        TKeyCase{"LeftAtTheFirstColumnGoesBackWithHorzThrough", false, false, 0, Bit(tloHorzThrough), 1, 0,
                 {{Qt::Key_Left}}, "r0", 2, nullptr, -1},
        TKeyCase{"TabStopsAtTheLastColumnWithoutTabThrough", true, false, Tabs, 0, 0, 0,
                 {{Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Tab}}, "r0", 2, nullptr, -1, TabThrough},
        TKeyCase{"TabGoesOnToTheNextRowWithTabThrough", true, false, Tabs | TabThrough, 0, 0, 1,
                 {{Qt::Key_Down, Shift}, {Qt::Key_Tab}, {Qt::Key_Tab}}, "r2", 0, "r2", -1},
        TKeyCase{"ShiftTabGoesBackToThePreviousRowsLastColumn", false, false, Tabs | TabThrough, 0, 1, 0,
                 {{Qt::Key_Tab, Shift}}, "r0", 2, nullptr, -1},
        TKeyCase{"TabInRowSelectMovesTheRow", false, true, Tabs, 0, 4, 0, {{Qt::Key_Tab}}, "r5", -1, nullptr, -1}),
    [](const ::testing::TestParamInfo<TKeyCase>& info) { return std::string(info.param.Name); });

// --- Expanding -------------------------------------------------------------------------------

TEST(TreeListKeys, LeftAndRightCollapseExpandAndWalkTheTreeInRowSelect) {
  TInputForm form(0);
  TInputGrid& grid = *form.Grid;
  TdxTreeListNode* parent = grid.AddRow({"p"});
  TdxTreeListNode* child = parent->AddChild();
  grid.SetCellText(child, 0, "c");
  grid.AddRow({"q"});
  ASSERT_TRUE(form.Show());
  grid.SetFocusedNodeAndColumn(parent, 0, true);
  form.Key(Qt::Key_Right);
  EXPECT_TRUE(parent->Expanded());
  form.Key(Qt::Key_Right);
  EXPECT_EQ(grid.FocusedName(), "c");
  form.Key(Qt::Key_Right);  // a leaf: one row down
  EXPECT_EQ(grid.FocusedName(), "q");
  grid.SetFocusedNodeAndColumn(child, 0, true);
  form.Key(Qt::Key_Left);  // to the parent
  EXPECT_EQ(grid.FocusedName(), "p");
  form.Key(Qt::Key_Left);  // collapses it
  EXPECT_FALSE(parent->Expanded());
  form.Key(Qt::Key_Plus);
  EXPECT_TRUE(parent->Expanded());
  form.Key(Qt::Key_Minus);
  EXPECT_FALSE(parent->Expanded());
  grid.CheckInvariants();
}

TEST(TreeListKeys, F2AndEnterAskForTheEditor) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  grid.SetOptions(grid.Options() & ~Bit(tloRowSelect));
  ASSERT_TRUE(form.Show());
  form.Key(Qt::Key_F2);
  EXPECT_EQ(grid.Log, std::vector<std::string>{"show editor"});
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloEnterShowEditor));
  grid.Log.clear();
  form.Type("x");
  EXPECT_EQ(grid.Log, std::vector<std::string>{"show editor with x"});
}

TEST(TreeListKeys, CtrlCCopiesTheRowsOnlyWithAutoCopy) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  Clipboard().SetAsText("before");
  form.Key(Qt::Key_C, Ctrl);
  EXPECT_EQ(Clipboard().AsText(), "before");
  grid.SetOptionsEx(grid.OptionsEx() | Bit(tloAutoCopySelectedToClipboard));
  form.Key(Qt::Key_C, Ctrl);
  EXPECT_EQ(Clipboard().AsText(), "C0\tC1\tC2\r\nr0\tx0\t\r\n");
  Clipboard().SetAsText("");
  form.Key(Qt::Key_Insert, Ctrl);
  EXPECT_EQ(Clipboard().AsText(), "C0\tC1\tC2\r\nr0\tx0\t\r\n");
}

TEST(TreeListKeys, KeysWithoutNodesDoNothingButEscapeEndsSizing) {
  TInputForm form(0);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  form.Key(Qt::Key_Down);
  form.Key(Qt::Key_End);
  EXPECT_EQ(grid.FocusedNode(), nullptr);
  grid.SetInteractionState(tsColumnSizing);
  form.Key(Qt::Key_Escape);
  EXPECT_EQ(grid.State(), tsNone);
}

// --- Esc and the editor ------------------------------------------------------------------------

// An editor that counts the calls of its F2 operation.
class TCountingEditor : public TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  int ButtonKeys = 0;
  void EditButtonKey() override { ++ButtonKeys; }
};

TEST(TreeListKeys, EscapeAndTheEditingStateWithoutAnEditorCallNone) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  ASSERT_TRUE(form.Show());
  grid.SetInteractionState(tsEditing);
  form.Key(Qt::Key_Escape);  // closes the editing
  EXPECT_EQ(grid.State(), tsNone);
  form.Key(Qt::Key_Escape);  // asks the editor to restore itself
  EXPECT_EQ(grid.State(), tsNone);
}

TEST(TreeListKeys, EscapeAndTheEditingStateCallTheEditorThatExists) {
  TInputForm form(3);
  TInputGrid& grid = *form.Grid;
  auto* editor = new TCountingEditor(&grid);
  grid.Editor = editor;
  ASSERT_TRUE(form.Show());
  grid.SetInteractionState(tsEditing);
  EXPECT_EQ(editor->ButtonKeys, 1);
  form.Key(Qt::Key_Escape);
  form.Key(Qt::Key_Escape);
  EXPECT_EQ(editor->ButtonKeys, 2);
  EXPECT_EQ(grid.State(), tsNone);
}

// --- Incremental search -------------------------------------------------------------------------

class TSearchGrid : public TInputGrid {
 public:
  using TInputGrid::TInputGrid;
  using TCustomdxTreeList::AutoSearchColumn;
  using TCustomdxTreeList::AutoSearchText;
  using TCustomdxTreeList::EndAutoSearch;
};

// Typed characters as a keyboard with that layout makes them.
void TypeText(TWinControl& control, const char* utf8) {
  for (const QChar ch : QString::fromUtf8(utf8)) {
    const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
    QTest::sendKeyEvent(QTest::Press, ClientOf(control), key, QString(ch), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, ClientOf(control), key, QString(ch), Qt::NoModifier);
  }
}

class IncrementalSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 460, 400);
    Grid = new TSearchGrid(Form.get());
    Grid->SetParent(Form.get());
    for (const char* name : {"Петров", "Иволгин", "Иванов", "Сидоров", "Ивашов", "ёлкин"})
      Grid->AddRow({RU(name), RU("улица")});
    Grid->SetBounds(10, 10, 400, Grid->HeightFor(10));
    Grid->SetOptionsEx(Grid->OptionsEx() | Bit(tloAutoSearch));
    ASSERT_TRUE(ShowActive(*Form));
    Grid->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return Grid->Focused(); }));
  }
  std::unique_ptr<TForm> Form;
  TSearchGrid* Grid = nullptr;
};

TEST_F(IncrementalSearch, TypedCyrillicFindsRowsWhateverTheirCase) {
  TypeText(*Grid, "и");
  EXPECT_EQ(Grid->FocusedName(), RU("Иволгин"));
  EXPECT_TRUE(Grid->Searching());
  TypeText(*Grid, "ва");
  EXPECT_EQ(Grid->FocusedName(), RU("Иванов"));
  TypeText(*Grid, "Ш");
  EXPECT_EQ(Grid->FocusedName(), RU("Ивашов"));
  EXPECT_EQ(Grid->AutoSearchText(), RU("иваШ"));
  EXPECT_EQ(Grid->AutoSearchColumn(), 0);
}

TEST_F(IncrementalSearch, ACharacterThatMatchesNothingIsTakenBack) {
  TypeText(*Grid, "ив");
  TypeText(*Grid, "z");
  EXPECT_EQ(Grid->AutoSearchText(), RU("ив"));
  EXPECT_EQ(Grid->FocusedName(), RU("Иволгин"));
}

TEST_F(IncrementalSearch, YoMatchesItsCapitalOnly) {
  TypeText(*Grid, "Ё");
  EXPECT_EQ(Grid->FocusedName(), RU("ёлкин"));
  Grid->EndAutoSearch();
  Grid->SetFocusedNodeAndColumn(Grid->Row(0), 0, true);
  TypeText(*Grid, "е");  // Е is not Ё
  EXPECT_EQ(Grid->FocusedName(), RU("Петров"));
  EXPECT_EQ(Grid->AutoSearchText(), "");
}

TEST_F(IncrementalSearch, TheSearchWrapsFromTheFocusedRowAndEndsWithAMove) {
  Grid->SetFocusedNodeAndColumn(Grid->Row(3), 0, true);
  TypeText(*Grid, "ив");
  EXPECT_EQ(Grid->FocusedName(), RU("Ивашов"));
  TdxTreeListNode* found = nullptr;
  EXPECT_TRUE(Grid->LocateByText(0, RU("ИВ"), 2, found));
  EXPECT_EQ(TInputGrid::Name(found), RU("Иволгин")) << "forwards from the one after, round the end";
  EXPECT_TRUE(Grid->LocateByText(0, RU("ИВ"), 1, found));
  EXPECT_EQ(TInputGrid::Name(found), RU("Иванов")) << "backwards from the one before";
  QTest::keyClick(ClientOf(*Grid), Qt::Key_Down);
  EXPECT_FALSE(Grid->Searching());
}

TEST_F(IncrementalSearch, TheSearchExpandsToAChildWithAutoExpandOnSearch) {
  TdxTreeListNode* parent = Grid->Row(0);
  TdxTreeListNode* child = parent->AddChild();
  Grid->SetCellText(child, 0, RU("Юрьев"));
  ASSERT_FALSE(parent->Expanded());
  TypeText(*Grid, "ю");
  EXPECT_EQ(Grid->FocusedNode(), child);
  EXPECT_TRUE(parent->Expanded());
  Grid->EndAutoSearch();
  parent->SetExpanded(false);
  Grid->SetAutoExpandOnSearch(false);
  TypeText(*Grid, "ю");
  EXPECT_NE(Grid->FocusedNode(), child) << "only the rows on show";
}

// The keys that work on an active search, typed after "ив" found
// Иволгин; then more letters, which the search must still take.
struct SearchKeyCase {
  const char* Name;
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  const char* ThenTyped;
  const char* Text;  // the search text afterwards
  const char* Focused;
  bool Searching;
};
void PrintTo(const SearchKeyCase& c, std::ostream* os) { *os << c.Name; }

class SearchKeys : public IncrementalSearch, public ::testing::WithParamInterface<SearchKeyCase> {};

TEST_P(SearchKeys, ActOnTheSearchText) {
  const SearchKeyCase& c = GetParam();
  TypeText(*Grid, "ив");
  ASSERT_EQ(Grid->FocusedName(), RU("Иволгин"));
  QTest::keyClick(ClientOf(*Grid), c.Key, c.Modifiers);
  TypeText(*Grid, c.ThenTyped);
  EXPECT_EQ(Grid->Searching(), c.Searching);
  EXPECT_EQ(Grid->AutoSearchText(), RU(c.Text));
  EXPECT_EQ(Grid->FocusedName(), RU(c.Focused));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SearchKeys,
    ::testing::Values(
        SearchKeyCase{"BackspaceTakesTheLastCharacter", Qt::Key_Backspace, Qt::NoModifier, "", "и", "Иволгин", true},
        SearchKeyCase{"DeleteClearsTheText", Qt::Key_Delete, Qt::NoModifier, "", "", "Иволгин", true},
        SearchKeyCase{"DeleteThenALetter", Qt::Key_Delete, Qt::NoModifier, "с", "с", "Сидоров", true},
        SearchKeyCase{"EscapeEndsTheSearch", Qt::Key_Escape, Qt::NoModifier, "", "", "Иволгин", false},
        SearchKeyCase{"CtrlEnterFindsTheNextMatch", Qt::Key_Return, Qt::ControlModifier, "", "ив", "Иванов", true},
        SearchKeyCase{"ShiftEnterFindsThePreviousMatch", Qt::Key_Return, Qt::ShiftModifier, "", "ив", "Ивашов",
                      true}),
    [](const ::testing::TestParamInfo<SearchKeyCase>& info) { return std::string(info.param.Name); });

TEST_F(IncrementalSearch, TheSearchFollowsTheFocusedColumn) {
  Grid->SetOptions(Grid->Options() & ~Bit(tloRowSelect));
  Grid->SetFocusedNodeAndColumn(Grid->Row(0), 1, true);
  TypeText(*Grid, "ул");
  EXPECT_EQ(Grid->AutoSearchColumn(), 1);
  EXPECT_EQ(Grid->AutoSearchText(), RU("ул"));
  EXPECT_EQ(Grid->FocusedName(), RU("Петров"));
}

}  // namespace
