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
// read sees the file as it is now and every write goes to the file at once.
// Neither locks the file against other writers.

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
  // Before every read and write: the chance to follow the file.
  virtual void Refresh() {}
  // After every change.
  virtual void Changed() {}

  // Replaces the content by the file's; a missing file is empty. Returns 0
  // or the errno of a read failure (the content is then empty).
  int Load();
  // Writes the content to the file; 0 or errno.
  int Save();
  // The file's stamp when it was last loaded or saved.
  const TFileStamp& Stamp() const { return FStamp; }

 private:
  std::string FFileName;
  std::unique_ptr<TIniSections> FSections;
  TFileStamp FStamp;
};

class TMemIniFile : public TCustomIniFile {
 public:
  // Raises EFOpenError when the file exists but cannot be read.
  explicit TMemIniFile(std::string fileName);

  // Raises EFCreateError when the file cannot be written.
  void UpdateFile() override;
};

class TIniFile : public TCustomIniFile {
 public:
  // Reads of a file that cannot be read give the defaults.
  explicit TIniFile(std::string fileName);

  // Nothing to do: every write has reached the file.
  void UpdateFile() override {}

 protected:
  void Refresh() override;
  // Raises EIniFileException "Unable to write to <file>" on failure.
  void Changed() override;
};
