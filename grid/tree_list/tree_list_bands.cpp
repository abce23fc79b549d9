#include "grid/tree_list/tree_list_bands.h"

#include <algorithm>
#include <memory>

#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// Renumbering is for a tree list that stays: not while it is being built
// from a form or taken down.
bool CanRenumber(const TCustomdxTreeList* treeList) {
  return treeList != nullptr && !treeList->IsDestroying() && !treeList->IsLoading();
}

}  // namespace

// --- TdxTreeListBand ---------------------------------------------------------------

// Renumbered also under the tree list's update lock: otherwise the columns
// would silently land in the wrong band.
TdxTreeListBand::~TdxTreeListBand() {
  TCustomdxTreeList* treeList = TreeList();
  const int index = Index();
  if (!CanRenumber(treeList) || index < 0) return;
  for (int i = 0; i < treeList->ColumnCount(); ++i) {
    TdxTreeListColumn* column = treeList->Columns(i);
    if (column->BandIndex() == index)
      column->PlaceInBand(-1);
    else if (column->BandIndex() > index)
      column->PlaceInBand(column->BandIndex() - 1);
  }
  treeList->ColumnsChanged(nullptr);
}

TCustomdxTreeList* TdxTreeListBand::TreeList() const {
  auto* bands = dynamic_cast<TdxTreeListBands*>(Collection());
  return bands != nullptr ? bands->TreeList() : nullptr;
}

void TdxTreeListBand::Assign(const TPersistent* source) {
  const auto* band = dynamic_cast<const TdxTreeListBand*>(source);
  if (band == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  std::unique_ptr<TCollection::TUpdateLock> lock;
  if (Collection() != nullptr) lock = std::make_unique<TCollection::TUpdateLock>(*Collection());
  RestoreDefaults();
  SetAlignment(band->Alignment());
  SetCaption(band->Caption());
  SetFixed(band->Fixed());
  SetMinWidth(band->MinWidth());
  SetOnlyOwnColumns(band->OnlyOwnColumns());
  SetSizing(band->Sizing());
  SetVisible(band->Visible());
  SetWidth(band->Width());
  if (lock) lock->Close();
}

void TdxTreeListBand::RestoreDefaults() {
  FAlignment = taCenter;
  FFixed = bfNone;
  FMinWidth = 30;
  FOnlyOwnColumns = false;
  FSizing = true;
  FWidth = 250;
  Report();
}

void TdxTreeListBand::MoveColumns(int from, int to) const {
  TCustomdxTreeList* treeList = TreeList();
  if (treeList == nullptr) return;
  for (int i = 0; i < treeList->ColumnCount(); ++i)
    if (treeList->Columns(i)->BandIndex() == from) treeList->Columns(i)->PlaceInBand(to);
}

void TdxTreeListBand::SetIndex(int value) {
  const int current = Index();
  if (current < 0) return;
  value = std::clamp(value, 0, Collection()->Count() - 1);
  if (FFixed != bfNone || value == current) return;
  MoveColumns(current, -2);
  const int step = value > current ? 1 : -1;
  for (int band = current + step; band != value + step; band += step) MoveColumns(band, band - step);
  MoveColumns(-2, value);
  TCollectionItem::SetIndex(value);
}

int TdxTreeListBand::VisibleIndex() const {
  if (!FVisible || Collection() == nullptr) return -1;
  int visible = 0;
  for (int i = 0; i < Index(); ++i)
    if (static_cast<TdxTreeListBand*>(Collection()->Items(i))->Visible()) ++visible;
  return visible;
}

int TdxTreeListBand::RowCount() const {
  const TCustomdxTreeList* treeList = TreeList();
  return treeList != nullptr ? treeList->HeaderPanelRowCount() : 0;
}

int TdxTreeListBand::ColumnCount(int row) const {
  const TCustomdxTreeList* treeList = TreeList();
  const int visible = VisibleIndex();
  return treeList != nullptr && visible >= 0 ? treeList->GetHeaderColumnCount(visible, row) : 0;
}

TdxTreeListColumn* TdxTreeListBand::Columns(int row, int col) const {
  const TCustomdxTreeList* treeList = TreeList();
  const int visible = VisibleIndex();
  if (treeList == nullptr || visible < 0) return nullptr;
  return treeList->Columns(treeList->GetHeaderAbsoluteIndex(visible, row, col));
}

void TdxTreeListBand::SetAlignment(TAlignment value) {
  if (FAlignment == value) return;
  FAlignment = value;
  Report();
}

void TdxTreeListBand::SetCaption(const std::string& value) {
  if (FCaption == value) return;
  FCaption = value;
  Report();
}

void TdxTreeListBand::SetDisableCustomizing(bool value) {
  if (FDisableCustomizing == value) return;
  FDisableCustomizing = value;
  Report();
}

void TdxTreeListBand::SetSizing(bool value) {
  if (FSizing == value) return;
  FSizing = value;
  Report();
}

void TdxTreeListBand::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  if (!value) FFixed = bfNone;
  Report();
}

