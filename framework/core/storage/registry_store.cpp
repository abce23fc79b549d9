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
    FHive = hive ? std::move(*hive) : TRegistryHive();
    FText = std::move(text);
  }
  FStamp = stamp;
  FLoaded = true;
}

const TRegistryHive& TRegistryStore::Read() {
  if (TUpdate* update = ActiveUpdate()) return update->Hive;
  // A file replaced since its stamp was taken is caught by a later call: its
  // stamp will differ from the one remembered here.
  if (FLoaded && FileStampOf(FPath) == FStamp) return FHive;
  std::string text;
  TFileStamp stamp;
  int error = ReadWholeFile(FPath, text, &stamp);
  if (error != 0 && error != ENOENT) StoreError("Cannot read the registry store", FPath, error);
  Parse(std::move(text), stamp);  // a missing file reads as an empty one
  return FHive;
}

std::unique_ptr<TRegistryStore::TUpdate> TRegistryStore::BeginUpdate() {
  if (int error = MakeFolders(FolderOf(FPath))) StoreError("Cannot create the folder of", FPath, error);
  auto update = std::make_unique<TUpdate>(FPath);
  if (int error = update->Lock.Error()) StoreError("Cannot lock the registry store", FPath, error);

  // Always from the file, never from the cache: another program may have
  // written since this one last looked. Only a failure to parse what was
  // read makes the store unreadable; a failure to read may pass, and must
  // not cost the user a good store.
  std::string text;
  TFileStamp stamp;
  int error = ReadWholeFile(FPath, text, &stamp);
  if (error != 0 && error != ENOENT) StoreError("Cannot read the registry store", FPath, error);
  Parse(std::move(text), stamp);
  // The cache goes into the update rather than being copied; it comes back
  // when the update is written.
  update->Hive = std::move(FHive);
  update->Unreadable = FUnreadable;
  FLoaded = false;
  return update;
}

void TRegistryStore::CommitUpdate(TUpdate& update) {
  if (!update.Changed) return;
  std::string text = update.Hive.Serialize();
  RemoveOrphanedTemporaries(FPath);
  // The new file first: when it cannot be written, the old one, readable or
  // not, stays where it is.
  TPendingFile pending(FPath);
  if (int error = pending.Write(text)) StoreError("Cannot write the registry store", FPath, error);
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
  FText = std::move(text);
  FStamp = FileStampOf(FPath);
  FHive = std::move(update.Hive);
  FUnreadable = false;
  FLoaded = true;
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
    FHive = std::move(update->Hive);
    FLoaded = true;
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
