#include "app/settings.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/executable.h"
#include "support/test_support.h"
#include "text/errors.h"

using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct PathRow {
  const char* name;
  std::string program;
  platform::PathStyle style;
  std::string sideFile;  // SideFilePath(program, "option.txt")
  std::string ini;       // IniPath(program)
};

TEST(SettingsPaths, SideFileAndIniBesideTheProgram) {
  // ソ and 表 end in byte 5C, the value of "\": never a delimiter as a trail byte.
  const std::string so = Sjis("ソ"), hyo = Sjis("表");
  const PathRow rows[] = {
      {"windows program", "C:\\Tools\\Quillmer.exe", platform::PathStyle::Windows, "C:\\Tools\\option.txt",
       "C:\\Tools\\Quillmer.ini"},
      {"no extension", "C:\\Tools\\Quillmer", platform::PathStyle::Windows, "C:\\Tools\\option.txt",
       "C:\\Tools\\Quillmer.ini"},
      {"dot in a directory only", "C:\\v1.2\\Quillmer", platform::PathStyle::Windows, "C:\\v1.2\\option.txt",
       "C:\\v1.2\\Quillmer.ini"},
      {"drive only", "C:Quillmer.exe", platform::PathStyle::Windows, "C:option.txt", "C:Quillmer.ini"},
      {"trail byte 5C in the directory", "C:\\" + so + "\\Q.exe", platform::PathStyle::Windows,
       "C:\\" + so + "\\option.txt", "C:\\" + so + "\\Q.ini"},
      {"trail byte 5C right before the name", "C:\\" + hyo + so + "\\" + so + ".exe", platform::PathStyle::Windows,
       "C:\\" + hyo + so + "\\option.txt", "C:\\" + hyo + so + "\\" + so + ".ini"},
      {"trail byte 5C and no directory", so + hyo, platform::PathStyle::Windows, "option.txt", so + hyo + ".ini"},
      {"posix program", "/usr/local/bin/quillmer", platform::PathStyle::Posix, "/usr/local/bin/option.txt",
       "/usr/local/bin/quillmer.ini"},
      {"colon is a name byte here", "/opt/a:b/quillmer", platform::PathStyle::Posix, "/opt/a:b/option.txt",
       "/opt/a:b/quillmer.ini"},
      {"dotted directory", "/opt/app.d/quillmer", platform::PathStyle::Posix, "/opt/app.d/option.txt",
       "/opt/app.d/quillmer.ini"},
      {"UTF-8 directory whose last byte looks like a lead byte", "/opt/予/quillmer", platform::PathStyle::Posix,
       "/opt/予/option.txt", "/opt/予/quillmer.ini"},
      {"empty path", "", platform::PathStyle::Posix, "option.txt", ".ini"},
  };
  for (const PathRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SideFilePath(row.program, "option.txt", row.style), row.sideFile);
    EXPECT_EQ(IniPath(row.program, row.style), row.ini);
  }
}

TEST(SettingsPaths, SettingsDirectoryFallsBackToTheUserConfig) {
  SKIP_ON_WINDOWS("Windows joins directories with \\");
  using detail::ChooseSettingsDirectory;
  EXPECT_EQ(ChooseSettingsDirectory("/home/u/build/", true, "/home/u/.config"), "/home/u/build/");
  EXPECT_EQ(ChooseSettingsDirectory("/usr/bin/", false, "/home/u/.config"), "/home/u/.config/quillmer/");
  // Without any home the program's own directory is all there is.
  EXPECT_EQ(ChooseSettingsDirectory("/usr/bin/", false, ""), "/usr/bin/");
}

TEST(SettingsPaths, TestsPointTheSettingsElsewhere) {
  SKIP_ON_WINDOWS("Windows joins directories with \\");
  SetSettingsDirectoryForTesting("/tmp/settings-here");
  EXPECT_EQ(SettingsDirectory(), "/tmp/settings-here/");
  EXPECT_EQ(SettingsProgramPath(), "/tmp/settings-here/quillmer");
  SetSettingsDirectoryForTesting(std::nullopt);
  // The real one lies beside this test executable, which is writable.
  EXPECT_EQ(SettingsDirectory(), SideFilePath(platform::ExecutablePath(), ""));
  EXPECT_NE(platform::ExecutablePath().find("settings_test"), std::string::npos);
}

TEST(WholeNumber, ReadsTheWholeNumberRules) {
  struct Row {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Row rows[] = {
      {"1", 1},
      {"-1", -1},
      {"+7", 7},
      {"  42", 42},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$A", 10},
      {"$ff", 255},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1", 1},
      {"0X10", 16},
      {"-0x10", -16},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$000000001", 1},
      {"$100000000", std::nullopt},
      {"0x0", 0},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"-", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"1 ", std::nullopt},
      {"1a", std::nullopt},
      {"abc", std::nullopt},
      {"$G", std::nullopt},
      {"1.0", std::nullopt},
      {"\t1", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("\"") + row.text + "\"");
    EXPECT_EQ(detail::ParseWholeNumber(row.text), row.value);
  }
}

