#include "text/character_walk.h"

#include <optional>

#include "text/characters.h"

namespace detail {

namespace {

// The cut when every character it looks at (the first limit + 2, see below)
// survives the round trip through UTF-16 unchanged, the usual case: the round
// trips then give back the text's own bytes, and the cut keeps the longest run
// of whole characters that fits. Empty when some character does not survive.
std::optional<std::string_view> CutOfRoundTrippingText(std::string_view text, std::size_t limit) {
  const platform::CharTables& t = platform::AnsiCodePage().Tables();
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = begin + text.size();
  const unsigned char* p = begin;
  std::size_t fits = 0;
  for (std::size_t characters = 0; p < end && characters < limit + 2; ++characters) {
    std::size_t length = 1;
    if (!(platform::CharacterAt(t, p, end, &length).info & platform::kRoundTrips)) return std::nullopt;
    p += length;
    if (static_cast<std::size_t>(p - begin) <= limit) fits = static_cast<std::size_t>(p - begin);
  }
  return text.substr(0, fits);
}

}  // namespace

AnsiText CutToByteLimit(std::string_view text, std::size_t limit) {
  if (ByteLength(text) <= limit) return AnsiText(text);
  if (const std::optional<std::string_view> cut = CutOfRoundTrippingText(text, limit)) return AnsiText(*cut);
  const platform::CodePage& page = platform::AnsiCodePage();
  const CharacterWalk walk = ActiveCharacterWalk();

  // Every character keeps at least one byte through the round trip, so the
  // answer lies within the first limit + 1 characters; one more tells whether
  // the whole text was seen.
  std::size_t end = 0;
  std::size_t characters = 0;
  while (end < text.size() && characters < limit + 2) {
    end = walk.Next(text, end);
    ++characters;
  }
  const Utf16Text units = page.ToUtf16(text.substr(0, end));
  std::size_t keep = units.size();
  if (end == text.size() && keep > 0) --keep;  // the loop removes at least one

  // Each unit goes back on its own, as one character, so the bytes of every
  // prefix of the units are a prefix of the bytes of all of them.
  const AnsiText back = page.FromUtf16(std::u16string_view(units).substr(0, keep));
  std::size_t bytes = 0;
  std::size_t fits = 0;
  while (fits < keep && bytes < back.size()) {
    const std::size_t next = walk.Next(back, bytes);
    if (next > limit) break;
    bytes = next;
    ++fits;
  }
  AnsiText cut = back.substr(0, bytes);
  // Only a code page whose round trip changes a unit's length could get here.
  while (ByteLength(cut) > limit) cut = LeftChars(cut, Utf16Length(cut) - 1);
  return cut;
}

}  // namespace detail
