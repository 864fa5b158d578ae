#include "platform/controls/window_manager.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include <unistd.h>

#include "platform/controls/backend.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

std::string ClassKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

// Back-end calls collected under the lock and made after it is released.
struct Deferred {
  std::vector<std::function<void()>> calls;
  void Add(std::function<void()> f) { calls.push_back(std::move(f)); }
  ~Deferred() {
    for (auto& f : calls) f();
  }
};

void RemoveFromList(std::vector<HWND>& list, HWND h) {
  list.erase(std::remove(list.begin(), list.end(), h), list.end());
}

std::vector<HWND>& SiblingsLocked(Window* w) {
  if (w->IsChild()) return FindLocked(w->parent)->children;
  return S().topLevels;
}

// Places w in its sibling list: at the top, at the bottom, or below `after`.
void ZOrderLocked(Window* w, HWND after) {
  auto& list = SiblingsLocked(w);
  RemoveFromList(list, w->handle);
  if (after == HWND_BOTTOM) {
    list.push_back(w->handle);
    return;
  }
  auto firstNonTopmost = [&] {
    if (w->IsChild()) return list.begin();
    return std::find_if(list.begin(), list.end(), [](HWND h) {
      Window* x = FindLocked(h);
      return !x || !(x->exStyle & WS_EX_TOPMOST);
    });
  };
  if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
  if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    list.insert((w->exStyle & WS_EX_TOPMOST) ? list.begin() : firstNonTopmost(), w->handle);
    return;
  }
  auto it = std::find(list.begin(), list.end(), after);
  list.insert(it == list.end() ? list.end() : it + 1, w->handle);
}

bool IsDescendantLocked(HWND ancestor, HWND h) {
  for (Window* w = FindLocked(h); w; w = w->IsChild() ? FindLocked(w->parent) : nullptr)
    if (w->handle == ancestor) return true;
  return false;
}

// A window the user works in, which may become active when the active one goes: not a hint, menu or
// drop-down (a captionless tool window).
bool ActivatableLocked(Window* w) {
  if (!w || !w->Visible() || w->Disabled() || w->destroying) return false;
  return !((w->exStyle & WS_EX_TOOLWINDOW) && (w->style & WS_CAPTION) != WS_CAPTION);
}

bool VisibleLocked(Window* w) {
  for (; w; w = w->IsChild() ? FindLocked(w->parent) : nullptr)
    if (!w->Visible()) return false;
  return true;
}

void DestroyRecursive(HWND h);

}  // namespace

State& S() {
  // Lives until the process ends: windows may outlive main.
  static State* state = [] {
    auto* s = new State;
    RegisterBuiltinClasses(*s);
    return s;
  }();
  return *state;
}

Window* FindLocked(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto it = S().windows.find(hwnd);
  return it == S().windows.end() ? nullptr : it->second.get();
}

std::shared_ptr<ThreadQueue> QueueOfWindowLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  return w ? w->queue : nullptr;
}

LRESULT CallWindowProcOf(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return 0;
    proc = w->proc;
  }
  if (!proc) return DefWindowProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

bool RegisterClass(const WNDCLASS& wc) {
  if (wc.lpszClassName.empty()) return false;
  std::lock_guard lock(S().mutex);
  S().classes[ClassKey(wc.lpszClassName)] =
      WindowClass{wc.lpszClassName, wc.style, wc.lpfnWndProc, wc.hCursor};
  return true;
}

bool GetClassInfo(std::string_view className, WNDCLASS& out) {
  std::lock_guard lock(S().mutex);
  auto it = S().classes.find(ClassKey(className));
  if (it == S().classes.end()) return false;
  out = WNDCLASS{it->second.style, it->second.proc, it->second.cursor, it->second.name};
  return true;
}

HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR id,
                    void* createParams, const WNDPROC* proc) {
  auto queue = CurrentQueue();
  HWND h;
  TTopLevelInfo topInfo;
  {
    std::lock_guard lock(S().mutex);
    if ((style & WS_CHILD) && !FindLocked(parent)) return nullptr;
    auto w = std::make_unique<Window>();
    h = reinterpret_cast<HWND>(S().nextHandle++);
    w->handle = h;
    w->className = std::string(className);
    auto cls = S().classes.find(ClassKey(className));
    if (cls != S().classes.end()) {
      w->className = cls->second.name;
      w->classStyle = cls->second.style;
      w->proc = cls->second.proc;
      w->cursor = cls->second.cursor;
    }
    if (proc) w->proc = *proc;
    w->style = style & ~WS_VISIBLE;  // shown below, after WM_CREATE
    w->exStyle = exStyle;
    w->queue = queue;
    w->text = std::string(text);
    w->id = id;
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    w->client = RECT{0, 0, w->rect.Width(), w->rect.Height()};
    if (style & WS_CHILD) {
      w->parent = parent;
      FindLocked(parent)->children.insert(FindLocked(parent)->children.begin(), h);
    } else {
      w->owner = parent ? GetTopLevelLocked(parent) : nullptr;
      topInfo = TTopLevelInfo{w->rect, w->text, (style & WS_POPUP) != 0,
                              (exStyle & WS_EX_TOOLWINDOW) != 0, (exStyle & WS_EX_TOPMOST) != 0,
                              w->owner};
    }
    Window* raw = w.get();
    S().windows.emplace(h, std::move(w));
    if (!raw->IsChild()) ZOrderLocked(raw, HWND_TOP);
  }
  if (!(style & WS_CHILD)) Backend().CreateTopLevel(h, topInfo);

  const std::string name(text), cls(className);
  CREATESTRUCT cs{createParams, parent, height, width, y, x, style, name.c_str(), cls.c_str(), exStyle};
  if (!SendMessage(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return nullptr;
  }
  FrameChanged(h);
  if (SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!IsWindow(h)) return nullptr;
  RECT client;
  GetClientRect(h, client);
  SendMessage(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Right, client.Bottom));
  POINT origin{0, 0};
  MapWindowPoints(h, GetParent(h), &origin, 1);
  SendMessage(h, WM_MOVE, 0, MAKELPARAM(origin.X, origin.Y));
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return IsWindow(h) ? h : nullptr;
}

HWND GetTopLevelLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  while (w && w->IsChild()) w = FindLocked(w->parent);
  return w ? w->handle : nullptr;
}

namespace {

void DestroyRecursive(HWND h) {
  // Owned top-level windows go first, then the window, its children, and its final message.
  std::vector<HWND> owned;
  {
    std::lock_guard lock(S().mutex);
    for (auto& [handle, w] : S().windows)
      if (w->owner == h && !w->destroying) owned.push_back(handle);
  }
  for (HWND o : owned) DestroyWindow(o);

  SendMessage(h, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard lock(S().mutex);
    if (Window* w = FindLocked(h)) children = w->children;
  }
  for (HWND c : children) {
    {
      std::lock_guard lock(S().mutex);
      Window* cw = FindLocked(c);
      if (!cw || cw->destroying) continue;
      cw->destroying = true;
    }
    DestroyRecursive(c);
  }
  SendMessage(h, WM_NCDESTROY, 0, 0);

  std::shared_ptr<ThreadQueue> queue;
  bool topLevel = false;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(h);
    if (!w) return;
    queue = w->queue;
    topLevel = !w->IsChild();
    if (Window* p = w->IsChild() ? FindLocked(w->parent) : nullptr) RemoveFromList(p->children, h);
    RemoveFromList(S().topLevels, h);
    if (S().focus == h) S().focus = nullptr;
    if (S().capture == h) S().capture = nullptr;
    if (S().active == h) S().active = nullptr;
    ForgetWindowLocked(h);
    S().windows.erase(h);
  }
  if (queue) {
    std::lock_guard lock(queue->mutex);
    std::erase_if(queue->timers, [h](const Timer& t) { return t.hwnd == h; });
  }
  if (topLevel) Backend().DestroyTopLevel(h);
}

}  // namespace

