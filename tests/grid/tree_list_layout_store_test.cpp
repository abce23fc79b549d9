// A control's layout in the registry and in ini files: what is stored under
// which names, what comes back, controls side by side in one file, the
// automatic load and save around a form's life, and stored values that
// are missing, odd or unreadable.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include "framework/core/base/exceptions.h"
#include "framework/core/component/strings.h"
#include "framework/core/storage/ini_files.h"
#include "framework/core/storage/registry.h"
#include "tests/grid/test_control_form.h"
#include "tests/support/listings.h"

namespace {

constexpr const char* Key = "\\Software\\Tulvo\\HOME";

enum class Store { Registry, IniFile };

class LayoutStoreTest : public ControlFormTest {
 protected:
  // Two bands, two header rows, four columns: Name and Phone in band 0
  // (Phone below Name), Street and House in band 1. The columns belong to
  // the form, or with ownedByGrid to the control (so that two controls on
  // one form can have columns of the same names).
  TCustomdxTreeListControl* Build(const std::string& name = "Grid1", TForm* form = nullptr,
                                  bool ownedByGrid = false) {
    TCustomdxTreeListControl* grid = AddGrid(name, form);
    grid->Bands().Add();
    grid->SetHeaderPanelRowCount(2);
    AddColumn(grid, "Name", 0, ownedByGrid);
    AddColumn(grid, "Street", 1, ownedByGrid);
    AddColumn(grid, "House", 1, ownedByGrid);
    AddColumn(grid, "Phone", 0, ownedByGrid)->SetRowIndex(1);
    return grid;
  }
  // Everything a layout holds, changed from Build's.
  static void Rearrange(TCustomdxTreeListControl& grid) {
    grid.SetOptionsEx(grid.OptionsEx() | (1u << tloMultiSort));
    grid.SetShowGrid(true);
    grid.SetShowPreviewGrid(false);
    grid.SetBandRowCount(2);
    grid.SetDefaultRowHeight(23);
    grid.Bands().Items(1)->SetWidth(180);
    grid.Bands().Items(1)->SetIndex(0);
    TdxTreeListColumn* street = grid.ColumnByName("Street");
    street->SetWidth(140);
    street->SetIndex(3);
    grid.ColumnByName("House")->SetVisible(false);
    grid.ColumnByName("Phone")->SetSorted(csDown);
    grid.ColumnByName("Name")->SetSorted(csUp);
    grid.ColumnByName("Name")->SetWidth(75);
  }

