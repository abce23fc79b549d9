// The registry store's text form: any file read, and any names and data
// written through the hive and read back.
//
// Input: a registry file. Its lines also serve as names and data for a
// second hive built through the hive's own operations.
// Promises checked:
// - a hive read from a file is written out in a form that reads back as
//   the same hive (the same keys, names, types and data) and is written
//   out again unchanged;
// - every value set through the hive, whatever bytes its name and data
//   hold, survives writing and reading (within the writers' bounds).

#include <string>
#include <string_view>
#include <vector>

#include "framework/core/storage/registry_hive.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Every key (parents first) with its values: two hives are the same hive
// when their listings are equal.
void List(const TRegistryHive& hive, const std::string& path, std::string& out) {
  out += "[" + path + "]\n";
  for (const std::string& name : hive.ValueNames(path)) {
    const TRegValue* value = hive.FindValue(path, name);
    out += name + " " + std::to_string(value->Type) + " " + std::to_string(value->Integer) + " " +
           value->Data + "\n";
  }
  for (const std::string& sub : hive.SubKeyNames(path))
    List(hive, path.empty() ? sub : path + "\\" + sub, out);
}

std::string Listing(const TRegistryHive& hive) {
  std::string out;
  List(hive, "", out);
  return out;
}

void CheckRoundTrip(const TRegistryHive& hive, std::string_view origin) {
  const std::string text = hive.Serialize();
  const std::optional<TRegistryHive> again = TRegistryHive::Parse(text);
  FUZZ_CHECK(again.has_value(), FuzzShown(origin) + "\nwrote " + FuzzShown(text));
  FUZZ_CHECK(Listing(*again) == Listing(hive), FuzzShown(origin) + "\nwrote " + FuzzShown(text) + "\nread  " +
                                                   FuzzShown(Listing(hive)) + "\nback  " +
                                                   FuzzShown(Listing(*again)));
  const std::string twice = again->Serialize();
  FUZZ_CHECK(twice == text, FuzzShown(origin) + "\nonce  " + FuzzShown(text) + "\ntwice " + FuzzShown(twice));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = FuzzText(data, size);
  if (const std::optional<TRegistryHive> hive = TRegistryHive::Parse(text)) CheckRoundTrip(*hive, text);

  // The lines as raw names and data. A key path segment is never empty and
  // holds no backslash (the separator), so those are left out of paths; and
  // a path stays within what writers may store, which is what reads back.
  TRegistryHive built;
  std::string_view rest = text;
  std::string path = "Software";
  for (int i = 0; !rest.empty() && i < 64; ++i) {
    const std::size_t eol = rest.find('\n');
    const std::string line(rest.substr(0, eol));
    rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
    std::string segment;
    for (char c : line)
      if (c != '\\') segment += c;
    if (!segment.empty() && i % 4 == 1 && TRegistryHive::FitsKeyPath(path + "\\" + segment)) path += "\\" + segment;
    built.SetValue(path, line, TRegValue::String(line));
    built.SetValue(path, line + "#", TRegValue::Binary(line));
    built.SetValue(path, line + "$", TRegValue::Int(static_cast<std::int32_t>(line.size() * 2654435761u)));
    const TRegValue* value = built.FindValue(path, line);
    FUZZ_CHECK(value && value->Type == rdString && value->Data == line, FuzzShown(line));
  }
  CheckRoundTrip(built, text);
  return 0;
}
