#pragma once
// The per-user registry store: the current user's hive kept in one text file
// (format in registry_hive.h), shared by every running program of the user.
//
// Where: the file named by the environment variable TULVO_REGISTRY when it
// is set and not empty (tests point it into their temporary folder), else
// $XDG_CONFIG_HOME/tulvo/registry, else ~/.config/tulvo/registry.
//
// Reading takes the file as it is now (re-parsed only when its bytes
// changed). Writing takes an exclusive lock on "<file>.lock", re-reads the
// file unless it is still the version last read or written (same inode,
// size and time), applies the change and replaces the file atomically and
// durably (the data and the rename flushed to disk), so two programs
// that write at the same time lose nothing of each other's. Under the lock
// the writer also removes the temporary files of writers that were killed.
// A group of changes (a layout or settings save) goes in one such cycle
// inside a TRegistryUpdateScope.
//
// A file whose owner took away its write permission is never replaced:
// writes raise ERegistryException and it keeps its mode and content. Every
// other file keeps its mode across writes.
//
// A file that cannot be read (no descriptor left, no right to read) is left
// alone: the operation raises ERegistryException and may succeed later. A
// file that was read but cannot be parsed reads as an empty hive; the next
// write first writes its new file, then moves the old one aside to
// "<file>.unreadable" (".unreadable.1", ... when that name is taken) and puts
// the new one in its place: it is never overwritten, and the program can ask
// where it went (`KeptAsidePath`).
//
// Each TRegistry has its own store object; objects for one file may live on
// different threads. The parsed hive of a file version is shared by the
// store objects of the process, so a registry object made for one save does
// not parse the whole file again.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "framework/core/storage/file_io.h"
#include "framework/core/storage/registry_hive.h"

class TRegistry;

class TRegistryStore {
 public:
  explicit TRegistryStore(std::string path);
  ~TRegistryStore();
  TRegistryStore(const TRegistryStore&) = delete;
  TRegistryStore& operator=(const TRegistryStore&) = delete;

  // The file chosen by the environment as described above.
  static std::string DefaultPath();

  const std::string& Path() const { return FPath; }

  // The hive as the file holds it now; inside an update scope of this thread,
  // as the scope's changes leave it. Raises ERegistryException when the file
  // exists but cannot be read.
  const TRegistryHive& Read();
  // Whether the file, as last read, could not be parsed (it then reads as an
  // empty hive and goes aside at the next write).
  bool Unreadable() const { return FUnreadable; }

  // Runs change on the current hive under the lock; when it returns true the
  // result is written back. Raises ERegistryException when the store cannot
  // be locked, read, kept aside or written; the file is then unchanged.
  // Exceptions of change propagate and nothing is written. Inside an update
  // scope of this thread the change joins the scope's group instead.
  void Modify(const std::function<bool(TRegistryHive&)>& change);

  // Why a write of the store at path would fail now (an errno: EACCES for a
  // file whose owner took its write permission away, which the store never
  // replaces, or for a folder or lock file it may not write), or 0 when
  // nothing speaks against it. So a program can say so once, at its start,
  // instead of at every save.
  static int WriteProblem(const std::string& path);

  // The name under which this process moved the unreadable store at path
  // aside, the last time it did; "" when it never did. So the program can
  // tell the user, once, where the settings it could not read went.
  static std::string KeptAsidePath(const std::string& path);

 private:
  friend class TRegistryUpdateScope;
  struct TUpdate;

  // Updates in progress on this thread, by file name.
  static std::map<std::string, TUpdate*>& ActiveUpdates();
  TUpdate* ActiveUpdate() const;
  // Locks and reads the file into a new update; raises when it cannot.
  std::unique_ptr<TUpdate> BeginUpdate();
  // Writes the update's hive when it changed; raises when it cannot.
  void CommitUpdate(TUpdate& update);
  // Parses text into the cache, unless the cache holds those very bytes.
  void Parse(std::string text, const TFileStamp& stamp);
  // Takes the hive another store object of the process last read or wrote,
  // when the file is still that version; false when there is none.
  bool Adopt();
  // Makes the cache's hive the one other store objects adopt.
  void Publish() const;
  // The cache's hive to change: moved out when nobody else holds it,
  // copied otherwise. The cache is then empty.
  TRegistryHive TakeHive();

  std::string FPath;
  // The cache: the bytes last read or written (they may be gone when the
  // hive was adopted), their stamp and their hive, which other store
  // objects for the file may share but never change.
  std::string FText;
  TFileStamp FStamp;
  std::shared_ptr<const TRegistryHive> FHive;
  bool FLoaded = false;
  bool FUnreadable = false;
};

// Applies every registry write of this thread to one store file, through any
// registry object, from the scope's start to `Commit`, as one change of the
// file: the scope takes the lock and reads the file once, the writes go to
// the hive in memory (reads on this thread see them), and `Commit` writes the
// file once. Leaving the scope without `Commit`, as an exception does, drops
// the group and leaves the file as it was. A scope opened inside another on
// the same file joins it: only the outermost one writes. Other threads and
// programs wait for the lock while a scope lasts, so a scope holds one save
// (a grid layout, the settings), not a session.
class TRegistryUpdateScope {
 public:
  // Raises ERegistryException when the store cannot be locked or read.
  explicit TRegistryUpdateScope(TRegistryStore& store);
  explicit TRegistryUpdateScope(TRegistry& registry);
  ~TRegistryUpdateScope();
  TRegistryUpdateScope(const TRegistryUpdateScope&) = delete;
  TRegistryUpdateScope& operator=(const TRegistryUpdateScope&) = delete;

  // Writes the group (outermost scope only) and releases the lock. Raises
  // ERegistryException when the file cannot be written; it is then unchanged
  // and the group is dropped.
  void Commit();

 private:
  TRegistryStore& FStore;
  std::unique_ptr<TRegistryStore::TUpdate> FUpdate;  // only in the outermost scope
};
