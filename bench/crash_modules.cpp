// The module list of this program (its 62 modules: the program, the system libraries the components
// link and those they load, and the vDSO), against a bare dl_iterate_phdr walk over the same modules:
// - BM_BareWalk: dl_iterate_phdr counting the modules, nothing more;
// - BM_EnumerationOfAKnownList: EnumerateModules when nothing was loaded or unloaded since (what
//   each report does first): one walk, each record checked against what is loaded at its address;
// - BM_ColdEnumeration: EnumerateModules into an empty list (what the start-up does): one walk, an
//   entry of each module's handle and the loader's string of its file name; no record made, no
//   name copied, no file read;
// - BM_CompletedModuleList: the empty list enumerated and every record then completed from its
//   file and data (version, size, date, kind, options), as the report's module rows read them;
// - BM_WholeModuleList: the empty list enumerated and records then made whole (GetModuleInfo:
//   exports too), as describing the addresses of a report does: /34_modules those of the first 34
//   modules the loader lists (the program, the libraries it links and the first ones they load),
//   what a program of 34 modules has; /all_modules all 62.
// Goals: the whole list of a program of 34 modules within 20 ms; the cold enumeration within 3x the
// bare walk, in CPU time. Instructions of the two come from callgrind:
//   valgrind --tool=callgrind --toggle-collect='lab::EnumerateModules()' bench_crash_modules --benchmark_filter=Cold
//   valgrind --tool=callgrind --toggle-collect='*BM_BareWalk*' bench_crash_modules --benchmark_filter=Bare
// each total divided by its calls (callgrind_annotate --inclusive=yes --tree=caller). Name the
// enumeration exactly: a pattern would also match the walk's callback, inside which callgrind would
// then stop counting. Under valgrind the libraries are mapped upward, so the walk comes sorted.
#include <benchmark/benchmark.h>
#include <link.h>

#include <vector>

#include "crashreport/report/crash_lists.h"
#include "crashreport/report/module_list.h"

namespace {

void BM_BareWalk(benchmark::State& state) {
  int count = 0;
  for (auto _ : state) {
    count = 0;
    ::dl_iterate_phdr(
        [](dl_phdr_info*, std::size_t, void* data) {
          ++*static_cast<int*>(data);
          return 0;
        },
        &count);
    benchmark::DoNotOptimize(count);
  }
  state.counters["modules"] = count;
}
BENCHMARK(BM_BareWalk)->Unit(benchmark::kMicrosecond);

// The list emptied and enumerated again: emptying a list of entries without records frees nothing,
// so it is timed with the enumeration (pausing the benchmark's timer would cost more than both).
void BM_ColdEnumeration(benchmark::State& state) {
  for (auto _ : state) {
    lab::CrashModulesList().Clear();
    lab::EnumerateModules();
  }
  state.counters["modules"] = lab::CrashModulesList().Count();
}
BENCHMARK(BM_ColdEnumeration)->Unit(benchmark::kMicrosecond);

void BM_EnumerationOfAKnownList(benchmark::State& state) {
  lab::CrashModulesList().Clear();
  lab::EnumerateModules();
  for (auto _ : state) lab::EnumerateModules();
  state.counters["modules"] = lab::CrashModulesList().Count();
}
BENCHMARK(BM_EnumerationOfAKnownList)->Unit(benchmark::kMicrosecond);

void BM_CompletedModuleList(benchmark::State& state) {
  for (auto _ : state) {
    lab::CrashModulesList().Clear();
    lab::EnumerateModules();
    lab::CompleteModuleInfos(lab::CrashModulesList());
  }
  state.counters["modules"] = lab::CrashModulesList().Count();
}
BENCHMARK(BM_CompletedModuleList)->Unit(benchmark::kMillisecond);

// An address inside each of the first Count modules the loader lists (all for 0).
std::vector<const void*> FirstModules(std::size_t Count) {
  std::vector<const void*> inside;
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        static_cast<std::vector<const void*>*>(data)->push_back(info->dlpi_phdr);
        return 0;
      },
      &inside);
  if (Count && Count < inside.size()) inside.resize(Count);
  return inside;
}

void BM_WholeModuleList(benchmark::State& state, std::size_t Modules) {
  const std::vector<const void*> inside = FirstModules(Modules);
  for (auto _ : state) {
    lab::CrashModulesList().Clear();
    lab::EnumerateModules();
    for (const void* address : inside) benchmark::DoNotOptimize(lab::GetModuleInfoByAddr(address));
  }
  state.counters["modules"] = static_cast<double>(inside.size());
}
BENCHMARK_CAPTURE(BM_WholeModuleList, 34_modules, 34)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeModuleList, all_modules, 0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
