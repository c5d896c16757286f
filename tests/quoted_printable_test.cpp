#include "text/quoted_printable.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "support/test_support.h"

using testing_support::Hex;
using testing_support::SameBytes;

namespace {

std::string A(std::size_t n) { return std::string(n, 'a'); }

// Undoes escapes and soft breaks ("=" CR LF).
std::string Decode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out += text[i];
    } else if (text.substr(i + 1, 2) == "\r\n") {
      i += 2;
    } else {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

}  // namespace

TEST(QuotedPrintable, EncodesByTheTable) {
  struct Row { const char* name; std::string in; std::string out; };
  const std::string kana = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A\xE3\x81\x8B"
                           "\xE3\x81\x8D\xE3\x81\x8F";  // あいうえおかきく
  const std::string meeting = "\xE6\x89\x93\xE3\x81\xA1\xE5\x90\x88\xE3\x82\x8F\xE3\x81\x9B"
                              "\xEF\xBC\x88\xE6\x9C\xAC\xE7\xA4\xBE\xEF\xBC\x89";  // 打ち合わせ（本社）
  const Row rows[] = {
      {"empty", "", ""},
      {"71 letters", A(71), A(71)},
      {"72 letters end without a soft break", A(72), A(72)},
      {"100 letters", A(100), A(72) + "=\r\n" + A(28)},
      {"escapes", "\xE4\xBC\x9A\xE8\xAD\xB0", "=E4=BC=9A=E8=AD=B0"},
      {"24 escaped bytes end without a soft break", kana,
       "=E3=81=82=E3=81=84=E3=81=86=E3=81=88=E3=81=8A=E3=81=8B=E3=81=8D=E3=81=8F"},
      {"escape crossing the threshold", meeting,
       "=E6=89=93=E3=81=A1=E5=90=88=E3=82=8F=E3=81=9B=EF=BC=88=E6=9C=AC=E7=A4=BE=\r\n=EF=BC=89"},
      {"escape never split", A(71) + "\xE3\x81\x82", A(71) + "=E3=\r\n=81=82"},
      {"blank before a soft break",
       "Weekly status meeting with the design team, room 4 = main hall, 10:00 sharp!",
       "Weekly status meeting with the design team, room 4 =3D main hall, 10:00 =\r\nsharp!"},
      {"trailing space as itself", "a=b ", "a=3Db "},
      {"space before CR", "x \r\ny", "x=20\r\ny"},
      {"tab before LF", "a\t\nb", "a=09\nb"},
      {"tabs not before a line break", "tab\there\t", "tab\there\t"},
      {"mixed", "caf\xC3\xA9 =\t\r\n", "caf=C3=A9 =3D=09\r\n"},
      {"CR LF count toward the line", A(71) + "\r\nb", A(71) + "\r=\r\n\nb"},
      {"NUL", std::string(1, '\0'), "=00"},
      {"DEL", "\x7F", "=7F"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(EncodeQuotedPrintable(r.in), r.out));
  }
}

TEST(QuotedPrintable, BlankEscapeLooksOnlyWithinItsBlock) {
  // Byte 8192 is a space and a CR follows in the next block: written as itself.
  const std::string atEdge = EncodeQuotedPrintable(A(8191) + " \r\nb");
  EXPECT_EQ(Decode(atEdge), A(8191) + " \r\nb");
  EXPECT_NE(atEdge.find(" \r"), std::string::npos);
  EXPECT_EQ(atEdge.find("=20"), std::string::npos);
  // One byte later the space and the CR share a block: escaped.
  const std::string inside = EncodeQuotedPrintable(A(8192) + " \r\nb");
  EXPECT_NE(inside.find("=20\r"), std::string::npos);
  // 8192 letters close a line every 72 and leave 56 on the last one.
  const std::string block = EncodeQuotedPrintable(A(8192));
  EXPECT_EQ(block.substr(block.rfind('\n') + 1), A(8192 % 72));
}

