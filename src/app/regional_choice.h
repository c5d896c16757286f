#pragma once
// The user's choice of regional settings, made once at start by both programs.
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/errors.h"
#include "text/time_zone.h"

// Makes the chosen profile the active one: commandLineName when given, else
// QUILLMER_LOCALE; without either it stays ja-JP. Returns the name that
// matched no profile (nothing is then changed), or nullopt.
std::optional<std::string> ChooseRegionalProfile(const std::optional<std::string>& commandLineName);

// The window's message for a QUILLMER_LOCALE that names no profile; it lists
// the known ones.
PlainError UnknownProfileError(std::string_view name);

// Where the name of the export's zone came from.
enum class ZoneSource { CommandLine, Environment, Settings, Default };
struct ZoneChoice {
  std::string name;
  ZoneSource source = ZoneSource::Default;
};
// commandLineName, else QUILLMER_ZONE, else savedName (the INI file's
// "zone"), an empty one counting as unset; else the default: Asia/Tokyo under
// a profile of code page 932 (the Japanese ones, and on Windows a user whose
// code page is 932), the computer's own zone under any other.
ZoneChoice ChooseZoneName(const std::optional<std::string>& commandLineName, std::string_view savedName);
// The chosen zone; nullptr when its name is no zone of the database.
std::shared_ptr<const TimeZone> LoadChosenZone(const ZoneChoice& choice);
// The window's message for a chosen name that is no zone; the default is
// then used.
PlainError UnknownZoneError(const ZoneChoice& choice);
// Makes the zone chosen by QUILLMER_ZONE, else savedName, else the default,
// the one runs read in; for a name that is no zone the default is used and the
// error returned, to be shown.
std::optional<PlainError> UseZoneOfChoice(std::string_view savedName);

// The first steps of both desktop programs, before any window: the profile
// QUILLMER_LOCALE names made the active one, then the date settings loaded.
// Returns what failed, to be shown once a box can be.
std::vector<std::exception_ptr> PrepareRegionalSettings();
