#include "text/time_zone.h"

#include <algorithm>
#include <optional>

#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/time_zones.h"
#include "text/calendar.h"
#include "text/errors.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr int kLastRuleYear = 10'000;  // local 9999-12-31 plus any offset

constexpr std::int64_t kDayValueOf1970 = 25'569;

// Days since 1970-01-01 of a date from the year 1 to 10000.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  return DayValue(static_cast<int>(year), month, day) - kDayValueOf1970;
}

// 0 for Sunday.
int Weekday(std::int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }

[[noreturn]] void Malformed(const std::string& name) {
  throw PlainError(platform::Cp932FromUtf8("タイムゾーン " + name + " のデータを読めません"));
}

// One point of a POSIX TZ rule: the day, and the time of day on the clock in
// force before it.
struct RuleDate {
  enum class Kind { Julian1, Julian0, MonthWeekDay } kind = Kind::MonthWeekDay;
  int day = 0, month = 0, week = 0, weekday = 0;
  std::int64_t time = 7'200;

  // Seconds since 1970 of the local time the rule names in year.
  std::int64_t LocalIn(std::int64_t year) const {
    std::int64_t days = 0;
    switch (kind) {
      case Kind::Julian1:  // 1..365, February 29 never counted
        days = DaysFromCivil(year, 1, 1) + day - 1 + (IsLeapYear(static_cast<int>(year)) && day >= 60 ? 1 : 0);
        break;
      case Kind::Julian0:  // 0..365, leap days counted
        days = DaysFromCivil(year, 1, 1) + day;
        break;
      case Kind::MonthWeekDay: {
        const std::int64_t first = DaysFromCivil(year, month, 1);
        std::int64_t d = first + (weekday - Weekday(first) + 7) % 7 + 7 * (week - 1);
        if (week == 5)
          while (d >= first + DaysInMonth(static_cast<int>(year), month)) d -= 7;
        days = d;
        break;
      }
    }
    return days * kSecondsPerDay + time;
  }
};

// The closing rule of a TZif file: a POSIX TZ string such as
// "EST5EDT,M3.2.0,M11.1.0" or "<+09>-9".
struct PosixRule {
  std::int32_t standard = 0;  // offsets east of UTC
  std::optional<std::int32_t> daylight;
  RuleDate start, end;
};

class PosixRuleReader {
 public:
  explicit PosixRuleReader(std::string_view text) : text_(text) {}

