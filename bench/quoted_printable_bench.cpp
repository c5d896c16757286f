#include <benchmark/benchmark.h>

#include "text/quoted_printable.h"

namespace {

// UTF-8 titles and descriptions: mostly escaped bytes, some ASCII.
std::string Utf8Text(std::size_t bytes) {
  const std::string piece =
      "議題: 第3四半期の予算見直し (Q3 budget review) 10:00-11:30 会議室B, 担当 Yamada\r\n";
  std::string text;
  while (text.size() < bytes) text += piece;
  text.resize(bytes);
  return text;
}

void BM_EncodeQuotedPrintable(benchmark::State& state) {
  const std::string text = Utf8Text(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(EncodeQuotedPrintable(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_EncodeQuotedPrintable)->Arg(256)->Arg(64 << 10);

// Japanese without a break: every byte an escape.
void BM_EncodeQuotedPrintableJapanese(benchmark::State& state) {
  std::string text;
  while (text.size() < 65536) text += "交通費精算を忘れずに次回までにレビューを完了";
  for (auto _ : state) benchmark::DoNotOptimize(EncodeQuotedPrintable(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_EncodeQuotedPrintableJapanese);

void BM_EncodeQuotedPrintableAscii(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) benchmark::DoNotOptimize(EncodeQuotedPrintable(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_EncodeQuotedPrintableAscii)->Arg(64 << 10);

}  // namespace
