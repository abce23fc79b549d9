#include "datagrid/control/db_tree_list_control.h"

#include <algorithm>
#include <optional>

#include "datagrid/control/db_column.h"
#include "framework/core/base/exceptions.h"
#include "grid/nodes/sort_comparers.h"

std::string DefaultFieldsMessage() { return "DefaultFields property should be set to False"; }

TCustomdxDBTreeListControl::TCustomdxDBTreeListControl(TComponent* owner) : TCustomdxTreeListControl(owner) {}

TCustomdxDBTreeListControl::~TCustomdxDBTreeListControl() = default;

// --- The link and the dataset -------------------------------------------------------------

TDataSet* TCustomdxDBTreeListControl::DataSet() const {
  const TdxDBTreeListControlDataLink* link = GetDataLink();
  return link != nullptr ? link->DataSet() : nullptr;
}

bool TCustomdxDBTreeListControl::LinkActive() const {
  const TdxDBTreeListControlDataLink* link = GetDataLink();
  return link != nullptr && link->Active();
}

bool TCustomdxDBTreeListControl::DataSetEditing() const {
  const TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return false;
  const TDataSetState state = dataSet->State();
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

// The framework's components handle no action of their own, so what the
// control is offered goes on to the link, which knows the data source.
bool TCustomdxDBTreeListControl::ExecuteAction(TObject* action) {
  TdxDBTreeListControlDataLink* link = GetDataLink();
  return link != nullptr && link->ExecuteAction(action);
}

bool TCustomdxDBTreeListControl::UpdateAction(TObject* action) {
  TdxDBTreeListControlDataLink* link = GetDataLink();
  return link != nullptr && link->UpdateAction(action);
}

bool TCustomdxDBTreeListControl::IsDataEmpty() const {
  const TDataSet* dataSet = DataSet();
  return LinkActive() && dataSet->Active() && !CanInsert() && dataSet->Bof() && dataSet->Eof() &&
         dataSet->State() == dsBrowse;
}

void TCustomdxDBTreeListControl::UpdateData() { CloseEditor(); }

void TCustomdxDBTreeListControl::RecheckEditValue() {
  if (State() != tsEditing) return;
  TdxDBTreeListColumn* column = DBColumn(FocusedColumnAbsoluteIndex());
  if (column != nullptr && !column->ValueUnchanged(FLastEditValue)) {
    // The editor shows a value the field no longer holds: show the field's.
    HideEditor(false);
  }
}

void TCustomdxDBTreeListControl::DoBeforeCalcSummary() {
  if (OnBeforeCalcSummary) OnBeforeCalcSummary(this);
}

void TCustomdxDBTreeListControl::DoRefreshNodeData(TdxTreeListNode* node) {
  if (OnRefreshNodeData) OnRefreshNodeData(this, node);
}

void TCustomdxDBTreeListControl::DoChangeNodeEx() {
  if (IsDestroying()) return;
  if (!FInKeyHandler && !FInternalNoEndSearch) EndAutoSearch();
  if (LinkActive() && OnChangeNodeEx) OnChangeNodeEx(this);
}

// --- Records into nodes ---------------------------------------------------------------------

void TCustomdxDBTreeListControl::LoadColumnValue(TdxDBTreeListControlNode& node, TdxDBTreeListColumn& column,
                                                 int columnIndex) {
  column.LoadCellFromRecord(node, columnIndex);
}

std::vector<TdxDBTreeListColumn*> TCustomdxDBTreeListControl::BoundColumns() const {
  std::vector<TdxDBTreeListColumn*> columns(static_cast<std::size_t>(ColumnCount()), nullptr);
  for (int i = 0; i < ColumnCount(); ++i)
    if (TdxDBTreeListColumn* column = DBColumn(i); column != nullptr && column->Field() != nullptr)
      columns[static_cast<std::size_t>(i)] = column;
  return columns;
}

void TCustomdxDBTreeListControl::LoadNodeFromRecord(TdxDBTreeListControlNode& node) {
  LoadNodeFromRecord(node, BoundColumns());
}

void TCustomdxDBTreeListControl::LoadNodeFromRecord(TdxDBTreeListControlNode& node,
                                                    const std::vector<TdxDBTreeListColumn*>& columns) {
  // The cells are packed once, when the scope closes.
  TdxDBTreeListControlNode::TLoadScope load(node);
  int keyColumn = -1;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == nullptr) continue;
    LoadColumnValue(node, *columns[i], static_cast<int>(i));
    if (keyColumn < 0 && FKeyFieldObj != nullptr && columns[i]->Field() == FKeyFieldObj)
      keyColumn = static_cast<int>(i);
  }
  // The key field shown in a column: its value is read already.
  if (keyColumn < 0 || !node.SetKeyFromColumn(keyColumn))
    node.SetKey(FKeyFieldObj != nullptr ? FKeyFieldObj->Value() : Variant::Null());
  if (FPreviewFieldObj == nullptr) return;
  // A preview that cannot be read stays as far as it got: the row itself
  // is still worth showing.
  try {
    std::string text;
    if (FPreviewFieldObj->OnGetText) {
      FPreviewFieldObj->OnGetText(FPreviewFieldObj, text, true);
    } else {
      text = FPreviewFieldObj->AsString();
      if (FPreviewMaxLength > 0 && static_cast<int>(text.size()) > FPreviewMaxLength)
        text = text.substr(0, static_cast<std::size_t>(FPreviewMaxLength)) + "...";
    }
    node.SetPreviewText(std::move(text));
  } catch (const Exception&) {
  }
}

