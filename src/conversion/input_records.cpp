#include "conversion/input_records.h"

#include <cstring>
#include <utility>

#include "conversion/record_text.h"

#include "conversion/character_walk.h"
#include "text/char_tables.h"
#include "text/characters.h"
#include "text/errors.h"

namespace {

// The last two characters of a record that grows line by line, found without
// walking its text again after each join.
class RecordEnd {
 public:
  explicit RecordEnd(const detail::CharacterWalk& walk) : walk_(walk) {}

  // Starts over on a new item.
  void Reset(std::string_view text) {
    last_ = previous_ = kNone;
    // Begin a few bytes before the end, at a point where a character starts.
    std::size_t from = text.size() >= 4 ? text.size() - 4 : 0;
    while (!walk_.IsSafeStart(text, from)) --from;
    Walk(text, from);
  }

  // The item has grown by the bytes from oldSize on.
  void Grow(std::string_view text, std::size_t oldSize) {
    std::size_t from = text.size() >= 4 ? text.size() - 4 : 0;
    while (from > oldSize && !walk_.IsSafeStart(text, from)) --from;
    if (from >= oldSize && walk_.IsSafeStart(text, from)) {
      last_ = previous_ = kNone;
      Walk(text, from);
      return;
    }
    // A lone lead byte at the old end may pair with the first new byte, so the
    // walk resumes at the last character; before it nothing changes.
    const std::size_t resume = last_ == kNone ? 0 : last_;
    last_ = previous_;
    previous_ = kNone;
    Walk(text, resume);
  }

  // The bytes from which RightChars(text, 2) reads the same as of the whole.
  std::string_view Tail(std::string_view text) const {
    if (previous_ != kNone) return text.substr(previous_);
    if (last_ != kNone) return text.substr(last_);
    return text;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void Walk(std::string_view text, std::size_t p) {
    while (p < text.size()) {
      previous_ = last_;
      last_ = p;
      p = walk_.Next(text, p);
    }
  }

  const detail::CharacterWalk& walk_;
  std::size_t last_ = kNone;
  std::size_t previous_ = kNone;
};

// True when text holds at most two characters and each of them comes back
// unchanged from the round trip through UTF-16.
bool TailSurvivesRoundTrip(std::string_view text) {
  const detail::CharTables& t = detail::ActiveCharTables();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  for (int characters = 0; p < end; ++characters) {
    std::size_t length = 1;
    if (characters == 2 || !(detail::CharacterAt(t, p, end, &length).info & detail::kRoundTrips)) return false;
    p += length;
  }
  return true;
}

// A line ends its record when its last two characters are not a comma and a
// double quote but its last character is a double quote.
bool EndsRecord(std::string_view tail) {
  // RightChars re-encodes the characters through UTF-16; when the tail holds
  // at most two characters that all survive that round trip (the usual case)
  // it would give back the tail's own bytes.
  AnsiText converted;
  std::string_view lastTwo = tail;
  if (!TailSurvivesRoundTrip(tail)) lastTwo = converted = RightChars(tail, 2);
  if (lastTwo == ",\"") return false;
  return !lastTwo.empty() && lastTwo.back() == '"';
}

// The common line end, decided without a conversion: a double quote after an
// ASCII character other than a comma, both standing alone. ASCII characters
// come back from the round trip through UTF-16 unchanged.
bool EndsWithAsciiQuote(std::string_view line, const detail::CharacterWalk& walk) {
  const std::size_t n = line.size();
  if (n < 2 || line[n - 1] != '"') return false;
  const auto before = static_cast<unsigned char>(line[n - 2]);
  return before < 0x80 && before != ',' && walk.IsSafeStart(line, n - 2);
}

}  // namespace

void JoinRecordLines(LineList& lines) {
  // One compacting pass: every line is moved once and appended to its record
  // once, however many lines a record spans.
  std::vector<AnsiText>& items = lines.Items();
  const std::size_t count = items.size();
  const detail::CharacterWalk& walk = detail::ActiveCharacterWalk();
  RecordEnd end(walk);
  std::size_t written = 0;
  std::size_t read = 0;
  while (read < count) {
    AnsiText record = std::move(items[read++]);
    if (EndsWithAsciiQuote(record, walk)) {
      items[written++] = std::move(record);
      continue;
    }
    end.Reset(record);
    while (!EndsRecord(end.Tail(record))) {
      if (read == count) {
        // The item behind the last one is missing; the list keeps the joins made.
        items[written] = std::move(record);
        items.resize(written + 1);
        throw ListIndexError(static_cast<long long>(written) + 1);
      }
      const std::size_t oldSize = record.size();
      record += items[read];
      AnsiText().swap(items[read++]);
      end.Grow(record, oldSize);
    }
    items[written++] = std::move(record);
  }
  items.resize(written);
}

bool IsFilteredOut(std::string_view record, const LineList& filterLines) {
  for (const AnsiText& filter : filterLines) {
    if (!filter.empty() && FindSubstringIndex(filter, record) != std::string_view::npos) return true;
  }
  return false;
}

namespace detail {

std::vector<std::string_view> SplitIntoRecords(std::string_view text, std::deque<AnsiText>& joined,
                                               std::vector<long long>* startLines, LineBreakList* breaks) {
  // The lines as the line list would hold them: the text ends at its first
  // NUL, and CR LF, a lone CR or a lone LF each end one line.
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t p = 0;
  // The next LF is remembered, so text whose lines end in a lone CR is not
  // searched to its end once per line.
  std::size_t nextLf = std::string_view::npos;
  long long linesRead = 0;
  auto nextLine = [&text, &p, &nextLf, &linesRead](std::string_view& line) {
    if (p >= text.size()) return false;
    ++linesRead;
    if (nextLf == std::string_view::npos || nextLf < p) {
      nextLf = text.find('\n', p);
      if (nextLf == std::string_view::npos) nextLf = text.size();
    }
    std::size_t stop = nextLf;
    if (const void* cr = std::memchr(text.data() + p, '\r', stop - p)) {
      stop = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
    }
    line = text.substr(p, stop - p);
    p = stop;
    if (p < text.size() && text[p] == '\r') ++p;
    if (p < text.size() && text[p] == '\n') ++p;
    return true;
  };

  const CharacterWalk& walk = ActiveCharacterWalk();
  RecordEnd end(walk);
  std::vector<std::string_view> records;
  std::string_view line;
  while (nextLine(line)) {
    const long long startLine = linesRead;
    if (startLines != nullptr) startLines->push_back(startLine);
    if (EndsWithAsciiQuote(line, walk)) {
      records.push_back(line);
      continue;
    }
    end.Reset(line);
    if (EndsRecord(end.Tail(line))) {
      records.push_back(line);
      continue;
    }
    // The walk keeps positions only, so it carries over to the copy.
    AnsiText record(line);
    while (!EndsRecord(end.Tail(record))) {
      if (!nextLine(line)) {
        ListIndexError error(static_cast<long long>(records.size()) + 1);
        error.SetPlace({static_cast<long long>(records.size()), startLine});
        throw error;
      }
      const std::size_t oldSize = record.size();
      if (breaks != nullptr) breaks->emplace_back(records.size(), oldSize);
      record += line;
      end.Grow(record, oldSize);
    }
    records.push_back(joined.emplace_back(std::move(record)));
  }
  return records;
}

}  // namespace detail

