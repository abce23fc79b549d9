#include "datagrid/filter/custom_filter_dialog.h"

#include <array>
#include <memory>

#include "datagrid/control/db_column.h"
#include "datagrid/filter/grid_criteria.h"
#include "datagrid/grid/db_grid.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/check_controls.h"
#include "framework/gui/standard/std_controls.h"

TdxCustomFilterDialogHook dxOnCustomFilterDialogShow;

namespace {

constexpr std::array<TdxFilterOperatorEntry, dxFilterOperatorEntryCount> kEntries = {{
    {"equals", ocEqual, false},
    {"does not equal", ocEqual, true},
    {"is greater than", ocGreater, false},
    {"is greater than or equal to", ocGreaterEqual, false},
    {"is less than", ocLess, false},
    {"is less than or equal to", ocLessEqual, false},
    {"blanks", ocIsNull, false},
    {"non blanks", ocIsNull, true},
}};

constexpr int kBlanksEntry = 6;
constexpr int kNonBlanksEntry = 7;

template <class T>
T* Place(TfmCustomDialog& form, const char* name, int left, int top, int width, int height) {
  auto* control = new T(&form);
  control->SetName(name);
  control->SetParent(&form);
  control->SetBounds(left, top, width, height);
  return control;
}

TVarType VarTypeOfCode(int code) {
  switch (code) {
    case varSmallint:
      return TVarType::SmallInt;
    case varInteger:
      return TVarType::Integer;
    case varSingle:
    case varDouble:
      return TVarType::Double;
    case varCurrency:
      return TVarType::Currency;
    case varDate:
      return TVarType::Date;
    case varBoolean:
      return TVarType::Boolean;
    case varInt64:
      return TVarType::Int64;
    default:
      return TVarType::String;
  }
}

void FillOperators(TdxFilterDialogComboEdit& combo, bool withNone) {
  if (withNone) {
    combo.Values().Add("-1");
    combo.Descriptions().Add("");
  }
  for (int entry = 0; entry < dxFilterOperatorEntryCount; ++entry) {
    combo.Values().Add(std::to_string(entry));
    combo.Descriptions().Add(kEntries[static_cast<std::size_t>(entry)].Description);
  }
  combo.SetDropDownRows(combo.Values().Count());
  combo.SetText(withNone ? "-1" : "0");
}

// Null shows as an empty text, anything else as its string.
void SetEditorValue(TCustomdxFilterEdit& editor, const Variant& value) {
  editor.SetText(value.IsNull() || value.IsEmpty() ? std::string() : VarToStr(value));
}

int EntryOf(TdxFilterDialogComboEdit& combo) {
  try {
    return std::stoi(combo.Value());
  } catch (...) {
    return -1;
  }
}

}  // namespace

const TdxFilterOperatorEntry& dxFilterOperatorEntry(int entry) {
  return kEntries.at(static_cast<std::size_t>(entry));
}

int dxFilterEntryOfItem(int operatorCode, bool negated) {
  switch (operatorCode) {
    case ocIsNull:
      return negated ? kNonBlanksEntry : kBlanksEntry;
    case ocEqual:
      return negated ? 1 : 0;
    case ocGreater:
      return 2;
    case ocLess:
      return 4;
    case ocGreaterEqual:
      return 3;
    default:
      return 5;
  }
}

TfmCustomDialog::TfmCustomDialog(TComponent* owner) : TForm(owner) {
  SetName("fmCustomDialog");
  SetText("Custom AutoFilter");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  SetClientSize(412, 166);
  lblTitle = Place<TLabel>(*this, "lblTitle", 8, 8, 84, 13);
  lblTitle->SetText("Show rows where:");
  // The line starts under the column's name and runs on after it: the
  // label, placed after the bevel, stands over it and covers the line
  // where its text is.
  bvlLine = Place<TBevel>(*this, "bvlLine", 8, 34, 396, 2);
  bvlLine->SetShape(bsTopLine);
  LColumnName = Place<TLabel>(*this, "LColumnName", 8, 27, 3, 13);
  cbOperator1 = Place<TEdit>(*this, "cbOperator1", 14, 46, 185, 21);
  Edit1 = Place<TEdit>(*this, "Edit1", 214, 46, 185, 21);
  rbAnd = Place<TRadioButton>(*this, "rbAnd", 60, 74, 49, 17);
  rbAnd->SetText("&And");
  rbAnd->SetChecked(true);
  rbOr = Place<TRadioButton>(*this, "rbOr", 118, 74, 49, 17);
  rbOr->SetText("&Or");
  cbOperator2 = Place<TEdit>(*this, "cbOperator2", 14, 96, 185, 21);
  Edit2 = Place<TEdit>(*this, "Edit2", 214, 96, 185, 21);
  btnOK = Place<TButton>(*this, "btnOK", 248, 136, 75, 23);
  btnOK->SetText("OK");
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnCancel = Place<TButton>(*this, "btnCancel", 330, 136, 75, 23);
  btnCancel->SetText("Cancel");
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  lblSingle = Place<TLabel>(*this, "lblSingle", 8, 120, 190, 13);
  lblSingle->SetText("Use ? to represent any single character");
  lblSeries = Place<TLabel>(*this, "lblSeries", 8, 136, 200, 13);
  lblSeries->SetText("Use * to represent any series of characters");
  for (TControl* hidden :
       std::initializer_list<TControl*>{cbOperator1, Edit1, cbOperator2, Edit2, lblSingle, lblSeries})
    hidden->SetVisible(false);
  OnCloseQuery = TCloseQueryEvent(this, &TfmCustomDialog::FormCloseQuery);
}

