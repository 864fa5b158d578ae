// The editor's line list: loading a 1,000,000-line, 100 MB file with CR LF and with LF breaks, the
// memory it takes per line, and lines inserted and deleted in 1,000,000 lines: 1,000 at one place in
// the middle, and 1,000 at random places (and in the middle of 1,000 lines); and wrapping 1,000,000
// lines of 100 characters into 80 columns, and one line of blanks: 80,000 tabs, 16 MB of spaces,
// 10,000 tabs of 65,290 cells each (each row costs its own cells, so the time grows with the line).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "editor/codeedit.h"
#include "editor/text_buffer.h"
#include "platform/backend/headless.h"
#include "platform/controls/forms.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kBigLines = 1000000;

// Device-log lines of 60 to 140 bytes (100 on average), mostly ASCII with a tab now and then and an
// accented or CJK word in about one word of forty.
std::string MakeText(int lines, const char* line_break = "\r\n") {
  static const char* const words[] = {"status", "OK", "temp=21.5", "device", "0x7F3A", "sent", "received", "timeout"};
  static const char* const others[] = {"r\xC3\xA9sultat", "\xE6\x97\xA5\xE6\x9C\xAC", "Stra\xC3\x9F\x65"};
  std::mt19937 rng(5);
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 101);
  for (int i = 0; i < lines; ++i) {
    const std::size_t start = text.size();
    const std::size_t length = 60 + rng() % 81;
    while (text.size() - start < length) {
      text += rng() % 40 == 0 ? others[rng() % std::size(others)] : words[rng() % std::size(words)];
      text += rng() % 10 == 0 ? '\t' : ' ';
    }
    text += line_break;
  }
  return text;
}

// The 100 MB files (CR LF and LF breaks), written once per run and removed at exit.
class BigFile {
 public:
  static const std::string& Name(bool crlf = true) {
    static BigFile file;
    return crlf ? file.crlf_ : file.lf_;
  }
  ~BigFile() { std::filesystem::remove_all(folder_); }

 private:
  BigFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lab-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    folder_ = pattern;
    crlf_ = Write("big-crlf.log", "\r\n");
    lf_ = Write("big-lf.log", "\n");
  }
  std::string Write(const char* name, const char* line_break) {
    const std::string path = (folder_ / name).string();
    const std::string text = MakeText(kBigLines, line_break);
    lab::TFileStream out(path, lab::fmCreate);
    out.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    return path;
  }
  std::filesystem::path folder_;
  std::string crlf_, lf_;
};

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void LoadBigFile(benchmark::State& state, bool crlf) {
  const std::string& name = BigFile::Name(crlf);
  for (auto _ : state) {
    auto list = std::make_unique<lab::TCodeEditStringList>();
    list->LoadFromFile(name);
    benchmark::DoNotOptimize(list->Count());
    state.PauseTiming();  // freeing a million lines is not loading
    list.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(name)));
}
void LoadBigFileCrLf(benchmark::State& state) { LoadBigFile(state, true); }
void LoadBigFileLf(benchmark::State& state) { LoadBigFile(state, false); }
// Time is wall time; CPU is the whole process's, the loading threads' included.
BENCHMARK(LoadBigFileCrLf)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(LoadBigFileLf)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();

// Heap the list takes for the file, per line: records, line blocks and the allocator's own overhead,
// and, as a share of it, the code points as stored.
void MemoryPerLine(benchmark::State& state) {
  const std::string& name = BigFile::Name();
  double total = 0, text_bytes = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    auto list = std::make_unique<lab::TCodeEditStringList>();
    list->LoadFromFile(name);
    const std::size_t after = HeapInUse();
    std::size_t text = 0;
    for (int i = 0; i < list->Count(); ++i) {
      const lab::TLineView line = list->LineView(i);
      text += line.size() * static_cast<std::size_t>(line.width());
    }
    total = static_cast<double>(after - before) / list->Count();
    text_bytes = static_cast<double>(text) / list->Count();
  }
  state.counters["total_bytes_per_line"] = total;
  state.counters["text_bytes_per_line"] = text_bytes;
  state.counters["record_bytes"] = sizeof(lab::TCodeEditStringRec);
}
BENCHMARK(MemoryPerLine)->Unit(benchmark::kMillisecond)->Iterations(1);

lab::TCodeEditStringList& BigList() {
  static lab::TCodeEditStringList list;
  if (list.Count() == 0) list.LoadFromFile(BigFile::Name());
  return list;
}

constexpr int kEdits = 1000;
const std::u32string kTyped = U"a new line typed in the middle of the text";

// 1,000 lines inserted at one place in the middle of 1,000,000, then deleted there, with the change
// events in place; the time is per line. The place was edited once before (untimed): the first
// edit there moves the records between it and the previous edit.
void EditsAtOnePlace(benchmark::State& state, bool insert) {
  lab::TCodeEditStringList& list = BigList();
  int events = 0;
  list.OnInserted = [&](lab::TObject*, int, int) { ++events; };
  list.OnDeleted = [&](lab::TObject*, int, int) { ++events; };
  const int middle = list.Count() / 2;
  list.InsertLine(middle, kTyped);
  list.Delete(middle);
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    Clock::duration spent{};
    auto start = Clock::now();
    for (int i = 0; i < kEdits; ++i) list.InsertLine(middle, kTyped);
    if (insert) spent = Clock::now() - start;
    start = Clock::now();
    for (int i = 0; i < kEdits; ++i) list.Delete(middle);
    if (!insert) spent = Clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(spent).count() / kEdits);
  }
  benchmark::DoNotOptimize(events);
  list.OnInserted = nullptr;
  list.OnDeleted = nullptr;
}
void InsertLineAtOnePlace(benchmark::State& state) { EditsAtOnePlace(state, true); }
void DeleteLineAtOnePlace(benchmark::State& state) { EditsAtOnePlace(state, false); }
BENCHMARK(InsertLineAtOnePlace)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20);
BENCHMARK(DeleteLineAtOnePlace)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20);

