#include "framework/core/system/screen_cursor.h"

#include <utility>

namespace {

TCursor& CurrentCursor() {
  static TCursor cursor = crDefault;
  return cursor;
}

TScreenCursorHook& CursorHook() {
  static TScreenCursorHook hook;
  return hook;
}

}  // namespace

TCursor ScreenCursor() { return CurrentCursor(); }

void SetScreenCursor(TCursor cursor) {
  if (CurrentCursor() == cursor) return;
  CurrentCursor() = cursor;
  if (CursorHook()) CursorHook()(cursor);
}

void SetScreenCursorHook(TScreenCursorHook hook) { CursorHook() = std::move(hook); }

TScreenCursorScope::TScreenCursorScope(TCursor cursor) {
  if (cursor == crDefault) return;
  FSaved = ScreenCursor();
  FChanged = true;
  SetScreenCursor(cursor);
}

TScreenCursorScope::~TScreenCursorScope() {
  if (!FChanged) return;
  // The hook belongs to the GUI; a failing hook must not turn the end of a
  // scope into a second exception, so its error is dropped here.
  try {
    SetScreenCursor(FSaved);
  } catch (...) {
  }
}
