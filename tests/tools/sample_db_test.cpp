// The sample_db program as the run script calls it: its arguments, its exit
// status and its refusal to overwrite.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/dbaccess/db_fixture.h"
#include "tests/tools/sample_query.h"

namespace {

struct TRun {
  int Status = -1;
  std::string Output;
  std::string Errors;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SampleDbProgramTest : public DatabaseTest {
 protected:
  std::string Target() const { return (std::filesystem::path(Folder()) / "phone_3.gdb").string(); }

  // Runs the program with the arguments (already quoted for the shell).
  TRun Run(const std::string& arguments) {
    const std::filesystem::path out = std::filesystem::path(Folder()) / "out.txt";
    const std::filesystem::path err = std::filesystem::path(Folder()) / "err.txt";
    const std::string command = std::string("'") + TULVO_SAMPLE_DB + "' " + arguments + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    TRun run;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Output = ReadFile(out);
    run.Errors = ReadFile(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
  }
};

TEST_F(SampleDbProgramTest, BuildsTheRequestedSizes) {
  const TRun run = Run("'" + Target() + "' --apartments 300 --organisations 40");
  ASSERT_EQ(run.Status, 0) << run.Errors;
  EXPECT_NE(run.Output.find("300 apartments"), std::string::npos) << run.Output;
  TSampleQuery query(Target());
  EXPECT_EQ(query.Column("SELECT COUNT(*) FROM HOME_PHONES"), std::vector<std::string>{"300"});
  EXPECT_EQ(query.Column("SELECT COUNT(*) FROM ORG_PHONES"), std::vector<std::string>{"40"});
}

TEST_F(SampleDbProgramTest, ExistingFileIsReplacedOnlyWithForce) {
  std::ofstream(Target()) << "keep me";

  const TRun refused = Run("'" + Target() + "' --apartments 100 --organisations 10");
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Errors.find("exists already; --force replaces it"), std::string::npos) << refused.Errors;
  EXPECT_EQ(ReadFile(Target()), "keep me");

  const TRun forced = Run("--force '" + Target() + "' --apartments 100 --organisations 10");
  ASSERT_EQ(forced.Status, 0) << forced.Errors;
  EXPECT_EQ(TSampleQuery(Target()).Column("SELECT COUNT(*) FROM HOME_PHONES"),
            std::vector<std::string>{"100"});
}

class SampleDbUsage : public SampleDbProgramTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SampleDbUsage, UnreadableCommandLineBuildsNothing) {
  std::string arguments = GetParam();
  const std::string::size_type at = arguments.find("PATH");
  if (at != std::string::npos) arguments.replace(at, 4, "'" + Target() + "'");
  const TRun run = Run(arguments);
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Errors.find("usage: sample_db PATH"), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SampleDbUsage,
                         ::testing::Values("", "--apartments 10", "PATH --apartments", "PATH --apartments 0",
                                           "PATH --apartments -5", "PATH --apartments 1000001",
                                           "PATH --apartments 12x", "PATH --organisations ten",
                                           "PATH --size 10", "PATH other.gdb"));

}  // namespace
