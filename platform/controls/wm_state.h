#pragma once
// Private to the window manager's sources: the window records, the per-thread queues and the one
// lock that guards them. Lock order: the manager lock may be held while a queue lock is taken, never
// the other way round; no lock is held while a window procedure runs.

#include <cairo.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/controls/message_queue.h"
#include "platform/controls/scroll_info.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/rtl/geometry.h"

namespace lab::wm {

// A message sent from another thread, waiting to be served by the receiver.
struct SentItem {
  enum class State { Pending, Running, Done, Cancelled, Failed };
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  State state = State::Pending;  // guarded by the sender queue's lock
  std::shared_ptr<struct ThreadQueue> sender;
};

// Raw input as a back-end or a test hands it in; turned into a message when retrieved, so the
// target (focus, capture, the window under the mouse) is the one of that moment.
struct InputEvent {
  // The last five are what a display reports of a top-level window: moved or resized, asked to
  // close, given the input focus, files dropped on it, maximised, iconified or restored.
  enum class Kind { KeyDown, KeyUp, MouseMove, ButtonDown, ButtonUp, Wheel, Configure, Close, Activate, DropFiles, ShowState };
  Kind kind = Kind::KeyDown;
  UINT vk = 0;            // keys: virtual-key code; buttons: VK_LBUTTON, VK_RBUTTON or VK_MBUTTON
  UINT scanCode = 0;
  bool extended = false;
  char32_t ch = 0;        // key-down: the character the key types (0: none)
  win::POINT pt{};        // mouse: screen position
  int wheelDelta = 0;
  HWND window = nullptr;  // display reports, and mouse events a display delivered: the top-level window
  win::RECT rect;         // Configure: its new place on the screen
  std::shared_ptr<const std::vector<std::string>> files;  // DropFiles: the paths, at pt
  win::WPARAM state = 0;   // ShowState: SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED
  DWORD time = 0;
  std::uint64_t seq = 0;   // numbered by the queue as it arrives
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  std::uint64_t due = 0;
  win::TIMERPROC proc = nullptr;
};

struct ThreadQueue {
  explicit ThreadQueue(DWORD id) : threadId(id) {}

  const DWORD threadId;
  std::mutex mutex;
  std::condition_variable cv;
  std::uint64_t wakeCount = 0;          // bumped by every Wake, so a waiter misses nothing
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentItem>> sent;
  std::deque<InputEvent> input;
  std::uint64_t nextInputSeq = 1;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimerId = 1;
  bool quitPosted = false;
  int quitCode = 0;
  bool dead = false;                    // the thread has ended
  // The character of the last key-down taken from input, for TranslateMessage.
  MSG lastKeyMsg{};
  char32_t lastKeyChar = 0;

  // Call with the queue lock held.
  void WakeLocked() { ++wakeCount; cv.notify_all(); }
  void Wake() {
    std::lock_guard lock(mutex);
    WakeLocked();
  }
};

struct ScrollBarState {
  win::SCROLLINFO info{sizeof(win::SCROLLINFO), 0, 0, 100, 0, 0, 0};
  UINT disabledArrows = 0;  // ESB_ flags
  bool tracking = false;    // the thumb is being dragged; nTrackPos is where
  int pressedPart = 0;      // the part held down while the mouse is pressed on the bar
};

struct Window {
  HWND handle = nullptr;
  std::string className;
  UINT classStyle = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;                 // child windows
  HWND owner = nullptr;                  // owned top-level windows
  std::vector<HWND> children;            // z-order, topmost first
  std::shared_ptr<ThreadQueue> queue;
  win::RECT rect;                        // parent client coordinates, or screen for top-level
  win::RECT client;                      // client area in window coordinates
  win::RECT restore;                     // a top-level window's normal place while maximised or minimised
  win::WNDPROC proc;
  std::string text;
  win::LONG_PTR userData = 0;
  UINT_PTR id = 0;
  int cursor = 0;                        // the class cursor
  // Painting, in client coordinates.
  cairo_region_t* update = nullptr;      // owned; empty when nothing is invalid
  bool erase = false;
  bool ncDirty = false;
  bool inPaint = false;
  ScrollBarState bars[2];                // SB_HORZ, SB_VERT
  TGdiBitmap* surface = nullptr;         // top-level only, owned
  bool destroying = false;

