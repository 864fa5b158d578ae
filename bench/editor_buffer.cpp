// The editor's line list: loading a 1,000,000-line, 100 MB file, the memory it keeps per line, and a
// line inserted and deleted in the middle of 1,000,000 and of 1,000 lines.
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

#include "editor/text_buffer.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kBigLines = 1000000;

// Device-log lines of 60 to 140 bytes (100 on average), mostly ASCII with a tab now and then and an
// accented or CJK word in about one word of forty.
std::string MakeText(int lines) {
  static const char* const words[] = {"status", "OK", "temp=21.5", "device", "0x7F3A", "sent", "received", "timeout"};
  static const char* const others[] = {"r\xC3\xA9sultat", "\xE6\x97\xA5\xE6\x9C\xAC", "Stra\xC3\x9F" "e"};
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
    text += "\r\n";
  }
  return text;
}

// The 100 MB file, written once per run and removed at exit.
class BigFile {
 public:
  static const std::string& Name() {
    static BigFile file;
    return file.name_;
  }
  ~BigFile() { std::filesystem::remove_all(folder_); }

 private:
  BigFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lab-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    folder_ = pattern;
    name_ = (folder_ / "big.log").string();
    const std::string text = MakeText(kBigLines);
    lab::TFileStream out(name_, lab::fmCreate);
    out.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }
  std::filesystem::path folder_;
  std::string name_;
};

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void LoadBigFile(benchmark::State& state) {
  const std::string& name = BigFile::Name();
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
BENCHMARK(LoadBigFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Heap kept per line beyond the text itself (4 bytes a character): the record, the header of the
// line's block and the allocator's own overhead for it, and the spare capacity of the record array.
void MemoryPerLine(benchmark::State& state) {
  const std::string& name = BigFile::Name();
  double overhead = 0, text_bytes = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    auto list = std::make_unique<lab::TCodeEditStringList>();
    list->LoadFromFile(name);
    const std::size_t after = HeapInUse();
    std::size_t text = 0;
    for (int i = 0; i < list->Count(); ++i) text += list->GetLine(i).size() * sizeof(char32_t);
    overhead = (static_cast<double>(after - before) - static_cast<double>(text)) / list->Count();
    text_bytes = static_cast<double>(text) / list->Count();
  }
  state.counters["overhead_bytes_per_line"] = overhead;
  state.counters["text_bytes_per_line"] = text_bytes;
  state.counters["record_bytes"] = sizeof(lab::TCodeEditStringRec);
}
BENCHMARK(MemoryPerLine)->Unit(benchmark::kMillisecond)->Iterations(1);

// A line inserted in the middle, and one deleted from the middle, with the change events in place.
// Each operation is timed on its own (the other one puts the list back, untimed).
void LineInMiddle(benchmark::State& state, bool insert) {
  const int lines = static_cast<int>(state.range(0));
  lab::TCodeEditStringList list;
  {
    lab::TStringStream stream(MakeText(lines));
    list.LoadFromStream(&stream);
  }
  int events = 0;
  list.OnInserted = [&](lab::TObject*, int, int) { ++events; };
  list.OnDeleted = [&](lab::TObject*, int, int) { ++events; };
  const int middle = list.Count() / 2;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    if (!insert) list.InsertLine(middle, U"a new line typed in the middle of the text");
    const auto start = Clock::now();
    if (insert)
      list.InsertLine(middle, U"a new line typed in the middle of the text");
    else
      list.Delete(middle);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (insert) list.Delete(middle);
  }
  benchmark::DoNotOptimize(events);
}
void InsertLineMiddle(benchmark::State& state) { LineInMiddle(state, true); }
void DeleteLineMiddle(benchmark::State& state) { LineInMiddle(state, false); }
BENCHMARK(InsertLineMiddle)->Arg(1000)->Arg(kBigLines)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(DeleteLineMiddle)->Arg(1000)->Arg(kBigLines)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
