#include "app/settings/program_settings.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/search/search_history.h"
#include "framework/core/component/strings.h"
#include "framework/core/storage/registry.h"
#include "framework/gui/standard/forms.h"

namespace {
constexpr std::string_view PlacementSection = "Placement";
}

bool ReadPlacement(TRegIniFile& registry, TWindowPlacement& placement) {
  placement.flags = static_cast<unsigned>(
      registry.ReadInteger(PlacementSection, "Flags", static_cast<int>(placement.flags)));
  TRect& r = placement.rcNormalPosition;
  bool stored = false;
  for (auto [name, field] : {std::pair{"Left", &r.Left}, {"Top", &r.Top}, {"Right", &r.Right}, {"Bottom", &r.Bottom}}) {
    // A number is read alike whatever the default; a missing value or one
    // that is not a number gives back each default.
    const int read = registry.ReadInteger(PlacementSection, name, *field);
    stored = stored || registry.ReadInteger(PlacementSection, name, ~*field) == read;
    *field = read;
  }
  return stored;
}

void WritePlacement(TRegIniFile& registry, const TWindowPlacement& placement) {
  const TRect& r = placement.rcNormalPosition;
  registry.WriteInteger(PlacementSection, "Flags", static_cast<int>(placement.flags));
  registry.WriteInteger(PlacementSection, "Left", r.Left);
  registry.WriteInteger(PlacementSection, "Top", r.Top);
  registry.WriteInteger(PlacementSection, "Right", r.Right);
  registry.WriteInteger(PlacementSection, "Bottom", r.Bottom);
}

void LoadHistory(TRegIniFile& registry, std::string_view section, TStrings& items) {
  // No history keeps more: a larger count is damage, and read whole it
  // filled the memory with empty lines before the window could open.
  const int count = std::min(registry.ReadInteger(section, "ItemCount", 0), HistoryLimit);
  for (int i = 0; i < count; ++i) items.Add(registry.ReadString(section, "Item" + std::to_string(i), ""));
}

void SaveHistory(TRegIniFile& registry, std::string_view section, const TStrings& items) {
  registry.WriteInteger(section, "ItemCount", items.Count());
  for (int i = 0; i < items.Count(); ++i) registry.WriteString(section, "Item" + std::to_string(i), items.Strings(i));
}
