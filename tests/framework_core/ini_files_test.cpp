#include "framework/core/storage/ini_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/storage/streams.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"
#include "temp_folder.h"

namespace {

using Names = std::vector<std::string>;

Names Lines(const TStrings& list) {
  Names lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

class IniFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return FFolder.File("layout.ini"); }
  TTempFolder FFolder;
};

TEST_F(IniFileTest, SectionsAndNamesIgnoreCaseAndBlanksAroundThemAreTrimmed) {
  WriteFileText(Path(),
                RU("; layout of the main form\n[MainForm_GridHome]\n; Width=99\n  ShowGrid = 1 \nWidth=80\r\n"
                   "[Раздел]\r\nИмя=Значение\n"));
  TMemIniFile ini(Path());
  EXPECT_EQ(ini.ReadString("mainform_gridhome", "SHOWGRID", "x"), "1");
  EXPECT_EQ(ini.ReadInteger("MainForm_GridHome", "width", 0), 80);
  EXPECT_EQ(ini.ReadString(RU("РАЗДЕЛ"), RU("имя"), ""), RU("Значение"));
  EXPECT_EQ(ini.ReadString("MainForm_GridHome", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Missing", "ShowGrid", "dflt"), "dflt");
  EXPECT_TRUE(ini.SectionExists(RU("раздел")));
  EXPECT_TRUE(ini.ValueExists("MAINFORM_GRIDHOME", "showgrid"));
  EXPECT_FALSE(ini.ValueExists("MainForm_GridHome", "; Width"));
}

TEST_F(IniFileTest, MemIniFileWritesOnlyOnUpdateFileAndKeepsComments) {
  WriteFileText(Path(), "; kept\n[A]\n; also kept\nx=1\nloose line\n");
  TMemIniFile ini(Path());
  ini.WriteString("a", "X", "2");  // replaced in place, name as written now
  ini.WriteInteger("B", "Count", -5);
  ini.WriteBool("B", "On", true);
  EXPECT_EQ(ReadFileText(Path()), "; kept\n[A]\n; also kept\nx=1\nloose line\n");
  ini.UpdateFile();
  EXPECT_EQ(ReadFileText(Path()), "; kept\n[A]\n; also kept\nX=2\nloose line\n\n[B]\nCount=-5\nOn=1\n\n");
  TMemIniFile again(Path());
  EXPECT_EQ(again.ReadInteger("b", "count", 0), -5);
  EXPECT_TRUE(again.ReadBool("B", "On", false));
}

struct TIniIntegerCase {
  const char* Stored;
  int Integer;  // ReadInteger with default 42
};

void PrintTo(const TIniIntegerCase& c, std::ostream* os) { *os << '"' << c.Stored << '"'; }

class IniIntegers : public IniFileTest, public ::testing::WithParamInterface<TIniIntegerCase> {};

TEST_P(IniIntegers, ConvertOrFallBackToTheDefault) {
  TMemIniFile ini(Path());
  ini.WriteString("S", "V", GetParam().Stored);
  EXPECT_EQ(ini.ReadInteger("S", "V", 42), GetParam().Integer);
  EXPECT_EQ(ini.ReadBool("S", "V", false), GetParam().Integer != 0 && GetParam().Integer != 42);
}

INSTANTIATE_TEST_SUITE_P(IniFile, IniIntegers,
                         ::testing::Values(TIniIntegerCase{"17", 17}, TIniIntegerCase{"-1", -1},
                                           TIniIntegerCase{"0x1F", 31}, TIniIntegerCase{"$10", 16},
                                           TIniIntegerCase{"0", 0}, TIniIntegerCase{"yes", 42},
                                           TIniIntegerCase{"", 42}, TIniIntegerCase{"1.5", 42}));

TEST_F(IniFileTest, SectionListsErasingAndDeleting) {
  TMemIniFile ini(Path());
  for (const char* section : {"Grid_Band0", "Grid", "Other", "Grid_Columns"})
    ini.WriteString(section, "V", "1");
  ini.WriteString("Grid", "W", "2");
  TStringList list;
  list.Add("stale");
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (Names{"Grid_Band0", "Grid", "Other", "Grid_Columns"}));
  ini.ReadSection("grid", list);
  EXPECT_EQ(Lines(list), (Names{"V", "W"}));
  ini.ReadSectionValues("Grid", list);
  EXPECT_EQ(Lines(list), (Names{"V=1", "W=2"}));

  ini.EraseSection("GRID_BAND0");
  ini.DeleteKey("Grid", "v");
  ini.DeleteKey("Grid", "Missing");
  ini.EraseSection("Missing");
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (Names{"Grid", "Other", "Grid_Columns"}));
  ini.ReadSection("Grid", list);
  EXPECT_EQ(Lines(list), Names{"W"});
  ini.ReadSection("Missing", list);
  EXPECT_TRUE(Lines(list).empty());
}

TEST_F(IniFileTest, AMissingFileIsEmptyAndIsNotCreatedUntilUpdated) {
  TMemIniFile ini(Path());
  EXPECT_FALSE(ini.SectionExists("A"));
  ini.WriteString("A", "B", "C");
  EXPECT_EQ(ReadFileText(Path()), "");
  ini.UpdateFile();
  EXPECT_EQ(ReadFileText(Path()), "[A]\nB=C\n\n");
}

TEST_F(IniFileTest, FailuresToReadOrWriteTheFileRaise) {
  TMemIniFile nowhere(FFolder.File("no/such/folder/x.ini"));
  nowhere.WriteString("A", "B", "C");
  EXPECT_THROW(nowhere.UpdateFile(), EFCreateError);
  EXPECT_THROW(TMemIniFile{FFolder.Path()}, EFOpenError);  // a folder cannot be read as a file
  TIniFile direct(FFolder.File("no/such/folder/x.ini"));
  EXPECT_THROW(direct.WriteString("A", "B", "C"), EIniFileException);
  EXPECT_EQ(direct.ReadString("A", "B", "dflt"), "dflt");  // the failed write left nothing behind
}

TEST_F(IniFileTest, IniFileWritesAtOnceAndFollowsTheFile) {
  TIniFile ini(Path());
  ini.WriteString("Main", "Left", "10");
  EXPECT_EQ(ReadFileText(Path()), "[Main]\nLeft=10\n\n");
  WriteFileText(Path(), "[Main]\nLeft=20\nTop=5\n");
  EXPECT_EQ(ini.ReadInteger("Main", "Left", 0), 20);
  ini.WriteInteger("Main", "Right", 30);
  EXPECT_EQ(ReadFileText(Path()), "[Main]\nLeft=20\nTop=5\nRight=30\n\n");
}

}  // namespace
