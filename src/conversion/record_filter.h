#pragma once
// Which records the filter lines leave out: a record is left out when a
// non-empty filter line (cut at its first NUL) occurs in it beginning on a
// character start; the record ends at its first NUL.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "text/line_list.h"

// Many records against one set of filter lines, in time linear in the record
// whatever the number of lines. Reads the active code page's
// lead bytes when built; memory grows with the lines' bytes.
class RecordFilter {
 public:
  // denseLimit: transitions kept in the automaton's table, the rest being
  // looked up among a state's children (tests pass a small one).
  explicit RecordFilter(const LineList& filterLines, std::size_t denseLimit = std::size_t{1} << 20);
  bool Excludes(std::string_view record) const;

 private:
  struct Scan;
  void BuildAutomaton(const std::vector<std::string_view>& lines, std::size_t denseLimit);
  void ChooseGrams(const std::vector<std::string_view>& lines);
  bool Verify(const unsigned char* bytes, std::size_t n, std::size_t from, std::size_t last, Scan& scan) const;
  std::uint32_t Step(std::uint32_t state, std::uint16_t symbol) const;
  std::uint32_t SparseStep(std::uint32_t state, std::uint16_t symbol) const;
  static unsigned SymbolIndex(bool starts, unsigned char byte);

  const platform::CharTables* tables_;  // the active code page's when built
  std::array<bool, 256> lead_{};        // its lead bytes, beside the automaton for the scan

  // Aho-Corasick automaton over the lines' bytes, each byte read together
  // with whether it begins a character: a line then only matches where it
  // begins on a character start. States in breadth-first order, so that a
  // state's children are consecutive and the shallow (busy) states first.
  std::array<std::uint16_t, 512> symbol_{};  // SymbolIndex -> symbol, 0 for none in any line
  std::size_t symbols_ = 1;
  std::vector<std::uint32_t> firstChild_;    // children of s: firstChild_[s] .. firstChild_[s + 1]
  std::vector<std::uint16_t> edge_;          // the symbol leading into each state, ascending among siblings
  std::vector<std::uint32_t> fail_;
  std::vector<std::uint32_t> info_;          // depth << 1 | a line ends here
  std::vector<std::uint32_t> dense_;         // every transition of the first states, symbols_ per state
  std::size_t denseStates_ = 0;
  std::size_t shortest_ = 0;

  // The prefilter: every line holds one of the indexed grams at a multiple of
  // step_; grams are gram_ bytes (two, or four when every line is longer than
  // four), taken at offsets 0 .. step_ - 1 of each line, one bit per key of
  // keyBits_ bits.
  std::size_t gram_ = 2;
  std::size_t step_ = 1;
  unsigned keyBits_ = 16;
  std::vector<std::uint64_t> keys_;
};
