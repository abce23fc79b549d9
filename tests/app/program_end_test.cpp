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
#include "tests/support/child_processes.h"

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

// Whether the program catches SIGHUP yet (only its own handler does).
bool HearsHangUp(pid_t pid) {
  const std::string status = ReadFileText("/proc/" + std::to_string(pid) + "/status");
  const std::size_t at = status.find("SigCgt:");
  return at != std::string::npos &&
         (std::stoull(status.substr(at + 7), nullptr, 16) & (1ull << (SIGHUP - 1)));
}

// How the program's run ends: by its user (0) or a signal; with a search
// first, or with a start that failed on a missing database (its error box
// open at the signal), or with the settings file made read-only (a box would
// tell it at the end). No box holds a session's end.
struct TEndCase {
  const char* Name;
  int Signal;
  enum { Searched, StartFailed, SaveRefused } Run = Searched;
};

class ProgramEnd : public ::testing::TestWithParam<TEndCase> {};

TEST_P(ProgramEnd, SavesTheSessionAndLeavesAFirstWindowCentred) {
  TTempFolder folder("tulvo-end-");
  PrepareProgramFolder(folder);
  const auto run = GetParam().Run;
  if (run == TEndCase::StartFailed) fs::remove_all(folder.File("base"));
  const std::string search = AnsiToUtf8(AppSampleTown().Residents.front().Name.substr(0, 3));
  const std::string hold = "TULVO_PHONES_TEST_HOLD=" + folder.File("release");
  // env runs the program in its own place: the same process.
  const pid_t pid = SpawnWithOutput(
      {"env", "-u", "FIREBIRD", "-u", "FIREBIRD_LOCK", "QT_QPA_PLATFORM=offscreen",
       "XDG_RUNTIME_DIR=" + folder.File("run"), "TULVO_REGISTRY=" + folder.File("registry"),
       run == TEndCase::Searched ? "TULVO_PHONES_TEST_SEARCH=" + search : hold, hold, folder.File("phones")},
      folder.File("out"), folder.File("err"));
  ASSERT_GT(pid, 0);
  const auto lines = [&] { return ReadFileText(folder.File("out")); };
  // Searched, or its handlers in place and (with a database) its settings read.
  const bool ready = WaitFor(
      [&] {
        return run == TEndCase::Searched ? lines().find('\n') != std::string::npos
                                         : HearsHangUp(pid) && (run == TEndCase::StartFailed ||
                                                                fs::exists(folder.File("registry")));
      },
      60s);
  if (run != TEndCase::Searched) std::this_thread::sleep_for(500ms);  // the error box open
  if (run == TEndCase::SaveRefused) fs::permissions(folder.File("registry"), fs::perms::owner_read);
  const std::string before = ReadFileText(folder.File("registry"));
  if (GetParam().Signal != 0)
    ::kill(pid, GetParam().Signal);
  else
    WriteFileText(folder.File("release"), "");
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20s)) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(ready) << ReadFileText(folder.File("err"));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ReadFileText(folder.File("err"));
  const std::string stored = ReadFileText(folder.File("registry"));
  if (run == TEndCase::SaveRefused) {
    EXPECT_EQ(stored, before);
    return;
  }
  if (run == TEndCase::StartFailed) {
    // The never shown window's corner is no place to open at next time.
    EXPECT_NE(stored.find("[Software\\Tulvo\\Phones]"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("[Software\\Tulvo\\Placement]"), std::string::npos) << stored;
    return;
  }
  const std::string first = lines().substr(0, lines().find('\n') + 1);
  EXPECT_EQ(lines(), first + first) << ReadFileText(folder.File("err"));

  const char* was = std::getenv("TULVO_REGISTRY");
  const std::string saved = was ? was : "";
  ::setenv("TULVO_REGISTRY", folder.File("registry").c_str(), 1);
  TRegIniFile registry(ProgramRegistryKey);
  const std::string item = registry.ReadString("Names", "Item0", "");
  const TRect placed =
      Rect(registry.ReadInteger("Placement", "Left", -1), registry.ReadInteger("Placement", "Top", -1),
           registry.ReadInteger("Placement", "Right", -1), registry.ReadInteger("Placement", "Bottom", -1));
  was ? ::setenv("TULVO_REGISTRY", saved.c_str(), 1) : ::unsetenv("TULVO_REGISTRY");
  EXPECT_EQ(item, RU(search));
  const TRect area = Application->Screen().WorkAreaRect();
  const int left = area.Left + (area.Width() - 420) / 2, top = area.Top + (area.Height() - 300) / 2;
  EXPECT_EQ(placed, Rect(left, top, left + 420, top + 300));
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramEnd,
    ::testing::Values(TEndCase{"ClosedByItsUser", 0}, TEndCase{"Terminated", SIGTERM},
                      TEndCase{"Interrupted", SIGINT}, TEndCase{"HungUp", SIGHUP},
                      TEndCase{"TerminatedAtItsStartErrorBox", SIGTERM, TEndCase::StartFailed},
                      TEndCase{"TerminatedWithItsSettingsReadOnly", SIGTERM, TEndCase::SaveRefused}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
