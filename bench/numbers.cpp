// Throughput of the text conversions that grids and reports run per cell.

#include <benchmark/benchmark.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/variant.h"

namespace {

using namespace lab;

void BM_Format(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Format("Row %d of %d: %s = %.2f", i, 1000, "Amount", i * 1.25));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Format);

void BM_FormatFloat(benchmark::State& state) {
  const double values[] = {1234567.891, -42.125, 0.004, 98765.4321, -0.5, 7.0};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFloat("#,##0.00;(#,##0.00);'zero'", values[i]));
    i = (i + 1) % std::size(values);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFloat);

void BM_FormatFloatScientific(benchmark::State& state) {
  const double values[] = {0.000123456, 6.02214076e23, -1.5, 299792458.0};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFloat("0.000E+00", values[i]));
    i = (i + 1) % std::size(values);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFloatScientific);

void BM_FormatDateTime(benchmark::State& state) {
  TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 7, 9);
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", t));
    t += 1.0001;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatDateTime);

void BM_DateTimeToStr(benchmark::State& state) {
  TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 7, 9);
  for (auto _ : state) {
    benchmark::DoNotOptimize(DateTimeToStr(t));
    t += 1.0001;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DateTimeToStr);

void BM_StrToDateTime(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(StrToDateTime("2/29/2024 1:05:07 PM"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrToDateTime);

void BM_VariantScalarCopy(benchmark::State& state) {
  const Variant source = 12345;
  for (auto _ : state) {
    Variant copy = source;
    benchmark::DoNotOptimize(copy);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VariantScalarCopy);

void BM_VariantConversions(benchmark::State& state) {
  const std::vector<Variant> values = {42, 1.5, StrToCurr("12.34"), "17", VarFromDateTime(45000.25), true};
  for (auto _ : state) {
    for (const Variant& v : values) {
      benchmark::DoNotOptimize(v.AsInteger());
      benchmark::DoNotOptimize(v.AsDouble());
      benchmark::DoNotOptimize(VarToStr(v));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()) * 3);
}
BENCHMARK(BM_VariantConversions);

void BM_VariantCompareKeys(benchmark::State& state) {
  const Variant a = VarArrayOf({17, "Smith", StrToCurr("10.5")});
  const Variant b = VarArrayOf({17LL, "Smith", 10.5});
  for (auto _ : state) benchmark::DoNotOptimize(VarCompareValue(a, b));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VariantCompareKeys);

}  // namespace

BENCHMARK_MAIN();
