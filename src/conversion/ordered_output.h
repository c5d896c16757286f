#pragma once
// Records taken in their order: each UID's occurrence number is counted as
// the record is written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "conversion/block_output.h"

// How many records with each hash were seen so far. Hashes seen once live in
// a compact table (a run touches it once per record); the rare repeats are
// counted apart.
class OccurrenceCounter {
 public:
  // Counts one more record with this hash and returns its number, from 1.
  std::uint32_t Count(std::uint64_t hash);
  // Starts loading the hash's slot, so that a Count after other work finds
  // it in the cache.
  void Prefetch(std::uint64_t hash) const { __builtin_prefetch(slots_.data() + (hash & (slots_.size() - 1))); }

 private:
  void Grow();
  std::vector<std::uint64_t> slots_ = std::vector<std::uint64_t>(1024);  // 0: free (the hash 0 is counted apart)
  std::size_t used_ = 0;
  std::uint32_t zeros_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t> repeats_;  // records after the first
};

// An output that holds what it is given (single blocks, the preview), or,
// derived, hands it on.
class OrderedOutput : public BlockOutput {
 public:
  OrderedOutput(AnsiText& text, OccurrenceCounter& counter) : BlockOutput(text), counter_(counter) {}
  void AppendOccurrence(std::uint64_t hash) override { text_->append(std::to_string(counter_.Count(hash))); }
  void ExpectOccurrence(std::uint64_t hash) override { counter_.Prefetch(hash); }

 protected:
  OrderedOutput(AnsiText& text, OccurrenceCounter& counter, std::size_t handOnAt)
      : BlockOutput(text, handOnAt), counter_(counter) {}

 private:
  OccurrenceCounter& counter_;
};
