#pragma once
// Ending the program, and starting it again, when a report asks for it.

#include <string>

namespace lab {

// The current folder when the crash reporter started; a restart runs there. Until the start-up has
// recorded it, the current folder.
void RecordStartupFolder();
std::string StartupFolder();

// With Restart, first starts the program again: the same executable with the same arguments, in the
// start-up folder, in a process group of its own, with the default signal handling and no descriptor
// above 2 of this process. Then ends this process at once with exit code 1 (no exit handlers run).
[[noreturn]] void TerminateApplication(bool Restart);
// Only the new start of TerminateApplication, for a program that ends by its own fault afterwards.
void RestartApplication() noexcept;
// When a termination was asked for (TerminateRequested), TerminateApplication, restarting when the
// options in force say TerminateAction 1. Otherwise returns.
void TerminateIfRequested();

}  // namespace lab
