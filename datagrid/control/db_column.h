#pragma once
// Data-aware columns: tree-list columns bound by name to a field of the
// grid's dataset. A column takes its caption, alignment, read-only state,
// maximum length and default width from its field, loads the field's
// display text (and, where the value matters for sorting, grouping and
// summaries, the typed value) into each node, and writes edited text back
// into the field. It also carries the settings of grouping and summaries,
// which the grouping and summary code reads.
//
// Four classes: TdxDBTreeListColumn (the code), TdxDBTreeListMaskColumn
// (an edit mask: its own, or the field's), and TdxDBGridColumn and
// TdxDBGridMaskColumn, the grid's columns. A column is a component owned by
// its form (or the grid); the grid lists it.

#include <cstdint>
#include <string>

#include "datagrid/forward.h"
#include "framework/core/base/variant.h"
#include "framework/core/data/fields.h"
#include "grid/tree_list/tree_list_column.h"

enum TdxSummaryType : std::uint8_t { cstNone = 0, cstSum = 1, cstMin = 2, cstMax = 3, cstCount = 4, cstAvg = 5 };

using TdxDBColumnGetTextEvent = TEvent<void(TObject* Sender, TdxTreeListNode* Node, std::string& Text)>;
// A value about to be totalled; the handler may change it.
using TdxDBColumnSummaryEvent = TEvent<void(TObject* Sender, TDataSet* DataSet, long double& Value)>;

// The column's own drawing of a cell, of its header and of its summary
// footer cell, each called before the tree list's drawing, which runs only
// while Done stays False.
using TdxDBColumnCustomDrawEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode,
                TdxTreeListColumn* AColumn, std::string& AText, TFont* AFont, TColor& AColor, bool ASelected,
                bool AFocused, bool& ADone)>;
using TdxDBColumnCustomDrawHeaderEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListColumn* AColumn,
                std::string& AText, TFont* AFont, TColor& AColor, bool& ADone)>;
using TdxDBColumnDrawSummaryFooterEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, std::string& AText, TFont* AFont,
                TColor& AColor, TAlignment& AAlignment, bool& ADone)>;

class TdxDBTreeListColumn : public TdxTreeListColumn {
 public:
  explicit TdxDBTreeListColumn(TComponent* owner);
  // Leaves the grouping and clears the summary items that name it, unless
  // the grid itself is going.
  ~TdxDBTreeListColumn() override;

  TdxTreeListColumnClass ClassType() const override { return TdxTreeListColumnClass::Of<TdxDBTreeListColumn>(); }
  void Assign(const TPersistent* source) override;
  void RestoreDefaults() override;
  void SetIndex(int newIndex) override;
  void SetName(const std::string& name) override;

  // The data-aware control the column belongs to; nil when none.
  TCustomdxDBTreeListControl* DBTreeList() const;
  const std::string& FieldName() const { return FFieldName; }
  // Binds to the dataset's field of that name (see the source).
  virtual void SetFieldName(const std::string& name);
  TField* Field() const { return FField; }
  // Forgets the field (it is going); the name stays for a later rebind.
  void ClearField() {
    FField = nullptr;
    FLoadKindOf = nullptr;
  }

  bool DisableGrouping() const { return FDisableGrouping; }
  void SetDisableGrouping(bool value);
  int GroupIndex() const { return FGroupIndex; }
  // Below -1 is ignored; while loading only stored.
  void SetGroupIndex(int value);
  // The stored value without the grid's grouping work (the grouping code).
  void SetGroupIndexValue(int value) { FGroupIndex = value; }
  TdxSummaryType SummaryType() const { return FSummaryType; }
  void SetSummaryType(TdxSummaryType value);
  TdxSummaryType SummaryFooterType() const { return FSummaryFooterType; }
  void SetSummaryFooterType(TdxSummaryType value);
  const std::string& SummaryField() const { return FSummaryField; }
  void SetSummaryField(const std::string& value) { FSummaryField = value; }
  const std::string& SummaryFormat() const { return FSummaryFormat; }
  void SetSummaryFormat(const std::string& value) { FSummaryFormat = value; }
  const std::string& SummaryGroupName() const { return FSummaryGroupName; }
  void SetSummaryGroupName(const std::string& value) { FSummaryGroupName = value; }
  const std::string& SummaryFooterField() const { return FSummaryFooterField; }
  void SetSummaryFooterField(const std::string& value) { FSummaryFooterField = value; }
  const std::string& SummaryFooterFormat() const { return FSummaryFooterFormat; }
  void SetSummaryFooterFormat(const std::string& value) { FSummaryFooterFormat = value; }
  // True only together with a summary type.
  bool SortBySummary() const { return FSortBySummary && FSummaryType != cstNone; }
  void SetSortBySummary(bool value) { FSortBySummary = value; }

