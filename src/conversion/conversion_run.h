#pragma once
// One conversion, export file to output file, all or nothing.
#include <cstdint>
#include <memory>

#include "conversion/record_converter.h"
#include "text/ansi_text.h"
#include "text/line_list.h"
#include "text/text_file.h"
#include "text/text_settings.h"
#include "text/time_zone.h"

// The paths are the file system's own bytes, never converted.
struct ConversionRequest {
  std::string InputPath;
  std::string OutputPath;
  LineList OptionLines;
  LineList FilterLines;
  OutputFormat Format = OutputFormat::VCalendar;
  // The zone of the export's times; nullptr: the one chosen for the process.
  std::shared_ptr<const TimeZone> Zone = nullptr;
};

struct ConversionResult {
  std::int32_t ConvertedCount = 0;
  std::int32_t FilteredCount = 0;
};

// The settings a run of request reads under, taken now: the process's, with
// the request's zone.
TextSettings RunSettings(const ConversionRequest& request);

// The output file is written once, after every record converted; after any
// error it is byte for byte what it was.
ConversionResult ConversionRun(const ConversionRequest& request);
// The same run with its output bytes given to output, in order, instead of
// the output path: nothing is written there and no temporary file is made.
ConversionResult ConversionRun(const ConversionRequest& request, ByteSink& output);

// Either run with its work shared as options say (record_ring.h), into
// output or, when it is nullptr, into the output file: for tests that try
// every schedule.
struct RunOptions;
ConversionResult ConversionRun(const ConversionRequest& request, ByteSink* output, const RunOptions& options);
