#include "framework/core/storage/registry_store.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "framework/core/base/exceptions.h"

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

[[noreturn]] void StoreError(const std::string& what, const std::string& path, int error) {
  throw ERegistryException(what + " \"" + path + "\": " + SystemErrorText(error));
}

// Where this process kept unreadable stores aside, by store file name.
struct TKeptAside {
  std::mutex Mutex;
  std::map<std::string, std::string> Paths;
};

TKeptAside& KeptAside() {
  static TKeptAside kept;
  return kept;
}

// The hive of each store file as some store object of this process last
// read or wrote it, with the stamp of that version.
struct TSharedHives {
  struct TEntry {
    TFileStamp Stamp;
    std::shared_ptr<const TRegistryHive> Hive;
    bool Unreadable = false;
  };
  std::mutex Mutex;
  std::map<std::string, TEntry> Entries;
};

TSharedHives& SharedHives() {
  static TSharedHives shared;
  return shared;
}

// An unreadable store moved out of the way: by a second name (a hard link)
// while the new file is still to come, so that the file never disappears, or
// by rename where the file system has no hard links.
struct TAside {
  std::string Path;
  bool Linked = false;
};

TAside MoveAside(const std::string& path) {
  for (int n = 0; n <= 1000; ++n) {
    std::string aside = path + ".unreadable";
    if (n > 0) aside.append(".").append(std::to_string(n));
    if (::link(path.c_str(), aside.c_str()) == 0) return {aside, true};
    if (errno == EEXIST) continue;
    if (errno == ENOENT) return {};  // removed by hand meanwhile: nothing to keep
    struct stat st {};
    if (::lstat(aside.c_str(), &st) == 0 || errno != ENOENT) continue;
    if (::rename(path.c_str(), aside.c_str()) != 0)
      StoreError("Cannot keep aside the unreadable registry store", path, errno);
    return {aside, false};
  }
  StoreError("Cannot keep aside the unreadable registry store", path, EEXIST);
}

// Puts things back as they were when the new file could not take the place
// of the old one.
void UndoMoveAside(const std::string& path, const TAside& aside) {
  if (aside.Linked)
    ::unlink(aside.Path.c_str());
  else
    ::rename(aside.Path.c_str(), path.c_str());
}

}  // namespace

// One group of changes to a store file in progress on one thread: the lock,
// and the hive the changes go to.
struct TRegistryStore::TUpdate {
  explicit TUpdate(const std::string& path) : Lock(path + ".lock") {}

  TFileLock Lock;
  TRegistryHive Hive;
  bool Unreadable = false;  // the file could not be parsed: keep it aside
  bool Changed = false;
};

TRegistryStore::TRegistryStore(std::string path) : FPath(std::move(path)) {}

TRegistryStore::~TRegistryStore() = default;

std::string TRegistryStore::DefaultPath() {
  if (const char* named = std::getenv("TULVO_REGISTRY"); named && *named) return named;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
    config = xdg;
  else
    config = HomeFolder() + "/.config";
  return config + "/tulvo/registry";
}

std::string TRegistryStore::KeptAsidePath(const std::string& path) {
  TKeptAside& kept = KeptAside();
  std::lock_guard lock(kept.Mutex);
  auto it = kept.Paths.find(path);
  return it == kept.Paths.end() ? std::string() : it->second;
}

std::map<std::string, TRegistryStore::TUpdate*>& TRegistryStore::ActiveUpdates() {
  thread_local std::map<std::string, TUpdate*> active;
  return active;
}

TRegistryStore::TUpdate* TRegistryStore::ActiveUpdate() const {
  auto& active = ActiveUpdates();
  if (active.empty()) return nullptr;
  auto it = active.find(FPath);
  return it == active.end() ? nullptr : it->second;
}

