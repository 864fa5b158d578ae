#include "platform/rtl/checks.h"

#include <cstdio>
#include <cstdlib>

namespace lab::detail {

void AssertionFailed(const char* Condition, const char* File, int Line) noexcept {
  std::fprintf(stderr, "%s:%d: LAB_ASSERT failed: %s\n", File, Line, Condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace lab::detail
