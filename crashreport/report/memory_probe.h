#pragma once
// Tests that let the crash path look at memory and code without faulting. Neither allocates, so both
// serve inside a signal handler.

#include <cstddef>
#include <cstdint>

namespace lab {

// Puts errno back on leaving a scope, so the probes can run inside signal handlers.
class TKeepErrno {
 public:
  TKeepErrno() noexcept;
  ~TKeepErrno();
  TKeepErrno(const TKeepErrno&) = delete;
  TKeepErrno& operator=(const TKeepErrno&) = delete;

 private:
  int saved_;
};

// Reads /proc/self/maps line by line through a small buffer of its own: only the address range and
// the permissions at the start of each line are taken. Allocates nothing.
class TMapsReader {
 public:
  TMapsReader() noexcept;
  ~TMapsReader();
  TMapsReader(const TMapsReader&) = delete;
  TMapsReader& operator=(const TMapsReader&) = delete;

  // The next region, in address order; false at the end or on a read failure. Protection is made of
  // PROT_READ, PROT_WRITE and PROT_EXEC.
  bool Next(std::uintptr_t& Start, std::uintptr_t& End, int& Protection) noexcept;

 private:
  bool Fill() noexcept;
  int Get() noexcept;

  int fd_ = -1;
  char buffer_[1024];
  std::size_t pos_ = 0, len_ = 0;
};

// True when Size bytes from Addr lie in consecutive mapped regions that are all readable (a
// PROT_NONE guard page or a gap fails the test). Reads /proc/self/maps.
bool IsMemoryReadable(const void* Addr, std::size_t Size) noexcept;

// Copies up to Size bytes from Addr into Out through the kernel, so memory that is unmapped or made
// unreadable (even by another thread at that moment) fails the copy instead of faulting. Answers the
// number of bytes copied: the readable start of the range.
std::size_t ReadMemory(const void* Addr, void* Out, std::size_t Size) noexcept;

// Follows one jump thunk: "jmp *cell(%rip)" (FF 25), optionally after endbr64 (F3 0F 1E FA) and a
// bnd prefix (F2), as the PLT entries are made. Answers the 8-byte cell's target when the code and
// the cell are readable, otherwise Addr. Code and cell are read through ReadMemory.
const void* ResolveJumpThunk(const void* Addr) noexcept;

}  // namespace lab
