#include "framework/core/storage/ini_files.h"

#include <cerrno>
#include <vector>

#include "framework/core/storage/streams.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

namespace {

bool IsComment(std::string_view line) { return !line.empty() && line.front() == ';'; }

// Whether the line is a "Name=Value" entry, and its name.
bool EntryName(std::string_view line, std::string_view& name) {
  if (IsComment(line)) return false;
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  return true;
}

void FillList(TStrings& list, const std::vector<std::string>& lines) {
  TStringsUpdateScope update(list);
  list.Clear();
  for (const auto& line : lines) list.Add(line);
  update.Finish();
}

}  // namespace

// The content of an ini file: the lines before the first section, then the
// sections in file order, each with its lines as they will be written.
class TIniSections {
 public:
  struct TSection {
    std::string Name;
    std::vector<std::string> Lines;
  };

  std::vector<std::string> Preamble;
  std::vector<TSection> Sections;

  TSection* Find(std::string_view name) {
    for (auto& section : Sections)
      if (AnsiSameText(section.Name, name)) return &section;
    return nullptr;
  }

  TSection& FindOrAdd(std::string_view name) {
    if (TSection* section = Find(name)) return *section;
    Sections.push_back({std::string(name), {}});
    return Sections.back();
  }

  static int FindEntry(const TSection& section, std::string_view ident) {
    std::string_view name;
    for (std::size_t i = 0; i < section.Lines.size(); ++i)
      if (EntryName(section.Lines[i], name) && AnsiSameText(name, ident)) return static_cast<int>(i);
    return -1;
  }

  void Parse(std::string_view text) {
    Preamble.clear();
    Sections.clear();
    TSection* current = nullptr;
    while (!text.empty()) {
      std::size_t eol = text.find_first_of("\r\n");
      std::string line = Trim(text.substr(0, eol));
      if (eol == std::string_view::npos) {
        text = {};
      } else {
        bool crlf = text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n';
        text.remove_prefix(eol + (crlf ? 2 : 1));
      }
      if (line.empty()) continue;
      if (line.front() == '[' && line.back() == ']') {
        current = &FindOrAdd(Trim(std::string_view(line).substr(1, line.size() - 2)));
        continue;
      }
      std::string_view name;
      if (EntryName(line, name)) {
        std::size_t eq = name.size();
        line = Trim(name) + '=' + Trim(std::string_view(line).substr(eq + 1));
      }
      (current ? current->Lines : Preamble).push_back(std::move(line));
    }
  }

  std::string Serialize() const {
    std::string out;
    for (const auto& line : Preamble) out += line + '\n';
    for (const auto& section : Sections) {
      out += '[' + section.Name + "]\n";
      for (const auto& line : section.Lines) out += line + '\n';
      out += '\n';
    }
    return out;
  }
};

// --- TCustomIniFile ----------------------------------------------------------

// An open update scope: the content as it was before it, and its changes in
// order, to make them again when the file changed under them.
struct TCustomIniFile::TGroup {
  TIniSections Before;
  std::vector<TChange> Changes;
};

TCustomIniFile::TCustomIniFile(std::string fileName)
    : FFileName(std::move(fileName)), FSections(std::make_unique<TIniSections>()) {}

TCustomIniFile::~TCustomIniFile() = default;

int TCustomIniFile::Load() {
  FStamp = FileStampOf(FFileName);
  std::string text;
  int error = ReadWholeFile(FFileName, text);
  FSections->Parse(error == 0 ? text : std::string());
  return error == ENOENT ? 0 : error;
}

void TCustomIniFile::ApplyNow(const TChange& change) { change(*FSections); }

void TCustomIniFile::Apply(TChange change) {
  if (!FGroup) {
    ApplyNow(change);
    return;
  }
  if (change(*FSections)) FGroup->Changes.push_back(std::move(change));
}

void TCustomIniFile::ReplayGroup() {
  for (const TChange& change : FGroup->Changes) change(*FSections);
}

int TCustomIniFile::Save() {
  int error = ReplaceFileContents(FFileName, FSections->Serialize());
  FStamp = FileStampOf(FFileName);
  return error;
}

std::string TCustomIniFile::ReadString(std::string_view section, std::string_view ident,
                                       std::string_view defaultValue) {
  Refresh();
  TIniSections::TSection* found = FSections->Find(section);
  int index = found ? TIniSections::FindEntry(*found, ident) : -1;
  if (index < 0) return std::string(defaultValue);
  const std::string& line = found->Lines[static_cast<std::size_t>(index)];
  return line.substr(line.find('=') + 1);
}

void TCustomIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  Apply([section = std::string(section), ident = std::string(ident),
         line = std::string(ident) + '=' + std::string(value)](TIniSections& sections) {
    TIniSections::TSection& target = sections.FindOrAdd(section);
    int index = TIniSections::FindEntry(target, ident);
    if (index < 0) {
      target.Lines.push_back(line);
    } else {
      std::string& old = target.Lines[static_cast<std::size_t>(index)];
      if (old == line) return false;
      old = line;
    }
    return true;
  });
}

int TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int defaultValue) {
  return StrToIntDef(ReadString(section, ident, ""), defaultValue);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TCustomIniFile::ReadSection(std::string_view section, TStrings& list) {
  Refresh();
  std::vector<std::string> names;
  if (TIniSections::TSection* found = FSections->Find(section)) {
    std::string_view name;
    for (const auto& line : found->Lines)
      if (EntryName(line, name)) names.emplace_back(name);
  }
  FillList(list, names);
}

void TCustomIniFile::ReadSections(TStrings& list) {
  Refresh();
  std::vector<std::string> names;
  for (const auto& section : FSections->Sections) names.push_back(section.Name);
  FillList(list, names);
}

void TCustomIniFile::ReadSectionValues(std::string_view section, TStrings& list) {
  Refresh();
  std::vector<std::string> lines;
  if (TIniSections::TSection* found = FSections->Find(section)) {
    std::string_view name;
    for (const auto& line : found->Lines)
      if (EntryName(line, name)) lines.push_back(line);
  }
  FillList(list, lines);
}

void TCustomIniFile::EraseSection(std::string_view section) {
  Apply([section = std::string(section)](TIniSections& sections) {
    auto& list = sections.Sections;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (AnsiSameText(it->Name, section)) {
        list.erase(it);
        return true;
      }
    }
    return false;
  });
}

void TCustomIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  Apply([section = std::string(section), ident = std::string(ident)](TIniSections& sections) {
    TIniSections::TSection* found = sections.Find(section);
    int index = found ? TIniSections::FindEntry(*found, ident) : -1;
    if (index < 0) return false;
    found->Lines.erase(found->Lines.begin() + index);
    return true;
  });
}

bool TCustomIniFile::SectionExists(std::string_view section) {
  Refresh();
  return FSections->Find(section) != nullptr;
}

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident) {
  Refresh();
  TIniSections::TSection* found = FSections->Find(section);
  return found && TIniSections::FindEntry(*found, ident) >= 0;
}

// --- TMemIniFile -------------------------------------------------------------

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {
  if (int error = Load())
    throw EFOpenError("Cannot open file \"" + FileName() + "\". " + SystemErrorText(error));
}

void TMemIniFile::UpdateFile() {
  // The lock orders this write with the locked writes of TIniFile objects
  // and lets orphaned temporary files be removed; the content written is
  // this object's, as the class promises.
  TFileLock lock(FileName() + ".lock");
  int error = lock.Error();
  if (error == 0) {
    RemoveOrphanedTemporaries(FileName());
    error = Save();
  }
  if (error != 0) throw EFCreateError("Cannot create file \"" + FileName() + "\". " + SystemErrorText(error));
}

// --- TIniFile ----------------------------------------------------------------

TIniFile::TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) { Load(); }

void TIniFile::Refresh() {
  // Inside an update scope the content holds changes the file has not yet.
  if (!InGroup() && FileStampOf(FileName()) != Stamp()) Load();
}

void TIniFile::WriteFailed(int error) {
  // The cause too: "permission denied" and "no space left" ask different
  // things of the user.
  throw EIniFileException("Unable to write to " + FileName() + ": " + SystemErrorText(error));
}

void TIniFile::LoadForWriting(const TFileLock& lock) {
  // A file that cannot be read must not be replaced by what this object
  // believes it holds: that is how a file lost its content.
  if (int error = lock.Error()) WriteFailed(error);
  if (int error = Load()) WriteFailed(error);
}

void TIniFile::WriteContent() {
  RemoveOrphanedTemporaries(FileName());
  if (int error = Save()) {
    Load();  // forget the change the file did not take
    WriteFailed(error);
  }
}

void TIniFile::ApplyNow(const TChange& change) {
  TFileLock lock(FileName() + ".lock");
  LoadForWriting(lock);
  if (change(Sections())) WriteContent();
}

void TIniFile::BeginGroup() {
  auto lock = std::make_unique<TFileLock>(FileName() + ".lock");
  LoadForWriting(*lock);
  FGroupLock = std::move(lock);
}

void TIniFile::CommitGroup() {
  // The lock keeps other threads and programs out, but another object of
  // this thread shares it and may have written meanwhile: the group is then
  // made again on what that left.
  if (FileStampOf(FileName()) != Stamp()) {
    if (int error = Load()) WriteFailed(error);
    ReplayGroup();
  }
  WriteContent();
}

void TIniFile::EndGroup() { FGroupLock.reset(); }

// --- TIniFileUpdateScope -------------------------------------------------------

TIniFileUpdateScope::TIniFileUpdateScope(TCustomIniFile& iniFile) : FIniFile(iniFile) {
  if (FIniFile.FGroup) return;  // joins the scope already open
  FIniFile.BeginGroup();
  FIniFile.FGroup = std::make_unique<TCustomIniFile::TGroup>();
  FIniFile.FGroup->Before = *FIniFile.FSections;
  FOutermost = true;
}

TIniFileUpdateScope::~TIniFileUpdateScope() {
  if (!FOutermost || !FIniFile.FGroup) return;
  // Not committed: the content goes back to what it was.
  *FIniFile.FSections = std::move(FIniFile.FGroup->Before);
  FIniFile.FGroup.reset();
  FIniFile.EndGroup();
}

void TIniFileUpdateScope::Commit() {
  if (!FOutermost || !FIniFile.FGroup) return;
  try {
    if (!FIniFile.FGroup->Changes.empty()) FIniFile.CommitGroup();
  } catch (...) {
    *FIniFile.FSections = std::move(FIniFile.FGroup->Before);
    FIniFile.FGroup.reset();
    FIniFile.EndGroup();
    throw;
  }
  FIniFile.FGroup.reset();
  FIniFile.EndGroup();
}
