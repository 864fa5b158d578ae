#include "platform/controls/scroll_bars.h"

#include <algorithm>

#include "platform/controls/input.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

constexpr UINT_PTR kRepeatTimer = 0xFFF0;
constexpr int kMinThumb = 8;

bool IsControlLocked(Window* w) { return w->className == kScrollBarClass; }

// The state slot of a bar: a control keeps its one bar in the slot of its direction.
ScrollBarState* SlotLocked(Window* w, int bar) {
  if (bar == SB_CTL) {
    if (!IsControlLocked(w)) return nullptr;
    return &w->bars[(w->style & SBS_VERT) ? SB_VERT : SB_HORZ];
  }
  if (bar != SB_HORZ && bar != SB_VERT) return nullptr;
  return &w->bars[bar];
}

int MaxPos(const SCROLLINFO& si) {
  const int span = si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0;
  return std::max(si.nMin, si.nMax - span);
}

void Normalize(SCROLLINFO& si) {
  if (si.nMax < si.nMin) si.nMax = si.nMin;
  const unsigned range = static_cast<unsigned>(si.nMax - si.nMin) + 1u;
  if (si.nPage > range) si.nPage = range;
  si.nPos = std::clamp(si.nPos, si.nMin, MaxPos(si));
  si.nTrackPos = std::clamp(si.nTrackPos, si.nMin, MaxPos(si));
}

// Nothing to scroll: an empty range, or a page that shows it all.
bool Unneeded(const SCROLLINFO& si) {
  return si.nMax <= si.nMin || (si.nPage != 0 && si.nPage > static_cast<unsigned>(si.nMax - si.nMin));
}

void RedrawBarLocked(Window* w, int bar) {
  if (bar == SB_CTL)
    InvalidateWindowLocked(w, nullptr, false, false);
  else {
    const RECT none{};
    InvalidateWindowLocked(w, &none, false, true);
  }
}

DWORD BarStyle(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

}  // namespace

ScrollBarParts LayoutScrollBar(const RECT& whole, bool vertical, const SCROLLINFO& info, bool enabled,
                               int thumbPos) {
  ScrollBarParts p;
  p.whole = whole;
  const int length = vertical ? whole.Height() : whole.Width();
  const int thickness = vertical ? whole.Width() : whole.Height();
  const int arrow = std::min(thickness, length / 2);
  auto span = [&](int from, int to) {
    return vertical ? RECT{whole.Left, whole.Top + from, whole.Right, whole.Top + to}
                    : RECT{whole.Left + from, whole.Top, whole.Left + to, whole.Bottom};
  };
  p.arrow1 = span(0, arrow);
  p.arrow2 = span(length - arrow, length);
  const int trackStart = arrow, trackLen = length - 2 * arrow;
  int thumbLen = 0;
  if (enabled && !Unneeded(info) && trackLen > 0) {
    const long long range = static_cast<long long>(info.nMax) - info.nMin + 1;
    thumbLen = info.nPage == 0 ? arrow
                               : static_cast<int>(static_cast<long long>(trackLen) * info.nPage / range);
    thumbLen = std::max(thumbLen, std::min(kMinThumb, arrow));
    if (thumbLen > trackLen) thumbLen = 0;
  }
  if (thumbLen == 0) {
    p.page1 = span(trackStart, trackStart + std::max(trackLen, 0));
    return p;
  }
  const int room = trackLen - thumbLen;
  const int maxPos = MaxPos(info);
  int offset = 0;
  if (maxPos > info.nMin) {
    const int pos = std::clamp(thumbPos, info.nMin, maxPos);
    offset = static_cast<int>(static_cast<long long>(room) * (pos - info.nMin) / (maxPos - info.nMin));
  }
  p.page1 = span(trackStart, trackStart + offset);
  p.thumb = span(trackStart + offset, trackStart + offset + thumbLen);
  p.page2 = span(trackStart + offset + thumbLen, trackStart + trackLen);
  return p;
}

