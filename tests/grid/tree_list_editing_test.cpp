// Editing a tree list's cells in place with real input offscreen: how an
// edit starts (key, typing, a delayed second click, an immediate click) and
// ends (Enter, Escape, the focus leaving), the cases that start nothing,
// the editor following its cell, the delayed start's timer, a column going
// while its cell is edited, and the hints over cut-short cells.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <memory>
#include <ostream>
#include <string>

#include "framework/gui/application/screen.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"
#include "framework/gui/standard/std_controls.h"
#include "grid/editors/edit_styles.h"
#include "grid/editors/text_editor.h"
#include "grid/support/draw_helpers.h"
#include "grid/tree_list/tree_list_column.h"
#include "grid/tree_list/tree_list_control.h"
#include "tests/support/window_input.h"

namespace {

TPoint Centre(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

void SetOption(TCustomdxTreeList& grid, TdxTreeListOption option, bool on) {
  std::uint32_t bits = grid.Options();
  const std::uint32_t bit = 1u << option;
  grid.SetOptions(on ? bits | bit : bits & ~bit);
}

void SetOptionEx(TCustomdxTreeList& grid, TdxTreeListOptionEx option, bool on) {
  std::uint32_t bits = grid.OptionsEx();
  const std::uint32_t bit = 1u << option;
  grid.SetOptionsEx(on ? bits | bit : bits & ~bit);
}

// A form with a tree list of two columns (Name, Phone) and three rows, cell
// editing on, and an edit box to take the focus away.
class EditingFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 460, 300);
    Grid = MakeGrid(Rect(10, 10, 310, 210));
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(330, 10, 100, 24);
    ASSERT_TRUE(ShowActive(*Form));
  }

  TCustomdxTreeListControl* MakeGrid(const TRect& bounds) {
    auto* grid = new TCustomdxTreeListControl(Form.get());
    grid->SetParent(Form.get());
    grid->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    for (const char* name : {"Name", "Phone"}) {
      TdxTreeListColumn* column = grid->CreateColumn<TdxTreeListColumn>(Form.get());
      column->SetCaption(name);
      column->SetWidth(std::string(name) == "Name" ? 150 : 60);
    }
    SetOption(*grid, tloRowSelect, false);
    SetOption(*grid, tloEditing, true);
    SetOptionEx(*grid, tloEnterShowEditor, true);
    for (const auto& [name, phone] :
         {std::pair{"Alpha", "1"}, std::pair{"Bravo", "22"}, std::pair{"Charlie", "303-303-303-303"}}) {
      TdxTreeListNode* node = grid->AddNode();
      grid->SetCellText(node, 0, name);
      grid->SetCellText(node, 1, phone);
    }
    grid->OnEdited = [this](TObject*, TdxTreeListNode*) { ++Edited; };
    return grid;
  }

  TdxTreeListNode* Row(int index, TCustomdxTreeList* grid = nullptr) const {
    return (grid ? grid : Grid)->GetAbsoluteNode(index);
  }
  TPoint CellCentre(int row, int column, TCustomdxTreeList* grid = nullptr) const {
    grid = grid ? grid : Grid;
    TRect r = grid->GetCellRect(Row(row, grid), grid->GetVisibleColumnIndex(column));
    return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void Click(TWinControl& control, TPoint at) {
    MouseMoveTo(control, at);
    MousePressAt(control, at);
    MouseReleaseAt(control, at);
  }
  // Focuses the cell by a click, as a user would before a second one.
  void FocusCell(int row, int column) {
    Click(*Grid, CellCentre(row, column));
    ASSERT_TRUE(WaitFor([&] { return Grid->Focused(); }));
    ASSERT_EQ(Grid->FocusedNode(), Row(row));
    ASSERT_EQ(Grid->FocusedColumnAbsoluteIndex(), column);
  }
  void Type(const std::string& letters) {
    for (char c : letters) KeyInto(*Grid, static_cast<Qt::Key>(Qt::Key_A + (c - 'a')));
  }
  std::string Cell(int row, int column) const { return Grid->GetCellText(Row(row), column); }

  TdxDefaultEditStyleControllerScope Styles;
  TdxDrawingBrushesScope Brushes;
  std::unique_ptr<TForm> Form;
  TCustomdxTreeListControl* Grid = nullptr;
  TEdit* Other = nullptr;
  int Edited = 0;
};

// --- Starting and ending ---------------------------------------------------------------------

