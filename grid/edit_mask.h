#pragma once
// TEditMask: the framework's edit-mask language, parsed once and applied to
// texts without any window. A mask describes a row of character positions:
// literals (kept as they are) and input positions (a digit, a letter, ...;
// required or optional). The edit text is what the user sees: every
// position filled, empty input positions showing the blank character. The
// value is what the editor hands out: with the save-literals flag the edit
// text with blanks as spaces, otherwise only the input characters.
//
// Syntax: an optional trailing part in the mask's last four characters,
// ";save" and ";blank" (save "0" drops literals from the value; blank
// defaults to "_"); directives "!" (optional positions fill from the end),
// ">" upper case, "<" lower case, "<>" no conversion, "\" next character is
// a literal; required "0" digit, "L" letter, "A" letter or digit, "C" any;
// optional "9" digit, "#" digit, space, "+" or "-", "l", "a", "c"; "/" and
// ":" are the locale's date and time separators; anything else is literal.

#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/format_settings.h"

enum class TMaskCharKind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, AnyChar };
enum class TMaskCase { None, Upper, Lower };

struct TMaskPosition {
  TMaskCharKind Kind = TMaskCharKind::Literal;
  bool Required = false;
  char Literal = 0;  // for literal positions
  TMaskCase Case = TMaskCase::None;
};

class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const std::string& mask);
  TEditMask(const std::string& mask, const TFormatSettings& settings);

  const std::string& Mask() const { return FMask; }
  bool Empty() const { return FMask.empty(); }
  // The number of character positions (literal and input).
  int MaxChars() const { return static_cast<int>(FPositions.size()); }
  bool SaveLiterals() const { return FSaveLiterals; }
  char Blank() const { return FBlank; }
  bool FillFromEnd() const { return FFillFromEnd; }
  // Positions are 0-based caret positions.
  const TMaskPosition& Position(int pos) const { return FPositions.at(static_cast<size_t>(pos)); }
  bool IsInput(int pos) const;

  // The character stored for c at input position pos (case converted), or
  // 0 when the position refuses it. At a literal position, its literal.
  char Accept(int pos, char c) const;
  // The first input position at or after pos; MaxChars when none.
  int NextInput(int pos) const;
  // The last input position before pos; the first input position (or 0)
  // when there is none before.
  int PreviousInput(int pos) const;
  // For a character refused at input position pos that equals the next
  // literal after it: the position just past that literal; else -1.
  int SkipToLiteral(int pos, char c) const;

  // Every input position blank, literals in place.
  std::string EmptyText() const;
  // The edit text with input positions in [start, stop) blanked.
  std::string Blanked(const std::string& editText, int start, int stop) const;
  // A text of the wrong length (a change the mask did not see) made an edit
  // text again: padded or cut, each position keeping only what it accepts.
  std::string Normalized(const std::string& text) const;
  // The value of an edit text (blanks as spaces; literals only when saved).
  std::string ValueOf(const std::string& editText) const { return ValueOf(editText, FSaveLiterals); }
  std::string ValueOf(const std::string& editText, bool withLiterals) const;
  // The edit text that shows a value; characters a position refuses and
  // spaces become blanks. A value with the literals saved goes position by
  // position when it has the mask's literals in place (every value the
  // mask makes does), else section by section between the literals.
  std::string EditTextOf(const std::string& value) const;
  // The first required position that is not filled, or -1. A blank counts
  // as filled with ignoreBlank; a space is allowed only at "C".
  int FirstInvalid(const std::string& editText, bool ignoreBlank = false) const;

 private:
  void Parse(const TFormatSettings& settings);
  // Lays chars into the input positions [first, last) (from the end with
  // "!"), refusing what the positions refuse.
  void Lay(std::string& text, int first, int last, const std::string& chars) const;
  bool FollowsLayout(const std::string& value) const;
  std::string LayBySections(const std::string& value) const;

  std::string FMask;
  std::vector<TMaskPosition> FPositions;
  bool FSaveLiterals = true;
  char FBlank = '_';
  bool FFillFromEnd = false;
};

// Raised when an edit text leaves a required position empty.
void RaiseInvalidMaskInput();
