#include "conversion/output_comparison.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "platform/files.h"
#include "text/calendar.h"

namespace {

constexpr int kDayValueOf1970 = 25'569;
constexpr std::int64_t kSecondsPerDay = 86'400;

// "=E6=9C=9D" -> its bytes; soft breaks are already joined.
std::string DecodeQuotedPrintable(std::string_view text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size() / 3 + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// An iCalendar TEXT value's escapes undone.
std::string UnescapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' || next == 'N' ? '\n' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "20240115T010000Z" (UTC) or "20240115" (a date) as seconds since 1970.
std::optional<std::int64_t> ParseStart(std::string_view value, bool& dateOnly) {
  dateOnly = value.size() == 8;
  if (!dateOnly && (value.size() != 16 || value[8] != 'T' || value[15] != 'Z')) return std::nullopt;
  const int year = Digits(value, 0, 4), month = Digits(value, 4, 2), day = Digits(value, 6, 2);
  if (year < 1 || month < 1 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  std::int64_t seconds = std::int64_t{DayValue(year, month, day) - kDayValueOf1970} * kSecondsPerDay;
  if (dateOnly) return seconds;
  const int hour = Digits(value, 9, 2), minute = Digits(value, 11, 2), second = Digits(value, 13, 2);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return std::nullopt;
  return seconds + hour * 3'600 + minute * 60 + second;
}

// The value after a property's name and parameters.
std::string_view ValueOf(std::string_view line) {
  const std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
}

bool IsProperty(std::string_view line, std::string_view name) {
  return line.starts_with(name) && line.size() > name.size() && (line[name.size()] == ':' || line[name.size()] == ';');
}

}  // namespace

// The events of a calendar's text, line by line as it comes. vCalendar: an
// event is a block from BEGIN:VCALENDAR to END:VCALENDAR, its key the whole
// block; a title's soft line breaks ("=" at a line's end) are joined.
// iCalendar: an event is a VEVENT, its key the UID; folded lines are joined,
// but only for the properties read, so a long note is never held whole.
class CalendarScanner {
 public:
  struct Event {
    std::string key;
    std::string title;  // as written, joined
    std::string start;  // DTSTART's value
  };
  using Take = std::function<void(const Event&)>;

  CalendarScanner(OutputFormat format, Take take) : format_(format), take_(std::move(take)) {}

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::size_t end = bytes.find('\n');
      if (end == std::string_view::npos) {
        partial_.append(bytes);
        return;
      }
      if (partial_.empty()) {
        Line(bytes.substr(0, end));
      } else {
        partial_.append(bytes.substr(0, end));
        Line(partial_);
        partial_.clear();
      }
      bytes.remove_prefix(end + 1);
    }
  }
  // True when the text ended with a whole line and held nothing but events
  // where it may.
  bool Finish() {
    if (format_ == OutputFormat::ICalendar) Logical();
    return partial_.empty() && !stray_ && !inEvent_;
  }

 private:
  void Line(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (format_ == OutputFormat::VCalendar) {
      VCalendarLine(line);
    } else if (line.starts_with(' ') || line.starts_with('\t')) {
      if (keep_) logical_.append(line.substr(1));
    } else {
      Logical();
      keep_ = line.starts_with("BEGIN:") || line.starts_with("END:") || IsProperty(line, "UID") ||
              IsProperty(line, "SUMMARY") || IsProperty(line, "DTSTART");
      if (keep_) logical_.assign(line);
    }
  }

  void VCalendarLine(std::string_view line) {
    if (!inEvent_) {
      if (line != "BEGIN:VCALENDAR") {
        stray_ = true;
        return;
      }
      inEvent_ = true;
      event_ = {};
    }
    event_.key.append(line).append("\r\n");
    if (inTitle_) {
      event_.title.pop_back();  // the soft break's "="
      event_.title.append(line);
      inTitle_ = line.ends_with('=');
    } else if (IsProperty(line, "SUMMARY")) {
      event_.title.assign(ValueOf(line));
      inTitle_ = event_.title.ends_with('=');
    } else if (IsProperty(line, "DTSTART")) {
      event_.start.assign(ValueOf(line));
    } else if (line == "END:VCALENDAR") {
      inEvent_ = false;
      take_(event_);
    }
  }

