// Record splitting. Every record of a conversion passes through here. Every
// byte the rules look for (quote, comma, blanks 0x01..0x20) is below 0x40,
// and no trail byte is: such a byte is always a character of its own, even
// after a lead byte, and the byte before it always ends a character. So the
// fields are found byte by byte, with no walk over characters: quoted fields
// are searched for their quotes with FindByte, unquoted ones for the first
// byte that ends them.
#include "text/comma_text.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/code_page.h"
#include "text/byte_scan.h"
#include "text/text_settings.h"

namespace {

constexpr std::uint8_t kEndsUnquoted = platform::kClassBlankOrComma;

using ByteClasses = std::array<std::uint8_t, 256>;

const ByteClasses& ActiveClasses() { return ActiveCodePage().Tables().classes; }

// The text ends at its first NUL.
std::size_t EndOf(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text.size() : nul;
}

inline bool IsBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

inline std::size_t SkipBlanks(std::string_view text, std::size_t p, std::size_t end) {
  while (p < end && IsBlank(text[p])) ++p;
  return p;
}

// The next double quote at or after p, or end.
inline std::size_t NextQuote(std::string_view text, std::size_t p, std::size_t end) {
  return static_cast<std::size_t>(detail::FindByte(text.data() + p, text.data() + end, '"') - text.data());
}

// The closing quote is the first quote that is not doubled. The value stays
// a place in text unless a doubled quote makes it differ, when it is written
// to `reduced` (only measured, without it). Returns the byte after the
// closing quote.
std::size_t PlaceQuoted(std::string_view text, std::size_t quote, std::size_t end, FieldPlace& place,
                        AnsiText* reduced) {
  const std::size_t first = quote + 1;
  const std::size_t reducedStart = reduced ? reduced->size() : 0;
  std::size_t reducedSize = 0;
  bool isReduced = false;
  std::size_t p = first;
  std::size_t segment = p;
  auto keep = [&](std::size_t to) {
    reducedSize += to - segment;
    if (reduced) reduced->append(text.substr(segment, to - segment));
  };
  auto finish = [&](std::size_t valueEnd) {
    if (isReduced) {
      keep(valueEnd);
      place = {first, reducedSize, reducedStart};
    } else {
      place = {first, valueEnd - first};
    }
  };
  for (;;) {
    p = NextQuote(text, p, end);
    if (p >= end) {
      // No closing quote: keep everything up to the end (see the header).
      finish(end);
      return end;
    }
    if (p + 1 < end && text[p + 1] == '"') {
      isReduced = true;
      keep(p + 1);
      p += 2;
      segment = p;
      continue;
    }
    finish(p);
    return p + 1;
  }
}

void FindFields(std::string_view text, std::vector<FieldPlace>& places, AnsiText* reduced) {
  const ByteClasses& cls = ActiveClasses();
  const std::size_t end = EndOf(text);

  std::size_t p = SkipBlanks(text, 0, end);
  while (p < end) {
    if (text[p] == '"') {
      FieldPlace& place = places.emplace_back();
      p = PlaceQuoted(text, p, end, place, reduced);
    } else {
      const std::size_t start = p;
      while (p < end && !(cls[static_cast<unsigned char>(text[p])] & kEndsUnquoted)) ++p;
      places.push_back({start, p - start});
    }
    p = SkipBlanks(text, p, end);
    if (p < end && text[p] == ',') {
      // Only a comma that is the very last byte adds an empty last field;
      // blanks after it add nothing.
      if (p + 1 >= end) places.push_back({end, 0});
      p = SkipBlanks(text, p + 1, end);
    }
    // Anything else starts the next field without a comma.
  }
}

}  // namespace

QuotedField ExtractQuotedField(std::string_view text, std::size_t quote) {
  const std::size_t end = EndOf(text);
  if (quote >= end) return {{}, quote > end ? quote : end};
  FieldPlace place{};
  AnsiText reduced;
  const std::size_t next = PlaceQuoted(text, quote, end, place, &reduced);
  return {AnsiText(FieldValue(place, text, reduced)), next};
}

void FindCommaFields(std::string_view text, std::vector<FieldPlace>& places, AnsiText& reduced) {
  FindFields(text, places, &reduced);
}

void FindCommaFieldPlaces(std::string_view text, std::vector<FieldPlace>& places) {
  FindFields(text, places, nullptr);
}

void SplitCommaText(LineList& fields, std::string_view text) {
  // The items already in the list are overwritten in place, so that splitting
  // record after record into one list reuses their storage.
  std::vector<FieldPlace> places;
  AnsiText reduced;
  FindCommaFields(text, places, reduced);
  std::vector<AnsiText>& items = fields.Items();
  items.resize(places.size());
  for (std::size_t i = 0; i < places.size(); ++i) items[i].assign(FieldValue(places[i], text, reduced));
}

std::string_view FieldValue(const FieldPlace& place, std::string_view text, std::string_view reduced) {
  return place.Reduced() ? reduced.substr(place.reducedAt, place.size) : text.substr(place.raw, place.size);
}

std::vector<std::string_view> ViewsOf(const LineList& fields) {
  return std::vector<std::string_view>(fields.begin(), fields.end());
}
