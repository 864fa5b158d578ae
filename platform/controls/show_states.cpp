// A top-level window's show state: normal, maximised or minimised (iconified), as its styles
// WS_MAXIMIZE and WS_MINIMIZE say, with the normal place kept while it is in another state.

#include "platform/controls/backend.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"
#include "platform/graphics/system_metrics.h"

namespace lab::wm {

using namespace lab::win;

bool IsIconic(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  const Window* w = FindLocked(hwnd);
  return w && w->ShowState() == SIZE_MINIMIZED;
}

bool IsZoomed(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  const Window* w = FindLocked(hwnd);
  return w && w->ShowState() == SIZE_MAXIMIZED;
}

void TakeShowState(HWND hwnd, WPARAM state, bool place) {
  RECT now, bounds;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w || w->IsChild() || w->ShowState() == state) return;
    if (w->ShowState() == SIZE_RESTORED) w->restore = w->rect;
    w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
    if (state == SIZE_MAXIMIZED) w->style |= WS_MAXIMIZE;
    if (state == SIZE_MINIMIZED) w->style |= WS_MINIMIZE;
    now = w->rect;
    bounds = !place || state == SIZE_MINIMIZED ? now
             : state == SIZE_MAXIMIZED         ? RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}
                                               : w->restore;
  }
  const bool sized = bounds.Width() != now.Width() || bounds.Height() != now.Height();
  if (!(bounds == now))
    SetWindowPos(hwnd, nullptr, bounds.Left, bounds.Top, bounds.Width(), bounds.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // A new size told it already, with the new state.
  if (!sized) {
    RECT client;
    GetClientRect(hwnd, client);
    SendMessage(hwnd, WM_SIZE, state, MAKELPARAM(client.Width(), client.Height()));
  }
}

void RequestShowState(HWND hwnd, WPARAM state) {
  if (Backend().RequestShowState(hwnd, state) == TShowStateAnswer::Framework) TakeShowState(hwnd, state, true);
}

}  // namespace lab::wm
