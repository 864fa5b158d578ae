#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "crashreport/capture/handler_cache.h"
#include "crashreport/shared_blocks.h"

namespace lab {
namespace {

TEST(SharedBlocks, NameCarriesProcessAndIdInHex) {
  char expected[64];
  std::snprintf(expected, sizeof expected, "MODULE%08X0000ABCD", static_cast<unsigned>(::getpid()));
  EXPECT_EQ(SharedBlockName("MODULE", 0xABCD), expected);
}

TEST(SharedBlocks, CreatedOpenedAndMissing) {
  void* data = reinterpret_cast<void*>(1);
  // Size 0 only opens: a block nobody made gives 0 and leaves nothing open.
  EXPECT_EQ(CreateSharedBlock("TESTBLOCK", 1, 0, data), 0u);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(CreateSharedBlock("TESTBLOCK", 1, 0, data), 0u);

  void* first = nullptr;
  TSharedBlockHandle h1 = CreateSharedBlock("TESTBLOCK", 1, 16, first);
  ASSERT_NE(h1, 0u);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(static_cast<std::uint32_t*>(first)[-1], 20u);  // the total size word
  EXPECT_EQ(std::memcmp(first, "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
  std::memcpy(first, "shared text", 12);

  // Opening again (even asking for another size) reaches the same bytes with the creator's size.
  void* second = nullptr;
  TSharedBlockHandle h2 = CreateSharedBlock("TESTBLOCK", 1, 4000, second);
  ASSERT_NE(h2, 0u);
  EXPECT_NE(h2, h1);
  EXPECT_EQ(second, first);
  EXPECT_EQ(static_cast<std::uint32_t*>(second)[-1], 20u);
  EXPECT_STREQ(static_cast<char*>(second), "shared text");

  // Another ID is another block.
  void* other = nullptr;
  EXPECT_EQ(CreateSharedBlock("TESTBLOCK", 2, 0, other), 0u);

  CloseSharedBlock(h1, first);
  EXPECT_EQ(h1, 0u);
  EXPECT_EQ(first, nullptr);
  void* third = nullptr;
  TSharedBlockHandle h3 = CreateSharedBlock("TESTBLOCK", 1, 0, third);
  ASSERT_NE(h3, 0u);
  EXPECT_STREQ(static_cast<char*>(third), "shared text");
  CloseSharedBlock(h3, third);
  CloseSharedBlock(h2, second);
  CloseSharedBlock(h2, second);  // a closed handle is 0: nothing happens

  // The last closing removed it.
  EXPECT_EQ(CreateSharedBlock("TESTBLOCK", 1, 0, data), 0u);
  // A size that cannot carry its size word is refused.
  EXPECT_EQ(CreateSharedBlock("TESTBLOCK", 3, UINT32_MAX, data), 0u);
}

TEST(HandlerCache, MatchesAllThreeKeysAndDropsTheOldest) {
  int classes[2];
  auto key = [&](int n) {
    return THandlerAnalysisKey{&classes[n % 2], reinterpret_cast<const void*>(0x1000 + n),
                               static_cast<std::uintptr_t>(0x7000 + n)};
  };
  THandlerCache cache;
  for (int n = 0; n <= kHandlerCacheSize; ++n) cache.Add(key(n), THandlerAnalysis{n % 2 == 0, false, n, true});

  THandlerAnalysis found;
  EXPECT_FALSE(cache.Find(key(0), found));  // the oldest went when the eleventh came
  for (int n = 1; n <= kHandlerCacheSize; ++n) {
    ASSERT_TRUE(cache.Find(key(n), found)) << n;
    EXPECT_EQ(found.HandlingFrames, n);
    EXPECT_EQ(found.Handled, n % 2 == 0);
  }
  // A key that differs from a kept one in any part of it finds nothing.
  const struct {
    const char* part;
    void (*change)(THandlerAnalysisKey&, int*);
  } kParts[] = {
      {"another class", [](THandlerAnalysisKey& k, int* c) { k.ExceptClass = &c[0]; }},
      {"no class", [](THandlerAnalysisKey& k, int*) { k.ExceptClass = nullptr; }},
      {"another frame chain", [](THandlerAnalysisKey& k, int*) { k.FrameChainHead = 0; }},
      {"another address", [](THandlerAnalysisKey& k, int*) { k.ExceptAddr = nullptr; }},
  };
  for (const auto& part : kParts) {
    THandlerAnalysisKey partial = key(5);
    part.change(partial, classes);
    EXPECT_FALSE(cache.Find(partial, found)) << part.part;
  }
}

}  // namespace
}  // namespace lab