Variant TCustomdxDBTreeListControl::GetNodeValue(const TdxTreeListNode* node, int columnIndex) const {
  if (const auto* dbNode = dynamic_cast<const TdxDBTreeListControlNode*>(node)) {
    if (std::optional<Variant> value = dbNode->HeldValue(columnIndex)) return std::move(*value);
  }
  Variant value = node != nullptr ? node->CellValue(columnIndex) : Variant::Null();
  if (VarIsStr(value) && value.AsString().empty()) return Variant::Null();
  return value;
}

void TCustomdxDBTreeListControl::ResolvePreviewField(const std::string& name) {
  TField* field = nullptr;
  if (LinkActive() && !name.empty()) field = DataSet()->FindField(name);
  if (field != nullptr && IsBlobFieldType(field->DataType()) && field->DataType() != ftBlob &&
      field->DataType() != ftMemo && field->DataType() != ftFmtMemo)
    field = nullptr;
  FPreviewFieldObj = field;
  WatchField(field);
}

void TCustomdxDBTreeListControl::SetKeyFieldObj(TField* field) {
  FKeyFieldObj = field;
  WatchField(field);
}

void TCustomdxDBTreeListControl::WatchField(TField* field) {
  if (field != nullptr) field->FreeNotification(this);
}

void TCustomdxDBTreeListControl::ForgetField(const TField* field) {
  if (field == nullptr) return;
  if (FKeyFieldObj == field) FKeyFieldObj = nullptr;
  if (FPreviewFieldObj == field) FPreviewFieldObj = nullptr;
}

// --- Columns ----------------------------------------------------------------------------------

TdxTreeListColumnClass TCustomdxDBTreeListControl::GetDefaultColumnClass() const {
  return TdxTreeListColumnClass::Of<TdxDBTreeListColumn>();
}

TdxTreeListColumnClass TCustomdxDBTreeListControl::GetColumnClassForField(TField*) const {
  return TdxTreeListColumnClass::Of<TdxDBTreeListColumn>();
}

TdxTreeListColumn* TCustomdxDBTreeListControl::CreateColumnForClass(const TdxTreeListColumnClass& columnClass,
                                                                    TComponent* owner) {
  if (DefaultFields() && !FRebuildingColumns) throw Exception(DefaultFieldsMessage());
  return CreateColumn(columnClass, owner);
}

TdxDBTreeListColumn* TCustomdxDBTreeListControl::CreateColumnOfClass(const TdxTreeListColumnClass& columnClass) {
  return dynamic_cast<TdxDBTreeListColumn*>(CreateColumn(columnClass, this));
}

