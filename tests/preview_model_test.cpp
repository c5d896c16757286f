// The preview's rows and counts: each record's state as the conversion
// would give it, in both layouts, and the same counts as the conversion on
// every example.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/memo_text.h"
#include "app/preview_model.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"

using testing_support::ReadFileBytes;
using testing_support::Sjis;
using testing_support::SourceDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

class PreviewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }
  void TearDown() override { platform::ClearRegionalProfileChoice(); }

  // The rows of an export (UTF-8 here, code page 932 in the file), as UTF-8 lines.
  std::vector<std::string> Rows(PreviewModel& model) {
    model.WaitUntilRead();
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < model.RowCount(); ++i) rows.push_back(Utf16ToUtf8(model.Row(i).text));
    return rows;
  }
  ConversionRequest Request(const std::string& csvUtf8, const char* filterUtf8 = "",
                            OutputFormat format = OutputFormat::VCalendar) {
    WriteFileBytes(dir_ / "in.csv", Sjis(csvUtf8));
    return {dir_ / "in.csv", dir_ / "out.vcs", {}, MemoLines(Sjis(filterUtf8)), format};
  }
  TempDir dir_;
};

}  // namespace

TEST_F(PreviewModelTest, TenColumnsByPosition) {
  const std::string csv =
      "\"Title\",\"Place\",\"From\",\"At\",\"To\",\"At\",\"Alarm\",\"On\",\"At\",\"Notes\"\r\n"
      "\"定例会議\",\"会議室A\",\"2008/01/15\",\"10:00:00\",\"2008/01/15\",\"11:00:00\",\"TRUE\","
      "\"2008/01/15\",\"9:45:00\",\"資料\r\n持参\"\r\n"
      "\"【私用】歯医者\",\"\",\"2008/01/16\",\"18:00:00\",\"2008/01/16\",\"19:00:00\",\"FALSE\",\"\",\"\",\"\"\r\n"
      "\"壊れた\tタブ\",\"\",\"2008/13/45\",\"10:00:00\",\"2008/01/16\",\"19:00:00\",\"FALSE\",\"\",\"\",\"\"\r\n"
      "\"短い\",\"x\"\r\n";
  for (const OutputFormat format : {OutputFormat::VCalendar, OutputFormat::ICalendar}) {
    PreviewModel model(Request(csv, "社外秘\r\n【私用】", format));
    EXPECT_EQ(Rows(model), (std::vector<std::string>{
                               "1\t2\t変換\t定例会議\t2008/01/15 10:00\t2008/01/15 11:00\t会議室A\t2008/01/15 09:45",
                               "2\t4\tフィルタ対象: 【私用】\t【私用】歯医者\t2008/01/16 18:00\t2008/01/16 19:00\t\t",
                               "3\t5\tエラー: '2008/13/45 10:00:00' は日付または時刻ではありません.\t壊れた タブ\t"
                               "2008/13/45 10:00:00\t2008/01/16 19:00\t\t",
                               "4\t6\tエラー: リストのインデックスが範囲を超えています (3)\t短い\t\t\tx\t",
                           }));
    EXPECT_FALSE(model.ByName());
    EXPECT_EQ(model.FirstFailedRow(), 2u);
    EXPECT_EQ(model.Counts().converted, 1);
    EXPECT_EQ(model.Counts().filtered, 1);
    EXPECT_EQ(model.Counts().failed, 2);
  }
}

TEST_F(PreviewModelTest, OutlookColumnsByName) {
  std::string csv = ReadFileBytes(SourceDir() / "examples/outlook-default-export.csv");
  csv = Utf16ToUtf8(platform::AnsiCodePage().ToUtf16(csv.substr(0, csv.find("\r\n") + 2)));
  csv +=
      "\"仕事始め\",\"2024/1/4\",\"0:00:00\",\"2024/1/5\",\"0:00:00\",\"True\",\"True\",\"2024/1/3\",\"6:00:00\","
      ",,,,\"False\",,\"0\",,,,\"標準\",,\"標準\"\r\n"
      "\"会議\",\"2024/1/9\",\"10:00:00\",\"2024/1/9\",\"11:00:00\",\"False\",\"False\",\"2024/1/9\",\"9:45:00\","
      ",,,,\"False\",,\"2\",,\"本社\",\"社外秘\",\"標準\",,\"標準\"\r\n"
      "\"休暇\",\"2024/1/10\",\"x\",\"2024/1/11\",\"0:00:00\",\"False\",\"False\",,,,,,,\"False\",,\"2\",,,,,,\"\"\r\n";
  PreviewModel model(Request(csv, "社外秘"));
  EXPECT_EQ(Rows(model), (std::vector<std::string>{
                             "1\t2\t変換\t仕事始め\t2024/01/04\t2024/01/05\t\t2024/01/03 06:00",
                             "2\t3\tフィルタ対象: 社外秘\t会議\t2024/01/09 10:00\t2024/01/09 11:00\t本社\t",
                             "3\t4\tエラー: '2024/1/10 x' は日付または時刻ではありません.\t休暇\t2024/1/10 x\t"
                             "2024/01/11 00:00\t\t",
                         }));
  EXPECT_TRUE(model.ByName());
}

