#pragma once
// The Win32 scalar types and message record that the window layer speaks. Widths follow 64-bit
// Windows: WPARAM and LPARAM hold a pointer, so a message can carry the address of a record.

#include <cstdint>
#include <functional>

#include "platform/rtl/geometry.h"

namespace lab::win {

struct HWND__;
using HWND = HWND__*;  // an opaque window number of our window manager, never dereferenced
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using BOOL = bool;  // as the drawing functions have it
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using SHORT = std::int16_t;

inline constexpr BOOL TRUE = true;
inline constexpr BOOL FALSE = false;

// A window procedure. A std::function, so a bound method can be one (AllocateHWnd, controls).
using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
// A timer callback handed to SetTimer; it travels in a WM_TIMER's LParam, so it is a plain function.
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};

constexpr WORD LOWORD(std::uintptr_t v) noexcept { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) noexcept { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) noexcept { return DWORD(lo) | (DWORD(hi) << 16); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) noexcept { return MAKELONG(lo, hi); }
// The LParam of a mouse message: signed 16-bit coordinates packed into the low 32 bits.
constexpr LPARAM MAKELPARAM(int lo, int hi) noexcept {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi)));
}
constexpr int GET_X_LPARAM(LPARAM lp) noexcept { return static_cast<SHORT>(LOWORD(lp)); }
constexpr int GET_Y_LPARAM(LPARAM lp) noexcept { return static_cast<SHORT>(HIWORD(lp)); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wp) noexcept { return static_cast<SHORT>(HIWORD(wp)); }
constexpr WORD GET_KEYSTATE_WPARAM(WPARAM wp) noexcept { return LOWORD(wp); }

}  // namespace lab::win
