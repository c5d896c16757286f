#pragma once
// The user's choice of regional settings, made once at start by both programs.
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/errors.h"

// Makes the chosen profile the active one: commandLineName when given, else
// QUILLMER_LOCALE; without either it stays ja-JP. Returns the name that
// matched no profile (nothing is then changed), or nullopt.
std::optional<std::string> ChooseRegionalProfile(const std::optional<std::string>& commandLineName);

// The window's message for a QUILLMER_LOCALE that names no profile; it lists
// the known ones.
PlainError UnknownProfileError(std::string_view name);

// The first steps of both desktop programs, before any window: the profile
// QUILLMER_LOCALE names made the active one, then the date settings loaded.
// Returns what failed, to be shown once a box can be.
std::vector<std::exception_ptr> PrepareRegionalSettings();
