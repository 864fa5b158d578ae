// Text throughput: UTF-8 decoding of large buffers, and string lists of 100k lines.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace {

// A log-like text: mostly ASCII with accented words and a stray byte now and then.
std::string MakeText(std::size_t bytes, bool ascii_only) {
  static const char* const words[] = {"status", "OK", "temp=21.5", "r\xC3\xA9sultat", "\xE2\x82\xAC",
                                      "Stra\xC3\x9F\x65", "\xFF", "\xE6\x97\xA5\xE6\x9C\xAC"};
  std::mt19937 rng(7);
  std::string text;
  text.reserve(bytes + 32);
  while (text.size() < bytes) {
    text += words[rng() % (ascii_only ? 3 : std::size(words))];
    text += rng() % 8 == 0 ? "\r\n" : " ";
  }
  return text;
}

std::string MakeLines(int count) {
  std::mt19937 rng(11);
  std::string text;
  for (int i = 0; i < count; ++i) {
    const int length = 5 + static_cast<int>(rng() % 40);
    for (int j = 0; j < length; ++j) text += static_cast<char>(rng() % 3 == 0 ? 'A' + rng() % 26 : 'a' + rng() % 26);
    text += "\r\n";
  }
  return text;
}

void Utf8DecodeAscii(benchmark::State& state) {
  const std::string text = MakeText(16 << 20, true);
  for (auto _ : state) benchmark::DoNotOptimize(lab::Utf8Decode(text));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Utf8DecodeAscii)->Unit(benchmark::kMillisecond);

void Utf8DecodeMixed(benchmark::State& state) {
  const std::string text = MakeText(16 << 20, false);
  for (auto _ : state) benchmark::DoNotOptimize(lab::Utf8Decode(text));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Utf8DecodeMixed)->Unit(benchmark::kMillisecond);

// Into a buffer kept across runs: the decoding itself, without first-touch page faults of a fresh
// 64 MB result, which dominate the two above.
void Utf8DecodeMixedReused(benchmark::State& state) {
  const std::string text = MakeText(16 << 20, false);
  std::u32string out;
  for (auto _ : state) {
    out.clear();
    lab::Utf8DecodeAppend(text, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Utf8DecodeMixedReused)->Unit(benchmark::kMillisecond);

void Utf8LengthMixed(benchmark::State& state) {
  const std::string text = MakeText(16 << 20, false);
  for (auto _ : state) benchmark::DoNotOptimize(lab::Utf8Length(text));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Utf8LengthMixed)->Unit(benchmark::kMillisecond);

void Utf8EncodeMixed(benchmark::State& state) {
  const std::u32string text = lab::Utf8Decode(MakeText(16 << 20, false));
  for (auto _ : state) benchmark::DoNotOptimize(lab::Utf8Encode(text));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Utf8EncodeMixed)->Unit(benchmark::kMillisecond);

void StringListSetText(benchmark::State& state) {
  const std::string text = MakeLines(100000);
  for (auto _ : state) {
    lab::TStringList list;
    list.SetText(text);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(StringListSetText)->Unit(benchmark::kMillisecond);

void StringListGetText(benchmark::State& state) {
  lab::TStringList list;
  list.SetText(MakeLines(100000));
  for (auto _ : state) benchmark::DoNotOptimize(list.Text());
}
BENCHMARK(StringListGetText)->Unit(benchmark::kMillisecond);

// Arg 0: without case (AnsiCompareText), 1: with case (AnsiCompareStr).
void StringListSort(benchmark::State& state) {
  const std::string text = MakeLines(100000);
  for (auto _ : state) {
    state.PauseTiming();
    lab::TStringList list;
    list.SetCaseSensitive(state.range(0) != 0);
    list.SetText(text);
    state.ResumeTiming();
    list.Sort();
  }
}
BENCHMARK(StringListSort)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void StringListSortedLoad(benchmark::State& state) {
  const std::string text = MakeLines(100000);
  for (auto _ : state) {
    lab::TStringList list;
    list.SetSorted(true);
    list.SetText(text);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(StringListSortedLoad)->Unit(benchmark::kMillisecond);

void AnsiCompareTextPair(benchmark::State& state) {
  const std::string a = "The quick brown fox jumps", b = "the quick brown fox Jumped";
  for (auto _ : state) benchmark::DoNotOptimize(lab::AnsiCompareText(a, b));
}
BENCHMARK(AnsiCompareTextPair);

}  // namespace

BENCHMARK_MAIN();