  Window() : update(cairo_region_create()) {}
  ~Window() {
    cairo_region_destroy(update);
    if (surface) surface->Release();
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  bool IsChild() const { return (style & 0x40000000u) != 0; }
  bool Visible() const { return (style & 0x10000000u) != 0; }
  bool Disabled() const { return (style & 0x08000000u) != 0; }
  // SIZE_MAXIMIZED (WS_MAXIMIZE), SIZE_MINIMIZED (WS_MINIMIZE) or SIZE_RESTORED.
  win::WPARAM ShowState() const { return (style & 0x01000000u) ? 2 : (style & 0x20000000u) ? 1 : 0; }
  bool NeedsPaint() const { return ncDirty || !cairo_region_is_empty(update); }
};

struct WindowClass {
  std::string name;
  UINT style = 0;
  win::WNDPROC proc;
  int cursor = 0;
};

struct State {
  std::mutex mutex;
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::unordered_map<std::string, WindowClass> classes;  // by upper-case name
  std::vector<HWND> topLevels;                           // z-order, topmost first
  std::uintptr_t nextHandle = 0x100;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
};

State& S();
// The window classes the manager itself provides (scroll-bar controls, message windows).
void RegisterBuiltinClasses(State& state);
// Both call with the manager lock held.
Window* FindLocked(HWND hwnd);
std::shared_ptr<ThreadQueue> QueueOfWindowLocked(HWND hwnd);

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
// Every live queue (to wake them all).
std::vector<std::shared_ptr<ThreadQueue>> AllQueues();

// Runs the window procedure of hwnd on this thread (no lock held); 0 when the window is gone.
LRESULT CallWindowProcOf(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Geometry, with the manager lock held.
HWND GetTopLevelLocked(HWND hwnd);
win::POINT ClientOriginLocked(Window* w);     // screen position of the client area's origin
win::RECT ScreenWindowRectLocked(Window* w);  // the window rectangle on the screen

// Invalidation (painting.cpp), with the manager lock held. `clientRect` nullptr: the whole client
// area; `frame` marks the non-client area for WM_NCPAINT too.
void InvalidateWindowLocked(Window* w, const win::RECT* clientRect, bool erase, bool frame);
// The window and every descendant, entirely.
void InvalidateTreeLocked(Window* w);
// Whatever lies under w's rectangle in its top-level window (w moves, shrinks or hides).
void InvalidateUnderLocked(Window* w);
// A top-level window's size changed: its surface follows, keeping the pixels that still fit.
void ResizeSurfaceLocked(Window* top);
// Show states (show_states.cpp), with no lock held. TakeShowState gives a top-level window the
// state (SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED) and tells it by WM_SIZE; with Place it also
// takes the place the state gives it (the screen when maximised, its normal place when restored),
// where no window manager places it. RequestShowState asks the display for the state first.
void TakeShowState(HWND hwnd, win::WPARAM state, bool place);
void RequestShowState(HWND hwnd, win::WPARAM state);
// Drops what other parts of the manager remember about a window that is going away.
void ForgetWindowLocked(HWND hwnd);
void ForgetCaretLocked(HWND hwnd);
// Paints a window's border and scroll bars (nc_paint.cpp).
void PaintNonClient(HWND hwnd);
// The visible part of a window on the screen: its client area, or its whole rectangle. Owned by
// the caller (cairo_region_destroy).
cairo_region_t* VisibleRegionLocked(Window* w, bool clientOnly);
TGdiBitmap* EnsureSurfaceLocked(Window* top);

// Painting hooks used by retrieval (painting.cpp): a window of this thread that needs painting,
// matching the filter, or nullptr.
HWND FindWindowToPaint(DWORD threadId, HWND filter);

// Scroll bars (scroll_bars.cpp): follows a press on a bar until the button is released; `start` in
// window coordinates of hwnd. Keys on a focused scroll-bar control.
void TrackScrollBar(HWND hwnd, int bar, win::POINT start);
void ScrollBarControlKey(HWND hwnd, UINT vk);

// Input retrieval (input.cpp): turns a queued input event into a message for this moment's target.
// Answers false when the event has no target and is dropped.
bool MessageFromInput(const InputEvent& event, MSG& msg, ThreadQueue& queue);
// Updates the key and button state (and the double-click memory) as a retrieved input event says;
// msg is the message it became (nullptr when it was dropped).
void NoteInputRetrieved(const InputEvent& event, const MSG* msg);

}  // namespace lab::wm
