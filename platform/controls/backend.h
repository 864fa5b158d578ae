#pragma once
// What the window manager needs from the display: top-level windows that show their surfaces, the
// mouse cursor, activation and the system clipboard. platform/backend implements it (headless and
// X11); the events a back-end receives come in through platform/controls/input.h.

#include <cairo.h>

#include <atomic>
#include <cstdint>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/win_types.h"
#include "platform/graphics/cursors.h"

namespace lab {

// What became of asking the display to show a top-level window maximised, minimised (iconified) or
// normal again.
enum class TShowStateAnswer : std::uint8_t {
  Framework,   // no window manager takes part: the framework's window takes the state itself
  Asked,       // the window manager was asked; what it does comes back as input::WindowStateChanged
  NotOffered,  // the window manager does not offer the state, or none runs: the window stays as it is
};

struct TTopLevelInfo {
  win::RECT bounds;          // screen coordinates
  std::string title;
  bool popup = false;        // no decoration, no task-bar entry (hints, menus, drop-downs)
  bool toolWindow = false;
  bool stayOnTop = false;
  win::HWND owner = nullptr;
};

// Clipboard content by format name. The bytes are shared, not copied, between the program's
// clipboard and the display that serves them.
using TClipboardFormats = std::map<std::string, std::shared_ptr<const std::string>>;
// The name UTF-8 text goes by (no registered format has an empty name).
inline const std::string kClipboardText;

// A screen size one thread sets and any reads: both halves packed into one word, so that a read
// never pairs a new width with an old height and no compiler needs a lock (or libatomic) for it.
class TScreenSize {
 public:
  explicit TScreenSize(win::SIZE size = {}) : packed_(Pack(size)) {}
  win::SIZE Load() const {
    const std::uint64_t v = packed_.load(std::memory_order_relaxed);
    return {static_cast<win::LONG>(static_cast<std::uint32_t>(v)),
            static_cast<win::LONG>(static_cast<std::uint32_t>(v >> 32))};
  }
  void Store(win::SIZE size) { packed_.store(Pack(size), std::memory_order_relaxed); }

 private:
  static std::uint64_t Pack(win::SIZE size) {
    return static_cast<std::uint32_t>(size.cx) | std::uint64_t{static_cast<std::uint32_t>(size.cy)} << 32;
  }
  std::atomic<std::uint64_t> packed_;
};

class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual std::string_view Name() const = 0;
  // The screen's size now; the screen metrics (GetSystemMetrics) follow it while this is the
  // back-end in use.
  virtual win::SIZE ScreenSize() const = 0;

  // Top-level windows. Calls come from the thread that owns the window, with no lock held.
  virtual void CreateTopLevel(win::HWND, const TTopLevelInfo&) {}
  virtual void DestroyTopLevel(win::HWND) {}
  virtual void ShowTopLevel(win::HWND, bool /*visible*/) {}
  virtual void MoveTopLevel(win::HWND, const win::RECT& /*screen*/) {}
  virtual void SetTitle(win::HWND, std::string_view) {}
  // Asks the display to give the window the input focus (an activation from inside the program).
  virtual void ActivateTopLevel(win::HWND) {}
  // Asks the display to show the window in a state (SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED,
  // as WM_SIZE names them); before the window shows when it is shown in that state.
  virtual TShowStateAnswer RequestShowState(win::HWND, win::WPARAM /*state*/) { return TShowStateAnswer::Framework; }
  // The surface's pixels inside `dirty` (window coordinates) changed.
  virtual void Present(win::HWND, cairo_surface_t*, const win::RECT& /*dirty*/) {}

  // Whether a window inside the top-level window takes dropped files (the display then offers it
  // drops from other programs, handed in through input::FilesDropped).
  virtual void AcceptFiles(win::HWND /*topLevel*/, bool /*accept*/) {}

  // The mouse cursor over the program's windows (nullptr: none shows).
  virtual void SetCursor(TCursorImage* /*cursor*/) {}

  // The system clipboard, for a display that has one (X11's CLIPBOARD selection). Formats go by
  // name: kClipboardText for UTF-8 text, else the name a format was registered under.
  // The program put this content on the clipboard: the display takes it over and serves it to other
  // programs until one of them takes the clipboard.
  virtual void ClipboardChanged(const TClipboardFormats& /*content*/) {}
  // Whether another program holds the system clipboard now (the content then is its).
  virtual bool ClipboardHeldElsewhere() { return false; }
  // The formats that program offers, and the bytes of one (nullopt: not offered, or no answer in
  // time). Calls wait for the other program's answer.
  virtual std::vector<std::string> ForeignClipboardFormats() { return {}; }
  virtual std::optional<std::string> ForeignClipboardData(const std::string& /*format*/) { return std::nullopt; }

  virtual void Beep() {}

  // Whether the mouse wheel goes to the window under the pointer (every X11 program does so)
  // instead of the focused one.
  virtual bool WheelFollowsPointer() const { return false; }

 protected:
  // The display's size changed (call with no lock of the back-end held): the screen metrics follow
  // when this is the back-end in use.
  void ScreenSizeChanged();
};

// The back-end in use, made on first use: X11 when DISPLAY is set, headless otherwise
// (LAB_BACKEND=headless or x11 chooses).
TBackend& Backend();
// Puts a back-end in place (tests: a headless one). Call before any window exists.
void SetBackend(std::unique_ptr<TBackend> backend);

// Made by platform/backend.
std::unique_ptr<TBackend> CreateDefaultBackend();

}  // namespace lab
