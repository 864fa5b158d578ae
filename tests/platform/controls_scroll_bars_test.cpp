// A window's own scroll bars: showing and hiding with the range, and the SB_ codes a mouse press on
// their parts sends, thumb tracking and repetition included.

#include <atomic>
#include <chrono>
#include <thread>

#include "controls_fixture.h"
#include "platform/controls/input.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/scrolled_view.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/gdi_objects.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class ScrollBarTest : public ControlsTest {
 protected:
  // 200 × 100 with a vertical bar at x 183..200: arrows 0..17 and 83..100, track between.
  HWND Scrolling() {
    HWND h = Recording(WS_POPUP | WS_VISIBLE | WS_VSCROLL, nullptr, 0, 0, 200, 100);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 0;
    wm::SetScrollInfo(h, SB_VERT, si, true);
    Pump();
    log.clear();
    return h;
  }
  // The scroll codes (and positions) the window got, in order.
  std::vector<std::pair<WORD, WORD>> Codes(UINT msg = WM_VSCROLL) const {
    std::vector<std::pair<WORD, WORD>> out;
    for (const Received& r : log)
      if (r.msg == msg) out.emplace_back(LOWORD(r.wParam), HIWORD(r.wParam));
    return out;
  }
  void PressBar(HWND h, int x, int y) {
    POINT p{x, y};
    RECT wr;
    wm::GetWindowRect(h, wr);
    input::MouseMove(POINT{wr.Left + x, wr.Top + y});
    input::MouseButton(VK_LBUTTON, true, POINT{wr.Left + x, wr.Top + y});
    (void)p;
  }
  void ReleaseBar(HWND h, int x, int y) {
    RECT wr;
    wm::GetWindowRect(h, wr);
    input::MouseMove(POINT{wr.Left + x, wr.Top + y});
    input::MouseButton(VK_LBUTTON, false, POINT{wr.Left + x, wr.Top + y});
  }
};

TEST_F(ScrollBarTest, TheBarTakesItsPlaceFromTheClientArea) {
  HWND h = Scrolling();
  RECT client;
  wm::GetClientRect(h, client);
  EXPECT_EQ(client, (RECT{0, 0, 183, 100}));
  const wm::NcLayout l = wm::NcLayoutOf(h);
  EXPECT_EQ(l.vbar, (RECT{183, 0, 200, 100}));
  EXPECT_EQ(wm::SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(190, 50)), HTVSCROLL);
  EXPECT_EQ(wm::SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(100, 50)), HTCLIENT);
}

// A window that draws a border of its own (its WM_NCCALCSIZE takes 2 pixels a side) has its bars
// along its client area, inside that border: hit and pressed there.
TEST_F(ScrollBarTest, ABorderOfTheWindowsOwnKeepsTheBarsBesideTheClientArea) {
  WNDPROC proc = [this](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    log.push_back({hwnd, msg, wp, lp});
    const LRESULT r = wm::DefWindowProc(hwnd, msg, wp, lp);
    if (auto* rect = reinterpret_cast<RECT*>(lp); msg == WM_NCCALCSIZE && rect)
      *rect = RECT{rect->Left + 2, rect->Top + 2, rect->Right - 2, rect->Bottom - 2};
    return r;
  };
  HWND h = wm::CreateWindowEx(0, "", "", WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0, 200, 100, nullptr, 0,
                              nullptr, &proc);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  for (int bar : {SB_VERT, SB_HORZ}) wm::SetScrollInfo(h, bar, si, true);
  const wm::NcLayout l = wm::NcLayoutOf(h);
  EXPECT_EQ(l.vbar, (RECT{181, 2, 198, 81}));
  EXPECT_EQ(l.hbar, (RECT{2, 81, 181, 98}));
  EXPECT_EQ(l.sizeBox, (RECT{181, 81, 198, 98}));
  EXPECT_EQ(wm::SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(182, 50)), HTVSCROLL);
  PressBar(h, 190, 75);  // the lower arrow where it now is
  ReleaseBar(h, 190, 75);
  Pump();
  ASSERT_FALSE(Codes().empty());
  EXPECT_EQ(Codes().front().first, SB_LINEDOWN);
  wm::DestroyWindow(h);
}

