#include "support/harness.h"
#include "text/line_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "reference/literal_rules.h"
#include "support/test_support.h"
#include "text/errors.h"
#include "text/line_stream.h"

using testing_support::Hex;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

using Items = std::vector<std::string>;

Items ItemsOf(const LineList& list) { return Items(list.begin(), list.end()); }

Items SplitSlowly(std::string_view text) { return reference::SplitLinesLiterally(text); }

TEST(SplitTextIntoLines, LineEndsAndTheEndOfText) {
  using namespace std::string_literals;
  struct Row {
    const char* name;
    std::string text;
    Items items;
  };
  const Row rows[] = {
      {"CR LF after every line", "a\r\nb\r\n", {"a", "b"}},
      {"no line end at the end", "a\r\nb", {"a", "b"}},
      {"lone LF", "a\nb", {"a", "b"}},
      {"lone CR", "a\rb", {"a", "b"}},
      {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
      {"CR before CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"empty line before the end", "a\r\n\r\n", {"a", ""}},
      {"only CR LF", "\r\n", {""}},
      {"empty text", "", {}},
      {"text ends at NUL", "a\0b\r\nc"s, {"a"}},
      {"NUL first", "\0a"s, {}},
      {"LF CR at the end", "a\n\r", {"a", ""}},
      {"lone CR at the end", "a\r", {"a"}},
      {"lines ended by CR only", "a\rb\rc\r", {"a", "b", "c"}},
      {"NUL right after CR", "a\r\0\nb"s, {"a"}},
      {"blank lines kept", "\n\n x \n", {"", "", " x "}},
      {"double-byte text is not cut", Sjis("予定\r\n表"), {Sjis("予定"), Sjis("表")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LineList list{"stale item"};
    SplitTextIntoLines(list, row.text);
    EXPECT_EQ(ItemsOf(list), row.items);
  }
}

TEST(SplitTextIntoLines, AgreesWithTheLiteralRulesOnRandomText) {
  const char alphabet[] = {'a', '\r', '\n', '\0', '\x82', 'b', '\r', '\n'};
  std::mt19937 random(20240601);
  LineList list;
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 80, ' ');
    // Most rounds without NUL, so the line rules see long texts too; in odd
    // rounds line breaks are rare, so that lines span the sixteen-byte steps
    // of the search for their ends.
    const std::size_t letters = round % 4 == 0 ? sizeof alphabet : sizeof alphabet - 1;
    for (char& c : text) c = round % 2 && random() % 16 != 0 ? 'a' : alphabet[random() % letters];
    if (round % 4 != 0) {
      for (char& c : text) c = c == '\0' ? 'z' : c;
    }
    SplitTextIntoLines(list, text);
    ASSERT_EQ(ItemsOf(list), SplitSlowly(text)) << Hex(text);
  }
}

// A source that gives its text in pieces of 1 to limit bytes.
class Pieces final : public ByteSource {
 public:
  Pieces(std::string_view text, std::mt19937& random, unsigned limit = 7)
      : text_(text), random_(random), limit_(limit) {}
  std::size_t Read(char* buffer, std::size_t capacity) override {
    const std::size_t n = std::min({capacity, text_.size(), std::size_t{1} + random_() % limit_});
    std::memcpy(buffer, text_.data(), n);
    text_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view text_;
  std::mt19937& random_;
  unsigned limit_;
};

std::string NulMessage(std::size_t line) {
  return Sjis("入力の ") + std::to_string(line) + Sjis(" 行目に NUL 文字があります");
}

// Read in pieces of any size (CR LF split between two, a buffer smaller than a
// line, whole or in parts), the input gives the lines of the whole text; a NUL fails where its
// line would come.
TEST(LineStream, TheLinesOfTheWholeTextInAnyPieces) {
  const char alphabet[] = {'a', '\r', '\n', '\x82', 'b', '\r', '\n', '\0'};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % (round % 4 == 0 ? sizeof alphabet : sizeof alphabet - 1)];
    Pieces source(text, random);
    LineStream stream(source, 1 + random() % 8);
    // Every other round a line longer than the buffer comes in parts.
    const bool inParts = round % 2 == 1;
    Items lines;
    std::string error;
    try {
      std::string line;
      bool more = false;
      for (std::string_view part; inParts ? stream.NextPart(part, more) : stream.Next(part);) {
        line.append(part);
        if (!more) lines.push_back(std::exchange(line, {}));
      }
    } catch (const PlainError& e) {
      error = e.Message();
    }
    const std::size_t nul = text.find('\0');
    const std::size_t nulLine = nul == std::string::npos ? nul : text.find_last_of("\r\n", nul) + 1;
    const Items expected = SplitSlowly(text.substr(0, nulLine));
    ASSERT_EQ(lines, expected) << Hex(text);
    ASSERT_EQ(error, nul == std::string::npos ? "" : NulMessage(expected.size() + 1)) << Hex(text);
  }
}

// An export in UTF-8 or UTF-16 with a byte-order mark is refused before any
// line, however the first bytes arrive; bytes that only begin like a mark are
// text.
TEST(LineStream, AByteOrderMarkIsNoExport) {
  const std::string tail = Sjis("。Outlook のエクスポートは ANSI コード ページで書かれます");
  struct Row {
    const char* name;
    std::string text;
    Items lines;
    std::string message;
  };
  const Row rows[] = {
      {"UTF-8", "\xEF\xBB\xBF\"a\"\r\n", {}, "UTF-8 " + Sjis("のテキストです (先頭にバイト順マーク ") + "EF BB BF)"},
      {"UTF-16 LE", std::string("\xFF\xFE\"\0", 4), {}, "UTF-16 LE " + Sjis("のテキストです (先頭にバイト順マーク ") + "FF FE)"},
      {"UTF-16 BE", std::string("\xFE\xFF\0\"", 4), {}, "UTF-16 BE " + Sjis("のテキストです (先頭にバイト順マーク ") + "FE FF)"},
      {"the mark alone", "\xFF\xFE", {}, "UTF-16 LE " + Sjis("のテキストです (先頭にバイト順マーク ") + "FF FE)"},
      {"two bytes of the UTF-8 mark", "\xEF\xBB\r\nb", {"\xEF\xBB", "b"}, ""},
      {"a lone first byte", "\xEF", {"\xEF"}, ""},
      {"a mark after the first line", "a\n\xFF\xFE", {"a", "\xFF\xFE"}, ""},
      {"a short first line", "\xFE\n", {"\xFE"}, ""},
  };
  std::mt19937 random(3);
  for (const Row& row : rows) {
    for (unsigned limit : {1u, 2u, 64u}) {
      SCOPED_TRACE(::testing::Message() << row.name << ", pieces up to " << limit);
      Pieces source(row.text, random, limit);
      LineStream stream(source, 1);
      Items lines;
      std::string error;
      try {
        for (std::string_view line; stream.Next(line);) lines.emplace_back(line);
      } catch (const PlainError& e) {
        error = e.Message();
      }
      EXPECT_EQ(lines, row.lines);
      EXPECT_EQ(Hex(error), Hex(row.message.empty() ? "" : Sjis("入力は ") + row.message + tail));
    }
  }
}

TEST(JoinLinesToText, EveryItemEndsWithCrLf) {
  struct Row {
    const char* name;
    LineList list;
    std::string text;
  };
  const Row rows[] = {
      {"two items", {"a", "b"}, "a\r\nb\r\n"},
      {"one empty item", {""}, "\r\n"},
      {"empty list", {}, ""},
      {"item holding CR LF is written unchanged", {"=41\r\n=42", "c"}, "=41\r\n=42\r\nc\r\n"},
      {"empty items keep their place", {"", "x", ""}, "\r\nx\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(SameBytes(JoinLinesToText(row.list), row.text));
  }
}

TEST(LineListIndex, OutOfRangeRaisesWithTheIndexAndChangesNothing) {
  struct Row {
    const char* name;
    int index;
    const char* shown;
  };
  const Row rows[] = {
      {"Count", 3, "(3)"},
      {"minus one", -1, "(-1)"},
      {"far beyond", 1000, "(1000)"},
      {"most negative", INT_MIN, "(-2147483648)"},
  };
  const LineList before{"a", "b", "c"};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string message = Sjis("リストのインデックスが範囲を超えています ") + row.shown;
    LineList list = before;
    auto expectIndexError = [&](auto&& operation) {
      try {
        operation();
        ADD_FAILURE() << "no ListIndexError";
      } catch (const ListIndexError& error) {
        EXPECT_TRUE(SameBytes(error.Message(), message));
      }
      EXPECT_EQ(list, before);
    };
    expectIndexError([&] { (void)list.ItemAt(row.index); });
    expectIndexError([&] { SetItemAt(list, row.index, "x"); });
    expectIndexError([&] { RemoveAt(list, row.index); });
  }
  LineList empty;
  EXPECT_THROW((void)empty.ItemAt(0), ListIndexError);
}

TEST(LineListIndex, RemoveAndSetTouchOnlyTheirItem) {
  LineList list{"a", "b", "c"};
  RemoveAt(list, 0);
  EXPECT_EQ(ItemsOf(list), (Items{"b", "c"}));
  SetItemAt(list, 1, "z");
  EXPECT_EQ(ItemsOf(list), (Items{"b", "z"}));
  RemoveAt(list, 1);
  EXPECT_EQ(ItemsOf(list), (Items{"b"}));
  EXPECT_EQ(list.Append(""), 1);
  EXPECT_EQ(list.Append("b"), 2);  // duplicates and empty items stay
  EXPECT_EQ(ItemsOf(list), (Items{"b", "", "b"}));
}

TEST(LineListCopying, AppendAllAndReplaceAll) {
  const LineList source{"x", "", "y"};
  struct Row {
    const char* name;
    LineList start;
    bool replace;
    bool fromItself;
    const LineList* from;
    Items items;
  };
  const LineList empty;
  const Row rows[] = {
      {"append to items", {"a"}, false, false, &source, {"a", "x", "", "y"}},
      {"append nothing", {"a", "b"}, false, false, &empty, {"a", "b"}},
      {"append to itself doubles", {"a", "b"}, false, true, nullptr, {"a", "b", "a", "b"}},
      {"replace items", {"a", "b", "c", "d"}, true, false, &source, {"x", "", "y"}},
      {"replace by nothing empties", {"a"}, true, false, &empty, {}},
      {"replace by itself keeps the items", {"a", "b"}, true, true, nullptr, {"a", "b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LineList list = row.start;
    const LineList& from = row.fromItself ? list : *row.from;
    if (row.replace) {
      ReplaceAll(list, from);
    } else {
      AppendAll(list, from);
    }
    EXPECT_EQ(ItemsOf(list), row.items);
  }
  EXPECT_EQ(ItemsOf(source), (Items{"x", "", "y"}));
}

TEST(LineListFiles, SavedBytesAndLoadingThemBack) {
  TempDir dir;
  struct Row {
    const char* name;
    LineList list;
    std::string bytes;
    Items reloaded;
  };
  const Row rows[] = {
      {"two items", {"a", "b"}, "a\r\nb\r\n", {"a", "b"}},
      {"one empty item", {""}, "\r\n", {""}},
      {"empty list gives an empty file", {}, "", {}},
      {"item with CR LF reloads as two", {"a\r\nb", "c"}, "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
      {"double-byte items", {Sjis("会議"), Sjis("ソ表")}, Sjis("会議\r\nソ表\r\n"), {Sjis("会議"), Sjis("ソ表")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir / "out.vcs";
    SaveLinesToFile(row.list, path);
    EXPECT_TRUE(SameBytes(ReadFileBytes(path), row.bytes));
    LineList loaded{"stale"};
    LoadLinesFromFile(loaded, path);
    EXPECT_EQ(ItemsOf(loaded), row.reloaded);
  }
}

TEST(LineListFiles, ByteOrderMarksAreOrdinaryBytes) {
  TempDir dir;
  struct Row {
    const char* name;
    std::string bytes;
    Items items;
  };
  using namespace std::string_literals;
  const Row rows[] = {
      {"UTF-8 mark stays in the first item", "\xEF\xBB\xBFtitle\r\nx\r\n", {"\xEF\xBB\xBFtitle", "x"}},
      {"UTF-16 text ends at its first zero byte", "\xFF\xFE\x41\x00\x0D\x00\x0A\x00"s, {"\xFF\xFE\x41"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFileBytes(dir / "in.csv", row.bytes);
    LineList list;
    LoadLinesFromFile(list, dir / "in.csv");
    EXPECT_EQ(ItemsOf(list), row.items);
  }
}

TEST(LineListFiles, FailedLoadKeepsTheItems) {
  TempDir dir;
  LineList list{"kept", ""};
  EXPECT_THROW(LoadLinesFromFile(list, dir / "missing.csv"), FileOpenError);
  EXPECT_EQ(ItemsOf(list), (Items{"kept", ""}));
}

}  // namespace
