// The directory program's start-up, from exec to the first painted main
// window, measured on the real program started as a child process.
//
//   bench_startup [PATH] [--runs=N] [--program=FILE]
//
// PATH is a sample directory database (tools/sample_db PATH --apartments
// 1000000). Without PATH the program's own sample builder makes a small one
// in a temporary folder. The program is copied into a folder of its own
// beside "base/phone_3.gdb" (a link to PATH), with a private runtime folder
// (its engine root) and registry store, and runs offscreen with the
// variable TULVO_PHONES_REPORT_FIRST_PAINT set: at its first paint it
// prints its processor time and ends.
//
// One run untimed first (it makes the engine root, as a user's very first
// start does), then N runs (default 5). Prints each run, then the medians
// "startup_cpu_ms:" (the program's processor time to the first paint, every
// thread) and, last, "startup_ms:" (wall time from the spawn to the line).
// --program runs another build of the program (to compare two builds).

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

class TFolder {
 public:
  TFolder() {
    std::string pattern = (fs::temp_directory_path() / "tulvo-startup-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    FPath = pattern;
  }
  ~TFolder() {
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
  }
  TFolder(const TFolder&) = delete;
  TFolder& operator=(const TFolder&) = delete;
  fs::path Path() const { return FPath; }

 private:
  fs::path FPath;
};

struct TRun {
  double WallMs = 0;
  double CpuMs = 0;
};

// The environment of the child: ours without an engine root of its own, so
// that the program prepares its private one as for a user.
std::vector<std::string> ChildEnvironment(const fs::path& folder) {
  std::vector<std::string> environment;
  const char* const dropped[] = {"FIREBIRD=",       "FIREBIRD_LOCK=", "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR=",
                                 "TULVO_REGISTRY=", "TULVO_PHONES_TEST_SEARCH="};
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (std::none_of(std::begin(dropped), std::end(dropped),
                     [&](const char* name) { return entry.rfind(name, 0) == 0; }))
      environment.push_back(entry);
  }
  environment.push_back("QT_QPA_PLATFORM=offscreen");
  environment.push_back("XDG_RUNTIME_DIR=" + (folder / "run").string());
  environment.push_back("TULVO_REGISTRY=" + (folder / "registry").string());
  environment.push_back("TULVO_PHONES_REPORT_FIRST_PAINT=1");
  return environment;
}

// Starts the program and waits for its report line (at most a minute).
TRun RunOnce(const fs::path& program, const std::vector<std::string>& environment) {
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("cannot make a pipe");
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  ::posix_spawn_file_actions_addclose(&actions, out[0]);
  ::posix_spawn_file_actions_addclose(&actions, out[1]);
  const std::string path = program.string();
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    throw std::runtime_error("cannot start " + path + ": " + std::strerror(spawned));
  }
  std::string text;
  TRun run;
  bool reported = false;
  const auto deadline = start + std::chrono::minutes(1);
  while (!reported && std::chrono::steady_clock::now() < deadline) {
    pollfd wait{out[0], POLLIN, 0};
    if (::poll(&wait, 1, 1000) <= 0) continue;
    char buffer[256];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    const std::size_t at = text.find("first_paint_cpu_ms: ");
    if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
      run.WallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      run.CpuMs = std::strtod(text.c_str() + at + std::strlen("first_paint_cpu_ms: "), nullptr);
      reported = true;
    }
  }
  if (!reported) ::kill(pid, SIGKILL);
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!reported) throw std::runtime_error("the program did not report its first paint: " + text);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the program ended with status " + std::to_string(status));
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(int argc, char** argv) {
  std::string database;
  int runs = 5;
  std::string programFile = TULVO_PHONES;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0)
      runs = std::max(1, std::atoi(argv[i] + 7));
    else if (std::strncmp(argv[i], "--program=", 10) == 0)
      programFile = argv[i] + 10;
    else if (std::strncmp(argv[i], "--", 2) != 0)
      database = argv[i];
  }
  TFolder folder;
  if (database.empty()) {
    database = (folder.Path() / "town.fdb").string();
    const std::string build = std::string("'") + TULVO_SAMPLE_DB + "' '" + database + "' >/dev/null";
    if (std::system(build.c_str()) != 0) throw std::runtime_error("cannot build a sample database");
  }
  const fs::path programFolder = folder.Path() / "program";
  fs::create_directories(programFolder / "base");
  fs::create_symlink(fs::absolute(database), programFolder / "base" / "phone_3.gdb");
  // The program finds its database beside its own file: a copy, not a link.
  fs::copy_file(programFile, programFolder / "phones");
  fs::permissions(programFolder / "phones", fs::perms::owner_all);
  fs::create_directories(folder.Path() / "run");
  ::chmod((folder.Path() / "run").c_str(), 0700);
  const std::vector<std::string> environment = ChildEnvironment(folder.Path());

  const TRun first = RunOnce(programFolder / "phones", environment);
  std::printf("first start (engine root made): %.0f ms wall, %.0f ms processor\n", first.WallMs, first.CpuMs);
  std::vector<double> walls;
  std::vector<double> cpus;
  for (int i = 0; i < runs; ++i) {
    const TRun run = RunOnce(programFolder / "phones", environment);
    std::printf("run %d: %.0f ms wall, %.0f ms processor\n", i + 1, run.WallMs, run.CpuMs);
    walls.push_back(run.WallMs);
    cpus.push_back(run.CpuMs);
  }
  std::printf("startup_cpu_ms: %.0f\n", Median(cpus));
  std::printf("startup_ms: %.0f\n", Median(walls));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_startup: %s\n", e.what());
    return 1;
  }
}
