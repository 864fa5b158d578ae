#include "crashreport/thread_tracking.h"

#include "crashreport/fault_capture.h"
#include "crashreport/process_state.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// Runs inside the thread class's handler: the report's call stack starts where the exception was
// raised. An EAbort is the program's silent way out and is not reported.
void ReportEscapingException(TThread*, std::exception_ptr E) {
  if (!IsCrashLogEnabled() || !IsCrashLogEnabledInThread(GetCurrentThreadID())) return;
  try {
    try {
      std::rethrow_exception(E);
    } catch (const EAbort&) {
      return;
    } catch (...) {
    }
    ReportCaughtException(E);
  } catch (...) {
    // The thread's own handling goes on whatever became of the report.
  }
}

}  // namespace

void InstallThreadTracking() { SetThreadExceptionHook(&ReportEscapingException); }

void RemoveThreadTracking() { SetThreadExceptionHook(nullptr); }

}  // namespace lab
