// Edit masks: any mask text, any edit text laid into it, any value shown
// through it. Compiled with the mask alone, no window and no Qt.
//
// Input: the mask on the first line, an edit text (as typed, made an edit
// text by the mask) on the second, a value to show on the third.
// Promises checked:
// - every edit text the mask makes holds at each input position a blank
//   or a character that position takes, and each literal in its place;
// - a value the mask accepts (the value of such an edit text) round-trips:
//   shown as an edit text, the edit text's value is that value again.

#include <string>
#include <string_view>

#include "grid/editors/edit_mask.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void CheckEditText(const TEditMask& mask, const std::string& text, const std::string& from) {
  FUZZ_CHECK(static_cast<int>(text.size()) == mask.MaxChars(),
             FuzzShown(mask.Mask()) + " from " + FuzzShown(from) + " made " + FuzzShown(text));
  for (int i = 0; i < mask.MaxChars(); ++i) {
    const char c = text[static_cast<std::size_t>(i)];
    const bool fits =
        mask.IsInput(i) ? c == mask.Blank() || mask.Accept(i, c) == c : c == mask.Position(i).Literal;
    FUZZ_CHECK(fits, FuzzShown(mask.Mask()) + " from " + FuzzShown(from) + " made " + FuzzShown(text) +
                         ", position " + std::to_string(i));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto lines = FuzzLines(FuzzText(data, size), 3);
  const TEditMask mask{std::string(lines[0])};
  if (mask.Empty()) return 0;

  const std::string typed(lines[1]);
  const std::string edit = mask.Normalized(typed);
  CheckEditText(mask, edit, typed);
  CheckEditText(mask, mask.EmptyText(), "");
  CheckEditText(mask, mask.Blanked(edit, 1, mask.MaxChars() - 1), edit);

  const std::string value = mask.ValueOf(edit);
  const std::string shown = mask.EditTextOf(value);
  CheckEditText(mask, shown, value);
  const std::string back = mask.ValueOf(shown);
  FUZZ_CHECK(back == value, FuzzShown(mask.Mask()) + " edit text " + FuzzShown(edit) + " value " +
                                FuzzShown(value) + " shown " + FuzzShown(shown) + " value " +
                                FuzzShown(back));

  const std::string other(lines[2]);
  CheckEditText(mask, mask.EditTextOf(other), other);
  const int invalid = mask.FirstInvalid(edit);
  FUZZ_CHECK(invalid >= -1 && invalid < mask.MaxChars(), FuzzShown(mask.Mask()));
  for (int pos = -1; pos <= mask.MaxChars() + 1; ++pos) {
    const int next = mask.NextInput(pos), previous = mask.PreviousInput(pos);
    FUZZ_CHECK(next >= 0 && next <= mask.MaxChars() && previous >= 0 && previous <= mask.MaxChars(),
               FuzzShown(mask.Mask()) + " at " + std::to_string(pos));
    if (pos >= 0 && pos <= mask.MaxChars()) mask.SkipToLiteral(pos, '.');
  }
  return 0;
}
