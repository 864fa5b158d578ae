// The window manager: creation and destruction order, coordinates and z-order, visibility, focus
// and activation, non-client areas, update regions and erasing, sends in both directions between
// two threads, and a quit that arrives inside a nested loop.

#include <atomic>
#include <thread>

#include "controls_fixture.h"
#include "platform/controls/input.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/painting.h"
#include "platform/controls/scroll_bars.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class WindowManagerTest : public ControlsTest {
 protected:
  // What hwnd received of the given messages, in order.
  std::vector<std::pair<HWND, UINT>> Of(std::initializer_list<UINT> wanted) const {
    std::vector<std::pair<HWND, UINT>> out;
    for (const Received& r : log)
      for (UINT w : wanted)
        if (r.msg == w) out.emplace_back(r.hwnd, r.msg);
    return out;
  }
};

TEST_F(WindowManagerTest, CreationSendsItsMessagesAndDestructionGoesParentFirstThenChildrenLast) {
  HWND top = Recording(WS_POPUP, nullptr, 0, 0, 100, 100);
  const auto creation = Only({WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}, top);
  EXPECT_EQ(creation, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  HWND child = Recording(WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
  HWND grandchild = Recording(WS_CHILD | WS_VISIBLE, child, 5, 5, 10, 10);
  log.clear();
  EXPECT_TRUE(wm::DestroyWindow(top));
  EXPECT_EQ(Of({WM_DESTROY, WM_NCDESTROY}), (std::vector<std::pair<HWND, UINT>>{
                                                 {top, WM_DESTROY},
                                                 {child, WM_DESTROY},
                                                 {grandchild, WM_DESTROY},
                                                 {grandchild, WM_NCDESTROY},
                                                 {child, WM_NCDESTROY},
                                                 {top, WM_NCDESTROY}}));
  EXPECT_FALSE(wm::IsWindow(child));
  EXPECT_FALSE(wm::IsWindow(grandchild));
  EXPECT_FALSE(wm::DestroyWindow(top));
}

TEST_F(WindowManagerTest, AFailedCreateMessageLeavesNoWindow) {
  WNDPROC refuse = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_CREATE) return -1;
    return wm::DefWindowProc(h, m, w, l);
  };
  EXPECT_EQ(wm::CreateWindowEx(0, "", "", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr, &refuse), nullptr);
  EXPECT_EQ(wm::CreateWindowEx(0, "", "", WS_CHILD, 0, 0, 10, 10, nullptr, 0), nullptr);  // no parent
}

TEST_F(WindowManagerTest, CoordinatesMapThroughParentsAndTheTopmostWindowIsFound) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 100, 50, 300, 200);
  HWND child = Recording(WS_CHILD | WS_VISIBLE, top, 20, 30, 100, 100);
  HWND over = Recording(WS_CHILD | WS_VISIBLE, top, 60, 60, 100, 100);  // created later: on top
  POINT p{5, 5};
  wm::ClientToScreen(child, p);
  EXPECT_EQ(p, (POINT{125, 85}));
  wm::ScreenToClient(over, p);
  EXPECT_EQ(p, (POINT{-35, -25}));
  POINT q{0, 0};
  wm::MapWindowPoints(child, over, &q, 1);
  EXPECT_EQ(q, (POINT{-40, -30}));
  EXPECT_EQ(wm::WindowFromPoint(POINT{100 + 70, 50 + 70}), over);
  wm::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(wm::WindowFromPoint(POINT{100 + 70, 50 + 70}), child);
  EXPECT_EQ(wm::GetWindow(top, GW_CHILD), child);
  EXPECT_EQ(wm::GetWindow(child, GW_HWNDNEXT), over);
  wm::ShowWindow(child, SW_HIDE);
  EXPECT_EQ(wm::WindowFromPoint(POINT{100 + 70, 50 + 70}), over);
  EXPECT_FALSE(wm::IsWindowVisible(child));
  EXPECT_EQ(wm::WindowFromPoint(POINT{100 + 5, 50 + 5}), top);
  EXPECT_EQ(wm::WindowFromPoint(POINT{5, 5}), nullptr);
}

TEST_F(WindowManagerTest, EnumeratingFindsTopLevelWindowsAndDescendantsInOrder) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100);
  HWND first = Recording(WS_CHILD | WS_VISIBLE, top, 0, 0, 10, 10);
  HWND inner = Recording(WS_CHILD | WS_VISIBLE, first, 0, 0, 5, 5);
  HWND second = Recording(WS_CHILD | WS_VISIBLE, top, 20, 0, 10, 10);  // on top of first
  std::vector<HWND> seen;
  EXPECT_TRUE(wm::EnumChildWindows(top, [&](HWND h) {
    seen.push_back(h);
    return true;
  }));
  EXPECT_EQ(seen, (std::vector<HWND>{second, first, inner}));
  bool found = false;
  EXPECT_FALSE(wm::EnumWindows([&](HWND h) {
    found = found || h == top;
    return h != top;  // stop there
  }));
  EXPECT_TRUE(found);
}

