#include "text/character_walk.h"

#include <cstring>
#include <optional>
#include <string>

#include "text/character_cursor.h"
#include "text/characters.h"
#include "text/text_settings.h"

namespace {

// The cut of a text longer than limit when every character up to the first
// one that ends past the limit survives the round trip through UTF-16
// unchanged, the usual case: the round trips then give back the text's own
// bytes, and the cut keeps the longest run of whole characters that fits.
// What follows that character cannot matter: every unit goes back to at least
// one byte, so no prefix holding it fits. Empty when some character does not
// survive.
std::optional<std::string_view> CutOfRoundTrippingText(std::string_view text, std::size_t limit) {
  CharacterCursor cursor = ConvertingCursor(text);
  for (;;) {
    const std::size_t fits = cursor.Position();
    if (!(cursor.NextEntry().info & platform::kRoundTrips)) return std::nullopt;
    if (cursor.Position() > limit) return text.substr(0, fits);
  }
}

}  // namespace

// The walk of CutOfRoundTrippingText, writing each character's UTF-8 as it
// goes. The blanks TrimmedBlanks takes off are bytes below 0x21, characters
// of their own (no pair ends in one), so the trim becomes: leading blanks are
// not written, trailing ones are dropped again at the end.
bool AppendTrimmedCutAsUtf8(std::string_view text, std::size_t limit, std::string& out) {
  const platform::CharTables& t = ActiveCodePage().Tables();
  if (text.size() <= limit) return false;
  const std::size_t start = out.size();
  // At most three bytes per byte kept, and a spare one for the 4-byte stores.
  out.resize(start + 3 * limit + 4);
  char* const base = out.data() + start;
  char* dst = base;
  char* kept = base;  // the end of the last character that is not a blank
  CharacterCursor cursor(t, text, CharacterCursor::Use::Converting);
  for (;;) {
    const platform::CharEntry& e = cursor.NextEntry();
    const bool blank = static_cast<unsigned char>(text[cursor.Position() - 1]) <= 0x20;
    if (!(e.info & platform::kRoundTrips)) {
      out.resize(start);
      return false;
    }
    if (cursor.Position() > limit) break;
    if (blank && dst == base) continue;
    std::memcpy(dst, &e, 4);
    dst += e.info & platform::kUtf8LengthMask;
    if (!blank) kept = dst;
  }
  out.resize(start + static_cast<std::size_t>(kept - base));
  return true;
}

AnsiText CutToByteLimit(std::string_view text, std::size_t limit) {
  if (ByteLength(text) <= limit) return AnsiText(text);
  if (const std::optional<std::string_view> cut = CutOfRoundTrippingText(text, limit)) return AnsiText(*cut);
  const platform::CodePage& page = ActiveCodePage();

  // Every character keeps at least one byte through the round trip, so the
  // answer lies within the first limit + 1 characters; one more tells whether
  // the whole text was seen.
  CharacterCursor walk = ConvertingCursor(text);
  std::size_t characters = 0;
  for (std::string_view character; characters < limit + 2 && walk.Next(character);) ++characters;
  const std::size_t end = walk.Position();
  const Utf16Text units = page.ToUtf16(text.substr(0, end));
  std::size_t keep = units.size();
  if (end == text.size() && keep > 0) --keep;  // the loop removes at least one

  // Each unit goes back on its own, as one character, so the bytes of every
  // prefix of the units are a prefix of the bytes of all of them.
  const AnsiText back = page.FromUtf16(std::u16string_view(units).substr(0, keep));
  CharacterCursor backWalk = ConvertingCursor(back);
  std::size_t bytes = 0;
  for (std::size_t fits = 0; fits < keep && !backWalk.AtEnd(); ++fits) {
    backWalk.NextEntry();
    if (backWalk.Position() > limit) break;
    bytes = backWalk.Position();
  }
  AnsiText cut = back.substr(0, bytes);
  // Only a code page whose round trip changes a unit's length could get here.
  while (ByteLength(cut) > limit) cut = LeftChars(cut, Utf16Length(cut) - 1);
  return cut;
}
