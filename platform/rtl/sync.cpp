#include "platform/rtl/sync.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace lab {

void TCriticalSection::Enter() {
  mutex_.lock();
  owner_ = GetCurrentThreadID();
  ++depth_;
}

bool TCriticalSection::TryEnter() {
  if (!mutex_.try_lock()) return false;
  owner_ = GetCurrentThreadID();
  ++depth_;
  return true;
}

void TCriticalSection::Leave() {
  if (owner_ != GetCurrentThreadID())
    throw EThread("Critical section left by a thread that has not entered it");
  if (--depth_ == 0) owner_ = 0;
  mutex_.unlock();
}

namespace {

// Each thread's read count per lock, so nested reads and reads under a write need no bookkeeping
// from the caller. Entries go when their count drops to zero.
thread_local std::vector<std::pair<const void*, int>> tReads;

}  // namespace

TMultiReadExclusiveWriteSynchronizer::~TMultiReadExclusiveWriteSynchronizer() {
  std::erase_if(tReads, [this](const auto& entry) { return entry.first == this; });
}

int& TMultiReadExclusiveWriteSynchronizer::ReadsOfThisThread() {
  for (auto& entry : tReads)
    if (entry.first == this) return entry.second;
  return tReads.emplace_back(this, 0).second;
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const TThreadID me = GetCurrentThreadID();
  std::unique_lock lock(lock_);
  int& reads = ReadsOfThisThread();
  if (reads == 0 && writer_ != me) {
    changed_.wait(lock, [&] { return writer_ == 0 && writers_waiting_ == 0; });
    ++readers_;
  }
  ++reads;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  const TThreadID me = GetCurrentThreadID();
  std::unique_lock lock(lock_);
  int& reads = ReadsOfThisThread();
  if (reads == 0) {
    std::erase_if(tReads, [this](const auto& entry) { return entry.first == this; });
    throw EThread("EndRead without BeginRead");
  }
  if (--reads > 0) return;
  std::erase_if(tReads, [this](const auto& entry) { return entry.first == this; });
  if (writer_ != me) {  // a writer's reads never counted as a reader
    --readers_;
    changed_.notify_all();  // under the lock, as the lock may be freed by whom it wakes
  }
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const TThreadID me = GetCurrentThreadID();
  std::unique_lock lock(lock_);
  if (writer_ == me) {
    ++write_depth_;
    return true;
  }
  const std::uint64_t seen = write_count_;
  const bool reading = ReadsOfThisThread() > 0;
  if (reading) --readers_;  // give the read lock up while waiting, so two upgrading readers cannot deadlock
  ++writers_waiting_;
  changed_.wait(lock, [&] { return writer_ == 0 && readers_ == 0; });
  --writers_waiting_;
  writer_ = me;
  write_depth_ = 1;
  return write_count_++ == seen;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  const TThreadID me = GetCurrentThreadID();
  std::unique_lock lock(lock_);
  if (writer_ != me) throw EThread("EndWrite without BeginWrite");
  if (--write_depth_ > 0) return;
  writer_ = 0;
  if (ReadsOfThisThread() > 0) ++readers_;  // back to the read lock it held or took while writing
  else std::erase_if(tReads, [this](const auto& entry) { return entry.first == this; });
  changed_.notify_all();
}

// Waking happens under the lock: a released waiter may free the event as soon as it returns.
void TEvent::SetEvent() {
  std::lock_guard lock(lock_);
  signaled_ = true;
  if (manual_reset_) changed_.notify_all();
  else changed_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard lock(lock_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(std::uint32_t Timeout) {
  std::unique_lock lock(lock_);
  auto isSet = [this] { return signaled_; };
  if (Timeout == INFINITE) changed_.wait(lock, isSet);
  else if (!changed_.wait_for(lock, std::chrono::milliseconds(Timeout), isSet)) return wrTimeout;
  if (!manual_reset_) signaled_ = false;
  return wrSignaled;
}

}  // namespace lab
