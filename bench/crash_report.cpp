// The crash reporter in a program that faults, each run in a fresh child process (as a real fault
// meets a program that has made no report yet): the time from a write through a null pointer in
// the main thread to the finished report, with the main thread's and 8 more threads' call stacks
// (each standing 30 frames deep) symbolised from this optimised program's full debug information;
// and the reporter's start-up (UseUnit(CrashLogUnit): its state, the module list, this module's
// options, the report worker, the signal handlers, the thread hooks). Goals: 100 ms and 1 ms. Beside
// the time, the counter child_cpu_us: the CPU time the child's threads spent meanwhile (a loaded machine
// stretches the time, not the CPU time).
// And what a throw costs in this program, 30 frames deep and caught at the top: BM_PlainThrow through
// the C++ runtime's own throw, as in a program without the crash reporter; BM_ThrowNotStarted
// through the crash reporter's throw entry point before it starts; BM_ThrowStarted once it runs
// (these run last, in this process). Goals: not started within 1.1 times a plain throw; started
// within 5 µs more than a plain throw.
#include <benchmark/benchmark.h>

#include <cxxabi.h>
#include <dlfcn.h>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>
#include <stdexcept>

#include "bench/standing_threads.h"
#include "crashreport/crashlog.h"
#include "crashreport/capture/fault_capture.h"

namespace {

constexpr int kThreads = 8;
constexpr int kDepth = 30;

// What a child measured, in steady-clock and in process CPU-time nanoseconds.
struct TTimes {
  std::atomic<std::int64_t> Start{0}, End{0}, CpuStart{0}, CpuEnd{0};
};
TTimes* Shared() {
  static auto* times = static_cast<TTimes*>(
      ::mmap(nullptr, sizeof(TTimes), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  return times;
}

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t CpuNow() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void MarkStart() {
  Shared()->CpuStart = CpuNow();
  Shared()->Start = Now();
}

void MarkEnd() {
  Shared()->End = Now();
  Shared()->CpuEnd = CpuNow();
}

int* volatile g_null = nullptr;

LAB_KEEP_FRAME void Fault() { *g_null = 1; }

// Runs Child in a fresh process and answers the time it measured, and in Cpu the CPU time.
double RunInChild(void (*Child)(), double& Cpu) {
  TTimes* times = Shared();
  times->Start = 0;
  times->End = 0;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    Child();
    std::_Exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Cpu = static_cast<double>(times->CpuEnd - times->CpuStart) / 1e9;
  return times->End > times->Start && times->Start > 0 ? static_cast<double>(times->End - times->Start) / 1e9 : -1;
}

void FaultChild() {
  lab::UseUnit(lab::CrashLogUnit);
  lab::benchstand::StartStanding<kDepth>(kThreads, [](int) {});
  lab::SetFaultReportWriter([](std::string_view) { MarkEnd(); });
  MarkStart();
  Fault();
}

void StartUpChild() {
  MarkStart();
  lab::UseUnit(lab::CrashLogUnit);
  MarkEnd();
}

void Measure(benchmark::State& state, void (*Child)()) {
  double cpu_us = 0;
  for (auto _ : state) {
    double cpu = 0;
    const double seconds = RunInChild(Child, cpu);
    if (seconds < 0) {
      state.SkipWithError("the child measured nothing");
      return;
    }
    state.SetIterationTime(seconds);
    cpu_us += cpu * 1e6;
  }
  state.counters["child_cpu_us"] = benchmark::Counter(cpu_us, benchmark::Counter::kAvgIterations);
}

void BM_FaultToFinishedReport(benchmark::State& state) { Measure(state, &FaultChild); }
BENCHMARK(BM_FaultToFinishedReport)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ReporterStartUp(benchmark::State& state) { Measure(state, &StartUpChild); }
BENCHMARK(BM_ReporterStartUp)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

// Throws a runtime_error through Throw: the runtime's own entry point, or the one this program links.
using TThrowEntry = void (*)(void*, std::type_info*, void (*)(void*));

LAB_KEEP_FRAME void Raise(TThrowEntry Throw) {
  void* object = __cxxabiv1::__cxa_allocate_exception(sizeof(std::runtime_error));
  new (object) std::runtime_error("thrown");
  Throw(object, const_cast<std::type_info*>(&typeid(std::runtime_error)),
        [](void* Object) { static_cast<std::runtime_error*>(Object)->~runtime_error(); });
}

template <int Level>
LAB_KEEP_FRAME int RaiseAt(TThrowEntry Throw) {
  int result = 0;
  if constexpr (Level > 1)
    result = RaiseAt<Level - 1>(Throw);
  else
    Raise(Throw);
  asm volatile("" : "+r"(result));
  return result + 1;
}

void MeasureThrows(benchmark::State& state, TThrowEntry Throw) {
  for (auto _ : state) {
    try {
      RaiseAt<kDepth>(Throw);
    } catch (const std::runtime_error&) {
    }
  }
}

void BM_PlainThrow(benchmark::State& state) {
  MeasureThrows(state, reinterpret_cast<TThrowEntry>(::dlsym(RTLD_NEXT, "__cxa_throw")));
}
BENCHMARK(BM_PlainThrow)->Unit(benchmark::kMicrosecond);

void BM_ThrowNotStarted(benchmark::State& state) { MeasureThrows(state, &__cxxabiv1::__cxa_throw); }
BENCHMARK(BM_ThrowNotStarted)->Unit(benchmark::kMicrosecond);

void BM_ThrowStarted(benchmark::State& state) {
  lab::UseUnit(lab::CrashLogUnit);
  MeasureThrows(state, &__cxxabiv1::__cxa_throw);
}
BENCHMARK(BM_ThrowStarted)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
