#pragma once
// Windows-1251 text: the program's one character set. Every std::string in
// the program holds Windows-1251 bytes; Unicode appears only at the GUI
// boundary, through the conversions here. Case folding and comparison follow
// the code page's own letters, never the C locale.
//
// Collation (AnsiCompareText, AnsiCompareStr) sorts by three levels:
//  1. the letter: control characters, then blanks, punctuation and symbols
//     (in code order), then the digits 0-9, then the Latin letters A-Z, then
//     the Cyrillic letters in alphabetical order
//       А Б В Г Ґ Ѓ Д Ђ Е=Ё Є Ж З Ѕ И І Ї Й Ј К Ќ Л Љ М Н Њ О П Р С Т Ћ У Ў
//       Ф Х Ц Ч Џ Ш Щ Ъ Ы Ь Э Ю Я
//     with upper and lower case of a letter equal, and Ё equal to Е;
//     a text that is a prefix of another sorts first;
//  2. when the letters are all equal: Е before Ё at the first place where
//     they differ;
//  3. for AnsiCompareStr only, when both levels tie: lower case before upper
//     case at the first place where the case differs.
// So "Еж" < "Ёж" < "Ежи" under both, and "еж" < "Еж" under AnsiCompareStr.
// Two texts compare equal under AnsiCompareStr only when they are identical;
// under AnsiCompareText exactly when AnsiUpperCase makes them identical.

#include <string>
#include <string_view>

#include "framework/core/base/set.h"

// --- Unicode conversion ----------------------------------------------------

// The Unicode code point of a Windows-1251 byte. Byte 0x98 has no character
// in the code page and gives U+FFFD.
char32_t AnsiCharToUnicode(char c);
// The Windows-1251 byte of a code point; '?' when the code page lacks it.
char UnicodeToAnsiChar(char32_t c);

std::string AnsiToUtf8(std::string_view s);
// Malformed UTF-8 and characters outside the code page become '?' (one per
// malformed sequence or unmappable character).
std::string Utf8ToAnsi(std::string_view utf8);
// A Russian literal written in the UTF-8 source, as Windows-1251 text.
inline std::string RU(std::string_view utf8) { return Utf8ToAnsi(utf8); }

// --- Case ------------------------------------------------------------------

char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// ASCII letters only; every other byte is left as it is.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// --- Comparison ------------------------------------------------------------
// All return a negative number, zero or a positive number (-1, 0, 1 for the
// Ansi forms). None allocates.

int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// --- Collation keys --------------------------------------------------------
// A key is a byte string whose plain byte order (unsigned bytes, a prefix
// first: std::string's <, CompareStr) is the collation order of the texts it
// was made from, so a sort can make each key once and compare bytes:
//   sign(CompareStr(AnsiSortKeyStr(a), AnsiSortKeyStr(b))) == AnsiCompareStr(a, b)
//   sign(CompareStr(AnsiSortKeyText(a), AnsiSortKeyText(b))) == AnsiCompareText(a, b)
// Keys are equal exactly when the comparison gives 0. A key is the letter
// weights and a 0, then the Ё marks and (case-sensitive keys only) a 0 and
// the case marks, each mark level without its trailing unmarked places: one
// to three bytes longer than the text for most words.

std::string AnsiSortKeyStr(std::string_view s);
std::string AnsiSortKeyText(std::string_view s);
// Appends the key of s to out (for keys kept side by side in one buffer).
void AppendAnsiSortKey(std::string& out, std::string_view s, bool caseSensitive);

// Byte order / byte order after ASCII upper-casing.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// --- Editing and searching -------------------------------------------------
// Positions are 1-based; 0 means "not found".

// Characters up to and including ' ' are removed.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Position of the first occurrence of sub in s; 0 when absent or sub is empty.
int Pos(std::string_view sub, std::string_view s);
int AnsiPos(std::string_view sub, std::string_view s);
// Up to count characters of s from the 1-based index; an index below 1
// counts from the first character, a count below 0 gives "".
std::string Copy(std::string_view s, int index1, int count);
std::string StringOfChar(char c, int count);

enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// Replaces the first (or, with rfReplaceAll, every) occurrence of old; with
// rfIgnoreCase occurrences are found by AnsiUpperCase. An empty old leaves s.
std::string StringReplace(std::string_view s, std::string_view old, std::string_view with,
                          TReplaceFlags flags);

// s between single quotes, inner quotes doubled.
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
// The text between the leading quote and its closing quote, doubled quotes
// made single; s itself when it does not begin with a quote or the closing
// quote is missing.
std::string AnsiDequotedStr(std::string_view s, char quote);
