// The character layer's fast paths against their literal definitions, under
// the double-byte code pages and a single-byte one: character counts, left and
// right parts, the conversion to UTF-8, byte kinds, the character-aware search.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/code_page.h"
#include "support/harness.h"
#include "text/characters.h"

namespace {

constexpr int kPages[] = {932, 932, 932, 936, 949, 950, 1252};

bool IsLead(char c) { return platform::AnsiCodePage().IsLeadByte(static_cast<unsigned char>(c)); }

// A lead byte and the byte after it pair off, unless that byte is below 0x40.
bool PairAt(std::string_view text, std::size_t p) {
  return IsLead(text[p]) && p + 1 < text.size() && static_cast<unsigned char>(text[p + 1]) >= 0x40;
}

// Kinds by walking characters forward from start; NUL is always single.
ByteKind WalkedKind(std::string_view text, std::size_t start, std::size_t i) {
  if (i >= text.size() || text[i] == '\0' || !platform::AnsiCodePage().HasLeadBytes())
    return ByteKind::Single;
  std::size_t p = start;
  while (p < i) p += PairAt(text, p) ? 2 : 1;
  if (p > i) return ByteKind::Trail;
  return IsLead(text[i]) ? ByteKind::Lead : ByteKind::Single;
}

std::string LiteralUtf8(std::u16string_view units) {
  std::string out;
  for (char16_t u : units) {
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 + (u >> 6));
      out += static_cast<char>(0x80 + (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 + (u >> 12));
      out += static_cast<char>(0x80 + ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 + (u & 0x3F));
    }
  }
  return out;
}

// The search tries matches where the record filter does: on character starts.
int LiteralFind(std::string_view needle, std::string_view haystack) {
  needle = needle.substr(0, needle.find('\0'));
  haystack = haystack.substr(0, haystack.find('\0'));
  if (needle.empty() || haystack.empty()) return 0;
  for (std::size_t pos = haystack.find(needle); pos != std::string_view::npos;
       pos = haystack.find(needle, pos + 1)) {
    std::size_t p = 0;
    // A lead byte takes the byte after it only from 0x40 up.
    while (p < pos) {
      const bool pair = IsLead(haystack[p]) && platform::AnsiCodePage().HasLeadBytes() && p + 1 < haystack.size() &&
                        static_cast<unsigned char>(haystack[p + 1]) >= 0x40;
      p += pair ? 2 : 1;
    }
    if (p == pos) return static_cast<int>(pos) + 1;
  }
  return 0;
}

int LiteralCompare(std::string_view a, std::string_view b) {
  auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; };
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const int x = fold(static_cast<unsigned char>(a[i]));
    const int y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

void CheckParts(std::string_view text, int n) {
  const std::u16string units = AnsiTextToUtf16(text);
  const int length = static_cast<int>(units.size());
  const std::size_t taken = n <= 0 ? 0 : n >= length ? units.size() : static_cast<std::size_t>(n);
  const std::string left = Utf16ToAnsiText(std::u16string_view(units).substr(0, taken));
  const std::string right = Utf16ToAnsiText(std::u16string_view(units).substr(units.size() - taken));
  const std::string gotLeft = LeftChars(text, n);
  const std::string gotRight = RightChars(text, n);
  if (gotLeft != left || gotRight != right) {
    std::fprintf(stderr, "n = %d of %d characters\n", n, length);
    fuzz::ReportPair("left", gotLeft, left);
    fuzz::ReportPair("right", gotRight, right);
    FUZZ_CHECK(gotLeft == left && gotRight == right);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const int page = kPages[provider.ConsumeIntegralInRange<std::size_t>(0, std::size(kPages) - 1)];
  platform::SetAnsiCodePage(page);
  const int n = provider.ConsumeIntegralInRange<int>(-2, 300);
  const std::string needleBytes = provider.ConsumeRandomLengthString(64);
  const std::string textBytes = provider.ConsumeRemainingBytesAsString();
  const fuzz::ExactBytes needleBlock(needleBytes);
  const fuzz::ExactBytes textBlock(textBytes);
  const std::string_view needle = needleBlock.View();
  const std::string_view text = textBlock.View();

  const std::u16string units = AnsiTextToUtf16(text);
  FUZZ_CHECK(units.size() <= text.size());
  FUZZ_CHECK(Utf16Length(text) == static_cast<int>(units.size()));
  FUZZ_CHECK(Utf16ToUtf8(units) == LiteralUtf8(units));
  const std::string utf8 = AnsiTextToUtf8(text);
  if (utf8 != LiteralUtf8(units)) {
    fuzz::ReportPair("utf-8", utf8, LiteralUtf8(units));
    FUZZ_CHECK(utf8 == LiteralUtf8(units));
  }

  CheckParts(text, n);
  const int length = static_cast<int>(units.size());
  CheckParts(text, length - 1);
  CheckParts(text, length);
  // Shortening one character at a time always ends: every step loses a unit,
  // even where re-encoding changes the bytes.
  if (length > 0) FUZZ_CHECK(Utf16Length(LeftChars(text, length - 1)) <= length - 1);

  for (std::size_t i = 0; i <= text.size(); ++i) {
    const ByteKind kind = ByteKindAt(text, 0, i);
    if (kind != WalkedKind(text, 0, i)) {
      std::fprintf(stderr, "byte kind at %zu of %s\n", i, fuzz::Hex(text).c_str());
      FUZZ_CHECK(kind == WalkedKind(text, 0, i));
    }
    const std::size_t next = NextCharacter(text, i);
    if (i >= text.size() || text[i] == '\0') {
      FUZZ_CHECK(next == i);
    } else {
      const bool pair = PairAt(text, i) && platform::AnsiCodePage().HasLeadBytes();
      FUZZ_CHECK(next == i + (pair ? 2 : 1));
    }
  }

  const int found = FindSubstring(needle, text);
  if (found != LiteralFind(needle, text)) {
    std::fprintf(stderr, "find %s in %s: %d, expected %d\n", fuzz::Hex(needle).c_str(),
                 fuzz::Hex(text).c_str(), found, LiteralFind(needle, text));
    FUZZ_CHECK(found == LiteralFind(needle, text));
  }

  const std::string trimmed = TrimBlanks(text);
  FUZZ_CHECK(text.find(trimmed) != std::string_view::npos);
  FUZZ_CHECK(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 0x20 &&
                                 static_cast<unsigned char>(trimmed.back()) > 0x20));

  const int compared = CompareAsciiNoCase(needle, text);
  FUZZ_CHECK(compared == LiteralCompare(needle, text));
  return 0;
}
