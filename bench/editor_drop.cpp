// Moving and undoing in large texts. Goals: a 1 MB block (20,561 lines) dragged 5 lines up costs the
// same within 1.2x in texts of 100,000, 1,000,000 and 10,000,000 lines (the lines inserted, not the
// text, set its cost); one undo step of a typed character and a line break costs the same at 1,000 and at 10,000,000
// lines.
//
// Count instructions where wall time is noisy:
//   valgrind --tool=callgrind --toggle-collect='lab::TCustomCodeEdit::DragDrop(*'
//     build-rel/bench_editor_drop --benchmark_filter='DropBlock/1000000'
//   valgrind --tool=callgrind --toggle-collect='lab::TCustomCodeEdit::Undo()'
//     build-rel/bench_editor_drop --benchmark_filter='UndoStep/10000000'
#include <benchmark/benchmark.h>

#include <string>

#include "bench/editor_window.h"

namespace {

using namespace lab;

// Lines of device traffic, about 50 characters each.
std::string Traffic(int Lines) {
  std::string text;
  text.reserve(static_cast<std::size_t>(Lines) * 52);
  for (int i = 0; i < Lines; ++i)
    text += "09:14:" + std::to_string(10 + i % 50) + ".250  Edger2  REQ=JOB;JOB=" + std::to_string(24000 + i % 9000) +
            ";CRC=5\r\n";
  return text;
}

constexpr int kBlockLines = 20561;

// Drops the block 5 lines up and undoes the drop, timing the one or the other.
void MoveBlock(benchmark::State& state, bool TimeUndo) {
  benchedit::TEditorWindow e(Traffic(static_cast<int>(state.range(0))));
  e.Show(true);
  TCodeEdit* edit = e.edit;
  const int first = edit->LineList()->Count() / 2;
  for (auto _ : state) {
    state.PauseTiming();
    // The block selected from the start of its first line to the start of the line after it, and
    // its place 5 lines up in view.
    edit->SetCaretXY({1, first + kBlockLines});
    edit->SetBlockBegin({1, first});
    edit->SetBlockEnd({1, first + kBlockLines});
    edit->SetTopLine(first - 10);
    const TPoint at = edit->RowColumnToPixels(edit->BufferToDisplayPos({1, first - 5}));
    if (!TimeUndo) state.ResumeTiming();
    edit->DragDrop(edit, at.X + 1, at.Y + 1);
    if (!TimeUndo) state.PauseTiming();
    if (edit->BlockBegin().Line != first - 5 && edit->BlockEnd().Line != first - 5)
      state.SkipWithError("the block did not move");
    if (TimeUndo) state.ResumeTiming();
    edit->Undo();
    if (TimeUndo) state.PauseTiming();
    state.ResumeTiming();
  }
}
void DropBlock(benchmark::State& state) { MoveBlock(state, false); }
void UndoDrop(benchmark::State& state) { MoveBlock(state, true); }
BENCHMARK(DropBlock)->Arg(100000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(UndoDrop)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void UndoStep(benchmark::State& state) {
  benchedit::TEditorWindow e(Traffic(static_cast<int>(state.range(0))));
  e.Show(true);
  TCodeEdit* edit = e.edit;
  edit->SetCaretXY({20, edit->LineList()->Count() / 2});
  edit->SetOptions(edit->Options() - eoGroupUndo);
  for (auto _ : state) {
    state.PauseTiming();
    edit->CommandProcessor(ecChar, U'x', nullptr);
    edit->CommandProcessor(ecLineBreak, 0, nullptr);
    state.ResumeTiming();
    edit->Undo();
  }
}
BENCHMARK(UndoStep)->Arg(1000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMicrosecond)->Iterations(22);

}  // namespace

BENCHMARK_MAIN();
