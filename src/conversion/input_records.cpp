#include "conversion/input_records.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/code_page.h"
#include "text/byte_scan.h"
#include "text/characters.h"
#include "text/errors.h"
#include "text/line_cursor.h"

namespace {

// The double quotes of a record so far, counted to tell whether a line ends
// inside a quoted field. 0x22 is never the second byte of a double-byte
// character, so every one counts, whatever the code page.
std::size_t QuotesIn(std::string_view text) { return detail::CountByte(text.data(), text.data() + text.size(), '"'); }

// A line ends its record when it ends with a double quote and the record's
// quotes up to there are balanced: a note line that ends with a quoted word
// (doubled quotes) is still inside its field, and a last field that ends with
// a comma still closes its record.
bool EndsRecord(std::string_view line, std::size_t quotesSoFar) {
  return !line.empty() && line.back() == '"' && quotesSoFar % 2 == 0;
}

}  // namespace

RecordJoiner::RecordJoiner(LineSource& lines) : lines_(lines) {}

// A record is taken to its end line by line: a line that ends it on its own
// (the usual case) is handed out as it is, unless the caller gave a buffer;
// otherwise the lines are joined in the buffer (the caller's, or one reused)
// until the joined text ends the record.
RecordJoiner::Step RecordJoiner::Next(std::string_view& record, AnsiText* into) {
  std::string_view line;
  joinOffsets_.clear();
  if (!lines_.Next(line)) return Step::End;
  startLine_ = ++linesRead_;
  std::size_t quotes = QuotesIn(line);
  bool ends = EndsRecord(line, quotes);
  if (ends && into == nullptr) {
    record = line;
    ++count_;
    return Step::Record;
  }
  if (into == nullptr) {
    joined_.clear();
    into = &joined_;
  }
  const std::size_t start = into->size();
  into->append(line);
  while (!ends) {
    if (!lines_.Next(line)) return Step::Unfinished;
    ++linesRead_;
    joinOffsets_.push_back(into->size() - start);
    into->append(line);
    quotes += QuotesIn(line);
    ends = EndsRecord(line, quotes);
  }
  record = std::string_view(*into).substr(start);
  ++count_;
  return Step::Record;
}

ListIndexError RecordJoiner::UnfinishedError() const {
  ListIndexError error(static_cast<long long>(count_) + 1);
  error.SetPlace({static_cast<long long>(count_), startLine_});
  return error;
}

void JoinRecordLines(LineList& lines) {
  // One compacting pass: a record of one line is moved, a joined one is
  // written over the first of its lines.
  std::vector<AnsiText>& items = lines.Items();
  class ItemLines final : public LineSource {
   public:
    explicit ItemLines(const std::vector<AnsiText>& items) : items_(items) {}
    bool Next(std::string_view& line) override {
      if (read_ == items_.size()) return false;
      line = items_[read_++];
      return true;
    }
    std::size_t read_ = 0;

   private:
    const std::vector<AnsiText>& items_;
  } source(items);
  RecordJoiner joiner(source);
  std::size_t written = 0;
  std::string_view record;
  for (;;) {
    const RecordJoiner::Step step = joiner.Next(record);
    if (step == RecordJoiner::Step::End) break;
    if (step == RecordJoiner::Step::Unfinished) {
      // The item behind the last one is missing; the list keeps the joins made.
      items[written] = joiner.Joined();
      items.resize(written + 1);
      throw ListIndexError(static_cast<long long>(written) + 1);
    }
    AnsiText& last = items[source.read_ - 1];
    if (record.data() != last.data()) {
      items[written].assign(record);
    } else if (&items[written] != &last) {
      items[written] = std::move(last);
    }
    ++written;
  }
  items.resize(written);
}

bool IsFilteredOut(std::string_view record, const LineList& filterLines) {
  return RecordFilter(filterLines).Excludes(record);
}

