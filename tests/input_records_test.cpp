#include "conversion/input_records.h"

#include <deque>
#include <random>
#include <variant>

#include "platform/code_page.h"
#include "reference/literal_rules.h"
#include "support/harness.h"
#include "support/test_support.h"
#include "text/errors.h"

using testing_support::Hex;
using testing_support::Sjis;

namespace {

using reference::JoinRecordLinesOneAtATime;

// The records, or the error message.
using JoinOutcome = std::variant<std::vector<AnsiText>, AnsiText>;

template <typename Join>
JoinOutcome Outcome(std::vector<AnsiText> lines, Join join) {
  LineList list;
  for (auto& line : lines) list.Append(line);
  try {
    join(list);
  } catch (const ListIndexError& error) {
    return error.Message();
  }
  return std::vector<AnsiText>(list.begin(), list.end());
}

std::string Describe(const JoinOutcome& outcome) {
  if (const auto* message = std::get_if<AnsiText>(&outcome)) return "error " + Hex(*message);
  std::string text;
  for (const AnsiText& item : std::get<std::vector<AnsiText>>(outcome)) text += "[" + Hex(item) + "] ";
  return text;
}

AnsiText IndexMessage(int index) { return ListIndexError(index).Message(); }

// The records as the run joins them, into one buffer, each line given in
// parts of 1 to 3 bytes as a long line is.
JoinOutcome JoinedInParts(const std::vector<AnsiText>& lines, std::mt19937& rng) {
  class PartLines final : public LineSource {
   public:
    PartLines(const std::vector<AnsiText>& lines, std::mt19937& rng) : lines_(lines), rng_(rng) {}
    bool Next(std::string_view&) override { return false; }
    bool NextPart(std::string_view& part, bool& more) override {
      if (line_ == lines_.size()) return false;
      part = std::string_view(lines_[line_]).substr(at_, 1 + rng_() % 3);
      at_ += part.size();
      more = at_ < lines_[line_].size();
      if (!more) ++line_, at_ = 0;
      return true;
    }

   private:
    const std::vector<AnsiText>& lines_;
    std::mt19937& rng_;
    std::size_t line_ = 0, at_ = 0;
  } source(lines, rng);
  RecordJoiner joiner(source);
  AnsiText buffer;
  std::vector<AnsiText> records;
  for (std::string_view record;;) {
    const RecordJoiner::Step step = joiner.Next(record, &buffer);
    if (step == RecordJoiner::Step::End) return records;
    if (step == RecordJoiner::Step::Unfinished) return joiner.UnfinishedError().Message();
    records.emplace_back(record);
  }
}

class CodePage932 : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(932); }
};

using JoinRecordLinesTest = CodePage932;

}  // namespace