void TRegistryStore::Parse(std::string text, const TFileStamp& stamp) {
  if (!FLoaded || text != FText) {
    FLoaded = false;
    auto hive = TRegistryHive::Parse(text);
    FUnreadable = !hive;
    FHive = std::make_shared<const TRegistryHive>(hive ? std::move(*hive) : TRegistryHive());
    FText = std::move(text);
  }
  FStamp = stamp;
  FLoaded = true;
  Publish();
}

bool TRegistryStore::Adopt() {
  const TFileStamp now = FileStampOf(FPath);
  TSharedHives& shared = SharedHives();
  std::lock_guard lock(shared.Mutex);
  auto it = shared.Entries.find(FPath);
  if (it == shared.Entries.end() || !now.Exists || it->second.Stamp != now) return false;
  FHive = it->second.Hive;
  FUnreadable = it->second.Unreadable;
  FStamp = now;
  FText.clear();  // not the bytes of this hive: a later read parses again
  FLoaded = true;
  return true;
}

void TRegistryStore::Publish() const {
  if (!FStamp.Exists) return;
  TSharedHives& shared = SharedHives();
  std::lock_guard lock(shared.Mutex);
  shared.Entries[FPath] = {FStamp, FHive, FUnreadable};
}

TRegistryHive TRegistryStore::TakeHive() {
  {
    // Under the lock nobody can take another share from the table: when the
    // table's is the only other one, dropping it leaves this object alone.
    TSharedHives& shared = SharedHives();
    std::lock_guard lock(shared.Mutex);
    auto it = shared.Entries.find(FPath);
    if (it != shared.Entries.end() && it->second.Hive == FHive && FHive.use_count() == 2) shared.Entries.erase(it);
  }
  std::shared_ptr<const TRegistryHive> hive = std::move(FHive);
  FLoaded = false;
  if (!hive) return TRegistryHive();
  // Made mutable and shared by no one else: moved, not copied.
  if (hive.use_count() == 1) return std::move(const_cast<TRegistryHive&>(*hive));
  return *hive;
}

const TRegistryHive& TRegistryStore::Read() {
  if (TUpdate* update = ActiveUpdate()) return update->Hive;
  // A file replaced since its stamp was taken is caught by a later call: its
  // stamp will differ from the one remembered here.
  if (FLoaded && FileStampOf(FPath) == FStamp) return *FHive;
  if (Adopt()) return *FHive;
  std::string text;
  TFileStamp stamp;
  int error = ReadWholeFile(FPath, text, &stamp);
  if (error != 0 && error != ENOENT) StoreError("Cannot read the registry store", FPath, error);
  Parse(std::move(text), stamp);  // a missing file reads as an empty one
  return *FHive;
}

std::unique_ptr<TRegistryStore::TUpdate> TRegistryStore::BeginUpdate() {
  if (int error = MakeFolders(FolderOf(FPath))) StoreError("Cannot create the folder of", FPath, error);
  auto update = std::make_unique<TUpdate>(FPath);
  if (int error = update->Lock.Error()) StoreError("Cannot lock the registry store", FPath, error);

  // Another program may have written since this one last looked: under the
  // lock, the cache serves only when the file is still the version it holds
  // (every writer renames a new file into place, so a new inode; an edit in
  // place changes the size or the time). Only a failure to parse what was
  // read makes the store unreadable; a failure to read may pass, and must
  // not cost the user a good store.
  if ((!FLoaded || FileStampOf(FPath) != FStamp) && !Adopt()) {
    std::string text;
    TFileStamp stamp;
    int error = ReadWholeFile(FPath, text, &stamp);
    if (error != 0 && error != ENOENT) StoreError("Cannot read the registry store", FPath, error);
    Parse(std::move(text), stamp);
  }
  // The cache goes into the update rather than being copied; it comes back
  // when the update is written.
  update->Unreadable = FUnreadable;
  update->Hive = TakeHive();
  return update;
}

