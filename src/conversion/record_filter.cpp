#include "conversion/record_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/code_page.h"
#include "text/character_cursor.h"
#include "text/text_settings.h"

namespace {

// A gram's key: a pair of bytes is its own key (second << 8 | first, as a
// little-endian load gives it); four bytes are hashed to the bits of mask.
// The shift is fixed and the mask is not, which spares a shift by a
// register at every gram.
template <std::size_t Gram>
unsigned KeyOf(const unsigned char* gram, unsigned mask) {
  if constexpr (Gram == 2) {
    return static_cast<unsigned>(gram[0] | gram[1] << 8);
  } else {
    std::uint32_t bytes;
    std::memcpy(&bytes, gram, 4);
    return static_cast<unsigned>((bytes * 0x9E3779B97F4A7C15u) >> 40) & mask;
  }
}

// Calls around(j) at every j, a multiple of step whose gram fits in the
// text, that holds an indexed key, until it returns true. Gives the multiple
// after the last one read.
template <std::size_t Gram, typename Around>
std::size_t ScanGrams(const unsigned char* bytes, std::size_t n, std::size_t step, const std::uint64_t* keys,
                      unsigned mask, bool& found, Around around) {
  auto bit = [keys](unsigned key) { return static_cast<unsigned>(keys[key >> 6] >> (key & 63)) & 1u; };
  auto hitAt = [&](std::size_t at) { return bit(KeyOf<Gram>(bytes + at, mask)); };
  std::size_t j = 0;
  if (Gram == 2 && step == 1) {
    // Four pairs out of one eight-byte load.
    for (; !found && j + 8 <= n; j += 4) {
      std::uint64_t w;
      std::memcpy(&w, bytes + j, sizeof w);
      const unsigned h0 = bit(w & 0xFFFF);
      const unsigned h1 = bit((w >> 8) & 0xFFFF);
      const unsigned h2 = bit((w >> 16) & 0xFFFF);
      const unsigned h3 = bit((w >> 24) & 0xFFFF);
      if (!(h0 | h1 | h2 | h3)) continue;
      found = (h0 && around(j)) || (h1 && around(j + 1)) || (h2 && around(j + 2)) || (h3 && around(j + 3));
    }
  }
  // Four positions a round, one branch for all of them in the usual case.
  for (; !found && j + 3 * step + Gram <= n; j += 4 * step) {
    if (!(hitAt(j) | hitAt(j + step) | hitAt(j + 2 * step) | hitAt(j + 3 * step))) continue;
    for (std::size_t k = 0; !found && k < 4; ++k) found = hitAt(j + k * step) && around(j + k * step);
  }
  for (; !found && j + Gram <= n; j += step) found = hitAt(j) && around(j);
  return j;
}

}  // namespace

// Where the automaton is: the state after bytes [0, pos), and whether the
// byte before pos is a lead byte on a character start (CharacterCursor's
// byte-at-a-time form).
struct RecordFilter::Scan {
  std::size_t pos = 0;
  std::uint32_t state = 0;
  bool open = false;
};

// A byte's index in symbol_: the byte, then whether it begins a character.
// Byte first, so that a state's children, which come out of the sorted lines
// in the order of their bytes, also come out in the order of their symbols
// (SparseStep searches them so), whichever of them begin a character.
unsigned RecordFilter::SymbolIndex(bool starts, unsigned char byte) {
  return static_cast<unsigned>(byte) << 1 | (starts ? 1u : 0u);
}

RecordFilter::RecordFilter(const LineList& filterLines, std::size_t denseLimit)
    : tables_(&ActiveCodePage().Tables()), lead_(tables_->lead) {
  std::vector<std::string_view> lines;
  for (const AnsiText& line : filterLines) {
    const std::string_view text = std::string_view(line).substr(0, line.find('\0'));
    if (!text.empty()) lines.push_back(text);
  }
  if (lines.empty()) return;
  // A line that begins with another one adds nothing: the shorter matches
  // wherever the longer does.
  std::sort(lines.begin(), lines.end());
  std::size_t kept = 0;
  for (const std::string_view line : lines) {
    if (kept == 0 || !line.starts_with(lines[kept - 1])) lines[kept++] = line;
  }
  lines.resize(kept);
  BuildAutomaton(lines, denseLimit);
  ChooseGrams(lines);
}

