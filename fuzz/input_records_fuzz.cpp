// Joining physical lines into records, against the one-join-at-a-time
// algorithm on the list operations (including the list left behind by an
// unfinished last line).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "conversion/input_records.h"
#include "fuzz_support.h"
#include "platform/code_page.h"
#include "reference/literal_rules.h"
#include "support/harness.h"
#include "text/characters.h"
#include "text/errors.h"
#include "text/line_list.h"
#include "text/line_stream.h"

namespace {

constexpr int kPages[] = {932, 932, 936, 1252};

// The index is the message's only number.
long long IndexOf(const ListIndexError& error) {
  const AnsiText& m = error.Message();
  return std::stoll(m.substr(m.rfind('(') + 1));
}

// Returns the index the error names, if the last line was unfinished.
std::optional<long long> LiteralJoin(LineList& lines) {
  try {
    reference::JoinRecordLinesOneAtATime(lines);
  } catch (const ListIndexError& error) {
    return IndexOf(error);
  }
  return std::nullopt;
}

std::optional<long long> FastJoin(LineList& lines) {
  try {
    JoinRecordLines(lines);
  } catch (const ListIndexError& error) {
    return IndexOf(error);
  }
  return std::nullopt;
}

// The records of a whole file text, in one pass over the text and read in
// pieces as the run reads them, against reading its lines and joining them.
void CheckWholeText(std::string_view text, std::size_t pieceLimit) {
  LineList expected;
  SplitTextIntoLines(expected, text);
  const std::optional<long long> expectedError = LiteralJoin(expected);
  const fuzz::ExactBytes exact(text);
  std::deque<AnsiText> joined;
  std::vector<std::string_view> records;
  std::optional<long long> error;
  try {
    records = SplitIntoRecords(exact.View(), joined);
  } catch (const ListIndexError& e) {
    error = IndexOf(e);
  }
  FUZZ_CHECK(error == expectedError);
  if (!error) {
    FUZZ_CHECK(records.size() == static_cast<std::size_t>(expected.Count()));
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (records[i] != expected.ItemAt(static_cast<int>(i))) {
        std::fprintf(stderr, "record %zu\n", i);
        fuzz::ReportPair("record", records[i], expected.ItemAt(static_cast<int>(i)));
        FUZZ_CHECK(records[i] == expected.ItemAt(static_cast<int>(i)));
      }
    }
  }

  // The run's form: the text read in pieces of every size up to pieceLimit,
  // through a buffer that starts smaller than most lines.
  class Pieces final : public ByteSource {
   public:
    Pieces(std::string_view text, std::size_t limit) : text_(text), limit_(limit) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
      std::size_t n = std::min({capacity, text_.size(), 1 + (next_++ % limit_)});
      std::memcpy(buffer, text_.data(), n);
      text_.remove_prefix(n);
      return n;
    }

   private:
    std::string_view text_;
    std::size_t limit_;
    std::size_t next_ = 0;
  } pieces(text, pieceLimit);
  class StreamLines final : public LineSource {
   public:
    explicit StreamLines(ByteSource& source, std::size_t bufferSize) : lines_(source, bufferSize) {}
    bool Next(std::string_view& line) override { return lines_.Next(line); }

   private:
    LineStream lines_;
  } lines(pieces, 1 + pieceLimit / 2);
  RecordJoiner joiner(lines);
  std::string_view record;
  // An export with a NUL, or a byte-order mark at its start, is refused after
  // the records before that line: those are the whole text's first ones.
  const bool refused = text.find('\0') != std::string_view::npos || text.starts_with("\xEF\xBB\xBF") ||
                       text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
  try {
    for (int i = 0;; ++i) {
      const RecordJoiner::Step step = joiner.Next(record);
      if (step != RecordJoiner::Step::Record) FUZZ_CHECK(!refused);
      if (step == RecordJoiner::Step::End) {
        FUZZ_CHECK(!expectedError && i == expected.Count());
        break;
      }
      if (step == RecordJoiner::Step::Unfinished) {
        FUZZ_CHECK(expectedError && static_cast<long long>(joiner.Count()) + 1 == *expectedError);
        break;
      }
      FUZZ_CHECK(i < expected.Count());
      if (record != expected.ItemAt(i)) {
        fuzz::ReportPair("streamed record", record, expected.ItemAt(i));
        FUZZ_CHECK(record == expected.ItemAt(i));
      }
    }
  } catch (const PlainError&) {
    FUZZ_CHECK(refused);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  platform::SetAnsiCodePage(kPages[provider.ConsumeIntegralInRange<std::size_t>(0, 3)]);

  const std::size_t pieceLimit = provider.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::string rest = provider.ConsumeRemainingBytesAsString();
  CheckWholeText(rest, pieceLimit);

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
  return 0;
}
