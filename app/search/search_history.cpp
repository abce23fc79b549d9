#include "app/search/search_history.h"

#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"

void AddToHistoryList(TStrings& items, std::string_view text) {
  const std::string upper = AnsiUpperCase(text);
  bool found = false;
  for (int i = 0; i < items.Count(); ++i) {
    if (AnsiUpperCase(items.Strings(i)) == upper) {
      items.Move(i, 0);
      found = true;
      break;
    }
  }
  if (!found) items.Insert(0, std::string(text));
  if (items.Count() > HistoryLimit) items.Delete(HistoryLimit);
}
