// Threads held still while a report is made: how a hold ends, and which threads the options pick.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "crashreport/capture/thread_tracking.h"
#include "crashreport/report/report_pause.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/threads.h"
#include "tests/crashreport/fault_child.h"

namespace lab::testing {
namespace {

// A thread that answers pings (it copies the ping's number) until it is told to end; one that starts
// with the signal that holds threads blocked cannot be held until it unblocks it.
class TAnswerer {
 public:
  explicit TAnswerer(bool Blocked) : blocked_(Blocked), thread_([this] { Run(); }) {
    while (!id_) std::this_thread::yield();
  }
  ~TAnswerer() {
    end_ = true;
    thread_.join();
  }
  std::uint32_t ID() const { return id_; }
  void Unblock() { unblock_ = true; }
  // Whether it answers a new ping within LimitMs.
  bool Answers(int LimitMs) {
    const int ping = ++ping_;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
    while (answer_ != ping && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return answer_ == ping;
  }

 private:
  void Run() {
    sigset_t capture;
    sigemptyset(&capture);
    sigaddset(&capture, CaptureSignal());
    if (blocked_) ::pthread_sigmask(SIG_BLOCK, &capture, nullptr);
    id_ = GetCurrentThreadID();
    while (!end_) {
      if (blocked_ && unblock_) ::pthread_sigmask(SIG_UNBLOCK, &capture, nullptr);  // a late request comes now
      answer_ = ping_.load();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  const bool blocked_;
  std::atomic<int> ping_{0}, answer_{0};
  std::atomic<bool> end_{false}, unblock_{false};
  std::atomic<std::uint32_t> id_{0};
  std::thread thread_;
};

struct THoldCase {
  const char* Name;
  bool Blocked;  // the thread cannot answer the signal
  unsigned HoldMs;
  bool NotHeld;           // named as not held
  bool AnswersWhileHeld;  // goes on before it is released
};

void PrintTo(const THoldCase& Case, std::ostream* Out) { *Out << Case.Name; }

class Hold : public ::testing::TestWithParam<THoldCase> {};

// A held thread cannot answer: 200 ms without an answer show nothing but that it is held. One that
// goes on is given 10 s to show it.
TEST_P(Hold, EndsWhenReleasedOrAtItsLimit) {
  const THoldCase& c = GetParam();
  TAnswerer thread(c.Blocked);
  const std::vector<std::uint32_t> not_held = HoldThreads({thread.ID()}, 200, c.HoldMs);
  EXPECT_EQ(not_held, c.NotHeld ? std::vector<std::uint32_t>{thread.ID()} : std::vector<std::uint32_t>{});
  EXPECT_EQ(thread.Answers(c.AnswersWhileHeld ? 10000 : 200), c.AnswersWhileHeld);
  thread.Unblock();
  ReleaseHeldThreads();
  EXPECT_TRUE(thread.Answers(10000));
}

INSTANTIATE_TEST_SUITE_P(Threads, Hold,
                         ::testing::Values(THoldCase{"HeldUntilReleased", false, 120000, false, false},
                                           THoldCase{"GoesOnAtItsLimitUnreleased", false, 50, false, true},
                                           THoldCase{"NotAnsweringIsNotHeld", true, 120000, true, true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Hold, LeavesOutTheCallingThreadAndThreadsThatEnded) {
  std::uint32_t ended = 0;
  std::thread([&] { ended = GetCurrentThreadID(); }).join();
  EXPECT_TRUE(HoldThreads({GetCurrentThreadID(), ended}, 200, 120000).empty());
  ReleaseHeldThreads();
}

// The threads of a child that tracks its threads, as the bits of the exit code ThreadsToPause gives
// when a thread of its own asks: the raising thread, the crash reporter's own and a service thread
// are never among them.
enum : int { kMain = 1, kObject = 2, kPlain = 4, kRaising = 8, kOwn = 16, kService = 32 };

class TWaitingObject : public TThread {
 public:
  explicit TWaitingObject(const std::atomic<bool>& End) : TThread(false), end_(End) {}

 protected:
  void Execute() override {
    while (!end_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  const std::atomic<bool>& end_;
};

int PickedThreads(std::uint8_t BehaviourFlags) {
  CurrentCrashLogOptions().SetBehaviourFlags(BehaviourFlags);
  std::atomic<bool> end{false};
  std::atomic<std::uint32_t> ids[6] = {};
  ids[0] = GetCurrentThreadID();
  auto wait = [&](int Bit) {
    ids[std::countr_zero(static_cast<unsigned>(Bit))] = GetCurrentThreadID();
    while (!end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  TThread* object = TThread::Create<TWaitingObject>(end);
  ids[1] = object->ThreadID();
  std::thread plain(wait, kPlain), raising(wait, kRaising);
  std::optional<TOwnThreadStart> own_start(std::in_place);
  std::thread own(wait, kOwn);
  own_start.reset();
  std::thread service([&] {
    const TServiceThreadMark mark;
    wait(kService);
  });
  for (auto& id : ids)
    while (!id) std::this_thread::yield();
  int picked = 0;
  std::thread([&] {
    const TCrashThreadsList snapshot(CrashThreadsList());
    for (std::uint32_t id : ThreadsToPause(CurrentCrashLogOptions(), snapshot, ids[3]))
      for (int i = 0; i < 6; ++i)
        if (ids[i] == id) picked |= 1 << i;
  }).join();
  end = true;
  for (std::thread* t : {&plain, &raising, &own, &service}) t->join();
  object->WaitFor();
  delete object;
  return picked;
}

struct TPickCase {
  const char* Name;
  std::uint8_t BehaviourFlags;
  int Picked;
};

void PrintTo(const TPickCase& Case, std::ostream* Out) { *Out << Case.Name; }

class Pick : public ::testing::TestWithParam<TPickCase> {};

TEST_P(Pick, TheThreadsTheOptionsAskFor) {
  const TPickCase& c = GetParam();
  const TChildResult r = RunChild(std::string("Pick") + c.Name, [&] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    std::_Exit(PickedThreads(c.BehaviourFlags));
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), c.Picked) << r.Output;
}

INSTANTIATE_TEST_SUITE_P(Options, Pick,
                         ::testing::Values(TPickCase{"None", 0x30, 0}, TPickCase{"MainAndObjects", 0x02, kMain | kObject},
                                           TPickCase{"ObjectsMainSpared", 0x06, kObject},
                                           TPickCase{"SparingAloneNone", 0x04, 0}, TPickCase{"Others", 0x08, kPlain},
                                           TPickCase{"All", 0x0A, kMain | kObject | kPlain},
                                           TPickCase{"AllButMain", 0x0E, kObject | kPlain}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab::testing
