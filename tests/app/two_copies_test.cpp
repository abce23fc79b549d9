// Two real copies of the program on one database file with the embedded
// engine: the second starts while the first still holds the file open, and
// both search successfully. Each copy prepares its private engine root
// itself (here below the test's folder), as it does for a user.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "framework/core/text/text.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST(TwoCopies, BothSearchTheSameDatabaseFileAtOnce) {
  TTempFolder folder("tulvo-two-");
  PrepareProgramFolder(folder);

  const std::string prefix = AnsiToUtf8(AppSampleTown().Residents.front().Name.substr(0, 3));
  int apartments = 0;
  for (const THomeRow& row : HomeRows(AppSampleTown()))
    if (AnsiUpperCase(row.Name).rfind(AnsiUpperCase(RU(prefix)), 0) == 0) ++apartments;
  int organisations = 0;
  for (const TOrgRow& row : OrgRows(AppSampleTown()))
    if (AnsiUpperCase(row.Name).find(AnsiUpperCase(RU(prefix))) != std::string::npos) ++organisations;
  const std::string expected =
      "apartments " + std::to_string(apartments) + " organisations " + std::to_string(organisations);

  const std::string environment = "env -u FIREBIRD -u FIREBIRD_LOCK QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" +
                                  Quoted(folder.File("run")) + " TULVO_REGISTRY=" +
                                  Quoted(folder.File("registry")) + " TULVO_PHONES_TEST_SEARCH=" + Quoted(prefix);
  const std::string release = folder.File("release");
  const std::string first = environment + " TULVO_PHONES_TEST_HOLD=" + Quoted(release) + " " +
                            Quoted(folder.File("phones")) + " 2>" + Quoted(folder.File("first.err"));
  FILE* running = ::popen(first.c_str(), "r");
  ASSERT_NE(running, nullptr);
  char line[256] = {};
  const bool firstSearched = std::fgets(line, sizeof line, running) != nullptr;

  // The first copy has searched and holds the file: now the second one.
  const std::string second = environment + " " + Quoted(folder.File("phones")) + " >" +
                             Quoted(folder.File("second.out")) + " 2>" + Quoted(folder.File("second.err"));
  const int secondStatus = std::system(second.c_str());
  WriteFileText(release, "");
  // Its search on the way out, read to the end (a closed pipe would kill it).
  char last[256] = {};
  while (std::fgets(last, sizeof last, running) != nullptr) {
  }
  const int firstStatus = ::pclose(running);

  ASSERT_TRUE(firstSearched) << ReadFileText(folder.File("first.err"));
  EXPECT_EQ(std::string(line), expected + "\n") << ReadFileText(folder.File("first.err"));
  EXPECT_EQ(std::string(last), expected + "\n") << ReadFileText(folder.File("first.err"));
  EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << ReadFileText(folder.File("first.err"));
  EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0) << ReadFileText(folder.File("second.err"));
  EXPECT_EQ(ReadFileText(folder.File("second.out")), expected + "\n") << ReadFileText(folder.File("second.err"));
  EXPECT_GT(apartments, 0);
}

}  // namespace
