#include "app/about_text.h"

#include "platform/code_page.h"
#include "text/characters.h"

namespace {

// The text before the first "." of v (all of v when there is none).
AnsiText BeforeDot(std::string_view v, int dot) {
  return dot > 0 ? AnsiText(v.substr(0, static_cast<std::size_t>(dot - 1))) : AnsiText();
}

}  // namespace

AnsiText ComposeVersionLine(std::string_view fileVersion, const std::optional<AnsiText>& fileDescription) {
  AnsiText v(fileVersion);
  int dot = FindSubstring(".", v);
  AnsiText s = "Version " + BeforeDot(v, dot);
  v.erase(0, static_cast<std::size_t>(dot));

  dot = FindSubstring(".", v);
  if (dot > 0) v.erase(static_cast<std::size_t>(dot - 1), 1);

  dot = FindSubstring(".", v);
  s = TrimBlanks(s + "." + BeforeDot(v, dot));
  v.erase(0, static_cast<std::size_t>(dot));

  if (fileDescription) s += " " + *fileDescription;
  return s + " (Build " + v + ")";
}

bool IsNonSupportBuild(std::string_view specialBuild) {
  return FindSubstring("non-support", specialBuild) > 0;
}

AboutCaptions ComposeAboutCaptions(const VersionInfo& info) {
  return {info.ProductName, ComposeVersionLine(info.FileVersion, info.FileDescription),
          info.LegalCopyright, IsNonSupportBuild(info.SpecialBuild)};
}

AnsiText MailWarningText() {
  return platform::Cp932FromUtf8(
      "お問い合わせになる前に，必ずサポートについてのヘルプをご覧下さい\r\n"
      "ヘルプを無視したサポートにはお答えできません");
}

AnsiText MailWarningCaption() { return platform::Cp932FromUtf8("ヘルプ参照のお願い"); }
