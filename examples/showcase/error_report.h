#pragma once
// The crash reporter at work in the showcase: an error the program catches (the job browser reopens
// the job it opened last and reads one past the end of its list) is reported as the message loop
// reports one, in the crash reporter's exception dialog, whose Details show the report's pages; and
// the faults of the "Crash" menu, each caught, reported and shown by the crash reporter itself.

namespace lab {
class TComponent;
class TPopupMenu;
}  // namespace lab

namespace showcase {

// Raises and catches the error and hands it to the crash reporter, which shows, logs and keeps or
// sends its report as the options and the user's choices say.
void ShowCaughtError();

// The "Crash" menu: an exception nothing in the program catches but its message loop (its dialog
// shows in the program, which goes on), a write through a null pointer and an abort (fatal: the
// dialog shows in a helper process, then the program ends), and a main window that stops answering
// for longer than the freeze time-out (the watchdog reports it; the program goes on afterwards).
lab::TPopupMenu* MakeCrashMenu(lab::TComponent* Owner);

}  // namespace showcase