TEST(QuotedPrintable, PropertiesOnRandomInput) {
  std::mt19937 rng(2045);
  static const unsigned char kPool[] = {'a', ' ', '\t', '\r', '\n', '=', 0x00, 0x7F, 0xE3, 0x81};
  for (int round = 0; round < 2000; ++round) {
    std::string in(rng() % (round < 1900 ? 300 : 20000), '\0');
    for (char& c : in) c = static_cast<char>(rng() % 2 ? rng() % 256 : kPool[rng() % sizeof kPool]);
    const std::string out = EncodeQuotedPrintable(in);
    SCOPED_TRACE(Hex(in.substr(0, 64)));
    ASSERT_EQ(Decode(out), in);
    for (unsigned char c : out) ASSERT_TRUE(c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E));
    ASSERT_TRUE(out.empty() || out.back() != '=');
    std::size_t lineStart = 0;
    for (std::size_t p = out.find("=\r\n"); p != std::string::npos; p = out.find("=\r\n", p + 3)) {
      const std::size_t length = p + 1 - lineStart;  // the closed line with its "="
      ASSERT_GE(length, 73u);
      ASSERT_LE(length, 75u);
      lineStart = p + 3;
    }
    ASSERT_LE(out.size() - lineStart, 74u);
  }
}

namespace {

// The encoding rules followed literally, one byte at a time, with snprintf for
// the escapes: the twin of the table-driven encoder.
std::string LiteralEncode(std::string_view in) {
  std::string out;
  std::size_t lineLength = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    const std::size_t blockEnd = std::min((i / 8192 + 1) * 8192, in.size());
    const bool breakFollows = i + 1 < blockEnd && (in[i + 1] == '\r' || in[i + 1] == '\n');
    bool asItself;
    if (b == '\t' || b == ' ')
      asItself = !breakFollows;
    else
      asItself = b == '\r' || b == '\n' || (b >= 0x21 && b <= 0x7E && b != '=');
    if (asItself) {
      out += static_cast<char>(b);
      lineLength += 1;
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "=%02X", b);
      out += escape;
      lineLength += 3;
    }
    if (lineLength > 71) {
      if (i + 1 < in.size()) out += "=\r\n";
      lineLength = 0;
    }
  }
  return out;
}

}  // namespace

TEST(QuotedPrintable, MatchesTheLiteralRulesOnRandomInput) {
  std::mt19937 rng(77);
  static const unsigned char kPool[] = {'a', ' ', '\t', '\r', '\n', '=', 0x00, 0x7F, 0xE3, 0x81, 0xFF};
  for (int round = 0; round < 3000; ++round) {
    std::string in(rng() % (round < 2900 ? 400 : 20000), '\0');
    for (char& c : in) c = static_cast<char>(rng() % 2 ? rng() % 256 : kPool[rng() % sizeof kPool]);
    if (round % 2 == 0) {
      // Long runs, as text is: words and blanks, UTF-8 beyond ASCII, line breaks.
      static const char* const kRuns[] = {"Weekly sync ", "a=b", " ", "\t", "\r\n", " \r\n", "\n",
                                          "\xE4\xBC\x9A\xE8\xAD\xB0", "\xE3\x80\x82", "(x)"};
      const std::size_t size = in.size();
      in.clear();
      while (in.size() < size) in += kRuns[rng() % std::size(kRuns)];
    }
    SCOPED_TRACE(Hex(in.substr(0, 64)));
    ASSERT_TRUE(SameBytes(EncodeQuotedPrintable(in), LiteralEncode(in)));
    // Appending leaves what was there and adds the same bytes.
    std::string appended = "DESCRIPTION:";
    AppendQuotedPrintable(in, appended);
    ASSERT_TRUE(SameBytes(appended, "DESCRIPTION:" + LiteralEncode(in)));
    // Given in parts of any size, the same bytes; 9 blocks of "a" end
    // exactly as a line closes.
    if (round == 0) in = A(9 * 8192);
    QuotedPrintableWriter writer;
    std::string parts;
    for (std::size_t p = 0, n = 0; p < in.size(); p += n) {
      n = 1 + rng() % (round % 2 ? 9000 : 70);
      writer.Append(std::string_view(in).substr(p, n), parts);
    }
    writer.Finish(parts);
    ASSERT_TRUE(SameBytes(parts, LiteralEncode(in)));
  }
}
