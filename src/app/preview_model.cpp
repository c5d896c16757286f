#include "app/preview_model.h"

#include <exception>
#include <string>
#include <utility>

#include "app/error_text.h"
#include "conversion/event_columns.h"
#include "conversion/input_records.h"
#include "conversion/ordered_output.h"
#include "conversion/record_converter.h"
#include "conversion/record_filter.h"
#include "conversion/timestamps.h"
#include "platform/code_page.h"
#include "text/characters.h"
#include "text/date_time_format.h"
#include "text/errors.h"
#include "text/line_stream.h"
#include "text/text_file.h"

namespace {

// The first rows go to the window at once; later ones in larger chunks, so
// that taking them costs the window little however long the export.
constexpr std::size_t kFirstChunk = 64;
constexpr std::size_t kChunk = 4096;

class StreamLines final : public LineSource {
 public:
  explicit StreamLines(ByteSource& input) : stream_(input) {}
  bool Next(std::string_view& line) override { return stream_.Next(line); }

 private:
  LineStream stream_;
};

std::u16string Decoded(std::string_view ansi) { return ActiveCodePage().ToUtf16(ansi); }

std::u16string Number(long long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// The filter line that left the record out: the first that occurs in it on
// a character start, as the filter tests each line.
std::u16string MatchedFilterLine(std::string_view record, const LineList& filterLines) {
  record = record.substr(0, record.find('\0'));
  for (const AnsiText& line : filterLines) {
    const std::string_view needle = std::string_view(line).substr(0, line.find('\0'));
    if (!needle.empty() && FindSubstringIndex(needle, record) != std::string_view::npos) return Decoded(needle);
  }
  return {};
}

// A date and time column pair as read: the date's value by the regional
// settings (only the date for an all-day appointment), or the columns' text
// when they read as no date.
std::u16string WhenText(const EventRecord& record, EventField date, EventField time, bool dateOnly) {
  const std::optional<std::string_view> dateText = record.Optional(date);
  if (!dateText) return {};
  const std::string_view timeText = record.Optional(time).value_or(std::string_view());
  try {
    const DateTime value = ParseLocalDateTime(*dateText, timeText);
    return Decoded(FormatDateTimeText(dateOnly ? "yyyy/mm/dd" : "yyyy/mm/dd hh:nn", value));
  } catch (const QuillmerError&) {
    AnsiText shown(TrimmedBlanks(*dateText));
    if (!TrimmedBlanks(timeText).empty()) shown.append(" ").append(TrimmedBlanks(timeText));
    return Decoded(shown);
  }
}

class RowBuilder {
 public:
  explicit RowBuilder(PreviewRow& row) : row_(row) {}
  void Cell(std::u16string_view text) {
    for (const char16_t unit : text) row_.text += unit < 0x20 ? u' ' : unit;
    row_.ends[column_++] = static_cast<std::uint32_t>(row_.text.size());
    if (column_ < kPreviewColumnCount) row_.text += u'\t';
  }

 private:
  PreviewRow& row_;
  int column_ = 0;
};

// The output of a record is only made to see whether it fails: it is thrown
// away in steps, so that a long record needs no room for all of it.
class DiscardingOutput final : public OrderedOutput {
 public:
  DiscardingOutput(AnsiText& text, OccurrenceCounter& counter) : OrderedOutput(text, counter, std::size_t{1} << 20) {}

 protected:
  void HandOn() override { text_->clear(); }
};

const char16_t* StateWord(RecordState state) {
  switch (state) {
    case RecordState::Converted:
      return u"変換";
    case RecordState::Filtered:
      return u"フィルタ対象";
    case RecordState::Failed:
      return u"エラー";
  }
  return u"";
}

}  // namespace

std::u16string_view PreviewRow::Cell(int column) const {
  const std::size_t begin = column == 0 ? 0 : ends[static_cast<std::size_t>(column - 1)] + 1;
  return std::u16string_view(text).substr(begin, ends[static_cast<std::size_t>(column)] - begin);
}

PreviewModel::PreviewModel(ConversionRequest request)
    : request_(std::move(request)), settings_(RunSettings(request_)) {
  reader_ = std::thread([this] { Read(); });
}

PreviewModel::~PreviewModel() {
  stop_ = true;
  reader_.join();
}

// The conversion's reading, record by record: the same joiner, filter,
// columns and block writer, each record converted into a scratch buffer that
// is thrown away. Unlike the conversion it goes on after a failing record,
// so that every record's state is shown.
void PreviewModel::Read() {
  const TextSettingsScope scope(settings_);
  std::vector<PreviewRow> rows;
  std::u16string error;
  try {
    InputFile input(request_.InputPath);
    StreamLines lines(input);
    RecordJoiner joiner(lines);
    const RecordFilter filter(request_.FilterLines);
    EventColumns columns;
    const RecordConverter converter(request_.Format, request_.OptionLines,
                                    request_.Format == OutputFormat::ICalendar ? OutputTimestamp() : 0,
                                    settings_.zone);
    OccurrenceCounter occurrences;
    std::vector<FieldPlace> places;
    AnsiText reduced;
    std::vector<std::string_view> fields;
    AnsiText scratch;
    std::size_t chunk = kFirstChunk;
    std::string_view text;
    while (!stop_) {
      const RecordJoiner::Step step = joiner.Next(text);
      if (step == RecordJoiner::Step::End) break;
      if (step == RecordJoiner::Step::Unfinished) throw joiner.UnfinishedError();
      if (joiner.Count() == 1) {
        columns = EventColumns::FromHeader(text);
        const std::lock_guard<std::mutex> lock(mutex_);
        pendingByName_ = columns.ByName();
        continue;
      }

      places.clear();
      reduced.clear();
      fields.clear();
      FindCommaFields(text, places, reduced);
      for (const FieldPlace& place : places) fields.push_back(FieldValue(place, text, reduced));
      const EventRecord record{FieldViews(fields), columns};

      PreviewRow& row = rows.emplace_back();
      std::u16string state;
      if (filter.Excludes(text)) {
        row.state = RecordState::Filtered;
        state = MatchedFilterLine(text, request_.FilterLines);
      } else {
        try {
          scratch.clear();
          DiscardingOutput sink(scratch, occurrences);
          converter.Convert(record, text, joiner.JoinOffsets(), sink);
        } catch (const QuillmerError& failure) {
          row.state = RecordState::Failed;
          state = ShownErrorText(failure);
        }
      }
      state.insert(0, state.empty() ? u"" : u": ").insert(0, StateWord(row.state));

      RowBuilder cells(row);
      cells.Cell(Number(static_cast<long long>(joiner.Count() - 1)));
      cells.Cell(Number(joiner.StartLine()));
      cells.Cell(state);
      cells.Cell(Decoded(record.Optional(EventField::Title).value_or("")));
      const bool allDay = record.Flag(EventField::AllDay);
      cells.Cell(WhenText(record, EventField::StartDate, EventField::StartTime, allDay));
      cells.Cell(WhenText(record, EventField::EndDate, EventField::EndTime, allDay));
      cells.Cell(Decoded(record.Optional(EventField::Place).value_or("")));
      bool alarm = false;
      try {
        alarm = record.AlarmOn();
      } catch (const QuillmerError&) {
        // A record too short for the flag shows no alarm; its row says why.
      }
      cells.Cell(alarm ? WhenText(record, EventField::AlarmDate, EventField::AlarmTime, false) : u"");

      if (rows.size() >= chunk) {
        Publish(rows);
        chunk = kChunk;
      }
    }
  } catch (const QuillmerError& failure) {
    error = ShownErrorText(failure);
  } catch (const std::exception& failure) {
    const std::string_view what = failure.what();
    error.assign(what.begin(), what.end());
  }
  Publish(rows, &error);
}

void PreviewModel::Publish(std::vector<PreviewRow>& rows, std::u16string* readError) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (pending_.empty()) {
    pending_.swap(rows);
  } else {
    pending_.insert(pending_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  }
  rows.clear();
  if (readError) {
    pendingError_ = std::move(*readError);
    readDone_ = true;
    done_.notify_all();
  }
}

bool PreviewModel::Update() {
  if (finished_) return false;
  std::vector<PreviewRow> taken;
  bool done;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(pending_);
    byName_ = pendingByName_;
    done = readDone_;
    if (done) readError_ = pendingError_;
  }
  rows_.reserve(rows_.size() + taken.size());
  for (PreviewRow& row : taken) {
    if (row.state == RecordState::Converted) ++counts_.converted;
    if (row.state == RecordState::Filtered) ++counts_.filtered;
    if (row.state == RecordState::Failed) {
      ++counts_.failed;
      if (!firstFailed_) firstFailed_ = rows_.size();
    }
    rows_.push_back(std::move(row));
  }
  finished_ = done;
  return !taken.empty() || done;
}

