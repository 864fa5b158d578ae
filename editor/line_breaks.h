#pragma once
// The search for the end of a line: the first CR or LF, found in one pass that also tells whether
// every byte before it is ASCII, so that a line is searched for both breaks at once and never looked
// at again before it is copied. Sixteen bytes a step, or thirty-two on processors that have AVX2
// (checked once).

namespace lab {

// The first CR or LF from P on (End when there is none); Ascii tells whether every byte before it is
// ASCII. Sixteen bytes a step (SSE2, or a byte at a time without it).
const char* FindLineBreak16(const char* P, const char* End, bool& Ascii);

#if defined(__x86_64__)
// The processor has AVX2, for FindLineBreak32.
inline bool HaveAvx2() noexcept {
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2;
}
// As FindLineBreak16, thirty-two bytes a step: only where HaveAvx2().
const char* FindLineBreak32(const char* P, const char* End, bool& Ascii);
#endif

// The widest search the processor has.
inline const char* FindLineBreak(const char* P, const char* End, bool& Ascii) {
#if defined(__x86_64__)
  if (HaveAvx2()) return FindLineBreak32(P, End, Ascii);
#endif
  return FindLineBreak16(P, End, Ascii);
}

}  // namespace lab
