#pragma once
// Keyboard and mouse vocabulary of the controls: virtual key codes, the
// shift state that comes with every key and mouse message, mouse buttons.
// Letters and digits are their upper-case ASCII codes ('A', '0').

#include <cstdint>

#include "framework/core/base/set.h"

using TKey = std::uint16_t;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, 8>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

inline constexpr TKey VK_LBUTTON = 0x01;
inline constexpr TKey VK_RBUTTON = 0x02;
inline constexpr TKey VK_CANCEL = 0x03;
inline constexpr TKey VK_MBUTTON = 0x04;
inline constexpr TKey VK_BACK = 0x08;
inline constexpr TKey VK_TAB = 0x09;
inline constexpr TKey VK_CLEAR = 0x0C;
inline constexpr TKey VK_RETURN = 0x0D;
inline constexpr TKey VK_SHIFT = 0x10;
inline constexpr TKey VK_CONTROL = 0x11;
inline constexpr TKey VK_MENU = 0x12;
inline constexpr TKey VK_PAUSE = 0x13;
inline constexpr TKey VK_CAPITAL = 0x14;
inline constexpr TKey VK_ESCAPE = 0x1B;
inline constexpr TKey VK_SPACE = 0x20;
inline constexpr TKey VK_PRIOR = 0x21;
inline constexpr TKey VK_NEXT = 0x22;
inline constexpr TKey VK_END = 0x23;
inline constexpr TKey VK_HOME = 0x24;
inline constexpr TKey VK_LEFT = 0x25;
inline constexpr TKey VK_UP = 0x26;
inline constexpr TKey VK_RIGHT = 0x27;
inline constexpr TKey VK_DOWN = 0x28;
inline constexpr TKey VK_SNAPSHOT = 0x2C;
inline constexpr TKey VK_INSERT = 0x2D;
inline constexpr TKey VK_DELETE = 0x2E;
inline constexpr TKey VK_HELP = 0x2F;
inline constexpr TKey VK_LWIN = 0x5B;
inline constexpr TKey VK_RWIN = 0x5C;
inline constexpr TKey VK_APPS = 0x5D;
inline constexpr TKey VK_NUMPAD0 = 0x60;
inline constexpr TKey VK_NUMPAD9 = 0x69;
inline constexpr TKey VK_MULTIPLY = 0x6A;
inline constexpr TKey VK_ADD = 0x6B;
inline constexpr TKey VK_SEPARATOR = 0x6C;
inline constexpr TKey VK_SUBTRACT = 0x6D;
inline constexpr TKey VK_DECIMAL = 0x6E;
inline constexpr TKey VK_DIVIDE = 0x6F;
inline constexpr TKey VK_F1 = 0x70;
inline constexpr TKey VK_F2 = 0x71;
inline constexpr TKey VK_F3 = 0x72;
inline constexpr TKey VK_F4 = 0x73;
inline constexpr TKey VK_F5 = 0x74;
inline constexpr TKey VK_F6 = 0x75;
inline constexpr TKey VK_F7 = 0x76;
inline constexpr TKey VK_F8 = 0x77;
inline constexpr TKey VK_F9 = 0x78;
inline constexpr TKey VK_F10 = 0x79;
inline constexpr TKey VK_F11 = 0x7A;
inline constexpr TKey VK_F12 = 0x7B;
inline constexpr TKey VK_NUMLOCK = 0x90;
inline constexpr TKey VK_SCROLL = 0x91;

// Which keys a control wants for itself rather than for the form's focus
// moves (the answer of `TWinControl::GetDlgCode`).
inline constexpr unsigned DLGC_WANTARROWS = 0x0001;
inline constexpr unsigned DLGC_WANTTAB = 0x0002;
inline constexpr unsigned DLGC_WANTALLKEYS = 0x0004;
inline constexpr unsigned DLGC_WANTCHARS = 0x0080;