int PositionFromThumb(const RECT& whole, bool vertical, const SCROLLINFO& info, int thumbStart) {
  const ScrollBarParts p = LayoutScrollBar(whole, vertical, info, true, info.nMin);
  if (p.thumb.IsEmpty()) return info.nPos;
  const int length = vertical ? whole.Height() : whole.Width();
  const int thickness = vertical ? whole.Width() : whole.Height();
  const int arrow = std::min(thickness, length / 2);
  const int thumbLen = vertical ? p.thumb.Height() : p.thumb.Width();
  const int room = length - 2 * arrow - thumbLen;
  const int maxPos = MaxPos(info);
  if (room <= 0 || maxPos <= info.nMin) return info.nMin;
  const int offset = std::clamp(thumbStart - ((vertical ? whole.Top : whole.Left) + arrow), 0, room);
  const long long span = maxPos - info.nMin;
  return info.nMin + static_cast<int>((offset * span + room / 2) / room);
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO& in, bool redraw) {
  bool frame = false;
  int result = 0;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return 0;
    ScrollBarState* slot = SlotLocked(w, bar);
    if (!slot) return 0;
    SCROLLINFO si = slot->info;
    if (in.fMask & SIF_RANGE) {
      si.nMin = in.nMin;
      si.nMax = in.nMax;
    }
    if (in.fMask & SIF_PAGE) si.nPage = in.nPage;
    if (in.fMask & SIF_POS) si.nPos = in.nPos;
    Normalize(si);
    slot->info = si;
    result = si.nPos;
    if (in.fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
      const DWORD bit = bar == SB_CTL ? 0 : BarStyle(bar);
      if (Unneeded(si)) {
        if (in.fMask & SIF_DISABLENOSCROLL) {
          slot->disabledArrows = ESB_DISABLE_BOTH;
        } else if (bit && (w->style & bit)) {
          w->style &= ~bit;
          frame = true;
        }
      } else if ((in.fMask & ~SIF_POS) != SIF_PAGE) {
        // A change of the page alone leaves visibility and enabling as they are.
        slot->disabledArrows = ESB_ENABLE_BOTH;
        if (bit && !(w->style & bit)) {
          w->style |= bit;
          frame = true;
        }
      }
    }
    if (redraw) RedrawBarLocked(w, bar);
  }
  if (frame) FrameChanged(hwnd);
  return result;
}

bool GetScrollInfo(HWND hwnd, int bar, SCROLLINFO& out) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  ScrollBarState* slot = SlotLocked(w, bar);
  if (!slot) return false;
  const UINT mask = out.fMask;
  if (mask & SIF_RANGE) {
    out.nMin = slot->info.nMin;
    out.nMax = slot->info.nMax;
  }
  if (mask & SIF_PAGE) out.nPage = slot->info.nPage;
  if (mask & SIF_POS) out.nPos = slot->info.nPos;
  if (mask & SIF_TRACKPOS) out.nTrackPos = slot->tracking ? slot->info.nTrackPos : slot->info.nPos;
  return true;
}

int SetScrollPos(HWND hwnd, int bar, int pos, bool redraw) {
  int old;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w || !SlotLocked(w, bar)) return 0;
    old = SlotLocked(w, bar)->info.nPos;
  }
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, si, redraw);
  return old;
}

int ScrolledPosition(int Code, int ThumbPos, int Pos, int Line, int Page, int End) {
  switch (Code) {
    case SB_LINEUP: return Pos - Line;
    case SB_LINEDOWN: return Pos + Line;
    case SB_PAGEUP: return Pos - Page;
    case SB_PAGEDOWN: return Pos + Page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return ThumbPos;
    case SB_TOP: return 0;
    case SB_BOTTOM: return End;
    default: return Pos;
  }
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, si) ? si.nPos : 0;
}

bool SetScrollRange(HWND hwnd, int bar, int min, int max, bool redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = min;
  si.nMax = max;
  return IsWindow(hwnd) && (SetScrollInfo(hwnd, bar, si, redraw), true);
}

bool GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, si)) return false;
  if (min) *min = si.nMin;
  if (max) *max = si.nMax;
  return true;
}

