#include "text/character_walk.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "text/char_tables.h"
#include "text/characters.h"

namespace detail {

CharacterWalk::CharacterWalk(const platform::CodePage& page) : isLead_(256), pairs_(65536) {
  if (!page.HasLeadBytes()) return;
  // Ask the conversion itself which byte pairs it reads as one character, so
  // a broken pair is stepped over exactly as the conversion steps over it.
  std::string probe(2, '\0');
  for (unsigned lead = 0; lead < 256; ++lead) {
    if (!page.IsLeadByte(static_cast<unsigned char>(lead))) continue;
    isLead_[lead] = true;
    probe[0] = static_cast<char>(lead);
    for (unsigned next = 0; next < 256; ++next) {
      probe[1] = static_cast<char>(next);
      pairs_[(lead << 8) | next] = page.ToUtf16(probe).size() == 1;
    }
  }
}

const CharacterWalk& ActiveCharacterWalk() {
  static std::mutex mutex;
  static std::map<const platform::CodePage*, std::unique_ptr<CharacterWalk>> walks;
  const platform::CodePage& page = platform::AnsiCodePage();
  std::lock_guard<std::mutex> lock(mutex);
  auto& walk = walks[&page];
  if (!walk) walk = std::make_unique<CharacterWalk>(page);
  return *walk;
}

namespace {

// The cut when every character it looks at (the first limit + 2, see below)
// survives the round trip through UTF-16 unchanged, the usual case: the round
// trips then give back the text's own bytes, and the cut keeps the longest run
// of whole characters that fits. Empty when some character does not survive.
std::optional<std::string_view> CutOfRoundTrippingText(std::string_view text, std::size_t limit) {
  const CharTables& t = ActiveCharTables();
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = begin + text.size();
  const unsigned char* p = begin;
  std::size_t fits = 0;
  for (std::size_t characters = 0; p < end && characters < limit + 2; ++characters) {
    std::size_t length = 1;
    if (!(CharacterAt(t, p, end, &length).info & kRoundTrips)) return std::nullopt;
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
  const CharacterWalk& walk = ActiveCharacterWalk();

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
