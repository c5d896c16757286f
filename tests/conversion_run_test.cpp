#include "conversion/conversion_run.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <utility>

#include "platform/files.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"
#include "text/characters.h"
#include "text/errors.h"
#include "text/quoted_printable.h"

using testing_support::Hex;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

const std::string kHeader = Sjis(R"("件名","場所","開始日","開始時刻","終了日","終了時刻","アラーム","アラーム日付","アラーム時刻","内容")");

std::string Record(const std::string& title, const std::string& date = "2008/01/15") {
  return "\"" + title + "\",\"" + Sjis("本社") + "\",\"" + date + "\",\"10:00:00\",\"" + date +
         "\",\"11:30:00\",\"FALSE\",\"" + date + "\",\"9:45:00\",\"" + Sjis("資料持参") + "\"";
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The block of Record(title) as the output file holds it.
std::string Block(const std::string& summary, const std::string& extra = "") {
  return "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nVERSION:1.0\r\nSUMMARY;ENCODING=QUOTED-PRINTABLE:" + summary +
         "\r\nDTSTART:20080115T010000Z\r\nDTEND:20080115T023000Z\r\n"
         "DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;\r\n"
         "DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:(=EF=BC=A0=E6=9C=AC=E7=A4=BE) "
         "=E8=B3=87=E6=96=99=E6=8C=81=E5=8F=82\r\n" +
         extra + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

// Records enough for several batches of input and several pieces of output,
// each with its own title: a0, a1, ... and every seventh one "skip".
std::string ManyRecords(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Record(i % 7 == 3 ? "skip" : "a" + std::to_string(i)) + "\r\n";
  return text;
}

std::string NulMessage(int line) {
  return Sjis("入力の ") + std::to_string(line) + Sjis(" 行目に NUL 文字があります");
}

std::string MarkMessage(const std::string& encoding, const std::string& bytes) {
  return Sjis("入力は ") + encoding + Sjis(" のテキストです (先頭にバイト順マーク ") + bytes +
         Sjis(")。Outlook のエクスポートは ANSI コード ページで書かれます");
}

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }
  void TearDown() override { platform::ClearRegionalProfileChoice(); }

  ConversionRequest Request(const std::string& input, LineList filters = {}, LineList options = {}) {
    WriteFileBytes(in_, input);
    return {in_, out_, std::move(options), std::move(filters)};
  }

  TempDir dir_;
  std::string in_ = dir_ / "export.csv";
  std::string out_ = dir_ / "calendar.vcs";
};

}  // namespace