bool ShowScrollBar(HWND hwnd, int bar, bool show) {
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE), true;
  bool frame = false;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    DWORD bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : BarStyle(bar);
    const DWORD before = w->style;
    if (show)
      w->style |= bits;
    else
      w->style &= ~bits;
    frame = before != w->style;
  }
  if (frame) FrameChanged(hwnd);
  return true;
}

bool EnableScrollBar(HWND hwnd, int bar, UINT arrows) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  auto apply = [&](int which) {
    ScrollBarState* slot = SlotLocked(w, which);
    if (!slot || slot->disabledArrows == arrows) return false;
    slot->disabledArrows = arrows;
    RedrawBarLocked(w, which);
    return true;
  };
  if (bar == SB_BOTH) {
    const bool a = apply(SB_HORZ);
    const bool b = apply(SB_VERT);
    return a || b;
  }
  return apply(bar);
}

// ---------------------------------------------------------------------------------------------
// Tracking a press on a bar.

namespace {

enum Part { kNone, kArrow1, kPage1, kThumb, kPage2, kArrow2 };

struct BarGeometry {
  RECT whole;          // window coordinates of the window that shows the bar
  bool vertical = true;
  SCROLLINFO info;
  UINT disabled = 0;
  bool enabled = true;
};

bool GeometryOf(HWND hwnd, int bar, BarGeometry& g) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  ScrollBarState* slot = SlotLocked(w, bar);
  if (!slot) return false;
  g.info = slot->info;
  g.disabled = slot->disabledArrows;
  g.enabled = !w->Disabled() && slot->disabledArrows != ESB_DISABLE_BOTH;
  if (bar == SB_CTL) {
    g.vertical = (w->style & SBS_VERT) != 0;
    g.whole = w->client;
  } else {
    const NcLayout l = NcLayoutLocked(w);
    g.vertical = bar == SB_VERT;
    g.whole = g.vertical ? l.vbar : l.hbar;
  }
  return !g.whole.IsEmpty();
}

Part HitPart(const ScrollBarParts& p, POINT pt) {
  if (p.arrow1.Contains(pt)) return kArrow1;
  if (p.arrow2.Contains(pt)) return kArrow2;
  if (p.thumb.Contains(pt)) return kThumb;
  if (p.page1.Contains(pt)) return kPage1;
  if (p.page2.Contains(pt)) return kPage2;
  return kNone;
}

WORD CodeOf(Part part) {
  switch (part) {
    case kArrow1: return SB_LINEUP;
    case kArrow2: return SB_LINEDOWN;
    case kPage1: return SB_PAGEUP;
    case kPage2: return SB_PAGEDOWN;
    default: return SB_ENDSCROLL;
  }
}

void Notify(HWND hwnd, int bar, bool vertical, WORD code, int pos) {
  const UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
  const WPARAM wp = MAKEWPARAM(code, static_cast<WORD>(pos));
  if (bar == SB_CTL)
    SendMessage(GetParent(hwnd), msg, wp, reinterpret_cast<LPARAM>(hwnd));
  else
    SendMessage(hwnd, msg, wp, 0);
}

void SetTracking(HWND hwnd, int bar, bool tracking, int pressed, int trackPos) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return;
  ScrollBarState* slot = SlotLocked(w, bar);
  if (!slot) return;
  slot->tracking = tracking;
  slot->pressedPart = pressed;
  slot->info.nTrackPos = trackPos;
  RedrawBarLocked(w, bar);
}

// From a point of the message (client coordinates while captured) to window coordinates.
POINT ClientToWindowPoint(HWND hwnd, POINT client) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return client;
  return POINT{client.X + w->client.Left, client.Y + w->client.Top};
}

bool ArrowDisabled(const BarGeometry& g, Part part) {
  if (!g.enabled) return true;
  if (part == kArrow1) return (g.disabled & ESB_DISABLE_UP) != 0;
  if (part == kArrow2) return (g.disabled & ESB_DISABLE_DOWN) != 0;
  return false;
}

}  // namespace

