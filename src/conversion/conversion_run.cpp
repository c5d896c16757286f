#include "conversion/conversion_run.h"

#include <algorithm>
#include <exception>
#include <optional>

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

// Records in their order, straight into the output pieces: at each safe
// point a full piece is handed over, so that even one long record's output
// goes to the file in steps.
class PieceOutput final : public OrderedOutput {
 public:
  PieceOutput(RecordRing& ring, OccurrenceCounter& counter)
      : OrderedOutput(ring.Piece(), counter, ring.PieceBytes()), ring_(ring) {}

 protected:
  void HandOn() override {
    ring_.HandOverPiece();
    text_ = &ring_.Piece();
  }

 private:
  RecordRing& ring_;
};

// A slot's output made ahead, handed on in pieces, each UID's occurrence
// number counted here, in the records' order.
void WriteAhead(const RecordSlot::Ahead& ahead, std::size_t pieceBytes, BlockOutput& out) {
  std::size_t from = 0;
  auto copyTo = [&](std::size_t to) {
    while (from < to) {
      const std::size_t n = std::min(to - from, pieceBytes);
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

}  // namespace

TextSettings RunSettings(const ConversionRequest& request) {
  TextSettings settings = CaptureTextSettings();
  if (request.Zone) settings.zone = request.Zone;
  return settings;
}

// One streaming pass; record_ring.h shows how its two threads share it.
// Memory stays bounded by the slots and pieces, however long the export.
// All or nothing: the output replaces its path only on Commit, after the last
// record converted. The errors keep their order: the input's open error
// first; then a reading error (an unfinished last line, a NUL), so after a
// record error the input is still read to its end; then the first record
// error; the output's create or write errors last (kept for Commit).
// Into sink, or (nullptr) into the output file, which is made only once the
// input is open.
ConversionResult ConversionRun(const ConversionRequest& request, ByteSink* sink, const RunOptions& options) {
  // Both threads read under the settings of the run's start.
  const TextSettings settings = RunSettings(request);
  const TextSettingsScope scope(settings);
  const RecordConverter converter(request.Format, request.OptionLines,
                                  request.Format == OutputFormat::ICalendar ? OutputTimestamp() : 0, settings.zone);
  InputFile input(request.InputPath);
  std::optional<OutputFile> file;
  if (sink == nullptr) sink = &file.emplace(request.OutputPath);
  const RecordFilter filter(request.FilterLines);
  RecordRing ring(input, filter, converter, *sink, settings, options);
  OccurrenceCounter occurrences;
  PieceOutput out(ring, occurrences);

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
      WriteAhead(slot->ahead, ring.PieceBytes(), out);
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

  ring.FinishOutput();
  if (file) file->Commit();
  return result;
}

ConversionResult ConversionRun(const ConversionRequest& request) { return ConversionRun(request, nullptr, {}); }

ConversionResult ConversionRun(const ConversionRequest& request, ByteSink& output) {
  return ConversionRun(request, &output, {});
}
