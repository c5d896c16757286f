#include "support/harness.h"
#include "text/characters.h"

#include <random>

#include "app/memo_text.h"
#include "platform/code_page.h"
#include "reference/code_page_reference.h"
#include "support/test_support.h"
#include "text/character_cursor.h"
#include "text/character_walk.h"
#include "text/comma_text.h"

using testing_support::Hex;
using testing_support::SameBytes;
using testing_support::Sjis;

namespace {

class CodePageScope {
 public:
  explicit CodePageScope(int number) : saved_(platform::AnsiCodePage().Number()) {
    platform::SetAnsiCodePage(number);
  }
  ~CodePageScope() { platform::SetAnsiCodePage(saved_); }

 private:
  int saved_;
};

// Random bytes weighted towards what breaks character stepping: lead bytes,
// trail-range bytes, NUL, blanks and bytes without a mapping.
std::string RandomBytes(std::mt19937& rng, std::size_t maxLength) {
  static const unsigned char kPool[] = {'a', 'Z', ' ', '"', ',', 0x00, 0x5C, 0x7F, 0x80, 0x81, 0x82,
                                        0x88, 0x9F, 0xA0, 0xB1, 0xE0, 0xEF, 0xFC, 0xFD, 0xFF, 0x40};
  std::string s(rng() % (maxLength + 1), '\0');
  for (char& c : s)
    c = static_cast<char>(rng() % 3 == 0 ? rng() % 256 : kPool[rng() % sizeof kPool]);
  return s;
}

std::u16string U16(std::initializer_list<char16_t> units) { return std::u16string(units); }

}  // namespace

TEST(CodePage, DecodesCp932ByTheReplacementRule) {
  CodePageScope scope(932);
  struct Row { const char* name; std::string in; std::u16string out; };
  const Row rows[] = {
      {"pair", "\x89\xEF", U16({0x4F1A})},
      {"half-width katakana", "\xB1", U16({0xFF71})},
      {"lead with a trail from the lead range", "\x81\x81", U16({0xFF1D})},
      {"lead before a quote stands alone", "\x81\"", U16({0x30FB, '"'})},
#ifdef _WIN32
      {"lead and 0x7F are one unit, as the system reads them", "\x81\x7F", U16({0x30FB})},
#else
      {"lead before 0x7F stands alone", "\x81\x7F", U16({0x30FB, 0x7F})},
#endif
      {"lead before NUL", std::string("\x81\0a", 3), U16({0x30FB, 0, 'a'})},
      {"lead at the end", "a\x82", U16({'a', 0x30FB})},
      {"unassigned pair is one unit", "\x85\x40", U16({0x30FB})},
      {"lead stands alone, next lead pairs", "\x82\x20\x82\xA0", U16({0x30FB, ' ', 0x3042})},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(AnsiTextToUtf16(r.in), r.out);
  }
}