void TrackScrollBar(HWND hwnd, int bar, POINT start) {
  BarGeometry g;
  if (!GeometryOf(hwnd, bar, g) || !g.enabled) return;
  ScrollBarParts parts = LayoutScrollBar(g.whole, g.vertical, g.info, g.enabled, g.info.nPos);
  const Part part = HitPart(parts, start);
  if (part == kNone || ArrowDisabled(g, part)) return;

  SetCapture(hwnd);
  const int thumbOffset = g.vertical ? start.Y - parts.thumb.Top : start.X - parts.thumb.Left;
  int trackPos = g.info.nPos;
  bool inside = true;
  SetTracking(hwnd, bar, part == kThumb, part, trackPos);
  if (part != kThumb) {
    Notify(hwnd, bar, g.vertical, CodeOf(part), 0);
    SetTimer(hwnd, kRepeatTimer, kRepeatDelay, nullptr);
  }

  MSG msg;
  bool quit = false;
  int quitCode = 0;
  for (;;) {
    if (GetCapture() != hwnd || !IsWindow(hwnd)) break;
    if (!GetMessage(msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    const bool mine = msg.hwnd == hwnd;
    if (mine && msg.message == WM_MOUSEMOVE) {
      const POINT pt = ClientToWindowPoint(hwnd, POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
      if (!GeometryOf(hwnd, bar, g)) break;
      if (part == kThumb) {
        const int thumbStart = (g.vertical ? pt.Y : pt.X) - thumbOffset;
        const int pos = PositionFromThumb(g.whole, g.vertical, g.info, thumbStart);
        if (pos != trackPos) {
          trackPos = pos;
          SetTracking(hwnd, bar, true, part, trackPos);
          Notify(hwnd, bar, g.vertical, SB_THUMBTRACK, trackPos);
        }
      } else {
        parts = LayoutScrollBar(g.whole, g.vertical, g.info, g.enabled, g.info.nPos);
        const bool now = HitPart(parts, pt) == part;
        if (now != inside) {
          inside = now;
          SetTracking(hwnd, bar, false, inside ? part : kNone, g.info.nPos);
        }
      }
      continue;
    }
    if (msg.message == WM_LBUTTONUP) break;
    if (mine && msg.message == WM_TIMER && msg.wParam == kRepeatTimer) {
      if (!GeometryOf(hwnd, bar, g)) break;
      // Paging stops once the thumb reaches the pointer.
      POINT pt;
      GetCursorPos(pt);
      RECT wr;
      GetWindowRect(hwnd, wr);
      pt = POINT{pt.X - wr.Left, pt.Y - wr.Top};
      parts = LayoutScrollBar(g.whole, g.vertical, g.info, g.enabled, g.info.nPos);
      if (inside && HitPart(parts, pt) == part && !ArrowDisabled(g, part))
        Notify(hwnd, bar, g.vertical, CodeOf(part), 0);
      // As after the press: the next repeat is timed from when this one has been handled.
      SetTimer(hwnd, kRepeatTimer, kRepeatInterval, nullptr);
      continue;
    }
    // Other input waits until the press ends; everything else goes on as usual.
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
        (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK))
      continue;
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
  KillTimer(hwnd, kRepeatTimer);
  if (IsWindow(hwnd)) {
    if (part == kThumb) Notify(hwnd, bar, g.vertical, SB_THUMBPOSITION, trackPos);
    Notify(hwnd, bar, g.vertical, SB_ENDSCROLL, 0);
    SetTracking(hwnd, bar, false, kNone, GetScrollPos(hwnd, bar));
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  if (quit) PostQuitMessage(quitCode);
}

void ScrollBarControlKey(HWND hwnd, UINT vk) {
  BarGeometry g;
  if (!GeometryOf(hwnd, SB_CTL, g) || !g.enabled) return;
  WORD code;
  switch (vk) {
    case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
    case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
    case VK_PRIOR: code = SB_PAGEUP; break;
    case VK_NEXT: code = SB_PAGEDOWN; break;
    case VK_HOME: code = SB_TOP; break;
    case VK_END: code = SB_BOTTOM; break;
    default: return;
  }
  Notify(hwnd, SB_CTL, g.vertical, code, 0);
  Notify(hwnd, SB_CTL, g.vertical, SB_ENDSCROLL, 0);
}

}  // namespace lab::wm
