#include "app/memo_text.h"

#include "platform/code_page.h"
#include "support/test_support.h"
#include "text/errors.h"

using testing_support::Hex;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

class MemoTextTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(932); }
  TempDir dir_;
};

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

}  // namespace

TEST_F(MemoTextTest, LineBreaksBecomeCrLf) {
  struct Row {
    const char* name;
    std::string in;
    std::string out;
  };
  const Row rows[] = {
      {"CR LF kept", "a\r\nb", "a\r\nb"},
      {"lone LF", "a\nb\n", "a\r\nb\r\n"},
      {"lone CR", "a\rb", "a\r\nb"},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb"},
      {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb"},
      {"a lead byte before LF stands alone", Bytes({0x82, 0x0A, 'a', 0x0A}),
       Bytes({0x82, 0x0D, 0x0A, 'a', 0x0D, 0x0A})},
      {"a lead byte before CR LF stands alone", Bytes({0x82, 0x0D, 0x0A}), Bytes({0x82, 0x0D, 0x0A})},
      {"a trail byte equal to a backslash", Sjis("ソ\n"), Sjis("ソ") + "\r\n"},
      {"a lead byte at the end", Bytes({'a', 0x0A, 0x82}), Bytes({'a', 0x0D, 0x0A, 0x82})},
      {"NUL is walked over", std::string("a\0\nb", 4), std::string("a\0\r\nb", 5)},
      {"empty", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(NormaliseMemoLineBreaks(r.in), r.out));
  }
}

TEST_F(MemoTextTest, LineView) {
  const std::string longLine = std::string(4095, 'x') + Sjis("漢") + "y";
  struct Row {
    const char* name;
    std::string text;
    LineList lines;
  };
  const Row rows[] = {
      {"empty memo", "", {}},
      {"one line", "a", {"a"}},
      {"a final line break adds no line", "a\r\n", {"a"}},
      {"an empty line before the last counts", "a\r\n\r\n", {"a", ""}},
      {"an empty line inside counts", "a\r\n\r\nb", {"a", "", "b"}},
      {"only a line break", "\r\n", {""}},
      {"a line is cut at 4096 bytes, even inside a character", longLine + "\r\nb",
       {longLine.substr(0, 4096), "b"}},
      {"a lone LF is no line break here", "a\nb", {"a\nb"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(MemoLines(r.text), r.lines);
  }
}

TEST_F(MemoTextTest, ReadingASideFile) {
  const std::string path = dir_ / "option.txt";
  WriteFileBytes(path, std::string("X-A:1\nX-B:2\0rest\n", 17));
  EXPECT_TRUE(SameBytes(ReadMemoFile(path), "X-A:1\r\nX-B:2"));

  try {
    ReadMemoFile(dir_ / "missing.txt");
    ADD_FAILURE() << "no error";
  } catch (const FileOpenError& error) {
    EXPECT_NE(error.Message().find(dir_ / "missing.txt"), std::string::npos);
  }
}

TEST_F(MemoTextTest, WrittenBackByteForByte) {
  const std::string path = dir_ / "filter.txt";
  WriteFileBytes(path, "old and longer content");
  const std::string text = Sjis("会議\r\n\r\nソ");
  WriteMemoFile(path, text);
  EXPECT_TRUE(SameBytes(ReadFileBytes(path), text));
  EXPECT_TRUE(SameBytes(ReadMemoFile(path), text));
  WriteMemoFile(path, "");
  EXPECT_EQ(ReadFileBytes(path), "");
}

TEST_F(MemoTextTest, TooLargeForTheBox) {
  // Line breaks that normalisation doubles push a file just under the limit over it.
  const std::string path = dir_ / "big.txt";
  WriteFileBytes(path, std::string(MemoTextLimit - 10, 'a') + std::string(20, '\n'));
  try {
    ReadMemoFile(path);
    ADD_FAILURE() << "no error";
  } catch (const PlainError& error) {
    EXPECT_EQ(Hex(error.Message()), Hex(Sjis("文字列の大きさがメモの制限を越えました")));
  }
  // What follows a NUL does not count.
  WriteFileBytes(path, "a" + std::string(1, '\0') + std::string(MemoTextLimit, 'b'));
  EXPECT_EQ(ReadMemoFile(path), "a");
}

// What the box gives back for lines the user did not touch: their characters
// in the code page, no longer their bytes.
std::string AsTheBoxShowsIt(std::string_view text) {
  const platform::CodePage& page = platform::AnsiCodePage();
  return page.FromUtf16(page.ToUtf16(text));
}

TEST_F(MemoTextTest, UneditedLinesKeepTheirBytes) {
  // 0x80, 0xA0 and 0xFD are no character; ED 40 shows as FA 5C; a lone lead byte ends the text.
  const std::string lines[] = {"a\x80" "b", "\xED\x40", "\xA0\xFD", "tail\x81"};
  const std::string loaded = lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3];
  const std::string shown = AsTheBoxShowsIt(loaded);
  ASSERT_NE(shown, loaded);
  struct Row {
    const char* name;
    std::string shown;
    std::string saved;
  };
  const Row rows[] = {
      {"untouched", shown, loaded},
      {"a line added at the end", shown + "\r\nnew", loaded + "\r\nnew"},
      {"a line added at the top", "top\r\n" + shown, "top\r\n" + loaded},
      {"one line edited", AsTheBoxShowsIt(lines[0]) + "\r\nx\r\n" + AsTheBoxShowsIt(lines[2] + "\r\n" + lines[3]),
       lines[0] + "\r\nx\r\n" + lines[2] + "\r\n" + lines[3]},
      {"lines swapped", AsTheBoxShowsIt(lines[3] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[0]),
       lines[3] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[0]},
      {"everything replaced", "new", "new"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(SameBytes(KeepLoadedBytes(loaded, row.shown), row.saved));
  }
}
