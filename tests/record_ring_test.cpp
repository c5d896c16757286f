// The run's ring: whoever converts each slot, and however far ahead, the
// output, the counts and the first error are those of one thread converting
// every record in its turn.
#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "conversion/conversion_run.h"
#include "conversion/record_ring.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"
#include "text/errors.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Record(const std::string& title, const std::string& date = "2008/01/15") {
  return "\"" + title + "\",\"p\",\"" + date + "\",\"10:00:00\",\"" + date + "\",\"11:30:00\",\"TRUE\",\"" + date +
         "\",\"9:45:00\",\"n\r\n" + title + "\"\r\n";
}

// Many small slots' worth: titles repeat (equal records share a UID hash),
// every fifth record is filtered out, and `bad` records have a bad date.
std::string Export(int count, std::initializer_list<int> bad = {}) {
  std::string text = "\"h\"\r\n";
  for (int i = 0; i < count; ++i) {
    const bool isBad = std::find(bad.begin(), bad.end(), i) != bad.end();
    text += Record(i % 5 == 4 ? "skip" : "t" + std::to_string(i % 7), isBad ? "2008/02/30" : "2008/01/15");
  }
  return text;
}

// A dry run's output: the bytes as the writer hands them on, from either thread.
class CollectingSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

struct Outcome {
  std::string output;  // or the error's message
  ConversionResult result;
};

class Schedule final : public RingSchedule {
 public:
  explicit Schedule(std::function<bool(std::size_t)> ahead) : ahead_(std::move(ahead)) {}
  bool ConvertAhead(std::size_t n) override { return ahead_(n); }

 private:
  std::function<bool(std::size_t)> ahead_;
};

}  // namespace

TEST(RecordRing, EveryMixOfAheadAndInPlaceGivesTheOneThreadBytes) {
  ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
  LoadDateTextSettings();
  setenv("SOURCE_DATE_EPOCH", "0", 1);  // every run's DTSTAMP alike
  TempDir dir;
  const std::string in = dir / "in.csv";
  const std::string out = dir / "out";

  struct Input {
    const char* name;
    std::string text;
    LineList options;
    std::string outcome;  // how the output or the error begins
  };
  const Input inputs[] = {
      {"plain", Export(400), {}, "BEGIN:VCALENDAR"},
      {"long option lines", Export(120), {"X-A:" + std::string(700, 'a'), "X-B:b"}, "BEGIN:VCALENDAR"},
      {"two bad records", Export(400, {237, 300}), {}, "error '2008/02/30"},
      {"an unfinished last line after a bad record", Export(300, {20}) + "\"x", {}, "error "},
  };
  struct Mix {
    const char* name;
    int threads;
    std::function<bool(std::size_t)> ahead;  // none: the product's schedule
    std::size_t aheadBytes;                  // 0: the product's
  };
  const Mix mixes[] = {
      {"one thread, every slot ahead", 1, [](std::size_t) { return true; }, 0},
      {"one thread, every other slot ahead", 1, [](std::size_t n) { return n % 2 == 1; }, 0},
      {"one thread, ahead with room for a few records", 1, [](std::size_t) { return true; }, 1500},
      {"two threads as the product runs", 2, nullptr, 0},
      {"two threads, every slot ahead with little room", 2, [](std::size_t) { return true; }, 3000},
      {"two threads, every third slot in place", 2, [](std::size_t n) { return n % 3 != 0; }, 0},
      // What the window's thread does when the system's settings change
      // (here under en-US the place would open with "(@").
      {"two threads, the process's settings reloaded half way", 2,
       [](std::size_t n) {
         if (n == 3 && platform::UseRegionalProfile("en-US")) LoadDateTextSettings();
         return n % 2 == 0;
       },
       0},
  };
  auto run = [&](const Input& input, OutputFormat format, const Mix& mix) {
    WriteFileBytes(out, "old");
    std::optional<Schedule> schedule;
    RunOptions options;
    options.threads = mix.threads;
    // Small slots and pieces: each run hands many of both from thread to thread.
    options.slotBytes = 2000;
    options.pieceBytes = 3000;
    if (mix.aheadBytes != 0) options.aheadBytes = mix.aheadBytes;
    if (mix.ahead) options.schedule = &schedule.emplace(mix.ahead);
    Outcome outcome;
    try {
      const ConversionRequest request{in, out, input.options, {"skip"}, format};
      outcome.result = ConversionRun(request, nullptr, options);
      outcome.output = ReadFileBytes(out);
      // A run into a sink takes the same path, in every schedule.
      if (platform::UseRegionalProfile("ja-JP")) LoadDateTextSettings();
      CollectingSink sink;
      EXPECT_EQ(ConversionRun(request, &sink, options).ConvertedCount, outcome.result.ConvertedCount);
      EXPECT_TRUE(SameBytes(sink.text, outcome.output));
    } catch (const QuillmerError& error) {
      outcome.output = "error " + error.Message();
      EXPECT_EQ(ReadFileBytes(out), "old");
    }
    if (platform::UseRegionalProfile("ja-JP")) LoadDateTextSettings();
    return outcome;
  };
  for (const Input& input : inputs) {
    WriteFileBytes(in, input.text);
    for (const OutputFormat format : {OutputFormat::VCalendar, OutputFormat::ICalendar}) {
      const Outcome expected = run(input, format, {"one thread, in place", 1, nullptr, 0});
      EXPECT_TRUE(expected.output.starts_with(input.outcome)) << expected.output.substr(0, 40);
      for (const Mix& mix : mixes) {
        SCOPED_TRACE(::testing::Message() << input.name << ", " << mix.name
                                          << (format == OutputFormat::ICalendar ? ", iCalendar" : ""));
        const Outcome got = run(input, format, mix);
        EXPECT_TRUE(SameBytes(got.output, expected.output));
        EXPECT_EQ(got.result.ConvertedCount, expected.result.ConvertedCount);
        EXPECT_EQ(got.result.FilteredCount, expected.result.FilteredCount);
      }
    }
  }
  unsetenv("SOURCE_DATE_EPOCH");
  platform::ClearRegionalProfileChoice();
}
