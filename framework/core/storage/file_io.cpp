#include "framework/core/storage/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

}  // namespace

TFileStamp FileStampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  TFileStamp stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = st.st_size;
  stamp.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

int ReadWholeFile(const std::string& path, std::string& content) {
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return errno;
  std::string result;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    result.append(buffer, static_cast<std::size_t>(n));
  }
  content = std::move(result);
  return 0;
}

int ReplaceFileContents(const std::string& path, std::string_view content) {
  std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  TFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) return errno;
  int error = WriteAll(fd.Get(), content);
  if (error == 0 && ::fsync(fd.Get()) != 0) error = errno;
  if (error == 0 && ::close(fd.Release()) != 0) error = errno;
  if (error == 0 && ::rename(name.data(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(name.data());
    return error;
  }
  // The rename itself is durable only once the folder is flushed; a failure
  // here leaves a correct file that may not survive a power cut, which is no
  // reason to report the write as failed.
  TFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
  return 0;
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

TFileLock::TFileLock(const std::string& lockPath) {
  FFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FFd < 0) {
    FError = errno;
    return;
  }
  while (::flock(FFd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    FError = errno;
    ::close(FFd);
    FFd = -1;
    return;
  }
}

TFileLock::~TFileLock() {
  if (FFd >= 0) ::close(FFd);  // closing the last descriptor releases the lock
}