bool DestroyWindow(HWND hwnd) {
  HWND oldFocus = nullptr, oldCapture = nullptr, nextActive = nullptr;
  bool wasActive = false;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w || w->destroying) return false;
    w->destroying = true;
    if (S().focus && IsDescendantLocked(hwnd, S().focus)) oldFocus = S().focus;
    if (S().capture && IsDescendantLocked(hwnd, S().capture)) oldCapture = S().capture;
    if (S().active == hwnd) {
      wasActive = true;
      nextActive = w->owner;
    }
    if (w->IsChild() && VisibleLocked(w)) InvalidateUnderLocked(w);
  }
  if (oldCapture) ReleaseCapture();
  if (oldFocus) {
    {
      std::lock_guard lock(S().mutex);
      if (S().focus == oldFocus) S().focus = nullptr;
    }
    SendMessage(oldFocus, WM_KILLFOCUS, 0, 0);
  }
  DestroyRecursive(hwnd);
  if (wasActive) {
    {
      std::lock_guard lock(S().mutex);
      if (S().active == hwnd) S().active = nullptr;
      if (!nextActive || !FindLocked(nextActive) || !VisibleLocked(FindLocked(nextActive))) {
        nextActive = nullptr;
        for (HWND t : S().topLevels) {
          if (t != hwnd && ActivatableLocked(FindLocked(t))) {
            nextActive = t;
            break;
          }
        }
      }
    }
    if (nextActive) SetActiveWindow(nextActive);
  }
  return true;
}

bool IsWindow(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  return FindLocked(hwnd) != nullptr;
}

bool IsWindowVisible(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w && VisibleLocked(w);
}

bool IsWindowEnabled(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w && !w->Disabled();
}

bool EnableWindow(HWND hwnd, bool enable) {
  bool wasDisabled;
  bool loseFocus = false;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    wasDisabled = w->Disabled();
    if (wasDisabled == !enable) return wasDisabled;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
    loseFocus = !enable && S().focus && IsDescendantLocked(hwnd, S().focus);
    if (w->IsChild() || w->surface) InvalidateWindowLocked(w, nullptr, true, true);
  }
  if (loseFocus) SetFocus(nullptr);
  if (!enable && GetCapture() && (GetCapture() == hwnd || IsChild(hwnd, GetCapture()))) ReleaseCapture();
  SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool ShowWindow(HWND hwnd, int cmd) {
  const bool minimize = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE;
  bool wasVisible, topLevel;
  WPARAM state;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    wasVisible = w->Visible();
    topLevel = !w->IsChild();
    state = w->ShowState();
  }
  // A minimised top-level window still shows, as an icon; a child has none and hides.
  const bool show = cmd != SW_HIDE && (topLevel || !minimize);
  const bool activate = show && !minimize && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE;
  // Asked before the window shows: a display shows it in that state from the start.
  if (topLevel && show) {
    const WPARAM wanted = cmd == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED
                          : minimize                ? SIZE_MINIMIZED
                          : (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) ? SIZE_RESTORED
                                                                         : state;
    if (wanted != state) RequestShowState(hwnd, wanted);
  }
  if (wasVisible != show) {
    SendMessage(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    HWND focusTo = nullptr;
    bool releaseCapture = false;
    {
      std::lock_guard lock(S().mutex);
      Window* w = FindLocked(hwnd);
      if (!w) return false;
      if (show) {
        w->style |= WS_VISIBLE;
        if (VisibleLocked(w)) InvalidateTreeLocked(w);
        // On top at once, as the display shows it: a press where it stands reaches it even before
        // it is activated (a dialog shown without activation).
        if (topLevel) ZOrderLocked(w, HWND_TOP);
      } else {
        if (w->IsChild() && VisibleLocked(w)) InvalidateUnderLocked(w);
        w->style &= ~WS_VISIBLE;
        if (S().focus && IsDescendantLocked(hwnd, S().focus))
          focusTo = w->IsChild() ? GetTopLevelLocked(hwnd) : nullptr;
        releaseCapture = S().capture && IsDescendantLocked(hwnd, S().capture);
      }
    }
    if (topLevel) Backend().ShowTopLevel(hwnd, show);
    if (releaseCapture) ReleaseCapture();
    // A hidden child's focus goes to its top-level window; a hidden top-level window's goes away.
    if (focusTo || (!show && topLevel && (GetFocus() == hwnd || IsChild(hwnd, GetFocus()))))
      SetFocus(focusTo);
    if (!show && topLevel && GetActiveWindow() == hwnd) {
      HWND next = nullptr;
      {
        std::lock_guard lock(S().mutex);
        Window* w = FindLocked(hwnd);
        if (w && w->owner && FindLocked(w->owner) && FindLocked(w->owner)->Visible())
          next = w->owner;
        for (HWND t : S().topLevels) {
          if (next) break;
          if (t != hwnd && ActivatableLocked(FindLocked(t))) next = t;
        }
        if (!next) S().active = nullptr;
      }
      if (next) SetActiveWindow(next);
    }
  }
  if (show && topLevel && activate) SetActiveWindow(hwnd);
  return wasVisible;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  bool moved = false, sized = false, topLevel = false, shownOrHidden = false;
  RECT newRect;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    topLevel = !w->IsChild();
    newRect = w->rect;
    if (!(flags & SWP_NOMOVE)) newRect = lab::OffsetRect(newRect, x - newRect.Left, y - newRect.Top);
    if (!(flags & SWP_NOSIZE)) {
      newRect.Right = newRect.Left + std::max(cx, 0);
      newRect.Bottom = newRect.Top + std::max(cy, 0);
    }
    moved = newRect.Left != w->rect.Left || newRect.Top != w->rect.Top;
    sized = newRect.Width() != w->rect.Width() || newRect.Height() != w->rect.Height();
    const bool reorder = !(flags & SWP_NOZORDER);
    const bool redraw = !(flags & SWP_NOREDRAW) && VisibleLocked(w) && w->IsChild();
    if (redraw && (moved || sized || reorder)) InvalidateUnderLocked(w);
    if (reorder) ZOrderLocked(w, insertAfter);
    w->rect = newRect;
    if (topLevel && sized) ResizeSurfaceLocked(w);
    if (redraw && (moved || sized || reorder)) InvalidateTreeLocked(w);
    shownOrHidden = (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0;
  }
  if (topLevel && (moved || sized)) Backend().MoveTopLevel(hwnd, newRect);
  if (sized || (flags & SWP_FRAMECHANGED)) FrameChanged(hwnd);
  if (moved) {
    POINT origin{0, 0};
    MapWindowPoints(hwnd, GetParent(hwnd), &origin, 1);
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(origin.X, origin.Y));
  }
  if (shownOrHidden) {
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  }
  return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void FrameChanged(HWND hwnd) {
  RECT windowRect;
  RECT oldClient;
  WPARAM state;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return;
    windowRect = w->rect;
    oldClient = w->client;
    state = w->ShowState();
  }
  RECT r = windowRect;
  SendMessage(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  RECT client{r.Left - windowRect.Left, r.Top - windowRect.Top, r.Right - windowRect.Left,
              r.Bottom - windowRect.Top};
  if (client.Right < client.Left) client.Right = client.Left;
  if (client.Bottom < client.Top) client.Bottom = client.Top;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return;
    w->client = client;
    w->ncDirty = true;
    if (!(client == oldClient)) {
      if (VisibleLocked(w)) InvalidateWindowLocked(w, nullptr, true, true);
    }
    if (w->queue) w->queue->Wake();
  }
  if (client.Width() != oldClient.Width() || client.Height() != oldClient.Height())
    SendMessage(hwnd, WM_SIZE, state, MAKELPARAM(client.Width(), client.Height()));
}

