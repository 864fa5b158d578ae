#include "crashreport/report/memory_probe.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace lab {

TKeepErrno::TKeepErrno() noexcept : saved_(errno) {}
TKeepErrno::~TKeepErrno() { errno = saved_; }

TMapsReader::TMapsReader() noexcept {
  do fd_ = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  while (fd_ < 0 && errno == EINTR);
}

TMapsReader::~TMapsReader() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {
std::uintptr_t HexValue(int c) noexcept {
  return static_cast<std::uintptr_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10) & 15;
}
}  // namespace

bool TMapsReader::Next(std::uintptr_t& Start, std::uintptr_t& End, int& Protection) noexcept {
  if (fd_ < 0) return false;
  int c;
  Start = 0;
  while ((c = Get()) >= 0 && c != '-') Start = Start << 4 | HexValue(c);
  End = 0;
  while ((c = Get()) >= 0 && c != ' ') End = End << 4 | HexValue(c);
  Protection = PROT_NONE;
  if (Get() == 'r') Protection |= PROT_READ;
  if (Get() == 'w') Protection |= PROT_WRITE;
  if (Get() == 'x') Protection |= PROT_EXEC;
  // The rest of the line: the offset, the device, the inode and the path.
  for (;;) {
    if (pos_ == len_ && !Fill()) return false;
    const void* line_end = std::memchr(buffer_ + pos_, '\n', len_ - pos_);
    if (line_end) {
      pos_ = static_cast<std::size_t>(static_cast<const char*>(line_end) - buffer_) + 1;
      return true;
    }
    pos_ = len_;
  }
}

bool TMapsReader::Fill() noexcept {
  ssize_t n;
  do n = ::read(fd_, buffer_, sizeof buffer_);
  while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  len_ = static_cast<std::size_t>(n);
  pos_ = 0;
  return true;
}

int TMapsReader::Get() noexcept {
  if (pos_ == len_ && !Fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_++]);
}

bool IsMemoryReadable(const void* Addr, std::size_t Size) noexcept {
  TKeepErrno keep;
  if (!Addr) return false;
  std::uintptr_t cur = reinterpret_cast<std::uintptr_t>(Addr);
  std::uintptr_t last;
  if (__builtin_add_overflow(cur, Size, &last)) return false;
  if (Size == 0) return true;
  TMapsReader maps;
  std::uintptr_t start, end;
  int protection;
  // Regions come in ascending order: walk them until the range is covered.
  while (maps.Next(start, end, protection)) {
    if (end <= cur) continue;
    if (start > cur || !(protection & PROT_READ)) return false;
    cur = end;
    if (cur >= last) return true;
  }
  return false;
}

namespace {

// Copies through a pipe: write() reports EFAULT for an unreadable source instead of faulting. Used
// where process_vm_readv is not allowed (some sandboxes filter it).
std::size_t ReadThroughPipe(const std::uint8_t* from, std::uint8_t* out, std::size_t size) noexcept {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    // A pipe holds at least a page: never more in flight than it can take without blocking.
    const std::size_t chunk = std::min<std::size_t>(size - done, 4096);
    ssize_t n;
    do n = ::write(fds[1], from + done, chunk);
    while (n < 0 && errno == EINTR);
    if (n <= 0) break;
    ssize_t got = 0;
    while (got < n) {
      ssize_t r;
      do r = ::read(fds[0], out + done + got, static_cast<std::size_t>(n - got));
      while (r < 0 && errno == EINTR);
      if (r <= 0) break;
      got += r;
    }
    done += static_cast<std::size_t>(got);
    if (got < n) break;
  }
  ::close(fds[0]);
  ::close(fds[1]);
  return done;
}

}  // namespace

std::size_t ReadMemory(const void* Addr, void* Out, std::size_t Size) noexcept {
  TKeepErrno keep;
  if (!Addr || Size == 0) return 0;
  const auto from = reinterpret_cast<std::uintptr_t>(Addr);
  std::uintptr_t last;
  if (__builtin_add_overflow(from, Size, &last)) Size = UINTPTR_MAX - from;
  // Page by page, since a transfer may not be split inside one piece: the copy ends at the first
  // page that cannot be read. Our own process needs no ptrace permission.
  constexpr std::size_t page = 4096;  // the smallest x86-64 page; larger pages split more often
  const pid_t self = ::getpid();
  auto* out = static_cast<std::uint8_t*>(Out);
  std::size_t done = 0;
  while (done < Size) {
    const std::uintptr_t at = from + done;
    const std::size_t piece = std::min(Size - done, page - at % page);
    iovec local{out + done, piece};
    iovec remote{reinterpret_cast<void*>(at), piece};
    const ssize_t n = ::process_vm_readv(self, &local, 1, &remote, 1, 0);
    if (n < 0 && (errno == ENOSYS || errno == EPERM))
      return done + ReadThroughPipe(reinterpret_cast<const std::uint8_t*>(at), out + done, Size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
    if (static_cast<std::size_t>(n) < piece) break;
  }
  return done;
}

const void* ResolveJumpThunk(const void* Addr) noexcept {
  // endbr64 (4) + bnd (1) + jmp (6) at most; a copy of the readable part of that is all that is looked at.
  std::uint8_t code[11];
  const std::size_t have = ReadMemory(Addr, code, sizeof code);
  std::size_t at = 0;
  if (have >= 4 && code[0] == 0xF3 && code[1] == 0x0F && code[2] == 0x1E && code[3] == 0xFA) at = 4;
  if (have > at && code[at] == 0xF2) ++at;
  if (have < at + 6 || code[at] != 0xFF || code[at + 1] != 0x25) return Addr;
  std::int32_t displacement;
  std::memcpy(&displacement, code + at + 2, 4);
  const auto* cell = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(Addr) + at + 6 +
                                                    static_cast<std::intptr_t>(displacement));
  const void* target;
  if (ReadMemory(cell, &target, sizeof target) != sizeof target) return Addr;
  return target;
}

}  // namespace lab
