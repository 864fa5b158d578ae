#include "editor/line_loader.h"

#include <cstdint>
#include <cstring>

#include "platform/rtl/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lab {

namespace {

// The first CR or LF from P on (End when there is none), in one pass that also tells whether every
// byte before it is ASCII: a line is searched for both breaks at once and never looked at again
// before it is copied.
const char* FindBreak(const char* p, const char* const end, bool& Ascii) {
  unsigned high = 0;
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

// Eight bytes at a time.
bool IsAscii(std::string_view S) {
  const char* p = S.data();
  const char* const end = p + S.size();
  std::uint64_t bits = 0;
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    bits |= word;
  }
  for (; p < end; ++p) bits |= static_cast<unsigned char>(*p);
  return (bits & 0x8080808080808080u) == 0;
}

// The line of Piece, decoded straight into a block of the arena at its exact size and width: an
// ASCII line is copied byte for byte; any other is decoded (as the runtime's decoder splits it)
// into Scratch first, to learn its width.
void DecodeLine(std::string_view Piece, bool Ascii, TLineArena& Arena, TLineString& Line, std::u32string& Scratch) {
  if (Ascii) {
    if (unsigned char* out = Arena.Allocate(Line, Piece.size(), 1)) std::memcpy(out, Piece.data(), Piece.size());
    return;
  }
  // Decoded as the runtime's decoder splits it, with ASCII taken byte for byte.
  Scratch.resize(Piece.size());
  std::size_t n = 0;
  char32_t widest = 0;
  for (std::size_t at = 0; at < Piece.size();) {
    const auto byte = static_cast<unsigned char>(Piece[at]);
    if (byte < 0x80) {
      Scratch[n++] = byte;
      ++at;
    } else {
      std::size_t length;
      const char32_t c = Utf8At(Piece, at, &length);
      widest |= c;
      Scratch[n++] = c;
      at += length;
    }
  }
  Scratch.resize(n);
  const int width = widest < 0x100 ? 1 : widest < 0x10000 ? 2 : 4;
  unsigned char* out = Arena.Allocate(Line, Scratch.size(), width);
  if (width == 4) {
    std::memcpy(out, Scratch.data(), Scratch.size() * 4);
  } else if (width == 2) {
    for (char32_t c : Scratch) {
      const auto unit = static_cast<char16_t>(c);
      std::memcpy(out, &unit, 2);
      out += 2;
    }
  } else {
    for (char32_t c : Scratch) *out++ = static_cast<unsigned char>(c);
  }
}

}  // namespace

void TLineLoader::AddLine(std::string_view Line, bool Ascii) {
  TLineString& line = lines_.emplace_back();
  DecodeLine(Line, Ascii, arena_, line, scratch_);
}

void TLineLoader::Feed(std::string_view Bytes) {
  const char* p = Bytes.data();
  const char* const end = p + Bytes.size();
  if (p == end) return;
  if (after_cr_) {
    after_cr_ = false;
    if (*p == '\n') {
      saw_lf_ = true;
      ++p;
    }
  }
  ended_with_break_ = end[-1] == '\r' || end[-1] == '\n';
  while (p < end) {
    bool ascii;
    const char* stop = FindBreak(p, end, ascii);
    if (stop == end) {
      carry_.append(p, end);
      return;
    }
    if (carry_.empty()) {
      AddLine(std::string_view(p, static_cast<std::size_t>(stop - p)), ascii);
    } else {
      carry_.append(p, stop);
      AddLine(carry_, IsAscii(carry_));
      carry_.clear();
    }
    p = stop + 1;
    if (*stop == '\n') {
      saw_lf_ = true;
    } else {
      saw_cr_ = true;
      if (p == end) {
        after_cr_ = true;
      } else if (*p == '\n') {
        saw_lf_ = true;
        ++p;
      }
    }
  }
}

void TLineLoader::Finish(bool EmptyLineAfterLastBreak) {
  if (!carry_.empty()) {
    AddLine(carry_, IsAscii(carry_));
    carry_.clear();
  } else if (ended_with_break_ && EmptyLineAfterLastBreak) {
    lines_.emplace_back();
  }
  after_cr_ = ended_with_break_ = false;
}

}  // namespace lab
