#pragma once
// TLineString: one line of the editor's text in UTF-32, held by a single pointer so that a line record
// stays small. The pointer leads to one heap block: the length and capacity, then the characters (no
// terminator). An empty line holds no block at all.
//
// Moving hands the block over and leaves the source empty. Nothing ever points at a TLineString
// itself, only at its block, so the line list may shift records holding one bytewise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace lab {

class TLineString {
 public:
  TLineString() noexcept = default;
  explicit TLineString(std::u32string_view S) { assign(S); }
  TLineString(TLineString&& Other) noexcept : block_(std::exchange(Other.block_, nullptr)) {}
  TLineString& operator=(TLineString&& Other) noexcept {
    TLineString(std::move(Other)).swap(*this);
    return *this;
  }
  // Copying a line costs an allocation: it is spelt out, as assign(Other.view()).
  TLineString(const TLineString&) = delete;
  TLineString& operator=(const TLineString&) = delete;
  ~TLineString() { Release(); }

  std::size_t size() const noexcept { return block_ ? block_->Size : 0; }
  bool empty() const noexcept { return size() == 0; }
  std::size_t capacity() const noexcept { return block_ ? block_->Capacity : 0; }
  // Never null, even for an empty line.
  const char32_t* data() const noexcept { return block_ ? Chars(block_) : kNoChars; }
  std::u32string_view view() const noexcept { return {data(), size()}; }
  operator std::u32string_view() const noexcept { return view(); }
  std::u32string str() const { return std::u32string(view()); }

  // S may be a view of this very line.
  void assign(std::u32string_view S);
  // Makes the line N characters long and answers them for the caller to fill in; what they held
  // before is lost. Raises std::length_error past max_size().
  char32_t* assign_for_overwrite(std::size_t N);
  // Frees the block.
  void clear() noexcept { Release(); }
  void swap(TLineString& Other) noexcept { std::swap(block_, Other.block_); }

  static constexpr std::size_t max_size() noexcept { return UINT32_MAX; }

  friend bool operator==(const TLineString& A, const TLineString& B) noexcept { return A.view() == B.view(); }
  friend bool operator==(const TLineString& A, std::u32string_view B) noexcept { return A.view() == B; }

 private:
  struct Block {
    std::uint32_t Size;
    std::uint32_t Capacity;
  };
  static char32_t* Chars(Block* B) noexcept { return reinterpret_cast<char32_t*>(B + 1); }
  static const char32_t* Chars(const Block* B) noexcept { return reinterpret_cast<const char32_t*>(B + 1); }
  void Release() noexcept;

  static constexpr char32_t kNoChars[1] = {0};
  Block* block_ = nullptr;
};

static_assert(sizeof(TLineString) == sizeof(void*));

}  // namespace lab
