#include "platform/utf8.h"

namespace platform {

bool AppendUtf16FromUtf8(std::string_view bytes, std::u16string& out) {
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  bool wellFormed = true;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t extra = lead < 0x80 ? 0
                              : (lead & 0xE0) == 0xC0 ? 1
                              : (lead & 0xF0) == 0xE0 ? 2
                              : (lead & 0xF8) == 0xF0 ? 3
                                                      : 4;
    bool ok = extra < 4 && (extra == 0 || lead >= 0xC2) && i + extra < bytes.size();
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (std::size_t k = 1; ok && k <= extra; ++k) {
      const unsigned char trail = static_cast<unsigned char>(bytes[i + k]);
      ok = (trail & 0xC0) == 0x80;
      cp = (cp << 6) | (trail & 0x3F);
    }
    ok = ok && cp >= kSmallest[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
      wellFormed = false;
      out += u'?';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return wellFormed;
}

}  // namespace platform
