// Sorting and searching from the grid over 1,000,000 in-memory records: a click on a title that
// sorts the records by its column, from the click to the repainted grid, on a text column (goal:
// 400 ms) and on an integer column (goal: 150 ms); and one incremental-search keystroke that finds
// a record among the records sorted by the column (goal: 1 ms), from the key to the repainted grid.
// The records are bench_dataset's: its BM_SortText is the dataset's part of the text column's sort.
//
// Instruction counts of one keystroke, e.g.
//   valgrind --tool=callgrind --toggle-collect='*KeystrokeOnce*' build/bench_grid_mouse
//     --benchmark_filter='BM_IncSearchKeystroke' --benchmark_min_time=0.01
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/dataset_records.h"
#include "grid/dbgrid.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace {

using namespace lab;

constexpr int kRecords = 1000000;

// The dataset benchmarks' records (dataset_records.h): shuffled ids and a million distinct names,
// some capitalised, some with accents; every thousandth name is kept for the searches.
std::unique_ptr<TMemDataSet> MakeDataSet(std::vector<std::string>& Names) {
  const benchdata::TRecords& r = benchdata::Records(kRecords);
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", ftInteger);
  ds->FieldDefs().Add("Patient", ftString, 32);
  ds->Open();
  ds->DisableControls();
  for (std::size_t i = 0; i < r.Size(); ++i) {
    ds->Append();
    ds->Fields()[0]->SetAsInteger(r.Id[i]);
    ds->Fields()[1]->SetAsString(r.Name[i]);
    ds->Post();
    if (i % 1000 == 0) Names.push_back(r.Name[i]);
  }
  ds->First();
  ds->EnableControls();
  return ds;
}

// A shown form with the grid filling its 800x600 client area, its titles buttons that sort.
struct TGridWindow {
  TGridWindow() : records(MakeDataSet(names)) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 800, 600);
    form->SetClientSize(800, 600);
    source = new TDataSource(form);
    source->SetDataSet(records.get());
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->ColumnDefValues()->Title()->SetTitleButton(true);
    grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking + dgxIncSearch);
    grid->SetReadOnly(true);
    grid->SetDataSource(source);
    form->Show();
    Application->ProcessMessages();
    // Each click a click of its own, however soon the next one comes.
    win::SetDoubleClickTime(1);
  }
  ~TGridWindow() {
    delete form;
    records.reset();
  }
  // Back to the stored order, no marker shown.
  void Unsort() {
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->GetColumn(i)->Title()->SetSortMarker(smNoneX);
    records->SetSortFields("");
    records->First();
    Application->ProcessMessages();
  }
  win::POINT TitleOf(int DataCol) {
    const TRect r = grid->CellRect(DataCol + 1, 0);
    const TPoint p = grid->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    return {p.X, p.Y};
  }
  std::vector<std::string> names;
  std::unique_ptr<TMemDataSet> records;
  TForm* form;
  TDataSource* source;
  TDBGridX* grid;
};

TGridWindow& Window() {
  static bool backend = (SetBackend(CreateHeadlessBackend()), true);
  (void)backend;
  static TGridWindow window;
  return window;
}

long clicks = 0, keystrokes = 0;

[[gnu::noinline]] void ClickOnce(TGridWindow& W, win::POINT Title) {
  input::MouseMove(Title);
  input::MouseButton(win::VK_LBUTTON, true, Title);
  input::MouseButton(win::VK_LBUTTON, false, Title);
  Application->ProcessMessages();
  W.grid->Update();
  ++clicks;
}

// Data column 0 holds the ids, 1 the patients.
void BM_TitleClickSort(benchmark::State& state) {
  TGridWindow& w = Window();
  const int col = static_cast<int>(state.range(0));
  const win::POINT title = w.TitleOf(col);
  for (auto _ : state) {
    state.PauseTiming();
    w.Unsort();
    state.ResumeTiming();
    ClickOnce(w, title);
  }
  state.counters["sorted"] = w.records->SortFields() == w.records->Fields()[col]->FieldName();
  w.Unsort();
}
// The text column's collation keys are made on several threads: CPU is the whole process's.
BENCHMARK(BM_TitleClickSort)
    ->ArgName("Patient")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void TypeKey(TGridWindow& W, char32_t Ch) {
  const auto vk = static_cast<win::UINT>(Ch < 0x80 ? std::toupper(static_cast<int>(Ch)) : win::VK_OEM_1);
  input::KeyDown(vk, Ch);
  input::KeyUp(vk);
  Application->ProcessMessages();
  W.grid->Update();
}

[[gnu::noinline]] void KeystrokeOnce(TGridWindow& W, char32_t Ch) {
  TypeKey(W, Ch);
  ++keystrokes;
}

// One keystroke of a search: the first letters of a patient typed, the fourth one measured.
void BM_IncSearchKeystroke(benchmark::State& state) {
  TGridWindow& w = Window();
  w.Unsort();
  w.records->SetSortFields("Patient");
  w.grid->SetSelectedIndex(1);
  Application->ProcessMessages();
  std::size_t next = 0;
  int found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::u32string name = Utf8Decode(w.names[next++ % w.names.size()]);
    w.grid->StopIncSearch();
    w.records->First();
    for (std::size_t i = 0; i < 3; ++i) TypeKey(w, name[i]);
    state.ResumeTiming();
    KeystrokeOnce(w, name[3]);
    state.PauseTiming();
    // The search is without case: the record found may spell the letters otherwise.
    const std::string shown = w.records->FieldByName("Patient")->AsString(), typed = Utf8Encode(name.substr(0, 4));
    found += AnsiSameText(shown.substr(0, Utf8Offset(shown, 4)), typed);
    state.ResumeTiming();
  }
  state.counters["found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
  w.grid->StopIncSearch();
  w.Unsort();
}
BENCHMARK(BM_IncSearchKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
