#include "framework/core/storage/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

// Closes a descriptor on every path out; close errors after a successful
// fsync cannot lose data, so they are ignored here.
class TFd {
 public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Release() {
    int fd = FFd;
    FFd = -1;
    return fd;
  }

 private:
  int FFd;
};

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// What a temporary file's name adds to the name of the file it replaces;
// mkstemp fills the six X with letters and digits.
constexpr std::string_view kTempInfix = ".tmp-";
constexpr std::string_view kTempSuffix = "XXXXXX";

bool IsTempSuffix(std::string_view suffix) {
  if (suffix.size() != kTempSuffix.size()) return false;
  for (char c : suffix)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

std::string BaseNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TFileStamp StampOf(const struct stat& st) {
  TFileStamp stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = st.st_size;
  stamp.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

// The locks this thread holds, by lock file name: the descriptor and the
// number of lock objects sharing it.
struct THeldLock {
  int Fd = -1;
  int Count = 0;
};

std::map<std::string, THeldLock>& HeldLocks() {
  thread_local std::map<std::string, THeldLock> held;
  return held;
}

}  // namespace

TFileStamp FileStampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return StampOf(st);
}

int ReadWholeFile(const std::string& path, std::string& content, TFileStamp* stamp) {
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return errno;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return errno;
  // Read straight into a string of the file's size, growing it only for a
  // file that grows meanwhile.
  std::string result(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == result.size()) result.resize(result.size() * 2);
    ssize_t n = ::read(fd.Get(), result.data() + used, result.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  result.resize(used);
  content = std::move(result);
  if (stamp) *stamp = StampOf(st);
  return 0;
}

// --- TPendingFile --------------------------------------------------------------

TPendingFile::TPendingFile(std::string path) : FPath(std::move(path)) {}

TPendingFile::~TPendingFile() {
  if (!FTempPath.empty()) ::unlink(FTempPath.c_str());
}

int TPendingFile::Write(std::string_view content, unsigned mode) {
  if (!FTempPath.empty()) ::unlink(FTempPath.c_str());
  FTempPath.clear();
  std::string temp = FPath + std::string(kTempInfix) + std::string(kTempSuffix);
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  TFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) return errno;
  FTempPath = name.data();
  int error = mode == 0600 || ::fchmod(fd.Get(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd.Get(), content);
  if (error == 0 && ::fsync(fd.Get()) != 0) error = errno;
  if (error == 0 && ::close(fd.Release()) != 0) error = errno;
  if (error != 0) {
    ::unlink(FTempPath.c_str());
    FTempPath.clear();
  }
  return error;
}

int TPendingFile::Commit() {
  if (FTempPath.empty()) return EINVAL;
  if (::rename(FTempPath.c_str(), FPath.c_str()) != 0) {
    int error = errno;
    ::unlink(FTempPath.c_str());
    FTempPath.clear();
    return error;
  }
  FTempPath.clear();
  // The rename itself is durable only once the folder is flushed; a failure
  // here leaves a correct file that may not survive a power cut, which is no
  // reason to report the write as failed.
  TFd folder(::open(FolderOf(FPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
  return 0;
}

int ReplaceFileContents(const std::string& path, std::string_view content) {
  // The rename would replace a file its owner made read-only without asking.
  unsigned mode = 0600;
  if (struct stat st {}; ::stat(path.c_str(), &st) == 0) {
    if (!(st.st_mode & S_IWUSR)) return EACCES;
    mode = st.st_mode & 07777;
  }
  TPendingFile pending(path);
  if (int error = pending.Write(content, mode)) return error;
  return pending.Commit();
}

void RemoveOrphanedTemporaries(const std::string& path) {
  std::string folder = FolderOf(path);
  std::string prefix = BaseNameOf(path) + std::string(kTempInfix);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;  // nothing can be cleaned now; the next writer tries again
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!IsTempSuffix(name.substr(prefix.size()))) continue;
    std::string orphan = folder + '/' + std::string(name);
    struct stat st {};
    if (::lstat(orphan.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(orphan.c_str());
  }
  ::closedir(dir);
}

int MakeFolders(const std::string& path) {
  if (path.empty()) return 0;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  std::string parent = FolderOf(path);
  if (parent != path && parent != ".") {
    if (int error = MakeFolders(parent)) return error;
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  return 0;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SystemErrorText(int error) {
  char buffer[256];
  return ::strerror_r(error, buffer, sizeof buffer);
}

// --- TFileLock -------------------------------------------------------------------

TFileLock::TFileLock(const std::string& lockPath) : FLockPath(lockPath) {
  auto& held = HeldLocks();
  if (auto it = held.find(FLockPath); it != held.end()) {
    ++it->second.Count;
    FHeld = true;
    return;
  }
  TFd fd(::open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (fd.Get() < 0) {
    FError = errno;
    return;
  }
  while (::flock(fd.Get(), LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    FError = errno;
    return;
  }
  held[FLockPath] = {fd.Release(), 1};
  FHeld = true;
}

TFileLock::~TFileLock() {
  if (!FHeld) return;
  auto& held = HeldLocks();
  auto it = held.find(FLockPath);
  if (--it->second.Count > 0) return;
  ::close(it->second.Fd);  // closing the last descriptor releases the lock
  held.erase(it);
}