TEST_F(ScrollBarTest, ARangeThatFitsHidesTheBarOrDisablesIt) {
  HWND h = Scrolling();
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 9;
  si.nPage = 10;  // the page shows everything
  wm::SetScrollInfo(h, SB_VERT, si, true);
  EXPECT_EQ(wm::GetWindowLongPtr(h, GWL_STYLE) & WS_VSCROLL, 0);
  RECT client;
  wm::GetClientRect(h, client);
  EXPECT_EQ(client.Right, 200);
  // The client grew, so the window was told its new size.
  bool sized = false;
  for (const Received& r : log)
    if (r.msg == WM_SIZE && LOWORD(r.lParam) == 200) sized = true;
  EXPECT_TRUE(sized);

  si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  si.nMax = 99;
  wm::SetScrollInfo(h, SB_VERT, si, true);  // needed again: shown and enabled
  EXPECT_NE(wm::GetWindowLongPtr(h, GWL_STYLE) & WS_VSCROLL, 0);
  si.nMax = 5;
  wm::SetScrollInfo(h, SB_VERT, si, true);  // not needed: stays, disabled
  EXPECT_NE(wm::GetWindowLongPtr(h, GWL_STYLE) & WS_VSCROLL, 0);
  log.clear();
  PressBar(h, 192, 95);
  ReleaseBar(h, 192, 95);
  Pump();
  EXPECT_TRUE(Codes().empty());
}

TEST_F(ScrollBarTest, PositionsAreKeptInsideTheRange) {
  HWND h = Scrolling();
  EXPECT_EQ(wm::SetScrollPos(h, SB_VERT, 500, true), 0);
  EXPECT_EQ(wm::GetScrollPos(h, SB_VERT), 90);  // max - page + 1
  EXPECT_EQ(wm::SetScrollPos(h, SB_VERT, -5, true), 90);
  EXPECT_EQ(wm::GetScrollPos(h, SB_VERT), 0);
}

