// The dry run against an existing output, as golden cases found by name in
// tests/data/dry-run: the old output NAME.ics or NAME.vcs, the export NAME.csv
// converted again in the zone the expected report NAME.ics.report names, and
// that report, byte for byte. make_cases.py there wrote them, apart from this
// code. The old output is left as it was.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <vector>

#include "app/dry_run_report.h"
#include "conversion/output_comparison.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/characters.h"
#include "text/date_time_text.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::SourceDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> OldOutputs() {
  std::vector<fs::path> cases;
  for (const fs::directory_entry& entry : fs::directory_iterator(SourceDir() / "tests/data/dry-run"))
    if (entry.path().extension() == ".ics" || entry.path().extension() == ".vcs") cases.push_back(entry.path());
  std::sort(cases.begin(), cases.end());
  return cases;
}

// The zone the report names: "・タイムゾーン: America/New_York (UTC-5 / UTC-4)".
std::string ZoneOfReport(const std::string& report) {
  const std::string label = "・タイムゾーン: ";
  const std::size_t at = report.find(label) + label.size();
  return report.substr(at, report.find(' ', at) - at);
}

}  // namespace

class DryRunCase : public ::testing::TestWithParam<fs::path> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }
  void TearDown() override { platform::ClearRegionalProfileChoice(); }
};

TEST_P(DryRunCase, ReportsWhatImportingAgainDoes) {
  const fs::path& old = GetParam();
  const std::string expected = ReadFileBytes(old.string() + ".report");
  const std::string oldBytes = ReadFileBytes(old);
  TempDir dir;
  const std::string output = dir / ("out" + old.extension().string());
  WriteFileBytes(output, oldBytes);

  ConversionRequest request;
  request.InputPath = fs::path(old).replace_extension(".csv").string();
  request.OutputPath = output;
  request.Format = old.extension() == ".ics" ? OutputFormat::ICalendar : OutputFormat::VCalendar;
  request.Zone = LoadTimeZone(ZoneOfReport(expected));
  ASSERT_TRUE(request.Zone);
  const DryRunResult result = DryRun(request);

  EXPECT_TRUE(SameBytes(Utf16ToUtf8(DryRunReport(result, *request.Zone, request.Format)), expected));
  EXPECT_TRUE(SameBytes(ReadFileBytes(output), oldBytes));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Data, DryRunCase, ::testing::ValuesIn(OldOutputs()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.filename().string();
                           std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                           return name;
                         });

TEST(DryRunCases, TheFolderHoldsThem) { EXPECT_GE(OldOutputs().size(), 4u); }

// What decides whether a file is a last output at all.
TEST(LastOutput, OnlyCalendarsThisConverterWrote) {
  struct Row {
    const char* name;
    std::string_view bytes;
    OutputFormat format;
    bool read;
  };
  const Row rows[] = {
      {"an empty vCalendar file (an export without appointments)", "", OutputFormat::VCalendar, true},
      {"another program's iCalendar",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nEND:VCALENDAR\r\n", OutputFormat::ICalendar, false},
      {"our iCalendar read as vCalendar",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quillmer//Q//EN\r\nEND:VCALENDAR\r\n", OutputFormat::VCalendar,
       false},
      {"a vCalendar block cut short",
       "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nVERSION:1.0\r\nEND:VEVENT\r\n", OutputFormat::VCalendar, false},
      {"text after the blocks",
       "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nVERSION:1.0\r\nEND:VEVENT\r\nEND:VCALENDAR\r\nnotes\r\n",
       OutputFormat::VCalendar, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(LastOutput::Read(r.bytes, r.format) != nullptr, r.read);
  }
}
