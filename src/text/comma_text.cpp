// Record splitting. The loops step over characters with one table lookup per
// character (lead bytes take the byte after them whole, as NextCharacter
// does), since every record of a conversion passes through here.
#include "text/comma_text.h"

#include <array>
#include <cstdint>

#include "text/char_tables.h"

namespace {

constexpr std::uint8_t kLead = 0x01;
constexpr std::uint8_t kEndsUnquoted = 0x02;  // blank (0x01..0x20) or comma
constexpr std::uint8_t kQuote = 0x04;

using ByteClasses = std::array<std::uint8_t, 256>;

const ByteClasses& ClassesFor(const detail::CharTables& t) {
  thread_local const detail::CharTables* built = nullptr;
  thread_local ByteClasses classes{};
  if (built != &t) {
    for (unsigned b = 0; b < 256; ++b) {
      std::uint8_t c = 0;
      if (t.lead[b]) c |= kLead;
      if ((b >= 0x01 && b <= 0x20) || b == ',') c |= kEndsUnquoted;
      if (b == '"') c |= kQuote;
      classes[b] = c;
    }
    built = &t;
  }
  return classes;
}

// The text ends at its first NUL.
std::size_t EndOf(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text.size() : nul;
}

inline std::size_t CharacterLength(const ByteClasses& cls, std::string_view text, std::size_t p,
                                   std::size_t end) {
  return ((cls[static_cast<unsigned char>(text[p])] & kLead) && p + 1 < end) ? 2 : 1;
}

inline bool IsBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

inline std::size_t SkipBlanks(std::string_view text, std::size_t p, std::size_t end) {
  while (p < end && IsBlank(text[p])) ++p;
  return p;
}

// The closing quote is the first quote at a character start that is not
// doubled; a quote taken as the second byte of a lead byte is passed over.
QuotedField Extract(const ByteClasses& cls, std::string_view text, std::size_t quote,
                    std::size_t end) {
  QuotedField field{{}, end};
  std::size_t p = quote + 1;
  std::size_t segment = p;
  for (;;) {
    while (p < end && !(cls[static_cast<unsigned char>(text[p])] & kQuote))
      p += CharacterLength(cls, text, p, end);
    if (p >= end) {
      // No closing quote: keep everything up to the end (see the header).
      field.value.append(text.substr(segment, end - segment));
      return field;
    }
    if (p + 1 < end && text[p + 1] == '"') {
      field.value.append(text.substr(segment, p + 1 - segment));
      p += 2;
      segment = p;
      continue;
    }
    field.value.append(text.substr(segment, p - segment));
    field.next = p + 1;
    return field;
  }
}

}  // namespace

QuotedField ExtractQuotedField(std::string_view text, std::size_t quote) {
  const std::size_t end = EndOf(text);
  if (quote >= end) return {{}, quote > end ? quote : end};
  return Extract(ClassesFor(detail::ActiveCharTables()), text, quote, end);
}

void SplitCommaText(LineList& fields, std::string_view text) {
  std::vector<AnsiText>& items = fields.Items();
  items.clear();
  const ByteClasses& cls = ClassesFor(detail::ActiveCharTables());
  const std::size_t end = EndOf(text);

  std::size_t p = SkipBlanks(text, 0, end);
  while (p < end) {
    if (text[p] == '"') {
      QuotedField field = Extract(cls, text, p, end);
      items.push_back(std::move(field.value));
      p = field.next;
    } else {
      const std::size_t start = p;
      while (p < end && !(cls[static_cast<unsigned char>(text[p])] & kEndsUnquoted))
        p += CharacterLength(cls, text, p, end);
      items.emplace_back(text.substr(start, p - start));
    }
    p = SkipBlanks(text, p, end);
    if (p < end && text[p] == ',') {
      // Only a comma that is the very last byte adds an empty last field;
      // blanks after it add nothing.
      if (p + 1 >= end) items.emplace_back();
      p = SkipBlanks(text, p + 1, end);
    }
    // Anything else starts the next field without a comma.
  }
}
