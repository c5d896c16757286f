#include "conversion/conversion_run.h"

#include <iterator>
#include <string>
#include <utility>

#include "conversion/event_block.h"
#include "conversion/input_records.h"
#include "platform/code_page.h"
#include "text/comma_text.h"

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

  ConversionResult result;
  LineList fields;
  LineList output;
  std::vector<AnsiText>& recordItems = records.Items();
  std::vector<AnsiText>& outputItems = output.Items();
  for (std::size_t i = 1; i < recordItems.size(); ++i) {
    if (IsFilteredOut(recordItems[i], request.FilterLines)) {
      ++result.FilteredCount;
    } else {
      ++result.ConvertedCount;
      SplitCommaText(fields, recordItems[i]);
      LineList block = BuildEventBlock(fields, request.OptionLines);
      outputItems.insert(outputItems.end(), std::make_move_iterator(block.Items().begin()),
                         std::make_move_iterator(block.Items().end()));
    }
    // A record is not needed once converted; giving it back keeps the peak
    // near the larger of input and output rather than their sum.
    AnsiText().swap(recordItems[i]);
  }
  std::vector<AnsiText>().swap(recordItems);

  output.SaveLinesToFile(request.OutputPath);
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
