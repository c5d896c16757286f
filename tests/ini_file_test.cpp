#include "app/ini_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct ReadRow {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  const char* expected;
};

TEST(IniFile, ReadsValuesAndFallsBackToTheDefault) {
  const ReadRow rows[] = {
      {"plain key", "[i/o]\r\ninput=a.csv\r\n", "i/o", "input", "a.csv"},
      {"names without case", "[I/O]\r\nINPUT=a.csv\r\n", "i/o", "Input", "a.csv"},
      {"LF-only file", "[i/o]\ninput=a\noutput=b\n", "i/o", "output", "b"},
      {"CR-only file", "[i/o]\rinput=a\routput=b", "i/o", "output", "b"},
      {"blanks around names", "  [ i/o ]  \r\n  input  =x\r\n", "i/o", "input", "x"},
      {"value kept byte for byte", "[i/o]\r\ninput= a b \r\n", "i/o", "input", " a b "},
      {"value holding =", "[i/o]\r\ninput=a=b\r\n", "i/o", "input", "a=b"},
      {"empty value is no default", "[i/o]\r\ninput=\r\n", "i/o", "input", ""},
      {"key of another section", "[x]\r\ninput=no\r\n[i/o]\r\noutput=b\r\n", "i/o", "input", "<default>"},
      {"first of two equal keys", "[i/o]\r\ninput=1\r\ninput=2\r\n", "i/o", "input", "1"},
      {"comment line is no key", "[i/o]\r\n;input=x\r\n", "i/o", "input", "<default>"},
      {"key before any section", "input=x\r\n[i/o]\r\n", "i/o", "input", "<default>"},
      {"missing section", "[other]\r\ninput=x\r\n", "i/o", "input", "<default>"},
      {"empty file", "", "i/o", "input", "<default>"},
  };
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  for (const ReadRow& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFileBytes(path, row.file);
    EXPECT_EQ(ReadProfileString(path, row.section, row.key, "<default>"), row.expected);
  }
}

TEST(IniFile, MissingFileGivesTheDefault) {
  TempDir dir;
  EXPECT_EQ(ReadProfileString(dir / "none.ini", "i/o", "input", "d"), "d");
  EXPECT_EQ(ReadProfileString(dir.Path().string(), "i/o", "input", "d"), "d");
}

struct WriteRow {
  const char* name;
  const char* before;
  const char* key;
  const char* value;
  const char* after;
};

TEST(IniFile, WriterKeepsEverythingElse) {
  const WriteRow rows[] = {
      {"new file", nullptr, "input", "a.csv", "[i/o]\r\ninput=a.csv\r\n"},
      {"key replaced in place", "[i/o]\r\ninput=old\r\noutput=o\r\n", "INPUT", "new",
       "[i/o]\r\nINPUT=new\r\noutput=o\r\n"},
      {"key added after the section's last key", "[i/o]\r\ninput=a\r\n\r\n[x]\r\nk=v\r\n", "output", "b",
       "[i/o]\r\ninput=a\r\noutput=b\r\n\r\n[x]\r\nk=v\r\n"},
      {"section appended", "[x]\r\nk=v\r\n", "input", "a", "[x]\r\nk=v\r\n[i/o]\r\ninput=a\r\n"},
      {"comments and other lines kept", "; mine\r\n[i/o]\r\n;note\r\ninput=a\r\n", "input", "b",
       "; mine\r\n[i/o]\r\n;note\r\ninput=b\r\n"},
      {"last line without a break", "[i/o]\r\ninput=a", "output", "", "[i/o]\r\ninput=a\r\noutput=\r\n"},
      {"double-byte value", nullptr, "input", "\x83\x5C\x95\x5C.csv", "[i/o]\r\ninput=\x83\x5C\x95\x5C.csv\r\n"},
  };
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  for (const WriteRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(path);
    if (row.before != nullptr) WriteFileBytes(path, row.before);
    ASSERT_TRUE(WriteProfileString(path, "i/o", row.key, row.value));
    EXPECT_TRUE(SameBytes(ReadFileBytes(path), row.after));
    EXPECT_EQ(ReadProfileString(path, "i/o", row.key, "<default>"), row.value);
  }
}

TEST(IniFile, ReadsBackWhatItWroteForEveryKey) {
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  const std::string longValue(5000, 'v');
  const std::pair<const char*, std::string> values[] = {
      {"input", "C:\\data\\export.csv"}, {"output", " spaced "}, {"terminate", "1"}, {"long", longValue}};
  for (const auto& [key, value] : values) ASSERT_TRUE(WriteProfileString(path, "i/o", key, value));
  for (const auto& [key, value] : values) {
    SCOPED_TRACE(key);
    EXPECT_EQ(ReadProfileString(path, "i/o", key, ""), value);
  }
}

TEST(IniFile, RefusesWhatCouldNotBeReadBack) {
  TempDir dir;
  const std::string path = dir / "quillmer.ini";
  WriteFileBytes(path, "[i/o]\r\ninput=a\r\n");
  EXPECT_FALSE(WriteProfileString(path, "i/o", "input", "a\r\nterminate=1"));
  EXPECT_FALSE(WriteProfileString(path, "i/o", "in=put", "x"));
  EXPECT_TRUE(SameBytes(ReadFileBytes(path), "[i/o]\r\ninput=a\r\n"));
}

TEST(IniFile, UnwritablePlaceReportsFailure) {
  TempDir dir;
  EXPECT_FALSE(WriteProfileString(dir / "missing/quillmer.ini", "i/o", "input", "a"));
  // A directory in the INI file's place is neither read nor replaced.
  const std::string occupied = dir / "occupied.ini";
  std::filesystem::create_directory(occupied);
  EXPECT_FALSE(WriteProfileString(occupied, "i/o", "input", "a"));
  EXPECT_TRUE(std::filesystem::is_directory(occupied));
}

}  // namespace