  // --- Operations the control calls
  // When set, string fields keep their value beside the text too.
  virtual bool KeepValueForStrings() const { return false; }
  // Whether every cell loaded from the bound field keeps its value (a
  // number, a date; a string where the column asks for it).
  bool KeepsEveryValue() const;
  // Loads the field's display text and, where needed, its value into the
  // node's cell at columnIndex (the column's index, passed by the loader).
  virtual void LoadCellFromRecord(TdxDBTreeListControlNode& node, int columnIndex);
  // The variant type code of the field's values (13 without a field, 256
  // for strings and all others).
  int FieldVariantType() const;
  virtual bool BlobEditing() const { return false; }
  // Whether the field already holds value (an in-place editor need not be
  // refreshed).
  virtual bool ValueUnchanged(const Variant& value) const;
  // The field's valid-character test, with an active link.
  virtual bool MayTakeKey(char key) const;
  virtual std::string ValueToText(const Variant& value) const { return VarToStr(value); }
  virtual std::string DisplayConversion(const std::string& text) const { return text; }

  void GetDisplayText(const TdxTreeListNode* node, std::string& text) const override;
  void InitEditorValue(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) override;
  void SetCellValueFromEditor(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value) override;

  bool HasCustomDrawCell() const override;
  void DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, bool selected, bool focused,
                        bool newItemRow, std::string& text, TColor& color, TFont& font, TAlignment& alignment,
                        bool& done) override;
  bool HasCustomDrawColumnHeader() const override;
  void DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, std::string& text, TColor& color, TFont& font,
                                TAlignment& alignment, TdxTreeListColumnSort& sorted, bool& done) override;
  // The summary footer cell's drawing (the grid asks).
  void DoDrawSummaryFooter(TCanvas& canvas, const TRect& rect, std::string& text, TColor& color, TFont& font,
                           TAlignment& alignment, bool& done);

  TdxDBColumnGetTextEvent OnGetText;
  TdxDBColumnCustomDrawEvent OnCustomDraw;
  TdxDBColumnCustomDrawHeaderEvent OnCustomDrawHeader;
  TdxDBColumnDrawSummaryFooterEvent OnDrawSummaryFooter;
  // The grouping column's own group total, and the footer total.
  TdxDBColumnSummaryEvent OnSummary;
  TdxDBColumnSummaryEvent OnSummaryFooter;
  void DoGetText(TdxTreeListNode* node, std::string& text);

 protected:
  TAlignment GetDefaultAlignment() const override;
  std::string GetDefaultCaption() const override;
  int GetDefaultMaxLength() const override;
  bool GetDefaultReadOnly() const override;
  int GetDefaultWidth() const override;
  // The grid is loading from its form (no binding yet).
  bool GridLoading() const;

 private:
  std::string FFieldName;
  TField* FField = nullptr;
  // What a cell load needs to know of the field's class, found once per
  // bound field rather than once per cell.
  const TField* FLoadKindOf = nullptr;
  bool FLoadKeepsValue = false;
  bool FLoadStringField = false;
  std::string FLoadText;
  bool FDisableGrouping = false;
  int FGroupIndex = -1;
  TdxSummaryType FSummaryType = cstNone;
  TdxSummaryType FSummaryFooterType = cstNone;
  std::string FSummaryField;
  std::string FSummaryFormat;
  std::string FSummaryGroupName;
  std::string FSummaryFooterField;
  std::string FSummaryFooterFormat;
  bool FSortBySummary = false;
};

class TdxDBTreeListMaskColumn : public TdxDBTreeListColumn {
 public:
  using TdxDBTreeListColumn::TdxDBTreeListColumn;
  TdxTreeListColumnClass ClassType() const override {
    return TdxTreeListColumnClass::Of<TdxDBTreeListMaskColumn>();
  }
  void Assign(const TPersistent* source) override;
  void RestoreDefaults() override;
  std::type_index GetEditorClass() const override;
  std::unique_ptr<TdxInplaceEdit> CreateEditor(TComponent* owner) const override;
  void InitEditor(TdxInplaceEdit& editor) override;
  bool ValueUnchanged(const Variant& value) const override;

  // The column's own mask when one was set, else the field's.
  std::string EditMask() const;
  void SetEditMask(const std::string& value);
  // Stored in a form only when an own mask differs from the field's.
  bool IsEditMaskStored() const;
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool value) { FIgnoreMaskBlank = value; }

 private:
  std::string FEditMask;
  bool FOwnMask = false;
  bool FIgnoreMaskBlank = false;
};

class TdxDBGridColumn : public TdxDBTreeListColumn {
 public:
  using TdxDBTreeListColumn::TdxDBTreeListColumn;
  TdxTreeListColumnClass ClassType() const override { return TdxTreeListColumnClass::Of<TdxDBGridColumn>(); }
};

class TdxDBGridMaskColumn : public TdxDBTreeListMaskColumn {
 public:
  using TdxDBTreeListMaskColumn::TdxDBTreeListMaskColumn;
  TdxTreeListColumnClass ClassType() const override {
    return TdxTreeListColumnClass::Of<TdxDBGridMaskColumn>();
  }
};
