#include "editor/line_breaks.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lab {

namespace {

// FindLineBreak16, with High holding the top bits of the bytes a wider search passed over before P.
const char* FindBreak16(const char* p, const char* const end, bool& Ascii, unsigned high) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto breaks = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
    const auto top = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    if (breaks != 0) {
      const int at = __builtin_ctz(breaks);
      Ascii = (high | (top & ((1u << at) - 1))) == 0;
      return p + at;
    }
    high |= top;
  }
#endif
  for (; p < end && *p != '\r' && *p != '\n'; ++p) high |= static_cast<unsigned char>(*p) & 0x80u;
  Ascii = high == 0;
  return p;
}

}  // namespace

const char* FindLineBreak16(const char* P, const char* End, bool& Ascii) { return FindBreak16(P, End, Ascii, 0); }

#if defined(__x86_64__)
__attribute__((target("avx2"))) const char* FindLineBreak32(const char* p, const char* const end, bool& Ascii) {
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  unsigned high = 0;
  for (; end - p >= 32; p += 32) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const auto breaks = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, cr), _mm256_cmpeq_epi8(bytes, lf))));
    const auto top = static_cast<unsigned>(_mm256_movemask_epi8(bytes));
    if (breaks != 0) {
      const int at = __builtin_ctz(breaks);
      Ascii = (high | (top & ((1u << at) - 1))) == 0;
      return p + at;
    }
    high |= top;
  }
  // The last bytes sixteen at a time, then one by one.
  return FindBreak16(p, end, Ascii, high);
}
#endif

}  // namespace lab
