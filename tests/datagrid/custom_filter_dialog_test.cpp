// The custom filter dialog on the grid over the in-memory dataset, driven
// by the mouse and the keyboard while it runs modally: the conditions it
// builds, what it shows for conditions already there, and what it refuses.

#include "datagrid/filter/custom_filter_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPixmap>

#include "datagrid/filter/filter_drop_down.h"
#include "datagrid/filter/grid_filter.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/check_controls.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/datagrid/grid_fixture.h"
#include "tests/support/window_input.h"

namespace {

TPoint Middle(const TControl& c) { return Point(c.Width() / 2, c.Height() / 2); }

void TypeInto(const TWinControl& control, const std::string& text) {
  for (char ch : text)
    QTest::sendKeyEvent(QTest::Click, QtWindowOf(control), Qt::Key_unknown, QString(QChar(ch)),
                        Qt::NoModifier);
}

// One row of the dialog as a user fills it: the operator entry (-1 for the
// second box's "none"), the text typed.
struct TRow {
  int Entry;
  std::string Text;
};

class CustomFilterTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    Application->OnException = [this](TObject*, const Exception& e) { Errors.push_back(e.Message()); };
  }
  void TearDown() override {
    dxOnCustomFilterDialogShow = nullptr;
    Application->OnException = nullptr;
    GridTest::TearDown();
  }
  TdxDBTreeListColumn* Column(int index) const {
    return dynamic_cast<TdxDBTreeListColumn*>(Grid->Columns(index));
  }

  static void ActivateDialog(TfmCustomDialog& dialog) {
    QWidget* w = WindowOf(dialog);
    w->activateWindow();
    QApplication::setActiveWindow(w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(w, 2000));
  }
  // Clicks a control and steps its operator box from where it stands.
  static void StepTo(TdxFilterDialogComboEdit& combo, int entry) {
    // Focused as Tab would (a press on the box opens its list).
    combo.SetFocus();
    const int from = std::stoi(combo.Value());
    for (int i = from; i < entry; ++i) KeyInto(combo, Qt::Key_Down);
    for (int i = from; i > entry; --i) KeyInto(combo, Qt::Key_Up);
  }
  static void TypeValue(TCustomdxFilterEdit& editor, const std::string& text) {
    MousePressAt(editor, Middle(editor));
    MouseReleaseAt(editor, Middle(editor));
    KeyInto(editor, Qt::Key_End);
    for (std::size_t i = 0; i < 40; ++i) KeyInto(editor, Qt::Key_Backspace);
    TypeInto(editor, text);
  }

  // Opens the dialog on the column through the filter, fills the rows with
  // the mouse and keys, checks OR when asked, presses OK (or Cancel), and
  // then, when a press of OK is refused, Cancel. Returns the answer.
  bool RunDialog(int column, const TRow& row1, const TRow& row2, bool useOr, bool ok = true,
                 const std::function<void(TfmCustomDialog&)>& look = nullptr) {
    std::unique_ptr<TInputSteps> steps;
    dxOnCustomFilterDialogShow = [&](TfmCustomDialog& dialog) {
      TfmCustomDialog* d = &dialog;
      steps = std::make_unique<TInputSteps>(
          std::vector<std::function<void()>>{[=] {
                                               ActivateDialog(*d);
                                               if (look) look(*d);
                                               if (row1.Entry >= 0) StepTo(*d->Operator1, row1.Entry);
                                             },
                                             [=] { TypeValue(*d->Value1, row1.Text); },
                                             [=] {
                                               if (useOr) {
                                                 MousePressAt(*d->rbOr, Point(6, 8));
                                                 MouseReleaseAt(*d->rbOr, Point(6, 8));
                                               }
                                             },
                                             [=] { StepTo(*d->Operator2, row2.Entry); },
                                             [=] {
                                               if (row2.Entry >= 0) TypeValue(*d->Value2, row2.Text);
                                             },
                                             [=] {
                                               TButton* button = ok ? d->btnOK : d->btnCancel;
                                               MousePressAt(*button, Middle(*button));
                                               MouseReleaseAt(*button, Middle(*button));
                                             },
                                             [=, this] {
                                               // Still open after OK: refused; leave by Cancel.
                                               if (d->Visible()) {
                                                 ShownAfterOk = true;
                                                 MousePressAt(*d->btnCancel, Middle(*d->btnCancel));
                                                 MouseReleaseAt(*d->btnCancel, Middle(*d->btnCancel));
                                               }
                                             }});
    };
    ShownAfterOk = false;
    return Grid->Filter().EditCustomFilter(Column(column));
  }
  std::vector<int> AllIds() const {
    std::vector<int> ids;
    for (int i = 0; i < Grid->Count(); ++i) ids.push_back(NodeId(Grid->Items(i)));
    return ids;
  }

  std::vector<std::string> Errors;
  bool ShownAfterOk = false;
};