TEST_F(ConversionRunTest, Outcomes) {
  const std::string a = Record("a"), b = Record(Sjis("会議")), c = Record("c");
  struct Row {
    const char* name;
    std::string input;
    LineList filters;
    std::string output;
    int converted;
    int filtered;
  };
  const Row rows[] = {
      {"header only", Lines({kHeader}), {}, "", 0, 0},
      {"empty file", "", {}, "", 0, 0},
      {"one record", Lines({kHeader, a}), {}, Block("a"), 1, 0},
      {"one of three filtered, file order kept", Lines({kHeader, a, b, c}), {Sjis("会議")},
       Block("a") + Block("c"), 2, 1},
      {"every record filtered", Lines({kHeader, a, c}), {"\",\""}, "", 0, 2},
      {"a filter string only in the header", Lines({kHeader, a}), {Sjis("件名")}, Block("a"), 1, 0},
      {"an empty filter line", Lines({kHeader, a}), {""}, Block("a"), 1, 0},
      {"a filtered record lacking fields raises nothing", Lines({kHeader, "\"x\"", a}), {"x"}, Block("a"), 1, 1},
      {"a header that is no record is never split", Lines({"\"\"", a}), {}, Block("a"), 1, 0},
      {"without a line break at the end", kHeader + "\r\n" + a, {}, Block("a"), 1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ConversionResult result = ConversionRun(Request(r.input, r.filters));
    EXPECT_EQ(result.ConvertedCount, r.converted);
    EXPECT_EQ(result.FilteredCount, r.filtered);
    EXPECT_TRUE(SameBytes(ReadFileBytes(out_), r.output));
  }
}

// Read ahead, converted and written on threads of their own, thousands of
// records keep their order and their counts.
TEST_F(ConversionRunTest, ExportsOfManyBatches) {
  const int count = 9000;
  std::string expected;
  for (int i = 0; i < count; ++i) {
    if (i % 7 != 3) expected += Block("a" + std::to_string(i));
  }
  const ConversionResult result = ConversionRun(Request(kHeader + "\r\n" + ManyRecords(count), {"skip"}));
  EXPECT_EQ(result.FilteredCount, (count + 3) / 7);
  EXPECT_EQ(result.ConvertedCount, count - result.FilteredCount);
  EXPECT_TRUE(SameBytes(ReadFileBytes(out_), expected));
}

// A title longer than a read piece, among records of several batches,
// gives the block it would give in a short export.
TEST_F(ConversionRunTest, ARecordLongerThanAReadPiece) {
  std::string title = "x";
  while (title.size() < (std::size_t{3} << 20)) title += Sjis("会議 ab");
  const std::string many = ManyRecords(3000);
  ConversionRun(Request(kHeader + "\r\n" + many, {"skip"}));
  const std::string blocks = ReadFileBytes(out_);
  ConversionRun(Request(kHeader + "\r\n" + many + Record(title) + "\r\n" + many, {"skip"}));
  EXPECT_TRUE(SameBytes(ReadFileBytes(out_), blocks + Block(EncodeQuotedPrintable(AnsiTextToUtf8(title))) + blocks));
}

TEST_F(ConversionRunTest, OptionLinesInEveryBlock) {
  const LineList options = {"X-A:1", "", Sjis("CATEGORIES:仕事")};
  ConversionRun(Request(Lines({kHeader, Record("a"), Record("b")}), {}, options));
  const std::string extra = "X-A:1\r\n\r\n" + Sjis("CATEGORIES:仕事") + "\r\n";
  EXPECT_TRUE(SameBytes(ReadFileBytes(out_), Block("a", extra) + Block("b", extra)));
}

// A run that fails leaves the output file as it was, or absent.
TEST_F(ConversionRunTest, FailuresLeaveTheOutputAlone) {
  struct Row {
    const char* name;
    std::string input;
    std::string message;
  };
  const Row rows[] = {
      {"a bad date in the third record", Lines({kHeader, Record("a"), Record("b"), Record("c", "2008/02/30")}),
       DateTimeTextError("2008/02/30 10:00:00").Message()},
      {"a short third record", Lines({kHeader, Record("a"), Record("b"), "\"c\",\"d\""}),
       ListIndexError(3).Message()},
      {"an unfinished last line", Lines({kHeader, Record("a"), ""}), ListIndexError(3).Message()},
      {"an export cut off inside a note", kHeader + "\r\n" + Record("a").substr(0, 60), ListIndexError(2).Message()},
      {"an unfinished last line reported before an earlier bad date",
       Lines({kHeader, Record("a", "2008/02/30"), Record("b"), ""}), ListIndexError(4).Message()},
      {"the first of two bad records", Lines({kHeader, Record("a", "2008/02/30"), Record("b", "2008/13/01")}),
       DateTimeTextError("2008/02/30 10:00:00").Message()},
      {"a bad date after thousands of records", Lines({kHeader}) + ManyRecords(9000) + Lines({Record("c", "2008/02/30")}),
       DateTimeTextError("2008/02/30 10:00:00").Message()},
      {"an unfinished last line thousands of records after a bad date",
       Lines({kHeader, Record("a", "2008/02/30")}) + ManyRecords(9000) + "\r\n", ListIndexError(9003).Message()},
      {"a NUL byte in the third line", Lines({kHeader, Record("a"), "\"b" + std::string(1, '\0') + "\""}),
       NulMessage(3)},
      {"a NUL byte thousands of lines after a bad date",
       Lines({kHeader, Record("a", "2008/02/30")}) + ManyRecords(9000) + std::string(1, '\0'), NulMessage(9003)},
      {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" + Lines({kHeader, Record("a")}), MarkMessage("UTF-8", "EF BB BF")},
      {"UTF-16 with a byte-order mark", std::string("\xFF\xFE\"\0", 4), MarkMessage("UTF-16 LE", "FF FE")},
  };
  // Both output formats read the fields alike and fail alike.
  for (const OutputFormat format : {OutputFormat::VCalendar, OutputFormat::ICalendar}) {
    for (const bool outputExists : {true, false}) {
      for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.name << (outputExists ? ", output exists" : ", no output")
                                          << (format == OutputFormat::ICalendar ? ", iCalendar" : ""));
        std::filesystem::remove(out_);
        if (outputExists) WriteFileBytes(out_, "old content");
        try {
          ConversionRequest request = Request(r.input);
          request.Format = format;
          ConversionRun(request);
          ADD_FAILURE() << "no error";
        } catch (const QuillmerError& error) {
          EXPECT_EQ(Hex(error.Message()), Hex(r.message));
        }
        if (outputExists) {
          EXPECT_EQ(ReadFileBytes(out_), "old content");
        } else {
          EXPECT_FALSE(std::filesystem::exists(out_));
        }
      }
    }
  }
}