TEST(CodePage, EncodesWithTheDefaultCharacter) {
  struct Row { const char* name; int page; std::u16string in; std::string out; };
  const Row rows[] = {
      {"932 pair", 932, U16({0x4F1A}), "\x89\xEF"},
      {"932 half-width", 932, U16({0xFF71}), "\xB1"},
      {"932 no e-acute", 932, U16({0xE9, 'x'}), "?x"},
      {"932 lone surrogate", 932, U16({0xD83D}), "?"},
      {"1252 euro", 1252, U16({0x20AC}), "\x80"},
      {"1252 no kanji", 1252, U16({0x4F1A}), "?"},
      {"936 pair", 936, U16({0x4E2D}), "\xD6\xD0"},
      {"949 pair", 949, U16({0xAC00}), "\xB0\xA1"},
      {"950 pair", 950, U16({0x4E2D}), "\xA4\xA4"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CodePageScope scope(r.page);
    EXPECT_TRUE(SameBytes(Utf16ToAnsiText(r.in), r.out));
    if (r.out.find('?') == std::string::npos) {
      EXPECT_EQ(AnsiTextToUtf16(r.out), r.in);
    }
  }
}

TEST(CodePage, LeadBytesPerPage) {
  struct Row { int page; bool lead80, lead81, leadA0, leadE0, leadFC, leadFD, leadFE; };
  const Row rows[] = {{932, false, true, false, true, true, false, false},
                      {936, false, true, true, true, true, true, true},
                      {1252, false, false, false, false, false, false, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.page);
    CodePageScope scope(r.page);
    const auto& page = platform::AnsiCodePage();
    EXPECT_EQ(page.HasLeadBytes(), r.page != 1252);
    const std::pair<unsigned char, bool> bytes[] = {{0x80, r.lead80}, {0x81, r.lead81}, {0xA0, r.leadA0},
                                                    {0xE0, r.leadE0}, {0xFC, r.leadFC}, {0xFD, r.leadFD},
                                                    {0xFE, r.leadFE}};
    for (auto [b, lead] : bytes) EXPECT_EQ(page.IsLeadByte(b), lead) << Hex(std::string(1, b));
  }
}

// The record joiner passes over any line whose last byte is not a double
// quote: that holds only while no other character decodes to U+0022 and no
// other unit encodes to bytes that end in 0x22.
TEST(CodePage, OnlyTheDoubleQuoteItselfMeansADoubleQuote) {
  for (int number : {932, 936, 949, 950, 1252}) {
    SCOPED_TRACE(number);
    CodePageScope scope(number);
    const platform::CodePage& page = platform::AnsiCodePage();
    for (unsigned b = 0; b < 256; ++b) {
      const std::string one(1, static_cast<char>(b));
      if (b != '"') {
        ASSERT_NE(page.ToUtf16(one), u"\"") << b;
      }
      if (!page.IsLeadByte(static_cast<unsigned char>(b))) continue;
      for (unsigned n = 0; n < 256; ++n) ASSERT_NE(page.ToUtf16(one + static_cast<char>(n)), u"\"") << b << " " << n;
    }
    for (unsigned u = 0; u < 65536; ++u) {
      if (u != '"') {
        ASSERT_NE(page.FromUtf16(std::u16string(1, static_cast<char16_t>(u))).back(), '"') << u;
      }
    }
  }
}

// The tables are built from a few bulk conversions; every entry must be what
// asking one character at a time gives.
TEST(CodePage, BulkBuiltTablesEqualOneCharacterAtATime) {
  for (int number : {932, 936, 949, 950, 1252}) {
    SCOPED_TRACE(number);
    CodePageScope scope(number);
    const platform::CodePage& page = platform::AnsiCodePage();
#ifndef _WIN32  // the Windows conversions are checked against the system's own calls
    for (unsigned b = 0; b < 256; ++b) {
      const std::string one(1, static_cast<char>(b));
      if (page.IsLeadByte(static_cast<unsigned char>(b))) {
        for (unsigned n = 0; n < 256; ++n) {
          const std::string two = one + static_cast<char>(n);
          const std::u16string units = page.ToUtf16(two);
          if (units.size() == 1) {
            ASSERT_EQ(units[0], reference::DecodeWithIconv(number, two).value_or(0x30FB)) << Hex(two);
          }
        }
      } else {
        ASSERT_EQ(page.ToUtf16(one), std::u16string(1, reference::DecodeWithIconv(number, one).value_or(0x30FB)))
            << Hex(one);
      }
    }
    for (unsigned u = 0; u < 65536; ++u) {
      const auto unit = static_cast<char16_t>(u);
      std::string expected = "?";
      if (const auto bytes = reference::EncodeWithIconv(number, unit); bytes) {
        const bool oneCharacter = (bytes->size() == 1 && !page.IsLeadByte(static_cast<unsigned char>((*bytes)[0]))) ||
                                  (bytes->size() == 2 && page.IsLeadByte(static_cast<unsigned char>((*bytes)[0])) &&
                                   page.ToUtf16(*bytes).size() == 1);
        if (oneCharacter) expected = *bytes;
      }
      ASSERT_EQ(page.FromUtf16(std::u16string(1, unit)), expected) << u;
    }
#endif
    const platform::CharTables& fast = page.Tables();
    const platform::CharTables slow = reference::TablesOneByOne(page);
    EXPECT_EQ(fast.hasLeadBytes, slow.hasLeadBytes);
    EXPECT_EQ(fast.asciiIsIdentity, slow.asciiIsIdentity);
    EXPECT_EQ(fast.lead, slow.lead);
    EXPECT_EQ(fast.classes, slow.classes);
    auto same = [](const platform::CharEntry& a, const platform::CharEntry& b) {
      return a.info == b.info && std::equal(a.utf8, a.utf8 + 3, b.utf8);
    };
    for (unsigned b = 0; b < 256; ++b) ASSERT_TRUE(same(fast.single[b], slow.single[b])) << b;
    ASSERT_EQ(fast.pair.size(), slow.pair.size());
    for (std::size_t i = 0; i < fast.pair.size(); ++i) ASSERT_TRUE(same(fast.pair[i], slow.pair[i])) << i;
  }
}

TEST(CodePage, UnknownPageIsRefusedAndTheActiveOneKept) {
  CodePageScope scope(1252);
  EXPECT_THROW(platform::SetAnsiCodePage(99999), std::invalid_argument);
  EXPECT_EQ(platform::AnsiCodePage().Number(), 1252);
}

TEST(Characters, NextCharacterAndByteKind) {
  CodePageScope scope(932);
  struct Row { const char* name; std::string text; std::size_t p; std::size_t next; };
  const Row rows[] = {
      {"ascii", "ab", 0, 1},
      {"pair", "\x89\xEF" "a", 0, 2},
      {"lead before a comma stands alone", "\x82,b", 0, 1},
      {"lead at the end", "a\x82", 1, 2},
      {"lead before NUL", std::string("\x82\0", 2), 0, 1},
      {"at NUL", std::string("\0a", 2), 0, 0},
      {"at the end", "a", 1, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(NextCharacter(r.text, r.p), r.next);
  }
  // Walked from the start, a lead byte pairs with the byte after it from 0x40 up.
  const std::string run = "a\x81\x81\x81\x81" "b\x81" "c\x81\n\x81\x81";
  const ByteKind S = ByteKind::Single, L = ByteKind::Lead, T = ByteKind::Trail;
  const ByteKind kinds[] = {S, L, T, L, T, S, L, T, L, S, L, T};
  for (std::size_t i = 0; i < run.size(); ++i) EXPECT_EQ(ByteKindAt(run, 0, i), kinds[i]) << i;
  EXPECT_EQ(ByteKindAt(run, 2, 2), L) << "counted from a later start";
  CodePageScope single(1252);
  EXPECT_EQ(ByteKindAt(run, 0, 2), S);
}

// No trail byte is below 0x40: wherever characters are walked, a lead byte
// before such a byte is a character of its own, and that byte means what it
// means after a plain letter (a line break, a separator, a quote).
TEST(Characters, ALeadByteBeforeAByteBelow0x40StandsAlone) {
  for (int number : {932, 936, 949, 950}) {
    CodePageScope scope(number);
    const platform::CodePage& page = platform::AnsiCodePage();
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
      if (!page.IsLeadByte(static_cast<unsigned char>(lead))) continue;
      const char l = static_cast<char>(lead);
      // The lead byte acts as a plain letter would: the results for Q in its
      // place, each Q made the lead byte again.
      auto withLead = [l](std::string text) {
        for (char& c : text)
          if (c == 'Q') c = l;
        return text;
      };
      auto fieldsOf = [](std::string_view text) {
        LineList fields;
        SplitCommaText(fields, text);
        return fields.Items();
      };
      for (unsigned byte = 0; byte < 0x40; ++byte) {
        const char b = static_cast<char>(byte);
        const std::string text = {l, b, 'A'};
        const std::string plain = {'Q', b, 'A'};
        SCOPED_TRACE(std::to_string(number) + ": " + Hex(text));
        ASSERT_EQ(NextCharacter(text, 0), 1u);
        ASSERT_EQ(ByteKindAt(text, 0, 1), ByteKind::Single);
        ASSERT_EQ(ConvertingCursor(text).LengthAt(0), 1u);
        // The lead byte decodes as it does at the end of a text.
        const std::u16string units = page.ToUtf16(std::string(1, l)) + static_cast<char16_t>(byte) + u'A';
        ASSERT_EQ(AnsiTextToUtf16(text), units);
        ASSERT_EQ(AnsiTextToUtf8(text), Utf16ToUtf8(units));
        std::string steps;  // a step that ends after the lead byte
        for (std::size_t p = 0; p < text.size();)
          p += AppendAnsiTextToUtf8Step(std::string_view(text).substr(p), 1, steps);
        ASSERT_EQ(steps, Utf16ToUtf8(units));
        ASSERT_EQ(Utf16Length(text), 3);
        ASSERT_EQ(FindSubstring(std::string{b, 'A'}, text), FindSubstring(std::string{b, 'A'}, plain));
        for (const auto& [record, plainRecord] :
             {std::pair{text, plain}, std::pair{"\"" + text + "\",x", "\"" + plain + "\",x"}}) {
          std::vector<std::string> expected = fieldsOf(plainRecord);
          for (std::string& field : expected) field = withLead(field);
          ASSERT_EQ(fieldsOf(record), expected);
        }
        ASSERT_EQ(NormaliseMemoLineBreaks(text), withLead(NormaliseMemoLineBreaks(plain)));
      }
    }
  }
}

TEST(Characters, LengthsAndParts) {
  CodePageScope scope(932);
  const std::string room = Sjis("会議室A");
  struct Row { const char* name; std::string text; int n; std::string left, right; };
  const Row rows[] = {
      {"double-byte", room, 2, Sjis("会議"), Sjis("室A")},
      {"all but one", room, 3, Sjis("会議室"), Sjis("議室A")},
      {"zero", "abc", 0, "", ""},
      {"negative", "abc", -1, "", ""},
      {"more than there is", "abc", 5, "abc", "abc"},
      {"quote after a pair", Sjis("会議室\""), 2, Sjis("会議"), Sjis("室\"")},
      {"bad bytes are re-encoded", "\x85\x40" "a\x82", 2, "\x81\x45" "a", "a\x81\x45"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(LeftChars(r.text, r.n), r.left));
    EXPECT_TRUE(SameBytes(RightChars(r.text, r.n), r.right));
  }
  EXPECT_EQ(ByteLength(room), 7u);
  EXPECT_EQ(Utf16Length(room), 4);
  std::string wide;
  for (int i = 0; i < 65; ++i) wide += Sjis("会");
  EXPECT_EQ(LeftChars(wide, Utf16Length(wide) - 1).size(), 128u);
}

// The tables behind the fast paths must give what the literal rules give.
TEST(Characters, FastPathsMatchTheLiteralRulesOnRandomBytes) {
  for (int page : {932, 1252}) {
    CodePageScope scope(page);
    std::mt19937 rng(page);
    for (int round = 0; round < 3000; ++round) {
      const std::string text = RandomBytes(rng, 40);
      const std::u16string units = AnsiTextToUtf16(text);
      SCOPED_TRACE(Hex(text));
      ASSERT_EQ(AnsiTextToUtf8(text), Utf16ToUtf8(units));
      std::string steps;  // converted a few bytes at a time: no pair is cut
      for (std::size_t p = 0; p < text.size();)
        p += AppendAnsiTextToUtf8Step(std::string_view(text).substr(p), 1 + rng() % 4, steps);
      ASSERT_EQ(steps, Utf16ToUtf8(units));
      ASSERT_EQ(Utf16Length(text), static_cast<int>(units.size()));
      const int n = static_cast<int>(rng() % (units.size() + 2));
      ASSERT_EQ(LeftChars(text, n), Utf16ToAnsiText(units.substr(0, n)));
      const std::size_t from = static_cast<std::size_t>(n) < units.size() ? units.size() - n : 0;
      ASSERT_EQ(RightChars(text, n), Utf16ToAnsiText(units.substr(from)));
    }
  }
  CodePageScope scope(932);
  const std::string longMix = std::string(37, 'x') + Sjis("会議") + std::string(19, 'y') + "\xB1\x82";
  EXPECT_EQ(AnsiTextToUtf8(longMix), Utf16ToUtf8(AnsiTextToUtf16(longMix)));
}

TEST(Characters, Utf16ToUtf8UnitByUnit) {
  struct Row { const char* name; std::u16string in; std::string out; };
  const Row rows[] = {
      {"ascii", U16({'A', 0x7F}), "A\x7F"},
      {"two bytes", U16({0x80, 0x7FF}), "\xC2\x80\xDF\xBF"},
      {"three bytes", U16({0x800, 0x4F1A, 0xFFFF}), "\xE0\xA0\x80\xE4\xBC\x9A\xEF\xBF\xBF"},
      {"surrogates each on their own", U16({0xD83D, 0xDE00}), "\xED\xA0\xBD\xED\xB8\x80"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(Utf16ToUtf8(r.in), r.out));
  }
  CodePageScope scope(932);
  EXPECT_TRUE(SameBytes(AnsiTextToUtf8(Sjis("会") + "\xB1"), "\xE4\xBC\x9A\xEF\xBD\xB1"));
  CodePageScope single(1252);
  EXPECT_TRUE(SameBytes(AnsiTextToUtf8("caf\xE9\x80"), "caf\xC3\xA9\xE2\x82\xAC"));
}

TEST(Characters, FindSubstring) {
  CodePageScope scope(932);
  const std::string so = Sjis("ソ");  // 0x83 0x5C
  struct Row { const char* name; std::string needle, haystack; int at; };
  const Row rows[] = {
      {"plain", "b", "abc", 2},
      {"empty needle", "", "abc", 0},
      {"empty haystack", "b", "", 0},
      {"only on a trail byte", "\\", so, 0},
      {"after the pair", "\\", so + "\\", 3},
      {"trail rejected, later match kept", "\\a", so + "a\\a", 4},
      {"needle ending in a lead byte", "\x83", so, 1},
      {"haystack ends at NUL", "c", std::string("ab\0c", 4), 0},
      {"needle ends at NUL", std::string("b\0z", 3), "abc", 2},
      {"run of lead bytes", "\x81\x81", "\x81\x81\x81\x81", 1},
      {"even lead run before the match", "\x81" "b", "\x81\x81\x81" "b", 3},
      {"odd lead run before the match", "\x81" "b", "\x81\x81" "b", 0},
      {"even lead run far into the text", "\x81" "b", std::string(100, 'a') + "\x81\x81\x81" "b", 103},
      {"odd lead run far into the text", "\x81" "b", std::string(100, 'a') + "\x81\x81" "b", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FindSubstring(r.needle, r.haystack), r.at);
  }
}

TEST(Characters, TrimAndCompare) {
  EXPECT_EQ(TrimBlanks(std::string(" \ta b\r\n\0", 8)), "a b");
  EXPECT_EQ(TrimBlanks(" \x01\x20"), "");
  EXPECT_EQ(TrimBlanks("\x81\x40"), "\x81\x40");
  struct Row { const char* a; const char* b; int result; };
  const Row rows[] = {{"False", "FALSE", 0}, {"FALSE", "FALSE ", -1}, {"a", "B", -1},
                      {"_", "a", 30}, {"\x83\x41", "\x83\x61", 0}, {"\xE9", "\xC9", 0x20},
                      {"", "", 0}, {"ab", "A", 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.a) + " / " + r.b);
    EXPECT_EQ(CompareAsciiNoCase(r.a, r.b), r.result);
  }
}
