// The engine's lookup tables of a code page, derived from its own conversions
// (whichever implementation answers them), once per page. A lead byte's whole
// row of pairs goes through each conversion in one call, with a NUL after
// every pair to split the result again: NUL is never a trail byte.
#include "platform/code_page.h"

namespace platform {
namespace {

// The pieces of text between the NULs, or nothing when the count is not n.
template <typename Char>
bool SplitAtNul(std::basic_string_view<Char> text, std::size_t n, std::vector<std::basic_string_view<Char>>& out) {
  out.clear();
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != Char{}) continue;
    out.push_back(text.substr(from, i - from));
    from = i + 1;
  }
  return from == text.size() && out.size() == n;
}

}  // namespace

std::unique_ptr<CharTables> CodePage::BuildCharTables(const CodePage& page) {
  auto t = std::make_unique<CharTables>();
  t->hasLeadBytes = page.HasLeadBytes();
  t->asciiIsIdentity = true;
  std::string bytes;
  std::u16string units;
  for (unsigned b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    t->lead[b] = t->hasLeadBytes && page.IsLeadByte(byte);
    bytes.assign(1, static_cast<char>(byte));
    units = page.ToUtf16(bytes);
    CharEntry e = EntryForUnit(units.empty() ? u'\0' : units[0]);
    if (page.FromUtf16(units) == bytes) e.info |= kRoundTrips;
    t->single[b] = e;
    if (b < 0x80 && (t->lead[b] || units != std::u16string(1, static_cast<char16_t>(b))))
      t->asciiIsIdentity = false;
    std::uint8_t cls = t->lead[b] ? kClassLead : 0;
    if ((b >= 0x01 && b <= 0x20) || b == ',') cls |= kClassBlankOrComma;
    if (b == '"') cls |= kClassQuote;
    t->classes[b] = cls;
  }
  if (!t->hasLeadBytes) return t;

  t->pair.assign(65536, CharEntry{});
  // One pair at a time: the way every entry could be found, and the fallback
  // when a row does not split as expected.
  auto onePair = [&page, &t](unsigned l, unsigned n) {
    const char pairBytes[2] = {static_cast<char>(l), static_cast<char>(n)};
    const std::u16string pairUnits = page.ToUtf16(std::string_view(pairBytes, 2));
    CharEntry& e = t->pair[(l << 8) | n];
    if (pairUnits.size() == 1) {
      e = EntryForUnit(pairUnits[0]);
      e.info |= kPair;
      if (page.FromUtf16(pairUnits) == std::string_view(pairBytes, 2)) e.info |= kRoundTrips;
    } else {
      e = t->single[l];  // the lead byte alone; the next byte starts anew
    }
  };
  std::string row;
  std::u16string pairs;
  std::vector<std::u16string_view> decoded;
  std::vector<std::string_view> encoded;
  std::vector<unsigned> paired;
  for (unsigned l = 0; l < 256; ++l) {
    if (!t->lead[l]) continue;
    onePair(l, 0);
    row.clear();
    for (unsigned n = 1; n < 256; ++n) row.append({static_cast<char>(l), static_cast<char>(n), '\0'});
    units = page.ToUtf16(row);
    if (!SplitAtNul<char16_t>(units, 255, decoded)) {
      for (unsigned n = 1; n < 256; ++n) onePair(l, n);
      continue;
    }
    pairs.clear();
    paired.clear();
    for (unsigned n = 1; n < 256; ++n) {
      const std::u16string_view u = decoded[n - 1];
      if (u.size() != 1) {
        t->pair[(l << 8) | n] = t->single[l];
        continue;
      }
      paired.push_back(n);
      pairs.append({u[0], u'\0'});
    }
    const std::string back = page.FromUtf16(pairs);
    if (!SplitAtNul<char>(back, paired.size(), encoded)) {
      for (unsigned n : paired) onePair(l, n);
      continue;
    }
    for (std::size_t i = 0; i < paired.size(); ++i) {
      const unsigned n = paired[i];
      CharEntry e = EntryForUnit(pairs[2 * i]);
      e.info |= kPair;
      const char pairBytes[2] = {static_cast<char>(l), static_cast<char>(n)};
      if (encoded[i] == std::string_view(pairBytes, 2)) e.info |= kRoundTrips;
      t->pair[(l << 8) | n] = e;
    }
  }
  return t;
}

}  // namespace platform
