#include "crashreport/capture/handler_cache.h"

namespace lab {

bool THandlerCache::Find(const THandlerAnalysisKey& Key, THandlerAnalysis& Result) const noexcept {
  std::lock_guard guard(lock_);
  for (int i = 0; i < count_; ++i) {
    const THandlerAnalysisKey& k = entries_[i].key;
    if (k.ExceptClass == Key.ExceptClass && k.ExceptAddr == Key.ExceptAddr &&
        k.FrameChainHead == Key.FrameChainHead) {
      Result = entries_[i].result;
      return true;
    }
  }
  return false;
}

void THandlerCache::Add(const THandlerAnalysisKey& Key, const THandlerAnalysis& Result) noexcept {
  std::lock_guard guard(lock_);
  if (count_ == kHandlerCacheSize) {
    for (int i = 1; i < kHandlerCacheSize; ++i) entries_[i - 1] = entries_[i];
    --count_;
  }
  entries_[count_++] = TEntry{Key, Result};
}

}  // namespace lab
