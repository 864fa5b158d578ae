#pragma once
// The crash reporter at work in the showcase: an exception the program catches (a job number that
// is no number) is reported with its call stack, the modules and the registers, and shown in the
// crash reporter's exception dialog, whose Details show the report's pages; and the faults of the
// "Crash" menu, each caught, reported and shown by the crash reporter itself.

namespace lab {
class TComponent;
class TPopupMenu;
}  // namespace lab

namespace showcase {

// Raises and catches the error, builds its report and shows the dialog; with "Copy to clipboard"
// checked the report goes to the clipboard.
void ShowCaughtError();

// The "Crash" menu: an exception nothing in the program catches but its message loop (its dialog
// shows in the program, which goes on), a write through a null pointer and an abort (fatal: the
// dialog shows in a helper process, then the program ends), and a main window that stops answering
// for longer than the freeze time-out (the watchdog reports it; the program goes on afterwards).
lab::TPopupMenu* MakeCrashMenu(lab::TComponent* Owner);

}  // namespace showcase
