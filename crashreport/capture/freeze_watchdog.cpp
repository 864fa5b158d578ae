#include "crashreport/capture/freeze_watchdog.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/capture/fault_capture.h"
#include "crashreport/process_state.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/capture/thread_tracking.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr unsigned kPingMs = 50;
constexpr milliseconds kRest{50};
constexpr int kRests = 5;

struct TWatchdog {
  std::mutex lock;
  std::condition_variable wake;
  bool stop = false;
  std::thread thread;
};

TWatchdog& Watchdog() {
  static TWatchdog* watchdog = new TWatchdog;  // never destroyed: stopped by the shut-down
  return *watchdog;
}

// Sleeps for Time unless told to stop meanwhile; false when told to.
bool Rest(TWatchdog& W, milliseconds Time) {
  std::unique_lock guard(W.lock);
  return !W.wake.wait_for(guard, Time, [&] { return W.stop; });
}

bool Stopping(TWatchdog& W) {
  std::lock_guard guard(W.lock);
  return W.stop;
}

win::HWND MainWindow() { return FindProcessMainWindow(static_cast<std::uint32_t>(::getpid())); }

bool WindowExists(win::HWND Window) {
  TCrashWindowInfo info;
  return Window && CrashGui().GetWindowInfo(Window, info);
}

void ReportFreeze() {
  std::string message = OptionsInForce().FreezeMessage();
  if (message.empty()) message = "The application seems to be frozen.";
  ReportFrozenThread(MainThreadID(), std::make_shared<const EFrozenApplication>(message));
}

void Watch(TWatchdog& W) {
  win::HWND window = nullptr;
  while (!(window = MainWindow()))
    if (!Rest(W, kRest)) return;
  while (!Stopping(W)) {
    TClock::duration hung{};
    for (;;) {
      const std::int64_t timeout = FreezeTimeoutMilliseconds(OptionsInForce().FreezeTimeout());
      const TClock::time_point asked = TClock::now();
      const bool answered = CrashGui().Ping(window, kPingMs);
      if (answered || timeout == 0 || FaultReportInProgress() || !WindowExists(window)) {
        // A window that went away is followed by the one that took its place, if any.
        if (!answered && !WindowExists(window))
          if (win::HWND next = MainWindow()) window = next;
        hung = {};
        for (int i = 0; i < kRests; ++i)
          if (!Rest(W, kRest)) return;
        continue;
      }
      hung += TClock::now() - asked;
      if (std::chrono::duration_cast<milliseconds>(hung).count() >= timeout) break;
      if (Stopping(W)) return;
    }
    ReportFreeze();
  }
}

}  // namespace

std::int64_t FreezeTimeoutMilliseconds(std::int32_t Seconds) noexcept {
  return Seconds > 0 ? std::int64_t{Seconds} * 1000 : 0;
}

void SwitchFreezeWatchdog(bool Run) {
  TWatchdog& w = Watchdog();
  if (Run) {
    if (w.thread.joinable() || IsRunningInIDE()) return;
    w.stop = false;
    const TOwnThreadStart own;  // never in a report
    w.thread = std::thread([&w] { Watch(w); });
    return;
  }
  if (!w.thread.joinable() || w.thread.get_id() == std::this_thread::get_id()) return;
  {
    std::lock_guard guard(w.lock);
    w.stop = true;
  }
  w.wake.notify_all();
  w.thread.join();
}

bool FreezeWatchdogRunning() noexcept { return Watchdog().thread.joinable(); }

}  // namespace lab
