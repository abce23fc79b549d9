#pragma once
// What a string list or a folder holds, as a vector a test compares in one
// expectation: EXPECT_EQ(Lines(list), (Names{"A", "B"})).

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/core/component/strings.h"

using Names = std::vector<std::string>;

inline Names Lines(const TStrings& list) {
  Names lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

// The names of the entries of a folder, sorted.
inline Names FilesIn(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}
