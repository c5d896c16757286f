// The cost of one stamp: three of them per converted appointment.
#include <benchmark/benchmark.h>

#include "conversion/timestamps.h"
#include "platform/regional.h"
#include "support/harness.h"
#include "text/date_time_format.h"

namespace {

void UseJapaneseSettings() {
  platform::UseRegionalProfile("ja-JP");
  LoadDateTextSettings();
}

void BM_MakeUtcStamp(benchmark::State& state) {
  UseJapaneseSettings();
  for (auto _ : state) benchmark::DoNotOptimize(MakeUtcStamp("2008/01/15", "10:00:00"));
}
BENCHMARK(BM_MakeUtcStamp);

// A two-digit year asks the clock for the current year.
void BM_MakeUtcStampTwoDigitYear(benchmark::State& state) {
  UseJapaneseSettings();
  for (auto _ : state) benchmark::DoNotOptimize(MakeUtcStamp("08/1/15", "10:00"));
}
BENCHMARK(BM_MakeUtcStampTwoDigitYear);

void BM_ParseDateTimeText(benchmark::State& state) {
  UseJapaneseSettings();
  for (auto _ : state) benchmark::DoNotOptimize(ParseDateTimeText("2008/01/15 10:00:00"));
}
BENCHMARK(BM_ParseDateTimeText);

void BM_FormatUtcStamp(benchmark::State& state) {
  UseJapaneseSettings();
  double value = 39462.375;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatUtcStamp(value));
    value += 1.0 / 86400;
  }
}
BENCHMARK(BM_FormatUtcStamp);

}  // namespace
