#pragma once
// TLineString: one line of the editor's text, held by a single pointer so that a line record stays
// small. The pointer leads to one block: a 4-byte header (the length and the width), then the code
// points at one, two or four bytes each, the narrowest width that holds the widest of them (ASCII and
// Latin-1 text cost a byte a character). Every position is still reached in constant time.
//
// A block comes from the heap, or from a TLineArena that holds the blocks of many lines (the lines of
// a loaded file), which the string marks in its pointer's lowest bit and never frees itself: the
// arena's owner hands such a line back to the arena (TLineArena::Release) before it goes.
//
// Moving hands the block over and leaves the source empty. Nothing ever points at a TLineString
// itself, only at its block, so the line list may shift records holding one bytewise.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lab {

// A read-only view of a line's code points, valid while the line is unchanged.
class TLineView {
 public:
  constexpr TLineView() noexcept = default;
  TLineView(const void* Data, std::size_t Size, int Width) noexcept
      : data_(static_cast<const unsigned char*>(Data)), size_(Size), width_(static_cast<std::uint8_t>(Width)) {}

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  // Bytes per code point: 1, 2 or 4.
  int width() const noexcept { return width_; }
  // The stored code points.
  const unsigned char* bytes() const noexcept { return data_; }
  char32_t operator[](std::size_t I) const noexcept {
    switch (width_) {
      case 1:
        return data_[I];
      case 2: {
        char16_t c;
        std::memcpy(&c, data_ + 2 * I, 2);
        return c;
      }
      default: {
        char32_t c;
        std::memcpy(&c, data_ + 4 * I, 4);
        return c;
      }
    }
  }
  // Code points From .. From + Count - 1 (cut to the line).
  TLineView substr(std::size_t From, std::size_t Count = SIZE_MAX) const noexcept {
    if (From > size_) From = size_;
    if (Count > size_ - From) Count = size_ - From;
    return TLineView(data_ + From * width_, Count, width_);
  }
  std::u32string str() const;
  // Appends the code points to Out.
  void AppendTo(std::u32string& Out) const;
  // Appends the UTF-8 of the code points to Out (a value UTF-8 cannot carry as U+FFFD), and the
  // number of bytes that takes.
  void AppendUtf8(std::string& Out) const;
  std::size_t Utf8Size() const noexcept;

  // Calls F with the code points as a span of their stored type (std::uint8_t, char16_t or
  // char32_t), so that loops over a line run on its own width.
  template <class F>
  decltype(auto) Visit(F&& f) const {
    switch (width_) {
      case 1:
        return f(std::span<const std::uint8_t>(data_, size_));
      case 2:
        return f(std::span<const char16_t>(reinterpret_cast<const char16_t*>(data_), size_));
      default:
        return f(std::span<const char32_t>(reinterpret_cast<const char32_t*>(data_), size_));
    }
  }

  friend bool operator==(TLineView A, TLineView B) noexcept;
  friend bool operator==(TLineView A, std::u32string_view B) noexcept;

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  std::uint8_t width_ = 1;
};

// The narrowest width (1, 2 or 4 bytes) that holds every code point of S.
int LineWidthOf(std::u32string_view S) noexcept;

class TLineString {
 public:
  TLineString() noexcept = default;
  explicit TLineString(std::u32string_view S) { assign(S); }
  explicit TLineString(TLineView S) { assign(S); }
  TLineString(TLineString&& Other) noexcept : bits_(std::exchange(Other.bits_, 0)) {}
  TLineString& operator=(TLineString&& Other) noexcept {
    TLineString(std::move(Other)).swap(*this);
    return *this;
  }
  // Copying a line costs an allocation: it is spelt out, as assign(Other.view()).
  TLineString(const TLineString&) = delete;
  TLineString& operator=(const TLineString&) = delete;
  ~TLineString() {
    if (bits_) Release();
  }

