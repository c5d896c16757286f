#include "conversion/conversion_run.h"

#include <algorithm>
#include <exception>

#include "conversion/block_writer.h"
#include "conversion/ordered_output.h"
#include "conversion/record_converter.h"
#include "conversion/record_filter.h"
#include "conversion/record_ring.h"
#include "conversion/timestamps.h"
#include "text/errors.h"
#include "text/text_file.h"
#include "text/text_settings.h"

namespace {

// A slot's output made ahead, handed on in pieces, each UID's occurrence
// number counted here, in the records' order.
void WriteAhead(const RecordSlot::Ahead& ahead, BlockOutput& out) {
  std::size_t from = 0;
  auto copyTo = [&](std::size_t to) {
    while (from < to) {
      const std::size_t n = std::min(to - from, BlockWriter::kPieceSize);
      out.Text().append(ahead.text, from, n);
      from += n;
      out.Step();
    }
  };
  constexpr std::size_t kPrefetchDistance = 8;
  for (std::size_t k = 0; k < ahead.marks.size(); ++k) {
    if (k + kPrefetchDistance < ahead.marks.size()) out.ExpectOccurrence(ahead.marks[k + kPrefetchDistance].hash);
    copyTo(ahead.marks[k].at);
    out.AppendOccurrence(ahead.marks[k].hash);
  }
  copyTo(ahead.text.size());
}

RingOptions RingOptionsFor(const RunOptions& run) {
  RingOptions ring;
  ring.threads = run.threads;
  ring.convertAhead = run.convertAhead;
  if (run.aheadBytes != 0) ring.aheadBytes = run.aheadBytes;
  if (run.slotBytes != 0) ring.slotBytes = run.slotBytes;
  return ring;
}

}  // namespace

TextSettings RunSettings(const ConversionRequest& request) {
  TextSettings settings = CaptureTextSettings();
  if (request.Zone) settings.zone = request.Zone;
  return settings;
}

// One streaming pass, a ring of four slots between two threads:
//
//   reader:  input -> join -> filter -> [slot: records]           (in order)
//   either:  [slot: records] -> convert -> [slot: output, marks]  (oldest
//            filled slot, by a thread that would otherwise wait; at most
//            4 MiB of output, the rest left for the caller)
//   caller:  takes slots in order; copies their output made ahead, counting
//            the UID numbers at the marks; converts what is left straight
//            into the output pieces; keeps the first error and the counts
//   either:  output pieces of about 1 MiB -> the (temporary) output file
//
// Memory stays bounded by the slots and pieces, however long the export.
// All or nothing: the output replaces its path only on Commit, after the last
// record converted. The errors keep their order: the input's open error
// first; then a reading error (an unfinished last line, a NUL), so after a
// record error the input is still read to its end; then the first record
// error; the output's create or write errors last (kept for Commit).
ConversionResult ConversionRun(const ConversionRequest& request) {
  // Both threads read under the settings of the run's start.
  const TextSettings settings = RunSettings(request);
  const TextSettingsScope scope(settings);
  const RecordConverter converter(request.Format, request.OptionLines,
                                  request.Format == OutputFormat::ICalendar ? OutputTimestamp() : 0, settings.zone);
  InputFile input(request.InputPath);
  OutputFile output(request.OutputPath);
  const RecordFilter filter(request.FilterLines);
  BlockWriter writer(output);
  OccurrenceCounter occurrences;
  PieceOutput out(writer, occurrences);
  RecordRing ring(input, filter, converter, writer, settings, RingOptionsFor(request.Options));

  ConversionResult result;
  converter.AppendHead(out.Text());
  // A record error is kept until the input's end has shown that no reading
  // error comes first.
  std::exception_ptr recordError;
  while (RecordSlot* slot = ring.Next()) {
    if (recordError) continue;
    result.FilteredCount += slot->filtered;
    std::size_t done = 0;
    if (slot->ahead.done) {
      WriteAhead(slot->ahead, out);
      done = slot->ahead.converted;
      recordError = slot->ahead.error;
    }
    for (; !recordError && done < slot->records.size(); ++done) {
      try {
        ConvertSlotRecord(converter, *slot, done, out);
      } catch (...) {
        recordError = std::current_exception();
        break;
      }
      out.Step();
    }
    result.ConvertedCount += static_cast<std::int32_t>(done);
    if (recordError) ring.StopConverting();
  }
  if (recordError) std::rethrow_exception(recordError);
  converter.AppendTail(out.Text());

  writer.Finish();
  output.Commit();
  return result;
}
