#include "platform/rtl/threads.h"

#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>

#include "platform/rtl/checks.h"

namespace lab {

TNotifyEvent WakeMainThread;

namespace {
std::atomic<TThreadExceptionHook> g_exception_hook{nullptr};
}  // namespace

TThreadExceptionHook SetThreadExceptionHook(TThreadExceptionHook Hook) noexcept { return g_exception_hook.exchange(Hook); }

namespace {

struct SyncRequest {
  const TThreadMethod* Method;
  std::exception_ptr Error;
  bool Done = false;
};

// One lock and one condition for all thread state and the main thread's queue: threads are few,
// and a single condition cannot miss a wake-up between two of them.
struct Runtime {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<SyncRequest*> Queue;
};

Runtime& State() {
  static Runtime* runtime = new Runtime;  // never destroyed: threads may outlive static destruction
  return *runtime;
}

// Runs what is queued now; the caller holds `lock` and gets it back.
bool RunQueued(std::unique_lock<std::mutex>& lock) {
  Runtime& rt = State();
  if (rt.Queue.empty()) return false;
  std::deque<SyncRequest*> batch;
  batch.swap(rt.Queue);
  lock.unlock();
  for (SyncRequest* request : batch) {
    std::exception_ptr error;
    try {
      (*request->Method)();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    // The request lives on the asking thread's stack: not touched after this. The error moves, so
    // the asking thread alone owns it from here.
    request->Error = std::move(error);
    request->Done = true;
    rt.Changed.notify_all();
    lock.unlock();
  }
  lock.lock();
  return true;
}

}  // namespace

TThreadID MainThreadID() noexcept { return static_cast<TThreadID>(getpid()); }
TThreadID GetCurrentThreadID() noexcept { return static_cast<TThreadID>(gettid()); }
bool IsMainThread() noexcept { return gettid() == getpid(); }

namespace {
// Few service threads run at once; a fixed table keeps the question free of locks.
std::atomic<TThreadID> g_service_threads[8];
}  // namespace

TServiceThreadMark::TServiceThreadMark() noexcept {
  for (int i = 0; i < static_cast<int>(std::size(g_service_threads)); ++i) {
    TThreadID none = 0;
    if (g_service_threads[i].compare_exchange_strong(none, GetCurrentThreadID())) {
      slot_ = i;
      return;
    }
  }
  LAB_ASSERT(!"more service threads than the table holds");
}

TServiceThreadMark::~TServiceThreadMark() {
  if (slot_ >= 0) g_service_threads[slot_].store(0);
}

bool IsServiceThread(TThreadID ID) noexcept {
  for (const auto& service : g_service_threads)
    if (ID != 0 && service.load() == ID) return true;
  return false;
}

bool CheckSynchronize(int timeoutMs) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from thread $%x, which is NOT the main thread",
                  GetCurrentThreadID());
  Runtime& rt = State();
  std::unique_lock lock(rt.Lock);
  if (timeoutMs > 0)
    rt.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !rt.Queue.empty(); });
  return RunQueued(lock);
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  Runtime& rt = State();
  SyncRequest request{&method, nullptr, false};
  {
    std::lock_guard lock(rt.Lock);
    rt.Queue.push_back(&request);
  }
  rt.Changed.notify_all();
  if (WakeMainThread) WakeMainThread(thread);
  std::unique_lock lock(rt.Lock);
  rt.Changed.wait(lock, [&] { return request.Done; });
  if (request.Error) std::rethrow_exception(request.Error);
}

TThread::TThread(bool CreateSuspended) : create_suspended_(CreateSuspended) {
  pthread_t handle;
  if (const int err = pthread_create(&handle, nullptr, &TThread::Run, this); err != 0)
    throw EThread("Thread creation error: %s", std::string(strerror(err)));
  handle_ = static_cast<TThreadHandle>(handle);
  Runtime& rt = State();
  std::unique_lock lock(rt.Lock);
  rt.Changed.wait(lock, [&] { return thread_id_ != 0; });
}

