#include "text/comma_text.h"

#include <random>

#include "platform/code_page.h"
#include "support/test_support.h"
#include "text/characters.h"

using testing_support::Hex;
using testing_support::Sjis;

namespace {

using Fields = std::vector<std::string>;

Fields Split(std::string_view text) {
  LineList list;
  SplitCommaText(list, text);
  return list.Items();
}

struct Row {
  const char* name;
  std::string text;
  Fields fields;
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(Split(r.text), r.fields) << Hex(r.text);
  }
}

// The splitting rules stepped through literally, one NextCharacter /
// ByteKindAt call per byte: the twin of the table-driven loops.
QuotedField SlowExtract(std::string_view text, std::size_t q) {
  std::size_t end = text.find('\0');
  if (end == std::string_view::npos) end = text.size();
  AnsiText value;
  std::size_t from = q + 1;
  std::size_t i = from;
  for (;;) {
    while (i < end && !(text[i] == '"' && ByteKindAt(text, from, i) != ByteKind::Trail)) ++i;
    if (i >= end) return {value + std::string(text.substr(from, end - from)), end};
    if (i + 1 < end && text[i + 1] == '"') {
      value += text.substr(from, i + 1 - from);
      from = i = i + 2;
      continue;
    }
    return {value + std::string(text.substr(from, i - from)), i + 1};
  }
}

Fields SlowSplit(std::string_view text) {
  Fields out;
  auto at = [&](std::size_t p) { return p < text.size() ? static_cast<unsigned char>(text[p]) : 0u; };
  auto skip = [&](std::size_t p) {
    while (at(p) >= 1 && at(p) <= 0x20) p = NextCharacter(text, p);
    return p;
  };
  std::size_t p = skip(0);
  while (at(p) != 0) {
    if (at(p) == '"') {
      QuotedField f = SlowExtract(text, p);
      out.push_back(f.value);
      p = f.next;
    } else {
      const std::size_t s = p;
      while (at(p) > 0x20 && at(p) != ',') p = NextCharacter(text, p);
      out.emplace_back(text.substr(s, p - s));
    }
    p = skip(p);
    if (at(p) == ',') {
      if (at(p + 1) == 0) out.emplace_back();
      p = skip(p + 1);
    }
  }
  return out;
}

}  // namespace

TEST(CommaText, PlainAndQuotedFields) {
  CheckRows({
      {"plain", "a,b,c", {"a", "b", "c"}},
      {"quoted", "\"a\",\"b\",\"c\"", {"a", "b", "c"}},
      {"empty middle", "a,,b", {"a", "", "b"}},
      {"empty first", ",a", {"", "a"}},
      {"trailing comma", "a,", {"a", ""}},
      {"two trailing commas", "a,,", {"a", "", ""}},
      {"lone comma", ",", {"", ""}},
      {"comma then blank", "a, ", {"a"}},
      {"blank comma blank", " , ", {""}},
      {"empty", "", {}},
      {"blanks only", "   ", {}},
      {"blank ends a field", "a b,c", {"a", "b", "c"}},
      {"blanks around commas", " a , b ", {"a", "b"}},
      {"tab after comma", "a,\tb", {"a", "b"}},
      {"quoted blank", "\"a b\",c", {"a b", "c"}},
      {"quoted comma", "a,\"b,c\",d", {"a", "b,c", "d"}},
      {"doubled quote", "\"a\"\"b\",c", {"a\"b", "c"}},
      {"empty quoted", "\"\"", {""}},
      {"only a doubled quote", "\"\"\"\"", {"\""}},
      {"two empty quoted", "\"\",\"\"", {"", ""}},
      {"text after closing quote", "\"a\"b,c", {"a", "b", "c"}},
      {"blank after closing quote", "\"a\" ,b", {"a", "b"}},
      {"quoted then trailing comma", "\"x\",", {"x", ""}},
      {"quoted then comma blank", "\"x\", ", {"x"}},
      {"quote inside unquoted", "ab\"c,d", {"ab\"c", "d"}},
      {"quoted keeps edges and CR LF", "\" a\r\n \",b", {" a\r\n ", "b"}},
      {"NUL ends the text", std::string("a,b\0,c", 6), {"a", "b"}},
      {"bytes 0x7F and above are no blanks", "\x7F\xA0,b", {"\x7F\xA0", "b"}},
  });
}

