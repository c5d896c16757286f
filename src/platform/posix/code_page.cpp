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
// Encoding (UTF-16 -> bytes): each unit on its own through a reverse table.
// The units the page's own characters decode to are filled in up front; any
// other unit is asked of iconv the first time it is met. A unit without a
// character (including every surrogate unit) becomes "?", the default
// character of these pages.
//
// The tables are built with a few bulk conversions (one per lead byte), not
// one iconv call per character: a one-appointment conversion starts in
// well under a millisecond.
#include <iconv.h>

#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/decode_table.h"

namespace platform {
namespace {

using detail::kNoBytes;
constexpr char16_t kReplacement = detail::kReplacementUnit;
// The reverse-table value for "not asked yet"; no page here has 0xFF as a
// lead byte.
constexpr std::uint16_t kNotAsked = 0xFFFE;

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

// The one wrapper of an iconv descriptor: opened once, closed on every path.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // One step of iconv(3) from *in into *out; false with errno set when it
  // stopped early (EILSEQ at *in, EINVAL, E2BIG).
  bool Step(const char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
    return iconv(cd_, const_cast<char**>(in), inLeft, out, outLeft) != static_cast<std::size_t>(-1);
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  // Converts the whole of `in`; false when iconv rejects any of it.
  bool Convert(const void* in, std::size_t inSize, char* out, std::size_t outSize, std::size_t* written) {
    Reset();
    const char* src = static_cast<const char*>(in);
    char* dst = out;
    std::size_t inLeft = inSize;
    std::size_t outLeft = outSize;
    if (!Step(&src, &inLeft, &dst, &outLeft)) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &outLeft) == static_cast<std::size_t>(-1)) return false;
    if (inLeft != 0) return false;
    *written = outSize - outLeft;
    return true;
  }

 private:
  iconv_t cd_;
};

// iconv's own wide characters (UCS-4 in native order): converting to and from
// them is one step in glibc, where UTF-16 would take two.
constexpr const char* kWide = "WCHAR_T";
static_assert(sizeof(wchar_t) == 4);

// The UTF-16 unit of one wide character; the replacement outside the BMP and
// for surrogates.
char16_t UnitOf(char32_t c) {
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return static_cast<char16_t>(c);
}

// One UTF-16 unit for the bytes, or the replacement when they are not exactly
// one character.
char16_t DecodeOne(Iconv& toWide, const unsigned char* bytes, std::size_t n) {
  char32_t out[2];
  std::size_t written = 0;
  if (!toWide.Convert(bytes, n, reinterpret_cast<char*>(out), sizeof out, &written) || written != sizeof(char32_t))
    return kReplacement;
  return UnitOf(out[0]);
}

// Many small conversions in one iconv call: each piece is followed by a line
// feed, which every page here carries as the byte 0x0A, so the output splits
// back into one result per piece. Piece i's result is out[starts[i],
// starts[i + 1]); a piece that iconv rejects gets rejected[i] and an empty
// result, and the conversion goes on after it. Gives up (false) when the
// output does not split into exactly one result per piece; the caller then
// converts piece by piece.
template <typename Unit>
struct Pieces {
  std::vector<Unit> out;
  std::vector<std::uint32_t> starts;
  std::vector<std::uint8_t> rejected;
  std::basic_string_view<Unit> Result(std::size_t i) const {
    return {out.data() + starts[i], starts[i + 1] - starts[i]};
  }
};