// The trie is built level by level from the sorted lines: a state stands for
// the lines [lo, hi) that share its bytes, and its children split them by
// their next byte, so states come out in breadth-first order.
void RecordFilter::BuildAutomaton(const std::vector<std::string_view>& lines, std::size_t denseLimit) {
  // Whether a character begins after a line's first bytes depends on those
  // bytes only, so lines that share them share their symbols.
  for (const std::string_view line : lines) {
    bool open = false;
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      const bool starts = CharacterCursor::StartsWith(open, byte);
      symbol_[SymbolIndex(starts, byte)] = 1;
      open = CharacterCursor::OpensPair(lead_, starts, byte);
    }
  }
  for (std::uint16_t& s : symbol_) s = s != 0 ? static_cast<std::uint16_t>(symbols_++) : 0;

  struct Range {
    std::uint32_t lo, hi;
    bool open;  // the state's last byte is a lead byte on a character start
  };
  std::vector<Range> level = {{0, static_cast<std::uint32_t>(lines.size()), false}};
  edge_.push_back(0);
  info_.push_back(0);
  for (std::size_t depth = 0; !level.empty(); ++depth) {
    std::vector<Range> next;
    for (const Range& r : level) {
      firstChild_.push_back(static_cast<std::uint32_t>(edge_.size()));
      if (lines[r.lo].size() == depth) continue;  // a line ends here, and no other line goes on (kept above)
      for (std::uint32_t k = r.lo; k < r.hi;) {
        const auto byte = static_cast<unsigned char>(lines[k][depth]);
        std::uint32_t end = k + 1;
        while (end < r.hi && static_cast<unsigned char>(lines[end][depth]) == byte) ++end;
        const bool starts = CharacterCursor::StartsWith(r.open, byte);
        edge_.push_back(symbol_[SymbolIndex(starts, byte)]);
        info_.push_back(static_cast<std::uint32_t>(depth + 1) << 1 | (lines[k].size() == depth + 1 ? 1u : 0u));
        next.push_back({k, end, CharacterCursor::OpensPair(lead_, starts, byte)});
        k = end;
      }
    }
    level = std::move(next);
  }
  firstChild_.push_back(static_cast<std::uint32_t>(edge_.size()));

  // Failure links, the states that end a line through one, and the full
  // transitions of the first states, all in breadth-first order: each needs
  // only states before it.
  const std::size_t states = edge_.size();
  denseStates_ = std::min(states, std::max<std::size_t>(1, denseLimit / symbols_));
  dense_.assign(denseStates_ * symbols_, 0);
  fail_.assign(states, 0);
  for (std::uint32_t s = 0; s < states; ++s) {
    if (s < denseStates_ && s != 0) {
      std::copy_n(dense_.begin() + static_cast<std::ptrdiff_t>(fail_[s] * symbols_), symbols_,
                  dense_.begin() + static_cast<std::ptrdiff_t>(s * symbols_));
    }
    for (std::uint32_t t = firstChild_[s]; t < firstChild_[s + 1]; ++t) {
      fail_[t] = s == 0 ? 0 : Step(fail_[s], edge_[t]);
      info_[t] |= info_[fail_[t]] & 1u;
      if (s < denseStates_) dense_[s * symbols_ + edge_[t]] = t;
    }
  }
}

std::uint32_t RecordFilter::Step(std::uint32_t state, std::uint16_t symbol) const {
  if (state < denseStates_) return dense_[state * symbols_ + symbol];
  return SparseStep(state, symbol);
}

// A state beyond the table: its child, or the step from its failure link.
// Each failure link leads to a shallower state, so over a text the links
// followed are no more than the bytes read.
std::uint32_t RecordFilter::SparseStep(std::uint32_t state, std::uint16_t symbol) const {
  if (symbol == 0) return 0;
  while (state >= denseStates_) {
    const auto first = edge_.begin() + firstChild_[state];
    const auto last = edge_.begin() + firstChild_[state + 1];
    const auto it = std::lower_bound(first, last, symbol);
    if (it != last && *it == symbol) return static_cast<std::uint32_t>(it - edge_.begin());
    state = fail_[state];
  }
  return dense_[state * symbols_ + symbol];
}

