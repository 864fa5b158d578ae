// The message queue: posting and peeking with ranges, retrieval order, sends across threads with and
// without time-outs, windows and threads that went away, timers on the manual clock.

#include <atomic>
#include <chrono>
#include <thread>

#include "controls_fixture.h"
#include "platform/controls/input.h"
#include "platform/controls/painting.h"

namespace lab::testing {
namespace {

using namespace lab::win;
using namespace std::chrono_literals;

class QueueTest : public ControlsTest {};

TEST_F(QueueTest, PeekWithRangesAndRemoveFlags) {
  HWND a = Recording();
  HWND b = Recording();
  Pump();
  ASSERT_TRUE(wm::PostMessage(a, WM_USER + 1, 1, 0));
  ASSERT_TRUE(wm::PostMessage(b, WM_USER + 5, 2, 0));
  ASSERT_TRUE(wm::PostMessage(a, WM_USER + 7, 3, 0));
  ASSERT_TRUE(wm::PostMessage(nullptr, WM_APP, 4, 0));  // a thread message

  MSG m;
  // The range skips WM_USER + 1; without removal the message stays.
  ASSERT_TRUE(wm::PeekMessage(m, nullptr, WM_USER + 2, WM_USER + 10, wm::PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 5);
  ASSERT_TRUE(wm::PeekMessage(m, nullptr, WM_USER + 2, WM_USER + 10, wm::PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 5);
  EXPECT_EQ(m.hwnd, b);
  // A window filter takes that window's messages only, in order.
  ASSERT_TRUE(wm::PeekMessage(m, a, 0, 0, wm::PM_REMOVE));
  EXPECT_EQ(m.wParam, 1u);
  ASSERT_TRUE(wm::PeekMessage(m, a, 0, 0, wm::PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(wm::PeekMessage(m, a, 0, 0, wm::PM_REMOVE));
  // HWND -1 takes thread messages only.
  ASSERT_TRUE(wm::PeekMessage(m, HWND_THREAD, 0, 0, wm::PM_REMOVE));
  EXPECT_EQ(m.message, WM_APP);
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_FALSE(wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE));
}

TEST_F(QueueTest, PostedComeBeforeInputPaintAndTimers) {
  HWND a = Recording();
  Pump();
  wm::SetFocus(a);
  wm::SetTimer(a, 7, 10, nullptr);
  clock.Advance(10);
  wm::InvalidateRect(a, nullptr, false);
  input::KeyDown('Q', 'q');
  wm::PostMessage(a, WM_USER, 0, 0);
  std::vector<UINT> order;
  MSG m;
  while (wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
    order.push_back(m.message);
    if (m.message == WM_PAINT) wm::ValidateRect(a, nullptr);
    if (m.message == WM_TIMER) wm::KillTimer(a, 7);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
  input::KeyUp('Q');
  Pump();
}

TEST_F(QueueTest, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  HWND a = Recording();
  Pump();
  wm::PostQuitMessage(3);
  wm::PostMessage(a, WM_USER, 0, 0);
  MSG m;
  EXPECT_EQ(wm::GetMessage(m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_EQ(wm::GetMessage(m, nullptr, 0, 0), 0);
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(QueueTest, MessagesToADestroyedWindowAreDropped) {
  HWND a = Recording();
  Pump();
  wm::PostMessage(a, WM_USER + 1, 0, 0);
  wm::DestroyWindow(a);
  EXPECT_FALSE(wm::IsWindow(a));
  MSG m;
  EXPECT_FALSE(wm::PeekMessage(m, nullptr, WM_USER, WM_USER + 10, wm::PM_REMOVE));
  EXPECT_FALSE(wm::PostMessage(a, WM_USER, 0, 0));
  EXPECT_EQ(wm::SendMessage(a, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_TRUE(Only({WM_USER + 1}).empty());
}

TEST_F(QueueTest, SendFromAnotherThreadWaitsForThePump) {
  HWND a = Recording();
  Pump();
  std::atomic<bool> done{false};
  LRESULT answer = 0;
  std::thread sender([&] {
    answer = wm::SendMessage(a, WM_GETTEXTLENGTH, 0, 0);
    done = true;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(done);  // nobody pumps yet
  wm::SetWindowText(a, "hello");
  while (!done) {
    MSG m;
    wm::PeekMessage(m, nullptr, 0, 0, wm::PM_NOREMOVE);  // serves the send
    std::this_thread::yield();
  }
  sender.join();
  EXPECT_EQ(answer, 5);
}

TEST_F(QueueTest, SendMessageTimeoutGivesUpAndTheMessageIsNotServedLater) {
  HWND a = Recording();
  Pump();
  log.clear();
  bool ok = true;
  std::thread sender([&] {
    LRESULT r = 99;
    ok = wm::SendMessageTimeout(a, WM_USER + 3, 0, 0, wm::SMTO_BLOCK, 30, &r);
    EXPECT_EQ(r, 0);
  });
  sender.join();  // the owner does not pump meanwhile
  EXPECT_FALSE(ok);
  Pump();
  EXPECT_TRUE(Only({WM_USER + 3}).empty());

  // Served when the owner pumps within the time-out.
  std::atomic<bool> done{false};
  LRESULT result = 0;
  std::thread second([&] {
    ok = wm::SendMessageTimeout(a, WM_GETTEXTLENGTH, 0, 0, wm::SMTO_BLOCK, 10000, &result);
    done = true;
  });
  wm::SetWindowText(a, "abc");
  while (!done) {
    MSG m;
    wm::PeekMessage(m, nullptr, 0, 0, wm::PM_NOREMOVE);
    std::this_thread::yield();
  }
  second.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(result, 3);
}

TEST_F(QueueTest, SendToAWindowWhoseThreadEndedFails) {
  HWND orphan = nullptr;
  std::thread owner([&] {
    orphan = wm::CreateWindowEx(0, "", "x", WS_POPUP, 0, 0, 10, 10, nullptr, 0);
  });
  owner.join();
  ASSERT_TRUE(orphan);
  LRESULT r = 1;
  EXPECT_FALSE(wm::SendMessageTimeout(orphan, WM_NULL, 0, 0, wm::SMTO_BLOCK, 1000, &r));
  EXPECT_EQ(wm::SendMessage(orphan, WM_NULL, 0, 0), 0);
  EXPECT_FALSE(wm::PostMessage(orphan, WM_USER, 0, 0));
  wm::DestroyWindow(orphan);
}

TEST_F(QueueTest, SentMessagesAloneAreServedWhenAskedFor) {
  HWND a = Recording();
  Pump();
  wm::SetWindowText(a, "four");
  ASSERT_TRUE(wm::PostMessage(a, WM_USER + 1, 0, 0));
  std::atomic<bool> done{false};
  LRESULT answer = 0;
  std::thread sender([&] {
    answer = wm::SendMessage(a, WM_GETTEXTLENGTH, 0, 0);
    done = true;
  });
  MSG m;
  while (!done) {
    EXPECT_FALSE(wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE | wm::PM_QS_SENDMESSAGE));
    std::this_thread::yield();
  }
  sender.join();
  EXPECT_EQ(answer, 4);
  ASSERT_TRUE(wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE));  // the posted one stayed
  EXPECT_EQ(m.message, WM_USER + 1);
}

TEST_F(QueueTest, AThreadStoppedForGoodFailsWhatIsSentToItsWindows) {
  std::atomic<DWORD> id{0};
  std::atomic<bool> release{false};
  HWND window = nullptr;
  std::thread owner([&] {
    window = wm::CreateWindowEx(0, "", "x", WS_POPUP, 0, 0, 10, 10, nullptr, 0);
    id = wm::CurrentThreadId();
    while (!release) std::this_thread::sleep_for(1ms);  // never pumps
  });
  while (!id) std::this_thread::yield();
  LRESULT answer = 1;
  std::thread sender([&] { answer = wm::SendMessage(window, WM_USER, 0, 0); });
  wm::RetireThreadQueue(id);
  sender.join();  // given up, whether it was waiting already or came after
  EXPECT_EQ(answer, 0);
  LRESULT r = 1;
  EXPECT_FALSE(wm::SendMessageTimeout(window, WM_NULL, 0, 0, wm::SMTO_BLOCK, 10000, &r));
  EXPECT_FALSE(wm::PostMessage(window, WM_USER, 0, 0));
  release = true;
  owner.join();
  wm::DestroyWindow(window);
}

TEST_F(QueueTest, AnotherThreadReadsTheWindowTextWithoutWaitingForTheOwner) {
  HWND a = Recording();
  wm::SetWindowText(a, "Main window");
  Pump();
  std::string seen;
  int length = 0;
  std::thread reader([&] {
    seen = wm::GetWindowText(a);
    length = wm::GetWindowTextLength(a);
  });
  reader.join();  // the owner does not pump meanwhile
  EXPECT_EQ(seen, "Main window");
  EXPECT_EQ(length, 11);
}

TEST_F(QueueTest, ThreadMessagesReachAWorkerLoop) {
  std::atomic<DWORD> workerId{0};
  WPARAM got = 0;
  std::thread worker([&] {
    MSG m;
    wm::PeekMessage(m, nullptr, 0, 0, wm::PM_NOREMOVE);  // makes the queue
    workerId = wm::CurrentThreadId();
    while (wm::GetMessage(m, nullptr, 0, 0))
      if (m.message == WM_USER + 9) got = m.wParam;
  });
  while (!workerId) std::this_thread::yield();
  EXPECT_TRUE(wm::PostThreadMessage(workerId, WM_USER + 9, 42, 0));
  EXPECT_TRUE(wm::PostThreadMessage(workerId, WM_QUIT, 0, 0));
  worker.join();
  EXPECT_EQ(got, 42u);
  EXPECT_FALSE(wm::PostThreadMessage(workerId, WM_USER, 0, 0));  // that thread is gone
}

TEST_F(QueueTest, TimersFireOnTheManualClockAndMergeMissedIntervals) {
  HWND a = Recording();
  Pump();
  log.clear();
  EXPECT_EQ(wm::SetTimer(a, 5, 100, nullptr), 5u);
  clock.Advance(99);
  Pump();
  EXPECT_TRUE(Only({WM_TIMER}).empty());
  clock.Advance(1);
  Pump();
  EXPECT_EQ(Only({WM_TIMER}).size(), 1u);
  clock.Advance(350);  // three intervals missed: one message
  Pump();
  EXPECT_EQ(Only({WM_TIMER}).size(), 2u);
  EXPECT_TRUE(wm::KillTimer(a, 5));
  clock.Advance(1000);
  Pump();
  EXPECT_EQ(Only({WM_TIMER}).size(), 2u);
  EXPECT_FALSE(wm::KillTimer(a, 5));

  // Intervals below the minimum become the minimum.
  wm::SetTimer(a, 6, 1, nullptr);
  clock.Advance(9);
  Pump();
  EXPECT_EQ(Only({WM_TIMER}).size(), 2u);
  clock.Advance(1);
  Pump();
  EXPECT_EQ(Only({WM_TIMER}).size(), 3u);
  // A destroyed window's timers go with it.
  wm::DestroyWindow(a);
  clock.Advance(100);
  EXPECT_EQ(Pump(), 0);
}

int g_timerProcCalls = 0;
std::vector<Received> g_timerProcArgs;
void CountingTimerProc(HWND h, UINT m, UINT_PTR id, DWORD time) {
  ++g_timerProcCalls;
  g_timerProcArgs.push_back({h, m, id, static_cast<LPARAM>(time)});
}

// A timer procedure gets its window, WM_TIMER, the timer's id and the time. A timer without a window
// is known by the id SetTimer answers (not the one asked for), which KillTimer takes.
TEST_F(QueueTest, TimerProcRunsInsteadOfTheWindowProcedure) {
  HWND a = Recording();
  Pump();
  log.clear();
  g_timerProcCalls = 0;
  g_timerProcArgs.clear();
  EXPECT_EQ(wm::SetTimer(a, 9, 50, &CountingTimerProc), 9u);
  const UINT_PTR threadTimer = wm::SetTimer(nullptr, 9, 50, &CountingTimerProc);
  const UINT_PTR otherTimer = wm::SetTimer(nullptr, 9, 80, &CountingTimerProc);
  EXPECT_NE(threadTimer, 0u);
  EXPECT_NE(otherTimer, threadTimer);
  clock.Advance(50);
  Pump();
  EXPECT_EQ(g_timerProcCalls, 2);
  EXPECT_TRUE(Only({WM_TIMER}).empty());
  const DWORD now = static_cast<DWORD>(ClockMilliseconds());
  ASSERT_EQ(g_timerProcArgs.size(), 2u);
  for (const Received& r : g_timerProcArgs) {
    EXPECT_EQ(r.msg, WM_TIMER);
    EXPECT_EQ(static_cast<DWORD>(r.lParam), now);
  }
  EXPECT_EQ(g_timerProcArgs[0].hwnd, a);
  EXPECT_EQ(g_timerProcArgs[0].wParam, 9u);
  EXPECT_EQ(g_timerProcArgs[1].hwnd, nullptr);
  EXPECT_EQ(g_timerProcArgs[1].wParam, threadTimer);
  EXPECT_TRUE(wm::KillTimer(a, 9));
  EXPECT_TRUE(wm::KillTimer(nullptr, threadTimer));
  g_timerProcArgs.clear();
  clock.Advance(100);
  Pump();
  ASSERT_EQ(g_timerProcArgs.size(), 1u);
  EXPECT_EQ(g_timerProcArgs[0].wParam, otherTimer);
  EXPECT_TRUE(wm::KillTimer(nullptr, otherTimer));
  EXPECT_FALSE(wm::KillTimer(nullptr, otherTimer));
}

TEST_F(QueueTest, GetMessageWakesForATimerOnTheRealClock) {
  SetClock(nullptr);
  HWND a = Recording();
  Pump();
  wm::SetTimer(a, 1, 20, nullptr);
  MSG m;
  const auto start = std::chrono::steady_clock::now();
  do {
    ASSERT_EQ(wm::GetMessage(m, nullptr, 0, 0), 1);
    wm::DispatchMessage(m);
  } while (m.message != WM_TIMER);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 15ms);
  wm::KillTimer(a, 1);
  SetClock(&clock);
}

TEST_F(QueueTest, InvalidatingTwicePaintsOnce) {
  HWND a = Recording();
  Pump();
  log.clear();
  const RECT r1{0, 0, 10, 10}, r2{50, 50, 60, 60};
  wm::InvalidateRect(a, &r1, false);
  wm::InvalidateRect(a, &r2, false);
  RECT bounds;
  EXPECT_TRUE(wm::GetUpdateRect(a, &bounds, false));
  EXPECT_EQ(bounds, (RECT{0, 0, 60, 60}));
  Pump();
  EXPECT_EQ(Only({WM_PAINT}).size(), 1u);
  EXPECT_FALSE(wm::GetUpdateRect(a, nullptr, false));
  // Validating removes the need to paint.
  wm::InvalidateRect(a, nullptr, false);
  wm::ValidateRect(a, nullptr);
  Pump();
  EXPECT_EQ(Only({WM_PAINT}).size(), 1u);
}

}  // namespace
}  // namespace lab::testing