HWND GetParent(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  return w->IsChild() ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  HWND old;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(child);
    Window* p = FindLocked(newParent);
    if (!w || !w->IsChild() || !p || IsDescendantLocked(child, newParent)) return nullptr;
    old = w->parent;
    if (VisibleLocked(w)) InvalidateUnderLocked(w);
    RemoveFromList(FindLocked(old)->children, child);
    w->parent = newParent;
    p->children.insert(p->children.begin(), child);
    if (VisibleLocked(w)) InvalidateTreeLocked(w);
  }
  return old;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (relation == GW_OWNER) return w->owner;
  auto& list = SiblingsLocked(w);
  auto it = std::find(list.begin(), list.end(), hwnd);
  switch (relation) {
    case GW_HWNDFIRST: return list.front();
    case GW_HWNDLAST: return list.back();
    case GW_HWNDNEXT: return (it != list.end() && it + 1 != list.end()) ? *(it + 1) : nullptr;
    case GW_HWNDPREV: return (it != list.begin() && it != list.end()) ? *(it - 1) : nullptr;
    default: return nullptr;
  }
}

HWND GetTopLevel(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  return GetTopLevelLocked(hwnd);
}

bool IsChild(HWND parent, HWND hwnd) {
  std::lock_guard lock(S().mutex);
  return parent != hwnd && IsDescendantLocked(parent, hwnd);
}

