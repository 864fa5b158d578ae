#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "crashreport/memory_probe.h"

// A thunk of our own that leaves through the program's PLT entry for getpid.
extern "C" void lab_test_jump_to_getpid();
asm(R"(
  .text
  .globl lab_test_jump_to_getpid
  .type lab_test_jump_to_getpid, @function
lab_test_jump_to_getpid:
  jmp getpid@PLT
  .size lab_test_jump_to_getpid, .-lab_test_jump_to_getpid
)");

namespace lab {
namespace {

class Pages {
 public:
  explicit Pages(int count) : size_(static_cast<std::size_t>(count) * Page()) {
    base_ = static_cast<std::uint8_t*>(
        ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  }
  ~Pages() { ::munmap(base_, size_); }
  static std::size_t Page() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }
  std::uint8_t* At(int page) { return base_ + static_cast<std::size_t>(page) * Page(); }
  void Protect(int page, int prot) { ::mprotect(At(page), Page(), prot); }

 private:
  std::size_t size_;
  std::uint8_t* base_;
};

TEST(MemoryProbe, ReadableRangesStopAtGuardPagesAndGaps) {
  Pages pages(4);
  const std::size_t page = Pages::Page();
  pages.Protect(1, PROT_READ);  // a region of its own, still readable
  pages.Protect(2, PROT_NONE);
  ::munmap(pages.At(3), page);  // a gap after the guard page

  EXPECT_TRUE(IsMemoryReadable(pages.At(0), page));
  EXPECT_TRUE(IsMemoryReadable(pages.At(0) + 100, 2 * page - 100));  // across two readable regions
  EXPECT_FALSE(IsMemoryReadable(pages.At(1) + page - 8, 16));         // into the guard page
  EXPECT_FALSE(IsMemoryReadable(pages.At(2), 1));
  EXPECT_FALSE(IsMemoryReadable(pages.At(3), 1));
  EXPECT_FALSE(IsMemoryReadable(pages.At(0), 4 * page));

  int local = 0;
  EXPECT_TRUE(IsMemoryReadable(&local, sizeof local));
  EXPECT_TRUE(IsMemoryReadable(reinterpret_cast<const void*>(&IsMemoryReadable), 16));
  EXPECT_FALSE(IsMemoryReadable(nullptr, 1));
  EXPECT_FALSE(IsMemoryReadable(reinterpret_cast<const void*>(UINTPTR_MAX - 4), 16));  // wraps

  // A signal handler's caller finds errno as it was.
  errno = EBADF;
  EXPECT_FALSE(IsMemoryReadable(pages.At(2), 1));
  EXPECT_EQ(errno, EBADF);
}

TEST(MemoryProbe, ThunkOnAPltEntryResolvesIntoLibc) {
  // Call once so that lazy binding has filled the entry's GOT cell.
  reinterpret_cast<pid_t (*)()>(&lab_test_jump_to_getpid)();
  const auto* stub = reinterpret_cast<const std::uint8_t*>(&lab_test_jump_to_getpid);
  ASSERT_EQ(stub[0], 0xE9);
  std::int32_t rel;
  std::memcpy(&rel, stub + 1, 4);
  const void* plt_entry = stub + 5 + rel;

  void* real = ::dlsym(RTLD_DEFAULT, "getpid");
  ASSERT_NE(real, nullptr);
  EXPECT_NE(plt_entry, real);
  EXPECT_EQ(ResolveJumpThunk(plt_entry), real);
  // Code that is no thunk stays where it is.
  EXPECT_EQ(ResolveJumpThunk(real), real);
  EXPECT_EQ(ResolveJumpThunk(nullptr), nullptr);
}

TEST(MemoryProbe, ThunkFormsWithEndbrAndBndAndUnreadableCells) {
  Pages pages(2);
  std::uint8_t* code = pages.At(0);
  auto* cell = reinterpret_cast<const void**>(code + 256);
  const void* target = reinterpret_cast<const void*>(0x1234567890ABCDEFull);
  *cell = target;
  auto put_jump = [&](std::uint8_t* at, const std::uint8_t* prefix, std::size_t prefix_len) {
    std::memcpy(at, prefix, prefix_len);
    at += prefix_len;
    at[0] = 0xFF;
    at[1] = 0x25;
    const std::int32_t rel = static_cast<std::int32_t>(reinterpret_cast<std::uint8_t*>(cell) - (at + 6));
    std::memcpy(at + 2, &rel, 4);
  };
  const std::uint8_t endbr_bnd[] = {0xF3, 0x0F, 0x1E, 0xFA, 0xF2};
  put_jump(code, endbr_bnd, 5);        // endbr64; bnd jmp *cell(%rip)
  put_jump(code + 16, endbr_bnd, 4);   // endbr64; jmp *cell(%rip)
  put_jump(code + 32, nullptr, 0);     // jmp *cell(%rip)
  EXPECT_EQ(ResolveJumpThunk(code), target);
  EXPECT_EQ(ResolveJumpThunk(code + 16), target);
  EXPECT_EQ(ResolveJumpThunk(code + 32), target);

  // A jump through a cell in a guard page is not followed.
  std::uint8_t* far = code + 64;
  far[0] = 0xFF;
  far[1] = 0x25;
  const std::int32_t rel = static_cast<std::int32_t>(pages.At(1) - (far + 6));
  std::memcpy(far + 2, &rel, 4);
  pages.Protect(1, PROT_NONE);
  EXPECT_EQ(ResolveJumpThunk(far), far);
  // Nor one whose instruction runs into the guard page.
  std::uint8_t* edge = pages.At(1) - 4;
  std::memcpy(edge, endbr_bnd, 4);
  EXPECT_EQ(ResolveJumpThunk(edge), edge);
}

}  // namespace
}  // namespace lab