void TfmCustomDialog::Prepare(TdxDBTreeListColumn* column) {
  Column = column;
  if (TCustomdxDBTreeListControl* grid = column->DBTreeList()) {
    Font().SetName(grid->Font().Name());
    Font().SetCharset(grid->Font().Charset());
  }
  LColumnName->SetText(column->Caption() + " ");
  // Created in tab order: row 1, the junction, row 2, the buttons.
  auto makeCombo = [this](TEdit* place, bool withNone) {
    auto* combo = new TdxFilterDialogComboEdit(this);
    combo->SetParent(this);
    combo->SetBounds(place->Left(), place->Top(), place->Width(), place->Height());
    FillOperators(*combo, withNone);
    return combo;
  };
  auto makeEditor = [this, column](TEdit* place) {
    auto* editor = new TCustomdxFilterEdit(this);
    editor->SetParent(this);
    editor->SetBounds(place->Left(), place->Top(), place->Width(), place->Height());
    column->InitEditor(*editor);
    // A filter value is never written into the field: the column's change
    // and validation handlers and its read-only state do not apply.
    editor->OnChange = nullptr;
    editor->OnValidate = nullptr;
    editor->SetReadOnly(false);
    return editor;
  };
  Operator1 = makeCombo(cbOperator1, false);
  Value1 = makeEditor(Edit1);
  Operator2 = makeCombo(cbOperator2, true);
  Value2 = makeEditor(Edit2);
  SetActiveControl(Operator1);
}

void TfmCustomDialog::ReadRow(TdxFilterDialogComboEdit& combo, TCustomdxFilterEdit& editor, Variant& value,
                              std::string& text) {
  value = Variant::Null();
  text.clear();
  text = editor.Text();
  // An empty text means no value at all, whatever the field's type.
  value = text.empty() ? Variant::Null() : Variant(text);
  const int entry = EntryOf(combo);
  // Blanks take no value: what was typed is not looked at.
  if (entry == kBlanksEntry || entry == kNonBlanksEntry || value.IsNull()) return;
  const int code = Column != nullptr ? Column->FieldVariantType() : varUnknown;
  if (code == varUnknown) return;
  try {
    value = VarAsType(value, VarTypeOfCode(code));
  } catch (const EVariantError&) {
    if (editor.CanFocus()) editor.SetFocus();
    throw Exception("Invalid value");
  }
}

void TfmCustomDialog::FormCloseQuery(TObject*, bool& canClose) {
  if (ModalResult() != mrOk) return;
  ReadRow(*Operator1, *Value1, RowValue1, RowText1);
  if (EntryOf(*Operator2) != -1) {
    ReadRow(*Operator2, *Value2, RowValue2, RowText2);
  } else {
    RowValue2 = Variant::Null();
    RowText2.clear();
  }
  canClose = true;
}

namespace {

void AddRow(TdxDBGridCriteria& criteria, TdxCriteriaItemList* list, const TdxDBTreeListColumn* column,
            int entry, const Variant& value, const std::string& text) {
  if (entry < 0 || entry >= dxFilterOperatorEntryCount) return;
  const TdxFilterOperatorEntry& e = kEntries[static_cast<std::size_t>(entry)];
  int code = e.OperatorCode;
  Variant rowValue = value;
  std::string rowText = text;
  if (entry == kBlanksEntry || entry == kNonBlanksEntry) {
    rowValue = Variant::Null();
    rowText.clear();
  }
  if (rowValue.IsNull()) code = ocIsNull;
  criteria.AddColumnItem(list, column, e.Negated, rowText, rowValue, code);
}

}  // namespace

bool TdxDBGridCriteria::EditColumnFilter(TdxDBTreeListColumn* column) {
  if (column == nullptr) return false;
  auto form = std::make_unique<TfmCustomDialog>(nullptr);
  form->Prepare(column);
  if (TdxCriteriaItem* item = ColumnItem(column)) {
    form->Operator1->SetText(std::to_string(dxFilterEntryOfItem(item->OperatorCode(), item->Negated())));
    SetEditorValue(*form->Value1, item->Value());
    TdxCriteriaItemList* list = item->Parent();
    if (list != &Root() && list->Count() > 1) {
      if (list->Junction() == jtOr)
        form->rbOr->SetChecked(true);
      else
        form->rbAnd->SetChecked(true);
      if (const auto* second = dynamic_cast<const TdxCriteriaItem*>(list->Items(1))) {
        form->Operator2->SetText(
            std::to_string(dxFilterEntryOfItem(second->OperatorCode(), second->Negated())));
        SetEditorValue(*form->Value2, second->Value());
      }
    }
  }
  if (dxOnCustomFilterDialogShow) dxOnCustomFilterDialogShow(*form);
  if (form->ShowModal() != mrOk) return false;
  RemoveColumn(column);
  const int entry1 = EntryOf(*form->Operator1);
  const int entry2 = EntryOf(*form->Operator2);
  if (entry2 != -1) {
    TdxCriteriaItemList* list = Root().AddList(form->rbOr->Checked() ? jtOr : jtAnd);
    AddRow(*this, list, column, entry1, form->RowValue1, form->RowText1);
    AddRow(*this, list, column, entry2, form->RowValue2, form->RowText2);
  } else {
    AddRow(*this, nullptr, column, entry1, form->RowValue1, form->RowText1);
  }
  return true;
}
