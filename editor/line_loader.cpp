#include "editor/line_loader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "editor/line_breaks.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lab {

namespace {

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

// Bytes from P on that are ASCII, up to 16 (P has 16 bytes to End or more).
#if defined(__SSE2__)
inline int AsciiPrefix16(const unsigned char* p) {
  const auto top = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
  return top == 0 ? 16 : __builtin_ctz(top);
}
#else
inline int AsciiPrefix16(const unsigned char* p) {
  int n = 0;
  while (n < 16 && p[n] < 0x80) ++n;
  return n;
}
#endif

// Walks a line as the runtime's decoder splits it (a byte that starts no well-formed sequence is
// its Latin-1 character), ASCII runs sixteen bytes at a time: Ascii(From, Count) for each run of
// ASCII bytes, Other(Code point) for each other character.
template <class AsciiRun, class OtherChar>
void WalkLine(std::string_view Piece, AsciiRun&& Ascii, OtherChar&& Other) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(Piece.data());
  const auto* const end = begin + Piece.size();
  for (const unsigned char* p = begin; p < end;) {
    const int run = end - p >= 16 ? AsciiPrefix16(p) : *p < 0x80 ? 1 : 0;
    if (run > 0) {
      Ascii(p, run);
      p += run;
      continue;
    }
    // The two- and three-byte forms of most scripts here; the others, and bytes that are not
    // well formed, as the runtime decodes them.
    const std::ptrdiff_t left = end - p;
    if (left >= 2 && p[0] >= 0xC2 && p[0] <= 0xDF && (p[1] & 0xC0) == 0x80) {
      Other(static_cast<char32_t>((p[0] & 0x1F) << 6 | (p[1] & 0x3F)));
      p += 2;
    } else if (left >= 3 && p[0] >= 0xE1 && p[0] <= 0xEF && p[0] != 0xED && (p[1] & 0xC0) == 0x80 &&
               (p[2] & 0xC0) == 0x80) {
      Other(static_cast<char32_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
      p += 3;
    } else {
      std::size_t length;
      Other(Utf8At(Piece, static_cast<std::size_t>(p - begin), &length));
      p += length;
    }
  }
}

// Count bytes from From widened to Unit at Out; sixteen in a few vector stores.
template <class Unit>
inline void StoreAscii(const unsigned char* From, int Count, Unit* Out) {
#if defined(__SSE2__)
  if (Count == 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From));
    auto* out = reinterpret_cast<__m128i*>(Out);
    if constexpr (sizeof(Unit) == 1) {
      _mm_storeu_si128(out, bytes);
    } else {
      const __m128i zero = _mm_setzero_si128();
      const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
      if constexpr (sizeof(Unit) == 2) {
        _mm_storeu_si128(out, low);
        _mm_storeu_si128(out + 1, high);
      } else {
        _mm_storeu_si128(out, _mm_unpacklo_epi16(low, zero));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(low, zero));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(high, zero));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(high, zero));
      }
    }
    return;
  }
#endif
  for (int i = 0; i < Count; ++i) Out[i] = From[i];
}

// The Size characters of Piece at Out.
template <class Unit>
void StoreLine(std::string_view Piece, Unit* Out, std::size_t Size) {
  const auto* const piece_end = reinterpret_cast<const unsigned char*>(Piece.data() + Piece.size());
  Unit* const out_end = Out + Size;
  WalkLine(
      Piece,
      [&](const unsigned char* From, int Count) {
        // A run cut short by another character is stored sixteen bytes wide all the same where the
        // bytes and the room are there: the characters after it overwrite what lies past it.
        const bool whole = piece_end - From >= 16 && out_end - Out >= 16;
        StoreAscii(From, whole ? 16 : Count, Out);
        Out += Count;
      },
      [&](char32_t C) { *Out++ = static_cast<Unit>(C); });
}

// The line of Piece, decoded straight into a block of the arena at its exact size and width: an
// ASCII line is copied byte for byte; any other is walked twice, for its length and width, then to
// store it.
void DecodeLine(std::string_view Piece, bool Ascii, TLineArena& Arena, TLineString& Line) {
  if (Ascii) {
    if (unsigned char* out = Arena.Allocate(Line, Piece.size(), 1)) std::memcpy(out, Piece.data(), Piece.size());
    return;
  }
  std::size_t size = 0;
  char32_t widest = 0;
  WalkLine(
      Piece, [&](const unsigned char*, int Count) { size += static_cast<std::size_t>(Count); },
      [&](char32_t C) {
        ++size;
        widest |= C;
      });
  const int width = widest < 0x100 ? 1 : widest < 0x10000 ? 2 : 4;
  unsigned char* out = Arena.Allocate(Line, size, width);
  // Blocks start at multiples of 4, so wider units are written in place.
  if (width == 1)
    StoreLine(Piece, out, size);
  else if (width == 2)
    StoreLine(Piece, reinterpret_cast<char16_t*>(out), size);
  else
    StoreLine(Piece, reinterpret_cast<char32_t*>(out), size);
}

}  // namespace

void TLineLoader::AddLine(std::string_view Line, bool Ascii) {
  DecodeLine(Line, Ascii, records_.Arena(), records_.Append().String);
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
    const char* stop = FindLineBreak(p, end, ascii);
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
    records_.Append();
  }
  after_cr_ = ended_with_break_ = false;
}

std::int64_t LineStartFrom(TFileStream& File, std::int64_t Size, std::int64_t Offset) {
  if (Offset <= 0) return 0;
  // Read from the byte before Offset on, a little at a time: the line starts after the first break.
  constexpr std::int64_t kWindow = std::int64_t{1} << 16;
  const std::unique_ptr<char[]> window(new char[kWindow]);
  bool after_cr = false;  // the last window ended with CR
  for (std::int64_t at = Offset - 1; at < Size;) {
    const std::int64_t n = std::min(kWindow, Size - at);
    File.ReadBufferAt(window.get(), n, at);
    const char* const end = window.get() + n;
    if (after_cr) return window[0] == '\n' ? at + 1 : at;
    bool ascii;
    const char* p = FindLineBreak(window.get(), end, ascii);
    if (p != end) {
      const std::int64_t next = at + (p - window.get()) + 1;
      if (*p == '\n') return next;
      if (p + 1 < end) return p[1] == '\n' ? next + 1 : next;
      after_cr = true;
    }
    at += n;
  }
  return Size;
}

void LoadFileRange(TFileStream& File, std::int64_t Size, std::int64_t Begin, std::int64_t End, TLineLoader& Loader,
                   bool EmptyLineAfterLastBreak) {
  const std::int64_t first = LineStartFrom(File, Size, Begin);
  // A line that starts at or after End is the first line of the next range.
  const std::int64_t last = End >= Size ? Size : first >= End ? first : LineStartFrom(File, Size, End);
  const std::unique_ptr<char[]> block(new char[TLineLoader::kBlockSize]);
  for (std::int64_t at = first; at < last;) {
    const std::int64_t n = std::min<std::int64_t>(last - at, TLineLoader::kBlockSize);
    File.ReadBufferAt(block.get(), n, at);
    Loader.Feed(std::string_view(block.get(), static_cast<std::size_t>(n)));
    at += n;
  }
  // A range that ends before the file does ends just after a break: no line follows it in the range.
  Loader.Finish(last == Size && EmptyLineAfterLastBreak);
}

}  // namespace lab
