// Dragging nodes with the real mouse: onto another node of the same tree
// list and onto another control, the picture and the cursor of the drag,
// the focus following the pointer, and a node that opens under a drag
// resting on its expand button or at the keypad's plus and minus.

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "framework/gui/controls/custom_control.h"
#include "tests/grid/mouse_grid.h"

namespace {

class NodeDragTest : public MouseGridTest {
 protected:
  void SetUp() override {
    MouseGridTest::SetUp();
    Grid->SetDragMode(dmAutomatic);
    A = Grid->AddRow({"a", "1"});
    P = Grid->AddRow({"p", "2"});
    Grid->AddRow({"p1", "3"}, P);
    Grid->AddRow({"p2", "4"}, P);
    B = Grid->AddRow({"b", "5"});
  }

  // A point in column B of the node's row (clear of the tree's indent).
  TPoint RowPoint(const TdxTreeListNode* node) const {
    const TdxTreeListLayoutInfo layout = Grid->Layout();
    const TdxTreeListRowItem* row = layout.FindRow(node);
    if (row == nullptr) throw std::runtime_error("row not displayed");
    return Point(CellCentre(1).X, row->Top + row->Height / 2);
  }
  TPoint ButtonPoint(const TdxTreeListNode* node) const {
    const TdxTreeListLayoutInfo layout = Grid->Layout();
    const TdxTreeListRowItem* row = layout.FindRow(node);
    return Point(layout.TreeColumnLeft + node->Level() * TreeButtonSize + TreeButtonSize / 2,
                 row->Top + row->Height / 2);
  }
  // Presses on the node's row and takes it past the drag threshold.
  void StartDrag(const TdxTreeListNode* node, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const TPoint from = RowPoint(node);
    MousePressAt(*Grid, from, Qt::LeftButton, modifiers);
    MouseMoveTo(*Grid, Point(from.X + 8, from.Y + 2));
  }

  TdxTreeListNode* A = nullptr;
  TdxTreeListNode* P = nullptr;
  TdxTreeListNode* B = nullptr;
};

TEST_F(NodeDragTest, ANodeDroppedOnAnotherNodeGoesWhereTheDropHandlerPutsIt) {
  std::vector<std::string> events;
  Grid->OnBeginDragNode = [&](TObject*, TdxTreeListNode* node) {
    events.push_back("begin " + Grid->GetCellText(node, 0));
  };
  Grid->OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == Grid;
  };
  Grid->OnDragDrop = [&](TObject*, TObject* source, int x, int y) {
    TdxTreeListNode* target = Grid->GetNodeAt(x, y);
    events.push_back("drop on " + Grid->GetCellText(target, 0));
    Grid->DragNode()->MoveTo(target, nmLastChild);
  };
  Grid->OnEndDrag = [&](TObject*, TObject* target, int, int) {
    events.push_back(target == Grid ? "end here" : "end elsewhere");
  };

  StartDrag(A);
  ASSERT_EQ(Grid->State(), tsNodeDragging);
  EXPECT_EQ(Grid->DragNode(), A);
  MouseMoveTo(*Grid, RowPoint(B));
  EXPECT_EQ(Grid->DragOverNode(), B);
  EXPECT_EQ(Grid->FocusedNode(), B) << "with drag scroll the focus follows the pointer";
  EXPECT_EQ(ScreenCursor(), crDrag);
  TDragImageList* images = Grid->GetDragImages();
  ASSERT_NE(images, nullptr);
  EXPECT_TRUE(images->Dragging());
  EXPECT_EQ(images->Width(), Grid->GetCellRect(A, Grid->FocusedColumnIndex()).Width() + 26)
      << "the focused column's cell, framed";
  EXPECT_TRUE(images->DragImageRect().Contains(Grid->ClientToScreen(RowPoint(B))));
  MouseReleaseAt(*Grid, RowPoint(B));

  EXPECT_EQ(events, (std::vector<std::string>{"begin a", "drop on b", "end here"}));
  EXPECT_EQ(Grid->Order(), "p b");
  EXPECT_EQ(Grid->Order(B), "a");
  EXPECT_EQ(Grid->State(), tsNone);
  EXPECT_EQ(Grid->DragNode(), nullptr);
  EXPECT_EQ(Grid->DragOverNode(), nullptr);
  EXPECT_EQ(Grid->GetDragImages(), nullptr) << "the picture goes with the drag";
  EXPECT_EQ(ScreenCursor(), crDefault);
  Grid->CheckInvariants();
}

