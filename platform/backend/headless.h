#pragma once
// The headless back-end: windows exist only as surfaces in memory, nothing is shown, and input comes
// from the program (tests) through the helpers below, which speak as a US keyboard and a mouse would.

#include <memory>
#include <string_view>

#include "platform/controls/backend.h"
#include "platform/controls/input.h"

namespace lab {

class THeadlessBackend : public TBackend {
 public:
  explicit THeadlessBackend(win::SIZE screen = {1920, 1080}) : screen_(screen) {}
  std::string_view Name() const override { return "headless"; }
  win::SIZE ScreenSize() const override { return screen_.Load(); }
  // The screen takes another size, as a display's does when its mode changes.
  void SetScreenSize(win::SIZE Size) {
    screen_.Store(Size);
    ScreenSizeChanged();
  }
  void SetCursor(TCursorImage* cursor) override { cursor_ = cursor; }
  void Beep() override { ++beeps_; }

  // The cursor the display would show now.
  TCursorImage* Cursor() const { return cursor_; }
  int Beeps() const { return beeps_; }

 private:
  TScreenSize screen_;
  TCursorImage* cursor_ = nullptr;
  int beeps_ = 0;
};

std::unique_ptr<TBackend> CreateHeadlessBackend();

namespace headless {

// The character a key types on a US layout with the modifiers now held (0: none), as the keyboard
// driver would report it: Ctrl with a letter gives its control code.
char32_t CharForKey(win::UINT vk);
// Down and up, with the character the key types.
void PressKey(win::UINT vk);
// Holds the modifiers (VK_SHIFT, VK_CONTROL, VK_MENU) around a key press.
void PressKey(win::UINT vk, bool shift, bool ctrl, bool alt);
// Types each code point of UTF-8 text: a key of the US layout where one makes it (with Shift as
// needed), else a key-down carrying the character, as an input method commits it.
void TypeText(std::string_view utf8);

// Mouse actions at a point of a window's client area.
void MoveMouse(win::HWND hwnd, int x, int y);
void MouseDown(win::HWND hwnd, int x, int y, win::UINT button = win::VK_LBUTTON);
void MouseUp(win::HWND hwnd, int x, int y, win::UINT button = win::VK_LBUTTON);
void Click(win::HWND hwnd, int x, int y, win::UINT button = win::VK_LBUTTON);
void Wheel(win::HWND hwnd, int x, int y, int delta);

}  // namespace headless

}  // namespace lab