bool EnumWindows(const WNDENUMPROC& proc) {
  std::vector<HWND> tops;
  {
    std::lock_guard lock(S().mutex);
    tops = S().topLevels;
  }
  for (HWND h : tops)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}

bool EnumChildWindows(HWND parent, const WNDENUMPROC& proc) {
  std::vector<HWND> all;
  {
    std::lock_guard lock(S().mutex);
    Window* p = FindLocked(parent);
    if (!p) return false;
    std::vector<HWND> stack(p->children.rbegin(), p->children.rend());
    while (!stack.empty()) {
      HWND h = stack.back();
      stack.pop_back();
      all.push_back(h);
      if (Window* w = FindLocked(h)) stack.insert(stack.end(), w->children.rbegin(), w->children.rend());
    }
  }
  for (HWND h : all)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  if (processId) *processId = static_cast<DWORD>(::getpid());
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w && w->queue ? w->queue->threadId : 0;
}

POINT ClientOriginLocked(Window* w) {
  POINT p{w->rect.Left + w->client.Left, w->rect.Top + w->client.Top};
  if (w->IsChild()) {
    POINT q = ClientOriginLocked(FindLocked(w->parent));
    p.X += q.X;
    p.Y += q.Y;
  }
  return p;
}

RECT ScreenWindowRectLocked(Window* w) {
  RECT r = w->rect;
  if (w->IsChild()) {
    POINT q = ClientOriginLocked(FindLocked(w->parent));
    r = lab::OffsetRect(r, q.X, q.Y);
  }
  return r;
}

bool GetWindowRect(HWND hwnd, RECT& r) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  r = ScreenWindowRectLocked(w);
  return true;
}

bool GetClientRect(HWND hwnd, RECT& r) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  r = RECT{0, 0, w->client.Width(), w->client.Height()};
  return true;
}

bool ClientToScreen(HWND hwnd, POINT& p) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  POINT o = ClientOriginLocked(w);
  p.X += o.X;
  p.Y += o.Y;
  return true;
}

bool ScreenToClient(HWND hwnd, POINT& p) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  POINT o = ClientOriginLocked(w);
  p.X -= o.X;
  p.Y -= o.Y;
  return true;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  std::lock_guard lock(S().mutex);
  POINT a{0, 0}, b{0, 0};
  if (Window* w = FindLocked(from)) a = ClientOriginLocked(w);
  if (Window* w = FindLocked(to)) b = ClientOriginLocked(w);
  const int dx = a.X - b.X, dy = a.Y - b.Y;
  for (UINT i = 0; i < count; ++i) {
    points[i].X += dx;
    points[i].Y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

namespace {

HWND DeepestChildLocked(Window* w, POINT screen) {
  for (HWND c : w->children) {
    Window* cw = FindLocked(c);
    if (!cw || !cw->Visible()) continue;
    if (!ScreenWindowRectLocked(cw).Contains(screen)) continue;
    // A disabled child is not a target; the point belongs to its parent.
    if (cw->Disabled()) return w->handle;
    return DeepestChildLocked(cw, screen);
  }
  return w->handle;
}

}  // namespace

HWND WindowFromPoint(POINT screen) {
  std::lock_guard lock(S().mutex);
  for (HWND t : S().topLevels) {
    Window* w = FindLocked(t);
    if (!w || !w->Visible() || !w->rect.Contains(screen)) continue;
    return DeepestChildLocked(w, screen);
  }
  return nullptr;
}

HWND WindowFromPointIn(HWND TopLevel, POINT screen) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(TopLevel);
  return w && w->Visible() ? DeepestChildLocked(w, screen) : nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT client) {
  std::lock_guard lock(S().mutex);
  Window* p = FindLocked(parent);
  if (!p) return nullptr;
  for (HWND c : p->children) {
    Window* cw = FindLocked(c);
    if (cw && cw->Visible() && cw->rect.Contains(client)) return c;
  }
  return RECT{0, 0, p->client.Width(), p->client.Height()}.Contains(client) ? parent : nullptr;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return static_cast<LONG_PTR>(w->id);
    default: return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWL_STYLE:
      old = static_cast<LONG_PTR>(w->style);
      // Visibility changes only through ShowWindow, so the screen stays in step.
      w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
      break;
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      break;
    case GWLP_ID:
      old = static_cast<LONG_PTR>(w->id);
      w->id = static_cast<UINT_PTR>(value);
      break;
    default: break;
  }
  return old;
}

