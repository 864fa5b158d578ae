// The in-memory dataset at 1,000 and 1,000,000 records: loading, moving, bookmark jumps, record
// numbers, sorting by numbers and by text, posting while sorted, filtering, and Locate on a sorted
// key. bench_dataset_sqlite does the same work on the same records in SQLite's in-memory database:
// compare the CPU times of the benchmarks of the same name, run one after the other,
//   build/bench_dataset --benchmark_filter=/1000000; build/bench_dataset_sqlite
// The dataset is to stay at or below SQLite loading, sorting by text and by numbers, filtering and
// locating on a sorted key, to post an edited record while sorted within 15 us, and to take at most
// 1.2 times SQLite's memory per record (bytes_per_record of BM_LoadAppendPost).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/dataset_records.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/format.h"

namespace {

using lab::TMemDataSet;
using lab::benchdata::Records;

const std::string& CsvText(int n) {
  static std::map<int, std::string> cache;
  std::string& text = cache[n];
  if (!text.empty()) return text;
  const auto& r = Records(n);
  text = "Id,Name,City,Age,Score\r\n";
  for (std::size_t i = 0; i < r.Size(); ++i) {
    text += std::to_string(r.Id[i]);
    text += ',';
    text += r.Name[i];
    text += ',';
    text += r.City[i];
    text += ',';
    text += std::to_string(r.Age[i]);
    text += ',';
    text += lab::Format("%.17g", r.Score[i]);
    text += "\r\n";
  }
  return text;
}

std::unique_ptr<TMemDataSet> EmptyDataSet() {
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", lab::ftInteger);
  ds->FieldDefs().Add("Name", lab::ftString, 20);
  ds->FieldDefs().Add("City", lab::ftString, 10);
  ds->FieldDefs().Add("Age", lab::ftInteger);
  ds->FieldDefs().Add("Score", lab::ftFloat);
  return ds;
}

std::unique_ptr<TMemDataSet> MakeDataSet(int n) {
  auto ds = EmptyDataSet();
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

// Heap bytes in use, the large blocks malloc maps on their own included.
std::size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_LoadCsv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CsvText(n);
  for (auto _ : state) benchmark::DoNotOptimize(MakeDataSet(n));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadCsv)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Record by record, as a program fills a dataset; also the heap the records take.
void BM_LoadAppendPost(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto& r = Records(n);
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    auto ds = EmptyDataSet();
    ds->Open();
    lab::TField* id = ds->FieldByName("Id");
    lab::TField* name = ds->FieldByName("Name");
    lab::TField* city = ds->FieldByName("City");
    lab::TField* age = ds->FieldByName("Age");
    lab::TField* score = ds->FieldByName("Score");
    for (std::size_t i = 0; i < r.Size(); ++i) {
      ds->Append();
      id->SetAsInteger(r.Id[i]);
      name->SetAsString(r.Name[i]);
      city->SetAsString(r.City[i]);
      age->SetAsInteger(r.Age[i]);
      score->SetAsFloat(r.Score[i]);
      ds->Post();
    }
    state.PauseTiming();
    state.counters["bytes_per_record"] = static_cast<double>(HeapInUse() - before) / n;
    ds.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadAppendPost)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
void BM_SortText(benchmark::State& state) { Sort(state, "Name"); }
BENCHMARK(BM_SortOneField)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTwoFields)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortText)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A record's text changed while the dataset is sorted by it: the record moves to its new place.
void BM_PostSortedEdit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  ds.SetSortFields("Name");
  lab::TField* name = ds.FieldByName("Name");
  std::mt19937 random(5);
  std::uint32_t serial = 0;
  for (auto _ : state) {
    ds.SetRecNo(static_cast<int>(random() % static_cast<unsigned>(n)) + 1);
    const std::string text = lab::benchdata::FreshName(serial++);
    ds.Edit();
    name->SetAsString(text);
    ds.Post();
  }
}
BENCHMARK(BM_PostSortedEdit)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A keystroke in a filter box: the filter text changes while the dataset is filtered.
void Filter(benchmark::State& state, const char* text) {
  TMemDataSet& ds = Shared(static_cast<int>(state.range(0)));
  ds.SetFiltered(true);
  for (auto _ : state) {
    ds.SetFilter(text);
    state.PauseTiming();
    ds.SetFilter("");
    state.ResumeTiming();
  }
  ds.SetFiltered(false);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_FilterPrefix(benchmark::State& state) { Filter(state, "Name LIKE 'ka%'"); }
void BM_FilterRange(benchmark::State& state) { Filter(state, "Age >= 20 AND Age < 30 AND Score > 5000"); }
BENCHMARK(BM_FilterPrefix)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRange)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
