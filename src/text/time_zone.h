#pragma once
// The zone an export's wall-clock times are read in: an IANA zone from the
// system's zone database (TZif files), or Japan's fixed nine hours, the
// converter's original rule, kept byte for byte for Asia/Tokyo.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TimeZone {
 public:
  static constexpr std::string_view kJapanName = "Asia/Tokyo";

  // Japan's fixed shift: UTC is the wall clock less nine hours, always.
  static std::shared_ptr<const TimeZone> Japan();
  // The zone of that name from its TZif bytes (a v2 or later file with its
  // closing rule, or a v1 file). Raises PlainError when the bytes are no zone.
  static std::shared_ptr<const TimeZone> FromTzif(std::string name, std::string_view tzif);

  const std::string& Name() const { return name_; }
  // Whether this is Japan's fixed shift: the stamps and UIDs of the original rule.
  bool IsJapan() const { return japan_; }

  // Seconds since 1970 as UTC for a wall-clock time given as seconds since
  // 1970 on the zone's clock. A time the clocks skip is read with the offset
  // before the gap, a time they show twice is the first of the two
  // (RFC 5545, 3.3.5).
  std::int64_t UtcFromLocal(std::int64_t localSeconds) const;
  // The zone's offset from UTC, in seconds, at a UTC instant.
  std::int32_t OffsetAt(std::int64_t utcSeconds) const;
  // The distinct offsets in force between two UTC instants, in the order
  // they first apply.
  std::vector<std::int32_t> OffsetsBetween(std::int64_t fromUtc, std::int64_t toUtc) const;

  TimeZone(std::string name, bool japan);

  // A change of offset at a UTC instant; before the first, firstOffset_ holds.
  struct Transition {
    std::int64_t at = 0;
    std::int32_t before = 0;
    std::int32_t after = 0;
    // The wall-clock time (on the clock before it) from which this change
    // decides how a wall-clock time is read: from at + max(before, after) on,
    // a time is read by the offsets after it.
    std::int64_t localBound = 0;
  };

 private:
  friend class TzifReader;
  // Where the changes of each period of 2^25 seconds (about 388 days) from
  // 1901 to 2242 begin, so that reading a time looks at one or two.
  static constexpr int kPeriodShift = 25;
  static constexpr std::int64_t kFirstPeriod = -(std::int64_t{1} << 31);
  static constexpr std::size_t kPeriodCount = 320;
  void IndexPeriods();

  std::string name_;
  bool japan_ = false;
  std::int32_t firstOffset_ = 0;
  std::vector<Transition> transitions_;  // in time order, through the year 9999
  std::vector<std::uint32_t> periods_;    // the first change whose bound is past each period's start
};

// The zone of that name, letter case ignored: Asia/Tokyo is Japan(), UTC is
// there even without a database; nullptr when the database holds no such zone.
// Raises PlainError when the zone's data cannot be read.
std::shared_ptr<const TimeZone> LoadTimeZone(std::string_view name);

// "UTC-5", "UTC+5:30", "UTC": an offset as the preview shows it.
std::string OffsetText(std::int32_t offsetSeconds);