TEST_F(WindowManagerTest, ActivationAndFocusMoveBetweenTopLevelWindowsInOrder) {
  HWND a = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100);
  HWND b = Recording(WS_POPUP | WS_VISIBLE, nullptr, 200, 0, 100, 100);
  HWND bChild = Recording(WS_CHILD | WS_VISIBLE, b, 0, 0, 50, 50);
  Pump();
  EXPECT_EQ(wm::GetActiveWindow(), b);
  log.clear();
  wm::SetFocus(a);
  EXPECT_EQ(wm::GetActiveWindow(), a);
  EXPECT_EQ(wm::GetFocus(), a);
  const auto order = Of({WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS});
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], (std::pair<HWND, UINT>{b, WM_ACTIVATE}));  // the old one is deactivated first
  EXPECT_EQ(order.back(), (std::pair<HWND, UINT>{a, WM_SETFOCUS}));
  wm::SetFocus(bChild);
  EXPECT_EQ(wm::GetActiveWindow(), b);
  // Focus inside a window that hides goes to its top-level window; a disabled window loses it.
  wm::ShowWindow(bChild, SW_HIDE);
  EXPECT_EQ(wm::GetFocus(), b);
  wm::EnableWindow(b, false);
  EXPECT_EQ(wm::GetFocus(), nullptr);
  EXPECT_EQ(wm::SetFocus(b), nullptr);  // refused
  EXPECT_EQ(wm::GetFocus(), nullptr);
  wm::EnableWindow(b, true);
  // Destroying the active window activates another.
  wm::DestroyWindow(b);
  EXPECT_EQ(wm::GetActiveWindow(), a);
}

TEST_F(WindowManagerTest, BordersAndACustomNonClientSizeShapeTheClientArea) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 300, 200);
  HWND edged = wm::CreateWindowEx(WS_EX_CLIENTEDGE, "", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL, 0, 0, 100, 80, top, 0);
  RECT r;
  wm::GetClientRect(edged, r);
  EXPECT_EQ(r, (RECT{0, 0, 96, 76 - 17}));
  EXPECT_EQ(wm::SendMessage(edged, WM_NCHITTEST, 0, MAKELPARAM(1, 1)), HTBORDER);
  EXPECT_EQ(wm::SendMessage(edged, WM_NCHITTEST, 0, MAKELPARAM(50, 70)), HTHSCROLL);
  // A window that shrinks its client area by one more pixel each side (a flat border).
  WNDPROC flat = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    const LRESULT res = wm::DefWindowProc(h, m, w, l);
    if (m == WM_NCCALCSIZE) {
      auto* rect = reinterpret_cast<RECT*>(l);
      *rect = lab::InflateRect(*rect, -1, -1);
    }
    return res;
  };
  HWND framed = wm::CreateWindowEx(0, "", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 110, 0, 100, 80, top, 0,
                                   nullptr, &flat);
  wm::GetClientRect(framed, r);
  EXPECT_EQ(r, (RECT{0, 0, 96, 76}));
  POINT origin{0, 0};
  wm::MapWindowPoints(framed, top, &origin, 1);
  EXPECT_EQ(origin, (POINT{112, 2}));
  // Turning a bar on afterwards needs the frame recomputed.
  wm::ShowScrollBar(framed, SB_VERT, true);
  wm::GetClientRect(framed, r);
  EXPECT_EQ(r, (RECT{0, 0, 96 - 17, 76}));
}

TEST_F(WindowManagerTest, EraseComesBeforePaintAndPaintStructSaysWhetherItWasDone) {
  bool eraseAnswer = false;
  std::vector<std::string> seen;
  WNDPROC proc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_ERASEBKGND) {
      seen.push_back("erase");
      return eraseAnswer ? 1 : 0;
    }
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      wm::BeginPaint(h, ps);
      seen.push_back(std::string("paint ") + (ps.fErase ? "erase-left" : "erased") + " " +
                     std::to_string(ps.rcPaint.Width()));
      wm::EndPaint(h, ps);
      return 0;
    }
    return wm::DefWindowProc(h, m, w, l);
  };
  HWND h = wm::CreateWindowEx(0, "", "", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, 0, nullptr, &proc);
  Pump();
  seen.clear();
  const RECT part{0, 0, 10, 10};
  wm::InvalidateRect(h, &part, true);
  Pump();
  eraseAnswer = true;
  wm::InvalidateRect(h, nullptr, true);
  Pump();
  wm::InvalidateRect(h, &part, false);  // no erase asked
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"erase", "paint erase-left 10", "erase", "paint erased 60",
                                            "paint erased 10"}));
  wm::DestroyWindow(h);
}

