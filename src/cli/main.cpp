// quillmer-convert: one conversion from the command line, with the same
// engine, texts and all-or-nothing output as the desktop program's button.
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/convert_command.h"
#include "app/error_text.h"
#include "app/main_form.h"
#include "app/memo_text.h"
#include "app/path_choice.h"
#include "app/regional_choice.h"
#include "app/settings.h"
#include "cli/terminal_text.h"
#include "conversion/conversion_run.h"
#include "platform/files.h"
#include "platform/interruption.h"
#include "platform/regional.h"
#include "platform/time_zones.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"
#include "text/text_settings.h"

namespace {

constexpr int kConverted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void Print(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

// The option and filter lines exactly as the boxes would hold them.
LineList MemoFileLines(const std::string& fileName) { return MemoLines(ReadMemoFile(fileName)); }

// A file name from the command line: its bytes as they are, "-" the standard stream.
std::string CommandLinePath(const std::string& name) {
  return name == "-" ? std::string(platform::StandardStream) : name;
}

// What the convert button would send with the saved settings. A side file
// that cannot be read ends the run: converting without its lines would be wrong.
ConversionRequest SavedRequest() {
  return SavedSettingsRequest(SettingsProgramPath(), [](const QuillmerError& error) { throw error; });
}

int UsageError(const std::string& problem) {
  const std::string usage = ConvertUsageText();
  Print(stderr, "quillmer-convert: " + problem + "\n" + usage.substr(0, usage.find('\n') + 1) +
                    "Try 'quillmer-convert --help'.\n");
  return kUsage;
}

// The line after a record's error: which record, and where it starts.
std::string RecordPlaceText(const RecordPlace& place) {
  const std::string record =
      place.record == 0 ? std::string("見出し行") : "データの " + std::to_string(place.record) + " 件目";
  return "該当レコード: " + record + " (入力の " + std::to_string(place.line) + " 行目から)";
}

int Convert(const ConvertCommand& command, const std::string& codeset) {
  ConversionRequest request;
  if (command.useSavedSettings) {
    request = SavedRequest();
    // Converting an empty path would only say that "" cannot be opened.
    if (request.InputPath.empty())
      return UsageError("no input path is saved in " + IniPath(SettingsProgramPath()) + "; give INPUT and OUTPUT");
  } else {
    request.InputPath = CommandLinePath(command.inputPath);
    request.OutputPath = CommandLinePath(command.outputPath);
  }
  if (command.optionsFile) request.OptionLines = MemoFileLines(*command.optionsFile);
  if (command.filtersFile) request.FilterLines = MemoFileLines(*command.filtersFile);
  // --format wins over the output's name.
  request.Format = command.format.value_or(FormatForOutputPath(request.OutputPath));
  const ConversionResult result = ConversionRun(request);
  // The converted bytes own the standard output when it was the output.
  std::FILE* report = request.OutputPath == platform::StandardStream ? stderr : stdout;
  Print(report, cli::Utf8ToTerminal(Utf16ToUtf8(ShownFixedText(CompletionMessage(result))), codeset) + "\n");
  return kConverted;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ConvertCommand command = ParseConvertCommand(args);
  switch (command.action) {
    case ConvertCommand::Action::Help:
      // The steps of Outlook's wizard are given in Japanese too.
      Print(stdout, cli::Utf8ToTerminal(ConvertUsageText(), cli::TerminalCodeset()));
      return kConverted;
    case ConvertCommand::Action::Version:
      Print(stdout, std::string("quillmer-convert ") + QUILLMER_VERSION_TEXT + "\n");
      return kConverted;
    case ConvertCommand::Action::UsageError:
      return UsageError(command.usageError);
    case ConvertCommand::Action::ListZones: {
      std::string names;
      for (const std::string& name : platform::ZoneNames()) names += name + "\n";
      Print(stdout, names);
      return kConverted;
    }
    case ConvertCommand::Action::Convert:
      break;
  }

  if (const std::optional<std::string> unknown = ChooseRegionalProfile(command.localeName)) {
    return UsageError("unknown locale " + *unknown + (command.localeName ? "" : " in QUILLMER_LOCALE") +
                      " (known: " + platform::KnownProfileNames() + ")");
  }
  // The saved zone is read only for the run that uses the saved settings.
  const ZoneChoice zoneChoice =
      ChooseZoneName(command.zoneName, command.useSavedSettings ? SavedZoneName(SettingsProgramPath()) : "");
  std::shared_ptr<const TimeZone> zone;
  try {
    zone = LoadChosenZone(zoneChoice);
  } catch (const QuillmerError& error) {
    Print(stderr, cli::Utf8ToTerminal(Utf16ToUtf8(ShownErrorText(error)) + "\n", cli::TerminalCodeset()));
    return kFailed;
  }
  if (!zone) {
    static constexpr const char* kWhere[] = {"", " in QUILLMER_ZONE", " in the saved settings", ""};
    return UsageError("unknown time zone " + zoneChoice.name + kWhere[static_cast<int>(zoneChoice.source)] +
                      " ('quillmer-convert --zone list' lists the names)");
  }
  UseTimeZone(std::move(zone));
  const std::string codeset = cli::TerminalCodeset();
  platform::EndAtOnceOnInterruption("quillmer-convert");
  try {
    LoadDateTextSettings();
    return Convert(command, codeset);
  } catch (const QuillmerError& error) {
    std::string shown = Utf16ToUtf8(ShownErrorText(error)) + "\n";
    if (error.Place()) shown += RecordPlaceText(*error.Place()) + "\n";
    Print(stderr, cli::Utf8ToTerminal(shown, codeset));
  } catch (const std::bad_alloc&) {
    Print(stderr, "quillmer-convert: out of memory\n");
  } catch (const std::exception& error) {
    Print(stderr, std::string("quillmer-convert: ") + error.what() + "\n");
  }
  return kFailed;
}
