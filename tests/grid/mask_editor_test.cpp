// The mask editor typing over a mask in a real window: overwrite typing,
// case conversion, caret moves over literals, deleting, validation, the
// clipboard messages, and Escape kept from a dialog while modified.

#include "grid/mask_editor.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "framework/core/text/format_settings.h"
#include "framework/gui/clipboard.h"
#include "framework/gui/forms.h"
#include "framework/gui/screen.h"
#include "framework/gui/std_controls.h"
#include "grid/edit_styles.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/grid/editor_test_host.h"

namespace {

const char* const kDateMask = "!99/99/00;1;_";

class MaskEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedSeparator = FormatSettings().DateSeparator;
    FormatSettings().DateSeparator = '.';
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Host = new TTestHost(Form.get());
    Host->SetParent(Form.get());
    ASSERT_TRUE(ShowActive(*Form));
  }
  void TearDown() override { FormatSettings().DateSeparator = SavedSeparator; }
  TdxInplaceMaskEdit& Start(const std::string& mask, const std::string& value = "") {
    auto& editor = Host->StartEdit<TdxInplaceMaskEdit>(Variant(value));
    editor.SetEditMask(mask);
    editor.SetText(value);
    EXPECT_TRUE(WaitFor([&] { return editor.Focused(); }));
    editor.SelectAll();
    return editor;
  }
  void Type(TdxInplaceMaskEdit& editor, const char* text) { QTest::keyClicks(ClientOf(editor), text); }

  char SavedSeparator = '/';
  TdxDefaultEditStyleControllerScope Styles;
  std::unique_ptr<TForm> Form;
  TTestHost* Host = nullptr;
};

TEST_F(MaskEditorTest, TypingADateFillsTheDigitsAroundTheSeparators) {
  auto& editor = Start(kDateMask);
  EXPECT_EQ(editor.EditText(), "__.__.__");
  Type(editor, "311299");
  EXPECT_EQ(editor.EditText(), "31.12.99");
  EXPECT_EQ(editor.GetText(), "31.12.99");
  EXPECT_TRUE(editor.GetModified());
  editor.SetEditMask("!99/99/00;0;_");
  EXPECT_EQ(editor.GetText(), "311299");
  EXPECT_EQ(editor.EditText(), "31.12.99");
}

TEST_F(MaskEditorTest, RefusedCharactersBeepAndAreNotInserted) {
  auto& editor = Start(kDateMask);
  const int beeps = MessageBeepCount();
  Type(editor, "a3");
  EXPECT_EQ(editor.EditText(), "3_.__.__");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
}

TEST_F(MaskEditorTest, TypedSeparatorJumpsPastTheNextLiteral) {
  auto& editor = Start(kDateMask);
  Type(editor, "1.5");
  EXPECT_EQ(editor.EditText(), "1_.5_.__");
  EXPECT_EQ(editor.SelStart(), 4);
}

TEST_F(MaskEditorTest, UpperCaseMarkerConvertsTypedLetters) {
  auto& editor = Start(">LL<>ll");
  Type(editor, "abCD");
  EXPECT_EQ(editor.EditText(), "ABCD");
}

