#pragma once
// The window messages of the controls. Every input a control gets, and
// every request one control makes of another, is a message: a record
// (`TMessage`) with an id and two parameters that passes through the
// control's window procedure (`TControl::WindowProc`, see control.h), and
// comes back with a result. Platform messages (WM_) keep their platform
// numbers; the framework's own (CM_) lie in 0xB000-0xB0FF, where no one
// outside the process sees them.
//
// Parameters that name a control carry its pointer (`ControlParam`,
// `ControlOf`); points are packed as two signed 16-bit halves
// (`PointParam`, `PointOf`).

#include <cstdint>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/controls/keys.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// --- Platform messages ------------------------------------------------------------------
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_SETFOCUS = 0x0007;   // WParam: the control that lost the focus
inline constexpr unsigned WM_KILLFOCUS = 0x0008;  // WParam: the control that gets it, when known
inline constexpr unsigned WM_SETTEXT = 0x000C;
inline constexpr unsigned WM_PAINT = 0x000F;  // WParam: TCanvas*, LParam: const TRect* (client area)
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_CANCELMODE = 0x001F;
// WParam: the control under the pointer; LParam: hit code, mouse message.
inline constexpr unsigned WM_SETCURSOR = 0x0020;
inline constexpr unsigned WM_SETFONT = 0x0030;
// WParam: the control; LParam: screen point, (-1, -1) from the keys.
inline constexpr unsigned WM_CONTEXTMENU = 0x007B;
// LParam: screen point; Result: a hit code (HTCLIENT, HTBORDER, ...).
inline constexpr unsigned WM_NCHITTEST = 0x0084;
inline constexpr unsigned WM_NCPAINT = 0x0085;  // WParam: TCanvas*, LParam: const TRect* (whole window)
inline constexpr unsigned WM_GETDLGCODE = 0x0087;
// Mouse messages over the window's frame: WParam the hit code, LParam the
// screen point.
inline constexpr unsigned WM_NCMOUSEMOVE = 0x00A0;
inline constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr unsigned WM_NCLBUTTONUP = 0x00A2;
inline constexpr unsigned WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr unsigned WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr unsigned WM_NCRBUTTONUP = 0x00A5;
inline constexpr unsigned WM_NCRBUTTONDBLCLK = 0x00A6;
inline constexpr unsigned WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr unsigned WM_NCMBUTTONUP = 0x00A8;
inline constexpr unsigned WM_NCMBUTTONDBLCLK = 0x00A9;
inline constexpr unsigned WM_KEYDOWN = 0x0100;  // WParam: virtual key; LParam: key data
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_CHAR = 0x0102;  // WParam: the Windows-1251 character; LParam: key data
inline constexpr unsigned WM_SYSKEYDOWN = 0x0104;
inline constexpr unsigned WM_SYSKEYUP = 0x0105;
inline constexpr unsigned WM_SYSCHAR = 0x0106;
inline constexpr unsigned WM_IME_STARTCOMPOSITION = 0x010D;  // an input method began composing text
// An input method's step; LParam GCS_RESULTSTR when it commits text. A
// window that keeps it from its default handling keeps the text out.
inline constexpr unsigned WM_IME_COMPOSITION = 0x010F;
inline constexpr LPARAM GCS_RESULTSTR = 0x0800;
inline constexpr unsigned WM_TIMER = 0x0113;    // WParam: the timer's id
inline constexpr unsigned WM_HSCROLL = 0x0114;  // WParam: ScrollParam(code, position)
inline constexpr unsigned WM_VSCROLL = 0x0115;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;  // WParam: MK_ flags; LParam: client point
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;      // WParam: MK_ flags, delta above; LParam: screen point
// The client area's mouse messages lie from WM_MOUSEFIRST to WM_MOUSELAST.
inline constexpr unsigned WM_MOUSEFIRST = WM_MOUSEMOVE;
inline constexpr unsigned WM_MOUSELAST = WM_MOUSEWHEEL;
inline constexpr unsigned WM_CAPTURECHANGED = 0x0215;  // LParam: the control that takes the capture, or 0
inline constexpr unsigned WM_CUT = 0x0300;
inline constexpr unsigned WM_COPY = 0x0301;
inline constexpr unsigned WM_PASTE = 0x0302;
inline constexpr unsigned WM_CLEAR = 0x0303;
inline constexpr unsigned WM_UNDO = 0x0304;
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_APP = 0x8000;

