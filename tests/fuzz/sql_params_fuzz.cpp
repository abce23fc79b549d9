// The parameter and macro scanner, macro substitution and the IS NULL
// rewriting, as a statement runs them: parse the text, assign values by
// position, build the text sent.
//
// Input: the statement text; optionally a line "====" and then one value
// per line, given by position to the parameters and macros.
// Promises checked:
// - scanning fails only with client error 51;
// - the text sent holds one "?" (outside literals and comments) for each
//   parameter sent;
// - without macros and without rewriting, the parameters sent are the
//   statement's parameters, by name and in order;
// - every name the scanner reports is non-empty.

#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/sql/sql_params.h"
#include "dbaccess/sql/sql_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The "?" marks of a text the scanner wrote, read with the scanner's own
// rules: quotes ' and " (doubled inside) and /* */ comments hide them.
int MarkCount(std::string_view s) {
  int marks = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
      for (++i; i < s.size(); ++i) {
        if (s[i] != c) continue;
        if (i + 1 < s.size() && s[i + 1] == c) {
          ++i;
          continue;
        }
        break;
      }
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const std::size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 1;
    } else if (c == '?') {
      ++marks;
    }
  }
  return marks;
}

std::string Names(const TFIBXSQLDA& da) {
  std::string r;
  for (int i = 0; i < da.Count(); ++i) r += FuzzShown(da[i].Name()) + " ";
  return r;
}

void CheckScan(std::string_view text, bool macroScan) {
  try {
    const TParamScan scan = ScanParamText(text, '@', macroScan, "Fuzz.Q");
    for (const TFoundParam& found : scan.Names) FUZZ_CHECK(!found.Name.empty(), FuzzShown(text));
  } catch (const EFIBClientError& e) {
    FUZZ_CHECK(e.SQLCode() == 51, FuzzShown(text) + " raised " + e.Message());
  }
}

// Builds the text sent; false when the text cannot be sent (error 51).
bool Build(TSQLParams& params, const TSentTextOptions& options, std::string_view text) {
  try {
    params.BuildSentText(options);
  } catch (const EFIBClientError& e) {
    FUZZ_CHECK(e.SQLCode() == 51, FuzzShown(text) + " raised " + e.Message());
    return false;
  }
  const int marks = MarkCount(params.ProcessedSQL());
  FUZZ_CHECK(marks == params.SentParams().Count(),
             FuzzShown(text) + "\nsent " + FuzzShown(params.ProcessedSQL()) + " with " +
                 std::to_string(params.SentParams().Count()) + " parameters: " + Names(params.SentParams()));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = FuzzText(data, size);
  std::string_view text = input;
  std::vector<Variant> values;
  if (const std::size_t split = input.find("\n====\n"); split != std::string_view::npos) {
    text = input.substr(0, split);
    std::string_view rest = input.substr(split + 6);
    while (!rest.empty() && values.size() < 16) {
      const std::size_t eol = rest.find('\n');
      values.emplace_back(std::string(rest.substr(0, eol)));
      rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
    }
  }

  CheckScan(text, true);
  CheckScan(text, false);

  TSQLParams params(nullptr);
  try {
    // As a statement does: without parameters the text is sent as it is.
    if (!params.Parse(text, true, "Fuzz.Q") || params.Params().Count() == 0) return 0;
  } catch (const EFIBClientError& e) {
    FUZZ_CHECK(e.SQLCode() == 51, FuzzShown(text) + " raised " + e.Message());
    return 0;
  }
  FUZZ_CHECK(params.NormalizedSQL() == NormalizeSqlText(text, '@'), FuzzShown(text));
  params.SetParamValues(values);

  TSentTextOptions options;
  options.ComponentPath = "Fuzz.Q";
  options.NoForceIsNull = true;
  if (Build(params, options, text) && !params.HasMacros()) {
    FUZZ_CHECK(
        Names(params.SentParams()) == Names(params.Params()),
        FuzzShown(text) + "\nsent " + Names(params.SentParams()) + "\nfound " + Names(params.Params()));
  }
  options.NoForceIsNull = false;
  Build(params, options, text);
  params.ExtraParamNames();
  return 0;
}
