#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "crashreport/report/crash_lists.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

std::shared_ptr<const std::uint8_t[]> StackCopy(std::uint8_t Fill, std::size_t Size) {
  std::shared_ptr<std::uint8_t[]> copy(new std::uint8_t[Size]);
  for (std::size_t i = 0; i < Size; ++i) copy[i] = Fill;
  return copy;
}

TEST(CrashLists, OwningListsFreeWhatTheyHold) {
  TCrashStackList stack;
  auto module = std::make_shared<TCrashModuleInfo>();
  std::weak_ptr<TCrashModuleInfo> watch = module;
  TCrashDebugInfo* entry = stack.Add(std::make_unique<TCrashDebugInfo>());
  entry->Module = module;
  entry->ProcedureName = "Run";
  stack.Add(std::make_unique<TCrashDebugInfo>());
  module.reset();
  EXPECT_FALSE(watch.expired());  // the entry keeps its module's record
  EXPECT_EQ(stack.GetItem(0)->ProcedureName, "Run");
  EXPECT_THROW(stack.GetItem(2), EListError);
  EXPECT_THROW(stack.Delete(-1), EListError);
  stack.Delete(0);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(stack.Count(), 1);
  stack.Clear();
  EXPECT_EQ(stack.Count(), 0);
}

TEST(CrashLists, ModulesAndFunctionsSort) {
  TCrashModulesList modules;
  for (std::uintptr_t handle : {0x3000u, 0x1000u, 0x2000u}) {
    auto record = std::make_shared<TCrashModuleInfo>();
    record->Handle = handle;
    modules.Add(record);
  }
  EXPECT_EQ(modules.IndexOfHandle(0x1000), 1);
  EXPECT_EQ(modules.IndexOfHandle(0x4000), -1);
  modules.SortByHandle();
  EXPECT_EQ(modules.GetItem(0)->Handle, 0x1000u);
  EXPECT_EQ(modules.GetItem(2)->Handle, 0x3000u);
  std::shared_ptr<TCrashModuleInfo> kept = modules.Shared(1);
  modules.Clear();
  EXPECT_EQ(kept->Handle, 0x2000u);  // whoever shares a record keeps it whole

  TCrashFunctionsList functions;
  functions.Add(std::make_unique<TCrashFunctionInfo>(TCrashFunctionInfo{"b", 0x20, 4}));
  functions.Add(std::make_unique<TCrashFunctionInfo>(TCrashFunctionInfo{"a", 0x10, 8}));
  functions.SortByAddress();
  EXPECT_EQ(functions.GetItem(0)->ProcedureName, "a");
}

TEST(CrashLists, ThreadSearchesRunFromTheLastEntry) {
  TCrashThreadsList threads;
  TThread* object = reinterpret_cast<TThread*>(0x5000);
  for (int i = 0; i < 3; ++i) {
    TCrashThreadEntry* e = threads.AddNewItem();
    EXPECT_EQ(e->Priority, kPriorityNotRecorded);
    EXPECT_EQ(e->ThreadID, 0u);
    e->ThreadID = i == 2 ? 7 : 7 + i;
    e->Handle = 100 + i;
    e->ThreadObject = i == 0 ? nullptr : object;
  }
  EXPECT_EQ(threads.IndexOfID(7), 2);
  EXPECT_EQ(threads.IndexOfID(8), 1);
  EXPECT_EQ(threads.IndexOfID(9), -1);
  EXPECT_EQ(threads.IndexOfHandle(100), 0);
  EXPECT_EQ(threads.IndexOfObject(object), 2);
  EXPECT_EQ(threads.IndexOfObject(nullptr), 0);

  auto loose = TCrashThreadsList::NewItem();
  EXPECT_EQ(threads.Count(), 3);  // made, not added
  threads.AddNewItem()->ThreadID = GetCurrentThreadID();
  threads.RemoveCurrentThread();
  EXPECT_EQ(threads.Count(), 3);
  EXPECT_EQ(threads.IndexOfID(GetCurrentThreadID()), -1);
}

TEST(CrashLists, DeletingSnapshotEntriesLeavesTheLiveStacksIntact) {
  TCrashThreadsList live;
  for (int i = 0; i < 3; ++i) {
    TCrashThreadEntry* e = live.AddNewItem();
    e->ThreadID = 10 + i;
    e->SavedStackSize = 64;
    e->SavedStack = StackCopy(static_cast<std::uint8_t>(i + 1), 64);
  }
  {
    TCrashThreadsList snapshot(live);
    EXPECT_TRUE(snapshot.IsSnapshot());
    ASSERT_EQ(snapshot.Count(), 3);
    EXPECT_EQ(snapshot.GetItem(1)->SavedStack.get(), live.GetItem(1)->SavedStack.get());  // shared
    snapshot.Delete(1);
    snapshot.Clear();
  }
  EXPECT_EQ(live.GetItem(1)->SavedStack[63], 2);

  // And the other way round: the live list drops an entry a snapshot still reads.
  TCrashThreadsList snapshot(live);
  live.Delete(0);
  EXPECT_EQ(snapshot.GetItem(0)->SavedStack[0], 1);
  EXPECT_EQ(snapshot.GetItem(0)->ThreadID, 10u);
}

TEST(CrashLists, FinishedThreadsGoTogether) {
  TCrashThreadsList threads;
  std::uint32_t finished[2] = {0, 0};
  for (std::uint32_t& id : finished) std::thread([&] { id = GetCurrentThreadID(); }).join();
  threads.AddNewItem()->ThreadID = GetCurrentThreadID();
  threads.AddNewItem()->ThreadID = finished[0];
  threads.AddNewItem()->ThreadID = finished[1];  // two finished threads next to each other
  threads.AddNewItem()->ThreadID = GetCurrentThreadID();
  threads.RemoveTerminated();
  ASSERT_EQ(threads.Count(), 2);
  EXPECT_EQ(threads.GetItem(0)->ThreadID, GetCurrentThreadID());
  EXPECT_EQ(threads.GetItem(1)->ThreadID, GetCurrentThreadID());
}

// Snapshots taken while another thread adds and removes entries see whole entries only. (CI runs
// this one under ThreadSanitizer too.)
TEST(CrashLists, SnapshotsWhileEntriesComeAndGo) {
  TCrashThreadsList live;
  std::atomic<bool> stop{false};
  std::thread changer([&] {
    std::uint32_t next = 1;
    while (!stop.load()) {
      live.BeginWrite();
      TCrashThreadEntry* e = live.AddNewItem();
      e->ThreadID = next;
      e->SavedStackSize = 32;
      e->SavedStack = StackCopy(static_cast<std::uint8_t>(next), 32);
      if (live.Count() > 8) live.Delete(0);
      live.EndWrite();
      ++next;
    }
  });
  const auto live_count = [&] {
    live.BeginRead();
    const int count = live.Count();
    live.EndRead();
    return count;
  };
  while (live_count() == 0) std::this_thread::yield();
  int seen = 0;
  for (int round = 0; round < 300; ++round) {
    TCrashThreadsList snapshot(live);
    for (int i = 0; i < snapshot.Count(); ++i) {
      const TCrashThreadEntry* e = snapshot.GetItem(i);
      ASSERT_EQ(e->SavedStackSize, 32u);
      ASSERT_TRUE(e->SavedStack);
      EXPECT_EQ(e->SavedStack[31], static_cast<std::uint8_t>(e->ThreadID));
      ++seen;
    }
    EXPECT_LE(live_count(), 9);
  }
  stop = true;
  changer.join();
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace lab
