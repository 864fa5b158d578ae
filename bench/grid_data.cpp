// The grid's data services at 1,000,000 records: footer sums after one posted edit (and the full
// recount they would otherwise cost), and a sort by one column through the grid's data service.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "grid/data_service.h"
#include "grid/dbgrid.h"
#include "grid/sum_list.h"
#include "platform/backend/headless.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

namespace {

using namespace lab;

constexpr int kRecords = 1000000;

// Id 1..n, Amount (currency with cents), Score (random float).
std::unique_ptr<TMemDataSet> MakeDataSet(int n) {
  std::mt19937 random(42);
  std::string text = "Id,Amount,Score\r\n";
  text.reserve(static_cast<std::size_t>(n) * 24);
  for (int i = 1; i <= n; ++i) {
    text += std::to_string(i);
    text += ',';
    text += std::to_string(random() % 100000);
    text += '.';
    text += std::to_string(random() % 90 + 10);
    text += ',';
    text += std::to_string(random() % 100000 / 7.0);
    text += "\r\n";
  }
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", ftInteger);
  ds->FieldDefs().Add("Amount", ftCurrency);
  ds->FieldDefs().Add("Score", ftFloat);
  ds->LoadFromCSV(text);
  return ds;
}

TMemDataSet& Shared() {
  static std::unique_ptr<TMemDataSet> ds = MakeDataSet(kRecords);
  return *ds;
}

// What the footers of a grid over the dataset ask for: a sum, an average and a count.
struct TFooterSums {
  TDBSumListProducer producer{nullptr};
  TDBSum* sum;
  explicit TFooterSums(TDataSet& DataSet) {
    sum = producer.SumCollection()->Add();
    sum->SetFieldName("Amount");
    TDBSum* avg = producer.SumCollection()->Add();
    avg->SetGroupOperation(goAvg);
    avg->SetFieldName("Score");
    producer.SumCollection()->Add()->SetGroupOperation(goCount);
    producer.SetDataSet(&DataSet);
    producer.SetActive(true);
  }
};

void BM_FooterSumsAfterPostingOneEdit(benchmark::State& state) {
  TMemDataSet& ds = Shared();
  TFooterSums sums(ds);
  ds.SetRecNo(kRecords / 2);
  TField* amount = ds.FieldByName("Amount");
  std::int64_t cents = 0;
  for (auto _ : state) {
    ds.Edit();
    amount->SetAsCurrency(Currency::FromRaw(++cents * 100));
    ds.Post();
    benchmark::DoNotOptimize(sums.sum->SumValue());
  }
}
BENCHMARK(BM_FooterSumsAfterPostingOneEdit)->Unit(benchmark::kMicrosecond);

// The ceiling the followed edit beats: counting every record again (from the storage, in place).
void BM_FooterSumsRecount(benchmark::State& state) {
  TMemDataSet& ds = Shared();
  TFooterSums sums(ds);
  for (auto _ : state) {
    sums.producer.RecalcAll();
    benchmark::DoNotOptimize(sums.sum->SumValue());
  }
}
BENCHMARK(BM_FooterSumsRecount)->Unit(benchmark::kMillisecond);

// A title's sort marker handed to the dataset through the grid's data service, as a title click
// does: the dataset sorts its million records by the column.
void BM_SortByOneColumnThroughTheDataService(benchmark::State& state) {
  TMemDataSet& ds = Shared();
  SetBackend(CreateHeadlessBackend());
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TDBGridX grid(nullptr);
  grid.SetDataSource(&source);
  TColumnX* score = grid.Columns()->Add();
  score->SetFieldName("Score");
  score->Title()->SetSortMarker(smDownX);
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetSortFields("");
    state.ResumeTiming();
    DBGridXDataService()->ApplySorting(&grid);
  }
  if (ds.SortFields() != "Score") state.SkipWithError("not sorted");
  ds.SetSortFields("");
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortByOneColumnThroughTheDataService)->Unit(benchmark::kMillisecond);

// The yardstick of the sort above: the dataset sorting itself by the same column.
void BM_SortByOneColumnInTheDataSet(benchmark::State& state) {
  TMemDataSet& ds = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetSortFields("");
    state.ResumeTiming();
    ds.SetSortFields("Score");
  }
  ds.SetSortFields("");
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortByOneColumnInTheDataSet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
