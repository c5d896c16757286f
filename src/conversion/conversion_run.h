#pragma once
// One conversion, export file to output file, all or nothing.
#include <cstdint>

#include "text/ansi_text.h"
#include "text/line_list.h"

// vCalendar 1.0 blocks for the device, or one iCalendar 2.0 file for desktop
// and web calendars, from the same records.
enum class OutputFormat { VCalendar, ICalendar };

// The paths are the file system's own bytes, never converted.
struct ConversionRequest {
  std::string InputPath;
  std::string OutputPath;
  LineList OptionLines;
  LineList FilterLines;
  OutputFormat Format = OutputFormat::VCalendar;
};

struct ConversionResult {
  std::int32_t ConvertedCount = 0;
  std::int32_t FilteredCount = 0;
  AnsiText CompletionMessage;
};

// The output file is written once, after every record converted; after any
// error it is byte for byte what it was.
ConversionResult ConversionRun(const ConversionRequest& request);