void TdxTreeListBand::SetMinWidth(int value) {
  FMinWidth = std::max(value, 0);
  SetWidth(FWidth);
}

void TdxTreeListBand::SetWidth(int value) {
  value = std::max(value, FMinWidth);
  const TCustomdxTreeList* treeList = TreeList();
  const bool always = treeList != nullptr && treeList->OptionExOn(tloBandHeaderWidth);
  if (value == FWidth && !always) return;
  FWidth = value;
  Report();
}

void TdxTreeListBand::SetFixed(TdxGridBandFixed value) {
  if (FFixed == value) return;
  FFixed = bfNone;
  auto* bands = dynamic_cast<TdxTreeListBands*>(Collection());
  if (value != bfNone && bands != nullptr) {
    for (int i = 0; i < bands->Count(); ++i) {
      TdxTreeListBand* other = bands->Items(i);
      if (other != this && other->FFixed == value) other->FFixed = bfNone;
    }
    SetIndex(value == bfLeft ? 0 : bands->Count() - 1);
  }
  if (FVisible) FFixed = value;
  Report();
}

// --- TdxTreeListBands ----------------------------------------------------------------

TdxTreeListBands::TdxTreeListBands(TCustomdxTreeList* treeList)
    : TCollectionOf<TdxTreeListBand>(treeList), FTreeList(treeList) {}

TdxTreeListBands::~TdxTreeListBands() {
  try {
    Clear();
  } catch (...) {
    // A change handler raised while the bands go: nothing to report it to.
  }
}

int TdxTreeListBands::VisibleCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) ++count;
  return count;
}

int TdxTreeListBands::GetAbsoluteIndex(int visibleIndex) const {
  if (visibleIndex < 0) return -1;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible() && visibleIndex-- == 0) return i;
  return -1;
}

TdxTreeListBand* TdxTreeListBands::VisibleItems(int visibleIndex) const {
  const int index = GetAbsoluteIndex(visibleIndex);
  return index >= 0 ? Items(index) : nullptr;
}

void TdxTreeListBands::NormaliseFixed() {
  int firstVisible = -1;
  int lastVisible = -1;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) {
      if (firstVisible < 0) firstVisible = i;
      lastVisible = i;
    }
  int lefts = 0;
  int rights = 0;
  bool wrong = false;
  for (int i = 0; i < Count(); ++i) {
    const TdxGridBandFixed fixed = Items(i)->Fixed();
    if (fixed == bfLeft) wrong = wrong || ++lefts > 1 || i != firstVisible;
    if (fixed == bfRight) wrong = wrong || ++rights > 1 || i != lastVisible;
  }
  if (!wrong) return;
  TdxTreeListBand* left = nullptr;
  TdxTreeListBand* right = nullptr;
  for (int i = 0; i < Count(); ++i) {
    TdxTreeListBand* band = Items(i);
    if (band->FFixed == bfLeft && left == nullptr) left = band;
    if (band->FFixed == bfRight && right == nullptr) right = band;
    band->FFixed = bfNone;
  }
  TCollection::TUpdateLock lock(*this);
  if (left != nullptr) left->SetFixed(bfLeft);
  if (right != nullptr) right->SetFixed(bfRight);
  lock.Close();
}

void TdxTreeListBands::Update(TCollectionItem* /*item*/) {
  if (FTreeList == nullptr) return;
  if (Count() != 1) FTreeList->SetDefaultLayout(false);
  if (FTreeList->IsLoading() || FTreeList->IsDestroying()) return;
  FTreeList->ClearCaches();
  NormaliseFixed();
  FTreeList->BandsChanged();
}
