#pragma once
// One conversion, export file to output file, all or nothing.
#include <cstdint>
#include <functional>
#include <memory>

#include "conversion/record_converter.h"
#include "text/ansi_text.h"
#include "text/line_list.h"
#include "text/text_settings.h"
#include "text/time_zone.h"

// How the run shares its work (tests choose; the default is the product's).
struct RunOptions {
  // 1: read, convert and write on the caller's thread alone; 2: a reader
  // thread too, which converts ahead whenever it would otherwise wait.
  int threads = 2;
  // Tests: whether the slot of records numbered n (from 0) is converted
  // ahead of its turn or by the caller in its turn; output a slot converted
  // ahead may hold (0: the product's).
  std::function<bool(std::size_t)> convertAhead;
  std::size_t aheadBytes = 0;
  std::size_t slotBytes = 0;
};

// The paths are the file system's own bytes, never converted.
struct ConversionRequest {
  std::string InputPath;
  std::string OutputPath;
  LineList OptionLines;
  LineList FilterLines;
  OutputFormat Format = OutputFormat::VCalendar;
  RunOptions Options = {};
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
