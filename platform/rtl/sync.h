#pragma once
// Locks and events with the framework's names and the Windows behaviour the callers rely on: a
// critical section may be entered again by its owner, a read-write lock lets its writer re-enter and
// read, events reset by hand or by the wait they release.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/threads.h"

namespace lab {

inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

class TCriticalSection : public TObject {
  LAB_CLASS(TCriticalSection, TObject)

 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Enter();
  bool TryEnter();
  // EThread when the calling thread does not hold the section.
  void Leave();

 private:
  std::recursive_mutex mutex_;
  std::atomic<TThreadID> owner_ = 0;
  int depth_ = 0;  // touched only by the owner
};

// Many readers or one writer. The writer may take the write lock again and may read; a reader may ask
// to write, and then waits until it is the only one: BeginWrite answers false when another writer got
// in before it, so what it read may have changed. New readers wait while a writer waits, except
// threads that already read, which may nest their reads freely.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  LAB_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)

 public:
  TMultiReadExclusiveWriteSynchronizer() = default;
  ~TMultiReadExclusiveWriteSynchronizer() override;
  TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
  TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;

  void BeginRead();
  // EThread when the calling thread holds no read lock.
  void EndRead();
  bool BeginWrite();
  // EThread when the calling thread does not hold the write lock.
  void EndWrite();

 private:
  int& ReadsOfThisThread();

  std::mutex lock_;
  std::condition_variable changed_;
  int readers_ = 0;  // threads holding read locks, the writer not counted
  TThreadID writer_ = 0;
  int write_depth_ = 0;
  int writers_waiting_ = 0;
  std::uint64_t write_count_ = 0;
};

class TEvent : public TObject {
  LAB_CLASS(TEvent, TObject)

 public:
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : manual_reset_(ManualReset), signaled_(InitialState) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  // A manual-reset event releases every waiter and stays set; an auto-reset one releases one waiter
  // and is reset by that release.
  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(std::uint32_t Timeout = INFINITE);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool manual_reset_;
  bool signaled_;
};

// A manual-reset event, initially not set.
class TSimpleEvent : public TEvent {
  LAB_CLASS(TSimpleEvent, TEvent)

 public:
  TSimpleEvent() : TEvent(true, false) {}
};

}  // namespace lab