struct DialogCase {
  const char* Name;
  int Column;
  TRow Row1;
  TRow Row2;
  bool UseOr;
  std::string Expression;
  std::string Caption;
  std::vector<int> Shown;
};
void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.Name; }

class CustomFilterDialog : public CustomFilterTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(CustomFilterDialog, BuildsTheConditionsTheUserChose) {
  const DialogCase& c = GetParam();
  Fill(12);
  MakeGrid(DirectoryOptions());
  ASSERT_TRUE(ShowActive(*Form));
  ASSERT_TRUE(RunDialog(c.Column, c.Row1, c.Row2, c.UseOr));
  EXPECT_FALSE(ShownAfterOk);
  EXPECT_TRUE(Errors.empty()) << Errors.front();
  EXPECT_EQ(Grid->Filter().FilterText(), c.Expression);
  EXPECT_EQ(Grid->Filter().DisplayText(), c.Caption);
  EXPECT_EQ(AllIds(), c.Shown);
  Grid->Filter().Criteria().CheckInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CustomFilterDialog,
    ::testing::Values(
        DialogCase{"Equals", 0, {0, "7"}, {-1, ""}, false, "(HOME_ID = 7)", "(HOME_ID = 7)", {7}},
        DialogCase{"Between",
                   0,
                   {3, "4"},
                   {5, "6"},
                   false,
                   "((HOME_ID >= 4) AND (HOME_ID <= 6))",
                   "((HOME_ID >= 4) AND (HOME_ID <= 6))",
                   {4, 5, 6}},
        DialogCase{"Outside",
                   2,
                   {4, "200003"},
                   {2, "200010"},
                   true,
                   "((PHONE < 200003) OR (PHONE > 200010))",
                   "((PHONE < 200003) OR (PHONE > 200010))",
                   {1, 2, 11, 12}},
        DialogCase{"DoesNotEqual",
                   1,
                   {1, "Resident 2"},
                   {-1, ""},
                   false,
                   "(NOT (NAME = 'Resident 2'))",
                   "(NOT (NAME = Resident 2))",
                   {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        // An empty value makes any comparison a test for blanks.
        DialogCase{
            "GreaterThanNothing", 2, {2, ""}, {-1, ""}, false, "(PHONE Is Null)", "(PHONE Is Null)", {}},
        DialogCase{"NotEqualNothing",
                   2,
                   {1, ""},
                   {-1, ""},
                   false,
                   "(NOT (PHONE Is Null))",
                   "(NOT (PHONE Is Null))",
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        // Blanks take no value: letters typed into a number column are not read.
        DialogCase{"NonBlanksIgnoresText",
                   2,
                   {7, "abc"},
                   {-1, ""},
                   false,
                   "(NOT (PHONE Is Null))",
                   "(NOT (PHONE Is Null))",
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        DialogCase{"BlanksOrValue",
                   2,
                   {6, "xyz"},
                   {0, "200005"},
                   true,
                   "((PHONE Is Null) OR (PHONE = 200005))",
                   "((PHONE Is Null) OR (PHONE = 200005))",
                   {5}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CustomFilterTest, LettersForANumberAreRefusedAndTheDialogStaysOpen) {
  Fill(5);
  MakeGrid(DirectoryOptions());
  ASSERT_TRUE(ShowActive(*Form));
  Grid->Filter().ApplyValue(Column(2), Variant(200003), "200003");
  EXPECT_FALSE(RunDialog(2, {2, "abc"}, {-1, ""}, false));
  EXPECT_TRUE(ShownAfterOk);
  EXPECT_EQ(Errors, (std::vector<std::string>{"Invalid value"}));
  // Cancelled at last: the earlier condition stays.
  EXPECT_EQ(Grid->Filter().FilterText(), "(PHONE = 200003)");
  EXPECT_EQ(AllIds(), (std::vector<int>{3}));
}

TEST_F(CustomFilterTest, CancelChangesNothing) {
  Fill(5);
  MakeGrid(DirectoryOptions());
  ASSERT_TRUE(ShowActive(*Form));
  int changes = 0;
  Grid->OnFilterChanged = [&](TObject*, TDataSet*, std::string&) { ++changes; };
  EXPECT_FALSE(RunDialog(0, {0, "2"}, {-1, ""}, false, false));
  EXPECT_TRUE(Grid->Filter().IsEmpty());
  EXPECT_EQ(changes, 0);
}

TEST_F(CustomFilterTest, ShowsTheColumnsTwoConditionsAndReplacesThemByOne) {
  Fill(12);
  MakeGrid(DirectoryOptions());
  ASSERT_TRUE(ShowActive(*Form));
  TdxDBGridCriteria& criteria = Grid->Filter().Criteria();
  TdxCriteriaItemList* list = criteria.Root().AddList(jtOr);
  criteria.AddColumnItem(list, Column(0), false, "3", Variant(3), ocLess);
  criteria.AddColumnItem(list, Column(0), true, "", Variant::Null(), ocIsNull);
  criteria.AddColumnItem(nullptr, Column(1), false, "", Variant::Null(), ocIsNull);
  Grid->FilterChanged();
  std::vector<std::string> seen;
  auto look = [&](TfmCustomDialog& d) {
    seen = {d.Operator1->Value(),
            d.Value1->Text(),
            d.Operator2->Value(),
            d.Value2->Text(),
            d.rbOr->Checked() ? "or" : "and",
            d.LColumnName->Text()};
  };
  ASSERT_TRUE(RunDialog(0, {0, "9"}, {-1, ""}, false, true, look));
  EXPECT_EQ(seen, (std::vector<std::string>{"4", "3", "7", "", "or", "HOME_ID "}));
  // Row 2 set back to none: one condition in the root, the other column's kept.
  EXPECT_EQ(criteria.Root().Count(), 2);
  EXPECT_EQ(Grid->Filter().FilterText(), "(NAME Is Null) AND (HOME_ID = 9)");
}

TEST_F(CustomFilterTest, DialogCarriesItsCaptionsAndPlaces) {
  TfmCustomDialog dialog(nullptr);
  EXPECT_EQ(dialog.Text(), "Custom AutoFilter");
  EXPECT_EQ(dialog.ClientWidth(), 412);
  EXPECT_EQ(dialog.ClientHeight(), 166);
  EXPECT_EQ(dialog.BorderStyle(), bsDialog);
  EXPECT_EQ(dialog.lblTitle->Text(), "Show rows where:");
  EXPECT_EQ(dialog.rbAnd->Text(), "&And");
  EXPECT_TRUE(dialog.rbAnd->Checked());
  EXPECT_EQ(dialog.rbOr->Text(), "&Or");
  EXPECT_EQ(dialog.btnOK->ModalResult(), mrOk);
  EXPECT_TRUE(dialog.btnOK->Default());
  EXPECT_EQ(dialog.btnCancel->ModalResult(), mrCancel);
  EXPECT_TRUE(dialog.btnCancel->Cancel());
  EXPECT_EQ(dialog.btnOK->Left(), 248);
  EXPECT_EQ(dialog.btnCancel->Left(), 330);
  EXPECT_FALSE(dialog.lblSingle->Visible());
  EXPECT_FALSE(dialog.cbOperator1->Visible());
  // The line under "Show rows where:" runs from the end of the column's
  // name: the name stands over it, never struck through.
  dialog.LColumnName->SetText("          ");
  const QImage image = WindowOf(dialog)->grab().toImage();
  const int line = dialog.bvlLine->Top();
  const int under = dialog.LColumnName->Left() + dialog.LColumnName->Width() / 2;
  const int past = dialog.LColumnName->Left() + dialog.LColumnName->Width() + 20;
  EXPECT_NE(image.pixel(past, line), image.pixel(past, line - 6)) << "the line is drawn";
  EXPECT_EQ(image.pixel(under, line), image.pixel(under, line - 6)) << "but not through the name";
  std::vector<std::string> descriptions;
  for (int i = 0; i < dxFilterOperatorEntryCount; ++i)
    descriptions.push_back(dxFilterOperatorEntry(i).Description);
  EXPECT_EQ(descriptions, (std::vector<std::string>{"equals", "does not equal", "is greater than",
                                                    "is greater than or equal to", "is less than",
                                                    "is less than or equal to", "blanks", "non blanks"}));
}

TEST_F(CustomFilterTest, DropDownsCustomItemRunsTheDialog) {
  Fill(6);
  MakeGrid(DirectoryOptions());
  TdxDBGridOptionsBehavior behavior = Grid->OptionsBehavior();
  behavior.Include(edgoHeaderButtonClicking);
  Grid->SetOptionsBehavior(behavior);
  ASSERT_TRUE(ShowActive(*Form));
  std::unique_ptr<TInputSteps> steps;
  dxOnCustomFilterDialogShow = [&](TfmCustomDialog& d) {
    TfmCustomDialog* dialog = &d;
    steps = std::make_unique<TInputSteps>(std::vector<std::function<void()>>{
        [=] {
          ActivateDialog(*dialog);
          StepTo(*dialog->Operator1, 2);
        },
        [=] { TypeValue(*dialog->Value1, "4"); }, [=] { KeyInto(*dialog->Value1, Qt::Key_Return); }});
  };
  Grid->DropDownFilter(Column(0));
  ASSERT_TRUE(Grid->FilterDropDownOpen());
  Grid->FilterDropDown()->SetItemIndex(1);
  TKey key = VK_RETURN;
  Grid->KeyDown(key, {});
  EXPECT_EQ(Grid->Filter().FilterText(), "(HOME_ID > 4)");
  EXPECT_EQ(AllIds(), (std::vector<int>{5, 6}));
  Grid->DropDownFilter(Column(0));
  EXPECT_EQ(Grid->FilterDropDown()->ItemIndex(), 1);
}

}  // namespace
