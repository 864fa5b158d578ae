#include "platform/rtl/threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/parallel.h"
#include "platform/rtl/sync.h"

namespace lab {
namespace {

// A thread that runs a given body.
class TBodyThread : public TThread {
 public:
  TBodyThread(bool suspended, std::function<void(TBodyThread&)> body)
      : TThread(suspended), body_(std::move(body)) {}
  // Stops the thread while body_ still exists, as the base class asks of derived classes.
  ~TBodyThread() override {
    Terminate();
    try {
      WaitFor();
    } catch (const EThread&) {  // never started, or freeing itself
    }
    if (on_destroy_) on_destroy_();
  }
  using TThread::SetReturnValue;
  using TThread::Synchronize;
  std::function<void()> on_destroy_;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TBodyThread&)> body_;
};

// Serves the main thread's queue until the thread has finished.
void PumpUntilFinished(const TThread& t) {
  while (!t.Finished()) CheckSynchronize(5);
  CheckSynchronize();
}

TEST(Synchronize, WorkerCallsRunOnTheMainThreadInOrder) {
  ASSERT_TRUE(IsMainThread());
  EXPECT_EQ(MainThreadID(), GetCurrentThreadID());
  std::vector<int> seen;  // touched only on the main thread
  std::atomic<int> offMain = 0;
  TBodyThread t(false, [&](TBodyThread& self) {
    for (int i = 0; i < 20; ++i)
      self.Synchronize([&, i] {
        if (!IsMainThread()) ++offMain;
        seen.push_back(i);
      });
  });
  t.AfterConstruction();
  PumpUntilFinished(t);
  EXPECT_EQ(t.WaitFor(), 0);
  ASSERT_EQ(seen.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(offMain, 0);
}

TEST(Synchronize, ExceptionsAreRaisedAgainInTheAskingThread) {
  std::string caught;
  bool classKept = false;
  TBodyThread t(false, [&](TBodyThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("'%s' is not a valid date", "x"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
      classKept = e.ClassName() == "EConvertError";
    }
  });
  t.AfterConstruction();
  PumpUntilFinished(t);
  t.WaitFor();
  EXPECT_EQ(caught, "'x' is not a valid date");
  EXPECT_TRUE(classKept);
}

TEST(Synchronize, OnTheMainThreadCallsDirectlyAndOnlyItMayPump) {
  bool ran = false;
  TThread::Synchronize(nullptr, [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EAbort("stop"); }), EAbort);
  EXPECT_FALSE(CheckSynchronize());  // nothing queued

  std::string error;
  TBodyThread t(false, [&](TBodyThread&) {
    try {
      CheckSynchronize();
    } catch (const EThread& e) {
      error = e.Message();
    }
  });
  t.AfterConstruction();
  t.WaitFor();
  EXPECT_NE(error.find("which is NOT the main thread"), std::string::npos) << error;
}

TEST(Synchronize, WakeMainThreadHearsOfQueuedCalls) {
  std::atomic<int> wakes = 0;
  std::atomic<TObject*> sender = nullptr;
  WakeMainThread = [&](TObject* s) {
    sender = s;
    ++wakes;
  };
  auto* t = TThread::Create<TBodyThread>(false, [](TBodyThread& self) { self.Synchronize([] {}); });
  PumpUntilFinished(*t);
  t->WaitFor();
  WakeMainThread = nullptr;
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(sender, t);
  delete t;
}

TEST(Thread, WaitForRunsOnTerminateOnTheMainThreadAndAnswersTheReturnValue) {
  bool terminatedOnMain = false;
  TObject* sender = nullptr;
  TBodyThread t(false, [](TBodyThread& self) { self.SetReturnValue(42); });
  t.OnTerminate = [&](TObject* s) {
    terminatedOnMain = IsMainThread();
    sender = s;
  };
  t.AfterConstruction();
  EXPECT_EQ(t.WaitFor(), 42);  // must serve OnTerminate's Synchronize while waiting
  EXPECT_TRUE(terminatedOnMain);
  EXPECT_EQ(sender, &t);
  EXPECT_EQ(t.ReturnValue(), 42);
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(t.WaitFor(), 42);  // a second wait answers at once
}

TEST(Thread, TerminateStopsALoopAndAnEscapedExceptionIsKept) {
  TBodyThread looping(false, [](TBodyThread& self) {
    while (!self.Terminated()) std::this_thread::yield();  // busy until told
  });
  looping.AfterConstruction();
  looping.Terminate();
  EXPECT_TRUE(looping.Terminated());
  looping.WaitFor();
  EXPECT_FALSE(looping.FatalException());

  TBodyThread failing(false, [](TBodyThread&) { throw EListError("List index out of bounds (%d)", 3); });
  failing.AfterConstruction();
  failing.WaitFor();
  ASSERT_TRUE(failing.FatalException());
  try {
    std::rethrow_exception(failing.FatalException());
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
}

TEST(Thread, SuspendedThreadsStartOnlyWhenAsked) {
  std::atomic<bool> ran = false;
  TBodyThread t(true, [&](TBodyThread&) { ran = true; });
  EXPECT_NE(t.ThreadID(), 0u);
  EXPECT_NE(t.ThreadID(), MainThreadID());
  EXPECT_NE(t.Handle(), 0u);
  t.AfterConstruction();  // created suspended: stays so
  EXPECT_THROW(t.WaitFor(), EThread);
  EXPECT_FALSE(ran);
  t.SetPriority(tpHigher);
  EXPECT_EQ(t.Priority(), tpHigher);
  t.Start();
  EXPECT_THROW(t.Start(), EThread);
  t.Resume();  // harmless once running
  t.WaitFor();
  EXPECT_TRUE(ran);
}

TEST(Thread, FreeingAThreadThatNeverStartedRunsNothing) {
  std::atomic<bool> ran = false, notified = false;
  {
    TBodyThread t(true, [&](TBodyThread&) { ran = true; });
    t.OnTerminate = [&](TObject*) { notified = true; };
  }
  EXPECT_FALSE(ran);
  EXPECT_FALSE(notified);
}

TEST(Thread, FreeOnTerminateDeletesTheObjectInItsOwnThread) {
  TSimpleEvent destroyed;
  std::atomic<bool> destroyedOffMain = false;
  auto* t = new TBodyThread(true, [](TBodyThread&) {});
  t->on_destroy_ = [&] {
    destroyedOffMain = !IsMainThread();
    destroyed.SetEvent();
  };
  t->SetFreeOnTerminate(true);
  EXPECT_THROW(t->WaitFor(), EThread);  // not started yet
  t->Start();
  ASSERT_EQ(destroyed.WaitFor(10000), wrSignaled);
  EXPECT_TRUE(destroyedOffMain);
}

TEST(Thread, AThreadCannotWaitForItself) {
  std::string error;
  TBodyThread t(false, [&](TBodyThread& self) {
    try {
      self.WaitFor();
    } catch (const EThread& e) {
      error = e.Message();
    }
  });
  t.AfterConstruction();
  t.WaitFor();
  EXPECT_EQ(error, "A thread cannot wait for itself");
}

// Ranges cover every item once, in order, each on its own thread (the first on the calling one), as
// many as the items allow and the machine's cores, never fewer items than asked for in one.
TEST(ForRanges, CoversEveryItemOnceInConsecutiveRanges) {
  const std::size_t most = ParallelRanges();
  ASSERT_GE(most, 1u);
  ASSERT_LE(most, 4u);
  struct TCase {
    std::size_t count, min_per_range;
  };
  for (const TCase& c : {TCase{0, 10}, {1, 10}, {19, 10}, {20, 10}, {21, 10}, {35, 10}, {1000, 10}, {1000, 0},
                         {100003, 16384}}) {
    struct TRange {
      std::size_t range, begin, end;
      std::thread::id thread;
    };
    std::mutex lock;
    std::vector<TRange> seen;
    ForRanges(c.count, c.min_per_range, [&](std::size_t range, std::size_t begin, std::size_t end) {
      const std::lock_guard hold(lock);
      seen.push_back({range, begin, end, std::this_thread::get_id()});
    });
    std::sort(seen.begin(), seen.end(), [](const TRange& a, const TRange& b) { return a.range < b.range; });
    const std::size_t expected =
        c.count == 0 ? 0 : std::clamp<std::size_t>(c.count / std::max<std::size_t>(c.min_per_range, 1), 1, most);
    ASSERT_EQ(seen.size(), expected) << c.count << " items";
    std::vector<std::thread::id> threads;
    for (std::size_t r = 0; r < seen.size(); ++r) {
      EXPECT_EQ(seen[r].range, r);
      EXPECT_EQ(seen[r].begin, r == 0 ? 0 : seen[r - 1].end) << c.count << " items, range " << r;
      if (expected > 1) {
        EXPECT_GE(seen[r].end - seen[r].begin, c.min_per_range);
      }
      threads.push_back(seen[r].thread);
    }
    if (!seen.empty()) {
      EXPECT_EQ(seen.back().end, c.count);
      EXPECT_EQ(seen[0].thread, std::this_thread::get_id());
    }
    std::sort(threads.begin(), threads.end());
    EXPECT_EQ(std::unique(threads.begin(), threads.end()), threads.end()) << "a thread ran two ranges";
  }
}

// A range that throws ends the call with its error only once the other ranges have finished their
// work; the first range's error wins.
TEST(ForRanges, AnErrorIsRaisedAfterEveryRangeHasEnded) {
  const std::size_t ranges = ParallelRanges(), last = ranges - 1;
  for (const std::vector<std::size_t>& failing : {std::vector<std::size_t>{last}, {0, last}}) {
    auto fails = [&](std::size_t range) { return std::find(failing.begin(), failing.end(), range) != failing.end(); };
    std::atomic<std::size_t> finished = 0;
    std::string error;
    try {
      ForRanges(1000 * ranges, 1000, [&](std::size_t range, std::size_t, std::size_t) {
        if (fails(range)) throw std::runtime_error("range " + std::to_string(range));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // still at work when the others throw
        ++finished;
      });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, "range " + std::to_string(failing[0]));
    std::size_t succeeding = 0;
    for (std::size_t r = 0; r < ranges; ++r) succeeding += !fails(r);
    EXPECT_EQ(finished, succeeding);
  }
}

}  // namespace
}  // namespace lab
