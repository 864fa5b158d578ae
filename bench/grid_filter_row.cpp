// The grid's filter row over 1,000,000 records: a condition typed under a title, from the Enter
// key to the repainted grid; and the values drop-down of a column with 10,000 distinct values, the
// first time (read from the dataset) and again while the data stays (kept by the column).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "grid/dbgrid.h"
#include "grid/filter_editor.h"
#include "platform/backend/headless.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

namespace {

using namespace lab;

constexpr int kRecords = 1000000;

// Id 1..n, Patient (10,000 names), Amount (0 .. 9999).
std::unique_ptr<TMemDataSet> MakeDataSet(int n) {
  std::mt19937 random(7);
  std::string text = "Id,Patient,Amount\r\n";
  text.reserve(static_cast<std::size_t>(n) * 28);
  for (int i = 1; i <= n; ++i) {
    text += std::to_string(i);
    text += ",Patient ";
    text += std::to_string(random() % 10000);
    text += ',';
    text += std::to_string(random() % 10000);
    text += "\r\n";
  }
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  ds->FieldDefs().Add("Id", ftInteger);
  ds->FieldDefs().Add("Patient", ftString, 16);
  ds->FieldDefs().Add("Amount", ftInteger);
  ds->LoadFromCSV(text);
  return ds;
}

void Pump() {
  win::MSG m;
  while (wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
    wm::TranslateMessage(m);
    wm::DispatchMessage(m);
  }
}

// A shown 800x600 grid with its filter row, editing the filter cell of data column Col.
struct TFilterWindow {
  explicit TFilterWindow(int Col) {
    SetBackend(CreateHeadlessBackend());
    data = MakeDataSet(kRecords);
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 800, 600);
    source = new TDataSource(form);
    source->SetDataSet(data.get());
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    grid->STFilter()->SetVisible(true);
    form->Show();
    grid->SetFocus();
    Pump();
    grid->SetSelectedIndex(Col);
    grid->SetFilterEditing(true);
    Pump();
  }
  ~TFilterWindow() {
    delete form;
    Pump();
  }
  TInplaceFilterEditX* Editor() { return grid->FilterEditor(); }

  std::unique_ptr<TMemDataSet> data;
  TForm* form;
  TDataSource* source;
  TDBGridX* grid;
};

void BM_FilterRowEnterToRepaint(benchmark::State& state) {
  TFilterWindow w(2);
  int limit = 5000;
  for (auto _ : state) {
    state.PauseTiming();
    w.Editor()->SetText(">" + std::to_string(limit));
    limit = limit == 5000 ? 5001 : 5000;
    state.ResumeTiming();
    input::KeyDown(win::VK_RETURN, U'\r');
    input::KeyUp(win::VK_RETURN);
    Pump();
  }
  if (!w.data->Filtered()) state.SkipWithError("not filtered");
}
BENCHMARK(BM_FilterRowEnterToRepaint)->Unit(benchmark::kMillisecond);

void BM_ValueDropDownFirstTime(benchmark::State& state) {
  TFilterWindow w(1);
  for (auto _ : state) {
    state.PauseTiming();
    w.grid->Columns()->GetColumn(1)->STFilter()->SetValueList(nullptr);
    state.ResumeTiming();
    w.Editor()->SetDroppedDown(true);
    Pump();
    state.PauseTiming();
    w.Editor()->SetDroppedDown(false);
    Pump();
    state.ResumeTiming();
  }
  if (w.Editor()->Items()->Count() < 10000) state.SkipWithError("values missing");
}
BENCHMARK(BM_ValueDropDownFirstTime)->Unit(benchmark::kMillisecond);

void BM_ValueDropDownAgain(benchmark::State& state) {
  TFilterWindow w(1);
  w.Editor()->SetDroppedDown(true);
  w.Editor()->SetDroppedDown(false);
  for (auto _ : state) {
    w.Editor()->SetDroppedDown(true);
    Pump();
    state.PauseTiming();
    w.Editor()->SetDroppedDown(false);
    Pump();
    state.ResumeTiming();
  }
  if (w.Editor()->Items()->Count() < 10000) state.SkipWithError("values missing");
}
BENCHMARK(BM_ValueDropDownAgain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
