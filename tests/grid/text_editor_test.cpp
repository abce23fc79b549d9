// The text editor: character case, length limit, caret keys, undo after
// loading, password drawing.

#include "grid/text_editor.h"

#include <gtest/gtest.h>

#include "grid/edit_styles.h"

#include <QTest>
#include <memory>

#include "framework/gui/bitmap.h"
#include "framework/gui/forms.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/grid/editor_test_host.h"

namespace {

class TextEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Host = new TTestHost(Form.get());
    Host->SetParent(Form.get());
    ASSERT_TRUE(ShowActive(*Form));
  }
  TdxInplaceTextEdit& Start(const std::string& value) {
    auto& editor = Host->StartEdit<TdxInplaceTextEdit>(Variant(value));
    EXPECT_TRUE(WaitFor([&] { return editor.Focused(); }));
    return editor;
  }

  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TTestHost* Host = nullptr;
};

TEST_F(TextEditorTest, UpperCaseConvertsTypedCharactersAndLoadedValues) {
  auto& editor = Start("");
  editor.SetCharCase(ecUpperCase);
  QTest::keyClicks(ClientOf(editor), "ab");
  EXPECT_EQ(editor.Text(), "AB");
  editor.SetEditValue(Variant("abc"));
  editor.SetModified(false);
  editor.SetTextSelection(1, 2);
  editor.SetCharCase(ecLowerCase);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(editor.SelStart(), 1);
  EXPECT_EQ(editor.SelLength(), 1);
  EXPECT_FALSE(editor.GetModified()) << "converting the case is no change of the user's";
}

TEST_F(TextEditorTest, LoadingAValueIsNotAChangeAndLeavesNothingToUndo) {
  auto& editor = Start("abc");
  int changes = 0;
  editor.OnChange = [&](TObject*) { ++changes; };
  editor.SetEditValue(Variant("def"));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(editor.CanUndoText());
  QTest::keyClicks(ClientOf(editor), "x");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(editor.CanUndoText());
}

TEST_F(TextEditorTest, MaxLengthLimitsTypingButNeverCutsALoadedValue) {
  auto& editor = Start("");
  editor.SetMaxLength(-5);
  EXPECT_EQ(editor.MaxLength(), 0);
  editor.SetMaxLength(3);
  QTest::keyClicks(ClientOf(editor), "abcdef");
  EXPECT_EQ(editor.Text(), "abc");
  editor.SetEditValue(Variant("longer value"));
  EXPECT_EQ(editor.Text(), "longer value");
}

TEST_F(TextEditorTest, F2PutsTheCaretAtTheEndWithoutSelection) {
  auto& editor = Start("abcd");
  EXPECT_EQ(editor.SelLength(), 4);
  QTest::keyClick(ClientOf(editor), Qt::Key_F2);
  EXPECT_EQ(editor.SelStart(), 4);
  EXPECT_EQ(editor.SelLength(), 0);
}

TEST_F(TextEditorTest, ModifiedSurvivesWhatThePlatformWouldDoByMakingTheWindowAgain) {
  auto& editor = Start("abc");
  QTest::keyClicks(ClientOf(editor), "x");
  editor.SetAlignment(taRightJustify);
  editor.SetOffsetRect(Rect(2, 0, 0, 0));
  EXPECT_TRUE(editor.GetModified());
  EXPECT_EQ(editor.Text(), "x");
}

TEST_F(TextEditorTest, ReadOnlyStopsTyping) {
  auto& editor = Start("abc");
  editor.SetReadOnly(true);
  editor.SetTextSelection(3, 3);
  QTest::keyClicks(ClientOf(editor), "x");
  QTest::keyClick(ClientOf(editor), Qt::Key_Backspace);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_FALSE(editor.GetModified());
}

TEST(TextEditorPaintTest, PaintedCellsShowOnePasswordCharacterPerCharacter) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  auto* host = new TCustomdxContainer(&form);
  auto* editor = new TdxInplaceTextEdit(host);
  editor->SetEditValue(Variant("secret"));
  std::unique_ptr<TdxEditViewData> vd = editor->CreateViewData(true);
  TBitmap plain(80, 20), masked(80, 20), stars(80, 20);
  editor->DrawContent(plain.Canvas(), Rect(0, 0, 80, 20), *vd);
  editor->SetPasswordChar('*');
  vd = editor->CreateViewData(true);
  editor->DrawContent(masked.Canvas(), Rect(0, 0, 80, 20), *vd);
  editor->SetPasswordChar(0);
  editor->SetEditValue(Variant("******"));
  vd = editor->CreateViewData(true);
  editor->DrawContent(stars.Canvas(), Rect(0, 0, 80, 20), *vd);
  auto same = [](TBitmap& a, TBitmap& b) {
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 80; ++x)
        if (a.Canvas().Pixels(x, y) != b.Canvas().Pixels(x, y)) return false;
    return true;
  };
  EXPECT_TRUE(same(masked, stars));
  EXPECT_FALSE(same(masked, plain));
}

}  // namespace