enum TStart { stF2, stTyping, stDelayedClick, stImmediateClick };
enum TEnd { enEnter, enEscape, enFocusLeaves };

struct EditCase {
  const char* Name;
  TStart Start;
  TEnd End;
  const char* Typed;      // letters typed once the editor shows
  const char* Stored;     // the cell's text afterwards
};
void PrintTo(const EditCase& c, std::ostream* os) { *os << c.Name; }

class EditStartEndTest : public EditingFormTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditStartEndTest, TheEditorOpensOverTheCellAndItsValueIsKeptOnlyWhenAccepted) {
  const EditCase& c = GetParam();
  if (c.Start == stImmediateClick) SetOption(*Grid, tloImmediateEditor, true);
  if (c.Start != stImmediateClick) FocusCell(1, 0);
  ASSERT_EQ(Grid->State(), tsNone);
  ASSERT_FALSE(Grid->EditorShown());

  switch (c.Start) {
    case stF2:
      KeyInto(*Grid, Qt::Key_F2);
      break;
    case stTyping:
      KeyInto(*Grid, Qt::Key_Z);
      break;
    case stDelayedClick: {
      QElapsedTimer clock;
      clock.start();
      Click(*Grid, CellCentre(1, 0));
      // (A machine too slow to look within the double-click time sees the
      // editor already.)
      if (clock.elapsed() < GetDoubleClickTime() / 2) {
        EXPECT_TRUE(Grid->EditTimerRunning());
        EXPECT_FALSE(Grid->EditorShown()) << "not before the double-click time has passed";
      }
      break;
    }
    case stImmediateClick:
      Click(*Grid, CellCentre(1, 0));
      break;
  }
  ASSERT_TRUE(WaitFor([&] { return Grid->EditorShown(); }));
  TdxInplaceEdit& editor = *Grid->InplaceEditor();
  EXPECT_EQ(Grid->State(), tsEditing);
  EXPECT_EQ(Grid->EditNode(), Row(1));
  EXPECT_EQ(Grid->EditColumn(), 0);
  EXPECT_FALSE(Grid->EditTimerRunning());
  ASSERT_TRUE(WaitFor([&] { return editor.Focused(); }));
  // Over the cell, its border just outside it.
  TRect cell = Grid->GetEditorRect(Row(1), 0);
  EXPECT_EQ(editor.BoundsRect(), Rect(cell.Left - 2, cell.Top - 2, cell.Right + 2, cell.Bottom + 2));
  if (c.Start == stTyping) {
    ASSERT_TRUE(WaitFor([&] { return editor.GetEditText() == "z"; })) << editor.GetEditText();
  } else {
    EXPECT_EQ(editor.GetEditText(), "Bravo");
  }
  Type(c.Typed);

  switch (c.End) {
    case enEnter:
      KeyInto(*Grid, Qt::Key_Return);
      EXPECT_TRUE(Grid->Focused());
      break;
    case enEscape:
      KeyInto(*Grid, Qt::Key_Escape);
      EXPECT_TRUE(Grid->Focused());
      break;
    case enFocusLeaves:
      Click(*Other, Point(5, 5));
      EXPECT_TRUE(WaitFor([&] { return Other->Focused(); }));
      break;
  }
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Grid->EditNode(), nullptr);
  EXPECT_EQ(Cell(1, 0), c.Stored);
  EXPECT_EQ(Edited, 1) << "OnEdited once per edit, modified or not";
  EXPECT_FALSE(Grid->EditTimerRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditStartEndTest,
    ::testing::Values(EditCase{"F2ThenEnter", stF2, enEnter, "ab", "ab"},
                      EditCase{"F2ThenEscape", stF2, enEscape, "ab", "Bravo"},
                      EditCase{"F2ThenFocusLeaves", stF2, enFocusLeaves, "ab", "ab"},
                      EditCase{"TypingThenEnter", stTyping, enEnter, "ab", "zab"},
                      EditCase{"TypingThenEscape", stTyping, enEscape, "ab", "Bravo"},
                      EditCase{"TypingThenFocusLeaves", stTyping, enFocusLeaves, "", "z"},
                      EditCase{"DelayedClickThenEnter", stDelayedClick, enEnter, "c", "c"},
                      EditCase{"DelayedClickThenEscape", stDelayedClick, enEscape, "c", "Bravo"},
                      EditCase{"DelayedClickThenFocusLeaves", stDelayedClick, enFocusLeaves, "c", "c"},
                      EditCase{"ImmediateClickThenEnter", stImmediateClick, enEnter, "d", "d"},
                      EditCase{"ImmediateClickThenEscape", stImmediateClick, enEscape, "d", "Bravo"},
                      EditCase{"ImmediateClickThenFocusLeaves", stImmediateClick, enFocusLeaves, "", "Bravo"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.Name); });

