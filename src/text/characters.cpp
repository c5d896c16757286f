// Character-wise operations on AnsiText. The byte loops run over the code
// page's tables, which are derived from its own conversions, so they agree
// with AnsiTextToUtf16 / Utf16ToAnsiText byte for byte.
#include "text/characters.h"

#include <climits>
#include <cstring>

#include "platform/code_page.h"
#include "text/character_cursor.h"
#include "text/text_settings.h"

namespace {

using platform::CharEntry;
using platform::CharTables;

const CharTables& ActiveTables() { return ActiveCodePage().Tables(); }

// Byte offset after the first `count` characters (one UTF-16 unit each), and
// whether all of them survive the round trip through UTF-16 unchanged.
std::size_t SkipCharacters(const CharTables& t, std::string_view text, std::size_t count,
                           bool* roundTrips) {
  CharacterCursor cursor(t, text, CharacterCursor::Use::Converting);
  bool all = true;
  for (std::size_t i = 0; i < count && !cursor.AtEnd(); ++i) {
    if (!(cursor.NextEntry().info & platform::kRoundTrips)) all = false;
  }
  *roundTrips = all;
  return cursor.Position();
}

std::size_t CountCharacters(const CharTables& t, std::string_view text) {
  if (!t.hasLeadBytes) return text.size();
  CharacterCursor cursor(t, text, CharacterCursor::Use::Converting);
  std::size_t count = 0;
  for (std::string_view character; cursor.Next(character);) ++count;
  return count;
}

}  // namespace

std::size_t NextCharacter(std::string_view text, std::size_t p) {
  if (p >= text.size() || text[p] == '\0') return p;
  return p + SearchingCursor(text).LengthAt(p);
}

ByteKind ByteKindAt(std::string_view text, std::size_t start, std::size_t i) {
  if (i >= text.size() || text[i] == '\0') return ByteKind::Single;
  const auto& t = ActiveTables();
  if (!t.hasLeadBytes) return ByteKind::Single;
  const ByteKind atStart = t.lead[static_cast<unsigned char>(text[i])] ? ByteKind::Lead : ByteKind::Single;
  if (i <= start) return atStart;
  CharacterCursor cursor(t, text.substr(start), CharacterCursor::Use::Searching);
  return cursor.StartsAt(i - start) ? atStart : ByteKind::Trail;
}

std::size_t ByteLength(std::string_view text) { return text.size(); }

Utf16Text AnsiTextToUtf16(std::string_view text) {
  if (text.empty()) return {};
  return ActiveCodePage().ToUtf16(text);
}

AnsiText Utf16ToAnsiText(std::u16string_view units) {
  if (units.empty()) return {};
  return ActiveCodePage().FromUtf16(units);
}

int Utf16Length(std::string_view text) {
  return static_cast<int>(CountCharacters(ActiveTables(), text));
}

// The left part is re-encoded through UTF-16. When every character taken
// survives that round trip (the usual case) the result is the input's own
// bytes, which is cut out directly instead.
AnsiText LeftChars(std::string_view text, int n) {
  if (n <= 0 || text.empty()) return {};
  const auto& t = ActiveTables();
  bool roundTrips;
  const std::size_t end = SkipCharacters(t, text, static_cast<std::size_t>(n), &roundTrips);
  const std::string_view taken = text.substr(0, end);
  if (roundTrips) return AnsiText(taken);
  return Utf16ToAnsiText(AnsiTextToUtf16(taken));
}

int FindSubstring(std::string_view needle, std::string_view haystack) {
  const std::size_t index = FindSubstringIndex(needle, haystack);
  if (index == std::string_view::npos) return 0;
  return index < static_cast<std::size_t>(INT_MAX) ? static_cast<int>(index) + 1 : INT_MAX;
}

std::size_t FindSubstringIndex(std::string_view needle, std::string_view haystack) {
  needle = needle.substr(0, needle.find('\0'));
  haystack = haystack.substr(0, haystack.find('\0'));
  if (needle.empty() || haystack.empty()) return std::string_view::npos;
  // Character starts are tracked forward once, so rejected matches that begin
  // on a trail byte cost no rescan from the start.
  CharacterCursor cursor = SearchingCursor(haystack);
  for (std::size_t from = 0;;) {
    const std::size_t pos = haystack.find(needle, from);
    if (pos == std::string_view::npos || cursor.StartsAt(pos)) return pos;
    from = pos + 1;
  }
}

std::string_view TrimmedBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

AnsiText TrimBlanks(std::string_view text) { return AnsiText(TrimmedBlanks(text)); }

// Each unit on its own, surrogates included (3-byte form, never paired).
std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out(units.size() * 3 + 1, '\0');
  char* dst = out.data();
  for (char16_t u : units) {
    const CharEntry e = platform::EntryForUnit(u);
    std::memcpy(dst, e.utf8, 3);
    dst += e.info & platform::kUtf8LengthMask;
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

// Straight from bytes to UTF-8 through the tables; the same result as
// Utf16ToUtf8(AnsiTextToUtf16(text)) without the UTF-16 text in between.
std::string AnsiTextToUtf8(std::string_view text) {
  std::string out;
  AppendAnsiTextToUtf8(text, out);
  return out;
}

void AppendAnsiTextToUtf8(std::string_view text, std::string& out) {
  AppendAnsiTextToUtf8Step(text, text.size(), out);
}

std::size_t AppendAnsiTextToUtf8Step(std::string_view text, std::size_t step, std::string& out) {
  if (text.empty()) return 0;
  const auto& t = ActiveTables();
  const std::size_t taken = step < text.size() ? step : text.size();
  // A pair may reach one byte past the step; one spare byte more: every entry
  // is stored as a whole 4-byte word.
  const std::size_t start = out.size();
  out.resize(start + (taken + 1) * 3 + 1);
  char* const begin = out.data() + start;
  char* dst = begin;
  const char* const bytes = text.data();
  // The pair is looked for up to the text's end, past the step.
  CharacterCursor cursor(t, text, CharacterCursor::Use::Converting);
  while (cursor.Position() < taken) {
    if (t.asciiIsIdentity && static_cast<unsigned char>(bytes[cursor.Position()]) < 0x80) {
      // Runs of ASCII are copied eight bytes at a time.
      while (taken - cursor.Position() >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + cursor.Position(), 8);
        if (word & 0x8080808080808080ULL) break;
        std::memcpy(dst, &word, 8);
        cursor.Skip(8);
        dst += 8;
      }
      if (cursor.Position() == taken) break;
    }
    const CharEntry& e = cursor.NextEntry();
    std::memcpy(dst, &e, 4);
    dst += e.info & platform::kUtf8LengthMask;
  }
  out.resize(start + static_cast<std::size_t>(dst - begin));
  return cursor.Position();
}
