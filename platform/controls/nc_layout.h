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
// Of an existing window (an empty layout when it is gone).
NcLayout NcLayoutOf(win::HWND hwnd);

int VerticalScrollBarWidth();
int HorizontalScrollBarHeight();

}  // namespace lab::wm