TEST_F(EditingFormTest, AClickOnAnotherCellOrADoubleClickStartsNoEditing) {
  FocusCell(0, 0);
  // Another cell: focused, nothing more.
  Click(*Grid, CellCentre(2, 1));
  EXPECT_EQ(Grid->FocusedNode(), Row(2));
  EXPECT_EQ(Grid->FocusedColumnAbsoluteIndex(), 1);
  EXPECT_FALSE(Grid->EditTimerRunning());
  // A double click on the focused cell stops the timer its first press set.
  QTest::mouseDClick(QtWindowOf(*Grid), Qt::LeftButton, Qt::NoModifier, WindowPointOf(*Grid, CellCentre(2, 1)));
  EXPECT_FALSE(Grid->EditTimerRunning());
  QTest::qWait(GetDoubleClickTime() + 100);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Grid->State(), tsNone);
}

// An immediate click on the focused cell opens the editor at once; the
// delayed start its press also set must not open it again after an Escape.
TEST_F(EditingFormTest, AnImmediateEditClosedAtOnceStaysClosed) {
  FocusCell(1, 0);
  SetOption(*Grid, tloImmediateEditor, true);
  Click(*Grid, CellCentre(1, 0));
  ASSERT_TRUE(Grid->EditorShown());
  EXPECT_FALSE(Grid->EditTimerRunning());
  KeyInto(*Grid, Qt::Key_Escape);
  ASSERT_EQ(Grid->State(), tsNone);
  QTest::qWait(GetDoubleClickTime() + 100);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_EQ(Edited, 1);
}

struct RefusalCase {
  const char* Name;
  void (*Arrange)(TCustomdxTreeListControl& grid);
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.Name; }

class ShowEditorRefusalTest : public EditingFormTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ShowEditorRefusalTest, NothingStartsAndNoEditorIsSetUp) {
  Grid->SetFocus();
  Grid->SetFocusedNodeAndColumn(Row(0), 0, true);
  GetParam().Arrange(*Grid);
  Grid->ShowEditor();
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Grid->InplaceEditor(), nullptr);
  EXPECT_EQ(Grid->EditNode(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShowEditorRefusalTest,
    ::testing::Values(
        RefusalCase{"EditingOff", [](TCustomdxTreeListControl& g) { SetOption(g, tloEditing, false); }},
        RefusalCase{"RowSelect", [](TCustomdxTreeListControl& g) { SetOption(g, tloRowSelect, true); }},
        RefusalCase{"NoFocusedNode", [](TCustomdxTreeListControl& g) { g.SetFocusedNodeAndColumn(nullptr, 0, false); }},
        RefusalCase{"OnEditingRefuses",
                    [](TCustomdxTreeListControl& g) { g.OnEditing = [](TObject*, TdxTreeListNode*, bool& a) { a = false; }; }},
        RefusalCase{"ColumnDisablesItsEditor",
                    [](TCustomdxTreeListControl& g) { g.Columns(0)->SetDisableEditor(true); }}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.Name); });

TEST_F(EditingFormTest, ARefusedValueKeepsTheEditorOpenAndTheStateEditing) {
  TAnsweringDialogService answers;
  TMessageDialogScope dialogs(answers);
  Grid->OnEditValidate = [](TObject*, std::string& text, bool& accept) {
    text = "No";
    accept = false;
  };
  FocusCell(0, 0);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  Type("x");
  KeyInto(*Grid, Qt::Key_Return);
  EXPECT_EQ(Grid->State(), tsEditing);
  EXPECT_TRUE(Grid->EditorShown());
  EXPECT_TRUE(Grid->InplaceEditor()->Focused());
  EXPECT_EQ(Cell(0, 0), "Alpha");
  ASSERT_EQ(answers.Requests().size(), 1u);
  // Escape gives the old value back; nothing is left to refuse.
  KeyInto(*Grid, Qt::Key_Escape);
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_EQ(Cell(0, 0), "Alpha");
}

