// quillmer-convert as a user runs it, and its command line.
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "cli/convert_command.h"
#include "support/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::ReadGoldenFile;
using testing_support::SameBytes;
using testing_support::SourceDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  static std::string Binary() {
    const char* binaryDir = std::getenv("QUILLMER_BINARY_DIR");
    return std::string(binaryDir ? binaryDir : QUILLMER_BINARY_DIR) + "/quillmer-convert";
  }

  // Runs the converter with the arguments (already shell-quoted) under env.
  RunResult Run(const std::string& args, const std::string& env = "LANG=C.UTF-8") {
    return RunBinary(Binary(), args, env);
  }

  RunResult RunBinary(const std::string& binary, const std::string& args, const std::string& env) {
    const std::string command = "env -u LC_ALL -u LC_TIME -u LC_CTYPE " + env + " '" + binary + "' " + args +
                                " > '" + (dir_ / "stdout") + "' 2> '" + (dir_ / "stderr") + "'";
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFileBytes(dir_ / "stdout");
    result.err = ReadFileBytes(dir_ / "stderr");
    return result;
  }

  static std::string Example(const char* name) { return "'" + (SourceDir() / "examples" / name).string() + "'"; }
  std::string Path(const char* name) const { return "'" + (dir_ / name) + "'"; }

  TempDir dir_;
};

const char* const kDoneUtf8 =
    "変換と出力が完了しました\n\n・変換対象: 20件\n・フィルタ対象: 0件\n";

}  // namespace

TEST_F(CliTest, ConvertsTheSampleAndReportsInUtf8) {
  const RunResult run = Run(Example("outlook-export.csv") + " " + Path("out.vcs"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, kDoneUtf8);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out.vcs"), ReadFileBytes(SourceDir() / "examples/outlook-export.vcs")));
}

TEST_F(CliTest, OptionAndFilterFilesAsTheBoxesWouldHoldThem) {
  const RunResult run = Run(Example("outlook-export.csv") + " " + Path("out.vcs") + " --options " +
                            Example("option.txt") + " --filters=" + Example("filter.txt"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("・フィルタ対象: 3件"), std::string::npos);
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out.vcs"),
                        ReadFileBytes(SourceDir() / "examples/outlook-export-filtered.vcs")));
}

// Without --format the output's name chooses; --format wins over it.
TEST_F(CliTest, ICalendarOfTheSample) {
  struct Row {
    const char* name;
    std::string output;  // as given
    const char* format;  // the --format option, or ""
    const char* written;   // in the test's folder
    const char* expected;  // in examples/
  };
  const Row rows[] = {
      {"a .ics name", Path("out.ics"), "", "out.ics", "outlook-export-filtered.ics"},
      {"any letter case", Path("OUT.Ics"), "", "OUT.Ics", "outlook-export-filtered.ics"},
      {"--format wins over the name", Path("out.ics"), " --format vcalendar", "out.ics",
       "outlook-export-filtered.vcs"},
      {"--format for another name", Path("out.txt"), " --format ics", "out.txt", "outlook-export-filtered.ics"},
      {"the standard output is vCalendar", "-", "", "stdout", "outlook-export-filtered.vcs"},
      {"unless --format says", "-", " --format=icalendar", "stdout", "outlook-export-filtered.ics"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RunResult run = Run(Example("outlook-export.csv") + " " + r.output + r.format + " --options " +
                                  Example("option.txt") + " --filters " + Example("filter.txt"),
                              "LANG=C.UTF-8 SOURCE_DATE_EPOCH=1704067200");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / r.written), ReadGoldenFile(SourceDir() / "examples" / r.expected)));
  }
}

TEST_F(CliTest, AsciiLocaleStillShowsJapanese) {
  const RunResult run = Run(Example("outlook-export.csv") + " " + Path("out.vcs"), "LANG=C");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("変換と出力が完了しました"), std::string::npos);
}

