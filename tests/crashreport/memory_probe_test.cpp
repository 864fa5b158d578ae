#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <thread>

#include "crashreport/report/memory_probe.h"

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
    if (prefix_len) std::memcpy(at, prefix, prefix_len);
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
  // A plain jump that ends right at the guard page is whole, and followed.
  std::uint8_t* last = pages.At(1) - 6;
  put_jump(last, nullptr, 0);
  EXPECT_EQ(ResolveJumpThunk(last), target);
}

TEST(MemoryProbe, ReadMemoryCopiesTheReadableStartOfARange) {
  Pages pages(3);
  const std::size_t page = Pages::Page();
  std::memset(pages.At(0), 0xAB, page);
  pages.Protect(1, PROT_NONE);
  ::munmap(pages.At(2), page);
  std::uint8_t out[64] = {};
  EXPECT_EQ(ReadMemory(pages.At(0) + page - 16, out, sizeof out), 16u);
  EXPECT_EQ(out[15], 0xAB);
  EXPECT_EQ(out[16], 0) << "nothing written past what was read";
  EXPECT_EQ(ReadMemory(pages.At(1), out, 8), 0u);
  EXPECT_EQ(ReadMemory(pages.At(2), out, 8), 0u);
  EXPECT_EQ(ReadMemory(nullptr, out, 8), 0u);
  EXPECT_EQ(ReadMemory(reinterpret_cast<const void*>(UINTPTR_MAX - 4), out, 16), 0u);
  errno = EBADF;
  ReadMemory(pages.At(1), out, 8);
  EXPECT_EQ(errno, EBADF);
}

TEST(MemoryProbe, ThunkCellsUnmappedByAnotherThreadMeanwhileDoNotFault) {
  // The cell's page comes and goes under a second thread while the thunk is followed: a check
  // before reading could pass and the read then fault; the copy through the kernel cannot.
  Pages pages(1);
  const std::size_t page = Pages::Page();
  std::uint8_t* code = pages.At(0);
  void* cell_page = ::mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(cell_page, MAP_FAILED);
  const void* target = reinterpret_cast<const void*>(0x0102030405060708ull);
  std::memcpy(cell_page, &target, sizeof target);
  code[0] = 0xFF;
  code[1] = 0x25;
  const std::int32_t rel = static_cast<std::int32_t>(static_cast<std::uint8_t*>(cell_page) - (code + 6));
  std::memcpy(code + 2, &rel, 4);
  ASSERT_EQ(ResolveJumpThunk(code), target);

  std::atomic<bool> stop{false};
  bool lost = false;
  std::thread flipper([&] {
    while (!stop.load()) {
      ::munmap(cell_page, page);
      // Never over a mapping someone else may have placed there in between.
      void* back =
          ::mmap(cell_page, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
      if (back != cell_page) {
        if (back != MAP_FAILED) ::munmap(back, page);
        lost = true;
        return;
      }
      std::memcpy(back, &target, sizeof target);
    }
  });
  int answers = 0;
  for (int i = 0; i < 20000; ++i) {
    const void* r = ResolveJumpThunk(code);
    // The target, the thunk itself (no cell), or the zero of a page mapped again but not yet filled.
    if (r == target || r == code || r == nullptr) ++answers;
  }
  stop = true;
  flipper.join();
  if (!lost) ::munmap(cell_page, page);
  EXPECT_EQ(answers, 20000);
}

}  // namespace
}  // namespace lab
