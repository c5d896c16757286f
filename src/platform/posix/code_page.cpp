// The ANSI code page service on glibc. Each code page is turned into lookup
// tables once, the first time it is chosen; no conversion calls iconv.
//
// Decoding (bytes -> UTF-16), one rule for every page:
// - A byte that is not a lead byte is a character of its own, looked up in
//   the single-byte table; a byte without a mapping gives U+30FB.
// - A lead byte followed by a valid trail byte forms a pair, looked up in the
//   64K pair table; a pair without a mapping gives U+30FB.
// - A lead byte followed by anything else, or at the end of the text, gives
//   U+30FB for the lead byte alone; the byte after it is decoded on its own
//   (so a broken pair never swallows a quote, comma or line break).
// Every character of these pages is one UTF-16 unit, so the output never has
// more units than the input has bytes.
//
// Encoding (UTF-16 -> bytes): each unit on its own through a reverse table,
// built lazily on first use by asking iconv once per BMP unit. A unit without
// a character (including every surrogate unit) becomes "?", the default
// character of these pages.
#include <iconv.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr char16_t kReplacement = 0x30FB;
constexpr char kDefaultChar = '?';
// Reverse-table value for "no character"; no page here has 0xFF as a lead byte.
constexpr std::uint16_t kNoBytes = 0xFFFF;

bool InRange(unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// Which bytes start a pair, and which may follow one, for the double-byte pages.
struct ByteRanges {
  bool (*lead)(unsigned);
  bool (*trail)(unsigned);
};

ByteRanges RangesFor(int number) {
  switch (number) {
    case 932:
      return {[](unsigned b) { return InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC); },
              [](unsigned b) { return InRange(b, 0x40, 0x7E) || InRange(b, 0x80, 0xFC); }};
    case 936:
      return {[](unsigned b) { return InRange(b, 0x81, 0xFE); },
              [](unsigned b) { return InRange(b, 0x40, 0x7E) || InRange(b, 0x80, 0xFE); }};
    case 949:
      return {[](unsigned b) { return InRange(b, 0x81, 0xFE); },
              [](unsigned b) {
                return InRange(b, 0x41, 0x5A) || InRange(b, 0x61, 0x7A) || InRange(b, 0x81, 0xFE);
              }};
    case 950:
      return {[](unsigned b) { return InRange(b, 0x81, 0xFE); },
              [](unsigned b) { return InRange(b, 0x40, 0x7E) || InRange(b, 0xA1, 0xFE); }};
    default:
      return {nullptr, nullptr};
  }
}

class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the whole of `in`; false when iconv rejects any of it.
  bool Convert(const void* in, std::size_t inSize, char* out, std::size_t outSize,
               std::size_t* written) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    char* src = static_cast<char*>(const_cast<void*>(in));
    char* dst = out;
    std::size_t inLeft = inSize;
    std::size_t outLeft = outSize;
    if (iconv(cd_, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &outLeft) == static_cast<std::size_t>(-1)) return false;
    if (inLeft != 0) return false;
    *written = outSize - outLeft;
    return true;
  }

 private:
  iconv_t cd_;
};

// One UTF-16 unit for the bytes, or the replacement when they are not exactly
// one character.
char16_t DecodeOne(Iconv& toUtf16, const unsigned char* bytes, std::size_t n) {
  char out[8];
  std::size_t written = 0;
  if (!toUtf16.Convert(bytes, n, out, sizeof out, &written) || written != 2) return kReplacement;
  const auto lo = static_cast<unsigned char>(out[0]);
  const auto hi = static_cast<unsigned char>(out[1]);
  const char16_t unit = static_cast<char16_t>(lo | (hi << 8));
  if (unit >= 0xD800 && unit <= 0xDFFF) return kReplacement;
  return unit;
}

class TableCodePage final : public CodePage {
 public:
  TableCodePage(int number, const std::string& iconvName) : number_(number) {
    Iconv toUtf16("UTF-16LE", iconvName);
    if (!toUtf16.ok()) throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    iconvName_ = iconvName;
    const ByteRanges ranges = RangesFor(number);
    for (unsigned b = 0; b < 256; ++b) {
      lead_[b] = ranges.lead != nullptr && ranges.lead(b);
      trail_[b] = ranges.trail != nullptr && ranges.trail(b);
      hasLeadBytes_ = hasLeadBytes_ || lead_[b];
      const unsigned char byte = static_cast<unsigned char>(b);
      single_[b] = lead_[b] ? kReplacement : DecodeOne(toUtf16, &byte, 1);
    }
    if (hasLeadBytes_) {
      pair_.assign(65536, kReplacement);
      for (unsigned l = 0; l < 256; ++l) {
        if (!lead_[l]) continue;
        for (unsigned t = 0; t < 256; ++t) {
          if (!trail_[t]) continue;
          const unsigned char bytes[2] = {static_cast<unsigned char>(l), static_cast<unsigned char>(t)};
          pair_[(l << 8) | t] = DecodeOne(toUtf16, bytes, 2);
        }
      }
    }
  }