  void Save(TCustomdxTreeListControl& grid, Store store) {
    if (store == Store::Registry)
      grid.SaveLayoutToRegistry(Key);
    else
      grid.SaveLayoutToIniFile(IniPath());
  }
  void Load(TCustomdxTreeListControl& grid, Store store) {
    if (store == Store::Registry)
      grid.LoadLayoutFromRegistry(Key);
    else
      grid.LoadLayoutFromIniFile(IniPath());
  }
  // The value names of a stored section, in stored order, and one value.
  Names ValueNames(Store store, const std::string& section) {
    TStringList names;
    if (store == Store::Registry) {
      TRegistry registry;
      if (registry.OpenKey(std::string(Key) + section, false)) registry.GetValueNames(names);
    } else {
      TMemIniFile(IniPath()).ReadSection("\\Form1_Grid1" + section, names);
    }
    return Lines(names);
  }
  std::string Value(Store store, const std::string& section, const std::string& name) {
    if (store == Store::Registry) return TRegIniFile().ReadString(std::string(Key) + section, name, "?");
    return TMemIniFile(IniPath()).ReadString("\\Form1_Grid1" + section, name, "?");
  }
};

class BothStoresTest : public LayoutStoreTest, public ::testing::WithParamInterface<Store> {};

INSTANTIATE_TEST_SUITE_P(Stores, BothStoresTest, ::testing::Values(Store::Registry, Store::IniFile),
                         [](const auto& info) {
                           return info.param == Store::Registry ? "Registry" : "IniFile";
                         });

TEST_P(BothStoresTest, LayoutComesBackIntoAControlBuiltTheOtherWay) {
  TCustomdxTreeListControl* grid = Build();
  Rearrange(*grid);
  const std::string saved = Describe(*grid);
  EXPECT_EQ(saved, "10 2 23 2 | 1:180 0:250 | Name:1.0:75^1 -House:0.0:100 Phone:1.1:100v0 Street:0.0:140");
  Save(*grid, GetParam());
  grid->Free();

  TCustomdxTreeListControl* again = Build();
  again->SetOptionsEx(again->OptionsEx() | (1u << tloMultiSort));
  ASSERT_NE(Describe(*again), saved);
  Load(*again, GetParam());
  EXPECT_EQ(Describe(*again), saved);
  again->CheckInvariants();
}

TEST_P(BothStoresTest, ValuesAreStoredUnderTheirNamesInWritingOrder) {
  TCustomdxTreeListControl* grid = Build();
  Rearrange(*grid);
  Save(*grid, GetParam());
  const Store store = GetParam();
  EXPECT_EQ(ValueNames(store, ""), (Names{"ShowGrid", "ShowPreviewGrid", "BandRowCount", "DefaultRowHeight",
                                          "HeaderPanelRowCount"}));
  EXPECT_EQ(ValueNames(store, "\\Band\\Band0"), (Names{"ID", "Visible", "Index", "Width"}));
  EXPECT_EQ(ValueNames(store, "\\Columns\\Phone"),
            (Names{"BandIndex", "RowIndex", "ColIndex", "Visible", "Index", "Width", "Sorted", "SortedOrder",
                   "StoredRowIndex"}));
  EXPECT_EQ(Value(store, "", "ShowGrid"), "1");
  EXPECT_EQ(Value(store, "", "ShowPreviewGrid"), "0");
  EXPECT_EQ(Value(store, "", "DefaultRowHeight"), "23");
  // Band 0 of the collection is the one made second (ID 1), moved first.
  EXPECT_EQ(Value(store, "\\Band\\Band0", "ID"), "1");
  EXPECT_EQ(Value(store, "\\Band\\Band0", "Width"), "180");
  EXPECT_EQ(Value(store, "\\Band\\Band1", "Index"), "1");
  EXPECT_EQ(Value(store, "\\Columns\\Street", "Index"), "3");
  EXPECT_EQ(Value(store, "\\Columns\\Street", "ColIndex"), "0");
  EXPECT_EQ(Value(store, "\\Columns\\House", "Visible"), "0");
  EXPECT_EQ(Value(store, "\\Columns\\Name", "Sorted"), "2");
  EXPECT_EQ(Value(store, "\\Columns\\Phone", "Sorted"), "1");
  EXPECT_EQ(Value(store, "\\Columns\\Phone", "SortedOrder"), "0");
  EXPECT_EQ(Value(store, "\\Columns\\House", "SortedOrder"), "-1");
  EXPECT_EQ(Value(store, "\\Columns\\Phone", "StoredRowIndex"), "1");
}

TEST_P(BothStoresTest, AutomaticHeaderHeightIsStoredAsMinusOneAndStaysOn) {
  TCustomdxTreeListControl* grid = Build();
  grid->SetOptionsEx(grid->OptionsEx() | (1u << tloAutoHeaderPanelHeight));
  Save(*grid, GetParam());
  EXPECT_EQ(Value(GetParam(), "", "HeaderPanelRowCount"), "-1");
  grid->Free();

  TCustomdxTreeListControl* again = Build();
  again->SetOptionsEx(again->OptionsEx() | (1u << tloAutoHeaderPanelHeight));
  Load(*again, GetParam());
  EXPECT_TRUE(again->OptionExOn(tloAutoHeaderPanelHeight));
  EXPECT_EQ(again->HeaderPanelRowCount(), 2);
}

// "Grid10" begins with "Grid1": saving Grid1 must leave its sections, while
// Grid1's own sections that the new layout no longer has go.
TEST_F(LayoutStoreTest, SavingToAnIniFileReplacesOnlyTheControlsOwnSections) {
  TCustomdxTreeListControl* grid1 = Build("Grid1", nullptr, true);
  TCustomdxTreeListControl* grid10 = Build("Grid10", nullptr, true);
  grid10->ColumnByName("Name")->SetWidth(111);
  grid10->SaveLayoutToIniFile(IniPath());
  {
    TMemIniFile ini(IniPath());
    ini.WriteString("\\Form1_Grid1\\Columns\\Gone", "Width", "60");
    ini.WriteString("\\Form1_Grid1\\Sub", "Kept", "no");
    ini.WriteString("\\Form1_Grid1X", "Kept", "yes");
    ini.UpdateFile();
  }
  grid1->ColumnByName("Name")->SetWidth(99);
  grid1->SaveLayoutToIniFile(IniPath());

  TMemIniFile ini(IniPath());
  EXPECT_FALSE(ini.SectionExists("\\Form1_Grid1\\Columns\\Gone"));
  EXPECT_FALSE(ini.SectionExists("\\Form1_Grid1\\Sub"));
  EXPECT_EQ(ini.ReadString("\\Form1_Grid1X", "Kept", "?"), "yes");
  EXPECT_EQ(ini.ReadString("\\Form1_Grid10\\Columns\\Name", "Width", "?"), "111");
  EXPECT_EQ(ini.ReadString("\\Form1_Grid1\\Columns\\Name", "Width", "?"), "99");

  grid10->ColumnByName("Name")->SetWidth(50);
  grid10->LoadLayoutFromIniFile(IniPath());
  EXPECT_EQ(grid10->ColumnByName("Name")->Width(), 111);
}

TEST_F(LayoutStoreTest, IniSectionNameReplacesTheFormAndControlName) {
  TCustomdxTreeListControl* grid = Build();
  grid->SetIniSectionName("Grid1\\Sub\\");
  EXPECT_EQ(TCustomdxTreeListControl::NormaliseLayoutBase(grid->IniSectionName()), "\\Grid1\\Sub");
  grid->ColumnByName("Street")->SetWidth(77);
  grid->SaveLayoutToIniFile(IniPath());
  TMemIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("\\Grid1\\Sub\\Columns\\Street", "Width", "?"), "77");
  EXPECT_FALSE(ini.SectionExists("\\Form1_Grid1"));
}

