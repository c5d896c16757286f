#include "support/harness.h"

#include <cstdint>
#include <utility>

#include "conversion/block_output.h"
#include "conversion/event_block.h"
#include "conversion/event_columns.h"
#include "conversion/input_records.h"
#include "conversion/record_filter.h"
#include "conversion/timestamps.h"
#include "text/character_cursor.h"
#include "text/characters.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/line_cursor.h"
#include "text/text_file.h"
#include "text/text_settings.h"
#include "text/time_zone.h"

void SetItemAt(LineList& list, int index, AnsiText item) {
  CheckListIndex(index, list.Count());
  list.Items()[static_cast<std::size_t>(index)] = std::move(item);
}

void RemoveAt(LineList& list, int index) {
  CheckListIndex(index, list.Count());
  list.Items().erase(list.Items().begin() + index);
}

void AppendAll(LineList& list, const LineList& source) {
  // The count is taken once, so appending a list to itself doubles it; the
  // reservation keeps the source items in place while they are copied.
  std::vector<AnsiText>& items = list.Items();
  const std::size_t count = source.Items().size();
  items.reserve(items.size() + count);
  for (std::size_t i = 0; i < count; ++i) items.push_back(source.Items()[i]);
}

void ReplaceAll(LineList& list, const LineList& source) {
  if (&source == &list) return;
  list.Items() = source.Items();
}

void SplitTextIntoLines(LineList& list, std::string_view text) {
  list.Items().clear();
  LineCursor cursor(text);
  for (std::string_view line; cursor.Next(line);) list.Items().emplace_back(line);
}

AnsiText JoinLinesToText(const LineList& list) {
  std::size_t size = 0;
  for (const AnsiText& item : list) size += item.size() + 2;
  AnsiText text;
  text.reserve(size);
  for (const AnsiText& item : list) {
    text += item;
    text += "\r\n";
  }
  return text;
}

void LoadLinesFromFile(LineList& list, const AnsiText& path) {
  // Read first: a file that cannot be opened leaves the items as they were.
  std::string bytes = LoadFileBytes(path);
  SplitTextIntoLines(list, bytes);
}

void SaveLinesToFile(const LineList& list, const AnsiText& path) { SaveFileBytes(path, JoinLinesToText(list)); }

void JoinRecordLines(LineList& lines) {
  // One compacting pass: a record of one line is moved, a joined one is
  // written over the first of its lines.
  std::vector<AnsiText>& items = lines.Items();
  class ItemLines final : public LineSource {
   public:
    explicit ItemLines(const std::vector<AnsiText>& items) : items_(items) {}
    bool Next(std::string_view& line) override {
      if (read_ == items_.size()) return false;
      line = items_[read_++];
      return true;
    }
    std::size_t read_ = 0;

   private:
    const std::vector<AnsiText>& items_;
  } source(items);
  RecordJoiner joiner(source);
  std::size_t written = 0;
  std::string_view record;
  for (;;) {
    const RecordJoiner::Step step = joiner.Next(record);
    if (step == RecordJoiner::Step::End) break;
    if (step == RecordJoiner::Step::Unfinished) {
      // The item behind the last one is missing; the list keeps the joins made.
      items[written] = joiner.Joined();
      items.resize(written + 1);
      throw ListIndexError(static_cast<long long>(written) + 1);
    }
    AnsiText& last = items[source.read_ - 1];
    if (record.data() != last.data()) {
      items[written].assign(record);
    } else if (&items[written] != &last) {
      items[written] = std::move(last);
    }
    ++written;
  }
  items.resize(written);
}

std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined) {
  TextLines lines(text);
  RecordJoiner joiner(lines);
  std::vector<std::string_view> records;
  std::string_view record;
  for (;;) {
    const RecordJoiner::Step step = joiner.Next(record);
    if (step == RecordJoiner::Step::End) break;
    if (step == RecordJoiner::Step::Unfinished) throw joiner.UnfinishedError();
    // A record of one line is a view into text; a joined one is kept.
    const bool wasJoined = record.data() == joiner.Joined().data();
    records.push_back(wasJoined ? std::string_view(joined.emplace_back(record)) : record);
  }
  return records;
}

namespace {

// The whole block in one text: no hand-on, no occurrences (the vCalendar
// block has no UID).
// The block's text, and where each Step found it: the writer steps after
// every item it closes with CR LF.
class WholeBlock final : public BlockOutput {
 public:
  explicit WholeBlock(AnsiText& text) : BlockOutput(text, 0) {}
  void AppendOccurrence(std::uint64_t /*hash*/) override {}
  std::vector<std::size_t> steps;

 private:
  void HandOn() override { steps.push_back(Text().size()); }
};

}  // namespace

LineList BuildEventBlock(const LineList& fields, const LineList& optionLines) {
  AnsiText text;
  WholeBlock out(text);
  const std::vector<std::string_view> views = ViewsOf(fields);
  const FieldViews fieldViews(views);
  const EventColumns positions;
  AppendEventBlock(EventRecord(fieldViews, positions), optionLines, *CaptureTextSettings().zone, out);

  // Back to items: the writer steps after every item, so each ends at a step
  // (a value may hold line breaks of its own: the text alone cannot tell).
  // The title, the one value that may be long, also steps within itself; it
  // ends where DTSTART begins.
  constexpr int kTitleItem = 3;
  LineList block;
  std::size_t p = 0;
  for (const std::size_t end : out.steps) {
    if (end < p + 2 || text.compare(end - 2, 2, "\r\n") != 0) continue;
    if (block.Count() == kTitleItem && text.compare(end, 8, "DTSTART:") != 0) continue;
    block.Append(text.substr(p, end - 2 - p));
    p = end;
  }
  return block;
}

bool IsFilteredOut(std::string_view record, const LineList& filterLines) {
  return RecordFilter(filterLines).Excludes(record);
}

AnsiText MakeUtcStamp(std::string_view dateText, std::string_view timeText) {
  char bytes[kUtcStampRoom];
  return AnsiText(bytes, WriteLocalTimeAsUtcStamp(dateText, timeText, *TimeZone::Japan(), bytes));
}

AnsiText RightChars(std::string_view text, int n) {
  if (n <= 0 || text.empty()) return {};
  // Every character is one UTF-16 unit, so the count is that of the units.
  const int length = Utf16Length(text);
  CharacterCursor characters = ConvertingCursor(text);
  std::string_view skipped;
  for (int k = 0; k < length - n && characters.Next(skipped); ++k) {
  }
  return LeftChars(text.substr(characters.Position()), n);
}