TEST_F(CliTest, FailuresGoToStderrAsTheErrorBoxWordsThem) {
  WriteFileBytes(dir_ / "out.vcs", "old");
  struct Row {
    const char* name;
    std::string input;
    std::string message;
  };
  WriteFileBytes(dir_ / "bad.csv", "\"h\"\r\n\"a\",\"b\",\"2008/02/30\",\"10:00:00\"\r\n");
  WriteFileBytes(dir_ / "short.csv", "\"h\"\r\n\"a\",\"b\"\r\n");
  const Row rows[] = {
      {"missing input", Path("missing.csv"), "ファイル \"" + (dir_ / "missing.csv") + "\". "},
      {"bad date, message gets a full stop", Path("bad.csv"), "'2008/02/30 10:00:00' は日付または時刻ではありません.\n"},
      {"index error ends in a parenthesis, no full stop", Path("short.csv"),
       "リストのインデックスが範囲を超えています (3)\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RunResult run = Run(r.input + " " + Path("out.vcs"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "out.vcs"), "old");
  }
}

// A dry run writes nothing: the existing output keeps its bytes and its
// time, and no temporary file is left; a failing record fails as a real run.
TEST_F(CliTest, DryRunWritesNothing) {
  WriteFileBytes(dir_ / "bad.csv", "\"h\"\r\n\"a\",\"b\",\"2008/02/30\",\"10:00:00\"\r\n");
  struct Row {
    const char* name;
    std::string input;
    int exitCode;
    std::string out, err;
  };
  const Row rows[] = {
      {"the sample again", Example("outlook-export.csv"), 0, "・新規: 0件\n・前回と同じ: 20件\n・前回だけ: 0件\n", ""},
      {"a bad date", Path("bad.csv"), 1, "", "該当レコード: データの 1 件目 (入力の 2 行目から)\n"},
  };
  const std::string sample = ReadGoldenFile(SourceDir() / "examples/outlook-export.ics");
  const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFileBytes(dir_ / "out.ics", sample);
    std::filesystem::last_write_time(dir_ / "out.ics", past);
    const RunResult run = Run(r.input + " " + Path("out.ics") + " --dry-run");
    EXPECT_EQ(run.exitCode, r.exitCode);
    EXPECT_NE(run.out.find(r.out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
    EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "out.ics"), sample));
    EXPECT_EQ(std::filesystem::last_write_time(dir_ / "out.ics"), past);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) files += entry.path().filename() != "bad.csv";
    EXPECT_EQ(files, 3u);  // out.ics, stdout, stderr
  }
}

TEST_F(CliTest, MissingOptionFileFailsBeforeConverting) {
  const RunResult run = Run(Example("outlook-export.csv") + " " + Path("out.vcs") + " --options " + Path("no.txt"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no.txt"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.vcs"));
}