RecordFilter::RecordFilter(const LineList& filterLines) : lead_(&platform::AnsiCodePage().Tables().lead) {
  for (const AnsiText& line : filterLines) {
    const std::string_view needle = std::string_view(line).substr(0, line.find('\0'));
    if (!needle.empty()) needles_.emplace_back(needle);
  }
  if (needles_.size() < kOnePassFrom) return;
  std::size_t shortest = needles_.front().size();
  for (const AnsiText& needle : needles_) shortest = std::min(shortest, needle.size());
  // Pairs of bytes are common in text (a kanji is one); four bytes seldom
  // are, so a longer gram is worth its shorter step.
  gramBytes_ = shortest >= 5 ? 4 : 2;
  step_ = shortest > gramBytes_ ? shortest - gramBytes_ + 1 : 1;
  keys_.assign(65536 / 64, 0);
  auto index = [this](unsigned key) { keys_[key >> 6] |= std::uint64_t{1} << (key & 63); };
  heads_.assign(needles_.size(), Head{});
  for (std::uint32_t i = 0; i < needles_.size(); ++i) {
    const AnsiText& needle = needles_[i];
    const auto* b = reinterpret_cast<const unsigned char*>(needle.data());
    Head& h = heads_[i];
    const std::size_t k = std::min<std::size_t>(4, needle.size());
    std::memcpy(&h.bytes, b, k);
    h.mask = k == 4 ? ~std::uint32_t{0} : (std::uint32_t{1} << (8 * k)) - 1;
    if (needle.size() > 4) std::memcpy(&h.tail, b + needle.size() - 4, 4);
    if (needle.size() == 1) {
      // Found where it stands before any byte, and at the record's last byte.
      oneByte_[b[0]] = true;
      for (unsigned next = 0; next < 256; ++next) index(next << 8 | b[0]);
      continue;
    }
    for (std::size_t offset = 0; offset < step_; ++offset) {
      const std::uint16_t key = KeyOf(b + offset);
      index(key);
      entries_.push_back({key, static_cast<std::uint16_t>(offset), i});
    }
  }
  // Entries grouped by a small hash of their key, each key's in the order
  // the scan needs; the groups indexed by where they begin.
  bucketBits_ = 6;
  while ((std::size_t{1} << bucketBits_) < 2 * entries_.size()) ++bucketBits_;
  std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
    const std::uint32_t ba = BucketOf(a.key);
    const std::uint32_t bb = BucketOf(b.key);
    return ba != bb ? ba < bb : a < b;
  });
  bucketStart_.assign((std::size_t{1} << bucketBits_) + 1, 0);
  for (const Entry& e : entries_) ++bucketStart_[BucketOf(e.key) + 1];
  for (std::size_t k = 1; k < bucketStart_.size(); ++k) bucketStart_[k] += bucketStart_[k - 1];
}

bool RecordFilter::Excludes(std::string_view record) const {
  if (needles_.size() >= kOnePassFrom) return ExcludesInOnePass(record);
  for (const AnsiText& needle : needles_) {
    if (FindSubstringIndex(needle, record) != std::string_view::npos) return true;
  }
  return false;
}

