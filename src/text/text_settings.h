#pragma once
// The regional settings text is read under: the ANSI code page, the date
// settings and the zone of the export's wall-clock times. A conversion takes them once, at its start, and each of its
// threads reads under that copy, so that settings reloaded meanwhile (the
// window's thread does so when the system's settings change) never reach a
// run half way, and no thread of a run reads the process's settings.
#include <memory>

#include "platform/code_page.h"
#include "text/date_time_text.h"
#include "text/time_zone.h"

struct TextSettings {
  const platform::CodePage* codePage = nullptr;
  std::shared_ptr<const DateTextSettings> dates;
  unsigned generation = 0;  // of the process's settings it copies
  std::shared_ptr<const TimeZone> zone = TimeZone::Japan();
};

// The zone runs read in from now on (Japan's fixed shift until one is chosen).
void UseTimeZone(std::shared_ptr<const TimeZone> zone);
std::shared_ptr<const TimeZone> ChosenTimeZone();

// The process's settings now (on the thread that loads them).
TextSettings CaptureTextSettings();

// Makes settings the ones this thread reads under while it lives; they must
// outlive it. Scopes nest.
class TextSettingsScope {
 public:
  explicit TextSettingsScope(const TextSettings& settings);
  ~TextSettingsScope();
  TextSettingsScope(const TextSettingsScope&) = delete;
  TextSettingsScope& operator=(const TextSettingsScope&) = delete;

 private:
  const TextSettings* outer_;
};

// The code page the text rules read by: the scope's on this thread, else the
// process's.
const platform::CodePage& ActiveCodePage();
// The scope's settings on this thread, or nullptr.
const TextSettings* ScopedTextSettings();