TEST_F(ScrollBarTest, AViewsBarShowsItsContentAndItsMessagesMoveItInsideItsRange) {
  HWND h = Scrolling();
  ShowViewScrollBar(h, SB_VERT, 49, 10, 45);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(wm::GetScrollInfo(h, SB_VERT, si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 49);
  EXPECT_EQ(si.nPage, 10u);
  EXPECT_EQ(si.nPos, 40);
  ShowViewScrollBar(h, SB_VERT, -1, -5, 0);  // no content: nothing to scroll, the bar goes
  EXPECT_EQ(wm::GetWindowLongPtr(h, GWL_STYLE) & WS_VSCROLL, 0);

  // The codes move a view at 10 by its line (3) and page (20), to the thumb, or to its ends (0 .. 100).
  const TScrollAxis axis{10, 3, 20, 100};
  const struct {
    WORD Code;
    std::int16_t Thumb;
    int To;
  } codes[] = {{SB_LINEUP, 0, 7},   {SB_LINEDOWN, 0, 13},     {SB_PAGEUP, 0, -10},     {SB_PAGEDOWN, 0, 30},
               {SB_TOP, 0, 0},      {SB_BOTTOM, 0, 100},      {SB_THUMBTRACK, 42, 42}, {SB_THUMBPOSITION, -2, -2},
               {SB_ENDSCROLL, 5, 10}};
  for (const auto& c : codes) {
    SCOPED_TRACE(c.Code);
    TMessage m{WM_HSCROLL, MAKEWPARAM(c.Code, static_cast<WORD>(c.Thumb)), 0, 0};
    EXPECT_TRUE(IsViewScroll(m));
    EXPECT_EQ(ScrolledTo(m, axis), c.To);
  }
  // A bar control's message names the bar: it is not the view's own.
  EXPECT_FALSE(IsViewScroll(TMessage{WM_VSCROLL, 0, reinterpret_cast<LPARAM>(h), 0}));
  EXPECT_FALSE(IsViewScroll(TMessage{WM_PAINT, 0, 0, 0}));

  // Pos, Value, Max: where the position goes and whether it moved.
  const struct {
    int Pos, Value, Max, To;
    bool Moved;
  } moves[] = {{0, 5, 10, 5, true}, {5, 5, 10, 5, false}, {5, -3, 10, 0, true}, {5, 20, 10, 10, true},
               {10, 20, 10, 10, false}, {3, 7, -4, 0, true}};
  for (const auto& m : moves) {
    int pos = m.Pos;
    EXPECT_EQ(MoveScrollPosition(pos, m.Value, m.Max), m.Moved) << m.Pos << " " << m.Value << " " << m.Max;
    EXPECT_EQ(pos, m.To);
  }
}

TEST_F(ScrollBarTest, ArrowsAndPagesSendTheirCodesThenEndScroll) {
  HWND h = Scrolling();
  PressBar(h, 192, 95);  // down arrow
  ReleaseBar(h, 192, 95);
  PressBar(h, 192, 60);  // below the thumb
  ReleaseBar(h, 192, 60);
  Pump();
  wm::SetScrollPos(h, SB_VERT, 50, true);
  PressBar(h, 192, 5);  // up arrow
  ReleaseBar(h, 192, 5);
  PressBar(h, 192, 20);  // above the thumb, which now stands in the middle
  ReleaseBar(h, 192, 20);
  Pump();
  EXPECT_EQ(Codes(), (std::vector<std::pair<WORD, WORD>>{{SB_LINEDOWN, 0},
                                                          {SB_ENDSCROLL, 0},
                                                          {SB_PAGEDOWN, 0},
                                                          {SB_ENDSCROLL, 0},
                                                          {SB_LINEUP, 0},
                                                          {SB_ENDSCROLL, 0},
                                                          {SB_PAGEUP, 0},
                                                          {SB_ENDSCROLL, 0}}));
  // The window saw no client mouse messages: the bar took the press.
  EXPECT_TRUE(Only({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
  EXPECT_EQ(wm::GetCapture(), nullptr);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  HWND h = Scrolling();
  // Pos 0: the thumb is 8 pixels long at 17..25; 58 pixels of room stand for positions 0..90.
  int trackSeen = -1;
  wm::WNDPROC proc = wm::GetWindowProc(h);
  wm::SetWindowProc(h, [&, proc](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_VSCROLL && LOWORD(wp) == SB_THUMBTRACK) {
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS | SIF_POS;
      wm::GetScrollInfo(hwnd, SB_VERT, si);
      trackSeen = si.nTrackPos;
      EXPECT_EQ(si.nPos, 0);  // the position moves only when the program says so
    }
    return proc(hwnd, msg, wp, lp);
  });
  PressBar(h, 192, 20);
  RECT wr;
  wm::GetWindowRect(h, wr);
  input::MouseMove(POINT{wr.Left + 192, wr.Top + 50});
  ReleaseBar(h, 192, 50);
  Pump();
  EXPECT_EQ(Codes(), (std::vector<std::pair<WORD, WORD>>{
                         {SB_THUMBTRACK, 47}, {SB_THUMBPOSITION, 47}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(trackSeen, 47);
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsOnTheTimer) {
  HWND h = Scrolling();
  std::atomic<int> lines{0};
  wm::WNDPROC proc = wm::GetWindowProc(h);
  wm::SetWindowProc(h, [&, proc](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_VSCROLL && LOWORD(wp) == SB_LINEDOWN) ++lines;
    return proc(hwnd, msg, wp, lp);
  });
  // The press runs its own loop on the main thread; this thread moves the clock on in small steps
  // until the next line arrives, so it never matters whether the repeat timer was set before or
  // after a step. Each gap is the manual time it took (capped, so a missing repeat fails).
  std::vector<int> gaps;
  std::thread driver([&] {
    while (lines.load() < 1) std::this_thread::yield();
    for (int seen = 1; seen < 3; ++seen) {
      int waited = 0;
      while (lines.load() == seen && waited < 2000) {
        clock.Advance(10);
        waited += 10;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      gaps.push_back(waited);
    }
    RECT wr;
    wm::GetWindowRect(h, wr);
    input::MouseButton(VK_LBUTTON, false, POINT{wr.Left + 192, wr.Top + 95});
  });
  PressBar(h, 192, 95);
  Pump();
  driver.join();
  EXPECT_EQ(lines.load(), 3);
  ASSERT_EQ(gaps.size(), 2u);
  // The first repeat waits for the initial delay (400 ms), later ones come at the faster repeat rate
  // (50 ms); a busy machine can only make a gap longer.
  EXPECT_GE(gaps[0], 400);
  EXPECT_GE(gaps[1], 50);
  EXPECT_LT(gaps[1], gaps[0]);
}

// Each arrow button's glyph points its way: its tip (the narrow end) lies toward the button's end of
// the bar, so the up button's tip is at the top and the left button's at the left.
TEST_F(ScrollBarTest, EachArrowButtonPointsTowardItsEndOfTheBar) {
  HWND h = Recording(WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, nullptr, 0, 0, 200, 100);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 50;
  wm::SetScrollInfo(h, SB_VERT, si, true);
  wm::SetScrollInfo(h, SB_HORZ, si, true);
  wm::InvalidateRect(h, nullptr, true);
  Pump();
  TGdiBitmap* surface = wm::WindowSurface(h);
  ASSERT_TRUE(surface);
  surface->BeginDirect();
  const COLORREF ink = ColorToRGB(clBtnText);
  // Ink pixels on one row (or column) of a button.
  auto count = [&](const RECT& r, bool rows, int at) {
    int n = 0;
    for (int i = rows ? r.Left : r.Top; i < (rows ? r.Right : r.Bottom); ++i)
      n += ColorOfPixel(rows ? surface->Row(at)[i] : surface->Row(i)[at]) == ink;
    return n;
  };
  // The first and the last inked row (or column) of a button, as counts.
  auto ends = [&](const RECT& r, bool rows) {
    std::vector<int> counts;
    for (int at = rows ? r.Top : r.Left; at < (rows ? r.Bottom : r.Right); ++at)
      if (const int n = count(r, rows, at)) counts.push_back(n);
    return counts.empty() ? std::pair{0, 0} : std::pair{counts.front(), counts.back()};
  };
  const wm::NcLayout l = wm::NcLayoutOf(h);
  const int side = l.vbar.Width();
  const RECT up{l.vbar.Left, l.vbar.Top, l.vbar.Right, l.vbar.Top + side};
  const RECT down{l.vbar.Left, l.vbar.Bottom - side, l.vbar.Right, l.vbar.Bottom};
  const RECT left{l.hbar.Left, l.hbar.Top, l.hbar.Left + side, l.hbar.Bottom};
  const RECT right{l.hbar.Right - side, l.hbar.Top, l.hbar.Right, l.hbar.Bottom};
  auto [upFirst, upLast] = ends(up, true);
  auto [downFirst, downLast] = ends(down, true);
  auto [leftFirst, leftLast] = ends(left, false);
  auto [rightFirst, rightLast] = ends(right, false);
  ASSERT_GT(upLast, 0);
  EXPECT_LT(upFirst, upLast);
  EXPECT_GT(downFirst, downLast);
  EXPECT_LT(leftFirst, leftLast);
  EXPECT_GT(rightFirst, rightLast);
}

}  // namespace
}  // namespace lab::testing
