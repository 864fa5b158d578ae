#pragma once
// Invalidation and painting: update regions per window, WM_PAINT coalesced per window (it comes
// from the region, not from a queued message), WM_ERASEBKGND, BeginPaint / EndPaint and the window
// device contexts, scrolling the pixels of a window. A top-level window owns a 32-bit surface; a
// child paints into its top-level window's surface, clipped to its visible part (children and the
// siblings above it cut theirs out).

#include "platform/controls/message_queue.h"
#include "platform/graphics/device_context.h"

namespace lab::win {

using HDC = TDeviceContext*;
using HRGN = TGdiRegion*;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  RECT rcPaint;         // the bounds of what is to be painted
};

// ScrollWindowEx flags.
inline constexpr UINT SW_SCROLLCHILDREN = 0x0001;
inline constexpr UINT SW_INVALIDATE = 0x0002;
inline constexpr UINT SW_ERASE = 0x0004;

// GetDCEx flags.
inline constexpr DWORD DCX_WINDOW = 0x00000001;
inline constexpr DWORD DCX_INTERSECTRGN = 0x00000080;

}  // namespace lab::win

namespace lab::wm {

using win::HDC;
using win::HRGN;
using win::PAINTSTRUCT;
using win::RECT;

// rect nullptr: the whole client area. erase asks for WM_ERASEBKGND before the next paint.
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
bool InvalidateRgn(HWND hwnd, HRGN region, bool erase);
bool ValidateRect(HWND hwnd, const RECT* rect);
// The bounds of the update region (empty when none); erase sends WM_ERASEBKGND when one is due.
bool GetUpdateRect(HWND hwnd, RECT* rect, bool erase);
// Copies the update region; answers the region kind (NULLREGION when nothing is invalid).
int GetUpdateRgn(HWND hwnd, HRGN region, bool erase);
// Paints the window and its children at once when they have anything to paint.
bool UpdateWindow(HWND hwnd);

// Clips to the update region, erases when due (WM_ERASEBKGND), validates, hides the caret.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT& ps);
bool EndPaint(HWND hwnd, const PAINTSTRUCT& ps);
// The client area's visible part; the window's whole visible part (non-client area included).
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
// As GetDC (GetWindowDC with DCX_WINDOW), within `clip` too with DCX_INTERSECTRGN: drawing is held
// to that part, and the release shows only that part.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);

// Moves the pixels of the client area (or of `scroll`, inside `clip`) by dx, dy; what was exposed
// is reported in `update` / `updateRect` and, with SW_INVALIDATE, invalidated. Pending invalid parts
// inside the scrolled area move with the pixels. Answers the kind of the exposed region.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags);
bool ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);

// The surface of a top-level window (tests read its pixels; screenshots copy it). Made on demand.
TGdiBitmap* WindowSurface(HWND topLevel);

// Sends a due WM_ERASEBKGND for the update region now.
void EraseNow(HWND hwnd);

}  // namespace lab::wm
