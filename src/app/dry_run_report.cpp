#include "app/dry_run_report.h"

#include <cstdio>
#include <ctime>

#include "platform/regional.h"
#include "platform/utf8.h"
#include "text/calendar.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr long long kDayValueOf1970 = 25'569;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Number(long long value) { return Ascii(std::to_string(value)); }

std::u16string Utf16(std::string_view utf8) {
  std::u16string text;
  platform::AppendUtf16FromUtf8(utf8, text);
  return text;
}

// "2024/01/15 10:00" on the zone's clock, or "2024/01/15" for a date.
std::u16string StartText(const PastEvent& event, const TimeZone& zone) {
  if (!event.hasStart) return u"(開始日時なし)";
  const std::int64_t local = event.allDay ? event.start : event.start + zone.OffsetAt(event.start);
  std::int64_t days = local / kSecondsPerDay;
  if (local % kSecondsPerDay < 0) --days;
  const std::int64_t seconds = local - days * kSecondsPerDay;
  const CivilDate date = DateFromDayNumber(days + kDayValueOf1970 + kDayNumberOfDayValueZero);
  char text[32];
  if (event.allDay) {
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", date.year, date.month, date.day);
  } else {
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", date.year, date.month, date.day,
                  static_cast<int>(seconds / 3'600), static_cast<int>(seconds / 60 % 60));
  }
  return Ascii(text);
}

// A title on one line: line breaks and other control characters as blanks.
std::u16string OneLine(std::string_view utf8) {
  std::u16string text = Utf16(utf8);
  for (char16_t& unit : text)
    if (unit < 0x20) unit = u' ';
  return text;
}

}  // namespace

std::u16string ZoneOffsetsText(const TimeZone& zone, const std::optional<StartSpan>& starts) {
  std::int64_t from = 0, to = 0;
  if (starts) {
    from = starts->first;
    to = starts->last;
  } else {
    from = static_cast<std::int64_t>(std::time(nullptr));
    to = from + 365 * kSecondsPerDay;
  }
  std::u16string text;
  for (const std::int32_t offset : zone.OffsetsBetween(from, to)) {
    if (!text.empty()) text += u" / ";
    text += Ascii(OffsetText(offset));
  }
  return text;
}

std::u16string ZoneText(const TimeZone& zone, const std::optional<StartSpan>& starts) {
  return Ascii(zone.Name()) + u" (" + ZoneOffsetsText(zone, starts) + u")";
}

std::u16string ComparisonText(LastOutputState last, const OutputComparison& comparison, const TimeZone& zone) {
  switch (last) {
    case LastOutputState::None:
      return u"・前回の出力: なし (出力ファイルはまだありません)\n";
    case LastOutputState::Foreign:
      return u"・前回の出力: 比べられません (出力ファイルは Quillmer がこの形式で書いたカレンダーではありません)\n";
    case LastOutputState::Read:
      break;
  }
  std::u16string text = u"・新規: " + Number(comparison.added) + u"件\n・前回と同じ: " + Number(comparison.same) +
                        u"件\n・前回だけ: " + Number(static_cast<long long>(comparison.onlyBefore.size())) + u"件\n";
  for (const PastEvent& event : comparison.onlyBefore)
    text += u"    " + StartText(event, zone) + u"  " + OneLine(event.title) + u"\n";
  if (!comparison.onlyBefore.empty())
    text += u"前回だけの予定は、前回の変換のあと Outlook で変更または削除された予定です。"
            u"前回の出力を取り込んだカレンダーからは、これらを手で削除してください。\n";
  return text;
}

std::u16string DryRunReport(const DryRunResult& result, const TimeZone& zone, OutputFormat format) {
  return u"・出力: 書き込んでいません (--dry-run)\n・変換対象: " + Number(result.counts.ConvertedCount) + u"件\n・フィルタ対象: " +
         Number(result.counts.FilteredCount) + u"件\n・地域設定: " + Ascii(platform::ActiveRegionalProfile().name) +
         u"\n・タイムゾーン: " + ZoneText(zone, result.starts) + u"\n・出力形式: " +
         (format == OutputFormat::ICalendar ? u"iCalendar 2.0" : u"vCalendar 1.0") + u"\n" +
         ComparisonText(result.last, result.comparison, zone);
}
