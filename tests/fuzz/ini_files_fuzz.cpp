// Ini files: any file read, written back and read again; and values written
// through the ini file's operations.
//
// Input: an ini file. Its last three lines also serve as a section, a name
// and a value to write.
// Promises checked:
// - a file read and written out reads back with the same sections, names
//   and values, and is written out again unchanged;
// - a value written reads back the same, before and after the file is
//   written, whenever the file's form can hold it (no line breaks, no
//   blanks at the ends, a name without "=" that does not begin with ";",
//   and not a line that looks like a section header).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/component/strings.h"
#include "framework/core/storage/file_io.h"
#include "framework/core/storage/ini_files.h"
#include "framework/core/text/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// One folder per run for the file the target reads and writes; removed at
// exit. In memory when the system has such a folder: every write is synced.
const std::string& FilePath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
    std::string folder = base + "/ini_fuzz.XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    static const std::string removed = folder;
    std::atexit([] { std::filesystem::remove_all(removed); });
    return folder + "/file.ini";
  }();
  return path;
}

std::string Listing(TCustomIniFile& ini) {
  std::string out;
  TStringList sections, names, lines;
  ini.ReadSections(sections);
  for (int s = 0; s < sections.Count(); ++s) {
    const std::string section = sections.Strings(s);
    out += "[" + section + "]\n";
    ini.ReadSectionValues(section, lines);
    for (int i = 0; i < lines.Count(); ++i) out += lines.Strings(i) + "\n";
    ini.ReadSection(section, names);
    for (int i = 0; i < names.Count(); ++i)
      out += names.Strings(i) + " -> " + ini.ReadString(section, names.Strings(i), "<none>") + "\n";
  }
  return out;
}

std::string FileText() {
  std::string text;
  if (ReadWholeFile(FilePath(), text) != 0) std::abort();
  return text;
}

bool Holdable(std::string_view s) {
  return s.find_first_of("\r\n") == std::string_view::npos && Trim(s) == s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = FuzzText(data, size);
  if (ReplaceFileContents(FilePath(), input) != 0) std::abort();

  TMemIniFile read(FilePath());
  const std::string listing = Listing(read);
  read.UpdateFile();
  const std::string written = FileText();

  TMemIniFile again(FilePath());
  const std::string back = Listing(again);
  FUZZ_CHECK(back == listing, FuzzShown(input) + "\nread " + FuzzShown(listing) + "\nwrote " +
                                  FuzzShown(written) + "\nback " + FuzzShown(back));
  again.UpdateFile();
  const std::string twice = FileText();
  FUZZ_CHECK(twice == written,
             FuzzShown(input) + "\nonce " + FuzzShown(written) + "\ntwice " + FuzzShown(twice));

  std::vector<std::string_view> parts;
  for (std::string_view rest = input; parts.size() < 3;) {
    const std::size_t eol = rest.rfind('\n');
    if (eol == std::string_view::npos) break;
    parts.push_back(rest.substr(eol + 1));
    rest = rest.substr(0, eol);
  }
  if (parts.size() < 3) return 0;
  const std::string_view value = parts[0], ident = parts[1], section = parts[2];
  if (!Holdable(section) || !Holdable(ident) || !Holdable(value) ||
      ident.find('=') != std::string_view::npos || (!ident.empty() && ident.front() == ';') ||
      (!ident.empty() && ident.front() == '[' && !value.empty() && value.back() == ']'))
    return 0;
  again.WriteString(section, ident, value);
  const std::string shown = FuzzShown(section) + " " + FuzzShown(ident) + " " + FuzzShown(value);
  FUZZ_CHECK(again.ReadString(section, ident, "<none>") == value, shown + " in " + FuzzShown(input));
  again.UpdateFile();
  TMemIniFile reread(FilePath());
  FUZZ_CHECK(reread.ReadString(section, ident, "<none>") == value,
             shown + " in " + FuzzShown(input) + "\nwrote " + FuzzShown(FileText()));
  return 0;
}