TEST_F(JoinRecordLinesTest, JoinsLinesIntoRecords) {
  const std::string nine = R"("a","b","c","d","e","f","g","h","i",)";
  // Headers as a script or a spreadsheet writes them, and records whose last
  // field is an unset value (nothing between the commas).
  const AnsiText japaneseHeader = Sjis("件名,場所,開始日,開始時刻,終了日,終了時刻,アラーム オン/オフ,アラーム日付,アラーム時刻,内容");
  const AnsiText englishHeader = "Subject,Start Date,Start Time,End Date,End Time,Reminder on/off,Description";
  const AnsiText tenColumns = Sjis("会議,本社,2024/1/5,10:00,2024/1/5,11:00,FALSE,,,資料");
  const AnsiText emptyNotes = R"("t","p","2024/01/05","10:00","2024/01/05","11:00","FALSE",,,)";
  // Outlook's 22 columns, the notes (column 19) between head and tail.
  const AnsiText head = Sjis(R"("会議","2024/1/5","10:00:00","2024/1/5","11:00:00","False","False",,,)"
                             R"("山田","","","","False","","2","","本社",)");
  const AnsiText tail = Sjis(R"(,"標準","",)");
  const AnsiText defaultLayout = head + "\"\"" + tail;
  struct Row {
    const char* name;
    std::vector<AnsiText> lines;
    std::vector<AnsiText> records;
  };
  const Row rows[] = {
      {"every line ends with a quote", {R"("h1","h2")", R"("a","b")", R"("c","d")"},
       {R"("h1","h2")", R"("a","b")", R"("c","d")"}},
      {"a note over two lines loses its line break", {nine + "\"first line", "second line\""},
       {nine + "\"first linesecond line\""}},
      {"a line ending with comma and quote is unfinished", {"\"a\",\"", "text\""}, {"\"a\",\"text\""}},
      {"a field over three lines joins twice at one place", {"\"a", "b", "c\"", "\"x\""},
       {"\"abc\"", "\"x\""}},
      {"an empty line between records disappears", {"\"a\"", "", "\"b\""}, {"\"a\"", "\"b\""}},
      {"a single quote closes the field left open above", {"\"a", "\"", "\"b\""}, {"\"a\"", "\"b\""}},
      {"a last field ending in a comma closes its record", {"\"a\",\"b,\"", "\"c\""},
       {"\"a\",\"b,\"", "\"c\""}},
      {"a note line ending in a quoted word stays in its field",
       {"\"t\",\"say \"\"hi\"\"", "more\""}, {"\"t\",\"say \"\"hi\"\"more\""}},
      {"a note line ending in a comma and a quoted word", {"\"t\",\"a,\"\"b\"\"", "\"", "\"c\""},
       {"\"t\",\"a,\"\"b\"\"\"", "\"c\""}},
      {"an unquoted Japanese header is a record of its own", {japaneseHeader, tenColumns, tenColumns},
       {japaneseHeader, tenColumns, tenColumns}},
      {"an unquoted English header is a record of its own", {englishHeader, tenColumns}, {englishHeader, tenColumns}},
      {"default layout records ending with an empty field",
       {defaultLayout, head + "\"" + Sjis("資料"), Sjis("持参") + "\"" + tail, defaultLayout},
       {defaultLayout, head + "\"" + Sjis("資料持参") + "\"" + tail, defaultLayout}},
      {"ten-column records ending with an empty field", {"\"h\"", emptyNotes, emptyNotes},
       {"\"h\"", emptyNotes, emptyNotes}},
      {"a blank line joins the next record", {"\"a\"", " \t", "\"b\""}, {"\"a\"", " \t\"b\""}},
      {"a double-byte note line is joined whole", {"\"" + Sjis("会議"), Sjis("資料") + "\""},
       {"\"" + Sjis("会議資料") + "\""}},
      {"a trail byte 0x5C before the line end changes nothing", {"\"" + Sjis("ソ"), "\""},
       {"\"" + Sjis("ソ") + "\""}},
      {"a lead byte before the quote stands alone", {"\"a\x82\""}, {"\"a\x82\""}},
      {"no lines", {}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const JoinOutcome outcome = Outcome(r.lines, JoinRecordLines);
    EXPECT_EQ(Describe(outcome), Describe(JoinOutcome(r.records)));
  }
}

TEST_F(JoinRecordLinesTest, UnfinishedLastLineNamesTheMissingIndex) {
  struct Row {
    const char* name;
    std::vector<AnsiText> lines;
    int index;
  };
  const Row rows[] = {
      {"an empty line after the last record", {"\"h\"", "\"a\"", "\"b\"", ""}, 4},
      {"an export cut off inside a note", {"\"h\"", "\"a\"", "\"b\",\"note", "goes on"}, 3},
      {"a single unfinished line", {"\"a"}, 1},
      {"the last line ends with comma and quote", {"\"h\"", "\"a\",\""}, 2},
      {"a lone quote opens a field that never closes", {"\"h\"", "\"", "\"a\""}, 2},
      {"a quote opened after an unquoted line runs to the end", {"x", "\"y", "z"}, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const JoinOutcome outcome = Outcome(r.lines, JoinRecordLines);
    EXPECT_EQ(Describe(outcome), Describe(JoinOutcome(IndexMessage(r.index))));
  }
}

TEST_F(JoinRecordLinesTest, LeavesTheJoinsMadeBeforeTheError) {
  LineList lines{"\"h\"", "\"a", "b\"", "\"c", "d"};
  EXPECT_THROW(JoinRecordLines(lines), ListIndexError);
  EXPECT_EQ(lines, (LineList{"\"h\"", "\"ab\"", "\"cd"}));
}

// The compacting pass must give what the one-join-at-a-time loop gives, in
// every code page, for lines full of quotes, commas, lead bytes and bytes
// that are no character.
TEST(JoinRecordLinesOracle, MatchesTheOneAtATimeLoop) {
  const unsigned char pool[] = {'"', '"', ',', 'a', ' ', '\t', 0x5C, 0x40, 0x81, 0x82, 0x83, 0x85, 0x9F,
                                0xA0, 0xB1, 0xE0, 0xEF, 0xFC, 0xFD, 0xFF, 0x80, 0x7F, 0xA1};
  for (int page : {932, 936, 950, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page));
    for (int round = 0; round < 3000; ++round) {
      std::vector<AnsiText> lines(rng() % 7);
      for (AnsiText& line : lines) {
        line.resize(rng() % 9);
        for (char& c : line) c = static_cast<char>(rng() % 4 == 0 ? rng() % 256 : pool[rng() % sizeof pool]);
        if (rng() % 3 == 0) line += '"';
      }
      const std::string expected = Describe(Outcome(lines, JoinRecordLinesOneAtATime));
      const std::string actual = Describe(Outcome(lines, JoinRecordLines));
      const std::string inParts = Describe(JoinedInParts(lines, rng));
      if (expected != actual || expected != inParts) {
        ADD_FAILURE() << "code page " << page << " round " << round << "\n  expected " << expected
                      << "\n  actual   " << actual << "\n  in parts " << inParts;
        return;
      }
    }
  }
  platform::SetAnsiCodePage(932);
}

TEST_F(JoinRecordLinesTest, LongRunsOfLeadBytesAcrossLines) {
  // Bytes that are all in the lead range pair up from the first one; the
  // record's end is found the same way however the run is split into lines.
  const AnsiText run(301, '\x93');
  const std::vector<AnsiText> lines = {"\"" + run.substr(0, 100), run.substr(100, 100), run.substr(200) + "\"",
                                       "\"x\""};
  EXPECT_EQ(Describe(Outcome(lines, JoinRecordLines)), Describe(Outcome(lines, JoinRecordLinesOneAtATime)));
}

// The run reads records straight from the file's bytes; they must be the
// records of splitting the text into lines and joining them, errors included.
TEST(SplitIntoRecordsOracle, MatchesLinesThenJoin) {
  const unsigned char pool[] = {'"', '"', ',', 'a', '\r', '\n', '\r', '\n', 0x00, 0x82, 0x83, 0x5C, 0xA0, 0xE0, 0xFC};
  for (int page : {932, 950, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page) + 99u);
    for (int round = 0; round < 4000; ++round) {
      std::string text(rng() % 24, '\0');
      for (char& c : text) c = static_cast<char>(rng() % 5 == 0 ? rng() % 256 : pool[rng() % sizeof pool]);

      LineList lines;
      SplitTextIntoLines(lines, text);
      const std::string expected = Describe(Outcome(std::vector<AnsiText>(lines.begin(), lines.end()), JoinRecordLines));
      JoinOutcome fused;
      try {
        std::deque<AnsiText> joined;
        const std::vector<std::string_view> records = SplitIntoRecords(text, joined);
        fused = std::vector<AnsiText>(records.begin(), records.end());
      } catch (const ListIndexError& error) {
        fused = error.Message();
      }
      if (Describe(fused) != expected) {
        ADD_FAILURE() << "code page " << page << " text " << Hex(text) << "\n  expected " << expected
                      << "\n  actual   " << Describe(fused);
        break;
      }
    }
  }
  platform::SetAnsiCodePage(932);
}

