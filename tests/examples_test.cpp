// Every golden file of examples/ and tests/data/, found by name: NAME.vcs or
// NAME.ics is what the export NAME.csv (or, failing that, the export whose
// name NAME extends at a '-': outlook-export-filtered.ics comes from
// outlook-export.csv) must give, with the option and filter lines of
// NAME.option.txt and NAME.filter.txt where those exist, read under the
// profile NAME.locale.txt names (ja-JP without one), in the zone
// NAME.zone.txt names (Japan's without one). The expected files
// come from the generators beside them (make_example.py,
// make_default_export.py, make_icalendar_cases.py) or, for the short
// day-first export, were written by hand, apart from this code; a new case is
// a new file, not a new row, and each case is a test of its own.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <vector>

#include "app/memo_text.h"
#include "conversion/conversion_run.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"

using testing_support::ReadFileBytes;
using testing_support::ReadGoldenFile;
using testing_support::SameBytes;
using testing_support::SourceDir;
using testing_support::TempDir;

namespace {

namespace fs = std::filesystem;

struct GoldenCase {
  fs::path expected, csv, options, filters, locale, zone;
  OutputFormat format;
};

// What CTest shows of a case.
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.expected.filename().string(); }

// The side file NAME.kind.txt, or an empty path.
fs::path SideFile(const fs::path& expected, const char* kind) {
  fs::path side = expected;
  side.replace_extension(std::string(".") + kind + ".txt");
  return fs::exists(side) ? side : fs::path();
}

std::vector<GoldenCase> GoldenCases() {
  std::vector<GoldenCase> cases;
  for (const char* folder : {"examples", "tests/data"}) {
    for (const fs::directory_entry& entry : fs::directory_iterator(SourceDir() / folder)) {
      const fs::path& path = entry.path();
      const bool vcs = path.extension() == ".vcs";
      if (!vcs && path.extension() != ".ics") continue;
      std::string stem = path.stem().string();
      while (!fs::exists(path.parent_path() / (stem + ".csv")) && stem.find('-') != std::string::npos)
        stem.erase(stem.rfind('-'));
      cases.push_back({path, path.parent_path() / (stem + ".csv"), SideFile(path, "option"), SideFile(path, "filter"),
                       SideFile(path, "locale"), SideFile(path, "zone"), vcs ? OutputFormat::VCalendar : OutputFormat::ICalendar});
    }
  }
  std::sort(cases.begin(), cases.end(), [](const GoldenCase& a, const GoldenCase& b) { return a.expected < b.expected; });
  return cases;
}

LineList FileLines(const fs::path& path) { return path.empty() ? LineList{} : MemoLines(ReadMemoFile(path.string())); }

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

class GoldenFile : public ::testing::TestWithParam<GoldenCase> {
 protected:
  void SetUp() override {
    const GoldenCase& c = GetParam();
    const std::string locale = c.locale.empty() ? "ja-JP" : FileLines(c.locale).ItemAt(0);
    ASSERT_TRUE(platform::UseRegionalProfile(locale)) << locale;
    LoadDateTextSettings();
    setenv("SOURCE_DATE_EPOCH", "1704067200", 1);  // the golden files' DTSTAMP, 2024-01-01 00:00:00 UTC
  }
  void TearDown() override {
    unsetenv("SOURCE_DATE_EPOCH");
    platform::ClearRegionalProfileChoice();
  }
  TempDir dir_;
};

TEST_P(GoldenFile, IsWhatItsExportGives) {
  const GoldenCase& c = GetParam();
  ASSERT_TRUE(fs::exists(c.csv)) << c.csv;
  const std::string expected = ReadGoldenFile(c.expected);
  ConversionRequest request{c.csv.string(), dir_ / "out", FileLines(c.options), FileLines(c.filters), c.format};
  if (!c.zone.empty()) request.Zone = LoadTimeZone(FileLines(c.zone).ItemAt(0));
  const ConversionResult result = ConversionRun(request);
  EXPECT_EQ(static_cast<std::size_t>(result.ConvertedCount), Count(expected, "BEGIN:VEVENT"));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out"), expected));
}

// Named for the file: examples_outlook_export_filtered_ics.
INSTANTIATE_TEST_SUITE_P(Tree, GoldenFile, ::testing::ValuesIn(GoldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                           std::string name = info.param.expected.parent_path().filename().string() + "_" +
                                              info.param.expected.filename().string();
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// A lost folder or a wrong pattern would otherwise pass by finding nothing.
TEST(GoldenFiles, TheTreeHoldsThem) { EXPECT_GE(GoldenCases().size(), 10u); }