// A longer step reads fewer grams but indexes more of them, and every key
// that a record holds sends the automaton over up to a step of bytes: the
// step with the least expected cost per byte is taken, counting the grams
// indexed, against the 2^16 pairs of bytes, as the chance that a record holds
// one. The set of keys has a bit per key, 2^16 of them (8 KiB, in the
// first-level cache) unless many grams of four bytes need more so that few
// keys are shared by chance.
void RecordFilter::ChooseGrams(const std::vector<std::string_view>& lines) {
  shortest_ = lines.front().size();
  for (const std::string_view line : lines) shortest_ = std::min(shortest_, line.size());
  gram_ = shortest_ >= 5 ? 4 : 2;
  const std::size_t longest = shortest_ > gram_ ? std::min<std::size_t>(shortest_ - gram_ + 1, 64) : 1;
  const unsigned mostBits = gram_ == 4 ? 20 : 16;
  auto bitsFor = [mostBits](std::size_t keys) {
    unsigned bits = 16;
    while (bits < mostBits && keys * 32 > std::size_t{1} << bits) ++bits;
    return bits;
  };
  std::size_t indexed = 0;
  auto index = [&](unsigned key) {
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    indexed += (keys_[key >> 6] & bit) == 0;
    keys_[key >> 6] |= bit;
  };
  auto indexOffsets = [&](std::size_t from, std::size_t to) {
    for (std::size_t offset = from; offset < to; ++offset) {
      for (const std::string_view line : lines) {
        const auto* b = reinterpret_cast<const unsigned char*>(line.data());
        if (line.size() < gram_) {
          // A line of one byte: found where it stands before any byte, or
          // as a record's last byte (the tail verified after the scan).
          for (unsigned next = 0; next < 256; ++next) index(next << 8 | b[0]);
        } else {
          index(gram_ == 2 ? KeyOf<2>(b + offset, 0xFFFF) : KeyOf<4>(b + offset, (1u << keyBits_) - 1));
        }
      }
    }
  };
  // Grams are counted in the largest set first.
  keyBits_ = mostBits;
  keys_.assign((std::size_t{1} << keyBits_) / 64, 0);
  double bestCost = HUGE_VAL;
  std::size_t bestKeys = 0;
  for (std::size_t step = 1; step <= longest; ++step) {
    indexOffsets(step - 1, step);
    const double hit = static_cast<double>(indexed) / 65536.0;
    const double cost = (1.0 + hit * static_cast<double>(step + 8)) / static_cast<double>(step);
    if (cost < bestCost) bestCost = cost, step_ = step, bestKeys = indexed;
    if (hit > 0.5) break;
  }
  keyBits_ = bitsFor(bestKeys);
  keys_.assign((std::size_t{1} << keyBits_) / 64, 0);
  indexOffsets(0, step_);
}

// Runs the automaton until every match beginning in [from, last] has been
// seen: true at the first match, with scan.pos where it ends. A scan that
// has already passed from goes on where it stands (the states it may hold
// are all of lines that could still begin at or after from).
bool RecordFilter::Verify(const unsigned char* bytes, std::size_t n, std::size_t from, std::size_t last,
                          Scan& scan) const {
  if (from > scan.pos) {
    // Whether a pair is open at from (only a lead byte before it can open
    // one), walking on from the last character start the scan knows of.
    bool open = false;
    if (lead_[bytes[from - 1]]) {
      const std::size_t known = scan.pos - (scan.open ? 1 : 0);
      CharacterCursor characters(*tables_, std::string_view(reinterpret_cast<const char*>(bytes) + known, n - known),
                                 CharacterCursor::Use::Searching);
      open = CharacterCursor::OpensPair(lead_, characters.StartsAt(from - 1 - known), bytes[from - 1]);
    }
    scan = {from, 0, open};
  }
  // Kept in locals: stores through scan would make the tables be read again
  // at every byte.
  std::size_t pos = scan.pos;
  std::uint32_t state = scan.state;
  bool open = scan.open;
  const std::uint32_t* const info = info_.data();
  bool matched = false;
  while (pos < n && pos - (info[state] >> 1) <= last) {
    const unsigned char byte = bytes[pos];
    const bool starts = CharacterCursor::StartsWith(open, byte);
    state = Step(state, symbol_[SymbolIndex(starts, byte)]);
    open = CharacterCursor::OpensPair(lead_, starts, byte);
    ++pos;
    if (info[state] & 1u) {
      matched = true;
      break;
    }
  }
  scan = {pos, state, open};
  return matched;
}

// The record's grams at every step_-th position are looked up in the set of
// indexed keys; the automaton runs only around a hit, from a step before it,
// and so sees every match: a match beginning at p holds an indexed gram at
// the first multiple of step_ from p on.
bool RecordFilter::Excludes(std::string_view record) const {
  if (info_.empty()) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
  const std::size_t n = record.size();
  Scan scan;
  const std::size_t step = step_;
  auto around = [&](std::size_t j) { return Verify(bytes, n, j >= step - 1 ? j - (step - 1) : 0, j, scan); };
  bool found = false;
  const std::size_t j = gram_ == 2 ? ScanGrams<2>(bytes, n, step, keys_.data(), 0xFFFF, found, around)
                                   : ScanGrams<4>(bytes, n, step, keys_.data(), (1u << keyBits_) - 1, found, around);
  // Lines may begin after the last step whose gram fits (lines of one byte,
  // or a step shorter than the shortest line allows).
  if (!found && n >= shortest_) {
    const std::size_t from = j >= step - 1 ? j - (step - 1) : 0;
    if (from <= n - shortest_) found = Verify(bytes, n, from, n - shortest_, scan);
  }
  // A line holds no NUL, and matches are found in the order they end: the
  // first lies wholly before the record's first NUL, or none does.
  return found && std::memchr(bytes, '\0', scan.pos) == nullptr;
}
