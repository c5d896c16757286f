// The record filter against its literal loop: lines of the input's own
// bytes, many of them sharing a start or an end or cut from the records, and
// records in exactly-sized blocks, with the automaton's table large or small.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "conversion/record_filter.h"
#include "fuzz_support.h"
#include "platform/code_page.h"
#include "reference/literal_rules.h"

namespace {

constexpr int kPages[] = {932, 932, 936, 1252};
constexpr std::size_t kTables[] = {0, 64, std::size_t{1} << 20};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  platform::SetAnsiCodePage(kPages[provider.ConsumeIntegralInRange<std::size_t>(0, 3)]);
  const std::size_t table = kTables[provider.ConsumeIntegralInRange<std::size_t>(0, 2)];
  const std::string first = provider.ConsumeRandomLengthString(256);
  const std::string shared = provider.ConsumeRandomLengthString(8);
  LineList filters;
  for (int n = provider.ConsumeIntegralInRange<int>(0, 60); n > 0; --n) {
    std::string line = provider.ConsumeRandomLengthString(10);
    switch (provider.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: line = shared + line; break;
      case 1: line += shared; break;
      case 2:
        if (!first.empty()) {
          const std::size_t at = provider.ConsumeIntegralInRange<std::size_t>(0, first.size() - 1);
          line = first.substr(at, provider.ConsumeIntegralInRange<std::size_t>(1, 12));
        }
        break;
      default: break;
    }
    filters.Append(line);
  }
  const std::string second = provider.ConsumeRemainingBytesAsString();

  const RecordFilter filter(filters, table);
  for (const std::string& record : {first, second}) {
    const fuzz::ExactBytes exact(record);
    const bool literal = reference::IsFilteredOutLiterally(record, filters);
    if (filter.Excludes(exact.View()) != literal) {
      std::fprintf(stderr, "%d filter lines, the literal rule says %d\n", filters.Count(), literal);
      for (const AnsiText& line : filters) std::fprintf(stderr, "  line %s\n", fuzz::Hex(line).c_str());
      std::fprintf(stderr, "record %s\n", fuzz::Hex(record).c_str());
      FUZZ_CHECK(filter.Excludes(exact.View()) == literal);
    }
  }
  return 0;
}