TEST_F(NodeDragTest, ANodeDroppedOnAnotherControlIsHandedToIt) {
  Grid->SetBounds(0, 0, 300, 260);
  auto* other = new TCustomControl(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(320, 10, 150, 150);
  TObject* dropped = nullptr;
  TdxTreeListNode* carried = nullptr;
  other->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = true; };
  other->OnDragDrop = [&](TObject*, TObject* source, int, int) {
    dropped = source;
    carried = Grid->DragNode();
  };
  std::vector<TObject*> ends;
  Grid->OnEndDrag = [&](TObject*, TObject* target, int, int) { ends.push_back(target); };

  StartDrag(P);
  MouseMoveTo(*other, Point(40, 40));
  EXPECT_EQ(ScreenCursor(), crDrag);
  EXPECT_EQ(Grid->DragOverNode(), nullptr) << "the pointer left the tree list";
  MouseReleaseAt(*other, Point(40, 40));
  EXPECT_EQ(dropped, Grid) << "the tree list is the source";
  EXPECT_EQ(carried, P);
  EXPECT_EQ(ends, std::vector<TObject*>{other});

  // Dropped where nothing takes it, the drag ends without a target.
  StartDrag(B);
  MouseMoveTo(*Grid, Point(100, Grid->Layout().HeaderPanel.Top + 2));
  EXPECT_EQ(ScreenCursor(), crNoDrop) << "the tree list itself does not accept without OnDragOver";
  MouseReleaseAt(*Grid, Point(100, Grid->Layout().HeaderPanel.Top + 2));
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[1], nullptr);
  EXPECT_EQ(Grid->Order(), "a p b");
}

TEST_F(NodeDragTest, TheNodeDragTextComesFromTheCellThenTheHandler) {
  std::string asked;
  Grid->OnGetNodeDragText = [&](TObject*, TdxTreeListNode* node, std::string& text) {
    asked = text;
    text = "moving " + text;
  };
  StartDrag(B);
  EXPECT_EQ(asked, "b") << "the cell of the focused column (the first, in row select)";
  KeyInto(*Grid, Qt::Key_Escape);
  EXPECT_EQ(Grid->State(), tsNone);

  Grid->SetOptions(Grid->Options() & ~(1u << tloRowSelect));
  StartDrag(B);
  EXPECT_EQ(asked, "5") << "the pressed cell's column is the focused one";
  KeyInto(*Grid, Qt::Key_Escape);
}

struct CursorCase {
  const char* Name;
  int Selected;
  bool Copying;
  bool Ctrl;
  TCursor Expected;
};
void PrintTo(const CursorCase& c, std::ostream* os) { *os << c.Name; }

class NodeDragCursorTest : public NodeDragTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(NodeDragCursorTest, TheCursorTellsOneNodeFromSeveralAndAMoveFromACopy) {
  const CursorCase& c = GetParam();
  Grid->Selected = c.Selected;
  Grid->Copying = c.Copying;
  Grid->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = true; };
  StartDrag(A);
  MouseMoveTo(*Grid, RowPoint(B));
  if (c.Ctrl) QTest::keyPress(QtWindowOf(*Grid), Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(ScreenCursor(), c.Expected);
  if (c.Ctrl) QTest::keyRelease(QtWindowOf(*Grid), Qt::Key_Control, Qt::NoModifier);
  KeyInto(*Grid, Qt::Key_Escape);
}

INSTANTIATE_TEST_SUITE_P(Kinds, NodeDragCursorTest,
                         ::testing::Values(CursorCase{"OneNode", 1, false, false, crDrag},
                                           CursorCase{"SeveralNodes", 3, false, false, crMultiDrag},
                                           CursorCase{"CopyOne", 1, true, true, crDxTLDragCopy},
                                           CursorCase{"CopySeveral", 2, true, true, crDxTLMultiDragCopy},
                                           CursorCase{"CtrlWithoutCopying", 1, false, true, crDrag}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(NodeDragTest, ADragRestingOnAnExpandButtonOpensTheNode) {
  Grid->SetWaitForExpandNodeTime(60000);
  StartDrag(A);
  MouseMoveTo(*Grid, ButtonPoint(P));
  EXPECT_TRUE(Grid->TimerActive(101));
  MouseMoveTo(*Grid, RowPoint(B));
  EXPECT_FALSE(Grid->TimerActive(101)) << "leaving the button stops the wait";
  MouseMoveTo(*Grid, ButtonPoint(P));
  Grid->Perform(WM_TIMER, 101);
  EXPECT_TRUE(P->Expanded());
  EXPECT_FALSE(Grid->TimerActive(101));
  KeyInto(*Grid, Qt::Key_Escape);
}

TEST_F(NodeDragTest, WithDragCollapseARestingDragTogglesTheNodeAgainAndAgain) {
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloDragCollapse));
  Grid->SetWaitForExpandNodeTime(60000);
  StartDrag(A);
  MouseMoveTo(*Grid, ButtonPoint(P));
  for (bool expanded : {true, false, true}) {
    ASSERT_TRUE(Grid->TimerActive(101));
    Grid->Perform(WM_TIMER, 101);
    EXPECT_EQ(P->Expanded(), expanded);
  }
  EXPECT_TRUE(Grid->TimerActive(101));
  KeyInto(*Grid, Qt::Key_Escape);
  EXPECT_FALSE(Grid->TimerActive(101)) << "the wait ends with the drag";
}

TEST_F(NodeDragTest, KeypadPlusAndMinusOpenAndCloseTheNodeUnderTheDrag) {
  StartDrag(A);
  MouseMoveTo(*Grid, RowPoint(P));
  KeyInto(*Grid, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_TRUE(P->Expanded());
  KeyInto(*Grid, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_FALSE(P->Expanded());
  EXPECT_EQ(Grid->State(), tsNodeDragging) << "the keys leave the drag running";
  KeyInto(*Grid, Qt::Key_Escape);
  EXPECT_EQ(Grid->State(), tsNone);
}

}  // namespace
