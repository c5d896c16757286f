// The sample exports and the output they must give, byte for byte. The
// expected files come from examples/make_example.py and
// make_default_export.py, written apart from this code.
#include "app/memo_text.h"
#include "conversion/conversion_run.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::SourceDir;
using testing_support::Sjis;
using testing_support::TempDir;

namespace {

class ExamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }
  void TearDown() override { platform::ClearRegionalProfileChoice(); }

  static std::string Source(const char* name) { return (SourceDir() / name).string(); }
  static LineList FileLines(const char* name) { return *name ? MemoLines(ReadMemoFile(Source(name))) : LineList{}; }
  TempDir dir_;
};

}  // namespace

// Outlook's default layout in Japanese and, for five of the same appointments,
// in English with its other column order (the generator checks that both give
// the same blocks).
TEST_F(ExamplesTest, ExportsConvertToTheExpectedFiles) {
  struct Row {
    const char* csv;
    const char* options;
    const char* filters;
    const char* expected;
    int converted, filtered;
  };
  const Row rows[] = {
      {"examples/outlook-export.csv", "", "", "examples/outlook-export.vcs", 20, 0},
      {"examples/outlook-export.csv", "examples/option.txt", "examples/filter.txt",
       "examples/outlook-export-filtered.vcs", 17, 3},
      {"examples/outlook-default-export.csv", "", "", "examples/outlook-default-export.vcs", 22, 0},
      {"tests/data/outlook-default-english.csv", "", "", "tests/data/outlook-default-english.vcs", 5, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.expected);
    const ConversionResult result =
        ConversionRun({Source(r.csv), dir_ / "out.vcs", FileLines(r.options), FileLines(r.filters)});
    EXPECT_EQ(result.ConvertedCount, r.converted);
    EXPECT_EQ(result.FilteredCount, r.filtered);
    EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out.vcs"), ReadFileBytes(Source(r.expected))));
  }
}
