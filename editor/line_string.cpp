#include "editor/line_string.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/rtl/checks.h"
#include "platform/rtl/utf8.h"

namespace lab {

// ---- Views ----

std::u32string TLineView::str() const {
  std::u32string out;
  AppendTo(out);
  return out;
}

void TLineView::AppendTo(std::u32string& Out) const {
  // Widened in place (appending a range of narrower characters would build a copy of it first).
  const std::size_t at = Out.size();
  Out.resize(at + size_);
  Visit([&](auto chars) { std::copy(chars.begin(), chars.end(), Out.begin() + static_cast<std::ptrdiff_t>(at)); });
}

void TLineView::AppendUtf8(std::string& Out) const {
  if (width_ == 1) {
    // Runs of ASCII go in whole.
    const unsigned char* p = data_;
    const unsigned char* const end = data_ + size_;
    while (p < end) {
      const unsigned char* run = p;
      for (std::uint64_t word; end - run >= 8; run += 8) {
        std::memcpy(&word, run, 8);
        if (word & 0x8080808080808080u) break;
      }
      while (run < end && *run < 0x80) ++run;
      Out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(run - p));
      if (run == end) break;
      Utf8Append(Out, *run);
      p = run + 1;
    }
    return;
  }
  Visit([&](auto chars) {
    for (auto c : chars) {
      if (c < 0x80)
        Out.push_back(static_cast<char>(c));
      else
        Utf8Append(Out, c);
    }
  });
}

std::size_t TLineView::Utf8Size() const noexcept {
  if (width_ == 1) {
    // Latin-1: two bytes for each character past ASCII.
    std::size_t high = 0, i = 0;
    for (std::uint64_t word; i + 8 <= size_; i += 8) {
      std::memcpy(&word, data_ + i, 8);
      high += static_cast<std::size_t>(std::popcount(word & 0x8080808080808080u));
    }
    for (; i < size_; ++i) high += data_[i] >> 7;
    return size_ + high;
  }
  return Visit([](auto chars) {
    std::size_t size = 0;
    for (char32_t c : chars) {
      if (c < 0x80)
        size += 1;
      else if (c < 0x800)
        size += 2;
      else if (c < 0x10000 || c > 0x10FFFF)
        size += 3;  // a surrogate or a value past Unicode is written as U+FFFD
      else
        size += 4;
    }
    return size;
  });
}

bool operator==(TLineView A, TLineView B) noexcept {
  if (A.size() != B.size()) return false;
  if (A.width() == B.width()) return std::memcmp(A.data_, B.data_, A.size() * A.width()) == 0;
  for (std::size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i]) return false;
  return true;
}

bool operator==(TLineView A, std::u32string_view B) noexcept {
  if (A.size() != B.size()) return false;
  return A.Visit([&](auto chars) { return std::equal(chars.begin(), chars.end(), B.begin()); });
}

int LineWidthOf(std::u32string_view S) noexcept {
  char32_t widest = 0;
  for (char32_t c : S) widest |= c;
  return widest < 0x100 ? 1 : widest < 0x10000 ? 2 : 4;
}

// ---- Lines ----

unsigned char* TLineString::Format(unsigned char* Block, std::size_t Size, int Width) noexcept {
  // Only a line with text has a block; its length fits the header's 30 bits.
  LAB_ASSERT(Size > 0 && Size <= kSizeMask);
  LAB_ASSERT(Width == 1 || Width == 2 || Width == 4);
  const std::uint32_t code = Width == 1 ? 0 : Width == 2 ? 1 : 2;
  const std::uint32_t header = static_cast<std::uint32_t>(Size) | code << 30;
  std::memcpy(Block, &header, 4);
  return Block + 4;
}

