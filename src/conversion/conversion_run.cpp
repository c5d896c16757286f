#include "conversion/conversion_run.h"

#include <exception>
#include <optional>
#include <string>

#include "conversion/event_block.h"
#include "conversion/icalendar_block.h"
#include "conversion/input_records.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/line_stream.h"
#include "text/text_file.h"

namespace {

AnsiText CompletionText(std::int32_t converted, std::int32_t filtered) {
  static const AnsiText done = platform::Cp932FromUtf8("変換と出力が完了しました\r\n\r\n・変換対象: ");
  static const AnsiText filteredHead = platform::Cp932FromUtf8("件\r\n・フィルタ対象: ");
  static const AnsiText unit = platform::Cp932FromUtf8("件");
  return done + std::to_string(converted) + filteredHead + std::to_string(filtered) + unit;
}

// Where records come from: the input's lines read in pieces.
class StreamLines final : public LineSource {
 public:
  explicit StreamLines(ByteSource& source) : lines_(source) {}
  bool Next(std::string_view& line) override { return lines_.Next(line); }

 private:
  LineStream lines_;
};

// Output gathered up to about this size before it is written.
constexpr std::size_t kWriteSize = std::size_t{1} << 20;

}  // namespace

// One streaming pass: the input is read in pieces, each record joined in one
// reused buffer, converted and its block added to an output buffer that goes
// to the (temporary) output file whenever it holds about 1 MiB. Memory stays
// bounded by the pieces and the longest record, however long the export.
// All or nothing as before: the output replaces its path only on Commit,
// after the last record converted. The errors keep their order: the input's
// open error first; then an unfinished last line, so after a record error the
// input is still read (and joined, no longer converted) to its end; then the
// first record error; the output's create or write errors last (OutputFile
// keeps them for Commit).
ConversionResult ConversionRun(const ConversionRequest& request) {
  std::optional<detail::ICalendarWriter> icalendar;
  if (request.Format == OutputFormat::ICalendar) icalendar.emplace(request.OptionLines, platform::OutputTimestamp());

  InputFile input(request.InputPath);
  OutputFile output(request.OutputPath);
  StreamLines lines(input);
  RecordJoiner records(lines);
  const RecordFilter filter(request.FilterLines);

  ConversionResult result;
  LineList fields;
  AnsiText blocks;
  blocks.reserve(kWriteSize + (kWriteSize >> 2));
  if (icalendar) icalendar->AppendHead(blocks);
  std::exception_ptr recordError;
  std::string_view record;
  for (;;) {
    const RecordJoiner::Step step = records.Next(record);
    if (step == RecordJoiner::Step::End) break;
    if (step == RecordJoiner::Step::Unfinished) throw records.UnfinishedError();
    if (records.Count() == 1 || recordError) continue;  // the header, or past a failed record
    if (filter.Excludes(record)) {
      ++result.FilteredCount;
      continue;
    }
    const std::size_t index = records.Count() - 1;
    try {
      SplitCommaText(fields, record);
      if (icalendar) {
        icalendar->AppendEvent(fields, record, records.JoinOffsets(), blocks);
      } else {
        detail::AppendEventBlockText(fields, request.OptionLines, blocks);
      }
    } catch (QuillmerError& error) {
      // The message stays the system's own; the place is for callers that can
      // show more. Kept until the input's end has shown that no unfinished
      // line comes first.
      error.SetPlace({static_cast<long long>(index), records.StartLine()});
      recordError = std::current_exception();
      continue;
    }
    ++result.ConvertedCount;
    if (blocks.size() >= kWriteSize) {
      output.Write(blocks);
      blocks.clear();
    }
  }
  if (recordError) std::rethrow_exception(recordError);
  if (icalendar) icalendar->AppendTail(blocks);

  output.Write(blocks);
  output.Commit();
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