TThread::~TThread() {
  Runtime& rt = State();
  const pthread_t handle = static_cast<pthread_t>(handle_);
  if (pthread_equal(handle, pthread_self())) {  // freed on terminate, from its own thread
    pthread_detach(handle);
    return;
  }
  terminated_ = true;
  std::unique_lock lock(rt.Lock);
  if (!started_) abandoned_ = true;
  rt.Changed.notify_all();
  // The main thread keeps serving Synchronize calls, OnTerminate's among them, while it waits.
  while (!done_) {
    if (IsMainThread() && RunQueued(lock)) continue;
    rt.Changed.wait(lock, [&] { return done_ || (IsMainThread() && !rt.Queue.empty()); });
  }
  const bool join = !joined_;
  joined_ = true;
  lock.unlock();
  if (join) pthread_join(handle, nullptr);
}

void* TThread::Run(void* self) {
  static_cast<TThread*>(self)->RunInThread();
  return nullptr;
}

void TThread::RunInThread() {
  Runtime& rt = State();
  {
    std::unique_lock lock(rt.Lock);
    thread_id_ = GetCurrentThreadID();
    rt.Changed.notify_all();
    rt.Changed.wait(lock, [&] { return started_ || abandoned_; });
    if (abandoned_) {
      done_ = true;
      rt.Changed.notify_all();
      return;
    }
  }
  if (!terminated_) {
    try {
      Execute();
    } catch (...) {
      std::exception_ptr error = std::current_exception();
      if (TThreadExceptionHook hook = g_exception_hook.load()) hook(this, error);
      std::lock_guard lock(rt.Lock);
      fatal_ = std::move(error);
    }
  }
  finished_ = true;
  try {
    DoTerminate();
  } catch (...) {
    std::lock_guard lock(rt.Lock);
    if (!fatal_) fatal_ = std::current_exception();
  }
  bool freeIt;
  {
    std::lock_guard lock(rt.Lock);
    freeIt = free_on_terminate_;
    done_ = true;
  }
  rt.Changed.notify_all();
  if (freeIt) delete this;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::AfterConstruction() {
  if (!create_suspended_) Start();
}

void TThread::Start() {
  Runtime& rt = State();
  {
    std::lock_guard lock(rt.Lock);
    if (started_) throw EThread("Cannot call Start on a running or suspended thread");
    started_ = true;
  }
  rt.Changed.notify_all();
}

void TThread::Resume() {
  Runtime& rt = State();
  {
    std::lock_guard lock(rt.Lock);
    if (started_) return;
    started_ = true;
  }
  rt.Changed.notify_all();
}

void TThread::Terminate() noexcept { terminated_ = true; }
bool TThread::Terminated() const noexcept { return terminated_; }
bool TThread::Finished() const noexcept { return finished_; }

int TThread::WaitFor() {
  Runtime& rt = State();
  std::unique_lock lock(rt.Lock);
  if (GetCurrentThreadID() == thread_id_) throw EThread("A thread cannot wait for itself");
  if (!started_) throw EThread("Cannot wait for a thread that has not been started");
  if (free_on_terminate_) throw EThread("Cannot wait for a thread that frees itself");
  while (!done_) {
    if (IsMainThread() && RunQueued(lock)) continue;
    rt.Changed.wait(lock, [&] { return done_ || (IsMainThread() && !rt.Queue.empty()); });
  }
  const bool join = !joined_;
  joined_ = true;
  lock.unlock();
  if (join) pthread_join(static_cast<pthread_t>(handle_), nullptr);
  return return_value_;
}

bool TThread::FreeOnTerminate() const noexcept {
  std::lock_guard lock(State().Lock);
  return free_on_terminate_;
}

void TThread::SetFreeOnTerminate(bool value) noexcept {
  std::lock_guard lock(State().Lock);
  free_on_terminate_ = value;
}

TThreadPriority TThread::Priority() const noexcept {
  std::lock_guard lock(State().Lock);
  return priority_;
}

void TThread::SetPriority(TThreadPriority value) noexcept {
  std::lock_guard lock(State().Lock);
  priority_ = value;
}

int TThread::ReturnValue() const noexcept {
  std::lock_guard lock(State().Lock);
  return return_value_;
}

void TThread::SetReturnValue(int value) noexcept {
  std::lock_guard lock(State().Lock);
  return_value_ = value;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(State().Lock);
  return fatal_;
}

}  // namespace lab
