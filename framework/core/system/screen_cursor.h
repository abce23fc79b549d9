#pragma once
// The screen cursor: which mouse cursor the whole application shows while
// long work runs. The core only keeps the current value and passes changes
// to a hook; the GUI installs the hook that really changes the cursor.
// Without a hook (tests, tools) changing the cursor does nothing else.
// Used on the GUI thread only.

#include <functional>

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crSQLWait = -17;

TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

// Called with every new cursor value; an empty hook removes it.
using TScreenCursorHook = std::function<void(TCursor)>;
void SetScreenCursorHook(TScreenCursorHook hook);

// Shows a cursor for the life of the scope and restores the previous one,
// also when the work fails. crDefault as the cursor leaves it unchanged.
class TScreenCursorScope {
 public:
  explicit TScreenCursorScope(TCursor cursor);
  ~TScreenCursorScope();
  TScreenCursorScope(const TScreenCursorScope&) = delete;
  TScreenCursorScope& operator=(const TScreenCursorScope&) = delete;

 private:
  TCursor FSaved = crDefault;
  bool FChanged = false;
};
