#pragma once
// The "Custom AutoFilter" dialog: up to two conditions on one column,
// joined by AND or OR. TdxDBGridCriteria::EditColumnFilter makes it, runs it
// modally and turns what was chosen into the column's conditions.
//
// The form is built in code from its stored description (captions,
// positions, sizes); the operator boxes and the value editors are made at
// run time in the places the description keeps for them. The form exists
// only while EditColumnFilter runs.

#include <string>

#include "datagrid/forward.h"
#include "framework/core/base/variant.h"
#include "framework/gui/standard/forms.h"
#include "grid/editors/dropdown_editors.h"
#include "grid/editors/mask_editor.h"

class TLabel;
class TBevel;
class TRadioButton;
class TButton;
class TEdit;

// The operator box: an image combo on its own, never a cell's editor.
class TdxFilterDialogComboEdit : public TdxInplaceImageEdit {
 public:
  using TdxInplaceImageEdit::TdxInplaceImageEdit;
  bool IsInplace() const override { return false; }
};

// A value editor of the dialog: a mask editor on its own.
class TCustomdxFilterEdit : public TdxInplaceMaskEdit {
 public:
  using TdxInplaceMaskEdit::TdxInplaceMaskEdit;
  bool IsInplace() const override { return false; }
};

// The operator entries of the boxes, in order.
struct TdxFilterOperatorEntry {
  const char* Description;
  int OperatorCode;
  bool Negated;
};
inline constexpr int dxFilterOperatorEntryCount = 8;
const TdxFilterOperatorEntry& dxFilterOperatorEntry(int entry);
// The entry that shows an existing condition.
int dxFilterEntryOfItem(int operatorCode, bool negated);

class TfmCustomDialog : public TForm {
 public:
  explicit TfmCustomDialog(TComponent* owner);

  // The stored controls.
  TLabel* lblTitle = nullptr;
  TLabel* LColumnName = nullptr;
  TBevel* bvlLine = nullptr;
  TEdit* cbOperator1 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* cbOperator2 = nullptr;
  TEdit* Edit2 = nullptr;
  TRadioButton* rbAnd = nullptr;
  TRadioButton* rbOr = nullptr;
  TButton* btnOK = nullptr;
  TButton* btnCancel = nullptr;
  TLabel* lblSingle = nullptr;
  TLabel* lblSeries = nullptr;

  // Made at run time for the column.
  TdxDBTreeListColumn* Column = nullptr;
  TdxFilterDialogComboEdit* Operator1 = nullptr;
  TdxFilterDialogComboEdit* Operator2 = nullptr;
  TCustomdxFilterEdit* Value1 = nullptr;
  TCustomdxFilterEdit* Value2 = nullptr;
  // Read back when OK closes the form.
  Variant RowValue1 = Variant::Null();
  Variant RowValue2 = Variant::Null();
  std::string RowText1;
  std::string RowText2;

  // Sets up the run-time controls for the column.
  void Prepare(TdxDBTreeListColumn* column);
  void FormCloseQuery(TObject* sender, bool& canClose);

 private:
  void ReadRow(TdxFilterDialogComboEdit& combo, TCustomdxFilterEdit& editor, Variant& value,
               std::string& text);
};

// Process-wide hook, for tests that drive the dialog: called once the
// dialog is prepared, before it is shown modally.
using TdxCustomFilterDialogHook = TEvent<void(TfmCustomDialog& Dialog)>;
extern TdxCustomFilterDialogHook dxOnCustomFilterDialogShow;
