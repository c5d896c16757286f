#pragma once
// What both code page implementations keep of a page once they have asked
// their system about it: which bytes lead, the unit of every byte and of
// every pair, and the one decoding and encoding rule built on that.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace platform::detail {

inline constexpr char16_t kReplacementUnit = 0x30FB;
// What a unit the page cannot hold is written as (no best-fit substitutes).
inline constexpr char kDefaultChar = '?';
// A reverse-table entry for a unit without bytes in the page.
inline constexpr std::uint16_t kNoBytes = 0xFFFF;

// 65536 entries (a unit's, or a pair's by lead << 8 | next byte) in memory
// that comes zeroed from the system: pages of entries never written or read
// (the rows of bytes that lead nothing) are never touched, so a conversion of
// a few records does not pay for them. Empty until Allocate.
template <typename Entry>
class ZeroedTable {
 public:
  void Allocate() {
    data_.reset(static_cast<Entry*>(std::calloc(kSize, sizeof(Entry))));
    if (!data_) throw std::bad_alloc();
  }
  bool empty() const { return !data_; }
  std::size_t size() const { return data_ ? kSize : 0; }
  Entry& operator[](std::size_t i) { return data_[i]; }
  const Entry& operator[](std::size_t i) const { return data_[i]; }

 private:
  static constexpr std::size_t kSize = 65536;
  struct Free {
    void operator()(Entry* p) const { std::free(p); }
  };
  std::unique_ptr<Entry[], Free> data_;
};

// No page has a trail byte below 0x40. A lead byte before a line break, tab,
// blank, quote or comma is a character of its own, and the byte after it
// stands for itself, whatever the system's own conversion would make of the
// two: every walk over characters keeps to this.
inline constexpr unsigned kLowestTrailByte = 0x40;

struct DecodeTable {
  bool hasLeadBytes = false;
  std::array<bool, 256> lead{};
  // The unit of each byte; for a lead byte, the unit it stands for alone.
  std::array<char16_t, 256> single{};
  // In a lead byte's row, the unit of each byte it pairs with; 0 for a byte
  // it does not pair with (no pair decodes to U+0000).
  ZeroedTable<char16_t> pair;

  // True when the lead byte and the byte after it are one character.
  bool Pairs(unsigned char first, unsigned char next) const {
    return lead[first] && next >= kLowestTrailByte && pair[(static_cast<unsigned>(first) << 8) | next] != 0;
  }

  // A lead byte that pairs with nothing after it stands alone, and the next
  // byte is read on its own.
  std::u16string Decode(std::string_view ansi) const {
    std::u16string out(ansi.size(), u'\0');
    const auto* p = reinterpret_cast<const unsigned char*>(ansi.data());
    const auto* end = p + ansi.size();
    char16_t* dst = out.data();
    while (p < end) {
      const unsigned char b = *p;
      if (lead[b] && p + 1 < end && Pairs(b, p[1])) {
        *dst++ = pair[(b << 8) | p[1]];
        p += 2;
      } else {
        *dst++ = single[b];
        ++p;
      }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
  }

  // The bytes as a reverse-table entry when they are one character of the
  // page (one byte that is not a lead byte, or a pair), else kNoBytes.
  std::uint16_t AsCharacter(std::string_view bytes) const {
    const auto b0 = bytes.empty() ? 0u : static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 1 && !lead[b0]) return static_cast<std::uint16_t>(b0);
    if (bytes.size() == 2 && Pairs(static_cast<unsigned char>(b0), static_cast<unsigned char>(bytes[1])))
      return static_cast<std::uint16_t>((b0 << 8) | static_cast<unsigned char>(bytes[1]));
    return kNoBytes;
  }
};

// Appends the bytes of a reverse-table entry.
inline void AppendEntryBytes(std::string& out, std::uint16_t entry) {
  if (entry == kNoBytes) {
    out.push_back(kDefaultChar);
  } else if (entry > 0xFF) {
    out.push_back(static_cast<char>(entry >> 8));
    out.push_back(static_cast<char>(entry & 0xFF));
  } else {
    out.push_back(static_cast<char>(entry));
  }
}

}  // namespace platform::detail
