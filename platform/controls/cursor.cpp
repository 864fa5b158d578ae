#include "platform/controls/cursor.h"

#include <atomic>

#include "platform/controls/backend.h"

namespace lab::wm {

namespace {
std::atomic<TCursorImage*> g_cursor{nullptr};
std::atomic<bool> g_shown{false};
}  // namespace

TCursorImage* SetCursor(TCursorImage* cursor) {
  TCursorImage* old = g_cursor.exchange(cursor);
  // Only a change goes to the display: WM_SETCURSOR comes with every mouse move.
  if (old != cursor || !g_shown.exchange(true)) Backend().SetCursor(cursor);
  return old;
}

TCursorImage* GetCursor() { return g_cursor.load(); }

void ShowCursorNumber(TCursor cursor) {
  SetCursor(cursor == crDefault ? StandardCursor(crArrow) : ScreenCursor(cursor));
}

}  // namespace lab::wm
