// The data grid on an 800x600 client area (about 300 visible text cells): a full repaint, and one
// scroll step (the dataset moves one record past the last row, the window shifts and repaints),
// at 1,000, 100,000 and 10,000,000 records. The records are computed from their number, so the
// largest dataset costs no memory; the cost should be the same at every size.
//
// Instruction counts of one repaint (Ir over the calls of PaintOnce, divided by the repaints the
// program prints):
//   valgrind --tool=callgrind --toggle-collect='*PaintOnce*'
//     build/bench_grid_paint --benchmark_filter='BM_FullRepaint/100000$' --benchmark_min_time=1
// and of one scroll step likewise, with '*ScrollOnce*' and 'BM_ScrollStep/100000$'.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "grid/dbgrid.h"
#include "tests/grid/counted_dataset.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/message_queue.h"
#include "platform/db/data_source.h"
#include "platform/db/db_errors.h"
#include "platform/db/fields.h"
#include "platform/rtl/datetime.h"

namespace {

using namespace lab;

// Lab jobs made from their record number when read.
class TComputedJobs : public gridtest::TCountedDataSet {
 public:
  TComputedJobs(TComponent* AOwner, std::int64_t Count) : TCountedDataSet(AOwner, Count) {
    FieldDefs().Clear();
    FieldDefs().Add("OrderNo", ftInteger);
    FieldDefs().Add("Patient", ftString, 24);
    FieldDefs().Add("OrderType", ftString, 8);
    FieldDefs().Add("RSphere", ftFloat);
    FieldDefs().Add("LSphere", ftFloat);
    FieldDefs().Add("Material", ftString, 16);
    FieldDefs().Add("Frame", ftString, 16);
    FieldDefs().Add("Urgent", ftBoolean);
    FieldDefs().Add("OrderDate", ftDate);
  }

 protected:
  Variant GetFieldData(const TField* Field, const TRecordBuffer& Buffer) const override {
    static const char* const names[] = {"Berger, Anna", "Costa, Ben", "Dvorak, Clara", "Eriksen, David",
                                        "Fischer, Elena", "Garcia, Farid", "Huber, Greta", "Jansen, Hugo"};
    static const char* const types[] = {"Pair", "Right", "Left"};
    static const char* const materials[] = {"CR-39", "Polycarbonate", "Trivex", "Hi-index 1.67"};
    static const char* const frames[] = {"Aviator 54", "Round 48", "Cat-eye 52", "Rimless 50", "Oval 51"};
    const std::int64_t n = Buffer.Handle;
    switch (Field->FieldNo()) {
      case 1: return static_cast<int>(100000 + n % 900000000);
      case 2: return std::string(names[n % 8]);
      case 3: return std::string(types[n % 3]);
      case 4: return static_cast<double>(n % 48 - 32) * 0.25;
      case 5: return static_cast<double>((n * 7) % 48 - 32) * 0.25;
      case 6: return std::string(materials[n % 4]);
      case 7: return std::string(frames[n % 5]);
      case 8: return n % 7 == 0;
      default: return VarFromDateTime(EncodeDate(2024, 1, 1) + static_cast<double>(n % 3650));
    }
  }
};

// A shown form with the grid filling its 800x600 client area, over N computed records.
struct TGridWindow {
  explicit TGridWindow(std::int64_t N) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 800, 600);
    form->SetClientSize(800, 600);
    jobs = new TComputedJobs(form, N);
    source = new TDataSource(form);
    source->SetDataSet(jobs);
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    jobs->Open();
    form->Show();
    Application->ProcessMessages();
  }
  ~TGridWindow() { delete form; }
  TForm* form;
  TComputedJobs* jobs;
  TDataSource* source;
  TDBGridX* grid;
};

// One window per size, freed before the program's statics go.
std::map<std::int64_t, std::unique_ptr<TGridWindow>> windows;

TGridWindow& Window(std::int64_t N) {
  static bool backend = (SetBackend(CreateHeadlessBackend()), true);
  (void)backend;
  auto& w = windows[N];
  if (!w) w = std::make_unique<TGridWindow>(N);
  return *w;
}

long paints = 0, scrolls = 0;

[[gnu::noinline]] void PaintOnce(TGridWindow& W) {
  W.grid->Invalidate();
  W.grid->Update();
  ++paints;
}

// The cursor sits on the last row: one more record moves the window down by one row.
[[gnu::noinline]] void ScrollOnce(TGridWindow& W) {
  W.jobs->Next();
  W.grid->Update();
  ++scrolls;
}

void BM_FullRepaint(benchmark::State& state) {
  TGridWindow& w = Window(state.range(0));
  for (auto _ : state) PaintOnce(w);
  state.counters["cells"] = static_cast<double>((w.grid->ColCount()) * w.grid->RowCount());
}
BENCHMARK(BM_FullRepaint)->Arg(1000)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

void BM_ScrollStep(benchmark::State& state) {
  TGridWindow& w = Window(state.range(0));
  const int rows = w.grid->DataLink()->RecordCount();
  auto to_last_row = [&] {
    w.jobs->First();
    w.jobs->MoveBy(rows - 1);
    w.grid->Update();
  };
  to_last_row();
  for (auto _ : state) {
    if (w.jobs->RecNo() >= w.jobs->RecordCount()) {
      state.PauseTiming();
      to_last_row();
      state.ResumeTiming();
    }
    ScrollOnce(w);
  }
}
BENCHMARK(BM_ScrollStep)->Arg(1000)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  windows.clear();
  Application->ProcessMessages();
  std::printf("repaints %ld, scroll steps %ld\n", paints, scrolls);
  return 0;
}