// 1,000 lines inserted at random places of 1,000,000, then deleted at random places; per line.
void EditsAtRandomPlaces(benchmark::State& state, bool insert) {
  lab::TCodeEditStringList& list = BigList();
  std::mt19937 rng(9);
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    Clock::duration spent{};
    auto start = Clock::now();
    for (int i = 0; i < kEdits; ++i) list.InsertLine(static_cast<int>(rng() % (list.Count() + 1u)), kTyped);
    if (insert) spent = Clock::now() - start;
    start = Clock::now();
    for (int i = 0; i < kEdits; ++i) list.Delete(static_cast<int>(rng() % static_cast<unsigned>(list.Count())));
    if (!insert) spent = Clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(spent).count() / kEdits);
  }
}
void InsertLineAtRandomPlaces(benchmark::State& state) { EditsAtRandomPlaces(state, true); }
void DeleteLineAtRandomPlaces(benchmark::State& state) { EditsAtRandomPlaces(state, false); }
BENCHMARK(InsertLineAtRandomPlaces)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3);
BENCHMARK(DeleteLineAtRandomPlaces)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3);

// A line inserted in the middle of 1,000 lines, and one deleted there, each timed on its own.
void LineInMiddle(benchmark::State& state, bool insert) {
  lab::TCodeEditStringList list;
  {
    lab::TStringStream stream(MakeText(1000));
    list.LoadFromStream(&stream);
  }
  const int middle = list.Count() / 2;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    if (!insert) list.InsertLine(middle, kTyped);
    const auto start = Clock::now();
    if (insert)
      list.InsertLine(middle, kTyped);
    else
      list.Delete(middle);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (insert) list.Delete(middle);
  }
}
void InsertLineMiddle1000(benchmark::State& state) { LineInMiddle(state, true); }
void DeleteLineMiddle1000(benchmark::State& state) { LineInMiddle(state, false); }
BENCHMARK(InsertLineMiddle1000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(DeleteLineMiddle1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// 1,000,000 lines of 100 characters (words and blanks) wrapped into 80 columns: turning word wrap on.
// An editor 80 columns wide on Form.
lab::TCodeEdit& EightyColumns(lab::TForm& Form) {
  lab::SetBackend(lab::CreateHeadlessBackend());
  Form.SetBounds(0, 0, 1200, 400);
  lab::TCodeEdit& edit = *new lab::TCodeEdit(&Form);
  edit.SetParent(&Form);
  edit.Gutter()->SetVisible(false);
  edit.SetScrollBars(lab::ssNone);
  edit.HandleNeeded();
  edit.SetWidth(80 * edit.CharWidth() + 2 + (edit.Width() - edit.ClientWidth()) + edit.CharWidth() / 2);
  if (edit.CharsInWindow() != 80) std::abort();
  return edit;
}

void WrapMillionLines(benchmark::State& state) {
  lab::TForm form(nullptr);
  lab::TCodeEdit& edit = EightyColumns(form);
  {
    std::string text;
    text.reserve(static_cast<std::size_t>(kBigLines) * 102);
    std::mt19937 rng(3);
    static const char* const words[] = {"status", "OK", "device", "sent", "received", "timeout", "0x7F3A"};
    for (int i = 0; i < kBigLines; ++i) {
      std::string line;
      while (line.size() < 100) {
        line += words[rng() % std::size(words)];
        line += ' ';
      }
      line.resize(100);
      text += line;
      text += "\r\n";
    }
    lab::TStringStream stream(std::move(text));
    edit.LineList()->LoadFromStream(&stream);
  }
  for (auto _ : state) {
    edit.SetWordWrap(true);
    state.PauseTiming();
    if (edit.DisplayRowCount() < kBigLines * 5 / 4) std::abort();
    edit.SetWordWrap(false);
    state.ResumeTiming();
  }
}
BENCHMARK(WrapMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void WrapOneLineOfBlanks(benchmark::State& state) {
  lab::TForm form(nullptr);
  lab::TCodeEdit& edit = EightyColumns(form);
  const int kind = static_cast<int>(state.range(0));
  edit.SetOptions(edit.Options() - lab::TCodeEditorOptions{lab::eoTabsToSpaces});
  edit.SetTabWidth(kind == 2 ? 65290 : 8);
  lab::TStringStream stream(kind == 0 ? std::string(80000, '\t') : kind == 1 ? std::string(16 << 20, ' ')
                                                                             : std::string(10000, '\t'));
  edit.LineList()->LoadFromStream(&stream);
  for (auto _ : state) {
    edit.SetWordWrap(true);
    state.PauseTiming();
    edit.SetWordWrap(false);
    state.ResumeTiming();
  }
}
BENCHMARK(WrapOneLineOfBlanks)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
