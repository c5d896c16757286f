#include "conversion/input_records.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <array>
#include <climits>
#include <cstring>
#include <deque>
#include <random>
#include <variant>

#include "platform/code_page.h"
#include "reference/literal_rules.h"
#include "support/test_support.h"
#include "text/characters.h"
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

class CodePage932 : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(932); }
};

using JoinRecordLinesTest = CodePage932;
using IsFilteredOutTest = CodePage932;

}  // namespace

TEST_F(JoinRecordLinesTest, JoinsLinesIntoRecords) {
  const std::string nine = R"("a","b","c","d","e","f","g","h","i",)";
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
      {"an unquoted header absorbs the first record", {"title,place", "\"a\",\"b\"", "\"c\""},
       {"title,place\"a\",\"b\"", "\"c\""}},
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
      {"an unfinished first line that absorbs everything", {"x", "y", "z"}, 1},
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
  const unsigned char pool[] = {'"', '"', ',', 'a', ' ', 0x5C, 0x40, 0x81, 0x82, 0x83, 0x85, 0x9F,
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
      if (expected != actual) {
        ADD_FAILURE() << "code page " << page << " round " << round << "\n  expected " << expected
                      << "\n  actual   " << actual;
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

TEST_F(IsFilteredOutTest, MatchesFilterLinesOnCharacterStarts) {
  const AnsiText meeting = "\"" + Sjis("会議") + "\",\"" + Sjis("本社") + "\",\"2008/01/15\"";
  const AnsiText soba = "\"" + Sjis("ソ") + "\",\"x\"";
  struct Row {
    const char* name;
    AnsiText record;
    LineList filters;
    bool filtered;
  };
  const Row rows[] = {
      {"a Japanese word", meeting, {Sjis("会議"), ""}, true},
      {"an empty filter line matches nothing", meeting, {""}, false},
      {"no filter lines", meeting, {}, false},
      {"quote comma quote matches any two quoted fields", meeting, {"\",\""}, true},
      {"a match across two fields", meeting, {Sjis("議\",\"本")}, true},
      {"a match in the date column", meeting, {"01/15"}, true},
      {"backslash inside a double-byte character", soba, {"\\"}, false},
      {"backslash after a double-byte character", "\"" + Sjis("ソ") + "\\\"", {"\\"}, true},
      {"letter case is not folded", "\"Meeting\"", {"meeting"}, false},
      {"width is not folded", "\"ABC\"", {Sjis("ＡＢＣ")}, false},
      {"a later filter line matches", meeting, {"zzz", Sjis("本社")}, true},
      {"a lead byte alone matches where its character starts", meeting, {Sjis("会").substr(0, 1)}, true},
      {"a line ending in a lead byte", meeting, {"\"" + Sjis("会").substr(0, 1)}, true},
      {"two bytes starting on a trail byte", soba, {"\\\""}, false},
      {"a trail byte alone", soba, {"\x5C"}, false},
      {"text after a NUL in a filter line is not searched", meeting, {std::string("01\0zz", 5)}, true},
      {"the record ends at its first NUL", std::string("\"a\0b\"", 5), {"b"}, false},
  };
  // Lines that occur nowhere make the filter take its one-pass form.
  const LineList padding = {"\x01\x02", "\x7F", Sjis("無関係な語")};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(IsFilteredOut(r.record, r.filters), r.filtered);
    LineList many = r.filters;
    many.AppendAll(padding);
    EXPECT_EQ(RecordFilter(many).Excludes(r.record), r.filtered);
  }
}

// Any number of filter lines, lead bytes everywhere, against the rule as written.
TEST(RecordFilterOracle, MatchesTheLiteralRule) {
  const std::vector<std::string> pieces = {"\"", ",", "a", "\\", Sjis("会議"), Sjis("ソ"), Sjis("ｱ"), "\x81",
                                           "\x83", "\x5C", "\xFC", std::string(1, '\0'), "01/15"};
  for (int page : {932, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page) * 7u);
    for (int round = 0; round < 3000; ++round) {
      auto randomText = [&](int most) {
        std::string text;
        for (int n = static_cast<int>(rng() % static_cast<unsigned>(most)); n > 0; --n) text += pieces[rng() % pieces.size()];
        return text;
      };
      const std::string record = randomText(12);
      LineList filters;
      for (int n = static_cast<int>(rng() % 40); n > 0; --n) {
        // Half of the lines are cut from the record, so that many of them hit.
        // Every line is at least one, four or six bytes long, round by round:
        // the filter then searches by byte pairs, or by four-byte grams.
        const std::size_t least = std::array<std::size_t, 3>{1, 4, 6}[static_cast<std::size_t>(round % 3)];
        std::string line = randomText(3 + static_cast<int>(least));
        if (rng() % 2 == 0 && !record.empty()) line = record.substr(rng() % record.size(), least + rng() % 5);
        if (line.size() < least) line.append(least - line.size(), 'q');
        filters.Append(line);
      }
      ASSERT_EQ(RecordFilter(filters).Excludes(record), reference::IsFilteredOutLiterally(record, filters))
          << "code page " << page << " record " << Hex(record);
    }
  }
  platform::SetAnsiCodePage(932);
}

// A record of more than 2^31 bytes, made of one small page of filler mapped
// over and over, so that it costs little memory. Empty when mapping fails.
class HugeRecord {
 public:
  explicit HugeRecord(std::string_view tail) {
#ifdef _WIN32
    static_cast<void>(tail);  // no shared mappings of one page over and over
#else
    const int fd = ::memfd_create("filler", 0);
    if (fd < 0 || ::ftruncate(fd, kPiece) != 0) return;
    void* filler = ::mmap(nullptr, kPiece, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (filler == MAP_FAILED) return;
    std::memset(filler, 'a', kPiece);
    ::munmap(filler, kPiece);
    size_ = kPieces * kPiece + kPiece;
    void* base = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return;
    base_ = static_cast<char*>(base);
    for (std::size_t i = 0; i < kPieces; ++i) {
      if (::mmap(base_ + i * kPiece, kPiece, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0) == MAP_FAILED) return;
    }
    ::close(fd);
    std::memset(base_ + kPieces * kPiece, 'a', kPiece);
    std::memcpy(base_ + kPieces * kPiece + 16, tail.data(), tail.size());
    ready_ = true;
#endif
  }
  ~HugeRecord() {
#ifndef _WIN32
    if (base_ != nullptr) ::munmap(base_, size_);
#endif
  }
  bool Ready() const { return ready_; }
  std::string_view Text() const { return std::string_view(base_, size_); }

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;
  static constexpr std::size_t kPieces = 2049;  // past 2^31 bytes
  char* base_ = nullptr;
  std::size_t size_ = 0;
  bool ready_ = false;
};

TEST_F(IsFilteredOutTest, MatchBeyondTwoGigabytes) {
  const HugeRecord record(Sjis("休暇"));
  if (!record.Ready()) GTEST_SKIP() << "cannot map 2 GiB of address space here";
  EXPECT_TRUE(IsFilteredOut(record.Text(), LineList{Sjis("休暇")}));
  EXPECT_FALSE(IsFilteredOut(record.Text(), LineList{Sjis("会議")}));
  EXPECT_EQ(FindSubstring(Sjis("休暇"), record.Text()), INT_MAX);
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
      lines.SplitTextIntoLines(text);
      const std::string expected = Describe(Outcome(std::vector<AnsiText>(lines.begin(), lines.end()), JoinRecordLines));
      JoinOutcome fused;
      try {
        std::deque<AnsiText> joined;
        const std::vector<std::string_view> records = detail::SplitIntoRecords(text, joined);
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
      lines.SplitTextIntoLines(text);
      const std::vector<AnsiText> lineItems(lines.begin(), lines.end());
      const std::string expected = Describe(Outcome(lineItems, JoinRecordLinesOneAtATime));
      JoinOutcome fused;
      try {
        std::deque<AnsiText> joined;
        const std::vector<std::string_view> records = detail::SplitIntoRecords(text, joined);
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
