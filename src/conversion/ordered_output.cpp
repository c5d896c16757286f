#include "conversion/ordered_output.h"

std::uint32_t OccurrenceCounter::Count(std::uint64_t hash) {
  if (hash == 0) return ++zeros_;
  // Open addressing over the hash's own bits, at most three quarters full.
  if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (slots_[i] == hash) return 1 + ++repeats_[hash];
    if (slots_[i] == 0) {
      slots_[i] = hash;
      ++used_;
      return 1;
    }
  }
}

void OccurrenceCounter::Grow() {
  std::vector<std::uint64_t> old(2 * slots_.size());
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint64_t hash : old) {
    if (hash == 0) continue;
    std::size_t i = hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = hash;
  }
}