TEST_F(MaskEditorTest, CtrlASelectsEverythingAndTypesNothing) {
  auto& editor = Start(kDateMask, "31.12.99");
  QTest::keyClick(ClientOf(editor), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(editor.EditText(), "31.12.99");
  EXPECT_EQ(editor.SelStart(), 0);
  EXPECT_EQ(editor.SelLength(), 8);
}

TEST_F(MaskEditorTest, BackspaceBlanksThePreviousInputAndNothingAtTheStart) {
  auto& editor = Start("(999) 000;0;_", "123456");
  editor.SetTextSelection(6, 7);
  QTest::keyClick(ClientOf(editor), Qt::Key_Backspace);
  EXPECT_EQ(editor.EditText(), "(12_) 456");
  EXPECT_EQ(editor.SelStart(), 3);
  editor.SetTextSelection(1, 2);
  QTest::keyClick(ClientOf(editor), Qt::Key_Backspace);
  EXPECT_EQ(editor.EditText(), "(12_) 456");
  QTest::keyClick(ClientOf(editor), Qt::Key_Delete);
  EXPECT_EQ(editor.EditText(), "(_2_) 456");
}

TEST_F(MaskEditorTest, CaretSkipsLiterals) {
  auto& editor = Start("(999) 000");
  editor.SetTextSelection(3, 4);
  QTest::keyClick(ClientOf(editor), Qt::Key_Right);
  EXPECT_EQ(editor.SelStart(), 6);
  QTest::keyClick(ClientOf(editor), Qt::Key_Left);
  EXPECT_EQ(editor.SelStart(), 3);
  QTest::keyClick(ClientOf(editor), Qt::Key_Home);
  EXPECT_EQ(editor.SelStart(), 1);
}

TEST_F(MaskEditorTest, EmptyRequiredPositionRefusesValidationWithTheCaretOnTheGap) {
  auto& editor = Start(kDateMask);
  Type(editor, "3112");
  const int beeps = MessageBeepCount();
  try {
    editor.ValidateEdit();
    FAIL() << "an incomplete value was accepted";
  } catch (const EDBEditError& e) {
    EXPECT_EQ(e.Message(), "Invalid input value.  Use escape key to abandon changes");
  }
  EXPECT_EQ(editor.SelStart(), 6);
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  Type(editor, "99");
  EXPECT_NO_THROW(editor.ValidateEdit());
}

TEST_F(MaskEditorTest, IgnoreMaskBlankLetsBlanksPassAsTyped) {
  auto& editor = Start("000;1;_");
  Type(editor, "1");
  editor.SetIgnoreMaskBlank(true);
  EXPECT_NO_THROW(editor.ValidateEdit());
  EXPECT_EQ(editor.GetEditText(), "1__");
}

TEST_F(MaskEditorTest, ClosingHostGetsTheShownValueBackInsteadOfAnError) {
  auto& editor = Start(kDateMask, "01.01.00");
  Type(editor, "3");
  editor.SetTextSelection(6, 7);
  QTest::keyClick(ClientOf(editor), Qt::Key_Delete);
  editor.SetClosing(true);
  EXPECT_NO_THROW(editor.ValidateEdit());
  EXPECT_EQ(editor.EditText(), "01.01.00");
}

TEST_F(MaskEditorTest, PasteGoesThroughTheMaskAndValidatesAtOnce) {
  auto& editor = Start(kDateMask);
  Clipboard().SetAsText("31x.12.99");
  QTest::keyClick(ClientOf(editor), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(editor.EditText(), "31.12.99");
  editor.SelectAll();
  Clipboard().SetAsText("0101");
  const int beeps = MessageBeepCount();
  QTest::keyClick(ClientOf(editor), Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(editor.EditText(), "01.01.__");
  EXPECT_EQ(MessageBeepCount(), beeps + 1) << "the incomplete value is refused at once";
  EXPECT_EQ(editor.SelStart(), 6) << "the caret goes to the gap";
  EXPECT_THROW(editor.ValidateEdit(), EDBEditError);
}

TEST_F(MaskEditorTest, CutBlanksTheSelectionAndKeepsTheLiterals) {
  auto& editor = Start(kDateMask, "31.12.99");
  editor.SetTextSelection(1, 5);
  QTest::keyClick(ClientOf(editor), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Clipboard().AsText(), "1.12");
  EXPECT_EQ(editor.EditText(), "3_.__.99");
}

TEST_F(MaskEditorTest, TextOfTheWrongLengthIsPutBackUnderTheMask) {
  auto& editor = Start(kDateMask, "31.12.99");
  editor.SetModified(false);
  editor.SetTextSelection(0, 8);
  editor.InsertText("1a");
  EXPECT_EQ(editor.EditText(), "1_.__.__");
  EXPECT_TRUE(editor.GetModified());
}

// The clipboard messages (from the edit menu, or sent) go through the mask
// as the keys do.
struct TMaskMessageCase {
  const char* Name;
  unsigned Msg;
  const char* EditText;
  const char* Clipboard;
};
void PrintTo(const TMaskMessageCase& c, std::ostream* os) { *os << c.Name; }

class MaskMessageTest : public MaskEditorTest, public ::testing::WithParamInterface<TMaskMessageCase> {};

TEST_P(MaskMessageTest, ActsThroughTheMask) {
  const TMaskMessageCase& c = GetParam();
  Clipboard().SetAsText("0203");
  auto& editor = Start(kDateMask, "31.12.99");
  editor.SetTextSelection(1, 5);
  editor.Perform(c.Msg);
  EXPECT_EQ(editor.EditText(), c.EditText);
  EXPECT_EQ(Clipboard().AsText(), c.Clipboard);
  EXPECT_TRUE(editor.GetModified());
}

INSTANTIATE_TEST_SUITE_P(Messages, MaskMessageTest,
                         ::testing::Values(TMaskMessageCase{"Cut", WM_CUT, "3_.__.99", "1.12"},
                                           TMaskMessageCase{"Clear", WM_CLEAR, "3_.__.99", "0203"},
                                           TMaskMessageCase{"Paste", WM_PASTE, "30.20.39", "0203"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The kind of masked editor a dialog places on a form.
class TStandAloneMaskEdit : public TdxInplaceMaskEdit {
 public:
  using TdxInplaceMaskEdit::TdxInplaceMaskEdit;
  bool IsInplace() const override { return false; }
};

TEST(MaskEditorDialogTest, AModifiedMaskedEditorKeepsEscapeToUndoTheEdit) {
  TdxDefaultEditStyleControllerScope styles;
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  int cancels = 0;
  auto* cancel = new TButton(&form);
  cancel->SetParent(&form);
  cancel->SetBounds(10, 100, 75, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [&](TObject*) { ++cancels; };
  auto* editor = new TStandAloneMaskEdit(&form);
  editor->SetParent(&form);
  editor->SetEditMask("000;1;_");
  ASSERT_TRUE(ShowActive(form));
  editor->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return editor->Focused(); }));
  QTest::keyClicks(ClientOf(*editor), "12");
  ASSERT_EQ(editor->EditText(), "12_");
  ASSERT_TRUE(editor->GetModified());

  QTest::keyClick(ClientOf(*editor), Qt::Key_Escape);
  EXPECT_EQ(cancels, 0) << "the editor kept Escape";
  EXPECT_EQ(editor->EditText(), "___") << "and undid the edit with it";
  EXPECT_FALSE(editor->GetModified());

  QTest::keyClick(ClientOf(*editor), Qt::Key_Escape);
  EXPECT_EQ(cancels, 1) << "unmodified, Escape is the dialog's";
}

TEST_F(MaskEditorTest, WithoutAMaskItIsTheTextEditor) {
  auto& editor = Start("", "");
  Type(editor, "a1/");
  EXPECT_EQ(editor.GetText(), "a1/");
  EXPECT_FALSE(editor.UsesOleCallback());
  editor.SetEditMask("000");
  EXPECT_TRUE(editor.UsesOleCallback()) << "a masked editor refuses dragged text";
}

}  // namespace
