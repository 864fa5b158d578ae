#pragma once
// Keyboard and mouse input. A back-end (or a test) hands raw input in here; it waits in the queue of
// the thread that owns the window it is meant for and becomes a message when retrieved, for the
// target of that moment: keys go to the focus window, the mouse to the capturing window or the one
// under the pointer. The key and button state follows the input as it is retrieved (GetKeyState)
// and as it arrives (GetAsyncKeyState). Virtual keys are Win32's.

#include <string>
#include <vector>

#include "platform/controls/win_types.h"

namespace lab::win {

inline constexpr UINT VK_LBUTTON = 0x01;
inline constexpr UINT VK_RBUTTON = 0x02;
inline constexpr UINT VK_CANCEL = 0x03;
inline constexpr UINT VK_MBUTTON = 0x04;
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_CLEAR = 0x0C;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_PAUSE = 0x13;
inline constexpr UINT VK_CAPITAL = 0x14;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_SELECT = 0x29;
inline constexpr UINT VK_PRINT = 0x2A;
inline constexpr UINT VK_EXECUTE = 0x2B;
inline constexpr UINT VK_SNAPSHOT = 0x2C;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_HELP = 0x2F;
inline constexpr UINT VK_LWIN = 0x5B;
inline constexpr UINT VK_RWIN = 0x5C;
inline constexpr UINT VK_APPS = 0x5D;
inline constexpr UINT VK_NUMPAD0 = 0x60;
inline constexpr UINT VK_NUMPAD9 = 0x69;
inline constexpr UINT VK_MULTIPLY = 0x6A;
inline constexpr UINT VK_ADD = 0x6B;
inline constexpr UINT VK_SEPARATOR = 0x6C;
inline constexpr UINT VK_SUBTRACT = 0x6D;
inline constexpr UINT VK_DECIMAL = 0x6E;
inline constexpr UINT VK_DIVIDE = 0x6F;
inline constexpr UINT VK_F1 = 0x70;
inline constexpr UINT VK_F2 = 0x71;
inline constexpr UINT VK_F3 = 0x72;
inline constexpr UINT VK_F4 = 0x73;
inline constexpr UINT VK_F5 = 0x74;
inline constexpr UINT VK_F6 = 0x75;
inline constexpr UINT VK_F10 = 0x79;
inline constexpr UINT VK_F12 = 0x7B;
inline constexpr UINT VK_F24 = 0x87;
inline constexpr UINT VK_NUMLOCK = 0x90;
inline constexpr UINT VK_SCROLL = 0x91;
inline constexpr UINT VK_LSHIFT = 0xA0;
inline constexpr UINT VK_RSHIFT = 0xA1;
inline constexpr UINT VK_LCONTROL = 0xA2;
inline constexpr UINT VK_RCONTROL = 0xA3;
inline constexpr UINT VK_LMENU = 0xA4;
inline constexpr UINT VK_RMENU = 0xA5;
inline constexpr UINT VK_OEM_1 = 0xBA;
inline constexpr UINT VK_OEM_PLUS = 0xBB;
inline constexpr UINT VK_OEM_COMMA = 0xBC;
inline constexpr UINT VK_OEM_MINUS = 0xBD;
inline constexpr UINT VK_OEM_PERIOD = 0xBE;
inline constexpr UINT VK_OEM_2 = 0xBF;
inline constexpr UINT VK_OEM_3 = 0xC0;
inline constexpr UINT VK_OEM_4 = 0xDB;
inline constexpr UINT VK_OEM_5 = 0xDC;
inline constexpr UINT VK_OEM_6 = 0xDD;
inline constexpr UINT VK_OEM_7 = 0xDE;
inline constexpr UINT VK_PROCESSKEY = 0xE5;

// Key and button flags of mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

inline constexpr int WHEEL_DELTA = 120;

// Bits of a key message's LParam.
inline constexpr LPARAM KF_EXTENDED_BIT = 1 << 24;
inline constexpr LPARAM KF_ALTDOWN_BIT = 1 << 29;  // the framework's AltMask
inline constexpr LPARAM KF_REPEAT_BIT = 1 << 30;
inline constexpr LPARAM KF_UP_BIT = LPARAM(1) << 31;

// High bit (as a negative SHORT) while down; low bit toggles with each press.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
// The pointer position on the screen, as the latest input put it.
bool GetCursorPos(POINT& p);
// The pointer position of the message last retrieved.
POINT GetMessagePos();

UINT GetDoubleClickTime();
bool SetDoubleClickTime(UINT ms);

// A held scroll-bar arrow or spin button acts again after the first delay, then at a steady rate
// (milliseconds, on the message loop's clock).
inline constexpr UINT kRepeatDelay = 400;
inline constexpr UINT kRepeatInterval = 50;

}  // namespace lab::win

namespace lab::input {

// Keys. `ch` is the character the key types with the modifiers now held (0: none); a key-down
// with a character is followed by WM_CHAR (or WM_SYSCHAR with Alt) when translated.
void KeyDown(win::UINT vk, char32_t ch = 0, win::UINT scanCode = 0, bool extended = false);
void KeyUp(win::UINT vk, win::UINT scanCode = 0, bool extended = false);
// The pointer, in screen coordinates. Consecutive moves merge while not yet retrieved. A display
// that knows which of the program's top-level windows is under the pointer (X11) names it as
// topLevel: the event then goes to that window's window at the point, whatever the program's own
// stacking order says; without one, to the window under the point in that order.
void MouseMove(win::POINT screen, win::HWND topLevel = nullptr);
// button: VK_LBUTTON, VK_RBUTTON or VK_MBUTTON.
void MouseButton(win::UINT button, bool down, win::POINT screen, win::HWND topLevel = nullptr);
void MouseWheel(int delta, win::POINT screen, win::HWND topLevel = nullptr);

// What a display reports of a top-level window; handled in turn with the input, on the window's
// thread: it moved or changed size (screen rectangle), it is asked to close (WM_SYSCOMMAND
// SC_CLOSE), it got the input focus (it becomes the active window).
void WindowConfigured(win::HWND window, win::RECT screen);
void WindowCloseRequested(win::HWND window);
void WindowActivated(win::HWND window);
// The display's window manager maximised, iconified or restored a top-level window (SIZE_MAXIMIZED,
// SIZE_MINIMIZED or SIZE_RESTORED): the window takes that state, told by WM_SIZE.
void WindowStateChanged(win::HWND window, win::WPARAM state);
// Files another program dropped on a top-level window at a screen point: the window there that
// accepts files (drop_files.h) gets WM_DROPFILES.
void FilesDropped(win::HWND window, win::POINT screen, std::vector<std::string> paths);

}  // namespace lab::input
