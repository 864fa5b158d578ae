// Typing in the editor. Goals: one character typed in the middle of a 1,000,000-line text, from the
// key messages to the repainted line, within 30 µs; undoing 100,000 typed characters (in lines of 64,
// each ended with Return) within 100 ms.
//
// TypeAndRepaint types a character and takes it back with Backspace, each from its key messages
// (WM_KEYDOWN and WM_CHAR; WM_KEYDOWN of Backspace) to the repainted line: the time per key is the
// iteration's time divided by two (the "per_key" counter). UndoAll times undoing everything typed,
// one Undo after another with nothing painted between them (as group undo has it, the characters
// of a line are one step and its Return another).
//
// Where wall time is noisy, count instructions instead:
//   valgrind --tool=callgrind --toggle-collect='lab::TCustomCodeEdit::Undo()'
//     build/bench_editor_typing --benchmark_filter=UndoAll
// (the total covers the three iterations).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/editor_window.h"
#include "platform/controls/input.h"

namespace {

using namespace lab;

// Lines of device traffic, about 60 characters each.
std::string Traffic(int Lines) {
  std::string text;
  text.reserve(static_cast<std::size_t>(Lines) * 60);
  for (int i = 0; i < Lines; ++i)
    text += "09:14:" + std::to_string(10 + i % 50) + ".250  Edger2  REQ=JOB;JOB=" + std::to_string(24000 + i) +
            ";CRC=51234\r\n";
  return text;
}

struct Editor : benchedit::TEditorWindow {
  explicit Editor(int Lines) : TEditorWindow(Traffic(Lines)) {
    ShowLineNumbersAndCaretLine();
    Show(true);
  }
  void Key(win::WPARAM Key, char32_t Char) {
    edit->Perform(win::WM_KEYDOWN, Key, 1);
    if (Char) edit->Perform(win::WM_CHAR, Char, 1);
  }
};

void TypeAndRepaint(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  const int middle = e.edit->LineList()->Count() / 2;
  e.edit->SetCaretXY({20, middle});
  e.edit->ScrollCaretIntoViewEx(true);
  e.PaintAll();
  for (auto _ : state) {
    e.Key('X', U'x');
    e.edit->Update();
    e.Key(win::VK_BACK, 0);
    e.edit->Update();
  }
  state.counters["per_key"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(TypeAndRepaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void UndoAll(benchmark::State& state) {
  const int characters = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto e = std::make_unique<Editor>(1000);
    e->edit->SetMaxUndo(2 * characters);
    e->edit->SetCaretXY({1, 500});
    for (int i = 0; i < characters; ++i) {
      e->edit->CommandProcessor(ecChar, static_cast<char32_t>(U'a' + i % 26), nullptr);
      if (i % 64 == 63) e->edit->CommandProcessor(ecLineBreak, 0, nullptr);
    }
    const int lines = e->edit->LineList()->Count() - characters / 64;
    state.ResumeTiming();
    while (e->edit->CanUndo()) e->edit->Undo();
    state.PauseTiming();
    if (e->edit->LineList()->Count() != lines) fprintf(stderr, "undo left %d lines of %d\n", e->edit->LineList()->Count(), lines);
    e.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(UndoAll)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
