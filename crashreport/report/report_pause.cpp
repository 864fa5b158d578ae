#include "crashreport/report/report_pause.h"

#include <string>

#include "crashreport/capture/thread_tracking.h"
#include "crashreport/internal_warning.h"
#include "crashreport/report/crash_lists.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// How long the threads to pause have, all together, to answer: as long as one thread has to answer
// for its call stack.
constexpr unsigned kAnswerMs = 500;

bool PausedByOptions(const TCrashModuleOptions& Options, bool MainThread, bool ThreadObject) noexcept {
  if (MainThread) return Options.PausesMainThreads() && !Options.SparesMainThread();
  return ThreadObject ? Options.PausesMainThreads() : Options.PausesOtherThreads();
}

}  // namespace

std::vector<std::uint32_t> ThreadsToPause(const TCrashModuleOptions& Options, const TCrashThreadsList& Snapshot,
                                          std::uint32_t RaisingThread) {
  std::vector<std::uint32_t> ids;
  if (!Options.PausesMainThreads() && !Options.PausesOtherThreads()) return ids;
  const std::uint32_t self = GetCurrentThreadID();
  for (std::uint32_t id : ProcessThreadIDs()) {
    if (id == self || id == RaisingThread || IsOwnThread(id) || IsServiceThread(id)) continue;
    const int at = Snapshot.IndexOfID(id);
    if (PausedByOptions(Options, id == MainThreadID(), at >= 0 && Snapshot.GetItem(at)->ThreadObject)) ids.push_back(id);
  }
  return ids;
}

void PauseThreadsForReport(const TCrashModuleOptions& Options, const TCrashThreadsList& Snapshot,
                           std::uint32_t RaisingThread, unsigned HoldMs) {
  const std::vector<std::uint32_t> ids = ThreadsToPause(Options, Snapshot, RaisingThread);
  if (ids.empty()) return;
  std::vector<std::uint32_t> not_paused;
  {
    TCrashThreadsList& threads = CrashThreadsList();
    threads.BeginWrite();
    TScopeExit end_write([&] { threads.EndWrite(); });
    not_paused = HoldThreads(ids, kAnswerMs, HoldMs);
  }
  for (std::uint32_t id : not_paused)
    ShowInternalWarning(eeNone, "Thread " + std::to_string(id) + " is not paused while the report is made: it did not answer in time.");
}

}  // namespace lab
