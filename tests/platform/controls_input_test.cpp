// Keyboard and mouse input as messages: order, system keys, key state, double clicks, capture.

#include <algorithm>

#include "controls_fixture.h"
#include "platform/controls/input.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class InputTest : public ControlsTest {
 protected:
  HWND Focused() {
    HWND h = Recording();
    Pump();
    wm::SetFocus(h);
    log.clear();
    return h;
  }
  // The key and character messages of the log with their WParam.
  std::vector<std::pair<UINT, WPARAM>> Keys() const {
    std::vector<std::pair<UINT, WPARAM>> out;
    for (const Received& r : log)
      if (r.msg >= WM_KEYFIRST && r.msg <= WM_KEYLAST) out.emplace_back(r.msg, r.wParam);
    return out;
  }
};

TEST_F(InputTest, AKeyPressGivesDownThenCharacterThenUp) {
  Focused();
  headless::PressKey('A');
  headless::TypeText("b");
  Pump();
  EXPECT_EQ(Keys(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'A'},
                                                           {WM_CHAR, 'a'},
                                                           {WM_KEYUP, 'A'},
                                                           {WM_KEYDOWN, 'B'},
                                                           {WM_CHAR, 'b'},
                                                           {WM_KEYUP, 'B'}}));
  // Repeat and transition bits of the key data.
  EXPECT_EQ(log.front().lParam & KF_UP_BIT, 0);
  EXPECT_EQ(log.front().lParam & KF_REPEAT_BIT, 0);
}

TEST_F(InputTest, ShiftedAndInputMethodCharacters) {
  Focused();
  headless::TypeText("A\xE2\x82\xAC");  // "A€": the euro sign has no key, it comes committed
  Pump();
  std::vector<WPARAM> chars;
  for (const Received& r : log)
    if (r.msg == WM_CHAR) chars.push_back(r.wParam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'A', 0x20AC}));
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(InputTest, AltMakesSystemKeysButAltGrStillTypes) {
  Focused();
  headless::PressKey('F', false, false, true);
  Pump();
  EXPECT_EQ(Keys(), (std::vector<std::pair<UINT, WPARAM>>{{WM_SYSKEYDOWN, VK_MENU},
                                                           {WM_SYSKEYDOWN, 'F'},
                                                           {WM_SYSCHAR, 'f'},
                                                           {WM_SYSKEYUP, 'F'},
                                                           {WM_SYSKEYUP, VK_MENU}}));
  for (const Received& r : log) {
    if (r.msg == WM_SYSKEYDOWN) {
      EXPECT_NE(r.lParam & KF_ALTDOWN_BIT, 0);
    }
  }

  // AltGr comes as Ctrl+Alt and types its character.
  log.clear();
  input::KeyDown(VK_CONTROL);
  input::KeyDown(VK_MENU);
  input::KeyDown('E', 0x20AC);
  input::KeyUp('E');
  input::KeyUp(VK_MENU);
  input::KeyUp(VK_CONTROL);
  Pump();
  std::vector<UINT> chars = Only({WM_CHAR, WM_SYSCHAR});
  EXPECT_EQ(chars, (std::vector<UINT>{WM_CHAR}));
}

TEST_F(InputTest, KeyStateFollowsRetrievalAndAsyncStateFollowsArrival) {
  Focused();
  input::KeyDown(VK_LSHIFT);
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);  // not yet retrieved
  Pump();
  EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_NE(GetKeyState(VK_LSHIFT) & 0x8000, 0);
  EXPECT_EQ(Keys().front(), (std::pair<UINT, WPARAM>{WM_KEYDOWN, VK_SHIFT}));  // the generic key
  input::KeyUp(VK_LSHIFT);
  Pump();
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  // Toggle keys flip their low bit on each press.
  const SHORT before = GetKeyState(VK_CAPITAL) & 1;
  headless::PressKey(VK_CAPITAL);
  Pump();
  EXPECT_NE(GetKeyState(VK_CAPITAL) & 1, before);
  headless::PressKey(VK_CAPITAL);
  Pump();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, before);
}

TEST_F(InputTest, DoubleClickNeedsTheClassStyleTimeAndDistance) {
  wm::WNDCLASS wc;
  wc.lpszClassName = "DoubleClicks";
  wc.style = CS_DBLCLKS;
  wm::RegisterClass(wc);
  HWND dbl = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100, "DoubleClicks");
  HWND plain = Recording(WS_POPUP | WS_VISIBLE, nullptr, 300, 0, 100, 100);
  Pump();
  log.clear();
  headless::Click(dbl, 10, 10);
  clock.Advance(100);
  headless::Click(dbl, 11, 11);  // within the time and the distance
  clock.Advance(100);
  headless::Click(dbl, 11, 11);  // a third click starts over
  Pump();
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}, dbl),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));

  log.clear();
  clock.Advance(1000);
  headless::Click(dbl, 10, 10);
  clock.Advance(GetDoubleClickTime() + 1);  // too late
  headless::Click(dbl, 10, 10);
  clock.Advance(10);
  headless::Click(dbl, 20, 10);  // too far
  Pump();
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}, dbl),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN}));

  log.clear();
  clock.Advance(1000);
  headless::Click(plain, 10, 10);
  clock.Advance(10);
  headless::Click(plain, 10, 10);  // the class does not want double clicks
  Pump();
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}, plain),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST_F(InputTest, MouseMessagesCarryClientPointsAndKeyFlags) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 100, 100, 300, 200);
  HWND child = Recording(WS_CHILD | WS_VISIBLE, top, 50, 40, 100, 80);
  Pump();
  log.clear();
  input::KeyDown(VK_CONTROL);
  headless::MouseDown(child, 5, 6);
  headless::MouseUp(child, 5, 6);
  input::KeyUp(VK_CONTROL);
  Pump();
  const Received* down = nullptr;
  const Received* up = nullptr;
  for (const Received& r : log) {
    if (r.msg == WM_LBUTTONDOWN) down = &r;
    if (r.msg == WM_LBUTTONUP) up = &r;
  }
  ASSERT_TRUE(down && up);
  EXPECT_EQ(down->hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 6);
  EXPECT_EQ(down->wParam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(up->wParam, MK_CONTROL);
  // WM_SETCURSOR comes before the press, with the hit-test code and the mouse message.
  std::vector<UINT> seq = Only({WM_SETCURSOR, WM_LBUTTONDOWN}, child);
  auto press = std::find(seq.begin(), seq.end(), WM_LBUTTONDOWN);
  ASSERT_TRUE(press != seq.end() && press != seq.begin());
  EXPECT_EQ(*(press - 1), static_cast<UINT>(WM_SETCURSOR));
}

