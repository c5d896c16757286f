#include <benchmark/benchmark.h>

#include "platform/code_page.h"
#include "text/comma_text.h"

namespace {

void BM_SplitCommaText(benchmark::State& state) {
  const std::string record = platform::Cp932FromUtf8(
      "\"定例会議（営業部）\",\"本社 第3会議室\",\"2024/04/01\",\"10:00:00\",\"2024/04/01\","
      "\"11:30:00\",\"オン\",\"2024/04/01\",\"09:45:00\",\"議題: 予算, 来期計画\r\n"
      "担当: 山田 \"\"至急\"\" 資料は前日までに共有してください。\"");
  LineList fields;
  for (auto _ : state) {
    SplitCommaText(fields, record);
    benchmark::DoNotOptimize(fields.Items().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}
BENCHMARK(BM_SplitCommaText);

}  // namespace
