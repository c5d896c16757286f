// The zone reader on any bytes: a zone file a TZDIR points at may be anything.
// Malformed bytes raise the reader's error and nothing else; a zone it reads
// answers every wall-clock time with an offset under a day, and a time read
// back from its UTC instant lands where it started unless the clocks skip it.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "text/errors.h"
#include "text/time_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ExactBytes exact(std::string(reinterpret_cast<const char*>(data), size));
  std::shared_ptr<const TimeZone> zone;
  try {
    zone = TimeZone::FromTzif("Fuzz/Zone", exact.View());
  } catch (const PlainError&) {
    return 0;
  }
  // Times across the calendar, and around the dates the tables usually hold.
  for (const std::int64_t local : {std::int64_t{-62135596800}, std::int64_t{-2208988800}, std::int64_t{0},
                                   std::int64_t{1710052200}, std::int64_t{2524608000}, std::int64_t{253402300799}}) {
    const std::int64_t utc = zone->UtcFromLocal(local);
    const std::int64_t offset = local - utc;
    FUZZ_CHECK(offset > -86400 && offset < 86400);
    FUZZ_CHECK(zone->OffsetsBetween(utc, utc + 86400 * 400).size() >= 1);
  }
  return 0;
}
