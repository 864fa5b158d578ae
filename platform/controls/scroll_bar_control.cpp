// The scroll-bar control window class: a bar filling the window, notifying its parent.

#include "platform/controls/input.h"
#include "platform/controls/painting.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

LRESULT ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC given = reinterpret_cast<HDC>(wParam);
      if (HDC dc = given ? given : BeginPaint(hwnd, ps)) {
        ScrollBarState state;
        RECT client;
        bool vertical, enabled;
        {
          std::lock_guard lock(S().mutex);
          Window* w = FindLocked(hwnd);
          vertical = w && (w->style & SBS_VERT);
          if (w) state = w->bars[vertical ? SB_VERT : SB_HORZ];
          enabled = w && !w->Disabled() && state.disabledArrows != ESB_DISABLE_BOTH;
          client = w ? RECT{0, 0, w->client.Width(), w->client.Height()} : RECT{};
        }
        // Layout works in window coordinates; the control has no border, so they are the client's.
        const int pos = state.tracking ? state.info.nTrackPos : state.info.nPos;
        DrawScrollBar(dc, LayoutScrollBar(client, vertical, state.info, enabled, pos), vertical,
                      enabled, state.disabledArrows, state.pressedPart);
      }
      if (!given) EndPaint(hwnd, ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, p);
      RECT wr;
      GetWindowRect(hwnd, wr);
      TrackScrollBar(hwnd, SB_CTL, POINT{p.X - wr.Left, p.Y - wr.Top});
      return 0;
    }
    case WM_KEYDOWN:
      ScrollBarControlKey(hwnd, static_cast<UINT>(wParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_ENABLE:
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterBuiltinClasses(State& state) {
  state.classes["SCROLLBAR"] = WindowClass{kScrollBarClass, CS_DBLCLKS, &ScrollBarProc, 0};
}

}  // namespace lab::wm
