#pragma once
// Threads that stand deep in call stacks for the rest of the program run, for the crash reporter's
// benchmarks: each level is a routine of its own (StandAt<Depth> ... StandAt<1>, then Stand), so
// that no return address repeats and a symboliser looks each one up, and each keeps its frame in the
// optimised build.

#include <atomic>
#include <chrono>
#include <thread>

namespace lab::benchstand {

// Each level keeps its own frame: g++ is kept from any interprocedural shortcut, clang from inlining.
#if defined(__clang__)
#define LAB_KEEP_FRAME __attribute__((noinline))
#else
#define LAB_KEEP_FRAME __attribute__((noipa))
#endif

// The threads that have reached Stand.
inline std::atomic<int> g_standing{0};

LAB_KEEP_FRAME inline int Stand() {
  g_standing.fetch_add(1);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  return 1;
}

// One routine per level: the barrier after the call keeps the compiler from a tail call.
template <int Level>
LAB_KEEP_FRAME int StandAt() {
  int result;
  if constexpr (Level > 1)
    result = StandAt<Level - 1>();
  else
    result = Stand();
  asm volatile("" : "+r"(result));
  return result + 1;
}

// Starts Count threads that each call Enter(i) (i = 0..Count-1) and then stand Depth frames deep, and
// answers once all of them stand.
template <int Depth, typename TEnter>
void StartStanding(int Count, TEnter Enter) {
  const int before = g_standing.load();
  for (int i = 0; i < Count; ++i)
    std::thread([Enter, i] {
      Enter(i);
      StandAt<Depth>();
    }).detach();
  while (g_standing.load() < before + Count) std::this_thread::yield();
}

}  // namespace lab::benchstand
