#include <benchmark/benchmark.h>

#include "platform/code_page.h"
#include "text/characters.h"

namespace {

// A description as exports carry them: Japanese sentences with ASCII times,
// numbers and names mixed in.
std::string MixedText(std::size_t bytes) {
  const std::string piece = platform::Cp932FromUtf8(
      "議題: 第3四半期の予算見直し (Q3 budget review) 10:00-11:30 会議室B, 担当 Yamada; "
      "ｶﾀｶﾅ memo - 資料は前日までに共有してください。\r\n");
  std::string text;
  while (text.size() < bytes) text += piece;
  text.resize(bytes);
  return text;
}

void BM_AnsiTextToUtf8(benchmark::State& state) {
  const std::string text = MixedText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(AnsiTextToUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AnsiTextToUtf8)->Arg(256)->Arg(64 << 10);

void BM_AnsiTextToUtf8ViaUtf16(benchmark::State& state) {
  const std::string text = MixedText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Utf16ToUtf8(AnsiTextToUtf16(text)));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AnsiTextToUtf8ViaUtf16)->Arg(64 << 10);

// Shortening a description by one character.
void BM_LeftChars(benchmark::State& state) {
  const std::string text = MixedText(static_cast<std::size_t>(state.range(0)));
  const int keep = Utf16Length(text) - 1;
  for (auto _ : state) benchmark::DoNotOptimize(LeftChars(text, keep));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LeftChars)->Arg(1024)->Arg(64 << 10);

}  // namespace