// --- The framework's messages ----------------------------------------------------------
inline constexpr unsigned CM_BASE = 0xB000;
// The form stopped being the active window; sent to the form, then to its
// active control.
inline constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
// A mouse button went down somewhere on the form; LParam: that control.
inline constexpr unsigned CM_CANCELMODE = CM_BASE + 4;
// Asked of the form (and passed to its controls) for Enter and Escape that
// the focused control does not want; Result 1 when a control took the key.
inline constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
inline constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
inline constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
// The focus moved onto (CM_ENTER) or off (CM_EXIT) the control within its form.
inline constexpr unsigned CM_ENTER = CM_BASE + 26;
inline constexpr unsigned CM_EXIT = CM_BASE + 27;
// Asked before a focus or dialog key (Tab, Enter, Escape) is handed to the
// form; Result 1 keeps the key (WParam) for the control.
inline constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
// The drag manager asks and tells a control under a drag (drag_drop.h):
// WParam a TDragMessage, LParam a TDragRec*.
inline constexpr unsigned CM_DRAG = CM_BASE + 47;

// --- Hit codes (WM_NCHITTEST, WM_SETCURSOR) ---------------------------------------------
inline constexpr int HTTRANSPARENT = -1;
inline constexpr int HTNOWHERE = 0;
inline constexpr int HTCLIENT = 1;
inline constexpr int HTBORDER = 18;

// --- Mouse flags (WParam of mouse messages) ---------------------------------------------
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
// The framework's own: Alt was held (the platform asks the keyboard instead).
inline constexpr WPARAM MK_ALT = 0x0800;

// --- Key data (LParam of key messages) --------------------------------------------------
// Bit 29 is the platform's "Alt held", bit 30 "the key was down already";
// bits 25 and 26 (reserved on the platform) carry Shift and Ctrl, so that
// the shift state travels with the message.
inline constexpr LPARAM KF_REPEATCOUNT_ONE = 1;
inline constexpr LPARAM KF_SHIFTDOWN = LPARAM(1) << 25;
inline constexpr LPARAM KF_CTRLDOWN = LPARAM(1) << 26;
inline constexpr LPARAM KF_ALTDOWN = LPARAM(1) << 29;
inline constexpr LPARAM KF_REPEAT = LPARAM(1) << 30;

// --- Packing ------------------------------------------------------------------------------
inline LPARAM PointParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}
inline LPARAM PointParam(TPoint p) { return PointParam(p.X, p.Y); }
inline TPoint PointOf(LPARAM l) {
  auto bits = static_cast<std::uint32_t>(l);
  return {static_cast<std::int16_t>(bits & 0xFFFF), static_cast<std::int16_t>(bits >> 16)};
}
// Two 16-bit halves of a parameter (hit code and mouse message of
// WM_SETCURSOR, flags and delta of WM_MOUSEWHEEL).
inline unsigned LoWord(std::uintptr_t v) { return static_cast<unsigned>(v & 0xFFFF); }
inline int HiWordSigned(std::uintptr_t v) { return static_cast<std::int16_t>((v >> 16) & 0xFFFF); }
inline std::uintptr_t MakeLong(unsigned low, unsigned high) {
  return (static_cast<std::uintptr_t>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}

// Scroll messages keep the whole 32-bit position above the code (the
// platform keeps 16 bits of it there).
inline WPARAM ScrollParam(int code, int position) {
  return (static_cast<WPARAM>(static_cast<std::uint32_t>(position)) << 16) | static_cast<std::uint16_t>(code);
}
inline int ScrollCodeOf(WPARAM w) { return static_cast<int>(w & 0xFFFF); }
inline int ScrollPosOf(WPARAM w) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(w >> 16)); }

class TControl;
inline WPARAM ControlParam(const TControl* control) { return reinterpret_cast<WPARAM>(control); }
inline TControl* ControlOf(std::uintptr_t param) { return reinterpret_cast<TControl*>(param); }

// The shift state of mouse flags and of key data.
inline TShiftState MouseKeysToShiftState(WPARAM keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_ALT) s.Include(ssAlt);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  return s;
}
inline WPARAM ShiftStateToMouseKeys(TShiftState s) {
  WPARAM keys = 0;
  if (s.Contains(ssShift)) keys |= MK_SHIFT;
  if (s.Contains(ssCtrl)) keys |= MK_CONTROL;
  if (s.Contains(ssAlt)) keys |= MK_ALT;
  if (s.Contains(ssLeft)) keys |= MK_LBUTTON;
  if (s.Contains(ssRight)) keys |= MK_RBUTTON;
  if (s.Contains(ssMiddle)) keys |= MK_MBUTTON;
  return keys;
}
inline TShiftState KeyDataToShiftState(LPARAM data) {
  TShiftState s;
  if (data & KF_SHIFTDOWN) s.Include(ssShift);
  if (data & KF_CTRLDOWN) s.Include(ssCtrl);
  if (data & KF_ALTDOWN) s.Include(ssAlt);
  return s;
}
