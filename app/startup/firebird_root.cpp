#include "app/startup/firebird_root.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// The engine's own folder for this machine's architecture.
fs::path EngineFolder() {
  for (const char* folder : {"/usr/lib/x86_64-linux-gnu/firebird/3.0", "/usr/lib/aarch64-linux-gnu/firebird/3.0",
                             "/usr/lib/firebird/3.0"})
    if (fs::exists(folder)) return folder;
  return "/usr/lib/x86_64-linux-gnu/firebird/3.0";
}

class ERootProblem : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Puts a file in place whole: a copy starting at the same moment sees the
// old file or the new one, never half of one.
void ReplaceWhole(const fs::path& target, const std::string& content) {
  const fs::path temporary = target.string() + ".tmp." + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) throw ERootProblem("cannot write " + temporary.string());
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    throw ERootProblem("cannot put " + target.string() + " in place");
  }
}

void CopyWhole(const fs::path& source, const fs::path& target) {
  std::error_code error;
  const auto size = fs::file_size(source, error);
  if (error) throw ERootProblem("cannot read " + source.string() + ": " + error.message());
  // A copy of the same size is taken for the same module: the root
  // survives between runs, and copying it anew each time is wasted work.
  if (fs::is_regular_file(fs::symlink_status(target)) && fs::file_size(target, error) == size && !error) return;
  const fs::path temporary = target.string() + ".tmp." + std::to_string(::getpid());
  fs::copy_file(fs::canonical(source, error), temporary, fs::copy_options::overwrite_existing, error);
  if (error) throw ERootProblem("cannot copy " + source.string() + ": " + error.message());
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    throw ERootProblem("cannot put " + target.string() + " in place");
  }
}

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) throw ERootProblem("cannot make the folder " + folder.string());
}

}  // namespace

TFirebirdRootPlan DefaultFirebirdRootPlan() {
  TFirebirdRootPlan plan;
  const std::string runtime = Environment("XDG_RUNTIME_DIR");
  if (!runtime.empty() && fs::is_directory(runtime))
    plan.Root = runtime + "/tulvo/firebird";
  else
    plan.Root = Environment("HOME") + "/.cache/tulvo/firebird";
  plan.LockFolder = Environment("FIREBIRD_LOCK");
  if (plan.LockFolder.empty()) plan.LockFolder = plan.Root + "/lock";
  plan.SystemConfig = "/etc/firebird/3.0/firebird.conf";
  const fs::path engine = EngineFolder();
  plan.SystemIntlModule = (engine / "intl" / "libfbintl.so").string();
  plan.SystemIntlConfig = (engine / "intl" / "fbintl.conf").string();
  return plan;
}

TFirebirdRootResult PrepareFirebirdRoot(const TFirebirdRootPlan& plan) {
  TFirebirdRootResult result;
  if (!Environment("FIREBIRD").empty()) return result;
  try {
    if (plan.Root.empty() || plan.Root.front() != '/') throw ERootProblem("no folder for it (HOME is not set)");
    const fs::path root = plan.Root;
    MakeFolder(root / "intl");
    MakeFolder(plan.LockFolder);
    std::string config;
    if (fs::exists(plan.SystemConfig)) config += "include " + plan.SystemConfig + "\n";
    config += "ServerMode = SuperClassic\n";
    ReplaceWhole(root / "firebird.conf", config);
    CopyWhole(plan.SystemIntlModule, root / "intl" / "libfbintl.so");
    if (fs::exists(plan.SystemIntlConfig)) CopyWhole(plan.SystemIntlConfig, root / "intl" / "fbintl.conf");
  } catch (const std::exception& e) {
    result.Outcome = TFirebirdRootResult::Failed;
    result.Problem = e.what();
    return result;
  }
  ::setenv("FIREBIRD", plan.Root.c_str(), 1);
  ::setenv("FIREBIRD_LOCK", plan.LockFolder.c_str(), 1);
  result.Outcome = TFirebirdRootResult::Prepared;
  return result;
}
