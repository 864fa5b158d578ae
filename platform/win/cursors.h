#pragma once
// Win32-style cursor functions over the graphics layer's cursor images.

#include "platform/graphics/cursors.h"
#include "platform/graphics/gdi.h"

namespace lab::win {

using HCURSOR = TCursorImage*;
using HICON = TCursorImage*;

constexpr int IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515, IDC_UPARROW = 32516,
              IDC_SIZE = 32640, IDC_ICON = 32641, IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643,
              IDC_SIZEWE = 32644, IDC_SIZENS = 32645, IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649,
              IDC_APPSTARTING = 32650, IDC_HELP = 32651;
constexpr UINT DI_MASK = 1, DI_IMAGE = 2, DI_NORMAL = 3, DI_COMPAT = 4, DI_DEFAULTSIZE = 8;

// A standard cursor by its IDC_ number (shared, not to be destroyed); nullptr for other numbers.
HCURSOR LoadCursor(HINSTANCE instance, int id);
// A cursor from the named resource of type "CURSOR"; nullptr when there is none.
HCURSOR LoadCursor(HINSTANCE instance, std::string_view name);
// A monochrome cursor from AND and XOR planes (rows word-aligned, top row first).
HCURSOR CreateCursor(HINSTANCE instance, int x_hot, int y_hot, int width, int height, const void* and_plane,
                     const void* xor_plane);
// Frees a cursor made by CreateCursor or loaded from a resource; shared cursors stay.
BOOL DestroyCursor(HCURSOR cursor);

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;   // the caller deletes both bitmaps
  HBITMAP hbmColor;
};
BOOL GetIconInfo(HICON icon, ICONINFO* info);
// Draws the cursor's image at (x, y), scaled to cx × cy (0: its own size, or the system size with
// DI_DEFAULTSIZE).
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker_free, UINT flags);

}  // namespace lab::win