void TLineString::Store(unsigned char* Out, std::u32string_view S, int Width) noexcept {
  switch (Width) {
    case 1:
      for (char32_t c : S) *Out++ = static_cast<unsigned char>(c);
      break;
    case 2:
      for (char32_t c : S) {
        const auto unit = static_cast<char16_t>(c);
        std::memcpy(Out, &unit, 2);
        Out += 2;
      }
      break;
    default:
      std::memcpy(Out, S.data(), S.size() * 4);
      break;
  }
}

void TLineString::Release() noexcept {
  if (bits_ && !InArena()) std::free(Block());
  bits_ = 0;
}

void TLineString::assign(std::u32string_view S) {
  if (S.empty()) {
    Release();
    return;
  }
  if (S.size() > max_size()) throw std::length_error("TLineString: line too long");
  const int width = LineWidthOf(S);
  auto* block = static_cast<unsigned char*>(std::malloc(BlockBytes(S.size(), width)));
  if (!block) throw std::bad_alloc();
  Store(Format(block, S.size(), width), S, width);
  Release();  // after the copy: S may lie in the old block
  bits_ = reinterpret_cast<std::uintptr_t>(block);
}

void TLineString::assign(TLineView S) {
  if (S.empty()) {
    Release();
    return;
  }
  if (S.size() > max_size()) throw std::length_error("TLineString: line too long");
  // A view keeps its width: a narrower one would have been chosen when its text was stored, and a
  // part of a line is stored at the whole line's width only when it needs it.
  int width = S.width();
  if (width > 1) {
    char32_t widest = 0;
    for (std::size_t i = 0; i < S.size(); ++i) widest |= S[i];
    width = widest < 0x100 ? 1 : widest < 0x10000 ? 2 : 4;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(BlockBytes(S.size(), width)));
  if (!block) throw std::bad_alloc();
  unsigned char* out = Format(block, S.size(), width);
  if (width == S.width()) {
    S.Visit([&](auto chars) { std::memcpy(out, chars.data(), chars.size_bytes()); });
  } else {
    for (std::size_t i = 0; i < S.size(); ++i) {
      const char32_t c = S[i];
      if (width == 1) {
        out[i] = static_cast<unsigned char>(c);
      } else {
        const auto unit = static_cast<char16_t>(c);
        std::memcpy(out + 2 * i, &unit, 2);
      }
    }
  }
  Release();
  bits_ = reinterpret_cast<std::uintptr_t>(block);
}

void TLineString::erase(std::size_t From, std::size_t Count) {
  const TLineView line = view();
  if (From >= line.size() || Count == 0) return;
  Count = std::min(Count, line.size() - From);
  const int width = line.width();
  const TLineView removed = line.substr(From, Count), kept_right = line.substr(From + Count);
  auto widest_of = [](TLineView Chars) {
    return Chars.Visit([](auto chars) {
      char32_t widest = 0;
      for (const auto c : chars) widest |= c;
      return widest;
    });
  };
  auto width_of = [](char32_t Widest) { return Widest < 0x100 ? 1 : Widest < 0x10000 ? 2 : 4; };
  const bool may_narrow = width > 1 && width_of(widest_of(removed)) == width;
  LAB_ASSERT(!InArena());
  if (Count == line.size() ||
      (may_narrow && width_of(widest_of(line.substr(0, From)) | widest_of(kept_right)) < width)) {
    std::u32string rest;
    line.substr(0, From).AppendTo(rest);
    kept_right.AppendTo(rest);
    assign(std::u32string_view(rest));
    return;
  }
  unsigned char* chars = Block() + 4;
  std::memmove(chars + From * static_cast<std::size_t>(width), kept_right.bytes(),
               kept_right.size() * static_cast<std::size_t>(width));
  Format(Block(), line.size() - Count, width);
}

// ---- Arena ----

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// A line larger than this gets a chunk of its own, so that a chunk is not mostly left unused.
constexpr std::size_t kLargeBlock = kChunkBytes / 8;

}  // namespace

TLineArena::~TLineArena() { Clear(); }

void TLineArena::Clear() noexcept {
  for (const auto& chunk : chunks_) std::free(chunk->Memory);
  chunks_.clear();
  current_ = nullptr;
}

