#pragma once
// The ANSI code page service: lead bytes and conversions to and from UTF-16,
// and the lookup tables every byte loop of the engine walks. Built once per
// code page, never per call.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/decode_table.h"
#include "platform/utf8.h"

namespace platform {

// What one character of the code page becomes.
struct CharEntry {
  std::uint8_t utf8[3];  // its UTF-16 unit in UTF-8, utf8Length bytes used
  std::uint8_t info;     // kUtf8LengthMask | kRoundTrips | kPair
};
inline constexpr std::uint8_t kUtf8LengthMask = 0x03;
// Converting the character to UTF-16 and back gives its own bytes again.
inline constexpr std::uint8_t kRoundTrips = 0x04;
// (pair table only) lead and trail form one character; otherwise the lead
// byte stands alone and the byte after it starts the next character.
inline constexpr std::uint8_t kPair = 0x08;

// A UTF-16 unit's entry: its UTF-8, nothing known yet of the page.
inline CharEntry EntryForUnit(char16_t unit) {
  const Utf8OfUnit u = EncodeUtf8(unit);
  return CharEntry{{u.bytes[0], u.bytes[1], u.bytes[2]}, u.length};
}

// Byte classes for the record and field scanners.
inline constexpr std::uint8_t kClassLead = 0x01;
inline constexpr std::uint8_t kClassBlankOrComma = 0x02;  // 0x01..0x20 or ','
inline constexpr std::uint8_t kClassQuote = 0x04;

struct CharTables {
  bool hasLeadBytes = false;
  bool asciiIsIdentity = false;  // 0x00..0x7F are characters of their own, unchanged
  std::array<bool, 256> lead{};
  std::array<std::uint8_t, 256> classes{};
  // Every byte as a character of its own (a lead byte: alone, as at the end).
  std::array<CharEntry, 256> single{};
  // Indexed by lead << 8 | next byte; empty when the page has no lead bytes.
  detail::ZeroedTable<CharEntry> pair;
};

// No byte below it ever ends a pair (see decode_table.h); the characters are
// walked by platform/character_cursor.h.
using detail::kLowestTrailByte;

// One code page: what its system says of each byte and pair, kept in tables
// (each OS gives only those), and the one decoding and encoding rule over them.
class CodePage {
 public:
  virtual ~CodePage() = default;
  int Number() const { return number_; }
  bool HasLeadBytes() const { return Decoding().hasLeadBytes; }
  bool IsLeadByte(unsigned char byte) const { return Decoding().lead[byte]; }
  // Bytes that form no character become one replacement unit; never fails.
  std::u16string ToUtf16(std::string_view ansi) const { return Decoding().Decode(ansi); }
  // Units without a character become the code page's default character.
  std::string FromUtf16(std::u16string_view units) const;

  // The tables, derived on first use from what the two conversions above are
  // built on (the decoding table and the reverse entries), so every fast path
  // gives exactly what the conversions give.
  const CharTables& Tables() const {
    // Asked once per record and more: past the first time, one load.
    if (const CharTables* built = built_.load(std::memory_order_acquire)) return *built;
    std::call_once(tablesOnce_, [this] {
      tables_ = BuildCharTables(*this);
      built_.store(tables_.get(), std::memory_order_release);
    });
    return *tables_;
  }

 protected:
  explicit CodePage(int number) : number_(number) {}
  // What ToUtf16 decodes by, and the entry FromUtf16 writes for a unit
  // (detail::AppendEntryBytes): the two things each system fills in.
  virtual const detail::DecodeTable& Decoding() const = 0;
  virtual std::uint16_t ReverseEntry(char16_t unit) const = 0;

 private:
  static std::unique_ptr<CharTables> BuildCharTables(const CodePage& page);
  int number_;
  mutable std::once_flag tablesOnce_;
  mutable std::unique_ptr<CharTables> tables_;
  mutable std::atomic<const CharTables*> built_{nullptr};
};

// The code page of the active regional profile (until one is chosen: 932,
// or on Windows the system's ANSI code page).
const CodePage& AnsiCodePage();
// Makes `number` the ANSI code page (932, 936, 949, 950, 1252, ...). Throws
// std::invalid_argument when the system has no such page.
void SetAnsiCodePage(int number);
// The page the system's byte-string calls read names in, whatever profile is
// chosen (Windows: GetACP; elsewhere the default, 932): Windows paths are in it.
const CodePage& SystemAnsiCodePage();
// The page of that number, built once and kept for the life of the program;
// throws std::invalid_argument as SetAnsiCodePage does.
const CodePage& CodePageNumbered(int number);

// The code page the program's own texts are carried in (932), whatever the
// profile: what a display decodes them from.
const CodePage& FixedTextCodePage();

// The program's own fixed texts are written in UTF-8 in the sources and carried
// as code page 932 bytes, whatever the active code page.
std::string Cp932FromUtf8(std::string_view utf8);

namespace detail {
// What each system implements: a page from its own tables (throws
// std::invalid_argument when there is none), and the page in force before
// any profile chooses one.
std::unique_ptr<CodePage> MakeSystemCodePage(int number);
int DefaultAnsiCodePageNumber();
}  // namespace detail

}  // namespace platform