WNDPROC GetWindowProc(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w ? w->proc : WNDPROC{};
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return {};
  WNDPROC old = std::move(w->proc);
  w->proc = std::move(proc);
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return DefWindowProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

bool SetWindowText(HWND hwnd, std::string_view text) {
  const std::string copy(text);
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) != 0;
}

std::string GetWindowText(HWND hwnd) {
  {
    // Another thread reads the stored text: asking the owner could wait for ever when the owner
    // is stuck (a crash report names the focused window that way).
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return {};
    if (!w->queue || w->queue->threadId != CurrentThreadId()) return w->text;
  }
  const auto length = SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  const auto copied = SendMessage(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return buffer;
}

int GetWindowTextLength(HWND hwnd) {
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return 0;
    if (!w->queue || w->queue->threadId != CurrentThreadId()) return static_cast<int>(w->text.size());
  }
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetClassName(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w ? w->className : std::string();
}

HWND GetFocus() {
  std::lock_guard lock(S().mutex);
  return S().focus;
}

HWND GetActiveWindow() {
  std::lock_guard lock(S().mutex);
  return S().active;
}

HWND GetCapture() {
  std::lock_guard lock(S().mutex);
  return S().capture;
}

HWND SetFocus(HWND hwnd) {
  HWND old, top = nullptr;
  {
    std::lock_guard lock(S().mutex);
    old = S().focus;
    if (hwnd) {
      Window* w = FindLocked(hwnd);
      if (!w || w->destroying) return nullptr;
      for (Window* a = w; a; a = a->IsChild() ? FindLocked(a->parent) : nullptr)
        if (a->Disabled()) return nullptr;
      top = GetTopLevelLocked(hwnd);
    }
    if (old == hwnd) return old;
  }
  // Focus inside another top-level window activates it first.
  if (top && GetActiveWindow() != top) {
    SetActiveWindow(top);
    if (!IsWindow(hwnd)) return nullptr;
    old = GetFocus();
    if (old == hwnd) return old;
  }
  if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  {
    std::lock_guard lock(S().mutex);
    // A WM_KILLFOCUS handler may have moved the focus somewhere else already.
    if (S().focus != old) return old;
    if (hwnd && !FindLocked(hwnd)) hwnd = nullptr;
    S().focus = hwnd;
  }
  if (hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND old, oldFocus = nullptr;
  {
    std::lock_guard lock(S().mutex);
    old = S().active;
    if (hwnd) {
      hwnd = GetTopLevelLocked(hwnd);
      Window* w = FindLocked(hwnd);
      if (!w || w->Disabled() || w->destroying) return nullptr;
    }
    if (old == hwnd) return old;
    S().active = hwnd;
    if (Window* w = FindLocked(hwnd)) ZOrderLocked(w, HWND_TOP);
    if (S().focus && old && IsDescendantLocked(old, S().focus)) {
      oldFocus = S().focus;
      S().focus = nullptr;
    }
  }
  if (old && IsWindow(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  }
  if (oldFocus && IsWindow(oldFocus))
    SendMessage(oldFocus, WM_KILLFOCUS, 0, 0);
  if (!old && hwnd) SendMessage(hwnd, WM_ACTIVATEAPP, TRUE, 0);
  if (hwnd) {
    SendMessage(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    Backend().ActivateTopLevel(hwnd);
  } else if (old && IsWindow(old)) {
    SendMessage(old, WM_ACTIVATEAPP, FALSE, 0);
  }
  return old;
}

HWND SetCapture(HWND hwnd) {
  HWND old;
  {
    std::lock_guard lock(S().mutex);
    if (hwnd && !FindLocked(hwnd)) return nullptr;
    old = S().capture;
    S().capture = hwnd;
  }
  if (old && old != hwnd) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

bool ReleaseCapture() {
  HWND old;
  {
    std::lock_guard lock(S().mutex);
    old = S().capture;
    S().capture = nullptr;
  }
  if (old) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

}  // namespace lab::wm