void TCustomdxDBTreeListControl::CreateFieldColumns(TDataSet& dataSet, TComponent* owner) {
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField* field = dataSet.Fields()[i];
    auto* column = dynamic_cast<TdxDBTreeListColumn*>(CreateColumnForClass(GetColumnClassForField(field), owner));
    if (column == nullptr) continue;
    column->SetFieldName(field->FieldName());
    column->SetVisible(field->Visible());
  }
}

void TCustomdxDBTreeListControl::DestroyColumns() {
  if (DefaultFields() && !FRebuildingColumns && !IsDestroying() && !IsLoading())
    throw Exception(DefaultFieldsMessage());
  TCustomdxTreeListControl::DestroyColumns();
}

TdxDBTreeListColumn* TCustomdxDBTreeListControl::DBColumn(int index) const {
  return dynamic_cast<TdxDBTreeListColumn*>(Columns(index));
}

TdxDBTreeListColumn* TCustomdxDBTreeListControl::ColumnByField(const TField* field) const {
  if (field == nullptr) return nullptr;
  for (int i = 0; i < ColumnCount(); ++i)
    if (TdxDBTreeListColumn* column = DBColumn(i); column != nullptr && column->Field() == field) return column;
  return nullptr;
}

void TCustomdxDBTreeListControl::BuildFieldMap() {
  TdxDBTreeListControlDataLink* link = GetDataLink();
  if (link == nullptr) return;
  link->ClearMapping();
  TDataSet* dataSet = DataSet();
  if (DefaultFields()) {
    if (dataSet == nullptr) return;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
      if (TField* field = dataSet->Fields()[i]; field->Visible()) link->AddMapping(field);
    return;
  }
  for (int i = 0; i < ColumnCount(); ++i) {
    const TdxDBTreeListColumn* column = DBColumn(i);
    TField* field = nullptr;
    if (column != nullptr && dataSet != nullptr && !column->FieldName().empty())
      field = dataSet->FindField(column->FieldName());
    link->AddMapping(field);
  }
}

void TCustomdxDBTreeListControl::LayoutRecalculated() {
  TCustomdxTreeListControl::LayoutRecalculated();
  if (FRebuildingColumns || IsDestroying() || IsLoading()) return;
  RebindColumns();
}

void TCustomdxDBTreeListControl::RebindColumns() {
  TdxDBTreeListControlDataLink* link = GetDataLink();
  if (link == nullptr) return;
  struct TFlag {
    bool& Value;
    explicit TFlag(bool& value) : Value(value) { Value = true; }
    ~TFlag() { Value = false; }
  } rebuilding(FRebuildingColumns);
  link->ClearMapping();
  if (link->Active()) BuildFieldMap();
  if (DefaultFields()) {
    if (!link->Active()) {
      TCustomdxTreeListControl::DestroyColumns();
      return;
    }
    for (int i = ColumnCount() - 1; i >= 0; --i) {
      TdxDBTreeListColumn* column = DBColumn(i);
      bool mapped = false;
      for (int m = 0; column != nullptr && column->Field() != nullptr && m < link->FieldMapCount(); ++m)
        mapped = mapped || link->Fields(m) == column->Field();
      if (!mapped && Columns(i) != nullptr) Columns(i)->Free();
    }
    for (int m = 0; m < link->FieldMapCount(); ++m) {
      TField* field = link->Fields(m);
      TdxTreeListColumn* found = nullptr;
      for (int c = m; field != nullptr && c < ColumnCount() && found == nullptr; ++c)
        if (TdxDBTreeListColumn* column = DBColumn(c); column != nullptr && column->Field() == field) found = column;
      if (found == nullptr) {
        auto* column = dynamic_cast<TdxDBTreeListColumn*>(
            CreateColumn(field != nullptr ? GetColumnClassForField(field) : GetDefaultColumnClass(), this));
        if (column != nullptr && field != nullptr) column->SetFieldName(field->FieldName());
        found = column;
      }
      if (found != nullptr && m < ColumnCount() && found->Index() != m) MoveColumn(found->Index(), m);
    }
    return;
  }
  for (int i = 0; i < ColumnCount(); ++i)
    if (TdxDBTreeListColumn* column = DBColumn(i)) column->SetFieldName(column->FieldName());
}

