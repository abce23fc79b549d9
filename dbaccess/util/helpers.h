#pragma once
// Small free routines the database layer shares: trimming, ASCII case
// folding, searching and replacing in 8-bit texts, words, wildcard masks,
// string-list chores, date texts in the notations the layer meets, component
// paths for messages, random digit strings and zero-filled raw buffers.
// Positions are 1-based, 0 meaning "not found". ASCII case folding touches
// only A-Z and a-z; "locale" means the framework's Windows-1251 rules.
// Identifier quoting lives in sql_words.h, number texts in number_text.h;
// StringOfChar and the framework's other text routines are in text.h.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/core/base/types.h"

class TComponent;
class TStrings;
class TStringList;
struct TFormatSettings;

// ---- Trimming and case --------------------------------------------------------

// Empty, or only characters below code 33.
bool IsBlankText(std::string_view s);
void TrimInPlace(std::string& s);
void TrimRightInPlace(std::string& s);
// Positions of the first and last character above code 32; a blank text
// gives the empty range first = length + 1, last = length.
void TrimBounds(std::string_view s, int& first, int& last);
// Length of a zero-terminated text without its trailing characters below 33.
std::size_t TrimmedCLength(const char* p);
std::string AsciiUpper(std::string_view s);
void AsciiLowerInPlace(std::string& s);

// ---- Pieces -------------------------------------------------------------------

// dst = count characters of src from start (clamped like Copy).
void CopyInto(std::string_view src, std::string& dst, int start, int count);
// The text after the first "=", empty when there is none.
std::string ValueAfterEquals(std::string_view s);
// Splits at the first "="; without one the whole text is the name.
void SplitNameValue(std::string_view s, std::string& name, std::string& value);
std::string IfThen(bool flag, std::string_view a, std::string_view b);

// ---- Comparing ----------------------------------------------------------------

// Equal lengths and equal texts, ignoring case by the locale when asked.
bool SameWord(bool ignoreCase, std::string_view a, std::string_view b);
// Exact comparison, or equal ignoring the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b, bool exact);
// s equals (exactly) one of the words.
bool IsInWordList(std::string_view s, std::span<const std::string_view> list);
bool IsInWordList(std::string_view s, std::initializer_list<std::string_view> list);

// ---- Searching ----------------------------------------------------------------

// Position of sub in s, both upper-cased by the locale.
int PosNoCase(std::string_view sub, std::string_view s);
// Case-sensitive search starting at position from.
int PosFrom(std::string_view sub, std::string_view s, int from);
// The same, with the whole match inside the count characters from position from.
int PosEx(std::string_view sub, std::string_view s, int from, int count);
// First position (both upper-cased by the locale) where word stands after a
// character of before (or the start) and before one of after (or the end).
int PosWholeWord(std::string_view word, std::string_view s, std::string_view before, std::string_view after);
// Lowest position in s of any of the characters.
int FirstPosOfAny(std::string_view chars, std::string_view s);

// ---- Replacing and words --------------------------------------------------------

std::string ReplaceAll(std::string_view s, std::string_view pattern, std::string_view replacement);
// Finds the pattern ignoring case (locale) and replaces it in the text as given.
std::string ReplaceAllNoCase(std::string_view s, std::string_view pattern, std::string_view replacement);
// Words are separated by runs of delimiter characters.
int WordCount(std::string_view s, std::string_view delimiters);
std::string WordAt(int n, std::string_view s, std::string_view delimiters);

// ---- String lists -------------------------------------------------------------

// No lines, or only empty ones.
bool IsEmptyStrings(const TStrings& list);
void DeleteEmptyLines(TStrings& list);
// result = the lines of a (with their objects) that b does not hold.
void NamesMissingFrom(const TStrings& a, const TStrings& b, TStrings& result);
// Binary search of s in list[low..high] of a sorted list, compared as the
// list compares. Found: index is its first position; else where it belongs.
bool FindInSortedRange(const TStringList& list, std::string_view s, int low, int& index, int high);

// ---- Wildcards ----------------------------------------------------------------

// Every run of wildcards that holds a "*" becomes its "?"s followed by one
// "*": the run still needs as many characters as it has "?".
std::string CompressWildcards(std::string_view mask, char anyRun = '*', char anyOne = '?');
// "*" in the mask matches any run of characters, "?" any one; the data's
// characters are always literal.
bool MatchesMask(std::string_view s, std::string_view mask);
// The same with the caller's wildcard characters; when both are the same
// character it matches a run.
bool MatchesLike(std::string_view s, std::string_view mask, char anyRun, char anyOne);
// "%" matches any run of characters.
bool MatchesPercent(std::string_view s, std::string_view mask);
// First line (a mask) that s matches; both upper-cased by the locale unless
// caseSensitive. -1 when none.
int IndexOfMask(const TStrings& list, std::string_view s, bool caseSensitive);

// ---- Small numbers --------------------------------------------------------------

std::int64_t MakeInt64(std::int32_t hi, std::uint32_t lo);
int MinInt(int a, int b);
int SignOf(std::int64_t a);

// ---- Dates ----------------------------------------------------------------------

// A time stamp whose date part is 0 converts as a pure time.
TDateTime TimeStampToDateTimeSafe(const TTimeStamp& ts);
// The framework's date parser with the short date format replaced by format.
TDateTime StrToDateWithFormat(std::string_view s, std::string_view format);
// "-" becomes the date separator, and the first of "JAN" ... "DEC" found
// (in that order, ignoring ASCII case) becomes "01" ... "12".
std::string MonthNamesToNumbers(std::string_view s);
std::string MonthNamesToNumbers(std::string_view s, const TFormatSettings& settings);

enum class TDateTimeTextKind { DateTime = 0, Date = 1, Time = 2 };
// Reads a date or time text in day.month.year, month/day/year or
// day-MON-year notation (times with ":") and writes it in the framework's
// current format. A blank text leaves result unchanged; a date text in none
// of the notations becomes the upper-cased text unparsed. A text that does
// not parse raises EConvertError.
void NormalizeDateTimeText(std::string_view s, TDateTimeTextKind kind, std::string& result);

// ---- Components -----------------------------------------------------------------

// The names of the component and its owners, outermost first, joined by ".";
// unnamed components are skipped.
std::string ComponentPath(const TComponent* component);
// The component or one of its owners is being loaded.
bool IsLoadingOwner(const TComponent* component);

// ---- Random digits ----------------------------------------------------------------

std::string RandomDigits(int n);

// ---- Raw buffers ----------------------------------------------------------------

// Raw blocks handed to the client library (descriptors, parameter blocks)
// live in malloc'ed memory so that they can grow in place.
struct TFreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using TMallocPtr = std::unique_ptr<T, TFreeDeleter>;

// Resizes p (allocates when null, frees when newSize is 0) and zero-fills the
// bytes from oldSize to newSize when growing. Returns the new block; raises
// EOutOfMemory, leaving p untouched, when memory runs out.
void* ReallocZeroedRaw(void* p, std::size_t oldSize, std::size_t newSize);

template <class T>
void ReallocZeroed(TMallocPtr<T>& buffer, std::size_t oldSize, std::size_t newSize) {
  static_assert(std::is_void_v<T> || std::is_trivially_copyable_v<T>, "realloc moves bytes");
  void* moved = ReallocZeroedRaw(buffer.get(), oldSize, newSize);
  (void)buffer.release();  // realloc has taken over or freed the old block
  buffer.reset(static_cast<T*>(moved));
}
