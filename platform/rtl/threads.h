#pragma once
// The framework's thread class and its hand-over of calls to the main thread.
//
// Synchronize queues a call for the main thread and waits until the main thread has run it through
// CheckSynchronize (the message loop calls it; WakeMainThread tells the loop that a call waits). On the
// main thread itself Synchronize simply calls. An exception thrown by the call is raised again in the
// thread that asked for it.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace lab {

using TThreadMethod = std::function<void()>;
using TThreadID = std::uint32_t;  // the kernel's thread id
using TThreadHandle = std::uintptr_t;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Called (with the asking thread, or nullptr) whenever a call is queued for the main thread. The
// message loop sets it once at start, before any thread runs.
extern TNotifyEvent WakeMainThread;

TThreadID MainThreadID() noexcept;
TThreadID GetCurrentThreadID() noexcept;
bool IsMainThread() noexcept;

// A thread the framework runs for itself (the display's event thread), which serves every other
// thread's windows: the crash reporter never holds one still while it makes a report. The mark lasts
// as long as the object made on that thread.
class TServiceThreadMark {
 public:
  TServiceThreadMark() noexcept;
  ~TServiceThreadMark();
  TServiceThreadMark(const TServiceThreadMark&) = delete;
  TServiceThreadMark& operator=(const TServiceThreadMark&) = delete;

 private:
  int slot_ = -1;
};
bool IsServiceThread(TThreadID ID) noexcept;

// Runs the calls queued for the main thread, after waiting up to `timeoutMs` for the first one.
// Answers whether any ran. EThread when called from another thread.
bool CheckSynchronize(int timeoutMs = 0);

class TThread;
// Where the crash reporter sees what escapes a thread's Execute: called in that thread, inside the
// handler that catches it (so the exception is the current one), before FatalException keeps it.
using TThreadExceptionHook = void (*)(TThread* Thread, std::exception_ptr E);
// Answers the previous hook; nullptr takes it away.
TThreadExceptionHook SetThreadExceptionHook(TThreadExceptionHook Hook) noexcept;

class TThread : public TObject {
  LAB_CLASS(TThread, TObject)

 public:
  // The system thread exists from here on (Handle and ThreadID are valid) but runs Execute only once
  // started. C++ calls no hook after the most derived constructor, so a thread that is not created
  // suspended starts in AfterConstruction, which Create calls; constructing directly means calling
  // AfterConstruction (or Start) yourself.
  explicit TThread(bool CreateSuspended);
  // Terminates the thread and waits for it. Execute must not use members of a derived class that are
  // already gone: a derived class whose Execute does so stops the thread in its own destructor.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  template <class T, class... A>
  static T* Create(A&&... args) {
    T* thread = new T(std::forward<A>(args)...);
    thread->AfterConstruction();
    return thread;
  }
  void AfterConstruction();

  // Start raises EThread "Cannot call Start on a running or suspended thread" when already started;
  // Resume starts a thread that was created suspended and does nothing otherwise.
  void Start();
  void Resume();
  void Terminate() noexcept;
  bool Terminated() const noexcept;
  bool Finished() const noexcept;
  // Waits until the thread has ended (OnTerminate included) and answers ReturnValue. On the main
  // thread the queued Synchronize calls keep running meanwhile. EThread for a thread that was never
  // started, that frees itself, or that waits for itself.
  int WaitFor();

  bool FreeOnTerminate() const noexcept;
  void SetFreeOnTerminate(bool value) noexcept;
  TThreadHandle Handle() const noexcept { return handle_; }
  TThreadID ThreadID() const noexcept { return thread_id_; }
  // Kept for the program's use; Linux gives ordinary threads no priorities to set without privileges.
  TThreadPriority Priority() const noexcept;
  void SetPriority(TThreadPriority value) noexcept;
  int ReturnValue() const noexcept;
  // What escaped Execute, or nullptr.
  std::exception_ptr FatalException() const;

  // Runs in the main thread (through Synchronize) after Execute, unless the thread was freed
  // before it ever started.
  TNotifyEvent OnTerminate;

  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // The routine every thread of this class starts in (the crash reporter recognises its frames).
  static const void* ThreadProcedure() noexcept { return reinterpret_cast<const void*>(&TThread::Run); }

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  void SetReturnValue(int value) noexcept;

 private:
  static void* Run(void* self);
  void RunInThread();

  TThreadHandle handle_ = 0;
  TThreadID thread_id_ = 0;
  bool create_suspended_;
  std::atomic<bool> terminated_ = false;
  std::atomic<bool> finished_ = false;
  // State below is guarded by the runtime's thread lock (threads.cpp).
  bool started_ = false;
  bool abandoned_ = false;  // freed before it started: Execute and OnTerminate do not run
  bool done_ = false;  // the thread function has returned from everything but its own exit
  bool joined_ = false;
  bool free_on_terminate_ = false;
  TThreadPriority priority_ = tpNormal;
  int return_value_ = 0;
  std::exception_ptr fatal_;
};

}  // namespace lab