template <typename Unit>
bool ConvertPieces(Iconv& cd, const std::vector<char>& input, std::size_t pieceSize, Pieces<Unit>& result) {
  const std::size_t pieces = input.size() / pieceSize;
  // No piece gives more units than it has bytes (a byte decodes to at most
  // one character, a wide character encodes to at most its four bytes); an
  // output that did not fit would only send the caller the slow way.
  result.out.assign(input.size() + 8, Unit{});
  result.starts.assign(1, 0);
  result.rejected.assign(pieces, 0);
  const Unit separator = Unit{0x0A};
  std::size_t kept = 0;  // units of finished pieces
  std::size_t from = 0;
  cd.Reset();
  while (from < input.size()) {
    const char* src = input.data() + from;
    std::size_t inLeft = input.size() - from;
    char* const begin = reinterpret_cast<char*>(result.out.data() + kept);
    char* dst = begin;
    std::size_t outLeft = (result.out.size() - kept) * sizeof(Unit);
    const bool done = cd.Step(&src, &inLeft, &dst, &outLeft);
    const int error = errno;
    const std::size_t produced = static_cast<std::size_t>(dst - begin) / sizeof(Unit);
    // The separators are dropped as the results are moved together.
    std::size_t w = kept;
    for (std::size_t i = kept; i < kept + produced; ++i) {
      const Unit u = result.out[i];
      if (u != separator) {
        result.out[w++] = u;
      } else {
        if (result.starts.size() > pieces) return false;
        result.starts.push_back(static_cast<std::uint32_t>(w));
      }
    }
    const std::size_t finished = result.starts.size() - 1;
    kept = result.starts.back();
    if (done) {
      if (w != kept || finished != pieces) return false;
      break;
    }
    if (error != EILSEQ) return false;
    // Output of a piece cut short is dropped with it.
    const std::size_t failed = static_cast<std::size_t>(src - input.data()) / pieceSize;
    if (failed != finished || failed >= pieces) return false;
    result.rejected[failed] = 1;
    result.starts.push_back(static_cast<std::uint32_t>(kept));
    from = (failed + 1) * pieceSize;
    cd.Reset();
  }
  return result.starts.size() == pieces + 1;
}

class TableCodePage final : public CodePage {
 public:
  TableCodePage(int number, const std::string& iconvName) : CodePage(number), iconvName_(iconvName) {
    Iconv toWide(kWide, iconvName.c_str());
    if (!toWide.ok()) throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    const ByteRanges ranges = RangesFor(number);
    for (unsigned b = 0; b < 256; ++b) {
      table_.lead[b] = ranges.lead != nullptr && ranges.lead(b);
      trail_[b] = ranges.trail != nullptr && ranges.trail(b);
      table_.hasLeadBytes = table_.hasLeadBytes || table_.lead[b];
      const unsigned char byte = static_cast<unsigned char>(b);
      table_.single[b] = table_.lead[b] ? kReplacement : DecodeOne(toWide, &byte, 1);
    }
    if (table_.hasLeadBytes) BuildPairs(toWide);
    reverse_.Allocate();
    BuildReverse();
  }

 protected:
  const detail::DecodeTable& Decoding() const override { return table_; }
  std::uint16_t ReverseEntry(char16_t unit) const override {
    const std::uint16_t stored = std::atomic_ref<std::uint16_t>(reverse_[unit]).load(std::memory_order_relaxed);
    return stored == 0 ? AskReverse(unit) : static_cast<std::uint16_t>(stored ^ kNotAsked);
  }

 private:
  // Every lead byte's row in one conversion of all its candidate pairs.
  void BuildPairs(Iconv& toWide) {
    table_.pair.Allocate();
    std::vector<char> input;
    Pieces<char32_t> pieces;
    for (unsigned l = 0; l < 256; ++l) {
      if (!table_.lead[l]) continue;
      input.clear();
      for (unsigned t = 0; t < 256; ++t) {
        if (!trail_[t]) continue;
        input.push_back(static_cast<char>(l));
        input.push_back(static_cast<char>(t));
        input.push_back('\n');
      }
      const bool split = ConvertPieces(toWide, input, 3, pieces);
      for (std::size_t i = 0; i < input.size() / 3; ++i) {
        const auto t = static_cast<unsigned char>(input[i * 3 + 1]);
        char16_t unit = kReplacement;
        if (!split) {
          const unsigned char bytes[2] = {static_cast<unsigned char>(l), t};
          unit = DecodeOne(toWide, bytes, 2);
        } else if (const std::u32string_view r = pieces.Result(i); !pieces.rejected[i] && r.size() == 1) {
          unit = UnitOf(r[0]);
        }
        table_.pair[(l << 8) | t] = unit;
      }
    }
  }

