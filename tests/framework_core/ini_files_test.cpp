#include "framework/core/storage/ini_files.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/component/strings.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"
#include "tests/support/child_processes.h"
#include "tests/support/listings.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace {

// Takes the right to read a file away for the scope. Root reads whatever the
// mode bits say, so for root the scope also drops, for this thread, the
// capabilities that let it: mode bits then apply to it as to anyone.
class TReadDeniedScope {
 public:
  explicit TReadDeniedScope(std::string path) : FPath(std::move(path)) {
    ::chmod(FPath.c_str(), 0200);
    if (::geteuid() == 0 && Capabilities(FSaved)) {
      __user_cap_data_struct dropped[2] = {FSaved[0], FSaved[1]};
      dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
      FDropped = SetCapabilities(dropped);
    }
  }
  ~TReadDeniedScope() {
    if (FDropped) SetCapabilities(FSaved);
    ::chmod(FPath.c_str(), 0600);
  }
  TReadDeniedScope(const TReadDeniedScope&) = delete;
  TReadDeniedScope& operator=(const TReadDeniedScope&) = delete;

  bool Works() const { return !std::ifstream(FPath).is_open(); }

 private:
  static bool Capabilities(__user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
  }
  static bool SetCapabilities(__user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
  }

  std::string FPath;
  __user_cap_data_struct FSaved[2] = {};
  bool FDropped = false;
};

class IniFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return FFolder.File("layout.ini"); }
  std::string Text() const { return ReadFileText(Path()); }
  Names Files() const { return FilesIn(FFolder.Path()); }
  TTempFolder FFolder;
};

const Names kFileAndLock{"layout.ini", "layout.ini.lock"};

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
  EXPECT_EQ(Text(), "; kept\n[A]\n; also kept\nx=1\nloose line\n");
  ini.UpdateFile();
  EXPECT_EQ(Text(), "; kept\n[A]\n; also kept\nX=2\nloose line\n\n[B]\nCount=-5\nOn=1\n\n");
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

INSTANTIATE_TEST_SUITE_P(
    IniFile, IniIntegers,
    ::testing::ValuesIn(std::vector<TIniIntegerCase>{
        {"17", 17}, {"-1", -1}, {"0x1F", 31}, {"$10", 16}, {"0", 0}, {"yes", 42}, {"", 42}, {"1.5", 42}}));

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
  EXPECT_EQ(Text(), "");
  ini.UpdateFile();
  EXPECT_EQ(Text(), "[A]\nB=C\n\n");
}

TEST_F(IniFileTest, FailuresToReadOrWriteTheFileRaise) {
  TMemIniFile nowhere(FFolder.File("no/such/folder/x.ini"));
  nowhere.WriteString("A", "B", "C");
  EXPECT_THROW(nowhere.UpdateFile(), EFCreateError);
  EXPECT_THROW(TMemIniFile{FFolder.Path()}, EFOpenError);  // a folder cannot be read as a file
  TIniFile direct(FFolder.File("no/such/folder/x.ini"));
  // The cause is named, as the registry store names it.
  EXPECT_EQ(MessageOf<EIniFileException>([&] { direct.WriteString("A", "B", "C"); }),
            "Unable to write to " + FFolder.File("no/such/folder/x.ini") + ": No such file or directory");
  EXPECT_EQ(direct.ReadString("A", "B", "dflt"), "dflt");  // the failed write left nothing behind
}

// The permission bits the user gave an ini file: a read-only file is never
// replaced (the rename would not ask), any other keeps its bits; through
// either class (false: TIniFile, true: TMemIniFile).
class IniFileMode : public IniFileTest, public ::testing::WithParamInterface<std::tuple<unsigned, bool>> {};

