#include "platform/controls/input.h"

#include <array>
#include <cstdlib>

#include "platform/controls/clock.h"
#include "platform/controls/drop_files.h"
#include "platform/controls/backend.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"
#include "platform/graphics/system_metrics.h"

namespace lab {

using namespace lab::win;

namespace {

struct KeyStates {
  std::array<std::uint8_t, 256> sync{};   // as of the input last retrieved
  std::array<std::uint8_t, 256> async{};  // as of the input last handed in
  POINT cursor{};                         // async pointer position
  POINT messagePos{};                     // pointer of the last retrieved input
  UINT doubleClickTime = 500;
  // The last button press, for double clicks.
  UINT lastButton = 0;
  HWND lastWindow = nullptr;
  bool lastClient = false;
  std::uint64_t lastTime = 0;
  POINT lastPoint{};
};

KeyStates& K() {
  static KeyStates* k = new KeyStates;
  return *k;
}

// Left and right variants also move the generic key; messages carry the generic one.
UINT GenericKey(UINT vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

void SetKey(std::array<std::uint8_t, 256>& state, UINT vk, bool down) {
  auto set = [&](UINT k) {
    k &= 0xFF;
    if (down) {
      if (!(state[k] & 0x80)) state[k] ^= 0x01;  // toggles on each fresh press
      state[k] |= 0x80;
    } else {
      state[k] &= ~0x80;
    }
  };
  set(vk);
  const UINT generic = GenericKey(vk);
  if (generic == vk) return;
  if (down) {
    set(generic);
  } else {
    // The generic key stays down while the other side still is.
    UINT other = 0;
    switch (vk) {
      case VK_LSHIFT: other = VK_RSHIFT; break;
      case VK_RSHIFT: other = VK_LSHIFT; break;
      case VK_LCONTROL: other = VK_RCONTROL; break;
      case VK_RCONTROL: other = VK_LCONTROL; break;
      case VK_LMENU: other = VK_RMENU; break;
      case VK_RMENU: other = VK_LMENU; break;
    }
    if (!(state[other] & 0x80)) set(generic);
  }
}

bool Down(const std::array<std::uint8_t, 256>& state, UINT vk) { return (state[vk & 0xFF] & 0x80) != 0; }

WPARAM MouseKeyFlags(const std::array<std::uint8_t, 256>& s) {
  WPARAM f = 0;
  if (Down(s, VK_LBUTTON)) f |= MK_LBUTTON;
  if (Down(s, VK_RBUTTON)) f |= MK_RBUTTON;
  if (Down(s, VK_MBUTTON)) f |= MK_MBUTTON;
  if (Down(s, VK_SHIFT)) f |= MK_SHIFT;
  if (Down(s, VK_CONTROL)) f |= MK_CONTROL;
  return f;
}

// The queue that should receive input meant for `target` (or, without one, for some window).
std::shared_ptr<wm::ThreadQueue> QueueForLocked(HWND target) {
  if (wm::Window* w = wm::FindLocked(target)) return w->queue;
  for (HWND t : wm::S().topLevels)
    if (wm::Window* w = wm::FindLocked(t); w && w->Visible()) return w->queue;
  return nullptr;
}

void Enqueue(wm::InputEvent event, bool keyboard) {
  event.time = static_cast<DWORD>(ClockMilliseconds());
  std::shared_ptr<wm::ThreadQueue> q;
  {
    std::lock_guard lock(wm::S().mutex);
    auto& k = K();
    switch (event.kind) {
      case wm::InputEvent::Kind::KeyDown: SetKey(k.async, event.vk, true); break;
      case wm::InputEvent::Kind::KeyUp: SetKey(k.async, event.vk, false); break;
      case wm::InputEvent::Kind::ButtonDown: SetKey(k.async, event.vk, true); break;
      case wm::InputEvent::Kind::ButtonUp: SetKey(k.async, event.vk, false); break;
      default: break;
    }
    if (!keyboard && event.kind <= wm::InputEvent::Kind::Wheel) k.cursor = event.pt;
    HWND target = nullptr;
    if (event.window) {
      target = event.window;
    } else if (keyboard) {
      target = wm::S().focus ? wm::S().focus : wm::S().active;
    } else {
      target = wm::S().capture;
      if (!target) {
        for (HWND t : wm::S().topLevels) {
          wm::Window* w = wm::FindLocked(t);
          if (w && w->Visible() && w->rect.Contains(event.pt)) {
            target = t;
            break;
          }
        }
      }
    }
    q = QueueForLocked(target);
  }
  if (!q) return;
  std::lock_guard lock(q->mutex);
  if (q->dead) return;
  if (event.kind == wm::InputEvent::Kind::MouseMove && !q->input.empty() &&
      q->input.back().kind == wm::InputEvent::Kind::MouseMove) {
    event.seq = q->input.back().seq;
    q->input.back() = event;  // moves not yet seen merge into the latest one
  } else {
    event.seq = q->nextInputSeq++;
    q->input.push_back(event);
  }
  q->WakeLocked();
}

}  // namespace

namespace win {

SHORT GetKeyState(int vk) {
  std::lock_guard lock(wm::S().mutex);
  const std::uint8_t s = K().sync[static_cast<std::size_t>(vk) & 0xFF];
  return static_cast<SHORT>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  std::lock_guard lock(wm::S().mutex);
  const std::uint8_t s = K().async[static_cast<std::size_t>(vk) & 0xFF];
  return static_cast<SHORT>((s & 0x80) ? 0x8000 : 0);
}

bool GetCursorPos(POINT& p) {
  std::lock_guard lock(wm::S().mutex);
  p = K().cursor;
  return true;
}

POINT GetMessagePos() {
  std::lock_guard lock(wm::S().mutex);
  return K().messagePos;
}

UINT GetDoubleClickTime() {
  std::lock_guard lock(wm::S().mutex);
  return K().doubleClickTime;
}

bool SetDoubleClickTime(UINT ms) {
  std::lock_guard lock(wm::S().mutex);
  K().doubleClickTime = ms ? ms : 500;
  return true;
}

}  // namespace win

namespace input {

void KeyDown(UINT vk, char32_t ch, UINT scanCode, bool extended) {
  wm::InputEvent e;
  e.kind = wm::InputEvent::Kind::KeyDown;
  e.vk = vk;
  e.ch = ch;
  e.scanCode = scanCode;
  e.extended = extended;
  Enqueue(e, true);
}

void KeyUp(UINT vk, UINT scanCode, bool extended) {
  wm::InputEvent e;
  e.kind = wm::InputEvent::Kind::KeyUp;
  e.vk = vk;
  e.scanCode = scanCode;
  e.extended = extended;
  Enqueue(e, true);
}

void MouseMove(POINT screen, HWND topLevel) {
  wm::InputEvent e;
  e.kind = wm::InputEvent::Kind::MouseMove;
  e.pt = screen;
  e.window = topLevel;
  Enqueue(e, false);
}

void MouseButton(UINT button, bool down, POINT screen, HWND topLevel) {
  wm::InputEvent e;
  e.kind = down ? wm::InputEvent::Kind::ButtonDown : wm::InputEvent::Kind::ButtonUp;
  e.vk = button;
  e.pt = screen;
  e.window = topLevel;
  Enqueue(e, false);
}

void MouseWheel(int delta, POINT screen, HWND topLevel) {
  wm::InputEvent e;
  e.kind = wm::InputEvent::Kind::Wheel;
  e.wheelDelta = delta;
  e.pt = screen;
  e.window = topLevel;
  Enqueue(e, false);
}

namespace {
// What a display reports of a top-level window.
wm::InputEvent DisplayReport(wm::InputEvent::Kind kind, HWND window) {
  wm::InputEvent e;
  e.kind = kind;
  e.window = window;
  return e;
}
}  // namespace

void WindowConfigured(HWND window, RECT screen) {
  wm::InputEvent e = DisplayReport(wm::InputEvent::Kind::Configure, window);
  e.rect = screen;
  Enqueue(e, false);
}

void WindowCloseRequested(HWND window) { Enqueue(DisplayReport(wm::InputEvent::Kind::Close, window), false); }

void WindowActivated(HWND window) { Enqueue(DisplayReport(wm::InputEvent::Kind::Activate, window), false); }

void WindowStateChanged(HWND window, WPARAM state) {
  wm::InputEvent e = DisplayReport(wm::InputEvent::Kind::ShowState, window);
  e.state = state;
  Enqueue(e, false);
}

void FilesDropped(HWND window, POINT screen, std::vector<std::string> paths) {
  wm::InputEvent e = DisplayReport(wm::InputEvent::Kind::DropFiles, window);
  e.pt = screen;
  e.files = std::make_shared<const std::vector<std::string>>(std::move(paths));
  Enqueue(e, false);
}

}  // namespace input

namespace wm {

namespace {

bool KeyMessage(const InputEvent& e, MSG& msg) {
  HWND target;
  bool alt, ctrl, wasDown;
  {
    std::lock_guard lock(S().mutex);
    target = S().focus ? S().focus : S().active;
    alt = Down(K().sync, VK_MENU);
    ctrl = Down(K().sync, VK_CONTROL);
    wasDown = Down(K().sync, e.vk);
  }
  if (!target) return false;
  const bool down = e.kind == InputEvent::Kind::KeyDown;
  const UINT vk = GenericKey(e.vk);
  if (vk == VK_MENU) alt = true;
  // Alt without Ctrl makes system keys (Ctrl+Alt is AltGr, which types); so does F10.
  const bool sys = (alt && !ctrl) || vk == VK_F10;
  msg.hwnd = target;
  msg.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  msg.wParam = vk;
  LPARAM lp = 1 | (LPARAM(e.scanCode & 0xFF) << 16);
  if (e.extended) lp |= KF_EXTENDED_BIT;
  if (alt) lp |= KF_ALTDOWN_BIT;
  if (down ? wasDown : true) lp |= KF_REPEAT_BIT;
  if (!down) lp |= KF_UP_BIT;
  msg.lParam = lp;
  return true;
}

UINT ButtonMessage(UINT button, bool down, bool dbl) {
  UINT base = button == VK_RBUTTON ? WM_RBUTTONDOWN : button == VK_MBUTTON ? WM_MBUTTONDOWN
                                                                           : WM_LBUTTONDOWN;
  if (!down) return base + 1;
  return dbl ? base + 2 : base;
}

// The window a mouse event is over: in the top-level window the display delivered it to, else the
// one under the point in the program's stacking order.
HWND PointTarget(const InputEvent& e) {
  if (e.window) return WindowFromPointIn(e.window, e.pt);
  return WindowFromPoint(e.pt);
}

bool MouseMessage(const InputEvent& e, MSG& msg) {
  HWND capture;
  std::array<std::uint8_t, 256> state;
  {
    std::lock_guard lock(S().mutex);
    capture = S().capture;
    state = K().sync;
  }
  if (e.kind == InputEvent::Kind::ButtonDown) SetKey(state, e.vk, true);
  if (e.kind == InputEvent::Kind::ButtonUp) SetKey(state, e.vk, false);
  const WPARAM keys = MouseKeyFlags(state);

  if (e.kind == InputEvent::Kind::Wheel) {
    // The focused window takes the wheel, or, on a display whose programs scroll what the pointer is
    // over, the window capturing the mouse or the one under the pointer (unless a modal one is up).
    HWND target = nullptr;
    if (Backend().WheelFollowsPointer()) {
      target = capture ? capture : PointTarget(e);
      if (target && !IsWindowEnabled(GetTopLevel(target))) return false;
    }
    if (!target) target = GetFocus();
    if (!target) target = WindowFromPoint(e.pt);
    if (!target) return false;
    msg.hwnd = target;
    msg.message = WM_MOUSEWHEEL;
    msg.wParam = MAKEWPARAM(static_cast<WORD>(keys), static_cast<WORD>(e.wheelDelta));
    msg.lParam = MAKELPARAM(e.pt.X, e.pt.Y);
    return true;
  }

  HWND target = capture;
  LRESULT hit = HTCLIENT;
  // A window behind a modal one takes no mouse input, even one that held the mouse.
  const auto refused = [&](HWND top) {
    if (IsWindowEnabled(top)) return false;
    if (e.kind == InputEvent::Kind::ButtonDown) Backend().Beep();
    return true;
  };
  if (target && refused(GetTopLevel(target))) return false;
  if (!target) {
    target = PointTarget(e);
    if (!target) return false;
    HWND top = GetTopLevel(target);
    if (refused(top)) return false;
    hit = SendMessage(target, WM_NCHITTEST, 0, MAKELPARAM(e.pt.X, e.pt.Y));
    if (!IsWindow(target)) return false;
    if (e.kind != InputEvent::Kind::ButtonUp) {
      const UINT mouseMsg = e.kind == InputEvent::Kind::MouseMove ? WM_MOUSEMOVE
                                                                  : ButtonMessage(e.vk, true, false);
      SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                  MAKELPARAM(static_cast<int>(hit), static_cast<int>(mouseMsg)));
      if (!IsWindow(target)) return false;
    }
    if (e.kind == InputEvent::Kind::ButtonDown && top && GetActiveWindow() != top) {
      const LRESULT how = SendMessage(top, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                      MAKELPARAM(static_cast<int>(hit), WM_LBUTTONDOWN));
      if (how != MA_NOACTIVATE && how != 4 /*MA_NOACTIVATEANDEAT*/) SetActiveWindow(top);
      if (!IsWindow(target)) return false;
    }
  }
  const bool client = hit == HTCLIENT || capture;
  msg.hwnd = target;
  POINT local = e.pt;
  if (client) ScreenToClient(target, local);

