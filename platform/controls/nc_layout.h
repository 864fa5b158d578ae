#pragma once
// Where the non-client parts of a window lie: its border and its own scroll bars. Top-level windows
// with a caption get their frame from the desktop, so only borders of child windows and of
// undecorated pop-ups count here.

#include "platform/controls/win_types.h"

namespace lab::wm {

struct NcLayout {
  win::RECT inner;      // inside the border, window coordinates
  win::RECT vbar;       // empty when there is none
  win::RECT hbar;
  win::RECT sizeBox;    // the corner between two bars
  win::RECT client;     // what the default WM_NCCALCSIZE leaves
};

// The thickness of the border that styles ask for.
int BorderWidth(win::DWORD style, win::DWORD exStyle);
// For a window of the given size and styles.
NcLayout ComputeNcLayout(int width, int height, win::DWORD style, win::DWORD exStyle);
// Of an existing window (an empty layout when it is gone). A window whose WM_NCCALCSIZE left
// another client area than the default (it draws a border of its own) has its bars along that
// client area, as the system places them.
NcLayout NcLayoutOf(win::HWND hwnd);

struct Window;
// NcLayoutOf for a window found under the state lock.
NcLayout NcLayoutLocked(const Window* w);

int VerticalScrollBarWidth();
int HorizontalScrollBarHeight();

}  // namespace lab::wm
