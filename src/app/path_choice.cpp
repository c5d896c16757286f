#include "app/path_choice.h"

#include "app/settings.h"
#include "platform/ascii_case.h"
#include "platform/code_page.h"

namespace {

constexpr std::string_view kICalendarExtension = ".ics";

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && platform::EqualsAsciiNoCase(text.substr(text.size() - end.size()), end);
}

// Where the extension of path's name starts, or npos. A name that starts with
// its only dot has none; "." is never the second byte of a character.
std::size_t ExtensionStart(std::string_view path, platform::PathStyle style) {
  const std::size_t nameStart = SideFilePath(path, "", style).size();
  const std::size_t dot = path.rfind('.');
  return dot == std::string_view::npos || dot <= nameStart ? std::string_view::npos : dot;
}

FileFilter Filter(std::string_view utf8Name, std::string_view pattern, std::string_view extension) {
  return FileFilter{platform::Cp932FromUtf8(utf8Name), std::string(pattern), std::string(extension)};
}

}  // namespace

OutputFormat FormatForOutputPath(std::string_view path, bool namesLoseTrailingDotsAndBlanks) {
  if (namesLoseTrailingDotsAndBlanks) {
    while (!path.empty() && (path.back() == ' ' || path.back() == '.')) path.remove_suffix(1);
  }
  return EndsWithIgnoringCase(path, kICalendarExtension) ? OutputFormat::ICalendar : OutputFormat::VCalendar;
}

PathChoice ChoiceForPathEdit(const FormControls& controls, PathEdit edit, platform::PathStyle style) {
  const std::string input = controls.EditText(PathEdit::Input);
  PathChoice choice;
  if (edit == PathEdit::Input) {
    choice.caption = platform::Cp932FromUtf8("入力CSVファイルの選択");
    choice.filters = {Filter("CSV ファイル (*.csv)", "*.csv", ".csv"), Filter("すべてのファイル (*)", "*", "")};
    choice.startPath = input;
    return choice;
  }
  const std::string output = controls.EditText(PathEdit::Output);
  choice.save = true;
  choice.caption = platform::Cp932FromUtf8("出力VCSファイルの選択");
  choice.filters = {Filter("iCalendar (*.ics)", "*.ics", kICalendarExtension),
                    Filter("vCalendar (*.vcs)", "*.vcs", ".vcs")};
  // Who writes .vcs files keeps being offered them.
  const bool vCalendar = !output.empty() && FormatForOutputPath(output) == OutputFormat::VCalendar;
  choice.filter = vCalendar ? 1 : 0;
  const std::string& named = input.empty() ? output : input;
  const std::size_t nameStart = SideFilePath(named, "", style).size();
  if (nameStart == named.size()) {
    choice.startPath = named;  // a folder, or nothing
    return choice;
  }
  const std::size_t extension = ExtensionStart(named, style);
  choice.startPath = named.substr(0, extension) + choice.filters[choice.filter].extension;
  return choice;
}

std::string ChosenPath(const PathChoice& choice, std::string path, std::size_t filter,
                       platform::PathStyle style) {
  if (!choice.save || path.empty() || filter >= choice.filters.size()) return path;
  if (ExtensionStart(path, style) == std::string::npos) path += choice.filters[filter].extension;
  return path;
}
