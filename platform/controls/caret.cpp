#include "platform/controls/caret.h"

#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

constexpr UINT_PTR kCaretTimer = 0xFFF1;

struct CaretState {
  HWND hwnd = nullptr;
  int width = 0, height = 0;
  POINT pos{};
  int hideCount = 1;      // created hidden
  bool drawn = false;     // its pixels are inverted now
  int suspended = 0;      // nesting of painting that took it off
  UINT blinkTime = 530;
};

CaretState& C() {
  static CaretState* c = new CaretState;
  return *c;
}

void Invert(HWND hwnd, const RECT& r) {
  if (r.IsEmpty()) return;
  if (HDC dc = GetDC(hwnd)) {
    dc->InvertRect(r);
    ReleaseDC(hwnd, dc);
  }
}

RECT CaretRectLocked() {
  const CaretState& c = C();
  return RECT{c.pos.X, c.pos.Y, c.pos.X + c.width, c.pos.Y + c.height};
}

// Puts the caret on or off the screen; call without the lock.
void Draw(bool on) {
  HWND hwnd;
  RECT r;
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd || c.drawn == on) return;
    c.drawn = on;
    hwnd = c.hwnd;
    r = CaretRectLocked();
  }
  Invert(hwnd, r);
}

void BlinkProc(HWND hwnd, UINT, UINT_PTR, DWORD) {
  bool show;
  {
    std::lock_guard lock(S().mutex);
    const CaretState& c = C();
    if (c.hwnd != hwnd || c.hideCount > 0 || c.suspended > 0) return;
    show = !c.drawn;
  }
  Draw(show);
}

void RestartBlink(HWND hwnd) {
  SetTimer(hwnd, kCaretTimer, GetCaretBlinkTime(), &BlinkProc);
}

}  // namespace

bool CreateCaret(HWND hwnd, TGdiBitmap* bitmap, int width, int height) {
  if (!IsWindow(hwnd)) return false;
  DestroyCaret();
  if (bitmap) {
    width = bitmap->Width();
    height = bitmap->Height();
  }
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    c.hwnd = hwnd;
    c.width = width > 0 ? width : 1;
    c.height = height > 0 ? height : 1;
    c.pos = POINT{};
    c.hideCount = 1;
    c.drawn = false;
    c.suspended = 0;
  }
  return true;
}

bool DestroyCaret() {
  HWND hwnd;
  {
    std::lock_guard lock(S().mutex);
    hwnd = C().hwnd;
  }
  if (!hwnd) return false;
  Draw(false);
  KillTimer(hwnd, kCaretTimer);
  std::lock_guard lock(S().mutex);
  C().hwnd = nullptr;
  return true;
}

bool ShowCaret(HWND hwnd) {
  HWND owner;
  bool nowVisible = false;
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd || (hwnd && hwnd != c.hwnd)) return false;
    owner = c.hwnd;
    if (c.hideCount > 0 && --c.hideCount == 0) nowVisible = c.suspended == 0;
  }
  if (nowVisible) {
    Draw(true);
    RestartBlink(owner);
  }
  return true;
}

bool HideCaret(HWND hwnd) {
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd || (hwnd && hwnd != c.hwnd)) return false;
    ++c.hideCount;
  }
  Draw(false);
  return true;
}

bool SetCaretPos(int x, int y) {
  bool visible;
  HWND owner;
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd) return false;
    if (c.pos == POINT{x, y}) return true;
    visible = c.hideCount == 0 && c.suspended == 0;
    owner = c.hwnd;
  }
  Draw(false);
  {
    std::lock_guard lock(S().mutex);
    C().pos = POINT{x, y};
  }
  if (visible) {
    // A moved caret shows at once and starts a fresh blink.
    Draw(true);
    RestartBlink(owner);
  }
  return true;
}

bool GetCaretPos(POINT& p) {
  std::lock_guard lock(S().mutex);
  if (!C().hwnd) return false;
  p = C().pos;
  return true;
}

UINT GetCaretBlinkTime() {
  std::lock_guard lock(S().mutex);
  return C().blinkTime;
}

bool SetCaretBlinkTime(UINT ms) {
  std::lock_guard lock(S().mutex);
  C().blinkTime = ms ? ms : 530;
  return true;
}

bool CaretDrawn() {
  std::lock_guard lock(S().mutex);
  return C().hwnd && C().drawn;
}

void SuspendCaret(HWND hwnd) {
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd || c.hwnd != hwnd) return;
    ++c.suspended;
  }
  Draw(false);
}

void ResumeCaret(HWND hwnd) {
  bool show;
  {
    std::lock_guard lock(S().mutex);
    CaretState& c = C();
    if (!c.hwnd || c.hwnd != hwnd || c.suspended == 0) return;
    show = --c.suspended == 0 && c.hideCount == 0;
  }
  if (show) Draw(true);
}

void ForgetCaretLocked(HWND hwnd) {
  if (C().hwnd == hwnd) C() = CaretState{.blinkTime = C().blinkTime};
}

}  // namespace lab::wm
