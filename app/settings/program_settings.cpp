#include "app/settings/program_settings.h"

#include <string>

#include "framework/core/component/strings.h"
#include "framework/core/storage/registry.h"
#include "framework/gui/standard/forms.h"

namespace {
constexpr std::string_view PlacementSection = "Placement";
}

void ReadPlacement(TRegIniFile& registry, TWindowPlacement& placement) {
  placement.flags = static_cast<unsigned>(
      registry.ReadInteger(PlacementSection, "Flags", static_cast<int>(placement.flags)));
  TRect& r = placement.rcNormalPosition;
  r.Left = registry.ReadInteger(PlacementSection, "Left", r.Left);
  r.Top = registry.ReadInteger(PlacementSection, "Top", r.Top);
  r.Right = registry.ReadInteger(PlacementSection, "Right", r.Right);
  r.Bottom = registry.ReadInteger(PlacementSection, "Bottom", r.Bottom);
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
  const int count = registry.ReadInteger(section, "ItemCount", 0);
  for (int i = 0; i < count; ++i) items.Add(registry.ReadString(section, "Item" + std::to_string(i), ""));
}

void SaveHistory(TRegIniFile& registry, std::string_view section, const TStrings& items) {
  registry.WriteInteger(section, "ItemCount", items.Count());
  for (int i = 0; i < items.Count(); ++i) registry.WriteString(section, "Item" + std::to_string(i), items.Strings(i));
}
