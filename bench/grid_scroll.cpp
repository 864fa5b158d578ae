// Scrolling the data grid over an in-memory dataset of 1,000, 100,000 and 10,000,000 records, in
// both of its modes: with a footer row the rows mirror the link's buffer and each request moves
// the dataset ("Buffer"); without one every record is a row and the grid scrolls its own rows
// ("RecordSet"). Measured: one scroll step (a line down), Ctrl+End (the dataset's Last) and a
// thumb dragged to the middle (tracking on: a track message, then the closing position); each
// should cost the same at every size. A step includes moving the window's pixels and, where the
// grid scrolls its own rows, painting the row the step before uncovered; a jump's repaint is
// bench_grid_paint's. Then the
// selected-records list at 1,000,000 records: selecting every record, and testing whether a record
// is selected (to stay within 1 us a test).
//
// Instruction counts (Ir of the calls of the measured function, divided by the count the program
// prints for it), one operation and size at a time, e.g.
//   valgrind --tool=callgrind --toggle-collect='*ThumbToMiddleOnce*' build/bench_grid_scroll
//     --benchmark_filter='BM_ThumbToMiddle/RecordSet/10000000$' --benchmark_min_time=0.01
// with LineDownOnce (BM_LineDown), LastOnce (BM_CtrlEnd), ThumbToMiddleOnce (BM_ThumbToMiddle) and
// IsSelectedOnce (BM_IsSelected).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/scroll_bars.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

namespace {

using namespace lab;

// Id 1..N and a short name.
std::unique_ptr<TMemDataSet> MakeDataSet(int N) {
  std::string text = "Id,Name\r\n";
  text.reserve(static_cast<std::size_t>(N) * 20);
  for (int i = 1; i <= N; ++i) {
    text += std::to_string(i);
    text += ",job ";
    text += std::to_string(i % 1000);
    text += "\r\n";
  }
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", ftInteger);
  ds->FieldDefs().Add("Name", ftString, 12);
  ds->LoadFromCSV(text);
  ds->First();
  return ds;
}

// A shown form with the grid filling its 800x600 client area; a footer row keeps it in buffer mode.
struct TGridWindow {
  TGridWindow(int N, bool RecordSet) : records(MakeDataSet(N)) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 800, 600);
    form->SetClientSize(800, 600);
    source = new TDataSource(form);
    source->SetDataSet(records.get());
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetFooterRowCount(RecordSet ? 0 : 1);
    grid->VertScrollBar()->SetTracking(true);
    grid->SetDataSource(source);
    form->Show();
    Application->ProcessMessages();
  }
  ~TGridWindow() {
    delete form;
    records.reset();
  }
  void Scroll(win::WORD Code, int Pos = 0) {
    grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(Code, static_cast<win::WORD>(Pos)), 0);
  }
  // The bar's position whole (the message carries its low 16 bits), as a dragged thumb leaves it.
  void DragThumbTo(int Pos) {
    win::SCROLLINFO si;
    si.fMask = win::SIF_TRACKPOS | win::SIF_POS;
    si.nTrackPos = si.nPos = Pos;
    wm::SetScrollInfo(grid->Handle(), win::SB_VERT, si, false);
  }
  std::unique_ptr<TMemDataSet> records;
  TForm* form;
  TDataSource* source;
  TDBGridX* grid;
};

std::map<std::pair<int, bool>, std::unique_ptr<TGridWindow>> windows;

TGridWindow& Window(int N, bool RecordSet) {
  static bool backend = (SetBackend(CreateHeadlessBackend()), true);
  (void)backend;
  // One window at a time: ten million records take their memory.
  if (!windows.count({N, RecordSet})) {
    windows.clear();
    windows[{N, RecordSet}] = std::make_unique<TGridWindow>(N, RecordSet);
  }
  auto& w = windows[{N, RecordSet}];
  w->records->First();
  w->Scroll(win::SB_TOP);
  Application->ProcessMessages();
  return *w;
}

long line_downs = 0, lasts = 0, thumb_drags = 0, selects = 0, tests = 0;

[[gnu::noinline]] void LineDownOnce(TGridWindow& W) {
  W.Scroll(win::SB_LINEDOWN);
  ++line_downs;
}

[[gnu::noinline]] void LastOnce(TGridWindow& W) {
  W.records->Last();
  ++lasts;
}

[[gnu::noinline]] void ThumbToMiddleOnce(TGridWindow& W, int Middle) {
  W.DragThumbTo(Middle);
  W.Scroll(win::SB_THUMBTRACK, Middle);
  W.Scroll(win::SB_THUMBPOSITION, Middle);
  ++thumb_drags;
}

bool RecordSetArg(const benchmark::State& state) { return state.range(0) != 0; }
int SizeArg(const benchmark::State& state) { return static_cast<int>(state.range(1)); }