TEST_F(LayoutStoreTest, MissingRegistryKeyLoadsNothing) {
  TCustomdxTreeListControl* grid = Build();
  Rearrange(*grid);
  const std::string before = Describe(*grid);
  grid->LoadLayoutFromRegistry(Key);
  EXPECT_EQ(Describe(*grid), before);
  EXPECT_FALSE(TRegistry().KeyExists(Key));
}

// A value of another type cannot be read as text: the error reaches the
// caller, and the control is not left inside its update bracket.
TEST_F(LayoutStoreTest, UnreadableRegistryValueRaisesAndReleasesTheLoad) {
  TCustomdxTreeListControl* grid = Build();
  grid->SetOptionsEx(grid->OptionsEx() | (1u << tloMultiSort));
  grid->SaveLayoutToRegistry(Key);
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(std::string(Key) + "\\Columns\\Street", false));
    registry.WriteInteger("Width", 120);
  }
  EXPECT_THROW(grid->LoadLayoutFromRegistry(Key), ERegistryException);
  EXPECT_FALSE(grid->IsUpdateLocked());
  EXPECT_FALSE(grid->IsSortUpdating());
  grid->CheckInvariants();
}

// --- Automatic load and save ----------------------------------------------------------

class AutoLayoutTest : public LayoutStoreTest {
 protected:
  static void StoreToRegistry(TCustomdxTreeListControl& grid) {
    grid.SetOptions(grid.Options() | (1u << tloStoreToRegistry));
    grid.SetRegistryPath(Key);
  }
  // A form read in a loading scope, as stored forms are; thrown before the
  // end when halfway is set.
  std::unique_ptr<TForm> ReadForm(bool halfway) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    TLoadingScope loading;
    TCustomdxTreeListControl* grid = Build("Grid1", form.get());
    StoreToRegistry(*grid);
    if (halfway) throw std::runtime_error("stored form broken");
    loading.Finish();
    return form;
  }
  static TCustomdxTreeListControl* GridOf(TForm& form) {
    return dynamic_cast<TCustomdxTreeListControl*>(form.FindComponent("Grid1"));
  }
  std::string StoredWidth(const std::string& column) {
    return Value(Store::Registry, "\\Columns\\" + column, "Width");
  }
};

