#pragma once
// How faults reach the crash reporter: every throw is seen at the runtime's throw entry point (where
// it was raised), std::terminate ends in our handler (an exception nothing caught, a throw through
// noexcept), SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT are handled on an alternate stack, and the
// message loop hands over the exceptions its handlers let out. Reports are made by one worker thread
// started with the capture: a signal handler only fills a preallocated slot, wakes the worker and
// waits (past a time-out it writes a minimal report itself). After an unhandled exception the
// program ends with exit code 1; after a fatal signal the signal is raised again with its default
// action, so the shell and core dumps see it.

#include <exception>
#include <functional>
#include <memory>
#include <string_view>

#include "crashreport/crashlog.h"

namespace lab {

// The faults as exceptions of the report.
LAB_EXCEPTION(EAccessViolation, EExternal);
LAB_EXCEPTION(EStackOverflow, EExternal);
LAB_EXCEPTION(EIntError, EExternal);
LAB_EXCEPTION(EBusError, EExternal);

// Started by the crash reporter's start-up in a module that carries its data; Remove puts the
// previous handlers back and ends the worker.
void InstallFaultCapture();
void RemoveFaultCapture();
bool FaultCaptureInstalled() noexcept;

// Reports an exception the program goes on after (the message loop's hook hands them here): made by
// the worker while this thread waits and runs what the worker hands it (the events, the dialog).
// False when the crash reporter dealt with it, true when the program's own handling should go on
// (exception_processing.h says when). An EAbort is not reported (true). A second exception raised
// in this thread while its first is reported is swallowed (false).
bool ReportCaughtException(std::exception_ptr E);
// Reports a thread that stopped answering (the freeze watchdog's main thread): Frozen names it, the
// call stack is the thread's where it stands. The thread is not stopped, only looked at.
void ReportFrozenThread(std::uint32_t ThreadID, std::shared_ptr<const Exception> Frozen);
// True while a report is made or waited for (a thread waiting for it does not answer meanwhile).
bool FaultReportInProgress() noexcept;

// Where a report goes when no dialog shows it (the standard error output unless set); an empty
// writer puts that back. A failing writer counts as a report not shown.
using TFaultReportWriter = std::function<void(std::string_view Report)>;
void SetFaultReportWriter(TFaultReportWriter Writer);

// Gives the calling thread an alternate stack for the fault signals while the object lives, so a
// stack overflow is reported from it. Threads the crash reporter tracks get one as they start.
class TAlternateSignalStack {
 public:
  TAlternateSignalStack() noexcept;
  ~TAlternateSignalStack();
  TAlternateSignalStack(const TAlternateSignalStack&) = delete;
  TAlternateSignalStack& operator=(const TAlternateSignalStack&) = delete;

 private:
  void* memory_ = nullptr;
};

}  // namespace lab
