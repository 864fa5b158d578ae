// The editor on one long line: the caret's moves and a repaint cost what is on screen, not the
// line's length. Goal: on one 16 MB line each case stays within 2x the same case on a line of 100
// characters (compare the two arguments of each case).
//
// WordRight steps over the next word from the middle of the line and back a word left; End goes
// to the line's end and back Home; Repaint paints the whole editor with the caret in the middle of
// the line. Each move repaints what it changed, as typing does.
//
// Where wall time is noisy, count instructions instead:
//   valgrind --tool=callgrind --toggle-collect='(anonymous namespace)::Editor::Move*'
//     build/bench_editor_long_line --benchmark_filter='WordRight/16777216' --benchmark_min_time=0.3
#include <benchmark/benchmark.h>

#include <string>

#include "bench/editor_window.h"
#include "editor/key_commands.h"

namespace {

using namespace lab;

// One line of Length characters: words of device traffic with blanks between them.
std::string LongLine(std::size_t Length) {
  static const char* const words[] = {"REQ=JOB;JOB=24417;CRC=51234", "Edger2", "STATUS=2;Job", "24520", "not",
                                      "found", "R=2412;2398;2385"};
  std::string text;
  text.reserve(Length + 32);
  for (std::size_t i = 0; text.size() < Length; ++i) {
    text += words[i % std::size(words)];
    text += ' ';
  }
  text.resize(Length);
  return text;
}

struct Editor : benchedit::TEditorWindow {
  explicit Editor(std::size_t Length) : TEditorWindow(LongLine(Length)) {
    edit->Gutter()->SetShowLineNumbers(true);
    Show(true);
    edit->SetCaretXY({static_cast<int>(Length / 2) + 1, 1});
    edit->ScrollCaretIntoViewEx(true);
    Repaint();
  }
  __attribute__((noinline)) void Move(TCodeEditorCommand Command) {
    edit->CommandProcessor(Command, 0, nullptr);
    edit->Update();
  }
  __attribute__((noinline)) void Repaint() {
    edit->Invalidate();
    edit->Update();
  }
};

void WordRight(benchmark::State& state) {
  Editor e(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    e.Move(ecWordRight);
    e.Move(ecWordLeft);
  }
}
BENCHMARK(WordRight)->Arg(100)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

void End(benchmark::State& state) {
  Editor e(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    e.Move(ecLineEnd);
    e.Move(ecLineStart);
  }
}
BENCHMARK(End)->Arg(100)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

void Repaint(benchmark::State& state) {
  Editor e(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) e.Repaint();
}
BENCHMARK(Repaint)->Arg(100)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
