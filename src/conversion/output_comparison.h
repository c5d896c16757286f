#pragma once
// What importing a new output does to a calendar that holds the last one:
// the events of a calendar this converter wrote before, read back from its
// bytes, and a sink that reads a run's output as it is made and compares
// each event with them. iCalendar events are the same when their UIDs are;
// vCalendar blocks, which carry no UID, when their whole text is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "conversion/conversion_run.h"
#include "conversion/record_converter.h"
#include "text/text_file.h"

class CalendarScanner;

// An event of the last output, as a list names it.
struct PastEvent {
  std::string title;       // UTF-8, as the calendar shows it (line breaks as blanks)
  std::int64_t start = 0;  // seconds since 1970, UTC; an all-day event's date at 00:00 UTC
  bool allDay = false;
  bool hasStart = false;
};

// The earliest and latest start among events, in seconds since 1970, UTC.
struct StartSpan {
  std::int64_t first = 0;
  std::int64_t last = 0;
};

class LastOutput {
 public:
  // The events of bytes this converter wrote in format (vCalendar blocks, or
  // one iCalendar file with its PRODID); nullptr for any other bytes.
  static std::shared_ptr<const LastOutput> Read(std::string_view bytes, OutputFormat format);

  const std::vector<PastEvent>& Events() const { return events_; }

 private:
  friend class OutputComparer;
  std::vector<std::string> keys_;  // each event's UID or block text
  std::vector<PastEvent> events_;
};

enum class LastOutputState {
  None,     // standard output, or no file at the path
  Foreign,  // a file that is no calendar of that format this converter wrote, or cannot be read
  Read,
};
struct LastOutputFile {
  LastOutputState state = LastOutputState::None;
  std::shared_ptr<const LastOutput> output;
};
// The file at the output path as the last output of format, read whole.
LastOutputFile LoadLastOutput(const std::string& path, OutputFormat format);

struct OutputComparison {
  std::int32_t added = 0;              // events the last output does not hold
  std::int32_t same = 0;               // events it holds as they are
  std::vector<PastEvent> onlyBefore;   // its events the new output lacks, in its order
};

// A run's output, read in pieces as the run gives them (one Write at a time),
// keeping only what the comparison needs: no copy of the output.
class OutputComparer final : public ByteSink {
 public:
  // Without a last output only the starts are gathered.
  OutputComparer(OutputFormat format, std::shared_ptr<const LastOutput> last);
  ~OutputComparer() override;

  void Write(std::string_view bytes) override;
  // After the last Write.
  OutputComparison Result() const;
  // The span of the starts so far; nullopt before the first.
  std::optional<StartSpan> Starts() const;

 private:
  void Take(std::string_view key, std::optional<std::int64_t> start);

  std::shared_ptr<const LastOutput> last_;
  std::unique_ptr<CalendarScanner> scanner_;
  // Each key of the last output, with its events in order and how many of
  // them the new output matched so far.
  struct Match {
    std::vector<std::size_t> events;
    std::size_t matched = 0;
  };
  std::unordered_map<std::string_view, Match> matches_;
  std::int32_t added_ = 0;
  std::int32_t same_ = 0;
  std::optional<StartSpan> starts_;
};

// A dry run: request converted exactly as ConversionRun would, its output
// compared with the file at its output path, and nothing written. Raises
// what ConversionRun raises.
struct DryRunResult {
  ConversionResult counts;
  LastOutputState last = LastOutputState::None;
  OutputComparison comparison;
  std::optional<StartSpan> starts;
};
DryRunResult DryRun(const ConversionRequest& request);