void TCustomdxDBTreeListControl::DeleteColumnNodeData(int absoluteIndex) {
  for (int i = 0; i < Count(); ++i)
    if (auto* node = dynamic_cast<TdxDBTreeListControlNode*>(Items(i))) node->DropColumn(absoluteIndex);
}

std::string TCustomdxDBTreeListControl::GetCellText(const TdxTreeListNode* node, int columnIndex) const {
  const auto* dbNode = dynamic_cast<const TdxDBTreeListControlNode*>(node);
  return dbNode != nullptr ? std::string(dbNode->Text(columnIndex)) : std::string();
}

Variant TCustomdxDBTreeListControl::GetCellVariant(const TdxTreeListNode* node, int columnIndex) const {
  return Variant(GetCellText(node, columnIndex));
}

void TCustomdxDBTreeListControl::SetCellText(TdxTreeListNode* node, int columnIndex, const std::string& text) {
  auto* dbNode = dynamic_cast<TdxDBTreeListControlNode*>(node);
  if (dbNode == nullptr) return;
  dbNode->SetText(columnIndex, text);
  NodeChanged(node, false);
}

int TCustomdxDBTreeListControl::CompareEqualNodes(const TdxTreeListNode* node1,
                                                   const TdxTreeListNode* node2) const {
  const auto* a = dynamic_cast<const TdxDBTreeListControlNode*>(node1);
  const auto* b = dynamic_cast<const TdxDBTreeListControlNode*>(node2);
  if (a == nullptr || b == nullptr) return TCustomdxTreeListControl::CompareEqualNodes(node1, node2);
  const bool emptyA = a->Key().IsNull() || a->Key().IsEmpty();
  const bool emptyB = b->Key().IsNull() || b->Key().IsEmpty();
  if (emptyA || emptyB) return 0;
  const int result = CompareVariants(a->Key(), b->Key());
  return result != 0 ? result : TCustomdxTreeListControl::CompareEqualNodes(node1, node2);
}

// --- Editing ------------------------------------------------------------------------------------

bool TCustomdxDBTreeListControl::CanEditorModify() {
  TdxDBTreeListControlDataLink* link = GetDataLink();
  if (!CanNavigate() || IsKeyless() || link == nullptr || !link->Active() || link->ReadOnly()) return false;
  TdxDBTreeListColumn* column = DBColumn(FocusedColumnAbsoluteIndex());
  if (column == nullptr || column->ReadOnly() || column->Field() == nullptr) return false;
  TField* field = column->Field();
  bool modifiable = field->CanModify();
  if (!modifiable && field->IsLookupField()) {
    modifiable = true;
    for (TField* key : DataSet()->GetFieldList(field->KeyFields())) modifiable = modifiable && key->CanModify();
  }
  if (!modifiable) return false;
  if (IsBlobFieldType(field->DataType()) && !field->OnSetText && !column->BlobEditing()) return false;
  if (IsDataEmpty()) return false;
  link->RequestEdit();
  if (link->Editing()) link->SetModified(true);
  return link->Editing();
}

bool TCustomdxDBTreeListControl::IsEditorCharAllowed(char ch) {
  const TdxDBTreeListColumn* column = DBColumn(FocusedColumnAbsoluteIndex());
  return column == nullptr || column->MayTakeKey(ch);
}

void TCustomdxDBTreeListControl::StoreEditorValue(TdxTreeListNode* node, int absoluteColumn,
                                                  TdxInplaceEdit& editor, Variant& value) {
  TdxDBTreeListColumn* column = DBColumn(absoluteColumn);
  if (LinkActive() && column != nullptr && DataSetEditing()) {
    AddPendingRefresh(node);
    column->SetCellValueFromEditor(node, editor, value);
    if (IsPendingRefresh(node)) {
      if (auto* dbNode = dynamic_cast<TdxDBTreeListControlNode*>(node); dbNode != nullptr && column->Field())
        dbNode->SetText(absoluteColumn, column->DisplayConversion(column->Field()->DisplayTextOf()));
      RemovePendingRefresh(node);
    }
  } else {
    value = Variant(std::string());
  }
  FLastEditValue = value;
}

