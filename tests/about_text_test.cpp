#include "app/about_text.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutText, VersionLineFromFileVersionAndDescription) {
  struct Row {
    const char* name;
    const char* fileVersion;
    std::optional<AnsiText> description;
    const char* expected;
  };
  const Row rows[] = {
      {"carried values: two blanks", "1.0.2.25", AnsiText(), "Version 1.02  (Build 25)"},
      {"second and third run together", "2.1.10.7", AnsiText(), "Version 2.110  (Build 7)"},
      {"with a description", "2.1.10.7", AnsiText("Beta"), "Version 2.110 Beta (Build 7)"},
      {"no description entry at all", "1.0.2.25", std::nullopt, "Version 1.02 (Build 25)"},
      {"blanks trimmed before the description", " 1.0.2 .25", AnsiText(), "Version  1.02  (Build 25)"},
      {"three numbers only", "1.2.3", AnsiText(), "Version 1.  (Build 23)"},
      {"no dot at all", "7", AnsiText(), "Version .  (Build 7)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ComposeVersionLine(row.fileVersion, row.description), row.expected);
  }
}

TEST(AboutText, NoticeGroupOnlyForExactlyNonSupport) {
  struct Row {
    const char* specialBuild;
    bool notice;
  };
  const Row rows[] = {
      {"non-support", true},   {"build: non-support, test", true}, {"", false},
      {"Non-Support", false},  {"NON-SUPPORT", false},             {"non support", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.specialBuild);
    EXPECT_EQ(IsNonSupportBuild(row.specialBuild), row.notice);
  }
}

TEST(AboutText, ThisBuildShowsItsVersionAndTheNotice) {
  const VersionInfo& info = ProgramVersionInfo();
  EXPECT_EQ(info.ProductName, "Kivaro for iPod series");
  EXPECT_EQ(info.FileVersion, QUILLMER_BUILD_VERSION);
  ASSERT_TRUE(info.FileDescription.has_value());
  EXPECT_EQ(*info.FileDescription, "");
  const AboutCaptions captions = ComposeAboutCaptions(info);
  EXPECT_EQ(captions.version, ComposeVersionLine(QUILLMER_BUILD_VERSION, info.FileDescription));
  EXPECT_EQ(captions.copyright, info.LegalCopyright);
  EXPECT_TRUE(captions.noticeGroup);
  // The users' page lies under the web site.
  EXPECT_EQ(UsersSiteAddress, std::string(WebSiteAddress) + "users/");
}

}  // namespace
