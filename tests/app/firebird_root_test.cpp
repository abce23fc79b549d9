// The private engine root of the program: what it holds, that it is left to
// an environment that names one, and that a failure changes nothing.

#include "app/startup/firebird_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Keeps an environment variable as the test found it.
class TKeptVariable {
 public:
  explicit TKeptVariable(const char* name) : FName(name) {
    if (const char* value = std::getenv(name)) FValue = value;
  }
  ~TKeptVariable() {
    if (FValue)
      ::setenv(FName, FValue->c_str(), 1);
    else
      ::unsetenv(FName);
  }

 private:
  const char* FName;
  std::optional<std::string> FValue;
};

class FirebirdRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("FIREBIRD");
    Plan.Root = Folder.File("root");
    Plan.LockFolder = Folder.File("root/lock");
    Plan.SystemConfig = Folder.File("system.conf");
    Plan.SystemIntlModule = Folder.File("system/libfbintl.so");
    Plan.SystemIntlConfig = Folder.File("system/fbintl.conf");
    WriteFileText(Plan.SystemConfig, "# system\n");
    fs::create_directories(Folder.File("system"));
    WriteFileText(Plan.SystemIntlModule, "module bytes");
    WriteFileText(Folder.File("real.conf"), "intl config");
    fs::create_symlink(Folder.File("real.conf"), Plan.SystemIntlConfig);
  }

  TKeptVariable FFirebird{"FIREBIRD"};
  TKeptVariable FLock{"FIREBIRD_LOCK"};
  TTempFolder Folder;
  TFirebirdRootPlan Plan;
};

TEST_F(FirebirdRootTest, HoldsTheSharedModeRealCopiesAndTheLockFolder) {
  const TFirebirdRootResult result = PrepareFirebirdRoot(Plan);
  ASSERT_EQ(result.Outcome, TFirebirdRootResult::Prepared) << result.Problem;
  EXPECT_EQ(ReadFileText(Folder.File("root/firebird.conf")),
            "include " + Plan.SystemConfig + "\nServerMode = SuperClassic\n");
  EXPECT_FALSE(fs::is_symlink(Folder.File("root/intl/libfbintl.so")));
  EXPECT_EQ(ReadFileText(Folder.File("root/intl/libfbintl.so")), "module bytes");
  EXPECT_FALSE(fs::is_symlink(Folder.File("root/intl/fbintl.conf")));
  EXPECT_EQ(ReadFileText(Folder.File("root/intl/fbintl.conf")), "intl config");
  EXPECT_TRUE(fs::is_directory(Plan.LockFolder));
  EXPECT_EQ(std::string(std::getenv("FIREBIRD")), Plan.Root);
  EXPECT_EQ(std::string(std::getenv("FIREBIRD_LOCK")), Plan.LockFolder);

  // A second copy finds the root made and changes nothing in it.
  ::unsetenv("FIREBIRD");
  EXPECT_EQ(PrepareFirebirdRoot(Plan).Outcome, TFirebirdRootResult::Prepared);
  EXPECT_EQ(ReadFileText(Folder.File("root/intl/libfbintl.so")), "module bytes");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder.File("root/intl"))) ++files;
  EXPECT_EQ(files, 2);  // no temporary file left behind
}

TEST_F(FirebirdRootTest, WithoutASystemConfigurationOnlyTheModeIsWritten) {
  fs::remove(Plan.SystemConfig);
  ASSERT_EQ(PrepareFirebirdRoot(Plan).Outcome, TFirebirdRootResult::Prepared);
  EXPECT_EQ(ReadFileText(Folder.File("root/firebird.conf")), "ServerMode = SuperClassic\n");
}

TEST_F(FirebirdRootTest, AnEnvironmentThatNamesARootIsLeftAlone) {
  ::setenv("FIREBIRD", "/somewhere/else", 1);
  EXPECT_EQ(PrepareFirebirdRoot(Plan).Outcome, TFirebirdRootResult::LeftToEnvironment);
  EXPECT_FALSE(fs::exists(Plan.Root));
  EXPECT_EQ(std::string(std::getenv("FIREBIRD")), "/somewhere/else");
}

TEST_F(FirebirdRootTest, AFailureSaysWhyAndChangesNoVariable) {
  fs::remove(Plan.SystemIntlModule);
  ::setenv("FIREBIRD_LOCK", "/kept/lock", 1);
  const TFirebirdRootResult result = PrepareFirebirdRoot(Plan);
  EXPECT_EQ(result.Outcome, TFirebirdRootResult::Failed);
  EXPECT_NE(result.Problem.find("libfbintl.so"), std::string::npos) << result.Problem;
  EXPECT_EQ(std::getenv("FIREBIRD"), nullptr);
  EXPECT_EQ(std::string(std::getenv("FIREBIRD_LOCK")), "/kept/lock");
}

TEST_F(FirebirdRootTest, DefaultPlanPrefersTheRuntimeFolderAndAGivenLockFolder) {
  const TKeptVariable runtime("XDG_RUNTIME_DIR");
  ::setenv("XDG_RUNTIME_DIR", Folder.Path().c_str(), 1);
  ::setenv("FIREBIRD_LOCK", "/given/lock", 1);
  TFirebirdRootPlan plan = DefaultFirebirdRootPlan();
  EXPECT_EQ(plan.Root, Folder.Path() + "/tulvo/firebird");
  EXPECT_EQ(plan.LockFolder, "/given/lock");
  ::unsetenv("FIREBIRD_LOCK");
  plan = DefaultFirebirdRootPlan();
  EXPECT_EQ(plan.LockFolder, Folder.Path() + "/tulvo/firebird/lock");
}

}  // namespace