void Args(benchmark::internal::Benchmark* b) {
  b->ArgNames({"RecordSet", "N"});
  for (int mode : {0, 1})
    for (int n : {1000, 100000, 10000000}) b->Args({mode, n});
  b->Unit(benchmark::kMicrosecond);
}

void BM_LineDown(benchmark::State& state) {
  TGridWindow& w = Window(SizeArg(state), RecordSetArg(state));
  const int n = SizeArg(state);
  int steps = 0;
  for (auto _ : state) {
    // Back to the top before the end: a step past it would cost nothing.
    if (++steps >= n - 100) {
      state.PauseTiming();
      w.records->First();
      w.Scroll(win::SB_TOP);
      w.grid->Update();
      steps = 0;
      state.ResumeTiming();
    }
    LineDownOnce(w);
  }
  state.counters["record_set"] = w.grid->RecordSetMode();
}
BENCHMARK(BM_LineDown)->Apply(Args);

void BM_CtrlEnd(benchmark::State& state) {
  TGridWindow& w = Window(SizeArg(state), RecordSetArg(state));
  for (auto _ : state) {
    state.PauseTiming();
    w.records->First();
    w.grid->Update();
    state.ResumeTiming();
    LastOnce(w);
  }
  state.counters["record_set"] = w.grid->RecordSetMode();
}
BENCHMARK(BM_CtrlEnd)->Apply(Args);

void BM_ThumbToMiddle(benchmark::State& state) {
  TGridWindow& w = Window(SizeArg(state), RecordSetArg(state));
  const int middle = SizeArg(state) / 2;
  for (auto _ : state) {
    state.PauseTiming();
    w.records->First();
    w.Scroll(win::SB_TOP);
    w.grid->Update();
    state.ResumeTiming();
    ThumbToMiddleOnce(w, middle);
  }
  state.counters["record_set"] = w.grid->RecordSetMode();
}
BENCHMARK(BM_ThumbToMiddle)->Apply(Args);

// ---- The selected-records list ----

constexpr int kSelected = 1000000;

[[gnu::noinline]] void SelectEveryRecord(TGridWindow& W) {
  TBookmarkListX* rows = W.grid->SelectedRows();
  W.records->DisableControls();
  for (W.records->First(); !W.records->Eof(); W.records->Next()) rows->SetCurrentRowSelected(true);
  W.records->EnableControls();
  ++selects;
}

void BM_SelectEveryRecord(benchmark::State& state) {
  TGridWindow& w = Window(kSelected, true);
  w.grid->SetOptions(w.grid->Options() + dgMultiSelect);
  for (auto _ : state) {
    state.PauseTiming();
    w.grid->SelectedRows()->Clear();
    state.ResumeTiming();
    SelectEveryRecord(w);
  }
  state.counters["selected"] = w.grid->SelectedRows()->Count();
}
BENCHMARK(BM_SelectEveryRecord)->Unit(benchmark::kMillisecond)->Iterations(2);

[[gnu::noinline]] bool IsSelectedOnce(TBookmarkListX* Rows, const TBookmark& Bookmark) {
  ++tests;
  return Rows->IndexOf(Bookmark) >= 0;
}

// Every other record selected; bookmarks of random records, selected or not, asked in turn (a
// lookup of the same bookmark twice would be answered from the list's memory of the last one).
// In stored order, and sorted the other way before selecting (a record's place is then looked up
// in the dataset's sorted view).
void BM_IsSelected(benchmark::State& state) {
  TGridWindow& w = Window(kSelected, true);
  w.grid->SetOptions(w.grid->Options() + dgMultiSelect);
  TBookmarkListX* rows = w.grid->SelectedRows();
  rows->Clear();
  w.records->SetSortFields(state.range(0) ? "Id DESC" : "");
  std::vector<TBookmark> probes;
  std::mt19937 random(11);
  w.records->DisableControls();
  int i = 0;
  for (w.records->First(); !w.records->Eof(); w.records->Next(), ++i) {
    if (i % 2 == 0) rows->SetCurrentRowSelected(true);
    if (random() % 256 == 0) probes.push_back(w.records->Bookmark());
  }
  w.records->EnableControls();
  std::shuffle(probes.begin(), probes.end(), random);
  std::size_t k = 0;
  long found = 0;
  for (auto _ : state) {
    found += IsSelectedOnce(rows, probes[k]);
    if (++k == probes.size()) k = 0;
  }
  benchmark::DoNotOptimize(found);
  state.counters["selected"] = rows->Count();
  rows->Clear();
  w.records->SetSortFields("");
}
BENCHMARK(BM_IsSelected)->ArgName("Sorted")->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  windows.clear();
  Application->ProcessMessages();
  std::printf("line downs %ld, Ctrl+End %ld, thumb drags %ld, select-alls %ld, selection tests %ld\n", line_downs,
              lasts, thumb_drags, selects, tests);
  return 0;
}
