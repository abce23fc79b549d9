#include "grid/edit_mask.h"

#include "framework/core/text/text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return AnsiUpperChar(c) != AnsiLowerChar(c); }

// Where the trailing fields start (the first separator within the last four
// characters), or the mask's length when it has none.
size_t FieldsStart(const std::string& mask) {
  if (mask.size() <= 3) return mask.size();
  for (size_t i = mask.size() - 4; i < mask.size(); ++i) {
    if (mask[i] != ';') continue;
    if (i > 0 && mask[i - 1] == '\\') continue;  // an escaped ";" is a literal
    return i;
  }
  return mask.size();
}

}  // namespace

TEditMask::TEditMask(const std::string& mask) : TEditMask(mask, FormatSettings()) {}

TEditMask::TEditMask(const std::string& mask, const TFormatSettings& settings) : FMask(mask) {
  Parse(settings);
}

void TEditMask::Parse(const TFormatSettings& settings) {
  const size_t bodyEnd = FieldsStart(FMask);
  if (bodyEnd < FMask.size()) {
    // ";save" then optionally ";blank".
    const size_t saveAt = bodyEnd + 1;
    if (saveAt < FMask.size() && FMask[saveAt] != ';') FSaveLiterals = FMask[saveAt] != '0';
    const size_t second = FMask.find(';', saveAt + (saveAt < FMask.size() && FMask[saveAt] != ';' ? 1 : 0));
    if (second != std::string::npos && second + 1 < FMask.size()) FBlank = FMask[second + 1];
  }
  TMaskCase charCase = TMaskCase::None;
  for (size_t i = 0; i < bodyEnd; ++i) {
    const char c = FMask[i];
    TMaskPosition p;
    p.Case = charCase;
    switch (c) {
      case '!': FFillFromEnd = true; continue;
      case '>':
        charCase = (i > 0 && FMask[i - 1] == '<') ? TMaskCase::None : TMaskCase::Upper;
        continue;
      case '<': charCase = TMaskCase::Lower; continue;
      case '\\':
        if (++i >= bodyEnd) continue;
        p.Literal = FMask[i];
        break;
      case '0': p.Kind = TMaskCharKind::Digit; p.Required = true; break;
      case '9': p.Kind = TMaskCharKind::Digit; break;
      case '#': p.Kind = TMaskCharKind::DigitOrSign; break;
      case 'L': p.Kind = TMaskCharKind::Letter; p.Required = true; break;
      case 'l': p.Kind = TMaskCharKind::Letter; break;
      case 'A': p.Kind = TMaskCharKind::LetterOrDigit; p.Required = true; break;
      case 'a': p.Kind = TMaskCharKind::LetterOrDigit; break;
      case 'C': p.Kind = TMaskCharKind::AnyChar; p.Required = true; break;
      case 'c': p.Kind = TMaskCharKind::AnyChar; break;
      case '/': p.Literal = settings.DateSeparator; break;
      case ':': p.Literal = settings.TimeSeparator; break;
      default: p.Literal = c; break;
    }
    FPositions.push_back(p);
  }
}

bool TEditMask::IsInput(int pos) const {
  return pos >= 0 && pos < MaxChars() && Position(pos).Kind != TMaskCharKind::Literal;
}

char TEditMask::Accept(int pos, char c) const {
  if (pos < 0 || pos >= MaxChars()) return 0;
  const TMaskPosition& p = Position(pos);
  bool ok = false;
  switch (p.Kind) {
    case TMaskCharKind::Literal: return p.Literal;
    case TMaskCharKind::Digit: ok = IsDigit(c); break;
    case TMaskCharKind::DigitOrSign: ok = IsDigit(c) || c == ' ' || c == '+' || c == '-'; break;
    case TMaskCharKind::Letter: ok = IsLetter(c); break;
    case TMaskCharKind::LetterOrDigit: ok = IsLetter(c) || IsDigit(c); break;
    case TMaskCharKind::AnyChar: ok = c != 0; break;
  }
  if (!ok) return 0;
  if (p.Case == TMaskCase::Upper) return AnsiUpperChar(c);
  if (p.Case == TMaskCase::Lower) return AnsiLowerChar(c);
  return c;
}

int TEditMask::NextInput(int pos) const {
  for (int i = pos < 0 ? 0 : pos; i < MaxChars(); ++i)
    if (IsInput(i)) return i;
  return MaxChars();
}

int TEditMask::PreviousInput(int pos) const {
  for (int i = (pos > MaxChars() ? MaxChars() : pos) - 1; i >= 0; --i)
    if (IsInput(i)) return i;
  const int first = NextInput(0);
  return first < MaxChars() ? first : 0;
}

int TEditMask::SkipToLiteral(int pos, char c) const {
  for (int i = pos; i < MaxChars(); ++i) {
    if (IsInput(i)) continue;
    return Position(i).Literal == c ? i + 1 : -1;
  }
  return -1;
}

std::string TEditMask::EmptyText() const {
  std::string text;
  for (const TMaskPosition& p : FPositions) text += p.Kind == TMaskCharKind::Literal ? p.Literal : FBlank;
  return text;
}

