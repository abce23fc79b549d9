// The column-owning control's layout in the registry or in an ini file:
// the control values in the base section, one section per band below
// "Band" and one per column (by name) below "Columns". Every value is read
// and written through the storage facade, so both stores hold the same
// names and texts.

#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/storage/ini_files.h"
#include "framework/core/storage/registry.h"
#include "framework/core/storage/registry_store.h"
#include "grid/support/reg_ini_wrapper.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_control.h"

namespace {

std::string BandSection(const std::string& base, int band) {
  return base + "\\Band\\Band" + std::to_string(band);
}

std::string ColumnSection(const std::string& base, const TdxTreeListColumn& column) {
  return base + "\\Columns\\" + column.Name();
}

// The widest band or column a stored layout may ask for. Full sizing draws
// the sizing line up to 100000 pixels from the client's left, and a band
// scrolled to the left grows past that, so a layout the control saved may
// hold such widths; a layout sums widths over its bands and columns, so a
// bound this far below the integer range keeps every sum whole. A stored
// number beyond it comes from a damaged store.
constexpr int MaxStoredWidth = 1000000;
// The tallest row: row sizing stops at the client's bottom, and a row is
// this height times the header rows, which the sums of rows must hold.
constexpr int MaxStoredRowHeight = 32767;

// A stored number, or current when it is missing or lies outside
// low .. high: an impossible value is passed over like a missing one.
int ReadStoredNumber(TdxRegIniWrapper& store, const std::string& section, std::string_view ident, int current,
                     int low, int high) {
  const int value = store.ReadIntegerValue(section, ident, current);
  return value >= low && value <= high ? value : current;
}

// Items listed with the position a layout gave them, in the order they were
// read; equal positions keep that order.
template <class T>
void SortByStoredIndex(std::vector<std::pair<int, T*>>& items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

}  // namespace

// The bracket of one layout load: BeginLayoutLoad, and EndLayoutLoad on
// every path.
class TCustomdxTreeListControl::TLayoutLoadScope {
 public:
  explicit TLayoutLoadScope(TCustomdxTreeListControl& control) : FControl(&control) {
    control.BeginLayoutLoad();
  }
  TLayoutLoadScope(const TLayoutLoadScope&) = delete;
  TLayoutLoadScope& operator=(const TLayoutLoadScope&) = delete;
  ~TLayoutLoadScope() {
    try {
      Close();
    } catch (...) {
      // Only reached while the load's own error leaves: that one is reported.
    }
  }
  void Close() {
    if (TCustomdxTreeListControl* control = std::exchange(FControl, nullptr)) control->EndLayoutLoad();
  }

 private:
  TCustomdxTreeListControl* FControl;
};

// While the columns' bands and rows are read: header rows are normalised
// once, at the end, from all of them.
class TCustomdxTreeListControl::TColumnPositionScope {
 public:
  explicit TColumnPositionScope(TCustomdxTreeListControl& control) : FControl(&control) {
    ++control.FLayoutLoadDepth;
  }
  TColumnPositionScope(const TColumnPositionScope&) = delete;
  TColumnPositionScope& operator=(const TColumnPositionScope&) = delete;
  ~TColumnPositionScope() {
    try {
      Close();
    } catch (...) {
      // As above: the reading error is the one to report.
    }
  }
  void Close() {
    TCustomdxTreeListControl* control = std::exchange(FControl, nullptr);
    if (control == nullptr) return;
    --control->FLayoutLoadDepth;
    control->ColumnsChanged(nullptr);
  }

