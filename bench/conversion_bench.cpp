// The whole conversion on a generated export of 100,000 appointments (MB/s of
// input, end to end through both files) in both output formats, a record with
// a 1 MB note, and the joining of many multi-line records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "conversion/conversion_run.h"
#include "conversion/event_block.h"
#include "conversion/input_records.h"
#include "export_generator.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/harness.h"
#include "text/date_time_text.h"

namespace {

void UseReferenceSettings() {
  platform::UseRegionalProfile("ja-JP");
  LoadDateTextSettings();
}

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("quillmer-bench-") + name)).string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string MegabyteNote() {
  std::string note;
  while (note.size() < (1u << 20)) note += platform::Cp932FromUtf8("議事録の要点と次回までの宿題。") + "abc\r\n";
  return note;
}

void ConversionRun100k(benchmark::State& state, OutputFormat format, const char* zone = "Asia/Tokyo") {
  UseReferenceSettings();
  const std::string input = TempPath("export.csv");
  const std::string output = TempPath("calendar.out");
  const std::string bytes = MakeExport(100000);
  WriteFile(input, bytes);
  const ConversionRequest request{input, output, {"CLASS:PUBLIC"}, {platform::Cp932FromUtf8("【私用】")}, format, {},
                                  LoadTimeZone(zone)};
  for (auto _ : state) benchmark::DoNotOptimize(ConversionRun(request));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["input_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["output_MB"] = static_cast<double>(std::filesystem::file_size(output)) / 1e6;
  std::filesystem::remove(input);
  std::filesystem::remove(output);
}
void BM_ConversionRun100k(benchmark::State& state) { ConversionRun100k(state, OutputFormat::VCalendar); }
BENCHMARK(BM_ConversionRun100k)->Unit(benchmark::kMillisecond)->Iterations(5);
// The same export as one iCalendar file (every value folded and escaped).
void BM_ConversionRun100kICalendar(benchmark::State& state) { ConversionRun100k(state, OutputFormat::ICalendar); }
BENCHMARK(BM_ConversionRun100kICalendar)->Unit(benchmark::kMillisecond)->Iterations(5);
// Both again with the times read by a zone's rules (daylight saving) rather
// than Japan's fixed shift.
void BM_ConversionRun100kNewYork(benchmark::State& state) {
  ConversionRun100k(state, OutputFormat::VCalendar, "America/New_York");
}
BENCHMARK(BM_ConversionRun100kNewYork)->Unit(benchmark::kMillisecond)->Iterations(5);
void BM_ConversionRun100kICalendarNewYork(benchmark::State& state) {
  ConversionRun100k(state, OutputFormat::ICalendar, "America/New_York");
}
BENCHMARK(BM_ConversionRun100kICalendarNewYork)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EventBlockMegabyteNote(benchmark::State& state) {
  UseReferenceSettings();
  const LineList fields = {platform::Cp932FromUtf8("会議"), platform::Cp932FromUtf8("本社"), "2008/01/15",
                           "10:00:00", "2008/01/15", "11:30:00", "TRUE", "2008/01/15", "9:45:00", MegabyteNote()};
  for (auto _ : state) benchmark::DoNotOptimize(BuildEventBlock(fields, {}));
}
BENCHMARK(BM_EventBlockMegabyteNote)->Unit(benchmark::kMicrosecond);

// The same record as a file: reading, joining its lines, splitting its fields.
void BM_ConversionRunMegabyteNote(benchmark::State& state) {
  UseReferenceSettings();
  const std::string input = TempPath("note.csv");
  const std::string output = TempPath("note.vcs");
  std::string bytes = "\"h\"\r\n\"";
  bytes += platform::Cp932FromUtf8("会議\",\"本社\",\"2008/01/15\",\"10:00:00\",\"2008/01/15\",\"11:30:00\",\"TRUE\",") +
           "\"2008/01/15\",\"9:45:00\",\"" + MegabyteNote() + "\"\r\n";
  WriteFile(input, bytes);
  for (auto _ : state) benchmark::DoNotOptimize(ConversionRun({input, output, {}, {}}));
  std::filesystem::remove(input);
  std::filesystem::remove(output);
}
BENCHMARK(BM_ConversionRunMegabyteNote)->Unit(benchmark::kMillisecond);

void BM_JoinMultiLineRecords(benchmark::State& state) {
  LineList lines;
  for (int i = 0; i < 100000; ++i) {
    lines.Append("\"title\",\"place\",\"2008/01/15\",\"10:00:00\",\"2008/01/15\",\"11:00:00\",\"FALSE\",\"\",\"\",\"first");
    for (int k = 0; k < 4; ++k) lines.Append(platform::Cp932FromUtf8("ノートの行"));
    lines.Append("last\"");
  }
  std::size_t bytes = 0;
  for (const AnsiText& line : lines) bytes += line.size();
  for (auto _ : state) {
    state.PauseTiming();
    LineList copy = lines;
    state.ResumeTiming();
    JoinRecordLines(copy);
    benchmark::DoNotOptimize(copy);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_JoinMultiLineRecords)->Unit(benchmark::kMillisecond);

}  // namespace
