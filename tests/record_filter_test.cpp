#include "conversion/record_filter.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/code_page.h"
#include "reference/literal_rules.h"
#include "support/harness.h"
#include "support/test_support.h"
#include "text/characters.h"

using testing_support::Hex;
using testing_support::Sjis;

namespace {

class RecordFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(932); }
  void TearDown() override { platform::SetAnsiCodePage(932); }
};

// count lines head + a six-digit number + tail, numbered from 1.
LineList Numbered(const std::string& head, int count, const std::string& tail = "") {
  LineList lines;
  for (int i = 1; i <= count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i);
    lines.Append(head + number + tail);
  }
  return lines;
}

// The automaton keeps a table of transitions for its first states only; with
// none, every state but the first is looked up among its children.
constexpr std::size_t kNoTable = 0;

}  // namespace

TEST_F(RecordFilterTest, MatchesFilterLinesOnCharacterStarts) {
  const AnsiText meeting = "\"" + Sjis("会議") + "\",\"" + Sjis("本社") + "\",\"2008/01/15\"";
  const AnsiText soba = "\"" + Sjis("ソ") + "\",\"x\"";
  const AnsiText head = Sjis("本社 X");
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
      {"a filter line that starts with NUL matches nothing", meeting, {std::string("\0\"", 2)}, false},
      {"the record ends at its first NUL", std::string("\"a\0b\"", 5), {"b"}, false},
      {"a match before the record's NUL", std::string("\"ab\0b\"", 6), {"zz", "b"}, true},
      // The first occurrence begins on a trail byte; the next, overlapping
      // it, on a character start.
      {"a later overlapping occurrence on a character start", "\x83\x5C\x5C\x5C", {"\x5C\x5C"}, true},
      {"occurrences on trail bytes only", "\x83\x5C\x83\x5C\x83", {"\x5C\x83", "\x5C\x83\x5C"}, false},
      // After the lead byte, 0x2C begins a character and 0x5C does not: the
      // two children must still be searched in order.
      {"a lead byte followed by bytes below and above 0x40", "\x83\x5C", {"\x83\x2C", "\x83\x5C"}, true},
      {"a shorter line inside a longer partial match", "abcx", {"abcd", "bcx"}, true},
      {"a line and a longer line that begins with it", meeting, {Sjis("会議室"), Sjis("会")}, true},
      {"many lines sharing their start, one of them present", "\"" + head + "000037\"", Numbered(head, 20000), true},
      {"many lines sharing their start, none complete", "\"" + head + "00003\",\"" + head + "0\"",
       Numbered(head, 20000), false},
      {"many lines sharing their end", "\"X000012" + Sjis("会議") + "\"", Numbered("X", 20000, Sjis("会議")), true},
      {"many lines sharing their end, on a trail byte", "\x83X000012" + Sjis("会議"),
       Numbered("X", 2000, Sjis("会議")), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(IsFilteredOut(r.record, r.filters), r.filtered);
    EXPECT_EQ(RecordFilter(r.filters, kNoTable).Excludes(r.record), r.filtered);
  }
}

// Any number of filter lines, lead bytes and NULs everywhere, lines that
// share their start or end, against the rule as written.
TEST_F(RecordFilterTest, MatchesTheLiteralRule) {
  const std::vector<std::string> pieces = {"\"", ",", "a", "\\", Sjis("会議"), Sjis("ソ"), Sjis("ｱ"), "\x81",
                                           "\x83", "\x5C", "\xFC", std::string(1, '\0'), "01/15", "X0"};
  for (int page : {932, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page) * 7u);
    for (int round = 0; round < 3000; ++round) {
      auto randomText = [&](int most) {
        std::string text;
        for (int n = static_cast<int>(rng() % static_cast<unsigned>(most)); n > 0; --n) text += pieces[rng() % pieces.size()];
        return text;
      };
      const std::string records[] = {randomText(12), randomText(40)};
      const std::string& record = records[round % 2];
      LineList filters;
      // Every line is at least one, four or six bytes long, round by round,
      // which changes the grams the filter reads.
      const std::size_t least = std::array<std::size_t, 3>{1, 4, 6}[static_cast<std::size_t>(round % 3)];
      const std::string shared = randomText(4);
      for (int n = static_cast<int>(rng() % 40); n > 0; --n) {
        // Lines cut from the record (so that many of them hit), random ones,
        // and lines around a common start or end.
        std::string line = randomText(3 + static_cast<int>(least));
        const unsigned kind = rng() % 4;
        if (kind == 0 && !record.empty()) line = record.substr(rng() % record.size(), least + rng() % 5);
        if (kind == 1) line = shared + line;
        if (kind == 2) line += shared;
        if (line.size() < least) line.append(least - line.size(), 'q');
        filters.Append(line);
      }
      const std::size_t table = std::array<std::size_t, 3>{kNoTable, 64, 1u << 20}[rng() % 3];
      const RecordFilter filter(filters, table);
      for (const std::string& r : records) {
        ASSERT_EQ(filter.Excludes(r), reference::IsFilteredOutLiterally(r, filters))
            << "code page " << page << " record " << Hex(r);
      }
    }
  }
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

TEST_F(RecordFilterTest, MatchBeyondTwoGigabytes) {
  const HugeRecord record(Sjis("休暇"));
  if (!record.Ready()) GTEST_SKIP() << "cannot map 2 GiB of address space here";
  EXPECT_TRUE(IsFilteredOut(record.Text(), LineList{Sjis("休暇")}));
  EXPECT_FALSE(IsFilteredOut(record.Text(), LineList{Sjis("会議")}));
  EXPECT_EQ(FindSubstring(Sjis("休暇"), record.Text()), INT_MAX);
}
