// The two clocks that every date-time stamp combines: the UTC calendar date and the local
// time of day.
#pragma once

#include <cstdint>
#include <optional>

namespace qm::platform {

struct Stamp {
  int day = 0, month = 0, year = 0;     // UTC calendar date
  int hour = 0, minute = 0, second = 0;  // local clock
};

// Reads both clocks once.
Stamp nowStamp();

// A moment on the local calendar and clock.
struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int weekday = 0;  // 0 Sunday to 6 Saturday
};

// The local time of a moment given in seconds since 1970-01-01 00:00:00 UTC; none for a
// moment the system cannot convert (before 1601 or far in the future).
std::optional<CalendarTime> localCalendarTime(std::int64_t unixSeconds);

}  // namespace qm::platform
