#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <thread>

#include "crashreport/capture/code_patch.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/thread_stacks.h"

namespace lab {
namespace {

// The protection of the mapping that holds Address, read afresh; -1 when none does.
int ProtectionAt(const void* Address) {
  const auto at = reinterpret_cast<std::uintptr_t>(Address);
  const TMemoryMap map;
  for (const TMemoryMap::TRegion& r : map.Regions())
    if (at >= r.Start && at < r.End) return r.Protection;
  return -1;
}

// A patch made under a lent snapshot writes its bytes and leaves the page as it found it, whether
// the page was mapped before the snapshot was read or after (missing from it, as a library loaded
// meanwhile is).
TEST(MemoryMapScope, APatchPutsEachPageBackWhetherTheSnapshotHoldsItOrNot) {
  const struct {
    int Protection;
    bool MappedAfter;
  } cases[] = {{PROT_READ, false},
               {PROT_READ, true},
               {PROT_READ | PROT_EXEC, false},
               {PROT_READ | PROT_EXEC, true},
               {PROT_READ | PROT_WRITE, true}};
  const std::size_t page = CodePageSize();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "protection " << c.Protection << (c.MappedAfter ? ", mapped after" : ""));
    const auto map = [&] { return ::mmap(nullptr, page, c.Protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); };
    void* at = c.MappedAfter ? MAP_FAILED : map();
    const TMemoryMapScope memory;
    ASSERT_NE(TMemoryMapScope::Current(), nullptr);  // read now
    if (c.MappedAfter) at = map();
    ASSERT_NE(at, MAP_FAILED);
    const std::uint64_t value = 0x1122334455667788;
    auto* cell = static_cast<std::uint8_t*>(at) + 8;
    EXPECT_TRUE(PatchCode(cell, &value, sizeof value));
    EXPECT_EQ(std::memcmp(cell, &value, sizeof value), 0);
    EXPECT_EQ(ProtectionAt(at), c.Protection);
    ::munmap(at, page);
  }
}

TEST(MemoryMapScope, IsLentToItsOwnThreadOnlyAndAnInnerScopeLendsTheOuterOnesSnapshot) {
  EXPECT_EQ(TMemoryMapScope::Current(), nullptr);
  {
    const TMemoryMapScope outer;
    const TMemoryMap* lent = TMemoryMapScope::Current();
    ASSERT_NE(lent, nullptr);
    {
      const TMemoryMapScope inner;
      EXPECT_EQ(TMemoryMapScope::Current(), lent);
    }
    EXPECT_EQ(TMemoryMapScope::Current(), lent);
    std::thread([] { EXPECT_EQ(TMemoryMapScope::Current(), nullptr); }).join();
  }
  EXPECT_EQ(TMemoryMapScope::Current(), nullptr);
}

// Asked one mapping at a time, the kernel tells what the whole map tells: the mapping that holds an
// address with its protection, none in a gap, or with Next the first one above the gap.
TEST(MemoryMapScope, TheKernelAskedForOneMappingTellsWhatTheWholeMapTells) {
  const TMappingQuery query;
  if (!query.Available()) GTEST_SKIP() << "this kernel answers no question about one mapping";
  const std::size_t page = CodePageSize();
  auto* pages = static_cast<std::uint8_t*>(::mmap(nullptr, 3 * page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(::mprotect(pages + 2 * page, page, PROT_READ | PROT_WRITE), 0);
  ASSERT_EQ(::munmap(pages + page, page), 0);
  static int global = 0;
  const int local = 0;
  const struct {
    const void* Address;
    bool Next;
  } cases[] = {{pages, false}, {pages + page, false}, {pages + page, true}, {pages + 2 * page + 8, false},
               {reinterpret_cast<const void*>(&PatchCode), false}, {"text", false}, {&global, false}, {&local, false}};
  const TMemoryMap map;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Address << (c.Next ? " or the next" : ""));
    TMemoryRegion asked{}, read{};
    const auto at = reinterpret_cast<std::uintptr_t>(c.Address);
    const bool found = map.Find(at, c.Next, read);
    ASSERT_EQ(query.Find(at, c.Next, asked), found);
    if (!found) continue;
    EXPECT_EQ(asked.Start, read.Start);
    EXPECT_EQ(asked.End, read.End);
    EXPECT_EQ(asked.Protection, read.Protection);
  }
  ::munmap(pages, page);
  ::munmap(pages + 2 * page, page);
}

// The program's first stack, read from a snapshot or asked of the kernel, is the one the thread
// library answers for the main thread, under any stack limit: one that reaches past the mapping
// below stops at it.
TEST(MemoryMapScope, TheStackTheProgramStartedOnIsTheThreadLibrarys) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_STACK, &saved), 0);
  const rlim_t limits[] = {saved.rlim_cur, 256 << 10, 8 << 20, saved.rlim_max};
  for (const rlim_t limit : limits) {
    SCOPED_TRACE(testing::Message() << "stack limit " << limit);
    const rlimit wanted{limit, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_STACK, &wanted), 0);
    pthread_attr_t attributes;
    void* low = nullptr;
    std::size_t size = 0;
    ASSERT_EQ(::pthread_getattr_np(::pthread_self(), &attributes), 0);
    ASSERT_EQ(::pthread_attr_getstack(&attributes, &low, &size), 0);
    ::pthread_attr_destroy(&attributes);
    const TMemoryMap map;
    const TMappingQuery query;
    for (const TMappingLookup* mappings : {static_cast<const TMappingLookup*>(&map), static_cast<const TMappingLookup*>(&query)}) {
      if (mappings == &query && !query.Available()) continue;
      const TStackBounds bounds = InitialThreadStack(*mappings);
      EXPECT_EQ(bounds.Low, reinterpret_cast<std::uintptr_t>(low));
      EXPECT_EQ(bounds.High, reinterpret_cast<std::uintptr_t>(low) + size);
    }
  }
  ::setrlimit(RLIMIT_STACK, &saved);
}

}  // namespace
}  // namespace lab
