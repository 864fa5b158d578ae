// The in-memory dataset at 1,000 and 1,000,000 records: loading, moving, bookmark jumps, record
// numbers, sorting by one and two fields, filtering, and Locate on a sorted key.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "platform/db/mem_dataset.h"

namespace {

using lab::TMemDataSet;

// Id (shuffled 1..n), City (one of 1000 names), Age (0..99), Score (random).
const std::string& CsvText(int n) {
  static std::map<int, std::string> cache;
  std::string& text = cache[n];
  if (!text.empty()) return text;
  std::mt19937 random(42);
  std::vector<int> ids(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ids[static_cast<std::size_t>(i)] = i + 1;
  std::shuffle(ids.begin(), ids.end(), random);
  text = "Id,City,Age,Score\r\n";
  for (int i = 0; i < n; ++i) {
    text += std::to_string(ids[static_cast<std::size_t>(i)]);
    text += ",City";
    text += std::to_string(random() % 1000);
    text += ',';
    text += std::to_string(random() % 100);
    text += ',';
    text += std::to_string(random() % 100000 / 7.0);
    text += "\r\n";
  }
  return text;
}

std::unique_ptr<TMemDataSet> MakeDataSet(int n) {
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", lab::ftInteger);
  ds->FieldDefs().Add("City", lab::ftString, 10);
  ds->FieldDefs().Add("Age", lab::ftInteger);
  ds->FieldDefs().Add("Score", lab::ftFloat);
  ds->LoadFromCSV(CsvText(n));
  return ds;
}

// One shared dataset per size, so the benchmarks of moves and jumps do not load it again.
TMemDataSet& Shared(int n) {
  static std::map<int, std::unique_ptr<TMemDataSet>> cache;
  auto& ds = cache[n];
  if (!ds) ds = MakeDataSet(n);
  ds->SetFiltered(false);
  ds->SetSortFields("");
  return *ds;
}

void BM_LoadCsv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CsvText(n);
  for (auto _ : state) benchmark::DoNotOptimize(MakeDataSet(n));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadCsv)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_MoveBy(benchmark::State& state) {
  TMemDataSet& ds = Shared(static_cast<int>(state.range(0)));
  ds.First();
  int direction = 1;
  for (auto _ : state) {
    if (ds.MoveBy(direction * 3) == 0) direction = -direction;
    if (ds.Eof() || ds.Bof()) direction = -direction;
  }
}
BENCHMARK(BM_MoveBy)->Arg(1000)->Arg(1000000);

void BM_GotoBookmark(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  std::vector<lab::TBookmark> marks;
  std::mt19937 random(7);
  for (int i = 0; i < 256; ++i) {
    ds.SetRecNo(static_cast<int>(random() % static_cast<unsigned>(n)) + 1);
    marks.push_back(ds.Bookmark());
  }
  std::size_t i = 0;
  for (auto _ : state) ds.GotoBookmark(marks[i++ & 255]);
}
BENCHMARK(BM_GotoBookmark)->Arg(1000)->Arg(1000000);

void BM_RecNo(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  ds.SetRecNo(n / 2);
  for (auto _ : state) benchmark::DoNotOptimize(ds.RecNo());
}
BENCHMARK(BM_RecNo)->Arg(1000)->Arg(1000000);

void Sort(benchmark::State& state, const char* fields) {
  TMemDataSet& ds = Shared(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetSortFields("");
    state.ResumeTiming();
    ds.SetSortFields(fields);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_SortOneField(benchmark::State& state) { Sort(state, "Score"); }
void BM_SortTwoFields(benchmark::State& state) { Sort(state, "City; Age DESC"); }
BENCHMARK(BM_SortOneField)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTwoFields)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_FilterText(benchmark::State& state) {
  TMemDataSet& ds = Shared(static_cast<int>(state.range(0)));
  ds.SetFilter("Age >= 50 AND City LIKE 'City1%'");
  for (auto _ : state) {
    ds.SetFiltered(true);
    state.PauseTiming();
    ds.SetFiltered(false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FilterText)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LocateSorted(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  ds.SetSortFields("Id");
  std::mt19937 random(3);
  for (auto _ : state) {
    if (!ds.Locate("Id", static_cast<int>(random() % static_cast<unsigned>(n)) + 1, {}))
      state.SkipWithError("not found");
  }
}
BENCHMARK(BM_LocateSorted)->Arg(1000)->Arg(1000000);

}  // namespace

BENCHMARK_MAIN();
