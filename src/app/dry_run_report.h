#pragma once
// The texts of a dry run and of the preview about what a conversion would
// give: the zone and the offsets it uses, and how the new output compares
// with the last one, in words a user can act on.
#include <optional>
#include <string>

#include "conversion/output_comparison.h"
#include "text/time_zone.h"

// "UTC-5 / UTC-4": the offsets zone uses between the starts of the span, or
// over the year from now when there are none yet.
std::u16string ZoneOffsetsText(const TimeZone& zone, const std::optional<StartSpan>& starts);
// "America/New_York (UTC-5 / UTC-4)".
std::u16string ZoneText(const TimeZone& zone, const std::optional<StartSpan>& starts);

// The lines about the last output, each ending in a line break: whether
// there is one, then new, same and only-before counts, each on its own
// labelled line, and the events only in the last output by start (the
// zone's wall-clock time, an all-day event's date) and title, with what to
// do about them.
std::u16string ComparisonText(LastOutputState last, const OutputComparison& comparison, const TimeZone& zone);

// quillmer-convert --dry-run's report: one labelled item a line (the
// counts, the regional settings, the zone, the output format), then the
// comparison.
std::u16string DryRunReport(const DryRunResult& result, const TimeZone& zone, OutputFormat format);
