#include "platform/classes/unit_init.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

std::vector<std::string> g_log;
std::atomic<int> g_slow_starts{0};
int g_flaky_attempts = 0;

void StartBase() { g_log.push_back("start base"); }
void EndBase() { g_log.push_back("end base"); }
constinit const TUnit BaseUnit{"Base", &StartBase, &EndBase};

void StartGraphics() {
  UseUnit(BaseUnit);
  g_log.push_back("start graphics");
}
void EndGraphics() { g_log.push_back("end graphics"); }
constinit const TUnit GraphicsUnit{"Graphics", &StartGraphics, &EndGraphics};

void StartGrid() {
  UseUnit(GraphicsUnit);
  g_log.push_back("start grid");
}
void EndGrid() {
  g_log.push_back("end grid");
  throw Exception("shut-down failure is reported, not fatal");
}
constinit const TUnit GridUnit{"Grid", &StartGrid, &EndGrid};

void StartSlow() {
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ++g_slow_starts;
}
constinit const TUnit SlowUnit{"Slow", &StartSlow};

void StartFlaky() {
  if (++g_flaky_attempts == 1) throw Exception("not yet");
}
constinit const TUnit FlakyUnit{"Flaky", &StartFlaky};

void StartSelf();
constinit const TUnit SelfUnit{"Self", &StartSelf};
void StartSelf() { UseUnit(SelfUnit); }

TEST(UnitInit, StartsOnceInDependencyOrderAndEndsInReverse) {
  g_log.clear();
  RegisterUnit(GridUnit);
  RegisterUnit(BaseUnit);
  RegisterUnit(GridUnit);  // registering twice changes nothing
  EXPECT_FALSE(GridUnit.Initialized());
  InitializeUnits();
  EXPECT_TRUE(GridUnit.Initialized());
  EXPECT_TRUE(BaseUnit.Initialized());
  UseUnit(GraphicsUnit);
  InitializeUnits();
  EXPECT_EQ(g_log, (std::vector<std::string>{"start base", "start graphics", "start grid"}));

  g_log.clear();
  FinalizeUnits();
  EXPECT_EQ(g_log, (std::vector<std::string>{"end grid", "end graphics", "end base"}));
  EXPECT_FALSE(BaseUnit.Initialized());
  g_log.clear();
  FinalizeUnits();
  EXPECT_TRUE(g_log.empty());
}

TEST(UnitInit, ConcurrentFirstUsesStartOnceAndWait) {
  std::vector<std::thread> threads;
  std::atomic<int> saw_started{0};
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&] {
      UseUnit(SlowUnit);
      if (g_slow_starts.load() == 1) ++saw_started;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_slow_starts.load(), 1);
  EXPECT_EQ(saw_started.load(), 8);
}

TEST(UnitInit, FailedStartCanBeRetriedAndSelfUseIsAnError) {
  EXPECT_THROW(UseUnit(FlakyUnit), Exception);
  EXPECT_FALSE(FlakyUnit.Initialized());
  UseUnit(FlakyUnit);
  EXPECT_TRUE(FlakyUnit.Initialized());
  EXPECT_EQ(g_flaky_attempts, 2);
  EXPECT_THROW(UseUnit(SelfUnit), EInvalidOperation);
  EXPECT_FALSE(SelfUnit.Initialized());
}

}  // namespace
}  // namespace lab
