#include "framework/core/storage/registry_store.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

TRegistryStore::TRegistryStore(std::string path) : FPath(std::move(path)) {}

std::string TRegistryStore::DefaultPath() {
  if (const char* named = std::getenv("TULVO_REGISTRY"); named && *named) return named;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
    config = xdg;
  else
    config = HomeFolder() + "/.config";
  return config + "/tulvo/registry";
}

bool TRegistryStore::Load() {
  FStamp = FileStampOf(FPath);
  FHive = TRegistryHive();
  FLoaded = true;
  std::string text;
  int error = ReadWholeFile(FPath, text);
  if (error == ENOENT) return true;
  if (error != 0) return false;
  auto hive = TRegistryHive::Parse(text);
  if (!hive) return false;
  FHive = std::move(*hive);
  return true;
}

const TRegistryHive& TRegistryStore::Read() {
  // A file replaced between the stamp and the read is caught by the next
  // call: its stamp will differ from the one remembered here.
  if (!FLoaded || FileStampOf(FPath) != FStamp) Load();
  return FHive;
}

void TRegistryStore::KeepAside() {
  std::string aside = FPath + ".unreadable";
  struct stat st {};
  for (int n = 1; ::lstat(aside.c_str(), &st) == 0 || errno != ENOENT; ++n) {
    if (n > 1000) StoreError("Cannot keep aside the unreadable registry store", FPath, EEXIST);
    aside = FPath + ".unreadable." + std::to_string(n);
  }
  if (::rename(FPath.c_str(), aside.c_str()) != 0)
    StoreError("Cannot keep aside the unreadable registry store", FPath, errno);
}

void TRegistryStore::Modify(const std::function<bool(TRegistryHive&)>& change) {
  if (int error = MakeFolders(FolderOf(FPath))) StoreError("Cannot create the folder of", FPath, error);
  TFileLock lock(FPath + ".lock");
  if (lock.Error()) StoreError("Cannot lock the registry store", FPath, lock.Error());

  // Always from the file, never from the cache: another program may have
  // written since this one last looked.
  if (!Load()) KeepAside();
  TRegistryHive hive = FHive;
  if (!change(hive)) return;
  if (int error = ReplaceFileContents(FPath, hive.Serialize()))
    StoreError("Cannot write the registry store", FPath, error);
  FHive = std::move(hive);
  FStamp = FileStampOf(FPath);
}
