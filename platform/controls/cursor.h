#pragma once
// The mouse cursor the display shows over the program's windows.

#include "platform/graphics/cursors.h"

namespace lab::wm {

// Shows a cursor (nullptr hides it) and answers the one shown before.
TCursorImage* SetCursor(TCursorImage* cursor);
TCursorImage* GetCursor();
// Shows the screen's image for a cursor number (crDefault: the arrow).
void ShowCursorNumber(TCursor cursor);

}  // namespace lab::wm