  std::optional<PosixRule> Read() {
    PosixRule rule;
    if (!Name()) return std::nullopt;
    const std::optional<std::int64_t> standard = Time();
    if (!standard) return std::nullopt;
    rule.standard = static_cast<std::int32_t>(-*standard);
    if (AtEnd()) return rule;
    if (!Name()) return std::nullopt;
    rule.daylight = rule.standard + 3'600;
    if (!AtEnd() && Peek() != ',') {
      const std::optional<std::int64_t> daylight = Time();
      if (!daylight) return std::nullopt;
      rule.daylight = static_cast<std::int32_t>(-*daylight);
    }
    if (AtEnd()) {  // no dates: the United States' rule, as POSIX systems take it
      rule.start = {RuleDate::Kind::MonthWeekDay, 0, 3, 2, 0};
      rule.end = {RuleDate::Kind::MonthWeekDay, 0, 11, 1, 0};
      return rule;
    }
    if (!Take(',') || !Date(rule.start) || !Take(',') || !Date(rule.end) || !AtEnd()) return std::nullopt;
    return rule;
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  bool Name() {
    if (Take('<')) {
      const std::size_t close = text_.find('>', pos_);
      if (close == std::string_view::npos) return false;
      pos_ = close + 1;
      return true;
    }
    const std::size_t start = pos_;
    while (!AtEnd() && ((Peek() >= 'A' && Peek() <= 'Z') || (Peek() >= 'a' && Peek() <= 'z'))) ++pos_;
    return pos_ - start >= 3;
  }
  std::optional<std::int64_t> Number() {
    if (Peek() < '0' || Peek() > '9') return std::nullopt;
    std::int64_t n = 0;
    while (Peek() >= '0' && Peek() <= '9' && n < 1'000'000) n = n * 10 + (text_[pos_++] - '0');
    return n;
  }
  // [+|-]hh[:mm[:ss]] as seconds.
  std::optional<std::int64_t> Time() {
    const bool negative = Take('-');
    if (!negative) Take('+');
    std::optional<std::int64_t> part = Number();
    if (!part) return std::nullopt;
    std::int64_t seconds = *part * 3'600;
    for (std::int64_t scale : {60, 1}) {
      if (!Take(':')) break;
      if (!(part = Number())) return std::nullopt;
      seconds += *part * scale;
    }
    return negative ? -seconds : seconds;
  }
  bool Date(RuleDate& date) {
    std::optional<std::int64_t> n;
    if (Take('J')) {
      date.kind = RuleDate::Kind::Julian1;
      if (!(n = Number()) || *n < 1 || *n > 365) return false;
      date.day = static_cast<int>(*n);
    } else if (Take('M')) {
      date.kind = RuleDate::Kind::MonthWeekDay;
      std::optional<std::int64_t> week, weekday;
      if (!(n = Number()) || !Take('.') || !(week = Number()) || !Take('.') || !(weekday = Number())) return false;
      if (*n < 1 || *n > 12 || *week < 1 || *week > 5 || *weekday > 6) return false;
      date.month = static_cast<int>(*n);
      date.week = static_cast<int>(*week);
      date.weekday = static_cast<int>(*weekday);
    } else {
      date.kind = RuleDate::Kind::Julian0;
      if (!(n = Number()) || *n > 365) return false;
      date.day = static_cast<int>(*n);
    }
    if (Take('/')) {
      const std::optional<std::int64_t> time = Time();
      if (!time) return false;
      date.time = *time;
    }
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// No zone is a day or more off UTC; a stamp moves by a day at most.
bool IsOffset(std::int64_t seconds) { return seconds > -kSecondsPerDay && seconds < kSecondsPerDay; }

// The year of a UTC instant from the year 1 on (0 before it).
std::int64_t YearOf(std::int64_t seconds) {
  const std::int64_t days = seconds / kSecondsPerDay - (seconds % kSecondsPerDay < 0 ? 1 : 0);
  return DateFromDayNumber(days + kDayValueOf1970 + kDayNumberOfDayValueZero).year;
}

}  // namespace

// Reads the TZif format (RFC 8536): the 64-bit data of version 2 and later,
// else the 32-bit data, then the closing rule carried on to the year 10000.
class TzifReader {
 public:
  TzifReader(const std::string& name, std::string_view bytes) : name_(name), bytes_(bytes) {}

  void Into(TimeZone& zone) {
    Header first = ReadHeader(4);
    bool wide = false;
    if (first.version >= '2') {
      Skip(first.DataSize(4));
      first = ReadHeader(8);
      wide = true;
    }
    const std::size_t timeSize = wide ? 8 : 4;
    std::vector<std::int64_t> times(first.timeCount);
    for (auto& t : times) t = Signed(timeSize);
    std::vector<std::uint8_t> typeIndex(first.timeCount);
    for (auto& index : typeIndex) index = static_cast<std::uint8_t>(Unsigned(1));
    std::vector<std::int32_t> offsets(first.typeCount);
    for (auto& offset : offsets) {
      offset = static_cast<std::int32_t>(Signed(4));
      if (!IsOffset(offset)) Malformed(name_);
      Skip(2);  // the daylight flag and the abbreviation's index
    }
    Skip(first.charCount + first.leapCount * (timeSize + 4) + first.isStdCount + first.isUtCount);
    if (offsets.empty()) Malformed(name_);

    zone.firstOffset_ = offsets[0];
    std::int32_t current = offsets[0];
    for (std::size_t i = 0; i < times.size(); ++i) {
      if (typeIndex[i] >= offsets.size()) Malformed(name_);
      Add(zone, times[i], current, offsets[typeIndex[i]]);
      current = offsets[typeIndex[i]];
    }
    if (wide) ContinueByRule(zone, times.empty() ? INT64_MIN : times.back(), current);
    for (TimeZone::Transition& t : zone.transitions_) t.localBound = t.at + std::max(t.before, t.after);
    zone.IndexPeriods();
  }

 private:
  struct Header {
    char version = 0;
    std::uint32_t isUtCount = 0, isStdCount = 0, leapCount = 0, timeCount = 0, typeCount = 0, charCount = 0;
    std::size_t DataSize(std::size_t timeSize) const {
      // In 64 bits: the counts are whatever the file says.
      const std::size_t times = timeCount, types = typeCount, leaps = leapCount;
      return times * (timeSize + 1) + types * 6 + std::size_t{charCount} + leaps * (timeSize + 4) +
             std::size_t{isStdCount} + std::size_t{isUtCount};
    }
  };

  // The counts are checked against the bytes there before anything is sized by them.
  Header ReadHeader(std::size_t timeSize) {
    if (bytes_.substr(pos_, 4) != "TZif" || bytes_.size() - pos_ < 44) Malformed(name_);
    Header header;
    header.version = bytes_[pos_ + 4];
    pos_ += 20;
    header.isUtCount = static_cast<std::uint32_t>(Unsigned(4));
    header.isStdCount = static_cast<std::uint32_t>(Unsigned(4));
    header.leapCount = static_cast<std::uint32_t>(Unsigned(4));
    header.timeCount = static_cast<std::uint32_t>(Unsigned(4));
    header.typeCount = static_cast<std::uint32_t>(Unsigned(4));
    header.charCount = static_cast<std::uint32_t>(Unsigned(4));
    if (header.DataSize(timeSize) > bytes_.size() - pos_) Malformed(name_);
    return header;
  }

  void Skip(std::size_t n) {
    if (n > bytes_.size() - pos_) Malformed(name_);
    pos_ += n;
  }
  std::uint64_t Unsigned(std::size_t size) {
    if (size > bytes_.size() - pos_) Malformed(name_);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = value << 8 | static_cast<unsigned char>(bytes_[pos_ + i]);
    pos_ += size;
    return value;
  }
  std::int64_t Signed(std::size_t size) {
    const std::uint64_t value = Unsigned(size);
    const unsigned bits = static_cast<unsigned>(size * 8);
    if (bits < 64 && (value >> (bits - 1)) != 0) return static_cast<std::int64_t>(value) - (std::int64_t{1} << bits);
    return static_cast<std::int64_t>(value);
  }

  static void Add(TimeZone& zone, std::int64_t at, std::int32_t before, std::int32_t after) {
    if (before == after) return;
    if (!zone.transitions_.empty() && at <= zone.transitions_.back().at) return;
    zone.transitions_.push_back({at, before, after, 0});
  }

  // The footer "\n<rule>\n" governs every time after the last transition.
  void ContinueByRule(TimeZone& zone, std::int64_t last, std::int32_t current) {
    if (pos_ >= bytes_.size() || bytes_[pos_] != '\n') return;
    const std::size_t close = bytes_.find('\n', pos_ + 1);
    if (close == std::string_view::npos) Malformed(name_);
    const std::string_view text = bytes_.substr(pos_ + 1, close - pos_ - 1);
    if (text.empty()) return;
    const std::optional<PosixRule> rule = PosixRuleReader(text).Read();
    if (!rule || !IsOffset(rule->standard) || (rule->daylight && !IsOffset(*rule->daylight))) Malformed(name_);
    if (!rule->daylight) {
      Add(zone, last == INT64_MIN ? last : last + 1, current, rule->standard);
      return;
    }
    const std::int64_t fromYear = last == INT64_MIN ? 1 : std::max<std::int64_t>(YearOf(last), 1);
    for (std::int64_t year = fromYear; year <= kLastRuleYear; ++year) {
      struct Change {
        std::int64_t at;
        std::int32_t to;
      };
      Change changes[] = {{rule->start.LocalIn(year) - rule->standard, *rule->daylight},
                          {rule->end.LocalIn(year) - *rule->daylight, rule->standard}};
      if (changes[1].at < changes[0].at) std::swap(changes[0], changes[1]);
      for (const Change& change : changes) {
        if (change.at <= last) continue;
        Add(zone, change.at, current, change.to);
        current = change.to;
      }
    }
  }

  const std::string& name_;
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

std::shared_ptr<const TimeZone> TimeZone::Japan() {
  static const std::shared_ptr<const TimeZone> japan = [] {
    auto zone = std::make_shared<TimeZone>(std::string(kJapanName), true);
    zone->firstOffset_ = 9 * 3'600;
    return zone;
  }();
  return japan;
}

std::shared_ptr<const TimeZone> TimeZone::FromTzif(std::string name, std::string_view tzif) {
  auto zone = std::make_shared<TimeZone>(std::move(name), false);
  TzifReader(zone->name_, tzif).Into(*zone);
  return zone;
}

std::shared_ptr<const TimeZone> LoadTimeZone(std::string_view name) {
  if (platform::EqualsAsciiNoCase(name, TimeZone::kJapanName)) return TimeZone::Japan();
  const std::optional<std::string> canonical = platform::CanonicalZoneName(name);
  if (canonical) {
    if (const std::optional<std::string> tzif = platform::ReadZoneData(*canonical))
      return TimeZone::FromTzif(*canonical, *tzif);
  }
  if (platform::EqualsAsciiNoCase(name, "UTC")) return std::make_shared<TimeZone>("UTC", false);
  return nullptr;
}

TimeZone::TimeZone(std::string name, bool japan) : name_(std::move(name)), japan_(japan) {}

void TimeZone::IndexPeriods() {
  periods_.resize(kPeriodCount);
  for (std::size_t p = 0; p < kPeriodCount; ++p) {
    const std::int64_t start = kFirstPeriod + (static_cast<std::int64_t>(p) << kPeriodShift);
    periods_[p] = static_cast<std::uint32_t>(
        std::upper_bound(transitions_.begin(), transitions_.end(), start,
                         [](std::int64_t t, const Transition& x) { return t < x.localBound; }) -
        transitions_.begin());
  }
}

std::int64_t TimeZone::UtcFromLocal(std::int64_t localSeconds) const {
  // The last change whose bound the time has reached decides; before the
  // first, the zone's first offset. A period holds a change or two at most.
  std::size_t next;
  const std::int64_t sincePeriods = localSeconds - kFirstPeriod;
  if (sincePeriods >= 0 && static_cast<std::uint64_t>(sincePeriods >> kPeriodShift) < periods_.size()) {
    next = periods_[static_cast<std::size_t>(sincePeriods >> kPeriodShift)];
    while (next < transitions_.size() && transitions_[next].localBound <= localSeconds) ++next;
  } else {
    next = static_cast<std::size_t>(
        std::upper_bound(transitions_.begin(), transitions_.end(), localSeconds,
                         [](std::int64_t t, const Transition& x) { return t < x.localBound; }) -
        transitions_.begin());
  }
  return localSeconds - (next == 0 ? firstOffset_ : transitions_[next - 1].after);
}

std::int32_t TimeZone::OffsetAt(std::int64_t utcSeconds) const {
  const auto next = std::upper_bound(transitions_.begin(), transitions_.end(), utcSeconds,
                                     [](std::int64_t t, const Transition& x) { return t < x.at; });
  return next == transitions_.begin() ? firstOffset_ : std::prev(next)->after;
}

std::vector<std::int32_t> TimeZone::OffsetsBetween(std::int64_t fromUtc, std::int64_t toUtc) const {
  std::vector<std::int32_t> offsets{OffsetAt(fromUtc)};
  auto it = std::upper_bound(transitions_.begin(), transitions_.end(), fromUtc,
                             [](std::int64_t t, const Transition& x) { return t < x.at; });
  for (; it != transitions_.end() && it->at <= toUtc; ++it)
    if (std::find(offsets.begin(), offsets.end(), it->after) == offsets.end()) offsets.push_back(it->after);
  return offsets;
}

std::string OffsetText(std::int32_t offsetSeconds) {
  if (offsetSeconds == 0) return "UTC";
  const std::int32_t magnitude = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
  std::string text = std::string("UTC") + (offsetSeconds < 0 ? "-" : "+") + std::to_string(magnitude / 3'600);
  const std::int32_t minutes = magnitude % 3'600 / 60;
  if (minutes != 0) text += (minutes < 10 ? ":0" : ":") + std::to_string(minutes);
  return text;
}
