#pragma once
// A short memory of earlier exception-handler analyses: walking the handler frames again for the
// same exception class, address and frame chain would give the same answer.

#include <cstdint>
#include <mutex>

namespace lab {

struct THandlerAnalysisKey {
  const void* ExceptClass;       // nullptr for none
  const void* ExceptAddr;
  std::uintptr_t FrameChainHead;  // the head of the thread's handler-frame chain
};

struct THandlerAnalysis {
  bool Handled = false;
  bool FirstIsThreadFrame = false;  // the first handling frame is the thread procedure's own
  std::int32_t HandlingFrames = 0;
  bool FirstIsSafecall = false;
};

constexpr int kHandlerCacheSize = 10;

// Both members run under one lock and do not allocate. Adding to a full cache drops the oldest entry.
class THandlerCache {
 public:
  bool Find(const THandlerAnalysisKey& Key, THandlerAnalysis& Result) const noexcept;
  void Add(const THandlerAnalysisKey& Key, const THandlerAnalysis& Result) noexcept;

 private:
  struct TEntry {
    THandlerAnalysisKey key;
    THandlerAnalysis result;
  };

  mutable std::mutex lock_;
  TEntry entries_[kHandlerCacheSize];
  int count_ = 0;
};

}  // namespace lab
