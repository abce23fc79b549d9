// The database and transaction parameter blocks built from parameter lines
// (a connection's DBParams, a transaction's TRParams), such as a user may
// type them or a settings file may hold them.
//
// Input: the lines.
// Promises checked:
// - building fails only with the client errors of the tables (unknown,
//   unsupported, a value too big for its item) or the conversion error of
//   a value that is not a number;
// - a block built reads back item by item: the version byte, then one
//   item per non-empty line, in order, with the line's code, a length that
//   matches, the line's text for text items and its number for numbers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct TLine {
  std::string Name;
  std::string Value;
};

// The non-empty lines as the builders read them.
std::vector<TLine> Model(const std::vector<std::string>& lines, std::string_view prefix) {
  std::vector<TLine> model;
  for (const std::string& raw : lines) {
    const std::string line = Trim(raw);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    TLine& l = model.emplace_back();
    l.Name = LowerCase(line.substr(0, equals));
    if (l.Name.starts_with(prefix)) l.Name.erase(0, prefix.size());
    if (equals != std::string::npos) l.Value = line.substr(equals + 1);
  }
  return model;
}

int DPBCode(std::string_view name) {
  for (int code = 1; code <= 67; ++code)
    if (DPBName(code) == name) return code;
  return 0;
}

bool IsDPBText(int code) {
  for (int c : {18, 19, 20, 28, 29, 30, 47, 48, 60})
    if (c == code) return true;
  return false;
}

bool IsDPBNumber(int code) {
  for (int c : {5, 9, 13, 17, 24, 27, 57, 58, 63})
    if (c == code) return true;
  return false;
}

void CheckDPB(const std::vector<std::string>& lines, std::string_view input) {
  std::string block;
  try {
    block = BuildDPB(lines);
  } catch (const EFIBClientError& e) {
    FUZZ_CHECK(e.SQLCode() == 8 || e.SQLCode() == 9 || e.SQLCode() == 33,
               FuzzShown(input) + " " + e.Message());
    return;
  } catch (const EConvertError&) {
    return;
  }
  const std::vector<TLine> model = Model(lines, "isc_dpb_");
  FUZZ_CHECK(!block.empty() && block[0] == 1 && block.size() <= 32767, FuzzShown(input));
  std::size_t at = 1;
  for (const TLine& line : model) {
    const int code = DPBCode(line.Name);
    FUZZ_CHECK(at + 2 <= block.size() && static_cast<unsigned char>(block[at]) == code,
               FuzzShown(input) + " block " + FuzzShown(block) + " at " + std::to_string(at));
    const std::size_t length = static_cast<unsigned char>(block[at + 1]);
    FUZZ_CHECK(at + 2 + length <= block.size(), FuzzShown(input) + " block " + FuzzShown(block));
    const std::string data = block.substr(at + 2, length);
    if (IsDPBText(code)) FUZZ_CHECK(data == line.Value, FuzzShown(input) + " block " + FuzzShown(block));
    if (IsDPBNumber(code))
      FUZZ_CHECK(data == std::string(1, static_cast<char>(StrToInt(line.Value))),
                 FuzzShown(input) + " block " + FuzzShown(block));
    at += 2 + length;
  }
  FUZZ_CHECK(at == block.size(), FuzzShown(input) + " block " + FuzzShown(block));
}

void CheckTPB(const std::vector<std::string>& lines, std::string_view input) {
  std::string block;
  try {
    block = BuildTPB(lines);
  } catch (const EFIBClientError& e) {
    FUZZ_CHECK(e.SQLCode() == 10 || e.SQLCode() == 11 || e.SQLCode() == 33,
               FuzzShown(input) + " " + e.Message());
    return;
  }
  if (lines.empty()) {
    FUZZ_CHECK(block.empty(), FuzzShown(block));
    return;
  }
  static constexpr std::string_view Names[] = {
      "consistency",      "concurrency",  "shared",         "protected",  "exclusive",   "wait",
      "nowait",           "read",         "write",          "lock_read",  "lock_write",  "verb_time",
      "commit_time",      "ignore_limbo", "read_committed", "autocommit", "rec_version", "no_rec_version",
      "restart_requests", "no_auto_undo"};
  FUZZ_CHECK(!block.empty() && block[0] == 3, FuzzShown(input));
  std::size_t at = 1;
  for (const TLine& line : Model(lines, "isc_tpb_")) {
    int code = 0;
    for (int c = 1; c <= 20; ++c)
      if (Names[c - 1] == line.Name) code = c;
    FUZZ_CHECK(at < block.size() && static_cast<unsigned char>(block[at]) == code,
               FuzzShown(input) + " block " + FuzzShown(block) + " at " + std::to_string(at));
    ++at;
    if (code == 10 || code == 11) {
      const std::size_t length = at < block.size() ? static_cast<unsigned char>(block[at]) : 0;
      FUZZ_CHECK(at + 1 + length <= block.size() && block.substr(at + 1, length) == line.Value,
                 FuzzShown(input) + " block " + FuzzShown(block));
      at += 1 + length;
    }
  }
  FUZZ_CHECK(at == block.size(), FuzzShown(input) + " block " + FuzzShown(block));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = FuzzText(data, size);
  std::vector<std::string> lines;
  for (std::string_view rest = input; !rest.empty();) {
    const std::size_t eol = rest.find('\n');
    lines.emplace_back(rest.substr(0, eol));
    rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
  }
  CheckDPB(lines, input);
  CheckTPB(lines, input);
  return 0;
}
