// The default handling of window messages.

#include <algorithm>
#include <cstring>

#include "platform/controls/backend.h"
#include "platform/controls/cursor.h"
#include "platform/controls/drop_files.h"
#include "platform/controls/input.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/painting.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

struct Snapshot {
  bool exists = false;
  bool child = false;
  HWND parent = nullptr;
  DWORD style = 0;
  RECT rect;  // on the screen
  int cursor = 0;
};

Snapshot Snap(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Snapshot s;
  Window* w = FindLocked(hwnd);
  if (!w) return s;
  s.exists = true;
  s.child = w->IsChild();
  s.parent = w->IsChild() ? w->parent : nullptr;
  s.style = w->style;
  s.rect = ScreenWindowRectLocked(w);
  s.cursor = w->cursor;
  return s;
}

LRESULT HitTest(HWND hwnd, POINT screen) {
  const Snapshot s = Snap(hwnd);
  if (!s.exists || !s.rect.Contains(screen)) return HTNOWHERE;
  const POINT local{screen.X - s.rect.Left, screen.Y - s.rect.Top};
  RECT client;
  {
    std::lock_guard lock(S().mutex);
    client = FindLocked(hwnd)->client;
  }
  if (client.Contains(local)) return HTCLIENT;
  const NcLayout l = NcLayoutOf(hwnd);
  if (l.vbar.Contains(local)) return HTVSCROLL;
  if (l.hbar.Contains(local)) return HTHSCROLL;
  if (l.sizeBox.Contains(local)) return HTNOWHERE;
  if (!l.inner.Contains(local)) return HTBORDER;
  return HTNOWHERE;
}

void SetText(HWND hwnd, const char* text) {
  bool topLevel = false;
  std::string copy = text ? text : "";
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return;
    w->text = copy;
    topLevel = !w->IsChild();
  }
  if (topLevel) Backend().SetTitle(hwnd, copy);
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DROPFILES:
      // A drop nobody handled still frees its handle.
      DragFinish(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_NCCREATE:
      return TRUE;

    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      const Snapshot s = Snap(hwnd);
      if (!r || !s.exists) return 0;
      const NcLayout l = ComputeNcLayout(r->Width(), r->Height(), s.style, [&] {
        std::lock_guard lock(S().mutex);
        Window* w = FindLocked(hwnd);
        return w ? w->exStyle : 0u;
      }());
      *r = RECT{r->Left + l.client.Left, r->Top + l.client.Top, r->Left + l.client.Right,
                r->Top + l.client.Bottom};
      return 0;
    }

    case WM_NCHITTEST:
      return HitTest(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});

    case WM_NCPAINT:
      PaintNonClient(hwnd);
      return 0;

    case WM_NCACTIVATE:
      return TRUE;

    case WM_PAINT: {
      if (wParam) return 0;  // painting into a given context: nothing of its own to draw
      PAINTSTRUCT ps;
      BeginPaint(hwnd, ps);
      EndPaint(hwnd, ps);
      return 0;
    }

    case WM_ERASEBKGND:
      return 0;

    case WM_SETTEXT:
      SetText(hwnd, reinterpret_cast<const char*>(lParam));
      return TRUE;

    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      std::string text;
      {
        std::lock_guard lock(S().mutex);
        Window* w = FindLocked(hwnd);
        if (!w) return 0;
        text = w->text;
      }
      const std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }

    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(S().mutex);
      Window* w = FindLocked(hwnd);
      return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }

    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;

    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          if (IsWindowEnabled(hwnd)) SendMessage(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
      }
      return 0;

    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & KF_ALTDOWN_BIT))
        PostMessage(GetTopLevel(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;

    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, p);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.X, p.Y));
      return 0;
    }

    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL: {
      const Snapshot s = Snap(hwnd);
      if (s.child) return SendMessage(s.parent, msg, wParam, lParam);
      return 0;
    }

    case WM_MOUSEACTIVATE: {
      const Snapshot s = Snap(hwnd);
      if (s.child) {
        const LRESULT r = SendMessage(s.parent, msg, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    }

    case WM_SETCURSOR: {
      const Snapshot s = Snap(hwnd);
      if (s.child && SendMessage(s.parent, msg, wParam, lParam)) return TRUE;
      const int hit = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
      ShowCursorNumber(hit == HTCLIENT ? static_cast<TCursor>(s.cursor) : crDefault);
      return hit == HTCLIENT ? TRUE : FALSE;
    }

    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != hwnd && !IsChild(hwnd, focus)) SetFocus(hwnd);
      }
      return 0;

    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == static_cast<WPARAM>(HTVSCROLL) || wParam == static_cast<WPARAM>(HTHSCROLL)) {
        RECT wr;
        GetWindowRect(hwnd, wr);
        const POINT local{GET_X_LPARAM(lParam) - wr.Left, GET_Y_LPARAM(lParam) - wr.Top};
        TrackScrollBar(hwnd, wParam == static_cast<WPARAM>(HTVSCROLL) ? SB_VERT : SB_HORZ, local);
      }
      return 0;

    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;

    default:
      return 0;
  }
}

}  // namespace lab::wm
