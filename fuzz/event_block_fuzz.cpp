// The event block against a literal construction of its lines, with the
// description cut done the slow way (one character off, whole text converted
// again, until it fits), and the bounded cut against that loop for any limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "conversion/event_block.h"
#include "conversion/timestamps.h"
#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/regional.h"
#include "reference/literal_rules.h"
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
  if (!TrimBlanks(f.ItemAt(1)).empty()) d = platform::Cp932FromUtf8("(＠") + f.ItemAt(1) + ")";
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
  block.AppendAll(options);
  block.Append("END:VEVENT");
  block.Append("END:VCALENDAR");
  return block;
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
  const std::string notes = provider.ConsumeRemainingBytesAsString();
  for (int i = 9; i < fieldCount; ++i) fields.Append(i == 9 ? notes : "ignored");
  while (fields.Count() > fieldCount) fields.RemoveAt(fields.Count() - 1);
  const LineList options{"X-A:1", ""};

  const AnsiText cut = detail::CutToByteLimit(notes, limit);
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
    detail::AppendEventBlockText(EventRecord(FieldViews(ViewsOf(fields)), EventColumns()), options, text);
  } catch (const QuillmerError& e) {
    textError = e.Message();
  }
  FUZZ_CHECK(textError == expectedError);
  if (expectedError.empty()) {
    const AnsiText joined = "earlier blocks\r\n" + expected.JoinLinesToText();
    if (text != joined) {
      fuzz::ReportPair("block text", text, joined);
      FUZZ_CHECK(text == joined);
    }
  }
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
