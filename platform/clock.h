// The two clocks that every date-time stamp combines: the UTC calendar date and the local
// time of day.
#pragma once

namespace qm::platform {

struct Stamp {
  int day = 0, month = 0, year = 0;     // UTC calendar date
  int hour = 0, minute = 0, second = 0;  // local clock
};

// Reads both clocks once.
Stamp nowStamp();

}  // namespace qm::platform