  // The units this page's characters decode to are asked up front, in one
  // conversion; any other unit is asked the first time it is converted.
  void BuildReverse() {
    std::vector<std::uint64_t> seen(65536 / 64, 0);
    auto see = [&seen](char16_t u) { seen[u >> 6] |= std::uint64_t{1} << (u & 63); };
    for (char16_t u : table_.single) see(u);
    for (unsigned l = 0; l < 256; ++l) {
      if (!table_.lead[l]) continue;
      for (unsigned t = 0; t < 256; ++t) {
        if (trail_[t]) see(table_.pair[l << 8 | t]);
      }
    }
    seen[0x0A >> 6] &= ~(std::uint64_t{1} << (0x0A & 63));
    for (unsigned u = 0xD800; u <= 0xDFFF; u += 64) seen[u >> 6] = 0;
    // Each unit as a wide character and a line feed.
    std::vector<char> input;
    input.reserve(65536);
    for (std::size_t word = 0; word < seen.size(); ++word) {
      for (std::uint64_t bits = seen[word]; bits != 0; bits &= bits - 1) {
        const char32_t piece[2] = {static_cast<char32_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits))),
                                   U'\n'};
        input.insert(input.end(), reinterpret_cast<const char*>(piece), reinterpret_cast<const char*>(piece + 2));
      }
    }
    Iconv fromWide(iconvName_.c_str(), kWide);
    Pieces<char> pieces;
    if (!fromWide.ok() || !ConvertPieces(fromWide, input, 8, pieces)) return;
    for (std::size_t i = 0; i < input.size() / 8; ++i) {
      char32_t u;
      std::memcpy(&u, input.data() + i * 8, sizeof u);
      // Before the page is shared: plain stores.
      reverse_[u] = Stored(pieces.rejected[i] ? kNoBytes : table_.AsCharacter(pieces.Result(i)));
    }
  }

  std::uint16_t AskReverse(char16_t u) const {
    std::uint16_t v = kNoBytes;
    if (u < 0xD800 || u > 0xDFFF) {
      Iconv fromWide(iconvName_.c_str(), kWide);
      const char32_t in = u;
      char out[8];
      std::size_t written = 0;
      if (fromWide.ok() && fromWide.Convert(&in, sizeof in, out, sizeof out, &written))
        v = table_.AsCharacter(std::string_view(out, written));
    }
    std::atomic_ref<std::uint16_t>(reverse_[u]).store(Stored(v), std::memory_order_relaxed);
    return v;
  }

  std::string iconvName_;
  // The bytes that may follow a lead byte in a pair, from the page's ranges.
  std::array<bool, 256> trail_{};
  detail::DecodeTable table_;
  // Entries are kept as entry ^ kNotAsked, so that the zeroed memory of units
  // not asked yet means just that and is never touched. Answers are written
  // at most once per value (through atomic_ref once the page is shared), so
  // concurrent readers see either state.
  static std::uint16_t Stored(std::uint16_t entry) { return static_cast<std::uint16_t>(entry ^ kNotAsked); }
  mutable detail::ZeroedTable<std::uint16_t> reverse_;
};

}  // namespace

namespace detail {

std::unique_ptr<CodePage> MakeSystemCodePage(int number) {
  return std::make_unique<TableCodePage>(number, "CP" + std::to_string(number));
}

// The profile's page decides; ja-JP's until one is chosen.
int DefaultAnsiCodePageNumber() { return 932; }

}  // namespace detail
}  // namespace platform
