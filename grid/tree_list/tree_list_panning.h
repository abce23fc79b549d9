#pragma once
// The rules of the tree list's middle-button panning, apart from any
// window: where the neutral zone lies around the point the middle button
// went down, which way and how fast the pointer asks to scroll, and how
// many timer ticks pass between two scrolled lines. The tree list's
// panning loop (tree_list_panning.cpp) applies them; tests check them
// without a mouse.
//
// Also here: the numbers of the grid's own screen cursors that panning
// shows, and the call that gives the screen their pictures.

#include "framework/gui/graphics/cursors.h"
#include "framework/gui/graphics/geometry.h"

// The grid's cursors; the screen gets their pictures once a tree list
// needs them (RegisterTreeListPanningCursors).
inline constexpr TCursor crdxTLFullScroll = -1131;
inline constexpr TCursor crdxTLHorzScroll = -1132;
inline constexpr TCursor crdxTLVertScroll = -1133;
inline constexpr TCursor crdxTLUpScroll = -1134;
inline constexpr TCursor crdxTLRightScroll = -1135;
inline constexpr TCursor crdxTLDownScroll = -1136;
inline constexpr TCursor crdxTLLeftScroll = -1137;

// Gives the screen the pictures of the seven panning cursors (a second
// call changes nothing). Needs the application's screen; without one it
// does nothing.
void RegisterTreeListPanningCursors();

enum TdxPanningDirection : int { pdNone = 0, pdLeft = 1, pdUp = 2, pdRight = 3, pdDown = 4 };

inline constexpr int PanningMaxSpeed = 12;
// The panning loop's timer, in milliseconds.
inline constexpr int PanningTickInterval = 20;

// Where the pointer stands against the zone.
struct TdxPanningMove {
  TdxPanningDirection Direction = pdNone;
  int Speed = 0;        // 0 .. PanningMaxSpeed
  bool Outside = false;  // the pointer is outside the neutral zone
};

// What the panning mode knows from its start: the start point on the
// screen, the zone's width (the zone picture's), which scroll bars the
// control has, and the screen's size.
class TdxPanningZone {
 public:
  TdxPanningZone(TPoint start, int zoneWidth, bool horizontalBar, bool verticalBar, const TRect& screen);

  // A square of the zone's width around the start, reaching across the
  // whole screen in a direction the control cannot scroll.
  TRect NeutralRect() const;
  // The direction and speed for the pointer at p (screen coordinates):
  // none inside the zone; outside it vertical when there is no horizontal
  // bar or the vertical distance is at least the horizontal one (and a
  // vertical bar exists), else horizontal; the speed grows by one every 5
  // pixels past half the zone's width, up to PanningMaxSpeed.
  TdxPanningMove MoveTo(TPoint p) const;
  // The cursor for a direction; for none, the one that tells which ways
  // the control can scroll.
  TCursor CursorFor(TdxPanningDirection direction) const;

  bool HorizontalBar() const { return FHorizontalBar; }
  bool VerticalBar() const { return FVerticalBar; }
  TPoint Start() const { return FStart; }
  int ZoneWidth() const { return FZoneWidth; }

 private:
  TPoint FStart;
  int FZoneWidth;
  bool FHorizontalBar;
  bool FVerticalBar;
  TRect FScreen;
};

// Ticks of the panning timer between two scrolled lines at a speed: one
// line every (13 - speed)-th tick; 0 for speed 0 (nothing scrolls).
int PanningTicksPerLine(int speed);