TEST(SettingsFile, FlagFromTheFile) {
  struct Row {
    const char* line;  // nullptr: no key at all
    bool defaultFlag;
    bool expected;
  };
  const Row rows[] = {
      {"terminate=1", false, true},      {"terminate=2", false, true},   {"terminate=-1", false, true},
      {"terminate=0x1", false, true},    {"terminate=$A", false, true},  {"terminate=0", true, false},
      {"terminate=0x0", true, false},    {"terminate=abc", false, false}, {"terminate=1a", false, false},
      {"terminate=", false, false},      {nullptr, false, false},        {"terminate=abc", true, true},
      {nullptr, true, true},
  };
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line ? row.line : "(no key)");
    WriteFileBytes(path, std::string("[i/o]\r\n") + (row.line ? row.line : "") + "\r\n");
    EXPECT_EQ(SettingsFile(path).ReadFlag("i/o", "terminate", row.defaultFlag), row.expected);
  }
}

TEST(SettingsFile, TextIsCutAt2047BytesNeverInsideACharacter) {
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  SettingsFile settings(path);
  const std::string ascii(3000, 'a');
  settings.WriteText("i/o", "input", ascii);
  EXPECT_EQ(settings.ReadText("i/o", "input", ""), ascii.substr(0, 2047));

  // 2046 single bytes, then a double-byte character across the limit.
  const std::string straddling = std::string(2046, 'a') + Sjis("表") + "tail";
  settings.WriteText("i/o", "input", straddling);
  EXPECT_EQ(settings.ReadText("i/o", "input", ""), std::string(2046, 'a'));

  const std::string exact(2047, 'b');
  settings.WriteText("i/o", "input", exact);
  EXPECT_EQ(settings.ReadText("i/o", "input", ""), exact);
}

TEST(SettingsFile, WritesFlagsAsOneAndZero) {
  TempDir dir;
  SettingsFile settings(dir / "quillmer.ini");
  settings.WriteFlag("i/o", "terminate", true);
  EXPECT_EQ(settings.ReadText("i/o", "terminate", ""), "1");
  settings.WriteFlag("i/o", "terminate", false);
  EXPECT_EQ(settings.ReadText("i/o", "terminate", ""), "0");
}

TEST(SettingsFile, RefusedWriteNamesTheIniFile) {
  TempDir dir;
  const std::string path = dir / "no-such-directory/quillmer.ini";
  SettingsFile settings(path);
  try {
    settings.WriteText("i/o", "input", "a");
    FAIL() << "no error";
  } catch (const PlainError& error) {
    EXPECT_EQ(error.Message(), path + Sjis(" に書き込めません"));
  }
}

// A path goes into the INI file as the code page text that shows it; one that
// text cannot give back is kept exactly beside it.
TEST(SettingsFile, PathsReadBackExactly) {
  SKIP_ON_WINDOWS("Windows paths are code page text already: there is nothing to escape");
  TempDir dir;
  SettingsFile settings(dir / "quillmer.ini");
  struct Row {
    const char* name;
    std::string path;
    std::string shown;  // the value of "input"
    std::string exact;  // the value of "input-bytes"
  };
  const Row rows[] = {
      {"ASCII", "/home/u/in.csv", "/home/u/in.csv", ""},
      {"Japanese", "/home/u/予定.csv", Sjis("/home/u/予定.csv"), ""},
      {"outside the code page", "/home/u/café 1%.csv", "/home/u/caf? 1%.csv", "/home/u/caf%C3%A9%201%25.csv"},
      {"code page bytes, not UTF-8", Sjis("/予定.csv"), Sjis("/予定.csv"), "/%97\\%92%E8.csv"},
      {"a line break", "/a\nb.csv", "/a?b.csv", "/a%0Ab.csv"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings.WritePath("i/o", "input", row.path);
    EXPECT_EQ(settings.ReadText("i/o", "input", ""), row.shown);
    EXPECT_EQ(settings.ReadText("i/o", "input-bytes", ""), row.exact);
    EXPECT_EQ(settings.ReadPath("i/o", "input"), row.path);
  }
  // Once another program changed the shown path, the exact one no longer goes with it.
  settings.WritePath("i/o", "input", "/café.csv");
  settings.WriteText("i/o", "input", "/other.csv");
  EXPECT_EQ(settings.ReadPath("i/o", "input"), "/other.csv");
}

}  // namespace
