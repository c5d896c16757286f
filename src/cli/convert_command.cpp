#include "cli/convert_command.h"

#include <string_view>

namespace {

ConvertCommand UsageError(std::string message) {
  ConvertCommand command;
  command.action = ConvertCommand::Action::UsageError;
  command.usageError = std::move(message);
  return command;
}

}  // namespace

ConvertCommand ParseConvertCommand(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      ConvertCommand command;
      command.action = ConvertCommand::Action::Help;
      return command;
    }
  }
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--version") {
      ConvertCommand command;
      command.action = ConvertCommand::Action::Version;
      return command;
    }
  }

  ConvertCommand command;
  std::optional<std::string> format;
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    std::optional<std::string>* target = nullptr;
    if (name == "--options") target = &command.optionsFile;
    if (name == "--filters") target = &command.filtersFile;
    if (name == "--locale") target = &command.localeName;
    if (name == "--zone") target = &command.zoneName;
    if (name == "--format") target = &format;
    if (target == nullptr) return UsageError("unknown option " + name);
    if (target->has_value()) return UsageError(name + " is given twice");
    if (!value) {
      if (i + 1 >= args.size()) return UsageError(name + " needs a value");
      value = args[++i];
    }
    *target = std::move(value);
  }

  if (format) {
    if (*format == "icalendar" || *format == "ics") {
      command.format = OutputFormat::ICalendar;
    } else if (*format == "vcalendar") {
      command.format = OutputFormat::VCalendar;
    } else {
      return UsageError("unknown format " + *format + " (known: vcalendar, icalendar, ics)");
    }
  }

  if (command.zoneName == "list") {
    command.action = ConvertCommand::Action::ListZones;
    return command;
  }
  command.action = ConvertCommand::Action::Convert;
  // Without paths the saved settings of the desktop program name them.
  if (paths.empty()) {
    command.useSavedSettings = true;
    return command;
  }
  if (paths.size() == 1) return UsageError("the output path is missing");
  if (paths.size() > 2) return UsageError("too many paths: " + paths[2]);
  command.inputPath = paths[0];
  command.outputPath = paths[1];
  return command;
}

std::string ConvertUsageText() {
  return "Usage: quillmer-convert [INPUT OUTPUT] [--options FILE] [--filters FILE] [--locale NAME]\n"
         "                        [--zone NAME] [--format vcalendar|icalendar|ics]\n"
         "       quillmer-convert --zone list | --help | --version\n"
         "\n"
         "Converts a calendar that Outlook exported as comma-separated text into a\n"
         "file of vCalendar 1.0 blocks for an iPod, or into one iCalendar 2.0 file when\n"
         "OUTPUT's name ends in .ics (any letter case). The output is written only\n"
         "when every appointment converts. INPUT \"-\" reads the standard input; OUTPUT\n"
         "\"-\" writes the standard output (the report then goes to the standard error).\n"
         "\n"
         "Two layouts are read. Outlook's own export, as its wizard writes it with the\n"
         "defaults, is read by its column titles (Japanese or English, in any order):\n"
         "  File > Open & Export > Import/Export > Export to a file >\n"
         "  Comma Separated Values > Calendar; no field mapping is needed.\n"
         "  ファイル > 開く/エクスポート > インポート/エクスポート > ファイルにエクスポート >\n"
         "  テキスト ファイル (カンマ区切り) > 予定表 (フィールドの一致は不要です)\n"
         "Any other export is read by position, ten columns: title, place, start date,\n"
         "start time, end date, end time, alarm flag, alarm date, alarm time, notes.\n"
         "\n"
         "Without INPUT and OUTPUT it does what the desktop program's convert button\n"
         "would do: paths, option lines and filter lines come from the program's saved\n"
         "settings (quillmer.ini, option.txt, filter.txt), which are only read.\n"
         "\n"
         "  --options FILE  lines copied into every event (as the option box holds them)\n"
         "  --filters FILE  appointments containing any of these lines are left out\n"
#ifdef _WIN32
         "  --locale NAME   the regional settings of the Outlook that made the export,\n"
         "                  for reading its dates and text: ja-JP,\n"
         "                  ja-JP-u-ca-japanese, en-US (1/15/2024) or en-GB\n"
         "                  (15/01/2024). Without it the variable\n"
         "                  QUILLMER_LOCALE names them, else Windows' own settings.\n"
#else
         "  --locale NAME   the regional settings of the Outlook that made the export,\n"
         "                  for reading its dates and text: ja-JP (the default),\n"
         "                  ja-JP-u-ca-japanese, en-US (1/15/2024) or en-GB\n"
         "                  (15/01/2024). Without it the variable\n"
         "                  QUILLMER_LOCALE names them; LANG and LC_* choose nothing.\n"
#endif
         "  --zone NAME     the time zone the export's dates and times were written in,\n"
         "                  an IANA name such as America/New_York, Europe/London or\n"
         "                  Asia/Tokyo; \"--zone list\" lists them. Without it the\n"
         "                  variable QUILLMER_ZONE names it, then (without paths) the\n"
         "                  saved settings, else Asia/Tokyo under the Japanese settings\n"
         "                  and the computer's own zone under any other.\n"
         "  --format FORMAT vcalendar: vCalendar 1.0 blocks for the iPod;\n"
         "                  icalendar or ics: one iCalendar 2.0 file in UTF-8 for\n"
         "                  desktop and web calendars, with the notes in full.\n"
         "                  Without it OUTPUT's name chooses: iCalendar for a name\n"
         "                  ending in .ics, vCalendar for any other name and for \"-\".\n"
         "                  Option lines become lines of every iCalendar event;\n"
         "                  empty option lines are left out. SOURCE_DATE_EPOCH, when\n"
         "                  set, is the DTSTAMP of its events instead of the time now.\n"
         "\n"
         "A failing appointment is named on a second line: its number among the\n"
         "appointments and the line of the export where it starts.\n"
         "\n"
         "Exit status: 0 converted, 1 failed (the output file is untouched), 2 usage\n"
         "(also without paths when no input path is saved), 128 + the signal's number\n"
         "when interrupted (nothing is left behind).\n";
}
