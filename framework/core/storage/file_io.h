#pragma once
// Whole-file reading and writing for the stores that keep their state in one
// small text file (the registry store, ini files). A file is never rewritten
// in place: the new content goes to a temporary file beside it
// ("<file>.tmp-XXXXXX"), which then replaces it by rename, so a reader sees
// the old content or the new one and a crash leaves one of the two, plus at
// worst an orphaned temporary file that the next writer removes under the
// lock. Failures come back as an errno value, so that each caller raises its
// own exception with its own words.
// File names are passed to the system unchanged.

#include <cstdint>
#include <string>
#include <string_view>

// What identifies one version of a file: a rename gives a new inode, and a
// rewrite in place by someone else changes the size or the modification time.
struct TFileStamp {
  bool Exists = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;

  friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The stamp of the file now; `Exists` false when it is missing or cannot be
// examined.
TFileStamp FileStampOf(const std::string& path);

// Reads the whole file into content, and, when asked, the stamp of the very
// version read. Returns 0, or the errno of the failure (ENOENT when the file
// is missing); content is then left as it was.
int ReadWholeFile(const std::string& path, std::string& content, TFileStamp* stamp = nullptr);

// A new content for a file, written and flushed to the disk under a
// temporary name beside it (mode 0600 unless told), then put in its place by
// one rename.
// Until `Commit` the file is untouched; a temporary file that was not
// committed is removed with the object.
class TPendingFile {
 public:
  explicit TPendingFile(std::string path);
  ~TPendingFile();
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;

  // Writes the temporary file with the permission bits given. Returns 0 or
  // errno.
  int Write(std::string_view content, unsigned mode = 0600);
  // Renames the written temporary file over the file. Returns 0 or errno.
  int Commit();

 private:
  std::string FPath;
  std::string FTempPath;  // empty when there is none to remove
};

// Write, then commit, as above, with the old file's permission bits. A file
// whose owner took its write permission away is never replaced (EACCES).
// Returns 0, or the errno of the failure; the old file is then untouched.
int ReplaceFileContents(const std::string& path, std::string_view content);

// Removes the temporary files that writers of path killed before their
// rename left behind. Call it only while holding the file's lock: every
// writer holds it from creating its temporary file to the rename, so under
// the lock any such file is an orphan.
void RemoveOrphanedTemporaries(const std::string& path);

// Creates the folder and any missing parents (mode 0700). Returns 0 or errno.
int MakeFolders(const std::string& path);

// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path);

// The system's text for an errno value.
std::string SystemErrorText(int error);

// An exclusive lock held on a lock file (created when missing) for the
// object's lifetime. It serialises the writers of one store across threads
// and processes: flock locks belong to the open file, not to the process.
// Within one thread the lock is re-entrant: a second lock object for the
// same lock file name joins the lock the thread already holds instead of
// waiting for itself for ever.
class TFileLock {
 public:
  // Blocks until the lock is held. `Error()` tells whether that failed.
  explicit TFileLock(const std::string& lockPath);
  ~TFileLock();
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  // 0 when the lock is held, else the errno of the failure.
  int Error() const { return FError; }

 private:
  std::string FLockPath;
  bool FHeld = false;
  int FError = 0;
};
