#include <benchmark/benchmark.h>

#include "platform/code_page.h"
#include "conversion/input_records.h"
#include "export_generator.h"
#include "support/harness.h"
#include "text/comma_text.h"

namespace {

const std::string& Record() {
  static const std::string record = platform::Cp932FromUtf8(
      "\"定例会議（営業部）\",\"本社 第3会議室\",\"2024/04/01\",\"10:00:00\",\"2024/04/01\","
      "\"11:30:00\",\"オン\",\"2024/04/01\",\"09:45:00\",\"議題: 予算, 来期計画\r\n"
      "担当: 山田 \"\"至急\"\" 資料は前日までに共有してください。\"");
  return record;
}

void BM_SplitCommaText(benchmark::State& state) {
  const std::string& record = Record();
  LineList fields;
  for (auto _ : state) {
    SplitCommaText(fields, record);
    benchmark::DoNotOptimize(fields.Items().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}
BENCHMARK(BM_SplitCommaText);

// The places alone, as the conversion run finds them: no copies.
void BM_FindCommaFields(benchmark::State& state) {
  const std::string& record = Record();
  std::vector<FieldPlace> places;
  AnsiText reduced;
  for (auto _ : state) {
    places.clear();
    reduced.clear();
    FindCommaFields(record, places, reduced);
    benchmark::DoNotOptimize(places.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Record().size()));
}
BENCHMARK(BM_FindCommaFields);

// Every record of a generated calendar export, as the conversion run splits
// them: short fields, and notes of several lines with doubled quotes.
void BM_FindCommaFieldsCalendarMix(benchmark::State& state) {
  static const LineList records = [] {
    LineList lines;
    SplitTextIntoLines(lines, MakeExport(10000, 1, ExportMix::Calendar));
    JoinRecordLines(lines);
    return lines;
  }();
  std::vector<FieldPlace> places;
  AnsiText reduced;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (const AnsiText& record : records) {
      places.clear();
      reduced.clear();
      FindCommaFields(record, places, reduced);
      bytes += static_cast<std::int64_t>(record.size());
    }
    benchmark::DoNotOptimize(places.data());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_FindCommaFieldsCalendarMix)->Unit(benchmark::kMillisecond);

}  // namespace
