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

#include "bench/editor_window.h"

namespace {

using namespace lab;

// Lines of device traffic: a time stamp, a device, a record (80 to 120 characters).
std::string Traffic(int Count) {
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
  return text;
}

struct Editor : benchedit::TEditorWindow {
  explicit Editor(int Lines) : TEditorWindow(Traffic(Lines)) {
    ShowLineNumbersAndCaretLine();
    Show(false);
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

// From the middle of the text, Rows down and back up (a page when 0), each painted: the time is per
// scroll.
void ScrollDownAndUp(benchmark::State& state, int Rows) {
  Editor e(static_cast<int>(state.range(0)));
  e.edit->SetTopLine(e.edit->LineList()->Count() / 2);
  e.PaintAll();
  const int rows = Rows ? Rows : e.edit->LinesInWindow();
  bool down = true;
  for (auto _ : state) {
    e.edit->SetTopLine(e.edit->TopLine() + (down ? rows : -rows));
    e.edit->Update();
    down = !down;
  }
}

// One page, as Page Down and Page Up scroll.
void PageScroll(benchmark::State& state) { ScrollDownAndUp(state, 0); }
BENCHMARK(PageScroll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Three rows, as a wheel notch scrolls.
void WheelScroll(benchmark::State& state) { ScrollDownAndUp(state, 3); }
BENCHMARK(WheelScroll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
