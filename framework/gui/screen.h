#pragma once
// TScreen: what the program knows of the display: the screen cursor that
// overrides every control's cursor (crDefault: none; the framework core's
// screen cursor, so `TScreenCursorScope` of screen_cursor.h sets it), the
// desktop and the work area of each monitor, the forms that exist and the
// active one. Owned by the application; the global `Screen` points to it
// while it lives. Also here: the state of the pointer and the keyboard.

#include <map>
#include <memory>
#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/gui/cursors.h"
#include "framework/gui/geometry.h"
#include "framework/gui/keys.h"

class TForm;
class TWinControl;
class TBitmap;

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  TCursor Cursor() const;
  // A cursor other than crDefault shows everywhere in the program until
  // crDefault is set again.
  void SetCursor(TCursor cursor);

  // A picture for a cursor number of the program's own (hot spot inside
  // the image); a control or the screen then shows it by number.
  void SetCursorImage(TCursor cursor, const TBitmap& image, TPoint hotSpot);
  bool HasCursorImage(TCursor cursor) const;

  int Width() const;
  int Height() const;
  TRect DesktopRect() const;
  // Work area (without panels and task bars) of the primary monitor.
  TRect WorkAreaRect() const;
  // Work area of the monitor nearest the point.
  TRect MonitorWorkAreaAt(TPoint p) const;
  int PixelsPerInch() const { return 96; }

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int index) const;
  // The form whose window is active, or nullptr.
  TForm* ActiveForm() const;
  // The control with the keyboard focus, or nullptr.
  TWinControl* ActiveControl() const;

 private:
  friend class TForm;
  void AddForm(TForm* form) { FForms.push_back(form); }
  void RemoveForm(TForm* form);

  std::vector<TForm*> FForms;
};

extern TScreen* Screen;

// The pointer's screen position.
TPoint GetCursorPos();
// The pointer's screen position when the mouse message being handled now
// (or the last one) was made; the answer to "where" while handling
// WM_SETCURSOR.
TPoint GetMessagePos();
// Longest time between two clicks of a double click, in milliseconds.
int GetDoubleClickTime();
// Lines one wheel notch scrolls.
int GetWheelScrollLines();
// Modifier keys and mouse buttons held now.
TShiftState GetShiftState();
// Sounds the system's warning beep (the type is the platform's sound kind;
// every kind sounds the same here).
void MessageBeep(unsigned type = 0);
// How many beeps the program has sounded, for tests that expect one.
int MessageBeepCount();
