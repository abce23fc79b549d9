#pragma once
// The SQL word list (functions, keywords and type names the server reserves)
// and the quoting of identifiers for an SQL dialect. Dialect 1 knows no
// quoted identifiers: names are upper-cased; dialect 3 quotes a name that is
// not a plain upper-case identifier or that is one of the words.

#include <string>
#include <string_view>

// s (compared ignoring ASCII case) is one of the SQL words.
bool IsSqlWord(std::string_view s);

// True when the name must be quoted to keep its spelling: it begins with a
// double quote or a digit, holds a character other than A-Z, 0-9, "#", "$",
// "%", "_" (and a-z when allowLower), or is an SQL word. A name whose second
// character is a digit is never a word.
bool NeedsQuotes(std::string_view name, bool allowLower);

// Dialect 1: the trimmed name in ASCII upper case. Otherwise the name between
// double quotes when it needs them, else unchanged; a name that already
// begins with a double quote is taken as quoted.
std::string FormatIdentifier(int dialect, std::string_view name);
// The same, except that names needing no quotes (by NeedsQuotes with
// allowLower) are upper-cased.
std::string FormatIdentifierUpper(int dialect, std::string_view name, bool allowLower);