TEST_F(AutoLayoutTest, ReadFormLoadsTheLayoutAndSavesItWhenItGoes) {
  {
    TCustomdxTreeListControl* grid = Build();
    StoreToRegistry(*grid);
    grid->ColumnByName("Street")->SetWidth(150);
    grid->Free();  // made at run time: its layout is saved
  }
  ASSERT_EQ(StoredWidth("Street"), "150");

  std::unique_ptr<TForm> form = ReadForm(false);
  TCustomdxTreeListControl* grid = GridOf(*form);
  EXPECT_EQ(grid->ColumnByName("Street")->Width(), 150);
  grid->ColumnByName("Street")->SetWidth(160);
  form.reset();
  EXPECT_EQ(StoredWidth("Street"), "160");
}

TEST_F(AutoLayoutTest, HalfReadFormNeverOverwritesTheStoredLayout) {
  {
    TCustomdxTreeListControl* grid = Build();
    StoreToRegistry(*grid);
    grid->ColumnByName("Street")->SetWidth(150);
    grid->Free();
  }
  EXPECT_THROW(ReadForm(true), std::runtime_error);
  EXPECT_EQ(StoredWidth("Street"), "150");
}

// Columns made after the control are freed before it when the form goes:
// the layout is saved while they are all still there.
TEST_F(AutoLayoutTest, FormTakenDownSavesTheColumnsItFreesFirst) {
  TCustomdxTreeListControl* grid = Build();
  StoreToRegistry(*grid);
  grid->ColumnByName("House")->SetWidth(44);
  Form.reset();
  EXPECT_EQ(StoredWidth("House"), "44");
  EXPECT_EQ(Value(Store::Registry, "\\Columns\\House", "Index"), "2");
}

TEST_F(AutoLayoutTest, LayoutIsSavedOnceAndLoadedOnce) {
  TCustomdxTreeListControl* grid = Build();
  StoreToRegistry(*grid);
  grid->ColumnByName("Street")->SetWidth(150);
  grid->AutoSaveLayout();
  grid->ColumnByName("Street")->SetWidth(170);
  grid->AutoSaveLayout();
  EXPECT_EQ(StoredWidth("Street"), "150");
  grid->AutoLoadLayout();
  EXPECT_EQ(grid->ColumnByName("Street")->Width(), 150);
  grid->ColumnByName("Street")->SetWidth(180);
  grid->AutoLoadLayout();
  EXPECT_EQ(grid->ColumnByName("Street")->Width(), 180);
  grid->Free();
  EXPECT_EQ(StoredWidth("Street"), "150");
}

TEST_F(AutoLayoutTest, BothStoresGetTheLayout) {
  TCustomdxTreeListControl* grid = Build();
  StoreToRegistry(*grid);
  grid->SetOptions(grid->Options() | (1u << tloStoreToIniFile));
  grid->SetIniFileName(IniPath());
  grid->ColumnByName("Name")->SetWidth(88);
  grid->Free();
  EXPECT_EQ(StoredWidth("Name"), "88");
  EXPECT_EQ(Value(Store::IniFile, "\\Columns\\Name", "Width"), "88");
}

// The ini file cannot be written (its folder is missing): the explicit
// save reports it, the registry is still written, and freeing the control
// does not raise.
TEST_F(AutoLayoutTest, StorageErrorsNeverLeaveTheDestructor) {
  TCustomdxTreeListControl* grid = Build();
  StoreToRegistry(*grid);
  grid->SetOptions(grid->Options() | (1u << tloStoreToIniFile));
  grid->SetIniFileName(File("missing/layout.ini"));
  grid->ColumnByName("Name")->SetWidth(66);
  EXPECT_THROW(grid->SaveLayoutToIniFile(grid->IniFileName()), Exception);
  EXPECT_NO_THROW(grid->Free());
  EXPECT_EQ(StoredWidth("Name"), "66");

  TCustomdxTreeListControl* other = Build("Grid2");
  other->SetOptions(other->Options() | (1u << tloStoreToIniFile));
  other->SetIniFileName(File("missing/layout.ini"));
  EXPECT_THROW(other->AutoSaveLayout(), Exception);
}

// --- Stored values that are missing, odd or unreadable ------------------------------------

struct OddValue {
  std::string Name;
  std::string Section;  // below the control's section
  std::string Ident;
  std::string Text;
  std::function<void(TCustomdxTreeListControl&)> Prepare;
  std::function<std::string(TCustomdxTreeListControl&)> Observe;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& out, const OddValue& value) { return out << value.Name; }

