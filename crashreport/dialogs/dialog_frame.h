#pragma once
// What the crash reporter's three dialogs share: the frame the options give them (a tool window only
// with the library's own look, top-most on request), the timer that keeps them in front of the
// program's other windows, and the auto-close count of seconds without input.

#include <string>

#include "crashreport/options.h"
#include "platform/controls/win_types.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/gdi_types.h"

namespace lab {

// The dialogs' timers.
inline constexpr win::UINT_PTR kPaintWatchdogTimer = 1;
inline constexpr win::UINT_PTR kAutoCloseTimer = 2;
inline constexpr win::UINT_PTR kKeepInFrontTimer = 3;
// The sender ends the sending-progress dialog with it.
inline constexpr win::UINT kCloseSendDialogMessage = 0x0400 + 1234;

// A dialog item's text (Item 0: the dialog's caption), and a check box's state.
void SetItemText(win::HWND Dialog, int Item, const std::string& Text);
std::string ItemText(win::HWND Dialog, int Item);
// A dialog item's font (the item takes a copy); nothing for a nullptr font.
void SetItemFont(win::HWND Dialog, int Item, win::HFONT Font);
bool IsItemChecked(win::HWND Dialog, int Item);
void CheckItem(win::HWND Dialog, int Item, bool Checked);
// Text in Font, or else in the window's own font.
win::SIZE MeasureText(win::HWND Window, const std::string& Text, win::HFONT Font = nullptr);

// DialogOptions bit 6 and bit 7.
bool StayOnTopOption(const TCrashModuleOptions& Options);
bool OwnLookOption(const TCrashModuleOptions& Options);

// Drops WS_EX_TOOLWINDOW without the library's own look; makes the window top-most with StayOnTop.
void ApplyDialogFrame(win::HWND Dialog, const TCrashModuleOptions& Options, bool StayOnTop);
// Records the program's windows and starts the keep-in-front timer.
void StartKeepInFront(win::HWND Dialog);
// A tick of it: unless StayOnTop or the dialog is in front, a window of the program that was there
// when the dialog opened gives the front back to the dialog; windows of other programs, and the
// program's windows opened since, stay in front.
void KeepInFront(win::HWND Dialog, bool StayOnTop);

// Seconds without input; AutoCloseSeconds of 0 never closes.
class TAutoClose {
 public:
  void Start(win::HWND Dialog, int Seconds);
  void Reset() { count_ = 0; }
  // A tick of the timer: true when the dialog is to close now.
  bool Tick();
  void Stop(win::HWND Dialog);
  // The input messages that count as the user's.
  static bool IsInput(win::UINT Msg);

 private:
  int seconds_ = 0, count_ = 0;
};

}  // namespace lab
