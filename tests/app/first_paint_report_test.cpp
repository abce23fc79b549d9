// The real program started as the start-up benchmark starts it: with
// TULVO_PHONES_REPORT_FIRST_PAINT set it paints its window, prints its
// processor time so far and ends the usual way, storing its settings.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST(FirstPaintReport, TheProgramReportsItsFirstPaintAndEndsStoringItsSettings) {
  TTempFolder folder("tulvo-paint-");
  PrepareProgramFolder(folder);

  const std::string command = "env -u FIREBIRD -u FIREBIRD_LOCK -u TULVO_PHONES_TEST_SEARCH QT_QPA_PLATFORM=offscreen "
                              "XDG_RUNTIME_DIR=" + Quoted(folder.File("run")) +
                              " TULVO_REGISTRY=" + Quoted(folder.File("registry")) +
                              " TULVO_PHONES_REPORT_FIRST_PAINT=1 timeout 120 " + Quoted(folder.File("phones")) +
                              " 2>" + Quoted(folder.File("err"));
  FILE* running = ::popen(command.c_str(), "r");
  ASSERT_NE(running, nullptr);
  std::string output;
  char line[256];
  while (std::fgets(line, sizeof line, running)) output += line;
  const int status = ::pclose(running);

  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ReadFileText(folder.File("err"));
  std::smatch match;
  ASSERT_TRUE(std::regex_match(output, match, std::regex("first_paint_cpu_ms: ([0-9]+\\.[0-9])\n"))) << output;
  EXPECT_GT(std::strtod(match[1].str().c_str(), nullptr), 0.0);
  // It ended as a closed window ends: the placement is stored.
  EXPECT_NE(ReadFileText(folder.File("registry")).find("Placement"), std::string::npos);
}

}  // namespace