TEST_F(EditingFormTest, TheEditorFollowsItsCellWhenTheColumnIsSizedAndTheControlMoves) {
  FocusCell(1, 1);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  TdxInplaceEdit& editor = *Grid->InplaceEditor();
  Grid->Columns(0)->SetWidth(90);
  TRect cell = Grid->GetEditorRect(Row(1), 1);
  EXPECT_EQ(editor.BoundsRect(), Rect(cell.Left - 2, cell.Top - 2, cell.Right + 2, cell.Bottom + 2));
  EXPECT_TRUE(editor.Shown());
  Grid->SetBounds(20, 20, 280, 150);
  EXPECT_EQ(editor.BoundsRect(), Rect(cell.Left - 2, cell.Top - 2, cell.Right + 2, cell.Bottom + 2));
  EXPECT_EQ(Grid->State(), tsEditing);
}

// The delayed start waits on a timer of the control that was clicked: a
// press on another tree list neither stops it nor leaves it running.
TEST_F(EditingFormTest, EditTimerBelongsToTheControlThatStartedIt) {
  TCustomdxTreeListControl* second = MakeGrid(Rect(10, 215, 310, 290));
  FocusCell(0, 0);
  QElapsedTimer clock;
  clock.start();
  Click(*Grid, CellCentre(0, 0));
  if (clock.elapsed() < GetDoubleClickTime() / 2) {
    EXPECT_TRUE(Grid->EditTimerRunning());
    EXPECT_TRUE(Grid->TimerActive(2));
  }
  Click(*second, CellCentre(0, 1, second));
  ASSERT_TRUE(WaitFor([&] { return second->Focused(); }));
  EXPECT_FALSE(second->EditTimerRunning());
  // The first control lost the focus: its delayed start is off, and no
  // timer of it runs on.
  EXPECT_FALSE(Grid->EditTimerRunning());
  EXPECT_FALSE(Grid->TimerActive(2));
  QTest::qWait(GetDoubleClickTime() + 100);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_FALSE(second->EditorShown());
  EXPECT_FALSE(Grid->TimerActive(2));
  EXPECT_TRUE(second->Focused());
}

TEST_F(EditingFormTest, AColumnFreedWhileItsCellIsEditedEndsTheEdit) {
  FocusCell(1, 1);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  TdxInplaceEdit* editor = Grid->InplaceEditor();
  Type("q");
  Grid->Columns(1)->Free();
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Grid->EditNode(), nullptr);
  ASSERT_FALSE(editor->OnChange) << "a handler of the freed column";
  ASSERT_FALSE(editor->OnValidate);
  EXPECT_TRUE(Grid->Focused());
  // The editor goes on serving the other columns.
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  EXPECT_EQ(Grid->EditColumn(), 0);
  Type("k");
  KeyInto(*Grid, Qt::Key_Return);
  EXPECT_EQ(Cell(1, 0), "k");
}

// The edited column moved, hidden, or shifted by another column's move
// while its cell is edited: what was typed reaches the edited column only,
// and the editor is never left over another column's cell.
struct ColumnChangeCase {
  const char* Name;
  void (*Change)(TCustomdxTreeListControl& grid, TdxTreeListColumn& name, TdxTreeListColumn& phone);
};
void PrintTo(const ColumnChangeCase& c, std::ostream* os) { *os << c.Name; }

class EditedColumnChangeTest : public EditingFormTest, public ::testing::WithParamInterface<ColumnChangeCase> {};

