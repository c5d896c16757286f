#include "app/path_choice.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

using testing_support::Sjis;

namespace {

constexpr OutputFormat kV = OutputFormat::VCalendar;
constexpr OutputFormat kI = OutputFormat::ICalendar;

// The format the convert button asks for, in both windows, by the output's name.
TEST(FormatByOutputName, TheConvertButtonsRequest) {
  struct Row {
    const char* name;
    std::string output;
    OutputFormat kept, trimmed;  // where names keep trailing blanks and dots, where they lose them
  };
  const Row rows[] = {
      {"ics", "cal.ics", kI, kI},
      {"any letter case", "C:\\Cal.IcS", kI, kI},
      {"vcs", "cal.vcs", kV, kV},
      {"no extension", "cal", kV, kV},
      {"ics inside the name", "cal.ics.bak", kV, kV},
      {"ics without its dot", "topics", kV, kV},
      {"a folder named .ics", "a.ics/cal", kV, kV},
      {"trailing blank", "cal.ics ", kV, kI},
      {"trailing dots and blanks", "cal.ics. .", kV, kI},
      {"empty", "", kV, kV},
      {"a double-byte name", Sjis("予定表.ics"), kI, kI},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FormatForOutputPath(r.output, false), r.kept);
    EXPECT_EQ(FormatForOutputPath(r.output, true), r.trimmed);
    FormValues values;
    values.SetEditText(PathEdit::Output, r.output);
    EXPECT_EQ(BuildConversionRequest(values).Format, NamesLoseTrailingDotsAndBlanks ? r.trimmed : r.kept);
  }
}

TEST(PathChoice, WhatEachChooserOffers) {
  struct Row {
    const char* name;
    PathEdit edit;
    std::string input, output;
    platform::PathStyle style;
    std::string startPath;
    std::size_t filter;
  };
  const std::string table = Sjis("表");  // its second byte is "\"
  const Row rows[] = {
      {"the input chooser offers the input", PathEdit::Input, "/d/in.csv", "/o/x.vcs", platform::PathStyle::Posix, "/d/in.csv", 0},
      {"no output yet: iCalendar", PathEdit::Output, "/d/in.csv", "", platform::PathStyle::Posix, "/d/in.ics", 0},
      {"a .vcs output: vCalendar", PathEdit::Output, "/d/in.csv", "/o/x.vcs", platform::PathStyle::Posix, "/d/in.vcs", 1},
      {"any other output name: vCalendar", PathEdit::Output, "/d/in", "x.txt", platform::PathStyle::Posix, "/d/in.vcs", 1},
      {"a .ics output: iCalendar", PathEdit::Output, "in.csv", "/o/x.ICS", platform::PathStyle::Posix, "in.ics", 0},
      {"only the last extension goes", PathEdit::Output, "/d/a.b.csv", "", platform::PathStyle::Posix, "/d/a.b.ics", 0},
      {"a dot in a folder is no extension", PathEdit::Output, "/d.x/in", "", platform::PathStyle::Posix, "/d.x/in.ics", 0},
      {"a name that starts with its dot keeps it", PathEdit::Output, "/d/.cal", "", platform::PathStyle::Posix, "/d/.cal.ics", 0},
      {"no input: the output with the extension", PathEdit::Output, "", "/o/x.vcs", platform::PathStyle::Posix, "/o/x.vcs", 1},
      {"no input, output without extension", PathEdit::Output, "", "/o/x", platform::PathStyle::Posix, "/o/x.vcs", 1},
      {"a folder as input is offered as it is", PathEdit::Output, "/d/", "", platform::PathStyle::Posix, "/d/", 0},
      {"nothing at all", PathEdit::Output, "", "", platform::PathStyle::Posix, "", 0},
      {"Windows folders", PathEdit::Output, "C:\\d.x\\in.csv", "", platform::PathStyle::Windows, "C:\\d.x\\in.ics", 0},
      {"a drive-relative name", PathEdit::Output, "C:in.csv", "", platform::PathStyle::Windows, "C:in.ics", 0},
      {"a trail byte is no folder", PathEdit::Output, "C:\\" + table + ".csv", "", platform::PathStyle::Windows,
       "C:\\" + table + ".ics", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FormValues values;
    values.SetEditText(PathEdit::Input, r.input);
    values.SetEditText(PathEdit::Output, r.output);
    const PathChoice choice = ChoiceForPathEdit(values, r.edit, r.style);
    EXPECT_EQ(choice.save, r.edit == PathEdit::Output);
    EXPECT_EQ(choice.startPath, r.startPath);
    EXPECT_EQ(choice.filter, r.filter);
  }

  FormValues values;
  const PathChoice input = ChoiceForPathEdit(values, PathEdit::Input);
  ASSERT_EQ(input.filters.size(), 2u);
  EXPECT_EQ(input.caption, Sjis("入力CSVファイルの選択"));
  EXPECT_EQ(input.filters[0].name, Sjis("CSV ファイル (*.csv)"));
  EXPECT_EQ(input.filters[1].pattern, "*");
  const PathChoice output = ChoiceForPathEdit(values, PathEdit::Output);
  ASSERT_EQ(output.filters.size(), 2u);
  EXPECT_EQ(output.filters[0].name, "iCalendar (*.ics)");
  EXPECT_EQ(output.filters[0].pattern, "*.ics");
  EXPECT_EQ(output.filters[1].name, "vCalendar (*.vcs)");
  EXPECT_EQ(output.filters[1].extension, ".vcs");
}

// A name chosen without an extension gets the chosen filter's, so that the
// name says what the file holds.
TEST(PathChoice, ChosenPathTakesTheFiltersExtension) {
  FormValues values;
  const PathChoice output = ChoiceForPathEdit(values, PathEdit::Output, platform::PathStyle::Posix);
  const PathChoice input = ChoiceForPathEdit(values, PathEdit::Input, platform::PathStyle::Posix);
  struct Row {
    const char* name;
    const PathChoice& choice;
    std::string chosen;
    std::size_t filter;
    std::string path;
  };
  const Row rows[] = {
      {"iCalendar", output, "/d/cal", 0, "/d/cal.ics"},
      {"vCalendar", output, "/d/cal", 1, "/d/cal.vcs"},
      {"an extension of its own is kept", output, "/d/cal.txt", 0, "/d/cal.txt"},
      {"the other format's extension is kept", output, "/d/cal.vcs", 0, "/d/cal.vcs"},
      {"a dot only in a folder", output, "/d.x/cal", 0, "/d.x/cal.ics"},
      {"an input is taken as chosen", input, "/d/export", 0, "/d/export"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ChosenPath(r.choice, r.chosen, r.filter, platform::PathStyle::Posix), r.path);
  }
}

}  // namespace
