#include "conversion/conversion_run.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "conversion/block_output.h"
#include "conversion/block_writer.h"
#include "conversion/event_block.h"
#include "conversion/icalendar_block.h"
#include "conversion/input_records.h"
#include "conversion/record_batches.h"
#include "conversion/record_filter.h"
#include "conversion/timestamps.h"
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

// One streaming pass over two threads: the input is read in pieces and its
// records joined and filtered in batches on a thread of their own (once there
// is more than one batch); each batch is split into fields and converted,
// in order, here, and its blocks added to output pieces of about 1 MiB that
// go to the (temporary) output file. The work that need not wait for its
// turn goes to whichever thread is free: the reader, with no room to read
// into, splits and converts batches ahead (a block depends on its record
// alone, but for the count of equal records in an iCalendar UID, which is
// settled here in order), and either thread, rather than wait for the
// other, writes the pieces waiting. Memory
// stays bounded by the pieces, the batches in flight and the longest record,
// however long the export. All or nothing as before: the output replaces its
// path only on Commit, after the last record converted. The errors keep their
// order: the input's open error first; then an unfinished last line, so
// after a record error the input is still read (and joined, no longer
// converted) to its end; then the first record error; the output's create or
// write errors last (OutputFile keeps them for Commit).
ConversionResult ConversionRun(const ConversionRequest& request) {
  std::optional<detail::ICalendarWriter> icalendar;
  if (request.Format == OutputFormat::ICalendar) icalendar.emplace(request.OptionLines, OutputTimestamp());

  // Converts a batch's records from `first` into blocks, as far as the first
  // that fails: in order into the writer's pieces, or ahead (on the reading
  // thread, with a buffer of its own) into into.blocks, where an iCalendar
  // event's UID waits for its count in order. Ahead, a batch keeps no more
  // than kAheadBytes of blocks (long option lines make every block long),
  // and leaves a long record alone: the caller converts the rest in its
  // turn, where a long value's bytes go to the file as they are made.
  constexpr std::size_t kAheadBytes = std::size_t{4} << 20;
  constexpr std::size_t kAheadRecordBytes = std::size_t{1} << 20;
  std::vector<std::size_t> noteBreaksAhead;
  auto convert = [&request, &icalendar, &noteBreaksAhead](const RecordBatch& batch, std::size_t first,
                                                          RecordBatch::Converted& into, BlockWriter* writer) {
    for (std::size_t i = first; i < batch.records.size(); ++i) {
      if (!writer && (into.blocks.size() >= kAheadBytes || batch.Text(i).size() > kAheadRecordBytes)) return;
      BlockOutput blocks = writer ? BlockOutput(writer->Piece(),
                                                [writer]() -> AnsiText& {
                                                  writer->PieceMayBeFull();
                                                  return writer->Piece();
                                                })
                                  : BlockOutput(into.blocks);
      try {
        const FieldViews fields = batch.Fields(i);
        const EventRecord record(fields, *batch.columns);
        if (!icalendar) {
          detail::AppendEventBlockText(record, request.OptionLines, blocks);
        } else if (writer) {
          icalendar->AppendEvent(record, batch.Text(i), batch.Joins(i), blocks);
        } else {
          std::size_t at = 0;
          const std::uint64_t hash = icalendar->AppendUncountedEvent(record, batch.Text(i), batch.Joins(i),
                                                                     noteBreaksAhead, into.blocks, at);
          into.counts.push_back({hash, at});
        }
      } catch (QuillmerError& error) {
        // The message stays the system's own; the place is for callers that
        // can show more.
        const RecordBatch::Record& place = batch.records[i];
        error.SetPlace({static_cast<long long>(place.index), place.startLine});
        into.error = std::current_exception();
        return;
      }
      ++into.converted;
      if (writer) writer->PieceMayBeFull();
    }
  };
  const RecordBatches::ConvertAhead convertAhead = [&convert](const RecordBatch& batch,
                                                              RecordBatch::Converted& into) {
    convert(batch, 0, into, nullptr);
  };

  InputFile input(request.InputPath);
  OutputFile output(request.OutputPath);
  const RecordFilter filter(request.FilterLines);
  // The reading thread may write pieces: it ends before the writer.
  BlockWriter writer(output);
  RecordBatches batches(input, filter, convertAhead, [&writer] { return writer.WriteWaitingPiece(); });

  ConversionResult result;
  if (icalendar) icalendar->AppendHead(writer.Piece());
  // A record error is kept until the input's end has shown that no
  // unfinished line comes first.
  std::exception_ptr recordError;
  RecordBatch::Converted here;
  while (const RecordBatch* batch = batches.Next()) {
    if (recordError) continue;  // past a failed record
    result.FilteredCount += batch->filtered;
    const RecordBatch::Converted* converted = &batch->ahead;
    std::size_t done = 0;  // records converted ahead
    if (converted->done && !converted->error) {
      // The counts are settled here, in order; a repeat's number replaces
      // the "1" written ahead.
      AnsiText& piece = writer.Piece();
      std::size_t from = 0;
      for (const RecordBatch::OrderedCount& count : converted->counts) {
        const std::uint32_t occurrence = icalendar->CountOccurrence(count.key);
        if (occurrence == 1) continue;
        piece.append(converted->blocks, from, count.at - from).append(std::to_string(occurrence));
        from = count.at + 1;
      }
      piece.append(converted->blocks, from);
      writer.PieceMayBeFull();
      done = converted->converted;
    }
    if (!converted->done || (!converted->error && done < batch->records.size())) {
      // Not converted ahead, or only in part: the rest here, in order.
      here = {};
      convert(*batch, done, here, &writer);
      here.converted += done;
      converted = &here;
    }
    result.ConvertedCount += static_cast<std::int32_t>(converted->converted);
    recordError = converted->error;
  }
  if (recordError) std::rethrow_exception(recordError);
  if (icalendar) icalendar->AppendTail(writer.Piece());

  writer.Finish();
  output.Commit();
  result.CompletionMessage = CompletionText(result.ConvertedCount, result.FilteredCount);
  return result;
}