std::string WidthOf(TCustomdxTreeListControl& grid, const char* column) {
  return std::to_string(grid.ColumnByName(column)->Width());
}
std::string SortOf(TCustomdxTreeListControl& grid) {
  return std::to_string(grid.ColumnByName("Name")->Sorted());
}
std::string VisibleOf(TCustomdxTreeListControl& grid) {
  return std::to_string(grid.ColumnByName("Name")->Visible());
}
std::string BandOf(TCustomdxTreeListControl& grid) {
  return std::to_string(grid.ColumnByName("Name")->BandIndex());
}
std::string RowsOf(TCustomdxTreeListControl& grid) {
  return std::to_string(grid.ColumnByName("Name")->RowIndex()) +
         std::to_string(grid.ColumnByName("Phone")->RowIndex());
}
// Band 1's width and the bands' total.
std::string BandWidths(TCustomdxTreeListControl& grid) {
  return std::to_string(grid.Bands().Items(1)->Width()) + " " + std::to_string(grid.GetTotalBandsWidth());
}
// Header rows, "A" in front when their count is automatic.
std::string HeaderRows(TCustomdxTreeListControl& grid) {
  return (grid.OptionExOn(tloAutoHeaderPanelHeight) ? "A" : "") + std::to_string(grid.HeaderPanelRowCount());
}
std::string BandOrder(TCustomdxTreeListControl& grid) {
  std::string ids;
  for (int i = 0; i < grid.Bands().Count(); ++i) ids += std::to_string(grid.Bands().Items(i)->ID());
  return ids;
}
std::string ColumnOrder(TCustomdxTreeListControl& grid) {
  std::string names;
  for (int i = 0; i < grid.ColumnCount(); ++i) names += (i > 0 ? " " : "") + grid.Columns(i)->Name();
  return names;
}
void AutomaticHeight(TCustomdxTreeListControl& grid) {
  grid.SetOptionsEx(grid.OptionsEx() | (1u << tloAutoHeaderPanelHeight));
}

