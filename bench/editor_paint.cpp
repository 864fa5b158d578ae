// The editor's painting: a full repaint of an 800×600 editor holding 1,000 and 1,000,000 lines of
// device traffic, with the caret at the top and in the middle of the text; one page scrolled down (a
// page or more is painted whole); and three rows scrolled, as a wheel notch does (the rows that stay
// move, only the band scrolled in is painted).
//
// Instruction counts come from callgrind: run
//   valgrind --tool=callgrind --toggle-collect='lab::TCustomCodeEdit::Paint()'
//     --toggle-collect='lab::TCustomCodeEdit::SetTopLine(int)'
//     build/bench_editor_paint --benchmark_filter='FullRepaint/1000000/1$' --benchmark_min_time=0.3
// and divide the inclusive cost of Paint (and of SetTopLine, which moves the pixels) by its calls
// (callgrind_annotate --inclusive=yes gives the cost; the calls= lines under its cfn= in the output
// file give the calls). The first paint also loads the font's glyphs: a longer run makes it vanish.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"

namespace {

using namespace lab;

// Lines of device traffic: a time stamp, a device, a record (80 to 120 characters).
void FillTraffic(TCodeEditStringList* Lines, int Count) {
  static const char* const devices[] = {"Tracer1", "Edger2", "Blocker1", "Edger3"};
  static const char* const records[] = {"REQ=JOB;JOB=24417;CRC=51234", "ANS=INI;STATUS=0;TRCFMT=1;400;E;R;F",
                                        "R=2412;2398;2385;2377;2366;2351;2349", "STATUS=2;Job 24520 not found"};
  std::mt19937 rng(7);
  std::string text;
  text.reserve(static_cast<std::size_t>(Count) * 110);
  for (int i = 0; i < Count; ++i) {
    text += "09:";
    text += std::to_string(10 + i % 50) + ":" + std::to_string(10 + i % 49) + ".250  ";
    text += devices[rng() % std::size(devices)];
    text += "  ";
    while (text.size() % 110 < 90) {
      text += records[rng() % std::size(records)];
      text += ' ';
    }
    text += "\r\n";
  }
  TStringStream stream(std::move(text));
  Lines->LoadFromStream(&stream);
}

struct Editor {
  TForm* form;
  TCodeEdit* edit;
  explicit Editor(int Lines) {
    SetBackend(CreateHeadlessBackend());
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 820, 640);
    edit = new TCodeEdit(form);
    edit->SetParent(form);
    edit->SetBounds(0, 0, 800, 600);
    edit->Gutter()->SetShowLineNumbers(true);
    edit->Gutter()->SetAutoSize(true);
    edit->SetActiveLineColor(static_cast<TColor>(0xE8F8FF));
    FillTraffic(edit->LineList(), Lines);
    form->Show();
    Application->ProcessMessages();
  }
  ~Editor() { delete form; }
  void PaintAll() {
    edit->Invalidate();
    edit->Update();
  }
};

// Args: line count, caret in the middle (1) or at the top (0).
void FullRepaint(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  if (state.range(1)) {
    const int middle = e.edit->LineList()->Count() / 2;
    e.edit->SetCaretXY({10, middle});
    e.edit->SetBlockBegin({5, middle - 3});
    e.edit->SetBlockEnd({20, middle + 2});
  }
  e.PaintAll();
  for (auto _ : state) e.PaintAll();
}
BENCHMARK(FullRepaint)->Args({1000, 0})->Args({1000, 1})->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMicrosecond);

// One page down and back up, each painted: the time is per page.
void PageScroll(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  const int middle = e.edit->LineList()->Count() / 2;
  e.edit->SetTopLine(middle);
  e.PaintAll();
  bool down = true;
  for (auto _ : state) {
    e.edit->SetTopLine(e.edit->TopLine() + (down ? 1 : -1) * e.edit->LinesInWindow());
    e.edit->Update();
    down = !down;
  }
}
BENCHMARK(PageScroll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Three rows down and back up, each painted: the time is per scroll.
void WheelScroll(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  const int middle = e.edit->LineList()->Count() / 2;
  e.edit->SetTopLine(middle);
  e.PaintAll();
  bool down = true;
  for (auto _ : state) {
    e.edit->SetTopLine(e.edit->TopLine() + (down ? 3 : -3));
    e.edit->Update();
    down = !down;
  }
}
BENCHMARK(WheelScroll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
