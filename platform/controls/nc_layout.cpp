#include "platform/controls/nc_layout.h"

#include <algorithm>

#include "platform/controls/window_styles.h"
#include "platform/controls/wm_state.h"
#include "platform/graphics/system_metrics.h"

namespace lab::wm {

using namespace lab::win;

int VerticalScrollBarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }
int HorizontalScrollBarHeight() { return GetSystemMetrics(SM_CYHSCROLL); }

int BorderWidth(DWORD style, DWORD exStyle) {
  int width = 0;
  if (exStyle & WS_EX_CLIENTEDGE) width += 2;
  if (exStyle & WS_EX_STATICEDGE) width += 1;
  const bool decorated = !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION;
  if (!decorated) {
    if (style & (WS_THICKFRAME | WS_DLGFRAME))
      width += 3;
    else if (style & WS_BORDER)
      width += 1;
  }
  return width;
}

NcLayout ComputeNcLayout(int width, int height, DWORD style, DWORD exStyle) {
  NcLayout l;
  const int b = BorderWidth(style, exStyle);
  l.inner = RECT{b, b, std::max(b, width - b), std::max(b, height - b)};
  RECT rest = l.inner;
  const bool v = style & WS_VSCROLL, h = style & WS_HSCROLL;
  const int cx = VerticalScrollBarWidth(), cy = HorizontalScrollBarHeight();
  const bool left = exStyle & WS_EX_LEFTSCROLLBAR;
  if (h) {
    const int top = std::max(rest.Top, rest.Bottom - cy);
    l.hbar = RECT{rest.Left, top, rest.Right, rest.Bottom};
    rest.Bottom = top;
  }
  if (v) {
    if (left) {
      const int right = std::min(rest.Right, rest.Left + cx);
      l.vbar = RECT{rest.Left, rest.Top, right, rest.Bottom};
      rest.Left = right;
    } else {
      const int leftEdge = std::max(rest.Left, rest.Right - cx);
      l.vbar = RECT{leftEdge, rest.Top, rest.Right, rest.Bottom};
      rest.Right = leftEdge;
    }
  }
  if (v && h) {
    // The horizontal bar stops at the vertical one; the corner is the size box.
    if (left) {
      l.sizeBox = RECT{l.vbar.Left, l.hbar.Top, l.vbar.Right, l.hbar.Bottom};
      l.hbar.Left = l.vbar.Right;
    } else {
      l.sizeBox = RECT{l.vbar.Left, l.hbar.Top, l.vbar.Right, l.hbar.Bottom};
      l.hbar.Right = l.vbar.Left;
    }
  }
  l.client = rest;
  return l;
}

NcLayout NcLayoutLocked(const Window* w) {
  NcLayout l = ComputeNcLayout(w->rect.Width(), w->rect.Height(), w->style, w->exStyle);
  const RECT& c = w->client;
  if (c == l.client) return l;
  if (!l.vbar.IsEmpty()) {
    const int cx = l.vbar.Width();
    l.vbar = (w->exStyle & WS_EX_LEFTSCROLLBAR) ? RECT{c.Left - cx, c.Top, c.Left, c.Bottom}
                                                : RECT{c.Right, c.Top, c.Right + cx, c.Bottom};
  }
  if (!l.hbar.IsEmpty()) l.hbar = RECT{c.Left, c.Bottom, c.Right, c.Bottom + l.hbar.Height()};
  if (!l.sizeBox.IsEmpty()) l.sizeBox = RECT{l.vbar.Left, l.hbar.Top, l.vbar.Right, l.hbar.Bottom};
  l.client = c;
  return l;
}

NcLayout NcLayoutOf(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return NcLayout{};
  return NcLayoutLocked(w);
}

}  // namespace lab::wm
