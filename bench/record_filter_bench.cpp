// The record filter on the records of a generated export: one pass for 200
// lines against the plain search for one.
#include <benchmark/benchmark.h>

#include <deque>

#include "conversion/input_records.h"
#include "export_generator.h"
#include "platform/code_page.h"

namespace {

void FilterRecords(benchmark::State& state, const LineList& lines) {
  const std::string text = MakeExport(20000, 1, ExportMix::Calendar);
  std::deque<AnsiText> joined;
  const std::vector<std::string_view> records = detail::SplitIntoRecords(text, joined);
  const RecordFilter filter(lines);
  for (auto _ : state) {
    int excluded = 0;
    for (const std::string_view record : records) excluded += filter.Excludes(record) ? 1 : 0;
    benchmark::DoNotOptimize(excluded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_RecordFilter200Lines(benchmark::State& state) {
  LineList lines;
  lines.SplitTextIntoLines(MakeFilterLines(200));
  FilterRecords(state, lines);
}
BENCHMARK(BM_RecordFilter200Lines)->Unit(benchmark::kMillisecond);

void BM_RecordFilterOneLine(benchmark::State& state) {
  FilterRecords(state, {platform::Cp932FromUtf8("【社外秘】")});
}
BENCHMARK(BM_RecordFilterOneLine)->Unit(benchmark::kMillisecond);

}  // namespace
