#include "app/regional_choice.h"

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "text/date_time_text.h"

std::optional<std::string> ChooseRegionalProfile(const std::optional<std::string>& commandLineName) {
  const std::optional<std::string> name = commandLineName ? commandLineName : platform::ProfileNameFromEnvironment();
  if (!name || platform::UseRegionalProfile(*name)) return std::nullopt;
  return name;
}

PlainError UnknownProfileError(std::string_view name) {
  using Source = MessagePiece::Source;
  return PlainError(MessagePieces{
      {Source::Fixed, platform::Cp932FromUtf8("QUILLMER_LOCALE の地域設定 \"")},
      {Source::Quoted, platform::DisplayPath(name)},
      {Source::Fixed, platform::Cp932FromUtf8("\" はありません。ja-JP の設定で続けます (使用できる設定: ")},
      {Source::Fixed, platform::KnownProfileNames()},
      {Source::Fixed, ")"}});
}

std::vector<std::exception_ptr> PrepareRegionalSettings() {
  std::vector<std::exception_ptr> failures;
  if (const std::optional<std::string> unknown = ChooseRegionalProfile(std::nullopt))
    failures.push_back(std::make_exception_ptr(UnknownProfileError(*unknown)));
  try {
    LoadDateTextSettings();
  } catch (const QuillmerError&) {
    failures.push_back(std::current_exception());
  }
  return failures;
}