TEST_F(WindowManagerTest, ScrollingMovesPendingInvalidPartsAndHonoursTheClip) {
  HWND h = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100);
  Pump();
  const RECT pending{0, 20, 100, 30};
  wm::InvalidateRect(h, &pending, false);
  RECT exposed;
  const RECT clip{0, 0, 100, 50};  // only the top half changes
  wm::ScrollWindowEx(h, 0, -10, nullptr, &clip, nullptr, &exposed, SW_INVALIDATE);
  EXPECT_EQ(exposed, (RECT{0, 40, 100, 50}));
  RECT update;
  wm::GetUpdateRect(h, &update, false);
  // The pending band moved up with the pixels: 10..20, and the exposed 40..50 joined it.
  EXPECT_EQ(update, (RECT{0, 10, 100, 50}));
  HRGN region = new TGdiRegion;
  wm::GetUpdateRgn(h, region, false);
  EXPECT_FALSE(region->Region().Contains(POINT{5, 25}));
  EXPECT_TRUE(region->Region().Contains(POINT{5, 15}));
  EXPECT_TRUE(region->Region().Contains(POINT{5, 45}));
  region->Release();
  // A pending part outside the clip holds pixels that did not move: it stays where it is.
  Pump();
  const RECT below{0, 60, 100, 100};
  wm::InvalidateRect(h, &below, false);
  wm::ScrollWindowEx(h, 0, -10, nullptr, &clip, nullptr, nullptr, SW_INVALIDATE);
  wm::GetUpdateRect(h, &update, false);
  EXPECT_EQ(update, (RECT{0, 40, 100, 100}));
  region = new TGdiRegion;
  wm::GetUpdateRgn(h, region, false);
  EXPECT_TRUE(region->Region().Contains(POINT{5, 95}));
  EXPECT_FALSE(region->Region().Contains(POINT{5, 55}));
  region->Release();
}

TEST_F(WindowManagerTest, UpdateWindowPaintsAtOnceFrameFirst) {
  HWND h = Recording(WS_POPUP | WS_VISIBLE | WS_BORDER, nullptr, 0, 0, 50, 50);
  Pump();
  log.clear();
  wm::SetWindowPos(h, nullptr, 0, 0, 60, 60, SWP_NOMOVE | SWP_NOZORDER);
  wm::UpdateWindow(h);
  EXPECT_EQ(Only({WM_NCPAINT, WM_PAINT}), (std::vector<UINT>{WM_NCPAINT, WM_PAINT}));
  EXPECT_EQ(Pump(), 0);
}

TEST_F(WindowManagerTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  HWND mine = Recording();
  Pump();
  std::atomic<HWND> theirs{nullptr};
  std::atomic<bool> stop{false};
  LRESULT answerFromMe = 0;
  std::thread other([&] {
    WNDPROC proc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      // Asked by the main thread, it asks the main thread in turn before answering.
      if (m == WM_USER + 1) return 100 + wm::SendMessage(mine, WM_GETTEXTLENGTH, 0, 0);
      return wm::DefWindowProc(h, m, w, l);
    };
    theirs = wm::CreateWindowEx(0, "", "", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr, &proc);
    MSG m;
    while (!stop) {
      wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE);
      std::this_thread::yield();
    }
    wm::DestroyWindow(theirs);
  });
  while (!theirs) std::this_thread::yield();
  wm::SetWindowText(mine, "four");
  answerFromMe = wm::SendMessage(theirs, WM_USER + 1, 0, 0);
  stop = true;
  other.join();
  EXPECT_EQ(answerFromMe, 104);
}

TEST_F(WindowManagerTest, AQuitDuringAScrollBarPressEndsThePressAndStaysQueued) {
  HWND h = Recording(WS_POPUP | WS_VISIBLE | WS_VSCROLL, nullptr, 0, 0, 200, 100);
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMax = 99;
  wm::SetScrollInfo(h, SB_VERT, si, true);
  Pump();
  wm::PostQuitMessage(5);
  input::MouseMove(POINT{192, 95});
  input::MouseButton(VK_LBUTTON, true, POINT{192, 95});
  MSG m;
  int quits = 0;
  while (wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      ++quits;
      EXPECT_EQ(m.wParam, 5u);
      continue;
    }
    wm::DispatchMessage(m);
  }
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(wm::GetCapture(), nullptr);
  input::MouseButton(VK_LBUTTON, false, POINT{192, 95});
  Pump();
}

}  // namespace
}  // namespace lab::testing
