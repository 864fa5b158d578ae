#include "platform/rtl/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace lab {
namespace {

using namespace std::chrono_literals;

TEST(CriticalSection, OwnerMayEnterAgainOthersMayNot) {
  TCriticalSection cs;
  cs.Enter();
  cs.Enter();  // recursive, as the Windows one
  EXPECT_TRUE(cs.TryEnter());
  bool otherGotIn = true;
  std::thread([&] { otherGotIn = cs.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIn);
  cs.Leave();
  cs.Leave();
  std::thread([&] { otherGotIn = cs.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIn);  // still held once
  cs.Leave();
  std::thread([&] {
    otherGotIn = cs.TryEnter();
    if (otherGotIn) cs.Leave();
  }).join();
  EXPECT_TRUE(otherGotIn);
}

TEST(CriticalSection, LeavingWithoutEnteringRaises) {
  TCriticalSection cs;
  EXPECT_THROW(cs.Leave(), EThread);
  cs.Enter();
  std::atomic<bool> raised = false;
  std::thread([&] {
    try {
      cs.Leave();
    } catch (const EThread&) {
      raised = true;
    }
  }).join();
  EXPECT_TRUE(raised);
  cs.Leave();
}

TEST(ReadWriteLock, WriterReentersAndReadsWhileWriting) {
  TMultiReadExclusiveWriteSynchronizer lock;
  EXPECT_TRUE(lock.BeginWrite());
  EXPECT_TRUE(lock.BeginWrite());
  lock.BeginRead();
  lock.BeginRead();
  lock.EndRead();
  lock.EndWrite();

  std::atomic<bool> readerIn = false;
  std::thread reader([&] {
    lock.BeginRead();
    readerIn = true;
    lock.EndRead();
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(readerIn);  // the write lock is still held once
  lock.EndRead();
  EXPECT_FALSE(readerIn);
  lock.EndWrite();
  reader.join();
  EXPECT_TRUE(readerIn);
}

TEST(ReadWriteLock, ReadsTakenDuringAWriteOutliveIt) {
  TMultiReadExclusiveWriteSynchronizer lock;
  lock.BeginWrite();
  lock.BeginRead();
  lock.EndWrite();  // now a plain reader: writers wait, readers do not
  std::atomic<bool> writerIn = false, readerIn = false;
  std::thread reader([&] {
    lock.BeginRead();
    readerIn = true;
    lock.EndRead();
  });
  reader.join();
  EXPECT_TRUE(readerIn);
  std::thread writer([&] {
    lock.BeginWrite();
    writerIn = true;
    lock.EndWrite();
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(writerIn);
  lock.EndRead();
  writer.join();
  EXPECT_TRUE(writerIn);
}

TEST(ReadWriteLock, ReadersShareAndNestedReadsPassAWaitingWriter) {
  TMultiReadExclusiveWriteSynchronizer lock;
  TSimpleEvent firstIn, secondIn;
  std::atomic<bool> together = false;
  std::thread first([&] {
    lock.BeginRead();
    firstIn.SetEvent();
    together = secondIn.WaitFor(10000) == wrSignaled;  // both hold the read lock at once
    std::this_thread::sleep_for(20ms);                  // let the writer below start waiting
    lock.BeginRead();                                   // nested: must not wait for that writer
    lock.EndRead();
    lock.EndRead();
  });
  ASSERT_EQ(firstIn.WaitFor(10000), wrSignaled);
  lock.BeginRead();
  secondIn.SetEvent();
  std::thread writer([&] {
    lock.BeginWrite();
    lock.EndWrite();
  });
  std::this_thread::sleep_for(10ms);
  lock.EndRead();
  first.join();
  writer.join();
  EXPECT_TRUE(together);
}

TEST(ReadWriteLock, TwoReadersAskingToWriteBothGetItAndTheLaterOneIsTold) {
  TMultiReadExclusiveWriteSynchronizer lock;
  TEvent bothReading(true, false);
  std::atomic<int> readers = 0, untouched = 0, shared = 0;
  auto upgrade = [&] {
    lock.BeginRead();
    if (++readers == 2) bothReading.SetEvent();
    bothReading.WaitFor(10000);
    if (lock.BeginWrite()) ++untouched;
    ++shared;
    lock.EndWrite();
    lock.EndRead();
  };
  std::thread a(upgrade), b(upgrade);
  a.join();
  b.join();
  EXPECT_EQ(shared, 2);
  EXPECT_EQ(untouched, 1);  // the second writer learns that the first wrote in between
  EXPECT_TRUE(lock.BeginWrite());  // and the lock is free again
  lock.EndWrite();
}

TEST(ReadWriteLock, UnbalancedEndsRaise) {
  TMultiReadExclusiveWriteSynchronizer lock;
  EXPECT_THROW(lock.EndRead(), EThread);
  EXPECT_THROW(lock.EndWrite(), EThread);
  lock.BeginRead();
  std::atomic<bool> raised = false;
  std::thread([&] {
    try {
      lock.EndRead();
    } catch (const EThread&) {
      raised = true;
    }
  }).join();
  EXPECT_TRUE(raised);
  lock.EndRead();
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet) {
  TEvent event(true, false);
  EXPECT_EQ(event.WaitFor(0), wrTimeout);
  std::atomic<int> released = 0;
  std::thread w1([&] { released += event.WaitFor() == wrSignaled; });
  std::thread w2([&] { released += event.WaitFor() == wrSignaled; });
  event.SetEvent();
  w1.join();
  w2.join();
  EXPECT_EQ(released, 2);
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  event.ResetEvent();
  EXPECT_EQ(event.WaitFor(10), wrTimeout);
}

TEST(Event, AutoResetReleasesOneWaitAtATime) {
  TEvent event(false, true);
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(0), wrTimeout);  // the first wait reset it
  std::atomic<int> released = 0;
  std::thread w1([&] { released += event.WaitFor(10000) == wrSignaled; });
  std::thread w2([&] { released += event.WaitFor(10000) == wrSignaled; });
  event.SetEvent();
  while (released < 1) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(released, 1);
  event.SetEvent();
  w1.join();
  w2.join();
  EXPECT_EQ(released, 2);
  TSimpleEvent simple;
  EXPECT_EQ(simple.WaitFor(0), wrTimeout);
}

}  // namespace
}  // namespace lab
