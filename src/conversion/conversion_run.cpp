#include "conversion/conversion_run.h"

#include <exception>
#include <optional>
#include <string>

#include "conversion/block_writer.h"
#include "conversion/event_block.h"
#include "conversion/icalendar_block.h"
#include "conversion/input_records.h"
#include "conversion/record_batches.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace {

AnsiText CompletionText(std::int32_t converted, std::int32_t filtered) {
  static const AnsiText done = platform::Cp932FromUtf8("変換と出力が完了しました\r\n\r\n・変換対象: ");
  static const AnsiText filteredHead = platform::Cp932FromUtf8("件\r\n・フィルタ対象: ");
  static const AnsiText unit = platform::Cp932FromUtf8("件");
  return done + std::to_string(converted) + filteredHead + std::to_string(filtered) + unit;
}

}  // namespace

// One streaming pass: the input is read in pieces and its records joined,
// filtered and split into fields in batches (on a thread of their own once there is more than one
// batch); each record is converted here and its block added to an output
// buffer that goes to the (temporary) output file whenever it holds about
// 1 MiB. Memory stays bounded by the pieces, the batches in flight and the
// longest record, however long the export. All or nothing as before: the
// output replaces its path only on Commit, after the last record converted.
// The errors keep their order: the input's open error first; then an
// unfinished last line, so after a record error the input is still read (and
// joined, no longer converted) to its end; then the first record error; the
// output's create or write errors last (OutputFile keeps them for Commit).
ConversionResult ConversionRun(const ConversionRequest& request) {
  std::optional<detail::ICalendarWriter> icalendar;
  if (request.Format == OutputFormat::ICalendar) icalendar.emplace(request.OptionLines, platform::OutputTimestamp());

  InputFile input(request.InputPath);
  OutputFile output(request.OutputPath);
  const RecordFilter filter(request.FilterLines);
  RecordBatches batches(input, filter);

  ConversionResult result;
  BlockWriter writer(output);
  if (icalendar) icalendar->AppendHead(writer.Piece());
  std::exception_ptr recordError;
  while (const RecordBatch* batch = batches.Next()) {
    if (recordError) continue;  // past a failed record
    result.FilteredCount += batch->filtered;
    for (std::size_t i = 0; i < batch->records.size(); ++i) {
      const FieldViews fields = batch->Fields(i);
      AnsiText& blocks = writer.Piece();
      try {
        if (icalendar) {
          icalendar->AppendEvent(fields, batch->Text(i), batch->Joins(i), blocks);
        } else {
          detail::AppendEventBlockText(fields, request.OptionLines, blocks);
        }
      } catch (QuillmerError& error) {
        // The message stays the system's own; the place is for callers that
        // can show more. Kept until the input's end has shown that no
        // unfinished line comes first.
        const RecordBatch::Record& place = batch->records[i];
        error.SetPlace({static_cast<long long>(place.index), place.startLine});
        recordError = std::current_exception();
        break;
      }
      ++result.ConvertedCount;
      writer.PieceMayBeFull();
    }
  }
  if (recordError) std::rethrow_exception(recordError);
  if (icalendar) icalendar->AppendTail(writer.Piece());

  writer.Finish();
  output.Commit();
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
