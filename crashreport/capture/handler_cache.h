#pragma once
// A short memory of earlier exception-handler analyses: walking the handler frames again for the
// same exception class, address and frame chain would give the same answer.

#include <cstdint>

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

// Both run under one lock and do not allocate. Adding to a full cache drops the oldest entry.
bool FindHandlerAnalysis(const THandlerAnalysisKey& Key, THandlerAnalysis& Result) noexcept;
void AddHandlerAnalysis(const THandlerAnalysisKey& Key, const THandlerAnalysis& Result) noexcept;

}  // namespace lab
