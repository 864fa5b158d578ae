// Typing in the editor. Goals: one character typed in the middle of a 1,000,000-line text, from the
// key messages to the repainted line, within 30 µs; undoing 100,000 typed characters (in lines of 64,
// each ended with Return) within 100 ms.
//
// TypeAndRepaint types a character and takes it back with Backspace, each from its key messages
// (WM_KEYDOWN and WM_CHAR; WM_KEYDOWN of Backspace) to the repainted line: the time per key is the
// iteration's time divided by two (the "per_key" counter). UndoAll times one undo of everything
// typed: 100,000 characters typed without moving the caret undo as one step.
#include <benchmark/benchmark.h>

#include <string>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"

namespace {

using namespace lab;

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
    std::string text;
    text.reserve(static_cast<std::size_t>(Lines) * 60);
    for (int i = 0; i < Lines; ++i)
      text += "09:14:" + std::to_string(10 + i % 50) + ".250  Edger2  REQ=JOB;JOB=" + std::to_string(24000 + i) +
              ";CRC=51234\r\n";
    TStringStream stream(std::move(text));
    edit->LineList()->LoadFromStream(&stream);
    form->Show();
    edit->SetFocus();
    Application->ProcessMessages();
  }
  ~Editor() { delete form; }
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
  e.edit->Invalidate();
  e.edit->Update();
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
