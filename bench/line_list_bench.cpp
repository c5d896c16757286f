// Splitting a 50 MB export into lines and joining an output list back into
// text: both run once per conversion over the whole file.
#include <benchmark/benchmark.h>

#include <string>

#include "support/harness.h"
#include "text/line_list.h"

namespace {

constexpr std::size_t kTextSize = 50u << 20;

// Lines of export-like length with the given line end.
std::string MakeText(const char* lineEnd) {
  std::string text;
  text.reserve(kTextSize + 200);
  const std::string fields =
      "\"\x89\xEF\x8B\x63\",\"\x89\xEF\x8B\x63\x8E\xBA\",\"2024/06/01\",\"10:00:00\",\"2024/06/01\","
      "\"11:00:00\",\"\x83\x49\x83\x74\",\"2024/06/01\",\"09:45:00\",\"";
  for (unsigned n = 0; text.size() < kTextSize; ++n) {
    text += fields;
    text.append(n % 37, 'x');
    text += '"';
    text += lineEnd;
  }
  return text;
}

void Split(benchmark::State& state, const char* lineEnd) {
  const std::string text = MakeText(lineEnd);
  LineList list;
  for (auto _ : state) {
    SplitTextIntoLines(list, text);
    benchmark::DoNotOptimize(list.Items().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = list.Count();
}

void BM_SplitCrLf(benchmark::State& state) { Split(state, "\r\n"); }
void BM_SplitLoneCr(benchmark::State& state) { Split(state, "\r"); }
void BM_SplitLoneLf(benchmark::State& state) { Split(state, "\n"); }

void BM_Join(benchmark::State& state) {
  LineList list;
  SplitTextIntoLines(list, MakeText("\r\n"));
  std::size_t size = 0;
  for (auto _ : state) {
    AnsiText text = JoinLinesToText(list);
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

}  // namespace

BENCHMARK(BM_SplitCrLf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLoneCr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLoneLf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join)->Unit(benchmark::kMillisecond);
