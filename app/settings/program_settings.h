#pragma once
// The program's settings in the current user's registry, below
// "\Software\Tulvo": the window placement (section "Placement": "Flags",
// "Left", "Top", "Right", "Bottom") and the two search histories (sections
// "Phones" and "Names": "ItemCount", then "Item0", "Item1", ...). Every
// value is a string; numbers are decimal text, and a value that is missing
// or not a number leaves the default.
//
// Plain functions over an open registry object, so that the stored form is
// tested without a window.

#include <string_view>

class TRegIniFile;
class TStrings;
struct TWindowPlacement;

// Flags and the normal rectangle, each defaulting to the record's value.
// Whether any side of the rectangle was stored: when none was (a first run),
// the record holds only the window's own unplaced rectangle.
bool ReadPlacement(TRegIniFile& registry, TWindowPlacement& placement);
// Flags and the normal rectangle (the show command is not stored).
void WritePlacement(TRegIniFile& registry, const TWindowPlacement& placement);

// Appends the section's entries to items; a missing count is no entry, a
// missing entry an empty line, and no more are read than a history keeps.
void LoadHistory(TRegIniFile& registry, std::string_view section, TStrings& items);
// The count and one value per item. Entries of a longer earlier history
// stay behind the count, never read.
void SaveHistory(TRegIniFile& registry, std::string_view section, const TStrings& items);
