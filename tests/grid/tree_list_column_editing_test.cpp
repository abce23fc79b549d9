// Editing the cells of a real tree list's columns offscreen: the column
// makes its editor, sets it up, loads the cell into it and stores the
// editor's text back, as the tree list drives it; the editors take the tree
// list's look.

#include "grid/tree_list_column.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <ostream>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/gui/forms.h"
#include "grid/edit_styles.h"
#include "grid/mask_editor.h"
#include "grid/tree_list_edit_style.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/grid/test_column_grid.h"

namespace {

class ColumnEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Grid = new TColumnGrid(Form.get());
    Grid->SetParent(Form.get());
    Grid->SetBounds(10, 10, 300, 200);
    ASSERT_TRUE(ShowActive(*Form));
  }

  template <class C>
  C& Add() {
    Columns.push_back(std::make_unique<C>(nullptr));
    Columns.back()->SetTreeList(Grid);
    return static_cast<C&>(*Columns.back());
  }
  // The editor of the column's kind, owned by the tree list as the host.
  TdxInplaceEdit& EditorFor(TdxTreeListColumn& column) { return *column.CreateEditor(Grid).release(); }

  // What the tree list does to start editing a cell: set the editor up in
  // the initialising bracket, load the value, show it over the cell.
  Variant Start(TdxTreeListColumn& column, TdxInplaceEdit& editor, TdxTreeListNode* node) {
    Grid->SetFocusedColumnIndex(Grid->GetVisibleColumnIndex(column.Index()));
    Variant value;
    {
      TdxEditorInitScope init(*Grid);
      editor.SetParent(Grid);
      column.InitEditor(editor);
      column.InitEditorValue(node, editor, value);
      editor.SetModified(false);
      editor.SetActive(true);
    }
    editor.ShowAt(Rect(20, 20, 120, 38));
    EXPECT_TRUE(WaitFor([&] { return editor.Focused(); }));
    return value;
  }
  // ... and to end it: validate (a refusal raises and keeps it open), store
  // the value when modified, hide.
  void Close(TdxTreeListColumn& column, TdxInplaceEdit& editor, TdxTreeListNode* node) {
    editor.ValidateEdit();
    if (editor.GetModified()) {
      Variant value;
      column.SetCellValueFromEditor(node, editor, value);
      Stored = VarToStr(value);
    }
    editor.Hide();
  }
  static void Key(TdxInplaceEdit& editor, Qt::Key key) { QTest::keyClick(ClientOf(editor), key); }
  static void Type(TdxInplaceEdit& editor, const char* text) { QTest::keyClicks(ClientOf(editor), text); }

  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TColumnGrid* Grid = nullptr;
  std::vector<std::unique_ptr<TdxTreeListColumn>> Columns;
  std::string Stored;
};

TEST_F(ColumnEditingTest, MaskColumnShowsTheCellThroughItsMaskAndSavesByIt) {
  auto& column = Add<TdxTreeListMaskColumn>();
  column.SetEditMask("999 999;1;_");
  TdxTreeListNode* node = Grid->AddRow({"12  345"});
  auto* editor = dynamic_cast<TdxInplaceMaskEdit*>(&EditorFor(column));
  ASSERT_NE(editor, nullptr) << "a mask column edits through the mask editor";

  const Variant value = Start(column, *editor, node);
  EXPECT_EQ(editor->EditText(), "12_ 345");
  EXPECT_EQ(VarToStr(value), "12  345");
  Key(*editor, Qt::Key_Home);
  Type(*editor, "9");
  EXPECT_EQ(editor->EditText(), "92_ 345");
  Close(column, *editor, node);
  EXPECT_EQ(Grid->GetCellText(node, 0), "92  345");
  EXPECT_EQ(Stored, "92  345");

  // Edited and saved again, the value keeps every character.
  Start(column, *editor, node);
  EXPECT_EQ(editor->EditText(), "92_ 345");
  Key(*editor, Qt::Key_Home);
  Key(*editor, Qt::Key_Right);
  Key(*editor, Qt::Key_Right);
  Type(*editor, "1");
  Close(column, *editor, node);
  EXPECT_EQ(Grid->GetCellText(node, 0), "921 345");
}