  bool dbl = false;
  if (e.kind == InputEvent::Kind::ButtonDown) {
    bool classWantsDouble = true;
    {
      std::lock_guard lock(S().mutex);
      Window* w = FindLocked(target);
      if (client && w && !(w->classStyle & CS_DBLCLKS)) classWantsDouble = false;
      auto& k = K();
      // The rectangle around the first click inside which a second one makes a double click.
      const int halfW = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
      const int halfH = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
      dbl = classWantsDouble && k.lastButton == e.vk && k.lastWindow == target &&
            k.lastClient == client && e.time - k.lastTime <= k.doubleClickTime &&
            std::abs(e.pt.X - k.lastPoint.X) <= halfW && std::abs(e.pt.Y - k.lastPoint.Y) <= halfH;
    }
  }
  switch (e.kind) {
    case InputEvent::Kind::MouseMove: msg.message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE; break;
    case InputEvent::Kind::ButtonDown:
    case InputEvent::Kind::ButtonUp: {
      const UINT m = ButtonMessage(e.vk, e.kind == InputEvent::Kind::ButtonDown, dbl);
      msg.message = client ? m : m - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
      break;
    }
    default: return false;
  }
  msg.wParam = client ? keys : static_cast<WPARAM>(hit);
  msg.lParam = MAKELPARAM(local.X, local.Y);
  return true;
}

}  // namespace

namespace {

// A display's report about a top-level window, applied on its thread. Only a close request
// becomes a message.
bool WindowReport(const InputEvent& e, MSG& msg) {
  switch (e.kind) {
    case InputEvent::Kind::Configure: {
      bool moved, sized;
      {
        std::lock_guard lock(S().mutex);
        Window* w = FindLocked(e.window);
        if (!w || w->IsChild()) return false;
        moved = w->rect.Left != e.rect.Left || w->rect.Top != e.rect.Top;
        sized = w->rect.Width() != e.rect.Width() || w->rect.Height() != e.rect.Height();
        w->rect = e.rect;
        if (sized) ResizeSurfaceLocked(w);
      }
      if (sized) FrameChanged(e.window);
      if (moved) {
        POINT origin{0, 0};
        MapWindowPoints(e.window, nullptr, &origin, 1);
        SendMessage(e.window, WM_MOVE, 0, MAKELPARAM(origin.X, origin.Y));
      }
      return false;
    }
    case InputEvent::Kind::Close:
      // A hidden window takes no close request. A disabled one (under a modal window) gets it and
      // decides: the window a modal form was opened over closes, a plain window ignores it.
      if (!IsWindow(e.window) || !IsWindowVisible(e.window)) return false;
      msg.hwnd = e.window;
      msg.message = WM_SYSCOMMAND;
      msg.wParam = SC_CLOSE;
      return true;
    case InputEvent::Kind::Activate:
      if (IsWindow(e.window) && IsWindowEnabled(e.window)) SetActiveWindow(e.window);
      return false;
    case InputEvent::Kind::ShowState:
      TakeShowState(e.window, e.state, false);
      return false;
    case InputEvent::Kind::DropFiles: {
      // The window under the point that takes files, or the nearest of its parents that does.
      if (!IsWindow(e.window) || !IsWindowEnabled(e.window) || !e.files) return false;
      HWND target = WindowFromPoint(e.pt);
      if (!target || GetTopLevel(target) != e.window) target = e.window;
      while (target && !(GetWindowLongPtr(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        target = target == e.window ? nullptr : GetParent(target);
      if (!target) return false;
      POINT local = e.pt;
      ScreenToClient(target, local);
      RECT client{};
      GetClientRect(target, client);
      msg.hwnd = target;
      msg.message = WM_DROPFILES;
      msg.wParam = reinterpret_cast<WPARAM>(NewDropHandle(*e.files, local, client.Contains(local)));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool MessageFromInput(const InputEvent& event, MSG& msg, ThreadQueue&) {
  msg = MSG{};
  msg.time = event.time;
  msg.pt = event.pt;
  if (event.kind >= InputEvent::Kind::Configure) return WindowReport(event, msg);
  return (event.kind == InputEvent::Kind::KeyDown || event.kind == InputEvent::Kind::KeyUp)
             ? KeyMessage(event, msg)
             : MouseMessage(event, msg);
}

void NoteInputRetrieved(const InputEvent& event, const MSG* msg) {
  std::lock_guard lock(S().mutex);
  auto& k = K();
  if (msg && event.kind == InputEvent::Kind::ButtonDown) {
    // A press that made a double click does not start another one.
    const UINT m = msg->message;
    const bool dbl = m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK ||
                     m == WM_NCLBUTTONDBLCLK || m == WM_NCRBUTTONDBLCLK || m == WM_NCMBUTTONDBLCLK;
    k.lastButton = dbl ? 0 : event.vk;
    k.lastWindow = msg->hwnd;
    k.lastClient = m >= WM_MOUSEFIRST;
    k.lastTime = event.time;
    k.lastPoint = event.pt;
  }
  switch (event.kind) {
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::ButtonDown: SetKey(k.sync, event.vk, true); break;
    case InputEvent::Kind::KeyUp:
    case InputEvent::Kind::ButtonUp: SetKey(k.sync, event.vk, false); break;
    default: break;
  }
  if (event.kind != InputEvent::Kind::KeyDown && event.kind != InputEvent::Kind::KeyUp)
    k.messagePos = event.pt;
}

void ForgetWindowLocked(HWND hwnd) {
  if (K().lastWindow == hwnd) K().lastWindow = nullptr;
  ForgetCaretLocked(hwnd);
}

}  // namespace wm

}  // namespace lab
