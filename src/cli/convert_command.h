#pragma once
// The command line of quillmer-convert, read without touching anything:
//   quillmer-convert [INPUT OUTPUT] [--options FILE] [--filters FILE] [--locale NAME]
//                    [--zone NAME] [--format vcalendar|icalendar|ics]
//   quillmer-convert --zone list | --help | --version
#include <optional>
#include <string>
#include <vector>

#include "conversion/conversion_run.h"

struct ConvertCommand {
  enum class Action { Convert, ListZones, Help, Version, UsageError };
  Action action = Action::UsageError;
  // No paths given: the desktop program's saved settings make the request.
  bool useSavedSettings = false;
  // As given on the command line, in the terminal's encoding.
  std::string inputPath;
  std::string outputPath;
  std::optional<std::string> optionsFile;
  std::optional<std::string> filtersFile;
  std::optional<std::string> localeName;
  std::optional<std::string> zoneName;
  // Not given: the output's name chooses (FormatForOutputPath).
  std::optional<OutputFormat> format;
  std::string usageError;  // what is wrong, for UsageError
};

// args are the arguments after the program name. --help and --version win over
// everything else; "--" ends the options; "--name=value" equals "--name value".
ConvertCommand ParseConvertCommand(const std::vector<std::string>& args);

// The text of --help, ending with a line break.
std::string ConvertUsageText();
