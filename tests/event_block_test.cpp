#include "conversion/event_block.h"
#include "conversion/ordered_output.h"

#include <random>

#include "platform/code_page.h"
#include "platform/regional.h"
#include "reference/literal_rules.h"
#include "support/harness.h"
#include "support/test_support.h"
#include "text/character_walk.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"
#include "text/quoted_printable.h"

using testing_support::Hex;
using testing_support::SameBytes;
using testing_support::Sjis;

namespace {

const char* const kDescriptionHead = "DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";

class EventBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }
  void TearDown() override { platform::ClearRegionalProfileChoice(); }
};

// The fields of the reference record, with notes.
LineList Meeting() {
  return {Sjis("会議"), Sjis("本社"), "2008/01/15", "10:00:00", "2008/01/15", "11:30:00",
          "FALSE", "2008/01/15", "9:45:00", Sjis("資料持参")};
}

LineList With(LineList fields, int index, AnsiText value) {
  SetItemAt(fields, index, std::move(value));
  return fields;
}

LineList FirstFields(const LineList& fields, int count) {
  LineList first;
  for (int i = 0; i < count; ++i) first.Append(fields.ItemAt(i));
  return first;
}

AnsiText ItemOf(const LineList& block, std::string_view head) {
  for (const AnsiText& item : block) {
    if (item.starts_with(head)) return item;
  }
  return "(no " + std::string(head) + " item)";
}

using reference::CutToByteLimitLiterally;

// Empty when the cut, and the one-walk cut-trim-convert where it answers,
// equal the literal loop on text; otherwise what differs.
std::string CutDisagreement(const std::string& text, std::size_t limit) {
  const AnsiText expected = CutToByteLimitLiterally(text, limit);
  const AnsiText actual = CutToByteLimit(text, limit);
  if (expected != actual)
    return "limit " + std::to_string(limit) + "\n  text     " + Hex(text) + "\n  expected " + Hex(expected) +
           "\n  actual   " + Hex(actual);
  std::string utf8 = "kept";
  if (AppendTrimmedCutAsUtf8(text, limit, utf8) && utf8 != "kept" + AnsiTextToUtf8(TrimmedBlanks(expected)))
    return "limit " + std::to_string(limit) + " in one walk\n  text     " + Hex(text) + "\n  utf8     " + Hex(utf8);
  return {};
}

}  // namespace

TEST_F(EventBlockTest, ReferenceRecordGivesTheWholeBlock) {
  const LineList expected = {
      "BEGIN:VCALENDAR",
      "BEGIN:VEVENT",
      "VERSION:1.0",
      "SUMMARY;ENCODING=QUOTED-PRINTABLE:=E4=BC=9A=E8=AD=B0",
      "DTSTART:20080115T010000Z",
      "DTEND:20080115T023000Z",
      "DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;",
      "DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:(=EF=BC=A0=E6=9C=AC=E7=A4=BE) "
      "=E8=B3=87=E6=96=99=E6=8C=81=E5=8F=82",
      "END:VEVENT",
      "END:VCALENDAR",
  };
  EXPECT_EQ(BuildEventBlock(Meeting(), {}), expected);
}

TEST_F(EventBlockTest, AlarmFlag) {
  const AnsiText off = "DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;";
  const AnsiText on = "DALARM;ENCODING=QUOTED-PRINTABLE:20080115T004500Z;";
  struct Row {
    const char* name;
    AnsiText flag;
    AnsiText item;
  };
  const Row rows[] = {
      {"FALSE", "FALSE", off},       {"false", "false", off},     {"False", "False", off},
      {"TRUE", "TRUE", on},          {"empty", "", on},           {"FALSE and a blank", "FALSE ", on},
      {"zero", "0", on},             {"full-width", Sjis("ＦＡＬＳＥ"), on},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ItemOf(BuildEventBlock(With(Meeting(), 6, r.flag), {}), "DALARM"), r.item);
  }
}

