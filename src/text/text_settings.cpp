#include "text/text_settings.h"

#include <mutex>

namespace {

thread_local const TextSettings* scoped = nullptr;

std::mutex zoneMutex;
std::shared_ptr<const TimeZone>& Zone() {
  static std::shared_ptr<const TimeZone> zone = TimeZone::Japan();
  return zone;
}

}  // namespace

TextSettings CaptureTextSettings() {
  return {&platform::AnsiCodePage(), std::make_shared<const DateTextSettings>(CurrentDateTextSettings()),
          DateTextSettingsGeneration(), ChosenTimeZone()};
}

void UseTimeZone(std::shared_ptr<const TimeZone> zone) {
  const std::lock_guard lock(zoneMutex);
  Zone() = zone ? std::move(zone) : TimeZone::Japan();
}

std::shared_ptr<const TimeZone> ChosenTimeZone() {
  const std::lock_guard lock(zoneMutex);
  return Zone();
}

TextSettingsScope::TextSettingsScope(const TextSettings& settings) : outer_(scoped) { scoped = &settings; }

TextSettingsScope::~TextSettingsScope() { scoped = outer_; }

const platform::CodePage& ActiveCodePage() { return scoped ? *scoped->codePage : platform::AnsiCodePage(); }

const TextSettings* ScopedTextSettings() { return scoped; }
