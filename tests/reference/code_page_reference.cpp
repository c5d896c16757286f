#include "reference/code_page_reference.h"

#ifndef _WIN32
#include <iconv.h>
#endif

#include <map>
#include <utility>

namespace reference {
#ifndef _WIN32  // glibc is the reference of the Linux tables; Windows is its own
namespace {

// Descriptors kept per direction and page: the tests ask tens of thousands of
// single characters.
iconv_t Descriptor(const std::string& to, const std::string& from) {
  struct Open {
    std::map<std::pair<std::string, std::string>, iconv_t> descriptors;
    ~Open() {
      for (auto& [names, cd] : descriptors)
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
  };
  static Open open;
  auto [it, added] = open.descriptors.try_emplace({to, from}, nullptr);
  if (added) it->second = iconv_open(to.c_str(), from.c_str());
  return it->second;
}

std::optional<std::string> ConvertWithIconv(const std::string& to, const std::string& from, std::string_view in) {
  iconv_t cd = Descriptor(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  if (iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::optional<char16_t> DecodeWithIconv(int page, std::string_view bytes) {
  const auto out = ConvertWithIconv("UTF-16LE", "CP" + std::to_string(page), bytes);
  if (!out || out->size() != 2) return std::nullopt;
  const auto unit = static_cast<char16_t>(static_cast<unsigned char>((*out)[0]) |
                                          (static_cast<unsigned char>((*out)[1]) << 8));
  if (unit >= 0xD800 && unit <= 0xDFFF) return std::nullopt;
  return unit;
}

std::optional<std::string> EncodeWithIconv(int page, char16_t unit) {
  const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return ConvertWithIconv("CP" + std::to_string(page), "UTF-16LE", std::string_view(in, 2));
}

#endif

platform::CharTables TablesOneByOne(const platform::CodePage& page) {
  platform::CharTables t;
  t.hasLeadBytes = page.HasLeadBytes();
  t.asciiIsIdentity = true;
  for (unsigned b = 0; b < 256; ++b) {
    const std::string bytes(1, static_cast<char>(b));
    t.lead[b] = t.hasLeadBytes && page.IsLeadByte(static_cast<unsigned char>(b));
    const std::u16string units = page.ToUtf16(bytes);
    platform::CharEntry e = platform::EntryForUnit(units.empty() ? u'\0' : units[0]);
    if (page.FromUtf16(units) == bytes) e.info |= platform::kRoundTrips;
    t.single[b] = e;
    if (b < 0x80 && (t.lead[b] || units != std::u16string(1, static_cast<char16_t>(b)))) t.asciiIsIdentity = false;
    std::uint8_t cls = t.lead[b] ? platform::kClassLead : 0;
    if ((b >= 0x01 && b <= 0x20) || b == ',') cls |= platform::kClassBlankOrComma;
    if (b == '"') cls |= platform::kClassQuote;
    t.classes[b] = cls;
  }
  if (!t.hasLeadBytes) return t;
  t.pair.Allocate();
  for (unsigned l = 0; l < 256; ++l) {
    if (!t.lead[l]) continue;
    for (unsigned n = 0; n < 256; ++n) {
      const char bytes[2] = {static_cast<char>(l), static_cast<char>(n)};
      const std::u16string units = page.ToUtf16(std::string_view(bytes, 2));
      platform::CharEntry& e = t.pair[(l << 8) | n];
      if (units.size() == 1) {
        e = platform::EntryForUnit(units[0]);
        e.info |= platform::kPair;
        if (page.FromUtf16(units) == std::string_view(bytes, 2)) e.info |= platform::kRoundTrips;
      } else {
        e = t.single[l];
      }
    }
  }
  return t;
}

}  // namespace reference