TEST_P(EditedColumnChangeTest, TheTypedValueGoesToTheEditedColumnOnly) {
  TdxTreeListColumn& name = *Grid->Columns(0);
  TdxTreeListColumn& phone = *Grid->Columns(1);
  FocusCell(1, 1);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  Type("ab");
  GetParam().Change(*Grid, name, phone);
  if (Grid->EditorShown()) {
    ASSERT_TRUE(phone.Visible());
    const TRect cell = Grid->GetEditorRect(Row(1), Grid->GetVisibleColumnIndex(phone.Index()));
    EXPECT_EQ(Grid->InplaceEditor()->BoundsRect(), Rect(cell.Left - 2, cell.Top - 2, cell.Right + 2, cell.Bottom + 2))
        << "the editor stays over the edited cell";
    KeyInto(*Grid, Qt::Key_Return);
  }
  EXPECT_FALSE(Grid->EditorShown());
  EXPECT_EQ(Cell(1, name.Index()), "Bravo");
  EXPECT_EQ(Cell(1, phone.Index()), "ab");
  EXPECT_EQ(Edited, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, EditedColumnChangeTest,
    ::testing::Values(
        ColumnChangeCase{"EditedColumnMovedFirst",
                         [](TCustomdxTreeListControl&, TdxTreeListColumn&, TdxTreeListColumn& p) { p.SetIndex(0); }},
        ColumnChangeCase{"OtherColumnMovedAfterIt",
                         [](TCustomdxTreeListControl&, TdxTreeListColumn& n, TdxTreeListColumn&) { n.SetIndex(1); }},
        ColumnChangeCase{"EditedColumnHidden",
                         [](TCustomdxTreeListControl&, TdxTreeListColumn&, TdxTreeListColumn& p) { p.SetVisible(false); }},
        ColumnChangeCase{"OtherColumnHidden",
                         [](TCustomdxTreeListControl&, TdxTreeListColumn& n, TdxTreeListColumn&) { n.SetVisible(false); }}),
    [](const ::testing::TestParamInfo<ColumnChangeCase>& info) { return std::string(info.param.Name); });

// An input method starting a composition over the focused cell opens the
// editor, so that the composed text lands in it; the next steps of the same
// composition open nothing more.
TEST_F(EditingFormTest, AnInputMethodCompositionOpensTheEditor) {
  FocusCell(1, 0);
  ASSERT_EQ(Grid->State(), tsNone);
  QInputMethodEvent start("x", {});
  QApplication::sendEvent(ClientOf(*Grid), &start);
  EXPECT_EQ(Grid->State(), tsEditing);
  ASSERT_TRUE(Grid->EditorShown());
  EXPECT_EQ(Grid->EditColumn(), 0);
  KeyInto(*Grid, Qt::Key_Escape);
  ASSERT_EQ(Grid->State(), tsNone);
  Grid->SetFocus();
  QInputMethodEvent done;
  done.setCommitString("");
  QApplication::sendEvent(ClientOf(*Grid), &done);
  EXPECT_EQ(Grid->State(), tsNone) << "an end of a composition starts nothing";

  // A composition committed in its first step (a dead key's compose) opens
  // the editor with the composed text, as a typed character would.
  QInputMethodEvent composed;
  composed.setCommitString("q");
  QApplication::sendEvent(ClientOf(*Grid), &composed);
  ASSERT_TRUE(Grid->EditorShown());
  KeyInto(*Grid, Qt::Key_Return);
  EXPECT_EQ(Cell(1, 0), "q");

  // Committed into the editor of a read-only column, the text is refused
  // like a typed one.
  Grid->Columns(0)->SetReadOnly(true);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  QInputMethodEvent refused;
  refused.setCommitString("z");
  QApplication::sendEvent(QApplication::focusWidget(), &refused);
  KeyInto(*Grid, Qt::Key_Return);
  EXPECT_EQ(Cell(1, 0), "q");
}

// --- Hints -----------------------------------------------------------------------------------

struct HintCase {
  const char* Name;
  int Row;
  int Column;
  const char* Hint;  // nullptr: none
};
void PrintTo(const HintCase& c, std::ostream* os) { *os << c.Name; }

class CellHintTest : public EditingFormTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(CellHintTest, AHintShowsTheWholeTextOfACellCutShortOnly) {
  const HintCase& c = GetParam();
  MouseMoveTo(*Grid, CellCentre(c.Row, c.Column));
  const TPoint centre = CellCentre(c.Row, c.Column);
  MouseMoveTo(*Grid, Point(centre.X + 1, centre.Y));
  EXPECT_TRUE(Grid->TimerActive(110)) << "the pointer rests on a cell";
  EXPECT_EQ(Grid->HintWindow(), nullptr) << "not before the pause";
  Grid->Perform(WM_TIMER, 110);
  if (c.Hint == nullptr) {
    EXPECT_EQ(Grid->HintWindow(), nullptr);
    return;
  }
  TdxContainerHintWindow* hint = Grid->HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->Text(), c.Hint);
  EXPECT_TRUE(hint->Visible());
  EXPECT_TRUE(Grid->TimerActive(111)) << "it goes by itself after a while";
  EXPECT_EQ(QApplication::activeWindow(), WindowOf(*Form)) << "the hint never takes the activation";
  EXPECT_TRUE(WindowOf(*hint)->windowFlags().testFlag(Qt::WindowTransparentForInput))
      << "the pointer stays with the cell under the hint";
  EXPECT_TRUE(WindowOf(*hint)->testAttribute(Qt::WA_TransparentForMouseEvents));
  TRect cell = Grid->GetCellRect(Row(c.Row), c.Column);
  TPoint corner = Grid->ClientToScreen(Point(cell.Left, cell.Top));
  EXPECT_NEAR(hint->Left(), corner.X, 2);
  EXPECT_NEAR(hint->Top(), corner.Y, 2);
  EXPECT_GT(hint->Width(), cell.Width());
  // A press takes it away.
  MousePressAt(*Grid, CellCentre(c.Row, c.Column));
  EXPECT_EQ(Grid->HintWindow(), nullptr);
  EXPECT_FALSE(Grid->TimerActive(111));
  MouseReleaseAt(*Grid, CellCentre(c.Row, c.Column));
}

