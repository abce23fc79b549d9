#pragma once
// The search histories of the directory program (phones and names): the
// item list of a combo box, most recent first, at most ten entries.

#include <string>
#include <string_view>

class TStrings;

inline constexpr int HistoryLimit = 10;

// Puts text at the top of the history. An entry equal to it but for letter
// case (Windows-1251 rules) moves to the top and keeps its own spelling;
// otherwise text is inserted there, and the oldest entry beyond the limit
// goes.
void AddToHistoryList(TStrings& items, std::string_view text);