  int Number() const override { return number_; }
  bool HasLeadBytes() const override { return hasLeadBytes_; }
  bool IsLeadByte(unsigned char byte) const override { return lead_[byte]; }

  std::u16string ToUtf16(std::string_view ansi) const override {
    std::u16string out(ansi.size(), u'\0');
    const auto* p = reinterpret_cast<const unsigned char*>(ansi.data());
    const auto* end = p + ansi.size();
    char16_t* dst = out.data();
    while (p < end) {
      const unsigned char b = *p;
      if (!lead_[b]) {
        *dst++ = single_[b];
        ++p;
      } else if (p + 1 < end && trail_[p[1]]) {
        *dst++ = pair_[(b << 8) | p[1]];
        p += 2;
      } else {
        *dst++ = kReplacement;
        ++p;
      }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
  }

  std::string FromUtf16(std::u16string_view units) const override {
    const std::vector<std::uint16_t>& reverse = Reverse();
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
      const std::uint16_t v = reverse[u];
      if (v == kNoBytes) {
        out.push_back(kDefaultChar);
      } else if (v > 0xFF) {
        out.push_back(static_cast<char>(v >> 8));
        out.push_back(static_cast<char>(v & 0xFF));
      } else {
        out.push_back(static_cast<char>(v));
      }
    }
    return out;
  }

 private:
  const std::vector<std::uint16_t>& Reverse() const {
    std::call_once(reverseOnce_, [this] { BuildReverse(); });
    return reverse_;
  }

  // Asks iconv once per BMP unit; keeps only results that are one character
  // of this page (one byte that is not a lead byte, or a lead/trail pair).
  void BuildReverse() const {
    reverse_.assign(65536, kNoBytes);
    Iconv fromUtf16(iconvName_, "UTF-16LE");
    if (!fromUtf16.ok()) return;
    for (unsigned u = 0; u < 65536; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const unsigned char in[2] = {static_cast<unsigned char>(u & 0xFF), static_cast<unsigned char>(u >> 8)};
      char out[8];
      std::size_t written = 0;
      if (!fromUtf16.Convert(in, 2, out, sizeof out, &written)) continue;
      const auto b0 = static_cast<unsigned char>(out[0]);
      if (written == 1 && !lead_[b0]) {
        reverse_[u] = b0;
      } else if (written == 2 && lead_[b0] && trail_[static_cast<unsigned char>(out[1])]) {
        reverse_[u] = static_cast<std::uint16_t>((b0 << 8) | static_cast<unsigned char>(out[1]));
      }
    }
  }

  int number_;
  std::string iconvName_;
  bool hasLeadBytes_ = false;
  std::array<bool, 256> lead_{};
  std::array<bool, 256> trail_{};
  std::array<char16_t, 256> single_{};
  std::vector<char16_t> pair_;
  mutable std::once_flag reverseOnce_;
  mutable std::vector<std::uint16_t> reverse_;
};

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

// Pages are kept for the life of the program, so references handed out by
// AnsiCodePage() stay valid when another page is chosen.
std::map<int, std::unique_ptr<TableCodePage>>& Registry() {
  static std::map<int, std::unique_ptr<TableCodePage>> pages;
  return pages;
}

std::atomic<const CodePage*> current{nullptr};

const CodePage& PageFor(int number) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto& pages = Registry();
  auto it = pages.find(number);
  if (it == pages.end()) {
    if (number <= 0) throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    auto page = std::make_unique<TableCodePage>(number, "CP" + std::to_string(number));
    it = pages.emplace(number, std::move(page)).first;
  }
  return *it->second;
}

}  // namespace

const CodePage& AnsiCodePage() {
  const CodePage* page = current.load(std::memory_order_acquire);
  if (page == nullptr) {
    page = &PageFor(932);
    const CodePage* expected = nullptr;
    if (!current.compare_exchange_strong(expected, page, std::memory_order_acq_rel)) page = expected;
  }
  return *page;
}

const CodePage& FixedTextCodePage() {
  static const CodePage& page = PageFor(932);
  return page;
}

// Throws std::invalid_argument when glibc has no converter for the page.
void SetAnsiCodePage(int number) { current.store(&PageFor(number), std::memory_order_release); }

}  // namespace platform
