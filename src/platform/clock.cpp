// The clock as the engine sees it: the year (fixed in tests) and the stamp of
// an output file. Plain C++; the local year itself comes from the platform.
#include "platform/clock.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/files.h"
#include "text/errors.h"

namespace platform {
namespace {

std::optional<int>& FixedYear() {
  static std::optional<int> year;
  return year;
}

}  // namespace

int CurrentYear() {
  if (const std::optional<int>& fixed = FixedYear()) return *fixed;
  return detail::LocalClockYear();
}

void SetCurrentYearForTesting(std::optional<int> year) { FixedYear() = year; }

std::int64_t OutputTimestamp() {
  constexpr std::int64_t kLastSecondOf9999 = 253402300799;
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  if (fixed == nullptr || *fixed == '\0') {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count();
  }
  const std::string_view text(fixed);
  std::int64_t seconds = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 0 || seconds > kLastSecondOf9999) {
    // The value is the system's text, shown as a path is.
    throw PlainError(MessagePieces{
        {MessagePiece::Source::Fixed, Cp932FromUtf8("環境変数 SOURCE_DATE_EPOCH の値 '")},
        {MessagePiece::Source::Quoted, DisplayPath(text)},
        {MessagePiece::Source::Fixed,
         Cp932FromUtf8("' は 1970 年 1 月 1 日からの秒数 (0 から " + std::to_string(kLastSecondOf9999) +
                       " まで) ではありません")}});
  }
  return seconds;
}

}  // namespace platform
