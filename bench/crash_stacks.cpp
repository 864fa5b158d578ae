// Call stacks of every thread of a program, captured and symbolised: 8 threads standing 30 frames
// deep (30 routines, so that no return address repeats and each is looked up), in this optimised
// program with its full debug information. The first capture reads the modules' symbols and line
// tables (cold); later ones answer from them (steady state). Where wall time is noisy, count the
// instructions of the captures alone:
//   valgrind --tool=callgrind --toggle-collect='*CaptureAll*' --callgrind-out-file=cg.out
//       build/bench_crash_stacks --benchmark_filter=<name> --benchmark_min_time=4
// BM_FirstCaptureOfAllThreads's total is the first capture; for the steady state take it off
// BM_CaptureOfAllThreads's total and divide by the calls of CaptureAll less one (the "(N x)" that
// callgrind_annotate --inclusive=yes --tree=caller cg.out shows for it).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/standing_threads.h"
#include "crashreport/report/call_stack.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/threads.h"

namespace {

constexpr int kThreads = 8;
constexpr int kDepth = 30;

// The threads stand for the whole program run.
const std::vector<std::uint32_t>& Threads() {
  static std::vector<std::uint32_t>* ids = [] {
    lab::InstallThreadStartHook();
    auto* list = new std::vector<std::uint32_t>(kThreads);
    lab::benchstand::StartStanding<kDepth>(
        kThreads, [list](int i) { (*list)[static_cast<std::size_t>(i)] = lab::GetCurrentThreadID(); });
    return list;
  }();
  return *ids;
}

int CaptureAll(benchmark::State& state) {
  int entries = 0, deep = 0;
  const lab::TMemoryMap memory;  // one look at the mappings for all threads
  for (std::uint32_t id : Threads()) {
    lab::TCrashStackList list;
    if (!lab::GetThreadCallStack(id, lab::kAllCallStackKinds, 1, list, &memory))
      state.SkipWithError("a thread did not answer");
    entries += list.Count();
    for (int i = 0; i < list.Count(); ++i)
      if (list.GetItem(i)->Kind == lab::dkSourceLine && list.GetItem(i)->ProcedureName.rfind("StandAt<", 0) == 0)
        ++deep;
  }
  state.counters["entries"] = entries;
  state.counters["StandAt_lines"] = deep;
  return entries;
}

void BM_FirstCaptureOfAllThreads(benchmark::State& state) {
  Threads();
  for (auto _ : state) benchmark::DoNotOptimize(CaptureAll(state));
}
BENCHMARK(BM_FirstCaptureOfAllThreads)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureOfAllThreads(benchmark::State& state) {
  Threads();
  for (auto _ : state) benchmark::DoNotOptimize(CaptureAll(state));
}
BENCHMARK(BM_CaptureOfAllThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
