// A whole conversion on a fuzzed export file, through the file system and,
// for some inputs, a write seam that runs out of room part-way. Against the
// steps of a run done one by one: same output bytes, counts and message, or
// the same error; after any failure the old output is byte for byte what it
// was and nothing else is left in its directory. Some runs write iCalendar:
// the same error or counts, and one calendar of folded lines, one event per
// converted record.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "conversion/conversion_run.h"
#include "conversion/event_block.h"
#include "conversion/input_records.h"
#include "conversion/ordered_output.h"
#include "conversion/record_filter.h"
#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "support/harness.h"
#include "text/comma_text.h"
#include "text/date_time_text.h"
#include "text/errors.h"

namespace fs = std::filesystem;

namespace {

class RoomForBytes : public platform::FileWriteSeam {
 public:
  explicit RoomForBytes(std::size_t room) : room_(room) {}
  long Write(int fd, const char* data, std::size_t size) override {
    if (room_ == 0) {
      errno = ENOSPC;
      return -1;
    }
    const std::size_t n = size < room_ ? size : room_;
    room_ -= n;
    return static_cast<long>(::write(fd, data, n));
  }

 private:
  std::size_t room_;
};

// One directory name per process; the directory exists only while an input
// runs, since libFuzzer ends without running exit handlers.
const fs::path& WorkDirectory() {
  static const fs::path dir = [] {
    const char* shm = "/dev/shm";
    std::string pattern = (fs::is_directory(shm) ? std::string(shm) : fs::temp_directory_path().string()) +
                          "/quillmer-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ::fuzz::Violated(__FILE__, __LINE__, "mkdtemp");
    platform::SetAnsiCodePage(932);
    SetDateTextSettings(DateTextSettingsFrom(*platform::FindRegionalProfile("ja-JP")));
    platform::SetCurrentYearForTesting(2026);
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    return fs::path(pattern);
  }();
  fs::create_directory(dir);
  return dir;
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
  std::string error;  // empty on success
  std::string output;
  ConversionResult result;
};

// The message of an export that is no text of the code page: one that starts
// with a byte-order mark, or holds a NUL (named by its line). It comes before
// any other error of the records.
std::optional<std::string> RefusalOf(std::string_view text) {
  struct Mark {
    std::string_view bytes;
    const char* encoding;
    const char* hex;
  };
  for (const Mark& mark : {Mark{"\xEF\xBB\xBF", "UTF-8", "EF BB BF"}, Mark{"\xFF\xFE", "UTF-16 LE", "FF FE"},
                           Mark{"\xFE\xFF", "UTF-16 BE", "FE FF"}}) {
    if (text.starts_with(mark.bytes)) {
      return platform::Cp932FromUtf8(std::string("入力は ") + mark.encoding + " のテキストです (先頭にバイト順マーク " +
                                     mark.hex + ")。Outlook のエクスポートは ANSI コード ページで書かれます");
    }
  }
  const std::size_t nul = text.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  LineList before;
  SplitTextIntoLines(before, text.substr(0, text.find_last_of("\r\n", nul) + 1));
  return platform::Cp932FromUtf8("入力の " + std::to_string(before.Count() + 1) + " 行目に NUL 文字があります");
}

// The run's steps one at a time on the list operations.
Outcome StepByStep(const ConversionRequest& request, std::string_view text) {
  Outcome outcome;
  if (const std::optional<std::string> refusal = RefusalOf(text)) {
    outcome.error = *refusal;
    return outcome;
  }
  try {
    LineList records;
    LoadLinesFromFile(records, request.InputPath);
    JoinRecordLines(records);
    const EventColumns columns = records.Count() > 0 ? EventColumns::FromHeader(records.ItemAt(0)) : EventColumns();
    for (int i = 1; i < records.Count(); ++i) {
      if (IsFilteredOut(records.ItemAt(i), request.FilterLines)) {
        ++outcome.result.FilteredCount;
        continue;
      }
      ++outcome.result.ConvertedCount;
      LineList fields;
      SplitCommaText(fields, records.ItemAt(i));
      const std::vector<std::string_view> views = ViewsOf(fields);
      OccurrenceCounter occurrences;
      OrderedOutput sink(outcome.output, occurrences);
      AppendEventBlock(EventRecord(FieldViews(views), columns), request.OptionLines, *TimeZone::Japan(), sink);
    }
  } catch (const QuillmerError& e) {
    outcome.error = e.Message();
  }
  return outcome;
}

void CheckCalendar(std::string_view ics, int events) {
  FUZZ_CHECK(ics.starts_with("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"));
  FUZZ_CHECK(ics.ends_with("\r\nEND:VCALENDAR\r\n"));
  int begins = 0;
  for (std::size_t start = 0; start < ics.size();) {
    const std::size_t end = ics.find("\r\n", start);
    FUZZ_CHECK(end != std::string_view::npos && end - start <= 75);
    const std::string_view line = ics.substr(start, end - start);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
    begins += line == "BEGIN:VEVENT";
    start = end + 2;
  }
  FUZZ_CHECK(begins == events);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& dir = WorkDirectory();
  FuzzedDataProvider provider(data, size);
  const bool oldOutput = provider.ConsumeBool();
  const bool sameFile = provider.ConsumeIntegralInRange<int>(0, 15) == 0;
  const int room = provider.ConsumeIntegralInRange<int>(-1, 2000);  // -1: no seam
  ConversionRequest request;
  for (int n = provider.ConsumeIntegralInRange<int>(0, 2); n > 0; --n)
    request.FilterLines.Append(provider.ConsumeRandomLengthString(6));
  request.OptionLines = LineList{"X-A:1", ""};
  if (provider.ConsumeIntegralInRange<int>(0, 3) == 0) request.Format = OutputFormat::ICalendar;
  const bool icalendar = request.Format == OutputFormat::ICalendar;
  const std::string input = provider.ConsumeRemainingBytesAsString();

  const fs::path inputPath = dir / "export.csv";
  const fs::path outputPath = sameFile ? inputPath : dir / "out.vcs";
  request.InputPath = inputPath.string();
  request.OutputPath = outputPath.string();
  const std::string previous = "BEGIN:VCALENDAR\r\nprevious output\r\n";
  WriteBytes(inputPath, input);
  if (oldOutput && !sameFile) WriteBytes(outputPath, previous);
  const std::optional<std::string> before = ReadBytes(outputPath);

  const Outcome expected = StepByStep(request, input);

  RoomForBytes seam(room < 0 ? 0 : static_cast<std::size_t>(room));
  if (room >= 0) platform::SetFileWriteSeamForTesting(&seam);
  std::string error;
  ConversionResult result;
  try {
    result = ConversionRun(request);
  } catch (const QuillmerError& e) {
    error = e.Message();
  }
  platform::SetFileWriteSeamForTesting(nullptr);

  const bool writeFails = room >= 0 && expected.error.empty() &&
                          expected.output.size() > static_cast<std::size_t>(room);
  if (icalendar && room >= 0 && expected.error.empty()) {
    // The calendar's size is not modelled: it is written whole or not at all.
    FUZZ_CHECK(error.empty() || error == FileWriteError().Message());
  } else if (writeFails) {
    FUZZ_CHECK(error == FileWriteError().Message());
  } else if (error != expected.error) {
    std::fprintf(stderr, "run: '%s'\nsteps: '%s'\n", error.c_str(), expected.error.c_str());
    FUZZ_CHECK(error == expected.error);
  }

  const std::optional<std::string> after = ReadBytes(outputPath);
  if (!error.empty()) {
    FUZZ_CHECK(after == before);
  } else {
    FUZZ_CHECK(after.has_value());
    if (icalendar) {
      CheckCalendar(*after, expected.result.ConvertedCount);
    } else if (*after != expected.output) {
      fuzz::ReportPair("output", *after, expected.output);
      FUZZ_CHECK(*after == expected.output);
    }
    FUZZ_CHECK(result.ConvertedCount == expected.result.ConvertedCount);
    FUZZ_CHECK(result.FilteredCount == expected.result.FilteredCount);
  }

  // Nothing but the export and the output: no temporary file survives.
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.path() != inputPath && entry.path() != outputPath) {
      std::fprintf(stderr, "left behind: %s\n", entry.path().c_str());
      FUZZ_CHECK(false);
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
