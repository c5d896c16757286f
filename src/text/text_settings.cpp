#include "text/text_settings.h"

namespace {

thread_local const TextSettings* scoped = nullptr;

}  // namespace

TextSettings CaptureTextSettings() {
  return {&platform::AnsiCodePage(), std::make_shared<const DateTextSettings>(CurrentDateTextSettings()),
          DateTextSettingsGeneration()};
}

TextSettingsScope::TextSettingsScope(const TextSettings& settings) : outer_(scoped) { scoped = &settings; }

TextSettingsScope::~TextSettingsScope() { scoped = outer_; }

const platform::CodePage& ActiveCodePage() { return scoped ? *scoped->codePage : platform::AnsiCodePage(); }

const TextSettings* ScopedTextSettings() { return scoped; }