  std::size_t size() const noexcept { return bits_ ? Header() & kSizeMask : 0; }
  bool empty() const noexcept { return bits_ == 0; }
  // Bytes per code point: 1, 2 or 4 (1 for an empty line).
  int width() const noexcept { return bits_ ? 1 << (Header() >> 30) : 1; }
  char32_t operator[](std::size_t I) const noexcept { return view()[I]; }
  TLineView view() const noexcept { return bits_ ? TLineView(Block() + 4, size(), width()) : TLineView(); }
  std::u32string str() const { return view().str(); }
  // Bytes the line's block takes (its header included); 0 for an empty line.
  std::size_t BlockSize() const noexcept { return bits_ ? BlockBytes(size(), width()) : 0; }
  // The block belongs to an arena.
  bool InArena() const noexcept { return bits_ & 1; }

  // A new block of the text's own width (the old one is let go after the copy, so S may be a view
  // of this very line). Raises std::length_error past max_size().
  void assign(std::u32string_view S);
  void assign(TLineView S);
  // Takes out Count code points from From on (cut to the line), in place, unless the rest fits a
  // narrower width: then a new block of that width replaces it. The block must not be an arena's
  // (the arena takes its blocks back whole).
  void erase(std::size_t From, std::size_t Count);
  // Lets the block go (an arena's block is only forgotten).
  void clear() noexcept { Release(); }
  void swap(TLineString& Other) noexcept { std::swap(bits_, Other.bits_); }

  static constexpr std::size_t max_size() noexcept { return kSizeMask; }
  // Bytes a block of Size code points of Width bytes takes.
  static constexpr std::size_t BlockBytes(std::size_t Size, int Width) noexcept {
    return 4 + Size * static_cast<std::size_t>(Width);
  }

  friend bool operator==(const TLineString& A, const TLineString& B) noexcept { return A.view() == B.view(); }
  friend bool operator==(const TLineString& A, std::u32string_view B) noexcept { return A.view() == B; }

 private:
  friend class TLineArena;
  static constexpr std::uint32_t kSizeMask = (1u << 30) - 1;

  unsigned char* Block() const noexcept { return reinterpret_cast<unsigned char*>(bits_ & ~std::uintptr_t{1}); }
  std::uint32_t Header() const noexcept {
    std::uint32_t h;
    std::memcpy(&h, Block(), 4);
    return h;
  }
  // Writes the header of a block for Size code points of Width bytes; answers where they go.
  static unsigned char* Format(unsigned char* Block, std::size_t Size, int Width) noexcept;
  // Copies S into Out at Width bytes each.
  static void Store(unsigned char* Out, std::u32string_view S, int Width) noexcept;
  void Release() noexcept;

  std::uintptr_t bits_ = 0;
};

static_assert(sizeof(TLineString) == sizeof(void*));

// Room for the blocks of many lines in large chunks, so that a loaded file costs no allocation and
// no allocator overhead per line. A chunk is freed once every line in it has been released.
class TLineArena {
 public:
  TLineArena() = default;
  ~TLineArena();
  TLineArena(const TLineArena&) = delete;
  TLineArena& operator=(const TLineArena&) = delete;

  // A line of Size code points of Width bytes held in the arena; answers where its code points go
  // (nullptr, and an empty line, for Size 0).
  unsigned char* Allocate(TLineString& Line, std::size_t Size, int Width);
  // Takes back the block of Line when it is one of this arena's, and empties Line.
  void Release(TLineString& Line) noexcept;
  // Frees every chunk: the lines held in them must be gone (or forgotten) already.
  void Clear() noexcept;
  // Takes over Other's chunks with the lines in them (Other is left empty); new lines go on in
  // Other's last chunk.
  void Adopt(TLineArena& Other);
  void Swap(TLineArena& Other) noexcept {
    chunks_.swap(Other.chunks_);
    std::swap(current_, Other.current_);
  }
  // Bytes of the chunks, and of the lines still in them.
  std::size_t ReservedBytes() const noexcept;
  std::size_t LiveBytes() const noexcept;

 private:
  struct Chunk {
    unsigned char* Memory;
    std::size_t Size;
    std::size_t Used;
    std::size_t Live;
  };
  // The chunk holding Address; chunks_ is kept in address order.
  Chunk* Find(const void* Address) noexcept;

  std::vector<std::unique_ptr<Chunk>> chunks_;
  // The chunk new lines go into; nullptr when none.
  Chunk* current_ = nullptr;
};

}  // namespace lab
