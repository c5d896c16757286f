// The preview of a generated 100,000-appointment export in Outlook's default
// layout, as a window takes it: the time until the first rows can be shown,
// until all are, and the memory the rows hold.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/preview_model.h"
#include "export_generator.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "text/date_time_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

void BM_Preview100kOutlook(benchmark::State& state) {
  platform::UseRegionalProfile("ja-JP");
  LoadDateTextSettings();
  const std::string input = (std::filesystem::temp_directory_path() / "quillmer-bench-preview.csv").string();
  {
    const std::string bytes = MakeExport(100000, 1, ExportMix::Outlook);
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  const ConversionRequest request{input, "unused.vcs", {}, {platform::Cp932FromUtf8("【私用】")}};
  double firstRows = 0, allRows = 0, rowBytes = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    PreviewModel model(request);
    // A window's timer: it looks every millisecond here, so the figures
    // are the reading's, not the timer's.
    while (model.RowCount() == 0 && !model.Finished()) {
      if (!model.Update()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    firstRows += Milliseconds(Clock::now() - start);
    while (!model.Finished()) {
      if (!model.Update()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    allRows += Milliseconds(Clock::now() - start);
    double bytes = 0;
    for (std::size_t i = 0; i < model.RowCount(); ++i)
      bytes += static_cast<double>(sizeof(PreviewRow) + model.Row(i).text.capacity() * sizeof(char16_t));
    rowBytes = bytes;
    if (model.RowCount() != 100000) state.SkipWithError("not every appointment was read");
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["first_rows_ms"] = firstRows / runs;
  state.counters["all_rows_ms"] = allRows / runs;
  state.counters["rows_MB"] = rowBytes / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1e3;
  std::filesystem::remove(input);
}
BENCHMARK(BM_Preview100kOutlook)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
