// The real program from a first run (an empty settings store) to its end by
// the person (the test's release file) or by the session: SIGTERM at
// log-out, SIGINT (Ctrl+C) or SIGHUP (its terminal closed). Every way ends
// it as its menu's exit does: status 0, the database still there to its
// end (its search on the way out finds what the first did), the search
// history and a first window centred on the desktop saved.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "app/forms/main_form.h"
#include "framework/core/storage/registry.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Waits until done() or the time is over; true when done.
template <class F>
bool WaitFor(F done, std::chrono::seconds limit) {
  for (const auto end = std::chrono::steady_clock::now() + limit; !done();) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

class ProgramEnd : public ::testing::TestWithParam<int> {};  // the signal, or 0

TEST_P(ProgramEnd, SavesTheSessionAndCentresTheFirstWindow) {
  TTempFolder folder("tulvo-end-");
  PrepareProgramFolder(folder);
  const std::string search = AnsiToUtf8(AppSampleTown().Residents.front().Name.substr(0, 3));
  std::string words[] = {"env", "-u", "FIREBIRD", "-u", "FIREBIRD_LOCK", "QT_QPA_PLATFORM=offscreen",
                         "XDG_RUNTIME_DIR=" + folder.File("run"),
                         "TULVO_REGISTRY=" + folder.File("registry"), "TULVO_PHONES_TEST_SEARCH=" + search,
                         "TULVO_PHONES_TEST_HOLD=" + folder.File("release"), folder.File("phones")};
  char* argv[std::size(words) + 1] = {};
  for (std::size_t i = 0; i < std::size(words); ++i) argv[i] = words[i].data();
  posix_spawn_file_actions_t output;
  posix_spawn_file_actions_init(&output);
  posix_spawn_file_actions_addopen(&output, 1, folder.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&output, 2, folder.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;  // env runs the program in its own place: the same process
  ASSERT_EQ(posix_spawnp(&pid, "env", &output, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&output);
  const auto lines = [&] { return ReadFileText(folder.File("out")); };

  const bool searched = WaitFor([&] { return lines().find('\n') != std::string::npos; }, 60s);
  if (GetParam() != 0)
    ::kill(pid, GetParam());
  else
    WriteFileText(folder.File("release"), "");
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20s)) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(searched) << ReadFileText(folder.File("err"));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ReadFileText(folder.File("err"));
  const std::string first = lines().substr(0, lines().find('\n') + 1);
  EXPECT_EQ(lines(), first + first) << ReadFileText(folder.File("err"));

  const char* was = std::getenv("TULVO_REGISTRY");
  const std::string saved = was ? was : "";
  ::setenv("TULVO_REGISTRY", folder.File("registry").c_str(), 1);
  TRegIniFile registry(ProgramRegistryKey);
  const std::string item = registry.ReadString("Names", "Item0", "");
  const TRect placed = Rect(registry.ReadInteger("Placement", "Left", -1), registry.ReadInteger("Placement", "Top", -1),
                            registry.ReadInteger("Placement", "Right", -1),
                            registry.ReadInteger("Placement", "Bottom", -1));
  was ? ::setenv("TULVO_REGISTRY", saved.c_str(), 1) : ::unsetenv("TULVO_REGISTRY");
  EXPECT_EQ(item, RU(search));
  const TRect area = Application->Screen().WorkAreaRect();
  const int left = area.Left + (area.Width() - 420) / 2, top = area.Top + (area.Height() - 300) / 2;
  EXPECT_EQ(placed, Rect(left, top, left + 420, top + 300));
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramEnd, ::testing::Values(0, SIGTERM, SIGINT, SIGHUP), [](const auto& info) {
  return std::string(info.param == 0 ? "ClosedByItsUser" : strsignal(info.param));
});

}  // namespace
