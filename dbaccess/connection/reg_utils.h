#pragma once
// Small routines over the current user's registry that the application
// connection uses for its aliases and the application transaction for its
// kinds. Key paths are relative to HKEY_CURRENT_USER, with backslashes
// ("Software\DAZA_Roruzure\Aliases\phones"). Each call works on a registry
// object of its own, so every read sees what other programs wrote last.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/variant.h"

// One value as ReadRegValues found it: a string or an integer, and whether
// it was there at all (an empty string counts as missing).
struct TRegReadValue {
  Variant Value;
  bool Found = false;
};

// Opens the key, creating the keys of the path that are missing, and
// writes one value per (name, value) pair, as many pairs as the shorter
// list holds: integers as integer values, floating-point numbers, currency,
// dates and Booleans as the registry's typed values, strings as strings.
// Values of other types are skipped. A store that cannot be written raises
// ERegistryException.
void WriteRegValues(std::string_view keyPath, const std::vector<std::string>& names,
                    const std::vector<Variant>& values);

// The named values of the key, in the order of the names; std::nullopt when
// the key (or a key on its path) does not exist. String values read as
// strings, integer values as integers; a value of another type counts as
// missing.
std::optional<std::vector<TRegReadValue>> ReadRegValues(std::string_view keyPath,
                                                        const std::vector<std::string>& names);

// The names of the key's subkeys; empty when the key is missing or has none.
std::vector<std::string> ListRegSubKeys(std::string_view keyPath);

// The first subkey of the key (in the registry's name order) whose string
// value valueName equals value, compared with case; empty when none does.
std::string FindRegSubKeyByValue(std::string_view keyPath, std::string_view valueName,
                                 std::string_view value);
