#include "app/regional_choice.h"

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "platform/time_zones.h"
#include "text/date_time_text.h"
#include "text/text_settings.h"

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

namespace {

std::string DefaultZoneName() {
  if (platform::ActiveRegionalProfile().ansiCodePage == 932) return std::string(TimeZone::kJapanName);
  return platform::SystemZoneName();
}

}  // namespace

ZoneChoice ChooseZoneName(const std::optional<std::string>& commandLineName, std::string_view savedName) {
  if (commandLineName && !commandLineName->empty()) return {*commandLineName, ZoneSource::CommandLine};
  if (const std::optional<std::string> name = platform::ZoneNameFromEnvironment())
    return {*name, ZoneSource::Environment};
  if (!savedName.empty()) return {std::string(savedName), ZoneSource::Settings};
  return {DefaultZoneName()};
}

std::shared_ptr<const TimeZone> LoadChosenZone(const ZoneChoice& choice) {
  std::shared_ptr<const TimeZone> zone = LoadTimeZone(choice.name);
  // The computer's own zone, when the database lacks it, is UTC's stand-in.
  if (!zone && choice.source == ZoneSource::Default) zone = LoadTimeZone("UTC");
  return zone;
}

PlainError UnknownZoneError(const ZoneChoice& choice) {
  using Source = MessagePiece::Source;
  const char* where = choice.source == ZoneSource::Environment ? "QUILLMER_ZONE のタイムゾーン \""
                                                                : "設定ファイルのタイムゾーン \"";
  return PlainError(MessagePieces{
      {Source::Fixed, platform::Cp932FromUtf8(where)},
      {Source::Quoted, platform::DisplayPath(choice.name)},
      {Source::Fixed, platform::Cp932FromUtf8("\" はありません。" + DefaultZoneName() +
                                              " で続けます (一覧: quillmer-convert --zone list)")}});
}

std::optional<PlainError> UseZoneOfChoice(std::string_view savedName) {
  const ZoneChoice choice = ChooseZoneName(std::nullopt, savedName);
  if (std::shared_ptr<const TimeZone> zone = LoadChosenZone(choice)) {
    UseTimeZone(std::move(zone));
    return std::nullopt;
  }
  // The default, as though nothing had named a zone.
  UseTimeZone(LoadChosenZone({DefaultZoneName()}));
  return UnknownZoneError(choice);
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