// The conversion's counts on every example, with and without the example's
// filters, in both formats; the conversion's first error is the first error row.
TEST_F(PreviewModelTest, CountsAreTheConversions) {
  const std::filesystem::path examples = SourceDir() / "examples";
  const LineList filters = MemoLines(ReadMemoFile((examples / "filter.txt").string()));
  const LineList options = MemoLines(ReadMemoFile((examples / "option.txt").string()));
  std::vector<std::string> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(examples))
    if (entry.path().extension() == ".csv") inputs.push_back(entry.path().string());
  ASSERT_GE(inputs.size(), 2u);
  const std::string failing = Request("\"h\"\r\nx,,2008/1/1,1:00,2008/1/1,2:00,FALSE,,,\"\"\r\n"
                                      "y,,2008/1/1,99:00,2008/1/1,2:00,FALSE,,,\"\"\r\n\"z\"\r\n")
                                  .InputPath;
  inputs.push_back(failing);
  for (const std::string& input : inputs) {
    for (const bool filtered : {false, true}) {
      for (const OutputFormat format : {OutputFormat::VCalendar, OutputFormat::ICalendar}) {
        SCOPED_TRACE(input + (filtered ? " filtered" : "") + (format == OutputFormat::ICalendar ? " ics" : ""));
        const ConversionRequest request{input, dir_ / "out", options, filtered ? filters : LineList{}, format};
        PreviewModel model(request);
        model.WaitUntilRead();
        EXPECT_TRUE(model.ReadError().empty());
        try {
          const ConversionResult result = ConversionRun(request);
          EXPECT_EQ(model.Counts().converted, result.ConvertedCount);
          EXPECT_EQ(model.Counts().filtered, result.FilteredCount);
          EXPECT_EQ(model.Counts().failed, 0);
        } catch (const QuillmerError& error) {
          ASSERT_TRUE(model.FirstFailedRow());
          EXPECT_EQ(static_cast<long long>(*model.FirstFailedRow()) + 1, error.Place()->record);
          EXPECT_EQ(model.Counts().failed, 2);
        }
      }
    }
  }
}

TEST_F(PreviewModelTest, ReadingErrorsAreShownAboveTheRows) {
  PreviewModel missing({dir_ / "none.csv", dir_ / "out.vcs", {}, {}});
  missing.WaitUntilRead();
  EXPECT_NE(Utf16ToUtf8(missing.ReadError()).find("none.csv"), std::string::npos);
  EXPECT_EQ(missing.RowCount(), 0u);

  PreviewModel unfinished(Request("\"h\"\r\n\"a\",\"b\r\n"));
  unfinished.WaitUntilRead();
  EXPECT_EQ(Utf16ToUtf8(unfinished.ReadError()), "リストのインデックスが範囲を超えています (2)");
  EXPECT_NE(Utf16ToUtf8(unfinished.Summary()).find("中止"), std::string::npos);
}

TEST_F(PreviewModelTest, CopiedTextIsATableUnderColumnTitles) {
  PreviewModel model(Request("\"h\"\r\na,p,2008/1/15,10:00,2008/1/15,11:00,FALSE,,,\"\"\r\n\"b\"\r\n"
                             "c,,2008/1/15,,2008/1/15,,TRUE,2008/1/15,9:00,\"\"\r\n"));
  model.WaitUntilRead();
  const std::size_t rows[] = {0, 2};
  EXPECT_EQ(Utf16ToUtf8(model.CopiedText(rows)),
            "番号\t行\t状態\t件名\t開始\t終了\t場所\tアラーム\r\n"
            "1\t2\t変換\ta\t2008/01/15 10:00\t2008/01/15 11:00\tp\t\r\n"
            "3\t4\t変換\tc\t2008/01/15 00:00\t2008/01/15 00:00\t\t2008/01/15 09:00\r\n");
}

// Closing the window while a long export is read ends the reading.
TEST_F(PreviewModelTest, DestroyedWhileReading) {
  std::string csv = "\"h\"\r\n";
  for (int i = 0; i < 20000; ++i) csv += "a,p,2008/1/15,10:00,2008/1/15,11:00,FALSE,,,\"\"\r\n";
  PreviewModel model(Request(csv));
  model.Update();
}

// Closing the window returns at once whatever the input does: a FIFO that
// never gets a writer, or one whose writer stops half way through a record.
TEST_F(PreviewModelTest, DestroyedWhileTheInputDeliversNothing) {
  SKIP_ON_WINDOWS("FIFOs are POSIX's; the Win32 tests cancel a read of a named pipe");
#ifndef _WIN32
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"a FIFO nobody writes", ""},
      {"a FIFO stalled inside a record", "\"h\"\r\n\"a\",\"p\",\"2008/1/15\",\"10:00\",\"a note"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string fifo = dir_ / "stalled.csv";
    const testing_support::StalledFifo stalled(fifo, row.bytes);
    const auto start = std::chrono::steady_clock::now();
    {
      PreviewModel model({fifo, dir_ / "out.vcs", {}, {}});
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_FALSE(model.Update() && model.Finished());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    std::filesystem::remove(fifo);
  }
#endif
}
