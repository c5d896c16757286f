// The engine's lookup tables of a code page, derived once per page from the
// decoding table and the reverse entries its conversions run on (whichever
// implementation built them): each entry is what converting the character to
// UTF-16 and back would give, without a conversion per character.
#include "platform/code_page.h"

namespace platform {
namespace {

// FromUtf16 writes the entry's bytes, or the default character for none.
std::uint16_t WrittenAs(std::uint16_t entry) {
  return entry == detail::kNoBytes ? static_cast<std::uint16_t>(static_cast<unsigned char>(detail::kDefaultChar))
                                   : entry;
}

}  // namespace

std::unique_ptr<CharTables> CodePage::BuildCharTables(const CodePage& page) {
  const detail::DecodeTable& table = page.Decoding();
  auto t = std::make_unique<CharTables>();
  t->hasLeadBytes = table.hasLeadBytes;
  t->asciiIsIdentity = true;
  auto entry = [&page](char16_t unit, std::uint16_t bytes) {
    CharEntry e = EntryForUnit(unit);
    if (WrittenAs(page.ReverseEntry(unit)) == bytes) e.info |= kRoundTrips;
    return e;
  };
  for (unsigned b = 0; b < 256; ++b) {
    t->lead[b] = table.lead[b];
    const char16_t unit = table.single[b];  // a lead byte: as it stands alone
    t->single[b] = entry(unit, static_cast<std::uint16_t>(b));
    if (b < 0x80 && (t->lead[b] || unit != b)) t->asciiIsIdentity = false;
    std::uint8_t cls = t->lead[b] ? kClassLead : 0;
    if ((b >= 0x01 && b <= 0x20) || b == ',') cls |= kClassBlankOrComma;
    if (b == '"') cls |= kClassQuote;
    t->classes[b] = cls;
  }
  if (!t->hasLeadBytes) return t;

  t->pair.Allocate();
  for (unsigned l = 0; l < 256; ++l) {
    if (!table.lead[l]) continue;
    for (unsigned n = 0; n < 256; ++n) {
      const unsigned both = l << 8 | n;
      if (table.Pairs(static_cast<unsigned char>(l), static_cast<unsigned char>(n))) {
        t->pair[both] = entry(table.pair[both], static_cast<std::uint16_t>(both));
        t->pair[both].info |= kPair;
      } else {
        t->pair[both] = t->single[l];  // the lead byte alone; the next byte starts anew
      }
    }
  }
  return t;
}

}  // namespace platform