int TRegistryStore::WriteProblem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    // The user's "do not change it", which a rename would not ask about.
    if (!(st.st_mode & S_IWUSR)) return EACCES;
  } else if (errno != ENOENT) {
    return errno;
  }
  const std::string lock = path + ".lock";
  if (::access(lock.c_str(), F_OK) == 0 && ::access(lock.c_str(), W_OK) != 0) return errno;
  // The nearest folder that exists takes the new file (or the folders to it).
  std::string folder = FolderOf(path);
  while (::access(folder.c_str(), F_OK) != 0 && errno == ENOENT && FolderOf(folder) != folder)
    folder = FolderOf(folder);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return errno;
  return 0;
}

void TRegistryStore::CommitUpdate(TUpdate& update) {
  if (!update.Changed) return;
  // A file its owner made read-only is left as it is, mode and content: the
  // rename would replace it without asking. Any other file keeps its mode.
  unsigned mode = 0600;
  if (struct stat st {}; ::stat(FPath.c_str(), &st) == 0) {
    if (!(st.st_mode & S_IWUSR)) StoreError("Cannot write the registry store", FPath, EACCES);
    mode = st.st_mode & 07777;
  }
  // Into the cache's own buffer: the cache stands for the file no more (the
  // update took its hive), and the buffer is the file's size already.
  FLoaded = false;
  // A store object made for this one save has no buffer yet: grown step by
  // step, it would copy the file's bytes over and over.
  if (FStamp.Exists) FText.reserve(static_cast<std::size_t>(FStamp.Size) + static_cast<std::size_t>(FStamp.Size) / 8 + 4096);
  update.Hive.SerializeInto(FText);
  const std::string& text = FText;
  RemoveOrphanedTemporaries(FPath);
  // The new file first: when it cannot be written, the old one, readable or
  // not, stays where it is.
  TPendingFile pending(FPath);
  if (int error = pending.Write(text, mode)) StoreError("Cannot write the registry store", FPath, error);
  TAside aside;
  if (update.Unreadable) aside = MoveAside(FPath);
  if (int error = pending.Commit()) {
    if (!aside.Path.empty()) UndoMoveAside(FPath, aside);
    StoreError("Cannot write the registry store", FPath, error);
  }
  if (!aside.Path.empty()) {
    TKeptAside& kept = KeptAside();
    std::lock_guard lock(kept.Mutex);
    kept.Paths[FPath] = aside.Path;
  }
  update.Changed = false;
  FStamp = FileStampOf(FPath);
  FHive = std::make_shared<const TRegistryHive>(std::move(update.Hive));
  FUnreadable = false;
  FLoaded = true;
  Publish();
}

void TRegistryStore::Modify(const std::function<bool(TRegistryHive&)>& change) {
  if (TUpdate* update = ActiveUpdate()) {
    if (change(update->Hive)) update->Changed = true;
    return;
  }
  std::unique_ptr<TUpdate> update = BeginUpdate();
  if (change(update->Hive)) {
    update->Changed = true;
    CommitUpdate(*update);
  } else {
    // Nothing to write: the hive still matches the bytes the cache holds.
    FHive = std::make_shared<const TRegistryHive>(std::move(update->Hive));
    FLoaded = true;
    Publish();
  }
}

// --- TRegistryUpdateScope ------------------------------------------------------

TRegistryUpdateScope::TRegistryUpdateScope(TRegistryStore& store) : FStore(store) {
  if (FStore.ActiveUpdate()) return;  // joins the scope already open
  FUpdate = FStore.BeginUpdate();
  TRegistryStore::ActiveUpdates()[FStore.FPath] = FUpdate.get();
}

TRegistryUpdateScope::~TRegistryUpdateScope() {
  // Without Commit the group is dropped; the store's cache went into it, so
  // the next read takes the file afresh.
  if (FUpdate) TRegistryStore::ActiveUpdates().erase(FStore.FPath);
}

void TRegistryUpdateScope::Commit() {
  if (!FUpdate) return;
  TRegistryStore::ActiveUpdates().erase(FStore.FPath);
  std::unique_ptr<TRegistryStore::TUpdate> update = std::move(FUpdate);
  FStore.CommitUpdate(*update);
}
