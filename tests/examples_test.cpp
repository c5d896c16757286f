// The sample export in examples/ and the output it must give, byte for byte.
// The expected files come from examples/make_example.py, written apart from
// this code.
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

  std::string Example(const char* name) const { return (SourceDir() / "examples" / name).string(); }
  TempDir dir_;
};

}  // namespace

TEST_F(ExamplesTest, SampleExportConvertsToTheExpectedFile) {
  const ConversionRequest request{Example("outlook-export.csv"), dir_ / "out.vcs", {}, {}};
  const ConversionResult result = ConversionRun(request);
  EXPECT_EQ(result.ConvertedCount, 20);
  EXPECT_EQ(result.FilteredCount, 0);
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out.vcs"), ReadFileBytes(Example("outlook-export.vcs"))));
}

TEST_F(ExamplesTest, SampleOptionAndFilterFiles) {
  const ConversionRequest request{Example("outlook-export.csv"), dir_ / "out.vcs",
                                  MemoLines(ReadMemoFile(Example("option.txt"))),
                                  MemoLines(ReadMemoFile(Example("filter.txt")))};
  const ConversionResult result = ConversionRun(request);
  EXPECT_EQ(result.ConvertedCount, 17);
  EXPECT_EQ(result.FilteredCount, 3);
  EXPECT_TRUE(
      SameBytes(ReadFileBytes(dir_ / "out.vcs"), ReadFileBytes(Example("outlook-export-filtered.vcs"))));
}
