#pragma once
// The preview: what the convert button would do now, record by record, read
// with the conversion's own code (its record reader, columns and block
// writer) on a thread of its own, and nothing written. Both windows show it.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "conversion/conversion_run.h"
#include "platform/files.h"
#include "conversion/output_comparison.h"
#include "text/text_settings.h"

enum class RecordState { Converted, Filtered, Failed };

enum PreviewColumn { kNumberColumn, kLineColumn, kStateColumn, kTitleColumn, kStartColumn, kEndColumn,
                     kPlaceColumn, kAlarmColumn, kPreviewColumnCount };

// One data record as the list shows it. Cells hold no tab or line break.
struct PreviewRow {
  RecordState state = RecordState::Converted;
  std::u16string text;  // the cells, each followed by a tab but the last
  std::array<std::uint32_t, kPreviewColumnCount> ends{};

  std::u16string_view Cell(int column) const;
};

struct PreviewCounts {
  std::int32_t converted = 0;
  std::int32_t filtered = 0;
  std::int32_t failed = 0;
};

// The rows of one request, read in the background: the caller (the window's
// thread) takes what was read with Update and reads the rows it took.
class PreviewModel {
 public:
  // Starts reading at once; the request's paths, lines and format are kept.
  explicit PreviewModel(ConversionRequest request);
  // Cancels the reading and waits for it: a read that waits for its input
  // (a FIFO nobody writes) is woken, so this returns at once.
  ~PreviewModel();
  PreviewModel(const PreviewModel&) = delete;
  PreviewModel& operator=(const PreviewModel&) = delete;

  // Takes the rows read since the last call; true when anything changed.
  bool Update();
  // Waits until everything is read, then takes it (tests, the benchmark).
  void WaitUntilRead();
  // Ends the reading soon, a waiting read at once; what was read stays. Any thread.
  void Cancel();
  // Everything is read and taken.
  bool Finished() const { return finished_; }

  std::size_t RowCount() const { return rows_.size(); }
  const PreviewRow& Row(std::size_t index) const { return rows_[index]; }
  const PreviewCounts& Counts() const { return counts_; }
  // The first failing record's row, once one was taken.
  std::optional<std::size_t> FirstFailedRow() const { return firstFailed_; }
  // The columns were found by Outlook's titles rather than by position.
  bool ByName() const { return byName_; }
  // The error that ends the reading (the input cannot be opened, its last
  // line is unfinished), as an error box shows it; empty without one.
  const std::u16string& ReadError() const { return readError_; }

  // The lines above the list: the counts, the layout and the format, and
  // whether the conversion would fail.
  std::u16string Summary() const;
  // The request it reads (another zone's preview is made from it).
  const ConversionRequest& Request() const { return request_; }
  // The zone the times are read in, and beside its name the offsets it uses
  // for the export's dates, with what the list's times are.
  const TimeZone& Zone() const { return *settings_.zone; }
  std::u16string ZoneNote() const;
  // How the output compares with the output file as it is, once everything
  // is read (ComparisonText's lines); empty until then.
  std::u16string Comparison() const;
  // The rows as tab-separated lines (CR LF) under a line of column titles.
  std::u16string CopiedText(std::span<const std::size_t> rows) const;
  static std::u16string_view ColumnTitle(int column);
  // The zones a user may choose from, the current one among them.
  static std::vector<std::string> ZoneChoices(const TimeZone& current);

 private:
  void Read();
  // Hands rows to the window, and what the comparer gathered; with
  // readError (empty for none), the last ones.
  void Publish(std::vector<PreviewRow>& rows, const OutputComparer& comparer, std::u16string* readError = nullptr);

  const ConversionRequest request_;
  // The settings of the moment the preview was asked for: the window's
  // thread may reload the process's while this one reads.
  const TextSettings settings_;
  // Shared with the reading thread.
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<PreviewRow> pending_;
  bool pendingByName_ = false;
  bool readDone_ = false;
  std::u16string pendingError_;
  std::optional<StartSpan> pendingStarts_;
  LastOutputState pendingLast_ = LastOutputState::None;
  OutputComparison pendingComparison_;
  std::atomic<bool> stop_{false};
  platform::ReadCancel cancel_;
  // The window's.
  std::vector<PreviewRow> rows_;
  PreviewCounts counts_;
  std::optional<std::size_t> firstFailed_;
  bool byName_ = false;
  bool finished_ = false;
  std::u16string readError_;
  std::optional<StartSpan> starts_;
  LastOutputState last_ = LastOutputState::None;
  OutputComparison comparison_;
  std::thread reader_;
};
