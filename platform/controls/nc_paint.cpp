// Drawing of the non-client area (borders, the window's own scroll bars) and of scroll-bar parts, in
// the classic raised and sunken look, with the system colours.

#include <algorithm>
#include <array>

#include "platform/controls/nc_layout.h"
#include "platform/controls/painting.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/edges.h"

namespace lab::wm {

using namespace lab::win;

namespace {

COLORREF Sys(TColor c) { return ColorToRGB(c); }

void HLine(HDC dc, int x1, int x2, int y, COLORREF c) {
  if (x2 > x1) dc->FillSolidRect(RECT{x1, y, x2, y + 1}, c);
}
void VLine(HDC dc, int x, int y1, int y2, COLORREF c) {
  if (y2 > y1) dc->FillSolidRect(RECT{x, y1, x + 1, y2}, c);
}

// One ring of an edge: top and left in `tl`, bottom and right in `br`. Answers the rectangle inside.
RECT Ring(HDC dc, const RECT& r, COLORREF tl, COLORREF br) {
  if (r.IsEmpty()) return r;
  HLine(dc, r.Left, r.Right - 1, r.Top, tl);
  VLine(dc, r.Left, r.Top, r.Bottom - 1, tl);
  HLine(dc, r.Left, r.Right, r.Bottom - 1, br);
  VLine(dc, r.Right - 1, r.Top, r.Bottom, br);
  return RECT{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

// A raised button face (arrows, thumb); pressed buttons are flat with a shadow frame.
RECT ButtonFace(HDC dc, const RECT& r, bool pressed) {
  if (r.IsEmpty()) return r;
  RECT inner;
  if (pressed) {
    inner = Ring(dc, r, Sys(clBtnShadow), Sys(clBtnShadow));
  } else {
    inner = Ring(dc, r, Sys(cl3DLight), Sys(cl3DDkShadow));
    inner = Ring(dc, inner, Sys(clBtnHighlight), Sys(clBtnShadow));
  }
  dc->FillSolidRect(inner, Sys(clBtnFace));
  return inner;
}

// An arrow button: the same face and glyph as DrawFrameControl gives anywhere else.
void ArrowButton(HDC dc, const RECT& r, UINT direction, bool enabled, bool pressed) {
  if (r.IsEmpty()) return;
  RECT face = r;
  DrawFrameControl(dc, &face, DFC_SCROLL, direction | (enabled ? 0 : DFCS_INACTIVE) | (pressed ? DFCS_PUSHED : 0));
}

void Track(HDC dc, const RECT& r, bool pressed) {
  if (r.IsEmpty()) return;
  dc->FillSolidRect(r, pressed ? Sys(cl3DDkShadow) : Sys(clScrollBar));
}

}  // namespace

void DrawScrollBar(HDC dc, const ScrollBarParts& p, bool vertical, bool enabled, UINT disabledArrows,
                   int pressedPart) {
  const bool upOk = enabled && !(disabledArrows & ESB_DISABLE_UP);
  const bool downOk = enabled && !(disabledArrows & ESB_DISABLE_DOWN);
  ArrowButton(dc, p.arrow1, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, upOk, pressedPart == 1);
  ArrowButton(dc, p.arrow2, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT, downOk, pressedPart == 5);
  Track(dc, p.page1, pressedPart == 2);
  Track(dc, p.page2, pressedPart == 4);
  if (!p.thumb.IsEmpty()) ButtonFace(dc, p.thumb, false);
}

void PaintNonClient(HWND hwnd) {
  DWORD style, exStyle;
  RECT windowRect;
  ScrollBarState bars[2];
  bool disabled;
  NcLayout l;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return;
    style = w->style;
    exStyle = w->exStyle;
    windowRect = RECT{0, 0, w->rect.Width(), w->rect.Height()};
    bars[0] = w->bars[0];
    bars[1] = w->bars[1];
    disabled = w->Disabled();
    l = NcLayoutLocked(w);
  }
  if (BorderWidth(style, exStyle) == 0 && l.vbar.IsEmpty() && l.hbar.IsEmpty()) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT r = windowRect;
  const bool decorated = !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION;
  if (!decorated) {
    if (style & (WS_THICKFRAME | WS_DLGFRAME)) {
      r = Ring(dc, r, Sys(cl3DLight), Sys(cl3DDkShadow));
      r = Ring(dc, r, Sys(clBtnHighlight), Sys(clBtnShadow));
      r = Ring(dc, r, Sys(clBtnFace), Sys(clBtnFace));
    } else if (style & WS_BORDER) {
      r = Ring(dc, r, Sys(clWindowFrame), Sys(clWindowFrame));
    }
  }
  if (exStyle & WS_EX_STATICEDGE) r = Ring(dc, r, Sys(clBtnShadow), Sys(clBtnHighlight));
  if (exStyle & WS_EX_CLIENTEDGE) {
    r = Ring(dc, r, Sys(clBtnShadow), Sys(clBtnHighlight));
    r = Ring(dc, r, Sys(cl3DDkShadow), Sys(cl3DLight));
  }
  for (int bar : {SB_HORZ, SB_VERT}) {
    const RECT whole = bar == SB_VERT ? l.vbar : l.hbar;
    if (whole.IsEmpty()) continue;
    const ScrollBarState& s = bars[bar];
    const bool enabled = !disabled && s.disabledArrows != ESB_DISABLE_BOTH;
    const int pos = s.tracking ? s.info.nTrackPos : s.info.nPos;
    DrawScrollBar(dc, LayoutScrollBar(whole, bar == SB_VERT, s.info, enabled, pos), bar == SB_VERT,
                  enabled, s.disabledArrows, s.pressedPart);
  }
  if (!l.sizeBox.IsEmpty()) dc->FillSolidRect(l.sizeBox, Sys(clBtnFace));
  ReleaseDC(hwnd, dc);
}

}  // namespace lab::wm