std::string TEditMask::Blanked(const std::string& editText, int start, int stop) const {
  std::string text = editText;
  text.resize(FPositions.size(), FBlank);
  for (int i = start < 0 ? 0 : start; i < stop && i < MaxChars(); ++i)
    text[static_cast<size_t>(i)] = IsInput(i) ? FBlank : Position(i).Literal;
  return text;
}

std::string TEditMask::Normalized(const std::string& text) const {
  std::string result = EmptyText();
  for (int i = 0; i < MaxChars() && i < static_cast<int>(text.size()); ++i) {
    if (!IsInput(i)) continue;
    const char c = text[static_cast<size_t>(i)];
    const char accepted = c == FBlank || c == ' ' ? 0 : Accept(i, c);
    if (accepted) result[static_cast<size_t>(i)] = accepted;
  }
  return result;
}

std::string TEditMask::ValueOf(const std::string& editText, bool withLiterals) const {
  if (Empty()) return editText;
  std::string value;
  for (int i = 0; i < MaxChars(); ++i) {
    const char c = i < static_cast<int>(editText.size()) ? editText[static_cast<size_t>(i)] : FBlank;
    if (!IsInput(i)) {
      if (withLiterals) value += Position(i).Literal;
      continue;
    }
    value += c == FBlank ? ' ' : c;
  }
  if (withLiterals) return value;
  // Unfilled optional positions are the trailing ones, or with "!" the
  // leading ones.
  const size_t first = value.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return FFillFromEnd ? value.substr(first) : value.substr(0, value.find_last_not_of(' ') + 1);
}

void TEditMask::Lay(std::string& text, int first, int last, const std::string& chars) const {
  std::vector<int> inputs;
  for (int i = first; i < last; ++i)
    if (IsInput(i)) inputs.push_back(i);
  const size_t n = chars.size() < inputs.size() ? chars.size() : inputs.size();
  // Too long a section keeps its start; too short a one is aligned left, or
  // right with "!".
  const size_t offset = FFillFromEnd ? inputs.size() - n : 0;
  for (size_t k = 0; k < n; ++k) {
    const int pos = inputs[offset + k];
    const char c = chars[k];
    const char accepted = c == ' ' ? 0 : Accept(pos, c);
    text[static_cast<size_t>(pos)] = accepted ? accepted : FBlank;
  }
}

std::string TEditMask::EditTextOf(const std::string& value) const {
  if (Empty()) return value;
  std::string text = EmptyText();
  if (!FSaveLiterals) {
    Lay(text, 0, MaxChars(), value);
    return text;
  }
  if (!FollowsLayout(value)) return LayBySections(value);
  // Position by position: searching the value for the literals would take
  // an input character equal to a literal (a blank before a blank literal,
  // a sign before a sign) for that literal and shift the rest.
  for (int i = 0; i < static_cast<int>(value.size()); ++i) {
    if (!IsInput(i)) continue;
    const char c = value[static_cast<std::size_t>(i)];
    const char accepted = c == ' ' ? 0 : Accept(i, c);
    if (accepted) text[static_cast<std::size_t>(i)] = accepted;
  }
  return text;
}

// A value the mask itself made has its literals where the mask has them;
// one that lost its trailing blanks on the way (a fixed-width text field
// trims them) still has them up to its end. Only a value that reaches a
// literal position tells: a shorter one fits any mask.
bool TEditMask::FollowsLayout(const std::string& value) const {
  if (value.size() > FPositions.size()) return false;
  bool reachesLiteral = false;
  for (int i = 0; i < static_cast<int>(value.size()); ++i) {
    if (IsInput(i)) continue;
    if (value[static_cast<std::size_t>(i)] != Position(i).Literal) return false;
    reachesLiteral = true;
  }
  return reachesLiteral || value.size() == FPositions.size();
}

// A value written elsewhere ("1.2.99" for a date mask): each run of input
// positions takes the value's characters up to the literal that ends the
// run.
std::string TEditMask::LayBySections(const std::string& value) const {
  std::string text = EmptyText();
  size_t v = 0;
  int i = 0;
  while (i < MaxChars()) {
    if (!IsInput(i)) {
      if (v < value.size() && value[v] == Position(i).Literal) ++v;
      ++i;
      continue;
    }
    int end = i;
    while (end < MaxChars() && IsInput(end)) ++end;
    // A value without that literal fills the run by position instead.
    size_t stop = v + static_cast<size_t>(end - i);
    if (end < MaxChars()) {
      const size_t found = value.find(Position(end).Literal, v);
      if (found != std::string::npos) stop = found;
    } else {
      stop = value.size();  // the last run takes the rest
    }
    if (stop > value.size()) stop = value.size();
    Lay(text, i, end, value.substr(v, stop - v));
    v = stop;
    i = end;
  }
  return text;
}

int TEditMask::FirstInvalid(const std::string& editText, bool ignoreBlank) const {
  for (int i = 0; i < MaxChars(); ++i) {
    const TMaskPosition& p = Position(i);
    if (p.Kind == TMaskCharKind::Literal || !p.Required) continue;
    const char c = i < static_cast<int>(editText.size()) ? editText[static_cast<size_t>(i)] : FBlank;
    if (c == FBlank && !ignoreBlank) return i;
    if (c == ' ' && p.Kind != TMaskCharKind::AnyChar) return i;
  }
  return -1;
}

void RaiseInvalidMaskInput() {
  throw EDBEditError("Invalid input value.  Use escape key to abandon changes");
}
