#pragma once
// Columns of a tree list. A column is a component owned by its form (or by
// the tree list); the tree list only lists it. It is placed by its band
// (BandIndex), its header row inside the band (RowIndex) and its position in
// that row (ColIndex, derived from the list order). Some of its look
// follows a default (a virtual query or the tree list's value) until it is
// written: from then on the own value is used and an assigned-values bit
// says so; only such values are worth storing. Every writer clamps and
// reports the change to the tree list, which re-lays out (once, under its
// update lock).
//
// A column also decides how its cells are edited and drawn: it makes the
// in-place editor of its kind, sets it up and moves the cell's value into
// and out of it, and turns the painter's cell record into the view data its
// editor's look draws from (one view-data object per column, kept for
// every cell).

#include <cstdint>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>

#include "framework/core/component/component.h"
#include "framework/core/base/object.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/controls/control.h"
#include "framework/gui/graphics/graphics.h"
#include "framework/gui/standard/std_controls.h"
#include "framework/core/base/variant.h"
#include "grid/forward.h"
#include "grid/editors/inplace_editor.h"
#include "grid/editors/text_editor.h"
#include "grid/tree_list/tree_list_drawing.h"

// Which defaulted properties a column has been given values of.
enum TdxColumnAssignedValue : std::uint8_t {
  cavAlignment = 1,
  cavCaption = 2,
  cavReadOnly = 4,
  cavWidth = 8,
  cavColor = 16,
  cavFont = 32,
  cavMaxLength = 64,
};

// A column class as a value, for code that makes columns of a class it is
// given (the column-owning control's CreateColumn and AssignColumns).
class TdxTreeListColumnClass {
 public:
  template <class T>
  static TdxTreeListColumnClass Of() {
    return TdxTreeListColumnClass(typeid(T),
                                  [](TComponent* owner) -> TdxTreeListColumn* { return new T(owner); });
  }
  // A new column of the class, owned by owner; raises EInvalidOperation
  // without an owner (nothing else would free it).
  TdxTreeListColumn* Create(TComponent* owner) const;
  std::type_index Type() const { return FType; }
  bool operator==(const TdxTreeListColumnClass& other) const { return FType == other.FType; }

 private:
  using TFactory = TdxTreeListColumn* (*)(TComponent* owner);
  TdxTreeListColumnClass(const std::type_info& type, TFactory factory) : FType(type), FCreate(factory) {}
  std::type_index FType;
  TFactory FCreate;
};

class TdxTreeListColumn : public TComponent {
 public:
  explicit TdxTreeListColumn(TComponent* owner);
  // Leaves the tree list (its cells' data go with it, unless the tree list
  // is being destroyed).
  ~TdxTreeListColumn() override;

  // From another column, inside the tree list's update lock: own values the
  // source has assigned, then its plain values and its place.
  void Assign(const TPersistent* source) override;
  // Forgets every own value and returns the plain ones to their defaults.
  virtual void RestoreDefaults();

  // The column's own class; every column class answers itself.
  virtual TdxTreeListColumnClass ClassType() const { return TdxTreeListColumnClass::Of<TdxTreeListColumn>(); }

  TCustomdxTreeList* TreeList() const { return FTreeList; }
  // Leaves the old tree list and joins the new one.
  void SetTreeList(TCustomdxTreeList* treeList);
  // Renames, then tells OnNameChanged.
  void SetName(const std::string& name) override;
  // Tells the tree list: this column (false) or all columns (true) changed.
  void Changed(bool allColumns);

