// quillmer-convert: one conversion from the command line, with the same
// engine, texts and all-or-nothing output as the desktop program's button.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/convert_command.h"
#include "app/error_text.h"
#include "app/main_form.h"
#include "app/memo_text.h"
#include "app/settings.h"
#include "cli/terminal_text.h"
#include "conversion/conversion_run.h"
#include "platform/files.h"
#include "platform/interruption.h"
#include "platform/regional.h"
#include "text/date_time_text.h"
#include "text/errors.h"

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

int Convert(const ConvertCommand& command, const std::string& codeset) {
  ConversionRequest request;
  if (command.useSavedSettings) {
    request = SavedRequest();
  } else {
    request.InputPath = CommandLinePath(command.inputPath);
    request.OutputPath = CommandLinePath(command.outputPath);
  }
  if (command.optionsFile) request.OptionLines = MemoFileLines(*command.optionsFile);
  if (command.filtersFile) request.FilterLines = MemoFileLines(*command.filtersFile);
  const ConversionResult result = ConversionRun(request);
  // The converted bytes own the standard output when it was the output.
  std::FILE* report = request.OutputPath == platform::StandardStream ? stderr : stdout;
  Print(report, cli::AnsiToTerminal(result.CompletionMessage, codeset) + "\n");
  return kConverted;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ConvertCommand command = ParseConvertCommand(args);
  switch (command.action) {
    case ConvertCommand::Action::Help:
      Print(stdout, ConvertUsageText());
      return kConverted;
    case ConvertCommand::Action::Version:
      Print(stdout, std::string("quillmer-convert ") + QUILLMER_VERSION_TEXT + "\n");
      return kConverted;
    case ConvertCommand::Action::UsageError:
      Print(stderr, "quillmer-convert: " + command.usageError + "\nTry 'quillmer-convert --help'.\n");
      return kUsage;
    case ConvertCommand::Action::Convert:
      break;
  }

  if (command.localeName && !platform::UseRegionalProfile(*command.localeName)) {
    std::string known;
    for (const platform::RegionalProfile& profile : platform::RegionalProfiles()) {
      known += (known.empty() ? "" : ", ") + profile.name;
    }
    Print(stderr, "quillmer-convert: unknown locale " + *command.localeName + " (known: " + known + ")\n");
    return kUsage;
  }
  const std::string codeset = cli::TerminalCodeset();
  platform::EndAtOnceOnInterruption("quillmer-convert");
  try {
    LoadDateTextSettings();
    return Convert(command, codeset);
  } catch (const QuillmerError& error) {
    Print(stderr, cli::AnsiToTerminal(ErrorBoxText(error.Message()), codeset) + "\n");
  } catch (const std::bad_alloc&) {
    Print(stderr, "quillmer-convert: out of memory\n");
  } catch (const std::exception& error) {
    Print(stderr, std::string("quillmer-convert: ") + error.what() + "\n");
  }
  return kFailed;
}