// ja-JP unless the user names another profile: --locale, then QUILLMER_LOCALE;
// the terminal's language chooses nothing.
TEST_F(CliTest, ProfileChoice) {
  const std::string convert = Example("outlook-export.csv") + " " + Path("out.vcs");
  const std::string known = "(known: ja-JP, ja-JP-u-ca-japanese, en-US, en-GB)";
  // The sample's year-first dates are no dates under en-GB, and no hint is added.
  const std::string notDayFirst = "'2024/01/15 10:00:00' は日付または時刻ではありません.\n";
  struct Row {
    const char* name;
    std::string env;
    std::string options;
    int exitCode;
    std::string errContains;
  };
  const Row rows[] = {
      {"default under an English terminal", "LANG=en_US.UTF-8 LC_TIME=en_US.UTF-8", "", 0, ""},
      {"--locale", "LANG=C.UTF-8", " --locale en-US", 1, "2024/01/15 10:00:00"},
      {"the variable", "QUILLMER_LOCALE=en-US", "", 1, "2024/01/15 10:00:00"},
      {"--locale wins over the variable", "QUILLMER_LOCALE=en-US", " --locale ja-JP", 0, ""},
      {"--locale en-GB in any letter case", "LANG=C.UTF-8", " --locale EN-gb", 1, notDayFirst},
      {"the variable names en-GB", "QUILLMER_LOCALE=en-GB", "", 1, notDayFirst},
      {"an empty variable chooses nothing", "QUILLMER_LOCALE=", "", 0, ""},
      {"unknown --locale", "LANG=C.UTF-8", " --locale xx-YY", 2, "unknown locale xx-YY " + known},
      {"unknown variable", "QUILLMER_LOCALE=fr-FR", "", 2, "unknown locale fr-FR in QUILLMER_LOCALE " + known},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RunResult run = Run(convert + r.options, r.env);
    EXPECT_EQ(run.exitCode, r.exitCode);
    EXPECT_NE(run.err.find(r.errContains), std::string::npos) << run.err;
    if (r.exitCode == 2) {
      EXPECT_NE(run.err.find("Usage: quillmer-convert"), std::string::npos);
    }
  }
}

// The zone: --zone, then QUILLMER_ZONE, then (without paths) the saved one,
// else Asia/Tokyo under the Japanese profiles (the sample's own bytes, whatever
// the computer's zone) and the computer's zone under any other.
TEST_F(CliTest, ZoneChoice) {
  const std::string sample = ReadFileBytes(SourceDir() / "examples/outlook-export.vcs");
  WriteFileBytes(dir_ / "us.csv", "\"h\"\r\n\"a\",\"b\",\"1/15/2024\",\"10:00:00\",\"1/15/2024\",\"11:00:00\",\"FALSE\",\"\",\"\",\"\"\r\n");
  struct Row {
    const char* name;
    std::string env;
    std::string args;
    int exitCode;
    std::string firstStart;  // the first DTSTART written, or "" for the sample's bytes
    std::string err;
  };
  const std::string sampleRun = Example("outlook-export.csv") + " " + Path("out.vcs");
  const std::string usRun = Path("us.csv") + " " + Path("out.vcs") + " --locale en-US";
  const Row rows[] = {
      {"Japanese default, New York computer", "TZ=America/New_York", sampleRun, 0, "", ""},
      {"Asia/Tokyo named", "TZ=UTC", sampleRun + " --zone asia/tokyo", 0, "", ""},
      {"an empty variable counts as unset", "QUILLMER_ZONE=", sampleRun, 0, "", ""},
      {"--zone", "TZ=UTC", sampleRun + " --zone America/New_York", 0, "20240115T150000Z", ""},
      {"the variable", "QUILLMER_ZONE=Europe/London", sampleRun, 0, "20240115T100000Z", ""},
      {"--zone wins", "QUILLMER_ZONE=Europe/London", sampleRun + " --zone=UTC", 0, "20240115T100000Z", ""},
      {"other profiles: the computer's zone", "TZ=America/New_York", usRun, 0, "20240115T150000Z", ""},
      {"from /etc/localtime's kind of path", "TZ=:/usr/share/zoneinfo/Australia/Sydney", usRun, 0,
       "20240114T230000Z", ""},
      {"a rule in TZ is no zone: UTC", "TZ=EST5EDT,M3.2.0,M11.1.0", usRun, 0, "20240115T100000Z", ""},
      {"unknown --zone", "TZ=UTC", sampleRun + " --zone Mars/Olympus", 2, "-",
       "unknown time zone Mars/Olympus ('quillmer-convert --zone list' lists the names)"},
      {"unknown variable", "QUILLMER_ZONE=../../etc/passwd", sampleRun, 2, "-",
       "unknown time zone ../../etc/passwd in QUILLMER_ZONE"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFileBytes(dir_ / "out.vcs", "old");
    const RunResult run = Run(r.args, "LANG=C.UTF-8 " + r.env);
    EXPECT_EQ(run.exitCode, r.exitCode) << run.err;
    EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
    const std::string out = ReadFileBytes(dir_ / "out.vcs");
    if (r.firstStart.empty()) {
      EXPECT_TRUE(SameBytes(out, sample));
    } else if (r.firstStart == "-") {
      EXPECT_EQ(out, "old");
    } else {
      EXPECT_EQ(out.substr(out.find("DTSTART:") + 8, 16), r.firstStart);
    }
  }

  const RunResult list = Run("--zone list");
  EXPECT_EQ(list.exitCode, 0);
  for (const char* name : {"\nAmerica/New_York\n", "\nAsia/Tokyo\n", "\nEurope/London\n"})
    EXPECT_NE(list.out.find(name), std::string::npos) << name;
}

// The saved zone counts for the run that uses the saved settings only.
TEST_F(CliTest, SavedZone) {
  const std::filesystem::path program = dir_.Path() / "quillmer-convert";
  std::filesystem::copy_file(Binary(), program);
  WriteFileBytes(dir_ / "quillmer.ini", "[i/o]\r\ninput=" + (SourceDir() / "examples/outlook-export.csv").string() +
                                            "\r\noutput=" + (dir_ / "saved.vcs") + "\r\nzone=Europe/London\r\n");
  EXPECT_EQ(RunBinary(program.string(), "", "LANG=C.UTF-8").exitCode, 0);
  EXPECT_NE(ReadFileBytes(dir_ / "saved.vcs").find("DTSTART:20240115T100000Z"), std::string::npos);
  EXPECT_EQ(RunBinary(program.string(), Example("outlook-export.csv") + " " + Path("paths.vcs"), "LANG=C.UTF-8").exitCode,
            0);
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "paths.vcs"), ReadFileBytes(SourceDir() / "examples/outlook-export.vcs")));
}