TEST_P(IniFileMode, IsKeptAndAReadOnlyFileKeepsItsContent) {
  const auto [mode, memory] = GetParam();
  WriteFileText(Path(), "[Main]\nLeft=10\n");
  ::chmod(Path().c_str(), mode);
  const bool writable = mode & 0200;
  std::string raised;
  if (memory) {
    TMemIniFile ini(Path());
    ini.WriteString("Main", "Top", "5");
    raised = MessageOf<EFCreateError>([&] { ini.UpdateFile(); });
  } else {
    raised = MessageOf<EIniFileException>([&] { TIniFile(Path()).WriteString("Main", "Top", "5"); });
  }
  EXPECT_EQ(raised, writable ? "(nothing raised)"
                    : memory ? "Cannot create file \"" + Path() + "\". Permission denied"
                             : "Unable to write to " + Path() + ": Permission denied");
  EXPECT_EQ(Text(), writable ? "[Main]\nLeft=10\nTop=5\n\n" : "[Main]\nLeft=10\n");
  struct stat st {};
  EXPECT_EQ(::stat(Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, mode);
}

INSTANTIATE_TEST_SUITE_P(IniFiles, IniFileMode,
                         ::testing::Combine(::testing::Values(0600u, 0640u, 0400u, 0444u),
                                            ::testing::Bool()));

TEST_F(IniFileTest, IniFileWritesAtOnceAndFollowsTheFile) {
  TIniFile ini(Path());
  ini.WriteString("Main", "Left", "10");
  EXPECT_EQ(Text(), "[Main]\nLeft=10\n\n");
  WriteFileText(Path(), "[Main]\nLeft=20\nTop=5\n");
  EXPECT_EQ(ini.ReadInteger("Main", "Left", 0), 20);
  ini.WriteInteger("Main", "Right", 30);
  EXPECT_EQ(Text(), "[Main]\nLeft=20\nTop=5\nRight=30\n\n");
}

TEST_F(IniFileTest, IniFileNeverWritesOverAFileItCannotRead) {
  const std::string content = "[Main]\nLeft=10\n";
  WriteFileText(Path(), content);
  {
    TReadDeniedScope denied(Path());
    if (!denied.Works()) GTEST_SKIP() << "this user reads the file whatever its mode bits say";
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Main", "Left", "dflt"), "dflt");
    EXPECT_THROW(ini.WriteString("Main", "Top", "5"), EIniFileException);
    EXPECT_THROW(ini.EraseSection("Main"), EIniFileException);
    EXPECT_THROW(TIniFileUpdateScope{ini}, EIniFileException);
  }
  EXPECT_EQ(Text(), content);
}

TEST_F(IniFileTest, ProgramsWritingOneIniFileLoseNothing) {
  constexpr int kPrograms = 6, kWrites = 15;
  RunInChildProcesses(kPrograms, [&](int program) {
    TIniFile ini(Path());
    for (int i = 0; i < kWrites; ++i)
      ini.WriteInteger("P" + std::to_string(program), "V" + std::to_string(i), i);
    return true;
  });
  TMemIniFile ini(Path());
  for (int program = 0; program < kPrograms; ++program)
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(ini.ReadInteger("P" + std::to_string(program), "V" + std::to_string(i), -1), i)
          << program << i;
}

TEST_F(IniFileTest, IniFileWritesRemoveTheTemporaryFilesOfKilledWriters) {
  WriteFileText(Path(), "[A]\nB=C\n");
  for (const char* name : {"layout.ini.tmp-x1Y2z3", "layout.ini.tmp-notes!"})
    WriteFileText(FFolder.File(name), "");
  TIniFile ini(Path());
  ini.WriteString("A", "B", "D");
  EXPECT_EQ(Files(), (Names{"layout.ini", "layout.ini.lock", "layout.ini.tmp-notes!"}));
  std::filesystem::remove(FFolder.File("layout.ini.tmp-notes!"));
  WriteFileText(FFolder.File("layout.ini.tmp-AAAAAA"), "");
  TMemIniFile mem(Path());
  mem.UpdateFile();
  EXPECT_EQ(Files(), kFileAndLock);
}

// The scopes behave alike on both kinds of ini file.
using TIniFactory = std::unique_ptr<TCustomIniFile> (*)(const std::string&);

template <class T>
std::unique_ptr<TCustomIniFile> Make(const std::string& path) {
  return std::make_unique<T>(path);
}

struct TIniKind {
  const char* Name;
  TIniFactory Make;
};

void PrintTo(const TIniKind& kind, std::ostream* os) { *os << kind.Name; }

class IniFileUpdateScopes : public IniFileTest, public ::testing::WithParamInterface<TIniKind> {
 protected:
  void SetUp() override {
    WriteFileText(Path(), kBefore);
    FIni = GetParam().Make(Path());
  }
  const std::string kBefore = "[Grid]\nShowGrid=0\n";
  std::unique_ptr<TCustomIniFile> FIni;
};

TEST_P(IniFileUpdateScopes, AGroupIsWrittenOnceOnCommit) {
  {
    TIniFileUpdateScope scope(*FIni);
    FIni->WriteInteger("Grid", "ShowGrid", 1);
    {
      TIniFileUpdateScope inner(*FIni);  // joins
      for (int column = 0; column < 10; ++column)
        FIni->WriteInteger("Grid_Column" + std::to_string(column), "Width", column);
      inner.Commit();
    }
    FIni->EraseSection("Grid_Column0");
    EXPECT_EQ(FIni->ReadInteger("Grid_Column9", "Width", -1), 9);  // the group reads as written
    EXPECT_EQ(Text(), kBefore);
    scope.Commit();
  }
  TMemIniFile check(Path());
  EXPECT_EQ(check.ReadInteger("Grid", "ShowGrid", 0), 1);
  EXPECT_EQ(check.ReadInteger("Grid_Column9", "Width", -1), 9);
  EXPECT_FALSE(check.SectionExists("Grid_Column0"));
}

TEST_P(IniFileUpdateScopes, LeavingAScopeWithoutCommitDropsTheGroup) {
  EXPECT_THROW(
      {
        TIniFileUpdateScope scope(*FIni);
        FIni->WriteInteger("Grid", "ShowGrid", 1);
        FIni->WriteInteger("Other", "V", 1);
        throw std::runtime_error("the save failed half-way");
      },
      std::runtime_error);
  EXPECT_EQ(Text(), kBefore);
  EXPECT_EQ(FIni->ReadInteger("Grid", "ShowGrid", -1), 0);
  EXPECT_FALSE(FIni->SectionExists("Other"));
  FIni->UpdateFile();
  EXPECT_EQ(TMemIniFile(Path()).ReadInteger("Grid", "ShowGrid", -1), 0);
}

TEST_P(IniFileUpdateScopes, ACommitThatCannotWriteLeavesTheFileAsItWas) {
  TIniFileUpdateScope scope(*FIni);
  FIni->WriteInteger("Grid", "ShowGrid", 1);
  // A folder where the file belongs: nothing can be renamed over it.
  std::filesystem::rename(Path(), Path() + ".moved");
  std::filesystem::create_directory(Path());
  EXPECT_ANY_THROW(scope.Commit());
  std::filesystem::remove(Path());
  std::filesystem::rename(Path() + ".moved", Path());
  EXPECT_EQ(Text(), kBefore);
  EXPECT_EQ(Files(), kFileAndLock);
}

INSTANTIATE_TEST_SUITE_P(IniFile, IniFileUpdateScopes,
                         ::testing::Values(TIniKind{"TIniFile", &Make<TIniFile>},
                                           TIniKind{"TMemIniFile", &Make<TMemIniFile>}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(IniFileTest, AnotherObjectWritingTheFileDuringAScopeLosesNothing) {
  WriteFileText(Path(), "[A]\nV=0\n");
  TIniFile grouped(Path()), direct(Path());
  {
    TIniFileUpdateScope scope(grouped);
    grouped.WriteString("A", "V", "1");
    direct.WriteString("B", "V", "2");  // the same thread: shares the lock instead of waiting for itself
    scope.Commit();
  }
  EXPECT_EQ(Text(), "[A]\nV=1\n\n[B]\nV=2\n\n");
}

}  // namespace
