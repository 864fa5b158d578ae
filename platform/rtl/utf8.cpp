#include "platform/rtl/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lab {

namespace {

using Byte = unsigned char;

constexpr char32_t kReplacement = 0xFFFD;

inline bool IsContinuation(Byte b) { return (b & 0xC0) == 0x80; }

// Decodes the unit at P: a well-formed sequence, or else the single byte P[0] as Latin-1.
// Answers the unit's length in bytes.
inline std::size_t DecodeUnit(const Byte* p, const Byte* end, char32_t& cp) {
  const Byte b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  const std::ptrdiff_t left = end - p;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (left >= 2 && IsContinuation(p[1])) {
      cp = (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
      return 2;
    }
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    // E0 must not be overlong, ED must not reach the surrogates.
    const Byte lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const Byte hi = b0 == 0xED ? 0x9F : 0xBF;
    if (left >= 3 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2])) {
      cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
      return 3;
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    // F0 must not be overlong, F4 must stay within U+10FFFF.
    const Byte lo = b0 == 0xF0 ? 0x90 : 0x80;
    const Byte hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (left >= 4 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2]) && IsContinuation(p[3])) {
      cp = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
           (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
      return 4;
    }
  }
  cp = b0;
  return 1;
}

// ASCII runs, the common case, are taken a block at a time.
constexpr std::ptrdiff_t kBlock = 16;

// True when the kBlock bytes at P are all ASCII.
inline bool BlockIsAscii(const Byte* p) {
#if defined(__SSE2__)
  return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) == 0;
#else
  std::uint64_t a, b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  return ((a | b) & 0x8080808080808080ull) == 0;
#endif
}

// Widens the kBlock ASCII bytes at P into O.
inline void WidenBlock(const Byte* p, char32_t* o) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
  auto* out = reinterpret_cast<__m128i*>(o);
  _mm_storeu_si128(out, _mm_unpacklo_epi16(low, zero));
  _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(low, zero));
  _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(high, zero));
  _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(high, zero));
#else
  Byte copy[kBlock];  // a copy, so the compiler need not fear the stores touch the source
  std::memcpy(copy, p, kBlock);
  for (int i = 0; i < kBlock; ++i) o[i] = copy[i];
#endif
}

inline std::size_t EncodedSize(char32_t c) {
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c < 0x10000) return 3;  // surrogates become U+FFFD, also 3 bytes
  if (c <= 0x10FFFF) return 4;
  return 3;
}

inline char* EncodeUnit(char* o, char32_t c) {
  if (c < 0x80) {
    *o++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *o++ = static_cast<char>(0xC0 | (c >> 6));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000 || c > 0x10FFFF) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    *o++ = static_cast<char>(0xE0 | (c >> 12));
    *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | (c >> 18));
    *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return o;
}

const Byte* Begin(std::string_view s) { return reinterpret_cast<const Byte*>(s.data()); }

}  // namespace

bool Utf8WellFormed(std::string_view S) {
  const Byte* p = Begin(S);
  const Byte* const end = p + S.size();
  while (p < end) {
    if (end - p >= kBlock && BlockIsAscii(p)) {
      p += kBlock;
      continue;
    }
    char32_t cp;
    const std::size_t n = DecodeUnit(p, end, cp);
    if (n == 1 && *p >= 0x80) return false;
    p += n;
  }
  return true;
}

std::size_t Utf8Length(std::string_view S) {
  const Byte* p = Begin(S);
  const Byte* const end = p + S.size();
  std::size_t n = 0;
  while (p < end) {
    if (end - p >= kBlock && BlockIsAscii(p)) {
      p += kBlock;
      n += kBlock;
      continue;
    }
    char32_t cp;
    p += DecodeUnit(p, end, cp);
    ++n;
  }
  return n;
}

void Utf8DecodeAppend(std::string_view S, std::u32string& Out) {
  // Sized exactly first, so long-lived lines carry no spare capacity.
  const std::size_t old = Out.size();
  Out.resize(old + Utf8Length(S));
  char32_t* o = Out.data() + old;
  const Byte* p = Begin(S);
  const Byte* const end = p + S.size();
  while (p < end) {
    if (end - p >= kBlock && BlockIsAscii(p)) {
      WidenBlock(p, o);
      p += kBlock;
      o += kBlock;
      continue;
    }
    p += DecodeUnit(p, end, *o++);
  }
}

std::u32string Utf8Decode(std::string_view S) {
  std::u32string out;
  Utf8DecodeAppend(S, out);
  return out;
}

std::string Utf8Encode(std::u32string_view S) {
  std::size_t size = 0;
  for (char32_t c : S) size += EncodedSize(c);
  std::string out(size, '\0');
  char* o = out.data();
  for (char32_t c : S) o = EncodeUnit(o, c);
  return out;
}

void Utf8Append(std::string& Out, char32_t C) {
  char buf[4];
  Out.append(buf, static_cast<std::size_t>(EncodeUnit(buf, C) - buf));
}

std::size_t Utf8Offset(std::string_view S, std::size_t N) {
  const Byte* const begin = Begin(S);
  const Byte* p = begin;
  const Byte* const end = p + S.size();
  while (N > 0 && p < end) {
    if (N >= kBlock && end - p >= kBlock && BlockIsAscii(p)) {
      p += kBlock;
      N -= kBlock;
      continue;
    }
    char32_t cp;
    p += DecodeUnit(p, end, cp);
    --N;
  }
  return static_cast<std::size_t>(p - begin);
}

std::size_t Utf8Next(std::string_view S, std::size_t Offset) {
  if (Offset >= S.size()) return S.size();
  char32_t cp;
  return Offset + DecodeUnit(Begin(S) + Offset, Begin(S) + S.size(), cp);
}

std::size_t Utf8Prev(std::string_view S, std::size_t Offset) {
  if (Offset == 0) return 0;
  if (Offset > S.size()) Offset = S.size();
  const Byte* const begin = Begin(S);
  const Byte* const end = begin + S.size();
  // A sequence is at most 4 bytes: the nearest byte that is no continuation byte starts the unit
  // before Offset only if its well-formed sequence ends exactly at Offset; otherwise the byte just
  // before Offset stands alone.
  const std::size_t lowest = Offset >= 4 ? Offset - 4 : 0;
  std::size_t q = Offset - 1;
  while (q > lowest && IsContinuation(begin[q])) --q;
  char32_t cp;
  if (q + DecodeUnit(begin + q, end, cp) == Offset) return q;
  return Offset - 1;
}

char32_t Utf8At(std::string_view S, std::size_t Offset, std::size_t* Length) {
  if (Offset >= S.size()) {
    if (Length) *Length = 0;
    return 0;
  }
  char32_t cp;
  const std::size_t n = DecodeUnit(Begin(S) + Offset, Begin(S) + S.size(), cp);
  if (Length) *Length = n;
  return cp;
}

}  // namespace lab
