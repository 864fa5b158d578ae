#pragma once
// Scroll bars: a window's own bars (drawn in its non-client area) and scroll-bar control windows
// (class "ScrollBar", SB_CTL). A press on a bar sends WM_VSCROLL / WM_HSCROLL with the SB_ codes:
// the arrows and the page areas repeat while held, the thumb sends SB_THUMBTRACK while dragged and
// SB_THUMBPOSITION where it is let go; SB_ENDSCROLL ends every action. A control's bar notifies its
// parent, with the control's handle in LParam.

#include "platform/controls/painting.h"
#include "platform/controls/scroll_info.h"
#include "platform/controls/win_types.h"

namespace lab::wm {

using win::SCROLLINFO;

// Answers the position after the change. Hiding or showing a window's own bar follows the range
// when SIF_RANGE or SIF_PAGE is given: a bar that has nothing to scroll hides, or is disabled with
// SIF_DISABLENOSCROLL.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO& info, bool redraw);
bool GetScrollInfo(HWND hwnd, int bar, SCROLLINFO& info);
int SetScrollPos(HWND hwnd, int bar, int pos, bool redraw);
int GetScrollPos(HWND hwnd, int bar);
bool SetScrollRange(HWND hwnd, int bar, int min, int max, bool redraw);
bool GetScrollRange(HWND hwnd, int bar, int* min, int* max);
bool ShowScrollBar(HWND hwnd, int bar, bool show);
bool EnableScrollBar(HWND hwnd, int bar, UINT arrows);

// Where a WM_VSCROLL or WM_HSCROLL code (with the thumb's position) moves a view standing at Pos: a
// Line or a Page back or on, to the thumb, to 0 or to End; other codes leave it at Pos.
int ScrolledPosition(int Code, int ThumbPos, int Pos, int Line, int Page, int End);

// The class name of scroll-bar control windows.
inline constexpr const char* kScrollBarClass = "ScrollBar";

// The parts of a bar, in window coordinates of the window that shows it.
struct ScrollBarParts {
  win::RECT whole;
  win::RECT arrow1;     // up / left
  win::RECT page1;      // between arrow1 and the thumb
  win::RECT thumb;      // empty when the bar cannot scroll
  win::RECT page2;
  win::RECT arrow2;     // down / right
};
ScrollBarParts LayoutScrollBar(const win::RECT& whole, bool vertical, const SCROLLINFO& info,
                               bool enabled, int thumbPos);
// The position a thumb whose leading edge stands at `thumbStart` (window coordinates) shows.
int PositionFromThumb(const win::RECT& whole, bool vertical, const SCROLLINFO& info, int thumbStart);

// Draws a bar's arrows, track and thumb. pressedPart: 1 arrow1, 2 page1, 3 thumb, 4 page2, 5 arrow2.
void DrawScrollBar(HDC dc, const ScrollBarParts& parts, bool vertical, bool enabled,
                   UINT disabledArrows, int pressedPart);

}  // namespace lab::wm