TEST_F(ConversionRunTest, MissingInputKeepsTheOldOutput) {
  WriteFileBytes(out_, "old");
  const ConversionRequest request{dir_ / "missing.csv", out_, {}, {}};
  EXPECT_THROW(ConversionRun(request), FileOpenError);
  EXPECT_EQ(ReadFileBytes(out_), "old");
}

TEST_F(ConversionRunTest, LongerOldOutputIsReplacedWhole) {
  WriteFileBytes(out_, std::string(100000, 'x'));
  ConversionRun(Request(Lines({kHeader, Record("a")})));
  EXPECT_TRUE(SameBytes(ReadFileBytes(out_), Block("a")));
}

TEST_F(ConversionRunTest, OutputPathEqualToInputPath) {
  SKIP_ON_WINDOWS("the input is shared for reading only while it is read: Windows refuses it as the output");
  const std::string good = Lines({kHeader, Record("a")});
  WriteFileBytes(in_, good);
  ConversionRun({in_, in_, {}, {}});
  EXPECT_TRUE(SameBytes(ReadFileBytes(in_), Block("a")));

  const std::string bad = Lines({kHeader, Record("a"), Record("b", "2008/13/01")});
  WriteFileBytes(in_, bad);
  EXPECT_THROW(ConversionRun({in_, in_, {}, {}}), DateTimeTextError);
  EXPECT_EQ(ReadFileBytes(in_), bad);
}

// Reading stops at the first NUL, so an endless device of NULs fails at once.
TEST_F(ConversionRunTest, ReadingStopsAtTheFirstNul) {
  SKIP_ON_WINDOWS("no /dev/zero");
  WriteFileBytes(out_, "old");
  try {
    ConversionRun({"/dev/zero", out_, {}, {}});
    ADD_FAILURE() << "no error";
  } catch (const PlainError& error) {
    EXPECT_EQ(Hex(error.Message()), Hex(NulMessage(1)));
  }
  EXPECT_EQ(ReadFileBytes(out_), "old");
}

// Changes the export once, after its first piece was read.
class ChangeAfterFirstPiece final : public platform::FileReadSeam {
 public:
  explicit ChangeAfterFirstPiece(std::function<void()> change) : change_(std::move(change)) {
    platform::SetFileReadSeamForTesting(this);
  }
  ~ChangeAfterFirstPiece() override { platform::SetFileReadSeamForTesting(nullptr); }
  void PieceRead(std::size_t) override {
    if (change_) std::exchange(change_, nullptr)();
  }

 private:
  std::function<void()> change_;
};

// An export that changes while it is read would convert to a mix of two
// files: the run fails, names it, and writes nothing.
TEST_F(ConversionRunTest, AnExportChangedWhileReadFails) {
  SKIP_ON_WINDOWS("the export is shared for reading only while it is read: nobody can change it");
  const std::string text = Lines({kHeader, Record("a"), Record("b")});
  const std::string other = dir_ / "other.csv";
  auto overwrite = [this](std::streamoff at, std::string_view bytes) {
    std::fstream file(in_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(at);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  struct Row {
    const char* name;
    std::function<void()> change;
  };
  const Row rows[] = {
      {"grown", [&] { std::ofstream(in_, std::ios::app | std::ios::binary) << Record("c") << "\r\n"; }},
      {"shrunk", [&] { std::filesystem::resize_file(in_, text.size() / 2); }},
      {"overwritten in place, same size", [&] { overwrite(static_cast<std::streamoff>(kHeader.size() + 3), "b"); }},
      {"replaced by another file", [&] {
         WriteFileBytes(other, text);
         std::filesystem::rename(other, in_);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFileBytes(in_, text);
    // A change in the same clock tick as the file's last one would keep its time.
    std::filesystem::last_write_time(in_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    WriteFileBytes(out_, "old");
    try {
      const ChangeAfterFirstPiece changing(row.change);
      ConversionRun({in_, out_, {}, {}});
      ADD_FAILURE() << "no error";
    } catch (const PlainError& error) {
      EXPECT_EQ(Hex(error.Message()), Hex(Sjis("ファイル \"") + in_ + Sjis("\" は変換中に変更されました")));
    }
    EXPECT_EQ(ReadFileBytes(out_), "old");
  }
}

TEST_F(ConversionRunTest, OutputThatCannotBeCreatedKeepsNothingHalfWritten) {
  const ConversionRequest request{Request(Lines({kHeader, Record("a")})).InputPath, dir_ / "no-such-dir/out.vcs",
                                  {}, {}};
  EXPECT_THROW(ConversionRun(request), FileCreateError);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "no-such-dir"));
  // The input's errors come first.
  const ConversionRequest bad{Request(Lines({kHeader, Record("a", "2008/02/30")})).InputPath,
                              dir_ / "no-such-dir/out.vcs", {}, {}};
  EXPECT_THROW(ConversionRun(bad), DateTimeTextError);
}