const OddValue OddValues[] = {
    {"WidthNotANumber", "\\Columns\\Name", "Width", "wide", nullptr,
     [](auto& g) { return WidthOf(g, "Name"); }, "100"},
    {"WidthEmpty", "\\Columns\\Name", "Width", "", nullptr, [](auto& g) { return WidthOf(g, "Name"); },
     "100"},
    {"WidthBelowMinimum", "\\Columns\\Name", "Width", "5", nullptr,
     [](auto& g) { return WidthOf(g, "Name"); }, "20"},
    {"WidthNegative", "\\Columns\\Name", "Width", "-40", nullptr, [](auto& g) { return WidthOf(g, "Name"); },
     "100"},
    {"WidthBeyondAnyLayout", "\\Columns\\Name", "Width", "2147483647", nullptr,
     [](auto& g) { return WidthOf(g, "Name"); }, "100"},
    {"BandWidthBeyondAnyLayout", "\\Band\\Band1", "Width", "2147483647", nullptr, BandWidths, "250 500"},
    {"BandWidthOfFullSizing", "\\Band\\Band1", "Width", "100000", nullptr, BandWidths, "100000 100250"},
    {"WidthOfFullSizing", "\\Columns\\Name", "Width", "99000", nullptr, [](auto& g) { return WidthOf(g, "Name"); },
     "99000"},
    {"BandWidthNegative", "\\Band\\Band0", "Width", "-2147483648", nullptr, BandWidths, "250 500"},
    {"WidthHexadecimal", "\\Columns\\Name", "Width", "$80", nullptr,
     [](auto& g) { return WidthOf(g, "Name"); }, "128"},
    {"SortedBeyondTheStates", "\\Columns\\Name", "Sorted", "3",
     [](auto& g) { g.ColumnByName("Name")->SetSorted(csUp); }, SortOf, "2"},
    {"SortedNegative", "\\Columns\\Name", "Sorted", "-1",
     [](auto& g) { g.ColumnByName("Name")->SetSorted(csDown); }, SortOf, "1"},
    {"SortedDown", "\\Columns\\Name", "Sorted", "1", nullptr, SortOf, "1"},
    {"VisibleAsWord", "\\Columns\\Name", "Visible", "no", nullptr, VisibleOf, "1"},
    {"VisibleAnyNumberIsTrue", "\\Columns\\Name", "Visible", "7",
     [](auto& g) { g.ColumnByName("Name")->SetVisible(false); }, VisibleOf, "1"},
    {"BandIndexBeyondTheBands", "\\Columns\\Name", "BandIndex", "9", nullptr, BandOf, "1"},
    {"BandIndexBelowNone", "\\Columns\\Name", "BandIndex", "-7", nullptr, BandOf, "-1"},
    {"RowsOfABandCloseUp", "\\Columns\\Name", "StoredRowIndex", "1", nullptr, RowsOf, "00"},
    {"HeaderRowsZero", "", "HeaderPanelRowCount", "0", nullptr, HeaderRows, "1"},
    {"HeaderRowsAboveTheMaximum", "", "HeaderPanelRowCount", "99", nullptr, HeaderRows, "5"},
    {"HeaderRowsGivenTurnAutomaticHeightOff", "", "HeaderPanelRowCount", "3", AutomaticHeight, HeaderRows,
     "3"},
    {"HeaderRowsMinusOneKeepAutomaticHeight", "", "HeaderPanelRowCount", "-1", AutomaticHeight, HeaderRows,
     "A2"},
    {"HeaderRowsUnreadableKeepAutomaticHeight", "", "HeaderPanelRowCount", "many", AutomaticHeight,
     HeaderRows, "A2"},
    {"BandRowsAboveTheMaximum", "", "BandRowCount", "9", nullptr,
     [](auto& g) { return std::to_string(g.BandRowCount()); }, "5"},
    {"BandRowsZero", "", "BandRowCount", "0", [](auto& g) { g.SetBandRowCount(3); },
     [](auto& g) { return std::to_string(g.BandRowCount()); }, "1"},
    {"RowHeightZero", "", "DefaultRowHeight", "0", [](auto& g) { g.SetDefaultRowHeight(21); },
     [](auto& g) { return std::to_string(g.DefaultRowHeight()); }, "21"},
    {"RowHeightBeyondAnyLayout", "", "DefaultRowHeight", "2147483647", [](auto& g) { g.SetDefaultRowHeight(21); },
     [](auto& g) { return std::to_string(g.DefaultRowHeight()); }, "21"},
    {"StoredRowBeyondAnyPanel", "\\Columns\\Phone", "StoredRowIndex", "2147483647", nullptr,
     [](auto& g) { return std::to_string(g.ColumnByName("Phone")->StoredRowIndex()); }, "1"},
    {"RowHeightNegative", "", "DefaultRowHeight", "-4", [](auto& g) { g.SetDefaultRowHeight(21); },
     [](auto& g) { return std::to_string(g.DefaultRowHeight()); }, "21"},
    {"BandOfAnUnknownId", "\\Band\\Band1", "ID", "77", nullptr, BandOrder, "01"},
    {"BandOrderFromIndex", "\\Band\\Band0", "Index", "5", nullptr, BandOrder, "10"},
    {"ColumnOrderFromIndex", "\\Columns\\Name", "Index", "9", nullptr, ColumnOrder,
     "Street House Phone Name"},
    {"ColIndexIsNotRead", "\\Columns\\Name", "ColIndex", "3", nullptr, ColumnOrder,
     "Name Street House Phone"},
};

class OddValueTest : public LayoutStoreTest, public ::testing::WithParamInterface<OddValue> {};

INSTANTIATE_TEST_SUITE_P(Values, OddValueTest, ::testing::ValuesIn(OddValues),
                         [](const auto& info) { return info.param.Name; });

// The layout Build gives is stored, one value is replaced by the case's
// text, and the control reads it back.
TEST_P(OddValueTest, StoredValueIsReadOrKeepsTheCurrentOne) {
  const OddValue& value = GetParam();
  TCustomdxTreeListControl* grid = Build();
  grid->SaveLayoutToIniFile(IniPath());
  {
    TMemIniFile ini(IniPath());
    ini.WriteString("\\Form1_Grid1" + value.Section, value.Ident, value.Text);
    ini.UpdateFile();
  }
  if (value.Prepare) value.Prepare(*grid);
  grid->LoadLayoutFromIniFile(IniPath());
  EXPECT_EQ(value.Observe(*grid), value.Expected);
  EXPECT_FALSE(grid->IsUpdateLocked());
  grid->CheckInvariants();
}

}  // namespace
