// The ANSI code page service on Windows. Each code page is turned into
// lookup tables once, the first time it is chosen, by asking the system
// (MultiByteToWideChar, WideCharToMultiByte) about every byte and pair; the
// lead bytes come from GetCPInfo.
//
// Text decodes as the system decodes it (0x80 of 932 is U+0080, 0xA0 is
// U+F8F0; a lead byte and the byte after it that the system reads as one unit
// are one character, U+30FB in 932 where the pair means nothing), with one
// exception: a lead byte before a byte below 0x40 (a line break, tab, blank,
// quote or comma) stands alone, as it does at the end of the text, and that
// byte is read on its own, where the system would swallow it. A unit the page
// cannot hold is written as "?" (no best-fit substitutes).
#include <windows.h>

#include <array>
#include <mutex>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/decode_table.h"

namespace platform {
namespace {

using detail::kNoBytes;
constexpr char16_t kReplacement = detail::kReplacementUnit;

class Win32CodePage final : public CodePage {
 public:
  explicit Win32CodePage(int number) : CodePage(number) {
    CPINFO info{};
    if (number <= 0 || !::IsValidCodePage(static_cast<UINT>(number)) ||
        !::GetCPInfo(static_cast<UINT>(number), &info)) {
      throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    }
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0); i += 2) {
      for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) {
        table_.lead[b] = true;
        table_.hasLeadBytes = true;
      }
    }
    for (unsigned b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      table_.single[b] = DecodeOne(&byte, 1).value_or(kReplacement);
    }
    if (!table_.hasLeadBytes) return;
    table_.pair.Allocate();
    for (unsigned l = 0; l < 256; ++l) {
      if (!table_.lead[l]) continue;
      for (unsigned t = detail::kLowestTrailByte; t < 256; ++t) {
        const char bytes[2] = {static_cast<char>(l), static_cast<char>(t)};
        // Two units: the system lets the lead byte stand alone too.
        table_.pair[(l << 8) | t] = DecodeOne(bytes, 2).value_or(0);
      }
    }
  }

 protected:
  const detail::DecodeTable& Decoding() const override { return table_; }
  std::uint16_t ReverseEntry(char16_t unit) const override { return Reverse()[unit]; }

 private:
  // The one unit the system decodes the bytes to, or none when it gives
  // more than one (or U+0000, which no pair stands for).
  std::optional<char16_t> DecodeOne(const char* bytes, int n) const {
    wchar_t out[4];
    const int units = ::MultiByteToWideChar(static_cast<UINT>(Number()), 0, bytes, n, out, 4);
    if (units != 1 || (n == 2 && out[0] == 0)) return std::nullopt;
    return static_cast<char16_t>(out[0]);
  }

  const std::vector<std::uint16_t>& Reverse() const {
    std::call_once(reverseOnce_, [this] { BuildReverse(); });
    return reverse_;
  }

  // One question per BMP unit; only answers that are one character of this
  // page are kept, and characters the system would only approximate are not.
  void BuildReverse() const {
    reverse_.assign(65536, kNoBytes);
    for (unsigned u = 0; u < 65536; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const wchar_t unit = static_cast<wchar_t>(u);
      char out[8];
      BOOL defaulted = FALSE;
      const int n = ::WideCharToMultiByte(static_cast<UINT>(Number()), WC_NO_BEST_FIT_CHARS, &unit, 1, out,
                                          sizeof out, nullptr, &defaulted);
      if (n <= 0 || defaulted) continue;
      reverse_[u] = table_.AsCharacter(std::string_view(out, static_cast<std::size_t>(n)));
    }
  }

  detail::DecodeTable table_;
  mutable std::once_flag reverseOnce_;
  mutable std::vector<std::uint16_t> reverse_;
};

}  // namespace

namespace detail {

std::unique_ptr<CodePage> MakeSystemCodePage(int number) { return std::make_unique<Win32CodePage>(number); }

// The system's ANSI code page until a regional profile chooses another.
int DefaultAnsiCodePageNumber() { return static_cast<int>(::GetACP()); }

}  // namespace detail
}  // namespace platform
