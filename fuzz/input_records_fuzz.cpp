// Joining physical lines into records, against the one-join-at-a-time
// algorithm on the list operations (including the list left behind by an
// unfinished last line), and the record filter, in both its forms, against
// its literal loop.
#include <fuzzer/FuzzedDataProvider.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "conversion/input_records.h"
#include "fuzz_support.h"
#include "platform/code_page.h"
#include "reference/record_filter_reference.h"
#include "text/characters.h"
#include "text/errors.h"
#include "text/line_list.h"

namespace {

constexpr int kPages[] = {932, 932, 936, 1252};

// Returns the index the error names, if the last line was unfinished.
std::optional<long long> LiteralJoin(LineList& lines) {
  int i = 0;
  while (i < lines.Count()) {
    const AnsiText line = lines.ItemAt(i);
    const bool commaQuote = RightChars(line, 2) == ",\"";
    if (!commaQuote && RightChars(line, 1) == "\"") {
      ++i;
      continue;
    }
    if (i + 1 >= lines.Count()) return i + 1;
    lines.SetItemAt(i, line + lines.ItemAt(i + 1));
    lines.RemoveAt(i + 1);
  }
  return std::nullopt;
}

// The index is the message's only number.
long long IndexOf(const ListIndexError& error) {
  const AnsiText& m = error.Message();
  return std::stoll(m.substr(m.rfind('(') + 1));
}

std::optional<long long> FastJoin(LineList& lines) {
  try {
    JoinRecordLines(lines);
  } catch (const ListIndexError& error) {
    return IndexOf(error);
  }
  return std::nullopt;
}

// The run's one-pass records of a whole file text against reading its lines
// and joining them.
void CheckWholeText(std::string_view text) {
  LineList expected;
  expected.SplitTextIntoLines(text);
  const std::optional<long long> expectedError = LiteralJoin(expected);
  const fuzz::ExactBytes exact(text);
  std::deque<AnsiText> joined;
  std::vector<std::string_view> records;
  std::optional<long long> error;
  try {
    records = detail::SplitIntoRecords(exact.View(), joined);
  } catch (const ListIndexError& e) {
    error = IndexOf(e);
  }
  FUZZ_CHECK(error == expectedError);
  if (error) return;
  FUZZ_CHECK(records.size() == static_cast<std::size_t>(expected.Count()));
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i] != expected.ItemAt(static_cast<int>(i))) {
      std::fprintf(stderr, "record %zu\n", i);
      fuzz::ReportPair("record", records[i], expected.ItemAt(static_cast<int>(i)));
      FUZZ_CHECK(records[i] == expected.ItemAt(static_cast<int>(i)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  platform::SetAnsiCodePage(kPages[provider.ConsumeIntegralInRange<std::size_t>(0, 3)]);
  LineList filters;
  // Up to 40 lines: from three on, the filter takes its one-pass form.
  for (int n = provider.ConsumeIntegralInRange<int>(0, 40); n > 0; --n)
    filters.Append(provider.ConsumeRandomLengthString(6));

  const std::string rest = provider.ConsumeRemainingBytesAsString();
  CheckWholeText(rest);

  // Physical lines as LF-separated pieces of the rest (CR and NUL kept).
  LineList lines;
  if (!rest.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t lf = rest.find('\n', start);
      lines.Append(rest.substr(start, lf == std::string::npos ? std::string::npos : lf - start));
      if (lf == std::string::npos) break;
      start = lf + 1;
    }
  }

  LineList expected = lines;
  const std::optional<long long> expectedError = LiteralJoin(expected);
  const std::optional<long long> error = FastJoin(lines);
  FUZZ_CHECK(error == expectedError);
  if (lines != expected) {
    std::fprintf(stderr, "%d records, the literal join %d\n", lines.Count(), expected.Count());
    for (int i = 0; i < lines.Count() && i < expected.Count(); ++i) {
      if (lines.ItemAt(i) != expected.ItemAt(i)) {
        fuzz::ReportPair("record", lines.ItemAt(i), expected.ItemAt(i));
        break;
      }
    }
    FUZZ_CHECK(lines == expected);
  }

  const RecordFilter filter(filters);
  for (const AnsiText& record : lines) {
    const bool literal = reference::IsFilteredOutLiterally(record, filters);
    FUZZ_CHECK(filter.Excludes(record) == literal);
    FUZZ_CHECK(IsFilteredOut(record, filters) == literal);
  }
  return 0;
}