// The system's Japanese texts read as Japanese under a single-byte profile, and
// a failing record is named on the line after the message.
TEST_F(CliTest, ReadableMessagesAndTheFailingRecord) {
  WriteFileBytes(dir_ / "out.vcs", "old");
  const std::string good = R"("a","b","1/2/2024","10:00:00","1/2/2024","11:00:00","FALSE","","",)";
  WriteFileBytes(dir_ / "date.csv", "\"h\"\r\n" + good + "\"x\r\ny\"\r\n\"a\",\"b\",\"13/1/2024\",\"10:00:00\"\r\n");
  WriteFileBytes(dir_ / "unfinished.csv", "\"h\"\n" + good + "\"\"\n\"a\",\"b\n");
  WriteFileBytes(dir_ / "header.csv", "\"h,\"\"");
  struct Row {
    const char* name;
    const char* input;
    std::string err;
  };
  const Row rows[] = {
      {"a day-first date after a record of two lines", "date.csv",
       "'13/1/2024 10:00:00' は日付または時刻ではありません。月/日/年の順では読めませんが、日/月/年の順の日付として"
       "読めます。--locale en-GB (ウィンドウでは環境変数 QUILLMER_LOCALE=en-GB) を指定してください.\n"
       "該当レコード: データの 2 件目 (入力の 4 行目から)\n"},
      {"unfinished last record", "unfinished.csv",
       "リストのインデックスが範囲を超えています (3)\n該当レコード: データの 2 件目 (入力の 3 行目から)\n"},
      {"unfinished header", "header.csv",
       "リストのインデックスが範囲を超えています (1)\n該当レコード: 見出し行 (入力の 1 行目から)\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RunResult run = Run(Path(r.input) + " " + Path("out.vcs") + " --locale en-US");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, r.err);
    EXPECT_EQ(ReadFileBytes(dir_ / "out.vcs"), "old");
  }
  const RunResult missing = Run(Path("missing.csv") + " " + Path("out.vcs"), "QUILLMER_LOCALE=en-US");
  EXPECT_NE(missing.err.find("ファイル \"" + (dir_ / "missing.csv") + "\". "), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find(" は開けません."), std::string::npos) << missing.err;
}

TEST_F(CliTest, UsageAndInformation) {
  struct Row {
    const char* name;
    std::string args;
    int exitCode;
    std::string outContains;
    std::string errContains;
  };
  const Row rows[] = {
      {"one path", "a.csv", 2, "", "output path is missing"},
      {"unknown option", "a.csv b.vcs --colour", 2, "", "unknown option --colour"},
      {"unknown format", "a.csv b.vcs --format xml", 2, "", "unknown format xml"},
      {"help", "--help", 0, "Usage: quillmer-convert [INPUT OUTPUT]", ""},
      {"version", "--version", 0, std::string("quillmer-convert ") + QUILLMER_BUILD_VERSION + "\n", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RunResult run = Run(r.args);
    EXPECT_EQ(run.exitCode, r.exitCode);
    if (r.outContains.empty()) {
      EXPECT_EQ(run.out, "");
    }
    EXPECT_NE(run.out.find(r.outContains), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(r.errContains), std::string::npos) << run.err;
  }
}

TEST(ConvertCommandLine, Parsing) {
  using Action = ConvertCommand::Action;
  struct Row {
    const char* name;
    std::vector<std::string> args;
    Action action;
    std::string input, output, options, filters, locale;  // "-" for not given
  };
  const Row rows[] = {
      {"two paths", {"in.csv", "out.vcs"}, Action::Convert, "in.csv", "out.vcs", "-", "-", "-"},
      {"options before the paths", {"--options", "o.txt", "--filters", "f.txt", "in", "out"}, Action::Convert,
       "in", "out", "o.txt", "f.txt", "-"},
      {"name=value", {"in", "--locale=en-US", "out"}, Action::Convert, "in", "out", "-", "-", "en-US"},
      {"an empty value", {"in", "out", "--filters="}, Action::Convert, "in", "out", "-", "", "-"},
      {"-- lets a path begin with a dash", {"--", "-in.csv", "--out"}, Action::Convert, "-in.csv", "--out", "-",
       "-", "-"},
      {"a lone dash is a path", {"-", "out"}, Action::Convert, "-", "out", "-", "-", "-"},
      {"help wins over errors", {"--bogus", "--help"}, Action::Help, "", "", "-", "-", "-"},
      {"version", {"a", "--version"}, Action::Version, "", "", "-", "-", "-"},
      {"help after -- is a path", {"--", "--help", "out"}, Action::Convert, "--help", "out", "-", "-", "-"},
      {"no paths: the saved settings", {}, Action::Convert, "", "", "-", "-", "-"},
      {"saved settings with a filter file", {"--filters", "f.txt"}, Action::Convert, "", "", "-", "f.txt", "-"},
      {"three paths", {"a", "b", "c"}, Action::UsageError, "", "", "-", "-", "-"},
      {"an option without its value", {"a", "b", "--options"}, Action::UsageError, "", "", "-", "-", "-"},
      {"an option twice", {"a", "b", "--locale", "x", "--locale", "y"}, Action::UsageError, "", "", "-", "-", "-"},
      {"an unknown short option", {"a", "b", "-v"}, Action::UsageError, "", "", "-", "-", "-"},
  };
  auto shown = [](const std::optional<std::string>& value) { return value ? *value : std::string("-"); };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ConvertCommand command = ParseConvertCommand(r.args);
    EXPECT_EQ(command.action, r.action);
    if (r.action == Action::UsageError) {
      EXPECT_FALSE(command.usageError.empty());
      continue;
    }
    EXPECT_EQ(command.useSavedSettings, r.action == Action::Convert && r.input.empty());
    EXPECT_EQ(command.inputPath, r.input);
    EXPECT_EQ(command.outputPath, r.output);
    EXPECT_EQ(shown(command.optionsFile), r.options);
    EXPECT_EQ(shown(command.filtersFile), r.filters);
    EXPECT_EQ(shown(command.localeName), r.locale);
  }
}

TEST(ConvertCommandLine, Format) {
  struct Row {
    std::vector<std::string> args;
    bool usable;
    std::optional<OutputFormat> format;  // none: the output's name chooses
  };
  const Row rows[] = {
      {{"in", "out.ics"}, true, std::nullopt},
      {{"in", "out", "--format", "vcalendar"}, true, OutputFormat::VCalendar},
      {{"in", "out", "--format", "icalendar"}, true, OutputFormat::ICalendar},
      {{"--format=ics", "in", "out"}, true, OutputFormat::ICalendar},
      {{"in", "out", "--format", "ICS"}, false, std::nullopt},
      {{"in", "out", "--format", "ics", "--format", "ics"}, false, std::nullopt},
  };
  for (const Row& r : rows) {
    const ConvertCommand command = ParseConvertCommand(r.args);
    SCOPED_TRACE(r.args.back());
    EXPECT_EQ(command.action == ConvertCommand::Action::Convert, r.usable);
    if (r.usable) {
      EXPECT_EQ(command.format, r.format);
    }
  }
}

// Without paths the converter reads what the desktop program saved beside it,
// and only reads it.
TEST_F(CliTest, WithoutPathsUsesTheSavedSettings) {
  const std::filesystem::path program = dir_.Path() / "quillmer-convert";
  std::filesystem::copy_file(Binary(), program);
  const std::string ini = "[i/o]\r\ninput=" + (SourceDir() / "examples/outlook-export.csv").string() +
                          "\r\noutput=" + (dir_ / "saved.vcs") + "\r\nterminate=1\r\n";
  WriteFileBytes(dir_ / "quillmer.ini", ini);
  const std::string option = ReadFileBytes(SourceDir() / "examples/option.txt");
  const std::string filter = ReadFileBytes(SourceDir() / "examples/filter.txt");
  WriteFileBytes(dir_ / "option.txt", option);
  WriteFileBytes(dir_ / "filter.txt", filter);

  const RunResult run = RunBinary(program.string(), "", "LANG=C.UTF-8");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("・フィルタ対象: 3件"), std::string::npos) << run.out;
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir_ / "saved.vcs"),
                        ReadFileBytes(SourceDir() / "examples/outlook-export-filtered.vcs")));
  EXPECT_EQ(ReadFileBytes(dir_ / "quillmer.ini"), ini);
  EXPECT_EQ(ReadFileBytes(dir_ / "option.txt"), option);
  EXPECT_EQ(ReadFileBytes(dir_ / "filter.txt"), filter);

  // A file given on the command line takes the place of the saved lines.
  WriteFileBytes(dir_ / "none.txt", "");
  const RunResult unfiltered = RunBinary(program.string(), "--filters " + Path("none.txt"), "LANG=C.UTF-8");
  EXPECT_EQ(unfiltered.exitCode, 0) << unfiltered.err;
  EXPECT_NE(unfiltered.out.find("・フィルタ対象: 0件"), std::string::npos) << unfiltered.out;
}

TEST_F(CliTest, WithoutPathsAndNothingSavedIsAUsageError) {
  const std::filesystem::path program = dir_.Path() / "quillmer-convert";
  std::filesystem::copy_file(Binary(), program);
  const RunResult run = RunBinary(program.string(), "", "LANG=C.UTF-8");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "quillmer-convert: no input path is saved in " + (dir_ / "quillmer.ini") +
                         "; give INPUT and OUTPUT\n" + ConvertUsageText().substr(0, ConvertUsageText().find('\n') + 1) +
                         "Try 'quillmer-convert --help'.\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "quillmer.ini"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "option.txt"));
}
