// Windows-1251 text: the conversions to and from UTF-8 at the GUI and file
// boundaries, case folding, collation and quoting.
//
// Input: any bytes, taken both as Windows-1251 text and as UTF-8; the
// first line and the rest are also compared with each other.
// Promises checked:
// - every Windows-1251 text but the code page's hole (0x98) survives the
//   trip to UTF-8 and back; UTF-8 read once reads the same after the trip;
// - upper and lower case are stable, and collation agrees with them: two
//   texts compare equal ignoring case exactly when their upper cases are
//   identical, and equal with case only when identical; comparing is
//   antisymmetric;
// - a quoted text dequotes to itself.

#include <string>
#include <string_view>

#include "framework/core/text/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

void CheckPair(std::string_view a, std::string_view b) {
  const std::string shown = FuzzShown(a) + " " + FuzzShown(b);
  const int text = AnsiCompareText(a, b), str = AnsiCompareStr(a, b);
  FUZZ_CHECK(Sign(text) == -Sign(AnsiCompareText(b, a)) && Sign(str) == -Sign(AnsiCompareStr(b, a)), shown);
  FUZZ_CHECK((text == 0) == (AnsiUpperCase(a) == AnsiUpperCase(b)) && AnsiSameText(a, b) == (text == 0),
             shown);
  FUZZ_CHECK((str == 0) == (a == b) && AnsiSameStr(a, b) == (str == 0), shown);
  // The case-sensitive order refines the other: it never contradicts it.
  FUZZ_CHECK(text == 0 || Sign(str) == Sign(text), shown);
  FUZZ_CHECK(Sign(CompareStr(a, b)) == -Sign(CompareStr(b, a)) && (CompareText(a, b) == 0) == SameText(a, b),
             shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view s = FuzzText(data, size);

  if (s.find('\x98') == std::string_view::npos) {
    const std::string utf8 = AnsiToUtf8(s);
    FUZZ_CHECK(Utf8ToAnsi(utf8) == s, FuzzShown(s) + " as " + FuzzShown(utf8));
  }
  const std::string read = Utf8ToAnsi(s);
  FUZZ_CHECK(Utf8ToAnsi(AnsiToUtf8(read)) == read, FuzzShown(s) + " read as " + FuzzShown(read));

  const std::string upper = AnsiUpperCase(s), lower = AnsiLowerCase(s);
  FUZZ_CHECK(upper.size() == s.size() && lower.size() == s.size(), FuzzShown(s));
  FUZZ_CHECK(AnsiUpperCase(lower) == upper && AnsiUpperCase(upper) == upper &&
                 AnsiLowerCase(upper) == AnsiLowerCase(lower),
             FuzzShown(s));
  for (std::size_t i = 0; i < s.size(); ++i)
    FUZZ_CHECK(AnsiUpperChar(s[i]) == upper[i] && AnsiLowerChar(s[i]) == lower[i], FuzzShown(s));

  FUZZ_CHECK(AnsiDequotedStr(QuotedStr(s), '\'') == s && AnsiDequotedStr(AnsiQuotedStr(s, '"'), '"') == s,
             FuzzShown(s));

  const auto parts = FuzzLines(s, 2);
  CheckPair(parts[0], parts[1]);
  CheckPair(s, upper);
  CheckPair(lower, upper);
  CheckPair(parts[0], s);
  // Transitivity over three texts.
  const std::string_view a = parts[0], b = parts[1];
  const std::string c = lower;
  if (AnsiCompareText(a, b) <= 0 && AnsiCompareText(b, c) <= 0)
    FUZZ_CHECK(AnsiCompareText(a, c) <= 0, FuzzShown(a) + " " + FuzzShown(b) + " " + FuzzShown(c));
  if (AnsiCompareStr(a, b) <= 0 && AnsiCompareStr(b, c) <= 0)
    FUZZ_CHECK(AnsiCompareStr(a, c) <= 0, FuzzShown(a) + " " + FuzzShown(b) + " " + FuzzShown(c));
  return 0;
}