 private:
  TCustomdxTreeListControl* FControl;
};

std::string TCustomdxTreeListControl::NormaliseLayoutBase(const std::string& base) {
  std::string result = base;
  if (!result.empty() && result.front() != '\\') result.insert(result.begin(), '\\');
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

std::string TCustomdxTreeListControl::IniLayoutSection() const {
  return !FIniSectionName.empty() ? FIniSectionName : "\\" + ParentFormName() + "_" + Name();
}

// --- Where the layout lives ---------------------------------------------------------------

void TCustomdxTreeListControl::LoadLayoutFromRegistry(const std::string& key) {
  TRegIniFile registry;
  // A control whose layout was never stored keeps the values it has.
  if (!registry.OpenKey(key, false)) return;
  registry.CloseKey();
  LoadLayout(registry, key);
}

void TCustomdxTreeListControl::SaveLayoutToRegistry(const std::string& key) {
  TRegIniFile registry;
  TRegistryUpdateScope update(registry);
  SaveLayout(registry, key);
  update.Commit();
}

void TCustomdxTreeListControl::LoadLayoutFromIniFile(const std::string& fileName) {
  TMemIniFile iniFile(fileName);
  LoadLayout(iniFile, IniLayoutSection());
}

void TCustomdxTreeListControl::SaveLayoutToIniFile(const std::string& fileName) {
  TMemIniFile iniFile(fileName);
  TIniFileUpdateScope update(iniFile);
  SaveLayout(iniFile, IniLayoutSection());
  update.Commit();
}

void TCustomdxTreeListControl::LoadLayout(TRegIniFile& registry, const std::string& base) {
  TdxRegIniWrapper store(registry);
  LoadLayoutFrom(store, NormaliseLayoutBase(base));
}

void TCustomdxTreeListControl::LoadLayout(TCustomIniFile& iniFile, const std::string& base) {
  TdxRegIniWrapper store(iniFile);
  LoadLayoutFrom(store, NormaliseLayoutBase(base));
}

// Registry keys of an earlier layout stay; values are written over them.
void TCustomdxTreeListControl::SaveLayout(TRegIniFile& registry, const std::string& base) {
  TdxRegIniWrapper store(registry);
  SaveLayoutTo(store, NormaliseLayoutBase(base));
}

// The ini file loses the control's earlier sections first (columns since
// renamed or gone), but only its own: those of base and below "base\". A
// bare prefix would also take the sections of a control whose name merely
// begins with this one's ("Grid10" for "Grid1").
void TCustomdxTreeListControl::SaveLayout(TCustomIniFile& iniFile, const std::string& base) {
  const std::string section = NormaliseLayoutBase(base);
  TdxRegIniWrapper store(iniFile);
  store.EraseSection(section);
  store.EraseSectionsWithPrefix(section + "\\");
  SaveLayoutTo(store, section);
}

// --- Automatic load and save ------------------------------------------------------------------

void TCustomdxTreeListControl::AutoLoadLayout() {
  if (std::exchange(FAutoLoaded, true) || IsDesigning()) return;
  if (OptionOn(tloStoreToRegistry) && !FRegistryPath.empty()) LoadLayoutFromRegistry(FRegistryPath);
  if (OptionOn(tloStoreToIniFile) && !FIniFileName.empty()) LoadLayoutFromIniFile(FIniFileName);
}

void TCustomdxTreeListControl::AutoSaveLayout() {
  if (std::exchange(FAutoSaved, true) || IsDesigning() || !CanAutoSave()) return;
  // One store failing does not keep the layout from the other.
  std::exception_ptr failure;
  if (OptionOn(tloStoreToRegistry) && !FRegistryPath.empty()) {
    try {
      SaveLayoutToRegistry(FRegistryPath);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (OptionOn(tloStoreToIniFile) && !FIniFileName.empty()) {
    try {
      SaveLayoutToIniFile(FIniFileName);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TCustomdxTreeListControl::AutoSaveLayoutQuietly() noexcept {
  try {
    AutoSaveLayout();
  } catch (...) {
    // Called on the way out (destructor, or the first column leaving a
    // control that is being destroyed): there is no caller to tell. The
    // store's own writes are atomic, so the stored layout is the old one.
  }
}

// --- Saving ------------------------------------------------------------------------------------

void TCustomdxTreeListControl::SaveLayoutTo(TdxRegIniWrapper& store, const std::string& base) {
  SaveControlLayout(store, base);
  for (int i = 0; i < ColumnCount(); ++i) {
    TdxTreeListColumn& column = *Columns(i);
    // A column is found again by its name; one without a name cannot be.
    if (!column.Name().empty()) SaveColumnLayout(store, column, ColumnSection(base, column));
  }
}

void TCustomdxTreeListControl::SaveControlLayout(TdxRegIniWrapper& store, const std::string& base) {
  store.WriteBooleanValue(base, "ShowGrid", ShowGrid());
  store.WriteBooleanValue(base, "ShowPreviewGrid", ShowPreviewGrid());
  store.WriteIntegerValue(base, "BandRowCount", BandRowCount());
  store.WriteIntegerValue(base, "DefaultRowHeight", DefaultRowHeight());
  store.WriteIntegerValue(base, "HeaderPanelRowCount",
                          OptionExOn(tloAutoHeaderPanelHeight) ? -1 : HeaderPanelRowCount());
  for (int i = 0; i < Bands().Count(); ++i) {
    const TdxTreeListBand& band = *Bands().Items(i);
    const std::string section = BandSection(base, i);
    store.WriteIntegerValue(section, "ID", band.ID());
    store.WriteBooleanValue(section, "Visible", band.Visible());
    store.WriteIntegerValue(section, "Index", band.Index());
    store.WriteIntegerValue(section, "Width", band.Width());
  }
}

void TCustomdxTreeListControl::SaveColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                                const std::string& section) {
  store.WriteIntegerValue(section, "BandIndex", column.BandIndex());
  store.WriteIntegerValue(section, "RowIndex", column.RowIndex());
  store.WriteIntegerValue(section, "ColIndex", column.ColIndex());
  store.WriteBooleanValue(section, "Visible", column.Visible());
  store.WriteIntegerValue(section, "Index", column.Index());
  store.WriteIntegerValue(section, "Width", column.Width());
  store.WriteIntegerValue(section, "Sorted", static_cast<int>(column.Sorted()));
  store.WriteIntegerValue(section, "SortedOrder", column.SortedOrder());
  store.WriteIntegerValue(section, "StoredRowIndex", column.StoredRowIndex());
}

// --- Loading -----------------------------------------------------------------------------------

void TCustomdxTreeListControl::BeginLayoutLoad() {
  BeginUpdate();
  if (IsMultiSort()) BeginSortUpdate();
}

void TCustomdxTreeListControl::EndLayoutLoad() {
  if (IsSortUpdating()) EndSortUpdate();
  EndUpdate();
}

void TCustomdxTreeListControl::LoadLayoutFrom(TdxRegIniWrapper& store, const std::string& base) {
  TLayoutLoadScope scope(*this);
  LoadControlLayout(store, base);
  LoadBandLayouts(store, base);
  LoadColumnPositions(store, base);
  if (IsMultiSort()) RebuildSortedColumns();
  scope.Close();
  FLayoutLoaded = true;
}

// Missing values, and values that are no numbers, read as the current ones.
void TCustomdxTreeListControl::LoadControlLayout(TdxRegIniWrapper& store, const std::string& base) {
  SetShowGrid(store.ReadBooleanValue(base, "ShowGrid", ShowGrid()));
  SetShowPreviewGrid(store.ReadBooleanValue(base, "ShowPreviewGrid", ShowPreviewGrid()));
  // The row counts are clamped by their writers.
  SetBandRowCount(store.ReadIntegerValue(base, "BandRowCount", BandRowCount()));
  // A row needs a height: 0 or less is not one the control could show.
  const int rowHeight = ReadStoredNumber(store, base, "DefaultRowHeight", DefaultRowHeight(), 1, MaxStoredRowHeight);
  if (rowHeight > 0) SetDefaultRowHeight(rowHeight);
  // -1 is the automatic height; a missing value must keep the current
  // setting, automatic or not.
  const bool automatic = OptionExOn(tloAutoHeaderPanelHeight);
  const int headerRows =
      store.ReadIntegerValue(base, "HeaderPanelRowCount", automatic ? -1 : HeaderPanelRowCount());
  if (headerRows != -1) {
    ClearAutoHeaderPanelHeight();
    SetHeaderPanelRowCount(headerRows);
  }
}

void TCustomdxTreeListControl::LoadBandLayouts(TdxRegIniWrapper& store, const std::string& base) {
  std::vector<std::pair<int, TdxTreeListBand*>> order;
  const int count = Bands().Count();
  for (int i = 0; i < count; ++i) {
    const std::string section = BandSection(base, i);
    const int id = store.ReadIntegerValue(section, "ID", -1);
    if (id == -1) continue;
    TdxTreeListBand* band = Bands().FindItemID(id);
    // A band no longer there, or one listed twice, is passed over.
    if (band == nullptr ||
        std::any_of(order.begin(), order.end(), [band](const auto& entry) { return entry.second == band; }))
      continue;
    band->SetVisible(store.ReadBooleanValue(section, "Visible", band->Visible()));
    band->SetWidth(ReadStoredNumber(store, section, "Width", band->Width(), 0, MaxStoredWidth));
    order.emplace_back(store.ReadIntegerValue(section, "Index", band->Index()), band);
  }
  SortByStoredIndex(order);
  for (std::size_t i = 0; i < order.size(); ++i) order[i].second->SetIndex(static_cast<int>(i));
}

void TCustomdxTreeListControl::LoadColumnPositions(TdxRegIniWrapper& store, const std::string& base) {
  std::vector<TdxTreeListColumn*> columns;
  for (int i = 0; i < ColumnCount(); ++i)
    if (!Columns(i)->Name().empty()) columns.push_back(Columns(i));
  std::vector<std::pair<int, TdxTreeListColumn*>> order;
  for (TdxTreeListColumn* column : columns) {
    const std::string section = ColumnSection(base, *column);
    LoadColumnLayout(store, *column, section);
    order.emplace_back(store.ReadIntegerValue(section, "Index", column->Index()), column);
  }
  SortByStoredIndex(order);
  for (std::size_t i = 0; i < order.size(); ++i) order[i].second->SetIndex(static_cast<int>(i));

  // "ColIndex" is not read: a column's place in its row follows from the
  // column order just restored.
  TColumnPositionScope positions(*this);
  for (TdxTreeListColumn* column : columns) {
    const std::string section = ColumnSection(base, *column);
    // The band and row writers clamp; the row a column asked for is taken
    // only when a header panel could have it.
    column->SetBandIndex(store.ReadIntegerValue(section, "BandIndex", column->BandIndex()));
    column->SetRowIndex(store.ReadIntegerValue(section, "RowIndex", column->RowIndex()));
    column->PlaceInRow(ReadStoredNumber(store, section, "StoredRowIndex", column->StoredRowIndex(), 0,
                                        HeaderPanelMaxRowCount() - 1));
  }
  positions.Close();
}

void TCustomdxTreeListControl::LoadColumnLayout(TdxRegIniWrapper& store, TdxTreeListColumn& column,
                                                const std::string& section) {
  column.SetVisible(store.ReadBooleanValue(section, "Visible", column.Visible()));
  column.SetWidth(ReadStoredNumber(store, section, "Width", column.Width(), 0, MaxStoredWidth));
  // Only the three sort states are values; anything else is unreadable.
  const int sorted = store.ReadIntegerValue(section, "Sorted", static_cast<int>(column.Sorted()));
  if (sorted >= csNone && sorted <= csUp) column.SetSorted(static_cast<TdxTreeListColumnSort>(sorted));
  column.SetStoredSortedOrder(store.ReadIntegerValue(section, "SortedOrder", -1));
}