// The record's grams at every step_-th position are looked up in the set of
// the lines' indexed keys; only a hit compares whole lines (their first four
// bytes first), and only a match asks whether it begins on a character
// start. Character starts are counted forward once, as FindSubstring counts
// them (a lead byte and the byte after it): the starts tried only ever grow,
// so the loop over the bytes has no branch that depends on the text's
// characters.
bool RecordFilter::ExcludesInOnePass(std::string_view record) const {
  // The record ends at its first NUL. A line holds no NUL, so a match lies
  // wholly before or after it: only a match found asks whether a NUL comes
  // before it, and the record is not searched for one first.
  const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
  const std::size_t n = record.size();
  const std::array<bool, 256>& lead = *lead_;
  std::size_t boundary = 0;
  auto startsCharacter = [&](std::size_t i) {
    while (boundary < i) boundary += lead[bytes[boundary]] ? 2 : 1;
    return boundary == i && std::memchr(bytes, '\0', i) == nullptr;
  };
  auto lineAt = [&](std::size_t start, std::uint32_t line) {
    std::uint32_t head = 0;
    if (n - start >= 4) {
      std::memcpy(&head, bytes + start, 4);
    } else {
      std::memcpy(&head, bytes + start, n - start);
    }
    const Head& h = heads_[line];
    if ((head & h.mask) != h.bytes) return false;
    const AnsiText& needle = needles_[line];
    if (needle.size() > n - start) return false;
    if (needle.size() <= 4) return true;
    std::uint32_t tail;
    std::memcpy(&tail, bytes + start + needle.size() - 4, 4);
    return tail == h.tail && std::memcmp(bytes + start + 4, needle.data() + 4, needle.size() - 4) == 0;
  };
  auto check = [&](std::size_t j) {
    if (oneByte_[bytes[j]] && startsCharacter(j)) return true;
    const std::uint16_t key = KeyOf(bytes + j);
    const std::uint32_t bucket = BucketOf(key);
    const Entry* const last = entries_.data() + bucketStart_[bucket + 1];
    for (const Entry* it = entries_.data() + bucketStart_[bucket]; it != last; ++it) {
      if (it->key != key) continue;
      if (it->offset > j) continue;
      const std::size_t start = j - it->offset;
      if (lineAt(start, it->line) && startsCharacter(start)) return true;
    }
    return false;
  };
  // A bit per key: the set stays in the first-level cache.
  const std::uint64_t* const table = keys_.data();
  auto bit = [table](unsigned key) { return static_cast<unsigned>(table[key >> 6] >> (key & 63)) & 1u; };
  const std::size_t gram = gramBytes_;
  std::size_t j = 0;
  if (step_ == 1 && gram == 2) {
    // Four pairs out of one eight-byte load: the table is indexed by a byte
    // and the next one as a little-endian pair.
    for (; j + 8 <= n; j += 4) {
      std::uint64_t w;
      std::memcpy(&w, bytes + j, sizeof w);
      const unsigned h0 = bit(w & 0xFFFF);
      const unsigned h1 = bit((w >> 8) & 0xFFFF);
      const unsigned h2 = bit((w >> 16) & 0xFFFF);
      const unsigned h3 = bit((w >> 24) & 0xFFFF);
      if (!(h0 | h1 | h2 | h3)) continue;
      if ((h0 && check(j)) || (h1 && check(j + 1)) || (h2 && check(j + 2)) || (h3 && check(j + 3))) return true;
    }
  }
  const std::size_t step = step_;
  auto hitAt = [&](std::size_t at) { return bit(KeyOf(bytes + at)); };
  // Four positions a round, one branch for all of them in the usual case.
  for (; j + 3 * step + gram <= n; j += 4 * step) {
    if (!(hitAt(j) | hitAt(j + step) | hitAt(j + 2 * step) | hitAt(j + 3 * step))) continue;
    for (std::size_t k = 0; k < 4; ++k) {
      if (hitAt(j + k * step) && check(j + k * step)) return true;
    }
  }
  for (; j + gram <= n; j += step) {
    if (hitAt(j) && check(j)) return true;
  }
  return n > 0 && oneByte_[bytes[n - 1]] && startsCharacter(n - 1);
}

namespace detail {

std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined) {
  TextLines lines(text);
  RecordJoiner joiner(lines);
  std::vector<std::string_view> records;
  std::string_view record;
  for (;;) {
    const RecordJoiner::Step step = joiner.Next(record);
    if (step == RecordJoiner::Step::End) break;
    if (step == RecordJoiner::Step::Unfinished) throw joiner.UnfinishedError();
    // A record of one line is a view into text; a joined one is kept.
    const bool wasJoined = record.data() == joiner.Joined().data();
    records.push_back(wasJoined ? std::string_view(joined.emplace_back(record)) : record);
  }
  return records;
}

}  // namespace detail

