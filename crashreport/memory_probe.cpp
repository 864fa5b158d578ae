#include "crashreport/memory_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace lab {

TKeepErrno::TKeepErrno() noexcept : saved_(errno) {}
TKeepErrno::~TKeepErrno() { errno = saved_; }

namespace {

// Reads /proc/self/maps line by line through a small stack buffer: only the address range and the
// permissions at the start of each line matter.
class TMapsReader {
 public:
  TMapsReader() noexcept {
    do fd_ = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
  }
  ~TMapsReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  TMapsReader(const TMapsReader&) = delete;
  TMapsReader& operator=(const TMapsReader&) = delete;

  // The next region; false at the end or on a read failure.
  bool Next(std::uintptr_t& start, std::uintptr_t& end, bool& readable) noexcept {
    if (fd_ < 0) return false;
    int c;
    start = 0;
    while ((c = Get()) >= 0 && c != '-') start = start << 4 | HexValue(c);
    end = 0;
    while ((c = Get()) >= 0 && c != ' ') end = end << 4 | HexValue(c);
    c = Get();
    readable = c == 'r';
    while (c >= 0 && c != '\n') c = Get();
    return c == '\n';
  }

 private:
  static std::uintptr_t HexValue(int c) noexcept {
    return static_cast<std::uintptr_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10) & 15;
  }
  int Get() noexcept {
    if (pos_ == len_) {
      ssize_t n;
      do n = ::read(fd_, buffer_, sizeof buffer_);
      while (n < 0 && errno == EINTR);
      if (n <= 0) return -1;
      len_ = static_cast<std::size_t>(n);
      pos_ = 0;
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
  }

  int fd_ = -1;
  char buffer_[1024];
  std::size_t pos_ = 0, len_ = 0;
};

}  // namespace

bool IsMemoryReadable(const void* Addr, std::size_t Size) noexcept {
  TKeepErrno keep;
  if (!Addr) return false;
  std::uintptr_t cur = reinterpret_cast<std::uintptr_t>(Addr);
  std::uintptr_t last;
  if (__builtin_add_overflow(cur, Size, &last)) return false;
  if (Size == 0) return true;
  TMapsReader maps;
  std::uintptr_t start, end;
  bool readable;
  // Regions come in ascending order: walk them until the range is covered.
  while (maps.Next(start, end, readable)) {
    if (end <= cur) continue;
    if (start > cur || !readable) return false;
    cur = end;
    if (cur >= last) return true;
  }
  return false;
}

const void* ResolveJumpThunk(const void* Addr) noexcept {
  const auto* code = static_cast<const std::uint8_t*>(Addr);
  // endbr64 (4) + bnd (1) + jmp (6) at most; the short form is tested first.
  if (!IsMemoryReadable(code, 8)) return Addr;
  std::size_t at = 0;
  if (code[0] == 0xF3 && code[1] == 0x0F && code[2] == 0x1E && code[3] == 0xFA) {
    if (!IsMemoryReadable(code, 11)) return Addr;
    at = 4;
  }
  if (code[at] == 0xF2) {
    if (!IsMemoryReadable(code, at + 7)) return Addr;
    ++at;
  }
  if (code[at] != 0xFF || code[at + 1] != 0x25) return Addr;
  std::int32_t displacement;
  std::memcpy(&displacement, code + at + 2, 4);
  const auto* cell = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(code) + at + 6 +
                                                    static_cast<std::intptr_t>(displacement));
  if (!IsMemoryReadable(cell, sizeof(void*))) return Addr;
  const void* target;
  std::memcpy(&target, cell, sizeof target);
  return target;
}

}  // namespace lab
