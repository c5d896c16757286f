#pragma once
// Large Outlook exports of our own making, for benchmarks: the ten columns in
// code page 932, CR LF, a realistic mix of short and multi-line notes (some
// several KB long), alarms on and off, commas and doubled quotes in fields.
// The same count, seed and mix always give the same bytes.
#include <cstddef>
#include <string>
#include <string_view>

enum class ExportMix {
  Short,     // about 300 bytes an appointment, most notes one line or none
  Calendar,  // about 600 bytes: over half with notes of several lines, a few of several KB
  Tiny,      // a title and the dates only
  Outlook,   // the Calendar mix in the 22 columns Outlook's export wizard writes by default
};

std::string MakeExport(int appointments, unsigned seed = 1, ExportMix mix = ExportMix::Short);
// "short", "calendar", "tiny" or "outlook"; false for any other name.
bool ExportMixByName(std::string_view name, ExportMix& mix);

// Filter lines, one per line in code page 932 with CR LF: half Japanese words
// made of the kanji the exports use (so that their byte pairs turn up in the
// records often), half ASCII names; none occurs in a generated export.
std::string MakeFilterLines(int count, unsigned seed = 7);
// Numbered filter lines that share their start, as a list of names or
// case numbers would: 本社 X000001, 本社 X000002, ... (code page 932, CR LF).
std::string MakeNumberedFilterLines(int count);
// One appointment whose title or notes alone are about `bytes` long, between
// two short ones: "title-ascii", "title-ja", "notes-ja" (Japanese lines of
// about 1 KB), "notes-quoted" (the same with doubled quotes) or "titles-ja"
// (five such titles in a row); empty for any other kind.
std::string MakeLongRecordExport(std::string_view kind, std::size_t bytes);
