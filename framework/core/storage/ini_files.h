#pragma once
// Ini files: text files of "[Section]" headers and "Name=Value" lines, in
// the program's Windows-1251 text.
//
// Section and value names ignore case (Windows-1251 rules). Reading trims
// blanks around names and values; lines starting with ";" are comments.
// Comments, lines without "=" and lines before the first section are kept
// and written back. Writing puts a blank line after each section and ends
// lines with "\n"; the file is replaced atomically (file_io.h).
//
// `TMemIniFile` reads the file once, at construction, works in memory and
// writes the file only on `UpdateFile`. `TIniFile` follows the file: every
// read sees the file as it is now and every write goes to the file at once,
// in the way of the registry store: it locks "<file>.lock", reads the file
// afresh, applies the change and replaces the file, so programs writing one
// file side by side lose nothing of each other's. A file that exists but
// cannot be read is never written over: the write raises instead.
// `TIniFileUpdateScope` makes a group of changes one write of the file.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/core/base/exceptions.h"
#include "framework/core/storage/file_io.h"
#include "framework/core/base/object.h"

class TStrings;
class TIniSections;

TULVO_DECLARE_EXCEPTION(EIniFileException, Exception);

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string fileName);
  ~TCustomIniFile() override;

  const std::string& FileName() const { return FFileName; }

  // defaultValue when the section or the value is missing.
  std::string ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue);
  // Adds the section when it is missing; a value of that name is replaced
  // in place, a new one goes to the end of the section.
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  // Decimal, or hexadecimal with "$" or "0x"; defaultValue when the value is
  // missing or not a number.
  int ReadInteger(std::string_view section, std::string_view ident, int defaultValue);
  void WriteInteger(std::string_view section, std::string_view ident, int value);
  // The integer reading, non-zero = true.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue);
  // "1" or "0".
  void WriteBool(std::string_view section, std::string_view ident, bool value);

  // Each clears the list first: the section's value names; the section
  // names in file order; the section's "Name=Value" lines.
  void ReadSection(std::string_view section, TStrings& list);
  void ReadSections(TStrings& list);
  void ReadSectionValues(std::string_view section, TStrings& list);
  void EraseSection(std::string_view section);
  // Deletes the value ident of the section.
  void DeleteKey(std::string_view section, std::string_view ident);
  bool SectionExists(std::string_view section);
  bool ValueExists(std::string_view section, std::string_view ident);

  // Writes pending changes to the file.
  virtual void UpdateFile() = 0;

 protected:
  // Changes the content; true when it changed anything.
  using TChange = std::function<bool(TIniSections&)>;

  // Before every read: the chance to follow the file.
  virtual void Refresh() {}
  // Makes one change outside an update scope.
  virtual void ApplyNow(const TChange& change);
  // The update scope's hooks: its start (may raise; nothing is then
  // started), its commit of a group that changed something (may raise), and
  // its end, committed or not.
  virtual void BeginGroup() {}
  virtual void CommitGroup() = 0;
  virtual void EndGroup() {}
  // Whether an update scope is open.
  bool InGroup() const { return FGroup != nullptr; }
  // Makes the group's changes again, in order, on the content.
  void ReplayGroup();
  TIniSections& Sections() { return *FSections; }

  // Replaces the content by the file's; a missing file is empty. Returns 0
  // or the errno of a read failure (the content is then empty).
  int Load();
  // Writes the content to the file; 0 or errno.
  int Save();
  // The file's stamp when it was last loaded or saved.
  const TFileStamp& Stamp() const { return FStamp; }

 private:
  friend class TIniFileUpdateScope;
  struct TGroup;

  // Makes one change, at once or within the open group.
  void Apply(TChange change);

  std::string FFileName;
  std::unique_ptr<TIniSections> FSections;
  TFileStamp FStamp;
  std::unique_ptr<TGroup> FGroup;
};

class TMemIniFile : public TCustomIniFile {
 public:
  // Raises EFOpenError when the file exists but cannot be read.
  explicit TMemIniFile(std::string fileName);

  // Raises EFCreateError when the file cannot be written.
  void UpdateFile() override;

 protected:
  void CommitGroup() override { UpdateFile(); }
};

class TIniFile : public TCustomIniFile {
 public:
  // Reads of a file that cannot be read give the defaults.
  explicit TIniFile(std::string fileName);

  // Nothing to do: every write has reached the file.
  void UpdateFile() override {}

 protected:
  void Refresh() override;
  // Each raises EIniFileException "Unable to write to <file>: <cause>" when the file
  // cannot be locked, read or written; the file is then unchanged.
  void ApplyNow(const TChange& change) override;
  void BeginGroup() override;
  void CommitGroup() override;
  void EndGroup() override;

 private:
  [[noreturn]] void WriteFailed(int error);
  // Reads the file afresh under the lock; raises when it cannot be locked
  // or read.
  void LoadForWriting(const TFileLock& lock);
  // Writes the content under the lock held; raises when it cannot.
  void WriteContent();

  std::unique_ptr<TFileLock> FGroupLock;
};

// Makes a group of changes to an ini file one write of it. On a `TIniFile`
// the scope locks the file and reads it at its start, the changes go to the
// content in memory, and `Commit` writes the file once; on a `TMemIniFile`
// `Commit` writes the file (`UpdateFile`). Leaving the scope without
// `Commit`, as an exception does, drops the group: the content is as before
// the scope and the file is unchanged. A scope opened on the same object
// inside another joins it: only the outermost one writes.
class TIniFileUpdateScope {
 public:
  // Raises as a write to the file would when it cannot start.
  explicit TIniFileUpdateScope(TCustomIniFile& iniFile);
  ~TIniFileUpdateScope();
  TIniFileUpdateScope(const TIniFileUpdateScope&) = delete;
  TIniFileUpdateScope& operator=(const TIniFileUpdateScope&) = delete;

  // Writes the group (outermost scope only, and only when it changed
  // anything). On failure the group is dropped and the exception passes on.
  void Commit();

 private:
  TCustomIniFile& FIniFile;
  bool FOutermost = false;
};
