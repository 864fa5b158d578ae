#pragma once
// The caret: one per program, owned by a window, drawn by inverting its rectangle and blinking on a
// timer of the window's thread (so a manual clock drives it in tests). It starts hidden; ShowCaret
// and HideCaret count. Painting and scrolling take it off the screen and put it back.

#include "platform/controls/message_queue.h"
#include "platform/graphics/gdi_objects.h"

namespace lab::wm {

// bitmap nullptr: a solid caret of width × height.
bool CreateCaret(HWND hwnd, TGdiBitmap* bitmap, int width, int height);
bool DestroyCaret();
// hwnd must be the caret's window (nullptr: whichever it is).
bool ShowCaret(HWND hwnd);
bool HideCaret(HWND hwnd);
bool SetCaretPos(int x, int y);
bool GetCaretPos(win::POINT& p);
UINT GetCaretBlinkTime();
bool SetCaretBlinkTime(UINT ms);

// Whether the caret is on the screen now (a blink phase that shows it).
bool CaretDrawn();

// Around drawing that overwrites a window's pixels: takes the caret off and puts it back.
void SuspendCaret(HWND hwnd);
void ResumeCaret(HWND hwnd);

}  // namespace lab::wm