TEST(CommaText, DoubleByteCharacters) {
  platform::SetAnsiCodePage(932);
  CheckRows({
      {"pairs pass whole", Sjis("会議,室"), {Sjis("会議"), Sjis("室")}},
      {"quoted pairs", "\"" + Sjis("ソ表") + "\",x", {Sjis("ソ表"), "x"}},
      {"a lead byte before a comma stands alone", "\x82,b", {"\x82", "b"}},
      {"a lead byte before a blank stands alone", "\x82 b,c", {"\x82", "b", "c"}},
      {"a lead byte before a quote stands alone", "\"\x82\",x\"", {"\x82", "x\""}},
      {"lead at the end", "a,\x82", {"a", "\x82"}},
      {"half-width katakana are single", "\xB1,\xB2", {"\xB1", "\xB2"}},
  });
}

TEST(CommaText, UnterminatedQuoteKeepsEverything) {
  CheckRows({
      {"plain", "\"abc", {"abc"}},
      {"doubled quote inside", "\"a\"\"bc", {"a\"bc"}},
      {"one byte", "\"a", {"a"}},
      {"lone quote", "\"", {""}},
      {"ends in a doubled quote", "x,\"ab\"\"", {"x", "ab\""}},
      {"commas inside", "a,\"b,c", {"a", "b,c"}},
  });
  const QuotedField f = ExtractQuotedField("x\"ab", 1);
  EXPECT_EQ(f.value, "ab");
  EXPECT_EQ(f.next, 4u);
  const QuotedField closed = ExtractQuotedField("\"a\"\"b\" ,", 0);
  EXPECT_EQ(closed.value, "a\"b");
  EXPECT_EQ(closed.next, 6u);
}

TEST(CommaText, SplittingReplacesEarlierFields) {
  LineList list{"old", "older"};
  SplitCommaText(list, "new");
  EXPECT_EQ(list.Items(), Fields{"new"});
}

TEST(CommaText, MatchesTheLiteralRulesOnRandomRecords) {
  for (int page : {932, 936, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(page);
    static const char kPool[] = {'a', 'b', ',', ',', '"', '"', ' ', '\t', '\r', '\x81', '\x82',
                                 '\xB1', '\x40', '\xFC', '\0'};
    for (int round = 0; round < 5000; ++round) {
      std::string text(rng() % 24, '\0');
      for (char& c : text) c = kPool[rng() % sizeof kPool];
      SCOPED_TRACE(std::to_string(page) + ": " + Hex(text));
      ASSERT_EQ(Split(text), SlowSplit(text));
    }
  }
  platform::SetAnsiCodePage(932);
}

// Quoted fields are searched with memchr; long runs of lead bytes before
// quotes test that no quote is taken for a second byte. One list is reused
// from record to record, as the run reuses it, so fields left over from a
// longer record must not survive.
TEST(CommaText, ReusedListMatchesTheLiteralRulesOnLongRecords) {
  for (int page : {932, 936}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(page + 5);
    const std::vector<std::string> pieces = {"\"", "\"\"", "\",\"", ",", " ", "a", "\x81\"", "\x81\x81",
                                             "\x81\x81\x81", "\x82", Sjis("会議"), Sjis("ｱ"), "\xFC"};
    LineList reused;
    for (int round = 0; round < 5000; ++round) {
      std::string text;
      for (int n = static_cast<int>(rng() % 40); n > 0; --n) text += pieces[rng() % pieces.size()];
      SCOPED_TRACE(std::to_string(page) + ": " + Hex(text));
      SplitCommaText(reused, text);
      ASSERT_EQ(reused.Items(), SlowSplit(text));
    }
  }
  platform::SetAnsiCodePage(932);
}
