// The record filter on the records of a generated export, for one line, many
// words and many numbered lines that share their start: the cost should
// hardly depend on the number of lines.
#include <benchmark/benchmark.h>

#include <deque>

#include "conversion/input_records.h"
#include "conversion/record_filter.h"
#include "export_generator.h"
#include "platform/code_page.h"
#include "support/harness.h"

namespace {

void FilterRecords(benchmark::State& state, const LineList& lines) {
  const std::string text = MakeExport(20000, 1, ExportMix::Calendar);
  std::deque<AnsiText> joined;
  const std::vector<std::string_view> records = SplitIntoRecords(text, joined);
  const RecordFilter filter(lines);
  for (auto _ : state) {
    int excluded = 0;
    for (const std::string_view record : records) excluded += filter.Excludes(record) ? 1 : 0;
    benchmark::DoNotOptimize(excluded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

LineList Lines(const std::string& text) {
  LineList lines;
  SplitTextIntoLines(lines, text);
  return lines;
}

void BM_RecordFilterOneLine(benchmark::State& state) {
  FilterRecords(state, {platform::Cp932FromUtf8("【社外秘】")});
}
BENCHMARK(BM_RecordFilterOneLine)->Unit(benchmark::kMillisecond);

// Words of the kanji the export uses, so that their grams turn up often.
void BM_RecordFilterWords(benchmark::State& state) {
  FilterRecords(state, Lines(MakeFilterLines(static_cast<int>(state.range(0)))));
}
BENCHMARK(BM_RecordFilterWords)->Arg(200)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_RecordFilterNumberedLines(benchmark::State& state) {
  FilterRecords(state, Lines(MakeNumberedFilterLines(static_cast<int>(state.range(0)))));
}
BENCHMARK(BM_RecordFilterNumberedLines)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

// Building the filter is part of every run.
void BM_RecordFilterBuild(benchmark::State& state) {
  const LineList lines = Lines(state.range(1) ? MakeNumberedFilterLines(static_cast<int>(state.range(0)))
                                              : MakeFilterLines(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const RecordFilter filter(lines);
    benchmark::DoNotOptimize(&filter);
  }
}
BENCHMARK(BM_RecordFilterBuild)->Args({40000, 0})->Args({40000, 1})->Unit(benchmark::kMillisecond);

}  // namespace
