#include "conversion/conversion_run.h"

#include <string>
#include <utility>

#include "conversion/event_block_text.h"
#include "conversion/input_records.h"
#include "platform/code_page.h"
#include "text/comma_text.h"
#include "text/text_file.h"

namespace {

AnsiText CompletionText(std::int32_t converted, std::int32_t filtered) {
  static const AnsiText done = platform::Cp932FromUtf8("変換と出力が完了しました\r\n\r\n・変換対象: ");
  static const AnsiText filteredHead = platform::Cp932FromUtf8("件\r\n・フィルタ対象: ");
  static const AnsiText unit = platform::Cp932FromUtf8("件");
  return done + std::to_string(converted) + filteredHead + std::to_string(filtered) + unit;
}

}  // namespace

ConversionResult ConversionRun(const ConversionRequest& request) {
  LineList records;
  records.LoadLinesFromFile(request.InputPath);
  JoinRecordLines(records);

  // The output is the text of the output list (every item followed by CR LF),
  // built as it grows instead of as a million small items joined at the end.
  ConversionResult result;
  LineList fields;
  AnsiText output;
  std::vector<AnsiText>& recordItems = records.Items();
  for (std::size_t i = 1; i < recordItems.size(); ++i) {
    if (IsFilteredOut(recordItems[i], request.FilterLines)) {
      ++result.FilteredCount;
    } else {
      ++result.ConvertedCount;
      SplitCommaText(fields, recordItems[i]);
      detail::AppendEventBlockText(fields, request.OptionLines, output);
    }
    // A record is not needed once converted; giving it back keeps the peak
    // near the larger of input and output rather than their sum.
    AnsiText().swap(recordItems[i]);
  }
  std::vector<AnsiText>().swap(recordItems);

  SaveFileBytes(request.OutputPath, output);
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
