// The freeze watchdog, each case in a child process with a main window on the headless back-end.

#include "crashreport/capture/freeze_watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "fault_child.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"

namespace {
std::atomic<bool> crfreeze_reported{false};
}  // namespace

// The main thread's victim: busy without serving its messages until the report is out.
__attribute__((noinline)) void crfreeze_busy() {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!crfreeze_reported.load() && std::chrono::steady_clock::now() < give_up) {
  }
}

namespace lab {
namespace {

using testing::CountLines;
using testing::RunChild;
using testing::TChildResult;

// A main window, one-second freezes, and the watchdog switched on through the options.
void WatchAMainWindow() {
  SetCrashLogEnabled(true);
  wm::CreateWindowEx(0, "FreezeTest", "Main window", win::WS_OVERLAPPED | win::WS_VISIBLE, 0, 0, 100, 80, nullptr, 0);
  SetFaultReportWriter([](std::string_view Report) {
    testing::WriteChildReport(Report);
    crfreeze_reported = true;
  });
  TCrashModuleOptions& options = CurrentCrashLogOptions();
  options.SetFreezeTimeout(1);
  options.SetFreezeMessage("The lab program stopped answering.");
  options.SetActive(true);
  SetFreezeWatchdogSwitch(&SwitchFreezeWatchdog);
  options.SetFreezeActive(true);
  if (!FreezeWatchdogRunning()) std::_Exit(50);
}

void FreezeTheMainLoop() {
  WatchAMainWindow();
  crfreeze_busy();
  CurrentCrashLogOptions().SetFreezeActive(false);  // stops it before a second time-out
  std::_Exit(FreezeWatchdogRunning() ? 51 : 0);
}
[[maybe_unused]] const bool kFreezeVictim = testing::RegisterVictim("FrozenMainLoop", &FreezeTheMainLoop);

TEST(FreezeWatchdog, AMainThreadThatStopsAnsweringIsReportedOnceWithItsCallStack) {
  const TChildResult r = RunChild("Frozen", &FreezeTheMainLoop);
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_NE(r.Output.find("EFrozenApplication"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("The lab program stopped answering."), std::string::npos) << r.Output;
  const std::size_t stack = r.Output.find("Call Stack Information:");
  ASSERT_NE(stack, std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("crfreeze_busy", stack), std::string::npos) << r.Output;
}

// Serves the main thread's messages for Total, busy for Busy before each round.
void AnswerFor(std::chrono::milliseconds Total, std::chrono::milliseconds Busy) {
  const auto end = std::chrono::steady_clock::now() + Total;
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(Busy);
    win::MSG msg;
    while (wm::PeekMessage(msg, nullptr, 0, 0, wm::PM_REMOVE)) wm::DispatchMessage(msg);
  }
}

TEST(FreezeWatchdog, AMainThreadThatAnswersWithinEachTimeOutIsNeverReported) {
  const TChildResult r = RunChild("Answering", [] {
    WatchAMainWindow();
    // Busy for most of each second, but serving its messages in between.
    AnswerFor(std::chrono::milliseconds(2500), std::chrono::milliseconds(600));
    SwitchFreezeWatchdog(false);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 0u) << r.Output;
}

// The main thread waits for the report of its exception without serving its messages, three times
// as long as the time-out: the watchdog leaves it alone meanwhile, so no freeze is reported after.
TEST(FreezeWatchdog, AReportTakingLongerThanTheTimeOutIsNoFreeze) {
  const TChildResult r = RunChild("SlowReport", [] {
    WatchAMainWindow();
    SetFaultReportWriter([](std::string_view Report) {
      testing::WriteChildReport(Report);
      static bool first = true;
      if (std::exchange(first, false)) std::this_thread::sleep_for(std::chrono::seconds(3));
    });
    try {
      throw std::runtime_error("slow to report");
    } catch (...) {
      ReportCaughtException(std::current_exception());
    }
    // Answering again: a freeze taken meanwhile would be reported now, before the watchdog stops.
    AnswerFor(std::chrono::milliseconds(1500), std::chrono::milliseconds(20));
    SwitchFreezeWatchdog(false);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_NE(r.Output.find("slow to report"), std::string::npos) << r.Output;
  EXPECT_EQ(r.Output.find("EFrozenApplication"), std::string::npos) << r.Output;
}

TEST(FreezeWatchdog, TheTimeOutIsOffForNoSecondsAndNeverOverflows) {
  const struct {
    std::int32_t Seconds;
    std::int64_t Milliseconds;
  } cases[] = {{0, 0}, {-1, 0}, {INT32_MIN, 0}, {1, 1000}, {45, 45000}, {INT32_MAX, std::int64_t{INT32_MAX} * 1000}};
  for (const auto& c : cases) EXPECT_EQ(FreezeTimeoutMilliseconds(c.Seconds), c.Milliseconds) << c.Seconds;
}

}  // namespace
}  // namespace lab
