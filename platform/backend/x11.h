#pragma once
// The X11 back-end (Xlib): every top-level window of the program is an X window showing its
// surface; X input (keys through the input method, buttons, wheel, motion), exposure, moves and
// resizes, focus and the window manager's close request come back as the window layer's input;
// the clipboard is the system's (the CLIPBOARD selection, see x11_clipboard.h); files dropped from
// other programs come in through XDND (x11_dnd.h); a lost connection
// ends the program with a message and exit status 1.

#include <memory>
#include <string>

#include "platform/controls/backend.h"

namespace lab {

// Opens the display (nullptr or "": $DISPLAY). Raises Exception "Cannot open display %s" when the
// server cannot be reached.
std::unique_ptr<TBackend> CreateX11Backend(const char* displayName = nullptr);

// The X window that shows a top-level window (0 when there is none, or the back-end is another).
unsigned long X11WindowOf(TBackend& backend, win::HWND window);

}  // namespace lab
