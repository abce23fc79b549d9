// Editing the cells of a real tree list's columns offscreen, as the tree
// list drives its editors; the editors take the tree list's look.

#include "grid/tree_list/tree_list_column.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <ostream>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/gui/standard/forms.h"
#include "grid/editors/edit_styles.h"
#include "grid/editors/mask_editor.h"
#include "grid/tree_list/tree_list_edit_style.h"
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
  // Owned by the tree list as the host.
  TdxInplaceEdit& EditorFor(TdxTreeListColumn& column) { return *column.CreateEditor(Grid).release(); }
  TdxTreeListMaskColumn& AddMask(const char* mask) {
    auto& column = Add<TdxTreeListMaskColumn>();
    column.SetEditMask(mask);
    return column;
  }

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
  // A refusal raises and keeps the editor open.
  void Close(TdxTreeListColumn& column, TdxInplaceEdit& editor, TdxTreeListNode* node) {
    editor.ValidateEdit();
    if (editor.GetModified()) {
      Variant value;
      column.SetCellValueFromEditor(node, editor, value);
      Stored = VarToStr(value);
    }
    editor.Hide();
  }
  // Presses keys, then types text.
  static void Type(TdxInplaceEdit& editor, std::initializer_list<Qt::Key> keys, const char* text) {
    for (Qt::Key key : keys) QTest::keyClick(ClientOf(editor), key);
    QTest::keyClicks(ClientOf(editor), text);
  }

  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TColumnGrid* Grid = nullptr;
  std::vector<std::unique_ptr<TdxTreeListColumn>> Columns;
  std::string Stored;
};

TEST_F(ColumnEditingTest, MaskColumnShowsTheCellThroughItsMaskAndSavesByIt) {
  auto& column = AddMask("999 999;1;_");
  TdxTreeListNode* node = Grid->AddRow({"12  345"});
  auto* editor = dynamic_cast<TdxInplaceMaskEdit*>(&EditorFor(column));
  ASSERT_NE(editor, nullptr) << "a mask column edits through the mask editor";

  const Variant value = Start(column, *editor, node);
  EXPECT_EQ(editor->EditText(), "12_ 345");
  EXPECT_EQ(VarToStr(value), "12  345");
  Type(*editor, {Qt::Key_Home}, "9");
  EXPECT_EQ(editor->EditText(), "92_ 345");
  Close(column, *editor, node);
  EXPECT_EQ(Grid->GetCellText(node, 0), "92  345");
  EXPECT_EQ(Stored, "92  345");

  Start(column, *editor, node);
  EXPECT_EQ(editor->EditText(), "92_ 345");
  Type(*editor, {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right}, "1");
  Close(column, *editor, node);
  EXPECT_EQ(Grid->GetCellText(node, 0), "921 345") << "edited and saved again, the value keeps every character";
}

TEST_F(ColumnEditingTest, MaskColumnGivesItsEditorIgnoreMaskBlank) {
  auto& column = AddMask("000;1;_");
  column.SetIgnoreMaskBlank(true);
  TdxTreeListNode* node = Grid->AddRow({""});
  auto& editor = static_cast<TdxInplaceMaskEdit&>(EditorFor(column));
  Start(column, editor, node);
  EXPECT_TRUE(editor.IgnoreMaskBlank());
  EXPECT_EQ(editor.EditText(), "___");
  Type(editor, {}, "1");
  EXPECT_NO_THROW(Close(column, editor, node));
  EXPECT_EQ(Grid->GetCellText(node, 0), "1__") << "blanks taken as typed";

  column.SetIgnoreMaskBlank(false);
  Start(column, editor, node);
  EXPECT_FALSE(editor.IgnoreMaskBlank());
  Type(editor, {Qt::Key_Home}, "2");
  EXPECT_THROW(Close(column, editor, node), EDBEditError) << "the empty required positions refuse";
  EXPECT_EQ(Grid->GetCellText(node, 0), "1__");
}

TEST_F(ColumnEditingTest, SettingUpTheEditorForgetsTheUndoHistoryOfTheCellBefore) {
  auto& column = AddMask("999 999;1;_");
  TdxTreeListNode* first = Grid->AddRow({"12  345"});
  TdxTreeListNode* second = Grid->AddRow({"92  345"});
  auto& editor = static_cast<TdxInplaceMaskEdit&>(EditorFor(column));
  Start(column, editor, first);
  Type(editor, {Qt::Key_Home}, "9");
  Close(column, editor, first);
  Start(column, editor, second);  // the same edit text: loading it changes no text
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
  Type(editor, {}, "de");
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
  TdxEditStyle& style = editor.Style();
  EXPECT_EQ(style.BorderStyle(), c.BorderStyle);
  EXPECT_EQ(style.ButtonStyle(), c.ButtonStyle);
  EXPECT_EQ(style.BorderColor(), clWindowFrame);
  EXPECT_EQ(style.ButtonTransparence(), ebtNone);
  EXPECT_EQ(style.Edges(), dxAllEdges);
  EXPECT_FALSE(style.HotTrack());
  EXPECT_FALSE(style.Shadow());
  style.SetBorderStyle(xbsFlat);
  EXPECT_EQ(style.BorderStyle(), xbsFlat) << "the style's own value comes first";
  editor.SetStyleController(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Looks, EditorLookTest,
                         ::testing::Values(TLookCase{false, lfStandard, xbsSingle, bts3D},
                                           TLookCase{true, lfStandard, xbsNone, bts3D},
                                           TLookCase{false, lfFlat, xbsSingle, btsFlat},
                                           TLookCase{true, lfUltraFlat, xbsNone, btsHotFlat}));

}  // namespace
