#include "conversion/conversion_run.h"

#include <algorithm>
#include <optional>
#include <string>

#include "conversion/event_block_text.h"
#include "conversion/icalendar_block.h"
#include "conversion/input_records.h"
#include "conversion/record_text.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace {

AnsiText CompletionText(std::int32_t converted, std::int32_t filtered) {
  static const AnsiText done = platform::Cp932FromUtf8("変換と出力が完了しました\r\n\r\n・変換対象: ");
  static const AnsiText filteredHead = platform::Cp932FromUtf8("件\r\n・フィルタ対象: ");
  static const AnsiText unit = platform::Cp932FromUtf8("件");
  return done + std::to_string(converted) + filteredHead + std::to_string(filtered) + unit;
}

// Room for the output, so that it is not copied as it grows. A block is about
// 250 fixed bytes, the options, and its title and description encoded at up
// to three bytes per byte; pages reserved but never written cost nothing.
std::size_t OutputSizeGuess(const std::vector<std::string_view>& records, const LineList& optionLines) {
  std::size_t options = 0;
  for (const AnsiText& line : optionLines) options += line.size() + 2;
  std::size_t size = 0;
  for (std::size_t i = 1; i < records.size(); ++i) size += 256 + options + 3 * std::min<std::size_t>(records[i].size(), 320);
  return size;
}

}  // namespace

ConversionResult ConversionRun(const ConversionRequest& request) {
  std::optional<detail::ICalendarWriter> icalendar;
  if (request.Format == OutputFormat::ICalendar) icalendar.emplace(request.OptionLines, platform::OutputTimestamp());

  // The records come straight from the file's bytes, as reading its lines and
  // joining them would give them, without a string per physical line.
  const std::string input = LoadFileBytes(request.InputPath);
  std::deque<AnsiText> joinedRecords;
  std::vector<long long> startLines;
  const std::vector<std::string_view> records = detail::SplitIntoRecords(
      input, joinedRecords, &startLines, icalendar ? &icalendar->LineBreaks() : nullptr);

  // The output is the text of the output list (every item followed by CR LF),
  // built as it grows instead of as a million small items joined at the end.
  ConversionResult result;
  LineList fields;
  AnsiText output;
  output.reserve(OutputSizeGuess(records, request.OptionLines));
  if (icalendar) icalendar->AppendHead(output);
  for (std::size_t i = 1; i < records.size(); ++i) {
    try {
      if (IsFilteredOut(records[i], request.FilterLines)) {
        ++result.FilteredCount;
      } else {
        ++result.ConvertedCount;
        SplitCommaText(fields, records[i]);
        if (icalendar) {
          icalendar->AppendEvent(fields, records[i], i, output);
        } else {
          detail::AppendEventBlockText(fields, request.OptionLines, output);
        }
      }
    } catch (QuillmerError& error) {
      // The message stays the system's own; the place is for callers that can show more.
      error.SetPlace({static_cast<long long>(i), startLines[i]});
      throw;
    }
  }
  if (icalendar) icalendar->AppendTail(output);

  SaveFileBytes(request.OutputPath, output);
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
