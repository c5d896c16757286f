// The ANSI code page service on Windows. Each code page is turned into
// lookup tables once, the first time it is chosen, by asking the system
// (MultiByteToWideChar, WideCharToMultiByte) about every byte and pair; the
// byte classes come from GetCPInfo.
//
// The tables follow the same rule as on Linux, so that a malformed export
// gives the same records and bytes on both: a lead byte pairs only with a
// byte that is the trail byte of some character of the page; otherwise it
// stands alone as U+30FB and the next byte is read on its own (the system's
// own conversion would swallow a quote or comma after a stray lead byte).
// A pair or byte the system does not map gives U+30FB, and so does a byte the
// system gives the C1 control of its own value, its stand-in for "no
// character" (0x80 in 932; 0x81, 0x8D, 0x8F, 0x90, 0x9D in 1252). A unit the
// page cannot hold is written as "?" (no best-fit substitutes).
#include <windows.h>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/decode_table.h"

namespace platform {
namespace {

using detail::AppendEntryBytes;
using detail::kNoBytes;
constexpr char16_t kReplacement = detail::kReplacementUnit;

class Win32CodePage final : public CodePage {
 public:
  explicit Win32CodePage(int number) : number_(number) {
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
      table_.single[b] = table_.lead[b] ? kReplacement : DecodeOne(&byte, 1);
    }
    if (!table_.hasLeadBytes) return;
    table_.pair.Allocate();
    for (unsigned l = 0; l < 256; ++l) {
      if (!table_.lead[l]) continue;
      for (unsigned t = 0; t < 256; ++t) {
        const char bytes[2] = {static_cast<char>(l), static_cast<char>(t)};
        const char16_t unit = DecodeOne(bytes, 2);
        // A byte that trails other lead bytes but not this one: the pair is
        // read as one character and decodes to the replacement.
        table_.pair[(l << 8) | t] = unit == 0 ? kReplacement : unit;
        if (unit == 0) continue;
        table_.trail[t] = true;
      }
    }
  }

  int Number() const override { return number_; }
  bool HasLeadBytes() const override { return table_.hasLeadBytes; }
  bool IsLeadByte(unsigned char byte) const override { return table_.lead[byte]; }

  std::u16string ToUtf16(std::string_view ansi) const override { return table_.Decode(ansi); }

  std::string FromUtf16(std::u16string_view units) const override {
    const std::vector<std::uint16_t>& reverse = Reverse();
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
      AppendEntryBytes(out, reverse[u]);
    }
    return out;
  }

 protected:
  const detail::DecodeTable& Decoding() const override { return table_; }
  std::uint16_t ReverseEntry(char16_t unit) const override { return Reverse()[unit]; }

 private:
  // The one unit the bytes stand for, or 0 when the system maps them to
  // nothing or to more than one unit.
  char16_t DecodeOne(const char* bytes, int n) const {
    wchar_t out[4];
    const int units = ::MultiByteToWideChar(static_cast<UINT>(number_), MB_ERR_INVALID_CHARS, bytes, n, out, 4);
    if (units != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF)) return n == 1 ? kReplacement : 0;
    if (n == 1 && out[0] >= 0x80 && out[0] <= 0x9F) return kReplacement;
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
      if ((u >= 0xD800 && u <= 0xDFFF) || (u >= 0x80 && u <= 0x9F)) continue;
      const wchar_t unit = static_cast<wchar_t>(u);
      char out[8];
      BOOL defaulted = FALSE;
      const int n = ::WideCharToMultiByte(static_cast<UINT>(number_), WC_NO_BEST_FIT_CHARS, &unit, 1, out,
                                          sizeof out, nullptr, &defaulted);
      if (n <= 0 || defaulted) continue;
      reverse_[u] = table_.AsCharacter(std::string_view(out, static_cast<std::size_t>(n)));
    }
  }

  int number_;
  detail::DecodeTable table_;
  mutable std::once_flag reverseOnce_;
  mutable std::vector<std::uint16_t> reverse_;
};

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

// Pages live as long as the program, so references to them stay valid.
const CodePage& PageFor(int number) {
  static std::map<int, std::unique_ptr<Win32CodePage>> pages;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = pages.find(number);
  if (it == pages.end()) it = pages.emplace(number, std::make_unique<Win32CodePage>(number)).first;
  return *it->second;
}

std::atomic<const CodePage*> current{nullptr};

}  // namespace

// The system's ANSI code page until a regional profile chooses another.
const CodePage& AnsiCodePage() {
  const CodePage* page = current.load(std::memory_order_acquire);
  if (page == nullptr) {
    page = &PageFor(static_cast<int>(::GetACP()));
    const CodePage* expected = nullptr;
    if (!current.compare_exchange_strong(expected, page, std::memory_order_acq_rel)) page = expected;
  }
  return *page;
}

void SetAnsiCodePage(int number) { current.store(&PageFor(number), std::memory_order_release); }

const CodePage& FixedTextCodePage() { return PageFor(932); }

std::string Cp932FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  const int wideSize = static_cast<int>(wide.size());
  std::string out(static_cast<std::size_t>(::WideCharToMultiByte(932, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr)), '\0');
  ::WideCharToMultiByte(932, 0, wide.data(), wideSize, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

}  // namespace platform