INSTANTIATE_TEST_SUITE_P(Cells, CellHintTest,
                         ::testing::Values(HintCase{"CutShort", 2, 1, "303-303-303-303"},
                                           HintCase{"FitsItsColumn", 1, 1, nullptr},
                                           HintCase{"WideColumn", 2, 0, nullptr}),
                         [](const ::testing::TestParamInfo<HintCase>& info) { return std::string(info.param.Name); });

TEST_F(EditingFormTest, TheHintGoesWithThePointerTheHideTimerAndTheNode) {
  int step = 0;
  // The pointer must move for a hint to come again.
  auto show = [&] {
    const TPoint centre = CellCentre(2, 1);
    MouseMoveTo(*Grid, Point(centre.X + (++step % 2), centre.Y));
    Grid->Perform(WM_TIMER, 110);
    return Grid->HintWindow() != nullptr;
  };
  ASSERT_TRUE(show());
  MouseMoveTo(*Grid, CellCentre(1, 1));
  EXPECT_EQ(Grid->HintWindow(), nullptr) << "another cell";
  ASSERT_TRUE(show());
  Grid->Perform(WM_TIMER, 111);
  EXPECT_EQ(Grid->HintWindow(), nullptr) << "the hide timer";
  ASSERT_TRUE(show());
  Grid->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(Grid->HintWindow(), nullptr) << "the pointer left";
  ASSERT_TRUE(show());
  Row(2)->Free();
  EXPECT_EQ(Grid->HintWindow(), nullptr) << "the node went";
  EXPECT_FALSE(Grid->TimerActive(110));
  // Nor does a hint show while a cell is edited.
  Grid->SetShowCellHints(true);
  FocusCell(1, 1);
  KeyInto(*Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorShown());
  MouseMoveTo(*Grid, CellCentre(0, 0));
  EXPECT_FALSE(Grid->TimerActive(110));
}

// A control with a bottom panel and its button, as the data-aware grid has
// for its filter.
class TPanelGrid : public TCustomdxTreeListControl {
 public:
  using TCustomdxTreeListControl::TCustomdxTreeListControl;
  std::string ButtonHint = "Filter: Name = Alpha";
  std::string GetBottomPanelButtonHint() const override { return ButtonHint; }

 protected:
  bool IsBottomPanelShown() const override { return true; }
  bool IsBottomPanelButtonShown() const override { return true; }
};

TEST_F(EditingFormTest, TheBottomPanelButtonShowsItsHintAboveAndBesideIt) {
  auto* grid = new TPanelGrid(Form.get());
  grid->SetParent(Form.get());
  grid->SetBounds(10, 215, 300, 80);
  grid->LayoutChanged();
  const TRect button = grid->GetBottomPanelButtonRect();
  ASSERT_FALSE(button.IsEmpty());
  MouseMoveTo(*grid, Centre(button));
  ASSERT_TRUE(grid->TimerActive(110));
  grid->Perform(WM_TIMER, 110);
  TdxContainerHintWindow* hint = grid->HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->Text(), "Filter: Name = Alpha");
  const TPoint at = grid->ClientToScreen(Point(button.Right + 4, button.Top - (grid->Metrics().RowTextHeight + 7)));
  EXPECT_EQ(hint->Left(), at.X);
  EXPECT_EQ(hint->Top(), at.Y);
  MouseMoveTo(*grid, Point(button.Right + 40, button.Top));
  EXPECT_EQ(grid->HintWindow(), nullptr) << "the pointer left the button";
  // Without a text there is nothing to show.
  grid->ButtonHint.clear();
  MouseMoveTo(*grid, Centre(button));
  grid->Perform(WM_TIMER, 110);
  EXPECT_EQ(grid->HintWindow(), nullptr);
}

}  // namespace