TEST_F(InputTest, CaptureKeepsMouseMessagesOnTheCapturingWindow) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 400, 200);
  HWND a = Recording(WS_CHILD | WS_VISIBLE, top, 0, 0, 100, 100);
  HWND b = Recording(WS_CHILD | WS_VISIBLE, top, 200, 0, 100, 100);
  Pump();
  wm::SetCapture(a);
  log.clear();
  headless::MoveMouse(b, 10, 10);
  headless::Click(b, 10, 10);
  Pump();
  EXPECT_TRUE(Only({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}, b).empty());
  const auto onA = Only({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}, a);
  EXPECT_FALSE(onA.empty());
  for (const Received& r : log) {
    if (r.hwnd == a && r.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(GET_X_LPARAM(r.lParam), 210);
    }
  }

  // Releasing tells the window that lost it; then the mouse goes where it points again.
  log.clear();
  wm::ReleaseCapture();
  EXPECT_EQ(Only({WM_CAPTURECHANGED}, a).size(), 1u);
  headless::Click(b, 10, 10);
  Pump();
  EXPECT_EQ(Only({WM_LBUTTONDOWN}, b).size(), 1u);
}

TEST_F(InputTest, DisabledWindowsTakeNoClicks) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 400, 200);
  HWND child = Recording(WS_CHILD | WS_VISIBLE, top, 0, 0, 100, 100);
  Pump();
  wm::EnableWindow(child, false);
  log.clear();
  headless::Click(child, 10, 10);
  Pump();
  EXPECT_TRUE(Only({WM_LBUTTONDOWN}, child).empty());
  EXPECT_EQ(Only({WM_LBUTTONDOWN}, top).size(), 1u);  // the point belongs to the parent

  wm::EnableWindow(top, false);  // as under a modal window
  log.clear();
  auto& backend = static_cast<THeadlessBackend&>(Backend());
  const int beeps = backend.Beeps();
  headless::Click(top, 150, 10);
  Pump();
  EXPECT_TRUE(Only({WM_LBUTTONDOWN}).empty());
  EXPECT_EQ(backend.Beeps(), beeps + 1);
}

TEST_F(InputTest, AWindowShownTakesPressesAtOnceAndOneAModalLoopDisabledTakesNone) {
  HWND back = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 300, 200);
  HWND front = Recording(WS_POPUP, nullptr, 100, 0, 300, 200);
  Pump();
  wm::ShowWindow(front, SW_SHOWNA);  // as a dialog shows before it is activated
  log.clear();
  headless::Click(back, 150, 10);
  Pump();
  EXPECT_EQ(Only({WM_LBUTTONDOWN}, front).size(), 1u);
  EXPECT_TRUE(Only({WM_LBUTTONDOWN}, back).empty());

  // Disabling the window that holds the mouse takes the mouse from it, and a disabled window that
  // takes it still gets nothing.
  wm::SetCapture(front);
  wm::EnableWindow(front, false);
  EXPECT_EQ(wm::GetCapture(), nullptr);
  wm::SetCapture(front);
  log.clear();
  headless::Click(back, 20, 10);
  Pump();
  EXPECT_TRUE(Only({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
}

TEST_F(InputTest, WheelGoesToTheFocusWindow) {
  HWND top = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 400, 200);
  HWND a = Recording(WS_CHILD | WS_VISIBLE, top, 0, 0, 100, 100);
  HWND b = Recording(WS_CHILD | WS_VISIBLE, top, 200, 0, 100, 100);
  Pump();
  wm::SetFocus(a);
  log.clear();
  headless::Wheel(b, 5, 5, -WHEEL_DELTA);
  Pump();
  ASSERT_EQ(Only({WM_MOUSEWHEEL}, a).size(), 1u);
  for (const Received& r : log) {
    if (r.hwnd == a && r.msg == WM_MOUSEWHEEL) {
      EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(r.wParam), -120);
    }
  }
  // The default handling passes it on to the parent.
  EXPECT_EQ(Only({WM_MOUSEWHEEL}, top).size(), 1u);
}

}  // namespace
}  // namespace lab::testing