namespace {

template <class Chunks>
auto ChunkAfter(Chunks& List, const unsigned char* Address) {
  return std::upper_bound(List.begin(), List.end(), Address,
                          [](const unsigned char* a, const auto& c) { return a < c->Memory; });
}

}  // namespace

TLineArena::Chunk* TLineArena::Find(const void* Address) noexcept {
  const auto* at = static_cast<const unsigned char*>(Address);
  auto it = ChunkAfter(chunks_, at);
  if (it == chunks_.begin()) return nullptr;
  --it;
  return at < (*it)->Memory + (*it)->Size ? it->get() : nullptr;
}

unsigned char* TLineArena::Allocate(TLineString& Line, std::size_t Size, int Width) {
  Line.clear();
  if (Size == 0) return nullptr;
  if (Size > TLineString::max_size()) throw std::length_error("TLineString: line too long");
  // Blocks start at multiples of 4: the header and wider code points are read in place.
  const std::size_t bytes = (TLineString::BlockBytes(Size, Width) + 3) & ~std::size_t{3};
  Chunk* chunk = current_;
  if (bytes > kLargeBlock || !chunk || chunk->Size - chunk->Used < bytes) {
    const std::size_t size = bytes > kLargeBlock ? bytes : kChunkBytes;
    std::unique_ptr<unsigned char, decltype(&std::free)> memory(static_cast<unsigned char*>(std::malloc(size)),
                                                                &std::free);
    if (!memory) throw std::bad_alloc();
    auto made = std::make_unique<Chunk>(Chunk{memory.get(), size, 0, 0});
    chunk = chunks_.insert(ChunkAfter(chunks_, memory.get()), std::move(made))->get();
    memory.release();
    if (bytes <= kLargeBlock) current_ = chunk;
  }
  unsigned char* block = chunk->Memory + chunk->Used;
  chunk->Used += bytes;
  chunk->Live += bytes;
  Line.bits_ = reinterpret_cast<std::uintptr_t>(block) | 1;
  return TLineString::Format(block, Size, Width);
}

void TLineArena::Release(TLineString& Line) noexcept {
  if (Line.InArena()) {
    if (Chunk* chunk = Find(Line.Block())) {
      // The header read back is the one written: a width code of 1, 2 or 4 bytes, and a block that
      // lies inside the chunk's live bytes.
      const std::size_t bytes = (Line.BlockSize() + 3) & ~std::size_t{3};
      LAB_ASSERT(Line.Header() >> 30 != 3);
      LAB_ASSERT(bytes <= chunk->Live && Line.Block() + bytes <= chunk->Memory + chunk->Used);
      chunk->Live -= bytes;
      if (chunk->Live == 0) {
        if (current_ == chunk) current_ = nullptr;
        // Its place in the list is found before its memory goes, while the address still compares.
        const auto at = ChunkAfter(chunks_, chunk->Memory) - 1;
        std::free(chunk->Memory);
        chunks_.erase(at);
      }
    }
  }
  Line.clear();
}

void TLineArena::Adopt(TLineArena& Other) {
  if (&Other == this) return;
  chunks_.reserve(chunks_.size() + Other.chunks_.size());
  // Nothing below raises: the room is there.
  for (auto& chunk : Other.chunks_) chunks_.insert(ChunkAfter(chunks_, chunk->Memory), std::move(chunk));
  Other.chunks_.clear();
  if (Other.current_) current_ = std::exchange(Other.current_, nullptr);
}

std::size_t TLineArena::ReservedBytes() const noexcept {
  std::size_t bytes = 0;
  for (const auto& chunk : chunks_) bytes += chunk->Size;
  return bytes;
}

std::size_t TLineArena::LiveBytes() const noexcept {
  std::size_t bytes = 0;
  for (const auto& chunk : chunks_) bytes += chunk->Live;
  return bytes;
}

}  // namespace lab