  // Position in the tree list's column list; -1 without one.
  virtual int Index() const;
  // Clamped; the cells' data follow the column.
  virtual void SetIndex(int newIndex);
  // Position among the visible columns of its band row.
  int ColIndex() const;
  void SetColIndex(int value);
  int BandIndex() const { return FBandIndex; }
  // -1 and up; below the band count while in a tree list.
  void SetBandIndex(int value);
  // The stored row, limited to the tree list's header rows.
  int RowIndex() const;
  void SetRowIndex(int value);
  int StoredRowIndex() const { return FStoredRowIndex; }
  bool IsStoredRowIndexStored() const { return FStoredRowIndex != 0; }
  // The sort position a stored layout gave (-1 until one is read); the
  // tree list orders its sorted columns by it once loading ends.
  int StoredSortedOrder() const { return FStoredSortedOrder; }
  void SetStoredSortedOrder(int value) { FStoredSortedOrder = value; }
  // Worth storing only when the tree list sorts by several columns and more
  // than one is sorted, this one among them.
  bool IsSortedOrderStored() const;
  std::uint8_t AssignedValues() const { return FAssignedValues; }
  bool IsAssigned(TdxColumnAssignedValue value) const { return (FAssignedValues & value) != 0; }

  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  std::string Caption() const;
  void SetCaption(const std::string& value);
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  int Width() const;
  // Stores max(value, MinWidth).
  void SetWidth(int value);
  TColor Color() const;
  void SetColor(TColor value);
  // Copied from the tree list's font (again whenever it differs) until the
  // column's own font is changed.
  TFont& Font();
  void SetFont(const TFont& value);
  int MaxLength() const;
  void SetMaxLength(int value);
  // Whether a stored form needs the value: assigned, and (for these) not
  // the default.
  bool IsAlignmentStored() const { return IsAssigned(cavAlignment); }
  bool IsCaptionStored() const { return IsAssigned(cavCaption) && FCaption != GetDefaultCaption(); }
  bool IsReadOnlyStored() const { return IsAssigned(cavReadOnly) && FReadOnly != GetDefaultReadOnly(); }
  bool IsWidthStored() const { return IsAssigned(cavWidth); }
  bool IsColorStored() const;
  bool IsFontStored() const { return IsAssigned(cavFont); }
  bool IsMaxLengthStored() const { return IsAssigned(cavMaxLength) && FMaxLength != GetDefaultMaxLength(); }

  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  bool DisableCaption() const { return FDisableCaption; }
  void SetDisableCaption(bool value);
  bool DisableCustomizing() const { return FDisableCustomizing; }
  void SetDisableCustomizing(bool value);
  bool DisableDragging() const { return FDisableDragging; }
  void SetDisableDragging(bool value) { FDisableDragging = value; }
  bool DisableEditor() const { return FDisableEditor; }
  void SetDisableEditor(bool value) { FDisableEditor = value; }
  bool DisableFilter() const { return FDisableFilter; }
  void SetDisableFilter(bool value);
  TAlignment HeaderAlignment() const { return FHeaderAlignment; }
  void SetHeaderAlignment(TAlignment value);
  // Created on first read; nil frees it.
  TBitmap& HeaderGlyph();
  bool HasHeaderGlyph() const { return FHeaderGlyph != nullptr; }
  void SetHeaderGlyph(const TBitmap* value);
  int HeaderMaxLineCount() const { return FHeaderMaxLineCount; }
  void SetHeaderMaxLineCount(int value);
  // Stores max(value, 0) and re-applies Width.
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int value);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool value);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  bool Sizing() const { return FSizing; }
  void SetSizing(bool value);
  TdxTreeListColumnSort Sorted() const { return FSorted; }
  // With a tree list (not loading) the column joins or leaves its sorted
  // columns.
  void SetSorted(TdxTreeListColumnSort value);
  // Position among the tree list's sorted columns; -1 when not sorted.
  int SortedOrder() const;
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  TTextLayout VertAlignment() const { return FVertAlignment; }
  void SetVertAlignment(TTextLayout value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);

  // --- Editing ---------------------------------------------------------------
  virtual bool CanEditing() const { return !FDisableEditor; }
  virtual bool CanShowHeaderButton() const;
  // The class of CreateEditor's editors: a tree list keeps one editor per
  // class.
  virtual std::type_index GetEditorClass() const { return typeid(TdxInplaceTreeListTextEdit); }
  // The in-place editor for this column's cells (a text editor; a column
  // kind that needs another editor answers its own). An editor made with a
  // host as owner belongs to the host once the caller lets it go.
  virtual std::unique_ptr<TdxInplaceEdit> CreateEditor(TComponent* owner) const;
  // Read-only state, the editor's events and, for a text editor, case,
  // length limit, password character and an empty undo history.
  virtual void InitEditor(TdxInplaceEdit& editor);
  // Loads the node's cell text into the editor (a mask editor lays it into
  // its mask); value becomes the editor's value of it.
  virtual void InitEditorValue(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value);
  // Stores a text editor's text as the node's cell text; value becomes the
  // cell's value.
  virtual void SetCellValueFromEditor(TdxTreeListNode* node, TdxInplaceEdit& editor, Variant& value);
  // The tree list's OnEditChange / OnEditValidate first, then the
  // column's; not while the tree list sets its editor up.
  virtual void DoChange(TObject* sender);
  virtual void DoValidate(TObject* sender, std::string& errorText, bool& accept);

  // --- Cell text and drawing ----------------------------------------------
  virtual void GetDisplayText(const TdxTreeListNode* node, std::string& text) const;
  // The text a cell shows for the text of its value.
  virtual void GetDisplayValue(const std::string& valueText, std::string& text) const { text = valueText; }
  // Width of the node's cell text on the canvas, in the column's case.
  virtual int GetCellTextWidth(TCanvas& canvas, const TdxTreeListNode* node) const;
  // The view data of the column's editor kind, made on first use and reused
  // for every cell the column draws.
  TdxEditViewData& GetViewData();
  // Fills the view data from the painter's record of one cell.
  virtual void PrepareViewData(TdxEditViewData& viewData, const TdxTreeListCellViewData& cellInfo);
  virtual bool HasCustomDrawCell() const { return static_cast<bool>(OnCustomDrawCell); }
  virtual bool HasCustomDrawColumnHeader() const { return static_cast<bool>(OnCustomDrawColumnHeader); }
  // Fire the column's own handlers (Sender and AColumn: the column).
  virtual void DoCustomDrawCell(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node, bool selected,
                                bool focused, bool newItemRow, std::string& text, TColor& color, TFont& font,
                                TAlignment& alignment, bool& done);
  virtual void DoCustomDrawColumnHeader(TCanvas& canvas, const TRect& rect, std::string& text, TColor& color,
                                        TFont& font, TAlignment& alignment, TdxTreeListColumnSort& sorted,
                                        bool& done);

  TNotifyEvent OnChange;
  TdxTLCustomDrawCell OnCustomDrawCell;
  TdxTLCustomDrawHeader OnCustomDrawColumnHeader;
  TdxEditValidateEvent OnValidate;
  // Told after the column's name changed (Sender: the column); not a
  // stored event.
  TNotifyEvent OnNameChanged;

 protected:
  virtual TAlignment GetDefaultAlignment() const { return taLeftJustify; }
  virtual std::string GetDefaultCaption() const { return {}; }
  virtual int GetDefaultMaxLength() const { return 0; }
  virtual bool GetDefaultReadOnly() const { return false; }
  virtual int GetDefaultWidth() const { return 100; }
  // The own font changed: it is the column's from now on.
  virtual void FontChanged();
  // The view data class of the column's editor.
  virtual std::unique_ptr<TdxEditViewData> CreateViewData() const;

 private:
  friend class TCustomdxTreeList;
  friend class TCustomdxTreeListControl;
  friend class TdxTreeListBand;
  // Band moves and deletions renumber without clamping (-2 marks the
  // columns of a band on the move).
  void PlaceInBand(int bandIndex) { FBandIndex = bandIndex; }
  // Header-row normalising and layout loading set the stored row without
  // the writer's clamp and without reporting each column.
  void PlaceInRow(int rowIndex) { FStoredRowIndex = rowIndex < 0 ? 0 : rowIndex; }
  void Assigned(TdxColumnAssignedValue value) { FAssignedValues |= value; }
  void FontChangedHandler(TObject* sender);
  // Re-copies the tree list's font while the own one is not assigned.
  void SyncFont();
  TColor DefaultColor() const;

  TCustomdxTreeList* FTreeList = nullptr;
  std::uint8_t FAssignedValues = 0;
  TAlignment FAlignment = taLeftJustify;
  std::string FCaption;
  bool FReadOnly = false;
  int FWidth = 100;
  TColor FColor = clWindow;
  std::unique_ptr<TFont> FFont;
  int FMaxLength = 0;
  TEditCharCase FCharCase = ecNormal;
  bool FDisableCaption = false;
  bool FDisableCustomizing = false;
  bool FDisableDragging = false;
  bool FDisableEditor = false;
  bool FDisableFilter = false;
  TAlignment FHeaderAlignment = taLeftJustify;
  std::unique_ptr<TBitmap> FHeaderGlyph;
  int FHeaderMaxLineCount = 1;
  int FMinWidth = 20;
  bool FOEMConvert = false;
  char FPasswordChar = '\0';
  bool FSizing = true;
  TdxTreeListColumnSort FSorted = csNone;
  bool FTabStop = true;
  TTextLayout FVertAlignment = tlTop;
  bool FVisible = true;
  int FBandIndex = 0;
  int FStoredRowIndex = 0;
  int FStoredSortedOrder = -1;
  std::unique_ptr<TdxEditViewData> FViewData;
};

// A column whose cells are edited through an edit mask: its editor is the
// mask editor, given the column's mask and IgnoreMaskBlank each time it is
// set up.
class TdxTreeListMaskColumn : public TdxTreeListColumn {
 public:
  using TdxTreeListColumn::TdxTreeListColumn;
  TdxTreeListColumnClass ClassType() const override {
    return TdxTreeListColumnClass::Of<TdxTreeListMaskColumn>();
  }
  std::type_index GetEditorClass() const override;
  void Assign(const TPersistent* source) override;
  void RestoreDefaults() override;
  std::unique_ptr<TdxInplaceEdit> CreateEditor(TComponent* owner) const override;
  void InitEditor(TdxInplaceEdit& editor) override;

  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& value) { FEditMask = value; }
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool value) { FIgnoreMaskBlank = value; }

 private:
  std::string FEditMask;
  bool FIgnoreMaskBlank = false;
};