// Records of export-like text (whole Japanese characters, quotes after them,
// notes over several lines) against the one-join-at-a-time loop, through both
// the list form and the run's form straight from the bytes.
TEST(SplitIntoRecordsOracle, MatchesTheOneAtATimeLoopOnExportLikeText) {
  const std::vector<std::string> pieces = {"\"", "\",\"", ",", "a", " ", "\r\n", "\n", Sjis("会議"), Sjis("。"),
                                           Sjis("ソ"), Sjis("ｱ"), "\x81", "\x81\x22", "\x85\x40", "\xFA\x5C"};
  for (int page : {932, 936}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page) * 31u);
    for (int round = 0; round < 4000; ++round) {
      std::string text;
      for (int n = static_cast<int>(rng() % 16); n > 0; --n) text += pieces[rng() % pieces.size()];
      if (rng() % 2) text += "\"\r\n";

      LineList lines;
      SplitTextIntoLines(lines, text);
      const std::vector<AnsiText> lineItems(lines.begin(), lines.end());
      const std::string expected = Describe(Outcome(lineItems, JoinRecordLinesOneAtATime));
      JoinOutcome fused;
      try {
        std::deque<AnsiText> joined;
        const std::vector<std::string_view> records = SplitIntoRecords(text, joined);
        fused = std::vector<AnsiText>(records.begin(), records.end());
      } catch (const ListIndexError& error) {
        fused = error.Message();
      }
      const std::string listed = Describe(Outcome(lineItems, JoinRecordLines));
      if (Describe(fused) != expected || listed != expected) {
        ADD_FAILURE() << "code page " << page << " text " << Hex(text) << "\n  expected " << expected
                      << "\n  from bytes " << Describe(fused) << "\n  from list  " << listed;
        break;
      }
    }
  }
  platform::SetAnsiCodePage(932);
}
