#include "crashreport/capture/handler_cache.h"

#include <mutex>

namespace lab {
namespace {

struct TEntry {
  THandlerAnalysisKey key;
  THandlerAnalysis result;
};

std::mutex g_lock;
TEntry g_entries[kHandlerCacheSize];
int g_count = 0;

}  // namespace

bool FindHandlerAnalysis(const THandlerAnalysisKey& Key, THandlerAnalysis& Result) noexcept {
  std::lock_guard guard(g_lock);
  for (int i = 0; i < g_count; ++i) {
    const THandlerAnalysisKey& k = g_entries[i].key;
    if (k.ExceptClass == Key.ExceptClass && k.ExceptAddr == Key.ExceptAddr &&
        k.FrameChainHead == Key.FrameChainHead) {
      Result = g_entries[i].result;
      return true;
    }
  }
  return false;
}

void AddHandlerAnalysis(const THandlerAnalysisKey& Key, const THandlerAnalysis& Result) noexcept {
  std::lock_guard guard(g_lock);
  if (g_count == kHandlerCacheSize) {
    for (int i = 1; i < kHandlerCacheSize; ++i) g_entries[i - 1] = g_entries[i];
    --g_count;
  }
  g_entries[g_count++] = TEntry{Key, Result};
}

}  // namespace lab
