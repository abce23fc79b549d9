// The real program started and ended as a user's session does: from a
// first run (an empty settings store) to its end by the person (the test's
// release file) or by the session, with SIGTERM at log-out, SIGINT (Ctrl+C
// in its terminal) or SIGHUP (the terminal closed). Every way ends it as
// its menu's exit does: status 0, the database still there to its end, the
// search history and the window's placement stored, and a first window
// centred on the desktop.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/forms/main_form.h"
#include "framework/core/storage/registry.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/application/screen.h"
#include "tests/app/app_fixture.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// One copy of the program in a folder of its own, its output on a pipe.
class TRunningProgram {
 public:
  TRunningProgram(const TTempFolder& folder, const std::string& search) {
    fs::create_directories(folder.File("base"));
    fs::copy_file(AppSampleDatabase(), folder.File("base/phone_3.gdb"));
    // The database goes beside the program: the copy runs from the folder.
    fs::copy_file(TULVO_PHONES, folder.File("phones"));
    fs::permissions(folder.File("phones"), fs::perms::owner_all);
    fs::create_directories(folder.File("run"));
    ::chmod(folder.File("run").c_str(), 0700);

    std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen",
                                          "XDG_RUNTIME_DIR=" + folder.File("run"),
                                          "TULVO_REGISTRY=" + folder.File("registry"),
                                          "TULVO_PHONES_TEST_SEARCH=" + search,
                                          "TULVO_PHONES_TEST_HOLD=" + folder.File("release")};
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name != "FIREBIRD" && name != "FIREBIRD_LOCK" && name != "QT_QPA_PLATFORM" &&
          name.rfind("TULVO_", 0) != 0 && name != "XDG_RUNTIME_DIR")
        environment.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = folder.File("phones");
    char* argv[] = {program.data(), nullptr};

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, folder.File("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FOutput = out[0];
  }
  ~TRunningProgram() {
    if (FPid > 0 && !FEnded) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
    if (FOutput >= 0) ::close(FOutput);
  }
  TRunningProgram(const TRunningProgram&) = delete;
  TRunningProgram& operator=(const TRunningProgram&) = delete;

  bool Started() const { return FPid > 0; }
  pid_t Pid() const { return FPid; }

  // The next line of its output, "" when none came in time.
  std::string NextLine(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (FBuffer.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd wait{FOutput, POLLIN, 0};
      if (::poll(&wait, 1, 100) <= 0) continue;
      char bytes[256];
      const ssize_t n = ::read(FOutput, bytes, sizeof bytes);
      if (n <= 0) break;
      FBuffer.append(bytes, static_cast<std::size_t>(n));
    }
    const std::size_t end = FBuffer.find('\n');
    if (end == std::string::npos) return "";
    std::string line = FBuffer.substr(0, end);
    FBuffer.erase(0, end + 1);
    return line;
  }

  // Its exit status; -1 when a signal ended it, -2 when it did not end in
  // time (it is then killed).
  int Status(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FEnded = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -2;
  }

 private:
  pid_t FPid = -1;
  int FOutput = -1;
  bool FEnded = false;
  std::string FBuffer;
};

struct TEndCase {
  const char* Title;
  int Signal;  // 0: the release file, as a person closing the window
};

class ProgramEnd : public ::testing::TestWithParam<TEndCase> {};

TEST_P(ProgramEnd, SavesTheSessionAndCentresTheFirstWindow) {
  TTempFolder folder("tulvo-end-");
  const std::string search = AnsiToUtf8(AppSampleTown().Residents.front().Name.substr(0, 3));
  TRunningProgram program(folder, search);
  ASSERT_TRUE(program.Started());
  const std::string line = program.NextLine(std::chrono::seconds(60));
  ASSERT_EQ(line.rfind("apartments ", 0), 0u) << line << ReadFileText(folder.File("stderr"));

  if (GetParam().Signal != 0)
    ::kill(program.Pid(), GetParam().Signal);
  else
    WriteFileText(folder.File("release"), "");
  // Well within the test run's own minute of waiting.
  EXPECT_EQ(program.Status(std::chrono::seconds(20)), 0) << ReadFileText(folder.File("stderr"));
  // Its search on the way out found what the first did: the connection was
  // not shut down under it.
  EXPECT_EQ(program.NextLine(std::chrono::seconds(1)), line) << ReadFileText(folder.File("stderr"));

  const std::string saved = std::getenv("TULVO_REGISTRY") ? std::getenv("TULVO_REGISTRY") : "";
  ::setenv("TULVO_REGISTRY", folder.File("registry").c_str(), 1);
  TRegIniFile registry(ProgramRegistryKey);
  const std::string item = registry.ReadString("Names", "Item0", "");
  const int left = registry.ReadInteger("Placement", "Left", -1);
  const int right = registry.ReadInteger("Placement", "Right", -1);
  const int top = registry.ReadInteger("Placement", "Top", -1);
  if (saved.empty())
    ::unsetenv("TULVO_REGISTRY");
  else
    ::setenv("TULVO_REGISTRY", saved.c_str(), 1);

  EXPECT_EQ(item, RU(search));
  const TRect area = Application->Screen().WorkAreaRect();
  EXPECT_EQ(right - left, 420);
  EXPECT_EQ(left, area.Left + (area.Width() - 420) / 2);
  EXPECT_EQ(top, area.Top + (area.Height() - 300) / 2);
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramEnd,
                         ::testing::Values(TEndCase{"ClosedByItsUser", 0}, TEndCase{"Terminated", SIGTERM},
                                           TEndCase{"Interrupted", SIGINT}, TEndCase{"HungUp", SIGHUP}),
                         [](const auto& info) { return std::string(info.param.Title); });

}  // namespace
