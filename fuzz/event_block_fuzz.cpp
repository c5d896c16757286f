// The event block against a literal construction of its lines, with the
// description cut done the slow way (one character off, whole text converted
// again, until it fits), and the bounded cut against that loop for any limit.
// The same fields in the columns of Outlook's own export, in any order and
// found by their titles, give the same block and the same iCalendar event.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "conversion/event_block.h"
#include "conversion/icalendar_block.h"
#include "conversion/ordered_output.h"
#include "conversion/timestamps.h"
#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "reference/literal_rules.h"
#include "support/harness.h"
#include "text/character_walk.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"
#include "text/quoted_printable.h"

namespace {

constexpr int kPages[] = {932, 932, 932, 936, 949, 950, 1252};

using reference::CutToByteLimitLiterally;

AnsiText Encoded(const AnsiText& ansi) { return EncodeQuotedPrintable(AnsiTextToUtf8(ansi)); }

LineList LiteralBlock(const LineList& f, const LineList& options) {
  LineList block{"BEGIN:VCALENDAR", "BEGIN:VEVENT", "VERSION:1.0"};
  block.Append("SUMMARY;ENCODING=QUOTED-PRINTABLE:" + Encoded(f.ItemAt(0)));
  AnsiText d;
  const AnsiText opening = platform::AnsiCodePage().Number() == 932 ? platform::Cp932FromUtf8("(＠") : "(@";
  if (!TrimBlanks(f.ItemAt(1)).empty()) d = opening + f.ItemAt(1) + ")";
  // Each time column is read before its date column.
  const AnsiText startTime = f.ItemAt(3);
  block.Append("DTSTART:" + MakeUtcStamp(f.ItemAt(2), startTime));
  const AnsiText endTime = f.ItemAt(5);
  block.Append("DTEND:" + MakeUtcStamp(f.ItemAt(4), endTime));
  if (CompareAsciiNoCase(f.ItemAt(6), "FALSE") == 0) {
    block.Append("DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;");
  } else {
    const AnsiText alarmTime = f.ItemAt(8);
    block.Append("DALARM;ENCODING=QUOTED-PRINTABLE:" + MakeUtcStamp(f.ItemAt(7), alarmTime) + ";");
  }
  if (f.Count() >= 10) d = d + " " + f.ItemAt(9);
  d = CutToByteLimitLiterally(d, DescriptionByteLimit);
  block.Append("DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + Encoded(TrimBlanks(d)));
  AppendAll(block, options);
  block.Append("END:VEVENT");
  block.Append("END:VCALENDAR");
  return block;
}

// Outlook's Japanese column titles; the first ten hold the ten columns'
// fields, in their order.
constexpr const char* kOutlookTitles[] = {
    "件名", "場所", "開始日", "開始時刻", "終了日", "終了時刻", "アラーム オン/オフ", "アラーム日付", "アラーム時刻",
    "内容", "終日イベント", "会議の開催者", "必須出席者", "任意出席者", "リソース", "プライベート", "経費情報",
    "公開する時間帯の種類", "支払い条件", "秘密度", "分類", "優先度"};
constexpr std::size_t kTitles = sizeof kOutlookTitles / sizeof kOutlookTitles[0];

// Whether a reminder flag means the same in both readings: the ten columns
// take only FALSE (any case) as off, named columns also the other false
// words and an empty field.
bool FlagReadsAlike(std::string_view flag) {
  const std::string_view trimmed = TrimmedBlanks(flag);
  // The English words are ASCII alone, so folding every byte finds them; the
  // Japanese ones are compared as they are.
  std::string word(trimmed);
  for (char& c : word) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (word == "FALSE") return flag.size() == 5;
  return word != "OFF" && word != "NO" && word != "0" && !word.empty() && trimmed != platform::Cp932FromUtf8("オフ") &&
         trimmed != platform::Cp932FromUtf8("いいえ");
}

// What a writer gives for one record, or the error's message; the UID line
// (made of the record's bytes) left out.
template <typename Write>
std::string Written(Write write) {
  AnsiText out;
  OccurrenceCounter occurrences;
  OrderedOutput sink(out, occurrences);
  try {
    write(sink);
  } catch (const QuillmerError& e) {
    return "error " + e.Message();
  }
  const std::size_t uid = out.find("UID:");
  if (uid != std::string::npos) out.erase(uid, out.find('\n', uid) + 1 - uid);
  return out;
}

// The fields in a shuffled default layout, read by their titles, against the
// same fields read by position.
void CheckNamedColumns(std::uint32_t seed, const LineList& fields, const LineList& options) {
  if (platform::AnsiCodePage().Number() != 932 || fields.Count() < 10 || !FlagReadsAlike(fields.ItemAt(6))) return;
  std::size_t order[kTitles];
  for (std::size_t k = 0; k < kTitles; ++k) order[k] = k;
  std::mt19937 rng(seed);
  std::shuffle(order, order + kTitles, rng);
  std::string header;
  std::vector<std::string_view> named(kTitles);
  for (std::size_t column = 0; column < kTitles; ++column) {
    header += (column ? ",\"" : "\"") + platform::Cp932FromUtf8(kOutlookTitles[order[column]]) + "\"";
    if (order[column] < static_cast<std::size_t>(fields.Count())) named[column] = fields.ItemAt(static_cast<int>(order[column]));
  }
  const EventColumns byName = EventColumns::FromHeader(header);
  FUZZ_CHECK(byName.ByName());
  const EventColumns positions;
  const std::vector<std::string_view> views = ViewsOf(fields);
  const EventRecord positional(FieldViews(views), positions);
  const EventRecord fromTitles(FieldViews(named), byName);

  const std::string block = Written([&](BlockOutput& out) { AppendEventBlock(fromTitles, options, *TimeZone::Japan(), out); });
  const std::string expected = Written([&](BlockOutput& out) { AppendEventBlock(positional, options, *TimeZone::Japan(), out); });
  if (block != expected) {
    fuzz::ReportPair("named block", block, expected);
    FUZZ_CHECK(block == expected);
  }
  const ICalendarWriter writer(options, 0, TimeZone::Japan());
  const std::string event = Written([&](BlockOutput& out) { writer.AppendEvent(fromTitles, "", {}, out); });
  const std::string expectedEvent = Written([&](BlockOutput& out) { writer.AppendEvent(positional, "", {}, out); });
  if (event != expectedEvent) {
    fuzz::ReportPair("named event", event, expectedEvent);
    FUZZ_CHECK(event == expectedEvent);
  }
}

void SetUpOnce() {
  static bool done = false;
  if (done) return;
  platform::SetAnsiCodePage(932);
  SetDateTextSettings(DateTextSettingsFrom(*platform::FindRegionalProfile("ja-JP")));
  platform::SetCurrentYearForTesting(2026);
  done = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SetUpOnce();
  FuzzedDataProvider provider(data, size);
  platform::SetAnsiCodePage(kPages[provider.ConsumeIntegralInRange<std::size_t>(0, 6)]);
  const std::size_t limit = provider.ConsumeIntegralInRange<std::size_t>(0, 300);
  const int fieldCount = provider.ConsumeIntegralInRange<int>(7, 12);
  const bool alarm = provider.ConsumeBool();
  LineList fields;
  fields.Append(provider.ConsumeRandomLengthString(100));               // title
  fields.Append(provider.ConsumeRandomLengthString(100));               // place
  fields.Append("2008/01/15");
  fields.Append("10:00:00");
  fields.Append("2008/01/15");
  fields.Append("11:30:00");
  fields.Append(alarm ? provider.ConsumeRandomLengthString(6) : "FALSE");
  fields.Append("2008/01/15");
  fields.Append("9:45:00");
  const auto shuffle = provider.ConsumeIntegral<std::uint32_t>();
  const std::string notes = provider.ConsumeRemainingBytesAsString();
  for (int i = 9; i < fieldCount; ++i) fields.Append(i == 9 ? notes : "ignored");
  while (fields.Count() > fieldCount) RemoveAt(fields, fields.Count() - 1);
  const LineList options{"X-A:1", ""};

  const AnsiText cut = CutToByteLimit(notes, limit);
  const AnsiText literalCut = CutToByteLimitLiterally(notes, limit);
  if (cut != literalCut) {
    std::fprintf(stderr, "cut to %zu bytes\n", limit);
    fuzz::ReportPair("cut", cut, literalCut);
    FUZZ_CHECK(cut == literalCut);
  }

  // A record the alarm needs fields 7 and 8 for fails alike both ways.
  LineList block;
  std::string error;
  try {
    block = BuildEventBlock(fields, options);
  } catch (const QuillmerError& e) {
    error = e.Message();
  }
  LineList expected;
  std::string expectedError;
  try {
    expected = LiteralBlock(fields, options);
  } catch (const QuillmerError& e) {
    expectedError = e.Message();
  }
  if (error != expectedError) {
    fuzz::ReportPair("error", error, expectedError);
    FUZZ_CHECK(error == expectedError);
  }
  // The run's direct form writes the same items, each followed by CR LF.
  AnsiText text = "earlier blocks\r\n";
  std::string textError;
  try {
    OccurrenceCounter occurrences;
    OrderedOutput sink(text, occurrences);
    AppendEventBlock(EventRecord(FieldViews(ViewsOf(fields)), EventColumns()), options, *TimeZone::Japan(), sink);
  } catch (const QuillmerError& e) {
    textError = e.Message();
  }
  FUZZ_CHECK(textError == expectedError);
  if (expectedError.empty()) {
    const AnsiText joined = "earlier blocks\r\n" + JoinLinesToText(expected);
    if (text != joined) {
      fuzz::ReportPair("block text", text, joined);
      FUZZ_CHECK(text == joined);
    }
  }
  CheckNamedColumns(shuffle, fields, options);
  if (block != expected) {
    for (int i = 0; i < block.Count() && i < expected.Count(); ++i) {
      if (block.ItemAt(i) != expected.ItemAt(i)) {
        fuzz::ReportPair("item", block.ItemAt(i), expected.ItemAt(i));
        break;
      }
    }
    FUZZ_CHECK(block == expected);
  }
  return 0;
}
