#pragma once
// What the window manager needs from the display: top-level windows that show their surfaces, the
// mouse cursor, activation and the system clipboard. platform/backend implements it (headless and
// X11); the events a back-end receives come in through platform/controls/input.h.

#include <cairo.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/controls/win_types.h"
#include "platform/graphics/cursors.h"

namespace lab {

struct TTopLevelInfo {
  win::RECT bounds;          // screen coordinates
  std::string title;
  bool popup = false;        // no decoration, no task-bar entry (hints, menus, drop-downs)
  bool toolWindow = false;
  bool stayOnTop = false;
  win::HWND owner = nullptr;
};

class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual std::string_view Name() const = 0;
  virtual win::SIZE ScreenSize() const = 0;

  // Top-level windows. Calls come from the thread that owns the window, with no lock held.
  virtual void CreateTopLevel(win::HWND, const TTopLevelInfo&) {}
  virtual void DestroyTopLevel(win::HWND) {}
  virtual void ShowTopLevel(win::HWND, bool /*visible*/) {}
  virtual void MoveTopLevel(win::HWND, const win::RECT& /*screen*/) {}
  virtual void SetTitle(win::HWND, std::string_view) {}
  // Asks the display to give the window the input focus (an activation from inside the program).
  virtual void ActivateTopLevel(win::HWND) {}
  // The surface's pixels inside `dirty` (window coordinates) changed.
  virtual void Present(win::HWND, cairo_surface_t*, const win::RECT& /*dirty*/) {}

  // The mouse cursor over the program's windows (nullptr: none shows).
  virtual void SetCursor(TCursorImage* /*cursor*/) {}

  // The program put text on the clipboard: a display with a system clipboard takes it over.
  virtual void ClipboardTextChanged(const std::string& /*utf8*/) {}
  // Text another program put on the system clipboard, when it holds some.
  virtual std::optional<std::string> ForeignClipboardText() { return std::nullopt; }

  virtual void Beep() {}
};

// The back-end in use, made on first use: X11 when DISPLAY is set, headless otherwise
// (LAB_BACKEND=headless or x11 chooses).
TBackend& Backend();
// Puts a back-end in place (tests: a headless one). Call before any window exists.
void SetBackend(std::unique_ptr<TBackend> backend);

// Made by platform/backend.
std::unique_ptr<TBackend> CreateDefaultBackend();

}  // namespace lab