TEST_F(EventBlockTest, DescriptionFromPlaceAndNotes) {
  const AnsiText letters(200, 'n');
  struct Row {
    const char* name;
    LineList fields;
    AnsiText encoded;  // the value after the description head
  };
  const Row rows[] = {
      {"blank place and no notes", FirstFields(With(Meeting(), 1, "   "), 9), ""},
      {"empty place and no notes", FirstFields(With(Meeting(), 1, ""), 9), ""},
      {"blank place: the leading space is trimmed", With(With(Meeting(), 1, ""), 9, "abc"), "abc"},
      {"blanks inside the parentheses stay", FirstFields(With(Meeting(), 1, Sjis(" 本社 ")), 9),
       "(=EF=BC=A0 =E6=9C=AC=E7=A4=BE )"},
      {"place and empty notes: the trailing space is trimmed", With(Meeting(), 9, ""),
       "(=EF=BC=A0=E6=9C=AC=E7=A4=BE)"},
      {"blank place, 200 letters: cut to 128 bytes before the trim", With(With(Meeting(), 1, ""), 9, letters),
       AnsiText(72, 'n') + "=\r\n" + AnsiText(55, 'n')},
      {"place X, 200 letters: 6 bytes and 122 letters", With(With(Meeting(), 1, "X"), 9, letters),
       "(=EF=BC=A0X) " + AnsiText(59, 'n') + "=\r\n" + AnsiText(63, 'n')},
      {"a notes column of blanks is trimmed away", With(With(Meeting(), 1, ""), 9, " \t "), ""},
      {"twelve fields use the tenth as notes",
       [] { LineList f = With(With(Meeting(), 1, ""), 9, "n"); f.Append("x"); f.Append("y"); return f; }(), "n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(ItemOf(BuildEventBlock(r.fields, {}), "DESCRIPTION"), kDescriptionHead + r.encoded));
  }
}

TEST_F(EventBlockTest, CutRemovesWholeCharacters) {
  // D is one space, the notes and nothing else (blank place).
  const AnsiText kanji = Sjis("漢");
  struct Row {
    const char* name;
    AnsiText notes;
    std::size_t bytesKept;  // of D, before the trim
  };
  const Row rows[] = {
      {"129 bytes ending in a double-byte character lose it", AnsiText(126, 'a') + kanji, 127},
      {"exactly 128 bytes stay whole", AnsiText(125, 'a') + kanji, 128},
      {"all double-byte, odd limit", [&] { AnsiText s; for (int i = 0; i < 70; ++i) s += kanji; return s; }(), 127},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const AnsiText d = " " + r.notes;
    const AnsiText kept = TrimBlanks(d.substr(0, r.bytesKept));
    const LineList block = BuildEventBlock(With(With(Meeting(), 1, ""), 9, r.notes), {});
    EXPECT_TRUE(SameBytes(ItemOf(block, "DESCRIPTION"),
                          kDescriptionHead + EncodeQuotedPrintable(AnsiTextToUtf8(kept))));
  }
}

TEST_F(EventBlockTest, TitleEncoding) {
  struct Row {
    const char* name;
    AnsiText title;
    AnsiText item;
  };
  const Row rows[] = {
      {"empty title", "", "SUMMARY;ENCODING=QUOTED-PRINTABLE:"},
      {"title not trimmed", " a ", "SUMMARY;ENCODING=QUOTED-PRINTABLE: a "},
      // A value that ends exactly at a line end carries no dangling "=", which
      // would join the start line into the title.
      {"eight hiragana end without a soft break", Sjis("あいうえおかきく"),
       "SUMMARY;ENCODING=QUOTED-PRINTABLE:=E3=81=82=E3=81=84=E3=81=86=E3=81=88=E3=81=8A=E3=81=8B=E3=81=8D="
       "E3=81=8F"},
      {"a long title keeps its soft line breaks", Sjis("打ち合わせ（本社）"),
       "SUMMARY;ENCODING=QUOTED-PRINTABLE:=E6=89=93=E3=81=A1=E5=90=88=E3=82=8F=E3=81=9B=EF=BC=88=E6=9C=AC=E7="
       "A4=BE=\r\n=EF=BC=89"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameBytes(ItemOf(BuildEventBlock(With(Meeting(), 0, r.title), {}), "SUMMARY"), r.item));
  }
}

TEST_F(EventBlockTest, OptionLinesGoBeforeTheEnd) {
  const LineList block = BuildEventBlock(Meeting(), {"X-A:1", "", Sjis("X-B:仕事")});
  ASSERT_EQ(block.Count(), 13);
  EXPECT_TRUE(block.ItemAt(7).starts_with("DESCRIPTION"));
  EXPECT_EQ(block.ItemAt(8), "X-A:1");
  EXPECT_EQ(block.ItemAt(9), "");
  EXPECT_TRUE(SameBytes(block.ItemAt(10), Sjis("X-B:仕事")));
  EXPECT_EQ(block.ItemAt(11), "END:VEVENT");
}

// Which error a short or faulty record reports follows from the reading order.
TEST_F(EventBlockTest, OutcomeByFieldCount) {
  struct Row {
    int fields;
    bool alarm;
    int failingIndex;  // -1: converts
  };
  const Row rows[] = {
      {0, false, 0},  {1, false, 1},  {2, false, 3},  {3, false, 3}, {4, false, 5},  {5, false, 5},
      {6, false, 6},  {7, false, -1}, {8, false, -1}, {7, true, 8},  {8, true, 8},   {9, true, -1},
      {10, true, -1}, {12, true, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.fields << " fields, alarm " << r.alarm);
    LineList full = With(Meeting(), 6, r.alarm ? "TRUE" : "FALSE");
    full.Append("x");
    full.Append("y");
    const LineList fields = FirstFields(full, r.fields);
    if (r.failingIndex < 0) {
      const LineList block = BuildEventBlock(fields, {});
      EXPECT_EQ(block.Count(), 10);
      const bool hasNotes = ItemOf(block, "DESCRIPTION").find("=E8=B3=87") != AnsiText::npos;
      EXPECT_EQ(hasNotes, r.fields >= 10);
    } else {
      try {
        BuildEventBlock(fields, {});
        ADD_FAILURE() << "no error";
      } catch (const ListIndexError& error) {
        EXPECT_EQ(Hex(error.Message()), Hex(ListIndexError(r.failingIndex).Message()));
      }
    }
  }
}

TEST_F(EventBlockTest, DatesAreReadStartEndAlarm) {
  const AnsiText bad = "2008/02/30";
  struct Row {
    const char* name;
    LineList fields;
    AnsiText quoted;  // the text the error quotes, or empty for a missing field
  };
  const Row rows[] = {
      {"bad start before bad end", With(With(Meeting(), 2, bad), 4, "2008/13/01"), bad + " 10:00:00"},
      {"bad end", With(Meeting(), 4, bad), bad + " 11:30:00"},
      {"bad alarm with the alarm on", With(With(Meeting(), 6, "TRUE"), 7, bad), bad + " 9:45:00"},
      {"empty date and time quote one space", With(With(Meeting(), 2, ""), 3, ""), " "},
      {"bad start before a missing end", FirstFields(With(Meeting(), 2, bad), 5), bad + " 10:00:00"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    try {
      BuildEventBlock(r.fields, {});
      ADD_FAILURE() << "no error";
    } catch (const DateTimeTextError& error) {
      EXPECT_EQ(Hex(error.Message()), Hex(DateTimeTextError(r.quoted).Message()));
    }
  }
  // With the alarm off, a bad alarm date is never read.
  EXPECT_NO_THROW(BuildEventBlock(With(Meeting(), 7, bad), {}));
}

TEST_F(EventBlockTest, MegabyteNoteEqualsItsShortPrefix) {
  AnsiText note;
  while (note.size() < (1u << 20)) note += Sjis("議事録の要点と次回までの宿題。") + "abc ";
  const LineList whole = BuildEventBlock(With(Meeting(), 9, note), {});
  const LineList shortNote = BuildEventBlock(With(Meeting(), 9, note.substr(0, 400)), {});
  EXPECT_EQ(whole, shortNote);
}

// The fast cut must equal the one-character-at-a-time loop on every text:
// double-byte characters, half-width katakana, lone lead bytes (half pairs),
// lead bytes before bytes that cannot follow them, pairs without a character,
// duplicates that re-encode differently, and plain bytes without a mapping.
TEST(DescriptionCutOracle, MatchesTheOneCharacterLoop) {
  const std::vector<std::string> pieces = {
      "a", " ", "\t", "Z", "\"", ",", Sjis("漢"), Sjis("ソ"), Sjis("ｱ"), Sjis("、"), "\x82",  // lone lead
      "\x82\x20", "\x81\x7F", "\x85\x40",                                                      // unmapped pair
      "\xED\x40", "\xFA\x5C", "\x87\x90",                                                      // duplicates
      "\x80", "\xA0", "\xFD", "\xFF", std::string(1, '\0')};
  for (int page : {932, 936, 949, 950, 1252}) {
    platform::SetAnsiCodePage(page);
    std::mt19937 rng(static_cast<unsigned>(page) * 7u);
    for (int round = 0; round < 600; ++round) {
      std::string text;
      const std::size_t target = 100 + rng() % 220;
      while (text.size() < target) {
        text += rng() % 4 == 0 ? std::string(1, static_cast<char>(rng() % 256)) : pieces[rng() % pieces.size()];
      }
      for (std::size_t limit : {std::size_t{128}, std::size_t{0}, std::size_t{1}, std::size_t{127}}) {
        if (const std::string failure = CutDisagreement(text, limit); !failure.empty()) {
          ADD_FAILURE() << "code page " << page << " " << failure;
          platform::SetAnsiCodePage(932);
          return;
        }
      }
    }
  }
  platform::SetAnsiCodePage(932);
}

// Texts whose characters all survive the round trip take the cut's direct
// path; it must still equal the loop, a lone lead byte at the end included.
TEST(DescriptionCutOracle, MatchesTheOneCharacterLoopOnRoundTrippingText) {
  platform::SetAnsiCodePage(932);
  const std::vector<std::string> pieces = {"a", " ", "\t", ",", Sjis("漢"), Sjis("ソ"), Sjis("ｱ"), Sjis("、"), Sjis("（")};
  std::mt19937 rng(4242);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t target = rng() % 300;
    while (text.size() < target) text += pieces[rng() % pieces.size()];
    if (rng() % 4 == 0) text += '\x82';
    for (std::size_t limit : {std::size_t{128}, std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{127}}) {
      if (const std::string failure = CutDisagreement(text, limit); !failure.empty()) {
        ADD_FAILURE() << failure;
        return;
      }
    }
  }
}

// The run writes blocks straight into its output text; that text must be the
// block's items, each followed by CR LF.
TEST_F(EventBlockTest, OutputTextEqualsTheItemsWithLineBreaks) {
  const LineList rows[] = {Meeting(), With(Meeting(), 6, "TRUE"), FirstFields(Meeting(), 9),
                           With(With(Meeting(), 0, Sjis("打ち合わせ（本社）打ち合わせ（本社）")), 1, "")};
  const LineList options = {"X-A:1", "", Sjis("X-B:仕事")};
  for (const LineList& fields : rows) {
    SCOPED_TRACE(Hex(fields.ItemAt(0)));
    AnsiText text = "before\r\n";
    OccurrenceCounter occurrences;
    OrderedOutput sink(text, occurrences);
    AppendEventBlock(EventRecord(FieldViews(ViewsOf(fields)), EventColumns()), options, *TimeZone::Japan(), sink);
    EXPECT_TRUE(SameBytes(text, "before\r\n" + JoinLinesToText(BuildEventBlock(fields, options))));
  }
}

// The full-width at sign is a code page 932 character; elsewhere its bytes
// would read as others ((・— under 1252), so the opening is the ASCII one.
TEST_F(EventBlockTest, PlaceOpeningOutsideCodePage932) {
  for (const auto& [page, opening] : {std::pair{932, std::string("(=EF=BC=A0")}, std::pair{1252, std::string("(@")}}) {
    SCOPED_TRACE(page);
    platform::SetAnsiCodePage(page);
    const LineList block = BuildEventBlock(With(With(Meeting(), 1, "Room"), 9, "x"), {});
    EXPECT_EQ(ItemOf(block, kDescriptionHead), kDescriptionHead + opening + "Room) x");
  }
  platform::SetAnsiCodePage(932);
}