void PreviewModel::WaitUntilRead() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return readDone_; });
  }
  Update();
}

std::u16string PreviewModel::Summary() const {
  std::u16string text = u"・変換対象: " + Number(counts_.converted) + u"件　・フィルタ対象: " +
                        Number(counts_.filtered) + u"件";
  if (counts_.failed > 0) text += u"　・エラー: " + Number(counts_.failed) + u"件";
  if (!finished_) text += u"　(読み込み中...)";
  text += byName_ ? u"\n列: 見出しにある Outlook の列名で読みます"
                  : u"\n列: 10列を並びの位置で読みます";
  text += request_.Format == OutputFormat::ICalendar ? u"\n出力形式: iCalendar 2.0 (出力ファイル名の .ics による)"
                                                     : u"\n出力形式: vCalendar 1.0";
  if (!readError_.empty()) text += u"\n読み込みエラー: " + readError_;
  if (!readError_.empty() || counts_.failed > 0)
    text += u"\n変換と出力はエラーで中止され、出力ファイルは変わりません。";
  return text;
}

std::u16string_view PreviewModel::ColumnTitle(int column) {
  static constexpr std::u16string_view kTitles[kPreviewColumnCount] = {
      u"番号", u"行", u"状態", u"件名", u"開始", u"終了", u"場所", u"アラーム"};
  return kTitles[column];
}

std::u16string PreviewModel::CopiedText(std::span<const std::size_t> rows) const {
  std::u16string text;
  for (int column = 0; column < kPreviewColumnCount; ++column) {
    if (column > 0) text += u'\t';
    text += ColumnTitle(column);
  }
  text += u"\r\n";
  for (const std::size_t row : rows) text.append(rows_[row].text).append(u"\r\n");
  return text;
}
