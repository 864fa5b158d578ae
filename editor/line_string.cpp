#include "editor/line_string.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace lab {

void TLineString::Release() noexcept {
  std::free(block_);
  block_ = nullptr;
}

char32_t* TLineString::assign_for_overwrite(std::size_t N) {
  if (N == 0) {
    Release();
    return nullptr;
  }
  if (N > max_size()) throw std::length_error("TLineString: line too long");
  // An edited line keeps its block while the new text fits in it and does not leave most of it unused.
  if (block_ && N <= block_->Capacity && N >= block_->Capacity / 2) {
    block_->Size = static_cast<std::uint32_t>(N);
    return Chars(block_);
  }
  void* memory = std::malloc(sizeof(Block) + N * sizeof(char32_t));
  if (!memory) throw std::bad_alloc();
  Release();
  block_ = static_cast<Block*>(memory);
  block_->Size = block_->Capacity = static_cast<std::uint32_t>(N);
  return Chars(block_);
}

void TLineString::assign(std::u32string_view S) {
  if (S.empty()) {
    Release();
    return;
  }
  const std::size_t n = S.size();
  if (n > max_size()) throw std::length_error("TLineString: line too long");
  if (block_ && n <= block_->Capacity && n >= block_->Capacity / 2) {
    std::memmove(Chars(block_), S.data(), n * sizeof(char32_t));  // S may lie in this block
    block_->Size = static_cast<std::uint32_t>(n);
    return;
  }
  // A new block is filled before the old one goes, so S may still lie in the old one.
  TLineString fresh;
  std::memcpy(fresh.assign_for_overwrite(n), S.data(), n * sizeof(char32_t));
  swap(fresh);
}

}  // namespace lab
