// The main form's life on the real form: the first run, settings kept and
// restored between runs, a stored rectangle that is not used, a missing
// database file, a missing client library (which must leave the user's
// settings alone), the cell colours of the fixed band, and the menu.

#include "app/forms/main_form.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "app/forms/about_form.h"
#include "app/settings/settings_notices.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "framework/core/storage/registry.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/standard/page_control.h"
#include "framework/gui/standard/std_controls.h"
#include "datagrid/control/db_column.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"
#include "tests/app/app_fixture.h"
#include "tests/support/raised.h"

namespace fs = std::filesystem;

namespace {

TEST_F(MainFormTest, FirstRunShowsEmptyGridsAndStoresEmptyHistories) {
  ASSERT_FALSE(fs::exists(RegistryPath()));
  TMainForm& f = StartProgram();
  EXPECT_TRUE(f.fdsHome->Active());
  EXPECT_TRUE(f.fdsOrg->Active());
  EXPECT_EQ(f.GridHome->Count(), 0);
  EXPECT_EQ(f.GridOrg->Count(), 0);
  EXPECT_EQ(f.pcPhones->ActivePage(), f.tsHome);
  EXPECT_EQ(f.cbPhone->Items().Count(), 0);
  EXPECT_EQ(f.cbName->Items().Count(), 0);
  EXPECT_EQ(f.Width(), 420);
  EXPECT_EQ(f.Height(), 300);
  EXPECT_EQ(f.DB->DBName(), Folder() + "/base/phone_3.gdb");
  EXPECT_TRUE(Dialogs.Requests().empty());
  CloseProgram();

  for (const char* value : {"Flags", "Left", "Top", "Right", "Bottom"})
    EXPECT_TRUE(StoredValueExists("Placement", value)) << value;
  EXPECT_EQ(StoredValue("Phones", "ItemCount"), "0");
  EXPECT_EQ(StoredValue("Names", "ItemCount"), "0");
  // The grids keep their layouts under their own keys.
  TRegistry registry;
  EXPECT_TRUE(registry.KeyExists("\\Software\\Tulvo\\HOME"));
  EXPECT_TRUE(registry.KeyExists("\\Software\\Tulvo\\ORG"));
}

TEST_F(MainFormTest, PlacementAndHistoriesComeBackOnTheNextStart) {
  TMainForm& first = StartProgram();
  TypeInto(*first.cbPhone, "1234");
  TypeInto(*first.cbName, AnsiToUtf8(AppSampleTown().Residents[0].Name.substr(0, 3)));
  first.SetBounds(30, 40, 500, 350);
  CloseProgram();
  EXPECT_EQ(StoredValue("Placement", "Left"), "30");
  EXPECT_EQ(StoredValue("Placement", "Right"), "530");

  TMainForm& second = StartProgram();
  EXPECT_EQ(second.BoundsRect(), Rect(30, 40, 530, 390));
  ASSERT_EQ(second.cbPhone->Items().Count(), 1);
  EXPECT_EQ(second.cbPhone->Items().Strings(0), "1234");
  ASSERT_EQ(second.cbName->Items().Count(), 1);
  EXPECT_EQ(second.cbName->Items().Strings(0), AppSampleTown().Residents[0].Name.substr(0, 3));
}

TEST_F(MainFormTest, StoredRectangleWithLeftNotLessThanRightIsIgnored) {
  {
    TRegIniFile registry(ProgramRegistryKey);
    registry.WriteString("Placement", "Left", "600");
    registry.WriteString("Placement", "Top", "10");
    registry.WriteString("Placement", "Right", "600");
    registry.WriteString("Placement", "Bottom", "400");
    registry.WriteString("Names", "ItemCount", "1");
    registry.WriteString("Names", "Item0", RU("Иванов"));
  }
  TMainForm& f = StartProgram();
  EXPECT_EQ(f.Width(), 420);
  EXPECT_EQ(f.Height(), 300);
  const TRect area = Application->Screen().WorkAreaRect();
  EXPECT_EQ(f.Left(), area.Left + (area.Width() - 420) / 2);
  ASSERT_EQ(f.cbName->Items().Count(), 1);
  EXPECT_EQ(f.cbName->Items().Strings(0), RU("Иванов"));
}

// What became of the settings store is told once, at the start, in the
// program's language; the end then saves what it may without a box.
class StoreNotice : public MainFormTest, public ::testing::WithParamInterface<bool> {};  // unreadable, or read-only

TEST_P(StoreNotice, IsToldOnceAtTheStart) {
  WriteFileText(RegistryPath(), GetParam() ? "not a registry\n" : "tulvo-registry 1\n[Software\\Tulvo]\n");
  if (!GetParam()) ::chmod(RegistryPath().c_str(), 0400);
  const std::string before = ReadFileText(RegistryPath());
  TypeInto(*StartProgram().cbName, "x");
  CloseProgram();
  ASSERT_EQ(Dialogs.Requests().size(), 1u);
  EXPECT_EQ(Dialogs.Requests()[0].Type, mtWarning);
  EXPECT_EQ(Dialogs.Requests()[0].Text, GetParam() ? SettingsResetText(RegistryPath() + ".unreadable")
                                                    : SettingsNotSavedText(RegistryPath(), EACCES));
  struct stat st {};
  EXPECT_EQ(::stat(RegistryPath().c_str(), &st), 0);
  EXPECT_EQ(ReadFileText(RegistryPath() + (GetParam() ? ".unreadable" : "")), before);
  if (!GetParam()) {
    EXPECT_EQ(st.st_mode & 07777, 0400u);
  }
  ::chmod(RegistryPath().c_str(), 0600);
  StartProgram();  // told in the run that found it so, not again
  CloseProgram();
  EXPECT_EQ(Dialogs.Requests().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Settings, StoreNotice, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Unreadable" : "ReadOnly"); });

TEST_F(MainFormTest, MissingDatabaseIsReportedWithoutItsComponentLineAndEndsTheProgram) {
  fs::remove(DatabasePath());
  TMainForm& f = StartProgram();
  ASSERT_EQ(Dialogs.Requests().size(), 1u);
  const TMessageDialogRequest& shown = Dialogs.Requests().front();
  EXPECT_EQ(shown.Type, mtError);
  EXPECT_TRUE(shown.Buttons == TMsgDlgButtons{mbOK});
  EXPECT_NE(shown.Text.find("phone_3.gdb"), std::string::npos) << shown.Text;
  EXPECT_EQ(shown.Text.find("DB:"), std::string::npos) << shown.Text;
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(f.DB->Connected());
  EXPECT_EQ(f.pcPhones->ActivePage(), f.tsHome);
  CloseProgram();
  // The settings are still saved.
  EXPECT_EQ(StoredValue("Phones", "ItemCount"), "0");
  EXPECT_TRUE(StoredValueExists("Placement", "Left"));
}

TEST_F(MainFormTest, MissingClientLibraryLeavesTheStoredSettingsAndLayoutsAlone) {
  {
    TRegIniFile registry(ProgramRegistryKey);
    registry.WriteString("Placement", "Left", "33");
    registry.WriteString("Names", "ItemCount", "1");
    registry.WriteString("Names", "Item0", "kept");
    registry.WriteString("HOME", "HeaderPanelRowCount", "1");
    registry.WriteString("HOME\\Columns\\GridHomePHONE", "Width", "99");
  }
  const std::string before = ReadFileText(RegistryPath());
  ClientLibrary().Unload();
  ClientLibrary().SetFileName("/nonexistent/libfbclient.so.2");
  const std::string raised = MessageOf<Exception>([] { TMainForm form(nullptr); });
  ClientLibrary().SetFileName(DefaultClientLibraryName);
  EXPECT_NE(raised.find("libfbclient.so.2"), std::string::npos) << raised;
  EXPECT_EQ(ReadFileText(RegistryPath()), before);
  EXPECT_EQ(MainForm, nullptr);
}

// The grids as the user first sees them: two bands, the fixed "Left" one
// and "Main", the key columns hidden, the others bound to their fields;
// and the same again after a start that restored the stored layouts.
TEST_F(MainFormTest, GridsShowTheirBandsAndColumnsAlsoAfterTheLayoutWasStored) {
  for (int start = 0; start < 2; ++start) {
    TMainForm& f = StartProgram();
    for (TdxDBGrid* grid : {f.GridHome, f.GridOrg}) {
      ASSERT_EQ(grid->Bands().Count(), 2) << grid->Name();
      EXPECT_EQ(grid->Bands().Items(0)->Caption(), "Left");
      EXPECT_EQ(grid->Bands().Items(0)->Fixed(), bfLeft);
      EXPECT_EQ(grid->Bands().Items(1)->Caption(), "Main");
      std::string shown;
      for (int i = 0; i < grid->ColumnCount(); ++i) {
        const auto* column = dynamic_cast<const TdxDBGridMaskColumn*>(grid->Columns(i));
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->Name(), grid->Name() + column->FieldName());
        if (column->Visible()) shown += std::to_string(column->BandIndex()) + column->FieldName() + " ";
      }
      EXPECT_EQ(shown, grid == f.GridHome ? "0PHONE 0NAME 1STREET_NAME 1BUILD 1CORP 1APARTAMENT "
                                          : "0PHONE 1SHORT 0NAME 1DIVISION_NAME 1STREET_NAME 1BUILD 1CORP ")
          << "start " << start;
    }
    EXPECT_EQ(f.fdsHome->FieldByName("NAME")->DisplayLabel(), RU("Фио"));
    EXPECT_FALSE(f.fdsOrg->FieldByName("ORG_ID")->Visible());
    CloseProgram();
  }
}

// --- Cell colours ----------------------------------------------------------------------------

struct TColourCase {
  const char* Field;
  bool Selected;
  bool Focused;
  bool Green;
};

class LeftBandColour : public MainFormTest, public ::testing::WithParamInterface<TColourCase> {};

TEST_P(LeftBandColour, IsLightGreenUnlessSelectedOrFocused) {
  const TColourCase& c = GetParam();
  TMainForm& f = StartProgram();
  for (TdxDBGrid* grid : {f.GridHome, f.GridOrg}) {
    TdxTreeListColumn* column = nullptr;
    for (int i = 0; i < grid->ColumnCount(); ++i)
      if (grid->Columns(i)->Name() == grid->Name() + c.Field) column = grid->Columns(i);
    ASSERT_NE(column, nullptr) << c.Field;
    TBitmap bitmap;
    bitmap.SetWidth(10);
    bitmap.SetHeight(10);
    std::string text = "x";
    TColor colour = clWindow;
    TAlignment alignment = taLeftJustify;
    bool done = false;
    grid->DoCustomDrawCell(bitmap.Canvas(), Rect(0, 0, 10, 10), nullptr, column, c.Selected, c.Focused, false, text,
                           colour, bitmap.Canvas().Font(), alignment, done);
    EXPECT_EQ(colour, c.Green ? TColor(0x00C0DCC0) : clWindow) << grid->Name();
    EXPECT_EQ(text, "x");
    EXPECT_FALSE(done);
  }
}

INSTANTIATE_TEST_SUITE_P(Cells, LeftBandColour,
                         ::testing::Values(TColourCase{"PHONE", false, false, true},
                                           TColourCase{"NAME", false, false, true},
                                           TColourCase{"PHONE", true, false, false},
                                           TColourCase{"PHONE", false, true, false},
                                           TColourCase{"STREET_NAME", false, false, false},
                                           TColourCase{"BUILD", true, true, false}));

// --- Menu ------------------------------------------------------------------------------------

TEST_F(MainFormTest, HelpWarnsAndExitCloses) {
  TMainForm& f = StartProgram();
  f.NTulvoHelp1->Click();
  ASSERT_EQ(Dialogs.Requests().size(), 1u);
  EXPECT_EQ(Dialogs.Requests()[0].Type, mtWarning);
  EXPECT_EQ(Dialogs.Requests()[0].Text, RU("Ну и неЗЫРово хотим? Читай About!"));
  EXPECT_EQ(f.MainMenu1->Items()->Count(), 2);
  EXPECT_TRUE(f.N1->IsLine());
  f.Exit1->Click();
  EXPECT_FALSE(f.Visible());
}

TEST_F(MainFormTest, AboutBoxIsShownModallyAndFreedAfterwards) {
  TMainForm& f = StartProgram();
  const int components = Application->ComponentCount();
  TAboutForm* shown = nullptr;
  bool modal = false;
  TRect client;
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < Application->ComponentCount(); ++i)
      if (auto* about = dynamic_cast<TAboutForm*>(Application->Components(i))) shown = about;
    if (!shown) return;
    modal = shown->Modal();
    client = shown->ClientRect();
    shown->SetModalResult(mrOk);
  });
  f.About1->Click();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(modal);
  EXPECT_EQ(client, Rect(0, 0, 303, 181));
  EXPECT_EQ(Application->ComponentCount(), components);
  EXPECT_TRUE(Dialogs.Requests().empty());
}

}  // namespace