TEST_F(ColumnEditingTest, MaskColumnGivesItsEditorIgnoreMaskBlank) {
  auto& column = Add<TdxTreeListMaskColumn>();
  column.SetEditMask("000;1;_");
  column.SetIgnoreMaskBlank(true);
  TdxTreeListNode* node = Grid->AddRow({""});
  auto& editor = static_cast<TdxInplaceMaskEdit&>(EditorFor(column));
  Start(column, editor, node);
  EXPECT_TRUE(editor.IgnoreMaskBlank());
  EXPECT_EQ(editor.EditText(), "___");
  Type(editor, "1");
  EXPECT_NO_THROW(Close(column, editor, node));
  EXPECT_EQ(Grid->GetCellText(node, 0), "1__") << "blanks taken as typed";

  column.SetIgnoreMaskBlank(false);
  Start(column, editor, node);
  EXPECT_FALSE(editor.IgnoreMaskBlank());
  Key(editor, Qt::Key_Home);
  Type(editor, "2");
  EXPECT_THROW(Close(column, editor, node), EDBEditError) << "the empty required positions refuse";
  EXPECT_EQ(Grid->GetCellText(node, 0), "1__");
}

TEST_F(ColumnEditingTest, SettingUpTheEditorForgetsTheUndoHistoryOfTheCellBefore) {
  auto& column = Add<TdxTreeListMaskColumn>();
  column.SetEditMask("999 999;1;_");
  TdxTreeListNode* first = Grid->AddRow({"12  345"});
  TdxTreeListNode* second = Grid->AddRow({"92  345"});
  auto& editor = static_cast<TdxInplaceMaskEdit&>(EditorFor(column));
  Start(column, editor, first);
  Key(editor, Qt::Key_Home);
  Type(editor, "9");
  Close(column, editor, first);
  // The second cell shows the same edit text, so loading it changes no text.
  Start(column, editor, second);
  EXPECT_EQ(editor.EditText(), "92_ 345");
  EXPECT_FALSE(editor.CanUndoText()) << "undo would bring back the first cell's text";
}

TEST_F(ColumnEditingTest, TextColumnLoadsAndStoresTheCellTextInItsCase) {
  auto& column = Add<TdxTreeListColumn>();
  column.SetCharCase(ecUpperCase);
  TdxTreeListNode* node = Grid->AddRow({"abc"});
  TdxInplaceEdit& editor = EditorFor(column);
  EXPECT_EQ(dynamic_cast<TdxInplaceMaskEdit*>(&editor), nullptr);
  const Variant value = Start(column, editor, node);
  EXPECT_EQ(VarToStr(value), "ABC") << "the value after the editor's own conversion";
  Type(editor, "de");
  Close(column, editor, node);
  EXPECT_EQ(Grid->GetCellText(node, 0), "DE");
  EXPECT_EQ(Stored, "DE");
}

struct TLookCase {
  bool ShowGrid;
  TdxLookAndFeel LookAndFeel;
  TdxEditBorderStyle BorderStyle;
  TdxEditButtonViewStyle ButtonStyle;
};
void PrintTo(const TLookCase& c, std::ostream* os) {
  *os << (c.ShowGrid ? "grid lines, look " : "no grid lines, look ") << c.LookAndFeel;
}

class EditorLookTest : public ColumnEditingTest, public ::testing::WithParamInterface<TLookCase> {};

TEST_P(EditorLookTest, EditorsFollowTheTreeListsLookNotAController) {
  const TLookCase& c = GetParam();
  auto& column = Add<TdxTreeListColumn>();
  Grid->SetShowGrid(c.ShowGrid);
  Grid->SetLookAndFeel(c.LookAndFeel);
  TdxInplaceEdit& editor = EditorFor(column);
  ASSERT_NE(dynamic_cast<TdxTreeListEditStyle*>(&editor.Style()), nullptr);
  TdxEditStyleController controller(nullptr);
  controller.SetBorderStyle(xbsThick);
  controller.SetButtonStyle(btsSimple);
  controller.SetHotTrack(true);
  editor.SetStyleController(&controller);
  EXPECT_EQ(editor.Style().BorderStyle(), c.BorderStyle);
  EXPECT_EQ(editor.Style().ButtonStyle(), c.ButtonStyle);
  EXPECT_EQ(editor.Style().BorderColor(), clWindowFrame);
  EXPECT_EQ(editor.Style().ButtonTransparence(), ebtNone);
  EXPECT_EQ(editor.Style().Edges(), dxAllEdges);
  EXPECT_FALSE(editor.Style().HotTrack());
  EXPECT_FALSE(editor.Style().Shadow());
  editor.Style().SetBorderStyle(xbsFlat);
  EXPECT_EQ(editor.Style().BorderStyle(), xbsFlat) << "the style's own value comes first";
  editor.SetStyleController(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Looks, EditorLookTest,
                         ::testing::Values(TLookCase{false, lfStandard, xbsSingle, bts3D},
                                           TLookCase{true, lfStandard, xbsNone, bts3D},
                                           TLookCase{false, lfFlat, xbsSingle, btsFlat},
                                           TLookCase{true, lfUltraFlat, xbsNone, btsHotFlat}));

}  // namespace