  // The iCalendar line gathered so far, now whole.
  void Logical() {
    if (!keep_) return;
    keep_ = false;
    const std::string_view line = logical_;
    if (line == "BEGIN:VEVENT") {
      inEvent_ = true;
      event_ = {};
    } else if (!inEvent_) {
      return;
    } else if (line == "END:VEVENT") {
      inEvent_ = false;
      take_(event_);
    } else if (IsProperty(line, "UID")) {
      event_.key.assign(ValueOf(line));
    } else if (IsProperty(line, "SUMMARY")) {
      event_.title.assign(ValueOf(line));
    } else if (IsProperty(line, "DTSTART")) {
      event_.start.assign(ValueOf(line));
    }
  }

  const OutputFormat format_;
  const Take take_;
  std::string partial_;  // a line not yet ended
  std::string logical_;  // iCalendar: the line its folds are joined to
  bool keep_ = false;    // ... which is one of those read
  bool inEvent_ = false;
  bool inTitle_ = false;
  bool stray_ = false;
  Event event_;
};

std::shared_ptr<const LastOutput> LastOutput::Read(std::string_view bytes, OutputFormat format) {
  if (format == OutputFormat::ICalendar) {
    if (!bytes.starts_with("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quillmer//") ||
        !bytes.ends_with("END:VCALENDAR\r\n"))
      return nullptr;
  } else if (!bytes.empty() && !bytes.starts_with("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nVERSION:1.0\r\n")) {
    return nullptr;
  }
  auto output = std::make_shared<LastOutput>();
  CalendarScanner scanner(format, [&](const CalendarScanner::Event& event) {
    PastEvent& past = output->events_.emplace_back();
    past.title = format == OutputFormat::ICalendar ? UnescapeText(event.title) : DecodeQuotedPrintable(event.title);
    if (const std::optional<std::int64_t> start = ParseStart(event.start, past.allDay)) {
      past.start = *start;
      past.hasStart = true;
    }
    output->keys_.push_back(event.key);
  });
  scanner.Write(bytes);
  if (!scanner.Finish()) return nullptr;
  return output;
}

LastOutputFile LoadLastOutput(const std::string& path, OutputFormat format) {
  if (path == platform::StandardStream) return {};
  const platform::FileReadResult file = platform::ReadWholeFile(path, false);
  if (file.error == platform::FileNotFoundError) return {};
  LastOutputFile last;
  if (file.error == 0) last.output = LastOutput::Read(file.bytes, format);
  last.state = last.output ? LastOutputState::Read : LastOutputState::Foreign;
  return last;
}

OutputComparer::OutputComparer(OutputFormat format, std::shared_ptr<const LastOutput> last)
    : last_(std::move(last)),
      scanner_(std::make_unique<CalendarScanner>(format, [this](const CalendarScanner::Event& event) {
        bool dateOnly = false;
        Take(event.key, ParseStart(event.start, dateOnly));
      })) {
  if (!last_) return;
  for (std::size_t i = 0; i < last_->keys_.size(); ++i) matches_[last_->keys_[i]].events.push_back(i);
}

OutputComparer::~OutputComparer() = default;

void OutputComparer::Write(std::string_view bytes) { scanner_->Write(bytes); }

// An event matches the first of the last output's events with its key that
// no earlier event matched: two equal blocks before and one now leave one.
void OutputComparer::Take(std::string_view key, std::optional<std::int64_t> start) {
  if (start) {
    if (!starts_) starts_ = StartSpan{*start, *start};
    starts_->first = std::min(starts_->first, *start);
    starts_->last = std::max(starts_->last, *start);
  }
  const auto found = matches_.find(key);
  if (found != matches_.end() && found->second.matched < found->second.events.size()) {
    ++found->second.matched;
    ++same_;
  } else {
    ++added_;
  }
}

OutputComparison OutputComparer::Result() const {
  OutputComparison comparison;
  comparison.added = added_;
  comparison.same = same_;
  if (!last_) return comparison;
  std::vector<bool> matched(last_->events_.size());
  for (const auto& [key, match] : matches_)
    for (std::size_t i = 0; i < match.matched; ++i) matched[match.events[i]] = true;
  for (std::size_t i = 0; i < matched.size(); ++i)
    if (!matched[i]) comparison.onlyBefore.push_back(last_->events_[i]);
  return comparison;
}

std::optional<StartSpan> OutputComparer::Starts() const { return starts_; }

DryRunResult DryRun(const ConversionRequest& request) {
  const LastOutputFile last = LoadLastOutput(request.OutputPath, request.Format);
  OutputComparer comparer(request.Format, last.output);
  DryRunResult result;
  result.counts = ConversionRun(request, comparer);
  result.last = last.state;
  result.comparison = comparer.Result();
  result.starts = comparer.Starts();
  return result;
}
