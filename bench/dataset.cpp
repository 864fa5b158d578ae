// The in-memory dataset at 1,000 and 1,000,000 records: loading, moving, bookmark jumps, record
// numbers, sorting by numbers and by text, posting while sorted, filtering, and Locate on a sorted
// key. bench_dataset_sqlite does the same work on the same records in SQLite's in-memory database:
// compare the CPU times of the benchmarks of the same name, run one after the other,
//   build/bench_dataset --benchmark_filter=/1000000; build/bench_dataset_sqlite
// Goals against SQLite, by the same name: loading as a program writes records (BM_LoadFieldByName,
// a field found by name for every value) at most 0.8 times its time; posting an edited record
// while sorted by text at most its time and within 8 us; the first Locate on a sorted key after the
// sort (BM_LocateAfterSort) at most its instructions; sorting by text at most 0.4 times and by
// numbers 0.15 times its time, filtering at most 0.8 times; at most 1.1 times its memory per record
// (bytes_per_record of BM_LoadAppendPost). Instructions per call come from callgrind, in each
// program alike:
//   valgrind --tool=callgrind --toggle-collect='*LocateOnce*' --callgrind-out-file=locate.cg
//     build/bench_dataset --benchmark_filter=LocateAfterSort
//   callgrind_annotate --inclusive=yes locate.cg | grep LocateOnce
// (the instructions divided by the calls; PostOnce likewise for BM_PostSortedEdit).
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

// Record by record as a program writes them, each value through its field found by name.
void BM_LoadFieldByName(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto& r = Records(n);
  for (auto _ : state) {
    auto ds = EmptyDataSet();
    ds->Open();
    for (std::size_t i = 0; i < r.Size(); ++i) {
      ds->Append();
      ds->FieldByName("Id")->SetAsInteger(r.Id[i]);
      ds->FieldByName("Name")->SetAsString(r.Name[i]);
      ds->FieldByName("City")->SetAsString(r.City[i]);
      ds->FieldByName("Age")->SetAsInteger(r.Age[i]);
      ds->FieldByName("Score")->SetAsFloat(r.Score[i]);
      ds->Post();
    }
    state.PauseTiming();
    ds.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LoadFieldByName)->Arg(1000000)->Unit(benchmark::kMillisecond);

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

// Kept out of line, so callgrind counts the edit apart from the loop.
[[gnu::noinline]] void PostOnce(TMemDataSet& ds, lab::TField* name, int recNo, const std::string& text) {
  ds.SetRecNo(recNo);
  ds.Edit();
  name->SetAsString(text);
  ds.Post();
}

// A record's text changed while the dataset is sorted by it: the record moves to its new place.
void BM_PostSortedEdit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  ds.SetSortFields("Name");
  lab::TField* name = ds.FieldByName("Name");
  std::mt19937 random(5);
  std::uint32_t serial = 0;
  for (auto _ : state) {
    const int recNo = static_cast<int>(random() % static_cast<unsigned>(n)) + 1;
    PostOnce(ds, name, recNo, lab::benchdata::FreshName(serial++));
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

[[gnu::noinline]] bool LocateOnce(TMemDataSet& ds, int id) { return ds.Locate("Id", id, {}); }

// The first search after the records were sorted by the key.
void BM_LocateAfterSort(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemDataSet& ds = Shared(n);
  std::mt19937 random(3);
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetSortFields("");
    ds.SetSortFields("Id");
    state.ResumeTiming();
    if (!LocateOnce(ds, static_cast<int>(random() % static_cast<unsigned>(n)) + 1)) state.SkipWithError("not found");
  }
}
BENCHMARK(BM_LocateAfterSort)->Arg(1000000)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