bool TCustomdxDBTreeListControl::IsPendingRefresh(const TdxTreeListNode* node) const {
  return std::find(FPendingRefreshNodes.begin(), FPendingRefreshNodes.end(), node) != FPendingRefreshNodes.end();
}

void TCustomdxDBTreeListControl::AddPendingRefresh(TdxTreeListNode* node) {
  if (node != nullptr && !IsPendingRefresh(node)) FPendingRefreshNodes.push_back(node);
}

void TCustomdxDBTreeListControl::RemovePendingRefresh(const TdxTreeListNode* node) {
  std::erase(FPendingRefreshNodes, node);
}

bool TCustomdxDBTreeListControl::FocusNode(TdxTreeListNode* node) {
  AddPendingRefresh(node);
  if (node != nullptr) node->SetFocused(true);
  return IsPendingRefresh(node);
}

void TCustomdxDBTreeListControl::NodeDeleted(TdxTreeListNode* node, TdxTreeListNode* before,
                                             TdxTreeListNode* next, bool wasLast, bool wasVisible) {
  RemovePendingRefresh(node);
  ForgetSelectedNode(node);
  TCustomdxTreeListControl::NodeDeleted(node, before, next, wasLast, wasVisible);
}

void TCustomdxDBTreeListControl::DoEditing(TdxTreeListNode* node, bool& allow) {
  TCustomdxTreeListControl::DoEditing(node, allow);
  allow = allow && CanNavigate();
}

void TCustomdxDBTreeListControl::DoExit() {
  {
    struct TFlag {
      bool& Value;
      explicit TFlag(bool& value) : Value(value) { Value = true; }
      ~TFlag() { Value = false; }
    } exiting(FExiting);
    TdxDBTreeListControlDataLink* link = GetDataLink();
    try {
      if (link != nullptr && link->Active()) {
        TDataSet* dataSet = DataSet();
        if (IsCancelOnExit() && dataSet->State() == dsInsert && !dataSet->Modified() && !link->Modified())
          dataSet->Cancel();
        else
          link->UpdateRecord();
      }
    } catch (...) {
      if (CanFocus()) SetFocus();
      throw;
    }
  }
  TCustomdxTreeListControl::DoExit();
}

int TCustomdxDBTreeListControl::GetRowIndicatorKind(const TdxTreeListNode* node) const {
  int kind = 0;
  const bool selected = IsNodeSelected(node);
  if (node != FocusedNode()) return selected ? 4 : 0;
  kind = selected && IsMultiSelect() ? 5 : 1;
  if (const TDataSet* dataSet = DataSet(); dataSet != nullptr && LinkActive()) {
    if (dataSet->State() == dsEdit) kind = 2;
    if (dataSet->State() == dsInsert) kind = 3;
  }
  return kind;
}

// --- Drawing the summary footer ---------------------------------------------------------------

bool TCustomdxDBTreeListControl::IsCustomDrawFooter(const TdxTreeListNode* node, int absoluteIndex,
                                                    int footerIndex) const {
  if (footerIndex < 0) {
    const auto* column = dynamic_cast<const TdxDBTreeListColumn*>(Columns(absoluteIndex));
    if (column != nullptr && column->OnDrawSummaryFooter) return true;
  }
  return TCustomdxTreeListControl::IsCustomDrawFooter(node, absoluteIndex, footerIndex);
}

void TCustomdxDBTreeListControl::DoCustomDrawFooter(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                                    int absoluteIndex, int footerIndex, std::string& text,
                                                    TColor& color, TFont& font, TAlignment& alignment, bool& done) {
  if (footerIndex < 0)
    if (auto* column = dynamic_cast<TdxDBTreeListColumn*>(Columns(absoluteIndex)))
      column->DoDrawSummaryFooter(canvas, rect, text, color, font, alignment, done);
  if (!done)
    TCustomdxTreeListControl::DoCustomDrawFooter(canvas, rect, node, absoluteIndex, footerIndex, text, color, font,
                                                 alignment, done);
}
