// Copying a large selection: all of a 200 MB text (2,000,000 lines of 100 bytes, an accented word
// now and then) selected. Goals: SelText within 1 s; during CopyToClipboard the heap grows by at most
// twice the text's UTF-8 size above what it held before ("peak_per_text" <= 2), and afterwards it
// holds what it held before plus the clipboard's copy (the text and the editor's own block of it:
// "kept_bytes" is what stays beyond those, about 0).
//
// The heap is counted by this program's operator new and delete (every string and container the
// copy makes goes through them); the clipboard is emptied before each copy, so that its previous
// content does not count.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "bench/editor_window.h"
#include "platform/controls/clipboard.h"

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* Counted(std::size_t Size) {
  void* p = std::malloc(Size == 0 ? 1 : Size);
  if (!p) throw std::bad_alloc();
  const std::size_t live = g_live += malloc_usable_size(p);
  std::size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void Uncounted(void* P) noexcept {
  if (!P) return;
  g_live -= malloc_usable_size(P);
  std::free(P);
}

}  // namespace

void* operator new(std::size_t Size) { return Counted(Size); }
void* operator new[](std::size_t Size) { return Counted(Size); }
void operator delete(void* P) noexcept { Uncounted(P); }
void operator delete[](void* P) noexcept { Uncounted(P); }
void operator delete(void* P, std::size_t) noexcept { Uncounted(P); }
void operator delete[](void* P, std::size_t) noexcept { Uncounted(P); }

namespace {

using namespace lab;

constexpr int kLines = 2000000;

// kLines lines of 100 bytes of device traffic, an accented word in every 40th.
std::string Traffic() {
  std::string text;
  text.reserve(static_cast<std::size_t>(kLines) * 102);
  for (int i = 0; i < kLines; ++i) {
    const std::size_t start = text.size();
    text += "09:14:" + std::to_string(10 + i % 50) + ".250  Edger2  REQ=JOB;JOB=" + std::to_string(24000 + i);
    if (i % 40 == 0) text += " Größe";
    while (text.size() - start < 100) text += " CRC=51234";
    text.resize(start + 100);
    text += "\r\n";
  }
  return text;
}

struct Editor : benchedit::TEditorWindow {
  Editor() : TEditorWindow(Traffic()) {
    Show(false);
    edit->SelectAll();
  }
};

void EmptyTheClipboard() {
  win::OpenClipboard(nullptr);
  win::EmptyClipboard();
  win::CloseClipboard();
}

void SelText(benchmark::State& state) {
  Editor e;
  std::size_t size = 0;
  for (auto _ : state) size = e.edit->SelText().size();
  state.counters["MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(SelText)->Unit(benchmark::kMillisecond)->Iterations(3);

void CopyToClipboard(benchmark::State& state) {
  Editor e;
  const std::size_t size = e.edit->SelText().size();
  double peak_per_text = 0, kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    EmptyTheClipboard();
    const std::size_t before = g_live.load();
    g_peak = before;
    state.ResumeTiming();
    e.edit->CopyToClipboard();
    state.PauseTiming();
    // The clipboard keeps the text and the editor's block: the text with its mode byte and a NUL.
    const std::size_t clipboard = size + size + 2;
    peak_per_text = static_cast<double>(g_peak.load() - before) / static_cast<double>(size);
    kept = static_cast<double>(g_live.load()) - static_cast<double>(before) - static_cast<double>(clipboard);
    state.ResumeTiming();
  }
  state.counters["peak_per_text"] = peak_per_text;
  state.counters["kept_bytes"] = kept;
}
BENCHMARK(CopyToClipboard)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
