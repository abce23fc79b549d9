#pragma once
// The per-user registry store: the current user's hive kept in one text file
// (format in registry_hive.h), shared by every running program of the user.
//
// Where: the file named by the environment variable TULVO_REGISTRY when it
// is set and not empty (tests point it into their temporary folder), else
// $XDG_CONFIG_HOME/tulvo/registry, else ~/.config/tulvo/registry.
//
// Reading takes the file as it is now (re-parsed only when it changed).
// Writing takes an exclusive lock on "<file>.lock", re-reads the file, applies
// the change and replaces the file atomically, so two programs that write at
// the same time lose nothing of each other's.
//
// A file that cannot be read or parsed reads as an empty hive. The next write
// moves it aside to "<file>.unreadable" (".unreadable.1", ... when that name
// is taken) before writing a new store: it is never overwritten.
//
// Each TRegistry has its own store object; objects for one file may live on
// different threads.

#include <functional>
#include <string>

#include "framework/core/storage/file_io.h"
#include "framework/core/storage/registry_hive.h"

class TRegistryStore {
 public:
  explicit TRegistryStore(std::string path);

  // The file chosen by the environment as described above.
  static std::string DefaultPath();

  const std::string& Path() const { return FPath; }

  // The hive as the file holds it now.
  const TRegistryHive& Read();

  // Runs change on the current hive under the lock; when it returns true the
  // result is written back. Raises ERegistryException when the store cannot
  // be locked, kept aside or written; the file is then unchanged. Exceptions
  // of change propagate and nothing is written.
  void Modify(const std::function<bool(TRegistryHive&)>& change);

 private:
  // Parses the file into FHive; false when it exists but cannot be read or
  // parsed (FHive is then empty).
  bool Load();
  void KeepAside();

  std::string FPath;
  TFileStamp FStamp;
  TRegistryHive FHive;
  bool FLoaded = false;
};
